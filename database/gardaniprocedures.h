#pragma once

#include "procedures.h"

#include <QStringList>

class DbConnection;

namespace GardaniProcedures {

// sp_D_Asnad_Gardani (transaction table, voucher number, mode[, "@Expect=..."]):
// the count voucher's load, save and delete, as every voucher kind's. An asset is
// counted in one count voucher only: a save is refused (RetState "0", ErrorText, and
// one row per asset at fault, each naming it: Counted, the asset; CountedIn, the
// stored count voucher that holds it, empty when the asset is in the transaction
// table twice) when an asset of the transaction table is counted in another stored
// count voucher or twice in the table, whoever calls ("@Counted=REFUSE" is
// taken and changes nothing). The test runs under the count table's lock, inside the
// save's own transaction, so two clerks counting one asset at the same moment cannot
// both store it.
ProcedureResult Call(DbConnection& connection, const QStringList& arguments);
// The save of the typed call, with the same check (the refusal names each asset at
// fault in `counted`).
VoucherWriteAnswer Save(DbConnection& connection, const VoucherSaveCall& call);

} // namespace GardaniProcedures
