// The message window as ShowMessageDlg fills it (buttons, icons, memo height, titles,
// centring, results) and the status window of long operations.

#include "context/captionpanel.h"
#include "installhost.h"
#include "messages.h"
#include "testmain.h"
#include "uitest.h"

#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>
#include <QtTest>

class TestMessages : public QObject
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

private:
    std::unique_ptr<ScriptedHost> m_host;
};

AMVAL_TEST_MAIN(TestMessages)
#include "tst_messages.moc"
