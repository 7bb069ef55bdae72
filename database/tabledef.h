#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One column of a stored table as the database side declares it.
struct ColumnDef
{
    enum class Type { Text, Integer, Float };
    QString name;
    Type type = Type::Text;
    int width = 0;          // declared text width; 0 for unbounded text
    bool notNull = false;
    QString defaultValue;   // SQL literal, empty for none
    // Numbered by the table itself when a row is stored without it (the key).
    bool identity = false;
};

// A stored table: columns in order, primary key, further unique keys, indexes, and
// the columns a transaction table copied from it refuses twice (the asset code of
// a voucher table).
struct TableDef
{
    QString name;
    QList<ColumnDef> columns;
    QStringList primaryKey;
    QList<QStringList> uniqueKeys;
    QList<QStringList> indexes;
    // Columns whose values other programs write in any padding: indexed by the value
    // without its blanks (trim(column)), which is how they are looked up.
    QStringList trimmedIndexes;
    // Indexes over only the rows that meet a condition (in SQL both engines read alike):
    // a list that asks for those rows reads the index instead of every row.
    struct PartialIndex
    {
        QStringList columns;
        QString condition;
    };
    QList<PartialIndex> partialIndexes;
    QStringList transactionKey;

    const ColumnDef* column(const QString& columnName) const
    {
        for (const ColumnDef& c : columns) {
            if (c.name.compare(columnName, Qt::CaseInsensitive) == 0)
                return &c;
        }
        return nullptr;
    }
};
