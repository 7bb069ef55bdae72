#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class DbConnection;

// The users of a company period (UserSdc), their passwords and their rights
// (UserSdcDetail: one row per right, one column per user), as the host program's
// sign-in, its password dialog and its users window read and change them. Nothing here
// shows anything: a refusal comes back as the Persian text the window shows. The
// database is written only when a password or a right changes.
namespace UserAccounts {

// What a wrong password and an unknown user are both told.
inline const QString kWrongSignIn = QStringLiteral("نام كاربر يا رمز عبور درست نيست.");

// The outcome of a sign-in.
struct SignIn
{
    bool signedIn = false;
    int userId = 0;
    QString userName; // as the user's record spells it
    // The record holds no password at all (older data): the user signed in with an
    // empty one and is to choose a password now.
    bool mustChoosePassword = false;
};

// Signs in the user named `name` (compared as typed on either keyboard layout, blanks
// and letter case aside) or, when `name` is blank, the user with id `userId`, with
// `password`. A wrong password and an unknown user answer alike, in about the same
// time. A right password kept as plain text or as an older hash is replaced by its
// new hash (and the plain text emptied) in one transaction; when that write cannot be
// made now, the sign-in still stands and it is made at a later one.
SignIn SignInUser(DbConnection& connection, const QString& name, int userId,
                  const QString& password);

// The user's own password changed from `oldPassword` to `newPassword` (typed twice).
// "" when changed; otherwise the reason (the old one wrong, the new one blank, the two
// different, the record changed meanwhile) and nothing is written.
QString ChangePassword(DbConnection& connection, int userId, const QString& oldPassword,
                       const QString& newPassword, const QString& repeated);
// The administrator `adminId` gives user `userId` a new password (typed twice): "" or
// the reason nothing was written (not an administrator, blank, different, no user).
QString ResetPassword(DbConnection& connection, int adminId, int userId, const QString& newPassword,
                      const QString& repeated);

// The account pick lists show a user the accounts listed for him (UserPrivilege):
// `user` is given every account of the chart.
void GrantEveryAccount(DbConnection& connection, int user);

// What adding a user came to: the new user's id, or why nothing was written and the
// box at fault.
struct AddedUser
{
    enum class Field { None, Name, Password };
    QString refusal;
    Field field = Field::None;
    int id = 0;
};
// The administrator `adminId` adds a user of the period named `name` (not the name of
// another user, as sign-in compares names) with `password` typed twice. The user has
// no right yet, nor the copy and print rights, and sees every account of the chart.
AddedUser AddUser(DbConnection& connection, int adminId, const QString& name,
                  const QString& password, const QString& repeated);

// The administrator `adminId` removes user `userId` of the period: the user's record,
// rights and listed accounts. The vouchers and log rows the user wrote keep the name.
// "" when removed; otherwise why nothing was written (not an administrator, the
// administrator himself, no such user any more).
QString RemoveUser(DbConnection& connection, int adminId, int userId);

// A set of rights the users window shows: a voucher kind (kinds that share a prefix,
// such as a retirement and the return from it, are one) or the orders.
struct RightsKind
{
    QString prefix;  // "D_A_BUYCREATE_"
    QString caption; // "خريد/ساخت"
};
const QList<RightsKind>& RightsKinds();
// The four rights of a kind, as the rights rows end: new, edit, delete, view.
const QStringList& RightWords();

// One user's record and rights as they act: `rights` holds prefix + word of every
// right the user has ("D_A_BUYCREATE_SABT"), as the windows read them (for the orders
// of a database made before they had rows of their own, the rights the windows give).
struct UserAccess
{
    int id = 0;
    QString name;
    QSet<QString> rights;
    bool copy = false;  // UserSdc.Zelmora COPY: anything but NO allows
    bool print = false; // PRINT, likewise
    // Every right of every kind: the administrator.
    bool administrator() const;

    bool operator==(const UserAccess&) const = default;
};

// Every user of the period, by id.
QList<UserAccess> ReadAccess(DbConnection& connection);
bool IsAdministrator(DbConnection& connection, int userId);
// Whether the user has right `word` ("SABT", "EDIT", ...) on the kind of `prefix`, as
// the windows read it.
bool HasRight(DbConnection& connection, int userId, const QString& prefix, const QString& word);

// Stores, in one transaction, what changed from `before` to `after` (the users
// window's rows as read and as edited): each right and copy/print setting that
// differs is written, over what the database holds by then, so that another
// administrator's changes to other rights stay. Refused ("" when stored) when
// `adminId` is no longer an administrator, or when no administrator would be left.
QString SaveAccess(DbConnection& connection, int adminId, const QList<UserAccess>& before,
                   const QList<UserAccess>& after);

} // namespace UserAccounts
