#include "labelsheet.h"

#include "chartofaccounts.h"
#include "dbconnection.h"
#include "dialect.h"
#include "persiantext.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QSqlQuery>
#include <QTextOption>
#include <zint.h>

#include <algorithm>
#include <memory>
#include <tuple>

namespace {

constexpr double kMmPerInch = 25.4;

QString Mm(double value)
{
    return QString::number(value, 'f', value == int(value) ? 0 : 1);
}

// A font that has the Persian letters: the application's when it has them, else the
// first installed of those the host program chooses from.
QString LabelFontFamily()
{
    const QString own = QGuiApplication::font().family();
    if (QFontDatabase::writingSystems(own).contains(QFontDatabase::Arabic))
        return own;
    const QStringList installed = QFontDatabase::families();
    for (const char* family :
         {"Tahoma", "Noto Sans Arabic UI", "Noto Sans Arabic", "Nazli", "Noto Naskh Arabic"})
        if (installed.contains(QLatin1String(family)))
            return QLatin1String(family);
    return own;
}

} // namespace

// ---------------------------------------------------------------------------
// The layout

QSizeF TLabelLayout::pageSize() const
{
    if (sheet == Sheet::Roll)
        return QSizeF(labelWidth, labelHeight);
    return QSizeF(kA4Width, kA4Height);
}

QSizeF TLabelLayout::labelSize() const
{
    if (sheet == Sheet::Roll)
        return QSizeF(labelWidth, labelHeight);
    return QSizeF((kA4Width - 2 * marginSide - (kColumns - 1) * gapX) / kColumns,
                  (kA4Height - 2 * marginTop - (kRows - 1) * gapY) / kRows);
}

QRectF TLabelLayout::labelRect(int slot) const
{
    const QSizeF size = labelSize();
    if (sheet == Sheet::Roll)
        return QRectF(QPointF(0, 0), size);
    // Right to left along a row, as the clerk reads.
    const int row = slot / kColumns;
    const int fromRight = slot % kColumns;
    const double right = kA4Width - marginSide - fromRight * (size.width() + gapX);
    return QRectF(right - size.width(), marginTop + row * (size.height() + gapY), size.width(),
                  size.height());
}

int TLabelLayout::pageCount(int labels) const
{
    if (labels <= 0)
        return 0;
    const int skipped = sheet == Sheet::Roll ? 0 : std::max(0, start - 1);
    return (skipped + labels + perPage() - 1) / perPage();
}

QString TLabelLayout::problem() const
{
    const QString least = QStringLiteral(" (کمترين اندازه برچسب ") + Mm(kMinWidth) +
                          QStringLiteral(" × ") + Mm(kMinHeight) + QStringLiteral(" ميليمتر است).");
    const QSizeF size = labelSize();
    if (sheet == Sheet::Roll) {
        if (size.width() < kMinWidth || size.height() < kMinHeight)
            return QStringLiteral("اندازه برچسب رول ") + Mm(size.width()) + QStringLiteral(" × ") +
                   Mm(size.height()) + QStringLiteral(" ميليمتر است و برچسب در آن جا نمي شود") +
                   least;
        return QString();
    }
    if (marginTop < 0 || marginSide < 0 || gapX < 0 || gapY < 0)
        return QStringLiteral("حاشيه ها و فاصله ها نمي توانند منفي باشند.");
    if (size.width() < kMinWidth || size.height() < kMinHeight)
        return QStringLiteral("حاشيه ها و فاصله ها از برگه A4 بزرگترند: براي هر برچسب ") +
               Mm(std::max(0.0, size.width())) + QStringLiteral(" × ") +
               Mm(std::max(0.0, size.height())) + QStringLiteral(" ميليمتر مي ماند") + least;
    if (start < 1 || start > perPage())
        return QStringLiteral("شماره برچسب شروع بايد بين 1 و ") + QString::number(perPage()) +
               QStringLiteral(" باشد.");
    return QString();
}

// ---------------------------------------------------------------------------
// The symbols

// A symbol as libzint draws it: its dark rectangles, in parts of its whole width and
// height (quiet zones included).
struct TLabelSheet::Symbol
{
    std::vector<QRectF> bars;
};

namespace {

struct ZintSymbol
{
    zint_symbol* s = ZBarcode_Create();
    ~ZintSymbol()
    {
        if (s != nullptr)
            ZBarcode_Delete(s);
    }
};

} // namespace

QString LabelCodeText(const QString& storedCode)
{
    return storedCode.trimmed();
}

TLabelSheet::TLabelSheet(const TLabelLayout& layout, const QString& companyName,
                         const QList<TAssetLabel>& labels)
    : m_layout(layout), m_company(companyName.trimmed()), m_labels(labels)
{}

TLabelSheet::~TLabelSheet() = default;

QString TLabelSheet::prepare()
{
    m_prepared = false;
    m_symbols.clear();
    if (const QString problem = m_layout.problem(); !problem.isEmpty())
        return problem;
    if (m_labels.isEmpty())
        return QStringLiteral("رديفي براي چاپ برچسب انتخاب نشده است.");
    const bool qr = m_layout.symbology == TLabelLayout::Symbology::QR;
    const QString kind = qr ? QStringLiteral("QR") : QStringLiteral("Code 128");
    m_which.clear();
    m_which.reserve(size_t(m_labels.size()));
    // One symbol per distinct code: a code printed twice is encoded once.
    QHash<QString, size_t> made;
    for (int i = 0; i < m_labels.size(); ++i) {
        const QString code = LabelCodeText(m_labels.at(i).code);
        if (code.isEmpty())
            return QStringLiteral("رديف ") + QString::number(i + 1) +
                   QStringLiteral(" كد دارايي ندارد؛ برچسبي چاپ نشد.");
        if (const auto found = made.constFind(code); found != made.cend()) {
            m_which.push_back(*found);
            continue;
        }
        ZintSymbol z;
        if (z.s == nullptr)
            return QStringLiteral("براي ساختن بارکد حافظه کافي نيست.");
        z.s->symbology = qr ? BARCODE_QRCODE : BARCODE_CODE128;
        z.s->input_mode = UNICODE_MODE;
        z.s->show_hrt = 0;
        z.s->output_options |= BARCODE_QUIET_ZONES;
        const QByteArray data = code.toUtf8();
        int result = ZBarcode_Encode(z.s, reinterpret_cast<const unsigned char*>(data.constData()),
                                     int(data.size()));
        if (result < ZINT_ERROR)
            result = ZBarcode_Buffer_Vector(z.s, 0);
        if (result >= ZINT_ERROR || z.s->vector == nullptr || z.s->vector->width <= 0 ||
            z.s->vector->height <= 0)
            return QStringLiteral("كد دارايي «") + code + QStringLiteral("» (رديف ") +
                   QString::number(i + 1) + QStringLiteral(") را نمي توان به صورت بارکد ") + kind +
                   QStringLiteral(" چاپ کرد: ") + LeftToRightRun(QString::fromLatin1(z.s->errtxt)) +
                   QStringLiteral("؛ برچسبي چاپ نشد.");
        Symbol symbol;
        const double w = z.s->vector->width;
        const double h = z.s->vector->height;
        for (const zint_vector_rect* r = z.s->vector->rectangles; r != nullptr; r = r->next)
            if (r->colour == -1)
                symbol.bars.emplace_back(r->x / w, r->y / h, r->width / w, r->height / h);
        made.insert(code, m_symbols.size());
        m_which.push_back(m_symbols.size());
        m_symbols.push_back(std::move(symbol));
    }
    m_prepared = true;
    return QString();
}

void TLabelSheet::setUpDevice(QPagedPaintDevice* device) const
{
    device->setPageLayout(QPageLayout(QPageSize(m_layout.pageSize(), QPageSize::Millimeter),
                                      QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                      QPageLayout::Millimeter));
}

namespace {

// A line of text in `box`, in a font as tall as the box allows, made smaller (down to
// two thirds) to fit its width and cut with "..." when it still does not.
void DrawLine(QPainter& painter, const QRectF& box, const QString& text, bool bold,
              Qt::Alignment align, Qt::LayoutDirection direction)
{
    if (text.isEmpty() || box.height() <= 0 || box.width() <= 0)
        return;
    QFont font = painter.font();
    font.setBold(bold);
    double pixels = box.height() * 0.72;
    font.setPixelSize(std::max(1, int(pixels)));
    QFontMetricsF metrics(font, painter.device());
    const double wide = metrics.horizontalAdvance(text);
    if (wide > box.width()) {
        pixels = std::max(pixels * 2 / 3, pixels * box.width() / wide);
        font.setPixelSize(std::max(1, int(pixels)));
        metrics = QFontMetricsF(font, painter.device());
    }
    const QString shown = metrics.elidedText(text, Qt::ElideRight, box.width());
    QTextOption option(align | Qt::AlignVCenter | Qt::AlignAbsolute);
    option.setTextDirection(direction);
    option.setWrapMode(QTextOption::NoWrap);
    painter.setFont(font);
    painter.drawText(box, shown, option);
}

// Text in `box` in lines `pixels` tall, broken between words, clipped to the box: the
// QR label's texts beside the square.
void DrawWrapped(QPainter& painter, const QRectF& box, const QString& text, bool bold,
                 double pixels)
{
    if (text.isEmpty() || box.height() <= 0 || box.width() <= 0)
        return;
    QFont font = painter.font();
    font.setBold(bold);
    font.setPixelSize(std::max(1, int(pixels)));
    QTextOption option(Qt::AlignRight | Qt::AlignTop | Qt::AlignAbsolute);
    option.setTextDirection(Qt::RightToLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    painter.save();
    painter.setClipRect(box);
    painter.setFont(font);
    painter.drawText(box, text, option);
    painter.restore();
}

} // namespace

// A Code 128 label: the company on top, the name and the place, the bars, the code.
// A QR label: the square on the left with the code under it, the texts on the right.
void TLabelSheet::paintLabel(QPainter& painter, const QRectF& area, int index) const
{
    const TAssetLabel& label = m_labels.at(index);
    const Symbol& symbol = m_symbols.at(m_which.at(size_t(index)));
    const double pad = std::min(area.width(), area.height()) * 0.06;
    const QRectF inner = area.adjusted(pad, pad, -pad, -pad);
    const QString code = LabelCodeText(label.code);
    const QString place = label.place.trimmed().isEmpty()
                              ? QString()
                              : QStringLiteral("مکان: ") + label.place.trimmed();

    QRectF bars;
    QRectF digits;
    if (m_layout.symbology == TLabelLayout::Symbology::Code128) {
        const double h = inner.height();
        double y = inner.top();
        const auto line = [&](double part) {
            const QRectF box(inner.left(), y, inner.width(), h * part);
            y += h * part;
            return box;
        };
        DrawLine(painter, line(0.17), m_company, true, Qt::AlignHCenter, Qt::RightToLeft);
        DrawLine(painter, line(0.17), label.name.trimmed(), false, Qt::AlignHCenter,
                 Qt::RightToLeft);
        DrawLine(painter, line(0.14), place, false, Qt::AlignHCenter, Qt::RightToLeft);
        // The bars, quiet zones included, over the label's width.
        bars = line(0.38);
        digits = line(0.14);
    } else {
        const double textH = inner.height() * 0.2;
        const double side = std::min(inner.height() - textH, inner.width() * 0.45);
        bars = QRectF(inner.left(), inner.top(), side, side);
        digits = QRectF(inner.left(), inner.top() + side, side, textH);
        const QRectF texts(inner.left() + side + pad, inner.top(), inner.width() - side - pad,
                           inner.height());
        // Company, name and place, each up to two lines of one size.
        const double third = texts.height() / 3;
        const double pixels = std::min(third / 2.6, inner.height() * 0.12);
        for (const auto& [part, text, bold] :
             {std::tuple{0, m_company, true}, std::tuple{1, label.name.trimmed(), false},
              std::tuple{2, place, false}})
            DrawWrapped(painter,
                        QRectF(texts.left(), texts.top() + part * third, texts.width(), third),
                        text, bold, pixels);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const QRectF& bar : symbol.bars)
        painter.drawRect(QRectF(bars.left() + bar.x() * bars.width(),
                                bars.top() + bar.y() * bars.height(), bar.width() * bars.width(),
                                bar.height() * bars.height()));
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    DrawLine(painter, digits, code, false, Qt::AlignHCenter, Qt::LeftToRight);
}

bool TLabelSheet::paint(QPagedPaintDevice* device, const std::function<bool(int)>& step)
{
    if (!m_prepared || device == nullptr)
        return false;
    QPainter painter;
    if (!painter.begin(device))
        return false;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setLayoutDirection(Qt::RightToLeft);
    QFont font(LabelFontFamily());
    painter.setFont(font);
    // Millimetres on the device: the painter draws in them, the fonts in the device's
    // pixels, each text's size set from its box.
    const double dpmX = device->logicalDpiX() / kMmPerInch;
    const double dpmY = device->logicalDpiY() / kMmPerInch;
    const auto onDevice = [&](const QRectF& mm) {
        return QRectF(mm.x() * dpmX, mm.y() * dpmY, mm.width() * dpmX, mm.height() * dpmY);
    };
    const int perPage = m_layout.perPage();
    int slot = m_layout.sheet == TLabelLayout::Sheet::Roll ? 0 : m_layout.start - 1;
    for (int i = 0; i < m_labels.size(); ++i) {
        if (slot == perPage) {
            if (step && !step(i))
                return false;
            if (!device->newPage())
                return false;
            slot = 0;
        }
        paintLabel(painter, onDevice(m_layout.labelRect(slot)), i);
        ++slot;
    }
    const bool ended = painter.end();
    if (step && !step(int(m_labels.size())))
        return false;
    return ended;
}

// ---------------------------------------------------------------------------
// What the labels say

void FillFromRegister(DbConnection& db, QList<TAssetLabel>& labels)
{
    // The codes as the register keeps them (right-aligned to the column's width):
    // looked up by its key, a chunk of codes a statement.
    const int width =
        db.dialect().columnWidth(QStringLiteral("D_Amval"), QStringLiteral("DaraCod"));
    QHash<QString, QList<int>> wanted;
    for (int i = 0; i < labels.size(); ++i) {
        const TAssetLabel& l = labels.at(i);
        if (!l.name.trimmed().isEmpty() && !l.place.trimmed().isEmpty())
            continue;
        const QString code = LabelCodeText(l.code);
        if (!code.isEmpty())
            wanted[WidenCode(QStringLiteral("DaraCod"), code, width)] << i;
    }
    constexpr int kChunk = 200;
    const QStringList codes = wanted.keys();
    for (int from = 0; from < codes.size(); from += kChunk) {
        const QStringList part = codes.mid(from, kChunk);
        QVariantList values;
        for (const QString& c : part)
            values << c;
        QString marks = QStringLiteral("?");
        for (int k = 1; k < part.size(); ++k)
            marks += QStringLiteral(", ?");
        QSqlQuery q = db.select(
            QStringLiteral("SELECT A.DaraCod, A.DaraNam, M.MakanNam FROM D_Amval AS A LEFT JOIN "
                           "D_Makan AS M ON M.MakanCod = A.MakanCod WHERE A.DaraCod IN (") +
                marks + QLatin1Char(')'),
            values);
        while (q.next()) {
            const QString name = q.value(1).toString().trimmed();
            const QString place = q.value(2).toString().trimmed();
            for (const int i : wanted.value(q.value(0).toString())) {
                TAssetLabel& l = labels[i];
                if (l.name.trimmed().isEmpty())
                    l.name = name;
                if (l.place.trimmed().isEmpty())
                    l.place = place;
            }
        }
    }
}

QString LabelCompanyName(DbConnection& db, const QString& optionsCode)
{
    QSqlQuery q =
        db.select(QStringLiteral("SELECT CompanyNam FROM Options WHERE sCode = ?"), {optionsCode});
    return q.next() ? q.value(0).toString().trimmed() : QString();
}
