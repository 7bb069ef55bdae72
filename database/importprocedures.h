#pragma once

#include <QString>
#include <QStringList>

class CompanyProcedures;
class DbConnection;

// The procedures of the carry-forward of asset vouchers from another fiscal period's
// database (a file of the data folder attached read-only under its name, or another
// schema of the same server database):
//   sp_D_Asnad_Import_Source (source database)
//       makes the source reachable and answers one row, column Message: "" when it
//       can be read, else the one Persian text that names it and says why not
//       (missing, damaged, held by another program, made by another version).
//   sp_D_Asnad_Import_Perpar (source database, voucher table, work table, '')
//       fills the caller's work table from the source's voucher table, with the
//       names of the codes; sOrder1 is the voucher number, sOrder2 "1", or "2" when
//       a voucher of that number is stored here, "3" when the row's asset is not
//       registered here, "4" when another row of its voucher has such an asset
//       (the voucher is left out whole), each beside the others ("23", "24").
//   sp_D_Asnad_Import (voucher table, work table, column list)
//       copies into the voucher table, in one transaction under the kind's
//       numbering lock, every voucher of the work table whose number is not stored
//       here and whose assets are all registered here (so a second carry-over, or
//       another clerk's at the same time, copies nothing twice); the asset register
//       follows. Answers the rows and vouchers copied (columns Count, Vouchers)
//       and those of the work table left out (LeftRows, LeftVouchers).
namespace ImportProcedures {

void Register(CompanyProcedures& procedures);

// Whether a source database can be carried from: "" or the refusal's text, as
// sp_D_Asnad_Import_Source answers; a readable source stays attached until the caller
// detaches it (DbConnection::detach).
QString SourceRefusal(DbConnection& connection, const QString& source);
// Why another fiscal period's database `source` cannot be read ("" when it can: it then
// stays attached until the caller detaches it): missing, not of this system, of another
// version of the program, held by another program, or damaged.
QString PeriodUnreadable(DbConnection& connection, const QString& source);

} // namespace ImportProcedures
