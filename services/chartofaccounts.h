#pragma once

#include <QString>

class DataSet;
class DbGrid;
class TD_Global;

// The chart of accounts as the voucher rows use it: the pick list of each level,
// choosing an account for a grid column, and the validation of a row's account
// code chain (Koll, Moein, Tafsily, Tafsily2, ProjectCod).

// What a subsidiary account (Moein) asks of the levels below it: the level string
// ("اول/" Tafsily, "دوم/" Tafsily2, "سوم" project, for each level it requires)
// and the group lists of the three lower levels.
struct MoeinProfile
{
    QString level;
    QString grohTafsily;
    QString grohTafsily2;
    QString grohProject;
};

// The codes of one row, each brought to the form its column stores.
struct AccountCodes
{
    QString koll;
    QString moein;
    QString tafsily;
    QString tafsily2;
    QString project;
};

// The level string of a Moein row from its three flags ("دارد" / "ندارد").
QString LevelString(const QString& isTafsily1, const QString& isTafsily2, const QString& isProject);

// "(Select FieldCode From UserPrivilege Where UserId='<user>' And Upper(TableName)='<TABLE>') ":
// the codes of a chart table the current user may use.
QString UserPrivilegeFilter(const QString& tableName);

// Reads the Moein account (koll, moein) on `query` and returns what it asks of the
// lower levels; all empty when there is no such account.
MoeinProfile ReadMoeinProfile(DataSet* query, const QString& koll, const QString& moein);

// The predicate that narrows a lower level to its group list and member list:
// `mode` "T" (Tafsily), "T2" (Tafsily2) or "P" (ProjectCod). Empty when both lists
// are empty. A code belongs to a group when its first `groupLength` characters
// occur in the group list; it is a member when it occurs in the member list.
QString RestrictionPredicate(const QString& mode, const QString& groups, const QString& members,
                             int groupLength);

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

// A code trimmed and brought to `width`: Koll and Moein right-aligned with blanks,
// the lower levels left-filled with "0"; a longer code keeps its first characters.
// A width of 0 (unknown) leaves the trimmed code as it is.
QString WidenAccountCode(const QString& column, const QString& code, int width);

// Opens the pick list of the grid column's level (Koll, Moein, Tafsily, Tafsily2,
// ProjectCod) and copies the chosen account into the row, clearing the levels it
// makes void. Returns the window's modal result (1: chosen), or 2 when the chosen
// account is inactive. For another column nothing happens and the window's last
// modal result is returned. With a `prefix` ("H"), the column belongs to a second
// chain on the row whose columns carry it ("HKoll" ... "HProjectCod"): the same
// lists, read from and written to that chain's columns.
int PickAccountForColumn(TD_Global* dg, DbGrid* grid, const QString& columnName,
                         const QString& level, const QString& grohTafsily,
                         const QString& grohTafsily2, const QString& grohProject,
                         const QString& prefix = QString());

// Validates the row's chain before it is posted. Returns "" when it is valid, else
// the name of the first offending column after its message was shown (and, for a
// column of a standard name, its pick list opened).
QString ValidateAccountChain(TD_Global* dg, DbGrid* grid, QString level, QString grohTafsily,
                             QString grohTafsily2, QString grohProject,
                             const QString& kollColumn = QStringLiteral("Koll"),
                             const QString& moeinColumn = QStringLiteral("Moein"),
                             const QString& tafsilyColumn = QStringLiteral("Tafsily"),
                             const QString& tafsily2Column = QStringLiteral("Tafsily2"),
                             const QString& projectColumn = QStringLiteral("ProjectCod"));
