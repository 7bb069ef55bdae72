#include "datetrio.h"

#include "hostcontext.h"
#include "jalalidate.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {
// Persian and Arabic-Indic digits from a Persian keyboard layout stand for 0-9.
QChar AsciiDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return c;
    if (u >= 0x06F0 && u <= 0x06F9)
        return QChar(u'0' + (u - 0x06F0));
    if (u >= 0x0660 && u <= 0x0669)
        return QChar(u'0' + (u - 0x0660));
    return QChar();
}

bool PassesUnchanged(QChar c)
{
    return c == QChar(u'\b') || c == QLatin1Char('%') || c == QLatin1Char('\'') ||
           c == QLatin1Char('#') || c == QLatin1Char('$') || c == QLatin1Char('.');
}
} // namespace

TDateTrio::TDateTrio(QLineEdit* mDay, QLineEdit* mMonth, QLineEdit* mYear, QObject* parent)
    : QObject(parent), m_day(mDay), m_month(mMonth), m_year(mYear)
{
    m_day->setMaxLength(2);
    m_month->setMaxLength(2);
    m_year->setMaxLength(4);
    for (QLineEdit* e : {m_day, m_month, m_year})
        e->installEventFilter(this);

    // The handlers reach the host's date services as the last entry point left them.
    connect(m_day, &QLineEdit::textChanged, this, [this] {
        if (MyDate != nullptr && !leftBlank(m_day))
            MyDate->DayChanged(m_day);
    });
    connect(m_month, &QLineEdit::textChanged, this, [this] {
        if (MyDate != nullptr && !leftBlank(m_month))
            MyDate->MonthChanged(m_month);
    });
}

QString TDateTrio::date() const
{
    return JalaliJoin(m_year->text(), m_month->text(), m_day->text());
}

void TDateTrio::setDate(const QString& date)
{
    const JalaliParts parts = JalaliSplit(date);
    m_year->setText(parts.year);
    m_month->setText(parts.month);
    m_day->setText(parts.day);
}

void TDateTrio::setCaption(const QString& caption)
{
    m_day->setAccessibleName(caption + QStringLiteral(" (روز)"));
    m_month->setAccessibleName(caption + QStringLiteral(" (ماه)"));
    m_year->setAccessibleName(caption + QStringLiteral(" (سال)"));
}

bool TDateTrio::leftBlank(const QLineEdit* edit) const
{
    return m_blankStaysBlank && edit->text().trimmed().isEmpty();
}

void TDateTrio::setReadOnly(bool readOnly)
{
    for (QLineEdit* e : {m_day, m_month, m_year})
        e->setReadOnly(readOnly);
}

bool TDateTrio::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr)
        return false;

    if (event->type() == QEvent::FocusOut && MyDate != nullptr && !leftBlank(edit)) {
        if (edit == m_day)
            MyDate->DayExit(m_day);
        else if (edit == m_month)
            MyDate->MonthExit(m_month);
        return false;
    }

    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        enterPressed(edit);
        return true; // the Enter itself goes no further
    }
    const QString text = key->text();
    if (text.size() != 1 || !text.at(0).isPrint() || key->modifiers() & Qt::ControlModifier)
        return false; // navigation and editing keys keep their usual meaning
    const QChar c = text.at(0);
    if (PassesUnchanged(c))
        return false;
    const QChar digit = AsciiDigit(c);
    if (digit.isNull())
        return true; // swallowed
    if (digit != c) {
        if (!edit->isReadOnly())
            edit->insert(QString(digit));
        return true;
    }
    return false;
}

void TDateTrio::enterPressed(QLineEdit* edit)
{
    if (edit == m_day) {
        m_month->setFocus(Qt::TabFocusReason);
    } else if (edit == m_month) {
        // A day the month never has becomes its last; the year, typed next, decides
        // whether Esfand 30 exists (the window's date check).
        const int most = JalaliDaysInMonth(0, TMyDate::NumberOf(m_month->text()));
        if (most > 0 && TMyDate::NumberOf(m_day->text()) > most)
            m_day->setText(QString::number(most));
        m_year->setFocus(Qt::TabFocusReason);
    } else if (edit == m_year) {
        emit commitRequested();
    }
}
