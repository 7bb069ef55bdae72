#include "assetregister.h"
#include "assetregister_p.h"

#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

// The recompute of many records by a few statements the engine runs over all of them
// at once (a carry-forward's, RecomputeAll's): the same fold as assetregister.cpp's, row
// for row.
// Here too the register's other statements: the locks of a save's records, the list of
// a carry-over's codes, and the held assets' condition and cost that reports read.

namespace AssetRegister::Internal {

namespace {

// What the two engines spell differently in the recompute's statements.
struct EngineSql
{
    bool server = false;

    // A text ordered by its characters' codes, as the fold compares texts (the
    // server's collation may order otherwise).
    QString ordered(const QString& text) const
    {
        return server ? text + QStringLiteral(" COLLATE ucs_basic") : text;
    }
    // Whether `text` (trimmed already) is a voucher number the fold compares as a
    // number: 1 to 18 digits. The server strips the digits rather than matching a
    // pattern: a third of the time, over millions of events.
    QString digits(const QString& text) const
    {
        return server ? QStringLiteral("(%1 <> '' AND length(%1) <= 18 AND "
                                       "ltrim(%1, '0123456789') = '')")
                            .arg(text)
                      : QStringLiteral("(%1 <> '' AND length(%1) <= 18 AND %1 NOT GLOB "
                                       "'*[^0-9]*')")
                            .arg(text);
    }
    // The sum of `x` in the order of `order`: the embedded engine sums the rows as its
    // index hands them over, in order; the server is told.
    QString orderedSum(const QString& x, const QString& order) const
    {
        return server ? QStringLiteral("SUM(%1 ORDER BY %2)").arg(x, order)
                      : QStringLiteral("SUM(%1)").arg(x);
    }
    QString integer(const QString& text) const
    {
        return QStringLiteral("CAST(%1 AS %2)")
            .arg(text, server ? QStringLiteral("BIGINT") : QStringLiteral("INTEGER"));
    }
    // `x` rounded half away from zero, as std::round: neither engine's round() of a
    // double does that (the server's rounds halves to even, the embedded one adds a
    // half first), so the whole part is taken and the rest compared with a half.
    QString rounded(const QString& x) const
    {
        const QString whole = server ? QStringLiteral("trunc(%1)").arg(x)
                                     : QStringLiteral("CAST(%1 AS INTEGER)").arg(x);
        return QStringLiteral("(CASE WHEN %1 >= 0 THEN %2 + CASE WHEN %1 - %2 >= 0.5 THEN 1 ELSE 0 "
                              "END ELSE %2 - CASE WHEN %2 - %1 >= 0.5 THEN 1 ELSE 0 END END)")
            .arg(x, whole);
    }
};

// The work tables of the recompute by statements: each asset's events in order with
// the sums run up to them, its reductions, the accumulated depreciation they leave,
// and the followed columns as they come out.
const QString kEventsTable = QStringLiteral("amval_register_events");
const QString kReductionsTable = QStringLiteral("amval_register_reductions");
const QString kDepreciationTable = QStringLiteral("amval_register_depreciation");
const QString kValuesTable = QStringLiteral("amval_register_values");
// The accumulated depreciation: of a record no reduction moved, its opening value.
const QString kDepreciationColumn = QStringLiteral("Anbashteh");

quint32 Bit(Move move)
{
    return quint32(1) << int(move);
}

// The moves each followed column follows (the accumulated depreciation: the
// reductions and what makes the cost before each).
quint32 ColumnFollows(const QString& column)
{
    const quint32 places = Bit(Move::Transfer) | Bit(Move::SetAside) | Bit(Move::SetAsideReturn) |
                           Bit(Move::RetirementReturn);
    static const QHash<QString, quint32> follows{
        {QStringLiteral("PersonelCod"), Bit(Move::Transfer)},
        {QStringLiteral("MakanCod"), places},
        {QStringLiteral("Tafsily2"), places},
        {QStringLiteral("KenarDate"), places & ~Bit(Move::Transfer)},
        {QStringLiteral("RaveshEst"), Bit(Move::MethodChange)},
        {QStringLiteral("VezCod"), Bit(Move::GroupChange)},
        {QStringLiteral("AsaseChangeValue"), Bit(Move::Improvement)},
        {QStringLiteral("TadilValue"), Bit(Move::Adjustment)},
        {QStringLiteral("ReduceValue"), Bit(Move::Reduction)},
        {QStringLiteral("Salianeh"), Bit(Move::MethodChange) | Bit(Move::Improvement)},
        {QStringLiteral("Nozooli"), Bit(Move::MethodChange)},
        {QStringLiteral("Anbashteh"), Bit(Move::Reduction) | Bit(Move::Purchase) |
                                          Bit(Move::Adjustment) | Bit(Move::Improvement)},
        {QStringLiteral("Esshat"), Bit(Move::Reduction)},
    };
    return follows.value(column);
}

// The move of a voucher table's rows; 0 for a table the register does not read.
quint32 MovesOf(const QString& table)
{
    for (int m = int(Move::Purchase); m <= int(Move::RetirementReturn); ++m) {
        if (MoveTable(Move(m)).compare(table.trimmed(), Qt::CaseInsensitive) == 0)
            return Bit(Move(m));
    }
    return 0;
}

} // namespace

QString StoredCodeSql(const DbConnection& connection, const QString& column)
{
    const int width = CodeWidth(connection);
    const QString bare = QStringLiteral("trim(") + column + QLatin1Char(')');
    return width > 0 ? connection.dialect().padLeftExpression(bare, width) : bare;
}

// Puts `codes` (stored forms), each in its stored and its bare form, into
// kCodesTable, made anew.
void FillCodes(DbConnection& connection, const QStringList& codes)
{
    const Dialect& dialect = connection.dialect();
    dialect.dropTempTable(kCodesTable);
    connection.execute(dialect.createTempTable(kCodesTable) +
                       QStringLiteral("(\"DaraCod\" TEXT PRIMARY KEY)"));
    QStringList forms;
    forms.reserve(codes.size() * 2);
    for (const QString& code : codes) {
        forms << code;
        if (code.trimmed() != code)
            forms << code.trimmed();
    }
    forms.removeDuplicates();
    constexpr qsizetype kRowsPerInsert = 200;
    for (qsizetype from = 0; from < forms.size(); from += kRowsPerInsert) {
        const qsizetype count = std::min(kRowsPerInsert, forms.size() - from);
        QVariantList values;
        for (qsizetype i = from; i < from + count; ++i)
            values << forms.at(i);
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kCodesTable) +
                               QStringLiteral(" (\"DaraCod\") VALUES ") +
                               QStringList(count, QStringLiteral("(?)")).join(QStringLiteral(", ")),
                           values);
    }
}

const QStringList& WorkTables()
{
    static const QStringList tables{kEventsTable, kReductionsTable, kDepreciationTable,
                                    kValuesTable};
    return tables;
}

// The recompute of the records selected (every one, or those of the codes in
// kCodesTable) as a few statements the engine runs over all of them at once: the
// same fold, row for row, as Fold. Each asset's events (its opening values first)
// are numbered in the order they apply, and the sums of amounts are taken in that
// order (a double sum depends on its order); the useful life is summed from its
// last reset (the opening value or a method change); the accumulated depreciation
// is lowered reduction after reduction by a recursive statement; the other columns
// take the last event that sets them. The records whose followed columns change, or
// whose opening values are missing, are written with one UPDATE.
QStringList Statements(DbConnection& connection, bool all, const QString& moved)
{
    return Statements(connection, all ? Chosen::All : Chosen::Listed, moved);
}

// The same statements, of the records `chosen` names. Replayed up to a day (the
// ranges), they write nothing but the work tables: kValuesTable keeps each record's
// columns as they stood at the end of the day, beside what the register on a day
// shows of its cost and its end (see ReplayUpTo).
QStringList Statements(DbConnection& connection, Chosen chosenRecords, const QString& moved,
                       Part part)
{
    QStringList out;
    const bool all = chosenRecords == Chosen::All;
    const bool onDay = chosenRecords == Chosen::Range || chosenRecords == Chosen::RangeOfMost;
    // The columns written, and the moves read for them: all, or those `moved`'s rows
    // make a difference to (of them, those `part` names).
    QSet<QString> written;
    quint32 moves = 0;
    for (const QString& column :
         RecordColumns().mid(2, qsizetype(std::size(kTextColumns) + std::size(kNumberColumns)))) {
        const bool depreciationColumn = column == kDepreciationColumn;
        if ((part == Part::Depreciation && !depreciationColumn) ||
            (part == Part::ButDepreciation && depreciationColumn))
            continue;
        if (moved.isEmpty() || (ColumnFollows(column) & MovesOf(moved)) != 0) {
            written.insert(column);
            moves |= ColumnFollows(column);
        }
    }
    if (written.isEmpty())
        return out; // a table whose rows the register does not read
    const bool depreciation = written.contains(kDepreciationColumn);
    const Dialect& dialect = connection.dialect();
    const EngineSql engine{connection.isServer()};
    const QString perYear = QString::number(UnitsPerYear(connection), 'f', 1);
    const auto code = [&](const QString& column) { return StoredCodeSql(connection, column); };
    // The day and the range of a replay, read from its one-row table: bound there, never
    // written into these texts.
    const auto bound = [](const char* name) {
        return QStringLiteral("(SELECT \"") + QLatin1String(name) + QStringLiteral("\" FROM ") +
               SqlIdent(kBoundsTable) + QLatin1Char(')');
    };
    const auto inRange = [&](const QString& column) {
        return column + QStringLiteral(" >= ") + bound("F") + QStringLiteral(" AND ") + column +
               QStringLiteral(" <= ") + bound("T");
    };
    // The rows of the records chosen: of a voucher table (`date`: the day a row applies
    // on) or of the register (no date). A replay's range reads each table's rows of the
    // codes in their stored or their bare forms by its asset index (the codes outside
    // the range this brings in are left at the end); a range of most assets reads every
    // row up to the day instead.
    const auto chosen = [&](const QString& column, const QString& date = QString()) {
        if (all)
            return QString();
        if (!onDay)
            return QStringLiteral(" WHERE ") + column +
                   QStringLiteral(" IN (SELECT \"DaraCod\" FROM ") + SqlIdent(kCodesTable) +
                   QLatin1Char(')');
        if (date.isEmpty())
            return QStringLiteral(" WHERE ") + inRange(column);
        QString where = QStringLiteral(" WHERE ") + date + QStringLiteral(" <= ") + bound("D");
        if (chosenRecords == Chosen::Range)
            where += QStringLiteral(" AND ((") + inRange(column) + QStringLiteral(") OR (") +
                     column + QStringLiteral(" >= ") + bound("BF") + QStringLiteral(" AND ") +
                     column + QStringLiteral(" <= ") + bound("BT") + QStringLiteral("))");
        return where;
    };
    const auto number = [](const QString& expression) {
        return QStringLiteral("COALESCE(CAST(") + expression + QStringLiteral(" AS FLOAT), 0.0)");
    };
    const auto opening = [](const QString& name, const QString& empty) {
        return QStringLiteral("COALESCE(A.") + SqlIdent(Opening(name.toLatin1().constData())) +
               QStringLiteral(", A.") + SqlIdent(name) + QStringLiteral(", ") + empty +
               QLatin1Char(')');
    };
    const auto m = [](Move move) { return QString::number(int(move)); };
    out << BulkWorkStatements(connection);
    if (!all && !onDay && !dialect.rowLockClause().isEmpty())
        out << (QStringLiteral("SELECT 1 FROM ") + SqlIdent(kAssets) +
                chosen(QStringLiteral("\"DaraCod\"")) + QStringLiteral(" ORDER BY \"DaraCod\"") +
                dialect.rowLockClause());

    // The events: code, date, day order, bare number, row, move, code set, location,
    // cost centre, amount, extent.
    struct Source
    {
        const QString& table;
        Move move;
        const char* date;
        const char* code;
        const char* location;
        const char* centre;
        const char* amount;
        const char* extent;
    };
    const Source sources[] = {
        {kTransfer, Move::Transfer, "\"sDate\"", "\"PersonelCod\"", "\"MakanCod\"", "\"Tafsily2\"",
         nullptr, nullptr},
        {kImprovement, Move::Improvement, "\"sDate\"", nullptr, nullptr, nullptr, "\"sValue\"",
         "\"NewMesureValue\""},
        {kSetAside, Move::SetAside, "\"sDate\"", nullptr, "\"MakanCod\"", "\"Tafsily2\"", nullptr,
         nullptr},
        {kSetAsideReturn, Move::SetAsideReturn, "\"sDate\"", nullptr, "\"MakanCod\"",
         "\"Tafsily2\"", nullptr, nullptr},
        {kRetirementReturn, Move::RetirementReturn, "\"sDate\"", nullptr, "\"MakanCod\"",
         "\"Tafsily2\"", nullptr, nullptr},
        {kAdjustment, Move::Adjustment, "\"sDate\"", nullptr, nullptr, nullptr, "\"sValue\"",
         nullptr},
        {kMethodChange, Move::MethodChange, "COALESCE(NULLIF(trim(\"StartDate\"), ''), \"sDate\")",
         "\"RaveshEst\"", nullptr, nullptr, "\"FeeEst\"", "\"NewOmer\""},
        {kReduction, Move::Reduction, "\"sDate\"", nullptr, nullptr, nullptr, "\"ArzeshReduce\"",
         "\"ArzeshAsgat\""},
        {kGroupChange, Move::GroupChange, "\"sDate\"", "\"NewVezCod\"", nullptr, nullptr, nullptr,
         nullptr},
        {kPurchase, Move::Purchase, "\"sDate\"", nullptr, nullptr, nullptr, "\"EndFee\"", nullptr},
    };
    const auto text = [](const char* column) {
        return column ? QString::fromLatin1(column) : QStringLiteral("NULL");
    };
    QStringList events;
    for (const Source& s : sources) {
        if ((moves & Bit(s.move)) == 0)
            continue;
        events << QStringLiteral("SELECT ") + code(QStringLiteral("\"DaraCod\"")) +
                      QStringLiteral(" AS \"Code\", ") + text(s.date) +
                      QStringLiteral(" AS \"D\", ") + QString::number(DayOrder(s.move)) +
                      QStringLiteral(
                          " AS \"O\", trim(\"SanadNoAmval\") AS \"NB\", \"Raj\" AS \"R\", ") +
                      m(s.move) + QStringLiteral(" AS \"M\", ") + text(s.code) +
                      QStringLiteral(" AS \"C\", ") + text(s.location) +
                      QStringLiteral(" AS \"L\", ") + text(s.centre) +
                      QStringLiteral(" AS \"CE\", ") + number(text(s.amount)) +
                      QStringLiteral(" AS \"A\", ") + number(text(s.extent)) +
                      QStringLiteral(" AS \"X\" FROM ") + SqlIdent(s.table) +
                      chosen(QStringLiteral("\"DaraCod\""), text(s.date));
    }
    // The opening values first of all: the life's first term, and an event of every
    // record, so that one without events is set to its opening values. A recompute of
    // what one table's rows make a difference to has an event of each of its records
    // (the rows' own) and, but for the life, no need of them.
    if (moved.isEmpty() || written.contains(QStringLiteral("Salianeh")))
        events << QStringLiteral("SELECT ") + code(QStringLiteral("A.\"DaraCod\"")) +
                      QStringLiteral(", NULL, -1000, '', 0, 0, NULL, NULL, NULL, 0.0, ") +
                      number(opening(QStringLiteral("Salianeh"), QStringLiteral("0"))) +
                      QStringLiteral(" FROM ") + SqlIdent(kAssets) + QStringLiteral(" AS A") +
                      chosen(QStringLiteral("A.\"DaraCod\""));
    const QString digits = engine.digits(QStringLiteral("E.\"NB\""));
    // The order events apply in, within each asset's.
    const QString keys = engine.ordered(QStringLiteral("COALESCE(\"D\", '')")) +
                         QStringLiteral(", \"O\", \"NK\", \"NV\", ") +
                         engine.ordered(QStringLiteral("\"NB\"")) + QStringLiteral(", \"R\"");
    const QString order = QStringLiteral("PARTITION BY \"Code\" ORDER BY ") + keys;
    const QString lifeUnits = QStringLiteral("CASE WHEN \"M\" = 0 THEN \"X\" WHEN \"M\" IN (") +
                              m(Move::MethodChange) + QStringLiteral(", ") + m(Move::Improvement) +
                              QStringLiteral(") THEN \"X\" / ") + perYear +
                              QStringLiteral(" ELSE 0.0 END");
    const QString ordering = QStringLiteral(" FROM (SELECT E.*, CASE WHEN ") + digits +
                             QStringLiteral(" THEN 0 ELSE 1 END AS \"NK\", CASE WHEN ") + digits +
                             QStringLiteral(" THEN ") + engine.integer(QStringLiteral("E.\"NB\"")) +
                             QStringLiteral(" ELSE 0 END AS \"NV\" FROM (") +
                             events.join(QStringLiteral(" UNION ALL ")) +
                             QStringLiteral(") AS E) AS E");
    if (engine.server) {
        // The sums run up to each event, of those the columns written read.
        const auto runningSum = [&](Move move, const char* column) {
            const bool needed = (move != Move::Reduction && depreciation) ||
                                written.contains(QLatin1String(column));
            return needed ? QStringLiteral("SUM(CASE WHEN \"M\" = ") + m(move) +
                                QStringLiteral(" THEN \"A\" ELSE 0.0 END) OVER w")
                          : QStringLiteral("0.0");
        };
        out << (dialect.createTempTable(kEventsTable) +
                QStringLiteral(" (\"Code\" TEXT, \"Seq\" INTEGER, \"M\" INTEGER, \"D\" TEXT, "
                               "\"C\" TEXT, \"L\" TEXT, \"CE\" TEXT, \"A\" FLOAT, \"X\" FLOAT, "
                               "\"Bought\" FLOAT, \"Adj\" FLOAT, \"Imp\" FLOAT, \"Red\" FLOAT, "
                               "\"RN\" INTEGER, \"LV\" FLOAT, PRIMARY KEY (\"Code\", "
                               "\"Seq\"))"));
        // One window over each asset's events in order: one sort.
        out << (QStringLiteral("INSERT INTO ") + SqlIdent(kEventsTable) +
                QStringLiteral(
                    " (\"Code\", \"Seq\", \"M\", \"D\", \"C\", \"L\", \"CE\", \"A\", \"X\", "
                    "\"Bought\", \"Adj\", \"Imp\", \"Red\", \"RN\", \"LV\") SELECT \"Code\", "
                    "ROW_NUMBER() OVER w, \"M\", \"D\", \"C\", \"L\", \"CE\", \"A\", \"X\", ") +
                runningSum(Move::Purchase, "") + QStringLiteral(" AS \"Bought\", ") +
                runningSum(Move::Adjustment, "TadilValue") + QStringLiteral(" AS \"Adj\", ") +
                runningSum(Move::Improvement, "AsaseChangeValue") +
                QStringLiteral(" AS \"Imp\", ") + runningSum(Move::Reduction, "ReduceValue") +
                QStringLiteral(" AS \"Red\", ") +
                (depreciation ? QStringLiteral("SUM(CASE WHEN \"M\" = ") + m(Move::Reduction) +
                                    QStringLiteral(" THEN 1 ELSE 0 END) OVER w")
                              : QStringLiteral("0")) +
                QStringLiteral(", ") + lifeUnits + ordering + QStringLiteral(" WINDOW w AS (") +
                order + QStringLiteral(" ROWS UNBOUNDED PRECEDING)"));
    } else {
        // The embedded engine numbers the events by putting them, sorted, into a table
        // numbered in the order its rows come (a window over them costs more than the
        // sort itself); the sums are taken where they are read, in that order, through
        // the index on each asset's events.
        out << (dialect.createTempTable(kEventsTable) +
                QStringLiteral(" (\"Seq\" INTEGER PRIMARY KEY, \"Code\" TEXT, \"M\" INTEGER, "
                               "\"D\" TEXT, \"C\" TEXT, \"L\" TEXT, \"CE\" TEXT, \"A\" FLOAT, "
                               "\"X\" FLOAT, \"LV\" FLOAT)"));
        out << (QStringLiteral("INSERT INTO ") + SqlIdent(kEventsTable) +
                QStringLiteral(" (\"Code\", \"M\", \"D\", \"C\", \"L\", \"CE\", \"A\", \"X\", "
                               "\"LV\") SELECT \"Code\", \"M\", \"D\", \"C\", \"L\", \"CE\", "
                               "\"A\", \"X\", ") +
                lifeUnits + ordering + QStringLiteral(" ORDER BY \"Code\", ") + keys);
        out << (QStringLiteral("CREATE INDEX ") +
                SqlIdent(kEventsTable + QStringLiteral("_asset")) + QStringLiteral(" ON ") +
                SqlIdent(kEventsTable) + QStringLiteral(" (\"Code\", \"Seq\", \"M\", \"A\")"));
    }

    // The sum of one move's amounts over an asset's events (`code`), up to the event
    // `upTo` or over all of them, in the order they apply. The server's window ran it
    // up to each event (`column`: the event's own); the embedded engine reads the
    // events through the index on the asset's, which hands them over in order (the
    // event's number only compared, not used to find them).
    const auto sumOf = [&](Move move, const QString& code, const QString& upTo,
                           const QString& column) {
        if (engine.server)
            return column;
        return QStringLiteral("(SELECT SUM(CASE WHEN P.\"M\" = ") + m(move) +
               QStringLiteral(" THEN P.\"A\" ELSE 0.0 END) FROM ") + SqlIdent(kEventsTable) +
               QStringLiteral(" AS P WHERE P.\"Code\" = ") + code +
               (upTo.isEmpty() ? QString() : QStringLiteral(" AND +P.\"Seq\" <= ") + upTo) +
               QLatin1Char(')');
    };
    // The server plans the reads of the events by what it knows of them.
    if (engine.server)
        out << QStringLiteral("ANALYZE ") + SqlIdent(kEventsTable);
    // The reductions with the cost before each, then the accumulated depreciation
    // each leaves, from the opening value on.
    out << (dialect.createTempTable(kDepreciationTable) +
            QStringLiteral(" (\"Code\" TEXT PRIMARY KEY, \"V\" FLOAT)"));
    if (depreciation) {
        out << (dialect.createTempTable(kReductionsTable) +
                QStringLiteral(" (\"Code\" TEXT, \"RN\" INTEGER, \"Cost\" FLOAT, \"A\" "
                               "FLOAT, PRIMARY KEY (\"Code\", \"RN\"))"));
        out << (QStringLiteral("INSERT INTO ") + SqlIdent(kReductionsTable) +
                QStringLiteral(" (\"Code\", \"RN\", \"Cost\", \"A\") SELECT E.\"Code\", ") +
                (engine.server ? QStringLiteral("E.\"RN\"")
                               : QStringLiteral("(SELECT COUNT(*) FROM ") + SqlIdent(kEventsTable) +
                                     QStringLiteral(" AS P WHERE P.\"Code\" = E.\"Code\" AND "
                                                    "+P.\"Seq\" <= E.\"Seq\" AND P.\"M\" = ") +
                                     m(Move::Reduction) + QLatin1Char(')')) +
                QStringLiteral(", ") + number(QStringLiteral("A.\"EndValue\"")) +
                QStringLiteral(" + ") +
                sumOf(Move::Purchase, QStringLiteral("E.\"Code\""), QStringLiteral("E.\"Seq\""),
                      QStringLiteral("E.\"Bought\"")) +
                QStringLiteral(" + ") +
                sumOf(Move::Adjustment, QStringLiteral("E.\"Code\""), QStringLiteral("E.\"Seq\""),
                      QStringLiteral("E.\"Adj\"")) +
                QStringLiteral(" + ") +
                sumOf(Move::Improvement, QStringLiteral("E.\"Code\""), QStringLiteral("E.\"Seq\""),
                      QStringLiteral("E.\"Imp\"")) +
                QStringLiteral(", E.\"A\" FROM ") + SqlIdent(kEventsTable) +
                QStringLiteral(" AS E JOIN ") + SqlIdent(kAssets) +
                QStringLiteral(" AS A ON A.\"DaraCod\" = E.\"Code\" WHERE E.\"M\" = ") +
                m(Move::Reduction));
        // The recursion carries the reductions summed before each (the cost's last term).
        const QString cost = QStringLiteral("(D.\"Cost\" - R.\"S\")");
        const QString share = QStringLiteral("CASE WHEN D.\"A\" / ") + cost +
                              QStringLiteral(" < 1.0 THEN D.\"A\" / ") + cost +
                              QStringLiteral(" ELSE 1.0 END");
        out << (QStringLiteral("WITH RECURSIVE R (\"Code\", \"N\", \"V\", \"S\") AS (SELECT "
                               "A.\"DaraCod\", 0, ") +
                number(opening(QStringLiteral("Anbashteh"), QStringLiteral("0"))) +
                QStringLiteral(", CAST(0 AS FLOAT) FROM ") + SqlIdent(kAssets) +
                QStringLiteral(" AS A WHERE A.\"DaraCod\" IN (SELECT \"Code\" FROM ") +
                SqlIdent(kReductionsTable) +
                QStringLiteral(
                    " WHERE \"RN\" = 1) UNION ALL SELECT R.\"Code\", R.\"N\" + 1, CASE WHEN ") +
                cost + QStringLiteral(" > 0 AND D.\"A\" > 0 THEN ") +
                engine.rounded(QStringLiteral("(R.\"V\" * (1.0 - ") + share +
                               QStringLiteral("))")) +
                QStringLiteral(" ELSE R.\"V\" END, R.\"S\" + D.\"A\" FROM R JOIN ") +
                SqlIdent(kReductionsTable) +
                QStringLiteral(
                    " AS D ON D.\"Code\" = R.\"Code\" AND D.\"RN\" = R.\"N\" + 1) INSERT INTO ") +
                SqlIdent(kDepreciationTable) +
                QStringLiteral(
                    " (\"Code\", \"V\") SELECT \"Code\", \"V\" FROM R WHERE \"N\" = (SELECT "
                    "MAX(\"RN\") FROM ") +
                SqlIdent(kReductionsTable) +
                QStringLiteral(" AS D WHERE D.\"Code\" = R.\"Code\")"));
    }

    // Each record's followed columns: the last event that sets one, else its opening
    // value; the sums and the life as run up to its last event.
    struct Last
    {
        QString name;  // the column of the record
        QString when;  // the events that set it
        QString value; // of such an event E
        QString empty; // the opening value's stand-in for NULL
    };
    const QString setting = QStringLiteral(" AND trim(E.\"%1\") <> ''");
    const QString places = m(Move::Transfer) + QStringLiteral(", ") + m(Move::SetAside) +
                           QStringLiteral(", ") + m(Move::SetAsideReturn) + QStringLiteral(", ") +
                           m(Move::RetirementReturn);
    const QString retirements = m(Move::SetAside) + QStringLiteral(", ") + m(Move::SetAsideReturn) +
                                QStringLiteral(", ") + m(Move::RetirementReturn);
    const QList<Last> lasts{
        {QStringLiteral("PersonelCod"),
         QStringLiteral("E.\"M\" = ") + m(Move::Transfer) + setting.arg(QStringLiteral("C")),
         QStringLiteral("E.\"C\""), QStringLiteral("''")},
        {QStringLiteral("MakanCod"),
         QStringLiteral("E.\"M\" IN (") + places + QLatin1Char(')') +
             setting.arg(QStringLiteral("L")),
         QStringLiteral("E.\"L\""), QStringLiteral("''")},
        {QStringLiteral("Tafsily2"),
         QStringLiteral("E.\"M\" IN (") + places + QLatin1Char(')') +
             setting.arg(QStringLiteral("CE")),
         QStringLiteral("E.\"CE\""), QStringLiteral("''")},
        {QStringLiteral("KenarDate"),
         QStringLiteral("E.\"M\" IN (") + retirements + QLatin1Char(')'),
         QStringLiteral("CASE WHEN E.\"M\" = ") + m(Move::SetAside) +
             QStringLiteral(" THEN COALESCE(E.\"D\", '') ELSE '' END"),
         QStringLiteral("''")},
        {QStringLiteral("RaveshEst"),
         QStringLiteral("E.\"M\" = ") + m(Move::MethodChange) + setting.arg(QStringLiteral("C")),
         QStringLiteral("E.\"C\""), QStringLiteral("''")},
        {QStringLiteral("VezCod"),
         QStringLiteral("E.\"M\" = ") + m(Move::GroupChange) + setting.arg(QStringLiteral("C")),
         QStringLiteral("E.\"C\""), QStringLiteral("''")},
        {QStringLiteral("Nozooli"), QStringLiteral("E.\"M\" = ") + m(Move::MethodChange),
         QStringLiteral("E.\"A\""), QStringLiteral("0")},
        {QStringLiteral("Esshat"), QStringLiteral("E.\"M\" = ") + m(Move::Reduction),
         QStringLiteral("E.\"X\""), QStringLiteral("0")},
    };
    // A move's sum over all of an asset's events: on the server the window's running sum
    // `running` on its last event, which the statement then joins as L (only where a
    // column it writes reads one).
    const auto sumToLast = [&](Move move, const char* running) {
        return sumOf(move, QStringLiteral("G.\"Code\""), QString(),
                     QStringLiteral("L.") + SqlIdent(QLatin1String(running)));
    };
    const QSet<QString> readingLast =
        engine.server ? QSet<QString>{QStringLiteral("AsaseChangeValue"),
                                      QStringLiteral("TadilValue"), QStringLiteral("ReduceValue")}
                      : QSet<QString>{};
    bool readsLast = false;
    QHash<QString, QString> values{
        {QStringLiteral("AsaseChangeValue"), sumToLast(Move::Improvement, "Imp")},
        {QStringLiteral("TadilValue"), sumToLast(Move::Adjustment, "Adj")},
        {QStringLiteral("ReduceValue"), sumToLast(Move::Reduction, "Red")},
        // Summed in order from its last reset (the opening value or a method change).
        {QStringLiteral("Salianeh"),
         QStringLiteral("(SELECT ") +
             engine.orderedSum(QStringLiteral("E.\"LV\""), QStringLiteral("E.\"Seq\"")) +
             QStringLiteral(" FROM ") + SqlIdent(kEventsTable) +
             QStringLiteral(" AS E WHERE E.\"Code\" = G.\"Code\" AND E.\"Seq\" >= G.\"Reset\" AND "
                            "E.\"Seq\" <= G.\"Last\")")},
        {QStringLiteral("Anbashteh"),
         QStringLiteral("COALESCE(P.\"V\", ") +
             number(opening(QStringLiteral("Anbashteh"), QStringLiteral("0"))) + QLatin1Char(')')},
    };
    QStringList seqs{QStringLiteral("MAX(E.\"Seq\") AS \"Last\""),
                     QStringLiteral("MAX(CASE WHEN E.\"M\" IN (0, ") + m(Move::MethodChange) +
                         QStringLiteral(") THEN E.\"Seq\" END) AS \"Reset\"")};
    QString setters;
    for (int i = 0; i < lasts.size(); ++i) {
        const Last& l = lasts.at(i);
        if (!written.contains(l.name))
            continue;
        const QString seq = QStringLiteral("\"S%1\"").arg(i);
        seqs << QStringLiteral("MAX(CASE WHEN ") + l.when +
                    QStringLiteral(" THEN E.\"Seq\" END) AS ") + seq;
        const bool text = l.empty == QLatin1String("''");
        const QString fallback = text ? opening(l.name, l.empty) : number(opening(l.name, l.empty));
        // The setting event joined by its key (a join, not a sub-select per record: the
        // server runs a sub-select as a plan of its own for each record).
        const QString alias = QStringLiteral("E%1").arg(i);
        setters += QStringLiteral(" LEFT JOIN ") + SqlIdent(kEventsTable) + QStringLiteral(" AS ") +
                   alias + QStringLiteral(" ON ") + alias +
                   QStringLiteral(".\"Code\" = G.\"Code\" AND ") + alias +
                   QStringLiteral(".\"Seq\" = G.") + seq;
        values.insert(l.name, QStringLiteral("CASE WHEN G.") + seq +
                                  QStringLiteral(" IS NULL THEN ") + fallback +
                                  QStringLiteral(" ELSE ") +
                                  QString(l.value).replace(QStringLiteral("E.\""),
                                                           alias + QStringLiteral(".\"")) +
                                  QStringLiteral(" END"));
    }
    QStringList definitions{QStringLiteral("\"Code\" TEXT PRIMARY KEY")};
    QStringList names{QStringLiteral("\"Code\"")};
    QStringList selects{QStringLiteral("G.\"Code\"")};
    QStringList set;
    QStringList changed;
    const auto add = [&](const char* column, bool numeric) {
        const QString name = QString::fromLatin1(column);
        if (!written.contains(name))
            return;
        const QString target = SqlIdent(QStringLiteral("New") + name);
        definitions << target + (numeric ? QStringLiteral(" FLOAT") : QStringLiteral(" TEXT"));
        names << target;
        selects << values.value(name);
        readsLast = readsLast || readingLast.contains(name);
        set << SqlIdent(name) + QStringLiteral(" = V.") + target;
        changed << QStringLiteral("COALESCE(") + SqlIdent(kAssets) + QLatin1Char('.') +
                       SqlIdent(name) +
                       (numeric ? QStringLiteral(", 0)") : QStringLiteral(", '')")) +
                       QStringLiteral(" <> V.") + target;
    };
    for (const TextColumn& c : kTextColumns)
        add(c.name, false);
    for (const NumberColumn& c : kNumberColumns)
        add(c.name, true);
    // The opening values still NULL are set to the record as it stands.
    const auto keep = [&](const char* column, const QString& empty) {
        if (!written.contains(QString::fromLatin1(column)))
            return;
        const QString first = SqlIdent(Opening(column));
        set << first + QStringLiteral(" = COALESCE(") + first + QStringLiteral(", ") +
                   SqlIdent(QString::fromLatin1(column)) + QStringLiteral(", ") + empty +
                   QLatin1Char(')');
        changed << SqlIdent(kAssets) + QLatin1Char('.') + first + QStringLiteral(" IS NULL");
    };
    for (const TextColumn& c : kTextColumns)
        keep(c.name, QStringLiteral("''"));
    for (const NumberColumn& c : kNumberColumns) {
        if (c.opening)
            keep(c.name, QStringLiteral("0"));
    }
    // A replay up to a day keeps beside them what the register on a day shows of the
    // cost and of the asset's end: the cost registered, the purchases' cost prices
    // and whether there was one, the first sale, and a permanent retirement still in
    // force (a return on its day follows it).
    QString where;
    if (onDay) {
        seqs << QStringLiteral("MAX(CASE WHEN E.\"M\" = ") + m(Move::Purchase) +
                    QStringLiteral(" THEN 1 ELSE 0 END) AS \"Purchased\"");
        // Read by each table's asset index, of the code in its stored and bare forms.
        const auto day = [&](const char* table, const char* pick) {
            return QStringLiteral("(SELECT ") + QLatin1String(pick) +
                   QStringLiteral("(\"sDate\") FROM ") + SqlIdent(QLatin1String(table)) +
                   QStringLiteral(" WHERE \"DaraCod\" IN (G.\"Code\", trim(G.\"Code\")) AND "
                                  "\"sDate\" <= ") +
                   bound("D") + QLatin1Char(')');
        };
        where = QStringLiteral(" WHERE ") + inRange(QStringLiteral("G.\"Code\""));
        definitions << QStringLiteral("\"Registered\" FLOAT, \"Bought\" FLOAT, \"Purchased\" "
                                      "INTEGER, \"SoldOn\" TEXT, \"RetiredOn\" TEXT");
        names << QStringLiteral("\"Registered\", \"Bought\", \"Purchased\", \"SoldOn\", "
                                "\"RetiredOn\"");
        const QString retired = day("D_KenarD", "MAX");
        selects << number(QStringLiteral("A.\"EndValue\""))
                << sumToLast(Move::Purchase, "Bought")
                << QStringLiteral("G.\"Purchased\"") << day("D_ForoshDaymeh", "MIN")
                << QStringLiteral("CASE WHEN ") + engine.ordered(retired) + QStringLiteral(" > ") +
                       engine.ordered(QStringLiteral("COALESCE(") + day("D_BarKenarD", "MAX") +
                                      QStringLiteral(", '')")) +
                       QStringLiteral(" THEN ") + retired + QStringLiteral(" END");
        readsLast = engine.server;
    }
    out << (dialect.createTempTable(kValuesTable) + QStringLiteral(" (") +
            definitions.join(QStringLiteral(", ")) + QLatin1Char(')'));
    out << (QStringLiteral("INSERT INTO ") + SqlIdent(kValuesTable) + QStringLiteral(" (") +
            names.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") +
            selects.join(QStringLiteral(", ")) + QStringLiteral(" FROM (SELECT E.\"Code\", ") +
            seqs.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + SqlIdent(kEventsTable) +
            QStringLiteral(" AS E GROUP BY E.\"Code\") AS G JOIN ") + SqlIdent(kAssets) +
            QStringLiteral(" AS A ON A.\"DaraCod\" = G.\"Code\"") +
            // The last event, whose sums the server's window ran up to it, where a
            // column reads them.
            (readsLast
                 ? QStringLiteral(" JOIN ") + SqlIdent(kEventsTable) +
                       QStringLiteral(" AS L ON L.\"Code\" = G.\"Code\" AND L.\"Seq\" = "
                                      "G.\"Last\"")
                 : QString()) +
            QStringLiteral(" LEFT JOIN ") + SqlIdent(kDepreciationTable) +
            QStringLiteral(" AS P ON P.\"Code\" = G.\"Code\"") + setters + where);
    if (onDay)
        return out;
    out << (QStringLiteral("UPDATE ") + SqlIdent(kAssets) + QStringLiteral(" SET ") +
            set.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + SqlIdent(kValuesTable) +
            QStringLiteral(" AS V WHERE ") + SqlIdent(kAssets) +
            QStringLiteral(".\"DaraCod\" = V.\"Code\" AND (") +
            changed.join(QStringLiteral(" OR ")) + QLatin1Char(')'));
    return out;
}

void RecomputeByStatements(DbConnection& connection, bool all, const QString& moved,
                           const std::function<void(qsizetype done, qsizetype total)>& step)
{
    const Dialect& dialect = connection.dialect();
    for (const QString& table : WorkTables())
        dialect.dropTempTable(table);
    const QStringList statements = Statements(connection, all, moved);
    for (qsizetype i = 0; i < statements.size(); ++i) {
        connection.execute(statements.at(i));
        if (step)
            step(i + 1, statements.size());
    }
    for (const QString& table : WorkTables())
        dialect.dropTempTable(table);
}

// The accumulated depreciation moves with the cost only where a reduction takes its
// share of it: a record no reduction row names keeps its opening value, whatever its
// purchases, adjustments and improvements. So what a table's rows other than a
// reduction's make a difference to is recomputed in two passes: without it for every
// record listed, then (the list cut down by UnreducedStatement) it alone for those a
// reduction row names, often none: a year's vouchers are carried over kind after kind,
// reductions after those.
QList<QStringList> ListedPasses(DbConnection& connection, const QString& moved)
{
    const quint32 moves = MovesOf(moved);
    if (moved.isEmpty() || (moves & Bit(Move::Reduction)) != 0 ||
        (ColumnFollows(kDepreciationColumn) & moves) == 0)
        return {Statements(connection, Chosen::Listed, moved)};
    return {Statements(connection, Chosen::Listed, moved, Part::ButDepreciation),
            Statements(connection, Chosen::Listed, moved, Part::Depreciation)};
}

// Takes out of kCodesTable the assets (in either form) no reduction row names.
QString UnreducedStatement(const DbConnection& connection)
{
    const auto stored = [&](const QString& column) { return StoredCodeSql(connection, column); };
    return QStringLiteral("DELETE FROM ") + SqlIdent(kCodesTable) +
           QStringLiteral(" WHERE \"DaraCod\" IN (SELECT C.\"DaraCod\" FROM ") +
           SqlIdent(kCodesTable) + QStringLiteral(" AS C LEFT JOIN (SELECT DISTINCT ") +
           stored(QStringLiteral("R.\"DaraCod\"")) + QStringLiteral(" AS \"S\" FROM ") +
           SqlIdent(kReduction) + QStringLiteral(" AS R) AS X ON X.\"S\" = ") +
           stored(QStringLiteral("C.\"DaraCod\"")) + QStringLiteral(" WHERE X.\"S\" IS NULL)");
}

// How many assets kCodesTable names. Each is there in its stored form (the form of
// the other codes of the asset, padded to the code's width), and once only: the rows
// already in their stored form are counted.
qsizetype ListedCount(DbConnection& connection)
{
    const QString stored = StoredCodeSql(connection, QStringLiteral("\"DaraCod\""));
    QSqlQuery q =
        connection.select(QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(kCodesTable) +
                          QStringLiteral(" WHERE \"DaraCod\" = ") + stored);
    return q.next() ? q.value(0).toLongLong() : 0;
}

// Recomputes by the engine's statements the records of the codes in kCodesTable
// (`count` assets), and drops the table.
void RecomputeCodesInTable(DbConnection& connection, qsizetype count, const Progress& progress,
                           const QString& moved)
{
    // What another table's rows follow can be left as it is, unless an opening
    // value is missing: then the whole record is recomputed from the record.
    QString only = moved;
    if (!only.isEmpty()) {
        QStringList missing;
        for (const QString& column : RecordColumns().mid(
                 2 + qsizetype(std::size(kTextColumns) + std::size(kNumberColumns))))
            missing << SqlIdent(column) + QStringLiteral(" IS NULL");
        // Asked of the whole register first, one pass over it (none misses a value once
        // its records have been recomputed); of the listed records only if one does.
        const QString anyMissing = QStringLiteral("SELECT 1 FROM ") + SqlIdent(kAssets) +
                                   QStringLiteral(" WHERE (") +
                                   missing.join(QStringLiteral(" OR ")) + QLatin1Char(')');
        if (connection.select(anyMissing + QStringLiteral(" LIMIT 1")).next() &&
            connection
                .select(anyMissing +
                        QStringLiteral(" AND \"DaraCod\" IN (SELECT \"DaraCod\" FROM ") +
                        SqlIdent(kCodesTable) + QStringLiteral(") LIMIT 1"))
                .next())
            only.clear();
    }
    const QList<QStringList> passes = ListedPasses(connection, only);
    const Dialect& dialect = connection.dialect();
    qsizetype total = 0;
    for (const QStringList& pass : passes)
        total += pass.size();
    qsizetype done = 0;
    for (qsizetype p = 0; p < passes.size(); ++p) {
        if (p > 0) {
            // With no reduction row at all no listed record is left for the
            // depreciation's pass (the first kinds of a year-end copy come before the
            // reductions).
            if (!connection
                     .select(QStringLiteral("SELECT 1 FROM ") + SqlIdent(kReduction) +
                             QStringLiteral(" LIMIT 1"))
                     .next())
                break;
            connection.execute(UnreducedStatement(connection));
        }
        for (const QString& table : WorkTables())
            dialect.dropTempTable(table);
        for (const QString& statement : passes.at(p)) {
            connection.execute(statement);
            if (progress)
                progress(count * ++done / total, count);
        }
    }
    for (const QString& table : WorkTables())
        dialect.dropTempTable(table);
    dialect.dropTempTable(kCodesTable);
    if (progress)
        progress(count, count);
}

} // namespace AssetRegister::Internal

namespace AssetRegister {

using namespace Internal;

void LockAssetsOf(DbConnection& connection, const QString& table)
{
    const QString clause = connection.dialect().rowLockClause();
    if (clause.isEmpty())
        return;
    // The table's codes, in whatever padding, brought to the register's stored form, so
    // that the register is read by its key; locked in code order, as the recompute
    // locks. Nothing of the answer is needed: the statement goes with the next one.
    const QString code = StoredCodeSql(connection, QStringLiteral("T.") + SqlIdent(kAssetColumn));
    connection.executeWithNext(
        QStringLiteral("SELECT 1 FROM ") + SqlIdent(kAssets) + QStringLiteral(" AS A WHERE A.") +
        SqlIdent(kAssetColumn) + QStringLiteral(" IN (SELECT ") + code + QStringLiteral(" FROM ") +
        SqlIdent(table) + QStringLiteral(" AS T) ORDER BY A.") + SqlIdent(kAssetColumn) + clause);
}

QStringList RecomputeStatements(DbConnection& connection, bool all, const QString& moved)
{
    if (all)
        return Statements(connection, true, moved);
    QStringList out;
    const QList<QStringList> passes = ListedPasses(connection, moved);
    for (qsizetype p = 0; p < passes.size(); ++p) {
        if (p > 0) {
            for (const QString& table : WorkTables())
                out << QStringLiteral("DROP TABLE IF EXISTS ") + SqlIdent(table);
            out << UnreducedStatement(connection);
        }
        out << passes.at(p);
    }
    return out;
}

void ReplayUpTo(DbConnection& connection, const QString& date, const QString& fromCode,
                const QString& toCode, const Progress& progress)
{
    const Dialect& dialect = connection.dialect();
    // The range as the register holds it, and its codes' bare forms (a voucher row may
    // hold its code unpadded); how many assets it has of all.
    QStringList terms{QStringLiteral("1 = 1")};
    QVariantList values;
    if (!fromCode.isEmpty()) {
        terms << QStringLiteral("\"DaraCod\" >= ?");
        values << fromCode;
    }
    if (!toCode.isEmpty()) {
        terms << QStringLiteral("\"DaraCod\" <= ?");
        values << toCode;
    }
    QSqlQuery q = connection.select(
        QStringLiteral("SELECT MIN(\"DaraCod\"), MAX(\"DaraCod\"), MIN(trim(\"DaraCod\")), "
                       "MAX(trim(\"DaraCod\")), COUNT(*), (SELECT COUNT(*) FROM ") +
            SqlIdent(kAssets) + QStringLiteral(") FROM ") + SqlIdent(kAssets) +
            QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND ")),
        values);
    QVariantList bounds{date};
    qlonglong inRange = 0;
    qlonglong assets = 0;
    if (q.next()) {
        for (int i = 0; i < 4; ++i)
            bounds << q.value(i).toString();
        inRange = q.value(4).toLongLong();
        assets = q.value(5).toLongLong();
    }
    q.finish();
    for (const QString& table : WorkTables())
        dialect.dropTempTable(table);
    dialect.dropTempTable(kBoundsTable);
    connection.execute(dialect.createTempTable(kBoundsTable) +
                       QStringLiteral(" (\"D\" TEXT, \"F\" TEXT, \"T\" TEXT, \"BF\" TEXT, "
                                      "\"BT\" TEXT)"));
    if (inRange > 0)
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kBoundsTable) +
                               QStringLiteral(" VALUES (?, ?, ?, ?, ?)"),
                           bounds);
    // Reading each voucher table's rows of a few assets by its asset index is quick;
    // of most of them, one pass over all its rows is quicker.
    const Chosen chosen = inRange * 4 > assets ? Chosen::RangeOfMost : Chosen::Range;
    const QStringList statements = Statements(connection, chosen, QString());
    for (qsizetype i = 0; i < statements.size(); ++i) {
        connection.execute(statements.at(i));
        if (progress)
            progress(i + 1, statements.size());
    }
    dialect.dropTempTable(kBoundsTable);
}

QString StandingTable()
{
    return kValuesTable;
}

QStringList ReplayStatements(DbConnection& connection)
{
    return Statements(connection, Chosen::RangeOfMost, QString());
}

QString ReplayBoundsTable()
{
    return kBoundsTable;
}

QString RecomputeCodesTable()
{
    return kCodesTable;
}

const QStringList& RecomputeWorkTables()
{
    return WorkTables();
}

qsizetype ListForRecompute(DbConnection& connection, const QString& code, const QString& from)
{
    const Dialect& dialect = connection.dialect();
    const int width = CodeWidth(connection);
    dialect.dropTempTable(kCodesTable);
    connection.execute(dialect.createTempTable(kCodesTable) +
                       QStringLiteral("(\"DaraCod\" TEXT PRIMARY KEY)"));
    // The rows are read once, for their codes as typed (trimmed); the stored form of
    // each (padded to the code's width) is added from those.
    connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kCodesTable) +
                       QStringLiteral(" (\"DaraCod\") SELECT S.\"X\" FROM (SELECT DISTINCT trim(") +
                       code + QStringLiteral(") AS \"X\" ") + from +
                       QStringLiteral(") AS S WHERE S.\"X\" <> ''"));
    if (width > 0) {
        const QString stored = StoredCodeSql(connection, QStringLiteral("C.\"DaraCod\""));
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kCodesTable) +
                           QStringLiteral(" (\"DaraCod\") SELECT DISTINCT ") + stored +
                           QStringLiteral(" FROM ") + SqlIdent(kCodesTable) +
                           QStringLiteral(" AS C WHERE NOT EXISTS (SELECT 1 FROM ") +
                           SqlIdent(kCodesTable) + QStringLiteral(" AS D WHERE D.\"DaraCod\" = ") +
                           stored + QLatin1Char(')'));
    }
    return ListedCount(connection);
}

QString HeldAssetsFrom(const std::function<QString(const QString& table)>& in)
{
    return QStringLiteral("FROM ") + in(kAssets) +
           QStringLiteral(" AS A LEFT JOIN (SELECT trim(\"DaraCod\") AS \"Code\", SUM(\"EndFee\") "
                          "AS \"Bought\" FROM ") +
           in(kPurchase) +
           QStringLiteral(" GROUP BY trim(\"DaraCod\")) AS P ON P.\"Code\" = trim(A.\"DaraCod\") "
                          "WHERE trim(A.\"DaraCod\") NOT IN (SELECT trim(\"DaraCod\") FROM ") +
           in(QStringLiteral("D_ForoshDaymeh")) +
           QStringLiteral(" WHERE \"DaraCod\" IS NOT NULL) AND trim(A.\"DaraCod\") NOT IN (SELECT "
                          "trim(K.\"DaraCod\") FROM ") +
           in(QStringLiteral("D_KenarD")) +
           QStringLiteral(" AS K LEFT JOIN (SELECT trim(\"DaraCod\") AS \"Code\", MAX(\"sDate\") "
                          "AS \"Back\" FROM ") +
           in(QStringLiteral("D_BarKenarD")) +
           QStringLiteral(" GROUP BY trim(\"DaraCod\")) AS B ON B.\"Code\" = trim(K.\"DaraCod\") "
                          "WHERE K.\"DaraCod\" IS NOT NULL AND K.\"sDate\" > "
                          "COALESCE(B.\"Back\", ''))");
}

QString HeldAssetCost()
{
    return QStringLiteral(
        "COALESCE(A.\"EndValue\", 0) + COALESCE(P.\"Bought\", 0) + COALESCE(A.\"TadilValue\", 0) "
        "+ COALESCE(A.\"AsaseChangeValue\", 0) - COALESCE(A.\"ReduceValue\", 0)");
}

QStringList BulkWorkStatements(const DbConnection& connection)
{
    if (!connection.isServer())
        return {};
    return {QStringLiteral("SET LOCAL jit = off")};
}

} // namespace AssetRegister
