#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class DbConnection;

// The asset register (D_Amval) as its vouchers make it. Of an asset's record, the
// columns below follow the vouchers that move the asset; every other column is what
// the asset was registered with.
//   PersonelCod  holder           set by a delivery/transfer
//   MakanCod     location         set by a delivery/transfer, a temporary retirement
//                                 (its storage place) and a return from retirement
//   Tafsily2     cost centre      the same three
//   KenarDate    out of use since the date of the temporary retirement in force; empty
//                                 while the asset is in use (a return empties it)
//   TadilValue   the initial adjustments' amounts, summed (any sign)
//   AsaseChangeValue                the capital improvements' amounts, summed
//   ReduceValue  the reductions' values reduced, summed: the asset's cost is
//                EndValue + its purchases' cost prices (D_Buy_Create.EndFee) +
//                TadilValue + AsaseChangeValue - ReduceValue
//   Salianeh     useful life      plus the increase of each capital improvement; set
//                (years)          by a method/estimate change to its new life (both
//                                 typed in the company's useful-life unit, days or
//                                 months, and kept here in years)
//   RaveshEst    method           set by a method/estimate change
//   Nozooli      rate             set by a method/estimate change (its FeeEst; 0 for
//                                 a straight-line method, whose life it sets instead)
//   Anbashteh    accumulated      lowered by a reduction in the share of the cost it
//                depreciation     takes away (value reduced / cost before it, the
//                                 purchases dated up to it included), to the rial
//   Esshat       salvage value    set by a reduction to its ArzeshAsgat: the salvage
//                                 value the asset keeps after it. (The row check
//                                 refuses 0 for a depreciated asset and stores 0 for
//                                 one without depreciation, the rule of an asset's
//                                 salvage value, not of a part taken off it.)
//   VezCod       tax-return group set by a tax-return group change (its NewVezCod);
//                                 the change's holder, location and cost centre are
//                                 the voucher's own record and do not move the asset:
//                                 moving it is the delivery/transfer's work
// EndValue itself stays the cost the asset was registered with: 0 there marks an
// asset whose cost the register does not hold yet (bought in the period, or still to
// be bought), which the purchase's asset list and row check rely on. The cost the
// register computes with adds the purchase's cost price to it, read with the events:
// a purchase on one day comes before the other vouchers of that day.
// What the asset was bought or registered with is kept beside them, in the same
// columns prefixed "First" (none for the three sums: they start at 0); the followed
// columns are recomputed from those opening values and the asset's vouchers in date
// order, a method change by its start date (the day its method is in force from),
// the others by their voucher date. On one day: initial adjustment, improvement,
// method change, reduction, transfer, tax-return group change, temporary retirement,
// return from it, return from permanent retirement (their kinds' dayOrder); then by
// voucher number (numbers as numbers, before other texts) and row.
// So saving, editing or deleting any voucher leaves the record as if the asset's
// vouchers had always been as they are now. Opening values still NULL (a row written
// by a program that does not know them, or a company made before they were kept)
// are taken from the record as it stands, the first time the asset is recomputed.
namespace AssetRegister {

// The voucher tables whose rows move an asset.
const QStringList& FollowedTables();
bool Follows(const QString& voucherTable);

// The voucher tables whose rows the register's cost reads while they move nothing
// of the record: the purchase (its cost price). Their saves and deletes recompute
// the records a reduction moved (RecomputeReduced).
bool Costs(const QString& voucherTable);

// The asset codes of stored voucher `storedNumber` of `table` (the codes as the rows
// hold them, each once).
QStringList AssetsOfVoucher(DbConnection& connection, const QString& table,
                            const QString& storedNumber);

// The two ways of the recompute, which give the same records: each record folded
// here from its events, read a hundred assets at a time (Recompute's way for a
// save's few assets), or a few statements the engine runs over every record at once
// (its way for more, a carry-forward's, and RecomputeAll's).
enum class Way { Fold, Statements };

// Told between steps of a long recompute: records done of all (it may throw to stop
// the recompute; the caller's transaction then keeps nothing of it).
using Progress = std::function<void(qsizetype done, qsizetype total)>;

// Recomputes the records of `assetCodes` (any padding) inside the caller's write
// transaction: each record is locked first, so that two saves touching one asset
// recompute it one after the other. A few hundred assets are folded here, read by
// the asset code's indexes; more (a carry-forward's) are recomputed by the engine's
// statements. `moved` names the voucher table whose rows alone changed (a
// carry-over's): then, for many assets, only the columns its rows make a difference
// to are recomputed, from the rows that make them.
void Recompute(DbConnection& connection, const QStringList& assetCodes,
               const Progress& progress = {}, const QString& moved = QString());
void RecomputeBy(Way way, DbConnection& connection, const QStringList& assetCodes,
                 const Progress& progress = {}, const QString& moved = QString());
// A recompute of the assets of many voucher rows without reading their codes here:
// ListForRecompute puts the codes of `code` (an expression, any padding) over `from`
// ("FROM ... [WHERE ...]") into the recompute's table of codes and says how many
// assets they are; RecomputeListed then recomputes those records as Recompute does
// (`moved` as there; a purchase's rows: those a reduction moved, as RecomputeReduced),
// or in the way given.
qsizetype ListForRecompute(DbConnection& connection, const QString& code, const QString& from);
void RecomputeListed(DbConnection& connection, const Progress& progress = {},
                     const QString& moved = QString(), std::optional<Way> way = {});
// Recomputes, as Recompute does, those records of `assetCodes` (any padding) and of
// the assets of `table`'s rows (column DaraCod, any padding; none when empty) that a
// reduction moved: their accumulated depreciation depends on the cost, which a
// purchase saved or deleted changes. The records read are locked first.
void RecomputeReduced(DbConnection& connection, const QStringList& assetCodes,
                      const QString& table = QString());
// Locks the records of the assets of `table`'s rows (column DaraCod, any padding)
// inside the caller's write transaction, in code order, where the engine locks by row
// (where a write holds the whole database, it holds them already). A save that does
// not move its assets locks them so: one that sells or retires an asset and one that
// uses it take turns, as two saves that recompute it do. On a server the statement
// goes with the caller's next one.
void LockAssetsOf(DbConnection& connection, const QString& table);
// The statements of the recompute by the engine, as `connection`'s engine runs them:
// of the assets whose codes (each in its stored and its bare form) are in the
// temporary table RecomputeCodesTable() ("DaraCod" TEXT PRIMARY KEY), their records
// locked first where the engine locks by row; of every asset when `all`. They make the
// temporary tables RecomputeWorkTables(), which the caller drops afterwards. `moved`
// as for Recompute.
QStringList RecomputeStatements(DbConnection& connection, bool all,
                                const QString& moved = QString());
QString RecomputeCodesTable();
const QStringList& RecomputeWorkTables();
// The statements that ready the caller's open transaction, and it alone, for work over
// a whole period's rows (a carry-forward's fill of its work table, its copy, and the
// recompute by the engine's statements, whose list begins with them): on a server, no
// compiling of the plans to machine code (a second or more for each such statement,
// more than the compiled plan saves there; measured on the carry-forward of a 1M-row
// period, where more memory for the sorts and hashes gained nothing). None for the
// embedded engine.
QStringList BulkWorkStatements(const DbConnection& connection);
// Recomputes every record of the register (a new company, a generator's data) by
// the engine's statements.
void RecomputeAll(DbConnection& connection);

// Sets the opening values that are still NULL to the record as it stands.
void FillOpeningValues(DbConnection& connection);

// One voucher row of an asset as the recompute applies it: the followed columns it
// moved, each as {column, before, after} (numbers as plain decimal texts), and the
// cost and accumulated depreciation after it.
struct AppliedRow
{
    QString table;
    QString number; // without blanks
    QString date;   // the day it applies on (a method change's: its start date)
    int row = 0;
    QList<QStringList> moved;
    double cost = 0;
    double accumulated = 0;
};
// An asset's record replayed by the recompute's own fold, nothing written: its
// opening figures, then its voucher rows in the order the recompute applies them.
// The last row's figures are those the recompute keeps in the record. `found` is
// false when the register holds no asset of `assetCode` (any padding).
struct AssetHistory
{
    bool found = false;
    double openingCost = 0;
    double openingAccumulated = 0;
    QList<AppliedRow> rows;
};
AssetHistory History(DbConnection& connection, const QString& assetCode);

// Replays up to the end of `date` ("yyyy/mm/dd") the records of the assets whose
// stored codes lie from `fromCode` to `toCode` (either end open when empty) by the
// recompute's own statements over the rows that apply by then (a method change from
// its start date). Nothing is written but the connection's temporary tables:
// StandingTable() then holds a row per asset of the range with a voucher or an
// opening value: "Code" (stored), each followed column as it stood, named "New" +
// the column, "Registered" (EndValue: the cost it was registered with), "Bought"
// (its purchases' cost prices up to the day), "Purchased" (1 when a purchase of it
// is dated up to the day), "SoldOn" (its first sale up to the day) and "RetiredOn"
// (a permanent retirement in force: its date). The caller drops
// RecomputeWorkTables() when it has read them. `progress` is told after each
// statement (it may throw to stop).
void ReplayUpTo(DbConnection& connection, const QString& date, const QString& fromCode,
                const QString& toCode, const Progress& progress = {});
QString StandingTable();
// The statements ReplayUpTo runs for a range of most of the assets, and the one-row
// table they read the day and the range from: "D", "F" and "T" (stored codes), "BF"
// and "BT" (their bare forms). A benchmark runs them on the engine alone.
QStringList ReplayStatements(DbConnection& connection);
QString ReplayBoundsTable();

// The assets still held, as "FROM ... WHERE ..." over the register (alias A) joined
// with the cost prices of each asset's purchases (alias P, column "Bought"): not
// sold, and not permanently retired since the asset's last return from a permanent
// retirement (a return on the day of a retirement follows it). `in` names a table of
// the period read (quoted, qualified where it is another period's).
QString HeldAssetsFrom(const std::function<QString(const QString& table)>& in);
// The cost the register computes with, over A and P of HeldAssetsFrom: what the
// asset was registered with, its purchases' cost prices, adjustments and
// improvements, less its reductions.
QString HeldAssetCost();

} // namespace AssetRegister
