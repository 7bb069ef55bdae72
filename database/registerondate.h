#pragma once

#include "procedures.h"

#include <QStringList>

class CompanyProcedures;
class DbConnection;

// The asset register as it stood at the end of a day, for the module's report window
// of it: each asset's record replayed by the register's own recompute statements up to
// that day (AssetRegister::ReplayUpTo). Nothing is written but temporary tables.
namespace RegisterOnDate {

// Registers sp_D_Amval_OnDate.
void Register(CompanyProcedures& procedures);

// What a state range keeps, one letter each: in use, temporarily retired, retired,
// sold.
inline constexpr char kInUse = 'U';
inline constexpr char kSetAside = 'T';
inline constexpr char kRetired = 'R';
inline constexpr char kSold = 'S';

// sp_D_Amval_OnDate (date, asset from, asset to, place from, place to, holder from,
// holder to, cost centre from, cost centre to, tax group from, tax group to, delivery
// source from, delivery source to, states): one row per asset of the code range
// (either end open when empty; the codes in any padding) held by the end of the day
// (registered with a cost or bought by then), in code order, whose place, holder,
// cost centre and tax group as they stood then, delivery source, and state (the
// letters of `states`; every state when empty) fall inside the ranges given (an
// empty end is open). Columns: DaraCod, DaraNam, MadehCod, MadehNam, EndValue,
// Bought, TadilValue, AsaseChangeValue, ReduceValue, Cost, Anbashteh, BookValue,
// Esshat, RaveshEst, Nozooli, Salianeh, PersonelCod, PersonelNam, MakanCod, MakanNam,
// Tafsily2, NamHesab, StateCode (a letter above), StateNam, StateDate, VezCod, VezNam,
// MabadiCod, MabadiNam. With a 15th argument, the name of a temporary work table (made
// with IDX and those columns when missing), the rows go into it numbered on from its
// last IDX and the answer is one column, Count: the rows added. The caller's progress
// observer is told after each step; a stop leaves the table as it was.
ProcedureResult AssetsOnDate(DbConnection& connection, const QStringList& arguments);

} // namespace RegisterOnDate
