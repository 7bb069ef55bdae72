// The sale and permanent retirement voucher windows driven as a user drives them:
// rows typed with the keyboard through both account chains, the row checks with
// their messages and columns, the salvage rule, the save modes, and the state guard
// that a saved sale or retirement puts on the asset.

#include "buycreateunit.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "foroshdayehunit.h"
#include "kenardunit.h"
#include "messages.h"
#include "sqlquote.h"
#include "voucherdriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QtTest>
#include <memory>

class TestDisposal : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QStringList m_assets; // in use, neither sold nor retired
    DemoHost& host() { return *m_host; }

    template <typename Form> std::unique_ptr<Form> open()
    {
        auto form = std::make_unique<Form>();
        form->resize(1200, 700);
        form->show();
        QCoreApplication::processEvents();
        return form;
    }
    QString nextNumber(const QString& table)
    {
        return host().scalar("SELECT COALESCE(MAX(CAST(SanadNoAmval AS INTEGER)), 0) + 1 FROM " +
                             table);
    }
    void setRow(DataSet* ds, const QMap<QString, QVariant>& values)
    {
        for (auto it = values.begin(); it != values.end(); ++it)
            ds->fieldByName(it.key())->setValue(it.value());
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = Column(host().db(),
                          "SELECT DaraCod FROM D_Amval WHERE EndValue <> 0 AND RaveshEst <> "
                          "'ندارد' AND BahreDate < '1405/01/01' AND DaraCod NOT IN (SELECT "
                          "DaraCod FROM D_ForoshDaymeh) AND DaraCod NOT IN (SELECT DaraCod FROM "
                          "D_KenarD) ORDER BY DaraCod LIMIT 3");
        QCOMPARE(m_assets.size(), 3);
    }
    void cleanup() { m_host.reset(); }

    // Amounts keep their decimal point, typed as "." or as the Persian separator; a
    // code column that takes digits only refuses a separator where the user sees it.
    void amountsKeepTheirDecimalPoint()
    {
        auto form = open<TForoshDayehForm>();
        VoucherDriver d(host(), form.get());
        d.startVoucher(nextNumber("D_ForoshDaymeh"), "1405/08/01");
        d.gridKey(Qt::Key_Return);
        host().tempGridForm->choose(m_assets.at(0));
        d.gridKey(Qt::Key_Return);
        d.cell(QStringLiteral("اعشار"));
        host().tempGridForm->choose("6");
        d.gridKey(Qt::Key_Return);
        QCOMPARE(d.currentColumn(), QStringLiteral("ArzeshFee"));
        d.cell(QStringLiteral("1500") + QChar(0x066B) + QStringLiteral("5"));
        d.cell(QStringLiteral("۱۷۰۰.۲۵"));
        QCOMPARE(form->quAsnad->fieldByName("ArzeshFee")->asFloat(), 1500.5);
        QCOMPARE(form->quAsnad->fieldByName("sValue")->asFloat(), 1700.25);

        form->dbgAsnad->focusField(QStringLiteral("VazCod"));
        QToolTip::hideText();
        d.gridType(QStringLiteral("."));
        QCOMPARE(QToolTip::text(), QStringLiteral("در اين ستون فقط رقم پذيرفته مي شود."));
        QCOMPARE(form->quAsnad->fieldByName("VazCod")->asString().trimmed(), QStringLiteral("6"));
    }

    // A sale typed with the keyboard: the asset and condition lists, amounts, a
    // buyer with a quote, the counterparty chain ending at its last level (Tafsily
    // for 12/1) and jumping to the gain/loss chain, which finishes the row at its
    // last level (Moein for 13/3).
    void saleKeyboardRoadAndSaveModes()
    {
        auto form = open<TForoshDayehForm>();
        VoucherDriver d(host(), form.get());
        const QString number = nextNumber("D_ForoshDaymeh");
        QCOMPARE(form->SanadID->text().trimmed(), number);
        QCOMPARE(form->CaptionText(), QStringLiteral("ثبت سند فروش دارايي"));
        d.startVoucher(number, "1405/08/01");
        QVERIFY(form->GridPanel->isEnabled());
        d.gridKey(Qt::Key_Return); // the first row

        for (int row = 0; row < 2; ++row) {
            host().tempGridForm->choose(m_assets.at(row));
            d.gridKey(Qt::Key_Return); // asset list
            QCOMPARE(d.currentColumn(), QStringLiteral("AmvalDes"));
            d.cell(QStringLiteral("فروش 'نقدي'"));
            host().tempGridForm->choose("6");
            d.gridKey(Qt::Key_Return); // condition list
            QCOMPARE(d.currentColumn(), QStringLiteral("ArzeshFee"));
            d.cell("1500");
            d.cell("1700");
            d.cell(QStringLiteral("شركت 'آلفا'"));
            d.cell(QString::number(9100 + row));
            d.cell("12");
            d.cell("1");
            QCOMPARE(d.currentColumn(), QStringLiteral("Tafsily"));
            QCOMPARE(form->EMoeinNam->text(),
                     host().scalar("SELECT NamHesab FROM Moein WHERE TRIM(Koll) = '12' AND "
                                   "TRIM(Moein) = '1'"));
            d.cell("3003");
            QCOMPARE(d.currentColumn(), QStringLiteral("HKoll"));
            d.cell("13");
            d.cell("3");
            QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
            QCOMPARE(form->quAsnad->recordCount(), row + 2); // posted, next row appended
            QCOMPARE(d.currentColumn(), QStringLiteral("DaraCod"));
        }
        form->quAsnad->prior();
        QCOMPARE(form->EKollNam->text(),
                 host().scalar("SELECT NamHesab FROM Koll WHERE TRIM(Koll) = '12'"));
        QCOMPARE(form->EVazNam->text(), QStringLiteral("فرسوده و مستهلك"));
        QCOMPARE(form->EArzeshFeeSum->text(), QStringLiteral("3,000"));
        QCOMPARE(form->ESValueSum->text(), QStringLiteral("3,400"));
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

        // Without SANAD_TIME=ANE the deferred mode, and the date in quotes.
        QCOMPARE(form->SaveMode(), QStringLiteral("TRANS->DB1"));
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        const QString where = " FROM D_ForoshDaymeh WHERE TRIM(SanadNoAmval) = " + SqlQuote(number);
        QCOMPARE(Column(host().db(), "SELECT DaraCod || '|' || Buyer || '|' || Koll || Moein || "
                                     "Tafsily || '|' || HKoll || HMoein || '|' || sDate" +
                                         where + " ORDER BY Raj"),
                 QStringList({m_assets.at(0) + QStringLiteral("|شركت 'آلفا'|") +
                                  " 12   103003| 13   3|1405/08/01",
                              m_assets.at(1) + QStringLiteral("|شركت 'آلفا'|") +
                                  " 12   103003| 13   3|1405/08/01"}));
        QCOMPARE(host().scalar("SELECT Sum(ArzeshFee)" + where), QStringLiteral("3000"));
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM D_Asnad_Actions WHERE TRIM(ActSanadNo) = " +
                               SqlQuote(number) + " AND SectionNam = 'فروش دارائي'"),
                 QStringLiteral("1"));

        // With SANAD_TIME=ANE (read when a window opens): the immediate mode, and
        // instead of an accounting voucher the list of the voucher's assets.
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
        QCOMPARE(form->SaveMode(), QStringLiteral("TRANS->DB"));
        form = open<TForoshDayehForm>();
        d = VoucherDriver(host(), form.get());
        form->SanadID->setText(number);
        VoucherDriver::enter(form->SanadID);
        VoucherDriver::enter(form->mYear);
        form->quAsnad->first();
        form->quAsnad->edit();
        form->quAsnad->fieldByName("sValue")->setValue(1800.0);
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QCOMPARE(d.lastMessage(),
                 QStringLiteral("سند حسابداري لحظه ايي براي فروش دارايي نميتواند صادر شود. \n"
                                "براي اين منظور ابتدا گزارش كارت دارايي را براي داراييهاي \n") +
                     m_assets.at(0) + ", " + m_assets.at(1) +
                     QStringLiteral("\nببينيد و بعد از طريق گزينه <صدور سند حسابداري> كه در قسمت "
                                    "ساير عمليات قرار دارد, سند حسابداري را صادر كنيد."));
        QCOMPARE(host().scalar("SELECT Sum(sValue)" + where), QStringLiteral("3500"));

        // The sold asset is refused from the sale's date on, by another sale and by
        // the retirement's asset list; before that date it passes the guard.
        host().dlgMsg->shown.clear();
        const QString soldMessage =
            QStringLiteral("دارايي در تاريخ 1405/08/01 به فروش رسيده شده است");
        form->SanadID->setText(nextNumber("D_ForoshDaymeh"));
        d.startVoucher(form->SanadID->text(), "1405/08/02");
        d.gridKey(Qt::Key_Return);
        setRow(form->quAsnad, {{"DaraCod", m_assets.at(0)}});
        form->dbgAsnad->focusField("Bargeh");
        QVERIFY(!form->quAsnad->post());
        QCOMPARE(host().dlgMsg->shown.first().text, soldMessage);
        QCOMPARE(d.currentColumn(), QStringLiteral("DaraCod"));

        auto retire = open<TKenarDForm>();
        VoucherDriver r(host(), retire.get());
        host().dlgMsg->shown.clear();
        r.startVoucher(nextNumber("D_KenarD"), "1405/07/30");
        r.gridKey(Qt::Key_Return);
        host().tempGridForm->choose(m_assets.at(0));
        r.gridKey(Qt::Key_Return);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(r.lastMessage()));
        QCOMPARE(r.currentColumn(), QStringLiteral("AmvalDes"));
        retire->quAsnad->cancel();
        retire->cmdCancel->click();
        // (a voucher number of its own: the guard passes over vouchers of the same
        // number, of whatever kind)
        r.startVoucher("50", "1405/08/01");
        r.gridKey(Qt::Key_Return);
        host().tempGridForm->choose(m_assets.at(0));
        r.gridKey(Qt::Key_Return);
        QCOMPARE(r.lastMessage(), soldMessage);
        QCOMPARE(r.currentColumn(), QStringLiteral("DaraCod"));
    }

    // The retirement refuses a sold asset typed without its list and left with an
    // arrow; a stored voucher whose date is moved past a sale of one of its assets is
    // checked again when it is saved, and stays as it was.
    void retirementGuardsTypedAssetsAndMovedDates()
    {
        const QString year = host().global.FiscalYear;
        const QString number = host().scalar("SELECT TRIM(MIN(SanadNoAmval)) FROM D_KenarD");
        const QString asset = host().scalar("SELECT TRIM(DaraCod) FROM D_KenarD WHERE "
                                            "TRIM(SanadNoAmval) = " +
                                            SqlQuote(number) + " ORDER BY Raj LIMIT 1");
        const QString stored = host().scalar("SELECT sDate FROM D_KenarD WHERE "
                                             "TRIM(SanadNoAmval) = " +
                                             SqlQuote(number) + " LIMIT 1");
        const QString soldOn = year + "/11/01";
        QVERIFY(stored < soldOn);
        // Another clerk sells the asset after the retirement's date.
        host().exec("INSERT INTO D_ForoshDaymeh (SanadNoAmval, Raj, DaraCod, sDate) VALUES ("
                    "'      90', 1, " +
                    SqlQuote(asset.rightJustified(6)) + ", " + SqlQuote(soldOn) + ")");
        const QString soldMessage =
            QStringLiteral("دارايي در تاريخ ") + soldOn + QStringLiteral(" به فروش رسيده شده است");

        auto retire = open<TKenarDForm>();
        VoucherDriver r(host(), retire.get());
        r.startVoucher("70", year + "/11/10");
        r.gridKey(Qt::Key_Return);
        r.gridType(asset);
        r.gridKey(Qt::Key_Down);
        QCOMPARE(r.lastMessage(), soldMessage);
        QCOMPARE(r.currentColumn(), QStringLiteral("DaraCod"));
        retire->quAsnad->cancel();
        retire->cmdCancel->click();

        host().dlgMsg->shown.clear();
        r.startVoucher(number, year + "/11/15");
        QVERIFY(retire->OkBitBtn->isEnabled());
        QTest::mouseClick(retire->OkBitBtn, Qt::LeftButton);
        QCOMPARE(r.lastMessage(), soldMessage);
        QCOMPARE(r.currentColumn(), QStringLiteral("DaraCod"));
        QCOMPARE(host().scalar("SELECT DISTINCT sDate FROM D_KenarD WHERE TRIM(SanadNoAmval) = " +
                               SqlQuote(number)),
                 stored);
        QVERIFY(retire->quAsnad->active());
    }

    // A sale dated after the fiscal period's end belongs to another period: it opens
    // read only and says so. The purchase window never marks a voucher so.
    void aVoucherOfAnotherPeriodOpensReadOnly()
    {
        const QString next = QString::number(host().global.FiscalYear.toInt() + 1) + "/01/10";
        const QString sale = host().scalar("SELECT TRIM(MAX(SanadNoAmval)) FROM D_ForoshDaymeh");
        host().exec("UPDATE D_ForoshDaymeh SET sDate = " + SqlQuote(next) +
                    " WHERE TRIM(SanadNoAmval) = " + SqlQuote(sale));
        auto form = open<TForoshDayehForm>();
        form->SanadID->setText(sale);
        VoucherDriver::enter(form->SanadID);
        QVERIFY(form->OtherPeriod());
        QCOMPARE(form->CaptionText(), QStringLiteral("ويرايش سند فروش دارايي ") + sale +
                                          QStringLiteral("(سند فروش دارايي دوره مالي ديگر)"));
        VoucherDriver::enter(form->mYear);
        QVERIFY(!form->OkBitBtn->isEnabled());
        QVERIFY(!form->cmdDel->isEnabled());

        const QString purchase = host().scalar("SELECT TRIM(MAX(SanadNoAmval)) FROM D_Buy_Create");
        host().exec("UPDATE D_Buy_Create SET sDate = " + SqlQuote(next) +
                    " WHERE TRIM(SanadNoAmval) = " + SqlQuote(purchase));
        auto buy = open<TBuyCreateForm>();
        buy->SanadID->setText(purchase);
        VoucherDriver::enter(buy->SanadID);
        QVERIFY(!buy->OtherPeriod());
        QVERIFY(!buy->CaptionText().contains(QStringLiteral("دوره مالي ديگر")));
    }

    // A depreciation voucher dated D closes everything up to D: a new voucher dated
    // on or before D is refused at its date, a stored one dated on or before D stays
    // read only (the caption names the reason only while D is later than the voucher).
    void depreciationClosesTheVouchersUpToItsDate()
    {
        const QString stored = host().scalar(
            "SELECT TRIM(SanadNoAmval) FROM D_ForoshDaymeh GROUP BY SanadNoAmval LIMIT 1");
        const QString storedOn = host().scalar(
            "SELECT MIN(sDate) FROM D_ForoshDaymeh WHERE TRIM(SanadNoAmval) = " + SqlQuote(stored));
        auto depreciateUpTo = [this](const QString& date) {
            host().exec("DELETE FROM Asnad WHERE TypeSys = 'D' AND WhatDoc IN ('98', '99')");
            host().exec("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc) VALUES (9801, " +
                        SqlQuote(date) + ", 'D', '98')");
        };
        auto loadStored = [&](TForoshDayehForm& form) {
            form.SanadID->selectAll();
            QTest::keyClicks(form.SanadID, stored);
            VoucherDriver::enter(form.SanadID);
            VoucherDriver::enter(form.mYear);
        };

        depreciateUpTo("1405/08/01");
        {
            auto form = open<TForoshDayehForm>();
            VoucherDriver d(host(), form.get());
            d.startVoucher(nextNumber("D_ForoshDaymeh"), "1405/08/01");
            QCOMPARE(d.lastMessage(),
                     QStringLiteral("سند هزينه استهلاک تا تاريخ 1405/08/01 صادر شده است."));
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

        const QString edit = QStringLiteral("ويرايش سند فروش دارايي ") + stored;
        struct Step
        {
            QString depreciation, caption;
            bool editable;
        };
        const QString dayBefore = host().scalar("SELECT substr(" + SqlQuote(storedOn) +
                                                ", 1, 8) || printf('%02d', substr(" +
                                                SqlQuote(storedOn) + ", 9, 2) - 1)");
        for (const Step& step :
             {Step{dayBefore, edit, true}, Step{storedOn, edit, false},
              Step{"1405/12/29",
                   edit + QStringLiteral("(سند حسابداري هزينه استهلاک تا تاريخ 1405/12/29 صادر "
                                         "شده است)"),
                   false}}) {
            depreciateUpTo(step.depreciation);
            auto form = open<TForoshDayehForm>();
            loadStored(*form);
            QCOMPARE(form->CaptionText(), step.caption);
            QCOMPARE(form->OkBitBtn->isEnabled(), step.editable);
            QCOMPARE(form->cmdDel->isEnabled(), step.editable);
            QCOMPARE(form->dbgAsnad->editingEnabled(), step.editable);
        }
    }

    // A row put in front of another and refused by the table's key (the asset is in
    // the voucher already) leaves the rows behind it where they were.
    void aRefusedMiddleInsertMovesTheRowsBack()
    {
        auto form = open<TForoshDayehForm>();
        VoucherDriver d(host(), form.get());
        d.startVoucher(nextNumber("D_ForoshDaymeh"), "1405/08/01");
        d.gridKey(Qt::Key_Return);
        auto typeRow = [&](const QString& asset, const QString& formNumber) {
            host().tempGridForm->choose(asset);
            d.gridKey(Qt::Key_Return);
            d.cell(QStringLiteral("ميانه"));
            host().tempGridForm->choose("6");
            d.gridKey(Qt::Key_Return);
            for (const QString& text :
                 {QStringLiteral("1500"), QStringLiteral("1700"), QStringLiteral("خريدار"),
                  formNumber, QStringLiteral("12"), QStringLiteral("1"), QStringLiteral("3003"),
                  QStringLiteral("13"), QStringLiteral("3")})
                d.cell(text);
        };
        for (int row = 0; row < 3; ++row)
            typeRow(m_assets.at(row), QString::number(9200 + row));
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        const QString rows = "SELECT Raj || TRIM(DaraCod) FROM " +
                             SqlIdent(form->TransTableName()) + " ORDER BY Raj";
        const QStringList before{"1" + m_assets.at(0), "2" + m_assets.at(1), "3" + m_assets.at(2)};
        QCOMPARE(Column(host().db(), rows), before);

        form->quAsnad->setCurrentRow(1);
        form->dbgAsnad->setFocus();
        d.gridKey(Qt::Key_Insert);
        QCOMPARE(form->quAsnad->state(), DataSet::State::Insert);
        typeRow(m_assets.at(2), "9210");
        QCOMPARE(d.lastMessage(), QStringLiteral("كد دارايي تكراري مي باشد."));
        QCOMPARE(d.currentColumn(), QStringLiteral("DaraCod"));
        form->quAsnad->cancel();
        QCOMPARE(Column(host().db(), rows), before);
    }

    void saleRowChecksInOrder()
    {
        const QString other =
            host().scalar("SELECT TRIM(SanadNoAmval) FROM D_ForoshDaymeh LIMIT 1");
        const QString otherForm =
            host().scalar("SELECT TRIM(Bargeh) FROM D_ForoshDaymeh WHERE TRIM(SanadNoAmval) = " +
                          SqlQuote(other));
        const QString sold = host().scalar("SELECT TRIM(DaraCod) FROM D_ForoshDaymeh WHERE "
                                           "TRIM(SanadNoAmval) = " +
                                           SqlQuote(other));
        const QString soldOn = host().scalar(
            "SELECT sDate FROM D_ForoshDaymeh WHERE TRIM(SanadNoAmval) = " + SqlQuote(other));
        const QString late = m_assets.at(2);
        host().exec("UPDATE D_Amval SET BahreDate = '1405/09/01' WHERE TRIM(DaraCod) = " +
                    SqlQuote(late));

        auto form = open<TForoshDayehForm>();
        VoucherDriver d(host(), form.get());
        d.startVoucher(nextNumber("D_ForoshDaymeh"), "1405/08/01");
        d.gridKey(Qt::Key_Return);

        struct Case
        {
            QString asset, vaz, fee, value, buyer, form, koll, moein, tafsily, hkoll, hmoein,
                message, column;
        };
        const QString a = m_assets.at(0);
        const QList<Case> cases{
            {"", "", "1", "1", "x", "1", "12", "1", "3003", "13", "3", "كد دارايي خالي مي باشد.",
             "DaraCod"},
            {"99999", "", "1", "1", "x", "1", "12", "1", "3003", "13", "3", "كد دارايي وجود ندارد.",
             "DaraCod"},
            {sold, "", "1", "1", "x", "1", "12", "1", "3003", "13", "3",
             "دارايي در تاريخ " + soldOn + " به فروش رسيده شده است", "DaraCod"},
            {a, "55", "1", "1", "x", "1", "12", "1", "3003", "13", "3", "وضعيت دارايي وجود ندارد.",
             "VazCod"},
            {a, "", "0", "1", "x", "1", "12", "1", "3003", "13", "3",
             "مبلغ ارزش فروش دارايي صفر مي باشد", "ArzeshFee"},
            {a, "", "1", "0", "x", "1", "12", "1", "3003", "13", "3",
             "مبلغ فروش دارايي صفر مي باشد", "sValue"},
            {a, "", "1", "1", " ", "1", "12", "1", "3003", "13", "3", "نام خريدار وارد نشده است",
             "Buyer"},
            {a, "", "1", "1", "x", "", "12", "1", "3003", "13", "3",
             "شماره برگه فروش دارايي خالي مي باشد.", "Bargeh"},
            {a, "", "1", "1", "x", otherForm, "12", "1", "3003", "13", "3",
             " شماره برگه در سند " + other + " تكرار شده است. ", "Bargeh"},
            {late, "", "1", "1", "x", "1", "12", "1", "3003", "13", "3",
             "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod"},
            {a, "", "1", "1", "x", "1", "12", "1", "", "13", "3", "کد حساب تفصيلي خالي مي باشد.",
             "Tafsily"},
            {a, "", "1", "1", "x", "1", "12", "1", "3003", "13", "8",
             "كد حساب معين موجود نمي باشد.", "HMoein"},
        };
        for (const Case& c : cases) {
            host().dlgMsg->shown.clear();
            host().tempGridForm->answers.clear();
            host().tempGridForm->cancel(); // a list a check opens is put away
            setRow(form->quAsnad, {{"DaraCod", c.asset},
                                   {"VazCod", c.vaz},
                                   {"ArzeshFee", c.fee.toDouble()},
                                   {"sValue", c.value.toDouble()},
                                   {"Buyer", c.buyer},
                                   {"Bargeh", c.form},
                                   {"Koll", c.koll},
                                   {"Moein", c.moein},
                                   {"Tafsily", c.tafsily},
                                   {"HKoll", c.hkoll},
                                   {"HMoein", c.hmoein}});
            form->dbgAsnad->focusField("Bargeh");
            QVERIFY(!form->quAsnad->post());
            QVERIFY2(!host().dlgMsg->shown.isEmpty(), qPrintable(c.message));
            QCOMPARE(host().dlgMsg->shown.first().text, c.message);
            QCOMPARE(d.currentColumn(), c.column);
            QCOMPARE(form->quAsnad->state(), DataSet::State::Insert);
        }
        // The row passes once everything is right; the same form number on a second
        // row of this voucher passes too.
        host().dlgMsg->shown.clear();
        setRow(form->quAsnad,
               {{"DaraCod", a}, {"Bargeh", "77"}, {"HMoein", "3"}, {"Tafsily", "3003"}});
        QVERIFY2(form->quAsnad->post(), qPrintable(d.lastMessage()));
        form->quAsnad->append();
        setRow(form->quAsnad, {{"DaraCod", m_assets.at(1)},
                               {"ArzeshFee", 5.0},
                               {"sValue", 6.0},
                               {"Buyer", "y"},
                               {"Bargeh", "77"},
                               {"Koll", "12"},
                               {"Moein", "1"},
                               {"Tafsily", "3003"},
                               {"HKoll", "13"},
                               {"HMoein", "3"}});
        QVERIFY2(form->quAsnad->post(), qPrintable(d.lastMessage()));
    }

    // The retirement: the salvage value follows the asset's depreciation method,
    // an unknown asset opens the list without a word, the gain/loss chain's list
    // fills the H columns and its refusal focuses them.
    void retirementSalvageRuleAndChains()
    {
        const QString undepreciated = host().scalar(
            "SELECT TRIM(DaraCod) FROM D_Amval WHERE RaveshEst = 'ندارد' AND BahreDate < "
            "'1405/01/01' AND DaraCod NOT IN (SELECT DaraCod FROM D_KenarD) AND DaraCod NOT IN "
            "(SELECT DaraCod FROM D_ForoshDaymeh) LIMIT 1");
        QVERIFY(!undepreciated.isEmpty());
        auto form = open<TKenarDForm>();
        VoucherDriver d(host(), form.get());
        QCOMPARE(form->windowTitle(), QStringLiteral("ثبت سند کنارگذاري دايمي"));
        const QString number = nextNumber("D_KenarD");
        d.startVoucher(number, "1405/08/01");
        d.gridKey(Qt::Key_Return);
        DataSet* ds = form->quAsnad;
        const QMap<QString, QVariant> good{{"Bargeh", "91"},    {"Koll", "12"},  {"Moein", "1"},
                                           {"Tafsily", "3003"}, {"HKoll", "13"}, {"HMoein", "3"}};
        setRow(ds, good);

        setRow(ds, {{"DaraCod", ""}});
        QVERIFY(!ds->post());
        QCOMPARE(d.lastMessage(), QStringLiteral("كد دارايي خالي ميباشد."));

        host().dlgMsg->shown.clear();
        const int lists = host().tempGridForm->shown.size();
        host().tempGridForm->cancel();
        setRow(ds, {{"DaraCod", "99999"}});
        QVERIFY(!ds->post());
        QVERIFY(host().dlgMsg->shown.isEmpty());
        QCOMPARE(host().tempGridForm->shown.size(), lists + 1);
        QCOMPARE(d.currentColumn(), QStringLiteral("DaraCod"));

        setRow(ds, {{"DaraCod", m_assets.at(0)}, {"ArzeshAsgat", 0.0}});
        QVERIFY(!ds->post());
        QCOMPARE(d.lastMessage(), QStringLiteral("ارزش اسقاط صفر ميباشد."));
        QCOMPARE(d.currentColumn(), QStringLiteral("ArzeshAsgat"));

        setRow(ds, {{"Bargeh", ""}, {"ArzeshAsgat", 10.0}});
        QVERIFY(!ds->post());
        QCOMPARE(d.lastMessage(), QStringLiteral("شماره برگه كنارگذاري دايميخالي ميباشد."));

        // A gain/loss chain with a Moein that asks for a second detail level.
        setRow(ds, {{"Bargeh", "91"}, {"HKoll", "62"}, {"HMoein", "2"}});
        QVERIFY(!ds->post());
        QCOMPARE(d.currentColumn(), QStringLiteral("HTafsily2"));
        setRow(ds, {{"HKoll", "13"}, {"HMoein", "3"}});
        QVERIFY2(ds->post(), qPrintable(d.lastMessage()));

        // An asset without a depreciation method leaves with salvage 0, whatever was typed.
        ds->append();
        setRow(ds, good);
        setRow(ds, {{"DaraCod", undepreciated}, {"ArzeshAsgat", 500.0}, {"Bargeh", "91"}});
        QVERIFY2(ds->post(), qPrintable(d.lastMessage()));

        // The gain/loss Koll list, opened with Enter on the empty cell, fills HKoll
        // and leaves the counterparty's Koll alone.
        ds->append();
        setRow(ds, {{"DaraCod", m_assets.at(1)}, {"Koll", "12"}});
        form->dbgAsnad->focusField("HKoll");
        host().tempGridForm->choose("62");
        d.gridKey(Qt::Key_Return);
        QCOMPARE(ds->fieldByName("HKoll")->asString().trimmed(), QStringLiteral("62"));
        QCOMPARE(ds->fieldByName("Koll")->asString().trimmed(), QStringLiteral("12"));
        QCOMPARE(d.currentColumn(), QStringLiteral("HMoein"));
        ds->cancel();

        host().dlgMsg->shown.clear();
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        const QString where = " FROM D_KenarD WHERE TRIM(SanadNoAmval) = " + SqlQuote(number);
        QCOMPARE(Column(host().db(),
                        "SELECT TRIM(DaraCod) || '=' || ArzeshAsgat" + where + " ORDER BY Raj"),
                 QStringList({m_assets.at(0) + "=10.0", undepreciated + "=0.0"}));
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM D_Asnad_Actions WHERE TRIM(ActSanadNo) = " +
                               SqlQuote(number) + " AND SectionNam = 'کنار گذاري دائم'"),
                 QStringLiteral("1"));
    }

    // The voucher menu's search, report properties and print reach the sibling
    // libraries beside the program: the search moves the grid to the row found, the
    // properties window carries the kind's title, the print writes a PDF.
    void menuReachesTheSiblingLibraries()
    {
        host().global.AppPath = QCoreApplication::applicationDirPath();
        const QString number = host().scalar(
            "SELECT TRIM(SanadNoAmval) FROM D_ForoshDaymeh GROUP BY SanadNoAmval HAVING "
            "COUNT(*) > 1 LIMIT 1");
        const QString second =
            host().scalar("SELECT TRIM(DaraCod) FROM D_ForoshDaymeh WHERE TRIM(SanadNoAmval) = " +
                          SqlQuote(number) + " AND Raj = 2");
        QVERIFY(!second.isEmpty());
        auto form = open<TForoshDayehForm>();
        VoucherDriver d(host(), form.get());
        form->SanadID->setText(number);
        VoucherDriver::enter(form->SanadID);
        VoucherDriver::enter(form->mYear);
        form->quAsnad->first();
        form->dbgAsnad->setFocus();
        form->dbgAsnad->focusField("DaraCod");

        // Each dialog is answered from the event loop once it shows.
        const auto whenShown = [](const QString& name, std::function<void(QWidget*)> answer) {
            auto* timer = new QTimer;
            QObject::connect(timer, &QTimer::timeout, timer, [timer, name, answer] {
                QWidget* w = QApplication::activeModalWidget();
                if (w == nullptr || w->objectName() != name)
                    return;
                timer->deleteLater();
                timer->stop();
                answer(w);
            });
            timer->start(20);
        };
        QStringList seen;
        whenShown("GridSearchForm", [&seen, second](QWidget* w) {
            seen << w->findChild<QComboBox*>("cbField")->currentData().toString();
            w->findChild<QLineEdit*>("edValue")->setText(second);
            w->findChild<QCheckBox*>("chkWhole")->setChecked(true);
            w->findChild<QPushButton*>("btnOk")->click();
        });
        d.gridKey(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(seen, QStringList{"DaraCod"});
        QCOMPARE(form->quAsnad->recNo(), 2);
        // The window has its activation back, so its keys work again.
        QVERIFY(QTest::qWaitForWindowActive(form.get()));

        whenShown("RepPropertyForm", [&seen](QWidget* w) {
            seen << w->windowTitle();
            w->findChild<QPushButton*>("btnOk")->click();
        });
        form->miProperties->trigger();
        QCOMPARE(seen.last(), QStringLiteral("مشخصات گزارش [فروش دارايي]"));
        QVERIFY(QTest::qWaitForWindowActive(form.get()));

        QTemporaryDir out;
        const QString pdf = out.filePath("voucher.pdf");
        whenShown("PrintForm", [&seen, pdf](QWidget* w) {
            // (a copy: the library's own texts go when it is unloaded)
            const QString title = w->windowTitle();
            seen << QString(title.constData(), title.size());
            w->findChild<QRadioButton*>("rbPdf")->click();
            w->findChild<QLineEdit*>("edPdfFile")->setText(pdf);
            w->findChild<QPushButton*>("btnOk")->click();
        });
        // The print library says where the file went.
        auto* closer = new QTimer(form.get());
        connect(closer, &QTimer::timeout, closer, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->accept();
        });
        closer->start(50);
        QStringList plain;
        const PlainMessageHandler previous =
            SetPlainMessageHandler([&plain](const QString& text) { plain << text; });
        d.gridKey(Qt::Key_P, Qt::ControlModifier);
        SetPlainMessageHandler(previous);
        closer->stop();
        QCOMPARE(plain, QStringList());
        QCOMPARE(seen.last(), QStringLiteral("چاپ"));
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(4) == "%PDF");
    }
};

QTEST_MAIN(TestDisposal)
#include "tst_disposal.moc"
