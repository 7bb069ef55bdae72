#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Reading spreadsheet workbooks (.xls and .xlsx) as rows of cell texts, without any
// window. A sheet's XML is read as a stream: only the cell texts are kept, never the
// whole part. Whatever goes wrong comes back as a reason (English, for logs and
// tests); the import window shows its own Persian message for any of them.

// One sheet as read: each row holds the texts of its cells from the first column to
// the last non-empty one; an empty or missing cell is "" in its column.
struct SheetRows
{
    QList<QStringList> rows;
    int columnCount = 0;
};

// Told after each block of rows read; returning false stops the reading (the user
// cancelled), which then fails with the reason "cancelled".
using ReadProgress = std::function<bool(int rowsRead)>;

class WorkbookReader
{
public:
    virtual ~WorkbookReader() = default;

    // Opens `path` by its extension (.xls or .xlsx, in any case); null with `reason`
    // set when the file cannot be read as such a workbook.
    static std::unique_ptr<WorkbookReader> Open(const QString& path, QString* reason);
    // The same over a workbook held in memory (the fuzzing harness); `xlsx` picks
    // the format.
    static std::unique_ptr<WorkbookReader> OpenBytes(const QByteArray& bytes, bool xlsx,
                                                     QString* reason);

    // The sheets in workbook order.
    virtual QStringList sheetNames() const = 0;
    // Reads sheet `index` into `out`; false with `reason` when the sheet is damaged,
    // exceeds the limits below or the reading was cancelled (`out` is then empty).
    virtual bool readSheet(int index, SheetRows* out, QString* reason,
                           const ReadProgress& progress = {}) = 0;

    // Limits that keep a hostile file from taking the memory: a cell longer than a
    // spreadsheet program allows, more rows or columns than it has, or more text in
    // all than a sheet of that size would ever need.
    static constexpr int kMaxCellChars = 32767;
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;
    static constexpr qint64 kMaxSheetChars = 64 * 1024 * 1024;
    // How many rows are read between two progress calls.
    static constexpr int kProgressStep = 2048;
};

// Text of a spreadsheet number as the grid shows it: whole numbers without a
// fraction ("101", not "101.0"), others in their shortest exact form.
QString SpreadsheetNumberText(double value);
// The date of a spreadsheet date number as "yyyy/mm/dd" (the 1900 date system, or the
// 1904 one); "" for a number that is no date.
QString SpreadsheetDateText(double serial, bool system1904 = false);
// Column letters of a zero-based column index: 0 -> "A", 26 -> "AA".
QString SpreadsheetColumnName(int index);
