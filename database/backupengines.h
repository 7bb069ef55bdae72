#pragma once

// The two ways a data place is copied out and back, behind one interface: the data
// folder's files through the embedded engine's online backup, a server's schemas
// through the server's own dump and restore tools. Only backup.cpp uses them.

#include "backup.h"

#include <memory>

namespace Backup {

// Tells the observer how far the work has come; throws BackupError Cancelled when it
// asks to stop.
class Progress
{
public:
    explicit Progress(const BackupObserver& observer) : m_observer(observer) {}
    void tell(qint64 done, qint64 total, const QString& what) const;

private:
    const BackupObserver& m_observer;
};

class Engine
{
public:
    virtual ~Engine() = default;
    // The engine as the manifest names it.
    virtual QString name() const = 0;
    // Copies every database of `place` into `into` (a new, empty folder of this
    // backup's own), checks each copy, and lists files and databases in `manifest`.
    virtual void copyOut(const QString& place, const QString& into, BackupManifest& manifest,
                         const Progress& progress) = 0;
    // Puts the backup of `folder`, whose files were checked against `manifest`, into
    // `target`, refusing a target that holds anything of the system already. On any
    // failure the target is left as it was.
    virtual void restore(const QString& folder, const BackupManifest& manifest,
                         const QString& target, const Progress& progress) = 0;
};

std::unique_ptr<Engine> MakeFolderEngine();
std::unique_ptr<Engine> MakeServerEngine();

// A failure to write `path` in folder `folder`, by the system's error number: no
// room (a full disk, a file size limit) or no way to write.
BackupError WriteFailure(const QString& folder, int error, const QString& detail = QString());
// Flushes a file's or a folder's contents to the disk.
void SyncPath(const QString& path);
// The SHA-256 of a file in hex; empty when it cannot be read.
QString FileDigest(const QString& path);

// Folders made on the way to `path` (mkpath), removed again by undo() unless kept:
// a failed backup or restore leaves no folder it made behind.
class MadeFolders
{
public:
    // Makes `path` and its missing parents; throws TargetUnwritable naming `path`.
    explicit MadeFolders(const QString& path);
    ~MadeFolders();
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;
    void keep() { m_first.clear(); }

private:
    QString m_first; // the outermost folder made, "" when none was
};

} // namespace Backup
