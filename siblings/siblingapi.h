#pragma once

// The functions the sibling dialog libraries export, as the module calls them.
//
// Each library lives under <application folder>/DLLs/GlobalForms/ (Filter.so,
// SetColumns.so, ReportProperty.so, Search.so, Sms.so, Print.so, Print1.so,
// SaveReport.so). The module loads a library for one call, resolves one function by
// its name, calls it and unloads the library again. Host and libraries are built by
// the same compiler against the same Qt and libamval-platform.so, so the functions
// take the module's own types; every text comes back through an out-parameter.
// What a library needs of the host's context (today's date, the user) comes as plain
// values in these declarations: no library includes a header of the host program or
// the module, and none reads the host's context through the pointers handed on.
//
// Every dialog is modal, right-to-left and Persian. Its main widgets carry the object
// names listed beside each function, so that a user's keyboard and mouse (or a test
// standing in for one) can be pointed at them.

#include <QString>

class CommandQuery;
class DataSet;
class DbConnection;
class DbGrid;
class TDlgMsg;
struct TGlobal;

// What the print libraries print. The calling window fills the grid, data set and
// title; the module's print service completes the rest before the call.
struct TPrintRequest
{
    DbGrid* Grid = nullptr;
    DataSet* Data = nullptr;
    QString Title;      // printed above the rows, with today's date
    QString ReportName; // the report's key, e.g. "D_ASNAD_FOROSH_DAYEME": page settings are kept
                        // under it
    QString Text1;      // empty
    QString Text2;      // empty
    QString Kept1;      // the print service's own texts, handed on unchanged
    QString Kept2;
    DbConnection* Connection = nullptr; // the host connection
    QString UserId;                     // the current user's id as decimal text
    QString Today;                      // today's date as the host shows it; empty: no date line
    TGlobal* Global = nullptr;          // the host's context, handed on; never read here
    QString Company;                    // the company's name, at the head of every page
    QString StartDate;                  // the fiscal period, at the head of every page
    QString EndDate;
};

extern "C" {

// Filter.so. Dialog "FilterForm": conditions are built row by row from a field
// (QComboBox "cbField"), an operator (QComboBox "cbOperator"), a value (QLineEdit
// "edValue"), joined by And/Or (QComboBox "cbJoin"), added with QPushButton "btnAdd"
// into the list QListWidget "lstConditions"; "btnOk" / "btnCancel". On OK `result`
// receives a statement over `statement` that keeps only the rows meeting the
// conditions; Cancel, or OK with no condition, leaves it empty.
using ShowFilterProc = void (*)(TGlobal* global, CommandQuery* command, TDlgMsg* dlgMsg,
                                DataSet* dataSet, const QString* statement, const QString* extra,
                                QString* result);

// SetColumns.so. Dialog "ColSettingForm" over the grid's columns (QTableWidget
// "tblColumns": visible check, title, width; QPushButton "btnUp"/"btnDown" move the
// current column; "btnOk"/"btnCancel"). OK edits the grid's columns in place.
using ColSettingFormShowProc = void (*)(const QString* nothing, DbGrid* grid);

// ReportProperty.so. Dialog "RepPropertyForm" titled `title`: the report's rows,
// columns and sums; "btnOk" closes it.
using RepPropertyFormShowProc = void (*)(const QString* nothing, const QString* title,
                                         DbGrid* grid);

// Search.so. Dialog "GridSearchForm": field (QComboBox "cbField", preset to the
// grid's selected column), value (QLineEdit "edValue"), whole-value match (QCheckBox
// "chkWhole"), "btnOk"/"btnCancel". On OK with a matching row, `result` receives
// "Field=value;" pairs naming that row (empty when cancelled or nothing matched, after
// the dialog said so). `text1`/`text2` are the report grid's key column and row-number
// column; `keyValue` is the grid's setting for the selected field.
using GridSearchProc = void (*)(DbGrid* grid, const QString* text1, const QString* text2,
                                const QString* keyValue, QString* result);
// Dialog "AdvSortForm": up to three sort levels (QComboBox "cbField1".."cbField3",
// QCheckBox "chkDesc1".."chkDesc3"), "btnOk"/"btnCancel". OK re-sorts the grid's data set.
using AdvSortProc = void (*)(const QString* text1, const QString* text2, const QString* text3,
                             DbGrid* grid);

// Sms.so. Dialog "GridSmsForm": the column holding the numbers (QComboBox
// "cbNumberField"), the message (QPlainTextEdit "edMessage"), "btnOk"/"btnCancel". OK
// records one message per row with a number in the outbox table "Sms_Outbox" of the
// grid's connection; `result` receives "Field=value;" of the first row sent to.
using GridSmsProc = void (*)(DbGrid* grid, const QString* text1, const QString* text2,
                             const QString* keyValue, const QString* sender, QString* result);

// Print.so and Print1.so. Dialog "PrintForm": QRadioButton "rbPreview", "rbPrinter",
// "rbPdf", QLineEdit "edPdfFile" (proposing <last export folder>/<ReportName>.pdf) with
// QToolButton "btnPdfFile" (a save dialog for it), "btnOk"/"btnCancel". The advanced
// library adds page orientation, font size and the choice of columns. Every row of
// the report is printed; a long print shows a progress window that can stop it (a
// stopped PDF leaves no file).
using PrintFormShowProc = void (*)(TPrintRequest request);

// SaveReport.so. Dialog "LoadReportForm" (QListWidget "lstReports", "btnOk"/"btnCancel"):
// `result` receives the name of the chosen stored report's table, empty on cancel.
using LoadReportDlgProc = void (*)(TGlobal* global, DbConnection* connection, const QString* sProg,
                                   const QString* sForm, QString* result);
// Dialog "SaveReportForm" (QLineEdit "edName", "btnOk"/"btnCancel"): stores the rows of
// `sourceTable` under the typed name.
using SaveReportDlgProc = void (*)(TGlobal* global, DbConnection* connection, const QString* sProg,
                                   const QString* sForm, const QString* sourceTable,
                                   const QString* title);
}
