// Writing a data set's posted rows back to their table: which fields are its
// columns, the statement that reads rows with their address, and the insert,
// update and delete of one row with its values bound.

#include "rowwriter.h"

#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"

#include <algorithm>

int RowWriter::fieldFor(const QString& column) const
{
    for (const auto& f : m_fields) {
        const QString c = f->originColumn().isEmpty() ? f->fieldName() : f->originColumn();
        if (c.compare(column, Qt::CaseInsensitive) == 0)
            return f->index();
    }
    return -1;
}

// Write-back

QStringList RowWriter::writableFields() const
{
    // Worked out once per opened statement and update table: every post asks.
    if (m_writableFor == m_table && !m_writableFor.isEmpty())
        return m_writable;
    // The fields that are columns of the update table, by origin when the engine
    // told it, by name otherwise.
    const QStringList tableColumns = m_connection->dialect().tableColumns(m_table);
    QStringList names;
    for (const auto& f : m_fields) {
        const QString column = f->originColumn().isEmpty() ? f->fieldName() : f->originColumn();
        if (!f->originTable().isEmpty() &&
            f->originTable().compare(m_table, Qt::CaseInsensitive) != 0)
            continue;
        if (tableColumns.contains(column, Qt::CaseInsensitive) &&
            !names.contains(column, Qt::CaseInsensitive))
            names << column;
    }
    m_writable = names;
    m_writableFor = m_table;
    return names;
}

namespace {
// The message a write gets when its row is no longer there as it was read.
const QString kRowNotFound = QStringLiteral("Row cannot be located for updating. Some values may "
                                            "have been changed since it was last read.");
} // namespace

// The row's values of the columns, in their order: what a write matches or stores.
QVariantList RowWriter::valuesOf(const Row& row, const QStringList& columns) const
{
    QVariantList values;
    for (const QString& c : columns)
        values << row.at(fieldFor(c));
    return values;
}

namespace {
// A word or a quoted name at the statement's top level (outside parentheses), or
// one character of punctuation; a parenthesised part is one "(" token.
struct Token
{
    QString text;
    int at = 0;
    bool quoted = false;
};

QList<Token> TopLevelTokens(const QString& sql)
{
    QList<Token> tokens;
    const int n = int(sql.size());
    int depth = 0;
    for (int i = 0; i < n;) {
        const QChar c = sql.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            const int close = int(sql.indexOf(QStringLiteral("*/"), i + 2));
            i = close < 0 ? n : close + 2;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[') ||
                   c == QLatin1Char('`')) {
            const QChar closing = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            int j = i + 1;
            QString text;
            for (; j < n; ++j) {
                if (sql.at(j) != closing) {
                    text += sql.at(j);
                } else if (j + 1 < n && sql.at(j + 1) == closing && closing != QLatin1Char(']')) {
                    text += closing; // a doubled quote is the quote itself
                    ++j;
                } else {
                    break;
                }
            }
            if (depth == 0)
                tokens.append({c == QLatin1Char('\'') ? QStringLiteral("'") : text, i,
                               c != QLatin1Char('\'')});
            i = j + 1;
        } else if (c == QLatin1Char('(')) {
            if (depth++ == 0)
                tokens.append({QStringLiteral("("), i, false});
            ++i;
        } else if (c == QLatin1Char(')')) {
            depth = std::max(0, depth - 1);
            ++i;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('#') ||
                   c == QLatin1Char('$') || c == QLatin1Char('@')) {
            int j = i;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_') ||
                             sql.at(j) == QLatin1Char('#') || sql.at(j) == QLatin1Char('$') ||
                             sql.at(j) == QLatin1Char('@')))
                ++j;
            if (depth == 0)
                tokens.append({sql.mid(i, j - i), i, false});
            i = j;
        } else {
            if (depth == 0)
                tokens.append({QString(c), i, false});
            ++i;
        }
    }
    return tokens;
}

bool IsWord(const Token& t, const char* word)
{
    return !t.quoted && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool IsName(const Token& t)
{
    return t.quoted ||
           (!t.text.isEmpty() && (t.text.at(0).isLetter() || t.text.at(0) == QLatin1Char('_') ||
                                  t.text.at(0) == QLatin1Char('#')));
}

// Where a plain read of one table (SELECT <columns> FROM <table> [alias] [WHERE ...]
// [ORDER BY ...] [LIMIT ...]) has its FROM, and the table it names ("db.table" when
// qualified); fromAt is -1 for any other statement: joins, sub-queries in FROM,
// DISTINCT, grouping, compound selects, a WITH.
struct OneTableRead
{
    int fromAt = -1;
    QString table;
};

OneTableRead ReadOfOneTable(const QString& sql)
{
    const QList<Token> t = TopLevelTokens(sql);
    if (t.size() < 4 || !IsWord(t.at(0), "SELECT") || IsWord(t.at(1), "DISTINCT"))
        return {};
    int i = 1;
    while (i < t.size() && !IsWord(t.at(i), "FROM"))
        ++i;
    if (i + 1 >= t.size())
        return {};
    OneTableRead read;
    read.fromAt = t.at(i).at;
    ++i;
    // The table: a name, or names joined by dots.
    for (;;) {
        if (i >= t.size() || !IsName(t.at(i)))
            return {};
        read.table += t.at(i).text;
        ++i;
        if (i < t.size() && t.at(i).text == QLatin1String(".") && !t.at(i).quoted) {
            read.table += QLatin1Char('.');
            ++i;
            continue;
        }
        break;
    }
    static const char* const kClauses[] = {"WHERE", "ORDER", "LIMIT", "OFFSET", "FOR"};
    auto isClause = [](const Token& token) {
        return std::any_of(std::begin(kClauses), std::end(kClauses),
                           [&token](const char* w) { return IsWord(token, w); });
    };
    // An alias, with or without AS.
    if (i < t.size() && IsWord(t.at(i), "AS"))
        ++i;
    if (i < t.size() && IsName(t.at(i)) && !isClause(t.at(i)) && !IsWord(t.at(i), "JOIN") &&
        !IsWord(t.at(i), "NATURAL") && !IsWord(t.at(i), "LEFT") && !IsWord(t.at(i), "RIGHT") &&
        !IsWord(t.at(i), "INNER") && !IsWord(t.at(i), "CROSS") && !IsWord(t.at(i), "FULL") &&
        !IsWord(t.at(i), "GROUP") && !IsWord(t.at(i), "UNION") && !IsWord(t.at(i), "EXCEPT") &&
        !IsWord(t.at(i), "INTERSECT") && !IsWord(t.at(i), "HAVING") && !IsWord(t.at(i), "WINDOW"))
        ++i;
    if (i < t.size() && !isClause(t.at(i)) && t.at(i).text != QLatin1String(";"))
        return {};
    for (; i < t.size(); ++i) {
        for (const char* word :
             {"GROUP", "HAVING", "UNION", "INTERSECT", "EXCEPT", "WINDOW", "JOIN"})
            if (IsWord(t.at(i), word))
                return {};
    }
    return read;
}
} // namespace

// The statement with the rows' address as one more column after the statement's
// own, when every column is read from the one table the statement reads; empty
// when the rows have no address to write back by (a join, a view, an expression).
QString RowWriter::addressedStatement(const QString& sql, const QList<ColumnInfo>& described) const
{
    if (described.isEmpty())
        return {};
    const QString table = described.first().originTable;
    if (table.isEmpty())
        return {};
    for (const ColumnInfo& c : described) {
        if (!c.addressable || c.originTable.compare(table, Qt::CaseInsensitive) != 0)
            return {};
    }
    const OneTableRead read = ReadOfOneTable(sql);
    if (read.fromAt < 0 || read.table.compare(table, Qt::CaseInsensitive) != 0)
        return {};
    return sql.left(read.fromAt) + QStringLiteral(", ") +
           m_connection->dialect().rowAddressColumn() + QLatin1Char(' ') + sql.mid(read.fromAt);
}

// The row's address in the update table; null when it has none (a statement
// over a join or a view, a row inserted without one), and the row is found by its
// values alone.
QVariant RowWriter::addressOf(const Row& row) const
{
    if (m_addressColumn < 0 || m_addressColumn >= row.size() ||
        m_addressTable.compare(m_table, Qt::CaseInsensitive) != 0)
        return {};
    return row.at(m_addressColumn);
}

void RowWriter::insert(Row& row) const
{
    const QStringList columns = writableFields();
    if (columns.isEmpty())
        return;
    const QVariantList values = valuesOf(row, columns);
    Dialect& dialect = m_connection->dialect();
    const BoundRun done =
        m_connection->runBound(dialect.insertRowSql(m_table, columns), values);
    const bool addressed = m_addressColumn >= 0 && m_addressColumn < row.size();
    // Read the row back: numbering and defaults the table gave it are then the
    // values the data set holds and matches on its next write; its address after them.
    if (done.returnsRows && !done.rows.isEmpty()) {
        const QVariantList& stored = done.rows.first();
        for (int i = 0; i < columns.size(); ++i)
            row[fieldFor(columns.at(i))] = stored.value(i);
        if (addressed)
            row[m_addressColumn] = stored.value(int(columns.size()));
        return;
    }
    // An engine that does not hand the row back reports its key, which is the row's
    // address (insertedRowSql reads the row by it).
    const QVariant key = done.insertId;
    const QString readBack = dialect.insertedRowSql(m_table, columns);
    if (addressed)
        row[m_addressColumn] = readBack.isEmpty() ? QVariant() : key;
    if (!key.isValid() || readBack.isEmpty())
        return;
    const BoundRun back = m_connection->runBound(readBack, {key});
    if (back.rows.isEmpty())
        return;
    for (int i = 0; i < columns.size(); ++i)
        row[fieldFor(columns.at(i))] = back.rows.first().value(i);
}

// A row with an address is found by it, and written only while it still holds the
// values it was read with (another user's change is a conflict, not overwritten).
void RowWriter::update(const Row& before, Row& after) const
{
    const QStringList columns = writableFields();
    QStringList changed;
    QVariantList values;
    for (const QString& c : columns) {
        const int i = fieldFor(c);
        if (before.at(i) != after.at(i) || before.at(i).isNull() != after.at(i).isNull()) {
            changed << c;
            values << after.at(i);
        }
    }
    if (changed.isEmpty())
        return;
    const QVariant address = addressOf(before);
    if (!address.isNull())
        values << address;
    values += valuesOf(before, columns);
    const QString sql =
        m_connection->dialect().updateRowSql(m_table, changed, columns, !address.isNull());
    const BoundRun done = m_connection->runBound(sql, values);
    if (done.returnsRows && !address.isNull()) {
        // The engine moved the row and handed its new address back.
        if (done.rows.isEmpty())
            throw DatabaseError(kRowNotFound, sql, DatabaseError::Kind::Conflict);
        after[m_addressColumn] = done.rows.first().value(0);
        return;
    }
    if (done.affected == 0)
        throw DatabaseError(kRowNotFound, sql, DatabaseError::Kind::Conflict);
}

void RowWriter::remove(const Row& row) const
{
    const QStringList columns = writableFields();
    if (columns.isEmpty())
        return;
    const QVariant address = addressOf(row);
    QVariantList values;
    if (!address.isNull())
        values << address;
    values += valuesOf(row, columns);
    const QString sql =
        m_connection->dialect().deleteRowSql(m_table, columns, !address.isNull());
    if (m_connection->runBound(sql, values).affected == 0)
        throw DatabaseError(kRowNotFound, sql, DatabaseError::Kind::Conflict);
}

QString RowWriter::tooLongColumn(const Row& row) const
{
    for (const QString& c : writableFields()) {
        const int i = fieldFor(c);
        const int size = m_fields[size_t(i)]->size();
        if (size > 0 && row.at(i).toString().size() > size)
            return c;
    }
    return QString();
}
