#pragma once

#include "voucherform.h"

class QLineEdit;

// Task window "کنارگذاري موقت", opened by KenarM_Amval: assets taken out of use for a
// time, each with its condition, the location where it is stored, the cost centre
// it is charged to and its paper form number. No amounts and no account chain.
// The returns from retirement share its rows, its footer and most of its checks.
class TKenarMForm : public TVoucherForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TKenarMForm(QWidget* parent = nullptr);

    // Names of the current row's codes below the grid (beside the asset's and its
    // condition's).
    QLineEdit* EMarkazNam = nullptr;
    QLineEdit* EMakanNam = nullptr;

protected:
    TKenarMForm(const TVoucherKind& kind, QWidget* parent);

    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override;
    void RefreshFooter() override;
    void RefreshTotals() override {}
    void NormaliseRow() override;
    TRowRefusal CheckRow() override;

    // The checks the returns share, in their order: the asset, its condition,
    // location and cost centre, then the paper form number (`emptyFormText`).
    TRowRefusal CheckRowCodes(const QString& emptyFormText);
    // The asset list of the asset column; with `guard` a refused asset counts as a
    // cancelled pick. 1 goes on, 2 stays.
    virtual int PickAssetForRow(bool guard);
    // The guard, and an asset out of use already on the voucher's date: taken out by
    // another temporary retirement on or before it and not returned since.
    TRowRefusal AssetStateRefusal(const QString& asset) override;
    // Also the assets another temporary retirement holds: two clerks retiring one asset
    // at once.
    QSet<QString> AssetsToGuardAgain() override;
    // The assets of the window's rows (trimmed codes) that a voucher of `table` other
    // than this one holds.
    QSet<QString> AssetsInOtherVouchers(const QString& table) const;
    // What a look-up of the asset's or this voucher's rows binds: the code or number
    // in its stored form and bare, both found by the column's index.
    QVariantList CodeForms(const QString& code) const;
    QVariantList NumberForms() const;

private:
    // The day the asset went out of use by another temporary retirement still in force
    // on the voucher's date ("" while it is in use then).
    QString setAsideSince(const QString& code) const;
    int pickLocation();
    int pickCostCentre();
    // A column's list opens only on an open grid the user may change.
};
