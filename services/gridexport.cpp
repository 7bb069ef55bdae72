// Grid exports: a grid's rows as text on the clipboard, in a spreadsheet file, a
// text file or a web page; the transaction table's row numbering; the saved report
// layouts. Fitting a report grid's column widths and its sums is in
// gridcolumnwidths.cpp.

#include "gridexport.h"

#include "context/pendingfile.h"
#include "context/userplaces.h"
#include "context/workprogress.h"
#include "databaseerror.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "jalalidate.h"
#include "messages.h"
#include "settings.h"
#include "siblingapi.h"
#include "siblingcalls.h"
#include "sqlquote.h"
#include "tempgrid.h"

#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLibrary>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <memory>

#include <xlsxwriter.h>

namespace {

const QString kCellSeparator = QStringLiteral("\t");
const QString kLineEnd = QStringLiteral("\t  \n");

// The first cell starts the line: a spreadsheet puts it in the first column.
void AppendLine(QString& text, const QStringList& cells)
{
    text += cells.join(kCellSeparator);
    text += kLineEnd;
}

// The visible columns of a grid, in grid order, and what its rows are read from.
struct GridColumns
{
    DataSet* dataSet = nullptr; // null: no open data set
    const DataSetModel* model = nullptr;
    QStringList titles;
    QList<int> columns; // per title: the index of its grid column
};

GridColumns ColumnsOf(DbGrid* grid)
{
    GridColumns shown;
    DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    if (ds == nullptr || !ds->active())
        return shown;
    shown.dataSet = ds;
    shown.model = grid->dataModel();
    const QList<DbGridColumn>& columns = grid->columns();
    for (int c = 0; c < columns.size(); ++c) {
        if (!columns.at(c).visible)
            continue;
        shown.titles << columns.at(c).title;
        shown.columns << c;
    }
    return shown;
}

// Hands `row` the cells of each row in turn, first to last, and keeps none of them:
// however many rows the grid has, one row is in memory at a time. The rows are read
// as the grid's cell editor reads them (the edit text, not the display format),
// strictly forward by position, without moving the data set: walking it with its
// cursor would post a pending edit, run the window's scroll handlers and reset the
// grid under an open cell editor. A new row the user has not typed into yet is no
// data. The row count is asked again at each step, so that a data set still reading
// its rows is followed to its end. `row` returns false to stop.
template <typename RowFunction> void WalkRows(const GridColumns& shown, RowFunction&& row)
{
    DataSet* ds = shown.dataSet;
    const DataSetModel* model = shown.model;
    QStringList cells;
    cells.reserve(shown.columns.size());
    int from = 0;
    if (ds->chunked()) {
        // A result read in chunks (a report's, read-only) is read by one pass of its
        // statement: chunk after chunk, each would have the engine pass over every
        // row before it again. Should that pass fail, the rows not handed over yet
        // are read as the grid reads them.
        QList<int> fields;
        for (const int c : std::as_const(shown.columns))
            fields << model->fieldIndex(c);
        bool going = true;
        try {
            ds->readEach([&](const QVariant* values) {
                cells.clear();
                for (const int f : std::as_const(fields))
                    cells << (f >= 0 ? DataSetModel::EditText(values[f]) : QString());
                going = bool(row(std::as_const(cells)));
                ++from;
                return going;
            });
            return;
        } catch (const DatabaseError&) {
            if (!going)
                return;
        }
    }
    const int untouchedNewRow =
        ds->state() == DataSet::State::Insert && !ds->modified() ? ds->currentRow() : -1;
    for (int r = from; r < ds->recordCount(); ++r) {
        if (r == untouchedNewRow)
            continue;
        cells.clear();
        for (const int c : std::as_const(shown.columns))
            cells << model->cell(r, c).toString();
        if (!row(std::as_const(cells)))
            return;
    }
}

} // namespace

QString GridAsText(DbGrid* grid)
{
    const GridColumns shown = ColumnsOf(grid);
    if (shown.dataSet == nullptr)
        return QString();
    QString text;
    AppendLine(text, shown.titles);
    WalkRows(shown, [&text](const QStringList& cells) {
        AppendLine(text, cells);
        return true;
    });
    return text;
}

// The rows of a long report are read with the progress window up; a stop leaves the
// clipboard as it was.
void CopyGridAsText(DbGrid* grid)
{
    const GridColumns shown = ColumnsOf(grid);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return;
    if (shown.dataSet == nullptr) {
        clipboard->setText(QString());
        return;
    }
    TWorkProgress progress(grid->window(), QStringLiteral("در حال خواندن رديف هاي گزارش ..."),
                           shown.dataSet->recordCount());
    QString text;
    AppendLine(text, shown.titles);
    qint64 done = 0;
    WalkRows(shown, [&](const QStringList& cells) {
        AppendLine(text, cells);
        return progress.step(++done);
    });
    if (!progress.stopped())
        clipboard->setText(text);
}

// The numbers pass through negatives so that no two rows hold the same number on the
// way, whatever order the engine updates them in (a unique row number is checked row
// by row, not at the end of the statement).
void RenumberRows(const QString& table, const QString& mode, int row)
{
    const QString shift =
        mode == QStringLiteral("DELETE") ? QStringLiteral("1 - Raj") : QStringLiteral("-(Raj + 1)");
    // Only the window's own temporary table is written: no other user is locked out.
    Transaction transaction(*MyDatabase->Connection, DbConnection::TransactionKind::Read);
    ExecSQL(MyDatabase, QStringLiteral("Update ") + SqlIdent(table) +
                            QStringLiteral(" Set Raj = ") + shift + QStringLiteral(" Where Raj>=") +
                            QString::number(row));
    ExecSQL(MyDatabase, QStringLiteral("Update ") + SqlIdent(table) +
                            QStringLiteral(" Set Raj = -Raj Where Raj<0"));
    transaction.commit();
}

// ---------------------------------------------------------------------------
// Files for other programs

std::function<bool(const QString& path)> OpenFileHook;

bool OpenWithDesktop(const QString& path)
{
    const bool opened =
        OpenFileHook ? OpenFileHook(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    // Without a program for the file the user still learns where it is.
    if (!opened)
        ShowMessageDlg(QStringLiteral("فايل ذخيره شد، ولي برنامه اي براي باز کردن آن پيدا "
                                      "نشد. فايل در اين مسير است:\n") +
                           LeftToRightRun(QDir::toNativeSeparators(path)),
                       QString(), QStringLiteral("1IR"));
    return opened;
}

namespace {

const QString kExportCaption = QStringLiteral("ذخيره گزارش در فايل");
const QString kWriting = QStringLiteral("در حال نوشتن فايل گزارش ...");

// The window the export's dialogs stand over.
QWidget* ExportOwner(DbGrid* grid)
{
    return grid != nullptr ? grid->window() : nullptr;
}

void PutOnClipboard(const QString& text)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

// The text of a file just written, offered on the clipboard without being held in
// memory: it is read from the file when a program pastes it. A file changed or
// removed since gives nothing rather than another text.
class FileTextMimeData : public QMimeData
{
public:
    explicit FileTextMimeData(const QString& path) : m_path(path)
    {
        const QFileInfo info(path);
        m_size = info.size();
        m_modified = info.lastModified();
    }
    QStringList formats() const override { return {QStringLiteral("text/plain")}; }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        if (!mimeType.startsWith(QLatin1String("text/plain")))
            return QMimeData::retrieveData(mimeType, type);
        const QFileInfo info(m_path);
        QFile file(m_path);
        if (!info.exists() || info.size() != m_size || info.lastModified() != m_modified ||
            !file.open(QIODevice::ReadOnly))
            return QVariant();
        return QString::fromUtf8(file.readAll());
    }

private:
    QString m_path;
    qint64 m_size = 0;
    QDateTime m_modified;
};

// The FileTextMimeData last put on the clipboard, while the clipboard holds it.
QPointer<QMimeData> FileOnClipboard;

// Puts the text of the UTF-8 file at `path` on the clipboard.
void PutFileOnClipboard(const QString& path)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        auto* data = new FileTextMimeData(path);
        clipboard->setMimeData(data);
        FileOnClipboard = data;
    }
}

// A text file written line by line (UTF-8, no byte order mark) into the temporary
// file of a TPendingFile; the lines pass through the file's buffer and are not kept.
class TextFileWriter
{
public:
    explicit TextFileWriter(const QString& path) : m_file(path)
    {
        m_ok = m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    bool ok() const { return m_ok; }
    void write(const QString& text)
    {
        if (m_ok && m_file.write(text.toUtf8()) < 0)
            m_ok = false;
    }
    // The tab text's line of `cells`.
    void writeCells(const QStringList& cells)
    {
        m_line.clear();
        AppendLine(m_line, cells);
        write(m_line);
    }
    bool finish()
    {
        if (m_ok && !m_file.flush())
            m_ok = false;
        m_file.close();
        return m_ok;
    }

private:
    QFile m_file;
    QString m_line;
    bool m_ok = false;
};

bool NumericField(const DataField* field)
{
    return field != nullptr &&
           (field->kind() == DataField::Kind::Integer || field->kind() == DataField::Kind::Float);
}

const DataField* FieldOfColumn(DbGrid* grid, int column)
{
    const int f = grid->dataModel()->fieldIndex(column);
    return f >= 0 ? grid->dataSet()->field(f) : nullptr;
}

// The workbook: one right-to-left sheet, the titles in bold, numeric fields as
// numbers with thousands separators, the rest as texts; column widths follow the
// grid's (about seven pixels to a character of the sheet's default font). Written
// in the library's constant-memory mode: each row goes to a temporary file (in a
// folder of its own under the system's temporary folder) as soon as the next one
// begins, so rows must come in order and memory does not grow with them.
class WorkbookWriter
{
public:
    WorkbookWriter(DbGrid* grid, const GridColumns& shown, const QString& path)
        : m_temp(QDir(QDir::tempPath()).filePath(QStringLiteral("amval-xlsx-XXXXXX")))
    {
        if (!m_temp.isValid())
            return;
        m_tempPath = QFile::encodeName(m_temp.path());
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_tempPath.data();
        m_book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
        if (m_book == nullptr)
            return;
        m_sheet = workbook_add_worksheet(m_book, nullptr);
        worksheet_right_to_left(m_sheet);
        lxw_format* bold = workbook_add_format(m_book);
        format_set_bold(bold);
        m_whole = workbook_add_format(m_book);
        format_set_num_format(m_whole, "#,##0");
        m_fraction = workbook_add_format(m_book);
        format_set_num_format(m_fraction, "#,##0.0##");
        for (qsizetype i = 0; i < shown.columns.size(); ++i) {
            const int column = shown.columns.at(i);
            m_numeric << NumericField(FieldOfColumn(grid, column));
            const int pixels = grid->columnWidth(column) > 0 ? grid->columnWidth(column)
                                                             : grid->columns().at(column).width;
            const lxw_col_t c = lxw_col_t(i);
            worksheet_set_column(m_sheet, c, c, pixels / 7.0, nullptr);
            check(worksheet_write_string(m_sheet, 0, c, shown.titles.at(i).toUtf8().constData(),
                                         bold));
        }
    }
    ~WorkbookWriter()
    {
        if (m_book != nullptr)
            workbook_close(m_book);
    }
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    bool ok() const { return m_book != nullptr && m_ok; }

    // The next row of cells, under the previous one.
    void add(const QStringList& cells)
    {
        if (!ok())
            return;
        const lxw_row_t row = ++m_row;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const QString& text = cells.at(i);
            if (text.isEmpty())
                continue;
            const lxw_col_t c = lxw_col_t(i);
            bool numeric = false;
            const double value = m_numeric.at(i) ? text.toDouble(&numeric) : 0.0;
            if (numeric) {
                check(worksheet_write_number(m_sheet, row, c, value,
                                             value == qint64(value) ? m_whole : m_fraction));
                continue;
            }
            // A sheet cell holds at most 32767 characters.
            check(worksheet_write_string(m_sheet, row, c, text.left(32767).toUtf8().constData(),
                                         nullptr));
        }
    }

    bool close()
    {
        if (m_book == nullptr)
            return false;
        const bool closed = workbook_close(m_book) == LXW_NO_ERROR;
        m_book = nullptr;
        return closed && m_ok;
    }

private:
    void check(lxw_error error)
    {
        if (error != LXW_NO_ERROR)
            m_ok = false;
    }

    QTemporaryDir m_temp;
    QByteArray m_tempPath;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_whole = nullptr;
    lxw_format* m_fraction = nullptr;
    QList<bool> m_numeric;
    lxw_row_t m_row = 0;
    bool m_ok = true;
};

// The web page of the grid, line by line (each line handed to `line` without its
// line break): the head, the date line, the table with a one-line title row, then
// per row "<TR>", one line per cell and "</TR>". `line` returns false to stop.
template <typename LineFunction>
void WriteHtmlPage(const GridColumns& shown, const QString& title, bool reverse,
                   LineFunction&& line)
{
    const JalaliParts today = JalaliSplit(Global != nullptr ? Global->Today : QString());

    QList<qsizetype> order;
    for (qsizetype i = 0; i < shown.titles.size(); ++i)
        order << i;
    if (reverse)
        std::reverse(order.begin(), order.end());

    // The file is written in UTF-8: the page says so, so that every browser reads it.
    QStringList head;
    head << QStringLiteral("<HTML dir=rtl>") << QStringLiteral("<HEAD>")
         << QStringLiteral("<META http-equiv=\"Content-Type\" content=\"text/html; "
                           "charset=utf-8\">")
         << QStringLiteral("<TITLE> ") + title + QStringLiteral("</TITLE>")
         << QStringLiteral("</HEAD>") << QStringLiteral("<BODY bgcolor=LightSteelBlue >")
         << QStringLiteral("<H3 Align=CENTER>") + title + QStringLiteral("</H3>");
    head << QStringLiteral("<TT Align=Right > در تاريخ:") + today.day + QLatin1Char('/') +
                today.month + QLatin1Char('/') + today.year + QStringLiteral("</TT>");
    head << QStringLiteral("<TABLE BORDER=1>");
    QString header = QStringLiteral("<TR>");
    for (const qsizetype i : std::as_const(order))
        header += QStringLiteral("<TH ALIGN=RIGHT bgColor=Gray>") + shown.titles.at(i) +
                  QStringLiteral("</TH>");
    head << header + QStringLiteral("</TR>");
    for (const QString& l : std::as_const(head)) {
        if (!line(l))
            return;
    }
    qsizetype recNo = 0;
    bool going = true;
    WalkRows(shown, [&](const QStringList& cells) {
        ++recNo;
        const QString colour =
            recNo % 2 == 0 ? QStringLiteral("gray") : QStringLiteral("LightYellow");
        going = line(QStringLiteral("<TR>"));
        for (const qsizetype i : std::as_const(order)) {
            if (!going)
                break;
            going = line(QStringLiteral("<TD  ALIGN=RIGHT bgColor=") + colour +
                         QStringLiteral(" ><font Face=Tahoma   size=2 >") + cells.at(i) +
                         QStringLiteral("</font></TD>"));
        }
        going = going && line(QStringLiteral("</TR>"));
        return going;
    });
    if (going)
        going = line(QStringLiteral("</TABLE>")) && line(QStringLiteral("</BODY>")) &&
                line(QStringLiteral("</HTML>"));
}

} // namespace

void ShowUnwrittenFile(const QString& path, bool folderRefused)
{
    ShowMessageDlg(TPendingFile::FailureText(path, folderRefused), QString(),
                   QStringLiteral("1ER"));
}

QString ExportName(DbGrid* grid)
{
    DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    const QString name = ds != nullptr ? ds->objectName().trimmed() : QString();
    return name.isEmpty() ? QStringLiteral("Report") : name;
}

namespace {

bool IsSheet(const QString& extension)
{
    return extension.compare(QStringLiteral(".XLS"), Qt::CaseInsensitive) == 0;
}

// The rows the export walks, for its progress window.
qint64 RowTotal(const GridColumns& shown)
{
    return shown.dataSet->recordCount();
}

// A file that could not be written: the user is told which and why, and the grid's
// text is offered on the clipboard instead, so that nothing is lost.
QString Unwritten(DbGrid* grid, const TPendingFile& file, const QString& text = QString())
{
    PutOnClipboard(text.isNull() ? GridAsText(grid) : text);
    ShowMessageDlg(file.failureText(), QString(), QStringLiteral("1ER"));
    return QString();
}

} // namespace

QString ExportGridFile(DbGrid* grid, const QString& extension)
{
    if (ColumnsOf(grid).dataSet == nullptr)
        return QString();
    const bool sheet = IsSheet(extension);
    const QString path =
        AskSavePath(ExportOwner(grid), kExportCaption,
                    ExportName(grid) + (sheet ? QStringLiteral(".xlsx") : extension),
                    sheet ? QStringLiteral("کتاب کار (*.xlsx)")
                          : QStringLiteral("سند متني (*") + extension + QStringLiteral(")"));
    return path.isEmpty() ? QString() : ExportGridFileTo(grid, extension, path);
}

// One walk over the rows writes the tab text file and, for ".XLS", the workbook
// beside it, both under temporary names; only when both are whole do they take
// their names. The clipboard then offers the text file's text.
QString ExportGridFileTo(DbGrid* grid, const QString& extension, const QString& path)
{
    const GridColumns shown = ColumnsOf(grid);
    if (shown.dataSet == nullptr)
        return QString();

    const bool sheet = IsSheet(extension);
    // The workbook's tab text takes its name with the original's extension; a name
    // chosen with that extension is the tab text's, and the workbook goes beside it.
    const QFileInfo chosen(path);
    const QString textPath =
        sheet ? chosen.dir().filePath(chosen.completeBaseName() + extension) : path;
    const QString bookPath =
        sheet && extension.compare(QLatin1Char('.') + chosen.suffix(), Qt::CaseInsensitive) == 0
            ? chosen.dir().filePath(chosen.completeBaseName() + QStringLiteral(".xlsx"))
            : path;
    TPendingFile textFile(textPath);
    if (!textFile.ok())
        return Unwritten(grid, textFile);
    std::unique_ptr<TPendingFile> bookFile;
    std::unique_ptr<WorkbookWriter> book;
    if (sheet) {
        bookFile = std::make_unique<TPendingFile>(bookPath);
        if (!bookFile->ok())
            return Unwritten(grid, *bookFile);
        book = std::make_unique<WorkbookWriter>(grid, shown, bookFile->workPath());
    }

    TextFileWriter text(textFile.workPath());
    TWorkProgress progress(ExportOwner(grid), kWriting, RowTotal(shown));
    qint64 done = 0;
    text.writeCells(shown.titles);
    WalkRows(shown, [&](const QStringList& cells) {
        text.writeCells(cells);
        if (book)
            book->add(cells);
        return text.ok() && progress.step(++done);
    });
    if (progress.stopped())
        return QString(); // nothing of it stays
    const bool bookWritten = !book || book->close();
    if (!text.finish())
        return Unwritten(grid, textFile);
    if (!bookWritten)
        return Unwritten(grid, *bookFile);
    if (!textFile.commit())
        return Unwritten(grid, textFile);
    if (bookFile && !bookFile->commit())
        return Unwritten(grid, *bookFile);
    PutFileOnClipboard(textPath);
    const QString opened = sheet ? bookPath : textPath;
    OpenWithDesktop(opened);
    return opened;
}

// The clipboard outlives the module: it keeps what it holds until something else is
// copied or the application ends, and it deletes it then. A FileTextMimeData, whose
// code is the module's, becomes a plain copy of its text before the module goes.
void ReleaseClipboard()
{
    if (FileOnClipboard == nullptr ||
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr || clipboard->mimeData() != FileOnClipboard)
        return;
    const QString text = FileOnClipboard->text();
    if (text.isEmpty())
        clipboard->clear();
    else
        clipboard->setText(text);
}

QString GridHtmlPage(DbGrid* grid, const QString& title, bool reverse)
{
    const GridColumns shown = ColumnsOf(grid);
    if (shown.dataSet == nullptr)
        return QString();
    QString page;
    WriteHtmlPage(shown, title, reverse, [&page](const QString& line) {
        page += line + QLatin1Char('\n');
        return true;
    });
    return page;
}

QString ExportGridHtml(DbGrid* grid, const QString& title, bool reverse)
{
    const GridColumns shown = ColumnsOf(grid);
    if (shown.dataSet == nullptr)
        return QString();
    const QString path =
        AskSavePath(ExportOwner(grid), kExportCaption, ExportName(grid) + QStringLiteral(".html"),
                    QStringLiteral("صفحه وب (*.html *.htm)"));
    if (path.isEmpty())
        return QString();
    TPendingFile pending(path);
    if (!pending.ok())
        return Unwritten(grid, pending, GridHtmlPage(grid, title, reverse));
    TextFileWriter file(pending.workPath());
    TWorkProgress progress(ExportOwner(grid), kWriting, RowTotal(shown));
    qint64 lines = 0;
    const qint64 linesPerRow = shown.titles.size() + 2;
    const QString newline(QLatin1Char('\n'));
    WriteHtmlPage(shown, title, reverse, [&](const QString& line) {
        file.write(line);
        file.write(newline);
        return file.ok() && progress.step(++lines / linesPerRow);
    });
    if (progress.stopped())
        return QString();
    if (!file.finish() || !pending.commit())
        return Unwritten(grid, pending, GridHtmlPage(grid, title, reverse));
    PutFileOnClipboard(path);
    OpenWithDesktop(path);
    return path;
}

// ---------------------------------------------------------------------------
// Saved reports

void CopySavedReport(DbConnection& connection, const QString& tempTable, const QString& saved)
{
    const Dialect& dialect = connection.dialect();
    dialect.dropTempTable(tempTable);
    connection.execute(dialect.createTempTable(tempTable) + QStringLiteral(" AS SELECT * FROM ") +
                       SqlIdent(saved));
}

QString LoadSavedReport(TGlobal* global, DbConnection* connection, const QString& sProg,
                        const QString& sForm, const QString& tempTable, DataSet* reportQuery,
                        const QString& orderText)
{
    QString chosen;
    {
        SiblingLibrary library(QStringLiteral("SaveReport"), true);
        if (auto load = library.resolve<LoadReportDlgProc>("Load_Report_Dlg")) {
            QString reply;
            load(global, connection, &sProg, &sForm, &reply);
            chosen = OwnedText(reply); // ours before the unload
        }
    }
    DbConnection* db = connection != nullptr   ? connection
                       : MyDatabase != nullptr ? MyDatabase->Connection
                                               : nullptr;
    if (chosen.isEmpty() || db == nullptr)
        return QString();
    CopySavedReport(*db, tempTable, chosen);
    if (reportQuery != nullptr) {
        QString sql = QStringLiteral("Select * From ") + SqlIdent(tempTable);
        if (!orderText.isEmpty())
            sql += QStringLiteral(" Order By ") + orderText;
        reportQuery->close();
        reportQuery->open(sql);
    }
    return chosen;
}

bool SaveReportAs(TGlobal* global, DbConnection* connection, const QString& sProg,
                  const QString& sForm, const QString& sourceTable, const QString& title)
{
    SiblingLibrary library(QStringLiteral("SaveReport"), true);
    auto save = library.resolve<SaveReportDlgProc>("Save_Report_Dlg");
    if (save == nullptr)
        return false;
    save(global, connection, &sProg, &sForm, &sourceTable, &title);
    return true;
}
