#pragma once

// Writes a data set's posted rows back to the one table they come from: an insert
// that reads the row back as the table stored it, an update and a delete that find
// the row by its address (or by its values where it has none) and touch it only
// while it still holds the values it was read with. Every value is bound to its
// placeholder.

#include "dialect.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class DataField;
class DbConnection;

class RowWriter
{
public:
    using Row = QVariantList;
    using Fields = std::vector<std::unique_ptr<DataField>>;

    explicit RowWriter(const Fields& fields) : m_fields(fields) {}

    void setConnection(DbConnection* connection) { m_connection = connection; }

    // The table posted rows are written to; empty writes nothing.
    QString table() const { return m_table; }
    void setTable(const QString& table) { m_table = table; }

    // `sql` with the rows' address as one more column after its own, when every
    // column is read from the one table the statement reads; empty when the rows
    // have no address to write back by (a join, a view, an expression).
    QString addressedStatement(const QString& sql, const QList<ColumnInfo>& described) const;
    // Where a row read from (or inserted into) `table` carries its address: a value
    // after the fields, in no field. -1 for rows without one.
    void setAddress(int column, const QString& table)
    {
        m_addressColumn = column;
        m_addressTable = table;
    }
    int addressColumn() const { return m_addressColumn; }
    // The fields read anew: the columns they write are worked out again.
    void fieldsChanged() { m_writableFor.clear(); }

    // The fields that are columns of the table, by origin where the engine told it.
    QStringList writableFields() const;
    // The statements themselves. An insert and an update store into the row what
    // the table handed back (numbering, defaults, the new address); an update or a
    // delete that finds no row as it was read is a DatabaseError of kind Conflict.
    void insert(Row& row) const;
    void update(const Row& before, Row& after) const;
    void remove(const Row& row) const;
    // The written column whose text is wider than its field: the column an engine
    // that does not name it refused as too long. Empty when none is.
    QString tooLongColumn(const Row& row) const;

private:
    QVariantList valuesOf(const Row& row, const QStringList& columns) const;
    QVariant addressOf(const Row& row) const;
    int fieldFor(const QString& column) const;

    const Fields& m_fields;
    DbConnection* m_connection = nullptr;
    QString m_table;
    int m_addressColumn = -1;
    QString m_addressTable;
    mutable QStringList m_writable; // writableFields() for m_writableFor
    mutable QString m_writableFor;
};
