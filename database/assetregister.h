#pragma once

#include <QString>
#include <QStringList>

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
//   AsaseChangeValue                the capital improvements' amounts, summed: the
//                                 asset's cost is EndValue + AsaseChangeValue
//   Salianeh     useful life      plus the increase of each capital improvement, in
//                (years)          years (the increase is typed in the company's
//                                 useful-life unit: days or months)
// EndValue itself stays the cost the asset was registered with: 0 there marks an
// asset whose cost the register does not hold yet (bought in the period, or still to
// be bought), which the purchase's asset list and row check rely on.
// What the asset was bought or registered with is kept beside them, in the same
// columns prefixed "First" (none for the improvements: they start at 0); the followed
// columns are recomputed from those opening
// values and the asset's vouchers in date order (on one day: improvement, transfer,
// temporary retirement, return from it, return from permanent retirement; then by
// voucher number and row), so that saving, editing or deleting any voucher leaves
// the record as if the asset's vouchers had always been as they are now. Opening
// values still NULL (a row written by a program that does not know them) are taken
// from the record as it stands, the first time the asset is recomputed.
namespace AssetRegister {

// The voucher tables whose rows move an asset.
const QStringList& FollowedTables();
bool Follows(const QString& voucherTable);

// The asset codes of stored voucher `storedNumber` of `table` (the codes as the rows
// hold them, each once).
QStringList AssetsOfVoucher(DbConnection& connection, const QString& table,
                            const QString& storedNumber);

// Recomputes the records of `assetCodes` (any padding) inside the caller's write
// transaction: each record is locked first, so that two saves touching one asset
// recompute it one after the other. Reads are by the asset code's indexes only.
void Recompute(DbConnection& connection, const QStringList& assetCodes);
// Recomputes every record of the register (a new company, a generator's data): one
// read of the followed tables, one write per record that changed.
void RecomputeAll(DbConnection& connection);

// Sets the opening values that are still NULL to the record as it stands.
void FillOpeningValues(DbConnection& connection);

} // namespace AssetRegister
