#include "voucherform.h"

#include "persiantext.h"

#include <QToolTip>

#include "appearance.h"
#include "commandquery.h"
#include "copypaste.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "datetrio.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "messages.h"
#include "siblingcalls.h"
#include "sqlquote.h"
#include "tempgrid.h"

#include "context/captionpanel.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kNew = QStringLiteral("NEW");
const QString kEdit = QStringLiteral("EDIT");
const QString kError = QStringLiteral("1ER");
// The Arabic decimal separator a Persian keyboard types.
constexpr char16_t kPersianDecimal = 0x066B;

// A refused separator is said where the user types, not dropped without a word.
void SayDigitsOnly(const DbGrid& grid)
{
    const QRect cell = grid.visualRect(grid.currentIndex());
    QToolTip::showText(grid.viewport()->mapToGlobal(cell.bottomLeft()),
                       QStringLiteral("در اين ستون فقط رقم پذيرفته مي شود."), grid.viewport());
}

// An amount takes digits, one decimal point (the Persian separator becomes ".") and a
// leading minus; anything else is refused.
QChar AmountKey(const DbGrid& grid, QChar key)
{
    if (key == QChar(kPersianDecimal))
        key = QLatin1Char('.');
    if (key.isDigit() || key == QLatin1Char('.') || key == QLatin1Char('-') ||
        key == QChar(kBackspace))
        return key;
    SayDigitsOnly(grid);
    return QChar();
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, int width, bool readOnly)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(width);
    edit->setReadOnly(readOnly);
    if (readOnly)
        edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}

QLabel* MakeLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    return label;
}

bool IsEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

TVoucherForm::TVoucherForm(const TVoucherKind& kind, QWidget* parent)
    : TAmvalForm(kind.WindowCaption.isEmpty() ? kind.KindCaption : kind.WindowCaption, parent),
      m_kind(kind)
{
    // The voucher services object comes first: everything after it reads its settings.
    m_dGlobal = std::make_unique<TD_Global>(Global, MyDatabase);
    m_lookup = std::make_unique<DataSet>(MyDatabase ? MyDatabase->Connection : nullptr);
    buildWindow();
    buildMenu();
}

TVoucherForm::~TVoucherForm()
{
    // The grid lets go of its data set before the query goes.
    dbgAsnad->setDataSet(nullptr);
}

void TVoucherForm::buildWindow()
{
    auto* header = new QFrame(ClientPanel);
    header->setObjectName(QStringLiteral("HeaderPanel"));
    header->setFrameShape(QFrame::StyledPanel);
    auto* headerLayout = new QGridLayout(header);
    headerLayout->setContentsMargins(6, 4, 6, 4);
    headerLayout->setHorizontalSpacing(6);

    // Number with its spin button.
    SanadID = MakeEdit(header, QStringLiteral("SanadID"), 80, false);
    // Numbers are padded with blanks on the left: they read left to right.
    SanadID->setLayoutDirection(Qt::LeftToRight);
    SanadID->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CSpinButton1 = new QWidget(header);
    CSpinButton1->setObjectName(QStringLiteral("CSpinButton1"));
    auto* spinLayout = new QVBoxLayout(CSpinButton1);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    SpinUp = new QToolButton(CSpinButton1);
    SpinUp->setObjectName(QStringLiteral("SpinUp"));
    SpinUp->setArrowType(Qt::UpArrow);
    SpinUp->setFixedSize(18, 11);
    SpinUp->setFocusPolicy(Qt::NoFocus);
    SpinDown = new QToolButton(CSpinButton1);
    SpinDown->setObjectName(QStringLiteral("SpinDown"));
    SpinDown->setArrowType(Qt::DownArrow);
    SpinDown->setFixedSize(18, 11);
    SpinDown->setFocusPolicy(Qt::NoFocus);
    spinLayout->addWidget(SpinUp);
    spinLayout->addWidget(SpinDown);

    mDay = MakeEdit(header, QStringLiteral("mDay"), 28, false);
    mMonth = MakeEdit(header, QStringLiteral("mMonth"), 28, false);
    mYear = MakeEdit(header, QStringLiteral("mYear"), 44, false);
    for (QLineEdit* e : {mDay, mMonth, mYear}) {
        e->setLayoutDirection(Qt::LeftToRight);
        e->setAlignment(Qt::AlignCenter);
    }
    mDay->setMaxLength(2);
    mMonth->setMaxLength(2);
    mYear->setMaxLength(4);
    EUserName = MakeEdit(header, QStringLiteral("EUserName"), 110, true);
    ECompany = MakeEdit(header, QStringLiteral("ECompany"), 50, true);
    FirstID = MakeEdit(header, QStringLiteral("FirstID"), 70, true);
    LastID = MakeEdit(header, QStringLiteral("LastID"), 70, true);
    CurrentRowEdit = MakeEdit(header, QStringLiteral("CurrentRowEdit"), 45, true);
    RowCountEdit = MakeEdit(header, QStringLiteral("RowCountEdit"), 45, true);
    txtSanadNo = MakeEdit(header, QStringLiteral("txtSanadNo"), 70, true);

    auto* number = new QHBoxLayout;
    number->setSpacing(1);
    number->addWidget(SanadID);
    number->addWidget(CSpinButton1);
    auto* date = new QHBoxLayout;
    date->setSpacing(2);
    // Right to left: day, month, year read as the date is written.
    date->addWidget(mYear);
    date->addWidget(MakeLabel(header, QStringLiteral("/")));
    date->addWidget(mMonth);
    date->addWidget(MakeLabel(header, QStringLiteral("/")));
    date->addWidget(mDay);
    auto* dateBox = new QWidget(header);
    dateBox->setLayoutDirection(Qt::LeftToRight);
    date->setContentsMargins(0, 0, 0, 0);
    dateBox->setLayout(date);

    int c = 0;
    headerLayout->addWidget(MakeLabel(header, QStringLiteral("شماره سند:")), 0, c++);
    headerLayout->addLayout(number, 0, c++);
    headerLayout->addWidget(MakeLabel(header, QStringLiteral("تاريخ:")), 0, c++);
    headerLayout->addWidget(dateBox, 0, c++);
    headerLayout->addWidget(MakeLabel(header, QStringLiteral("اولين شماره:")), 0, c++);
    headerLayout->addWidget(FirstID, 0, c++);
    headerLayout->addWidget(MakeLabel(header, QStringLiteral("آخرين شماره:")), 0, c++);
    headerLayout->addWidget(LastID, 0, c++);
    headerLayout->setColumnStretch(c++, 1);
    c = 0;
    headerLayout->addWidget(MakeLabel(header, QStringLiteral("کاربر:")), 1, c++);
    headerLayout->addWidget(EUserName, 1, c++);
    headerLayout->addWidget(MakeLabel(header, QStringLiteral("شرکت:")), 1, c++);
    headerLayout->addWidget(ECompany, 1, c++);
    headerLayout->addWidget(MakeLabel(header, QStringLiteral("رديف:")), 1, c++);
    auto* rows = new QHBoxLayout;
    rows->addWidget(CurrentRowEdit);
    rows->addWidget(MakeLabel(header, QStringLiteral("از")));
    rows->addWidget(RowCountEdit);
    headerLayout->addLayout(rows, 1, c++);
    headerLayout->addWidget(MakeLabel(header, QStringLiteral("سند حسابداري:")), 1, c++);
    headerLayout->addWidget(txtSanadNo, 1, c++);
    clientLayout()->addWidget(header);

    GridPanel = new QWidget(ClientPanel);
    GridPanel->setObjectName(QStringLiteral("GridPanel"));
    auto* gridLayout = new QVBoxLayout(GridPanel);
    gridLayout->setContentsMargins(0, 2, 0, 2);
    quAsnad = new CommandQuery(nullptr, this);
    // Named after the kind's data set: exported files take that name.
    const QString dataSetName =
        m_kind.DataSetName.isEmpty() ? QStringLiteral("quAsnad") : m_kind.DataSetName;
    quAsnad->setObjectName(dataSetName);
    dbgAsnad = new DbGrid(GridPanel);
    dbgAsnad->setObjectName(QStringLiteral("dbg") + dataSetName.mid(2));
    dbgAsnad->setLayoutDirection(Qt::RightToLeft);
    dbgAsnad->setDataSet(quAsnad);
    dbgAsnad->setContextMenuPolicy(Qt::CustomContextMenu);
    gridLayout->addWidget(dbgAsnad);
    clientLayout()->addWidget(GridPanel, 1);

    FooterPanel = new QFrame(ClientPanel);
    FooterPanel->setObjectName(QStringLiteral("FooterPanel"));
    FooterLayout = new QGridLayout(FooterPanel);
    FooterLayout->setContentsMargins(6, 2, 6, 2);
    clientLayout()->addWidget(FooterPanel);

    auto* buttons = new QHBoxLayout;
    OkBitBtn = new QPushButton(QStringLiteral("تاييد"), ClientPanel);
    OkBitBtn->setObjectName(QStringLiteral("OkBitBtn"));
    cmdDel = new QPushButton(QStringLiteral("حذف"), ClientPanel);
    cmdDel->setObjectName(QStringLiteral("cmdDel"));
    cmdCancel = new QPushButton(QStringLiteral("انصراف"), ClientPanel);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {OkBitBtn, cmdDel, cmdCancel}) {
        b->setMinimumWidth(90);
        b->setAutoDefault(true);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    clientLayout()->addLayout(buttons);

    connect(OkBitBtn, &QPushButton::clicked, this, &TVoucherForm::OkBitBtnClick);
    // Saving from the keyboard without leaving the grid.
    auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    save->setContext(Qt::WidgetWithChildrenShortcut);
    connect(save, &QShortcut::activated, this, &TVoucherForm::OkBitBtnClick);
    connect(cmdDel, &QPushButton::clicked, this, &TVoucherForm::cmdDelClick);
    // Deleting the voucher from the keyboard (it asks first); Ctrl+Del alone deletes
    // a row.
    auto* remove = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), this);
    remove->setContext(Qt::WidgetWithChildrenShortcut);
    connect(remove, &QShortcut::activated, this, &TVoucherForm::cmdDelClick);
    connect(cmdCancel, &QPushButton::clicked, this, &TVoucherForm::cmdCancelClick);
    connect(SpinUp, &QToolButton::clicked, this, [this] {
        if (SanadID->text().trimmed().isEmpty())
            SanadID->setText(QStringLiteral("0"));
        LoadVoucher(1);
    });
    connect(SpinDown, &QToolButton::clicked, this, [this] {
        if (NumberText(SanadID->text()).toLongLong() <= 1)
            SanadID->setText(QStringLiteral("2"));
        LoadVoucher(-1);
    });
    SanadID->installEventFilter(this);

    // The grid's rules.
    quAsnad->beforeInsert = [this](DataSet& ds) { qu_BeforeInsert(ds); };
    quAsnad->afterInsert = [this](DataSet&) {
        RefreshFooter();
        showRowPosition();
    };
    quAsnad->beforePost = [this](DataSet& ds) { qu_BeforePost(ds); };
    quAsnad->afterPost = [this](DataSet& ds) { qu_AfterPost(ds); };
    quAsnad->beforeDelete = [this](DataSet& ds) { qu_BeforeDelete(ds); };
    quAsnad->afterDelete = [this](DataSet& ds) { qu_AfterDelete(ds); };
    quAsnad->beforeCancel = [this](DataSet& ds) {
        m_cancellingInsert = ds.state() == DataSet::State::Insert;
    };
    quAsnad->afterCancel = [this](DataSet& ds) { qu_AfterCancel(ds); };
    quAsnad->afterScroll = [this](DataSet& ds) { qu_AfterScroll(ds); };
    connect(quAsnad, &DataSet::rowChanged, this, [this] {
        if (m_mode == kNew && !m_headerOn && !OkBitBtn->isEnabled())
            SetButtons();
    });
    quAsnad->onPostError = [this](DataSet&, const DatabaseError& error) {
        if (error.kind() == DatabaseError::Kind::DuplicateKey &&
            error.object().compare(m_transTable, Qt::CaseInsensitive) == 0) {
            if (m_middleInsert) {
                // The followers were moved down for the row that did not go in.
                RenumberRows(m_transTable, QStringLiteral("DELETE"), m_rowMarker + 1);
                m_middleInsert = false;
            }
            ShowMessageDlg(m_kind.DuplicateAssetText.isEmpty()
                               ? QStringLiteral("كد دارايي تكراري مي باشد.")
                               : m_kind.DuplicateAssetText,
                           QString(), kError);
            GoFirstColumn();
            return DataSet::PostErrorAction::Abort;
        }
        return DataSet::PostErrorAction::Fail;
    };
    dbgAsnad->onError = [this](DbGrid&, const QString& message) { reportDatabaseError(message); };
    dbgAsnad->onKeyDown = [this](DbGrid&, QKeyEvent* key) { return gridKeyDown(key); };
    dbgAsnad->onKeyPress = [this](DbGrid& grid, QChar typed) {
        QChar key = NormaliseKey(typed);
        const DataField* field = grid.selectedField();
        const QString name = field ? field->fieldName() : QString();
        const QString rule = KeyRule(name);
        // Codes, amounts and form numbers keep the digits 0-9, whatever keyboard
        // layout typed them.
        if (!rule.isEmpty() || name.compare(QLatin1String("Bargeh"), Qt::CaseInsensitive) == 0)
            key = LatinDigit(key);
        if (rule == kAmountRule)
            return AmountKey(grid, key);
        if (!rule.isEmpty() && !KeyAllowed(rule, key)) {
            if (key == QLatin1Char('.') || key == QChar(kPersianDecimal))
                SayDigitsOnly(grid);
            return QChar();
        }
        return key;
    };
    dbgAsnad->onDblClick = [this](DbGrid& grid) {
        const DataField* field = grid.selectedField();
        if (field && HasPick(field->fieldName())) {
            if (GridEditable()) {
                try {
                    OpenPick(field->fieldName());
                } catch (const DatabaseError& e) {
                    reportDatabaseError(e);
                }
            }
        } else if (grid.currentIndex().isValid() &&
                   (grid.model()->flags(grid.currentIndex()) & Qt::ItemIsEditable))
            grid.editCurrentCell();
    };
    connect(dbgAsnad->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { gridEnter(); });
}

void TVoucherForm::buildMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->setLayoutDirection(Qt::RightToLeft);
    auto add = [this](const QString& name, const QString& text, const QKeySequence& key) {
        auto* action = new QAction(text, this);
        action->setObjectName(name);
        if (!key.isEmpty()) {
            action->setShortcut(key);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        PopupMenu->addAction(action);
        return action;
    };
    miHelp = add(QStringLiteral("miHelp"), QStringLiteral("راهنما"), QKeySequence(Qt::Key_F1));
    miNew = add(QStringLiteral("miNew"), QStringLiteral("سند جديد ..."),
                QKeySequence(Qt::CTRL | Qt::Key_N));
    miSearch = add(QStringLiteral("miSearch"), QStringLiteral("جستجو ..."),
                   QKeySequence(Qt::CTRL | Qt::Key_F));
    miSaveLayout = add(QStringLiteral("miSaveLayout"), QStringLiteral("ثبت وضعيت ستونها"),
                       QKeySequence(Qt::CTRL | Qt::Key_G));
    miClipboard = add(QStringLiteral("miClipboard"),
                      QStringLiteral("ارسال به Clipboard ( محيط ديگر ...)"), QKeySequence());
    miCopyRow = add(QStringLiteral("miCopyRow"), QStringLiteral("کپي رديف به حافظه"),
                    QKeySequence(Qt::CTRL | Qt::Key_Insert));
    miPasteRow = add(QStringLiteral("miPasteRow"), QStringLiteral("بازيابي رديف از حافظه "),
                     QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    miCopyCell = add(QStringLiteral("miCopyCell"), QStringLiteral("کپي خانه به حافظه"),
                     QKeySequence(Qt::CTRL | Qt::Key_C));
    miPasteCell = add(QStringLiteral("miPasteCell"), QStringLiteral("بازيابي خانه از حافظه"),
                      QKeySequence(Qt::CTRL | Qt::Key_V));
    miDeleteRow = add(QStringLiteral("miDeleteRow"), QStringLiteral("حذف رديف"),
                      QKeySequence(Qt::CTRL | Qt::Key_Delete));
    miProperties =
        add(QStringLiteral("miProperties"), QStringLiteral("مشخصات گزارش ..."), QKeySequence());
    miPrint = add(QStringLiteral("miPrint"), QStringLiteral("چاپ ..."),
                  QKeySequence(Qt::CTRL | Qt::Key_P));
    // The cell items are not shown in the menu; their keys work all the same.
    PopupMenu->removeAction(miCopyCell);
    PopupMenu->removeAction(miPasteCell);

    // Shortcuts work wherever the focus is in the window. The enabled state is the
    // menu's when it opens; a key tests the item's rule when it fires.
    addActions(PopupMenu->actions());
    addAction(miCopyCell);
    addAction(miPasteCell);

    connect(PopupMenu, &QMenu::aboutToShow, this, &TVoucherForm::updateMenuState);
    connect(PopupMenu, &QMenu::aboutToHide, this, [this] {
        for (QAction* action : actions())
            action->setEnabled(true);
    });
    connect(dbgAsnad, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu->popup(dbgAsnad->viewport()->mapToGlobal(at)); });

    auto guarded = [this](QAction* action, auto&& body) {
        connect(action, &QAction::triggered, this, [this, action, body] {
            if (!ItemAllowed(action))
                return;
            try {
                body();
            } catch (const DatabaseError& e) {
                reportDatabaseError(e);
            } catch (const DataSetError&) {
                ShowMessageDlg(QStringLiteral("مقدار کپي شده با اين ستون سازگار نيست."), QString(),
                               kError);
            }
        });
    };
    guarded(miHelp, [this] {
        ShowMessageDlg(
            QStringLiteral(
                "شماره سند را وارد کنيد و Enter بزنيد؛ با کليدهاي بالا و پايين "
                "سندهاي قبلي و بعدي ديده مي شوند. تاريخ را وارد کنيد و در سال Enter "
                "بزنيد تا رديفها باز شوند. در ستونهاي کد، Enter فهرست انتخاب را باز "
                "مي کند. ثبت سند با Ctrl+S، حذف رديف با Ctrl+Del، حذف سند با Ctrl+Shift+Del، "
                "سند جديد با Ctrl+N. Ctrl+Tab از جدول به دکمه ها مي رود."),
            m_kind.KindCaption, QStringLiteral("1IR"));
    });
    guarded(miNew, [this] {
        if (askToAbandon())
            NewVoucher(true);
    });
    guarded(miSaveLayout, [this] { SaveGridLayout(dbgAsnad, m_kind.LayoutKey); });
    guarded(miClipboard, [this] { CopyGridAsText(dbgAsnad); });
    guarded(miCopyRow, [this] { m_copiedRow = CopyRow(dbgAsnad); });
    guarded(miPasteRow, [this] {
        dbgAsnad->commitEditor();
        PasteRow(quAsnad, dbgAsnad, m_copiedRow);
    });
    guarded(miCopyCell, [this] { CopyCell(dbgAsnad); });
    guarded(miPasteCell, [this] { PasteCell(dbgAsnad); });
    guarded(miDeleteRow, [this] { DeleteCurrentRow(); });
    guarded(miSearch, [this] {
        dbgAsnad->commitEditor();
        SearchGrid(dbgAsnad, QStringLiteral("Raj"), QStringLiteral("Raj"));
    });
    guarded(miProperties, [this] {
        const QString title =
            m_kind.PropertiesCaption.isEmpty()
                ? QStringLiteral("مشخصات گزارش [") + m_kind.KindCaption + QLatin1Char(']')
                : m_kind.PropertiesCaption;
        ShowReportProperties(title, dbgAsnad);
    });
    guarded(miPrint, [this] {
        dbgAsnad->commitEditor();
        TPrintRequest request;
        request.Grid = dbgAsnad;
        request.Data = quAsnad;
        request.Title = m_kind.PrintTitle + SanadID->text().trimmed();
        request.ReportName = m_kind.ReportName;
        TPrintService().Print(request);
    });
}

bool TVoucherForm::ItemAllowed(const QAction* action) const
{
    const bool rows = quAsnad->active() && !quAsnad->isEmpty();
    const bool editable = rows && GridEditable();
    if (action == miHelp || action == miNew)
        return true;
    if (action == miSaveLayout)
        return rows;
    if (action == miClipboard)
        return rows && Global && Global->CopyPermission.trimmed().toUpper() != QStringLiteral("NO");
    if (action == miCopyRow || action == miCopyCell || action == miPasteCell ||
        action == miDeleteRow)
        return editable;
    if (action == miPasteRow)
        return editable && !m_copiedRow.isEmpty();
    if (action == miSearch)
        return rows && quAsnad->recordCount() > 1;
    if (action == miProperties)
        return rows;
    if (action == miPrint)
        return rows && Global &&
               Global->PrintPermission.trimmed().toUpper() != QStringLiteral("NO");
    return false;
}

void TVoucherForm::updateMenuState()
{
    for (QAction* action : actions())
        action->setEnabled(ItemAllowed(action));
}

// ---------------------------------------------------------------------------
// Initialisation

void TVoucherForm::showEvent(QShowEvent* event)
{
    TAmvalForm::showEvent(event);
    if (m_initialised)
        return;
    m_initialised = true;
    try {
        Initialise();
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
    }
}

void TVoucherForm::Initialise()
{
    DbConnection* connection = MyDatabase->Connection;
    quAsnad->setConnection(connection);
    m_lookup->setConnection(connection);
    m_transTable = QStringLiteral("##") + Global->TempStem + MyDate->TimeStamp();

    EUserName->setText(Global->UserName);
    // The user's copy and print rights, which the menu items and their keys follow.
    ReadCopyPrintRights(Global);
    CreateExtraTables();
    m_companyStartDate = m_dGlobal->CompanyStartDate;
    SanadID->setText(m_dGlobal->NextVoucherNumber(m_kind.Table));

    // The working copy accepts exactly what the voucher table accepts.
    m_lookup->open(QStringLiteral("Select * From ") + SqlIdent(m_kind.Table) +
                   QStringLiteral(" LIMIT 1"));
    for (int i = 0; i < m_lookup->fieldCount(); ++i) {
        const DataField* field = m_lookup->field(i);
        const int width = connection->dialect().columnWidth(m_kind.Table, field->fieldName());
        m_fieldWidths.insert(field->fieldName().toUpper(), width > 0 ? width : field->size());
    }
    m_lookup->close();
    const int numberWidth = FieldWidth(QStringLiteral("SanadNoAmval"));
    if (numberWidth > 0)
        SanadID->setMaxLength(numberWidth);

    m_dateTrio = new TDateTrio(mDay, mMonth, mYear, this);
    connect(m_dateTrio, &TDateTrio::commitRequested, this, [this] {
        try {
            CommitDate();
        } catch (const DatabaseError& e) {
            reportDatabaseError(e);
        }
    });

    dbgAsnad->setColumns(GridColumns());
    CreateFooter();
    {
        DataSet layoutQuery(connection);
        LoadGridLayout(&layoutQuery, dbgAsnad, m_kind.LayoutKey);
    }
    // The colours reach the columns and the footer, which exist only now.
    ApplyColorOptions(this);
    m_rights = m_dGlobal->VoucherRights(m_kind.RightsPrefix);
    HeaderMode(true);
    NewVoucher(false);
    SanadID->setFocus();
}

// ---------------------------------------------------------------------------
// Header

QString TVoucherForm::PaddedNumber() const
{
    return PadLeft(SanadID->text().trimmed(), FieldWidth(QStringLiteral("SanadNoAmval")));
}

QString TVoucherForm::VoucherDate() const
{
    return mYear->text() + QLatin1Char('/') + mMonth->text() + QLatin1Char('/') + mDay->text();
}

void TVoucherForm::setDateEdits(const QString& date)
{
    mYear->setText(date.mid(0, 4));
    mMonth->setText(date.mid(5, 2));
    mDay->setText(date.mid(8, 2));
}

void TVoucherForm::HeaderMode(bool on)
{
    m_headerOn = on;
    CSpinButton1->setEnabled(on);
    SanadID->setEnabled(on);
    mDay->setEnabled(on);
    mMonth->setEnabled(on);
    mYear->setEnabled(on);
    OkBitBtn->setEnabled(!on);
    cmdDel->setEnabled(!on);
    GridPanel->setEnabled(!on);
}

void TVoucherForm::NewVoucher(bool fromMenu)
{
    if (fromMenu)
        SanadID->setText(m_dGlobal->NextVoucherNumber(m_kind.Table));
    HeaderMode(true);
    SanadID->setText(PaddedNumber());
    m_defaultDate = m_dGlobal->ShowNumberBounds(m_kind.Table, SanadID->text(), LastID, FirstID,
                                                mYear, mMonth, mDay);
    RowCountEdit->clear();
    CurrentRowEdit->clear();
    txtSanadNo->clear();
    EUserName->setText(Global->UserName);
    ECompany->setText(Global->CompanyCode);
    ClearFooter();
    OkBitBtn->setEnabled(false);
    if (quAsnad->active()) {
        if (quAsnad->state() != DataSet::State::Browse)
            quAsnad->cancel();
        quAsnad->close();
    }
    dbgAsnad->setEditingEnabled(true);
    mYear->setReadOnly(false);
    mMonth->setReadOnly(false);
    mDay->setReadOnly(false);
    m_sanadNo = QStringLiteral("-1");
    // A copied row stays for the window's life: it may be pasted into the next voucher.
    UpdateCaption(kNew);
    if (fromMenu)
        SanadID->setFocus();
}

void TVoucherForm::openGrid()
{
    quAsnad->open(QStringLiteral("Select * From ") + SqlIdent(m_transTable) +
                  QStringLiteral(" Order By Raj "));
    for (int i = 0; i < quAsnad->fieldCount(); ++i) {
        DataField* field = quAsnad->field(i);
        const int width = FieldWidth(field->fieldName());
        if (width > 0 && field->kind() == DataField::Kind::Text)
            field->setSize(width);
    }
    ConfigureFields();
}

void TVoucherForm::LoadVoucher(int direction)
{
    m_otherPeriod = false;
    SanadID->setText(NumberText(SanadID->text()));
    qlonglong number = SanadID->text().toLongLong();
    if (direction > 0)
        ++number;
    else if (direction < 0)
        number = std::max<qlonglong>(1, number - 1);
    if (number < 1)
        number = 1;
    m_sanadNo = PadLeft(QString::number(number), FieldWidth(QStringLiteral("SanadNoAmval")));
    SanadID->setText(m_sanadNo);

    m_stamp = MyDatabase->Connection
                  ->callProcedure(m_kind.Procedure,
                                  {m_transTable, m_sanadNo, QStringLiteral("DB->TRANS")})
                  .value(QStringLiteral("Stamp"))
                  .toString();
    openGrid();

    const bool rows = !quAsnad->isEmpty();
    m_loadedDate = rows ? quAsnad->fieldByName(QStringLiteral("sDate"))->asString() : QString();
    if (rows) {
        setDateEdits(m_loadedDate);
        txtSanadNo->setText(
            m_dGlobal->AccountingVoucherNo(m_lookup.get(), m_kind.TypeCode, m_sanadNo));
    } else {
        setDateEdits(m_defaultDate);
        txtSanadNo->clear();
    }
    m_otherPeriod = rows && m_kind.RecognisesOtherPeriod && VoucherDate() > Global->EndDate;
    const bool beforePeriod = VoucherDate() < Global->StartDate;
    mYear->setReadOnly(beforePeriod && rows);
    mMonth->setReadOnly(beforePeriod && rows);
    mDay->setReadOnly(beforePeriod && rows);
    RefreshFooter();
    RefreshTotals();
    showRowPosition();
    m_dayBookFlag =
        m_dGlobal->DayBookAllows(false, quAsnad, m_sanadNo, VoucherDate(), m_kind.TypeCode);
    UpdateCaption(rows ? kEdit : kNew);
}

void TVoucherForm::CommitDate()
{
    SanadID->setText(PaddedNumber());
    if (!quAsnad->active() || PaddedNumber() != m_sanadNo) {
        // The date was reached without Enter in the number: load that voucher first,
        // keeping the date the user typed when the number is a new one.
        const QString typed = VoucherDate();
        LoadVoucher(0);
        if (quAsnad->isEmpty())
            setDateEdits(typed);
    }
    const QString date = VoucherDate();
    const bool rows = !quAsnad->isEmpty();
    if ((date < Global->StartDate || date > Global->EndDate) && !rows) {
        ShowMessageDlg(QStringLiteral("تاريخ وارد شده با تاريخ دوره مالي مطابقت ندارد."), QString(),
                       kError);
        mYear->setFocus();
        return;
    }
    if (!rows) {
        if (m_dGlobal->LastDepreciationDate >= date) {
            ShowMessageDlg(QStringLiteral("سند هزينه استهلاک تا تاريخ ") +
                               m_dGlobal->LastDepreciationDate + QStringLiteral(" صادر شده است."),
                           QString(), kError);
            mDay->setFocus();
            return;
        }
        if (!m_rights.contains(QLatin1Char('N'))) {
            ShowMessageDlg(m_kind.NewRefusalText.isEmpty()
                               ? QStringLiteral("کاربر مجاز به ثبت ") + m_kind.KindCaption +
                                     QStringLiteral(" جديد نيست")
                               : m_kind.NewRefusalText,
                           QString(), kError);
            SanadID->setFocus();
            return;
        }
        if (!m_dGlobal->DayBookAllows(true, quAsnad, m_sanadNo, date, m_kind.TypeCode))
            return;
    } else {
        m_dayBookFlag = m_dGlobal->DayBookAllows(false, quAsnad, m_sanadNo, date, m_kind.TypeCode);
    }

    HeaderMode(false);
    SetButtons();
    ExecSQL(MyDatabase, QStringLiteral("Update ") + SqlIdent(m_transTable) +
                            QStringLiteral(" Set sDate = ") + SqlQuote(date) + QLatin1Char(' '));
    quAsnad->requery();
    UpdateCaption(m_mode);
    quAsnad->first();
    dbgAsnad->setFocus();
    GoFirstColumn();
    AfterDateCommit();
    RefreshFooter();
    showRowPosition();
}

bool TVoucherForm::GridEditable() const
{
    if (m_headerOn)
        return false;
    // A new voucher starts without rows: the date commit already tested the right
    // to make one, so its grid takes the first row.
    if (m_mode == kNew)
        return quAsnad->active();
    return OkBitBtn->isEnabled();
}

void TVoucherForm::SetButtons()
{
    const bool rows = quAsnad->active() && !quAsnad->isEmpty();
    const QString date = VoucherDate();
    bool ok = false;
    bool del = false;
    if (m_mode == kNew) {
        // A first row being typed counts: OK posts it (with its checks) and saves.
        ok = rows || (quAsnad->state() == DataSet::State::Insert && quAsnad->modified());
    } else {
        const bool editable = rows && txtSanadNo->text().trimmed().isEmpty() &&
                              date > m_dGlobal->LastDepreciationDate && !m_otherPeriod &&
                              m_dayBookFlag;
        const bool inPeriod = date >= Global->StartDate;
        ok = editable && m_rights.contains(QLatin1Char('E')) && inPeriod;
        del = editable && m_rights.contains(QLatin1Char('D')) && inPeriod;
    }
    OkBitBtn->setEnabled(ok && !m_headerOn);
    cmdDel->setEnabled(del && !m_headerOn);
    const bool editing = GridEditable();
    dbgAsnad->setEditingEnabled(editing);
    quAsnad->setReadOnly(!editing);
}

void TVoucherForm::UpdateCaption(const QString& mode)
{
    m_mode = mode;
    const QString kind = m_kind.KindCaption;
    const QString number = SanadID->text().trimmed();
    QString text;
    if (!quAsnad->active()) {
        text = QStringLiteral("ثبت سند ") + kind;
    } else if (quAsnad->isEmpty()) {
        text = QStringLiteral("ثبت سند ") + kind + QLatin1Char(' ') + number;
    } else {
        text = QStringLiteral("ويرايش سند ") + kind + QLatin1Char(' ') + number;
        const QString date = VoucherDate();
        const QString last = m_dGlobal->LastDepreciationDate;
        if (!txtSanadNo->text().trimmed().isEmpty())
            text += QStringLiteral("(سند حسابداري صادر شده است)");
        else if (last > date)
            text += QStringLiteral("(سند حسابداري هزينه استهلاک تا تاريخ ") + last +
                    QStringLiteral(" صادر شده است)");
        else if (m_otherPeriod)
            text += QStringLiteral("(سند ") + kind + QStringLiteral(" دوره مالي ديگر)");
        else if (!m_rights.contains(QLatin1Char('E')))
            text += m_kind.NoEditSuffix.isEmpty() ? QStringLiteral("(مجاز به ويرايش نمي باشيد)")
                                                  : m_kind.NoEditSuffix;
        else if (!m_dayBookFlag)
            text += QStringLiteral("(به روزآوري شده است)");
        else if (date < Global->StartDate)
            text += QStringLiteral(
                "(تاريخ از تاريخ شروع دوره مالي كوچكتر است. امكان ويرايش وجود ندارد)");
    }
    m_captionText = text;
    setWindowTitle(text);
    Caption_Panel->setCaption(QString(15, QLatin1Char(' ')) + text);
}

bool TVoucherForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SanadID) {
        try {
            if (event->type() == QEvent::KeyPress)
                return SanadIDKey(static_cast<QKeyEvent*>(event));
            if (event->type() == QEvent::FocusOut)
                SanadID_Exit();
        } catch (const DatabaseError& e) {
            reportDatabaseError(e);
            return true;
        }
    }
    return TAmvalForm::eventFilter(watched, event);
}

bool TVoucherForm::SanadIDKey(QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Up:
        if (SanadID->text().trimmed().isEmpty())
            SanadID->setText(QStringLiteral("0"));
        LoadVoucher(1);
        return true;
    case Qt::Key_Down:
        if (NumberText(SanadID->text()).toLongLong() <= 1)
            SanadID->setText(QStringLiteral("2"));
        LoadVoucher(-1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!SanadID_Exit())
            return true;
        LoadVoucher(0);
        mDay->setFocus();
        mDay->selectAll();
        return true;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    const QChar typed = text.at(0);
    if (!typed.isPrint() && typed != QChar(kBackspace))
        return false;
    if (!KeyAllowed(QStringLiteral("NUM"), typed))
        return true;
    // A digit of a Persian keyboard goes in as the digit 0-9.
    if (LatinDigit(typed) != typed) {
        SanadID->insert(QString(LatinDigit(typed)));
        return true;
    }
    return false;
}

bool TVoucherForm::SanadID_Exit()
{
    if (m_inExit || !SanadID->isEnabled() || !isVisible())
        return true;
    m_inExit = true;
    const QString padded = PaddedNumber();
    SanadID->setText(padded);
    bool ok = NumberText(padded).toLongLong() > 0;
    if (!ok) {
        ShowMessageDlg(m_kind.BadNumberText.isEmpty()
                           ? QStringLiteral("شماره ") + m_kind.KindCaption +
                                 QStringLiteral(" بدرستي وارد نشده است")
                           : m_kind.BadNumberText,
                       QString(), kError);
        SanadID->setText(QStringLiteral("1"));
        SanadID->setFocus();
    }
    m_inExit = false;
    return ok;
}

// ---------------------------------------------------------------------------
// Grid

DataField* TVoucherForm::Field(const QString& name) const
{
    return quAsnad->active() ? quAsnad->findField(name) : nullptr;
}

QString TVoucherForm::FieldText(const QString& name) const
{
    const DataField* field = Field(name);
    return field ? field->asString() : QString();
}

bool TVoucherForm::Inserting() const
{
    return quAsnad->state() == DataSet::State::Insert;
}

void TVoucherForm::GoFirstColumn()
{
    for (int i = 0; i < dbgAsnad->columnCountOfGrid(); ++i) {
        if (dbgAsnad->columns().at(i).visible) {
            dbgAsnad->setSelectedIndex(i);
            break;
        }
    }
    applyColumnEditability();
}

QString TVoucherForm::Refuse(const QString& text, const QString& field)
{
    ShowMessageDlg(text, QString(), kError);
    dbgAsnad->focusField(field);
    return field;
}

bool TVoucherForm::ColumnEditable(const QString&) const
{
    return true;
}

QString TVoucherForm::KeyRule(const QString&) const
{
    return QString();
}

bool TVoucherForm::HasPick(const QString&) const
{
    return false;
}

int TVoucherForm::OpenPick(const QString&)
{
    return 1;
}

bool TVoucherForm::EnterOpensPick(const QString& field) const
{
    return HasPick(field);
}

QString TVoucherForm::EnterTarget(const QString&) const
{
    return QString();
}

bool TVoucherForm::IsLastEditable(const QString& field) const
{
    for (int i = dbgAsnad->columnCountOfGrid() - 1; i >= 0; --i) {
        const DbGridColumn& column = dbgAsnad->columns().at(i);
        if (column.visible)
            return column.fieldName.compare(field, Qt::CaseInsensitive) == 0;
    }
    return false;
}

void TVoucherForm::applyColumnEditability()
{
    const QList<DbGridColumn> designed = GridColumns();
    for (int i = 0; i < dbgAsnad->columnCountOfGrid(); ++i) {
        DbGridColumn& column = dbgAsnad->column(i);
        bool fixed = false;
        for (const DbGridColumn& d : designed) {
            if (d.fieldName.compare(column.fieldName, Qt::CaseInsensitive) == 0)
                fixed = d.readOnly;
        }
        column.readOnly = fixed || !ColumnEditable(column.fieldName);
    }
}

void TVoucherForm::gridEnter()
{
    applyColumnEditability();
}

void TVoucherForm::showRowPosition()
{
    TD_Global::ShowRowPosition(quAsnad, CurrentRowEdit, RowCountEdit);
}

void TVoucherForm::advanceColumn()
{
    const int current = dbgAsnad->selectedIndex();
    for (int i = current + 1; i < dbgAsnad->columnCountOfGrid(); ++i) {
        if (dbgAsnad->columns().at(i).visible) {
            dbgAsnad->setSelectedIndex(i);
            applyColumnEditability();
            return;
        }
    }
}

void TVoucherForm::goOnFrom(const QString& field)
{
    if (IsLastEditable(field)) {
        postAndGoOn();
        return;
    }
    // A code typed into the row names itself below the grid as the cursor moves on.
    RefreshFooter();
    const QString target = EnterTarget(field);
    if (target.isEmpty() || dbgAsnad->columnOf(target) < 0) {
        advanceColumn();
        return;
    }
    dbgAsnad->setSelectedIndex(dbgAsnad->columnOf(target));
    applyColumnEditability();
}

bool TVoucherForm::postAndGoOn()
{
    if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
        return false;
    if (!quAsnad->post())
        return false;
    if (quAsnad->recNo() >= quAsnad->recordCount()) {
        if (GridEditable())
            quAsnad->append();
    } else {
        quAsnad->next();
    }
    GoFirstColumn();
    showRowPosition();
    return true;
}

bool TVoucherForm::gridKeyDown(QKeyEvent* key)
{
    if (!IsEnter(key) || key->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (!quAsnad->active())
        return true;
    try {
        dbgAsnad->commitEditor();
        if (quAsnad->isEmpty()) {
            if (GridEditable())
                quAsnad->append();
            GoFirstColumn();
            return true;
        }
        const DataField* field = dbgAsnad->selectedField();
        const QString name = field ? field->fieldName() : QString();
        if (!GridEditable()) {
            // A read-only voucher: Enter only walks.
            if (IsLastEditable(name)) {
                quAsnad->next();
                GoFirstColumn();
            } else {
                advanceColumn();
            }
            return true;
        }
        if (EnterOpensPick(name)) {
            if (OpenPick(name) == 1)
                goOnFrom(name);
            return true;
        }
        goOnFrom(name);
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
    }
    return true;
}

void TVoucherForm::reportDatabaseError(const QString& message)
{
    ShowMessageDlg(message, QString(), kError);
}

void TVoucherForm::reportDatabaseError(const DatabaseError& error)
{
    ShowMessageDlg(DatabaseFailureText(error), QString(), kError);
}

// ---------------------------------------------------------------------------
// Data set events

void TVoucherForm::qu_BeforeInsert(DataSet& ds)
{
    if (!GridEditable())
        DataSet::Abort();
    GoFirstColumn();
    const DataField* raj = ds.findField(QStringLiteral("Raj"));
    m_rowMarker = raj && !ds.isEmpty() ? raj->asInteger() : 0;
}

void TVoucherForm::qu_BeforePost(DataSet& ds)
{
    const bool inserting = ds.state() == DataSet::State::Insert;
    ds.fieldByName(QStringLiteral("SanadNoAmval"))->setValue(PaddedNumber());
    ds.fieldByName(QStringLiteral("User_Name"))->setValue(EUserName->text());
    ds.fieldByName(QStringLiteral("sDate"))->setValue(VoucherDate());
    // A form number pasted from elsewhere keeps the digits 0-9 too: one form is
    // stored and compared.
    if (DataField* form = ds.findField(QStringLiteral("Bargeh")); form && !form->isNull())
        form->setValue(LatinDigits(form->asString()));
    NormaliseRow();
    if (!CheckRow().isEmpty())
        DataSet::Abort();
    AfterRowChecks();

    // Row number: at the end the next one; in the middle the row takes the number
    // of the row it went in front of, and the rows from there on move down.
    m_middleInsert = false;
    if (inserting) {
        const bool middle = ds.currentRow() < ds.recordCount() - 1 && m_rowMarker > 0;
        if (middle) {
            RenumberRows(m_transTable, QStringLiteral("INSERT"), m_rowMarker);
            ds.fieldByName(QStringLiteral("Raj"))->setValue(m_rowMarker);
            m_middleInsert = true;
        } else {
            ds.fieldByName(QStringLiteral("Raj"))->setValue(ds.recordCount());
        }
    }
}

void TVoucherForm::qu_AfterPost(DataSet& ds)
{
    AfterRowPost();
    SetButtons();
    RefreshTotals();
    if (m_middleInsert) {
        m_middleInsert = false;
        ds.requery();
        ds.setCurrentRow(m_rowMarker - 1);
    }
    showRowPosition();
}

void TVoucherForm::qu_BeforeDelete(DataSet& ds)
{
    if (!m_deleteFromMenu)
        DataSet::Abort();
    BeforeRowDelete();
    const DataField* raj = ds.findField(QStringLiteral("Raj"));
    m_rowMarker = raj ? raj->asInteger() : 0;
}

void TVoucherForm::qu_AfterDelete(DataSet& ds)
{
    SetButtons();
    RefreshTotals();
    if (!ds.isEmpty() && ds.recordCount() >= m_rowMarker && m_rowMarker > 0) {
        RenumberRows(m_transTable, QStringLiteral("DELETE"), m_rowMarker);
        ds.requery();
        ds.setCurrentRow(m_rowMarker - 1);
    }
    RefreshFooter();
    showRowPosition();
}

void TVoucherForm::qu_AfterCancel(DataSet& ds)
{
    // A new row that was given up leaves the cursor on the last row.
    if (m_cancellingInsert && !ds.isEmpty())
        ds.last();
    m_cancellingInsert = false;
    RefreshFooter();
    showRowPosition();
}

void TVoucherForm::qu_AfterScroll(DataSet&)
{
    RefreshFooter();
    showRowPosition();
    applyColumnEditability();
}

void TVoucherForm::DeleteCurrentRow()
{
    if (!quAsnad->active() || quAsnad->isEmpty() || !GridEditable())
        return;
    if (ShowMessageDlg(QStringLiteral("آيا حذف شود؟"), QString(), QStringLiteral("3QR")) !=
        TDlgMsg::mrYes)
        return;
    dbgAsnad->commitEditor();
    m_deleteFromMenu = true;
    try {
        quAsnad->deleteRow();
    } catch (...) {
        m_deleteFromMenu = false;
        throw;
    }
    m_deleteFromMenu = false;
}

// ---------------------------------------------------------------------------
// Buttons

void TVoucherForm::OkBitBtnClick()
{
    if (!OkBitBtn->isEnabled())
        return;
    // A row still being typed is posted first; a refused row stops the save.
    dbgAsnad->commitEditor();
    try {
        if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
            quAsnad->cancel();
        else if (!quAsnad->post())
            return;
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }

    try {
        if (!GuardMovedDate())
            return;
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }
    QString stored;
    QString notice;
    if (!SaveVoucher(stored, notice))
        return;
    const bool renumbered =
        m_mode != kEdit && !stored.isEmpty() && stored.trimmed() != SanadID->text().trimmed();
    if (renumbered) {
        ShowMessageDlg(QStringLiteral("شماره ") + SanadID->text().trimmed() +
                           QStringLiteral(" در اين فاصله توسط کاربر ديگري ثبت شد؛ سند ") +
                           m_kind.KindCaption + QStringLiteral(" با شماره ") + stored.trimmed() +
                           QStringLiteral(" ذخيره شد."),
                       QString(), QStringLiteral("1IR"));
    }
    if (!notice.isEmpty())
        ShowMessageDlg(notice, QString(), kError);
    try {
        if (m_mode != kEdit)
            SanadID->setText(QString::number(NumberText(stored).toLongLong() + 1));
        NewVoucher(false);
        SanadID->setFocus();
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
    }
}

bool TVoucherForm::GuardMovedDate()
{
    if (m_mode != kEdit || m_loadedDate.isEmpty() || VoucherDate() == m_loadedDate ||
        quAsnad->findField(QStringLiteral("DaraCod")) == nullptr)
        return true;
    for (int row = 0; row < quAsnad->recordCount(); ++row) {
        const QString asset =
            quAsnad->value(row, quAsnad->fieldByName(QStringLiteral("DaraCod"))->index())
                .toString();
        if (asset.trimmed().isEmpty())
            continue;
        const QString column =
            m_dGlobal->AssetStateGuard(m_lookup.get(), asset, PaddedNumber(), VoucherDate());
        if (!column.isEmpty()) {
            quAsnad->setCurrentRow(row);
            dbgAsnad->focusField(column);
            return false;
        }
    }
    return true;
}

// Rows, cost components, accounting voucher, day-book and action log are stored in
// one transaction: all of them or none. A new voucher's number is taken inside it
// (the procedure stores the rows under the next free number when another user took
// this one meanwhile); an edit is refused when the stored voucher is no longer the
// one this window loaded. Messages wait until the transaction has ended, so that
// no other user waits on a message box.
bool TVoucherForm::SaveVoucher(QString& storedNumber, QString& notice)
{
    const QString failure =
        QStringLiteral("بدليل وجود اشکال در دادهها, اطلاعات نميتواند ذخيره شود.");
    const bool isNew = m_mode != kEdit;
    QString refusal;
    try {
        Transaction transaction(*MyDatabase->Connection);
        QStringList arguments = SaveArguments();
        arguments << QStringLiteral("@Expect=") + (isNew ? QStringLiteral("NEW") : m_stamp);
        const ProcedureResult result =
            MyDatabase->Connection->callProcedure(m_kind.Procedure, arguments);
        if (result.value(QStringLiteral("RetState")).toString().trimmed() != QStringLiteral("1")) {
            const QString conflict = result.value(QStringLiteral("Conflict")).toString();
            if (conflict == QLatin1String("DELETED"))
                refusal = QStringLiteral("سند ") + m_kind.KindCaption + QStringLiteral(" شماره ") +
                          SanadID->text().trimmed() +
                          QStringLiteral(" در اين فاصله توسط کاربر ديگري حذف شده است و تغييرات "
                                         "شما ذخيره نشد.\nرديفهاي وارد شده در پنجره باقي است.");
            else if (conflict == QLatin1String("CHANGED"))
                refusal = QStringLiteral("سند ") + m_kind.KindCaption + QStringLiteral(" شماره ") +
                          SanadID->text().trimmed() +
                          QStringLiteral(" در اين فاصله توسط کاربر ديگري تغيير کرده است و "
                                         "تغييرات شما ذخيره نشد.\nرديفهاي وارد شده در پنجره "
                                         "باقي است؛ براي ديدن سند ثبت شده، انصراف را بزنيد و "
                                         "سند را دوباره باز کنيد.");
            else
                refusal = failure;
        } else {
            storedNumber = result.value(QStringLiteral("SanadNoAmval")).toString();
            if (storedNumber.trimmed().isEmpty())
                storedNumber = SanadID->text();
            storedNumber =
                PadLeft(storedNumber.trimmed(), FieldWidth(QStringLiteral("SanadNoAmval")));
            if (m_kind.InstantVoucher)
                m_dGlobal->IssueInstantVoucher(m_kind.TypeCode, m_transTable, storedNumber,
                                               VoucherDate(), &notice);
            MyDatabase->Connection->callProcedure(
                QStringLiteral("sp_Asnad_Actions"),
                {QString(), QStringLiteral("A"), m_kind.ActionLabelText(), storedNumber,
                 Global->UserName, isNew ? QStringLiteral("I") : QStringLiteral("E"), Global->Today,
                 MyDate->ClockText(), QString(), QString(), QString(), Global->TempStem});
            transaction.commit();
            return true;
        }
    } catch (const DatabaseError& e) {
        // Nothing was stored. A lock, a read-only folder or a damaged file is named as
        // such; anything else is the save's own message.
        switch (e.kind()) {
        case DatabaseError::Kind::Busy:
        case DatabaseError::Kind::ReadOnly:
        case DatabaseError::Kind::Unavailable:
        case DatabaseError::Kind::NotADatabase:
            refusal = DatabaseFailureText(e);
            break;
        default:
            refusal = failure;
            break;
        }
    }
    ShowMessageDlg(refusal, QString(), kError);
    return false;
}

void TVoucherForm::cmdDelClick()
{
    if (!cmdDel->isEnabled())
        return;
    if (ShowMessageDlg(QStringLiteral("آيا سند حذف شود؟"), QString(), QStringLiteral("3QR")) !=
        TDlgMsg::mrYes)
        return;
    QString refusal;
    try {
        SanadID->setText(PaddedNumber());
        // The log and the delete are one transaction: a voucher is never gone without
        // its entry, nor logged as deleted while it stays.
        Transaction transaction(*MyDatabase->Connection);
        MyDatabase->Connection->callProcedure(
            QStringLiteral("sp_Asnad_Actions"),
            {QString(), QStringLiteral("A"), m_kind.ActionLabelText(), SanadID->text(),
             Global->UserName, QStringLiteral("D"), Global->Today, MyDate->ClockText(), QString(),
             QString(), QString(), Global->TempStem});
        const ProcedureResult result = MyDatabase->Connection->callProcedure(
            m_kind.Procedure, {QString(), SanadID->text(), QStringLiteral("DELETE"),
                               QStringLiteral("@Expect=") + m_stamp});
        const QString conflict = result.value(QStringLiteral("Conflict")).toString();
        if (conflict == QLatin1String("DELETED"))
            refusal = QStringLiteral("سند ") + m_kind.KindCaption + QStringLiteral(" شماره ") +
                      SanadID->text().trimmed() +
                      QStringLiteral(" پيش از اين توسط کاربر ديگري حذف شده است.");
        else if (conflict == QLatin1String("CHANGED"))
            refusal = QStringLiteral("سند ") + m_kind.KindCaption + QStringLiteral(" شماره ") +
                      SanadID->text().trimmed() +
                      QStringLiteral(" در اين فاصله توسط کاربر ديگري تغيير کرده است و حذف "
                                     "نشد.\nسند را دوباره باز کنيد و ببينيد.");
        else
            transaction.commit();
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }
    if (!refusal.isEmpty()) {
        ShowMessageDlg(refusal, QString(), kError);
        return;
    }
    try {
        NewVoucher(false);
        SanadID->setFocus();
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
    }
}

QHash<QString, QString> TVoucherForm::ReadNames(const QList<TNamePart>& parts) const
{
    QStringList selects;
    for (const TNamePart& part : parts) {
        if (!part.Value.trimmed().isEmpty())
            selects << QStringLiteral("(") + part.Select + SqlQuote(part.Value) +
                           QStringLiteral(" LIMIT 1) AS ") + part.Name;
    }
    QHash<QString, QString> names;
    if (selects.isEmpty())
        return names;
    m_lookup->open(QStringLiteral("Select ") + selects.join(QStringLiteral(", ")));
    for (int i = 0; i < m_lookup->fieldCount(); ++i)
        names.insert(m_lookup->field(i)->fieldName(), m_lookup->field(i)->asString().trimmed());
    m_lookup->close();
    return names;
}

void TVoucherForm::CreateChainNameBoxes()
{
    EKollNam = FooterEdit(QStringLiteral("EKollNam"), 150);
    EMoeinNam = FooterEdit(QStringLiteral("EMoeinNam"), 150);
    ETafsilyNam = FooterEdit(QStringLiteral("ETafsilyNam"), 150);
    ETafsily2Nam = FooterEdit(QStringLiteral("ETafsily2Nam"), 150);
    EProjectNam = FooterEdit(QStringLiteral("EProjectNam"), 150);
}

QList<TNamePart> TVoucherForm::ChainNameParts(const QString& koll, const QString& moein,
                                              const QString& tafsily, const QString& tafsily2,
                                              const QString& project) const
{
    return {{"KNamHesab", "Select NamHesab   From Koll       Where Koll      = ", koll},
            {"MNamHesab", "Select NamHesab   From Moein      Where Koll||Moein= ",
             moein.trimmed().isEmpty() ? QString() : koll + moein},
            {"TNamHesab", "Select NamHesab   From Tafsily    Where Tafsily   = ", tafsily},
            {"T2NamHesab", "Select NamHesab   From Tafsily2   Where Tafsily2  = ", tafsily2},
            {"PNamHesab", "Select ProjectNam From M_Project  Where ProjectCod= ", project}};
}

void TVoucherForm::ShowChainNames(const QHash<QString, QString>& names)
{
    const std::pair<QLineEdit*, const char*> boxes[] = {{EKollNam, "KNamHesab"},
                                                        {EMoeinNam, "MNamHesab"},
                                                        {ETafsilyNam, "TNamHesab"},
                                                        {ETafsily2Nam, "T2NamHesab"},
                                                        {EProjectNam, "PNamHesab"}};
    for (const auto& [box, name] : boxes) {
        if (box != nullptr)
            box->setText(names.value(QString::fromLatin1(name)));
    }
}

QLineEdit* TVoucherForm::FooterEdit(const QString& name, int width, bool amount)
{
    auto* e = new QLineEdit(FooterPanel);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setMinimumWidth(width);
    if (amount) {
        e->setLayoutDirection(Qt::LeftToRight);
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    return e;
}

void TVoucherForm::LayOutFooter(const QList<std::pair<QLabel*, QLineEdit*>>& pairs, int row,
                                int perLine)
{
    for (int i = 0; i < pairs.size(); ++i) {
        FooterLayout->addWidget(pairs.at(i).first, row + i / perLine, (i % perLine) * 2);
        FooterLayout->addWidget(pairs.at(i).second, row + i / perLine, (i % perLine) * 2 + 1);
    }
}

QStringList TVoucherForm::SaveArguments() const
{
    return {m_transTable, SanadID->text(), QStringLiteral("TRANS->DB")};
}

bool TVoucherForm::askToAbandon()
{
    const bool rows = quAsnad->active() && !quAsnad->isEmpty();
    if (!rows || !GridEditable() || m_mode.isEmpty())
        return true;
    return ShowMessageDlg(QStringLiteral("آيا از ثبت ") + m_kind.KindCaption +
                              QStringLiteral(" منصرف شدهايد؟"),
                          QString(), QStringLiteral("3QR")) == TDlgMsg::mrYes;
}

void TVoucherForm::cmdCancelClick()
{
    if (!askToAbandon())
        return;
    try {
        NewVoucher(false);
        SanadID->setFocus();
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
    }
}

void TVoucherForm::closeEvent(QCloseEvent* event)
{
    if (!askToAbandon()) {
        event->ignore();
        return;
    }
    TAmvalForm::closeEvent(event);
}
