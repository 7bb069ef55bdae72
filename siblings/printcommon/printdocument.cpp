#include "printdocument.h"

#include "dataset.h"
#include "dbgrid.h"
#include "siblingapi.h"

#include <QFont>
#include <QTextDocument>
#include <algorithm>

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

} // namespace

bool WideReport(const QList<int>& columns, const DbGrid* grid)
{
    // About what a portrait page holds at the grid's widths in a readable font.
    return grid != nullptr && ShownWidth(columns, grid) > 750;
}

std::unique_ptr<QTextDocument> BuildPrintDocument(const TPrintRequest& request,
                                                  const PrintLayout& layout)
{
    // The text layout places table columns left to right whatever the direction of
    // the table, so the columns are written last to first: the grid's first column
    // ends up on the right, where a right-to-left reader starts.
    QList<int> columns = layout.columns;
    std::reverse(columns.begin(), columns.end());

    QString html = QStringLiteral("<html><body dir=\"rtl\">");
    html += QStringLiteral("<h3 align=\"center\">") + request.Title.toHtmlEscaped() +
            QStringLiteral("</h3>");
    if (!request.Today.isEmpty())
        html += QStringLiteral("<p dir=\"rtl\" align=\"right\">") +
                (QStringLiteral("تاريخ: ") + request.Today).toHtmlEscaped() +
                QStringLiteral("</p>");
    html += QStringLiteral("<table dir=\"rtl\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                           "width=\"100%\"><thead><tr>");
    const DbGrid* grid = request.Grid;
    const int total = ShownWidth(columns, grid);
    for (int c : columns)
        html += QStringLiteral("<th align=\"right\" bgcolor=\"#d8d8d8\" width=\"") +
                QString::number(100.0 * qMax(1, grid->columns().at(c).width) / total, 'f', 1) +
                QStringLiteral("%\">") + grid->columns().at(c).title.toHtmlEscaped() +
                QStringLiteral("</th>");
    html += QStringLiteral("</tr></thead>");
    const DataSetModel* model = grid->dataModel();
    for (int r = 0; r < model->rowCount(); ++r) {
        html += QStringLiteral("<tr>");
        for (int c : columns)
            html += QStringLiteral("<td align=\"right\">") +
                    model->data(model->index(r, c), Qt::DisplayRole).toString().toHtmlEscaped() +
                    QStringLiteral("</td>");
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table></body></html>");

    auto document = std::make_unique<QTextDocument>();
    QFont font = document->defaultFont();
    font.setPointSize(layout.fontSize > 0 ? layout.fontSize : 10);
    document->setDefaultFont(font);
    document->setHtml(html);
    return document;
}
