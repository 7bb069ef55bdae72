#pragma once

#include "tabledef.h"

class DbConnection;
class Dialect;

// The stored tables of the register database and of each company-period
// database, and the statements that create them.
namespace Schema {

// Raised by every schema change; a database older than this is migrated on open.
constexpr int kVersion = 9;

const QList<TableDef>& CompanyTables();
const QList<TableDef>& RegisterTables();
// A company table by name (case-insensitive), or nullptr.
const TableDef* FindCompanyTable(const QString& name);

// "Create Table" for `table`, under `asName` when given, with declared widths
// enforced (an over-long text is refused) and its keys and indexes.
QStringList CreateTableStatements(const Dialect& dialect, const TableDef& table,
                                  const QString& asName = QString());
// A temporary table with the columns of voucher table `table` under `name`,
// refusing a second row with the same transaction key (a key violation).
QString CreateTransactionTableSql(const Dialect& dialect, const TableDef& table,
                                  const QString& name);

// Creates every company table (and the version row) in one transaction; a
// database already at kVersion is left as it is.
void CreateCompanySchema(DbConnection& connection);
// The declared widths of the group codes of the three detail levels: the first
// characters of a detail code that name its group (GrohTafsily.TafsilyGrohCod,
// GrohTafsily2.Tafsily2GrohCod, M_GrohProject.ProjectGrohCod), which the chart's
// restrictions and the voucher windows read as the group's length. 0 keeps the
// catalogue's width.
struct GroupCodeWidths
{
    int tafsily = 0;
    int tafsily2 = 0;
    int project = 0;
};
// The catalogue's widths of the group codes.
GroupCodeWidths CatalogueGroupCodeWidths();
// The widths the group code columns of `connection`'s own database were made with.
GroupCodeWidths StoredGroupCodeWidths(const DbConnection& connection);
// CreateCompanySchema for a new database whose group codes take `widths`.
void CreateCompanySchema(DbConnection& connection, const GroupCodeWidths& widths);
void CreateRegisterSchema(DbConnection& connection);
// The version row of a database, 0 when it has none.
int StoredVersion(DbConnection& connection);

// Every table and column name of the register and the company databases, as the
// schema spells them.
QStringList Spellings();

// The users whose rights columns a new company database carries ("1" .. "5").
constexpr int kDemoUsers = 5;

// One row of the kind registry D_AsnadDara: voucher type code, Persian name, table.
struct KindRegistryRow
{
    QString whatDoc;
    QString name;
    QString table;
};
// The registry rows a new company database starts with, one per voucher kind in the
// order of their codes (VoucherKind::registryCode): "10" .. "20" as the voucher windows
// register themselves, "21" for the return from permanent retirement and "22" for the
// asset count (a registry code only: the count's voucher kind has none, as it makes no
// accounting voucher and no day-book row). An older database gets the rows it lacks
// when it is migrated.
const QList<KindRegistryRow>& KindRegistryRows();
// The thirteen voucher tables, in catalogue order (VoucherKind::listOrder).
const QStringList& VoucherTableNames();

// One column as "Create Table" declares it: name, type, default and width check.
QString ColumnSql(const Dialect& dialect, const ColumnDef& column);

// The rows of the lock table: a save locks the row of what it numbers (a voucher
// table, the accounting vouchers) before it reads the last number, so that two
// users saving at once never take the same one.
inline const QString kLockTable = QStringLiteral("Amval_Lock");
// The vouchers of other periods the closing values this period opened with already hold:
// those of the period it was made from as its next one, and what that period held of
// others, by its own opening or by a carry-over (see CompanyBooks::MakeNextYear).
inline const QString kOpeningVouchersTable = QStringLiteral("D_OpeningVouchers");
// The vouchers a carry-over brought here, under the period each came from: the next
// period made from this one opens holding them, as vouchers of that period.
inline const QString kCarriedVouchersTable = QStringLiteral("D_CarriedVouchers");
const QStringList& LockNames();
// The rights column of user `userId` in UserSdcDetail, named by the id: the table has
// one such column per user, so adding a user adds a column.
ColumnDef UserRightsColumn(int userId);
void AddUserRightsColumn(DbConnection& connection, int userId);
// What the tax-return group change's window makes sure of when it opens, in one
// transaction: the old and new group columns of D_Change_VezArat at least as wide as
// that table's VazCod column (widened in place where the engine can; where it
// cannot, the table was made with them that wide; never narrowed), and the kind's
// registry row "20". Two clerks opening the window at once make them once. Answers
// "" when done, else the text that tells the user why not (nothing changed).
QString PrepareTaxGroupChange(DbConnection& connection);

// Column names as quoted identifiers, separated by commas ("a", "b").
QString ColumnList(const QStringList& columns);

// Holds the lock row `name` until the caller's write transaction ends (on a server
// it is taken in the round trip of the next statement, before it runs).
void LockNumbering(DbConnection& connection, const QString& name);

} // namespace Schema
