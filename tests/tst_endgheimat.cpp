// The cost components window as the purchase window uses it: amounts typed with the
// keyboard alone and stored in the components table, cancel, the key filter, rows
// never added, its menu and frame; and the grid as tab-separated text.

#include "commandquery.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "demohost.h"
#include "dialect.h"
#include "endgheimatunit.h"
#include "gridexport.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "uitest.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

const QString kOpenSql =
    "Select * From \"##T1R\" Where SanadNoAmval = '     7' And DaraCod = '   101'";

} // namespace

class TestEndGheimat : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    std::unique_ptr<TEndGheimatForm> m_form;

    // The components table as the purchase window keeps it: three components of asset
    // 101 in voucher 7, and one of another asset that the window must not touch.
    void makeTable(const QString& valueRule = QString())
    {
        const Dialect& dialect = m_host->db().dialect();
        dialect.dropTempTable("##T1R");
        m_host->exec(dialect.createTempTable("##T1R") +
                     " (SanadNoAmval Varchar(6), DaraCod Varchar(6), GheimatCod Varchar(2), "
                     "GheimatNam Varchar(50), sValue Float" +
                     valueRule + ")");
        m_host->exec(QStringLiteral(
            "Insert Into \"##T1R\" Values ('     7', '   101', ' 1', 'بهاي خريد', 0), "
            "('     7', '   101', ' 2', 'حمل و نقل', 0), ('     7', '   101', ' 3', 'نصب', 0), "
            "('     7', '   102', ' 1', 'بهاي خريد', 40)"));
    }
    void openForm(const QString& sql = kOpenSql)
    {
        m_form = std::make_unique<TEndGheimatForm>(&m_host->owner);
        m_form->quGheimat->setConnection(&m_host->db());
        m_form->quGheimat->open(sql);
    }
    QWidget* focused() const { return m_form->focusWidget(); }
    // Each character goes where the keyboard is: the grid, then its cell editor.
    void type(const QString& text)
    {
        TypeText([this] { return focused(); }, text);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(focused(), k, m); }
    QList<double> stored(const QString& asset = "   101")
    {
        QList<double> values;
        for (const QString& value : StoredColumn(
                 m_host->db(), "Select sValue From \"##T1R\" Where DaraCod = ? Order By GheimatCod",
                 {asset}))
            values << value.toDouble();
        return values;
    }
    QString focusName() const { return focused() ? focused()->objectName() : QString(); }
    int valueColumn() const { return m_form->dbgGheimat->columnOf("sValue"); }
    int row() const { return m_form->quGheimat->currentRow(); }
    // The amount row `r` shows.
    QString shown(int r) const
    {
        return m_form->dbgGheimat->model()->index(r, valueColumn()).data().toString();
    }

private slots:
    void initTestCase() { m_host = std::make_unique<DemoHost>(10); }
    void init()
    {
        makeTable();
        m_host->exec("Delete From Grid_State Where sForm = 'GHEIMAT'");
        m_host->dlgMsg->shown.clear();
        m_host->global.CopyPermission.clear();
        m_host->global.PrintPermission.clear();
    }
    void cleanup() { m_form.reset(); }

    // The keyboard alone: the amount takes digits and one point only (Persian digits and
    // the Arabic decimal separator too); Enter (the keypad's too) and Down walk the rows,
    // Enter on a component's name goes to its amount, after the last row Enter reaches OK
    // and saves there. Rows are never added or removed. A save the database refuses keeps
    // the window open, tells why and leaves the keyboard in the grid; the amounts typed
    // then are stored.
    void typedAmountsAreWalkedAndStored()
    {
        makeTable(" Check (sValue < 2000000)");
        openForm();
        const int result = RunModal(m_form.get(), [&] {
            // The keyboard starts on the first amount; a letter there opens nothing.
            QCOMPARE(focusName(), "dbgGheimat");
            QCOMPARE(row(), 0);
            QCOMPARE(m_form->dbgGheimat->selectedIndex(), valueColumn());
            type("x");
            QVERIFY(!m_form->dbgGheimat->editorOpen());
            type("5000000");
            QTest::mouseClick(m_form->OkBitBtn, Qt::LeftButton);
            QVERIFY(m_form->isVisible());
            QCOMPARE(m_host->dlgMsg->shown.size(), 1);
            QCOMPARE(m_host->dlgMsg->shown.first().icon, "I_Error");
            QVERIFY(!m_host->dlgMsg->shown.first().text.isEmpty());
            QCOMPARE(focusName(), "dbgGheimat");
            type("12ab,3.4.5-");
            QCOMPARE(m_form->dbgGheimat->cellEditor()->text(), "123.45");
            QTest::keyClick(focused(), Qt::Key_Backspace);
            key(Qt::Key_Return);
            QCOMPARE(row(), 1);
            QCOMPARE(m_form->dbgGheimat->selectedIndex(), valueColumn());
            m_form->dbgGheimat->setSelectedIndex(1);
            key(Qt::Key_Enter, Qt::KeypadModifier);
            QCOMPARE(m_form->dbgGheimat->selectedIndex(), valueColumn());
            QCOMPARE(row(), 1);
            type("۴۰۰٫۲۵");
            QCOMPARE(m_form->dbgGheimat->cellEditor()->text(), "400.25");
            key(Qt::Key_Down);
            QCOMPARE(row(), 2);
            type("1500000");
            key(Qt::Key_Down); // past the last row: the amount is kept, no row comes
            key(Qt::Key_Insert);
            QCOMPARE(m_form->quGheimat->recordCount(), 3);
            QCOMPARE(m_form->dbgGheimat->model()->rowCount(), 3);
            QVERIFY(!m_form->quGheimat->deleteRow());
            QCOMPARE(row(), 2);
            key(Qt::Key_Return);
            QCOMPARE(focusName(), "OkBitBtn");
            QCOMPARE(shown(0), "123.4");
            QCOMPARE(shown(2), "1,500,000");
            key(Qt::Key_Return);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(stored(), QList<double>({123.4, 400.25, 1500000.0}));
        QCOMPARE(stored("   102").first(), 40.0);
        QCOMPARE(m_host->scalar("Select Count(*) From \"##T1R\""), "4");
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);
    }

    void cancelAndEscapeLeaveWithoutTheEdit()
    {
        // Cancel and the close button leave at once; Escape in the cell drops the cell
        // and keeps the window, a second one leaves.
        openForm();
        for (QWidget* button :
             std::initializer_list<QWidget*>{m_form->CancelBitBtn, m_form->sb_Closed}) {
            const int result = RunModal(m_form.get(), [&] {
                type("999");
                QTest::mouseClick(button, Qt::LeftButton);
            });
            QCOMPARE(result, int(QDialog::Rejected));
            QCOMPARE(stored(), QList<double>({0.0, 0.0, 0.0}));
            QCOMPARE(m_form->quGheimat->fieldByName("sValue")->asFloat(), 0.0);
        }
        const int result = RunModal(m_form.get(), [&] {
            type("5");
            key(Qt::Key_Escape);
            QVERIFY(m_form->isVisible());
            QVERIFY(!m_form->dbgGheimat->editorOpen());
            QCOMPARE(m_form->quGheimat->state(), DataSet::State::Browse);
            type("7");
            m_form->dbgGheimat->commitEditor();
            QCOMPARE(m_form->quGheimat->state(), DataSet::State::Edit);
            key(Qt::Key_Escape);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(m_form->quGheimat->state(), DataSet::State::Browse);
        QCOMPARE(stored(), QList<double>({0.0, 0.0, 0.0}));
    }

    // Shown centred on its owner, its outline shaped, the user's stored layout applied
    // and the keyboard on the amount. The menu lists its items and copies the grid; the
    // copy and print rights are read each time it opens. Its shortcuts work from the
    // grid and from its cell editor: help, the layout saved, no print without the right.
    void layoutMenuAndShortcutsFromTheGridAndItsEditor()
    {
        m_host->exec(QStringLiteral(
            "Insert Into Grid_State(UserId, sVisible, sProg, sItem, sForm, sPart, sColName, "
            "iLen, iRaj) Values ('1', 'T', 'D', 'ASNAD', 'GHEIMAT', '', 'sValue', 150, 0), "
            "('1', 'F', 'D', 'ASNAD', 'GHEIMAT', '', 'GheimatCod', 40, 1)"));
        m_host->owner.setGeometry(100, 100, 800, 600);
        openForm();
        RunModal(m_form.get(), [&] {
            QCOMPARE(m_form->geometry().center(), m_host->owner.geometry().center());
            QVERIFY(!m_form->mask().contains(QPoint(0, 0)));
            DbGrid* grid = m_form->dbgGheimat;
            QCOMPARE(grid->columns().at(0).fieldName, "sValue");
            QCOMPARE(grid->columnWidth(0), 150);
            QVERIFY(grid->isColumnHidden(grid->columnOf("GheimatCod")));
            QCOMPARE(focusName(), "dbgGheimat");
            QCOMPARE(grid->selectedIndex(), 0);

            // An item of the menu the right mouse button opens on the grid.
            const auto menuClick = [&](QAction* item) {
                return ClickMenuItem(grid->viewport(), QPoint(20, 10), m_form->PopupMenu, item);
            };
            QVERIFY(menuClick(m_form->miClipboard));
            for (const QAction* a : m_form->PopupMenu->actions())
                QVERIFY2(a->isEnabled(), qPrintable(a->text()));
            QCOMPARE(QGuiApplication::clipboard()->text(), GridAsText(grid));
            m_host->global.CopyPermission = "NO";
            QVERIFY(!menuClick(m_form->miClipboard) && !m_form->miClipboard->isEnabled());
            QVERIFY(m_form->miPrint->isEnabled());
            m_host->global.PrintPermission = "NO";
            QVERIFY(!menuClick(m_form->miPrint) && !m_form->miPrint->isEnabled());

            key(Qt::Key_F1);
            type("1");
            key(Qt::Key_G, Qt::ControlModifier);
            key(Qt::Key_P, Qt::ControlModifier);
            key(Qt::Key_Escape);
        });
        QCOMPARE(ShownTexts(*m_host),
                 (QStringList{TEndGheimatForm::HelpText, "وضعيت ستونها ثبت شد."}));
        QCOMPARE(m_host->dlgMsg->shown.at(0).icon, "I_Info");
        QCOMPARE(m_host->scalar("Select Count(*) From Grid_State Where UserId = '1' And "
                                "sProg = 'D' And sItem = 'ASNAD' And sForm = 'GHEIMAT'"),
                 "3");

        // Without rows there is no layout to save.
        openForm("Select * From \"##T1R\" Where DaraCod = 'none'");
        RunModal(m_form.get(), [&] {
            QCOMPARE(focusName(), "OkBitBtn");
            m_form->dbgGheimat->setFocus();
            key(Qt::Key_G, Qt::ControlModifier);
        });
        QCOMPARE(m_host->dlgMsg->shown.size(), 2);
    }

    void gridAsTextTakesVisibleColumnsAndEditTexts()
    {
        const Dialect& dialect = m_host->db().dialect();
        dialect.dropTempTable("##TX");
        m_host->exec(dialect.createTempTable("##TX") +
                     " (Code Varchar(3), Extra Varchar(5), Nam Varchar(30), Mablag Float)");
        m_host->exec(QStringLiteral("Insert Into \"##TX\" Values (' 1', 'a', 'پيچ', 1500000), "
                                    "(' 2', 'b', 'مهره', NULL), (' 3', 'c', 'اره', 12.5)"));
        DataSet data(&m_host->db());
        DbGrid grid;
        grid.setDataSet(&data);
        QCOMPARE(GridAsText(&grid), QString());
        DbGridColumn extra = DbGridColumn::Make("Extra", "اضافه", 40);
        extra.visible = false;
        grid.setColumns({DbGridColumn::Make("Code", "كد", 40), extra,
                         DbGridColumn::Make("Nam", "نام", 100),
                         DbGridColumn::Make("Mablag", "مبلغ", 90)});
        data.open("Select * From \"##TX\" Order By Code");
        data.fieldByName("Mablag")->setDisplayFormat("###,###,###,###");
        const QString header = "كد\tنام\tمبلغ\t  \n";
        QCOMPARE(GridAsText(&grid),
                 header + " 1\tپيچ\t1500000\t  \n" + " 2\tمهره\t\t  \n" + " 3\tاره\t12.5\t  \n");

        // The user's row and pending edit stay as they were; an untouched new row is
        // no data.
        data.setCurrentRow(1);
        data.fieldByName("Nam")->setValue("مهره بزرگ");
        QVERIFY(GridAsText(&grid).contains("\n 2\tمهره بزرگ\t\t  \n"));
        QCOMPARE(data.currentRow(), 1);
        QCOMPARE(data.state(), DataSet::State::Edit);
        data.cancel();
        data.append();
        QCOMPARE(GridAsText(&grid).count(QLatin1Char('\n')), 4);
        data.cancel();

        data.open("Select * From \"##TX\" Where Code = 'none'");
        QCOMPARE(GridAsText(&grid), header);
    }
};

AMVAL_TEST_MAIN(TestEndGheimat)
#include "tst_endgheimat.moc"
