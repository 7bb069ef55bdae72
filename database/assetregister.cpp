#include "assetregister.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <memory>
#include <vector>

namespace AssetRegister {

namespace {

const QString kAssets = QStringLiteral("D_Amval");
const QString kAssetColumn = QStringLiteral("DaraCod");
const QString kImprovement = QStringLiteral("D_AsaseChange");
const QString kTransfer = QStringLiteral("D_Tahvil_Antegal");
const QString kSetAside = QStringLiteral("D_KenarM");
const QString kSetAsideReturn = QStringLiteral("D_BarKenarM");
const QString kRetirementReturn = QStringLiteral("D_BarKenarD");

// The useful-life unit the company types an improvement's increase in; any other
// setting means months.
const QString kDaily = QStringLiteral("روزانه");

// What a voucher row does to the record; on one day in this order.
enum class Move { Improvement = 1, Transfer, SetAside, SetAsideReturn, RetirementReturn };

struct Event
{
    QString date;
    Move move = Move::Transfer;
    QString number;
    int raj = 0;
    QString person;
    QString location;
    QString centre;
    double amount = 0;
    double increase = 0;
};

// The followed columns of one record.
struct State
{
    QString person;
    QString location;
    QString centre;
    QString outOfUseSince;
    double improvements = 0;
    double life = 0;

    bool operator==(const State&) const = default;
};

struct Record
{
    State now;
    State opening;
    bool openingMissing = false;
    std::vector<Event> events;
};

// Voucher numbers are compared as numbers where both are, whatever their padding.
bool NumberBefore(const QString& a, const QString& b)
{
    bool okA = false;
    bool okB = false;
    const qlonglong x = a.trimmed().toLongLong(&okA);
    const qlonglong y = b.trimmed().toLongLong(&okB);
    if (okA && okB)
        return x < y;
    return a.trimmed() < b.trimmed();
}

bool EventBefore(const Event& a, const Event& b)
{
    if (a.date != b.date)
        return a.date < b.date;
    if (a.move != b.move)
        return a.move < b.move;
    if (a.number.trimmed() != b.number.trimmed())
        return NumberBefore(a.number, b.number);
    return a.raj < b.raj;
}

State Fold(const Record& record, double unitsPerYear)
{
    State s = record.opening;
    const auto place = [&s](const Event& e) {
        if (!e.location.trimmed().isEmpty())
            s.location = e.location;
        if (!e.centre.trimmed().isEmpty())
            s.centre = e.centre;
    };
    for (const Event& e : record.events) {
        switch (e.move) {
        case Move::Improvement:
            s.improvements += e.amount;
            s.life += e.increase / unitsPerYear;
            break;
        case Move::Transfer:
            if (!e.person.trimmed().isEmpty())
                s.person = e.person;
            place(e);
            break;
        case Move::SetAside:
            s.outOfUseSince = e.date;
            place(e);
            break;
        case Move::SetAsideReturn:
        case Move::RetirementReturn:
            s.outOfUseSince.clear();
            place(e);
            break;
        }
    }
    return s;
}

// The asset code's width, read once per recompute (the catalogue is asked each time).
int CodeWidth(const DbConnection& connection)
{
    return connection.dialect().columnWidth(kAssets, kAssetColumn);
}

QString StoredCode(int width, const QString& code)
{
    return width > 0 ? code.trimmed().rightJustified(width, QLatin1Char(' ')) : code.trimmed();
}

QString Marks(qsizetype count)
{
    return QStringList(int(count), QStringLiteral("?")).join(QStringLiteral(", "));
}

// How many units of the company's useful-life setting make a year.
double UnitsPerYear(DbConnection& connection)
{
    QSqlQuery q = connection.select(QStringLiteral("SELECT \"Dara\" FROM \"Options\""));
    while (q.next()) {
        const QStringList settings = q.value(0).toString().split(QLatin1Char(';'));
        for (const QString& setting : settings) {
            const qsizetype equals = setting.indexOf(QLatin1Char('='));
            if (equals < 0 || setting.left(equals).trimmed().compare(QLatin1String("Ast_Mesure"),
                                                                     Qt::CaseInsensitive) != 0)
                continue;
            return setting.mid(equals + 1).trimmed() == kDaily ? 365.0 : 12.0;
        }
    }
    return 12.0;
}

const QString kRecordColumns =
    QStringLiteral("\"DaraCod\", \"PersonelCod\", \"MakanCod\", \"Tafsily2\", \"KenarDate\", "
                   "\"AsaseChangeValue\", \"Salianeh\", \"FirstPersonelCod\", \"FirstMakanCod\", "
                   "\"FirstTafsily2\", \"FirstKenarDate\", \"FirstSalianeh\"");

// The records of the register, those of `codes` (stored forms) only when given,
// locked for the caller's transaction when `lock`.
void ReadRecords(DbConnection& connection, QHash<QString, Record>& records,
                 const QStringList* codes, bool lock)
{
    const int width = CodeWidth(connection);
    QString sql =
        QStringLiteral("SELECT ") + kRecordColumns + QStringLiteral(" FROM ") + SqlIdent(kAssets);
    QVariantList values;
    if (codes) {
        sql += QStringLiteral(" WHERE \"DaraCod\" IN (") + Marks(codes->size()) +
               QStringLiteral(") ORDER BY \"DaraCod\"");
        for (const QString& code : *codes)
            values << code;
    }
    if (lock)
        sql += connection.dialect().rowLockClause();
    QSqlQuery q = connection.select(sql, values);
    while (q.next()) {
        Record r;
        r.now = {q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                 q.value(4).toString(), q.value(5).toDouble(), q.value(6).toDouble()};
        r.opening = r.now;
        r.opening.improvements = 0; // counted from the vouchers alone
        const auto opening = [&](int column, auto& field, auto convert) {
            if (q.value(column).isNull())
                r.openingMissing = true;
            else
                field = convert(q.value(column));
        };
        const auto text = [](const QVariant& v) { return v.toString(); };
        const auto number = [](const QVariant& v) { return v.toDouble(); };
        opening(7, r.opening.person, text);
        opening(8, r.opening.location, text);
        opening(9, r.opening.centre, text);
        opening(10, r.opening.outOfUseSince, text);
        opening(11, r.opening.life, number);
        records.insert(StoredCode(width, q.value(0).toString()), r);
    }
}

// The rows of the followed tables, of `codes` (both the stored and the bare form,
// each table's asset index) only when given, added to their records' events.
void ReadEvents(DbConnection& connection, QHash<QString, Record>& records, const QStringList* codes)
{
    struct Source
    {
        const QString& table;
        Move move;
        const char* columns;
    };
    const Source sources[] = {
        {kTransfer, Move::Transfer,
         "\"PersonelCod\", \"MakanCod\", \"Tafsily2\", CAST(0 AS FLOAT), CAST(0 AS FLOAT)"},
        {kImprovement, Move::Improvement,
         "'', '', '', \"sValue\", CAST(\"NewMesureValue\" AS FLOAT)"},
        {kSetAside, Move::SetAside,
         "'', \"MakanCod\", \"Tafsily2\", CAST(0 AS FLOAT), CAST(0 AS FLOAT)"},
        {kSetAsideReturn, Move::SetAsideReturn,
         "'', \"MakanCod\", \"Tafsily2\", CAST(0 AS FLOAT), CAST(0 AS FLOAT)"},
        {kRetirementReturn, Move::RetirementReturn,
         "'', \"MakanCod\", \"Tafsily2\", CAST(0 AS FLOAT), CAST(0 AS FLOAT)"},
    };
    QVariantList forms;
    if (codes) {
        for (const QString& code : *codes)
            forms << code << code.trimmed();
    }
    QStringList parts;
    QVariantList values;
    for (const Source& s : sources) {
        QString part =
            QStringLiteral("SELECT \"DaraCod\", \"sDate\", ") + QString::number(int(s.move)) +
            QStringLiteral(", \"SanadNoAmval\", \"Raj\", ") + QString::fromLatin1(s.columns) +
            QStringLiteral(" FROM ") + SqlIdent(s.table);
        if (codes) {
            part +=
                QStringLiteral(" WHERE \"DaraCod\" IN (") + Marks(forms.size()) + QLatin1Char(')');
            values += forms;
        }
        parts << part;
    }
    const int width = CodeWidth(connection);
    QSqlQuery q = connection.select(parts.join(QStringLiteral(" UNION ALL ")), values);
    while (q.next()) {
        const auto it = records.find(StoredCode(width, q.value(0).toString()));
        if (it == records.end())
            continue; // a voucher row of an asset the register does not hold
        Event e;
        e.date = q.value(1).toString();
        e.move = Move(q.value(2).toInt());
        e.number = q.value(3).toString();
        e.raj = q.value(4).toInt();
        e.person = q.value(5).toString();
        e.location = q.value(6).toString();
        e.centre = q.value(7).toString();
        e.amount = q.value(8).toDouble();
        e.increase = q.value(9).toDouble();
        it->events.push_back(std::move(e));
    }
}

// Folds each record's events over its opening values and writes the records whose
// followed columns changed, and those whose opening values were missing.
void WriteRecords(DbConnection& connection, QHash<QString, Record>& records)
{
    const double unitsPerYear = UnitsPerYear(connection);
    const QString sql =
        QStringLiteral("UPDATE ") + SqlIdent(kAssets) +
        QStringLiteral(" SET \"PersonelCod\" = ?, \"MakanCod\" = ?, \"Tafsily2\" = ?, "
                       "\"KenarDate\" = ?, \"AsaseChangeValue\" = ?, \"Salianeh\" = ?, "
                       "\"FirstPersonelCod\" = ?, \"FirstMakanCod\" = ?, \"FirstTafsily2\" = ?, "
                       "\"FirstKenarDate\" = ?, \"FirstSalianeh\" = ? WHERE \"DaraCod\" = ?");
    std::unique_ptr<QSqlQuery> update;
    for (auto it = records.begin(); it != records.end(); ++it) {
        Record& r = it.value();
        std::sort(r.events.begin(), r.events.end(), EventBefore);
        const State s = Fold(r, unitsPerYear);
        if (s == r.now && !r.openingMissing)
            continue;
        if (!update) {
            update = std::make_unique<QSqlQuery>(connection.database());
            if (!connection.prepare(*update, sql))
                throw connection.error(update->lastError(), sql);
        }
        const QVariantList values{SqlText(s.person),
                                  SqlText(s.location),
                                  SqlText(s.centre),
                                  SqlText(s.outOfUseSince),
                                  s.improvements,
                                  s.life,
                                  SqlText(r.opening.person),
                                  SqlText(r.opening.location),
                                  SqlText(r.opening.centre),
                                  SqlText(r.opening.outOfUseSince),
                                  r.opening.life,
                                  it.key()};
        for (int i = 0; i < values.size(); ++i)
            update->bindValue(i, values.at(i));
        if (!connection.run(*update))
            throw connection.error(update->lastError(), sql);
    }
}

} // namespace

const QStringList& FollowedTables()
{
    static const QStringList tables{kImprovement, kTransfer, kSetAside, kSetAsideReturn,
                                    kRetirementReturn};
    return tables;
}

bool Follows(const QString& voucherTable)
{
    return FollowedTables().contains(voucherTable.trimmed(), Qt::CaseInsensitive);
}

QStringList AssetsOfVoucher(DbConnection& connection, const QString& table,
                            const QString& storedNumber)
{
    QStringList codes;
    QSqlQuery q =
        connection.select(QStringLiteral("SELECT DISTINCT \"DaraCod\" FROM ") + SqlIdent(table) +
                              QStringLiteral(" WHERE \"SanadNoAmval\" IN (?, ?)"),
                          {SqlText(storedNumber), SqlText(storedNumber.trimmed())});
    while (q.next())
        codes << q.value(0).toString();
    return codes;
}

void Recompute(DbConnection& connection, const QStringList& assetCodes)
{
    QStringList codes;
    const int width = CodeWidth(connection);
    for (const QString& code : assetCodes) {
        if (!code.trimmed().isEmpty())
            codes << StoredCode(width, code);
    }
    codes.removeDuplicates();
    // In code order, so that two saves lock the records they share in the same order.
    codes.sort();
    // A few hundred bound values a statement, well within both engines' limits.
    constexpr qsizetype kChunk = 100;
    for (qsizetype from = 0; from < codes.size(); from += kChunk) {
        const QStringList chunk = codes.mid(from, kChunk);
        QHash<QString, Record> records;
        ReadRecords(connection, records, &chunk, true);
        if (records.isEmpty())
            continue;
        ReadEvents(connection, records, &chunk);
        WriteRecords(connection, records);
    }
}

void RecomputeAll(DbConnection& connection)
{
    QHash<QString, Record> records;
    ReadRecords(connection, records, nullptr, false);
    ReadEvents(connection, records, nullptr);
    WriteRecords(connection, records);
}

void FillOpeningValues(DbConnection& connection)
{
    connection.execute(
        QStringLiteral("UPDATE ") + SqlIdent(kAssets) +
        QStringLiteral(
            " SET \"FirstPersonelCod\" = COALESCE(\"FirstPersonelCod\", \"PersonelCod\", ''), "
            "\"FirstMakanCod\" = COALESCE(\"FirstMakanCod\", \"MakanCod\", ''), "
            "\"FirstTafsily2\" = COALESCE(\"FirstTafsily2\", \"Tafsily2\", ''), "
            "\"FirstKenarDate\" = COALESCE(\"FirstKenarDate\", \"KenarDate\", ''), "
            "\"FirstSalianeh\" = COALESCE(\"FirstSalianeh\", \"Salianeh\", 0) "
            "WHERE \"FirstPersonelCod\" IS NULL OR \"FirstMakanCod\" IS NULL OR "
            "\"FirstTafsily2\" IS NULL OR \"FirstKenarDate\" IS NULL OR "
            "\"FirstSalianeh\" IS NULL"));
}

} // namespace AssetRegister
