#pragma once

#include "chartofaccounts.h"
#include "picklist.h"

#include <QString>

class DbConnection;
class DbGrid;
class TD_Global;
struct TCompanySettings;

// The chart-of-accounts pick lists, and choosing an account for a grid column
// through them.

// A chosen account: the levels its list carries (a Moein list gives the Koll too),
// whether it is active and, for a Moein, which lower levels it asks for.
struct TChosenAccount
{
    AccountCodes codes;
    bool active = false;
    bool hasTafsily = true;
    bool hasTafsily2 = true;
    bool hasProject = true;
};

// The lists. Each puts the accounts user `userId` may use into a work table of its
// own on `connection` (a DatabaseError is thrown when it cannot) and stands on the
// account of `codes` at its level.
PickList<TChosenAccount> PickKoll(DbConnection& connection, int userId, const AccountCodes& codes);
PickList<TChosenAccount> PickMoein(DbConnection& connection, int userId, const AccountCodes& codes,
                                   const TCompanySettings& settings);
// The detail levels, narrowed by the Moein's (or the upper level's) group and member
// lists: `groups` are group codes of `groupLength` characters.
PickList<TChosenAccount> PickTafsily(DbConnection& connection, int userId,
                                     const AccountCodes& codes, const QString& groups,
                                     int groupLength);
PickList<TChosenAccount> PickTafsily2(DbConnection& connection, int userId,
                                      const AccountCodes& codes, const QString& groups,
                                      int groupLength, const TCompanySettings& settings);
PickList<TChosenAccount> PickProject(DbConnection& connection, int userId,
                                     const AccountCodes& codes, int groupLength,
                                     const TCompanySettings& settings);

// Opens the pick list of the grid column's level (Koll, Moein, Tafsily, Tafsily2,
// ProjectCod) and copies the chosen account into the row, clearing the levels it
// makes void. Returns 1 when an account was taken, 2 when the list was left, the
// chosen account is inactive or the column is no account level. With a `prefix`
// ("H"), the column belongs to a second chain on the row whose columns carry it
// ("HKoll" ... "HProjectCod"): the same lists, read from and written to that chain's
// columns. The lists read on the grid's connection and offer the codes of the user
// the window serves.
// `level` and `grohProject` are the Moein's, as the chain check read them; the
// project list reads the Moein's groups afresh.
int PickAccountForColumn(const TD_Global* dGlobal, DbGrid* grid, const QString& columnName,
                         const QString& level, const QString& grohTafsily,
                         const QString& grohTafsily2, const QString& grohProject,
                         const QString& prefix = QString());
// The list of the column a chain check refused, narrowed as the check found.
int PickAccountForRefusal(const TD_Global* dGlobal, DbGrid* grid, const ChainRefusal& refusal);
