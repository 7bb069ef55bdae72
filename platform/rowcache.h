#pragma once

// The rows of a data set's open result: held whole, or, for a read-only data set
// given a fetch chunk, read in chunks of that many rows as they are asked for and
// kept to a bounded number of chunks. It sorts the rows it holds, finds rows by
// their values (locate) and, for a result read in chunks in the order of one
// column, asks the database where a value stands (seek, prefix search).
// It knows nothing of the cursor's states or of writing rows back.

#include "dialect.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <vector>

class DataField;
class DbConnection;

// The kind of a value read without a declared type.
ColumnInfo::Kind KindOfValue(const QVariant& value);

class RowCache
{
public:
    using Row = QVariantList;
    using Fields = std::vector<std::unique_ptr<DataField>>;

    // `fields` are the data set's, `current` its current row: the chunk of the row
    // the views stand on is kept.
    RowCache(const Fields& fields, const int& current) : m_fields(fields), m_current(current) {}

    void setConnection(DbConnection* connection) { m_connection = connection; }

    void setFetchChunk(int rows) { m_fetchChunk = rows > 0 ? rows : 0; }
    static constexpr int kChunksKept = 48;
    static constexpr int kNotSeekable = -2;

    // The order a result read in chunks is read in, in the statement's terms (the
    // sort asked, the statement's own order breaking ties); empty for its own order.
    void setChunkOrder(const QString& terms) { m_chunkOrder = terms; }
    // One term of such an order: nulls first going up, as the in-memory sort has them.
    static QString ChunkTerm(const QString& field, bool descending);

    // Runs `sql` (the statement with the rows' address added, `addressed`, when
    // given) and reads its rows: a whole result, or its first chunk when `inChunks`
    // and it is longer. `described` is completed from the run when it is empty or
    // does not match; returns the names of the columns the engine gave, without the
    // address column.
    QStringList load(DbConnection* connection, const QString& sql, const QVariantList& values,
                     const QString& addressed, bool inChunks, QList<ColumnInfo>& described);
    // Rows handed in by the caller, held whole.
    void loadRows(int columns, const QList<QVariantList>& rows);
    void clear();

    int columns() const { return m_columns; }
    bool chunked() const { return m_chunked; }
    // Rows held whole (0 for a result read in chunks).
    int wholeCount() const { return m_rowCount; }
    bool isEmpty() const { return m_chunked ? false : m_rowCount == 0; }
    int recordCount() const;
    int rowTotal() const { return m_chunked ? recordCount() : m_rowCount; }
    int rowsKnown() const;
    bool allRowsKnown() const { return !m_chunked || m_total >= 0; }
    int rowsHeld() const;
    bool hasRow(int row) const;

    // The values of a row, read with its chunk when it is not held; null past the end.
    const QVariant* rowAt(int row, bool mayThrow = true) const;
    // A row held whole, to be changed in place.
    QVariant* wholeRow(int row);
    Row rowCopy(int row) const;
    // Each column's first value that is not NULL among the first `most` rows held
    // (no row is read for it); the first row's NULL where they have none.
    Row firstValues(int most) const;
    void storeRow(int row, const Row& values);
    // An empty row held whole at `row` / the row at `row` taken away.
    void insertEmpty(int row);
    void erase(int row);

    void readEach(const std::function<bool(const QVariant* values)>& row) const;
    int seekRow(const QString& field, const QVariant& value) const;
    int searchPrefix(const QString& field, const QString& prefix, const QVariant& from) const;
    // The first row whose fields (by index) equal the values, -1 when none does.
    int locate(const std::vector<int>& fields, const QVariantList& values) const;

    // Rows held whole put in the order of `sort` ("Name DESC, Code"; empty is the
    // statement's own); returns where row `current` went.
    int sortWhole(const QString& sort, int current);
    // A result read in chunks read again in the order of `sort`, from its first chunk.
    void sortChunked(const QString& sort);

private:
    struct FieldTerm
    {
        const DataField* field;
        bool descending;
    };
    std::vector<FieldTerm> sortTerms(const QString& sort) const;
    const DataField* findField(const QString& name) const;
    void readChunks(int chunk) const;
    QString seekableColumn(const QString& field) const;
    // The first value of `column` that starts with `digits` after its padding, read as
    // ranges of the column's order; no value when none does; nullopt where values are
    // not found so (not a text of a declared width, or not ordered by characters' codes).
    std::optional<QVariant> firstCodeFrom(const QString& column, const QString& digits) const;
    QString orderColumn() const;
    int readRows(const QString& sql, const QVariantList& values, std::vector<QVariant>& cells,
                 int skip) const;
    int readByKey(int first, int rows, std::vector<QVariant>& cells) const;
    void dropFarChunks(int keepFirst, int keepLast, int nearRow) const;
    QString chunkStatement(int first, int rows) const;
    QString countStatement() const;

    const Fields& m_fields;
    const int& m_current;
    DbConnection* m_connection = nullptr;
    // The statement the rows were read by, and its values.
    QString m_sql;
    QVariantList m_values;
    // Held whole: m_rowCount rows of m_columns values each, row after row.
    int m_columns = 0;
    int m_rowCount = 0;
    std::vector<QVariant> m_cells;
    std::vector<int> m_sequence; // per row: its position in the statement's order
    int m_nextSequence = 0;
    // Read in chunks: chunk k holds rows [k * m_fetchChunk, ...), each row after row.
    int m_fetchChunk = 0;
    bool m_chunked = false;
    QString m_chunkOrder;
    mutable std::map<int, std::vector<QVariant>> m_chunks;
    mutable int m_total = -1;   // rows of the result; -1 until counted or read to the end
    mutable int m_rowsSeen = 0; // rows read so far, at most
    mutable int m_nextRun = 0;  // the chunk a walk reads next, and how many it reads at once
    mutable int m_runLength = 1;
    // Rows of a result read in the order of one column, each known to be the first
    // whose column is not below the value beside it (the rows a seek counted).
    mutable std::map<int, QVariant> m_anchors;
};
