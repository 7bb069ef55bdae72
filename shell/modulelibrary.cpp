#include "modulelibrary.h"

#include <QDir>
#include <QFileInfo>

QString DefaultModulePath(const QString& programDir)
{
    const QString name = QStringLiteral("libamval.so");
    const QString beside = QDir(programDir).filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(
        QDir(programDir).filePath(QStringLiteral(AMVAL_PROGRAM_TO_PRIVATE "/") + name));
    return QFileInfo::exists(installed) ? installed : beside;
}

ModuleLibrary::ModuleLibrary(const QString& path) : m_library(path) {}

ModuleLibrary::~ModuleLibrary()
{
    unload();
}

bool ModuleLibrary::load()
{
    return m_library.isLoaded() || m_library.load();
}

ModuleLibrary::EntryPoint ModuleLibrary::entryPoint(const QString& name)
{
    if (!load())
        return nullptr;
    return reinterpret_cast<EntryPoint>(m_library.resolve(name.toLatin1().constData()));
}

void ModuleLibrary::unload()
{
    if (!m_library.isLoaded())
        return;
    using ReleaseIt = void (*)();
    if (auto release = reinterpret_cast<ReleaseIt>(m_library.resolve("Release_It")))
        release();
    m_library.unload();
}
