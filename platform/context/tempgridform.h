#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <utility>

class CommandQuery;
class DbConnection;
class DbGrid;
class QLabel;
class QLineEdit;
class QToolButton;
class QVBoxLayout;
class TCaptionPanel;

// A pick list as the module hands it to the list window: the statement of its rows
// with the values bound to its "?" placeholders, the titles and least widths of the
// shown columns (the statement's first fields, in order; the fields after them stay
// hidden), the field that names a row, and the row to stand on first.
struct TPickList
{
    QString caption;
    QString sql;
    QVariantList values;
    QStringList titles;
    QList<int> widths; // pixels, one per title
    QString keyField;  // searched by typing before any sort; kept on the row when sorting
    // The fields and the values of the row the list opens on; codes are compared
    // without their padding. Without a row holding them the list stands on its first.
    QList<std::pair<QString, QString>> start;
};

// The host's pick-list window. The module hands it a list (SetList) and shows it
// modally. The window opens the statement, titles its columns, stands on the row
// the list starts at, and ends with modal result 1 when the user chose a row
// (quTemp then stands on it) or 2 when the list was left without a choice.
//
// For the user: a click on a title sorts by that column (again: descending);
// typing searches the sorted column (the key column before any sort) from the
// start of its text, a search begun with a letter in the codes searching the
// names beside them (and one begun with a digit there the codes again); Enter or
// a double click chooses; Escape leaves.
class TTempGridForm : public QDialog
{
    Q_OBJECT
public:
    enum Result { mrChosen = 1, mrCancel = 2 };

    explicit TTempGridForm(QWidget* parent = nullptr);
    ~TTempGridForm() override;

    // The rows of a list read at a time.
    static constexpr int kListChunk = 250;

    // Takes the list to show next, its statement to be read on `connection`: quTemp
    // is closed and set to it, the caption panel reads the list's caption.
    void SetList(const TPickList& list, DbConnection* connection);
    const TPickList& List() const { return m_list; }
    QString Caption() const;

    // Opens quTemp when it is closed, lays out the columns of the list and stands on
    // its starting row. Showing the window does this; a host that answers without a
    // screen calls it itself.
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
    int namesColumn() const;
    void searchCodesOrNames(QChar typed);
    bool handleKey(QKeyEvent* event);

    TPickList m_list;
    QVBoxLayout* m_clientLayout;
    QString m_sortField;
    bool m_sortDescending = false;
    int m_searchRow = -1; // the row the search text last stood on
};
