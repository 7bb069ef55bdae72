// The host's pick-list window as a user meets it: it stands on the current value,
// sorts by a title click, searches as the user types, and ends with 1 on a choice
// and 2 without one.

#include "commandquery.h"
#include "context/tempgridform.h"
#include "dbgrid.h"
#include "persiantext.h"
#include "demohost.h"
#include "sqlcheck.h"
#include "storedcolumn.h"
#include "testplace.h"
#include "testmain.h"
#include "uitest.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

class TestTempGridForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    std::unique_ptr<TTempGridForm> m_form;

    QString current(const QString& field) const
    {
        return m_form->quTemp->fieldByName(field)->asString();
    }
    void type(const QString& text) { TypeText(m_form->dbgTemp, text); }

private slots:
    void initTestCase()
    {
        m_host = std::make_unique<DemoHost>(10);
        QVERIFY_SQL(m_host->exec(QStringLiteral(
            "Create Temp Table \"##pick\" (Code Varchar(3), Nam Varchar(50), Hidden Integer)")));
        const QStringList rows{"  3|پيچ",  "  1|اره",    " 12|ميز",
                               "  2|تراش", " 21|بالابر", "  7|كيف"};
        for (const QString& r : rows)
            QVERIFY_SQL(m_host->exec(
                QString("Insert Into \"##pick\" Values ('%1', '%2', 7)")
                    .arg(r.section(QLatin1Char('|'), 0, 0), r.section(QLatin1Char('|'), 1))));
    }
    void openForm(const QString& sql, const QString& current, DbConnection* db = nullptr)
    {
        m_form = std::make_unique<TTempGridForm>();
        m_form->SetList({"انتخاب", sql, {}, {"كد", "نام"}, {40, 200}, "Code", {{"Code", current}}},
                        db != nullptr ? db : &m_host->db());
        m_form->open();
        QVERIFY(m_form->isVisible());
    }
    void init() { openForm("Select * From \"##pick\" Order By Code", "2"); }
    void cleanup() { m_form.reset(); }

    // Typed on a Persian keyboard as well: its digits find the codes, its Kaf and Yeh
    // find the names stored with the Arabic letters, and Enter chooses what was found.
    void typingSearchesTheSortedColumn()
    {
        // Each step's keys ("\b" Backspace), then the row found and the text searched.
        for (const auto& [keys, code, searched] : {std::tuple{"۱", "  1", "1"},
                                                   {"2", " 12", "12"},
                                                   {"9", " 12", "12"}, // finds nothing: not kept
                                                   {"\b", "  1", "1"},
                                                   {"\b\u0662", "  2", "2"}, // Arabic-Indic 2
                                                   {"\b1", "  1", "1"}}) {
            for (const QChar c : QString(keys)) {
                if (c == u'\b')
                    QTest::keyClick(m_form->dbgTemp, Qt::Key_Backspace);
                else
                    type(c);
            }
            QCOMPARE(current("Code"), code);
            QCOMPARE(m_form->SearchText(), searched);
        }

        // A title click sorts by that column and the search follows it.
        emit m_form->dbgTemp->horizontalHeader()->sectionClicked(1);
        QCOMPARE(m_form->SearchField(), "Nam");
        QCOMPARE(m_form->SearchText(), QString());
        QCOMPARE(current("Code"), "  1"); // stays on the row
        m_form->quTemp->first();
        QCOMPARE(current("Nam"), "اره");
        type("ت");
        QCOMPARE(current("Code"), "  2");
        emit m_form->dbgTemp->horizontalHeader()->sectionClicked(1);
        m_form->quTemp->first();
        QCOMPARE(current("Nam"), "ميز");
        type("کی");
        QCOMPARE(current("Nam"), "كيف");
        // Enter chooses, Escape leaves without a choice; either closes the list.
        QTest::keyClick(m_form->dbgTemp, Qt::Key_Return);
        QCOMPARE(m_form->result(), int(TTempGridForm::mrChosen));
        QVERIFY(!m_form->isVisible());
        QCOMPARE(current("Code"), "  7");
        m_form->open();
        QTest::keyClick(m_form->dbgTemp, Qt::Key_Escape);
        QCOMPARE(m_form->result(), int(TTempGridForm::mrCancel));
        QVERIFY(!m_form->isVisible());
        // A list never grows a row.
        m_form->open();
        m_form->quTemp->last();
        QTest::keyClick(m_form->dbgTemp, Qt::Key_Down);
        QCOMPARE(m_form->quTemp->recordCount(), 6);
    }

    // A list longer than the rows read at a time: Ctrl+End stands on its last row at
    // the first press, Ctrl+Home on its first; typing finds the first code that
    // starts so, Persian digits as digits, and a key that finds nothing is not kept.
    void aLongListIsWalkedAndSearched()
    {
        QVERIFY_SQL(m_host->exec(QStringLiteral(
            "Create Temp Table \"##long\" As With Recursive N(i) As (Select 1 Union All "
            "Select i + 1 From N Where i < 2500) Select Cast(10000 + i As Varchar(5)) As Code, "
            "'ردیف' As Nam From N")));
        // Opened without a value (a new row's empty cell): on its first row, with its
        // first screens read and no more.
        openForm("Select * From \"##long\" Order By Code", "");
        QVERIFY(m_form->quTemp->chunked());
        QCOMPARE(current("Code"), "10001");
        QVERIFY2(m_form->quTemp->rowsKnown() < 1000,
                 qPrintable(QString::number(m_form->quTemp->rowsKnown())));
        openForm("Select * From \"##long\" Order By Code", "10001");
        QVERIFY(m_form->quTemp->chunked());
        QTest::keyClick(m_form->dbgTemp, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(current("Code"), "12500");
        QCOMPARE(m_form->dbgTemp->currentIndex().row(), 2499);
        QTest::keyClick(m_form->dbgTemp, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(current("Code"), "10001");
        type("۱۲۴");
        QCOMPARE(current("Code"), "12400");
        QCOMPARE(m_form->dbgTemp->currentIndex().row(), 2399);
        type("7");
        QCOMPARE(current("Code"), "12470");
        type("x");
        QCOMPARE(m_form->SearchText(), "1247");
        QCOMPARE(current("Code"), "12470");
        // Moved off the match, a longer text is searched from the top again.
        QTest::keyClick(m_form->dbgTemp, Qt::Key_Down);
        QCOMPARE(current("Code"), "12471");
        type("0");
        QCOMPARE(current("Code"), "12470");
    }

    // Codes stored right-aligned in their width, every seventh without its padding (as
    // other programs write them), in a list longer than the rows read at a time:
    // typed digits, Persian or not, find the first code in the list's order whose
    // digits start so, as reading the list from its top finds it; digits no code
    // starts with leave the list where it stands. So also on a server database in a
    // language's order, where codes are not ranges of the order (the engine is asked
    // row by row there).
    void codesAreFoundWhateverTheirPadding_data()
    {
        QTest::addColumn<QString>("collation");
        QTest::addColumn<bool>("byCode");
        QTest::newRow("the place's own order") << QString() << true;
        QTest::newRow("Persian by the server's ICU")
            << QStringLiteral(" TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE 'fa-IR'")
            << false;
    }
    void codesAreFoundWhateverTheirPadding()
    {
        QFETCH(QString, collation);
        QFETCH(bool, byCode);
        std::unique_ptr<TestPlace> place;
        std::unique_ptr<DbConnection> own;
        DbConnection* db = &m_host->db();
        if (!collation.isEmpty()) {
            if (!TestPlace::OnServer())
                QSKIP("a database's collation is the server's");
            place = std::make_unique<TestPlace>(collation);
            own = place->open(QStringLiteral("codes"));
            QVERIFY(own->isOpen());
            db = own.get();
        }
        QCOMPARE(db->dialect().ordersTextByCode(), byCode);
        QVERIFY_SQL(db->execute(
            QStringLiteral("Create Temp Table \"##codes\" (Code Varchar(6), Nam Varchar(20))")));
        QVariantList codes;
        for (int i = 1; i <= 2600; ++i) {
            // Distinct codes of one to six digits.
            const QString digits = QString::number(i < 10 ? i : i * 7919 % 1000000);
            codes << (i % 7 == 0 ? digits : digits.rightJustified(6, QLatin1Char(' ')));
        }
        for (qsizetype at = 0; at < codes.size(); at += 200) {
            const QVariantList part = codes.mid(at, 200);
            QStringList rows(part.size(), QStringLiteral("(?, 'کد')"));
            QVERIFY_SQL(db->execute(QStringLiteral("Insert Into \"##codes\" Values ") +
                                        rows.join(QStringLiteral(", ")),
                                    part));
        }
        const QString sql = QStringLiteral("Select * From \"##codes\" Order By Code");
        const QStringList ordered = StoredColumn(*db, sql);
        openForm(sql, QString(), db);
        QVERIFY(m_form->quTemp->chunked());
        for (const QString digits : {"1", "۱۰", "3", "39", "395", "۹", "99", "7919", "0", "5"}) {
            const QString wanted = LatinDigits(digits);
            QString found = current("Code");
            for (const QString& code : ordered) {
                if (code.trimmed().startsWith(wanted)) {
                    found = code;
                    break;
                }
            }
            type(digits);
            QCOMPARE(current("Code"), found);
            for (qsizetype i = 0; i < digits.size(); ++i)
                QTest::keyClick(m_form->dbgTemp, Qt::Key_Backspace);
        }
        m_form.reset();
    }

    // The list stands on the current value, its hidden column hidden. A width given
    // too narrow for the font in use is widened to show the title and the texts whole;
    // one wide enough is kept.
    void columnsWidenToTheirTitleAndTexts()
    {
        QCOMPARE(current("Code"), "  2");
        QVERIFY(m_form->dbgTemp->isColumnHidden(2));
        TPickList list = m_form->List();
        list.widths = {40, 20};
        list.titles = {"كد", "وضعيت دارايي"};
        m_form->SetList(list, &m_host->db());
        m_form->OpenList();
        const QFontMetrics cells = m_form->dbgTemp->fontMetrics();
        const QFontMetrics titles = m_form->dbgTemp->horizontalHeader()->fontMetrics();
        // (the last column also stretches to the window: read the width it was given)
        const int width = m_form->dbgTemp->columns().at(1).width;
        QVERIFY(width > cells.horizontalAdvance("بالابر"));
        QVERIFY(width > titles.horizontalAdvance("وضعيت دارايي"));
        QCOMPARE(m_form->dbgTemp->horizontalHeader()->sectionSize(0), 40);

        // Narrow columns take at least what their title bar allows (with the Persian
        // fonts about 90, the widest glyph); the window is wide enough for them and the
        // long last one without scrolling sideways.
        m_form->dbgTemp->horizontalHeader()->setMinimumSectionSize(90);
        list.sql = "Select Code, Code As C2, Code As C3, Code As C4, Nam From \"##pick\" Order "
                   "By Code";
        list.widths = {4, 4, 4, 4, 300};
        list.titles = {"ك", "ك", "ك", "ك", "نام"};
        m_form->SetList(list, &m_host->db());
        m_form->OpenList();
        QCoreApplication::processEvents();
        QCOMPARE(m_form->dbgTemp->horizontalScrollBar()->maximum(), 0);
    }
};

AMVAL_TEST_MAIN(TestTempGridForm)
#include "tst_tempgridform.moc"
