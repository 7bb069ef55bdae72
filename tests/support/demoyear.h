#pragma once

// The fiscal year the tests work in. The demo company is made for the Jalali year of
// today's date and DemoHost opens that period, so a test's dates are days of that
// year, whenever the suite runs: Day("08/01") rather than a year written out.

#include "jalalidate.h"

#include <QDate>
#include <QString>

// The fiscal year of the demo company: today's Jalali year.
inline QString DemoYear()
{
    return JalaliDateText(QDate::currentDate()).left(4);
}

// Day `monthDay` ("mm/dd") of the demo's fiscal year, or of the year `yearsLater`
// after it (-1: the year before).
inline QString Day(const QString& monthDay, int yearsLater = 0)
{
    return QString::number(DemoYear().toInt() + yearsLater) + QLatin1Char('/') + monthDay;
}
