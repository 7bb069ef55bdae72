#pragma once

#include <QList>
#include <QString>
#include <functional>

class DbGrid;
class QPagedPaintDevice;
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

// The printed report, page by page. At the head of every page: the company's name,
// the report's title, the fiscal period and today's date (those the host gave), and
// a row of the chosen columns' titles; then as many rows as the page holds, one line
// each, right to left, each column as wide on paper, relative to the others, as it is
// in the grid (a text too long for its cell ends in "…"); at the foot
// "صفحه x از y". Every row of the grid's data set is printed, the rows of a result
// read in chunks that the grid has not read yet too, as the grid shows them.
class ReportPages
{
public:
    ReportPages(const TPrintRequest& request, const PrintLayout& layout);

    // The rows to print.
    qint64 rowCount() const { return m_rows; }
    // Paints every page on `device` (a printer, a PDF writer). `step` is told the
    // rows printed so far after each page and may stop the printing (false); the
    // pages painted stay on the device. False when stopped or the device could not
    // be painted on.
    bool paint(QPagedPaintDevice* device,
               const std::function<bool(qint64 rowsDone)>& step = {}) const;

private:
    const TPrintRequest& m_request;
    PrintLayout m_layout;
    qint64 m_rows = 0;
};
