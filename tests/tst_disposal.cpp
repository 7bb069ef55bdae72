// The sale and permanent retirement voucher windows driven as a user drives them:
// rows typed with the keyboard through both account chains, the row checks with
// their messages and columns, the salvage rule, the save modes, and the state guard
// that a saved sale or retirement puts on the asset.

#include "buycreateunit.h"
#include "foroshdayehunit.h"
#include "installhost.h"
#include "kenardunit.h"
#include "tahvilantegalunit.h"
#include "testmain.h"
#include "uitest.h"
#include "voucherdriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
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
    QStringList m_assets; // in use, neither sold nor retired
    DemoHost& host() { return *m_host; }

    // A depreciation voucher up to `date`, in place of any other.
    void depreciateUpTo(const QString& date)
    {
        host().exec("DELETE FROM Asnad WHERE TypeSys = 'D' AND WhatDoc IN ('98', '99')");
        host().exec("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc) VALUES (9801, " +
                    SqlQuote(date) + ", 'D', '98')");
    }
    // Another clerk's sale of `asset` on `date`; the message the guard gives for it.
    QString sellElsewhere(const QString& asset, const QString& date)
    {
        StoreElsewhere(host(), "D_ForoshDaymeh", "90", asset, date);
        return "دارايي در تاريخ " + date + " به فروش رسيده شده است";
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = AssetsInUse(host(), 3, "EndValue <> 0 AND RaveshEst <> 'ندارد'");
        QCOMPARE(m_assets.size(), 3);
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
        // The two totals stand side by side on a line of their own, below the names.
        const auto place = [&form](QWidget* w) {
            int row = 0, column = 0, rows = 0, columns = 0;
            form->FooterLayout->getItemPosition(form->FooterLayout->indexOf(w), &row, &column,
                                                &rows, &columns);
            return QPoint(column, row);
        };
        QCOMPARE(place(form->ESValueSum), place(form->EArzeshFeeSum) + QPoint(2, 0));
        QVERIFY(place(form->EArzeshFeeSum).y() > place(form->EProjectNam).y());
        QCOMPARE(place(form->EArzeshFeeSum).x(), 1);
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        const QString where = " FROM D_ForoshDaymeh WHERE TRIM(SanadNoAmval) = " + SqlQuote(number);
        QStringList stored;
        for (const QString& asset : m_assets)
            stored << asset + "|شركت 'آلفا'| 12   103003| 13   3|" + Day("08/01");
        QCOMPARE(Column(host().db(), "SELECT DaraCod || '|' || Buyer || '|' || Koll || Moein || "
                                     "Tafsily || '|' || HKoll || HMoein || '|' || sDate" +
                                         where + " ORDER BY Raj"),
                 stored);
        QCOMPARE(host().scalar("SELECT Sum(ArzeshFee)" + where), "4500");
        QCOMPARE(Logged(host(), number, "فروش دارائي"), "1");

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
        // Amounts keep their decimal point, typed with the Persian separator; a
        // code column that takes digits only refuses a separator where the user sees it.
        immediate->dbgAsnad->focusField("ArzeshFee");
        i.cell(QStringLiteral("1500") + QChar(0x066B) + "5");
        // The cell shows the decimals too.
        QCOMPARE(immediate->dbgAsnad->model()
                     ->index(immediate->quAsnad->currentRow(),
                             immediate->dbgAsnad->columnOf("ArzeshFee"))
                     .data()
                     .toString(),
                 "1,500.5");
        immediate->dbgAsnad->focusField("VazCod");
        QToolTip::hideText();
        i.gridType(".");
        QCOMPARE(QToolTip::text(), "در اين ستون فقط رقم پذيرفته مي شود.");
        QCOMPARE(immediate->quAsnad->fieldByName("VazCod")->asString().trimmed(), "6");
        QTest::mouseClick(immediate->OkBitBtn, Qt::LeftButton);
        QCOMPARE(i.lastMessage(),
                 QStringLiteral("سند حسابداري لحظه ايي براي فروش دارايي نميتواند صادر شود. \n"
                                "براي اين منظور ابتدا گزارش كارت دارايي را براي داراييهاي \n") +
                     QStringList(m_assets).join(", ") +
                     QStringLiteral("\nببينيد و بعد از طريق گزينه <صدور سند حسابداري> كه در قسمت "
                                    "ساير عمليات قرار دارد, سند حسابداري را صادر كنيد."));
        QCOMPARE(host().scalar("SELECT ArzeshFee" + where + " AND Raj = 2"), "1500.5");
    }

    // The retirement refuses an asset sold by another clerk from the sale's date on,
    // picked from its list or typed without it and left with an arrow; before that
    // date the asset passes the guard. A stored retirement whose date is moved past
    // a sale of one of its assets is checked again when it is saved, and stays as it
    // was.
    void retirementRefusesASoldAsset()
    {
        const QString soldMessage = sellElsewhere(m_assets.at(0), Day("08/01"));
        auto retire = OpenForm<TKenarDForm>();
        VoucherDriver r(host(), retire.get());
        const auto pickOn = [&](const QString& date) {
            host().dlgMsg->shown.clear();
            if (retire->quAsnad->active()) {
                retire->quAsnad->cancel();
                retire->cmdCancel->click();
            }
            r.newVoucher(date);
            r.keys({"@" + m_assets.at(0)});
        };
        pickOn(Day("07/30"));
        QCOMPARE(r.refusal(), (QStringList{"", "AmvalDes"}));
        pickOn(Day("08/01"));
        QCOMPARE(r.refusal(), (QStringList{soldMessage, "DaraCod"}));

        retire->quAsnad->cancel();
        retire->cmdCancel->click();
        r.newVoucher(Day("08/10"));
        r.gridType(m_assets.at(0));
        r.gridKey(Qt::Key_Down);
        QCOMPARE(r.refusal(), (QStringList{soldMessage, "DaraCod"}));

        // The oldest stored retirement, its first asset and its date.
        const QStringList first =
            StoredRows(host().db(), "SELECT TRIM(SanadNoAmval), TRIM(DaraCod), sDate FROM "
                                    "D_KenarD ORDER BY SanadNoAmval, Raj LIMIT 1")
                .value(0);
        const QString number = first.at(0), asset = first.at(1), stored = first.at(2);
        const QString soldOn = Day("11/01");
        QVERIFY(stored < soldOn);
        const QString soldLater = sellElsewhere(asset, soldOn);

        retire = OpenForm<TKenarDForm>();
        VoucherDriver s(host(), retire.get());
        s.startVoucher(number, Day("11/15"));
        QVERIFY(retire->OkBitBtn->isEnabled());
        QTest::mouseClick(retire->OkBitBtn, Qt::LeftButton);
        QCOMPARE(s.refusal(), (QStringList{soldLater, "DaraCod"}));
        QCOMPARE(host().scalar("SELECT DISTINCT sDate FROM D_KenarD WHERE TRIM(SanadNoAmval) = " +
                               SqlQuote(number)),
                 stored);
        QVERIFY(retire->quAsnad->active());
    }

    // A depreciation voucher dated D closes everything up to D: a stored voucher
    // before D opens read only and its caption names the reason. A new voucher dated on or before D
    // is refused at its date, and passes once dated after it. A sale dated after the fiscal
    // period's end belongs to another period: it opens read only and says so; the
    // purchase window never marks a voucher so.
    void theDepreciationAndThePeriodCloseVouchers()
    {
        const QString stored = host().scalar(
            "SELECT TRIM(SanadNoAmval) FROM D_ForoshDaymeh GROUP BY SanadNoAmval LIMIT 1");
        depreciateUpTo(Day("12/29"));
        VoucherDriver(host(), OpenForm<TForoshDayehForm>().get())
            .expectOpened(stored,
                          "ويرايش سند فروش دارايي " + stored +
                              "(سند حسابداري هزينه استهلاک تا تاريخ " + Day("12/29") +
                              " صادر شده است)",
                          "");
        {
            depreciateUpTo(Day("08/01"));
            auto form = OpenForm<TForoshDayehForm>();
            VoucherDriver d(host(), form.get());
            d.startVoucher(NextNumber(host(), "D_ForoshDaymeh"), Day("08/01"));
            QCOMPARE(d.lastMessage(),
                     "سند هزينه استهلاک تا تاريخ " + Day("08/01") + " صادر شده است.");
            QCOMPARE(form->focusWidget(), form->mDay);
            QVERIFY(!form->GridPanel->isEnabled());
            host().dlgMsg->shown.clear();
            QTest::keyClick(form->mDay, Qt::Key_Backspace);
            QTest::keyClick(form->mDay, Qt::Key_Backspace);
            QTest::keyClicks(form->mDay, "02");
            VoucherDriver::enter(form->mYear);
            QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
            QVERIFY(form->GridPanel->isEnabled());
        }
        const QString next = Day("01/10", 1);
        const QString sale = host().scalar("SELECT TRIM(MAX(SanadNoAmval)) FROM D_ForoshDaymeh");
        host().exec("UPDATE D_ForoshDaymeh SET sDate = " + SqlQuote(next) +
                    " WHERE TRIM(SanadNoAmval) = " + SqlQuote(sale));
        auto form = OpenForm<TForoshDayehForm>();
        VoucherDriver(host(), form.get())
            .expectOpened(
                sale, "ويرايش سند فروش دارايي " + sale + "(سند فروش دارايي دوره مالي ديگر)", "");
        QVERIFY(form->OtherPeriod());

        const QString purchase = host().scalar("SELECT TRIM(MAX(SanadNoAmval)) FROM D_Buy_Create");
        host().exec("UPDATE D_Buy_Create SET sDate = " + SqlQuote(next) +
                    " WHERE TRIM(SanadNoAmval) = " + SqlQuote(purchase));
        auto buy = OpenForm<TBuyCreateForm>();
        VoucherDriver(host(), buy.get()).load(purchase);
        QVERIFY(!buy->OtherPeriod());
        QVERIFY(!buy->CaptionText().contains("دوره مالي ديگر"));
    }

    // The sale's row checks in their order, one row after the other in one voucher:
    // each row is right but for its changes, and posting it refuses it with the
    // message and the column to fix. <other> stands for a stored sale, <its form> for
    // its form number, <sold> and <sold on> for its asset and date, <late> for an
    // asset put into use after the voucher's date.
    void saleRowChecksInOrder()
    {
        const QString other =
            host().scalar("SELECT TRIM(SanadNoAmval) FROM D_ForoshDaymeh LIMIT 1");
        const QString where = " FROM D_ForoshDaymeh WHERE TRIM(SanadNoAmval) = " + SqlQuote(other);
        const QList<std::pair<QString, QString>> names{
            {"<other>", other},
            {"<its form>", host().scalar("SELECT TRIM(Bargeh)" + where)},
            {"<sold on>", host().scalar("SELECT sDate" + where)},
            {"<sold>", host().scalar("SELECT TRIM(DaraCod)" + where)},
            {"<late>", m_assets.at(2)}};
        host().exec("UPDATE D_Amval SET BahreDate = ? WHERE TRIM(DaraCod) = ?",
                    {Day("09/01"), m_assets.at(2)});
        auto form = OpenForm<TForoshDayehForm>();
        VoucherDriver d(host(), form.get());
        d.newVoucher(Day("08/01"));
        const auto check = [&](const QVariantMap& changes, const char* text, const char* column,
                               const char* list = "") {
            SetRow(form->quAsnad, kRightSale);
            SetRow(form->quAsnad, {{"DaraCod", m_assets.at(0)}});
            d.expectChecked(changes, names, text, column, list);
        };
        check({{"DaraCod", ""}}, "كد دارايي خالي مي باشد.", "DaraCod");
        check({{"DaraCod", "99999"}}, "كد دارايي وجود ندارد.", "DaraCod", "DaraCod");
        check({{"DaraCod", "<sold>"}}, "دارايي در تاريخ <sold on> به فروش رسيده شده است",
              "DaraCod");
        check({{"VazCod", "55"}}, "وضعيت دارايي وجود ندارد.", "VazCod", "VazCod");
        check({{"ArzeshFee", 0.0}}, "مبلغ ارزش فروش دارايي صفر مي باشد", "ArzeshFee");
        check({{"sValue", 0.0}}, "مبلغ فروش دارايي صفر مي باشد", "sValue");
        check({{"Buyer", " "}}, "نام خريدار وارد نشده است", "Buyer");
        check({{"Bargeh", ""}}, "شماره برگه فروش دارايي خالي مي باشد.", "Bargeh");
        check({{"Bargeh", "<its form>"}}, " شماره برگه در سند <other> تكرار شده است. ", "Bargeh");
        check({{"DaraCod", "<late>"}}, "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.",
              "DaraCod");
        check({{"Tafsily", ""}}, "کد حساب تفصيلي خالي مي باشد.", "Tafsily", "Tafsily");
        check({{"HMoein", "8"}}, "كد حساب معين موجود نمي باشد.", "HMoein");
    }

    // The retirement's row checks: an empty asset, an unknown one (opens the list
    // without a word), no salvage, no form number, a gain/loss chain whose Moein asks
    // for a second detail level. An asset without a depreciation method leaves with
    // salvage 0, whatever was typed; one with a method keeps its salvage.
    void retirementRowChecksAndSalvage()
    {
        const QString undepreciated = AssetsInUse(host(), 1, "RaveshEst = 'ندارد'").value(0);
        QVERIFY(!undepreciated.isEmpty());
        auto form = OpenForm<TKenarDForm>();
        VoucherDriver d(host(), form.get());
        // A new retirement on its first row, right but for the asset and the salvage.
        const QString number = d.newVoucher(Day("08/01"));
        SetRow(form->quAsnad, kRightRetirement);
        DataSet* ds = form->quAsnad;
        d.expectChecked({{"DaraCod", ""}}, {}, "كد دارايي خالي ميباشد.", "DaraCod");
        d.expectChecked({{"DaraCod", "99999"}}, {}, "", "DaraCod", "DaraCod");
        d.expectChecked({{"DaraCod", m_assets.at(0)}, {"ArzeshAsgat", 0.0}}, {},
                        "ارزش اسقاط صفر ميباشد.", "ArzeshAsgat");
        d.expectChecked({{"Bargeh", ""}, {"ArzeshAsgat", 10.0}}, {},
                        "شماره برگه كنارگذاري دايميخالي ميباشد.", "Bargeh");
        d.expectChecked({{"Bargeh", "91"}, {"HKoll", "62"}, {"HMoein", "2"}}, {},
                        "کد حساب مركز هزينه خالي مي باشد.", "HTafsily2");

        // The gain/loss Koll list, opened with Enter on the empty cell, fills HKoll
        // and leaves the counterparty's Koll alone.
        SetRow(ds, {{"DaraCod", m_assets.at(1)}, {"HKoll", ""}});
        form->dbgAsnad->focusField("HKoll");
        d.keys({"@62", "=HKoll=62", "=Koll=12", ">HMoein"});

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
        QCOMPARE(Logged(host(), number, "کنار گذاري دائم"), "1");
    }

    // Enter in a new row's empty asset cell opens the host's own list window on its
    // first row, having read only its first screens of a register longer than that;
    // its rows are the register's in code order (the purchase's: the assets not yet
    // bought, another clerk's purchase counted). (Typing in the list: tst_tempgridform.)
    void theAssetListOfANewRowOpensOnItsFirstRow_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("listed");
        const QString bought =
            " WHERE EndValue = 0 AND DaraCod NOT IN (SELECT DaraCod FROM D_Buy_Create) AND "
            "BahreDate >= (SELECT MAX(Company_StartDate) FROM Options)";
        QTest::newRow("purchase") << "purchase" << bought;
        QTest::newRow("transfer") << "transfer" << QString();
        QTest::newRow("sale") << "sale" << QString();
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

        const std::unique_ptr<TVoucherForm> form =
            window == "purchase"   ? OpenForm<TBuyCreateForm>()
            : window == "transfer" ? std::unique_ptr<TVoucherForm>(OpenForm<TTahvilAntegalForm>())
                                   : OpenForm<TForoshDayehForm>();
        VoucherDriver drv(host(), form.get());
        drv.newVoucher();
        QCOMPARE(drv.currentColumn(), "DaraCod");
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
            QTest::keyClick(list.dbgTemp, Qt::Key_Escape);
        });
        drv.gridKey(Qt::Key_Return);
        StoreHostContext(&host().global, host().myDate.get(), &host().database, host().dlgMsg,
                         host().tempGridForm, host().showStateForm);
        QCOMPARE(standing, 0);
        QVERIFY2(read < kAdded, qPrintable(QString::number(read) + " rows read to open"));
        QCOMPARE(rows, expected);
    }
};

AMVAL_TEST_MAIN(TestDisposal)
#include "tst_disposal.moc"
