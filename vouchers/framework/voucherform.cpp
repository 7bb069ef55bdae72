#include "voucherform.h"

#include "appearance.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "datetrio.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "gridexport.h"
#include "headeredit.h"
#include "hostcontext.h"
#include "jalalidate.h"
#include "messages.h"
#include "persiantext.h"
#include "sqlquote.h"
#include "tempgrid.h"
#include "voucherformshared.h"
#include "voucherstore.h"

#include "context/captionpanel.h"
#include "context/mydate.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

// The window and its header: the number and date edits, the life of a voucher from
// choosing its number to committing its date, the caption and the buttons' state.
// The grid's walk is in voucherrows.cpp, the menu in vouchermenu.cpp, the footer's
// helpers in voucherfooter.cpp, saving and deleting in voucherstore.cpp.

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    return label;
}

} // namespace

TVoucherForm::TVoucherForm(const TVoucherKind& kind, QWidget* parent)
    : TAmvalForm(kind.WindowCaption.isEmpty() ? kind.Caption() : kind.WindowCaption, parent),
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
    SanadID = MakeHeaderEdit(header, QStringLiteral("SanadID"), 80, false);
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

    mDay = MakeHeaderEdit(header, QStringLiteral("mDay"), 28, false);
    mMonth = MakeHeaderEdit(header, QStringLiteral("mMonth"), 28, false);
    mYear = MakeHeaderEdit(header, QStringLiteral("mYear"), 44, false);
    for (QLineEdit* e : {mDay, mMonth, mYear}) {
        e->setLayoutDirection(Qt::LeftToRight);
        e->setAlignment(Qt::AlignCenter);
    }
    mDay->setMaxLength(2);
    mMonth->setMaxLength(2);
    mYear->setMaxLength(4);
    EUserName = MakeHeaderEdit(header, QStringLiteral("EUserName"), 110, true);
    ECompany = MakeHeaderEdit(header, QStringLiteral("ECompany"), 50, true);
    FirstID = MakeHeaderEdit(header, QStringLiteral("FirstID"), 70, true);
    LastID = MakeHeaderEdit(header, QStringLiteral("LastID"), 70, true);
    CurrentRowEdit = MakeHeaderEdit(header, QStringLiteral("CurrentRowEdit"), 45, true);
    RowCountEdit = MakeHeaderEdit(header, QStringLiteral("RowCountEdit"), 45, true);
    txtSanadNo = MakeHeaderEdit(header, QStringLiteral("txtSanadNo"), 70, true);

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
    QLabel* numberLabel = MakeLabel(header, QStringLiteral("شماره سند:"));
    // The label names the box for assistive tools.
    numberLabel->setBuddy(SanadID);
    headerLayout->addWidget(numberLabel, 0, c++);
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
    wireGrid();
}

// ---------------------------------------------------------------------------
// Initialisation and header

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
    m_transTable = NewWorkTableName();

    EUserName->setText(Global->UserName);
    // The user's copy and print rights, which the menu items and their keys follow.
    ReadCopyPrintRights(Global);
    CreateExtraTables();
    m_companyStartDate = m_dGlobal->CompanyStartDate;
    SanadID->setText(m_dGlobal->NextVoucherNumber(m_kind.Table()));

    // The working copy accepts exactly what the voucher table accepts.
    m_lookup->open(QStringLiteral("Select * From ") + SqlIdent(m_kind.Table()) +
                   QStringLiteral(" LIMIT 1"));
    for (int i = 0; i < m_lookup->fieldCount(); ++i) {
        const DataField* field = m_lookup->field(i);
        const QString source = WidthSource(field->fieldName());
        const int width = connection->dialect().columnWidth(
            source.isEmpty() ? m_kind.Table() : source, field->fieldName());
        m_fieldWidths.insert(field->fieldName().toUpper(), width > 0 ? width : field->size());
    }
    m_lookup->close();
    const int numberWidth = FieldWidth(QStringLiteral("SanadNoAmval"));
    if (numberWidth > 0)
        SanadID->setMaxLength(numberWidth);

    m_dateTrio = new TDateTrio(mDay, mMonth, mYear, this);
    m_dateTrio->setCaption(QStringLiteral("تاريخ"));
    connect(m_dateTrio, &TDateTrio::commitRequested, this, [this] {
        try {
            CommitDate();
        } catch (const DatabaseError& e) {
            reportDatabaseError(e);
        }
    });

    m_columns = Columns();
    QList<DbGridColumn> columns;
    for (const TVoucherColumn& column : m_columns)
        columns << column.GridColumn();
    dbgAsnad->setColumns(columns);
    CreateFooter();
    {
        DataSet layoutQuery(connection);
        LoadGridLayout(&layoutQuery, dbgAsnad, m_kind.LayoutKey);
    }
    // The colours reach the columns and the footer, which exist only now.
    ApplyColorOptions(this);
    m_rights = m_dGlobal->VoucherRights(m_kind.Facts.rightsPrefix);
    // A restart of the server ends the session, and the working copy with it.
    m_sessionWatch = std::make_unique<SessionWatch>(*connection, [this] { RemakeWorkTables(); });
    HeaderMode(true);
    NewVoucher(false);
    SanadID->setFocus();
}

void TVoucherForm::RemakeWorkTables()
{
    RemakeExtraTables();
    if (!quAsnad->active())
        return;
    // The procedure makes the transaction table as a load does; the rows are the
    // grid's, and the stamp stays the one the voucher was loaded with, so that a
    // save still finds another user's change since.
    DbConnection* connection = quAsnad->connection();
    ProceduresOf(*connection, m_kind.Procedure())
        .loadVoucher(*connection, m_kind.Facts, m_transTable, m_sanadNo);
    connection->execute(QStringLiteral("Delete From ") + SqlIdent(m_transTable));
    quAsnad->rewriteRows();
}

QString TVoucherForm::PaddedNumber() const
{
    if (!m_storedAs.isEmpty())
        return m_storedAs;
    return PadLeft(SanadID->text().trimmed(), FieldWidth(QStringLiteral("SanadNoAmval")));
}

QString TVoucherForm::VoucherDate() const
{
    return JalaliJoin(mYear->text(), mMonth->text(), mDay->text());
}

void TVoucherForm::setDateEdits(const QString& date)
{
    const JalaliParts parts = JalaliSplit(date);
    mYear->setText(parts.year);
    mMonth->setText(parts.month);
    mDay->setText(parts.day);
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
        SanadID->setText(m_dGlobal->NextVoucherNumber(m_kind.Table()));
    HeaderMode(true);
    SanadID->setText(PaddedNumber());
    const TNumberBounds bounds = m_dGlobal->NumberBounds(m_kind.Table(), SanadID->text());
    LastID->setText(bounds.LastNo);
    FirstID->setText(bounds.FirstNo);
    m_defaultDate = bounds.Date;
    setDateEdits(m_defaultDate);
    RowCountEdit->clear();
    CurrentRowEdit->clear();
    txtSanadNo->clear();
    EUserName->setText(Global->UserName);
    ECompany->setText(Global->CompanyCode);
    OkBitBtn->setEnabled(false);
    if (quAsnad->active()) {
        if (quAsnad->state() != DataSet::State::Browse)
            quAsnad->cancel();
        quAsnad->close();
    }
    // After the rows are closed: a kind's totals read from the grid show nothing then,
    // not the last voucher's.
    ClearFooter();
    dbgAsnad->setEditingEnabled(true);
    mYear->setReadOnly(false);
    mMonth->setReadOnly(false);
    mDay->setReadOnly(false);
    m_sanadNo = QStringLiteral("-1");
    m_proposed = false;
    // A copied row stays for the window's life: it may be pasted into the next voucher.
    UpdateCaption(VoucherFormText::New);
    if (fromMenu)
        SanadID->setFocus();
}

void TVoucherForm::BackToNewVoucher()
{
    try {
        NewVoucher(false);
        SanadID->setFocus();
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
    }
}

void TVoucherForm::openGrid()
{
    quAsnad->open(QStringLiteral("Select * From ") + SqlIdent(m_transTable) +
                  QStringLiteral(" Order By ") + GridOrder() + QStringLiteral(" "));
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
    m_proposed = false;
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

    DbConnection& connection = *MyDatabase->Connection;
    m_stamp = ProceduresOf(connection, m_kind.Procedure())
                  .loadVoucher(connection, m_kind.Facts, m_transTable, m_sanadNo);
    openGrid();

    const bool rows = !quAsnad->isEmpty();
    m_loadedDate = rows ? quAsnad->fieldByName(QStringLiteral("sDate"))->asString() : QString();
    if (rows) {
        setDateEdits(m_loadedDate);
        if (m_kind.BoundByBooks)
            txtSanadNo->setText(
                m_dGlobal->AccountingVoucherNo(m_lookup.get(), m_kind.TypeCode(), m_sanadNo));
        else
            txtSanadNo->clear();
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
        !m_kind.BoundByBooks ||
        m_dGlobal->DayBookRefusal(quAsnad, m_sanadNo, VoucherDate(), m_kind.TypeCode()).isEmpty();
    UpdateCaption(rows ? VoucherFormText::Edit : VoucherFormText::New);
    AfterLoad();
}

QString TVoucherForm::DateRefusal(const QString& date) const
{
    return TMyDate::IsValidDate(date) ? QString() : QStringLiteral("تاريخ وارد شده اشکال دارد");
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
    if (const QString refused = DateRefusal(date); !refused.isEmpty()) {
        ShowMessageDlg(refused, QString(), VoucherFormText::Error);
        mYear->setFocus();
        mYear->selectAll(); // the year typed again replaces the refused one
        return;
    }
    const bool rows = !quAsnad->isEmpty();
    TDateCommit commit;
    commit.Date = date;
    commit.Number = m_sanadNo;
    commit.Stored = rows;
    commit.PeriodStart = Global->StartDate;
    commit.PeriodEnd = Global->EndDate;
    commit.LastDepreciationDate = m_dGlobal->LastDepreciationDate;
    commit.Rights = m_rights;
    if (!rows && m_kind.BoundByBooks)
        commit.DayBook = m_dGlobal->PostedDayBook(m_kind.TypeCode());
    if (const TDateRefusal refused = TVoucherAccess::DateCommitRefusal(m_kind, commit);
        refused.Refused()) {
        ShowMessageDlg(refused.Message, QString(), VoucherFormText::Error);
        for (QLineEdit* field : {mYear, mDay, SanadID}) {
            if (field->objectName() != refused.Field)
                continue;
            field->setFocus();
            if (field != SanadID)
                field->selectAll(); // typed again, the part replaces the refused one
        }
        return;
    }
    if (rows)
        m_dayBookFlag =
            !m_kind.BoundByBooks ||
            m_dGlobal->DayBookRefusal(quAsnad, m_sanadNo, date, m_kind.TypeCode()).isEmpty();

    HeaderMode(false);
    SetButtons();
    MyDatabase->Connection->execute(QStringLiteral("Update ") + SqlIdent(m_transTable) +
                                        QStringLiteral(" Set sDate = ?"),
                                    {date});
    quAsnad->requery();
    UpdateCaption(m_mode);
    quAsnad->first();
    dbgAsnad->setFocus();
    GoFirstColumn();
    AfterDateCommit();
    RefreshFooter();
    showRowPosition();
}

TVoucherSituation TVoucherForm::Situation() const
{
    TVoucherSituation s;
    s.IsNew = m_mode != VoucherFormText::Edit;
    s.HeaderOn = m_headerOn;
    s.GridOpen = quAsnad->active();
    s.HasRows = s.GridOpen && !quAsnad->isEmpty();
    s.TypingFirstRow = quAsnad->state() == DataSet::State::Insert && quAsnad->modified();
    s.AccountingVoucherIssued = !txtSanadNo->text().trimmed().isEmpty();
    s.Date = VoucherDate();
    // Outside the books no depreciation voucher bounds the voucher.
    s.LastDepreciationDate = m_kind.BoundByBooks ? m_dGlobal->LastDepreciationDate : QString();
    s.PeriodStart = Global->StartDate;
    s.OtherPeriod = m_otherPeriod;
    s.DayBookAllows = m_dayBookFlag;
    s.Rights = m_rights;
    return s;
}

bool TVoucherForm::GridEditable() const
{
    return TVoucherAccess::Decide(Situation()).GridEditable;
}

void TVoucherForm::SetButtons()
{
    const TVoucherAccess access = TVoucherAccess::Decide(Situation());
    OkBitBtn->setEnabled(access.MayOk);
    cmdDel->setEnabled(access.MayDelete);
    dbgAsnad->setEditingEnabled(access.GridEditable);
    quAsnad->setReadOnly(!access.GridEditable);
}

void TVoucherForm::UpdateCaption(const QString& mode)
{
    m_mode = mode;
    const QString text =
        CaptionOf(TVoucherAccess::Caption(m_kind, Situation(), SanadID->text().trimmed()));
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
                           ? QStringLiteral("شماره ") + m_kind.Caption() +
                                 QStringLiteral(" بدرستي وارد نشده است")
                           : m_kind.BadNumberText,
                       QString(), VoucherFormText::Error);
        SanadID->setText(QStringLiteral("1"));
        SanadID->setFocus();
    }
    m_inExit = false;
    return ok;
}

bool TVoucherForm::askToAbandon()
{
    const bool rows = quAsnad->active() && !quAsnad->isEmpty();
    if (!rows || !GridEditable() || m_mode.isEmpty())
        return true;
    return ShowMessageDlg(QStringLiteral("آيا از ثبت ") + m_kind.Caption() +
                              QStringLiteral(" منصرف شدهايد؟"),
                          QString(), QStringLiteral("3QR")) == TDlgMsg::mrYes;
}

void TVoucherForm::cmdCancelClick()
{
    if (!askToAbandon())
        return;
    BackToNewVoucher();
}

void TVoucherForm::closeEvent(QCloseEvent* event)
{
    if (!askToAbandon()) {
        event->ignore();
        return;
    }
    TAmvalForm::closeEvent(event);
}
