#pragma once

#include <QString>

class DbConnection;

// The host's shared command query: a statement text bound to a connection, run
// without a result set. Errors are thrown as DatabaseError.
class CommandQuery
{
public:
    explicit CommandQuery(DbConnection* connection = nullptr) : m_connection(connection) {}

    DbConnection* connection() const { return m_connection; }
    void setConnection(DbConnection* connection) { m_connection = connection; }
    bool hasConnection() const;

    QString sql() const { return m_sql; }
    void setSql(const QString& sql) { m_sql = sql; }

    // Releases whatever the last statement held.
    void close();
    // Runs the current statement; throws DatabaseError when the engine refuses it.
    void execute();

private:
    DbConnection* m_connection;
    QString m_sql;
};
