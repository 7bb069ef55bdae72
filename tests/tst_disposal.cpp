// The windows that take an asset out of use, driven as a user drives them: the sale,
// the permanent and the temporary retirement and the returns from them. Rows typed
// with the keyboard through their lists and both account chains, each kind's row
// checks with their messages, columns and lists, the salvage rule, the save modes,
// the returns' asset lists and already-returned checks, and the state guard that a
// saved sale or retirement puts on the asset, another clerk's included.

#include "clerkvoucher.h"
#include "d_globalunit.h"
#include "foroshdayehunit.h"
#include "installhost.h"
#include "kenardunit.h"
#include "kindwindow.h"
#include "testmain.h"
#include "uitest.h"
#include "voucherdriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QToolTip>

namespace {

const QVariantMap kRightRetirement{{"Bargeh", "91"}, {"Koll", "12"},      {"Moein", "1"},
                                   {"HKoll", "13"},  {"Tafsily", "3003"}, {"HMoein", "3"}};

const QVariantMap kRightSale{
    {"VazCod", ""}, {"ArzeshFee", 1.0}, {"sValue", 1.0},     {"Buyer", "x"},  {"Bargeh", "1"},
    {"Koll", "12"}, {"Moein", "1"},     {"Tafsily", "3003"}, {"HKoll", "13"}, {"HMoein", "3"}};

} // namespace

class TestDisposal : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QStringList m_assets; // in use, depreciated, neither sold nor retired in any way
    QString m_location;
    QString m_costCentre;
    DemoHost& host() { return *m_host; }

    // Another clerk, on a connection of his own, stores a new voucher of `kind` with one
    // row of `asset` dated `date`, form number 77; `meanwhile` runs before his
    // transaction commits. The voucher's number.
    QString storedByAnotherClerk(const VoucherKind& kind, const QString& asset, const QString& date,
                                 const std::function<void()>& meanwhile = {})
    {
        DemoHost other(host().dataFolder(), 2, "clerk2");
        InstallHost(host());
        return ClerkSaves(
            other.db(), kind, "",
            {{"INSERT INTO " + kClerkRows + " (Raj, sDate, DaraCod, Bargeh) VALUES (1, ?, ?, '77')",
              {date, asset.rightJustified(6)}}},
            true, meanwhile);
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = AssetsInUse(host(), 4,
                               "EndValue <> 0 AND RaveshEst <> 'ندارد' AND DaraCod NOT IN (SELECT "
                               "DaraCod FROM D_KenarM)");
        QCOMPARE(m_assets.size(), 4);
        m_location = host().scalar("SELECT TRIM(MIN(MakanCod)) FROM D_Makan");
        m_costCentre = host().scalar("SELECT TRIM(MIN(Tafsily2)) FROM Tafsily2");
        QVERIFY(!m_location.isEmpty() && !m_costCentre.isEmpty());
    }
    void cleanup() { m_host.reset(); }

    // A new sale typed with the keyboard: three rows, the first two on form number
    // 9100 (the same form number within one voucher passes). The footer names the row and sums
    // the amounts. Without SANAD_TIME=ANE the deferred mode, and the date in quotes.
    void aTypedSaleIsStoredInTheDeferredMode()
    {
        auto form = OpenForm<TForoshDayehForm>();
        VoucherDriver d(host(), form.get());
        const QString number = d.newVoucher(Day("08/01"));
        // Each row through the asset and condition lists, amounts, a buyer with a quote,
        // the counterparty chain ending at its last level (Tafsily for 12/1) and jumping
        // to the gain/loss chain, which finishes the row at its last level (Moein for 13/3).
        const QString moein = host().scalar(
            "SELECT NamHesab FROM Moein WHERE TRIM(Koll) = '12' AND TRIM(Moein) = '1'");
        for (int row = 0; row < 3; ++row) // posted, next row appended
            d.keys({"@" + m_assets.at(row), ">AmvalDes", "فروش 'نقدي'", "@6", ">ArzeshFee", "1500",
                    "1700", "شركت 'آلفا'", row < 2 ? "9100" : "9102", "12", "1", ">Tafsily",
                    "#EMoeinNam=" + moein, "3003", ">HKoll", "13", "3", "?", ">DaraCod"});
        QCOMPARE(form->quAsnad->recordCount(), 4);
        form->quAsnad->setCurrentRow(1); // the footer names the current row
        d.keys({"#EKollNam=" + host().scalar("SELECT NamHesab FROM Koll WHERE TRIM(Koll) = '12'"),
                "#EVazNam=فرسوده و مستهلك", "#EArzeshFeeSum=4,500", "#ESValueSum=5,100"});
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        d.keys({"#EArzeshFeeSum=", "#ESValueSum="}); // the new voucher's
        const QString where = " FROM D_ForoshDaymeh WHERE TRIM(SanadNoAmval) = " + SqlQuote(number);
        QStringList stored;
        for (const QString& asset : m_assets.mid(0, 3))
            stored << asset + "|شركت 'آلفا'| 12   103003| 13   3|" + Day("08/01");
        QCOMPARE(d.rows(number, "DaraCod || '|' || Buyer || '|' || Koll || Moein || Tafsily || '|' "
                                "|| HKoll || HMoein || '|' || sDate"),
                 stored);
        QCOMPARE(host().scalar("SELECT Sum(ArzeshFee)" + where), "4500");
        QCOMPARE(Logged(host(), number, "فروش دارائي"), "I");

        // With SANAD_TIME=ANE (read when a window opens): the immediate mode. The
        // voucher menu, with the sibling libraries beside the program: the search
        // moves the grid to the row found; the report properties window carries the
        // kind's title; the window has its activation back after each. On saving, instead of
        // an accounting voucher the list of the voucher's assets; the edit is stored.
        form.reset();
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
        host().global.AppPath = QCoreApplication::applicationDirPath();
        const auto immediate = OpenForm<TForoshDayehForm>();
        VoucherDriver i(host(), immediate.get());
        i.startVoucher(number);
        immediate->quAsnad->first();
        immediate->dbgAsnad->setFocus();
        immediate->dbgAsnad->focusField("DaraCod");
        QStringList seen;
        WhenModal<QWidget>(
            [&seen, this](QWidget* w) {
                seen << w->findChild<QComboBox*>("cbField")->currentData().toString();
                w->findChild<QLineEdit*>("edValue")->setText(m_assets.at(1));
                w->findChild<QCheckBox*>("chkWhole")->setChecked(true);
                w->findChild<QPushButton*>("btnOk")->click();
            },
            "GridSearchForm");
        i.gridKey(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(seen, QStringList{"DaraCod"});
        QCOMPARE(immediate->quAsnad->recNo(), 2);
        QVERIFY(QTest::qWaitForWindowActive(immediate.get()));
        QString title;
        WhenModal<QWidget>(
            [&title](QWidget* w) {
                title = w->windowTitle();
                w->findChild<QPushButton*>("btnOk")->click();
            },
            "RepPropertyForm");
        immediate->miProperties->trigger();
        QCOMPARE(title, "مشخصات گزارش [فروش دارايي]");
        QVERIFY(QTest::qWaitForWindowActive(immediate.get()));
        // Amounts keep the decimal point typed with the Persian separator, and the cell
        // shows it; a digits-only code column refuses a separator where the user sees it.
        i.keys(
            {"^ArzeshFee", QStringLiteral("1500") + QChar(0x066B) + "5", "^ArzeshFee", "$1,500.5"});
        QToolTip::hideText();
        i.keys({"^VazCod", "~."});
        QCOMPARE(QToolTip::text(), "در اين ستون فقط رقم پذيرفته مي شود.");
        QCOMPARE(immediate->quAsnad->fieldByName("VazCod")->asString().trimmed(), "6");
        QTest::mouseClick(immediate->OkBitBtn, Qt::LeftButton);
        QCOMPARE(i.lastMessage(),
                 QStringLiteral("سند حسابداري لحظه ايي براي فروش دارايي نميتواند صادر شود. \n"
                                "براي اين منظور ابتدا گزارش كارت دارايي را براي داراييهاي \n") +
                     m_assets.mid(0, 3).join(", ") +
                     QStringLiteral("\nببينيد و بعد از طريق گزينه <صدور سند حسابداري> كه در قسمت "
                                    "ساير عمليات قرار دارد, سند حسابداري را صادر كنيد."));
        QCOMPARE(host().scalar("SELECT ArzeshFee" + where + " AND Raj = 2"), "1500.5");
    }

    // Each kind's row checks in their order, the row's name saying the kind: each row
    // is right but for its changes, and posting it refuses it with the message and the
    // column to fix, or posts it. <sold> and <sold on> stand for a stored sale's asset
    // and date; <late> for an asset put into use after the voucher's date; <out> and
    // <out on> for an asset another clerk took out of use before the date (<out
    // voucher>, form number 77) and did not return, <back> for one returned since,
    // which may be taken out again. A list a check opens either gives a value, and the
    // row is posted in the same step, or is cancelled. The permanent retirement's
    // unknown asset opens its list without a word, and a gain/loss chain whose Moein
    // asks for a second detail level is refused there.
    void rowChecks_data()
    {
        RowChecksColumns();
        RowCheck("sale: no asset", {{"DaraCod", ""}}, "كد دارايي خالي مي باشد.", "DaraCod");
        RowCheck("sale: unknown asset", {{"DaraCod", "99999"}}, "كد دارايي وجود ندارد.", "DaraCod",
                 "DaraCod");
        RowCheck("sale: asset sold", {{"DaraCod", "<sold>"}},
                 "دارايي در تاريخ <sold on> به فروش رسيده شده است", "DaraCod");
        RowCheck("sale: unknown condition", {{"VazCod", "55"}}, "وضعيت دارايي وجود ندارد.",
                 "VazCod", "VazCod");
        RowCheck("sale: no value", {{"ArzeshFee", 0.0}}, "مبلغ ارزش فروش دارايي صفر مي باشد",
                 "ArzeshFee");
        RowCheck("sale: no price", {{"sValue", 0.0}}, "مبلغ فروش دارايي صفر مي باشد", "sValue");
        RowCheck("sale: no buyer", {{"Buyer", " "}}, "نام خريدار وارد نشده است", "Buyer");
        RowCheck("sale: no form number", {{"Bargeh", ""}}, "شماره برگه فروش دارايي خالي مي باشد.",
                 "Bargeh");
        RowCheck("sale: in use later", {{"DaraCod", "<late>"}},
                 "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod");
        RowCheck("sale: no detail account", {{"Tafsily", ""}}, "کد حساب تفصيلي خالي مي باشد.",
                 "Tafsily", "Tafsily");
        RowCheck("sale: unknown gain/loss Moein", {{"HMoein", "8"}}, "كد حساب معين موجود نمي باشد.",
                 "HMoein");
        RowCheck("retirement for good: no asset", {{"DaraCod", ""}}, "كد دارايي خالي ميباشد.",
                 "DaraCod");
        RowCheck("retirement for good: unknown asset", {{"DaraCod", "99999"}}, "", "DaraCod",
                 "DaraCod");
        RowCheck("retirement for good: no salvage", {{"ArzeshAsgat", 0.0}},
                 "ارزش اسقاط صفر ميباشد.", "ArzeshAsgat");
        RowCheck("retirement for good: no form number", {{"Bargeh", ""}},
                 "شماره برگه كنارگذاري دايميخالي ميباشد.", "Bargeh");
        RowCheck("retirement for good: no second detail level", {{"HKoll", "62"}, {"HMoein", "2"}},
                 "کد حساب مركز هزينه خالي مي باشد.", "HTafsily2");
        RowCheck("retirement: empty asset", {{"DaraCod", ""}}, "كد دارايي خالي مي باشد.",
                 "DaraCod");
        RowCheck("retirement: unknown asset", {{"DaraCod", "999999"}}, "كد دارايي وجود ندارد.",
                 "DaraCod", "DaraCod");
        RowCheck("retirement: unknown condition", {{"VazCod", "99"}}, "", "VazCod", "VazCod");
        RowCheck("retirement: empty condition", {{"VazCod", ""}}, "", "");
        RowCheck("retirement: empty location", {{"MakanCod", ""}},
                 "كد مکان تحويل دارايي خالي مي باشد.", "MakanCod", "MakanCod");
        RowCheck("retirement: empty location, chosen", {{"MakanCod", ""}},
                 "كد مکان تحويل دارايي خالي مي باشد.", "", "MakanCod:<location>");
        RowCheck("retirement: unknown location, chosen", {{"MakanCod", "9999"}}, "", "",
                 "MakanCod:<location>");
        RowCheck("retirement: empty cost centre", {{"Tafsily2", ""}}, "كد <tafsily2> مي باشد.",
                 "Tafsily2", "Tafsily2");
        RowCheck("retirement: no form number", {{"Bargeh", ""}},
                 "شماره برگه کنارگذاري موقت خالي مي باشد.", "Bargeh");
        RowCheck("retirement: form number used", {{"Bargeh", "77"}},
                 " شماره برگه در سند <out voucher> تكرار شده است. ", "Bargeh");
        RowCheck("retirement: in use later", {{"DaraCod", "<late>"}},
                 "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod");
        RowCheck("retirement: out of use already", {{"DaraCod", "<out>"}},
                 "دارايي در تاريخ <out on> کنارگذاري موقت شده است", "DaraCod");
        RowCheck("retirement: out of use and returned", {{"DaraCod", "<back>"}}, "", "");
    }
    void rowChecks()
    {
        const QString kind = QString(QTest::currentDataTag()).section(':', 0, 0);
        const QString out = storedByAnotherClerk(VoucherKindOf(VoucherKindId::KenarM),
                                                 m_assets.at(2), Day("02/01"));
        QVERIFY(!out.isEmpty());
        StoreElsewhere(host(), "D_KenarM", "78", m_assets.at(1), Day("03/01"));
        StoreElsewhere(host(), "D_BarKenarM", "78", m_assets.at(1), Day("05/01"));
        host().exec("UPDATE D_Amval SET BahreDate = ? WHERE TRIM(DaraCod) = ?",
                    {Day("09/01"), m_assets.at(3)});
        const QString sale = host().scalar("SELECT TRIM(SanadNoAmval) FROM D_ForoshDaymeh LIMIT 1");
        const QString where = " FROM D_ForoshDaymeh WHERE TRIM(SanadNoAmval) = " + SqlQuote(sale);
        const auto form = KindWindow(kind);
        VoucherDriver d(host(), form.get());
        d.newVoucher(Day("08/01"));
        SetRow(form->quAsnad, kind == "sale"         ? kRightSale
                              : kind == "retirement" ? QVariantMap{{"DaraCod", m_assets.at(0)},
                                                                   {"MakanCod", m_location},
                                                                   {"Tafsily2", m_costCentre},
                                                                   {"Bargeh", "91"}}
                                                     : kRightRetirement);
        SetRow(form->quAsnad, kind == "sale"         ? QVariantMap{{"DaraCod", m_assets.at(0)}}
                              : kind == "retirement" ? QVariantMap{{"VazCod", "6"}}
                                                     : QVariantMap{{"DaraCod", m_assets.at(0)},
                                                                   {"ArzeshAsgat", 10.0}});
        d.expectRow({{"<sold on>", host().scalar("SELECT sDate" + where)},
                     {"<sold>", host().scalar("SELECT TRIM(DaraCod)" + where)},
                     {"<location>", m_location},
                     {"<tafsily2>", form->DGlobal()->NAMTAFSILY2},
                     {"<late>", m_assets.at(3)},
                     {"<out on>", Day("02/01")},
                     {"<out voucher>", out},
                     {"<out>", m_assets.at(2)},
                     {"<back>", m_assets.at(1)}});
    }

    // The permanent retirement's gain/loss Koll list, opened with Enter on the empty
    // cell, fills HKoll and leaves the counterparty's Koll alone. An asset without a
    // depreciation method leaves with salvage 0, whatever was typed; one with a method
    // keeps its salvage.
    void retirementForGoodKeepsSalvageByTheMethod()
    {
        const QString undepreciated = AssetsInUse(host(), 1, "RaveshEst = 'ندارد'").value(0);
        QVERIFY(!undepreciated.isEmpty());
        auto form = OpenForm<TKenarDForm>();
        VoucherDriver d(host(), form.get());
        const QString number = d.newVoucher(Day("08/01"));
        DataSet* ds = form->quAsnad;
        SetRow(ds, kRightRetirement);
        SetRow(ds, {{"DaraCod", m_assets.at(1)}, {"HKoll", ""}});
        d.keys({"^HKoll", "@62", "=HKoll=62", "=Koll=12", ">HMoein"});

        SetRow(ds, kRightRetirement);
        SetRow(ds, {{"DaraCod", m_assets.at(0)}, {"ArzeshAsgat", 10.0}});
        QVERIFY2(ds->post(), qPrintable(d.lastMessage()));
        ds->append();
        SetRow(ds, kRightRetirement);
        SetRow(ds, {{"DaraCod", undepreciated}, {"ArzeshAsgat", 500.0}});
        QVERIFY2(ds->post(), qPrintable(d.lastMessage()));

        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QCOMPARE(d.rows(number, "TRIM(DaraCod) || '=' || CAST(ArzeshAsgat AS INTEGER)"),
                 QStringList({m_assets.at(0) + "=10", undepreciated + "=0"}));
        QCOMPARE(Logged(host(), number, "کنار گذاري دائم"), "I");
    }

    // Enter in a new row's empty asset cell opens the host's own list window on its
    // first row, having read only its first screens of a register longer than that;
    // its rows are the register's in code order (the purchase's: the assets not yet
    // bought, another clerk's purchase counted). An asset code `typed` in Persian
    // digits, then Enter: the list stands on that asset, and Enter there takes it.
    // (Typing in the list: tst_tempgridform.)
    void theAssetListOfANewRowOpensOnItsFirstRow_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("typed");
        const QString bought =
            " WHERE EndValue = 0 AND DaraCod NOT IN (SELECT DaraCod FROM D_Buy_Create) AND "
            "BahreDate >= (SELECT MAX(Company_StartDate) FROM Options)";
        QTest::newRow("purchase, a code typed") << "purchase" << bought << "700010";
        QTest::newRow("sale") << "sale" << QString() << "";
    }
    void theAssetListOfANewRowOpensOnItsFirstRow()
    {
        QFETCH(QString, window);
        QFETCH(QString, listed);
        constexpr int kAdded = 900;
        host().exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                        QString::number(kAdded) +
                        ") INSERT INTO D_Amval (DaraCod, DaraNam, EndValue, BahreDate) SELECT "
                        "CAST(700000 + i AS VARCHAR(6)), 'رديف', 0, ? FROM n",
                    {Day("02/01")});
        {
            DemoHost clerk(host().dataFolder(), 2, "كاربر دوم");
            StoreElsewhere(clerk, "D_Buy_Create", "95", "700002", Day("02/01"));
        }
        InstallHost(host());
        const QStringList expected =
            Column(host().db(), "SELECT TRIM(DaraCod) FROM D_Amval" + listed + " ORDER BY DaraCod");
        QVERIFY(expected.size() > kAdded / 2);
        QCOMPARE(expected.contains("700002"), listed.isEmpty());

        const auto form = KindWindow(window);
        VoucherDriver drv(host(), form.get());
        drv.newVoucher();
        QCOMPARE(drv.currentColumn(), "DaraCod");
        QFETCH(QString, typed);
        drv.gridType(PersianDigits(typed));
        TTempGridForm list;
        StoreHostContext(&host().global, host().myDate.get(), &host().database, host().dlgMsg,
                         &list, host().showStateForm);
        int standing = -1;
        int read = -1;
        QStringList rows;
        QTimer::singleShot(0, this, [&] {
            standing = list.quTemp->currentRow();
            read = list.quTemp->rowsKnown();
            for (int row = 0; list.quTemp->hasRow(row); ++row)
                rows << list.quTemp->value(row, 0).toString().trimmed();
            QTest::keyClick(list.dbgTemp, typed.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
        });
        drv.gridKey(Qt::Key_Return);
        StoreHostContext(&host().global, host().myDate.get(), &host().database, host().dlgMsg,
                         host().tempGridForm, host().showStateForm);
        QCOMPARE(standing, typed.isEmpty() ? 0 : expected.indexOf(typed));
        QVERIFY2(read < kAdded, qPrintable(QString::number(read) + " rows read to open"));
        QCOMPARE(rows, expected);
        if (!typed.isEmpty())
            drv.keys({"=DaraCod=" + typed, ">AmvalDes", "#EDaraNam=رديف"});
    }

    // The retirements and returns guard their assets. Another clerk's vouchers in
    // `setup` ("table number asset day"; asset i is <ai>); a new voucher dated `opened`,
    // or one typed with the number and the date committed without Enter in the number
    // ("=date"), or stored voucher n ("#n"). Its first list offers the assets in
    // `offered` ("-": not those). The return's list offers the assets retired on or
    // before its date, returned since or not, and no other. An asset whose every
    // retirement up to the date has its return is refused when the cursor leaves it
    // (the code is emptied), and again when the row is posted; so is one dated before a
    // later return, and one never retired (typed past the list) when the row is posted.
    // A stored return says nothing while its asset stays, though a later return of it
    // exists; another asset is checked. The return from permanent retirement refuses a
    // sold asset and one returned already as a cancelled pick; its rows go to the
    // window's working copy (`rows` of them at the end), and from there into the stored
    // voucher (`stored`, when given) on OK.
    void aVoucherGuardsItsAssets_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("stored");
        const auto row = [](const QString& name, const QString& setup, const QString& opened,
                            const QStringList& keys, int rows = 0, const QString& offered = "",
                            const QString& stored = "") {
            QTest::newRow(qPrintable(name)) << setup << opened << keys << rows << offered << stored;
        };
        const QString retired = "D_KenarM 80 0 05/01;D_BarKenarM 80 0 06/01;D_KenarM 81 1 09/01";
        const QString back = "?اين دارايي قبلا برگشت داده شده است.";
        for (const auto& [name, day, said] :
             {std::array<QString, 3>{"return: returned before", "07/01", back},
              {"return: returned after", "05/15",
               "?اين دارايي بعد از اين تاريخ برگشت داده شده است."}}) {
            QStringList keys{"@<a0>", said, "=DaraCod=", "*DaraCod=<a0>", "^Bargeh", ""};
            keys += {said + "\nكد دارايي خالي مي باشد.", ">DaraCod", "~<a2 typed>", "!Tab"};
            keys += {">AmvalDes", "^Bargeh", "",
                     "?دارايي تا تاريخ <" + day + "> کنارگذاري موقت نشده است"};
            keys << ">DaraCod";
            row(name, retired, day, keys, 0, "<a0> -<a1> -<a2>");
        }
        // The retirement refuses an asset another clerk sold from the sale's date on, picked
        // from its list or typed without it and left with an arrow; before it passes.
        const QString sold = "D_ForoshDaymeh 90 0 08/01",
                      soldMessage = "?دارايي در تاريخ <08/01> به فروش رسيده شده است";
        row("retirement for good: before a sale", sold, "07/30", {"@<a0>", ">AmvalDes"});
        row("retirement for good: on the sale's day", sold, "08/01",
            {"@<a0>", soldMessage, ">DaraCod"});
        row("retirement for good: typed after the sale", sold, "08/10",
            {"~<a0>", "!Down", soldMessage, ">DaraCod"});
        // A stored one whose date is moved past another clerk's sale of its asset ("#n=date")
        // is checked again on saving (Ctrl+S), and its rows stay.
        row("retirement for good: a stored one moved past a sale",
            "D_KenarD 80 0 05/01;D_ForoshDaymeh 90 0 11/01", "#80=11/15",
            {"!Ctrl+S", "?دارايي در تاريخ <11/01> به فروش رسيده شده است", ">DaraCod"}, 1);
        row("return: a stored one edited",
            "D_KenarM 80 0 05/01;D_BarKenarM 82 0 06/01;D_KenarM 81 0 06/15;D_BarKenarM 85 0 "
            "07/01;D_KenarM 83 1 05/01;D_BarKenarM 84 1 05/20",
            "#82", {"^AmvalDes", "ويرايش", "^DaraCod", "~<a1>", "!Tab", back, "=DaraCod="}, 1);
        QStringList forGood{"^DaraCod", "@<a1>", back, ">DaraCod", "@<a2>"};
        forGood += {"?دارايي در تاريخ <07/01> به فروش رسيده شده است", ">DaraCod", "~<a3>", "!Tab"};
        forGood += {"تعمير", "@6", "<location>", "@<centre>", "92", ">DaraCod"};
        forGood += {"?دارايي تا تاريخ <08/01> کنارگذاري دايمي نشده است", "*DaraCod="};
        forGood += {"@<a0>", ">AmvalDes", "^Bargeh", ""};
        row("return for good",
            "D_KenarD 80 0 05/01;D_KenarD 81 1 05/01;D_BarKenarD 80 1 06/01;D_KenarD 82 2 "
            "05/01;D_ForoshDaymeh 90 2 07/01",
            "=08/01", forGood, 1, "<a1> -<a3>", "<a0>");
    }
    void aVoucherGuardsItsAssets()
    {
        QFETCH(QString, opened);
        QFETCH(QStringList, keys);
        const auto filled = [this](QString text) {
            static const QRegularExpression day("<(\\d\\d/\\d\\d)>");
            for (QRegularExpressionMatch m = day.match(text); m.hasMatch(); m = day.match(text))
                text.replace(m.captured(0), Day(m.captured(1)));
            for (int i = 0; i < m_assets.size(); ++i)
                text.replace(QString("<a%1 typed>").arg(i), PersianDigits(m_assets.at(i)))
                    .replace(QString("<a%1>").arg(i), m_assets.at(i));
            return text.replace("<location>", m_location).replace("<centre>", m_costCentre);
        };
        QFETCH(QString, setup);
        for (const QString& row : setup.split(';')) {
            const QStringList part = row.split(' ');
            StoreElsewhere(host(), part.at(0), part.at(1), m_assets.at(part.at(2).toInt()),
                           Day(part.at(3)));
        }
        const auto form = KindWindow(QString(QTest::currentDataTag()).section(':', 0, 0));
        VoucherDriver d(host(), form.get());
        QString number = opened.mid(1);
        if (opened.startsWith('#')) {
            const QString date = number.section('=', 1);
            number = number.section('=', 0, 0);
            d.startVoucher(number, date.isEmpty() ? date : Day(date));
        } else if (opened.startsWith('=')) {
            number = NextNumber(host(), form->Kind().Table());
            d.startVoucher(number, Day(opened.mid(1)), false);
            d.gridKey(Qt::Key_Return);
        } else {
            number = d.newVoucher(Day(opened));
        }
        for (QString& step : keys)
            step = filled(step);
        d.keysSayingOnly(keys);
        QFETCH(QString, offered);
        for (const QString& asset : offered.split(' ', Qt::SkipEmptyParts))
            QVERIFY2(host().tempGridForm->shown.first().keys.contains(
                         filled(asset.mid(asset.startsWith('-')))) != asset.startsWith('-'),
                     qPrintable(asset));
        QTEST(host().scalar("SELECT COUNT(*) FROM " + SqlIdent(form->TransTableName())).toInt(),
              "rows");
        QFETCH(QString, stored);
        if (stored.isEmpty())
            return;
        QCOMPARE(d.rows(number, "TRIM(DaraCod)"), QStringList());
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QCOMPARE(d.rows(number, "TRIM(DaraCod)"), QStringList{filled(stored)});
    }

    // Two clerks take one asset out of use, or return it, at the same time: this one
    // typed and checked two rows, the other stored his voucher of the second row's
    // asset first, dated before this one (a permanent retirement, while this OK waits
    // for it and is refused, storing nothing). OK refuses with the message the row would
    // now get, the cursor on that row's asset, and stores nothing; the rows stay, and
    // with another asset typed in place the voucher is stored.
    void anotherClerksVoucherRefusesTheSave_data()
    {
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QString>("message");
        QTest::newRow("retirement for good") << "sp_D_Asnad_KenarD"
                                             << "دارايي در تاريخ <07/01> کنارگذاري دايمي شده است";
        QTest::newRow("retirement") << "sp_D_Asnad_KenarM"
                                    << "دارايي در تاريخ <07/01> کنارگذاري موقت شده است";
        QTest::newRow("return") << "sp_D_Asnad_BarKenarM"
                                << "اين دارايي قبلا برگشت داده شده است.";
    }
    void anotherClerksVoucherRefusesTheSave()
    {
        QFETCH(QString, procedure);
        QFETCH(QString, message);
        message.replace("<07/01>", Day("07/01"));
        const bool returning = procedure.contains("BarKenar");
        for (int i = 0; returning && i < 3; ++i)
            StoreElsewhere(host(), "D_KenarM", "8" + QString::number(i), m_assets.at(i),
                           Day("05/01"));
        const auto form = KindWindow(returning ? "return" : "retirement");
        VoucherDriver d(host(), form.get());
        const QString number = d.newVoucher(Day("08/01"));
        for (int i = 0; i < 2; ++i)
            d.keys({"@" + m_assets.at(i), "تعمير", "@6", PersianDigits(m_location),
                    "@" + m_costCentre, PersianDigits(QString::number(61 + i))});
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        const auto stored = [&] { return d.rows(number, "TRIM(DaraCod)"); };
        const bool forGood = procedure == "sp_D_Asnad_KenarD";
        const QString other = storedByAnotherClerk(
            *FindVoucherKindByProcedure(procedure), m_assets.at(1), Day("07/01"), [&] {
                if (!forGood)
                    return;
                host().db().setBusyLimit(200);
                QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
                // His transaction holds the database: the OK waits for it, in vain.
                QCOMPARE(host().dlgMsg->shown.size(), 1);
                QVERIFY2(d.lastMessage().contains("در اختيار کاربر ديگري است"),
                         qPrintable(d.lastMessage()));
                QCOMPARE(stored(), QStringList());
            });
        // His number is not this voucher's: the guard passes over rows that carry it.
        QVERIFY(!other.isEmpty() && other != number);
        QVERIFY(!d.save());
        QCOMPARE(d.lastMessage(), message);
        QCOMPARE(form->quAsnad->recNo(), 2);
        QCOMPARE(d.currentColumn(), "DaraCod");
        QCOMPARE(stored(), QStringList());
        QCOMPARE(form->quAsnad->recordCount(), 2);

        d.gridType(m_assets.at(2));
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QCOMPARE(stored(), (QStringList{m_assets.at(0), m_assets.at(2)}));
    }
};

AMVAL_TEST_MAIN(TestDisposal)
#include "tst_disposal.moc"
