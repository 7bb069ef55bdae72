#pragma once

#include "amvalform.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

class DataSet;
class DbConnection;
class DbGrid;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class RangeCodeBoxes;
class SessionWatch;
class TD_Global;
class TDateTrio;
class TReportGrid;
struct TCompanySettings;

// Task window "جستجوي اسناد دارايي", opened by Search_Amval: the rows of the asset
// vouchers whose values fall inside the ranges typed in the criteria boxes, of the
// voucher kinds chosen in the selection condition dialog, in the order they apply,
// shown in a report grid with the whole grid menu. The grid reads them straight from
// the voucher tables; a work table holds them once a chart or a saved report needs it.
class TAmvalSearchForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    // Said under the grid when a search finds no row, and when the user stopped it.
    static const QString NothingFound;
    static const QString Stopped;
    // Said under the grid once the number of rows found is known.
    static QString TotalText(int rows);

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

    // The result's work table, fixed for the life of the window.
    QString ResultTable() const { return m_resultTable; }

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
    void initialise();
    void normaliseBoxes();
    void createResultTable();
    // The statement of the search over the ranges typed and the kinds chosen, its
    // values appended to `values`; empty when no kind takes part.
    QString searchStatement(QVariantList& values);
    // Copies the result shown into the work table, once, for what reads it there (a
    // saved report, a chart); the user may stop it. False when there is no result or
    // it was not copied (the window has said why).
    bool makeResultRows();
    // The selection table of the kinds chosen (all when none was chosen).
    void makeSelectionTable();
    // The work tables made again, with the result shown, after the server ended the
    // session that had them.
    void remakeWorkTables();
    void moveOn(QLineEdit* edit);
    TD_Global* dGlobal();
    void showDatabaseError(const QString& text);

    DbConnection* m_connection = nullptr;
    std::unique_ptr<TCompanySettings> m_settings;
    std::unique_ptr<TD_Global> m_dGlobal;
    TDateTrio* m_fromDate;
    TDateTrio* m_toDate;
    RangeCodeBoxes* m_codeBoxes;
    QString m_resultTable;
    QString m_selectionTable;
    // The kinds chosen in the kinds dialog, by code; all of them until one is made.
    QStringList m_chosenKinds;
    bool m_allKinds = true;
    // How the result shown was made: its statement and values, or the saved report
    // it was read from; whether the work table holds its rows.
    QString m_resultSql;
    QVariantList m_resultValues;
    QString m_savedReport;
    bool m_resultMade = false;
    std::unique_ptr<SessionWatch> m_sessionWatch;
    int m_lastColumn = -1;
    bool m_initialised = false;
};
