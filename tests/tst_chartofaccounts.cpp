// The account code chain of a voucher row on the demo company, with accounts of
// the test's own: the faults in the order the validation finds them, the group and
// member restrictions and their precedence, and the pick lists that choose codes.

#include "accountpicklists.h"
#include "chartofaccounts.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbgrid.h"
#include "demohost.h"
#include "testmain.h"
#include "uitest.h"

#include <QtTest>
#include <memory>

class TestChartOfAccounts : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    std::unique_ptr<TD_Global> m_dg;
    std::unique_ptr<DataSet> m_rows;
    std::unique_ptr<DbGrid> m_grid;

    static QString project(int code)
    {
        return QString::number(code).rightJustified(50, QLatin1Char('0'));
    }

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
                "(' 70', '  10', 'معين 10', 'فعال', 'دارد', 'دارد', 'ندارد', '01,02', '00701', "
                "''), "
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
            QStringLiteral(
                "Insert Into UserPrivilege (UserId, TableName, FieldCode) "
                "Select 1, 'Koll', Koll From Koll Where Koll In (' 70', ' 71') "
                "Union All Select 1, 'Moein', Koll||Moein From Moein Where Koll = ' 70' "
                "Union All Select 1, 'Tafsily', Tafsily From Tafsily Where Tafsily Like '0_901' "
                "Or Tafsily = '01902' "
                "Union All Select 1, 'Tafsily2', Tafsily2 From Tafsily2 Where Tafsily2 Like "
                "'0070_' "
                "Union All Select 1, 'M_Project', ProjectCod From M_Project "
                "Where ProjectCod In ('%1', '%2')")
                .arg(p7, p8)};
        for (const QString& sql : statements)
            m_host->exec(sql);
    }

    // A fresh row of the grid with the given chain (Koll to ProjectCod).
    void row(QStringList chain)
    {
        if (m_rows->state() != DataSet::State::Browse)
            m_rows->cancel();
        m_rows->append();
        chain.resize(5);
        const QStringList levels{"Koll", "Moein", "Tafsily", "Tafsily2", "ProjectCod"};
        for (int i = 0; i < 5; ++i)
            m_rows->fieldByName(levels.at(i))->setValue(chain.at(i));
        m_host->dlgMsg->shown.clear();
        m_host->tempGridForm->shown.clear();
        m_refusals.clear();
    }
    QString field(const QString& name) const { return m_rows->fieldByName(name)->asString(); }
    ChainRefusal check(const QString& koll = "Koll", const QString& tafsily = "Tafsily")
    {
        return CheckAccountChain(*m_dg, m_dg->Query(), m_rows.get(), QString(), QString(),
                                 QString(), QString(), koll, "Moein", tafsily);
    }
    // The chain check as the voucher window follows it: the refused column's list
    // opens when the check asks for it.
    QString validate()
    {
        const ChainRefusal refusal = check();
        if (!refusal.message.isEmpty())
            m_refusals << refusal.message;
        if (refusal.openPickList)
            PickAccountForRefusal(m_dg.get(), m_grid.get(), refusal);
        return refusal.column;
    }
    // The column's list as the window opens it, narrowed to the Tafsily groups `groups`.
    int pick(const QString& column, const QString& groups = QString())
    {
        return PickAccountForColumn(m_dg.get(), m_grid.get(), column, QString(), groups, QString(),
                                    QString());
    }
    // The refusals' messages, then what the lists said.
    QStringList messages() const { return m_refusals + ShownTexts(*m_host); }
    QStringList m_refusals;

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
        m_rows->open("Select * From \"##chain\"");
        m_grid = std::make_unique<DbGrid>();
        m_grid->setDataSet(m_rows.get());
    }
    void cleanup()
    {
        m_refusals.clear();
        m_grid.reset();
        m_rows.reset();
        m_dg.reset();
        m_host.reset();
    }

    // A row's chain and what the check finds: the column, the message (T2 and PR
    // stand for the company's own titles) and whether the column's list opens; and
    // what it empties in the row: below an empty Koll, and a level the Moein does not
    // carry (its profile names the levels it does). The window, following the check,
    // shows the refusal and opens the list, narrowed as the check found ("-": a key it
    // must not hold); a key chosen there (a project's by its number) lands in the row
    // and the next check passes the chain, or stops at the first level it emptied.
    void chainRefusals_data()
    {
        QTest::addColumn<QStringList>("chain");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("opensList");
        QTest::addColumn<QStringList>("emptied");
        QTest::addColumn<QString>("chosen"); // "": the list cancelled
        QTest::addColumn<QStringList>("listed");
        const auto row = [](const char* name, QStringList chain, const char* column,
                            const char* message, bool opensList, QStringList emptied = {},
                            const char* chosen = "", QStringList listed = {}) {
            QTest::newRow(name) << chain << column << message << opensList << emptied << chosen
                                << listed;
        };
        row("empty Koll", {"", "  10", "01901", "00701"}, "Koll", "سرفصل حساب کل خالي مي باشد",
            true, {"Moein", "Tafsily2"}, "70", {"70"});
        row("a Moein without Tafsily2", {" 70", "  13", "01901", "00701", "7"}, "", "", false,
            {"Tafsily2"});
        row("a Moein without lower levels", {" 70", "  12", "01901", "00701", "7"}, "", "", false,
            {"Tafsily", "ProjectCod"});
        row("unknown Koll", {" 99", "  10"}, "Koll", "كد حساب كل موجود نمي باشد.", true);
        row("inactive Koll", {" 71", "  10"}, "Koll", "كد حساب کل غيرفعال مي باشد.", false);
        row("unpadded Koll, empty Moein", {"70", ""}, "Moein", "كد حساب معين موجود نمي باشد.",
            true);
        row("inactive Moein", {" 70", "  11"}, "Moein", "كد حساب معين غيرفعال مي باشد.", false);
        row("empty Tafsily", {" 70", "  10"}, "Tafsily", "کد حساب تفصيلي خالي مي باشد.", true, {},
            "", {"01901", "02901", "-03901"});
        row("Tafsily outside the groups", {" 70", "  10", "03901"}, "Tafsily",
            "كد حساب تفصيلي موجود نمي باشد.", true);
        row("inactive Tafsily", {" 70", "  10", "01902"}, "Tafsily",
            "كد حساب تفصيلي غيرفعال مي باشد.", false);
        row("Tafsily2 by the Moein's members", {" 70", "  10", "01901", "00701"}, "", "", false);
        row("Tafsily2 outside the Moein's members", {" 70", "  10", "01901", "00702"}, "Tafsily2",
            "كد حساب T2 موجود نمي باشد.", true);
        row("Tafsily2 by the Tafsily's own rule", {" 70", "  10", "02901", "00702"}, "", "", false);
        row("Tafsily2 outside the Tafsily's own rule", {" 70", "  10", "02901", "00701"},
            "Tafsily2", "كد حساب T2 موجود نمي باشد.", true, {}, "", {"00702", "-00701"});
        row("project outside the Moein's members", {" 70", "  13", "01901", "", "8"}, "ProjectCod",
            "كد PR موجود نمي باشد.", true, {}, "7");
        row("project by the Moein's members", {" 70", "  13", "01901", "", "7"}, "", "", false);
    }
    void chainRefusals()
    {
        QFETCH(QStringList, chain);
        QFETCH(QString, column);
        QFETCH(QString, message);
        QFETCH(bool, opensList);
        QFETCH(QStringList, emptied);
        QFETCH(QString, chosen);
        QFETCH(QStringList, listed);
        chain.resize(5);
        if (!chain[4].isEmpty())
            chain[4] = project(chain[4].toInt());
        row(chain);
        message.replace("T2", m_dg->NAMTAFSILY2).replace("PR", m_dg->NAMPROJECT);
        const ChainRefusal refusal = check();
        QCOMPARE(refusal.column, column);
        QCOMPARE(refusal.message, message);
        QCOMPARE(refusal.openPickList, opensList);
        QVERIFY(messages().isEmpty());
        for (const QString& name : emptied)
            QVERIFY2(field(name).isEmpty(), qPrintable(name));

        row(chain);
        if (column == "ProjectCod")
            chosen = project(chosen.toInt());
        if (chosen.isEmpty())
            m_host->tempGridForm->cancel();
        else
            m_host->tempGridForm->choose(chosen);
        QCOMPARE(validate(), column);
        QCOMPARE(messages(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m_host->tempGridForm->shown.size(), opensList ? 1 : 0);
        const QStringList keys = m_host->tempGridForm->shown.value(0).keys;
        for (const QString& key : listed)
            QVERIFY2(key.startsWith('-') ? !keys.contains(key.mid(1)) : keys.contains(key),
                     qPrintable(key));
        if (!chosen.isEmpty()) {
            QCOMPARE(field(column).trimmed(), chosen);
            QCOMPARE(check().column, emptied.value(0));
        }
    }

    // A Moein's profile names the levels it carries. A second chain on the row under
    // other names is checked alike, but never opens a pick list. Columns without a
    // declared width: codes are compared in the chart's own form all the same.
    void profilesAndChainsUnderOtherNames()
    {
        const MoeinProfile p = ReadMoeinProfile(m_dg->Query(), "70", "10");
        QCOMPARE(p.level, "اول/دوم/");
        QCOMPARE(p.grohTafsily, "01,02");
        QCOMPARE(ReadMoeinProfile(m_dg->Query(), "70", "13").level, "اول/سوم");
        QCOMPARE(ReadMoeinProfile(m_dg->Query(), "70", "'; x").level, QString());

        row({});
        const ChainRefusal refusal = check("Tafsily", "Koll");
        QCOMPARE(refusal.column, "Tafsily");
        QCOMPARE(refusal.message, "سرفصل حساب کل خالي مي باشد");
        QVERIFY(!refusal.openPickList);

        m_host->exec("Create Temp Table \"##bare\" (Raj Integer, Koll Text, Moein Text, Tafsily "
                     "Text, Tafsily2 Text, ProjectCod Text)");
        m_rows->open("Select * From \"##bare\"");
        QCOMPARE(m_rows->fieldByName("Koll")->size(), 0);
        row({"70", "10", "1901", "701"});
        QVERIFY(check().isEmpty());
    }

    // Choosing from the lists: what is copied, what is cleared, what is refused. The
    // lists show only what the user is allowed.
    void pickAccountForColumn()
    {
        row({" 70", "  10", "01901", "00701"});
        // The Moein list is not narrowed to the row's Koll and stands on the row's Moein.
        m_host->tempGridForm->choose(m_host->scalar(QStringLiteral(
            "Select IDX From (Select Koll, Moein, row_number() Over (Order By Koll, Moein) As "
            "IDX From Moein Where Koll||Moein In (Select FieldCode From UserPrivilege Where "
            "UserId = 1 And Upper(TableName) = 'MOEIN')) As P Where Koll = ' 70' And Moein = '  "
            "12'")));
        QCOMPARE(pick("Moein"), 1);
        const ShownPickList moeinList = m_host->tempGridForm->shown.value(0);
        QVERIFY(moeinList.keys.size() > 5); // the demo's accounts too
        QCOMPARE(field("Moein"), "  12");
        QCOMPARE(field("Tafsily"), QString());
        QCOMPARE(field("Tafsily2"), QString());

        // An inactive Koll is refused and nothing is copied.
        row({" 70", "  10", "01901"});
        m_host->tempGridForm->choose("71");
        QCOMPARE(pick("KOLL"), 2);
        QCOMPARE(messages(), QStringList{"كد حساب كل غيرفعال مي باشد."});
        QCOMPARE(m_host->tempGridForm->shown.value(0).positionedKey, "70");
        QCOMPARE(field("Koll"), " 70");
        QCOMPARE(field("Moein"), "  10");

        // An inactive detail account stays in the row, reported.
        m_host->tempGridForm->choose("01902");
        QCOMPARE(pick("Tafsily", "01"), 2);
        QCOMPARE(field("Tafsily"), "01902");

        // Another column: nothing shown, nothing taken.
        m_host->tempGridForm->shown.clear();
        QCOMPARE(pick("DaraCod"), 2);
        QVERIFY(m_host->tempGridForm->shown.isEmpty());

        row({" 70"});
        m_host->tempGridForm->cancel();
        pick("Koll");
        const QStringList all = m_host->tempGridForm->shown.value(0).keys;
        QVERIFY(all.contains("70"));
        m_host->global.UserID = 2;
        m_host->tempGridForm->cancel();
        pick("Koll");
        const QStringList clerk = m_host->tempGridForm->shown.value(1).keys;
        QVERIFY(!clerk.isEmpty());
        QVERIFY(!clerk.contains("70"));
        QVERIFY(clerk.size() < all.size());
    }
};

AMVAL_TEST_MAIN(TestChartOfAccounts)
#include "tst_chartofaccounts.moc"
