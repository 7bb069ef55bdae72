#include "picklist.h"

#include "commandquery.h"
#include "hostcontext.h"

int ShowPickList(const QString& sql)
{
    CommandQuery* query = TempGridForm->quTemp;
    query->close();
    query->setConnection(MyDatabase->Connection);
    query->setSql(sql);
    return TempGridForm->exec();
}
