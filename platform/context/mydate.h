#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QTime>

class QLineEdit;
class TDlgMsg;
struct TGlobal;

// The host's date services. Dates are Jalali texts "yyyy/mm/dd" compared as text;
// nothing here converts them to another calendar. The fiscal period bounds are read
// from the host context record the object was given.
class TMyDate : public QObject
{
    Q_OBJECT
public:
    TMyDate(TGlobal* global, TDlgMsg* dlgMsg, QObject* parent = nullptr);

    // Edit handlers of the day and month edits of a date trio.
    void DayChanged(QLineEdit* sender);
    void DayExit(QLineEdit* sender);
    void MonthChanged(QLineEdit* sender);
    void MonthExit(QLineEdit* sender);

    // Blank ("" or "//"), or "yyyy/mm/dd" naming a day of the Jalali calendar
    // (IsJalaliDate: Esfand 30 in the calendar's leap years only).
    static bool IsValidDate(const QString& text);

    // A day, month or year text as the handlers read it: anything that is not a whole
    // number counts as 0.
    static int NumberOf(const QString& text);

    // Seconds since midnight followed by the hundredths of the second, e.g.
    // 12:35:07.04 -> "453074". Never hands out the same text twice in one process.
    QString TimeStamp();
    static QString TimeStampText(const QTime& time);

    // "9:05:07": hour without, minute and second with a leading zero.
    QString ClockText() const;
    static QString ClockText(const QTime& time);

    // Tests the date against the fiscal period of the host context; outside it shows
    // the error and answers false.
    bool CheckFiscalPeriod(const QString& date);

    TGlobal* global() const { return m_global; }
    TDlgMsg* dlgMsg() const { return m_dlgMsg; }

private:
    TGlobal* m_global;
    TDlgMsg* m_dlgMsg;
    QSet<QString> m_issuedStamps;
};
