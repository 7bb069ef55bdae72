#include "printdocument.h"

#include "dataset.h"
#include "dbgrid.h"
#include "siblingapi.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

QList<int> ShownColumns(const DbGrid* grid)
{
    QList<int> shown;
    if (!grid)
        return shown;
    for (int i = 0; i < grid->columns().size(); ++i)
        if (grid->columns().at(i).visible)
            shown << i;
    return shown;
}

namespace {

int ShownWidth(const QList<int>& columns, const DbGrid* grid)
{
    int total = 0;
    for (int c : columns)
        total += qMax(1, grid->columns().at(c).width);
    return total;
}

// One printed column: its grid column and its place on the page, from its left edge.
struct PageColumn
{
    int column;
    qreal left;
    qreal width;
    Qt::Alignment alignment;
};

// The page's parts, in the device's pixels.
struct PageFrame
{
    qreal width = 0;
    qreal height = 0;
    qreal line = 0;    // one line of text with its room
    qreal padding = 0; // inside a cell
    qreal headTop = 0; // the rows' titles
    qreal bodyTop = 0; // the first row
    qreal footTop = 0; // the page number
    qint64 rowsPerPage = 1;
};

} // namespace

bool WideReport(const QList<int>& columns, const DbGrid* grid)
{
    // About what a portrait page holds at the grid's widths in a readable font.
    return grid != nullptr && ShownWidth(columns, grid) > 750;
}

ReportPages::ReportPages(const TPrintRequest& request, const PrintLayout& layout)
    : m_request(request), m_layout(layout)
{
    const DataSet* data = request.Grid != nullptr ? request.Grid->dataSet() : nullptr;
    m_rows = data != nullptr && data->active() ? data->recordCount() : 0;
}

bool ReportPages::paint(QPagedPaintDevice* device,
                        const std::function<bool(qint64 rowsDone)>& step) const
{
    const DbGrid* grid = m_request.Grid;
    QPainter painter;
    if (grid == nullptr || !painter.begin(device))
        return false;
    painter.setLayoutDirection(Qt::RightToLeft);

    QFont font = QGuiApplication::font();
    font.setPointSizeF(m_layout.fontSize > 0 ? m_layout.fontSize : 10);
    font = QFont(font, device);
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font, device);

    PageFrame frame;
    const QRect area = painter.viewport();
    frame.width = area.width();
    frame.height = area.height();
    frame.line = std::ceil(metrics.height() * 1.4);
    frame.padding = std::ceil(metrics.averageCharWidth() / 2);
    frame.headTop = 3.5 * frame.line;
    frame.bodyTop = frame.headTop + frame.line;
    frame.footTop = frame.height - frame.line;
    frame.rowsPerPage =
        std::max<qint64>(1, qint64(std::floor((frame.footTop - frame.bodyTop) / frame.line)));
    const qint64 pages = std::max<qint64>(1, (m_rows + frame.rowsPerPage - 1) / frame.rowsPerPage);

    // The grid's first column on the right, where a right-to-left reader starts.
    QList<PageColumn> columns;
    const int total = std::max(1, ShownWidth(m_layout.columns, grid));
    qreal right = frame.width;
    for (int c : m_layout.columns) {
        const qreal width = frame.width * qMax(1, grid->columns().at(c).width) / total;
        const Qt::Alignment along = grid->columns().at(c).alignment & Qt::AlignHorizontal_Mask;
        columns << PageColumn{c, right - width, width, along ? along : Qt::AlignRight};
        columns.last().alignment |= Qt::AlignAbsolute;
        right -= width;
    }

    const auto cell = [&](qreal top, const PageColumn& column, const QString& text,
                          Qt::Alignment alignment) {
        const QRectF box(column.left, top, column.width, frame.line);
        painter.drawRect(box);
        const QRectF inside = box.adjusted(frame.padding, 0, -frame.padding, 0);
        painter.drawText(
            inside, int(alignment | Qt::AlignVCenter | Qt::TextSingleLine),
            painter.fontMetrics().elidedText(text, Qt::ElideRight, int(inside.width())));
    };
    const QString period = m_request.StartDate.isEmpty()
                               ? QString()
                               : QStringLiteral("دوره مالي: از ") + m_request.StartDate +
                                     QStringLiteral(" تا ") + m_request.EndDate;
    const DataSetModel* model = grid->dataModel();
    qint64 row = 0;
    for (qint64 page = 1; page <= pages; ++page) {
        if (page > 1 && !device->newPage())
            return false;
        painter.setPen(QPen(Qt::black, 0));
        painter.setFont(bold);
        painter.drawText(QRectF(0, 0, frame.width, frame.line), Qt::AlignCenter, m_request.Company);
        painter.drawText(QRectF(0, frame.line, frame.width, frame.line), Qt::AlignCenter,
                         m_request.Title);
        painter.setFont(font);
        const QRectF dates(0, 2 * frame.line, frame.width, frame.line);
        painter.drawText(dates, Qt::AlignAbsolute | Qt::AlignRight | Qt::AlignVCenter, period);
        if (!m_request.Today.isEmpty())
            painter.drawText(dates, Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignVCenter,
                             QStringLiteral("تاريخ: ") + m_request.Today);

        painter.setFont(bold);
        for (const PageColumn& c : std::as_const(columns)) {
            painter.fillRect(QRectF(c.left, frame.headTop, c.width, frame.line),
                             QColor(0xd8, 0xd8, 0xd8));
            cell(frame.headTop, c, grid->columns().at(c.column).title,
                 Qt::AlignAbsolute | Qt::AlignRight);
        }
        painter.setFont(font);
        const qint64 last = std::min(m_rows, row + frame.rowsPerPage);
        for (qreal top = frame.bodyTop; row < last; ++row, top += frame.line) {
            for (const PageColumn& c : std::as_const(columns))
                cell(top, c, model->cell(int(row), c.column, Qt::DisplayRole).toString(),
                     c.alignment);
        }
        painter.drawText(QRectF(0, frame.footTop, frame.width, frame.line), Qt::AlignCenter,
                         QStringLiteral("صفحه %1 از %2").arg(page).arg(pages));
        if (step && !step(row))
            return false;
    }
    return painter.end();
}
