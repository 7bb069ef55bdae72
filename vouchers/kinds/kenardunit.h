#pragma once

#include "disposalform.h"

// Task window "كنارگذاري دايمي", opened by KenarD_Amval: assets taken out of use for
// good, each with its condition, salvage value, paper form number, the counterparty's
// account chain and the chain of the gain or loss. An asset that is not depreciated
// leaves with salvage value 0.
class TKenarDForm : public TDisposalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TKenarDForm(QWidget* parent = nullptr);

protected:
    QList<TVoucherColumn> AmountColumns() override;
    void RefreshTotals() override {}
    TRowRefusal CheckRow() override;
};
