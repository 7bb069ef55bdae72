// The receive/pay order window typed with keys on the demo company's warehouse
// documents: ticks under several kinds written by one confirmation, each kind's
// order kind and codes without blanks, confirming again and a second clerk who
// ticked the same documents, and the order date typed only on documents not ordered.

#include "installhost.h"
#include "ncommandunit.h"
#include "reportgrid.h"
#include "testmain.h"
#include "voucherdriver.h"

#include <QCheckBox>

namespace {

const QString kTick = QStringLiteral("ض");

// A clerk at the order window: the host, the window, and the keys the clerk presses.
struct Clerk
{
    DemoHost* host;
    std::unique_ptr<TNCommandForm> form;

    explicit Clerk(DemoHost& h) : host(&h)
    {
        InstallHost(h);
        form = OpenForm<TNCommandForm>();
        activate();
    }
    // The clerk's window has the focus (the module's host context is this clerk's).
    void activate() const
    {
        InstallHost(*host);
        QApplication::setActiveWindow(form.get());
        form->dbgCommand->setFocus();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) const
    {
        QTest::keyClick(KeyTarget(form->dbgCommand), k, m);
    }
    void type(const QString& text) const
    {
        for (const QChar c : text)
            VoucherDriver::typeChar(KeyTarget(form->dbgCommand), c);
    }
    void prepare() const { key(Qt::Key_F5); }
    // Chooses the kind in the drop-down with the arrow keys.
    void chooseKind(int kind) const
    {
        while (form->cmbType->currentIndex() != kind - 20)
            QTest::keyClick(form->cmbType,
                            form->cmbType->currentIndex() < kind - 20 ? Qt::Key_Down : Qt::Key_Up);
        form->dbgCommand->setFocus();
    }
    // Stands on the shown row of document `number` (trimmed), in column `field`.
    void standOn(const QString& number, const QString& field) const
    {
        DataSet* ds = form->quCommand;
        QVERIFY2(ds->locate({"SanadNoAnbar"}, {number.rightJustified(8)}),
                 qPrintable("document " + number + " is not shown"));
        form->dbgCommand->focusField(field);
    }
    void tick(const QString& number) const
    {
        standOn(number, "PayState");
        key(Qt::Key_Space);
    }
    // The confirm button, reached from the grid with the keyboard and pressed.
    void confirm() const { ConfirmFromGrid(form->dbgCommand, form->cmdOk); }
    QString shown(const QString& field) const { return form->quCommand->currentText(field); }
};

} // namespace

class TestOrders : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    DemoHost& host() { return *m_host; }

    // The documents of a kind still without an order, by number (trimmed).
    QStringList unordered(int kind)
    {
        return Column(host().db(),
                      "SELECT TRIM(SanadNoAnbar) FROM A_AsnadAnbar AS D WHERE WhatDoc = '" +
                          QString::number(kind) +
                          "' AND NOT EXISTS (SELECT 1 FROM N_Command AS N WHERE N.WhatDoc = "
                          "D.WhatDoc AND N.Command1 = TRIM(D.SanadNoAnbar) AND N.Command2 = "
                          "TRIM(D.AnbarCod)) ORDER BY SanadNoAnbar");
    }
    // The orders as another clerk's connection reads them.
    QStringList orders(const QString& columns)
    {
        auto other = host().openAgain();
        return Column(*other, "SELECT " + columns + " FROM N_Command ORDER BY IDX");
    }

private slots:
    void init() { m_host = std::make_unique<DemoHost>(12); }
    void cleanup() { m_host.reset(); }

    // A document of five kinds ticked, each under its own kind shown, one with a date
    // typed in Persian digits, and a tick taken back: one confirmation writes the five, with the
    // document's amount, today's date or the one typed, its chain and codes without
    // blanks, PAY or GET by kind. On the server the clerk's session ends before it (a
    // restart does so), the work table with it: at most the first confirmation after
    // it says the server was not reached and writes nothing. Then the documents show
    // as ordered.
    void ticksOfEveryKindAreWrittenOnceByOneConfirmation()
    {
        Clerk clerk(host());
        // The grid's menu (the report grid's, less the items the window does not offer)
        // opens only on prepared documents. A key of an item it does not offer does nothing.
        TReportGrid* report = clerk.form->reportGrid();
        emit clerk.form->dbgCommand->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(!report->Menu()->isVisible());
        clerk.prepare();
        emit clerk.form->dbgCommand->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(report->Menu()->isVisible());
        report->Menu()->hide();
        clerk.activate();
        clerk.form->dbgCommand->focusField("AnbarNam");
        clerk.key(Qt::Key_D, Qt::ControlModifier);
        QVERIFY(
            clerk.form->dbgCommand->column(clerk.form->dbgCommand->columnOf("AnbarNam")).visible);

        QCOMPARE(clerk.form->quCommand->recordCount(), unordered(20).size());
        QVERIFY(!clerk.form->cmdOk->isEnabled());
        // Ticked and unticked again: nothing to confirm.
        clerk.tick(unordered(20).at(1));
        QCOMPARE(clerk.shown("PayState"), kTick);
        QVERIFY(clerk.form->cmdOk->isEnabled());
        clerk.key(Qt::Key_Space);
        QVERIFY(!clerk.form->cmdOk->isEnabled());

        const QStringList before = orders("IDX");
        const QString date = host().global.FiscalYear + "/02/03";
        QMap<QString, QString> chosen; // kind -> document
        for (int kind = 20; kind <= 25; ++kind) {
            clerk.chooseKind(kind);
            if (kind == 23)
                continue; // one kind without a tick
            const QString document = unordered(kind).first();
            chosen[QString::number(kind)] = document;
            if (kind == 21) {
                // In Persian digits; Enter moves on to the next column.
                clerk.standOn(document, "PayDate");
                clerk.type(PersianDigits(date));
                clerk.key(Qt::Key_Return);
                QCOMPARE(clerk.form->dbgCommand->selectedField()->fieldName(), "AnbarCod");
            }
            clerk.tick(document);
        }
        if (TestPlace::OnServer()) {
            host().endSession();
            clerk.activate();
        }
        clerk.confirm();
        if (!host().dlgMsg->shown.isEmpty()) {
            QVERIFY2(TestPlace::OnServer() &&
                         host().dlgMsg->shown.last().text.contains("در دسترس نيست"),
                     qPrintable(host().dlgMsg->shown.last().text));
            QCOMPARE(orders("IDX"), before);
            clerk.activate();
            clerk.confirm();
            QCOMPARE(host().dlgMsg->shown.size(), 1);
        }

        const QStringList written =
            orders("WhatDoc || '|' || sType || '|' || TypeSys || '|' || Command1 || '|' || "
                   "Command2 || '|' || Command3 || '|' || sDate || '|' || CAST(sValue AS "
                   "INTEGER) || '|' || Koll || Moein || Tafsily || Tafsily2")
                .mid(before.size());
        QStringList expected;
        for (auto it = chosen.cbegin(); it != chosen.cend(); ++it) {
            const QString kind = it.key();
            const QString type = kind == "20" || kind == "22" || kind == "25" ? "PAY" : "GET";
            expected << host().scalar(
                "SELECT WhatDoc || '|' || ? || '|S|' || TRIM(SanadNoAnbar) || '|' || "
                "TRIM(AnbarCod) || '|' || TRIM(TarafCod) || '|' || ? || '|' || CAST(sValue AS "
                "INTEGER) || '|' || Koll || Moein || Tafsily || Tafsily2 FROM A_AsnadAnbar WHERE "
                "WhatDoc = ? AND TRIM(SanadNoAnbar) = ?",
                {type, kind == "21" ? date : host().global.Today, kind, it.value()});
        }
        QStringList sorted = written;
        sorted.sort();
        QCOMPARE(sorted, expected);

        // Prepared again: the ordered documents are no longer offered.
        QVERIFY(!clerk.form->cmdOk->isEnabled());
        clerk.chooseKind(20);
        QVERIFY(!clerk.form->quCommand->locate({"SanadNoAnbar"}, {chosen["20"].rightJustified(8)}));
    }

    // Two clerks tick the same receipt. While the second one's confirmation is still
    // writing it, the first one's waits and is refused, writing nothing and keeping its
    // ticks; confirmed again afterwards, it writes only its other receipt. The second
    // clerk's window, which still shows the receipt unordered, writes nothing again.
    void secondClerkConfirmingTheSameDocumentsWritesThemOnce()
    {
        Clerk first(host());
        DemoHost otherHost(host().dataFolder(), 2, "clerk2");
        Clerk second(otherHost);
        const QStringList receipts = unordered(20);
        const int before = orders("IDX").size();

        first.activate();
        first.prepare();
        first.tick(receipts.at(0));
        first.tick(receipts.at(1));
        second.activate();
        second.prepare();
        second.tick(receipts.at(0));

        {
            // The second clerk's confirmation, halfway: the order written, not committed.
            DbConnection& db = otherHost.db();
            Transaction writing(db);
            db.callProcedure("sp_A_Lock_NCommand", {});
            db.execute("INSERT INTO N_Command (TypeSys, WhatDoc, Command1, Command2, sType) "
                       "SELECT 'S', WhatDoc, TRIM(SanadNoAnbar), TRIM(AnbarCod), 'PAY' FROM "
                       "A_AsnadAnbar WHERE WhatDoc = '20' AND TRIM(SanadNoAnbar) = ?",
                       {receipts.at(0)});
            first.activate();
            host().db().setBusyLimit(200);
            first.confirm();
            QCOMPARE(host().dlgMsg->shown.size(), 1);
            QCOMPARE(orders("IDX").size(), before);
            writing.commit();
        }
        first.confirm();
        QCOMPARE(orders("Command1").mid(before), (QStringList{receipts.at(0), receipts.at(1)}));

        second.activate();
        QVERIFY(second.form->cmdOk->isEnabled());
        second.confirm();
        QCOMPARE(orders("Command1").mid(before), (QStringList{receipts.at(0), receipts.at(1)}));
        QVERIFY(!second.form->cmdOk->isEnabled());
    }

    // Without the summary every receipt shows, the ordered ones marked: neither their
    // tick nor their date can be changed. A new one's date is refused when it is no
    // date, keeping the row.
    void orderDateIsTypedOnlyOnDocumentsNotOrdered()
    {
        Clerk clerk(host());
        QTest::mouseClick(clerk.form->chbKholaseh, Qt::LeftButton);
        QCOMPARE(clerk.form->quCommand->recordCount(),
                 host().scalar("SELECT COUNT(*) FROM A_AsnadAnbar WHERE WhatDoc = '20'").toInt());

        const QString ordered =
            host().scalar("SELECT MIN(Command1) FROM N_Command WHERE WhatDoc = '20'");
        QVERIFY(!ordered.isEmpty());
        clerk.standOn(ordered, "PayState");
        QCOMPARE(clerk.shown("OldPayState"), kTick);
        const QString orderedDate = clerk.shown("PayDate");
        clerk.key(Qt::Key_Space);
        QCOMPARE(clerk.shown("PayState"), kTick);
        clerk.standOn(ordered, "PayDate");
        clerk.type(Day("01/01"));
        clerk.key(Qt::Key_Return);
        QCOMPARE(clerk.shown("PayDate"), orderedDate);
        QVERIFY(!clerk.form->cmdOk->isEnabled());

        const QString fresh = unordered(20).first();
        const QString date = host().global.FiscalYear + "/02/03";
        clerk.standOn(fresh, "PayDate");
        const QString noDate = QString(date).replace("/02/", "/13/");
        clerk.type(noDate);
        clerk.key(Qt::Key_Return);
        QCOMPARE(host().dlgMsg->shown.size(), 1);
        QCOMPARE(host().dlgMsg->shown.last().text, "تاريخ صحيحي وارد نشده است");
        QVERIFY(clerk.form->quCommand->state() == DataSet::State::Edit);
        QCOMPARE(clerk.shown("PayDate"), noDate);
        clerk.key(Qt::Key_Escape);

        // The column layout is kept under the window's own key (the window active again
        // after the message).
        clerk.activate();
        clerk.key(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(host().dlgMsg->shown.last().text, "وضعيت ستونها ثبت شد.");
        auto other = host().openAgain();
        QCOMPARE(Column(*other, "SELECT sColName FROM Grid_State WHERE UserId = '1' AND sProg = "
                                "'A' AND sItem = 'ASNAD' AND sForm = 'COMMAND' AND sPart = '1' "
                                "ORDER BY iRaj"),
                 (QStringList{"PayState", "PayDate", "AnbarCod", "AnbarNam", "SanadNoAnbar",
                              "sDate", "sValue", "TarafCod", "TarafNam"}));
    }

    // Issuing orders is the right "SABT" of the orders' rights rows: the clerk has it
    // (his orders are the second clerk's case), the viewer not. In a database made before the
    // orders had rights rows, whoever may register vouchers of any kind has it. Refused, the tick
    // is not made, the confirm button stays disabled and no order is written.
    void onlyAUserWithTheRightIssuesOrders_data()
    {
        QTest::addColumn<int>("user");
        QTest::addColumn<bool>("olderDatabase");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("viewer") << 3 << false << false;
        QTest::newRow("clerk, older database") << 2 << true << true;
        QTest::newRow("viewer, older database") << 3 << true << false;
    }
    void onlyAUserWithTheRightIssuesOrders()
    {
        QFETCH(int, user);
        QFETCH(bool, olderDatabase);
        QFETCH(bool, allowed);
        if (olderDatabase)
            host().exec("DELETE FROM UserSdcDetail WHERE StrId LIKE 'D_A_NCOMMAND%'");
        DemoHost otherHost(host().dataFolder(), user, "user" + QString::number(user));
        Clerk clerk(otherHost);
        clerk.prepare();
        const QString receipt = unordered(20).first();
        const int before = orders("IDX").size();
        clerk.tick(receipt);
        QCOMPARE(clerk.shown("PayState"), allowed ? kTick : QString());
        QCOMPARE(clerk.form->cmdOk->isEnabled(), allowed);
        QCOMPARE(otherHost.dlgMsg->shown.size(), allowed ? 0 : 1);
        if (!allowed)
            QCOMPARE(otherHost.dlgMsg->shown.last().text,
                     "کاربر مجاز به ثبت دستور دريافت/پرداخت جديد نيست");
        clerk.confirm();
        QCOMPARE(orders("Command1").mid(before), allowed ? QStringList{receipt} : QStringList());
    }
};

AMVAL_TEST_MAIN(TestOrders)
#include "tst_orders.moc"
