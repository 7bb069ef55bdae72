// The rows of a data set's open result: held whole or read in chunks, their sort,
// locate, and the seeks the database answers for a result in one column's order.

#include "rowcache.h"

#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "sqlquote.h"

#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <limits>
#include <numeric>

namespace {

QString TrimRight(const QString& text)
{
    int end = int(text.size());
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return text.left(end);
}

} // namespace

ColumnInfo::Kind KindOfValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return DataField::Kind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return DataField::Kind::Float;
    case QMetaType::QString:
        return DataField::Kind::Text;
    default:
        return DataField::Kind::Unknown;
    }
}

namespace {

DataField::Kind KindOf(const QVariant& value)
{
    return KindOfValue(value);
}

// Orders two values of one field: nulls first, numbers by value, texts ordinally.
int CompareValues(const QVariant& a, const QVariant& b, DataField::Kind kind)
{
    const bool an = a.isNull(), bn = b.isNull();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    if (kind == DataField::Kind::Integer || kind == DataField::Kind::Float ||
        (kind == DataField::Kind::Unknown && KindOf(a) != DataField::Kind::Text &&
         KindOf(b) != DataField::Kind::Text)) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
}

struct SortKey
{
    int field;
    bool descending;
    std::vector<QString> texts; // per row, the collation key of a text field
};

// A text brought to a form whose code-point order is the Persian alphabet's:
// letters take their place in the alphabet (پ after ب, گ after ک, Arabic and
// Persian Kaf and Yeh as one letter), case is folded. Plain code-point order
// would put پ, چ, ژ, گ after every Arabic letter.
QString CollationKey(const QString& text)
{
    // The alphabet in order; letters in one group are one letter to a reader.
    static const QHash<char16_t, char16_t> kRank = [] {
        const QStringList groups{
            QStringLiteral("ء"),  QStringLiteral("آأإاٱ"), QStringLiteral("ب"),
            QStringLiteral("پ"),  QStringLiteral("ت"),     QStringLiteral("ث"),
            QStringLiteral("ج"),  QStringLiteral("چ"),     QStringLiteral("ح"),
            QStringLiteral("خ"),  QStringLiteral("د"),     QStringLiteral("ذ"),
            QStringLiteral("ر"),  QStringLiteral("ز"),     QStringLiteral("ژ"),
            QStringLiteral("س"),  QStringLiteral("ش"),     QStringLiteral("ص"),
            QStringLiteral("ض"),  QStringLiteral("ط"),     QStringLiteral("ظ"),
            QStringLiteral("ع"),  QStringLiteral("غ"),     QStringLiteral("ف"),
            QStringLiteral("ق"),  QStringLiteral("كک"),    QStringLiteral("گ"),
            QStringLiteral("ل"),  QStringLiteral("م"),     QStringLiteral("ن"),
            QStringLiteral("وؤ"), QStringLiteral("هةۀ"),   QStringLiteral("يیئى")};
        QHash<char16_t, char16_t> rank;
        for (qsizetype g = 0; g < groups.size(); ++g)
            for (const QChar c : groups.at(g))
                rank.insert(c.unicode(), char16_t(0xE000 + g));
        return rank;
    }();
    QString key = text.toCaseFolded();
    for (QChar& c : key) {
        const auto it = kRank.constFind(c.unicode());
        if (it != kRank.constEnd())
            c = QChar(it.value());
    }
    return key;
}

} // namespace

namespace {

// Where the parts of a statement begin at its top level (outside parentheses,
// quotes and comments): its last ORDER BY and whether it has a LIMIT or OFFSET of
// its own. The text is the statement without a closing ";".
struct StatementShape
{
    QString text;
    qsizetype orderBy = -1;
    bool limited = false;
};

bool WordAt(const QString& text, qsizetype at, QLatin1String word)
{
    if (at > 0 && (text.at(at - 1).isLetterOrNumber() || text.at(at - 1) == QLatin1Char('_')))
        return false;
    if (text.size() - at < word.size() ||
        QStringView(text).mid(at, word.size()).compare(word, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype end = at + word.size();
    return end == text.size() || !(text.at(end).isLetterOrNumber() || text.at(end) == '_');
}

StatementShape ShapeOf(const QString& sql)
{
    StatementShape shape;
    shape.text = sql.trimmed();
    while (shape.text.endsWith(QLatin1Char(';')))
        shape.text = shape.text.chopped(1).trimmed();
    const QString& t = shape.text;
    int depth = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            const qsizetype close = t.indexOf(c, i + 1);
            i = close < 0 ? t.size() : close;
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = t.indexOf(QLatin1Char(']'), i + 1);
            i = close < 0 ? t.size() : close;
        } else if (c == QLatin1Char('-') && i + 1 < t.size() && t.at(i + 1) == QLatin1Char('-')) {
            const qsizetype close = t.indexOf(QLatin1Char('\n'), i);
            i = close < 0 ? t.size() : close;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (depth == 0 && (c == QLatin1Char('o') || c == QLatin1Char('O')) &&
                   WordAt(t, i, QLatin1String("order"))) {
            qsizetype j = i + 5;
            while (j < t.size() && t.at(j).isSpace())
                ++j;
            if (WordAt(t, j, QLatin1String("by")))
                shape.orderBy = i;
        } else if (depth == 0 &&
                   (WordAt(t, i, QLatin1String("limit")) || WordAt(t, i, QLatin1String("offset")) ||
                    WordAt(t, i, QLatin1String("fetch")))) {
            shape.limited = true;
        }
    }
    return shape;
}

// The terms of "ORDER BY a, b DESC" without the keywords.
QString OrderTerms(const StatementShape& shape)
{
    if (shape.orderBy < 0)
        return QString();
    QString terms = shape.text.mid(shape.orderBy + 5).trimmed();
    return terms.mid(2).trimmed();
}

} // namespace

// The statement reading `rows` rows from row `first`: the statement's own with a
// LIMIT, in the order setSort asked when it did (the statement's own order then
// breaks ties). A statement with a limit of its own is read as a subquery.
QString RowCache::chunkStatement(int first, int rows) const
{
    const StatementShape shape = ShapeOf(m_sql);
    QString sql;
    if (shape.limited) {
        sql = QStringLiteral("SELECT * FROM (") + shape.text + QStringLiteral(") AS amval_rows");
        if (!m_chunkOrder.isEmpty())
            sql += QStringLiteral(" ORDER BY ") + m_chunkOrder;
    } else if (!m_chunkOrder.isEmpty()) {
        const QString own = OrderTerms(shape);
        sql = (shape.orderBy < 0 ? shape.text : shape.text.left(shape.orderBy).trimmed()) +
              QStringLiteral(" ORDER BY ") + m_chunkOrder +
              (own.isEmpty() ? QString() : QStringLiteral(", ") + own);
    } else {
        sql = shape.text;
    }
    return sql + QStringLiteral(" LIMIT ") + QString::number(rows) + QStringLiteral(" OFFSET ") +
           QString::number(first);
}

// Counts the rows of the statement without reading them (its order left out).
QString RowCache::countStatement() const
{
    const StatementShape shape = ShapeOf(m_sql);
    const QString body =
        shape.limited || shape.orderBy < 0 ? shape.text : shape.text.left(shape.orderBy).trimmed();
    return QStringLiteral("SELECT COUNT(*) FROM (") + body + QStringLiteral(") AS amval_count");
}

int RowCache::recordCount() const
{
    if (!m_chunked)
        return m_rowCount;
    if (m_total < 0) {
        const QString sql = countStatement();
        QSqlQuery query(m_connection->database());
        query.setForwardOnly(true);
        if (!m_connection->run(query, sql, m_values) || !query.next())
            throw m_connection->error(query.lastError(), sql);
        m_total = query.value(0).toInt();
        m_rowsSeen = m_total;
    }
    return m_total;
}

QString RowCache::orderColumn() const
{
    if (!m_chunked || !m_chunkOrder.isEmpty())
        return QString();
    const StatementShape shape = ShapeOf(m_sql);
    if (shape.limited)
        return QString();
    QStringList term = OrderTerms(shape).simplified().split(QLatin1Char(' '));
    if (term.size() > 1 && term.at(1).compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0)
        term.removeAt(1);
    if (term.size() != 1 || term.first().isEmpty() || term.first().contains(QLatin1Char(',')))
        return QString();
    QString column = term.first().section(QLatin1Char('.'), -1);
    column.remove(QLatin1Char('"'));
    return findField(column) != nullptr ? column : QString();
}

QString RowCache::seekableColumn(const QString& field) const
{
    const QString column = orderColumn();
    return column.compare(field, Qt::CaseInsensitive) == 0 ? column : QString();
}

namespace {

// The statement without its ORDER BY, as a derived table "amval_seek".
QString SeekSource(const QString& sql)
{
    const StatementShape shape = ShapeOf(sql);
    return QStringLiteral("(") + shape.text.left(shape.orderBy).trimmed() +
           QStringLiteral(") AS amval_seek");
}

} // namespace

int RowCache::seekRow(const QString& field, const QVariant& value) const
{
    const QString column = seekableColumn(field);
    if (column.isEmpty())
        return -1;
    const QString key = QStringLiteral("amval_seek.") + SqlIdent(column);
    QString sql = QStringLiteral("SELECT (SELECT COUNT(*) FROM ") + SeekSource(m_sql) +
                  QStringLiteral(" WHERE ") + key + QStringLiteral(" < ?)");
    QVariantList values = m_values + QVariantList{value};
    // Where NULLs come first, the rows without a value stand before every value.
    if (m_connection->dialect().nullsSortFirst()) {
        sql += QStringLiteral(" + (SELECT COUNT(*) FROM ") + SeekSource(m_sql) +
               QStringLiteral(" WHERE ") + key + QStringLiteral(" IS NULL)");
        values += m_values;
    }
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    if (!m_connection->run(query, sql, values) || !query.next())
        throw m_connection->error(query.lastError(), sql);
    const int row = query.value(0).toInt();
    if (!value.isNull()) {
        constexpr size_t kMostAnchors = 256;
        if (m_anchors.size() >= kMostAnchors)
            m_anchors.erase(m_anchors.begin());
        m_anchors[row] = value;
    }
    return row;
}

namespace {

// `expression` as text in the form searches compare in (SearchForm): the Persian Kaf
// and Yeh as the Arabic ones, lower case. (Stored codes and numbers have the digits
// 0-9 already; the typed text is brought to them by the caller.)
QString SearchFormSql(QString expression)
{
    const auto replace = [&expression](QChar from, QChar to) {
        expression = QStringLiteral("replace(") + expression + QStringLiteral(", '") + from +
                     QStringLiteral("', '") + to + QStringLiteral("')");
    };
    replace(QChar(0x06A9), QChar(0x0643));
    replace(QChar(0x06CC), QChar(0x064A));
    replace(QChar(0x0649), QChar(0x064A));
    return QStringLiteral("lower(") + expression + QLatin1Char(')');
}

} // namespace

std::optional<QVariant> RowCache::firstCodeFrom(const QString& column, const QString& digits) const
{
    // Codes, voucher numbers and dates are at most this wide. A wider text is a name,
    // seldom indexed: a range for each padding it might have would read it that many
    // times over, so it is searched row by row.
    constexpr int kWidestCode = 10;
    const DataField* field = findField(column);
    const int width = field != nullptr && field->kind() == DataField::Kind::Text ? field->size() : 0;
    static const QRegularExpression code(QStringLiteral("^[0-9]+$"));
    if (width < digits.size() || width > kWidestCode || !code.match(digits).hasMatch() ||
        !m_connection->dialect().ordersTextByCode())
        return std::nullopt;
    // A code is stored right-aligned in the column's width, or with less padding: the
    // values that start with the digits after `pad` blanks are those from the blanks
    // and the digits up to the blanks and the digits with the last one raised. Blanks
    // order before digits, so the more padded values come first, and each range is
    // read through the column's index instead of testing every row before the match.
    const QString value = QStringLiteral("amval_seek.") + SqlIdent(column);
    const QString sql = QStringLiteral("SELECT ") + value + QStringLiteral(" FROM ") +
                        SeekSource(m_sql) + QStringLiteral(" WHERE ") + value +
                        QStringLiteral(" >= ? AND ") + value + QStringLiteral(" < ? ORDER BY ") +
                        value + QStringLiteral(" LIMIT 1");
    QString above = digits;
    above.back() = QChar(above.back().unicode() + 1);
    for (int pad = width - int(digits.size()); pad >= 0; --pad) {
        const QString blanks(pad, QLatin1Char(' '));
        QSqlQuery query(m_connection->database());
        query.setForwardOnly(true);
        if (!m_connection->run(query, sql, m_values + QVariantList{blanks + digits, blanks + above}))
            throw m_connection->error(query.lastError(), sql);
        if (query.next())
            return query.value(0);
    }
    return QVariant();
}

int RowCache::searchPrefix(const QString& field, const QString& prefix, const QVariant& from) const
{
    const QString column = seekableColumn(field);
    if (column.isEmpty())
        return kNotSeekable;
    // The rows are in the order of the column: the first row that starts so is the
    // first such value read through the column's order (its index, where it has one),
    // and stands where that value is counted.
    if (const std::optional<QVariant> code = firstCodeFrom(column, prefix))
        return code->isValid() ? seekRow(field, *code) : -1;
    const QString value = QStringLiteral("amval_seek.") + SqlIdent(column);
    QString sql =
        QStringLiteral("SELECT ") + value + QStringLiteral(" FROM ") + SeekSource(m_sql) +
        QStringLiteral(" WHERE substr(") +
        SearchFormSql(QStringLiteral("trim(CAST(") + value + QStringLiteral(" AS TEXT))")) +
        QStringLiteral(", 1, ?) = ?");
    QVariantList values = m_values + QVariantList{int(prefix.size()), prefix};
    if (from.isValid() && !from.isNull()) {
        sql += QStringLiteral(" AND ") + value + QStringLiteral(" >= ?");
        values << from;
    }
    sql += QStringLiteral(" ORDER BY ") + value + QStringLiteral(" LIMIT 1");
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    if (!m_connection->run(query, sql, values))
        throw m_connection->error(query.lastError(), sql);
    if (!query.next())
        return -1;
    return seekRow(field, query.value(0));
}

int RowCache::rowsKnown() const
{
    if (!m_chunked)
        return m_rowCount;
    return m_total >= 0 ? m_total : m_rowsSeen;
}

int RowCache::rowsHeld() const
{
    if (!m_chunked)
        return m_rowCount;
    size_t cells = 0;
    for (const auto& [index, chunk] : m_chunks)
        cells += chunk.size();
    return m_columns > 0 ? int(cells / size_t(m_columns)) : 0;
}

bool RowCache::hasRow(int row) const
{
    if (row < 0)
        return false;
    if (!m_chunked)
        return row < m_rowCount;
    if (m_total >= 0 || row < m_rowsSeen)
        return row < rowsKnown();
    return rowAt(row) != nullptr;
}

// The values of a row, read with its chunk when it is not held; null past the end.
const QVariant* RowCache::rowAt(int row, bool mayThrow) const
{
    if (row < 0)
        return nullptr;
    if (!m_chunked)
        return row < m_rowCount ? m_cells.data() + size_t(row) * m_columns : nullptr;
    if (m_total >= 0 && row >= m_total)
        return nullptr;
    const int chunk = row / m_fetchChunk;
    auto it = m_chunks.find(chunk);
    if (it == m_chunks.end()) {
        try {
            readChunks(chunk);
        } catch (const DatabaseError&) {
            if (mayThrow)
                throw;
            return nullptr;
        }
        it = m_chunks.find(chunk);
        if (it == m_chunks.end())
            return nullptr;
    }
    const size_t at = size_t(row - chunk * m_fetchChunk) * m_columns;
    return at < it->second.size() ? it->second.data() + at : nullptr;
}

// Runs `sql` and appends its rows to `cells`, leaving out the first `skip`; returns
// the number of rows the statement gave.
int RowCache::readRows(const QString& sql, const QVariantList& values, std::vector<QVariant>& cells,
                      int skip) const
{
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(m_connection->dialect().streamsResults());
    if (!m_connection->run(query, sql, values))
        throw m_connection->error(query.lastError(), sql);
    int given = 0;
    while (query.next()) {
        if (given++ < skip)
            continue;
        for (int i = 0; i < m_columns; ++i)
            cells.push_back(query.value(i));
    }
    if (query.lastError().isValid())
        throw m_connection->error(query.lastError(), sql);
    query.finish();
    return given;
}

void RowCache::readEach(const std::function<bool(const QVariant* values)>& row) const
{
    if (!m_chunked) {
        for (int r = 0; r < m_rowCount; ++r) {
            if (!row(m_cells.data() + size_t(r) * m_columns))
                return;
        }
        return;
    }
    // The chunks' statement without its window: every row once, streamed.
    const QString sql = chunkStatement(0, std::numeric_limits<int>::max());
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    if (!m_connection->run(query, sql, m_values))
        throw m_connection->error(query.lastError(), sql);
    std::vector<QVariant> values(static_cast<size_t>(m_columns));
    while (query.next()) {
        for (int i = 0; i < m_columns; ++i)
            values[size_t(i)] = query.value(i);
        if (!row(values.data()))
            return;
    }
    if (query.lastError().isValid())
        throw m_connection->error(query.lastError(), sql);
}

// Reads rows [first, first + rows) of a result in the order of one column from a
// row known to be the first at its value: the rows from it through the column's
// index going up, those before it going down. A statement skipping rows by OFFSET
// would have the engine make every row it skips, with all its looked-up names.
// Returns the rows read (fewer at the end of the result), or -1 when no such row is
// near or the rows are not where they were counted (the caller reads by OFFSET).
int RowCache::readByKey(int first, int rows, std::vector<QVariant>& cells) const
{
    const QString column = orderColumn();
    if (column.isEmpty() || m_chunks.empty())
        return -1;
    const int key = findField(column)->index();
    const int last = first + rows;
    int anchorRow = -1;
    QVariant anchorValue;
    const auto cost = [&](int row) { return std::max(last, row) - std::min(first, row); };
    const auto consider = [&](int row, const QVariant& value) {
        if (value.isNull() || row < first - m_fetchChunk || row > last + m_fetchChunk)
            return;
        if (anchorRow < 0 || cost(row) < cost(anchorRow)) {
            anchorRow = row;
            anchorValue = value;
        }
    };
    for (auto it = m_anchors.lower_bound(first - m_fetchChunk);
         it != m_anchors.end() && it->first <= last + m_fetchChunk; ++it)
        consider(it->first, it->second);
    // In a held chunk, a row whose value differs from the row before it is the first
    // at its value: the last such row of the chunk before the rows asked for, and the
    // first of the chunk after them.
    const auto valueAt = [&](const std::vector<QVariant>& chunk, int index) -> const QVariant& {
        return chunk[size_t(index) * m_columns + key];
    };
    if (const auto before = m_chunks.find(first / m_fetchChunk - 1);
        first % m_fetchChunk == 0 && before != m_chunks.end()) {
        const int held = int(before->second.size() / m_columns);
        for (int i = held - 1; i > 0; --i) {
            if (valueAt(before->second, i) != valueAt(before->second, i - 1)) {
                consider(before->first * m_fetchChunk + i, valueAt(before->second, i));
                break;
            }
        }
    }
    if (const auto after = m_chunks.find(last / m_fetchChunk);
        last % m_fetchChunk == 0 && after != m_chunks.end()) {
        const int held = int(after->second.size() / m_columns);
        for (int i = 1; i < held; ++i) {
            if (valueAt(after->second, i) != valueAt(after->second, i - 1)) {
                consider(after->first * m_fetchChunk + i, valueAt(after->second, i));
                break;
            }
        }
    }
    if (anchorRow < 0)
        return -1;

    const QString source = SeekSource(m_sql);
    const QString keyColumn = QStringLiteral("amval_seek.") + SqlIdent(column);
    const QVariantList values = m_values + QVariantList{anchorValue};
    const bool nullsFirst = m_connection->dialect().nullsSortFirst();
    const size_t start = cells.size();
    if (first < anchorRow) {
        const int wanted = anchorRow - first;
        const QString sql = QStringLiteral("SELECT * FROM ") + source + QStringLiteral(" WHERE ") +
                            keyColumn + QStringLiteral(" < ? ORDER BY ") + keyColumn +
                            QStringLiteral(" DESC LIMIT ") + QString::number(wanted);
        // Rows without a value first (where they stand first) are left to OFFSET.
        if (readRows(sql, values, cells, std::max(0, anchorRow - last)) < wanted) {
            cells.resize(start);
            return -1;
        }
        // Read going down: row by row, back into the order of the result.
        const size_t count = (cells.size() - start) / m_columns;
        for (size_t i = 0; i < count / 2; ++i)
            std::swap_ranges(cells.begin() + start + i * m_columns,
                             cells.begin() + start + (i + 1) * m_columns,
                             cells.begin() + start + (count - 1 - i) * m_columns);
    }
    if (last > anchorRow) {
        const int wanted = last - anchorRow;
        const QString sql = QStringLiteral("SELECT * FROM ") + source + QStringLiteral(" WHERE ") +
                            keyColumn + QStringLiteral(" >= ? ORDER BY ") + keyColumn +
                            QStringLiteral(" LIMIT ") + QString::number(wanted);
        const int given = readRows(sql, values, cells, std::max(0, first - anchorRow));
        if (given < wanted) {
            // Short: the end of the result, unless rows without a value follow.
            if (!nullsFirst) {
                const QString nulls = QStringLiteral("SELECT 1 FROM ") + source +
                                      QStringLiteral(" WHERE ") + keyColumn +
                                      QStringLiteral(" IS NULL LIMIT 1");
                QSqlQuery query(m_connection->database());
                if (!m_connection->run(query, nulls, m_values))
                    throw m_connection->error(query.lastError(), nulls);
                if (query.next()) {
                    cells.resize(start);
                    return -1;
                }
            }
            if (m_total < 0)
                m_total = anchorRow + given;
        }
    }
    return int((cells.size() - start) / m_columns);
}

// Reads chunk `chunk` and, when a walk goes on from the chunk read last, the
// chunks after it in the same statement, twice as many each time (up to a
// bound): a walk to the end costs few statements, a jump reads one chunk.
void RowCache::readChunks(int chunk) const
{
    constexpr int kLongestRun = 16;
    m_runLength = chunk == m_nextRun ? std::min(m_runLength * 2, kLongestRun) : 1;
    const int first = chunk * m_fetchChunk;
    const int wanted = m_runLength * m_fetchChunk;
    std::vector<QVariant> cells;
    cells.reserve(size_t(wanted) * m_columns);
    int read = readByKey(first, wanted, cells);
    if (read < 0)
        read = readRows(chunkStatement(first, wanted), m_values, cells, 0);
    const size_t perChunk = size_t(m_fetchChunk) * m_columns;
    int index = chunk;
    for (size_t at = 0; at < cells.size(); at += perChunk) {
        const auto from = cells.begin() + std::ptrdiff_t(at);
        const auto to = cells.begin() + std::ptrdiff_t(std::min(cells.size(), at + perChunk));
        m_chunks[index++] =
            std::vector<QVariant>(std::make_move_iterator(from), std::make_move_iterator(to));
    }
    if (read < wanted && m_total < 0)
        m_total = first + read;
    m_rowsSeen = std::max(m_rowsSeen, first + read);
    m_nextRun = chunk + m_runLength;
    dropFarChunks(chunk, index - 1, first);
}

// Keeps at most kChunksKept chunks: those just read stay, the others farthest
// from the row asked for go first.
void RowCache::dropFarChunks(int keepFirst, int keepLast, int nearRow) const
{
    const int nearChunk = nearRow / m_fetchChunk;
    while (int(m_chunks.size()) > kChunksKept) {
        const int low = m_chunks.begin()->first;
        const int high = m_chunks.rbegin()->first;
        const bool lowKept = low >= keepFirst && low <= keepLast;
        const bool highKept = high >= keepFirst && high <= keepLast;
        if (lowKept && highKept)
            break;
        const int current = m_current >= 0 ? m_current / m_fetchChunk : nearChunk;
        // The current row's chunk stays too: the views paint around it.
        const auto distance = [&](int c) {
            return std::min(std::abs(c - nearChunk), std::abs(c - current));
        };
        if (!lowKept && (highKept || distance(low) >= distance(high)))
            m_chunks.erase(m_chunks.begin());
        else
            m_chunks.erase(std::prev(m_chunks.end()));
    }
}

// A row held whole, to be changed in place.
QVariant* RowCache::wholeRow(int row)
{
    if (m_chunked || row < 0 || row >= m_rowCount)
        throw DataSetError("no such row to change");
    return m_cells.data() + size_t(row) * m_columns;
}

RowCache::Row RowCache::rowCopy(int row) const
{
    Row copy;
    const QVariant* values = row >= 0 && (m_chunked || row < m_rowCount) ? rowAt(row) : nullptr;
    if (values == nullptr)
        return copy;
    copy.reserve(m_columns);
    for (int i = 0; i < m_columns; ++i)
        copy.append(values[i]);
    return copy;
}

RowCache::Row RowCache::firstValues(int most) const
{
    Row values(m_columns);
    const QVariant* cells = nullptr;
    size_t held = 0;
    if (!m_chunked) {
        cells = m_cells.data();
        held = size_t(m_rowCount);
    } else if (const auto first = m_chunks.find(0); first != m_chunks.end()) {
        cells = first->second.data();
        held = m_columns > 0 ? first->second.size() / size_t(m_columns) : 0;
    }
    const size_t rows = std::min(held, size_t(std::max(most, 0)));
    if (rows == 0)
        return values;
    // The first row's values as they come (a NULL keeps the type the engine gave it),
    // each NULL then replaced by the column's first value that is not.
    std::copy(cells, cells + m_columns, values.begin());
    const auto anyNull = [&values] {
        return std::any_of(values.cbegin(), values.cend(),
                           [](const QVariant& v) { return v.isNull(); });
    };
    for (size_t r = 1; r < rows && anyNull(); ++r) {
        const QVariant* row = cells + r * size_t(m_columns);
        for (int c = 0; c < m_columns; ++c) {
            if (values[c].isNull() && !row[c].isNull())
                values[c] = row[c];
        }
    }
    return values;
}

void RowCache::storeRow(int row, const Row& values)
{
    QVariant* target = wholeRow(row);
    for (int i = 0; i < m_columns; ++i)
        target[i] = i < values.size() ? values.at(i) : QVariant();
}

void RowCache::clear()
{
    m_cells.clear();
    m_cells.shrink_to_fit();
    m_rowCount = 0;
    m_sequence.clear();
    m_nextSequence = 0;
    m_chunks.clear();
    m_anchors.clear();
    m_chunked = false;
    m_total = -1;
    m_rowsSeen = 0;
    m_nextRun = 0;
    m_runLength = 1;
}

QStringList RowCache::load(DbConnection* connection, const QString& sql,
                           const QVariantList& values, const QString& addressed, bool inChunks,
                           QList<ColumnInfo>& described)
{
    clear();
    m_connection = connection;
    m_sql = sql;
    m_values = values;
    inChunks = inChunks && m_fetchChunk > 0;
    Dialect& dialect = m_connection->dialect();
    // Read in chunks, one row more than a chunk is asked for: when it comes, the
    // result is read in chunks from then on.
    const QString run =
        inChunks ? chunkStatement(0, m_fetchChunk + 1) : (addressed.isEmpty() ? sql : addressed);
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(dialect.streamsResults());
    if (!m_connection->run(query, run, values))
        throw m_connection->error(query.lastError(), run);
    const QSqlRecord record = query.record();
    const int columns = record.count();
    if (addressed.isEmpty()) {
        // The statement is described as the engine prepared it for this run: it is
        // prepared once, not once more to be described.
        if (described.isEmpty())
            described = dialect.describeResult(query);
        if (described.size() != columns)
            described = dialect.describe(sql);
    }
    QStringList names;
    for (int i = 0; i < (addressed.isEmpty() ? columns : columns - 1); ++i)
        names << dialect.fieldName(record.fieldName(i));

    m_columns = columns;
    while (query.next()) {
        if (inChunks && m_rowCount == m_fetchChunk) {
            m_chunked = true;
            break;
        }
        for (int i = 0; i < columns; ++i)
            m_cells.push_back(query.value(i));
        ++m_rowCount;
    }
    if (query.lastError().isValid())
        throw m_connection->error(query.lastError(), run);
    query.finish();
    if (m_chunked) {
        // The first chunk becomes the first of the cache; nothing is held whole.
        m_chunks.emplace(0, std::move(m_cells));
        m_cells = {};
        m_rowsSeen = m_fetchChunk + 1;
        m_nextRun = 1;
        m_rowCount = 0;
    } else {
        m_sequence.resize(size_t(m_rowCount));
        std::iota(m_sequence.begin(), m_sequence.end(), 0);
    }
    m_nextSequence = m_rowCount;
    return names;
}

void RowCache::loadRows(int columns, const QList<QVariantList>& rows)
{
    clear();
    m_sql.clear();
    m_values.clear();
    m_columns = columns;
    for (const QVariantList& r : rows) {
        for (int i = 0; i < m_columns; ++i)
            m_cells.push_back(i < r.size() ? r.at(i) : QVariant());
        m_sequence.push_back(m_rowCount++);
    }
    m_nextSequence = m_rowCount;
}

// A result read in chunks is searched chunk by chunk: the rows held stay bounded.
int RowCache::locate(const std::vector<int>& fields, const QVariantList& values) const
{
    for (int r = 0; hasRow(r); ++r) {
        const QVariant* row = rowAt(r);
        bool match = true;
        for (size_t i = 0; i < fields.size() && match; ++i) {
            const QVariant& stored = row[fields[i]];
            const QVariant wanted = i < size_t(values.size()) ? values.at(int(i)) : QVariant();
            if (wanted.isNull() || stored.isNull()) {
                match =
                    wanted.isNull() == stored.isNull() || (TrimRight(wanted.toString()).isEmpty() &&
                                                           TrimRight(stored.toString()).isEmpty());
                continue;
            }
            const DataField::Kind kind = m_fields[size_t(fields[i])]->kind();
            if (kind == DataField::Kind::Integer || kind == DataField::Kind::Float) {
                bool ok = false;
                const double w = wanted.toDouble(&ok);
                match = ok && w == stored.toDouble();
                continue;
            }
            match = TrimRight(stored.toString()) == TrimRight(wanted.toString());
        }
        if (match)
            return r;
    }
    return -1;
}

void RowCache::insertEmpty(int row)
{
    m_cells.insert(m_cells.begin() + ptrdiff_t(row) * m_columns, size_t(m_columns), QVariant());
    ++m_rowCount;
    m_sequence.insert(m_sequence.begin() + row, m_nextSequence++);
}

void RowCache::erase(int row)
{
    const auto at = m_cells.begin() + ptrdiff_t(row) * m_columns;
    m_cells.erase(at, at + m_columns);
    --m_rowCount;
    m_sequence.erase(m_sequence.begin() + row);
}

const DataField* RowCache::findField(const QString& name) const
{
    for (const auto& f : m_fields) {
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    }
    return nullptr;
}

// The fields and directions of a sort text ("Name DESC, Code"), in order.
std::vector<RowCache::FieldTerm> RowCache::sortTerms(const QString& sort) const
{
    std::vector<FieldTerm> terms;
    for (const QString& part : sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        if (words.isEmpty() || words.first().isEmpty())
            continue;
        const DataField* f = findField(words.first());
        if (!f)
            throw DataSetError(("sort field not found: " + words.first()).toStdString());
        terms.push_back({f, words.size() > 1 && words.at(1).compare(QLatin1String("DESC"),
                                                                    Qt::CaseInsensitive) == 0});
    }
    return terms;
}

QString RowCache::ChunkTerm(const QString& field, bool descending)
{
    return SqlIdent(field) +
           (descending ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" ASC NULLS FIRST"));
}

// By the database: the first chunk now, the others as they are asked for.
void RowCache::sortChunked(const QString& sort)
{
    QStringList terms;
    for (const FieldTerm& t : sortTerms(sort))
        terms << ChunkTerm(t.field->fieldName(), t.descending);
    m_chunkOrder = terms.join(QStringLiteral(", "));
    const int total = m_total;
    m_chunks.clear();
    m_anchors.clear();
    m_nextRun = 0;
    m_runLength = 1;
    readChunks(0);
    m_total = total;
}

int RowCache::sortWhole(const QString& sort, int current)
{
    std::vector<SortKey> keys;
    for (const FieldTerm& t : sortTerms(sort)) {
        const DataField* f = t.field;
        SortKey key{f->index(), t.descending, {}};
        bool text = f->kind() == DataField::Kind::Text;
        if (f->kind() == DataField::Kind::Unknown)
            for (int r = 0; r < m_rowCount; ++r)
                if (KindOf(m_cells[size_t(r) * m_columns + f->index()]) == DataField::Kind::Text) {
                    text = true;
                    break;
                }
        if (text) {
            key.texts.reserve(size_t(m_rowCount));
            for (int r = 0; r < m_rowCount; ++r) {
                const QVariant& v = m_cells[size_t(r) * m_columns + f->index()];
                key.texts.push_back(v.isNull() ? QString() : CollationKey(v.toString()));
            }
        }
        keys.push_back(std::move(key));
    }
    std::vector<int> order(static_cast<size_t>(m_rowCount));
    std::iota(order.begin(), order.end(), 0);
    const auto cell = [this](int row, int field) -> const QVariant& {
        return m_cells[size_t(row) * m_columns + field];
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (const SortKey& k : keys) {
            const QVariant& va = cell(a, k.field);
            const QVariant& vb = cell(b, k.field);
            const int c = !k.texts.empty() && !va.isNull() && !vb.isNull()
                              ? k.texts[size_t(a)].compare(k.texts[size_t(b)])
                              : CompareValues(va, vb, m_fields[size_t(k.field)]->kind());
            if (c != 0)
                return k.descending ? c > 0 : c < 0;
        }
        return m_sequence[size_t(a)] < m_sequence[size_t(b)];
    });
    std::vector<QVariant> cells;
    std::vector<int> sequence;
    cells.reserve(m_cells.size());
    sequence.reserve(order.size());
    int moved = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == current)
            moved = int(i);
        const auto from = m_cells.begin() + ptrdiff_t(order[i]) * m_columns;
        std::move(from, from + m_columns, std::back_inserter(cells));
        sequence.push_back(m_sequence[size_t(order[i])]);
    }
    m_cells = std::move(cells);
    m_sequence = std::move(sequence);
    return moved;
}

