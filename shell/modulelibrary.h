#pragma once

#include "context/entrypoint.h"

#include <QLibrary>
#include <QString>

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
