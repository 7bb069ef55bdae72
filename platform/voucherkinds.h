#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The facts of each kind of asset voucher, written once and read by every side: the
// database side (its stored tables, the kind registry, its posting procedures, the demo
// company), the host's menu of tasks, the voucher windows, the search and the
// carry-forward. A new kind is one row in voucherkinds.cpp plus its window.
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

// How the voucher search reads a kind's rows. A kind without these (fixed false) is
// read by the columns its stored table has.
struct VoucherKindSearch
{
    bool fixed = false;
    QStringList shown = {};  // the result's columns it fills besides asset, number, date and form
    QStringList ranges = {}; // the criteria's ranges that bound it
    QString amount = {};     // the column shown as the amount, or ""
    QString salvage = {};    // the column shown as the salvage value, or ""
};

// What the carry-forward from another fiscal period offers of a kind.
struct VoucherKindCarry
{
    bool offered = false;     // offered in its list, in the order of the registry codes
    QStringList names = {};   // the looked-up names its preview shows besides its own columns
    QString amountTitle = {}; // the title of its amount column ("" leaves the title as it is)
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
    // Where the kind stands in the catalogue of stored tables (the order they are made
    // in) and, within its group, in the host's menu of tasks.
    int listOrder = 0;

    // Its task in the host: the module's entry point that opens its window, the caption
    // the menu lists it under, and whether it is listed among the returns from a
    // retirement (after every other kind, its tab titled "برگشت از " + caption).
    const char* entryPoint = "";
    QString taskCaption;
    bool returnTask = false;

    // Its row in the kind registry D_AsnadDara (code, the caption as its name, table):
    // the voucher type code, or for the count a code of the registry's own.
    QString registryCode;

    // The stored table: its columns after those of every numbered kind (SanadNoAmval,
    // Raj, User_Name, sDate; key SanadNoAmval + Raj), or all of them for a kind whose
    // rows have no number (numberedRows false); its indexes (empty: by date and by
    // asset). The columns' types and widths are the schema's, by name.
    bool numberedRows = true;
    QStringList columns;
    QList<QStringList> indexes;

    VoucherKindSearch search;
    VoucherKindCarry carry;
};

// The rights prefix of the receive/pay orders, read as a kind's (prefix + SABT, ...):
// "SABT" issues orders.
inline const QString kOrderRightsPrefix = QStringLiteral("D_A_NCOMMAND_");

// The thirteen voucher kinds, in the order of their procedures' registration.
const QList<VoucherKind>& VoucherKinds();
// The same kinds in catalogue order (listOrder), and in the order of their registry codes.
QList<const VoucherKind*> VoucherKindsInListOrder();
QList<const VoucherKind*> VoucherKindsByRegistryCode();
const VoucherKind& VoucherKindOf(VoucherKindId id);
// The kind by procedure name, stored table name, voucher type code or registry code
// (case-insensitive, surrounding blanks ignored); nullptr when there is none.
const VoucherKind* FindVoucherKindByProcedure(const QString& name);
const VoucherKind* FindVoucherKindByTable(const QString& name);
const VoucherKind* FindVoucherKindByWhatDoc(const QString& code);
const VoucherKind* FindVoucherKindByRegistryCode(const QString& code);
