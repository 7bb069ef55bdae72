#pragma once

#include <QString>
#include <functional>

class QWidget;

// Shows `text` in the host's message window with the title (empty: the window's own
// caption) and the message code ("1ER" error, "3QR" question, ...). Returns the
// pressed button: 1 OK, 2 Cancel, 6 Yes, 7 No.
int ShowMessageDlg(const QString& text, const QString& title, const QString& code);

// Shows the host's status window for a long piece of work. `icon` is "STOP", "INFO"
// or "HELP"; an empty title takes the host context's default title; `control`, when
// given, is disabled until CloseStatus.
void ShowStatus(QWidget* control, const QString& icon, const QString& title, const QString& text);
void CloseStatus(QWidget* control);

// A plain system message (no message code, no Persian window): used where the
// module cannot count on its own windows, such as a library that will not load.
void ShowPlainMessage(const QString& text);

// Replaces the way plain messages are shown (a test host records them); returns the
// previous handler. An empty handler restores the default message box.
using PlainMessageHandler = std::function<void(const QString&)>;
PlainMessageHandler SetPlainMessageHandler(PlainMessageHandler handler);
