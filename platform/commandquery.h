#pragma once

#include "dataset.h"

#include <QString>
#include <QStringList>

class DbConnection;

// The host's shared command query: a statement bound to the host connection. It
// runs statements without a result (execute), opens statements and procedures as
// a data set, and calls the database side's procedures by name. Errors are thrown
// as DatabaseError.
class CommandQuery : public DataSet
{
    Q_OBJECT
public:
    explicit CommandQuery(DbConnection* connection = nullptr, QObject* parent = nullptr)
        : DataSet(connection, parent)
    {}

    bool hasConnection() const;

    // Runs the current statement; throws DatabaseError when the engine refuses it.
    void execute();
    // Runs a database procedure. A procedure that returns rows leaves them open
    // in this query; one that returns none leaves the query closed.
    void execProcedure(const QString& name, const QStringList& arguments);
};
