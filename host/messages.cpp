#include "messages.h"

#include "context/captionpanel.h"
#include "hostcontext.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

namespace {
PlainMessageHandler& PlainHandler()
{
    static PlainMessageHandler handler;
    return handler;
}

// The window the last modal window handed the activation back to. The window system
// confirms the activation only later: a modal window opened right after another one
// (a refusal's message, then the list it opens) finds no active window, or the one
// just closed, and takes this one as the window the user was typing in.
QPointer<QWidget>& HandedBack()
{
    static QPointer<QWidget> window;
    return window;
}
} // namespace

int ExecModal(const std::function<int()>& show)
{
    // The window the user was typing in; the cursor widget in it keeps its place.
    QPointer<QWidget> active = QApplication::activeWindow();
    if ((active == nullptr || !active->isVisible()) && HandedBack() && HandedBack()->isVisible())
        active = HandedBack();
    QPointer<QWidget> focus = active ? active->focusWidget() : nullptr;
    const int result = show();
    // Without a window manager nobody hands the activation back when a modal window
    // goes, and a window that is not active gets no shortcuts: hand it back here.
    if (active && active->isVisible() && QApplication::activeModalWidget() == nullptr) {
        HandedBack() = active;
        active->activateWindow();
        if (focus && focus->isVisible())
            focus->setFocus(Qt::ActiveWindowFocusReason);
    }
    return result;
}

int ShowMessageDlg(const QString& text, const QString& title, const QString& code)
{
    if (DlgMsg == nullptr)
        return TDlgMsg::mrCancel;
    return ExecModal([&] { return DlgMsg->ShowMessageDlg(text, title, code); });
}

void ShowStatus(QWidget* control, const QString& icon, const QString& title, const QString& text)
{
    if (ShowStateForm == nullptr)
        return;
    const QString caption = title.isEmpty() && Global != nullptr ? Global->DefaultTitle : title;

    ShowStateForm->I_Stop->setVisible(icon == QStringLiteral("STOP"));
    ShowStateForm->I_Info->setVisible(icon == QStringLiteral("INFO"));
    ShowStateForm->I_Help->setVisible(icon == QStringLiteral("HELP"));
    if (control != nullptr)
        control->setEnabled(false);

    ShowStateForm->Caption_Panel->setCaption(QStringLiteral("   ") + caption);
    ShowStateForm->plMsg->setText(text);
    ShowStateForm->show();
    // The work that follows keeps the event loop busy: paint the window now.
    ShowStateForm->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CloseStatus(QWidget* control)
{
    if (control != nullptr)
        control->setEnabled(true);
    if (ShowStateForm != nullptr)
        ShowStateForm->close();
}

void ShowPlainMessage(const QString& text)
{
    if (PlainHandler()) {
        PlainHandler()(text);
        return;
    }
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), text);
}

PlainMessageHandler SetPlainMessageHandler(PlainMessageHandler handler)
{
    PlainMessageHandler previous = std::move(PlainHandler());
    PlainHandler() = std::move(handler);
    return previous;
}
