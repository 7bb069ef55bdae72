#pragma once

#include <QChar>
#include <QString>

// What a Persian keyboard types, brought to the form the stored texts use.

// A Persian (۰-۹) or Arabic-Indic (٠-٩) digit as the digit 0-9; any other character
// as it is. Codes, numbers and amounts are stored with the digits 0-9.
inline QChar LatinDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x06F0 && u <= 0x06F9)
        return QChar(u'0' + (u - 0x06F0));
    if (u >= 0x0660 && u <= 0x0669)
        return QChar(u'0' + (u - 0x0660));
    return c;
}

inline QString LatinDigits(QString text)
{
    for (QChar& c : text)
        c = LatinDigit(c);
    return text;
}

// The form two texts are compared in when the user searches: digits 0-9, the Arabic
// Kaf and Yeh that stored names use for the Persian ک and ی (and ى), lower case.
inline QString SearchForm(const QString& text)
{
    QString folded = LatinDigits(text);
    for (QChar& c : folded) {
        switch (c.unicode()) {
        case 0x06A9: // ک
            c = QChar(0x0643);
            break;
        case 0x06CC: // ی
        case 0x0649: // ى
            c = QChar(0x064A);
            break;
        default:
            break;
        }
    }
    return folded.toLower();
}

// A path, a file name or another Latin text inside a Persian sentence, kept as one
// left-to-right run (LEFT-TO-RIGHT ISOLATE ... POP DIRECTIONAL ISOLATE) so that it
// reads as written.
inline QString LeftToRightRun(const QString& text)
{
    return QChar(0x2066) + text + QChar(0x2069);
}
