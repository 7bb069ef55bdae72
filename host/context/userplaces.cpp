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

} // namespace

QString ShippedFolder(const QString& appPath)
{
    return QDir(appPath).filePath(QStringLiteral("Data"));
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

QString LeftToRightRun(const QString& text)
{
    // LEFT-TO-RIGHT ISOLATE ... POP DIRECTIONAL ISOLATE.
    return QChar(0x2066) + text + QChar(0x2069);
}
