#include "commandquery.h"

#include "databaseerror.h"
#include "dbconnection.h"

#include <QSqlError>
#include <QSqlQuery>

bool CommandQuery::hasConnection() const
{
    return m_connection != nullptr && m_connection->isOpen();
}

void CommandQuery::close()
{
    // Statements are not kept open between calls: nothing to release beyond the text.
}

void CommandQuery::execute()
{
    if (!hasConnection())
        throw DatabaseError(QStringLiteral("No open database connection"), m_sql);
    QSqlQuery query(m_connection->database());
    if (!query.exec(m_sql))
        throw DatabaseError(query.lastError().text(), m_sql);
}
