// The data set over the embedded engine: fields and widths, states and events,
// write-back, refusals, sort and locate, the command query and procedures.

#include "commandquery.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "dialect.h"
#include "postgresdialect.h"
#include "sqlcheck.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"

#include <QAbstractItemModelTester>

namespace {
const QString kVoucherTable = QStringLiteral(
    "CREATE TABLE D_Test (SanadNoAmval VARCHAR(8), Raj INTEGER, DaraCod VARCHAR(6) "
    "CONSTRAINT \"W_DaraCod\" CHECK (length(DaraCod) <= 6), AmvalDes VARCHAR(100), EndFee FLOAT)");

class Provider : public ProcedureProvider
{
public:
    bool hasProcedure(const QString& name) const override
    {
        return name.compare(QLatin1String("sp_Echo"), Qt::CaseInsensitive) == 0;
    }
    ProcedureResult callProcedure(DbConnection&, const QString&, const QStringList& args) override
    {
        return {{"RetState", "Args"}, {{"1", args.join(QLatin1Char('|'))}}};
    }
};

// The kind of the DatabaseError that `write` throws; Other when it throws none.
DatabaseError::Kind Refused(const std::function<void()>& write)
{
    const auto error = ThrownDatabaseError(write);
    return error ? error->kind() : DatabaseError::Kind::Other;
}
} // namespace

class TestDataSet : public QObject
{
    Q_OBJECT

    TestPlace m_place;
    QString m_name;
    std::unique_ptr<DbConnection> m_db;

    QStringList stored(const QString& sql) const { return StoredColumn(*m_db, sql); }
    // D_Many: rows numbered 1..rows, texts "row <n>".
    static void fillMany(DbConnection& db, int rows)
    {
        db.execute(QStringLiteral("CREATE TABLE D_Many (n INTEGER, t VARCHAR(20))"));
        db.execute(QStringLiteral("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c "
                                  "WHERE i < %1) INSERT INTO D_Many (n, t) SELECT i, 'row ' || "
                                  "CAST(i AS VARCHAR(10)) FROM c")
                       .arg(rows));
    }
    // A table without a key holding identical rows, told apart only by a Tag the
    // data sets of these tests do not read.
    void makeKeylessTwins(const QStringList& descriptions)
    {
        m_db->execute("CREATE TABLE K (Code VARCHAR(6), Des VARCHAR(20), Tag INTEGER)");
        for (int i = 0; i < descriptions.size(); ++i)
            m_db->execute("INSERT INTO K VALUES ('   1', ?, ?)", {descriptions.at(i), i + 1});
    }
    QStringList keylessRows() const
    {
        return stored("Select Des || ':' || COALESCE(CAST(Tag AS VARCHAR(9)), '-') From K Order "
                      "By COALESCE(Tag, 0)");
    }

private slots:
    void init()
    {
        static int n = 0;
        m_name = QStringLiteral("t%1").arg(++n);
        m_db = m_place.open(m_name);
        QVERIFY(m_db->isOpen());
        m_db->execute(kVoucherTable);
        m_db->execute(
            QStringLiteral("INSERT INTO D_Test VALUES ('       1', 1, '   101', 'ميز', 1500000),"
                           " ('       1', 2, '   102', 'صندلي', 250000.5),"
                           " ('       1', 3, '   103', 'کامپيوتر', 42000000)"));
    }
    void cleanup() { m_db.reset(); }

    void fieldsCarryDeclaredWidthsKindsAndTheirTables()
    {
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open("Select * From D_Test Order By Raj"));
        QCOMPARE(ds.fieldByName("daracod")->size(), 6);
        QCOMPARE(ds.fieldByName("Raj")->kind(), DataField::Kind::Integer);
        QCOMPARE(ds.fieldByName("EndFee")->kind(), DataField::Kind::Float);
        QCOMPARE(ds.updateTable(), "D_Test");
        QCOMPARE(m_db->dialect().columnWidth("D_Test", "Nope"), -1);
        QVERIFY_EXCEPTION_THROWN(ds.fieldByName("Nope"), DataSetError);

        // The same widths inside a statement, and SQL Server's LEN.
        QVERIFY_SQL(ds.open("Select COL_LENGTH('D_Test', 'DaraCod') As DaraCodLen, "
                            "COL_LENGTH('D_Test', 'Nope') As NoLen, COL_LENGTH('D_Test', 'Raj') "
                            "As RajLen, LEN('  ab  ') As L"));
        QCOMPARE(ds.fieldByName("DaraCodLen")->asInteger(), 6);
        QVERIFY(ds.fieldByName("NoLen")->isNull());
        QCOMPARE(ds.fieldByName("RajLen")->asInteger(), 0);
        QCOMPARE(ds.fieldByName("L")->asInteger(), 4);
        m_db->execute(m_db->dialect().createTempTable("##T1") + " (Code VARCHAR(9))");
        QCOMPARE(m_db->dialect().columnWidth("tempdb..##T1", "code"), 9);

        // A joined or computed column is not written back; the statement's
        // own table still is.
        QVERIFY_SQL(ds.open("Select T.*, Upper(AmvalDes) As Big From D_Test T"));
        QCOMPARE(ds.fieldByName("Big")->size(), 0);
        QVERIFY(ds.fieldByName("Big")->originTable().isEmpty());

        ds.setReadOnly(true);
        ds.open("Select * From D_Test");
        QVERIFY_EXCEPTION_THROWN(ds.edit(), DataSetError);

        // Other databases of the place, reached under their names.
        {
            const auto other = m_place.open("ZELMORA_Sdc");
            other->execute("CREATE TABLE Sdc_Company (sCode VARCHAR(4), sYear VARCHAR(4))");
            other->execute("INSERT INTO Sdc_Company VALUES ('1', '1405')");
        }
        QVERIFY(m_db->databaseExists("ZELMORA_Sdc"));
        QVERIFY(!m_db->attach("ZELMORA_None"));
        QVERIFY(m_db->attach("ZELMORA_Sdc") && m_db->attach("ZELMORA_Sdc"));
        QCOMPARE(
            stored("Select sYear From " + m_db->dialect().tableIn("ZELMORA_Sdc", "Sdc_Company")),
            QStringList{"1405"});
        QCOMPARE(m_db->dialect().columnWidth("ZELMORA_Sdc..Sdc_Company", "sYear"), 4);

        // A read with the page cache lent to the other database sees it, and the caches
        // are as they were after it, also after one that failed.
        const auto caches = [&] {
            return m_db->isServer() ? QStringList()
                                    : stored("PRAGMA main.cache_size") +
                                          stored("PRAGMA \"ZELMORA_Sdc\".cache_size");
        };
        const QStringList before = caches();
        QStringList lentRead;
        m_db->readWithCacheLent("ZELMORA_Sdc", [&] {
            if (!m_db->isServer())
                QVERIFY(caches() != before);
            lentRead = stored("Select sCode From " +
                              m_db->dialect().tableIn("ZELMORA_Sdc", "Sdc_Company"));
        });
        QCOMPARE(lentRead, QStringList{"1"});
        QCOMPARE(caches(), before);
        QVERIFY_EXCEPTION_THROWN(m_db->readWithCacheLent("ZELMORA_Sdc",
                                                         [&] { m_db->execute("SELECT * FROM Nope"); }),
                                 DatabaseError);
        QCOMPARE(caches(), before);
    }

    // Navigation and its events; locate, texts compared without their trailing
    // blanks; display formats, one surviving a requery, which returns to the same record
    // number, and a re-open of the same statement; an in-memory sort keeping the
    // current record.
    void navigationLocateRequeryAndSort()
    {
        DataSet ds(m_db.get());
        QStringList scrolled;
        ds.afterScroll = [&](DataSet& d) {
            scrolled << d.fieldByName("DaraCod")->asString().trimmed();
        };
        QVERIFY_SQL(ds.open("Select * From D_Test Order By Raj"));
        QCOMPARE(ds.recNo(), 1);
        QVERIFY(ds.next() && ds.next() && !ds.next() && ds.eof());
        QCOMPARE(ds.recNo(), 3);
        QVERIFY(ds.first() && ds.bof() && ds.moveBy(2));
        QCOMPARE(scrolled, (QStringList{"102", "103", "101", "103"}));

        QVERIFY(ds.locate({"DaraCod"}, {"   102"}));
        QCOMPARE(ds.recNo(), 2);
        QVERIFY(ds.locate({"Raj", "AmvalDes"}, {1, "ميز  "}));
        QCOMPARE(ds.recNo(), 1);
        QVERIFY(!ds.locate({"DaraCod"}, {"999"}));
        QCOMPARE(ds.recNo(), 1);
        DataField* fee = ds.fieldByName("EndFee");
        fee->setDisplayFormat("###,###,###,###");
        QCOMPARE(fee->displayText(), "1,500,000");
        QCOMPARE(fee->asString(), "1500000");
        const auto shown = [](double value, const char* format) {
            return DataField::FormatNumber(value, QString(format));
        };
        QCOMPARE(shown(250000.5, "###,###,###,###"), "250,001"); // rounded to no decimals
        QCOMPARE(shown(1234.5, "###,###,###,##0.###"), "1,234.5");
        QCOMPARE(shown(0.0, "###,###,###,###"), "");
        QCOMPARE(shown(0.0, "###,###,##0.###"), "0");
        QCOMPARE(shown(-0.25, "###,###.######"), "-0.25"); // a fraction keeps its "0."
        QCOMPARE(shown(-42000.0, "###,###"), "-42,000");
        ds.setCurrentRow(2);
        m_db->execute("UPDATE D_Test SET AmvalDes = 'تغيير' WHERE Raj = 3");
        int resets = 0;
        DataSet::Watch watch;
        watch.reset = [&resets] { ++resets; };
        QObject owner;
        ds.watch(&owner, watch);
        ds.requery();
        QCOMPARE(resets, 1);
        QCOMPARE(ds.recNo(), 3);
        QCOMPARE(ds.fieldByName("AmvalDes")->asString(), "تغيير");
        ds.open("Select * From D_Test Order By Raj");
        QCOMPARE(ds.fieldByName("EndFee")->displayText(), "1,500,000");
        m_db->execute("INSERT INTO D_Test VALUES ('       2', 1, '   100', 'الف', 250000.5)");
        QVERIFY_SQL(ds.open("Select * From D_Test Order By SanadNoAmval, Raj"));
        QVERIFY(ds.locate({"DaraCod"}, {"   103"}));
        ds.setSort("EndFee DESC, DaraCod");
        QCOMPARE(ds.recNo(), 1); // the sorted order below puts 103 first
        QCOMPARE(FieldTexts(ds, "DaraCod").join(' '), "103 101 100 102");
        ds.setSort(QString());
        QCOMPARE(FieldTexts(ds, "DaraCod").join(' '), "101 102 103 100");
        QVERIFY_EXCEPTION_THROWN(ds.setSort("Nope ASC"), DataSetError);
    }

    // An edit posts and a cancel restores the values read; the row edited beside its
    // identical twin is the keyless case's. A post refused by the database (an over-long
    // code) keeps the row in edit and stores nothing. (A post its event refuses: the grid
    // suite's refused posts, and the voucher suites' row checks, which refuse so.)
    void postsCancelsAndRefusals()
    {
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open("Select * From D_Test Order By Raj"));
        int stateChanges = 0;
        DataSet::Watch watch;
        watch.stateChanged = [&stateChanges] { ++stateChanges; };
        QObject owner;
        ds.watch(&owner, watch);
        ds.fieldByName("AmvalDes")->setValue("ميز كار");
        QCOMPARE(ds.state(), DataSet::State::Edit);
        QVERIFY(ds.modified());
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(ds.state(), DataSet::State::Browse);
        QCOMPARE(stateChanges, 2);
        QCOMPARE(stored("Select AmvalDes From D_Test Where Raj = 1"), QStringList{"ميز كار"});
        ds.fieldByName("EndFee")->setValue(99.25);
        ds.cancel();
        QCOMPARE(ds.fieldByName("EndFee")->asFloat(), 1500000.0);
        QCOMPARE(stored("Select EndFee From D_Test Where Raj = 1"), QStringList{"1500000"});

        int afterPost = 0;
        ds.afterPost = [&](DataSet&) { ++afterPost; };
        const auto first = [this] {
            return stored("Select DaraCod From D_Test Where Raj = 1 And SanadNoAmval = '       1'");
        };
        ds.fieldByName("DaraCod")->setValue("1234567");
        const auto error = ThrownDatabaseError([&] { ds.post(); });
        QVERIFY(error && error->kind() == DatabaseError::Kind::TooLong);
        QCOMPARE(error->object(), "DaraCod");
        QCOMPARE(ds.state(), DataSet::State::Edit);
        QCOMPARE(afterPost, 0);
        QCOMPARE(first(), QStringList{"   101"});
        ds.fieldByName("DaraCod")->setValue("   109");
        QVERIFY(ds.next());
        QCOMPARE(afterPost, 1);
        QCOMPARE(first(), QStringList{"   109"});
    }

    // Cancelling a new row removes it and returns to a neighbour; an untouched
    // appended row is dropped when the cursor leaves it; a delete may be refused.
    void newRowsAndDeletes()
    {
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open("Select * From D_Test Order By Raj"));
        int beforeInsert = 0, afterCancel = 0, afterDelete = 0;
        ds.beforeInsert = [&](DataSet&) { ++beforeInsert; };
        ds.afterCancel = [&](DataSet&) { ++afterCancel; };
        ds.afterDelete = [&](DataSet&) { ++afterDelete; };
        ds.beforeDelete = [](DataSet& d) {
            if (d.fieldByName("Raj")->asInteger() == 1)
                DataSet::Abort();
        };
        ds.setCurrentRow(1);
        ds.insert();
        QCOMPARE(ds.recordCount(), 4);
        QCOMPARE(ds.recNo(), 2);
        QCOMPARE(ds.state(), DataSet::State::Insert);
        ds.cancel();
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(ds.fieldByName("Raj")->asInteger(), 2);
        QCOMPARE(afterCancel, 1);
        ds.append();
        QCOMPARE(ds.recNo(), 4);
        QVERIFY(ds.first());
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(beforeInsert, 2);

        ds.append();
        SetRow(&ds, {{"SanadNoAmval", "       1"}, {"Raj", 4}, {"DaraCod", "   104"}});
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(stored("Select DaraCod From D_Test Order By Raj"),
                 (QStringList{"   101", "   102", "   103", "   104"}));
        ds.first();
        QVERIFY(!ds.deleteRow());
        QCOMPARE(ds.recordCount(), 4);
        ds.last();
        QVERIFY_SQL(QVERIFY(ds.deleteRow()));
        QCOMPARE(afterDelete, 1);
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(stored("Select count(*) From D_Test"), QStringList{"3"});

        // A row inserted takes the table's numbering. (A new row found again by its next
        // write and its delete: keylessRowsAreWrittenBackByTheirAddress.)
        ds.beforeDelete = nullptr;
        m_db->execute("CREATE TABLE R (IDX " + m_db->dialect().identityColumnType() +
                      ", Mark VARCHAR(1) DEFAULT '', Des VARCHAR(20))");
        ds.open("Select * From R");
        ds.append();
        ds.fieldByName("Des")->setValue("اول");
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(ds.fieldByName("IDX")->asInteger(), 1);
    }

    // The command query binds its values and calls the connection's procedures; a
    // data set's bound values stay with its statement. (Nested transactions: the
    // concurrency suite's kept statements; a refused statement of the command query:
    // the global unit's.)
    void theCommandQueryAndBoundValues()
    {
        CommandQuery command(m_db.get());
        command.setSql("UPDATE D_Test SET AmvalDes = ?", {"a'b"});
        QVERIFY_SQL(command.execute());
        QCOMPARE(stored("Select Distinct AmvalDes From D_Test"), QStringList{"a'b"});
        // Bound values stay with the statement: a requery reads the same rows.
        DataSet bound(m_db.get());
        QVERIFY_SQL(
            bound.open("Select Raj From D_Test Where AmvalDes = ? And Raj > ?", {"a'b", 2}));
        QCOMPARE(bound.recordCount(), 1);
        QVERIFY_SQL(bound.requery());
        QCOMPARE(bound.recordCount(), 1);

        QVERIFY_EXCEPTION_THROWN(command.execProcedure("sp_Echo", {}), DatabaseError);
        Provider provider;
        m_db->setProcedures(&provider);
        QVERIFY_SQL(command.execProcedure("SP_ECHO", {"a", "b"}));
        QCOMPARE(command.fieldByName("RetState")->asString(), "1");
        QCOMPARE(command.fieldByName("Args")->asString(), "a|b");
        m_db->setProcedures(nullptr);
    }

    // The server keeps quoted names as written and folds unquoted ones: quoted names
    // are folded the same way, so that either spelling reaches one table. Texts, with
    // quotes and '' inside them, stay as written. Needs no server.
    void quotedNamesAreFoldedAndTextsKept()
    {
        const auto fold = [](const QString& sql, const QStringList& spellings) {
            QStringList words;
            const QString folded = PostgresDialect::FoldQuotedNames(sql, &words);
            return words == spellings ? folded : QStringLiteral("spellings: ") + words.join('|');
        };
        QCOMPARE(fold(R"(select "DaraCod", Raj from "D_Amval")", {"DaraCod", "Raj", "D_Amval"}),
                 R"(select "daracod", Raj from "d_amval")");
        QCOMPARE(fold(R"(select 'O''Neil "Big" Des', '' as "Des")", {"Des"}),
                 R"(select 'O''Neil "Big" Des', '' as "des")");
        QCOMPARE(
            fold(R"(insert into "##AMV1_X" select * from "##amv1_x" where "##AMV1_x"."A""b" = 1)",
                 {"##AMV1_X", "##AMV1_x", "A\"b"}),
            R"(insert into "##amv1_x" select * from "##amv1_x" where "##amv1_x"."a""b" = 1)");
        // A temporary table is made under the name its statements reach.
        const PostgresDialect dialect(QStringLiteral("none"));
        QCOMPARE(dialect.createTempTable("##AMV1_X"),
                 PostgresDialect::FoldQuotedNames(R"(CREATE TEMP TABLE "##AMV1_X")"));
        QCOMPARE(dialect.tableIn("ZELMORA_Sdc", "Sdc_Company"),
                 PostgresDialect::FoldQuotedNames(R"("ZELMORA_Sdc"."Sdc_Company")"));
    }

    // A read-only data set with a small fetch chunk over many more rows: it walks,
    // jumps, sorts, counts and reads again with only a bounded number of rows held.
    void largeResultsAreReadInChunks()
    {
        constexpr int kRows = 2500, kChunk = 10, kBound = DataSet::kChunksKept * kChunk;
        fillMany(*m_db, kRows);
        DataSet ds(m_db.get());
        ds.setReadOnly(true);
        ds.setFetchChunk(kChunk);
        QVERIFY_SQL(ds.open("SELECT n, t FROM D_Many WHERE n > ? ORDER BY n", {0}));
        QVERIFY(ds.chunked() && !ds.allRowsKnown() && ds.rowsKnown() <= kChunk + 1);
        QCOMPARE(ds.fieldByName("T")->size(), 20);
        QCOMPARE(ds.fieldByName("n")->kind(), DataField::Kind::Integer);
        // A computed column takes the kind of its first value that is not NULL (as an
        // amount of a search's rows, the first of a kind without one).
        DataSet computed(m_db.get());
        computed.setReadOnly(true);
        computed.setFetchChunk(kChunk);
        QVERIFY_SQL(computed.open("SELECT CASE WHEN n < 4 THEN NULL ELSE CAST(n AS FLOAT) / 2 "
                                  "END AS x FROM D_Many ORDER BY n"));
        QCOMPARE(computed.fieldByName("x")->kind(), DataField::Kind::Float);
        const auto n = [&ds] { return ds.fieldByName("n")->asInteger(); };

        // A walk to the end sees every row once, in order, holding few of them; so
        // does a walk back.
        int walked = 0, mostHeld = 0;
        for (ds.first(); !ds.eof() && n() == walked + 1 &&
                         ds.fieldByName("t")->asString() == "row " + QString::number(n());
             ds.next(), ++walked)
            mostHeld = std::max(mostHeld, ds.rowsHeld());
        QCOMPARE(walked, kRows);
        QVERIFY2(mostHeld <= kBound, qPrintable(QString::number(mostHeld)));
        QCOMPARE(ds.recordCount(), kRows);
        for (ds.last(); !ds.bof() && n() == walked; ds.prior())
            --walked;
        QCOMPARE(walked, 0);

        // Jumps to the end, past it and to a row found in the middle. (Rows read at any
        // place and counted by their value: rowsAroundACountedRowAreReadWhereTheyStand.)
        QVERIFY(ds.last() && ds.recNo() == kRows && n() == kRows);
        QVERIFY(!ds.setCurrentRow(kRows));
        QVERIFY(ds.locate({"t"}, {"row 2222"}));
        QCOMPARE(ds.currentRow(), 2221);
        QVERIFY(ds.rowsHeld() <= kBound);

        // A sort is read again in the database's order.
        ds.setSort("n DESC");
        QCOMPARE(ds.currentRow(), 0);
        QCOMPARE(n(), kRows);
        QCOMPARE(ds.seekRow("n", 5), -1);
        QVERIFY(ds.last() && n() == 1);
        QCOMPARE(ds.recordCount(), kRows);
        // Opened sorted, it stands as open and setSort leave it, read in that order.
        DataSet sorted(m_db.get());
        sorted.setReadOnly(true);
        sorted.setFetchChunk(kChunk);
        sorted.openSorted("SELECT n, t FROM D_Many ORDER BY n", "n DESC");
        QVERIFY(sorted.chunked() && sorted.rowsHeld() <= kChunk);
        QCOMPARE(sorted.fieldByName("n")->asInteger(), kRows);
        QVERIFY(sorted.setCurrentRow(kRows - 5) && sorted.fieldByName("n")->asInteger() == 5);
        QCOMPARE(sorted.recordCount(), kRows);

        // Rows another clerk adds while it is open come with the next requery.
        m_place.open(m_name)->execute("INSERT INTO D_Many (n, t) VALUES (?, 'late'), (?, 'late')",
                                      {kRows + 1, kRows + 2});
        QCOMPARE(ds.recordCount(), kRows);
        QVERIFY_SQL(ds.requery());
        QCOMPARE(ds.recordCount(), kRows + 2);
        QVERIFY(ds.first() && n() == kRows + 2);
        ds.setSort(QString());
        QVERIFY(ds.last() && ds.fieldByName("t")->asString() == "late");

        // Read-only and no more rows than a chunk: held whole, sorted in memory. An
        // editable data set ignores the chunk: it holds its rows whole.
        DataSet few(m_db.get()), edited(m_db.get());
        few.setReadOnly(true);
        few.setFetchChunk(kChunk);
        few.open("SELECT n, t FROM D_Many WHERE n <= 10 ORDER BY n DESC");
        QVERIFY(!few.chunked() && few.recordCount() == 10);
        few.setSort("n");
        QCOMPARE(few.fieldByName("n")->asInteger(), 10);
        QVERIFY(few.first() && few.fieldByName("n")->asInteger() == 1);
        // Opened sorted, a set held whole is sorted in memory.
        DataSet whole(m_db.get());
        whole.openSorted("SELECT n, t FROM D_Many WHERE n <= 10 ORDER BY n DESC", "n");
        QVERIFY(!whole.chunked());
        QVERIFY(whole.fieldByName("n")->asInteger() == 1 && whole.value(9, 0).toInt() == 10);
        edited.setFetchChunk(kChunk);
        edited.open("SELECT n, t FROM D_Many");
        QVERIFY(!edited.chunked());
        QCOMPARE(edited.rowsHeld(), kRows + 2);
    }

    // Rows read from a counted row of an ordered column, going up and down from it,
    // stand where a whole read puts them: runs of equal values across chunk edges
    // and rows without a value (first on one engine, last on the other) included.
    void rowsAroundACountedRowAreReadWhereTheyStand()
    {
        fillMany(*m_db, 700);
        m_db->execute("CREATE TABLE D_Grouped (n INTEGER, g INTEGER)");
        m_db->execute("INSERT INTO D_Grouped (n, g) SELECT n, CASE WHEN n % 50 = 0 THEN NULL "
                      "ELSE n / 7 END FROM D_Many");
        m_db->execute("CREATE INDEX D_Grouped_g ON D_Grouped (g)");
        const QString sql = "SELECT g, n FROM D_Grouped ORDER BY g";
        DataSet whole(m_db.get());
        QVERIFY_SQL(whole.open(sql));
        QVariantList expected;
        for (int row = 0; row < whole.recordCount(); ++row)
            expected << whole.value(row, 0);
        const auto check = [&](DataSet& ds, int row) {
            const QVariant g = ds.value(row, 0);
            QVERIFY2(g == expected.at(row) && (g.isNull() ? ds.value(row, 1).toInt() % 50 == 0
                                                          : ds.value(row, 1).toInt() / 7 == g),
                     qPrintable(QStringLiteral("row %1: %2").arg(row).arg(g.toString())));
        };
        for (const int value : {30, 61, 99}) {
            DataSet ds(m_db.get());
            ds.setReadOnly(true);
            ds.setFetchChunk(10);
            QVERIFY_SQL(ds.open(sql));
            const int row = ds.seekRow("g", value);
            QCOMPARE(row, expected.indexOf(QVariant(value)));
            // The counted row's chunk, then down to the first row and from the counted
            // row on to the end, each chunk read from one beside it.
            QVERIFY(ds.setCurrentRow(row + 3));
            for (int r = row + 3; r >= 0; --r)
                check(ds, r);
            QVERIFY(ds.setCurrentRow(row));
            for (int r = row; ds.hasRow(r); ++r)
                check(ds, r);
            QCOMPARE(ds.recordCount(), 700);
            QCOMPARE(ds.rowsKnown(), 700);
        }
    }

    // The grid's model over a chunked data set: the first chunk first, the rest
    // counted when the view asks for more or the data set goes past them; Qt's
    // model contract holds throughout.
    void aGridModelFetchesMoreOfAChunkedDataSet()
    {
        constexpr int kRows = 700;
        fillMany(*m_db, kRows);
        DataSet ds(m_db.get());
        ds.setReadOnly(true);
        ds.setFetchChunk(50);
        DataSetModel model;
        model.setDataSet(&ds);
        ds.open("SELECT n, t FROM D_Many ORDER BY n");
        model.setDefaultColumns();
        QVERIFY(model.rowCount() <= 51 && model.canFetchMore());
        QCOMPARE(model.data(model.index(3, 1)).toString(), "row 4");
        model.fetchMore();
        QCOMPARE(model.rowCount(), kRows);
        QVERIFY(!model.canFetchMore());
        QCOMPARE(model.data(model.index(kRows - 1, 0)).toString(), QString::number(kRows));
        QVERIFY(ds.rowsHeld() <= DataSet::kChunksKept * 50);

        // Opened again, a jump to the last row tells the view of every row.
        ds.requery();
        ds.close();
        ds.open();
        QVERIFY(model.rowCount() < kRows);
        ds.last();
        QCOMPARE(model.rowCount(), kRows);
        ds.setSort("t DESC");
        QCOMPARE(model.data(model.index(0, 1)).toString(), "row 99");

        // Qt's model tester (which fetches more itself) over open, requery, sort, close.
        DataSetModel tested;
        QAbstractItemModelTester tester(&tested,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        tested.setDataSet(&ds);
        tested.setDefaultColumns();
        ds.requery();
        ds.setSort("n");
        ds.first();
        QCOMPARE(tested.data(tested.index(kRows - 1, 0)).toString(), QString::number(kRows));
        ds.close();
        QCOMPARE(tested.rowCount(), 0);
        ds.open();
        QCOMPARE(tested.rowCount(), kRows);
    }

    // Identical rows of a table without a key (as far as the data set sees): the row
    // edited, edited again, and deleted is the one under the cursor, never the first
    // holding the same values, also after an in-memory sort and for a row just
    // inserted. A statement over a join or a computed column has no row address: the
    // row is the first stored one holding the values read.
    void keylessRowsAreWrittenBackByTheirAddress()
    {
        makeKeylessTwins({"x", "x", "x"});
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open("Select Code, Des From K Order By Tag"));
        // The address travels with the row but is no field of it.
        QCOMPARE(ds.fieldNames(), (QStringList{"Code", "Des"}));
        QVERIFY(!ds.findField(m_db->dialect().rowAddressColumn()));
        QVERIFY(!ds.value(0, 2).isValid());

        ds.setCurrentRow(1);
        ds.fieldByName("Des")->setValue("y");
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(keylessRows(), (QStringList{"x:1", "y:2", "x:3"}));
        // Again: an engine that moved the row on its first write still finds it.
        ds.fieldByName("Des")->setValue("z");
        QVERIFY_SQL(QVERIFY(ds.post()));
        ds.fieldByName("Code")->setValue("   2");
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(keylessRows(), (QStringList{"x:1", "z:2", "x:3"}));
        QCOMPARE(stored("Select Code From K Where Tag = 2"), QStringList{"   2"});
        ds.setCurrentRow(2);
        QVERIFY_SQL(QVERIFY(ds.deleteRow()));
        QCOMPARE(keylessRows(), (QStringList{"x:1", "z:2"}));

        // An in-memory sort carries each row's address with it.
        m_db->execute("UPDATE K SET Des = 'b'");
        m_db->execute("INSERT INTO K VALUES ('   1', 'a', 3), ('   1', 'b', 4)");
        ds.requery();
        ds.setSort("Des DESC, Code");
        QVERIFY(ds.locate({"Des", "Code"}, {"b", "   1"}));
        QCOMPARE(ds.recNo(), 1);
        ds.next();
        ds.fieldByName("Des")->setValue("c");
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(keylessRows(), (QStringList{"b:1", "b:2", "a:3", "c:4"}));

        // A new row, appended or inserted, twin of a stored one, written again and deleted.
        m_db->execute("DELETE FROM K WHERE Tag <> 1");
        m_db->execute("UPDATE K SET Des = 'x'");
        QVERIFY_SQL(ds.open("Select Code, Des From K"));
        for (const bool inserted : {false, true}) {
            inserted ? ds.insert() : ds.append();
            SetRow(&ds, {{"Code", "   1"}, {"Des", "x"}});
            QVERIFY_SQL(QVERIFY(ds.post()));
            QCOMPARE(ds.recNo(), inserted ? 1 : 2);
            for (const char* des : {"new", "newer"}) {
                ds.fieldByName("Des")->setValue(des);
                QVERIFY_SQL(QVERIFY(ds.post()));
                QCOMPARE(keylessRows(), (QStringList{QString(des) + ":-", "x:1"}));
            }
            QVERIFY_SQL(QVERIFY(ds.deleteRow()));
            QCOMPARE(keylessRows(), QStringList{"x:1"});
            ds.first();
        }

        m_db->execute("INSERT INTO K VALUES ('   1', 'y', 2)");
        for (const char* sql : {"Select K.Code, K.Des, Upper(Des) As Big From K Order By Tag",
                                "Select A.Code, A.Des From K A Join K B On B.Tag = A.Tag Order "
                                "By A.Tag"}) {
            QVERIFY_SQL(ds.open(sql));
            QCOMPARE(ds.updateTable().toLower(), "k");
            ds.last();
            ds.fieldByName("Des")->setValue("y2");
            QVERIFY_SQL(QVERIFY(ds.post()));
            QCOMPARE(keylessRows(), (QStringList{"x:1", "y2:2"}));
            m_db->execute("UPDATE K SET Des = 'y' WHERE Tag = 2");
        }
        // A view is read, with no column of its own.
        m_db->execute("CREATE VIEW V AS SELECT Code, Des FROM K");
        QVERIFY_SQL(ds.open("Select * From V Order By Des"));
        QCOMPARE(ds.fieldNames(), (QStringList{"Code", "Des"}));
        QCOMPARE(ds.recordCount(), 2);
    }

    // The writer's statements take every value as a parameter: a text with quotes,
    // placeholders or Persian letters is stored, found again by an update and a
    // delete, exactly as typed; and on the server no statement the rows were written
    // by (as a trigger sees its text) has a value spelled out in it.
    void writtenValuesAreBound_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("edited");
        QTest::newRow("quotes and a tab") << "O'Neil \"x\" ''\t"
                                          << "it's \\ back'slash";
        QTest::newRow("placeholders") << "? and $1 :a"
                                      << "?? $2";
        QTest::newRow("persian") << "ميز كار يك"
                                 << "صندلی گردان ۴۲";
    }
    void writtenValuesAreBound()
    {
        QFETCH(QString, typed);
        QFETCH(QString, edited);
        if (m_db->isServer()) {
            m_db->execute("CREATE TABLE Q (q TEXT)");
            m_db->execute("CREATE FUNCTION q_log() RETURNS trigger LANGUAGE plpgsql AS "
                          "'BEGIN INSERT INTO Q VALUES (current_query()); RETURN NULL; END'");
            m_db->execute("CREATE TRIGGER q_log AFTER INSERT OR UPDATE OR DELETE ON D_Test "
                          "FOR EACH ROW EXECUTE FUNCTION q_log()");
        }
        const auto clerk = m_place.open(m_name);
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open("Select * From D_Test Where SanadNoAmval = '       9'"));
        ds.append();
        SetRow(&ds, {{"SanadNoAmval", "       9"},
                     {"Raj", 1},
                     {"DaraCod", "   109"},
                     {"AmvalDes", typed},
                     {"EndFee", 7.5}});
        QVERIFY_SQL(QVERIFY(ds.post()));
        SetRow(&ds, {{"AmvalDes", edited}, {"EndFee", 8.25}}); // two columns in one update
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(StoredRows(*clerk,
                            "Select AmvalDes, EndFee From D_Test Where SanadNoAmval = '       9'"),
                 (QList<QStringList>{{edited, "8.25"}}));
        QVERIFY_SQL(QVERIFY(ds.deleteRow()));
        QCOMPARE(StoredColumn(*clerk, "Select Count(*) From D_Test"), QStringList{"3"});
        if (!m_db->isServer())
            return;
        const QStringList statements = StoredColumn(*clerk, "Select q From Q");
        QCOMPARE(statements.size(), 3);
        for (const QString& statement : statements) {
            for (QString value : {typed, edited}) {
                QVERIFY2(!statement.contains(value) &&
                             !statement.contains(value.replace("'", "''")),
                         qPrintable(statement));
            }
        }
    }

    // Another user changes or deletes the row this one writes: a conflict, and the
    // twins holding the values read are left alone. Read again, the rows are written.
    void anotherUsersChangeOrDeleteIsAConflict()
    {
        using Kind = DatabaseError::Kind;
        makeKeylessTwins({"x", "x", "x"});
        const auto clerk = m_place.open(m_name);
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open("Select Code, Des From K Order By Tag"));
        ds.setCurrentRow(1);
        ds.fieldByName("Des")->setValue("mine");
        clerk->execute("UPDATE K SET Des = 'theirs' WHERE Tag = 2");
        const auto error = ThrownDatabaseError([&] { ds.post(); });
        QVERIFY(error && error->kind() == Kind::Conflict &&
                error->message().startsWith("Row cannot be located for updating"));
        QCOMPARE(ds.state(), DataSet::State::Edit);
        QCOMPARE(keylessRows(), (QStringList{"x:1", "theirs:2", "x:3"}));
        ds.cancel();

        ds.setCurrentRow(2);
        clerk->execute("DELETE FROM K WHERE Tag = 3");
        ds.fieldByName("Des")->setValue("mine");
        QCOMPARE(Refused([&] { ds.post(); }), Kind::Conflict);
        ds.cancel();
        QCOMPARE(Refused([&] { ds.deleteRow(); }), Kind::Conflict);
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(keylessRows(), (QStringList{"x:1", "theirs:2"}));

        ds.requery();
        ds.first();
        ds.fieldByName("Des")->setValue("mine");
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(keylessRows(), (QStringList{"mine:1", "theirs:2"}));
    }
};

AMVAL_TEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
