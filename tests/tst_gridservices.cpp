// Grid services on the demo company: column layouts kept per user and window, row
// and cell copy and paste, the user's copy and print rights and the helpers for
// temporary tables.

#include "copypaste.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "demohost.h"
#include "dialect.h"
#include "gridlayout.h"
#include "tempgrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>
#include <memory>

namespace {

const QString kSaved = QStringLiteral("وضعيت ستونها ثبت شد.");
const QString kReset = QStringLiteral("ستونها به وضعيت اوليه بازگشت. \nلطفا براي مشاهده ستونهاي "
                                      "اوليه\nاز فرم خارج شده و دوباره وارد شويد.");

// The columns of the test window as it was designed.
QList<DbGridColumn> DesignedColumns()
{
    return {DbGridColumn::Make(QStringLiteral("IDX"), QStringLiteral("رديف"), 40),
            DbGridColumn::Make(QStringLiteral("DaraCod"), QStringLiteral("كد دارايي"), 70),
            DbGridColumn::Make(QStringLiteral("Bargeh"), QStringLiteral("برگه"), 50),
            DbGridColumn::Make(QStringLiteral("Mablag"), QStringLiteral("مبلغ"), 90),
            DbGridColumn::Make(QStringLiteral("Sharh"), QStringLiteral("شرح"), 200)};
}

QStringList FieldOrder(const DbGrid& grid)
{
    QStringList names;
    for (const DbGridColumn& c : grid.columns())
        names << c.fieldName;
    return names;
}

} // namespace

class TestGridServices : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;

    // A data set on a temporary table of the test window's columns (plus Extra,
    // which is no grid column), and a grid over it with the designed columns.
    struct Window
    {
        std::unique_ptr<DataSet> data;
        std::unique_ptr<DbGrid> grid;
    };

    void createTable(const QString& name)
    {
        const Dialect& dialect = m_host->db().dialect();
        dialect.dropTempTable(name);
        m_host->exec(dialect.createTempTable(name) + QStringLiteral(" (IDX ") +
                     dialect.identityColumnType() +
                     QStringLiteral(", DaraCod VARCHAR(6), Bargeh VARCHAR(5), Mablag FLOAT, "
                                    "Sharh VARCHAR(100), Extra VARCHAR(10))"));
    }

    Window openWindow(const QString& table)
    {
        Window w;
        w.data = std::make_unique<DataSet>(&m_host->db());
        w.data->open(QStringLiteral("Select * From \"") + table +
                     QStringLiteral("\" Order By IDX"));
        w.grid = std::make_unique<DbGrid>();
        w.grid->setDataSet(w.data.get());
        w.grid->setColumns(DesignedColumns());
        return w;
    }

    int storedRows(const QString& user, const QString& form)
    {
        return m_host
            ->scalar(QStringLiteral("Select Count(*) From Grid_State Where UserId = '%1' "
                                    "And sForm = '%2'")
                         .arg(user, form))
            .toInt();
    }

    QString stored(const QString& column, const QString& colName)
    {
        return m_host->scalar(QStringLiteral("Select %1 From Grid_State Where UserId = '1' And "
                                             "sForm = 'BUY_CREATE' And sColName = '%2'")
                                  .arg(column, colName));
    }

private slots:
    void initTestCase() { m_host = std::make_unique<DemoHost>(10); }
    void cleanupTestCase() { m_host.reset(); }

    void init()
    {
        m_host->global.UserID = 1;
        m_host->dlgMsg->shown.clear();
        m_host->exec(QStringLiteral("Delete From Grid_State"));
        createTable(QStringLiteral("##TGS"));
        m_host->exec(QStringLiteral(
            "Insert Into \"##TGS\" (DaraCod, Bargeh, Mablag, Sharh, Extra) Values "
            "('   101', '7', 1500.5, 'a=b', 'x1'), ('   102', '8', 20, NULL, 'x2')"));
    }

    // ---- column layouts -------------------------------------------------------

    void savedLayoutComesBackForItsUserOnly()
    {
        Window w = openWindow(QStringLiteral("##TGS"));
        // The user puts the description first, widens the asset code, hides the form
        // number after widening it.
        QList<DbGridColumn> columns = w.grid->columns();
        columns.move(4, 0);
        columns[2].width = 123;
        columns[3].width = 77;
        w.grid->setColumns(columns);
        w.grid->column(3).visible = false;
        w.grid->applyColumns();

        QVERIFY(SaveGridLayout(w.grid.get(), GridLayoutKeys::BUY_CREATE));
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);
        QCOMPARE(m_host->dlgMsg->shown[0].text, kSaved);
        QCOMPARE(m_host->dlgMsg->shown[0].icon, QStringLiteral("I_Error"));
        QCOMPARE(storedRows("1", "BUY_CREATE"), 5);
        QCOMPARE(stored("sVisible", "Bargeh"), QStringLiteral("F"));
        QCOMPARE(stored("iLen", "Bargeh"), QStringLiteral("77"));
        QCOMPARE(stored("iRaj", "Sharh"), QStringLiteral("0"));
        QCOMPARE(stored("iLen", "DaraCod"), QStringLiteral("123"));

        // Another user opens the same window: the designed layout.
        m_host->global.UserID = 2;
        Window other = openWindow(QStringLiteral("##TGS"));
        DataSet query(&m_host->db());
        QVERIFY(!LoadGridLayout(&query, other.grid.get(), GridLayoutKeys::BUY_CREATE));
        QCOMPARE(FieldOrder(*other.grid), FieldOrder(*openWindow("##TGS").grid));

        // The first user reopens the window.
        m_host->global.UserID = 1;
        Window again = openWindow(QStringLiteral("##TGS"));
        QVERIFY(LoadGridLayout(&query, again.grid.get(), GridLayoutKeys::BUY_CREATE));
        QCOMPARE(FieldOrder(*again.grid),
                 (QStringList{"Sharh", "IDX", "DaraCod", "Bargeh", "Mablag"}));
        QCOMPARE(again.grid->columns()[2].width, 123);
        QCOMPARE(again.grid->columnWidth(2), 123);
        // Hidden again, with the width it was designed with rather than the stored one.
        QVERIFY(!again.grid->columns()[3].visible);
        QVERIFY(again.grid->isColumnHidden(3));
        QCOMPARE(again.grid->columns()[3].width, 50);
    }

    void removedColumnIsSkippedAndTheRestCloseUp()
    {
        const QString insert = QStringLiteral(
            "Insert Into Grid_State(UserId, sVisible, sProg, sItem, sForm, sPart, sColName, iLen, "
            "iRaj) Values('1', '%1', 'D', 'ASNAD', 'FOROSH_DAYEME', '', '%2', %3, %4)");
        m_host->exec(insert.arg("T", "Sharh", "150", "0"));
        m_host->exec(insert.arg("T", "MablagForosh", "80", "1"));
        m_host->exec(insert.arg("F", "mablag", "33", "2"));
        m_host->exec(insert.arg("T", "DARACOD", "61", "3"));
        Window w = openWindow(QStringLiteral("##TGS"));
        DataSet query(&m_host->db());
        QVERIFY(LoadGridLayout(&query, w.grid.get(), GridLayoutKeys::FOROSH_DAYEME));
        // Stored ones first, without a gap; the rest in their designed order.
        QCOMPARE(FieldOrder(*w.grid), (QStringList{"Sharh", "Mablag", "DaraCod", "IDX", "Bargeh"}));
        QCOMPARE(w.grid->columns()[0].width, 150);
        QVERIFY(w.grid->isColumnHidden(1));
        QCOMPARE(w.grid->columns()[2].width, 61);
        QVERIFY(!w.grid->isColumnHidden(4));

        QCOMPARE(FindGridColumn(w.grid.get(), QStringLiteral("daracod")), 2);
        QCOMPARE(FindGridColumn(w.grid.get(), QStringLiteral("MablagForosh")), -1);
    }

    void resetBringsBackTheDesignedLayout()
    {
        // A window key holding a quote is stored and found as typed.
        const QString form = QStringLiteral("O'FORM");
        Window w = openWindow(QStringLiteral("##TGS"));
        w.grid->column(1).visible = false;
        w.grid->applyColumns();
        QVERIFY(SaveGridLayout(w.grid.get(), "D", "ASNAD", form, ""));
        QCOMPARE(storedRows("1", "O''FORM"), 5);

        // Closed data set: reset and save do nothing.
        w.data->close();
        QVERIFY(!ResetGridLayout(w.grid.get(), "D", "ASNAD", form, ""));
        QVERIFY(!SaveGridLayout(w.grid.get(), "D", "ASNAD", form, ""));
        QCOMPARE(storedRows("1", "O''FORM"), 5);
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);

        w.data->open();
        QVERIFY(ResetGridLayout(w.grid.get(), "D", "ASNAD", form, ""));
        QCOMPARE(m_host->dlgMsg->shown.size(), 2);
        QCOMPARE(m_host->dlgMsg->shown[1].text, kReset);
        QCOMPARE(storedRows("1", "O''FORM"), 0);
        // The grid on screen stays as it is until the window is opened again.
        QVERIFY(w.grid->isColumnHidden(1));

        Window reopened = openWindow(QStringLiteral("##TGS"));
        DataSet query(&m_host->db());
        QVERIFY(!LoadGridLayout(&query, reopened.grid.get(), "D", "ASNAD", form, ""));
        QVERIFY(!reopened.grid->isColumnHidden(1));
        QCOMPARE(FieldOrder(*reopened.grid),
                 (QStringList{"IDX", "DaraCod", "Bargeh", "Mablag", "Sharh"}));
    }

    void failedSaveKeepsTheStoredLayout()
    {
        Window w = openWindow(QStringLiteral("##TGS"));
        QVERIFY(SaveGridLayout(w.grid.get(), GridLayoutKeys::BUY_CREATE));
        m_host->dlgMsg->shown.clear();

        // The last column's name is longer than the table keeps: its insert fails
        // after the delete and the other inserts ran.
        QList<DbGridColumn> columns = w.grid->columns();
        columns.move(0, 4);
        columns << DbGridColumn::Make(QString(51, QLatin1Char('Z')), QString(), 10);
        w.grid->setColumns(columns);
        QVERIFY_THROWS_EXCEPTION(DatabaseError,
                                 SaveGridLayout(w.grid.get(), GridLayoutKeys::BUY_CREATE));
        QVERIFY(m_host->dlgMsg->shown.isEmpty());
        QCOMPARE(storedRows("1", "BUY_CREATE"), 5);
        QCOMPARE(stored("iRaj", "IDX"), QStringLiteral("0"));
        QCOMPARE(m_host->db().transactionDepth(), 0);
    }

    // ---- row copy and paste ---------------------------------------------------

    void rowCopiedIntoAnotherDataSet()
    {
        Window source = openWindow(QStringLiteral("##TGS"));
        const QString copied = CopyRow(source.grid.get());
        QCOMPARE(copied,
                 QStringLiteral("IDX=1\tDaraCod=   101\tBargeh=7\tMablag=1500.5\tSharh=a=b\t"));

        createTable(QStringLiteral("##TGS2"));
        m_host->exec(QStringLiteral(
            "Insert Into \"##TGS2\" (DaraCod, Bargeh, Mablag, Sharh, Extra) Values "
            "('   900', '1', 1, 'first', 'e1'), ('   901', '2', 2, 'second', 'e2')"));
        Window target = openWindow(QStringLiteral("##TGS2"));
        QVERIFY(target.data->setCurrentRow(1));
        QVERIFY(PasteRow(target.data.get(), target.grid.get(), copied));
        QCOMPARE(target.data->state(), DataSet::State::Edit);
        QVERIFY(target.data->post());

        QCOMPARE(m_host->scalar("Select DaraCod || '|' || Bargeh || '|' || Mablag || '|' || "
                                "Sharh || '|' || Extra From \"##TGS2\" Where IDX = 2"),
                 QStringLiteral("   101|7|1500.5|a=b|e2"));
        // The row number is the database's own; the other row is untouched.
        QCOMPARE(
            m_host->scalar("Select Count(*) From \"##TGS2\" Where IDX = 1 And Sharh = 'first'"),
            QStringLiteral("1"));
    }

    void rowPasteFailures()
    {
        Window w = openWindow(QStringLiteral("##TGS"));
        // A number field that cannot take the text: the fields before it keep their
        // new values.
        QVERIFY_THROWS_EXCEPTION(
            FieldConversionError,
            PasteRow(w.data.get(), w.grid.get(),
                     "IDX=9\tDaraCod=   555\tBargeh=3\tMablag=abc\tSharh=s\t"));
        QCOMPARE(w.data->fieldByName("DaraCod")->asString(), QStringLiteral("   555"));
        QCOMPARE(w.data->fieldByName("IDX")->asString(), QStringLiteral("1"));
        QCOMPARE(w.data->fieldByName("Sharh")->asString(), QStringLiteral("a=b"));
        w.data->cancel();

        // A name the data set does not have, and a text with fewer pairs than columns.
        QVERIFY_THROWS_EXCEPTION(
            DataSetError, PasteRow(w.data.get(), w.grid.get(), "IDX=1\tNoSuch=1\tBargeh=3\t"));
        w.data->cancel();
        QVERIFY_THROWS_EXCEPTION(DataSetError,
                                 PasteRow(w.data.get(), w.grid.get(), "IDX=1\tDaraCod=2\t"));
        QCOMPARE(w.data->fieldByName("DaraCod")->asString(), QStringLiteral("2"));
        w.data->cancel();

        // A tab inside a value cuts it; the pairs after it are read from there on.
        QVERIFY_THROWS_EXCEPTION(DataSetError,
                                 PasteRow(w.data.get(), w.grid.get(),
                                          "IDX=1\tDaraCod=1\tBargeh=a\tb\tMablag=2\tSharh=s\t"));
        QCOMPARE(w.data->fieldByName("Bargeh")->asString(), QStringLiteral("a"));
        w.data->cancel();
    }

    // ---- cell copy and paste --------------------------------------------------

    void cellCopyAndPaste()
    {
        Window w = openWindow(QStringLiteral("##TGS"));
        QClipboard* clipboard = QGuiApplication::clipboard();
        w.grid->setSelectedIndex(1);
        QCOMPARE(CopyCell(w.grid.get()), QStringLiteral("   101"));
        QCOMPARE(clipboard->text(), QStringLiteral("   101"));

        // Empty value: an empty clipboard text.
        QVERIFY(w.data->setCurrentRow(1));
        w.grid->setSelectedIndex(4);
        QCOMPARE(CopyCell(w.grid.get()), QString());
        QCOMPARE(clipboard->text(), QString());

        clipboard->setText(QStringLiteral("k=v"));
        QVERIFY(PasteCell(w.grid.get()));
        QCOMPARE(w.data->fieldByName("Sharh")->asString(), QStringLiteral("k=v"));
        QVERIFY(w.data->post());

        w.grid->setSelectedIndex(3);
        clipboard->setText(QStringLiteral("دوازده"));
        QVERIFY_THROWS_EXCEPTION(FieldConversionError, PasteCell(w.grid.get()));
        w.data->cancel();
    }

    void cellPasteRefusedWhereTypingIs()
    {
        Window w = openWindow(QStringLiteral("##TGS"));
        QGuiApplication::clipboard()->setText(QStringLiteral("99"));

        // A read-only column, and a read-only field.
        w.grid->column(2).readOnly = true;
        w.grid->setSelectedIndex(2);
        QVERIFY(!PasteCell(w.grid.get()));
        w.data->fieldByName("DaraCod")->setReadOnly(true);
        w.grid->setSelectedIndex(1);
        QVERIFY(!PasteCell(w.grid.get()));
        QCOMPARE(w.data->state(), DataSet::State::Browse);
        QCOMPARE(w.data->fieldByName("DaraCod")->asString(), QStringLiteral("   101"));

        // Editing option off.
        w.grid->setSelectedIndex(4);
        w.grid->setEditingEnabled(false);
        QVERIFY(!HasOption(OptionsOf(w.grid.get()), goEditing));
        QVERIFY(!PasteCell(w.grid.get()));
        QCOMPARE(w.data->state(), DataSet::State::Browse);
        QCOMPARE(w.data->fieldByName("Sharh")->asString(), QStringLiteral("a=b"));

        w.grid->setEditingEnabled(true);
        QVERIFY(HasOption(OptionsOf(w.grid.get()), goEditing));
        QVERIFY(!HasOption({goEditing, 13, -1}, 13));
        QVERIFY(PasteCell(w.grid.get()));
        QCOMPARE(w.data->fieldByName("Sharh")->asString(), QStringLiteral("99"));
        w.data->cancel();
    }

    // ---- rights and temporary tables ------------------------------------------

    void copyAndPrintRightsPerUser()
    {
        TGlobal& global = m_host->global;
        QVERIFY(ReadCopyPrintRights(&global));
        QCOMPARE(global.CopyPermission, QStringLiteral("YES"));
        QCOMPARE(global.PrintPermission, QStringLiteral("YES"));
        global.UserID = 2;
        QVERIFY(ReadCopyPrintRights(&global));
        QCOMPARE(global.CopyPermission, QStringLiteral("NO"));
        QCOMPARE(global.PrintPermission, QStringLiteral("YES"));
    }

    void temporaryTableHelpers()
    {
        DropTempTable(QStringLiteral("NOSUCH_TABLE"));
        QVERIFY(!TempObjectExists(QStringLiteral("##NOSUCH_TABLE")));

        // Both the stem and the full name drop the table.
        createTable(QStringLiteral("##TGX"));
        QVERIFY(TempObjectExists(QStringLiteral("##tgx")));
        DropTempTable(QStringLiteral("TGX"));
        QVERIFY(!TempObjectExists(QStringLiteral("##TGX")));
        createTable(QStringLiteral("##TGX"));
        DropTempTable(QStringLiteral("##TGX"));
        QVERIFY(!TempObjectExists(QStringLiteral("##TGX")));

        m_host->exec(QStringLiteral("Insert Into \"##TGS\" (DaraCod, Sharh) Values "
                                    "('O''Neil', 'quoted'), ('O''Neil', 'second')"));
        DataSet query(&m_host->db());
        QCOMPARE(LookupFirstValue(&query, "Sharh", "##TGS", "DaraCod", "O'Neil"),
                 QStringLiteral("quoted"));
        QCOMPARE(LookupFirstValue(&query, "Sharh", "##TGS", "DaraCod", "nobody"), QString());
        QCOMPARE(LookupFirstValue(&query, "User_Name", "UserSdc", "UserId", "2"),
                 m_host->scalar("Select User_Name From UserSdc Where UserId = '2'"));
    }
};

QTEST_MAIN(TestGridServices)
#include "tst_gridservices.moc"
