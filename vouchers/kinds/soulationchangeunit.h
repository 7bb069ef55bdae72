#pragma once

#include "voucherform.h"

class QLabel;
class QLineEdit;

// Task window "تغيير روش/برآورد", opened by SoulationChange_Amval: from a given date
// on an asset is depreciated another way. Each row names the asset, the first day of
// the new method, the method (straight line with a new useful life, or declining
// balance with a rate), the paper form number and an account chain. The method is
// not typed: Space in its column switches it, and it decides which of the rate and
// the useful life may be typed.
class TSoulationChangeForm : public TVoucherForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TSoulationChangeForm(QWidget* parent = nullptr);

    // The date of use of the asset the row checks or the start date's Enter last
    // looked up.
    QString BahreDate() const { return m_bahreDate; }

protected:
    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override;
    void RefreshFooter() override;
    void RefreshTotals() override {}
    void NormaliseRow() override;
    TRowRefusal CheckRow() override;
    bool GridKey(const QString& field, QKeyEvent* key) override;

private:
    QString method() const;
    // The row's asset's date of use; false when the asset is not in the register.
    bool readDateOfUse();
    TRowRefusal startDateOnEnter();
    // Straight line <-> declining balance; the value the other method used is zeroed.
    void switchMethod();
    int pickAsset(bool guard);

    QString m_bahreDate;
};
