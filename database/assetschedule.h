#pragma once

#include "procedures.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

class CompanyProcedures;
class DbConnection;

// The yearly schedule of the fixed assets by tax-return group, as filed with the tax
// return: per group, and in it per asset, the cost at the start of the period, what
// the period's vouchers added, took away and moved, the cost at its end, the
// accumulated depreciation at both ends and the book value. Read only.
//
// The closing figures are the register's (D_Amval as its recompute left it, with the
// purchases' cost prices); the movements are summed from the voucher rows, one
// statement grouped by asset for each kind, joined to the register. So a row adds up
// (opening + additions - reductions - disposals + moved in - moved out = closing)
// exactly when the register agrees with the vouchers; where it does not, the row's
// Difference is not 0 and its Reason says which sum disagrees.
//   Opening      EndValue, the cost the period began with (0 for an asset bought in it)
//   Additions    the purchases' cost prices, the capital improvements, and the initial
//                adjustments that raise the cost
//   Reductions   the reductions' values reduced, and the initial adjustments that
//                lower the cost (a negative adjustment is a reduction, never a
//                negative addition)
//   Disposals    the cost that left with a sale, or with a permanent retirement not
//                returned from: the register's cost of the asset
//   MovedIn/Out  a tax-return group change: the asset's row stands in its group at the
//                end of the period with its opening cost moved in (and its opening
//                accumulated depreciation there), and a row of it in its group at the
//                start shows that cost moved out and closes at 0; each group adds up
//                and the two columns net to nothing over the company. A change back
//                to the first group moves nothing.
//   TransferOut/In  an asset whose cost centre (Tafsily2) differs at the end of the
//                period: its cost left one centre and reached another, the same
//                amount in both columns (nothing for the sums)
// Group rows (RowKind 1) sum their group's rows; the last row (RowKind 2) the whole
// schedule.
namespace AssetSchedule {

// Registers sp_D_Amval_Schedule.
void Register(CompanyProcedures& procedures);

// The columns of the work table, after IDX, with their types. Remark says how an
// asset left ("فروش", "كنارگذاري دايمي") and where from its group took it ("از گروه
// <code>"); the row of an asset in the group it left begins with MovedOutNote().
const QStringList& Columns();
QString MovedOutNote();

// sp_D_Amval_Schedule (period database, "" for the connection's own; first group;
// last group (either "" for an open end, codes in any padding); work table; and
// optionally 'FIRST' for a first screen: the rows of the first hundred assets in the
// order shown, by their group at the end, read by the asset code's indexes, without
// the totals, for a window to show while it reads the whole). Makes
// the work table anew and fills it, rows numbered (IDX) in the order shown: by
// group, each group's assets by code and its total row after them, the grand total
// last. Answers one row: Message ("" or the Persian refusal: the period's database
// missing or not readable), Assets (the assets listed, one moved between groups once),
// Mismatches (rows that do not add up).
ProcedureResult Schedule(DbConnection& connection, const QStringList& arguments);

// The statement that fills the work table, as Schedule runs it, with its values: for
// the benchmark's raw engine. `source` as for Schedule; the group codes in their
// stored form; `firstAssets` 0 for the whole schedule, else a first screen's assets.
struct Statement
{
    QString sql;
    QVariantList values;
};
Statement FillStatement(DbConnection& connection, const QString& source, const QString& workTable,
                        const QString& fromGroup, const QString& toGroup, int firstAssets = 0);

} // namespace AssetSchedule
