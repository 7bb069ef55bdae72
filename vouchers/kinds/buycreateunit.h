#pragma once

#include "voucherform.h"

class TEndGheimatForm;

// Task window "خريد/ساخت", opened by BuyCreate_Amval: assets bought or built, each
// with its cost price split into cost components, its salvage value, the delivery
// source it came from (which carries the account codes) and its paper form number.
class TBuyCreateForm : public TVoucherForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TBuyCreateForm(QWidget* parent = nullptr);
    ~TBuyCreateForm() override;

    // The cost components of the voucher's assets: transaction table name + "R".
    QString GheimatTableName() const { return TransTableName() + QLatin1Char('R'); }
    TEndGheimatForm* EndGheimatForm() const { return m_endGheimatForm; }
    // Depreciation method of the current row's asset, as the footer read it.
    QString RaveshEst() const { return m_raveshEst; }

    // Footer (beside the asset's and the chain's names).
    QLineEdit* EMabadiNam = nullptr;
    QLineEdit* EEndFeeSum = nullptr;
    QLineEdit* EEsshatSum = nullptr;

    // Enter or double click on the cost price: the asset's components.
    int ShowCostComponents();

protected:
    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override;
    void ClearFooter() override;
    void RefreshFooter() override;
    void RefreshTotals() override;
    void ConfigureFields() override;
    void CreateExtraTables() override;
    void RemakeExtraTables() override;
    void AfterDateCommit() override;
    void NormaliseRow() override;
    TRowRefusal CheckRow() override;
    void AfterRowChecks() override;
    void BeforeRowDelete() override;
    void AfterRowPost() override;

private:
    int pickAsset();
    int pickDeliverySource();
    // The asset is in another purchase voucher, or twice in this one.
    TRowRefusal assetAlreadyBought(const QString& code);
    // The current row's names in the footer (the totals stay).
    // The components table as it is now, kept in memory: what a session the server
    // ended took with it is put back from here (RemakeExtraTables).
    void keepComponents();
    void followCostToAsset();

    TEndGheimatForm* m_endGheimatForm = nullptr;
    QString m_raveshEst;
    // The components table's rows: SanadNoAmval, DaraCod, GheimatCod, GheimatNam,
    // sValue; while the components window is open, those of its asset are its own.
    QList<QVariantList> m_components;
    QString m_componentsAsset;
};
