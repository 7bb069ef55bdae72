#include "messages.h"

#include "context/captionpanel.h"
#include "hostcontext.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

namespace {
PlainMessageHandler& PlainHandler()
{
    static PlainMessageHandler handler;
    return handler;
}
} // namespace

int ShowMessageDlg(const QString& text, const QString& title, const QString& code)
{
    if (DlgMsg == nullptr)
        return TDlgMsg::mrCancel;
    return DlgMsg->ShowMessageDlg(text, title, code);
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
