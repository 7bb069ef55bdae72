#include "appearance.h"

#include "context/captionpanel.h"
#include "context/userplaces.h"
#include "dataset.h"
#include "dbgrid.h"
#include "hostcontext.h"
#include "messages.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QSet>
#include <QStringDecoder>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>

#include <initializer_list>

namespace {

// The classic desktop palette of the system colours, by their index in the window
// system's colour table (the low byte of 0xFF0000nn).
struct SystemColor
{
    const char* name;
    int index;
    QRgb rgb;
};

constexpr SystemColor kSystemColors[] = {
    {"clScrollBar", 0, 0xC8C8C8},
    {"clBackground", 1, 0x000000},
    {"clActiveCaption", 2, 0x99B4D1},
    {"clInactiveCaption", 3, 0xBFCDDB},
    {"clMenu", 4, 0xF0F0F0},
    {"clWindow", 5, 0xFFFFFF},
    {"clWindowFrame", 6, 0x646464},
    {"clMenuText", 7, 0x000000},
    {"clWindowText", 8, 0x000000},
    {"clCaptionText", 9, 0x000000},
    {"clActiveBorder", 10, 0xB4B4B4},
    {"clInactiveBorder", 11, 0xF4F7FC},
    {"clAppWorkSpace", 12, 0xABABAB},
    {"clHighlight", 13, 0x0078D7},
    {"clHighlightText", 14, 0xFFFFFF},
    {"clBtnFace", 15, 0xF0F0F0},
    {"clBtnShadow", 16, 0xA0A0A0},
    {"clGrayText", 17, 0x6D6D6D},
    {"clBtnText", 18, 0x000000},
    {"clInactiveCaptionText", 19, 0x000000},
    {"clBtnHighlight", 20, 0xFFFFFF},
    {"cl3DDkShadow", 21, 0x696969},
    {"cl3DLight", 22, 0xE3E3E3},
    {"clInfoText", 23, 0x000000},
    {"clInfoBk", 24, 0xFFFFE1},
    {"clHotLight", 26, 0x0066CC},
    {"clGradientActiveCaption", 27, 0xB9D1EA},
    {"clGradientInactiveCaption", 28, 0xD7E4F2},
    {"clMenuHighlight", 29, 0x3399FF},
    {"clMenuBar", 30, 0xF0F0F0},
};

struct NamedColor
{
    const char* name;
    QRgb rgb;
};

constexpr NamedColor kNamedColors[] = {
    {"clBlack", 0x000000},      {"clMaroon", 0x800000},  {"clGreen", 0x008000},
    {"clOlive", 0x808000},      {"clNavy", 0x000080},    {"clPurple", 0x800080},
    {"clTeal", 0x008080},       {"clGray", 0x808080},    {"clSilver", 0xC0C0C0},
    {"clRed", 0xFF0000},        {"clLime", 0x00FF00},    {"clYellow", 0xFFFF00},
    {"clBlue", 0x0000FF},       {"clFuchsia", 0xFF00FF}, {"clAqua", 0x00FFFF},
    {"clLtGray", 0xC0C0C0},     {"clDkGray", 0x808080},  {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xA6CAF0}, {"clCream", 0xFFFBF0},
    {"clMedGray", 0xA0A0A4},
};

// The library's two colour values that stand for "no colour of its own".
constexpr quint32 kClNone = 0x1FFFFFFF;
constexpr quint32 kClDefault = 0x20000000;

const QHash<QString, QColor>& ColorNames()
{
    static const QHash<QString, QColor> names = [] {
        QHash<QString, QColor> h;
        for (const NamedColor& c : kNamedColors)
            h.insert(QString::fromLatin1(c.name).toLower(), QColor(c.rgb));
        for (const SystemColor& c : kSystemColors)
            h.insert(QString::fromLatin1(c.name).toLower(), QColor(c.rgb));
        h.insert(QStringLiteral("clnone"), QColor());
        h.insert(QStringLiteral("cldefault"), QColor());
        return h;
    }();
    return names;
}

// A colour number: 0x00BBGGRR (0x02 in the high byte asks for the nearest palette
// entry, which is the same colour here), a system colour 0xFF0000nn, or clNone /
// clDefault.
bool NumberToColor(quint32 value, QColor* color)
{
    if (value == kClNone || value == kClDefault) {
        *color = QColor();
        return true;
    }
    const quint32 high = value >> 24;
    if (high == 0x00 || high == 0x02) {
        *color = QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
        return true;
    }
    if (high == 0xFF && (value & 0x00FFFF00) == 0) {
        for (const SystemColor& c : kSystemColors) {
            if (quint32(c.index) == (value & 0xFF)) {
                *color = QColor(c.rgb);
                return true;
            }
        }
    }
    return false;
}

// A colour file is a few hundred bytes; one beyond this is not a colour file, and
// reading and checking it would only hold the window up.
constexpr qint64 kMaxColorFileSize = 1024 * 1024;

// A value that is not a colour is quoted in the message only this long: the message
// window lays out every character it is given.
constexpr qsizetype kMaxQuotedValue = 40;

// The text of an ini file saved by any editor: UTF-8 with or without a mark,
// UTF-16 with a mark, or a single-byte code page (the keys and colour values are
// ASCII either way). False when the bytes are not text at all: a NUL character
// (binary data, or UTF-16 without its mark) or broken UTF-16.
bool DecodeIniText(const QByteArray& bytes, QString* text)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE);
        *text = utf16(bytes.mid(2));
        return !utf16.hasError() && !text->contains(QChar(0));
    }
    if (bytes.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    *text = utf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (utf8.hasError())
        *text = QString::fromLatin1(bytes);
    return true;
}

// The user's own copy when there is one, else the one the program ships.
QString ColorFilePath(const QString& appPath)
{
    return UserFileToRead(appPath, QStringLiteral("OptionsColor.ini"));
}

// Why the colour file as a whole was not used, for the message that says so.
QString UnreadableFileProblem(const QString& path, const QString& reason)
{
    return QStringLiteral("فايل رنگها %1 قابل خواندن نيست%2؛ همه رنگها پيش فرض به كار رفت.")
        .arg(LeftToRightRun(QDir::toNativeSeparators(path)), reason);
}

// The entries of one section, keys upper-cased. As the window system's own ini
// reader does, section and key names ignore case, the first entry of a key wins,
// and one pair of quotes around a value is taken off. A missing file has no entries;
// a file that is there but too big, not readable or not text has none either, and
// `problem` says why.
QHash<QString, QString> ReadIniSection(const QString& path, const QString& section,
                                       QString* problem)
{
    QHash<QString, QString> entries;
    QFile file(path);
    if (!file.exists())
        return entries;
    if (file.size() > kMaxColorFileSize) {
        *problem = UnreadableFileProblem(
            path,
            QStringLiteral(" (اندازه آن %1 بايت است و از 1 مگابايت بيشتر است)").arg(file.size()));
        return entries;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = UnreadableFileProblem(path, QString());
        return entries;
    }
    // Read no more than the limit even if the file grew since its size was asked.
    const QByteArray bytes = file.read(kMaxColorFileSize + 1);
    QString text;
    if (bytes.size() > kMaxColorFileSize || !DecodeIniText(bytes, &text)) {
        *problem = UnreadableFileProblem(path, bytes.size() > kMaxColorFileSize
                                                   ? QStringLiteral(" (بيش از 1 مگابايت است)")
                                                   : QStringLiteral(" (متن نيست)"));
        return entries;
    }
    bool inSection = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QStringView name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed().toString().toUpper();
        QStringView value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        if (!key.isEmpty() && !entries.contains(key))
            entries.insert(key, value.toString());
    }
    return entries;
}

// A value as the message quotes it: whole when short, else its beginning and "...",
// never splitting a character in two.
QString QuotedValue(const QString& value)
{
    if (value.size() <= kMaxQuotedValue)
        return value;
    qsizetype keep = kMaxQuotedValue - 3;
    if (value.at(keep - 1).isHighSurrogate())
        --keep;
    return value.left(keep) + QStringLiteral("...");
}

// The colour file as last read, and what it looked like then: a window that opens
// after it reads the file again only when its size or time of change differ.
struct ColorFileCache
{
    QString path;
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;
    ColorOptions options;
    QStringList problems;
    bool filled = false;
};

const ColorFileCache& CachedColorOptions(const QString& appPath)
{
    static ColorFileCache cache;
    const QString path = ColorFilePath(appPath);
    const QFileInfo info(path);
    const bool exists = info.exists();
    const qint64 size = exists ? info.size() : -1;
    const QDateTime modified = exists ? info.lastModified() : QDateTime();
    if (cache.filled && cache.path == path && cache.exists == exists && cache.size == size &&
        cache.modified == modified)
        return cache;
    cache.path = path;
    cache.exists = exists;
    cache.size = size;
    cache.modified = modified;
    cache.problems.clear();
    cache.options = ReadColorOptions(appPath, &cache.problems);
    cache.filled = true;
    return cache;
}

// Problems already shown: a bad value is told once, not on every window opened.
QSet<QString>& ReportedProblems()
{
    static QSet<QString> reported;
    return reported;
}

void ReportOnce(const QStringList& problems)
{
    QStringList fresh;
    for (const QString& problem : problems) {
        if (!ReportedProblems().contains(problem)) {
            ReportedProblems().insert(problem);
            fresh << problem;
        }
    }
    if (!fresh.isEmpty())
        ShowMessageDlg(fresh.join(QLatin1Char('\n')), QString(), QStringLiteral("1ER"));
}

// Sets the given roles of a widget's palette, leaving its other roles as they are.
// An invalid colour (clNone, clDefault) leaves that role alone.
void SetColors(QWidget* widget,
               std::initializer_list<std::pair<QPalette::ColorRole, QColor>> colors)
{
    QPalette palette = widget->palette();
    bool changed = false;
    for (const auto& [role, color] : colors) {
        if (color.isValid()) {
            palette.setColor(role, color);
            changed = true;
        }
    }
    if (changed)
        widget->setPalette(palette);
}

void FillWith(QWidget* widget, const QColor& color)
{
    if (!color.isValid())
        return;
    SetColors(widget, {{QPalette::Window, color}});
    widget->setAutoFillBackground(true);
}

bool IsCaptionPanel(const QWidget* widget)
{
    return widget != nullptr && widget->objectName() == QLatin1String("Caption_Panel");
}

bool IsCaptionShape(const QWidget* widget)
{
    const QString name = widget->objectName();
    return name == QLatin1String("Close_Shape") || name == QLatin1String("Min_Shape") ||
           name == QLatin1String("Sys_Shape") || name == QLatin1String("Cond_Shape");
}

// The editor inside a spin box, a combo box or a grid cell belongs to that control.
bool IsInnerEditor(const QLineEdit* edit)
{
    for (const QWidget* p = edit->parentWidget(); p != nullptr && !p->isWindow();
         p = p->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p) ||
            qobject_cast<const QAbstractItemView*>(p))
            return true;
    }
    return false;
}

// A column is read-only when it says so or when its field does.
bool ColumnReadOnly(DbGrid* grid, const DbGridColumn& column)
{
    if (column.readOnly)
        return true;
    const DataSet* ds = grid->dataSet();
    const DataField* field =
        ds != nullptr && !column.fieldName.isEmpty() ? ds->findField(column.fieldName) : nullptr;
    return field != nullptr && field->readOnly();
}

void ColourCaptionPanel(QWidget* panel, const ColorOptions& c)
{
    FillWith(panel, c.CaptionBColor);
    SetColors(panel,
              {{QPalette::WindowText, c.CaptionFColor}, {QPalette::ButtonText, c.CaptionFColor}});
    // Its title: a label of its own palette would keep its designed colour.
    for (QLabel* title : panel->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        SetColors(title, {{QPalette::WindowText, c.CaptionFColor}});
}

void ColourGrid(DbGrid* grid, const ColorOptions& c)
{
    SetColors(grid, {{QPalette::Base, c.GridTextBAColor}, {QPalette::Text, c.GridTextFAColor}});
    // The fixed area: the title row and the row indicator.
    for (QHeaderView* header : {grid->horizontalHeader(), grid->verticalHeader()})
        SetColors(header, {{QPalette::Button, c.GridCaptionBAColor},
                           {QPalette::Window, c.GridCaptionBAColor},
                           {QPalette::ButtonText, c.GridCaptionFAColor},
                           {QPalette::WindowText, c.GridCaptionFAColor}});
    for (int i = 0; i < grid->columnCountOfGrid(); ++i) {
        DbGridColumn& column = grid->column(i);
        if (!ColumnReadOnly(grid, column))
            continue;
        column.color = c.GridTextBRColor;
        column.fontColor = c.GridTextFRColor;
        column.titleColor = c.GridCaptionBRColor;
        column.titleFontColor = c.GridCaptionFRColor;
    }
    grid->applyColumns();
}

} // namespace

QColor StringToColor(const QString& text, bool* ok)
{
    const QString t = text.trimmed();
    QColor color;
    bool good = false;
    const auto named = ColorNames().constFind(t.toLower());
    if (named != ColorNames().constEnd()) {
        color = *named;
        good = true;
    } else {
        // "$", "0x" and "x" start a hexadecimal number; otherwise it is decimal and may
        // be negative (system colours read as signed numbers).
        qint64 value = 0;
        bool parsed = false;
        if (t.startsWith(QLatin1Char('$')))
            value = t.mid(1).toLongLong(&parsed, 16);
        else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            value = t.mid(2).toLongLong(&parsed, 16);
        else if (t.startsWith(QLatin1Char('x'), Qt::CaseInsensitive))
            value = t.mid(1).toLongLong(&parsed, 16);
        else
            value = t.toLongLong(&parsed, 10);
        // The hexadecimal digits must be plain digits: no second sign or prefix.
        if (parsed && t.contains(QLatin1Char('-')) && !t.startsWith(QLatin1Char('-')))
            parsed = false;
        if (parsed && value >= -0x80000000LL && value <= 0xFFFFFFFFLL)
            good = NumberToColor(quint32(value & 0xFFFFFFFFLL), &color);
    }
    if (ok != nullptr)
        *ok = good;
    return good ? color : QColor();
}

ColorOptions::ColorOptions()
{
    for (const Key& key : Keys())
        this->*key.member = StringToColor(QString::fromLatin1(key.defaultText));
}

const QList<ColorOptions::Key>& ColorOptions::Keys()
{
    static const QList<Key> keys = {
        {"DialogColor", "clBtnFace", &ColorOptions::DialogColor},
        {"CaptionBColor", "clHighlight", &ColorOptions::CaptionBColor},
        {"CaptionFColor", "clWhite", &ColorOptions::CaptionFColor},
        {"TextABColor", "clWhite", &ColorOptions::TextABColor},
        {"TextAFColor", "clBlack", &ColorOptions::TextAFColor},
        {"TextEBColor", "clBtnFace", &ColorOptions::TextEBColor},
        {"TextEFColor", "clBlack", &ColorOptions::TextEFColor},
        {"LabelColor", "clBlack", &ColorOptions::LabelColor},
        {"GridTextBAColor", "0x00E1FFFF", &ColorOptions::GridTextBAColor},
        {"GridTextBRColor", "0x009C7863", &ColorOptions::GridTextBRColor},
        {"GridTextBSColor", "0x00E1FFFF", &ColorOptions::GridTextBSColor},
        {"GridTextFAColor", "clBlack", &ColorOptions::GridTextFAColor},
        {"GridTextFRColor", "clYellow", &ColorOptions::GridTextFRColor},
        {"GridTextFSColor", "clBlack", &ColorOptions::GridTextFSColor},
        {"GridCaptionBAColor", "clBtnFace", &ColorOptions::GridCaptionBAColor},
        {"GridCaptionBRColor", "clBtnFace", &ColorOptions::GridCaptionBRColor},
        {"GridCaptionBSColor", "clBtnFace", &ColorOptions::GridCaptionBSColor},
        {"GridCaptionFAColor", "clBlack", &ColorOptions::GridCaptionFAColor},
        {"GridCaptionFRColor", "clBlack", &ColorOptions::GridCaptionFRColor},
        {"GridCaptionFSColor", "clRed", &ColorOptions::GridCaptionFSColor},
        {"HintColor", "clYellow", &ColorOptions::HintColor},
    };
    return keys;
}

ColorOptions ReadColorOptions(const QString& appPath, QStringList* problems)
{
    ColorOptions options;
    QString fileProblem;
    const QHash<QString, QString> entries =
        ReadIniSection(ColorFilePath(appPath), QStringLiteral("Color"), &fileProblem);
    if (!fileProblem.isEmpty()) {
        if (problems != nullptr)
            *problems << fileProblem;
        return options;
    }
    for (const ColorOptions::Key& key : ColorOptions::Keys()) {
        const QString name = QString::fromLatin1(key.name);
        const QString value = entries.value(name.toUpper());
        // A key written without a value is as good as a missing one.
        if (value.isEmpty())
            continue;
        bool ok = false;
        const QColor color = StringToColor(value, &ok);
        if (ok) {
            options.*key.member = color;
        } else if (problems != nullptr) {
            *problems << QStringLiteral("رنگ \"%1\" براي %2 در فايل OptionsColor.ini معتبر "
                                        "نيست؛ رنگ پيش فرض %3 به كار رفت.")
                             .arg(QuotedValue(value), name, QString::fromLatin1(key.defaultText));
        }
    }
    return options;
}

std::pair<QColor, QColor> ApplyColorOptions(QWidget* window)
{
    // A copy: the message below runs a modal loop in which another window may open
    // and read the file anew.
    const ColorFileCache file = CachedColorOptions(Global != nullptr ? Global->AppPath : QString());
    ReportOnce(file.problems);
    const ColorOptions& c = file.options;
    const std::pair<QColor, QColor> result{c.GridCaptionFRColor, c.GridCaptionFSColor};
    if (window == nullptr)
        return result;

    FillWith(window, c.DialogColor);
    SetColors(window, {{QPalette::WindowText, c.LabelColor}});
    if (c.HintColor.isValid()) {
        QPalette hint = QToolTip::palette();
        hint.setColor(QPalette::ToolTipBase, c.HintColor);
        QToolTip::setPalette(hint);
    }

    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (IsCaptionPanel(widget)) {
            ColourCaptionPanel(widget, c);
        } else if (IsCaptionShape(widget)) {
            FillWith(widget, c.CaptionBColor);
        } else if (auto* grid = qobject_cast<DbGrid*>(widget)) {
            ColourGrid(grid, c);
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (IsInnerEditor(edit))
                continue;
            if (edit->isReadOnly())
                SetColors(edit, {{QPalette::Base, c.TextABColor}, {QPalette::Text, c.TextAFColor}});
            else
                SetColors(edit, {{QPalette::Base, c.TextEBColor}, {QPalette::Text, c.TextEFColor}});
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            // The caption's own labels took the caption colours.
            if (!IsCaptionPanel(label->parentWidget()))
                SetColors(label, {{QPalette::WindowText, c.LabelColor}});
        }
    }
    return result;
}

void SetRoundWindow(QWidget* window, int width)
{
    if (window == nullptr || width <= 0)
        return;
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width, width), 10, 20);
    window->setMask(QRegion(path.toFillPolygon().toPolygon()));
    window->update();
}

int FrameWidth(bool maximised, QWidget* window)
{
    if (window == nullptr)
        return 0;
    if (maximised && window->isWindow() && window->screen() != nullptr)
        return window->screen()->geometry().width();
    return window->width();
}

void PlaceCaptionButtons(int width, QWidget* closeShape, QWidget* minShape, QWidget* sysShape,
                         QWidget* condShape, QAbstractButton* closeButton,
                         QAbstractButton* minButton, QAbstractButton* sysButton,
                         QAbstractButton* condButton)
{
    auto placeX = [](QWidget* w, int x) {
        if (w != nullptr)
            w->move(x, w->y());
    };
    // Each shape stands 2 pixels left of the button before it; its button lies one
    // pixel inside it.
    int previousButtonLeft = 0;
    auto place = [&](QWidget* shape, QAbstractButton* button, int shapeLeft) {
        placeX(shape, shapeLeft);
        placeX(button, shapeLeft + 1);
        previousButtonLeft = button != nullptr ? button->x() : shapeLeft + 1;
    };
    if (closeShape != nullptr)
        place(closeShape, closeButton, width - closeShape->width() - 10);
    if (minShape != nullptr)
        place(minShape, minButton, previousButtonLeft - minShape->width() - 2);
    if (sysShape != nullptr)
        place(sysShape, sysButton, previousButtonLeft - sysShape->width() - 2);
    if (condShape != nullptr)
        place(condShape, condButton, previousButtonLeft - condShape->width() - 2);
}

std::pair<QColor, QColor> LayoutWindowFrame(bool maximised, QWidget* window, QWidget* closeShape,
                                            QWidget* minShape, QWidget* sysShape,
                                            QWidget* condShape, QAbstractButton* closeButton,
                                            QAbstractButton* minButton, QAbstractButton* sysButton,
                                            QAbstractButton* condButton)
{
    const int width = FrameWidth(maximised, window);
    SetRoundWindow(window, width);
    const std::pair<QColor, QColor> colours = ApplyColorOptions(window);
    PlaceCaptionButtons(width, closeShape, minShape, sysShape, condShape, closeButton, minButton,
                        sysButton, condButton);
    return colours;
}

bool DragByCaption(QWidget* window)
{
    if (window == nullptr || !window->isWindow())
        return false;
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    QWindow* handle = window->windowHandle();
    return handle != nullptr && handle->startSystemMove();
}

CaptionedDialog FrameCaptionedDialog(QDialog* dialog, const QString& caption,
                                     const QMargins& clientMargins)
{
    dialog->setWindowTitle(caption);
    dialog->setLayoutDirection(Qt::RightToLeft);
    dialog->setModal(true);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    CaptionedDialog parts;
    parts.panel = new TCaptionPanel(dialog);
    parts.panel->setCaption(caption);
    parts.close = parts.panel->addCloseButton();
    parts.closeShape = parts.panel->shape(QStringLiteral("Close_Shape"));
    parts.panel->dragHandler = DragByCaption;
    QObject::connect(parts.close, &QToolButton::clicked, dialog, &QDialog::reject);
    layout->addWidget(parts.panel);

    parts.client = new QWidget(dialog);
    parts.clientLayout = new QVBoxLayout(parts.client);
    parts.clientLayout->setContentsMargins(clientMargins);
    layout->addWidget(parts.client, 1);
    return parts;
}
