// Jalali date services: the validity rule, the day and month handlers, the date-trio
// keyboard behaviour, the clock texts, the work tables' names and the fiscal period check.

#include "datetrio.h"
#include "globalunit.h"
#include "installhost.h"
#include "jalalidate.h"
#include "testmain.h"
#include "uitest.h"

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
    // calendar's leap years (here 1391, 1395, 1399; the years from 1403 in jalaliYears).
    void validity_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        for (const char* valid :
             {"", "   ", "//", "1393/01/01", "1393/06/31", "1393/11/30", "1391/12/30", "1395/12/30",
              "1399/12/30", "1393/12/29", "1409/01/01"})
            QTest::newRow(valid) << QString(valid) << true;
        for (const char* invalid :
             {"1393/1/01", "139/01/01", "13930101", "1393/05/5", "1393/05/", "1393/00/10",
              "1393/03/00", "0000/03/10", "13a3/03/10", "1393/07/31", "1393/13/01", "1393/12/30",
              "1392/12/30", "1395/13/01", "1395/12/31", "1393/01/123", "1411/12/30"})
            QTest::newRow(invalid) << QString(invalid) << false;
    }
    void validity()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(TMyDate::IsValidDate(text), valid);
    }

    // A Jalali year's first and last day, as the fiscal period is proposed: the
    // Gregorian days and the leap years (1403, 1408, 1412) as Qt's Jalali calendar has
    // them, where a leap year every fourth year from 1355 would make 1407 one. Its
    // Esfand 30 is a valid date in a leap year only.
    void jalaliYears_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QDate>("firstDay");
        QTest::addColumn<QDate>("lastDay");
        QTest::addColumn<QString>("end");
        const auto row = [](int year, QDate first, QDate last, const char* end) {
            QTest::newRow(qPrintable(QString::number(year)))
                << year << first << last << QString(end);
        };
        row(1403, QDate(2024, 3, 20), QDate(2025, 3, 20), "1403/12/30");
        row(1404, QDate(2025, 3, 21), QDate(2026, 3, 20), "1404/12/29");
        row(1406, QDate(2027, 3, 21), QDate(2028, 3, 19), "1406/12/29");
        row(1407, QDate(2028, 3, 20), QDate(2029, 3, 19), "1407/12/29");
        row(1408, QDate(2029, 3, 20), QDate(2030, 3, 20), "1408/12/30");
        row(1410, QDate(2031, 3, 21), QDate(2032, 3, 19), "1410/12/29");
        row(1412, QDate(2033, 3, 20), QDate(2034, 3, 20), "1412/12/30");
    }
    void jalaliYears()
    {
        QFETCH(int, year);
        QFETCH(QDate, firstDay);
        QFETCH(QDate, lastDay);
        QFETCH(QString, end);
        QCOMPARE(JalaliDateText(firstDay), QString::number(year) + "/01/01");
        QCOMPARE(JalaliDateText(lastDay), end);
        QCOMPARE(JalaliYearEnd(year), end);
        QVERIFY(TMyDate::IsValidDate(end));
        QCOMPARE(TMyDate::IsValidDate(QString::number(year) + "/12/30"), end.endsWith("/30"));
        // The date boxes take the text apart and put it together again.
        const JalaliParts parts = JalaliSplit(end);
        QCOMPARE(QStringList({parts.year, parts.month, parts.day}),
                 QStringList({QString::number(year), "12", end.right(2)}));
        QCOMPARE(JalaliJoin(parts.year, parts.month, parts.day), end);
        QCOMPARE(JalaliJoin(parts.year, "", parts.day),
                 QString::number(year) + "//" + end.right(2));
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
        const QRegularExpression form("^##" + m_host->global.TempStem + "[0-9]+$");
        QSet<QString> seen;
        for (int i = 0; i < 150; ++i) {
            const QString name = NewWorkTableName();
            QVERIFY2(!seen.contains(name) && form.match(name).hasMatch(), qPrintable(name));
            seen.insert(name);
        }
    }

    // Dates of the fiscal period (1403) pass; one before or after it is refused with
    // the period's bound, in an error message with its one button.
    void fiscalPeriod_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("told"); // "": passes
        for (const char* date : {"1403/01/01", "1403/12/30", "1403/07/15"})
            QTest::newRow(date) << QString(date) << QString();
        QTest::newRow("before") << "1402/12/29"
                                << "تاريخ وارد شده كوچكتر از تاريخ ابتداي دوره مالي ميباشد.\n"
                                   "(تاريخ ابتداي دوره=1403/01/01)";
        QTest::newRow("after") << "1404/01/01"
                               << "تاريخ وارد شده بزرگتر از تاريخ انتهاي دوره مالي ميباشد.\n"
                                  "(تاريخ انتهاي دوره=1403/12/30)";
    }
    void fiscalPeriod()
    {
        QFETCH(QString, date);
        QFETCH(QString, told);
        TScriptedDlgMsg& dlg = *m_host->dlgMsg;
        QCOMPARE(m_host->myDate->CheckFiscalPeriod(date), told.isEmpty());
        QCOMPARE(ShownTexts(*m_host), told.isEmpty() ? QStringList() : QStringList{told});
        if (!told.isEmpty()) {
            QCOMPARE(dlg.shown[0].buttons, QStringList{"BBtnOK1"});
            QCOMPARE(dlg.shown[0].icon, "I_Error");
        }
    }

    // Keys typed into one edit of the trio, then (when `leave`) the cursor taken
    // elsewhere: the day and month are held to their most and filled to two digits on
    // leaving; letters are swallowed, Persian digits type as digits, the few passing
    // characters reach the edit; the year edit has no handlers.
    void trioKeys_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed"); // "\b": Backspace
        QTest::addColumn<bool>("leave");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const char* edit, const QString& typed, bool leave,
                            const char* shown) {
            QTest::newRow(name) << QString(edit) << typed << leave << QString(shown);
        };
        row("day past 31", "day", "45", false, "31");
        row("month past 12", "month", "15", false, "12");
        row("day left empty", "day", "", true, "01");
        row("day of one digit", "day", "7", true, "07");
        row("month 0", "month", "0", true, "01");
        row("year without handlers", "year", "9", true, "9");
        row("letters and Persian digits", "year", "a1b4۰۳", false, "1403");
        row("Backspace", "year", "1403\b", false, "140");
        row("a passing character", "day", ".", false, ".");
    }
    void trioKeys()
    {
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(bool, leave);
        QFETCH(QString, shown);
        Trio t;
        QLineEdit* box = edit == "day" ? t.day : edit == "month" ? t.month : t.year;
        box->setFocus();
        for (const QChar c : typed) {
            if (c == QLatin1Char('\b'))
                QTest::keyClick(box, Qt::Key_Backspace);
            else if (c.unicode() < 128)
                QTest::keyClick(box, c.toLatin1());
            else
                TypeText(box, QString(c)); // as the Persian keyboard gives it
        }
        if (leave)
            t.other->setFocus();
        QCOMPARE(box->text(), shown);
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
        for (const auto& [day, month, kept] : {std::tuple{"31", "06", "31"},
                                               {"31", "07", "30"},
                                               {"31", "12", "30"},
                                               {"30", "12", "30"}}) {
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
    };

    std::unique_ptr<ScriptedHost> m_host;
};

AMVAL_TEST_MAIN(TestMyDate)
#include "tst_mydate.moc"
