#include "picklist.h"

#include "commandquery.h"
#include "dbconnection.h"
#include "dialect.h"
#include "globalunit.h"
#include "hostcontext.h"

TPickList MakePickList(const QString& caption, const QList<PickColumn>& columns,
                       const QString& keyField, const QString& current, const QString& sql,
                       const QVariantList& values)
{
    TPickList list;
    list.caption = caption;
    list.sql = sql;
    list.values = values;
    for (const PickColumn& c : columns) {
        list.titles << c.title;
        list.widths << c.width;
    }
    list.keyField = keyField;
    list.start = {{keyField, current}};
    return list;
}

QString FillListTable(DbConnection& connection, const QString& select, const QVariantList& values)
{
    const QString table = NewWorkTableName();
    connection.execute(
        connection.dialect().createTempTable(table) + QStringLiteral(" AS ") + select, values);
    return table;
}

const DataSet* ShowPickList(const TPickList& list)
{
    TempGridForm->SetList(list, MyDatabase->Connection);
    return TempGridForm->exec() == TTempGridForm::mrChosen ? TempGridForm->quTemp : nullptr;
}

QString ChosenText(const DataSet& chosen, const QString& field)
{
    const DataField* f = chosen.findField(field);
    return f != nullptr ? f->asString() : QString();
}
