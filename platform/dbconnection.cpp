#include "dbconnection.h"

#include "databaseerror.h"
#include "sqlitedialect.h"
#include "sqlquote.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <atomic>

namespace {
QString NextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("amval-connection-%1").arg(++counter);
}

const QString kSuffix = QStringLiteral(".sqlite");
} // namespace

DbConnection::DbConnection(const QString& path) : m_name(NextConnectionName())
{
    const QFileInfo info(path);
    m_dataFolder = info.absolutePath();
    m_databaseName = info.fileName().endsWith(kSuffix) ? info.fileName().chopped(kSuffix.size())
                                                       : info.fileName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    if (!db.open()) {
        m_lastError = db.lastError().text();
    } else {
        QSqlQuery pragmas(db);
        pragmas.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
        // Several host programs may share one data folder: wait for a writer
        // instead of failing at once.
        pragmas.exec(QStringLiteral("PRAGMA busy_timeout = 5000"));
    }
    m_dialect = std::make_unique<SqliteDialect>(m_name);
    if (db.isOpen())
        m_dialect->prepareConnection();
}

DbConnection::~DbConnection()
{
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

QSqlDatabase DbConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

QStringList DbConnection::databaseNames() const
{
    QStringList names;
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
    const QString file = DatabaseFile(m_dataFolder, name);
    if (!QFileInfo::exists(file))
        return false;
    execute(QStringLiteral("ATTACH DATABASE ") + SqlQuote(file) + QStringLiteral(" AS ") +
            SqlIdent(name));
    m_attached << name;
    return true;
}

void DbConnection::detach(const QString& name)
{
    if (!m_attached.contains(name, Qt::CaseInsensitive))
        return;
    execute(QStringLiteral("DETACH DATABASE ") + SqlIdent(name));
    m_attached.removeAll(name);
}

void DbConnection::execute(const QString& sql) const
{
    QSqlQuery query(database());
    if (!query.exec(sql))
        throw DatabaseError(m_dialect->errorText(query.lastError()), sql);
}

QSqlQuery DbConnection::select(const QString& sql) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw DatabaseError(m_dialect->errorText(query.lastError()), sql);
    return query;
}

ProcedureResult DbConnection::callProcedure(const QString& name, const QStringList& arguments)
{
    if (!m_procedures || !m_procedures->hasProcedure(name))
        throw DatabaseError(QStringLiteral("Could not find stored procedure '%1'.").arg(name),
                            name);
    return m_procedures->callProcedure(*this, name, arguments);
}

void DbConnection::beginTransaction()
{
    if (m_transactionDepth == 0)
        execute(m_dialect->beginTransactionSql());
    else
        execute(QStringLiteral("SAVEPOINT amval_%1").arg(m_transactionDepth));
    ++m_transactionDepth;
}

void DbConnection::commitTransaction()
{
    if (m_transactionDepth <= 0)
        return;
    --m_transactionDepth;
    if (m_transactionDepth == 0)
        execute(QStringLiteral("COMMIT"));
    else
        execute(QStringLiteral("RELEASE SAVEPOINT amval_%1").arg(m_transactionDepth));
}

void DbConnection::rollbackTransaction()
{
    if (m_transactionDepth <= 0)
        return;
    --m_transactionDepth;
    if (m_transactionDepth == 0) {
        execute(QStringLiteral("ROLLBACK"));
    } else {
        execute(QStringLiteral("ROLLBACK TO SAVEPOINT amval_%1").arg(m_transactionDepth));
        execute(QStringLiteral("RELEASE SAVEPOINT amval_%1").arg(m_transactionDepth));
    }
}
