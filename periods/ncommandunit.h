#pragma once

#include "amvalform.h"

#include <QHash>
#include <QStringList>
#include <memory>

class CommandQuery;
class DataSet;
class DbGrid;
class QAction;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QMenu;
class QPushButton;
class QToolButton;
class SessionWatch;
class TReportGrid;

// Task window "صدور دستور دريافت/پرداخت", opened by NCommand_Amval: receive and pay
// orders for warehouse documents. The database fills a work table of the window's own
// with the documents of six kinds; the clerk picks a kind, ticks the documents that
// should get an order (and may change the order date of those not ordered before) and
// confirms: one order per newly ticked document, of every kind, goes into N_Command.
class TNCommandForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    // The mark of a ticked document.
    static const QString Tick;

    explicit TNCommandForm(QWidget* parent = nullptr);
    ~TNCommandForm() override;

    // The kind chosen in cmbType: "20" .. "25".
    QString KindCode() const;

    // Fills the work table again (F5, the menu, a click on the summary box).
    void R_ReportItemClick();
    // Shows the rows of the chosen kind.
    void cmbTypeChange();
    // Writes the orders of every newly ticked document.
    void cmdOkClick();

    QComboBox* cmbType;
    QCheckBox* chbKholaseh;
    QPushButton* cmdOk;
    QToolButton* sb_Report;
    DbGrid* dbgCommand;
    CommandQuery* quCommand;
    CommandQuery* quLayout;

    QMenu* pmSysMenu;
    QAction* R_ReportItem;

    // The grid's pop-up menu: the report grid's, bound to the window's layout keys
    // and report title.
    TReportGrid* reportGrid() const { return m_reportGrid.get(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildGrid();
    void buildMenus();
    void createWorkTable();
    void countTicks();
    // Whether the current row is a document not ordered before.
    bool rowIsNew() const;
    void followRow();
    void toggleTick();
    bool gridKeyDown(QKeyEvent* key);
    QChar gridKeyPress(QChar key);
    void beforePost(DataSet& ds);
    void guarded(const std::function<void()>& body);
    // The user's rights on the orders; "N" issues them.
    void readRights();
    bool mayIssue() const;
    // The work table made again, with the clerk's ticks, after the server ended the
    // session that had it.
    void remakeWorkTable();
    // Keeps the tick and order date of the row just posted (kept ticks are what a
    // work table made again gets back).
    void keepTick();

    std::unique_ptr<TReportGrid> m_reportGrid;
    QString m_workTable;
    QString m_rights;
    bool m_shown = false;
    bool m_prepared = false;
    QStringList m_prepareArguments;
    // The documents not ordered before that are ticked: kind, warehouse, document
    // number and order date, by the first three.
    QHash<QString, QStringList> m_ticks;
    std::unique_ptr<SessionWatch> m_sessionWatch;
};
