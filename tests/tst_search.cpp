// The voucher search typed with keys on the demo company: ranges that hold for some
// voucher kinds only, codes searched in their stored form, sheets compared as text,
// the kinds chosen in the selection dialog, sorting, the charts of the result, the
// date keys, and a voucher saved by a second clerk while the window is open.

#include "amvalsearchunit.h"
#include "chartsteps.h"
#include "condtion2unit.h"
#include "context/workprogress.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "demohost.h"
#include "dialect.h"
#include "reportgrid.h"
#include "sqlquote.h"
#include "testmain.h"
#include "uitest.h"
#include "voucherdriver.h"

#include <QAction>
#include <QLabel>

namespace {

const QString kTransfer = QStringLiteral("تحويل/انتقال");
const QString kSetAside = QStringLiteral("کنارگذاري موقت");
const QString kReturn = QStringLiteral("برگشت از کنارگذاري موقت");
const QString kCount = QStringLiteral("اموال گرداني");

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    DemoHost& host() { return *m_host; }

    // Rows of the result per voucher kind.
    QMap<QString, int> sections(TAmvalSearchForm& form)
    {
        QMap<QString, int> counts;
        for (const QString& section : Texts(form.quSearch, "SectionNam"))
            ++counts[section];
        return counts;
    }
    // One column of the rows of `ds` (trimmed): all, or those whose `filter` reads `value`
    // (the result's "SectionNam" its kind, the kinds dialog's "CodeRet" its tick).
    static QStringList Texts(DataSet* ds, const QString& field, const QString& filter = {},
                             const QString& value = {})
    {
        QStringList values;
        for (bool more = ds->first(); more && !ds->eof(); more = ds->next()) {
            if (filter.isEmpty() || ds->currentText(filter) == value)
                values << ds->currentText(field).trimmed();
        }
        return values;
    }
    // Opens the kinds' dialog from the caption bar and lets `script` work in it; a
    // script that leaves it open cancels it. Returns the dialog's result.
    static int chooseKinds(TAmvalSearchForm& form,
                           const std::function<void(TCondtion2Form&)>& script)
    {
        WhenModal<TCondtion2Form>([script](TCondtion2Form* dialog) {
            script(*dialog);
            if (dialog->isVisible())
                dialog->done(2);
        });
        return form.sb_CondClick();
    }
    static QStringList Ticked(TCondtion2Form& dialog)
    {
        return Texts(dialog.quGrid[0], "WhatDoc", "CodeRet", TCondtion2Form::Mark);
    }
    // The dialog's grid on the kind `code`, by Down from the first row.
    static void goToKind(TCondtion2Form& dialog, const QString& code)
    {
        DataSet* ds = dialog.quGrid[0];
        ds->first();
        dialog.dbgGrid[0]->setFocus();
        while (ds->currentText("WhatDoc").trimmed() != code && ds->recNo() < ds->recordCount())
            QTest::keyClick(dialog.dbgGrid[0], Qt::Key_Down);
    }
    int count(const QString& sql, const QVariantList& values = {})
    {
        return StoredNumber(host().db(), sql, values);
    }
    QString firstOf(const QString& sql) { return host().scalar(sql).trimmed(); }

private slots:
    void init() { m_host = std::make_unique<DemoHost>(); }
    void cleanup() { m_host.reset(); }

    void rangesHoldForTheKindsThatCarryThem()
    {
        // An asset of a shorter code than the demo's, moved by a transfer: text order
        // would put it after them.
        host().exec("INSERT INTO D_Amval (DaraCod, DaraNam) VALUES ('    12', 'ميز')");
        host().exec("UPDATE D_Tahvil_Antegal SET DaraCod = '    12' WHERE Raj = 1 AND "
                    "SanadNoAmval = (SELECT MIN(SanadNoAmval) FROM D_Tahvil_Antegal)");
        auto form = OpenForm<TAmvalSearchForm>();
        QVERIFY(!form->R_SaveAsItem->isEnabled());
        Press(*form, Qt::Key_F5);
        QVERIFY(form->R_SaveAsItem->isEnabled());
        // The amounts are numbers to export and chart, whatever kind the first row is of.
        for (const char* amount : {"sValue", "ArzeshAsgat"})
            QCOMPARE(form->quSearch->fieldByName(amount)->kind(), DataField::Kind::Float);
        const QMap<QString, int> all = sections(*form);
        // A click on a title sorts by its column, codes as numbers (a second the other way:
        // the global unit's title sort).
        DbGrid* grid = form->dbgSearch;
        const int c = grid->columnOf("DaraCod");
        ClickTitle(grid, c);
        const QStringList codes = Texts(form->quSearch, "DaraCod");
        QStringList sorted = codes;
        std::sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
            return a.rightJustified(20) < b.rightJustified(20);
        });
        QCOMPARE(codes, sorted);
        QStringList coded = codes;
        coded.removeAll(QString());
        QCOMPARE(coded.value(0), QString("12"));
        QCOMPARE(form->lbStatus->text(),
                 TAmvalSearchForm::TotalText(form->quSearch->recordCount()));
        // Every row of a voucher whose asset is registered, under its kind's name.
        QCOMPARE(all.value(kTransfer), count("SELECT COUNT(*) FROM D_Tahvil_Antegal A JOIN D_Amval "
                                             "D ON D.DaraCod = A.DaraCod"));
        QVERIFY(all.value(kSetAside) > 0);
        QVERIFY(all.value(kReturn) > 0);

        // A place range narrows the transfers and the set-asides, a person range the
        // transfers alone; the kinds without the column keep every row. A code typed
        // with Enter is confirmed in its list, standing on it.
        // The place the first of its codes, the person the last: a range with either
        // end left out would hold more.
        const QString purchase = QStringLiteral("خريد/ساخت"), sale = QStringLiteral("فروش دارايي");
        const QList<std::tuple<QString, QLineEdit*, QLineEdit*, QStringList, QStringList>> ranges{
            {"MakanCod",
             form->FrMakanCod,
             form->ToMakanCod,
             {kTransfer, kSetAside},
             {purchase, sale}},
            {"PersonelCod DESC", form->FrPersonCod, form->ToPersonCod, {kTransfer}, {kSetAside}}};
        for (const auto& [order, from, to, narrowed, kept] : ranges) {
            const QString field = order.section(' ', 0, 0);
            const QString code =
                firstOf("SELECT " + field + " FROM D_Tahvil_Antegal ORDER BY " + order);
            TypeText(from, PersianDigits(code));
            QTest::keyClick(from, Qt::Key_Return);
            QCOMPARE(host().tempGridForm->shown.last().positionedKey, code);
            QVERIFY(form->focusWidget() == to);
            TypeText(to, code);
            Press(*form, Qt::Key_F5);
            const QMap<QString, int> found = sections(*form);
            QCOMPARE(found.value(kTransfer),
                     count("SELECT COUNT(*) FROM D_Tahvil_Antegal A JOIN D_Amval D ON D.DaraCod = "
                           "A.DaraCod WHERE TRIM(A." +
                               field + ") = ?",
                           {code}));
            QVERIFY(found.value(kTransfer) > 0 && found.value(kTransfer) < all.value(kTransfer));
            for (const QString& kind : narrowed)
                for (const QString& value : Texts(form->quSearch, field, "SectionNam", kind))
                    QCOMPARE(value, code);
            for (const QString& kind : kept)
                QCOMPARE(found.value(kind), all.value(kind));
            from->clear();
            to->clear();
        }

        // A detail code is searched in its stored form, zero-filled (an asset's code,
        // right-justified, in the one asset's history).
        TypeText(form->FrTafsily2Cod, "12");
        Press(*form, Qt::Key_F5);
        QCOMPARE(form->FrTafsily2Cod->text(),
                 QString("12").rightJustified(
                     host().db().dialect().columnWidth("D_Amval", "Tafsily2"), '0'));

        // Every code box opens its list on a double-click; closed without a choice,
        // the box keeps what it held.
        for (QLineEdit* box : {form->ToVazCod, form->ToDaraCod, form->ToPersonCod,
                               form->FrTafsily2Cod, form->ToMabadiCod}) {
            const QString held = box->text();
            const auto lists = host().tempGridForm->shown.size();
            host().tempGridForm->cancel();
            QTest::mouseDClick(box, Qt::LeftButton);
            QCOMPARE(host().tempGridForm->shown.size(), lists + 1);
            QVERIFY2(!host().tempGridForm->shown.last().keys.isEmpty(),
                     qPrintable(box->objectName()));
            QCOMPARE(box->text(), held);
        }
        form->FrTafsily2Cod->clear();

        // Parts left blank stay blank: Enter walks the six boxes and fills none. Then a
        // range typed with Enter, "to" before "from" (the boxes' own rules are the date
        // trio's).
        const QList<QLineEdit*> parts{form->FrDay, form->FrMonth, form->FrYear,
                                      form->ToDay, form->ToMonth, form->ToYear};
        for (const QStringList& typed :
             {QStringList(6),
              QStringList{PersianDigits("31"), "7", DemoYear(), "31", "06", DemoYear()}}) {
            form->FrDay->setFocus();
            for (int i = 0; i < parts.size(); ++i) {
                QVERIFY(form->focusWidget() == parts.at(i));
                TypeText(parts.at(i), typed.at(i));
                QTest::keyClick(parts.at(i), Qt::Key_Return);
            }
            QVERIFY(form->focusWidget() == form->FrMabadiCod);
            for (int i = 0; i < parts.size(); ++i)
                QVERIFY2(!typed.at(i).isEmpty() || parts.at(i)->text().isEmpty(),
                         qPrintable(parts.at(i)->objectName()));
        }
        // "To" before "from", a quote among the codes: nothing found, said, no failure.
        TypeText(form->FrPersonCod, QStringLiteral("'۱ک"));
        Press(*form, Qt::Key_F5);
        QVERIFY(form->quSearch->active());
        QVERIFY(form->quSearch->isEmpty());
        QCOMPARE(form->lbStatus->text(), TAmvalSearchForm::NothingFound);
        QVERIFY(host().dlgMsg->shown.isEmpty());
        form->FrDay->clear();
        form->ToDay->clear();
        form->FrPersonCod->clear();
        // Sheets compare as text, a range of them typed last: Enter in its last box
        // searches.
        host().exec("UPDATE D_Buy_Create SET Bargeh = '10'");
        host().exec("UPDATE D_KenarD SET Bargeh = '50'");
        TypeText(form->FrBargeh, PersianDigits("5") + "x");
        QCOMPARE(form->FrBargeh->text(), QString("5"));
        form->ToBargeh->setFocus();
        TypeText(form->ToBargeh, "9");
        QTest::keyClick(form->ToBargeh, Qt::Key_Return);
        const QMap<QString, int> found = sections(*form);
        QVERIFY(found.value(QStringLiteral("کنارگذاري دايمي")) > 0);
        QVERIFY(!found.contains(QStringLiteral("خريد/ساخت")));
        // The count has no sheets: a sheet range leaves its rows in, without one.
        QVERIFY(found.value(kCount) > 0);
        for (const QString& sheet : Texts(form->quSearch, "Bargeh"))
            QVERIFY2(sheet.isEmpty() || (sheet >= "5" && sheet <= "9"), qPrintable(sheet));
        QCOMPARE(Texts(form->quSearch, "Bargeh").count(QString()), found.value(kCount));
    }

    void chosenKindsAloneTakePart()
    {
        auto form = OpenForm<TAmvalSearchForm>();
        Press(*form, Qt::Key_F5);
        const QMap<QString, int> all = sections(*form);

        // Space unticks the rows it is on, a server session ending midway; OK searches
        // again without them. With the other registered kinds unticked, the nine remain
        // as they always were.
        QStringList shown;
        int answer = chooseKinds(*form, [&](TCondtion2Form& dialog) {
            shown = Ticked(dialog);
            for (const char* code : {"17", "19", "20", "21", "22"}) {
                goToKind(dialog, code);
                QTest::keyClick(dialog.dbgGrid[0], Qt::Key_Space);
                if (QByteArray(code) == "19" && TestPlace::OnServer()) {
                    // The server ends the session: the next Space is told the server is
                    // away and changes nothing; the next works on the copy made again.
                    host().endSession();
                    host().dlgMsg->shown.clear();
                    QTest::keyClick(dialog.dbgGrid[0], Qt::Key_Space);
                    QVERIFY(host().dlgMsg->shown.size() == 1 &&
                            host().dlgMsg->shown.first().text.contains("در دسترس نيست"));
                    host().dlgMsg->shown.clear();
                }
            }
            QTest::keyClick(dialog.OkBitBtn, Qt::Key_Space);
        });
        QCOMPARE(answer, 1);
        QCOMPARE(shown.size(), count("SELECT COUNT(*) FROM D_AsnadDara"));
        QVERIFY(all.value(kCount) > 0);
        QMap<QString, int> expected = all;
        for (const QString& gone : Column(host().db(), "SELECT DaraPartNam FROM D_AsnadDara WHERE "
                                                       "WhatDoc IN ('17', '19', '20', '21', '22')"))
            QVERIFY(expected.remove(gone) == 1);
        QCOMPARE(sections(*form), expected);

        // Shown again, every kind starts ticked; the menu unticks all, one is ticked.
        answer = chooseKinds(*form, [&](TCondtion2Form& dialog) {
            shown = Ticked(dialog);
            dialog.DeSelectAllItem->trigger();
            goToKind(dialog, "12");
            dialog.SelectRowItem->trigger();
            QTest::keyClick(dialog.OkBitBtn, Qt::Key_Space);
        });
        QCOMPARE(answer, 1);
        QCOMPARE(shown.size(), count("SELECT COUNT(*) FROM D_AsnadDara"));
        QCOMPARE(sections(*form).keys(), QStringList{QStringLiteral("خريد/ساخت")});
        // The amounts are numbers: the grid menu's column chart takes the purchases' cost
        // prices, labelled by their vouchers; the row chart the current row's amount and
        // salvage value.
        ChartPoints bars;
        QList<double> amounts, salvage;
        for (const QStringList& row :
             StoredRows(host().db(), "SELECT TRIM(A.SanadNoAmval), A.EndFee, A.Esshat FROM "
                                     "D_Buy_Create A JOIN D_Amval D ON D.DaraCod = A.DaraCod "
                                     "ORDER BY A.sDate, A.SanadNoAmval, A.Raj")) {
            bars.append({row.at(0), row.at(1).toDouble()});
            amounts << row.at(1).toDouble();
            salvage << row.at(2).toDouble();
        }
        QVERIFY(amounts.size() > 1);

        DbGrid* grid = form->dbgSearch;
        // The chart's points (every kind draws them alike: tst_charts).
        QVERIFY(
            ChartFromCell(grid, form->ReportGrid, 0, grid->columnOf("sValue"), "ColumnChartItem"));
        QCOMPARE(ShownChartPoints(), bars);
        CloseChart();

        const int row = int(amounts.size()) - 1;
        QVERIFY(
            ChartFromCell(grid, form->ReportGrid, row, grid->columnOf("DaraNam"), "RowChartItem"));
        QCOMPARE(ShownChartPoints(),
                 (ChartPoints{{QStringLiteral("مبلغ"), amounts.at(row)},
                              {QStringLiteral("ارزش اسقاط"), salvage.at(row)}}));
        CloseChart();
        // Shown with their thousands grouped.
        QCOMPARE(
            grid->model()->data(grid->model()->index(row, grid->columnOf("sValue"))).toString(),
            DataField::FormatNumber(amounts.at(row), "###,###,###,###,##0.###"));

        // A click on a title sorts the dialog's rows by it, a second click the other
        // way; Escape answers 2 and the choice stays as it was.
        QStringList byClicks[2];
        answer = chooseKinds(*form, [&](TCondtion2Form& dialog) {
            dialog.SelectAllItem->trigger();
            DbGrid* grid = dialog.dbgGrid[0];
            for (QStringList& codes : byClicks) {
                ClickTitle(grid, grid->columnOf("WhatDoc"));
                codes = Ticked(dialog); // every kind, in the order shown
            }
            QTest::keyClick(grid, Qt::Key_Escape);
        });
        QCOMPARE(answer, 2);
        QStringList codes = byClicks[0];
        std::sort(codes.begin(), codes.end());
        QCOMPARE(byClicks[0], codes);
        std::reverse(codes.begin(), codes.end());
        QCOMPARE(byClicks[1], codes);
        // The choice outlives a session the server ended (a restart does so), and the
        // window's tables with it.
        const QMap<QString, int> purchases = sections(*form);
        if (TestPlace::OnServer())
            host().endSession();
        Press(*form, Qt::Key_F5);
        QCOMPARE(ShownTexts(host()), QStringList());
        QCOMPARE(sections(*form), purchases);

        // None ticked: nothing found, and the window says so.
        chooseKinds(*form, [](TCondtion2Form& dialog) {
            dialog.DeSelectAllItem->trigger();
            QTest::keyClick(dialog.OkBitBtn, Qt::Key_Space);
        });
        QVERIFY(form->quSearch->isEmpty());
        QCOMPARE(form->lbStatus->text(), TAmvalSearchForm::NothingFound);
    }

    // A search on one asset (its code typed in Persian digits is searched in its stored
    // form) shows its whole history, a second clerk's vouchers stored since the last
    // search included, in the order its vouchers apply (by date; on one day as the
    // register applies them, then by number), its count among it with the place and
    // holder it was counted at. The result saved under a name typed in the save dialog
    // (Ctrl+S) is kept where a second clerk reads it, and opened again from the list
    // (Ctrl+O) after another search: the rows saved come back.
    void oneAssetsHistoryHoldsItsCount()
    {
        const QString asset = firstOf("SELECT G.DaraCod FROM D_Gardani G WHERE EXISTS (SELECT 1 "
                                      "FROM D_Buy_Create B WHERE B.DaraCod = G.DaraCod) ORDER "
                                      "BY G.DaraCod");
        QVERIFY(!asset.isEmpty());
        host().global.AppPath = QCoreApplication::applicationDirPath();
        auto form = OpenForm<TAmvalSearchForm>();
        TypeText(form->FrDaraCod, asset);
        TypeText(form->ToDaraCod, PersianDigits(asset));
        Press(*form, Qt::Key_F5);
        const Dialect& d = host().db().dialect();
        QCOMPARE(form->ToDaraCod->text(),
                 asset.rightJustified(d.columnWidth("D_Amval", "DaraCod")));
        const QMap<QString, int> before = sections(*form);
        // A second clerk's vouchers of the asset on one day, stored in an order other
        // than the day's while the window is open.
        const QString day = Day("07/07");
        const QStringList sameDay[] = {{"D_KenarM", "990", kSetAside},
                                       {"D_Tahvil_Antegal", "1000", kTransfer},
                                       {"D_AsaseChange", "990", QStringLiteral("تعميرات اساسي")},
                                       {"D_Tahvil_Antegal", "990", kTransfer},
                                       {"D_FirstTadil", "990", QStringLiteral("تعديلات اوليه")}};
        // Stored on a connection of its own.
        const auto clerk = host().openAgain();
        for (const QStringList& voucher : sameDay)
            clerk->execute(
                "INSERT INTO " + voucher.at(0) +
                    " (SanadNoAmval, Raj, sDate, DaraCod) VALUES (?, 1, ?, ?)",
                {voucher.at(1).rightJustified(d.columnWidth(voucher.at(0), "SanadNoAmval")), day,
                 asset.rightJustified(d.columnWidth(voucher.at(0), "DaraCod"))});
        // What every registered kind holds of it.
        QMap<QString, int> history;
        for (const QStringList& kind :
             StoredRows(host().db(), "SELECT DaraPartNam, TableNam FROM D_AsnadDara")) {
            const int n =
                count("SELECT COUNT(*) FROM " + kind.at(1) + " WHERE TRIM(DaraCod) = ?", {asset});
            if (n > 0)
                history[kind.at(0)] = n;
        }
        QCOMPARE(history.value(kCount), 1);
        QCOMPARE(before.value(kTransfer) + 2, history.value(kTransfer));

        // The next search shows them.
        Press(*form, Qt::Key_F5);
        QCOMPARE(sections(*form), history);
        // Read in its order, without a click on a title.
        QStringList dates = Texts(form->quSearch, "sDate");
        QVERIFY(std::is_sorted(dates.begin(), dates.end()));
        DataSet* ds = form->quSearch;
        QCOMPARE(Texts(ds, "SectionNam", "sDate", day),
                 (QStringList{QStringLiteral("تعديلات اوليه"), QStringLiteral("تعميرات اساسي"),
                              kTransfer, kTransfer, kSetAside}));
        QCOMPARE(Texts(ds, "SanadNoAmval", "sDate", day),
                 (QStringList{"990", "990", "990", "1000", "990"}));
        const QStringList counted = StoredRow(host().db(),
                                              "SELECT SanadNoAmval, SDate, MakanCod, PersonelCod "
                                              "FROM D_Gardani WHERE TRIM(DaraCod) = ?",
                                              {asset});
        QVERIFY(ds->locate({"SectionNam"}, {kCount}));
        QCOMPARE((QStringList{ds->currentText("SanadNoAmval"), ds->currentText("sDate"),
                              ds->currentText("MakanCod"), ds->currentText("PersonelCod")}),
                 counted);
        QVERIFY(!ds->currentText("MakanNam").trimmed().isEmpty());
        QVERIFY(!ds->currentText("PersonelNam").trimmed().isEmpty());
        QVERIFY(host().dlgMsg->shown.isEmpty());

        const int rows = form->quSearch->recordCount();
        const QString name = QStringLiteral("سوابق O'Neil ") + asset;
        QString notice;
        SaveReport(*form, name, &notice);
        QCOMPARE(notice, QStringLiteral("گزارش \"") + name + QStringLiteral("\" ثبت شد"));
        const QString table =
            StoredValue(*clerk, "SELECT TableName FROM Saved_Reports WHERE ReportName = ?", {name});
        QCOMPARE(StoredNumber(*clerk, "SELECT COUNT(*) FROM " + SqlIdent(table)), rows);

        for (QLineEdit* box : {form->FrDaraCod, form->ToDaraCod}) {
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_Backspace);
        }
        Press(*form, Qt::Key_F5);
        QVERIFY(form->quSearch->recordCount() > rows);

        QStringList listed;
        OpenReport(*form, &listed);
        QCOMPARE(listed, QStringList{name});
        QCOMPARE(form->quSearch->recordCount(), rows);
        QCOMPARE(sections(*form), history);
        QVERIFY(form->R_SaveAsItem->isEnabled());
    }

    // F5 shows the first rows of a long result at once, without copying it; saving it
    // copies it, with its progress window at work, whose stop button ends the copy at
    // once: nothing of it is kept, the result stays shown, no save is offered, and the
    // next save copies it whole.
    void aLongResultIsCopiedOnlyToBeSavedAndTheCopyCanBeStopped()
    {
        // Enough rows that the engine is still at work when the stop comes.
        host().db().execute(
            "INSERT INTO D_FirstTadil (SanadNoAmval, Raj, sDate, DaraCod, sValue) WITH "
            "RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000) "
            "SELECT 'T' || CAST(i AS VARCHAR(6)), 1, ?, (SELECT MIN(DaraCod) FROM D_Amval), i "
            "FROM n",
            {host().global.StartDate});
        host().global.AppPath = QCoreApplication::applicationDirPath();
        auto form = OpenForm<TAmvalSearchForm>();
        const auto copied = [&] {
            return count("SELECT COUNT(*) FROM " + SqlIdent(form->ResultTable()));
        };
        Press(*form, Qt::Key_F5);
        QVERIFY(form->quSearch->chunked());
        QVERIFY(form->quSearch->rowsHeld() < 60000);
        QVERIFY(!host().db().dialect().tempObjectExists(form->ResultTable()));
        QCOMPARE(form->lbStatus->text(), QString());
        // Walked to its end, chunk after chunk, every row comes once and in its order:
        // the numbers typed on one day come as numbers compare.
        QStringList numbers =
            Texts(form->quSearch, "SanadNoAmval", "SectionNam", QStringLiteral("تعديلات اوليه"));
        numbers.removeIf([](const QString& n) { return !n.startsWith('T'); });
        QCOMPARE(numbers.size(), 60000);
        for (int i = 1; i < numbers.size(); ++i)
            QVERIFY2(numbers.at(i).mid(1).toInt() == numbers.at(i - 1).mid(1).toInt() + 1,
                     qPrintable(numbers.at(i - 1) + " " + numbers.at(i)));
        // At its end the grid knows how many rows there are, and says so.
        QVERIFY(form->quSearch->recordCount() > 60000);
        QCOMPARE(form->lbStatus->text(),
                 TAmvalSearchForm::TotalText(form->quSearch->recordCount()));
        {
            const qint64 quiet = std::exchange(TWorkProgress::QuietMs(), 0);
            const auto restore = qScopeGuard([quiet] { TWorkProgress::QuietMs() = quiet; });
            bool shown = false;
            StopWhenProgressShows(&shown);
            Press(*form, Qt::Key_S, Qt::ControlModifier);
            QVERIFY(shown);
        }
        QCOMPARE(form->lbStatus->text(), TAmvalSearchForm::Stopped);
        QVERIFY(form->quSearch->active());
        QCOMPARE(copied(), 0);
        QVERIFY(host().dlgMsg->shown.isEmpty());

        bool offered = false;
        WhenModal<QDialog>(
            [&](QDialog* dialog) {
                offered = true;
                dialog->reject();
            },
            "SaveReportForm");
        Press(*form, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(offered);
        QCOMPARE(copied(), form->quSearch->recordCount());
        QVERIFY(copied() > 60000);
    }
};

AMVAL_TEST_MAIN(TestSearch)
#include "tst_search.moc"
