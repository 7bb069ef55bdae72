#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QTextBrowser;

// The keys of the program's windows as the user reads them in a help window: what a
// key does, section by section. The host's Help menu and a report grid's F1 show the
// same texts.
struct KeyGuideRow
{
    QString keys;   // "Ctrl+S", "Enter (در سال)"
    QString action; // what it does
};

struct KeyGuideSection
{
    QString title;
    QList<KeyGuideRow> rows;
};

// The keys of the voucher windows: the number and date, the rows, saving, the buttons,
// the sale and retirement chains, the count.
QList<KeyGuideSection> VoucherKeyGuide();
// The keys of a report grid and of its menu.
QList<KeyGuideSection> ReportGridKeyGuide();

// The sections as a right-to-left page: a heading and a two-column table each.
QString KeyGuideHtml(const QString& title, const QList<KeyGuideSection>& sections);

// A window that shows a help page, right to left; Escape or "بستن" closes it.
class TKeyGuideForm : public QDialog
{
    Q_OBJECT
public:
    TKeyGuideForm(const QString& title, const QString& html, QWidget* parent = nullptr);

    QString text() const;

private:
    QTextBrowser* m_page;
};

// Shows the page modally over `parent`'s window.
void ShowKeyGuide(QWidget* parent, const QString& title, const QList<KeyGuideSection>& sections);
