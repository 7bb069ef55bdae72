// The account code chain of a voucher row on the demo company, with accounts of
// the test's own: the faults in the order the validation finds them, the group and
// member restrictions and their precedence, and the pick lists that choose codes.

#include "chartofaccounts.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "demohost.h"

#include <QtTest>
#include <memory>

class TestChartOfAccounts : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    std::unique_ptr<TD_Global> m_dg;
    std::unique_ptr<DataSet> m_rows;
    std::unique_ptr<DbGrid> m_grid;

    static QString project(int code) { return QString::number(code).rightJustified(50, QLatin1Char('0')); }

    // The test's own accounts beside the demo chart, all permitted to user 1:
    // Koll 70 active, 71 inactive; under 70 the Moein 10 (Tafsily from groups 01
    // and 02, Tafsily2 by member list 00701), 11 inactive, 12 without lower
    // levels, 13 (Tafsily and project, projects by member list); Tafsily 02901
    // carries a Tafsily2 rule of its own (00702), which comes before the Moein's.
    void addAccounts()
    {
        const QString p7 = project(7), p8 = project(8);
        const QStringList statements{
            QStringLiteral("Insert Into Koll (Koll, NamHesab, IsActive) Values "
                           "(' 70', 'كل آزمون', 'فعال'), (' 71', 'كل راكد', 'غيرفعال')"),
            QStringLiteral(
                "Insert Into Moein (Koll, Moein, NamHesab, IsActive, IsTafsily1, IsTafsily2, "
                "IsProject, GrohTafsily, Tafsily2Joz, ProjectJoz) Values "
                "(' 70', '  10', 'معين 10', 'فعال', 'دارد', 'دارد', 'ندارد', '01,02', '00701', ''), "
                "(' 70', '  11', 'معين 11', 'غيرفعال', 'ندارد', 'ندارد', 'ندارد', '', '', ''), "
                "(' 70', '  12', 'معين 12', 'فعال', 'ندارد', 'ندارد', 'ندارد', '', '', ''), "
                "(' 70', '  13', 'معين 13', 'فعال', 'دارد', 'ندارد', 'دارد', '', '', '%1')")
                .arg(p7),
            QStringLiteral("Insert Into Tafsily (Tafsily, NamHesab, IsActive, Tafsily2Joz) Values "
                           "('01901', 'ت 1', 'فعال', ''), ('01902', 'ت 2', 'غيرفعال', ''), "
                           "('03901', 'ت 3', 'فعال', ''), ('02901', 'ت 4', 'فعال', '00702')"),
            QStringLiteral("Insert Into Tafsily2 (Tafsily2, NamHesab, IsActive) Values "
                           "('00701', 'م 1', 'فعال'), ('00702', 'م 2', 'فعال')"),
            QStringLiteral("Insert Into M_Project (ProjectCod, ProjectNam, IsActive) Values "
                           "('%1', 'پ 7', 'فعال'), ('%2', 'پ 8', 'فعال')")
                .arg(p7, p8),
            QStringLiteral("Insert Into UserPrivilege (UserId, TableName, FieldCode) "
                           "Select '1', 'Koll', Koll From Koll Where Koll In (' 70', ' 71') "
                           "Union All Select '1', 'Moein', Koll||Moein From Moein Where Koll = ' 70' "
                           "Union All Select '1', 'Tafsily', Tafsily From Tafsily Where Tafsily Like '0_901' "
                           "Or Tafsily = '01902' "
                           "Union All Select '1', 'Tafsily2', Tafsily2 From Tafsily2 Where Tafsily2 Like '0070_' "
                           "Union All Select '1', 'M_Project', ProjectCod From M_Project "
                           "Where ProjectCod In ('%1', '%2')")
                .arg(p7, p8)};
        for (const QString& sql : statements)
            m_host->exec(sql);
    }

    // A fresh row of the grid with the given chain.
    void row(const QString& k, const QString& m, const QString& t = QString(),
             const QString& t2 = QString(), const QString& p = QString())
    {
        if (m_rows->state() != DataSet::State::Browse)
            m_rows->cancel();
        m_rows->append();
        m_rows->fieldByName(QStringLiteral("Koll"))->setValue(k);
        m_rows->fieldByName(QStringLiteral("Moein"))->setValue(m);
        m_rows->fieldByName(QStringLiteral("Tafsily"))->setValue(t);
        m_rows->fieldByName(QStringLiteral("Tafsily2"))->setValue(t2);
        m_rows->fieldByName(QStringLiteral("ProjectCod"))->setValue(p);
        m_host->dlgMsg->shown.clear();
        m_host->tempGridForm->shown.clear();
    }
    QString field(const QString& name) const
    {
        return m_rows->fieldByName(name)->asString();
    }
    QString validate()
    {
        return ValidateAccountChain(m_dg.get(), m_grid.get(), QString(), QString(), QString(),
                                    QString());
    }
    QStringList messages() const
    {
        QStringList out;
        for (const ShownMessage& m : m_host->dlgMsg->shown)
            out << m.text;
        return out;
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>(20);
        addAccounts();

        m_dg = std::make_unique<TD_Global>(&m_host->global, &m_host->database);
        m_host->exec(QStringLiteral(
            "Create Temp Table \"##chain\" (Raj Integer, Koll Varchar(3), Moein Varchar(4), "
            "Tafsily Varchar(5), Tafsily2 Varchar(5), ProjectCod Varchar(50))"));
        m_rows = std::make_unique<DataSet>(&m_host->db());
        m_rows->open(QStringLiteral("Select * From \"##chain\""));
        m_grid = std::make_unique<DbGrid>();
        m_grid->setDataSet(m_rows.get());
    }
    void cleanup()
    {
        m_grid.reset();
        m_rows.reset();
        m_dg.reset();
        m_host.reset();
    }

    // Koll and Moein faults, in the order the validation meets them.
    void upperLevelFaults()
    {
        // Empty Koll: message, lower levels cleared, the Koll list opens and its
        // choice lands in the row.
        row(QString(), QStringLiteral("  10"), QStringLiteral("01901"), QStringLiteral("00701"));
        m_host->tempGridForm->choose(QStringLiteral("70"));
        QCOMPARE(validate(), QStringLiteral("Koll"));
        QCOMPARE(messages(), QStringList{QStringLiteral("سرفصل حساب کل خالي مي باشد")});
        QCOMPARE(m_host->tempGridForm->shown.size(), 1);
        QCOMPARE(m_host->tempGridForm->shown[0].caption, QStringLiteral("انتخاب حساب كل"));
        QCOMPARE(field(QStringLiteral("Koll")), QStringLiteral(" 70"));
        QCOMPARE(field(QStringLiteral("Moein")), QString());
        QCOMPARE(field(QStringLiteral("Tafsily2")), QString());

        row(QStringLiteral(" 99"), QStringLiteral("  10"));
        m_host->tempGridForm->cancel();
        QCOMPARE(validate(), QStringLiteral("Koll"));
        QCOMPARE(messages(), QStringList{QStringLiteral("كد حساب كل موجود نمي باشد.")});
        QCOMPARE(field(QStringLiteral("Koll")), QStringLiteral(" 99")); // cancelled: unchanged

        // Inactive Koll: reported without a pick list.
        row(QStringLiteral(" 71"), QStringLiteral("  10"));
        QCOMPARE(validate(), QStringLiteral("Koll"));
        QCOMPARE(messages(), QStringList{QStringLiteral("كد حساب کل غيرفعال مي باشد.")});
        QVERIFY(m_host->tempGridForm->shown.isEmpty());

        // A typed code without its padding is the same account.
        row(QStringLiteral("70"), QString());
        m_host->tempGridForm->cancel();
        QCOMPARE(validate(), QStringLiteral("Moein"));
        QCOMPARE(messages(), QStringList{QStringLiteral("كد حساب معين موجود نمي باشد.")});
        QCOMPARE(m_host->tempGridForm->shown.value(0).caption, QStringLiteral("انتخاب حساب معين"));

        row(QStringLiteral(" 70"), QStringLiteral("  11"));
        QCOMPARE(validate(), QStringLiteral("Moein"));
        QCOMPARE(messages(), QStringList{QStringLiteral("كد حساب معين غيرفعال مي باشد.")});
        QVERIFY(m_host->tempGridForm->shown.isEmpty());
    }

    // The Tafsily level: required or emptied, and narrowed by the Moein's groups.
    void tafsilyLevel()
    {
        row(QStringLiteral(" 70"), QStringLiteral("  10"));
        m_host->tempGridForm->cancel();
        QCOMPARE(validate(), QStringLiteral("Tafsily"));
        QCOMPARE(messages(), QStringList{QStringLiteral("کد حساب تفصيلي خالي مي باشد.")});
        // The list offers the codes of groups 01 and 02 only, active or not.
        const ShownPickList list = m_host->tempGridForm->shown.value(0);
        QCOMPARE(list.caption, QStringLiteral("انتخاب حساب تفصيلي"));
        QVERIFY(list.keys.contains(QStringLiteral("01901")));
        QVERIFY(list.keys.contains(QStringLiteral("02901")));
        QVERIFY(!list.keys.contains(QStringLiteral("03901")));

        // Outside the groups reads as not existing.
        row(QStringLiteral(" 70"), QStringLiteral("  10"), QStringLiteral("03901"));
        m_host->tempGridForm->cancel();
        QCOMPARE(validate(), QStringLiteral("Tafsily"));
        QCOMPARE(messages(), QStringList{QStringLiteral("كد حساب تفصيلي موجود نمي باشد.")});

        row(QStringLiteral(" 70"), QStringLiteral("  10"), QStringLiteral("01902"));
        QCOMPARE(validate(), QStringLiteral("Tafsily"));
        QCOMPARE(messages(), QStringList{QStringLiteral("كد حساب تفصيلي غيرفعال مي باشد.")});

        // A Moein without lower levels empties them and passes.
        row(QStringLiteral(" 70"), QStringLiteral("  12"), QStringLiteral("01901"),
            QStringLiteral("00701"), project(7));
        QCOMPARE(validate(), QString());
        QVERIFY(messages().isEmpty());
        QCOMPARE(field(QStringLiteral("Tafsily")), QString());
        QCOMPARE(field(QStringLiteral("Tafsily2")), QString());
        QCOMPARE(field(QStringLiteral("ProjectCod")), QString());
    }

    // The Tafsily2 rule comes from the Tafsily account when it has one, else from
    // the Moein; the project rule from the Moein when no detail account has one.
    void lowerLevelPrecedence()
    {
        const QString name2 = m_dg->NAMTAFSILY2;
        QVERIFY(!name2.isEmpty());
        row(QStringLiteral(" 70"), QStringLiteral("  10"), QStringLiteral("01901"),
            QStringLiteral("00701"));
        QCOMPARE(validate(), QString());

        row(QStringLiteral(" 70"), QStringLiteral("  10"), QStringLiteral("01901"),
            QStringLiteral("00702"));
        m_host->tempGridForm->cancel();
        QCOMPARE(validate(), QStringLiteral("Tafsily2"));
        QCOMPARE(messages(),
                 QStringList{QStringLiteral("كد حساب ") + name2 + QStringLiteral(" موجود نمي باشد.")});
        QCOMPARE(m_host->tempGridForm->shown.value(0).keys, QStringList{QStringLiteral("00701")});

        // Tafsily 02901 carries its own rule: 00702 only.
        row(QStringLiteral(" 70"), QStringLiteral("  10"), QStringLiteral("02901"),
            QStringLiteral("00702"));
        QCOMPARE(validate(), QString());
        row(QStringLiteral(" 70"), QStringLiteral("  10"), QStringLiteral("02901"),
            QStringLiteral("00701"));
        m_host->tempGridForm->cancel();
        QCOMPARE(validate(), QStringLiteral("Tafsily2"));
        QCOMPARE(m_host->tempGridForm->shown.value(0).keys, QStringList{QStringLiteral("00702")});

        // Tafsily and project, no Tafsily2: Tafsily2 emptied, projects by the
        // Moein's member list.
        row(QStringLiteral(" 70"), QStringLiteral("  13"), QStringLiteral("01901"),
            QStringLiteral("00701"), project(8));
        m_host->tempGridForm->choose(project(7));
        QCOMPARE(validate(), QStringLiteral("ProjectCod"));
        QCOMPARE(messages(), QStringList{QStringLiteral("كد ") + m_dg->NAMPROJECT +
                                         QStringLiteral(" موجود نمي باشد.")});
        QCOMPARE(field(QStringLiteral("Tafsily2")), QString());
        QCOMPARE(field(QStringLiteral("ProjectCod")), project(7));
        QCOMPARE(validate(), QString());
    }

    // Columns a statement made have no declared width: codes are compared in the
    // chart's own form all the same.
    void columnsWithoutDeclaredWidth()
    {
        m_host->exec(QStringLiteral("Create Temp Table \"##bare\" As Select * From \"##chain\""));
        DataSet bare(&m_host->db());
        bare.open(QStringLiteral("Select * From \"##bare\""));
        QCOMPARE(bare.fieldByName(QStringLiteral("Koll"))->size(), 0);
        DbGrid grid;
        grid.setDataSet(&bare);
        bare.append();
        bare.fieldByName(QStringLiteral("Koll"))->setValue(QStringLiteral("70"));
        bare.fieldByName(QStringLiteral("Moein"))->setValue(QStringLiteral("10"));
        bare.fieldByName(QStringLiteral("Tafsily"))->setValue(QStringLiteral("1901"));
        bare.fieldByName(QStringLiteral("Tafsily2"))->setValue(QStringLiteral("701"));
        QCOMPARE(ValidateAccountChain(m_dg.get(), &grid, QString(), QString(), QString(), QString()),
                 QString());
        QVERIFY(messages().isEmpty());
    }

    // A second chain on the row under other names is checked alike, but never
    // opens a pick list.
    void otherColumnNamesOpenNoList()
    {
        row(QString(), QString());
        const QString result = ValidateAccountChain(
            m_dg.get(), m_grid.get(), QString(), QString(), QString(), QString(),
            QStringLiteral("Tafsily"), QStringLiteral("Moein"), QStringLiteral("Koll"),
            QStringLiteral("Tafsily2"), QStringLiteral("ProjectCod"));
        QCOMPARE(result, QStringLiteral("Tafsily"));
        QCOMPARE(messages(), QStringList{QStringLiteral("سرفصل حساب کل خالي مي باشد")});
        QVERIFY(m_host->tempGridForm->shown.isEmpty());
    }

    // Choosing from the lists: what is copied, what is cleared, what is refused.
    void pickAccountForColumn()
    {
        row(QStringLiteral(" 70"), QStringLiteral("  10"), QStringLiteral("01901"),
            QStringLiteral("00701"));
        // The Moein list is not narrowed to the row's Koll and stands on the row's Moein.
        m_host->tempGridForm->choose(m_host->scalar(QStringLiteral(
            "Select IDX From (Select Koll, Moein, row_number() Over (Order By Koll, Moein) As "
            "IDX From Moein Where Koll||Moein In (Select FieldCode From UserPrivilege Where "
            "UserId = '1' And Upper(TableName) = 'MOEIN')) Where Koll = ' 70' And Moein = '  12'")));
        QCOMPARE(PickAccountForColumn(m_dg.get(), m_grid.get(), QStringLiteral("Moein"), QString(),
                                      QString(), QString(), QString()),
                 1);
        const ShownPickList moeinList = m_host->tempGridForm->shown.value(0);
        QCOMPARE(moeinList.colCount, 15);
        QCOMPARE(moeinList.titles.size(), 17);
        QCOMPARE(moeinList.titles.value(6), m_dg->NAMTAFSILY2);
        QVERIFY(moeinList.keys.size() > 5); // the demo's accounts too
        QCOMPARE(field(QStringLiteral("Moein")), QStringLiteral("  12"));
        QCOMPARE(field(QStringLiteral("Tafsily")), QString());
        QCOMPARE(field(QStringLiteral("Tafsily2")), QString());

        // An inactive Koll is refused and nothing is copied.
        row(QStringLiteral(" 70"), QStringLiteral("  10"), QStringLiteral("01901"));
        m_host->tempGridForm->choose(QStringLiteral("71"));
        QCOMPARE(PickAccountForColumn(m_dg.get(), m_grid.get(), QStringLiteral("KOLL"), QString(),
                                      QString(), QString(), QString()),
                 2);
        QCOMPARE(messages(), QStringList{QStringLiteral("كد حساب كل غيرفعال مي باشد.")});
        QCOMPARE(m_host->tempGridForm->shown.value(0).positionedKey, QStringLiteral("70"));
        QCOMPARE(field(QStringLiteral("Koll")), QStringLiteral(" 70"));
        QCOMPARE(field(QStringLiteral("Moein")), QStringLiteral("  10"));

        // An inactive detail account stays in the row, reported.
        m_host->tempGridForm->choose(QStringLiteral("01902"));
        QCOMPARE(PickAccountForColumn(m_dg.get(), m_grid.get(), QStringLiteral("Tafsily"),
                                      QString(), QStringLiteral("01"), QString(), QString()),
                 2);
        QCOMPARE(field(QStringLiteral("Tafsily")), QStringLiteral("01902"));

        // Another column: nothing shown, the last result returned.
        m_host->tempGridForm->shown.clear();
        QCOMPARE(PickAccountForColumn(m_dg.get(), m_grid.get(), QStringLiteral("DaraCod"),
                                      QString(), QString(), QString(), QString()),
                 m_host->tempGridForm->result());
        QVERIFY(m_host->tempGridForm->shown.isEmpty());
    }

    // The lists show only what the user is allowed.
    void privilegesNarrowTheLists()
    {
        row(QStringLiteral(" 70"), QString());
        m_host->tempGridForm->cancel();
        PickAccountForColumn(m_dg.get(), m_grid.get(), QStringLiteral("Koll"), QString(),
                             QString(), QString(), QString());
        QVERIFY(m_host->tempGridForm->shown.value(0).keys.contains(QStringLiteral("70")));

        m_host->global.UserID = 2;
        m_host->tempGridForm->cancel();
        PickAccountForColumn(m_dg.get(), m_grid.get(), QStringLiteral("Koll"), QString(),
                             QString(), QString(), QString());
        const QStringList clerk = m_host->tempGridForm->shown.value(1).keys;
        QVERIFY(!clerk.isEmpty());
        QVERIFY(!clerk.contains(QStringLiteral("70")));
        QVERIFY(clerk.size() < m_host->tempGridForm->shown.value(0).keys.size());
    }

    void moeinProfile()
    {
        const MoeinProfile p = ReadMoeinProfile(m_dg->Query(), QStringLiteral("70"),
                                                QStringLiteral("10"));
        QCOMPARE(p.level, QStringLiteral("اول/دوم/"));
        QCOMPARE(p.grohTafsily, QStringLiteral("01,02"));
        QCOMPARE(ReadMoeinProfile(m_dg->Query(), QStringLiteral("70"), QStringLiteral("13")).level,
                 QStringLiteral("اول/سوم"));
        QCOMPARE(ReadMoeinProfile(m_dg->Query(), QStringLiteral("70"), QStringLiteral("'; x")).level,
                 QString());
    }
};

QTEST_MAIN(TestChartOfAccounts)
#include "tst_chartofaccounts.moc"
