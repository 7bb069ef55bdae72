#pragma once

#include "dbconnection.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Where a test keeps its databases. By default a temporary data folder of SQLite
// files. When AMVAL_TEST_SERVER names a PostgreSQL server database
// ("postgresql://user@host:port/postgres"), every place is a new database on that
// server instead, dropped again at the end: the same tests run on both engines.
// The temporary folder exists either way, for the files a test writes beside the
// databases (exports, settings, workbooks).
class TestPlace
{
public:
    // `serverOptions`: what the server database is made with beside its name (its
    // collation, say); nothing to a data folder.
    explicit TestPlace(const QString& serverOptions = QString());
    ~TestPlace();
    TestPlace(const TestPlace&) = delete;
    TestPlace& operator=(const TestPlace&) = delete;

    // The data place: the folder, or the server database's address.
    QString location() const { return m_location; }
    // The temporary folder.
    QString folder() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    bool isServer() const { return !m_serverDatabase.isEmpty(); }

    // Database `name` of the place; a missing one is made (empty).
    std::unique_ptr<DbConnection> open(const QString& name) const;

    // Whether the tests run on the server engine.
    static bool OnServer();
    static QString ServerAddress();

private:
    QTemporaryDir m_dir;
    QString m_location;
    QString m_serverDatabase;
};

// Every file and folder under `root` with its size, time of change and permissions:
// two listings are equal only when nothing was added, removed or written there.
QStringList EntriesUnder(const QString& root);

// A sum of what the file at `path` holds, to tell that nothing wrote to it (none when
// the file cannot be read).
inline QByteArray Checksum(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

// What the file at `path` holds (nothing when it cannot be read).
inline QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// `bytes` as the whole of the file at `path`, made or written over.
inline void WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// What `program` (a tool that reads back a file the module wrote) printed when run with
// `arguments`; "" when it did not finish.
inline QString ProgramOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished() ? QString::fromUtf8(process.readAllStandardOutput())
                                     : QString();
}

// Skips the rest of a test that concerns files of a data folder when the tests run
// on the server engine, saying why.
#define SKIP_ON_SERVER(why)                                                                        \
    do {                                                                                           \
        if (TestPlace::OnServer())                                                                 \
            QSKIP("on the server engine: " why);                                                   \
    } while (false)
