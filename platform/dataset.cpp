#include "dataset.h"

#include "databaseerror.h"
#include "dbconnection.h"

#include <QHash>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <cmath>
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
    const int row = m_dataSet->m_current;
    if (row < 0 || row >= int(m_dataSet->m_rows.size()))
        return {};
    return m_dataSet->m_rows[size_t(row)].at(m_index);
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
// "0" required); a zero shows empty unless the format requires a digit.
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
    if (intPart == QLatin1String("0") && !requireDigit)
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
    if (active())
        close();
    if (!m_connection)
        throw DatabaseError(QStringLiteral("No open database connection"), m_sql);
    if (!call(beforeOpen))
        return;
    loadRows();
    finishOpen();
}

void DataSet::loadRows()
{
    const QString& sql = m_sql;
    const QList<ColumnInfo> described = m_connection->dialect().describe(sql);
    // Rows of one table are read with their address, which finds them on write-back.
    const QString addressed = addressedStatement(described);
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(m_connection->dialect().streamsResults());
    if (!m_connection->run(query, addressed.isEmpty() ? sql : addressed, m_values))
        throw m_connection->error(query.lastError(), sql);
    const QSqlRecord record = query.record();
    const int columns = record.count();
    m_addressColumn = addressed.isEmpty() ? -1 : columns - 1;
    m_addressTable = addressed.isEmpty() ? QString() : described.first().originTable;
    QStringList names;
    for (int i = 0; i < (m_addressColumn >= 0 ? m_addressColumn : columns); ++i)
        names << m_connection->dialect().fieldName(record.fieldName(i));

    m_rows.clear();
    m_sequence.clear();
    while (query.next()) {
        Row row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i));
        m_rows.push_back(std::move(row));
        m_sequence.push_back(int(m_sequence.size()));
    }
    if (query.lastError().isValid())
        throw m_connection->error(query.lastError(), sql);
    query.finish();
    m_nextSequence = int(m_sequence.size());
    buildFields(described, names, m_rows.empty() ? QList<QVariant>() : m_rows.front());
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
    m_rows.clear();
    m_sequence.clear();
    for (const QVariantList& r : result.rows) {
        Row row = r;
        while (row.size() < result.columns.size())
            row.append(QVariant());
        m_rows.push_back(row);
        m_sequence.push_back(int(m_sequence.size()));
    }
    m_nextSequence = int(m_sequence.size());
    if (m_updateTableFromStatement)
        m_updateTable.clear();
    buildFields({}, result.columns, m_rows.empty() ? QList<QVariant>() : m_rows.front());
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
    m_rows.clear();
    m_sequence.clear();
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
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    const int row = m_current;
    const QString sort = m_sort;
    loadRows();
    m_sort = sort;
    applySort();
    m_current = m_rows.empty() ? -1 : std::clamp(row, 0, int(m_rows.size()) - 1);
    m_bof = m_current <= 0;
    m_eof = m_rows.empty();
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
    if (row < 0 || row >= int(m_rows.size()) || field < 0 || field >= int(m_fields.size()))
        return {};
    return m_rows[size_t(row)].at(field);
}

void DataSet::setFieldValue(int field, const QVariant& value)
{
    requireActive();
    if (m_state == State::Browse) {
        if (m_rows.empty())
            append();
        else
            edit();
    }
    if (m_state != State::Edit && m_state != State::Insert)
        throw DataSetError("data set not in edit or insert state");
    Row& row = m_rows[size_t(m_current)];
    QVariant v = value;
    // Texts keep their declared width in memory as the engine would keep it:
    // nothing is cut here, the database refuses an over-long text on post.
    if (row.at(field) == v && row.at(field).isNull() == v.isNull())
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
    if (m_rows.empty())
        return false;
    row = std::clamp(row, 0, int(m_rows.size()) - 1);
    if (m_state == State::Edit || m_state == State::Insert) {
        if (row == m_current)
            return true;
        if (m_state == State::Insert && !m_modified) {
            cancel();
            row = std::clamp(row, 0, int(m_rows.size()) - 1);
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
    const bool ok = m_rows.empty() || moveTo(0);
    m_bof = true;
    m_eof = m_rows.empty();
    return ok;
}

bool DataSet::last()
{
    requireActive();
    const bool ok = m_rows.empty() || moveTo(int(m_rows.size()) - 1);
    m_eof = true;
    m_bof = m_rows.empty();
    return ok;
}

bool DataSet::next()
{
    requireActive();
    if (m_rows.empty() || m_current >= int(m_rows.size()) - 1) {
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
    if (m_rows.empty() || m_current <= 0) {
        m_bof = true;
        return false;
    }
    m_eof = false;
    return moveTo(m_current - 1);
}

bool DataSet::moveBy(int distance)
{
    requireActive();
    if (m_rows.empty())
        return false;
    const int target = m_current + distance;
    m_bof = target < 0;
    m_eof = target >= int(m_rows.size());
    return moveTo(target);
}

bool DataSet::setCurrentRow(int row)
{
    requireActive();
    if (row < 0 || row >= int(m_rows.size()))
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
    for (int r = 0; r < int(m_rows.size()); ++r) {
        bool match = true;
        for (size_t i = 0; i < indexes.size() && match; ++i) {
            const QVariant& stored = m_rows[size_t(r)].at(indexes[i]);
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
    if (m_rows.empty()) {
        append();
        return;
    }
    if (!call(beforeEdit))
        return;
    m_editOriginal = m_rows[size_t(m_current)];
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
        addNewRow(int(m_rows.size()));
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
    m_rows.insert(m_rows.begin() + row, Row(rowWidth()));
    m_sequence.insert(m_sequence.begin() + row, m_nextSequence++);
    // The data set is wholly in its new state before the views hear of the row:
    // whatever they do in answer meets the new row current and in insert state.
    m_current = row;
    m_modified = false;
    m_eof = row == int(m_rows.size()) - 1;
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
    m_rows.erase(m_rows.begin() + row);
    m_sequence.erase(m_sequence.begin() + row);
    m_current = m_rows.empty() ? -1 : std::min(row, int(m_rows.size()) - 1);
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
    if (!call(beforePost))
        return false;
    Row& row = m_rows[size_t(m_current)];
    try {
        if (!m_updateTable.isEmpty()) {
            if (m_state == State::Insert)
                writeInsert(row);
            else if (m_modified)
                writeUpdate(m_editOriginal, row);
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
        m_rows[size_t(m_current)] = m_editOriginal;
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
    if (m_rows.empty())
        return false;
    if (!call(beforeDelete))
        return false;
    const Row stored = m_state == State::Edit ? m_editOriginal : m_rows[size_t(m_current)];
    if (!m_updateTable.isEmpty())
        writeDelete(stored);
    m_eof = m_rows.size() == 1;
    eraseRow(m_current);
    notifyCurrent();
    call(afterDelete);
    return true;
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
// Sort and controls

void DataSet::setSort(const QString& sort)
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert) {
        if (!post())
            return;
    }
    m_sort = sort.trimmed();
    applySort();
    emit reset();
    notifyCurrent();
}

void DataSet::applySort()
{
    std::vector<SortKey> keys;
    for (const QString& part : m_sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        if (words.isEmpty() || words.first().isEmpty())
            continue;
        const DataField* f = findField(words.first());
        if (!f)
            throw DataSetError(("sort field not found: " + words.first()).toStdString());
        const bool desc = words.size() > 1 &&
                          words.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
        SortKey key{f->m_index, desc, {}};
        bool text = f->m_kind == DataField::Kind::Text;
        if (f->m_kind == DataField::Kind::Unknown)
            for (const Row& r : m_rows)
                if (KindOf(r.at(f->m_index)) == DataField::Kind::Text) {
                    text = true;
                    break;
                }
        if (text) {
            key.texts.reserve(m_rows.size());
            for (const Row& r : m_rows)
                key.texts.push_back(r.at(f->m_index).isNull()
                                        ? QString()
                                        : CollationKey(r.at(f->m_index).toString()));
        }
        keys.push_back(std::move(key));
    }
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (const SortKey& k : keys) {
            const QVariant& va = m_rows[size_t(a)].at(k.field);
            const QVariant& vb = m_rows[size_t(b)].at(k.field);
            const int c = !k.texts.empty() && !va.isNull() && !vb.isNull()
                              ? k.texts[size_t(a)].compare(k.texts[size_t(b)])
                              : CompareValues(va, vb, m_fields[size_t(k.field)]->m_kind);
            if (c != 0)
                return k.descending ? c > 0 : c < 0;
        }
        return m_sequence[size_t(a)] < m_sequence[size_t(b)];
    });
    std::vector<Row> rows;
    std::vector<int> sequence;
    rows.reserve(m_rows.size());
    sequence.reserve(m_rows.size());
    int current = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == m_current)
            current = int(i);
        rows.push_back(std::move(m_rows[size_t(order[i])]));
        sequence.push_back(m_sequence[size_t(order[i])]);
    }
    m_rows = std::move(rows);
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

// The rows are read: stand on the first, browse, and tell the views.
void DataSet::finishOpen()
{
    m_sort.clear();
    m_current = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    m_modified = false;
    setState(State::Browse);
    emit reset();
    call(afterOpen);
    notifyCurrent();
}
