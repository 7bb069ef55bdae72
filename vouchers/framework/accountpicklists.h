#pragma once

#include "chartofaccounts.h"

#include <QString>

class DbGrid;
struct TCompanySettings;

// The chart-of-accounts pick lists in the host's pick-list window, and choosing an
// account for a grid column through them.

// "(Select FieldCode From UserPrivilege Where UserId='<user>' And Upper(TableName)='<TABLE>') ":
// the codes of a chart table the current user may use.
SqlCondition UserPrivilegeFilter(const QString& tableName);

// The pick lists. Each fills the host's pick-list window (titles, widths, where to
// stand, key field, caption), puts the accounts the user may use into a temporary
// table of its own and returns the statement the window's query is to open.
QString PickKoll(const AccountCodes& codes);
QString PickMoein(const AccountCodes& codes, const QString& namTafsily2, const QString& namProject);
QString PickTafsily(const AccountCodes& codes, const QString& groups, int groupLength,
                    const QString& namTafsily2, const QString& namProject,
                    const QString& mode = QStringLiteral("T"));
QString PickTafsily2(const AccountCodes& codes, const QString& groups, int groupLength,
                     const QString& namTafsily2, const QString& namProject,
                     const QString& mode = QStringLiteral("T2"));
QString PickProject(const AccountCodes& codes, const QString& groups, int groupLength,
                    const QString& namTafsily2, const QString& namProject,
                    const QString& mode = QStringLiteral("P"));

// Opens the pick list of the grid column's level (Koll, Moein, Tafsily, Tafsily2,
// ProjectCod) and copies the chosen account into the row, clearing the levels it
// makes void. Returns the window's modal result (1: chosen), or 2 when the chosen
// account is inactive. For another column nothing happens and the window's last
// modal result is returned. With a `prefix` ("H"), the column belongs to a second
// chain on the row whose columns carry it ("HKoll" ... "HProjectCod"): the same
// lists, read from and written to that chain's columns.
// The list of the column a chain check refused, narrowed as the check found.
int PickAccountForRefusal(const TCompanySettings* settings, DbGrid* grid,
                          const ChainRefusal& refusal);

int PickAccountForColumn(const TCompanySettings* settings, DbGrid* grid, const QString& columnName,
                         const QString& level, const QString& grohTafsily,
                         const QString& grohTafsily2, const QString& grohProject,
                         const QString& prefix = QString());
