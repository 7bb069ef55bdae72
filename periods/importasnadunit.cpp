#include "importasnadunit.h"

#include "context/captionpanel.h"
#include "context/dlgmsg.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "context/mydate.h"
#include "context/userplaces.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "gridlayout.h"
#include "hostcontext.h"
#include "messages.h"
#include "reportgrid.h"
#include "settings.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlQuery>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

const QString TImportAsnadForm::Caption = QStringLiteral("انتقال اسناد داراييها از دوره مالي");

namespace {

const QString kRegister = QStringLiteral("ZELMORA_Sdc");
const QString kRegisterTable = QStringLiteral("Sdc_Company");
const QString kState = QStringLiteral("sOrder2");
const QString kSortPrefix = QStringLiteral("sOrder1, sOrder2, ");
const QString kWait = QStringLiteral("لطفا صبر کنيد");
const QString kMove = QStringLiteral("انتقال ");
const QString kAmountFormat = QStringLiteral("###,###,###,###,##0.###");

// The kinds the window carries, in the order of their registry codes.
const QList<const VoucherKind*>& CarriedKinds()
{
    static const QList<const VoucherKind*> kinds = [] {
        QList<const VoucherKind*> offered;
        for (const VoucherKind* kind : VoucherKindsByRegistryCode()) {
            if (kind->carry.offered)
                offered << kind;
        }
        return offered;
    }();
    return kinds;
}

// The kind chosen in the type box (each entry holds its kind's id), the first before
// any is chosen.
const VoucherKind& ChosenKind(const QComboBox* types)
{
    return VoucherKindOf(
        VoucherKindId(types->itemData(std::max(0, types->currentIndex())).toInt()));
}

struct GridEntry
{
    QString field;
    QString title;
    int width;
};

const QList<GridEntry>& GridEntries()
{
    static const QList<GridEntry> entries{
        {QStringLiteral("sDate"), QStringLiteral("تاريخ"), 72},
        {QStringLiteral("SanadNoAmval"), QStringLiteral("شماره"), 60},
        {QStringLiteral("User_Name"), QStringLiteral("نام کاربر"), 200},
        {QStringLiteral("Raj"), QStringLiteral("رديف"), 40},
        {QStringLiteral("DaraCod"), QStringLiteral("دارايي"), 80},
        {QStringLiteral("DaraNam"), QStringLiteral("نام دارايي"), 200},
        {QStringLiteral("AmvalDes"), QStringLiteral("شرح"), 200},
        {QStringLiteral("RaveshEst"), QStringLiteral("روش"), 60},
        {QStringLiteral("StartDate"), QStringLiteral("تاريخ شروع"), 75},
        {QStringLiteral("PersonelCod"), QStringLiteral("تحويل گيرنده"), 75},
        {QStringLiteral("PersonelNam"), QStringLiteral("نام تحويل گيرنده"), 200},
        {QStringLiteral("VazCod"), QStringLiteral("وضعيت"), 45},
        {QStringLiteral("VazNam"), QStringLiteral("نام وضعيت دارايي"), 200},
        {QStringLiteral("ArzeshFee"), QStringLiteral("ارزش فروش"), 110},
        {QStringLiteral("sValue"), QStringLiteral("مبلغ فروش"), 110},
        {QStringLiteral("NewMesureValue"), QStringLiteral("افزايش عمر مفيد"), 95},
        {QStringLiteral("ArzeshReduce"), QStringLiteral("ارزش كاهش يافته"), 110},
        {QStringLiteral("ArzeshAsgat"), QStringLiteral("ارزش اسقاط"), 110},
        {QStringLiteral("EndFee"), QStringLiteral("بهاي تمام شده"), 110},
        {QStringLiteral("FeeEst"), QStringLiteral("نرخ استهلاک"), 75},
        {QStringLiteral("NewOmer"), QStringLiteral("عمر مفيد جديد"), 85},
        {QStringLiteral("MakanCod"), QStringLiteral("مکان استقرار"), 64},
        {QStringLiteral("MakanNam"), QStringLiteral("نام مکان استقرار"), 200},
        {QStringLiteral("MabadiCod"), QStringLiteral("مبادي تحويل"), 75},
        {QStringLiteral("MabadiNam"), QStringLiteral("نام مبادي تحويل"), 200},
        {QStringLiteral("Buyer"), QStringLiteral("نام خريدار"), 200},
        {QStringLiteral("Bargeh"), QStringLiteral("برگه"), 60},
        {QStringLiteral("Koll"), QStringLiteral("کل"), 30},
        {QStringLiteral("Moein"), QStringLiteral("معين"), 35},
        {QStringLiteral("Tafsily"), QStringLiteral("تفصيلي"), 60},
        {QStringLiteral("Tafsily2"), QStringLiteral("تفصيلي2"), 64},
        {QStringLiteral("KNamHesab"), QStringLiteral("نام حساب کل"), 200},
        {QStringLiteral("MNamHesab"), QStringLiteral("نام حساب معين"), 200},
        {QStringLiteral("TNamHesab"), QStringLiteral("نام حساب تفصيلي"), 200},
        {QStringLiteral("T2NamHesab"), QStringLiteral("نام حساب تفصيلي2"), 200},
    };
    return entries;
}

// The code columns whose widths must agree between the two databases, in the order
// they are compared, with the table each is read from and the text of its message.
struct WidthCheck
{
    QString column;
    QString table;
    QString text; // empty: the second detail level's, named by the company
};

const QList<WidthCheck>& WidthChecks()
{
    static const QList<WidthCheck> checks{
        {QStringLiteral("SanadNoAmval"), QStringLiteral("D_SoulationChange"),
         QStringLiteral(
             "طول ستونهاي شماره سند مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("User_Name"), QStringLiteral("D_SoulationChange"),
         QStringLiteral(
             "طول ستونهاي نام كاربر مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("DaraCod"), QStringLiteral("D_SoulationChange"),
         QStringLiteral(
             "طول ستونهاي كد داراييهاي مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("AmvalDes"), QStringLiteral("D_SoulationChange"),
         QStringLiteral(
             "طول ستونهاي شرح سند اسناد مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("Buyer"), QStringLiteral("D_ForoshDaymeh"),
         QStringLiteral(
             "طول ستونهاي نام خريدار مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("VazCod"), QStringLiteral("D_VazDarae"),
         QStringLiteral(
             "طول ستونهاي كد وضعيت دارايي مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("MakanCod"), QStringLiteral("D_Makan"),
         QStringLiteral("طول ستونهاي كد مکان استقرار دارايي مبدا و مقصد متفاوت مي باشد. طول اين "
                        "ستون بايد برابر ")},
        {QStringLiteral("PersonelCod"), QStringLiteral("D_Amval"),
         QStringLiteral("طول ستونهاي كد تحويل گيرنده دارايي مبدا و مقصد متفاوت مي باشد. طول اين "
                        "ستون بايد برابر ")},
        {QStringLiteral("RaveshEst"), QStringLiteral("D_SoulationChange"),
         QStringLiteral(
             "طول ستونهاي روش استهلاک مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("MabadiCod"), QStringLiteral("D_Mabadi"),
         QStringLiteral(
             "طول ستونهاي كد مبادي تحويل مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("Koll"), QStringLiteral("D_SoulationChange"),
         QStringLiteral(
             "طول ستونهاي كد حساب کل مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("Moein"), QStringLiteral("D_SoulationChange"),
         QStringLiteral(
             "طول ستونهاي كد حساب معين مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("Tafsily"), QStringLiteral("D_SoulationChange"),
         QStringLiteral(
             "طول ستونهاي كد حساب تفصيلي مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
        {QStringLiteral("Tafsily2"), QStringLiteral("D_SoulationChange"), QString()},
        {QStringLiteral("Bargeh"), QStringLiteral("D_SoulationChange"),
         QStringLiteral(
             "طول ستونهاي شماره برگه مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")},
    };
    return checks;
}

// The work table's sized text columns and where each takes its width from (the
// second account chain takes the first one's).
struct WorkText
{
    QString column;
    QString widthOf;
};

const QList<WorkText>& WorkTexts()
{
    static const QList<WorkText> texts = [] {
        QList<WorkText> t;
        for (const char* c : {"SanadNoAmval", "User_Name", "DaraCod", "AmvalDes", "Buyer", "VazCod",
                              "MakanCod", "PersonelCod", "RaveshEst", "MabadiCod", "Koll", "Moein",
                              "Tafsily", "Tafsily2", "ProjectCod"})
            t << WorkText{QString::fromLatin1(c), QString::fromLatin1(c)};
        for (const char* c : {"Koll", "Moein", "Tafsily", "Tafsily2", "ProjectCod"})
            t << WorkText{QStringLiteral("H") + QString::fromLatin1(c), QString::fromLatin1(c)};
        t << WorkText{QStringLiteral("Bargeh"), QStringLiteral("Bargeh")};
        return t;
    }();
    return texts;
}

// Where each width is read from in the current database.
QString WidthTable(const QString& column)
{
    if (column == QLatin1String("Buyer"))
        return QStringLiteral("D_ForoshDaymeh");
    if (column == QLatin1String("VazCod"))
        return QStringLiteral("D_VazDarae");
    if (column == QLatin1String("MakanCod"))
        return QStringLiteral("D_Makan");
    if (column == QLatin1String("PersonelCod"))
        return QStringLiteral("D_Amval");
    if (column == QLatin1String("MabadiCod"))
        return QStringLiteral("D_Mabadi");
    return QStringLiteral("D_SoulationChange");
}

const QStringList& AmountColumns()
{
    static const QStringList columns{QStringLiteral("NewMesureValue"), QStringLiteral("sValue"),
                                     QStringLiteral("ArzeshReduce"),   QStringLiteral("ArzeshFee"),
                                     QStringLiteral("ArzeshAsgat"),    QStringLiteral("NewOmer"),
                                     QStringLiteral("EndFee"),         QStringLiteral("FeeEst"),
                                     QStringLiteral("Esshat"),         QStringLiteral("AstAll"),
                                     QStringLiteral("EndValue")};
    return columns;
}

// A progress window for long work that the clerk may stop.
std::unique_ptr<QProgressDialog> Progress(QWidget* parent, const QString& name,
                                          const QString& title, const QString& text)
{
    auto progress = std::make_unique<QProgressDialog>(text, QStringLiteral("انصراف"), 0, 0, parent);
    progress->setObjectName(name);
    progress->setWindowTitle(title);
    progress->setLayoutDirection(Qt::RightToLeft);
    progress->setWindowModality(Qt::WindowModal);
    progress->setAutoReset(false);
    progress->setAutoClose(false);
    progress->setMinimumDuration(0);
    progress->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return progress;
}

// Tells the progress window how far the work has come; false once it was stopped.
bool Advance(QProgressDialog& progress, qint64 done, qint64 total)
{
    if (progress.maximum() != total)
        progress.setMaximum(int(std::min<qint64>(total, INT_MAX)));
    progress.setValue(int(std::min<qint64>(done, INT_MAX)));
    QCoreApplication::processEvents();
    return !progress.wasCanceled();
}

// Draws each preview row in the colour of its state mark.
class PreviewDelegate : public QStyledItemDelegate
{
public:
    explicit PreviewDelegate(DbGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        DataSet* ds = m_grid->dataSet();
        if (!ds || !ds->active())
            return;
        const DataField* state = ds->findField(kState);
        if (!state)
            return;
        const QColor color =
            TImportAsnadForm::RowColor(ds->value(index.row(), state->index()).toString());
        if (color.isValid()) {
            option->palette.setColor(QPalette::Text, color);
            option->palette.setColor(QPalette::HighlightedText, color);
        }
    }

private:
    DbGrid* m_grid;
};

} // namespace

TImportAsnadForm::TImportAsnadForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("ImportAsnadForm"));
    m_connection = MyDatabase ? MyDatabase->Connection : nullptr;
    DbConnection* connection = m_connection;
    // A restart of the server ends the session, and the work table with it.
    if (connection)
        m_sessionWatch = std::make_unique<SessionWatch>(*connection, [this] { remakeWorkTable(); });
    m_query = new DataSet(connection, this);
    m_query->setReadOnly(true);
    quAsnad = new DataSet(connection, this);
    quAsnad->setObjectName(QStringLiteral("quAsnad"));
    quAsnad->setReadOnly(true);
    // A preview of a whole period is read a chunk at a time as the grid shows it; the
    // database sorts it.
    quAsnad->setFetchChunk(DataSet::kDefaultFetchChunk);
    // The preview is the database's; no row of it is taken away here.
    quAsnad->beforeDelete = [](DataSet&) { DataSet::Abort(); };

    auto* top = new QWidget(ClientPanel);
    auto* row = new QHBoxLayout(top);
    auto* periodLabel = new QLabel(QStringLiteral("دوره مالي"), top);
    cmbDorehMale = new QComboBox(top);
    cmbDorehMale->setObjectName(QStringLiteral("cmbDorehMale"));
    cmbDorehMale->setMaxVisibleItems(15);
    cmbDorehMale->setMinimumWidth(320);
    periodLabel->setBuddy(cmbDorehMale);
    auto* typeLabel = new QLabel(QStringLiteral("نوع سند"), top);
    cmbTypeAsnad = new QComboBox(top);
    cmbTypeAsnad->setObjectName(QStringLiteral("cmbTypeAsnad"));
    for (const VoucherKind* kind : CarriedKinds())
        cmbTypeAsnad->addItem(kind->caption, int(kind->id));
    cmbTypeAsnad->setMinimumWidth(180);
    typeLabel->setBuddy(cmbTypeAsnad);
    cmdOk = new QPushButton(QStringLiteral("تاييد"), top);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setEnabled(false);
    row->addWidget(periodLabel);
    row->addWidget(cmbDorehMale);
    row->addWidget(typeLabel);
    row->addWidget(cmbTypeAsnad);
    row->addStretch(1);
    row->addWidget(cmdOk);
    clientLayout()->addWidget(top);

    dbgAsnad = new DbGrid(ClientPanel);
    dbgAsnad->setObjectName(QStringLiteral("dbgAsnad"));
    dbgAsnad->setEditingEnabled(false);
    dbgAsnad->setItemDelegate(new PreviewDelegate(dbgAsnad));
    clientLayout()->addWidget(dbgAsnad, 1);
    // Ctrl+Tab leaves the preview for the confirm button, as in the voucher windows.
    QWidget::setTabOrder(dbgAsnad, cmdOk);
    buildGrid();

    pmSysMenu = new QMenu(this);
    pmSysMenu->setObjectName(QStringLiteral("pmSysMenu"));
    R_ReportItem = pmSysMenu->addAction(QStringLiteral("نمايش انتقال سند"));
    R_ReportItem->setObjectName(QStringLiteral("R_ReportItem"));
    R_ReportItem->setShortcut(QKeySequence(Qt::Key_F5));
    R_ReportItem->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(R_ReportItem);
    connect(R_ReportItem, &QAction::triggered, this, [this] {
        // Nothing to show while no source period is chosen.
        if (cmbDorehMale->currentIndex() >= 0)
            R_ReportItemClick();
    });
    QToolButton* menuButton = Caption_Panel->addButton(
        QStringLiteral("sb_Report"), QStringLiteral("☰"), QStringLiteral("آماده سازي گزارش"));
    connect(menuButton, &QToolButton::clicked, this, [this] {
        if (cmbDorehMale->currentIndex() >= 0)
            pmSysMenu->popup(QCursor::pos());
    });

    m_reportGrid = std::make_unique<TReportGrid>(dbgAsnad, this);
    m_reportGrid->setSProg(QStringLiteral("D"));
    m_reportGrid->setSItem(QStringLiteral("ASNAD"));
    m_reportGrid->setSForm(QStringLiteral("IMPORT"));
    m_reportGrid->setSPart(QStringLiteral("1"));
    m_reportGrid->setTitle(QStringLiteral("مشخصات گزارش [انتقال مدارك داراييها]"));
    m_reportGrid->setKeyColumn(QStringLiteral("SanadNoAmval"));
    m_reportGrid->setRowColumn(QStringLiteral("IDX"));
    m_reportGrid->setDataSet(quAsnad);
    m_reportGrid->removeItem(QStringLiteral("ColumnChartItem"));
    m_reportGrid->removeItem(QStringLiteral("RowChartItem"));

    cmbDorehMale->installEventFilter(this);
    cmbTypeAsnad->installEventFilter(this);
    connect(cmbDorehMale, &QComboBox::currentIndexChanged, this, [this] { closePreview(); });
    connect(cmbTypeAsnad, &QComboBox::currentIndexChanged, this, [this] { cmbTypeAsnadChange(); });
    connect(cmdOk, &QPushButton::clicked, this, [this] { OkClick(); });
    dbgAsnad->onTitleClick = [this](DbGrid&, int column) { titleClick(column); };
    dbgAsnad->onError = [this](DbGrid&, const QString& message) { showMessage(message); };

    m_settings = std::make_unique<TCompanySettings>();
    if (Global && connection)
        *m_settings = ReadCompanySettings(*m_query, Global->CompanyCode + Global->FiscalYear);
    const QString level2 = m_settings->NAMTAFSILY2;
    if (!level2.isEmpty()) {
        dbgAsnad->column(dbgAsnad->columnOf(QStringLiteral("Tafsily2"))).title = level2;
        dbgAsnad->column(dbgAsnad->columnOf(QStringLiteral("T2NamHesab"))).title =
            QStringLiteral("نام حساب ") + level2;
    }
    fillPeriods();
    cmbTypeAsnadChange();
    if (connection)
        LoadGridLayout(m_query, dbgAsnad, QStringLiteral("D"), QStringLiteral("ASNAD"),
                       QStringLiteral("IMPORT"), QStringLiteral("1"));
}

TImportAsnadForm::~TImportAsnadForm()
{
    // The report grid lets go of the grid before the grid goes.
    m_reportGrid.reset();
}

const QStringList& TImportAsnadForm::VoucherTables()
{
    static const QStringList tables = [] {
        QStringList t;
        for (const VoucherKind* kind : CarriedKinds())
            t << kind->table;
        return t;
    }();
    return tables;
}

QString TImportAsnadForm::CarriedText(const QString& entry, qint64 vouchers, qint64 rows,
                                      qint64 leftVouchers, qint64 leftRows)
{
    QString text = vouchers > 0
                       ? QString::number(vouchers) + QStringLiteral(" سند ") + entry +
                             QStringLiteral(" با ") + QString::number(rows) +
                             QStringLiteral(" رديف منتقل شد.")
                       : QStringLiteral("هيچ سند ") + entry + QStringLiteral(" براي انتقال نبود.");
    if (leftVouchers > 0)
        text += QLatin1Char('\n') + QString::number(leftVouchers) + QStringLiteral(" سند با ") +
                QString::number(leftRows) +
                QStringLiteral(" رديف منتقل نشد: شماره آن در اين دوره هست، در مانده هاي اول اين "
                               "دوره آمده است يا دارايي آن در اين دوره ثبت نشده است.");
    return text;
}

QColor TImportAsnadForm::RowColor(const QString& state)
{
    // A voucher left out for an asset not registered here: every row of it.
    if (state.contains(QLatin1Char('3')) || state.contains(QLatin1Char('4')))
        return Qt::red;
    // Its number stored here, or held by the opening values: not carried either.
    if (state.contains(QLatin1Char('2')) || state.contains(QLatin1Char('5')))
        return QColor(Qt::magenta); // fuchsia
    return QColor();
}

void TImportAsnadForm::showEvent(QShowEvent* event)
{
    TAmvalForm::showEvent(event);
    if (m_initialised)
        return;
    m_initialised = true;
    if (Global && MyDate) {
        m_workTable = NewWorkTableName();
        m_reportGrid->setTableName(m_workTable);
    }
    cmbDorehMale->setFocus();
}

bool TImportAsnadForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == cmbDorehMale) {
                cmbTypeAsnad->setFocus();
                return true;
            }
            if (watched == cmbTypeAsnad) {
                R_ReportItemClick();
                return true;
            }
        }
    }
    return TAmvalForm::eventFilter(watched, event);
}

void TImportAsnadForm::fillPeriods()
{
    cmbDorehMale->clear();
    DbConnection* connection = m_connection;
    if (!connection || !Global)
        return;
    try {
        // Only periods whose database is there, and never the current one.
        const QStringList present = connection->databaseNames();
        QSqlQuery q =
            connection->select(QStringLiteral("Select sCode, sYear, sName, DBName From ") +
                                   connection->dialect().tableIn(kRegister, kRegisterTable) +
                                   QStringLiteral(" Where DBName <> ? Order By sCode, sYear"),
                               {SqlText(Global->DatabaseName)});
        while (q.next()) {
            if (!present.contains(q.value(3).toString().trimmed(), Qt::CaseInsensitive))
                continue;
            // The entry shows year, company and name; its data is the period's database.
            cmbDorehMale->addItem(q.value(1).toString() + QLatin1Char('-') + q.value(0).toString() +
                                      QStringLiteral(" : ") + q.value(2).toString(),
                                  q.value(3).toString().trimmed());
        }
    } catch (const DatabaseError&) {
        // Without the register there is no period to offer.
    }
    cmbDorehMale->setCurrentIndex(-1);
}

void TImportAsnadForm::buildGrid()
{
    QList<DbGridColumn> columns;
    for (const GridEntry& e : GridEntries())
        columns << DbGridColumn::Make(e.field, e.title, e.width);
    dbgAsnad->setColumns(columns);
}

void TImportAsnadForm::closePreview()
{
    m_previewSource.clear();
    quAsnad->close();
    cmdOk->setEnabled(false);
}

QString TImportAsnadForm::columnList(const QString& table) const
{
    if (!m_connection)
        return QString();
    m_query->open(QStringLiteral("Select * From ") + SqlIdent(table) + QStringLiteral(" Limit 1"));
    const QString list = m_query->fieldNames().join(QStringLiteral(", "));
    m_query->close();
    return list;
}

void TImportAsnadForm::cmbTypeAsnadChange()
{
    closePreview();
    const VoucherKind& kind = ChosenKind(cmbTypeAsnad);
    QStringList fields;
    try {
        fields = columnList(kind.table).toUpper().split(QStringLiteral(", "));
    } catch (const DatabaseError& e) {
        showMessage(DatabaseFailureText(e));
    }
    const auto setVisible = [this](const QString& field, bool visible) {
        const int c = dbgAsnad->columnOf(field);
        if (c >= 0)
            dbgAsnad->column(c).visible = visible;
    };
    for (const GridEntry& e : GridEntries())
        setVisible(e.field, fields.contains(e.field.toUpper()));
    setVisible(QStringLiteral("DaraNam"), true);
    setVisible(QStringLiteral("User_Name"), false);
    setVisible(QStringLiteral("Tafsily"), fields.contains(QStringLiteral("KOLL")));
    for (const QString& name : kind.carry.names)
        setVisible(name, true);
    if (!kind.carry.amountTitle.isEmpty())
        dbgAsnad->column(dbgAsnad->columnOf(QStringLiteral("sValue"))).title =
            kind.carry.amountTitle;
    dbgAsnad->applyColumns();
}

void TImportAsnadForm::makeWorkTable()
{
    quAsnad->close();
    if (m_workTable.isEmpty()) {
        m_workTable = NewWorkTableName();
        m_reportGrid->setTableName(m_workTable);
    }
    createWorkTable();
}

void TImportAsnadForm::remakeWorkTable()
{
    if (m_workTable.isEmpty())
        return;
    createWorkTable();
    if (m_previewSource.isEmpty())
        return;
    // The preview shown is made again from the same source, as the grid reads it.
    m_connection->callProcedure(QStringLiteral("sp_D_Asnad_Import_Perpar"),
                                {m_previewSource, m_previewTable, m_workTable, QString()});
    m_connection->detach(m_previewSource);
}

void TImportAsnadForm::createWorkTable()
{
    DbConnection* connection = m_connection;
    const Dialect& dialect = connection->dialect();
    // The current database's widths, in one statement.
    QStringList reads;
    QVariantList values;
    for (const WorkText& t : WorkTexts()) {
        if (t.column.startsWith(QLatin1Char('H')))
            continue;
        reads << QStringLiteral("COL_LENGTH(?, ?)");
        values << WidthTable(t.column) << t.column;
    }
    QHash<QString, int> widths;
    {
        QSqlQuery q = connection->select(
            QStringLiteral("Select ") + reads.join(QStringLiteral(", ")), values);
        if (q.next()) {
            for (int i = 0; i < values.size() / 2; ++i)
                widths.insert(values.at(2 * i + 1).toString(), q.value(i).toInt());
        }
    }
    const auto text = [](const QString& column, int width) {
        return SqlIdent(column) + QStringLiteral(" VARCHAR(") + QString::number(width) +
               QLatin1Char(')');
    };
    QStringList columns{QStringLiteral("IDX ") + dialect.identityColumnType(),
                        text(QStringLiteral("sDate"), 10), text(QStringLiteral("StartDate"), 10)};
    for (const WorkText& t : WorkTexts())
        columns << text(t.column, std::max(1, widths.value(t.widthOf)));
    for (const char* c : {"DaraNam", "VazNam", "MakanNam", "PersonelNam", "MabadiNam", "KNamHesab",
                          "MNamHesab", "TNamHesab", "T2NamHesab"})
        columns << text(QString::fromLatin1(c), 500);
    const auto amount = [](const QString& column) {
        return SqlIdent(column) + QStringLiteral(" FLOAT DEFAULT 0");
    };
    for (const QString& c : AmountColumns())
        columns << amount(c);
    columns << SqlIdent(QStringLiteral("Raj")) + QStringLiteral(" INTEGER")
            << amount(QStringLiteral("ESTDOREH")) << amount(QStringLiteral("ASTDOREH"))
            << text(QStringLiteral("sOrder1"), 100) << text(QStringLiteral("sOrder2"), 100);
    dialect.dropTempTable(m_workTable);
    connection->execute(dialect.createTempTable(m_workTable) + QLatin1Char('(') +
                        columns.join(QStringLiteral(", ")) + QLatin1Char(')'));
}

QString TImportAsnadForm::widthRefusal(const QString& source)
{
    DbConnection* connection = m_connection;
    QStringList reads;
    QVariantList values;
    for (const WidthCheck& c : WidthChecks()) {
        reads << QStringLiteral("COL_LENGTH(?, ?) As ") + SqlIdent(QStringLiteral("O_") + c.column);
        values << source + QStringLiteral("..") + c.table << c.column;
    }
    for (const WidthCheck& c : WidthChecks()) {
        reads << QStringLiteral("COL_LENGTH(?, ?) As ") + SqlIdent(QStringLiteral("N_") + c.column);
        values << c.table << c.column;
    }
    QSqlQuery q =
        connection->select(QStringLiteral("Select ") + reads.join(QStringLiteral(", ")), values);
    if (!q.next())
        return QString();
    const int n = int(WidthChecks().size());
    QString message;
    for (int i = 0; i < n; ++i) {
        const QString oldWidth = q.value(i).toString();
        const QString newWidth = q.value(n + i).toString();
        if (oldWidth == newWidth)
            continue;
        const WidthCheck& c = WidthChecks().at(i);
        const QString text =
            c.text.isEmpty()
                ? QStringLiteral("طول ستونهاي كد ") + m_settings->NAMTAFSILY2 +
                      QStringLiteral(" مبدا و مقصد متفاوت مي باشد. طول اين ستون بايد برابر ")
                : c.text;
        message = text + oldWidth + QStringLiteral(" باشد. ");
    }
    return message;
}

void TImportAsnadForm::R_ReportItemClick()
{
    DbConnection* connection = m_connection;
    if (!connection)
        return;
    const VoucherKind& kind = ChosenKind(cmbTypeAsnad);
    const QString entry = cmbDorehMale->currentText();
    const QString source = cmbDorehMale->currentData().toString();
    QString refusal;
    bool statusShown = false;
    struct Release
    {
        DbConnection* connection;
        QString source;
        ~Release()
        {
            if (source.isEmpty())
                return;
            try {
                connection->detach(source);
            } catch (const DatabaseError&) {
                // Still attached: the next preview finds it there.
            }
        }
    } release{connection, QString()};
    try {
        m_previewSource.clear();
        makeWorkTable();
        if (cmbDorehMale->currentIndex() < 0) {
            showMessage(QStringLiteral("دوره مالي انتخاب نشده است"));
            return;
        }
        // A source that cannot be read is said once, by name, before anything else.
        // It is reachable only while the preview is made: a connection holds only a
        // few other databases at once, and a clerk may carry from many in turn.
        release.source = source;
        const ProcedureResult check =
            connection->callProcedure(QStringLiteral("sp_D_Asnad_Import_Source"), {source});
        refusal = check.value(QStringLiteral("Message")).toString();
        if (refusal.isEmpty())
            refusal = widthRefusal(source);
        if (!refusal.isEmpty()) {
            showMessage(refusal);
            cmbDorehMale->setFocus();
            return;
        }
        ShowStatus(nullptr, QStringLiteral("STOP"), kMove + kind.caption, kWait);
        statusShown = true;
        connection->callProcedure(QStringLiteral("sp_D_Asnad_Import_Perpar"),
                                  {source, kind.table, m_workTable, QString()});
        m_previewSource = source;
        m_previewTable = kind.table;
        // Read once, in the preview's order (a large preview in chunks).
        quAsnad->openSorted(QStringLiteral("Select * From ") + SqlIdent(m_workTable),
                            kSortPrefix + QStringLiteral("Raj"));
        for (const QString& c : AmountColumns()) {
            if (DataField* f = quAsnad->findField(c))
                f->setDisplayFormat(kAmountFormat);
        }
        const bool rows = quAsnad->recordCount() > 0;
        const bool allowed = !rows || mayRegister(kind.table);
        cmdOk->setEnabled(rows && allowed);
        dbgAsnad->setDataSet(quAsnad);
        for (int c = 0; c < dbgAsnad->columnCountOfGrid(); ++c)
            dbgAsnad->column(c).titleFontColor = Qt::black;
        dbgAsnad->applyColumns();
        const QString text = kMove + kind.caption + QStringLiteral(" از دوره مالي ") +
                             QLatin1Char('[') + entry.left(4).trimmed() + QLatin1Char('_') +
                             entry.mid(5, 4).trimmed() + QLatin1Char(']') + entry.mid(11);
        setWindowTitle(text);
        Caption_Panel->setCaption(QString(20, QLatin1Char(' ')) + text);
        CloseStatus(nullptr);
        // The preview is there to be seen; carrying it is for those who may register
        // vouchers of the kind.
        if (!allowed)
            showMessage(notAllowed(kind.caption));
        dbgAsnad->setFocus();
    } catch (const DatabaseError& e) {
        if (statusShown)
            CloseStatus(nullptr);
        showMessage(e.kind() == DatabaseError::Kind::Unavailable ? e.message()
                                                                 : DatabaseFailureText(e));
    }
}

void TImportAsnadForm::OkClick()
{
    DbConnection* connection = m_connection;
    if (!connection || !quAsnad->active() || !cmdOk->isEnabled())
        return;
    const VoucherKind& kind = ChosenKind(cmbTypeAsnad);
    try {
        if (!mayRegister(kind.table)) {
            cmdOk->setEnabled(false);
            showMessage(notAllowed(kind.caption));
            return;
        }
    } catch (const DatabaseError& e) {
        showMessage(DatabaseFailureText(e));
        return;
    }
    // Before the window's first carry-over the clerk is offered a backup of the data.
    QString backup;
    if (!m_backupOffered) {
        if (ShowMessageDlg(QStringLiteral("پيش از انتقال اسناد، از اطلاعات نسخه پشتيبان گرفته "
                                          "شود؟"),
                           QString(), QStringLiteral("3QR")) == TDlgMsg::mrYes &&
            !takeBackup(kind.caption, &backup))
            return;
        m_backupOffered = true;
    }
    const int rows = quAsnad->recordCount();
    // The carry-over says how far it has come and may be stopped: stopped, nothing
    // of it is kept and the preview stays for another try.
    cmdOk->setEnabled(false);
    const std::unique_ptr<QProgressDialog> progress =
        Progress(this, QStringLiteral("CarryProgress"), kMove + kind.caption,
                 kWait + QLatin1Char('\n') + QString::number(rows) + QStringLiteral(" رديف"));
    ProcedureResult result;
    try {
        const QString columns = columnList(kind.table);
        ProgressScope scope(*connection, [this, &progress](qint64 done, qint64 total) {
            emit carryProgressed(done, total);
            return Advance(*progress, done, total);
        });
        result = connection->callProcedure(QStringLiteral("sp_D_Asnad_Import"),
                                           {kind.table, m_workTable, columns});
    } catch (const DatabaseError& e) {
        progress->close();
        cmdOk->setEnabled(true);
        showMessage(e.kind() == DatabaseError::Kind::Cancelled
                        ? kMove + kind.caption + QStringLiteral(" متوقف شد و هيچ سندي منتقل نشد.")
                        : DatabaseFailureText(e));
        return;
    }
    progress->close();
    const auto number = [&result](const char* column) {
        return result.value(QString::fromLatin1(column)).toLongLong();
    };
    ShowMessageDlg(CarriedText(kind.caption, number("Vouchers"), number("Count"),
                               number("LeftVouchers"), number("LeftRows")) +
                       (backup.isEmpty() ? QString()
                                         : QStringLiteral("\nنسخه پشتيبان پيش از انتقال: «") +
                                               LeftToRightRun(QDir::toNativeSeparators(backup)) +
                                               QStringLiteral("»")),
                   QString(), QStringLiteral("1IR"));
    dbgAsnad->setFocus();
    cmdOk->setEnabled(false);
}

// The folder chosen, a backup of the whole data place made by the database side in a
// new folder inside it; false, said why, when none was made (nothing is carried then).
bool TImportAsnadForm::takeBackup(const QString& entry, QString* made)
{
    QFileDialog dialog(this, QStringLiteral("پوشه نسخه هاي پشتيبان"), QDir::homePath());
    dialog.setObjectName(QStringLiteral("BackupFolderDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const std::unique_ptr<QProgressDialog> progress =
        Progress(this, QStringLiteral("BackupProgress"), QStringLiteral("پشتيبان گيري"), kWait);
    ProcedureResult result;
    try {
        ProgressScope scope(*m_connection, [&progress](qint64 done, qint64 total) {
            return Advance(*progress, done, total);
        });
        result = m_connection->callProcedure(QStringLiteral("sp_D_Backup"),
                                             {dialog.selectedFiles().constFirst()});
    } catch (const DatabaseError& e) {
        progress->close();
        showMessage(e.kind() == DatabaseError::Kind::Cancelled
                        ? QStringLiteral("پشتيبان گيري متوقف شد و هيچ سند ") + entry +
                              QStringLiteral(" منتقل نشد.")
                        : DatabaseFailureText(e));
        return false;
    }
    progress->close();
    *made = result.value(QStringLiteral("Folder")).toString();
    if (made->isEmpty()) {
        showMessage(result.value(QStringLiteral("Message")).toString() +
                    QStringLiteral("\nهيچ سند ") + entry + QStringLiteral(" منتقل نشد."));
        return false;
    }
    return true;
}

void TImportAsnadForm::titleClick(int column)
{
    if (!quAsnad->active() || column < 0 || column >= dbgAsnad->columnCountOfGrid())
        return;
    const QString field = dbgAsnad->column(column).fieldName;
    if (field.isEmpty())
        return;
    quAsnad->setSort(kSortPrefix + field);
    for (int c = 0; c < dbgAsnad->columnCountOfGrid(); ++c)
        dbgAsnad->column(c).titleFontColor = c == column ? QColor(Qt::red) : QColor(Qt::black);
    dbgAsnad->applyColumns();
}

bool TImportAsnadForm::mayRegister(const QString& table) const
{
    const VoucherKind* kind = FindVoucherKindByTable(table);
    return kind != nullptr && Global != nullptr &&
           UserRights(*m_query, Global->UserID, kind->rightsPrefix).contains(QLatin1Char('N'));
}

QString TImportAsnadForm::notAllowed(const QString& entry)
{
    return QStringLiteral("کاربر مجاز به ثبت ") + entry + QStringLiteral(" جديد نيست");
}

void TImportAsnadForm::showMessage(const QString& text)
{
    ShowMessageDlg(text, QString(), QStringLiteral("1ER"));
}
