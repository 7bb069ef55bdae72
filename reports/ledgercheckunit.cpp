#include "ledgercheckunit.h"

#include "assetcardunit.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "messages.h"
#include "reportgrid.h"
#include "reportrows.h"
#include "settings.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

const QString TLedgerCheckForm::Caption = QStringLiteral("كنترل دفتر دارايي با اسناد حسابداري");

namespace {

TReportGrid* ReportOver(DbGrid* grid, DataSet* data, QWidget* owner, const QString& form,
                        const QString& title, const QString& key)
{
    auto* report = new TReportGrid(grid, owner);
    report->setSProg(QStringLiteral("D"));
    report->setSItem(QStringLiteral("ASNAD"));
    report->setSForm(form);
    report->setTitle(QStringLiteral("مشخصات گزارش [") + title + QLatin1Char(']'));
    report->setHtmlTitle(QStringLiteral("گزارش ") + title);
    report->setKeyColumn(key);
    report->setRowColumn(QStringLiteral("IDX"));
    report->setDataSet(data);
    return report;
}

} // namespace

QString TLedgerCheckForm::ReasonText(const QString& code)
{
    if (code == QLatin1String("DELETED"))
        return QStringLiteral("سند حسابداري پس از صدور حذف شده");
    if (code == QLatin1String("CARRIED"))
        return QStringLiteral("منتقل شده از دوره مالي ديگر");
    return QStringLiteral("سند حسابداري صادر نشده");
}

TLedgerCheckForm::TLedgerCheckForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("LedgerCheckForm"));
    DbConnection* connection = MyDatabase != nullptr ? MyDatabase->Connection : nullptr;
    dbgAccounts =
        ReadOnlyReportGrid(ClientPanel, this, connection, QStringLiteral("Accounts"), quAccounts);
    const QString accounts =
        QStringLiteral("بهاي تمام شده داراييها در دفتر دارايي و در اسناد حسابداري");
    clientLayout()->addWidget(new QLabel(accounts, ClientPanel));
    dbgAccounts->setAccessibleName(accounts);
    clientLayout()->addWidget(dbgAccounts, 1);
    lbVouchers = new QLabel(ClientPanel);
    lbVouchers->setObjectName(QStringLiteral("lbVouchers"));
    clientLayout()->addWidget(lbVouchers);
    dbgVouchers =
        ReadOnlyReportGrid(ClientPanel, this, connection, QStringLiteral("Vouchers"), quVouchers);
    clientLayout()->addWidget(dbgVouchers, 2);
    dbgVouchers->onKeyDown = [this](DbGrid&, QKeyEvent* key) {
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        OpenCurrentVoucher();
        return true;
    };
    dbgVouchers->onDblClick = [this](DbGrid&) { OpenCurrentVoucher(); };

    miShow = new QAction(QStringLiteral("نمايش مغايرت"), this);
    miShow->setObjectName(QStringLiteral("miShow"));
    miShow->setShortcut(QKeySequence(Qt::Key_F5));
    miShow->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(miShow);
    connect(miShow, &QAction::triggered, this, [this] { Check(); });

    AccountsReport = ReportOver(dbgAccounts, quAccounts, this, QStringLiteral("LEDGER_ACCOUNTS"),
                                Caption, QStringLiteral("Moein"));
    VouchersReport = ReportOver(dbgVouchers, quVouchers, this, QStringLiteral("LEDGER_VOUCHERS"),
                                QStringLiteral("اسناد دارايي بدون سند حسابداري"),
                                QStringLiteral("SanadNoAmval"));

    // Each list may be kept under a name (Ctrl+S in its grid).
    const auto saveItem = [this](TReportGrid* report, DbGrid* grid, const QString& title) {
        report->Menu()->addSeparator();
        QAction* action = AddSavedReportItem(report->Menu(), grid, SavedReportItem::SaveAs);
        connect(action, &QAction::triggered, this, [this, report, title] {
            if (!report->dataSet()->active() || report->tableName().isEmpty())
                return;
            SaveReportAs(Global, MyDatabase->Connection, QStringLiteral("D"),
                         QStringLiteral("A_LEDGER"), report->tableName(), title);
        });
    };
    saveItem(AccountsReport, dbgAccounts, Caption);
    saveItem(VouchersReport, dbgVouchers, QStringLiteral("اسناد دارايي بدون سند حسابداري"));
}

TLedgerCheckForm::~TLedgerCheckForm()
{
    delete AccountsReport;
    delete VouchersReport;
    dbgAccounts->setDataSet(nullptr);
    dbgVouchers->setDataSet(nullptr);
}

void TLedgerCheckForm::showEvent(QShowEvent* event)
{
    TAmvalForm::showEvent(event);
    if (m_initialised)
        return;
    m_initialised = true;
    if (Global == nullptr || MyDatabase == nullptr || MyDatabase->Connection == nullptr ||
        Global->CompanyCode.trimmed().isEmpty()) {
        ShowMessageDlg(TAssetCardForm::NoCompanyText, QString(), QStringLiteral("1ER"));
        return;
    }
    const QString name = NewWorkTableName();
    m_accountsTable.start(*MyDatabase->Connection, name);
    m_vouchersTable.start(*MyDatabase->Connection, name + QStringLiteral("_V"));
    AccountsReport->setTableName(m_accountsTable.name());
    VouchersReport->setTableName(m_vouchersTable.name());
    Check();
}

bool TLedgerCheckForm::Check()
{
    if (m_accountsTable.isEmpty()) {
        ShowMessageDlg(TAssetCardForm::NoCompanyText, QString(), QStringLiteral("1ER"));
        return false;
    }
    try {
        DbConnection& connection = *MyDatabase->Connection;
        const QString procedure = QStringLiteral("sp_D_Amval_LedgerCheck");
        const ProcedureResult accounts = connection.callProcedure(
            procedure, {QStringLiteral("ACCOUNTS"), Global->StartDate, Global->EndDate});
        m_accountsTable.fill(
            {QStringLiteral("Koll VARCHAR(10)"), QStringLiteral("Moein VARCHAR(10)"),
             QStringLiteral("NamHesab VARCHAR(100)"), QStringLiteral("RegisterCost FLOAT"),
             QStringLiteral("BooksCost FLOAT"), QStringLiteral("Difference FLOAT")},
            accounts.rows);
        const ProcedureResult vouchers = connection.callProcedure(
            procedure, {QStringLiteral("VOUCHERS"), Global->StartDate, Global->EndDate});
        QList<QVariantList> rows;
        for (const QVariantList& r : vouchers.rows) {
            // WhatDoc, TableNam, SanadNoAmval, sDate, Koll, Moein, Amount, Reason
            const VoucherKind* kind = FindVoucherKindByTable(r.at(1).toString());
            rows << QVariantList{kind != nullptr ? kind->caption : r.at(1).toString(),
                                 r.at(2),
                                 r.at(3),
                                 r.at(4),
                                 r.at(5),
                                 r.at(6),
                                 ReasonText(r.at(7).toString()),
                                 r.at(1),
                                 r.at(0),
                                 r.at(7)};
        }
        m_vouchersTable.fill(
            {QStringLiteral("SectionNam VARCHAR(100)"), QStringLiteral("SanadNoAmval VARCHAR(50)"),
             QStringLiteral("sDate VARCHAR(10)"), QStringLiteral("Koll VARCHAR(10)"),
             QStringLiteral("Moein VARCHAR(10)"), QStringLiteral("Amount FLOAT"),
             QStringLiteral("ReasonNam VARCHAR(100)"), QStringLiteral("TableNam VARCHAR(50)"),
             QStringLiteral("WhatDoc VARCHAR(10)"), QStringLiteral("Reason VARCHAR(10)")},
            rows);
        quAccounts->open(QStringLiteral("SELECT * FROM ") + SqlIdent(m_accountsTable.name()) +
                         QStringLiteral(" ORDER BY IDX"));
        quVouchers->open(QStringLiteral("SELECT * FROM ") + SqlIdent(m_vouchersTable.name()) +
                         QStringLiteral(" ORDER BY IDX"));
        DataSet options(&connection);
        const bool instant = ReadCompanySettings(options, Global->CompanyCode + Global->FiscalYear)
                                 .SANAD_TIME.trimmed()
                                 .toUpper() == QLatin1String("ANE");
        lbVouchers->setText(instant ? QStringLiteral("اسناد دارايي که مغايرت ايجاد کرده اند")
                                    : QStringLiteral("اسناد دارايي که سند حسابداري آنها در پايان "
                                                     "دوره بايد صادر شود"));
        dbgVouchers->setAccessibleName(lbVouchers->text());
    } catch (const DatabaseError& e) {
        quAccounts->close();
        quVouchers->close();
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        return false;
    }
    dbgAccounts->setColumns(
        {DbGridColumn::Make(QStringLiteral("IDX"), QStringLiteral("رديف"), 40),
         DbGridColumn::Make(QStringLiteral("Koll"), QStringLiteral("كل"), 50),
         DbGridColumn::Make(QStringLiteral("Moein"), QStringLiteral("معين"), 50),
         DbGridColumn::Make(QStringLiteral("NamHesab"), QStringLiteral("نام حساب"), 220),
         DbGridColumn::Make(QStringLiteral("RegisterCost"),
                            QStringLiteral("بهاي تمام شده در دفتر دارايي"), 170),
         DbGridColumn::Make(QStringLiteral("BooksCost"),
                            QStringLiteral("بهاي تمام شده در اسناد حسابداري"), 170),
         DbGridColumn::Make(QStringLiteral("Difference"), QStringLiteral("مغايرت"), 130)});
    dbgVouchers->setColumns(
        {DbGridColumn::Make(QStringLiteral("IDX"), QStringLiteral("رديف"), 40),
         DbGridColumn::Make(QStringLiteral("SectionNam"), QStringLiteral("نام سند اموال"), 150),
         DbGridColumn::Make(QStringLiteral("SanadNoAmval"), QStringLiteral("شماره"), 55),
         DbGridColumn::Make(QStringLiteral("sDate"), QStringLiteral("تاريخ"), 75),
         DbGridColumn::Make(QStringLiteral("Koll"), QStringLiteral("كل"), 50),
         DbGridColumn::Make(QStringLiteral("Moein"), QStringLiteral("معين"), 50),
         DbGridColumn::Make(QStringLiteral("Amount"), QStringLiteral("مبلغ"), 130),
         DbGridColumn::Make(QStringLiteral("ReasonNam"), QStringLiteral("علت"), 220)});
    dbgAccounts->setFocus();
    return true;
}

TVoucherForm* TLedgerCheckForm::OpenCurrentVoucher()
{
    if (!quVouchers->active() || quVouchers->isEmpty())
        return nullptr;
    try {
        return OpenVoucherWindow(this, quVouchers->currentText(QStringLiteral("TableNam")),
                                 quVouchers->currentText(QStringLiteral("SanadNoAmval")));
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
    return nullptr;
}
