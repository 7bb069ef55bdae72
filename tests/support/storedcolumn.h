#pragma once

#include "dbconnection.h"

#include <QSqlQuery>
#include <QStringList>

// The first column of every row a statement returns, as texts: what a test reads
// back from the database to see what was stored.
inline QStringList StoredColumn(DbConnection& connection, const QString& sql)
{
    QStringList out;
    QSqlQuery q = connection.select(sql);
    while (q.next())
        out << q.value(0).toString();
    return out;
}

// The same, each text trimmed (codes and numbers are stored padded).
inline QStringList Column(DbConnection& db, const QString& sql)
{
    QStringList out;
    for (const QString& value : StoredColumn(db, sql))
        out << value.trimmed();
    return out;
}
