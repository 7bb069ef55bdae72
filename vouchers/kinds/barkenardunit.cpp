#include "barkenardunit.h"

#include "d_globalunit.h"

const QString TBarKenarDForm::Caption = QStringLiteral("کنارگذاري موقت");

TVoucherKind TBarKenarDForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::BarKenarD);
    kind.InstantVoucher = false;
    kind.LayoutKey = GridLayoutKeys::BARKENARD;
    kind.DataSetName = QStringLiteral("quBarKenarM");
    kind.PrintTitle = QStringLiteral("سند برگشت از کنارگذاري دايم شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_BARKENARD");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [برگشت از کنارگذاري دايم]");
    kind.BadNumberText = QStringLiteral("شماره برگشت از کنارگذاري دايم بدرستي وارد نشده است");
    kind.NewRefusalText = QStringLiteral("کاربر مجاز به ثبت برگشت از کنارگذاري دايم جديد نيست");
    kind.DuplicateAssetText = QStringLiteral("كد دارايي تكراري مي باشد.");
    return kind;
}

TBarKenarDForm::TBarKenarDForm(QWidget* parent)
    : TBarKenarMForm(Parameters(), QStringLiteral("D_KenarD"),
                     QStringLiteral("شماره برگه برگشت از کنارگذاري دايم خالي مي باشد."), parent)
{
    setObjectName(QStringLiteral("BarKenarDForm"));
}

// The permanent retirement is what this window undoes: the shared guard would refuse
// every asset it can take. A sale still refuses the asset.
TRowRefusal TBarKenarDForm::AssetStateRefusal(const QString& asset)
{
    if (!DGlobal()->FirstSaleDate(LookupQuery(), asset, PaddedNumber(), VoucherDate()).isEmpty())
        return TVoucherForm::AssetStateRefusal(asset);
    const QString code = asset.trimmed();
    if (TRowRefusal r = NeverRetired(code, QStringLiteral("کنارگذاري دايمي")); r.Refused())
        return r;
    if (ReturnCount(code, false) >= RetirementCount(code))
        return TRowRefusal::Of(QStringLiteral("اين دارايي قبلا برگشت داده شده است."),
                               VoucherColumn::DaraCod);
    return TRowRefusal::Accept();
}
