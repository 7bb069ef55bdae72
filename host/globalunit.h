#pragma once

#include <QChar>
#include <QColor>
#include <QString>
#include <QVariant>

class QLibrary;
struct TMyDatabase;

// Module-wide services shared by every window.

// Blanks in front until the text is `width` long; a longer text keeps its first `width`.
QString PadLeft(const QString& text, int width);
// The same with another fill character (account codes below Moein are filled with "0").
QString PadLeftWith(const QString& text, QChar fill, int width);

// The name of a new work table of the module: "##", the user's stem (TGlobal::TempStem)
// and a stamp of the clock not handed out before in this session (TMyDate::TimeStamp),
// so that two windows, or two clerks, never share one.
QString NewWorkTableName();

// Display form of an amount: "1234567.5" -> "1,234,567.5"; "" and "0" -> "0".
QString FormatAmount(const QString& text);
// An amount as plain decimal text for FormatAmount: whole amounts without a fraction,
// others with the fraction they have, never in exponent form ("17000000", "12.5");
// an empty text for NULL.
QString AmountText(const QVariant& value);
// Number text without display separators: trimmed, "" -> "0", commas removed.
QString NumberText(const QString& text);

// Runs a statement on the handle's command query. An empty statement succeeds; no
// connection fails. Database errors are thrown (DatabaseError).
bool ExecSQL(TMyDatabase* database, const QString& sql);

// Loads the library at `path` into `handle` unless it already holds one. On failure
// shows "File Exits: <path>" when the file is there, "Can not load <path>" otherwise.
bool LoadLibraryOnce(QLibrary& handle, const QString& path);

// Keyboard filter of code columns: "NUM" lets only digits (0-9 and the Persian and
// Arabic-Indic ones, which the caller stores as 0-9, see LatinDigit) and Backspace
// through.
bool KeyAllowed(const QString& rule, QChar key);

// Brings a typed character to the letters the system stores (Arabic Yeh and Kaf),
// according to the host context's character-set mode and operating-system name.
QChar NormaliseKey(QChar key);

// The Backspace character as a key press delivers it.
inline constexpr char16_t kBackspace = u'\b';

class DbGrid;

// Sorts the grid's data set in memory on the column's field, after `prefix`
// (e.g. "sOrder2, "): ascending, or descending when the data set is already
// sorted ascending on that field. Titles go back to `normalTitle`; the sorted
// column's title takes `ascendingTitle` or `descendingTitle`. A grid whose data
// set is closed, or a column without a field, is left as it is. Returns the sort.
QString SortByColumn(DbGrid* grid, int column, const QString& prefix = QString(),
                     const QColor& normalTitle = Qt::black, const QColor& ascendingTitle = Qt::red,
                     const QColor& descendingTitle = Qt::blue);
