#pragma once

#include <QByteArray>
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
    // The sheet's own (zero-based) index of rows[0]: the empty rows above it are not
    // kept. The spreadsheet program shows rows[i] as row firstRow + i + 1.
    int firstRow = 0;
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

// Reads what amval-xls-reader writes (the framed form of xlsframes.h), block by block
// as it arrives: the sheet names, or the rows of one sheet into `rows`. Whatever does
// not follow the form, passes the limits above or ends before the end frame is refused
// with a reason; `rows` is then empty.
class XlsFrameParser
{
public:
    // `rows` null: the names are read; otherwise the rows of a sheet.
    explicit XlsFrameParser(SheetRows* rows = nullptr);
    ~XlsFrameParser();

    // Takes the next bytes; false once the output was refused.
    bool feed(const char* data, qsizetype size);
    // After the last bytes: true when the output was whole and good.
    bool finish();

    const QStringList& names() const { return m_names; }
    int rowsRead() const;
    const QString& reason() const { return m_reason; }

private:
    bool frame(char tag, const char* payload, quint32 size);
    bool fail(const QString& why);

    class Rows;
    std::unique_ptr<Rows> m_rows;
    SheetRows* m_out;
    QByteArray m_pending;
    QStringList m_names;
    QString m_reason;
    bool m_magic = false;
    bool m_ended = false;
    bool m_failed = false;
};

// Where amval-xls-reader is: beside this module (the build folder, or an install
// that keeps them together), beside the running program, or in the libexec folder
// of the prefix the program is installed under. "" when none is there.
QString XlsReaderProgram();

// Text of a spreadsheet number as the grid shows it: whole numbers without a
// fraction ("101", not "101.0"), others in their shortest exact form.
QString SpreadsheetNumberText(double value);
// The date of a spreadsheet date number as "yyyy/mm/dd" (the 1900 date system, or the
// 1904 one); "" for a number that is no date.
QString SpreadsheetDateText(double serial, bool system1904 = false);
// Column letters of a zero-based column index: 0 -> "A", 26 -> "AA".
QString SpreadsheetColumnName(int index);
