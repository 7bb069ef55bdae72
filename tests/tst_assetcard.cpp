// The asset card and the ledger check, driven by keys on the demo company.
#include "assetcardunit.h"
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

#include <QApplication>
#include <QClipboard>
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
};

AMVAL_TEST_MAIN(TestAssetCard)
#include "tst_assetcard.moc"
