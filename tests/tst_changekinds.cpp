// The windows that change an asset in use, driven as a user drives them: the initial
// adjustment, the tax-return group change, the method/estimate change, the reduction,
// the delivery/transfer and the capital improvement. A row of each typed through its
// lists and stored; each kind's row checks in their order with message, column and
// list; the chains' widths and last levels; the method deciding which of rate and
// useful life is typed; the warranty question. And for every kind's window, a voucher
// closed by the books, the period or the rights: the group change that only the fiscal
// period and the rights bound.

#include "d_globalunit.h"
#include "globalunit.h"
#include "kindwindow.h"
#include "testmain.h"
#include "uitest.h"
#include "voucherdriver.h"

#include <QLabel>

class TestChangeKinds : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    // In use before the year, straight-line, in a tax group, with a cost, neither sold
    // nor retired: the first in use since 06/15 of the year before, the second sold by
    // another clerk on 07/01, the third put into use on 09/01, the fourth retired for
    // good on 02/01; the last two as they were.
    QStringList m_assets;
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
    QString person() { return first("SELECT TRIM(Code) FROM Person ORDER BY Code"); }
    // The delivery sources with an account chain, in code order.
    const QString kChained = "SELECT TRIM(MabadiCod) FROM D_Mabadi WHERE TRIM(Koll) <> '' AND "
                             "TRIM(Moein) <> '' ORDER BY MabadiCod";
    QString source() { return first(kChained); }

    // The window of `kind` on a new voucher dated 08/01, the cursor on its first row.
    std::unique_ptr<TVoucherForm> started(const QString& kind, QString* number = nullptr)
    {
        auto form = KindWindow(kind);
        const QString next = VoucherDriver(host(), form.get()).newVoucher(Day("08/01"));
        if (number)
            *number = next;
        return form;
    }
    // Of a row of `kind` on the first asset, every column but the asset, right.
    QVariantMap rightRow(const QString& kind)
    {
        // The method change's and the reduction's chain and form number.
        const QVariantMap accounts{
            {"Koll", "12"}, {"Moein", "1"}, {"Tafsily", "3003"}, {"Bargeh", "9701"}};
        QVariantMap row;
        if (kind == "adjustment")
            row = {{"sValue", 1000.0},
                   {"MabadiCod", first("SELECT MabadiCod FROM D_Mabadi WHERE Koll <> ''")},
                   {"Bargeh", "9501"}};
        else if (kind == "group change")
            row = {{"OldVezCod", groupOf(0)},
                   {"NewVezCod", otherGroup()},
                   {"PersonelCod", first("SELECT Code FROM Person")},
                   {"MakanCod", "1"},
                   {"Tafsily2", first("SELECT Tafsily2 FROM Tafsily2")},
                   {"Bargeh", "9601"}};
        else if (kind == "method")
            row = {{"StartDate", Day("08/01")}, {"RaveshEst", "مستقيم"}, {"NewOmer", 48}};
        else if (kind == "reduction")
            row = {{"ArzeshReduce", 1000}, {"ArzeshAsgat", 10}};
        else if (kind == "transfer")
            row = {{"VazCod", ""},
                   {"PersonelCod", person()},
                   {"MakanCod", "1"},
                   {"Bargeh", "9301"},
                   {"Tafsily2", first("SELECT TRIM(Tafsily2) FROM Tafsily2")}};
        else
            row = {{"VazCod", ""},
                   {"sValue", 1000.0},
                   {"NewMesureValue", 3},
                   {"MabadiCod", source()},
                   {"Bargeh", "9401"}};
        if (kind == "method" || kind == "reduction")
            row.insert(accounts);
        return row;
    }
    // The kind a data row's name starts with.
    static QString kindOfRow() { return QString(QTest::currentDataTag()).section(':', 0, 0); }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = AssetsInUse(host(), 6,
                               "TRIM(COALESCE(VezCod, '')) <> '' AND RaveshEst = 'مستقيم' AND "
                               "EndValue <> 0");
        QCOMPARE(m_assets.size(), 6);
        host().exec("UPDATE D_Amval SET BahreDate = ? WHERE TRIM(DaraCod) = ?",
                    {Day("06/15", -1), m_assets.at(0)});
        StoreElsewhere(host(), "D_ForoshDaymeh", "90", m_assets.at(1), Day("07/01"));
        host().exec("UPDATE D_Amval SET BahreDate = ? WHERE TRIM(DaraCod) = ?",
                    {Day("09/01"), m_assets.at(2)});
        StoreElsewhere(host(), "D_KenarD", "9990", m_assets.at(3), Day("02/01"));
        host().exec("INSERT INTO D_Mabadi (MabadiCod, MabadiNam) VALUES ('98', 'بدون سرفصل')");
        // No warranty question unless a test asks for one.
        host().exec("UPDATE D_Amval SET GarantiEnd = ''");
    }
    void cleanup() { m_host.reset(); }

    // Each kind's checks in their order, the row's name saying which kind; each row is
    // right but for its changes. <sold>, <sold on>: the asset another clerk sold and
    // the sale's date; <retired>, <retired on>: the asset retired for good and its
    // date; <late>: the asset put into use after the voucher's date; <old>: the first
    // asset's group; a delivery source without an account is 98. (A form number used
    // by another voucher is refused by the check every kind shares: the purchase's and
    // the retirement's rows walk it.) The adjustment: an unknown asset opens its list
    // without a word; an amount typed wrong is no amount (a sold asset and a negative
    // amount pass: aRowTypedWithKeysIsStored stores one). The group change: the groups
    // before the guard, the transfer's checks after it, no start-of-use check; an empty
    // old group differs from any new one. The transfer's cost centre is the one
    // column whose list lets the row go on; a location chosen from its list stays in the
    // row, which is still refused.
    void rowChecks_data()
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
        RowCheck("method: unknown asset: its list opens", {{"DaraCod", "99999"}}, "", "DaraCod",
                 "DaraCod");
        RowCheck("method: no start date", {{"StartDate", ""}},
                 "تاريخ شروع تغيير روش/برآورد نمي تواند خالي باشد.", "StartDate");
        RowCheck("method: start before the date of use", {{"StartDate", Day("06/14", -1)}},
                 qUtf8Printable("تاريخ شروع تغيير روش/برآورد نمي تواند از تاريخ بهره برداري <" +
                                Day("06/15", -1) + "> کوچکتر باشد"),
                 "StartDate");
        RowCheck("method: start not a date", {{"StartDate", Day("07/31")}},
                 "تاريخ شروع روش صحيحي وارد نشده است", "StartDate");
        RowCheck("method: no method", {{"RaveshEst", " "}}, "روش استهلاك خالي مي باشد.",
                 "RaveshEst");
        RowCheck("method: declining without a rate", {{"RaveshEst", "نزولي"}, {"FeeEst", 0}},
                 "نرخ استهلاک صفر مي باشد", "FeeEst");
        RowCheck("method: rate over a hundred", {{"RaveshEst", "نزولي"}, {"FeeEst", 100.5}},
                 "نرخ استهلاک بيش از 100 درصد مي باشد", "FeeEst");
        RowCheck("method: negative rate pasted", {{"RaveshEst", "نزولي"}, {"FeeEst", -3}},
                 "نرخ استهلاک منفي مي باشد", "FeeEst");
        RowCheck("method: straight line without a useful life", {{"NewOmer", 0}, {"FeeEst", 20}},
                 "عمر مفيد جديد صفر مي باشد", "NewOmer");
        RowCheck("reduction: nothing reduced", {{"ArzeshReduce", 0}},
                 "مبلغ ارزش کاهش يافته دارايي صفر مي باشد", "ArzeshReduce");
        RowCheck("reduction: negative reduction pasted", {{"ArzeshReduce", -10}},
                 "مبلغ ارزش کاهش يافته دارايي منفي مي باشد", "ArzeshReduce");
        RowCheck("reduction: depreciated asset without salvage", {{"ArzeshAsgat", 0}},
                 "مبلغ ارزش اسقاط دارايي صفر مي باشد", "ArzeshAsgat");
        RowCheck("reduction: negative salvage pasted", {{"ArzeshAsgat", -10}},
                 "مبلغ ارزش اسقاط دارايي منفي مي باشد", "ArzeshAsgat");
        RowCheck("reduction: no form number", {{"Bargeh", ""}},
                 "شماره برگه کاهش دارايي خالي مي باشد.", "Bargeh");
        RowCheck("transfer: no asset", {{"DaraCod", ""}, {"PersonelCod", ""}},
                 "كد دارايي خالي مي باشد.", "DaraCod");
        RowCheck("transfer: unknown asset", {{"DaraCod", "99999"}}, "كد دارايي وجود ندارد.",
                 "DaraCod", "DaraCod");
        RowCheck("transfer: asset sold", {{"DaraCod", "<sold>"}, {"PersonelCod", "x"}},
                 "دارايي در تاريخ <sold on> به فروش رسيده شده است", "DaraCod");
        RowCheck("transfer: no recipient", {{"PersonelCod", ""}},
                 "كد تحويل گيرنده دارايي خالي مي باشد.", "PersonelCod", "PersonelCod");
        RowCheck("transfer: unknown recipient", {{"PersonelCod", "9'9"}, {"VazCod", "55"}},
                 "تحويل گيرنده دارايي وجود ندارد.", "PersonelCod", "PersonelCod");
        RowCheck("transfer: unknown condition", {{"VazCod", "55"}, {"MakanCod", ""}},
                 "كد وضعيت دارايي وجود ندارد.", "VazCod", "VazCod");
        RowCheck("transfer: no location", {{"MakanCod", ""}}, "كد مکان تحويل دارايي خالي مي باشد.",
                 "MakanCod", "MakanCod");
        RowCheck("transfer: no location, chosen", {{"MakanCod", ""}},
                 "كد مکان تحويل دارايي خالي مي باشد.", "MakanCod", "MakanCod:5");
        RowCheck("transfer: unknown location", {{"MakanCod", "88"}, {"Bargeh", ""}},
                 "كد مکان تحويل دارايي وجود ندارد.", "MakanCod", "MakanCod");
        RowCheck("transfer: no form number", {{"Bargeh", ""}},
                 "شماره برگه تحويل/انتقال خالي مي باشد.", "Bargeh");
        RowCheck("transfer: put into use after the date", {{"DaraCod", "<late>"}},
                 "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod");
        RowCheck("transfer: unknown cost centre", {{"Tafsily2", "77777"}}, "", "Tafsily2",
                 "Tafsily2");
        RowCheck("transfer: unknown cost centre, chosen", {{"Tafsily2", "77777"}}, "", "",
                 "Tafsily2:<centre>");
        RowCheck("transfer: no cost centre, chosen", {{"Tafsily2", ""}}, "كد مركز هزينه مي باشد.",
                 "", "Tafsily2:<centre>");
        RowCheck("improvement: no asset", {{"DaraCod", ""}, {"sValue", 0.0}},
                 "كد دارايي خالي مي باشد.", "DaraCod");
        RowCheck("improvement: unknown asset", {{"DaraCod", "99999"}, {"sValue", 0.0}},
                 "كد دارايي وجود ندارد.", "DaraCod", "DaraCod");
        RowCheck("improvement: asset retired for good", {{"DaraCod", "<retired>"}, {"sValue", 0.0}},
                 "دارايي در تاريخ <retired on> کنارگذاري دايمي شده است", "DaraCod");
        RowCheck("improvement: no amount", {{"sValue", 0.0}, {"VazCod", "55"}},
                 "مبلغ افزايش يافته دارايي صفر مي باشد", "sValue");
        RowCheck("improvement: unknown condition", {{"VazCod", "55"}, {"MabadiCod", ""}},
                 "وضعيت دارايي وجود ندارد.", "VazCod", "VazCod");
        RowCheck("improvement: no source", {{"MabadiCod", ""}},
                 "كد مبادي تحويل دارايي خالي مي باشد.", "MabadiCod", "MabadiCod");
        RowCheck("improvement: unknown source", {{"MabadiCod", "9'"}},
                 "مبادي تحويل دارايي وجود ندارد.", "MabadiCod", "MabadiCod");
        RowCheck("improvement: source without an account", {{"MabadiCod", "98"}, {"Bargeh", ""}},
                 "براي مبادي تحويل دارايي سرفصل تعريف نشده است", "MabadiCod");
        RowCheck("improvement: no form number", {{"Bargeh", ""}},
                 "شماره برگه تعميرات اساسي خالي مي باشد.", "Bargeh");
        RowCheck("improvement: put into use after the date", {{"DaraCod", "<late>"}},
                 "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod");
    }
    void rowChecks()
    {
        const auto form = started(kindOfRow());
        SetRow(form->quAsnad, {{"DaraCod", m_assets.at(0)}});
        SetRow(form->quAsnad, rightRow(kindOfRow()));
        VoucherDriver(host(), form.get())
            .expectRow({{"<sold on>", Day("07/01")},
                        {"<sold>", m_assets.at(1)},
                        {"<late>", m_assets.at(2)},
                        {"<retired on>", Day("02/01")},
                        {"<retired>", m_assets.at(3)},
                        {"<old>", groupOf(0)},
                        {"<centre>", rightRow("transfer").value("Tafsily2").toString()}});
    }

    // The source and its chain take the delivery sources' widths, the rest the
    // voucher table's.
    void adjustmentChainTakesTheSourcesWidths()
    {
        host().exec("DROP TABLE D_Mabadi");
        host().exec("CREATE TABLE D_Mabadi (MabadiCod VARCHAR(3), MabadiNam VARCHAR(100), Koll "
                    "VARCHAR(3), Moein VARCHAR(4), Tafsily VARCHAR(7), Tafsily2 VARCHAR(5), "
                    "ProjectCod VARCHAR(9))");
        auto form = started("adjustment");
        QCOMPARE(form->FieldWidth("MabadiCod"), 3);
        QCOMPARE(form->FieldWidth("Tafsily"), 7);
        QCOMPARE(form->FieldWidth("ProjectCod"), 9);
        QCOMPARE(form->FieldWidth("Bargeh"),
                 host().db().dialect().columnWidth("D_FirstTadil", "Bargeh"));
    }
    // A row of each kind typed with the keyboard through its lists and stored as
    // typed, read back on another clerk's connection, with the accounting vouchers the
    // kind issues at once (SANAD_TIME=ANE) and the save logged under the kind's name.
    // A voucher without one, opened again and its first row's form number changed, is
    // stored too: its own rows never hold their assets. In `keys` and `stored`: <a0>,
    // <a1>, <a4>, <a5> the assets, <a0 name>, <a1 name> their names; <source> a delivery
    // source with an account chain, <chain> its chain, <koll> its Koll's name; <old>
    // the first asset's group, <old name> its name, <new> another group; <person> a
    // recipient, <person name> his name, <person code> his code as stored; <centre> a
    // cost centre, <centre name> its name; "typed": in Persian digits; <long> a description with
    // quotes and both forms of Yeh and Kaf longer than its column, <cut> as stored: cut to the
    // column, in the system's Arabic letters; <08/01> a day of the year.
    void aRowTypedWithKeysIsStored_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("columns");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("issued");
        QTest::addColumn<QString>("logged"); // the section of the action log
        QTest::addColumn<QString>("setup");  // a statement run before the keys
        const auto row = [](const char* kind, const QStringList& keys, const char* columns,
                            const QStringList& stored, int issued, const char* logged,
                            const char* setup = "") {
            QTest::newRow(kind) << keys << QString(columns) << stored << issued
                                << QString::fromUtf8(logged) << QString::fromUtf8(setup);
        };
        // An asset another clerk sold, from the list (no guard): its name comes into
        // the grid; an amount with a minus, a separator and Persian digits; the source
        // brings its chain.
        row("adjustment",
            {"@<a1>", "=DaraNam=<a1 name>", "", "-۱۲,۵۰۰", "@<source>", ">Bargeh",
             "#EKollNam=<koll>", "۹۵۰۱", "?", "#ESValueSum=-12,500"},
            "TRIM(DaraCod) || '|' || CAST(sValue AS INTEGER) || '|' || Koll || Moein || "
            "COALESCE(Tafsily, '') || '|' || Bargeh",
            {"<a1>|-12500|<chain>|9501"}, 1, "تعديلات اوليه");
        // The chosen asset brings its old group and the group's name, the new group
        // comes from its list, then the transfer's lists as they stand. The register
        // follows: the asset is in its new group.
        row("group change",
            {"@<a0>", "=OldVezCod=<old>", "#EOldVezNam=<old name>", "<long>", "", "@<new>", "", "",
             "", "", "9601", "?"},
            "TRIM(DaraCod) || '|' || AmvalDes || '|' || TRIM(OldVezCod) || '|' || TRIM(NewVezCod) "
            "|| '|' || TRIM(Bargeh) || '|' || (SELECT TRIM(VezCod) FROM D_Amval WHERE "
            "D_Amval.DaraCod = D_Change_VezArat.DaraCod)",
            {"<a0>|<cut>|<old>|<new>|9601|<new>"}, 0, "تغيير اظهارنامه مالياتي");
        // The start date's Enter refuses an empty date and one before the date of use,
        // and takes the date of use itself, though it lies before the fiscal period.
        const QString start = "?تاريخ شروع تغيير روش/برآورد نمي تواند ";
        QStringList method{"@<a0>",
                           "روش 'جديد'",
                           "",
                           start + "خالي باشد.",
                           PersianDigits(Day("06/14", -1)),
                           start + "از تاريخ بهره برداري کوچکتر باشد",
                           ">StartDate",
                           PersianDigits(Day("06/15", -1)),
                           ">RaveshEst"};
        // Space switches the method (twice: back, both values 0) and the method decides
        // which of rate and useful life takes keys and where Enter goes. Straight line:
        // on to the useful life.
        method += {"!Space", "=RaveshEst=مستقيم", "=FeeEst=0", "=NewOmer=",
                   "",       ">NewOmer",          "36",        "^RaveshEst"};
        // Declining: the useful life is skipped and takes no keys; a rate typed on a
        // Persian keyboard with a minus and letters keeps its digits and decimal point.
        method += {"!Space",     "!Space",   "!Space",  "=RaveshEst=نزولي", "=FeeEst=0",
                   "=NewOmer=0", "",         ">FeeEst", "-۱a۲٫5",           "=FeeEst=12.5",
                   ">Bargeh",    "^NewOmer", "7",       "=NewOmer=0"};
        // The chain on a Persian keyboard: 81/1 uses the second detail level alone (Enter
        // steps over the first), whose Enter checks the row; refused for its form number,
        // the row names the cost centre below the grid as it names the levels above it.
        method += {"^Koll", "۸۱", "۱", ">Tafsily2", "۰۱۰۰۱"};
        method += {"?شماره برگه تغيير روش/برآورد خالي مي باشد.", ">Bargeh", "#EKollNam=<81 name>"};
        method += {"#ETafsily2Nam=<centre name>", "9701", "", "", ">Tafsily2", ""};
        row("method", method << ">DaraCod",
            "TRIM(DaraCod) || '|' || StartDate || '|' || RaveshEst || '|' || CAST(FeeEst * 10 AS "
            "INTEGER) || '|' || CAST(NewOmer AS INTEGER) || '|' || TRIM(Koll) || TRIM(Moein) || "
            "'|' || TRIM(Tafsily) || '|' || Tafsily2",
            {"<a0>|" + Day("06/15", -1) + "|نزولي|125|0|811||01001"}, 0, "تغيير روش/برآورد");
        // Through the lists of its five code columns and a form number on a Persian
        // keyboard: the footer names the row, the last column posts it. Codes are
        // stored in their own form: right-aligned to the column's width.
        row("transfer",
            {"@<a0>", ">AmvalDes", "<long>", "@<person>", ">VazCod", "@3", "@4", ">Tafsily2",
             "@<centre>", ">Bargeh", "#EMakanNam=انبار مركزي", "#EPersonelNam=<person name>",
             "#ETafsily2Nam=<centre name>", "۹۳۰۱", ">DaraCod", "?"},
            "TRIM(DaraCod) || '|' || AmvalDes || '|' || PersonelCod || '|' || TRIM(VazCod) || '|' "
            "|| TRIM(MakanCod) || '|' || TRIM(Tafsily2) || '|' || TRIM(Bargeh) || '|' || sDate",
            {"<a0>|<cut>|<person code>|3|4|<centre>|9301|<08/01>"}, 0, "تحويل/انتقال");
        // Two rows through the asset, condition and source lists, the amount and the
        // useful life; the source brings its chain, Enter in the form number finishes
        // the row past the chain; the footer sums the rows.
        QStringList improvement;
        for (const auto& [asset, amount, life, form] :
             {std::array<QString, 4>{"<a0>", "۱۲۵۰۰۰", "۱۲", "9401"},
              {"<a4>", "2500", "6", "9402"}})
            improvement += {"@" + asset,
                            "تعمير 'اساسي'",
                            amount,
                            life,
                            "@4",
                            ">MabadiCod",
                            "@<source>",
                            ">Bargeh",
                            "#EKollNam=<koll>",
                            form,
                            ">DaraCod",
                            "?"};
        row("improvement",
            improvement << "#ESValueSum=127,500"
                        << "#ENewMesureSum=18",
            "TRIM(DaraCod) || '|' || CAST(sValue AS INTEGER) || '|' || NewMesureValue || '|' || "
            "Koll || Moein || COALESCE(Tafsily, '') || '|' || TRIM(Bargeh)",
            {"<a0>|125000|12|<chain>|9401", "<a4>|2500|6|<chain>|9402"}, 1, "تعميرات اساسي");
        // Amounts on a Persian keyboard, with a minus, a letter and a thousands separator
        // the keys refuse; Enter in Tafsily, the chain's last level, posts. The cells show
        // the amounts with their decimals, as the totals do, and the cell's editor the
        // value as stored. <a4> and <a5> are not depreciated: salvage 0 whatever was
        // typed. In front of the second row the first row's asset again: the table's key
        // refuses it, and the rows after it keep their numbers.
        QStringList reduction;
        for (const auto& [asset, reduced, salvage] :
             {std::array<QString, 3>{"<a0>", "-۱,۵۰۰٫۵", "-2,0x0"},
              {"<a4>", "2499.5", "0"},
              {"<a5>", "۵۰۰۰۰۰۰۰٫۵", "700"}})
            reduction +=
                {"@" + asset, "آسيب 'جزئي'", "@6", ">ArzeshReduce", reduced,   salvage, "9702",
                 ">Koll",     "12",          "1",  "3003",          ">DaraCod"};
        // The totals; from the last row up the cells as shown, the last one's editor (F2)
        // first; then a row inserted in front of the second.
        reduction +=
            {"#EArzeshReduceSum=50,004,000.5", "#EArzeshAsgatSum=200", "!Up", "^ArzeshReduce"};
        reduction += {"!F2", "$50000000.5", "!Esc", "$50,000,000.5", "!Up", "$2,499.5", "!Up"};
        reduction += {"$1,500.5", "!Down", "!Ins", ">DaraCod", "@<a0>", "", "@6", "۱۰۰", "۵"};
        reduction += {"9703", "12", "1", "3003", "?كد دارايي تكراري مي باشد.", ">DaraCod", "!Esc"};
        row("reduction", reduction,
            "Raj || '|' || TRIM(DaraCod) || '|' || CAST(ArzeshReduce * 10 AS INTEGER) || '|' || "
            "CAST(ArzeshAsgat AS INTEGER) || '|' || TRIM(VazCod) || TRIM(Koll) || TRIM(Moein)",
            {"1|<a0>|15005|200|6121", "2|<a4>|24995|0|6121", "3|<a5>|500000005|0|6121"}, 1,
            "کاهش دارائي",
            "UPDATE D_Amval SET RaveshEst = 'ندارد' WHERE TRIM(DaraCod) IN ('<a4>', '<a5>')");
        // The asset and the cost centre typed on a Persian keyboard and left with Tab, the
        // condition list, a location and a form number in Persian digits: the footer
        // names the codes before the row is posted.
        row("retirement",
            {"~<a0 typed>", "!Tab", ">AmvalDes", "<long>", "@6", ">MakanCod", "۴", ">Tafsily2",
             "~<centre typed>", "!Tab", ">Bargeh", "#EMakanNam=انبار مركزي",
             "#EMarkazNam=<centre name>", "#EDaraNam=<a0 name>", "۹۱", "?"},
            "TRIM(DaraCod) || '|' || AmvalDes || '|' || TRIM(VazCod) || '|' || TRIM(MakanCod) || "
            "'|' || TRIM(Tafsily2) || '|' || Bargeh || '|' || sDate",
            {"<a0>|<cut>|6|4|<centre>|91|<08/01>"}, 0, "کنار گذاري موقت");
    }
    void aRowTypedWithKeysIsStored()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, columns);
        QFETCH(QStringList, stored);
        QFETCH(int, issued);
        QFETCH(QString, logged);
        QFETCH(QString, setup);
        // Accounting vouchers issued as each voucher is saved.
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
        QString number;
        const auto form = started(kindOfRow(), &number);
        const VoucherDriver d(host(), form.get());
        const auto nameOf = [this](const char* sql, const QString& code) {
            return first(QString(sql) + " = ?", {code});
        };
        const QString from = source(), recipient = person(),
                      centre = first("SELECT TRIM(MIN(Tafsily2)) FROM Tafsily2");
        const int width = form->FieldWidth("AmvalDes");
        QString description = "انبار 'مركزي' \"يی كک\"";
        while (description.size() <= width)
            description += " \"تعمير\"";
        QList<std::pair<QString, QString>> names;
        for (const int i : {0, 1, 4, 5})
            names << std::pair{QString("<a%1 name>").arg(i),
                               nameOf("SELECT TRIM(DaraNam) FROM D_Amval WHERE TRIM(DaraCod)",
                                      m_assets.at(i))}
                  << std::pair{QString("<a%1>").arg(i), m_assets.at(i)};
        names += {
            {"<source>", from},
            {"<chain>", nameOf("SELECT Koll || Moein || COALESCE(Tafsily, '') FROM "
                               "D_Mabadi WHERE TRIM(MabadiCod)",
                               from)},
            {"<koll>", nameOf("SELECT NamHesab FROM Koll, D_Mabadi WHERE Koll.Koll = "
                              "D_Mabadi.Koll AND TRIM(MabadiCod)",
                              from)},
            {"<81 name>", nameOf("SELECT NamHesab FROM Koll WHERE TRIM(Koll)", "81")},
            {"<old name>", nameOf("SELECT VezNam FROM D_VezArat WHERE TRIM(VezCod)", groupOf(0))},
            {"<old>", groupOf(0)},
            {"<new>", otherGroup()},
            {"<person name>",
             nameOf("SELECT \"Name\" || ' ' || Family FROM Person WHERE TRIM(Code)", recipient)},
            {"<person code>", recipient.rightJustified(form->FieldWidth("PersonelCod"))},
            {"<person>", recipient},
            {"<centre name>", nameOf("SELECT NamHesab FROM Tafsily2 WHERE TRIM(Tafsily2)", centre)},
            {"<centre typed>", PersianDigits(centre)},
            {"<a0 typed>", PersianDigits(m_assets.at(0))},
            {"<centre>", centre},
            {"<long>", description},
            {"<cut>", description.left(width)
                          .replace(QChar(0x06CC), QChar(0x064A))
                          .replace(QChar(0x06A9), QChar(0x0643))},
            {"<08/01>", Day("08/01")}};
        keys << setup;
        for (auto* texts : {&keys, &stored})
            for (QString& text : *texts)
                for (const auto& [name, value] : names)
                    text.replace(name, value);
        if (setup = keys.takeLast(); !setup.isEmpty())
            host().exec(setup);
        d.keysSayingOnly(keys);
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));

        const QString table = form->Kind().Table();
        const auto read = [&](const QString& what) {
            return Column(*host().openAgain(),
                          "SELECT " + what + " FROM " + table +
                              " WHERE TRIM(SanadNoAmval) = ? ORDER BY Raj",
                          {number});
        };
        QCOMPARE(read(columns), stored);
        QCOMPARE(first("SELECT COUNT(*) FROM Asnad WHERE WhatDoc = ? AND TRIM(Document) = ?",
                       {form->Kind().TypeCode(), number})
                     .toInt(),
                 issued);

        QCOMPARE(Logged(host(), number, logged), "I");
        if (issued != 0) // read only from then on
            return;
        d.startVoucher(number);
        d.keys({"^Bargeh", "~97"});
        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QCOMPARE(read("TRIM(Bargeh)").value(0), "97");
        QCOMPARE(Logged(host(), number, logged), "I,E");
    }
    // A voucher closed for a reason that `setup` gives (statements; <mm/dd> a day of
    // the year, <mm/dd+1> of the next, <number> the voucher's number, <padded> as
    // stored). A stored one (the kind's newest) opens with the caption `told` and of
    // OK, Delete and the grid's editing those named in `may` ("O", "D", "G"), with the
    // accounting voucher's number after a colon when the header shows one. A new one
    // on `opened` ("#n": numbered n) is refused with the message `told`, the cursor
    // kept in the header's "year", "day" or "number", or passes ("G") in silence. A
    // depreciation voucher and a day-book covering the date bind the kinds of the
    // books, not the group change, which the period and the rights alone bind; each
    // return reads the day-book of its own kind; the purchase never marks a voucher as
    // another period's.
    void aVoucherIsClosedForItsReason_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("opened"); // "stored", or a new voucher's date or number
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("may");
        const auto row = [](const char* name, const QString& setup, const char* opened,
                            const char* told, const char* may) {
            QTest::newRow(name) << setup << QString(opened) << QString::fromUtf8(told)
                                << QString(may);
        };
        const QString depreciated = "DELETE FROM Asnad WHERE TypeSys = 'D' AND WhatDoc IN ('98', "
                                    "'99');INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, "
                                    "WhatDoc, Document, DocToDate) VALUES (9801, '<mm/dd>', 'D', "
                                    "'98', '1', '1')";
        const QString books = QString(depreciated).replace("<mm/dd>", "<10/01>") +
                              ";UPDATE D_Roz SET SanadNoAmval = '', SanadDate = '<10/01>'";
        const QString returnsForGood =
            "UPDATE D_Roz SET SanadNoAmval = '', SanadDate = '<10/15>' WHERE WhatDoc = '21'";
        row("purchase: accounting voucher issued",
            "INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, Document, DocToDate) VALUES "
            "(99001, '<06/01>', 'D', '12', '<number>', '1')",
            "stored", "ويرايش سند خريد/ساخت <number>(سند حسابداري صادر شده است)", ":99001");
        row("purchase: day-book",
            "UPDATE D_Roz SET SanadNoAmval = '<padded>' WHERE UserId = 1 AND WhatDoc = '12'",
            "stored", "ويرايش سند خريد/ساخت <number>(به روزآوري شده است)", "");
        row("purchase: dated in the next period",
            "UPDATE D_Buy_Create SET sDate = '<01/10+1>' WHERE TRIM(SanadNoAmval) = '<number>'",
            "stored", "ويرايش سند خريد/ساخت <number>", "ODG");
        row("purchase: new, in the next period", "", "01/01+1",
            "تاريخ وارد شده با تاريخ دوره مالي مطابقت ندارد.", "year");
        row("purchase: new, on a day the calendar has not", "", "07/31",
            "تاريخ وارد شده اشکال دارد", "year");
        row("sale: depreciated past it", QString(depreciated).replace("<mm/dd>", "<12/29>"),
            "stored",
            "ويرايش سند فروش دارايي <number>(سند حسابداري هزينه استهلاک تا تاريخ <12/29> صادر "
            "شده است)",
            "");
        row("sale: dated in the next period",
            "UPDATE D_ForoshDaymeh SET sDate = '<01/10+1>' WHERE TRIM(SanadNoAmval) = '<number>'",
            "stored", "ويرايش سند فروش دارايي <number>(سند فروش دارايي دوره مالي ديگر)", "");
        row("sale: new on the depreciation's day",
            QString(depreciated).replace("<mm/dd>", "<08/01>"), "08/01",
            "سند هزينه استهلاک تا تاريخ <08/01> صادر شده است.", "day");
        row("sale: new the day after the depreciation's",
            QString(depreciated).replace("<mm/dd>", "<08/01>"), "08/02", "", "G");
        row("transfer: new under the books", books, "08/01",
            "سند هزينه استهلاک تا تاريخ <10/01> صادر شده است.", "day");
        row("group change: new under the books", books, "08/01", "", "G");
        row("group change: stored, under the books", books, "stored",
            "ويرايش سند تغيير اظهارنامه مالياتي <number>", "ODG");
        row("group change: stored, without the right to edit",
            "UPDATE UserSdcDetail SET \"1\" = 'N' WHERE StrId = 'D_A_CHVEZARAT_EDIT'", "stored",
            "ويرايش سند تغيير اظهارنامه مالياتي <number>(مجاز به ويرايش نمي باشيد)", "D");
        row("group change: stored, without the right to delete",
            "UPDATE UserSdcDetail SET \"1\" = 'N' WHERE StrId = 'D_A_CHVEZARAT_DEL'", "stored",
            "ويرايش سند تغيير اظهارنامه مالياتي <number>", "OG");
        row("group change: new, without the right to register",
            "UPDATE UserSdcDetail SET \"1\" = 'N' WHERE StrId = 'D_A_CHVEZARAT_SABT'", "08/01",
            "کاربر مجاز به ثبت تغيير اظهارنامه جديد نيست", "number");
        row("group change: new, numbered 0", "", "#0", "شماره تغيير اظهارنامه بدرستي وارد نشده است",
            "number");
        row("return for good: new under its day-book", returnsForGood, "10/01",
            " مدرک تا تاريخ <10/15> به روزآوري شده است", "day");
        row("return: new under the day-book of the returns for good", returnsForGood, "10/01", "",
            "G");
    }
    void aVoucherIsClosedForItsReason()
    {
        QFETCH(QString, setup);
        QFETCH(QString, opened);
        const QString table = KindWindow(kindOfRow())->Kind().Table();
        const QString number = first("SELECT TRIM(MAX(SanadNoAmval)) FROM " + table);
        // Days of the year and the voucher's number put in.
        const auto filled = [&number](QString text) {
            static const QRegularExpression day("<(\\d\\d/\\d\\d)(\\+1)?>");
            for (QRegularExpressionMatch m = day.match(text); m.hasMatch(); m = day.match(text))
                text.replace(m.captured(0), Day(m.captured(1), m.captured(2).isEmpty() ? 0 : 1));
            return text.replace("<number>", number).replace("<padded>", PadLeft(number, 8));
        };
        for (const QString& statement : setup.split(';', Qt::SkipEmptyParts))
            host().exec(filled(statement));
        host().dlgMsg->shown.clear();
        const auto form = KindWindow(kindOfRow());
        const VoucherDriver d(host(), form.get());
        QFETCH(QString, told);
        QFETCH(QString, may);
        if (opened == "stored") {
            d.expectOpened(number, filled(told), may.section(':', 0, 0));
            QCOMPARE(form->txtSanadNo->text().trimmed(), may.section(':', 1));
            if (!may.contains('D')) {
                // Ctrl+Shift+Del where the voucher may not go: refused in words when the
                // user's right alone is missing, otherwise (the caption says why) nothing.
                host().dlgMsg->shown.clear();
                d.gridKey(Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
                QCOMPARE(ShownTexts(host()).join('\n'),
                         QString(QTest::currentDataTag()).contains("right to delete")
                             ? "کاربر مجاز به حذف سند تغيير اظهارنامه مالياتي نيست"
                             : "");
                QCOMPARE(first("SELECT TRIM(MAX(SanadNoAmval)) FROM " + table), number);
            }
            return;
        }
        if (opened.startsWith('#'))
            d.load(opened.mid(1));
        else
            d.startVoucher(NextNumber(host(), table), filled('<' + opened + '>'));
        QCOMPARE(ShownTexts(host()).join('\n'), filled(told));
        const QWidget* at = form->focusWidget();
        QCOMPARE(form->GridPanel->isEnabled() ? QString("G")
                 : at == form->mYear          ? QString("year")
                 : at == form->mDay           ? QString("day")
                 : at == form->SanadID        ? QString("number")
                                              : QString(),
                 may);
        // A refused date keeps the header open: a day of the period then opens the rows
        // in the same window.
        if (may == "year") {
            d.startVoucher(NextNumber(host(), table), Day("08/01"));
            QVERIFY(form->GridPanel->isEnabled());
        }
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
        auto form = KindWindow("improvement");
        VoucherDriver d(host(), form.get());
        QCOMPARE(form->dbgAsnad->columns().at(form->dbgAsnad->columnOf("NewMesureValue")).title,
                 "افزايشعمرمفيد(روز)");
        d.newVoucher(Day("08/01"));
        DataSet* ds = form->quAsnad;
        d.gridType(PersianDigits(m_assets.at(0)));
        form->dbgAsnad->commitEditor();
        QCOMPARE(ds->fieldByName("DaraCod")->asString(), m_assets.at(0));
        SetRow(ds, {{"sValue", 10.0}, {"MabadiCod", sources.at(1)}, {"Bargeh", "9401"}});
        d.keys({"^NewMesureValue", QString(14, QLatin1Char('9'))});
        d.expectChecked({}, {}, "افزايش عمر مفيد بيش از اندازه است", "NewMesureValue");
        SetRow(ds, {{"NewMesureValue", 30}});
        for (const QString& asset : {m_assets.at(0), declining}) {
            d.keys({"^DaraCod", "@" + asset});
            QCOMPARE(ds->fieldByName("NewMesureValue")->isNull(), asset == declining);
        }
        d.keys({"^MabadiCod", "@" + sources.at(0), "^MabadiCod", "~" + sources.at(1)});
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

AMVAL_TEST_MAIN(TestChangeKinds)
#include "tst_changekinds.moc"
