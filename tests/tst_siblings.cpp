// The sibling dialog libraries, loaded from the application folder as the module
// loads them, and driven through the object names of their dialogs as a user would.

#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "printdocument.h"
#include "siblingapi.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// Plays the user: answers each message box as it appears (recording its text), and
// runs a scripted step on the next dialog shown.
class User : public QObject
{
public:
    QStringList messages;
    QStringList answers; // button names for the next questions; otherwise the default button

    User()
    {
        m_boxes.setInterval(5);
        connect(&m_boxes, &QTimer::timeout, this, [this] { answerBox(); });
        m_boxes.start();
    }

    void onDialog(std::function<void(QWidget*)> step)
    {
        m_step = std::move(step);
        QTimer::singleShot(0, this, [this] { runStep(); });
    }
    bool stepRan() const { return !m_step; }

private:
    void runStep()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || qobject_cast<QMessageBox*>(w)) {
            QTimer::singleShot(5, this, [this] { runStep(); });
            return;
        }
        auto step = std::move(m_step);
        m_step = nullptr;
        step(w);
    }
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
    std::function<void(QWidget*)> m_step;
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
    int i = box->findData(dataOrText);
    if (i < 0)
        i = box->findText(dataOrText);
    if (i < 0)
        qFatal("%s has no item %s", combo, qPrintable(dataOrText));
    box->setCurrentIndex(i);
}

void Type(QWidget* dialog, const char* edit, const QString& text)
{
    Find<QLineEdit>(dialog, edit)->setText(text);
}

void Click(QWidget* dialog, const char* button)
{
    Find<QAbstractButton>(dialog, button)->click();
}

// Loads a library for one call, as the module does.
template <typename Proc, typename... Args>
bool Call(const char* library, const char* name, Args... args)
{
    QLibrary lib(QCoreApplication::applicationDirPath() + QStringLiteral("/DLLs/GlobalForms/") +
                 QLatin1String(library) + QStringLiteral(".so"));
    if (!lib.load()) {
        qWarning("%s", qPrintable(lib.errorString()));
        return false;
    }
    auto proc = reinterpret_cast<Proc>(lib.resolve(name));
    if (!proc)
        return false;
    proc(args...);
    lib.unload();
    return true;
}

} // namespace

class TestSiblings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<DbConnection> m_db;
    std::unique_ptr<DataSet> m_ds;
    std::unique_ptr<DbGrid> m_grid;
    std::unique_ptr<User> m_user;

    QStringList codes(DataSet& ds)
    {
        QStringList list;
        for (int r = 0; r < ds.recordCount(); ++r)
            list << ds.value(r, ds.fieldByName(QStringLiteral("Code"))->index())
                        .toString()
                        .trimmed();
        return list;
    }
    QVariant scalar(const QString& sql)
    {
        QSqlQuery q = m_db->select(sql);
        return q.next() ? q.value(0) : QVariant();
    }
    QString filter(const std::function<void(QWidget*)>& step)
    {
        QString result;
        const QString statement = m_ds->sql(), extra;
        m_user->onDialog(step);
        const bool called = Call<ShowFilterProc>("Filter", "ShowFilter", nullptr, nullptr, nullptr,
                                                 m_ds.get(), &statement, &extra, &result);
        return called && m_user->stepRan() ? result : QStringLiteral("(not called)");
    }
    QString search(const std::function<void(QWidget*)>& step)
    {
        QString result;
        const QString key = QStringLiteral("Code"), none;
        m_user->onDialog(step);
        Call<GridSearchProc>("Search", "GridSearch", m_grid.get(), &key, &none, &none, &result);
        return result;
    }

private slots:
    void init()
    {
        static int n = 0;
        m_db =
            std::make_unique<DbConnection>(m_dir.filePath(QStringLiteral("s%1.sqlite").arg(++n)));
        QVERIFY(m_db->isOpen());
        m_db->execute(QStringLiteral("CREATE TABLE Assets (Code VARCHAR(6), Des VARCHAR(100), "
                                     "Fee FLOAT, Qty INTEGER, Mobile VARCHAR(15))"));
        m_db->execute(
            QStringLiteral("INSERT INTO Assets VALUES ('   101', 'ميز', 1500000, 2, '09120000001'),"
                           " ('   102', 'صندلي O''Neil', 250000.5, 10, ''),"
                           " ('   103', 'کامپيوتر', 42000000, 1, '09120000003'),"
                           " ('   104', 'ميز بزرگ', 3000000, 1, NULL)"));
        m_ds = std::make_unique<DataSet>(m_db.get());
        m_ds->open(QStringLiteral("SELECT * FROM Assets ORDER BY Code"));
        m_grid = std::make_unique<DbGrid>();
        m_grid->setDataSet(m_ds.get());
        m_grid->column(1).title = QStringLiteral("شرح");
        m_user = std::make_unique<User>();
    }
    void cleanup()
    {
        m_user.reset();
        m_grid.reset();
        m_ds.reset();
        m_db.reset();
    }

    void filterStatementKeepsTheRowsMeetingTheConditions()
    {
        // A text with a quote, Or a number typed in Persian digits and separators and
        // compared as a number; the last value is added by OK itself.
        QString sql = filter([](QWidget* d) {
            Choose(d, "cbField", QStringLiteral("Des"));
            Choose(d, "cbOperator", QStringLiteral("شامل"));
            Type(d, "edValue", QStringLiteral("O'Neil"));
            Click(d, "btnAdd");
            Choose(d, "cbJoin", QStringLiteral("يا"));
            Choose(d, "cbField", QStringLiteral("Fee"));
            Choose(d, "cbOperator", QStringLiteral("<"));
            Type(d, "edValue", QStringLiteral("۲,۰۰۰,۰۰۰")); // as text, 250000.5 would not pass
            Click(d, "btnOk");
        });
        DataSet rows(m_db.get());
        QVERIFY_THROWS_NO_EXCEPTION(rows.open(sql));
        QCOMPARE(codes(rows), QStringList({"101", "102"}));

        // Empty covers blank and NULL; And binds the next row; padded codes compare trimmed.
        int listed = 0;
        sql = filter([&](QWidget* d) {
            Choose(d, "cbField", QStringLiteral("Mobile"));
            Choose(d, "cbOperator", QStringLiteral("خالي"));
            Click(d, "btnAdd");
            Choose(d, "cbJoin", QStringLiteral("و"));
            Choose(d, "cbField", QStringLiteral("Code"));
            Choose(d, "cbOperator", QStringLiteral("<>"));
            Type(d, "edValue", QStringLiteral("102"));
            Click(d, "btnAdd");
            listed = Find<QListWidget>(d, "lstConditions")->count();
            Click(d, "btnOk");
        });
        QCOMPARE(listed, 2);
        QVERIFY_THROWS_NO_EXCEPTION(rows.open(sql));
        QCOMPARE(codes(rows), QStringList({"104"}));

        // Wildcards typed in a value are taken literally.
        sql = filter([](QWidget* d) {
            Choose(d, "cbField", QStringLiteral("Des"));
            Choose(d, "cbOperator", QStringLiteral("شروع با"));
            Type(d, "edValue", QStringLiteral("%"));
            Click(d, "btnOk");
        });
        QVERIFY_THROWS_NO_EXCEPTION(rows.open(sql));
        QCOMPARE(rows.recordCount(), 0);
    }

    void filterRefusesANonNumberAndCancelGivesNoStatement()
    {
        int listed = -1;
        QCOMPARE(filter([&](QWidget* d) {
                     Choose(d, "cbField", QStringLiteral("Fee"));
                     Choose(d, "cbOperator", QStringLiteral(">"));
                     Type(d, "edValue", QStringLiteral("abc"));
                     Click(d, "btnAdd");
                     listed = Find<QListWidget>(d, "lstConditions")->count();
                     Click(d, "btnCancel");
                 }),
                 QString());
        QCOMPARE(listed, 0);
        QCOMPARE(m_user->messages.size(), 1);
        QVERIFY(m_user->messages.first().contains(QStringLiteral("عدد")));
        // OK without any condition: no filter either.
        QCOMPARE(filter([](QWidget* d) { Click(d, "btnOk"); }), QString());
    }

    // The grid is sorted with 104 "ميز بزرگ" before 101 "ميز" and stands on its last row; the
    // dialog opens on the grid's selected column.
    void searchNamesTheFirstMatchingRowWithoutMovingIt_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("found");
        QTest::newRow("quote, case, blanks") << QStringLiteral("Des") << QStringLiteral(" o'neil ")
                                             << false << "Des=صندلي O'Neil;Code=   102;";
        QTest::newRow("first in the grid's order") << QStringLiteral("Des") << QStringLiteral("ميز")
                                                   << false << "Des=ميز بزرگ;Code=   104;";
        QTest::newRow("whole value")
            << QStringLiteral("Des") << QStringLiteral("ميز") << true << "Des=ميز;Code=   101;";
        QTest::newRow("number as the grid shows it")
            << QStringLiteral("Fee") << QStringLiteral("250000.5") << false
            << "Fee=250000.5;Code=   102;";
        QTest::newRow("nothing matches")
            << QStringLiteral("Des") << QStringLiteral("نيست") << false << QStringLiteral("");
    }
    void searchNamesTheFirstMatchingRowWithoutMovingIt()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(bool, whole);
        QFETCH(QString, found);
        m_ds->setSort(QStringLiteral("Code DESC"));
        m_ds->last();
        m_grid->setSelectedIndex(m_grid->columnOf(QStringLiteral("Des")));
        QString preset;
        QCOMPARE(search([&](QWidget* d) {
                     preset = Find<QComboBox>(d, "cbField")->currentData().toString();
                     Choose(d, "cbField", field);
                     Type(d, "edValue", value);
                     Find<QCheckBox>(d, "chkWhole")->setChecked(whole);
                     Click(d, "btnOk");
                 }),
                 found);
        QCOMPARE(preset, QStringLiteral("Des"));
        QCOMPARE(m_ds->recNo(), 4);
        QCOMPARE(m_user->messages,
                 found.isEmpty() ? QStringList{QStringLiteral("موردي يافت نشد")} : QStringList());
    }

    void advancedSortOrdersByEachLevel()
    {
        const QString none;
        m_user->onDialog([](QWidget* d) {
            Choose(d, "cbField1", QStringLiteral("Qty"));
            Choose(d, "cbField2", QStringLiteral("Fee"));
            Find<QCheckBox>(d, "chkDesc2")->setChecked(true);
            Click(d, "btnOk");
        });
        QVERIFY(Call<AdvSortProc>("Search", "AdvSort", &none, &none, &none, m_grid.get()));
        QCOMPARE(codes(*m_ds), QStringList({"103", "104", "101", "102"}));

        // The form opens on the current order; clearing it restores the report's own.
        QString shown;
        m_user->onDialog([&](QWidget* d) {
            shown = Find<QComboBox>(d, "cbField1")->currentData().toString() +
                    Find<QComboBox>(d, "cbField2")->currentData().toString() +
                    (Find<QCheckBox>(d, "chkDesc2")->isChecked() ? "-" : "+");
            Find<QComboBox>(d, "cbField1")->setCurrentIndex(0);
            Find<QComboBox>(d, "cbField2")->setCurrentIndex(0);
            Click(d, "btnOk");
        });
        QVERIFY(Call<AdvSortProc>("Search", "AdvSort", &none, &none, &none, m_grid.get()));
        QCOMPARE(shown, QStringLiteral("QtyFee-"));
        QCOMPARE(codes(*m_ds), QStringList({"101", "102", "103", "104"}));
    }

    void smsQueuesOneMessagePerRowWithANumber()
    {
        const QString key = QStringLiteral("Code"), none, sender = QStringLiteral("admin");
        QString result;
        auto send = [&](const QString& text) {
            m_user->onDialog([text](QWidget* d) {
                Choose(d, "cbNumberField", QStringLiteral("Mobile"));
                Find<QPlainTextEdit>(d, "edMessage")->setPlainText(text);
                Click(d, "btnOk");
                if (d->isVisible())
                    Click(d, "btnCancel");
            });
            result.clear();
            Call<GridSmsProc>("Sms", "GridSms", m_grid.get(), &key, &none, &none, &sender, &result);
        };
        send(QStringLiteral("  "));
        QCOMPARE(result, QString());
        QCOMPARE(m_user->messages, QStringList{QStringLiteral("متن پيام را وارد کنيد")});
        QVERIFY(!m_db->dialect().tableExists(QStringLiteral("Sms_Outbox")));

        send(QStringLiteral("سلام O'Neil"));
        QCOMPARE(result, QStringLiteral("Mobile=09120000001;Code=   101;"));
        send(QStringLiteral("دوباره"));
        QSqlQuery q = m_db->select(QStringLiteral(
            "SELECT Id, Sender, Receiver, Message, State FROM Sms_Outbox ORDER BY Id"));
        QStringList rows;
        while (q.next())
            rows << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                q.value(3).toString(), q.value(4).toString()}
                        .join(QLatin1Char('|'));
        QCOMPARE(rows, QStringList({"1|admin|09120000001|سلام O'Neil|OUTBOX",
                                    "2|admin|09120000003|سلام O'Neil|OUTBOX",
                                    "3|admin|09120000001|دوباره|OUTBOX",
                                    "4|admin|09120000003|دوباره|OUTBOX"}));
    }

    void columnSettingsChangeTheGridOnlyOnOk()
    {
        const QString nothing;
        auto edit = [](QWidget* d) {
            auto* table = Find<QTableWidget>(d, "tblColumns");
            table->item(2, 0)->setCheckState(Qt::Unchecked);        // Fee hidden
            table->item(1, 1)->setText(QStringLiteral("شرح کالا")); // Des retitled
            table->item(0, 2)->setData(Qt::EditRole, 120);          // Code wider
            table->setCurrentCell(4, 1);                            // Mobile two up
            Click(d, "btnUp");
            Click(d, "btnUp");
        };
        const QList<DbGridColumn> before = m_grid->columns();
        m_user->onDialog([&](QWidget* d) {
            edit(d);
            Click(d, "btnCancel");
        });
        QVERIFY(Call<ColSettingFormShowProc>("SetColumns", "ColSettingForm_Show", &nothing,
                                             m_grid.get()));
        QCOMPARE(m_grid->columns().size(), before.size());
        for (int i = 0; i < before.size(); ++i) {
            QCOMPARE(m_grid->columns().at(i).fieldName, before.at(i).fieldName);
            QCOMPARE(m_grid->columns().at(i).title, before.at(i).title);
            QCOMPARE(m_grid->columns().at(i).visible, true);
        }

        m_user->onDialog([&](QWidget* d) {
            edit(d);
            Click(d, "btnOk");
        });
        QVERIFY(Call<ColSettingFormShowProc>("SetColumns", "ColSettingForm_Show", &nothing,
                                             m_grid.get()));
        QStringList order;
        for (const DbGridColumn& c : m_grid->columns())
            order << c.fieldName;
        QCOMPARE(order, QStringList({"Code", "Des", "Mobile", "Fee", "Qty"}));
        QCOMPARE(m_grid->columns().at(1).title, QStringLiteral("شرح کالا"));
        QCOMPARE(m_grid->columnWidth(0), 120);
        QVERIFY(m_grid->isColumnHidden(3));
        QVERIFY(!m_grid->isColumnHidden(2));
    }

    void reportPropertiesCountAndSumTheShownColumns()
    {
        m_grid->column(4).visible = false; // Mobile
        m_grid->applyColumns();
        m_ds->setCurrentRow(2);
        const QString nothing, title = QStringLiteral("دفتر اموال");
        QString caption, rows, columns, feeSum, desSum;
        m_user->onDialog([&](QWidget* d) {
            caption = d->windowTitle();
            rows = Find<QLabel>(d, "lblRowCount")->text();
            columns = Find<QLabel>(d, "lblColumnCount")->text();
            auto* table = Find<QTableWidget>(d, "tblColumns");
            feeSum = table->item(2, 3)->text();
            desSum = table->item(1, 3)->text();
            Click(d, "btnOk");
        });
        QVERIFY(Call<RepPropertyFormShowProc>("ReportProperty", "RepPropertyForm_Show", &nothing,
                                              &title, m_grid.get()));
        QCOMPARE(caption, title);
        QCOMPARE(rows, QStringLiteral("4"));
        QCOMPARE(columns, QStringLiteral("4"));
        QCOMPARE(feeSum, QStringLiteral("46,750,000.5"));
        QCOMPARE(desSum, QString());
        QCOMPARE(m_ds->currentRow(), 2);
    }

    void printedDocumentHoldsTheShownColumnsRightToLeft()
    {
        m_grid->column(2).visible = false; // Fee
        TPrintRequest request;
        request.Grid = m_grid.get();
        request.Data = m_ds.get();
        request.Title = QStringLiteral("فهرست <اموال>");
        request.Today = QStringLiteral("1403/05/09");
        auto tableOf = [](QTextDocument& doc) -> QTextTable* {
            for (QTextFrame* f : doc.rootFrame()->childFrames())
                if (auto* t = qobject_cast<QTextTable*>(f))
                    return t;
            return nullptr;
        };
        auto doc = BuildPrintDocument(request, {ShownColumns(m_grid.get()), 10});
        QVERIFY(doc->toPlainText().contains(QStringLiteral("فهرست <اموال>")));
        QVERIFY(doc->toPlainText().contains(QStringLiteral("تاريخ: 1403/05/09")));
        QTextTable* table = tableOf(*doc);
        QVERIFY(table);
        QCOMPARE(table->rows(), 5);
        QCOMPARE(table->columns(), 4);
        // The first shown column is written last, so that it lands on the right.
        QCOMPARE(table->cellAt(0, 3).firstCursorPosition().block().text(), QStringLiteral("Code"));
        QCOMPARE(table->cellAt(0, 0).firstCursorPosition().block().text(),
                 QStringLiteral("Mobile"));
        QCOMPARE(table->cellAt(1, 3).firstCursorPosition().block().text(), QStringLiteral("101"));

        // No date from the host: no date line. No rows: the header row alone.
        request.Today.clear();
        m_ds->open(QStringLiteral("SELECT * FROM Assets WHERE 1 = 0"));
        doc = BuildPrintDocument(request, {ShownColumns(m_grid.get()), 10});
        QVERIFY(!doc->toPlainText().contains(QStringLiteral("تاريخ")));
        QCOMPARE(tableOf(*doc)->rows(), 1);
    }

    void printLibrariesWritePdfFiles()
    {
        TPrintRequest request;
        request.Grid = m_grid.get();
        request.Data = m_ds.get();
        request.Title = QStringLiteral("فهرست اموال");
        request.ReportName = QStringLiteral("D_TEST");
        request.Today = QStringLiteral("1403/05/09");
        const QString plain = m_dir.filePath(QStringLiteral("plain.pdf"));
        const QString wide = m_dir.filePath(QStringLiteral("wide.pdf"));
        QString defaultFile;
        m_user->onDialog([&](QWidget* d) {
            defaultFile = Find<QLineEdit>(d, "edPdfFile")->text();
            Click(d, "rbPdf");
            Type(d, "edPdfFile", plain);
            Click(d, "btnOk");
        });
        QVERIFY(Call<PrintFormShowProc>("Print", "PrintForm_Show", request));
        QCOMPARE(defaultFile, QDir::homePath() + QStringLiteral("/D_TEST.pdf"));

        m_user->onDialog([&](QWidget* d) {
            Click(d, "rbPdf");
            Type(d, "edPdfFile", wide);
            Choose(d, "cbOrientation", QStringLiteral("افقي"));
            Find<QSpinBox>(d, "spFontSize")->setValue(8);
            auto* columns = Find<QListWidget>(d, "lstColumns");
            for (int i = 0; i < columns->count(); ++i)
                columns->item(i)->setCheckState(Qt::Unchecked);
            Click(d, "btnOk"); // refused: nothing to print
            columns->item(1)->setCheckState(Qt::Checked);
            Click(d, "btnOk");
        });
        QVERIFY(Call<PrintFormShowProc>("Print1", "PrintForm_Show", request));
        QCOMPARE(m_user->messages.size(), 3);
        QVERIFY(m_user->messages.at(1).contains(QStringLiteral("ستوني")));

        for (const QString& path : {plain, wide}) {
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            QVERIFY(file.size() > 500);
            QCOMPARE(file.read(4), QByteArray("%PDF"));
        }
    }

    void savedReportsRoundTrip()
    {
        const QString prog = QStringLiteral("Amval"), form = QStringLiteral("D_Search");
        const QString temp = QStringLiteral("##AMV1_rep");
        m_db->execute(QStringLiteral("CREATE TEMP TABLE \"##AMV1_rep\" AS SELECT * FROM Assets"));
        auto save = [&](const QString& name) {
            const QString title = QStringLiteral("جستجوي اسناد");
            m_user->onDialog([name](QWidget* d) {
                Type(d, "edName", name);
                Click(d, "btnOk");
                if (d->isVisible())
                    Click(d, "btnCancel");
            });
            QVERIFY(Call<SaveReportDlgProc>("SaveReport", "Save_Report_Dlg", nullptr, m_db.get(),
                                            &prog, &form, &temp, &title));
        };
        auto load = [&](const std::function<void(QWidget*)>& step) {
            QString result;
            m_user->onDialog(step);
            Call<LoadReportDlgProc>("SaveReport", "Load_Report_Dlg", nullptr, m_db.get(), &prog,
                                    &form, &result);
            return result;
        };
        const QString name = QStringLiteral("گزارش O'Neil");
        save(name);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM SR_1")).toInt(), 4);

        // The same name again: "No" keeps the stored rows, "Yes" replaces them.
        m_db->execute(QStringLiteral("DELETE FROM \"##AMV1_rep\" WHERE Code <> '   103'"));
        m_user->answers = {QStringLiteral("btnNo")};
        save(name);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM SR_1")).toInt(), 4);
        m_user->answers = {QStringLiteral("btnYes")};
        save(name);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Saved_Reports")).toInt(), 1);
        const QString table = scalar(QStringLiteral("SELECT TableName FROM Saved_Reports "
                                                    "WHERE ReportName = 'گزارش O''Neil'"))
                                  .toString();
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt(), 1);
        save(QStringLiteral("دوم"));

        QStringList listed;
        const QString chosen = load([&](QWidget* d) {
            auto* list = Find<QListWidget>(d, "lstReports");
            for (int i = 0; i < list->count(); ++i)
                listed << list->item(i)->text();
            list->setCurrentRow(int(listed.indexOf(name)));
            Click(d, "btnOk");
        });
        QCOMPARE(listed.size(), 2);
        QCOMPARE(chosen, table);
        QCOMPARE(scalar(QStringLiteral("SELECT Des FROM ") + chosen).toString(),
                 QStringLiteral("کامپيوتر"));
        // Other windows' reports are not listed.
        QString otherResult;
        const QString other = QStringLiteral("D_Other");
        Call<LoadReportDlgProc>("SaveReport", "Load_Report_Dlg", nullptr, m_db.get(), &prog, &other,
                                &otherResult);
        QCOMPARE(otherResult, QString());

        // Deleting asks first and drops the report's table with its entry.
        m_user->answers = {QStringLiteral("btnYes")};
        int left = -1;
        QCOMPARE(load([&](QWidget* d) {
                     auto* list = Find<QListWidget>(d, "lstReports");
                     list->setCurrentRow(int(listed.indexOf(name)));
                     Click(d, "btnDelete");
                     left = list->count();
                     Click(d, "btnCancel");
                 }),
                 QString());
        QCOMPARE(left, 1);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Saved_Reports")).toInt(), 1);
        QVERIFY(!m_db->dialect().tableExists(table));
    }
};

QTEST_MAIN(TestSiblings)
#include "tst_siblings.moc"
