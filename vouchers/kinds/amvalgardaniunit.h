#pragma once

#include "procedures.h"
#include "voucherform.h"

class QLineEdit;
class TCountReconcileForm;

// Task window "اموال گرداني", opened by AmvalGardani_Amval: a physical count of the assets
// found at one location with one responsible person on the count date. Location and
// person are the header's and are stamped on every row when the count is confirmed;
// the grid holds the asset codes with their names. An asset is counted in one count
// voucher only. No form numbers, no accounting voucher, no day-book, no action log.
// A barcode scanner types a code and Enter: the row is checked and posted and the
// cursor waits in the next row's code.
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
};
