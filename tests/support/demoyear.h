#pragma once

// The fiscal year the tests work in. The demo company is made for the Jalali year of
// today's date and DemoHost opens that period, so a test's dates are days of that
// year, whenever the suite runs: Day("08/01") rather than a year written out.

#include <QCalendar>
#include <QDate>
#include <QString>

// A date as the system writes it: "yyyy/mm/dd" in the Jalali calendar.
inline QString JalaliText(const QDate& date)
{
    const QCalendar::YearMonthDay ymd = QCalendar(QCalendar::System::Jalali).partsFromDate(date);
    return QStringLiteral("%1/%2/%3")
        .arg(ymd.year, 4, 10, QLatin1Char('0'))
        .arg(ymd.month, 2, 10, QLatin1Char('0'))
        .arg(ymd.day, 2, 10, QLatin1Char('0'));
}

// The fiscal year of the demo company: today's Jalali year.
inline QString DemoYear()
{
    return JalaliText(QDate::currentDate()).left(4);
}

// Day `monthDay` ("mm/dd") of the demo's fiscal year, or of the year `yearsLater`
// after it (-1: the year before).
inline QString Day(const QString& monthDay, int yearsLater = 0)
{
    return QString::number(DemoYear().toInt() + yearsLater) + QLatin1Char('/') + monthDay;
}
