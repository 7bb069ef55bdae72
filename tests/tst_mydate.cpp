// Jalali date services: the validity rule, the day and month handlers, the date-trio
// keyboard behaviour, the clock texts, the work tables' names and the fiscal period check.

#include "datetrio.h"
#include "globalunit.h"
#include "installhost.h"
#include "testmain.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

class TestMyDate : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_host = std::make_unique<ScriptedHost>();
        InstallHost(*m_host);
    }

    // Blank texts are valid; otherwise "yyyy/mm/dd" exactly, within the month's days as
    // the Jalali calendar has them; letters read as zero. Esfand 30 exists only in the
    // calendar's leap years: the year ends around 1403-1412 below were looked up in
    // QCalendar's Jalali calendar (leap: 1391, 1395, 1399, 1403, 1408, 1412), where a
    // leap year every fourth year from 1355 would wrongly give 1407 and not 1408.
    void validity_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        for (const char* valid :
             {"", "   ", "//", "1393/01/01", "1393/06/31", "1393/11/30", "1391/12/30", "1395/12/30",
              "1399/12/30", "1393/12/29", "1403/12/30", "1404/12/29", "1407/12/29", "1408/12/30",
              "1409/01/01", "1412/12/30"})
            QTest::newRow(valid) << QString(valid) << true;
        for (const char* invalid :
             {"1393/1/01", "139/01/01", "13930101", "1393/05/5", "1393/05/", "1393/00/10",
              "1393/03/00", "0000/03/10", "13a3/03/10", "1393/07/31", "1393/13/01", "1393/12/30",
              "1392/12/30", "1395/13/01", "1395/12/31", "1393/01/123", "1404/12/30", "1405/12/30",
              "1406/12/30", "1407/12/30", "1409/12/30", "1410/12/30", "1411/12/30"})
            QTest::newRow(invalid) << QString(invalid) << false;
    }
    void validity()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(TMyDate::IsValidDate(text), valid);
    }

    void clockTexts()
    {
        QCOMPARE(TMyDate::TimeStampText(QTime(12, 35, 7, 40)), QStringLiteral("453074"));
        QCOMPARE(TMyDate::TimeStampText(QTime(0, 0, 0, 0)), QStringLiteral("00"));
        QCOMPARE(TMyDate::TimeStampText(QTime(23, 59, 59, 999)), QStringLiteral("8639999"));
        QCOMPARE(TMyDate::ClockText(QTime(9, 5, 7)), QStringLiteral("9:05:07"));
        QCOMPARE(TMyDate::ClockText(QTime(14, 30, 0)), QStringLiteral("14:30:00"));
        QCOMPARE(TMyDate::ClockText(QTime(0, 0, 9)), QStringLiteral("0:00:09"));
    }

    void workTableNamesNeverRepeat()
    {
        // Far more names than hundredths pass while they are taken; each is "##", the
        // user's stem and a stamp of digits.
        const QString head = QStringLiteral("##") + m_host->global.TempStem;
        QVERIFY(!m_host->global.TempStem.isEmpty());
        QSet<QString> seen;
        for (int i = 0; i < 150; ++i) {
            const QString name = NewWorkTableName();
            QVERIFY2(!seen.contains(name), qPrintable(name));
            QVERIFY2(name.startsWith(head) && name.size() > head.size(), qPrintable(name));
            for (QChar c : name.mid(head.size()))
                QVERIFY2(c.isDigit(), qPrintable(name));
            seen.insert(name);
        }
    }

    void fiscalPeriod()
    {
        TMyDate& date = *m_host->myDate;
        TScriptedDlgMsg& dlg = *m_host->dlgMsg;
        QVERIFY(date.CheckFiscalPeriod(QStringLiteral("1403/01/01")));
        QVERIFY(date.CheckFiscalPeriod(QStringLiteral("1403/12/30")));
        QVERIFY(date.CheckFiscalPeriod(QStringLiteral("1403/07/15")));
        QVERIFY(dlg.shown.isEmpty());

        QVERIFY(!date.CheckFiscalPeriod(QStringLiteral("1402/12/29")));
        QCOMPARE(dlg.shown.size(), 1);
        QCOMPARE(dlg.shown[0].text,
                 QStringLiteral("تاريخ وارد شده كوچكتر از تاريخ ابتداي دوره مالي ميباشد.\n"
                                "(تاريخ ابتداي دوره=1403/01/01)"));
        QCOMPARE(dlg.shown[0].buttons, QStringList{"BBtnOK1"});
        QCOMPARE(dlg.shown[0].icon, QStringLiteral("I_Error"));
        QCOMPARE(dlg.shown[0].title, dlg.DesignCaption());

        QVERIFY(!date.CheckFiscalPeriod(QStringLiteral("1404/01/01")));
        QCOMPARE(dlg.shown.size(), 2);
        QCOMPARE(dlg.shown[1].text,
                 QStringLiteral("تاريخ وارد شده بزرگتر از تاريخ انتهاي دوره مالي ميباشد.\n"
                                "(تاريخ انتهاي دوره=1403/12/30)"));
    }

    void dayAndMonthHandlers()
    {
        Trio t;
        QTest::keyClicks(t.day, QStringLiteral("45"));
        QCOMPARE(t.day->text(), QStringLiteral("31"));
        QTest::keyClicks(t.month, QStringLiteral("15"));
        QCOMPARE(t.month->text(), QStringLiteral("12"));

        // Leaving fills: empty -> 01, 7 -> 07, 0 -> 01.
        t.day->clear();
        t.leave(t.day);
        QCOMPARE(t.day->text(), QStringLiteral("01"));
        t.day->setText(QStringLiteral("7"));
        t.leave(t.day);
        QCOMPARE(t.day->text(), QStringLiteral("07"));
        t.month->setText(QStringLiteral("0"));
        t.leave(t.month);
        QCOMPARE(t.month->text(), QStringLiteral("01"));
        // The year edit has no handlers.
        t.year->setText(QStringLiteral("9"));
        t.leave(t.year);
        QCOMPARE(t.year->text(), QStringLiteral("9"));
    }

    void trioKeys()
    {
        Trio t;
        // Letters are swallowed; Persian digits type as digits.
        QTest::keyClicks(t.year, QStringLiteral("a1b4"));
        for (QChar c : QStringLiteral("۰۳"))
            QTest::sendKeyEvent(QTest::Click, t.year, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(t.year->text(), QStringLiteral("1403"));
        QTest::keyClick(t.year, Qt::Key_Backspace);
        QCOMPARE(t.year->text(), QStringLiteral("140"));
        // The few passing characters reach the edit.
        t.day->clear();
        QTest::keyClicks(t.day, QStringLiteral("."));
        QCOMPARE(t.day->text(), QStringLiteral("."));
    }

    void enterWalksAndCommits()
    {
        Trio t;
        QSignalSpy commits(t.trio, &TDateTrio::commitRequested);
        t.day->setFocus();
        QTest::keyClicks(t.day, QStringLiteral("31"));
        QTest::keyClick(t.day, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), t.month);
        QTest::keyClicks(t.month, QStringLiteral("8"));
        QTest::keyClick(t.month, Qt::Key_Return);
        // Month 8 has 30 days; leaving the month fills it to 08.
        QCOMPARE(t.day->text(), QStringLiteral("30"));
        QCOMPARE(t.month->text(), QStringLiteral("08"));
        QCOMPARE(QApplication::focusWidget(), t.year);
        QCOMPARE(commits.count(), 0);
        QTest::keyClicks(t.year, QStringLiteral("1403"));
        QTest::keyClick(t.year, Qt::Key_Enter);
        QCOMPARE(commits.count(), 1);
        QCOMPARE(t.trio->date(), QStringLiteral("1403/08/30"));
        QCOMPARE(t.year->text(), QStringLiteral("1403"));

        // Enter in the month brings the day down to the most the month has in any year:
        // a 31st stays in the first half of the year, Esfand keeps its 30th (the year,
        // typed next, decides whether it exists).
        for (const auto& [day, month, kept] : {std::tuple{"31", "06", "31"}, {"31", "07", "30"},
                                               {"31", "12", "30"}, {"30", "12", "30"}}) {
            t.day->setText(QString::fromLatin1(day));
            t.month->setFocus();
            t.month->setText(QString::fromLatin1(month));
            QTest::keyClick(t.month, Qt::Key_Return);
            QCOMPARE(t.day->text(), QString::fromLatin1(kept));
        }
    }

private:
    // A header with the three edits, shown and active so focus moves for real.
    struct Trio
    {
        QWidget window;
        QLineEdit* day = new QLineEdit(&window);
        QLineEdit* month = new QLineEdit(&window);
        QLineEdit* year = new QLineEdit(&window);
        QLineEdit* other = new QLineEdit(&window);
        TDateTrio* trio = new TDateTrio(day, month, year, &window);

        Trio()
        {
            auto* layout = new QVBoxLayout(&window);
            for (QLineEdit* e : {day, month, year, other})
                layout->addWidget(e);
            window.show();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }
        void leave(QLineEdit* edit)
        {
            edit->setFocus();
            other->setFocus();
        }
    };

    std::unique_ptr<ScriptedHost> m_host;
};

AMVAL_TEST_MAIN(TestMyDate)
#include "tst_mydate.moc"
