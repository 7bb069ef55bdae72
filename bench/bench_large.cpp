// One operation on the large company, timed beside the engine doing the same work
// in the same run, and the peak memory of this process (each operation runs in a
// process of its own: scripts/bench.sh). Prints one line, and for an interactive
// operation (a window, a list, a grid's first screen) a second one, "<operation>:cold",
// with its first run in the process (the first opening after the program starts):
//   RESULT <operation> <voucher rows> <ours ms> <raw ms> <ratio> <peak MB>
// Our side goes through the program's own code (procedures, windows built offscreen,
// pick list, data set and grid, export); the raw side is the same SQL work written
// directly on a QSqlDatabase of its own (prepared, forward-only). Times are medians
// of several repetitions where an operation is short.
//
//   bench_large --place PLACE --generate --size ROWS --assets N
//   bench_large --place PLACE --size ROWS --op NAME
// An operation the company is too small for prints dashes for its times.

#include "amvalgardaniunit.h"
#include "amvalsearchunit.h"
#include "assetcardunit.h"
#include "assetpicklists.h"
#include "assetregister.h"
#include "assetregisterunit.h"
#include "assetschedule.h"
#include "assetscheduleunit.h"
#include "buycreateunit.h"
#include "commandquery.h"
#include "companyprocedures.h"
#include "context/tempgridform.h"
#include "d_globalunit.h"
#include "databasefolder.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "demohost.h"
#include "excelimportstore.h"
#include "excelimportunit.h"
#include "foroshdayehunit.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "importasnadunit.h"
#include "installhost.h"
#include "labelsheet.h"
#include "largecompany.h"
#include "picklist.h"
#include "sqlquote.h"
#include "tahvilantegalunit.h"
#include "voucherdriver.h"
#include "voucherkinds.h"
#include "workbookreader.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <xlsxwriter.h>
#include <zint.h>

namespace {

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The first run of the last Median, in a process that runs one operation: the
// operation as a clerk meets it the first time after starting the program (nothing
// of it prepared or cached yet).
double g_firstRun = -1;

// The median time of `repeat` runs of `work` (ms); `prepare` runs before each,
// untimed.
double Median(int repeat, const std::function<void()>& work,
              const std::function<void()>& prepare = {})
{
    QList<double> times;
    for (int i = 0; i < repeat; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer t;
        t.start();
        work();
        times << double(t.nsecsElapsed()) / 1e6;
    }
    g_firstRun = times.isEmpty() ? -1 : times.first();
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

[[noreturn]] void Fail(const QString& what)
{
    std::fprintf(stderr, "bench_large: %s\n", qPrintable(what));
    std::exit(1);
}

// The raw engine: a QSqlDatabase of its own on the company's current period, no
// class of the project.
class Raw
{
public:
    explicit Raw(const DbConnection& company)
    {
        m_name = QUuid::createUuid().toString();
        if (company.isServer()) {
            const QUrl url(company.dataFolder());
            m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
            m_db.setHostName(url.host());
            m_db.setPort(url.port(5432));
            m_db.setUserName(url.userName());
            m_db.setPassword(url.password());
            m_db.setDatabaseName(url.path().mid(1));
        } else {
            m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
            m_db.setDatabaseName(company.file());
        }
        if (!m_db.open())
            Fail(QStringLiteral("raw connection: ") + m_db.lastError().text());
        if (company.isServer())
            exec(QStringLiteral("SET search_path TO ") + company.databaseName().toLower());
        m_rowAddress = company.isServer() ? QStringLiteral("ctid") : QStringLiteral("rowid");
    }
    // The engine's own row identity, the last key of a read in stored order.
    QString rowAddress() const { return m_rowAddress; }
    ~Raw()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase& db() { return m_db; }
    void exec(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            Fail(sql + QStringLiteral(": ") + q.lastError().text());
    }
    // Runs a prepared statement with `values`, reading every row; answers the rows.
    int read(QSqlQuery& q, const QVariantList& values = {})
    {
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec())
            Fail(q.lastQuery() + QStringLiteral(": ") + q.lastError().text());
        int n = 0;
        while (q.next())
            ++n;
        return n;
    }
    QSqlQuery prepare(const QString& sql)
    {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            Fail(sql + QStringLiteral(": ") + q.lastError().text());
        return q;
    }

private:
    QString m_name;
    QString m_rowAddress;
    QSqlDatabase m_db;
};

QString Scalar(DbConnection& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery q = db.select(sql, values);
    return q.next() ? q.value(0).toString() : QString();
}

// Every voucher row of the company, the columns the voucher tables share.
QString AllRowsSql()
{
    QStringList parts;
    for (const QString& table : LargeCompanyVoucherTables())
        parts << QStringLiteral("SELECT SanadNoAmval, Raj, User_Name, sDate, DaraCod, Bargeh "
                                "FROM ") +
                     table; // unquoted: the raw connection does not fold quoted names

    return parts.join(QStringLiteral(" UNION ALL "));
}

struct Result
{
    double ours = 0;
    double raw = 0;
    // An interactive operation's first run in its process (ms); -1 for the others.
    double cold = -1;
};

// Takes the first run of the Median just taken as `r`'s cold figure.
void TakeCold(Result& r)
{
    r.cold = g_firstRun;
}

// Fills the transaction table `table` with `rows` purchase rows, as the window holds
// a voucher of that many rows: a stored voucher of at least that many lends its first
// rows; without one (large vouchers are rare), the first purchase rows of the company,
// renumbered (every asset is bought once, so they name `rows` different assets).
// False when the company has fewer purchase rows than that.
bool FillVoucher(DbConnection& db, const QString& table, int rows)
{
    const QString source = Scalar(db,
                                  QStringLiteral("SELECT SanadNoAmval FROM D_Buy_Create "
                                                 "GROUP BY SanadNoAmval HAVING COUNT(*) >= ? "
                                                 "ORDER BY COUNT(*), SanadNoAmval LIMIT 1"),
                                  {rows});
    const QString any =
        source.isEmpty() ? Scalar(db, QStringLiteral("SELECT MIN(SanadNoAmval) FROM D_Buy_Create"))
                         : source;
    if (any.isEmpty())
        return false;
    db.callProcedure(QStringLiteral("sp_D_Asnad_BuyCreate"),
                     {table, any.trimmed(), QStringLiteral("DB->TRANS")});
    if (!source.isEmpty()) {
        db.execute(QStringLiteral("DELETE FROM ") + SqlIdent(table) +
                       QStringLiteral(" WHERE Raj > ?"),
                   {rows});
        return true;
    }
    if (Scalar(db, QStringLiteral("SELECT COUNT(*) FROM D_Buy_Create")).toInt() < rows)
        return false;
    // The rows of the table's own columns, from the first purchase rows.
    const QStringList tableColumns = db.dialect().tableColumns(table);
    QSqlQuery stored = db.select(QStringLiteral("SELECT * FROM D_Buy_Create LIMIT 0"));
    QStringList columns;
    for (int i = 0; i < stored.record().count(); ++i) {
        const QString c = db.dialect().fieldName(stored.record().fieldName(i));
        if (tableColumns.contains(c, Qt::CaseInsensitive))
            columns << c;
    }
    QStringList quoted;
    for (const QString& c : std::as_const(columns))
        quoted << SqlIdent(c);
    QList<QVariantList> values;
    {
        QSqlQuery q = db.select(QStringLiteral("SELECT ") + quoted.join(QStringLiteral(", ")) +
                                    QStringLiteral(" FROM D_Buy_Create ORDER BY SanadNoAmval, "
                                                   "Raj LIMIT ?"),
                                {rows});
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < columns.size(); ++i)
                row << q.value(i);
            values << row;
        }
    }
    const int raj = int(columns.indexOf(QStringLiteral("Raj"), Qt::CaseInsensitive));
    const QString insert = QStringLiteral("INSERT INTO ") + SqlIdent(table) + QStringLiteral(" (") +
                           quoted.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                           QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')) +
                           QLatin1Char(')');
    Transaction transaction(db);
    db.execute(QStringLiteral("DELETE FROM ") + SqlIdent(table));
    for (int i = 0; i < values.size(); ++i) {
        QVariantList row = values.at(i);
        if (raj >= 0)
            row[raj] = i + 1;
        db.execute(insert, row);
    }
    transaction.commit();
    return true;
}

// A purchase voucher of `rows` rows saved as the window's OK saves it: the
// transaction table filled, the procedure, the accounting voucher step and the log,
// one transaction; each repetition a new voucher under the next number. Beside it
// the same rows, under a number of their own each repetition, written by plain
// statements on a connection of the engine's defaults (as the program's): the
// number's rows deleted first (none), the rows inserted from a temporary table, the
// log row, one transaction. `skipped` when the company has too few purchase rows.
Result Save(DemoHost& host, Raw& raw, int rows, int repeat, bool& skipped)
{
    DbConnection& db = host.db();
    const QString table = QStringLiteral("##AMV1_bench");
    skipped = !FillVoucher(db, table, rows);
    if (skipped)
        return {};
    TD_Global dg(&host.global, &host.database);
    Result r;
    r.ours = Median(repeat, [&] {
        Transaction transaction(db);
        const ProcedureResult saved =
            db.callProcedure(QStringLiteral("sp_D_Asnad_BuyCreate"),
                             {table, QStringLiteral("99999"), QStringLiteral("TRANS->DB"),
                              QStringLiteral("@Expect=NEW")});
        const QString number = saved.value(QStringLiteral("SanadNoAmval")).toString();
        dg.IssueInstantVoucher(VoucherKindOf(VoucherKindId::BuyCreate), table, number,
                               host.global.Today);
        db.callProcedure(
            QStringLiteral("sp_Asnad_Actions"),
            {QString(), QStringLiteral("A"), VoucherKindOf(VoucherKindId::BuyCreate).actionLabel,
             number, host.global.UserName, QStringLiteral("I"), host.global.Today,
             QStringLiteral("12:00:00"), QString(), QString(), QString(), host.global.TempStem});
        transaction.commit();
    });

    QList<QVariantList> values;
    {
        QSqlQuery q = db.select(
            QStringLiteral("SELECT Raj, User_Name, sDate, DaraCod, AmvalDes, MabadiCod, Koll, "
                           "Moein, Tafsily, Tafsily2, ProjectCod, Bargeh, EndFee, Esshat FROM ") +
            SqlIdent(table) + QStringLiteral(" ORDER BY Raj"));
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < 14; ++i)
                row << q.value(i);
            values << row;
        }
    }
    QSqlQuery del = raw.prepare(QStringLiteral("DELETE FROM D_Buy_Create WHERE SanadNoAmval = ?"));
    // The rows wait in a temporary table of the raw connection, as ours wait in the
    // window's transaction table, and go in by one INSERT ... SELECT.
    const QString columns = QStringLiteral(
        "Raj, User_Name, sDate, DaraCod, AmvalDes, MabadiCod, Koll, Moein, Tafsily, Tafsily2, "
        "ProjectCod, Bargeh, EndFee, Esshat");
    raw.exec(QStringLiteral("CREATE TEMP TABLE raw_save AS SELECT ") + columns +
             QStringLiteral(" FROM D_Buy_Create WHERE 0 = 1"));
    {
        QSqlQuery fill = raw.prepare(QStringLiteral("INSERT INTO raw_save (") + columns +
                                     QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                                    "?, ?, ?, ?)"));
        raw.db().transaction();
        for (const QVariantList& row : std::as_const(values))
            raw.read(fill, row);
        raw.db().commit();
    }
    QSqlQuery ins = raw.prepare(QStringLiteral("INSERT INTO D_Buy_Create (SanadNoAmval, ") +
                                columns + QStringLiteral(") SELECT ?, ") + columns +
                                QStringLiteral(" FROM raw_save ORDER BY Raj"));
    QSqlQuery log = raw.prepare(QStringLiteral(
        "INSERT INTO D_Asnad_Actions (ActProg, ActSys, SectionNam, ActSanadNo, User_Name, "
        "ActType, ActDate, ActTime, Extra1, Extra2, Extra3, TempStem) VALUES "
        "('', 'A', ?, ?, ?, 'I', ?, '12:00:00', '', '', '', ?)"));
    // The register's records of the voucher's assets that a reduction moved are
    // recomputed by the register's own statements, as a purchase's save recomputes
    // them (its cost price counts in the reduction's share).
    const QString codes = AssetRegister::RecomputeCodesTable();
    QStringList recompute;
    for (const QString& statement :
         AssetRegister::RecomputeStatements(db, false, QStringLiteral("D_Buy_Create")))
        recompute << db.dialect().statementText(statement);
    raw.exec(QStringLiteral("DROP TABLE IF EXISTS ") + codes);
    raw.exec(QStringLiteral("CREATE TEMP TABLE ") + codes +
             QStringLiteral(" (DaraCod TEXT PRIMARY KEY)"));
    QSqlQuery reduced = raw.prepare(
        QStringLiteral("INSERT INTO ") + codes +
        QStringLiteral(" (DaraCod) SELECT DISTINCT B.DaraCod FROM D_Buy_Create AS B JOIN "
                       "D_Amval AS A ON A.DaraCod = B.DaraCod WHERE B.SanadNoAmval = ? AND "
                       "A.ReduceValue <> 0"));
    int next = 88000;
    r.raw = Median(repeat, [&] {
        const QString number = QString::number(++next).rightJustified(8, QLatin1Char(' '));
        raw.db().transaction();
        raw.read(del, {number});
        raw.read(ins, {number});
        raw.exec(QStringLiteral("DELETE FROM ") + codes);
        raw.read(reduced, {number});
        for (const QString& statement : std::as_const(recompute))
            raw.exec(statement);
        for (const QString& made : AssetRegister::RecomputeWorkTables())
            raw.exec(QStringLiteral("DROP TABLE IF EXISTS ") + made);
        raw.read(log, {VoucherKindOf(VoucherKindId::BuyCreate).actionLabel, number,
                       host.global.UserName, host.global.Today, host.global.TempStem});
        raw.db().commit();
    });
    return r;
}

QString VoucherOfRows(DbConnection& db, int rows)
{
    return Scalar(db,
                  QStringLiteral("SELECT SanadNoAmval FROM D_Buy_Create GROUP BY "
                                 "SanadNoAmval HAVING COUNT(*) = ? ORDER BY SanadNoAmval "
                                 "DESC LIMIT 1"),
                  {rows});
}

Result Load(DemoHost& host, Raw& raw, int repeat)
{
    DbConnection& db = host.db();
    const QString number = VoucherOfRows(db, 10);
    if (number.isEmpty())
        Fail(QStringLiteral("no purchase voucher of 10 rows"));
    Result r;
    r.ours = Median(repeat, [&] {
        db.callProcedure(
            QStringLiteral("sp_D_Asnad_BuyCreate"),
            {QStringLiteral("##AMV1_load"), number.trimmed(), QStringLiteral("DB->TRANS")});
    });
    raw.exec(
        QStringLiteral("CREATE TEMP TABLE raw_load AS SELECT * FROM D_Buy_Create WHERE 0 = 1"));
    QSqlQuery del = raw.prepare(QStringLiteral("DELETE FROM raw_load"));
    QSqlQuery ins = raw.prepare(QStringLiteral(
        "INSERT INTO raw_load SELECT * FROM D_Buy_Create WHERE SanadNoAmval = ? ORDER BY Raj"));
    // A load also reads the voucher's stored rows and cost components, in their
    // order, to tell at its save whether another user changed the voucher meanwhile.
    QSqlQuery rows = raw.prepare(
        QStringLiteral("SELECT * FROM D_Buy_Create WHERE SanadNoAmval = ? ORDER BY Raj, ") +
        raw.rowAddress());
    QSqlQuery components =
        raw.prepare(QStringLiteral("SELECT * FROM D_Buy_Create_Relate_Gheimat WHERE "
                                   "SanadNoAmval = ? ORDER BY ") +
                    raw.rowAddress());
    r.raw = Median(repeat, [&] {
        raw.db().transaction();
        raw.read(del);
        raw.read(ins, {number});
        raw.read(rows, {number});
        raw.read(components, {number});
        raw.db().commit();
    });
    return r;
}

// The raw reads a voucher window needs to show a voucher: its rows and the names of
// the first row's codes.
double RawVoucherRead(Raw& raw, const QString& number, int repeat)
{
    QSqlQuery rows = raw.prepare(
        QStringLiteral("SELECT * FROM D_Buy_Create WHERE SanadNoAmval = ? ORDER BY Raj"));
    QSqlQuery names = raw.prepare(QStringLiteral(
        "SELECT A.DaraNam, M.MabadiNam FROM D_Amval A, D_Mabadi M WHERE A.DaraCod = ? AND "
        "M.MabadiCod = ?"));
    QSqlQuery first = raw.prepare(QStringLiteral(
        "SELECT DaraCod, MabadiCod FROM D_Buy_Create WHERE SanadNoAmval = ? ORDER BY Raj LIMIT 1"));
    return Median(repeat, [&] {
        raw.read(rows, {number});
        first.bindValue(0, number);
        first.exec();
        if (first.next())
            raw.read(names, {first.value(0), first.value(1)});
    });
}

// The purchase voucher of 10 rows these two measure on: the first stored, so that
// the vouchers other operations saved before (under higher numbers) change nothing.
QString FixedVoucher(DbConnection& db)
{
    const QString number =
        Scalar(db, QStringLiteral("SELECT SanadNoAmval FROM D_Buy_Create GROUP BY "
                                  "SanadNoAmval HAVING COUNT(*) = 10 ORDER BY "
                                  "SanadNoAmval LIMIT 1"));
    if (number.isEmpty())
        Fail(QStringLiteral("no purchase voucher of 10 rows"));
    return number;
}

// The window opened and the fixed voucher typed into it, Enter: its rows shown.
Result OpenWindow(DemoHost& host, Raw& raw, int repeat)
{
    const QString number = FixedVoucher(host.db());
    Result r;
    r.ours = Median(repeat, [&] {
        auto* form = new TBuyCreateForm();
        form->resize(1100, 700);
        form->show();
        VoucherDriver(host, form).load(number.trimmed());
        QCoreApplication::processEvents();
        if (form->quAsnad->recordCount() != 10)
            Fail(QStringLiteral("open_window showed %1 rows").arg(form->quAsnad->recordCount()));
        delete form;
    });
    TakeCold(r);
    r.raw = RawVoucherRead(raw, number, repeat);
    return r;
}

// The card of an asset with 1,000 vouchers: an asset's transfers made up to that many
// inside a transaction that is rolled back at the end (the large company spreads its
// rows over all assets), its card shown (F5 in the window) beside the raw statement
// reading that asset's rows of the tables the register follows.
Result AssetCard(DemoHost& host, Raw& raw, int repeat)
{
    constexpr int kVouchers = 1000;
    DbConnection& db = host.db();
    const QString code =
        Scalar(db, QStringLiteral("SELECT DaraCod FROM D_Tahvil_Antegal ORDER BY DaraCod LIMIT 1"));
    if (code.isEmpty())
        Fail(QStringLiteral("no transfer to copy"));
    Transaction kept(db); // never committed: the company stays as it was
    const int have =
        Scalar(db, QStringLiteral("SELECT COUNT(*) FROM D_Tahvil_Antegal WHERE DaraCod = ?"),
               {code})
            .toInt();
    const int last = Scalar(db, QStringLiteral("SELECT MAX(CAST(trim(SanadNoAmval) AS INTEGER)) "
                                               "FROM D_Tahvil_Antegal"))
                         .toInt();
    const int width = db.dialect().columnWidth(QStringLiteral("D_Tahvil_Antegal"),
                                               QStringLiteral("SanadNoAmval"));
    for (int i = have; i < kVouchers; ++i) {
        const QString date = QStringLiteral("%1/%2/%3")
                                 .arg(host.global.StartDate.left(4))
                                 .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                                 .arg(1 + i % 29, 2, 10, QLatin1Char('0'));
        db.execute(
            QStringLiteral("INSERT INTO D_Tahvil_Antegal (SanadNoAmval, Raj, User_Name, "
                           "sDate, DaraCod, AmvalDes, PersonelCod, VazCod, MakanCod, "
                           "Tafsily2, Bargeh) SELECT ?, 1, User_Name, ?, DaraCod, AmvalDes, "
                           "PersonelCod, VazCod, MakanCod, Tafsily2, Bargeh FROM "
                           "D_Tahvil_Antegal WHERE DaraCod = ? LIMIT 1"),
            {QString::number(last + 1 + i).rightJustified(width, QLatin1Char(' ')), date, code});
    }
    auto* form = new TAssetCardForm();
    form->resize(1100, 700);
    form->show();
    form->EDaraCod->setText(code.trimmed());
    Result r;
    r.ours = Median(repeat, [&] {
        if (!form->ShowCard() || form->quCard->recordCount() < kVouchers)
            Fail(QStringLiteral("asset_card showed %1 rows").arg(form->quCard->recordCount()));
        QCoreApplication::processEvents();
    });
    TakeCold(r);
    delete form;
    // The raw side reads the rows by a prepared statement of its own on the session's
    // own driver connection, inside the same transaction (another connection would
    // not see the rows made up). Unquoted names: the driver does not fold quoted ones.
    QStringList parts;
    for (const QString& table : AssetRegister::FollowedTables() + QStringList{"D_Buy_Create"})
        parts << QStringLiteral("SELECT SanadNoAmval, Raj, sDate FROM ") + table +
                     QStringLiteral(" WHERE DaraCod IN (?, ?)");
    QSqlQuery q(db.database());
    q.setForwardOnly(true);
    if (!q.prepare(parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(" ORDER BY 3, 1, 2")))
        Fail(q.lastError().text());
    QVariantList values;
    for (qsizetype i = 0; i < parts.size(); ++i)
        values << code << code.trimmed();
    r.raw = Median(repeat, [&] {
        if (raw.read(q, values) < kVouchers)
            Fail(QStringLiteral("the raw read of asset_card found too few rows"));
    });
    return r;
}

// The register on a date: F5 in its window with every asset on the period's last day
// (after every voucher), timed to its first screen (the extra line
// "register_on_date:first") and to the whole with the sums, beside the raw engine
// summing each asset's voucher rows up to that day in one statement read to its end.
// The rows shown are checked against D_Amval, which they must equal on that day.
// Lines an operation prints beside its own: a name, ours and the raw figure.
struct ExtraLine
{
    QString name;
    double ours = -1;
    double raw = -1;
};
QList<ExtraLine> g_extra;
Result RegisterOnDate(DemoHost& host, Raw& raw, int repeat)
{
    const QString date = host.global.EndDate;
    auto* form = new TAssetRegisterForm();
    form->resize(1100, 700);
    form->show();
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    QList<double> firsts;
    form->FirstScreenShown = [&] {
        form->dbgRegister->viewport()->repaint();
        firsts << double(clock.nsecsElapsed()) / 1e6;
    };
    form->EYear->setText(date.left(4));
    form->EMonth->setText(date.mid(5, 2));
    form->EDay->setText(date.mid(8, 2));
    Result r;
    r.ours = Median(repeat, [&] {
        clock.start();
        if (!form->ShowRegister())
            Fail(QStringLiteral("register_on_date was refused"));
    });
    std::sort(firsts.begin(), firsts.end());
    const double first = firsts.isEmpty() ? -1 : firsts.at(firsts.size() / 2);
    DbConnection& db = host.db();
    const QString held = Scalar(db, QStringLiteral("SELECT COUNT(*) FROM D_Amval AS A WHERE "
                                                   "COALESCE(A.EndValue, 0) <> 0 OR EXISTS "
                                                   "(SELECT 1 FROM D_Buy_Create AS P WHERE "
                                                   "P.DaraCod = A.DaraCod)"));
    if (held.toInt() != form->quRegister->recordCount())
        Fail(QStringLiteral("register_on_date showed %1 assets of %2 held")
                 .arg(form->quRegister->recordCount())
                 .arg(held));
    QStringList differs;
    for (const char* column : {"PersonelCod", "MakanCod", "Tafsily2", "RaveshEst", "VezCod"})
        differs << QStringLiteral("COALESCE(A.%1, '') <> COALESCE(W.%1, '')").arg(column);
    for (const char* column : {"TadilValue", "AsaseChangeValue", "ReduceValue", "Salianeh",
                               "Nozooli", "Anbashteh", "Esshat"})
        differs << QStringLiteral("abs(COALESCE(A.%1, 0) - W.%1) > 0.01").arg(column);
    const QString wrong =
        Scalar(db, QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(form->ResultTable()) +
                       QStringLiteral(" AS W JOIN D_Amval AS A ON A.DaraCod = W.DaraCod WHERE ") +
                       differs.join(QStringLiteral(" OR ")));
    if (wrong.toInt() != 0)
        Fail(QStringLiteral("register_on_date: %1 assets differ from D_Amval").arg(wrong));
    delete form;
    InstallHost(host);

    // The engine alone doing the same work: the replay's statements, the day and the
    // range in their table, then its rows with the register's names and codes read to
    // the end.
    const QString bounds = AssetRegister::ReplayBoundsTable();
    QStringList replay;
    for (const QString& statement : AssetRegister::ReplayStatements(db))
        replay << db.dialect().statementText(statement);
    const QString read =
        QStringLiteral("SELECT V.*, A.DaraNam, A.MadehCod, A.MabadiCod FROM ") +
        AssetRegister::StandingTable() +
        QStringLiteral(" AS V JOIN D_Amval AS A ON A.DaraCod = V.Code WHERE COALESCE(A.EndValue, "
                       "0) <> 0 OR V.Purchased = 1 ORDER BY V.Code");
    r.raw = Median(repeat, [&] {
        raw.db().transaction();
        for (const QString& setting : AssetRegister::BulkWorkStatements(db))
            raw.exec(setting);
        for (const QString& made : AssetRegister::RecomputeWorkTables() + QStringList{bounds})
            raw.exec(QStringLiteral("DROP TABLE IF EXISTS ") + made);
        raw.exec(QStringLiteral("CREATE TEMP TABLE ") + bounds + QStringLiteral(" AS SELECT '") +
                 date +
                 QStringLiteral("' AS D, MIN(DaraCod) AS F, MAX(DaraCod) AS T, MIN(trim(DaraCod)) "
                                "AS BF, MAX(trim(DaraCod)) AS BT FROM D_Amval"));
        for (const QString& statement : std::as_const(replay))
            raw.exec(statement);
        QSqlQuery rows(raw.db());
        rows.setForwardOnly(true);
        if (!rows.prepare(read))
            Fail(rows.lastError().text());
        if (raw.read(rows) < held.toInt())
            Fail(QStringLiteral("the raw replay of register_on_date found too few assets"));
        rows.finish();
        raw.db().commit();
    });
    g_extra << ExtraLine{QStringLiteral("register_on_date:first"), first, r.raw};

    // Beside the engine merely summing each asset's voucher rows up to that day in one
    // statement read to its end (less than the replay: no order, no depreciation).
    const auto sum = [](const char* table, const char* amount) {
        return QStringLiteral("LEFT JOIN (SELECT DaraCod, SUM(%2) AS S FROM %1 WHERE sDate <= ? "
                              "GROUP BY DaraCod) AS %1 ON %1.DaraCod = A.DaraCod ")
            .arg(QString::fromLatin1(table), QString::fromLatin1(amount));
    };
    QSqlQuery q(raw.db());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT A.DaraCod, COALESCE(A.EndValue, 0) + "
                                  "COALESCE(D_Buy_Create.S, 0) + COALESCE(D_FirstTadil.S, 0) + "
                                  "COALESCE(D_AsaseChange.S, 0) - COALESCE(D_DaraeReduce.S, 0), "
                                  "D_Tahvil_Antegal.S FROM D_Amval AS A ") +
                   sum("D_Buy_Create", "EndFee") + sum("D_FirstTadil", "sValue") +
                   sum("D_AsaseChange", "sValue") + sum("D_DaraeReduce", "ArzeshReduce") +
                   QStringLiteral("LEFT JOIN (SELECT DaraCod, MAX(sDate) AS S FROM "
                                  "D_Tahvil_Antegal WHERE sDate <= ? GROUP BY DaraCod) AS "
                                  "D_Tahvil_Antegal ON D_Tahvil_Antegal.DaraCod = A.DaraCod "
                                  "ORDER BY A.DaraCod")))
        Fail(q.lastError().text());
    const double sums = Median(repeat, [&] {
        if (raw.read(q, QVariantList(5, date)) < held.toInt())
            Fail(QStringLiteral("the raw read of register_on_date found too few assets"));
    });
    g_extra << ExtraLine{QStringLiteral("register_on_date:sums"), r.ours, sums};
    return r;
}

// One step back (Down in the number) from the voucher after the fixed one onto it.
Result Step(DemoHost& host, Raw& raw, int repeat)
{
    const QString number = FixedVoucher(host.db());
    const QString after =
        Scalar(host.db(),
               QStringLiteral("SELECT MIN(SanadNoAmval) FROM D_Buy_Create WHERE SanadNoAmval > ?"),
               {number});
    if (after.isEmpty())
        Fail(QStringLiteral("no voucher after the fixed one"));
    auto* form = new TBuyCreateForm();
    form->resize(1100, 700);
    form->show();
    VoucherDriver drv(host, form);
    Result r;
    r.ours = Median(
        repeat,
        [&] {
            QTest::keyClick(form->SanadID, Qt::Key_Down);
            QCoreApplication::processEvents();
        },
        [&] {
            drv.load(after.trimmed());
            QCoreApplication::processEvents();
        });
    TakeCold(r);
    const QString shown = form->SanadID->text().trimmed();
    const int rows = form->quAsnad->recordCount();
    delete form;
    if (shown != number.trimmed() || rows != 10)
        Fail(QStringLiteral("the step showed %1 (%2 rows), not %3")
                 .arg(shown)
                 .arg(rows)
                 .arg(number));
    r.raw = RawVoucherRead(raw, number, repeat);
    return r;
}

// The asset pick list as a clerk opens it on a new row: the window (purchase,
// transfer or sale) on a new voucher, the cursor in the first row's empty asset
// cell, Enter; from the key to the host's own list window's first screen painted,
// then Escape. Beside it the engine reading the same statement's first screen.
template <typename Form>
Result PickListFirstIn(DemoHost& host, Raw& raw, int repeat, const char* window)
{
    TTempGridForm list;
    StoreHostContext(&host.global, host.myDate.get(), &host.database, host.dlgMsg, &list,
                     host.showStateForm);
    auto form = OpenForm<Form>(1100);
    VoucherDriver drv(host, form.get());
    drv.newVoucher();
    if (drv.currentColumn().compare(QLatin1String("DaraCod"), Qt::CaseInsensitive) != 0)
        Fail(QStringLiteral("%1: the new row stands in %2").arg(window, drv.currentColumn()));
    int shown = 0;
    int standing = -1;
    bool empty = false;
    QString sql;
    QVariantList values;
    Result r;
    r.ours = Median(repeat, [&] {
        QTimer::singleShot(0, &list, [&] {
            list.dbgTemp->viewport()->repaint();
            ++shown;
            // An empty list (every asset bought) stands on no row.
            standing = list.quTemp->isEmpty() ? 0 : list.quTemp->currentRow();
            empty = list.quTemp->isEmpty();
            sql = list.quTemp->sql();
            values = list.quTemp->boundValues();
            QTest::keyClick(list.dbgTemp, Qt::Key_Escape);
        });
        drv.gridKey(Qt::Key_Return);
    });
    TakeCold(r);
    StoreHostContext(&host.global, host.myDate.get(), &host.database, host.dlgMsg,
                     host.tempGridForm, host.showStateForm);
    if (shown != repeat || standing != 0)
        Fail(QStringLiteral("%1: the list opened %2 times of %3, on row %4")
                 .arg(window)
                 .arg(shown)
                 .arg(repeat)
                 .arg(standing));
    // The raw connection does not fold quoted names.
    sql.replace(QStringLiteral("\"Name\""), QStringLiteral("Name"));
    QSqlQuery q = raw.prepare(sql + QStringLiteral(" LIMIT 40"));
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    r.raw = Median(repeat, [&] { raw.read(q); });
    std::fprintf(stderr, "picklist_first: %s: %s\n", window,
                 empty ? "an empty list" : "a list of assets");
    return r;
}

// Typing in the open asset pick list: the host's own list window (not the scripted
// one) shown by the module as the purchase grid shows it, an asset's code typed key
// by key into its grid, each key timed until the list stands on the first match;
// Backspace clears the search between rounds. Beside it, the engine's indexed prefix
// query for the same text (the first screen of codes from that prefix on).
Result PickListKey(DemoHost& host, Raw& raw, int rounds)
{
    TD_Global dg(&host.global, &host.database);
    DbConnection& db = host.db();
    // An asset in the middle of the register, typed in full.
    const int assets = Scalar(db, QStringLiteral("SELECT COUNT(*) FROM D_Amval")).toInt();
    const QString stored =
        Scalar(db, QStringLiteral("SELECT DaraCod FROM D_Amval ORDER BY DaraCod LIMIT 1 OFFSET ?"),
               {assets / 2});
    const QString code = stored.trimmed();
    if (code.isEmpty())
        Fail(QStringLiteral("no asset to type"));
    TTempGridForm list;
    StoreHostContext(&host.global, host.myDate.get(), &host.database, host.dlgMsg, &list,
                     host.showStateForm);
    QList<double> keys;
    QString found;
    QTimer::singleShot(0, &list, [&] {
        for (int round = 0; round < rounds; ++round) {
            for (const QChar c : code) {
                QElapsedTimer t;
                t.start();
                QTest::sendKeyEvent(QTest::Press, list.dbgTemp, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
                QCoreApplication::processEvents();
                keys << double(t.nsecsElapsed()) / 1e6;
            }
            found = list.quTemp->fieldByName(QStringLiteral("DaraCod"))->asString().trimmed();
            for (int i = 0; i < code.size(); ++i)
                QTest::keyClick(list.dbgTemp, Qt::Key_Backspace);
        }
        QTest::keyClick(list.dbgTemp, Qt::Key_Escape);
    });
    Pick(PickAsset(dg, QString()));
    StoreHostContext(&host.global, host.myDate.get(), &host.database, host.dlgMsg,
                     host.tempGridForm, host.showStateForm);
    if (keys.isEmpty())
        Fail(QStringLiteral("the pick list was not shown"));
    if (found != code)
        Fail(QStringLiteral("typing %1 found %2").arg(code, found));
    Result r;
    r.cold = keys.first();
    std::sort(keys.begin(), keys.end());
    r.ours = keys.at(keys.size() / 2);

    // Raw: the codes from the typed prefix on, in the stored (right-aligned) form.
    const QString padding = stored.left(int(stored.size() - code.size()));
    QSqlQuery q = raw.prepare(QStringLiteral(
        "SELECT DaraCod, DaraNam FROM D_Amval WHERE DaraCod >= ? ORDER BY DaraCod LIMIT 40"));
    QList<double> rawKeys;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 1; i <= code.size(); ++i) {
            QElapsedTimer t;
            t.start();
            raw.read(q, {padding + code.left(i)});
            rawKeys << double(t.nsecsElapsed()) / 1e6;
        }
    }
    std::sort(rawKeys.begin(), rawKeys.end());
    r.raw = rawKeys.at(rawKeys.size() / 2);
    return r;
}

// Every row of the company's largest voucher table, read as a report grid reads it:
// read-only, in chunks as the grid shows them.
void OpenAsReport(DataSet& data)
{
    data.setReadOnly(true);
    data.setFetchChunk(DataSet::kDefaultFetchChunk);
    data.open(AllRowsSql());
}

Result GridFirst(DemoHost& host, Raw& raw, int repeat)
{
    Result r;
    r.ours = Median(repeat, [&] {
        DataSet data(&host.db());
        OpenAsReport(data);
        DbGrid grid;
        grid.resize(1100, 700);
        grid.setDataSet(&data);
        grid.show();
        QCoreApplication::processEvents();
    });
    TakeCold(r);
    QSqlQuery q = raw.prepare(AllRowsSql() + QStringLiteral(" LIMIT 40"));
    r.raw = Median(repeat, [&] { raw.read(q); });
    return r;
}

Result Walk(DemoHost& host, Raw& raw)
{
    DbConnection& db = host.db();
    const QString number = Scalar(db, QStringLiteral("SELECT SanadNoAmval FROM D_Buy_Create GROUP "
                                                     "BY SanadNoAmval ORDER BY COUNT(*) DESC, "
                                                     "SanadNoAmval LIMIT 1"));
    auto* form = new TBuyCreateForm();
    form->resize(1100, 700);
    form->show();
    form->SanadID->setText(number.trimmed());
    QTest::keyClick(form->SanadID, Qt::Key_Return);
    QCoreApplication::processEvents();
    const int rows = std::min(2000, form->quAsnad->recordCount());
    Result r;
    QElapsedTimer t;
    t.start();
    form->quAsnad->first();
    for (int i = 1; i < rows; ++i)
        form->quAsnad->next();
    QCoreApplication::processEvents();
    r.ours = double(t.nsecsElapsed()) / 1e6;
    delete form;
    QSqlQuery codes = raw.prepare(QStringLiteral(
        "SELECT DaraCod, MabadiCod FROM D_Buy_Create WHERE SanadNoAmval = ? ORDER BY Raj"));
    QSqlQuery names = raw.prepare(QStringLiteral(
        "SELECT A.DaraNam, M.MabadiNam FROM D_Amval A, D_Mabadi M WHERE A.DaraCod = ? AND "
        "M.MabadiCod = ?"));
    QList<QVariantList> pairs;
    codes.bindValue(0, number);
    codes.exec();
    while (codes.next() && pairs.size() < rows)
        pairs << QVariantList{codes.value(0), codes.value(1)};
    t.restart();
    for (const QVariantList& p : std::as_const(pairs))
        raw.read(names, p);
    r.raw = double(t.nsecsElapsed()) / 1e6;
    return r;
}

Result Export(DemoHost& host, Raw& raw, const QString& folder)
{
    Result r;
    host.global.AppPath = folder;
    // The export remembers its folder in the user's settings: the bench's own.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QDir(folder).filePath(QStringLiteral("config"))));
    OpenFileHook = [](const QString&) { return true; };
    {
        QElapsedTimer t;
        t.start();
        DataSet data(&host.db());
        data.setObjectName(QStringLiteral("AllRows"));
        OpenAsReport(data);
        DbGrid grid;
        grid.setDataSet(&data);
        if (ExportGridFileTo(&grid, QStringLiteral(".XLS"),
                             QDir(folder).filePath(QStringLiteral("AllRows.xlsx")))
                .isEmpty())
            Fail(QStringLiteral("the export wrote nothing"));
        r.ours = double(t.nsecsElapsed()) / 1e6;
    }
    QElapsedTimer t;
    t.start();
    const QByteArray path = QDir(folder).filePath(QStringLiteral("raw.xlsx")).toLocal8Bit();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(path.constData(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    QSqlQuery q = raw.prepare(AllRowsSql());
    if (!q.exec())
        Fail(q.lastError().text());
    lxw_row_t row = 0;
    const char* titles[] = {"SanadNoAmval", "Raj", "User_Name", "sDate", "DaraCod", "Bargeh"};
    for (int c = 0; c < 6; ++c)
        worksheet_write_string(sheet, row, lxw_col_t(c), titles[c], nullptr);
    while (q.next()) {
        ++row;
        for (int c = 0; c < 6; ++c) {
            const QVariant v = q.value(c);
            if (c == 1)
                worksheet_write_number(sheet, row, lxw_col_t(c), v.toDouble(), nullptr);
            else
                worksheet_write_string(sheet, row, lxw_col_t(c), v.toString().toUtf8().constData(),
                                       nullptr);
        }
    }
    workbook_close(book);
    r.raw = double(t.nsecsElapsed()) / 1e6;
    return r;
}

// The spreadsheet import of a count: a sheet of 100000 codes (written here) opened in
// the import window, checked as the count checks its rows and imported into a count's
// transaction table, through the window's default form, in one transaction. The codes
// are assets for the while of the import (those the company lacks are added in a
// transaction that is rolled back). Beside it the bare parse of the same sheet and
// the same rows inserted by multi-row statements (a thousand rows each) on a plain
// connection, one transaction.
Result ExcelImport(DemoHost& host, Raw& raw, const QString& folder)
{
    constexpr int kRows = 100000;
    const QString path = QDir(folder).filePath(QStringLiteral("count.xlsx"));
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* book = workbook_new_opt(path.toLocal8Bit().constData(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        worksheet_write_string(sheet, 0, 0, "Code", nullptr);
        worksheet_write_string(sheet, 0, 1, "Name", nullptr);
        for (int i = 1; i <= kRows; ++i) {
            worksheet_write_number(sheet, lxw_row_t(i), 0, 100000 + i, nullptr);
            worksheet_write_string(sheet, lxw_row_t(i), 1, "asset", nullptr);
        }
        if (workbook_close(book) != LXW_NO_ERROR)
            Fail(QStringLiteral("the workbook was not written"));
    }
    DbConnection& db = host.db();
    const QString columns = QStringLiteral(
        " (SanadNoAmval Varchar(10), User_Name Varchar(50), SDate Varchar(10), DaraCod "
        "Varchar(20), MakanCod Varchar(20), PersonelCod Varchar(20), DaraNam Varchar(60))");
    const QString target = QStringLiteral("##AMV1_XLCOUNT");
    db.execute(db.dialect().createTempTable(target) + columns);
    const int form = ExcelImportStore::SaveForm(
        db, QStringLiteral("bench"),
        {{0, QStringLiteral("DaraCod"), QStringLiteral("code"), QStringLiteral("Code")},
         {1, QStringLiteral("DaraNam"), QStringLiteral("name"), QStringLiteral("Name")}});
    ExcelImportStore::SetDefaultForm(db, form);
    Result r;
    {
        Transaction assets(db);
        db.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                  "WHERE i < ?) INSERT INTO D_Amval (DaraCod, DaraNam) SELECT "
                                  "CAST(100000 + i AS VARCHAR(6)), 'asset' FROM n WHERE NOT "
                                  "EXISTS (SELECT 1 FROM D_Amval AS A WHERE A.DaraCod = "
                                  "CAST(100000 + n.i AS VARCHAR(6)))"),
                   {kRows});
        QElapsedTimer t;
        t.start();
        TFrm_Excel_Import2 window(target, host.database.Command);
        window.setVoucherNumber(QStringLiteral("     1"));
        window.setVoucherDate(QStringLiteral("1403/01/01"));
        if (!window.openWorkbook(path))
            Fail(QStringLiteral("the import window refused the workbook"));
        window.cmdOkClick();
        if (window.result() != 1)
            Fail(QStringLiteral("the import did not finish"));
        r.ours = double(t.nsecsElapsed()) / 1e6;
        if (Scalar(db, QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(target)).toInt() != kRows)
            Fail(QStringLiteral("the import wrote another number of rows"));
    }
    db.execute(QStringLiteral("DELETE FROM DataCollectionDesign WHERE FormName = 'bench'"));
    db.execute(QStringLiteral("DELETE FROM DataCollectionDesignDetail WHERE FormNo = ?"), {form});

    raw.exec(QStringLiteral("CREATE TEMP TABLE xl_raw") + columns);
    QElapsedTimer t;
    t.start();
    QString reason;
    SheetRows rows;
    std::unique_ptr<WorkbookReader> reader = WorkbookReader::Open(path, &reason);
    if (reader == nullptr || !reader->readSheet(0, &rows, &reason))
        Fail(reason);
    raw.db().transaction();
    // A thousand rows a statement, prepared once; the rest by one statement more.
    constexpr int kRowsAStatement = 1000;
    const auto statement = [&](int n) {
        QSqlQuery q(raw.db());
        if (!q.prepare(
                QStringLiteral("INSERT INTO xl_raw (SanadNoAmval, SDate, DaraCod, "
                               "PersonelCod, MakanCod, User_Name) VALUES ") +
                QStringList(n, QStringLiteral("(?, ?, ?, ?, ?, ?)")).join(QStringLiteral(", "))))
            Fail(q.lastError().text());
        return q;
    };
    QSqlQuery full = statement(kRowsAStatement);
    for (int at = 1; at < rows.rows.size(); at += kRowsAStatement) {
        const int n = std::min<int>(kRowsAStatement, int(rows.rows.size()) - at);
        QSqlQuery rest = n == kRowsAStatement ? QSqlQuery() : statement(n);
        QSqlQuery& insert = n == kRowsAStatement ? full : rest;
        for (int i = 0; i < n; ++i) {
            insert.bindValue(i * 6, QStringLiteral("     1"));
            insert.bindValue(i * 6 + 1, QStringLiteral("1403/01/01"));
            insert.bindValue(i * 6 + 2, rows.rows.at(at + i).value(0));
            insert.bindValue(i * 6 + 3, QString());
            insert.bindValue(i * 6 + 4, QString());
            insert.bindValue(i * 6 + 5, QString());
        }
        if (!insert.exec())
            Fail(insert.lastError().text());
    }
    raw.db().commit();
    r.raw = double(t.nsecsElapsed()) / 1e6;
    return r;
}

} // namespace

// -- carry-forward

namespace {

// The nine carried kinds of the current (large) period carried into last year's
// period as the carry-forward window does it, type after type: the preview through
// sp_D_Asnad_Import_Perpar, OK through sp_D_Asnad_Import (the asset register of the
// target follows). Beside it the raw engine copies the same rows across the two
// databases with one INSERT ... SELECT per table in one transaction (printed only). Last year's own
// vouchers of those kinds are taken out first and the large period's assets
// registered there (untimed), so that every row is carried; ours runs first. The
// yardstick is the same work written directly on the engine: the preview's fill,
// the checked copy and the register's update by its statements.
Result CarryForward(DemoHost& host, const QString& place)
{
    Result r;
    const QString year = QString::number(host.global.FiscalYear.toInt() - 1);
    const QString source = host.global.DatabaseName;
    std::unique_ptr<DbConnection> target =
        DatabaseFolder(place).openCompany(QStringLiteral("1"), year, false);
    if (!target)
        Fail(QStringLiteral("last year's period is missing"));
    CompanyProcedures procedures;
    target->setProcedures(&procedures);
    CommandQuery command(target.get());
    const QStringList tables = TImportAsnadForm::VoucherTables();
    const auto empty = [&] {
        Transaction t(*target);
        for (const QString& table : tables)
            target->execute(QStringLiteral("DELETE FROM ") + SqlIdent(table));
        t.commit();
    };
    const auto count = [&] {
        qint64 n = 0;
        for (const QString& table : tables)
            n += Scalar(*target, QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(table))
                     .toLongLong();
        return n;
    };
    if (!target->attach(source))
        Fail(QStringLiteral("the large period cannot be attached"));
    // Counted where the window reads them, through last year's connection (the large
    // period's own connection is the benchmark's, not the window's: its page cache
    // is not the carry-forward's memory).
    qint64 rows = 0;
    for (const QString& table : tables)
        rows += Scalar(*target, QStringLiteral("SELECT COUNT(*) FROM ") +
                                    target->dialect().tableIn(source, table))
                    .toLongLong();
    {
        Transaction t(*target);
        target->execute(QStringLiteral("INSERT INTO D_Amval SELECT * FROM ") +
                        target->dialect().tableIn(source, QStringLiteral("D_Amval")) +
                        QStringLiteral(" WHERE DaraCod NOT IN (SELECT DaraCod FROM D_Amval)"));
        t.commit();
    }
    empty();

    {
        ScriptedHost clerk;
        clerk.global = host.global;
        clerk.global.FiscalYear = year;
        clerk.global.DatabaseName = target->databaseName();
        clerk.database.Command = &command;
        clerk.database.Connection = target.get();
        InstallHost(clerk);
        TImportAsnadForm form;
        form.resize(1200, 700);
        form.show();
        int period = -1;
        for (int i = 0; i < form.cmbDorehMale->count(); ++i) {
            if (form.cmbDorehMale->itemData(i).toString() == source)
                period = i;
        }
        if (period < 0)
            Fail(QStringLiteral("the large period is not offered"));
        form.cmbDorehMale->setCurrentIndex(period);
        double preview = 0;
        double carry = 0;
        for (int type = 0; type < tables.size(); ++type) {
            QElapsedTimer t;
            t.start();
            form.cmbTypeAsnad->setCurrentIndex(type);
            form.R_ReportItemClick();
            const double previewed = double(t.nsecsElapsed()) / 1e6;
            // The backup offered before the first carry-over is declined.
            if (type == 0)
                clerk.dlgMsg->answers << TDlgMsg::mrNo;
            t.restart();
            form.OkClick();
            const double carried = double(t.nsecsElapsed()) / 1e6;
            std::fprintf(
                stderr, "carry_forward: %-18s %6d rows: preview %6.0f ms, carry-over %6.0f ms\n",
                qPrintable(tables.at(type)), form.quAsnad->recordCount(), previewed, carried);
            preview += previewed;
            carry += carried;
        }
        r.ours = preview + carry;
        std::fprintf(stderr, "carry_forward: preview %.0f ms, carry-over %.0f ms\n", preview,
                     carry);
        InstallHost(host);
    }
    if (count() != rows)
        Fail(QStringLiteral("carried %1 rows of %2").arg(count()).arg(rows));
    empty();

    Raw raw(*target);
    QString prefix = source.toLower() + QLatin1Char('.');
    if (!target->isServer()) {
        prefix = QStringLiteral("src.");
        raw.exec(QStringLiteral("ATTACH DATABASE ") +
                 SqlQuote(DbConnection::DatabaseFile(place, source)) + QStringLiteral(" AS src"));
    }
    QElapsedTimer t;
    t.start();
    raw.db().transaction();
    for (const QString& table : tables)
        raw.exec(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" SELECT * FROM ") +
                 prefix + table);
    raw.db().commit();
    r.raw = double(t.nsecsElapsed()) / 1e6;
    if (count() != rows)
        Fail(QStringLiteral("the raw copy wrote %1 rows of %2").arg(count()).arg(rows));

    // The yardstick: the engine alone doing the window's work, type after type in one
    // transaction: each table's rows put into a work table with the asset's name and
    // the mark of a number stored here, ordered as the preview orders them; the rows
    // not so marked copied from it; the register's records of the assets they move
    // recomputed by the register's own statements (of a purchase, those a reduction
    // moved; of a sale or a permanent retirement, none).
    empty();
    const QString work = QStringLiteral("amval_bench_work");
    const QString codes = AssetRegister::RecomputeCodesTable();
    // The register's statements for each table, as the carry-over runs them (what the
    // table's rows make a difference to).
    QHash<QString, QStringList> recompute;
    for (const QString& table : tables) {
        for (const QString& statement : AssetRegister::RecomputeStatements(*target, false, table))
            recompute[table] << target->dialect().statementText(statement);
    }
    double fill = 0;
    double copy = 0;
    double recomputed = 0;
    QElapsedTimer part;
    t.restart();
    raw.db().transaction();
    // Readied for work over the whole period as the carry-over's transaction is.
    for (const QString& setting : AssetRegister::BulkWorkStatements(*target))
        raw.exec(setting);
    for (const QString& table : tables) {
        QStringList columns;
        const QSqlRecord stored = raw.db().record(target->isServer() ? table.toLower() : table);
        for (int i = 0; i < stored.count(); ++i)
            columns << stored.fieldName(i);
        part.start();
        raw.exec(QStringLiteral("DROP TABLE IF EXISTS ") + work);
        raw.exec(QStringLiteral("CREATE TEMP TABLE ") + work +
                 QStringLiteral(" AS SELECT S.*, A.DaraNam AS WorkName, CASE WHEN EXISTS (SELECT 1 "
                                "FROM ") +
                 table +
                 QStringLiteral(" AS H WHERE H.SanadNoAmval = S.SanadNoAmval) THEN '2' ELSE '1' "
                                "END AS WorkMark FROM ") +
                 prefix + table + QStringLiteral(" AS S LEFT JOIN ") + prefix +
                 QStringLiteral("D_Amval AS A ON A.DaraCod = S.DaraCod ORDER BY S.SanadNoAmval, "
                                "S.Raj"));
        fill += double(part.nsecsElapsed()) / 1e6;
        part.start();
        raw.exec(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                 columns.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") +
                 columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + work +
                 QStringLiteral(" WHERE WorkMark = '1'"));
        copy += double(part.nsecsElapsed()) / 1e6;
        part.start();
        const bool costs = AssetRegister::Costs(table);
        if (AssetRegister::Follows(table) || costs) {
            raw.exec(QStringLiteral("DROP TABLE IF EXISTS ") + codes);
            raw.exec(QStringLiteral("CREATE TEMP TABLE ") + codes +
                     QStringLiteral(" (DaraCod TEXT PRIMARY KEY)"));
            raw.exec(QStringLiteral("INSERT INTO ") + codes +
                     QStringLiteral(" (DaraCod) SELECT DISTINCT W.DaraCod FROM ") + work +
                     (costs ? QStringLiteral(" AS W JOIN D_Amval AS A ON A.DaraCod = W.DaraCod "
                                             "WHERE W.WorkMark = '1' AND A.ReduceValue <> 0")
                            : QStringLiteral(" AS W WHERE W.WorkMark = '1'")));
            for (const QString& statement : recompute.value(table))
                raw.exec(statement);
            for (const QString& made : AssetRegister::RecomputeWorkTables())
                raw.exec(QStringLiteral("DROP TABLE IF EXISTS ") + made);
        }
        recomputed += double(part.nsecsElapsed()) / 1e6;
    }
    raw.exec(QStringLiteral("DROP TABLE IF EXISTS ") + work);
    raw.exec(QStringLiteral("DROP TABLE IF EXISTS ") + codes);
    raw.db().commit();
    const double bare = r.raw;
    r.raw = double(t.nsecsElapsed()) / 1e6;
    if (count() != rows)
        Fail(QStringLiteral("the raw work wrote %1 rows of %2").arg(count()).arg(rows));
    std::fprintf(stderr,
                 "carry_forward: the engine alone: preview's fill %.0f ms, checked copy %.0f ms, "
                 "register %.0f ms, in all %.0f ms (the bare copy %.0f ms)\n",
                 fill, copy, recomputed, r.raw, bare);
    return r;
}

} // namespace

// -- voucher search

namespace {

// The all-kinds search over every date of the company, as the search window runs it:
// F5 with a date range over all of it. `firstScreen`: the time from F5 to the grid's
// first screen painted, as the clerk sees it, beside the engine reading the first
// screen of the same ordered result; else the whole search (the ordered result made
// and opened) beside the engine making the same ordered result into a table of its
// own, or reading all of it, whichever is quicker. The raw side writes its own
// statement over the kinds' tables: one ordered union of the kinds' rows (joins, date
// range bound), ordered as the register orders an asset's history.
Result SearchAll(DemoHost& host, Raw& raw, int repeat, bool firstScreen)
{
    auto* form = new TAmvalSearchForm();
    form->resize(1100, 700);
    form->show();
    QCoreApplication::processEvents();
    const auto dates = [](QLineEdit* day, QLineEdit* month, QLineEdit* year, const QString& d) {
        year->setText(d.left(4));
        month->setText(d.mid(5, 2));
        day->setText(d.mid(8, 2));
    };
    dates(form->FrDay, form->FrMonth, form->FrYear, QStringLiteral("1300/01/01"));
    dates(form->ToDay, form->ToMonth, form->ToYear, QStringLiteral("1499/12/29"));
    Result r;
    int walked = 0;
    r.ours = Median(repeat, [&] {
        form->R_ReportItemClick();
        if (firstScreen) {
            form->dbgSearch->viewport()->repaint();
            QCoreApplication::processEvents();
        } else {
            // The whole result, as an export reads it.
            walked = 0;
            form->quSearch->readEach([&walked](const QVariant*) {
                ++walked;
                return true;
            });
        }
    });
    if (firstScreen)
        TakeCold(r);
    if (!form->quSearch->active())
        Fail(QStringLiteral("the search shows no result"));
    // The rows the search found, all of them read (the count of a result read in
    // chunks comes from the engine).
    const int ours = form->quSearch->recordCount();
    if (!firstScreen && walked != ours)
        Fail(QStringLiteral("the search read %1 rows of %2").arg(walked).arg(ours));
    delete form;
    InstallHost(host);

    struct Kind
    {
        const char* section;
        const char* table;
        QStringList filled;
        bool sheet = true; // the table has Bargeh
    };
    const QStringList common{QStringLiteral("AmvalDes"), QStringLiteral("Tafsily2")};
    const QList<Kind> kinds{
        {"10", "D_AsaseChange", common + QStringList{"VazCod", "MabadiCod"}},
        {"11", "D_FirstTadil", {}},
        {"12", "D_Buy_Create", common + QStringList{"MabadiCod"}},
        {"13", "D_ForoshDaymeh", common + QStringList{"VazCod"}},
        {"14", "D_DaraeReduce", common + QStringList{"VazCod"}},
        {"15", "D_KenarM", common + QStringList{"VazCod", "MakanCod"}},
        {"16", "D_KenarD", common + QStringList{"VazCod"}},
        {"17", "D_Tahvil_Antegal", common + QStringList{"VazCod", "PersonelCod", "MakanCod"}},
        {"18", "D_SoulationChange", common},
        // The other registered kinds, ticked as well when the window opens.
        {"19", "D_BarKenarM", common + QStringList{"VazCod", "MakanCod"}},
        {"20", "D_Change_VezArat", common + QStringList{"VazCod", "PersonelCod", "MakanCod"}},
        {"21", "D_BarKenarD", common + QStringList{"VazCod", "MakanCod"}},
        {"22", "D_Gardani", {"PersonelCod", "MakanCod"}, false}};
    const QStringList names{"SectionNam",  "AmvalDes", "SanadNoAmval", "MakanCod",  "MakanNam",
                            "VazCod",      "VazNam",   "DaraCod",      "DaraNam",   "PersonelCod",
                            "PersonelNam", "Tafsily2", "NamHesab",     "MabadiCod", "MabadiNam",
                            "Bargeh",      "sDate",    "sOrder2"};
    const QStringList keys{"DayOrder", "NumberLength", "NumberText", "Raj"};
    // Whether a kind's table numbers its rows (Raj), and its registered kind.
    const auto facts = [&raw](const Kind& k) {
        QSqlQuery described(raw.db());
        if (!described.exec(QStringLiteral("SELECT * FROM ") + QString::fromLatin1(k.table) +
                            QStringLiteral(" WHERE 1 = 0")))
            Fail(described.lastError().text());
        const bool raj = described.record().indexOf(QStringLiteral("raj")) >= 0 ||
                         described.record().indexOf(QStringLiteral("Raj")) >= 0;
        return std::pair{raj, FindVoucherKindByTable(QString::fromLatin1(k.table))};
    };
    QStringList arms;
    for (const Kind& k : kinds) {
        const auto [raj, registered] = facts(k);
        QHash<QString, QString> value{
            {"SectionNam", QStringLiteral("'") + QString::fromLatin1(k.section) + '\''},
            {"SanadNoAmval", "A.SanadNoAmval"},
            {"DaraCod", "A.DaraCod"},
            {"DaraNam", "D.DaraNam"},
            {"sDate", "A.sDate"},
            {"Bargeh", k.sheet ? QStringLiteral("A.Bargeh") : QStringLiteral("''")},
            {"sOrder2", "'A'"},
            {"DayOrder", QString::number(registered ? registered->dayOrder : 99)},
            {"NumberLength", "length(trim(A.SanadNoAmval))"},
            {"NumberText", "trim(A.SanadNoAmval)"},
            {"Raj", raj ? QStringLiteral("A.Raj") : QStringLiteral("0")}};
        QString joins = QStringLiteral(" JOIN D_Amval D ON D.DaraCod = A.DaraCod");
        const auto named = [&](const QString& column, const QString& name, const QString& nameValue,
                               const QString& join) {
            if (!k.filled.contains(column))
                return;
            value.insert(column, QStringLiteral("A.") + column);
            if (!name.isEmpty())
                value.insert(name, nameValue);
            joins += join;
        };
        named("AmvalDes", {}, {}, {});
        named("VazCod", "VazNam", "V.VazNam", " LEFT JOIN D_VazDarae V ON V.VazCod = A.VazCod");
        named("MabadiCod", "MabadiNam", "MB.MabadiNam",
              " LEFT JOIN D_Mabadi MB ON MB.MabadiCod = A.MabadiCod");
        named("PersonelCod", "PersonelNam", "P.Name || ' ' || P.Family",
              " LEFT JOIN Person P ON A.PersonelCod = P.Code");
        named("MakanCod", "MakanNam", "M.MakanNam",
              " LEFT JOIN D_Makan M ON M.MakanCod = A.MakanCod");
        named("Tafsily2", "NamHesab", "T2.NamHesab",
              " LEFT JOIN Tafsily2 T2 ON T2.Tafsily2 = A.Tafsily2");
        QStringList select;
        for (const QString& n : names + keys)
            select << value.value(n, QStringLiteral("NULL")) + QStringLiteral(" AS ") + n;
        arms << QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) +
                    QStringLiteral(" FROM ") + QString::fromLatin1(k.table) + QStringLiteral(" A") +
                    joins + QStringLiteral(" WHERE A.sDate >= ? AND A.sDate <= ?");
    }
    QVariantList range;
    for (int i = 0; i < arms.size(); ++i)
        range << QStringLiteral("1300/01/01") << QStringLiteral("1499/12/29");
    // The same rows with the parts bare (one table each, their columns cast alike, no
    // condition) and the joins outside: an engine that merges only such parts walks
    // each table's date index. Its date range (all of the company) is left out.
    QStringList bare;
    for (const Kind& k : kinds) {
        const auto [raj, registered] = facts(k);
        const auto own = [&](const char* column) {
            return k.filled.contains(QString::fromLatin1(column))
                       ? QStringLiteral("CAST(A.") + QString::fromLatin1(column) +
                             QStringLiteral(" AS VARCHAR(250))")
                       : QStringLiteral("CAST(NULL AS VARCHAR(250))");
        };
        bare << QStringLiteral("SELECT CAST('") + QString::fromLatin1(k.section) +
                    QStringLiteral("' AS VARCHAR(50)) AS SectionNam, ") + own("AmvalDes") +
                    QStringLiteral(" AS AmvalDes, CAST(A.SanadNoAmval AS VARCHAR(50)) AS "
                                   "SanadNoAmval, ") +
                    own("MakanCod") + QStringLiteral(" AS MakanCod, ") + own("VazCod") +
                    QStringLiteral(" AS VazCod, CAST(A.DaraCod AS VARCHAR(50)) AS DaraCod, ") +
                    own("PersonelCod") + QStringLiteral(" AS PersonelCod, ") + own("Tafsily2") +
                    QStringLiteral(" AS Tafsily2, ") + own("MabadiCod") +
                    QStringLiteral(" AS MabadiCod, CAST(") +
                    (k.sheet ? QStringLiteral("A.Bargeh") : QStringLiteral("''")) +
                    QStringLiteral(" AS VARCHAR(50)) AS Bargeh, A.sDate AS sDate, CAST('A' AS "
                                   "VARCHAR(50)) AS sOrder2, ") +
                    QString::number(registered ? registered->dayOrder : 99) +
                    QStringLiteral(" AS DayOrder, length(trim(A.SanadNoAmval)) AS NumberLength, "
                                   "CAST(trim(A.SanadNoAmval) AS VARCHAR(50)) AS NumberText, ") +
                    (raj ? QStringLiteral("A.Raj") : QStringLiteral("0")) +
                    QStringLiteral(" AS Raj FROM ") + QString::fromLatin1(k.table) +
                    QStringLiteral(" A");
    }
    const QString outside =
        QStringLiteral("SELECT U.SectionNam, U.AmvalDes, U.SanadNoAmval, U.MakanCod, M.MakanNam, "
                       "U.VazCod, V.VazNam, U.DaraCod, D.DaraNam, U.PersonelCod, P.Name || ' ' "
                       "|| P.Family AS PersonelNam, U.Tafsily2, T2.NamHesab, U.MabadiCod, "
                       "MB.MabadiNam, U.Bargeh, U.sDate, U.sOrder2 FROM (") +
        bare.join(QStringLiteral(" UNION ALL ")) +
        QStringLiteral(") U JOIN D_Amval D ON D.DaraCod = U.DaraCod LEFT JOIN D_VazDarae V ON "
                       "V.VazCod = U.VazCod LEFT JOIN D_Mabadi MB ON MB.MabadiCod = U.MabadiCod "
                       "LEFT JOIN Person P ON U.PersonelCod = P.Code LEFT JOIN D_Makan M ON "
                       "M.MakanCod = U.MakanCod LEFT JOIN Tafsily2 T2 ON T2.Tafsily2 = "
                       "U.Tafsily2 ORDER BY U.sDate, U.DayOrder, U.NumberLength, U.NumberText, "
                       "U.Raj");
    const QString ordered = QStringLiteral("SELECT U.") + names.join(QStringLiteral(", U.")) +
                            QStringLiteral(" FROM (") + arms.join(QStringLiteral(" UNION ALL ")) +
                            QStringLiteral(") U ORDER BY U.sDate, U.") +
                            keys.join(QStringLiteral(", U."));
    // The same union ordered by itself (its order columns in its rows): an engine may
    // merge the kinds' rows walking each table's date index instead of sorting them all.
    const QString merged = arms.join(QStringLiteral(" UNION ALL ")) +
                           QStringLiteral(" ORDER BY sDate, ") + keys.join(QStringLiteral(", "));
    int rawRows = 0;
    if (firstScreen) {
        // Rows enough for any screen of the grid, by the quicker of the two statements.
        QSqlQuery first = raw.prepare(ordered + QStringLiteral(" LIMIT 40"));
        QSqlQuery firstMerged = raw.prepare(merged + QStringLiteral(" LIMIT 40"));
        QSqlQuery firstBare = raw.prepare(outside + QStringLiteral(" LIMIT 40"));
        const double sorted = Median(repeat, [&] { raw.read(first, range); });
        const double merging = Median(repeat, [&] { raw.read(firstMerged, range); });
        const double bareMerging = Median(repeat, [&] { raw.read(firstBare, {}); });
        std::fprintf(stderr,
                     "search_first: raw sorted %.1f ms, raw merged %.1f ms, bare parts merged "
                     "%.1f ms\n",
                     sorted, merging, bareMerging);
        r.raw = std::min({sorted, merging, bareMerging});
        QSqlQuery count =
            raw.prepare(QStringLiteral("SELECT COUNT(*) FROM (") + ordered + QStringLiteral(") C"));
        for (int i = 0; i < range.size(); ++i)
            count.bindValue(i, range.at(i));
        if (!count.exec() || !count.next())
            Fail(count.lastError().text());
        rawRows = count.value(0).toInt();
    } else {
        QStringList columns{QStringLiteral("IDX ") + host.db().dialect().identityColumnType()};
        for (const QString& n : names)
            columns << n + QStringLiteral(" VARCHAR(250)");
        QSqlQuery fill;
        const auto make = [&] {
            raw.exec(QStringLiteral("DROP TABLE IF EXISTS raw_search"));
            raw.exec(QStringLiteral("CREATE TEMP TABLE raw_search (") +
                     columns.join(QStringLiteral(", ")) + QLatin1Char(')'));
            fill = raw.prepare(QStringLiteral("INSERT INTO raw_search (") +
                               names.join(QStringLiteral(", ")) + QStringLiteral(") ") + ordered);
        };
        const double made = Median(repeat, [&] {
            make();
            for (int i = 0; i < range.size(); ++i)
                fill.bindValue(i, range.at(i));
            if (!fill.exec())
                Fail(fill.lastQuery() + QStringLiteral(": ") + fill.lastError().text());
        });
        QSqlQuery all = raw.prepare(ordered);
        const double read = Median(repeat, [&] { rawRows = raw.read(all, range); });
        QSqlQuery allMerged = raw.prepare(merged);
        const double merging = Median(repeat, [&] { raw.read(allMerged, range); });
        QSqlQuery allBare = raw.prepare(outside);
        const double bareMerging = Median(repeat, [&] { raw.read(allBare, {}); });
        std::fprintf(stderr,
                     "search_all: raw ordered fill %.0f ms, ordered read %.0f ms, merged read "
                     "%.0f ms, bare parts merged read %.0f ms\n",
                     made, read, merging, bareMerging);
        r.raw = std::min({made, read, merging, bareMerging});
    }
    if (rawRows != ours)
        Fail(QStringLiteral("the search found %1 rows, the raw statement %2")
                 .arg(ours)
                 .arg(rawRows));
    std::fprintf(stderr, "%s: %d result rows\n", firstScreen ? "search_first" : "search_all", ours);
    return r;
}

// The yearly schedule by tax-return group of the whole company: F5 in its window until
// the grid has painted its first screen (the first assets' rows, read by their own
// statement), and, printed as yearly_schedule:all, until the whole schedule that follows
// it has been read to its last row as an export reads it. Beside each, the raw engine
// running the same statement into a table of its own, then reading the first 40 rows,
// or all of them.
Result YearlySchedule(DemoHost& host, Raw& raw, int repeat, qint64 size)
{
    auto* form = new TAssetScheduleForm();
    form->resize(1100, 700);
    form->show();
    QCoreApplication::processEvents();
    const auto show = [&] {
        if (!form->ShowSchedule())
            Fail(QStringLiteral("yearly_schedule was refused"));
    };
    Result r;
    // The whole schedule the window reads next is left to the untimed step before the
    // next run.
    r.ours = Median(
        repeat,
        [&] {
            show();
            form->dbgSchedule->viewport()->repaint();
        },
        [] { QCoreApplication::processEvents(); });
    TakeCold(r);
    QCoreApplication::processEvents();
    int walked = 0;
    const double all = Median(repeat, [&] {
        show();
        QCoreApplication::processEvents();
        if (!form->Complete())
            Fail(QStringLiteral("yearly_schedule did not complete"));
        walked = 0;
        form->quSchedule->readEach([&walked](const QVariant*) {
            ++walked;
            return true;
        });
    });
    const int shown = form->quSchedule->recordCount();
    delete form;
    InstallHost(host);
    if (walked != shown || shown == 0)
        Fail(QStringLiteral("yearly_schedule read %1 rows of %2").arg(walked).arg(shown));

    // The same statements on the raw engine, their names as the engine spells them.
    const QString make =
        QStringLiteral("CREATE TEMP TABLE raw_schedule (IDX INTEGER PRIMARY KEY, ") +
        AssetSchedule::Columns().join(QStringLiteral(", ")) + QLatin1Char(')');
    int rawRows = 0;
    const auto run = [&](int first, const QString& read) {
        const AssetSchedule::Statement fill = AssetSchedule::FillStatement(
            host.db(), QString(), QStringLiteral("raw_schedule"), QString(), QString(), first);
        raw.exec(QStringLiteral("DROP TABLE IF EXISTS raw_schedule"));
        raw.exec(make);
        // In a transaction readied for work over the whole period, as the window's is.
        raw.exec(QStringLiteral("BEGIN"));
        for (const QString& setting : AssetRegister::BulkWorkStatements(host.db()))
            raw.exec(setting);
        QSqlQuery q = raw.prepare(host.db().dialect().statementText(fill.sql));
        for (int i = 0; i < fill.values.size(); ++i)
            q.bindValue(i, fill.values.at(i));
        if (!q.exec())
            Fail(q.lastError().text());
        raw.exec(QStringLiteral("COMMIT"));
        QSqlQuery rows = raw.prepare(read);
        rawRows = raw.read(rows);
    };
    r.raw = Median(repeat, [&] {
        run(100, QStringLiteral("SELECT * FROM raw_schedule ORDER BY IDX LIMIT 40"));
    });
    const double rawAll =
        Median(repeat, [&] { run(0, QStringLiteral("SELECT * FROM raw_schedule ORDER BY IDX")); });
    if (rawRows != shown)
        Fail(QStringLiteral("the schedule has %1 rows, the raw statement %2")
                 .arg(shown)
                 .arg(rawRows));
    std::fprintf(stderr, "yearly_schedule: %d rows\n", shown);
    std::printf("RESULT yearly_schedule:all %lld %.2f %.2f %.2f %.1f\n", size, all, rawAll,
                rawAll > 0 ? all / rawAll : 0.0, PeakMegabytes());
    return r;
}

// 1,000 asset labels (Code 128 on A4 sheets of 24) into a PDF in a temporary folder:
// the codes of the first 1,000 assets, their names and places read from the register,
// every symbol made and every page painted. Beside it the bare libzint encode of the
// same codes and their bars and digits drawn with QPainter on a PDF writer.
Result LabelsPdf(DemoHost& host, const QString& folder)
{
    constexpr int kLabels = 1000;
    QList<TAssetLabel> labels;
    {
        QSqlQuery q = host.db().select(
            QStringLiteral("SELECT DaraCod FROM D_Amval ORDER BY DaraCod LIMIT ?"), {kLabels});
        while (q.next())
            labels << TAssetLabel{q.value(0).toString(), QString(), QString()};
    }
    if (labels.size() < kLabels)
        Fail(QStringLiteral("the company has fewer than 1000 assets"));
    Result r;
    {
        QElapsedTimer t;
        t.start();
        QList<TAssetLabel> filled = labels;
        FillFromRegister(host.db(), filled);
        const QString company =
            LabelCompanyName(host.db(), host.global.CompanyCode + host.global.FiscalYear);
        TLabelSheet sheet(TLabelLayout(), company, filled);
        if (!sheet.prepare().isEmpty())
            Fail(QStringLiteral("the labels were refused"));
        QPdfWriter writer(QDir(folder).filePath(QStringLiteral("labels.pdf")));
        writer.setResolution(600);
        sheet.setUpDevice(&writer);
        if (!sheet.paint(&writer))
            Fail(QStringLiteral("the labels were not painted"));
        r.ours = double(t.nsecsElapsed()) / 1e6;
    }
    QElapsedTimer t;
    t.start();
    {
        QPdfWriter writer(QDir(folder).filePath(QStringLiteral("raw.pdf")));
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::A4));
        QPainter painter(&writer);
        const double mm = writer.logicalDpiX() / 25.4;
        for (int i = 0; i < labels.size(); ++i) {
            if (i > 0 && i % 24 == 0)
                writer.newPage();
            const QPointF at((i % 3) * 70 * mm, ((i % 24) / 3) * 37 * mm);
            const QByteArray code = labels.at(i).code.trimmed().toUtf8();
            zint_symbol* s = ZBarcode_Create();
            s->symbology = BARCODE_CODE128;
            s->show_hrt = 0;
            if (ZBarcode_Encode(s, reinterpret_cast<const unsigned char*>(code.constData()),
                                int(code.size())) < ZINT_ERROR &&
                ZBarcode_Buffer_Vector(s, 0) < ZINT_ERROR) {
                const double k = 60 * mm / s->vector->width;
                for (const zint_vector_rect* b = s->vector->rectangles; b; b = b->next)
                    painter.fillRect(
                        QRectF(at.x() + b->x * k, at.y() + b->y * k, b->width * k, 15 * mm),
                        Qt::black);
            }
            ZBarcode_Delete(s);
            painter.drawText(QRectF(at.x(), at.y() + 16 * mm, 60 * mm, 5 * mm), Qt::AlignCenter,
                             QString::fromUtf8(code));
        }
    }
    r.raw = double(t.nsecsElapsed()) / 1e6;
    return r;
}

// A barcode scanner's read in the count window's scan mode, on a new count whose place
// and holder are typed: the code's keys and Enter, to the row shown with its name.
// Each read is another asset in use that no count holds. Beside it the engine running
// the read's look-up statement (the register's row with its sale, retirement, return
// and stored count) for the same codes.
Result Scan(DemoHost& host, Raw& raw, int repeat)
{
    DbConnection& db = host.db();
    QStringList codes;
    {
        QSqlQuery q = db.select(QStringLiteral(
            "SELECT trim(DaraCod) FROM D_Amval AS A WHERE NOT EXISTS (SELECT 1 FROM D_Gardani "
            "AS G WHERE G.DaraCod = A.DaraCod) AND NOT EXISTS (SELECT 1 FROM D_ForoshDaymeh AS "
            "F WHERE F.DaraCod = A.DaraCod) AND NOT EXISTS (SELECT 1 FROM D_KenarD AS K WHERE "
            "K.DaraCod = A.DaraCod) ORDER BY DaraCod DESC LIMIT 200"));
        while (q.next())
            codes << q.value(0).toString();
    }
    if (codes.size() < 2 * repeat)
        Fail(QStringLiteral("too few assets in use to scan"));
    const QString place = Scalar(db, QStringLiteral("SELECT trim(MakanCod) FROM D_Makan ORDER BY "
                                                    "MakanCod LIMIT 1"));
    const QString person =
        Scalar(db, QStringLiteral("SELECT trim(Code) FROM Person ORDER BY Code LIMIT 1"));

    auto* form = new TAmvalGardaniForm();
    form->resize(1100, 700);
    form->show();
    VoucherDriver drv(host, form);
    drv.startVoucher(Scalar(db, QStringLiteral("SELECT COALESCE(MAX(CAST(SanadNoAmval AS "
                                               "INTEGER)), 0) + 1 FROM D_Gardani")));
    for (auto [edit, code] :
         {std::pair{form->MakanCod, place}, std::pair{form->PersonelCod, person}}) {
        QTest::keyClicks(edit, code);
        VoucherDriver::enter(edit);
    }
    form->SetScanMode(true);
    int next = 0;
    Result r;
    r.ours = Median(repeat, [&] {
        const QString code = codes.at(next++);
        QTest::keyClicks(form->ScanEdit, code);
        QTest::keyClick(form->ScanEdit, Qt::Key_Return);
        QCoreApplication::processEvents();
        using O = TAmvalGardaniForm::ScanOutcome;
        if (form->LastScanOutcome() != O::Added && form->LastScanOutcome() != O::Marked)
            Fail(QStringLiteral("scan of %1: %2").arg(code, form->ScanStatus->text()));
    });
    TakeCold(r);
    const int rows = form->quAsnad->recordCount();
    delete form;
    if (rows != repeat)
        Fail(QStringLiteral("the scans left %1 rows").arg(rows));

    const auto forms = [&](const QString& table, const QString& code) {
        const int width = db.dialect().columnWidth(table, QStringLiteral("DaraCod"));
        return QVariantList{code.rightJustified(std::max(width, 0), QLatin1Char(' ')), code};
    };
    const QString date = host.global.Today;
    QSqlQuery lookUp = raw.prepare(QStringLiteral(
        "SELECT A.DaraNam, trim(COALESCE(A.MakanCod, '')), trim(COALESCE(A.PersonelCod, '')), "
        "(SELECT MIN(F.sDate) FROM D_ForoshDaymeh AS F WHERE F.DaraCod IN (?, ?) AND F.sDate <= "
        "?), (SELECT MAX(K.sDate) FROM D_KenarD AS K WHERE K.DaraCod IN (?, ?) AND K.sDate <= ?), "
        "(SELECT MAX(B.sDate) FROM D_BarKenarD AS B WHERE B.DaraCod IN (?, ?) AND B.sDate <= ?), "
        "(SELECT MIN(G.SanadNoAmval) FROM D_Gardani AS G WHERE G.DaraCod IN (?, ?)) FROM D_Amval "
        "AS A WHERE A.DaraCod IN (?, ?)"));
    int at = repeat;
    r.raw = Median(repeat, [&] {
        const QString code = codes.at(at++);
        QVariantList values;
        values << forms(QStringLiteral("D_ForoshDaymeh"), code) << date
               << forms(QStringLiteral("D_KenarD"), code) << date
               << forms(QStringLiteral("D_BarKenarD"), code) << date
               << forms(QStringLiteral("D_Gardani"), code)
               << forms(QStringLiteral("D_Amval"), code);
        if (raw.read(lookUp, values) != 1)
            Fail(QStringLiteral("the raw look-up did not find ") + code);
    });
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QString place, op;
    qint64 size = 0;
    int assets = 0;
    bool generate = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const QString next = i + 1 < args.size() ? args.at(i + 1) : QString();
        if (a == QLatin1String("--place"))
            place = next, ++i;
        else if (a == QLatin1String("--size"))
            size = next.toLongLong(), ++i;
        else if (a == QLatin1String("--assets"))
            assets = next.toInt(), ++i;
        else if (a == QLatin1String("--op"))
            op = next, ++i;
        else if (a == QLatin1String("--generate"))
            generate = true;
        else
            Fail(QStringLiteral("unknown argument ") + a);
    }
    if (place.isEmpty() || size <= 0)
        Fail(QStringLiteral("usage: bench_large --place PLACE --size ROWS (--generate [--assets "
                            "N] | --op NAME)"));
    try {
        if (generate) {
            LargeCompanyOptions options;
            options.rows = size;
            options.assets = assets > 0 ? assets : int(std::max<qint64>(1, size / 10));
            const LargeCompanySummary s = CreateLargeCompany(place, options);
            std::printf("GENERATED %lld rows %d assets %lld vouchers in %lld ms\n", s.voucherRows,
                        s.assets, s.vouchers, s.milliseconds);
            return 0;
        }
        DemoHost host(place, 1, QStringLiteral("مدير سيستم"));
        host.global.TempStem = QStringLiteral("AMV1_");
        Raw raw(host.db());
        QTemporaryDir files;
        Result r;
        bool skipped = false;
        if (op == QLatin1String("save10"))
            r = Save(host, raw, 10, 21, skipped);
        else if (op == QLatin1String("save2000"))
            r = Save(host, raw, 2000, 3, skipped);
        else if (op == QLatin1String("load"))
            r = Load(host, raw, 31);
        else if (op == QLatin1String("open_window"))
            r = OpenWindow(host, raw, 9);
        else if (op == QLatin1String("step"))
            r = Step(host, raw, 9);
        else if (op == QLatin1String("picklist_first:purchase"))
            r = PickListFirstIn<TBuyCreateForm>(host, raw, 5, "purchase");
        else if (op == QLatin1String("picklist_first:transfer"))
            r = PickListFirstIn<TTahvilAntegalForm>(host, raw, 5, "transfer");
        else if (op == QLatin1String("picklist_first:sale"))
            r = PickListFirstIn<TForoshDayehForm>(host, raw, 5, "sale");
        else if (op == QLatin1String("picklist_key"))
            r = PickListKey(host, raw, 3);
        else if (op == QLatin1String("grid_first"))
            r = GridFirst(host, raw, 1);
        else if (op == QLatin1String("walk2000"))
            r = Walk(host, raw);
        else if (op == QLatin1String("export_xlsx"))
            r = Export(host, raw, files.path());
        else if (op == QLatin1String("excel_import100k"))
            r = ExcelImport(host, raw, files.path());
        else if (op == QLatin1String("carry_forward"))
            r = CarryForward(host, place);
        else if (op == QLatin1String("search_all"))
            r = SearchAll(host, raw, 3, false);
        else if (op == QLatin1String("asset_card"))
            r = AssetCard(host, raw, 9);
        else if (op == QLatin1String("register_on_date"))
            r = RegisterOnDate(host, raw, 3);
        else if (op == QLatin1String("search_first"))
            r = SearchAll(host, raw, 5, true);
        else if (op == QLatin1String("labels_pdf1000"))
            r = LabelsPdf(host, files.path());
        else if (op == QLatin1String("scan"))
            r = Scan(host, raw, 21);
        else if (op == QLatin1String("yearly_schedule"))
            r = YearlySchedule(host, raw, 3, size);
        else
            Fail(QStringLiteral("unknown operation ") + op);
        if (skipped) {
            // Too small a company for the operation: a dash in the table.
            std::printf("RESULT %s %lld - - - %.1f\n", qPrintable(op), size, PeakMegabytes());
            return 0;
        }
        const auto print = [&](const QString& name, double ours) {
            std::printf("RESULT %s %lld %.2f %.2f %.2f %.1f\n", qPrintable(name), size, ours, r.raw,
                        r.raw > 0 ? ours / r.raw : 0.0, PeakMegabytes());
        };
        print(op, r.ours);
        const double own = r.raw;
        for (const ExtraLine& extra : std::as_const(g_extra)) {
            r.raw = extra.raw;
            print(extra.name, extra.ours);
        }
        r.raw = own;
        // The first opening in a new process, beside the same raw figure.
        if (r.cold >= 0)
            print(op + QStringLiteral(":cold"), r.cold);
    } catch (const std::exception& e) {
        Fail(QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
