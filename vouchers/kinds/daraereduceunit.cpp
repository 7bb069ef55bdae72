#include "daraereduceunit.h"

#include "commandquery.h"
#include "dataset.h"
#include "dbconnection.h"
#include "globalunit.h"
#include "sqlquote.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>

const QString TDaraeReduceForm::Caption = QStringLiteral("کاهش دارايي");

namespace {

const QString kReduced = QStringLiteral("ArzeshReduce");
const QString kSalvage = QStringLiteral("ArzeshAsgat");
const QString kNoMethod = QStringLiteral("ندارد");

} // namespace

TVoucherKind TDaraeReduceForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::DaraeReduce);
    kind.LayoutKey = GridLayoutKeys::DARAE_REDUCE;
    kind.DataSetName = QStringLiteral("quDaraeReduce");
    kind.PrintTitle = QStringLiteral("سند کاهش دارايي شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_DARAE_REDUCE");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [کاهش دارايي]");
    kind.BadNumberText = QStringLiteral("شماره کاهش دارايي بدرستي وارد نشده است");
    kind.NewRefusalText = QStringLiteral("کاربر مجاز به ثبت كاهش دارايي جديد نيست");
    kind.DuplicateAssetText = QStringLiteral("كد دارايي تكراري مي باشد.");
    return kind;
}

TDaraeReduceForm::TDaraeReduceForm(QWidget* parent)
    : TDisposalForm(Parameters(), {QStringLiteral("كل"), QStringLiteral("تفصيلي 2"), false, true},
                    parent)
{
    setObjectName(QStringLiteral("DaraeReduceForm"));
    SetSalvageColumn(kSalvage);
}

// The shared columns in this kind's widths.
QList<TVoucherColumn> TDaraeReduceForm::Columns()
{
    const QHash<QString, int> widths{
        {VoucherColumn::AmvalDes, 217}, {VoucherColumn::Koll, 30}, {VoucherColumn::Moein, 35}};
    QList<TVoucherColumn> columns = TDisposalForm::Columns();
    for (TVoucherColumn& column : columns)
        column.Width = widths.value(column.Field, column.Width);
    return columns;
}

QList<TVoucherColumn> TDaraeReduceForm::AmountColumns()
{
    return {
        TVoucherColumn(kReduced, QStringLiteral("ارزش كاهش يافته"), 105).Rule(kUnsignedAmountRule),
        TVoucherColumn(kSalvage, QStringLiteral("ارزش اسقاط"), 75).Rule(kUnsignedAmountRule)};
}

void TDaraeReduceForm::CreateKindFooter(int row)
{
    EArzeshReduceSum = FooterEdit(QStringLiteral("EArzeshReduceSum"), 120, true);
    EArzeshAsgatSum = FooterEdit(QStringLiteral("EArzeshAsgatSum"), 120, true);
    LayOutFooter({{FooterLabel(QStringLiteral("ارزش کاهش يافته")), EArzeshReduceSum},
                  {FooterLabel(QStringLiteral("ارزش اسقاط")), EArzeshAsgatSum}},
                 row);
}

void TDaraeReduceForm::RefreshTotals()
{
    if (EArzeshReduceSum == nullptr)
        return;
    if (!quAsnad->active()) {
        EArzeshReduceSum->clear();
        EArzeshAsgatSum->clear();
        return;
    }
    QSqlQuery q = Connection().select(
        QStringLiteral(
            "Select Sum(ArzeshReduce) As ArzeshReduce, Sum(ArzeshAsgat) As ArzeshAsgat From ") +
        SqlIdent(TransTableName()));
    const bool row = q.next();
    EArzeshReduceSum->setText(FormatAmount(row ? AmountText(q.value(0)) : QString()));
    EArzeshAsgatSum->setText(FormatAmount(row ? AmountText(q.value(1)) : QString()));
}

TRowRefusal TDaraeReduceForm::CheckRow()
{
    if (TRowRefusal r = CheckAsset(QStringLiteral("كد دارايي خالي مي باشد."),
                                   QStringLiteral("كد دارايي وجود ندارد."));
        r.Refused())
        return r;
    if (TRowRefusal r = CheckConditionExists(); r.Refused())
        return r;
    // The amounts' keys take no minus; one pasted in is refused here.
    const double reduced = quAsnad->fieldByName(kReduced)->asFloat();
    if (reduced == 0)
        return TRowRefusal::Of(QStringLiteral("مبلغ ارزش کاهش يافته دارايي صفر مي باشد"), kReduced);
    if (reduced < 0)
        return TRowRefusal::Of(QStringLiteral("مبلغ ارزش کاهش يافته دارايي منفي مي باشد"),
                               kReduced);
    if (TRowRefusal r = CheckSalvage(QStringLiteral("مبلغ ارزش اسقاط دارايي صفر مي باشد"));
        r.Refused())
        return r;
    if (quAsnad->fieldByName(kSalvage)->asFloat() < 0 && RaveshEst().trimmed() != kNoMethod)
        return TRowRefusal::Of(QStringLiteral("مبلغ ارزش اسقاط دارايي منفي مي باشد"), kSalvage);
    if (TRowRefusal r = CheckFormNumber(QStringLiteral("شماره برگه کاهش دارايي خالي مي باشد."));
        r.Refused())
        return r;
    if (TRowRefusal r = CheckStartOfUse(StoredCode(VoucherColumn::DaraCod)); r.Refused())
        return r;
    return CheckChains();
}
