#pragma once

#include "amvalform.h"
#include "reportrows.h"

#include <QColor>
#include <QString>

class DataSet;
class DbGrid;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TReportGrid;

// Task window "جدول استهلاك و بهاي تمام شده داراييها", opened by
// AssetSchedule_Amval: the schedule of the fixed assets by tax-return group that goes
// with the tax return, for a fiscal period of the company (the current one unless
// another is chosen) and a range of groups. Per group, and in it per asset: opening
// cost, additions, reductions, disposals, the cost moved in or out of the group by a
// group change, the transfers between cost centres, closing cost, accumulated
// depreciation at both ends and book value; group totals and a grand total. The
// figures are the database's (sp_D_Amval_Schedule, database/assetschedule.h says how
// each is made); a row that does not add up is drawn in red with its reason. F5 or
// the button shows; a report grid with the whole menu and saved reports. Nothing is
// written.
class TAssetScheduleForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    // The refusals, each with the cursor on the box at fault.
    static const QString RangeText;
    static const QString NoAssetsText;
    static const QString NoAssetsInRangeText;

    explicit TAssetScheduleForm(QWidget* parent = nullptr);
    ~TAssetScheduleForm() override;

    QComboBox* cmbDorehMale;
    QLineEdit* EFromVez;
    QLineEdit* EToVez;
    QPushButton* cmdShow;
    QLabel* lbSummary;
    DbGrid* dbgSchedule;
    DataSet* quSchedule;
    TReportGrid* ReportGrid;
    QAction* miShow;
    QAction* R_SaveAsItem;
    QAction* R_OpenItem;

    // Reads the schedule of the chosen period and range (F5, the button, Enter in
    // the last box): the first screen's rows at once, the whole schedule as soon as
    // the window is idle (CompleteSchedule). False when refused (said, the cursor on
    // the box at fault).
    bool ShowSchedule();
    // Reads the whole schedule of the last ShowSchedule in place of its first screen,
    // the current row kept; true once it is there.
    bool CompleteSchedule();
    bool Complete() const { return m_complete; }

    // How a row of the schedule is drawn: the group and grand totals bold on the
    // appearance's title and read-only colours, a row that does not add up in red.
    struct RowStyle
    {
        QColor text;
        QColor back;
        bool bold = false;
    };
    RowStyle StyleOfRow(int row) const;
    static const QColor& ErrorColor();

    QString ResultTable() const { return m_resultTable.name(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillPeriods();
    void refuse(const QString& text, QWidget* box);
    void setColumns();
    // The result made again by the procedure called with `arguments`.
    void remakeBy(const QStringList& arguments);

    ReportTable m_resultTable;
    int m_groupWidth = 0;
    bool m_initialised = false;
    // The criteria of the schedule shown (period, first and last group), and whether
    // all of it is there.
    QStringList m_whole;
    bool m_complete = false;
    int m_generation = 0;
    RowStyle m_groupStyle;
    RowStyle m_totalStyle;
};
