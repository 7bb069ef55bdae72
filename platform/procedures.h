#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class DbConnection;

// What a database procedure hands back when it is opened as a query: column names
// and rows. Procedures that are only executed return an empty result.
struct ProcedureResult
{
    QStringList columns;
    QList<QVariantList> rows;

    // The first row's value of `column` (case-insensitive), or an invalid QVariant.
    QVariant value(const QString& column, int row = 0) const
    {
        int c = -1;
        for (int i = 0; i < columns.size(); ++i) {
            if (columns.at(i).compare(column, Qt::CaseInsensitive) == 0) {
                c = i;
                break;
            }
        }
        if (c < 0 || row < 0 || row >= rows.size() || c >= rows.at(row).size())
            return {};
        return rows.at(row).at(c);
    }
};

// The database side's procedures, called by name with their text arguments (the
// engines we run on have no stored procedures of the kind the module relies on, so
// the database side implements them and registers them with the connection).
// A procedure that fails throws DatabaseError and leaves the stored data as it was.
class ProcedureProvider
{
public:
    virtual ~ProcedureProvider() = default;
    virtual bool hasProcedure(const QString& name) const = 0;
    virtual ProcedureResult callProcedure(DbConnection& connection, const QString& name,
                                          const QStringList& arguments) = 0;
};
