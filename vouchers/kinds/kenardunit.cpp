#include "kenardunit.h"

#include "d_globalunit.h"

#include "commandquery.h"
#include "dataset.h"
#include "dbgrid.h"

const QString TKenarDForm::Caption = QStringLiteral("كنارگذاري دايمي");

namespace {

const QString kNoMethod = QStringLiteral("ندارد");
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
}

QList<TVoucherColumn> TKenarDForm::AmountColumns()
{
    return {TVoucherColumn(kSalvage, QStringLiteral("ارزش اسقاط"), 80).Rule(kAmountRule)};
}

void TKenarDForm::ConfigureFields()
{
    TDisposalForm::ConfigureFields();
    if (DataField* field = quAsnad->findField(kSalvage))
        field->setDisplayFormat(QStringLiteral("###,###,###,###"));
}

QList<TNamePart> TKenarDForm::ExtraNameParts(const QString& asset) const
{
    return {{"RaveshEst", "Select RaveshEst  From D_Amval    Where DaraCod   = ", asset}};
}

void TKenarDForm::ReadExtraNames(const QHash<QString, QString>& names)
{
    m_raveshEst = names.value(QStringLiteral("RaveshEst"));
}

void TKenarDForm::NormaliseRow()
{
    TDisposalForm::NormaliseRow();
    DataField* field = quAsnad->fieldByName(kSalvage);
    field->setValue(field->asFloat());
}

TRowRefusal TKenarDForm::CheckRow()
{
    // An unknown code opens the list without a word.
    if (TRowRefusal r = CheckAsset(QStringLiteral("كد دارايي خالي ميباشد."), QString());
        r.Refused())
        return r;
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select RaveshEst From D_Amval Where DaraCod = ?"),
            {Padded(VoucherColumn::DaraCod)});
    m_raveshEst = q->fieldByName(QStringLiteral("RaveshEst"))->asString();
    q->close();
    if (TRowRefusal r = CheckConditionExists(); r.Refused())
        return r;
    if (quAsnad->fieldByName(kSalvage)->asFloat() == 0 && m_raveshEst.trimmed() != kNoMethod)
        return TRowRefusal::Of(QStringLiteral("ارزش اسقاط صفر ميباشد."), kSalvage);
    if (TRowRefusal r = CheckFormNumber(QStringLiteral("شماره برگه كنارگذاري دايميخالي ميباشد."));
        r.Refused())
        return r;
    if (TRowRefusal r = CheckStartOfUse(Padded(VoucherColumn::DaraCod)); r.Refused())
        return r;
    return CheckChains();
}

// An asset that is not depreciated leaves without a salvage value.
void TKenarDForm::AfterRowChecks()
{
    if (m_raveshEst.trimmed() == kNoMethod)
        quAsnad->fieldByName(kSalvage)->setValue(0.0);
}
