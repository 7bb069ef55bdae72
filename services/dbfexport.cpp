#include "dbfexport.h"

#include "dataset.h"
#include "persiantext.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <array>
#include <iconv.h>
#include <shapefil.h>

namespace {

// The upper half (0x80-0xFF) of the Arabic DOS code page 720; 0 where the code page
// has no character.
constexpr std::array<char16_t, 128> kCodePage720 = {
    // 0x80
    0, 0, 0x00E9, 0x00E2, 0, 0x00E0, 0, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0, 0, 0,
    // 0x90
    0, 0x0651, 0x0652, 0x00F4, 0x00A4, 0x0640, 0x00FB, 0x00F9, 0x0621, 0x0622, 0x0623, 0x0624,
    0x00A3, 0x0625, 0x0626, 0x0627,
    // 0xA0
    0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F, 0x0630, 0x0631, 0x0632, 0x0633,
    0x0634, 0x0635, 0x00AB, 0x00BB,
    // 0xB0
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510,
    // 0xC0
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566,
    0x2560, 0x2550, 0x256C, 0x2567,
    // 0xD0
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588,
    0x2584, 0x258C, 0x2590, 0x2580,
    // 0xE0
    0x0636, 0x0637, 0x0638, 0x0639, 0x063A, 0x0641, 0x00B5, 0x0642, 0x0643, 0x0644, 0x0645, 0x0646,
    0x0647, 0x0648, 0x0649, 0x064A,
    // 0xF0
    0x2261, 0x064B, 0x064C, 0x064D, 0x064E, 0x064F, 0x0650, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A,
    0x207F, 0x00B2, 0x25A0, 0x00A0};

using Encoding = QHash<char16_t, char>;

Encoding InverseOf(const std::array<char16_t, 128>& upperHalf)
{
    Encoding encoding;
    for (size_t i = 0; i < upperHalf.size(); ++i)
        if (upperHalf[i] != 0)
            encoding.insert(upperHalf[i], char(0x80 + i));
    return encoding;
}

// The upper half of Windows 1256 as the system's converter knows it.
std::array<char16_t, 128> CodePage1256()
{
    std::array<char16_t, 128> upper{};
    iconv_t cd = iconv_open("UTF-16LE", "CP1256");
    if (cd == iconv_t(-1))
        return upper;
    for (size_t i = 0; i < upper.size(); ++i) {
        char in = char(0x80 + i);
        char out[4] = {};
        char* inPtr = &in;
        char* outPtr = out;
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) && outLeft == 2)
            upper[i] = char16_t(uchar(out[0]) | (uchar(out[1]) << 8));
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return upper;
}

const Encoding& EncodingOf(const QString& mode)
{
    static const Encoding dos = InverseOf(kCodePage720);
    static const Encoding win = InverseOf(CodePage1256());
    return mode == QStringLiteral("DOS") ? dos : win;
}

// The letter a code page lacking `c` should hold instead; `c` itself when none.
char16_t Folded(char16_t c)
{
    if (c == 0x06CC) // Persian Yeh
        return 0x064A;
    if (c == 0x06A9) // Keheh
        return 0x0643;
    // The four Persian letters an Arabic code page lacks: the letter they are written
    // on, never a question mark.
    if (c == 0x067E) // Peh
        return 0x0628;
    if (c == 0x0686) // Tcheh
        return 0x062C;
    if (c == 0x0698) // Jeh
        return 0x0632;
    if (c == 0x06AF) // Gaf
        return 0x0643;
    // Persian and Arabic-Indic digits as 0-9.
    return LatinDigit(QChar(c)).unicode();
}

QByteArray Encode(const QString& text, const Encoding& encoding)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            bytes += char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        auto found = encoding.constFind(c);
        if (found == encoding.constEnd()) {
            const char16_t folded = Folded(c);
            if (folded < 0x80 && folded != c) {
                bytes += char(folded);
                continue;
            }
            found = encoding.constFind(folded);
        }
        bytes += found != encoding.constEnd() ? *found : '?';
    }
    return bytes;
}

// dBASE field names: ASCII, at most ten characters, unique regardless of case.
QByteArray FieldName(const QString& name, QSet<QByteArray>& taken)
{
    QByteArray base;
    for (const QChar ch : name)
        base += ch.unicode() < 0x80 && (ch.isLetterOrNumber() || ch == QLatin1Char('_'))
                    ? char(ch.unicode())
                    : '_';
    if (base.isEmpty())
        base = "FIELD";
    QByteArray candidate = base.left(10);
    for (int n = 1; taken.contains(candidate.toUpper()); ++n) {
        const QByteArray suffix = '_' + QByteArray::number(n);
        candidate = base.left(10 - suffix.size()) + suffix;
    }
    taken.insert(candidate.toUpper());
    return candidate;
}

struct Column
{
    DBFFieldType type;
    int width;
    int decimals;
};

constexpr int kMaxText = 254;
constexpr int kMaxNumber = 19;
constexpr int kFloatDecimals = 3;

// The dBASE column of each field, its width found from the rows (one pass over them,
// `step` told after each row; false when it asked to stop).
bool ColumnsOf(const DataSet& ds, const Encoding& encoding, std::vector<Column>* columns,
               const std::function<bool()>& step)
{
    for (int f = 0; f < ds.fieldCount(); ++f) {
        const DataField& field = *ds.field(f);
        switch (field.kind()) {
        case DataField::Kind::Integer:
            columns->push_back({FTInteger, 11, 0});
            break;
        case DataField::Kind::Float:
            columns->push_back({FTDouble, kMaxNumber, kFloatDecimals});
            break;
        default:
            columns->push_back({FTString, std::max(field.size(), 1), 0});
            break;
        }
    }
    for (int r = 0; r < ds.recordCount(); ++r) {
        for (int f = 0; f < ds.fieldCount(); ++f) {
            Column& c = (*columns)[size_t(f)];
            if (c.type == FTDouble)
                continue;
            const QVariant v = ds.value(r, f);
            if (c.type == FTInteger)
                c.width = std::max(c.width, int(QString::number(v.toLongLong()).size()));
            else if (!v.isNull())
                c.width = std::max(c.width, int(Encode(v.toString(), encoding).size()));
        }
        if (!step())
            return false;
    }
    for (Column& c : *columns)
        c.width = std::min(c.width, c.type == FTString ? kMaxText : kMaxNumber);
    return true;
}

QString BasePath(const QString& path)
{
    const QFileInfo info(path);
    return info.suffix().isEmpty() ? path
                                   : info.path() + QLatin1Char('/') + info.completeBaseName();
}

} // namespace

QString DbfFilePath(const QString& path)
{
    return BasePath(path) + QStringLiteral(".dbf");
}

QString DbfCodePagePath(const QString& path)
{
    return BasePath(path) + QStringLiteral(".cpg");
}

bool WriteGridDbf(DataSet* dataSet, const QString& path, const QString& mode,
                  const std::function<bool(qint64 done)>& step)
{
    if (dataSet == nullptr || !dataSet->active() || dataSet->fieldCount() == 0)
        return false;
    const QString file = DbfFilePath(path);
    QFile::remove(file);
    QFile::remove(DbfCodePagePath(path));

    const bool dos = mode == QStringLiteral("DOS");
    const Encoding& encoding = EncodingOf(dos ? QStringLiteral("DOS") : QStringLiteral("WIN"));
    // Windows Arabic has a language driver id of its own (0x7E); the DOS page has
    // none, so it is named in the .cpg file.
    DBFHandle dbf = DBFCreateEx(QFile::encodeName(file).constData(), dos ? "720" : "LDID/126");
    if (dbf == nullptr)
        return false;

    // Two passes over the rows: the widths, then the rows.
    qint64 done = 0;
    const auto going = [&step, &done] { return !step || step(++done); };
    QSet<QByteArray> taken;
    std::vector<Column> columns;
    bool ok = ColumnsOf(*dataSet, encoding, &columns, going);
    for (int f = 0; f < dataSet->fieldCount() && ok; ++f) {
        const Column& c = columns[size_t(f)];
        ok = DBFAddField(dbf, FieldName(dataSet->field(f)->fieldName(), taken).constData(), c.type,
                         c.width, c.decimals) >= 0;
    }
    for (int r = 0; r < dataSet->recordCount() && ok; ++r) {
        for (int f = 0; f < dataSet->fieldCount() && ok; ++f) {
            const QVariant v = dataSet->value(r, f);
            const Column& c = columns[size_t(f)];
            if (v.isNull())
                ok = DBFWriteNULLAttribute(dbf, r, f) != 0;
            else if (c.type == FTString)
                ok = DBFWriteStringAttribute(
                         dbf, r, f, Encode(v.toString(), encoding).left(c.width).constData()) != 0;
            else
                ok = DBFWriteDoubleAttribute(dbf, r, f, v.toDouble()) != 0;
        }
        ok = ok && going();
    }
    DBFClose(dbf);
    if (!ok) {
        QFile::remove(file);
        QFile::remove(DbfCodePagePath(path));
    }
    return ok;
}
