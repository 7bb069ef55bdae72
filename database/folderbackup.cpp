// A data folder's backup: each database file copied by the embedded engine's online
// backup from a connection of our own that only reads, page by page in steps, so that
// other clerks' saves go on between the steps; every copy checked before the
// backup is called done. A restore copies the files into a new folder of its own
// beside the target and puts that folder in the target's place in one step.

#include "backupengines.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "schema.h"
#include "persiantext.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QThread>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

namespace {

using Backup::Progress;

// Pages a first step copies (256 KB at the engine's default page size). A save of
// another clerk waits for at most one step; each save makes the copy start over, and
// each start over doubles the step, so that the copy ends while clerks keep saving.
constexpr int kFirstStep = 64;
// How long a copy waits for a database that another program keeps locked.
constexpr int kBusyLimitMs = 30000;
constexpr qint64 kChunk = 1 << 20;

struct Handle
{
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
};

struct Copying
{
    sqlite3_backup* backup = nullptr;
    ~Copying()
    {
        if (backup != nullptr)
            sqlite3_backup_finish(backup);
    }
    int finish()
    {
        const int rc = sqlite3_backup_finish(backup);
        backup = nullptr;
        return rc;
    }
};

QByteArray Uri(const QString& path, const char* mode)
{
    return (QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=") +
            QLatin1String(mode))
        .toUtf8();
}

// A database of the folder that could not be read, told as any database failure is.
BackupError SourceFailure(int rc, sqlite3* db, const QString& file)
{
    DatabaseError::Kind kind = DatabaseError::Kind::Other;
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        kind = DatabaseError::Kind::Busy;
        break;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        kind = DatabaseError::Kind::NotADatabase;
        break;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        kind = DatabaseError::Kind::Unavailable;
        break;
    default:
        break;
    }
    const QString words =
        QString::fromUtf8(db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    return BackupError(BackupError::Kind::SourceUnreadable, file,
                       DatabaseFailureText(DatabaseError(words, QString(), kind, file)));
}

// A failed step: the copy could not be written (it is the only thing written), or
// the database could not be read.
BackupError StepFailure(int rc, int error, sqlite3* source, sqlite3* copy, const QString& file,
                        const QString& folder)
{
    // A step's failure to write is not kept with the copy's connection: the system's
    // error number is taken as the step left it.
    if (sqlite3_system_errno(copy) != 0)
        error = sqlite3_system_errno(copy);
    const QString words = QString::fromUtf8(sqlite3_errmsg(copy));
    if ((rc & 0xff) == SQLITE_FULL)
        return BackupError(BackupError::Kind::DiskFull, folder, words);
    // A journal a read-only database file cannot be put right with is the database's.
    if (rc == SQLITE_READONLY_ROLLBACK || rc == SQLITE_READONLY_RECOVERY)
        return SourceFailure(rc, source, file);
    if ((rc & 0xff) == SQLITE_READONLY || (rc & 0xff) == SQLITE_CANTOPEN ||
        ((rc & 0xff) == SQLITE_IOERR && rc != SQLITE_IOERR_READ && rc != SQLITE_IOERR_SHORT_READ))
        return Backup::WriteFailure(folder, error, words);
    return SourceFailure(rc, source, file);
}

// Copies database `source` into the new file `copy` while other programs go on
// writing to it. `before` and `total` are bytes of the whole backup, for progress.
void CopyDatabase(const QString& source, const QString& copy, const QString& folder, qint64 before,
                  qint64 total, const Progress& progress)
{
    const QString name = QFileInfo(source).fileName();
    const qint64 size = QFileInfo(source).size();
    // Opened for writing where the file allows it, though only read: a save that a
    // program dying in its middle left in the journal is rolled back on the way in,
    // as the next clerk's program would, and the copy holds the database without it.
    Handle from;
    int rc = sqlite3_open_v2(Uri(source, "rw").constData(), &from.db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(from.db);
        from.db = nullptr;
        rc = sqlite3_open_v2(Uri(source, "ro").constData(), &from.db,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    }
    if (rc != SQLITE_OK)
        throw SourceFailure(rc, from.db, source);
    sqlite3_busy_timeout(from.db, 100);
    Handle to;
    rc = sqlite3_open_v2(QFile::encodeName(copy).constData(), &to.db,
                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK)
        throw Backup::WriteFailure(folder, sqlite3_system_errno(to.db),
                                   QString::fromUtf8(sqlite3_errmsg(to.db)));
    // The copy is synced once, whole, when it is done; a failure removes it anyway.
    sqlite3_exec(to.db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    Copying copying{sqlite3_backup_init(to.db, "main", from.db, "main")};
    if (copying.backup == nullptr)
        throw StepFailure(sqlite3_errcode(to.db), errno, from.db, to.db, source, folder);

    progress.tell(before, total, name);
    int step = kFirstStep;
    int lastRemaining = -1;
    QElapsedTimer busy;
    for (;;) {
        errno = 0;
        rc = sqlite3_backup_step(copying.backup, step);
        const int error = errno;
        const int pages = sqlite3_backup_pagecount(copying.backup);
        const int remaining = sqlite3_backup_remaining(copying.backup);
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_OK) {
            busy.invalidate();
            // Another program wrote to the database since the last step: the copy
            // began again from its first page.
            if (lastRemaining >= 0 && remaining >= lastRemaining)
                step = step > pages / 2 ? -1 : step * 2;
            lastRemaining = remaining;
        } else if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (!busy.isValid())
                busy.start();
            else if (busy.elapsed() > kBusyLimitMs)
                throw SourceFailure(rc, from.db, source);
            QThread::msleep(10);
        } else {
            throw StepFailure(rc, error, from.db, to.db, source, folder);
        }
        const qint64 copied = pages > 0 ? size * (pages - remaining) / pages : 0;
        progress.tell(before + copied, total, name);
    }
    errno = 0;
    rc = copying.finish();
    if (rc != SQLITE_OK)
        throw StepFailure(rc, errno, from.db, to.db, source, folder);
    if (sqlite3_close(to.db) != SQLITE_OK)
        throw Backup::WriteFailure(folder, sqlite3_system_errno(to.db));
    to.db = nullptr;
    Backup::SyncPath(copy);
}

// Whether a copy is a whole database: the engine's integrity check over every page,
// then its schema version row. Answers the version (0 for a file that has none).
int CheckCopy(const QString& copy)
{
    {
        Handle db;
        int rc = sqlite3_open_v2(Uri(copy, "ro").constData(), &db.db,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        sqlite3_stmt* check = nullptr;
        if (rc == SQLITE_OK)
            rc = sqlite3_prepare_v2(db.db, "PRAGMA integrity_check", -1, &check, nullptr);
        QString verdict;
        if (rc == SQLITE_OK && sqlite3_step(check) == SQLITE_ROW)
            verdict =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        else
            verdict = QString::fromUtf8(sqlite3_errmsg(db.db));
        sqlite3_finalize(check);
        if (verdict != QLatin1String("ok"))
            throw BackupError(BackupError::Kind::Damaged, copy, verdict);
    }
    DbConnection connection(copy, DbConnection::OpenMode::Existing);
    if (!connection.isOpen())
        throw BackupError(BackupError::Kind::Damaged, copy, connection.lastError());
    try {
        return Schema::StoredVersion(connection);
    } catch (const DatabaseError& e) {
        throw BackupError(BackupError::Kind::Damaged, copy, e.message());
    }
}

// Copies a backup's file into the restore's folder, checking what it wrote against
// the manifest.
void CopyFile(const QString& from, const QString& to, const BackupManifest::File& expected,
              const QString& folder, qint64& done, qint64 total, const Progress& progress)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw BackupError(BackupError::Kind::Damaged, from, in.errorString());
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw Backup::WriteFailure(folder, errno, out.errorString());
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            throw BackupError(BackupError::Kind::Damaged, from, in.errorString());
        errno = 0;
        if (out.write(chunk) != chunk.size()) {
            const int error = errno;
            throw Backup::WriteFailure(folder, error, out.errorString());
        }
        done += chunk.size();
        progress.tell(done, total, expected.name);
    }
    errno = 0;
    if (!out.flush() || ::fsync(out.handle()) != 0) {
        const int error = errno;
        throw Backup::WriteFailure(folder, error, out.errorString());
    }
    out.close();
    if (QFileInfo(to).size() != expected.size ||
        Backup::FileDigest(to).compare(expected.sha256, Qt::CaseInsensitive) != 0)
        throw BackupError(BackupError::Kind::Damaged, to);
}

class FolderEngine : public Backup::Engine
{
public:
    QString name() const override { return QStringLiteral("sqlite"); }

    void copyOut(const QString& place, const QString& into, BackupManifest& manifest,
                 const Progress& progress) override
    {
        const DatabaseFolder folder(place);
        const QString parent = QFileInfo(into).absolutePath();
        const QStringList files = folder.databaseFiles();
        if (!QFileInfo(folder.folder()).isDir() || files.isEmpty())
            throw BackupError(BackupError::Kind::SourceUnreadable, folder.folder(),
                              QStringLiteral("در پوشه اطلاعات «") +
                                  LeftToRightRun(QDir::toNativeSeparators(folder.folder())) +
                                  QStringLiteral("» پايگاه داده اي نيست."));
        qint64 total = 0;
        for (const QString& file : files)
            total += QFileInfo(QDir(folder.folder()).filePath(file)).size();
        // A disk that cannot take the copies is told before anything is written.
        const QStorageInfo disk(parent);
        if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < total)
            throw BackupError(BackupError::Kind::DiskFull, parent);
        qint64 done = 0;
        for (const QString& file : files) {
            const QString source = QDir(folder.folder()).filePath(file);
            const qint64 size = QFileInfo(source).size();
            CopyDatabase(source, QDir(into).filePath(file), parent, done, total, progress);
            done += size;
        }
        const QString checking = QStringLiteral("بررسي نسخه پشتيبان");
        for (int i = 0; i < files.size(); ++i) {
            progress.tell(i, files.size(), checking);
            const QString copy = QDir(into).filePath(files.at(i));
            const int version = CheckCopy(copy);
            manifest.databases.append({QFileInfo(files.at(i)).completeBaseName(), version});
            manifest.files.append({files.at(i), QFileInfo(copy).size(), Backup::FileDigest(copy)});
        }
    }

    void restore(const QString& backup, const BackupManifest& manifest, const QString& target,
                 const Progress& progress) override
    {
        const QString path = QDir::cleanPath(QFileInfo(target).absoluteFilePath());
        const QFileInfo info(path);
        if (info.exists() &&
            (!info.isDir() || !QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                  QDir::Hidden | QDir::System)))
            throw BackupError(BackupError::Kind::TargetNotEmpty, path);
        const QString parent = info.absolutePath();
        Backup::MadeFolders made(parent);
        struct Own
        {
            QString path;
            ~Own()
            {
                if (!path.isEmpty())
                    QDir(path).removeRecursively();
            }
        } work{QDir(parent).filePath(QLatin1Char('.') + info.fileName() +
                                     QStringLiteral(".restoring-") +
                                     QString::number(QCoreApplication::applicationPid()))};
        if (!QDir().mkdir(work.path)) {
            const int error = errno;
            work.path.clear();
            throw Backup::WriteFailure(parent, error);
        }
        qint64 total = 0;
        for (const BackupManifest::File& f : manifest.files)
            total += f.size;
        qint64 done = 0;
        for (const BackupManifest::File& f : manifest.files)
            CopyFile(QDir(backup).filePath(f.name), QDir(work.path).filePath(f.name), f, parent,
                     done, total, progress);
        for (const BackupManifest::File& f : manifest.files) {
            progress.tell(done, total, f.name);
            if (CheckCopy(QDir(work.path).filePath(f.name)) > Schema::kVersion)
                throw BackupError(BackupError::Kind::NewerVersion, backup);
        }
        Backup::SyncPath(work.path);
        // In the target's place in one step: an empty target folder is replaced, one
        // that something went into meanwhile is not.
        if (std::rename(QFile::encodeName(work.path).constData(),
                        QFile::encodeName(path).constData()) != 0) {
            const int error = errno;
            if (error == ENOTEMPTY || error == EEXIST || error == ENOTDIR)
                throw BackupError(BackupError::Kind::TargetNotEmpty, path);
            throw Backup::WriteFailure(parent, error);
        }
        work.path.clear();
        made.keep();
        Backup::SyncPath(parent);
    }
};

} // namespace

std::unique_ptr<Backup::Engine> Backup::MakeFolderEngine()
{
    return std::make_unique<FolderEngine>();
}
