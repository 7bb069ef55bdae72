#include "workbookreader.h"

#include "xlsframes.h"
#include "zipreader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QProcess>
#include <QSet>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <cmath>
#include <cstring>
#include <dlfcn.h>

namespace {

const QString kCancelled = QStringLiteral("cancelled");

// What one stored cell costs against the sheet's limit, beside its characters.
constexpr qint64 kCellCost = 16;

bool Fail(QString* reason, const QString& text)
{
    if (reason != nullptr)
        *reason = text;
    return false;
}

// Keeps the rows of a sheet within the limits while they are read: rows come in
// order, each placed at its own index; empty rows between two filled ones stay as
// empty rows, empty rows before the first and after the last are never kept.
class RowCollector
{
public:
    explicit RowCollector(SheetRows* out) : m_out(out) {}

    // Places a row; false when a limit is passed (the reason says which).
    bool add(int rowIndex, QStringList cells, QString* reason)
    {
        while (!cells.isEmpty() && cells.constLast().isEmpty())
            cells.removeLast();
        if (cells.isEmpty())
            return true;
        if (rowIndex >= WorkbookReader::kMaxRows)
            return Fail(reason, QStringLiteral("too many rows"));
        if (m_first < 0) {
            m_first = rowIndex;
            m_out->firstRow = rowIndex;
        }
        const int at = rowIndex - m_first;
        if (at < m_out->rows.size())
            return Fail(reason, QStringLiteral("rows out of order"));
        m_cost += qint64(at - m_out->rows.size() + cells.size()) * kCellCost;
        for (const QString& c : std::as_const(cells))
            m_cost += c.size() * 2;
        if (m_cost > WorkbookReader::kMaxSheetChars * 2)
            return Fail(reason, QStringLiteral("sheet too large"));
        while (m_out->rows.size() < at)
            m_out->rows.append(QStringList());
        m_out->columnCount = std::max(m_out->columnCount, int(cells.size()));
        m_out->rows.append(std::move(cells));
        return true;
    }
    int firstRow() const { return m_first; }

private:
    SheetRows* m_out;
    int m_first = -1;
    qint64 m_cost = 0;
};

// ---------------------------------------------------------------- .xlsx

// Reads one part of the package as a stream of XML tokens, feeding the parser in
// blocks so that no part is ever held whole; a single token longer than any cell
// could need (a hostile file's endless text) stops the reading.
class XmlPart
{
public:
    XmlPart(ZipReader& zip, const QString& name) : m_file(zip, name) {}
    bool isOpen() const { return m_file.isOpen(); }
    QXmlStreamReader& xml() { return m_xml; }

    // The next token; false at the end of the part, or on a damaged part (error()).
    bool next()
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = m_xml.readNext();
            if (t == QXmlStreamReader::EndDocument)
                return false;
            if (t != QXmlStreamReader::Invalid) {
                m_tokenStart = m_xml.characterOffset();
                if (t == QXmlStreamReader::StartElement)
                    ++m_depth;
                else if (t == QXmlStreamReader::EndElement && --m_depth == 0)
                    m_complete = true;
                return true;
            }
            // The root element closed: whatever the part holds after it is no concern.
            if (m_complete && m_ended)
                return false;
            if (m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || m_ended) {
                m_error = m_xml.errorString();
                if (m_error.isEmpty())
                    m_error = QStringLiteral("damaged part");
                return false;
            }
            const QByteArray block = m_file.read();
            if (block.isEmpty()) {
                if (m_file.failed() || !m_file.atEnd()) {
                    m_error = QStringLiteral("damaged zip entry");
                    return false;
                }
                m_ended = true;
                // Lets the parser see the end and report the part as cut short.
                m_xml.addData(QByteArray());
                continue;
            }
            m_fed += block.size();
            if (m_fed - m_tokenStart > kMaxTokenBytes) {
                m_error = QStringLiteral("token too long");
                return false;
            }
            m_xml.addData(block);
        }
    }
    QString error() const { return m_error; }
    bool failed() const { return !m_error.isEmpty(); }

    // The text inside the current element up to its end (nested elements' text
    // included, except phonetic runs); false when the part is damaged.
    bool elementText(QString* out)
    {
        int depth = 1;
        int skip = 0;
        while (depth > 0) {
            if (!next())
                return false;
            if (m_xml.isStartElement()) {
                ++depth;
                if (skip > 0 || m_xml.name() == QLatin1String("rPh"))
                    ++skip;
            } else if (m_xml.isEndElement()) {
                --depth;
                if (skip > 0)
                    --skip;
            } else if (m_xml.isCharacters() && skip == 0) {
                out->append(m_xml.text());
                if (out->size() > WorkbookReader::kMaxCellChars) {
                    m_error = QStringLiteral("cell too long");
                    return false;
                }
            }
        }
        return true;
    }

private:
    static constexpr qint64 kMaxTokenBytes = 8 * 1024 * 1024;
    ZipReader::Stream m_file;
    QXmlStreamReader m_xml;
    int m_depth = 0;
    bool m_complete = false;
    bool m_ended = false;
    qint64 m_fed = 0;
    qint64 m_tokenStart = 0;
    QString m_error;
};

QString Attr(const QXmlStreamReader& xml, const char* name)
{
    return xml.attributes().value(QLatin1String(name)).toString();
}

// The relationship id of a <sheet>: the attribute "id" in the relationships
// namespace, whatever prefix the file gives it.
QString RelationshipId(const QXmlStreamReader& xml)
{
    for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
            return a.value().toString();
    return QString();
}

// "B12" -> column 1, row 11; false for a reference that is none.
bool ParseReference(QStringView ref, int* column, int* row)
{
    int i = 0;
    int col = 0;
    while (i < ref.size() && ref[i].isLetter()) {
        const QChar c = ref[i].toUpper();
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            return false;
        col = col * 26 + (c.unicode() - 'A' + 1);
        if (col > WorkbookReader::kMaxColumns)
            return false;
        ++i;
    }
    if (i == 0)
        return false;
    qint64 r = 0;
    const int digits = i;
    while (i < ref.size() && ref[i].isDigit()) {
        r = r * 10 + (ref[i].unicode() - '0');
        if (r > WorkbookReader::kMaxRows)
            return false;
        ++i;
    }
    if (i != ref.size() || i == digits || r == 0)
        return false;
    *column = col - 1;
    if (row != nullptr)
        *row = int(r) - 1;
    return true;
}

// Whether a number format shows a date: the built-in date formats, or a format of
// the file's own that names days or years (text in quotes and [..] sections aside).
bool IsDateFormat(int id, const QString& code)
{
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty())
        return false;
    bool quoted = false;
    int bracket = 0;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('['))
            ++bracket;
        else if (!quoted && c == QLatin1Char(']') && bracket > 0)
            --bracket;
        else if (!quoted && bracket == 0) {
            const QChar l = c.toLower();
            if (l == QLatin1Char('d') || l == QLatin1Char('y'))
                return true;
        }
    }
    return false;
}

class XlsxReader : public WorkbookReader
{
public:
    explicit XlsxReader(std::unique_ptr<QIODevice> device)
        : m_device(std::move(device)), m_zip(m_device.get())
    {}

    bool load(QString* reason)
    {
        if (!m_zip.open(reason))
            return false;
        QHash<QString, QString> targets; // relationship id -> part name
        QString sharedName = QStringLiteral("xl/sharedStrings.xml");
        QString stylesName = QStringLiteral("xl/styles.xml");
        {
            XmlPart rels(m_zip, QStringLiteral("xl/_rels/workbook.xml.rels"));
            while (rels.isOpen() && rels.next()) {
                QXmlStreamReader& x = rels.xml();
                if (!x.isStartElement() || x.name() != QLatin1String("Relationship"))
                    continue;
                const QString target = PartName(Attr(x, "Target"));
                const QString type = Attr(x, "Type");
                if (type.endsWith(QLatin1String("/worksheet")))
                    targets.insert(Attr(x, "Id"), target);
                else if (type.endsWith(QLatin1String("/sharedStrings")))
                    sharedName = target;
                else if (type.endsWith(QLatin1String("/styles")))
                    stylesName = target;
            }
            if (rels.failed())
                return Fail(reason, QStringLiteral("relationships: ") + rels.error());
        }
        {
            XmlPart book(m_zip, QStringLiteral("xl/workbook.xml"));
            if (!book.isOpen())
                return Fail(reason, QStringLiteral("no workbook part"));
            int ordinal = 0;
            while (book.next()) {
                QXmlStreamReader& x = book.xml();
                if (!x.isStartElement())
                    continue;
                if (x.name() == QLatin1String("workbookPr")) {
                    const QString v = Attr(x, "date1904");
                    m_1904 = v == QLatin1String("1") ||
                             v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
                } else if (x.name() == QLatin1String("sheet")) {
                    ++ordinal;
                    const QString id = RelationshipId(x);
                    QString part = targets.value(id);
                    if (part.isEmpty()) {
                        // A chart sheet, or a package without relationships.
                        if (!targets.isEmpty())
                            continue;
                        part = QStringLiteral("xl/worksheets/sheet%1.xml").arg(ordinal);
                    }
                    m_names << Attr(x, "name");
                    m_parts << part;
                    if (m_names.size() > 4096)
                        return Fail(reason, QStringLiteral("too many sheets"));
                }
            }
            if (book.failed())
                return Fail(reason, QStringLiteral("workbook: ") + book.error());
        }
        if (m_names.isEmpty())
            return Fail(reason, QStringLiteral("no sheets"));
        if (!readStyles(stylesName, reason) || !readSharedStrings(sharedName, reason))
            return false;
        return true;
    }

    QStringList sheetNames() const override { return m_names; }

    bool readSheet(int index, SheetRows* out, QString* reason,
                   const ReadProgress& progress) override
    {
        *out = SheetRows();
        if (index < 0 || index >= m_parts.size())
            return Fail(reason, QStringLiteral("no such sheet"));
        if (!readSheetPart(m_parts.at(index), out, reason, progress)) {
            *out = SheetRows();
            return false;
        }
        return true;
    }

private:
    static QString PartName(const QString& target)
    {
        if (target.startsWith(QLatin1Char('/')))
            return QDir::cleanPath(target.mid(1));
        return QDir::cleanPath(QStringLiteral("xl/") + target);
    }

    bool readStyles(const QString& name, QString* reason)
    {
        XmlPart part(m_zip, name);
        if (!part.isOpen())
            return true;
        QHash<int, QString> codes;
        bool inCellXfs = false;
        while (part.next()) {
            QXmlStreamReader& x = part.xml();
            if (x.isStartElement()) {
                if (x.name() == QLatin1String("numFmt")) {
                    codes.insert(Attr(x, "numFmtId").toInt(), Attr(x, "formatCode"));
                } else if (x.name() == QLatin1String("cellXfs")) {
                    inCellXfs = true;
                } else if (inCellXfs && x.name() == QLatin1String("xf")) {
                    const int id = Attr(x, "numFmtId").toInt();
                    m_dateStyles.append(IsDateFormat(id, codes.value(id)));
                    if (m_dateStyles.size() > 65536)
                        return Fail(reason, QStringLiteral("too many styles"));
                }
            } else if (x.isEndElement() && x.name() == QLatin1String("cellXfs")) {
                inCellXfs = false;
            }
        }
        if (part.failed())
            return Fail(reason, QStringLiteral("styles: ") + part.error());
        return true;
    }

    bool readSharedStrings(const QString& name, QString* reason)
    {
        XmlPart part(m_zip, name);
        if (!part.isOpen())
            return true;
        qint64 cost = 0;
        while (part.next()) {
            QXmlStreamReader& x = part.xml();
            if (x.isStartElement() && x.name() == QLatin1String("si")) {
                QString text;
                if (!part.elementText(&text))
                    break;
                cost += kCellCost + text.size() * 2;
                if (cost > kMaxSheetChars * 2)
                    return Fail(reason, QStringLiteral("shared strings too large"));
                m_shared.append(text);
            }
        }
        if (part.failed())
            return Fail(reason, QStringLiteral("shared strings: ") + part.error());
        return true;
    }

    QString cellText(const QString& type, const QString& value, int style, bool* ok) const
    {
        *ok = true;
        if (type == QLatin1String("s")) {
            bool isNumber = false;
            const int i = value.trimmed().toInt(&isNumber);
            if (!isNumber || i < 0 || i >= m_shared.size()) {
                *ok = false;
                return QString();
            }
            return m_shared.at(i);
        }
        if (type == QLatin1String("str") || type == QLatin1String("inlineStr") ||
            type == QLatin1String("e"))
            return value;
        if (type == QLatin1String("b"))
            return value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE")
                                                         : QStringLiteral("FALSE");
        if (type == QLatin1String("d"))
            return value.left(10).replace(QLatin1Char('-'), QLatin1Char('/'));
        if (value.isEmpty())
            return value;
        bool isNumber = false;
        const double d = value.trimmed().toDouble(&isNumber);
        if (!isNumber)
            return value;
        if (style >= 0 && style < m_dateStyles.size() && m_dateStyles.at(style)) {
            const QString date = SpreadsheetDateText(d, m_1904);
            if (!date.isEmpty())
                return date;
        }
        return SpreadsheetNumberText(d);
    }

    bool readSheetPart(const QString& name, SheetRows* out, QString* reason,
                       const ReadProgress& progress)
    {
        XmlPart part(m_zip, name);
        if (!part.isOpen())
            return Fail(reason, QStringLiteral("sheet part missing"));
        RowCollector rows(out);
        struct Merge
        {
            int top, left, bottom, right;
        };
        QList<Merge> merges;
        bool inData = false;
        int rowIndex = -1;
        int column = -1;
        QStringList cells;
        int rowsSeen = 0;
        while (part.next()) {
            QXmlStreamReader& x = part.xml();
            if (x.isStartElement()) {
                const QStringView n = x.name();
                if (n == QLatin1String("sheetData")) {
                    inData = true;
                } else if (inData && n == QLatin1String("row")) {
                    const QString r = Attr(x, "r");
                    int next = rowIndex + 1;
                    if (!r.isEmpty()) {
                        bool isNumber = false;
                        next = r.toInt(&isNumber) - 1;
                        if (!isNumber || next < 0 || next <= rowIndex)
                            return Fail(reason, QStringLiteral("bad row number"));
                    }
                    if (next >= kMaxRows)
                        return Fail(reason, QStringLiteral("too many rows"));
                    rowIndex = next;
                    column = -1;
                    cells.clear();
                } else if (inData && n == QLatin1String("c")) {
                    const QString ref = Attr(x, "r");
                    int at = column + 1;
                    if (!ref.isEmpty() && !ParseReference(ref, &at, nullptr))
                        return Fail(reason, QStringLiteral("bad cell reference"));
                    if (at <= column || at >= kMaxColumns)
                        return Fail(reason, QStringLiteral("bad cell reference"));
                    column = at;
                    const QString type = Attr(x, "t");
                    const int style = Attr(x, "s").toInt();
                    QString value;
                    if (!readCellValue(part, type, &value))
                        break;
                    bool ok = true;
                    const QString text = cellText(type, value, style, &ok);
                    if (!ok)
                        return Fail(reason, QStringLiteral("bad shared string index"));
                    if (!text.isEmpty()) {
                        while (cells.size() < column)
                            cells.append(QString());
                        cells.append(text);
                    }
                } else if (n == QLatin1String("mergeCell")) {
                    const QStringList ends = Attr(x, "ref").split(QLatin1Char(':'));
                    Merge m{};
                    if (ends.size() == 2 && ParseReference(ends[0], &m.left, &m.top) &&
                        ParseReference(ends[1], &m.right, &m.bottom) && merges.size() < 65536)
                        merges.append(m);
                }
            } else if (x.isEndElement()) {
                const QStringView n = x.name();
                if (n == QLatin1String("sheetData")) {
                    inData = false;
                } else if (inData && n == QLatin1String("row")) {
                    if (!rows.add(rowIndex, std::move(cells), reason))
                        return false;
                    cells = QStringList();
                    if (progress && ++rowsSeen % kProgressStep == 0 && !progress(rowsSeen))
                        return Fail(reason, kCancelled);
                }
            }
        }
        if (part.failed())
            return Fail(reason, QStringLiteral("sheet: ") + part.error());
        // Beyond its first cell a merged range reads as empty.
        const int first = rows.firstRow();
        for (const Merge& m : std::as_const(merges)) {
            for (int r = std::max(m.top, first); r <= m.bottom && first >= 0; ++r) {
                const int at = r - first;
                if (at >= out->rows.size())
                    break;
                QStringList& row = out->rows[at];
                for (int c = m.left; c <= m.right && c < row.size(); ++c)
                    if (r != m.top || c != m.left)
                        row[c].clear();
            }
        }
        return true;
    }

    // The value of the <c> element just opened: its <v>, or its inline <is> text;
    // a formula's text is passed over (its cached value is the <v>).
    static bool readCellValue(XmlPart& part, const QString& type, QString* value)
    {
        int depth = 1;
        while (depth > 0) {
            if (!part.next())
                return false;
            QXmlStreamReader& x = part.xml();
            if (x.isStartElement()) {
                if (x.name() == QLatin1String("v") ||
                    (type == QLatin1String("inlineStr") && x.name() == QLatin1String("is"))) {
                    if (!part.elementText(value))
                        return false;
                } else {
                    ++depth;
                }
            } else if (x.isEndElement()) {
                --depth;
            }
        }
        return true;
    }

    std::unique_ptr<QIODevice> m_device;
    ZipReader m_zip;
    QStringList m_names;
    QStringList m_parts;
    QStringList m_shared;
    QList<bool> m_dateStyles;
    bool m_1904 = false;
};

// ---------------------------------------------------------------- .xls

// How long the reading program may stay silent before it is taken for hung: the
// library reads the whole workbook before the first row comes, which takes a few
// seconds at most for the largest sheet.
int QuietLimitMs()
{
    bool ok = false;
    const int set = qEnvironmentVariableIntValue("AMVAL_XLS_READER_QUIET_MS", &ok);
    return ok && set > 0 ? set : 60000;
}

// The .xls workbook, read by amval-xls-reader in a process of its own: once for the
// sheet names when opened, once for each sheet read.
class XlsReader : public WorkbookReader
{
public:
    // `copy`: the temporary file at `path`, when the workbook came in memory.
    bool load(const QString& path, QString* reason, std::unique_ptr<QTemporaryFile> copy = {})
    {
        m_path = path;
        m_copy = std::move(copy);
        XlsFrameParser parser;
        if (!Run({path}, &parser, reason, {}))
            return false;
        m_names = parser.names();
        return true;
    }

    QStringList sheetNames() const override { return m_names; }

    bool readSheet(int index, SheetRows* out, QString* reason,
                   const ReadProgress& progress) override
    {
        *out = SheetRows();
        if (index < 0 || index >= m_names.size())
            return Fail(reason, QStringLiteral("no such sheet"));
        XlsFrameParser parser(out);
        if (Run({m_path, QString::number(index)}, &parser, reason, progress))
            return true;
        *out = SheetRows();
        return false;
    }

private:
    // Runs the reading program with `arguments` and hands its output to `parser`.
    // The program is stopped when its output is refused, the user cancels, or it
    // stays silent past the quiet limit; it must end normally after its end frame.
    static bool Run(const QStringList& arguments, XlsFrameParser* parser, QString* reason,
                    const ReadProgress& progress)
    {
        const QString program = XlsReaderProgram();
        if (program.isEmpty())
            return Fail(reason, QStringLiteral("the .xls reading program is missing"));
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QIODevice::ReadOnly);
        const auto stop = [&process, reason](const QString& why) {
            process.kill();
            process.waitForFinished();
            return Fail(reason, why);
        };
        if (!process.waitForStarted())
            return stop(QStringLiteral("the .xls reading program did not start"));
        const int quietLimit = QuietLimitMs();
        QElapsedTimer quiet;
        quiet.start();
        QElapsedTimer told;
        told.start();
        int toldRows = 0;
        for (;;) {
            // Finished before this read: all of its output is taken by it.
            const bool running = process.state() != QProcess::NotRunning;
            if (running)
                process.waitForReadyRead(100);
            const QByteArray chunk = process.readAllStandardOutput();
            if (!chunk.isEmpty()) {
                quiet.restart();
                if (!parser->feed(chunk.constData(), chunk.size()))
                    return stop(parser->reason());
            }
            // The user may cancel while the program works, rows or not.
            if (progress &&
                (parser->rowsRead() - toldRows >= kProgressStep || told.hasExpired(250))) {
                toldRows = parser->rowsRead();
                told.restart();
                if (!progress(toldRows))
                    return stop(kCancelled);
            }
            if (!running)
                break;
            if (chunk.isEmpty() && quiet.hasExpired(quietLimit))
                return stop(QStringLiteral("the .xls reading program stopped answering"));
        }
        const bool whole = parser->finish();
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return Fail(reason, whole ? QStringLiteral("the .xls reading program failed")
                                      : parser->reason());
        return whole || Fail(reason, parser->reason());
    }

    QString m_path;
    std::unique_ptr<QTemporaryFile> m_copy;
    QStringList m_names;
};

bool HasExtension(const QString& path, const char* extension)
{
    return QFileInfo(path).suffix().compare(QLatin1String(extension), Qt::CaseInsensitive) == 0;
}

} // namespace

// ---------------------------------------------------------------- .xls frames

namespace {

quint32 LittleEndian(const char* data, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= quint32(quint8(data[i])) << (8 * i);
    return value;
}

} // namespace

// The row being filled and the rows placed so far.
class XlsFrameParser::Rows
{
public:
    explicit Rows(SheetRows* out) : collector(out) {}

    // Places the row being filled, if any.
    bool flush(QString* reason)
    {
        if (row < 0)
            return true;
        const int index = row;
        row = -1;
        return collector.add(index, std::exchange(cells, {}), reason);
    }

    RowCollector collector;
    int row = -1;
    int lastRow = -1;
    int lastColumn = -1;
    QStringList cells;
    int rowsRead = 0;
};

XlsFrameParser::XlsFrameParser(SheetRows* rows)
    : m_rows(rows != nullptr ? std::make_unique<Rows>(rows) : nullptr), m_out(rows)
{
    if (m_out != nullptr)
        *m_out = SheetRows();
}

XlsFrameParser::~XlsFrameParser() = default;

int XlsFrameParser::rowsRead() const
{
    return m_rows != nullptr ? m_rows->rowsRead : 0;
}

bool XlsFrameParser::fail(const QString& why)
{
    if (!m_failed) {
        m_failed = true;
        m_reason = why;
        m_names.clear();
        m_rows.reset();
        if (m_out != nullptr)
            *m_out = SheetRows();
    }
    return false;
}

bool XlsFrameParser::feed(const char* data, qsizetype size)
{
    if (m_failed)
        return false;
    if (size <= 0)
        return true;
    if (m_ended)
        return fail(QStringLiteral("output after the end"));
    m_pending.append(data, size);
    qsizetype at = 0;
    if (!m_magic) {
        const qsizetype n = std::min<qsizetype>(m_pending.size(), XlsFrames::kMagicSize);
        if (std::memcmp(m_pending.constData(), XlsFrames::kMagic, size_t(n)) != 0)
            return fail(QStringLiteral("not the reading program's output"));
        if (n < XlsFrames::kMagicSize)
            return true;
        m_magic = true;
        at = XlsFrames::kMagicSize;
    }
    while (m_pending.size() - at >= XlsFrames::kHeaderSize) {
        if (m_ended)
            return fail(QStringLiteral("output after the end"));
        const char* header = m_pending.constData() + at;
        const quint32 length = LittleEndian(header + 1, 4);
        if (length > XlsFrames::kMaxPayload)
            return fail(QStringLiteral("frame too long"));
        if (m_pending.size() - at - XlsFrames::kHeaderSize < qsizetype(length))
            break;
        if (!frame(header[0], header + XlsFrames::kHeaderSize, length))
            return false;
        at += XlsFrames::kHeaderSize + length;
    }
    m_pending.remove(0, at);
    return true;
}

bool XlsFrameParser::frame(char tag, const char* payload, quint32 size)
{
    switch (tag) {
    case XlsFrames::kEnd:
        if (size != 0)
            return fail(QStringLiteral("bad end frame"));
        if (m_rows != nullptr && !m_rows->flush(&m_reason))
            return fail(m_reason);
        m_ended = true;
        return true;
    case XlsFrames::kProtected:
        return fail(QStringLiteral("password protected"));
    case XlsFrames::kFailed:
        return fail(QString::fromUtf8(payload, qsizetype(std::min<quint32>(size, 200))));
    case XlsFrames::kName:
        if (m_rows != nullptr || m_names.size() >= 4096 ||
            size > quint32(WorkbookReader::kMaxCellChars))
            return fail(QStringLiteral("bad sheet name"));
        m_names << QString::fromUtf8(payload, qsizetype(size));
        return true;
    case XlsFrames::kRow: {
        if (m_rows == nullptr || size != 4)
            return fail(QStringLiteral("bad row frame"));
        const quint32 index = LittleEndian(payload, 4);
        if (index >= quint32(WorkbookReader::kMaxRows))
            return fail(QStringLiteral("too many rows"));
        if (int(index) <= m_rows->lastRow)
            return fail(QStringLiteral("rows out of order"));
        if (!m_rows->flush(&m_reason))
            return fail(m_reason);
        m_rows->row = m_rows->lastRow = int(index);
        m_rows->lastColumn = -1;
        ++m_rows->rowsRead;
        return true;
    }
    case XlsFrames::kCell: {
        if (m_rows == nullptr || m_rows->row < 0 || size < 3)
            return fail(QStringLiteral("bad cell frame"));
        const int column = int(LittleEndian(payload, 2));
        if (column <= m_rows->lastColumn || column >= WorkbookReader::kMaxColumns)
            return fail(QStringLiteral("bad cell column"));
        const char type = payload[2];
        const char* value = payload + 3;
        const qsizetype valueSize = qsizetype(size) - 3;
        QString text;
        if (type == XlsFrames::kInteger || type == XlsFrames::kDouble) {
            if (valueSize != 8)
                return fail(QStringLiteral("bad number"));
            const quint64 bits =
                quint64(LittleEndian(value, 4)) | (quint64(LittleEndian(value + 4, 4)) << 32);
            if (type == XlsFrames::kInteger) {
                text = QString::number(qint64(bits));
            } else {
                double number = 0;
                std::memcpy(&number, &bits, sizeof number);
                text = SpreadsheetNumberText(number);
            }
        } else if (type == XlsFrames::kText) {
            text = QString::fromUtf8(value, valueSize);
        } else if (type == XlsFrames::kDate) {
            text = QString::fromUtf8(value, valueSize)
                       .left(10)
                       .replace(QLatin1Char('-'), QLatin1Char('/'));
        } else {
            return fail(QStringLiteral("bad cell type"));
        }
        if (text.size() > WorkbookReader::kMaxCellChars)
            return fail(QStringLiteral("cell too long"));
        m_rows->lastColumn = column;
        if (text.isEmpty())
            return true;
        while (m_rows->cells.size() < column)
            m_rows->cells.append(QString());
        m_rows->cells.append(std::move(text));
        return true;
    }
    default:
        return fail(QStringLiteral("unknown frame"));
    }
}

bool XlsFrameParser::finish()
{
    if (m_failed)
        return false;
    if (!m_magic || !m_ended)
        return fail(QStringLiteral("the output ends early"));
    if (!m_pending.isEmpty())
        return fail(QStringLiteral("output after the end"));
    if (m_rows == nullptr && m_names.isEmpty())
        return fail(QStringLiteral("no sheets"));
    return true;
}

QString XlsReaderProgram()
{
    const QString name = QStringLiteral("amval-xls-reader");
    const QString set = qEnvironmentVariable("AMVAL_XLS_READER");
    if (!set.isEmpty())
        return QFileInfo(set).isExecutable() ? set : QString();
    QStringList folders;
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&XlsReaderProgram), &self) != 0 && self.dli_fname != nullptr)
        folders << QFileInfo(QFile::decodeName(self.dli_fname)).absolutePath();
    if (QCoreApplication::instance() != nullptr)
        folders << QCoreApplication::applicationDirPath();
    for (const QString& folder : QStringList(folders))
        folders << QDir(folder).absoluteFilePath(QStringLiteral("../libexec/amval"));
#ifdef AMVAL_XLS_READER_DIR
    folders << QStringLiteral(AMVAL_XLS_READER_DIR);
#endif
    for (const QString& folder : std::as_const(folders)) {
        const QFileInfo program(QDir(folder).filePath(name));
        if (program.isFile() && program.isExecutable())
            return program.absoluteFilePath();
    }
    return QString();
}

QString SpreadsheetNumberText(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString SpreadsheetDateText(double serial, bool system1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466)
        return QString();
    const qint64 day = static_cast<qint64>(std::floor(serial));
    QDate date;
    if (system1904)
        date = QDate(1904, 1, 1).addDays(day);
    else if (day >= 61)
        date = QDate(1899, 12, 30).addDays(day);
    else if (day >= 1)
        // Before the first of March 1900 the 1900 system counts from the first of
        // January 1900 as day 1 (and has a 29 February 1900 that never was).
        date = QDate(1899, 12, 31).addDays(std::min<qint64>(day, 59));
    else
        return QString();
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

QString SpreadsheetColumnName(int index)
{
    QString name;
    for (int n = index + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

std::unique_ptr<WorkbookReader> WorkbookReader::Open(const QString& path, QString* reason)
{
    if (HasExtension(path, "xlsx")) {
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::ReadOnly)) {
            Fail(reason, QStringLiteral("cannot open the file"));
            return nullptr;
        }
        auto reader = std::make_unique<XlsxReader>(std::move(file));
        if (!reader->load(reason))
            return nullptr;
        return reader;
    }
    if (HasExtension(path, "xls")) {
        auto reader = std::make_unique<XlsReader>();
        if (!reader->load(path, reason))
            return nullptr;
        return reader;
    }
    Fail(reason, QStringLiteral("not a workbook extension"));
    return nullptr;
}

std::unique_ptr<WorkbookReader> WorkbookReader::OpenBytes(const QByteArray& bytes, bool xlsx,
                                                          QString* reason)
{
    if (xlsx) {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(bytes);
        buffer->open(QIODevice::ReadOnly);
        auto reader = std::make_unique<XlsxReader>(std::move(buffer));
        if (!reader->load(reason))
            return nullptr;
        return reader;
    }
    // The reading program reads files only: the copy lives as long as the reader.
    auto file =
        std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/workbook-XXXXXX.xls"));
    if (!file->open() || file->write(bytes) != bytes.size() || !file->flush()) {
        Fail(reason, QStringLiteral("cannot write a temporary file"));
        return nullptr;
    }
    auto reader = std::make_unique<XlsReader>();
    const QString path = file->fileName();
    if (!reader->load(path, reason, std::move(file)))
        return nullptr;
    return reader;
}
