// The asset card, the ledger check and the register on a date, driven by keys on the
// demo company.
#include "assetcardunit.h"
#include "assetregisterunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "demohost.h"
#include "installhost.h"
#include "ledgercheckunit.h"
#include "procedures.h"
#include "testmain.h"
#include "uitest.h"
#include "voucherform.h"
#include "voucherkinds.h"

#include "context/workprogress.h"
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMessageBox>
#include <QSqlQuery>
#include <QtTest>
#include <cmath>

namespace {

// Persian digits for the digits of `code`.
QString Persian(const QString& code)
{
    QString out;
    for (QChar c : code.trimmed())
        out += c.isDigit() ? QChar(0x06F0 + c.digitValue()) : c;
    return out;
}

bool Near(double a, double b)
{
    return std::abs(a - b) < 0.01;
}

} // namespace

class TestAssetCard : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    DemoHost& host() { return *m_host; }

    // The card's window with `code` typed (Persian digits) and Enter pressed.
    std::unique_ptr<TAssetCardForm> typed(const QString& code)
    {
        auto form = std::make_unique<TAssetCardForm>();
        form->show();
        TypeText(form->EDaraCod, Persian(code));
        QTest::keyClick(form->EDaraCod, Qt::Key_Return);
        return form;
    }

    static void press(QWidget& form, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(form.focusWidget() ? form.focusWidget() : &form, key, modifiers);
    }

    // The record's cost (registered, purchases, adjustments, improvements, reductions)
    // and accumulated depreciation of every asset.
    QMap<QString, std::pair<double, double>> records()
    {
        QMap<QString, std::pair<double, double>> out;
        QSqlQuery q = host().db().select(QStringLiteral(
            "SELECT A.DaraCod, COALESCE(A.EndValue, 0) + COALESCE((SELECT SUM(B.EndFee) FROM "
            "D_Buy_Create AS B WHERE trim(B.DaraCod) = trim(A.DaraCod)), 0) + "
            "COALESCE(A.TadilValue, 0) + COALESCE(A.AsaseChangeValue, 0) - "
            "COALESCE(A.ReduceValue, 0), COALESCE(A.Anbashteh, 0) FROM D_Amval AS A"));
        while (q.next())
            out.insert(q.value(0).toString(), {q.value(1).toDouble(), q.value(2).toDouble()});
        return out;
    }

    // The asset transferred most often.
    QString busiestAsset()
    {
        return host().scalar(QStringLiteral("SELECT DaraCod FROM D_Tahvil_Antegal GROUP BY "
                                            "DaraCod ORDER BY COUNT(*) DESC, DaraCod LIMIT 1"));
    }

    // Per account "Koll\tMoein": the difference the check's accounts say and the sum of
    // the amounts of its list.
    static QMap<QString, std::pair<double, double>> differences(const TLedgerCheckForm& form)
    {
        QMap<QString, std::pair<double, double>> out;
        DataSet* a = form.quAccounts;
        for (a->first(); !a->eof(); a->next())
            out[a->currentText(QStringLiteral("Koll")) + QLatin1Char('\t') +
                a->currentText(QStringLiteral("Moein"))]
                .first += a->fieldByName(QStringLiteral("Difference"))->value().toDouble();
        DataSet* v = form.quVouchers;
        for (v->first(); !v->eof(); v->next())
            out[v->currentText(QStringLiteral("Koll")) + QLatin1Char('\t') +
                v->currentText(QStringLiteral("Moein"))]
                .second += v->fieldByName(QStringLiteral("Amount"))->value().toDouble();
        return out;
    }

    // The register on `date` as sp_D_Amval_OnDate gives it, every range open, of the
    // states `states` (all when empty): each asset's columns by code.
    static QMap<QString, QVariantMap> replayed(DemoHost& h, const QString& date,
                                               const QString& states = QString())
    {
        QStringList arguments{date};
        for (int i = 0; i < 12; ++i)
            arguments << QString();
        arguments << states;
        const ProcedureResult r =
            h.db().callProcedure(QStringLiteral("sp_D_Amval_OnDate"), arguments);
        QMap<QString, QVariantMap> out;
        for (const QVariantList& row : r.rows) {
            QVariantMap m;
            for (int c = 0; c < r.columns.size(); ++c)
                m.insert(r.columns.at(c), row.at(c));
            out.insert(row.first().toString(), m);
        }
        return out;
    }

    // The register as D_Amval holds it, of the assets registered with a cost or
    // bought, in the replay's columns; the state from the sales and retirements stored.
    static QMap<QString, QVariantMap> stored(DemoHost& h)
    {
        static const QStringList texts{"PersonelCod", "MakanCod", "Tafsily2", "RaveshEst",
                                       "VezCod"};
        static const QStringList numbers{"EndValue",    "TadilValue", "AsaseChangeValue",
                                         "ReduceValue", "Salianeh",   "Nozooli",
                                         "Anbashteh",   "Esshat"};
        QStringList select{QStringLiteral("A.DaraCod")};
        for (const QString& t : texts)
            select << QStringLiteral("COALESCE(A.%1, '')").arg(t);
        for (const QString& n : numbers)
            select << QStringLiteral("COALESCE(A.%1, 0)").arg(n);
        const QString same = QStringLiteral("trim(X.DaraCod) = trim(A.DaraCod)");
        select << QStringLiteral("COALESCE((SELECT SUM(X.EndFee) FROM D_Buy_Create AS X WHERE ") +
                      same + QStringLiteral("), 0)");
        select << QStringLiteral(
                      "CASE WHEN EXISTS (SELECT 1 FROM D_ForoshDaymeh AS X WHERE %1) THEN 'S' "
                      "WHEN COALESCE((SELECT MAX(X.sDate) FROM D_KenarD AS X WHERE %1), '') > "
                      "COALESCE((SELECT MAX(X.sDate) FROM D_BarKenarD AS X WHERE %1), '') THEN "
                      "'R' WHEN trim(COALESCE(A.KenarDate, '')) <> '' THEN 'T' ELSE 'U' END")
                      .arg(same);
        QSqlQuery q = h.db().select(
            QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) +
            QStringLiteral(" FROM D_Amval AS A WHERE COALESCE(A.EndValue, 0) <> 0 OR EXISTS "
                           "(SELECT 1 FROM D_Buy_Create AS X WHERE ") +
            same + QLatin1Char(')'));
        QMap<QString, QVariantMap> out;
        while (q.next()) {
            QVariantMap m;
            int i = 1;
            for (const QString& t : texts)
                m.insert(t, q.value(i++).toString());
            double cost = 0;
            for (const QString& n : numbers) {
                m.insert(n, q.value(i).toDouble());
                const double sign = n == QLatin1String("ReduceValue") ? -1 : 1;
                if (n == QLatin1String("EndValue") || n == QLatin1String("TadilValue") ||
                    n == QLatin1String("AsaseChangeValue") || n == QLatin1String("ReduceValue"))
                    cost += sign * q.value(i).toDouble();
                ++i;
            }
            cost += q.value(i++).toDouble();
            m.insert(QStringLiteral("Cost"), cost);
            m.insert(QStringLiteral("StateCode"), q.value(i).toString());
            out.insert(q.value(0).toString(), m);
        }
        return out;
    }

    // The first difference between a replay and a stored register ("" when none).
    static QString difference(const QMap<QString, QVariantMap>& replay,
                              const QMap<QString, QVariantMap>& register_)
    {
        if (replay.keys() != register_.keys())
            return QStringLiteral("assets: %1 replayed, %2 held")
                .arg(replay.size())
                .arg(register_.size());
        for (auto it = register_.cbegin(); it != register_.cend(); ++it) {
            const QVariantMap& r = replay.value(it.key());
            for (auto c = it->cbegin(); c != it->cend(); ++c) {
                const QVariant mine = r.value(c.key());
                const bool same = c->typeId() == QMetaType::Double
                                      ? Near(mine.toDouble(), c->toDouble())
                                      : mine.toString() == c->toString();
                if (!same)
                    return it.key() + QLatin1Char(' ') + c.key() + QStringLiteral(": ") +
                           mine.toString() + QStringLiteral(" replayed, ") + c->toString() +
                           QStringLiteral(" stored");
            }
        }
        return QString();
    }

    // The voucher tables whose rows the register reads, and the sale and retirement.
    static QStringList AssetTables()
    {
        return {"D_Tahvil_Antegal",  "D_KenarM",         "D_BarKenarM",    "D_BarKenarD",
                "D_AsaseChange",     "D_FirstTadil",     "D_DaraeReduce",  "D_Buy_Create",
                "D_SoulationChange", "D_Change_VezArat", "D_ForoshDaymeh", "D_KenarD"};
    }

    // Deletes, as a clerk's window does, every voucher with a row that applies after
    // `date` (a method change from its start date).
    static void deleteAfter(DemoHost& h, const QString& date)
    {
        for (const VoucherKind& kind : VoucherKinds()) {
            if (kind.table.isEmpty() || kind.procedure.isEmpty())
                continue;
            const QString applies = kind.table == QLatin1String("D_SoulationChange")
                                        ? QStringLiteral("COALESCE(NULLIF(trim(StartDate), ''), "
                                                         "sDate)")
                                        : QStringLiteral("sDate");
            QStringList numbers;
            QSqlQuery q =
                h.db().select(QStringLiteral("SELECT DISTINCT SanadNoAmval FROM ") + kind.table +
                                  QStringLiteral(" WHERE ") + applies + QStringLiteral(" > ?"),
                              {date});
            while (q.next())
                numbers << q.value(0).toString();
            for (const QString& number : numbers) {
                const VoucherWriteAnswer answer =
                    h.db().procedures()->deleteVoucher(h.db(), {&kind, number, QString()});
                QCOMPARE(int(answer.state), int(VoucherWriteAnswer::State::Done));
            }
        }
    }

    // Moves the start of the method change stored as `number` to `start`, by a save.
    static void moveMethodStart(DemoHost& h, const QString& number, const QString& start)
    {
        const VoucherKind& kind = VoucherKindOf(VoucherKindId::SoulationChange);
        const QString stored = h.scalar(
            QStringLiteral("SELECT SanadNoAmval FROM D_SoulationChange WHERE trim(SanadNoAmval) "
                           "= ? LIMIT 1"),
            {number});
        QVERIFY(!stored.isEmpty());
        const QString work = QStringLiteral("amval_start_rows");
        const QString stamp = h.db().procedures()->loadVoucher(h.db(), kind, work, stored);
        h.exec(QStringLiteral("UPDATE amval_start_rows SET StartDate = ?"), {start});
        QCOMPARE(int(h.db()
                         .procedures()
                         ->saveVoucher(h.db(), {&kind, work, stored, false, stamp})
                         .state),
                 int(VoucherWriteAnswer::State::Done));
    }

    // The register window, its date typed in Persian digits, and what else `type` types.
    std::unique_ptr<TAssetRegisterForm> registerOn(const QString& date)
    {
        auto form = std::make_unique<TAssetRegisterForm>();
        form->show();
        const QStringList parts = date.split(QLatin1Char('/'));
        for (QLineEdit* e : {form->EDay, form->EMonth, form->EYear})
            e->clear();
        TypeText(form->EDay, Persian(parts.at(2)));
        TypeText(form->EMonth, Persian(parts.at(1)));
        TypeText(form->EYear, Persian(parts.at(0)));
        return form;
    }

private slots:
    void init() { m_host = std::make_unique<DemoHost>(); }
    void cleanup()
    {
        DeleteTopLevel<TVoucherForm>();
        m_host.reset();
    }

    // The card replays the recompute's fold: for every asset its last figures are the
    // record's.
    void everyCardEndsAtTheRecord()
    {
        const auto expected = records();
        QVERIFY(expected.size() > 50);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const ProcedureResult card =
                host().db().callProcedure(QStringLiteral("sp_D_Amval_Card"), {it.key()});
            QVERIFY2(!card.rows.isEmpty(), qPrintable(it.key()));
            const int last = int(card.rows.size()) - 1;
            QVERIFY2(Near(card.value(QStringLiteral("Cost"), last).toDouble(), it->first),
                     qPrintable(it.key()));
            QVERIFY2(Near(card.value(QStringLiteral("Anbashteh"), last).toDouble(), it->second),
                     qPrintable(it.key()));
        }
    }

    // Typed in Persian digits: the rows in the recompute's order with what each moved;
    // a second clerk deletes one of its vouchers and the card read again has lost its
    // row and still ends at the record. Enter on a row opens its voucher.
    void cardOfOneAssetFollowsItsVouchers()
    {
        const QString code = busiestAsset();
        auto form = typed(code);
        DataSet* card = form->quCard;
        QVERIFY(card->active());
        QVERIFY(card->recordCount() >= 3);
        QString previous;
        QString transfer;
        for (card->first(); !card->eof(); card->next()) {
            const QString date = card->currentText(QStringLiteral("sDate"));
            QVERIFY2(date >= previous, qPrintable(date));
            previous = date;
            if (card->currentText(QStringLiteral("TableNam")) ==
                    QLatin1String("D_Tahvil_Antegal") &&
                transfer.isEmpty()) {
                transfer = card->currentText(QStringLiteral("SanadNoAmval"));
                QVERIFY2(card->currentText(QStringLiteral("Taghirat"))
                             .contains(QStringLiteral("تحويل گيرنده: از ")),
                         qPrintable(card->currentText(QStringLiteral("Taghirat"))));
            }
        }
        QVERIFY(!transfer.isEmpty());
        const int rows = card->recordCount();

        // Enter on the transfer's row opens that voucher in its window.
        QVERIFY(card->locate({QStringLiteral("TableNam"), QStringLiteral("SanadNoAmval")},
                             {QStringLiteral("D_Tahvil_Antegal"), transfer}));
        form->dbgCard->setFocus();
        QTest::keyClick(form->dbgCard, Qt::Key_Return);
        const QList<TVoucherForm*> opened = TopLevel<TVoucherForm>();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first()->Kind().Facts.table, QStringLiteral("D_Tahvil_Antegal"));
        QCOMPARE(opened.first()->SanadID->text().trimmed(), transfer);
        DeleteTopLevel<TVoucherForm>();

        // A second clerk gives the transfer another holder: its row says so.
        DemoHost clerk(host().dataFolder(), 2, QStringLiteral("كارشناس اموال"));
        const VoucherKind& kind = VoucherKindOf(VoucherKindId::TahvilAntegal);
        const QString stored = clerk.scalar(
            QStringLiteral("SELECT SanadNoAmval FROM D_Tahvil_Antegal WHERE trim(SanadNoAmval) "
                           "= ? LIMIT 1"),
            {transfer});
        const QString holder = clerk.scalar(QStringLiteral("SELECT Code FROM Person ORDER BY "
                                                           "Code DESC LIMIT 1"));
        const QString work = QStringLiteral("amval_clerk_rows");
        const QString stamp = clerk.db().procedures()->loadVoucher(clerk.db(), kind, work, stored);
        clerk.exec(QStringLiteral("UPDATE amval_clerk_rows SET PersonelCod = ? WHERE trim(DaraCod) "
                                  "= ?"),
                   {holder, code.trimmed()});
        QCOMPARE(int(clerk.db()
                         .procedures()
                         ->saveVoucher(clerk.db(), {&kind, work, stored, false, stamp})
                         .state),
                 int(VoucherWriteAnswer::State::Done));
        InstallHost(host());
        QVERIFY(form->ShowCard());
        QCOMPARE(card->recordCount(), rows);
        QVERIFY(card->locate({QStringLiteral("TableNam"), QStringLiteral("SanadNoAmval")},
                             {QStringLiteral("D_Tahvil_Antegal"), transfer}));
        const QString moved = card->currentText(QStringLiteral("Taghirat"));
        QVERIFY2(moved.contains(QStringLiteral(" به ") + holder.trimmed()), qPrintable(moved));

        // Then deletes it: the card read again has lost the row and still ends at the
        // record the recompute left.
        const VoucherWriteAnswer answer =
            clerk.db().procedures()->deleteVoucher(clerk.db(), {&kind, stored, QString()});
        QCOMPARE(int(answer.state), int(VoucherWriteAnswer::State::Done));
        InstallHost(host());
        QVERIFY(form->ShowCard());
        QCOMPARE(card->recordCount(), rows - 1);
        QVERIFY(!card->locate({QStringLiteral("TableNam"), QStringLiteral("SanadNoAmval")},
                              {QStringLiteral("D_Tahvil_Antegal"), transfer}));
        card->last();
        const auto record = records().value(code);
        QVERIFY(Near(card->fieldByName(QStringLiteral("Cost"))->value().toDouble(), record.first));
        QVERIFY(Near(card->fieldByName(QStringLiteral("Anbashteh"))->value().toDouble(),
                     record.second));
    }

    // What the code box answers: a code of no asset, letters pasted where codes are
    // numbers, and no company are refused in Persian with the cursor back in the box;
    // Enter on an empty box opens the asset list, whose choice shows its card.
    void codeBoxAnswers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<bool>("company");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such asset") << "99999"
                                       << "" << true << TAssetCardForm::NoAssetText;
        QTest::newRow("letters pasted") << ""
                                        << "12ab" << true << TAssetCardForm::DigitsOnlyText;
        QTest::newRow("no company") << "1001"
                                    << "" << false << TAssetCardForm::NoCompanyText;
        QTest::newRow("chosen from the list") << ""
                                              << "" << true << "";
    }
    void codeBoxAnswers()
    {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(bool, company);
        QFETCH(QString, message);
        if (!company)
            host().global.CompanyCode.clear();
        const QString chosen = host().scalar(QStringLiteral("SELECT MAX(DaraCod) FROM D_Amval"));
        host().tempGridForm->choose(chosen.trimmed());
        auto form = typed.isEmpty() ? std::make_unique<TAssetCardForm>() : this->typed(typed);
        form->show();
        if (!pasted.isEmpty()) {
            QApplication::clipboard()->setText(pasted);
            QTest::keyClick(form->EDaraCod, Qt::Key_V, Qt::ControlModifier);
        }
        if (typed.isEmpty())
            QTest::keyClick(form->EDaraCod, Qt::Key_Return);
        if (message.isEmpty()) {
            QVERIFY(host().dlgMsg->shown.isEmpty());
            QCOMPARE(form->EDaraCod->text(), chosen);
            QVERIFY(form->quCard->active() && form->quCard->recordCount() > 0);
            return;
        }
        QCOMPARE(host().dlgMsg->shown.last().text, message);
        QVERIFY(!form->quCard->active());
        QCOMPARE(form->focusWidget(), form->EDaraCod);
    }

    // A card kept under a name (Ctrl+S) comes back from the list (Ctrl+O) after
    // another asset's card was shown.
    void aSavedCardOpensAgain()
    {
        host().global.AppPath = QCoreApplication::applicationDirPath();
        auto form = typed(busiestAsset());
        const int rows = form->quCard->recordCount();
        QVERIFY(rows > 1);
        WhenModal<QDialog>(
            [&](QDialog* dialog) {
                auto* edit = dialog->findChild<QLineEdit*>("edName");
                QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
                TypeText(edit, QStringLiteral("كارت ۱"));
                WhenModal<QMessageBox>(
                    [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
                QTest::keyClick(edit, Qt::Key_Return);
            },
            "SaveReportForm");
        press(*form, Qt::Key_S, Qt::ControlModifier);

        QTest::keyClick(form->EDaraCod, Qt::Key_A, Qt::ControlModifier);
        TypeText(form->EDaraCod,
                 Persian(host().scalar(QStringLiteral("SELECT MIN(DaraCod) FROM D_Amval"))));
        QTest::keyClick(form->EDaraCod, Qt::Key_Return);
        QVERIFY(form->quCard->recordCount() != rows);
        WhenModal<QDialog>(
            [](QDialog* dialog) {
                QTest::keyClick(dialog->findChild<QListWidget*>("lstReports"), Qt::Key_Return);
            },
            "LoadReportForm");
        press(*form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(form->quCard->recordCount(), rows);
    }

    // Each account's difference is what the listed vouchers carry. A second clerk saves
    // a voucher while the company issues its accounting vouchers at the end of the
    // period: it is listed, with its amount, as not issued. Once
    // the company issues them at once, a logged save whose accounting voucher a clerk
    // deleted is listed as deleted after issuing.
    void ledgerDifferencesAreTheListedVouchers()
    {
        auto form = std::make_unique<TLedgerCheckForm>();
        form->show();
        QVERIFY(form->quAccounts->active());
        const auto total = [&form] {
            double sum = 0;
            for (const auto& d : differences(*form)) {
                if (!Near(d.first, d.second))
                    return std::nan("");
                sum += d.first;
            }
            return sum;
        };
        // The listed rows of one voucher: their amounts summed, and their reason.
        const auto listed = [&form](const QString& table, const QString& number) {
            std::pair<double, QString> out{0, QString()};
            DataSet* v = form->quVouchers;
            for (v->first(); !v->eof(); v->next()) {
                if (v->currentText(QStringLiteral("TableNam")) == table &&
                    v->currentText(QStringLiteral("SanadNoAmval")) == number) {
                    out.first += v->fieldByName(QStringLiteral("Amount"))->value().toDouble();
                    out.second = v->currentText(QStringLiteral("ReasonNam"));
                }
            }
            return out;
        };
        QVERIFY(!std::isnan(total()));
        QCOMPARE(listed(QStringLiteral("D_Buy_Create"), QStringLiteral("1")).second, QString());

        DemoHost clerk(host().dataFolder(), 2, QStringLiteral("كارشناس اموال"));
        const VoucherKind& adjustment = VoucherKindOf(VoucherKindId::FirstTadil);
        const QString work = QStringLiteral("amval_clerk_rows");
        clerk.db().procedures()->loadVoucher(clerk.db(), adjustment, work, QStringLiteral("1"));
        const double amount =
            clerk.scalar(QStringLiteral("SELECT SUM(sValue) FROM amval_clerk_rows")).toDouble();
        QVERIFY(amount != 0);
        const VoucherWriteAnswer saved = clerk.db().procedures()->saveVoucher(
            clerk.db(), {&adjustment, work, QStringLiteral("900"), true, QString()});
        QCOMPARE(int(saved.state), int(VoucherWriteAnswer::State::Done));
        InstallHost(host());
        QVERIFY(form->Check());
        const auto added = listed(QStringLiteral("D_FirstTadil"), saved.number.trimmed());
        QVERIFY(Near(added.first, amount));
        QCOMPARE(added.second, TLedgerCheckForm::ReasonText(QStringLiteral("NEW")));
        // (A sold asset of the voucher moves its sale's listed amount the other way.)
        QVERIFY(!std::isnan(total()));

        // The demo issued the accounting voucher of the first purchase.
        const QString whatDoc = VoucherKindOf(VoucherKindId::BuyCreate).whatDoc;
        clerk.exec(QStringLiteral("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', "
                                  "'SANAD_TIME=ANE')"));
        clerk.db().procedures()->logAction(
            clerk.db(), {VoucherKindOf(VoucherKindId::BuyCreate).actionLabel, QStringLiteral("1"),
                         clerk.global.UserName, QStringLiteral("E"), clerk.global.Today,
                         QStringLiteral("9:00:00"), clerk.global.TempStem});
        clerk.exec(QStringLiteral("DELETE FROM Asnad WHERE TypeSys = 'D' AND WhatDoc = ? AND "
                                  "trim(Document) = '1'"),
                   {whatDoc});
        InstallHost(host());
        QVERIFY(form->Check());
        const auto deleted = listed(QStringLiteral("D_Buy_Create"), QStringLiteral("1"));
        QVERIFY(deleted.first > 0);
        QCOMPARE(deleted.second, TLedgerCheckForm::ReasonText(QStringLiteral("DELETED")));
        QVERIFY(!std::isnan(total()));

        // Enter on the listed purchase opens it.
        QVERIFY(
            form->quVouchers->locate({QStringLiteral("TableNam"), QStringLiteral("SanadNoAmval")},
                                     {QStringLiteral("D_Buy_Create"), QStringLiteral("1")}));
        form->dbgVouchers->setFocus();
        QTest::keyClick(form->dbgVouchers, Qt::Key_Return);
        QCOMPARE(TopLevel<TVoucherForm>().size(), 1);
        QCOMPARE(TopLevel<TVoucherForm>().first()->SanadID->text().trimmed(), QStringLiteral("1"));
    }

    // The register on a day is the register of a company whose vouchers after that day
    // were never saved: the same demo company in a second place, those vouchers
    // deleted there (each delete recomputes its assets), gives in D_Amval what the
    // replay gives here, asset for asset. Then a second clerk in each place edits a
    // transfer and deletes an adjustment dated up to the day: still the same.
    void registerOnDateIsTheRegisterOfTheVouchersUpToIt_data()
    {
        QTest::addColumn<QString>("day");
        QTest::newRow("the period's end, after every voucher") << "end";
        QTest::newRow("a method change's date, its start moved later") << "start";
        QTest::newRow("a day with rows of two kinds for one asset") << "pair";
    }
    void registerOnDateIsTheRegisterOfTheVouchersUpToIt()
    {
        QFETCH(QString, day);
        DemoHost second;
        QCOMPARE(difference(stored(host()), stored(second)), QString());
        // The first method change starts at the period's end, long after its date.
        const QString change = host().scalar(
            QStringLiteral("SELECT SanadNoAmval FROM D_SoulationChange ORDER BY sDate LIMIT 1"));
        const QString changed = host().scalar(
            QStringLiteral("SELECT MIN(sDate) FROM D_SoulationChange WHERE SanadNoAmval = ?"),
            {change});
        QVERIFY(!change.isEmpty() && changed < host().global.EndDate);
        for (DemoHost* h : {&host(), &second})
            moveMethodStart(*h, change.trimmed(), host().global.EndDate);
        QString date;
        if (day == QLatin1String("end")) {
            date = host().global.EndDate;
        } else if (day == QLatin1String("start")) {
            date = changed;
        } else {
            // An adjustment saved in both places on the day of a reduction of the same
            // asset: it applies first, and the share of the accumulated depreciation the
            // reduction takes depends on it.
            QSqlQuery q = host().db().select(QStringLiteral(
                "SELECT DaraCod, sDate FROM D_DaraeReduce ORDER BY sDate DESC LIMIT 1"));
            QVERIFY(q.next());
            const QString asset = q.value(0).toString();
            date = q.value(1).toString();
            const VoucherKind& kind = VoucherKindOf(VoucherKindId::FirstTadil);
            for (DemoHost* h : {&host(), &second}) {
                const QString work = QStringLiteral("amval_pair_rows");
                h->db().procedures()->loadVoucher(
                    h->db(), kind, work,
                    h->scalar(QStringLiteral("SELECT MIN(SanadNoAmval) FROM D_FirstTadil")));
                h->exec(QStringLiteral("DELETE FROM amval_pair_rows WHERE Raj > (SELECT MIN(Raj) "
                                       "FROM amval_pair_rows)"));
                h->exec(QStringLiteral("UPDATE amval_pair_rows SET DaraCod = ?, sDate = ?"),
                        {asset, date});
                QCOMPARE(int(h->db()
                                 .procedures()
                                 ->saveVoucher(
                                     h->db(), {&kind, work, QStringLiteral("900"), true, QString()})
                                 .state),
                         int(VoucherWriteAnswer::State::Done));
            }
        }
        QVERIFY(!date.isEmpty());
        deleteAfter(second, date);
        InstallHost(host());
        QCOMPARE(difference(replayed(host(), date), stored(second)), QString());

        // A second clerk in each place doubles an adjustment dated up to the day and
        // deletes the latest other voucher up to the day of a kind the register reads.
        const auto before = replayed(host(), date);
        const QString adjustment = host().scalar(
            QStringLiteral("SELECT SanadNoAmval FROM D_FirstTadil WHERE sDate <= ? ORDER BY "
                           "sDate, SanadNoAmval LIMIT 1"),
            {date});
        const QString adjusted = host().scalar(
            QStringLiteral("SELECT DaraCod FROM D_FirstTadil WHERE SanadNoAmval = ? LIMIT 1"),
            {adjustment});
        QStringList parts;
        for (const QString& table : AssetTables())
            parts << QStringLiteral("SELECT '%1' AS T, SanadNoAmval AS N, sDate AS D FROM %1 "
                                    "WHERE sDate <= ?")
                         .arg(table);
        const QString other = host().scalar(
            QStringLiteral("SELECT T || '|' || N FROM (") +
                parts.join(QStringLiteral(" UNION ALL ")) +
                QStringLiteral(") AS U WHERE NOT (T = 'D_FirstTadil' AND N = ?) ORDER BY D DESC, "
                               "T, N LIMIT 1"),
            QVariantList(parts.size(), date) << adjustment);
        const VoucherKind* deleted = FindVoucherKindByTable(other.section(QLatin1Char('|'), 0, 0));
        const QString number = other.section(QLatin1Char('|'), 1);
        QVERIFY(!adjustment.isEmpty() && deleted != nullptr);
        for (const QString& folder : {host().dataFolder(), second.dataFolder()}) {
            DemoHost clerk(folder, 2, QStringLiteral("كارشناس اموال"));
            const VoucherKind& kind = VoucherKindOf(VoucherKindId::FirstTadil);
            const QString work = QStringLiteral("amval_clerk_rows");
            const QString stamp =
                clerk.db().procedures()->loadVoucher(clerk.db(), kind, work, adjustment);
            clerk.exec(QStringLiteral("UPDATE amval_clerk_rows SET sValue = sValue * 2"));
            QCOMPARE(int(clerk.db()
                             .procedures()
                             ->saveVoucher(clerk.db(), {&kind, work, adjustment, false, stamp})
                             .state),
                     int(VoucherWriteAnswer::State::Done));
            QCOMPARE(int(clerk.db()
                             .procedures()
                             ->deleteVoucher(clerk.db(), {deleted, number, QString()})
                             .state),
                     int(VoucherWriteAnswer::State::Done));
        }
        InstallHost(host());
        const auto after = replayed(host(), date);
        QCOMPARE(difference(after, stored(second)), QString());
        QVERIFY(!Near(after.value(adjusted).value(QStringLiteral("TadilValue")).toDouble(),
                      before.value(adjusted).value(QStringLiteral("TadilValue")).toDouble()));
    }

    // Typed through the window (the day and the codes in Persian digits, the states by
    // Space): the rows are the register's on that day within the ranges and states, in
    // code order; the sums per article and the grand total are those of the rows. The
    // first row walks the rest in small steps.
    void registerWindowNarrowsAndSums_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("unticked");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("step");
        QTest::newRow("every asset, in steps of 7") << QStringList() << QStringList() << ""
                                                    << ""
                                                    << "" << 7;
        QTest::newRow("places 1 to 2")
            << QStringList{"FrMakanCod=1", "ToMakanCod=2"} << QStringList() << "MakanCod"
            << "1"
            << "2" << 0;
        QTest::newRow("holder 101")
            << QStringList{"FrPersonCod=101", "ToPersonCod=101"} << QStringList() << "PersonelCod"
            << "101"
            << "101" << 0;
        // "#n": the code of the register's n-th asset.
        QTest::newRow("the 5th to the 20th asset")
            << QStringList{"FrDaraCod=#5", "ToDaraCod=#20"} << QStringList() << "DaraCod"
            << "#5"
            << "#20" << 0;
        QTest::newRow("sold only")
            << QStringList() << QStringList{"cbInUse", "cbSetAside", "cbRetired"} << "StateCode"
            << "S"
            << "S" << 0;
        QTest::newRow("in use and set aside")
            << QStringList() << QStringList{"cbRetired", "cbSold"} << "StateCode"
            << "T"
            << "U" << 0;
    }
    void registerWindowNarrowsAndSums()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, unticked);
        QFETCH(QString, column);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, step);
        const auto nth = [this](QString& text) {
            if (text.startsWith(QLatin1Char('#')))
                text = host().scalar(QStringLiteral("SELECT trim(DaraCod) FROM D_Amval ORDER BY "
                                                    "DaraCod LIMIT 1 OFFSET ?"),
                                     {text.mid(1).toInt() - 1});
        };
        nth(from);
        nth(to);
        const QString date = host().global.Today;
        QMap<QString, QVariantMap> expected = replayed(host(), date);
        QVERIFY(expected.size() > 20);
        for (auto it = expected.begin(); it != expected.end();) {
            // Codes compare as stored: right-aligned.
            const QString v = it->value(column).toString().trimmed().rightJustified(12);
            if (!column.isEmpty() && (v < from.rightJustified(12) || v > to.rightJustified(12)))
                it = expected.erase(it);
            else
                ++it;
        }
        QVERIFY(!expected.isEmpty());
        const int firstScreen = TAssetRegisterForm::FirstScreen();
        if (step > 0)
            TAssetRegisterForm::FirstScreen() = step;
        auto form = registerOn(date);
        for (const QString& t : typed) {
            auto* box = form->findChild<QLineEdit*>(t.section(QLatin1Char('='), 0, 0));
            QVERIFY(box != nullptr);
            QString text = t.section(QLatin1Char('='), 1);
            nth(text);
            TypeText(box, Persian(text));
        }
        for (const QString& name : unticked) {
            auto* state = form->findChild<QCheckBox*>(name);
            state->setFocus();
            QTest::keyClick(state, Qt::Key_Space);
            QVERIFY(!state->isChecked());
        }
        press(*form, Qt::Key_F5);
        TAssetRegisterForm::FirstScreen() = firstScreen;
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(host().dlgMsg->shown.value(0).text));
        QCOMPARE(form->ShownDate(), date);

        DataSet* rows = form->quRegister;
        QStringList codes;
        QMap<QString, double> costs;
        double accumulated = 0;
        for (rows->first(); !rows->eof(); rows->next()) {
            const QString code = rows->currentText(QStringLiteral("DaraCod"));
            codes << code;
            const QVariantMap& e = expected.value(code);
            QVERIFY2(Near(rows->fieldByName(QStringLiteral("BookValue"))->value().toDouble(),
                          e.value(QStringLiteral("Cost")).toDouble() -
                              e.value(QStringLiteral("Anbashteh")).toDouble()),
                     qPrintable(code));
            costs[rows->currentText(QStringLiteral("MadehCod")).trimmed()] +=
                rows->fieldByName(QStringLiteral("Cost"))->value().toDouble();
            accumulated += rows->fieldByName(QStringLiteral("Anbashteh"))->value().toDouble();
        }
        QCOMPARE(codes, expected.keys());
        QCOMPARE(form->lbStatus->text(), TAssetRegisterForm::CountText(int(expected.size())));

        DataSet* sums = form->quTotals;
        QCOMPARE(sums->recordCount(), int(costs.size()) + 1);
        for (sums->first(); !sums->eof(); sums->next()) {
            const double cost = sums->fieldByName(QStringLiteral("Cost"))->value().toDouble();
            if (sums->fieldByName(QStringLiteral("Grand"))->value().toInt() == 1) {
                QCOMPARE(sums->fieldByName(QStringLiteral("Tedad"))->value().toInt(),
                         int(expected.size()));
                double all = 0;
                for (double c : std::as_const(costs))
                    all += c;
                QVERIFY(Near(cost, all));
                QVERIFY(Near(sums->fieldByName(QStringLiteral("Anbashteh"))->value().toDouble(),
                             accumulated));
            } else {
                QVERIFY(Near(cost,
                             costs.value(sums->currentText(QStringLiteral("MadehCod")).trimmed())));
            }
        }
    }

    // Stopped while it reads the rest, the window keeps none of it and says so.
    void aStoppedRegisterKeepsNothing()
    {
        const int firstScreen = TAssetRegisterForm::FirstScreen();
        TAssetRegisterForm::FirstScreen() = 5;
        TWorkProgress::QuietMs() = 0;
        auto form = registerOn(host().global.Today);
        bool shown = false;
        StopWhenProgressShows(&shown);
        press(*form, Qt::Key_F5);
        TAssetRegisterForm::FirstScreen() = firstScreen;
        QVERIFY(shown);
        QVERIFY(!form->quRegister->active());
        QVERIFY(!form->quTotals->active());
        QCOMPARE(form->lbStatus->text(), TAssetRegisterForm::StoppedText);
        QVERIFY(form->ShownDate().isEmpty());
    }

    // Each bad input is said in Persian with the cursor back in the box at fault, and
    // nothing is shown.
    void registerWindowRefuses_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("not a day")
            << "1405/12/30" << QStringList() << TAssetRegisterForm::BadDateText << "EDay";
        QTest::newRow("outside every period")
            << "1390/01/01" << QStringList() << TAssetRegisterForm::NoPeriodText << "EDay";
        QTest::newRow("a range upside down") << "" << QStringList{"FrMakanCod=3", "ToMakanCod=1"}
                                             << TAssetRegisterForm::UpsideDownText << "FrMakanCod";
        QTest::newRow("no such asset") << "" << QStringList{"ToDaraCod=99999"}
                                       << TAssetRegisterForm::NoAssetText << "ToDaraCod";
    }
    void registerWindowRefuses()
    {
        QFETCH(QString, date);
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto form = registerOn(date.isEmpty() ? host().global.Today : date);
        for (const QString& t : typed)
            TypeText(form->findChild<QLineEdit*>(t.section(QLatin1Char('='), 0, 0)),
                     Persian(t.section(QLatin1Char('='), 1)));
        press(*form, Qt::Key_F5);
        QVERIFY(!host().dlgMsg->shown.isEmpty());
        QCOMPARE(host().dlgMsg->shown.last().text, message);
        QCOMPARE(form->focusWidget()->objectName(), focus);
        QVERIFY(!form->quRegister->active());
    }
};

AMVAL_TEST_MAIN(TestAssetCard)
#include "tst_assetcard.moc"
