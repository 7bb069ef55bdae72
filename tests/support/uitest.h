#pragma once

// Playing the user in front of the module's windows: text typed on a Persian keyboard,
// a modal window driven by scripted steps, and answers given to a window a click opens.

#include "scriptedhost.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>

// What a modal window returns when the steps leave it open.
constexpr int kStillOpen = -1;

// The text as a Persian keyboard types it: digits 0-9 as Persian digits (or as the
// digits from `zero` on: u'\u0660' gives the Arabic-Indic ones).
inline QString PersianDigits(const QString& text, char16_t zero = u'\u06F0')
{
    QString out;
    for (const QChar c : text)
        out += c.isDigit() ? QChar(zero + c.digitValue()) : c;
    return out;
}

// Each character as the Persian keyboard gives it: as text, without a key code.
// `target` is asked again for each character, as the focus may move while typing.
inline void TypeText(const std::function<QWidget*()>& target, const QString& text)
{
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, target(), Qt::Key_unknown, QString(c), {});
        QTest::sendKeyEvent(QTest::Release, target(), Qt::Key_unknown, QString(c), {});
    }
}
inline void TypeText(QWidget* target, const QString& text)
{
    TypeText([target] { return target; }, text);
}

// Where the user's keys go in `grid` (a DbGrid): its open cell editor, else the grid.
template <typename Grid> QWidget* KeyTarget(Grid* grid)
{
    QLineEdit* editor = grid->cellEditor();
    return editor ? static_cast<QWidget*>(editor) : grid;
}

// `window` made the active window, as the user's click on it makes it; false when it
// does not become active.
[[nodiscard]] inline bool Activate(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// `key` pressed where the focus of `window` is (on the window when nothing in it has
// it), the window made active first, as it is again after a status or list window.
inline void Press(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QVERIFY(Activate(&window));
    QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, key, modifiers);
}

// Ctrl+Tab from `grid` to `button`, and Enter presses it; a disabled button is passed
// over by Ctrl+Tab and only a click can try it.
inline void ConfirmFromGrid(QWidget* grid, QPushButton* button)
{
    if (!button->isEnabled()) {
        QTest::mouseClick(button, Qt::LeftButton);
        return;
    }
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(button->window()->focusWidget(), static_cast<QWidget*>(button));
    QTest::keyClick(button, Qt::Key_Return);
}

// Shows `dialog` modally while `steps` play the user; a window the steps leave open
// is closed with kStillOpen. Returns what the window returned.
inline int RunModal(QDialog* dialog, const std::function<void()>& steps)
{
    QTimer::singleShot(0, dialog, [&] {
        if (QTest::qWaitForWindowActive(dialog))
            steps();
        if (dialog->isVisible())
            dialog->done(kStillOpen);
    });
    return dialog->exec();
}

// Runs `act` once a modal window of type T (named `name`, when given) is up: for a
// window that a click opens and that waits until it is closed.
template <typename T>
void WhenModal(const std::function<void(T*)>& act, const QString& name = QString())
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act, name] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (w == nullptr || !w->isVisible() || (!name.isEmpty() && w->objectName() != name))
            return;
        poll->stop();
        poll->deleteLater();
        const QPointer<T> window(w);
        act(w);
        // A failed step leaves the window it stopped in: closed, the test goes on to its
        // end rather than wait for ever.
        if (QTest::currentTestFailed() && window && window->isVisible())
            if (auto* dialog = qobject_cast<QDialog*>(window.data()))
                dialog->reject();
    });
    poll->start();
}

// Keeps what `window` shows as report `name`, as the clerk does: Ctrl+S, the name
// typed over the one the window proposes, Enter, and Enter on the notice that follows,
// whose text `notice` (when given) receives.
inline void SaveReport(QWidget& window, const QString& name, QString* notice = nullptr)
{
    WhenModal<QDialog>(
        [=](QDialog* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("edName"));
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            TypeText(edit, name);
            WhenModal<QMessageBox>([notice](QMessageBox* box) {
                if (notice != nullptr)
                    *notice = box->text();
                QTest::keyClick(box, Qt::Key_Return);
            });
            QTest::keyClick(edit, Qt::Key_Return);
        },
        QStringLiteral("SaveReportForm"));
    Press(window, Qt::Key_S, Qt::ControlModifier);
}

// Brings back into `window` the first of the reports kept, as the clerk does: Ctrl+O and
// Enter on the list. `listed` (when given) receives the names the list showed.
inline void OpenReport(QWidget& window, QStringList* listed = nullptr)
{
    WhenModal<QDialog>(
        [listed](QDialog* dialog) {
            auto* list = dialog->findChild<QListWidget*>(QStringLiteral("lstReports"));
            for (int i = 0; listed != nullptr && i < list->count(); ++i)
                *listed << list->item(i)->text();
            QTest::keyClick(list, Qt::Key_Return);
        },
        QStringLiteral("LoadReportForm"));
    Press(window, Qt::Key_O, Qt::ControlModifier);
}

// Answers the next file dialog with `path`, as typed into its name box and accepted;
// `proposed` (when given) receives what the dialog proposed: its folder and the name in
// the box. With `replace` its question whether to replace the file there is answered
// yes. The name box is filled itself: QFileDialog::selectFile leaves it alone once it
// has the focus, which it takes when the dialog becomes active (sooner or later after it
// is shown, as the machine is loaded), and the dialog then takes nothing. A dialog that
// still does not take the file is cancelled and the test fails, rather than waiting
// for ever.
inline void ChooseFile(const QString& path,
                       const std::function<void(const QString&)>& proposed = {},
                       bool replace = false)
{
    WhenModal<QFileDialog>([path, proposed, replace](QFileDialog* dialog) {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name == nullptr) {
            dialog->reject();
            QFAIL("the file dialog has no name box");
        }
        if (proposed)
            proposed(dialog->directory().filePath(name->text()));
        if (replace)
            WhenModal<QMessageBox>(
                [](QMessageBox* question) { question->button(QMessageBox::Yes)->click(); });
        // As typing a name does, the file standing selected in the list is let go.
        if (auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView")))
            list->selectionModel()->clear();
        name->setText(path);
        static_cast<QDialog*>(dialog)->accept();
        if (dialog->isVisible()) {
            dialog->reject();
            QFAIL(qPrintable(QStringLiteral("the file dialog did not take ") + path));
        }
    });
}

// Answers the next message box (named `name`, when given) with its OK button, keeping
// its text in `text`.
inline void AnswerMessageBox(QString* text, const QString& name = QString())
{
    WhenModal<QMessageBox>(
        [text](QMessageBox* box) {
            *text = box->text();
            box->button(QMessageBox::Ok)->click();
        },
        name);
}

// The disk is full, for as long as the object lives, for any file this program
// writes past `bytes`: the write fails (as on a full disk) instead of ending the program.
class DiskFullAfter
{
public:
    explicit DiskFullAfter(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
        getrlimit(RLIMIT_FSIZE, &m_before);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~DiskFullAfter() { setrlimit(RLIMIT_FSIZE, &m_before); }

private:
    rlimit m_before{};
};

// Presses the stop button of the next progress window named `name` (of long work,
// TWorkProgress, unless told) the moment it shows; `shown` (when given) tells that it
// came up.
inline void StopWhenProgressShows(bool* shown = nullptr,
                                  const QString& name = QStringLiteral("WorkProgress"))
{
    class Stopper : public QObject
    {
    public:
        Stopper(bool* shown, const QString& name) : m_shown(shown), m_name(name) {}

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* progress = qobject_cast<QProgressDialog*>(watched);
            if (event->type() != QEvent::Show || progress == nullptr ||
                progress->objectName() != m_name)
                return false;
            if (m_shown != nullptr)
                *m_shown = true;
            // Long work's own stop button, else the window's cancel button.
            auto* stop = progress->findChild<QPushButton*>(QStringLiteral("StopButton"));
            QTest::mouseClick(stop ? stop : progress->findChild<QPushButton*>(), Qt::LeftButton);
            deleteLater();
            qApp->removeEventFilter(this);
            return false;
        }

    private:
        bool* m_shown;
        QString m_name;
    };
    qApp->installEventFilter(new Stopper(shown, name));
}

// A right click at `at` of `viewport`, then a click on `item` of the `menu` it opens.
// False, the menu closed, when the item is disabled.
[[nodiscard]] inline bool ClickMenuItem(QWidget* viewport, QPoint at, QMenu* menu, QAction* item)
{
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QCoreApplication::sendEvent(viewport, &click);
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }) || !item->isEnabled()) {
        menu->close();
        return false;
    }
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    return QTest::qWaitFor([menu] { return !menu->isVisible(); });
}

// A click on the title of `column` of a grid or table.
inline void ClickTitle(QTableView* view, int column)
{
    QHeaderView* titles = view->horizontalHeader();
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                      QPoint(titles->sectionViewportPosition(column) + 5, titles->height() / 2));
}

// The top-level windows of type T, oldest first.
template <typename T> QList<T*> TopLevel()
{
    QList<T*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w))
            found << t;
    return found;
}
// Closes for good the top-level windows of type T.
template <typename T> void DeleteTopLevel()
{
    const QList<T*> windows = TopLevel<T>();
    QList<QPointer<T>> alive(windows.cbegin(), windows.cend());
    for (const QPointer<T>& w : alive)
        delete w.data();
}

// The texts of the messages the host's message window showed, in order.
inline QStringList ShownTexts(const ScriptedHost& host)
{
    QStringList texts;
    for (const ShownMessage& m : std::as_const(host.dlgMsg->shown))
        texts << m.text;
    return texts;
}
