#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>

class DataSet;
class DbConnection;
class DbGrid;
class QAction;
class QMenu;
class QPushButton;
class QTabWidget;
class SessionWatch;
class TCaptionPanel;

// The selection condition dialog: up to three reference tables, one grid per tab,
// whose rows the user ticks (Space, a double-click or the grid's menu). Each grid
// works on a temporary copy of its table, made when the dialog is shown with every
// row ticked; after OK the caller reads the ticked rows from that copy (TableName).
// Modal, frameless, right-to-left; closes with 1 for OK and 2 for cancel, the close
// button and Escape. The copies stay until the connection ends; a server session
// that ends meanwhile is followed by copies holding what the grids show.
class TCondtion2Form : public QDialog
{
    Q_OBJECT
public:
    explicit TCondtion2Form(QWidget* parent = nullptr);
    ~TCondtion2Form() override;

    // The mark a ticked row holds in its mark column; an unticked one holds "".
    static const QString Mark;

    // The configuration, set before the dialog is shown. Lists in braces hold one
    // group per grid ("{a}{b}"); the others are comma-separated, one entry per grid.
    int GridCount = 1;
    QString TabCaptions; // {caption 1}{caption 2}
    QString Tables;      // table 1, table 2
    QString Fields;      // {f1, f2}{g1, g2}
    QString Titles;      // {title 1, title 2}{...}
    QString MarkColumns; // mark 1, mark 2
    QString Conditions;  // {Where ...}{}: written after the table's name

    // The temporary table of grid `grid` (1 to 3); fixed when the dialog is shown.
    QString TableName(int grid) const;

    // The groups of a brace list, trimmed ("{a, b}{c}" gives "a, b" and "c"); the
    // entries of a comma list, trimmed.
    static QStringList BraceGroups(const QString& text);
    static QStringList CommaList(const QString& text);

    TCaptionPanel* Caption_Panel;
    QTabWidget* pcCond;
    QWidget* tsGrid[3];
    DbGrid* dbgGrid[3];
    DataSet* quGrid[3];
    QPushButton* OkBitBtn;
    QPushButton* CancelBitBtn;
    QMenu* pmReport;
    QAction* SelectRowItem;
    QAction* SelectAllItem;
    QAction* DeSelectAllItem;

    // Ticks or unticks the current row of the grid on the current tab.
    void SelectRowItemClick();
    // Ticks (or unticks) every row of that grid.
    void SelectAllItemClick();
    void DeSelectAllItemClick();

    // Makes the copies and opens the grids, then shows the dialog modally.
    int exec() override;
    void reject() override;

private:
    void prepare();
    // The copy of grid `g` made anew, every row ticked.
    void makeTable(int g);
    // The copies went with a server session that ended: made again holding the rows
    // the grids show, ticked as the user left them.
    void remakeTables();
    void markAll(const QString& mark);
    void updateCaption();
    int currentGrid() const;

    DbConnection* m_connection = nullptr;
    std::unique_ptr<SessionWatch> m_sessionWatch;
    QString m_base;
    int m_count = 0;
    QStringList m_captions;
    QStringList m_marks;
    QStringList m_tables;
    QStringList m_fields;
    QStringList m_conditions;
};
