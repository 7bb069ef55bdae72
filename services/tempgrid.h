#pragma once

#include <QString>

class DataSet;
struct TGlobal;

// The user's rights to copy grid contents and to print, read from the COPY and
// PRINT keys of the user's settings text (UserSdc.Zelmora) into the record's copy
// and print permission fields. False when there is no connection to read from.
bool ReadCopyPrintRights(TGlobal* global);

// Drops the global temporary table "##" + name when it exists; a name that already
// starts with "##" is taken as it is. A missing table is no error.
void DropTempTable(const QString& name);

// Whether a temporary object of that name exists (compared without regard to case).
bool TempObjectExists(const QString& name);

// The first value of `resultField` in the rows of `table` whose `keyField` equals
// `keyValue`, as text; "" when no row matches. Runs on the given query.
QString LookupFirstValue(DataSet* query, const QString& resultField, const QString& table,
                         const QString& keyField, const QString& keyValue);
