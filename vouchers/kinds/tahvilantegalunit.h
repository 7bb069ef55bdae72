#pragma once

#include "voucherform.h"

class QLabel;

// Task window "تحويل/انتقال", opened by TahvilEntegal_Amval: assets handed over to a
// person and moved to a location and a cost centre, each row with its recipient,
// condition, new location, new cost centre and paper form number. No amounts and no
// account chain.
class TTahvilAntegalForm : public TVoucherForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TTahvilAntegalForm(QWidget* parent = nullptr);

    // Footer names of the current row.
    QLineEdit* EDaraNam = nullptr;
    QLineEdit* ETafsily2Nam = nullptr;
    QLineEdit* EPersonelNam = nullptr;
    QLineEdit* EVazNam = nullptr;
    QLineEdit* EMakanNam = nullptr;

protected:
    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override;
    void ClearFooter() override;
    void RefreshFooter() override;
    void RefreshTotals() override {}
    void NormaliseRow() override;
    TRowRefusal CheckRow() override;

private:
    // The lists of the row's columns: 1 when a row was chosen (and written into the
    // row), 2 otherwise.
    int pickAsset(bool guard);
    int pickRecipient();
    int pickLocation();
    int pickCostCentre();
    // A list opens only on an open grid the user may change.
    // The row's code in its stored form.
    QString stored(const QString& field) const;
    // Whether `sql` (one bound value) finds a row.
    bool found(const QString& sql, const QString& value);
};
