// The voucher services object on the demo company, and the asset and reference pick
// lists in the host's pick-list window.

#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "demohost.h"
#include "dialect.h"
#include "globalunit.h"
#include "picklist.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "voucherkinds.h"

class TestVoucherServices : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;

    static QString Padded(const QString& number) { return PadLeft(number, 8); }
    DemoHost& host() { return *m_host; }
    std::unique_ptr<TD_Global> services()
    {
        return std::make_unique<TD_Global>(&m_host->global, &m_host->database);
    }

    void addRow(const QString& table, const QString& number, const QString& sDate,
                const QString& asset, const QString& form = QString())
    {
        host().exec("INSERT INTO " + table +
                        " (SanadNoAmval, Raj, sDate, DaraCod, Bargeh) VALUES (?, 1, ?, ?, ?)",
                    {number, sDate, PadLeft(asset, 6), SqlText(form)});
    }
    void setDayBook(const QString& code, const QString& number, const QString& sanadDate)
    {
        host().exec("UPDATE D_Roz SET SanadNoAmval = ?, SanadDate = ? WHERE UserId = 1 AND "
                    "WhatDoc = ?",
                    {SqlText(number), SqlText(sanadDate), code});
    }

private slots:
    void init() { m_host = std::make_unique<DemoHost>(24); }
    void cleanup() { m_host.reset(); }

    // The settings, the users' rights and the newest depreciation voucher. (The row
    // position the header shows: tst_buycreate.)
    void settingsRightsAndLastDepreciation()
    {
        auto g = services();
        const QStringList settings{g->NAMTAFSILY2,    g->NAMPROJECT, g->TYPE_CREATE_NEWAT,
                                   g->TYPESARFASLCOD, g->Ast_Mesure, g->TYPEDARACOD,
                                   g->SANAD_TIME,     g->SANAD_TYPE};
        QCOMPARE(settings.join(';'),
                 QStringLiteral("مركز هزينه;پروژه;AUTO;NUM;ماهانه;NUM;END;TAFKIKI"));
        // Keys in any case; a last pair without its ";" runs to the end of the text.
        QCOMPARE(SettingValue("a=1;sanad_time=ane", "Sanad_Time"), QStringLiteral("ANE"));
        QCOMPARE(SettingValue("A=1;", "B"), QString());
        QCOMPARE(g->CompanyStartDate, host().scalar("SELECT Company_StartDate FROM Options"));
        QCOMPARE((QList<int>{g->LenCodGrohTafsily, g->LenCodGrohTafsily2, g->LenCodGrohProject}),
                 (QList<int>{2, 2, 3}));
        // The demo's users: all four rights, the clerk's new and view on purchases,
        // the auditor's view only, a user without a rights column; a quote.
        const auto of = [&](int user, const char* prefix) {
            host().global.UserID = user;
            return g->VoucherRights(prefix);
        };
        const char* buy = "D_A_BUYCREATE_";
        QCOMPARE((QStringList{of(1, buy), of(2, buy), of(3, buy), of(77, buy), of(1, "D_A_'X_")}),
                 (QStringList{"N_E_D_V_", "N_V_", "V_", "", ""}));

        host().exec(host().db().dialect().createTempTable("##TSTTRANS") +
                    " (Raj INTEGER, DaraCod VARCHAR(6))");
        host().exec(
            "INSERT INTO \"##TSTTRANS\" VALUES (2, '   117'), (1, '    61'), (3, '    61')");
        QString notice;
        const auto issue = [&](const char* code, const char* number, const char* monthDay) {
            notice = g->IssueInstantVoucher(*FindVoucherKindByWhatDoc(code), "##TSTTRANS",
                                            Padded(number), Day(monthDay));
            return host().scalar(QStringLiteral("SELECT COUNT(*) FROM Asnad WHERE TypeSys = 'D' "
                                                "AND WhatDoc = '%1' AND TRIM(Document) = '%2'")
                                     .arg(code, number));
        };
        // The day-book of every user follows, not only the current one's.
        const auto dayBook = [this](const char* code) {
            return host().scalar(QStringLiteral("SELECT SanadNoAmval || '|' || SanadDate FROM "
                                                "D_Roz WHERE UserId = 2 AND WhatDoc = '%1'")
                                     .arg(code));
        };

        // Vouchers issued at the end: none now, the day-book moves all the same.
        QCOMPARE(issue("12", "901", "03/05"), QStringLiteral("0"));
        QCOMPARE(notice, QString());
        QCOMPARE(dayBook("12"), Padded("901") + '|' + Day("03/05"));

        // At once: the accounting voucher is issued and found again.
        g->SANAD_TIME = QStringLiteral("ANE");
        QCOMPARE(issue("12", "902", "03/06"), QStringLiteral("1"));
        QCOMPARE(notice, QString());
        DataSet query;
        const QString no = g->AccountingVoucherNo(&query, "12", Padded("902"));
        QCOMPARE(host().scalar("SELECT SanadDate FROM Asnad WHERE SanadNo = " + SqlQuote(no)),
                 Day("03/06"));
        QCOMPARE(g->AccountingVoucherNo(&query, "10", Padded("902")), QString());

        // A permanent retirement (a sale's notice is seen in its window): no voucher;
        // the notice names the voucher's assets once, in the order of its rows; nothing
        // is shown.
        const QString text = QStringLiteral(
            "سند حسابداري لحظه ايي براي %1نميتواند صادر شود. \nبراي اين منظور ابتدا گزارش كارت "
            "دارايي را براي داراييهاي \n61, 117\nببينيد و بعد از طريق گزينه <صدور سند حسابداري> "
            "كه در قسمت ساير عمليات قرار دارد, سند حسابداري را صادر كنيد.");
        QCOMPARE(issue("16", "904", "03/08"), QStringLiteral("0"));
        QCOMPARE(notice, text.arg("كنارگذار دايمي "));
        QCOMPARE(m_host->dlgMsg->shown.size(), 0);

        // The newest depreciation voucher, whatever else Asnad holds; none at all.
        host().exec("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc) VALUES "
                    "(9001, '1500/01/01', 'A', '99'), (9002, '1499/01/01', 'D', '12')");
        host().exec("UPDATE Asnad SET SanadDate = " + SqlQuote(Day("12/20")) +
                    " WHERE TypeSys = 'D' AND WhatDoc = '98'");
        QCOMPARE(services()->LastDepreciationDate, Day("12/20"));
        host().exec("DELETE FROM Asnad WHERE WhatDoc IN ('98', '99')");
        QCOMPARE(services()->LastDepreciationDate, QStringLiteral("1300/00/00"));
    }

    // The bounds of a voucher table and of a number; a number or code handed over in
    // any padding (leading blanks, trailing blanks, none, the stored form) finds the
    // same voucher and asset: the number's date, the asset's sale and its own voucher,
    // the form number of another voucher, and the accounting voucher the accounting
    // side numbered in a padding of its own.
    void numberBoundsAndCodesInAnyPadding()
    {
        for (const char* t : {"D_KenarM", "D_DaraeReduce", "D_ForoshDaymeh", "D_KenarD"})
            host().exec(QStringLiteral("DELETE FROM ") + t);
        auto g = services();
        const TTableBounds& buy = g->TableBounds[2];
        QCOMPARE(buy.MinDate + buy.MaxDate + buy.MinNo + buy.MaxNo,
                 host().scalar("SELECT MIN(sDate) || MAX(sDate) || MIN(SanadNoAmval) || "
                               "MAX(SanadNoAmval) FROM D_Buy_Create"));
        // An empty voucher table (D_KenarM): the year's first day to today, numbers 1.
        const TTableBounds& empty = g->TableBounds[5];
        QCOMPARE((QStringList{empty.MinDate, empty.MaxDate, empty.MinNo, empty.MaxNo}),
                 (QStringList{Day("01/01"), host().global.Today, "1", "1"}));
        const QString table = QStringLiteral("D_DaraeReduce");
        const auto shown = [&](const QString& number) {
            const TNumberBounds b = g->NumberBounds(table, number);
            return b.Date + ' ' + b.FirstNo + ' ' + b.LastNo;
        };
        // Nothing stored: number 1, today kept inside the fiscal period.
        QCOMPARE(g->NextVoucherNumber(table), QStringLiteral("1"));
        QCOMPARE(shown(Padded("1")), host().global.Today + " 0 0");
        const QString today = host().global.Today;
        host().global.Today = Day("11/05", -1);
        QCOMPARE(shown(Padded("1")), host().global.StartDate + " 0 0");
        host().global.Today = Day("02/05", 1);
        QCOMPARE(shown(Padded("1")), host().global.EndDate + " 0 0");
        host().global.Today = today;

        // Numbers 3, 12 and 9: as padded texts 12 is the highest, as bare ones not.
        addRow(table, Padded("3"), Day("02/03"), "1");
        addRow(table, Padded("12"), Day("04/17"), "1");
        addRow(table, Padded("9"), Day("05/30"), "3");
        QCOMPARE(g->NextVoucherNumber(table), QStringLiteral("13"));
        QCOMPARE(shown(Padded("3")), Day("02/03") + " 3 12");
        // An unknown number opens on the date of the highest-numbered one.
        QCOMPARE(shown(Padded("40")), Day("04/17") + " 3 12");
        addRow("D_ForoshDaymeh", Padded("5"), Day("03/01"), "41", "  Q7 ");
        host().exec("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, Document, "
                    "DocToDate) VALUES (9100, " +
                    SqlQuote(Day("05/30")) + ", 'D', '14', '9   ', '1')");
        DataSet query;
        // The form number is looked for in other vouchers only; a quote is a value.
        for (const QString form : {"N", "  N", "N   ", " N ", "stored"}) {
            const auto as = [&](const char* text, int width) {
                return form == QLatin1String("stored") ? PadLeft(QLatin1String(text), width)
                                                       : QString(form).replace('N', text);
            };
            const auto formNo = [&](const char* number, const QString& formNumber) {
                return g->FindFormNumber(nullptr, "D_ForoshDaymeh", as(number, 8), formNumber, 8,
                                         5);
            };
            QCOMPARE(
                (QStringList{form, g->NumberBounds(table, as("9", 8)).Date,
                             g->AssetRefusal(nullptr, as("41", 6), as("7", 8), Day("03/02")).Column,
                             g->AssetRefusal(nullptr, as("41", 6), as("5", 8), Day("03/02")).Column,
                             formNo("6", as("Q7", 5)), formNo("5", as("Q7", 5)),
                             formNo("6", as("Q'7", 5)),
                             g->AccountingVoucherNo(&query, "14", as("9", 8)),
                             g->AccountingVoucherNo(&query, "14", as("3", 8))}),
                (QStringList{form, Day("05/30"), "DaraCod", "", Padded("5"), "", "", "9100", ""}));
        }

        const auto refusal = [&](const char* code, const QString& number, const char* monthDay) {
            const TAssetRefusal r = g->AssetRefusal(nullptr, code, number, Day(monthDay));
            return r.Column + '|' + r.Message;
        };
        const QString sold =
            QStringLiteral("DaraCod|دارايي در تاريخ %1 به فروش رسيده شده است").arg(Day("03/01"));
        const QString retired =
            QStringLiteral("DaraCod|دارايي در تاريخ %1 کنارگذاري دايمي شده است");

        // Sold in voucher 5: usable before the sale, refused from its day on, however
        // the code is padded; the sale voucher itself passes.
        QCOMPARE(refusal("    41", Padded("7"), "02/30"), QStringLiteral("|"));
        QCOMPARE(refusal("41", Padded("7"), "03/01"), sold);
        QCOMPARE(refusal("    41", "5", "03/01"), QStringLiteral("|"));

        // Also retired before the sale: the retirement until the sale, then the sale.
        addRow("D_KenarD", Padded("2"), Day("02/10"), "41");
        QCOMPARE(refusal("41", Padded("7"), "02/20"), retired.arg(Day("02/10")));
        QCOMPARE(refusal("41", Padded("7"), "04/01"), sold);

        // A return from the retirement undoes it from its day on (the same day too);
        // a later retirement counts again from its own day.
        host().exec("DELETE FROM D_BarKenarD");
        addRow("D_KenarD", Padded("3"), Day("02/01"), "42");
        addRow("D_BarKenarD", Padded("1"), Day("02/15"), "42");
        addRow("D_KenarD", Padded("4"), Day("02/25"), "42");
        QCOMPARE(refusal("42", Padded("7"), "02/10"), retired.arg(Day("02/01")));
        QCOMPARE(refusal("42", Padded("7"), "02/15"), QStringLiteral("|"));
        QCOMPARE(refusal("42", Padded("7"), "02/25"), retired.arg(Day("02/25")));

        // A quote in a code is a value like any other; the caller's query runs it.
        DataSet refusalQuery;
        QVERIFY(g->AssetRefusal(&refusalQuery, "4'1", Padded("7"), Day("12/01")).isEmpty());
        QVERIFY(refusalQuery.active());

        // The bounds are the numbers as numbers: one another program stored without its
        // blanks (below the padded ones, then above them) or as wide as the column counts
        // as what it is, wherever its text sorts.
        addRow(table, "1", Day("02/04"), "2");
        QCOMPARE(g->NextVoucherNumber(table), QStringLiteral("13"));
        QCOMPARE(shown(" 1 "), Day("02/04") + " 1 12");
        addRow(table, "95", Day("02/05"), "3");
        QCOMPARE(g->NextVoucherNumber(table), QStringLiteral("96"));
        QCOMPARE(shown("12  "), Day("04/17") + " 1 95");
        addRow(table, "10000000", Day("02/06"), "4");
        QCOMPARE(g->NextVoucherNumber(table), QStringLiteral("10000001"));
    }

    // The day-book of the user's kind as stored, read for the date commit's rules
    // (tst_voucheraccess): the number and date it was posted up to.
    void dayBookRefusal()
    {
        auto g = services();
        QCOMPARE(g->DayBookRefusal(nullptr, Padded("10"), Day("03/01"), "12"), QString());
        setDayBook("12", Padded("10"), Day("02/01"));
        QCOMPARE(g->DayBookRefusal(nullptr, Padded("10"), Day("03/01"), "12"),
                 "تا مدرک 10 و تاريخ " + Day("02/01") + " به روزآوري شده است");
        // The date of the grid's current row counts over the date given.
        DataSet grid(&host().db());
        grid.open("SELECT " + SqlQuote(Day("01/20")) + " AS sDate UNION ALL SELECT " +
                  SqlQuote(Day("05/20")));
        QVERIFY(!g->DayBookRefusal(&grid, Padded("11"), Day("05/01"), "12").isEmpty());
        grid.last();
        QCOMPARE(g->DayBookRefusal(&grid, Padded("11"), Day("01/01"), "12"), QString());

        // No day-book row, or another user's day-book.
        host().exec("DELETE FROM D_Roz WHERE WhatDoc = '12'");
        QCOMPARE(g->DayBookRefusal(nullptr, Padded("1"), Day("01/01"), "12"), QString());
        setDayBook("13", Padded("50"), Day("12/01"));
        host().global.UserID = 2;
        QCOMPARE(g->DayBookRefusal(nullptr, Padded("3"), Day("02/01"), "13"), QString());
    }

    // Every pick list shows every row of its table, standing on the row's current
    // code (the first row for a code with a quote), a title for each field. The asset
    // lists show the accumulated depreciation, but for the return from a retirement:
    // the assets ever retired temporarily, without it.
    void pickLists()
    {
        auto g = services();
        const struct
        {
            std::function<TPickList(const QString&)> builder;
            QString keys;
            bool accumulated = false;
        } lists[] = {
            {[&](const QString& c) { return PickAsset(*g, c).shown; }, "DaraCod FROM D_Amval",
             true},
            {[&](const QString& c) {
                 return PickRetiredAsset(*g, c, "D_KenarM", "9999/12/30").shown;
             },
             "DISTINCT DaraCod FROM D_KenarM"},
            {[&](const QString& c) { return PickAssetCondition(c).shown; },
             "VazCod FROM D_VazDarae"},
            {[&](const QString& c) { return PickTaxGroup(c).shown; }, "VezCod FROM D_VezArat"},
            {[&](const QString& c) { return PickRecipient(host().db(), *g, c).shown; },
             "Code FROM Person"},
            {[&](const QString& c) { return PickDeliverySource(*g, c).shown; },
             "MabadiCod FROM D_Mabadi"},
            {[&](const QString& c) { return PickLocation(c).shown; }, "MakanCod FROM D_Makan"},
        };
        QStringList all;
        QString current;
        ShownPickList shown;
        for (const auto& list : lists) {
            all = Column(host().db(), "SELECT " + list.keys + " ORDER BY 1");
            QVERIFY(all.size() >= 3);
            current = all.at(all.size() / 2);
            QVERIFY(ShowPickList(list.builder(PadLeft(current, 6))) != nullptr);
            shown = host().tempGridForm->shown.last();
            QCOMPARE(shown.keys, all);
            QCOMPARE(shown.positionedKey, current);
            QCOMPARE(host().tempGridForm->quTemp->fieldCount(), shown.colCount);
            QCOMPARE(host().tempGridForm->quTemp->findField("Anbashteh") != nullptr,
                     list.accumulated);
            QCOMPARE(host().tempGridForm->List().start.value(0).first, shown.keyField);
            ShowPickList(list.builder("1'; DROP TABLE D_Amval; --"));
            QCOMPARE(host().tempGridForm->shown.last().positionedKey, all.first());
        }
        // The chosen row carries the names the window shows beside the codes; an asset
        // bought in the period (its card without a cost) shows the cost price its
        // purchase gave it.
        const QString from = QStringLiteral(" FROM D_Amval A JOIN Person P ON P.Code = "
                                            "A.PersonelCod JOIN Tafsily2 T ON T.Tafsily2 = "
                                            "A.Tafsily2 ");
        const QString asset = host().scalar(
            "SELECT MIN(A.DaraCod)" + from +
            "WHERE A.EndValue = 0 AND A.DaraCod IN (SELECT DaraCod FROM D_Buy_Create)");
        QVERIFY(!asset.isEmpty());
        host().tempGridForm->choose(asset.trimmed());
        const std::optional<TChosenAsset> chosen = Pick(PickAsset(*g, QString()));
        QVERIFY(chosen.has_value());
        QCOMPARE(chosen->code, asset);
        const auto text = [this](const char* field) {
            return host().tempGridForm->quTemp->fieldByName(field)->asString();
        };
        QCOMPARE(chosen->name + '|' + text("PersonelNam") + '|' + text("NamHesab"),
                 host().scalar("SELECT A.DaraNam || '|' || P.\"Name\" || ' ' || P.Family || '|' "
                               "|| T.NamHesab" +
                               from + "WHERE A.DaraCod = " + SqlQuote(asset)));
        const double price =
            host()
                .scalar("SELECT SUM(EndFee) FROM D_Buy_Create WHERE DaraCod = " + SqlQuote(asset))
                .toDouble();
        QVERIFY(price > 0);
        QCOMPARE(host().tempGridForm->quTemp->fieldByName("EndValue")->asFloat(), price);

        // Recipients: name and accounts of the person.
        const QString code = host().scalar("SELECT Code FROM Person LIMIT 1");
        host().tempGridForm->choose(code.trimmed());
        const std::optional<TChosenCode> person = Pick(PickRecipient(host().db(), *g, code));
        QVERIFY(person.has_value());
        QCOMPARE(person->name + '|' + text("Koll"),
                 host().scalar("SELECT \"Name\" || ' ' || Family || '|' || D_Koll FROM Person "
                               "WHERE Code = " +
                               SqlQuote(code)));

        // An asset list longer than a chunk: every asset in code order, standing on the
        // current one; the purchase's list keeps its exclusions.
        const QString bought = host().scalar("SELECT MIN(SanadNoAmval) FROM D_Buy_Create");
        QVERIFY(!bought.isEmpty());
        // 1500 more assets; every third one without a cost price and put into use late,
        // every seventh of those bought in another purchase voucher.
        host().exec(QStringLiteral(
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 1500) "
            "INSERT INTO D_Amval (DaraCod, DaraNam, EndValue, BahreDate) SELECT "
            "CAST(800000 + i AS VARCHAR(6)), 'bulk', CASE WHEN i % 3 = 0 THEN 0 ELSE 5 END, "
            "'1404/06/01' FROM c"));
        host().exec(QStringLiteral(
            "INSERT INTO D_Buy_Create (SanadNoAmval, Raj, DaraCod) SELECT "
            "'  999999', CAST(DaraCod AS INTEGER) - 800000, DaraCod FROM "
            "D_Amval WHERE DaraNam = 'bulk' AND (CAST(DaraCod AS INTEGER) - 800000) % "
            "21 = 0"));
        all = Column(host().db(), "SELECT DaraCod FROM D_Amval ORDER BY DaraCod");
        QVERIFY(all.size() > DataSet::kDefaultFetchChunk + 500);

        current = all.at(all.size() - 7);
        QVERIFY(Pick(PickAsset(*g, current)).has_value());
        shown = host().tempGridForm->shown.last();
        CommandQuery* list = host().tempGridForm->quTemp;
        QVERIFY(list->chunked());
        QCOMPARE(shown.keys, all);
        QCOMPARE(shown.positionedKey, current);
        QCOMPARE(list->fieldByName("DaraCod")->asString().trimmed(), current);
        QVERIFY(!list->sql().contains(host().global.TempStem));

        // The purchase's list: the same rows the narrowing by NOT IN gave, in order.
        const QString start = QStringLiteral("1404/01/01");
        const QStringList buyable =
            Column(host().db(),
                   "SELECT DaraCod FROM D_Amval WHERE EndValue = 0 AND DaraCod NOT IN (SELECT "
                   "DaraCod FROM D_Buy_Create WHERE SanadNoAmval <> ?) AND BahreDate >= ? ORDER BY "
                   "DaraCod",
                   {bought, start});
        QVERIFY(Pick(PickAssetToBuy(*g, QString(), bought, start)).has_value());
        QCOMPARE(host().tempGridForm->shown.last().keys, buyable);
    }
};

AMVAL_TEST_MAIN(TestVoucherServices)
#include "tst_vouchersvc.moc"
