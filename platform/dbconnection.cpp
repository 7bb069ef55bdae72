#include "dbconnection.h"

#include <QSqlError>
#include <atomic>

namespace {
QString NextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("amval-connection-%1").arg(++counter);
}
} // namespace

DbConnection::DbConnection(const QString& path) : m_name(NextConnectionName())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    if (!db.open())
        m_lastError = db.lastError().text();
}

DbConnection::~DbConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool DbConnection::isOpen() const
{
    return QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase DbConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}
