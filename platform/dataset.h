#pragma once

#include "dialect.h"
#include "procedures.h"
#include "rowcache.h"
#include "rowwriter.h"

#include <QObject>
#include <QPointer>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class DataSet;
class DatabaseError;
class DbConnection;

// Thrown by an event handler to refuse what the data set is doing (a post, an
// insert, a delete) without any message of its own: the handler has already
// shown one. The data set catches it and reports a silent refusal.
struct DataSetAbort
{
};

// A misuse of the data set by the program (a field that does not exist, editing a
// closed data set). Not a database error and not meant for the user.
class DataSetError : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

// One column of a data set: its name, kind, declared width, display format, and
// the value it has in the current row.
class DataField
{
public:
    using Kind = ColumnInfo::Kind;

    QString fieldName() const { return m_name; }
    Kind kind() const { return m_kind; }
    // The declared text width of the column the field comes from; 0 when none.
    int size() const { return m_size; }
    void setSize(int size) { m_size = size; }
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // A numeric display format such as "###,###,###,###" or "###,###,##0.###".
    QString displayFormat() const { return m_displayFormat; }
    void setDisplayFormat(const QString& format) { m_displayFormat = format; }
    int index() const { return m_index; }
    // Table and column the field is read from (empty for an expression).
    QString originTable() const { return m_originTable; }
    QString originColumn() const { return m_originColumn; }

    QVariant value() const;
    // Setting a value in browse state puts the data set into edit state first.
    void setValue(const QVariant& value);
    bool isNull() const;
    QString asString() const;
    double asFloat() const;
    int asInteger() const;
    // The value as the grid shows it: numbers in the display format.
    QString displayText() const;
    void clear() { setValue(QVariant()); }

    // Applies a numeric display format to a value.
    static QString FormatNumber(double value, const QString& format);

private:
    friend class DataSet;
    DataSet* m_dataSet = nullptr;
    int m_index = 0;
    QString m_name;
    Kind m_kind = Kind::Unknown;
    int m_size = 0;
    bool m_readOnly = false;
    QString m_displayFormat;
    QString m_originTable;
    QString m_originColumn;
};

// The module's data set over a query: a current row over the rows of a statement,
// its states (browse, edit, insert) and the events the windows hang their rules
// on. The rows themselves are a RowCache (held whole, or read in chunks for a
// read-only data set given a fetch chunk; sort and locate), and a posted or
// deleted row is written back to its single source table by a RowWriter.
// It never shows anything: refusals are silent aborts, database failures are
// DatabaseError exceptions (unless the post-error handler turns them into aborts).
class DataSet : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    enum class PostErrorAction { Fail, Abort };
    using Handler = std::function<void(DataSet&)>;
    // Decides on the failure's kind() and object(), never on its wording.
    using PostErrorHandler = std::function<PostErrorAction(DataSet&, const DatabaseError& error)>;

    explicit DataSet(DbConnection* connection = nullptr, QObject* parent = nullptr);
    ~DataSet() override;

    DbConnection* connection() const { return m_connection; }
    void setConnection(DbConnection* connection)
    {
        m_connection = connection;
        m_rows.setConnection(connection);
        m_writer.setConnection(connection);
    }

    QString sql() const { return m_sql; }
    // The statement and the values bound to its "?" placeholders, in order.
    void setSql(const QString& sql, const QVariantList& values = {})
    {
        m_sql = sql;
        m_values = values;
    }
    QVariantList boundValues() const { return m_values; }
    // The table posted rows are written to: the table of the first column read from
    // one (only that table's columns are written); empty when none is.
    QString updateTable() const { return m_writer.table(); }
    // A read-only data set refuses edit, insert and delete.
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Rows a read-only data set reads at a time; 0 (the default) reads the whole
    // result when it opens. Takes effect at the next open.
    void setFetchChunk(int rows) { m_rows.setFetchChunk(rows); }
    static constexpr int kDefaultFetchChunk = 1000;
    // The most chunks kept at once; the rows held never exceed this many chunks.
    static constexpr int kChunksKept = RowCache::kChunksKept;
    // True while the open result is read in chunks (it did not fit in its first).
    bool chunked() const { return m_rows.chunked(); }
    // Hands `row` the values of each row of the open result in turn (the fields'
    // values in field order), first to last in the order the rows are shown, read by
    // one pass of its statement and kept nowhere: however long the result, one row is
    // in memory at a time, and no row is read twice. `row` returns false to stop; it
    // must run no statement of the connection. Throws DatabaseError when the rows
    // cannot be read. For a result read in chunks (a whole one is walked in memory).
    void readEach(const std::function<bool(const QVariant* values)>& row) const
    {
        m_rows.readEach(row);
    }
    // Rows the data set knows of without counting: all of them when held whole or
    // counted, else up to the farthest row read so far.
    int rowsKnown() const { return m_rows.rowsKnown(); }
    // True when the number of rows is known (held whole, counted or read to the end).
    bool allRowsKnown() const { return m_rows.allRowsKnown(); }
    // Rows held in memory at this moment.
    int rowsHeld() const { return m_rows.rowsHeld(); }
    // Whether row `row` (0-based) exists; a result read in chunks reads its chunk
    // to tell, never counts.
    bool hasRow(int row) const { return m_rows.hasRow(row); }
    // For a result read in chunks in its statement's own order, when that order is
    // `field` going up: the row where `value` is, or would be, counted by the
    // database (through the field's index where it has one). -1 for any other order.
    int seekRow(const QString& field, const QVariant& value) const
    {
        return m_rows.seekRow(field, value);
    }
    // For a result read in chunks in its statement's own order by `field` going up:
    // the first row whose value, without its blanks and in the form searches compare
    // in (SearchForm), starts with `prefix` (given in that form), found by the
    // database; -1 when no row does. kNotSeekable for any other order (the caller
    // searches the rows itself). `from`, when given, is a value no match is below (the
    // match of a shorter prefix of the same text), where the search starts.
    static constexpr int kNotSeekable = RowCache::kNotSeekable;
    int searchPrefix(const QString& field, const QString& prefix,
                     const QVariant& from = QVariant()) const
    {
        return m_rows.searchPrefix(field, prefix, from);
    }

    // Runs the statement and reads its rows; throws DatabaseError when it fails.
    void open();
    void open(const QString& sql, const QVariantList& values = {});
    // Opens with `sort` (as setSort takes it) already in force: the rows come as
    // setSort after open() would leave them, a result read in chunks read once, in
    // that order, instead of once as the statement has it and again sorted.
    void openSorted(const QString& sql, const QString& sort);
    // Opens rows handed in by the caller (a procedure's result, a work list).
    void openResult(const ProcedureResult& result);
    void close();
    bool active() const { return m_state != State::Inactive; }
    // Runs the statement again and returns to the same record number.
    void requery();

    int fieldCount() const { return int(m_fields.size()); }
    // The text of a field of the current row; "" when the data set is closed or
    // empty, the field is missing or NULL.
    QString currentText(const QString& field) const;
    DataField* field(int index) const;
    DataField* findField(const QString& name) const;
    // Like findField, but a missing field is a DataSetError.
    DataField* fieldByName(const QString& name) const;
    QStringList fieldNames() const;

    State state() const { return m_state; }
    bool modified() const { return m_modified; }
    // The number of rows; a result read in chunks is counted by the database once.
    int recordCount() const { return m_rows.recordCount(); }
    // 1-based record number of the current row; 0 when there is none.
    int recNo() const { return m_current + 1; }
    // 0-based current row, -1 when empty.
    int currentRow() const { return m_current; }
    bool isEmpty() const { return m_rows.isEmpty(); }
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }

    // Navigation posts a pending edit first (a refused post keeps the row).
    bool first();
    bool last();
    bool next();
    bool prior();
    bool moveBy(int distance);
    bool setCurrentRow(int row);
    // Moves to the first row whose fields equal the values (texts compared
    // trimmed of trailing blanks); false, and no move, when none does.
    bool locate(const QStringList& fields, const QVariantList& values);

    void edit();
    void append();
    void insert();
    // Writes the pending row. False when a handler refused it (the row stays in
    // edit); throws DatabaseError when the database refused it and the post-error
    // handler did not turn that into an abort.
    bool post();
    void cancel();
    // Deletes the current row; false when a handler refused.
    bool deleteRow();
    // Writes every row held into the update table again, as each was last written:
    // the rows of a work table that went with a server session (SessionWatch), put
    // back by its owner into the table made anew and empty. A row being inserted is
    // left to its post; a row being edited is written as it was before the edit.
    // Each row takes its new address. Changes nothing the views see.
    void rewriteRows();

    // Raised inside a handler to refuse silently.
    [[noreturn]] static void Abort() { throw DataSetAbort{}; }

    // In-memory sort: "Field1, Field2 DESC" (ASC by default). Empty restores the
    // statement's own order. A result read in chunks is read again in that order
    // (the database sorts; the statement's own order breaks ties).
    QString sort() const { return m_sort; }
    void setSort(const QString& sort);

    // Raw access for views: value of a field in any row.
    QVariant value(int row, int field) const;

    // What a view of the rows (a grid's model, a window's totals) is told, through
    // watch(). Each event comes after its change, except the "about to" ones, which
    // come while the rows are still as they were, so that a view can announce the
    // change before it happens; the matching rowInserted/rowRemoved follows.
    struct Watch
    {
        std::function<void()> reset; // the whole content changed: open, close, sort, requery
        std::function<void(int row)> rowAboutToBeInserted, rowInserted;
        std::function<void(int row)> rowAboutToBeRemoved, rowRemoved;
        std::function<void(int row)> rowChanged, currentRowChanged;
        std::function<void()> stateChanged;
    };
    // Adds the events of `watch` that are set, told in the order the watches were
    // added, until `owner` is destroyed or unwatch(owner).
    void watch(QObject* owner, Watch watch);
    void unwatch(QObject* owner);

    // The rules' events: each is called around its step; a handler refuses the step
    // (a before... one) by Abort().
    Handler afterOpen;
    Handler beforeInsert, afterInsert;
    Handler beforeEdit;
    Handler beforePost, afterPost;
    Handler beforeCancel, afterCancel;
    Handler beforeDelete, afterDelete;
    Handler afterScroll;
    PostErrorHandler onPostError;

private:
    friend class DataField;
    using Row = QVariantList;

    void requireActive() const;
    bool prepareNewRow();
    void addNewRow(int row);
    void eraseRow(int row);
    void loadRows();
    // Opens the statement set, in `sort` when one is given (openSorted).
    void openIn(const QString& sort);
    void finishOpen(const QString& sort = QString());
    void buildFields(const QList<ColumnInfo>& described, const QStringList& names,
                     const QList<QVariant>& firstRow);
    void setFieldValue(int field, const QVariant& value);
    void setState(State state);
    bool moveTo(int row);
    void applySort();
    void notifyCurrent();
    bool call(const Handler& handler);
    template <typename... Args>
    void tell(std::function<void(Args...)> Watch::*event, Args... args);

    DbConnection* m_connection;
    QString m_sql;
    QVariantList m_values;
    bool m_readOnly = false;
    std::vector<std::unique_ptr<DataField>> m_fields;
    int m_current = -1;
    RowCache m_rows{m_fields, m_current};
    RowWriter m_writer{m_fields};
    bool m_bof = true;
    bool m_eof = true;
    State m_state = State::Inactive;
    bool m_modified = false;
    Row m_editOriginal;
    QString m_sort;
    // Set while a row being added or taken away is announced: a view moving its own
    // current row in answer does not move the data set's (which tells the views
    // its current row once the change is done).
    bool m_announcingRow = false;
    std::vector<std::pair<QPointer<QObject>, Watch>> m_watches;
};
