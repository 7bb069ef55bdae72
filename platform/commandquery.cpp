#include "commandquery.h"

#include "databaseerror.h"
#include "dbconnection.h"

bool CommandQuery::hasConnection() const
{
    return connection() != nullptr && connection()->isOpen();
}

void CommandQuery::execute()
{
    if (!hasConnection())
        throw DatabaseError(QStringLiteral("No open database connection"), sql());
    close();
    connection()->execute(sql(), boundValues());
}

void CommandQuery::execProcedure(const QString& name, const QStringList& arguments)
{
    if (!hasConnection())
        throw DatabaseError(QStringLiteral("No open database connection"), name);
    close();
    const ProcedureResult result = connection()->callProcedure(name, arguments);
    if (!result.columns.isEmpty())
        openResult(result);
}
