#pragma once

#include "assetregister.h"

#include <QString>
#include <QStringList>

class DbConnection;

// What the register's two ways of the recompute share: the fold of each record here
// (assetregister.cpp) and the engine's statements over many (registerstatements.cpp).
namespace AssetRegister::Internal {

inline const QString kAssets = QStringLiteral("D_Amval");
inline const QString kAssetColumn = QStringLiteral("DaraCod");
inline const QString kImprovement = QStringLiteral("D_AsaseChange");
inline const QString kTransfer = QStringLiteral("D_Tahvil_Antegal");
inline const QString kSetAside = QStringLiteral("D_KenarM");
inline const QString kSetAsideReturn = QStringLiteral("D_BarKenarM");
inline const QString kRetirementReturn = QStringLiteral("D_BarKenarD");
inline const QString kAdjustment = QStringLiteral("D_FirstTadil");
inline const QString kMethodChange = QStringLiteral("D_SoulationChange");
inline const QString kReduction = QStringLiteral("D_DaraeReduce");
inline const QString kGroupChange = QStringLiteral("D_Change_VezArat");
// Read for the cost only: a purchase does not move the record.
inline const QString kPurchase = QStringLiteral("D_Buy_Create");

// What a voucher row does to the record. On one day the rows apply in the order of
// their kinds' dayOrder (platform/voucherkinds.cpp), the order the search reads an
// asset's history in.
enum class Move {
    Purchase = 1,
    Adjustment,
    Improvement,
    MethodChange,
    Reduction,
    Transfer,
    GroupChange,
    SetAside,
    SetAsideReturn,
    RetirementReturn
};

// The followed columns of one record.
struct State
{
    QString person;
    QString location;
    QString centre;
    QString outOfUseSince;
    QString method;
    QString taxGroup;
    double improvements = 0;
    double adjustments = 0;
    double reductions = 0;
    double life = 0;
    double rate = 0;
    double accumulated = 0;
    double salvage = 0;

    bool operator==(const State&) const = default;
};

// The followed columns as D_Amval names them, with the opening column ("First" +
// name) of those that have one; the sums start at 0 and have none.
struct TextColumn
{
    const char* name;
    QString State::*field;
};
struct NumberColumn
{
    const char* name;
    double State::*field;
    bool opening;
};
inline const TextColumn kTextColumns[] = {
    {"PersonelCod", &State::person}, {"MakanCod", &State::location},
    {"Tafsily2", &State::centre},    {"KenarDate", &State::outOfUseSince},
    {"RaveshEst", &State::method},   {"VezCod", &State::taxGroup},
};
inline const NumberColumn kNumberColumns[] = {
    {"AsaseChangeValue", &State::improvements, false},
    {"TadilValue", &State::adjustments, false},
    {"ReduceValue", &State::reductions, false},
    {"Salianeh", &State::life, true},
    {"Nozooli", &State::rate, true},
    {"Anbashteh", &State::accumulated, true},
    {"Esshat", &State::salvage, true},
};

// A voucher number as an asset's rows are ordered by it: one of 1 to 18 digits is
// compared as a number, whatever its padding; numbers come before other texts.
struct NumberOrder
{
    QString bare; // without blanks
    qlonglong value = 0;
    bool numeric = false;
    static NumberOrder Of(const QString& number);
};
// Whether row `a` of an asset applies before row `b`: by date, on one day by the
// kinds' day order, then by voucher number, then by row. `Row` has `date`,
// `dayOrder()`, `number` (a NumberOrder) and `raj`. The statements of the recompute
// order alike.
template <typename Row> bool AppliesBefore(const Row& a, const Row& b)
{
    if (a.date != b.date)
        return a.date < b.date;
    if (a.dayOrder() != b.dayOrder())
        return a.dayOrder() < b.dayOrder();
    if (a.number.numeric != b.number.numeric)
        return a.number.numeric;
    if (a.number.value != b.number.value)
        return a.number.value < b.number.value;
    if (a.number.bare != b.number.bare)
        return a.number.bare < b.number.bare;
    return a.raj < b.raj;
}

// The opening column of a followed column ("First" + its name).
QString Opening(const char* name);
// The table of the rows that make a move.
const QString& MoveTable(Move move);
// A move's place on one day: its kind's.
int DayOrder(Move move);
// The asset code's width, read once per recompute (the catalogue is asked each time).
int CodeWidth(const DbConnection& connection);
// The asset code of `column` (an expression, in any padding) in its stored form: trimmed
// and right-aligned to the code's width, as the register's key holds it.
QString StoredCodeSql(const DbConnection& connection, const QString& column);
// How many units of the company's useful-life setting make a year.
double UnitsPerYear(DbConnection& connection);
// "DaraCod", "EndValue", the followed columns, then their opening columns, in the
// order of kTextColumns and kNumberColumns.
QStringList RecordColumns();

// The temporary table that holds the codes a large recompute reads (each code in
// its stored and its bare form).
inline const QString kCodesTable = QStringLiteral("amval_register_codes");

// Of registerstatements.cpp: the recompute by the engine's statements.

// The records the statements recompute: every one; those of the codes in
// kCodesTable; or, replayed up to the day of kBoundsTable, those of its range of
// stored codes, whose voucher rows are read by each table's asset index (Range) or,
// for a range of most of the assets, every row up to the day (RangeOfMost).
enum class Chosen { All, Listed, Range, RangeOfMost };
// The one row of a replay up to a day: the day ("D", "yyyy/mm/dd"), the range of
// stored codes ("F" to "T") and of their bare forms ("BF" to "BT").
inline const QString kBoundsTable = QStringLiteral("amval_register_bounds");

// Puts `codes` (stored forms), each in its stored and its bare form, into
// kCodesTable, made anew.
void FillCodes(DbConnection& connection, const QStringList& codes);
// The temporary tables the statements make.
const QStringList& WorkTables();
// The statements of the recompute of every record (`all`) or of those of the codes in
// kCodesTable; `moved` as for Recompute.
QStringList Statements(DbConnection& connection, bool all, const QString& moved);
// Which of the columns the statements write: every one `moved` makes a difference to,
// those but the accumulated depreciation, or that alone.
enum class Part { Whole, ButDepreciation, Depreciation };
QStringList Statements(DbConnection& connection, Chosen chosen, const QString& moved,
                       Part part = Part::Whole);
// Runs Statements between two drops of the work tables, telling `step` after each.
void RecomputeByStatements(DbConnection& connection, bool all, const QString& moved,
                           const std::function<void(qsizetype done, qsizetype total)>& step);
// How many assets kCodesTable names (each in one or two forms).
qsizetype ListedCount(DbConnection& connection);
// Recomputes by the engine's statements the records of the codes in kCodesTable
// (`count` assets), and drops the table.
void RecomputeCodesInTable(DbConnection& connection, qsizetype count, const Progress& progress,
                           const QString& moved);

} // namespace AssetRegister::Internal
