// The chart window of the report grids on the demo company: the chart tables made
// from a report's work table or from its rows, the one window reused while open, the
// series kinds over the same points, zoom, the column dialog and the saved files.

#include "chartsteps.h"
#include "demohost.h"
#include "grafcolsetunit.h"
#include "reportgrid.h"
#include "sqlcheck.h"
#include "tempgrid.h"
#include "testmain.h"
#include "uitest.h"

#include <QtCharts>
#include <QtWidgets>

namespace {

const QString kQuotedTitle = QStringLiteral("تعداد 'كل' \"O'Neil\"");

// What the active series draws: one "label=value" per bar, slice or point (points of
// a line or scatter series take their label from the category axis).
QStringList Drawn(const TGrafForm* form)
{
    QStringList drawn;
    QAbstractSeries* series = form->activeSeries();
    QStringList categories;
    for (QAbstractAxis* axis : form->chart()->axes()) {
        if (auto* c = qobject_cast<QBarCategoryAxis*>(axis))
            categories = c->categories();
    }
    if (auto* pie = qobject_cast<QPieSeries*>(series)) {
        for (QPieSlice* s : pie->slices())
            drawn << s->property("xlabel").toString() + "=" + QString::number(s->value(), 'g', 12);
    } else if (auto* bars = qobject_cast<QAbstractBarSeries*>(series)) {
        QBarSet* set = bars->barSets().constLast();
        for (int i = 0; i < set->count(); ++i)
            drawn << categories.value(i) + "=" + QString::number(set->at(i), 'g', 12);
    } else if (auto* area = qobject_cast<QAreaSeries*>(series)) {
        for (const QPointF& p : area->upperSeries()->points())
            drawn << categories.value(int(p.x())) + "=" + QString::number(p.y(), 'g', 12);
    } else if (qobject_cast<QXYSeries*>(series) != nullptr) {
        // A bubble chart draws each point as a series of its own.
        for (QAbstractSeries* each : form->chart()->series())
            for (const QPointF& p : qobject_cast<QXYSeries*>(each)->points())
                drawn << categories.value(int(p.x())) + "=" + QString::number(p.y(), 'g', 12);
    }
    return drawn;
}

} // namespace

class TestCharts : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    std::unique_ptr<QWidget> m_owner;
    DbGrid* m_grid = nullptr;
    std::unique_ptr<DataSet> m_data;
    TReportGrid* m_report = nullptr;

private slots:
    void initTestCase() { m_host = std::make_unique<DemoHost>(10); }
    void cleanupTestCase() { m_host.reset(); }

    // A report of three rows over a work table: code, a hidden amount, description, an
    // amount (one NULL) and a count whose title holds quotes.
    void init()
    {
        const Dialect& dialect = m_host->db().dialect();
        dialect.dropTempTable("##TCH");
        QVERIFY_SQL(m_host->exec(dialect.createTempTable("##TCH") +
                                 " (DaraCod VARCHAR(6), Hidden FLOAT, Sharh VARCHAR(100), "
                                 "Mablag FLOAT, Tedad INTEGER)"));
        QVERIFY_SQL(m_host->exec("Insert Into \"##TCH\" Values (' 101', 9, 'پيچ', 1500000, 3), "
                                 "(' 102', 9, 'مهره O''Neil', 250000.5, 12), "
                                 "(' 103', 9, 'كتاب', NULL, 7)"));
        m_owner = std::make_unique<QWidget>();
        m_owner->setWindowTitle("گزارش آزمايشي");
        m_owner->resize(700, 400);
        m_grid = new DbGrid(m_owner.get());
        m_grid->setGeometry(10, 10, 650, 250);
        m_data = std::make_unique<DataSet>(&m_host->db());
        m_data->open("Select * From \"##TCH\" Order By DaraCod");
        m_grid->setDataSet(m_data.get());
        DbGridColumn hidden = DbGridColumn::Make("Hidden", "پنهان", 40);
        hidden.visible = false;
        m_grid->setColumns({DbGridColumn::Make("DaraCod", "كد", 60), hidden,
                            DbGridColumn::Make("Sharh", "شرح", 120),
                            DbGridColumn::Make("Mablag", "مبلغ", 120),
                            DbGridColumn::Make("Tedad", kQuotedTitle, 120)});
        m_report = new TReportGrid(m_grid, m_owner.get());
        m_report->setTableName("##TCH");
        m_report->setKeyColumn("DaraCod");
        m_owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
    }
    void cleanup()
    {
        CloseChart();
        m_owner.reset();
        m_data.reset();
    }

    // HORIZ from the menu over the work table: the key column labels the selected
    // column's values; a second clerk's connection neither sees the chart table nor
    // is hindered from making his own. A second request only brings the chart forward.
    void columnChartOverTheWorkTable()
    {
        TGrafForm* form = ChartFromCell(m_grid, m_report, 0, 3);
        QVERIFY(form);
        QTRY_VERIFY(form->isVisible());
        const ChartPoints expected{{"101", 1500000}, {"102", 250000.5}, {"103", 0}};
        QCOMPARE(ShownChartPoints(), expected);
        // The pie first; a slice has no size for the NULL amount.
        QCOMPARE(form->kind(), int(TGrafForm::Pie));
        QCOMPARE(Drawn(form), QStringList({"101=1500000", "102=250000.5"}));
        // The chart table is a table of the engine, typed from the work table.
        QCOMPARE(m_host->scalar("Select Count(*) From \"##TCH_Horiz\" Where XData > 1000"), "2");

        {
            std::unique_ptr<DbConnection> other = m_host->openAgain();
            QVERIFY(other && other->isOpen());
            QVERIFY(!other->dialect().tempObjectExists("##TCH_Horiz"));
            other->execute(other->dialect().createTempTable("##TCH_Horiz") +
                           " (XLabel VARCHAR(100), XData FLOAT)");
            other->execute("Insert Into \"##TCH_Horiz\" (XLabel, XData) Values (?, ?)", {"x", 1.0});
            other->dialect().dropTempTable("##TCH_Horiz");
        }
        QCOMPARE(m_host->scalar("Select Count(*) From \"##TCH_Horiz\""), "3");

        // Another column, another request: the same window, the same chart.
        m_owner->activateWindow();
        QCOMPARE(ChartFromCell(m_grid, m_report, 1, 4), form);
        QCOMPARE(ShownChartPoints(), expected);
        QCOMPARE(ChartFromCell(m_grid, m_report, 1, 4, "RowChartItem"), form);
        QCOMPARE(ShownChartPoints(), expected); // still the column chart

        // Closing frees the window and its chart table.
        CloseChart();
        QVERIFY(!TempObjectExists("##TCH_Horiz"));

        // On a text column the item opens nothing.
        const QPoint text = m_grid->visualRect(m_grid->model()->index(0, 2)).center();
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, text);
        QVERIFY(ClickMenuItem(m_grid->viewport(), text, m_report->Menu(),
                              m_report->item("ColumnChartItem")));
        QVERIFY(TGrafForm::Current() == nullptr);
        QVERIFY(!TempObjectExists("##TCH_Horiz"));
    }

    // VERT: the current row's visible numeric columns by title (a title with quotes
    // stays whole); a row of only text columns gives an empty chart.
    void rowChart()
    {
        QVERIFY(ChartFromCell(m_grid, m_report, 1, 0, "RowChartItem"));
        QCOMPARE(ShownChartPoints(), ChartPoints({{"مبلغ", 250000.5}, {kQuotedTitle, 12}}));
        CloseChart();

        m_grid->column(3).visible = false;
        m_grid->column(4).visible = false;
        m_grid->applyColumns();
        QVERIFY(ChartFromCell(m_grid, m_report, 0, 0, "RowChartItem"));
        QVERIFY(TGrafForm::Current()->points().isEmpty());
        QVERIFY(Drawn(TGrafForm::Current()).isEmpty());
        QCOMPARE(m_host->scalar("Select Count(*) From \"##TCH_Vert\""), "0");
    }

    // Every kind draws the same points; zoom in three times from 102 is 117 and the
    // view follows it; reset is 100. A legend hidden stays hidden for another kind.
    void kindsZoomAndDownStates()
    {
        TGrafForm* form = ChartFromCell(m_grid, m_report, 0, 3);
        QVERIFY(form);
        const QStringList all{"101=1500000", "102=250000.5", "103=0"};
        const QList<QPair<int, const char*>> kinds{{TGrafForm::Line, "QLineSeries"},
                                                   {TGrafForm::Bar, "QBarSeries"},
                                                   {TGrafForm::HorizBar, "QHorizontalBarSeries"},
                                                   {TGrafForm::Area, "QAreaSeries"},
                                                   {TGrafForm::Point, "QScatterSeries"},
                                                   {TGrafForm::FastLine, "QLineSeries"},
                                                   {TGrafForm::Shape, "QScatterSeries"},
                                                   {TGrafForm::Arrow, "QLineSeries"},
                                                   {TGrafForm::Bubble, "QScatterSeries"},
                                                   {TGrafForm::Pie, "QPieSeries"}};
        for (const auto& [kind, className] : kinds) {
            QTest::mouseClick(form->cmdKind[kind], Qt::LeftButton);
            QCOMPARE(form->chart()->series().size(), kind == TGrafForm::Bubble ? 3 : 1);
            QCOMPARE(form->activeSeries()->metaObject()->className(), className);
            QVERIFY(form->cmdKind[kind]->isChecked());
            if (kind != TGrafForm::Pie)
                QCOMPARE(Drawn(form), all);
        }
        // Gantt: each bar starts where the one before ended.
        QTest::mouseClick(form->cmdKind[TGrafForm::Gantt], Qt::LeftButton);
        auto* gantt = qobject_cast<QHorizontalStackedBarSeries*>(form->activeSeries());
        QVERIFY(gantt != nullptr);
        QCOMPARE(gantt->barSets().constFirst()->at(1), 1500000.0);
        QCOMPARE(Drawn(form), all);
        // Bubbles: the larger the value, the larger the circle.
        QTest::mouseClick(form->cmdKind[TGrafForm::Bubble], Qt::LeftButton);
        const QList<QAbstractSeries*> bubbles = form->chart()->series();
        QVERIFY(qobject_cast<QScatterSeries*>(bubbles.at(0))->markerSize() >
                qobject_cast<QScatterSeries*>(bubbles.at(1))->markerSize());
        QCOMPARE(bubbles.at(1)->name(), QStringLiteral("102"));
        // Arrows: a head on the segment from each point to the next, pointing at it.
        QTest::mouseClick(form->cmdKind[TGrafForm::Arrow], Qt::LeftButton);
        QCoreApplication::processEvents();
        const QList<QPolygonF> heads = form->arrowHeads();
        QCOMPARE(heads.size(), 2);
        for (int i = 0; i < heads.size(); ++i) {
            const auto at = [form](int p) {
                return form->chart()->mapToPosition(QPointF(p, form->points().at(p).value),
                                                    form->activeSeries());
            };
            const QPointF tip = heads.at(i).at(0);
            const QPointF back = (heads.at(i).at(1) + heads.at(i).at(2)) / 2;
            const double marker = qobject_cast<QLineSeries*>(form->activeSeries())->markerSize();
            QVERIFY(QLineF(tip, at(i + 1)).length() <= marker + 1);
            QVERIFY(QLineF(back, at(i + 1)).length() > QLineF(tip, at(i + 1)).length() + 10);
            QVERIFY(QLineF(back, at(i)).length() < QLineF(tip, at(i)).length());
        }
        QTest::mouseClick(form->cmdKind[TGrafForm::Line], Qt::LeftButton);
        QVERIFY(form->arrowHeads().isEmpty());

        // Marks: label and value, the share of the whole on vertical bars.
        QTest::mouseClick(form->cmdKind[TGrafForm::Bar], Qt::LeftButton);
        QCOMPARE(form->marks(), QStringList({"101: 85.7%", "102: 14.3%", "103: 0.0%"}));
        QTest::mouseClick(form->cmdShowHide, Qt::LeftButton);
        QVERIFY(form->marks().isEmpty());
        QTest::mouseClick(form->cmdKind[TGrafForm::Pie], Qt::LeftButton);
        QVERIFY(form->marks().isEmpty());
        QTest::mouseClick(form->cmdShowHide, Qt::LeftButton);
        QCOMPARE(form->marks(), QStringList({"101: 1,500,000 (85.7%)", "102: 250,000.5 (14.3%)"}));
        QTest::mouseClick(form->cmdKind[TGrafForm::Line], Qt::LeftButton);
        QCOMPARE(form->marks(), QStringList({"101: 1,500,000", "102: 250,000.5", "103: 0"}));

        // The zoom scales the view.
        QCOMPARE(form->zoom(), 102);
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(form->cmdZoomIn, Qt::LeftButton);
        QCOMPARE(form->zoom(), 117);
        QCOMPARE(form->ChartView->transform().m11(), 1.17);
        QTest::mouseClick(form->cmdZoomOut, Qt::LeftButton);
        QCOMPARE(form->zoom(), 112);
        QTest::mouseClick(form->cmdUndoZoom, Qt::LeftButton);
        QCOMPARE(form->zoom(), 100);
        QCOMPARE(form->ChartView->transform().m22(), 1.0);

        QTest::mouseClick(form->cmdLegend, Qt::LeftButton);
        QVERIFY(!form->chart()->legend()->isVisible());
        QTest::mouseClick(form->cmdKind[TGrafForm::Area], Qt::LeftButton);
        QVERIFY(!form->chart()->legend()->isVisible());
    }

    // The column dialog: two label columns moved across (double-click, ">"), the count
    // chosen by keys as the data column; OK rebuilds the chart from the report's rows.
    // Cancel changes nothing. The chart is saved as an image and as a document.
    void columnDialogRebuilds()
    {
        TGrafForm* form = ChartFromCell(m_grid, m_report, 0, 3);
        QVERIFY(form);
        const ChartPoints before = ShownChartPoints();
        WhenModal<TGrafColSetForm>([](TGrafColSetForm* d) {
            // A failed check leaves the dialog: it must not stay open.
            const auto close = qScopeGuard([d] { d->reject(); });
            QTest::mouseClick(d->cmdRemoveAll, Qt::LeftButton);
            QCOMPARE(d->lbxLabelColumns->count(), 0);
            QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
        });
        QTest::mouseClick(form->cmdColumns, Qt::LeftButton);
        QCOMPARE(ShownChartPoints(), before);

        WhenModal<TGrafColSetForm>([](TGrafColSetForm* d) {
            const auto close = qScopeGuard([d] {
                if (d->isVisible())
                    d->reject();
            });
            // DaraCod stands on the label side already.
            QCOMPARE(d->lbxLabelColumns->count(), 1);
            QListWidgetItem* sharh = d->lbxAllColumns->findItems("شرح", Qt::MatchExactly).value(0);
            QVERIFY(sharh != nullptr);
            const QRect at = d->lbxAllColumns->visualItemRect(sharh);
            QTest::mouseClick(d->lbxAllColumns->viewport(), Qt::LeftButton, {}, at.center());
            QTest::mouseDClick(d->lbxAllColumns->viewport(), Qt::LeftButton, {}, at.center());
            QCOMPARE(d->lbxLabelColumns->count(), 2);
            // Only numeric columns can be charted.
            QCOMPARE(d->cbDataColumn->count(), 3);
            d->cbDataColumn->setFocus();
            QTest::keyClick(d->cbDataColumn, Qt::Key_End);
            QCOMPARE(d->dataField(), QStringLiteral("Tedad"));
            QTest::keyClick(d->cmdOk, Qt::Key_Space);
        });
        QTest::mouseClick(form->cmdColumns, Qt::LeftButton);
        QCOMPARE(TGrafForm::Current(), form);
        QCOMPARE(ShownChartPoints(),
                 ChartPoints({{"101 - پيچ", 3}, {"102 - مهره O'Neil", 12}, {"103 - كتاب", 7}}));
        QCOMPARE(form->kind(), int(TGrafForm::Pie));

        // The chart saved as an image and as a document through the file dialog.
        QTest::mouseClick(form->cmdKind[TGrafForm::Bar], Qt::LeftButton);
        QTemporaryDir folder;
        const auto save = [&](QToolButton* button, const QString& name) {
            ChooseFile(folder.filePath(name));
            QTest::mouseClick(button, Qt::LeftButton);
        };
        save(form->cmdSavePng, "chart");
        QImage image(folder.filePath("chart.png"));
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), form->ChartView->grab().size());
        save(form->cmdSavePdf, "chart.pdf");
        QFile pdf(folder.filePath("chart.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.size() > 1000);
        QCOMPARE(pdf.read(5), QByteArray("%PDF-"));
    }
};

AMVAL_TEST_MAIN(TestCharts)
#include "tst_charts.moc"
