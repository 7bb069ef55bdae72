// The host's pick-list window as a user meets it: it stands on the current value,
// sorts by a title click, searches as the user types, and ends with 1 on a choice
// and 2 without one.

#include "commandquery.h"
#include "context/tempgridform.h"
#include "dbgrid.h"
#include "demohost.h"
#include "persiantext.h"
#include "sqlcheck.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"
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
        QVERIFY_SQL(m_host->exec(QStringLiteral("Insert Into \"##pick\" Values ('  3', 'پيچ', 7), "
                                                "('  1', 'اره', 7), (' 12', 'ميز', 7), "
                                                "('  2', 'تراش', 7), (' 21', 'بالابر', 7), "
                                                "('  7', 'كيف', 7)")));
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

    // Typed on a Persian keyboard as well (its digits: the padded codes' case), its Kaf
    // and Yeh find the names stored with the Arabic letters, and Enter chooses what was
    // found.
    void typingSearchesTheSortedColumn()
    {
        // A title click sorts by that column and the search follows it.
        ClickTitle(m_form->dbgTemp, 1);
        QCOMPARE(m_form->SearchField(), "Nam");
        QCOMPARE(m_form->SearchText(), QString());
        QCOMPARE(current("Code"), "  2"); // stays on the row
        m_form->quTemp->first();
        QCOMPARE(current("Nam"), "اره");
        type("ت");
        QCOMPARE(current("Code"), "  2");
        ClickTitle(m_form->dbgTemp, 1);
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

        // In a list searched by its codes a search begun with a letter searches the
        // names; one begun with a digit there, the codes again.
        openForm("Select * From \"##pick\" Order By Code", "2");
        type("ب");
        QCOMPARE(m_form->SearchField(), "Nam");
        QCOMPARE(current("Code"), " 21");
        QTest::keyClick(m_form->dbgTemp, Qt::Key_Backspace);
        type("۱۲");
        QCOMPARE(m_form->SearchField(), "Code");
        QCOMPARE(current("Nam"), "ميز");
    }

    // Codes stored right-aligned in their width, every seventh without its padding (as
    // other programs write them), in a list longer than the rows read at a time.
    // Opened without a value (a new row's empty cell) it stands on its first row with
    // its first screens read and no more; Ctrl+End stands on its last row at the first
    // press, Ctrl+Home on its first. Typed digits, Persian or not, find the first code
    // in the list's order whose digits start so, as reading the list from its top finds
    // it; digits no code starts with leave the list where it stands and are not kept.
    // Moved off its match, a longer text is searched from the top again. So also on a
    // server database in a language's order, where codes are not ranges of the order
    // (the engine is asked row by row there).
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
        // Distinct codes of one to six digits.
        const QString digits = QStringLiteral(
            "CAST(CASE WHEN i < 10 THEN i ELSE i * 7919 % 1000000 END AS VARCHAR(6))");
        QVERIFY_SQL(db->execute(
            "Insert Into \"##codes\" With Recursive N(i) As (Select 1 Union All Select i + 1 "
            "From N Where i < 2600) Select CASE WHEN i % 7 = 0 THEN " +
            digits + " ELSE " + db->dialect().padLeftExpression(digits, 6) + " END, 'کد' From N"));
        const QString sql = QStringLiteral("Select * From \"##codes\" Order By Code");
        const QStringList ordered = StoredColumn(*db, sql);
        openForm(sql, QString(), db);
        QVERIFY(m_form->quTemp->chunked());
        QCOMPARE(current("Code"), ordered.first());
        QVERIFY2(m_form->quTemp->rowsKnown() < 1000,
                 qPrintable(QString::number(m_form->quTemp->rowsKnown())));
        QTest::keyClick(m_form->dbgTemp, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(current("Code"), ordered.last());
        QCOMPARE(m_form->dbgTemp->currentIndex().row(), ordered.size() - 1);
        QTest::keyClick(m_form->dbgTemp, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(current("Code"), ordered.first());
        // A digit extends the text searched when a code starts so, and is dropped when
        // none does (a seventh one always); Backspace searches the shorter text from the
        // top again. Arabic-Indic digits too.
        const auto firstWith = [&](const QString& digits) {
            return std::find_if(ordered.begin(), ordered.end(),
                                [&](const QString& c) { return c.trimmed().startsWith(digits); });
        };
        for (const QString digits : {"1", "۱۰", "3", "39", "395", "۹", "99", "7919", "0", "5",
                                     "1234567", "\u0662\u0669"}) {
            QString kept;
            for (const QChar c : LatinDigits(digits)) {
                if (firstWith(kept + c) != ordered.end())
                    kept += c;
            }
            const QString found = kept.isEmpty() ? current("Code") : *firstWith(kept);
            type(digits);
            QCOMPARE(current("Code"), found);
            QCOMPARE(m_form->dbgTemp->currentIndex().row(), ordered.indexOf(found));
            QCOMPARE(m_form->SearchText(), kept);
            QTest::keyClick(m_form->dbgTemp, Qt::Key_Backspace);
            if (kept.size() > 1)
                QCOMPARE(current("Code"), *firstWith(kept.chopped(1)));
            for (qsizetype i = 1; i < digits.size(); ++i)
                QTest::keyClick(m_form->dbgTemp, Qt::Key_Backspace);
        }
        // Codes of no declared width are searched as texts, from the row a shorter text
        // found while the list stands on it.
        openForm("Select Code || '' As Code From \"##codes\" Order By Code", QString(), db);
        type("39x");
        QCOMPARE(m_form->SearchText(), "39");
        const QString on = current("Code");
        QVERIFY(on.trimmed().size() > 2);
        QTest::keyClick(m_form->dbgTemp, Qt::Key_Down);
        type(on.trimmed().mid(2, 1));
        QCOMPARE(current("Code"), on);
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
