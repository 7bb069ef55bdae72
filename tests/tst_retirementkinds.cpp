// The temporary retirement and the two returns from retirement driven as a user
// drives them: a row typed and stored, each kind's row checks with their messages
// and columns, the returns' asset list, already-returned check and guards.

#include "barkenardunit.h"
#include "barkenarmunit.h"
#include "d_globalunit.h"
#include "installhost.h"
#include "kenarmunit.h"
#include "testmain.h"
#include "uitest.h"
#include "voucherdriver.h"

class TestRetirementKinds : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QStringList m_assets; // in use: neither sold nor retired in any way
    QString m_location;
    QString m_costCentre;
    DemoHost& host() { return *m_host; }

    // The row's location, cost centre and form number, right.
    QVariantMap rest(const QString& asset, const QString& form) const
    {
        return {{"DaraCod", asset},
                {"MakanCod", m_location},
                {"Tafsily2", m_costCentre},
                {"Bargeh", form}};
    }
    // Enter in the last column: the row is checked and posted.
    void postRow(TKenarMForm& form)
    {
        form.dbgAsnad->focusField("Bargeh");
        VoucherDriver(host(), &form).gridKey(Qt::Key_Return);
    }
    QStringList messages() const { return ShownTexts(*m_host); }
    // Another clerk, on a connection of his own, stores voucher `number` through its
    // posting `procedure` with one row of `asset` dated `date`, its form number the
    // voucher's number; `meanwhile` runs before his transaction commits.
    void storedByAnotherClerk(const QString& procedure, const QString& number, const QString& asset,
                              const QString& date, const std::function<void()>& meanwhile = {})
    {
        DemoHost other(host().dataFolder(), 2, "clerk2");
        InstallHost(host());
        const QString trans = "##AMV2_" + procedure;
        other.db().callProcedure(procedure, {trans, number, "DB->TRANS"});
        other.db().execute(
            "INSERT INTO " + SqlIdent(trans) +
                " (SanadNoAmval, Raj, sDate, DaraCod, Bargeh) VALUES (?, 1, ?, ?, ?)",
            {number, date, asset.rightJustified(6), number});
        Transaction writing(other.db());
        other.db().callProcedure(procedure, {trans, number, "TRANS->DB", "@Expect=NEW"});
        if (meanwhile)
            meanwhile();
        writing.commit();
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = AssetsInUse(host(), 4, "DaraCod NOT IN (SELECT DaraCod FROM D_KenarM)");
        QCOMPARE(m_assets.size(), 4);
        m_location = host().scalar("SELECT TRIM(MIN(MakanCod)) FROM D_Makan");
        m_costCentre = host().scalar("SELECT TRIM(MIN(Tafsily2)) FROM Tafsily2");
        QVERIFY(!m_location.isEmpty() && !m_costCentre.isEmpty());
    }
    void cleanup() { m_host.reset(); }

    // A retirement typed with the keyboard: the asset and condition lists, a long
    // description with quotes and both forms of Yeh and Kaf (cut to its width by the
    // editor), a location typed in Persian digits, the cost-centre list and a form
    // number in Persian digits. Stored as typed, read back by another connection.
    void aRetirementIsTypedThroughItsWalkAndStored()
    {
        auto form = OpenForm<TKenarMForm>();
        VoucherDriver d(host(), form.get());
        const QString number = d.newVoucher(Day("08/01"));
        const int width = form->FieldWidth("AmvalDes");
        QString description = "انبار 'مركزي' يی كک";
        while (description.size() <= width)
            description += " \"تعمير\"";
        d.keys({"@" + m_assets.at(0), ">AmvalDes", description, "@6", ">MakanCod",
                PersianDigits(m_location), ">Tafsily2", "@" + m_costCentre, ">Bargeh",
                "#EMakanNam=" + host().scalar("SELECT TRIM(MakanNam) FROM D_Makan WHERE "
                                              "TRIM(MakanCod) = ?",
                                              {m_location})});
        QVERIFY(!form->EMarkazNam->text().isEmpty() && !form->EDaraNam->text().isEmpty());
        d.keys({"۹۱", "?"});
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));

        auto other = host().openAgain();
        const QStringList stored =
            Column(*other, "SELECT TRIM(DaraCod) || '|' || AmvalDes || '|' || TRIM(VazCod) || '|' "
                           "|| TRIM(MakanCod) || '|' || TRIM(Tafsily2) || '|' || Bargeh || '|' || "
                           "sDate FROM D_KenarM WHERE TRIM(SanadNoAmval) = " +
                               SqlQuote(number));
        // The keyboard's Persian Yeh and Kaf are typed as the system's Arabic letters.
        description = description.left(width).replace(QChar(0x06CC), QChar(0x064A));
        description.replace(QChar(0x06A9), QChar(0x0643));
        QCOMPARE(stored, QStringList(m_assets.at(0) + "|" + description + "|6|" + m_location + "|" +
                                     m_costCentre + "|91|" + Day("08/01")));

        // Opened again and its row changed: its own retirement does not hold its asset
        // out of use.
        d.startVoucher(number);
        form->dbgAsnad->focusField("AmvalDes");
        d.gridType("ويرايش");
        postRow(*form);
        d.keys({"?"});
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QCOMPARE(d.rows(number, "AmvalDes"), QStringList("ويرايش"));
    }

    // The temporary retirement's checks in their order; a list a check opens either
    // gives a value, and the row is posted in the same step, or is cancelled. An asset
    // another clerk took out of use before the date and did not return is refused; one
    // returned since may be taken out again.
    void retirementChecks_data()
    {
        RowChecksColumns();
        RowCheck("empty asset", {{"DaraCod", ""}}, "كد دارايي خالي مي باشد.", "DaraCod");
        RowCheck("unknown asset", {{"DaraCod", "999999"}}, "كد دارايي وجود ندارد.", "DaraCod",
                 "DaraCod");
        RowCheck("unknown condition", {{"VazCod", "99"}}, "", "VazCod", "VazCod");
        RowCheck("empty condition", {{"VazCod", ""}}, "", "");
        RowCheck("empty location", {{"MakanCod", ""}}, "كد مکان تحويل دارايي خالي مي باشد.",
                 "MakanCod", "MakanCod");
        RowCheck("empty location, chosen", {{"MakanCod", ""}}, "كد مکان تحويل دارايي خالي مي باشد.",
                 "", "MakanCod:<location>");
        RowCheck("unknown location, chosen", {{"MakanCod", "9999"}}, "", "", "MakanCod:<location>");
        RowCheck("empty cost centre", {{"Tafsily2", ""}}, "كد <tafsily2> مي باشد.", "Tafsily2",
                 "Tafsily2");
        RowCheck("no form number", {{"Bargeh", ""}}, "شماره برگه کنارگذاري موقت خالي مي باشد.",
                 "Bargeh");
        RowCheck("form number used", {{"Bargeh", "77"}}, " شماره برگه در سند 77 تكرار شده است. ",
                 "Bargeh");
        RowCheck("in use later", {{"DaraCod", "<late>"}},
                 "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod");
        RowCheck("out of use already", {{"DaraCod", "<out>"}},
                 "دارايي در تاريخ <out on> کنارگذاري موقت شده است", "DaraCod");
        RowCheck("out of use and returned", {{"DaraCod", "<back>"}}, "", "");
    }
    void retirementChecks()
    {
        storedByAnotherClerk("sp_D_Asnad_KenarM", "77", m_assets.at(2), Day("02/01"));
        StoreElsewhere(host(), "D_KenarM", "78", m_assets.at(1), Day("03/01"));
        StoreElsewhere(host(), "D_BarKenarM", "78", m_assets.at(1), Day("05/01"));
        host().exec("UPDATE D_Amval SET BahreDate = " + SqlQuote(Day("12/01")) +
                    " WHERE TRIM(DaraCod) = " + SqlQuote(m_assets.at(3)));
        auto form = OpenForm<TKenarMForm>();
        VoucherDriver d(host(), form.get());
        d.newVoucher(Day("08/01"));
        SetRow(form->quAsnad, rest(m_assets.at(0), "91"));
        SetRow(form->quAsnad, {{"VazCod", "6"}});
        d.expectRow({{"<location>", m_location},
                     {"<tafsily2>", form->DGlobal()->NAMTAFSILY2},
                     {"<late>", m_assets.at(3)},
                     {"<out on>", Day("02/01")},
                     {"<out>", m_assets.at(2)},
                     {"<back>", m_assets.at(1)}});
    }

    // The return's list offers the assets retired on or before its date, returned
    // since or not, and no other. A return of an asset whose every retirement up to
    // the date has its return is refused when the cursor leaves the asset (the code
    // is emptied), and again when the row is posted; so is one dated before a later
    // return. An asset never retired, its code typed past the list, is refused when
    // the row is posted, the cursor on it.
    void anAssetReturnedAlreadyIsRefusedAndCleared_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("message");
        QTest::newRow("returned before") << "07/01"
                                         << "اين دارايي قبلا برگشت داده شده است.";
        QTest::newRow("returned after") << "05/15"
                                        << "اين دارايي بعد از اين تاريخ برگشت داده شده است.";
    }
    void anAssetReturnedAlreadyIsRefusedAndCleared()
    {
        QFETCH(QString, date);
        QFETCH(QString, message);
        StoreElsewhere(host(), "D_KenarM", "80", m_assets.at(0), Day("05/01"));
        StoreElsewhere(host(), "D_BarKenarM", "80", m_assets.at(0), Day("06/01"));
        StoreElsewhere(host(), "D_KenarM", "81", m_assets.at(1), Day("09/01"));
        auto form = OpenForm<TBarKenarMForm>();
        VoucherDriver d(host(), form.get());
        d.newVoucher(Day(date));
        host().tempGridForm->cancel();
        d.gridKey(Qt::Key_Return);
        const ShownPickList list = host().tempGridForm->shown.last();
        QVERIFY(list.keys.contains(m_assets.at(0)));
        QVERIFY(!list.keys.contains(m_assets.at(1)) && !list.keys.contains(m_assets.at(2)));
        QVERIFY(host().dlgMsg->shown.isEmpty());
        d.keys({"@" + m_assets.at(0)});
        QCOMPARE(messages(), QStringList{message});
        QCOMPARE(form->quAsnad->fieldByName("DaraCod")->asString().trimmed(), QString());

        host().dlgMsg->shown.clear();
        SetRow(form->quAsnad, rest(m_assets.at(0), "5"));
        postRow(*form);
        QCOMPARE(messages(), (QStringList{message, "كد دارايي خالي مي باشد."}));
        QCOMPARE(d.currentColumn(), "DaraCod");

        host().dlgMsg->shown.clear();
        d.gridType(PersianDigits(m_assets.at(2)));
        form->dbgAsnad->commitEditor();
        form->dbgAsnad->focusField("AmvalDes");
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        postRow(*form);
        QCOMPARE(
            d.refusal(),
            (QStringList{"دارايي تا تاريخ " + Day(date) + " کنارگذاري موقت نشده است", "DaraCod"}));
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM " + SqlIdent(form->TransTableName())), "0");
    }

    // A stored return opened again: walking its row says nothing while its asset
    // stays, though a later return of the same asset exists; another asset is checked.
    // Each return keeps its own kind code: a day-book posted for one of them up to a
    // date refuses a new voucher of that kind only.
    void editingAReturnChecksOnlyAChangedAsset()
    {
        StoreElsewhere(host(), "D_KenarM", "80", m_assets.at(0), Day("05/01"));
        StoreElsewhere(host(), "D_BarKenarM", "82", m_assets.at(0), Day("06/01"));
        StoreElsewhere(host(), "D_KenarM", "81", m_assets.at(0), Day("06/15"));
        StoreElsewhere(host(), "D_BarKenarM", "85", m_assets.at(0), Day("07/01"));
        StoreElsewhere(host(), "D_KenarM", "83", m_assets.at(1), Day("05/01"));
        StoreElsewhere(host(), "D_BarKenarM", "84", m_assets.at(1), Day("05/20"));
        host().exec("UPDATE D_Roz SET SanadNoAmval = '', SanadDate = " + SqlQuote(Day("10/15")) +
                    " WHERE WhatDoc = '21'");
        auto permanent = OpenForm<TBarKenarDForm>();
        VoucherDriver(host(), permanent.get())
            .startVoucher(NextNumber(host(), "D_BarKenarD"), Day("10/01"));
        QVERIFY(!permanent->GridPanel->isEnabled());
        QVERIFY(messages().join("").contains(Day("10/15")));
        host().dlgMsg->shown.clear();
        auto temporary = OpenForm<TBarKenarMForm>();
        VoucherDriver(host(), temporary.get())
            .startVoucher(NextNumber(host(), "D_BarKenarM"), Day("10/01"));
        QVERIFY(temporary->GridPanel->isEnabled());
        QVERIFY(host().dlgMsg->shown.isEmpty());

        auto form = OpenForm<TBarKenarMForm>();
        VoucherDriver d(host(), form.get());
        d.startVoucher("82");
        QCOMPARE(form->quAsnad->recordCount(), 1);
        form->dbgAsnad->focusField("AmvalDes");
        d.cell("ويرايش");
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        form->dbgAsnad->focusField("DaraCod");
        d.gridType(m_assets.at(1));
        form->dbgAsnad->commitEditor();
        form->dbgAsnad->focusField("AmvalDes");
        QCOMPARE(messages(), QStringList{"اين دارايي قبلا برگشت داده شده است."});
        QCOMPARE(form->quAsnad->fieldByName("DaraCod")->asString().trimmed(), QString());
    }

    // The return from permanent retirement refuses a sold asset and one returned
    // already as a cancelled pick, and one never retired (which its list does not
    // offer) when its row is posted; it takes a permanently retired asset. The number
    // typed and the date committed without Enter in the number: the rows go to the
    // window's transaction table and from there into the stored voucher.
    void theReturnFromPermanentRetirementGuardsAndStores()
    {
        StoreElsewhere(host(), "D_KenarD", "80", m_assets.at(0), Day("05/01"));
        StoreElsewhere(host(), "D_KenarD", "81", m_assets.at(1), Day("05/01"));
        StoreElsewhere(host(), "D_BarKenarD", "80", m_assets.at(1), Day("06/01"));
        StoreElsewhere(host(), "D_KenarD", "82", m_assets.at(2), Day("05/01"));
        StoreElsewhere(host(), "D_ForoshDaymeh", "90", m_assets.at(2), Day("07/01"));
        auto form = OpenForm<TBarKenarDForm>();
        const QString number = NextNumber(host(), "D_BarKenarD");
        form->SanadID->selectAll();
        QTest::keyClicks(form->SanadID, number);
        for (auto [edit, part] : {std::pair{form->mMonth, QString("08")}, {form->mDay, "01"}}) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, part);
        }
        VoucherDriver::enter(form->mYear);
        QVERIFY(form->GridPanel->isEnabled());
        VoucherDriver d(host(), form.get());
        d.gridKey(Qt::Key_Return);
        const QStringList said{"اين دارايي قبلا برگشت داده شده است.",
                               "دارايي در تاريخ " + Day("07/01") + " به فروش رسيده شده است",
                               "دارايي تا تاريخ " + Day("08/01") + " کنارگذاري دايمي نشده است"};
        for (int i = 1; i < 3; ++i) {
            form->dbgAsnad->focusField("DaraCod");
            d.keys({"@" + m_assets.at(i)});
            QCOMPARE(messages(), said.mid(0, i));
            QCOMPARE(d.currentColumn(), "DaraCod");
        }
        SetRow(form->quAsnad, rest(m_assets.at(3), "92"));
        postRow(*form);
        QCOMPARE(messages(), said);
        QCOMPARE(d.currentColumn(), "DaraCod");

        host().dlgMsg->shown.clear();
        SetRow(form->quAsnad, {{"DaraCod", ""}});
        d.keys({"@" + m_assets.at(0)});
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(d.currentColumn(), "AmvalDes");
        postRow(*form);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM " + SqlIdent(form->TransTableName())), "1");
        const QString stored = "SELECT TRIM(DaraCod) FROM D_BarKenarD WHERE TRIM(SanadNoAmval) = ";
        QCOMPARE(host().scalar(stored + SqlQuote(number)), QString());
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QCOMPARE(host().scalar(stored + SqlQuote(number)), m_assets.at(0));
    }

    // Codes typed on a Persian keyboard and left with Tab name themselves below the
    // grid at once, before the row is checked or posted.
    void typedCodesNameThemselvesBeforeThePost()
    {
        auto form = OpenForm<TKenarMForm>();
        VoucherDriver d(host(), form.get());
        d.newVoucher(Day("08/01"));
        // The asset, then past the description and the condition to the location.
        for (const auto& [code, tabs] :
             {std::pair{m_assets.at(0), 3}, {m_location, 1}, {m_costCentre, 1}}) {
            d.gridType(PersianDigits(code));
            for (int i = 0; i < tabs; ++i)
                d.gridKey(Qt::Key_Tab);
        }
        QCoreApplication::processEvents();
        QCOMPARE(form->quAsnad->state(), DataSet::State::Insert);
        d.keys({"#EDaraNam=" + host().scalar("SELECT DaraNam FROM D_Amval WHERE TRIM(DaraCod) = ?",
                                             {m_assets.at(0)}),
                "#EMakanNam=" + host().scalar("SELECT MakanNam FROM D_Makan WHERE TRIM(MakanCod) "
                                              "= ?",
                                              {m_location}),
                "#EMarkazNam=" + host().scalar("SELECT NamHesab FROM Tafsily2 WHERE Tafsily2 = ?",
                                               {m_costCentre})});
        QVERIFY(!form->EMarkazNam->text().isEmpty());
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
        const std::unique_ptr<TKenarMForm> form =
            returning ? OpenForm<TBarKenarMForm>() : OpenForm<TKenarMForm>();
        VoucherDriver d(host(), form.get());
        const QString number = d.newVoucher(Day("08/01"));
        for (int i = 0; i < 2; ++i)
            d.keys({"@" + m_assets.at(i), "تعمير", "@6", PersianDigits(m_location),
                    "@" + m_costCentre, PersianDigits(QString::number(61 + i))});
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        const auto stored = [&] {
            return Column(host().db(),
                          "SELECT TRIM(DaraCod) FROM " + form->Kind().Table() +
                              " WHERE TRIM(SanadNoAmval) = ? ORDER BY DaraCod",
                          {number});
        };
        const bool forGood = procedure == "sp_D_Asnad_KenarD";
        // His number is not this voucher's: the guard passes over rows that carry it.
        const QString other =
            QString::number(std::max(NextNumber(host(), "D_KenarD").toInt(), number.toInt() + 5));
        storedByAnotherClerk(procedure, other, m_assets.at(1), Day("07/01"), [&] {
            if (!forGood)
                return;
            host().db().setBusyLimit(200);
            QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
            QCOMPARE(host().dlgMsg->shown.size(), 1);
            QCOMPARE(stored(), QStringList());
        });
        host().dlgMsg->shown.clear();
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QCOMPARE(d.lastMessage(), message);
        QCOMPARE(form->quAsnad->recNo(), 2);
        QCOMPARE(d.currentColumn(), "DaraCod");
        QCOMPARE(stored(), QStringList());
        QCOMPARE(form->quAsnad->recordCount(), 2);

        host().dlgMsg->shown.clear();
        d.gridType(m_assets.at(2));
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(stored(), (QStringList{m_assets.at(0), m_assets.at(2)}));
    }
};

AMVAL_TEST_MAIN(TestRetirementKinds)
#include "tst_retirementkinds.moc"
