#include "jalalidate.h"

#include "persiantext.h"

#include <QCalendar>
#include <QRegularExpression>

namespace {
const QCalendar& Jalali()
{
    static const QCalendar calendar(QCalendar::System::Jalali);
    return calendar;
}

// A year the calendar counts as leap: there every month has the most days it ever has.
int SomeLeapYear()
{
    static const int year = [] {
        int y = 1;
        while (!Jalali().isLeapYear(y))
            ++y;
        return y;
    }();
    return year;
}
} // namespace

int JalaliDaysInMonth(int year, int month)
{
    if (year < 0 || month < 1 || month > Jalali().maximumMonthsInYear())
        return 0;
    const int days = Jalali().daysInMonth(month, year == 0 ? SomeLeapYear() : year);
    return days > 0 ? days : 0;
}

int JalaliMostDays()
{
    return Jalali().maximumDaysInMonth();
}

int JalaliMonths()
{
    return Jalali().maximumMonthsInYear();
}

bool IsJalaliDate(int year, int month, int day)
{
    return year > 0 && Jalali().isDateValid(year, month, day);
}

QString JalaliText(int year, int month, int day)
{
    return QStringLiteral("%1/%2/%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

QString JalaliJoin(const QString& year, const QString& month, const QString& day)
{
    return year + QLatin1Char('/') + month + QLatin1Char('/') + day;
}

JalaliParts JalaliSplit(const QString& date)
{
    return {date.mid(0, 4), date.mid(5, 2), date.mid(8, 2)};
}

QString JalaliDateText(const QDate& date)
{
    const QCalendar::YearMonthDay ymd = Jalali().partsFromDate(date);
    return JalaliText(ymd.year, ymd.month, ymd.day);
}

QString JalaliYearEnd(int year)
{
    return JalaliText(year, 12, JalaliDaysInMonth(year, 12));
}

QString NormalJalaliDate(const QString& typed)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4})/(\\d{1,2})/(\\d{1,2})$"));
    const QRegularExpressionMatch m = form.match(LatinDigits(typed.trimmed()));
    if (!m.hasMatch())
        return QString();
    const int year = m.captured(1).toInt();
    const int month = m.captured(2).toInt();
    const int day = m.captured(3).toInt();
    return IsJalaliDate(year, month, day) ? JalaliText(year, month, day) : QString();
}
