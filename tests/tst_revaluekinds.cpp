// The method/estimate change and asset reduction windows driven as a user drives
// them: rows typed with keys through the lists, the method switched with Space and
// deciding which of rate and useful life is typed, the start date's Enter, the row
// checks in their order with their messages and columns, rates and amounts typed
// wrong, the reduction's salvage rule and its accounting voucher.

#include "commandquery.h"
#include "daraereduceunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "soulationchangeunit.h"
#include "sqlquote.h"
#include "voucherdriver.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

class TestRevalueKinds : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    // Straight-line assets in use since 1404/06/15, neither sold nor retired; the last
    // is put into use after the voucher's date by the checks.
    QStringList m_assets;
    DemoHost& host() { return *m_host; }

    template <typename Form> std::unique_ptr<Form> open()
    {
        auto form = std::make_unique<Form>();
        form->resize(1400, 700);
        form->show();
        QCoreApplication::processEvents();
        return form;
    }
    // A new voucher of the form's kind dated 1405/08/01, on its first row.
    QString start(const VoucherDriver& d, const QString& table)
    {
        const QString number = host().scalar(
            "SELECT COALESCE(MAX(CAST(SanadNoAmval AS INTEGER)), 0) + 1 FROM " + table);
        d.startVoucher(number, "1405/08/01");
        d.gridKey(Qt::Key_Return);
        return number;
    }
    static void setRow(DataSet* ds, const QVariantMap& values)
    {
        for (auto it = values.begin(); it != values.end(); ++it)
            ds->fieldByName(it.key())->setValue(it.value());
    }
    static QString persianDigits(const QString& text)
    {
        QString out;
        for (const QChar c : text)
            out += c.isDigit() ? QChar(0x06F0 + c.digitValue()) : c;
        return out;
    }
    // The chain 12/1/3003 typed from Koll: Enter in Tafsily, its last level, posts.
    static void typeChain(const VoucherDriver& d)
    {
        QCOMPARE(d.currentColumn(), QStringLiteral("Koll"));
        for (const char* code : {"12", "1", "3003"})
            d.cell(code);
    }
    // The row posted from its last column: refused with `message` (none when empty:
    // the asset list opens instead) and the cursor in `column`.
    void expectRefused(const VoucherDriver& d, TVoucherForm& form, QVariantMap changes,
                       QString message, const QString& column)
    {
        const QString other = host().scalar("SELECT TRIM(MIN(SanadNoAmval)) FROM " +
                                            form.Kind().Table() + " WHERE TRIM(Bargeh) <> ''");
        for (QVariant& value : changes) {
            if (value.toString() == "<its form>")
                value = host().scalar("SELECT TRIM(MIN(Bargeh)) FROM " + form.Kind().Table() +
                                      " WHERE TRIM(SanadNoAmval) = " + SqlQuote(other));
            else if (value.toString() == "<late>")
                value = m_assets.last();
        }
        message.replace("<other>", other).replace("<period start>", host().global.StartDate);
        setRow(form.quAsnad, changes);
        host().tempGridForm->cancel();
        const int lists = host().tempGridForm->shown.size();
        form.dbgAsnad->focusField("Tafsily");
        d.gridKey(Qt::Key_Return);
        QCOMPARE(form.quAsnad->state(), DataSet::State::Insert);
        QCOMPARE(d.lastMessage(), message);
        if (message.isEmpty())
            QCOMPARE(host().tempGridForm->shown.size(), lists + 1);
        QCOMPARE(d.currentColumn(), column);
    }
    static void addCheckColumns()
    {
        QTest::addColumn<QVariantMap>("changes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("column");
    }
    static void check(const char* name, const QVariantMap& changes, const char* message,
                      const char* column)
    {
        QTest::newRow(name) << changes << QString::fromUtf8(message) << column;
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets =
            Column(host().db(), "SELECT TRIM(DaraCod) FROM D_Amval WHERE RaveshEst = 'مستقيم' AND "
                                "BahreDate < '1405/01/01' AND DaraCod NOT IN (SELECT DaraCod FROM "
                                "D_ForoshDaymeh) AND DaraCod NOT IN (SELECT DaraCod FROM D_KenarD) "
                                "ORDER BY DaraCod LIMIT 3");
        QCOMPARE(m_assets.size(), 3);
        host().exec("UPDATE D_Amval SET BahreDate = '1404/06/15' WHERE TRIM(DaraCod) IN (" +
                    SqlQuote(m_assets.at(0)) + ", " + SqlQuote(m_assets.at(1)) + ")");
        host().exec("UPDATE D_Amval SET BahreDate = '1405/09/01' WHERE TRIM(DaraCod) = " +
                    SqlQuote(m_assets.at(2)));
    }
    void cleanup() { m_host.reset(); }

    // ---- method/estimate change

    // The start date's Enter refuses an empty date and one before the date of use;
    // Space switches the method (twice: back, both values 0), the method decides
    // which of rate and useful life takes keys and where Enter goes; a rate typed on
    // a Persian keyboard with a minus and letters keeps its digits and decimal point.
    void methodChangeTypedWithKeysIsStored()
    {
        auto form = open<TSoulationChangeForm>();
        VoucherDriver d(host(), form.get());
        QCOMPARE(form->dbgAsnad->columns().at(form->dbgAsnad->columnOf("NewOmer")).title,
                 QStringLiteral("افزايش عمر مفيد(ماه)"));
        const QString number = start(d, "D_SoulationChange");
        host().tempGridForm->choose(m_assets.at(0));
        d.gridKey(Qt::Key_Return);
        d.cell(QStringLiteral("روش 'جديد'"));
        d.gridKey(Qt::Key_Return);
        QCOMPARE(d.lastMessage(),
                 QStringLiteral("تاريخ شروع تغيير روش/برآورد نمي تواند خالي باشد."));
        d.cell(persianDigits("1404/06/14"));
        QCOMPARE(d.lastMessage(), QStringLiteral("تاريخ شروع تغيير روش/برآورد نمي تواند از "
                                                 "تاريخ بهره برداري کوچکتر باشد"));
        QCOMPARE(d.currentColumn(), QStringLiteral("StartDate"));
        d.cell(persianDigits("1405/08/01"));
        QCOMPARE(d.currentColumn(), QStringLiteral("RaveshEst"));

        DataSet* ds = form->quAsnad;
        const auto values = [ds] {
            return ds->fieldByName("RaveshEst")->asString() + "|" +
                   ds->fieldByName("FeeEst")->asString() + "|" +
                   ds->fieldByName("NewOmer")->asString();
        };
        d.gridKey(Qt::Key_Space);
        QCOMPARE(values(), QStringLiteral("مستقيم|0|"));
        d.gridKey(Qt::Key_Return); // straight line: on to the useful life
        QCOMPARE(d.currentColumn(), QStringLiteral("NewOmer"));
        d.cell("-x36.5");
        QCOMPARE(values(), QStringLiteral("مستقيم|0|365"));
        form->dbgAsnad->focusField("RaveshEst");
        d.gridKey(Qt::Key_Space);
        d.gridKey(Qt::Key_Space);
        d.gridKey(Qt::Key_Space);
        QCOMPARE(values(), QStringLiteral("نزولي|0|0"));
        d.gridKey(Qt::Key_Return);
        QCOMPARE(d.currentColumn(), QStringLiteral("FeeEst"));
        d.cell(QStringLiteral("-۱a۲٫5"));
        QCOMPARE(values(), QStringLiteral("نزولي|12.5|0"));
        QCOMPARE(d.currentColumn(), QStringLiteral("Bargeh")); // the useful life is skipped
        form->dbgAsnad->focusField("NewOmer");
        d.cell("7");
        QCOMPARE(values(), QStringLiteral("نزولي|12.5|0"));
        form->dbgAsnad->focusField("Bargeh");
        d.cell("9701");
        typeChain(d);
        QVERIFY2(host().dlgMsg->shown.size() == 2, qPrintable(d.lastMessage()));
        QCOMPARE(ds->recordCount(), 2);

        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QCOMPARE(host().dlgMsg->shown.size(), 2);
        QCOMPARE(Column(host().db(), "SELECT TRIM(DaraCod) || '|' || StartDate || '|' || "
                                     "RaveshEst || '|' || CAST(FeeEst * 10 AS INTEGER) || '|' || "
                                     "CAST(NewOmer AS INTEGER) || '|' || TRIM(Koll) || TRIM(Moein) "
                                     "|| '|' || CAST(Tafsily AS INTEGER) FROM D_SoulationChange "
                                     "WHERE TRIM(SanadNoAmval) = " +
                                         SqlQuote(number)),
                 QStringList{m_assets.at(0) + QStringLiteral("|1405/08/01|نزولي|125|0|121|3003")});
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '18' AND "
                               "TRIM(Document) = " +
                               SqlQuote(number)),
                 QStringLiteral("0"));
    }

    // <other>, <its form>: a stored method change and its form number; <late>: an
    // asset put into use after the voucher's date.
    void methodChangeChecksInOrder_data()
    {
        addCheckColumns();
        check("no asset", {{"DaraCod", ""}}, "كد دارايي خالي مي باشد.", "DaraCod");
        check("unknown asset: its list opens", {{"DaraCod", "99999"}}, "", "DaraCod");
        check("no start date", {{"StartDate", ""}},
              "تاريخ شروع تغيير روش/برآورد نمي تواند خالي باشد.", "StartDate");
        check("start before the date of use", {{"StartDate", "1404/06/14"}},
              "تاريخ شروع تغيير روش/برآورد نمي تواند از تاريخ بهره برداري <1404/06/15> "
              "کوچکتر باشد",
              "StartDate");
        check("start not a date", {{"StartDate", "1405/07/31"}},
              "تاريخ شروع روش صحيحي وارد نشده است", "StartDate");
        check("start before the period", {{"StartDate", "1404/12/01"}},
              "تاريخ وارد شده كوچكتر از تاريخ ابتداي دوره مالي ميباشد.\n(تاريخ ابتداي "
              "دوره=<period start>)",
              "StartDate");
        check("no method", {{"RaveshEst", " "}}, "روش استهلاك خالي مي باشد.", "RaveshEst");
        check("declining without a rate", {{"RaveshEst", "نزولي"}, {"FeeEst", 0}},
              "نرخ استهلاک صفر مي باشد", "FeeEst");
        check("rate over a hundred", {{"RaveshEst", "نزولي"}, {"FeeEst", 100.5}},
              "نرخ استهلاک بيش از 100 درصد مي باشد", "FeeEst");
        check("negative rate pasted", {{"RaveshEst", "نزولي"}, {"FeeEst", -3}},
              "نرخ استهلاک منفي مي باشد", "FeeEst");
        check("straight line without a useful life", {{"NewOmer", 0}, {"FeeEst", 20}},
              "عمر مفيد جديد صفر مي باشد", "NewOmer");
        check("no form number", {{"Bargeh", ""}}, "شماره برگه تغيير روش/برآورد خالي مي باشد.",
              "Bargeh");
        check("form number of another voucher", {{"Bargeh", "<its form>"}},
              " شماره برگه در سند <other> تكرار شده است. ", "Bargeh");
        check("put into use after the voucher's date",
              {{"DaraCod", "<late>"}, {"StartDate", "1405/09/01"}},
              "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod");
    }
    void methodChangeChecksInOrder()
    {
        QFETCH(QVariantMap, changes);
        QFETCH(QString, message);
        QFETCH(QString, column);
        auto form = open<TSoulationChangeForm>();
        VoucherDriver d(host(), form.get());
        start(d, "D_SoulationChange");
        setRow(form->quAsnad, {{"DaraCod", m_assets.at(0)},
                               {"StartDate", "1405/08/01"},
                               {"RaveshEst", "مستقيم"},
                               {"NewOmer", 48},
                               {"Bargeh", "9701"},
                               {"Koll", "12"},
                               {"Moein", "1"},
                               {"Tafsily", "3003"}});
        expectRefused(d, *form, changes, message, column);
    }

    // ---- asset reduction

    // Rows typed through the lists: amounts on a Persian keyboard, with a minus, a
    // letter and a thousands separator the keys refuse; the counterparty chain's last
    // level posts. An asset that is not depreciated takes salvage 0 and keeps 0
    // whatever was typed. The save stores the rows and issues the accounting voucher.
    void reductionTypedWithKeysIsStoredWithItsVoucher()
    {
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
        const QString other = host().scalar(
            "SELECT TRIM(MIN(DaraCod)) FROM D_Amval WHERE RaveshEst = 'ندارد' AND BahreDate < "
            "'1405/01/01' AND DaraCod NOT IN (SELECT DaraCod FROM D_KenarD) AND DaraCod NOT IN "
            "(SELECT DaraCod FROM D_ForoshDaymeh)");
        QVERIFY(!other.isEmpty());
        host().exec("UPDATE D_Amval SET RaveshEst = 'ندارد' WHERE TRIM(DaraCod) = " +
                    SqlQuote(m_assets.at(1)));
        const QStringList undepreciated{other, m_assets.at(1)};
        auto form = open<TDaraeReduceForm>();
        VoucherDriver d(host(), form.get());
        const QString number = start(d, "D_DaraeReduce");
        const QString rows[][3] = {
            {m_assets.at(0), persianDigits("-1,500") + QChar(0x066B) + "5", "-2,0x0"},
            {undepreciated.at(0), "2499.5", "0"},
            {undepreciated.at(1), "1000", "700"}};
        for (const auto& [asset, reduced, salvage] : rows) {
            host().tempGridForm->choose(asset);
            d.gridKey(Qt::Key_Return);
            d.cell(QStringLiteral("آسيب 'جزئي'"));
            host().tempGridForm->choose("6");
            d.gridKey(Qt::Key_Return);
            QCOMPARE(d.currentColumn(), QStringLiteral("ArzeshReduce"));
            d.cell(reduced);
            d.cell(salvage);
            d.cell("9702");
            typeChain(d);
            QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
            QCOMPARE(d.currentColumn(), QStringLiteral("DaraCod"));
        }
        QCOMPARE(form->EArzeshReduceSum->text(), QStringLiteral("5,000"));
        QCOMPARE(form->EArzeshAsgatSum->text(), QStringLiteral("200"));

        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(
            Column(host().db(), "SELECT TRIM(DaraCod) || '|' || CAST(ArzeshReduce * 10 AS "
                                "INTEGER) || '|' || CAST(ArzeshAsgat AS INTEGER) || '|' || "
                                "TRIM(VazCod) || TRIM(Koll) || TRIM(Moein) FROM D_DaraeReduce "
                                "WHERE TRIM(SanadNoAmval) = " +
                                    SqlQuote(number) + " ORDER BY Raj"),
            QStringList({m_assets.at(0) + "|15005|200|6121", undepreciated.at(0) + "|24995|0|6121",
                         undepreciated.at(1) + "|10000|0|6121"}));
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM Asnad WHERE TypeSys = 'D' AND WhatDoc = '14' "
                               "AND TRIM(Document) = " +
                               SqlQuote(number)),
                 QStringLiteral("1"));
    }

    void reductionChecksInOrder_data()
    {
        addCheckColumns();
        check("no asset", {{"DaraCod", ""}}, "كد دارايي خالي مي باشد.", "DaraCod");
        check("unknown asset", {{"DaraCod", "99999"}}, "كد دارايي وجود ندارد.", "DaraCod");
        check("unknown condition", {{"VazCod", "55"}}, "وضعيت دارايي وجود ندارد.", "VazCod");
        check("nothing reduced", {{"ArzeshReduce", 0}}, "مبلغ ارزش کاهش يافته دارايي صفر مي باشد",
              "ArzeshReduce");
        check("negative reduction pasted", {{"ArzeshReduce", -10}},
              "مبلغ ارزش کاهش يافته دارايي منفي مي باشد", "ArzeshReduce");
        check("depreciated asset without salvage", {{"ArzeshAsgat", 0}},
              "مبلغ ارزش اسقاط دارايي صفر مي باشد", "ArzeshAsgat");
        check("no form number", {{"Bargeh", ""}}, "شماره برگه کاهش دارايي خالي مي باشد.", "Bargeh");
        check("form number of another voucher", {{"Bargeh", "<its form>"}},
              " شماره برگه در سند <other> تكرار شده است. ", "Bargeh");
        check("put into use after the voucher's date", {{"DaraCod", "<late>"}},
              "تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod");
    }
    void reductionChecksInOrder()
    {
        QFETCH(QVariantMap, changes);
        QFETCH(QString, message);
        QFETCH(QString, column);
        auto form = open<TDaraeReduceForm>();
        VoucherDriver d(host(), form.get());
        start(d, "D_DaraeReduce");
        setRow(form->quAsnad, {{"DaraCod", m_assets.at(0)},
                               {"ArzeshReduce", 1000},
                               {"ArzeshAsgat", 10},
                               {"Bargeh", "9702"},
                               {"Koll", "12"},
                               {"Moein", "1"},
                               {"Tafsily", "3003"}});
        expectRefused(d, *form, changes, message, column);
    }
};

QTEST_MAIN(TestRevalueKinds)
#include "tst_revaluekinds.moc"
