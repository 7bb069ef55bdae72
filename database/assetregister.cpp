#include "assetregister.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>
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
const QString kAdjustment = QStringLiteral("D_FirstTadil");
const QString kMethodChange = QStringLiteral("D_SoulationChange");
const QString kReduction = QStringLiteral("D_DaraeReduce");
const QString kGroupChange = QStringLiteral("D_Change_VezArat");

// The useful-life unit the company types an improvement's increase and a method
// change's new life in; any other setting means months.
const QString kDaily = QStringLiteral("روزانه");

// What a voucher row does to the record; on one day in this order.
enum class Move {
    Adjustment = 1,
    Improvement,
    MethodChange,
    Reduction,
    Transfer,
    GroupChange,
    SetAside,
    SetAsideReturn,
    RetirementReturn
};

// One voucher row of an asset. `code` is the holder (transfer), the method (method
// change) or the new group (group change); `amount` the improvement's or the
// adjustment's amount, the value reduced, or the method change's rate; `extent` the
// improvement's life increase, the method change's new life (both in the company's
// unit) or the salvage value after a reduction.
struct Event
{
    QString date;
    Move move = Move::Transfer;
    QString number;
    int raj = 0;
    QString code;
    QString location;
    QString centre;
    double amount = 0;
    double extent = 0;
};

// The followed columns of one record.
struct State
{
    QString person;
    QString location;
    QString centre;
    QString outOfUseSince;
    QString method;
    QString taxGroup;
    double improvements = 0;
    double adjustments = 0;
    double reductions = 0;
    double life = 0;
    double rate = 0;
    double accumulated = 0;
    double salvage = 0;

    bool operator==(const State&) const = default;
};

// The followed columns as D_Amval names them, with the opening column ("First" +
// name) of those that have one; the sums start at 0 and have none.
struct TextColumn
{
    const char* name;
    QString State::*field;
};
struct NumberColumn
{
    const char* name;
    double State::*field;
    bool opening;
};
const TextColumn kTextColumns[] = {
    {"PersonelCod", &State::person}, {"MakanCod", &State::location},
    {"Tafsily2", &State::centre},    {"KenarDate", &State::outOfUseSince},
    {"RaveshEst", &State::method},   {"VezCod", &State::taxGroup},
};
const NumberColumn kNumberColumns[] = {
    {"AsaseChangeValue", &State::improvements, false},
    {"TadilValue", &State::adjustments, false},
    {"ReduceValue", &State::reductions, false},
    {"Salianeh", &State::life, true},
    {"Nozooli", &State::rate, true},
    {"Anbashteh", &State::accumulated, true},
    {"Esshat", &State::salvage, true},
};

QString Opening(const char* name)
{
    return QStringLiteral("First") + QString::fromLatin1(name);
}

struct Record
{
    State now;
    State opening;
    double registeredCost = 0; // EndValue
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
        case Move::Adjustment:
            s.adjustments += e.amount;
            break;
        case Move::Improvement:
            s.improvements += e.amount;
            s.life += e.extent / unitsPerYear;
            break;
        case Move::MethodChange:
            if (!e.code.trimmed().isEmpty())
                s.method = e.code;
            s.rate = e.amount;
            s.life = e.extent / unitsPerYear;
            break;
        case Move::Reduction: {
            // The accumulated depreciation of the part taken away goes with it: the
            // share of the cost the reduction takes, of the cost before it.
            const double cost =
                record.registeredCost + s.adjustments + s.improvements - s.reductions;
            if (cost > 0 && e.amount > 0)
                s.accumulated = std::round(s.accumulated * (1.0 - std::min(1.0, e.amount / cost)));
            s.reductions += e.amount;
            s.salvage = e.extent;
            break;
        }
        case Move::Transfer:
            if (!e.code.trimmed().isEmpty())
                s.person = e.code;
            place(e);
            break;
        case Move::GroupChange:
            if (!e.code.trimmed().isEmpty())
                s.taxGroup = e.code;
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

// "DaraCod", "EndValue", the followed columns, then their opening columns, in the
// order of kTextColumns and kNumberColumns.
QStringList RecordColumns()
{
    QStringList columns{QStringLiteral("DaraCod"), QStringLiteral("EndValue")};
    for (const TextColumn& c : kTextColumns)
        columns << QString::fromLatin1(c.name);
    for (const NumberColumn& c : kNumberColumns)
        columns << QString::fromLatin1(c.name);
    for (const TextColumn& c : kTextColumns)
        columns << Opening(c.name);
    for (const NumberColumn& c : kNumberColumns) {
        if (c.opening)
            columns << Opening(c.name);
    }
    return columns;
}

// The records of the register, those of `codes` (stored forms) only when given,
// locked for the caller's transaction when `lock`.
void ReadRecords(DbConnection& connection, QHash<QString, Record>& records,
                 const QStringList* codes, bool lock)
{
    const int width = CodeWidth(connection);
    QString sql = QStringLiteral("SELECT ") + Schema::ColumnList(RecordColumns()) +
                  QStringLiteral(" FROM ") + SqlIdent(kAssets);
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
        r.registeredCost = q.value(1).toDouble();
        int i = 2;
        for (const TextColumn& c : kTextColumns)
            r.now.*c.field = q.value(i++).toString();
        for (const NumberColumn& c : kNumberColumns)
            r.now.*c.field = q.value(i++).toDouble();
        // The opening values; the sums are counted from the vouchers alone.
        r.opening = r.now;
        for (const NumberColumn& c : kNumberColumns) {
            if (!c.opening)
                r.opening.*c.field = 0;
        }
        const auto missing = [&](int column) {
            const bool null = q.value(column).isNull();
            r.openingMissing = r.openingMissing || null;
            return null;
        };
        for (const TextColumn& c : kTextColumns) {
            if (!missing(i))
                r.opening.*c.field = q.value(i).toString();
            ++i;
        }
        for (const NumberColumn& c : kNumberColumns) {
            if (!c.opening)
                continue;
            if (!missing(i))
                r.opening.*c.field = q.value(i).toDouble();
            ++i;
        }
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
        // The event's date, code, location, cost centre, amount and extent.
        const char* columns;
    };
    const Source sources[] = {
        {kTransfer, Move::Transfer,
         "\"sDate\", \"PersonelCod\", \"MakanCod\", \"Tafsily2\", CAST(0 AS FLOAT), "
         "CAST(0 AS FLOAT)"},
        {kImprovement, Move::Improvement,
         "\"sDate\", '', '', '', \"sValue\", CAST(\"NewMesureValue\" AS FLOAT)"},
        {kSetAside, Move::SetAside,
         "\"sDate\", '', \"MakanCod\", \"Tafsily2\", CAST(0 AS FLOAT), CAST(0 AS FLOAT)"},
        {kSetAsideReturn, Move::SetAsideReturn,
         "\"sDate\", '', \"MakanCod\", \"Tafsily2\", CAST(0 AS FLOAT), CAST(0 AS FLOAT)"},
        {kRetirementReturn, Move::RetirementReturn,
         "\"sDate\", '', \"MakanCod\", \"Tafsily2\", CAST(0 AS FLOAT), CAST(0 AS FLOAT)"},
        {kAdjustment, Move::Adjustment, "\"sDate\", '', '', '', \"sValue\", CAST(0 AS FLOAT)"},
        // In force from its start date; a row without one, from its voucher's date.
        {kMethodChange, Move::MethodChange,
         "COALESCE(NULLIF(trim(\"StartDate\"), ''), \"sDate\"), \"RaveshEst\", '', '', "
         "\"FeeEst\", \"NewOmer\""},
        {kReduction, Move::Reduction, "\"sDate\", '', '', '', \"ArzeshReduce\", \"ArzeshAsgat\""},
        {kGroupChange, Move::GroupChange,
         "\"sDate\", \"NewVezCod\", '', '', CAST(0 AS FLOAT), CAST(0 AS FLOAT)"},
    };
    QVariantList forms;
    if (codes) {
        for (const QString& code : *codes)
            forms << code << code.trimmed();
    }
    QStringList parts;
    QVariantList values;
    for (const Source& s : sources) {
        QString part = QStringLiteral("SELECT \"DaraCod\", ") + QString::number(int(s.move)) +
                       QStringLiteral(", \"SanadNoAmval\", \"Raj\", ") +
                       QString::fromLatin1(s.columns) + QStringLiteral(" FROM ") +
                       SqlIdent(s.table);
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
        e.move = Move(q.value(1).toInt());
        e.number = q.value(2).toString();
        e.raj = q.value(3).toInt();
        e.date = q.value(4).toString();
        e.code = q.value(5).toString();
        e.location = q.value(6).toString();
        e.centre = q.value(7).toString();
        e.amount = q.value(8).toDouble();
        e.extent = q.value(9).toDouble();
        it->events.push_back(std::move(e));
    }
}

// On a server, past this many changed records they are written with a few statements
// through a temporary table instead of one statement each, a round trip each (a
// carry-forward of a whole period changes thousands; a saved voucher, a few). The
// embedded engine has no round trips: one prepared statement run per record is the
// quickest there.
constexpr qsizetype kBulkWriteFrom = 200;

// Writes the changed records through a temporary table: its rows inserted many at a
// time, then one UPDATE ... FROM. `rows` hold the values of `columns` then the code.
void WriteInBulk(DbConnection& connection, const QStringList& columns, const QList<bool>& numeric,
                 const QList<QVariantList>& rows)
{
    const Dialect& dialect = connection.dialect();
    const QString work = QStringLiteral("amval_register_rows");
    dialect.dropTempTable(work);
    QStringList definitions;
    QStringList names;
    for (int i = 0; i < columns.size(); ++i) {
        definitions << SqlIdent(columns.at(i)) +
                           (numeric.at(i) ? QStringLiteral(" FLOAT") : QStringLiteral(" TEXT"));
        names << SqlIdent(columns.at(i));
    }
    definitions << SqlIdent(kAssetColumn) + QStringLiteral(" TEXT");
    names << SqlIdent(kAssetColumn);
    connection.execute(dialect.createTempTable(work) + QLatin1Char('(') +
                       definitions.join(QStringLiteral(", ")) + QLatin1Char(')'));
    const QString row = QLatin1Char('(') + Marks(names.size()) + QLatin1Char(')');
    // A few thousand bound values a statement, well within both engines' limits.
    constexpr qsizetype kRowsPerInsert = 50;
    for (qsizetype from = 0; from < rows.size(); from += kRowsPerInsert) {
        const qsizetype count = std::min(kRowsPerInsert, rows.size() - from);
        QVariantList values;
        for (qsizetype r = from; r < from + count; ++r)
            values += rows.at(r);
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(work) + QStringLiteral(" (") +
                               names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES ") +
                               QStringList(count, row).join(QStringLiteral(", ")),
                           values);
    }
    QStringList set;
    for (const QString& column : columns)
        set << SqlIdent(column) + QStringLiteral(" = W.") + SqlIdent(column);
    connection.execute(QStringLiteral("UPDATE ") + SqlIdent(kAssets) + QStringLiteral(" SET ") +
                       set.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + SqlIdent(work) +
                       QStringLiteral(" AS W WHERE ") + SqlIdent(kAssets) + QLatin1Char('.') +
                       SqlIdent(kAssetColumn) + QStringLiteral(" = W.") + SqlIdent(kAssetColumn));
    dialect.dropTempTable(work);
}

// Folds each record's events over its opening values and writes the records whose
// followed columns changed, and those whose opening values were missing.
void WriteRecords(DbConnection& connection, QHash<QString, Record>& records)
{
    const double unitsPerYear = UnitsPerYear(connection);
    const QStringList columns = RecordColumns().mid(2);
    QList<QVariantList> changed;
    for (auto it = records.begin(); it != records.end(); ++it) {
        Record& r = it.value();
        std::sort(r.events.begin(), r.events.end(), EventBefore);
        const State s = Fold(r, unitsPerYear);
        if (s == r.now && !r.openingMissing)
            continue;
        QVariantList values;
        for (const TextColumn& c : kTextColumns)
            values << SqlText(s.*c.field);
        for (const NumberColumn& c : kNumberColumns)
            values << s.*c.field;
        for (const TextColumn& c : kTextColumns)
            values << SqlText(r.opening.*c.field);
        for (const NumberColumn& c : kNumberColumns) {
            if (c.opening)
                values << r.opening.*c.field;
        }
        values << it.key();
        changed << values;
    }
    if (connection.isServer() && changed.size() >= kBulkWriteFrom) {
        const auto texts = qsizetype(std::size(kTextColumns));
        QList<bool> numeric = QList<bool>(texts, false) +
                              QList<bool>(qsizetype(std::size(kNumberColumns)), true) +
                              QList<bool>(texts, false);
        for (const NumberColumn& c : kNumberColumns) {
            if (c.opening)
                numeric << true;
        }
        WriteInBulk(connection, columns, numeric, changed);
        return;
    }
    QStringList set;
    for (const QString& column : columns)
        set << SqlIdent(column) + QStringLiteral(" = ?");
    const QString sql = QStringLiteral("UPDATE ") + SqlIdent(kAssets) + QStringLiteral(" SET ") +
                        set.join(QStringLiteral(", ")) + QStringLiteral(" WHERE \"DaraCod\" = ?");
    std::unique_ptr<QSqlQuery> update;
    for (const QVariantList& values : changed) {
        if (!update) {
            update = std::make_unique<QSqlQuery>(connection.database());
            if (!connection.prepare(*update, sql))
                throw connection.error(update->lastError(), sql);
        }
        for (int i = 0; i < values.size(); ++i)
            update->bindValue(i, values.at(i));
        if (!connection.run(*update))
            throw connection.error(update->lastError(), sql);
    }
}

} // namespace

const QStringList& FollowedTables()
{
    static const QStringList tables{kImprovement,    kTransfer,         kSetAside,
                                    kSetAsideReturn, kRetirementReturn, kAdjustment,
                                    kMethodChange,   kReduction,        kGroupChange};
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
    QStringList set;
    QStringList missing;
    const auto add = [&](const char* name, const QString& empty) {
        const QString opening = SqlIdent(Opening(name));
        set << opening + QStringLiteral(" = COALESCE(") + opening + QStringLiteral(", ") +
                   SqlIdent(QString::fromLatin1(name)) + QStringLiteral(", ") + empty +
                   QLatin1Char(')');
        missing << opening + QStringLiteral(" IS NULL");
    };
    for (const TextColumn& c : kTextColumns)
        add(c.name, QStringLiteral("''"));
    for (const NumberColumn& c : kNumberColumns) {
        if (c.opening)
            add(c.name, QStringLiteral("0"));
    }
    connection.execute(QStringLiteral("UPDATE ") + SqlIdent(kAssets) + QStringLiteral(" SET ") +
                       set.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") +
                       missing.join(QStringLiteral(" OR ")));
}

} // namespace AssetRegister
