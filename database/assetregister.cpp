#include "assetregister.h"
#include "assetregister_p.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace AssetRegister {

namespace {

// The useful-life unit the company types an improvement's increase and a method
// change's new life in; any other setting means months.
const QString kDaily = QStringLiteral("روزانه");

} // namespace

namespace Internal {

QString Opening(const char* name)
{
    return QStringLiteral("First") + QString::fromLatin1(name);
}

const QString& MoveTable(Move move)
{
    switch (move) {
    case Move::Purchase:
        return kPurchase;
    case Move::Adjustment:
        return kAdjustment;
    case Move::Improvement:
        return kImprovement;
    case Move::MethodChange:
        return kMethodChange;
    case Move::Reduction:
        return kReduction;
    case Move::Transfer:
        return kTransfer;
    case Move::GroupChange:
        return kGroupChange;
    case Move::SetAside:
        return kSetAside;
    case Move::SetAsideReturn:
        return kSetAsideReturn;
    case Move::RetirementReturn:
        break;
    }
    return kRetirementReturn;
}

int DayOrder(Move move)
{
    static const auto orders = [] {
        std::array<int, size_t(Move::RetirementReturn) + 1> o{};
        for (int m = int(Move::Purchase); m <= int(Move::RetirementReturn); ++m) {
            const VoucherKind* kind = FindVoucherKindByTable(MoveTable(Move(m)));
            o[size_t(m)] = kind != nullptr ? kind->dayOrder : m;
        }
        return o;
    }();
    return orders[size_t(move)];
}

NumberOrder NumberOrder::Of(const QString& number)
{
    NumberOrder key;
    key.bare = number.trimmed();
    key.numeric = !key.bare.isEmpty() && key.bare.size() <= 18 &&
                  std::all_of(key.bare.cbegin(), key.bare.cend(), [](QChar c) {
                      return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                  });
    key.value = key.numeric ? key.bare.toLongLong() : 0;
    return key;
}

int CodeWidth(const DbConnection& connection)
{
    return connection.dialect().columnWidth(kAssets, kAssetColumn);
}

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

} // namespace Internal

using namespace Internal;

namespace {

// One voucher row of an asset. `code` is the holder (transfer), the method (method
// change) or the new group (group change); `amount` the purchase's cost price, the
// improvement's or the adjustment's amount, the value reduced, or the method change's
// rate; `extent` the improvement's life increase, the method change's new life (both
// in the company's unit) or the salvage value after a reduction.
struct Event
{
    QString date;
    Move move = Move::Transfer;
    // The voucher number's sort key, made once when the row is read.
    NumberOrder number;
    int raj = 0;
    QString code;
    QString location;
    QString centre;
    double amount = 0;
    double extent = 0;
    int dayOrder() const { return DayOrder(move); }
};

struct Record
{
    State now;
    State opening;
    double registeredCost = 0; // EndValue
    bool openingMissing = false;
    // The columns (RecordColumns() from the third on, one bit each) written whenever
    // the record is: a followed column stored as NULL or not in its column's own type
    // (it is written in that type), an opening column stored as NULL. The others are
    // written only when their value changes.
    quint32 rewrite = 0;
    std::vector<Event> events;
};

// Told of each event as it is applied: the state before and after it, and the cost
// price of the purchases up to it.
using Step =
    std::function<void(const Event& e, const State& before, const State& after, double bought)>;

State Fold(const Record& record, double unitsPerYear, const Step& step = {})
{
    State s = record.opening;
    // The cost price of the asset's purchases up to the event: part of its cost, kept
    // in no column of the record.
    double bought = 0;
    const auto place = [&s](const Event& e) {
        if (!e.location.trimmed().isEmpty())
            s.location = e.location;
        if (!e.centre.trimmed().isEmpty())
            s.centre = e.centre;
    };
    for (const Event& e : record.events) {
        const State before = step ? s : State();
        switch (e.move) {
        case Move::Purchase:
            bought += e.amount;
            break;
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
                record.registeredCost + bought + s.adjustments + s.improvements - s.reductions;
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
        if (step)
            step(e, before, s, bought);
    }
    return s;
}

QString StoredCode(int width, const QString& code)
{
    return width > 0 ? code.trimmed().rightJustified(width, QLatin1Char(' ')) : code.trimmed();
}

QString Marks(qsizetype count)
{
    return QStringList(int(count), QStringLiteral("?")).join(QStringLiteral(", "));
}

// The records of the register of `codes` (stored forms), locked for the caller's
// transaction when `lock`.
void ReadRecords(DbConnection& connection, QHash<QString, Record>& records,
                 const QStringList& codes, bool lock)
{
    QVariantList values;
    for (const QString& code : codes)
        values << code;
    const int width = CodeWidth(connection);
    QString sql = QStringLiteral("SELECT ") + Schema::ColumnList(RecordColumns()) +
                  QStringLiteral(" FROM ") + SqlIdent(kAssets) +
                  QStringLiteral(" WHERE \"DaraCod\" IN (") + Marks(codes.size()) +
                  QStringLiteral(") ORDER BY \"DaraCod\"");
    if (lock)
        sql += connection.dialect().rowLockClause();
    QSqlQuery q = connection.select(sql, values);
    while (q.next()) {
        Record r;
        r.registeredCost = q.value(1).toDouble();
        int i = 2;
        quint32 bit = 1;
        for (const TextColumn& c : kTextColumns) {
            const QVariant v = q.value(i++);
            if (v.isNull() || v.typeId() != QMetaType::QString)
                r.rewrite |= bit;
            r.now.*c.field = v.toString();
            bit <<= 1;
        }
        for (const NumberColumn& c : kNumberColumns) {
            const QVariant v = q.value(i++);
            if (v.isNull() || v.typeId() != QMetaType::Double)
                r.rewrite |= bit;
            r.now.*c.field = v.toDouble();
            bit <<= 1;
        }
        // The opening values; the sums are counted from the vouchers alone.
        r.opening = r.now;
        for (const NumberColumn& c : kNumberColumns) {
            if (!c.opening)
                r.opening.*c.field = 0;
        }
        const auto missing = [&](int column) {
            const bool null = q.value(column).isNull();
            r.openingMissing = r.openingMissing || null;
            if (null)
                r.rewrite |= quint32(1) << (column - 2);
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

// The rows of the followed tables of `codes` (both the stored and the bare form,
// each table's asset index), added to their records' events.
void ReadEvents(DbConnection& connection, QHash<QString, Record>& records, const QStringList& codes)
{
    // What a source column gives the event.
    enum class Part { Date, Code, Location, Centre, Amount, Extent };
    struct Column
    {
        Part part;
        const char* expression;
    };
    struct Source
    {
        const QString& table;
        Move move;
        std::vector<Column> columns;
    };
    const Column date{Part::Date, "\"sDate\""};
    const Column location{Part::Location, "\"MakanCod\""};
    const Column centre{Part::Centre, "\"Tafsily2\""};
    const Source sources[] = {
        {kTransfer, Move::Transfer, {date, {Part::Code, "\"PersonelCod\""}, location, centre}},
        {kImprovement,
         Move::Improvement,
         {date, {Part::Amount, "\"sValue\""}, {Part::Extent, "CAST(\"NewMesureValue\" AS FLOAT)"}}},
        {kSetAside, Move::SetAside, {date, location, centre}},
        {kSetAsideReturn, Move::SetAsideReturn, {date, location, centre}},
        {kRetirementReturn, Move::RetirementReturn, {date, location, centre}},
        {kAdjustment, Move::Adjustment, {date, {Part::Amount, "\"sValue\""}}},
        // In force from its start date; a row without one, from its voucher's date.
        {kMethodChange,
         Move::MethodChange,
         {{Part::Date, "COALESCE(NULLIF(trim(\"StartDate\"), ''), \"sDate\")"},
          {Part::Code, "\"RaveshEst\""},
          {Part::Amount, "\"FeeEst\""},
          {Part::Extent, "\"NewOmer\""}}},
        {kReduction,
         Move::Reduction,
         {date, {Part::Amount, "\"ArzeshReduce\""}, {Part::Extent, "\"ArzeshAsgat\""}}},
        {kGroupChange, Move::GroupChange, {date, {Part::Code, "\"NewVezCod\""}}},
        {kPurchase, Move::Purchase, {date, {Part::Amount, "\"EndFee\""}}},
    };
    QVariantList forms;
    for (const QString& code : codes)
        forms << code << code.trimmed();
    const int width = CodeWidth(connection);
    // The texts of the events are few and repeated (days, codes, the rows of one
    // voucher): each is held once, shared by the events that carry it. A whole
    // period's register read at once holds a million events.
    QSet<QString> texts;
    const auto shared = [&texts](const QString& text) {
        return text.isEmpty() ? QString() : *texts.insert(text);
    };
    // One read of each table, of the columns its rows move only.
    for (const Source& s : sources) {
        QString sql = QStringLiteral("SELECT \"DaraCod\", \"SanadNoAmval\", \"Raj\"");
        for (const Column& c : s.columns)
            sql += QStringLiteral(", ") + QString::fromLatin1(c.expression);
        sql += QStringLiteral(" FROM ") + SqlIdent(s.table);
        sql += QStringLiteral(" WHERE \"DaraCod\" IN (") + Marks(forms.size()) + QLatin1Char(')');
        QSqlQuery q = connection.select(sql, forms);
        // An asset's rows come one after the other where the index reads them: its
        // record is looked up once for them.
        QString lastCode;
        auto it = records.end();
        while (q.next()) {
            const QString code = q.value(0).toString();
            if (code != lastCode || lastCode.isNull()) {
                lastCode = code;
                it = records.find(StoredCode(width, code));
            }
            if (it == records.end())
                continue; // a voucher row of an asset the register does not hold or read
            Event e;
            e.move = s.move;
            e.number = NumberOrder::Of(q.value(1).toString());
            e.number.bare = shared(e.number.bare);
            e.raj = q.value(2).toInt();
            int i = 3;
            for (const Column& c : s.columns) {
                const QVariant v = q.value(i++);
                switch (c.part) {
                case Part::Date:
                    e.date = shared(v.toString());
                    break;
                case Part::Code:
                    e.code = shared(v.toString());
                    break;
                case Part::Location:
                    e.location = shared(v.toString());
                    break;
                case Part::Centre:
                    e.centre = shared(v.toString());
                    break;
                case Part::Amount:
                    e.amount = v.toDouble();
                    break;
                case Part::Extent:
                    e.extent = v.toDouble();
                    break;
                }
            }
            it->events.push_back(std::move(e));
        }
    }
}

// Past this many changed records they are written with a few statements through a
// temporary table instead of one statement each (a carry-forward of a whole period
// changes thousands; a saved voucher, a few). On a server each statement is a round
// trip; the embedded engine too spends less on one UPDATE ... FROM of ten thousand
// records than on ten thousand runs of a prepared UPDATE (measured on the carry-over
// of a whole period).
constexpr qsizetype kBulkWriteFrom = 200;
// From this many assets a recompute reads through a table of their codes rather than
// a hundred codes a statement.
constexpr qsizetype kCodesInTableFrom = 500;
// How many records a long recompute writes between two reports of its progress.
constexpr qsizetype kWritesPerStep = 1000;

// Writes the changed records through a temporary table: its rows inserted many at a
// time, then one UPDATE ... FROM. `rows` hold the values of `columns` then the code.
void WriteInBulk(DbConnection& connection, const QStringList& columns, const QList<bool>& numeric,
                 const QList<QVariantList>& rows,
                 const std::function<void(qsizetype done)>& progress)
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
        if (progress && from > 0 && from % kWritesPerStep == 0)
            progress(from);
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
// followed columns changed, and those whose opening values were missing. Of a record
// written, the columns whose stored value would stay as it is are left out (the row
// ends as if all were written).
void WriteRecords(DbConnection& connection, QHash<QString, Record>& records,
                  const std::function<void(qsizetype done)>& progress)
{
    const double unitsPerYear = UnitsPerYear(connection);
    const QStringList columns = RecordColumns().mid(2);
    struct Change
    {
        quint32 columns;
        QVariantList values; // of every column, then the code
    };
    std::vector<Change> changed;
    quint32 anyColumn = 0;
    for (auto it = records.begin(); it != records.end(); ++it) {
        Record& r = it.value();
        std::sort(r.events.begin(), r.events.end(), AppliesBefore<Event>);
        const State s = Fold(r, unitsPerYear);
        // Folded, the record's events are not needed again: their memory goes to the
        // changes (a whole period holds a million events).
        std::vector<Event>().swap(r.events);
        if (s == r.now && !r.openingMissing)
            continue;
        Change c{r.rewrite, {}};
        c.values.reserve(columns.size() + 1);
        quint32 bit = 1;
        for (const TextColumn& t : kTextColumns) {
            if (s.*t.field != r.now.*t.field)
                c.columns |= bit;
            c.values << SqlText(s.*t.field);
            bit <<= 1;
        }
        for (const NumberColumn& n : kNumberColumns) {
            if (s.*n.field != r.now.*n.field)
                c.columns |= bit;
            c.values << s.*n.field;
            bit <<= 1;
        }
        for (const TextColumn& t : kTextColumns)
            c.values << SqlText(r.opening.*t.field);
        for (const NumberColumn& n : kNumberColumns) {
            if (n.opening)
                c.values << r.opening.*n.field;
        }
        c.values << it.key();
        anyColumn |= c.columns;
        changed.push_back(std::move(c));
    }
    if (changed.empty())
        return;
    const auto picked = [&](quint32 mask, const QVariantList& values) {
        QVariantList out;
        for (int i = 0; i < columns.size(); ++i) {
            if (mask & (quint32(1) << i))
                out << values.at(i);
        }
        out << values.last();
        return out;
    };
    if (qsizetype(changed.size()) >= kBulkWriteFrom) {
        // Every record with the columns any of them changes: a column a record does
        // not change is written with the value it holds.
        const auto texts = qsizetype(std::size(kTextColumns));
        QList<bool> numeric = QList<bool>(texts, false) +
                              QList<bool>(qsizetype(std::size(kNumberColumns)), true) +
                              QList<bool>(texts, false);
        for (const NumberColumn& c : kNumberColumns) {
            if (c.opening)
                numeric << true;
        }
        QStringList names;
        QList<bool> kinds;
        for (int i = 0; i < columns.size(); ++i) {
            if (anyColumn & (quint32(1) << i)) {
                names << columns.at(i);
                kinds << numeric.at(i);
            }
        }
        QList<QVariantList> rows;
        rows.reserve(qsizetype(changed.size()));
        for (Change& c : changed) {
            rows << picked(anyColumn, c.values);
            c.values = QVariantList();
        }
        WriteInBulk(connection, names, kinds, rows, progress);
        return;
    }
    // One statement per set of columns written, kept prepared by the connection.
    QHash<quint32, QString> statements;
    qsizetype written = 0;
    for (const Change& c : changed) {
        if (progress && ++written % kWritesPerStep == 0)
            progress(written);
        QString& sql = statements[c.columns];
        if (sql.isEmpty()) {
            QStringList set;
            for (int i = 0; i < columns.size(); ++i) {
                if (c.columns & (quint32(1) << i))
                    set << SqlIdent(columns.at(i)) + QStringLiteral(" = ?");
            }
            sql = QStringLiteral("UPDATE ") + SqlIdent(kAssets) + QStringLiteral(" SET ") +
                  set.join(QStringLiteral(", ")) + QStringLiteral(" WHERE \"DaraCod\" = ?");
        }
        connection.execute(sql, picked(c.columns, c.values));
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

bool Costs(const QString& voucherTable)
{
    return voucherTable.trimmed().compare(kPurchase, Qt::CaseInsensitive) == 0;
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

void Recompute(DbConnection& connection, const QStringList& assetCodes, const Progress& progress,
               const QString& moved)
{
    // Many assets (a carry-forward's) by the engine's statements over all of them;
    // a save's few, folded here.
    qsizetype count = 0;
    for (const QString& code : assetCodes)
        count += code.trimmed().isEmpty() ? 0 : 1;
    RecomputeBy(count >= kCodesInTableFrom ? Way::Statements : Way::Fold, connection, assetCodes,
                progress, moved);
}

void RecomputeBy(Way way, DbConnection& connection, const QStringList& assetCodes,
                 const Progress& progress, const QString& moved)
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
    if (way == Way::Statements) {
        // The codes go into a table of their own; the records (locked) and each
        // followed table are read joined with it, by the engine.
        FillCodes(connection, codes);
        RecomputeCodesInTable(connection, codes.size(), progress, moved);
        return;
    }
    const auto step = [&](qsizetype done) {
        if (progress)
            progress(done, codes.size());
    };
    // A few hundred bound values a statement, well within both engines' limits.
    constexpr qsizetype kChunk = 100;
    for (qsizetype from = 0; from < codes.size(); from += kChunk) {
        const QStringList chunk = codes.mid(from, kChunk);
        QHash<QString, Record> records;
        ReadRecords(connection, records, chunk, true);
        if (!records.isEmpty()) {
            ReadEvents(connection, records, chunk);
            WriteRecords(connection, records, {});
        }
        step(std::min(from + kChunk, codes.size()));
    }
}

// A reduction is the one voucher whose effect on the record the cost decides. The
// records are read (locked, where the engine locks by row) and only those a
// reduction moved go through the recompute.
void RecomputeReduced(DbConnection& connection, const QStringList& assetCodes, const QString& table)
{
    const int width = CodeWidth(connection);
    QStringList codes;
    for (const QString& code : assetCodes) {
        if (!code.trimmed().isEmpty())
            codes << StoredCode(width, code);
    }
    codes.removeDuplicates();
    codes.sort();
    // Every record read is locked, however many: a reduction of one of them saved by
    // another clerk and not yet committed holds its record, and this save waits for it
    // and then reads its value reduced (had the record been read without the lock, the
    // reduction's recompute would read the cost price without this save's purchase and
    // this save would not recompute the record, leaving it stale).
    const QString lock = connection.dialect().rowLockClause();
    QStringList reduced;
    const auto read = [&](const QString& where, const QVariantList& values) {
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT \"DaraCod\", \"ReduceValue\" FROM ") + SqlIdent(kAssets) +
                QStringLiteral(" WHERE ") + where + QStringLiteral(" ORDER BY \"DaraCod\"") + lock,
            values);
        while (q.next()) {
            if (q.value(1).toDouble() != 0)
                reduced << q.value(0).toString();
        }
    };
    if (!table.isEmpty()) {
        const QString code =
            StoredCodeSql(connection, QStringLiteral("T.") + SqlIdent(kAssetColumn));
        read(QStringLiteral("\"DaraCod\" IN (SELECT ") + code + QStringLiteral(" FROM ") +
                 SqlIdent(table) + QStringLiteral(" AS T)"),
             {});
    }
    if (codes.size() >= kCodesInTableFrom) {
        // Many (a carry-over's): read joined with a table of their codes.
        FillCodes(connection, codes);
        read(QStringLiteral("\"DaraCod\" IN (SELECT \"DaraCod\" FROM ") + SqlIdent(kCodesTable) +
                 QLatin1Char(')'),
             {});
        connection.dialect().dropTempTable(kCodesTable);
    } else {
        constexpr qsizetype kChunk = 100;
        for (qsizetype from = 0; from < codes.size(); from += kChunk) {
            const QStringList chunk = codes.mid(from, kChunk);
            read(QStringLiteral("\"DaraCod\" IN (") + Marks(chunk.size()) + QLatin1Char(')'),
                 QVariantList(chunk.cbegin(), chunk.cend()));
        }
    }
    reduced.removeDuplicates();
    Recompute(connection, reduced, {}, kPurchase);
}

void RecomputeListed(DbConnection& connection, const Progress& progress, const QString& moved,
                     std::optional<Way> way)
{
    const Dialect& dialect = connection.dialect();
    const QString stored = StoredCodeSql(connection, QStringLiteral("\"DaraCod\""));
    // A purchase's rows make a difference to the records a reduction moved only.
    if (Costs(moved))
        connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kCodesTable) +
                           QStringLiteral(" WHERE ") + stored +
                           QStringLiteral(" NOT IN (SELECT \"DaraCod\" FROM ") + SqlIdent(kAssets) +
                           QStringLiteral(" WHERE \"ReduceValue\" <> 0)"));
    const qsizetype count = ListedCount(connection);
    if (way.value_or(count >= kCodesInTableFrom ? Way::Statements : Way::Fold) == Way::Statements) {
        RecomputeCodesInTable(connection, count, progress, moved);
        return;
    }
    QStringList codes;
    {
        QSqlQuery q =
            connection.select(QStringLiteral("SELECT \"DaraCod\" FROM ") + SqlIdent(kCodesTable));
        while (q.next())
            codes << q.value(0).toString();
    }
    dialect.dropTempTable(kCodesTable);
    RecomputeBy(Way::Fold, connection, codes, progress, moved);
}

void RecomputeAll(DbConnection& connection)
{
    RecomputeByStatements(connection, true, QString(), {});
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

namespace {

QString FigureText(double value)
{
    QString text = QString::number(value, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

} // namespace

AssetHistory History(DbConnection& connection, const QString& assetCode)
{
    AssetHistory history;
    const QString code = StoredCode(CodeWidth(connection), assetCode);
    QHash<QString, Record> records;
    ReadRecords(connection, records, {code}, false);
    const auto it = records.find(code);
    if (it == records.end())
        return history;
    ReadEvents(connection, records, {code});
    Record& r = it.value();
    std::sort(r.events.begin(), r.events.end(), AppliesBefore<Event>);
    history.found = true;
    const auto cost = [&r](const State& s, double bought) {
        return r.registeredCost + bought + s.adjustments + s.improvements - s.reductions;
    };
    history.openingCost = cost(r.opening, 0);
    history.openingAccumulated = r.opening.accumulated;
    Fold(r, UnitsPerYear(connection),
         [&](const Event& e, const State& before, const State& after, double bought) {
             AppliedRow row{MoveTable(e.move),   e.number.bare,    e.date, e.raj, {},
                            cost(after, bought), after.accumulated};
             for (const TextColumn& c : kTextColumns) {
                 if (before.*c.field != after.*c.field)
                     row.moved << QStringList{QString::fromLatin1(c.name), before.*c.field,
                                              after.*c.field};
             }
             for (const NumberColumn& c : kNumberColumns) {
                 if (before.*c.field != after.*c.field)
                     row.moved << QStringList{QString::fromLatin1(c.name),
                                              FigureText(before.*c.field),
                                              FigureText(after.*c.field)};
             }
             history.rows << std::move(row);
         });
    return history;
}

} // namespace AssetRegister
