#include "grafunit.h"

#include "appearance.h"
#include "context/captionpanel.h"
#include "context/pendingfile.h"
#include "context/userplaces.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "grafcolsetunit.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "messages.h"
#include "reportgrid.h"
#include "sqlquote.h"
#include "tempgrid.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGraphicsPathItem>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QHorizontalStackedBarSeries>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QPieSeries>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScatterSeries>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace {

const QString kCaption = QStringLiteral("نمودار");
const QString kNumberFormat = QStringLiteral("###,###,###,###,##0.###");
const QString kSaveFailed = QStringLiteral("ذخيره نمودار انجام نشد");

// Hints of the kind buttons; kinds Qt Charts has no series for say how they are drawn.
const char* const kKindNames[TGrafForm::KindCount] = {
    "cmdLine",     "cmdBar",   "cmdHorizBar", "cmdArea",  "cmdPoint", "cmdPie",
    "cmdFastLine", "cmdShape", "cmdGantt",    "cmdArrow", "cmdBubble"};
const char* const kKindHints[TGrafForm::KindCount] = {
    "Line",
    "Vertical Bar",
    "Horizental Bar",
    "Area",
    "Point",
    "Pie",
    "Fast Line (drawn as a plain line)",
    "Shape (drawn as square marks)",
    "Gantt (drawn as horizontal bars, each starting where the one before ends)",
    "Arrow (drawn as arrows from each point to the next)",
    "Bubble (drawn as circles sized by their values)"};
const char* const kKindGlyphs[TGrafForm::KindCount] = {"📈",  "📊", "☰", "◭", "∴", "◔",
                                                       "〰", "■", "▤", "➚", "◯"};
// What the window says under its buttons for the kinds drawn in another way.
const QString kRendering[TGrafForm::KindCount] = {
    QString(),
    QString(),
    QString(),
    QString(),
    QString(),
    QString(),
    QStringLiteral("نمايش به صورت خط ساده"),
    QStringLiteral("نمايش به صورت مربعهاي رنگي"),
    QStringLiteral("نمايش به صورت ميله هاي افقي پي در پي"),
    QStringLiteral("نمايش به صورت پيکان از هر نقطه به نقطه بعد"),
    QStringLiteral("نمايش به صورت دايره هايي به اندازه مقدار")};

// The series colours by kind (an invalid colour leaves Qt Charts' own).
QColor SeriesColour(int kind)
{
    switch (kind) {
    case TGrafForm::Line:
        return Qt::red;
    case TGrafForm::Bar:
        return Qt::green;
    case TGrafForm::HorizBar:
        return Qt::yellow;
    case TGrafForm::Area:
        return Qt::blue;
    case TGrafForm::Pie:
        return Qt::gray;
    case TGrafForm::FastLine:
        return Qt::magenta;
    case TGrafForm::Gantt:
        return QColor(0, 128, 128);
    case TGrafForm::Arrow:
        return QColor(0, 0, 128);
    default:
        return QColor();
    }
}

// Each point its own colour.
QColor PointColour(int index)
{
    static const QColor palette[] = {
        QColor(220, 20, 60),  QColor(34, 139, 34),  QColor(30, 144, 255), QColor(255, 165, 0),
        QColor(148, 0, 211),  QColor(0, 139, 139),  QColor(205, 92, 92),  QColor(154, 205, 50),
        QColor(70, 130, 180), QColor(218, 165, 32), QColor(199, 21, 133), QColor(105, 105, 105)};
    return palette[index % int(std::size(palette))];
}

DbConnection* HostConnection()
{
    return MyDatabase != nullptr ? MyDatabase->Connection : nullptr;
}

// A name as the caller wrote it when already quoted, quoted otherwise.
QString Identifier(const QString& name)
{
    const QString trimmed = name.trimmed();
    return trimmed.startsWith(QLatin1Char('"')) ? trimmed : SqlIdent(trimmed);
}

QString Unquoted(const QString& name)
{
    QString n = name.trimmed();
    if (n.size() >= 2 && n.startsWith(QLatin1Char('"')) && n.endsWith(QLatin1Char('"')))
        n = n.mid(1, n.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return n;
}

bool HasColumns(const Dialect& dialect, const QString& table, const QStringList& columns)
{
    const QStringList have = dialect.tableColumns(Unquoted(table));
    for (const QString& column : columns) {
        if (!have.contains(column, Qt::CaseInsensitive))
            return false;
    }
    return true;
}

bool IsText(const DataField* field)
{
    return field == nullptr || field->kind() == DataField::Kind::Text;
}

double Number(const QVariant& value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && std::isfinite(number) ? number : 0.0;
}

QPointer<TGrafForm>& Instance()
{
    static QPointer<TGrafForm> form;
    return form;
}

// Every report grid without a chart of its own draws it here; registered when the
// module is loaded.
const bool kRegistered = [] {
    TReportGrid::DefaultChart() = [](TReportGrid* report, const QString& kind) {
        TGrafForm::Open(report, kind);
    };
    return true;
}();

} // namespace

TGrafForm* TGrafForm::Current()
{
    return Instance();
}

TGrafForm* TGrafForm::Open(TReportGrid* report, const QString& mode)
{
    if (TGrafForm* form = Instance()) {
        form->fillScreen();
        form->raise();
        form->activateWindow();
        return form;
    }
    DbGrid* grid = report != nullptr ? report->grid() : nullptr;
    if (grid == nullptr || grid->dataSet() == nullptr || !grid->dataSet()->active() ||
        HostConnection() == nullptr)
        return nullptr;
    const bool horiz = mode.compare(QStringLiteral("HORIZ"), Qt::CaseInsensitive) == 0;
    const DataField* selected = grid->selectedField();
    if (horiz && IsText(selected))
        return nullptr;
    QWidget* owner = report->owner() != nullptr ? report->owner()->window() : nullptr;
    auto form = std::unique_ptr<TGrafForm>(
        new TGrafForm(report, horiz ? QStringLiteral("HORIZ") : QStringLiteral("VERT"), owner));
    if (horiz) {
        QString label = report->keyColumn();
        if (label.isEmpty() || grid->dataSet()->findField(label) == nullptr) {
            // A report without a key column labels its points by its first column.
            label = grid->columns().isEmpty() ? selected->fieldName()
                                              : grid->columns().constFirst().fieldName;
        }
        form->buildHoriz({label}, selected->fieldName());
    } else {
        form->buildVert();
    }
    form->loadPoints();
    form->selectSeries(Pie);
    Instance() = form.get();
    form->fillScreen();
    return form.release();
}

void TGrafForm::fillScreen()
{
    // Maximised also where no window manager maximises a window: it takes the
    // screen's free area itself.
    if (const QScreen* where = screen())
        setGeometry(where->availableGeometry());
    showMaximized();
}

TGrafForm::TGrafForm(TReportGrid* report, const QString& mode, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_report(report),
      m_grid(report->grid()), m_mode(mode)
{
    setObjectName(QStringLiteral("GrafForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kCaption);
    setLayoutDirection(Qt::RightToLeft);
    resize(760, 520);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The report window's caption, after sixteen spaces.
    Caption_Panel = new TCaptionPanel(this);
    // The report window is the window that owns the report grid (a task window inside
    // the host's main window), not the main window.
    QString caption;
    if (report->owner() != nullptr) {
        caption = report->owner()->windowTitle().trimmed().isEmpty()
                      ? report->owner()->window()->windowTitle()
                      : report->owner()->windowTitle();
    }
    Caption_Panel->setCaption(QString(16, QLatin1Char(' ')) + caption);
    sb_Closed = Caption_Panel->addCloseButton();
    sb_Minimized = Caption_Panel->addMinimiseButton();
    Close_Shape = Caption_Panel->shape(QStringLiteral("Close_Shape"));
    Min_Shape = Caption_Panel->shape(QStringLiteral("Min_Shape"));
    Caption_Panel->dragHandler = DragByCaption;
    connect(sb_Closed, &QToolButton::clicked, this, &QWidget::close);
    connect(sb_Minimized, &QToolButton::clicked, this, &QWidget::showMinimized);
    layout->addWidget(Caption_Panel);

    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    auto* buttons = new QHBoxLayout(bar);
    buttons->setContentsMargins(6, 4, 6, 4);
    buttons->setSpacing(2);
    const auto button = [&](const char* name, const QString& glyph, const QString& hint,
                            bool checkable) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(glyph);
        b->setToolTip(hint);
        b->setCheckable(checkable);
        b->setAutoRaise(true);
        b->setMinimumSize(30, 28);
        buttons->addWidget(b);
        return b;
    };
    for (int k = 0; k < KindCount; ++k) {
        cmdKind[k] = button(kKindNames[k], QString::fromUtf8(kKindGlyphs[k]),
                            QString::fromLatin1(kKindHints[k]), true);
        connect(cmdKind[k], &QToolButton::clicked, this, [this, k] { selectSeries(k); });
    }
    buttons->addSpacing(10);
    cmdZoomIn = button("cmdZoomIn", QStringLiteral("+"), QStringLiteral("Zoom In"), false);
    cmdZoomOut = button("cmdZoomOut", QStringLiteral("−"), QStringLiteral("Zoom Out"), false);
    cmdUndoZoom = button("cmdUndoZoom", QStringLiteral("⟲"), QStringLiteral("Reset Zoom"), false);
    cmd3D =
        button("cmd3D", QStringLiteral("3D"),
               QStringLiteral("Show 3D (Qt Charts has no 3D view: the chart stays flat)"), true);
    cmdPrint = button("cmdPrint", QStringLiteral("🖶"), QStringLiteral("Print"), false);
    cmdLegend =
        button("cmdLegend", QStringLiteral("☷"), QStringLiteral("Show / Hide Legend"), true);
    cmdShowHide =
        button("cmdShowHide", QStringLiteral("123"), QStringLiteral("Show / Hide Marks"), true);
    cmdColumns = button("cmdColumns", QStringLiteral("▥"), QStringLiteral("Columns"), false);
    cmdSavePng = button("cmdSavePng", QStringLiteral("PNG"),
                        QStringLiteral("ذخيره نمودار در فايل PNG"), false);
    cmdSavePdf = button("cmdSavePdf", QStringLiteral("PDF"),
                        QStringLiteral("ذخيره نمودار در فايل PDF"), false);
    cmdLegend->setChecked(true);
    cmdShowHide->setChecked(true);
    buttons->addStretch(1);
    layout->addWidget(bar);
    lblRendering = new QLabel(this);
    lblRendering->setObjectName(QStringLiteral("lblRendering"));
    lblRendering->setContentsMargins(10, 0, 10, 4);
    lblRendering->hide();
    layout->addWidget(lblRendering);

    connect(cmdZoomIn, &QToolButton::clicked, this, &TGrafForm::cmdZoomInClick);
    connect(cmdZoomOut, &QToolButton::clicked, this, &TGrafForm::cmdZoomOutClick);
    connect(cmdUndoZoom, &QToolButton::clicked, this, &TGrafForm::cmdUndoZoomClick);
    connect(cmdPrint, &QToolButton::clicked, this, &TGrafForm::cmdPrintClick);
    connect(cmdColumns, &QToolButton::clicked, this, &TGrafForm::cmdColumnsClick);
    connect(cmdSavePng, &QToolButton::clicked, this, &TGrafForm::cmdSavePngClick);
    connect(cmdSavePdf, &QToolButton::clicked, this, &TGrafForm::cmdSavePdfClick);
    connect(cmdLegend, &QToolButton::toggled, this,
            [this](bool on) { chart()->legend()->setVisible(on); });
    connect(cmdShowHide, &QToolButton::toggled, this, [this] { applyMarks(); });

    auto* chart = new QChart;
    QLinearGradient background(0, 0, 0, 1);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0, QColor(255, 255, 255));
    background.setColorAt(1, QColor(176, 196, 222));
    chart->setBackgroundBrush(background);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->setTitle(caption);
    chart->setLocalizeNumbers(false);
    ChartView = new QChartView(chart, this);
    ChartView->setObjectName(QStringLiteral("DBChart1"));
    ChartView->setAccessibleName(caption);
    ChartView->setRenderHint(QPainter::Antialiasing);
    ChartView->setLayoutDirection(Qt::LeftToRight);
    ChartView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ChartView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    applyZoom();
    connect(chart, &QChart::plotAreaChanged, this, [this] {
        applyMarks();
        applyArrowHeads();
    });
    layout->addWidget(ChartView, 1);
}

TGrafForm::~TGrafForm()
{
    chart()->disconnect(this);
    if (Instance() == this)
        Instance() = nullptr;
    // The chart table is the window's own.
    try {
        if (!m_table.isEmpty())
            DropTempTable(m_table);
    } catch (const std::exception&) {
        // The connection may be gone with the host; the temporary table goes with it.
    }
}

QChart* TGrafForm::chart() const
{
    return ChartView->chart();
}

QAbstractSeries* TGrafForm::activeSeries() const
{
    const QList<QAbstractSeries*> series = chart()->series();
    return series.isEmpty() ? nullptr : series.constLast();
}

// The chart table's name: the report's work table + "_Horiz" or "_Vert"; a report
// over a plain statement lends the module's temporary stem.
static QString ChartTableName(const TReportGrid* report, const QString& mode)
{
    QString stem = report != nullptr ? Unquoted(report->tableName()) : QString();
    if (stem.isEmpty())
        stem = (Global != nullptr ? Global->TempStem : QString()) + QStringLiteral("Graf");
    if (!stem.startsWith(QStringLiteral("##")))
        stem.prepend(QStringLiteral("##"));
    return stem +
           (mode == QStringLiteral("HORIZ") ? QStringLiteral("_Horiz") : QStringLiteral("_Vert"));
}

void TGrafForm::buildHoriz(const QStringList& labelFields, const QString& dataField)
{
    DbConnection* connection = HostConnection();
    DataSet* data = m_grid ? m_grid->dataSet() : nullptr;
    if (connection == nullptr || data == nullptr)
        return;
    const Dialect& dialect = connection->dialect();
    m_labelFields = labelFields;
    m_dataField = dataField;
    if (!m_table.isEmpty())
        DropTempTable(m_table);
    m_table = ChartTableName(m_report, QStringLiteral("HORIZ"));
    DropTempTable(m_table);
    const QString source = m_report ? m_report->filledTable() : QString();
    if (!source.isEmpty() && labelFields.size() == 1 &&
        HasColumns(dialect, source, {labelFields.constFirst(), dataField})) {
        // Straight from the work table, with the types of its two columns.
        connection->execute(dialect.createTempTable(m_table) + QStringLiteral(" AS Select ") +
                            SqlIdent(labelFields.constFirst()) + QStringLiteral(" As XLabel, ") +
                            SqlIdent(dataField) + QStringLiteral(" As XData From ") +
                            Identifier(source));
        return;
    }
    // A report over a plain statement (or columns the work table does not hold): the
    // rows the grid shows.
    connection->execute(dialect.createTempTable(m_table) +
                        QStringLiteral(" (XLabel VARCHAR(100), XData FLOAT)"));
    QList<int> labels;
    for (const QString& name : labelFields) {
        if (const DataField* field = data->findField(name))
            labels << field->index();
    }
    const DataField* value = data->findField(dataField);
    if (value == nullptr)
        return;
    const QString insert = QStringLiteral("Insert Into ") + SqlIdent(m_table) +
                           QStringLiteral(" (XLabel, XData) Values (?, ?)");
    Transaction transaction(*connection);
    const int rows = data->recordCount();
    for (int row = 0; row < rows; ++row) {
        QStringList texts;
        for (int field : labels)
            texts << data->value(row, field).toString().trimmed();
        connection->execute(insert, {texts.join(QStringLiteral(" - ")).left(100),
                                     Number(data->value(row, value->index()))});
    }
    transaction.commit();
}

void TGrafForm::buildVert()
{
    DbConnection* connection = HostConnection();
    DataSet* data = m_grid ? m_grid->dataSet() : nullptr;
    if (connection == nullptr || data == nullptr)
        return;
    const Dialect& dialect = connection->dialect();
    m_table = ChartTableName(m_report, QStringLiteral("VERT"));
    DropTempTable(m_table);
    connection->execute(dialect.createTempTable(m_table) +
                        QStringLiteral(" (XLabel VARCHAR(100), XData FLOAT)"));
    // The current row's visible numeric columns, in grid order: title and value, both
    // bound (a title may hold any character).
    const QString insert = QStringLiteral("Insert Into ") + SqlIdent(m_table) +
                           QStringLiteral(" (XLabel, XData) Values (?, ?)");
    Transaction transaction(*connection);
    for (const DbGridColumn& column : m_grid->columns()) {
        const DataField* field = data->findField(column.fieldName);
        if (!column.visible || IsText(field))
            continue;
        connection->execute(insert, {column.title.left(100), Number(field->value())});
    }
    transaction.commit();
}

void TGrafForm::loadPoints()
{
    m_points.clear();
    DbConnection* connection = HostConnection();
    if (connection == nullptr || m_table.isEmpty())
        return;
    DataSet query(connection);
    query.open(QStringLiteral("Select * From ") + SqlIdent(m_table));
    const int rows = query.recordCount();
    for (int row = 0; row < rows; ++row)
        m_points.append({query.value(row, 0).toString().trimmed(), Number(query.value(row, 1))});
}

void TGrafForm::rebuild(const QStringList& labelFields, const QString& dataField)
{
    if (!m_grid || m_grid->dataSet() == nullptr || !m_grid->dataSet()->active())
        return;
    m_mode = QStringLiteral("HORIZ");
    buildHoriz(labelFields, dataField);
    loadPoints();
    selectSeries(m_kind < 0 ? int(Pie) : m_kind);
}

void TGrafForm::selectSeries(int kind)
{
    if (kind < 0 || kind >= KindCount)
        return;
    m_kind = kind;
    for (int k = 0; k < KindCount; ++k)
        cmdKind[k]->setChecked(k == kind);
    lblRendering->setText(kRendering[kind]);
    lblRendering->setVisible(!kRendering[kind].isEmpty());

    QChart* c = chart();
    // The chart deletes the series it removes; an axis it removes is given back.
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes()) {
        c->removeAxis(axis);
        delete axis;
    }

    QStringList labels;
    double low = 0;
    double high = 0;
    for (const ChartPoint& p : std::as_const(m_points)) {
        labels << p.label;
        low = std::min(low, p.value);
        high = std::max(high, p.value);
    }
    const QColor colour = SeriesColour(kind);
    const QString name = m_dataField.isEmpty() ? QStringLiteral("XData") : m_dataField;

    // Category labels along one side, values along the other.
    const auto axes = [&](QAbstractSeries* series, bool horizontal) {
        auto* categories = new QBarCategoryAxis;
        categories->append(labels);
        auto* values = new QValueAxis;
        values->setRange(low, high > low ? high : low + 1);
        values->applyNiceNumbers();
        values->setLabelFormat(QStringLiteral("%.15g"));
        c->addAxis(categories, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
        c->addAxis(values, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
        for (QAbstractSeries* each : c->series()) {
            each->attachAxis(categories);
            each->attachAxis(values);
        }
        Q_UNUSED(series);
    };
    const auto coloured = [&](QXYSeries* series) {
        for (int i = 0; i < m_points.size(); ++i)
            series->setPointConfiguration(i, QXYSeries::PointConfiguration::Color, PointColour(i));
    };
    const auto xy = [&](QXYSeries* series) {
        series->setName(name);
        for (int i = 0; i < m_points.size(); ++i)
            series->append(i, m_points.at(i).value);
        return series;
    };

    switch (kind) {
    case Line:
    case FastLine:
    case Arrow: {
        auto* series = static_cast<QLineSeries*>(xy(new QLineSeries));
        series->setColor(colour);
        QPen pen = series->pen();
        pen.setWidth(kind == FastLine ? 1 : 2);
        series->setPen(pen);
        if (kind != FastLine) {
            series->setPointsVisible(true);
            series->setMarkerSize(kind == Arrow ? 12 : 8);
            coloured(series);
        }
        c->addSeries(series);
        axes(series, false);
        break;
    }
    case Area: {
        auto* upper = new QLineSeries;
        for (int i = 0; i < m_points.size(); ++i)
            upper->append(i, m_points.at(i).value);
        auto* series = new QAreaSeries(upper);
        // The area does not own its line; it goes with the area.
        upper->setParent(series);
        series->setName(name);
        series->setColor(colour);
        series->setBorderColor(colour.darker());
        c->addSeries(series);
        axes(series, false);
        break;
    }
    case Point:
    case Shape: {
        auto* series = static_cast<QScatterSeries*>(xy(new QScatterSeries));
        series->setMarkerShape(kind == Shape ? QScatterSeries::MarkerShapeRectangle
                                             : QScatterSeries::MarkerShapeCircle);
        series->setMarkerSize(kind == Shape ? 18 : 12);
        coloured(series);
        c->addSeries(series);
        axes(series, false);
        break;
    }
    case Bubble: {
        // One circle per point, its area following the value; named by its label.
        const double largest = std::max(std::abs(low), std::abs(high));
        QScatterSeries* last = nullptr;
        for (int i = 0; i < m_points.size(); ++i) {
            const ChartPoint& p = m_points.at(i);
            const double share = largest > 0 ? std::abs(p.value) / largest : 0;
            last = new QScatterSeries;
            last->setName(p.label);
            last->append(i, p.value);
            last->setMarkerShape(QScatterSeries::MarkerShapeCircle);
            last->setMarkerSize(8 + 40 * std::sqrt(share));
            QColor fill = PointColour(i);
            fill.setAlpha(190);
            last->setColor(fill);
            c->addSeries(last);
        }
        if (last != nullptr)
            axes(last, false);
        break;
    }
    case Bar:
    case HorizBar: {
        auto* set = new QBarSet(name);
        set->setColor(colour);
        for (const ChartPoint& p : std::as_const(m_points))
            set->append(p.value);
        QAbstractBarSeries* series =
            kind == Bar ? static_cast<QAbstractBarSeries*>(new QBarSeries)
                        : static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries);
        series->append(set);
        series->setBarWidth(0.2);
        c->addSeries(series);
        axes(series, kind == HorizBar);
        break;
    }
    case Gantt: {
        // Each point a bar of its size, starting where the one before ended.
        auto* offset = new QBarSet(QString());
        offset->setColor(Qt::transparent);
        offset->setBorderColor(Qt::transparent);
        auto* span = new QBarSet(name);
        span->setColor(colour);
        double start = 0;
        for (const ChartPoint& p : std::as_const(m_points)) {
            offset->append(start);
            span->append(std::abs(p.value));
            start += std::abs(p.value);
        }
        auto* series = new QHorizontalStackedBarSeries;
        series->append(offset);
        series->append(span);
        series->setBarWidth(0.6);
        c->addSeries(series);
        low = 0;
        high = start;
        axes(series, true);
        c->legend()->markers(series).constFirst()->setVisible(false);
        break;
    }
    case Pie: {
        auto* series = new QPieSeries;
        series->setName(name);
        for (int i = 0; i < m_points.size(); ++i) {
            const ChartPoint& p = m_points.at(i);
            // A slice has no negative size: such points stay out of the pie.
            if (p.value <= 0)
                continue;
            QPieSlice* slice = series->append(p.label, p.value);
            slice->setProperty("xlabel", p.label);
            slice->setColor(PointColour(i));
            slice->setBorderColor(SeriesColour(Pie));
        }
        c->addSeries(series);
        break;
    }
    default:
        break;
    }
    c->legend()->setVisible(cmdLegend->isChecked());
    applyMarks();
    applyArrowHeads();
}

// The arrow kind: the line from each point to the next ends in a head just short of
// the next point's marker, pointing at it. The heads are laid over the plot like the
// marks and placed again whenever it moves; a segment too short to hold one (two
// points drawn on the same spot) has none.
void TGrafForm::applyArrowHeads()
{
    qDeleteAll(m_arrowHeads);
    m_arrowHeads.clear();
    auto* series = qobject_cast<QLineSeries*>(activeSeries());
    if (m_kind != Arrow || series == nullptr)
        return;
    constexpr double kHeadLength = 14;
    constexpr double kHalfWidth = 5;
    // The marker is drawn wider than its nominal size: the tip stops at its edge.
    const double gap = series->markerSize();
    const QColor colour = SeriesColour(Arrow);
    for (int i = 1; i < m_points.size(); ++i) {
        const QPointF from =
            chart()->mapToPosition(QPointF(i - 1, m_points.at(i - 1).value), series);
        const QPointF to = chart()->mapToPosition(QPointF(i, m_points.at(i).value), series);
        // From the next point back along the segment.
        QLineF back(to, from);
        if (back.length() < gap + kHeadLength)
            continue;
        back.setLength(gap);
        const QPointF tip = back.p2();
        QLineF shaft(tip, from);
        shaft.setLength(kHeadLength);
        QLineF side = shaft.normalVector();
        side.setLength(kHalfWidth);
        const QPointF across = side.p2() - side.p1();
        const QPolygonF head{tip, shaft.p2() + across, shaft.p2() - across};
        QPainterPath path;
        path.addPolygon(head);
        path.closeSubpath();
        auto* item = new QGraphicsPathItem(path, chart());
        item->setBrush(colour);
        item->setPen(QPen(colour, 1));
        item->setZValue(9);
        m_arrowHeads << item;
    }
}

QList<QPolygonF> TGrafForm::arrowHeads() const
{
    QList<QPolygonF> heads;
    for (const QGraphicsPathItem* item : m_arrowHeads) {
        const QList<QPolygonF> shapes = item->path().toSubpathPolygons();
        if (!shapes.isEmpty())
            heads << shapes.constFirst();
    }
    return heads;
}

// Marks of the active series: each point's label with its value, or with its share
// of the whole for the vertical bars and the pie. The pie draws its own; the marks
// of the others are texts laid over the plot, placed again whenever it moves.
void TGrafForm::applyMarks()
{
    qDeleteAll(m_marks);
    m_marks.clear();
    const bool on = cmdShowHide->isChecked();
    QAbstractSeries* series = activeSeries();
    if (auto* pie = qobject_cast<QPieSeries*>(series)) {
        for (QPieSlice* slice : pie->slices()) {
            slice->setLabel(
                slice->property("xlabel").toString() + QStringLiteral(": ") +
                DataField::FormatNumber(slice->value(), kNumberFormat) + QStringLiteral(" (") +
                QString::number(slice->percentage() * 100, 'f', 1) + QStringLiteral("%)"));
            slice->setLabelVisible(on);
        }
        return;
    }
    if (!on || series == nullptr)
        return;
    double total = 0;
    for (const ChartPoint& p : std::as_const(m_points))
        total += std::abs(p.value);
    const bool horizontal = m_kind == HorizBar || m_kind == Gantt;
    double start = 0;
    for (int i = 0; i < m_points.size(); ++i) {
        const ChartPoint& p = m_points.at(i);
        QString text = p.label + QStringLiteral(": ");
        if (m_kind == Bar)
            text += QString::number(total > 0 ? 100 * std::abs(p.value) / total : 0, 'f', 1) +
                    QLatin1Char('%');
        else
            text += DataField::FormatNumber(p.value, kNumberFormat);
        QPointF anchor = horizontal ? QPointF(p.value, i) : QPointF(i, p.value);
        if (m_kind == Gantt) {
            start += std::abs(p.value);
            anchor = QPointF(start, i);
        }
        const QPointF at = chart()->mapToPosition(anchor, series);
        auto* mark = new QGraphicsSimpleTextItem(text, chart());
        mark->setZValue(10);
        const QRectF box = mark->boundingRect();
        mark->setPos(horizontal ? at + QPointF(4, -box.height() / 2)
                                : at - QPointF(box.width() / 2, box.height() + 4));
        m_marks << mark;
    }
}

QStringList TGrafForm::marks() const
{
    QStringList texts;
    if (auto* pie = qobject_cast<QPieSeries*>(activeSeries())) {
        for (const QPieSlice* slice : pie->slices()) {
            if (slice->isLabelVisible())
                texts << slice->label();
        }
    }
    for (const QGraphicsSimpleTextItem* mark : m_marks)
        texts << mark->text();
    return texts;
}

// The zoom scales the whole picture about its middle, whatever the kind.
void TGrafForm::applyZoom()
{
    ChartView->setTransform(QTransform::fromScale(m_zoom / 100.0, m_zoom / 100.0));
}

void TGrafForm::cmdZoomInClick()
{
    m_zoom += 5;
    applyZoom();
}

void TGrafForm::cmdZoomOutClick()
{
    // The view never turns inside out.
    if (m_zoom > 5)
        m_zoom -= 5;
    applyZoom();
}

void TGrafForm::cmdUndoZoomClick()
{
    m_zoom = 100;
    applyZoom();
}

void TGrafForm::cmdPrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("ChartPreview"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        QPainter painter(target);
        ChartView->render(&painter, painter.viewport(), ChartView->viewport()->rect());
    });
    preview.exec();
}

void TGrafForm::cmdColumnsClick()
{
    if (!m_grid)
        return;
    TGrafColSetForm dialog(m_grid, m_labelFields, m_dataField, this);
    if (dialog.exec() != QDialog::Accepted || dialog.dataField().isEmpty())
        return;
    try {
        rebuild(dialog.labelFields(), dialog.dataField());
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
}

QString TGrafForm::saveFileName(const QString& filter, const QString& suffix)
{
    // Proposed in the last export folder, named after the report.
    const QString name = m_grid != nullptr ? ExportName(m_grid) : QStringLiteral("Chart");
    return AskSavePath(this, kCaption, name + QLatin1Char('.') + suffix, filter);
}

void TGrafForm::cmdSavePngClick()
{
    const QString path = saveFileName(QStringLiteral("تصوير PNG (*.png)"), QStringLiteral("png"));
    if (!path.isEmpty())
        saveAs(path, &TGrafForm::saveImage);
}

void TGrafForm::cmdSavePdfClick()
{
    const QString path = saveFileName(QStringLiteral("فايل PDF (*.pdf)"), QStringLiteral("pdf"));
    if (!path.isEmpty())
        saveAs(path, &TGrafForm::savePdf);
}

// Written under a temporary name beside the file and put in place when whole.
void TGrafForm::saveAs(const QString& path, bool (TGrafForm::*write)(const QString&) const)
{
    TPendingFile pending(path);
    if (!pending.ok()) {
        ShowMessageDlg(pending.failureText(), QString(), QStringLiteral("1ER"));
        return;
    }
    if (!(this->*write)(pending.workPath()) || !pending.commit())
        ShowMessageDlg(kSaveFailed + QStringLiteral(":\n") + pending.failureText(), QString(),
                       QStringLiteral("1ER"));
}

bool TGrafForm::saveImage(const QString& path) const
{
    return ChartView->grab().save(path, "PNG");
}

bool TGrafForm::savePdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setTitle(kCaption);
    writer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    ChartView->render(&painter, QRectF(painter.viewport()), ChartView->viewport()->rect());
    return painter.end();
}

void TGrafForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    layoutFrame();
}

void TGrafForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutFrame();
}

void TGrafForm::layoutFrame()
{
    LayoutWindowFrame(false, this, Close_Shape, Min_Shape, nullptr, nullptr, sb_Closed,
                      sb_Minimized, nullptr, nullptr);
}

void TGrafForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
