#pragma once

#include <QSqlDatabase>
#include <QString>

// One database session of the host program. Wraps a named QSqlDatabase connection;
// the module reaches it only through the host's database handle.
class DbConnection
{
public:
    // Opens (creating when absent) the SQLite database file at `path` under a
    // connection name of its own.
    explicit DbConnection(const QString& path);
    ~DbConnection();

    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    bool isOpen() const;
    QString lastError() const { return m_lastError; }
    QString connectionName() const { return m_name; }
    QSqlDatabase database() const;

private:
    QString m_name;
    QString m_lastError;
};
