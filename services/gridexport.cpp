#include "gridexport.h"

#include "dataset.h"
#include "datasetmodel.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "sqlquote.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

const QString kCellStart = QStringLiteral("\t");
const QString kLineEnd = QStringLiteral("\t  \n");

void AppendLine(QString& text, const QStringList& cells)
{
    for (const QString& cell : cells)
        text += kCellStart + cell;
    text += kLineEnd;
}

} // namespace

GridContents ReadGridContents(DbGrid* grid)
{
    GridContents contents;
    DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    if (ds == nullptr || !ds->active())
        return contents;
    contents.active = true;

    QList<int> shown;
    const QList<DbGridColumn>& columns = grid->columns();
    for (int c = 0; c < columns.size(); ++c) {
        if (!columns.at(c).visible)
            continue;
        shown << c;
        contents.titles << columns.at(c).title;
    }

    // The rows are read as the grid's cell editor reads them (the edit text, not the
    // display format), straight from the data set's rows in their present order:
    // walking the data set would post a pending edit, run the window's scroll
    // handlers and reset the grid under an open cell editor.
    const DataSetModel* model = grid->dataModel();
    const int rowCount = ds->recordCount();
    const int untouchedNewRow =
        ds->state() == DataSet::State::Insert && !ds->modified() ? ds->currentRow() : -1;
    for (int r = 0; r < rowCount; ++r) {
        if (r == untouchedNewRow)
            continue;
        QStringList cells;
        cells.reserve(shown.size());
        for (const int c : std::as_const(shown))
            cells << model->data(model->index(r, c), Qt::EditRole).toString();
        contents.rows << cells;
    }
    return contents;
}

QString GridContentsAsText(const GridContents& contents)
{
    if (!contents.active)
        return QString();
    QString text;
    AppendLine(text, contents.titles);
    for (const QStringList& row : contents.rows)
        AppendLine(text, row);
    return text;
}

QString GridAsText(DbGrid* grid)
{
    return GridContentsAsText(ReadGridContents(grid));
}

void CopyGridAsText(DbGrid* grid)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(GridAsText(grid));
}

// The numbers pass through negatives so that no two rows hold the same number on the
// way, whatever order the engine updates them in (a unique row number is checked row
// by row, not at the end of the statement).
void RenumberRows(const QString& table, const QString& mode, int row)
{
    const QString shift =
        mode == QStringLiteral("DELETE") ? QStringLiteral("1 - Raj") : QStringLiteral("-(Raj + 1)");
    Transaction transaction(*MyDatabase->Connection);
    ExecSQL(MyDatabase, QStringLiteral("Update ") + SqlIdent(table) +
                            QStringLiteral(" Set Raj = ") + shift + QStringLiteral(" Where Raj>=") +
                            QString::number(row));
    ExecSQL(MyDatabase, QStringLiteral("Update ") + SqlIdent(table) +
                            QStringLiteral(" Set Raj = -Raj Where Raj<0"));
    transaction.commit();
}
