// The asset count window driven by keys as a clerk with a barcode scanner drives it,
// a second clerk counting on his own connection, the right-alignment of codes put
// into the count from a spreadsheet, and the reconciliation of a demo count with the
// asset register, with a proposed transfer stored only once confirmed in its window.

#include "amvalgardaniunit.h"
#include "commandquery.h"
#include "companyprocedures.h"
#include "countreconcileunit.h"
#include "databasefolder.h"
#include "excelimportstore.h"
#include "excelimporttexts.h"
#include "excelimportunit.h"
#include "globalunit.h"
#include "reportgrid.h"
#include "sqlquote.h"
#include "tahvilantegalunit.h"
#include "uitest.h"
#include "voucherdriver.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <xlsxwriter.h>

namespace {

const QString kCountedIn = QStringLiteral("اين دارايي در سند شماره:");

// Another clerk on his own connection, storing count vouchers through the procedure.
class CountClerk
{
public:
    explicit CountClerk(const DemoHost& host)
    {
        m_db = DatabaseFolder(host.dataFolder()).openCompany("1", host.global.FiscalYear, false);
        m_db->setProcedures(&m_procedures);
    }
    DbConnection& db() { return *m_db; }
    QString scalar(const QString& sql, const QVariantList& values = {})
    {
        QSqlQuery q = m_db->select(sql, values);
        return q.next() ? q.value(0).toString() : QString();
    }
    // A new count of `assets` at `place` with `person`: the RetState.
    QString store(const QString& number, const QStringList& assets, const QString& place = "1",
                  const QString& person = "1")
    {
        const QString table = "##AMV2_count" + number;
        m_db->dialect().dropTempTable(table);
        m_db->execute(m_db->dialect().createTempTable(table) +
                      " (SanadNoAmval Varchar(20), User_Name Varchar(50), SDate Varchar(10), "
                      "DaraCod Varchar(20), MakanCod Varchar(20), PersonelCod Varchar(20), "
                      "DaraNam Varchar(60))");
        for (const QString& asset : assets)
            m_db->execute("INSERT INTO " + SqlIdent(table) +
                              " VALUES (?, 'clerk 2', ?, ?, ?, ?, '')",
                          {number, "1405/08/01", asset, place, person});
        Transaction transaction(*m_db);
        const QString state =
            m_db->callProcedure("sp_D_Asnad_Gardani", {table, number, "TRANS->DB", "@Expect=NEW"})
                .value("RetState")
                .toString();
        transaction.commit();
        return state;
    }
    QStringList countedIn(const QString& number)
    {
        return Column(*m_db, "SELECT TRIM(DaraCod) || '|' || TRIM(MakanCod) || '|' || "
                             "TRIM(PersonelCod) || '|' || SDate FROM D_Gardani WHERE "
                             "TRIM(SanadNoAmval) = " +
                                 SqlQuote(number) + " ORDER BY DaraCod");
    }

private:
    CompanyProcedures m_procedures;
    std::unique_ptr<DbConnection> m_db;
};

} // namespace

class TestCount : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QStringList m_assets; // in use, in no count voucher
    QString m_place, m_person, m_otherPlace, m_otherPerson;
    QTemporaryDir m_files;
    DemoHost& host() { return *m_host; }

    QString first(const QString& sql) { return host().scalar(sql + " LIMIT 1"); }
    // Number, date, then location and person typed into the header: the grid has the
    // focus on its first row.
    QString start(TAmvalGardaniForm* form, const VoucherDriver& d, const QString& place,
                  const QString& person)
    {
        const QString number = NextNumber(host(), "D_Gardani");
        d.startVoucher(number, "1405/08/01");
        // The date committed, the location is asked for first.
        if (!form->MakanCod->hasFocus())
            return QString();
        QTest::keyClicks(form->MakanCod, place);
        VoucherDriver::enter(form->MakanCod);
        QTest::keyClicks(form->PersonelCod, person);
        VoucherDriver::enter(form->PersonelCod);
        return number;
    }
    void scan(const VoucherDriver& d, const QString& code) { d.cell(code); }

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
    // named and the cursor waits in the next row's code. A location and person
    // changed after the rows were typed are stamped on every stored row.
    void scannedRunIsStoredWithTheHeader()
    {
        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        QCOMPARE(form->CaptionText(), "اموال گرداني");
        const QString number = start(form.get(), d, m_place, m_person);
        QVERIFY(!number.isEmpty());
        QCOMPARE(form->MakanNam->text(),
                 first("SELECT MakanNam FROM D_Makan WHERE TRIM(MakanCod) = " + SqlQuote(m_place)));
        QVERIFY(form->dbgAsnad->hasFocus());
        for (int i = 0; i < 3; ++i) {
            scan(d, i == 1 ? PersianDigits(m_assets.at(i)) : m_assets.at(i));
            QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
            QCOMPARE(d.currentColumn(), "DaraCod");
            QCOMPARE(form->quAsnad->currentRow(), i + 1);
            QCOMPARE(
                form->quAsnad->value(i, form->quAsnad->fieldByName("DaraNam")->index()).toString(),
                first("SELECT DaraNam FROM D_Amval WHERE TRIM(DaraCod) = " +
                      SqlQuote(m_assets.at(i))));
        }
        // The names are shown, never typed into: yellow on the read-only colour, the
        // codes in the grid's own colours.
        const auto colours = [&](const QString& field) {
            QAbstractItemModel* model = form->dbgAsnad->model();
            int column = 0;
            while (form->dbgAsnad->columns().at(column).fieldName != field)
                ++column;
            const QModelIndex cell = model->index(0, column);
            return QList<QVariant>{model->data(cell, Qt::ForegroundRole),
                                   model->data(cell, Qt::BackgroundRole)};
        };
        QCOMPARE(colours("DaraNam").at(0).value<QBrush>().color(), QColor(Qt::yellow));
        QVERIFY(colours("DaraNam").at(1).isValid());
        QCOMPARE(colours("DaraCod"), (QList<QVariant>{QVariant(), QVariant()}));
        for (auto [edit, code] : {std::pair{form->MakanCod, m_otherPlace},
                                  std::pair{form->PersonelCod, m_otherPerson}}) {
            edit->selectAll();
            QTest::keyClicks(edit, code);
            VoucherDriver::enter(edit);
        }
        CountClerk clerk(host());
        QVERIFY(clerk.countedIn(number).isEmpty());
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QStringList expected;
        for (int i = 0; i < 3; ++i)
            expected << m_assets.at(i) + "|" + m_otherPlace + "|" + m_otherPerson + "|1405/08/01";
        expected.sort();
        QCOMPARE(clerk.countedIn(number), expected);

        // Loaded again: the header from its rows, the caption of an edit.
        d.load(number);
        QCOMPARE(form->CaptionText(), "ويراش سند اموال گرداني " + number);
        QCOMPARE(form->PersonelCod->text(), m_otherPerson);
        QVERIFY(!form->PersonelNam->text().isEmpty());
        QCOMPARE(form->quAsnad->recordCount(), 3);
    }

    // The checks in their order, each with its message and the cursor on the code;
    // an asset a second clerk counted is refused in a new count and in the voucher
    // that holds it alike.
    void rowChecksRefuseInOrder()
    {
        CountClerk clerk(host());
        const QString stored = NextNumber(host(), "D_Gardani");
        QCOMPARE(clerk.store(stored, {m_assets.at(0)}), "1");
        // The database refuses it in another count whoever stores it, and stores
        // nothing of that count.
        const QString another = QString::number(stored.toInt() + 1);
        QCOMPARE(clerk.store(another, {m_assets.at(1), m_assets.at(0)}), "0");
        QVERIFY(clerk.countedIn(another).isEmpty());

        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        start(form.get(), d, m_place, m_person);
        const auto refused = [&](const QString& code, const QString& message, bool list) {
            host().dlgMsg->shown.clear();
            const int lists = host().tempGridForm->shown.size();
            if (list)
                host().tempGridForm->cancel();
            const int rows = form->quAsnad->recordCount();
            scan(d, code);
            QCOMPARE(d.refusal(), (QStringList{message, "DaraCod"}));
            QCOMPARE(host().tempGridForm->shown.size(), lists + (list ? 1 : 0));
            if (list)
                QCOMPARE(host().tempGridForm->shown.last().caption, "  اموال گرداني ");
            // The row stays, not stored, with the code to be corrected.
            QCOMPARE(form->quAsnad->recordCount(), rows);
            QCOMPARE(form->quAsnad->state(), DataSet::State::Insert);
        };
        // A code of blanks (no key of the code column types one) is empty.
        form->quAsnad->append();
        d.expectChecked({{"DaraCod", "   "}}, {}, "كد دارايي خالي مي باشد.", "DaraCod");
        refused("99999", "كد دارايي وجود ندارد.", true);
        const QString countedText =
            kCountedIn + PadLeft(stored, form->FieldWidth("SanadNoAmval")) + " ثبت شده است";
        refused(m_assets.at(0), countedText, true);
        scan(d, m_assets.at(1));
        refused(m_assets.at(1), "كد دارايي تكراري مي باشد.", false);

        // The voucher that holds the asset, loaded for an edit.
        form->cmdCancel->click();
        d.startVoucher(stored);
        form->dbgAsnad->setFocus();
        d.gridKey(Qt::Key_Down);
        refused(m_assets.at(0), countedText, true);
    }

    // Two clerks count one asset at the same moment: the second confirm is refused
    // under the database's lock, stores nothing, and keeps the rows on the screen.
    // Deleting a count asks first and removes it for everyone.
    void sameAssetCountedTwiceAtOnceAndDelete()
    {
        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        const QString number = start(form.get(), d, m_place, m_person);
        scan(d, m_assets.at(2));
        scan(d, m_assets.at(3));
        QVERIFY(host().dlgMsg->shown.isEmpty());
        CountClerk clerk(host());
        const QString other = QString::number(number.toInt() + 5);
        QCOMPARE(clerk.store(other, {m_assets.at(3)}), "1");
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QCOMPARE(d.lastMessage(),
                 kCountedIn + PadLeft(other, form->FieldWidth("SanadNoAmval")) + " ثبت شده است");
        QVERIFY(clerk.countedIn(number).isEmpty());
        QCOMPARE(form->quAsnad->recordCount(), 2);
        QCOMPARE(form->quAsnad->currentRow(), 1);

        // The row deleted ("حذف رديف" asks first), the count confirmed, then deleted.
        host().dlgMsg->shown.clear();
        form->dbgAsnad->setFocus();
        d.gridKey(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(d.lastMessage(), "آيا حذف شود؟");
        QCOMPARE(form->quAsnad->recordCount(), 1);
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QCOMPARE(clerk.countedIn(number).size(), 1);
        d.startVoucher(number);
        host().dlgMsg->shown.clear();
        QTest::mouseClick(form->cmdDel, Qt::LeftButton);
        QCOMPARE(d.lastMessage(), " آيا از حذف اطلاعات مطمئن هستيد؟ ");
        QVERIFY(clerk.countedIn(number).isEmpty());
        QCOMPARE(clerk.countedIn(other).size(), 1);
    }

    // A sheet imported from the count's menu: its codes, in any width, are
    // right-aligned to the stored width and named, with the header's place and
    // person; the grid shows them.
    void importedCodesAreRightAligned()
    {
        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        start(form.get(), d, m_place, m_person);
        const QString table = SqlIdent(form->TransTableName());
        const QString path = m_files.filePath("count.xlsx");
        lxw_workbook* book = workbook_new(path.toUtf8().constData());
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        const QStringList cells{
            "Code", "Name", m_assets.at(4), "x", " " + m_assets.at(1) + " ", "x", "77", "x"};
        for (int i = 0; i < cells.size(); ++i)
            worksheet_write_string(sheet, lxw_row_t(i / 2), lxw_col_t(i % 2),
                                   cells.at(i).toUtf8().constData(), nullptr);
        QCOMPARE(workbook_close(book), LXW_NO_ERROR);
        ExcelImportStore::SetDefaultForm(
            host().db(),
            ExcelImportStore::SaveForm(host().db(), "count",
                                       {{0, "DaraCod", ExcelImportText::kSlotCode, "Code"},
                                        {1, "DaraNam", ExcelImportText::kSlotName, "Name"}}));
        bool imported = false;
        bool mayMark = false;
        WhenModal<TFrm_Excel_Import2>([&](TFrm_Excel_Import2* window) {
            mayMark = window->BitBtn2->isEnabled();
            imported = window->openWorkbook(path);
            window->cmdOkClick();
        });
        form->miExcel->trigger();
        QVERIFY(imported);
        // The administrator's settings text names the count: he marks columns.
        QVERIFY(mayMark);
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM " + table +
                               " WHERE TRIM(MakanCod) = " + SqlQuote(m_place.trimmed())),
                 "3");
        const int width = form->FieldWidth("DaraCod");
        QCOMPARE(
            Column(host().db(), "SELECT '[' || DaraCod || ']' FROM " + table + " ORDER BY DaraCod"),
            (QStringList{"[" + QString("77").rightJustified(width) + "]",
                         "[" + m_assets.at(1).rightJustified(width) + "]",
                         "[" + m_assets.at(4).rightJustified(width) + "]"}));
        QCOMPARE(form->quAsnad->recordCount(), 3);
        QCOMPARE(
            host().scalar("SELECT DaraNam FROM " + table +
                          " WHERE TRIM(DaraCod) = " + SqlQuote(m_assets.at(4))),
            first("SELECT DaraNam FROM D_Amval WHERE TRIM(DaraCod) = " + SqlQuote(m_assets.at(4))));

        // Settings that no longer name the count, changed on another connection: the
        // next import marks by the saved forms only.
        CountClerk(host()).db().execute("UPDATE UserSdc SET Dara = 'COPY=YES;' WHERE UserId = ?",
                                        {QString::number(host().global.UserID)});
        mayMark = true;
        WhenModal<TFrm_Excel_Import2>([&](TFrm_Excel_Import2* window) {
            mayMark = window->BitBtn2->isEnabled();
            window->reject();
        });
        form->miExcel->trigger();
        QVERIFY(!mayMark);
    }

    // The server ends the clerk's session (a restart does so) while a count is typed
    // and its import window is open, and the count's rows and the import's table go
    // with it: the sheet is imported beside the scanned row, and the count is stored
    // whole, as another clerk reads it.
    void aCountAndItsImportOutliveTheSessionTheServerEnded()
    {
        if (!TestPlace::OnServer())
            QSKIP("a data folder's session is never ended by a server");
        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        const QString number = start(form.get(), d, m_place, m_person);
        scan(d, m_assets.at(0));
        const QString path = m_files.filePath("restart.xlsx");
        lxw_workbook* book = workbook_new(path.toUtf8().constData());
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        const QStringList cells{"Code", "Name", m_assets.at(1), "x", m_assets.at(2), "x"};
        for (int i = 0; i < cells.size(); ++i)
            worksheet_write_string(sheet, lxw_row_t(i / 2), lxw_col_t(i % 2),
                                   cells.at(i).toUtf8().constData(), nullptr);
        QCOMPARE(workbook_close(book), LXW_NO_ERROR);
        ExcelImportStore::SetDefaultForm(
            host().db(),
            ExcelImportStore::SaveForm(host().db(), "count",
                                       {{0, "DaraCod", ExcelImportText::kSlotCode, "Code"},
                                        {1, "DaraNam", ExcelImportText::kSlotName, "Name"}}));
        bool imported = false;
        WhenModal<TFrm_Excel_Import2>([&](TFrm_Excel_Import2* window) {
            if (window->openWorkbook(path)) {
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
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QStringList expected;
        for (int i = 0; i < 3; ++i)
            expected << m_assets.at(i) + "|" + m_place + "|" + m_person + "|1405/08/01";
        expected.sort();
        QCOMPARE(CountClerk(host()).countedIn(number), expected);
    }

    // The demo's counts reconciled from the count window's key: one matches the
    // register, one has assets elsewhere and missing; a code no asset has, brought by
    // a sheet, makes the fourth group. Each group holds what its name says of the
    // register. The proposed transfer is stored only once its form number is typed
    // and it is confirmed, and then the register places the assets where they were
    // counted.
    void reconciliationOfADemoCount()
    {
        auto form = OpenForm<TAmvalGardaniForm>();
        VoucherDriver d(host(), form.get());
        const auto load = [&](const QString& number) {
            form->cmdCancel->click();
            d.startVoucher(number);
        };
        const auto reconcile = [&] {
            DeleteTopLevel<TCountReconcileForm>();
            QTest::keyClick(form->dbgAsnad, Qt::Key_R, Qt::ControlModifier);
            return TopLevel<TCountReconcileForm>().value(0);
        };
        QString number;
        bool exact = false;
        for (const QString& n :
             Column(host().db(), "SELECT DISTINCT CAST(SanadNoAmval AS INTEGER) FROM D_Gardani "
                                 "ORDER BY 1 DESC LIMIT 3")) {
            load(n);
            TCountReconcileForm* report = reconcile();
            QVERIFY2(report, qPrintable(d.lastMessage()));
            const bool elsewhere = !report->Assets(TCountReconcileForm::Elsewhere).isEmpty();
            const bool missing = !report->Assets(TCountReconcileForm::NotCounted).isEmpty();
            exact = exact || (!elsewhere && !missing);
            if (elsewhere && missing && number.isEmpty())
                number = n;
        }
        QVERIFY(exact);
        QVERIFY(!number.isEmpty());
        load(number);
        const QString place = form->MakanCod->text();
        const QString person = form->PersonelCod->text();
        host().exec("INSERT INTO " + SqlIdent(form->TransTableName()) +
                    " (DaraCod) VALUES ('99999')");
        form->afterExcelImport();
        TCountReconcileForm* report = reconcile();
        QVERIFY(report);
        QVERIFY(report->ReportGrid->Menu() != nullptr);

        const QString at =
            "TRIM(MakanCod) = " + SqlQuote(place) + " AND TRIM(PersonelCod) = " + SqlQuote(person);
        QStringList groups[5];
        for (int g = 1; g <= 4; ++g) {
            groups[g] = report->Assets(g);
            QVERIFY2(!groups[g].isEmpty(), qPrintable(TCountReconcileForm::GroupCaption(g)));
        }
        const auto registerSays = [&](const QString& asset, const QString& condition) {
            return !host()
                        .scalar("SELECT 1 FROM D_Amval WHERE TRIM(DaraCod) = " + SqlQuote(asset) +
                                " AND " + condition)
                        .isEmpty();
        };
        const QStringList countedAssets =
            Column(host().db(), "SELECT DaraCod FROM " + SqlIdent(form->TransTableName()));
        for (const QString& a : groups[1])
            QVERIFY(countedAssets.contains(a) && registerSays(a, at));
        for (const QString& a : groups[2])
            QVERIFY(countedAssets.contains(a) && registerSays(a, "TRUE") && !registerSays(a, at));
        for (const QString& a : groups[3])
            QVERIFY(!countedAssets.contains(a) && registerSays(a, at));
        QCOMPARE(groups[4], QStringList{"99999"});
        QCOMPARE(groups[1].size() + groups[2].size() + groups[4].size(), countedAssets.size());

        CountClerk clerk(host());
        const QString transfers = "SELECT COUNT(*) FROM D_Tahvil_Antegal";
        const QString before = clerk.scalar(transfers);
        QTest::mouseClick(report->cmdTransfer, Qt::LeftButton);
        TTahvilAntegalForm* transfer = TopLevel<TTahvilAntegalForm>().value(0);
        QVERIFY2(transfer, qPrintable(d.lastMessage()));
        QCOMPARE(transfer->quAsnad->recordCount(), groups[2].size());
        QCOMPARE(clerk.scalar(transfers), before);

        // OK stops at each row's missing form number; typed, the voucher is stored.
        VoucherDriver t(host(), transfer);
        for (int i = 0; i <= groups[2].size(); ++i) {
            host().dlgMsg->shown.clear();
            QTest::mouseClick(transfer->OkBitBtn, Qt::LeftButton);
            if (host().dlgMsg->shown.isEmpty())
                break;
            QCOMPARE(t.currentColumn(), "Bargeh");
            QCOMPARE(clerk.scalar(transfers), before);
            t.gridType(QString::number(11 + i));
            t.gridKey(Qt::Key_Tab);
        }
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(t.lastMessage()));
        QCOMPARE(clerk.scalar(transfers).toInt(), before.toInt() + groups[2].size());
        for (const QString& a : groups[2])
            QVERIFY2(!clerk.scalar("SELECT 1 FROM D_Amval WHERE TRIM(DaraCod) = ? AND " + at, {a})
                          .isEmpty(),
                     qPrintable(a));
    }
};

QTEST_MAIN(TestCount)
#include "tst_count.moc"
