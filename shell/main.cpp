// amval-host: the host program of the fixed-asset voucher module. It opens a session
// (user, company, fiscal period, data folder or database server), loads libamval.so and calls the
// module's entry points from its menu, each docked into a tab page.

#include "appicon.h"
#include "backupcommand.h"
#include "hostoptions.h"
#include "hostsession.h"
#include "mainwindow.h"
#include "modulelibrary.h"
#include "persianlayoutkeys.h"
#include "qttranslations.h"
#include "sessiondialog.h"
#include "sessionsettings.h"
#include "signin.h"
#include "tasks.h"

#include "context/dlgmsg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {
// Tahoma where the machine has it, else the first installed Persian-capable face.
void ChooseFont(QApplication& app)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : {QStringLiteral("Tahoma"), QStringLiteral("Noto Sans Arabic UI"),
                                  QStringLiteral("Noto Sans Arabic"), QStringLiteral("Nazli"),
                                  QStringLiteral("Noto Naskh Arabic")}) {
        if (installed.contains(family)) {
            QFont font(family, 9);
            app.setFont(font);
            return;
        }
    }
}

// The environment variable that holds the password of a run without the session
// dialog, and the exit code of a run whose sign-in is refused.
constexpr const char* kPasswordVariable = "AMVAL_PASSWORD";
constexpr int kSignInRefused = 4;

int Fail(const QString& text)
{
    std::fprintf(stderr, "amval-host: %s\n", qPrintable(text));
    return 2;
}

// One key of a --keys list, as it is sent to a widget.
struct ScriptKey
{
    QKeyCombination combination;
    QString text;
};

// The keys of a blank-separated list ("Down Return Ctrl+N 5"); false when a name is
// not a key.
bool ParseKeys(const QString& keys, QList<ScriptKey>* parsed)
{
    for (const QString& name : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QKeySequence sequence = QKeySequence::fromString(name, QKeySequence::PortableText);
        if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown)
            return false;
        ScriptKey key{sequence[0], QString()};
        if (key.combination.keyboardModifiers() == Qt::NoModifier && name.size() == 1)
            key.text = name;
        else if (key.combination.key() == Qt::Key_Return || key.combination.key() == Qt::Key_Enter)
            key.text = QStringLiteral("\r");
        parsed->append(key);
    }
    return true;
}

// Presses and releases the key in the widget, as a user at the keyboard would.
void SendKey(QWidget* target, const ScriptKey& key)
{
    const Qt::Key code = key.combination.key();
    const Qt::KeyboardModifiers modifiers = key.combination.keyboardModifiers();
    QKeyEvent press(QEvent::KeyPress, code, modifiers, key.text);
    QKeyEvent release(QEvent::KeyRelease, code, modifiers, key.text);
    QPointer<QWidget> pressed(target);
    QApplication::sendEvent(target, &press);
    // The menu key opens the context menu of the widget it was pressed in, as the
    // window system does for a key from the keyboard.
    if (code == Qt::Key_Menu && pressed && QApplication::activePopupWidget() == nullptr) {
        const QPoint at = pressed->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, pressed->mapToGlobal(at),
                               modifiers);
        QApplication::sendEvent(pressed.data(), &menu);
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr || pressed)
        QApplication::sendEvent(focus != nullptr ? focus : pressed.data(), &release);
}

// What a window left open says, for stderr: its kind, its title and its text.
QString Describe(QWidget* window)
{
    QString text;
    if (auto* message = qobject_cast<TDlgMsg*>(window))
        text = message->Memo->toPlainText();
    else if (auto* box = qobject_cast<QMessageBox*>(window))
        text = box->text();
    QString line = QString::fromLatin1(window->metaObject()->className()) + QStringLiteral(" \"") +
                   window->windowTitle() + QLatin1Char('"');
    if (!text.isEmpty())
        line += QStringLiteral(": ") + text.replace(QLatin1Char('\n'), QLatin1String(" / "));
    // Its buttons, as the user reads them.
    QStringList buttons;
    for (const QPushButton* button : window->findChildren<QPushButton*>())
        if (button->isVisible())
            buttons << button->text().remove(QLatin1Char('&'));
    if (!buttons.isEmpty())
        line += QStringLiteral(" [") + buttons.join(QStringLiteral(" | ")) + QLatin1Char(']');
    return line;
}

// The main window with the windows that stand over it (the modal ones last, the
// active one on top), each where it is on the screen, on a picture big enough for
// all of them.
QImage PictureWithWindowsOver(QWidget* main)
{
    QList<QWidget*> over;
    QList<QWidget*> modal;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == main || !w->isVisible() || w->windowType() == Qt::ToolTip ||
            w == QApplication::activeModalWidget())
            continue;
        (w->isModal() ? modal : over).append(w);
    }
    over += modal;
    if (QApplication::activeModalWidget() != nullptr)
        over.append(QApplication::activeModalWidget());

    QRect area = main->geometry();
    for (const QWidget* w : std::as_const(over))
        area |= w->geometry();
    const qreal ratio = main->devicePixelRatioF();
    QImage picture(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::darkGray);
    QPainter painter(&picture);
    painter.drawPixmap(main->geometry().topLeft() - area.topLeft(), main->grab());
    for (QWidget* w : std::as_const(over))
        painter.drawPixmap(w->geometry().topLeft() - area.topLeft(), w->grab());
    return picture;
}

// The keys and the screenshot of a --task run. They are played from timers, so that
// they go on while a modal window runs an event loop of its own: the module shows its
// messages and questions through exec(), which returns only once they are answered. A
// key pressed while a modal window is up goes to that window, so that a script can
// answer it. A modal window still up when the keys have run out is put in the picture
// and told on stderr, and the program ends instead of waiting for a person.
class TaskScript
{
public:
    // Exit code of a run that ended with a modal window open.
    static constexpr int ModalLeftOpen = 3;

    TaskScript(QWidget* window, const QList<ScriptKey>& keys, const QString& screenshot)
        : m_window(window), m_keys(keys), m_screenshot(screenshot)
    {}

    // Starts playing; the first step comes from the event loop, the program's own or a
    // modal window's.
    void start() { schedule(0); }

    // Runs a piece of the program's own work (opening the task, a key). The keys wait
    // until it is over, unless it opens a modal window: then they go to that window.
    template <class Work> auto run(Work work)
    {
        m_working.append(LoopLevel());
        auto result = work();
        m_working.removeLast();
        return result;
    }

    void setKeys(const QList<ScriptKey>& keys) { m_keys = keys; }

private:
    // Time between keys: enough for what a key sets going by its own zero timers.
    static constexpr int kStepMs = 20;
    // Rounds the program is given after the last key before the picture is taken.
    static constexpr int kSettleRounds = 3;

    // How many event loops run one inside the other: a modal window's exec() adds one,
    // a pass of processEvents() does not.
    static int LoopLevel() { return QThread::currentThread()->loopLevel(); }

    void schedule(int ms)
    {
        QTimer::singleShot(ms, &m_context, [this] { step(); });
    }

    void step()
    {
        if (m_over)
            return;
        QWidget* modal = QApplication::activeModalWidget();
        // Work of ours under way (a key still being handled, the task still opening)
        // is waiting for a person only when it runs a modal window's loop; otherwise
        // the program is busy (a pass of processEvents() during long work).
        if (!m_working.isEmpty() && (modal == nullptr || LoopLevel() <= m_working.last())) {
            schedule(kStepMs);
            return;
        }
        if (m_next < m_keys.size()) {
            const ScriptKey key = m_keys.at(m_next++);
            // Scheduled before the key, which may open a modal window and not return
            // until it is answered.
            schedule(kStepMs);
            run([&] {
                SendKey(target(modal), key);
                return 0;
            });
            return;
        }
        if (modal != nullptr)
            endWithModalOpen(modal);
        if (m_settle < kSettleRounds) {
            ++m_settle;
            schedule(kStepMs);
            return;
        }
        m_over = true;
        if (m_screenshot.isEmpty())
            return;
        if (!m_window->grab().save(m_screenshot))
            QCoreApplication::exit(Fail(QStringLiteral("cannot write ") + m_screenshot));
        else
            QCoreApplication::exit(0);
    }

    // Where a key goes: an open menu; the modal window's focus widget while one is up; else the
    // widget with the focus in the host's window. Right after a modal window closes
    // the window system may not have given the host's window back its activation (the
    // application then has no focus widget, or still names one of the closed window's):
    // the host's window's own focus widget is where the user's next key lands.
    QWidget* target(QWidget* modal) const
    {
        // An open menu takes the keys, as it takes the keyboard.
        if (QWidget* popup = QApplication::activePopupWidget())
            return popup;
        if (modal != nullptr)
            return modal->focusWidget() != nullptr ? modal->focusWidget() : modal;
        QWidget* focus = QApplication::focusWidget();
        if (focus != nullptr && (focus == m_window || m_window->isAncestorOf(focus)))
            return focus;
        if (m_window->focusWidget() != nullptr)
            return m_window->focusWidget();
        return focus != nullptr ? focus : m_window.data();
    }

    // The module is inside the modal window's exec() and goes on only once it is
    // answered; answering it here would do what the script never asked for. So the
    // program ends on the spot after the picture and the report, without unwinding:
    // the database keeps what was committed before the window opened (SQLite rolls a
    // transaction left open back when the file is next opened).
    [[noreturn]] void endWithModalOpen(QWidget* modal)
    {
        std::fprintf(stderr, "amval-host: the keys ran out with a modal window open: %s\n",
                     qPrintable(Describe(modal)));
        if (!m_screenshot.isEmpty() && !PictureWithWindowsOver(m_window).save(m_screenshot))
            Fail(QStringLiteral("cannot write ") + m_screenshot);
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(ModalLeftOpen);
    }

    QObject m_context;
    QPointer<QWidget> m_window;
    QList<ScriptKey> m_keys;
    QString m_screenshot;
    qsizetype m_next = 0;
    int m_settle = 0;
    bool m_over = false;
    // The event loop level at which each piece of our work under way began.
    QList<int> m_working;
};
} // namespace

int main(int argc, char* argv[])
{
    // A backup from the command line opens no window (a nightly job has no display).
    if (IsBackupCommand(argc, argv))
        return RunBackupCommand(argc, argv);
    if (const int answered = AnswerInfoOptions(argc, argv); answered >= 0)
        return answered;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("amval-host"));
    QApplication::setOrganizationName(QStringLiteral("amval"));
    QApplication::setLayoutDirection(Qt::RightToLeft);
    QApplication::setWindowIcon(AmvalIcon());
    QApplication::setDesktopFileName(AmvalDesktopFileName());
    InstallQtTranslations(app);
    ChooseFont(app);
    // From the sign-in on: Ctrl+A, Ctrl+V in its boxes on a Persian-only layout.
    InstallPersianLayoutKeys(app);

    const QString programDir = QCoreApplication::applicationDirPath();
    SessionSettings settings = SessionSettings::Defaults(programDir, QDate::currentDate());

    HostOptions options;
    QCommandLineParser& parser = options.parser;
    parser.process(app);

    if (parser.isSet(options.dataOpt))
        settings.dataDir = QFileInfo(parser.value(options.dataOpt)).absoluteFilePath();
    if (parser.isSet(options.serverOpt))
        settings.server = parser.value(options.serverOpt).trimmed();
    if (parser.isSet(options.appOpt))
        settings.appDir = QFileInfo(parser.value(options.appOpt)).absoluteFilePath();
    if (parser.isSet(options.userOpt))
        settings.userName = parser.value(options.userOpt);
    if (parser.isSet(options.userIdOpt))
        settings.userId = parser.value(options.userIdOpt).toInt();
    if (parser.isSet(options.companyOpt))
        settings.companyCode = parser.value(options.companyOpt);
    if (parser.isSet(options.yearOpt)) {
        settings.fiscalYear = parser.value(options.yearOpt);
        settings.periodStart = settings.fiscalYear + QStringLiteral("/01/01");
        settings.periodEnd = JalaliYearEnd(settings.fiscalYear.toInt());
    }
    if (parser.isSet(options.startOpt))
        settings.periodStart = parser.value(options.startOpt);
    if (parser.isSet(options.endOpt))
        settings.periodEnd = parser.value(options.endOpt);

    const QString task = parser.value(options.taskOpt);
    const QString screenshot = parser.value(options.shotOpt);
    if (!task.isEmpty() && FindHostTask(task) == nullptr)
        return Fail(QStringLiteral("unknown task ") + task);

    // A user given by id alone is signed in by that id.
    if (parser.isSet(options.userIdOpt) && !parser.isSet(options.userOpt))
        settings.userName.clear();
    if (screenshot.isEmpty() && !parser.isSet(options.noDialogOpt)) {
        SessionDialog dialog(settings);
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        settings = dialog.settings();
    } else {
        // Scripts and tests sign in with the password in the environment, never on the
        // command line (which any user of the machine can read); it is taken out of the
        // environment at once, so that no program started from here inherits it.
        QByteArray password = qgetenv(kPasswordVariable);
        qunsetenv(kPasswordVariable);
        const SessionSignIn signIn = SignInToSession(settings, QString::fromUtf8(password));
        password.fill('\0');
        if (signIn.state != SessionSignIn::State::SignedIn) {
            std::fprintf(
                stderr, "amval-host: %s\n",
                qPrintable(QString(signIn.text).replace(QLatin1Char('\n'), QLatin1String(" / "))));
            return kSignInRefused;
        }
        settings = signIn.settings;
    }

    const QString modulePath = parser.isSet(options.moduleOpt)
                                   ? parser.value(options.moduleOpt)
                                   : DefaultModulePath(programDir);
    ModuleLibrary module(modulePath);
    if (!module.load())
        return Fail(QStringLiteral("cannot load ") + modulePath + QStringLiteral(": ") +
                    module.errorString());

    int result = 0;
    {
        MainWindow window(&module, settings);
        window.show();
        QList<ScriptKey> keys;
        if (!ParseKeys(parser.value(options.keysOpt), &keys))
            return Fail(QStringLiteral("unknown key in ") + parser.value(options.keysOpt));
        // With keys or a screenshot the run follows the script; without, the user.
        TaskScript script(&window, keys, screenshot);
        if (parser.isSet(options.keysOpt) || !screenshot.isEmpty())
            script.start();
        const bool opened = script.run([&] {
            if (!task.isEmpty() && !window.openTask(task))
                return false;
            window.activateWindow();
            QCoreApplication::processEvents();
            return true;
        });
        if (!opened && !window.session()->hasDatabase()) {
            // The session's database did not open: the picture shows the message that
            // says why, and stderr repeats it.
            QCoreApplication::processEvents();
            if (!screenshot.isEmpty())
                PictureWithWindowsOver(&window).save(screenshot);
            return Fail(
                QStringLiteral("cannot open ") + task + QStringLiteral(": ") +
                window.session()->databaseError().replace(QLatin1Char('\n'), QLatin1String(" / ")));
        }
        if (!opened)
            return Fail(QStringLiteral("cannot open ") + task);
        // A picture of a voucher window shows a voucher: unless told which keys to
        // press, Down in the number edit steps back to the newest one.
        if (!parser.isSet(options.keysOpt) && !screenshot.isEmpty() && QApplication::focusWidget() &&
            QApplication::focusWidget()->objectName() == QLatin1String("SanadID"))
            ParseKeys(QStringLiteral("Down"), &keys);
        script.setKeys(keys);
        result = app.exec();
    }
    module.unload();
    return result;
}
