// The delivery/transfer and capital improvement voucher windows driven as a user
// drives them: rows typed through their lists, the row checks in their order with
// their messages and columns, the cost centre's list that lets a row go on, the
// warranty question, the useful life a declining-balance asset does not take, and
// text that does not fit or is typed on a Persian keyboard.

#include "asasechangeunit.h"
#include "tahvilantegalunit.h"
#include "testmain.h"
#include "voucherdriver.h"

class TestMoveKinds : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QStringList m_assets; // in use before the year, neither sold nor retired
    DemoHost& host() { return *m_host; }

    QString firstOf(const QString& sql) { return host().scalar(sql + " LIMIT 1"); }
    QString person() { return firstOf("SELECT TRIM(Code) FROM Person ORDER BY Code"); }
    // The delivery sources with an account chain, in code order.
    const QString kChained = "SELECT TRIM(MabadiCod) FROM D_Mabadi WHERE TRIM(Koll) <> '' AND "
                             "TRIM(Moein) <> '' ORDER BY MabadiCod";
    QString source() { return firstOf(kChained); }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = AssetsInUse(host(), 4, "EndValue <> 0 AND RaveshEst <> 'نزولي'");
        QCOMPARE(m_assets.size(), 4);
        // No warranty question unless a test asks for one.
        host().exec("UPDATE D_Amval SET GarantiEnd = ''");
    }
    void cleanup() { m_host.reset(); }

    // A row typed through the lists of its five code columns, a description with
    // quotes longer than its column (cut by the editor to the column's width) and a
    // form number on a Persian keyboard: the footer names the row, the last column
    // posts it and the save stores it as typed.
    void transferRowTypedThroughItsListsIsStored()
    {
        auto form = OpenForm<TTahvilAntegalForm>();
        VoucherDriver d(host(), form.get());
        const QString number = d.newVoucher(Day("08/01"));
        const QString recipient = person();
        const int width = form->FieldWidth("AmvalDes");
        const QString description = "انتقال \"فوري\" به 'انبار'" + QString(width, QChar(0x0647));
        d.keys({"@" + m_assets.at(0), ">AmvalDes", description, "@" + recipient, ">VazCod", "@3",
                "@4", ">Tafsily2", "", ">Bargeh"}); // the cost centre the list stands on
        const QString costCentre = host().tempGridForm->shown.last().positionedKey;
        QVERIFY(!costCentre.isEmpty());
        d.keys({"#EMakanNam=انبار مركزي",
                "#EPersonelNam=" + host().scalar("SELECT \"Name\" || ' ' || Family FROM Person "
                                                 "WHERE TRIM(Code) = ?",
                                                 {recipient}),
                "#ETafsily2Nam=" + host().scalar("SELECT NamHesab FROM Tafsily2 WHERE "
                                                 "TRIM(Tafsily2) = ?",
                                                 {costCentre}),
                "۹۳۰۱", ">DaraCod", "?"});
        QCOMPARE(form->quAsnad->recordCount(), 2);

        // The cost centre is the one column whose list lets the row go on: an unknown
        // code opens the list without a word (nothing chosen refuses the row), an empty
        // one says so first; a choice posts the row in the same step. A location chosen
        // from its list during the checks stays in the row, which is still refused.
        DataSet* ds = form->quAsnad;
        d.expectChecked({{"DaraCod", m_assets.at(1)},
                         {"PersonelCod", person()},
                         {"MakanCod", ""},
                         {"Tafsily2", "77777"},
                         {"Bargeh", "9302"}},
                        {}, "كد مکان تحويل دارايي خالي مي باشد.", "MakanCod", "MakanCod:5");
        QCOMPARE(ds->fieldByName("MakanCod")->asString().trimmed(), "5");
        d.expectChecked({}, {}, "", "Tafsily2", "Tafsily2");
        SetRow(ds, {{"Tafsily2", ""}});
        QVERIFY(ds->post()); // the list's own row is chosen
        QCOMPARE(d.lastMessage(), "كد مركز هزينه مي باشد.");
        QCOMPARE(host().scalar("SELECT TRIM(Tafsily2) FROM " + SqlIdent(form->TransTableName())),
                 host().tempGridForm->shown.last().positionedKey);

        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        const QString where =
            " FROM D_Tahvil_Antegal WHERE Raj = 1 AND TRIM(SanadNoAmval) = " + SqlQuote(number);
        QCOMPARE(Column(host().db(), "SELECT TRIM(DaraCod) || '|' || AmvalDes || '|' || "
                                     "TRIM(PersonelCod) || '|' || TRIM(VazCod) || '|' || "
                                     "TRIM(MakanCod) || '|' || TRIM(Tafsily2) || '|' || "
                                     "TRIM(Bargeh) || '|' || sDate" +
                                         where),
                 QStringList{m_assets.at(0) + "|" + description.left(width) + "|" + recipient +
                             "|3|4|" + costCentre + "|9301|" + Day("08/01")});
        // Codes are stored in their own form: right-aligned to the column's width.
        QCOMPARE(host().scalar("SELECT PersonelCod" + where),
                 recipient.rightJustified(form->FieldWidth("PersonelCod")));
    }

    // The checks of both kinds in their order: each row is right but for its changes.
    // <sold>, <sold on>: an asset another clerk sold and the sale's date; <retired>,
    // <retired on>: an asset retired for good and its date; <other>, <its form>: a
    // stored voucher of the kind and its form number; <late>: an asset put into use
    // after the voucher's date; <bare>: a delivery source without an account.
    void rowChecksInOrder()
    {
        const QString soldOn = Day("07/01");
        StoreElsewhere(host(), "D_ForoshDaymeh", "90", m_assets.at(1), soldOn);
        StoreElsewhere(host(), "D_KenarD", "9990", m_assets.at(3), Day("02/01"));
        host().exec("INSERT INTO D_Mabadi (MabadiCod, MabadiNam) VALUES ('98', 'بدون سرفصل')");
        host().exec("UPDATE D_Amval SET BahreDate = ? WHERE TRIM(DaraCod) = ?",
                    {Day("09/01"), m_assets.at(2)});
        const QList<std::pair<QString, QString>> names{{"<sold on>", soldOn},
                                                       {"<sold>", m_assets.at(1)},
                                                       {"<retired on>", Day("02/01")},
                                                       {"<retired>", m_assets.at(3)},
                                                       {"<bare>", "98"},
                                                       {"<late>", m_assets.at(2)}};
        std::unique_ptr<TVoucherForm> form;
        QString table;
        QList<std::pair<QString, QString>> stored; // <other> and <its form> of the kind
        const auto openKind = [&](const QString& kind) {
            table = kind;
            const bool transfer = table == "D_Tahvil_Antegal";
            const QString other = host().scalar("SELECT TRIM(MIN(SanadNoAmval)) FROM " + table);
            QVERIFY(!other.isEmpty());
            stored = {
                {"<other>", other},
                {"<its form>", host().scalar("SELECT TRIM(Bargeh) FROM " + table +
                                             " WHERE TRIM(SanadNoAmval) = " + SqlQuote(other) +
                                             " AND TRIM(Bargeh) <> '' LIMIT 1")}};
            form.reset();
            form = transfer ? std::unique_ptr<TVoucherForm>(OpenForm<TTahvilAntegalForm>())
                            : OpenForm<TAsaseChangeForm>();
            VoucherDriver(host(), form.get()).newVoucher(Day("08/01"));
        };
        const auto row = [&](const QVariantMap& changes, const char* text, const char* column,
                             const char* list = "") {
            SetRow(form->quAsnad, {{"DaraCod", m_assets.at(0)}, {"VazCod", ""}});
            SetRow(form->quAsnad,
                   table == "D_Tahvil_Antegal"
                       ? QVariantMap{{"PersonelCod", person()},
                                     {"MakanCod", "1"},
                                     {"Bargeh", "9301"},
                                     {"Tafsily2", firstOf("SELECT TRIM(Tafsily2) FROM Tafsily2")}}
                       : QVariantMap{{"sValue", 1000.0},
                                     {"NewMesureValue", 3},
                                     {"MabadiCod", source()},
                                     {"Bargeh", "9401"}});
            VoucherDriver(host(), form.get())
                .expectChecked(changes, stored + names, text, column, list);
        };
        openKind("D_Tahvil_Antegal");
        row({{"DaraCod", ""}, {"PersonelCod", ""}}, "كد دارايي خالي مي باشد.", "DaraCod");
        row({{"DaraCod", "99999"}}, "كد دارايي وجود ندارد.", "DaraCod", "DaraCod");
        row({{"DaraCod", "<sold>"}, {"PersonelCod", "x"}},
            "دارايي در تاريخ <sold on> به فروش رسيده شده است", "DaraCod");
        row({{"PersonelCod", ""}}, "كد تحويل گيرنده دارايي خالي مي باشد.", "PersonelCod",
            "PersonelCod");
        row({{"PersonelCod", "9'9"}, {"VazCod", "55"}}, "تحويل گيرنده دارايي وجود ندارد.",
            "PersonelCod", "PersonelCod");
        row({{"VazCod", "55"}, {"MakanCod", ""}}, "كد وضعيت دارايي وجود ندارد.", "VazCod",
            "VazCod");
        row({{"MakanCod", ""}}, "كد مکان تحويل دارايي خالي مي باشد.", "MakanCod", "MakanCod");
        row({{"MakanCod", "88"}, {"Bargeh", ""}}, "كد مکان تحويل دارايي وجود ندارد.", "MakanCod",
            "MakanCod");
        row({{"Bargeh", ""}}, "شماره برگه تحويل/انتقال خالي مي باشد.", "Bargeh");
        row({{"Bargeh", "<its form>"}}, " شماره برگه در سند <other> تكرار شده است. ", "Bargeh");
        row({{"DaraCod", "<late>"}}, "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.",
            "DaraCod");
        openKind("D_AsaseChange");
        row({{"DaraCod", ""}, {"sValue", 0.0}}, "كد دارايي خالي مي باشد.", "DaraCod");
        row({{"DaraCod", "99999"}, {"sValue", 0.0}}, "كد دارايي وجود ندارد.", "DaraCod", "DaraCod");
        row({{"DaraCod", "<retired>"}, {"sValue", 0.0}},
            "دارايي در تاريخ <retired on> کنارگذاري دايمي شده است", "DaraCod");
        row({{"sValue", 0.0}, {"VazCod", "55"}}, "مبلغ افزايش يافته دارايي صفر مي باشد", "sValue");
        row({{"VazCod", "55"}, {"MabadiCod", ""}}, "وضعيت دارايي وجود ندارد.", "VazCod", "VazCod");
        row({{"MabadiCod", ""}}, "كد مبادي تحويل دارايي خالي مي باشد.", "MabadiCod", "MabadiCod");
        row({{"MabadiCod", "9'"}}, "مبادي تحويل دارايي وجود ندارد.", "MabadiCod", "MabadiCod");
        row({{"MabadiCod", "<bare>"}, {"Bargeh", ""}},
            "براي مبادي تحويل دارايي سرفصل تعريف نشده است", "MabadiCod");
        row({{"Bargeh", ""}}, "شماره برگه تعميرات اساسي خالي مي باشد.", "Bargeh");
        row({{"Bargeh", "<its form>"}}, " شماره برگه در سند <other> تكرار شده است. ", "Bargeh");
        row({{"DaraCod", "<late>"}}, "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.",
            "DaraCod");
    }

    // A row typed with the keyboard: the asset, condition and source lists, the
    // amount and the useful life; the source brings its chain, Enter in the form
    // number finishes the row past the chain; the footer sums the rows and the save
    // stores them.
    void improvementRowTypedThroughItsListsIsStored()
    {
        auto form = OpenForm<TAsaseChangeForm>();
        VoucherDriver d(host(), form.get());
        const QString number = d.newVoucher(Day("08/01"));
        const QString from = source();
        for (int row = 0; row < 2; ++row) {
            d.keys({"@" + m_assets.at(row), "تعمير 'اساسي'", row == 0 ? "۱۲۵۰۰۰" : "2500",
                    row == 0 ? "۱۲" : "6", "@4", ">MabadiCod", "@" + from, ">Bargeh"});
            QVERIFY(!form->EKollNam->text().isEmpty());
            d.keys({QString::number(9401 + row), ">DaraCod", "?"});
        }
        d.keys({"#ESValueSum=127,500", "#ENewMesureSum=18"});

        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        const QString chain = host().scalar(
            "SELECT Koll || Moein || COALESCE(Tafsily, '') FROM D_Mabadi WHERE TRIM(MabadiCod) = " +
            SqlQuote(from));
        QCOMPARE(d.rows(number, "TRIM(DaraCod) || '|' || CAST(sValue AS INTEGER) || '|' || "
                                "NewMesureValue || '|' || Koll || Moein || COALESCE(Tafsily, '') "
                                "|| '|' || TRIM(Bargeh)"),
                 QStringList({m_assets.at(0) + "|125000|12|" + chain + "|9401",
                              m_assets.at(1) + "|2500|6|" + chain + "|9402"}));
        QCOMPARE(Logged(host(), number, "تعميرات اساسي"), "1");
    }

    // Choosing a declining-balance asset empties the useful life typed before (the
    // row posts with 0); a straight-line asset keeps it. The days' title follows the
    // company's unit. An asset code typed with Persian digits is read as digits; a
    // useful life too long for its column is refused with a message. The chain
    // follows the delivery source however the source reached the row: a code typed
    // over a chosen source brings its own chain. An asset under warranty at the
    // voucher's date asks on every post of its row: No keeps the row in edit with the
    // cursor in the asset; Yes lets it go.
    void anImprovementRowFollowsWhatIsTyped()
    {
        const QString declining = AssetsInUse(host(), 1, "RaveshEst = 'نزولي'").value(0);
        QVERIFY(!declining.isEmpty());
        const QStringList sources = Column(host().db(), kChained);
        const auto chainOf = [this](const QString& code) {
            return host().scalar("SELECT Koll || Moein FROM D_Mabadi WHERE TRIM(MabadiCod) = " +
                                 SqlQuote(code));
        };
        QVERIFY(sources.size() >= 2 && chainOf(sources.at(0)) != chainOf(sources.at(1)));
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'Ast_Mesure=ماهانه', "
                    "'Ast_Mesure=روزانه')");
        auto form = OpenForm<TAsaseChangeForm>();
        VoucherDriver d(host(), form.get());
        QCOMPARE(form->dbgAsnad->columns().at(form->dbgAsnad->columnOf("NewMesureValue")).title,
                 "افزايشعمرمفيد(روز)");
        d.newVoucher(Day("08/01"));
        DataSet* ds = form->quAsnad;
        d.gridType(PersianDigits(m_assets.at(0)));
        form->dbgAsnad->commitEditor();
        QCOMPARE(ds->fieldByName("DaraCod")->asString(), m_assets.at(0));
        SetRow(ds, {{"sValue", 10.0}, {"MabadiCod", sources.at(1)}, {"Bargeh", "9401"}});
        form->dbgAsnad->focusField("NewMesureValue");
        d.cell(QString(14, QLatin1Char('9')));
        d.expectChecked({}, {}, "افزايش عمر مفيد بيش از اندازه است", "NewMesureValue");
        SetRow(ds, {{"NewMesureValue", 30}});
        for (const QString& asset : {m_assets.at(0), declining}) {
            form->dbgAsnad->focusField("DaraCod");
            d.keys({"@" + asset});
            QCOMPARE(ds->fieldByName("NewMesureValue")->isNull(), asset == declining);
        }
        form->dbgAsnad->focusField("MabadiCod");
        d.keys({"@" + sources.at(0)});
        form->dbgAsnad->focusField("MabadiCod");
        d.gridType(sources.at(1));
        form->dbgAsnad->commitEditor();
        QVERIFY2(ds->post(), qPrintable(d.lastMessage()));
        const QString trans = " FROM " + SqlIdent(form->TransTableName());
        QCOMPARE(host().scalar("SELECT Koll || Moein" + trans), chainOf(sources.at(1)));
        QCOMPARE(host().scalar("SELECT NewMesureValue" + trans), "0");

        host().exec("UPDATE D_Amval SET GarantiEnd = ? WHERE TRIM(DaraCod) = ?",
                    {Day("08/02"), m_assets.at(0)});
        const QString question =
            "تاريخ پايان گارانتي اين دارايي پس از تاريخ تعمير است . آيا مي خواهيد ادامه دهيد؟";
        ds->append();
        host().dlgMsg->answers << TDlgMsg::mrNo; // nothing checked after the answer
        d.expectChecked({{"DaraCod", m_assets.at(0)},
                         {"sValue", 0.0},
                         {"MabadiCod", source()},
                         {"Bargeh", "9402"}},
                        {}, question, "DaraCod");
        host().dlgMsg->answers << TDlgMsg::mrYes;
        d.expectChecked({}, {}, question + "\nمبلغ افزايش يافته دارايي صفر مي باشد", "sValue");
        host().dlgMsg->answers << TDlgMsg::mrYes;
        d.expectChecked({{"sValue", 10.0}}, {}, question, "");
        // Up to the voucher's date the warranty asks nothing.
        host().exec("UPDATE D_Amval SET GarantiEnd = ?", {Day("08/01")});
        ds->edit();
        d.expectChecked({{"sValue", 20.0}}, {}, "", "");
    }
};

AMVAL_TEST_MAIN(TestMoveKinds)
#include "tst_movekinds.moc"
