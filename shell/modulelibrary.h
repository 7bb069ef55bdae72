#pragma once

#include "context/entrypoint.h"

#include <QLibrary>
#include <QString>

// The module the host program loads unless told another: libamval.so beside the
// program (the build tree), else in an installation's private library folder
// (<root>/lib/amval beside <root>/bin) when it is there.
QString DefaultModulePath(const QString& programDir);

// The asset module as the host sees it: a library loaded by path whose entry points
// are looked up by name.
class ModuleLibrary
{
public:
    using EntryPoint = int (*)(QWidget*, TGlobal*, TMyDate*, TMyDatabase*, TDlgMsg*, TTempGridForm*,
                               TShowStateForm*);

    explicit ModuleLibrary(const QString& path);
    ~ModuleLibrary();

    bool load();
    QString errorString() const { return m_library.errorString(); }
    QString path() const { return m_library.fileName(); }

    EntryPoint entryPoint(const QString& name);
    // Release_It, then unload.
    void unload();

private:
    QLibrary m_library;
};
