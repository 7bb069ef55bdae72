#pragma once

#include "dataset.h"
#include "dbconnection.h"
#include "sqlquote.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <cmath>

// Every row a statement returns, each value as text; a NULL as `null`.
inline QList<QStringList> StoredRows(const DbConnection& db, const QString& sql,
                                     const QVariantList& values = {},
                                     const QString& null = QString())
{
    QList<QStringList> rows;
    QSqlQuery q = db.select(sql, values);
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << (q.value(i).isNull() ? null : q.value(i).toString());
        rows << row;
    }
    return rows;
}

// Every row a statement returns as one text, its values joined by `separator`.
inline QStringList StoredLines(const DbConnection& db, const QString& sql,
                               const QVariantList& values = {}, QChar separator = u'|')
{
    QStringList lines;
    for (const QStringList& row : StoredRows(db, sql, values))
        lines << row.join(separator);
    return lines;
}

// Every stored row of the tables, as one text: equal while nothing of them changed.
inline QString Snapshot(const DbConnection& db, const QStringList& tables)
{
    QString text;
    for (const QString& table : tables) {
        QStringList lines = StoredLines(db, "SELECT * FROM " + SqlIdent(table));
        lines.sort();
        text += table + ':' + lines.join('\n') + '\n';
    }
    return text;
}

// The first row a statement returns, each value as text (none when no row).
inline QStringList StoredRow(const DbConnection& db, const QString& sql,
                             const QVariantList& values = {})
{
    return StoredRows(db, sql, values).value(0);
}

// The first value a statement returns, as text ("" when no row).
inline QString StoredValue(const DbConnection& db, const QString& sql,
                           const QVariantList& values = {})
{
    return StoredRow(db, sql, values).value(0);
}

// The first value a statement returns, as a number (-1 when no row).
inline int StoredNumber(const DbConnection& db, const QString& sql, const QVariantList& values = {})
{
    const QString value = StoredValue(db, sql, values);
    return value.isEmpty() ? -1 : value.toInt();
}

// The first column of every row a statement returns, as texts: what a test reads
// back from the database to see what was stored.
inline QStringList StoredColumn(const DbConnection& connection, const QString& sql,
                                const QVariantList& values = {})
{
    QStringList out;
    QSqlQuery q = connection.select(sql, values);
    while (q.next())
        out << q.value(0).toString();
    return out;
}

// The same, each text trimmed (codes and numbers are stored padded).
inline QStringList Column(const DbConnection& db, const QString& sql,
                          const QVariantList& values = {})
{
    QStringList out;
    for (const QString& value : StoredColumn(db, sql, values))
        out << value.trimmed();
    return out;
}

// The trimmed texts of `field` in every row `ds` holds, in its order; the cursor stays.
inline QStringList FieldTexts(const DataSet& ds, const QString& field)
{
    QStringList texts;
    for (int row = 0; row < ds.recordCount(); ++row)
        texts << ds.value(row, ds.fieldByName(field)->index()).toString().trimmed();
    return texts;
}

// Columns a test does not type, set directly on the current row.
inline void SetRow(DataSet* ds, const QVariantMap& values)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        ds->fieldByName(it.key())->setValue(it.value());
}

// Whether two amounts read back are the same to the hundredth of a rial.
inline bool Near(double a, double b)
{
    return std::abs(a - b) < 0.01;
}
