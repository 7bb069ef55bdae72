#pragma once

#include "procedures.h"

class DbConnection;

// The procedures of the receive/pay order window.
namespace OrderProcedures {

// sp_A_Asnad_Prepare_NCommand (work table, 'TRUE'|'FALSE', today's date, ''): fills
// the window's work table (emptied first) with the warehouse documents of kinds "20"
// to "25", each with its kind's name, the names of its warehouse and counterpart and
// the account chain of its order. A document an order was issued for before
// (a row of N_Command of the same kind, document number and warehouse) comes with
// OldPayState and PayState "ض" and the order's date; any other with both empty and
// today's date. With 'TRUE' (summary) only the documents still without an order are
// listed. Nothing stored is written.
ProcedureResult PrepareOrders(DbConnection& connection, const QStringList& arguments);

// sp_A_Lock_NCommand: called inside the caller's write transaction before it writes
// orders, so that two users confirming the same documents take turns, and the second
// sees the first one's orders when it looks for those already issued.
ProcedureResult LockOrders(DbConnection& connection, const QStringList& arguments);

} // namespace OrderProcedures
