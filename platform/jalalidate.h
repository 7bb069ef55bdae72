#pragma once

#include <QDate>
#include <QString>

// The Jalali calendar as Qt's QCalendar keeps it. Whether a date exists and how many
// days a month has are the calendar's answers, asked here and nowhere else. A rule of
// thumb such as "a leap year every fourth year, counted from 1355" agrees with the
// calendar only for a while: from 1407 on it takes 1407/12/30, which does not exist,
// and refuses 1408/12/30, the last day of a leap year. The calendar's leap years
// (1403, 1408, 1412, ...) are not evenly spaced, and only it knows them.

// Days of `month` (1-12) in `year`; for a year of 0 (not known yet) the most the month
// has in any year (Esfand: 30). 0 for a month or year that is none.
int JalaliDaysInMonth(int year, int month);

// The most days any month has (31), and the months of a year (12).
int JalaliMostDays();
int JalaliMonths();

// Whether year/month/day is a day of the calendar (Esfand 30 only in its leap years).
bool IsJalaliDate(int year, int month, int day);

// "yyyy/mm/dd" of the parts, zero-padded.
QString JalaliText(int year, int month, int day);

// A date text's three parts as the date boxes hold them. Joined as they stand:
// year + "/" + month + "/" + day, nothing padded or checked (a box left blank leaves
// its place empty). Taken apart by position: characters 1-4, 6-7 and 9-10 of a
// "yyyy/mm/dd" text, whatever the separators are; a shorter text gives empty parts.
struct JalaliParts
{
    QString year;
    QString month;
    QString day;
};
QString JalaliJoin(const QString& year, const QString& month, const QString& day);
JalaliParts JalaliSplit(const QString& date);
// The Jalali date text of a Gregorian date.
QString JalaliDateText(const QDate& date);
// A typed date ("1405/1/1", Persian digits taken as 0-9) as "yyyy/mm/dd", or "" when
// it is no day of the calendar.
QString NormalJalaliDate(const QString& typed);
// The last day of a Jalali year as a date text (Esfand 29, or 30 in a leap year).
QString JalaliYearEnd(int year);
