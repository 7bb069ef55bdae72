// The purchase/construction voucher window driven as a user drives it: keys in the
// header and the grid, the host's pick list and message windows answered by the
// scripted host, and the stored rows read back from the demo company. With a second
// clerk at work on the same data: an edit or delete of a voucher the other clerk
// changed, a save that fails halfway, a database held by another program, a database
// that cannot be written. The second clerk is a session of his own on the same
// company, saving through the procedures as his window's OK would.

#include "clerkvoucher.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "globalunit.h"
#include "installhost.h"
#include "messages.h"
#include "purchasedriver.h"
#include "sqlcheck.h"
#include "synccount.h"
#include "testmain.h"
#include "voucherstore.h"

#include <QDir>
#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QToolButton>
#include <QUrl>

Q_DECLARE_METATYPE(TStoreResult)

namespace {

const QString kBuy = QStringLiteral("D_Buy_Create");
// A purchase row right in every column but the asset.
const QVariantMap kRightPurchase{
    {"EndFee", 10.0}, {"MabadiCod", " 1"}, {"Koll", " 11"}, {"Moein", "   1"}, {"Bargeh", "1"}};

const QString kFailure = QStringLiteral("بدليل وجود اشکال در دادهها, اطلاعات نميتواند ذخيره شود.");

// What stands in the way of a save or delete of the store.
enum class Situation {
    New,
    Renumbered,
    SoldMeanwhile,
    Changed,
    Deleted,
    Busy,
    HalfWay,
    ReadOnly,
    DiskFull,
    Remove,
    RemoveChanged,
    RemoveGone
};

const VoucherKind& kPurchase = VoucherKindOf(VoucherKindId::BuyCreate);

// A purchase row of `description` on `asset` for voucher `number`, typed into the work
// table `table` (its window's columns): the statement and its values.
std::pair<QString, QVariantList> TypedRow(const QString& table, const QString& number,
                                          const QString& asset, const QString& description)
{
    return {"INSERT INTO " + SqlIdent(table) +
                " (SanadNoAmval, Raj, sDate, DaraCod, AmvalDes, User_Name, EndFee) "
                "VALUES (?, 1, ?, ?, ?, 'clerk', 900)",
            {number, Day("06/01"), asset, description}};
}

} // namespace

class TestBuyCreate : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QPointer<TBuyCreateForm> m_form;
    QStringList m_assets; // assets free to buy, put into use at the period's end

    DemoHost& host() { return *m_host; }
    TBuyCreateForm& form() { return *m_form; }

    VoucherDriver drv() const { return VoucherDriver(*m_host, m_form); }
    QString lastMessage() const { return drv().lastMessage(); }
    PurchaseDriver purchase() const { return PurchaseDriver(*m_host, m_form); }
    // Another clerk on the same company, in a session of his own.
    std::unique_ptr<DemoHost> secondClerk()
    {
        auto clerk = std::make_unique<DemoHost>(host().dataFolder(), 2, "clerk 2");
        InstallHost(host());
        return clerk;
    }
    // The other clerk loads voucher `number`, changes its descriptions and saves it.
    static void ChangedElsewhere(DemoHost& clerk, const QString& number, const QString& text)
    {
        QCOMPARE(ClerkSaves(clerk.db(), kPurchase, number,
                            {{"UPDATE " + kClerkRows + " SET AmvalDes = ?", {text}}}),
                 number.trimmed());
    }
    // Rows a, b, c... on the first `count` free assets, costing 10, 20, 30..., their
    // delivery sources taken in turn from `sources`.
    void typeRows(int count, const QStringList& sources = {"1"})
    {
        for (int i = 0; i < count; ++i)
            purchase().typeRow(m_assets.at(i), QString(QChar(u'a' + i)),
                               {QString::number(10 * (i + 1))}, "0", sources.at(i % sources.size()),
                               "1");
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(lastMessage()));
    }
    // The cost components stored for voucher `number`, as `db` reads them.
    QStringList components(const QString& number, const DbConnection* db = nullptr)
    {
        return Column(db ? *db : host().db(),
                      "SELECT TRIM(DaraCod) || ':' || GheimatCod || '=' || CAST(sValue AS BIGINT) "
                      "FROM D_Buy_Create_Relate_Gheimat WHERE TRIM(SanadNoAmval) = ? AND sValue "
                      "<> 0 ORDER BY DaraCod, GheimatCod",
                      {number});
    }

    // The proposed number, a date commit and one typed row; not saved yet.
    QString typeNewVoucher(const QString& asset, const QString& description)
    {
        const QString number = drv().newVoucher();
        purchase().typeRow(asset, description, {"900"}, "0", "1", "77");
        return number;
    }

private slots:
    // Every connection of this program counts its syncs (SyncCount): installed before
    // the first database is opened.
    void initTestCase() { QVERIFY(SyncCount::Install()); }
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = PurchaseDriver::PrepareAssets(host(), 4);
        QCOMPARE(m_assets.size(), 4);
        m_form = PurchaseDriver::OpenWindow();
    }
    void cleanup()
    {
        delete m_form;
        m_host.reset();
    }

    void opensOnTheNextNewVoucher()
    {
        QCOMPARE(form().SanadID->text().trimmed(), NextNumber(host(), kBuy));
        QVERIFY(!form().OkBitBtn->isEnabled());
        QVERIFY(!form().GridPanel->isEnabled());
        // Down on number 1 stays on 1.
        form().SanadID->setText("1");
        QTest::keyClick(form().SanadID, Qt::Key_Down);
        QCOMPARE(form().SanadNo().trimmed(), "1");
        QVERIFY(form().CaptionText().startsWith("ويرايش سند خريد/ساخت 1"));
        // Letters never reach the number; Persian and Arabic-Indic digits come as 0-9,
        // so the voucher opened is the one meant.
        form().SanadID->clear();
        QTest::keyClicks(form().SanadID, "1a2");
        for (const QChar c : PersianDigits("34") + QChar(0x0661))
            VoucherDriver::typeChar(form().SanadID, c);
        QCOMPARE(form().SanadID->text(), "12341");
        // Leaving it with no number: said, and 1 proposed.
        form().SanadID->setText("0");
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(form().SanadID, &out);
        QCOMPARE(lastMessage(), "شماره خريد/ساخت بدرستي وارد نشده است");
        QCOMPARE(form().SanadID->text(), "1");

        // A user without the copy and print rights (the demo's viewer) has the clipboard
        // and print items off in the menu, and their keys do nothing: the window reads the
        // rights from the user's record when it is made, whatever the host left.
        delete m_form;
        host().global.UserID = 3;
        host().global.CopyPermission.clear();
        host().global.PrintPermission.clear();
        m_form = PurchaseDriver::OpenWindow();
        QCOMPARE(host().global.CopyPermission + '|' + host().global.PrintPermission, "NO|NO");
        QTest::keyClick(form().SanadID, Qt::Key_Down); // the newest voucher, read only
        QVERIFY(form().quAsnad->recordCount() > 0);
        emit form().PopupMenu->aboutToShow();
        QCOMPARE((QList<bool>{form().miClipboard->isEnabled(), form().miPrint->isEnabled(),
                              form().miNew->isEnabled()}),
                 (QList<bool>{false, false, true}));
        emit form().PopupMenu->aboutToHide();
        QStringList plain;
        const PlainMessageHandler previous =
            SetPlainMessageHandler([&plain](const QString& text) { plain << text; });
        QApplication::setActiveWindow(&form());
        form().SanadID->setFocus();
        QTest::keyClick(form().SanadID, Qt::Key_P, Qt::ControlModifier);
        // Without the right no print library is even looked for.
        QCOMPARE(plain, QStringList());
        // With it the same key goes to the print library (not beside this test).
        host().global.PrintPermission = "YES";
        QTest::keyClick(form().SanadID, Qt::Key_P, Qt::ControlModifier);
        SetPlainMessageHandler(previous);
        QCOMPARE(plain.size(), 1);
        QVERIFY2(plain.first().startsWith("Can not load"), qPrintable(plain.first()));
    }

    // The syncs of this program's files: typing rows writes only temporary tables and
    // syncs nothing, nor does loading a voucher; a save is one durable commit of the
    // company's own file on a data folder (its journal twice, the database once), and
    // touches no other file. Fewer would be a weaker commit, more a needless one.
    void aTypedVoucherIsStoredWithItsComponents()
    {
        const QString company = host().global.DatabaseName + ".sqlite";
        const QMap<QString, int> none, oneCommit{{company, 1}, {company + "-journal", 2}};
        SyncCount::Reset();
        const QString number = NextNumber(host(), kBuy);
        drv().startVoucher(number);
        QVERIFY(!form().OkBitBtn->isEnabled());
        drv().keys({"#CurrentRowEdit=0", "#RowCountEdit=0"}); // no row yet

        drv().gridKey(Qt::Key_Return); // the first row
        // The salvage and the form number typed in Persian digits are stored with 0-9.
        purchase().typeRow(m_assets.at(0), "خريد 'نقدي'", {"1000000", "250000"},
                           PersianDigits("5000"), "1", PersianDigits("881"));
        purchase().typeRow(m_assets.at(1), "دوم", {"700"}, "0", "3", "882");
        drv().keys({"?", "#EEndFeeSum=1,250,700", "#EEsshatSum=5,000"});
        QCOMPARE(form().quAsnad->recordCount(), 3); // the new empty row after the last
        QCOMPARE(SyncCount::Counts(), none);

        QVERIFY2(drv().save(), qPrintable(drv().lastMessage()));
        QCOMPARE(SyncCount::Counts(), TestPlace::OnServer() ? none : oneCommit);
        QCOMPARE(
            drv().rows(
                number,
                "Raj || '|' || TRIM(DaraCod) || '|' || AmvalDes || '|' || CAST(EndFee AS INTEGER) "
                "|| '|' || CAST(Esshat AS INTEGER) || '|' || MabadiCod || '|' || Koll || "
                "'|' || Moein || '|' || Bargeh"),
            QStringList({"1|" + m_assets.at(0) + "|خريد 'نقدي'|1250000|5000| 1| 11|   1|881",
                         "2|" + m_assets.at(1) + "|دوم|700|0| 3| 21|   1|882"}));
        QCOMPARE(components(number),
                 QStringList({m_assets.at(0) + ":  1=1000000", m_assets.at(0) + ":  2=250000",
                              m_assets.at(1) + ":  1=700"}));
        QCOMPARE(Logged(host(), number, "خريد/ساخت"), "I");
        // Reset to the next new voucher.
        QCOMPARE(form().SanadID->text().trimmed(), QString::number(number.toInt() + 1));
        QVERIFY(!form().quAsnad->active());
        SyncCount::Reset();
        drv().load(number);
        QCOMPARE(form().quAsnad->recordCount(), 2);
        QCOMPARE(SyncCount::Counts(), none);
    }

    // Every button is reachable from the keyboard: Ctrl+Tab leaves the grid for the
    // buttons, Tab walks them, Space presses one; Ctrl+Shift+Del deletes the voucher,
    // and the deletion is logged after the registration. A row copied in one voucher
    // can be pasted into the next one: the copy lives as long as the window, past
    // its voucher and a new one's date commit.
    void theButtonsAreReachedFromTheKeyboardAndACopyOutlivesItsVoucher()
    {
        const QString number = drv().newVoucher();
        purchase().typeRow(m_assets.at(0), "رونوشت", {"500"}, "0", "1", "62");
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        drv().startVoucher(number);
        form().miCopyRow->trigger();
        QApplication::setActiveWindow(&form());
        form().dbgAsnad->setFocus();
        QCOMPARE(QApplication::focusWidget(), form().dbgAsnad);

        QTest::keyClick(form().dbgAsnad, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(QApplication::focusWidget() != form().dbgAsnad);
        for (int i = 0; i < 10 && QApplication::focusWidget() != form().cmdDel; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form().cmdDel);
        host().dlgMsg->answers << TDlgMsg::mrNo;
        QTest::keyClick(form().cmdDel, Qt::Key_Space);
        QCOMPARE(lastMessage(), "آيا سند حذف شود؟");
        QCOMPARE(drv().rows(number, "Raj"), QStringList{"1"});

        form().dbgAsnad->setFocus();
        host().dlgMsg->answers << TDlgMsg::mrYes;
        QTest::keyClick(form().dbgAsnad, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(drv().rows(number, "Raj").isEmpty());
        QCOMPARE(Logged(host(), number, "خريد/ساخت"), "I,D");

        drv().startVoucher(NextNumber(host(), kBuy));
        drv().gridType("1");
        form().miPasteRow->trigger();
        drv().keys({"=AmvalDes=رونوشت", "=DaraCod=" + m_assets.at(0)});
    }

    // Rows on two delivery sources (and so two account chains); walking them with the
    // keys, and changing a row's source, the footer names the codes of the row the
    // cursor is on, as the stored tables name them.
    void theFooterNamesTheRowTheCursorIsOn()
    {
        const QStringList sources =
            Column(host().db(), "SELECT TRIM(MabadiCod) FROM D_Mabadi ORDER BY MabadiCod");
        QVERIFY(sources.size() >= 2);
        drv().newVoucher();
        typeRows(3, sources.mid(0, 2));
        QSet<QString> assetsSeen, sourceNames;
        const auto expectFooter = [&] {
            // The name the table `sql` gives the row's code, made of `fields`.
            const auto name = [this](const QString& sql, const QStringList& fields) {
                QString code;
                for (const QString& f : fields)
                    code += form().quAsnad->fieldByName(f)->asString();
                return host().scalar(sql + " = ?", {code}).trimmed();
            };
            const QStringList shown{form().EDaraNam->text(), form().EMabadiNam->text(),
                                    form().EKollNam->text(), form().EMoeinNam->text(),
                                    form().ETafsilyNam->text()};
            QCOMPARE(shown,
                     (QStringList{
                         name("SELECT DaraNam FROM D_Amval WHERE DaraCod", {"DaraCod"}),
                         name("SELECT MabadiNam FROM D_Mabadi WHERE MabadiCod", {"MabadiCod"}),
                         name("SELECT NamHesab FROM Koll WHERE Koll", {"Koll"}),
                         name("SELECT NamHesab FROM Moein WHERE Koll || Moein", {"Koll", "Moein"}),
                         name("SELECT NamHesab FROM Tafsily WHERE Tafsily", {"Tafsily"})}));
            QVERIFY(!shown.at(0).isEmpty() && !shown.at(1).isEmpty());
            assetsSeen << shown.at(0);
            sourceNames << shown.at(1);
        };
        // From the new row after the last: up to the first row and down again, the
        // header telling the row's place among the rows.
        for (const auto& [key, row] : {std::pair{Qt::Key_Up, "3"},
                                       {Qt::Key_Up, "2"},
                                       {Qt::Key_Up, "1"},
                                       {Qt::Key_Down, "2"},
                                       {Qt::Key_Down, "3"},
                                       {Qt::Key_Up, "2"}}) {
            drv().gridKey(key);
            expectFooter();
            drv().keys({"#CurrentRowEdit=" + QString(row), "#RowCountEdit=3"});
        }
        QCOMPARE(sourceNames.size(), 2);
        QCOMPARE(assetsSeen.size(), 3);

        // The second row's source changed: its names follow at once, and stay after the
        // cursor has left the row and come back.
        drv().keys({"^MabadiCod", "~" + sources.at(0), "@" + sources.at(0), "?",
                    "=MabadiCod=" + sources.at(0)});
        expectFooter();
        const QString changed = form().EMabadiNam->text();
        for (const Qt::Key k : {Qt::Key_Up, Qt::Key_Down}) {
            drv().gridKey(k);
            expectFooter();
        }
        QCOMPARE(form().quAsnad->recNo(), 2);
        QCOMPARE(form().EMabadiNam->text(), changed);
    }

    // Cost components changed and given up leave the amounts and the cost price as
    // they were; OK saves the first row while its form number is still being typed.
    void componentsCancelAndOkSavesTheRowBeingTyped()
    {
        const QString number = drv().newVoucher();
        drv().keys({"@" + m_assets.at(0)});
        QVERIFY(form().OkBitBtn->isEnabled());
        drv().keys({""}); // the description
        purchase().answerComponents({"400", "50"});
        drv().gridKey(Qt::Key_Return);
        QCOMPARE(form().quAsnad->fieldByName("EndFee")->asFloat(), 450.0);
        const QString amounts = "SELECT CAST(sValue AS INTEGER) FROM " +
                                SqlIdent(form().GheimatTableName()) + " ORDER BY GheimatCod";
        const QStringList before = Column(host().db(), amounts);
        QCOMPARE(before.mid(0, 3), QStringList({"400", "50", "0"}));
        purchase().answerComponents({"999999"}, false);
        drv().keys({"^EndFee", ""});
        QCOMPARE(Column(host().db(), amounts), before);
        QCOMPARE(form().quAsnad->fieldByName("EndFee")->asFloat(), 450.0);

        drv().keys({"^Esshat", "", "@1", "~42"});
        QVERIFY2(drv().save(), qPrintable(drv().lastMessage()));
        QCOMPARE(
            drv().rows(number, "TRIM(DaraCod) || '|' || CAST(EndFee AS INTEGER) || '|' || Bargeh"),
            QStringList{m_assets.at(0) + "|450|42"});

        // Another asset put into the stored row takes the cost's components with it,
        // also when its own list was opened and left first.
        drv().startVoucher(number);
        drv().keys({"^DaraCod", "@" + m_assets.at(1)});
        purchase().answerComponents({"7"}, false);
        drv().keys({"^EndFee", ""});
        QVERIFY2(drv().save(), qPrintable(drv().lastMessage()));
        QCOMPARE(drv().rows(number, "TRIM(DaraCod) || '|' || CAST(EndFee AS INTEGER)"),
                 QStringList{m_assets.at(1) + "|450"});
        QCOMPARE(components(number),
                 QStringList({m_assets.at(1) + ":  1=400", m_assets.at(1) + ":  2=50"}));
    }

    // The row checks in their order, on a row right but for its changes, in a voucher
    // of 08/02. <other> is the oldest stored voucher, <its form> its form number,
    // <bought> an asset it bought, <valued> an asset with a cost price, <day before>
    // one put into use on 08/01, <same day> one put into use on 08/02.
    void rowChecks_data()
    {
        RowChecksColumns();
        RowCheck("no asset", {{"DaraCod", ""}}, "كد دارايي خالي مي باشد.", "DaraCod");
        RowCheck("unknown asset", {{"DaraCod", "99999"}}, "كد دارايي وجود ندارد.", "DaraCod",
                 "DaraCod");
        RowCheck("asset with a cost price", {{"DaraCod", "<valued>"}},
                 "بهاي تمام شده دارايي ثبت شده است", "DaraCod");
        RowCheck("asset bought already", {{"DaraCod", "<bought>"}},
                 "اين دارايي در سند <other> خريد/ساخت شده است", "DaraCod");
        RowCheck("no cost", {{"EndFee", 0.0}}, "بهاي تمام شده دارايي صفر مي باشد", "EndFee");
        RowCheck("no source", {{"MabadiCod", ""}, {"Koll", ""}, {"Moein", ""}},
                 "كد مبادي تحويل دارايي خالي مي باشد.", "MabadiCod", "MabadiCod");
        RowCheck("unknown source", {{"MabadiCod", "55"}}, "مبادي تحويل دارايي وجود ندارد.",
                 "MabadiCod", "MabadiCod");
        RowCheck("source without an account", {{"MabadiCod", "77"}, {"Koll", ""}, {"Moein", ""}},
                 "براي مبادي تحويل دارايي سرفصل تعريف نشده است", "MabadiCod");
        RowCheck("no form number", {{"Bargeh", ""}}, "شماره برگه خريد/ساخت خالي مي باشد.",
                 "Bargeh");
        RowCheck("form number used", {{"Bargeh", "<its form>"}},
                 " شماره برگه در سند <other> تكرار شده است. ", "Bargeh");
        RowCheck("put into use the day before bought", {{"DaraCod", "<day before>"}},
                 "تاريخ بهره برداري دارايي انتخاب شده از تاريخ خريد/ساخت آن كوچكتر است .",
                 "DaraCod");
        RowCheck("put into use the day bought", {{"DaraCod", "<same day>"}}, "", "");
    }
    void rowChecks()
    {
        const QString other = host().scalar("SELECT TRIM(MIN(SanadNoAmval)) FROM " + kBuy);
        for (const auto& [asset, day] : {std::pair{3, "08/01"}, std::pair{2, "08/02"}})
            host().exec("UPDATE D_Amval SET BahreDate = ? WHERE TRIM(DaraCod) = ?",
                        {Day(day), m_assets.at(asset)});
        host().exec("INSERT INTO D_Mabadi (MabadiCod, MabadiNam, Koll, Moein) VALUES ('77', "
                    "'بدون سرفصل', '', '')");
        drv().newVoucher(Day("08/02"));
        SetRow(form().quAsnad, kRightPurchase);
        SetRow(form().quAsnad, {{"DaraCod", m_assets.at(0)}});
        drv().expectRow(
            {{"<other>", other},
             {"<its form>", drv().rows(other, "Bargeh").first()},
             {"<bought>", drv().rows(other, "DaraCod").first()},
             {"<valued>",
              host().scalar("SELECT TRIM(DaraCod) FROM D_Amval WHERE EndValue <> 0 AND "
                            "DaraCod NOT IN (SELECT DaraCod FROM D_Buy_Create) LIMIT 1")},
             {"<day before>", m_assets.at(3)},
             {"<same day>", m_assets.at(2)}});
        QFETCH(QString, list);
        if (list == "DaraCod") // the purchase's own list of assets
            QVERIFY(host().tempGridForm->shown.first().caption.endsWith("(خريداري/ساخته شده)"));
    }

    // An asset without a depreciation method chosen from the purchase's list (whose
    // rows tst_disposal checks): its salvage cannot be typed and is stored as 0.
    void salvageFollowsTheMethod()
    {
        host().exec("UPDATE D_Amval SET RaveshEst = 'ندارد' WHERE TRIM(DaraCod) = " +
                    SqlQuote(m_assets.at(1)));
        drv().newVoucher();
        drv().keys({"@" + m_assets.at(1)});
        QCOMPARE(form().RaveshEst(), "ندارد");
        form().dbgAsnad->focusField("Esshat");
        QVERIFY(!(form().dbgAsnad->model()->flags(form().dbgAsnad->currentIndex()) &
                  Qt::ItemIsEditable));
        form().quAsnad->fieldByName("Esshat")->setValue(900.0);
        form().quAsnad->fieldByName("EndFee")->setValue(100.0);
        drv().keys({"^MabadiCod", "@2"});
        QCOMPARE(form().quAsnad->fieldByName("Tafsily")->asString(), "02002");
        drv().keys({"^Bargeh", "77", "?"});
        QCOMPARE(
            host().scalar("SELECT Esshat FROM " + SqlIdent(form().TransTableName())).toDouble(),
            0.0);
    }

    // Three rows typed. The same asset again in a new row is refused before it
    // reaches the table, at the row's end and at its cost components. A stored row
    // changed to another row's asset: the table's key says no. Insert in front of row
    // 2: the new row takes number 2 and the others move down; Enter goes on to the
    // row after the new one. The grid's own delete is refused; the menu item asks,
    // deletes the row with its cost components and renumbers the rows after it.
    void rowsAreRefusedInsertedAndDeletedInPlace()
    {
        drv().newVoucher();
        typeRows(3);
        const QString rows = "SELECT Raj || TRIM(DaraCod) FROM " +
                             SqlIdent(form().TransTableName()) + " ORDER BY Raj";
        const QString twice = "?قبلا براي اين دارايي سند خريد/ساخت زده شده است";
        const QString a0 = m_assets.at(0);
        QStringList keys{"@" + a0, "^Bargeh", "1", twice, ">DaraCod", "^EndFee", "", twice};
        keys += {">DaraCod", "!Esc", "!Up", "^DaraCod", "~" + a0, "@" + a0, "^Bargeh", ""};
        drv().keysSayingOnly(keys << "?كد دارايي تكراري مي باشد."
                                  << ">DaraCod"
                                  << "!Esc"
                                  << "!Ins"
                                  << "#CurrentRowEdit=4"
                                  << "#RowCountEdit=4");
        host().dlgMsg->shown.clear();
        purchase().typeRow(m_assets.at(3), "middle", {"5"}, "0", "1", "1");
        drv().keys({"?", "=DaraCod=" + m_assets.at(1)});
        QCOMPARE(form().quAsnad->recNo(), 3);
        QCOMPARE(Column(host().db(), rows),
                 QStringList({"1" + m_assets.at(0), "2" + m_assets.at(3), "3" + m_assets.at(1),
                              "4" + m_assets.at(2)}));

        form().quAsnad->setCurrentRow(1);
        QVERIFY(!form().quAsnad->deleteRow());
        host().dlgMsg->answers << TDlgMsg::mrYes;
        form().dbgAsnad->setFocus();
        form().miDeleteRow->trigger();
        QCOMPARE(lastMessage(), "آيا حذف شود؟");
        QCOMPARE(Column(host().db(), rows),
                 QStringList({"1" + m_assets.at(0), "2" + m_assets.at(1), "3" + m_assets.at(2)}));
        QCOMPARE(Column(host().db(), "SELECT DISTINCT TRIM(DaraCod) FROM " +
                                         SqlIdent(form().GheimatTableName()) + " ORDER BY 1"),
                 QStringList({m_assets.at(0), m_assets.at(1), m_assets.at(2)}));
    }

    // Closing with rows that may still change asks first; No keeps the window.
    void closingAStoredVoucherAsksFirst()
    {
        drv().startVoucher(host().scalar("SELECT TRIM(MAX(SanadNoAmval)) FROM " + kBuy));
        host().dlgMsg->answers << TDlgMsg::mrNo << TDlgMsg::mrYes;
        QTest::mouseClick(form().sb_Closed, Qt::LeftButton);
        QCOMPARE(lastMessage(), "آيا از ثبت خريد/ساخت منصرف شدهايد؟");
        QVERIFY(form().isVisible());
        QTest::mouseClick(form().sb_Closed, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(m_form.isNull());
    }

    // The server ends the clerk's session (a restart does so to every session), and the
    // working copy and the components go with it. Ended while the clerk types, the next
    // Ctrl+S opens a new session, makes them again from what the window shows and
    // saves that, the row being edited included; what is stored is read by another
    // clerk. (A session ended in the middle of a save: tst_concurrency.)
    void aVoucherOutlivesTheSessionTheServerEnded()
    {
        if (!TestPlace::OnServer())
            QSKIP("a data folder's session is never ended by a server");
        auto other = host().openAgain();

        const QString number = drv().newVoucher();
        typeRows(3, {"1", "3"});
        drv().keys({"!Up", "^AmvalDes", "~x"}); // the empty row after the last goes on Up
        QVERIFY(form().dbgAsnad->cellEditor());
        host().endSession();
        host().dlgMsg->shown.clear();
        QApplication::setActiveWindow(&form());
        form().dbgAsnad->setFocus();
        drv().gridKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(lastMessage(), QString());
        QCOMPARE(
            Column(*other,
                   "SELECT Raj || '|' || TRIM(DaraCod) || '|' || AmvalDes || '|' || CAST(EndFee "
                   "AS INTEGER) || '|' || TRIM(MabadiCod) FROM D_Buy_Create WHERE "
                   "TRIM(SanadNoAmval) = ? ORDER BY Raj",
                   {number}),
            (QStringList{"1|" + m_assets.at(0) + "|a|10|1", "2|" + m_assets.at(1) + "|b|20|3",
                         "3|" + m_assets.at(2) + "|x|30|1"}));
        QCOMPARE(components(number, other.get()),
                 (QStringList{m_assets.at(0) + ":  1=10", m_assets.at(1) + ":  1=20",
                              m_assets.at(2) + ":  1=30"}));
    }

    // The store without a window: what the save (or the delete) ends with when a second
    // clerk or the database stands in the way, and that it writes all of the voucher or
    // nothing: the rows, the accounting voucher, the day-book and the action log.
    void theStoreWritesAllOrNothing_data()
    {
        QTest::addColumn<int>("situation");
        QTest::addColumn<TStoreResult>("result");
        QTest::addColumn<QString>("told");   // a part of what the user is told
        QTest::addColumn<QString>("kept");   // the voucher's stored descriptions then
        QTest::addColumn<QString>("logged"); // the action logged by this clerk, if any
        using R = TStoreResult;
        const auto row = [](const char* name, Situation s, R r, const char* told, const char* kept,
                            const char* logged) {
            QTest::newRow(name) << int(s) << r << QString(told) << QString(kept) << QString(logged);
        };
        row("new voucher", Situation::New, R::Done, "", "من", "I");
        row("its number taken meanwhile", Situation::Renumbered, R::Done, "", "ديگري", "I");
        row("an asset sold meanwhile", Situation::SoldMeanwhile, R::Refused, "به فروش رسيده", "",
            "");
        row("changed meanwhile", Situation::Changed, R::Changed, "تغيير کرده است و تغييرات شما",
            "ديگري", "");
        row("deleted meanwhile", Situation::Deleted, R::Deleted, "حذف شده است و تغييرات شما", "",
            "");
        row("held by another program", Situation::Busy, R::Busy, "در اختيار کاربر ديگري است", "اول",
            "");
        row("the log refused half-way", Situation::HalfWay, R::Failed, kFailure.toUtf8(), "", "");
        row("a read-only database", Situation::ReadOnly, R::Failed, "فقط خواندني است", "اول", "");
        row("a full disk", Situation::DiskFull, R::Failed, "نيست: ديسک", "اول", "");
        row("deleted", Situation::Remove, R::Done, "", "", "D");
        row("delete of a voucher changed meanwhile", Situation::RemoveChanged, R::Changed,
            "حذف نشد", "ديگري", "");
        row("delete of a voucher deleted meanwhile", Situation::RemoveGone, R::Deleted,
            "پيش از اين توسط کاربر ديگري حذف شده است", "", "");
    }

    void theStoreWritesAllOrNothing()
    {
        QFETCH(int, situation);
        QFETCH(TStoreResult, result);
        const auto is = [&](Situation s) { return situation == int(s); };
        const bool removing =
            is(Situation::Remove) || is(Situation::RemoveChanged) || is(Situation::RemoveGone);
        const auto other = secondClerk();
        host().db().setBusyLimit(300);
        TD_Global services(&host().global, &host().database);
        services.SANAD_TIME = "ANE"; // the accounting voucher is one of the writes
        TVoucherStore store(host().db(), services);
        ProcedureProvider& procedures = *host().db().procedures();
        const VoucherKind& kind = kPurchase;
        const QString table = "##STORE";
        const QString date = Day("06/01");
        const QString asset = m_assets.at(0);
        const QString number = PadLeft("900", 8); // the number another clerk's new one takes
        const auto load = [&] { return procedures.loadVoucher(host().db(), kind, table, number); };
        TVoucherSaveRequest save;
        save.Kind = &kind;
        save.TransTable = table;
        save.Number = number;
        save.Date = date;
        save.UserName = host().global.UserName;
        save.Today = date;
        save.Clock = "10:00:00";
        save.TempStem = "C1";
        // The window's guard: the asset sold or retired by the voucher's date.
        save.Guard = [&](const QString& stored, TRowRefusal& refusal) {
            const TAssetRefusal r = services.AssetRefusal(nullptr, asset, stored, date);
            refusal = TRowRefusal::Of(r.Message, r.Column);
            return r.isEmpty() ? -1 : 0;
        };

        const auto type = [&](const QString& description) {
            const auto [sql, values] = TypedRow(table, number, asset, description);
            host().exec(sql, values);
        };
        // A stored voucher for the edits and deletes, loaded as a window loads it.
        if (!is(Situation::New) && !is(Situation::Renumbered) && !is(Situation::SoldMeanwhile) &&
            !is(Situation::HalfWay)) {
            load();
            type("اول");
            QCOMPARE(store.Save(save).Result, TStoreResult::Done);
            save.IsNew = false;
        }
        save.ExpectedStamp = load();
        host().exec("UPDATE \"##STORE\" SET AmvalDes = 'من'");
        if (save.IsNew)
            type("من");

        // What this clerk's save may write besides the rows: accounting vouchers, the
        // day-book of the purchases, its action log.
        const auto writes = [&] {
            return QStringList{host().scalar("SELECT COUNT(*) FROM Asnad"),
                               Column(host().db(),
                                      "SELECT SanadNoAmval FROM D_Roz WHERE WhatDoc = '12' "
                                      "AND Operator = 'ض' ORDER BY UserId")
                                   .join(','),
                               Column(host().db(),
                                      "SELECT ActType FROM D_Asnad_Actions WHERE User_Name = ? "
                                      "ORDER BY ActionId",
                                      {host().global.UserName})
                                   .join(',')};
        };
        if (is(Situation::Renumbered))
            QCOMPARE(ClerkSaves(other->db(), kind, "",
                                {TypedRow(kClerkRows, number, m_assets.at(1), "ديگري")}, true),
                     number.trimmed());
        if (is(Situation::SoldMeanwhile))
            other->db().execute("INSERT INTO D_ForoshDaymeh (SanadNoAmval, Raj, sDate, DaraCod) "
                                "VALUES ('    9999', 1, ?, ?)",
                                {Day("05/01"), asset});
        if (is(Situation::Changed) || is(Situation::RemoveChanged))
            ChangedElsewhere(*other, number, "ديگري");
        if (is(Situation::Deleted) || is(Situation::RemoveGone))
            QVERIFY(ClerkDeletes(*other, kind, number));
        const QStringList before = writes();
        // The database in the way of this clerk's write (`on`), then no more.
        const bool server = TestPlace::OnServer();
        const auto inTheWay = [&](bool on) {
            const auto refuse = [&](const QString& table, const QString& why, const char* state) {
                on ? VoucherDriver::RefuseInserts(host(), table, why, state)
                   : VoucherDriver::AllowInserts(host(), table);
            };
            if (is(Situation::Busy))
                other->db().execute(!on      ? "ROLLBACK"
                                    : server ? "BEGIN; LOCK TABLE D_Buy_Create IN EXCLUSIVE MODE"
                                             : "BEGIN IMMEDIATE");
            if (is(Situation::HalfWay))
                refuse("D_Asnad_Actions", "log refused", "");
            if (is(Situation::DiskFull) && server)
                refuse(kBuy, "could not extend file", "53100");
            if (is(Situation::ReadOnly))
                host().exec(QString(server ? "SET default_transaction_read_only = "
                                           : "PRAGMA query_only = ") +
                            (on ? "on" : "off"));
            SyncCount::DiskFull(on && is(Situation::DiskFull) && !server);
        };
        inTheWay(true);
        TVoucherSaveOutcome saved;
        TVoucherDeleteOutcome deleted;
        if (removing)
            deleted = store.Delete({&kind, number, save.ExpectedStamp, save.UserName, save.Today,
                                    save.Clock, save.TempStem});
        else
            saved = store.Save(save);
        inTheWay(false);

        QCOMPARE(removing ? deleted.Result : saved.Result, result);
        QFETCH(QString, told);
        const QString text = removing                                ? deleted.Text
                             : saved.Result == TStoreResult::Refused ? saved.Refusal.Message
                                                                     : saved.Text;
        QVERIFY2(told.isEmpty() ? text.isEmpty() : text.contains(told), qPrintable(text));
        // A lock names the database, in Persian words alone.
        if (is(Situation::Busy))
            QVERIFY2(text.contains(host().global.DatabaseName + (server ? "" : ".sqlite")) &&
                         !text.contains("locked"),
                     qPrintable(text));
        // A full disk names the folder to make room in (on the server, the server's disk).
        if (is(Situation::DiskFull))
            QVERIFY2(text.contains("پر است") && !text.contains("باز نمي شود") &&
                         text.contains(server ? "سرور" : QDir(host().dataFolder()).absolutePath()),
                     qPrintable(text));
        QFETCH(QString, kept);
        QCOMPARE(drv().rows(number.trimmed(), "AmvalDes").join(','), kept);
        QFETCH(QString, logged);
        QStringList after = before;
        if (result == TStoreResult::Done && !removing) {
            // The accounting voucher issued, the day-book moved to the number.
            after[0] = QString::number(before.at(0).toInt() + 1);
            QStringList dayBook = before.at(1).split(',');
            dayBook.fill(saved.StoredNumber.trimmed());
            after[1] = dayBook.join(',');
        }
        if (!logged.isEmpty())
            after[2] += (after.at(2).isEmpty() ? "" : ",") + logged;
        QCOMPARE(writes(), after);
        if (is(Situation::Renumbered)) {
            QVERIFY(saved.Renumbered);
            QCOMPARE(saved.StoredNumber.trimmed(), QString::number(number.trimmed().toInt() + 1));
            QCOMPARE(drv().rows(saved.StoredNumber.trimmed(), "AmvalDes"), QStringList{"من"});
        }
        if (is(Situation::SoldMeanwhile))
            QCOMPARE(QString::number(saved.Row) + ' ' + saved.Refusal.Column, "0 DaraCod");
    }

    // An edit of a voucher the other clerk changed since it was opened is refused; the
    // rows typed stay in the window and the stored voucher is the other clerk's. A
    // voucher the other clerk holds locked can still be opened.
    void anEditNeverOverwritesAnotherClerksChange()
    {
        const auto other = secondClerk();
        const QString number = typeNewVoucher(m_assets.at(0), "اول");
        QVERIFY2(drv().save(), qPrintable(lastMessage()));
        drv().startVoucher(number);
        form().dbgAsnad->focusField("AmvalDes");
        drv().cell("ويرايش من");
        ChangedElsewhere(*other, number, "ويرايش ديگري");

        QVERIFY(!drv().save());
        QVERIFY2(lastMessage().contains("توسط کاربر ديگري تغيير کرده است"),
                 qPrintable(lastMessage()));
        QVERIFY(form().quAsnad->active());
        QCOMPARE(form().quAsnad->fieldByName("AmvalDes")->asString(), "ويرايش من");
        QCOMPARE(drv().rows(number.trimmed(), "AmvalDes"), QStringList{"ويرايش ديگري"});

        // Opening a voucher only reads: another program holding the write lock (on the
        // server: of the voucher table) does not stop it.
        form().NewVoucher(true);
        other->db().execute(TestPlace::OnServer() ? "BEGIN" : "BEGIN IMMEDIATE");
        if (TestPlace::OnServer())
            other->db().execute("LOCK TABLE D_Buy_Create IN EXCLUSIVE MODE");
        host().dlgMsg->shown.clear();
        drv().load(number);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(lastMessage()));
        QCOMPARE(form().quAsnad->recordCount(), 1);
        other->db().execute("ROLLBACK");
    }

    // A server user that may read but not write (a role given SELECT only) is told
    // that the server refused the write to this user, not that a folder is read-only;
    // nothing is stored and the rows stay for another try.
    void aServerUserThatMayNotWriteIsToldSo()
    {
        if (!TestPlace::OnServer())
            QSKIP("only a server has users of its own");
        const QString role = "amval_reader_" + QString::number(QCoreApplication::applicationPid());
        host().exec("CREATE ROLE " + role + " LOGIN");
        host().exec("DO $$DECLARE s text; BEGIN FOR s IN SELECT nspname FROM pg_namespace WHERE "
                    "nspname NOT LIKE 'pg\\_%' AND nspname <> 'information_schema' LOOP "
                    "EXECUTE format('GRANT USAGE ON SCHEMA %I TO " +
                    role + "', s); EXECUTE format('GRANT SELECT ON ALL TABLES IN SCHEMA %I TO " +
                    role + "', s); EXECUTE format('GRANT SELECT ON ALL SEQUENCES IN SCHEMA %I TO " +
                    role + "', s); END LOOP; END$$");
        const QString before = Column(host().db(), "SELECT COUNT(*) FROM D_Buy_Create").value(0);
        QString message;
        QString kept;
        {
            QUrl address(host().dataFolder());
            address.setUserName(role);
            DemoHost reader(address.toString(), 1, host().global.UserName);
            std::unique_ptr<TBuyCreateForm> window(PurchaseDriver::OpenWindow());
            VoucherDriver d(reader, window.get());
            d.newVoucher();
            PurchaseDriver(reader, window.get())
                .typeRow(m_assets.at(1), "خواننده", {"900"}, "0", "1", "77");
            QTest::mouseClick(window->OkBitBtn, Qt::LeftButton);
            message = d.lastMessage();
            kept = window->quAsnad->active() ? window->quAsnad->fieldByName("AmvalDes")->asString()
                                             : QString();
        }
        InstallHost(host());
        host().exec("DROP OWNED BY " + role);
        host().exec("DROP ROLE " + role);
        QVERIFY2(message.contains("اجازه نوشتن") && message.contains("کاربري") &&
                     !message.contains("فقط خواندني") && !message.contains("پوشه"),
                 qPrintable(message));
        QCOMPARE(kept, "خواننده");
        QCOMPARE(Column(host().db(), "SELECT COUNT(*) FROM D_Buy_Create").value(0), before);
    }

    // A write transaction of the company locks no other database of the folder: the
    // register held by another program (in the middle of writing it) neither stops a
    // save nor is written by it, and the register's writer is not held up by a save
    // under way.
    void aSaveNeitherWaitsForNorLocksTheRegister()
    {
        DbConnection reg(host().dataFolder(), kRegisterDatabase, DbConnection::OpenMode::Existing);
        QVERIFY(reg.isOpen());
        const QString rows = "SELECT sCode || '|' || sYear || '|' || sName FROM Sdc_Company "
                             "ORDER BY sCode, sYear";
        const QStringList registered = Column(reg, rows);
        QVERIFY(!registered.isEmpty());
        host().db().setBusyLimit(300);
        reg.setBusyLimit(300);

        // The other program is writing the register (on the server: holds its table).
        reg.execute(TestPlace::OnServer() ? "BEGIN" : "BEGIN EXCLUSIVE");
        if (TestPlace::OnServer())
            reg.execute("LOCK TABLE Sdc_Company IN ACCESS EXCLUSIVE MODE");
        reg.execute("UPDATE Sdc_Company SET sName = sName || ' *'");
        const QString number = typeNewVoucher(m_assets.at(0), "با دفتر قفل");
        QVERIFY2(drv().save(), qPrintable(drv().lastMessage()));
        QCOMPARE(drv().rows(number, "AmvalDes"), QStringList{"با دفتر قفل"});
        reg.execute("ROLLBACK");
        QCOMPARE(Column(reg, rows), registered);

        // A save under way: the register's writer commits without waiting for it.
        {
            Transaction writing(host().db());
            if (!TestPlace::OnServer()) {
                // The company's own write lock is the save's from its start.
                const auto other = host().openAgain();
                other->setBusyLimit(300);
                const auto competing = ThrownDatabaseError([&] { Transaction second(*other); });
                QVERIFY2(competing, "a second write transaction began beside the first");
                QCOMPARE(competing->kind(), DatabaseError::Kind::Busy);
            }
            host().exec("UPDATE D_Roz SET Operator = Operator");
            QVERIFY_SQL(Committed(
                reg, [&] { reg.execute("UPDATE Sdc_Company SET sName = sName || ' *'"); }));
            writing.commit();
        }
        QVERIFY(Column(reg, rows).first().endsWith(" *"));
    }
};

AMVAL_TEST_MAIN(TestBuyCreate)
#include "tst_buycreate.moc"
