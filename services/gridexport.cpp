#include "gridexport.h"

#include "databaseerror.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "messages.h"
#include "settings.h"
#include "siblingapi.h"
#include "siblingcalls.h"
#include "sqlquote.h"
#include "tempgrid.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLibrary>
#include <QPointer>
#include <QScrollBar>
#include <QSqlQuery>
#include <QUrl>

#include <algorithm>

#include <xlsxwriter.h>

namespace {

const QString kCellStart = QStringLiteral("\t");
const QString kLineEnd = QStringLiteral("\t  \n");

void AppendLine(QString& text, const QStringList& cells)
{
    for (const QString& cell : cells)
        text += kCellStart + cell;
    text += kLineEnd;
}

} // namespace

GridContents ReadGridContents(DbGrid* grid)
{
    GridContents contents;
    DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    if (ds == nullptr || !ds->active())
        return contents;
    contents.active = true;

    QList<int> shown;
    const QList<DbGridColumn>& columns = grid->columns();
    for (int c = 0; c < columns.size(); ++c) {
        if (!columns.at(c).visible)
            continue;
        shown << c;
        contents.titles << columns.at(c).title;
        contents.columns << c;
    }

    // The rows are read as the grid's cell editor reads them (the edit text, not the
    // display format), straight from the data set's rows in their present order:
    // walking the data set would post a pending edit, run the window's scroll
    // handlers and reset the grid under an open cell editor.
    const DataSetModel* model = grid->dataModel();
    const int rowCount = ds->recordCount();
    const int untouchedNewRow =
        ds->state() == DataSet::State::Insert && !ds->modified() ? ds->currentRow() : -1;
    for (int r = 0; r < rowCount; ++r) {
        if (r == untouchedNewRow)
            continue;
        QStringList cells;
        cells.reserve(shown.size());
        for (const int c : std::as_const(shown))
            cells << model->data(model->index(r, c), Qt::EditRole).toString();
        contents.rows << cells;
    }
    return contents;
}

QString GridContentsAsText(const GridContents& contents)
{
    if (!contents.active)
        return QString();
    QString text;
    AppendLine(text, contents.titles);
    for (const QStringList& row : contents.rows)
        AppendLine(text, row);
    return text;
}

QString GridAsText(DbGrid* grid)
{
    return GridContentsAsText(ReadGridContents(grid));
}

void CopyGridAsText(DbGrid* grid)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(GridAsText(grid));
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
                           QChar(0x2066) + QDir::toNativeSeparators(path) + QChar(0x2069),
                       QString(), QStringLiteral("1IR"));
    return opened;
}

namespace {

// <AppPath>/<sub>, made when missing.
QString ExportFolder(const QString& sub)
{
    const QString app =
        Global != nullptr && !Global->AppPath.isEmpty() ? Global->AppPath : QDir::currentPath();
    const QString folder = QDir(app).filePath(sub);
    QDir().mkpath(folder);
    return folder;
}

void PutOnClipboard(const QString& text)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

// The text as it stands (UTF-8, no byte order mark), replacing an older file.
bool WriteTextFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0 ||
        !file.flush()) {
        ShowUnwrittenFile(path);
        return false;
    }
    return true;
}

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
// grid's (about seven pixels to a character of the sheet's default font).
bool WriteWorkbook(DbGrid* grid, const GridContents& contents, const QString& path)
{
    QFile::remove(path);
    lxw_workbook* book = workbook_new(QFile::encodeName(path).constData());
    if (book == nullptr)
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    worksheet_right_to_left(sheet);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* whole = workbook_add_format(book);
    format_set_num_format(whole, "#,##0");
    lxw_format* fraction = workbook_add_format(book);
    format_set_num_format(fraction, "#,##0.0##");

    QList<bool> numeric;
    for (qsizetype i = 0; i < contents.columns.size(); ++i) {
        const int column = contents.columns.at(i);
        numeric << NumericField(FieldOfColumn(grid, column));
        const int pixels = grid->columnWidth(column) > 0 ? grid->columnWidth(column)
                                                         : grid->columns().at(column).width;
        const lxw_col_t c = lxw_col_t(i);
        worksheet_set_column(sheet, c, c, pixels / 7.0, nullptr);
        worksheet_write_string(sheet, 0, c, contents.titles.at(i).toUtf8().constData(), bold);
    }
    for (qsizetype r = 0; r < contents.rows.size(); ++r) {
        const lxw_row_t row = lxw_row_t(r + 1);
        const QStringList& cells = contents.rows.at(r);
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const QString& text = cells.at(i);
            if (text.isEmpty())
                continue;
            const lxw_col_t c = lxw_col_t(i);
            bool ok = false;
            const double value = numeric.at(i) ? text.toDouble(&ok) : 0.0;
            if (ok) {
                worksheet_write_number(sheet, row, c, value,
                                       value == qint64(value) ? whole : fraction);
                continue;
            }
            // A sheet cell holds at most 32767 characters.
            worksheet_write_string(sheet, row, c, text.left(32767).toUtf8().constData(), nullptr);
        }
    }
    return workbook_close(book) == LXW_NO_ERROR;
}

} // namespace

void ShowUnwrittenFile(const QString& path)
{
    ShowMessageDlg(QStringLiteral("امکان ايجاد فايل وجود ندارد:\n") +
                       QDir::toNativeSeparators(path),
                   QString(), QStringLiteral("1ER"));
}

QString ExportName(DbGrid* grid)
{
    DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    const QString name = ds != nullptr ? ds->objectName().trimmed() : QString();
    return name.isEmpty() ? QStringLiteral("Report") : name;
}

QString ExportGridFile(DbGrid* grid, const QString& extension)
{
    const GridContents contents = ReadGridContents(grid);
    if (!contents.active)
        return QString();
    const QString text = GridContentsAsText(contents);
    PutOnClipboard(text);

    const bool sheet = extension.compare(QStringLiteral(".XLS"), Qt::CaseInsensitive) == 0;
    const QString folder = ExportFolder(sheet ? QStringLiteral("EXCEL") : QStringLiteral("WORD"));
    const QString name = ExportName(grid);
    const QString path = folder + QLatin1Char('/') + name + extension;
    if (!WriteTextFile(path, text))
        return QString();

    QString opened = path;
    if (sheet) {
        // Spreadsheet programs read the workbook as what it is; the text file stays
        // beside it for programs that read tab-separated text.
        const QString book = folder + QLatin1Char('/') + name + QStringLiteral(".xlsx");
        if (WriteWorkbook(grid, contents, book))
            opened = book;
        else
            ShowUnwrittenFile(book);
    }
    OpenWithDesktop(opened);
    return opened;
}

// The page's lines: the head, the date line, the table with a one-line title row,
// then per row "<TR>", one line per cell and "</TR>".
QString GridHtmlPage(DbGrid* grid, const QString& title, bool reverse)
{
    const GridContents contents = ReadGridContents(grid);
    if (!contents.active)
        return QString();
    const QString today = Global != nullptr ? Global->Today : QString();
    const QString year = today.mid(0, 4);
    const QString month = today.mid(5, 2);
    const QString day = today.mid(8, 2);

    QList<qsizetype> order;
    for (qsizetype i = 0; i < contents.titles.size(); ++i)
        order << i;
    if (reverse)
        std::reverse(order.begin(), order.end());

    QStringList lines;
    // The file is written in UTF-8: the page says so, so that every browser reads it.
    lines << QStringLiteral("<HTML dir=rtl>") << QStringLiteral("<HEAD>")
          << QStringLiteral("<META http-equiv=\"Content-Type\" content=\"text/html; "
                            "charset=utf-8\">")
          << QStringLiteral("<TITLE> ") + title + QStringLiteral("</TITLE>")
          << QStringLiteral("</HEAD>") << QStringLiteral("<BODY bgcolor=LightSteelBlue >")
          << QStringLiteral("<H3 Align=CENTER>") + title + QStringLiteral("</H3>");
    lines << QStringLiteral("<TT Align=Right > در تاريخ:") + day + QLatin1Char('/') + month +
                 QLatin1Char('/') + year + QStringLiteral("</TT>");
    lines << QStringLiteral("<TABLE BORDER=1>");
    QString header = QStringLiteral("<TR>");
    for (const qsizetype i : std::as_const(order))
        header += QStringLiteral("<TH ALIGN=RIGHT bgColor=Gray>") + contents.titles.at(i) +
                  QStringLiteral("</TH>");
    lines << header + QStringLiteral("</TR>");
    for (qsizetype r = 0; r < contents.rows.size(); ++r) {
        const qsizetype recNo = r + 1;
        const QString colour =
            recNo % 2 == 0 ? QStringLiteral("gray") : QStringLiteral("LightYellow");
        lines << QStringLiteral("<TR>");
        for (const qsizetype i : std::as_const(order))
            lines << QStringLiteral("<TD  ALIGN=RIGHT bgColor=") + colour +
                         QStringLiteral(" ><font Face=Tahoma   size=2 >") +
                         contents.rows.at(r).at(i) + QStringLiteral("</font></TD>");
        lines << QStringLiteral("</TR>");
    }
    lines << QStringLiteral("</TABLE>") << QStringLiteral("</BODY>") << QStringLiteral("</HTML>");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString ExportGridHtml(DbGrid* grid, const QString& title, bool reverse)
{
    const QString page = GridHtmlPage(grid, title, reverse);
    if (page.isEmpty())
        return QString();
    PutOnClipboard(page);
    const QString path = ExportFolder(QStringLiteral("html")) + QLatin1Char('/') +
                         ExportName(grid) + QStringLiteral(".html");
    if (!WriteTextFile(path, page))
        return QString();
    OpenWithDesktop(path);
    return path;
}

// ---------------------------------------------------------------------------
// Column widths and sums

namespace {

const QString kOn = QStringLiteral("P");
const QString kGroupedFormat = QStringLiteral("###,###,###,###,###.###");
const QString kSumLabelsName = QStringLiteral("ColumnSumLabels");
// Room beside the text for the cell's margins and the sort mark.
constexpr int kWidthMargin = 12;

bool IsWordChar(QChar ch)
{
    return ch.isLetterOrNumber() || ch == QLatin1Char('_');
}

// Position of `word` in `sql` at or after `from`, as a whole word outside quotes,
// brackets and parentheses; -1 when it is not there.
qsizetype FindKeyword(const QString& sql, const QString& word, qsizetype from = 0)
{
    int depth = 0;
    QChar closing;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar ch = sql.at(i);
        if (!closing.isNull()) {
            if (ch == closing)
                closing = QChar();
            continue;
        }
        if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
            closing = ch;
            continue;
        }
        if (ch == QLatin1Char('[')) {
            closing = QLatin1Char(']');
            continue;
        }
        if (ch == QLatin1Char('(')) {
            ++depth;
            continue;
        }
        if (ch == QLatin1Char(')')) {
            --depth;
            continue;
        }
        if (depth != 0 || i < from || (i > 0 && IsWordChar(sql.at(i - 1))))
            continue;
        if (sql.mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype end = i + word.size();
        if (end < sql.size() && IsWordChar(sql.at(end)))
            continue;
        return i;
    }
    return -1;
}

// "From ... Where ..." of the data set's statement (its grouping and order left
// out); for a data set without a statement, its update table. "" when neither.
QString FromPart(const DataSet* ds)
{
    const QString sql = ds->sql().trimmed();
    if (sql.isEmpty())
        return ds->updateTable().isEmpty() ? QString()
                                           : QStringLiteral("From ") + SqlIdent(ds->updateTable());
    const qsizetype from = FindKeyword(sql, QStringLiteral("FROM"));
    if (from < 0)
        return QString();
    qsizetype end = sql.size();
    for (const QString& word : {QStringLiteral("GROUP"), QStringLiteral("ORDER")}) {
        const qsizetype at = FindKeyword(sql, word, from);
        if (at >= 0 && at < end)
            end = at;
    }
    return sql.mid(from, end - from).trimmed();
}

// The stored column a field is read from: its origin column, or for a data set read
// from its table without a statement, its own name. "" for a value the statement
// computes: only the data set's rows know it (SQLite would even read an unknown
// quoted name as a text constant rather than fail).
QString StoredColumn(const DataSet* ds, const DataField* field)
{
    if (!field->originColumn().isEmpty())
        return field->originColumn();
    return ds->sql().trimmed().isEmpty() ? field->fieldName() : QString();
}

// The first value of a one-value statement; an invalid QVariant when the statement
// cannot run over these tables (a column the statement computes, for one).
QVariant QueryValue(DataSet* ds, const QString& sql, bool* ran)
{
    *ran = false;
    if (ds->connection() == nullptr)
        return QVariant();
    try {
        QSqlQuery q = ds->connection()->select(sql);
        *ran = true;
        return q.next() ? q.value(0) : QVariant();
    } catch (const DatabaseError&) {
        return QVariant();
    }
}

// A value of the field's longest text: asked of the database, or found in the data
// set's rows when the statement's tables do not have the column. An empty value is
// the shortest on every engine (NULL sorts first in a descending order on some).
QVariant LongestValue(DataSet* ds, const QString& fromPart, const DataField* field)
{
    const QString name = StoredColumn(ds, field);
    if (!fromPart.isEmpty() && !name.isEmpty()) {
        const QString column = SqlIdent(name);
        bool ran = false;
        const QVariant value =
            QueryValue(ds,
                       QStringLiteral("SELECT ") + column + QLatin1Char(' ') + fromPart +
                           QStringLiteral(" ORDER BY COALESCE(LENGTH(TRIM(CAST(") + column +
                           QStringLiteral(" AS TEXT))), 0) DESC LIMIT 1"),
                       &ran);
        if (ran)
            return value;
    }
    QVariant longest;
    qsizetype length = -1;
    for (int r = 0; r < ds->recordCount(); ++r) {
        const QVariant v = ds->value(r, field->index());
        const qsizetype l = v.isNull() ? 0 : v.toString().trimmed().size();
        if (l > length) {
            length = l;
            longest = v;
        }
    }
    return longest;
}

QString SumOf(DataSet* ds, const QString& fromPart, const DataField* field)
{
    double sum = 0;
    bool ran = false;
    const QString name = StoredColumn(ds, field);
    if (!fromPart.isEmpty() && !name.isEmpty()) {
        const QVariant value = QueryValue(ds,
                                          QStringLiteral("SELECT SUM(") + SqlIdent(name) +
                                              QStringLiteral(") AS X ") + fromPart,
                                          &ran);
        sum = value.toDouble();
    }
    if (!ran) {
        for (int r = 0; r < ds->recordCount(); ++r)
            sum += ds->value(r, field->index()).toDouble();
    }
    return AmountText(sum);
}

// The value as the grid shows it.
QString ShownText(const DataField* field, const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (NumericField(field)) {
        if (!field->displayFormat().isEmpty())
            return DataField::FormatNumber(value.toDouble(), field->displayFormat());
        const double d = value.toDouble();
        return d == double(qint64(d)) ? QString::number(qint64(d)) : QString::number(d, 'g', 15);
    }
    return value.toString().trimmed();
}

// The sum labels of one grid, kept under their columns. Deleting the object removes
// the labels.
class SumLabels : public QObject
{
public:
    explicit SumLabels(DbGrid* grid) : QObject(grid), m_grid(grid)
    {
        setObjectName(kSumLabelsName);
        QHeaderView* header = grid->horizontalHeader();
        const auto place = [this] { placeAll(); };
        connect(header, &QHeaderView::sectionResized, this, place);
        connect(header, &QHeaderView::sectionMoved, this, place);
        connect(header, &QHeaderView::geometriesChanged, this, place);
        connect(grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, place);
        grid->installEventFilter(this);
    }
    ~SumLabels() override
    {
        for (const Label& l : std::as_const(m_labels))
            delete l.label.data();
    }

    void add(const QString& fieldName, const QString& text)
    {
        QWidget* holder = m_grid->parentWidget() != nullptr ? m_grid->parentWidget() : m_grid;
        auto* label = new QLabel(text, holder);
        label->setObjectName(QStringLiteral("Sum_") + fieldName);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFrameShape(QFrame::Box);
        label->setLayoutDirection(m_grid->layoutDirection());
        m_labels << Label{fieldName, label};
        place(m_labels.last());
        label->show();
        label->raise();
    }

    void placeAll()
    {
        for (const Label& l : std::as_const(m_labels))
            place(l);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_grid && (event->type() == QEvent::Move ||
                                  event->type() == QEvent::Resize || event->type() == QEvent::Show))
            placeAll();
        return false;
    }

private:
    struct Label
    {
        QString fieldName;
        QPointer<QLabel> label;
    };

    void place(const Label& l)
    {
        if (!l.label)
            return;
        QWidget* holder = l.label->parentWidget();
        const int column = m_grid->columnOf(l.fieldName);
        if (column < 0 || m_grid->isColumnHidden(column)) {
            l.label->setGeometry(0, 0, 0, 0);
            return;
        }
        const int height = l.label->sizeHint().height();
        const QPoint left =
            m_grid->viewport()->mapTo(holder, QPoint(m_grid->columnViewportPosition(column), 0));
        // Under the grid when it has a parent to hold the label; otherwise on its
        // bottom edge.
        const int top = holder == m_grid
                            ? m_grid->height() - height
                            : m_grid->mapTo(holder, QPoint(0, m_grid->height())).y() + 1;
        l.label->setGeometry(left.x(), top, m_grid->columnWidth(column), height);
    }

    DbGrid* m_grid;
    QList<Label> m_labels;
};

} // namespace

void FitColumnWidths(DbGrid* grid)
{
    DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    if (ds == nullptr || !ds->active())
        return;
    delete grid->findChild<QObject*>(kSumLabelsName, Qt::FindDirectChildrenOnly);
    SumLabels* sums = nullptr;

    const QString fromPart = FromPart(ds);
    const QFontMetrics cells(grid->font());
    const QFontMetrics titles(grid->horizontalHeader()->font());
    for (int c = 0; c < grid->columnCountOfGrid(); ++c) {
        DbGridColumn& column = grid->column(c);
        DataField* field = ds->findField(column.fieldName);
        if (!column.visible || field == nullptr)
            continue;
        if (SettingValue(column.settings, QStringLiteral("Delimiter")) == kOn &&
            NumericField(field) && field->displayFormat().isEmpty())
            field->setDisplayFormat(kGroupedFormat);
        const QString longest = ShownText(field, LongestValue(ds, fromPart, field));
        column.width =
            std::max(cells.horizontalAdvance(longest), titles.horizontalAdvance(column.title)) +
            kWidthMargin;
        if (SettingValue(column.settings, QStringLiteral("Sumable")) == kOn) {
            if (sums == nullptr)
                sums = new SumLabels(grid);
            sums->add(column.fieldName, FormatAmount(SumOf(ds, fromPart, field)));
        }
    }
    grid->applyColumns();
    if (sums != nullptr)
        sums->placeAll();
}

// ---------------------------------------------------------------------------
// Saved reports

QString LoadSavedReport(TGlobal* global, DbConnection* connection, const QString& sProg,
                        const QString& sForm, const QString& tempTable, DataSet* reportQuery,
                        const QString& orderText)
{
    QString chosen;
    {
        SiblingLibrary library(QStringLiteral("SaveReport"), true);
        if (auto load = library.resolve<LoadReportDlgProc>("Load_Report_Dlg")) {
            QString reply;
            ExecModal([&] {
                load(global, connection, &sProg, &sForm, &reply);
                return 0;
            });
            chosen = QString(reply.constData(), reply.size()); // ours before the unload
        }
    }
    DbConnection* db = connection != nullptr   ? connection
                       : MyDatabase != nullptr ? MyDatabase->Connection
                                               : nullptr;
    if (chosen.isEmpty() || db == nullptr)
        return QString();
    DropTempTable(tempTable);
    ExecSQL(MyDatabase, db->dialect().createTempTable(tempTable) +
                            QStringLiteral(" AS SELECT * FROM ") + SqlIdent(chosen));
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
    ExecModal([&] {
        save(global, connection, &sProg, &sForm, &sourceTable, &title);
        return 0;
    });
    return true;
}
