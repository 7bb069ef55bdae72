#include "datasetmodel.h"

#include "dataset.h"

#include <QBrush>

DataSetModel::DataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataSetModel::setDataSet(DataSet* dataSet)
{
    beginResetModel();
    if (m_dataSet)
        m_dataSet->unwatch(this);
    m_dataSet = dataSet;
    m_rowCount = dataSet && dataSet->active() ? dataSet->rowsKnown() : 0;
    if (dataSet) {
        DataSet::Watch watch;
        watch.reset = [this] { onReset(); };
        watch.rowAboutToBeInserted = [this](int row) { onRowAboutToBeInserted(row); };
        watch.rowInserted = [this](int) { onRowInserted(); };
        watch.rowAboutToBeRemoved = [this](int row) { onRowAboutToBeRemoved(row); };
        watch.rowRemoved = [this](int) { onRowRemoved(); };
        watch.rowChanged = [this](int row) { onRowChanged(row); };
        watch.currentRowChanged = [this](int row) { onCurrentChanged(row); };
        watch.stateChanged = [this] { onCurrentChanged(m_dataSet ? m_dataSet->currentRow() : -1); };
        dataSet->watch(this, std::move(watch));
    }
    endResetModel();
}

void DataSetModel::setColumns(const QList<DbGridColumn>& columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

void DataSetModel::setDefaultColumns()
{
    QList<DbGridColumn> columns;
    if (m_dataSet) {
        for (const QString& name : m_dataSet->fieldNames()) {
            DbGridColumn c;
            c.fieldName = name;
            c.title = name;
            columns << c;
        }
    }
    setColumns(columns);
}

int DataSetModel::fieldIndex(int column) const
{
    if (!m_dataSet || column < 0 || column >= m_columns.size())
        return -1;
    const DataField* f = m_dataSet->findField(m_columns.at(column).fieldName);
    return f ? f->index() : -1;
}

int DataSetModel::columnOf(const QString& fieldName) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void DataSetModel::refreshColumn(int column)
{
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (rowCount() > 0)
        emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

int DataSetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_dataSet)
        return 0;
    return m_rowCount;
}

int DataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    return cell(index.row(), index.column(), role);
}

QString DataSetModel::EditText(const QVariant& v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (d == qint64(d))
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    return v.toString();
}

QVariant DataSetModel::cell(int row, int columnIndex, int role) const
{
    if (!m_dataSet || columnIndex < 0 || columnIndex >= int(m_columns.size()))
        return {};
    const DbGridColumn& column = m_columns.at(columnIndex);
    const int f = fieldIndex(columnIndex);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        if (f < 0)
            return {};
        const QVariant v = m_dataSet->value(row, f);
        if (role == Qt::EditRole || v.isNull())
            return EditText(v);
        const DataField* field = m_dataSet->field(f);
        if (!field->displayFormat().isEmpty() &&
            (field->kind() == DataField::Kind::Float || field->kind() == DataField::Kind::Integer))
            return DataField::FormatNumber(v.toDouble(), field->displayFormat());
        // The mark character of ticked rows shows as a tick.
        if (v.typeId() != QMetaType::Double && v.toString() == QStringLiteral("ض") &&
            column.fontFamily.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("✓");
        return EditText(v);
    }
    case Qt::BackgroundRole:
        return column.color.isValid() ? QBrush(column.color) : QVariant();
    case Qt::ForegroundRole:
        return column.fontColor.isValid() ? QBrush(column.fontColor) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant(column.alignment);
    default:
        return {};
    }
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !m_dataSet)
        return false;
    const int f = fieldIndex(index.column());
    if (f < 0)
        return false;
    DataSet& ds = *m_dataSet;
    if (ds.currentRow() != index.row() && !ds.setCurrentRow(index.row()))
        return false;
    DataField* field = ds.field(f);
    const QString oldText = field->isNull() ? QString() : data(index, Qt::EditRole).toString();
    const QString text = value.toString();
    if (text == oldText && ds.state() == DataSet::State::Browse)
        return true;
    if (field->kind() == DataField::Kind::Integer || field->kind() == DataField::Kind::Float) {
        QString digits = text.trimmed();
        digits.remove(QLatin1Char(','));
        if (digits.isEmpty()) {
            field->setValue(QVariant());
        } else {
            bool ok = false;
            const double d = digits.toDouble(&ok);
            if (!ok)
                return false;
            if (field->kind() == DataField::Kind::Integer)
                field->setValue(qlonglong(d));
            else
                field->setValue(d);
        }
    } else {
        field->setValue(text);
    }
    return true;
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_columns.size())
            return {};
        const DbGridColumn& c = m_columns.at(section);
        switch (role) {
        case Qt::DisplayRole:
            return c.title;
        case Qt::BackgroundRole:
            return c.titleColor.isValid() ? QBrush(c.titleColor) : QVariant();
        case Qt::ForegroundRole:
            return c.titleFontColor.isValid() ? QBrush(c.titleFontColor) : QVariant();
        case Qt::TextAlignmentRole:
            return QVariant(Qt::AlignCenter);
        default:
            return {};
        }
    }
    // The row indicator: the current row, and whether it is being edited or added.
    if (role != Qt::DisplayRole || !m_dataSet || section != m_dataSet->currentRow())
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    switch (m_dataSet->state()) {
    case DataSet::State::Insert:
        return QStringLiteral("*");
    case DataSet::State::Edit:
        return QStringLiteral("I");
    default:
        return QStringLiteral("◀");
    }
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int field = fieldIndex(index.column());
    if (m_editing && m_dataSet && !m_dataSet->readOnly() && field >= 0 &&
        !m_columns.at(index.column()).readOnly && !m_dataSet->field(field)->readOnly())
        f |= Qt::ItemIsEditable;
    return f;
}

void DataSetModel::onReset()
{
    beginResetModel();
    m_markedRow = m_dataSet ? m_dataSet->currentRow() : -1;
    m_rowCount = knownRows();
    endResetModel();
}

void DataSetModel::onRowAboutToBeInserted(int row)
{
    beginInsertRows(QModelIndex(), row, row);
}

void DataSetModel::onRowInserted()
{
    ++m_rowCount;
    endInsertRows();
}

void DataSetModel::onRowAboutToBeRemoved(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
}

void DataSetModel::onRowRemoved()
{
    --m_rowCount;
    endRemoveRows();
}

void DataSetModel::onRowChanged(int row)
{
    if (row < 0 || row >= rowCount() || m_columns.isEmpty())
        return;
    emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
}

int DataSetModel::knownRows() const
{
    return m_dataSet && m_dataSet->active() ? m_dataSet->rowsKnown() : 0;
}

void DataSetModel::announceRows(int rows)
{
    // Whoever hears of the rows may ask for more while they are announced.
    if (rows <= m_rowCount || m_announcing)
        return;
    m_announcing = true;
    beginInsertRows(QModelIndex(), m_rowCount, rows - 1);
    m_rowCount = rows;
    endInsertRows();
    m_announcing = false;
}

bool DataSetModel::canFetchMore(const QModelIndex& parent) const
{
    if (parent.isValid() || m_announcing || !m_dataSet || !m_dataSet->active())
        return false;
    return !m_dataSet->allRowsKnown() || m_rowCount < m_dataSet->rowsKnown();
}

void DataSetModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    // Counting is one statement; the rows themselves are read as they are painted.
    try {
        announceRows(m_dataSet->recordCount());
    } catch (const std::exception&) {
        // The view asks on its own; a count the database refused leaves the rows
        // shown as they are, and the next move of the data set tells the failure.
    }
}

void DataSetModel::onCurrentChanged(int row)
{
    // A data set read in chunks may have gone past the rows the view knows (its
    // last row, a jump): the view learns of the rows up to it.
    if (m_dataSet && m_dataSet->chunked() && row >= m_rowCount)
        announceRows(std::max(row + 1, knownRows()));
    const int old = m_markedRow;
    m_markedRow = row;
    const int rows = rowCount();
    if (old >= 0 && old < rows)
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0 && row < rows)
        emit headerDataChanged(Qt::Vertical, row, row);
}
