#pragma once

#include <QList>
#include <QPointer>
#include <QPolygonF>
#include <QString>
#include <QStringList>
#include <QWidget>

class DbGrid;
class QAbstractSeries;
class QChart;
class QChartView;
class QFrame;
class QGraphicsPathItem;
class QGraphicsSimpleTextItem;
class QLabel;
class QToolButton;
class TCaptionPanel;
class TReportGrid;

// The chart window ("نمودار") of a report grid. The data to chart is copied into a
// temporary chart table of two columns, XLabel and XData: for "HORIZ" the report's
// key column and the selected (numeric) column over all rows, for "VERT" the titles
// and values of the current row's visible numeric columns. One series of the chosen
// kind is drawn from it with Qt Charts. There is one chart window in the module: a
// request while it is open only brings it forward, unchanged.
class TGrafForm : public QWidget
{
    Q_OBJECT
public:
    // The series kinds, in the order of their buttons.
    enum Kind {
        Line,
        Bar,
        HorizBar,
        Area,
        Point,
        Pie,
        FastLine,
        Shape,
        Gantt,
        Arrow,
        Bubble,
        KindCount
    };
    struct ChartPoint
    {
        QString label;
        double value = 0;
    };

    // Opens the chart of the report grid in `mode` ("HORIZ" or "VERT"), or brings the
    // open chart window forward. HORIZ of a text column opens nothing. Returns the
    // window shown, nullptr when none. Database failures are thrown.
    static TGrafForm* Open(TReportGrid* report, const QString& mode);
    // The module's chart window while it is open.
    static TGrafForm* Current();

    ~TGrafForm() override;

    TCaptionPanel* Caption_Panel;
    QFrame* Close_Shape;
    QFrame* Min_Shape;
    QToolButton* sb_Closed;
    QToolButton* sb_Minimized;
    QToolButton* cmdKind[KindCount];
    QToolButton* cmdZoomIn;
    QToolButton* cmdZoomOut;
    QToolButton* cmdUndoZoom;
    QToolButton* cmd3D;
    QToolButton* cmdPrint;
    QToolButton* cmdLegend;
    QToolButton* cmdShowHide;
    QToolButton* cmdColumns;
    QToolButton* cmdSavePng;
    QToolButton* cmdSavePdf;
    // How the active kind is drawn when Qt Charts has no series of that kind.
    QLabel* lblRendering;
    QChartView* ChartView;

    QString mode() const { return m_mode; }
    QString chartTable() const { return m_table; }
    // The rows of the chart table, in its order.
    const QList<ChartPoint>& points() const { return m_points; }
    int kind() const { return m_kind; }
    QChart* chart() const;
    QAbstractSeries* activeSeries() const;
    // The 3D zoom in percent: starts at 102, +5 and -5 per click, 100 on reset.
    int zoom() const { return m_zoom; }
    // The marks shown (label and value or share), in the order of the points.
    QStringList marks() const;
    // The arrow kind's heads, one per segment long enough to hold one, in chart
    // coordinates: the tip first, then the two back corners.
    QList<QPolygonF> arrowHeads() const;

    // Draws series `kind` from the chart table's rows.
    void selectSeries(int kind);
    // Rebuilds the chart table from the report's rows: the label columns' texts
    // (joined by " - ") against the data column, as HORIZ does for one column.
    void rebuild(const QStringList& labelFields, const QString& dataField);
    // The chart as an image file and as a one-page document.
    bool saveImage(const QString& path) const;
    bool savePdf(const QString& path) const;

    void cmdZoomInClick();
    void cmdZoomOutClick();
    void cmdUndoZoomClick();
    void cmdPrintClick();
    void cmdColumnsClick();
    void cmdSavePngClick();
    void cmdSavePdfClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillScreen();
    TGrafForm(TReportGrid* report, const QString& mode, QWidget* parent);
    void buildHoriz(const QStringList& labelFields, const QString& dataField);
    void buildVert();
    void loadPoints();
    void applyZoom();
    void applyMarks();
    void applyArrowHeads();
    void layoutFrame();
    QString saveFileName(const QString& filter, const QString& suffix);
    void saveAs(const QString& path, bool (TGrafForm::*write)(const QString&) const);

    QPointer<TReportGrid> m_report;
    QPointer<DbGrid> m_grid;
    QString m_mode;
    QString m_table;
    QStringList m_labelFields;
    QString m_dataField;
    QList<ChartPoint> m_points;
    int m_kind = -1;
    int m_zoom = 102;
    QList<QGraphicsSimpleTextItem*> m_marks;
    QList<QGraphicsPathItem*> m_arrowHeads;
};
