#pragma once

#include <QList>
#include <QString>

// One kind of asset voucher as the database side knows it: the procedure that loads,
// saves and deletes its vouchers, the table its rows are stored in, its voucher type
// code in the accounting vouchers and the day-book, and its Persian names.
struct VoucherKind
{
    QString procedure;       // "sp_D_Asnad_BuyCreate"
    QString table;           // "D_Buy_Create"
    QString whatDoc;         // "12"; empty for the asset count, which has none
    QString caption;         // the kind caption of the window, "خريد/ساخت"
    QString actionLabel;     // what the window writes into the action log; empty when none
    QString componentsTable; // the stored cost components of the voucher's assets, or empty
    bool acceptsDeferredSave = false; // 'TRANS->DB1': saved now, accounting voucher later
};

// The thirteen voucher kinds, in the order of their procedures' registration.
const QList<VoucherKind>& VoucherKinds();
// The kind by procedure name, stored table name or voucher type code (case-insensitive,
// surrounding blanks ignored); nullptr when there is none.
const VoucherKind* FindVoucherKindByProcedure(const QString& name);
const VoucherKind* FindVoucherKindByTable(const QString& name);
const VoucherKind* FindVoucherKindByWhatDoc(const QString& code);
