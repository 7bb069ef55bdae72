#pragma once

#include "chartofaccounts.h"
#include "voucherform.h"

#include <functional>

// What the sale and the permanent retirement vouchers share: each row names an asset
// leaving the books, its condition, a paper form number, and two account code
// chains: the counterparty's (Koll ... ProjectCod) and the gain or loss's (HKoll ...
// HProjectCod). Each H column uses the same pick list as its twin and fills its own
// column; its input length is its twin's. Below the grid the names of the current
// row's asset, condition and counterparty chain are shown.
// The titles a kind gives the counterparty's Koll column and, unless the company
// names it, the second detail level; whether its rows carry the gain or loss's
// chain (without it the counterparty's last level finishes the row); and whether the
// footer names the second detail and project levels by the company's names, as the
// columns do, rather than by the fixed labels the sale and retirement show.
struct TChainTitles
{
    QString Koll;
    QString Tafsily2;
    bool GainOrLoss = true;
    bool CompanyLevelLabels = false;
};

class TDisposalForm : public TVoucherForm
{
    Q_OBJECT
public:
    TDisposalForm(const TVoucherKind& kind, const TChainTitles& titles, QWidget* parent = nullptr);

    // The twin of an H column ("HKoll" -> "Koll"); the column itself otherwise.
    static QString Twin(const QString& field);
    // Depreciation method of the current row's asset (kinds with a salvage value).
    QString RaveshEst() const { return m_raveshEst; }

protected:
    // The kind's columns between the condition and the counterparty chain. Those
    // with an amount rule show their values as amounts and are stored as numbers.
    virtual QList<TVoucherColumn> AmountColumns() = 0;
    // Lines of the footer the kind adds after the names (totals).
    virtual void CreateKindFooter(int row) { Q_UNUSED(row); }
    // Sub-selects of the kind's own in front of the names statement, and their reading.
    virtual QList<TNamePart> ExtraNameParts() const;
    virtual void ReadExtraNames(const QHash<QString, QString>& names);

    QList<TVoucherColumn> Columns() override;
    void CreateFooter() override;
    void RefreshFooter() override;
    void ConfigureFields() override;
    void NormaliseRow() override;

    // The shared checks, each accepting or the refusal.
    // The asset code: not empty (`emptyText`), known (`unknownText`, "" to open the
    // list without a word), neither sold nor retired up to the voucher's date.
    TRowRefusal CheckAsset(const QString& emptyText, const QString& unknownText);
    TRowRefusal CheckConditionExists();
    TRowRefusal CheckChains();
    // Kinds whose rows carry a salvage value name its column: the row's asset's
    // depreciation method is then read with the footer's names and by the check
    // below, and an asset that is not depreciated (method "ندارد") keeps 0.
    void SetSalvageColumn(const QString& field) { m_salvageColumn = field; }
    // A salvage value of 0 refused with `zeroText` for a depreciated asset.
    TRowRefusal CheckSalvage(const QString& zeroText);
    void AfterRowChecks() override;
    // The asset pick list; with `guard` the asset state guard runs for the choice.
    int PickAssetForRow(bool guard);
    // The width a column's text takes (an H column takes its twin's).
    int CodeWidth(const QString& field) const override;

    // Asset, condition and chain columns, upper-cased.
    static bool IsChainColumn(const QString& field);

private:
    TChainTitles m_titles;
    QStringList m_amountFields;
    QString m_salvageColumn;
    QString m_raveshEst;
};
