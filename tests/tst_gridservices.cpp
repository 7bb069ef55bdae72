// Grid services on the demo company: column layouts kept per user and window, row
// and cell copy and paste, and the temporary-table helpers.

#include "copypaste.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbgrid.h"
#include "demohost.h"
#include "dialect.h"
#include "gridlayout.h"
#include "storedcolumn.h"
#include "tempgrid.h"
#include "testmain.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

const QString kSaved = QStringLiteral("وضعيت ستونها ثبت شد.");
const QString kReset = QStringLiteral("ستونها به وضعيت اوليه بازگشت. \nلطفا براي مشاهده ستونهاي "
                                      "اوليه\nاز فرم خارج شده و دوباره وارد شويد.");

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
        QString text(const char* field) const { return data->fieldByName(field)->asString(); }
    };

    void createTable(const QString& name, const QString& rows = QString())
    {
        const Dialect& dialect = m_host->db().dialect();
        dialect.dropTempTable(name);
        m_host->exec(dialect.createTempTable(name) + " (IDX " + dialect.identityColumnType() +
                     ", DaraCod VARCHAR(6), Bargeh VARCHAR(5), Mablag FLOAT, "
                     "Sharh VARCHAR(100), Extra VARCHAR(10))");
        if (!rows.isEmpty())
            m_host->exec("Insert Into \"" + name +
                         "\" (DaraCod, Bargeh, Mablag, Sharh, Extra) Values " + rows);
    }
    Window openWindow(const QString& table = "##TGS")
    {
        Window w{std::make_unique<DataSet>(&m_host->db()), std::make_unique<DbGrid>()};
        w.data->open("Select * From \"" + table + "\" Order By IDX");
        w.grid->setDataSet(w.data.get());
        w.grid->setColumns(
            {DbGridColumn::Make("IDX", "رديف", 40), DbGridColumn::Make("DaraCod", "كد دارايي", 70),
             DbGridColumn::Make("Bargeh", "برگه", 50), DbGridColumn::Make("Mablag", "مبلغ", 90),
             DbGridColumn::Make("Sharh", "شرح", 200)});
        return w;
    }
    // What user 1's stored layout rows hold.
    QString stored(const QString& what, const QString& where)
    {
        return m_host->scalar("Select " + what + " From Grid_State Where UserId = '1' And " +
                              where);
    }
    QStringList messages()
    {
        QStringList texts;
        for (const ShownMessage& m : std::as_const(m_host->dlgMsg->shown))
            texts << m.icon + ' ' + m.text;
        return texts;
    }

private slots:
    void initTestCase() { m_host = std::make_unique<DemoHost>(10); }
    void cleanupTestCase() { m_host.reset(); }

    void init()
    {
        m_host->global.UserID = 1;
        m_host->dlgMsg->shown.clear();
        m_host->exec("Delete From Grid_State");
        createTable("##TGS",
                    "('   101', '7', 1500.5, 'a=b', 'x1'), ('   102', '8', 20, NULL, 'x2')");
    }

    // A layout saved comes back for its user only, as it was saved, also after a save
    // that failed; a window key holding a quote is stored and found as typed. Reset
    // deletes it, the grid on screen staying as it is until the window is opened
    // again; with the data set closed, reset and save do nothing.
    void savedLayoutComesBackForItsUserOnly()
    {
        const GridLayoutKey key{"D", "ASNAD", "O'FORM", ""};
        const QString form = "sForm = 'O''FORM'";
        Window w = openWindow();
        // The user puts the description first, widens the asset code, hides the form
        // number after widening it.
        QList<DbGridColumn> columns = w.grid->columns();
        columns.move(4, 0);
        columns[2].width = 123;
        columns[3].width = 77;
        w.grid->setColumns(columns);
        w.grid->column(3).visible = false;
        w.grid->applyColumns();
        QVERIFY(SaveGridLayout(w.grid.get(), key));
        QCOMPARE(messages(), QStringList{"I_Error " + kSaved});
        QCOMPARE(stored("Count(*)", form), "5");
        QCOMPARE(stored("sVisible || iLen", "sColName = 'Bargeh'"), "F77");
        m_host->dlgMsg->shown.clear();

        // A save that fails keeps the stored layout: the last column's name is longer
        // than the table keeps, its insert fails after the delete and the other inserts.
        QList<DbGridColumn> longer = w.grid->columns();
        longer.move(0, 4);
        longer << DbGridColumn::Make(QString(51, QLatin1Char('Z')), QString(), 10);
        w.grid->setColumns(longer);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, SaveGridLayout(w.grid.get(), key));
        QVERIFY(m_host->dlgMsg->shown.isEmpty());
        QCOMPARE(stored("Count(*)", form), "5");
        QCOMPARE(stored("iRaj", "sColName = 'Sharh'"), "0");
        QCOMPARE(m_host->db().transactionDepth(), 0);

        // Another user has none stored.
        m_host->global.UserID = 2;
        DataSet query(&m_host->db());
        QVERIFY(!LoadGridLayout(&query, openWindow().grid.get(), key));

        // The first user reopens the window; the hidden column has its designed width.
        m_host->global.UserID = 1;
        Window again = openWindow();
        QVERIFY(LoadGridLayout(&query, again.grid.get(), key));
        QCOMPARE(FieldOrder(*again.grid),
                 (QStringList{"Sharh", "IDX", "DaraCod", "Bargeh", "Mablag"}));
        QCOMPARE(again.grid->columnWidth(2), 123);
        QVERIFY(again.grid->isColumnHidden(3));
        QCOMPARE(again.grid->columns()[3].width, 50);

        again.data->close();
        QVERIFY(!ResetGridLayout(again.grid.get(), key));
        QVERIFY(!SaveGridLayout(again.grid.get(), key));
        QCOMPARE(stored("Count(*)", form), "5");
        again.data->open();
        QVERIFY(ResetGridLayout(again.grid.get(), key));
        QCOMPARE(messages(), QStringList{"I_Error " + kReset});
        QCOMPARE(stored("Count(*)", form), "0");
        QVERIFY(again.grid->isColumnHidden(3));
    }

    void removedColumnIsSkippedAndTheRestCloseUp()
    {
        m_host->exec("Insert Into Grid_State(UserId, sVisible, sProg, sItem, sForm, sPart, "
                     "sColName, iLen, iRaj) Values "
                     "('1', 'T', 'D', 'ASNAD', 'FOROSH_DAYEME', '', 'Sharh', 150, 0), "
                     "('1', 'T', 'D', 'ASNAD', 'FOROSH_DAYEME', '', 'MablagForosh', 80, 1), "
                     "('1', 'F', 'D', 'ASNAD', 'FOROSH_DAYEME', '', 'mablag', 33, 2), "
                     "('1', 'T', 'D', 'ASNAD', 'FOROSH_DAYEME', '', 'DARACOD', 61, 3)");
        Window w = openWindow();
        DataSet query(&m_host->db());
        QVERIFY(LoadGridLayout(&query, w.grid.get(), GridLayoutKeys::FOROSH_DAYEME));
        // Stored ones first, without a gap; the rest in their designed order.
        QCOMPARE(FieldOrder(*w.grid), (QStringList{"Sharh", "Mablag", "DaraCod", "IDX", "Bargeh"}));
        QCOMPARE(w.grid->columns()[2].width, 61);
        QVERIFY(!w.grid->isColumnHidden(4));

        QCOMPARE(FindGridColumn(w.grid.get(), "daracod"), 2);
        QCOMPARE(FindGridColumn(w.grid.get(), "MablagForosh"), -1);
    }

    // A row copied goes into another data set's current row; a text it cannot take
    // leaves what it set before.
    void rowCopiedAndPasted()
    {
        Window w = openWindow();
        const QString copied = CopyRow(w.grid.get());
        QCOMPARE(copied, "IDX=1\tDaraCod=   101\tBargeh=7\tMablag=1500.5\tSharh=a=b\t");

        createTable("##TGS2",
                    "('   900', '1', 1, 'first', 'e1'), ('   901', '2', 2, 'second', 'e2')");
        Window target = openWindow("##TGS2");
        QVERIFY(target.data->setCurrentRow(1));
        QVERIFY(PasteRow(target.data.get(), target.grid.get(), copied));
        QCOMPARE(target.data->state(), DataSet::State::Edit);
        QVERIFY(target.data->post());
        // The row number is the database's own; Extra and the other row are untouched.
        // The amount read as a number.
        QCOMPARE(StoredLines(m_host->db(), "Select IDX, DaraCod, Bargeh, Mablag, Sharh, Extra "
                                           "From \"##TGS2\" Order By IDX"),
                 (QStringList{"1|   900|1|1|first|e1", "2|   101|7|1500.5|a=b|e2"}));

        // A number field that cannot take the text: the fields before it keep their
        // new values, the row number excepted.
        QVERIFY_THROWS_EXCEPTION(
            FieldConversionError,
            PasteRow(w.data.get(), w.grid.get(),
                     "IDX=9\tDaraCod=   555\tBargeh=3\tMablag=abc\tSharh=s\t"));
        QCOMPARE(w.text("IDX") + '|' + w.text("DaraCod") + '|' + w.text("Sharh"), "1|   555|a=b");
        w.data->cancel();
        // A tab inside a value cuts it and leaves a name the data set does not have;
        // so does a text with fewer pairs than columns.
        QVERIFY_THROWS_EXCEPTION(DataSetError,
                                 PasteRow(w.data.get(), w.grid.get(),
                                          "IDX=1\tDaraCod=1\tBargeh=a\tb\tMablag=2\tSharh=s\t"));
        QCOMPARE(w.text("Bargeh"), "a");
        w.data->cancel();
        QVERIFY_THROWS_EXCEPTION(DataSetError,
                                 PasteRow(w.data.get(), w.grid.get(), "IDX=1\tDaraCod=2\t"));
    }

    void cellCopyAndPaste()
    {
        Window w = openWindow();
        QClipboard* clipboard = QGuiApplication::clipboard();
        w.grid->setSelectedIndex(1);
        QCOMPARE(CopyCell(w.grid.get()), "   101");
        QCOMPARE(clipboard->text(), "   101");
        // An empty value puts an empty text.
        QVERIFY(w.data->setCurrentRow(1));
        w.grid->setSelectedIndex(4);
        CopyCell(w.grid.get());
        QCOMPARE(clipboard->text(), QString());
        QVERIFY(w.data->setCurrentRow(0));

        // Pasting is refused where typing is: a read-only column, a read-only field,
        // the editing option off.
        clipboard->setText("99");
        w.grid->column(2).readOnly = true;
        w.grid->setSelectedIndex(2);
        QVERIFY(!PasteCell(w.grid.get()));
        w.data->fieldByName("DaraCod")->setReadOnly(true);
        w.grid->setSelectedIndex(1);
        QVERIFY(!PasteCell(w.grid.get()));
        w.grid->setSelectedIndex(4);
        w.grid->setEditingEnabled(false);
        QVERIFY(!PasteCell(w.grid.get()));
        QCOMPARE(w.data->state(), DataSet::State::Browse);
        QCOMPARE(w.text("Bargeh") + '|' + w.text("DaraCod") + '|' + w.text("Sharh"),
                 "7|   101|a=b");

        w.grid->setEditingEnabled(true);
        QVERIFY(PasteCell(w.grid.get()));
        QCOMPARE(w.text("Sharh"), "99");
        w.data->cancel();
        // Numbers past the last grid option are no options.
        QVERIFY(!HasOption({goEditing, 13, -1}, 13));
    }

    void temporaryTableHelpers()
    {
        DropTempTable("NOSUCH_TABLE"); // nothing to drop is no failure
        // Both the stem and the full name drop the table; names in any case.
        createTable("##TGX");
        QVERIFY(TempObjectExists("##tgx"));
        DropTempTable("TGX");
        QVERIFY(!TempObjectExists("##TGX"));
        createTable("##TGX");
        DropTempTable("##TGX");
        QVERIFY(!TempObjectExists("##TGX"));

        m_host->exec("Insert Into \"##TGS\" (DaraCod, Sharh) Values ('O''Neil', 'quoted'), "
                     "('O''Neil', 'second')");
        DataSet query(&m_host->db());
        QCOMPARE(LookupFirstValue(&query, "Sharh", "##TGS", "DaraCod", "O'Neil"), "quoted");
        QCOMPARE(LookupFirstValue(&query, "Sharh", "##TGS", "DaraCod", "nobody"), QString());
        QCOMPARE(LookupFirstValue(&query, "User_Name", "UserSdc", "UserId", "2"),
                 m_host->scalar("Select User_Name From UserSdc Where UserId = '2'"));
    }
};

AMVAL_TEST_MAIN(TestGridServices)
#include "tst_gridservices.moc"
