// The data-entry grid as a user drives it with the keyboard and the mouse.

#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "storedcolumn.h"
#include "testplace.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QSqlQuery>
#include <QStyleOptionViewItem>
#include <QtTest>
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
    std::unique_ptr<DbGrid> m_grid;
    // Qt's model checker watches the grid's model through every test: rows typed in,
    // posted, cancelled, inserted, deleted, and the data set sorted and reopened.
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    // Types each character where the keyboard focus would take it: the cell
    // editor once it is open, the grid before.
    void type(const QString& text)
    {
        for (const QChar c : text) {
            QWidget* target =
                m_grid->cellEditor() ? static_cast<QWidget*>(m_grid->cellEditor()) : m_grid.get();
            QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
            target =
                m_grid->cellEditor() ? static_cast<QWidget*>(m_grid->cellEditor()) : m_grid.get();
            QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        }
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QWidget* target =
            m_grid->cellEditor() ? static_cast<QWidget*>(m_grid->cellEditor()) : m_grid.get();
        QTest::keyClick(target, k, m);
    }

private slots:
    void init()
    {
        static int n = 0;
        m_db = m_place.open(QStringLiteral("g%1").arg(++n));
        m_db->execute(QStringLiteral("CREATE TABLE T (Raj INTEGER, DaraCod VARCHAR(6), AmvalDes "
                                     "VARCHAR(100), Koll VARCHAR(3))"));
        m_db->execute(QStringLiteral(
            "INSERT INTO T VALUES (1, '   101', 'ميز', ' 11'), (2, '   102', 'صندلي', ' 11')"));
        m_ds = std::make_unique<DataSet>(m_db.get());
        m_ds->open(QStringLiteral("Select * From T Order By Raj"));
        m_grid = std::make_unique<DbGrid>();
        m_grid->setDataSet(m_ds.get());
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        DbGridColumn raj = DbGridColumn::Make(QStringLiteral("Raj"), QStringLiteral("رديف"), 40);
        DbGridColumn code =
            DbGridColumn::Make(QStringLiteral("DaraCod"), QStringLiteral("دارايي"), 80);
        DbGridColumn des =
            DbGridColumn::Make(QStringLiteral("AmvalDes"), QStringLiteral("شرح"), 210);
        DbGridColumn koll = DbGridColumn::Make(QStringLiteral("Koll"), QStringLiteral("كل"), 30);
        koll.readOnly = true;
        m_grid->setColumns({raj, code, des, koll});
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

    void typingEditsAndLeavingTheRowPostsIt()
    {
        m_grid->setSelectedIndex(2);
        QCOMPARE(m_grid->selectedField()->fieldName(), QStringLiteral("AmvalDes"));
        type(QStringLiteral("ميز تحرير"));
        QVERIFY(m_grid->editorOpen());
        key(Qt::Key_Return);
        QVERIFY(!m_grid->editorOpen());
        QCOMPARE(m_ds->state(), DataSet::State::Edit);
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select AmvalDes From T Where Raj = 1")),
                 QStringList{"ميز"});
        key(Qt::Key_Down);
        QCOMPARE(m_ds->recNo(), 2);
        QCOMPARE(m_ds->state(), DataSet::State::Browse);
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select AmvalDes From T Where Raj = 1")),
                 QStringList{"ميز تحرير"});
        // The cell editor holds no more than the column's declared width.
        m_grid->setSelectedIndex(1);
        type(QStringLiteral("12345678"));
        QCOMPARE(m_grid->cellEditor()->text(), QStringLiteral("123456"));
        key(Qt::Key_Escape);
        QCOMPARE(m_ds->state(), DataSet::State::Browse);
        QCOMPARE(m_ds->fieldByName(QStringLiteral("DaraCod"))->asString(),
                 QStringLiteral("   102"));
    }

    void downPastTheLastRowAppendsAndEscapeCancelsIt()
    {
        m_ds->last();
        key(Qt::Key_Down);
        QCOMPARE(m_ds->recordCount(), 3);
        QCOMPARE(m_ds->state(), DataSet::State::Insert);
        QCOMPARE(m_grid->currentIndex().row(), 2);
        // An untouched new row is not followed by another one.
        key(Qt::Key_Down);
        QCOMPARE(m_ds->recordCount(), 3);
        m_grid->setSelectedIndex(1);
        type(QStringLiteral("103"));
        key(Qt::Key_Escape);
        QCOMPARE(m_ds->recordCount(), 2);
        QCOMPARE(m_ds->state(), DataSet::State::Browse);
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select count(*) From T")), QStringList{"2"});

        key(Qt::Key_Down);
        type(QStringLiteral("103"));
        key(Qt::Key_Up);
        QCOMPARE(StoredColumn(*m_db, "Select DaraCod From T Order By " +
                                         m_db->dialect().rowAddressColumn()),
                 (QStringList{"   101", "   102", "103"}));
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
        type(QStringLiteral("100"));
        key(Qt::Key_Down);
        m_ds->setCurrentRow(0);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(StoredColumn(*m_db, "Select DaraCod From T Order By " +
                                         m_db->dialect().rowAddressColumn()),
                 (QStringList{"   102", "100"}));
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(1, 1)).toString(),
                 QStringLiteral("   102"));
        m_ds->close();
        QCOMPARE(m_grid->model()->rowCount(), 0);
        m_ds->open();
        QCOMPARE(m_grid->model()->rowCount(), 2);
    }

    void aRefusedPostKeepsTheCursorOnTheRow()
    {
        m_ds->beforePost = [](DataSet& d) {
            if (d.fieldByName(QStringLiteral("DaraCod"))->asString().trimmed().isEmpty())
                DataSet::Abort();
        };
        m_grid->setSelectedIndex(1);
        key(Qt::Key_Delete); // no effect by itself
        type(QStringLiteral(" "));
        key(Qt::Key_Return);
        key(Qt::Key_Down);
        QCOMPARE(m_ds->recNo(), 1);
        QCOMPARE(m_grid->currentIndex().row(), 0);
        QCOMPARE(m_ds->state(), DataSet::State::Edit);

        // A database refusal reaches the error hook and the cursor stays too.
        m_db->execute(QStringLiteral("CREATE UNIQUE INDEX T_Code ON T (DaraCod)"));
        QString error;
        m_grid->onError = [&](DbGrid&, const QString& m) { error = m; };
        type(QStringLiteral("   102"));
        key(Qt::Key_Return);
        key(Qt::Key_Down);
        QVERIFY2(error.contains(QStringLiteral("Violation of PRIMARY KEY")), qPrintable(error));
        QCOMPARE(m_grid->currentIndex().row(), 0);
    }

    void readOnlyColumnsHooksAndTitles()
    {
        const QModelIndex koll = m_grid->model()->index(0, 3);
        QVERIFY(!(m_grid->model()->flags(koll) & Qt::ItemIsEditable));
        m_grid->setSelectedIndex(3);
        type(QStringLiteral("9"));
        QVERIFY(!m_grid->editorOpen());
        QCOMPARE(m_ds->state(), DataSet::State::Browse);

        // Editing off: nothing is editable, nothing is appended.
        m_grid->setEditingEnabled(false);
        QVERIFY(!(m_grid->model()->flags(m_grid->model()->index(0, 1)) & Qt::ItemIsEditable));
        m_ds->last();
        key(Qt::Key_Down);
        QCOMPARE(m_ds->recordCount(), 2);
        m_grid->setEditingEnabled(true);

        int titleClicked = -1, doubleClicks = 0;
        m_grid->onTitleClick = [&](DbGrid&, int c) { titleClicked = c; };
        m_grid->onDblClick = [&](DbGrid& g) {
            ++doubleClicks;
            QCOMPARE(g.selectedField()->fieldName(), QStringLiteral("AmvalDes"));
        };
        QHeaderView* header = m_grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        QCOMPARE(titleClicked, 2);
        const QRect cell = m_grid->visualRect(m_grid->model()->index(1, 2));
        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(doubleClicks, 1);
        QCOMPARE(m_ds->recNo(), 2);
        QCOMPARE(m_grid->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("دارايي"));
        QVERIFY(m_grid->isColumnHidden(0) == false);
        m_grid->column(0).visible = false;
        m_grid->applyColumns();
        QVERIFY(m_grid->isColumnHidden(0));
    }

    void databaseFailuresInHandlersAreReportedNotThrown()
    {
        // A rule that looks something up and fails on the database: the user
        // sees the error and the grid keeps working.
        QStringList errors;
        m_grid->onError = [&](DbGrid&, const QString& m) { errors << m; };
        m_ds->beforePost = [this](DataSet&) {
            m_db->execute(QStringLiteral("Select * From Missing"));
        };
        m_grid->onDblClick = [this](DbGrid&) {
            m_db->execute(QStringLiteral("Select * From Missing2"));
        };
        m_grid->setSelectedIndex(2);
        type(QStringLiteral("x"));
        key(Qt::Key_Return);
        key(Qt::Key_Down);
        QCOMPARE(m_grid->currentIndex().row(), 0);
        const QRect cell = m_grid->visualRect(m_grid->model()->index(0, 2));
        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors.at(0).contains(QStringLiteral("Missing")));
        QVERIFY(errors.at(1).contains(QStringLiteral("Missing2")));
        key(Qt::Key_Escape);
        QCOMPARE(m_ds->state(), DataSet::State::Browse);
    }

    void keyHooksFilterAndMapTypedCharacters()
    {
        // Digits only in the code column, and Persian Yeh typed as Arabic Yeh.
        m_grid->onKeyPress = [](DbGrid& g, QChar c) -> QChar {
            if (g.selectedField()->fieldName() == QLatin1String("DaraCod") && !c.isDigit())
                return QChar();
            if (c == QChar(0x06CC))
                return QChar(0x064A);
            return c;
        };
        m_grid->setSelectedIndex(1);
        type(QStringLiteral("1a2b3"));
        QCOMPARE(m_grid->cellEditor()->text(), QStringLiteral("123"));
        key(Qt::Key_Return);
        m_grid->setSelectedIndex(2);
        type(QString(QChar(0x06CC)) + QStringLiteral("x"));
        QCOMPARE(m_grid->cellEditor()->text(), QString(QChar(0x064A)) + QStringLiteral("x"));
        key(Qt::Key_Return);

        bool enterSeen = false;
        m_grid->onKeyDown = [&](DbGrid&, QKeyEvent* e) {
            if (e->key() == Qt::Key_Return) {
                enterSeen = true;
                return true;
            }
            return false;
        };
        key(Qt::Key_Return);
        QVERIFY(enterSeen);
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
        m_db->execute(QStringLiteral("UPDATE T SET AmvalDes = '00000000000000000000123' "
                                     "WHERE Raj = 1"));
        m_ds->requery();
        auto* style = new Recorder;
        m_grid->setStyle(style);
        m_grid->grab();
        QCOMPARE(style->painted.value(QStringLiteral("00000000000000000000123")), Qt::ElideLeft);
        QCOMPARE(style->painted.value(QStringLiteral("صندلي"), Qt::ElideNone), Qt::ElideRight);
        QCOMPARE(style->painted.value(QStringLiteral("   101"), Qt::ElideNone), Qt::ElideRight);
        m_grid->setStyle(nullptr);
        delete style;
    }

    void aGridOfOneTableShowsItsColumnsOnlyAndWritesTheRowUnderTheCursor()
    {
        // Twin rows: the grid takes its columns from the data set's fields (the
        // rows' address is none of them) and a typed change reaches the twin under
        // the cursor.
        m_db->execute(QStringLiteral("INSERT INTO T VALUES (2, '   102', 'صندلي', ' 12')"));
        DataSet twins(m_db.get());
        twins.open(QStringLiteral("Select DaraCod, AmvalDes From T Where Raj = 2 Order By Koll"));
        DbGrid grid;
        grid.setDataSet(&twins);
        QCOMPARE(grid.model()->columnCount(), 2);
        QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("AmvalDes"));
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(twins.recNo(), 2);
        grid.setSelectedIndex(1);
        for (const QChar c : QStringLiteral("دوم"))
            QTest::sendKeyEvent(
                QTest::Click, grid.cellEditor() ? static_cast<QWidget*>(grid.cellEditor()) : &grid,
                Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::keyClick(grid.cellEditor(), Qt::Key_Up);
        QCOMPARE(twins.state(), DataSet::State::Browse);
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select Koll || AmvalDes From T Where Raj = 2 "
                                                    "Order By Koll")),
                 (QStringList{" 11صندلي", " 12دوم"}));
    }

    void walkingTheRowsMovesTheIndicatorWithoutALayout()
    {
        m_db->execute(
            "WITH RECURSIVE n(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
            "INSERT INTO T SELECT i, " +
            m_db->dialect().padLeftExpression("i", 6) + ", 'شرح ' || i, ' 11' FROM n");
        DataSet ds(m_db.get());
        ds.open(QStringLiteral("Select * From T Order By Raj"));
        CountingGrid grid;
        grid.setDataSet(&ds);
        grid.resize(400, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setFocus();
        QCoreApplication::processEvents();
        grid.layouts = 0;
        // Down through the rows and past the visible ones, Up again: the indicator
        // follows the cursor, the grid is never laid out again.
        for (const Qt::Key k : {Qt::Key_Down, Qt::Key_Up}) {
            for (int i = 0; i < 20; ++i) {
                QTest::keyClick(&grid, k);
                QCoreApplication::processEvents();
                QCOMPARE(grid.model()->headerData(ds.currentRow(), Qt::Vertical).toString(),
                         QStringLiteral("◀"));
                QCOMPARE(grid.currentIndex().row(), ds.currentRow());
            }
        }
        QCOMPARE(ds.recNo(), 1);
        // Editing a row shows in the indicator, still without a layout.
        grid.setSelectedIndex(2);
        QTest::keyClicks(&grid, QStringLiteral("x"));
        QTest::keyClick(grid.cellEditor(), Qt::Key_Return);
        QCOMPARE(grid.model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("I"));
        QTest::keyClick(&grid, Qt::Key_Escape);
        QCOMPARE(ds.state(), DataSet::State::Browse);
        QCoreApplication::processEvents();
        QCOMPARE(grid.layouts, 0);
        // A changed title is laid out as before.
        grid.column(0).title = QStringLiteral("رديف");
        grid.dataModel()->refreshColumn(0);
        QCoreApplication::processEvents();
        QVERIFY(grid.layouts > 0);
        QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("رديف"));
    }

    void largeResultsAreNotOneWidgetPerRow()
    {
        m_db->execute(
            "WITH RECURSIVE n(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
            "INSERT INTO T SELECT i, " +
            m_db->dialect().padLeftExpression("i", 6) + ", 'شرح ' || i, ' 11' FROM n");
        m_ds->open(QStringLiteral("Select * From T Order By Raj"));
        QCOMPARE(m_grid->model()->rowCount(), 100000);
        const int widgetsBefore = int(m_grid->findChildren<QWidget*>().size());
        m_ds->last();
        QCOMPARE(m_grid->currentIndex().row(), 99999);
        QTest::qWait(1);
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(99999, 1)).toString(),
                 QStringLiteral("100000"));
        QVERIFY(int(m_grid->findChildren<QWidget*>().size()) <= widgetsBefore + 1);
        m_ds->setSort(QStringLiteral("Raj DESC"));
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(0, 0)).toString(),
                 QStringLiteral("100000"));
        QCOMPARE(m_grid->currentIndex().row(), 0);
    }
};

QTEST_MAIN(TestDbGrid)
#include "tst_dbgrid.moc"
