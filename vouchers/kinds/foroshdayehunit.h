#pragma once

#include "disposalform.h"

// Task window "فروش دارايي", opened by ForoshDarae_Amval: assets sold, each with its
// condition, sale value and sale amount, buyer, paper form number, the buyer's
// account chain and the chain the gain or loss on the sale goes to.
class TForoshDayehForm : public TDisposalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TForoshDayehForm(QWidget* parent = nullptr);

    // Totals of the voucher.
    QLineEdit* EArzeshFeeSum = nullptr;
    QLineEdit* ESValueSum = nullptr;

protected:
    QList<TVoucherColumn> AmountColumns() override;
    void CreateKindFooter(int row) override;
    void RefreshTotals() override;
    TRowRefusal CheckRow() override;
    bool DeferredSave() const override;
};
