#pragma once

#include <QString>
#include <QVariantList>

class DataSet;
class DbConnection;
struct TCompanySettings;

// The chart of accounts as the voucher rows use it: what an account asks of the
// levels below it, the rules that narrow a level, and the validation of a row's
// account code chain (Koll, Moein, Tafsily, Tafsily2, ProjectCod). Nothing here
// shows anything: the window shows a refusal and opens the pick lists
// (accountpicklists.h).

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

// Reads the Moein account (koll, moein) on `query` and returns what it asks of the
// lower levels; all empty when there is no such account.
MoeinProfile ReadMoeinProfile(DataSet* query, const QString& koll, const QString& moein);

// A piece of a statement and the values bound to its "?" placeholders, in order.
struct SqlCondition
{
    QString sql;
    QVariantList values;
};

// The predicate that narrows a lower level to its group list and member list:
// `mode` "T" (Tafsily), "T2" (Tafsily2) or "P" (ProjectCod). Empty when both lists
// are empty. A code belongs to a group when its first `groupLength` characters
// occur in the group list; it is a member when it occurs in the member list.
SqlCondition RestrictionPredicate(const QString& mode, const QString& groups,
                                  const QString& members, int groupLength);

// A code of `column` in the form it is stored in: trimmed and brought to `width`, the
// lower account levels (Tafsily, Tafsily2, ProjectCod and their H twins) left-filled
// with "0", an empty one staying empty; every other code (Koll, Moein, assets, places,
// ...) right-aligned with blanks. A longer code keeps its first characters; a width of
// 0 (unknown) leaves the trimmed code as it is.
QString WidenCode(const QString& column, const QString& code, int width);

// A lower level's group list and member list, and whether an account had its own.
struct ProbeRow
{
    bool found = false;
    QString groups;
    QString members;

    // This account's own rule when it has one, else the fallback lists.
    ProbeRow orElse(const QString& fallbackGroups, const QString& fallbackMembers) const
    {
        return found ? *this : ProbeRow{false, fallbackGroups, fallbackMembers};
    }
};

// The Tafsily account's own rule for the Tafsily2 level, when it has one; read on
// `query`, which is left closed.
ProbeRow TafsilyRuleForTafsily2(DataSet* query, const QString& tafsily);

// The rule of the project level by precedence: the Tafsily2 account's own, then
// the Tafsily account's own; not found: the caller falls back to the Moein's.
ProbeRow ProjectRuleOf(DataSet* query, const QString& tafsily, const QString& tafsily2);

// The Moein's own lists, read afresh ("Select TafsilyJoz, ... From Moein ...").
struct MoeinLists
{
    QString tafsilyJoz;
    QString tafsily2Joz;
    QString projectJoz;
    QString grohProject;
};
MoeinLists ReadMoeinLists(DataSet* query, const QString& columns, const AccountCodes& codes);

// The codes of the row's chain whose columns carry `prefix` before the level names
// ("" for the row's own chain, "H" for a second chain on the same row). A column
// without a declared width takes the width of the level's own column in the chart
// on `connection`.
AccountCodes RowCodes(const DataSet* row, const DbConnection* connection,
                      const QString& prefix = QString());

// Text of a field of the query's current row; "" when there is none.
QString AccountText(const DataSet* query, const QString& field);
// Whether the query's current account is active ("فعال").
bool AccountIsActive(const DataSet* query);
// Writes `value` into the row's `column` when the row has that column.
void SetAccountCode(DataSet* row, const QString& column, const QString& value);

// Why a row's account chain may not be posted: the message, the column the cursor
// goes to, and whether that column's pick list opens (only for the standard column
// names: a second chain on the same row is reported without one). `lists` are the
// level and group lists the pick list narrows by. All empty for a valid chain.
struct ChainRefusal
{
    QString message;
    QString column;
    bool openPickList = false;
    MoeinProfile lists;
    bool isEmpty() const { return column.isEmpty(); }
};

// Validates the row's chain before it is posted, looking the accounts up on
// `query`. An empty Koll clears the lower levels, and a level the Moein does not
// carry is emptied, on the row itself.
ChainRefusal CheckAccountChain(const TCompanySettings& settings, DataSet* query, DataSet* row,
                               QString level, QString grohTafsily, QString grohTafsily2,
                               QString grohProject,
                               const QString& kollColumn = QStringLiteral("Koll"),
                               const QString& moeinColumn = QStringLiteral("Moein"),
                               const QString& tafsilyColumn = QStringLiteral("Tafsily"),
                               const QString& tafsily2Column = QStringLiteral("Tafsily2"),
                               const QString& projectColumn = QStringLiteral("ProjectCod"));
