#pragma once

#include "procedures.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

class DbConnection;

// Why a backup or a restore did not happen. Whatever it stopped at, nothing that
// existed before was changed: a backup leaves no folder behind, a restore leaves its
// target as it was. `where` names the folder, file or server database concerned;
// `detail` carries the engine's or the tool's own words, for support.
class BackupError : public std::runtime_error
{
public:
    enum class Kind {
        TargetUnwritable,  // the folder to write into cannot be made or written
        DiskFull,          // the disk of `where` filled up
        SourceUnreadable,  // a database of the place could not be read (`detail` says why)
        NotABackup,        // `where` holds no backup of the program
        Damaged,           // a file of the backup is missing, changed or fails its check
        NewerVersion,      // a newer version of the program made the backup
        OtherEngine,       // a data folder's backup for a server, or the other way round
        TargetNotEmpty,    // the restore's target already holds something
        TargetUnavailable, // the restore's server database cannot be reached or made
        ToolMissing,       // the engine's own backup tool is not installed (`detail`: package)
        ToolFailed,        // the engine's tool refused (`detail`: its words)
        Cancelled,         // the user stopped it
    };

    BackupError(Kind kind, const QString& where, const QString& detail = QString());

    Kind kind() const { return m_kind; }
    QString where() const { return m_where; }
    QString detail() const { return m_detail; }

private:
    Kind m_kind;
    QString m_where;
    QString m_detail;
};

// What the user is told, in Persian: what did not happen, where, and what to do.
QString BackupFailureText(const BackupError& error);

// What a backup folder holds, as its manifest says: written last, after every copy
// was checked, so a folder with a manifest is a whole backup.
struct BackupManifest
{
    // The manifest's own layout; a larger one was written by a newer program.
    static constexpr int kFormat = 1;
    static const QString kFileName;

    struct File
    {
        QString name; // inside the backup folder
        qint64 size = 0;
        QString sha256; // hex
    };
    struct Database
    {
        QString name;    // as the program names it (ZELMORA_Sdc, ZELMORA_1_1404)
        int version = 0; // its schema version row
    };

    int format = kFormat;
    QString program; // the program's version
    int schemaVersion = 0;
    QString engine; // "sqlite" or "postgresql"
    QDateTime time; // when the copy was taken (UTC)
    QString source; // the data folder, or the server address without its password
    QString tool;   // the engine's tool that wrote it, where one did
    int tables = 0; // the tables the server's dump holds
    QList<File> files;
    QList<Database> databases;
};

// Told as the work goes on: `done` of `total` steps, and what is being copied.
// Answering false stops the work; what it had made is removed.
using BackupObserver = std::function<bool(qint64 done, qint64 total, const QString& what)>;

// Copies every database of the data place (a data folder or a server database) into
// a new folder inside `parentFolder` (made when missing), named by the Jalali date
// and time, and returns that folder. A data folder's files are copied by the engine
// while other clerks go on working, each copy checked before the folder gets its
// name; a server's databases are dumped by the server's own tool. Throws BackupError.
QString TakeBackup(const QString& place, const QString& parentFolder,
                   const BackupObserver& observer = {});

// The manifest of a backup folder, when this version of the program can restore it
// (it says nothing of whether the files are whole: RestoreBackup checks them).
BackupManifest ReadBackupManifest(const QString& backupFolder);

// Restores the backup into `target`: a new or empty data folder for a data folder's
// backup, a new or empty server database (made when missing) for a server's. Every
// file is checked against the manifest first; on any failure the target is left as
// it was. Throws BackupError.
void RestoreBackup(const QString& backupFolder, const QString& target,
                   const BackupObserver& observer = {});

// The Persian line that tells what a backup holds: when, of what, which databases.
QString BackupDescription(const BackupManifest& manifest);

// The procedure sp_D_Backup (folder): a backup of the connection's data place into
// a new folder inside `folder`, told to the connection's progress observer (which
// may stop it: DatabaseError Cancelled). Answers Folder (the backup made, "" when
// none) and Message (why not, in Persian; "" when made).
ProcedureResult BackupProcedure(DbConnection& connection, const QStringList& arguments);
