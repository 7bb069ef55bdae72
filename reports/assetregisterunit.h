#pragma once

#include "amvalform.h"
#include "reportrows.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

class DataSet;
class DbConnection;
class DbGrid;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RangeCodeBoxes;
class TDateTrio;
class TReportGrid;
struct TCompanySettings;

// Task window "دفتر دارايي در تاريخ", opened by AssetRegister_Amval: one row per
// asset as the register stood at the end of a day (today by default): its cost and
// the parts of it, accumulated depreciation, book value, salvage value, method, rate,
// life, holder, place, cost centre, state with its date and tax group, within the
// ranges typed (asset, place, holder, cost centre, tax group, delivery source) and the
// states ticked, the ranges applying to the values of that day. The figures come from
// the register's own fold replayed up to the day (the procedure sp_D_Amval_OnDate).
// The first assets are shown at once, the rest read in chunks under a progress window
// the user may stop; once all are read, a second grid under the first gives the sums
// per article (the asset's group) and the grand total. A report grid with the whole
// menu. Nothing is written.
class TAssetRegisterForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    // The refusals, each with the cursor back in the box at fault.
    static const QString BadDateText;
    static const QString NoPeriodText;
    static const QString UpsideDownText;
    static const QString NoAssetText;
    // Said under the grid.
    static const QString StoppedText;
    static const QString NothingText;
    static QString CountText(int assets);
    // The totals row of the assets of no article (land, which is not depreciated).
    static const QString NoArticleText;
    // The assets shown before the rest are read (300); a test that reads the rest on
    // a small company lowers it.
    static int& FirstScreen();

    explicit TAssetRegisterForm(QWidget* parent = nullptr);
    ~TAssetRegisterForm() override;

    QLineEdit* EDay;
    QLineEdit* EMonth;
    QLineEdit* EYear;
    QLineEdit* FrDaraCod;
    QLineEdit* ToDaraCod;
    QLineEdit* FrMakanCod;
    QLineEdit* ToMakanCod;
    QLineEdit* FrPersonCod;
    QLineEdit* ToPersonCod;
    QLineEdit* FrTafsily2Cod;
    QLineEdit* ToTafsily2Cod;
    QLineEdit* FrVezCod;
    QLineEdit* ToVezCod;
    QLineEdit* FrMabadiCod;
    QLineEdit* ToMabadiCod;
    QCheckBox* cbInUse;
    QCheckBox* cbSetAside;
    QCheckBox* cbRetired;
    QCheckBox* cbSold;
    QPushButton* btnShow;
    QLabel* lbTafsily2;
    QLabel* lbStatus;
    DbGrid* dbgRegister;
    DataSet* quRegister;
    DbGrid* dbgTotals;
    DataSet* quTotals;
    TReportGrid* ReportGrid;
    QAction* miShow;
    QAction* R_OpenItem;
    QAction* R_SaveAsItem;

    // Shows the register on the day typed (F5, the button, Enter in the last box).
    // False when the input was refused (said, the cursor in the box at fault) or the
    // user stopped the reading (said under the grid, nothing kept).
    bool ShowRegister();
    // The Enter order of the boxes after the date.
    QList<QLineEdit*> EnterOrder() const;
    // The work tables of the rows and of the sums.
    QString ResultTable() const { return m_resultTable.name(); }
    QString TotalsTable() const { return m_totalsTable; }
    // Told once the first screen of rows is in the grid (a benchmark's stopwatch).
    std::function<void()> FirstScreenShown;
    // The day of the register shown ("yyyy/mm/dd"; empty before a showing).
    QString ShownDate() const { return m_shownDate; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void initialise();
    void moveOn(QLineEdit* edit);
    void refuse(const QString& text, QLineEdit* at);
    // The date typed, checked; empty when refused.
    QString checkedDate();
    bool insidePeriod(const QString& date);
    // The sums of the rows shown, by article and in all (the table only; and shown).
    void makeTotalsTable();
    void makeTotals();
    void clearResult();

    DbConnection* m_connection = nullptr;
    std::unique_ptr<TCompanySettings> m_settings;
    TDateTrio* m_date = nullptr;
    RangeCodeBoxes* m_codeBoxes;
    ReportTable m_resultTable;
    QString m_totalsTable;
    QString m_shownDate;
    int m_rowsIn = 0;
    bool m_initialised = false;
};
