#pragma once

#include "persiantext.h"

#include <QString>

class QWidget;

// Where the program reads and writes its files, each place in one function. Nothing
// is ever written into the program's own folder: installed for every user of the
// machine it is read-only. The host program, the module and the sibling libraries
// all ask here.

// The files the program ships (the default colours), read only: the application
// folder's Data/ (the build tree, or a folder given as the application folder);
// else, for the folder of an installed program, where the installation put them
// (<root>/share/amval/Data beside <root>/bin).
QString ShippedFolder(const QString& appPath);

// The folder of the sibling dialog libraries, read only: the application folder's
// DLLs/GlobalForms/; else, for an installed program's folder, the installation's
// private library folder (<root>/lib/amval/GlobalForms).
QString SiblingFolder(const QString& appPath);

// The user's configuration folder, ~/.config/amval ($XDG_CONFIG_HOME/amval when set):
// the user's own copies of shipped files and the program's settings.
QString UserConfigFolder();

// The file `name` as it is to be read: the user's copy in UserConfigFolder() when
// there is one, else the shipped one.
QString UserFileToRead(const QString& appPath, const QString& name);

// The folder the user last wrote an export to, while it is still there; else the
// user's documents folder when it exists, else the home folder. Kept in the
// configuration folder's settings file.
QString LastExportFolder();
void RememberExportFolder(const QString& folder);

// Asks where a file is to be written: Qt's own save dialog, right to left, opening
// on LastExportFolder() with `proposedName` in its name box; `filter` names the kind
// ("Excel (*.xlsx)"), whose extension a typed name without one is given. Asks
// before replacing an existing file. The chosen path ("" when cancelled); its folder
// is remembered as the last export folder.
QString AskSavePath(QWidget* parent, const QString& caption, const QString& proposedName,
                    const QString& filter);

