// The asset count window driven by keys as a clerk with a barcode scanner drives it,
// in the grid and in scan mode, two clerks counting on their own connections, the
// right-alignment of codes put into the count from a spreadsheet, and the
// reconciliation of a demo count with the asset register, with the proposed transfer
// and temporary retirement stored only once confirmed in their windows.

#include "amvalgardaniunit.h"
#include "clerkvoucher.h"
#include "countreconcileunit.h"
#include "excelimportstore.h"
#include "excelimporttexts.h"
#include "excelimportunit.h"
#include "globalunit.h"
#include "installhost.h"
#include "kenarmunit.h"
#include "sqlcheck.h"
#include "tahvilantegalunit.h"
#include "testmain.h"
#include "voucherdriver.h"

#include <QThread>
#include <xlsxwriter.h>

namespace {

// What a count says of an asset that count `number` holds already.
QString CountedIn(TAmvalGardaniForm* form, const QString& number)
{
    return "اين دارايي در سند شماره:" + PadLeft(number, form->FieldWidth("SanadNoAmval")) +
           " ثبت شده است";
}

// Another clerk (user 2) in a session of his own, storing counts through the procedure;
// the test's host stays the module's host context.
class CountClerk : public DemoHost
{
public:
    explicit CountClerk(DemoHost& host) : DemoHost(host.dataFolder(), 2, "clerk 2")
    {
        InstallHost(host);
    }
    // A new count of `assets` at `place` with `person`: its number ("" when not stored).
    QString store(const QStringList& assets, const QString& place = "1",
                  const QString& person = "1", const QString& date = Day("08/01"))
    {
        QList<std::pair<QString, QVariantList>> rows;
        for (const QString& asset : assets)
            rows.append({"INSERT INTO " + kClerkRows +
                             " (User_Name, SDate, DaraCod, MakanCod, PersonelCod) VALUES "
                             "('clerk 2', ?, ?, ?, ?)",
                         {date, asset, place, person}});
        return ClerkSaves(db(), VoucherKindOf(VoucherKindId::Gardani), "", rows, true);
    }
    QStringList countedIn(const QString& number)
    {
        return Column(db(), "SELECT TRIM(DaraCod) || '|' || TRIM(MakanCod) || '|' || "
                            "TRIM(PersonelCod) || '|' || SDate FROM D_Gardani WHERE "
                            "TRIM(SanadNoAmval) = " +
                                SqlQuote(number) + " ORDER BY DaraCod");
    }
};

} // namespace

class TestCount : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QStringList m_assets; // in use, in no count voucher
    QString m_place, m_person, m_otherPlace, m_otherPerson;
    QTemporaryDir m_files;
    using O = TAmvalGardaniForm::ScanOutcome; // what a scanner's read came to
    // A workbook `name` of two columns, code and name, filled row by row from `cells`,
    // and the saved form that marks them, the default of the import.
    QString codeSheet(const QString& name, const QStringList& cells)
    {
        const QString path = m_files.filePath(name);
        lxw_workbook* book = workbook_new(path.toUtf8().constData());
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        for (int i = 0; i < cells.size(); ++i)
            worksheet_write_string(sheet, lxw_row_t(i / 2), lxw_col_t(i % 2),
                                   cells.at(i).toUtf8().constData(), nullptr);
        if (workbook_close(book) != LXW_NO_ERROR)
            return QString();
        ExcelImportStore::SetDefaultForm(
            host().db(),
            ExcelImportStore::SaveForm(host().db(), "count",
                                       {{0, "DaraCod", ExcelImportText::kSlotCode, "Code"},
                                        {1, "DaraNam", ExcelImportText::kSlotName, "Name"}}));
        return path;
    }
    DemoHost& host() { return *m_host; }

    // The asset's name in the register.
    QString nameOf(const QString& asset)
    {
        return host().scalar("SELECT DaraNam FROM D_Amval WHERE TRIM(DaraCod) = ?", {asset});
    }
    // The name the count's row `row` shows.
    static QString shownName(TAmvalGardaniForm* form, int row)
    {
        return form->quAsnad->value(row, form->quAsnad->fieldByName("DaraNam")->index()).toString();
    }
    // Location and person typed over what the header holds, each with Enter.
    static void typeHeader(TAmvalGardaniForm* form, const QString& place, const QString& person)
    {
        for (auto [edit, code] : {std::pair{form->MakanCod, place}, {form->PersonelCod, person}}) {
            edit->selectAll();
            QTest::keyClicks(edit, code);
            VoucherDriver::enter(edit);
        }
    }
    // Number, date, then location and person typed into the header: the grid has the
    // focus on its first row.
    QString start(TAmvalGardaniForm* form, const VoucherDriver& d, const QString& place,
                  const QString& person)
    {
        const QString number = NextNumber(host(), "D_Gardani");
        d.startVoucher(number, Day("08/01"));
        // The date committed, the location is asked for first.
        if (!form->MakanCod->hasFocus())
            return QString();
        typeHeader(form, place, person);
        return number;
    }
    // A count's stored rows of `assets` on the 1st of the 8th month, as countedIn reads them.
    static QStringList countedRows(const QStringList& assets, const QString& place,
                                   const QString& person)
    {
        QStringList rows;
        for (const QString& asset : assets)
            rows << asset + "|" + place + "|" + person + "|" + Day("08/01");
        rows.sort();
        return rows;
    }
    // Scan mode switched on by its key, in the window made active as the clerk's.
    bool scanMode(TAmvalGardaniForm* form)
    {
        if (!Activate(form))
            return false;
        QTest::keyClick(form->dbgAsnad, Qt::Key_F9);
        return form->ScanMode() && form->ScanModeButton->text().contains("روشن") &&
               form->ScanEdit->hasFocus();
    }
    // A scanner's read: its keys at once, then Enter.
    static void read(TAmvalGardaniForm* form, const QString& keys)
    {
        TypeText(form->ScanEdit, keys);
        QTest::keyClick(form->ScanEdit, Qt::Key_Return);
    }
    // The asset held at `place` by `person` in the register.
    void registerAt(const QString& asset, const QString& place, const QString& person)
    {
        host().exec("UPDATE D_Amval SET MakanCod = (SELECT MakanCod FROM D_Makan WHERE "
                    "TRIM(MakanCod) = ?), PersonelCod = (SELECT Code FROM Person WHERE "
                    "TRIM(Code) = ?) WHERE TRIM(DaraCod) = ?",
                    {place, person, asset});
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = Column(host().db(),
                          "SELECT TRIM(DaraCod) FROM D_Amval AS A WHERE NOT EXISTS (SELECT 1 FROM "
                          "D_Gardani AS G WHERE TRIM(G.DaraCod) = TRIM(A.DaraCod)) ORDER BY "
                          "DaraCod LIMIT 5");
        QCOMPARE(m_assets.size(), 5);
        const QStringList places =
            Column(host().db(), "SELECT TRIM(MakanCod) FROM D_Makan ORDER BY MakanCod LIMIT 2");
        const QStringList persons =
            Column(host().db(), "SELECT TRIM(Code) FROM Person ORDER BY Code LIMIT 2");
        QCOMPARE(places.size() + persons.size(), 4);
        m_place = places.at(0);
        m_otherPlace = places.at(1);
        m_person = persons.at(0);
        m_otherPerson = persons.at(1);
    }
    void cleanup()
    {
        DeleteTopLevel<TAmvalForm>(); // the windows the reconciliation opened on their own
        m_host.reset();
    }

    // Code and Enter, row after row (one code on a Persian keyboard): each row is
    // named and the cursor waits in the next row's code. A sheet imported from the
    // count's menu adds its codes, in any width and in Persian digits, right-aligned to
    // the stored width and named, with the header's place and person; on the server its
    // session is ended (a restart does so) while the import window is open: the count's
    // rows and the import's table go with it and are made again. A location and person
    // changed afterwards are stamped on every stored row, as another clerk reads them.
    void scannedRunIsStoredWithTheHeader()
    {
        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        const QString number = start(form.get(), d, m_place, m_person);
        QVERIFY(!number.isEmpty());
        QCOMPARE(form->MakanNam->text(),
                 host().scalar("SELECT MakanNam FROM D_Makan WHERE TRIM(MakanCod) = ?", {m_place}));
        QVERIFY(form->dbgAsnad->hasFocus());
        for (int i = 0; i < 2; ++i) {
            d.cell(i == 1 ? PersianDigits(m_assets.at(i)) : m_assets.at(i));
            QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
            QCOMPARE(d.currentColumn(), "DaraCod");
            QCOMPARE(form->quAsnad->currentRow(), i + 1);
            QCOMPARE(shownName(form.get(), i), nameOf(m_assets.at(i)));
        }
        const QString table = SqlIdent(form->TransTableName());
        const QString spaced = " " + m_assets.at(2) + " ";
        const QString path = codeSheet("count.xlsx", {"Code", "Name", m_assets.at(4), "x", spaced,
                                                      "x", PersianDigits(m_assets.at(3)), "x"});
        bool imported = false;
        bool mayMark = false;
        WhenModal<TFrm_Excel_Import2>([&](TFrm_Excel_Import2* window) {
            mayMark = window->BitBtn2->isEnabled();
            if (window->openWorkbook(path)) {
                if (TestPlace::OnServer())
                    host().endSession();
                window->cmdOkClick();
            }
            imported = !window->isVisible(); // closed by the import alone
            if (!imported)
                window->reject();
        });
        form->miExcel->trigger();
        QVERIFY(imported);
        QCOMPARE(ShownTexts(host()), QStringList());
        // The administrator's settings text names the count: he marks columns.
        QVERIFY(mayMark);
        QCOMPARE(
            host().scalar("SELECT COUNT(*) FROM " + table + " WHERE TRIM(MakanCod) = ?", {m_place}),
            "5");
        QStringList aligned;
        for (const QString& asset : std::as_const(m_assets))
            aligned << "[" + asset.rightJustified(form->FieldWidth("DaraCod")) + "]";
        QCOMPARE(
            Column(host().db(), "SELECT '[' || DaraCod || ']' FROM " + table + " ORDER BY DaraCod"),
            aligned);
        QCOMPARE(form->quAsnad->recordCount(), 5);
        QCOMPARE(host().scalar("SELECT DaraNam FROM " + table + " WHERE TRIM(DaraCod) = ?",
                               {m_assets.at(4)}),
                 nameOf(m_assets.at(4)));

        // Settings that no longer name the count, changed on another connection: the
        // next import marks by the saved forms only.
        CountClerk clerk(host());
        clerk.db().execute("UPDATE UserSdc SET Dara = 'COPY=YES;' WHERE UserId = ?",
                           {QString::number(host().global.UserID)});
        WhenModal<TFrm_Excel_Import2>([&](TFrm_Excel_Import2* window) {
            mayMark = window->BitBtn2->isEnabled();
            window->reject();
        });
        form->miExcel->trigger();
        QVERIFY(!mayMark);

        typeHeader(form.get(), m_otherPlace, m_otherPerson);
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QCOMPARE(clerk.countedIn(number), countedRows(m_assets, m_otherPlace, m_otherPerson));

        // Loaded again: the header from its rows, the caption of an edit, the rows in
        // the order they were written, each named from the register.
        d.load(number);
        QCOMPARE(form->CaptionText(), "ويراش سند اموال گرداني " + number);
        QCOMPARE(form->PersonelCod->text(), m_otherPerson);
        QVERIFY(!form->PersonelNam->text().isEmpty());
        QStringList loaded, written;
        const int code = form->quAsnad->fieldByName("DaraCod")->index();
        for (int i = 0; i < form->quAsnad->recordCount(); ++i)
            loaded << form->quAsnad->value(i, code).toString().trimmed() + "|" +
                          shownName(form.get(), i);
        for (const int i : {0, 1, 4, 2, 3})
            written << m_assets.at(i) + "|" + nameOf(m_assets.at(i));
        QCOMPARE(loaded, written);
    }

    // The checks in their order, each with its message and the cursor on the code;
    // an asset a second clerk counted is refused in a new count and in the voucher
    // that holds it alike.
    void rowChecksRefuseInOrder()
    {
        const QString stored = CountClerk(host()).store({m_assets.at(0)});
        QVERIFY(!stored.isEmpty());

        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        start(form.get(), d, m_place, m_person);
        const auto refused = [&](const QString& code, const QString& message, bool list) {
            host().dlgMsg->shown.clear();
            const int lists = host().tempGridForm->shown.size();
            if (list)
                host().tempGridForm->cancel();
            const int rows = form->quAsnad->recordCount();
            d.cell(code);
            QCOMPARE(d.refusal(), (QStringList{message, "DaraCod"}));
            QCOMPARE(host().tempGridForm->shown.size(), lists + (list ? 1 : 0));
            // The row stays, not stored, with the code to be corrected.
            QCOMPARE(form->quAsnad->recordCount(), rows);
            QCOMPARE(form->quAsnad->state(), DataSet::State::Insert);
        };
        // A code of blanks (no key of the code column types one) is empty.
        form->quAsnad->append();
        d.expectChecked({{"DaraCod", "   "}}, {}, "كد دارايي خالي مي باشد.", "DaraCod");
        refused("99999", "كد دارايي وجود ندارد.", true);
        const QString countedText = CountedIn(form.get(), stored);
        refused(m_assets.at(0), countedText, true);
        d.cell(m_assets.at(1));
        refused(m_assets.at(1), "كد دارايي تكراري مي باشد.", false);

        // The voucher that holds the asset, loaded for an edit.
        form->cmdCancel->click();
        d.startVoucher(stored);
        form->dbgAsnad->setFocus();
        d.gridKey(Qt::Key_Down);
        refused(m_assets.at(0), countedText, true);
    }

    // Scan mode: each read becomes a row or is refused, said in the status line with
    // its own sound, never in a message or a list; the rows take the header's place
    // and holder. `keys` is what the scanner types before Enter ("<a>": the asset's
    // code in Persian digits, "<A>" in Arabic-Indic ones), after `before` happened.
    void scanReads_data()
    {
        QTest::addColumn<QString>("held");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("row"); // the row it left: "" none, else its note
        const auto row = [](const char* name, const char* reg, const char* before, const char* keys,
                            O outcome, const char* status, const char* note) {
            QTest::newRow(name) << reg << before << QString::fromUtf8(keys) << int(outcome)
                                << QString::fromUtf8(status) << QString::fromUtf8(note);
        };
        // held: where the register has the asset, or what became of it.
        row("Persian digits", "", "", "<a>", O::Added, "به شمارش اضافه شد.", "|");
        row("Arabic-Indic digits", "", "", "<A>", O::Added, "به شمارش اضافه شد.", "|");
        row("another place", "place", "", "<a>", O::Marked, "علامت خورد؛ در دفتر: مکان ",
            "در دفتر: مکان ");
        row("another holder", "holder", "", "<a>", O::Marked, "علامت خورد؛ در دفتر: تحويل گيرنده ",
            "در دفتر: تحويل گيرنده ");
        row("twice", "", "scanned", "<a>", O::Twice, "در همين شمارش خوانده شده است", "|");
        row("not in the register", "", "", "99999", O::Unknown, "فهرست كدهاي ناشناخته", "");
        row("sold", "sold", "", "<a>", O::Sold, " به فروش رسيده شده است؛ اضافه نشد.", "");
        row("retired", "retired", "", "<a>", O::Retired, " کنارگذاري دايمي شده است؛ اضافه نشد.",
            "");
        row("retired and returned", "returned", "", "<a>", O::Added, "به شمارش اضافه شد.", "|");
        row("in a stored count", "counted", "", "<a>", O::CountedElsewhere,
            "اين دارايي در سند شماره:", "");
        row("letters", "", "", "12A4", O::BadCode, "«12A4» نادرست است", "");
        row("blanks", "", "", "12 4", O::BadCode, "«12 4» نادرست است", "");
        row("Enter alone", "", "", "", O::BadCode, "كد دارايي خالي مي باشد.", "");
        row("before place and holder", "", "no header", "<a>", O::NotReady,
            "ابتدا مکان استقرار و تحويل گيرنده", "");
        // A read without its Enter, then a pause: dropped when the pause is over (or,
        // with the program too busy to notice, at the next key), the next read whole.
        row("pause after a partial read", "", "pause", "<a>", O::Added, "به شمارش اضافه شد.", "|");
        row("busy through the pause", "", "busy pause", "<a>", O::Added, "به شمارش اضافه شد.", "|");
        // Read with the focus left in the grid by a click: taken as in the box.
        row("focus in the grid", "", "grid", "<a>", O::Added, "به شمارش اضافه شد.", "|");
        // Read while a question of the window is up: the keys do not answer it.
        row("a message open", "", "message", "<a>", O::Added, "به شمارش اضافه شد.", "|");
    }
    void scanReads()
    {
        QFETCH(QString, held);
        QFETCH(QString, before);
        QFETCH(QString, keys);
        QFETCH(int, outcome);
        QFETCH(QString, status);
        QFETCH(QString, row);
        const QString asset = m_assets.at(0);
        // Registered where it is counted, unless the row says otherwise.
        registerAt(asset, held == "place" ? m_otherPlace : m_place,
                   held == "holder" ? m_otherPerson : m_person);
        registerAt(m_assets.at(1), m_place, m_person);
        if (held == "sold")
            StoreElsewhere(host(), "D_ForoshDaymeh", "95", asset, Day("07/01"));
        if (held == "retired" || held == "returned")
            StoreElsewhere(host(), "D_KenarD", "95", asset,
                           Day(held == "retired" ? "08/01" : "07/01"));
        if (held == "returned")
            StoreElsewhere(host(), "D_BarKenarD", "95", asset, Day("07/15"));
        if (held == "counted")
            QVERIFY(!CountClerk(host()).store({asset}).isEmpty());
        keys.replace("<a>", PersianDigits(asset)).replace("<A>", PersianDigits(asset, u'\u0660'));

        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        if (before == "no header")
            d.startVoucher(NextNumber(host(), "D_Gardani"), Day("08/01"));
        else
            QVERIFY(!start(form.get(), d, m_place, m_person).isEmpty());
        QVERIFY(scanMode(form.get()));
        int rows = 0;
        if (before == "scanned" || before == "message") {
            read(form.get(), m_assets.at(1));
            QCOMPARE(int(form->LastScanOutcome()), int(O::Added));
            rows = 1;
        }
        if (before == "scanned")
            read(form.get(), PersianDigits(asset));
        if (before == "message") {
            // Cancel asks whether to give up the count (No); the scanner's keys come
            // while the question is up.
            host().dlgMsg->answers << TDlgMsg::mrNo;
            host().dlgMsg->whileShown = [&](const ShownMessage&) {
                TypeText(host().dlgMsg, PersianDigits(m_assets.at(2)));
                QTest::keyClick(host().dlgMsg, Qt::Key_Return);
            };
            form->cmdCancel->click();
            host().dlgMsg->whileShown = nullptr;
            QCOMPARE(int(form->LastScanOutcome()), int(O::MessageOpen));
            QVERIFY2(form->ScanStatus->text().contains(m_assets.at(2)),
                     qPrintable(form->ScanStatus->text()));
            QCOMPARE(form->quAsnad->recordCount(), rows);
            host().dlgMsg->shown.clear();
        }
        if (before == "pause" || before == "busy pause") {
            TypeText(form->ScanEdit, PersianDigits(asset.left(2)));
            if (before == "pause")
                QTest::qWait(TAmvalGardaniForm::ScanGapMs + 200);
            else
                QThread::msleep(TAmvalGardaniForm::ScanGapMs + 200);
            // Said as soon as the pause is over; a busy program drops it at the next key.
            QCOMPARE(form->ScanEdit->text().isEmpty(), before == "pause");
            QCOMPARE(form->LastScanOutcome() == O::Partial, before == "pause");
        }
        host().tempGridForm->shown.clear();
        if (before == "grid") {
            QTest::mouseClick(form->dbgAsnad->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
            QVERIFY(form->dbgAsnad->hasFocus());
            TypeText(form->dbgAsnad, keys);
            QTest::keyClick(form->dbgAsnad, Qt::Key_Return);
        } else {
            read(form.get(), keys);
        }
        QCOMPARE(int(form->LastScanOutcome()), outcome);
        QVERIFY2(form->ScanStatus->text().contains(status), qPrintable(form->ScanStatus->text()));
        // Nothing opened that would take the next read's keys; they go to the box.
        QCOMPARE(ShownTexts(host()), QStringList());
        QCOMPARE(host().tempGridForm->shown.size(), 0);
        QVERIFY(form->ScanEdit->hasFocus());
        QVERIFY(form->ScanEdit->text().isEmpty());
        if (row.isEmpty()) {
            QCOMPARE(form->quAsnad->recordCount(), rows);
        } else {
            QCOMPARE(form->quAsnad->recordCount(), rows + 1);
            // The working copy's row: code|place|holder|note.
            const QString stored =
                Column(host().db(), "SELECT TRIM(DaraCod) || '|' || TRIM(MakanCod) || '|' || "
                                    "TRIM(PersonelCod) || '|' || COALESCE(ScanMark, '') FROM " +
                                        SqlIdent(form->TransTableName()))
                    .value(rows);
            QVERIFY2(stored.startsWith(asset + "|" + m_place + "|" + m_person + "|" +
                                       (row == "|" ? QString() : row)),
                     qPrintable(stored));
            QCOMPARE(shownName(form.get(), rows), nameOf(asset));
        }
        QCOMPARE(form->UnknownCodes->toPlainText(), outcome == int(O::Unknown) ? "99999" : "");
    }

    // Two clerks scan two rooms at once, each in a window on his own connection, both
    // on new counts of the same proposed number. The second window marks what the
    // register has in the first room, and its reconciliation shows the note. Each
    // count stores its own rows under a number of its own; the second confirm is
    // refused under the database's lock, names every row both scanned, stores nothing
    // and keeps the rows with the cursor on the first of them; removed ("حذف رديف"
    // asks first), the rest is stored. Deleting a count asks first and removes it for
    // everyone.
    void twoClerksScanTwoRoomsAtOnce()
    {
        for (const QString& a : m_assets)
            registerAt(a, m_place, m_person);
        DemoHost second(host().dataFolder(), 2, "كارشناس اموال");
        auto roomB = OpenForm<TAmvalGardaniForm>();
        VoucherDriver b(second, roomB.get());
        const QString number = NextNumber(second, "D_Gardani");
        b.startVoucher(number, Day("08/01"));
        typeHeader(roomB.get(), m_otherPlace, m_otherPerson);
        QVERIFY(scanMode(roomB.get()));

        InstallHost(host());
        auto roomA = OpenForm<TAmvalGardaniForm>();
        VoucherDriver a(host(), roomA.get());
        QCOMPARE(start(roomA.get(), a, m_place, m_person), number);
        QVERIFY(scanMode(roomA.get()));

        // Turn by turn: A two of its room, B one of A's room and the two of A's.
        const auto scanIn = [&](DemoHost& clerk, TAmvalGardaniForm* form, const QString& code) {
            InstallHost(clerk);
            read(form, PersianDigits(code));
            return form->LastScanOutcome();
        };
        QCOMPARE(scanIn(host(), roomA.get(), m_assets.at(0)), O::Added);
        QCOMPARE(scanIn(second, roomB.get(), m_assets.at(2)), O::Marked);
        QCOMPARE(scanIn(host(), roomA.get(), m_assets.at(1)), O::Added);
        QCOMPARE(scanIn(second, roomB.get(), m_assets.at(1)), O::Marked);
        QCOMPARE(scanIn(second, roomB.get(), m_assets.at(0)), O::Marked);
        // B's reconciliation: found away from the register's place, with the scan's note.
        QVERIFY(Activate(roomB.get()));
        QTest::keyClick(roomB->ScanEdit, Qt::Key_R, Qt::ControlModifier);
        TCountReconcileForm* report = TopLevel<TCountReconcileForm>().value(0);
        QVERIFY2(report, qPrintable(b.lastMessage()));
        QVERIFY(report->Assets(TCountReconcileForm::Elsewhere).contains(m_assets.at(2)));
        QVERIFY(report->quReconcile->locate({"DaraCod"}, {PadLeft(m_assets.at(2), 6)}));
        const QString note = report->quReconcile->currentText("CountMark");
        QCOMPARE(note, "در دفتر: مکان " + m_place + "، تحويل گيرنده " + m_person);
        DeleteTopLevel<TCountReconcileForm>();

        InstallHost(host());
        QVERIFY2(a.save(), qPrintable(a.lastMessage()));
        CountClerk third(host());
        InstallHost(second);
        QVERIFY(!b.save());
        const QString counted = " : " + CountedIn(roomB.get(), number);
        QCOMPARE(b.lastMessage(), "رديف 2 - كد " + m_assets.at(1) + counted + "\nرديف 3 - كد " +
                                      m_assets.at(0) + counted);
        const QString numberB = QString::number(number.toInt() + 1);
        QVERIFY(third.countedIn(numberB).isEmpty());
        QCOMPARE(roomB->quAsnad->recordCount(), 3);
        QCOMPARE(roomB->quAsnad->currentRow(), 1);
        roomB->dbgAsnad->setFocus();
        for (int rows = 2; rows >= 1; --rows) {
            second.dlgMsg->shown.clear();
            b.gridKey(Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(b.lastMessage(), "آيا حذف شود؟");
            QCOMPARE(roomB->quAsnad->recordCount(), rows);
        }
        QVERIFY2(b.save(), qPrintable(b.lastMessage()));

        QCOMPARE(third.countedIn(number), countedRows(m_assets.mid(0, 2), m_place, m_person));
        QCOMPARE(third.scalar("SELECT TRIM(SanadNoAmval) || '|' || TRIM(MakanCod) || '|' || "
                              "TRIM(PersonelCod) FROM D_Gardani WHERE TRIM(DaraCod) = ?",
                              {m_assets.at(2)}),
                 numberB + "|" + m_otherPlace + "|" + m_otherPerson);
        InstallHost(host());
        a.startVoucher(number);
        host().dlgMsg->shown.clear();
        QTest::mouseClick(roomA->cmdDel, Qt::LeftButton);
        QCOMPARE(a.lastMessage(), " آيا از حذف اطلاعات مطمئن هستيد؟ ");
        QVERIFY(third.countedIn(number).isEmpty());
        QCOMPARE(third.countedIn(numberB).size(), 1);
        roomB.reset();
    }

    // The counts of a place and of dates reconciled together, opened from the count
    // window's key with the rows on its screen: a room counted in two vouchers is one
    // count; an asset counted in its room under another holder, one counted in another
    // place, one of the room counted nowhere and a code that is no asset each land in
    // their own group. The boxes choose all places, then later dates. The proposed
    // transfer opens on the last count's day with each asset's place and holder found,
    // and is stored, for a second clerk too, once its form numbers are typed.
    void reconciliationOfPlacesAndDates()
    {
        // Assets in use and in no count: five of them in a room, one under another
        // holder than the rest; two in another place under a third holder.
        const QString free =
            "TRIM(COALESCE(KenarDate, '')) = '' AND NOT EXISTS (SELECT 1 FROM D_ForoshDaymeh AS "
            "F WHERE TRIM(F.DaraCod) = TRIM(A.DaraCod)) AND NOT EXISTS (SELECT 1 FROM D_KenarD "
            "AS K WHERE TRIM(K.DaraCod) = TRIM(A.DaraCod)) AND NOT EXISTS (SELECT 1 FROM "
            "D_Gardani AS G WHERE TRIM(G.DaraCod) = TRIM(A.DaraCod))";
        const QStringList assets =
            Column(host().db(),
                   "SELECT TRIM(DaraCod) FROM D_Amval AS A WHERE BahreDate < ? AND " + free +
                       " ORDER BY DaraCod LIMIT 7",
                   {Day("01/01")});
        QCOMPARE(assets.size(), 7);
        // Every holder another: a transfer proves it takes the holder the count found.
        const QString holder2 = host().scalar("SELECT TRIM(Code) FROM Person WHERE TRIM(Code) "
                                              "NOT IN (?, ?) ORDER BY Code LIMIT 1",
                                              {m_person, m_otherPerson});
        QVERIFY(!holder2.isEmpty());
        const QString room = m_place, holder = m_person, other = m_otherPerson,
                      place2 = m_otherPlace;
        for (int i = 0; i < assets.size(); ++i)
            registerAt(assets.at(i), i < 5 ? room : place2,
                       i < 5 ? (i == 2 ? other : holder) : holder2);
        // The window counts the room with the holder `other`, the second clerk with
        // `holder`; `wentAway` is counted in the other place.
        const QString underAnother = assets.at(0), secondVoucher = assets.at(1),
                      asRegistered = assets.at(2), wentAway = assets.at(3), missing = assets.at(4),
                      fromElsewhere = assets.at(5);
        QStringList place2Left =
            Column(host().db(),
                   "SELECT TRIM(DaraCod) FROM D_Amval AS A WHERE TRIM(MakanCod) = ? AND " + free,
                   {place2});
        place2Left.removeAll(fromElsewhere);
        QVERIFY(!place2Left.isEmpty());

        CountClerk clerk(host());
        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        const QString number = start(form.get(), d, room, other);
        // The period's counts start afresh.
        host().exec("DELETE FROM D_Gardani");
        QVERIFY(!number.isEmpty());
        QVERIFY(!clerk.store({secondVoucher, "99999"}, room, holder, Day("08/03")).isEmpty());
        QVERIFY(!clerk.store({wentAway}, place2, holder2, Day("08/02")).isEmpty());
        // The window's own count, not stored: two of the room's and one of the other place.
        for (const QString& a : {underAnother, asRegistered, fromElsewhere})
            d.cell(a);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        const auto reconcile = [&] {
            DeleteTopLevel<TCountReconcileForm>();
            if (!Activate(form.get()))
                return static_cast<TCountReconcileForm*>(nullptr);
            QTest::keyClick(form->dbgAsnad, Qt::Key_R, Qt::ControlModifier);
            return TopLevel<TCountReconcileForm>().value(0);
        };
        TCountReconcileForm* report = reconcile();
        QVERIFY2(report, qPrintable(d.lastMessage()));
        QVERIFY(report->focusWidget() == report->dbgReconcile);
        const auto groupOf = [&](const QString& asset) {
            int found = 0;
            for (int g = TCountReconcileForm::Matched; g <= TCountReconcileForm::MovedSince; ++g) {
                if (report->Assets(g).contains(asset))
                    found = found == 0 ? g : -1; // in two groups
            }
            return found;
        };
        using G = TCountReconcileForm;
        const auto expect = [&](const QList<std::pair<QString, int>>& groups) {
            for (const auto& [asset, group] : groups)
                QVERIFY2(groupOf(asset) == group,
                         qPrintable(asset + ": " + QString::number(groupOf(asset))));
        };
        expect({{asRegistered, G::Matched},
                {secondVoucher, G::Matched},
                {fromElsewhere, G::Elsewhere},
                {wentAway, G::Elsewhere},
                {underAnother, G::OtherHolder},
                {missing, G::NotCounted},
                {"99999", G::NoAsset}});
        for (const QString& a : place2Left)
            QCOMPARE(groupOf(a), 0); // the other place is not chosen
        QVERIFY(report->cmdDelivery->isEnabled());

        // A voucher that moved an asset after its count has the newer word: one on the
        // count's own day does not.
        const QString laterTransfer = "INSERT INTO D_Tahvil_Antegal (SanadNoAmval, Raj, sDate, "
                                      "DaraCod) VALUES ('9999', 1, ?, ?)";
        for (const auto& [day, group] : {std::pair{Day("08/02"), int(G::Elsewhere)},
                                         std::pair{Day("08/03"), int(G::MovedSince)}}) {
            host().exec("DELETE FROM D_Tahvil_Antegal WHERE SanadNoAmval = '9999'");
            QVERIFY_SQL(host().exec(laterTransfer, {day, wentAway}));
            report = reconcile();
            QVERIFY(report);
            expect({{wentAway, group}});
        }
        host().exec("DELETE FROM D_Tahvil_Antegal WHERE SanadNoAmval = '9999'");
        report = reconcile();
        QVERIFY(report);

        // All places: the boxes emptied, Enter to the last date box runs it again.
        for (QLineEdit* box : {report->FrMakanCod, report->ToMakanCod}) {
            box->setFocus();
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_Backspace);
        }
        report->FrMakanCod->setFocus();
        for (QLineEdit* box : report->EnterOrder())
            QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(report->focusWidget() == report->dbgReconcile);
        expect({{wentAway, G::Elsewhere}, {fromElsewhere, G::Elsewhere}, {missing, G::NotCounted}});
        for (const QString& a : place2Left)
            QCOMPARE(groupOf(a), int(G::NotCounted));
        // From the 2nd of the month (Persian digits): the window's count of the 1st is
        // left out, the room's other voucher still counts.
        report->FrDay->setFocus();
        for (const auto& [box, text] : {std::pair{report->FrDay, PersianDigits("02")},
                                        {report->FrMonth, PersianDigits("08")},
                                        {report->FrYear, PersianDigits(DemoYear())}}) {
            box->selectAll();
            TypeText(box, text);
            QTest::keyClick(box, Qt::Key_Return);
        }
        QVERIFY(Activate(report));
        QTest::keyClick(report->ToDay, Qt::Key_F5);
        expect({{secondVoucher, G::Matched},
                {underAnother, G::NotCounted},
                {asRegistered, G::NotCounted},
                {fromElsewhere, G::NotCounted},
                {wentAway, G::Elsewhere}});

        // The proposals, from the report as it opens again. Each is confirmed with
        // Ctrl+S: a refusal for a row's form number leaves the cursor there, and the next
        // of `numbers` is typed (Persian digits) and left with Tab; true once stored.
        const auto confirm = [&](TVoucherForm* window, QStringList numbers) {
            const VoucherDriver k(host(), window);
            if (!Activate(window))
                return false;
            for (;;) {
                host().dlgMsg->shown.clear();
                QTest::keyClick(window->dbgAsnad, Qt::Key_S, Qt::ControlModifier);
                if (host().dlgMsg->shown.isEmpty() || numbers.isEmpty() ||
                    k.currentColumn() != "Bargeh")
                    return host().dlgMsg->shown.isEmpty();
                k.gridType(PersianDigits(numbers.takeFirst()));
                k.gridKey(Qt::Key_Tab);
            }
        };
        report = reconcile();
        QVERIFY(report);
        QTest::mouseClick(report->cmdDelivery, Qt::LeftButton);
        TTahvilAntegalForm* delivery = TopLevel<TTahvilAntegalForm>().value(0);
        QVERIFY2(delivery, qPrintable(d.lastMessage()));
        QCOMPARE(Column(host().db(), "SELECT TRIM(DaraCod) || '|' || TRIM(MakanCod) || '|' || "
                                     "TRIM(PersonelCod) FROM " +
                                         SqlIdent(delivery->TransTableName())),
                 QStringList{underAnother + "|" + room + "|" + other});
        DeleteTopLevel<TTahvilAntegalForm>();
        QTest::mouseClick(report->cmdSetAside, Qt::LeftButton);
        TKenarMForm* setAside = TopLevel<TKenarMForm>().value(0);
        QVERIFY2(setAside, qPrintable(d.lastMessage()));
        QCOMPARE(setAside->VoucherDate(), Day("08/03"));
        // The missing asset is among those proposed: the clerk keeps it only ("حذف رديف"
        // on the others), and confirms: the location chosen from its list (tst_disposal
        // rowChecks: the retirement's checks), then the form number; it is stored, for a
        // second clerk too.
        QVERIFY(Activate(setAside));
        setAside->dbgAsnad->setFocus();
        for (int left = 100; setAside->quAsnad->recordCount() > 1 && left > 0; --left) {
            const bool keep =
                setAside->quAsnad->fieldByName("DaraCod")->asString().trimmed() == missing;
            VoucherDriver(host(), setAside)
                .gridKey(keep ? Qt::Key_Down : Qt::Key_Delete,
                         keep ? Qt::NoModifier : Qt::ControlModifier);
        }
        QCOMPARE(Column(host().db(),
                        "SELECT TRIM(DaraCod) FROM " + SqlIdent(setAside->TransTableName())),
                 QStringList{missing});
        host().tempGridForm->shown.clear();
        QVERIFY2(confirm(setAside, {"31"}), qPrintable(d.lastMessage()));
        QCOMPARE(clerk.scalar("SELECT TRIM(MakanCod) || '|' || TRIM(Bargeh) || '|' || sDate "
                              "FROM D_KenarM WHERE TRIM(DaraCod) = ?",
                              {missing}),
                 host().tempGridForm->shown.value(0).positionedKey + "|31|" + Day("08/03"));
        QCOMPARE(clerk.scalar("SELECT KenarDate FROM D_Amval WHERE TRIM(DaraCod) = ?", {missing}),
                 Day("08/03"));
        DeleteTopLevel<TKenarMForm>();

        const QString transfers = "SELECT COUNT(*) FROM D_Tahvil_Antegal";
        const QString before = clerk.scalar(transfers);
        QTest::mouseClick(report->cmdTransfer, Qt::LeftButton);
        TTahvilAntegalForm* transfer = TopLevel<TTahvilAntegalForm>().value(0);
        QVERIFY2(transfer, qPrintable(d.lastMessage()));
        QCOMPARE(transfer->quAsnad->recordCount(), 2);
        QCOMPARE(transfer->VoucherDate(), Day("08/02"));
        QCOMPARE(clerk.scalar(transfers), before);
        // OK stops at each row's missing form number; typed, the voucher is stored.
        QVERIFY2(confirm(transfer, {"11", "12"}), qPrintable(d.lastMessage()));
        QCOMPARE(clerk.scalar(transfers).toInt(), before.toInt() + 2);
        for (const auto& [asset, where, who] :
             {std::tuple{fromElsewhere, room, other}, {wentAway, place2, holder2}})
            QCOMPARE(clerk.scalar("SELECT TRIM(MakanCod) || '|' || TRIM(PersonelCod) FROM "
                                  "D_Amval WHERE TRIM(DaraCod) = ?",
                                  {asset}),
                     where + "|" + who);
    }
};

AMVAL_TEST_MAIN(TestCount)
#include "tst_count.moc"
