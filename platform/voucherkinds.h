#pragma once

#include <QList>
#include <QString>

// The facts of each kind of asset voucher, written once and read by both sides: the
// database side (its posting procedures, the demo company) and the voucher windows.
enum class VoucherKindId {
    BuyCreate,
    AsaseChange,
    FirstTadil,
    ForoshDaymeh,
    DaraeReduce,
    KenarM,
    KenarD,
    TahvilAntegal,
    SoulationChange,
    ChangeVezArat,
    BarKenarM,
    BarKenarD,
    Gardani,
};

struct VoucherKind
{
    VoucherKindId id = VoucherKindId::BuyCreate;
    QString procedure;       // "sp_D_Asnad_BuyCreate": loads, saves and deletes the vouchers
    QString table;           // "D_Buy_Create": the stored rows
    QString whatDoc;         // "12": accounting vouchers and day-book; empty for the asset count
    QString caption;         // the kind in the window's caption and messages, "خريد/ساخت"
    QString actionLabel;     // what the window writes into the action log; empty when none
    QString rightsPrefix;    // the user's rights on the kind: prefix + N/E/D/V
    QString componentsTable; // the stored cost components of the voucher's assets, or empty
    bool acceptsDeferredSave = false; // 'TRANS->DB1': saved now, accounting voucher later
    // Kinds whose accounting voucher needs the asset cards looked at first: the words
    // that name the kind in the message that says so ("" = issued at once).
    QString assetCardsFirst;
    // Where the kind's rows stand among an asset's vouchers of one day (lower first):
    // the order the register applies them in, and the order an asset's history is
    // read in. The purchase comes first, the count after every move, the sale and the
    // permanent retirement last.
    int dayOrder = 0;
};

// The rights prefix of the receive/pay orders, read as a kind's (prefix + SABT, ...):
// "SABT" issues orders.
inline const QString kOrderRightsPrefix = QStringLiteral("D_A_NCOMMAND_");

// The thirteen voucher kinds, in the order of their procedures' registration.
const QList<VoucherKind>& VoucherKinds();
const VoucherKind& VoucherKindOf(VoucherKindId id);
// The kind by procedure name, stored table name or voucher type code (case-insensitive,
// surrounding blanks ignored); nullptr when there is none.
const VoucherKind* FindVoucherKindByProcedure(const QString& name);
const VoucherKind* FindVoucherKindByTable(const QString& name);
const VoucherKind* FindVoucherKindByWhatDoc(const QString& code);
