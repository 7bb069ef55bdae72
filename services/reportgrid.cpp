#include "reportgrid.h"

#include "context/pendingfile.h"
#include "context/userplaces.h"
#include "context/workprogress.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbfexport.h"
#include "dbgrid.h"
#include "gridexport.h"
#include "gridlayout.h"
#include "hostcontext.h"
#include "labeldialog.h"
#include "messages.h"
#include "selform.h"
#include "settings.h"

#include "context/keyguide.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStyle>
#include <QTemporaryDir>

const QString TReportGrid::FilterCaption = QStringLiteral("پالايش گزارش ...");
const QString TReportGrid::UnfilterCaption = QStringLiteral("بازگشت از پالايش");
const QString TReportGrid::NumberFormat = QStringLiteral("###,###,###,###,###.###");
const QString TReportGrid::CopiedMessage = QStringLiteral("کپي فايلها با موفقيت انجام شد ");

namespace {

const QString kErrorCode = QStringLiteral("1ER");

bool Denied(const QString& permission)
{
    return permission.trimmed().toUpper() == QStringLiteral("NO");
}

} // namespace

TReportGrid::TReportGrid(DbGrid* grid, QWidget* owner)
    : QObject(owner), m_grid(grid), m_owner(owner),
      m_dataSet(grid != nullptr ? grid->dataSet() : nullptr)
{
    // Rows are chosen with Shift and Ctrl, for the actions on the selected rows.
    if (m_grid)
        m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    buildMenu();
}

TReportGrid::~TReportGrid()
{
    // The grid outlives a filter it still shows: give it back its own rows.
    if (m_grid && m_filterData && m_grid->dataSet() == m_filterData.get())
        m_grid->setDataSet(m_dataSet);
}

void TReportGrid::setLayoutKey(const GridLayoutKey& key)
{
    m_sProg = QString::fromUtf8(key.sProg);
    m_sItem = QString::fromUtf8(key.sItem);
    m_sForm = QString::fromUtf8(key.sForm);
    m_sPart = QString::fromUtf8(key.sPart);
}

QString TReportGrid::reportName() const
{
    if (!m_reportName.isEmpty())
        return m_reportName;
    QString name = m_sProg + QLatin1Char('_') + m_sItem + QLatin1Char('_') + m_sForm;
    if (!m_sPart.isEmpty())
        name += QLatin1Char('_') + m_sPart;
    return name;
}

// ---------------------------------------------------------------------------
// The menu

QAction* TReportGrid::addItem(QMenu* menu, const QString& name, const QString& caption,
                              const QKeySequence& key, void (TReportGrid::*handler)())
{
    auto* action = new QAction(caption, m_menu.get());
    action->setObjectName(name);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    menu->addAction(action);
    if (m_grid)
        m_grid->addAction(action);
    connect(action, &QAction::triggered, this, [this, handler] { run(handler); });
    return action;
}

void TReportGrid::buildMenu()
{
    m_menu = std::make_unique<QMenu>();
    m_menu->setObjectName(QStringLiteral("ReportGridMenu"));
    m_menu->setLayoutDirection(Qt::RightToLeft);
    QMenu* menu = m_menu.get();
    const QStyle* style = QApplication::style();

    addItem(menu, QStringLiteral("HelpItem"), QStringLiteral("راهنما"), QKeySequence(Qt::Key_F1),
            &TReportGrid::HelpItemClick)
        ->setIcon(style->standardIcon(QStyle::SP_DialogHelpButton));
    menu->addSeparator();
    addItem(menu, QStringLiteral("SearchItem"), QStringLiteral("جستجو..."),
            QKeySequence(Qt::CTRL | Qt::Key_F), &TReportGrid::SearchItemClick)
        ->setIcon(style->standardIcon(QStyle::SP_FileDialogContentsView));
    menu->addSeparator();
    addItem(menu, QStringLiteral("SaveGridItem"), QStringLiteral("ثبت وضعيت ستونها"),
            QKeySequence(Qt::CTRL | Qt::Key_G), &TReportGrid::SaveGridItemClick)
        ->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
    addItem(menu, QStringLiteral("ResetGridItem"), QStringLiteral("بازگشت به وضعيت اوليه ستونها"),
            QKeySequence(Qt::ALT | Qt::Key_G), &TReportGrid::ResetGridItemClick)
        ->setIcon(style->standardIcon(QStyle::SP_DialogResetButton));
    menu->addSeparator();

    QMenu* sendTo =
        menu->addMenu(style->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("ارسال به"));
    sendTo->setLayoutDirection(Qt::RightToLeft);
    sendTo->menuAction()->setObjectName(QStringLiteral("SendToItem"));
    addItem(sendTo, QStringLiteral("ClipboardItem"), QStringLiteral("Clipboard ( محيط ديگر ...)"),
            QKeySequence(), &TReportGrid::ClipboardItemClick);
    addItem(sendTo, QStringLiteral("ExcelItem"), QStringLiteral("Excel"), QKeySequence(),
            &TReportGrid::ExcelItemClick);
    addItem(sendTo, QStringLiteral("WordItem"), QStringLiteral("Word"), QKeySequence(),
            &TReportGrid::WordItemClick);
    addItem(sendTo, QStringLiteral("HtmlItem"), QStringLiteral("HTML"), QKeySequence(),
            &TReportGrid::HtmlItemClick);
    menu->addSeparator();

    addItem(menu, QStringLiteral("DeleteColumnItem"), QStringLiteral("حذف ستون"),
            QKeySequence(Qt::CTRL | Qt::Key_D), &TReportGrid::DeleteColumnItemClick)
        ->setIcon(style->standardIcon(QStyle::SP_TrashIcon));
    addItem(menu, QStringLiteral("ColumnsItem"), QStringLiteral("ستونها ..."),
            QKeySequence(Qt::CTRL | Qt::Key_K), &TReportGrid::ColumnsItemClick);
    menu->addSeparator();
    addItem(menu, QStringLiteral("ColumnChartItem"), QStringLiteral("نمودار ستوني اطلاعات ..."),
            QKeySequence(), &TReportGrid::ColumnChartItemClick);
    addItem(menu, QStringLiteral("RowChartItem"), QStringLiteral("نمودار سطري اطلاعات ..."),
            QKeySequence(), &TReportGrid::RowChartItemClick);
    menu->addSeparator();
    addItem(menu, QStringLiteral("FilterItem"), FilterCaption, QKeySequence(Qt::CTRL | Qt::Key_L),
            &TReportGrid::FilterItemClick);
    addItem(menu, QStringLiteral("RepPropertyItem"), QStringLiteral("مشخصات گزارش ..."),
            QKeySequence(), &TReportGrid::RepPropertyItemClick);
    menu->addSeparator();
    addItem(menu, QStringLiteral("PrintItem"), QStringLiteral("چاپ ..."),
            QKeySequence(Qt::CTRL | Qt::Key_P), &TReportGrid::PrintItemClick);
    addItem(menu, QStringLiteral("AdvPrintItem"), QStringLiteral("چاپ پيشرفته ..."), QKeySequence(),
            &TReportGrid::AdvPrintItemClick);
    addItem(menu, QStringLiteral("LabelItem"), QStringLiteral("چاپ برچسب اموال"), QKeySequence(),
            &TReportGrid::LabelItemClick);
    addItem(menu, QStringLiteral("FitWidthItem"), QStringLiteral("تنظيم عرض ستونها"),
            QKeySequence(), &TReportGrid::FitWidthItemClick);
    addItem(menu, QStringLiteral("AdvSortItem"), QStringLiteral("مرتب سازي پيشرفته ..."),
            QKeySequence(), &TReportGrid::AdvSortItemClick);
    addItem(menu, QStringLiteral("DbfDosItem"), QStringLiteral("Dbf->Dos"), QKeySequence(),
            &TReportGrid::DbfDosItemClick);
    addItem(menu, QStringLiteral("DbfWinItem"), QStringLiteral("Dbf->Win"), QKeySequence(),
            &TReportGrid::DbfWinItemClick);
    menu->addSeparator();
    addItem(menu, QStringLiteral("SmsItem"), QStringLiteral("ارسال SMS"), QKeySequence(),
            &TReportGrid::SmsItemClick);

    connect(menu, &QMenu::aboutToShow, this, &TReportGrid::updateItems);
    updateItems();
    if (m_grid) {
        m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
            if (m_grid)
                m_menu->popup(m_grid->viewport()->mapToGlobal(at));
        });
    }
}

// What the user may do at the moment: charts need a chart window, the clipboard and
// printing the user's rights.
void TReportGrid::updateItems()
{
    const auto enable = [this](const char* name, bool on) {
        if (QAction* action = item(QString::fromLatin1(name)))
            action->setEnabled(on);
    };
    const bool chart = bool(onChart) || bool(DefaultChart());
    const bool copy = Global == nullptr || !Denied(Global->CopyPermission);
    const bool print = Global == nullptr || !Denied(Global->PrintPermission);
    enable("ColumnChartItem", chart);
    enable("RowChartItem", chart);
    enable("ClipboardItem", copy);
    enable("PrintItem", print);
    enable("AdvPrintItem", print);
    enable("LabelItem", print);
    // Labels are for rows that name an asset: the item shows only then.
    if (QAction* labels = item(QStringLiteral("LabelItem")))
        labels->setVisible(GridHasAssetCode(m_grid));
}

QAction* TReportGrid::item(const QString& objectName) const
{
    return m_menu->findChild<QAction*>(objectName);
}

void TReportGrid::removeItem(const QString& objectName)
{
    QAction* action = item(objectName);
    if (action == nullptr)
        return;
    if (m_grid)
        m_grid->removeAction(action);
    delete action;
}

// Every handler runs here: a database failure becomes an error message.
void TReportGrid::run(void (TReportGrid::*handler)())
{
    try {
        (this->*handler)();
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), kErrorCode);
    }
}

bool TReportGrid::dataOpen() const
{
    return m_grid && m_grid->dataSet() != nullptr && m_grid->dataSet()->active();
}

QString TReportGrid::selectedKeyValue() const
{
    const DataField* field = m_grid ? m_grid->selectedField() : nullptr;
    if (field == nullptr)
        return QString();
    return SettingValue(m_settings, QStringLiteral("_") + field->fieldName().toUpper());
}

// ---------------------------------------------------------------------------
// Handlers

// The grid's keys, the page the host's Help menu shows for report grids.
void TReportGrid::HelpItemClick()
{
    ShowKeyGuide(m_grid, QStringLiteral("كليدهاي جدول گزارش"), ReportGridKeyGuide());
    if (m_grid)
        m_grid->setFocus();
}

void TReportGrid::SearchItemClick()
{
    if (!dataOpen())
        return;
    const QString reply = GridSearch(m_grid, m_keyColumn, m_rowColumn, selectedKeyValue());
    LocateReply(m_grid->dataSet(), reply);
    m_grid->setFocus();
}

void TReportGrid::SaveGridItemClick()
{
    if (dataOpen())
        SaveGridLayout(m_grid, m_sProg, m_sItem, m_sForm, m_sPart);
}

void TReportGrid::ResetGridItemClick()
{
    if (dataOpen())
        ResetGridLayout(m_grid, m_sProg, m_sItem, m_sForm, m_sPart);
}

void TReportGrid::ClipboardItemClick()
{
    if (Global != nullptr && Denied(Global->CopyPermission))
        return;
    CopyGridAsText(m_grid);
}

void TReportGrid::ExcelItemClick()
{
    ExportGridFile(m_grid, QStringLiteral(".XLS"));
}

void TReportGrid::WordItemClick()
{
    ExportGridFile(m_grid, QStringLiteral(".DOC"));
}

void TReportGrid::HtmlItemClick()
{
    ExportGridHtml(m_grid, m_htmlTitle.isEmpty() ? m_title : m_htmlTitle, false);
}

void TReportGrid::DeleteColumnItemClick()
{
    if (!dataOpen())
        return;
    const int selected = m_grid->selectedIndex();
    if (selected < 0)
        return;
    m_grid->column(selected).visible = false;
    m_grid->applyColumns();
    if (selected > 0)
        m_grid->setSelectedIndex(selected - 1);
}

void TReportGrid::ColumnsItemClick()
{
    if (m_grid)
        ShowColumnSettings(m_grid);
}

void TReportGrid::ColumnChartItemClick()
{
    chart(QStringLiteral("HORIZ"));
}

void TReportGrid::RowChartItemClick()
{
    chart(QStringLiteral("VERT"));
}

TReportGrid::ChartOpener& TReportGrid::DefaultChart()
{
    static ChartOpener opener;
    return opener;
}

void TReportGrid::chart(const QString& kind)
{
    if (!dataOpen())
        return;
    if (onChart)
        onChart(m_grid, kind);
    else if (DefaultChart())
        DefaultChart()(this, kind);
}

void TReportGrid::FilterItemClick()
{
    QAction* filterItem = item(QStringLiteral("FilterItem"));
    if (!m_grid || filterItem == nullptr)
        return;
    if (filterItem->text().contains(QStringLiteral("بازگشت"))) {
        endFilter();
        return;
    }
    // The window may have given the grid other rows since: those are the report's.
    if (m_grid->dataSet() != nullptr && m_grid->dataSet() != m_filterData.get())
        m_dataSet = m_grid->dataSet();
    if (!m_dataSet || MyDatabase == nullptr || MyDatabase->Connection == nullptr)
        return;

    const QString statement = ShowFilter(m_dataSet, m_dataSet->sql());
    if (statement.isEmpty())
        return;
    auto filtered = std::make_unique<DataSet>(MyDatabase->Connection);
    filtered->setObjectName(m_dataSet->objectName());
    filtered->setReadOnly(true);
    // A filter over a large report reads its rows in chunks as the grid shows them.
    filtered->setFetchChunk(DataSet::kDefaultFetchChunk);
    // The filter's statement holds the report's own, with its placeholders.
    try {
        filtered->open(statement, m_dataSet->boundValues());
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), kErrorCode);
        return;
    }
    for (int f = 0; f < filtered->fieldCount(); ++f) {
        DataField* field = filtered->field(f);
        if (field->kind() == DataField::Kind::Integer || field->kind() == DataField::Kind::Float)
            field->setDisplayFormat(NumberFormat);
    }
    m_grid->setDataSet(filtered.get());
    m_filterData = std::move(filtered);
    filterItem->setText(UnfilterCaption);
}

void TReportGrid::endFilter()
{
    if (m_grid)
        m_grid->setDataSet(m_dataSet);
    m_filterData.reset();
    if (QAction* filterItem = item(QStringLiteral("FilterItem")))
        filterItem->setText(FilterCaption);
}

void TReportGrid::RepPropertyItemClick()
{
    if (m_grid)
        ShowReportProperties(m_title, m_grid);
}

void TReportGrid::print(bool advanced)
{
    if (!m_grid || (Global != nullptr && Denied(Global->PrintPermission)))
        return;
    TPrintRequest request;
    request.Grid = m_grid;
    request.Data = m_grid->dataSet();
    request.Title = m_title;
    request.ReportName = reportName();
    m_print.Print(request, advanced);
}

void TReportGrid::PrintItemClick()
{
    print(false);
}

void TReportGrid::AdvPrintItemClick()
{
    print(true);
}

void TReportGrid::LabelItemClick()
{
    if (!dataOpen() || (Global != nullptr && Denied(Global->PrintPermission)))
        return;
    PrintAssetLabels(m_grid, m_owner);
}

void TReportGrid::FitWidthItemClick()
{
    FitColumnWidths(m_grid);
}

void TReportGrid::AdvSortItemClick()
{
    if (dataOpen())
        AdvancedSort(m_grid);
}

namespace {

// A copy of `source` at `target`, written under a temporary name beside it and put
// in place when whole; false, after telling the user, when it could not be.
bool CopyInPlace(const QString& source, const QString& target)
{
    TPendingFile pending(target);
    if (!pending.ok()) {
        ShowUnwrittenFile(target);
        return false;
    }
    QFile from(source);
    QFile to(pending.workPath());
    bool ok = from.open(QIODevice::ReadOnly) && to.open(QIODevice::WriteOnly | QIODevice::Truncate);
    while (ok && !from.atEnd()) {
        const QByteArray block = from.read(1 << 20);
        ok = !block.isEmpty() && to.write(block) == block.size();
    }
    ok = ok && to.flush();
    to.close();
    if (!ok || !pending.commit()) {
        ShowUnwrittenFile(target, false);
        return false;
    }
    return true;
}

} // namespace

// The rows go into a dBASE table in a folder of their own, named after the data set
// (under the system's temporary folder); the user chooses where the copy goes,
// starting from the last export folder.
void TReportGrid::dbfCopy(const QString& mode)
{
    if (!dataOpen())
        return;
    const QString name = ExportName(m_grid);
    QTemporaryDir work;
    const QString folder = work.path() + QLatin1Char('/') + name;
    const QString written = DbfFilePath(folder + QLatin1Char('/') + name);
    if (!work.isValid() || !QDir().mkpath(folder)) {
        ShowUnwrittenFile(written);
        return;
    }
    {
        DataSet* ds = m_grid->dataSet();
        TWorkProgress progress(m_owner, QStringLiteral("در حال ساختن فايل dBASE ..."),
                               2 * qint64(ds->recordCount()));
        if (!WriteGridDbf(ds, written, mode,
                          [&progress](qint64 done) { return progress.step(done); })) {
            if (!progress.stopped())
                ShowUnwrittenFile(written, false);
            return;
        }
    }

    TSelForm form(m_owner);
    form.setFolder(LastExportFolder());
    form.setFileName(QFileInfo(written).fileName());
    if (form.exec() != 1 || form.fileName().isEmpty())
        return;
    QString target = QDir(form.folder()).filePath(form.fileName());
    if (QFileInfo(target).suffix().isEmpty())
        target += QStringLiteral(".dbf");
    if (!CopyInPlace(written, target))
        return;
    // The code-page file goes with the table when there is one.
    const QString codePage = DbfCodePagePath(written);
    if (QFileInfo::exists(codePage) && !CopyInPlace(codePage, DbfCodePagePath(target)))
        return;
    ShowMessageDlg(CopiedMessage, QString(), QStringLiteral("1IR"));
}

void TReportGrid::DbfDosItemClick()
{
    dbfCopy(QStringLiteral("DOS"));
}

void TReportGrid::DbfWinItemClick()
{
    dbfCopy(QStringLiteral("WIN"));
}

void TReportGrid::SmsItemClick()
{
    if (!dataOpen())
        return;
    const QString reply = GridSms(m_grid, m_keyColumn, m_rowColumn, selectedKeyValue(), QString());
    LocateReply(m_grid->dataSet(), reply);
}

QAction* AddReportItem(QMenu* menu, QWidget* keysIn, const QString& name, const QString& text,
                       const QKeySequence& key)
{
    auto* action = new QAction(text, keysIn);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    keysIn->addAction(action);
    menu->addAction(action);
    return action;
}

QAction* AddSavedReportItem(QMenu* menu, QWidget* keysIn, SavedReportItem which)
{
    if (which == SavedReportItem::Open)
        return AddReportItem(menu, keysIn, QStringLiteral("R_OpenItem"),
                             QStringLiteral("باز کردن گزارش موجود ..."),
                             QKeySequence(Qt::CTRL | Qt::Key_O));
    return AddReportItem(menu, keysIn, QStringLiteral("R_SaveAsItem"),
                         QStringLiteral("ذخيره گزارش با نام ..."),
                         QKeySequence(Qt::CTRL | Qt::Key_S));
}
