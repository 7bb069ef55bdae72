#pragma once

#include "dbconnection.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
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

// Skips the rest of a test that concerns files of a data folder when the tests run
// on the server engine, saying why.
#define SKIP_ON_SERVER(why)                                                                        \
    do {                                                                                           \
        if (TestPlace::OnServer())                                                                 \
            QSKIP("on the server engine: " why);                                                   \
    } while (false)
