#pragma once

#include <QString>

struct TVoucherKind;

// What the voucher window knows of the voucher in front of it when it decides what
// the user may do with it.
struct TVoucherSituation
{
    bool IsNew = true;     // no stored voucher under the number
    bool HeaderOn = true;  // the number and date are still being chosen
    bool GridOpen = false; // the rows are loaded
    bool HasRows = false;
    bool TypingFirstRow = false; // a new voucher's first row is being typed
    bool AccountingVoucherIssued = false;
    QString Date;                 // the voucher's date as year/month/day
    QString LastDepreciationDate; // of the newest depreciation accounting voucher
    QString PeriodStart;
    bool OtherPeriod = false;  // dated after this fiscal period's end
    bool DayBookAllows = true; // the day-book does not cover the voucher yet
    QString Rights;            // the user's rights letters on the kind (N, E, D, V)
};

// The first reason, in the caption's order, why a stored voucher is shown read only.
enum class TReadOnlyReason {
    None,
    AccountingVoucherIssued,
    DepreciationIssued,
    OtherPeriod,
    NoEditRight,
    DayBookUpdated,
    BeforePeriodStart,
};

// What the user may do with the voucher, and why not: the one place where OK,
// Delete, the grid's editing and the caption's reason are decided.
struct TVoucherAccess
{
    bool MayOk = false;
    bool MayDelete = false;
    bool GridEditable = false;
    TReadOnlyReason Reason = TReadOnlyReason::None;

    static TVoucherAccess Decide(const TVoucherSituation& situation);
    // The window's caption: "ثبت سند ..." for a new voucher, "ويرايش سند ..." with the
    // reason, if any, for a stored one.
    static QString Caption(const TVoucherKind& kind, const TVoucherSituation& situation,
                           const QString& number);
};
