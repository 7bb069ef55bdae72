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

} // namespace CountRowChecks
