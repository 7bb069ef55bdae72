// The stored tables of a company period and of the register: declared widths that
// refuse over-long texts, the version row and the migration of an older database,
// the kind registry, the users' rights columns, statements of the windows, and the
// data folder that opens a period with the register attached.

#include "databasefolder.h"
#include "dialect.h"
#include "schema.h"
#include "sqlcheck.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"
#include "voucherkinds.h"

#include <QHash>
#include <QRegularExpression>
#include <QSemaphore>
#include <thread>

namespace {

const QString kTruncated = "String or binary data would be truncated";

// The message of the DatabaseError that `sql` raises, or "" when it runs.
QString Refusal(DbConnection& connection, const QString& sql)
{
    const auto error = ThrownDatabaseError([&] { connection.execute(sql); });
    return error ? error->message() : QString();
}

} // namespace

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_name = QStringLiteral("schema_%1").arg(++m_counter);
        m_company = m_place.open(m_name);
        QVERIFY2(m_company->isOpen(), qPrintable(m_company->lastError()));
        Schema::CreateCompanySchema(*m_company);
    }
    void cleanup() { m_company.reset(); }

    // Every table is created with its declared columns and widths, and a column name
    // has one width everywhere, so that a value copied between tables fits. The
    // registry the windows search by names the voucher tables with the codes their
    // procedures use. A second run at the current version is harmless and refills
    // nothing; a new user gets a rights column, once, of refusals.
    void createdTablesRegistryVersionAndRights()
    {
        const Dialect& dialect = m_company->dialect();
        QHash<QString, int> widthOf;
        for (const TableDef& table : Schema::CompanyTables()) {
            QStringList declared;
            for (const ColumnDef& c : table.columns) {
                declared << c.name;
                const int width = c.type == ColumnDef::Type::Text ? c.width : 0;
                if (width && !widthOf.contains(c.name.toLower()))
                    widthOf.insert(c.name.toLower(), width);
                QVERIFY2(dialect.columnWidth(table.name, c.name) == width &&
                             (!width || widthOf.value(c.name.toLower()) == width),
                         qPrintable(table.name + '.' + c.name));
            }
            // In any case: the server keeps one spelling of a name for all tables.
            QCOMPARE(dialect.tableColumns(table.name).join(' ').toLower(),
                     declared.join(' ').toLower());
        }

        // Each kind's row says what was made of it: its table's columns (of which the
        // search reads some) and its one registry row, by the kind's code where it has one.
        for (const VoucherKind& kind : VoucherKinds()) {
            const QStringList made =
                dialect.tableColumns(kind.table).join(' ').toLower().split(' ');
            QStringList columns = kind.numberedRows
                                      ? QStringList{"SanadNoAmval", "Raj", "User_Name", "sDate"}
                                      : QStringList();
            columns += kind.columns;
            for (const QString& c : kind.search.shown + kind.search.ranges +
                                        QStringList{kind.search.amount, kind.search.salvage})
                QVERIFY2(c.isEmpty() || made.contains(c.toLower()),
                         qPrintable(kind.table + '.' + c));
            QVERIFY2(made == columns.join(' ').toLower().split(' ') &&
                         (kind.whatDoc.isEmpty() || kind.whatDoc == kind.registryCode),
                     qPrintable(kind.table));
            QCOMPARE(StoredRow(*m_company,
                               "SELECT DaraPartNam, TableNam FROM D_AsnadDara WHERE "
                               "WhatDoc = ?",
                               {kind.registryCode}),
                     (QStringList{kind.caption, kind.table}));
        }
        QCOMPARE(StoredRow(*m_company, "SELECT COUNT(*) FROM D_AsnadDara"),
                 QStringList{QString::number(VoucherKinds().size())});

        m_company->execute("INSERT INTO D_Makan (MakanCod, MakanNam) VALUES "
                           "('   1', 'انبار مرکزي')");
        m_company->execute("DELETE FROM D_AsnadDara WHERE WhatDoc = '13'");
        Schema::CreateCompanySchema(*m_company);
        QCOMPARE(Schema::StoredVersion(*m_company), Schema::kVersion);
        QCOMPARE(StoredRow(*m_company, "SELECT (SELECT COUNT(*) FROM Amval_Schema), (SELECT "
                                       "COUNT(*) FROM D_Makan), (SELECT COUNT(*) FROM D_AsnadDara "
                                       "WHERE WhatDoc = '13')"),
                 (QStringList{"1", "1", "0"}));
        QCOMPARE(m_company->transactionDepth(), 0);

        m_company->execute("INSERT INTO UserSdcDetail (StrId, Parent, \"2\") VALUES "
                           "('D_A_BUYCREATE_SABT', 'D_A_BUYCREATE', 'Y')");
        Schema::AddUserRightsColumn(*m_company, 6);
        Schema::AddUserRightsColumn(*m_company, 6);
        QCOMPARE(StoredRow(*m_company, "Select \"2\", \"6\" From UserSdcDetail Where StrId Like "
                                       "'D_A_BUYCREATE_%'"),
                 (QStringList{"Y", "N"}));
    }

    void olderDatabaseIsMigrated()
    {
        const auto older = m_place.open("older");
        DbConnection& old = *older;
        QCOMPARE(Schema::StoredVersion(old), 0);
        old.execute("CREATE TABLE D_Amval (DaraCod VARCHAR(6), DaraNam "
                    "VARCHAR(100), PersonelCod VARCHAR(5), Salianeh FLOAT, "
                    "RaveshEst VARCHAR(10), Nozooli FLOAT, VezCod VARCHAR(3), "
                    "Anbashteh FLOAT, Esshat FLOAT)");
        old.execute("INSERT INTO D_Amval VALUES ('     1', 'ميز', '  101', 7.5, "
                    "'نزولي', 25, '  4', 250000, 12500)");

        Schema::CreateCompanySchema(old);
        QCOMPARE(Schema::StoredVersion(old), Schema::kVersion);
        QVERIFY(old.dialect().tableExists("D_KenarM"));
        // The added column has its width and its default; the stored row is kept.
        QVERIFY(
            Refusal(old, "UPDATE D_Amval SET BahreDate = '1393/01/011'").startsWith(kTruncated));
        // The record as it stood is what the asset was registered with: its vouchers
        // recompute it from there.
        QCOMPARE(
            StoredRow(old,
                      "SELECT DaraNam, BahreDate, PersonelCod, FirstPersonelCod, FirstMakanCod, "
                      "FirstKenarDate, Salianeh, FirstSalianeh, AsaseChangeValue, "
                      "FirstRaveshEst, FirstNozooli, FirstVezCod, FirstAnbashteh, "
                      "FirstEsshat, TadilValue, ReduceValue FROM D_Amval"),
            (QStringList{"ميز", "", "  101", "  101", "", "", "7.5", "7.5", "0", "نزولي", "25",
                         "  4", "250000", "12500", "0", "0"}));
    }

    // The look-ups of a voucher by its number, of an asset's vouchers, of a form number
    // and of an asset voucher's accounting voucher, and the bounds of a voucher table,
    // each find their rows through an index: no statement reads a whole table. (The
    // server is told not to read a table whole where an index will do, so that it
    // picks one even on empty tables.) Other statements of the windows, in the subset
    // the engines share, name only tables and columns that exist.
    void statementsOfTheWindowsRunAndUseIndexes()
    {
        static const char* const lookUps[] = {
            "SELECT * FROM D_Buy_Create AS S WHERE S.SanadNoAmval IN ('       7', '7')",
            "SELECT MIN(sDate) AS sDate FROM D_ForoshDaymeh WHERE DaraCod IN ('    41', '41') "
            "AND SanadNoAmval NOT IN ('       7', '7') AND sDate <= '1405/01/01'",
            "SELECT SanadNoAmval FROM D_KenarD WHERE trim(Bargeh) = 'Q7' AND SanadNoAmval "
            "NOT IN ('       7', '7')",
            "SELECT SanadNo FROM Asnad WHERE TypeSys='D' AND WhatDoc='12' AND "
            "trim(Document)='7' AND LTRIM(DocToDate)='1'",
            "SELECT (SELECT MIN(sDate) FROM D_KenarM) AS A, (SELECT MAX(SanadNoAmval) FROM "
            "D_KenarM) AS B",
            "SELECT (SELECT CAST(MAX(SanadNoAmval) AS INTEGER) FROM D_KenarM WHERE "
            "SanadNoAmval < '0') AS A, (SELECT CAST(MIN(SanadNoAmval) AS INTEGER) FROM "
            "D_KenarM WHERE SanadNoAmval < '0') AS B, (SELECT MAX(CAST(SanadNoAmval AS "
            "INTEGER)) FROM D_KenarM WHERE SanadNoAmval >= '0') AS C",
            "SELECT (SELECT MAX(SanadNo) FROM Asnad) AS A",
            "SELECT DISTINCT DaraCod FROM D_KenarM WHERE SanadNoAmval IN ('       7', '7')",
            "SELECT DaraCod, FirstPersonelCod FROM D_Amval WHERE DaraCod IN ('    41', "
            "'    42') ORDER BY DaraCod",
            "SELECT DaraCod, sDate, 2 FROM D_Tahvil_Antegal WHERE DaraCod IN ('    41', '41') "
            "UNION ALL SELECT DaraCod, sDate, 1 FROM D_AsaseChange WHERE DaraCod IN ('    41', "
            "'41') UNION ALL SELECT DaraCod, sDate, 5 FROM D_BarKenarD WHERE DaraCod IN "
            "('    41', '41')",
        };
        const bool server = m_company->isServer();
        if (server)
            m_company->execute("SET enable_seqscan = off");
        static const QRegularExpression wholeTable("Seq Scan|^SCAN (?!CONSTANT)",
                                                   QRegularExpression::MultilineOption);
        for (const char* sql : lookUps) {
            QStringList plan;
            for (const QStringList& step :
                 StoredRows(*m_company,
                            (server ? "EXPLAIN " : "EXPLAIN QUERY PLAN ") + QString::fromUtf8(sql)))
                plan << step.at(server ? 0 : 3);
            const QString text = plan.join(QLatin1Char('\n'));
            QVERIFY2(!plan.isEmpty() && !wholeTable.match(text).hasMatch(),
                     qPrintable(QString::fromUtf8(sql) + '\n' + text));
        }

        QVERIFY_SQL(m_company->execute(
            "Insert Into N_Command(TypeSys, WhatDoc, sValue, sDate, sType, Command1, Command2, "
            "Command3, Koll, Moein, Tafsily, Tafsily2) Values ('S', '20', 1, '1393/01/01', "
            "'PAY', '1', '1', '1', '  1', '   1', '00001', '00001')"));
        QVERIFY_SQL(m_company->execute("Update DataCollectionDesign Set FormType = Case When "
                                       "FormNo = 1 Then 0 Else 1 End Where ltrim(rtrim(FormId)) = "
                                       "'D'"));
    }

    // The tax-return group window's start-up step, by two clerks at once and again: the
    // old and new group columns end at least as wide as the table's VazCod (where the
    // engine alters a column in place, columns made narrower are widened and take codes
    // of that width, no wider), and the registry row "20" is there once.
    void taxGroupChangeStep()
    {
        DbConnection& db = *m_company;
        const QString table = "D_Change_VezArat";
        const int width = db.dialect().columnWidth(table, "VazCod");
        int expected = db.dialect().columnWidth(table, "OldVezCod");
        QVERIFY(width > 1 && expected >= width);
        for (const char* column : {"OldVezCod", "NewVezCod"}) {
            const QString narrow = db.dialect().alterColumnWidthSql(table, column, width - 1);
            if (!narrow.isEmpty()) {
                db.execute(narrow);
                expected = width;
            }
        }
        db.execute("DELETE FROM D_AsnadDara WHERE WhatDoc = '20'");
        QStringList answers(3);
        const auto prepare = [&](int i) {
            DbConnection clerk(m_place.location(), m_name, DbConnection::OpenMode::Existing);
            answers[i] = Schema::PrepareTaxGroupChange(clerk);
        };
        std::thread first(prepare, 0), second(prepare, 1);
        first.join();
        second.join();
        answers[2] = Schema::PrepareTaxGroupChange(db);
        QCOMPARE(answers, QStringList(3));
        for (const char* column : {"OldVezCod", "NewVezCod"})
            QCOMPARE(db.dialect().columnWidth(table, column), expected);
        QCOMPARE(StoredRow(db, "SELECT COUNT(*) FROM D_AsnadDara WHERE WhatDoc = '20' AND "
                               "TableNam = 'D_Change_VezArat'"),
                 QStringList{"1"});
        const QString insert =
            "INSERT INTO D_Change_VezArat (SanadNoAmval, Raj, NewVezCod) VALUES ('1', %1, '%2')";
        QCOMPARE(Refusal(db, insert.arg(1).arg(QString(expected, '9'))), QString());
        QVERIFY(Refusal(db, insert.arg(2).arg(QString(expected + 1, '9'))).startsWith(kTruncated));
    }

    void registerPeriodsAndCompanies()
    {
        const TestPlace place; // a place of its own: the register is made in an empty one
        DatabaseFolder data(place.location());
        QVERIFY(data.isEmpty() && data.periods().isEmpty());

        data.ensureRegister();
        QVERIFY(!data.isEmpty());
        // company|year|name|end; the last replaces the second.
        for (const char* row :
             {"10|1394|شرکت نمونه|1394/12/29", "10|1393|old name|1393/12/29",
              "2|1393|دوم O'Neil \"قديم\"|1393/12/29", "10|1393|شرکت نمونه|1393/12/30"}) {
            const QStringList p = QString::fromUtf8(row).split('|');
            data.registerPeriod({p[0], p[1], p[2], p[1] + "/01/01", p[3], QString()});
        }

        // Right-aligned codes order as numbers: "   2" before "  10".
        QStringList periods;
        for (const CompanyPeriod& p : data.periods())
            periods << QStringList{p.company, p.year, p.name, p.endDate, p.databaseName}.join('|');
        QCOMPARE(periods, (QStringList{"2|1393|دوم O'Neil \"قديم\"|1393/12/29|ZELMORA_2_1393",
                                       "10|1393|شرکت نمونه|1393/12/30|ZELMORA_10_1393",
                                       "10|1394|شرکت نمونه|1394/12/29|ZELMORA_10_1394"}));

        std::unique_ptr<DbConnection> company = data.openCompany("10", "1393", true);
        QVERIFY(company && company->isOpen());
        QCOMPARE(company->databaseName(), "ZELMORA_10_1393");
        QCOMPARE(Schema::StoredVersion(*company), Schema::kVersion);
        company.reset();

        // An existing period opens without creating; a missing one still does not.
        std::unique_ptr<DbConnection> again = data.openCompany(" 10", "1393", false);
        QVERIFY(again);
        QCOMPARE(StoredRow(*again, "SELECT COUNT(*) FROM \"ZELMORA_Sdc\".Sdc_Company"),
                 QStringList{"3"});
        QVERIFY(!data.openCompany("10", "1394", false));
        QVERIFY(!data.hasDatabase(CompanyDatabaseName("10", "1394")));
    }

    // The engines' own error codes become the kinds the module decides on. Two users
    // waiting for each other is a conflict on the server only, where each statement
    // locks rows (the embedded engine's writers queue for one lock and never wait for
    // each other); a row another user holds past the wait limit is busy.
    void engineErrorsAreClassifiedAndOverLongTextsRefused()
    {
        using Kind = DatabaseError::Kind;
        using Failure = std::pair<Kind, QString>;
        m_company->execute(Schema::CreateTransactionTableSql(
            m_company->dialect(), *Schema::FindCompanyTable("D_Buy_Create"), "##AMV1_E"));
        m_company->execute("INSERT INTO \"##AMV1_E\" (SanadNoAmval, Raj, DaraCod) VALUES (' 1', "
                           "1, '     1')");
        m_company->execute(
            "INSERT INTO D_Makan (MakanCod, MakanNam) VALUES ('8', 'a'), ('9', 'b')");
        const auto failure = [](DbConnection& db, const QString& sql) {
            const auto error = ThrownDatabaseError([&] { db.execute(sql); });
            return error ? Failure(error->kind(), error->object()) : Failure(Kind::Other, "(ran)");
        };
        const QList<std::pair<const char*, Failure>> cases{
            {"INSERT INTO D_Makan (MakanCod) VALUES ('9')", {Kind::DuplicateKey, "D_Makan"}},
            {"INSERT INTO \"##AMV1_E\" (SanadNoAmval, Raj, DaraCod) VALUES (' 1', 2, '     1')",
             {Kind::DuplicateKey, "##AMV1_E"}},
            {"DELETE FROM D_Nowhere", {Kind::MissingObject, "D_Nowhere"}}};
        for (const auto& [sql, expected] : cases)
            QCOMPARE(failure(*m_company, sql), expected);
        // An over-long text is refused and nothing stored; exactly the width is accepted
        // and widths count characters, not bytes. An over-long code in an update is
        // refused as well and leaves the row as it was, with the defaults it was given.
        // The embedded engine names the column of a too long text; the server does not.
        const auto [tooLong, column] =
            failure(*m_company, "INSERT INTO D_Amval (DaraCod, DaraNam) VALUES ('1234567', 'x')");
        QCOMPARE(tooLong, Kind::TooLong);
        QVERIFY2(TestPlace::OnServer() || column == "DaraCod", qPrintable(column));
        m_company->execute("INSERT INTO D_Amval (DaraCod, DaraNam) VALUES ('123456', 'fits')");
        m_company->execute("INSERT INTO D_VazDarae (VazCod, VazNam) VALUES ('كي', 'سالم')");
        QVERIFY(
            Refusal(*m_company, "UPDATE D_Amval SET MakanCod = '12345'").startsWith(kTruncated));
        QCOMPARE(StoredRow(*m_company, "SELECT (SELECT COUNT(*) FROM D_Amval), (SELECT COUNT(*) "
                                       "FROM D_Amval WHERE MakanCod = '' AND EndValue = 0), "
                                       "(SELECT COUNT(*) FROM D_VazDarae)"),
                 (QStringList{"1", "1", "1"}));

        if (TestPlace::OnServer()) {
            // Each holds a row and asks for the other's: one of them is refused.
            QSemaphore holding;
            Failure ours, theirs;
            std::thread other;
            {
                Transaction mine(*m_company);
                m_company->execute("UPDATE D_Makan SET MakanNam = 'm' WHERE MakanCod = '9'");
                other = std::thread([&] {
                    const auto db = m_place.open(m_name);
                    Transaction t(*db);
                    db->execute("UPDATE D_Makan SET MakanNam = 'o' WHERE MakanCod <> '9'");
                    holding.release();
                    theirs = failure(*db, "UPDATE D_Makan SET MakanNam = 'o'");
                });
                holding.acquire();
                QTest::qWait(200); // the other now waits for my row
                ours = failure(*m_company, "UPDATE D_Makan SET MakanNam = 'm'");
            } // rolled back: the other goes on
            other.join();
            QVERIFY((ours.first == Kind::Conflict) != (theirs.first == Kind::Conflict));
        }

        const auto holder = m_place.open(m_name);
        Transaction held(*holder);
        holder->execute("UPDATE D_Makan SET MakanNam = 'y'");
        m_company->setBusyLimit(300);
        QCOMPARE(failure(*m_company, "UPDATE D_Makan SET MakanNam = 'x'"),
                 Failure(Kind::Busy, QString()));
    }

private:
    TestPlace m_place;
    int m_counter = 0;
    QString m_name;
    std::unique_ptr<DbConnection> m_company;
};

AMVAL_TEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
