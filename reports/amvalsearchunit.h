#pragma once

#include "amvalform.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>
#include <utility>

class DataSet;
class DbConnection;
class DbGrid;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class SessionWatch;
class TD_Global;
class TDateTrio;
class TReportGrid;
class TWorkProgress;
struct TCompanySettings;

// Task window "جستجوي اسناد دارايي", opened by Search_Amval: the rows of the asset
// vouchers whose values fall inside the ranges typed in the criteria boxes, of the
// voucher kinds chosen in the selection condition dialog, gathered into one work
// table and shown in a report grid with the whole grid menu.
class TAmvalSearchForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    // Said under the grid when a search finds no row, and when the user stopped it.
    static const QString NothingFound;
    static const QString Stopped;

    explicit TAmvalSearchForm(QWidget* parent = nullptr);
    ~TAmvalSearchForm() override;

    // The criteria boxes, "from" and "to" of each range.
    QLineEdit* FrMakanCod;
    QLineEdit* ToMakanCod;
    QLineEdit* FrVazCod;
    QLineEdit* ToVazCod;
    QLineEdit* FrDaraCod;
    QLineEdit* ToDaraCod;
    QLineEdit* FrPersonCod;
    QLineEdit* ToPersonCod;
    QLineEdit* FrTafsily2Cod;
    QLineEdit* ToTafsily2Cod;
    QLineEdit* FrMabadiCod;
    QLineEdit* ToMabadiCod;
    QLineEdit* FrBargeh;
    QLineEdit* ToBargeh;
    QLineEdit* FrDay;
    QLineEdit* FrMonth;
    QLineEdit* FrYear;
    QLineEdit* ToDay;
    QLineEdit* ToMonth;
    QLineEdit* ToYear;
    QLabel* lbTafsily2;
    QLabel* lbStatus;

    DbGrid* dbgSearch;
    DataSet* quSearch;
    TReportGrid* ReportGrid;
    QToolButton* sb_Cond;
    QToolButton* sb_Sys;
    QMenu* pmSysMenu;
    QAction* R_OpenItem;
    QAction* R_SaveAsItem;
    QAction* R_ReportItem;

    // The work tables, fixed for the life of the window.
    QString ResultTable() const { return m_resultTable; }
    QString SelectionTable() const { return m_selectionTable; }

    // Runs the search (F5, the menu, Enter in ToBargeh).
    void R_ReportItemClick();
    // The voucher kinds taking part, chosen in the selection condition dialog; a
    // confirmed choice runs the search. Returns the dialog's result.
    int sb_CondClick();
    void R_OpenItemClick();
    void R_SaveAsItemClick();

    // The Enter order of the criteria boxes.
    QList<QLineEdit*> EnterOrder() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A code box: the column its range filters, its width and how it is filled.
    struct CodeBox
    {
        QLineEdit* edit = nullptr;
        QString column;
        bool asset = false;
        bool zeroFill = false;
        int width = 0;
    };
    void initialise();
    void readWidths();
    void normaliseBoxes();
    void makeResultTable();
    void createResultTable();
    // Fills the result table; the user may stop it through `progress` (a
    // DatabaseError of kind Cancelled, nothing of the fill kept).
    void fillResult(TWorkProgress& progress);
    // The selection table of the kinds chosen (all when none was chosen).
    void makeSelectionTable();
    // The work tables made again, with the result shown, after the server ended the
    // session that had them.
    void remakeWorkTables();
    bool codeBoxEnter(QLineEdit* edit);
    void moveOn(QLineEdit* edit);
    const CodeBox* codeBox(QLineEdit* edit) const;
    TD_Global* dGlobal();
    void showDatabaseError(const QString& text);

    DbConnection* m_connection = nullptr;
    std::unique_ptr<TCompanySettings> m_settings;
    std::unique_ptr<TD_Global> m_dGlobal;
    TDateTrio* m_fromDate;
    TDateTrio* m_toDate;
    QList<CodeBox> m_codeBoxes;
    QString m_resultTable;
    QString m_selectionTable;
    // The kinds chosen in the kinds dialog, by code; all of them until one is made.
    QStringList m_chosenKinds;
    bool m_allKinds = true;
    // How the result shown was made: the statements that filled it, or the saved
    // report it was read from.
    QList<std::pair<QString, QVariantList>> m_resultFill;
    QString m_savedReport;
    std::unique_ptr<SessionWatch> m_sessionWatch;
    int m_lastColumn = -1;
    bool m_initialised = false;
};
