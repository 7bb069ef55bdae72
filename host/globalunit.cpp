#include "globalunit.h"

#include "persiantext.h"

#include "dataset.h"
#include "dbgrid.h"

#include "hostcontext.h"
#include "messages.h"

#include "commandquery.h"

#include <QFileInfo>
#include <QLibrary>

QString PadLeft(const QString& text, int width)
{
    return PadLeftWith(text, QLatin1Char(' '), width);
}

QString PadLeftWith(const QString& text, QChar fill, int width)
{
    if (width < 0)
        width = 0;
    if (text.size() >= width)
        return text.left(width);
    return QString(width - text.size(), fill) + text;
}

QString NewWorkTableName()
{
    const QString stem = Global != nullptr ? Global->TempStem : QString();
    const QString stamp =
        MyDate != nullptr ? MyDate->TimeStamp() : TMyDate::TimeStampText(QTime::currentTime());
    return QStringLiteral("##") + stem + stamp;
}

QString AmountText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    bool ok = false;
    const double amount = value.toDouble(&ok);
    if (!ok)
        return value.toString();
    if (amount == double(qint64(amount)))
        return QString::number(qint64(amount));
    QString text = QString::number(amount, 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

QString FormatAmount(const QString& text)
{
    if (text.isEmpty() || text == QStringLiteral("0"))
        return QStringLiteral("0");

    QString body = text;
    QString sign;
    if (body.startsWith(QLatin1Char('-'))) {
        sign = QStringLiteral("-");
        body.remove(0, 1);
    }
    // The fraction, after "." or the Persian decimal "/", follows unchanged.
    qsizetype cut = body.size();
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body.at(i) == QLatin1Char('.') || body.at(i) == QLatin1Char('/')) {
            cut = i;
            break;
        }
    }
    const QString whole = body.left(cut);
    const QString fraction = body.mid(cut);

    QString grouped;
    grouped.reserve(whole.size() + whole.size() / 3);
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += QLatin1Char(',');
        grouped += whole.at(i);
    }
    return sign + grouped + fraction;
}

QString NumberText(const QString& text)
{
    QString s = text.trimmed();
    if (s.isEmpty())
        return QStringLiteral("0");
    s.remove(QLatin1Char(','));
    return s;
}

bool ExecSQL(TMyDatabase* database, const QString& sql)
{
    if (sql.isEmpty())
        return true;
    if (database == nullptr || database->Command == nullptr || !database->Command->hasConnection())
        return false;
    CommandQuery* command = database->Command;
    command->close();
    command->setSql(sql);
    command->execute();
    return true;
}

bool LoadLibraryOnce(QLibrary& handle, const QString& path)
{
    if (handle.isLoaded())
        return true;
    handle.setFileName(path);
    if (handle.load())
        return true;
    if (QFileInfo::exists(path))
        ShowPlainMessage(QStringLiteral("File Exits: ") + path);
    else
        ShowPlainMessage(QStringLiteral("Can not load ") + path);
    return false;
}

bool KeyAllowed(const QString& rule, QChar key)
{
    if (rule != QStringLiteral("NUM"))
        return true;
    // A Persian keyboard's digits are digits too: callers store them as 0-9.
    const QChar digit = LatinDigit(key);
    return (digit >= QLatin1Char('0') && digit <= QLatin1Char('9')) || key == QChar(kBackspace);
}

// The keyboard normalisation was defined on code page 1256 bytes; here it is applied
// to the Unicode characters those bytes stand for:
//   0xEC ALEF MAKSURA (U+0649) -> 0xED ARABIC YEH (U+064A)
//   0x98 KEHEH (U+06A9)        -> 0xDF ARABIC KAF (U+0643)
// FARSI YEH (U+06CC), which a Unicode Persian layout types for the same key and which
// code page 1256 can only store as 0xED, goes the same way. On "Windows NT" a second
// step follows:
//   0xF7 DIVISION SIGN (U+00F7) -> 0x81 PEH (U+067E)
//   0x81 PEH (U+067E)           -> 0x8E JEH (U+0698)
// Each character is mapped at most once in each step.
QChar NormaliseKey(QChar key)
{
    if (Global == nullptr || Global->CharSetMode == QStringLiteral("WIN"))
        return key;

    switch (key.unicode()) {
    case 0x0649:
    case 0x06CC:
        return QChar(0x064A);
    case 0x06A9:
        return QChar(0x0643);
    default:
        break;
    }
    if (Global->OSName == QStringLiteral("Windows NT")) {
        switch (key.unicode()) {
        case 0x00F7:
            return QChar(0x067E);
        case 0x067E:
            return QChar(0x0698);
        default:
            break;
        }
    }
    return key;
}

QString SortByColumn(DbGrid* grid, int column, const QString& prefix, const QColor& normalTitle,
                     const QColor& ascendingTitle, const QColor& descendingTitle)
{
    if (!grid || !grid->dataSet() || !grid->dataSet()->active())
        return QString();
    if (column < 0 || column >= grid->columnCountOfGrid())
        return QString();
    DataSet* ds = grid->dataSet();
    const QString field = grid->column(column).fieldName;
    if (field.isEmpty() || !ds->findField(field))
        return QString();
    const QString ascending = prefix + field + QStringLiteral(" ASC ");
    const bool descending = ds->sort().compare(ascending.trimmed(), Qt::CaseInsensitive) == 0;
    const QString sort = descending ? prefix + field + QStringLiteral(" DESC ") : ascending;
    ds->setSort(sort);
    for (int i = 0; i < grid->columnCountOfGrid(); ++i)
        grid->column(i).titleFontColor = normalTitle;
    grid->column(column).titleFontColor = descending ? descendingTitle : ascendingTitle;
    grid->applyColumns();
    return sort;
}
