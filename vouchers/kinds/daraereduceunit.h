#pragma once

#include "disposalform.h"

class QLineEdit;

// Task window "کاهش دارايي", opened by DaraeReduce_Amval: a partial decrease of an
// asset's value (impairment, a part lost) that leaves the asset in use. Each row
// names the asset, its condition, the value reduced, the salvage value, the paper
// form number and the counterparty's account chain. The salvage value follows the
// permanent retirement's rule: an asset that is not depreciated keeps 0.
class TDaraeReduceForm : public TDisposalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TDaraeReduceForm(QWidget* parent = nullptr);

    // The voucher's totals below the names.
    QLineEdit* EArzeshReduceSum = nullptr;
    QLineEdit* EArzeshAsgatSum = nullptr;

protected:
    QList<TVoucherColumn> Columns() override;
    QList<TVoucherColumn> AmountColumns() override;
    void CreateKindFooter(int row) override;
    void RefreshTotals() override;
    TRowRefusal CheckRow() override;
};
