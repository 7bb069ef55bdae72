// The stored tables of a company period and of the register: declared widths that
// refuse over-long texts, the transaction table's duplicate-asset refusal, the
// version row, and the data folder that opens a period with the register attached.

#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"

#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

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
        QVERIFY(m_dir.isValid());
        m_company = std::make_unique<DbConnection>(
            DbConnection::DatabaseFile(m_dir.path(), QStringLiteral("schema_%1").arg(++m_counter)));
        QVERIFY2(m_company->isOpen(), qPrintable(m_company->lastError()));
        Schema::CreateCompanySchema(*m_company);
    }
    void cleanup() { m_company.reset(); }

    void everyCompanyTableIsCreatedWithItsColumns()
    {
        const Dialect& dialect = m_company->dialect();
        QVERIFY(Schema::CompanyTables().size() >= 40);
        for (const TableDef& table : Schema::CompanyTables()) {
            QStringList declared;
            for (const ColumnDef& c : table.columns)
                declared << c.name;
            QCOMPARE(dialect.tableColumns(table.name), declared);
            for (const ColumnDef& c : table.columns) {
                const int expected = c.type == ColumnDef::Type::Text ? c.width : 0;
                QVERIFY2(dialect.columnWidth(table.name, c.name) == expected,
                         qPrintable(table.name + QLatin1Char('.') + c.name));
            }
        }
        for (const QString& name : Schema::VoucherTableNames())
            QVERIFY2(Schema::FindCompanyTable(name), qPrintable(name));
        QCOMPARE(Schema::VoucherTableNames().size(), 13);
        QVERIFY(Schema::FindCompanyTable(QStringLiteral("d_amval")));
        QVERIFY(!Schema::FindCompanyTable(QStringLiteral("Sdc_Company")));
    }

    void widthsFollowTheDefaults_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("width");
        QTest::newRow("asset code") << "D_Amval"
                                    << "DaraCod" << 6;
        QTest::newRow("asset person") << "D_Amval"
                                      << "PersonelCod" << 5;
        QTest::newRow("delivery source") << "D_Mabadi"
                                         << "MabadiCod" << 2;
        QTest::newRow("koll") << "Koll"
                              << "Koll" << 3;
        QTest::newRow("moein") << "Moein"
                               << "Moein" << 4;
        QTest::newRow("tafsily") << "Tafsily"
                                 << "Tafsily" << 5;
        QTest::newRow("tafsily2") << "D_KenarM"
                                  << "Tafsily2" << 5;
        QTest::newRow("project") << "M_Project"
                                 << "ProjectCod" << 50;
        QTest::newRow("form number") << "D_Buy_Create"
                                     << "Bargeh" << 5;
        QTest::newRow("voucher date") << "D_SoulationChange"
                                      << "sDate" << 10;
        QTest::newRow("method start") << "D_SoulationChange"
                                      << "StartDate" << 10;
        QTest::newRow("gain/loss koll twin") << "D_ForoshDaymeh"
                                             << "HKoll" << 3;
        QTest::newRow("gain/loss project twin") << "D_KenarD"
                                                << "HProjectCod" << 50;
        QTest::newRow("person accounts") << "Person"
                                         << "D_Moein" << 4;
        QTest::newRow("tax group before") << "D_Change_VezArat"
                                          << "OldVezCod" << 3;
        QTest::newRow("count date") << "D_Gardani"
                                    << "SDate" << 10;
        QTest::newRow("tafsily group code") << "GrohTafsily"
                                            << "TafsilyGrohCod" << 2;
        QTest::newRow("tafsily2 group code") << "GrohTafsily2"
                                             << "Tafsily2GrohCod" << 2;
        QTest::newRow("project group code") << "M_GrohProject"
                                            << "ProjectGrohCod" << 3;
        QTest::newRow("kind code") << "D_AsnadDara"
                                   << "WhatDoc" << 2;
        QTest::newRow("rights of user 5") << "UserSdcDetail"
                                          << "5" << 1;
        QTest::newRow("settings are unbounded") << "Options"
                                                << "Dara" << 0;
        QTest::newRow("row number is not text") << "D_KenarD"
                                                << "Raj" << 0;
        QTest::newRow("amount is not text") << "D_ForoshDaymeh"
                                            << "sValue" << 0;
        QTest::newRow("no such column") << "D_Amval"
                                        << "Nothing" << -1;
    }
    void widthsFollowTheDefaults()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(int, width);
        QCOMPARE(m_company->dialect().columnWidth(table, column), width);
    }

    // A value copied from one table into another must fit: one width per column name.
    void aColumnNameHasOneWidthEverywhere()
    {
        QHash<QString, QPair<QString, int>> seen;
        for (const TableDef& table : Schema::CompanyTables()) {
            for (const ColumnDef& c : table.columns) {
                if (c.type != ColumnDef::Type::Text)
                    continue;
                const QString key = c.name.toLower();
                if (seen.contains(key)) {
                    QVERIFY2(seen.value(key).second == c.width,
                             qPrintable(c.name + QStringLiteral(" in ") + table.name +
                                        QStringLiteral(" and ") + seen.value(key).first));
                } else {
                    seen.insert(key, {table.name, c.width});
                }
            }
        }
    }

    void overLongTextIsRefusedAndNothingStored()
    {
        const QString message =
            Refusal(*m_company, QStringLiteral("INSERT INTO D_Amval (DaraCod, DaraNam) VALUES ") +
                                    QStringLiteral("('1234567', 'too long')"));
        QVERIFY2(message.startsWith(QStringLiteral("String or binary data would be truncated")),
                 qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("DaraCod")));
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_Amval")), 0);

        // Exactly the width is accepted; widths count characters, not bytes.
        m_company->execute(QStringLiteral("INSERT INTO D_Amval (DaraCod, DaraNam) VALUES "
                                          "('123456', 'fits')"));
        m_company->execute(QStringLiteral("INSERT INTO D_VazDarae (VazCod, VazNam) VALUES ") +
                           QStringLiteral("('كي', 'سالم')"));
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_Amval")), 1);
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_VazDarae")), 1);

        // An over-long code in an update is refused as well and leaves the row as it was.
        QVERIFY(Refusal(*m_company, QStringLiteral("UPDATE D_Amval SET MakanCod = '12345'"))
                    .startsWith(QStringLiteral("String or binary data would be truncated")));
        QCOMPARE(
            Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_Amval WHERE MakanCod = ''")),
            1);
    }

    void textRoundTripsByteForByte()
    {
        const QString text = QStringLiteral("O'Neil \"x\" يی كک\tend''");
        m_company->execute(
            QStringLiteral("INSERT INTO D_Buy_Create (SanadNoAmval, Raj, DaraCod, AmvalDes) VALUES "
                           "('       1', 1, '     5', ") +
            SqlQuote(text) + QLatin1Char(')'));
        QSqlQuery q = m_company->select(QStringLiteral("SELECT AmvalDes FROM D_Buy_Create"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), text);
        QCOMPARE(q.value(0).toString().toUtf8(), text.toUtf8());
    }

    void defaultsAndKeysOfVoucherTables()
    {
        m_company->execute(QStringLiteral("INSERT INTO D_ForoshDaymeh (SanadNoAmval, Raj, DaraCod) "
                                          "VALUES ('       1', 1, '     5')"));
        QSqlQuery q = m_company->select(
            QStringLiteral("SELECT Buyer, HKoll, sValue, ArzeshFee FROM D_ForoshDaymeh"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString());
        QVERIFY(!q.value(0).isNull());
        QVERIFY(!q.value(1).isNull());
        QCOMPARE(q.value(2).toDouble(), 0.0);
        QCOMPARE(q.value(3).toDouble(), 0.0);
        q.finish();

        const QString duplicate = Refusal(
            *m_company, QStringLiteral("INSERT INTO D_ForoshDaymeh (SanadNoAmval, Raj, DaraCod) "
                                       "VALUES ('       1', 1, '     6')"));
        QVERIFY2(duplicate.startsWith(QStringLiteral("Violation of PRIMARY KEY constraint "
                                                     "'PK_D_ForoshDaymeh'")),
                 qPrintable(duplicate));
        // The same asset twice in a stored voucher is the procedures' business; only
        // the row number is a key.
        m_company->execute(QStringLiteral("INSERT INTO D_ForoshDaymeh (SanadNoAmval, Raj, DaraCod) "
                                          "VALUES ('       1', 2, '     5')"));
    }

    void transactionTableRefusesAnAssetTwice()
    {
        const TableDef* kenar = Schema::FindCompanyTable(QStringLiteral("D_KenarD"));
        QVERIFY(kenar);
        const QString name = QStringLiteral("##AMV1_1403010112345678");
        m_company->execute(Schema::CreateTransactionTableSql(m_company->dialect(), *kenar, name));
        const Dialect& dialect = m_company->dialect();
        QVERIFY(dialect.tempObjectExists(name));
        QCOMPARE(dialect.columnWidth(name, QStringLiteral("DaraCod")), 6);
        QCOMPARE(dialect.columnWidth(name, QStringLiteral("HTafsily2")), 5);
        QCOMPARE(dialect.columnWidth(name, QStringLiteral("ArzeshAsgat")), 0);

        const QString table = SqlIdent(name);
        m_company->execute(
            QStringLiteral("INSERT INTO ") + table +
            QStringLiteral(" (SanadNoAmval, Raj, DaraCod) VALUES ('       3', 1, '     7')"));
        m_company->execute(
            QStringLiteral("INSERT INTO ") + table +
            QStringLiteral(" (SanadNoAmval, Raj, DaraCod) VALUES ('       3', 1, '     8')"));
        const QString twice =
            Refusal(*m_company, QStringLiteral("INSERT INTO ") + table +
                                    QStringLiteral(" (SanadNoAmval, Raj, DaraCod) "
                                                   "VALUES ('       3', 3, '     7')"));
        QCOMPARE(twice, QStringLiteral("Violation of PRIMARY KEY constraint 'PK_%1'. Cannot insert "
                                       "duplicate key in object '%1'.")
                            .arg(name));
        const QString tooLong = Refusal(*m_company, QStringLiteral("UPDATE ") + table +
                                                        QStringLiteral(" SET Bargeh = '123456'"));
        QVERIFY(tooLong.startsWith(QStringLiteral("String or binary data would be truncated")));
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM ") + table), 2);
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM ") + table +
                                       QStringLiteral(" WHERE Bargeh = ''")),
                 2);

        // The asset count keeps no such key: an imported sheet may list an asset twice.
        const TableDef* gardani = Schema::FindCompanyTable(QStringLiteral("D_Gardani"));
        QVERIFY(gardani && gardani->transactionKey.isEmpty());
        const QString count = SqlIdent(QStringLiteral("##AMV1_count"));
        m_company->execute(Schema::CreateTransactionTableSql(m_company->dialect(), *gardani,
                                                             QStringLiteral("##AMV1_count")));
        for (int i = 0; i < 2; ++i)
            m_company->execute(QStringLiteral("INSERT INTO ") + count +
                               QStringLiteral(" (DaraCod) VALUES ('     7')"));
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM ") + count), 2);
    }

    void tableUnderAnotherName()
    {
        const TableDef* amval = Schema::FindCompanyTable(QStringLiteral("D_Amval"));
        QVERIFY(amval);
        for (const QString& sql : Schema::CreateTableStatements(m_company->dialect(), *amval,
                                                                QStringLiteral("D_Amval_Copy")))
            m_company->execute(sql);
        QCOMPARE(m_company->dialect().columnWidth(QStringLiteral("D_Amval_Copy"),
                                                  QStringLiteral("DaraCod")),
                 6);
        m_company->execute(QStringLiteral("INSERT INTO D_Amval_Copy (DaraCod) VALUES ('     1')"));
        QVERIFY(Refusal(*m_company,
                        QStringLiteral("INSERT INTO D_Amval_Copy (DaraCod) VALUES ('     1')"))
                    .startsWith(
                        QStringLiteral("Violation of PRIMARY KEY constraint 'PK_D_Amval_Copy'")));
    }

    void versionRowIsWrittenOnceAndASecondRunIsHarmless()
    {
        QCOMPARE(Schema::StoredVersion(*m_company), Schema::kVersion);
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM Amval_Schema")), 1);
        m_company->execute(QStringLiteral("INSERT INTO D_Makan (MakanCod, MakanNam) VALUES "
                                          "('   1', 'انبار مرکزي')"));
        m_company->execute(QStringLiteral("DELETE FROM D_AsnadDara WHERE WhatDoc = '13'"));

        Schema::CreateCompanySchema(*m_company);
        QCOMPARE(Schema::StoredVersion(*m_company), Schema::kVersion);
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM Amval_Schema")), 1);
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_Makan")), 1);
        // A database at the current version is not touched, not even refilled.
        QCOMPARE(Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_AsnadDara WHERE "
                                                  "WhatDoc = '13'")),
                 0);
        QCOMPARE(m_company->transactionDepth(), 0);
    }

    void olderDatabaseIsMigrated()
    {
        DbConnection old(DbConnection::DatabaseFile(m_dir.path(), QStringLiteral("older")));
        QCOMPARE(Schema::StoredVersion(old), 0);
        old.execute(
            QStringLiteral("CREATE TABLE D_Amval (DaraCod VARCHAR(6), DaraNam VARCHAR(100))"));
        old.execute(QStringLiteral("INSERT INTO D_Amval VALUES ('     1', 'ميز')"));

        Schema::CreateCompanySchema(old);
        QCOMPARE(Schema::StoredVersion(old), Schema::kVersion);
        QCOMPARE(old.dialect().columnWidth(QStringLiteral("D_Amval"), QStringLiteral("GarantiEnd")),
                 10);
        QVERIFY(Refusal(old, QStringLiteral("UPDATE D_Amval SET BahreDate = '1393/01/011'"))
                    .startsWith(QStringLiteral("String or binary data would be truncated")));
        QSqlQuery q = old.select(QStringLiteral("SELECT DaraNam, BahreDate FROM D_Amval"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ميز"));
        QCOMPARE(q.value(1).toString(), QString());
        q.finish();
        QVERIFY(old.dialect().tableExists(QStringLiteral("D_KenarM")));
    }

    void kindRegistry()
    {
        QSqlQuery q = m_company->select(QStringLiteral(
            "SELECT WhatDoc, DaraPartNam, TableNam FROM D_AsnadDara ORDER BY WhatDoc"));
        QStringList codes;
        QHash<QString, QPair<QString, QString>> rows;
        while (q.next()) {
            codes << q.value(0).toString();
            rows.insert(q.value(0).toString(), {q.value(1).toString(), q.value(2).toString()});
        }
        q.finish();
        QCOMPARE(codes.first(), QStringLiteral("10"));
        QVERIFY(codes.contains(QStringLiteral("20")));
        for (int code = 10; code <= 20; ++code)
            QVERIFY(codes.contains(QString::number(code)));
        QCOMPARE(rows.value(QStringLiteral("12")).first, QStringLiteral("خريد/ساخت"));
        QCOMPARE(rows.value(QStringLiteral("16")).first, QStringLiteral("کنارگذاري دايمي"));
        QCOMPARE(rows.value(QStringLiteral("19")).second, QStringLiteral("D_BarKenarM"));
        for (const auto& row : rows)
            QVERIFY2(Schema::FindCompanyTable(row.second), qPrintable(row.second));

        // The windows' own five-value registry inserts fit the table.
        m_company->execute(QStringLiteral("DELETE FROM D_AsnadDara WHERE WhatDoc = '20'"));
        m_company->execute(QStringLiteral("Insert Into D_AsnadDara Values('20', 'تغيير اظهارنامه "
                                          "مالياتي', '', '', 'D_Change_VezArat')"));
        QCOMPARE(
            Count(*m_company, QStringLiteral("SELECT COUNT(*) FROM D_AsnadDara WHERE WhatDoc = "
                                             "'20' AND TableNam = 'D_Change_VezArat'")),
            1);
    }

    void addingAUserAddsARightsColumn()
    {
        m_company->execute(QStringLiteral("INSERT INTO UserSdcDetail (StrId, Parent, \"2\") VALUES "
                                          "('D_A_BUYCREATE_SABT', 'D_A_BUYCREATE', 'Y')"));
        Schema::AddUserRightsColumn(*m_company, 6);
        Schema::AddUserRightsColumn(*m_company, 6);
        QCOMPARE(
            m_company->dialect().columnWidth(QStringLiteral("UserSdcDetail"), QStringLiteral("6")),
            1);
        QSqlQuery q = m_company->select(
            QStringLiteral("Select StrId, \"2\" As UserId, \"6\" From UserSdcDetail "
                           "Where StrId Like 'D_A_BUYCREATE_%' Order By StrId, Parent"));
        QVERIFY(q.next());
        QCOMPARE(q.value(1).toString(), QStringLiteral("Y"));
        QCOMPARE(q.value(2).toString(), QStringLiteral("N"));
    }

    void registerPeriodsAndCompanies()
    {
        const QString folder = m_dir.filePath(QStringLiteral("data%1").arg(m_counter));
        DatabaseFolder data(folder);
        QVERIFY(data.isEmpty());
        QVERIFY(data.periods().isEmpty());
        QVERIFY(!data.openCompany(QStringLiteral("10"), QStringLiteral("1393"), false));
        QVERIFY(!QFileInfo::exists(data.companyFile(QStringLiteral("10"), QStringLiteral("1393"))));

        data.ensureRegister();
        QVERIFY(!data.isEmpty());
        QCOMPARE(QFileInfo(data.registerFile()).fileName(), QStringLiteral("ZELMORA_Sdc.sqlite"));

        data.registerPeriod({QStringLiteral("10"),
                             QStringLiteral("1394"),
                             QStringLiteral("شرکت نمونه"),
                             QStringLiteral("1394/01/01"),
                             QStringLiteral("1394/12/29"),
                             {}});
        data.registerPeriod({QStringLiteral("10"),
                             QStringLiteral("1393"),
                             QStringLiteral("old name"),
                             QStringLiteral("1393/01/01"),
                             QStringLiteral("1393/12/29"),
                             {}});
        data.registerPeriod({QStringLiteral("2"),
                             QStringLiteral("1393"),
                             QStringLiteral("دوم"),
                             QStringLiteral("1393/01/01"),
                             QStringLiteral("1393/12/29"),
                             {}});
        data.registerPeriod({QStringLiteral("10"),
                             QStringLiteral("1393"),
                             QStringLiteral("شرکت نمونه"),
                             QStringLiteral("1393/01/01"),
                             QStringLiteral("1393/12/30"),
                             {}});

        const QList<CompanyPeriod> periods = data.periods();
        QCOMPARE(periods.size(), 3);
        // Right-aligned codes order as numbers: "   2" before "  10".
        QCOMPARE(periods.at(0).company, QStringLiteral("2"));
        QCOMPARE(periods.at(1).year, QStringLiteral("1393"));
        QCOMPARE(periods.at(1).name, QStringLiteral("شرکت نمونه"));
        QCOMPARE(periods.at(1).endDate, QStringLiteral("1393/12/30"));
        QCOMPARE(periods.at(1).databaseName, QStringLiteral("ZELMORA_10_1393"));
        QCOMPARE(periods.at(2).year, QStringLiteral("1394"));

        std::unique_ptr<DbConnection> company =
            data.openCompany(QStringLiteral("10"), QStringLiteral("1393"), true);
        QVERIFY(company && company->isOpen());
        QCOMPARE(company->databaseName(), QStringLiteral("ZELMORA_10_1393"));
        QCOMPARE(Schema::StoredVersion(*company), Schema::kVersion);
        QVERIFY(company->dialect().tableExists(QStringLiteral("D_Buy_Create")));

        // The register as the carry-forward window reads it, from the company connection.
        QSqlQuery q = company->select(
            QStringLiteral("Select sYear || '-' || sCode || ' : ' || sName From ") +
            company->dialect().tableIn(kRegisterDatabase, QStringLiteral("Sdc_Company")) +
            QStringLiteral(" Where DBName <> ") + SqlQuote(company->databaseName()) +
            QStringLiteral(" Order By sCode, sYear"));
        QStringList entries;
        while (q.next())
            entries << q.value(0).toString();
        q.finish();
        QCOMPARE(entries, (QStringList{QStringLiteral("1393-   2 : دوم"),
                                       QStringLiteral("1394-  10 : شرکت نمونه")}));
        QCOMPARE(company->dialect().columnWidth(QStringLiteral("ZELMORA_Sdc.Sdc_Company"),
                                                QStringLiteral("sCode")),
                 4);
        company.reset();

        // An existing period opens without creating; a missing one still does not.
        std::unique_ptr<DbConnection> again =
            data.openCompany(QStringLiteral(" 10"), QStringLiteral("1393"), false);
        QVERIFY(again);
        QCOMPARE(Count(*again, QStringLiteral("SELECT COUNT(*) FROM \"ZELMORA_Sdc\".Sdc_Company")),
                 3);
        QVERIFY(!data.openCompany(QStringLiteral("10"), QStringLiteral("1394"), false));
        QVERIFY(!QFileInfo::exists(data.companyFile(QStringLiteral("10"), QStringLiteral("1394"))));
    }

    // Statements of the windows, in the subset the engines share: every table and
    // column they name exists.
    void statementsOfTheWindowsRun_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("asset pick list")
            << "CREATE TEMP TABLE \"##pick\" AS Select A.DaraCod, A.DaraNam, VE.VezNam, "
               "M151.MadehNam, A.RaveshEst, A.Nozooli, A.Salianeh, A.BahreDate, A.EndValue, "
               "A.Anbashteh, A.Esshat, MN.MakanNam, P.\"Name\" || ' ' || P.Family As PersonelNam, "
               "VA.VazNam, T2.NamHesab From D_Amval As A "
               "Left Outer Join D_Vezarat  As VE On (A.VezCod = VE.VezCod) "
               "Left Outer Join D_Madeh151 As M151 On (A.MadehCod = M151.MadehCod) "
               "Left Outer Join D_Makan    As MN On (A.MakanCod   = MN.MakanCod) "
               "Left Outer Join Person     As P  On (A.PersonelCod = P.Code) "
               "Left Outer Join Tafsily2   As T2 On (A.Tafsily2 = T2.Tafsily2) "
               "Left Outer Join D_VazDarae As VA On (A.VazCod = VA.VazCod) ";
        QTest::newRow("recipient pick list")
            << "Select Code As PersonelCod, \"Name\" || ' ' || Family As PersonelNam, D_Koll As "
               "Koll, D_Moein As Moein, D_Tafsily As Tafsily, D_Tafsily2 As Tafsily2, "
               "D_ProjectCod As ProjectCod From Person";
        QTest::newRow("delivery sources")
            << "Select MabadiCod, MabadiNam, Koll, Moein, Tafsily, Tafsily2, ProjectCod From "
               "D_Mabadi Order By MabadiCod";
        QTest::newRow("moein pick list")
            << "Select M.Moein, M.Koll, K.NamHesab As KNamHesab, M.NamHesab As MNamHesab, "
               "M.RecogName, M.IsTafsily1, M.IsTafsily2, M.IsProject, M.GrohTafsily, "
               "M.GrohTafsily2, M.GrohProject, M.IsActive, M.IsPosHesab, M.FAtfCh, M.FAtfDate, "
               "M.FAtfNum, M.DesChar, M.IsTafsily, M.TafsilyJoz, M.Tafsily2Joz, M.ProjectJoz "
               "From Moein As M, Koll As K Where K.Koll = M.Koll And M.Koll || M.Moein In "
               "(Select FieldCode From UserPrivilege Where UserId='1' And "
               "Upper(TableName)='MOEIN') ";
        QTest::newRow("koll pick list")
            << "Select Koll, NamHesab, RecogName, IsHesabTmp, IsActive, IsPosHesab, DesChar From "
               "Koll";
        QTest::newRow("restriction probes")
            << "Select * from Tafsily where Tafsily = '1' And ((GrohTafsily2 Is Not Null And "
               "GrohTafsily2 <> '') Or (Tafsily2Joz Is Not Null And Tafsily2Joz <> '') Or "
               "GrohProject <> '' Or ProjectJoz <> '') ";
        QTest::newRow("project pick list")
            << "Select ProjectCod, ProjectNam, RecogName, IsActive, IsPosHesab, DesChar From "
               "M_Project";
        QTest::newRow("voucher settings")
            << "Select Dara, Zelmora, Company_StartDate From Options Where sCode = '101393'";
        QTest::newRow("last depreciation")
            << "Select COALESCE(Max(SanadDate), '1300/00/00') SanadDate From Asnad Where "
               "TypeSys='D' And WhatDoc In ('98', '99')";
        QTest::newRow("accounting voucher number")
            << "Select SanadNo From Asnad Where TypeSys='D' And WhatDoc='12' And "
               "LTrim(RTrim(Document))=LTrim(RTrim('1')) And LTrim(DocToDate)='1' ";
        QTest::newRow("rights") << "Select StrId, \"1\" As UserId From UserSdcDetail Where StrId "
                                   "Like 'D_A_BUYCREATE_%' Order By StrId, Parent";
        QTest::newRow("copy and print rights") << "Select ZELMORA From UserSdc Where UserId = '1'";
        QTest::newRow("day-book") << "Update D_Roz Set SanadNoAmval = '       1', SanadDate = "
                                     "'1393/01/01' Where WhatDoc = '12' And Operator = 'ض' ";
        QTest::newRow("day-book test")
            << "Select * From D_Roz Where UserId = 1 And WhatDoc = '12' ";
        QTest::newRow("layout")
            << "Insert Into Grid_State(UserId, sVisible, sProg, sItem, sForm, sPart, sColName, "
               "iLen, iRaj) Values ('1', 'T', 'D', 'ASNAD', 'BUY_CREATE', '', 'DaraCod', 80, 0)";
        QTest::newRow("cost components")
            << "Select BU.SanadNoAmval, BU.DaraCod, BU.GheimatCod, G.GheimatNam, BU.sValue From "
               "D_Buy_Create_Relate_Gheimat As Bu Left Outer Join D_Gheimat As G On "
               "(G.GheimatCod = BU.GheimatCod)";
        QTest::newRow("warranty")
            << "select GarantiEnd from D_Amval where LTrim(RTrim(DaraCod)) = '1'";
        QTest::newRow("tax group of an asset")
            << "Select COALESCE(VezCod,'') As VezCod, (select VezNam from D_VezArat where VezCod "
               "= D_Amval.VezCod) As VezNam From D_Amval where DaraCod = '     1'";
        QTest::newRow("search selection")
            << "Select 'ض' As CodeRet, WhatDoc, DaraPartNam From D_AsnadDara";
        QTest::newRow("search of transfers")
            << "Select A.SanadNoAmval, A.sDate, A.DaraCod, D.DaraNam, A.AmvalDes, A.VazCod, "
               "V.VazNam, A.PersonelCod, A.MakanCod, M.MakanNam, A.Tafsily2, T2.NamHesab, "
               "A.Bargeh From D_Tahvil_Antegal As A Inner Join D_Amval As D On (A.DaraCod = "
               "D.DaraCod) Left Outer Join D_VazDarae As V On (A.VazCod = V.VazCod) Left Outer "
               "Join D_Makan As M On (A.MakanCod = M.MakanCod) Left Outer Join Tafsily2 As T2 On "
               "(A.Tafsily2 = T2.Tafsily2)";
        QTest::newRow("orders")
            << "Insert Into N_Command(TypeSys, WhatDoc, sValue, sDate, sType, Command1, Command2, "
               "Command3, Koll, Moein, Tafsily, Tafsily2) Values ('S', '20', 1, '1393/01/01', "
               "'PAY', '1', '1', '1', '  1', '   1', '00001', '00001')";
        QTest::newRow("import forms")
            << "Insert Into DataCollectionDesignDetail (FormID, FormNo, Raj, Type, DBFieldName, "
               "FileFieldName, FieldCaption, FSize, Fstart) Values ('D', 1, 0, 0, 'DaraCod', "
               "'A', ' کد دارايي', 0, 0)";
        QTest::newRow("default import form")
            << "Update DataCollectionDesign Set FormType = Case When FormNo = 1 Then 0 Else 1 "
               "End Where ltrim(rtrim(FormId)) = 'D'";
        QTest::newRow("count with names")
            << "Select D.*, A.DaraNam From D_Gardani As D Inner Join D_Amval As A On(A.DaraCod "
               "= D.DaraCod)";
        QTest::newRow("initial adjustment widths")
            << "Select F.*, M.* From D_FirstTadil As F Inner Join D_Mabadi As M On (F.MabadiCod "
               "= M.MabadiCod) LIMIT 1";
        QTest::newRow("group code tables")
            << "Select TafsilyGrohCod, Tafsily2GrohCod, ProjectGrohCod From GrohTafsily, "
               "GrohTafsily2, M_GrohProject";
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

    void databaseNames()
    {
        QCOMPARE(CompanyDatabaseName(QStringLiteral("10"), QStringLiteral("1382")),
                 QStringLiteral("ZELMORA_10_1382"));
        QCOMPARE(CompanyDatabaseName(QStringLiteral("  10"), QStringLiteral("1382 ")),
                 QStringLiteral("ZELMORA_10_1382"));
        QCOMPARE(kRegisterDatabase, QStringLiteral("ZELMORA_Sdc"));
    }

private:
    QTemporaryDir m_dir;
    int m_counter = 0;
    std::unique_ptr<DbConnection> m_company;
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
