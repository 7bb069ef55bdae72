#include "ncommandunit.h"

#include "commandquery.h"
#include "context/captionpanel.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "context/mydate.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "gridexport.h"
#include "gridlayout.h"
#include "hostcontext.h"
#include "jalalidate.h"
#include "messages.h"
#include "ncommanddelegate.h"
#include "persiantext.h"
#include "reportgrid.h"
#include "siblingcalls.h"
#include "sqlquote.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSqlQuery>
#include <QToolButton>

const QString TNCommandForm::Caption = QStringLiteral("صدور دستور دريافت/پرداخت");
const QString TNCommandForm::Tick = QStringLiteral("ض");

namespace {

const QString kOldPayState = QStringLiteral("OldPayState");
const QString kPayState = QStringLiteral("PayState");
const QString kPayDate = QStringLiteral("PayDate");
const QString kTitle = QStringLiteral("دستور دريافت/پرداخت");
const QString kErrorCode = QStringLiteral("1ER");
const QString kNotAllowed = QStringLiteral("کاربر مجاز به ثبت دستور دريافت/پرداخت جديد نيست");

} // namespace

TNCommandForm::TNCommandForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("NCommandForm"));

    sb_Report =
        Caption_Panel->addButton(QStringLiteral("sb_Report"), QStringLiteral("آماده سازي گزارش"),
                                 QStringLiteral("آماده سازي گزارش"));
    sb_Report->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // A word, not a glyph: as wide as it reads.
    sb_Report->setFixedWidth(sb_Report->fontMetrics().horizontalAdvance(sb_Report->text()) + 16);

    auto* top = new QWidget(ClientPanel);
    top->setObjectName(QStringLiteral("pnlTop"));
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(0, 0, 0, 0);
    cmbType = new QComboBox(top);
    cmbType->setObjectName(QStringLiteral("cmbType"));
    cmbType->addItems({QStringLiteral("رسيد"), QStringLiteral("تعديل افزايشي رسيد"),
                       QStringLiteral("تعديل کاهشي رسيد"), QStringLiteral("برگشت از رسيد"),
                       QStringLiteral("تعديل افزايشي برگشت از رسيد"),
                       QStringLiteral("تعديل کاهشي برگشت از رسيد")});
    cmbType->setMinimumWidth(200);
    chbKholaseh = new QCheckBox(QStringLiteral("خلاصه"), top);
    chbKholaseh->setObjectName(QStringLiteral("chbKholaseh"));
    chbKholaseh->setChecked(true);
    cmdOk = new QPushButton(QStringLiteral("تاييد"), top);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setEnabled(false);
    row->addWidget(cmbType);
    row->addWidget(chbKholaseh);
    row->addStretch(1);
    row->addWidget(cmdOk);
    clientLayout()->addWidget(top);

    quCommand = new CommandQuery(nullptr, this);
    quCommand->setObjectName(QStringLiteral("quCommand"));
    quLayout = new CommandQuery(nullptr, this);
    quLayout->setObjectName(QStringLiteral("quLayout"));
    dbgCommand = new DbGrid(ClientPanel);
    dbgCommand->setObjectName(QStringLiteral("dbgCommand"));
    clientLayout()->addWidget(dbgCommand, 1);
    // Ctrl+Tab leaves the grid for the confirm button, as in the voucher windows.
    QWidget::setTabOrder(dbgCommand, cmdOk);
    buildGrid();
    buildMenus();

    connect(cmbType, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { cmbTypeChange(); }); });
    connect(chbKholaseh, &QCheckBox::clicked, this, [this] { R_ReportItemClick(); });
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOkClick(); });
    connect(sb_Report, &QToolButton::clicked, this, [this] { pmSysMenu->popup(QCursor::pos()); });
}

TNCommandForm::~TNCommandForm()
{
    // The report grid lets go of the grid before the grid goes.
    m_reportGrid.reset();
}

void TNCommandForm::buildGrid()
{
    auto column = [](const QString& field, const QString& title, int width, bool readOnly) {
        DbGridColumn c = DbGridColumn::Make(field, title, width);
        c.readOnly = readOnly;
        return c;
    };
    DbGridColumn tick = column(kPayState, QStringLiteral("دستور"), 40, true);
    tick.alignment = Qt::AlignCenter;
    tick.fontFamily = QStringLiteral("Symbol");
    dbgCommand->setColumns(
        {tick, column(kPayDate, QStringLiteral("تاريخ"), 72, false),
         column(QStringLiteral("AnbarCod"), QStringLiteral("انبار"), 30, true),
         column(QStringLiteral("AnbarNam"), QStringLiteral("نام انبار"), 150, true),
         column(QStringLiteral("SanadNoAnbar"), QStringLiteral("شماره مدرک"), 75, true),
         column(QStringLiteral("sDate"), QStringLiteral("تاريخ مدرک"), 72, true),
         column(QStringLiteral("sValue"), QStringLiteral("مبلغ"), 100, true),
         column(QStringLiteral("TarafCod"), QStringLiteral("طرف حساب"), 70, true),
         column(QStringLiteral("TarafNam"), QStringLiteral("نام طرف حساب"), 200, true)});
    dbgCommand->setDataSet(quCommand);
    dbgCommand->setContextMenuPolicy(Qt::CustomContextMenu);
    InstallOrderRowDelegate(dbgCommand, kOldPayState, kPayState, Tick);

    dbgCommand->onKeyDown = [this](DbGrid&, QKeyEvent* key) { return gridKeyDown(key); };
    dbgCommand->onKeyPress = [this](DbGrid&, QChar key) { return gridKeyPress(key); };
    dbgCommand->onDblClick = [this](DbGrid& grid) {
        const DataField* field = grid.selectedField();
        if (field && field->fieldName().compare(kPayState, Qt::CaseInsensitive) == 0)
            guarded([this] { toggleTick(); });
        else if (grid.selectedIndex() == grid.columnOf(kPayDate) && rowIsNew())
            grid.editCurrentCell();
    };
    dbgCommand->onError = [](DbGrid&, const QString& message) {
        ShowMessageDlg(message, QString(), kErrorCode);
    };

    // Documents are neither added nor taken away here.
    quCommand->beforeInsert = [](DataSet&) { DataSet::Abort(); };
    quCommand->beforeDelete = [](DataSet&) { DataSet::Abort(); };
    // A document ordered before keeps its tick and its date.
    quCommand->beforeEdit = [this](DataSet&) {
        if (!rowIsNew())
            DataSet::Abort();
    };
    quCommand->beforePost = [this](DataSet& ds) { beforePost(ds); };
    quCommand->afterPost = [this](DataSet&) {
        keepTick();
        countTicks();
    };
    quCommand->afterDelete = [this](DataSet&) { countTicks(); };
    quCommand->afterScroll = [this](DataSet&) { followRow(); };
    quCommand->afterOpen = [this](DataSet& ds) {
        if (DataField* amount = ds.findField(QStringLiteral("sValue")))
            amount->setDisplayFormat(QStringLiteral("###,###,###,##0.###"));
        followRow();
    };
    connect(dbgCommand->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { followRow(); });
}

void TNCommandForm::buildMenus()
{
    pmSysMenu = new QMenu(this);
    pmSysMenu->setObjectName(QStringLiteral("pmSysMenu"));
    pmSysMenu->setLayoutDirection(Qt::RightToLeft);
    R_ReportItem = new QAction(QStringLiteral("نمايش نتيجه جستجو"), this);
    R_ReportItem->setObjectName(QStringLiteral("R_ReportItem"));
    R_ReportItem->setShortcut(QKeySequence(Qt::Key_F5));
    R_ReportItem->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    pmSysMenu->addAction(R_ReportItem);
    addAction(R_ReportItem);
    connect(R_ReportItem, &QAction::triggered, this, [this] { R_ReportItemClick(); });

    // The grid's menu is the report grid's, under the window's layout keys.
    m_reportGrid = std::make_unique<TReportGrid>(dbgCommand, this);
    TReportGrid& grid = *m_reportGrid;
    grid.setLayoutKey(GridLayoutKeys::COMMAND);
    grid.setTitle(kTitle);
    grid.setReportName(QStringLiteral("N_ASNAD_BARDASHTBANK_BARDASHTBANK"));
    grid.setKeyColumn(QStringLiteral("SanadNoAnbar"));
    grid.setRowColumn(QStringLiteral("SanadNoAnbar"));
    grid.item(QStringLiteral("SearchItem"))->setText(QStringLiteral("جستجو ..."));
    // The window's own help text, and its print title (the report's title names
    // the report properties).
    const auto replace = [this](const QString& name, std::function<void()> body) {
        QAction* action = m_reportGrid->item(name);
        disconnect(action, &QAction::triggered, m_reportGrid.get(), nullptr);
        connect(action, &QAction::triggered, this, [this, body] { guarded(body); });
    };
    replace(QStringLiteral("HelpItem"), [] {
        ShowMessageDlg(
            QStringLiteral("نوع مدرک را انتخاب کنيد. با Space يا دوبار کليک در ستون دستور مدرک "
                           "علامت مي خورد؛ تاريخ مدارکي که پيش از اين دستور نگرفته اند قابل تغيير "
                           "است. F5 مدارک را دوباره مي خواند و تاييد دستورها را ثبت مي کند."),
            kTitle, QStringLiteral("1IR"));
    });
    const auto print = [this](bool advanced) {
        if (Global && Global->PrintPermission.trimmed().toUpper() == QStringLiteral("NO"))
            return;
        dbgCommand->commitEditor();
        TPrintRequest request;
        request.Grid = dbgCommand;
        request.Data = quCommand;
        request.Title = QStringLiteral("گزارش دستور دريافت/پرداخت");
        request.ReportName = m_reportGrid->reportName();
        m_reportGrid->printService().Print(request, advanced);
    };
    replace(QStringLiteral("PrintItem"), [print] { print(false); });

    // Of the report grid's items the order window's menu holds six: help, search,
    // keeping the column layout, the clipboard copy, report properties and print.
    for (const char* name :
         {"ResetGridItem", "ExcelItem", "WordItem", "HtmlItem", "DeleteColumnItem", "ColumnsItem",
          "ColumnChartItem", "RowChartItem", "FilterItem", "AdvPrintItem", "FitWidthItem",
          "AdvSortItem", "DbfDosItem", "DbfWinItem", "SmsItem"})
        grid.removeItem(QLatin1String(name));
    QAction* sendTo = grid.item(QStringLiteral("SendToItem"));
    QAction* clipboard = grid.item(QStringLiteral("ClipboardItem"));
    if (sendTo && sendTo->menu() && clipboard) {
        clipboard->setText(QStringLiteral("ارسال به Clipboard ( محيط ديگر ...)"));
        sendTo->menu()->removeAction(clipboard);
        grid.Menu()->insertAction(sendTo, clipboard);
        grid.Menu()->removeAction(sendTo);
    }

    // The menu opens only on open data.
    disconnect(dbgCommand, &QWidget::customContextMenuRequested, m_reportGrid.get(), nullptr);
    connect(dbgCommand, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (quCommand->active())
            m_reportGrid->Menu()->popup(dbgCommand->viewport()->mapToGlobal(at));
    });
}

void TNCommandForm::guarded(const std::function<void()>& body)
{
    try {
        body();
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), kErrorCode);
    }
}

void TNCommandForm::showEvent(QShowEvent* event)
{
    TAmvalForm::showEvent(event);
    if (m_shown || !MyDatabase || !MyDatabase->Connection || !Global || !MyDate)
        return;
    m_shown = true;
    quCommand->setConnection(MyDatabase->Connection);
    quLayout->setConnection(MyDatabase->Connection);
    m_workTable = NewWorkTableName();
    // A restart of the server ends the session, and the work table with it.
    m_sessionWatch =
        std::make_unique<SessionWatch>(*MyDatabase->Connection, [this] { remakeWorkTable(); });
    guarded([this] {
        readRights();
        createWorkTable();
        LoadGridLayout(quLayout, dbgCommand, m_reportGrid->sProg(), m_reportGrid->sItem(),
                       m_reportGrid->sForm(), m_reportGrid->sPart());
    });
    dbgCommand->setFocus();
}

void TNCommandForm::createWorkTable()
{
    const Dialect& dialect = quCommand->connection()->dialect();
    // The account columns are as wide as the order table's.
    auto chain = [&dialect](const QString& column) {
        const int width = dialect.columnWidth(QStringLiteral("N_Command"), column);
        return column + QStringLiteral(" Varchar(") + QString::number(width > 0 ? width : 20) +
               QLatin1Char(')');
    };
    quCommand->connection()->execute(
        dialect.createTempTable(m_workTable) +
        QStringLiteral(" (OldPayState Varchar(1), PayState Varchar(1), "
                       "PayDate Varchar(10), WhatDoc Varchar(2), "
                       "AnbarPartNam Varchar(200), AnbarCod Varchar(20), "
                       "AnbarNam Varchar(200), SanadNoAnbar Varchar(20), "
                       "sDate Varchar(10), sValue Float Default(0), "
                       "TarafCod Varchar(20), TarafNam Varchar(200), ") +
        chain(QStringLiteral("Koll")) + QStringLiteral(", ") + chain(QStringLiteral("Moein")) +
        QStringLiteral(", ") + chain(QStringLiteral("Tafsily")) + QStringLiteral(", ") +
        chain(QStringLiteral("Tafsily2")) + QLatin1Char(')'));
}

void TNCommandForm::remakeWorkTable()
{
    createWorkTable();
    if (!m_prepared)
        return;
    // The documents as the database has them now, the ticks of every kind as the
    // clerk made them, and the rows of the kind shown as the grid holds them.
    DbConnection& connection = *quCommand->connection();
    connection.callProcedure(QStringLiteral("sp_A_Asnad_Prepare_NCommand"), m_prepareArguments);
    for (const QStringList& tick : std::as_const(m_ticks))
        connection.execute(QStringLiteral("Update ") + SqlIdent(m_workTable) +
                               QStringLiteral(" Set PayState = ?, PayDate = ? Where WhatDoc = ? "
                                              "And AnbarCod = ? And SanadNoAnbar = ? And "
                                              "OldPayState = ''"),
                           {Tick, tick.at(3), tick.at(0), tick.at(1), tick.at(2)});
    if (quCommand->active()) {
        connection.execute(QStringLiteral("Delete From ") + SqlIdent(m_workTable) +
                               QStringLiteral(" Where WhatDoc = ?"),
                           {quCommand->boundValues().value(0)});
        quCommand->rewriteRows();
    }
}

void TNCommandForm::keepTick()
{
    QStringList tick;
    for (const char* field : {"WhatDoc", "AnbarCod", "SanadNoAnbar"})
        tick << quCommand->fieldByName(QLatin1String(field))->asString();
    const QString key = tick.join(QChar(0x1F));
    if (rowIsNew() && quCommand->currentText(kPayState).trimmed() == Tick)
        m_ticks.insert(key, tick << quCommand->fieldByName(kPayDate)->asString());
    else
        m_ticks.remove(key);
}

void TNCommandForm::readRights()
{
    DataSet query(MyDatabase->Connection);
    m_rights = OrderRights(query, Global->UserID);
}

bool TNCommandForm::mayIssue() const
{
    return m_rights.contains(QLatin1Char('N'));
}

QString TNCommandForm::KindCode() const
{
    return QString::number(20 + std::max(0, cmbType->currentIndex()));
}

void TNCommandForm::R_ReportItemClick()
{
    if (m_workTable.isEmpty())
        return;
    guarded([this] {
        dbgCommand->commitEditor();
        if (quCommand->active() && quCommand->state() != DataSet::State::Browse &&
            !quCommand->post())
            return;
        // No control is disabled meanwhile: the grid keeps the focus it has.
        ShowStatus(nullptr, QStringLiteral("STOP"), kTitle, QStringLiteral("لطفا صبر کنيد"));
        struct Closer
        {
            ~Closer() { CloseStatus(nullptr); }
        } closer;
        const QStringList arguments{
            m_workTable,
            chbKholaseh->isChecked() ? QStringLiteral("'TRUE'") : QStringLiteral("'FALSE'"),
            QLatin1Char('\'') + Global->Today + QLatin1Char('\''), QStringLiteral("''")};
        MyDatabase->Connection->callProcedure(QStringLiteral("sp_A_Asnad_Prepare_NCommand"),
                                              arguments);
        m_prepareArguments = arguments;
        m_prepared = true;
        m_ticks.clear();
        cmbTypeChange();
    });
}

void TNCommandForm::cmbTypeChange()
{
    if (m_workTable.isEmpty() || !quCommand->connection())
        return;
    quCommand->open(QStringLiteral("Select * From ") + SqlIdent(m_workTable) +
                        QStringLiteral(" Where WhatDoc = ? Order By AnbarCod, PayDate, sDate, "
                                       "SanadNoAnbar "),
                    {KindCode()});
    countTicks();
}

void TNCommandForm::countTicks()
{
    if (m_workTable.isEmpty())
        return;
    const QString count = QStringLiteral("Select Count(*) As iCount From ") + SqlIdent(m_workTable);
    auto number = [&](const QString& where) {
        QSqlQuery q = MyDatabase->Connection->select(count + where);
        return q.next() ? q.value(0).toInt() : 0;
    };
    cmdOk->setEnabled(mayIssue() && number(QStringLiteral(" Where PayState = 'ض' ")) -
                                            number(QStringLiteral(" Where OldPayState = 'ض' ")) >=
                                        1);
}

void TNCommandForm::cmdOkClick()
{
    if (m_workTable.isEmpty() || !cmdOk->isEnabled())
        return;
    guarded([this] {
        dbgCommand->commitEditor();
        if (quCommand->active() && quCommand->state() != DataSet::State::Browse &&
            !quCommand->post())
            return;
        // The right is read again: it may have been taken away since the window opened.
        readRights();
        if (!mayIssue()) {
            cmdOk->setEnabled(false);
            ShowMessageDlg(kNotAllowed, QString(), kErrorCode);
            return;
        }
        DbConnection& connection = *MyDatabase->Connection;
        {
            // Orders already in the table are looked for under the lock, so that a
            // second confirmation, or another clerk who ticked the same documents,
            // writes none of them again.
            Transaction transaction(connection);
            connection.callProcedure(QStringLiteral("sp_A_Lock_NCommand"), {});
            ExecSQL(MyDatabase,
                    QStringLiteral("Insert Into N_Command(TypeSys, WhatDoc, sValue, sDate, "
                                   "sType, Command1, Command2, Command3, Koll, Moein, Tafsily, "
                                   "Tafsily2) "
                                   "Select 'S', WhatDoc, sValue, PayDate, "
                                   "Case When WhatDoc='20' Or WhatDoc='22' Or WhatDoc='25' "
                                   "Then 'PAY' Else 'GET' End As sType, "
                                   "LTrim(SanadNoAnbar) As Command1, LTrim(AnbarCod) As Command2, "
                                   "LTrim(TarafCod) As Command3, Koll, Moein, Tafsily, Tafsily2 "
                                   "From ") +
                        SqlIdent(m_workTable) + QStringLiteral(" As W ") +
                        QStringLiteral("Where PayState = 'ض' And OldPayState = '' ") +
                        QStringLiteral("And Not Exists (Select 1 From N_Command As N "
                                       "Where N.TypeSys = 'S' And N.WhatDoc = W.WhatDoc "
                                       "And trim(N.Command1) = trim(W.SanadNoAnbar) "
                                       "And trim(N.Command2) = trim(W.AnbarCod))"));
            transaction.commit();
        }
        // What is ordered now shows as ordered, and cannot be confirmed again; the
        // keys go on in the grid (the button is disabled now).
        R_ReportItemClick();
        dbgCommand->setFocus();
    });
}

bool TNCommandForm::rowIsNew() const
{
    return quCommand->active() && !quCommand->isEmpty() &&
           quCommand->currentText(kOldPayState).trimmed().isEmpty();
}

// Only the order date of a document not ordered before may be typed.
void TNCommandForm::followRow()
{
    dbgCommand->setEditingEnabled(rowIsNew() &&
                                  dbgCommand->selectedIndex() == dbgCommand->columnOf(kPayDate));
}

void TNCommandForm::toggleTick()
{
    if (!rowIsNew())
        return;
    // A tick is the start of an order: a user who may not issue orders is told so.
    if (!mayIssue()) {
        ShowMessageDlg(kNotAllowed, QString(), kErrorCode);
        return;
    }
    DataField* tick = quCommand->fieldByName(kPayState);
    tick->setValue(tick->asString().trimmed().isEmpty() ? Tick : QString());
    quCommand->post();
}

bool TNCommandForm::gridKeyDown(QKeyEvent* key)
{
    const DataField* field = dbgCommand->selectedField();
    const bool onTick = field && field->fieldName().compare(kPayState, Qt::CaseInsensitive) == 0;
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && onTick &&
        !dbgCommand->editorOpen()) {
        guarded([this] { toggleTick(); });
        return true;
    }
    // The window's key, also when the window is not the active one.
    if (key->key() == Qt::Key_F5 && key->modifiers() == Qt::NoModifier) {
        R_ReportItemClick();
        return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && quCommand->active() &&
        !quCommand->isEmpty()) {
        // Enter walks the columns, and from the last one to the first of the next row;
        // a typed date is checked and kept before the cursor moves on.
        dbgCommand->commitEditor();
        bool kept = true;
        guarded([this, &kept] {
            kept = quCommand->state() == DataSet::State::Browse || quCommand->post();
        });
        if (!kept)
            return true;
        const int next = dbgCommand->selectedIndex() + 1;
        if (next < dbgCommand->columnCountOfGrid()) {
            dbgCommand->setSelectedIndex(next);
        } else if (quCommand->recNo() < quCommand->recordCount()) {
            guarded([this] {
                if (quCommand->next())
                    dbgCommand->setSelectedIndex(0);
            });
        }
        followRow();
        return true;
    }
    followRow();
    return false;
}

// The date column takes digits (a Persian keyboard's as 0-9) and the separator.
// Elsewhere a typed key does nothing (it would move to a row starting with it).
QChar TNCommandForm::gridKeyPress(QChar key)
{
    if (!rowIsNew() || dbgCommand->selectedIndex() != dbgCommand->columnOf(kPayDate))
        return QChar();
    const QChar digit = LatinDigit(key);
    if ((digit >= QLatin1Char('0') && digit <= QLatin1Char('9')) || key == QLatin1Char('/'))
        return digit;
    return QChar();
}

void TNCommandForm::beforePost(DataSet& ds)
{
    DataField* date = ds.fieldByName(kPayDate);
    QString text = LatinDigits(date->asString().trimmed());
    // Typed without separators: yyyymmdd.
    if (text.size() == 8 && !text.contains(QLatin1Char('/')))
        text = JalaliJoin(text.left(4), text.mid(4, 2), text.mid(6));
    if (!TMyDate::IsValidDate(text)) {
        ShowMessageDlg(QStringLiteral("تاريخ صحيحي وارد نشده است"), QString(), kErrorCode);
        dbgCommand->focusField(kPayDate);
        DataSet::Abort();
    }
    if (text != date->asString())
        date->setValue(text);
}
