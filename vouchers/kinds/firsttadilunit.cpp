#include "firsttadilunit.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "messages.h"
#include "picklist.h"
#include "sqlquote.h"

#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>
#include <cmath>

const QString TFirstTadilForm::Caption = QStringLiteral("تعديلات اوليه");

namespace {

const QString kSValue = QStringLiteral("sValue");
const QString kDaraNam = QStringLiteral("DaraNam");
// The amount box shows fifteen digits; a larger amount would be kept rounded.
constexpr double kLargestAmount = 1e15;

} // namespace

TVoucherKind TFirstTadilForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::FirstTadil);
    kind.LayoutKey = GridLayoutKeys::FIRST_TADIL;
    kind.DataSetName = QStringLiteral("quFirstTadil");
    kind.PrintTitle = QStringLiteral("سند تعديلات اوليه شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_FIRST_TADIL");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [تعديلات اوليه]");
    return kind;
}

TFirstTadilForm::TFirstTadilForm(QWidget* parent) : TSourceChainForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("FirstTadilForm"));
}

QList<TVoucherColumn> TFirstTadilForm::Columns()
{
    using namespace VoucherColumn;
    return QList<TVoucherColumn>{
               TVoucherColumn(DaraCod, QStringLiteral("دارايي"), 80)
                   .Rule(AssetRule())
                   .Picks(WhileEditable([this] { return pickAsset(); })),
               // The register's name of the asset, not typed.
               TVoucherColumn(kDaraNam, QStringLiteral("نام دارايي"), 210).Fixed(),
               TVoucherColumn(kSValue, QStringLiteral("مبلغ"), 100).Rule(kAmountRule),
               SourceColumn(), TVoucherColumn(Bargeh, QStringLiteral("برگه"), 45).Ends()} +
           ChainColumns();
}

QString TFirstTadilForm::WidthSource(const QString& field) const
{
    using namespace VoucherColumn;
    for (const QString& sourced : {MabadiCod, Koll, Moein, Tafsily, Tafsily2, ProjectCod}) {
        if (field.compare(sourced, Qt::CaseInsensitive) == 0)
            return QStringLiteral("D_Mabadi");
    }
    return {};
}

void TFirstTadilForm::CreateFooter()
{
    ESValueSum = FooterEdit(QStringLiteral("ESValueSum"), 120, true);
    LayOutFooter(
        QList<std::pair<QLabel*, QLineEdit*>>{{FooterLabel(QStringLiteral("جمع")), ESValueSum}} +
        SourceFooter());
}

void TFirstTadilForm::RefreshFooter()
{
    ShowSourceNames(ReadNames(SourceNameParts()));
}

void TFirstTadilForm::RefreshTotals()
{
    if (!quAsnad->active()) {
        ESValueSum->clear();
        return;
    }
    QSqlQuery q = Connection().select(QStringLiteral("Select Sum(sValue) As sValue From ") +
                                      SqlIdent(TransTableName()));
    ESValueSum->setText(FormatAmount(q.next() ? AmountText(q.value(0)) : QString()));
}

void TFirstTadilForm::ConfigureFields()
{
    if (DataField* field = quAsnad->findField(kSValue))
        field->setDisplayFormat(kAmountFormat);
}

void TFirstTadilForm::takeAssetName(const QString& asset)
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select DaraNam From D_Amval Where DaraCod = ?"), {asset});
    if (!q->isEmpty())
        quAsnad->fieldByName(kDaraNam)->setValue(q->fieldByName(kDaraNam)->asString());
    q->close();
}

void TFirstTadilForm::NormaliseRow()
{
    NormaliseSource();
    const QString asset = StoredCode(VoucherColumn::DaraCod);
    quAsnad->fieldByName(VoucherColumn::DaraCod)->setValue(asset);
    // The name follows the asset however the code reached the row.
    takeAssetName(asset);
    DataField* amount = quAsnad->fieldByName(kSValue);
    amount->setValue(amount->asFloat());
}

TRowRefusal TFirstTadilForm::CheckRow()
{
    using namespace VoucherColumn;
    const QString asset = StoredCode(DaraCod);
    if (asset.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد دارايي خالي مي باشد."), DaraCod);
    // An unknown asset opens the list without a word.
    if (!Found(QStringLiteral("Select DaraCod From D_Amval Where DaraCod = ?"), asset))
        return TRowRefusal::Of(QString(), DaraCod, [this] { return pickAsset(); });
    // Either sign corrects the opening value; only nothing is refused.
    const double amount = quAsnad->fieldByName(kSValue)->asFloat();
    if (amount == 0)
        return TRowRefusal::Of(QStringLiteral("مبلغ تعديل دارايي صفر مي باشد"), kSValue);
    if (std::abs(amount) >= kLargestAmount)
        return TRowRefusal::Of(QStringLiteral("مبلغ تعديل دارايي بيش از اندازه است"), kSValue);

    if (TRowRefusal r = CheckSource(); r.Refused())
        return r;
    if (TRowRefusal r = CheckFormNumber(QStringLiteral("شماره برگه تعديلات اوليه خالي مي باشد."));
        r.Refused())
        return r;

    const QString used = AssetStartDate(asset);
    if (!used.isEmpty() && used > VoucherDate())
        return TRowRefusal::Of(
            QStringLiteral("تاريخ تعديلات اوليه از تاريخ بهره برداري دارايي كوچكتر است."), DaraCod);
    return TRowRefusal::Accept();
}

void TFirstTadilForm::AssetPicked(const QString& code)
{
    takeAssetName(code);
}

int TFirstTadilForm::pickAsset()
{
    const std::optional<TChosenAsset> chosen =
        Pick(PickAsset(*DGlobal(), FieldText(VoucherColumn::DaraCod)));
    dbgAsnad->setFocus();
    // No sale or retirement keeps an asset from its correction.
    return TakePickedAsset(chosen, false);
}
