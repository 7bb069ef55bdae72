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

// The day-book of a kind as posted for the user: the last voucher number and date it
// covers (either may be empty); nothing when it was never posted.
struct TDayBookMark
{
    bool Posted = false;
    QString Number;
    QString Date;
};

// "" when the day-book `mark` does not cover voucher `number` dated `date` (year/month/
// day), else the message that says how far it was posted.
QString DayBookCoverage(const TDayBookMark& mark, const QString& number, const QString& date);

// What the date commit of a voucher (Enter in the year) is decided on.
struct TDateCommit
{
    QString Date;        // year/month/day, one the calendar has
    QString Number;      // the voucher number, padded
    bool Stored = false; // the number holds a stored voucher
    QString PeriodStart;
    QString PeriodEnd;
    QString LastDepreciationDate;
    QString Rights;
    TDayBookMark DayBook; // of the kind, for the user
};

// A date commit refused: the message and the header field the cursor goes to ("" =
// it stays where it is); nothing refused when the message is empty.
struct TDateRefusal
{
    QString Message;
    QString Field;
    bool Refused() const { return !Message.isEmpty(); }
};

// What the user may do with the voucher, and why not: the one place where OK,
// Delete, the grid's editing and the caption's reason are decided.
struct TVoucherAccess
{
    bool MayOk = false;
    bool MayDelete = false;
    bool GridEditable = false;
    // The voucher could be deleted but for the user's right: a delete asked for from
    // the keyboard is then refused in words (the button is merely disabled).
    bool DeleteWantsRight = false;
    TReadOnlyReason Reason = TReadOnlyReason::None;

    static TVoucherAccess Decide(const TVoucherSituation& situation);
    // The window's caption: "ثبت سند ..." for a new voucher, "ويرايش سند ..." with the
    // reason, if any, for a stored one.
    static QString Caption(const TVoucherKind& kind, const TVoucherSituation& situation,
                           const QString& number);
    // The rules of a date commit, in order: a new voucher inside the fiscal period,
    // after the last depreciation voucher (a kind the books bound), by a user with the
    // right to make one, and past what the day-book covers (a kind the books bound).
    // A stored voucher keeps its date whatever it is.
    static TDateRefusal DateCommitRefusal(const TVoucherKind& kind, const TDateCommit& commit);
};
