#pragma once

#include "kenarmunit.h"

// Task window "کنارگذاري موقت", opened by BarKenarM_Amval: the return to use of assets
// taken out of use for a time. The rows and checks of the temporary retirement,
// with an asset list of the retired assets, a check that the asset was not returned
// already, an asset never retired up to the voucher's date refused, and no
// start-of-use check.
class TBarKenarMForm : public TKenarMForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TBarKenarMForm(QWidget* parent = nullptr);

protected:
    TBarKenarMForm(const TVoucherKind& kind, const QString& retirementTable,
                   const QString& emptyFormText, QWidget* parent);

    TRowRefusal CheckRow() override;
    // The shared guard, and an asset never retired up to the voucher's date.
    TRowRefusal AssetStateRefusal(const QString& asset) override;
    // Also the assets another return of the kind holds: two clerks returning one asset
    // at once.
    QSet<QString> AssetsToGuardAgain() override;
    // The guard, and an asset each retirement of which up to the date has its return.
    TRowRefusal StoredAssetRefusal(const QString& asset) override;
    int PickAssetForRow(bool guard) override;
    void AfterScroll() override;
    void ColumnLeft(const QString& field) override;

    // How often the asset (trimmed code) was retired on or before the voucher's date,
    // and how often returned on or before it (`after` false) or after it, by the
    // other vouchers of this window's kind.
    int RetirementCount(const QString& code) const;
    int ReturnCount(const QString& code, bool after) const;
    // Refused at the asset when it has no retirement up to the voucher's date: there is
    // nothing to return it from. `retired` names the retirement in the message.
    TRowRefusal NeverRetired(const QString& code, const QString& retired) const;

private:
    // The row's asset was returned already for each retirement up to the voucher's
    // date (then the code is emptied): the refusal, or an accepting one.
    TRowRefusal alreadyReturned();

    QString m_retirementTable;
    QString m_emptyFormText;
    // The asset code the current row had when the cursor arrived on it.
    QString m_arrivedCode;
};
