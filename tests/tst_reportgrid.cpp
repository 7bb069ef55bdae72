// The report grid object on the demo company: its menu, the exports it offers (web
// page, spreadsheet and document files, dBASE copies), column widths and sums, and
// the calls into the sibling libraries, played here by a test library copied under
// their names into a temporary application folder.

#include "dataset.h"
#include "dbfexport.h"
#include "dbgrid.h"
#include "demohost.h"
#include "dialect.h"
#include "gridexport.h"
#include "gridlayout.h"
#include "messages.h"
#include "reportgrid.h"
#include "selform.h"
#include "siblingcalls.h"
#include "sqlcheck.h"
#include "testmain.h"
#include "uitest.h"

#include <QtWidgets>

#include <shapefil.h>

namespace {

const QString kTitle = QStringLiteral("گزارش آزمايشي");

// A row of the web page, its cells in one colour.
QString Tr(const QString& colour, const QStringList& cells)
{
    QString row = "<TR>\n";
    for (const QString& text : cells)
        row += "<TD  ALIGN=RIGHT bgColor=" + colour + " ><font Face=Tahoma   size=2 >" + text +
               "</font></TD>\n";
    return row + "</TR>\n";
}

QByteArray DbfText(const QString& file, int row, const char* field)
{
    DBFHandle dbf = DBFOpen(QFile::encodeName(file).constData(), "rb");
    if (dbf == nullptr)
        return "<no file>";
    const QByteArray text = DBFReadStringAttribute(dbf, row, DBFGetFieldIndex(dbf, field));
    DBFClose(dbf);
    return text;
}

// The cells of a workbook's first sheet as a spreadsheet program reads them, in the
// order the sheet holds them: "A2 text <value>" (an inline string: the sheet is written
// row by row, without a table of all its texts in memory) or "A2 number <value>" (any
// other type as "A2 <type> <value>"), then " | bold" and " | <number format>" for its style.
// The workbook is a zip file: its parts are read with the unzip program.
QStringList WorkbookCells(const QString& path)
{
    QStringList styles; // per cell format: " | bold", " | #,##0"
    {
        QXmlStreamReader x(ProgramOutput("unzip", {"-p", path, "xl/styles.xml"}));
        QMap<QString, QString> numberFormats;
        QList<bool> boldFonts;
        QString section;
        while (!x.atEnd()) {
            x.readNext();
            const auto name = x.name();
            if (x.isEndElement() && (name == u"fonts" || name == u"cellXfs"))
                section.clear();
            if (!x.isStartElement())
                continue;
            const QXmlStreamAttributes a = x.attributes();
            if (name == u"fonts" || name == u"cellXfs") {
                section = name.toString();
            } else if (name == u"numFmt") {
                numberFormats[a.value("numFmtId").toString()] = a.value("formatCode").toString();
            } else if (name == u"font" && section == "fonts") {
                boldFonts << false;
            } else if (name == u"b" && section == "fonts" && !boldFonts.isEmpty()) {
                boldFonts.last() = true;
            } else if (name == u"xf" && section == "cellXfs") {
                QString style;
                if (boldFonts.value(a.value("fontId").toInt()))
                    style += " | bold";
                const QString format = a.value("numFmtId").toString();
                if (format != "0")
                    style += " | " + numberFormats.value(format, format);
                styles << style;
            }
        }
    }
    QStringList cells;
    QXmlStreamReader x(ProgramOutput("unzip", {"-p", path, "xl/worksheets/sheet1.xml"}));
    QString ref, type, style, value;
    while (!x.atEnd()) {
        x.readNext();
        if (x.isStartElement() && x.name() == u"c") {
            ref = x.attributes().value("r").toString();
            type = x.attributes().value("t").toString();
            style = styles.value(x.attributes().value("s").toInt());
            value.clear();
        } else if (x.isStartElement() && (x.name() == u"v" || x.name() == u"t")) {
            value += x.readElementText();
        } else if (x.isEndElement() && x.name() == u"c") {
            const QString shown = type == "inlineStr"             ? "text " + value
                                  : type.isEmpty() || type == "n" ? "number " + value
                                                                  : type + ' ' + value;
            cells << ref + ' ' + shown + style;
        }
    }
    return cells;
}

} // namespace

class TestReportGrid : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    std::unique_ptr<QTemporaryDir> m_app;
    QTemporaryDir m_home;                 // the user's home and configuration folder
    std::unique_ptr<QTemporaryDir> m_out; // where the user puts exports
    QStringList m_proposed;               // what each save dialog proposed
    std::unique_ptr<QWidget> m_owner;
    DbGrid* m_grid = nullptr;
    std::unique_ptr<DataSet> m_data;
    QStringList m_opened;
    QStringList m_plain;

    // The application folder with the test library under the given library names.
    void installSiblings(const QStringList& names)
    {
        QDir().mkpath(file("DLLs/GlobalForms"));
        for (const QString& name : names)
            QVERIFY(QFile::copy(FAKE_SIBLING_PATH, file("DLLs/GlobalForms/" + name + ".so")));
    }
    // What the test library recorded: "calls", or a function's "<name>.args"; its next answer.
    QStringList Fake(const char* key)
    {
        return qApp->property(QByteArray("fake.") + key).toStringList();
    }
    void Answer(const char* function, const QString& text)
    {
        qApp->setProperty(QByteArray("fake.") + function + ".answer", text);
    }
    QString file(const QString& relative) const { return m_app->path() + '/' + relative; }
    QString out(const QString& name) const { return m_out->filePath(name); }
    // Answers the next save dialog with `path` (see ChooseFile), noting what it proposed.
    void saveAs(const QString& path, bool replace = false)
    {
        ChooseFile(
            path, [this](const QString& proposed) { m_proposed << proposed; }, replace);
    }
    static QString read(const QString& path) { return QString::fromUtf8(FileBytes(path)); }

private slots:
    void initTestCase()
    {
        // A home without a documents folder, and its own configuration folder.
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(".config")));
        m_host = std::make_unique<DemoHost>(10);
        SetPlainMessageHandler([this](const QString& text) { m_plain << text; });
    }
    void cleanupTestCase()
    {
        OpenFileHook = nullptr;
        SetPlainMessageHandler({});
        m_host.reset();
    }

    // A report of three rows in a window: code, a hidden column, description, amount.
    void init()
    {
        const Dialect& dialect = m_host->db().dialect();
        dialect.dropTempTable("##TRG");
        QVERIFY_SQL(m_host->exec(dialect.createTempTable("##TRG") +
                                 " (DaraCod VARCHAR(6), Extra VARCHAR(10), Sharh VARCHAR(100), "
                                 "Mablag FLOAT, Tedad INTEGER)"));
        QVERIFY_SQL(
            m_host->exec("Insert Into \"##TRG\" Values (' 101', 'x', 'پيچ', 1500000, 3), "
                         "(' 102', 'y', 'مهره بلند O''Neil', 250000.5, 12), (' 103', 'z', 'كتاب', "
                         "NULL, 7)"));
        m_app = std::make_unique<QTemporaryDir>();
        m_out = std::make_unique<QTemporaryDir>();
        m_proposed.clear();
        QFile::remove(m_home.filePath(".config/amval/amval.conf"));
        m_host->global.AppPath = m_app->path();
        m_host->global.Today = "1403/05/09";
        m_host->global.CopyPermission = m_host->global.PrintPermission = "YES";
        m_owner = std::make_unique<QWidget>();
        m_owner->resize(700, 400);
        m_grid = new DbGrid(m_owner.get());
        m_grid->setGeometry(10, 10, 600, 250);
        m_data = std::make_unique<DataSet>(&m_host->db());
        m_data->setObjectName("quReport");
        m_data->open("Select DaraCod, Extra, Sharh, Mablag, Tedad, Mablag * 2 As Dobl "
                     "From \"##TRG\" Where Tedad > 0 Order By DaraCod");
        m_grid->setDataSet(m_data.get());
        DbGridColumn extra = DbGridColumn::Make("Extra", "اضافه", 40);
        extra.visible = false;
        m_grid->setColumns({DbGridColumn::Make("DaraCod", "كد", 50), extra,
                            DbGridColumn::Make("Sharh", "شرح", 60),
                            DbGridColumn::Make("Mablag", "مبلغ", 70)});
        m_opened.clear();
        OpenFileHook = [this](const QString& path) {
            m_opened << path;
            return true;
        };
        m_plain.clear();
        m_host->dlgMsg->shown.clear();
        qApp->setProperty("fake.calls", QStringList());
    }
    void cleanup()
    {
        m_owner.reset();
        m_data.reset();
        m_app.reset();
        m_out.reset();
    }

    // Each export asks where it goes: the first in the home folder, the next where the
    // last went; the name proposed is the report's. Nothing is written under the
    // application folder, and no temporary file is left beside the exports.
    void webPageDocumentAndSpreadsheetFiles()
    {
        const QStringList application = EntriesUnder(m_app->path());
        // The document file.
        const QString text = GridAsText(m_grid);
        saveAs(out("quReport.DOC"));
        QCOMPARE(read(ExportGridFile(m_grid, ".DOC")), text);
        QCOMPARE(QGuiApplication::clipboard()->text(), text);

        // The menu's Excel item: the tab text beside a workbook, and the workbook opens.
        TReportGrid report(m_grid, m_owner.get());
        saveAs(out("book.xlsx"));
        report.item("ExcelItem")->trigger();
        QCOMPARE(read(out("book.XLS")), text);
        QCOMPARE(m_opened, QStringList({out("quReport.DOC"), out("book.xlsx")}));
        QCOMPARE(m_proposed, QStringList({m_home.filePath("quReport.DOC"), out("quReport.xlsx")}));

        // A name typed with the tab text's extension is the tab text's; the workbook
        // goes beside it.
        saveAs(out("typed.xls"));
        report.item("ExcelItem")->trigger();
        QCOMPARE(read(out("typed.XLS")), text);
        QCOMPARE(m_opened.last(), out("typed.xlsx"));

        const QString head = QString("<HTML dir=rtl>\n<HEAD>\n<META http-equiv=\"Content-Type\" "
                                     "content=\"text/html; charset=utf-8\">\n<TITLE> %1</TITLE>\n"
                                     "</HEAD>\n<BODY bgcolor=LightSteelBlue >\n<H3 Align=CENTER>%1"
                                     "</H3>\n<TT Align=Right > در تاريخ:09/05/1403</TT>\n"
                                     "<TABLE BORDER=1>\n<TR><TH ALIGN=RIGHT bgColor=Gray>كد</TH>"
                                     "<TH ALIGN=RIGHT bgColor=Gray>شرح</TH><TH ALIGN=RIGHT "
                                     "bgColor=Gray>مبلغ</TH></TR>\n")
                                 .arg(kTitle);
        const QString tail = "</TABLE>\n</BODY>\n</HTML>\n";
        const QString expected = head + Tr("LightYellow", {" 101", "پيچ", "1500000"}) +
                                 Tr("gray", {" 102", "مهره بلند O'Neil", "250000.5"}) +
                                 Tr("LightYellow", {" 103", "كتاب", ""}) + tail;
        saveAs(out("quReport.html"));
        const QString path = ExportGridHtml(m_grid, kTitle, false);
        QCOMPARE(path, out("quReport.html"));
        QCOMPARE(m_proposed.last(), path);
        QCOMPARE(read(path), expected);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QCOMPARE(m_opened.mid(3), QStringList{path});
        // No program opens the file: the user is told where it was written, the path
        // as one left-to-right run in the Persian text.
        OpenFileHook = [](const QString&) { return false; };
        saveAs(out("again.html"));
        ExportGridHtml(m_grid, kTitle, false);
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);
        QVERIFY2(m_host->dlgMsg->shown.first().text.contains(QChar(0x2066) + out("again.html") +
                                                             QChar(0x2069)),
                 qPrintable(m_host->dlgMsg->shown.first().text));
        QCOMPARE(QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"again.html", "book.XLS", "book.xlsx", "quReport.DOC",
                              "quReport.html", "typed.XLS", "typed.xlsx"}));
        QCOMPARE(EntriesUnder(m_app->path()), application);

        const QString reversed = "<TR><TH ALIGN=RIGHT bgColor=Gray>مبلغ</TH><TH ALIGN=RIGHT "
                                 "bgColor=Gray>شرح</TH><TH ALIGN=RIGHT bgColor=Gray>كد</TH></TR>\n";
        QVERIFY(GridHtmlPage(m_grid, kTitle, true)
                    .contains(reversed + Tr("LightYellow", {"1500000", "پيچ", " 101"})));

        // No rows: the title row only.
        m_data->open("Select * From \"##TRG\" Where Tedad < 0");
        QCOMPARE(GridHtmlPage(m_grid, kTitle, false), head + tail);
    }

    // The workbook holds the cells the grid shows: titles in bold, texts as texts
    // (quotes, markup characters and Persian letters as they are), amounts as numbers
    // with their format, no cell for an empty value; the hidden column is left out.
    void workbookCellsTypesAndFormats()
    {
        QVERIFY_SQL(m_host->exec("Insert Into \"##TRG\" Values (' 104', 'q', 'نقل \"قول\" <و> & "
                                 "''تك''', -12.75, 8), (' 105', 'w', '', 0, 9)"));
        m_data->requery();
        const QString book = ExportGridFileTo(m_grid, ".XLS", out("quReport.xlsx"));
        const QStringList expected{"A1 text كد | bold",
                                   "B1 text شرح | bold",
                                   "C1 text مبلغ | bold",
                                   "A2 text  101",
                                   "B2 text پيچ",
                                   "C2 number 1500000 | #,##0",
                                   "A3 text  102",
                                   "B3 text مهره بلند O'Neil",
                                   "C3 number 250000.5 | #,##0.0##",
                                   "A4 text  103",
                                   "B4 text كتاب",
                                   "A5 text  104",
                                   "B5 text نقل \"قول\" <و> & 'تك'",
                                   "C5 number -12.75 | #,##0.0##",
                                   "A6 text  105",
                                   "C6 number 0 | #,##0"};
        QCOMPARE(WorkbookCells(book), expected);
        QVERIFY(ProgramOutput("unzip", {"-p", book, "xl/worksheets/sheet1.xml"})
                    .contains("rightToLeft=\"1\""));
    }

    // More rows than the workbook library keeps before writing them out, read in
    // chunks: every row is in the workbook and the text file once, in the grid's
    // order, though the grid has only been told of the first rows.
    void manyRowsKeepTheirOrder()
    {
        const int rows = 3000;
        QVERIFY_SQL(m_host->exec("Delete From \"##TRG\""));
        QVERIFY_SQL(m_host->exec(
            "Insert Into \"##TRG\" (DaraCod, Extra, Sharh, Mablag, Tedad) With Recursive n(i) As "
            "(Select 1 Union All Select i + 1 From n Where i < " +
            QString::number(rows) +
            ") Select CAST(i AS VARCHAR(6)), 'x', 'رديف ' || CAST(i AS VARCHAR(6)), i * 1.5, "
            "3001 - i From n"));
        m_data->close();
        m_data->setReadOnly(true);
        m_data->setFetchChunk(1000);
        m_data->open("Select DaraCod, Extra, Sharh, Mablag, Tedad From \"##TRG\" Order By Tedad");
        QVERIFY(m_data->chunked());
        QVERIFY(m_grid->model()->rowCount() < rows);
        const QString book = ExportGridFileTo(m_grid, ".XLS", out("quReport.xlsx"));
        const QStringList cells = WorkbookCells(book);
        QCOMPARE(cells.size(), 3 * (rows + 1));
        for (int r = 1; r <= rows; ++r) {
            const int i = rows + 1 - r; // Tedad ascending: the codes descend
            const QString row = QString::number(r + 1), a = cells.at(3 * r),
                          c = cells.at(3 * r + 2);
            if (a != "A" + row + " text " + QString::number(i) ||
                c.section(' ', 0, 0) != "C" + row ||
                c.section(' ', 2, 2) != QString::number(i * 1.5))
                QFAIL(qPrintable("row " + row + ": " + a + ", " + c));
        }
        const QStringList lines = read(out("quReport.XLS")).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), rows + 1);
        QCOMPARE(lines.at(1), "3000\tرديف 3000\t4500\t  ");
        QCOMPARE(lines.last(), "1\tرديف 1\t1.5\t  ");

        // Sorted again by the user (by the database, the result being read in chunks):
        // the files follow the grid's new order.
        m_data->setSort("Tedad DESC");
        ExportGridFileTo(m_grid, ".XLS", out("quReport.xlsx"));
        const QStringList sorted = read(out("quReport.XLS")).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(sorted.size(), rows + 1);
        QCOMPARE(sorted.at(1), "1\tرديف 1\t1.5\t  ");
        QCOMPARE(sorted.last(), "3000\tرديف 3000\t4500\t  ");
    }

    // An export that cannot finish leaves nothing behind: a folder that cannot take
    // files, a disk that fills on the way, the user's stop in the progress window of
    // a long export. An older file of the name stays as it was, the data folder is not
    // touched, and the user is told in Persian why (not after a stop).
    void anExportThatCannotFinishLeavesNothing_data()
    {
        QTest::addColumn<QString>("kind");  // the menu's extension, or ".html"
        QTest::addColumn<QString>("fault"); // "folder", "disk" or "stop"
        QTest::addColumn<QString>("said");  // in the message
        for (const char* kind : {".XLS", ".DOC", ".html"})
            for (const auto& [fault, said] :
                 {std::pair{"folder", "ساخته نشد"}, {"disk", "کامل نوشته نشد"}, {"stop", ""}})
                QTest::addRow("%s %s", kind, fault) << kind << fault << said;
        // The copy to the clipboard: stopped, the clipboard keeps what it had.
        QTest::addRow("clipboard stop") << "clipboard"
                                        << "stop"
                                        << "";
    }
    void anExportThatCannotFinishLeavesNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, fault);
        QFETCH(QString, said);
        // More rows than a few thousand, read before the export begins.
        QVERIFY_SQL(m_host->exec(
            "Insert Into \"##TRG\" (DaraCod, Extra, Sharh, Mablag, Tedad) With Recursive n(i) As "
            "(Select 1 Union All Select i + 1 From n Where i < 20000) Select CAST(i AS "
            "VARCHAR(6)), 'x', 'رديف طولاني براي پر کردن ديسک ' || CAST(i AS VARCHAR(6)), i, i "
            "From n"));
        m_data->requery();
        QVERIFY(m_data->recordCount() > 20000);
        // Older files of the names the export writes.
        const QString name = kind == ".XLS" ? "quReport.xlsx" : "quReport" + kind;
        for (const QString& older : {out(name), out("quReport.XLS")})
            WriteWholeFile(older, "older");
        // A folder inside a file cannot be.
        const QString folder = fault == "folder" ? out("quReport.XLS") + "/sub" : m_out->path();
        const QStringList exports = EntriesUnder(m_out->path());
        const QStringList data =
            m_host->db().isServer() ? QStringList() : EntriesUnder(m_host->dataFolder());

        if (kind == "clipboard")
            QGuiApplication::clipboard()->setText("older");
        else
            saveAs(folder + '/' + name, fault != "folder");
        bool stopShown = false;
        if (fault == "stop")
            StopWhenProgressShows(&stopShown);
        {
            std::unique_ptr<DiskFullAfter> full;
            if (fault == "disk")
                full = std::make_unique<DiskFullAfter>(64 * 1024);
            if (kind == "clipboard") {
                TReportGrid report(m_grid, m_owner.get());
                report.item("ClipboardItem")->trigger();
            } else {
                // No file is named as made.
                QCOMPARE(kind == ".html" ? ExportGridHtml(m_grid, kTitle, false)
                                         : ExportGridFile(m_grid, kind),
                         QString());
            }
        }
        QCOMPARE(stopShown, fault == "stop");
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(EntriesUnder(m_out->path()), exports);
        QCOMPARE(read(out(name)), "older");
        if (!data.isEmpty())
            QCOMPARE(EntriesUnder(m_host->dataFolder()), data);
        if (said.isEmpty()) {
            QVERIFY(m_host->dlgMsg->shown.isEmpty());
            if (kind == "clipboard")
                QCOMPARE(QGuiApplication::clipboard()->text(), "older");
            return;
        }
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);
        const QString text = m_host->dlgMsg->shown.first().text;
        QVERIFY2(text.contains(said) && text.contains(QChar(0x2066) + folder + QChar(0x2069)),
                 qPrintable(text));
        // The rows are not lost: they are on the clipboard.
        QVERIFY(
            QGuiApplication::clipboard()->text().contains("رديف طولاني براي پر کردن ديسک 20000"));
    }

    void columnWidthsAndSums()
    {
        QList<DbGridColumn> columns = m_grid->columns();
        columns[3].settings = "Sumable=P;Delimiter=P;";
        columns << DbGridColumn::Make("Dobl", "دو برابر", 40);
        columns.last().settings = "Sumable=P;";
        m_grid->setColumns(columns);

        FitColumnWidths(m_grid);
        const QFontMetrics fm(m_grid->font());
        QVERIFY(m_grid->columnWidth(2) >= fm.horizontalAdvance("مهره بلند O'Neil"));
        QVERIFY(m_grid->columnWidth(3) >= fm.horizontalAdvance("1,500,000"));

        // One from the statement's tables, one from the rows (a computed column).
        auto* sum = m_owner->findChild<QLabel*>("Sum_Mablag");
        QVERIFY(sum != nullptr);
        QCOMPARE(sum->text(), "1,750,000.5");
        QCOMPARE(m_owner->findChild<QLabel*>("Sum_Dobl")->text(), "3,500,001");
        QCOMPARE(sum->width(), m_grid->columnWidth(3));
        QVERIFY(sum->y() >= m_grid->geometry().bottom());
        m_grid->setColumnWidth(3, 222);
        QCOMPARE(sum->width(), 222);

        // The next call replaces the labels.
        m_host->exec("Update \"##TRG\" Set Mablag = 10 Where Mablag Is Null");
        m_data->requery();
        FitColumnWidths(m_grid);
        QCOMPARE(m_owner->findChildren<QLabel*>("Sum_Mablag").size(), 1);
        QCOMPARE(m_owner->findChild<QLabel*>("Sum_Mablag")->text(), "1,750,010.5");
    }

    void menuItemsKeysAndRights()
    {
        TReportGrid report(m_grid, m_owner.get());
        // Charts need a chart window (the module's, or the window's own); the clipboard
        // and printing the user's rights.
        const TReportGrid::ChartOpener moduleChart = TReportGrid::DefaultChart();
        QVERIFY(moduleChart);
        TReportGrid::DefaultChart() = nullptr;
        m_host->global.CopyPermission = "NO";
        emit report.Menu()->aboutToShow();
        QVERIFY(!report.item("ColumnChartItem")->isEnabled());
        TReportGrid::DefaultChart() = moduleChart;
        QVERIFY(!report.item("ClipboardItem")->isEnabled());
        QVERIFY(report.item("PrintItem")->isEnabled());
        QStringList charts;
        report.onChart = [&](DbGrid*, const QString& kind) { charts << kind; };
        emit report.Menu()->aboutToShow();
        report.item("ColumnChartItem")->trigger();
        report.item("RowChartItem")->trigger();
        QCOMPARE(charts, QStringList({"HORIZ", "VERT"}));

        // Ctrl+D in the grid hides the selected column and moves one column left.
        m_owner->show();
        QVERIFY(QTest::qWaitForWindowActive(m_owner.get()));
        m_grid->setFocus();
        m_grid->setSelectedIndex(2);
        QTest::keyClick(m_grid, Qt::Key_D, Qt::ControlModifier);
        QVERIFY(!m_grid->columns().at(2).visible);
        QCOMPARE(m_grid->selectedIndex(), 1);
    }

    void printAndSavedReportsThroughTheLibraries()
    {
        TPrintService service;
        service.Kept1 = "k1";
        TPrintRequest request;
        request.Title = kTitle;
        request.Text1 = "dropped";
        QVERIFY(!service.Print(request));
        QCOMPARE(m_plain, QStringList{"Can not load " + file("DLLs/GlobalForms/Print.so")});
        QVERIFY(!service.Print(request, true));
        QCOMPARE(m_plain.last(), "Can not load " + file("DLLs/GlobalForms/Print1.so"));

        installSiblings({"Print"});
        QVERIFY(service.Print(request));
        // The company and the fiscal period go to the page heads.
        const QString company =
            m_host
                ->scalar("SELECT CompanyNam FROM Options WHERE sCode = '" +
                         m_host->global.CompanyCode + m_host->global.FiscalYear + "'")
                .trimmed();
        QVERIFY(!company.isEmpty());
        QCOMPARE(Fake("PrintForm_Show.args"),
                 QStringList({"null", "null", kTitle, "", "", "", "k1", "", "set", "1", "set",
                              company, m_host->global.StartDate + '-' + m_host->global.EndDate}));
        // The menu's print: the grid, its rows, the title and the window's report key.
        TReportGrid report(m_grid, m_owner.get());
        report.setTitle(kTitle);
        report.setLayoutKey(GridLayoutKeys::SEARCH);
        report.item("PrintItem")->trigger();
        QCOMPARE(Fake("calls"), QStringList(2, "Print.so:PrintForm_Show"));
        QCOMPARE(Fake("PrintForm_Show.args").mid(0, 4),
                 QStringList({"set", "set", kTitle, "D_ASNAD_SEARCH"}));
        m_host->global.PrintPermission = "NO";
        report.item("PrintItem")->trigger();
        QCOMPARE(Fake("calls").size(), 2);

        // A saved report is copied into the window's temporary table.
        QCOMPARE(LoadSavedReport(&m_host->global, &m_host->db(), "D", "SEARCH", "##TRGCOPY",
                                 m_data.get(), QString()),
                 QString());
        QCOMPARE(m_plain.last(), "Can not load " + file("DLLs/GlobalForms/SaveReport.so"));
        installSiblings({"SaveReport"});
        Answer("Load_Report_Dlg", "##TRG");
        QCOMPARE(LoadSavedReport(&m_host->global, &m_host->db(), "D", "SEARCH", "##TRGCOPY",
                                 m_data.get(), "Tedad Desc"),
                 "##TRG");
        QCOMPARE(Fake("Load_Report_Dlg.args"), QStringList({"set", "set", "D", "SEARCH"}));
        QCOMPARE(m_data->sql(), "Select * From \"##TRGCOPY\" Order By Tedad Desc");
        QCOMPARE(m_data->fieldByName("Tedad")->asInteger(), 12);
        QCOMPARE(m_data->recordCount(), 3);
    }

    void filterAppliedAndReverted()
    {
        installSiblings({"Filter"});
        TReportGrid report(m_grid, m_owner.get());
        QAction* filter = report.item("FilterItem");
        Answer("ShowFilter", QString());
        filter->trigger();
        QCOMPARE(m_grid->dataSet(), m_data.get());
        QCOMPARE(filter->text(), "پالايش گزارش ...");
        QCOMPARE(Fake("ShowFilter.args").mid(0, 5),
                 QStringList({"set", "set", "set", "set", m_data->sql()}));

        Answer("ShowFilter", "Select * From \"##TRG\" Where Mablag > 300000");
        filter->trigger();
        QCOMPARE(filter->text(), "بازگشت از پالايش");
        QVERIFY(m_grid->dataSet() != m_data.get());
        QCOMPARE(m_grid->dataSet()->recordCount(), 1);
        QCOMPARE(m_grid->dataModel()->index(0, 3).data().toString(), "1,500,000");
        QCOMPARE(ExportName(m_grid), "quReport");

        filter->trigger();
        QCOMPARE(filter->text(), "پالايش گزارش ...");
        QCOMPARE(m_grid->dataSet(), m_data.get());
        QCOMPARE(Fake("calls").size(), 2);

        // A report whose statement has values keeps them under the filter, which holds
        // the report's statement as it is.
        m_data->open("Select * From \"##TRG\" Where Mablag >= ?", {0});
        Answer("ShowFilter", "SELECT * FROM (" + m_data->sql() + ") AS F WHERE Mablag > 300000");
        filter->trigger();
        QCOMPARE(m_grid->dataSet()->recordCount(), 1);
        filter->trigger();
    }

    void dbfCopiesInBothCodePagesAndFromTheMenu()
    {
        // Persian Keheh and Yeh in the second row.
        QVERIFY_SQL(m_host->exec("Update \"##TRG\" Set Sharh = 'کیف' Where DaraCod = ' 102'"));
        DataSet data(&m_host->db());
        data.open("Select DaraCod As VeryLongFieldName1, Sharh As VeryLongFieldName2, Sharh, "
                  "Mablag, Tedad, 'ژاله گل' As Nam From \"##TRG\" Order By DaraCod");
        // The DOS code page has no پ چ ژ گ: they go in as ب ج ز ك, never as "?".
        const struct
        {
            QByteArray mode;
            QByteArrayList nailBookBagName;
            QByteArray codePage;
        } pages[] = {
            {"WIN",
             {"\x81\xED\x8D", "\xDF\xCA\xC7\xC8", "\x98\xED\xDD", "\x8E\xC7\xE1\xE5 \x90\xE1"},
             "LDID/126"},
            {"DOS",
             {"\xA0\xEF\xA4", "\xE8\xA2\x9F\xA0", "\xE8\xEF\xE5", "\xAA\x9F\xE9\xEC \xE8\xE9"},
             "720"}};
        for (const auto& [mode, nailBookBagName, codePage] : pages) {
            const QString path = out("copy" + mode + ".dbf");
            QVERIFY(WriteGridDbf(&data, path, QString::fromLatin1(mode)));
            QCOMPARE(DbfText(path, 0, "VeryLongFi").trimmed(), QByteArray("101"));
            QCOMPARE(QByteArrayList({DbfText(path, 0, "VeryLong_1"), DbfText(path, 2, "Sharh"),
                                     DbfText(path, 1, "Sharh"), DbfText(path, 0, "Nam").trimmed()}),
                     nailBookBagName);
            DBFHandle dbf = DBFOpen(QFile::encodeName(path).constData(), "rb");
            QVERIFY(dbf != nullptr);
            QCOMPARE(DBFGetRecordCount(dbf), 3);
            QCOMPARE(DBFReadDoubleAttribute(dbf, 1, DBFGetFieldIndex(dbf, "Mablag")), 250000.5);
            QCOMPARE(DBFReadIntegerAttribute(dbf, 1, DBFGetFieldIndex(dbf, "Tedad")), 12);
            QVERIFY(DBFIsAttributeNULL(dbf, 2, DBFGetFieldIndex(dbf, "Mablag")));
            QCOMPARE(QByteArray(DBFGetCodePage(dbf)), codePage);
            DBFClose(dbf);
        }

        // The menu's DOS copy: the user picks the place, the copy lands there. It opens on
        // the folder the last export went to, which then becomes the copy's.
        TReportGrid report(m_grid, m_owner.get());
        saveAs(out("quReport.html"));
        ExportGridHtml(m_grid, kTitle, false);
        const QString target = out("target");
        QDir().mkpath(target);
        QString proposed;
        WhenModal<TSelForm>([&](TSelForm* form) {
            proposed = form->folder() + " " + form->fileName();
            form->setFolder(target);
            form->setFileName("asnad");
            form->OkBitBtnClick();
        });
        report.item("DbfDosItem")->trigger();
        QCOMPARE(proposed, m_out->path() + " quReport.dbf");
        QCOMPARE(DbfText(target + "/asnad.dbf", 2, "Sharh"), QByteArray("\xE8\xA2\x9F\xA0"));
        QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"asnad.cpg", "asnad.dbf"}));
        QCOMPARE(m_host->dlgMsg->shown.last().text, "کپي فايلها با موفقيت انجام شد ");
        saveAs(out("next.html"));
        ExportGridHtml(m_grid, kTitle, false);
        QCOMPARE(m_proposed.last(), target + "/quReport.html");
    }

    // A reply of the search library moves to the row it names; one that finds
    // nothing leaves the cursor where it was (the last row). The report grid hands
    // the library its key columns and the selected field's setting.
    void searchRepliesAndTheLibrary()
    {
        const QList<std::tuple<const char*, bool, int>> replies{
            {"DaraCod=104;", false, 3},
            {"Nothing=1;", false, 3},
            {"", false, 3},
            {"DaraCod", false, 3},
            {"Mablag=1,500,000;", true, 1},
            {"Mablag=;DaraCod=103", true, 3},
            {"DaraCod=102 ; Sharh = مهره بلند O'Neil;", true, 2}};
        for (const auto& [reply, found, row] : replies) {
            m_data->last();
            const int located = LocateReply(m_data.get(), reply);
            QCOMPARE(QString("%1 %2 %3").arg(reply).arg(located).arg(m_data->recNo()),
                     QString("%1 %2 %3").arg(reply).arg(int(found)).arg(row));
        }

        installSiblings({"Search"});
        Answer("GridSearch", "DaraCod= 101;");
        QVERIFY(SearchGrid(m_grid, "Raj", "Raj"));
        QCOMPARE(m_data->recNo(), 1);
        QCOMPARE(Fake("GridSearch.args"), QStringList({"set", "Raj", "Raj", ""}));
        TReportGrid report(m_grid, m_owner.get());
        report.setKeyColumn("SanadNoAmval");
        report.setRowColumn("IDX");
        report.setSettings("_SHARH=WHOLE;");
        m_grid->setSelectedIndex(2);
        Answer("GridSearch", "Sharh=كتاب;");
        report.item("SearchItem")->trigger();
        QCOMPARE(Fake("GridSearch.args"), QStringList({"set", "SanadNoAmval", "IDX", "WHOLE"}));
        QCOMPARE(m_data->recNo(), 3);
    }
};

AMVAL_TEST_MAIN(TestReportGrid)
#include "tst_reportgrid.moc"
