#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class DbConnection;

// The database side of the spreadsheet import, without any window: the import
// table, the writing of a sheet's codes into a voucher's transaction table, and the
// saved column-marking forms. Failures are thrown as DatabaseError.
namespace ExcelImportStore {

// The program key under which this module's forms are stored (FormId).
inline const QString kProgramKey = QStringLiteral("AMVAL");

// The columns of the count's rows the import fills, in the order they are written.
QStringList ImportColumns();

// Makes the import table `name`: the import columns, each a text as wide as the
// same column of D_Gardani and refused when longer, on every engine alike.
void CreateImportTable(DbConnection& db, const QString& name);

// What every imported row takes from the voucher window.
struct VoucherValues
{
    QString number;
    QString date;
    QString person;
    QString place;
    QString user;
};

enum class ImportOutcome { Done, Cancelled };

// Told after each block of rows written; false stops the import (the user cancelled).
using ImportProgress = std::function<bool(int rowsWritten)>;
inline constexpr int kImportProgressStep = 1024;

// Writes one row per code into `target`: through the import table, with one prepared
// insert run per row, all in one transaction. `replace` empties `target` first. A
// cancel or a failure (thrown) leaves `target` as it was. The codes are written as
// they are given: the caller has checked them.
ImportOutcome ImportCodes(DbConnection& db, const QString& importTable, const QString& target,
                          const QStringList& codes, const VoucherValues& values, bool replace,
                          const ImportProgress& progress = {});

// The codes `table` holds, in no order.
QStringList CodesIn(DbConnection& db, const QString& table);

// A saved form: its number, name and whether it is the default one.
struct SavedForm
{
    int number = 0;
    QString name;
    bool isDefault = false;
};
// The forms of this module, by number.
QList<SavedForm> Forms(DbConnection& db);

// One marked slot of a form: the slot index, its field and caption, and the
// spreadsheet column (by its title) marked for it.
struct FormSlot
{
    int slot = 0;
    QString field;
    QString caption;
    QString column;
};
QList<FormSlot> FormSlots(DbConnection& db, int formNumber);

// The number of the form called `name`, or 0 when there is none.
int FindForm(DbConnection& db, const QString& name);
// Stores the slots as form `name` in one transaction: over the form of that name
// when there is one (keeping its number and default mark), else as a new form.
// Returns the form's number.
int SaveForm(DbConnection& db, const QString& name, const QList<FormSlot>& formSlots);
// Makes form `number` the default one and every other form of the module not.
void SetDefaultForm(DbConnection& db, int number);

} // namespace ExcelImportStore
