#pragma once

class QCoreApplication;

// Ctrl and Alt with a letter or a digit typed on a Persian keyboard layout that has
// no Latin layout beside it. The key then sends the Persian letter of its place, and
// no shortcut made with the Latin letter (Ctrl+S, Ctrl+K, Alt+G) answers it; with a
// Latin layout beside the Persian one the platform looks the Latin letter up itself.
// Such a key press, when nothing took it as it came, is tried again as the Latin key
// of the same place: first as a shortcut, then as a key press of the widget it went
// to (so that Ctrl+C copies). Installed once on the application; keys without Ctrl or
// Alt, and keys some shortcut took as they came, are left as they are.
void InstallPersianLayoutKeys(QCoreApplication& app);
