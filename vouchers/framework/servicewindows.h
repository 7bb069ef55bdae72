#pragma once

#include <QString>

class DataSet;
class DbGrid;
class QLineEdit;
class TD_Global;

// The window side of the voucher services: what the services object and the
// chart services found, written into a window's edits or shown through the
// host's message window (as an error, "1ER").

// Shows `refusal` when there is one; true when there was none.
bool ShowRefusal(const QString& refusal);

// Writes the table's highest and lowest numbers into the two edits and the date of
// `number` (TD_Global::NumberBounds) into the year, month and day edits; returns
// that date. Any edit may be null.
QString ShowNumberBounds(TD_Global* dg, const QString& table, const QString& number,
                         QLineEdit* lastId, QLineEdit* firstId, QLineEdit* year, QLineEdit* month,
                         QLineEdit* day);

// Current row and row count of the grid query into the two edits.
void ShowRowPosition(const DataSet* gridQuery, QLineEdit* currentRow, QLineEdit* rowCount);

// True when the day-book does not yet cover the voucher; otherwise shows how far it
// was posted and returns false.
bool DayBookAllows(TD_Global* dg, DataSet* gridQuery, const QString& number, const QString& date,
                   const QString& code);

// "" when the asset may be used in voucher `number` dated `date`; otherwise shows
// the reason (sold, then retired) and returns the column the cursor goes to.
QString AssetStateGuard(TD_Global* dg, DataSet* query, const QString& asset, const QString& number,
                        const QString& date);

// Validates the grid row's account chain (CheckAccountChain on the services
// object's query). Returns "" when it is valid, else the name of the first
// offending column after its message was shown and, for a column of a standard
// name, its pick list opened.
QString ValidateAccountChain(TD_Global* dg, DbGrid* grid, const QString& level,
                             const QString& grohTafsily, const QString& grohTafsily2,
                             const QString& grohProject,
                             const QString& kollColumn = QStringLiteral("Koll"),
                             const QString& moeinColumn = QStringLiteral("Moein"),
                             const QString& tafsilyColumn = QStringLiteral("Tafsily"),
                             const QString& tafsily2Column = QStringLiteral("Tafsily2"),
                             const QString& projectColumn = QStringLiteral("ProjectCod"));
