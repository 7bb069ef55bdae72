// Opening a DbConnection on a database file or a server database, its session
// (renewed when the server ended it), the databases beside it, and transactions.
// Running statements is in dbstatements.cpp.

#include "dbconnection.h"

#include "databaseerror.h"
#include "postgresdialect.h"
#include "sqlitedialect.h"
#include "sqlquote.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <utility>

namespace {
// How often the owner of work tables is asked to make them again after one renewal.
constexpr int kRenewalTries = 3;

QString NextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("amval-connection-%1").arg(++counter);
}

const QString kSuffix = QStringLiteral(".sqlite");

// How long the engine itself waits for a lock before run() hears of it (ms).
constexpr int kWaitSlice = 200;
// The page cache a file connection keeps for its own database, and what an attached
// one keeps (the engine's default), in KiB.
constexpr int kOwnPageCache = 32768;
constexpr int kAttachedPageCache = 2000;

// The statement that opens nested level `depth` of a transaction.
QString SavepointSql(int depth)
{
    return QStringLiteral("SAVEPOINT amval_") + QString::number(depth);
}

} // namespace


DbConnection::DbConnection(const QString& path, OpenMode mode) : m_name(NextConnectionName())
{
    openFile(path, mode);
}

void DbConnection::openFile(const QString& path, OpenMode mode)
{
    const QFileInfo info(path);
    m_dataFolder = info.absolutePath();
    m_databaseName = info.fileName().endsWith(kSuffix) ? info.fileName().chopped(kSuffix.size())
                                                       : info.fileName();
    const bool inMemory = path.isEmpty() || path == QLatin1String(":memory:");
    if (!inMemory)
        m_file = info.absoluteFilePath();
    m_dialect = std::make_unique<SqliteDialect>(m_name);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    // File names are given as URIs: "mode=rw" opens an existing file and never
    // makes an empty one in its place; attached databases are opened read-only.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    if (inMemory) {
        db.setDatabaseName(QStringLiteral(":memory:"));
    } else {
        db.setDatabaseName(QUrl::fromLocalFile(m_file).toString(QUrl::FullyEncoded) +
                           (mode == OpenMode::Existing ? QStringLiteral("?mode=rw")
                                                       : QStringLiteral("?mode=rwc")));
    }
    if (!db.open()) {
        m_lastError = db.lastError().text();
        m_openKind = error(db.lastError(), QString()).kind();
        if (!inMemory && !QFileInfo::exists(m_file))
            m_openKind = DatabaseError::Kind::Unavailable;
        return;
    }
    QSqlQuery pragmas(db);
    pragmas.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    // A page cache of up to 32 MB (the engine's default is 2 MB), taken only as pages
    // are read: a large company's carry-forward or search over a million voucher
    // rows otherwise writes pages out and reads them back within its transaction
    // (measured: a 1,000,000-row carry-forward took 40% less time, a search half).
    pragmas.exec(m_dialect->pageCacheSql(QStringLiteral("main"), kOwnPageCache));
    // Several host programs may share one data folder. The engine waits a short
    // while for a writer; run() goes on waiting in such slices up to the busy
    // limit, telling the wait observer, so that the host can say what it waits for.
    pragmas.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kWaitSlice));
    checkOpened();
}

DbConnection::DbConnection(const QString& place, const QString& name, OpenMode mode)
    : m_name(NextConnectionName())
{
    if (IsServerAddress(place)) {
        openServer(place, name, mode);
        return;
    }
    openFile(DatabaseFile(place, name), mode);
}

bool DbConnection::IsServerAddress(const QString& place)
{
    return place.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           place.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString DbConnection::DisplayAddress(const QString& place)
{
    if (!IsServerAddress(place))
        return place;
    QUrl url(place);
    url.setPassword(QString());
    url.setQuery(QString());
    return url.toString(QUrl::RemovePassword);
}

// The server database of the address; the connection's own database is the first
// schema of its search path (its tables are named without a schema, as the files'
// are), followed by the schema that holds the functions the module's statements use.
void DbConnection::openServer(const QString& address, const QString& name, OpenMode mode)
{
    m_server = true;
    m_dataFolder = address;
    m_databaseName = name;
    auto dialect = std::make_unique<PostgresDialect>(m_name);
    dialect->setPendingSender([this] {
        QSqlQuery query(database());
        QString text;
        int sent = 0;
        if (!sendPending(query, text, sent))
            throw error(query.lastError(), query.lastQuery());
    });
    m_dialect = std::move(dialect);
    const QUrl url(address);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    db.setHostName(url.host().isEmpty() ? QStringLiteral("localhost") : url.host());
    db.setPort(url.port(5432));
    const QString dbName = url.path().mid(1);
    db.setDatabaseName(dbName.isEmpty() ? url.userName() : dbName);
    db.setUserName(url.userName());
    db.setPassword(url.password());
    QStringList options{QStringLiteral("connect_timeout=10"),
                        QStringLiteral("application_name=amval")};
    if (url.hasQuery()) {
        for (const QString& option : url.query().split(QLatin1Char('&'), Qt::SkipEmptyParts))
            options << option;
    }
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (!db.isValid()) {
        m_lastError = QStringLiteral("The PostgreSQL driver of Qt (QPSQL) is not installed.");
        m_openKind = DatabaseError::Kind::Unavailable;
        return;
    }
    if (!db.open()) {
        m_lastError = db.lastError().text();
        m_openKind = m_dialect->errorKind(db.lastError());
        if (m_openKind == DatabaseError::Kind::Other)
            m_openKind = DatabaseError::Kind::Unavailable;
        return;
    }
    m_dialect->prepareConnection();
    m_dialect->setLockWait(m_busyLimit);
    if (!name.isEmpty()) {
        const QString schema = PostgresDialect::Folded(name);
        bool exists = false;
        {
            QSqlQuery probe(db);
            probe.prepare(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = ?"));
            probe.addBindValue(schema);
            exists = probe.exec() && probe.next();
            if (!exists && mode == OpenMode::Existing) {
                m_lastError = QStringLiteral("There is no database %1 on the server.").arg(name);
                m_openKind = DatabaseError::Kind::Unavailable;
                db.close();
                return;
            }
        }
        // Until a missing database is made, nothing may land in the schema of the
        // functions: a statement then finds no schema to create its table in.
        QSqlQuery path(db);
        if (!path.exec(QStringLiteral("SET search_path TO ") + SqlIdent(schema) +
                       (exists ? QStringLiteral(", public") : QString()))) {
            m_lastError = path.lastError().text();
            m_openKind = DatabaseError::Kind::Unavailable;
            db.close();
        }
    }
    m_sessionOpened = db.isOpen();
}

bool DbConnection::reconnect() const
{
    if (!m_server || !m_sessionOpened)
        return false;
    QSqlDatabase db = database();
    forgetStatements();
    // The new session has none of the old one's temporary tables.
    m_dialect->forgetSchema();
    m_pending.clear();
    db.close();
    if (!db.open())
        return false;
    m_dialect->prepareConnection();
    m_dialect->setLockWait(m_busyLimit);
    if (!m_databaseName.isEmpty()) {
        QSqlQuery path(db);
        if (!path.exec(QStringLiteral("SET search_path TO ") +
                       SqlIdent(PostgresDialect::Folded(m_databaseName)) +
                       QStringLiteral(", public"))) {
            db.close();
            return false;
        }
    }
    ++m_renewals;
    m_renewalPending = true;
    renewWork();
    return true;
}

void DbConnection::resumeSession() const
{
    if (m_askingGoing)
        throw DatabaseError(QStringLiteral("The connection is running a statement."), QString(),
                            DatabaseError::Kind::Busy, m_databaseName);
    if (!m_server || m_transactionDepth > 0 || m_renewing)
        return;
    // The driver closes a session the server ended once a statement finds it gone.
    if (!isOpen())
        reconnect();
    else if (m_renewalPending)
        renewWork();
}

void DbConnection::renewWork() const
{
    if (m_renewing || m_transactionDepth > 0)
        return;
    m_renewing = true;
    struct Done
    {
        bool& renewing;
        ~Done() { renewing = false; }
    } done{m_renewing};
    m_renewalPending = false;
    const std::shared_ptr<Watches> watches = m_watches;
    std::vector<int> behind;
    for (const auto& [id, entry] : watches->entries) {
        if (entry.renewedAt < m_renewals)
            behind.push_back(id);
    }
    for (const int id : behind) {
        const auto found = watches->entries.find(id);
        if (found == watches->entries.end() || found->second.renewedAt >= m_renewals)
            continue;
        found->second.renewedAt = m_renewals;
        // A copy: the owner may stop watching while it runs.
        const std::function<void()> renew = found->second.renew;
        try {
            if (renew)
                renew();
            if (const auto renewed = watches->entries.find(id); renewed != watches->entries.end())
                renewed->second.failures = 0;
        } catch (const DatabaseError&) {
            // Tried again at the next statement (the server may still be restarting), a
            // few times at most: what keeps failing is left to the owner's own next
            // statement, which fails in its place.
            if (const auto again = watches->entries.find(id);
                again != watches->entries.end() && ++again->second.failures < kRenewalTries) {
                again->second.renewedAt = m_renewals - 1;
                m_renewalPending = true;
            }
        }
    }
}

SessionWatch::SessionWatch(const DbConnection& connection, std::function<void()> renew)
    : m_watches(connection.m_watches), m_id(connection.m_watches->nextId++)
{
    connection.m_watches->entries[m_id] = {std::move(renew), connection.m_renewals};
}

SessionWatch::~SessionWatch()
{
    if (const std::shared_ptr<DbConnection::Watches> watches = m_watches.lock())
        watches->entries.erase(m_id);
}

void DbConnection::createDatabase()
{
    if (!m_server || m_databaseName.isEmpty())
        return;
    const QString schema = SqlIdent(PostgresDialect::Folded(m_databaseName));
    execute(QStringLiteral("CREATE SCHEMA IF NOT EXISTS ") + schema);
    // SET inside a transaction that rolls back is undone with it.
    execute(QStringLiteral("SET search_path TO ") + schema + QStringLiteral(", public"));
}

void DbConnection::setBusyLimit(int milliseconds)
{
    m_busyLimit = milliseconds;
    if (isOpen())
        m_dialect->setLockWait(milliseconds);
}

QString DbConnection::display() const
{
    if (!m_server)
        return m_file.isEmpty() ? m_databaseName : m_file;
    return m_databaseName.isEmpty() ? DisplayAddress(m_dataFolder) : m_databaseName;
}

// An open file that is not a database (or is damaged, or locked past the busy limit)
// fails at its first read: read the schema once now, so that opening says so.
void DbConnection::checkOpened()
{
    QSqlDatabase db = database();
    {
        QSqlQuery probe(db);
        if (run(probe, QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            probe.finish();
            m_dialect->prepareConnection();
            return;
        }
        const DatabaseError failure = error(probe.lastError(), QString());
        m_lastError = failure.message();
        m_openKind = failure.kind();
    }
    db.close();
}

DbConnection::~DbConnection()
{
    m_kept.clear();
    m_dialect.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QString DbConnection::DatabaseFile(const QString& dataFolder, const QString& name)
{
    return QDir(dataFolder).filePath(name + kSuffix);
}

bool DbConnection::isOpen() const
{
    return QSqlDatabase::database(m_name, false).isOpen();
}

QString DbConnection::engineDescription() const
{
    QSqlQuery query = select(m_server ? QStringLiteral("SHOW server_version")
                                      : QStringLiteral("SELECT sqlite_version()"));
    const QString version = query.next() ? query.value(0).toString().trimmed() : QString();
    return (m_server ? QStringLiteral("PostgreSQL ") : QStringLiteral("SQLite ")) + version;
}

QSqlDatabase DbConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

QStringList DbConnection::databaseNames() const
{
    QStringList names;
    if (m_server) {
        // The schemas the system made; the server's own are not databases of it.
        QSqlQuery q = select(QStringLiteral(
            "SELECT nspname FROM pg_namespace WHERE nspname NOT LIKE 'pg\\_%' AND nspname NOT IN "
            "('public', 'information_schema') ORDER BY nspname"));
        while (q.next())
            names << m_dialect->fieldName(q.value(0).toString());
        return names;
    }
    const QDir dir(m_dataFolder);
    for (const QString& file :
         dir.entryList({QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Name))
        names << file.chopped(kSuffix.size());
    return names;
}

bool DbConnection::databaseExists(const QString& name) const
{
    if (name.compare(m_databaseName, Qt::CaseInsensitive) == 0)
        return true;
    return databaseNames().contains(name, Qt::CaseInsensitive);
}

bool DbConnection::attach(const QString& name)
{
    if (name.compare(m_databaseName, Qt::CaseInsensitive) == 0)
        return true;
    if (m_attached.contains(name, Qt::CaseInsensitive))
        return true;
    if (m_server) {
        // Every schema of the server database is reachable; it only has to be there.
        if (!databaseExists(name))
            return false;
        m_dialect->addSpellings({name});
        m_attached << name;
        return true;
    }
    const QString file = DatabaseFile(m_dataFolder, name);
    if (!QFileInfo::exists(file))
        return false;
    QVariantList values;
    const QString sql = m_dialect->attachReadOnlySql(file, name, values);
    execute(sql, values);
    m_attached << name;
    return true;
}

void DbConnection::detach(const QString& name)
{
    if (!m_attached.contains(name, Qt::CaseInsensitive))
        return;
    if (m_server) {
        m_attached.removeAll(name);
        return;
    }
    execute(QStringLiteral("DETACH DATABASE ") + SqlIdent(name));
    m_attached.removeAll(name);
}

void DbConnection::readWithCacheLent(const QString& name, const std::function<void()>& read)
{
    const QString own = QStringLiteral("main");
    if (m_dialect->pageCacheSql(own, kOwnPageCache).isEmpty() ||
        !m_attached.contains(name, Qt::CaseInsensitive)) {
        read();
        return;
    }
    // Measured on a year-end copy of a 1M-row period: the previews' fills took a
    // third less time, in no more memory. The own file's pages dropped are read
    // again as they are needed.
    execute(m_dialect->pageCacheSql(own, kAttachedPageCache));
    execute(m_dialect->pageCacheSql(name, kOwnPageCache));
    const auto giveBack = [&] {
        execute(m_dialect->pageCacheSql(name, kAttachedPageCache));
        execute(m_dialect->pageCacheSql(own, kOwnPageCache));
    };
    try {
        read();
    } catch (...) {
        try {
            giveBack();
        } catch (const DatabaseError&) {
            // The read's failure is the one to tell.
        }
        throw;
    }
    giveBack();
}

ProcedureResult DbConnection::callProcedure(const QString& name, const QStringList& arguments)
{
    if (!m_procedures || !m_procedures->hasProcedure(name))
        throw DatabaseError(QStringLiteral("Could not find stored procedure '%1'.").arg(name),
                            name);
    return m_procedures->callProcedure(*this, name, arguments);
}

void DbConnection::reportProgress(qint64 done, qint64 total) const
{
    if (m_progress && !m_progress(done, total))
        throw DatabaseError(QStringLiteral("Cancelled by the user."), QString(),
                            DatabaseError::Kind::Cancelled, m_databaseName);
}

void DbConnection::beginTransaction(TransactionKind kind)
{
    if (m_transactionDepth == 0) {
        resumeSession();
        // Between transactions: statements used again since the last are prepared
        // where a refusal ends nothing.
        m_dialect->preparePending();
        // Nothing is begun when BEGIN is refused: it may wait and be tried again.
        const QString begin = kind == TransactionKind::Write ? m_dialect->beginTransactionSql()
                                                             : m_dialect->beginReadTransactionSql();
        // The schema stamp goes in the same round trip, its answer the last result.
        const auto withStamp = [&] {
            const QString stamp = m_dialect->schemaStampSql();
            return stamp.isEmpty() ? begin : begin + QStringLiteral("; ") + stamp;
        };
        QString sql = withStamp();
        QSqlQuery query(database());
        bool begun = runStatement(query, sql, true);
        if (!begun && sql != begin &&
            error(query.lastError(), sql).kind() != DatabaseError::Kind::Unavailable) {
            // The stamp cannot be read (its sequence is gone): whatever the BEGIN
            // opened is ended, and the session goes on without it.
            QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
            m_dialect->schemaStampRead(QVariant());
            sql = begin;
            query = QSqlQuery(database());
            begun = runStatement(query, sql, true);
        }
        if (!begun) {
            // A server that restarted, or ended this session, since the last
            // statement: nothing of a transaction was open, so the session is made
            // again once and the transaction begun on it.
            const DatabaseError failure = error(query.lastError(), sql);
            if (failure.kind() != DatabaseError::Kind::Unavailable || !reconnect())
                throw failure;
            sql = withStamp();
            query = QSqlQuery(database());
            if (!runStatement(query, sql, true))
                throw failure;
        }
        if (sql != begin && query.nextResult() && query.next())
            m_dialect->schemaStampRead(query.value(0));
        query.finish();
        m_storedSchemaChanged = false;
        // The write lock of this connection's own database, waited for within the
        // busy limit; refused, nothing of the transaction remains.
        const QString lockSql =
            kind == TransactionKind::Write ? m_dialect->writeLockSql() : QString();
        if (!lockSql.isEmpty()) {
            QSqlQuery lock(database());
            if (!runStatement(lock, lockSql, true)) {
                const DatabaseError failure = error(lock.lastError(), lockSql);
                lock.finish();
                QSqlQuery rollback(database());
                runStatement(rollback, QStringLiteral("ROLLBACK"), false);
                throw failure;
            }
        }
        m_dialect->keepSchema(true);
    } else if (m_server) {
        // On a server the savepoint goes with the next statement, in its round trip
        // (sendPending); a level rolled back before any statement was sent has no
        // savepoint to go back to.
        m_pending << SavepointSql(m_transactionDepth);
    } else {
        execute(SavepointSql(m_transactionDepth));
    }
    ++m_transactionDepth;
}

void DbConnection::commitTransaction()
{
    if (m_transactionDepth <= 0)
        return;
    if (m_transactionDepth == 1) {
        // A commit refused because readers still hold the database leaves the
        // transaction open: it may wait for them and be tried again.
        // What waits to be sent goes in the commit's round trip, before it: a refusal
        // of any of it fails the commit, and the transaction stays to be rolled back.
        const QString sql =
            (m_pending.isEmpty() ? QString()
                                 : m_pending.join(QStringLiteral("; ")) + QStringLiteral("; ")) +
            QStringLiteral("COMMIT");
        m_pending.clear();
        QSqlQuery query(database());
        if (!runStatement(query, sql, true))
            throw error(query.lastError(), sql);
        m_transactionDepth = 0;
        m_dialect->keepSchema(false);
        if (m_storedSchemaChanged) {
            m_storedSchemaChanged = false;
            tellSchemaChanged();
        }
        return;
    }
    --m_transactionDepth;
    if (m_server) {
        // On a server every statement is a round trip: the savepoint is released with
        // the next statement of the transaction (or by its commit). Until then the
        // statements between stay in it, which changes nothing of what a rollback of
        // an enclosing level undoes. A level that sent nothing leaves nothing.
        const QString savepoint = SavepointSql(m_transactionDepth);
        if (!m_pending.isEmpty() && m_pending.constLast() == savepoint)
            m_pending.removeLast();
        else
            m_pending << QStringLiteral("RELEASE ") + savepoint;
        return;
    }
    execute(QStringLiteral("RELEASE SAVEPOINT amval_%1").arg(m_transactionDepth));
}

void DbConnection::rollbackTransaction()
{
    if (m_transactionDepth <= 0)
        return;
    --m_transactionDepth;
    // What the rolled-back statements did to the schema is undone with them.
    m_dialect->forgetSchema();
    forgetStatements();
    if (m_transactionDepth > 0) {
        // A savepoint not sent yet: nothing of the level reached the server, nor did
        // anything after it.
        if (const qsizetype at = m_pending.lastIndexOf(SavepointSql(m_transactionDepth)); at >= 0) {
            m_pending.resize(at);
            return;
        }
    }
    // The statements waiting to be sent are inner levels' (savepoints and their
    // releases): the rollback ends them.
    m_pending.clear();
    if (m_transactionDepth == 0) {
        m_dialect->keepSchema(false);
        m_storedSchemaChanged = false;
        // A session the server ended took its transaction with it; the session is
        // opened again by the next statement, not on the way out of a failure.
        if (m_server && !isOpen())
            return;
        execute(QStringLiteral("ROLLBACK"));
    } else {
        execute(QStringLiteral("ROLLBACK TO SAVEPOINT amval_%1").arg(m_transactionDepth));
        execute(QStringLiteral("RELEASE SAVEPOINT amval_%1").arg(m_transactionDepth));
    }
}

