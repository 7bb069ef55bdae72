#include "dataset.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "sqlquote.h"

#include <QHash>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <cmath>
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

DataField::Kind KindOf(const QVariant& value)
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

// ---------------------------------------------------------------------------
// DataField

QVariant DataField::value() const
{
    const QVariant* row = m_dataSet->rowAt(m_dataSet->m_current);
    return row != nullptr ? row[m_index] : QVariant();
}

void DataField::setValue(const QVariant& value)
{
    m_dataSet->setFieldValue(m_index, value);
}

bool DataField::isNull() const
{
    return value().isNull();
}

QString DataField::asString() const
{
    const QVariant v = value();
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (std::floor(d) == d && std::fabs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    return v.toString();
}

double DataField::asFloat() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0;
    bool ok = false;
    const double d = v.toString().trimmed().isEmpty() ? 0 : v.toDouble(&ok);
    return ok ? d : 0;
}

int DataField::asInteger() const
{
    return int(std::llround(asFloat()));
}

QString DataField::displayText() const
{
    const QVariant v = value();
    if (v.isNull())
        return {};
    if (!m_displayFormat.isEmpty() && (m_kind == Kind::Float || m_kind == Kind::Integer))
        return FormatNumber(v.toDouble(), m_displayFormat);
    return asString();
}

// "###,###,##0.###": thousands separated by commas when the format has one; as
// many decimals as the format has characters after the point ("#" optional,
// "0" required); a zero shows empty unless the format requires a digit, and a
// fraction shows with its "0." in front.
QString DataField::FormatNumber(double value, const QString& format)
{
    const int point = int(format.indexOf(QLatin1Char('.')));
    const QString integral = point >= 0 ? format.left(point) : format;
    const QString fraction = point >= 0 ? format.mid(point + 1) : QString();
    const int maxDecimals = int(fraction.size());
    const int minDecimals = int(fraction.count(QLatin1Char('0')));
    const bool grouped = integral.contains(QLatin1Char(','));
    const bool requireDigit = integral.endsWith(QLatin1Char('0'));

    QString text = QString::number(std::fabs(value), 'f', maxDecimals);
    QString intPart = text, fracPart;
    const int dot = int(text.indexOf(QLatin1Char('.')));
    if (dot >= 0) {
        intPart = text.left(dot);
        fracPart = text.mid(dot + 1);
    }
    while (fracPart.size() > minDecimals && fracPart.endsWith(QLatin1Char('0')))
        fracPart.chop(1);
    if (intPart == QLatin1String("0") && !requireDigit && fracPart.isEmpty())
        intPart.clear();
    if (grouped) {
        for (int i = int(intPart.size()) - 3; i > 0; i -= 3)
            intPart.insert(i, QLatin1Char(','));
    }
    QString out = intPart;
    if (!fracPart.isEmpty())
        out += QLatin1Char('.') + fracPart;
    if (out.isEmpty())
        return out;
    if (value < 0 && out != QLatin1String("0"))
        out.prepend(QLatin1Char('-'));
    return out;
}

// ---------------------------------------------------------------------------
// DataSet: opening and closing

DataSet::DataSet(DbConnection* connection, QObject* parent)
    : QObject(parent), m_connection(connection)
{}

DataSet::~DataSet() = default;

void DataSet::requireActive() const
{
    if (m_state == State::Inactive)
        throw DataSetError("operation on a closed data set");
}

bool DataSet::call(const Handler& handler)
{
    if (!handler)
        return true;
    try {
        handler(*this);
    } catch (const DataSetAbort&) {
        return false;
    }
    return true;
}

void DataSet::open(const QString& sql, const QVariantList& values)
{
    setSql(sql, values);
    open();
}

void DataSet::open()
{
    openIn(QString());
}

// One term of the order a result read in chunks is read in: nulls first going up,
// as the in-memory sort has them.
static QString ChunkTerm(const QString& field, bool descending)
{
    return SqlIdent(field) +
           (descending ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" ASC NULLS FIRST"));
}

void DataSet::openSorted(const QString& sql, const QString& sort)
{
    setSql(sql);
    openIn(sort);
}

void DataSet::openIn(const QString& sort)
{
    // A session the server ended is opened again while the rows are still held: the
    // owner of the table they are read from may put them back from here.
    if (m_connection)
        m_connection->resumeSession();
    if (active())
        close();
    if (!m_connection)
        throw DatabaseError(QStringLiteral("No open database connection"), m_sql);
    if (!call(beforeOpen))
        return;
    // With a sort, the first chunk is read in its order; the fields are known only
    // once it is read, so the sort's names go to the database as given (a name that
    // is not a column fails there).
    QStringList terms;
    for (const QString& part : sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        if (words.isEmpty() || words.first().isEmpty())
            continue;
        terms << ChunkTerm(words.first(),
                           words.size() > 1 && words.at(1).compare(QLatin1String("DESC"),
                                                                   Qt::CaseInsensitive) == 0);
    }
    m_chunkOrder = terms.join(QStringLiteral(", "));
    try {
        loadRows();
    } catch (...) {
        m_chunkOrder.clear();
        throw;
    }
    finishOpen(sort.trimmed());
}

void DataSet::loadRows()
{
    clearRows();
    m_chunked = false;
    m_total = -1;
    m_rowsSeen = 0;
    m_nextRun = 0;
    m_runLength = 1;
    m_addressColumn = -1;
    m_addressTable.clear();
    Dialect& dialect = m_connection->dialect();
    // A read-only data set with a fetch chunk reads one row more than a chunk:
    // when it comes, the result is read in chunks from then on.
    const bool inChunks = m_readOnly && m_fetchChunk > 0;
    // Rows of one table that may be written back are read with their address,
    // which finds them on write-back; deciding that needs the statement described
    // before it runs. Read-only sets never write back and are described from the
    // run itself.
    QList<ColumnInfo> described;
    QString addressed;
    if (!m_readOnly) {
        described = dialect.describe(m_sql);
        addressed = addressedStatement(described);
    }
    const QString sql =
        inChunks ? chunkStatement(0, m_fetchChunk + 1) : (addressed.isEmpty() ? m_sql : addressed);
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(dialect.streamsResults());
    if (!m_connection->run(query, sql, m_values))
        throw m_connection->error(query.lastError(), sql);
    const QSqlRecord record = query.record();
    const int columns = record.count();
    if (addressed.isEmpty()) {
        // The statement is described as the engine prepared it for this run: it is
        // prepared once, not once more to be described.
        if (described.isEmpty())
            described = dialect.describeResult(query);
        if (described.size() != columns)
            described = dialect.describe(m_sql);
    } else {
        m_addressColumn = columns - 1;
        m_addressTable = described.first().originTable;
    }
    QStringList names;
    for (int i = 0; i < (m_addressColumn >= 0 ? m_addressColumn : columns); ++i)
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
        throw m_connection->error(query.lastError(), sql);
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
    buildFields(described, names, rowCopy(0));
}

void DataSet::buildFields(const QList<ColumnInfo>& described, const QStringList& names,
                          const QList<QVariant>& firstRow)
{
    // Field settings a window made (formats, read-only, sizes) survive a re-open
    // of a statement with the same columns.
    std::vector<std::unique_ptr<DataField>> old = std::move(m_fields);
    m_writableFor.clear();
    m_fields.clear();
    QString commonTable;
    bool oneTable = true;
    for (int i = 0; i < names.size(); ++i) {
        auto f = std::make_unique<DataField>();
        f->m_dataSet = this;
        f->m_index = i;
        f->m_name = names.at(i);
        if (i < described.size()) {
            const ColumnInfo& c = described.at(i);
            f->m_kind = c.kind;
            f->m_size = c.width;
            f->m_originTable = c.originTable;
            f->m_originColumn = c.originColumn;
        }
        if (f->m_kind == DataField::Kind::Unknown && i < firstRow.size())
            f->m_kind = KindOf(firstRow.at(i));
        if (f->m_originTable.isEmpty()) {
            oneTable = false;
        } else if (commonTable.isEmpty()) {
            commonTable = f->m_originTable;
        } else if (commonTable.compare(f->m_originTable, Qt::CaseInsensitive) != 0) {
            oneTable = false;
        }
        for (const auto& o : old) {
            if (o->m_name.compare(f->m_name, Qt::CaseInsensitive) == 0) {
                f->m_displayFormat = o->m_displayFormat;
                f->m_readOnly = o->m_readOnly;
                break;
            }
        }
        m_fields.push_back(std::move(f));
    }
    if (m_updateTable.isEmpty() || m_updateTableFromStatement) {
        m_updateTableFromStatement = true;
        // A statement whose columns come from one table writes back to it; one
        // with joined or computed columns writes back only its table's columns.
        m_updateTable = commonTable;
        if (!oneTable && commonTable.isEmpty())
            m_updateTable.clear();
    }
}

void DataSet::openProcedure(const QString& name, const QStringList& arguments)
{
    if (!m_connection)
        throw DatabaseError(QStringLiteral("No open database connection"), name);
    const ProcedureResult result = m_connection->callProcedure(name, arguments);
    setSql(QString());
    openResult(result);
}

void DataSet::openResult(const ProcedureResult& result)
{
    if (active())
        close();
    m_addressColumn = -1;
    clearRows();
    m_chunked = false;
    m_columns = int(result.columns.size());
    for (const QVariantList& r : result.rows) {
        for (int i = 0; i < m_columns; ++i)
            m_cells.push_back(i < r.size() ? r.at(i) : QVariant());
        m_sequence.push_back(m_rowCount++);
    }
    m_nextSequence = m_rowCount;
    if (m_updateTableFromStatement)
        m_updateTable.clear();
    buildFields({}, result.columns, rowCopy(0));
    finishOpen();
}

QString DataSet::currentText(const QString& field) const
{
    if (!active() || isEmpty())
        return QString();
    const DataField* f = findField(field);
    return f != nullptr ? f->asString() : QString();
}

void DataSet::close()
{
    if (!active())
        return;
    call(beforeClose);
    clearRows();
    m_chunked = false;
    m_chunkOrder.clear();
    m_current = -1;
    m_bof = m_eof = true;
    m_modified = false;
    m_sort.clear();
    setState(State::Inactive);
    emit reset();
}

void DataSet::requery()
{
    requireActive();
    if (m_connection)
        m_connection->resumeSession(); // as open does
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    const int row = m_current;
    const QString sort = m_sort;
    loadRows();
    m_sort = sort;
    // A result read in chunks was read in the order asked; one held whole is sorted
    // here as before.
    if (!m_chunked)
        applySort();
    const int rows = m_chunked ? recordCount() : m_rowCount;
    m_current = rows == 0 ? -1 : std::clamp(row, 0, rows - 1);
    m_bof = m_current <= 0;
    m_eof = rows == 0;
    emit reset();
    notifyCurrent();
}

// ---------------------------------------------------------------------------
// Fields

DataField* DataSet::field(int index) const
{
    if (index < 0 || index >= int(m_fields.size()))
        return nullptr;
    return m_fields[size_t(index)].get();
}

DataField* DataSet::findField(const QString& name) const
{
    for (const auto& f : m_fields) {
        if (f->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    }
    return nullptr;
}

DataField* DataSet::fieldByName(const QString& name) const
{
    DataField* f = findField(name);
    if (!f)
        throw DataSetError(("field not found: " + name).toStdString());
    return f;
}

QStringList DataSet::fieldNames() const
{
    QStringList names;
    for (const auto& f : m_fields)
        names << f->m_name;
    return names;
}

QVariant DataSet::value(int row, int field) const
{
    if (field < 0 || field >= int(m_fields.size()))
        return {};
    // A view paints what it can: a chunk that cannot be read shows empty.
    const QVariant* r = rowAt(row, false);
    return r != nullptr ? r[field] : QVariant();
}

void DataSet::setFieldValue(int field, const QVariant& value)
{
    requireActive();
    if (m_state == State::Browse) {
        if (isEmpty())
            append();
        else
            edit();
    }
    if (m_state != State::Edit && m_state != State::Insert)
        throw DataSetError("data set not in edit or insert state");
    QVariant* row = wholeRow(m_current);
    const QVariant& v = value;
    // Texts keep their declared width in memory as the engine would keep it:
    // nothing is cut here, the database refuses an over-long text on post.
    if (row[field] == v && row[field].isNull() == v.isNull())
        return;
    row[field] = v;
    m_modified = true;
    if (!controlsDisabled())
        emit rowChanged(m_current);
}

// ---------------------------------------------------------------------------
// Navigation

void DataSet::notifyCurrent()
{
    if (!controlsDisabled())
        emit currentRowChanged(m_current);
}

bool DataSet::moveTo(int row)
{
    requireActive();
    if (m_announcingRow)
        return true;
    if (isEmpty())
        return false;
    // A row beyond the end of a result read in chunks is the last one; only then is
    // it counted.
    if (row < 0)
        row = 0;
    else if (!hasRow(row))
        row = rowTotal() - 1;
    if (m_state == State::Edit || m_state == State::Insert) {
        if (row == m_current)
            return true;
        if (m_state == State::Insert && !m_modified) {
            cancel();
            row = std::clamp(row, 0, m_rowCount - 1);
        } else if (!post()) {
            return false;
        }
    }
    if (!call(beforeScroll))
        return false;
    const bool moved = row != m_current;
    m_current = row;
    if (moved) {
        notifyCurrent();
    }
    call(afterScroll);
    return true;
}

bool DataSet::first()
{
    requireActive();
    const bool ok = isEmpty() || moveTo(0);
    m_bof = true;
    m_eof = isEmpty();
    return ok;
}

bool DataSet::last()
{
    requireActive();
    const bool ok = isEmpty() || moveTo(rowTotal() - 1);
    m_eof = true;
    m_bof = isEmpty();
    return ok;
}

bool DataSet::next()
{
    requireActive();
    if (isEmpty() || !hasRow(m_current + 1)) {
        if (m_state == State::Edit || m_state == State::Insert) {
            if (!(m_state == State::Insert && !m_modified ? (cancel(), true) : post()))
                return false;
        }
        m_eof = true;
        return false;
    }
    m_bof = false;
    return moveTo(m_current + 1);
}

bool DataSet::prior()
{
    requireActive();
    if (isEmpty() || m_current <= 0) {
        m_bof = true;
        return false;
    }
    m_eof = false;
    return moveTo(m_current - 1);
}

bool DataSet::moveBy(int distance)
{
    requireActive();
    if (isEmpty())
        return false;
    const int target = m_current + distance;
    m_bof = target < 0;
    m_eof = target >= 0 && !hasRow(target);
    return moveTo(target);
}

bool DataSet::setCurrentRow(int row)
{
    requireActive();
    if (row < 0 || !hasRow(row))
        return false;
    m_bof = false;
    m_eof = false;
    return moveTo(row);
}

bool DataSet::locate(const QStringList& fields, const QVariantList& values, LocateOptions options)
{
    requireActive();
    std::vector<int> indexes;
    for (const QString& name : fields) {
        const DataField* f = findField(name);
        if (!f)
            throw DataSetError(("field not found: " + name).toStdString());
        indexes.push_back(f->m_index);
    }
    const Qt::CaseSensitivity cs =
        options.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    // A result read in chunks is searched chunk by chunk: the rows held stay bounded.
    for (int r = 0; hasRow(r); ++r) {
        const QVariant* row = rowAt(r);
        bool match = true;
        for (size_t i = 0; i < indexes.size() && match; ++i) {
            const QVariant& stored = row[indexes[i]];
            const QVariant wanted = i < size_t(values.size()) ? values.at(int(i)) : QVariant();
            if (wanted.isNull() || stored.isNull()) {
                match =
                    wanted.isNull() == stored.isNull() || (TrimRight(wanted.toString()).isEmpty() &&
                                                           TrimRight(stored.toString()).isEmpty());
                continue;
            }
            const DataField::Kind kind = m_fields[size_t(indexes[i])]->m_kind;
            if (kind == DataField::Kind::Integer || kind == DataField::Kind::Float) {
                bool ok = false;
                const double w = wanted.toDouble(&ok);
                match = ok && w == stored.toDouble();
                continue;
            }
            const QString s = TrimRight(stored.toString());
            const QString w = TrimRight(wanted.toString());
            match = options.partialKey ? s.startsWith(w, cs) : s.compare(w, cs) == 0;
        }
        if (match)
            return moveTo(r);
    }
    return false;
}

// ---------------------------------------------------------------------------
// Editing

void DataSet::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

void DataSet::edit()
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_readOnly)
        throw DataSetError("data set is read-only");
    if (isEmpty()) {
        append();
        return;
    }
    if (!call(beforeEdit))
        return;
    m_editOriginal = rowCopy(m_current);
    m_modified = false;
    setState(State::Edit);
    call(afterEdit);
}

// What append and insert do before a new row: post (or drop an untouched new
// row), then ask beforeInsert. False when either refused.
bool DataSet::prepareNewRow()
{
    requireActive();
    if (m_readOnly)
        throw DataSetError("data set is read-only");
    if (m_state == State::Edit || m_state == State::Insert) {
        if (m_state == State::Insert && !m_modified)
            cancel();
        else if (!post())
            return false;
    }
    return call(beforeInsert);
}

void DataSet::append()
{
    if (prepareNewRow())
        addNewRow(m_rowCount);
}

void DataSet::insert()
{
    if (prepareNewRow())
        addNewRow(m_current < 0 ? 0 : m_current);
}

// An empty row at `row`, current and in insert state.
void DataSet::addNewRow(int row)
{
    const bool notify = !controlsDisabled();
    m_announcingRow = true;
    if (notify)
        emit rowAboutToBeInserted(row);
    m_cells.insert(m_cells.begin() + ptrdiff_t(row) * m_columns, size_t(m_columns), QVariant());
    ++m_rowCount;
    m_sequence.insert(m_sequence.begin() + row, m_nextSequence++);
    // The data set is wholly in its new state before the views hear of the row:
    // whatever they do in answer meets the new row current and in insert state.
    m_current = row;
    m_modified = false;
    m_eof = row == m_rowCount - 1;
    const bool stateChanges = m_state != State::Insert;
    m_state = State::Insert;
    if (notify)
        emit rowInserted(row);
    m_announcingRow = false;
    if (stateChanges)
        emit stateChanged();
    notifyCurrent();
    call(afterInsert);
}

// Takes the current row away, announced to the views before and after, and
// browses on its neighbour. The data set is wholly in that state before the views
// hear of the removal: whatever they do in answer (a cancel, a move) meets it.
void DataSet::eraseRow(int row)
{
    const bool notify = !controlsDisabled();
    m_announcingRow = true;
    if (notify)
        emit rowAboutToBeRemoved(row);
    const auto at = m_cells.begin() + ptrdiff_t(row) * m_columns;
    m_cells.erase(at, at + m_columns);
    --m_rowCount;
    m_sequence.erase(m_sequence.begin() + row);
    m_current = m_rowCount == 0 ? -1 : std::min(row, m_rowCount - 1);
    m_modified = false;
    m_editOriginal.clear();
    const bool stateChanges = m_state != State::Browse;
    m_state = State::Browse;
    if (notify)
        emit rowRemoved(row);
    m_announcingRow = false;
    if (stateChanges)
        emit stateChanged();
}

namespace {
int FieldFor(const std::vector<std::unique_ptr<DataField>>& fields, const QString& column)
{
    for (const auto& f : fields) {
        const QString c = f->originColumn().isEmpty() ? f->fieldName() : f->originColumn();
        if (c.compare(column, Qt::CaseInsensitive) == 0)
            return f->index();
    }
    return -1;
}
} // namespace

bool DataSet::post()
{
    requireActive();
    if (m_state != State::Edit && m_state != State::Insert)
        return true;
    // A session the server ended is opened again (and the work tables made again)
    // before the handlers and the write, which lean on the row's address.
    if (m_connection)
        m_connection->resumeSession();
    if (!call(beforePost))
        return false;
    // The write-back works on a copy of the row; what it reads back (numbering,
    // defaults) is stored into the row afterwards.
    Row row = rowCopy(m_current);
    try {
        if (!m_updateTable.isEmpty()) {
            if (m_state == State::Insert) {
                writeInsert(row);
                storeRow(m_current, row);
            } else if (m_modified) {
                // An engine that moves a row when it is written hands back its new address.
                writeUpdate(m_editOriginal, row);
                storeRow(m_current, row);
            }
        }
    } catch (const DatabaseError& caught) {
        DatabaseError error = caught;
        // An engine that does not say which column a text was too long for: the
        // column is the written one whose text is wider than its field.
        if (error.kind() == DatabaseError::Kind::TooLong && error.object().isEmpty()) {
            for (const QString& c : writableFields()) {
                const int i = FieldFor(m_fields, c);
                const int size = m_fields[size_t(i)]->m_size;
                if (size > 0 && row.at(i).toString().size() > size) {
                    error.setObject(c);
                    break;
                }
            }
        }
        const PostErrorAction action =
            onPostError ? onPostError(*this, error) : PostErrorAction::Fail;
        if (action == PostErrorAction::Abort)
            return false;
        throw error;
    }
    m_modified = false;
    m_editOriginal.clear();
    setState(State::Browse);
    if (!controlsDisabled())
        emit rowChanged(m_current);
    call(afterPost);
    return true;
}

void DataSet::cancel()
{
    requireActive();
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    if (!call(beforeCancel))
        return;
    if (m_state == State::Insert) {
        eraseRow(m_current);
        notifyCurrent();
    } else {
        storeRow(m_current, m_editOriginal);
        m_editOriginal.clear();
        m_modified = false;
        setState(State::Browse);
        if (!controlsDisabled())
            emit rowChanged(m_current);
    }
    call(afterCancel);
}

bool DataSet::deleteRow()
{
    requireActive();
    if (m_readOnly)
        throw DataSetError("data set is read-only");
    if (m_state == State::Insert) {
        cancel();
        return true;
    }
    if (isEmpty())
        return false;
    if (m_connection)
        m_connection->resumeSession();
    if (!call(beforeDelete))
        return false;
    const Row stored = m_state == State::Edit ? m_editOriginal : rowCopy(m_current);
    if (!m_updateTable.isEmpty())
        writeDelete(stored);
    m_eof = m_rowCount == 1;
    eraseRow(m_current);
    notifyCurrent();
    call(afterDelete);
    return true;
}

void DataSet::rewriteRows()
{
    if (!active() || m_chunked || m_updateTable.isEmpty())
        return;
    for (int row = 0; row < m_rowCount; ++row) {
        if (row == m_current && m_state == State::Insert)
            continue;
        if (row == m_current && m_state == State::Edit) {
            writeInsert(m_editOriginal);
            if (m_addressColumn >= 0 && m_addressColumn < m_editOriginal.size())
                wholeRow(row)[m_addressColumn] = m_editOriginal.at(m_addressColumn);
            continue;
        }
        Row values = rowCopy(row);
        writeInsert(values);
        storeRow(row, values);
    }
}

// ---------------------------------------------------------------------------
// Write-back

QStringList DataSet::writableFields() const
{
    // Worked out once per opened statement and update table: every post asks.
    if (m_writableFor == m_updateTable && !m_writableFor.isEmpty())
        return m_writable;
    // The fields that are columns of the update table, by origin when the engine
    // told it, by name otherwise.
    const QStringList tableColumns = m_connection->dialect().tableColumns(m_updateTable);
    QStringList names;
    for (const auto& f : m_fields) {
        const QString column = f->m_originColumn.isEmpty() ? f->m_name : f->m_originColumn;
        if (!f->m_originTable.isEmpty() &&
            f->m_originTable.compare(m_updateTable, Qt::CaseInsensitive) != 0)
            continue;
        if (tableColumns.contains(column, Qt::CaseInsensitive) &&
            !names.contains(column, Qt::CaseInsensitive))
            names << column;
    }
    m_writable = names;
    m_writableFor = m_updateTable;
    return names;
}

namespace {
// The message a write gets when its row is no longer there as it was read.
const QString kRowNotFound = QStringLiteral("Row cannot be located for updating. Some values may "
                                            "have been changed since it was last read.");
} // namespace

QSqlQuery DataSet::runWrite(const QString& sql, const QVariantList& values) const
{
    QSqlQuery q(m_connection->database());
    if (!m_connection->prepare(q, sql))
        throw m_connection->error(q.lastError(), sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!m_connection->run(q))
        throw m_connection->error(q.lastError(), sql);
    return q;
}

// The row's values of the columns, in their order: what a write matches or stores.
QVariantList DataSet::valuesOf(const Row& row, const QStringList& columns) const
{
    QVariantList values;
    for (const QString& c : columns)
        values << row.at(FieldFor(m_fields, c));
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
QString DataSet::addressedStatement(const QList<ColumnInfo>& described) const
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
    const OneTableRead read = ReadOfOneTable(m_sql);
    if (read.fromAt < 0 || read.table.compare(table, Qt::CaseInsensitive) != 0)
        return {};
    return m_sql.left(read.fromAt) + QStringLiteral(", ") +
           m_connection->dialect().rowAddressColumn() + QLatin1Char(' ') + m_sql.mid(read.fromAt);
}

// The row's address in the update table; null when it has none (a statement
// over a join or a view, a row inserted without one), and the row is found by its
// values alone.
QVariant DataSet::addressOf(const Row& row) const
{
    if (m_addressColumn < 0 || m_addressColumn >= row.size() ||
        m_addressTable.compare(m_updateTable, Qt::CaseInsensitive) != 0)
        return {};
    return row.at(m_addressColumn);
}

void DataSet::writeInsert(Row& row)
{
    const QStringList columns = writableFields();
    if (columns.isEmpty())
        return;
    const QVariantList values = valuesOf(row, columns);
    Dialect& dialect = m_connection->dialect();
    QSqlQuery q = runWrite(dialect.insertRowSql(m_updateTable, columns), values);
    const bool addressed = m_addressColumn >= 0 && m_addressColumn < row.size();
    // Read the row back: numbering and defaults the table gave it are then the
    // values the data set holds and matches on its next write; its address after them.
    if (q.isSelect() && q.next()) {
        for (int i = 0; i < columns.size(); ++i)
            row[FieldFor(m_fields, columns.at(i))] = q.value(i);
        if (addressed)
            row[m_addressColumn] =
                q.record().count() > columns.size() ? q.value(int(columns.size())) : QVariant();
        return;
    }
    // An engine that does not hand the row back reports its key, which is the row's
    // address (insertedRowSql reads the row by it).
    const QVariant key = q.lastInsertId();
    const QString readBack = dialect.insertedRowSql(m_updateTable, columns);
    if (addressed)
        row[m_addressColumn] = readBack.isEmpty() ? QVariant() : key;
    if (!key.isValid() || readBack.isEmpty())
        return;
    QSqlQuery back = runWrite(readBack, {key});
    if (!back.next())
        return;
    for (int i = 0; i < columns.size(); ++i)
        row[FieldFor(m_fields, columns.at(i))] = back.value(i);
}

// A row with an address is found by it, and written only while it still holds the
// values it was read with (another user's change is a conflict, not overwritten).
void DataSet::writeUpdate(const Row& before, Row& after)
{
    const QStringList columns = writableFields();
    QStringList changed;
    QVariantList values;
    for (const QString& c : columns) {
        const int i = FieldFor(m_fields, c);
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
        m_connection->dialect().updateRowSql(m_updateTable, changed, columns, !address.isNull());
    QSqlQuery q = runWrite(sql, values);
    if (q.isSelect() && !address.isNull()) {
        // The engine moved the row and handed its new address back.
        if (!q.next())
            throw DatabaseError(kRowNotFound, sql, DatabaseError::Kind::Conflict);
        after[m_addressColumn] = q.value(0);
        return;
    }
    if (q.numRowsAffected() == 0)
        throw DatabaseError(kRowNotFound, sql, DatabaseError::Kind::Conflict);
}

void DataSet::writeDelete(const Row& row)
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
        m_connection->dialect().deleteRowSql(m_updateTable, columns, !address.isNull());
    if (runWrite(sql, values).numRowsAffected() == 0)
        throw DatabaseError(kRowNotFound, sql, DatabaseError::Kind::Conflict);
}

// ---------------------------------------------------------------------------
// Row storage

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
QString DataSet::chunkStatement(int first, int rows) const
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
QString DataSet::countStatement() const
{
    const StatementShape shape = ShapeOf(m_sql);
    const QString body =
        shape.limited || shape.orderBy < 0 ? shape.text : shape.text.left(shape.orderBy).trimmed();
    return QStringLiteral("SELECT COUNT(*) FROM (") + body + QStringLiteral(") AS amval_count");
}

int DataSet::recordCount() const
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

QString DataSet::orderColumn() const
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

QString DataSet::seekableColumn(const QString& field) const
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

int DataSet::seekRow(const QString& field, const QVariant& value) const
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

int DataSet::searchPrefix(const QString& field, const QString& prefix, const QVariant& from) const
{
    const QString column = seekableColumn(field);
    if (column.isEmpty())
        return kNotSeekable;
    // The rows are in the order of the column: the first row that starts so is the
    // first such value read through the column's order (its index, where it has one),
    // and stands where that value is counted.
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

int DataSet::rowsKnown() const
{
    if (!m_chunked)
        return m_rowCount;
    return m_total >= 0 ? m_total : m_rowsSeen;
}

int DataSet::rowsHeld() const
{
    if (!m_chunked)
        return m_rowCount;
    size_t cells = 0;
    for (const auto& [index, chunk] : m_chunks)
        cells += chunk.size();
    return m_columns > 0 ? int(cells / size_t(m_columns)) : 0;
}

bool DataSet::hasRow(int row) const
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
const QVariant* DataSet::rowAt(int row, bool mayThrow) const
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
int DataSet::readRows(const QString& sql, const QVariantList& values, std::vector<QVariant>& cells,
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

void DataSet::readEach(const std::function<bool(const QVariant* values)>& row) const
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
int DataSet::readByKey(int first, int rows, std::vector<QVariant>& cells) const
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
void DataSet::readChunks(int chunk) const
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
void DataSet::dropFarChunks(int keepFirst, int keepLast, int nearRow) const
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
QVariant* DataSet::wholeRow(int row)
{
    if (m_chunked || row < 0 || row >= m_rowCount)
        throw DataSetError("no such row to change");
    return m_cells.data() + size_t(row) * m_columns;
}

DataSet::Row DataSet::rowCopy(int row) const
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

void DataSet::storeRow(int row, const Row& values)
{
    QVariant* target = wholeRow(row);
    for (int i = 0; i < m_columns; ++i)
        target[i] = i < values.size() ? values.at(i) : QVariant();
}

void DataSet::clearRows()
{
    m_cells.clear();
    m_cells.shrink_to_fit();
    m_rowCount = 0;
    m_sequence.clear();
    m_chunks.clear();
    m_anchors.clear();
    m_total = -1;
    m_rowsSeen = 0;
}

// The fields and directions of a sort text ("Name DESC, Code"), in order.
static std::vector<std::pair<const DataField*, bool>> SortTerms(const DataSet& data,
                                                                const QString& sort)
{
    std::vector<std::pair<const DataField*, bool>> terms;
    for (const QString& part : sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        if (words.isEmpty() || words.first().isEmpty())
            continue;
        const DataField* f = data.findField(words.first());
        if (!f)
            throw DataSetError(("sort field not found: " + words.first()).toStdString());
        terms.emplace_back(f, words.size() > 1 && words.at(1).compare(QLatin1String("DESC"),
                                                                      Qt::CaseInsensitive) == 0);
    }
    return terms;
}

// The rows read again in the order of m_sort: by the database, the first chunk
// now, the others as they are asked for.
void DataSet::sortChunked()
{
    QStringList terms;
    for (const auto& [f, desc] : SortTerms(*this, m_sort))
        terms << ChunkTerm(f->m_name, desc);
    m_chunkOrder = terms.join(QStringLiteral(", "));
    const int total = m_total;
    m_chunks.clear();
    m_anchors.clear();
    m_nextRun = 0;
    m_runLength = 1;
    readChunks(0);
    m_total = total;
    m_current = 0;
    m_bof = true;
    m_eof = false;
}

// ---------------------------------------------------------------------------
// Sort and controls

void DataSet::setSort(const QString& sort)
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert) {
        if (!post())
            return;
    }
    m_sort = sort.trimmed();
    if (m_chunked)
        sortChunked();
    else
        applySort();
    emit reset();
    notifyCurrent();
}

void DataSet::applySort()
{
    std::vector<SortKey> keys;
    for (const auto& [f, desc] : SortTerms(*this, m_sort)) {
        SortKey key{f->m_index, desc, {}};
        bool text = f->m_kind == DataField::Kind::Text;
        if (f->m_kind == DataField::Kind::Unknown)
            for (int r = 0; r < m_rowCount; ++r)
                if (KindOf(m_cells[size_t(r) * m_columns + f->m_index]) == DataField::Kind::Text) {
                    text = true;
                    break;
                }
        if (text) {
            key.texts.reserve(size_t(m_rowCount));
            for (int r = 0; r < m_rowCount; ++r) {
                const QVariant& v = m_cells[size_t(r) * m_columns + f->m_index];
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
                              : CompareValues(va, vb, m_fields[size_t(k.field)]->m_kind);
            if (c != 0)
                return k.descending ? c > 0 : c < 0;
        }
        return m_sequence[size_t(a)] < m_sequence[size_t(b)];
    });
    std::vector<QVariant> cells;
    std::vector<int> sequence;
    cells.reserve(m_cells.size());
    sequence.reserve(order.size());
    int current = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == m_current)
            current = int(i);
        const auto from = m_cells.begin() + ptrdiff_t(order[i]) * m_columns;
        std::move(from, from + m_columns, std::back_inserter(cells));
        sequence.push_back(m_sequence[size_t(order[i])]);
    }
    m_cells = std::move(cells);
    m_sequence = std::move(sequence);
    m_current = current;
}

void DataSet::disableControls()
{
    ++m_disableCount;
}

void DataSet::enableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0) {
        emit reset();
        notifyCurrent();
    }
}

// The rows are read: stand on the first, browse, and tell the views. With `sort`
// the rows were read in its order (openSorted); one held whole is sorted here.
void DataSet::finishOpen(const QString& sort)
{
    m_sort = sort;
    if (sort.isEmpty() || !m_chunked)
        m_chunkOrder.clear();
    if (!sort.isEmpty() && !m_chunked)
        applySort();
    m_current = isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = isEmpty();
    m_modified = false;
    setState(State::Browse);
    emit reset();
    call(afterOpen);
    notifyCurrent();
}
