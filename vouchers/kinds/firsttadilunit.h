#pragma once

#include "sourcechainform.h"

class QLabel;

// Task window "تعديلات اوليه", opened by FirstTadil_Amval: corrections to the opening
// values of assets, each row with the asset (its name shown beside it), the amount of
// the correction of either sign, the delivery source whose account chain the row
// carries, and the paper form number. An asset is taken whatever became of it since:
// no sale or retirement stands in the way.
class TFirstTadilForm : public TSourceChainForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TFirstTadilForm(QWidget* parent = nullptr);

    // Footer: the voucher's total and the names of the row's source and chain.
    QLineEdit* ESValueSum = nullptr;

protected:
    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override;
    void RefreshFooter() override;
    void RefreshTotals() override;
    void ConfigureFields() override;
    void NormaliseRow() override;
    TRowRefusal CheckRow() override;
    // The chain and the source take the widths the delivery sources give them.
    QString WidthSource(const QString& field) const override;
    void AssetPicked(const QString& code) override;
    bool GuardsAssetState() const override { return false; }

private:
    int pickAsset();
    // The register's name of the row's asset into the row.
    void takeAssetName(const QString& asset);
};
