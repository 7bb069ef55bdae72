#include "userplaces.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kSettingsFile = QStringLiteral("amval.conf");
const QString kLastExportKey = QStringLiteral("Export/LastFolder");

QSettings UserSettings()
{
    return QSettings(QDir(UserConfigFolder()).filePath(kSettingsFile), QSettings::IniFormat);
}

// The folder `own` of the application folder when it is there; else the one an
// installation keeps at `installed` from the program's folder, when that is there;
// else `own` still (so that a message names the place the user can put it).
QString LaidOutFolder(const QString& appPath, const QString& own, const char* installed)
{
    const QString mine = QDir(appPath).filePath(own);
    if (QFileInfo(mine).isDir())
        return mine;
    const QString put = QDir::cleanPath(QDir(appPath).filePath(QString::fromUtf8(installed)));
    return QFileInfo(put).isDir() ? put : mine;
}

} // namespace

QString ShippedFolder(const QString& appPath)
{
    return LaidOutFolder(appPath, QStringLiteral("Data"), AMVAL_PROGRAM_TO_SHIPPED);
}

QString SiblingFolder(const QString& appPath)
{
    return LaidOutFolder(appPath, QStringLiteral("DLLs/GlobalForms"), AMVAL_PROGRAM_TO_SIBLINGS);
}

QString UserConfigFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(base).filePath(QStringLiteral("amval"));
}

QString UserFileToRead(const QString& appPath, const QString& name)
{
    const QString own = QDir(UserConfigFolder()).filePath(name);
    return QFileInfo::exists(own) ? own : QDir(ShippedFolder(appPath)).filePath(name);
}

QString LastExportFolder()
{
    const QString last = UserSettings().value(kLastExportKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

void RememberExportFolder(const QString& folder)
{
    QSettings settings = UserSettings();
    settings.setValue(kLastExportKey, QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
}

QString AskSavePath(QWidget* parent, const QString& caption, const QString& proposedName,
                    const QString& filter)
{
    QFileDialog dialog(parent, caption);
    dialog.setObjectName(QStringLiteral("ExportSaveDialog"));
    // Qt's own dialog: it speaks the translations the host program loads.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLayoutDirection(Qt::RightToLeft);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    const QString suffix = QFileInfo(proposedName).suffix();
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    dialog.setDirectory(LastExportFolder());
    dialog.selectFile(proposedName);
    // The folder box shows a path: it reads as written.
    if (auto* folders = dialog.findChild<QWidget*>(QStringLiteral("lookInCombo")))
        folders->setLayoutDirection(Qt::LeftToRight);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().constFirst();
    RememberExportFolder(QFileInfo(path).absolutePath());
    return path;
}

