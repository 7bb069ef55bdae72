// The data-entry grid as a user drives it with the keyboard and the mouse.

#include "dataset.h"
#include "dbgrid.h"
#include "dialect.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"
#include "uitest.h"

#include <QAbstractItemModelTester>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionViewItem>
#include <memory>

// A grid that counts how often it lays out all its items.
class CountingGrid : public DbGrid
{
public:
    int layouts = 0;
    void doItemsLayout() override
    {
        ++layouts;
        DbGrid::doItemsLayout();
    }
};

class TestDbGrid : public QObject
{
    Q_OBJECT

    TestPlace m_place;
    std::unique_ptr<DbConnection> m_db;
    std::unique_ptr<DataSet> m_ds;
    std::unique_ptr<CountingGrid> m_grid;
    // Qt's model checker watches the grid's model through every test: rows typed in,
    // posted, cancelled, inserted, deleted, and the data set sorted and reopened.
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    // Where the keyboard focus takes a key: the cell editor once it is open, the grid before.
    QWidget* focus() const { return KeyTarget(m_grid.get()); }
    void type(const QString& text)
    {
        TypeText([this] { return focus(); }, text);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(focus(), k, m); }
    // The stored values of a column, sorted.
    QStringList stored(const QString& column, const QString& where = "1 = 1")
    {
        QStringList values = StoredColumn(*m_db, "Select " + column + " From T Where " + where);
        values.sort();
        return values;
    }
    // Rows 3..last, numbered and coded by their Raj.
    void addRows(int last)
    {
        m_db->execute("WITH RECURSIVE n(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                      QString::number(last) + ") INSERT INTO T SELECT i, " +
                      m_db->dialect().padLeftExpression("i", 6) + ", 'شرح ' || i, ' 11' FROM n");
    }

private slots:
    void init()
    {
        static int n = 0;
        m_db = m_place.open(QString("g%1").arg(++n));
        m_db->execute("CREATE TABLE T (Raj INTEGER, DaraCod VARCHAR(6), AmvalDes VARCHAR(100), "
                      "Koll VARCHAR(3))");
        m_db->execute(
            "INSERT INTO T VALUES (1, '   101', 'ميز', ' 11'), (2, '   102', 'صندلي', ' 11')");
        m_ds = std::make_unique<DataSet>(m_db.get());
        m_ds->open("Select * From T Order By Raj");
        m_grid = std::make_unique<CountingGrid>();
        m_grid->setDataSet(m_ds.get());
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QList<DbGridColumn> columns{
            DbGridColumn::Make("Raj", "رديف", 40), DbGridColumn::Make("DaraCod", "دارايي", 80),
            DbGridColumn::Make("AmvalDes", "شرح", 210), DbGridColumn::Make("Koll", "كل", 30)};
        columns[3].readOnly = true;
        m_grid->setColumns(columns);
        m_grid->resize(500, 300);
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
        m_grid->setFocus();
    }
    void cleanup()
    {
        m_tester.reset();
        m_grid.reset();
        m_ds.reset();
        m_db.reset();
    }

    void typingEditsLeavingTheRowPostsAndDownPastTheEndAppends()
    {
        m_grid->setSelectedIndex(2);
        type("ميز تحرير");
        QVERIFY(m_grid->editorOpen());
        key(Qt::Key_Return);
        QVERIFY(!m_grid->editorOpen());
        QCOMPARE(m_ds->state(), DataSet::State::Edit);
        QCOMPARE(stored("AmvalDes", "Raj = 1"), QStringList{"ميز"});
        key(Qt::Key_Down);
        QCOMPARE(m_ds->recNo(), 2);
        QCOMPARE(m_ds->state(), DataSet::State::Browse);
        QCOMPARE(stored("AmvalDes", "Raj = 1"), QStringList{"ميز تحرير"});
        // The cell editor holds no more than the column's declared width.
        m_grid->setSelectedIndex(1);
        type("12345678");
        QCOMPARE(m_grid->cellEditor()->text(), "123456");
        key(Qt::Key_Escape);
        QCOMPARE(m_ds->state(), DataSet::State::Browse);
        QCOMPARE(m_ds->fieldByName("DaraCod")->asString(), "   102");

        // Down past the last row appends one, Escape cancels it.
        m_ds->last();
        key(Qt::Key_Down);
        QCOMPARE(m_ds->recordCount(), 3);
        QCOMPARE(m_ds->state(), DataSet::State::Insert);
        QCOMPARE(m_grid->currentIndex().row(), 2);
        key(Qt::Key_Down); // an untouched new row is not followed by another one
        QCOMPARE(m_ds->recordCount(), 3);
        m_grid->setSelectedIndex(1);
        type("103");
        key(Qt::Key_Escape);
        QCOMPARE(m_ds->recordCount(), 2);
        QCOMPARE(m_ds->state(), DataSet::State::Browse);
        QCOMPARE(stored("DaraCod"), (QStringList{"   101", "   102"}));
        key(Qt::Key_Down);
        type("103");
        key(Qt::Key_Up);
        QCOMPARE(stored("DaraCod"), (QStringList{"   101", "   102", "103"}));
    }

    // A row inserted between two and a row deleted (Ctrl+Del, as the windows
    // hook it) reach the view where they are in the data set.
    void rowsInsertedAndDeletedInTheMiddle()
    {
        m_grid->onKeyDown = [](DbGrid& g, QKeyEvent* e) {
            return e->key() == Qt::Key_Delete && e->modifiers() == Qt::ControlModifier &&
                   g.dataSet()->deleteRow();
        };
        m_ds->last();
        m_grid->setSelectedIndex(1);
        key(Qt::Key_Insert);
        type("100");
        key(Qt::Key_Down);
        m_ds->setCurrentRow(0);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(stored("DaraCod"), (QStringList{"   102", "100"}));
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(1, 1)).toString(), "   102");
    }

    // A post refused by a rule or by the database keeps the cursor on the row; a
    // database failure inside a handler reaches the error hook and is not thrown.
    void refusedPostsAndFailingHandlersKeepTheCursor()
    {
        m_ds->beforePost = [](DataSet& d) {
            if (d.fieldByName("DaraCod")->asString().trimmed().isEmpty())
                DataSet::Abort();
        };
        m_grid->setSelectedIndex(1);
        key(Qt::Key_Delete); // no effect by itself
        type(" ");
        key(Qt::Key_Return);
        key(Qt::Key_Down);
        QCOMPARE(m_ds->recNo(), 1);
        QCOMPARE(m_grid->currentIndex().row(), 0);
        QCOMPARE(m_ds->state(), DataSet::State::Edit);

        m_db->execute("CREATE UNIQUE INDEX T_Code ON T (DaraCod)");
        QStringList errors;
        m_grid->onError = [&](DbGrid&, const QString& m) { errors << m; };
        type("   102");
        key(Qt::Key_Return);
        key(Qt::Key_Down);
        QVERIFY2(errors.value(0).contains("Violation of PRIMARY KEY"), qPrintable(errors.value(0)));
        QCOMPARE(m_grid->currentIndex().row(), 0);

        // A rule that looks something up and fails on the database: the user
        // sees the error and the grid keeps working.
        m_ds->beforePost = [this](DataSet&) { m_db->execute("Select * From Missing"); };
        m_grid->onDblClick = [this](DbGrid&) { m_db->execute("Select * From Missing2"); };
        type("x");
        key(Qt::Key_Return);
        key(Qt::Key_Down);
        QCOMPARE(m_grid->currentIndex().row(), 0);
        const QRect cell = m_grid->visualRect(m_grid->model()->index(0, 2));
        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(errors.size(), 3);
        QVERIFY(errors.at(1).contains("Missing") && errors.at(2).contains("Missing2"));
        key(Qt::Key_Escape);
        QCOMPARE(m_ds->state(), DataSet::State::Browse);
    }

    void readOnlyColumnsHooksAndTitles() // and a key hook that maps characters
    {
        QVERIFY(!(m_grid->model()->flags(m_grid->model()->index(0, 3)) & Qt::ItemIsEditable));
        m_grid->setSelectedIndex(3);
        type("9");
        QVERIFY(!m_grid->editorOpen());
        QCOMPARE(m_ds->state(), DataSet::State::Browse);

        // Editing off: nothing is editable, nothing is appended.
        m_grid->setEditingEnabled(false);
        QVERIFY(!(m_grid->model()->flags(m_grid->model()->index(0, 1)) & Qt::ItemIsEditable));
        m_ds->last();
        key(Qt::Key_Down);
        QCOMPARE(m_ds->recordCount(), 2);
        m_grid->setEditingEnabled(true);

        int doubleClicks = 0;
        m_grid->onDblClick = [&](DbGrid& g) {
            ++doubleClicks;
            QCOMPARE(g.selectedField()->fieldName(), "AmvalDes");
        };
        const QRect cell = m_grid->visualRect(m_grid->model()->index(1, 2));
        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(doubleClicks, 1);
        QCOMPARE(m_ds->recNo(), 2);
        m_grid->column(0).visible = false;
        m_grid->applyColumns();
        QVERIFY(m_grid->isColumnHidden(0));
        // Without columns of its own a grid takes the data set's fields: the rows'
        // address is none of them.
        DataSet rows(m_db.get());
        rows.open("Select DaraCod, AmvalDes From T");
        DbGrid grid;
        grid.setDataSet(&rows);
        QCOMPARE(grid.model()->columnCount(), 2);
        QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), "AmvalDes");

        // A key the rule changes (Persian Yeh typed as Arabic Yeh) starts the first row
        // of an empty grid too. (Keys the windows' rules drop or change in an open cell,
        // and Enter that their key hook takes: the voucher suites' typed rows.)
        m_grid->onKeyPress = [](DbGrid&, QChar c) {
            return c == QChar(0x06CC) ? QChar(0x064A) : c;
        };
        while (!m_ds->isEmpty())
            QVERIFY(m_ds->deleteRow());
        m_grid->setSelectedIndex(2);
        type(QString(QChar(0x06CC)));
        QCOMPARE(m_ds->recordCount(), 1);
        QCOMPARE(m_grid->cellEditor()->text(), QString(QChar(0x064A)));
        // The open cell is named after its column for assistive tools.
        QCOMPARE(m_grid->cellEditor()->accessibleName(), "شرح");
        key(Qt::Key_Escape);
    }

    // A zero-filled code in a narrow column is cut at its start, so that its significant
    // digits show; other texts are cut at their end.
    void zeroFilledCodesShowTheirLastDigits()
    {
        class Recorder : public QProxyStyle
        {
        public:
            QHash<QString, Qt::TextElideMode> painted;
            void drawControl(ControlElement element, const QStyleOption* option, QPainter* p,
                             const QWidget* w) const override
            {
                if (element == CE_ItemViewItem) {
                    const auto* item = static_cast<const QStyleOptionViewItem*>(option);
                    const_cast<Recorder*>(this)->painted.insert(item->text, item->textElideMode);
                }
                QProxyStyle::drawControl(element, option, p, w);
            }
        };
        m_db->execute("UPDATE T SET AmvalDes = '00000000000000000000123' WHERE Raj = 1");
        m_ds->requery();
        Recorder style;
        m_grid->setStyle(&style);
        m_grid->grab();
        QCOMPARE(style.painted.value("00000000000000000000123"), Qt::ElideLeft);
        QCOMPARE(style.painted.value("صندلي", Qt::ElideNone), Qt::ElideRight);
        QCOMPARE(style.painted.value("   101", Qt::ElideNone), Qt::ElideRight);
        m_grid->setStyle(nullptr);
    }

    void walkingTheRowsMovesTheIndicatorWithoutALayout()
    {
        addRows(60);
        m_ds->requery();
        QCoreApplication::processEvents();
        m_grid->layouts = 0;
        // Down through the rows and past the visible ones, Up again: the indicator
        // follows the cursor, the grid is never laid out again.
        for (const Qt::Key k : {Qt::Key_Down, Qt::Key_Up}) {
            for (int i = 0; i < 20; ++i) {
                key(k);
                QCoreApplication::processEvents();
                QCOMPARE(m_grid->model()->headerData(m_ds->currentRow(), Qt::Vertical).toString(),
                         "◀");
                QCOMPARE(m_grid->currentIndex().row(), m_ds->currentRow());
            }
        }
        QCOMPARE(m_ds->recNo(), 1);
        // Editing a row shows in the indicator, still without a layout.
        m_grid->setSelectedIndex(2);
        type("x");
        key(Qt::Key_Return);
        QCOMPARE(m_grid->model()->headerData(0, Qt::Vertical).toString(), "I");
        key(Qt::Key_Escape);
        QCOMPARE(m_ds->state(), DataSet::State::Browse);
        QCoreApplication::processEvents();
        QCOMPARE(m_grid->layouts, 0);
        // A changed title is laid out as before.
        m_grid->column(0).title = "شرح";
        m_grid->dataModel()->refreshColumn(0);
        QCoreApplication::processEvents();
        QVERIFY(m_grid->layouts > 0);
        QCOMPARE(m_grid->model()->headerData(0, Qt::Horizontal).toString(), "شرح");
    }

    void largeResultsAreNotOneWidgetPerRow()
    {
        addRows(100000);
        m_ds->open("Select * From T Order By Raj");
        QCOMPARE(m_grid->model()->rowCount(), 100000);
        const auto widgetsBefore = m_grid->findChildren<QWidget*>().size();
        m_ds->last();
        QCOMPARE(m_grid->currentIndex().row(), 99999);
        QTest::qWait(1);
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(99999, 1)).toString(), "100000");
        QVERIFY(m_grid->findChildren<QWidget*>().size() <= widgetsBefore + 1);
        m_ds->setSort("Raj DESC");
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(0, 0)).toString(), "100000");
        QCOMPARE(m_grid->currentIndex().row(), 0);
    }
};

AMVAL_TEST_MAIN(TestDbGrid)
#include "tst_dbgrid.moc"
