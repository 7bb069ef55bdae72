// The initial adjustment and the tax-return group change windows typed with keys: a
// row of each through its lists and stored, each kind's checks in order with message,
// column and list, the chain's widths from the delivery sources, and the group change
// that only the fiscal period and the rights bound.

#include "changevezaratunit.h"
#include "firsttadilunit.h"
#include "tahvilantegalunit.h"
#include "testmain.h"
#include "voucherdriver.h"

class TestAdjustKinds : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QStringList m_assets; // in use before the year, in a tax group, neither sold nor retired
    DemoHost& host() { return *m_host; }
    QString first(const QString& sql, const QVariantList& values = {})
    {
        return host().scalar(sql + " LIMIT 1", values);
    }
    QString groupOf(int asset)
    {
        return host().scalar("SELECT TRIM(VezCod) FROM D_Amval WHERE TRIM(DaraCod) = ?",
                             {m_assets.at(asset)});
    }
    QString otherGroup()
    {
        return first("SELECT TRIM(VezCod) FROM D_VezArat WHERE TRIM(VezCod) <> ?", {groupOf(0)});
    }
    // The window shown, a new voucher dated on 08/01 started, the cursor on its row.
    template <typename Form> std::unique_ptr<Form> started(QString* number = nullptr)
    {
        auto form = OpenForm<Form>();
        const QString next = VoucherDriver(host(), form.get()).newVoucher(Day("08/01"));
        if (number)
            *number = next;
        return form;
    }
    // The current data row's changes on `base`, posted (VoucherDriver::expectRow).
    void expectRow(TVoucherForm& form, const QVariantMap& base)
    {
        SetRow(form.quAsnad, base);
        VoucherDriver(host(), &form)
            .expectRow({{"<sold>", m_assets.at(1)},
                        {"<sold on>", Day("07/01")},
                        {"<late>", m_assets.at(2)},
                        {"<old>", groupOf(0)}});
    }
    // Rows of a stored voucher as another clerk's connection reads them.
    QStringList storedRows(const QString& columns, const QString& table, const QString& number)
    {
        return Column(*host().openAgain(),
                      "SELECT " + columns + " FROM " + table + " WHERE TRIM(SanadNoAmval) = ?",
                      {number});
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = AssetsInUse(host(), 3, "TRIM(COALESCE(VezCod, '')) <> ''");
        QCOMPARE(m_assets.size(), 3);
        // The second is sold by another clerk, the third put into use after the date.
        StoreElsewhere(host(), "D_ForoshDaymeh", "90", m_assets.at(1), Day("07/01"));
        host().exec("UPDATE D_Amval SET BahreDate = ? WHERE TRIM(DaraCod) = ?",
                    {Day("09/01"), m_assets.at(2)});
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
    }
    void cleanup() { m_host.reset(); }

    // An asset another clerk sold, from the list (no guard): its name comes into the
    // grid; an amount with a minus, a separator and Persian digits; the source brings
    // its chain. Stored, with its accounting voucher issued at once.
    void adjustmentRowIsTypedAndStored()
    {
        QString number;
        auto form = started<TFirstTadilForm>(&number);
        VoucherDriver d(host(), form.get());
        const QString from = first("SELECT TRIM(MabadiCod) FROM D_Mabadi WHERE Koll <> ''");
        d.keys({"@" + m_assets.at(1),
                "=DaraNam=" + first("SELECT TRIM(DaraNam) FROM D_Amval WHERE TRIM(DaraCod) = ?",
                                    {m_assets.at(1)}),
                "", "-۱۲,۵۰۰", "@" + from, ">Bargeh"});
        QVERIFY(!form->EKollNam->text().isEmpty());
        d.keys({"۹۵۰۱", "?", "#ESValueSum=-12,500"});

        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QCOMPARE(storedRows("TRIM(DaraCod) || '|' || CAST(sValue AS INTEGER) || '|' || Koll || "
                            "Moein || '|' || Bargeh",
                            "D_FirstTadil", number),
                 QStringList{
                     m_assets.at(1) + "|-12500|" +
                     first("SELECT Koll || Moein FROM D_Mabadi WHERE TRIM(MabadiCod) = ?", {from}) +
                     "|9501"});
        QCOMPARE(first("SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '11' AND TRIM(Document) = ?",
                       {number}),
                 "1");
    }

    // The source and its chain take the delivery sources' widths, the rest the
    // voucher table's.
    void adjustmentChainTakesTheSourcesWidths()
    {
        host().exec("DROP TABLE D_Mabadi");
        host().exec("CREATE TABLE D_Mabadi (MabadiCod VARCHAR(3), MabadiNam VARCHAR(100), Koll "
                    "VARCHAR(3), Moein VARCHAR(4), Tafsily VARCHAR(7), Tafsily2 VARCHAR(5), "
                    "ProjectCod VARCHAR(9))");
        auto form = started<TFirstTadilForm>();
        QCOMPARE(form->FieldWidth("MabadiCod"), 3);
        QCOMPARE(form->FieldWidth("Tafsily"), 7);
        QCOMPARE(form->FieldWidth("ProjectCod"), 9);
        QCOMPARE(form->FieldWidth("Bargeh"),
                 host().db().dialect().columnWidth("D_FirstTadil", "Bargeh"));
    }

    // The chosen asset brings its old group and the group's name, the new group comes
    // from its list, then the transfer's lists; a description with quotes is cut to
    // its width. Stored without an accounting voucher, logged under the kind's name.
    void groupChangeRowIsTypedAndStored()
    {
        QString number;
        auto form = started<TChangeVezAratForm>(&number);
        VoucherDriver d(host(), form.get());
        const QString oldGroup = groupOf(0), newGroup = otherGroup();
        const int width = form->FieldWidth("AmvalDes");
        // Then recipient, condition, location and cost centre as their lists stand.
        d.keys({"@" + m_assets.at(0), "=OldVezCod=" + oldGroup,
                "#EOldVezNam=" +
                    first("SELECT VezNam FROM D_VezArat WHERE TRIM(VezCod) = ?", {oldGroup}),
                "'\"" + QString(width, QChar(0x06CC)), "", "@" + newGroup, "", "", "", "", "9601",
                "?"});
        QCOMPARE(host().tempGridForm->shown.at(1).keyField, "VezCod");

        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QCOMPARE(storedRows("TRIM(DaraCod) || '|' || AmvalDes || '|' || TRIM(OldVezCod) || '|' || "
                            "TRIM(NewVezCod) || '|' || TRIM(Bargeh)",
                            "D_Change_VezArat", number),
                 QStringList{m_assets.at(0) + "|'\"" + QString(width - 2, QChar(0x064A)) + "|" +
                             oldGroup + "|" + newGroup + "|9601"});
        // The register follows: the asset is in its new group.
        QCOMPARE(groupOf(0), newGroup);
        QCOMPARE(first("SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '20' AND TRIM(Document) = ?",
                       {number}),
                 "0");
        QCOMPARE(Logged(host(), number, "تغيير اظهارنامه مالياتي"), "1");
    }

    // Each kind's checks in their order, the row's name saying which kind. The
    // adjustment: an unknown asset opens its list without a word; a sold asset and a
    // negative amount pass; an amount typed wrong is no amount (the source's checks are
    // the capital improvement's). The group change: the groups before the guard, the
    // transfer's checks after it, no start-of-use check; an empty old group differs
    // from any new one.
    void rowChecksInOrder_data()
    {
        RowChecksColumns();
        RowCheck("adjustment: no amount", {{"sValue", 0.0}, {"MabadiCod", ""}},
                 "مبلغ تعديل دارايي صفر مي باشد", "sValue");
        RowCheck("adjustment: malformed amount", {{"sValue", "7-5"}},
                 "مبلغ تعديل دارايي صفر مي باشد", "sValue");
        RowCheck("adjustment: amount too large", {{"sValue", 1e15}, {"MabadiCod", ""}},
                 "مبلغ تعديل دارايي بيش از اندازه است", "sValue");
        RowCheck("adjustment: source without an account", {{"MabadiCod", "98"}, {"Bargeh", ""}},
                 "براي مبادي تحويل دارايي سرفصل تعريف نشده است", "MabadiCod");
        RowCheck("adjustment: no form number", {{"Bargeh", ""}},
                 "شماره برگه تعديلات اوليه خالي مي باشد.", "Bargeh");
        RowCheck("adjustment: put into use after the date", {{"DaraCod", "<late>"}},
                 "تاريخ تعديلات اوليه از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod");
        RowCheck("adjustment: a sold asset", {{"DaraCod", "<sold>"}}, "", "");
        RowCheck("adjustment: a negative amount", {{"sValue", -0.5}}, "", "");
        RowCheck("group change: unknown asset", {{"DaraCod", "99999"}}, "كد دارايي وجود ندارد.",
                 "DaraCod", "DaraCod");
        RowCheck("group change: no new group", {{"NewVezCod", ""}, {"DaraCod", "<sold>"}},
                 "كد اظهارنامه خالي مي باشد.", "NewVezCod");
        RowCheck("group change: unknown new group", {{"NewVezCod", "9'9"}, {"DaraCod", "<sold>"}},
                 "كد اظهارنامه وجود ندارد.", "NewVezCod", "VezCod");
        RowCheck("group change: the same group", {{"NewVezCod", "<old>"}, {"DaraCod", "<sold>"}},
                 "كد اظهارنامه جديد و قديم يكسان است.", "NewVezCod", "VezCod");
        RowCheck("group change: asset sold", {{"DaraCod", "<sold>"}, {"MakanCod", ""}},
                 "دارايي در تاريخ <sold on> به فروش رسيده شده است", "DaraCod");
        RowCheck("group change: no form number", {{"Bargeh", ""}},
                 "شماره برگه تغيير اظهارنامه خالي مي باشد.", "Bargeh");
        RowCheck("group change: no old group", {{"OldVezCod", ""}}, "", "");
        RowCheck("group change: put into use after the date", {{"DaraCod", "<late>"}}, "", "");
    }
    void rowChecksInOrder()
    {
        if (QByteArray(QTest::currentDataTag()).startsWith("adjustment")) {
            host().exec("INSERT INTO D_Mabadi (MabadiCod, MabadiNam) VALUES ('98', 'x')");
            auto form = started<TFirstTadilForm>();
            expectRow(*form,
                      {{"DaraCod", m_assets.at(0)},
                       {"sValue", 1000.0},
                       {"MabadiCod", first("SELECT MabadiCod FROM D_Mabadi WHERE Koll <> ''")},
                       {"Bargeh", "9501"}});
        } else {
            auto form = started<TChangeVezAratForm>();
            expectRow(*form, {{"DaraCod", m_assets.at(0)},
                              {"OldVezCod", groupOf(0)},
                              {"NewVezCod", otherGroup()},
                              {"PersonelCod", first("SELECT Code FROM Person")},
                              {"MakanCod", "1"},
                              {"Tafsily2", first("SELECT Tafsily2 FROM Tafsily2")},
                              {"Bargeh", "9601"}});
        }
    }

    // A depreciation voucher after the date and a day-book covering it stop a new
    // transfer, not a group change; a stored one stays editable under them, its
    // caption naming only a missing edit right. Its own words for a missing right to
    // register and a bad number.
    void groupChangeIsBoundByThePeriodAndTheRightsAlone()
    {
        host().exec("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, Document, "
                    "DocToDate) VALUES (99001, ?, 'D', '98', '1', '1')",
                    {Day("10/01")});
        host().exec("UPDATE D_Roz SET SanadNoAmval = '', SanadDate = ?", {Day("10/01")});
        QVERIFY(!started<TTahvilAntegalForm>()->GridPanel->isEnabled());
        host().dlgMsg->shown.clear();
        QVERIFY(started<TChangeVezAratForm>()->GridPanel->isEnabled());
        QVERIFY(host().dlgMsg->shown.isEmpty());

        const QString stored = first("SELECT TRIM(MAX(SanadNoAmval)) FROM D_Change_VezArat");
        for (const char* right : {"EDIT", "SABT"}) {
            const bool mayEdit = QLatin1String(right) == QLatin1String("EDIT");
            VoucherDriver(host(), OpenForm<TChangeVezAratForm>().get())
                .expectOpened(stored,
                              "ويرايش سند تغيير اظهارنامه مالياتي " + stored +
                                  (mayEdit ? QString() : "(مجاز به ويرايش نمي باشيد)"),
                              mayEdit ? "ODG" : "D");
            host().exec("UPDATE UserSdcDetail SET \"1\" = 'N' WHERE StrId = 'D_A_CHVEZARAT_" +
                        QString(right) + "'");
        }
        host().dlgMsg->shown.clear();
        auto form = started<TChangeVezAratForm>();
        QCOMPARE(host().dlgMsg->shown.last().text, "کاربر مجاز به ثبت تغيير اظهارنامه جديد نيست");
        QVERIFY(!form->GridPanel->isEnabled());
        VoucherDriver(host(), form.get()).startVoucher("0");
        QCOMPARE(host().dlgMsg->shown.at(1).text, "شماره تغيير اظهارنامه بدرستي وارد نشده است");
    }
};

AMVAL_TEST_MAIN(TestAdjustKinds)
#include "tst_adjustkinds.moc"
