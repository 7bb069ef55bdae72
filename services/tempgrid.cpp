#include "tempgrid.h"

#include "dataset.h"
#include "dbconnection.h"
#include "dialect.h"
#include "hostcontext.h"
#include "settings.h"
#include "sqlquote.h"

namespace {

DbConnection* HostConnection()
{
    return MyDatabase != nullptr ? MyDatabase->Connection : nullptr;
}

// A name as the caller wrote it when it is already quoted, quoted otherwise.
QString Identifier(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.startsWith(QLatin1Char('"')))
        return trimmed;
    return SqlIdent(trimmed);
}

} // namespace

bool ReadCopyPrintRights(TGlobal* global)
{
    DbConnection* connection = HostConnection();
    if (global == nullptr || connection == nullptr)
        return false;
    DataSet query(connection);
    query.open(QStringLiteral("Select ZELMORA From UserSdc Where UserId = ?"),
               {QString::number(global->UserID)});
    const QString settings =
        !query.isEmpty() && query.fieldCount() > 0 ? query.field(0)->asString() : QString();
    global->CopyPermission = SettingValue(settings, QStringLiteral("COPY"));
    global->PrintPermission = SettingValue(settings, QStringLiteral("PRINT"));
    return true;
}

void DropTempTable(const QString& name)
{
    DbConnection* connection = HostConnection();
    if (connection == nullptr)
        return;
    const QString full = name.startsWith(QStringLiteral("##")) ? name : QStringLiteral("##") + name;
    connection->dialect().dropTempTable(full);
}

bool TempObjectExists(const QString& name)
{
    DbConnection* connection = HostConnection();
    return connection != nullptr && connection->dialect().tempObjectExists(name);
}

QString LookupFirstValue(DataSet* query, const QString& resultField, const QString& table,
                         const QString& keyField, const QString& keyValue)
{
    if (query == nullptr)
        return QString();
    query->close();
    query->open(QStringLiteral("Select ") + Identifier(resultField) + QStringLiteral(" From ") +
                    Identifier(table) + QStringLiteral(" Where ") + Identifier(keyField) +
                    QStringLiteral(" = ? LIMIT 1"),
                {keyValue});
    if (query->isEmpty() || query->fieldCount() == 0)
        return QString();
    query->first();
    return query->field(0)->asString();
}
