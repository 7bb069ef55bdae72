// The stored tables of a company period and of the register: declared widths that
// refuse over-long texts, the version row and the migration of an older database,
// the kind registry, the users' rights columns, statements of the windows, and the
// data folder that opens a period with the register attached.

#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "dialect.h"
#include "schema.h"
#include "testplace.h"
#include "voucherkinds.h"

#include <QHash>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSqlQuery>
#include <QtTest>
#include <optional>
#include <thread>

namespace {

const QString kTruncated = QStringLiteral("String or binary data would be truncated");

int Count(DbConnection& connection, const QString& sql)
{
    QSqlQuery q = connection.select(sql);
    return q.next() ? q.value(0).toInt() : -1;
}

// The message of the DatabaseError that `sql` raises, or "" when it runs.
QString Refusal(DbConnection& connection, const QString& sql)
{
    try {
        connection.execute(sql);
    } catch (const DatabaseError& e) {
        return e.message();
    }
    return QString();
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
    // has one width everywhere, so that a value copied between tables fits.
    void tablesAreCreatedWithTheirColumnsAndWidths()
    {
        const Dialect& dialect = m_company->dialect();
        QHash<QString, int> widthOf;
        for (const TableDef& table : Schema::CompanyTables()) {
            QStringList declared;
            for (const ColumnDef& c : table.columns) {
                declared << c.name;
                const bool text = c.type == ColumnDef::Type::Text;
                const QString where = table.name + QLatin1Char('.') + c.name;
                QVERIFY2(dialect.columnWidth(table.name, c.name) == (text ? c.width : 0),
                         qPrintable(where));
                if (!text)
                    continue;
                QVERIFY2(widthOf.value(c.name.toLower(), c.width) == c.width, qPrintable(where));
                widthOf.insert(c.name.toLower(), c.width);
            }
            // In any case: the server keeps one spelling of a name for all tables.
            QCOMPARE(dialect.tableColumns(table.name).join(' ').toLower(),
                     declared.join(' ').toLower());
        }
    }

    void overLongTextIsRefusedAndNothingStored()
    {
        const QString message =
            Refusal(*m_company, QStringLiteral("INSERT INTO D_Amval (DaraCod, DaraNam) VALUES "
                                               "('1234567', 'too long')"));
        // The server does not say which column the text was too long for.
        QVERIFY2(message.startsWith(kTruncated) &&
                     (TestPlace::OnServer() || message.contains(QStringLiteral("DaraCod"))),
                 qPrintable(message));
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_Amval")), 0);

        // Exactly the width is accepted; widths count characters, not bytes.
        m_company->execute(QStringLiteral("INSERT INTO D_Amval (DaraCod, DaraNam) VALUES "
                                          "('123456', 'fits')"));
        m_company->execute(
            QStringLiteral("INSERT INTO D_VazDarae (VazCod, VazNam) VALUES ('كي', 'سالم')"));
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_VazDarae")), 1);

        // An over-long code in an update is refused as well and leaves the row as it was,
        // with the defaults it was given.
        QVERIFY(Refusal(*m_company, QStringLiteral("UPDATE D_Amval SET MakanCod = '12345'"))
                    .startsWith(kTruncated));
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_Amval WHERE "
                                                  "MakanCod = '' AND EndValue = 0")),
                 1);
    }

    void versionRowIsWrittenOnceAndASecondRunIsHarmless()
    {
        m_company->execute(QStringLiteral("INSERT INTO D_Makan (MakanCod, MakanNam) VALUES "
                                          "('   1', 'انبار مرکزي')"));
        m_company->execute(QStringLiteral("DELETE FROM D_AsnadDara WHERE WhatDoc = '13'"));
        Schema::CreateCompanySchema(*m_company);
        QCOMPARE(Schema::StoredVersion(*m_company), Schema::kVersion);
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM Amval_Schema")), 1);
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_Makan")), 1);
        // A database at the current version is not touched, not even refilled.
        QCOMPARE(Count(*m_company,
                       QStringLiteral("SELECT COUNT(*) FROM D_AsnadDara WHERE WhatDoc = '13'")),
                 0);
        QCOMPARE(m_company->transactionDepth(), 0);
    }

    void olderDatabaseIsMigrated()
    {
        const auto older = m_place.open(QStringLiteral("older"));
        DbConnection& old = *older;
        QCOMPARE(Schema::StoredVersion(old), 0);
        old.execute(QStringLiteral("CREATE TABLE D_Amval (DaraCod VARCHAR(6), DaraNam "
                                   "VARCHAR(100), PersonelCod VARCHAR(5), Salianeh FLOAT, "
                                   "RaveshEst VARCHAR(10), Nozooli FLOAT, VezCod VARCHAR(3), "
                                   "Anbashteh FLOAT, Esshat FLOAT)"));
        old.execute(QStringLiteral("INSERT INTO D_Amval VALUES ('     1', 'ميز', '  101', 7.5, "
                                   "'نزولي', 25, '  4', 250000, 12500)"));

        Schema::CreateCompanySchema(old);
        QCOMPARE(Schema::StoredVersion(old), Schema::kVersion);
        QVERIFY(old.dialect().tableExists(QStringLiteral("D_KenarM")));
        // The added column has its width and its default; the stored row is kept.
        QVERIFY(Refusal(old, QStringLiteral("UPDATE D_Amval SET BahreDate = '1393/01/011'"))
                    .startsWith(kTruncated));
        QSqlQuery q = old.select(QStringLiteral("SELECT DaraNam, BahreDate FROM D_Amval"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ميز"));
        QCOMPARE(q.value(1).toString(), QString());
        // The record as it stood is what the asset was registered with: its vouchers
        // recompute it from there.
        QSqlQuery opening = old.select(QStringLiteral(
            "SELECT PersonelCod, FirstPersonelCod, FirstMakanCod, FirstKenarDate, Salianeh, "
            "FirstSalianeh, AsaseChangeValue, FirstRaveshEst, FirstNozooli, FirstVezCod, "
            "FirstAnbashteh, FirstEsshat, TadilValue, ReduceValue FROM D_Amval"));
        QVERIFY(opening.next());
        QStringList values;
        for (int i = 0; i < 14; ++i)
            values << opening.value(i).toString();
        QCOMPARE(values, (QStringList{"  101", "  101", "", "", "7.5", "7.5", "0", "نزولي", "25",
                                      "  4", "250000", "12500", "0", "0"}));
    }

    // The look-ups of a voucher by its number, of an asset's vouchers, of a form number
    // and of an asset voucher's accounting voucher, and the bounds of a voucher table,
    // each find their rows through an index: no statement reads a whole table. (The
    // server is told not to read a table whole where an index will do, so that it
    // picks one even on empty tables.)
    void lookUpsUseTheirIndexes_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("voucher by number")
            << "SELECT * FROM D_Buy_Create AS S WHERE S.SanadNoAmval IN ('       7', '7')";
        QTest::newRow("asset in another voucher")
            << "SELECT MIN(sDate) AS sDate FROM D_ForoshDaymeh WHERE DaraCod IN ('    41', '41') "
               "AND SanadNoAmval NOT IN ('       7', '7') AND sDate <= '1405/01/01'";
        QTest::newRow("form number")
            << "SELECT SanadNoAmval FROM D_KenarD WHERE trim(Bargeh) = 'Q7' AND SanadNoAmval "
               "NOT IN ('       7', '7')";
        QTest::newRow("accounting voucher")
            << "SELECT SanadNo FROM Asnad WHERE TypeSys='D' AND WhatDoc='12' AND "
               "trim(Document)='7' AND LTRIM(DocToDate)='1'";
        QTest::newRow("date and number bounds")
            << "SELECT (SELECT MIN(sDate) FROM D_KenarM) AS A, (SELECT MAX(SanadNoAmval) FROM "
               "D_KenarM) AS B";
        QTest::newRow("numbers in their stored form")
            << "SELECT (SELECT CAST(MAX(SanadNoAmval) AS INTEGER) FROM D_KenarM WHERE "
               "SanadNoAmval < '0') AS A, (SELECT CAST(MIN(SanadNoAmval) AS INTEGER) FROM "
               "D_KenarM WHERE SanadNoAmval < '0') AS B, (SELECT MAX(CAST(SanadNoAmval AS "
               "INTEGER)) FROM D_KenarM WHERE SanadNoAmval >= '0') AS C";
        QTest::newRow("next accounting voucher") << "SELECT (SELECT MAX(SanadNo) FROM Asnad) AS A";
        QTest::newRow("assets of a voucher")
            << "SELECT DISTINCT DaraCod FROM D_KenarM WHERE SanadNoAmval IN ('       7', '7')";
        QTest::newRow("asset records recomputed")
            << "SELECT DaraCod, FirstPersonelCod FROM D_Amval WHERE DaraCod IN ('    41', "
               "'    42') ORDER BY DaraCod";
        QTest::newRow("vouchers that move an asset")
            << "SELECT DaraCod, sDate, 2 FROM D_Tahvil_Antegal WHERE DaraCod IN ('    41', '41') "
               "UNION ALL SELECT DaraCod, sDate, 1 FROM D_AsaseChange WHERE DaraCod IN ('    41', "
               "'41') UNION ALL SELECT DaraCod, sDate, 5 FROM D_BarKenarD WHERE DaraCod IN "
               "('    41', '41')";
    }
    void lookUpsUseTheirIndexes()
    {
        QFETCH(QString, sql);
        const bool server = m_company->isServer();
        if (server)
            m_company->execute(QStringLiteral("SET enable_seqscan = off"));
        QStringList plan;
        QSqlQuery q = m_company->select((server ? "EXPLAIN " : "EXPLAIN QUERY PLAN ") + sql);
        while (q.next())
            plan << q.value(server ? 0 : 3).toString();
        QVERIFY(!plan.isEmpty());
        const QString text = plan.join(QLatin1Char('\n'));
        static const QRegularExpression wholeTable(QStringLiteral("Seq Scan|^SCAN (?!CONSTANT)"),
                                                   QRegularExpression::MultilineOption);
        QVERIFY2(!wholeTable.match(text).hasMatch(), qPrintable(text));
    }

    // The registry the windows search by names the voucher tables with the codes their
    // procedures use.
    void kindRegistryMatchesTheVoucherKinds()
    {
        QSqlQuery q =
            m_company->select(QStringLiteral("SELECT WhatDoc, TableNam FROM D_AsnadDara"));
        QStringList codes;
        while (q.next()) {
            const QString code = q.value(0).toString(), table = q.value(1).toString();
            codes << code;
            const VoucherKind* kind = FindVoucherKindByTable(table);
            QVERIFY2(kind && kind->whatDoc == code, qPrintable(code + QLatin1Char(' ') + table));
        }
        for (int code = 10; code <= 20; ++code)
            QVERIFY(codes.contains(QString::number(code)));
    }

    // The tax-return group window's start-up step, by two clerks at once and again: the
    // old and new group columns end at least as wide as the table's VazCod (where the
    // engine alters a column in place, columns made narrower are widened and take codes
    // of that width, no wider), and the registry row "20" is there once.
    void taxGroupChangeStep()
    {
        DbConnection& db = *m_company;
        const QString table = QStringLiteral("D_Change_VezArat");
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
        db.execute(QStringLiteral("DELETE FROM D_AsnadDara WHERE WhatDoc = '20'"));
        QStringList answers(3);
        std::vector<std::thread> clerks;
        for (int i = 0; i < 2; ++i)
            clerks.emplace_back([&, i] {
                DbConnection clerk(m_place.location(), m_name, DbConnection::OpenMode::Existing);
                answers[i] = Schema::PrepareTaxGroupChange(clerk);
            });
        for (std::thread& t : clerks)
            t.join();
        answers[2] = Schema::PrepareTaxGroupChange(db);
        QCOMPARE(answers, QStringList(3));
        for (const char* column : {"OldVezCod", "NewVezCod"})
            QCOMPARE(db.dialect().columnWidth(table, column), expected);
        QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM D_AsnadDara WHERE WhatDoc = '20' "
                                          "AND TableNam = 'D_Change_VezArat'")),
                 1);
        const QString insert = QStringLiteral(
            "INSERT INTO D_Change_VezArat (SanadNoAmval, Raj, NewVezCod) VALUES ('1', %1, '%2')");
        QCOMPARE(Refusal(db, insert.arg(1).arg(QString(expected, '9'))), QString());
        QVERIFY(Refusal(db, insert.arg(2).arg(QString(expected + 1, '9'))).startsWith(kTruncated));
    }

    void addingAUserAddsARightsColumn()
    {
        m_company->execute(QStringLiteral("INSERT INTO UserSdcDetail (StrId, Parent, \"2\") VALUES "
                                          "('D_A_BUYCREATE_SABT', 'D_A_BUYCREATE', 'Y')"));
        Schema::AddUserRightsColumn(*m_company, 6);
        Schema::AddUserRightsColumn(*m_company, 6);
        QSqlQuery q = m_company->select(QStringLiteral(
            "Select \"2\", \"6\" From UserSdcDetail Where StrId Like 'D_A_BUYCREATE_%'"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("Y"));
        QCOMPARE(q.value(1).toString(), QStringLiteral("N"));
    }

    void registerPeriodsAndCompanies()
    {
        const TestPlace place; // a place of its own: the register is made in an empty one
        DatabaseFolder data(place.location());
        QVERIFY(data.isEmpty() && data.periods().isEmpty());

        data.ensureRegister();
        QVERIFY(!data.isEmpty());
        const auto period = [&data](const char* company, const char* year, const char* name,
                                    const char* end) {
            const QString y = QString::fromLatin1(year);
            data.registerPeriod({QString::fromLatin1(company), y, QString::fromUtf8(name),
                                 y + "/01/01", QString::fromLatin1(end), QString()});
        };
        period("10", "1394", "شرکت نمونه", "1394/12/29");
        period("10", "1393", "old name", "1393/12/29");
        period("2", "1393", "دوم O'Neil \"قديم\"", "1393/12/29");
        period("10", "1393", "شرکت نمونه", "1393/12/30"); // replaces the row

        const QList<CompanyPeriod> periods = data.periods();
        QCOMPARE(periods.size(), 3);
        // Right-aligned codes order as numbers: "   2" before "  10".
        QCOMPARE(periods.at(0).company, QStringLiteral("2"));
        QCOMPARE(periods.at(1).name, QStringLiteral("شرکت نمونه"));
        QCOMPARE(periods.at(1).endDate, QStringLiteral("1393/12/30"));
        QCOMPARE(periods.at(1).databaseName, QStringLiteral("ZELMORA_10_1393"));
        QCOMPARE(periods.at(2).year, QStringLiteral("1394"));

        std::unique_ptr<DbConnection> company =
            data.openCompany(QStringLiteral("10"), QStringLiteral("1393"), true);
        QVERIFY(company && company->isOpen());
        QCOMPARE(company->databaseName(), QStringLiteral("ZELMORA_10_1393"));
        QCOMPARE(Schema::StoredVersion(*company), Schema::kVersion);

        // The register as the carry-forward window reads it, from the company connection.
        QSqlQuery q = company->select(
            QStringLiteral("Select sYear || '-' || sCode || ' : ' || sName From ") +
                company->dialect().tableIn(kRegisterDatabase, QStringLiteral("Sdc_Company")) +
                QStringLiteral(" Where DBName <> ? Order By sCode, sYear"),
            {company->databaseName()});
        QStringList entries;
        while (q.next())
            entries << q.value(0).toString();
        q.finish();
        QCOMPARE(entries, (QStringList{QStringLiteral("1393-   2 : دوم O'Neil \"قديم\""),
                                       QStringLiteral("1394-  10 : شرکت نمونه")}));
        company.reset();

        // An existing period opens without creating; a missing one still does not.
        std::unique_ptr<DbConnection> again =
            data.openCompany(QStringLiteral(" 10"), QStringLiteral("1393"), false);
        QVERIFY(again);
        QCOMPARE(Count(*again, QStringLiteral("SELECT COUNT(*) FROM \"ZELMORA_Sdc\".Sdc_Company")),
                 3);
        QVERIFY(!data.openCompany(QStringLiteral("10"), QStringLiteral("1394"), false));
        QVERIFY(
            !data.hasDatabase(CompanyDatabaseName(QStringLiteral("10"), QStringLiteral("1394"))));
    }

    // The engines' own error codes become the kinds the module decides on. A row
    // another user holds past the wait limit is busy; two users waiting for each
    // other is a conflict on the server only, where each statement locks rows (the
    // embedded engine's writers queue for one lock and never wait for each other).
    void engineErrorsAreClassified_data()
    {
        using Kind = DatabaseError::Kind;
        QTest::addColumn<QString>("sql");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("object");
        const auto row = [](const char* name, const char* sql, Kind kind, const char* object) {
            QTest::newRow(name) << QString(sql) << kind << QString(object);
        };
        row("duplicate key", "INSERT INTO D_Makan (MakanCod) VALUES ('9')", Kind::DuplicateKey,
            "D_Makan");
        row("duplicate asset of a transaction table",
            "INSERT INTO \"##AMV1_E\" (SanadNoAmval, Raj, DaraCod) VALUES (' 1', 2, '     1')",
            Kind::DuplicateKey, "##AMV1_E");
        row("too long", "INSERT INTO D_Makan (MakanCod) VALUES ('123456789012345678901234567890')",
            Kind::TooLong, "");
        row("missing table", "DELETE FROM D_Nowhere", Kind::MissingObject, "D_Nowhere");
        row("row held by another user", "UPDATE D_Makan SET MakanNam = 'x'", Kind::Busy, "");
        if (TestPlace::OnServer())
            row("users waiting for each other", "", Kind::Conflict, "");
    }
    void engineErrorsAreClassified()
    {
        QFETCH(QString, sql);
        QFETCH(DatabaseError::Kind, kind);
        QFETCH(QString, object);
        const QString name = m_company->databaseName();
        m_company->execute(Schema::CreateTransactionTableSql(
            m_company->dialect(), *Schema::FindCompanyTable("D_Buy_Create"), "##AMV1_E"));
        m_company->execute("INSERT INTO \"##AMV1_E\" (SanadNoAmval, Raj, DaraCod) VALUES (' 1', "
                           "1, '     1')");
        m_company->execute(
            "INSERT INTO D_Makan (MakanCod, MakanNam) VALUES ('8', 'a'), ('9', 'b')");
        const auto failure = [](DbConnection& db, const QString& statement) {
            try {
                db.execute(statement);
            } catch (const DatabaseError& e) {
                return std::make_pair(e.kind(), e.object());
            }
            return std::make_pair(DatabaseError::Kind::Other, QStringLiteral("(ran)"));
        };
        if (sql.isEmpty()) {
            // Each holds a row and asks for the other's: one of them is refused.
            QSemaphore holding;
            std::pair<DatabaseError::Kind, QString> ours, theirs;
            std::thread other;
            {
                Transaction mine(*m_company);
                m_company->execute("UPDATE D_Makan SET MakanNam = 'm' WHERE MakanCod = '9'");
                other = std::thread([&] {
                    const auto db = m_place.open(name);
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
            QVERIFY((ours.first == kind) != (theirs.first == kind));
            return;
        }
        std::unique_ptr<DbConnection> holder;
        std::optional<Transaction> held;
        if (kind == DatabaseError::Kind::Busy) {
            holder = m_place.open(name);
            held.emplace(*holder);
            holder->execute("UPDATE D_Makan SET MakanNam = 'y'");
            m_company->setBusyLimit(300);
        }
        const auto [got, named] = failure(*m_company, sql);
        QCOMPARE(got, kind);
        // The embedded engine names the column of a too long text; the server does not.
        if (kind != DatabaseError::Kind::TooLong)
            QCOMPARE(named, object);
    }

    // Statements of the windows, in the subset the engines share: every table and
    // column they name exists.
    void statementsOfTheWindowsRun_data()
    {
        QTest::addColumn<QString>("sql");
        static const char* const statements[] = {
            "CREATE TEMP TABLE \"##pick\" AS Select A.DaraCod, A.DaraNam, VE.VezNam, "
            "M151.MadehNam, A.RaveshEst, A.Nozooli, A.Salianeh, A.BahreDate, A.EndValue, "
            "A.Anbashteh, A.Esshat, MN.MakanNam, P.\"Name\" || ' ' || P.Family As PersonelNam, "
            "VA.VazNam, T2.NamHesab From D_Amval As A "
            "Left Outer Join D_Vezarat As VE On (A.VezCod = VE.VezCod) "
            "Left Outer Join D_Madeh151 As M151 On (A.MadehCod = M151.MadehCod) "
            "Left Outer Join D_Makan As MN On (A.MakanCod = MN.MakanCod) "
            "Left Outer Join Person As P On (A.PersonelCod = P.Code) "
            "Left Outer Join Tafsily2 As T2 On (A.Tafsily2 = T2.Tafsily2) "
            "Left Outer Join D_VazDarae As VA On (A.VazCod = VA.VazCod) ",
            "Select M.Moein, M.Koll, K.NamHesab As KNamHesab, M.NamHesab As MNamHesab, "
            "M.RecogName, M.IsTafsily1, M.IsTafsily2, M.IsProject, M.GrohTafsily, "
            "M.GrohTafsily2, M.GrohProject, M.IsActive, M.IsPosHesab, M.FAtfCh, M.FAtfDate, "
            "M.FAtfNum, M.DesChar, M.IsTafsily, M.TafsilyJoz, M.Tafsily2Joz, M.ProjectJoz "
            "From Moein As M, Koll As K Where K.Koll = M.Koll And M.Koll || M.Moein In "
            "(Select FieldCode From UserPrivilege Where UserId='1' And "
            "Upper(TableName)='MOEIN') ",
            "Select COALESCE(Max(SanadDate), '1300/00/00') SanadDate From Asnad Where "
            "TypeSys='D' And WhatDoc In ('98', '99')",
            "Update D_Roz Set SanadNoAmval = '       1', SanadDate = '1393/01/01' Where "
            "WhatDoc = '12' And Operator = 'ض' ",
            "Insert Into Grid_State(UserId, sVisible, sProg, sItem, sForm, sPart, sColName, "
            "iLen, iRaj) Values ('1', 'T', 'D', 'ASNAD', 'BUY_CREATE', '', 'DaraCod', 80, 0)",
            "Insert Into D_AsnadDara Values('22', 'تغيير اظهارنامه مالياتي', '', '', "
            "'D_Change_VezArat')",
            "Insert Into N_Command(TypeSys, WhatDoc, sValue, sDate, sType, Command1, Command2, "
            "Command3, Koll, Moein, Tafsily, Tafsily2) Values ('S', '20', 1, '1393/01/01', "
            "'PAY', '1', '1', '1', '  1', '   1', '00001', '00001')",
            "Update DataCollectionDesign Set FormType = Case When FormNo = 1 Then 0 Else 1 "
            "End Where ltrim(rtrim(FormId)) = 'D'",
        };
        for (const char* sql : statements)
            QTest::newRow(QByteArray(sql).left(40).constData()) << QString::fromUtf8(sql);
    }
    void statementsOfTheWindowsRun()
    {
        QFETCH(QString, sql);
        try {
            m_company->select(sql).finish();
        } catch (const DatabaseError& e) {
            QFAIL(qPrintable(e.message()));
        }
    }

private:
    TestPlace m_place;
    int m_counter = 0;
    QString m_name;
    std::unique_ptr<DbConnection> m_company;
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
