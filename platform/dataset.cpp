// The data set the windows use: its fields, the current row and its states
// (browse, edit, insert), the events around each step. The rows are held by its
// RowCache (rowcache.cpp) and written back by its RowWriter (rowwriter.cpp).

#include "dataset.h"

#include "databaseerror.h"
#include "dbconnection.h"

#include <algorithm>
#include <cmath>

namespace {
// The rows looked at for the kind of a column whose first values are NULL.
constexpr int kRowsForKinds = 1000;
} // namespace

// ---------------------------------------------------------------------------
// DataField

QVariant DataField::value() const
{
    const QVariant* row = m_dataSet->m_rows.rowAt(m_dataSet->m_current);
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

void DataSet::watch(QObject* owner, Watch watch)
{
    m_watches.emplace_back(owner, std::move(watch));
}

void DataSet::unwatch(QObject* owner)
{
    std::erase_if(m_watches, [owner](const auto& w) { return w.first == owner || !w.first; });
}

template <typename... Args>
void DataSet::tell(std::function<void(Args...)> Watch::*event, Args... args)
{
    // A watcher may add or drop watches while it is told: the ones told are those
    // there when the event came, each while its owner lives.
    const auto watches = m_watches;
    for (const auto& [owner, watch] : watches) {
        if (owner && watch.*event)
            (watch.*event)(args...);
    }
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
    // With a sort, the first chunk is read in its order; the fields are known only
    // once it is read, so the sort's names go to the database as given (a name that
    // is not a column fails there).
    QStringList terms;
    for (const QString& part : sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        if (words.isEmpty() || words.first().isEmpty())
            continue;
        terms << RowCache::ChunkTerm(words.first(),
                           words.size() > 1 && words.at(1).compare(QLatin1String("DESC"),
                                                                   Qt::CaseInsensitive) == 0);
    }
    m_rows.setChunkOrder(terms.join(QStringLiteral(", ")));
    try {
        loadRows();
    } catch (...) {
        m_rows.setChunkOrder(QString());
        throw;
    }
    finishOpen(sort.trimmed());
}

void DataSet::loadRows()
{
    m_writer.setAddress(-1, QString());
    m_rows.setConnection(m_connection);
    m_writer.setConnection(m_connection);
    // Rows of one table that may be written back are read with their address,
    // which finds them on write-back; deciding that needs the statement described
    // before it runs. Read-only sets never write back and are described from the
    // run itself; with a fetch chunk they read a long result in chunks.
    QList<ColumnInfo> described;
    QString addressed;
    if (!m_readOnly) {
        described = m_connection->dialect().describe(m_sql);
        addressed = m_writer.addressedStatement(m_sql, described);
    }
    const QStringList names =
        m_rows.load(m_connection, m_sql, m_values, addressed, m_readOnly, described);
    if (!addressed.isEmpty())
        m_writer.setAddress(m_rows.columns() - 1, described.first().originTable);
    // A column of an expression declares no type: it takes the kind of its first value,
    // which a first row may leave NULL (a union's part without the column).
    buildFields(described, names, m_rows.firstValues(kRowsForKinds));
}

void DataSet::buildFields(const QList<ColumnInfo>& described, const QStringList& names,
                          const QList<QVariant>& firstRow)
{
    // Field settings a window made (formats, read-only, sizes) survive a re-open
    // of a statement with the same columns.
    std::vector<std::unique_ptr<DataField>> old = std::move(m_fields);
    m_writer.fieldsChanged();
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
            f->m_kind = KindOfValue(firstRow.at(i));
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
    // A statement whose columns come from one table writes back to it; one with
    // joined or computed columns writes back only its table's columns.
    m_writer.setTable(!oneTable && commonTable.isEmpty() ? QString() : commonTable);
}

void DataSet::openResult(const ProcedureResult& result)
{
    if (active())
        close();
    m_writer.setAddress(-1, QString());
    m_rows.loadRows(int(result.columns.size()), result.rows);
    buildFields({}, result.columns, m_rows.firstValues(kRowsForKinds));
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
    m_rows.clear();
    m_rows.setChunkOrder(QString());
    m_current = -1;
    m_bof = m_eof = true;
    m_modified = false;
    m_sort.clear();
    setState(State::Inactive);
    tell(&Watch::reset);
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
    if (!m_rows.chunked())
        applySort();
    const int rows = m_rows.rowTotal();
    m_current = rows == 0 ? -1 : std::clamp(row, 0, rows - 1);
    m_bof = m_current <= 0;
    m_eof = rows == 0;
    tell(&Watch::reset);
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
    const QVariant* r = m_rows.rowAt(row, false);
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
    QVariant* row = m_rows.wholeRow(m_current);
    const QVariant& v = value;
    // Texts keep their declared width in memory as the engine would keep it:
    // nothing is cut here, the database refuses an over-long text on post.
    if (row[field] == v && row[field].isNull() == v.isNull())
        return;
    row[field] = v;
    m_modified = true;
    tell<int>(&Watch::rowChanged, m_current);
}

// ---------------------------------------------------------------------------
// Navigation

void DataSet::notifyCurrent()
{
    tell<int>(&Watch::currentRowChanged, m_current);
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
        row = m_rows.rowTotal() - 1;
    if (m_state == State::Edit || m_state == State::Insert) {
        if (row == m_current)
            return true;
        if (m_state == State::Insert && !m_modified) {
            cancel();
            row = std::clamp(row, 0, m_rows.wholeCount() - 1);
        } else if (!post()) {
            return false;
        }
    }
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
    const bool ok = isEmpty() || moveTo(m_rows.rowTotal() - 1);
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

bool DataSet::locate(const QStringList& fields, const QVariantList& values)
{
    requireActive();
    std::vector<int> indexes;
    for (const QString& name : fields) {
        const DataField* f = findField(name);
        if (!f)
            throw DataSetError(("field not found: " + name).toStdString());
        indexes.push_back(f->m_index);
    }
    const int row = m_rows.locate(indexes, values);
    return row >= 0 && moveTo(row);
}

// ---------------------------------------------------------------------------
// Editing

void DataSet::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    tell(&Watch::stateChanged);
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
    m_editOriginal = m_rows.rowCopy(m_current);
    m_modified = false;
    setState(State::Edit);
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
        addNewRow(m_rows.wholeCount());
}

void DataSet::insert()
{
    if (prepareNewRow())
        addNewRow(m_current < 0 ? 0 : m_current);
}

// An empty row at `row`, current and in insert state.
void DataSet::addNewRow(int row)
{
    m_announcingRow = true;
    tell<int>(&Watch::rowAboutToBeInserted, row);
    m_rows.insertEmpty(row);
    // The data set is wholly in its new state before the views hear of the row:
    // whatever they do in answer meets the new row current and in insert state.
    m_current = row;
    m_modified = false;
    m_eof = row == m_rows.wholeCount() - 1;
    const bool stateChanges = m_state != State::Insert;
    m_state = State::Insert;
    tell<int>(&Watch::rowInserted, row);
    m_announcingRow = false;
    if (stateChanges)
        tell(&Watch::stateChanged);
    notifyCurrent();
    call(afterInsert);
}

// Takes the current row away, announced to the views before and after, and
// browses on its neighbour. The data set is wholly in that state before the views
// hear of the removal: whatever they do in answer (a cancel, a move) meets it.
void DataSet::eraseRow(int row)
{
    m_announcingRow = true;
    tell<int>(&Watch::rowAboutToBeRemoved, row);
    m_rows.erase(row);
    const int rows = m_rows.wholeCount();
    m_current = rows == 0 ? -1 : std::min(row, rows - 1);
    m_modified = false;
    m_editOriginal.clear();
    const bool stateChanges = m_state != State::Browse;
    m_state = State::Browse;
    tell<int>(&Watch::rowRemoved, row);
    m_announcingRow = false;
    if (stateChanges)
        tell(&Watch::stateChanged);
}

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
    Row row = m_rows.rowCopy(m_current);
    try {
        if (!m_writer.table().isEmpty()) {
            if (m_state == State::Insert) {
                m_writer.insert(row);
                m_rows.storeRow(m_current, row);
            } else if (m_modified) {
                // An engine that moves a row when it is written hands back its new address.
                m_writer.update(m_editOriginal, row);
                m_rows.storeRow(m_current, row);
            }
        }
    } catch (const DatabaseError& caught) {
        DatabaseError error = caught;
        // An engine that does not say which column a text was too long for: the
        // column is the written one whose text is wider than its field.
        if (error.kind() == DatabaseError::Kind::TooLong && error.object().isEmpty())
            error.setObject(m_writer.tooLongColumn(row));
        const PostErrorAction action =
            onPostError ? onPostError(*this, error) : PostErrorAction::Fail;
        if (action == PostErrorAction::Abort)
            return false;
        throw error;
    }
    m_modified = false;
    m_editOriginal.clear();
    setState(State::Browse);
    tell<int>(&Watch::rowChanged, m_current);
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
        m_rows.storeRow(m_current, m_editOriginal);
        m_editOriginal.clear();
        m_modified = false;
        setState(State::Browse);
        tell<int>(&Watch::rowChanged, m_current);
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
    const Row stored = m_state == State::Edit ? m_editOriginal : m_rows.rowCopy(m_current);
    if (!m_writer.table().isEmpty())
        m_writer.remove(stored);
    m_eof = m_rows.wholeCount() == 1;
    eraseRow(m_current);
    notifyCurrent();
    call(afterDelete);
    return true;
}

void DataSet::rewriteRows()
{
    if (!active() || m_rows.chunked() || m_writer.table().isEmpty())
        return;
    const int address = m_writer.addressColumn();
    for (int row = 0; row < m_rows.wholeCount(); ++row) {
        if (row == m_current && m_state == State::Insert)
            continue;
        if (row == m_current && m_state == State::Edit) {
            m_writer.insert(m_editOriginal);
            if (address >= 0 && address < m_editOriginal.size())
                m_rows.wholeRow(row)[address] = m_editOriginal.at(address);
            continue;
        }
        Row values = m_rows.rowCopy(row);
        m_writer.insert(values);
        m_rows.storeRow(row, values);
    }
}

// ---------------------------------------------------------------------------
// Sort

void DataSet::setSort(const QString& sort)
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert) {
        if (!post())
            return;
    }
    m_sort = sort.trimmed();
    if (m_rows.chunked()) {
        m_rows.sortChunked(m_sort);
        m_current = 0;
        m_bof = true;
        m_eof = false;
    } else {
        applySort();
    }
    tell(&Watch::reset);
    notifyCurrent();
}

// The rows are read: stand on the first, browse, and tell the views. With `sort`
// the rows were read in its order (openSorted); one held whole is sorted here.
void DataSet::finishOpen(const QString& sort)
{
    m_sort = sort;
    if (sort.isEmpty() || !m_rows.chunked())
        m_rows.setChunkOrder(QString());
    if (!sort.isEmpty() && !m_rows.chunked())
        applySort();
    m_current = isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = isEmpty();
    m_modified = false;
    setState(State::Browse);
    tell(&Watch::reset);
    call(afterOpen);
    notifyCurrent();
}

// Rows held whole put in the order of m_sort; the current row stays current.
void DataSet::applySort()
{
    m_current = m_rows.sortWhole(m_sort, m_current);
}
