#pragma once

#include "sourcechainform.h"

class QLabel;

// Task window "تعميرات اساسي", opened by AsaseChange_Amval: major repairs and
// improvements, each row adding an amount to an asset's cost and possibly lengthening
// its useful life, with its condition, the delivery source the work came from (whose
// account chain the row carries) and its paper form number. An asset still under
// warranty at the voucher's date is taken only after the user confirms it.
class TAsaseChangeForm : public TSourceChainForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TAsaseChangeForm(QWidget* parent = nullptr);

    // Footer: the voucher's totals (beside the row's names).
    QLineEdit* ESValueSum = nullptr;
    QLineEdit* ENewMesureSum = nullptr;

protected:
    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override;
    void RefreshFooter() override;
    void RefreshTotals() override;
    void ConfigureFields() override;
    void NormaliseRow() override;
    TRowRefusal CheckRow() override;

private:
    int pickAsset(bool guard);
    // False when the asset's warranty runs past the voucher's date and the user
    // answers No to going on.
    bool warrantyAccepted();

    // The answer to the warranty question of the post under way.
    bool m_warrantyRefused = false;
};
