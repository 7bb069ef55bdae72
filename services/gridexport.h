#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class DbGrid;

// Turning a grid's rows into text for other programs (clipboard, spreadsheet,
// word processor, web page).

// What every export takes from a grid: the title captions of its visible columns in
// grid order, and for each row of its data set, first to last, the edit text of each
// of those columns' fields. `active` is false when the grid has no open data set.
struct GridContents
{
    bool active = false;
    QStringList titles;
    QList<QStringList> rows;
};

// Reads the grid without moving its data set: the user's current row, a pending edit
// and an open cell editor stay as they are, and no scroll handler runs. A new row the
// user has not typed into yet is no data and is left out.
GridContents ReadGridContents(DbGrid* grid);

// The grid as tab-separated text: the titles line, then one line per row; every cell
// is preceded by a tab and every line ends with a tab, two spaces and a line break.
// A grid without an open data set gives an empty text; one without rows gives the
// titles line only.
QString GridContentsAsText(const GridContents& contents);
QString GridAsText(DbGrid* grid);

// Puts GridAsText on the clipboard.
void CopyGridAsText(DbGrid* grid);

// Moves the row numbers (Raj) of a transaction table from `row` on: up by one after
// the row there was removed (mode "DELETE"), down by one before a row goes in there
// (any other mode).
void RenumberRows(const QString& table, const QString& mode, int row);
