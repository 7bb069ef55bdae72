// The yearly schedule of the assets by tax-return group, driven by keys on the demo
// company: its sums, a second clerk's vouchers moving its figures, a register row
// changed behind the recompute's back, and the refusals.
#include "assetscheduleunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "demohost.h"
#include "installhost.h"
#include "procedures.h"
#include "testmain.h"
#include "testplace.h"
#include "uitest.h"
#include "voucherkinds.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QSqlQuery>
#include <QtTest>
#include <cmath>

namespace {

const QStringList kAmounts{"Opening",  "Additions",   "Reductions", "Disposals",
                           "MovedIn",  "MovedOut",    "TransferOut", "TransferIn",
                           "Closing",  "OpeningAnbashteh", "ClosingAnbashteh", "BookValue"};

QString Persian(const QString& digits)
{
    QString out;
    for (QChar c : digits)
        out += c.isDigit() ? QChar(0x06F0 + c.digitValue()) : c;
    return out;
}

bool Near(double a, double b)
{
    return std::abs(a - b) < 0.01;
}

// One row of the schedule as the grid holds it.
struct Row
{
    int index = 0; // in the grid
    int kind = 0;
    QString group;
    QString asset;
    QString reason;
    QString remark;
    // The row of an asset in the group it left in the period.
    bool movedOut() const { return remark.startsWith(QStringLiteral("انتقال به گروه")); }
    QMap<QString, double> amount;
    double operator[](const QString& column) const { return amount.value(column); }
};

} // namespace

class TestSchedule : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    DemoHost& host() { return *m_host; }

    std::unique_ptr<TAssetScheduleForm> open()
    {
        auto form = std::make_unique<TAssetScheduleForm>();
        form->resize(1200, 700);
        form->show();
        form->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(form.get())); }();
        return form;
    }

    // F5 in the window, on the box that has the cursor.
    static void show(TAssetScheduleForm& form)
    {
        QWidget* at = form.focusWidget() ? form.focusWidget() : &form;
        QTest::keyClick(at, Qt::Key_F5);
    }

    static QList<Row> rows(const TAssetScheduleForm& form)
    {
        QList<Row> out;
        DataSet* ds = form.quSchedule;
        if (!ds->active())
            return out;
        int i = 0;
        for (ds->first(); !ds->eof(); ds->next(), ++i) {
            Row r;
            r.index = i;
            r.kind = ds->fieldByName("RowKind")->value().toInt();
            r.group = ds->currentText("VezCod");
            r.asset = ds->currentText("DaraCod");
            r.reason = ds->currentText("Reason");
            r.remark = ds->currentText("Remark");
            for (const QString& c : kAmounts + QStringList{"Difference"})
                r.amount[c] = ds->fieldByName(c)->value().toDouble();
            out << r;
        }
        return out;
    }

    static const Row* assetRow(const QList<Row>& rows, const QString& asset, bool moved = false)
    {
        for (const Row& r : rows) {
            if (r.kind == 0 && r.asset == asset.trimmed() && r.movedOut() == moved)
                return &r;
        }
        return nullptr;
    }

    // Every asset row adds up, each group row is the sum of its rows and the last row
    // the sum of the groups; the moves between groups and cost centres net to nothing.
    // Returns the rows that do not add up ("" when all do).
    static QString checkSums(const QList<Row>& rows)
    {
        QStringList wrong;
        QMap<QString, QMap<QString, double>> groups;
        QMap<QString, double> groupTotals;
        QMap<QString, double> all;
        bool sawTotal = false;
        for (const Row& r : rows) {
            const double computed = r["Opening"] + r["Additions"] - r["Reductions"] -
                                    r["Disposals"] + r["MovedIn"] - r["MovedOut"];
            if (!Near(computed, r["Closing"]))
                wrong << QStringLiteral("%1/%2: %3 != %4")
                             .arg(r.group, r.asset)
                             .arg(computed, 0, 'f', 2)
                             .arg(r["Closing"], 0, 'f', 2);
            if (!Near(r["Closing"] - r["ClosingAnbashteh"], r["BookValue"]))
                wrong << r.asset + QStringLiteral(" book value");
            if (r.kind == 0) {
                for (const QString& c : kAmounts)
                    groups[r.group][c] += r[c];
            } else if (r.kind == 1) {
                for (const QString& c : kAmounts) {
                    if (!Near(groups.value(r.group).value(c), r[c]))
                        wrong << QStringLiteral("group %1 %2").arg(r.group, c);
                    all[c] += r[c];
                }
                groups.remove(r.group);
            } else {
                sawTotal = true;
                for (const QString& c : kAmounts) {
                    if (!Near(all.value(c), r[c]))
                        wrong << QStringLiteral("total ") + c;
                }
                if (!Near(r["MovedIn"], r["MovedOut"]) || !Near(r["TransferIn"], r["TransferOut"]))
                    wrong << QStringLiteral("moves do not net");
            }
        }
        if (!groups.isEmpty())
            wrong << QStringLiteral("groups without a total row: ") + groups.keys().join(',');
        if (!sawTotal)
            wrong << QStringLiteral("no grand total");
        return wrong.join(QStringLiteral("; "));
    }

    // Per asset the register's cost and accumulated depreciation, read here: 0 for an
    // asset sold, or retired and not returned.
    QMap<QString, std::pair<double, double>> held()
    {
        QMap<QString, std::pair<double, double>> out;
        QSqlQuery q = host().db().select(
            "SELECT trim(A.DaraCod), COALESCE(A.EndValue, 0) + COALESCE((SELECT SUM(B.EndFee) "
            "FROM D_Buy_Create AS B WHERE trim(B.DaraCod) = trim(A.DaraCod)), 0) + "
            "COALESCE(A.TadilValue, 0) + COALESCE(A.AsaseChangeValue, 0) - "
            "COALESCE(A.ReduceValue, 0), COALESCE(A.Anbashteh, 0), (SELECT COUNT(*) FROM "
            "D_ForoshDaymeh AS S WHERE trim(S.DaraCod) = trim(A.DaraCod)) + (SELECT COUNT(*) "
            "FROM D_KenarD AS K WHERE trim(K.DaraCod) = trim(A.DaraCod) AND K.sDate > "
            "COALESCE((SELECT MAX(R.sDate) FROM D_BarKenarD AS R WHERE trim(R.DaraCod) = "
            "trim(A.DaraCod)), '')) FROM D_Amval AS A");
        while (q.next()) {
            const bool gone = q.value(3).toInt() > 0;
            out.insert(q.value(0).toString(), gone ? std::pair<double, double>{0, 0}
                                                   : std::pair<double, double>{
                                                         q.value(1).toDouble(), q.value(2).toDouble()});
        }
        return out;
    }

    // A held asset of the current period that nothing special happened to: neither
    // sold nor retired, nor reduced, its group and cost centre as they began.
    QString plainAsset()
    {
        return host().scalar(
            "SELECT MIN(DaraCod) FROM D_Amval AS A WHERE trim(DaraCod) NOT IN (SELECT "
            "trim(DaraCod) FROM D_ForoshDaymeh) AND trim(DaraCod) NOT IN (SELECT trim(DaraCod) "
            "FROM D_KenarD) AND trim(DaraCod) NOT IN (SELECT trim(DaraCod) FROM D_DaraeReduce) "
            "AND trim(DaraCod) NOT IN (SELECT trim(DaraCod) FROM D_Change_VezArat) AND "
            "COALESCE(EndValue, 0) > 0");
    }

private slots:
    void init() { m_host = std::make_unique<DemoHost>(); }
    void cleanup() { m_host.reset(); }

    // On the demo company, F5: every row and group adds up, nothing is drawn in the
    // error colour, the totals are bold, and each asset closes at the register's cost
    // and accumulated depreciation.
    void demoScheduleAddsUpToTheRegister()
    {
        auto form = open();
        show(*form);
        QVERIFY(host().dlgMsg->shown.isEmpty());
        const QList<Row> all = rows(*form);
        QVERIFY(all.size() > 60);
        QCOMPARE(checkSums(all), QString());
        const auto expected = held();
        int assets = 0;
        bool moved = false;
        for (const Row& r : all) {
            const TAssetScheduleForm::RowStyle style = form->StyleOfRow(r.index);
            QVERIFY2(style.text != TAssetScheduleForm::ErrorColor(), qPrintable(r.asset + r.reason));
            QCOMPARE(style.bold, r.kind != 0);
            QVERIFY(r.reason.isEmpty());
            if (r.kind != 0 || r.movedOut()) {
                moved = moved || r.movedOut();
                continue;
            }
            ++assets;
            QVERIFY2(expected.contains(r.asset), qPrintable(r.asset));
            QVERIFY2(Near(r["Closing"], expected.value(r.asset).first),
                     qPrintable(QStringLiteral("%1: %2 %3 %4 %5").arg(r.asset).arg(r["Opening"]).arg(r["Additions"]).arg(r["Closing"]).arg(expected.value(r.asset).first)));
            QVERIFY2(Near(r["ClosingAnbashteh"], expected.value(r.asset).second),
                     qPrintable(r.asset));
        }
        QCOMPARE(assets, int(expected.size()));
        // The demo changes some assets' groups and sells some.
        QVERIFY(moved);
        QVERIFY(std::any_of(all.cbegin(), all.cend(),
                            [](const Row& r) { return r.kind == 0 && r["Disposals"] > 0; }));
    }

    // A second clerk saves one voucher of a kind for one asset; the schedule read again
    // moves the asset's figures into the kind's column and still adds up.
    // Expectations: "Column=+X" (moved by the amount), "Column=-X", "Column=C" (the
    // closing cost before), "Column=O" (the opening cost before), "Column=0".
    void secondClerksVoucherMovesItsColumn_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("set");
        QTest::addColumn<double>("amount");
        QTest::addColumn<QStringList>("expected");
        const auto k = [](VoucherKindId id) { return int(id); };
        QTest::newRow("purchase") << k(VoucherKindId::BuyCreate) << "EndFee" << 7000.0
                                  << QStringList{"Additions=+X", "Closing=+X"};
        QTest::newRow("improvement") << k(VoucherKindId::AsaseChange) << "sValue" << 5000.0
                                     << QStringList{"Additions=+X", "Closing=+X"};
        QTest::newRow("adjustment up") << k(VoucherKindId::FirstTadil) << "sValue" << 3000.0
                                       << QStringList{"Additions=+X", "Closing=+X"};
        QTest::newRow("adjustment down") << k(VoucherKindId::FirstTadil) << "sValue" << -3000.0
                                         << QStringList{"Reductions=+X", "Closing=-X"};
        QTest::newRow("reduction") << k(VoucherKindId::DaraeReduce) << "ArzeshReduce" << 2000.0
                                   << QStringList{"Reductions=+X", "Closing=-X"};
        QTest::newRow("sale") << k(VoucherKindId::ForoshDaymeh) << "" << 0.0
                              << QStringList{"Disposals=C", "Closing=0", "ClosingAnbashteh=0"};
        QTest::newRow("group change") << k(VoucherKindId::ChangeVezArat) << "NewVezCod" << 0.0
                                      << QStringList{"Opening=0", "MovedIn=O", "OpeningAnbashteh=0"};
    }
    void secondClerksVoucherMovesItsColumn()
    {
        QFETCH(int, kind);
        QFETCH(QString, set);
        QFETCH(double, amount);
        QFETCH(QStringList, expected);
        const QString asset = plainAsset();
        QVERIFY(!asset.isEmpty());
        auto form = open();
        show(*form);
        const QList<Row> before = rows(*form);
        const Row* was = assetRow(before, asset);
        QVERIFY(was != nullptr);
        const Row old = *was;

        DemoHost clerk(host().dataFolder(), 2, QStringLiteral("كارشناس اموال"));
        const VoucherKind& voucher = VoucherKindOf(VoucherKindId(kind));
        const QString work = QStringLiteral("amval_clerk_rows");
        clerk.db().procedures()->loadVoucher(
            clerk.db(), voucher, work,
            clerk.scalar("SELECT MIN(SanadNoAmval) FROM " + voucher.table));
        clerk.exec("DELETE FROM amval_clerk_rows WHERE Raj <> (SELECT MIN(Raj) FROM "
                   "amval_clerk_rows)");
        clerk.exec("UPDATE amval_clerk_rows SET DaraCod = ?", {asset});
        QString newGroup;
        if (set == QLatin1String("NewVezCod")) {
            const QString group = clerk.scalar("SELECT VezCod FROM D_Amval WHERE DaraCod = ?", {asset});
            newGroup = clerk.scalar("SELECT MAX(VezCod) FROM D_VezArat WHERE VezCod <> ?", {group});
            clerk.exec("UPDATE amval_clerk_rows SET OldVezCod = ?, NewVezCod = ?", {group, newGroup});
        } else if (!set.isEmpty()) {
            clerk.exec("UPDATE amval_clerk_rows SET " + set + " = ?", {amount});
        }
        const VoucherWriteAnswer saved = clerk.db().procedures()->saveVoucher(
            clerk.db(), {&voucher, work, QStringLiteral("900"), true, QString()});
        QCOMPARE(int(saved.state), int(VoucherWriteAnswer::State::Done));
        InstallHost(host());

        form->dbgSchedule->setFocus();
        show(*form);
        QVERIFY(host().dlgMsg->shown.isEmpty());
        const QList<Row> after = rows(*form);
        QCOMPARE(checkSums(after), QString());
        const Row* now = assetRow(after, asset);
        QVERIFY(now != nullptr);
        QMap<QString, double> want = old.amount;
        const double x = std::abs(amount);
        for (const QString& e : expected) {
            const QString column = e.section('=', 0, 0);
            const QString how = e.section('=', 1);
            want[column] = how == "+X"  ? old[column] + x
                           : how == "-X" ? old[column] - x
                           : how == "C"  ? old["Closing"]
                           : how == "O"  ? old["Opening"]
                                         : 0.0;
        }
        // The accumulated depreciation a reduction or a purchase moves is the
        // register's; the first check holds it to the record.
        for (const QString& c : kAmounts) {
            if (c == "ClosingAnbashteh" || c == "BookValue")
                continue;
            QVERIFY2(Near((*now)[c], want.value(c)),
                     qPrintable(QStringLiteral("%1: %2, expected %3")
                                    .arg(c)
                                    .arg((*now)[c])
                                    .arg(want.value(c))));
        }
        QVERIFY(Near((*now)["ClosingAnbashteh"], held().value(asset.trimmed()).second));
        if (voucher.table == QLatin1String("D_ForoshDaymeh"))
            QCOMPARE(now->remark, QStringLiteral("فروش"));
        if (!newGroup.isEmpty()) {
            QCOMPARE(now->group, newGroup.trimmed());
            QCOMPARE(now->remark, QStringLiteral("از گروه ") + old.group);
            const Row* left = assetRow(after, asset, true);
            QVERIFY(left != nullptr);
            QCOMPARE(left->group, old.group);
            QVERIFY(Near((*left)["MovedOut"], old["Opening"]));
            QVERIFY(Near((*left)["Closing"], 0));
        }
    }

    // A register row changed with a plain UPDATE, behind the recompute's back: its row
    // (and its group's, and the grand total) are drawn in the error colour with the
    // sum that disagrees; the other rows are not.
    void plantedInconsistencyShowsInRed_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("reason");
        QTest::newRow("adjustments") << "TadilValue" << "تعديلات";
        QTest::newRow("improvements") << "AsaseChangeValue" << "تعميرات اساسي";
        QTest::newRow("reductions") << "ReduceValue" << "كاهش";
    }
    void plantedInconsistencyShowsInRed()
    {
        QFETCH(QString, column);
        QFETCH(QString, reason);
        const QString asset = plainAsset();
        DemoHost clerk(host().dataFolder(), 2, QStringLiteral("كارشناس اموال"));
        clerk.exec("UPDATE D_Amval SET " + column + " = COALESCE(" + column +
                       ", 0) + 1234 WHERE DaraCod = ?",
                   {asset});
        InstallHost(host());
        auto form = open();
        show(*form);
        const QList<Row> all = rows(*form);
        int red = 0;
        for (const Row& r : all) {
            const bool error =
                form->StyleOfRow(r.index).text == TAssetScheduleForm::ErrorColor();
            red += error ? 1 : 0;
            const bool planted = r.kind == 0 && r.asset == asset.trimmed();
            if (planted) {
                QVERIFY(error);
                QVERIFY(Near(std::abs(r["Difference"]), 1234));
                QVERIFY2(r.reason.contains(reason), qPrintable(r.reason));
            } else if (r.kind == 0) {
                QVERIFY2(!error, qPrintable(r.asset));
            }
        }
        QCOMPARE(red, 3); // the row, its group, the grand total
        QVERIFY(form->lbSummary->text().contains(QStringLiteral("1 رديف")));
    }

    // Typed keys: the period box, the range boxes with Persian digits walked by Enter.
    // A range upside down, a period whose database is gone and a company without
    // assets are refused with their message and the cursor on the box at fault.
    void typedCriteria_data()
    {
        QTest::addColumn<QString>("period"); // "" the current one, "last" last year's
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("damage"); // "gone" the period's database, "empty" assets
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("one group") << "" << "1" << "1" << "" << "" << "dbgSchedule";
        QTest::newRow("last year") << "last" << "" << "" << "" << "" << "dbgSchedule";
        QTest::newRow("upside down") << "" << "9" << "1" << "" << TAssetScheduleForm::RangeText
                                     << "EToVez";
        QTest::newRow("period gone") << "last" << "" << "" << "gone" << "پيدا نشد"
                                     << "cmbDorehMale";
        QTest::newRow("no assets") << "" << "" << "" << "empty" << TAssetScheduleForm::NoAssetsText
                                   << "cmbDorehMale";
        QTest::newRow("none in range") << "" << "900" << "999" << "" 
                                       << TAssetScheduleForm::NoAssetsInRangeText << "EFromVez";
    }
    void typedCriteria()
    {
        QFETCH(QString, period);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, damage);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        const QString lastYear =
            "ZELMORA_1_" + QString::number(host().global.FiscalYear.toInt() - 1);
        auto form = open();
        if (damage == "gone") {
            if (TestPlace::OnServer())
                host().exec("ALTER SCHEMA " + lastYear.toLower() + " RENAME TO " +
                            lastYear.toLower() + "_gone");
            else {
                const QString file = DbConnection::DatabaseFile(host().dataFolder(), lastYear);
                QVERIFY(QFile::rename(file, file + ".gone"));
            }
        } else if (damage == "empty") {
            DemoHost clerk(host().dataFolder(), 2, QStringLiteral("كارشناس اموال"));
            clerk.exec("DELETE FROM D_Amval");
            InstallHost(host());
        }
        QComboBox* box = form->cmbDorehMale;
        QCOMPARE(box->currentData().toString(), host().global.DatabaseName);
        const int wanted = period.isEmpty() ? box->currentIndex() : box->findData(lastYear);
        QVERIFY(wanted >= 0);
        box->setFocus();
        while (box->currentIndex() < wanted)
            QTest::keyClick(box, Qt::Key_Down);
        while (box->currentIndex() > wanted)
            QTest::keyClick(box, Qt::Key_Up);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(form->focusWidget(), form->EFromVez);
        TypeText(form->EFromVez, Persian(from));
        QTest::keyClick(form->EFromVez, Qt::Key_Return);
        QCOMPARE(form->focusWidget(), form->EToVez);
        TypeText(form->EToVez, Persian(to));
        QTest::keyClick(form->EToVez, Qt::Key_Return);

        QCOMPARE(form->focusWidget()->objectName(), focus);
        if (!message.isEmpty()) {
            QCOMPARE(host().dlgMsg->shown.size(), 1);
            QVERIFY2(host().dlgMsg->shown.last().text.contains(message),
                     qPrintable(host().dlgMsg->shown.last().text));
            QVERIFY(!form->quSchedule->active());
            return;
        }
        QVERIFY(host().dlgMsg->shown.isEmpty());
        QCOMPARE(form->EFromVez->text(), from);
        const QList<Row> all = rows(*form);
        QCOMPARE(checkSums(all), QString());
        for (const Row& r : all) {
            if (r.kind != 2 && !from.isEmpty())
                QCOMPARE(r.group, from);
        }
        if (period == "last") {
            // Last year's register: its assets, not this year's.
            std::unique_ptr<DbConnection> source = host().openAgain();
            const int assets = int(std::count_if(all.cbegin(), all.cend(), [](const Row& r) {
                return r.kind == 0 && !r.movedOut();
            }));
            QVERIFY(source->attach(lastYear));
            QSqlQuery q = source->select("SELECT COUNT(*) FROM " +
                                         source->dialect().tableIn(lastYear, "D_Amval"));
            QVERIFY(q.next());
            QCOMPARE(assets, q.value(0).toInt());
        }
    }
};

AMVAL_TEST_MAIN(TestSchedule)
#include "tst_schedule.moc"
