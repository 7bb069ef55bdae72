#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QString>

class DataSet;

// One column of a data grid: the field it shows, its title and width, whether it
// is shown and whether it may be edited, and its colours (invalid: the grid's).
struct DbGridColumn
{
    QString fieldName;
    QString title;
    int width = 64;
    bool visible = true;
    bool readOnly = false;
    QColor color;
    QColor fontColor;
    QColor titleColor;
    QColor titleFontColor;
    Qt::Alignment alignment = Qt::AlignVCenter | Qt::AlignRight;
    QString fontFamily;
    // The column's own settings as KEY=VALUE; text ("Sumable=P;Delimiter=P;").
    QString settings;

    static DbGridColumn Make(const QString& field, const QString& title, int width)
    {
        DbGridColumn c;
        c.fieldName = field;
        c.title = title;
        c.width = width;
        return c;
    }
};

// The grid's view of a data set: one model row per data set row, one model column
// per grid column. Rows are read from the data set as the view paints them, so a
// large result costs no widget or item per row, and one read in chunks is read
// only where the view shows it. Rows the data set adds or takes
// away are announced to the views before it changes them, as Qt's models must.
class DataSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DataSetModel(QObject* parent = nullptr);

    DataSet* dataSet() const { return m_dataSet; }
    void setDataSet(DataSet* dataSet);

    const QList<DbGridColumn>& columns() const { return m_columns; }
    void setColumns(const QList<DbGridColumn>& columns);
    DbGridColumn& column(int index) { return m_columns[index]; }
    // Columns for every field of the data set, titled by field name.
    void setDefaultColumns();
    int fieldIndex(int column) const;
    // The column showing `fieldName`, or -1.
    int columnOf(const QString& fieldName) const;
    void refreshColumn(int column);

    bool editingEnabled() const { return m_editing; }
    void setEditingEnabled(bool enabled) { m_editing = enabled; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The cell at `row`, `column` in `role`, for rows the view has not been told of
    // yet as well (a data set read in chunks): what data() gives for a valid index.
    QVariant cell(int row, int column, int role = Qt::EditRole) const;
    // A field's value as cell() gives it for editing: a null as an empty text, a
    // whole float without its fraction.
    static QString EditText(const QVariant& value);
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A data set read in chunks shows its first chunk first; the rest of its rows
    // (counted, not read) are announced when the view scrolls past them or the
    // data set's current row goes beyond them. Their values are read as painted.
    bool canFetchMore(const QModelIndex& parent = QModelIndex()) const override;
    void fetchMore(const QModelIndex& parent = QModelIndex()) override;

private:
    void onReset();
    void onRowAboutToBeInserted(int row);
    void onRowInserted();
    void onRowAboutToBeRemoved(int row);
    void onRowRemoved();
    void onRowChanged(int row);
    void onCurrentChanged(int row);
    int knownRows() const;
    void announceRows(int rows);

    QPointer<DataSet> m_dataSet;
    QList<DbGridColumn> m_columns;
    bool m_editing = true;
    int m_markedRow = -1;
    // The rows the views were told of: the data set's count as of its last
    // announcement (rows it adds or takes away while its controls are disabled
    // reach the views with the reset that enables them again).
    int m_rowCount = 0;
    bool m_announcing = false;
};
