// The method/estimate change and asset reduction windows driven as a user drives
// them: rows typed with keys through the lists, the method switched with Space and
// deciding which of rate and useful life is typed, the start date's Enter, the row
// checks in their order with their messages and columns, rates and amounts typed
// wrong, the reduction's salvage rule and its accounting voucher.

#include "d_globalunit.h"
#include "daraereduceunit.h"
#include "soulationchangeunit.h"
#include "testmain.h"
#include "voucherdriver.h"

#include <QLabel>

class TestRevalueKinds : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    // Straight-line assets in use before the year (the first since 06/15 of the year
    // before), neither sold nor retired.
    QStringList m_assets;
    DemoHost& host() { return *m_host; }

    template <typename Form> std::unique_ptr<Form> open() { return OpenForm<Form>(1400); }
    // The method change (or the reduction) on a new voucher dated 08/01, its first row
    // right but for the chain and the form number.
    std::unique_ptr<TVoucherForm> started(bool method)
    {
        std::unique_ptr<TVoucherForm> form =
            method ? std::unique_ptr<TVoucherForm>(open<TSoulationChangeForm>())
                   : open<TDaraeReduceForm>();
        VoucherDriver(host(), form.get()).newVoucher(Day("08/01"));
        SetRow(form->quAsnad, method ? QVariantMap{{"DaraCod", m_assets.at(0)},
                                                   {"StartDate", Day("08/01")},
                                                   {"RaveshEst", "مستقيم"},
                                                   {"NewOmer", 48}}
                                     : QVariantMap{{"DaraCod", m_assets.at(0)},
                                                   {"ArzeshReduce", 1000},
                                                   {"ArzeshAsgat", 10}});
        return form;
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = AssetsInUse(host(), 3, "RaveshEst = 'مستقيم'");
        QCOMPARE(m_assets.size(), 3);
        host().exec("UPDATE D_Amval SET BahreDate = ? WHERE TRIM(DaraCod) = ?",
                    {Day("06/15", -1), m_assets.at(0)});
    }
    void cleanup() { m_host.reset(); }

    // ---- method/estimate change

    // The start date's Enter refuses an empty date and one before the date of use,
    // and takes the date of use itself, though it lies before the fiscal period, as
    // the row's checks then do;
    // Space switches the method (twice: back, both values 0), the method decides
    // which of rate and useful life takes keys and where Enter goes; a rate typed on
    // a Persian keyboard with a minus and letters keeps its digits and decimal point.
    void methodChangeTypedWithKeysIsStored()
    {
        auto form = open<TSoulationChangeForm>();
        VoucherDriver d(host(), form.get());
        const QString number = d.newVoucher(Day("08/01"));
        d.keys({"@" + m_assets.at(0), "روش 'جديد'", "",
                "?تاريخ شروع تغيير روش/برآورد نمي تواند خالي باشد.",
                PersianDigits(Day("06/14", -1)),
                "?تاريخ شروع تغيير روش/برآورد نمي تواند از تاريخ بهره برداري کوچکتر باشد",
                ">StartDate", PersianDigits(Day("06/15", -1)), ">RaveshEst"});
        d.gridKey(Qt::Key_Space);
        // Straight line: on to the useful life.
        d.keys({"=RaveshEst=مستقيم", "=FeeEst=0", "=NewOmer=", "", ">NewOmer", "36", "^RaveshEst"});
        for (int press = 0; press < 3; ++press)
            d.gridKey(Qt::Key_Space);
        // Declining: the useful life is skipped and takes no keys. 81/1 uses the second
        // detail level alone: Enter steps over the first.
        d.keys({"=RaveshEst=نزولي", "=FeeEst=0", "=NewOmer=0", "", ">FeeEst", "-۱a۲٫5",
                "=FeeEst=12.5", ">Bargeh", "^NewOmer", "7", "=NewOmer=0", "^Bargeh", "9701", "81",
                "1", ">Tafsily2", "01001"});
        QCOMPARE(host().dlgMsg->shown.size(), 2);
        QCOMPARE(form->quAsnad->recordCount(), 2);

        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QCOMPARE(host().dlgMsg->shown.size(), 2);
        QCOMPARE(d.rows(number, "TRIM(DaraCod) || '|' || StartDate || '|' || RaveshEst || '|' || "
                                "CAST(FeeEst * 10 AS INTEGER) || '|' || CAST(NewOmer AS INTEGER) "
                                "|| '|' || TRIM(Koll) || TRIM(Moein) || '|' || TRIM(Tafsily) || "
                                "'|' || Tafsily2"),
                 QStringList{m_assets.at(0) + "|" + Day("06/15", -1) + "|نزولي|125|0|811||01001"});
    }

    // ---- asset reduction

    // Rows typed through the lists: amounts on a Persian keyboard, with a minus, a
    // letter and a thousands separator the keys refuse; the counterparty chain's last
    // level posts. The cells show the amounts with their decimals, as the totals do,
    // and the cell's editor the value as stored. An asset that is not depreciated
    // takes salvage 0 and keeps 0 whatever was typed. The save stores the rows and
    // issues the accounting voucher.
    void reductionTypedWithKeysIsStoredWithItsVoucher()
    {
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
        host().exec("UPDATE D_Amval SET RaveshEst = 'ندارد' WHERE TRIM(DaraCod) IN (" +
                    SqlQuote(m_assets.at(1)) + ", " + SqlQuote(m_assets.at(2)) + ")");
        auto form = open<TDaraeReduceForm>();
        VoucherDriver d(host(), form.get());
        const QString number = d.newVoucher(Day("08/01"));
        const QString rows[][3] = {{m_assets.at(0), "-۱,۵۰۰٫۵", "-2,0x0"},
                                   {m_assets.at(1), "2499.5", "0"},
                                   {m_assets.at(2), "۵۰۰۰۰۰۰۰٫۵", "700"}};
        for (const auto& [asset, reduced, salvage] :
             rows) // Enter in Tafsily, its last level, posts
            d.keys({"@" + asset, "آسيب 'جزئي'", "@6", ">ArzeshReduce", reduced, salvage, "9702",
                    ">Koll", "12", "1", "3003", ">DaraCod", "?"});
        d.keys({"#EArzeshReduceSum=50,004,000.5", "#EArzeshAsgatSum=200"});
        const auto shown = [&form](int row) {
            return form->dbgAsnad->model()
                ->index(row, form->dbgAsnad->columnOf("ArzeshReduce"))
                .data()
                .toString();
        };
        QCOMPARE((QStringList{shown(0), shown(1), shown(2)}),
                 (QStringList{"1,500.5", "2,499.5", "50,000,000.5"}));
        form->quAsnad->setCurrentRow(2);
        form->dbgAsnad->focusField("ArzeshReduce");
        form->dbgAsnad->editCurrentCell();
        QVERIFY(form->dbgAsnad->cellEditor() != nullptr);
        QCOMPARE(form->dbgAsnad->cellEditor()->text(), "50000000.5");
        d.gridKey(Qt::Key_Escape);
        // In front of the second row, the first row's asset again: the table's key
        // refuses it, and the rows after it keep their numbers.
        const QString order = "SELECT Raj || TRIM(DaraCod) FROM " +
                              SqlIdent(form->TransTableName()) + " ORDER BY Raj";
        const QStringList before = Column(host().db(), order);
        form->quAsnad->setCurrentRow(1);
        d.gridKey(Qt::Key_Insert);
        d.keys({">DaraCod", "@" + m_assets.at(0), "", "@6", "۱۰۰", "۵", "9703", "12", "1", "3003"});
        QCOMPARE(d.refusal(), (QStringList{"كد دارايي تكراري مي باشد.", "DaraCod"}));
        d.gridKey(Qt::Key_Escape);
        QCOMPARE(form->quAsnad->state(), DataSet::State::Browse);
        QCOMPARE(Column(host().db(), order), before);

        QVERIFY2(d.save(), qPrintable(d.lastMessage()));
        QCOMPARE(d.rows(number, "TRIM(DaraCod) || '|' || CAST(ArzeshReduce * 10 AS INTEGER) || "
                                "'|' || CAST(ArzeshAsgat AS INTEGER) || '|' || TRIM(VazCod) || "
                                "TRIM(Koll) || TRIM(Moein)"),
                 QStringList({m_assets.at(0) + "|15005|200|6121", m_assets.at(1) + "|24995|0|6121",
                              m_assets.at(2) + "|500000005|0|6121"}));
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM Asnad WHERE TypeSys = 'D' AND WhatDoc = '14' "
                               "AND TRIM(Document) = " +
                               SqlQuote(number)),
                 "1");
    }

    // ---- each kind's own checks

    // On a row right but for its changes, of the method change or the reduction (the
    // row's name says which): the message (none: the asset list opens instead) and the
    // column the cursor goes to.
    void rowChecks_data()
    {
        RowChecksColumns();
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
        RowCheck("method: start on the date of use, before the period",
                 {{"StartDate", Day("06/15", -1)}}, "", "");
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
    }
    void rowChecks()
    {
        const auto form = started(QByteArray(QTest::currentDataTag()).startsWith("method"));
        SetRow(form->quAsnad,
               {{"Bargeh", "9701"}, {"Koll", "12"}, {"Moein", "1"}, {"Tafsily", "3003"}});
        VoucherDriver(host(), form.get()).expectRow();
    }

    // The chain typed on a Persian keyboard down to the cost centre, its last level:
    // Enter there checks the row, and the row refused (no form number) names the
    // cost centre below the grid, as it named the levels above it.
    void theLastLevelNamesItselfWhenTheRowIsRefused_data()
    {
        QTest::addColumn<bool>("method");
        QTest::addColumn<QString>("message");
        QTest::newRow("method change") << true << "شماره برگه تغيير روش/برآورد خالي مي باشد.";
        QTest::newRow("reduction") << false << "شماره برگه کاهش دارايي خالي مي باشد.";
    }
    void theLastLevelNamesItselfWhenTheRowIsRefused()
    {
        QFETCH(bool, method);
        QFETCH(QString, message);
        const auto form = started(method);
        VoucherDriver d(host(), form.get());
        form->dbgAsnad->focusField("Koll");
        d.keys({"۸۱", "۱", ">Tafsily2", "۰۱۰۰۱"});
        QCOMPARE(d.refusal(), (QStringList{message, "Bargeh"}));
        QCOMPARE(form->EKollNam->text(),
                 host().scalar("SELECT NamHesab FROM Koll WHERE Koll = ' 81'"));
        QCOMPARE(form->ETafsily2Nam->text(),
                 host().scalar("SELECT NamHesab FROM Tafsily2 WHERE Tafsily2 = '01001'"));
        QVERIFY(!form->ETafsily2Nam->text().isEmpty());
        // The reduction's footer names the second detail and project levels as its
        // columns do: by the company's names for them.
        if (const auto* reduction = qobject_cast<TDaraeReduceForm*>(form.get())) {
            const auto title = [&](const char* field) {
                return form->dbgAsnad->columns().at(form->dbgAsnad->columnOf(field)).title;
            };
            QCOMPARE(title("Tafsily2"), form->DGlobal()->NAMTAFSILY2);
            QCOMPARE(reduction->LTafsily2->text(), title("Tafsily2"));
            QCOMPARE(reduction->LProject->text(), title("ProjectCod"));
        }
    }
};

AMVAL_TEST_MAIN(TestRevalueKinds)
#include "tst_revaluekinds.moc"
