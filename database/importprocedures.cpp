#include "importprocedures.h"

#include "assetregister.h"
#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"

#include <QSqlQuery>
#include <algorithm>

namespace {

const QString kNumber = QStringLiteral("SanadNoAmval");
const QString kAsset = QStringLiteral("DaraCod");
const QString kAssets = QStringLiteral("D_Amval");
const QString kVersionTable = QStringLiteral("Amval_Schema");
const QString kOrder = QStringLiteral("sOrder1");
const QString kState = QStringLiteral("sOrder2");
// The row numbers of the work table a carry-over copies.
const QString kCarriedTable = QStringLiteral("amval_carried_rows");
// The numbers of the previewed vouchers with an asset not registered here.
const QString kUnknownTable = QStringLiteral("amval_unknown_vouchers");
// The period each work table's preview was read from, for the carry-over that
// follows it to record where its vouchers came from (this connection's own).
const QString kPreviewSourcesTable = QStringLiteral("amval_preview_sources");
// How many rows a carry-over copies between two reports of its progress.
constexpr qsizetype kRowsPerStep = 10000;

QString Refusal(const QString& source, const QString& reason)
{
    return QStringLiteral("دوره مالي «%1» خوانده نشد: %2. هيچ سندي منتقل نشد.").arg(source, reason);
}

bool Has(const QStringList& columns, const QString& column)
{
    return columns.contains(column, Qt::CaseInsensitive);
}

QString Col(const QString& alias, const QString& column)
{
    return alias + QLatin1Char('.') + SqlIdent(column);
}

// The voucher tables a carry-forward may name: the stored voucher tables only, so
// that a name handed in never reaches a statement unless it is one of them.
QString VoucherTable(const QString& name)
{
    for (const QString& table : Schema::VoucherTableNames()) {
        if (table.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return table;
    }
    throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(name), name,
                        DatabaseError::Kind::MissingObject);
}

QStringList WorkColumns(DbConnection& connection, const QString& workTable)
{
    const QStringList columns = connection.dialect().tableColumns(workTable);
    if (workTable.trimmed().isEmpty() || columns.isEmpty())
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(workTable), workTable,
                            DatabaseError::Kind::MissingObject);
    return columns;
}

ProcedureResult SourceProcedure(DbConnection& connection, const QStringList& arguments)
{
    ProcedureResult result;
    result.columns << QStringLiteral("Message");
    result.rows << QVariantList{
        ImportProcedures::SourceRefusal(connection, arguments.value(0).trimmed())};
    return result;
}

ProcedureResult PrepareProcedure(DbConnection& connection, const QStringList& arguments)
{
    const QString source = arguments.value(0).trimmed();
    const QString table = VoucherTable(arguments.value(1));
    const QString work = arguments.value(2).trimmed();
    const QStringList workColumns = WorkColumns(connection, work);
    const QString refusal = ImportProcedures::SourceRefusal(connection, source);
    if (!refusal.isEmpty())
        throw DatabaseError(refusal, QString(), DatabaseError::Kind::Unavailable, source);

    const Dialect& dialect = connection.dialect();
    const QStringList sourceColumns = dialect.tableColumns(source + QStringLiteral("..") + table);
    const auto in = [&](const QString& name) { return dialect.tableIn(source, name); };
    const bool hasAsset = Has(sourceColumns, kAsset);

    // Each code's name from the source period's own lists, where the table has the code.
    QString joins;
    QHash<QString, QString> names;
    const auto join = [&](const QString& code, const QString& alias, const QString& list,
                          const QString& on, const QString& name, const QString& target) {
        if (!Has(sourceColumns, code))
            return;
        joins += QStringLiteral(" LEFT JOIN ") + in(list) + QStringLiteral(" AS ") + alias +
                 QStringLiteral(" ON ") + on;
        names.insert(target.toLower(), name);
    };
    const auto same = [](const QString& alias, const QString& column) {
        return Col(alias, column) + QStringLiteral(" = ") + Col(QStringLiteral("S"), column);
    };
    join(kAsset, QStringLiteral("A"), kAssets, same(QStringLiteral("A"), kAsset),
         Col(QStringLiteral("A"), QStringLiteral("DaraNam")), QStringLiteral("DaraNam"));
    join(QStringLiteral("VazCod"), QStringLiteral("V"), QStringLiteral("D_VazDarae"),
         same(QStringLiteral("V"), QStringLiteral("VazCod")),
         Col(QStringLiteral("V"), QStringLiteral("VazNam")), QStringLiteral("VazNam"));
    join(QStringLiteral("MakanCod"), QStringLiteral("M"), QStringLiteral("D_Makan"),
         same(QStringLiteral("M"), QStringLiteral("MakanCod")),
         Col(QStringLiteral("M"), QStringLiteral("MakanNam")), QStringLiteral("MakanNam"));
    join(QStringLiteral("PersonelCod"), QStringLiteral("P"), QStringLiteral("Person"),
         Col(QStringLiteral("P"), QStringLiteral("Code")) + QStringLiteral(" = ") +
             Col(QStringLiteral("S"), QStringLiteral("PersonelCod")),
         Col(QStringLiteral("P"), QStringLiteral("Name")) + QStringLiteral(" || ' ' || ") +
             Col(QStringLiteral("P"), QStringLiteral("Family")),
         QStringLiteral("PersonelNam"));
    join(QStringLiteral("MabadiCod"), QStringLiteral("B"), QStringLiteral("D_Mabadi"),
         same(QStringLiteral("B"), QStringLiteral("MabadiCod")),
         Col(QStringLiteral("B"), QStringLiteral("MabadiNam")), QStringLiteral("MabadiNam"));
    join(QStringLiteral("Koll"), QStringLiteral("K"), QStringLiteral("Koll"),
         same(QStringLiteral("K"), QStringLiteral("Koll")),
         Col(QStringLiteral("K"), QStringLiteral("NamHesab")), QStringLiteral("KNamHesab"));
    join(QStringLiteral("Moein"), QStringLiteral("MO"), QStringLiteral("Moein"),
         same(QStringLiteral("MO"), QStringLiteral("Koll")) + QStringLiteral(" AND ") +
             same(QStringLiteral("MO"), QStringLiteral("Moein")),
         Col(QStringLiteral("MO"), QStringLiteral("NamHesab")), QStringLiteral("MNamHesab"));
    join(QStringLiteral("Tafsily"), QStringLiteral("T"), QStringLiteral("Tafsily"),
         same(QStringLiteral("T"), QStringLiteral("Tafsily")),
         Col(QStringLiteral("T"), QStringLiteral("NamHesab")), QStringLiteral("TNamHesab"));
    join(QStringLiteral("Tafsily2"), QStringLiteral("T2"), QStringLiteral("Tafsily2"),
         same(QStringLiteral("T2"), QStringLiteral("Tafsily2")),
         Col(QStringLiteral("T2"), QStringLiteral("NamHesab")), QStringLiteral("T2NamHesab"));
    // The initial adjustment keeps the asset's name in its own rows.
    if (Has(sourceColumns, QStringLiteral("DaraNam")))
        names.insert(QStringLiteral("daranam"),
                     QStringLiteral("COALESCE(") +
                         names.value(QStringLiteral("daranam"), QStringLiteral("NULL")) +
                         QStringLiteral(", ") +
                         Col(QStringLiteral("S"), QStringLiteral("DaraNam")) + QLatin1Char(')'));

    // "2": a voucher of that number is stored here; "3": the asset is not registered
    // here. Both are joined (the numbers stored here once each; the register by its
    // key), not asked row by row: the server runs a sub-select in the row's values as
    // a plan of its own for every row.
    joins += QStringLiteral(" LEFT JOIN (SELECT DISTINCT ") + SqlIdent(kNumber) +
             QStringLiteral(" AS \"HereNumber\" FROM ") + SqlIdent(table) +
             QStringLiteral(") AS HN ON HN.\"HereNumber\" = ") + Col(QStringLiteral("S"), kNumber);
    const QString numberHere =
        QStringLiteral("CASE WHEN HN.\"HereNumber\" IS NOT NULL THEN '2' ELSE '' END");
    // "5": a voucher the closing values this period opened with already hold (this
    // period was made as the next one of the source, while the voucher was there).
    joins += QStringLiteral(" LEFT JOIN (SELECT \"SanadNoAmval\" AS \"OpenedNumber\" FROM ") +
             SqlIdent(Schema::kOpeningVouchersTable) +
             QStringLiteral(" WHERE lower(\"SourceDB\") = ? AND \"TableNam\" = ?) AS OV ON "
                            "OV.\"OpenedNumber\" = ") +
             Col(QStringLiteral("S"), kNumber);
    const QString inOpening =
        QStringLiteral("CASE WHEN OV.\"OpenedNumber\" IS NOT NULL THEN '5' ELSE '' END");
    if (hasAsset)
        joins += QStringLiteral(" LEFT JOIN ") + SqlIdent(kAssets) + QStringLiteral(" AS RU ON ") +
                 same(QStringLiteral("RU"), kAsset);
    const QString assetUnknown = hasAsset ? QStringLiteral("CASE WHEN ") +
                                                Col(QStringLiteral("RU"), kAsset) +
                                                QStringLiteral(" IS NULL THEN '3' ELSE '' END")
                                          : QStringLiteral("''");
    const QString state = QStringLiteral("COALESCE(NULLIF(") + numberHere + QStringLiteral(" || ") +
                          inOpening + QStringLiteral(" || ") + assetUnknown +
                          QStringLiteral(", ''), '1')");

    QStringList into;
    QStringList values;
    for (const QString& column : workColumns) {
        QString value;
        if (column.compare(kOrder, Qt::CaseInsensitive) == 0)
            value = Col(QStringLiteral("S"), kNumber);
        else if (column.compare(kState, Qt::CaseInsensitive) == 0)
            value = state;
        else if (names.contains(column.toLower()))
            value = names.value(column.toLower());
        else if (column.compare(QStringLiteral("IDX"), Qt::CaseInsensitive) != 0 &&
                 Has(sourceColumns, column))
            value = Col(QStringLiteral("S"), column);
        if (value.isEmpty())
            continue;
        into << SqlIdent(column);
        values << value;
    }

    // One view of the source and of this period's vouchers; only the work table,
    // this connection's own, is written.
    Transaction transaction(connection, DbConnection::TransactionKind::Read);
    for (const QString& setting : AssetRegister::BulkWorkStatements(connection))
        connection.execute(setting);
    connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(work));
    // The grid sorts the preview itself, so the row numbers need not follow the
    // source's voucher numbers; they do where that costs nothing: the embedded engine
    // reads the source through its key in that order anyway. The server would sort
    // the joined rows, and with no statistics yet on this period's table of the kind
    // it merges the stored numbers in by a sort that spills to disk; there the rows
    // are numbered in the order the source is read.
    const QString order = connection.isServer()
                              ? QString()
                              : QStringLiteral(" ORDER BY ") + Col(QStringLiteral("S"), kNumber) +
                                    QStringLiteral(", ") +
                                    Col(QStringLiteral("S"), QStringLiteral("Raj"));
    // The fill reads the source and probes its lists for every row: the connection's
    // page cache goes with it meanwhile.
    connection.readWithCacheLent(source, [&] {
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(work) + QStringLiteral(" (") +
                               into.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") +
                               values.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                               in(table) + QStringLiteral(" AS S") + joins + order,
                           {source.toLower(), table});
    });
    // A voucher with an asset not registered here is left out whole: its other rows
    // are marked "4" beside their own marks. The numbers of such vouchers are gathered
    // once into a keyed table of their own, so that each work row is looked up there
    // by the key (the work table has neither index nor the engine's statistics: a
    // look-up into it for every row grows with the square of the rows).
    if (hasAsset && Has(workColumns, kNumber)) {
        dialect.dropTempTable(kUnknownTable);
        connection.execute(dialect.createTempTable(kUnknownTable) + QStringLiteral(" (") +
                           SqlIdent(kNumber) + QStringLiteral(" VARCHAR(50) PRIMARY KEY)"));
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kUnknownTable) +
                           QStringLiteral(" (") + SqlIdent(kNumber) +
                           QStringLiteral(") SELECT DISTINCT ") + SqlIdent(kNumber) +
                           QStringLiteral(" FROM ") + SqlIdent(work) + QStringLiteral(" WHERE ") +
                           SqlIdent(kState) + QStringLiteral(" LIKE '%3%' AND ") +
                           SqlIdent(kNumber) + QStringLiteral(" IS NOT NULL"));
        QSqlQuery any = connection.select(QStringLiteral("SELECT 1 FROM ") +
                                          SqlIdent(kUnknownTable) + QStringLiteral(" LIMIT 1"));
        if (any.next())
            connection.execute(
                QStringLiteral("UPDATE ") + SqlIdent(work) + QStringLiteral(" SET ") +
                SqlIdent(kState) + QStringLiteral(" = CASE WHEN ") + SqlIdent(kState) +
                QStringLiteral(" = '1' THEN '4' ELSE ") + SqlIdent(kState) +
                QStringLiteral(" || '4' END WHERE ") + SqlIdent(kState) +
                QStringLiteral(" NOT LIKE '%3%' AND ") + SqlIdent(kNumber) +
                QStringLiteral(" IN (SELECT ") + SqlIdent(kNumber) + QStringLiteral(" FROM ") +
                SqlIdent(kUnknownTable) + QStringLiteral(")"));
        any = QSqlQuery();
        dialect.dropTempTable(kUnknownTable);
    }
    // Where this preview came from.
    if (!dialect.tempObjectExists(kPreviewSourcesTable))
        connection.execute(dialect.createTempTable(kPreviewSourcesTable) +
                           QStringLiteral(" (\"Work\" VARCHAR(200) PRIMARY KEY, \"Source\" "
                                          "VARCHAR(200))"));
    connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kPreviewSourcesTable) +
                           QStringLiteral(" WHERE \"Work\" = ?"),
                       {work});
    connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kPreviewSourcesTable) +
                           QStringLiteral(" (\"Work\", \"Source\") VALUES (?, ?)"),
                       {work, source});
    transaction.commit();
    return {};
}

// The period the preview in `work` was read from; empty when none is known here.
QString PreviewSource(DbConnection& connection, const QString& work)
{
    if (!connection.dialect().tempObjectExists(kPreviewSourcesTable))
        return QString();
    QSqlQuery q = connection.select(QStringLiteral("SELECT \"Source\" FROM ") +
                                        SqlIdent(kPreviewSourcesTable) +
                                        QStringLiteral(" WHERE \"Work\" = ?"),
                                    {work});
    return q.next() ? q.value(0).toString().trimmed() : QString();
}

// Records the vouchers `from` names (each row W of the work table a carry-over takes,
// before it is copied) as brought here from `source`; one row a voucher.
void RecordCarried(DbConnection& connection, const QString& source, const QString& table,
                   const QString& from)
{
    if (source.isEmpty())
        return;
    const QString carriedTable = SqlIdent(Schema::kCarriedVouchersTable);
    connection.execute(
        QStringLiteral("INSERT INTO ") + carriedTable +
            QStringLiteral(" (\"SourceDB\", \"TableNam\", \"SanadNoAmval\") SELECT DISTINCT ?, ?, "
                           "K.\"N\" FROM (SELECT ") +
            Col(QStringLiteral("W"), kNumber) + QStringLiteral(" AS \"N\"") + from +
            QStringLiteral(") AS K WHERE NOT EXISTS (SELECT 1 FROM ") + carriedTable +
            QStringLiteral(" AS X WHERE X.\"SourceDB\" = ? AND X.\"TableNam\" = ? AND "
                           "X.\"SanadNoAmval\" = K.\"N\")"),
        {source, table, source, table});
}

ProcedureResult CarryProcedure(DbConnection& connection, const QStringList& arguments)
{
    const QString table = VoucherTable(arguments.value(0));
    const QString work = arguments.value(1).trimmed();
    const QStringList workColumns = WorkColumns(connection, work);
    const QStringList stored = connection.dialect().tableColumns(table);
    // The columns the caller listed that both tables have; any other name is left
    // out, never put into the statement.
    QStringList columns;
    for (const QString& listed : arguments.value(2).split(QLatin1Char(','))) {
        const QString name = listed.trimmed();
        for (const QString& column : stored) {
            if (column.compare(name, Qt::CaseInsensitive) == 0 && Has(workColumns, column) &&
                !Has(columns, column))
                columns << column;
        }
    }
    if (!Has(columns, kNumber) || !Has(columns, QStringLiteral("Raj")))
        throw DatabaseError(QStringLiteral("The column list of '%1' lacks its key.").arg(table),
                            table, DatabaseError::Kind::MissingObject);
    const bool hasAsset = Has(columns, kAsset);

    // A voucher is carried whole or not at all: not when its number is stored here
    // (already carried, or a voucher of this period), nor when one of its assets is
    // not registered here. Read under the kind's numbering lock, so that no other
    // carry-over or save of the kind comes between the test and the copy.
    QString carried = QStringLiteral(" FROM ") + SqlIdent(work) +
                      QStringLiteral(" AS W WHERE NOT EXISTS (SELECT 1 FROM ") + SqlIdent(table) +
                      QStringLiteral(" AS H WHERE ") + Col(QStringLiteral("H"), kNumber) +
                      QStringLiteral(" = ") + Col(QStringLiteral("W"), kNumber) + QLatin1Char(')');
    // Nor when the closing values this period opened with hold it already (the
    // preview's mark "5": the set is fixed when the period is made).
    if (Has(workColumns, kState))
        carried += QStringLiteral(" AND COALESCE(") + Col(QStringLiteral("W"), kState) +
                   QStringLiteral(", '') NOT LIKE '%5%'");
    // The vouchers with an asset not registered here, gathered once.
    if (hasAsset)
        carried += QStringLiteral(" AND ") + Col(QStringLiteral("W"), kNumber) +
                   QStringLiteral(" NOT IN (SELECT ") + Col(QStringLiteral("O"), kNumber) +
                   QStringLiteral(" FROM ") + SqlIdent(work) +
                   QStringLiteral(" AS O WHERE NOT EXISTS (SELECT 1 FROM ") + SqlIdent(kAssets) +
                   QStringLiteral(" AS R WHERE ") + Col(QStringLiteral("R"), kAsset) +
                   QStringLiteral(" = ") + Col(QStringLiteral("O"), kAsset) + QStringLiteral("))");

    Transaction transaction(connection);
    const Dialect& dialect = connection.dialect();
    for (const QString& setting : AssetRegister::BulkWorkStatements(connection))
        connection.execute(setting);
    Schema::LockNumbering(connection, table);
    // The period the vouchers come from, as the preview read it.
    const QString source = PreviewSource(connection, work);
    // The server plans the reads of the work table (which rows to carry, their codes,
    // the copies) by what it knows of it: without statistics it takes a preview of
    // wide rows for a seventeenth of its rows and probes the register once a row (a
    // second carry-over of a period waited seconds on that).
    if (connection.isServer())
        connection.execute(
            QStringLiteral("ANALYZE ") + SqlIdent(work) + QStringLiteral(" (") + SqlIdent(kNumber) +
            (hasAsset ? QStringLiteral(", ") + SqlIdent(kAsset) : QString()) + QLatin1Char(')'));
    // What the work table offers, rows and vouchers, to tell how much is left out.
    const auto rowsAndVouchers = [&](const QString& from) {
        QSqlQuery q =
            connection.select(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT ") +
                              Col(QStringLiteral("W"), kNumber) + QLatin1Char(')') + from);
        return q.next() ? std::pair{q.value(0).toLongLong(), q.value(1).toLongLong()}
                        : std::pair<qint64, qint64>{0, 0};
    };
    const auto [offeredRows, offeredVouchers] =
        rowsAndVouchers(QStringLiteral(" FROM ") + SqlIdent(work) + QStringLiteral(" AS W"));
    qint64 count = 0;
    qint64 vouchers = 0;
    QStringList into;
    QStringList values;
    for (const QString& column : columns) {
        into << SqlIdent(column);
        values << Col(QStringLiteral("W"), column);
    }
    const QString insert = QStringLiteral("INSERT INTO ") + SqlIdent(table) + QStringLiteral(" (") +
                           into.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") +
                           values.join(QStringLiteral(", "));
    // The register follows the table, or reads its rows for the cost (the purchase):
    // the assets the carried rows name are recomputed, or those a reduction moved.
    const bool costs = hasAsset && AssetRegister::Costs(table);
    const bool follows = hasAsset && (AssetRegister::Follows(table) || costs);
    // The assets the carried rows name, listed before the copy (the register's table
    // of codes); how many.
    qint64 assets = 0;
    const auto list = [&](const QString& from) {
        if (follows)
            assets =
                AssetRegister::ListForRecompute(connection, Col(QStringLiteral("W"), kAsset), from);
    };
    qint64 total = 0;
    if (Has(workColumns, QStringLiteral("IDX"))) {
        // The rows carried are chosen once, before any is copied, by their row numbers;
        // the copy then goes a range of them at a time (a step of the progress), in
        // the work table's order.
        dialect.dropTempTable(kCarriedTable);
        connection.execute(dialect.createTempTable(kCarriedTable) +
                           QStringLiteral(" (\"IDX\" INTEGER PRIMARY KEY)"));
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kCarriedTable) +
                           QStringLiteral(" (\"IDX\") SELECT ") +
                           Col(QStringLiteral("W"), QStringLiteral("IDX")) + carried);
        const QString picked =
            QStringLiteral(" FROM ") + SqlIdent(kCarriedTable) + QStringLiteral(" AS C JOIN ") +
            SqlIdent(work) + QStringLiteral(" AS W ON ") +
            Col(QStringLiteral("W"), QStringLiteral("IDX")) + QStringLiteral(" = C.\"IDX\"");
        qint64 first = 0;
        qint64 last = -1;
        {
            QSqlQuery q = connection.select(QStringLiteral("SELECT COUNT(*), MIN(\"IDX\"), "
                                                           "MAX(\"IDX\") FROM ") +
                                            SqlIdent(kCarriedTable));
            if (q.next()) {
                count = q.value(0).toLongLong();
                first = q.value(1).toLongLong();
                last = q.value(2).toLongLong();
            }
        }
        if (count > 0) {
            list(picked);
            RecordCarried(connection, source, table, picked);
        }
        // Each row chosen is copied (a failure ends the transaction), under the lock.
        vouchers = count > 0 ? rowsAndVouchers(picked).second : 0;
        total = count + assets;
        connection.reportProgress(0, total);
        for (qint64 from = first; count > 0 && from <= last; from += kRowsPerStep) {
            const qint64 to = std::min(from + kRowsPerStep, last + 1) - 1;
            connection.execute(insert + picked +
                                   QStringLiteral(" WHERE C.\"IDX\" BETWEEN ? AND ?") +
                                   QStringLiteral(" ORDER BY C.\"IDX\""),
                               {from, to});
            connection.reportProgress(count * (to - first + 1) / (last - first + 1), total);
        }
        dialect.dropTempTable(kCarriedTable);
    } else {
        const QString countStored = QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(table);
        const auto storedRows = [&] {
            QSqlQuery q = connection.select(countStored);
            return q.next() ? q.value(0).toLongLong() : 0;
        };
        const qint64 before = storedRows();
        vouchers = rowsAndVouchers(carried).second;
        // The assets the carried rows move: listed before the copy (after it the rows
        // are here and no longer carried).
        list(carried);
        RecordCarried(connection, source, table, carried);
        connection.execute(insert + carried + QStringLiteral(" ORDER BY ") +
                           Col(QStringLiteral("W"), kNumber) + QStringLiteral(", ") +
                           Col(QStringLiteral("W"), QStringLiteral("Raj")));
        total = assets;
        count = storedRows() - before;
    }
    // Only the records of the assets the carried rows move are recomputed, once, and
    // of them only what the table's rows make a difference to.
    if (count > 0 && assets > 0) {
        const qint64 copied = total - assets;
        AssetRegister::RecomputeListed(
            connection,
            [&](qsizetype done, qsizetype) { connection.reportProgress(copied + done, total); },
            table);
        connection.reportProgress(total, total);
    }
    ProcedureResult result;
    result.columns << QStringLiteral("Count") << QStringLiteral("Vouchers")
                   << QStringLiteral("LeftRows") << QStringLiteral("LeftVouchers");
    result.rows << QVariantList{count, vouchers, std::max<qint64>(0, offeredRows - count),
                                std::max<qint64>(0, offeredVouchers - vouchers)};
    transaction.commit();
    return result;
}

} // namespace

namespace ImportProcedures {

QString SourceRefusal(DbConnection& connection, const QString& source)
{
    if (source.isEmpty() || source.compare(connection.databaseName(), Qt::CaseInsensitive) == 0)
        return Refusal(source, QStringLiteral("دوره مبدا همان دوره جاري است"));
    const QString reason = PeriodUnreadable(connection, source);
    return reason.isEmpty() ? QString() : Refusal(source, reason);
}

QString PeriodUnreadable(DbConnection& connection, const QString& source)
{
    try {
        if (!connection.databaseExists(source) || !connection.attach(source))
            return QStringLiteral("پايگاه داده آن پيدا نشد");
        const Dialect& dialect = connection.dialect();
        int version = 0;
        if (dialect.tableExists(source + QStringLiteral("..") + kVersionTable)) {
            QSqlQuery q = connection.select(QStringLiteral("SELECT MAX(\"Version\") FROM ") +
                                            dialect.tableIn(source, kVersionTable));
            if (q.next())
                version = q.value(0).toInt();
        } else {
            // No version: either no database of the system, or one the engine cannot
            // read at all; reading one of its tables tells which.
            connection.select(QStringLiteral("SELECT 1 FROM ") + dialect.tableIn(source, kAssets) +
                              QStringLiteral(" LIMIT 1"));
        }
        if (version == Schema::kVersion)
            return QString();
        connection.detach(source);
        return version < Schema::kVersion
                   ? QStringLiteral("با نسخه قديمي تري از برنامه ساخته شده است؛ "
                                    "يك بار آن دوره را باز كنيد تا به روز شود")
                   : QStringLiteral("با نسخه تازه تري از برنامه ساخته شده است");
    } catch (const DatabaseError& e) {
        try {
            connection.detach(source);
        } catch (const DatabaseError&) {
        }
        switch (e.kind()) {
        case DatabaseError::Kind::Busy:
            return QStringLiteral("برنامه ديگري آن را در دست دارد؛ "
                                  "كمي بعد دوباره سعي كنيد");
        case DatabaseError::Kind::MissingObject:
            return QStringLiteral("پايگاه داده اين سيستم نيست");
        case DatabaseError::Kind::Unavailable:
        case DatabaseError::Kind::AccessDenied:
            return QStringLiteral("باز نمي شود");
        default:
            return QStringLiteral("آسيب ديده است يا پايگاه داده نيست");
        }
    }
}

void Register(CompanyProcedures& procedures)
{
    procedures.add(QStringLiteral("sp_D_Asnad_Import_Source"), &SourceProcedure);
    procedures.add(QStringLiteral("sp_D_Asnad_Import_Perpar"), &PrepareProcedure);
    procedures.add(QStringLiteral("sp_D_Asnad_Import"), &CarryProcedure);
}

} // namespace ImportProcedures
