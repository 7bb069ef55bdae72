// The voucher services object on the demo company: settings and bounds read at
// construction, voucher numbers and dates, rights letters, the day-book test, the
// asset state guards, form numbers, the instant accounting voucher, and the asset
// and reference pick lists in the host's pick-list window.

#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "demohost.h"
#include "dialect.h"
#include "globalunit.h"
#include "picklist.h"
#include "sqlquote.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

QString Padded(const QString& number)
{
    return PadLeft(number, 8);
}

} // namespace

class TestVoucherServices : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QString m_year;

    DemoHost& host() { return *m_host; }
    std::unique_ptr<TD_Global> services()
    {
        return std::make_unique<TD_Global>(&m_host->global, &m_host->database);
    }
    QString date(const char* monthDay) const { return m_year + QLatin1Char('/') + monthDay; }

    // One voucher row of a voucher table.
    void addRow(const QString& table, const QString& number, int raj, const QString& sDate,
                const QString& asset, const QString& form = QString())
    {
        host().exec(QStringLiteral("INSERT INTO ") + table +
                    QStringLiteral(" (SanadNoAmval, Raj, sDate, DaraCod, Bargeh) VALUES (") +
                    SqlQuote(number) + QStringLiteral(", ") + QString::number(raj) +
                    QStringLiteral(", ") + SqlQuote(sDate) + QStringLiteral(", ") +
                    SqlQuote(asset) + QStringLiteral(", ") + SqlQuote(form) + QLatin1Char(')'));
    }
    void setDayBook(const QString& code, const QString& number, const QString& sanadDate)
    {
        host().exec(QStringLiteral("UPDATE D_Roz SET SanadNoAmval = ") + SqlQuote(number) +
                    QStringLiteral(", SanadDate = ") + SqlQuote(sanadDate) +
                    QStringLiteral(" WHERE UserId = 1 AND WhatDoc = ") + SqlQuote(code));
    }
    // The texts shown so far, after checking that each was an error under the
    // window's own caption; the record is emptied.
    QStringList takeErrors()
    {
        QStringList texts;
        for (const ShownMessage& m : std::as_const(m_host->dlgMsg->shown)) {
            texts << m.text;
            if (m.icon != QStringLiteral("I_Error") || m.title != m_host->dlgMsg->DesignCaption())
                texts << QStringLiteral("(not an error: ") + m.icon + QLatin1Char(')');
        }
        m_host->dlgMsg->shown.clear();
        return texts;
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>(24);
        m_year = m_host->global.FiscalYear;
    }
    void cleanup() { m_host.reset(); }

    void constructionReadsSettingsAndBounds()
    {
        host().exec(QStringLiteral("DELETE FROM D_KenarM"));
        auto g = services();
        const QStringList settings{g->NAMTAFSILY2,    g->NAMPROJECT, g->TYPE_CREATE_NEWAT,
                                   g->TYPESARFASLCOD, g->Ast_Mesure, g->TYPEDARACOD,
                                   g->SANAD_TIME,     g->SANAD_TYPE};
        QCOMPARE(settings.join(QLatin1Char(';')),
                 QStringLiteral("مركز هزينه;پروژه;AUTO;NUM;ماهانه;NUM;END;TAFKIKI"));
        QVERIFY(!g->CompanyStartDate.isEmpty());
        // Keys in any case; a last pair without its ";" runs to the end of the text.
        QCOMPARE(TD_Global::SettingValue(QStringLiteral("a=1;sanad_time=ane"),
                                         QStringLiteral("Sanad_Time")),
                 QStringLiteral("ANE"));
        QCOMPARE(TD_Global::SettingValue(QStringLiteral("A=1;"), QStringLiteral("B")), QString());
        QCOMPARE(g->CompanyStartDate,
                 host().scalar(QStringLiteral("SELECT Company_StartDate FROM Options")));
        QCOMPARE((QList<int>{g->LenCodGrohTafsily, g->LenCodGrohTafsily2, g->LenCodGrohProject}),
                 (QList<int>{2, 2, 3}));

        // The newest depreciation voucher, whatever else Asnad holds; none at all.
        host().exec(QStringLiteral("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc) "
                                   "VALUES (9001, '1500/01/01', 'A', '99'), "
                                   "(9002, '1499/01/01', 'D', '12')"));
        host().exec(QStringLiteral("UPDATE Asnad SET SanadDate = ") + SqlQuote(date("12/20")) +
                    QStringLiteral(" WHERE TypeSys = 'D' AND WhatDoc = '98'"));
        QCOMPARE(services()->LastDepreciationDate, date("12/20"));
        host().exec(QStringLiteral("DELETE FROM Asnad WHERE WhatDoc IN ('98', '99')"));
        QCOMPARE(services()->LastDepreciationDate, QStringLiteral("1300/00/00"));

        QCOMPARE(TD_Global::BoundTables()[2], QStringLiteral("D_Buy_Create"));
        const TTableBounds& buy = g->TableBounds[2];
        QCOMPARE(buy.Kind + QString::number(buy.Size), QStringLiteral("SANADDATE12"));
        QCOMPARE(buy.MinDate + buy.MaxNo,
                 host().scalar(QStringLiteral("SELECT MIN(sDate) || MAX(SanadNoAmval) FROM "
                                              "D_Buy_Create")));
        QVERIFY(buy.MinDate < buy.MaxDate && buy.MinNo < buy.MaxNo);
        // An empty voucher table: the year's first day to today, numbers 1.
        QCOMPARE(TD_Global::BoundTables()[5], QStringLiteral("D_KenarM"));
        const TTableBounds& empty = g->TableBounds[5];
        QCOMPARE((QStringList{empty.MinDate, empty.MaxDate, empty.MinNo, empty.MaxNo}),
                 (QStringList{date("01/01"), host().global.Today, "1", "1"}));
    }

    void numbersAndDates()
    {
        const QString table = QStringLiteral("D_DaraeReduce");
        host().exec(QStringLiteral("DELETE FROM D_DaraeReduce"));
        auto g = services();
        QLineEdit last, first, year, month, day;
        // The date returned and the edits, as one text.
        const auto shown = [&](const QString& number) {
            const QString d =
                g->ShowNumberBounds(table, number, &last, &first, &year, &month, &day);
            return QStringList{d, year.text(), month.text(), day.text(), first.text(), last.text()}
                .join(QLatin1Char(' '));
        };
        const auto expected = [](const QString& d, const char* firstLast) {
            return QStringList{d, d.left(4), d.mid(5, 2), d.mid(8, 2)}.join(QLatin1Char(' ')) +
                   QLatin1Char(' ') + firstLast;
        };

        // Nothing stored: number 1, today kept inside the fiscal period.
        QCOMPARE(g->NextVoucherNumber(table), QStringLiteral("1"));
        QCOMPARE(shown(Padded("1")), expected(host().global.Today, "0 0"));
        host().global.Today = QString::number(m_year.toInt() - 1) + QStringLiteral("/11/05");
        QCOMPARE(shown(Padded("1")), expected(host().global.StartDate, "0 0"));
        host().global.Today = QString::number(m_year.toInt() + 1) + QStringLiteral("/02/05");
        QCOMPARE(shown(Padded("1")), expected(host().global.EndDate, "0 0"));
        QCOMPARE(
            g->ShowNumberBounds(table, Padded("1"), nullptr, nullptr, nullptr, nullptr, nullptr),
            host().global.EndDate);

        // Numbers 3, 12 and 9: as padded texts 12 is the highest, as bare ones not.
        addRow(table, Padded("3"), 1, date("02/03"), PadLeft("1", 6));
        addRow(table, Padded("3"), 2, date("02/03"), PadLeft("2", 6));
        addRow(table, Padded("12"), 1, date("04/17"), PadLeft("1", 6));
        addRow(table, Padded("9"), 1, date("05/30"), PadLeft("3", 6));
        QCOMPARE(g->NextVoucherNumber(table), QStringLiteral("13"));
        QCOMPARE(shown(Padded("3")), expected(date("02/03"), "3 12"));
        // A typed number without its blanks is the same voucher; an unknown number
        // shows the date of the highest-numbered one.
        QCOMPARE(shown(QStringLiteral("9")), expected(date("05/30"), "3 12"));
        QCOMPARE(shown(Padded("40")), expected(date("04/17"), "3 12"));
    }

    void rightsLetters()
    {
        auto g = services();
        const QList<std::pair<const char*, const char*>> rights{
            {"SABT", "Y"}, {"EDIT", "N"}, {"DEL", "Y"}, {"VIEW", "Y"}};
        for (const auto& [word, value] : rights)
            host().exec(QStringLiteral("INSERT INTO UserSdcDetail (StrId, Parent, \"1\") VALUES "
                                       "('D_A_TESTKIND_%1', 'D_A_TESTKIND', '%2')")
                            .arg(word, value));
        QCOMPARE(g->VoucherRights(QStringLiteral("D_A_TESTKIND_")), QStringLiteral("N_D_V_"));

        // The demo's users: all four rights, the clerk's new and view on purchases,
        // the auditor's view only, and a user without a rights column.
        const auto of = [&](int user, const char* prefix) {
            host().global.UserID = user;
            return g->VoucherRights(QString::fromLatin1(prefix));
        };
        QCOMPARE(of(1, "D_A_BUYCREATE_"), QStringLiteral("N_E_D_V_"));
        QCOMPARE(of(2, "D_A_BUYCREATE_"), QStringLiteral("N_V_"));
        QCOMPARE(of(3, "D_A_BUYCREATE_"), QStringLiteral("V_"));
        QCOMPARE(of(77, "D_A_BUYCREATE_"), QString());
        QCOMPARE(of(1, "D_A_'X_"), QString());
    }

    void dayBookTest()
    {
        auto g = services();
        const QString code = QStringLiteral("12");
        const auto allows = [&](bool show, const char* number, const char* monthDay) {
            return g->DayBookAllows(show, nullptr, Padded(QString::fromLatin1(number)),
                                    date(monthDay), code);
        };
        const QString done = QStringLiteral(" به روزآوري شده است");

        // Posted up to voucher 10 and the second month: refused by number, then by
        // date, allowed after both; with the flag clear, refused silently.
        setDayBook(code, Padded("10"), date("02/01"));
        QVERIFY(!allows(true, "10", "03/01"));
        QVERIFY(!allows(true, "11", "01/15"));
        QVERIFY(allows(true, "11", "02/01"));
        QVERIFY(!allows(false, "9", "06/01"));
        const QString both = QStringLiteral("تا مدرک 10 و تاريخ ") + date("02/01") + done;
        QCOMPARE(takeErrors(), (QStringList{both, both}));

        // The date of the grid's current row counts over the date given.
        DataSet grid(&host().db());
        grid.open(QStringLiteral("SELECT ") + SqlQuote(date("01/20")) +
                  QStringLiteral(" AS sDate UNION ALL SELECT ") + SqlQuote(date("05/20")));
        QVERIFY(!g->DayBookAllows(false, &grid, Padded("11"), date("05/01"), code));
        grid.last();
        QVERIFY(g->DayBookAllows(false, &grid, Padded("11"), date("01/01"), code));

        // Nothing posted by number: the posted day itself is covered too.
        setDayBook(code, QString(), date("02/01"));
        QVERIFY(!allows(true, "1", "02/01"));
        QVERIFY(allows(true, "1", "02/02"));
        QCOMPARE(takeErrors(),
                 QStringList{QStringLiteral(" مدرک تا تاريخ ") + date("02/01") + done});

        // An empty date ("/  /") with a number: only the number counts.
        setDayBook(code, Padded("10"), QStringLiteral("/  /"));
        QVERIFY(!allows(true, "7", "12/01"));
        QVERIFY(allows(true, "11", "01/01"));
        QCOMPARE(takeErrors(), QStringList{QStringLiteral("تا مدرک 10") + done});

        // Nothing posted, no day-book row, or another user's day-book.
        setDayBook(code, QString(), QStringLiteral("/  /"));
        QVERIFY(allows(true, "1", "01/01"));
        host().exec(QStringLiteral("DELETE FROM D_Roz WHERE WhatDoc = '12'"));
        QVERIFY(allows(true, "1", "01/01"));
        setDayBook(QStringLiteral("13"), Padded("50"), date("12/01"));
        host().global.UserID = 2;
        QVERIFY(g->DayBookAllows(true, nullptr, Padded("3"), date("02/01"), QStringLiteral("13")));
        QCOMPARE(takeErrors(), QStringList());
    }

    void assetStateGuard()
    {
        host().exec(QStringLiteral("DELETE FROM D_ForoshDaymeh"));
        host().exec(QStringLiteral("DELETE FROM D_KenarD"));
        const QString asset = PadLeft(QStringLiteral("41"), 6);
        addRow(QStringLiteral("D_ForoshDaymeh"), Padded("5"), 1, date("03/01"), asset);
        addRow(QStringLiteral("D_ForoshDaymeh"), Padded("5"), 2, date("03/01"), PadLeft("42", 6));
        auto g = services();
        const auto guard = [&](const QString& code, const QString& number, const char* monthDay) {
            return g->AssetStateGuard(nullptr, code, number, date(monthDay));
        };
        const QString sold = QStringLiteral("دارايي در تاريخ ") + date("03/01") +
                             QStringLiteral(" به فروش رسيده شده است");

        // Sold in voucher 5: usable before the sale, refused from its day on; the
        // sale voucher itself passes however its number and the code are padded.
        QCOMPARE(guard(asset, Padded("7"), "02/30"), QString());
        QCOMPARE(guard(asset, Padded("7"), "03/01"), QStringLiteral("DaraCod"));
        QCOMPARE(guard(asset, Padded("7"), "09/11"), QStringLiteral("DaraCod"));
        QCOMPARE(guard(asset, Padded("5"), "03/01"), QString());
        QCOMPARE(guard(QStringLiteral("41"), QStringLiteral("5"), "03/01"), QString());
        QCOMPARE(takeErrors(), (QStringList{sold, sold}));

        // Also retired before the sale: the retirement until the sale, then the sale.
        addRow(QStringLiteral("D_KenarD"), Padded("2"), 1, date("02/10"), asset);
        QCOMPARE(guard(asset, Padded("7"), "02/20"), QStringLiteral("DaraCod"));
        QCOMPARE(guard(asset, Padded("7"), "04/01"), QStringLiteral("DaraCod"));
        QCOMPARE(takeErrors(), (QStringList{QStringLiteral("دارايي در تاريخ ") + date("02/10") +
                                                QStringLiteral(" کنارگذاري دايمي شده است"),
                                            sold}));
        QCOMPARE(guard(PadLeft("43", 6), Padded("7"), "12/01"), QString());
        QCOMPARE(g->FirstRetirementDate(nullptr, asset, Padded("2"), date("12/01")), QString());

        // A quote in a code is a value like any other; the caller's query runs it.
        DataSet query;
        QCOMPARE(g->AssetStateGuard(&query, QStringLiteral("4'1"), Padded("7"), date("12/01")),
                 QString());
        QVERIFY(query.active());
    }

    void formNumbers()
    {
        auto g = services();
        const QString table = QStringLiteral("D_Buy_Create");
        host().exec(QStringLiteral("DELETE FROM D_Buy_Create"));
        addRow(table, Padded("20"), 1, date("03/01"), PadLeft("1", 6), QStringLiteral("Q7   "));
        addRow(table, Padded("20"), 2, date("03/01"), PadLeft("2", 6), QStringLiteral("Q7   "));
        addRow(table, Padded("21"), 1, date("03/02"), PadLeft("3", 6), QStringLiteral("Q8"));
        addRow(table, Padded("22"), 1, date("03/03"), PadLeft("4", 6), QStringLiteral("   Q9"));
        const auto found = [&](const QString& number, const char* form) {
            return g->FindFormNumber(nullptr, table, number, QString::fromUtf8(form), 8, 5);
        };
        // Another voucher's form number, whichever way it was stored and typed.
        QCOMPARE(found(QStringLiteral("30"), "Q7"), Padded("20"));
        QCOMPARE(found(Padded("30"), " Q8 "), Padded("21"));
        QCOMPARE(found(QStringLiteral("30"), "Q9"), Padded("22"));
        // The voucher's own form number, an unused one, a quote.
        QCOMPARE(found(QStringLiteral("20"), "Q7"), QString());
        QCOMPARE(found(QStringLiteral("30"), "Q6"), QString());
        QCOMPARE(found(QStringLiteral("30"), "Q'7"), QString());
    }

    void instantVoucher()
    {
        auto g = services();
        const QString trans = QStringLiteral("##TSTTRANS");
        host().exec(host().db().dialect().createTempTable(trans) +
                    QStringLiteral(" (DaraCod VARCHAR(6))"));
        host().exec(QStringLiteral("INSERT INTO \"##TSTTRANS\" VALUES ('    61'), ('   117'), "
                                   "('    61')"));
        const auto issued = [this](const char* code, const char* number) {
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
        QCOMPARE(g->SANAD_TIME, QStringLiteral("END"));
        g->IssueInstantVoucher(QStringLiteral("12"), trans, Padded("901"), date("03/05"));
        QCOMPARE(issued("12", "901"), QStringLiteral("0"));
        QCOMPARE(g->AccountingVoucherNo(nullptr, QStringLiteral("12"), Padded("901")), QString());
        QCOMPARE(dayBook("12"), Padded("901") + QLatin1Char('|') + date("03/05"));

        // At once: the accounting voucher is issued and found again.
        g->SANAD_TIME = QStringLiteral("ANE");
        g->IssueInstantVoucher(QStringLiteral("12"), trans, Padded("902"), date("03/06"));
        QCOMPARE(issued("12", "902"), QStringLiteral("1"));
        DataSet query;
        const QString no = g->AccountingVoucherNo(&query, QStringLiteral("12"), Padded("902"));
        QCOMPARE(host().scalar(QStringLiteral("SELECT SanadDate FROM Asnad WHERE SanadNo = ") +
                               SqlQuote(no)),
                 date("03/06"));
        QCOMPARE(g->AccountingVoucherNo(&query, QStringLiteral("12"), QStringLiteral("902")), no);
        QCOMPARE(g->AccountingVoucherNo(&query, QStringLiteral("10"), Padded("902")), QString());
        QCOMPARE(dayBook("12"), Padded("902") + QLatin1Char('|') + date("03/06"));

        // A sale or a permanent retirement: the assets to look at, no voucher.
        g->IssueInstantVoucher(QStringLiteral("13"), trans, Padded("903"), date("03/07"));
        g->IssueInstantVoucher(QStringLiteral("16"), trans, Padded("904"), date("03/08"));
        QCOMPARE(issued("13", "903") + issued("16", "904"), QStringLiteral("00"));
        QCOMPARE(dayBook("13"), Padded("903") + QLatin1Char('|') + date("03/07"));
        const QStringList shown = takeErrors();
        QCOMPARE(shown.size(), 2);
        QStringList lines = shown.at(0).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QStringList assets = lines.takeAt(2).split(QStringLiteral(", "));
        assets.sort();
        QCOMPARE(assets, (QStringList{"117", "61"}));
        QCOMPARE(lines,
                 (QStringList{"سند حسابداري لحظه ايي براي فروش دارايي نميتواند صادر شود. ",
                              "براي اين منظور ابتدا گزارش كارت دارايي را براي داراييهاي ",
                              "ببينيد و بعد از طريق گزينه <صدور سند حسابداري> كه در قسمت ساير "
                              "عمليات قرار دارد, سند حسابداري را صادر كنيد."}));
        QVERIFY(shown.at(1).startsWith(
            QStringLiteral("سند حسابداري لحظه ايي براي كنارگذار دايمي نميتواند صادر شود. \n")));
    }

    void rowPosition()
    {
        QLineEdit current, count;
        DataSet grid(&host().db());
        const auto position = [&](DataSet* ds) {
            TD_Global::ShowRowPosition(ds, &current, &count);
            return current.text() + QLatin1Char('/') + count.text();
        };
        QCOMPARE(position(nullptr), QStringLiteral("0/0"));
        grid.open(QStringLiteral("SELECT * FROM D_Makan WHERE MakanCod = 'none'"));
        QCOMPARE(position(&grid), QStringLiteral("0/0"));
        grid.open(QStringLiteral("SELECT * FROM D_Makan ORDER BY MakanCod LIMIT 3"));
        grid.setCurrentRow(1);
        QCOMPARE(position(&grid), QStringLiteral("2/3"));
        // A row being inserted stands at the end of the count.
        grid.first();
        grid.insert();
        const QString end = QString::number(grid.recordCount());
        QCOMPARE(position(&grid), end + QLatin1Char('/') + end);
        grid.cancel();
    }

    void pickLists_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("keySql");
        QTest::addColumn<QString>("titles");
        QTest::addColumn<QList<int>>("widths");
        // Titles separated by "|"; T2 and PR stand for the company's own titles.
        QTest::newRow("asset")
            << 0 << "انتخاب نام دارايي"
            << "SELECT DaraCod FROM D_Amval ORDER BY DaraCod"
            << "دارايي|نام دارايي|اظهارنامه مالياتي|نام ماده|روش استهلاک|نزولي|ساليانه|"
               "تاريخ بهره برداري|بهاي تمام شده|استهلاک انباشته|ارزش اسقاط|مکان|تحويل گيرنده|"
               "وضعيت|T2"
            << QList<int>{70, 250, 95, 200, 85, 40, 50, 95, 90, 100, 90, 200, 200, 50, 200};
        QTest::newRow("condition") << 1 << "انتخاب وضعيت دارايي"
                                   << "SELECT VazCod FROM D_VazDarae ORDER BY VazCod"
                                   << "كد|وضعيت دارايي" << QList<int>{30, 430};
        QTest::newRow("tax group") << 2 << "انتخاب اظهارنامه مالياتي"
                                   << "SELECT VezCod FROM D_VezArat ORDER BY VezCod"
                                   << "كد|گروه اظهارنامه مالياتي" << QList<int>{30, 430};
        QTest::newRow("recipient") << 3 << "انتخاب تحويل گيرنده دارايي"
                                   << "SELECT Code FROM Person ORDER BY Code"
                                   << "تحويل گيرنده|نام تحويل گيرنده|کل|معين|تفصيلي|T2|PR"
                                   << QList<int>{75, 200, 30, 35, 55, 65, 65};
        QTest::newRow("delivery source")
            << 4 << "انتخاب مبادي دارايي"
            << "SELECT MabadiCod FROM D_Mabadi ORDER BY MabadiCod"
            << "مبادي|نام مبادي|کل|معين|تفصيلي|T2|PR" << QList<int>{40, 230, 30, 35, 55, 65, 60};
        QTest::newRow("location") << 5 << "انتخاب مکان دارايي"
                                  << "SELECT MakanCod FROM D_Makan ORDER BY MakanCod"
                                  << "كد|نام مکان" << QList<int>{60, 400};
    }
    void pickLists()
    {
        QFETCH(int, list);
        QFETCH(QString, caption);
        QFETCH(QString, keySql);
        QFETCH(QString, titles);
        QFETCH(QList<int>, widths);
        auto g = services();
        g->NAMTAFSILY2 = QStringLiteral("مركز");
        g->NAMPROJECT = QStringLiteral("طرح");
        titles.replace(QStringLiteral("T2"), g->NAMTAFSILY2);
        titles.replace(QStringLiteral("PR"), g->NAMPROJECT);
        const std::function<QString(const QString&)> builders[] = {
            [&](const QString& c) { return PickAsset(g.get(), c); },
            [](const QString& c) { return PickAssetCondition(c); },
            [](const QString& c) { return PickTaxGroup(c); },
            [&](const QString& c) { return PickRecipient(g.get(), c); },
            [&](const QString& c) { return PickDeliverySource(g.get(), c); },
            [](const QString& c) { return PickLocation(c); },
        };
        const auto& build = builders[list];
        QStringList keys;
        for (QSqlQuery q = host().db().select(keySql); q.next();)
            keys << q.value(0).toString().trimmed();
        QVERIFY(keys.size() >= 3);

        // Every row of the table, standing on the row's current code; the chosen
        // row is where quTemp stands.
        const QString current = keys.at(keys.size() / 2);
        host().tempGridForm->choose(keys.at(1));
        QCOMPARE(ShowPickList(build(PadLeft(current, 6))), 1);
        const ShownPickList shown = host().tempGridForm->shown.last();
        QCOMPARE(shown.caption, caption);
        QCOMPARE(shown.colCount, widths.size());
        QCOMPARE(shown.titles, titles.split(QLatin1Char('|')));
        QCOMPARE(shown.widths, widths);
        QCOMPARE(shown.keys, keys);
        QCOMPARE(shown.positionedKey, current);
        QCOMPARE(host().tempGridForm->LocateFields[0], shown.keyField);
        CommandQuery* quTemp = host().tempGridForm->quTemp;
        QCOMPARE(quTemp->fieldByName(shown.keyField)->asString().trimmed(), keys.at(1));

        // A quote in the current code: the first row; leaving is not a choice.
        host().tempGridForm->cancel();
        QCOMPARE(ShowPickList(build(QStringLiteral("1'; DROP TABLE D_Amval; --"))), 2);
        QCOMPARE(host().tempGridForm->shown.last().positionedKey, keys.first());
        QCOMPARE(host().tempGridForm->shown.last().keys, keys);
    }

    void pickListRowsCarryNames()
    {
        auto g = services();
        // An asset with a recipient and a cost centre, and the names the list shows.
        const QString asset = host().scalar(QStringLiteral(
            "SELECT A.DaraCod FROM D_Amval A JOIN Person P ON P.Code = A.PersonelCod "
            "JOIN Tafsily2 T ON T.Tafsily2 = A.Tafsily2 ORDER BY A.DaraCod LIMIT 1"));
        QVERIFY(!asset.isEmpty());
        const QString names = host().scalar(
            QStringLiteral("SELECT A.DaraNam || '|' || P.\"Name\" || ' ' || P.Family || '|' || "
                           "T.NamHesab FROM D_Amval A JOIN Person P ON P.Code = A.PersonelCod "
                           "JOIN Tafsily2 T ON T.Tafsily2 = A.Tafsily2 WHERE A.DaraCod = ") +
            SqlQuote(asset));
        host().tempGridForm->choose(asset.trimmed());
        QCOMPARE(ShowPickList(PickAsset(g.get(), QString())), 1);
        CommandQuery* quTemp = host().tempGridForm->quTemp;
        const auto text = [quTemp](const char* field) {
            return quTemp->fieldByName(QString::fromLatin1(field))->asString();
        };
        QCOMPARE(text("DaraNam") + '|' + text("PersonelNam") + '|' + text("NamHesab"), names);

        // Recipients: name and accounts of the person.
        const QString code = host().scalar(QStringLiteral("SELECT Code FROM Person LIMIT 1"));
        host().tempGridForm->choose(code.trimmed());
        QCOMPARE(ShowPickList(PickRecipient(g.get(), code)), 1);
        QCOMPARE(text("PersonelNam") + '|' + text("Koll"),
                 host().scalar(QStringLiteral("SELECT \"Name\" || ' ' || Family || '|' || D_Koll "
                                              "FROM Person WHERE Code = ") +
                               SqlQuote(code)));
    }
};

QTEST_MAIN(TestVoucherServices)
#include "tst_vouchersvc.moc"
