#include "assetscheduleunit.h"

#include "appearance.h"
#include "assetcardunit.h"
#include "boxwalk.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "messages.h"
#include "persiantext.h"
#include "reportgrid.h"
#include "reportrows.h"
#include "sqlquote.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSqlQuery>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

const QString TAssetScheduleForm::Caption = QStringLiteral("جدول استهلاك و بهاي تمام شده داراييها");
const QString TAssetScheduleForm::RangeText =
    QStringLiteral("كد گروه اظهارنامه «از» بزرگتر از كد گروه «تا» مي باشد.");
const QString TAssetScheduleForm::NoAssetsText =
    QStringLiteral("در اين دوره مالي هيچ دارايي ثبت نشده است.");
const QString TAssetScheduleForm::NoAssetsInRangeText =
    QStringLiteral("در اين محدوده گروه اظهارنامه هيچ دارايي نيست.");

namespace {

const QString kReportKind = QStringLiteral("A_SCHEDULE");
const QString kRegister = QStringLiteral("ZELMORA_Sdc");
const QString kRegisterTable = QStringLiteral("Sdc_Company");
// Below this a difference is the engine's rounding (as the database side decides).
constexpr double kTolerance = 0.005;

class ScheduleDelegate : public QStyledItemDelegate
{
public:
    explicit ScheduleDelegate(TAssetScheduleForm* form, QObject* parent)
        : QStyledItemDelegate(parent), m_form(form)
    {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const TAssetScheduleForm::RowStyle style = m_form->StyleOfRow(index.row());
        if (style.bold)
            option->font.setBold(true);
        if (style.back.isValid())
            option->backgroundBrush = style.back;
        if (style.text.isValid()) {
            option->palette.setColor(QPalette::Text, style.text);
            option->palette.setColor(QPalette::HighlightedText, style.text);
        }
    }

private:
    TAssetScheduleForm* m_form;
};

} // namespace

const QColor& TAssetScheduleForm::ErrorColor()
{
    // The colour the module draws refused rows in (the carry-forward's preview too).
    static const QColor red(Qt::red);
    return red;
}

TAssetScheduleForm::TAssetScheduleForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("AssetScheduleForm"));
    auto* top = new QWidget(ClientPanel);
    auto* line = new QHBoxLayout(top);
    line->setContentsMargins(8, 6, 8, 4);
    auto* periodLabel = new QLabel(QStringLiteral("دوره مالي"), top);
    cmbDorehMale = new QComboBox(top);
    cmbDorehMale->setObjectName(QStringLiteral("cmbDorehMale"));
    cmbDorehMale->setMinimumWidth(260);
    periodLabel->setBuddy(cmbDorehMale);
    line->addWidget(periodLabel);
    line->addWidget(cmbDorehMale);
    const auto box = [&](const QString& title, const QString& name) {
        auto* label = new QLabel(title, top);
        line->addWidget(label);
        auto* edit = new QLineEdit(top);
        label->setBuddy(edit);
        edit->setObjectName(name);
        edit->setFixedWidth(80);
        edit->installEventFilter(this);
        line->addWidget(edit);
        return edit;
    };
    EFromVez = box(QStringLiteral("از گروه اظهارنامه"), QStringLiteral("EFromVez"));
    EToVez = box(QStringLiteral("تا گروه"), QStringLiteral("EToVez"));
    cmdShow = new QPushButton(QStringLiteral("نمايش"), top);
    cmdShow->setObjectName(QStringLiteral("cmdShow"));
    line->addWidget(cmdShow);
    lbSummary = new QLabel(top);
    lbSummary->setObjectName(QStringLiteral("lbSummary"));
    line->addWidget(lbSummary, 1);
    clientLayout()->addWidget(top);
    cmbDorehMale->installEventFilter(this);
    connect(cmdShow, &QPushButton::clicked, this, [this] { ShowSchedule(); });

    dbgSchedule = ReadOnlyReportGrid(ClientPanel, this,
                                     MyDatabase != nullptr ? MyDatabase->Connection : nullptr,
                                     QStringLiteral("Schedule"), quSchedule);
    // A schedule of a large company is read a chunk at a time as the grid shows it.
    quSchedule->setFetchChunk(DataSet::kDefaultFetchChunk);
    dbgSchedule->setItemDelegate(new ScheduleDelegate(this, dbgSchedule));
    clientLayout()->addWidget(dbgSchedule, 1);
    setColumns();

    miShow = new QAction(QStringLiteral("نمايش جدول"), this);
    miShow->setObjectName(QStringLiteral("miShow"));
    miShow->setShortcut(QKeySequence(Qt::Key_F5));
    miShow->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(miShow);
    connect(miShow, &QAction::triggered, this, [this] { ShowSchedule(); });

    ReportGrid = new TReportGrid(dbgSchedule, this);
    ReportGrid->setSProg(QStringLiteral("D"));
    ReportGrid->setSItem(QStringLiteral("ASNAD"));
    ReportGrid->setSForm(QStringLiteral("ASSET_SCHEDULE"));
    ReportGrid->setTitle(QStringLiteral("مشخصات گزارش [") + Caption + QLatin1Char(']'));
    ReportGrid->setHtmlTitle(QStringLiteral("گزارش ") + Caption);
    ReportGrid->setKeyColumn(QStringLiteral("DaraCod"));
    ReportGrid->setRowColumn(QStringLiteral("IDX"));
    ReportGrid->setDataSet(quSchedule);

    ReportGrid->Menu()->addSeparator();
    R_OpenItem = AddSavedReportItem(ReportGrid->Menu(), this, SavedReportItem::Open);
    R_SaveAsItem = AddSavedReportItem(ReportGrid->Menu(), this, SavedReportItem::SaveAs);
    connect(R_SaveAsItem, &QAction::triggered, this, [this] {
        if (!quSchedule->active() || m_resultTable.isEmpty())
            return;
        SaveReportAs(Global, MyDatabase->Connection, QStringLiteral("D"), kReportKind,
                     m_resultTable.name(),
                     Caption + QLatin1Char(' ') + cmbDorehMale->currentText());
    });
    connect(R_OpenItem, &QAction::triggered, this, [this] {
        if (m_resultTable.isEmpty())
            return;
        try {
            const QString saved =
                LoadSavedReport(Global, MyDatabase->Connection, QStringLiteral("D"), kReportKind,
                                m_resultTable.name(), quSchedule, QStringLiteral("IDX"));
            if (!saved.isEmpty()) {
                m_resultTable.madeFrom(saved);
                lbSummary->clear();
                dbgSchedule->setFocus();
            }
        } catch (const DatabaseError& e) {
            ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        }
    });
}

TAssetScheduleForm::~TAssetScheduleForm()
{
    delete ReportGrid;
    dbgSchedule->setDataSet(nullptr);
}

void TAssetScheduleForm::setColumns()
{
    const auto c = [](const char* field, const QString& title, int width) {
        return DbGridColumn::Make(QString::fromLatin1(field), title, width);
    };
    dbgSchedule->setColumns({
        c("IDX", QStringLiteral("رديف"), 40),
        c("VezCod", QStringLiteral("گروه"), 45),
        c("VezNam", QStringLiteral("نام گروه اظهارنامه"), 140),
        c("DaraCod", QStringLiteral("كد دارايي"), 60),
        c("DaraNam", QStringLiteral("نام دارايي"), 160),
        c("Opening", QStringLiteral("بهاي تمام شده اول دوره"), 120),
        c("Additions", QStringLiteral("افزايش"), 110),
        c("Reductions", QStringLiteral("كاهش"), 100),
        c("Disposals", QStringLiteral("فروش و كنارگذاري"), 110),
        c("Remark", QStringLiteral("توضيح"), 130),
        c("MovedIn", QStringLiteral("انتقال به گروه"), 100),
        c("MovedOut", QStringLiteral("انتقال از گروه"), 100),
        c("TransferOut", QStringLiteral("انتقال از مركز هزينه"), 110),
        c("TransferIn", QStringLiteral("انتقال به مركز هزينه"), 110),
        c("Closing", QStringLiteral("بهاي تمام شده پايان دوره"), 120),
        c("OpeningAnbashteh", QStringLiteral("استهلاك انباشته اول دوره"), 120),
        c("ClosingAnbashteh", QStringLiteral("استهلاك انباشته پايان دوره"), 120),
        c("BookValue", QStringLiteral("ارزش دفتري پايان دوره"), 120),
        c("Difference", QStringLiteral("مغايرت"), 90),
        c("Reason", QStringLiteral("علت مغايرت"), 260),
    });
}

void TAssetScheduleForm::showEvent(QShowEvent* event)
{
    TAmvalForm::showEvent(event);
    if (m_initialised)
        return;
    m_initialised = true;
    cmbDorehMale->setFocus();
    // The totals' colours: the appearance's title colours for a group, its read-only
    // cells' for the whole schedule.
    const ColorOptions colours = ReadColorOptions(Global != nullptr ? Global->AppPath : QString());
    m_groupStyle = {colours.GridCaptionFAColor, colours.GridCaptionBAColor, true};
    m_totalStyle = {colours.GridTextFRColor, colours.GridTextBRColor, true};
    if (Global == nullptr || MyDatabase == nullptr || MyDatabase->Connection == nullptr ||
        Global->CompanyCode.trimmed().isEmpty()) {
        refuse(TAssetCardForm::NoCompanyText, cmbDorehMale);
        return;
    }
    try {
        m_groupWidth = MyDatabase->Connection->dialect().columnWidth(QStringLiteral("D_VezArat"),
                                                                     QStringLiteral("VezCod"));
        if (m_groupWidth > 0) {
            EFromVez->setMaxLength(m_groupWidth);
            EToVez->setMaxLength(m_groupWidth);
        }
        m_resultTable.start(*MyDatabase->Connection, NewWorkTableName());
        ReportGrid->setTableName(m_resultTable.name());
        fillPeriods();
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
}

void TAssetScheduleForm::fillPeriods()
{
    cmbDorehMale->clear();
    DbConnection& connection = *MyDatabase->Connection;
    // Every period of the company the register names, the current one chosen; one
    // whose database is not there is refused when shown, and says so.
    try {
        QSqlQuery q =
            connection.select(QStringLiteral("SELECT sCode, sYear, sName, DBName FROM ") +
                                  connection.dialect().tableIn(kRegister, kRegisterTable) +
                                  QStringLiteral(" WHERE trim(sCode) = ? ORDER BY sYear"),
                              {Global->CompanyCode.trimmed()});
        while (q.next())
            cmbDorehMale->addItem(q.value(1).toString() + QLatin1Char('-') + q.value(0).toString() +
                                      QStringLiteral(" : ") + q.value(2).toString(),
                                  q.value(3).toString().trimmed());
    } catch (const DatabaseError&) {
        // Without the register only the current period is offered.
    }
    int current =
        cmbDorehMale->findData(Global->DatabaseName.trimmed(), Qt::UserRole, Qt::MatchFixedString);
    if (current < 0) {
        cmbDorehMale->insertItem(0, Global->FiscalYear + QLatin1Char('-') + Global->CompanyCode,
                                 Global->DatabaseName.trimmed());
        current = 0;
    }
    cmbDorehMale->setCurrentIndex(current);
}

void TAssetScheduleForm::refuse(const QString& text, QWidget* box)
{
    ShowMessageDlg(text, QString(), QStringLiteral("1ER"));
    box->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(box))
        edit->selectAll();
}

bool TAssetScheduleForm::ShowSchedule()
{
    if (m_resultTable.isEmpty()) {
        refuse(TAssetCardForm::NoCompanyText, cmbDorehMale);
        return false;
    }
    const auto code = [this](QLineEdit* edit) {
        const QString typed = LatinDigits(edit->text()).trimmed();
        edit->setText(typed);
        return typed;
    };
    const QString from = code(EFromVez);
    const QString to = code(EToVez);
    const auto stored = [this](const QString& typed) {
        return m_groupWidth > 0 ? PadLeft(typed, m_groupWidth) : typed;
    };
    if (!from.isEmpty() && !to.isEmpty() && stored(from) > stored(to)) {
        refuse(RangeText, EToVez);
        return false;
    }
    QString source = cmbDorehMale->currentData().toString();
    if (source.compare(Global->DatabaseName.trimmed(), Qt::CaseInsensitive) == 0)
        source.clear();
    quSchedule->close();
    m_resultTable.clear();
    lbSummary->clear();
    m_complete = false;
    const int generation = ++m_generation;
    // The first screen at once, then the whole schedule, totals included, read again
    // in its place as soon as the first screen is up.
    const QStringList first{source, from, to, m_resultTable.name(), QStringLiteral("FIRST")};
    try {
        const ProcedureResult answer =
            MyDatabase->Connection->callProcedure(QStringLiteral("sp_D_Amval_Schedule"), first);
        const QString message = answer.value(QStringLiteral("Message")).toString();
        if (!message.isEmpty()) {
            refuse(message, cmbDorehMale);
            return false;
        }
        if (answer.value(QStringLiteral("Assets")).toInt() == 0) {
            if (from.isEmpty() && to.isEmpty())
                refuse(NoAssetsText, cmbDorehMale);
            else
                refuse(NoAssetsInRangeText, from.isEmpty() ? EToVez : EFromVez);
            return false;
        }
        quSchedule->open(QStringLiteral("SELECT * FROM ") + SqlIdent(m_resultTable.name()) +
                         QStringLiteral(" ORDER BY IDX"));
        remakeBy(first);
    } catch (const DatabaseError& e) {
        quSchedule->close();
        m_resultTable.clear();
        refuse(DatabaseFailureText(e), cmbDorehMale);
        return false;
    }
    setColumns();
    lbSummary->setText(QStringLiteral("در حال خواندن همه جدول ..."));
    dbgSchedule->setFocus();
    m_whole = {source, from, to};
    QTimer::singleShot(0, this, [this, generation] {
        // A schedule asked for again meanwhile reads its own.
        if (generation == m_generation)
            CompleteSchedule();
    });
    return true;
}

void TAssetScheduleForm::remakeBy(const QStringList& arguments)
{
    // The schedule's table goes with a server session that ends: the same call makes
    // it again.
    DbConnection* connection = MyDatabase->Connection;
    m_resultTable.madeBy([connection, arguments] {
        connection->callProcedure(QStringLiteral("sp_D_Amval_Schedule"), arguments);
    });
}

bool TAssetScheduleForm::CompleteSchedule()
{
    if (m_complete || m_whole.isEmpty())
        return m_complete;
    int assets = 0;
    int mismatches = 0;
    const int row = quSchedule->active() ? quSchedule->recNo() : 1;
    const QStringList whole = m_whole + QStringList{m_resultTable.name()};
    try {
        quSchedule->close();
        const ProcedureResult answer =
            MyDatabase->Connection->callProcedure(QStringLiteral("sp_D_Amval_Schedule"), whole);
        assets = answer.value(QStringLiteral("Assets")).toInt();
        mismatches = answer.value(QStringLiteral("Mismatches")).toInt();
        quSchedule->open(QStringLiteral("SELECT * FROM ") + SqlIdent(m_resultTable.name()) +
                         QStringLiteral(" ORDER BY IDX"));
        remakeBy(whole);
    } catch (const DatabaseError& e) {
        quSchedule->close();
        m_resultTable.clear();
        lbSummary->clear();
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        return false;
    }
    m_complete = true;
    setColumns();
    if (row > 1)
        quSchedule->moveBy(row - 1);
    lbSummary->setText(QStringLiteral("%1 دارايي؛ ").arg(assets) +
                       (mismatches == 0
                            ? QStringLiteral("همه رديفها با دفتر دارايي مي خوانند.")
                            : QStringLiteral("%1 رديف با دفتر دارايي نمي خواند.").arg(mismatches)));
    return true;
}

TAssetScheduleForm::RowStyle TAssetScheduleForm::StyleOfRow(int row) const
{
    RowStyle style;
    const DataSet* ds = quSchedule;
    if (ds == nullptr || !ds->active() || row < 0)
        return style;
    const DataField* kind = ds->findField(QStringLiteral("RowKind"));
    const DataField* difference = ds->findField(QStringLiteral("Difference"));
    // A saved report read back has its rows alone.
    if (kind != nullptr) {
        const int k = ds->value(row, kind->index()).toInt();
        if (k == 1)
            style = m_groupStyle;
        else if (k == 2)
            style = m_totalStyle;
    }
    if (difference != nullptr &&
        std::abs(ds->value(row, difference->index()).toDouble()) > kTolerance)
        style.text = ErrorColor();
    return style;
}

bool TAssetScheduleForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress ||
        (watched != EFromVez && watched != EToVez && watched != cmbDorehMale))
        return TAmvalForm::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // Enter walks period, first group, last group; in the last it shows.
        if (watched == cmbDorehMale) {
            EFromVez->setFocus();
            EFromVez->selectAll();
        } else if (!FocusNextBox({EFromVez, EToVez}, static_cast<QLineEdit*>(watched))) {
            ShowSchedule();
        }
        return true;
    }
    if (watched == cmbDorehMale)
        return TAmvalForm::eventFilter(watched, event);
    return FilterBoxKey(static_cast<QLineEdit*>(watched), key, QStringLiteral("NUM")) ||
           TAmvalForm::eventFilter(watched, event);
}
