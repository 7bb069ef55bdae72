#pragma once

#include <QString>

// The one way a value or a name enters SQL text.

// A text value as an SQL literal: wrapped in single quotes, each quote doubled.
// A description typed as  O'Neil  is stored as typed and never ends the literal.
inline QString SqlQuote(const QString& value)
{
    QString out;
    out.reserve(value.size() + 2);
    out += QLatin1Char('\'');
    for (const QChar c : value) {
        if (c == QLatin1Char('\''))
            out += QLatin1Char('\'');
        out += c;
    }
    out += QLatin1Char('\'');
    return out;
}

// A table or column name as a quoted identifier ("##AMV1_..." temporary tables and
// bracketed names alike): wrapped in double quotes, each double quote doubled.
inline QString SqlIdent(const QString& name)
{
    QString out;
    out.reserve(name.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : name) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

// A text kept by a cache (a statement, a table's name) with characters of its own:
// the text handed in may be a literal of a library unloaded later (a sibling dialog's),
// whose characters go with it; a kept key read after that ends the program.
inline QString OwnedText(const QString& text)
{
    return QString(text.constData(), text.size());
}

// A text bound to a placeholder as its quoted literal stored it: a null text is the
// empty text '', never NULL.
inline QString SqlText(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}
