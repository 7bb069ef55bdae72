#pragma once

#include "procedures.h"
#include "voucherform.h"

#include <QElapsedTimer>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;
class TCountReconcileForm;

// Task window "اموال گرداني", opened by AmvalGardani_Amval: a physical count of the assets
// found at one location with one responsible person on the count date. Location and
// person are the header's and are stamped on every row when the count is confirmed;
// the grid holds the asset codes with their names. An asset is counted in one count
// voucher only. No form numbers, no accounting voucher, no day-book, no action log.
// A barcode scanner types a code and Enter: the row is checked and posted and the
// cursor waits in the next row's code. In scan mode (F9) the reads go to a box of their
// own instead: each read is looked up once and either becomes a row or is refused, said
// in the status line below the grid with a sound of its own, never with a message or a
// list that would take the next read's keys.
class TAmvalGardaniForm : public TVoucherForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TAmvalGardaniForm(QWidget* parent = nullptr);

    // Header: location and person with their names.
    QLineEdit* MakanCod;
    QLineEdit* MakanNam;
    QLineEdit* PersonelCod;
    QLineEdit* PersonelNam;
    // The menu item of the reconciliation with the asset register.
    QAction* miReconcile;
    // The menu item that fills the count's rows from a spreadsheet.
    QAction* miExcel;
    // The menu item that prints labels for the count's rows (the chosen ones, or all).
    QAction* miLabels;

    // Scan mode: its switch (F9, its caption tells the state), the box the reads are
    // typed into, the status line, and the codes read that the register does not know
    // (one a line, to be copied).
    QPushButton* ScanModeButton;
    QLineEdit* ScanEdit;
    QLabel* ScanStatus;
    QPlainTextEdit* UnknownCodes;
    QPushButton* cmdCopyUnknown;

    // What became of one read.
    enum class ScanOutcome {
        Added,            // a new row
        Marked,           // a new row, of an asset the register has at another place or holder
        Twice,            // the count holds the asset already: not added again
        Unknown,          // no asset has the code: kept in the unknown codes
        Sold,             // sold on or before the count's date: not added
        Retired,          // retired for good on the count's date: not added
        CountedElsewhere, // in a stored count voucher: not added
        BadCode,          // letters, blanks or nothing: not added
        Partial,          // keys without Enter, a pause longer than a scanner's: dropped
        NotReady,         // no date committed, no place or holder, or a voucher not to be changed
        MessageOpen,      // read while a message was open: not taken
    };
    // Keys further apart than this are not one scanner's read: the keys before the pause
    // are dropped and the next key starts a new read. Enter ends a read.
    static constexpr int ScanGapMs = 300;
    bool ScanMode() const { return m_scanMode; }
    void SetScanMode(bool on);
    // One read taken as Enter after it takes it.
    ScanOutcome TakeScan(const QString& read);
    // The last read's outcome and the number of beeps it sounded.
    ScanOutcome LastScanOutcome() const { return m_lastScan; }
    int LastScanBeeps() const { return m_lastBeeps; }
    // The beeps each outcome sounds: one pattern an outcome.
    static int BeepsOf(ScanOutcome outcome);

    void OkBitBtnClick() override;
    void cmdDelClick() override;

    // After rows were put into the transaction table from elsewhere (a spreadsheet):
    // every asset code right-aligned with blanks to the stored column's width, in one
    // statement, and the grid opened again.
    void afterExcelImport();
    // The spreadsheet import window on this count's transaction table, with the
    // header's number, date, place, person and user; afterExcelImport() when it
    // imported.
    void ImportFromExcel();
    // Whether the user's settings text (UserSdc.Dara) names the count: then he marks a
    // spreadsheet's columns and keeps forms in the import; otherwise the saved forms
    // mark them.
    bool MayMarkSpreadsheets() const;

    // The reconciliation of this count (its rows and its header's location and
    // person) with the asset register, in a window of its own; nullptr when there is
    // nothing to reconcile (said).
    TCountReconcileForm* OpenReconciliation();

protected:
    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override {}
    void ClearFooter() override;
    void RefreshFooter() override {}
    void RefreshTotals() override {}
    void ConfigureFields() override;
    void CreateExtraTables() override;
    void NormaliseRow() override;
    TRowRefusal CheckRow() override;
    QString GridOrder() const override;
    void AfterLoad() override;
    void AfterDateCommit() override;
    QString CaptionOf(const QString& shared) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildScanPanel();
    // A scanner's key in the scan box: true when taken.
    bool scanKey(QKeyEvent* key);
    // A key that reached an open message while scan mode is on: true when it was a
    // scanner's read (taken from the message and said).
    bool keyWhileMessage(QObject* watched, QKeyEvent* key);
    void dropPartialRead();
    void sayScan(ScanOutcome outcome, const QString& text);
    // Why a read cannot become a row now ("" when it can).
    QString scanNotReady() const;
    bool addScannedRow(const QString& code, const QString& name, const QString& mark);
    // A header code in its stored form (right-aligned to the count table's width).
    QString storedHeader(const QLineEdit* edit, const QString& column) const;
    // The name of the header's location or person ("" when the code is unknown).
    QString locationName(const QString& code) const;
    QString personName(const QString& code) const;
    // Enter or leaving a header code box: a known code takes its name, anything else
    // opens the list. True when the box holds a known code.
    bool headerCodeDone(QLineEdit* edit);
    int pickAsset();
    // The rows of the grid that hold `asset`, in order.
    QList<int> rowsOf(const QString& asset) const;
    // What a refused save says: the message of the one row at fault, or a line for
    // each row at fault (its number, its code, why); `firstRow` set to the first of
    // them. The fixed save failure when the refusal names no asset.
    QString saveRefusal(const VoucherWriteAnswer& answer, int* firstRow) const;

    bool m_scanMode = false;
    // A header code's list is open: the focus it takes from the code is no leaving.
    bool m_pickingHeader = false;
    // The row being posted was checked by its scan: no second look-up.
    bool m_scanApproved = false;
    QString m_scanBuffer;
    QElapsedTimer m_scanClock;
    QTimer* m_scanGap = nullptr;
    QTimer* m_beeper = nullptr;
    int m_beepsLeft = 0;
    int m_lastBeeps = 0;
    ScanOutcome m_lastScan = ScanOutcome::NotReady;
    // Keys of a read that went to an open message, and when the last came.
    QString m_lostRead;
    QElapsedTimer m_lostClock;
    QObject* m_messageWatch = nullptr;
};
