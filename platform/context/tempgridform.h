#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

class CommandQuery;
class DbGrid;
class QLabel;
class QLineEdit;
class QToolButton;
class QVBoxLayout;
class TCaptionPanel;

// The host's pick-list window. The module fills the public members, closes quTemp,
// binds it to the host connection, sets its statement and shows the window
// modally. The window opens the statement, titles its columns, stands on the row
// the locate entries name, and ends with modal result 1 when the user chose a row
// (quTemp then stands on it) or 2 when the list was left without a choice.
//
// For the user: a click on a title sorts by that column (again: descending);
// typing searches the sorted column (the key column before any sort) from the
// start of its text; Enter or a double click chooses; Escape leaves.
class TTempGridForm : public QDialog
{
    Q_OBJECT
public:
    enum Result { mrChosen = 1, mrCancel = 2 };

    explicit TTempGridForm(QWidget* parent = nullptr);
    ~TTempGridForm() override;

    // The rows of a list read at a time.
    static constexpr int kListChunk = 250;

    // What the module writes before showing the window.
    int ColCount = 0;
    QStringList ColTitles;               // one per column, in column order
    QList<int> ColWidths;                // pixels, one per column
    std::array<QString, 4> LocateFields; // unused entries stay empty
    std::array<QString, 4> LocateValues;
    QString TableName; // the temporary table (or table) behind the list
    QString KeyField;  // the field that identifies the chosen row
    void SetCaption(const QString& caption);
    QString Caption() const;

    // Clears what the previous list left in the members (the module fills them anew).
    void ClearList();

    // Opens quTemp when it is closed, lays out the columns from the members and
    // stands on the located row. Showing the window does this; a host that answers
    // without a screen calls it itself.
    void OpenList();

    // The search text typed so far and the field it searches.
    QString SearchText() const;
    QString SearchField() const;
    // Adds one typed character to the search and moves to the first row whose
    // search field starts with the search text; false when no row does (the
    // character is then not kept).
    bool SearchFor(const QString& text);

    TCaptionPanel* Caption_Panel;
    QToolButton* sb_Closed;
    DbGrid* dbgTemp;
    CommandQuery* quTemp;
    QLabel* SearchLabel;
    QLineEdit* SearchEdit;

public slots:
    // Ends the window with modal result 1 on the current row, when there is one.
    void ChooseCurrent();
    // Leaving without a choice: modal result 2.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void layoutColumns();
    void fitToColumns();
    void locateCurrent();
    void sortByColumn(int column);
    bool handleKey(QKeyEvent* event);

    QVBoxLayout* m_clientLayout;
    QString m_sortField;
    bool m_sortDescending = false;
    int m_searchRow = -1; // the row the search text last stood on
};
