#pragma once

#include "procedures.h"

#include <QStringList>

class CompanyProcedures;
class DbConnection;

// The read-only reports the database side answers for the module's report windows:
// an asset's card and the check of the register against the accounting vouchers.
// Nothing is written.
namespace AssetReports {

// Registers sp_D_Amval_Card and sp_D_Amval_LedgerCheck.
void Register(CompanyProcedures& procedures);

// sp_D_Amval_Card (asset code, any padding): no row when the register holds no such
// asset; else the opening figures (TableNam empty), then every voucher row of the
// asset in the order the register's recompute applies them, the sales and permanent
// retirements (which move nothing of the record) in their place of the day. Columns
// IDX, TableNam, WhatDoc, SanadNoAmval, sDate, Raj, Moved (one line per followed
// column it moved: column, before and after, separated by tabs), Cost, Anbashteh
// (the figures after the row).
ProcedureResult AssetCard(DbConnection& connection, const QStringList& arguments);

// sp_D_Amval_LedgerCheck (part, period start, period end). The cost accounts are the
// assets' own (Koll, Moein of D_Amval). Part 'ACCOUNTS': per account (Koll, Moein,
// NamHesab), the register's cost of the assets held (RegisterCost), the cost the
// accounting vouchers of this module carry (BooksCost: the assets' registered cost,
// which the books carry from earlier periods, and the cost each asset voucher with
// an issued accounting voucher moved) and Difference, their difference. Part
// 'VOUCHERS': the asset vouchers without an accounting voucher that move cost, per
// voucher and account (WhatDoc, TableNam, SanadNoAmval, sDate, Koll, Moein, Amount,
// Reason): 'CARRIED' dated outside the period (carried from another one), 'DELETED'
// saved by a window while the company issued its vouchers at once (so it was
// issued, and its accounting voucher was deleted since), 'NEW' otherwise. An
// account's Difference is the sum of its vouchers' Amount.
ProcedureResult LedgerCheck(DbConnection& connection, const QStringList& arguments);

} // namespace AssetReports
