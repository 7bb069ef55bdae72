#pragma once

#include "procedures.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <memory>

class Dialect;

// One database session of the host program: a named QSqlDatabase connection, the
// dialect of its engine, the folder that holds the other databases it may reach
// (the company register and the other fiscal periods) and the database side's
// procedures. The module reaches it only through the host's database handle.
class DbConnection
{
public:
    // Opens (creating when absent) the SQLite database file at `path`. The folder
    // of the file is the data folder; the file's base name is the database name.
    explicit DbConnection(const QString& path);
    ~DbConnection();

    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // The file of database `name` in `dataFolder` ("<name>.sqlite").
    static QString DatabaseFile(const QString& dataFolder, const QString& name);

    bool isOpen() const;
    QString lastError() const { return m_lastError; }
    QString connectionName() const { return m_name; }
    QString databaseName() const { return m_databaseName; }
    QString dataFolder() const { return m_dataFolder; }
    QSqlDatabase database() const;
    Dialect& dialect() const { return *m_dialect; }

    // Databases of the data folder, by name, and whether one exists.
    QStringList databaseNames() const;
    bool databaseExists(const QString& name) const;
    // Makes database `name` of the data folder reachable under its own name
    // (Dialect::tableIn). True when it is reachable; attaching twice is harmless.
    bool attach(const QString& name);
    void detach(const QString& name);

    // Runs a statement that returns no rows; throws DatabaseError in the words of
    // Dialect::errorText when the engine refuses it.
    void execute(const QString& sql) const;
    // Runs a statement and returns the active query positioned before its first row.
    QSqlQuery select(const QString& sql) const;

    // The database side's procedures (set by the host program; not owned).
    void setProcedures(ProcedureProvider* procedures) { m_procedures = procedures; }
    ProcedureProvider* procedures() const { return m_procedures; }
    // Calls a procedure by name; throws DatabaseError when it fails or is unknown.
    ProcedureResult callProcedure(const QString& name, const QStringList& arguments);

    // Nested transactions: the outermost begins a transaction, inner ones a savepoint.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    int transactionDepth() const { return m_transactionDepth; }

private:
    QString m_name;
    QString m_lastError;
    QString m_databaseName;
    QString m_dataFolder;
    std::unique_ptr<Dialect> m_dialect;
    ProcedureProvider* m_procedures = nullptr;
    int m_transactionDepth = 0;
    QStringList m_attached;
};

// Writes that belong together: rolled back unless commit() is reached.
class Transaction
{
public:
    explicit Transaction(DbConnection& connection) : m_connection(connection)
    {
        m_connection.beginTransaction();
    }
    ~Transaction()
    {
        if (!m_done) {
            try {
                m_connection.rollbackTransaction();
            } catch (...) {
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit()
    {
        m_connection.commitTransaction();
        m_done = true;
    }

private:
    DbConnection& m_connection;
    bool m_done = false;
};
