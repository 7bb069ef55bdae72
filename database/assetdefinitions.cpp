#include "assetdefinitions.h"

#include "assetregister.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "jalalidate.h"
#include "persiantext.h"
#include "sqlquote.h"
#include "useraccounts.h"
#include "voucherkinds.h"

#include <QSqlQuery>
#include <QVariant>
#include <cmath>

namespace AssetDefinitions {

namespace {

const QString kAssets = QStringLiteral("D_Amval");
// Asset definitions and reference tables are written under the rights of the purchase.
const QString kRightsPrefix = VoucherKindOf(VoucherKindId::BuyCreate).rightsPrefix;

// A column of the definition: where it is stored, and the opening column the register's
// recompute starts from, where the vouchers move it.
struct Column
{
    Field field;
    const char* stored;
    const char* opening; // "" when the column is not followed
    bool number;
};

const QList<Column>& Columns()
{
    static const QList<Column> columns{
        {Field::Name, "DaraNam", "", false},
        {Field::TaxGroup, "VezCod", "FirstVezCod", false},
        {Field::Article, "MadehCod", "", false},
        {Field::Method, "RaveshEst", "FirstRaveshEst", false},
        {Field::Rate, "Nozooli", "FirstNozooli", true},
        {Field::Life, "Salianeh", "FirstSalianeh", true},
        {Field::InUse, "BahreDate", "", false},
        {Field::Cost, "EndValue", "", true},
        {Field::Accumulated, "Anbashteh", "FirstAnbashteh", true},
        {Field::Salvage, "Esshat", "FirstEsshat", true},
        {Field::Place, "MakanCod", "FirstMakanCod", false},
        {Field::Holder, "PersonelCod", "FirstPersonelCod", false},
        {Field::CostCentre, "Tafsily2", "FirstTafsily2", false},
        {Field::Condition, "VazCod", "", false},
        {Field::Source, "MabadiCod", "", false},
        {Field::Koll, "Koll", "", false},
        {Field::Moein, "Moein", "", false},
    };
    return columns;
}

// The definition's text and number fields by their Field (of a const Asset, const).
template <typename A> auto TextOf(A& a, Field f) -> decltype(&a.name)
{
    switch (f) {
    case Field::Name: return &a.name;
    case Field::TaxGroup: return &a.taxGroup;
    case Field::Article: return &a.article;
    case Field::Method: return &a.method;
    case Field::InUse: return &a.inUse;
    case Field::Place: return &a.place;
    case Field::Holder: return &a.holder;
    case Field::CostCentre: return &a.costCentre;
    case Field::Condition: return &a.condition;
    case Field::Source: return &a.source;
    case Field::Koll: return &a.koll;
    case Field::Moein: return &a.moein;
    default: return nullptr;
    }
}

template <typename A> auto NumberOf(A& a, Field f) -> decltype(&a.rate)
{
    switch (f) {
    case Field::Rate: return &a.rate;
    case Field::Life: return &a.life;
    case Field::Cost: return &a.cost;
    case Field::Accumulated: return &a.accumulated;
    case Field::Salvage: return &a.salvage;
    default: return nullptr;
    }
}

QVariant ValueOf(const Asset& a, const Column& c)
{
    if (c.number)
        return *NumberOf(a, c.field);
    return SqlText(*TextOf(a, c.field));
}

// The definition's columns read from the register: the opening value where there is
// one (the record as it stands where it is still NULL).
QString SelectedColumns()
{
    QStringList out;
    for (const Column& c : Columns()) {
        const QString stored = SqlIdent(QLatin1String(c.stored));
        if (*c.opening)
            out << QStringLiteral("COALESCE(") + SqlIdent(QLatin1String(c.opening)) +
                       QStringLiteral(", ") + stored + QLatin1Char(')');
        else
            out << stored;
    }
    return out.join(QStringLiteral(", "));
}

struct Look
{
    const char* table;
    const char* code;
    const char* name;
};

Look LookOf(List list)
{
    switch (list) {
    case List::TaxGroup: return {"D_VezArat", "VezCod", "VezNam"};
    case List::Article: return {"D_Madeh151", "MadehCod", "MadehNam"};
    case List::Place: return {"D_Makan", "MakanCod", "MakanNam"};
    case List::Holder: return {"Person", "Code", "Name"};
    case List::CostCentre: return {"Tafsily2", "Tafsily2", "NamHesab"};
    case List::Condition: return {"D_VazDarae", "VazCod", "VazNam"};
    case List::Source: return {"D_Mabadi", "MabadiCod", "MabadiNam"};
    case List::Koll: return {"Koll", "Koll", "NamHesab"};
    }
    return {"", "", ""};
}

bool Listed(DbConnection& connection, List list, const QString& code)
{
    const Look look = LookOf(list);
    return connection
        .select(QStringLiteral("SELECT 1 FROM ") + SqlIdent(QLatin1String(look.table)) +
                    QStringLiteral(" WHERE ") + SqlIdent(QLatin1String(look.code)) +
                    QStringLiteral(" = ?"),
                {code})
        .next();
}

Outcome Refused(const QString& text, Field field)
{
    return {text, field, QString()};
}

// What is wrong with the definition itself, before the database is asked.
Outcome Check(const DbConnection& connection, const Asset& a)
{
    if (StoredCode(connection, a.code).isEmpty())
        return Refused(CodeRefusal(connection), Field::Code);
    const QString name = a.name.trimmed();
    if (name.isEmpty())
        return Refused(QStringLiteral("نام دارايي را وارد كنيد."), Field::Name);
    const int nameWidth = connection.dialect().columnWidth(kAssets, QStringLiteral("DaraNam"));
    if (nameWidth > 0 && name.size() > nameWidth)
        return Refused(QStringLiteral("نام دارايي حداكثر %1 حرف است.").arg(nameWidth),
                       Field::Name);
    if (a.taxGroup.trimmed().isEmpty())
        return Refused(QStringLiteral("گروه دارايي (جدول مالياتي) را انتخاب كنيد."),
                       Field::TaxGroup);
    if (a.method != kStraightLine && a.method != kDeclining && a.method != kNoMethod)
        return Refused(QStringLiteral("روش استهلاك را انتخاب كنيد."), Field::Method);
    for (const Field f : {Field::Rate, Field::Life, Field::Cost, Field::Accumulated,
                          Field::Salvage}) {
        const double value = *NumberOf(a, f);
        if (!std::isfinite(value) || value < 0 || value >= 1e15)
            return Refused(QStringLiteral("عدد منفي يا بيش از اندازه قابل قبول نيست."), f);
    }
    if (a.method == kDeclining && (a.rate <= 0 || a.rate > 100))
        return Refused(QStringLiteral("نرخ استهلاك نزولي بايد بيش از صفر و حداكثر 100 درصد باشد."),
                       Field::Rate);
    if (a.method == kStraightLine && a.life <= 0)
        return Refused(QStringLiteral("عمر مفيد دارايي با روش مستقيم بايد بيش از صفر سال باشد."),
                       Field::Life);
    if (NormalJalaliDate(a.inUse) != a.inUse || a.inUse.isEmpty())
        return Refused(QStringLiteral("تاريخ بهره برداري درست نيست (سال/ماه/روز)."),
                       Field::InUse);
    if (a.cost == 0 && a.accumulated != 0)
        return Refused(QStringLiteral("دارايي بدون بهاي تمام شده استهلاك انباشته ندارد؛ استهلاك "
                                      "آن را سند خريد و اسناد بعدي مي دهند."),
                       Field::Accumulated);
    if (a.cost > 0 && a.accumulated > a.cost)
        return Refused(QStringLiteral("استهلاك انباشته از بهاي تمام شده بيشتر است."),
                       Field::Accumulated);
    if (a.cost > 0 && a.salvage > a.cost)
        return Refused(QStringLiteral("ارزش اسقاط از بهاي تمام شده بيشتر است."), Field::Salvage);
    if (a.place.trimmed().isEmpty())
        return Refused(QStringLiteral("محل استقرار دارايي را انتخاب كنيد."), Field::Place);
    if (a.condition.trimmed().isEmpty())
        return Refused(QStringLiteral("وضعيت دارايي را انتخاب كنيد."), Field::Condition);
    if (a.koll.trimmed().isEmpty())
        return Refused(QStringLiteral("حساب كل دارايي را انتخاب كنيد."), Field::Koll);
    if (a.moein.trimmed().isEmpty())
        return Refused(QStringLiteral("حساب معين دارايي را انتخاب كنيد."), Field::Moein);
    return {};
}

// What is wrong with the codes the definition names, read in the caller's transaction.
Outcome CheckListed(DbConnection& connection, const Asset& a)
{
    const struct
    {
        List list;
        const QString& code;
        Field field;
        const char* what;
    } named[] = {
        {List::TaxGroup, a.taxGroup, Field::TaxGroup, "گروه دارايي"},
        {List::Article, a.article, Field::Article, "ماده"},
        {List::Place, a.place, Field::Place, "محل"},
        {List::Holder, a.holder, Field::Holder, "تحويل گيرنده"},
        {List::CostCentre, a.costCentre, Field::CostCentre, "مركز هزينه"},
        {List::Condition, a.condition, Field::Condition, "وضعيت"},
        {List::Source, a.source, Field::Source, "مبادي تحويل"},
        {List::Koll, a.koll, Field::Koll, "حساب كل"},
    };
    for (const auto& n : named)
        if (!n.code.trimmed().isEmpty() && !Listed(connection, n.list, n.code))
            return Refused(QStringLiteral("%1 «%2» تعريف نشده است.")
                               .arg(QString::fromUtf8(n.what), n.code.trimmed()),
                           n.field);
    if (!connection
             .select(QStringLiteral("SELECT 1 FROM \"Moein\" WHERE \"Koll\" = ? AND \"Moein\" = ?"),
                     {a.koll, a.moein})
             .next())
        return Refused(QStringLiteral("حساب معين «%1» زير حساب كل «%2» نيست.")
                           .arg(a.moein.trimmed(), a.koll.trimmed()),
                       Field::Moein);
    return {};
}

// The asset's record read and, where the engine locks rows, locked for the rest of the
// caller's transaction.
std::optional<Asset> ReadLocked(DbConnection& connection, const QString& stored, bool lock)
{
    QSqlQuery q = connection.select(
        QStringLiteral("SELECT ") + SelectedColumns() + QStringLiteral(" FROM ") +
            SqlIdent(kAssets) + QStringLiteral(" WHERE \"DaraCod\" IN (?, ?)") +
            (lock ? connection.dialect().rowLockClause() : QString()),
        {stored, stored.trimmed()});
    if (!q.next())
        return std::nullopt;
    Asset a;
    a.code = stored;
    int i = 0;
    for (const Column& c : Columns()) {
        const QVariant v = q.value(i++);
        if (c.number)
            *NumberOf(a, c.field) = v.toDouble();
        else
            *TextOf(a, c.field) = v.toString();
    }
    return a;
}

// The date of the asset's first purchase, or "" when no purchase names it.
QString FirstPurchase(DbConnection& connection, const QString& stored)
{
    const VoucherKind& purchase = VoucherKindOf(VoucherKindId::BuyCreate);
    QSqlQuery q = connection.select(QStringLiteral("SELECT MIN(\"sDate\") FROM ") +
                                        SqlIdent(purchase.table) +
                                        QStringLiteral(" WHERE \"DaraCod\" IN (?, ?)"),
                                    {stored, stored.trimmed()});
    return q.next() ? q.value(0).toString() : QString();
}

bool Same(const Asset& a, const Asset& b)
{
    Asset x = a, y = b;
    x.code = x.code.trimmed();
    y.code = y.code.trimmed();
    return x == y;
}

} // namespace

int CodeWidth(const DbConnection& connection)
{
    return connection.dialect().columnWidth(kAssets, QStringLiteral("DaraCod"));
}

bool DigitsOnly(const DbConnection& connection)
{
    // TYPEDARACOD=NUM among the company's settings: codes of digits only.
    QSqlQuery q = connection.select(QStringLiteral("SELECT \"Dara\" FROM \"Options\""));
    while (q.next())
        if (q.value(0).toString().toUpper().contains(QLatin1String("TYPEDARACOD=NUM")))
            return true;
    return false;
}

QString CodeRefusal(const DbConnection& connection)
{
    return DigitsOnly(connection)
               ? QStringLiteral("كد دارايي فقط رقم مي گيرد، حداكثر %1 رقم.")
                     .arg(CodeWidth(connection))
               : QStringLiteral("كد دارايي را وارد كنيد، حداكثر %1 حرف.").arg(CodeWidth(connection));
}

QString StoredCode(const DbConnection& connection, const QString& typed)
{
    const QString code = LatinDigits(typed.trimmed());
    const int width = CodeWidth(connection);
    if (code.isEmpty() || (width > 0 && code.size() > width))
        return QString();
    const bool digits = DigitsOnly(connection);
    for (const QChar c : code)
        if (digits ? (c < QLatin1Char('0') || c > QLatin1Char('9')) : !c.isPrint())
            return QString();
    return width > 0 ? code.rightJustified(width, QLatin1Char(' ')) : code;
}

std::optional<Asset> Read(DbConnection& connection, const QString& code)
{
    const QString stored = StoredCode(connection, code);
    if (stored.isEmpty())
        return std::nullopt;
    return ReadLocked(connection, stored, false);
}

QString HighestCode(DbConnection& connection)
{
    // Numeric codes only, compared as numbers whatever their padding.
    qint64 highest = 0;
    QString code;
    QSqlQuery q = connection.select(QStringLiteral("SELECT \"DaraCod\" FROM ") + SqlIdent(kAssets));
    while (q.next()) {
        bool ok = false;
        const qint64 n = q.value(0).toString().trimmed().toLongLong(&ok);
        if (ok && n >= highest) {
            highest = n;
            code = q.value(0).toString();
        }
    }
    return code;
}

QString NextCode(DbConnection& connection)
{
    const QString next = QString::number(HighestCode(connection).trimmed().toLongLong() + 1);
    return StoredCode(connection, next).isEmpty() ? QString() : next;
}

QStringList VouchersOf(DbConnection& connection, const QString& code, int most)
{
    const QString stored = StoredCode(connection, code);
    QStringList found;
    if (stored.isEmpty())
        return found;
    for (const VoucherKind& kind : VoucherKinds()) {
        QStringList tables{kind.table};
        if (!kind.componentsTable.isEmpty())
            tables << kind.componentsTable;
        for (const QString& table : tables) {
            if (found.size() >= most)
                return found;
            QSqlQuery q = connection.select(
                QStringLiteral("SELECT DISTINCT \"SanadNoAmval\" FROM ") + SqlIdent(table) +
                    QStringLiteral(" WHERE \"DaraCod\" IN (?, ?) ORDER BY \"SanadNoAmval\""),
                {stored, stored.trimmed()});
            while (q.next() && found.size() < most) {
                const QString text =
                    kind.caption + QLatin1Char(' ') + q.value(0).toString().trimmed();
                if (!found.contains(text))
                    found << text;
            }
        }
    }
    return found;
}

Outcome Store(DbConnection& connection, int userId, const Asset& typed,
              const std::optional<Asset>& before)
{
    if (const Outcome checked = Check(connection, typed); !checked.refusal.isEmpty())
        return checked;
    Asset a = typed;
    a.code = StoredCode(connection, typed.code);
    a.name = typed.name.trimmed();
    // A method keeps only its own figure.
    if (a.method != kDeclining)
        a.rate = 0;
    if (a.method != kStraightLine)
        a.life = 0;
    if (a.method == kNoMethod)
        a.salvage = 0;

    Transaction transaction(connection);
    const QString word = before ? QStringLiteral("EDIT") : QStringLiteral("SABT");
    if (!UserAccounts::HasRight(connection, userId, kRightsPrefix, word))
        return Refused(before ? QStringLiteral("كاربر مجاز به ويرايش تعريف دارايي نيست "
                                               "(دسترسي ويرايش خريد/ساخت).")
                              : QStringLiteral("كاربر مجاز به تعريف دارايي جديد نيست "
                                               "(دسترسي ثبت خريد/ساخت)."),
                       Field::None);
    if (const Outcome listed = CheckListed(connection, a); !listed.refusal.isEmpty())
        return listed;
    const std::optional<Asset> stored = ReadLocked(connection, a.code, true);
    if (!before && stored)
        return Refused(QStringLiteral("دارايي با كد «%1» تعريف شده است.").arg(a.code.trimmed()),
                       Field::Code);
    if (before && !stored)
        return Refused(QStringLiteral("اين دارايي را كاربر ديگري حذف كرده است."), Field::None);
    if (before && !Same(*stored, *before))
        return Refused(QStringLiteral("اين دارايي را كاربر ديگري در اين فاصله تغيير داده است؛ "
                                      "آن را دوباره بخوانيد."),
                       Field::None);
    // A purchase takes an asset put into use on its day or later.
    if (const QString bought = FirstPurchase(connection, a.code); !bought.isEmpty()) {
        if (a.cost != 0)
            return Refused(QStringLiteral("اين دارايي سند خريد/ساخت دارد و بهاي تمام شده آن را "
                                          "سند خريد مي دهد؛ بهاي ثبت شده صفر مي ماند."),
                           Field::Cost);
        if (a.inUse < bought)
            return Refused(QStringLiteral("تاريخ بهره برداري پيش از تاريخ خريد/ساخت دارايي (%1) "
                                          "است.")
                               .arg(bought),
                           Field::InUse);
    }

    QStringList columns;
    QVariantList values;
    for (const Column& c : Columns()) {
        columns << SqlIdent(QLatin1String(c.stored));
        values << ValueOf(a, c);
        if (*c.opening) {
            columns << SqlIdent(QLatin1String(c.opening));
            values << ValueOf(a, c);
        }
    }
    if (before) {
        // The opening values change; the vouchers move the record from them again.
        QStringList sets;
        for (const QString& column : std::as_const(columns))
            sets << column + QStringLiteral(" = ?");
        values << a.code;
        connection.execute(QStringLiteral("UPDATE ") + SqlIdent(kAssets) + QStringLiteral(" SET ") +
                               sets.join(QStringLiteral(", ")) +
                               QStringLiteral(" WHERE \"DaraCod\" = ?"),
                           values);
        AssetRegister::Recompute(connection, {a.code});
    } else {
        // In use from its date, with no voucher yet: the record is its opening values.
        for (const char* text : {"DaraCod", "KenarDate", "FirstKenarDate", "BuyDate",
                                 "GarantiEnd", "Tafsily", "ProjectCod"}) {
            columns << SqlIdent(QLatin1String(text));
            values << (qstrcmp(text, "DaraCod") == 0 ? a.code : QStringLiteral(""));
        }
        for (const char* sum : {"AsaseChangeValue", "TadilValue", "ReduceValue"}) {
            columns << SqlIdent(QLatin1String(sum));
            values << 0.0;
        }
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        try {
            connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kAssets) +
                                   QStringLiteral(" (") + columns.join(QStringLiteral(", ")) +
                                   QStringLiteral(") VALUES (") +
                                   marks.join(QStringLiteral(", ")) + QLatin1Char(')'),
                               values);
        } catch (const DatabaseError& error) {
            // Another clerk's asset of the same code, stored since it was looked for.
            if (error.kind() != DatabaseError::Kind::DuplicateKey)
                throw;
            return Refused(QStringLiteral("دارايي با كد «%1» تعريف شده است.")
                               .arg(a.code.trimmed()),
                           Field::Code);
        }
    }
    transaction.commit();
    return {QString(), Field::None, a.code};
}

Outcome Remove(DbConnection& connection, int userId, const Asset& before)
{
    const QString code = StoredCode(connection, before.code);
    Transaction transaction(connection);
    if (!UserAccounts::HasRight(connection, userId, kRightsPrefix, QStringLiteral("DEL")))
        return Refused(QStringLiteral("كاربر مجاز به حذف تعريف دارايي نيست (دسترسي حذف "
                                      "خريد/ساخت)."),
                       Field::None);
    const std::optional<Asset> stored = ReadLocked(connection, code, true);
    if (!stored)
        return Refused(QStringLiteral("اين دارايي را كاربر ديگري حذف كرده است."), Field::None);
    if (!Same(*stored, before))
        return Refused(QStringLiteral("اين دارايي را كاربر ديگري در اين فاصله تغيير داده است؛ "
                                      "آن را دوباره بخوانيد."),
                       Field::None);
    if (const QStringList vouchers = VouchersOf(connection, code, 1); !vouchers.isEmpty())
        return Refused(QStringLiteral("دارايي در سند %1 آمده است و حذف نمي شود.")
                           .arg(vouchers.first()),
                       Field::Code);
    connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kAssets) +
                           QStringLiteral(" WHERE \"DaraCod\" IN (?, ?)"),
                       {code, code.trimmed()});
    transaction.commit();
    return {QString(), Field::None, code};
}

QList<Choice> Choices(DbConnection& connection, List list)
{
    const Look look = LookOf(list);
    // A person is named by first name and family.
    const QString name = list == List::Holder
                             ? QStringLiteral("trim(COALESCE(\"Name\", '') || ' ' || "
                                              "COALESCE(\"Family\", ''))")
                             : SqlIdent(QLatin1String(look.name));
    QList<Choice> out;
    QSqlQuery q = connection.select(QStringLiteral("SELECT ") +
                                    SqlIdent(QLatin1String(look.code)) + QStringLiteral(", ") +
                                    name + QStringLiteral(" FROM ") +
                                    SqlIdent(QLatin1String(look.table)) +
                                    QStringLiteral(" ORDER BY ") +
                                    SqlIdent(QLatin1String(look.code)));
    while (q.next())
        out.append({q.value(0).toString(), q.value(1).toString().trimmed()});
    return out;
}

QList<Choice> MoeinChoices(DbConnection& connection, const QString& koll)
{
    QList<Choice> out;
    QSqlQuery q = connection.select(QStringLiteral("SELECT \"Moein\", \"NamHesab\" FROM "
                                                   "\"Moein\" WHERE \"Koll\" = ? ORDER BY "
                                                   "\"Moein\""),
                                    {koll});
    while (q.next())
        out.append({q.value(0).toString(), q.value(1).toString().trimmed()});
    return out;
}

} // namespace AssetDefinitions
