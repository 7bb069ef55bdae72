#include "copypaste.h"

#include "dbgrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <cmath>

namespace {

const QChar kTab = QLatin1Char('\t');
const QChar kEquals = QLatin1Char('=');

// Takes the text before the first `separator` off the front of `rest`, with the
// separator. Without a separator nothing is taken and the part is empty: a copied
// text with fewer pairs than the grid has columns gives empty names.
QString TakeUntil(QString& rest, QChar separator)
{
    const qsizetype at = rest.indexOf(separator);
    if (at < 0)
        return QString();
    const QString part = rest.left(at);
    rest.remove(0, at + 1);
    return part;
}

QString ConversionMessage(const QString& text, const DataField* field, const char* kind)
{
    return QStringLiteral("'%1' is not a valid %2 value for field '%3'")
        .arg(text, QLatin1String(kind), field->fieldName());
}

} // namespace

GridOptions OptionsOf(const DbGrid* grid)
{
    GridOptions options;
    if (grid == nullptr)
        return options;
    if (grid->editingEnabled())
        options << goEditing;
    if (!grid->horizontalHeader()->isHidden())
        options << goTitles;
    if (!grid->verticalHeader()->isHidden())
        options << goIndicator;
    if (grid->horizontalHeader()->sectionResizeMode(0) == QHeaderView::Interactive)
        options << goColumnResize;
    if (grid->showGrid())
        options << goColLines << goRowLines;
    if (grid->tabKeyNavigation())
        options << goTabs;
    if (grid->selectionBehavior() == QAbstractItemView::SelectRows)
        options << goRowSelect;
    if (grid->selectionMode() == QAbstractItemView::MultiSelection ||
        grid->selectionMode() == QAbstractItemView::ExtendedSelection)
        options << goMultiSelect;
    return options;
}

bool HasOption(const GridOptions& options, int number)
{
    return number >= goEditing && number <= goMultiSelect && options.contains(number);
}

bool IsAutoIncrementField(const DataField* field)
{
    if (field == nullptr || field->kind() != DataField::Kind::Integer)
        return false;
    const QString column =
        field->originColumn().isEmpty() ? field->fieldName() : field->originColumn();
    return column.compare(QLatin1String("IDX"), Qt::CaseInsensitive) == 0;
}

void SetFieldText(DataField* field, const QString& text)
{
    const DataField::Kind kind = field->kind();
    if (kind != DataField::Kind::Integer && kind != DataField::Kind::Float) {
        field->setValue(text);
        return;
    }
    QString digits = text.trimmed();
    digits.remove(QLatin1Char(','));
    if (digits.isEmpty()) {
        field->setValue(QVariant());
        return;
    }
    bool ok = false;
    const double value = digits.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw FieldConversionError(
            ConversionMessage(text, field, kind == DataField::Kind::Integer ? "integer" : "number")
                .toStdString());
    if (kind == DataField::Kind::Integer) {
        if (std::floor(value) != value || std::fabs(value) > 9.2e18)
            throw FieldConversionError(ConversionMessage(text, field, "integer").toStdString());
        field->setValue(qlonglong(value));
    } else {
        field->setValue(value);
    }
}

QString CopyRow(DbGrid* grid)
{
    QString text;
    if (grid == nullptr)
        return text;
    DataSet* dataSet = grid->dataSet();
    for (const DbGridColumn& column : grid->columns()) {
        // A column without a field of the data set copies as an empty value.
        const DataField* field = dataSet ? dataSet->findField(column.fieldName) : nullptr;
        text += column.fieldName + kEquals + (field ? field->asString() : QString()) + kTab;
    }
    return text;
}

bool PasteRow(DataSet* dataSet, DbGrid* grid, const QString& copied)
{
    if (dataSet == nullptr || grid == nullptr)
        return false;
    dataSet->edit();
    if (dataSet->state() != DataSet::State::Edit && dataSet->state() != DataSet::State::Insert)
        return false;
    // One pair per grid column, whatever columns the text was copied from.
    QString rest = copied;
    const int passes = grid->columnCountOfGrid();
    for (int i = 0; i < passes; ++i) {
        const QString name = TakeUntil(rest, kEquals);
        const QString value = TakeUntil(rest, kTab);
        DataField* field = dataSet->fieldByName(name);
        if (!IsAutoIncrementField(field))
            SetFieldText(field, value);
    }
    return true;
}

QString CopyCell(DbGrid* grid)
{
    const DataField* field = grid ? grid->selectedField() : nullptr;
    if (field == nullptr)
        return QString();
    const QString text = field->asString();
    QGuiApplication::clipboard()->setText(text);
    return text;
}

bool PasteCell(DbGrid* grid)
{
    if (grid == nullptr)
        return false;
    DataField* field = grid->selectedField();
    if (field == nullptr || field->readOnly())
        return false;
    const int column = grid->selectedIndex();
    if (column >= 0 && column < grid->columnCountOfGrid() && grid->columns().at(column).readOnly)
        return false;
    if (!HasOption(OptionsOf(grid), goEditing))
        return false;
    DataSet* dataSet = grid->dataSet();
    if (dataSet->readOnly())
        return false;
    // An open cell editor would write its own text over the pasted one.
    if (grid->editorOpen())
        grid->commitEditor();
    dataSet->edit();
    if (dataSet->state() != DataSet::State::Edit && dataSet->state() != DataSet::State::Insert)
        return false;
    SetFieldText(field, QGuiApplication::clipboard()->text());
    return true;
}
