#include "foroshdayehunit.h"

#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "servicewindows.h"
#include "sqlquote.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>

const QString TForoshDayehForm::Caption = QStringLiteral("فروش دارايي");

namespace {

const QString kAmountFormat = QStringLiteral("###,###,###,###");

} // namespace

TVoucherKind TForoshDayehForm::Parameters()
{
    TVoucherKind kind;
    kind.Table = QStringLiteral("D_ForoshDaymeh");
    kind.Procedure = QStringLiteral("sp_D_Asnad_ForoshDaymeh");
    kind.KindCaption = Caption;
    kind.RightsPrefix = QStringLiteral("D_A_SELLDARAE_");
    kind.LayoutKey = GridLayoutKeys::FOROSH_DAYEME;
    kind.TypeCode = QStringLiteral("13");
    kind.InstantVoucher = true;
    kind.DataSetName = QStringLiteral("quForoshDayeh");
    kind.ActionLabel = QStringLiteral("فروش دارائي");
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

QList<DbGridColumn> TForoshDayehForm::AmountColumns() const
{
    return {DbGridColumn::Make(QStringLiteral("ArzeshFee"), QStringLiteral("ارزش فروش"), 95),
            DbGridColumn::Make(QStringLiteral("sValue"), QStringLiteral("مبلغ فروش"), 95),
            DbGridColumn::Make(QStringLiteral("Buyer"), QStringLiteral("نام خريدار"), 150)};
}

void TForoshDayehForm::CreateKindFooter(int row)
{
    auto sum = [this](const QString& name) { return FooterEdit(name, 120, true); };
    EArzeshFeeSum = sum(QStringLiteral("EArzeshFeeSum"));
    ESValueSum = sum(QStringLiteral("ESValueSum"));
    // The two totals stand together on a line of their own, below the names.
    LayOutFooter({{new QLabel(QStringLiteral("ارزش فروش"), FooterPanel), EArzeshFeeSum},
                  {new QLabel(QStringLiteral("مبلغ فروش"), FooterPanel), ESValueSum}},
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
    QSqlQuery q = MyDatabase->Connection->select(
        QStringLiteral("Select Sum(ArzeshFee) As ArzeshFee, Sum(sValue) As sValue From ") +
        SqlIdent(TransTableName()));
    const bool row = q.next();
    EArzeshFeeSum->setText(FormatAmount(row ? AmountText(q.value(0)) : QString()));
    ESValueSum->setText(FormatAmount(row ? AmountText(q.value(1)) : QString()));
}

void TForoshDayehForm::ConfigureFields()
{
    TDisposalForm::ConfigureFields();
    for (const QString& name : {QStringLiteral("ArzeshFee"), QStringLiteral("sValue")}) {
        if (DataField* field = quAsnad->findField(name))
            field->setDisplayFormat(kAmountFormat);
    }
}

QString TForoshDayehForm::KeyRule(const QString& field) const
{
    if (field.compare(QStringLiteral("ArzeshFee"), Qt::CaseInsensitive) == 0 ||
        field.compare(QStringLiteral("sValue"), Qt::CaseInsensitive) == 0)
        return kAmountRule;
    return TDisposalForm::KeyRule(field);
}

void TForoshDayehForm::NormaliseRow()
{
    TDisposalForm::NormaliseRow();
    for (const QString& name : {QStringLiteral("ArzeshFee"), QStringLiteral("sValue")}) {
        DataField* field = quAsnad->fieldByName(name);
        field->setValue(field->asFloat());
    }
}

QString TForoshDayehForm::CheckRow()
{
    const QString asset = QStringLiteral("DaraCod");
    const QString code = Padded(asset);
    DataSet* q = LookupQuery();

    if (code.trimmed().isEmpty())
        return Refuse(QStringLiteral("كد دارايي خالي مي باشد."), asset);
    q->open(QStringLiteral("Select DaraCod From D_Amval Where DaraCod = ") + SqlQuote(code));
    const bool known = !q->isEmpty();
    q->close();
    if (!known) {
        Refuse(QStringLiteral("كد دارايي وجود ندارد."), asset);
        PickAssetForRow(false);
        return asset;
    }
    if (const QString column = AssetStateGuard(DGlobal(), q, code, PaddedNumber(), VoucherDate());
        !column.isEmpty()) {
        dbgAsnad->focusField(column);
        return column;
    }
    if (const QString column = CheckConditionExists(); !column.isEmpty())
        return column;
    if (quAsnad->fieldByName(QStringLiteral("ArzeshFee"))->asFloat() == 0)
        return Refuse(QStringLiteral("مبلغ ارزش فروش دارايي صفر مي باشد"),
                      QStringLiteral("ArzeshFee"));
    if (quAsnad->fieldByName(QStringLiteral("sValue"))->asFloat() == 0)
        return Refuse(QStringLiteral("مبلغ فروش دارايي صفر مي باشد"), QStringLiteral("sValue"));
    if (FieldText(QStringLiteral("Buyer")).trimmed().isEmpty())
        return Refuse(QStringLiteral("نام خريدار وارد نشده است"), QStringLiteral("Buyer"));
    if (const QString column =
            CheckFormNumber(QStringLiteral("شماره برگه فروش دارايي خالي مي باشد."));
        !column.isEmpty())
        return column;
    if (const QString column = CheckStartOfUse(); !column.isEmpty())
        return column;
    return CheckChains();
}

QString TForoshDayehForm::SaveMode() const
{
    QSqlQuery q =
        MyDatabase->Connection->select(QStringLiteral("Select Dara From Options Where SCode =") +
                                       SqlQuote(Global->CompanyCode + Global->FiscalYear));
    const QString dara = q.next() ? q.value(0).toString() : QString();
    return SettingValue(dara, QStringLiteral("SANAD_TIME")) == QStringLiteral("ANE")
               ? QStringLiteral("TRANS->DB")
               : QStringLiteral("TRANS->DB1");
}

// The procedure also takes the voucher's date, enclosed in quotes.
QStringList TForoshDayehForm::SaveArguments() const
{
    QStringList arguments = TDisposalForm::SaveArguments();
    arguments[2] = SaveMode();
    arguments << QLatin1Char('\'') + VoucherDate() + QLatin1Char('\'');
    return arguments;
}
