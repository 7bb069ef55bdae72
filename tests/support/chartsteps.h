#pragma once

// The chart window of a report grid as the clerk reaches it: a click on a cell, then
// a chart item of the grid's menu; what the chart draws; its close button.

#include "dbgrid.h"
#include "grafunit.h"
#include "reportgrid.h"
#include "uitest.h"

#include <QToolButton>

using ChartPoints = QList<std::pair<QString, double>>;

// The points of the chart window that is open (none without one).
inline ChartPoints ShownChartPoints()
{
    ChartPoints points;
    if (const TGrafForm* chart = TGrafForm::Current())
        for (const TGrafForm::ChartPoint& p : chart->points())
            points.append({p.label, p.value});
    return points;
}

// A click on the cell (`row`, `column`) of `grid`, then on the item `name` of
// `report`'s menu opened on it: the chart window (none when none opens).
inline TGrafForm* ChartFromCell(DbGrid* grid, TReportGrid* report, int row, int column,
                                const char* name = "ColumnChartItem")
{
    const QModelIndex cell = grid->model()->index(row, column);
    grid->scrollTo(cell);
    const QPoint at = grid->visualRect(cell).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    if (!ClickMenuItem(grid->viewport(), at, report->Menu(), report->item(name)))
        return nullptr;
    return QTest::qWaitFor([] { return TGrafForm::Current() != nullptr; }) ? TGrafForm::Current()
                                                                           : nullptr;
}

// The chart window closed by its button, when one is open.
inline void CloseChart()
{
    if (TGrafForm* chart = TGrafForm::Current()) {
        QTest::mouseClick(chart->sb_Closed, Qt::LeftButton);
        QTRY_VERIFY(TGrafForm::Current() == nullptr);
    }
}
