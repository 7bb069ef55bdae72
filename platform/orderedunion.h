#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

class Dialect;

// The rows of several tables in one order, each row with names looked up in other
// tables by its codes: a report over many voucher tables. OrderedUnionSql writes it
// so that the engine reads its first rows along the tables' indexes on the first
// order column, merging the parts, instead of making and sorting the whole union:
// a grid over a result of a million rows shows its first screen at once. Which
// shape the engine merges is the dialect's to say.
struct OrderedUnion
{
    // A column of the result, and the SQL type every part's value of it is cast to,
    // so that the parts agree on it ("" leaves the value as it is: a column of the
    // same type in every table, such as the first order column, whose index the
    // engine walks).
    struct Column
    {
        QString name;
        QString type;
    };
    // A column named from another table by a code column of the result: its value
    // over that table's alias, and the join, "{}" standing for the code
    // (" LEFT JOIN D_Makan M ON M.MakanCod = {}"). A part without the code has NULL
    // for it. An inner join goes by a code every part has.
    struct Lookup
    {
        QString name;
        QString value;
        QString join;
        QString code;
    };
    // One table's rows (alias A): the result columns it fills, as expressions over A
    // (the others are NULL), and its condition, where "{Name}" stands for its value
    // of the result column Name, with "?" placeholders for `values`.
    struct Part
    {
        QString table;
        QHash<QString, QString> columns;
        QString condition;
        QVariantList values;
    };

    QList<Column> columns;
    QList<Lookup> lookups;
    QList<Part> parts;
    // Result columns the rows are ordered by, going up; the first one is the column
    // whose index each table has.
    QStringList order;
};

// The statement of `report` for `dialect`, its values appended to `values` in the
// order of its placeholders. Its result has the columns of `report`, in their
// order, and its ORDER BY names them. Empty when the report has no part.
QString OrderedUnionSql(const Dialect& dialect, const OrderedUnion& report, QVariantList& values);
