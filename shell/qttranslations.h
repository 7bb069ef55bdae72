#pragma once

class QCoreApplication;

// Qt's own words in Persian: the buttons of its message boxes, its file, print and
// print preview dialogs, from Qt's Persian catalogue (qtbase_fa, Debian's
// qt6-translations-l10n) in Qt's translations folder, and the few words of Qt 6's
// print dialog that catalogue lacks. False, and Qt's own English, when the catalogue
// is not installed.
bool InstallQtTranslations(QCoreApplication& app);
