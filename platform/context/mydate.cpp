#include "mydate.h"

#include "dlgmsg.h"
#include "global.h"
#include "jalalidate.h"

#include <QLineEdit>
#include <QThread>

namespace {
void ClampAbove(QLineEdit* edit, int limit)
{
    if (edit != nullptr && TMyDate::NumberOf(edit->text()) > limit)
        edit->setText(QString::number(limit));
}

void FillOnExit(QLineEdit* edit)
{
    if (edit == nullptr)
        return;
    if (TMyDate::NumberOf(edit->text()) < 1)
        edit->setText(QStringLiteral("1"));
    if (edit->text().size() < 2)
        edit->setText(QStringLiteral("0") + edit->text());
}
} // namespace

int TMyDate::NumberOf(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

TMyDate::TMyDate(TGlobal* global, TDlgMsg* dlgMsg, QObject* parent)
    : QObject(parent), m_global(global), m_dlgMsg(dlgMsg)
{
    setObjectName(QStringLiteral("MyDate"));
}

// A day or month above what any month or year has is brought down to it as it is
// typed; whether the whole date exists is decided once its year is there.
void TMyDate::DayChanged(QLineEdit* sender)
{
    ClampAbove(sender, JalaliMostDays());
}

void TMyDate::DayExit(QLineEdit* sender)
{
    FillOnExit(sender);
}

void TMyDate::MonthChanged(QLineEdit* sender)
{
    ClampAbove(sender, JalaliMonths());
}

void TMyDate::MonthExit(QLineEdit* sender)
{
    FillOnExit(sender);
}

bool TMyDate::IsValidDate(const QString& text)
{
    const QString s = text.trimmed();
    if (s.isEmpty() || s == QStringLiteral("//"))
        return true;

    if (s.indexOf(QLatin1Char('/')) != 4)
        return false;
    const QString year = s.left(4);
    const QString rest = s.mid(5);

    if (rest.indexOf(QLatin1Char('/')) != 2)
        return false;
    const QString month = rest.left(2);
    const QString day = rest.mid(3);

    if (year.trimmed().isEmpty() || month.trimmed().isEmpty() || day.trimmed().isEmpty() ||
        day.trimmed().size() == 1)
        return false;

    // Beyond its form, whether the date exists is the calendar's answer.
    return IsJalaliDate(NumberOf(year), NumberOf(month), NumberOf(day));
}

QString TMyDate::TimeStampText(const QTime& time)
{
    const int seconds = time.hour() * 3600 + time.minute() * 60 + time.second();
    return QString::number(seconds) + QString::number(time.msec() / 10);
}

QString TMyDate::TimeStamp()
{
    // Two windows opened within the same hundredth of a second (or two instants whose
    // texts happen to coincide) must still get different table names: wait for the
    // clock to give a text not handed out before.
    QString stamp = TimeStampText(QTime::currentTime());
    while (m_issuedStamps.contains(stamp)) {
        QThread::msleep(1);
        stamp = TimeStampText(QTime::currentTime());
    }
    m_issuedStamps.insert(stamp);
    return stamp;
}

QString TMyDate::ClockText(const QTime& time)
{
    return QStringLiteral("%1:%2:%3")
        .arg(time.hour())
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

QString TMyDate::ClockText() const
{
    return ClockText(QTime::currentTime());
}

bool TMyDate::CheckFiscalPeriod(const QString& date)
{
    QString message;
    if (date < m_global->StartDate) {
        message = QStringLiteral("تاريخ وارد شده كوچكتر از تاريخ ابتداي دوره مالي ميباشد.") +
                  QLatin1Char('\n') + QStringLiteral("(تاريخ ابتداي دوره=") + m_global->StartDate +
                  QLatin1Char(')');
    } else if (date > m_global->EndDate) {
        message = QStringLiteral("تاريخ وارد شده بزرگتر از تاريخ انتهاي دوره مالي ميباشد.") +
                  QLatin1Char('\n') + QStringLiteral("(تاريخ انتهاي دوره=") + m_global->EndDate +
                  QLatin1Char(')');
    } else {
        return true;
    }
    if (m_dlgMsg != nullptr)
        m_dlgMsg->ShowMessageDlg(message, QString(), QStringLiteral("1ER"));
    return false;
}
