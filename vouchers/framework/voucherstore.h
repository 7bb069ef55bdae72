#pragma once

#include "dataset.h"
#include "procedures.h"
#include "vouchercolumns.h"

#include <QString>
#include <functional>

class DbConnection;
class TD_Global;

// The database side's procedures of `connection`, through their typed calls; a
// connection without them is refused as an unknown procedure would be.
ProcedureProvider& ProceduresOf(DbConnection& connection, const QString& procedure);

// How a save or delete ended.
enum class TStoreResult {
    Done,        // stored (or deleted) and committed
    Refused,     // a row refused by the guard: nothing stored
    Changed,     // another user changed the voucher since it was loaded: nothing stored
    Deleted,     // another user deleted it: nothing stored
    Busy,        // another program held the database beyond the busy limit
    Unavailable, // the database could not be reached (a server gone)
    Failed,      // any other failure of the database: nothing stored
};

// A save of a voucher: the rows are those of the transaction table (the purchase's
// cost components those of the table of the same name + "R").
struct TVoucherSaveRequest
{
    const VoucherKind* Kind = nullptr;
    QString TransTable;
    QString Number; // as the window shows it, padded
    QString Date;
    // A voucher of the window's making, else the edit of a loaded one whose stamp is
    // ExpectedStamp.
    bool IsNew = true;
    QString ExpectedStamp;
    // The sale's save whose accounting voucher is issued later.
    bool Deferred = false;
    // Whether the kind issues the instant accounting voucher (and moves the day-book).
    bool InstantVoucher = true;
    // The action log's header values.
    QString UserName;
    QString Today;
    QString Clock;
    QString TempStem;
    // The asset state guard, asked once the rows are stored under `storedNumber` and
    // before anything else is written: the row it refuses, with the refusal, or -1.
    // Empty for a kind without it.
    std::function<int(const QString& storedNumber, TRowRefusal& refusal)> Guard;
};

struct TVoucherSaveOutcome
{
    TStoreResult Result = TStoreResult::Failed;
    // Done: the number the voucher was stored under, padded; Renumbered when a new
    // voucher's number was taken meanwhile and it went under this one instead.
    QString StoredNumber;
    bool Renumbered = false;
    // Done: what the instant accounting voucher asks the user to do ("" for nothing).
    QString Notice;
    // Refused: the row at fault and the guard's refusal (message, column, list).
    int Row = -1;
    TRowRefusal Refusal;
    // Anything but Done and Refused: what the user is told, in Persian.
    QString Text;
};

struct TVoucherDeleteRequest
{
    const VoucherKind* Kind = nullptr;
    QString Number; // padded
    QString ExpectedStamp;
    QString UserName;
    QString Today;
    QString Clock;
    QString TempStem;
};

struct TVoucherDeleteOutcome
{
    TStoreResult Result = TStoreResult::Failed;
    QString Text; // anything but Done: what the user is told
};

// The save and delete of a voucher, without a window: each one transaction, all of
// it or nothing. A save runs the kind's procedure (the new voucher's number taken
// under the kind's lock, an edit refused when the stored voucher is no longer the
// one loaded), the guard, the instant accounting voucher with the day-book, and the
// action log; a delete the log and the procedure. The outcome says what happened,
// for the window to show once the transaction has ended, so that no other user waits
// on a message box.
class TVoucherStore
{
public:
    TVoucherStore(DbConnection& connection, TD_Global& services);

    TVoucherSaveOutcome Save(const TVoucherSaveRequest& request);
    TVoucherDeleteOutcome Delete(const TVoucherDeleteRequest& request);

    // The save's own message for a failure of no kind the user can act on.
    static QString SaveFailure();
    // What a failed save tells: a lock, a change by another user, a database that
    // cannot be reached or written (read-only, full disk, no right on the server) or
    // a damaged file is named as such; anything else is `failure`.
    static QString FailureText(const DatabaseError& error, const QString& failure);

private:
    DbConnection& m_connection;
    TD_Global& m_services;
};
