#include "kenardunit.h"

#include "d_globalunit.h"

#include "commandquery.h"
#include "dataset.h"
#include "dbgrid.h"

const QString TKenarDForm::Caption = QStringLiteral("كنارگذاري دايمي");

namespace {

const QString kSalvage = QStringLiteral("ArzeshAsgat");

} // namespace

TVoucherKind TKenarDForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::KenarD);
    kind.WindowCaption = Caption;
    kind.LayoutKey = GridLayoutKeys::KENARD;
    kind.DataSetName = QStringLiteral("quKenarD");
    kind.PrintTitle = QStringLiteral("سند کنارگذاري دايمي شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_KENARD");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [كنارگذاري دايمي]");
    kind.BadNumberText = QStringLiteral("شماره کنارگذاري دايميبدرستي وارد نشده است");
    kind.NewRefusalText = QStringLiteral("کاربر مجاز به ثبت کنارگذاري دايميجديد نيست");
    kind.NoEditSuffix = QStringLiteral("(مجاز به ويرايش نميباشيد)");
    kind.DuplicateAssetText = QStringLiteral("كد دارايي تكراري ميباشد.");
    return kind;
}

TKenarDForm::TKenarDForm(QWidget* parent)
    : TDisposalForm(Parameters(), {QStringLiteral("کل(طرف حساب)"), QStringLiteral("تفصيلي2")},
                    parent)
{
    setObjectName(QStringLiteral("KenarDForm"));
    SetSalvageColumn(kSalvage);
}

QList<TVoucherColumn> TKenarDForm::AmountColumns()
{
    return {TVoucherColumn(kSalvage, QStringLiteral("ارزش اسقاط"), 80).Rule(kAmountRule)};
}

TRowRefusal TKenarDForm::CheckRow()
{
    // An unknown code opens the list without a word.
    if (TRowRefusal r = CheckAsset(QStringLiteral("كد دارايي خالي ميباشد."), QString());
        r.Refused())
        return r;
    if (TRowRefusal r = CheckConditionExists(); r.Refused())
        return r;
    if (TRowRefusal r = CheckSalvage(QStringLiteral("ارزش اسقاط صفر ميباشد.")); r.Refused())
        return r;
    if (TRowRefusal r = CheckFormNumber(QStringLiteral("شماره برگه كنارگذاري دايميخالي ميباشد."));
        r.Refused())
        return r;
    if (TRowRefusal r = CheckStartOfUse(StoredCode(VoucherColumn::DaraCod)); r.Refused())
        return r;
    return CheckChains();
}
