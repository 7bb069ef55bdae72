// The asset card, the ledger check and the register on a date, driven by keys on the
// demo company.
#include "assetcardunit.h"
#include "assetregister.h"
#include "assetregisterunit.h"
#include "assetscheduleunit.h"
#include "clerkvoucher.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "demohost.h"
#include "installhost.h"
#include "ledgercheckunit.h"
#include "procedures.h"
#include "reportgrid.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"
#include "uitest.h"
#include "voucherdriver.h"
#include "voucherform.h"
#include "voucherkinds.h"

#include "context/workprogress.h"
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QSqlQuery>
#include <QToolButton>
#include <QtTest>

class TestAssetCard : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    DemoHost& host() { return *m_host; }

    // The card's window with `code` typed (Persian digits) and Enter pressed.
    std::unique_ptr<TAssetCardForm> typed(const QString& code)
    {
        auto form = OpenForm<TAssetCardForm>();
        TypeText(form->EDaraCod, PersianDigits(code.trimmed()));
        QTest::keyClick(form->EDaraCod, Qt::Key_Return);
        return form;
    }

    // Enter on the row of voucher `number` of `table` in `grid` opens that voucher in
    // its window.
    static void opensOnEnter(DbGrid* grid, const QString& table, const QString& number)
    {
        QVERIFY(grid->dataSet()->locate({"TableNam", "SanadNoAmval"}, {table, number}));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Return);
        const QList<TVoucherForm*> opened = TopLevel<TVoucherForm>();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first()->Kind().Facts.table, table);
        QCOMPARE(opened.first()->SanadID->text().trimmed(), number);
        // A window of its own (wider than the screen here) keeps its caption's close
        // button at its own right edge.
        const QRect close = opened.first()->sb_Closed->geometry();
        QVERIFY2(close.right() < opened.first()->width() &&
                     close.right() > opened.first()->width() - 40,
                 qPrintable(QString::number(close.right())));
        DeleteTopLevel<TVoucherForm>();
    }

    // The asset transferred most often.
    QString busiestAsset()
    {
        return host().scalar("SELECT DaraCod FROM D_Tahvil_Antegal GROUP BY "
                             "DaraCod ORDER BY COUNT(*) DESC, DaraCod LIMIT 1");
    }

    // The first account ("Koll Moein") whose difference, as the check's accounts say
    // it, is not the sum of the amounts of its list; "" when every one is.
    static QString unbalanced(const TLedgerCheckForm& form)
    {
        QMap<QString, double> left;
        for (const auto& [rows, column, sign] :
             {std::tuple{form.quAccounts, "Difference", 1}, {form.quVouchers, "Amount", -1}})
            for (rows->first(); !rows->eof(); rows->next())
                left[rows->currentText("Koll") + ' ' + rows->currentText("Moein")] +=
                    sign * rows->fieldByName(QLatin1String(column))->value().toDouble();
        for (auto it = left.cbegin(); it != left.cend(); ++it)
            if (!Near(*it, 0))
                return it.key() + ": " + QString::number(*it);
        return QString();
    }

    // The register on `date` as sp_D_Amval_OnDate gives it, every range open, of the
    // states `states` (all when empty): each asset's columns by code.
    static QMap<QString, QVariantMap> replayed(DemoHost& h, const QString& date,
                                               const QString& states = QString())
    {
        const ProcedureResult r = h.db().callProcedure(
            "sp_D_Amval_OnDate", QStringList{date} + QStringList(12) + QStringList{states});
        QMap<QString, QVariantMap> out;
        for (const QVariantList& row : r.rows) {
            QVariantMap m;
            for (int c = 0; c < r.columns.size(); ++c)
                m.insert(r.columns.at(c), row.at(c));
            out.insert(row.first().toString(), m);
        }
        return out;
    }

    // The register as D_Amval holds it, in the replay's columns, by code: the cost
    // (registered, purchases' cost prices, adjustments, improvements, less reductions)
    // and the state from the sales and retirements stored. Of the assets registered
    // with a cost or bought, as the replay lists them, or of `all`.
    static QMap<QString, QVariantMap> stored(DemoHost& h, bool all = false)
    {
        static const QStringList texts{"PersonelCod", "MakanCod", "Tafsily2", "RaveshEst",
                                       "VezCod"};
        static const QStringList numbers{"EndValue",    "TadilValue", "AsaseChangeValue",
                                         "ReduceValue", "Salianeh",   "Nozooli",
                                         "Anbashteh",   "Esshat"};
        const QString same = "trim(X.DaraCod) = trim(A.DaraCod)";
        QStringList select{"A.DaraCod"};
        for (const QString& t : texts)
            select << QString("COALESCE(A.%1, '')").arg(t);
        for (const QString& n : numbers)
            select << QString("COALESCE(A.%1, 0)").arg(n);
        select << QStringLiteral(
                      "COALESCE(A.EndValue, 0) + COALESCE(A.TadilValue, 0) + "
                      "COALESCE(A.AsaseChangeValue, 0) - COALESCE(A.ReduceValue, 0) + "
                      "COALESCE((SELECT SUM(X.EndFee) FROM D_Buy_Create AS X WHERE %1), 0)")
                      .arg(same);
        select << QStringLiteral(
                      "CASE WHEN EXISTS (SELECT 1 FROM D_ForoshDaymeh AS X WHERE %1) THEN 'S' "
                      "WHEN COALESCE((SELECT MAX(X.sDate) FROM D_KenarD AS X WHERE %1), '') > "
                      "COALESCE((SELECT MAX(X.sDate) FROM D_BarKenarD AS X WHERE %1), '') THEN "
                      "'R' WHEN trim(COALESCE(A.KenarDate, '')) <> '' THEN 'T' ELSE 'U' END")
                      .arg(same);
        QSqlQuery q = h.db().select(
            "SELECT " + select.join(", ") + " FROM D_Amval AS A" +
            (all ? QString()
                 : QString(" WHERE COALESCE(A.EndValue, 0) <> 0 OR EXISTS (SELECT 1 FROM "
                           "D_Buy_Create AS X WHERE %1)")
                       .arg(same)));
        const QStringList names = texts + numbers + QStringList{"Cost", "StateCode"};
        QMap<QString, QVariantMap> out;
        while (q.next()) {
            QVariantMap m;
            for (int i = 0; i < names.size(); ++i) {
                const bool number = i >= texts.size() && i < names.size() - 1;
                m.insert(names.at(i), number ? QVariant(q.value(i + 1).toDouble())
                                             : QVariant(q.value(i + 1).toString()));
            }
            out.insert(q.value(0).toString(), m);
        }
        return out;
    }

    // The first difference between a replay and a stored register ("" when none).
    static QString difference(const QMap<QString, QVariantMap>& replay,
                              const QMap<QString, QVariantMap>& register_)
    {
        if (replay.keys() != register_.keys())
            return QString("assets: %1 replayed, %2 held").arg(replay.size()).arg(register_.size());
        for (auto it = register_.cbegin(); it != register_.cend(); ++it) {
            const QVariantMap& r = replay.value(it.key());
            for (auto c = it->cbegin(); c != it->cend(); ++c) {
                const QVariant mine = r.value(c.key());
                const bool same = c->typeId() == QMetaType::Double
                                      ? Near(mine.toDouble(), c->toDouble())
                                      : mine.toString() == c->toString();
                if (!same)
                    return it.key() + ' ' + c.key() + ": " + mine.toString() + " replayed, " +
                           c->toString() + " stored";
            }
        }
        return QString();
    }

    // Deletes, as a clerk's window does, every voucher with a row that applies after
    // `date` (a method change from its start date).
    static void deleteAfter(DemoHost& h, const QString& date)
    {
        for (const VoucherKind& kind : VoucherKinds()) {
            if (kind.table.isEmpty() || kind.procedure.isEmpty())
                continue;
            const QString applies = kind.table == "D_SoulationChange"
                                        ? "COALESCE(NULLIF(trim(StartDate), ''), "
                                          "sDate)"
                                        : "sDate";
            const QStringList numbers =
                Column(h.db(), "SELECT DISTINCT SanadNoAmval FROM " + kind.table + " WHERE " +
                                   applies + " > " + SqlQuote(date));
            for (const QString& number : numbers)
                QVERIFY(ClerkDeletes(h, kind, number));
        }
    }

    // The register window, its date typed in Persian digits.
    std::unique_ptr<TAssetRegisterForm> registerOn(const QString& date)
    {
        auto form = OpenForm<TAssetRegisterForm>();
        const QStringList parts = date.split('/');
        for (QLineEdit* e : {form->EDay, form->EMonth, form->EYear})
            e->clear();
        TypeText(form->EDay, PersianDigits(parts.at(2)));
        TypeText(form->EMonth, PersianDigits(parts.at(1)));
        TypeText(form->EYear, PersianDigits(parts.at(0)));
        return form;
    }

private slots:
    void init() { m_host = std::make_unique<DemoHost>(); }
    void cleanup()
    {
        DeleteTopLevel<TVoucherForm>();
        m_host.reset();
    }

    // Typed in Persian digits: the rows in the recompute's order with what each moved;
    // Enter on a row opens its voucher; the card is kept under a name (Ctrl+S). A second
    // clerk gives a transfer another holder, which its row then says, and deletes it:
    // the card read again has lost its row and still ends at the record. The card kept
    // comes back from the list (Ctrl+O), as it was.
    void cardOfOneAssetFollowsItsVouchers()
    {
        const QString code = busiestAsset();
        auto form = typed(code);
        DataSet* card = form->quCard;
        QVERIFY(card->recordCount() >= 3);
        QString previous;
        QString transfer;
        for (card->first(); !card->eof(); card->next()) {
            const QString date = card->currentText("sDate");
            QVERIFY2(date >= previous, qPrintable(date));
            previous = date;
            if (card->currentText("TableNam") == "D_Tahvil_Antegal" && transfer.isEmpty()) {
                transfer = card->currentText("SanadNoAmval");
                QVERIFY2(card->currentText("Taghirat").contains("تحويل گيرنده: از "),
                         qPrintable(card->currentText("Taghirat")));
            }
        }
        QVERIFY(!transfer.isEmpty());
        const int rows = card->recordCount();
        opensOnEnter(form->dbgCard, "D_Tahvil_Antegal", transfer);
        const auto onTransfer = [&] {
            return card->locate({"TableNam", "SanadNoAmval"}, {"D_Tahvil_Antegal", transfer});
        };
        host().global.AppPath = QCoreApplication::applicationDirPath();
        SaveReport(*form, "كارت ۱");

        DemoHost clerk(host().dataFolder(), 2, "كارشناس اموال");
        const VoucherKind& kind = VoucherKindOf(VoucherKindId::TahvilAntegal);
        const QString holder = clerk.scalar("SELECT Code FROM Person ORDER BY "
                                            "Code DESC LIMIT 1");
        QVERIFY(!ClerkSaves(clerk.db(), kind, transfer,
                            {{"UPDATE amval_clerk_rows SET PersonelCod = ? WHERE "
                              "trim(DaraCod) = ?",
                              {holder, code.trimmed()}}})
                     .isEmpty());
        InstallHost(host());
        QVERIFY(form->ShowCard());
        QCOMPARE(card->recordCount(), rows);
        QVERIFY(onTransfer());
        const QString moved = card->currentText("Taghirat");
        QVERIFY2(moved.contains(" به " + holder.trimmed()), qPrintable(moved));

        QVERIFY(ClerkDeletes(clerk, kind, transfer));
        InstallHost(host());
        QVERIFY(form->ShowCard());
        QCOMPARE(card->recordCount(), rows - 1);
        QVERIFY(!onTransfer());
        card->last();
        const auto records = stored(host(), true);
        for (const char* c : {"Cost", "Anbashteh"})
            QVERIFY2(Near(card->fieldByName(c)->value().toDouble(),
                          records.value(code).value(c).toDouble()),
                     c);
        // The card replays the recompute's fold: every asset's card, this one's too, ends
        // at its record.
        QVERIFY(records.size() > 50);
        for (auto it = records.cbegin(); it != records.cend(); ++it) {
            const ProcedureResult fold = host().db().callProcedure("sp_D_Amval_Card", {it.key()});
            QVERIFY2(!fold.rows.isEmpty(), qPrintable(it.key()));
            const int last = int(fold.rows.size()) - 1;
            for (const char* c : {"Cost", "Anbashteh"})
                QVERIFY2(Near(fold.value(c, last).toDouble(), it->value(c).toDouble()),
                         qPrintable(it.key() + ' ' + c));
        }

        // The card kept before the clerk's changes comes back from the list.
        OpenReport(*form);
        QCOMPARE(card->recordCount(), rows);
        QVERIFY(onTransfer());
    }

    // A count found the asset: its row on the card, in its date's place, has no row
    // number and moves nothing; Enter opens the count in its window.
    void countOnTheCard()
    {
        const QStringList counted = StoredRows(host().db(), "SELECT DaraCod, SanadNoAmval, SDate "
                                                            "FROM D_Gardani ORDER BY SanadNoAmval")
                                        .value(0);
        QCOMPARE(counted.size(), 3);
        auto form = typed(counted.at(0));
        DataSet* card = form->quCard;
        QVERIFY(card->locate({"TableNam"}, {"D_Gardani"}));
        QCOMPARE(card->currentText("SanadNoAmval").trimmed(), counted.at(1).trimmed());
        QCOMPARE(card->currentText("sDate"), counted.at(2));
        QVERIFY(card->fieldByName("Raj")->value().isNull());
        QCOMPARE(card->currentText("Taghirat"), QString());
        QCOMPARE(card->currentText("SectionNam"), VoucherKindOf(VoucherKindId::Gardani).caption);
        opensOnEnter(form->dbgCard, "D_Gardani", counted.at(1).trimmed());
    }

    // In the host's page, the voucher Enter opens from the card stands in the card's
    // place; the task asked for again meanwhile shows the voucher. Escape closes it,
    // and the card is back with its grid under the keys.
    void voucherStandsInTheCardsPlaceInItsPage()
    {
        QWidget page;
        page.resize(1200, 700);
        page.show();
        const QString counted = host().scalar("SELECT MIN(DaraCod) FROM D_Gardani");
        auto form = typed(counted);
        form->DockInto(&page);
        QVERIFY(form->quCard->locate({"TableNam"}, {"D_Gardani"}));
        form->dbgCard->setFocus();
        QTest::keyClick(form->dbgCard, Qt::Key_Return);
        QCOMPARE(TopLevel<TVoucherForm>().size(), 0);
        QPointer<TVoucherForm> voucher =
            page.findChild<TVoucherForm*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(voucher);
        QVERIFY(voucher->isVisible());
        QVERIFY(!form->isVisible());
        form->DockInto(&page);
        QVERIFY(voucher->isVisible());
        QVERIFY(!form->isVisible());
        QTest::keyClick(voucher->SanadID, Qt::Key_Escape);
        QTRY_VERIFY(!voucher);
        QVERIFY(form->isVisible());
        QCOMPARE(form->focusWidget(), form->dbgCard);
        form.release()->close();
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
        const auto row = [](const char* name, const QString& typed, const QString& pasted,
                            bool company, const QString& message) {
            QTest::newRow(name) << typed << pasted << company << message;
        };
        row("no such asset", "99999", "", true, TAssetCardForm::NoAssetText);
        row("letters pasted", "", "12ab", true, TAssetCardForm::DigitsOnlyText);
        row("no company", "1001", "", false, TAssetCardForm::NoCompanyText);
        row("chosen from the list", "", "", true, "");
    }
    void codeBoxAnswers()
    {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(bool, company);
        QFETCH(QString, message);
        if (!company)
            host().global.CompanyCode.clear();
        const QString chosen = host().scalar("SELECT MAX(DaraCod) FROM D_Amval");
        host().tempGridForm->choose(chosen.trimmed());
        auto form = typed.isEmpty() ? OpenForm<TAssetCardForm>() : this->typed(typed);
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

    // Each account's difference is what the listed vouchers carry. A second clerk saves
    // a voucher while the company issues its accounting vouchers at the end of the
    // period: it is listed, with its amount, as not issued. Once the company issues them
    // at once, a logged save whose accounting voucher a clerk deleted is listed as
    // deleted after issuing. Enter on a listed voucher opens it.
    void ledgerDifferencesAreTheListedVouchers()
    {
        auto form = OpenForm<TLedgerCheckForm>();
        QVERIFY(form->quAccounts->active());
        // The listed rows of one voucher: their amounts summed, and their reason.
        const auto listed = [&form](const QString& table, const QString& number) {
            std::pair<double, QString> out{0, QString()};
            DataSet* v = form->quVouchers;
            for (v->first(); !v->eof(); v->next()) {
                if (v->currentText("TableNam") == table &&
                    v->currentText("SanadNoAmval") == number) {
                    out.first += v->fieldByName("Amount")->value().toDouble();
                    out.second = v->currentText("ReasonNam");
                }
            }
            return out;
        };
        QCOMPARE(unbalanced(*form), QString());
        QCOMPARE(listed("D_Buy_Create", "1").second, QString());

        DemoHost clerk(host().dataFolder(), 2, "كارشناس اموال");
        const QString saved =
            ClerkSaves(clerk.db(), VoucherKindOf(VoucherKindId::FirstTadil), "1", {}, true);
        const double amount = clerk
                                  .scalar("SELECT SUM(sValue) FROM D_FirstTadil WHERE "
                                          "trim(SanadNoAmval) = ?",
                                          {saved})
                                  .toDouble();
        QVERIFY(amount != 0);
        InstallHost(host());
        QVERIFY(form->Check());
        const auto added = listed("D_FirstTadil", saved);
        QVERIFY(Near(added.first, amount));
        QCOMPARE(added.second, TLedgerCheckForm::ReasonText("NEW"));
        // (A sold asset of the voucher moves its sale's listed amount the other way.)
        QCOMPARE(unbalanced(*form), QString());

        // The demo issued the accounting voucher of the first purchase.
        const QString whatDoc = VoucherKindOf(VoucherKindId::BuyCreate).whatDoc;
        clerk.exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', "
                   "'SANAD_TIME=ANE')");
        clerk.db().procedures()->logAction(clerk.db(),
                                           {VoucherKindOf(VoucherKindId::BuyCreate).actionLabel,
                                            "1", clerk.global.UserName, "E", clerk.global.Today,
                                            "9:00:00", clerk.global.TempStem});
        clerk.exec("DELETE FROM Asnad WHERE TypeSys = 'D' AND WhatDoc = ? AND "
                   "trim(Document) = '1'",
                   {whatDoc});
        InstallHost(host());
        QVERIFY(form->Check());
        const auto deleted = listed("D_Buy_Create", "1");
        QVERIFY(deleted.first > 0);
        QCOMPARE(deleted.second, TLedgerCheckForm::ReasonText("DELETED"));
        QCOMPARE(unbalanced(*form), QString());
        opensOnEnter(form->dbgVouchers, "D_Buy_Create", "1");
    }

    // The rows a card, the ledger check, the register on a day (read in two steps) and
    // the yearly schedule show are in work tables of the server's session, which their
    // menus (save, export) and the reading of a long result read: a session the server
    // ended is followed by one holding them again, row for row.
    void reportTablesOutliveTheSessionTheServerEnded()
    {
        if (!TestPlace::OnServer())
            QSKIP("a data folder's session is never ended by a server");
        auto card = typed(busiestAsset());
        auto ledger = OpenForm<TLedgerCheckForm>();
        const int firstScreen = TAssetRegisterForm::FirstScreen();
        TAssetRegisterForm::FirstScreen() = 7;
        auto onDate = registerOn(host().global.Today);
        const bool registerShown = onDate->ShowRegister();
        TAssetRegisterForm::FirstScreen() = firstScreen;
        QVERIFY(registerShown);
        auto schedule = OpenForm<TAssetScheduleForm>();
        QVERIFY(schedule->ShowSchedule() && schedule->CompleteSchedule());
        // "rows/digest of the rows" (each with its number), or why the table could not be
        // read.
        const auto rows = [&](const QString& table) {
            try {
                return host().scalar("SELECT COUNT(*) || '/' || md5(string_agg(CAST(T AS TEXT), "
                                     "'|' ORDER BY CAST(T AS TEXT))) FROM " +
                                     SqlIdent(table) + " AS T");
            } catch (const DatabaseError& e) {
                return QString::fromUtf8(e.what());
            }
        };
        const QList<std::pair<QString, DataSet*>> shown{
            {card->ResultTable(), card->quCard},
            {ledger->AccountsReport->tableName(), ledger->quAccounts},
            {ledger->VouchersReport->tableName(), ledger->quVouchers},
            {onDate->ResultTable(), onDate->quRegister},
            {onDate->TotalsTable(), onDate->quTotals},
            {schedule->ResultTable(), schedule->quSchedule}};
        QStringList before;
        for (const auto& [table, rowsShown] : shown) {
            before << rows(table);
            QVERIFY2(before.constLast().startsWith(QString::number(rowsShown->recordCount()) + '/'),
                     qPrintable(table + ": " + before.constLast()));
        }
        QVERIFY(card->quCard->recordCount() >= 3 && onDate->quRegister->recordCount() > 7);
        for (int end = 0; end < 2; ++end) {
            host().endSession();
            QStringList after;
            for (const auto& [table, rowsShown] : shown)
                after << rows(table);
            QCOMPARE(after, before);
        }
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
        // The first method change starts at the period's end, long after its date.
        const QString change =
            host().scalar("SELECT SanadNoAmval FROM D_SoulationChange ORDER BY sDate LIMIT 1");
        const QString changed = host().scalar(
            "SELECT MIN(sDate) FROM D_SoulationChange WHERE SanadNoAmval = ?", {change});
        QVERIFY(!change.isEmpty() && changed < host().global.EndDate);
        for (DemoHost* h : {&host(), &second})
            QVERIFY(!ClerkSaves(
                         h->db(), VoucherKindOf(VoucherKindId::SoulationChange), change,
                         {{"UPDATE amval_clerk_rows SET StartDate = ?", {host().global.EndDate}}})
                         .isEmpty());
        QString date = day == "end" ? host().global.EndDate : changed;
        if (day == "pair") {
            // An adjustment saved in both places on the day of a reduction of the same
            // asset: it applies first, and the share of the accumulated depreciation the
            // reduction takes depends on it.
            QSqlQuery q = host().db().select(QStringLiteral(
                "SELECT DaraCod, sDate FROM D_DaraeReduce ORDER BY sDate DESC LIMIT 1"));
            QVERIFY(q.next());
            const QString asset = q.value(0).toString();
            date = q.value(1).toString();
            for (DemoHost* h : {&host(), &second})
                QVERIFY(!ClerkSaves(h->db(), VoucherKindOf(VoucherKindId::FirstTadil),
                                    h->scalar("SELECT MIN(SanadNoAmval) FROM D_FirstTadil"),
                                    {{kFirstRowOnly, {}},
                                     {"UPDATE amval_clerk_rows SET DaraCod = ?, sDate = ?",
                                      {asset, date}}},
                                    true)
                             .isEmpty());
        }
        QVERIFY(!date.isEmpty());
        deleteAfter(second, date);
        InstallHost(host());
        QCOMPARE(difference(replayed(host(), date), stored(second)), QString());

        // A second clerk in each place doubles an adjustment dated up to the day and
        // deletes the latest other voucher up to the day of a kind the register reads.
        const auto before = replayed(host(), date);
        const QString adjustment =
            host().scalar("SELECT SanadNoAmval FROM D_FirstTadil WHERE sDate <= ? ORDER BY "
                          "sDate, SanadNoAmval LIMIT 1",
                          {date});
        const QString adjusted = host().scalar(
            "SELECT DaraCod FROM D_FirstTadil WHERE SanadNoAmval = ? LIMIT 1", {adjustment});
        QStringList parts; // the voucher tables whose rows the register reads
        for (const QString& table : AssetRegister::FollowedTables() +
                                        QStringList{"D_Buy_Create", "D_ForoshDaymeh", "D_KenarD"})
            parts << QString("SELECT '%1' AS T, SanadNoAmval AS N, sDate AS D FROM %1 "
                             "WHERE sDate <= ?")
                         .arg(table);
        const QString other =
            host().scalar("SELECT T || '|' || N FROM (" + parts.join(" UNION ALL ") +
                              ") AS U WHERE NOT (T = 'D_FirstTadil' AND N = ?) ORDER BY D DESC, "
                              "T, N LIMIT 1",
                          QVariantList(parts.size(), date) << adjustment);
        const VoucherKind* deleted = FindVoucherKindByTable(other.section('|', 0, 0));
        QVERIFY(!adjustment.isEmpty() && deleted != nullptr);
        for (const QString& folder : {host().dataFolder(), second.dataFolder()}) {
            DemoHost clerk(folder, 2, "كارشناس اموال");
            QVERIFY(!ClerkSaves(clerk.db(), VoucherKindOf(VoucherKindId::FirstTadil), adjustment,
                                {{"UPDATE amval_clerk_rows SET sValue = sValue * 2", {}}})
                         .isEmpty());
            QVERIFY(ClerkDeletes(clerk, *deleted, other.section('|', 1)));
        }
        InstallHost(host());
        const auto after = replayed(host(), date);
        QCOMPARE(difference(after, stored(second)), QString());
        QVERIFY(!Near(after.value(adjusted).value("TadilValue").toDouble(),
                      before.value(adjusted).value("TadilValue").toDouble()));
    }

    // Typed through the window (the day and the codes in Persian digits, the states by
    // Space): the rows are the register's on that day within the ranges and states, in
    // code order; the sums per article and the grand total are those of the rows. The
    // first row walks the rest in small steps. Each bad input is said in Persian with the
    // cursor back in the box at fault; stopped while it reads the rest, the window says
    // so. Either way it shows nothing and keeps nothing.
    void registerWindow_data()
    {
        QTest::addColumn<QString>("day");      // "" today (the demo's vouchers may be later)
        QTest::addColumn<QStringList>("keys"); // "Box=text" typed into the box, "cbX" unticked
        QTest::addColumn<QString>("column");   // the rows shown: those of column in from..to
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("step");        // the first screen's rows; 0 as it is
        QTest::addColumn<QString>("message"); // a refusal, or the status when stopped
        QTest::addColumn<QString>("focus");   // the box at fault; "" stopped
        const auto shown = [](const char* name, const QStringList& keys, const QString& column,
                              const QString& from, const QString& to, int step = 0) {
            // The year's last day: every demo voucher counts, whenever the suite runs.
            QTest::newRow(name) << Day("12/29") << keys << column << from << to << step << ""
                                << "";
        };
        const auto refused = [](const char* name, const QString& day, const QStringList& keys,
                                const QString& message, const QString& focus, int step = 0) {
            QTest::newRow(name) << day << keys << ""
                                << ""
                                << "" << step << message << focus;
        };
        shown("every asset, in steps of 7", {}, "", "", "", 7);
        shown("places 1 to 2", {"FrMakanCod=1", "ToMakanCod=2"}, "MakanCod", "1", "2");
        shown("holder 101", {"FrPersonCod=101", "ToPersonCod=101"}, "PersonelCod", "101", "101");
        // "#n": the code of the register's n-th asset.
        shown("the 5th to the 20th asset", {"FrDaraCod=#5", "ToDaraCod=#20"}, "DaraCod", "#5",
              "#20");
        shown("sold only", {"cbInUse", "cbSetAside", "cbRetired"}, "StateCode", "S", "S");
        shown("in use and set aside", {"cbRetired", "cbSold"}, "StateCode", "T", "U");
        refused("not a day", "1405/12/30", {}, TAssetRegisterForm::BadDateText, "EDay");
        refused("outside every period", "1390/01/01", {}, TAssetRegisterForm::NoPeriodText, "EDay");
        refused("a range upside down", "", {"FrMakanCod=3", "ToMakanCod=1"},
                TAssetRegisterForm::UpsideDownText, "FrMakanCod");
        refused("no such asset", "", {"ToDaraCod=99999"}, TAssetRegisterForm::NoAssetText,
                "ToDaraCod");
        refused("stopped while it reads the rest", "", {}, TAssetRegisterForm::StoppedText, "", 5);
    }
    void registerWindow()
    {
        QFETCH(QString, day);
        QFETCH(QStringList, keys);
        QFETCH(QString, column);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, step);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        const auto nth = [this](QString& text) {
            if (text.startsWith('#'))
                text = host().scalar("SELECT trim(DaraCod) FROM D_Amval ORDER BY "
                                     "DaraCod LIMIT 1 OFFSET ?",
                                     {text.mid(1).toInt() - 1});
        };
        nth(from);
        nth(to);
        const QString date = day.isEmpty() ? host().global.Today : day;
        const int firstScreen = TAssetRegisterForm::FirstScreen();
        const int quiet = TWorkProgress::QuietMs();
        if (step > 0)
            TAssetRegisterForm::FirstScreen() = step;
        auto form = registerOn(date);
        for (const QString& k : keys) {
            if (k.contains('=')) {
                auto* box = form->findChild<QLineEdit*>(k.section('=', 0, 0));
                QVERIFY2(box != nullptr, qPrintable(k));
                QString text = k.section('=', 1);
                nth(text);
                TypeText(box, PersianDigits(text));
                continue;
            }
            auto* state = form->findChild<QCheckBox*>(k);
            QVERIFY2(state != nullptr, qPrintable(k));
            state->setFocus();
            QTest::keyClick(state, Qt::Key_Space);
            QVERIFY(!state->isChecked());
        }
        bool stopped = false;
        if (!message.isEmpty() && focus.isEmpty()) {
            TWorkProgress::QuietMs() = 0;
            StopWhenProgressShows(&stopped);
        }
        Press(*form, Qt::Key_F5);
        TAssetRegisterForm::FirstScreen() = firstScreen;
        TWorkProgress::QuietMs() = quiet;
        if (!message.isEmpty()) {
            if (focus.isEmpty()) {
                QVERIFY(stopped);
                QCOMPARE(form->lbStatus->text(), message);
            } else {
                QCOMPARE(ShownTexts(host()), QStringList{message});
                QCOMPARE(form->focusWidget()->objectName(), focus);
            }
            QVERIFY(!form->quRegister->active());
            QVERIFY(!form->quTotals->active());
            QVERIFY(form->ShownDate().isEmpty());
            return;
        }
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(host().dlgMsg->shown.value(0).text));
        QCOMPARE(form->ShownDate(), date);

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
        DataSet* rows = form->quRegister;
        QStringList codes;
        QMap<QString, double> costs;
        double accumulated = 0;
        for (rows->first(); !rows->eof(); rows->next()) {
            const QString code = rows->currentText("DaraCod");
            codes << code;
            const QVariantMap& e = expected.value(code);
            QVERIFY2(Near(rows->fieldByName("BookValue")->value().toDouble(),
                          e.value("Cost").toDouble() - e.value("Anbashteh").toDouble()),
                     qPrintable(code));
            costs[rows->currentText("MadehCod").trimmed()] +=
                rows->fieldByName("Cost")->value().toDouble();
            accumulated += rows->fieldByName("Anbashteh")->value().toDouble();
        }
        QCOMPARE(codes, expected.keys());
        QCOMPARE(form->lbStatus->text(), TAssetRegisterForm::CountText(int(expected.size())));

        DataSet* sums = form->quTotals;
        QCOMPARE(sums->recordCount(), int(costs.size()) + 1);
        for (sums->first(); !sums->eof(); sums->next()) {
            const double cost = sums->fieldByName("Cost")->value().toDouble();
            if (sums->fieldByName("Grand")->value().toInt() == 1) {
                QCOMPARE(sums->fieldByName("Tedad")->value().toInt(), int(expected.size()));
                double all = 0;
                for (double c : std::as_const(costs))
                    all += c;
                QVERIFY(Near(cost, all));
                QVERIFY(Near(sums->fieldByName("Anbashteh")->value().toDouble(), accumulated));
            } else {
                const QString article = sums->currentText("MadehCod").trimmed();
                QVERIFY(Near(cost, costs.value(article)));
                // Each row names its article; the assets of none (the demo's land) say so.
                const QString name = sums->currentText("MadehNam").trimmed();
                QVERIFY2(!name.isEmpty(), qPrintable(article));
                QCOMPARE(name == TAssetRegisterForm::NoArticleText, article.isEmpty());
            }
        }
    }
};

AMVAL_TEST_MAIN(TestAssetCard)
#include "tst_assetcard.moc"
