#include "kenardunit.h"

#include "d_globalunit.h"

#include "commandquery.h"
#include "dataset.h"
#include "dbgrid.h"
#include "servicewindows.h"
#include "sqlquote.h"

const QString TKenarDForm::Caption = QStringLiteral("كنارگذاري دايمي");

namespace {

const QString kNoMethod = QStringLiteral("ندارد");
const QString kSalvage = QStringLiteral("ArzeshAsgat");

} // namespace

TVoucherKind TKenarDForm::Parameters()
{
    TVoucherKind kind;
    kind.Table = QStringLiteral("D_KenarD");
    kind.Procedure = QStringLiteral("sp_D_Asnad_KenarD");
    kind.KindCaption = QStringLiteral("کنارگذاري دايمي");
    kind.WindowCaption = Caption;
    kind.RightsPrefix = QStringLiteral("D_A_KENARD_");
    kind.LayoutKey = GridLayoutKeys::KENARD;
    kind.TypeCode = QStringLiteral("16");
    kind.InstantVoucher = true;
    kind.DataSetName = QStringLiteral("quKenarD");
    kind.ActionLabel = QStringLiteral("کنار گذاري دائم");
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

QList<DbGridColumn> TKenarDForm::AmountColumns() const
{
    return {DbGridColumn::Make(kSalvage, QStringLiteral("ارزش اسقاط"), 80)};
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

QString TKenarDForm::KeyRule(const QString& field) const
{
    if (field.compare(kSalvage, Qt::CaseInsensitive) == 0)
        return kAmountRule;
    return TDisposalForm::KeyRule(field);
}

void TKenarDForm::NormaliseRow()
{
    TDisposalForm::NormaliseRow();
    DataField* field = quAsnad->fieldByName(kSalvage);
    field->setValue(field->asFloat());
}

QString TKenarDForm::CheckRow()
{
    const QString asset = QStringLiteral("DaraCod");
    const QString code = Padded(asset);
    DataSet* q = LookupQuery();

    if (code.trimmed().isEmpty())
        return Refuse(QStringLiteral("كد دارايي خالي ميباشد."), asset);
    q->open(QStringLiteral("Select DaraCod, RaveshEst From D_Amval Where DaraCod = ") +
            SqlQuote(code));
    if (q->isEmpty()) {
        // An unknown code opens the list without a word.
        q->close();
        dbgAsnad->focusField(asset);
        PickAssetForRow(false);
        return asset;
    }
    m_raveshEst = q->fieldByName(QStringLiteral("RaveshEst"))->asString();
    q->close();
    // The list refuses a sold or retired asset, but a code typed without it must be
    // refused here too.
    if (const QString column = AssetStateGuard(DGlobal(), q, code, PaddedNumber(), VoucherDate());
        !column.isEmpty()) {
        dbgAsnad->focusField(column);
        return column;
    }
    if (const QString column = CheckConditionExists(); !column.isEmpty())
        return column;
    if (quAsnad->fieldByName(kSalvage)->asFloat() == 0 && m_raveshEst.trimmed() != kNoMethod)
        return Refuse(QStringLiteral("ارزش اسقاط صفر ميباشد."), kSalvage);
    if (const QString column =
            CheckFormNumber(QStringLiteral("شماره برگه كنارگذاري دايميخالي ميباشد."));
        !column.isEmpty())
        return column;
    if (const QString column = CheckStartOfUse(); !column.isEmpty())
        return column;
    return CheckChains();
}

// An asset that is not depreciated leaves without a salvage value.
void TKenarDForm::AfterRowChecks()
{
    if (m_raveshEst.trimmed() == kNoMethod)
        quAsnad->fieldByName(kSalvage)->setValue(0.0);
}
