#pragma once

#include "databaseerror.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class QSqlError;

// What a statement's result column is, as far as the engine can tell before the
// rows are read: its name, the declared text width of the column it comes from
// (0 when it is not a sized text), its origin table and column (empty for
// expressions) and its kind.
struct ColumnInfo
{
    enum class Kind { Text, Integer, Float, Unknown };
    QString name;
    Kind kind = Kind::Unknown;
    int width = 0;
    QString originTable;
    QString originColumn;
    // The origin is a table whose rows have an address (rowAddressColumn()), not a
    // view.
    bool addressable = false;
};

// What a statement run with bound values (Dialect::runBound) handed back: whether
// it returns rows, its rows (values as the driver reads them), the rows it changed.
struct BoundRun
{
    bool returnsRows = false;
    QList<QVariantList> rows;
    int affected = -1;
    QVariant insertId; // where the engine reports the key of an inserted row
};

// Everything that differs between the database engines we run on. Nothing outside
// the platform layer and the database side asks which engine runs; it asks this.
class Dialect
{
public:
    explicit Dialect(const QString& connectionName) : m_connectionName(connectionName) {}
    virtual ~Dialect() = default;

    Dialect(const Dialect&) = delete;
    Dialect& operator=(const Dialect&) = delete;

    // Column declarations read from the catalogue are kept: a procedure asks for the
    // same tables' columns and widths several times, and each answer is a catalogue
    // read (on a server, a round trip). What is kept holds as long as the engine can
    // tell it does, or (where it cannot) as long as the program's own connections
    // are the only ones to change a table: a step that changes a table other
    // sessions may have read has them forget it first (forgetSchema()). Some of what
    // is read may be kept only while the connection's transaction is open
    // (keepSchema(true) at its start, false at its end). The connection's own DDL,
    // and a rollback that may undo some, forget everything.
    void keepSchema(bool keep) const
    {
        m_keepSchema = keep;
        if (!keep)
            transactionEnded();
    }
    // Everything kept of the schema is read again when next asked for.
    virtual void forgetSchema() const {}
    // Where the engine cannot tell a change of a stored table cheaply, the program's
    // connections tell each other: a statement sent with the BEGIN of every
    // transaction answers one value (empty where nothing is needed), which moves
    // whenever a connection of the program commits a change of a stored table
    // (schemaChangedSql(), run after that commit); a moved value makes the dialect forget
    // what it kept (schemaStampRead(); null: none could be read, none is asked again).
    virtual QString schemaStampSql() const { return QString(); }
    virtual void schemaStampRead(const QVariant& stamp) const { Q_UNUSED(stamp); }
    virtual QString schemaChangedSql() const { return QString(); }

protected:
    // What was kept only for the transaction is dropped.
    virtual void transactionEnded() const { forgetSchema(); }

public:
    // Called once the connection is open: the SQL functions the module's statements
    // use beyond the common subset (COL_LENGTH(table, column) = columnWidth, or NULL
    // for an unknown column; LEN(text) = length without trailing blanks).
    virtual void prepareConnection() const = 0;

    // The statement as this engine is handed it. The module writes names as the
    // tables spell them, quoted or not; an engine that folds unquoted names gets
    // quoted ones folded the same way.
    virtual QString statementText(const QString& sql) const { return sql; }
    // A result column's name as the module's statements spell it (an engine that
    // folds names hands them back folded).
    virtual QString fieldName(const QString& engineName) const { return engineName; }
    // Teaches fieldName() the spellings of the stored tables' names.
    virtual void addSpellings(const QStringList& names) const { Q_UNUSED(names); }
    // Statements a session runs again and again may be kept prepared on the engine's
    // side and run by name, sparing it their parse and plan each time. The name to
    // run `engineText` (as statementText gives it, with `placeholders` "?") by, as
    // "EXECUTE name (values)"; "" where it runs as its own text: its first uses, a
    // statement the engine would not prepare, an engine without the means. Counts
    // the use: a text used again is prepared at the next preparePending().
    virtual QString keptStatement(const QString& engineText, int placeholders) const
    {
        Q_UNUSED(engineText);
        Q_UNUSED(placeholders);
        return QString();
    }
    // Called only while no transaction is open, where a refusal ends nothing:
    // prepares the statements used again since the last call and releases those
    // given up.
    virtual void preparePending() const {}
    // A round trip that ran `text` was refused with `error`: the kept statements it
    // named are given up (a kept statement the server can no longer run would fail
    // every time).
    virtual void keptStatementsFailed(const QString& text, const QSqlError& error) const
    {
        Q_UNUSED(text);
        Q_UNUSED(error);
    }
    // Whether `error` refused a kept statement itself, not what it was run with: run
    // as its own text, it may pass.
    virtual bool refusedKeptStatement(const QSqlError& error) const
    {
        Q_UNUSED(error);
        return false;
    }
    // Whether a read may stream its rows while other statements of the connection
    // run between them (select() then reads forward only).
    virtual bool streamsResults() const { return true; }
    // Whether the engine reads an ordered union of tables along their indexes (merging
    // the parts instead of sorting the whole union) only when the parts are bare
    // tables: their joins and conditions outside the union (OrderedUnionSql).
    virtual bool mergesOnlyBareUnionParts() const { return false; }
    // Whether NULL comes before every value in an ascending ORDER BY that does not
    // say where NULLs go (and after every value in a descending one).
    virtual bool nullsSortFirst() const { return true; }
    // Whether texts are ordered by their characters' codes (a binary or "C" collation):
    // then the values that start with a given text, after a given padding, are one
    // range of the order.
    virtual bool ordersTextByCode() const { return true; }
    // How the connection hands values to the placeholders of `sql`: bound to them, or
    // written into the statement as literals through the one quoting function, numbers
    // as numbers or quoted as every other value (a quoted literal takes its type from
    // where it stands, as a bound value does).
    enum class ValueForm { Bound, Literals, QuotedLiterals };
    virtual ValueForm valueForm(const QString& sql) const
    {
        Q_UNUSED(sql);
        return ValueForm::Bound;
    }
    // What a statement that reads a row ends with to hold it until the transaction
    // ends; empty where the transaction's begin holds the whole database already.
    virtual QString rowLockClause() const { return QString(); }
    // The hidden column that tells a table's rows apart in the order they were
    // written ("rowid"); a table's own columns never use the name.
    virtual QString rowAddressColumn() const { return QStringLiteral("rowid"); }
    // A scalar subquery that answers one text standing for the rows the statement
    // "SELECT columns FROM fromWhere ORDER BY order" would read: equal for equal rows
    // in equal order, different for any change of a value, its type or the rows' order
    // (out of reach of chance); NULL over no rows. `columns` are quoted names, `order`
    // may name the rows' address. A voucher's stamp is made of it, in the engine,
    // without the rows crossing into the program.
    virtual QString rowsDigestSql(const QStringList& columns, const QString& fromWhere,
                                  const QString& order) const = 0;
    // Tells the engine how long a statement may wait for another user's lock before
    // it fails as busy (milliseconds).
    virtual void setLockWait(int milliseconds) const { Q_UNUSED(milliseconds); }

    // The declared width of a text column ("the database width of a column");
    // 0 for a column that is not a sized text; -1 when there is no such table or
    // column. Temporary tables are found under their own names.
    virtual int columnWidth(const QString& table, const QString& column) const = 0;
    // The statement that changes the declared width of text column `column` of
    // `table` to `width` in place, keeping its rows; empty where the engine cannot
    // alter a column in place (a table there keeps the widths it was made with).
    virtual QString alterColumnWidthSql(const QString& table, const QString& column,
                                        int width) const
    {
        Q_UNUSED(table);
        Q_UNUSED(column);
        Q_UNUSED(width);
        return QString();
    }
    // The columns of a table (temporary ones included), in table order.
    virtual QStringList tableColumns(const QString& table) const = 0;
    virtual bool tableExists(const QString& table) const = 0;
    virtual bool tempObjectExists(const QString& name) const = 0;
    // Drops a temporary table when it exists; no error when it does not.
    virtual void dropTempTable(const QString& name) const = 0;
    // "Create Temp Table " or its equivalent, followed by the caller's name.
    virtual QString createTempTable(const QString& name) const = 0;
    // How a table of another database (attached or schema) is named in SQL.
    virtual QString tableIn(const QString& database, const QString& table) const = 0;
    // Column type of an identity row number, e.g. for "IDX Int Identity(1, 1)".
    virtual QString identityColumnType() const = 0;
    // An SQL expression: `expression` right-aligned with `fill` to `width`
    // characters, cut to its first `width` characters when longer.
    virtual QString padLeftExpression(const QString& expression, int width,
                                      QChar fill = QLatin1Char(' ')) const = 0;
    // The result columns of a statement, without running it to the end.
    virtual QList<ColumnInfo> describe(const QString& sql) const = 0;
    // The result columns of a statement the query has just run, from what the
    // engine prepared for that run (nothing prepared again); empty when the
    // engine's handle does not tell them.
    virtual QList<ColumnInfo> describeResult(const QSqlQuery& query) const
    {
        Q_UNUSED(query);
        return {};
    }

    // Writing one row back to its table, touching one row only even when stored rows
    // are identical. With `byAddress` the row is found by its address
    // (rowAddressColumn(), bound after the SET values) and still holding the values
    // it had when read (all of the table's columns the data set holds, bound last):
    // the engine goes straight to it. An engine whose update moves the row hands
    // its new address back as the statement's one result column. Without an
    // address the row is the first one holding those values (a search of the table).
    virtual QString updateRowSql(const QString& table, const QStringList& setColumns,
                                 const QStringList& matchColumns, bool byAddress) const = 0;
    virtual QString deleteRowSql(const QString& table, const QStringList& matchColumns,
                                 bool byAddress) const = 0;
    // The insert of one row; an engine that can hands the stored row back as the
    // statement's result (with the values the table gave it), its address after
    // the columns.
    virtual QString insertRowSql(const QString& table, const QStringList& columns) const = 0;
    // Reads back the row just inserted, by the key the insert reported; empty
    // when the engine cannot, or when the insert hands the row back itself.
    virtual QString insertedRowSql(const QString& table, const QStringList& columns) const = 0;

    // The statement that opens the outermost transaction of a write. With
    // writeLockSql() run right after it, the connection's own database is write
    // locked from the start, so that what the transaction reads stays true until it
    // commits (a new voucher's number, a voucher's stored rows).
    virtual QString beginTransactionSql() const = 0;
    // The statement that takes the write lock of the connection's own database, and
    // of no other, at the start of a write transaction; empty when
    // beginTransactionSql() takes it itself.
    virtual QString writeLockSql() const { return QString(); }
    // The statement that opens the outermost transaction of a read: a consistent view
    // of the stored data that locks no other user out (writes to the connection's own
    // temporary tables are allowed in it).
    virtual QString beginReadTransactionSql() const = 0;
    // A statement the user may stop (DbConnection::executeStoppable). Engines that
    // can ask while a statement of this connection runs set `going` to be asked now
    // and then until it is set empty, a statement it answers false to failing as
    // Cancelled, and return true; the others return false and run it with
    // runStoppable: `text` as the engine takes it, its values written in, asking
    // `going` while the engine works and stopping the statement when it answers
    // false. The failure, or an invalid error when it ran through.
    virtual bool watchStatements(const std::function<bool()>& going) const
    {
        Q_UNUSED(going);
        return false;
    }
    // Engines whose driver writes bound values into the statement's text run `text`
    // (as the engine takes it, "?" placeholders) with `values` handed to the engine
    // as parameters, and return true; the failure, if any, in `failure`. The others
    // return false: their driver binds values itself (DbConnection::runBound).
    virtual bool runBound(const QString& text, const QVariantList& values, BoundRun& out,
                          QSqlError& failure) const
    {
        Q_UNUSED(text);
        Q_UNUSED(values);
        Q_UNUSED(out);
        Q_UNUSED(failure);
        return false;
    }
    virtual QSqlError runStoppable(const QString& text, const std::function<bool()>& going) const
    {
        Q_UNUSED(going);
        QSqlQuery query(database());
        query.exec(text);
        return query.lastError();
    }

    // Whether a failed statement failed only because another program held the
    // database: outside a transaction it may be run again.
    virtual bool isBusy(const QSqlError& error) const = 0;
    // The statement that makes another database of the data folder reachable under
    // `name`, for reading only, so that a write transaction never locks it; `values`
    // receives what its placeholders are bound to.
    virtual QString attachReadOnlySql(const QString& file, const QString& name,
                                      QVariantList& values) const = 0;
    // The statement that lets the connection keep up to `kib` KiB of database `name`'s
    // pages in its own memory ("main": its own file); "" where the engine keeps its
    // cache for all its sessions (a server).
    virtual QString pageCacheSql(const QString& name, int kib) const
    {
        Q_UNUSED(name);
        Q_UNUSED(kib);
        return QString();
    }

    // The engine's error text as the module words it for support: a duplicate key
    // reads "Violation of PRIMARY KEY constraint 'PK_<table>'...", an over-long text
    // "String or binary data would be truncated.". Nothing decides on these words:
    // callers test errorKind() and errorObject().
    virtual QString errorText(const QSqlError& error) const = 0;
    // What kind of failure the engine reported, from its own error code.
    virtual DatabaseError::Kind errorKind(const QSqlError& error) const = 0;
    // The table or column the failure concerns, as the engine named it: the table of
    // a duplicated key, the column of an over-long text, the missing table; empty
    // when the engine named none.
    virtual QString errorObject(const QSqlError& error) const = 0;
    // The error to throw for a failed statement: the module's wording, its kind and
    // the object it concerns.
    DatabaseError error(const QSqlError& error, const QString& statement) const
    {
        DatabaseError e(errorText(error), statement, errorKind(error));
        e.setObject(errorObject(error));
        return e;
    }

    QSqlDatabase database() const { return QSqlDatabase::database(m_connectionName, false); }

protected:
    // The engine's own message of a failed statement, which errorText() and
    // errorObject() read: the driver's text where the engine gave none.
    static QString EngineText(const QSqlError& error)
    {
        const QString text = error.databaseText().trimmed();
        return text.isEmpty() ? error.text().trimmed() : text;
    }

    mutable bool m_keepSchema = false;
    QString m_connectionName;
};
