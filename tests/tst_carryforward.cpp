// The carry-forward window typed with keys on the demo company: last year's period as
// the source, the widths that must agree, the preview's marks, the carry-over that
// copies each voucher once (confirmed twice, and by a second clerk who previewed the
// same vouchers), the asset register that follows (a carried purchase gives a
// reduction its cost), and sources that cannot be read.

#include "assetregister.h"
#include "backup.h"
#include "databasefolder.h"
#include "dialect.h"
#include "importasnadunit.h"
#include "installhost.h"
#include "sqlcheck.h"
#include "testmain.h"
#include "voucherdriver.h"

#include <QFile>

namespace {

const QString kTransfer = QStringLiteral("D_Tahvil_Antegal");
const int kTransferType = 7; // its place in the type box
const int kPurchaseType = 2;
const QString kBackupOffer =
    QStringLiteral("پيش از انتقال اسناد، از اطلاعات نسخه پشتيبان گرفته شود؟");

// What the stored rows of a voucher table are: "number|row|asset" each, sorted.
QStringList Rows(DbConnection& db, const QString& table, const QString& where = QString(),
                 const QVariantList& values = {})
{
    QStringList rows = StoredLines(db,
                                   "SELECT TRIM(SanadNoAmval), Raj, TRIM(DaraCod) FROM " + table +
                                       (where.isEmpty() ? QString() : " WHERE " + where),
                                   values);
    rows.sort();
    return rows;
}

// The asset register's records, one text each.
QStringList RegisterRows(DbConnection& db)
{
    return StoredLines(db, "SELECT DaraCod, PersonelCod, MakanCod, Tafsily2, KenarDate, RaveshEst, "
                           "VezCod, TadilValue, AsaseChangeValue, ReduceValue, Salianeh, Nozooli, "
                           "Anbashteh, Esshat FROM D_Amval ORDER BY DaraCod");
}

} // namespace

// A failed check inside the typing helper ends the test there.
#define PREVIEW(form, ...)                                                                         \
    do {                                                                                           \
        preview(form __VA_OPT__(, ) __VA_ARGS__);                                                  \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

class TestCarryForward : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QString m_source; // last year's database of the same company
    DemoHost& host() { return *m_host; }

    std::unique_ptr<DbConnection> source()
    {
        auto db = std::make_unique<DbConnection>(host().dataFolder(), m_source,
                                                 DbConnection::OpenMode::Existing);
        if (!db->isOpen())
            qFatal("the source period did not open");
        return db;
    }

    // The source chosen with the arrows in the period box, Enter, the type with the
    // arrows in the type box and Enter: the preview.
    void preview(TImportAsnadForm& form, int type = kTransferType, QString from = QString())
    {
        const int index = form.cmbDorehMale->findData(from.isEmpty() ? m_source : from);
        QVERIFY2(index >= 0, "last year's period is not offered");
        // The clerk works in this window.
        QVERIFY(Activate(&form));
        form.cmbDorehMale->setFocus();
        for (const auto& [box, at] :
             {std::pair{form.cmbDorehMale, index}, {form.cmbTypeAsnad, type}}) {
            QVERIFY(box->hasFocus());
            while (box->currentIndex() != at)
                QTest::keyClick(box, box->currentIndex() < at ? Qt::Key_Down : Qt::Key_Up);
            QTest::keyClick(box, Qt::Key_Return);
        }
    }

    // The confirm button, reached from the preview where the cursor is and pressed. The
    // backup a window offers before its first carry-over is declined.
    void confirm(TImportAsnadForm& form, bool declineBackup = true)
    {
        auto* messages = static_cast<TScriptedDlgMsg*>(DlgMsg);
        const auto decline = qScopeGuard([messages] { messages->whileShown = nullptr; });
        if (declineBackup)
            messages->whileShown = [messages](const ShownMessage& m) {
                if (m.text == kBackupOffer)
                    messages->answers.prepend(TDlgMsg::mrNo);
            };
        ConfirmFromGrid(form.dbgAsnad, form.cmdOk);
    }

    QString lastMessage() const { return m_host->dlgMsg->shown.last().text; }

    // What a carry-over of transfers says, with the information icon, when `carried`
    // of the `offered` rows ("number|row|asset" each) were carried.
    static QString CarryMessage(const QStringList& carried, const QStringList& offered)
    {
        const auto vouchers = [](const QStringList& rows) {
            QSet<QString> numbers;
            for (const QString& row : rows)
                numbers << row.section('|', 0, 0);
            return qsizetype(numbers.size());
        };
        const qsizetype left = vouchers(offered) - vouchers(carried);
        return "I_Info|" +
               (carried.isEmpty() ? QString("هيچ سند تحويل/انتقال براي انتقال نبود.")
                                  : QString("%1 سند تحويل/انتقال با %2 رديف منتقل شد.")
                                        .arg(vouchers(carried))
                                        .arg(carried.size())) +
               (left == 0 ? QString()
                          : QString("\n%1 سند با %2 رديف منتقل نشد: شماره آن در اين دوره هست، "
                                    "در مانده هاي اول اين دوره آمده است يا دارايي آن در اين "
                                    "دوره ثبت نشده است.")
                                .arg(left)
                                .arg(offered.size() - carried.size()));
    }
    static QString Said(const DemoHost& host)
    {
        return host.dlgMsg->shown.last().icon + '|' + host.dlgMsg->shown.last().text;
    }

    // Last year's transfers made ready to carry: the first voucher keeps a number
    // this period has ("2"); the second is renumbered 901 and one of its rows names
    // an asset this period does not know ("3"); the others are renumbered from 902
    // and their first row moves an asset with no transfer this period to a holder it
    // does not have here, so that the carry changes its record.
    void prepareSource()
    {
        const QString asset =
            StoredValue(host().db(), "SELECT TRIM(DaraCod) FROM D_Amval WHERE DaraCod NOT IN "
                                     "(SELECT DaraCod FROM " +
                                         kTransfer + ") ORDER BY DaraCod");
        auto src = source();
        const QStringList numbers = StoredColumn(*src, "SELECT DISTINCT SanadNoAmval FROM " +
                                                           kTransfer + " ORDER BY SanadNoAmval");
        if (numbers.size() < 3)
            qFatal("last year has too few transfers");
        const int width = src->dialect().columnWidth(kTransfer, "SanadNoAmval");
        const int assetWidth = src->dialect().columnWidth(kTransfer, "DaraCod");
        for (int i = 1; i < numbers.size(); ++i)
            src->execute("UPDATE " + kTransfer + " SET SanadNoAmval = ? WHERE SanadNoAmval = ?",
                         {QString::number(900 + i).rightJustified(width), numbers.at(i)});
        const QString unknown(assetWidth, QLatin1Char('9'));
        src->execute("UPDATE " + kTransfer +
                         " SET DaraCod = ? WHERE TRIM(SanadNoAmval) = "
                         "'901' AND Raj = 1",
                     {unknown});
        const QString holder =
            StoredValue(host().db(),
                        "SELECT Code FROM Person WHERE Code <> (SELECT PersonelCod "
                        "FROM D_Amval WHERE TRIM(DaraCod) = ?) ORDER BY Code",
                        {asset});
        src->execute("UPDATE " + kTransfer +
                         " SET DaraCod = ?, PersonelCod = ? WHERE "
                         "TRIM(SanadNoAmval) = '902' AND Raj = 1",
                     {asset.rightJustified(assetWidth), holder});
    }

    // The source's transfers that prepareSource left to be carried: renumbered from
    // 902, all their assets known here.
    QStringList toCarry()
    {
        return Rows(*source(), kTransfer,
                    "TRIM(SanadNoAmval) >= '902' AND LENGTH(TRIM(SanadNoAmval)) = 3");
    }

    // Widens one column of a table of the source: the table made again with the same
    // columns and widths but that one.
    void widen(const QString& table, const QString& column, int by)
    {
        auto src = source();
        const Dialect& d = src->dialect();
        QStringList columns;
        for (const QString& c : d.tableColumns(table)) {
            const int w =
                d.columnWidth(table, c) + (c.compare(column, Qt::CaseInsensitive) == 0 ? by : 0);
            columns << SqlIdent(c) + (w > 0 ? " VARCHAR(" + QString::number(w) + ")" : " FLOAT");
        }
        src->execute("DROP TABLE " + SqlIdent(table));
        src->execute("CREATE TABLE " + SqlIdent(table) + " (" + columns.join(", ") + ")");
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>(300); // enough of last year's transfers
        m_source = "ZELMORA_1_" + QString::number(host().global.FiscalYear.toInt() - 1);
    }
    void cleanup() { m_host.reset(); }

    // The other periods of the company are offered, none chosen: Enter in the type box
    // says so and prepares nothing. The preview marks each row (stored here, asset
    // unknown, left out with it), names it from the source's lists and writes nothing;
    // the carry-over copies each voucher once: confirmed twice, and by a second clerk
    // who previewed the same vouchers.
    void carryOverCopiesEachVoucherOnce()
    {
        prepareSource();
        const QStringList stored = Rows(host().db(), kTransfer);
        auto src = source();
        // This period opened with the closing values of last year while voucher 903
        // was there (as the next period made from it opens): 903 is in them already.
        // A voucher of that number in another period is no matter here.
        const QString opened = StoredValue(*src, "SELECT DISTINCT SanadNoAmval FROM " + kTransfer +
                                                     " WHERE TRIM(SanadNoAmval) = '903'");
        QVERIFY(!opened.isEmpty());
        const QString openings = "INSERT INTO D_OpeningVouchers (SourceDB, TableNam, "
                                 "SanadNoAmval) VALUES (?, ?, ?)";
        host().exec(openings, {m_source, kTransfer, opened});
        host().exec(openings,
                    {"ZELMORA_2_" + host().global.FiscalYear, kTransfer,
                     opened.trimmed().replace("903", "904").rightJustified(opened.size())});
        QStringList carried;
        for (const QString& row : toCarry())
            if (!row.startsWith("903|"))
                carried << row;
        QVERIFY(carried.size() > 1);
        const QStringList offered = Rows(*src, kTransfer);

        auto form = OpenForm<TImportAsnadForm>();
        QStringList sources;
        for (int i = 0; i < form->cmbDorehMale->count(); ++i)
            sources << form->cmbDorehMale->itemData(i).toString();
        QCOMPARE(sources, QStringList({m_source, "ZELMORA_2_" + host().global.FiscalYear}));
        QCOMPARE(form->cmbDorehMale->currentIndex(), -1);
        QVERIFY(!form->cmdOk->isEnabled());
        QTest::keyClick(form->cmbTypeAsnad, Qt::Key_Return);
        QCOMPARE(lastMessage(), QString("دوره مالي انتخاب نشده است"));
        QVERIFY(!form->quAsnad->active());
        host().dlgMsg->shown.clear();

        PREVIEW(*form);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(lastMessage()));
        QVERIFY(form->windowTitle().contains(
            "[" + QString::number(host().global.FiscalYear.toInt() - 1) + "_1]"));

        // Each row's mark: "2" on the voucher whose number this period has, "5" on the
        // one its opening values hold, "3" on the row whose asset it does not know and
        // "4" on the other rows of that voucher, which is left out whole in the colour
        // of the row that is; "1" on the rest.
        const auto mark = [&](const QString& row) {
            if (row.startsWith("901|"))
                return row.section('|', 1, 1) == "1" ? "3" : "4";
            if (row.startsWith("903|"))
                return "5";
            return carried.contains(row) ? "1" : "2";
        };
        QMap<QString, QString> expected;
        for (const QString& row : offered)
            expected.insert(row.section('|', 0, 1), mark(row));
        QMap<QString, QString> marks; // the preview's, by "number|row"
        DataSet* ds = form->quAsnad;
        for (bool more = ds->first(); more && !ds->eof(); more = ds->next())
            marks.insert(ds->currentText("SanadNoAmval").trimmed() + "|" + ds->currentText("Raj"),
                         ds->currentText("sOrder2"));
        QCOMPARE(marks, expected);
        for (auto it = marks.cbegin(); it != marks.cend(); ++it) {
            if (it.key().startsWith("901|"))
                QCOMPARE(TImportAsnadForm::RowColor(it.value()), QColor(Qt::red));
            if (it.key().startsWith("903|"))
                QCOMPARE(TImportAsnadForm::RowColor(it.value()), QColor(Qt::magenta));
        }
        // The names come from the source's lists.
        QVERIFY(form->quAsnad->locate({"SanadNoAmval", "Raj"},
                                      {form->quAsnad->currentText("SanadNoAmval"), 1}));
        const QString code = form->quAsnad->currentText("DaraCod");
        QCOMPARE(form->quAsnad->currentText("DaraNam"),
                 StoredValue(*src, "SELECT DaraNam FROM D_Amval WHERE DaraCod = ?", {code}));
        QVERIFY(!form->quAsnad->currentText("PersonelNam").trimmed().isEmpty());
        // A title click sorts by the marks first, then by that column.
        ClickTitle(form->dbgAsnad, form->dbgAsnad->columnOf("DaraCod"));
        QCOMPARE(form->quAsnad->sort(), QString("sOrder1, sOrder2, DaraCod"));

        // A user who may only view transfers sees the preview and is told he may not
        // carry it: the button stays disabled and nothing is carried.
        {
            DemoHost viewer(host().dataFolder(), 3, "viewer");
            auto other = OpenForm<TImportAsnadForm>();
            PREVIEW(*other);
            QCOMPARE(viewer.dlgMsg->shown.size(), 1);
            QCOMPARE(viewer.dlgMsg->shown.last().text,
                     QString("کاربر مجاز به ثبت تحويل/انتقال جديد نيست"));
            QVERIFY(other->quAsnad->recordCount() > 0);
            QVERIFY(!other->cmdOk->isEnabled());
        }
        QCOMPARE(Rows(host().db(), kTransfer), stored);

        // A second clerk previews the same vouchers and carries them first.
        {
            DemoHost clerk(host().dataFolder(), 2, "clerk 2");
            auto other = OpenForm<TImportAsnadForm>();
            PREVIEW(*other);
            confirm(*other);
            QCOMPARE(clerk.dlgMsg->shown.size(), 2); // the backup offered, the carry
            QCOMPARE(Said(clerk), CarryMessage(carried, offered));
            QVERIFY(!other->cmdOk->isEnabled());
        }
        InstallHost(host());
        QStringList all = stored + carried;
        all.sort();
        QCOMPARE(Rows(host().db(), kTransfer), all);

        // This clerk's preview is stale; confirming copies nothing twice, and says so.
        confirm(*form);
        QCOMPARE(Said(host()), CarryMessage({}, offered));
        QVERIFY(!form->cmdOk->isEnabled());
        QCOMPARE(Rows(host().db(), kTransfer), all);
        // Each voucher carried is kept once, under the period it came from (the next
        // period made from this one opens holding it as that period's).
        QStringList kept;
        for (const QString& row : carried)
            kept << m_source + "|" + kTransfer + "|" + row.section('|', 0, 0);
        kept.removeDuplicates();
        kept.sort();
        QCOMPARE(StoredLines(host().db(), "SELECT SourceDB, TableNam, TRIM(SanadNoAmval) FROM "
                                          "D_CarriedVouchers ORDER BY 3"),
                 kept);
    }

    // A source that cannot be carried from: columns of other widths than here (the
    // message names the width the column must have; of two that differ, the later one
    // of the list), or a period gone, damaged, held by another program or of an older
    // version (the message names it). One message, nothing prepared, nothing written.
    void unusableSourceRefused_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("widened"); // "table.column", each 5 wider
        QTest::addColumn<QString>("said");        // the width's message up to the width
        const QString wider = " مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ";
        QTest::newRow("user name width") << "widened" << QStringList{"D_SoulationChange.User_Name"}
                                         << "طول ستونهاي نام كاربر" + wider;
        QTest::newRow("two widths")
            << "widened" << QStringList{"D_Makan.MakanCod", "D_VazDarae.VazCod"}
            << "طول ستونهاي كد مکان استقرار دارايي" + wider;
        for (const char* how : {"missing", "damaged", "locked", "older"})
            QTest::newRow(how) << how << QStringList() << QString();
    }
    void unusableSourceRefused()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, widened);
        QFETCH(QString, said);
        prepareSource();
        for (const QString& w : widened)
            widen(w.section('.', 0, 0), w.section('.', 1), 5);
        auto form = OpenForm<TImportAsnadForm>(); // the period is listed while it is still there
        const QString file = DbConnection::DatabaseFile(host().dataFolder(), m_source);
        std::unique_ptr<DbConnection> holder;
        if (how == "missing") {
            if (TestPlace::OnServer())
                host().exec("ALTER SCHEMA " + m_source.toLower() + " RENAME TO " +
                            m_source.toLower() + "_gone");
            else
                QVERIFY(QFile::rename(file, file + ".gone"));
        } else if (how == "damaged") {
            SKIP_ON_SERVER("a damaged file");
            WriteWholeFile(file, QByteArray(8192, 'x'));
        } else if (how == "locked") {
            SKIP_ON_SERVER("a file another program holds");
            // Another program writes the file and keeps every reader out meanwhile.
            holder = source();
            holder->execute("BEGIN EXCLUSIVE");
            host().db().setBusyLimit(300);
        } else if (how == "older") {
            source()->execute("UPDATE Amval_Schema SET Version = Version - 1");
        }
        const QStringList before = Rows(host().db(), kTransfer);
        PREVIEW(*form);
        QCOMPARE(host().dlgMsg->shown.size(), 1);
        if (widened.isEmpty()) {
            QVERIFY2(lastMessage().contains("«" + m_source + "»"), qPrintable(lastMessage()));
        } else {
            const QString named = widened.first();
            const int width =
                host().db().dialect().columnWidth(named.section('.', 0, 0), named.section('.', 1));
            QCOMPARE(lastMessage(), said + QString::number(width + 5) + " باشد. ");
        }
        QVERIFY(form->cmbDorehMale->hasFocus());
        QVERIFY(!form->cmdOk->isEnabled());
        QVERIFY(!form->quAsnad->active());
        QCOMPARE(Rows(host().db(), kTransfer), before);
        if (holder)
            holder->execute("ROLLBACK");
    }

    // Many periods carried from one after another in one window: every source is let
    // go when its preview is made, so that the eleventh is read as the first was.
    void manySourcesInTurn()
    {
        const QString voucher =
            StoredValue(host().db(), "SELECT MIN(SanadNoAmval) FROM " + kTransfer);
        const int rows = StoredNumber(
            host().db(), "SELECT COUNT(*) FROM " + kTransfer + " WHERE SanadNoAmval = ?",
            {voucher});
        QVERIFY(rows > 0);
        const int width = host().db().dialect().columnWidth(kTransfer, "SanadNoAmval");
        const QString here = host().global.DatabaseName;
        DatabaseFolder place(host().dataFolder());
        const int year = host().global.FiscalYear.toInt();
        QStringList sources;
        QStringList expected = Rows(host().db(), kTransfer);
        QVERIFY(Rows(host().db(), kTransfer,
                     "TRIM(SanadNoAmval) >= '8000' AND LENGTH(TRIM(SanadNoAmval)) = 4")
                    .isEmpty());
        // Each period holds the voucher under a number of its own, 8000 on.
        for (int i = 0; i < 11; ++i) {
            const QString y = QString::number(year - 2 - i);
            auto db = place.openCompany("1", y, true);
            place.registerPeriod({"1", y, "period " + y, y + "/01/01", y + "/12/29", QString()});
            QVERIFY(db->attach(here));
            db->execute("INSERT INTO " + kTransfer + " SELECT * FROM " +
                            db->dialect().tableIn(here, kTransfer) + " WHERE SanadNoAmval = ?",
                        {voucher});
            db->execute("UPDATE " + kTransfer + " SET SanadNoAmval = ?",
                        {QString::number(8000 + i).rightJustified(width)});
            expected << Rows(*db, kTransfer);
            sources << db->databaseName();
        }
        expected.sort();

        auto form = OpenForm<TImportAsnadForm>();
        for (const QString& from : sources) {
            PREVIEW(*form, kTransferType, from);
            QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(from + ": " + lastMessage()));
            confirm(*form);
            QCOMPARE(lastMessage(), QString("1 سند تحويل/انتقال با %1 رديف منتقل شد.").arg(rows));
            host().dlgMsg->shown.clear();
        }
        QCOMPARE(Rows(host().db(), kTransfer), expected);
    }

    // An asset registered here without a cost and reduced this period: the reduction
    // took nothing of its accumulated depreciation. Its purchase carried from last
    // year gives it its cost: the reduction's share follows, as another clerk reads it.
    void aCarriedPurchaseGivesAReductionItsCost()
    {
        const QString asset = StoredValue(
            host().db(), "SELECT TRIM(DaraCod) FROM D_Amval WHERE Anbashteh > 0 AND DaraCod NOT "
                         "IN (SELECT DaraCod FROM D_Buy_Create UNION SELECT DaraCod FROM "
                         "D_DaraeReduce UNION SELECT DaraCod FROM D_FirstTadil UNION SELECT "
                         "DaraCod FROM D_AsaseChange) ORDER BY DaraCod");
        QVERIFY(!asset.isEmpty());
        const QString stored = asset.rightJustified(6);
        const QString year = host().global.FiscalYear;
        host().exec("UPDATE D_Amval SET EndValue = 0 WHERE TRIM(DaraCod) = " + SqlQuote(asset));
        host().db().execute("INSERT INTO D_DaraeReduce (SanadNoAmval, Raj, sDate, DaraCod, "
                            "ArzeshReduce, ArzeshAsgat, Bargeh) VALUES ('    9950', 1, ?, ?, "
                            "2.5e7, 1000, '9950')",
                            {year + "/05/01", stored});
        Committed(host().db(), [&] { AssetRegister::Recompute(host().db(), {asset}); });
        const QString accumulated =
            "SELECT CAST(Anbashteh AS BIGINT) FROM D_Amval WHERE TRIM(DaraCod) = ?";
        const double before = StoredValue(host().db(), accumulated, {asset}).toDouble();
        QCOMPARE(before, StoredValue(host().db(),
                                     "SELECT CAST(FirstAnbashteh AS BIGINT) FROM D_Amval WHERE "
                                     "TRIM(DaraCod) = ?",
                                     {asset})
                             .toDouble());
        source()->execute("INSERT INTO D_Buy_Create (SanadNoAmval, Raj, sDate, DaraCod, EndFee, "
                          "Esshat, Bargeh) VALUES ('    9950', 1, ?, ?, 1e8, 0, '9950')",
                          {QString::number(year.toInt() - 1) + "/06/01", stored});

        auto form = OpenForm<TImportAsnadForm>();
        PREVIEW(*form, kPurchaseType);
        confirm(*form);
        QVERIFY2(lastMessage().startsWith("1 سند خريد/ساخت با 1 رديف منتقل شد."),
                 qPrintable(lastMessage()));
        QCOMPARE(Rows(host().db(), "D_Buy_Create", "TRIM(SanadNoAmval) = '9950'"),
                 QStringList("9950|1|" + asset));
        auto other = host().openAgain();
        QCOMPARE(StoredValue(*other, accumulated, {asset}).toDouble(), std::round(before * 0.75));
    }

    // The carry-over stopped after its first chunk of rows (the clerk presses the
    // progress window's cancel button): it says so, keeps nothing (this clerk and
    // another see the vouchers and the register as they were) and may be confirmed
    // again. On the server the clerk's session ends meanwhile (a restart does so) and
    // the preview's work table with it: the confirmation carries what the preview
    // showed; at most the first after the restart says the server was not reached and
    // carries nothing. Confirmed, the register is what saving the carried vouchers
    // makes of it: recomputing it whole, every record put wrong first, gives it back.
    void cancelledCarryKeepsNothing()
    {
        prepareSource();
        const QStringList stored = Rows(host().db(), kTransfer);
        const QStringList records = RegisterRows(host().db());
        auto form = OpenForm<TImportAsnadForm>();
        PREVIEW(*form);
        QList<qint64> steps;
        connect(form.get(), &TImportAsnadForm::carryProgressed, form.get(),
                [&](qint64 done, qint64 total) {
                    steps << done;
                    QVERIFY(done <= total);
                    if (done == 0)
                        return;
                    auto* progress = form->findChild<QProgressDialog*>("CarryProgress");
                    QVERIFY(progress && progress->isVisible());
                    auto* cancel = progress->findChild<QPushButton*>();
                    QVERIFY(cancel);
                    if (!progress->wasCanceled())
                        QTest::keyClick(cancel, Qt::Key_Space);
                });
        confirm(*form);
        QCOMPARE(steps.size(), 2); // the start, then the first chunk
        QCOMPARE(lastMessage(), QString("انتقال تحويل/انتقال متوقف شد و هيچ سندي منتقل نشد."));
        QCOMPARE(Rows(host().db(), kTransfer), stored);
        QCOMPARE(RegisterRows(host().db()), records);
        auto other = host().openAgain();
        QCOMPARE(Rows(*other, kTransfer), stored);
        QCOMPARE(RegisterRows(*other), records);

        // Confirmed again, without stopping.
        disconnect(form.get(), &TImportAsnadForm::carryProgressed, form.get(), nullptr);
        host().dlgMsg->shown.clear();
        if (TestPlace::OnServer())
            host().endSession();
        confirm(*form);
        if (TestPlace::OnServer() && !Said(host()).startsWith("I_Info|")) {
            QVERIFY2(lastMessage().contains("در دسترس نيست"), qPrintable(lastMessage()));
            QCOMPARE(Rows(*other, kTransfer), stored);
            confirm(*form);
        }
        QCOMPARE(Said(host()), CarryMessage(toCarry(), Rows(*source(), kTransfer)));
        QStringList all = stored + toCarry();
        all.sort();
        QCOMPARE(Rows(*other, kTransfer), all);
        const QStringList carried = RegisterRows(*other);
        QVERIFY(carried != records && carried.size() >= 250);
        // Recomputed whole with every record put wrong (written through a work table of
        // its own, so many records change), each comes back as its vouchers make it.
        host().exec("UPDATE D_Amval SET PersonelCod = '', MakanCod = '', KenarDate = '1', "
                    "TadilValue = TadilValue + 7, Salianeh = Salianeh + 1");
        Committed(host().db(), [&] { AssetRegister::RecomputeAll(host().db()); });
        QCOMPARE(RegisterRows(*other), carried);
    }

    // Before its first carry-over the window offers a backup of the data. Taken (into
    // a new folder inside the one chosen), it holds the data as it was before the
    // carry, and the carry's message names it; stopped, nothing is carried and it is
    // offered again; declined, the carry goes on. A window offers it once.
    void aBackupIsOfferedBeforeTheFirstCarry_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stop");
        QTest::newRow("declined") << int(TDlgMsg::mrNo) << false;
        QTest::newRow("taken") << int(TDlgMsg::mrYes) << false;
        QTest::newRow("stopped") << int(TDlgMsg::mrYes) << true;
    }
    void aBackupIsOfferedBeforeTheFirstCarry()
    {
        QFETCH(int, answer);
        QFETCH(bool, stop);
        prepareSource();
        const QStringList stored = Rows(host().db(), kTransfer);
        const QString folder = QDir(host().fileFolder()).filePath("backups");
        QVERIFY(QDir().mkpath(folder));
        auto form = OpenForm<TImportAsnadForm>();
        PREVIEW(*form);
        host().dlgMsg->answers << answer;
        if (answer == TDlgMsg::mrYes)
            ChooseFile(folder);
        // The progress window's "انصراف" pressed as soon as it shows.
        bool stopShown = false;
        if (stop)
            StopWhenProgressShows(&stopShown, QStringLiteral("BackupProgress"));
        confirm(*form, false);
        QCOMPARE(stopShown, stop);
        QCOMPARE(host().dlgMsg->shown.first().text, kBackupOffer);
        const QStringList made =
            QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        if (stop) {
            QCOMPARE(made, QStringList());
            QCOMPARE(lastMessage(),
                     QString("پشتيبان گيري متوقف شد و هيچ سند تحويل/انتقال منتقل نشد."));
            QCOMPARE(Rows(host().db(), kTransfer), stored);
            QVERIFY(form->cmdOk->isEnabled());
            host().dlgMsg->shown.clear();
            confirm(*form);
            QCOMPARE(host().dlgMsg->shown.first().text, kBackupOffer); // offered again
        } else if (answer == TDlgMsg::mrNo) {
            QCOMPARE(made, QStringList());
        } else {
            QCOMPARE(made.size(), 1);
            // The backup's folder as one left-to-right run, so that it reads as written.
            QVERIFY2(lastMessage().contains(QChar(0x2066) + QDir(folder).filePath(made.first()) +
                                            QChar(0x2069)),
                     qPrintable(lastMessage()));
            TestPlace target;
            const QString into = target.isServer() ? target.location() : target.filePath("data");
            RestoreBackup(QDir(folder).filePath(made.first()), into);
            const auto restored =
                DatabaseFolder(into).openCompany("1", host().global.FiscalYear, false);
            QVERIFY(restored);
            QCOMPARE(Rows(*restored, kTransfer), stored);
        }
        QVERIFY(Rows(host().db(), kTransfer).size() > stored.size());
        // Once offered, not again: the next carry-over goes straight on.
        host().dlgMsg->shown.clear();
        PREVIEW(*form, kPurchaseType);
        confirm(*form, false);
        QCOMPARE(host().dlgMsg->shown.size(), 1);
        QVERIFY(host().dlgMsg->answers.isEmpty());
    }
};

AMVAL_TEST_MAIN(TestCarryForward)
#include "tst_carryforward.moc"
