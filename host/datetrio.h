#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// The day / month / year edits of a voucher header. Installs the date services'
// change and exit handlers on the day and month edits and the keyboard behaviour the
// three share: only digits (and a few passing keys) are typed, Enter walks day ->
// month -> year, and Enter in the year edit asks the window to commit the date.
class TDateTrio : public QObject
{
    Q_OBJECT
public:
    TDateTrio(QLineEdit* mDay, QLineEdit* mMonth, QLineEdit* mYear, QObject* parent = nullptr);

    // year + "/" + month + "/" + day, from the edits' texts as they stand.
    QString date() const;
    // Puts a date text "yyyy/mm/dd" into the three edits.
    void setDate(const QString& date);
    void setReadOnly(bool readOnly);
    // When set, a part left blank stays blank: the date services' change and exit
    // handlers run only on a day or month that holds something. A voucher header
    // leaves it unset (an empty part becomes "01" when left); a range's end that
    // may be left open sets it.
    void setBlankStaysBlank(bool on) { m_blankStaysBlank = on; }
    // Names the three edits for assistive tools after the date they hold ("تاريخ",
    // "از تاريخ"): that name with the part each holds.
    void setCaption(const QString& caption);

signals:
    // Enter in the year edit: the window runs its date checks.
    void commitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void enterPressed(QLineEdit* edit);
    bool leftBlank(const QLineEdit* edit) const;

    QLineEdit* m_day;
    QLineEdit* m_month;
    QLineEdit* m_year;
    bool m_blankStaysBlank = false;
};
