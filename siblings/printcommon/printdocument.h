#pragma once

#include <QList>
#include <QString>
#include <memory>

class DbGrid;
class QTextDocument;
struct TPrintRequest;

// What of the grid goes on paper and how large.
struct PrintLayout
{
    QList<int> columns; // grid columns, in grid order
    int fontSize = 10;  // points
};

// The grid's shown columns, in grid order.
QList<int> ShownColumns(const DbGrid* grid);

// Whether the columns, at the widths the grid shows them, want a landscape page.
bool WideReport(const QList<int>& columns, const DbGrid* grid);

// The printed report: its title, today's date when the host gave one, and a table of
// the chosen columns (a header row, then one row per data row as the grid shows it),
// right to left, each column as wide on paper, relative to the others, as it is in the
// grid. Printing the document numbers its pages at the foot.
std::unique_ptr<QTextDocument> BuildPrintDocument(const TPrintRequest& request,
                                                  const PrintLayout& layout);
