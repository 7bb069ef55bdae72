#include "focusreturn.h"

#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace {

// Windows that take the keyboard while they are up. Menus and lists that drop down
// give it back themselves; tooltips and splash screens never take it.
bool TakesTheKeyboard(const QWidget* window)
{
    switch (window->windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Tool:
        return true;
    default:
        return false;
    }
}

class FocusReturn : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        // Spontaneous ones come from minimising and restoring, not from opening and
        // closing.
        if ((type != QEvent::Show && type != QEvent::Hide) || event->spontaneous() ||
            !watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!window->isWindow() || !TakesTheKeyboard(window))
            return false;
        if (type == QEvent::Show)
            opened(window);
        else
            closed(window);
        return false;
    }

private:
    struct Return
    {
        QPointer<QWidget> window;
        QPointer<QWidget> focus;
    };

    // A window shown apart from `window` (neither it nor inside it).
    static bool Other(const QWidget* candidate, const QWidget* window)
    {
        return candidate != nullptr && candidate->isVisible() && candidate != window &&
               !window->isAncestorOf(candidate);
    }

    // Notes the window the user is in and its focus widget. The window system tells
    // of activations only later: a window opened right after another closed (a
    // refusal's message, then the list it opens) finds no active window, or the one
    // just closed, and takes the window handed back to last; failing that, its owner.
    void opened(QWidget* window)
    {
        QWidget* from = QApplication::activeWindow();
        if (!Other(from, window))
            from = Other(m_handedBack, window) ? m_handedBack.data() : nullptr;
        if (from == nullptr && window->parentWidget() != nullptr &&
            Other(window->parentWidget()->window(), window))
            from = window->parentWidget()->window();
        if (from == nullptr) {
            m_returns.remove(window);
            return;
        }
        m_returns.insert(window, Return{from, from->focusWidget()});
    }

    // Hands the activation and the focus back, unless another window has taken them
    // meanwhile. The window handed back to may seem active still: it never lost the
    // activation (a window shown without taking it), or the window system has not
    // told yet that the closed window took it. It is asked for the activation all the
    // same, which settles the second case; the focus is left where it is in it.
    void closed(QWidget* window)
    {
        const Return back = m_returns.take(window);
        if (!Other(back.window, window))
            return;
        QWidget* active = QApplication::activeWindow();
        if (Other(active, window) && active != back.window)
            return;
        m_handedBack = back.window;
        back.window->activateWindow();
        const QWidget* focus = QApplication::focusWidget();
        if (active == back.window && focus != nullptr && back.window->isAncestorOf(focus))
            return;
        if (back.focus && back.focus->isVisible() && back.focus->isEnabled() &&
            back.focus->window() == back.window)
            back.focus->setFocus(Qt::ActiveWindowFocusReason);
    }

    QHash<QWidget*, Return> m_returns;
    QPointer<QWidget> m_handedBack;
};

} // namespace

void ReturnFocusWhenWindowsClose()
{
    static QPointer<FocusReturn> installed;
    if (installed || QCoreApplication::instance() == nullptr)
        return;
    installed = new FocusReturn(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(installed);
}
