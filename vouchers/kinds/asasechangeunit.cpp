#include "asasechangeunit.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "context/dlgmsg.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "messages.h"
#include "persiantext.h"
#include "picklist.h"
#include "sqlquote.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>

const QString TAsaseChangeForm::Caption = QStringLiteral("تعميرات اساسي");

namespace {

const QString kSValue = QStringLiteral("sValue");
const QString kNewMesure = QStringLiteral("NewMesureValue");
const QString kDeclining = QStringLiteral("نزولي");
// The useful life is kept in a 32-bit integer.
constexpr double kLongestIncrease = 2147483647.0;

} // namespace

TVoucherKind TAsaseChangeForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::AsaseChange);
    kind.LayoutKey = GridLayoutKeys::ASASE_CHANGE;
    kind.DataSetName = QStringLiteral("quAsaseChange");
    kind.PrintTitle = QStringLiteral("سند تعميرات اساسي شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_ASASE_CHANGE");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [تعميرات اساسي]");
    return kind;
}

TAsaseChangeForm::TAsaseChangeForm(QWidget* parent) : TSourceChainForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("AsaseChangeForm"));
}

QList<TVoucherColumn> TAsaseChangeForm::Columns()
{
    using namespace VoucherColumn;
    const QString lifeTitle = DGlobal()->Ast_Mesure.trimmed() == QStringLiteral("روزانه")
                                  ? QStringLiteral("افزايشعمرمفيد(روز)")
                                  : QStringLiteral("افزايشعمرمفيد(ماه)");
    return QList<TVoucherColumn>{
               TVoucherColumn(DaraCod, QStringLiteral("دارايي"), 80)
                   .Rule(AssetRule())
                   .Picks(WhileEditable([this] { return pickAsset(true); })),
               TVoucherColumn(AmvalDes, QStringLiteral("شرح"), 200),
               TVoucherColumn(kSValue, QStringLiteral("مبلغ افزايش"), 100).Rule(kAmountRule),
               TVoucherColumn(kNewMesure, lifeTitle, 120).Rule(QStringLiteral("NUM")),
               TVoucherColumn(VazCod, QStringLiteral("وضعيت"), 45)
                   .Rule(QStringLiteral("NUM"))
                   .Picks(WhileEditable([this] { return PickConditionForRow(); })),
               SourceColumn(),
               TVoucherColumn(Bargeh, QStringLiteral("برگه"), 45).Ends()} +
           ChainColumns();
}

void TAsaseChangeForm::CreateFooter()
{
    EDaraNam = FooterEdit(QStringLiteral("EDaraNam"), 200);
    EVazNam = FooterEdit(QStringLiteral("EVazNam"), 150);
    ESValueSum = FooterEdit(QStringLiteral("ESValueSum"), 120, true);
    ENewMesureSum = FooterEdit(QStringLiteral("ENewMesureSum"), 120, true);
    LayOutFooter(QList<std::pair<QLabel*, QLineEdit*>>{
                     {FooterLabel(QStringLiteral("مبلغ افزايش")), ESValueSum},
                     {FooterLabel(QStringLiteral("افزايش عمر مفيد")), ENewMesureSum},
                     {FooterLabel(QStringLiteral("دارايي")), EDaraNam},
                     {FooterLabel(QStringLiteral("وضعيت دارايي")), EVazNam}} +
                 SourceFooter());
}

void TAsaseChangeForm::RefreshFooter()
{
    using namespace VoucherColumn;
    const QHash<QString, QString> names = ReadNames(
        SourceNameParts() +
        QList<TNamePart>{
            {"VazNam", "Select VazNam    From D_VazDarae Where VazCod    = ", StoredCode(VazCod)},
            AssetPart(QStringLiteral("DaraNam"))});
    ShowSourceNames(names);
    EDaraNam->setText(names.value(QStringLiteral("DaraNam")));
    EVazNam->setText(names.value(QStringLiteral("VazNam")));
}

void TAsaseChangeForm::RefreshTotals()
{
    if (!quAsnad->active()) {
        ESValueSum->clear();
        ENewMesureSum->clear();
        return;
    }
    QSqlQuery q = Connection().select(
        QStringLiteral(
            "Select Sum(sValue) As sValue, Sum(NewMesureValue) As NewMesureValue From ") +
        SqlIdent(TransTableName()));
    const bool row = q.next();
    ESValueSum->setText(FormatAmount(row ? AmountText(q.value(0)) : QString()));
    ENewMesureSum->setText(FormatAmount(row ? AmountText(q.value(1)) : QString()));
}

void TAsaseChangeForm::ConfigureFields()
{
    if (DataField* field = quAsnad->findField(kSValue))
        field->setDisplayFormat(kAmountFormat);
}

bool TAsaseChangeForm::warrantyAccepted()
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select GarantiEnd From D_Amval Where TRIM(DaraCod) = ?"),
            {LatinDigits(FieldText(VoucherColumn::DaraCod).trimmed())});
    const QString warrantyEnd =
        q->isEmpty() ? QString()
                     : q->fieldByName(QStringLiteral("GarantiEnd"))->asString().trimmed();
    q->close();
    if (warrantyEnd.isEmpty() || warrantyEnd <= VoucherDate())
        return true;
    return ShowMessageDlg(QStringLiteral("تاريخ پايان گارانتي اين دارايي پس از تاريخ تعمير است . "
                                         "آيا مي خواهيد ادامه دهيد؟"),
                          QString(), QStringLiteral("3QR")) != TDlgMsg::mrNo;
}

void TAsaseChangeForm::NormaliseRow()
{
    // The warranty question comes before anything else of the post.
    m_warrantyRefused = !warrantyAccepted();
    if (m_warrantyRefused)
        return;
    NormaliseSource();
    for (const QString& name : {VoucherColumn::DaraCod, VoucherColumn::VazCod})
        quAsnad->fieldByName(name)->setValue(StoredCode(name));
    DataField* amount = quAsnad->fieldByName(kSValue);
    amount->setValue(amount->asFloat());
    // An empty increase of useful life is stored as 0; one too long for the column is
    // left as typed for the check to refuse.
    DataField* life = quAsnad->fieldByName(kNewMesure);
    if (std::abs(life->asFloat()) <= kLongestIncrease)
        life->setValue(life->asInteger());
}

TRowRefusal TAsaseChangeForm::CheckRow()
{
    using namespace VoucherColumn;
    if (m_warrantyRefused)
        return TRowRefusal::Of(QString(), DaraCod);
    const QString asset = StoredCode(DaraCod);
    if (asset.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد دارايي خالي مي باشد."), DaraCod);
    if (!Found(QStringLiteral("Select DaraCod From D_Amval Where DaraCod = ?"), asset))
        return TRowRefusal::Of(QStringLiteral("كد دارايي وجود ندارد."), DaraCod,
                               [this] { return pickAsset(false); });
    if (TRowRefusal r = AssetStateRefusal(asset); r.Refused())
        return r;
    if (quAsnad->fieldByName(kSValue)->asFloat() == 0)
        return TRowRefusal::Of(QStringLiteral("مبلغ افزايش يافته دارايي صفر مي باشد"), kSValue);
    if (std::abs(quAsnad->fieldByName(kNewMesure)->asFloat()) > kLongestIncrease)
        return TRowRefusal::Of(QStringLiteral("افزايش عمر مفيد بيش از اندازه است"), kNewMesure);

    const QString condition = StoredCode(VazCod);
    if (!condition.trimmed().isEmpty() &&
        !Found(QStringLiteral("Select VazCod From D_VazDarae Where VazCod = ?"), condition))
        return TRowRefusal::Of(QStringLiteral("وضعيت دارايي وجود ندارد."), VazCod,
                               [this] { return PickConditionForRow(); });

    if (TRowRefusal r = CheckSource(); r.Refused())
        return r;

    if (TRowRefusal r = CheckFormNumber(QStringLiteral("شماره برگه تعميرات اساسي خالي مي باشد."));
        r.Refused())
        return r;

    return CheckStartOfUse(asset);
}

int TAsaseChangeForm::pickAsset(bool guard)
{
    const std::optional<TChosenAsset> chosen =
        Pick(PickAsset(*DGlobal(), FieldText(VoucherColumn::DaraCod)));
    dbgAsnad->setFocus();
    // A declining-balance asset has no useful life to lengthen.
    if (chosen && chosen->method.trimmed() == kDeclining)
        quAsnad->fieldByName(kNewMesure)->setValue(QVariant());
    return TakePickedAsset(chosen, guard);
}
