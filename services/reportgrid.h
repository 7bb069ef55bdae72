#pragma once

#include "dataset.h"
#include "dbgrid.h"
#include "siblingcalls.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QKeySequence;
class QMenu;
class QWidget;
struct GridLayoutKey;

// An item of a report window's menu, named `name` (tests and saved layouts find it by
// that name), whose key works while the focus is in `keysIn` or a widget inside it: the
// window, or one grid of a window with two.
QAction* AddReportItem(QMenu* menu, QWidget* keysIn, const QString& name, const QString& text,
                       const QKeySequence& key);
// The items that keep a report's rows under a name and bring them back: "R_OpenItem"
// (Ctrl+O) and "R_SaveAsItem" (Ctrl+S), in every report window with the same texts.
enum class SavedReportItem { Open, SaveAs };
QAction* AddSavedReportItem(QMenu* menu, QWidget* keysIn, SavedReportItem which);

// The report grid object: attached to a data grid of a window, it gives the grid a
// right-click menu of grid services (search, column layout, sending the rows to
// other programs, hiding and arranging columns, charts, filter, report properties,
// printing, asset labels, column widths, advanced sort, dBASE copies, SMS). The menu's keys work
// while the grid has the focus. Each item is an action reachable by its object name
// ("HelpItem", "SearchItem", ..., "SmsItem").
class TReportGrid : public QObject
{
    Q_OBJECT
public:
    // The grid's data set at this moment is the report's own data set (the filter
    // comes back to it); a window that attaches another later calls setDataSet.
    TReportGrid(DbGrid* grid, QWidget* owner);
    ~TReportGrid() override;

    DbGrid* grid() const { return m_grid; }
    QWidget* owner() const { return m_owner; }
    DataSet* dataSet() const { return m_dataSet; }
    void setDataSet(DataSet* dataSet) { m_dataSet = dataSet; }

    // Keys of the grid's stored column layout.
    void setSProg(const QString& value) { m_sProg = value; }
    void setSItem(const QString& value) { m_sItem = value; }
    void setSForm(const QString& value) { m_sForm = value; }
    void setSPart(const QString& value) { m_sPart = value; }
    void setLayoutKey(const GridLayoutKey& key);
    QString sProg() const { return m_sProg; }
    QString sItem() const { return m_sItem; }
    QString sForm() const { return m_sForm; }
    QString sPart() const { return m_sPart; }

    // The report's title (filter, report properties, print, exports); the web page's
    // title (the report title when empty).
    void setTitle(const QString& title) { m_title = title; }
    QString title() const { return m_title; }
    void setHtmlTitle(const QString& title) { m_htmlTitle = title; }
    // The key under which the print libraries keep the report's page settings; by
    // default sProg_sItem_sForm (and _sPart when there is one).
    void setReportName(const QString& name) { m_reportName = name; }
    QString reportName() const;

    // The two texts handed to the search and SMS libraries: the key column and the
    // row-number column of the report.
    void setKeyColumn(const QString& column) { m_keyColumn = column; }
    QString keyColumn() const { return m_keyColumn; }
    void setRowColumn(const QString& column) { m_rowColumn = column; }
    QString rowColumn() const { return m_rowColumn; }
    // KEY=VALUE; settings; "_" + a field's upper-cased name gives the value handed to
    // the search and SMS libraries when that field's column is selected.
    void setSettings(const QString& settings) { m_settings = settings; }
    QString settings() const { return m_settings; }
    // The work table the report's rows come from (charts and saved reports read it);
    // empty for a report over a plain statement.
    void setTableName(const QString& name) { m_tableName = name; }
    QString tableName() const { return m_tableName; }
    // For a report whose grid reads its rows straight from the engine, the work table
    // is made only when something reads it: `maker` makes it (false when it could not
    // be made or the user stopped it).
    void setTableMaker(std::function<bool()> maker) { m_tableMaker = std::move(maker); }
    // The work table with the report's rows in it, made now where it is made on
    // demand; empty when there is none or it was not made.
    QString filledTable() const
    {
        if (m_tableName.isEmpty() || (m_tableMaker && !m_tableMaker()))
            return QString();
        return m_tableName;
    }

    // Draws the chart of the grid, kind "HORIZ" (the selected column) or "VERT" (the
    // current row). Without it, and without the module's chart window, the chart
    // items are disabled.
    std::function<void(DbGrid*, const QString& kind)> onChart;
    // The module's chart window, registered once when the module is loaded: it draws
    // the chart for every report grid whose window sets no onChart of its own.
    using ChartOpener = std::function<void(TReportGrid* report, const QString& kind)>;
    static ChartOpener& DefaultChart();

    // The print service (its kept texts go to every print request).
    TPrintService& printService() { return m_print; }

    // Whether a filter is in force.
    bool filtered() const { return m_filterData != nullptr; }

    QMenu* Menu() const { return m_menu.get(); }
    QAction* item(const QString& objectName) const;
    // Takes an item off the menu (its key stops working too).
    void removeItem(const QString& objectName);

    // The items' handlers.
    void HelpItemClick();
    void SearchItemClick();
    void SaveGridItemClick();
    void ResetGridItemClick();
    void ClipboardItemClick();
    void ExcelItemClick();
    void WordItemClick();
    void HtmlItemClick();
    void DeleteColumnItemClick();
    void ColumnsItemClick();
    void ColumnChartItemClick();
    void RowChartItemClick();
    void FilterItemClick();
    void RepPropertyItemClick();
    void PrintItemClick();
    void AdvPrintItemClick();
    // Asset labels of the chosen rows; on the menu only while the grid's rows have DaraCod.
    void LabelItemClick();
    void FitWidthItemClick();
    void AdvSortItemClick();
    void DbfDosItemClick();
    void DbfWinItemClick();
    void SmsItemClick();

    static const QString FilterCaption;
    static const QString UnfilterCaption;
    static const QString NumberFormat;
    static const QString CopiedMessage;

private:
    void buildMenu();
    void updateItems();
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption,
                     const QKeySequence& key, void (TReportGrid::*handler)());
    void run(void (TReportGrid::*handler)());
    bool dataOpen() const;
    QString selectedKeyValue() const;
    void print(bool advanced);
    void dbfCopy(const QString& mode);
    void endFilter();
    void chart(const QString& kind);

    QPointer<DbGrid> m_grid;
    QPointer<QWidget> m_owner;
    QPointer<DataSet> m_dataSet;
    std::unique_ptr<DataSet> m_filterData;
    std::unique_ptr<QMenu> m_menu;
    TPrintService m_print;
    QString m_sProg;
    QString m_sItem;
    QString m_sForm;
    QString m_sPart;
    QString m_tableName;
    std::function<bool()> m_tableMaker;
    QString m_title;
    QString m_htmlTitle;
    QString m_reportName;
    QString m_keyColumn;
    QString m_rowColumn;
    QString m_settings;
};
