#pragma once

#include "procedures.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <map>
#include <memory>

#include "databaseerror.h"

class Dialect;
struct BoundRun;
class SessionWatch;

// One database session of the host program: a named QSqlDatabase connection, the
// dialect of its engine, the folder that holds the other databases it may reach
// (the company register and the other fiscal periods) and the database side's
// procedures. The module reaches it only through the host's database handle.
class DbConnection
{
public:
    enum class OpenMode {
        Create,  // a missing file is made (a new database)
        Existing // a missing file is a failure, never an empty new database
    };

    // Opens the SQLite database file at `path`. The folder of the file is the data
    // folder; the file's base name is the database name. When the file cannot be
    // opened or is not a database, isOpen() is false and openFailure() says why.
    explicit DbConnection(const QString& path, OpenMode mode = OpenMode::Create);
    // Opens database `name` of a data place: a data folder of SQLite files, or a
    // PostgreSQL server database ("postgresql://user@host:port/dbname", see
    // IsServerAddress) whose schemas are the databases. On a server, Create makes a
    // missing database only with createDatabase(), inside the caller's transaction,
    // so that a failed set-up leaves no half-made one; an empty name reaches the
    // server database without any of them (to list or make them).
    DbConnection(const QString& place, const QString& name, OpenMode mode);
    ~DbConnection();

    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // The file of database `name` in `dataFolder` ("<name>.sqlite").
    static QString DatabaseFile(const QString& dataFolder, const QString& name);
    // Whether a data place names a database server rather than a folder.
    static bool IsServerAddress(const QString& place);
    // The server address without its password, to show to the user.
    static QString DisplayAddress(const QString& place);

    bool isOpen() const;
    // The engine and its version as the open connection reports them ("SQLite 3.40.1",
    // "PostgreSQL 15.5"), for the user to read; throws DatabaseError when it cannot be
    // asked.
    QString engineDescription() const;
    QString lastError() const { return m_lastError; }
    // Why the database could not be opened, as the error a statement would throw.
    DatabaseError openFailure() const
    {
        return DatabaseError(m_lastError, QString(), m_openKind, m_file);
    }
    // The file of the database ("" for one in memory).
    QString file() const { return m_file; }
    QString connectionName() const { return m_name; }
    QString databaseName() const { return m_databaseName; }
    // The data place: the folder of the database files, or the server's address.
    QString dataFolder() const { return m_dataFolder; }
    bool isServer() const { return m_server; }
    // Makes this connection's own database when the place has none of that name
    // (a server's schema; a file is made when it is opened). Run it inside the
    // transaction that fills it.
    void createDatabase();
    QSqlDatabase database() const;
    Dialect& dialect() const { return *m_dialect; }

    // Databases of the data folder, by name, and whether one exists.
    QStringList databaseNames() const;
    bool databaseExists(const QString& name) const;
    // Makes database `name` of the data folder reachable under its own name
    // (Dialect::tableIn), for reading only: a write of this connection never locks
    // it. True when it is reachable; attaching twice is harmless.
    bool attach(const QString& name);
    void detach(const QString& name);
    // Runs `read`, one large read of attached database `name` (another period's rows
    // read through their key, with look-ups into its lists beside them), with the
    // page cache this connection keeps for its own file lent to `name`: the read then
    // finds again the pages it probes instead of asking the system for them, and the
    // process holds no more pages than before. Given back afterwards, whatever `read`
    // does. Where the engine keeps its cache for all its sessions, `read` just runs.
    void readWithCacheLent(const QString& name, const std::function<void()>& read);

    // Runs a statement that returns no rows; throws DatabaseError in the words of
    // Dialect::errorText when the engine refuses it.
    // `values` are bound to the statement's "?" placeholders in order: a value typed
    // by the user never becomes SQL text.
    void execute(const QString& sql, const QVariantList& values = {}) const;
    // Runs a statement that returns no rows, inside the open transaction: on a server,
    // in the round trip of the next statement (or of the commit), just before it (a
    // refusal of it is that statement's failure); elsewhere at once.
    void executeWithNext(const QString& sql, const QVariantList& values = {}) const;
    // Runs a statement that returns no rows, as execute() does, asking `going` now
    // and then while the engine works on it (one long INSERT ... SELECT); `going`
    // may show a window and let it take the user's clicks. When it answers false the
    // engine stops the statement: nothing of it is kept, and DatabaseError of kind
    // Cancelled is thrown. A statement of this connection that something started
    // meanwhile (from within `going`) fails as Busy.
    void executeStoppable(const QString& sql, const QVariantList& values,
                          const std::function<bool()>& going) const;
    // Runs a statement that writes a row with `values` bound to its "?" placeholders
    // by the engine itself, never written into its text (DataSet's write-back); what
    // it handed back. Throws DatabaseError. Statements waiting to go with the next
    // one (executeWithNext) go first.
    BoundRun runBound(const QString& sql, const QVariantList& values) const;
    // Runs a statement and returns the active query positioned before its first row.
    QSqlQuery select(const QString& sql, const QVariantList& values = {}) const;
    // Runs a query and hands it to `read` positioned before its first row. Where the
    // engine takes bound values, the statement stays prepared on the connection for
    // the next call of the same text; it is reset when `read` returns, so `read`
    // takes from the rows all it needs.
    void selectEach(const QString& sql, const QVariantList& values,
                    const std::function<void(QSqlQuery&)>& read) const;
    // Prepares `sql` as the engine takes it; false when it failed (query.lastError()).
    bool prepare(QSqlQuery& query, const QString& sql) const;
    // Runs `query` (its prepared statement when `sql` is empty). A statement refused
    // only because another program holds the database is run again, outside a
    // transaction, until the wait limit; false when it failed (query.lastError()).
    bool run(QSqlQuery& query, const QString& sql = QString()) const;
    // Prepares `sql`, binds `values` to its placeholders and runs it as run() does.
    bool run(QSqlQuery& query, const QString& sql, const QVariantList& values) const;
    // The error to throw for a failed statement of this connection: its kind, and
    // the file it concerns.
    DatabaseError error(const QSqlError& error, const QString& statement) const;

    // How long a statement waits for another program to let go of the database
    // before it fails as busy (milliseconds).
    void setBusyLimit(int milliseconds);
    // Told while a statement waits for another program: the database waited for and
    // the milliseconds waited so far; 0 when the wait is over. The host shows it on
    // its status line.
    using WaitObserver = std::function<void(const QString& database, int waited)>;
    void setWaitObserver(WaitObserver observer) { m_waitObserver = std::move(observer); }

    // Told by a long procedure how far it has come: `done` of `total` steps. Answering
    // false asks it to stop: it then throws DatabaseError of kind Cancelled and its
    // transaction leaves the stored data as it was. The caller of the procedure sets
    // it for the call (ProgressScope).
    using ProgressObserver = std::function<bool(qint64 done, qint64 total)>;
    void setProgressObserver(ProgressObserver observer) { m_progress = std::move(observer); }
    // Called by a procedure between two steps of its work: tells the observer, and
    // throws DatabaseError (Cancelled) when it asks to stop.
    void reportProgress(qint64 done, qint64 total) const;

    // The database side's procedures (set by the host program; not owned).
    void setProcedures(ProcedureProvider* procedures) { m_procedures = procedures; }
    ProcedureProvider* procedures() const { return m_procedures; }
    // Calls a procedure by name; throws DatabaseError when it fails or is unknown.
    ProcedureResult callProcedure(const QString& name, const QStringList& arguments);

    // Opens the session again when the server ended it (a restart of the server ends
    // every session; the next statement finds it gone and fails as Unavailable) and no
    // transaction is open, then lets the owners of work tables make them again
    // (SessionWatch) before going on. Every statement and transaction of the
    // connection asks first; a caller about to run statements that lean on what an
    // earlier one left (a data set's post) asks before the first. A session on a data
    // folder never ends: nothing happens.
    void resumeSession() const;

    // Nested transactions: the outermost begins a transaction, inner ones a savepoint.
    // A write transaction takes the write lock at once (waiting for it within the
    // busy limit); a read transaction sees one state of the stored data and may write
    // only the connection's temporary tables.
    enum class TransactionKind { Write, Read };
    void beginTransaction(TransactionKind kind = TransactionKind::Write);
    void commitTransaction();
    void rollbackTransaction();
    int transactionDepth() const { return m_transactionDepth; }

private:
    friend class SessionWatch;
    // The owners told when the session is opened again: each with the renewal it has
    // made its work for (a failed one is tried again at the next statement).
    struct Watches
    {
        struct Entry
        {
            std::function<void()> renew;
            int renewedAt = 0;
            int failures = 0; // of the renewal it is behind on
        };
        std::map<int, Entry> entries;
        int nextId = 1;
    };
    std::shared_ptr<Watches> m_watches = std::make_shared<Watches>();
    mutable int m_renewals = 0;
    mutable bool m_renewalPending = false;
    mutable bool m_renewing = false;
    bool m_sessionOpened = false;
    // Tells the owners whose work tables went with the session before.
    void renewWork() const;

    QString m_name;
    QString m_lastError;
    QString m_databaseName;
    QString m_dataFolder;
    QString m_file;
    bool m_server = false;
    DatabaseError::Kind m_openKind = DatabaseError::Kind::Other;
    int m_busyLimit = 6000;
    WaitObserver m_waitObserver;
    ProgressObserver m_progress;
    // `going` of executeStoppable is being asked.
    mutable bool m_askingGoing = false;
    std::unique_ptr<Dialect> m_dialect;
    ProcedureProvider* m_procedures = nullptr;
    int m_transactionDepth = 0;
    QStringList m_attached;

    // Statements with bound values kept prepared, by their text: a voucher's load and
    // save run the same few statements again and again, and preparing them is a large
    // part of their cost. Forgotten when the schema changes or a transaction rolls back.
    struct KeptStatement
    {
        QSqlQuery query;
        bool inUse = false;
        bool stale = false;
    };
    mutable QHash<QString, std::shared_ptr<KeptStatement>> m_kept;
    std::shared_ptr<KeptStatement> keptStatement(const QString& sql) const;
    bool runKept(KeptStatement& kept, const QVariantList& values) const;
    void releaseKept(const QString& sql, KeptStatement& kept) const;
    void forgetStatements() const;

    // Statements of a server session's transaction not sent yet (savepoints, their
    // releases, executeWithNext()), in order: they go with the next statement
    // (sendPending).
    mutable QStringList m_pending;
    // The open transaction changed a stored table: the other sessions are told once
    // it commits (Dialect::schemaChangedSql).
    mutable bool m_storedSchemaChanged = false;
    // Tells the other sessions that a committed change of a stored table happened.
    void tellSchemaChanged() const;
    // Sends the waiting transaction statements before `text` runs on `query`: in the
    // same round trip (prefixed to `text`; `sent` receives how many results come
    // before the statement's own) where the query takes it; false when they failed
    // (`query` then holds the failure).
    bool sendPending(QSqlQuery& query, QString& text, int& sent) const;
    // The text that runs `engineText` with `values`: the values written in as
    // literals, or on a server a statement it keeps prepared run by name with them
    // (Dialect::keptStatement).
    QString withValues(const QString& engineText, const QVariantList& values,
                       bool quoteNumbers) const;
    // Runs `engineText` with `values` written in (withValues, quoted).
    bool runWithValues(QSqlQuery& query, const QString& engineText,
                       const QVariantList& values) const;
    // `engineText`: `sql` is already as the engine takes it (Dialect::statementText).
    bool runStatement(QSqlQuery& query, const QString& sql, bool mayRetry,
                      bool engineText = false) const;
    void checkOpened();
    void openFile(const QString& path, OpenMode mode);
    void openServer(const QString& address, const QString& name, OpenMode mode);
    // Opens the server session again after the server ended it (its temporary
    // tables are gone with it) and tells the owners of work tables; false when the
    // server still cannot be reached.
    bool reconnect() const;
    QString display() const;
};

// An owner of work that a server session keeps only while it lasts (temporary
// tables, and what they hold), watching a connection for the life of this object:
// `renew` is called once a new session has replaced one the server ended, outside
// any transaction, before the statement that opened the new one runs. It makes the
// owner's work tables again and puts back what the owner holds in memory; it must
// not open, close or move the owner's data sets (that statement may be one of
// theirs). A DatabaseError out of it is tried again at the connection's next
// statements, a few times. The connection may go first.
class SessionWatch
{
public:
    SessionWatch(const DbConnection& connection, std::function<void()> renew);
    ~SessionWatch();
    SessionWatch(const SessionWatch&) = delete;
    SessionWatch& operator=(const SessionWatch&) = delete;

private:
    std::weak_ptr<DbConnection::Watches> m_watches;
    int m_id = 0;
};

// A progress observer set on a connection for the life of this object.
class ProgressScope
{
public:
    ProgressScope(DbConnection& connection, DbConnection::ProgressObserver observer)
        : m_connection(connection)
    {
        m_connection.setProgressObserver(std::move(observer));
    }
    ~ProgressScope() { m_connection.setProgressObserver({}); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    DbConnection& m_connection;
};

// Writes that belong together: rolled back unless commit() is reached.
class Transaction
{
public:
    explicit Transaction(DbConnection& connection,
                         DbConnection::TransactionKind kind = DbConnection::TransactionKind::Write)
        : m_connection(connection)
    {
        m_connection.beginTransaction(kind);
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
