#pragma once

#include <QDialog>

class CommandQuery;
class DataSet;
class DbGrid;
class QAction;
class QFrame;
class QKeyEvent;
class QMenu;
class QPushButton;
class QToolButton;
class TCaptionPanel;

// The cost components window "بهاي تمام شده" of the purchase voucher: one row per
// component of an asset, where only the amount is typed. The purchase window binds
// quGheimat to the connection, opens it on the asset's rows of its components table
// and shows the window modally; it ends with 1 (OK, amounts posted) or 0 (cancelled).
//
// For the user: the window opens on the first amount; Enter takes the amount and goes
// to the next row's, and after the last row to OK, so a voucher's components are
// typed with the keyboard alone. Rows are never added or removed here.
class TEndGheimatForm : public QDialog
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TEndGheimatForm(QWidget* parent = nullptr);
    ~TEndGheimatForm() override;

    TCaptionPanel* Caption_Panel;
    QFrame* Close_Shape;
    QToolButton* sb_Closed;
    CommandQuery* quGheimat;
    DbGrid* dbgGheimat;
    QPushButton* OkBitBtn;
    QPushButton* CancelBitBtn;

    // The grid's context menu and its items, in menu order.
    QMenu* PopupMenu;
    QAction* miHelp;
    QAction* miSearch;
    QAction* miSaveLayout;
    QAction* miClipboard;
    QAction* miReportProperties;
    QAction* miPrint;

    // The help text the help item shows.
    static const QString HelpText;

public slots:
    void OkBitBtnClick();
    void CancelBitBtnClick();
    // Escape and the close button: the pending edit goes, the window ends with 0.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenu();
    // Enables the menu items for the grid's present rows and the user's rights.
    void UpdateMenuItems();
    // Runs a menu item from its shortcut, when the item is enabled at this moment.
    void RunFromShortcut(QAction* item);
    void HelpClick();
    void SaveLayoutClick();
    void ClipboardClick();

    bool dbgGheimatKeyDown(QKeyEvent* event);
    QChar dbgGheimatKeyPress(QChar key);
    void dbgGheimatEnter();
    // Writes the cell editor's text and posts the row; false (and the database's
    // text shown) when the database refused it.
    bool PostPending();
    void ShowError(const QString& text);
    void applyFieldFormats();
    void placeFrame();

    DataSet* m_gridState;
    bool m_layoutLoaded = false;
};
