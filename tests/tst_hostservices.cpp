// The host's small services: the message window as ShowMessageDlg fills it (buttons,
// icons, memo height, titles, centring, results), the status window of long operations,
// and the Jalali dates: the validity rule, the day and month handlers, the date-trio
// keyboard behaviour, the clock texts, the work tables' names and the fiscal period check.

#include "context/captionpanel.h"
#include "datetrio.h"
#include "globalunit.h"
#include "installhost.h"
#include "jalalidate.h"
#include "messages.h"
#include "testmain.h"
#include "uitest.h"

#include <QLabel>
#include <QShortcut>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

class TestHostServices : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_host = std::make_unique<ScriptedHost>();
        InstallHost(*m_host);
    }

    // The code names the buttons and the icon: upper-cased, padded when short, a
    // longer one read by its first two characters. The real window, driven with the
    // mouse and the keyboard, returns the result of the button pressed.
    void buttonsAndIcons_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("action"); // on the real window; "": none
        QTest::addColumn<int>("result");
        const QStringList one{"BBtnOK1"}, two{"BBtnOK2", "BBtnCancel"}, yesNo{"BBtnYes", "BBtnNo"};
        const auto row = [](const char* name, const char* code, const QStringList& buttons,
                            const char* icon, const char* action = "", int result = 0) {
            QTest::newRow(name) << QString(code) << buttons << QString(icon) << QString(action)
                                << result;
        };
        row("empty: one continue button", "", one, "");
        row("3 alone: yes/no without icon", "3", yesNo, "");
        row("error, continue clicked", "1ER", one, "I_Error", "BBtnOK1", 1);
        row("question, yes clicked", "3QR", yesNo, "I_Question", "BBtnYes", 6);
        row("question, no clicked", "3QR", yesNo, "I_Question", "BBtnNo", 7);
        row("Enter takes the first button", "3QR", yesNo, "I_Question", "Enter", 6);
        row("Escape answers no", "3QR", yesNo, "I_Question", "Escape", 7);
        row("caption close button", "3QR", yesNo, "I_Question", "sb_Closed", 2);
        row("warning with ok/cancel", "2W", two, "I_Warning");
        row("warning, ok clicked", "2WR", two, "I_Warning", "BBtnOK2", 1);
        row("warning, cancel clicked", "2WR", two, "I_Warning", "BBtnCancel", 2);
        row("Escape answers cancel", "2WR", two, "I_Warning", "Escape", 2);
        row("stop, lower case", "1sc", one, "I_Stop");
        row("two characters, lower case", "1e", one, "I_Error");
        row("four characters", "2wlx", two, "I_Warning");
        row("information", "2IL", two, "I_Info");
        row("unknown characters: nothing", "9X", {}, "");
    }
    void buttonsAndIcons()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, buttons);
        QFETCH(QString, icon);
        QFETCH(QString, action);
        QFETCH(int, result);
        // A message before leaves other buttons and icons behind unless they are reset.
        ShowMessageDlg("قبلي", QString(), "2SR");
        ShowMessageDlg("پيام", QString(), code);
        const ShownMessage& m = m_host->dlgMsg->shown.last();
        QCOMPARE(m.buttons, buttons);
        QCOMPARE(m.icon, icon);
        QCOMPARE(m.memoWidth,
                 icon.isEmpty() ? TDlgMsg::MemoWidthWithoutIcon : TDlgMsg::MemoWidthWithIcon);
        if (action.isEmpty())
            return;
        TDlgMsg dlg;
        QTimer::singleShot(0, &dlg, [&] {
            if (action == QLatin1String("Enter"))
                QTest::keyClick(dlg.focusWidget() ? dlg.focusWidget() : &dlg, Qt::Key_Return);
            else if (action == QLatin1String("Escape"))
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else
                QTest::mouseClick(dlg.findChild<QAbstractButton*>(action), Qt::LeftButton);
        });
        QCOMPARE(dlg.ShowMessageDlg("پيام", QString(), code), result);
    }

    // Up to four lines keep the short window; five lines, or one long line that the
    // memo wraps over many, make it taller, with a scroll bar.
    void heightFollowsTheLineCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("tall");
        QTest::newRow("two lines") << "سطر اول\nسطر دوم" << false;
        QTest::newRow("four lines") << "۱\n۲\n۳\n۴" << false;
        QTest::newRow("five lines") << "۱\n۲\n۳\n۴\n۵" << true;
        QTest::newRow("one long line")
            << QStringLiteral("كد دارايي تكراري مي باشد. ").repeated(12) << true;
    }
    void heightFollowsTheLineCount()
    {
        QFETCH(QString, text);
        QFETCH(bool, tall);
        ShowMessageDlg(text, QString(), "1ER");
        const ShownMessage& m = m_host->dlgMsg->shown.last();
        QCOMPARE(m.memoScrollBar, tall);
        QCOMPARE(m.height > TDlgMsg::ShortHeight, tall);
        QCOMPARE(m.memoHeight > TDlgMsg::ShortMemoHeight, tall);
        if (!tall)
            QCOMPARE(QList<int>({m.height, m.memoHeight}),
                     QList<int>({TDlgMsg::ShortHeight, TDlgMsg::ShortMemoHeight}));
    }

    // A second message is centred on the screen with the present size (that of the
    // taller one before) and shows its own title: an empty title shows the window's own
    // caption, not the last one used.
    void titlesAndPlace()
    {
        TScriptedDlgMsg* dlg = m_host->dlgMsg;
        const QSize screen = QGuiApplication::primaryScreen()->size();
        ShowMessageDlg("۱\n۲\n۳\n۴\n۵\n۶", "خريد/ساخت", "1ER");
        const int tall = dlg->height();
        ShowMessageDlg("كوتاه", QString(), "1ER");
        QCOMPARE(dlg->shown[0].title, "خريد/ساخت");
        QCOMPARE(dlg->shown[0].panelCaption, "     خريد/ساخت");
        QCOMPARE(dlg->shown[1].title, dlg->DesignCaption());
        QCOMPARE(dlg->shown[1].panelCaption, "     " + dlg->DesignCaption());
        QCOMPARE(dlg->shown[1].position, QPoint(screen.width() / 2 - TDlgMsg::FormWidth / 2,
                                                screen.height() / 2 - tall / 2));
    }

    // Whatever window opens over the one the user types in, once it closes the user's
    // next key goes where it went before: the activation and the focus come back to
    // the widget that had them, whether or not the window system hands them back.
    void focusComesBackWhenAWindowCloses_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::newRow("message") << "message";
        QTest::newRow("status window") << "status";
        QTest::newRow("progress, then its result") << "progress";
        QTest::newRow("notice that does not wait") << "notice";
        // A refusal's message, then the list it opens.
        QTest::newRow("two modal windows in a row") << "two";
    }
    void focusComesBackWhenAWindowCloses()
    {
        QFETCH(QString, windows);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLineEdit(&window));
        auto* edit = new QLineEdit(&window); // not the first: where the user left the cursor
        layout->addWidget(edit);
        int saves = 0;
        auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &window);
        save->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(save, &QShortcut::activated, [&saves] { ++saves; });
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();

        // Each window is closed once it holds the activation.
        bool tookIt = true;
        const auto whenActive = [&tookIt](QWidget* other) {
            tookIt = QTest::qWaitForWindowActive(other) && tookIt;
        };
        const auto message = [&] {
            TDlgMsg dlg(&window);
            WhenModal<TDlgMsg>([&](TDlgMsg* shown) {
                whenActive(shown);
                shown->BBtnOK1->click();
            });
            dlg.ShowMessageDlg("منتقل شدند", QString(), "1ER");
        };
        if (windows == "message") {
            message();
        } else if (windows == "status") {
            ShowStatus(nullptr, "STOP", QString(), "لطفا صبر کنيد ...");
            whenActive(m_host->showStateForm);
            CloseStatus(nullptr);
        } else if (windows == "progress") {
            QProgressDialog progress("لطفا صبر کنيد ...", "انصراف", 0, 0, &window);
            progress.setWindowModality(Qt::WindowModal);
            progress.show();
            whenActive(&progress);
            progress.close();
            message();
        } else if (windows == "notice") {
            QMessageBox notice(QMessageBox::Warning, "amval", "دفتر دوباره ساخته شد",
                               QMessageBox::Ok, &window);
            notice.open();
            whenActive(&notice);
            notice.button(QMessageBox::Ok)->click();
        } else {
            for (int i = 0; i < 2; ++i) {
                QDialog dialog(&window);
                QCOMPARE(RunModal(&dialog, [&dialog] { dialog.accept(); }), int(QDialog::Accepted));
            }
        }
        QVERIFY2(tookIt, "the window did not take the activation");
        QTRY_VERIFY(window.isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(saves, 1);
    }

    void statusWindow()
    {
        TShowStateForm* state = m_host->showStateForm;
        QPushButton control;
        ShowStatus(&control, "INFO", QString(), "در حال انتقال اسناد ...");
        QVERIFY(state->isVisible());
        QVERIFY(!control.isEnabled());
        QCOMPARE(state->Caption_Panel->caption(), "   عنوان پيش فرض");
        QVERIFY(state->I_Info->isVisibleTo(state));
        QVERIFY(!state->I_Stop->isVisibleTo(state));
        QVERIFY(!state->I_Help->isVisibleTo(state));

        // A second status with its own title and icon replaces the first.
        ShowStatus(nullptr, "STOP", "جستجو", "۲");
        QVERIFY(state->I_Stop->isVisibleTo(state));
        QVERIFY(!state->I_Info->isVisibleTo(state));

        CloseStatus(&control);
        QVERIFY(control.isEnabled());
        QVERIFY(!state->isVisible());
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

AMVAL_TEST_MAIN(TestHostServices)
#include "tst_hostservices.moc"
