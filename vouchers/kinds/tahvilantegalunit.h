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

    // Footer names of the current row (beside the asset's, its condition's and the
    // cost centre's).
    QLineEdit* EPersonelNam = nullptr;
    QLineEdit* EMakanNam = nullptr;

protected:
    // A kind that takes the transfer's row layout (the tax-return group change).
    TTahvilAntegalForm(const TVoucherKind& kind, QWidget* parent);

    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override;
    void RefreshFooter() override;
    void RefreshTotals() override {}
    void NormaliseRow() override;
    TRowRefusal CheckRow() override;

    // The footer's names a kind reads beside the transfer's, and shows.
    virtual QList<TNamePart> ExtraNameParts() const { return {}; }
    virtual void ShowExtraNames(const QHash<QString, QString>& names) { Q_UNUSED(names); }

    // The asset: given, and in the register (else its list opens).
    TRowRefusal CheckAssetKnown(const QString& asset);
    // Recipient, condition, location and cost centre, in this order.
    TRowRefusal CheckHolderAndPlace();

    // The lists of the row's columns: 1 when a row was chosen (and written into the
    // row), 2 otherwise.
    int pickAsset(bool guard);
    // Whether `sql` (one bound value) finds a row.
    bool found(const QString& sql, const QString& value);

private:
    int pickRecipient();
    int pickLocation();
    int pickCostCentre();
};
