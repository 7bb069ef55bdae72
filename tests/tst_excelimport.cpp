// Reading workbooks and filling a count's rows from a sheet: the .xlsx and .xls
// readers on workbooks the test writes itself (and on damaged ones), and the import
// and saved-forms windows driven with the mouse and keys as a clerk would.

#include "dialect.h"
#include "excelformsunit.h"
#include "excelimportstore.h"
#include "excelimporttexts.h"
#include "excelimportunit.h"
#include "globalunit.h"
#include "installhost.h"
#include "testmain.h"
#include "voucherdriver.h"
#include "workbookreader.h"
#include "xlsframes.h"

#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTextLayout>
#include <xlsxwriter.h>

using namespace ExcelImportText;

namespace {

const QString kTarget = QStringLiteral("##T1G");

// A sheet as the test writes it: "#12" is the number 12, "" leaves the cell out.
struct TestSheet
{
    QString name;
    QList<QStringList> rows;
};

void WriteXlsx(const QString& path, const QList<TestSheet>& sheets, bool inlineStrings = false)
{
    lxw_workbook_options options = {};
    options.constant_memory = inlineStrings ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* book = workbook_new_opt(path.toUtf8().constData(), &options);
    QVERIFY(book != nullptr);
    for (const TestSheet& sheet : sheets) {
        const QByteArray name = sheet.name.toUtf8();
        lxw_worksheet* ws = workbook_add_worksheet(book, name.constData());
        for (int r = 0; r < sheet.rows.size(); ++r)
            for (int c = 0; c < sheet.rows[r].size(); ++c) {
                const QString& cell = sheet.rows[r][c];
                if (cell.startsWith(QLatin1Char('#')))
                    worksheet_write_number(ws, r, c, cell.mid(1).toDouble(), nullptr);
                else if (!cell.isEmpty())
                    worksheet_write_string(ws, r, c, cell.toUtf8().constData(), nullptr);
            }
    }
    QCOMPARE(workbook_close(book), LXW_NO_ERROR);
}

// A package of the given parts, made by the zip program: a hand-made or damaged workbook.
void WriteZip(const QString& path, const QList<std::pair<QString, QByteArray>>& parts)
{
    QTemporaryDir dir;
    QStringList names;
    for (const auto& [name, bytes] : parts) {
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(name).path()));
        WriteWholeFile(dir.filePath(name), bytes);
        names << name;
    }
    QFile::remove(path);
    QProcess zip;
    zip.setWorkingDirectory(dir.path());
    zip.start("zip", QStringList{"-q", "-X", path} + names);
    QVERIFY(zip.waitForFinished(60000) && zip.exitCode() == 0);
}

const QByteArray kBook =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

QList<std::pair<QString, QByteArray>> OneSheetParts(const QByteArray& sheetData)
{
    return {{"xl/workbook.xml", kBook},
            {"xl/worksheets/sheet1.xml",
             "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
             "<sheetData>" +
                 sheetData + "</sheetData></worksheet>"}};
}

SheetRows Read(const QString& path, int sheet = 0, QString* reason = nullptr)
{
    QString why;
    SheetRows rows;
    std::unique_ptr<WorkbookReader> reader = WorkbookReader::Open(path, &why);
    if (reader != nullptr)
        reader->readSheet(sheet, &rows, &why);
    if (reason != nullptr)
        *reason = why;
    return rows;
}

// The framed output of the .xls reading program, written by hand.
QByteArray LittleEndian(quint64 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}
QByteArray Frame(char tag, const QByteArray& payload = {})
{
    return tag + LittleEndian(quint64(payload.size()), 4) + payload;
}
QByteArray RowFrame(quint32 row)
{
    return Frame(XlsFrames::kRow, LittleEndian(row, 4));
}
QByteArray CellFrame(quint16 column, char type, const QByteArray& value)
{
    return Frame(XlsFrames::kCell, LittleEndian(column, 2) + type + value);
}
// Whether the installed fonts draw every character of `text` in `font` (itself or a
// face it falls back to), rather than a box.
bool Drawn(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (const quint32 glyph : run.glyphIndexes()) {
            if (glyph == 0)
                return false;
            ++glyphs;
        }
    return glyphs > 0;
}

// Whether `widget` lies wholly inside `window` and its outline (mask), when it has one.
bool Inside(const QWidget* widget, const QWidget* window)
{
    const QRect at(widget->mapTo(window, QPoint(0, 0)), widget->size());
    const QRegion outline = window->mask().isEmpty() ? QRegion(window->rect()) : window->mask();
    return window->rect().contains(at) && QRegion(at).subtracted(outline).isEmpty();
}

const QByteArray kMagic(XlsFrames::kMagic, XlsFrames::kMagicSize);
const QByteArray kEndFrame = Frame(XlsFrames::kEnd);

} // namespace

class TestExcelImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    std::unique_ptr<TFrm_Excel_Import2> m_form;
    QStringList m_free;           // assets in no count voucher
    QString m_counted, m_countIn; // an asset of a stored count, and that count's number

    QString file(const QString& name) const { return m_host->fileFolder() + "/" + name; }
    DbConnection& db() const { return m_host->db(); }

    // The count's transaction table as its window keeps it, with one row in it.
    static void makeTarget(DemoHost& host, const QString& table = kTarget)
    {
        const Dialect& dialect = host.db().dialect();
        auto w = [&](const char* column) {
            return QString::number(dialect.columnWidth("D_Gardani", column));
        };
        dialect.dropTempTable(table);
        host.exec(dialect.createTempTable(table) + " (SanadNoAmval Varchar(" + w("SanadNoAmval") +
                  "), User_Name Varchar(" + w("User_Name") + "), SDate Varchar(" + w("SDate") +
                  "), DaraCod Varchar(" + w("DaraCod") + "), MakanCod Varchar(" + w("MakanCod") +
                  "), PersonelCod Varchar(" + w("PersonelCod") + "), DaraNam Varchar(60))");
        host.exec("Insert Into " + SqlIdent(table) +
                  " (SanadNoAmval, DaraCod) Values ('     3', '   900')");
    }
    // Codes of the target table in the order written.
    QStringList targetCodes()
    {
        return StoredColumn(db(), "Select DaraCod From " + SqlIdent(kTarget) + " Order By " +
                                      db().dialect().rowAddressColumn());
    }

    // The import window opened on the target table for count 7, run while `steps` play
    // the user.
    int run(const std::function<void()>& steps)
    {
        m_form =
            std::make_unique<TFrm_Excel_Import2>(kTarget, m_host->database.Command, &m_host->owner);
        m_form->setVoucherNumber("     7");
        m_form->setVoucherDate("1403/02/05");
        m_form->setPersonCode("  12");
        m_form->setPlaceCode("   4");
        m_form->setUserName("admin");
        return RunModal(m_form.get(), steps);
    }
    // "انتخاب فايل Excel", then the file name typed into the file dialog and Enter.
    void chooseFile(const QString& path)
    {
        ChooseFile(path);
        QTest::mouseClick(m_form->btnSelectFile, Qt::LeftButton);
    }
    // A right click on a column's title, then a click on the menu item (a disabled one
    // leaves the menu without a choice).
    void markColumn(int column, QAction* item)
    {
        QHeaderView* header = m_form->ExcelGrid->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        (void)ClickMenuItem(header->viewport(), at, m_form->PopupMenu1, item);
    }
    void markCodeAndName()
    {
        markColumn(0, m_form->miSlot[TFrm_Excel_Import2::CodeSlot]);
        markColumn(1, m_form->miSlot[TFrm_Excel_Import2::NameSlot]);
    }
    // The workbook at `path` chosen, its first columns marked as code and name, its rows
    // set to replace the count's (or be added to them) and OK pressed.
    void importSheet(const QString& path, bool replace = true)
    {
        chooseFile(path);
        markCodeAndName();
        QTest::mouseClick(replace ? m_form->rbReplace : m_form->rbAppend, Qt::LeftButton);
        QTest::mouseClick(m_form->cmdOk, Qt::LeftButton);
    }
    QString title(int column) const
    {
        return m_form->ExcelGrid->model()->headerData(column, Qt::Horizontal).toString();
    }
    // Rows of the target table that carry the voucher's values the window was given.
    QString stampedRows() const
    {
        return m_host->scalar("Select Count(*) From " + SqlIdent(kTarget) +
                              " Where SanadNoAmval = '     7' And SDate = '1403/02/05' And "
                              "PersonelCod = '  12' And MakanCod = '   4' And User_Name = 'admin'");
    }
    QStringList messages() const
    {
        const QStringList texts = ShownTexts(*m_host);
        m_host->dlgMsg->shown.clear();
        return texts;
    }
    // The count workbook: titles, then three assets' codes (a number, a text in Persian
    // digits, a text with blanks around it) with names.
    QString countBook()
    {
        const QString path = file("count.xlsx");
        WriteXlsx(path, {{"Count",
                          {{"Code", "Name"},
                           {"#" + m_free.at(0), "میز"},
                           {PersianDigits(m_free.at(1)), "صندلی"},
                           {" " + m_free.at(2) + " ", "کمد"}}}});
        return path;
    }

private slots:
    void initTestCase()
    {
        m_host = std::make_unique<DemoHost>(10);
        m_free = Column(db(), "SELECT TRIM(DaraCod) FROM D_Amval AS A WHERE NOT EXISTS (SELECT 1 "
                              "FROM D_Gardani AS G WHERE TRIM(G.DaraCod) = TRIM(A.DaraCod)) "
                              "ORDER BY DaraCod LIMIT 4");
        QCOMPARE(m_free.size(), 4);
        QSqlQuery q = db().select("SELECT TRIM(DaraCod), MIN(SanadNoAmval) FROM D_Gardani GROUP "
                                  "BY TRIM(DaraCod) ORDER BY 1 LIMIT 1");
        QVERIFY(q.next());
        m_counted = q.value(0).toString();
        m_countIn = q.value(1).toString();
    }
    void init()
    {
        InstallHost(*m_host);
        makeTarget(*m_host);
        m_host->exec("Delete From DataCollectionDesign");
        m_host->exec("Delete From DataCollectionDesignDetail");
        m_host->dlgMsg->shown.clear();
        m_host->dlgMsg->answers.clear();
        // No message is ever covered by a progress window: that one is gone first.
        m_host->dlgMsg->whileShown = [](const ShownMessage& m) {
            QVERIFY2(TopLevel<QProgressDialog>().isEmpty(), qPrintable(m.text));
        };
    }
    void cleanup() { m_form.reset(); }

    // ------------------------------------------------------------ the readers

    void workbooksReadCellsInTheirColumns()
    {
        const QString path = file("kinds.xlsx");
        lxw_workbook* book = workbook_new(path.toUtf8().constData());
        lxw_worksheet* ws = workbook_add_worksheet(book, "O'Neil");
        lxw_format* date = workbook_add_format(book);
        format_set_num_format(date, "yyyy/mm/dd");
        worksheet_write_string(ws, 1, 0, "code", nullptr);
        worksheet_write_number(ws, 1, 1, 101, nullptr);
        worksheet_write_number(ws, 1, 2, 2.5, nullptr);
        lxw_datetime day = {2024, 3, 20, 0, 0, 0};
        worksheet_write_datetime(ws, 1, 3, &day, date);
        worksheet_write_boolean(ws, 1, 5, 1, nullptr);
        worksheet_write_formula_num(ws, 1, 6, "=B2*2", nullptr, 202);
        worksheet_merge_range(ws, 2, 0, 3, 1, "merged", nullptr);
        worksheet_write_string(ws, 5, 2, "after a gap", nullptr);
        workbook_add_worksheet(book, "Second");
        QCOMPARE(workbook_close(book), LXW_NO_ERROR);

        QString reason;
        std::unique_ptr<WorkbookReader> reader = WorkbookReader::Open(path, &reason);
        QVERIFY2(reader != nullptr, qPrintable(reason));
        QCOMPARE(reader->sheetNames(), QStringList({"O'Neil", "Second"}));
        SheetRows rows;
        QVERIFY2(reader->readSheet(0, &rows, &reason), qPrintable(reason));
        // The empty first row is no row; the empty fifth one stays between filled ones;
        // the skipped column E is an empty cell; the merged range reads as its first cell.
        QCOMPARE(rows.firstRow, 1);
        QCOMPARE(rows.rows,
                 QList<QStringList>({{"code", "101", "2.5", "2024/03/20", "", "TRUE", "202"},
                                     {"merged"},
                                     {},
                                     {},
                                     {"", "", "after a gap"}}));
        QCOMPARE(rows.columnCount, 7);
        QVERIFY(reader->readSheet(1, &rows, &reason));
        QCOMPARE(rows.rows.size(), 0);

        // Inline strings (a workbook written row by row) read the same.
        WriteXlsx(path, {{"S", {{"#5", "پنج"}, {"", "x"}}}}, true);
        rows = Read(path, 0, &reason);
        QCOMPARE(rows.rows, QList<QStringList>({{"5", "پنج"}, {"", "x"}}));

        QCOMPARE(SpreadsheetDateText(60), "1900/02/28");
        QCOMPARE(SpreadsheetDateText(61), "1900/03/01");
        QCOMPARE(SpreadsheetDateText(0, true), "1904/01/01");
        QCOMPARE(SpreadsheetColumnName(27), "AB");

        // tests/data/count.xls (see tests/data/README.md for how it was made), read from
        // its file and held in memory alike, any sheet at any time.
        const QString xls = QStringLiteral(AMVAL_TEST_DATA "/count.xls");
        reader = WorkbookReader::Open(xls, &reason);
        QVERIFY2(reader != nullptr, qPrintable(reason));
        QCOMPARE(reader->sheetNames(), QStringList({"Count", "Other"}));
        QVERIFY2(reader->readSheet(0, &rows, &reason), qPrintable(reason));
        QCOMPARE(rows.rows, QList<QStringList>({{"Code", "Name", "Day"},
                                                {"101", "میز", "2024/03/20"},
                                                {"", "صندلی"},
                                                {"103.5", "کمد"}}));
        QVERIFY(reader->readSheet(1, &rows, &reason));
        QCOMPARE(rows.rows, QList<QStringList>({{"x"}}));
        reader = WorkbookReader::OpenBytes(FileBytes(xls), false, &reason);
        QVERIFY2(reader != nullptr && reader->readSheet(1, &rows, &reason), qPrintable(reason));
        QCOMPARE(rows.rows, QList<QStringList>({{"x"}}));
    }

    // A workbook that cannot be read whole is refused with a reason and no rows. An
    // .xls workbook is read by amval-xls-reader, beside the test programs as beside the
    // host program. Its output is taken only whole and well formed, from a program that
    // ended normally: a stand-in plays it crashing, hanging, writing garbage, stopping
    // early or going on past its end. A .xlsx workbook is damaged inside its sheet.
    void unreadableWorkbooksGiveAReason_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("names"); // the reading program's sheet names
        QTest::addColumn<QByteArray>("rows");  // its rows, or the .xlsx sheet's data
        QTest::addColumn<QByteArray>("then");  // what the program does at its end
        const QByteArray names = kMagic + Frame(XlsFrames::kName, "S") + kEndFrame;
        const QByteArray good =
            kMagic + RowFrame(0) +
            CellFrame(0, XlsFrames::kDouble, LittleEndian(0x4059400000000000, 8)) + RowFrame(2) +
            CellFrame(1, XlsFrames::kText, "میز") +
            CellFrame(3, XlsFrames::kDate, "2024-03-20 10:00:00") + kEndFrame;
        const auto xls = [&](const char* row, const QByteArray& rows, const char* then = "") {
            QTest::newRow(row) << "any.xls" << names << rows << QByteArray(then);
        };
        xls("good", good);
        QTest::newRow("crash at open")
            << "any.xls" << QByteArray() << good << QByteArray("kill -SEGV $$");
        xls("crash after the rows", good, "kill -SEGV $$");
        xls("failure exit", good, "exit 1");
        xls("hang", kMagic + RowFrame(0), "exec sleep 30");
        xls("garbage", QByteArray("PK\x03\x04garbage"));
        xls("cut short", good.chopped(3));
        xls("past the end", good + RowFrame(5));
        xls("rows out of order", kMagic + RowFrame(3) + RowFrame(1) + kEndFrame);
        xls("columns out of order", kMagic + RowFrame(0) + CellFrame(2, XlsFrames::kText, "a") +
                                        CellFrame(1, XlsFrames::kText, "b") + kEndFrame);
        xls("column past the last",
            kMagic + RowFrame(0) + CellFrame(16384, XlsFrames::kText, "a") + kEndFrame);
        xls("endless frame", kMagic + XlsFrames::kCell + LittleEndian(0x7fffffff, 4));
        xls("short number",
            kMagic + RowFrame(0) + CellFrame(0, XlsFrames::kInteger, "1") + kEndFrame);
        xls("the program's refusal", kMagic + Frame(XlsFrames::kFailed, "bad cell"), "exit 2");
        QTest::newRow("password") << "any.xls" << kMagic + Frame(XlsFrames::kProtected) << good
                                  << QByteArray();

        const auto xlsx = [](const char* row, const char* name, const QByteArray& sheet) {
            QTest::newRow(row) << name << QByteArray() << sheet << QByteArray();
        };
        const QByteArray big(WorkbookReader::kMaxCellChars + 1, 'a');
        QByteArray manyRows;
        for (int r = 1; r <= 1000000; r += 1)
            manyRows += "<row r=\"" + QByteArray::number(r) + "\"/>";
        xlsx("bad xml", "bad.xlsx", "<c r=\"A1\"><v>1</c>");
        xlsx("cell one past the longest", "big.xlsx",
             "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + big + "</t></is></c></row>");
        xlsx("row past the last", "far.xlsx", "<row r=\"1048577\"><c r=\"A1\"><v>1</v></c></row>");
        xlsx("column past the last (xlsx)", "wide.xlsx",
             "<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>");
        xlsx("shared string missing", "shared.xlsx",
             "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>4</v></c></row>");
        // Empty rows before the first value are no rows at all.
        xlsx("million empty rows then a value", "empty.xlsx",
             manyRows + "<row r=\"1000001\"><c r=\"A1\"><v>7</v></c></row>");
    }
    void unreadableWorkbooksGiveAReason()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, names);
        QFETCH(QByteArray, rows);
        QFETCH(QByteArray, then);
        const auto restore = qScopeGuard([] {
            qunsetenv("AMVAL_XLS_READER");
            qunsetenv("AMVAL_XLS_READER_QUIET_MS");
        });
        if (name.endsWith(".xls")) {
            QCOMPARE(QFileInfo(XlsReaderProgram()).absolutePath(),
                     QCoreApplication::applicationDirPath());
            WriteWholeFile(file("names"), names);
            WriteWholeFile(file("rows"), rows);
            const QString standIn = file("reader.sh");
            WriteWholeFile(standIn, "#!/bin/sh\nif [ $# -eq 1 ]; then cat '" +
                                        file("names").toUtf8() + "'; else cat '" +
                                        file("rows").toUtf8() + "'; fi\n" + then + "\n");
            QVERIFY(QFile::setPermissions(standIn, QFile::permissions(standIn) | QFile::ExeOwner));
            qputenv("AMVAL_XLS_READER", standIn.toUtf8());
            qputenv("AMVAL_XLS_READER_QUIET_MS", "300");
        } else {
            WriteZip(file(name), OneSheetParts(rows));
        }
        QString reason;
        const SheetRows read = Read(file(name), 0, &reason);
        const QByteArray row = QTest::currentDataTag();
        if (row == "good") {
            QVERIFY2(reason.isEmpty(), qPrintable(reason));
            QCOMPARE(read.rows, QList<QStringList>({{"101"}, {}, {"", "میز", "", "2024/03/20"}}));
            // The frames as the pipe may hand them: one byte at a time.
            SheetRows again;
            XlsFrameParser parser(&again);
            for (const char c : std::as_const(rows))
                QVERIFY(parser.feed(&c, 1));
            QVERIFY(parser.finish());
            QCOMPARE(again.rows, read.rows);
        } else if (row.startsWith("million")) {
            QVERIFY2(reason.isEmpty(), qPrintable(reason));
            QCOMPARE(read.rows, QList<QStringList>({{"7"}}));
        } else {
            QVERIFY(!reason.isEmpty());
            QVERIFY(read.rows.isEmpty());
        }
    }

    // ------------------------------------------------------------ the window

    // Files the window refuses: not a workbook by name, a package cut in half, a
    // protected workbook (a compound file, not a package), a text named .xls, an .xls
    // that makes the .xls library read out of bounds while opening it
    // (tests/fuzz/known), which happens in the reading program if at all, and a sheet
    // damaged inside (cut XML), found while reading rows. The sheet that stays open has
    // its columns marked by the right button.
    void badFilesLeaveTheWindowAsItWas()
    {
        const QString good = countBook();
        QVERIFY(QFile::copy(AMVAL_TEST_DATA "/../fuzz/known/xls-freexl-open-overread.xls",
                            file("damaged.xls")));
        const QByteArray bytes = FileBytes(good);
        QVERIFY(!bytes.isEmpty());
        const QList<std::pair<QString, QByteArray>> files{
            {"list.txt", "101\n"},
            {"half.xlsx", bytes.left(bytes.size() / 2)},
            {"locked.xlsx", QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(4096, '\0')},
            {"text.xls", "Code\tName\n101\tمیز\n"}};
        for (const auto& [name, data] : files)
            WriteWholeFile(file(name), data);
        // Damage inside the sheet, found while its rows are read.
        WriteZip(file("cut.xlsx"), OneSheetParts("<row r=\"1\"><c r=\"A1\"><v>1</c>"));
        const int result = run([&] {
            chooseFile(file("list.txt"));
            QCOMPARE(messages(), QStringList({kBadFile}));
            chooseFile(good);
            for (const char* name :
                 {"half.xlsx", "locked.xlsx", "text.xls", "damaged.xls", "cut.xlsx"}) {
                chooseFile(file(name));
                QVERIFY2(messages() == QStringList({kOpenFailed}), name);
            }
            // The sheet already open stays, and so does the list.
            QCOMPARE(m_form->dataRowCount(), 3);
            QCOMPARE(m_form->ExcelSheet->tabText(0), "[Count]");
            // Columns marked by the right button.
            QCOMPARE(title(0), "Code");
            QTest::mouseClick(m_form->cmdOk, Qt::LeftButton);
            QCOMPARE(messages(), QStringList({kNoCodeColumn}));
            // The same column as code, then as name: the code slot lets go of it.
            markColumn(0, m_form->miSlot[TFrm_Excel_Import2::CodeSlot]);
            QCOMPARE(title(0), "(" + kSlotCode + ")   Code");
            markColumn(0, m_form->miSlot[TFrm_Excel_Import2::NameSlot]);
            QCOMPARE(m_form->markedColumn(TFrm_Excel_Import2::CodeSlot), -1);
            QCOMPARE(title(0), "(" + kSlotName + ")   Code");
            // A used slot cannot be chosen for another column.
            markColumn(1, m_form->miSlot[TFrm_Excel_Import2::NameSlot]);
            QCOMPARE(m_form->markedColumn(TFrm_Excel_Import2::NameSlot), 0);
            markColumn(0, m_form->miClearAll);
            markColumn(0, m_form->miSlot[TFrm_Excel_Import2::CodeSlot]);
            QCOMPARE(title(1), "Name");
            QTest::mouseClick(m_form->cmdOk, Qt::LeftButton);
            QCOMPARE(messages(), QStringList({kNoNameColumn}));
            // Without the title row the columns go by their letters and the first
            // row is data; the markings go.
            QTest::mouseClick(m_form->chbOnvan, Qt::LeftButton);
            QCOMPARE(title(0), "A");
            QCOMPARE(m_form->dataRowCount(), 4);
            QCOMPARE(m_form->markedColumn(TFrm_Excel_Import2::CodeSlot), -1);
            QTest::mouseClick(m_form->cmdCancel, Qt::LeftButton);
        });
        QCOMPARE(result, 2);
        QCOMPARE(targetCodes(), QStringList({"   900"}));
    }

    // OK checks every row of the sheet as the count checks a typed one. Refused rows
    // are listed together by their row in the sheet, with the reason, and nothing is
    // written; the corrected sheet, opened again, is imported: the second of its sheets,
    // chosen by its tab, its columns in another order. An asset the count holds already
    // is refused when the rows are added to it, not when they replace its rows.
    void replaceOrAppendTheRows()
    {
        const int width = db().dialect().columnWidth("D_Gardani", "DaraCod");
        const QString bad = file("bad.xlsx");
        // Sheet rows: 1 empty, 2 titles, 3 good, 4 no code, 5 no asset, 6 empty,
        // 7 counted already, 8 row 3 again, 9 an asset of the count's own rows.
        WriteXlsx(bad, {{"Count",
                         {{},
                          {"Code", "Name"},
                          {"#" + m_free.at(0), "a"},
                          {"", "b"},
                          {"۹۹۹۹۹", "c"},
                          {},
                          {m_counted, "d"},
                          {PersianDigits(m_free.at(0)), "e"},
                          {m_free.at(3), "f"}}}});
        const QString corrected = file("two.xlsx");
        WriteXlsx(corrected, {{"First", {{"Code", "Name"}, {m_free.at(3), "a"}}},
                              {"Second",
                               {{"Name", "Code"},
                                {"میز", "#" + m_free.at(0)},
                                {"صندلی", PersianDigits(m_free.at(1))},
                                {"کمد", " " + m_free.at(2) + " "}}}});
        const QString twice = "كد دارايي تكراري مي باشد.";
        for (const bool replace : {false, true}) {
            makeTarget(*m_host);
            m_host->exec("Insert Into " + SqlIdent(kTarget) + " (DaraCod) Values ('" +
                         PadLeft(m_free.at(3), width) + "')");
            const QStringList before = targetCodes();
            QList<QStringList> listed;
            const int result = run([&] {
                importSheet(bad, replace);
                QVERIFY(m_form->isVisible());
                QCOMPARE(m_form->ExcelGrid->model()->headerData(0, Qt::Vertical).toInt(), 3);
                QCOMPARE(m_host->tempGridForm->shown.size(), 1);
                listed = StoredRows(db(), m_host->tempGridForm->shown.takeFirst().sql);
                QCOMPARE(targetCodes(), before);
                chooseFile(corrected);
                QCOMPARE(m_form->ExcelSheet->count(), 2);
                QCOMPARE(m_form->ExcelSheet->tabText(1), "[Second]");
                QTest::mouseClick(m_form->ExcelSheet, Qt::LeftButton, {},
                                  m_form->ExcelSheet->tabRect(1).center());
                QCOMPARE(m_form->dataRowCount(), 3);
                markColumn(1, m_form->miSlot[TFrm_Excel_Import2::CodeSlot]);
                markColumn(0, m_form->miSlot[TFrm_Excel_Import2::NameSlot]);
                QTest::mouseClick(m_form->cmdOk, Qt::LeftButton);
            });
            QCOMPARE(result, 1);
            QVERIFY(messages().isEmpty());
            QList<QStringList> expected{
                {"4", "", "كد دارايي خالي مي باشد."},
                {"5", "۹۹۹۹۹", "كد دارايي وجود ندارد."},
                {"7", m_counted, "اين دارايي در سند شماره:" + m_countIn + " ثبت شده است"},
                {"8", PersianDigits(m_free.at(0)), twice}};
            if (!replace)
                expected << QStringList{"9", m_free.at(3), twice};
            QCOMPARE(listed, expected);
            const QStringList imported = m_free.mid(0, 3);
            QCOMPARE(targetCodes(), replace ? imported : before + imported);
            QCOMPARE(stampedRows(), "3");
            // The import table and the list's go with the window.
            const QString import = m_form->importTableName();
            QVERIFY(db().dialect().tempObjectExists(import));
            m_form.reset();
            QVERIFY(!db().dialect().tempObjectExists(import));
            QVERIFY(!db().dialect().tempObjectExists(import + "E"));
        }
    }

    void savedFormIsTheDefaultOnReopening()
    {
        const QString path = countBook();
        int result = run([&] {
            chooseFile(path);
            // Saving asks for both columns first.
            QTest::mouseClick(m_form->BitBtn2, Qt::LeftButton);
            QCOMPARE(messages(), QStringList({kNoCodeColumn}));
            markCodeAndName();
            WhenModal<TFrm_Excel_Forms>([this](TFrm_Excel_Forms* forms) {
                // Its buttons lie inside the window's rounded outline.
                for (QPushButton* b : {forms->btnSave, forms->btnOk, forms->btnCancel})
                    QVERIFY2(Inside(b, forms), qPrintable(b->objectName()));
                QTest::keyClick(forms->edtFormName, Qt::Key_Return);
                QCOMPARE(messages(), QStringList({kFormNameMissing}));
                TypeText(forms->edtFormName, "شمارش");
                QTest::keyClick(forms->edtFormName, Qt::Key_Return);
                // The same name again asks first; No keeps the stored form.
                m_host->dlgMsg->answers << 7;
                QTest::mouseClick(forms->btnSave, Qt::LeftButton);
                QCOMPARE(messages(), QStringList({kFormExists}));
                QCOMPARE(forms->dbgForms->rowCount(), 1);
                QCOMPARE(forms->dbgForms->item(0, 1)->text(), "شمارش");
                const QRect cell =
                    forms->dbgForms->visualRect(forms->dbgForms->model()->index(0, 1));
                QTest::mouseClick(forms->dbgForms->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(forms->dbgForms->viewport(), Qt::LeftButton, {}, cell.center());
                // The default form is ticked with a tick the installed fonts draw.
                QCOMPARE(forms->dbgForms->item(0, 0)->text(), kDefaultTick);
                QVERIFY(Drawn(kDefaultTick, forms->dbgForms->font()));
                QTest::mouseClick(forms->btnCancel, Qt::LeftButton);
            });
            QTest::mouseClick(m_form->BitBtn2, Qt::LeftButton);
            QCOMPARE(m_form->cbForms->currentText(), "شمارش");
            QTest::mouseClick(m_form->cmdCancel, Qt::LeftButton);
        });
        QCOMPARE(result, 2);
        QCOMPARE(m_host->scalar("Select FormType From DataCollectionDesign"), "0");

        // Another clerk opening a workbook gets the default form's markings; without
        // the right to mark columns they are the saved forms' alone.
        DemoHost clerk(m_host->dataFolder(), 2, "clerk");
        const QString table = "##T2G";
        makeTarget(clerk, table);
        m_form = std::make_unique<TFrm_Excel_Import2>(table, clerk.database.Command, &clerk.owner);
        m_form->setMarkingAllowed(false);
        result = RunModal(m_form.get(), [&] {
            chooseFile(path);
            QCOMPARE(m_form->markedColumn(TFrm_Excel_Import2::CodeSlot), 0);
            QCOMPARE(m_form->markedColumn(TFrm_Excel_Import2::NameSlot), 1);
            QVERIFY(!m_form->BitBtn2->isEnabled());
            markColumn(0, m_form->miClear);
            markColumn(1, m_form->miClearAll);
            QCOMPARE(m_form->markedColumn(TFrm_Excel_Import2::CodeSlot), 0);
            QTest::mouseClick(m_form->cmdOk, Qt::LeftButton);
        });
        QCOMPARE(result, 1);
        QCOMPARE(clerk.scalar("Select Count(*) From " + SqlIdent(table)), "4");
        // His rows went into his own table, not into the first clerk's count.
        m_form.reset();
        InstallHost(*m_host);
        QCOMPARE(targetCodes(), QStringList({"   900"}));
    }

    // A long sheet: its rows checked all at once (the assets read whole), the one
    // refused row listed; corrected, its import cancelled from the progress window
    // leaves the count as it was; imported again, every row is in the count in the
    // sheet's order, each with the voucher's values.
    void cancelLeavesTheRowsAsTheyWere()
    {
        // Assets of codes 500001 to 505003, one row each; the first again at the end.
        m_host->exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                     "5003) INSERT INTO D_Amval (DaraCod, DaraNam) SELECT CAST(500000 + i AS "
                     "VARCHAR(6)), 'n' FROM n");
        QList<QStringList> rows{{"Code", "Name"}};
        QStringList codes;
        for (int i = 0; i < 5003; ++i) {
            rows << QStringList({"#" + QString::number(500001 + i), "n"});
            codes << QString::number(500001 + i);
        }
        const QString path = file("long.xlsx");
        const QString twice = file("twice.xlsx");
        WriteXlsx(path, {{"Long", rows}});
        WriteXlsx(twice, {{"Long", rows + QList<QStringList>{{"۵۰۰۰۰۱", "n"}}}});
        const int result = run([&] {
            importSheet(twice);
            QCOMPARE(m_host->tempGridForm->shown.size(), 1);
            QCOMPARE(m_host->tempGridForm->shown.takeFirst().keys, QStringList({"5005"}));
            chooseFile(path);
            markCodeAndName();
            bool cancelled = false;
            StopWhenProgressShows(&cancelled, QStringLiteral("ImportProgress"));
            QTest::mouseClick(m_form->cmdOk, Qt::LeftButton);
            QVERIFY(cancelled);
            QVERIFY(m_form->isVisible());
            QVERIFY(messages().isEmpty());
            QTest::mouseClick(m_form->cmdCancel, Qt::LeftButton);
        });
        QCOMPARE(result, 2);
        QCOMPARE(targetCodes(), QStringList({"   900"}));

        QCOMPARE(run([&] { importSheet(path); }), 1);
        QCOMPARE(targetCodes(), codes);
        QCOMPARE(stampedRows(), "5003");
    }
};

AMVAL_TEST_MAIN(TestExcelImport)
#include "tst_excelimport.moc"
