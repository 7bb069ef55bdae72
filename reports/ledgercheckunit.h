#pragma once

#include "amvalform.h"
#include "reportrows.h"

#include <QString>

class DataSet;
class DbGrid;
class QAction;
class QLabel;
class TReportGrid;
class TVoucherForm;

// Task window "كنترل دفتر دارايي با اسناد حسابداري", opened by LedgerCheck_Amval: per
// cost account of the assets (Koll, Moein), the register's cost of the assets held
// beside the cost the accounting vouchers this module issued carry, and their
// difference; below, the asset vouchers that make the differences: saved without an
// accounting voucher, their accounting voucher deleted after it was issued, or
// carried from another period. Where the company issues its accounting vouchers at
// the end of the period, that list is what is still to issue. Two report grids with
// the whole menu; Enter or a double click on a voucher opens it in its kind's
// window. Nothing is written.
class TLedgerCheckForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    // The reasons of the list, by the procedure's codes NEW, DELETED, CARRIED.
    static QString ReasonText(const QString& code);

    explicit TLedgerCheckForm(QWidget* parent = nullptr);
    ~TLedgerCheckForm() override;

    DbGrid* dbgAccounts;
    DataSet* quAccounts;
    TReportGrid* AccountsReport;
    DbGrid* dbgVouchers;
    DataSet* quVouchers;
    TReportGrid* VouchersReport;
    QLabel* lbVouchers;
    QAction* miShow;

    // Reads both parts again (F5). False when it could not (said).
    bool Check();
    // The voucher of the list's current row in its kind's window.
    TVoucherForm* OpenCurrentVoucher();

protected:
    void showEvent(QShowEvent* event) override;

private:
    ReportTable m_accountsTable;
    ReportTable m_vouchersTable;
    bool m_initialised = false;
};
