#include "foroshdayehunit.h"

#include "commandquery.h"
#include "context/global.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "settings.h"
#include "sqlquote.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>

const QString TForoshDayehForm::Caption = QStringLiteral("فروش دارايي");

namespace {

const QString kArzeshFee = QStringLiteral("ArzeshFee");
const QString kSValue = QStringLiteral("sValue");
const QString kBuyer = QStringLiteral("Buyer");

} // namespace

TVoucherKind TForoshDayehForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::ForoshDaymeh);
    kind.LayoutKey = GridLayoutKeys::FOROSH_DAYEME;
    kind.DataSetName = QStringLiteral("quForoshDayeh");
    kind.PrintTitle = QStringLiteral("سند فروش دارايي شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_FOROSH_DAYEME");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [فروش دارايي]");
    return kind;
}

TForoshDayehForm::TForoshDayehForm(QWidget* parent)
    : TDisposalForm(Parameters(), {QStringLiteral("كل(طرف حساب)"), QStringLiteral("تفصيلي 2")},
                    parent)
{
    setObjectName(QStringLiteral("ForoshDayehForm"));
}

QList<TVoucherColumn> TForoshDayehForm::AmountColumns()
{
    return {TVoucherColumn(kArzeshFee, QStringLiteral("ارزش فروش"), 95).Rule(kAmountRule),
            TVoucherColumn(kSValue, QStringLiteral("مبلغ فروش"), 95).Rule(kAmountRule),
            TVoucherColumn(kBuyer, QStringLiteral("نام خريدار"), 150)};
}

void TForoshDayehForm::CreateKindFooter(int row)
{
    auto sum = [this](const QString& name) { return FooterEdit(name, 120, true); };
    EArzeshFeeSum = sum(QStringLiteral("EArzeshFeeSum"));
    ESValueSum = sum(QStringLiteral("ESValueSum"));
    // The two totals stand together on a line of their own, below the names.
    LayOutFooter({{FooterLabel(QStringLiteral("ارزش فروش")), EArzeshFeeSum},
                  {FooterLabel(QStringLiteral("مبلغ فروش")), ESValueSum}},
                 row);
}

void TForoshDayehForm::RefreshTotals()
{
    if (EArzeshFeeSum == nullptr)
        return;
    if (!quAsnad->active()) {
        EArzeshFeeSum->clear();
        ESValueSum->clear();
        return;
    }
    QSqlQuery q = Connection().select(
        QStringLiteral("Select Sum(ArzeshFee) As ArzeshFee, Sum(sValue) As sValue From ") +
        SqlIdent(TransTableName()));
    const bool row = q.next();
    EArzeshFeeSum->setText(FormatAmount(row ? AmountText(q.value(0)) : QString()));
    ESValueSum->setText(FormatAmount(row ? AmountText(q.value(1)) : QString()));
}

TRowRefusal TForoshDayehForm::CheckRow()
{
    if (TRowRefusal r = CheckAsset(QStringLiteral("كد دارايي خالي مي باشد."),
                                   QStringLiteral("كد دارايي وجود ندارد."));
        r.Refused())
        return r;
    if (TRowRefusal r = CheckConditionExists(); r.Refused())
        return r;
    if (quAsnad->fieldByName(kArzeshFee)->asFloat() == 0)
        return TRowRefusal::Of(QStringLiteral("مبلغ ارزش فروش دارايي صفر مي باشد"), kArzeshFee);
    if (quAsnad->fieldByName(kSValue)->asFloat() == 0)
        return TRowRefusal::Of(QStringLiteral("مبلغ فروش دارايي صفر مي باشد"), kSValue);
    if (FieldText(kBuyer).trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("نام خريدار وارد نشده است"), kBuyer);
    if (TRowRefusal r = CheckFormNumber(QStringLiteral("شماره برگه فروش دارايي خالي مي باشد."));
        r.Refused())
        return r;
    if (TRowRefusal r = CheckStartOfUse(StoredCode(VoucherColumn::DaraCod)); r.Refused())
        return r;
    return CheckChains();
}

// Unless the company issues accounting vouchers at once, the sale's is issued later.
bool TForoshDayehForm::DeferredSave() const
{
    const TGlobal& period = *DGlobal()->GlobalRecord();
    QSqlQuery q = Connection().select(QStringLiteral("Select Dara From Options Where SCode = ?"),
                                      {period.CompanyCode + period.FiscalYear});
    const QString dara = q.next() ? q.value(0).toString() : QString();
    return SettingValue(dara, QStringLiteral("SANAD_TIME")) != QStringLiteral("ANE");
}
