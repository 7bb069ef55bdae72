#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class DataSet;
class DbConnection;
class DbGrid;
struct TGlobal;

// Turning a grid's rows into text for other programs (clipboard, spreadsheet,
// word processor, web page).

// The grid as tab-separated text: the titles line, then one line per row; the cells
// are separated by tabs (the first begins the line, so that a spreadsheet puts it in
// its first column) and every line ends with a tab, two spaces and a line break.
// A grid without an open data set gives an empty text; one without rows gives the
// titles line only. The grid's data set is not moved: the user's current row, a
// pending edit and an open cell editor stay as they are.
QString GridAsText(DbGrid* grid);

// Puts GridAsText on the clipboard; a long report shows the progress window, whose
// stop leaves the clipboard as it was.
void CopyGridAsText(DbGrid* grid);

// What the exports left on the clipboard, made independent of the module: called
// before the module is unloaded (Release_It).
void ReleaseClipboard();

// Moves the row numbers (Raj) of a transaction table from `row` on: up by one after
// the row there was removed (mode "DELETE"), down by one before a row goes in there
// (any other mode).
void RenumberRows(const QString& table, const QString& mode, int row);

// Files handed to the desktop (the program registered for the file's type shows it).
// Tests set OpenFileHook to record the path instead of starting a program.
extern std::function<bool(const QString& path)> OpenFileHook;
bool OpenWithDesktop(const QString& path);

// Tells the user a file could not be written: the folder refused it, or the writing
// broke off (TPendingFile::FailureText).
void ShowUnwrittenFile(const QString& path, bool folderRefused = true);

// The name export files take: the grid's data set's object name ("Report" for a data
// set without one).
QString ExportName(DbGrid* grid);

// Exports go where the user chooses: a save dialog opens on the last folder an export
// went to (LastExportFolder) and proposes <name><extension>. Every file is written
// under a temporary name beside its place and takes its name only when whole, so a
// stop (the progress window of a long export), a refused folder or a full disk leaves
// nothing behind; the user is told in Persian, and the grid's text goes to the
// clipboard instead.
//
// ".XLS": proposes <name>.xlsx, writes there a workbook (one right-to-left sheet, bold
// titles, numbers as numbers) and beside it the tab text as <its name>.XLS (a name
// chosen with .XLS is the tab text's, and the workbook <its name>.xlsx goes beside it);
// the tab text goes to the clipboard and the workbook is opened. Any other extension (".DOC"):
// the tab text goes into <name><extension>, to the clipboard, and is opened. Returns
// the path opened ("" when the grid has no open data set, the user cancelled or
// stopped, or a file could not be written). ExportGridFileTo does the same into
// `path` without asking.
QString ExportGridFile(DbGrid* grid, const QString& extension);
QString ExportGridFileTo(DbGrid* grid, const QString& extension, const QString& path);

// The grid as a web page: title, today's date, a table of the visible columns (last
// to first when `reverse`) with rows coloured by record number. ExportGridHtml asks
// where (proposing <name>.html), writes the page there, puts it on the clipboard and
// opens it (returns that path; "" as ExportGridFile). GridHtmlPage only builds the
// page.
QString GridHtmlPage(DbGrid* grid, const QString& title, bool reverse);
QString ExportGridHtml(DbGrid* grid, const QString& title, bool reverse);

// Sets each visible column's width to the wider of its title and its longest value
// (read with the data set's statement) in the grid's font. Columns whose settings say
// "Delimiter=P" show numbers with thousands separators; under a column saying
// "Sumable=P" a label shows the column's total. The labels are children of the grid's
// parent, follow the column when it is resized or moved, and are replaced by the next
// call.
void FitColumnWidths(DbGrid* grid);

// Opens the saved-report dialog (SaveReport library) with the four dialog arguments.
// For a chosen report, `tempTable` is made a copy of its table and `reportQuery`
// (when given) is reopened on that copy, ordered by `orderText` when not empty.
// Returns the chosen report's table name, "" when cancelled or the library is missing.
QString LoadSavedReport(TGlobal* global, DbConnection* connection, const QString& sProg,
                        const QString& sForm, const QString& tempTable, DataSet* reportQuery,
                        const QString& orderText);

// `tempTable` made anew as a copy of the kept report's table `saved`.
void CopySavedReport(DbConnection& connection, const QString& tempTable, const QString& saved);

// Opens the save-report dialog; the library stores the rows of `sourceTable`. False
// when the library could not be loaded.
bool SaveReportAs(TGlobal* global, DbConnection* connection, const QString& sProg,
                  const QString& sForm, const QString& sourceTable, const QString& title);
