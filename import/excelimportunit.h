#pragma once

#include "excelimportstore.h"
#include "workbookreader.h"

#include <QDialog>
#include <QList>
#include <memory>

class CommandQuery;
class DbConnection;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QMenu;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTableView;
class QToolButton;
class SessionWatch;
class SheetModel;
class TCaptionPanel;

// The spreadsheet import window "ورود اطلاعات از فايل Excel": fills the rows of a
// count voucher's transaction table from a workbook. The caller hands it the
// voucher's values, shows it with exec() (1 after an import, 2 when cancelled) and
// afterwards aligns the codes and reopens its grid.
//
// For the user: "انتخاب فايل Excel" opens a workbook, one tab per sheet; a right
// click on a column (title or cell) marks it as the asset code or the asset name;
// markings can be kept as named forms, the default form being applied to every
// workbook opened. OK checks every row with something in it as the count checks a
// typed row (the codes read with the digits 0-9); when any is refused, the refused
// ones are listed in the host's list window, by their row in the sheet with the
// reason, and nothing is written. Otherwise it writes one voucher row per such row,
// with a progress window whose cancel leaves the voucher as it was.
class TFrm_Excel_Import2 : public QDialog
{
    Q_OBJECT
public:
    // The slots a spreadsheet column may be marked for: the asset code and the asset
    // name. Only the code is imported; the name marks the sheet as the right one.
    enum Slot { CodeSlot = 0, NameSlot = 1, SlotCount = 2 };

    // `targetTable` is the voucher's transaction table; `command` the module's
    // command query, whose connection the window works on.
    TFrm_Excel_Import2(const QString& targetTable, CommandQuery* command,
                       QWidget* parent = nullptr);
    ~TFrm_Excel_Import2() override;

    void setVoucherNumber(const QString& number) { m_values.number = number; }
    void setVoucherDate(const QString& date) { m_values.date = date; }
    void setPersonCode(const QString& code) { m_values.person = code; }
    void setPlaceCode(const QString& code) { m_values.place = code; }
    void setUserName(const QString& name) { m_values.user = name; }
    // Whether the user may mark the spreadsheet's columns and keep forms (his settings
    // text names the count, see TAmvalGardaniForm). Without it the columns are marked by
    // the saved forms only: the pop-up menu's items and "ذخيره فرم" stay disabled.
    // Allowed unless said.
    void setMarkingAllowed(bool allowed);

    // The import table made for this window ("" when it could not be made).
    QString importTableName() const { return m_importTable; }
    // Opens a workbook as "انتخاب فايل Excel" does after its file dialog; false (and
    // the message shown) when it is refused, the window then unchanged.
    bool openWorkbook(const QString& path);
    // The spreadsheet column marked for a slot, -1 when none.
    int markedColumn(int slot) const { return m_marked[slot]; }
    // The rows of the open sheet that become voucher rows.
    int dataRowCount() const;

    TCaptionPanel* Caption_Panel;
    QFrame* Close_Shape;
    QToolButton* sb_Closed;
    QComboBox* cbForms;
    QPushButton* btnSelectFile;
    QPushButton* BitBtn2;
    QCheckBox* chbOnvan;
    QTabBar* ExcelSheet;
    QTableView* ExcelGrid;
    QMenu* PopupMenu1;
    QAction* miSlot[SlotCount];
    QAction* miClear;
    QAction* miClearAll;
    QGroupBox* rgMode;
    QRadioButton* rbReplace;
    QRadioButton* rbAppend;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

public slots:
    void btnSelectFileClick();
    void BitBtn2Click();
    void cmdOkClick();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    static const QString kSlotField[SlotCount];
    static const QString kSlotCaption[SlotCount];

    DbConnection* connection() const;
    // Reads sheet `index` with a cancellable progress window; false (message shown
    // unless cancelled) when it could not be read.
    bool readSheet(WorkbookReader* reader, int index, SheetRows* rows);
    void showSheet(SheetRows rows);
    void sheetChanged(int index);
    void titlesToggled();
    void clearMarks();
    void mark(int slot, int column);
    void openMenu(int column, const QPoint& globalPos);
    // The spreadsheet's own title of a column: the first row's text with the title
    // row option, else the column's letters.
    QString columnTitle(int column) const;
    void fillForms(int select);
    void applyForm(int number);
    void applySelectedForm();
    // Both slots marked, or the message for the first one that is not.
    bool slotsMarked();
    bool confirmProgress(QProgressDialog* progress, int done);

    // A row of the sheet on its way to the count: its number in the sheet, the text of
    // its code cell and, when refused, why.
    struct ImportedRow
    {
        int sheetRow = 0;
        QString cell;
        QString reason;
    };
    // The refused rows in the host's list window, by their row in the sheet.
    void showRefusedRows(const QList<ImportedRow>& refused);

    QString m_targetTable;
    CommandQuery* m_command;
    QString m_importTable;
    std::unique_ptr<SessionWatch> m_sessionWatch;
    ExcelImportStore::VoucherValues m_values;
    std::unique_ptr<WorkbookReader> m_reader;
    SheetModel* m_model;
    int m_marked[SlotCount];
    int m_menuColumn = -1;
    int m_sheet = -1;
    bool m_fillingForms = false;
    bool m_markingAllowed = true;
};
