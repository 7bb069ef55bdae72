// The sibling dialog libraries, loaded from the application folder as the module
// loads them, and driven through the object names of their dialogs as a user would.

#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "printdocument.h"
#include "siblingapi.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"
#include "uitest.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <QtWidgets> // the dialogs' widgets, found by their object names
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace {

// Plays the user: answers each message box as it appears (recording its text); the
// library's dialogs themselves are driven by steps given to WhenModal.
class User : public QObject
{
public:
    QStringList messages;
    QStringList answers; // button names for the next questions; otherwise the default button

    User()
    {
        m_boxes.callOnTimeout(this, [this] { answerBox(); });
        m_boxes.start(5);
    }

private:
    void answerBox()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        // A deep copy: a text written into the library may not outlive its unloading.
        const QString text = box->text();
        messages << QString(text.constData(), text.size());
        QAbstractButton* button = box->defaultButton();
        if (box->icon() == QMessageBox::Question && !answers.isEmpty())
            button = box->findChild<QPushButton*>(answers.takeFirst());
        button->click();
    }

    QTimer m_boxes;
};

template <typename T> T* Find(QWidget* dialog, const char* name)
{
    T* w = dialog->findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("%s has no %s", qPrintable(dialog->objectName()), name);
    return w;
}

void Choose(QWidget* dialog, const char* combo, const QString& dataOrText)
{
    auto* box = Find<QComboBox>(dialog, combo);
    const int i = box->findData(dataOrText);
    box->setCurrentIndex(i >= 0 ? i : box->findText(dataOrText));
    if (box->currentIndex() < 0)
        qFatal("%s has no item %s", combo, qPrintable(dataOrText));
}

// Picks a field and an operator in the filter form and types the value, if any.
void Condition(QWidget* dialog, const QString& field, const QString& op, const QString& value = {})
{
    Choose(dialog, "cbField", field);
    Choose(dialog, "cbOperator", op);
    if (!value.isEmpty())
        Find<QLineEdit>(dialog, "edValue")->setText(value);
}

void Click(QWidget* dialog, const char* button)
{
    Find<QAbstractButton>(dialog, button)->click();
}

// Loads a library for one call, as the module does.
template <typename Proc, typename... Args>
bool Call(const char* library, const char* name, Args... args)
{
    QLibrary lib(QCoreApplication::applicationDirPath() + "/DLLs/GlobalForms/" + library + ".so");
    auto proc = reinterpret_cast<Proc>(lib.resolve(name)); // loads the library
    if (!proc) {
        qWarning("%s", qPrintable(lib.errorString()));
        return false;
    }
    proc(args...);
    lib.unload();
    return true;
}

} // namespace

class TestSiblings : public QObject
{
    Q_OBJECT

    TestPlace m_place;
    std::unique_ptr<DbConnection> m_db;
    std::unique_ptr<DataSet> m_ds;
    std::unique_ptr<DbGrid> m_grid;
    std::unique_ptr<User> m_user;
    const QString m_none; // the host's texts a library takes and these calls leave empty

    // The trimmed codes of a statement's rows; without one, of the grid's rows as they stand.
    QStringList codes(const QString& sql = {})
    {
        DataSet rows(m_db.get());
        if (!sql.isEmpty())
            rows.open(sql);
        return FieldTexts(sql.isEmpty() ? *m_ds : rows, "Code");
    }
    int count(const QString& table)
    {
        return StoredColumn(*m_db, "SELECT COUNT(*) FROM " + table).value(0).toInt();
    }
    // The filter form's statement after `step` and a click on `button`.
    QString filter(const std::function<void(QWidget*)>& step, const char* button = "btnOk")
    {
        QString result;
        const QString statement = m_ds->sql(), extra;
        bool shown = false;
        WhenModal<QDialog>([step, button, &shown](QWidget* d) {
            shown = true;
            if (step)
                step(d);
            Click(d, button);
        });
        const bool called = Call<ShowFilterProc>("Filter", "ShowFilter", nullptr, nullptr, nullptr,
                                                 m_ds.get(), &statement, &extra, &result);
        return called && shown ? result : QString("(not called)");
    }
private slots:
    void init()
    {
        static int n = 0;
        m_db = m_place.open(QString("s%1").arg(++n));
        m_db->execute("CREATE TABLE Assets (Code VARCHAR(6), Des VARCHAR(100), Fee FLOAT, "
                      "Qty INTEGER, Mobile VARCHAR(15))");
        m_db->execute("INSERT INTO Assets VALUES ('   101', 'ميز', 1500000, 2, '09120000001'),"
                      " ('   102', 'صندلي O''Neil', 250000.5, 10, ''),"
                      " ('   103', 'کامپيوتر', 42000000, 1, '09120000003'),"
                      " ('   104', 'ميز بزرگ', 3000000, 1, NULL)");
        m_ds = std::make_unique<DataSet>(m_db.get());
        m_ds->open("SELECT * FROM Assets ORDER BY Code");
        m_grid = std::make_unique<DbGrid>();
        m_grid->setDataSet(m_ds.get());
        m_grid->column(1).title = "شرح";
        m_user = std::make_unique<User>();
    }
    void cleanup()
    {
        m_user.reset();
        m_grid.reset();
        m_ds.reset();
    }

    void filterStatementKeepsTheRowsMeetingTheConditionsAndRefusesANonNumber()
    {
        // A text with a quote, Or a number typed in Persian digits and separators and
        // compared as a number; the last value is added by OK itself.
        QCOMPARE(codes(filter([](QWidget* d) {
                     Condition(d, "Des", "شامل", "O'Neil");
                     Click(d, "btnAdd");
                     Choose(d, "cbJoin", "يا");
                     Condition(d, "Fee", "<", "۲,۰۰۰,۰۰۰"); // as text, 250000.5 would not pass
                 })),
                 QStringList({"101", "102"}));

        // Empty covers blank and NULL; And binds the next row; padded codes compare trimmed.
        QCOMPARE(codes(filter([&](QWidget* d) {
                     Condition(d, "Mobile", "خالي");
                     Click(d, "btnAdd");
                     Choose(d, "cbJoin", "و");
                     Condition(d, "Code", "<>", "102");
                     Click(d, "btnAdd");
                 })),
                 QStringList({"104"}));

        // Wildcards typed in a value are taken literally.
        QCOMPARE(codes(filter([](QWidget* d) { Condition(d, "Des", "شروع با", "%"); })),
                 QStringList());

        // A value that is no number is refused; Cancel gives no statement.
        int listed = -1;
        const auto refused = [&](QWidget* d) {
            Condition(d, "Fee", ">", "abc");
            Click(d, "btnAdd");
            listed = Find<QListWidget>(d, "lstConditions")->count();
        };
        QCOMPARE(filter(refused, "btnCancel"), QString());
        QCOMPARE(listed, 0);
        QCOMPARE(m_user->messages.size(), 1);
        QVERIFY(m_user->messages.first().contains("عدد"));
        // OK without any condition: no filter either.
        QCOMPARE(filter(nullptr), QString());
    }

    // The grid is sorted with 104 "ميز بزرگ" before 101 "ميز" and stands on its last row; the
    // dialog opens on the grid's selected column, names the first matching row (field,
    // value, whole value, what it names) and leaves the cursor where it was.
    void searchNamesTheFirstMatchingRowWithoutMovingIt()
    {
        m_ds->setSort("Code DESC");
        m_grid->setSelectedIndex(m_grid->columnOf("Des"));
        const QString key = "Code";
        const auto row = [&](auto name, QString field, QString value, bool whole, QString found) {
            m_ds->last();
            m_user->messages.clear();
            QString preset, result;
            WhenModal<QDialog>([&](QWidget* d) {
                preset = Find<QComboBox>(d, "cbField")->currentData().toString();
                Choose(d, "cbField", field);
                Find<QLineEdit>(d, "edValue")->setText(value);
                Find<QCheckBox>(d, "chkWhole")->setChecked(whole);
                Click(d, "btnOk");
            });
            Call<GridSearchProc>("Search", "GridSearch", m_grid.get(), &key, &m_none, &m_none,
                                 &result);
            QVERIFY2(result == found && preset == "Des" && m_ds->recNo() == 4 &&
                         m_user->messages ==
                             (found.isEmpty() ? QStringList{"موردي يافت نشد"} : QStringList()),
                     qPrintable(QString(name) + ": " + result + " " + preset + " " +
                                m_user->messages.join(' ')));
        };
        row("quote, case, blanks", "Des", " o'neil ", false, "Des=صندلي O'Neil;Code=   102;");
        row("first in the grid's order", "Des", "ميز", false, "Des=ميز بزرگ;Code=   104;");
        row("whole value", "Des", "ميز", true, "Des=ميز;Code=   101;");
        row("number as the grid shows it", "Fee", "250000.5", false, "Fee=250000.5;Code=   102;");
        row("nothing matches", "Des", "نيست", false, "");
    }

    void smsQueuesOneMessagePerRowWithANumber()
    {
        const QString key = "Code", sender = "admin";
        QString result;
        auto send = [&](const QString& text) {
            WhenModal<QDialog>([text](QWidget* d) {
                Choose(d, "cbNumberField", "Mobile");
                Find<QPlainTextEdit>(d, "edMessage")->setPlainText(text);
                Click(d, "btnOk");
                if (d->isVisible())
                    Click(d, "btnCancel");
            });
            Call<GridSmsProc>("Sms", "GridSms", m_grid.get(), &key, &m_none, &m_none, &sender,
                              &result);
        };
        send("  ");
        QCOMPARE(result, QString());
        QCOMPARE(m_user->messages, QStringList{"متن پيام را وارد کنيد"});
        QVERIFY(!m_db->dialect().tableExists("Sms_Outbox"));

        send("سلام O'Neil");
        QCOMPARE(result, "Mobile=09120000001;Code=   101;");
        send("دوباره");
        QCOMPARE(
            StoredColumn(
                *m_db, "SELECT Id || '|' || Sender || '|' || Receiver || '|' || Message || '|' || "
                       "State FROM Sms_Outbox ORDER BY Id"),
            QStringList(
                {"1|admin|09120000001|سلام O'Neil|OUTBOX", "2|admin|09120000003|سلام O'Neil|OUTBOX",
                 "3|admin|09120000001|دوباره|OUTBOX", "4|admin|09120000003|دوباره|OUTBOX"}));
    }

    // The grid's dialogs: the advanced sort orders the rows, the report's properties count
    // and sum its shown columns, the column settings change it only on OK.
    void gridDialogsSortCountAndArrangeTheGrid()
    {
        WhenModal<QDialog>([](QWidget* d) {
            Choose(d, "cbField1", "Qty");
            Choose(d, "cbField2", "Fee");
            Find<QCheckBox>(d, "chkDesc2")->setChecked(true);
            Click(d, "btnOk");
        });
        QVERIFY(Call<AdvSortProc>("Search", "AdvSort", &m_none, &m_none, &m_none, m_grid.get()));
        QCOMPARE(codes(), QStringList({"103", "104", "101", "102"}));

        // The form opens on the current order; clearing it restores the report's own.
        QString shown;
        WhenModal<QDialog>([&](QWidget* d) {
            shown = Find<QComboBox>(d, "cbField1")->currentData().toString() +
                    Find<QComboBox>(d, "cbField2")->currentData().toString() +
                    (Find<QCheckBox>(d, "chkDesc2")->isChecked() ? "-" : "+");
            Find<QComboBox>(d, "cbField1")->setCurrentIndex(0);
            Find<QComboBox>(d, "cbField2")->setCurrentIndex(0);
            Click(d, "btnOk");
        });
        QVERIFY(Call<AdvSortProc>("Search", "AdvSort", &m_none, &m_none, &m_none, m_grid.get()));
        QCOMPARE(shown, "QtyFee-");
        QCOMPARE(codes(), QStringList({"101", "102", "103", "104"}));

        // Mobile hidden, the properties count and sum what is shown, keeping the current row.
        m_grid->column(4).visible = false;
        m_grid->applyColumns();
        m_ds->setCurrentRow(2);
        const QString title = "دفتر اموال";
        QStringList properties;
        WhenModal<QDialog>([&](QWidget* d) {
            auto* table = Find<QTableWidget>(d, "tblColumns");
            properties << d->windowTitle() << Find<QLabel>(d, "lblRowCount")->text()
                       << Find<QLabel>(d, "lblColumnCount")->text() << table->item(2, 3)->text()
                       << table->item(1, 3)->text();
            Click(d, "btnOk");
        });
        QVERIFY(Call<RepPropertyFormShowProc>("ReportProperty", "RepPropertyForm_Show", &m_none,
                                              &title, m_grid.get()));
        // Caption, rows, columns, the sum of Fee and none for Des.
        QCOMPARE(properties, QStringList({title, "4", "4", "46,750,000.5", ""}));
        QCOMPARE(m_ds->currentRow(), 2);

        // The column settings: Cancel leaves the grid as it was.
        const auto show = [&](const char* button) {
            WhenModal<QDialog>([button](QWidget* d) {
                auto* table = Find<QTableWidget>(d, "tblColumns");
                table->item(2, 0)->setCheckState(Qt::Unchecked); // Fee hidden
                table->item(1, 1)->setText("شرح کالا");          // Des retitled
                table->item(0, 2)->setData(Qt::EditRole, 120);   // Code wider
                table->setCurrentCell(4, 1);                     // Mobile (hidden) two up
                Click(d, "btnUp");
                Click(d, "btnUp");
                Click(d, button);
            });
            QVERIFY(Call<ColSettingFormShowProc>("SetColumns", "ColSettingForm_Show", &m_none,
                                                 m_grid.get()));
        };
        const auto layout = [this] {
            QStringList list;
            for (const DbGridColumn& c : m_grid->columns())
                list << c.fieldName + '|' + c.title + (c.visible ? "" : "|hidden");
            return list;
        };
        const QStringList before = layout();
        show("btnCancel");
        QCOMPARE(layout(), before);

        show("btnOk");
        QCOMPARE(layout(), QStringList({"Code|Code", "Des|شرح کالا", "Mobile|Mobile|hidden",
                                        "Fee|Fee|hidden", "Qty|Qty"}));
        QCOMPARE(m_grid->columnWidth(0), 120);
        QVERIFY(m_grid->isColumnHidden(3));
    }

    // A PDF of a report longer than a chunk (the grid has read its first chunk only)
    // holds every row, and every page carries the company, the title, the fiscal
    // period, the date and "صفحه x از y". The PDF goes where the user chose, proposed
    // in the last export folder; a stopped print or a folder that refuses it leaves
    // no file. The text is read back from the PDF (pdftotext).
    void everyRowOnPagesWithTheirHeadsAndFeet()
    {
        const int rows = 2500;
        m_db->execute("INSERT INTO Assets (Code, Des, Fee, Qty) WITH RECURSIVE n(i) AS (SELECT 1 "
                      "UNION ALL SELECT i + 1 FROM n WHERE i < " +
                      QString::number(rows) +
                      ") SELECT 'R' || CAST(10000 + i AS VARCHAR(6)), 'رديف', i, i FROM n");
        m_ds->close();
        m_ds->setReadOnly(true);
        m_ds->setFetchChunk(1000);
        m_ds->open("SELECT * FROM Assets ORDER BY Code");
        QVERIFY(m_ds->chunked());
        QVERIFY(m_grid->model()->rowCount() < rows);
        m_grid->column(2).visible = false; // Fee
        TPrintRequest request;
        request.Grid = m_grid.get();
        request.Data = m_ds.get();
        request.Title = "فهرست اموال";
        request.ReportName = "D_TEST";
        request.Today = "1403/05/09";
        request.Company = "شرکت نمونه";
        request.StartDate = "1403/01/01";
        request.EndDate = "1403/12/30";

        // The user's home, with no documents folder, and configuration folder.
        QTemporaryDir home;
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
        const auto print = [&](const QString& pdf, bool stop, QString* proposed) {
            WhenModal<QDialog>([&](QWidget* d) {
                Click(d, "rbPdf");
                *proposed = Find<QLineEdit>(d, "edPdfFile")->text();
                Find<QLineEdit>(d, "edPdfFile")->setText(pdf);
                if (stop)
                    StopWhenProgressShows();
                Click(d, "btnOk");
                if (d->isVisible())
                    Click(d, "btnCancel");
            });
            QVERIFY(Call<PrintFormShowProc>("Print", "PrintForm_Show", request));
        };
        QString proposed;
        const QString pdf = m_place.filePath("report.pdf");
        print(pdf, false, &proposed);
        QCOMPARE(proposed, home.filePath("D_TEST.pdf"));
        QCOMPARE(m_user->messages.size(), 1);
        QVERIFY2(m_user->messages.at(0).contains(QChar(0x2066) + pdf + QChar(0x2069)),
                 qPrintable(m_user->messages.at(0)));

        const int pages = QRegularExpression("Pages:\\s+(\\d+)")
                              .match(ProgramOutput("pdfinfo", {pdf}))
                              .captured(1)
                              .toInt();
        QVERIFY2(pages > 10, qPrintable(QString::number(pages)));
        QSet<QString> printed;
        for (int page = 1; page <= pages; ++page) {
            // The PDF names its glyphs by their shaped forms, in runs marked by direction:
            // the letters as typed, without the marks.
            QString onPage =
                ProgramOutput("pdftotext", {"-f", QString::number(page), "-l",
                                            QString::number(page), "-layout", pdf, "-"})
                    .normalized(QString::NormalizationForm_KC);
            onPage.removeIf([](QChar c) { return c.category() == QChar::Other_Format; });
            for (const QString& word :
                 {QString("شرکت"), QString("نمونه"), QString("فهرست"), QString("1403/01/01"),
                  QString("1403/12/30"), QString("1403/05/09"), QString("Code"), QString("صفحه"),
                  QString::number(page), QString::number(pages)})
                QVERIFY2(onPage.contains(word),
                         qPrintable(QString("page %1: %2 in\n%3").arg(page).arg(word, onPage)));
            const QRegularExpression code("R1\\d{4}");
            for (auto it = code.globalMatch(onPage); it.hasNext();)
                printed << it.next().captured();
        }
        QCOMPARE(printed.size(), rows + 0);
        QVERIFY(printed.contains("R10001") && printed.contains("R12500"));

        // Stopped in its progress window, refused by its folder, cut short by a full
        // disk: no file, nothing of it left, the older file of the name as it was; the
        // next print proposes the folder the last one went to.
        const QByteArray whole = FileBytes(pdf);
        for (const auto& [file, stop, full, told] :
             {std::tuple{m_place.filePath("stopped.pdf"), true, false, ""},
              {pdf + "/inside.pdf", false, false, "ساخته نشد"},
              {pdf, false, true, "کامل نوشته نشد"}}) {
            m_user->messages.clear();
            std::optional<DiskFullAfter> disk;
            if (full)
                disk.emplace(64 * 1024);
            print(file, stop, &proposed);
            disk.reset();
            QCOMPARE(proposed, m_place.filePath("D_TEST.pdf"));
            QCOMPARE(m_user->messages.size(), *told ? 1 : 0);
            QVERIFY2(m_user->messages.value(0).contains(told), qPrintable(file));
        }
        QVERIFY(FileBytes(pdf) == whole);
        QCOMPARE(QDir(m_place.folder()).entryList({"*.pdf", ".*.part"}, QDir::Files | QDir::Hidden),
                 QStringList{"report.pdf"});

        // The advanced print: no column chosen is refused; a landscape page of the one
        // column chosen.
        m_user->messages.clear();
        const QString wide = m_place.filePath("wide.pdf");
        WhenModal<QDialog>([&](QWidget* d) {
            Click(d, "rbPdf");
            Find<QLineEdit>(d, "edPdfFile")->setText(wide);
            Choose(d, "cbOrientation", "افقي");
            auto* columns = Find<QListWidget>(d, "lstColumns");
            for (int i = 0; i < columns->count(); ++i)
                columns->item(i)->setCheckState(Qt::Unchecked);
            Click(d, "btnOk");
            columns->item(1)->setCheckState(Qt::Checked);
            Click(d, "btnOk");
        });
        QVERIFY(Call<PrintFormShowProc>("Print1", "PrintForm_Show", request));
        QCOMPARE(m_user->messages.size(), 2);
        QVERIFY(m_user->messages.at(0).contains("ستوني"));
        const QRegularExpressionMatch size =
            QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+)")
                .match(ProgramOutput("pdfinfo", {wide}));
        QVERIFY(size.captured(1).toDouble() > size.captured(2).toDouble());
        const QString first = ProgramOutput("pdftotext", {"-l", "1", wide, "-"});
        QVERIFY(first.contains("1403/05/09") && !first.contains("Code") &&
                !first.contains("Mobile") && !first.contains("R10001"));
    }

    void savedReportsRoundTrip()
    {
        const QString prog = "Amval", form = "D_Search", temp = "##AMV1_rep",
                      title = "جستجوي اسناد";
        m_db->execute("CREATE TEMP TABLE \"##AMV1_rep\" AS SELECT * FROM Assets");
        auto save = [&](const QString& name) {
            WhenModal<QDialog>([name](QWidget* d) {
                Find<QLineEdit>(d, "edName")->setText(name);
                Click(d, "btnOk");
                if (d->isVisible())
                    Click(d, "btnCancel");
            });
            QVERIFY(Call<SaveReportDlgProc>("SaveReport", "Save_Report_Dlg", nullptr, m_db.get(),
                                            &prog, &form, &temp, &title));
        };
        auto load = [&](const QString& window, const std::function<void(QWidget*)>& step) {
            QString result;
            if (step)
                WhenModal<QDialog>(step);
            Call<LoadReportDlgProc>("SaveReport", "Load_Report_Dlg", nullptr, m_db.get(), &prog,
                                    &window, &result);
            return result;
        };
        const QString name = "گزارش O'Neil";
        save(name);
        QCOMPARE(count("SR_1"), 4);

        // The same name again: "No" keeps the stored rows, "Yes" replaces them.
        m_db->execute("DELETE FROM \"##AMV1_rep\" WHERE Code <> '   103'");
        m_user->answers = {"btnNo"};
        save(name);
        QCOMPARE(count("SR_1"), 4);
        m_user->answers = {"btnYes"};
        save(name);
        QCOMPARE(count("Saved_Reports"), 1);
        const QString table = StoredColumn(*m_db, "SELECT TableName FROM Saved_Reports").value(0);
        QCOMPARE(count(table), 1);
        save("دوم");

        QStringList listed;
        const QString chosen = load(form, [&](QWidget* d) {
            auto* list = Find<QListWidget>(d, "lstReports");
            for (int i = 0; i < list->count(); ++i)
                listed << list->item(i)->text();
            list->setCurrentRow(int(listed.indexOf(name)));
            Click(d, "btnOk");
        });
        QCOMPARE(listed.size(), 2);
        QCOMPARE(chosen, table);
        QCOMPARE(StoredColumn(*m_db, "SELECT Des FROM " + chosen), QStringList{"کامپيوتر"});
        // Other windows' reports are not listed: no list to choose from.
        QCOMPARE(load("D_Other", nullptr), QString());

        // Deleting asks first and drops the report's table with its entry.
        m_user->answers = {"btnYes"};
        int left = -1;
        const QString none = load(form, [&](QWidget* d) {
            auto* list = Find<QListWidget>(d, "lstReports");
            list->setCurrentRow(int(listed.indexOf(name)));
            Click(d, "btnDelete");
            left = list->count();
            Click(d, "btnCancel");
        });
        QCOMPARE(none, QString());
        QCOMPARE(left, 1);
        QCOMPARE(count("Saved_Reports"), 1);
        QVERIFY(!m_db->dialect().tableExists(table));

        // The connection keeps the library's statements and names past its unload: the
        // caches, grown well past their first size by other statements and asked for
        // the library's texts again, read nothing of the library's memory.
        for (int i = 0; i < 1100; ++i)
            QCOMPARE(StoredColumn(*m_db, QString("SELECT %1 FROM Saved_Reports").arg(i)),
                     QStringList{QString::number(i)});
        save("سوم");
        QCOMPARE(count("Saved_Reports"), 2);
    }
};

AMVAL_TEST_MAIN(TestSiblings)
#include "tst_siblings.moc"
