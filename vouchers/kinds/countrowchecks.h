#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class DbConnection;

// The asset count's row checks, without any window: whether a code may become a row
// of a count. A row typed into the count window and the rows of a sheet brought in by
// the spreadsheet import go through the same checks, in the same order, with the same
// messages; a failed statement is thrown as DatabaseError.
namespace CountRowChecks {

enum class Refusal {
    None,
    Empty,   // no code
    NoAsset, // no asset has the code
    Counted, // a stored count voucher holds the asset (the one being edited included)
    Twice,   // the count holds the asset already
};

struct Verdict
{
    Refusal refusal = Refusal::None;
    QString countedIn; // the stored count voucher that holds the asset (Counted)
};

// A code as the checks and the count keep it: trimmed, with the digits 0-9 whatever
// keyboard typed them.
QString CodeOf(const QString& typed);

// The verdict on each of `codes` (as typed or read: blanks around them, digits of any
// keyboard), in order: empty, no asset of that code, counted in a stored count
// voucher, and already in the count: among `kept` (the count's other rows) or in an
// earlier entry of `codes`. The register and the stored counts are read a hundred
// codes a statement, by their code's index (in the stored form and as bare digits),
// or, from a thousand codes on, whole.
QList<Verdict> Check(DbConnection& db, const QStringList& codes, const QStringList& kept = {});

// The message the count shows for a verdict ("" for None).
QString Text(const Verdict& verdict);

// What the register says of one code read by a scanner, on the count's date.
struct Facts
{
    bool found = false;
    QString name;
    QString place;     // the register's location, trimmed
    QString holder;    // the register's person, trimmed
    QString soldOn;    // the first sale on or before the date ("" when none)
    QString retiredOn; // the last permanent retirement, when no return followed it by the date
    QString countedIn; // the stored count voucher that holds the asset ("" when none)
};

// The facts of `code` (trimmed, digits 0-9) in one statement: the register's row by
// its key, the sale, the retirement with its returns and the stored counts each by
// its table's code index, in the stored form and as bare digits.
Facts LookUp(DbConnection& db, const QString& code, const QString& date);

} // namespace CountRowChecks
