#include "lookuptables.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "persiantext.h"
#include "sqlquote.h"
#include "useraccounts.h"
#include "voucherkinds.h"

#include <QSqlQuery>
#include <QVariant>

namespace LookupTables {

namespace {

// Asset definitions and reference tables are written under the rights of the purchase.
const QString kRightsPrefix = VoucherKindOf(VoucherKindId::BuyCreate).rightsPrefix;

struct Shape
{
    const char* table;
    const char* code;
    const char* name;
    // The columns of the register and the vouchers that name an entry end with this
    // ("MakanCod", "FirstMakanCod"; "NewVezCod", "OldVezCod").
    const char* namedBy;
    const char* title;
};

Shape ShapeOf(Table table)
{
    switch (table) {
    case Table::Place: return {"D_Makan", "MakanCod", "MakanNam", "MakanCod", "محل هاي استقرار"};
    case Table::Person: return {"Person", "Code", "Name", "PersonelCod", "اشخاص (تحويل گيرندگان)"};
    case Table::Condition: return {"D_VazDarae", "VazCod", "VazNam", "VazCod", "وضعيت هاي دارايي"};
    case Table::TaxGroup:
        return {"D_VezArat", "VezCod", "VezNam", "VezCod", "گروه هاي دارايي (جدول مالياتي)"};
    case Table::Article: return {"D_Madeh151", "MadehCod", "MadehNam", "MadehCod", "مواد"};
    case Table::Source: return {"D_Mabadi", "MabadiCod", "MabadiNam", "MabadiCod", "مبادي تحويل"};
    case Table::Component:
        return {"D_Gheimat", "GheimatCod", "GheimatNam", "GheimatCod", "اجزاي بهاي تمام شده"};
    }
    return {"", "", "", "", ""};
}

QString Ident(const char* name)
{
    return SqlIdent(QLatin1String(name));
}

int Width(const DbConnection& connection, const char* table, const char* column)
{
    return connection.dialect().columnWidth(QLatin1String(table), QLatin1String(column));
}

Outcome Refused(const QString& text, Field field)
{
    return {text, field, QString()};
}

std::optional<Entry> ReadLocked(DbConnection& connection, Table table, const QString& stored)
{
    const Shape s = ShapeOf(table);
    QSqlQuery q = connection.select(
        QStringLiteral("SELECT ") + Ident(s.code) + QStringLiteral(", ") + Ident(s.name) +
            (HasFamily(table) ? QStringLiteral(", \"Family\"") : QStringLiteral(", ''")) +
            QStringLiteral(" FROM ") + Ident(s.table) + QStringLiteral(" WHERE ") +
            Ident(s.code) + QStringLiteral(" IN (?, ?)") + connection.dialect().rowLockClause(),
        {stored, stored.trimmed()});
    if (!q.next())
        return std::nullopt;
    return Entry{q.value(0).toString(), q.value(1).toString().trimmed(),
                 q.value(2).toString().trimmed()};
}

bool Same(const Entry& a, const Entry& b)
{
    return a.code.trimmed() == b.code.trimmed() && a.name.trimmed() == b.name.trimmed() &&
           a.family.trimmed() == b.family.trimmed();
}

// What first names the entry ("دارايي ها", or a voucher kind's vouchers, their cost
// components included), or "".
QString NamedIn(DbConnection& connection, Table table, const QString& stored)
{
    const QString stem = QLatin1String(ShapeOf(table).namedBy);
    QList<std::pair<QString, QString>> tables{{QStringLiteral("D_Amval"),
                                               QStringLiteral("دارايي ها")}};
    for (const VoucherKind& kind : VoucherKinds()) {
        tables.append({kind.table, QStringLiteral("اسناد ") + kind.caption});
        if (!kind.componentsTable.isEmpty())
            tables.append({kind.componentsTable, QStringLiteral("اسناد ") + kind.caption});
    }
    for (const auto& [t, what] : std::as_const(tables)) {
        for (const QString& column : connection.dialect().tableColumns(t)) {
            if (!column.endsWith(stem, Qt::CaseInsensitive))
                continue;
            if (connection
                    .select(QStringLiteral("SELECT 1 FROM ") + SqlIdent(t) +
                                QStringLiteral(" WHERE ") + SqlIdent(column) +
                                QStringLiteral(" IN (?, ?)"),
                            {stored, stored.trimmed()})
                    .next())
                return what;
        }
    }
    return QString();
}

} // namespace

const QList<Table>& Tables()
{
    static const QList<Table> tables{Table::Place,   Table::Person, Table::Condition,
                                     Table::TaxGroup, Table::Article, Table::Source,
                                     Table::Component};
    return tables;
}

QString Title(Table table)
{
    return QString::fromUtf8(ShapeOf(table).title);
}

bool HasFamily(Table table)
{
    return table == Table::Person;
}

QList<Entry> Entries(DbConnection& connection, Table table)
{
    const Shape s = ShapeOf(table);
    QList<Entry> out;
    QSqlQuery q = connection.select(
        QStringLiteral("SELECT ") + Ident(s.code) + QStringLiteral(", ") + Ident(s.name) +
        (HasFamily(table) ? QStringLiteral(", \"Family\"") : QStringLiteral(", ''")) +
        QStringLiteral(" FROM ") + Ident(s.table) + QStringLiteral(" ORDER BY ") + Ident(s.code));
    while (q.next())
        out.append({q.value(0).toString(), q.value(1).toString().trimmed(),
                    q.value(2).toString().trimmed()});
    return out;
}

QString StoredCode(const DbConnection& connection, Table table, const QString& typed)
{
    const Shape s = ShapeOf(table);
    const QString code = LatinDigits(typed.trimmed());
    const int width = Width(connection, s.table, s.code);
    if (code.isEmpty() || (width > 0 && code.size() > width))
        return QString();
    for (const QChar c : code)
        if (!c.isLetterOrNumber())
            return QString();
    return width > 0 ? code.rightJustified(width, QLatin1Char(' ')) : code;
}

Outcome Store(DbConnection& connection, int userId, Table table, const Entry& typed,
              const std::optional<Entry>& before)
{
    const Shape s = ShapeOf(table);
    const QString code = StoredCode(connection, table, typed.code);
    if (code.isEmpty())
        return Refused(QStringLiteral("كد فقط حرف و رقم مي گيرد، حداكثر %1 تا.")
                           .arg(Width(connection, s.table, s.code)),
                       Field::Code);
    const struct
    {
        QString text;
        const char* column;
        Field field;
    } texts[] = {{typed.name.trimmed(), s.name, Field::Name},
                 {typed.family.trimmed(), "Family", Field::Family}};
    if (texts[0].text.isEmpty())
        return Refused(QStringLiteral("نام را وارد كنيد."), Field::Name);
    for (const auto& t : texts) {
        if (t.field == Field::Family && !HasFamily(table))
            continue;
        const int width = Width(connection, s.table, t.column);
        if (width > 0 && t.text.size() > width)
            return Refused(QStringLiteral("حداكثر %1 حرف.").arg(width), t.field);
    }

    Transaction transaction(connection);
    const QString word = before ? QStringLiteral("EDIT") : QStringLiteral("SABT");
    if (!UserAccounts::HasRight(connection, userId, kRightsPrefix, word))
        return Refused(before ? QStringLiteral("كاربر مجاز به ويرايش جداول پايه نيست (دسترسي "
                                               "ويرايش خريد/ساخت).")
                              : QStringLiteral("كاربر مجاز به افزودن به جداول پايه نيست (دسترسي "
                                               "ثبت خريد/ساخت)."),
                       Field::None);
    const std::optional<Entry> stored = ReadLocked(connection, table, code);
    const QString taken = QStringLiteral("كد «%1» در اين جدول هست.").arg(code.trimmed());
    if (!before && stored)
        return Refused(taken, Field::Code);
    if (before && !stored)
        return Refused(QStringLiteral("اين رديف را كاربر ديگري حذف كرده است."), Field::None);
    if (before && !Same(*stored, *before))
        return Refused(QStringLiteral("اين رديف را كاربر ديگري در اين فاصله تغيير داده است؛ آن "
                                      "را دوباره بخوانيد."),
                       Field::None);
    QVariantList values{texts[0].text};
    QString family;
    if (HasFamily(table)) {
        family = QStringLiteral(", \"Family\"");
        values << texts[1].text;
    }
    values << code;
    if (before) {
        connection.execute(QStringLiteral("UPDATE ") + Ident(s.table) + QStringLiteral(" SET ") +
                               Ident(s.name) + QStringLiteral(" = ?") +
                               (family.isEmpty() ? QString() : QStringLiteral(", \"Family\" = ?")) +
                               QStringLiteral(" WHERE ") + Ident(s.code) + QStringLiteral(" = ?"),
                           values);
    } else {
        try {
            connection.execute(QStringLiteral("INSERT INTO ") + Ident(s.table) +
                                   QStringLiteral(" (") + Ident(s.name) + family +
                                   QStringLiteral(", ") + Ident(s.code) +
                                   QStringLiteral(") VALUES (?") +
                                   (family.isEmpty() ? QString() : QStringLiteral(", ?")) +
                                   QStringLiteral(", ?)"),
                               values);
        } catch (const DatabaseError& error) {
            // Another clerk's entry of the same code, stored since it was looked for.
            if (error.kind() != DatabaseError::Kind::DuplicateKey)
                throw;
            return Refused(taken, Field::Code);
        }
    }
    transaction.commit();
    return {QString(), Field::None, code};
}

Outcome Remove(DbConnection& connection, int userId, Table table, const Entry& before)
{
    const Shape s = ShapeOf(table);
    const QString code = StoredCode(connection, table, before.code);
    Transaction transaction(connection);
    if (!UserAccounts::HasRight(connection, userId, kRightsPrefix, QStringLiteral("DEL")))
        return Refused(QStringLiteral("كاربر مجاز به حذف از جداول پايه نيست (دسترسي حذف "
                                      "خريد/ساخت)."),
                       Field::None);
    const std::optional<Entry> stored = ReadLocked(connection, table, code);
    if (!stored)
        return Refused(QStringLiteral("اين رديف را كاربر ديگري حذف كرده است."), Field::None);
    if (!Same(*stored, before))
        return Refused(QStringLiteral("اين رديف را كاربر ديگري در اين فاصله تغيير داده است؛ آن "
                                      "را دوباره بخوانيد."),
                       Field::None);
    if (const QString named = NamedIn(connection, table, code); !named.isEmpty())
        return Refused(QStringLiteral("كد «%1» در %2 آمده است و حذف نمي شود.")
                           .arg(code.trimmed(), named),
                       Field::Code);
    connection.execute(QStringLiteral("DELETE FROM ") + Ident(s.table) + QStringLiteral(" WHERE ") +
                           Ident(s.code) + QStringLiteral(" IN (?, ?)"),
                       {code, code.trimmed()});
    transaction.commit();
    return {QString(), Field::None, code};
}

} // namespace LookupTables
