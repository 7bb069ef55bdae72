#include "asasechangeunit.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "context/dlgmsg.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "hostcontext.h"
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
const QString kMabadiCod = QStringLiteral("MabadiCod");
const QString kDeclining = QStringLiteral("نزولي");
const QString kAnyCode = QStringLiteral("CODE");
// The useful life is kept in a 32-bit integer.
constexpr double kLongestIncrease = 2147483647.0;

const QStringList kChain{VoucherColumn::Koll, VoucherColumn::Moein, VoucherColumn::Tafsily,
                         VoucherColumn::Tafsily2, VoucherColumn::ProjectCod};
const QStringList kZeroFilled{VoucherColumn::Tafsily, VoucherColumn::Tafsily2,
                              VoucherColumn::ProjectCod};

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

TAsaseChangeForm::TAsaseChangeForm(QWidget* parent) : TVoucherForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("AsaseChangeForm"));
}

QList<TVoucherColumn> TAsaseChangeForm::Columns()
{
    using namespace VoucherColumn;
    const QString chainRule =
        DGlobal()->TYPESARFASLCOD.isEmpty() ? kAnyCode : DGlobal()->TYPESARFASLCOD;
    // The account chain comes with the delivery source: shown, never typed.
    auto chain = [&chainRule](const QString& field, const QString& title, int width) {
        return TVoucherColumn(field, title, width).Fixed().Rule(chainRule);
    };
    const QString lifeTitle = DGlobal()->Ast_Mesure.trimmed() == QStringLiteral("روزانه")
                                  ? QStringLiteral("افزايشعمرمفيد(روز)")
                                  : QStringLiteral("افزايشعمرمفيد(ماه)");
    return {TVoucherColumn(DaraCod, QStringLiteral("دارايي"), 80)
                .Rule(DGlobal()->TYPEDARACOD.isEmpty() ? kAnyCode : DGlobal()->TYPEDARACOD)
                .Picks(WhileEditable([this] { return pickAsset(true); })),
            TVoucherColumn(AmvalDes, QStringLiteral("شرح"), 200),
            TVoucherColumn(kSValue, QStringLiteral("مبلغ افزايش"), 100).Rule(kAmountRule),
            TVoucherColumn(kNewMesure, lifeTitle, 120).Rule(QStringLiteral("NUM")),
            TVoucherColumn(VazCod, QStringLiteral("وضعيت"), 45)
                .Rule(QStringLiteral("NUM"))
                .Picks(WhileEditable([this] { return PickConditionForRow(); })),
            TVoucherColumn(kMabadiCod, QStringLiteral("مبادي تحويل"), 75)
                .Rule(QStringLiteral("NUM"))
                .Picks(WhileEditable([this] { return pickDeliverySource(); })),
            TVoucherColumn(Bargeh, QStringLiteral("برگه"), 45).Ends(),
            chain(Koll, QStringLiteral("كل"), 30),
            chain(Moein, QStringLiteral("معين"), 35),
            chain(Tafsily, QStringLiteral("تفصيلي"), 55),
            chain(Tafsily2,
                  DGlobal()->NAMTAFSILY2.isEmpty() ? QStringLiteral("تفصيلي 2")
                                                   : DGlobal()->NAMTAFSILY2,
                  60),
            chain(ProjectCod, DGlobal()->NAMPROJECT, 60).Ends()};
}

void TAsaseChangeForm::CreateFooter()
{
    auto label = [this](const QString& text) { return new QLabel(text, FooterPanel); };
    EDaraNam = FooterEdit(QStringLiteral("EDaraNam"), 200);
    EVazNam = FooterEdit(QStringLiteral("EVazNam"), 150);
    EMabadiNam = FooterEdit(QStringLiteral("EMabadiNam"), 200);
    ESValueSum = FooterEdit(QStringLiteral("ESValueSum"), 120, true);
    ENewMesureSum = FooterEdit(QStringLiteral("ENewMesureSum"), 120, true);
    CreateChainNameBoxes();
    LTafsily2 = label(DGlobal()->NAMTAFSILY2 + QLatin1Char(':'));
    LProject = label(DGlobal()->NAMPROJECT + QLatin1Char(':'));
    LayOutFooter({{label(QStringLiteral("مبلغ افزايش")), ESValueSum},
                  {label(QStringLiteral("افزايش عمر مفيد")), ENewMesureSum},
                  {label(QStringLiteral("دارايي")), EDaraNam},
                  {label(QStringLiteral("وضعيت دارايي")), EVazNam},
                  {label(QStringLiteral("مبادي تحويل")), EMabadiNam},
                  {label(QStringLiteral("كل:")), EKollNam},
                  {label(QStringLiteral("معين:")), EMoeinNam},
                  {label(QStringLiteral("تفصيلي:")), ETafsilyNam},
                  {LTafsily2, ETafsily2Nam},
                  {LProject, EProjectNam}});
}

void TAsaseChangeForm::ClearFooter()
{
    for (QLineEdit* e : {EDaraNam, EVazNam, EMabadiNam, ESValueSum, ENewMesureSum})
        e->clear();
    ShowChainNames({});
}

void TAsaseChangeForm::RefreshFooter()
{
    using namespace VoucherColumn;
    const QHash<QString, QString> names = ReadNames(
        ChainNameParts(stored(Koll), stored(Moein), stored(Tafsily), stored(Tafsily2),
                       stored(ProjectCod)) +
        QList<TNamePart>{
            {"VazNam", "Select VazNam    From D_VazDarae Where VazCod    = ", stored(VazCod)},
            {"DaraNam", "Select DaraNam   From D_Amval    Where DaraCod   = ", stored(DaraCod)},
            {"MabadiNam",
             "Select MabadiNam From D_Mabadi   Where MabadiCod = ", stored(kMabadiCod)}});
    ShowChainNames(names);
    EDaraNam->setText(names.value(QStringLiteral("DaraNam")));
    EVazNam->setText(names.value(QStringLiteral("VazNam")));
    EMabadiNam->setText(names.value(QStringLiteral("MabadiNam")));
}

void TAsaseChangeForm::RefreshTotals()
{
    if (!quAsnad->active()) {
        ESValueSum->clear();
        ENewMesureSum->clear();
        return;
    }
    QSqlQuery q = MyDatabase->Connection->select(
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
        field->setDisplayFormat(QStringLiteral("###,###,###,###,###"));
}

QString TAsaseChangeForm::stored(const QString& field) const
{
    const QString text = LatinDigits(FieldText(field).trimmed());
    if (kZeroFilled.contains(field, Qt::CaseInsensitive))
        return text.isEmpty() ? text : PadLeftWith(text, QLatin1Char('0'), FieldWidth(field));
    return PadLeft(text, FieldWidth(field));
}

bool TAsaseChangeForm::found(const QString& sql, const QString& value)
{
    DataSet* q = LookupQuery();
    q->open(sql, {value});
    const bool any = !q->isEmpty();
    q->close();
    return any;
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

void TAsaseChangeForm::takeSourceChain(const QString& source)
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select Koll, Moein, Tafsily, Tafsily2, ProjectCod From D_Mabadi "
                           "Where MabadiCod = ?"),
            {source});
    if (!q->isEmpty()) {
        for (const QString& level : kChain)
            quAsnad->fieldByName(level)->setValue(q->fieldByName(level)->asString());
    }
    q->close();
}

void TAsaseChangeForm::NormaliseRow()
{
    // The warranty question comes before anything else of the post.
    m_warrantyRefused = !warrantyAccepted();
    if (m_warrantyRefused)
        return;
    // The row's chain is its delivery source's, however the source got into the row.
    takeSourceChain(stored(kMabadiCod));
    for (const QString& name :
         QStringList{VoucherColumn::DaraCod, VoucherColumn::VazCod, kMabadiCod} + kChain)
        quAsnad->fieldByName(name)->setValue(stored(name));
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
    const QString asset = stored(DaraCod);
    if (asset.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد دارايي خالي مي باشد."), DaraCod);
    if (!found(QStringLiteral("Select DaraCod From D_Amval Where DaraCod = ?"), asset))
        return TRowRefusal::Of(QStringLiteral("كد دارايي وجود ندارد."), DaraCod,
                               [this] { return pickAsset(false); });
    if (TRowRefusal r = AssetStateRefusal(asset); r.Refused())
        return r;
    if (quAsnad->fieldByName(kSValue)->asFloat() == 0)
        return TRowRefusal::Of(QStringLiteral("مبلغ افزايش يافته دارايي صفر مي باشد"), kSValue);
    if (std::abs(quAsnad->fieldByName(kNewMesure)->asFloat()) > kLongestIncrease)
        return TRowRefusal::Of(QStringLiteral("افزايش عمر مفيد بيش از اندازه است"), kNewMesure);

    const QString condition = stored(VazCod);
    if (!condition.trimmed().isEmpty() &&
        !found(QStringLiteral("Select VazCod From D_VazDarae Where VazCod = ?"), condition))
        return TRowRefusal::Of(QStringLiteral("وضعيت دارايي وجود ندارد."), VazCod,
                               [this] { return PickConditionForRow(); });

    const QString source = stored(kMabadiCod);
    auto sources = [this] { return pickDeliverySource(); };
    if (source.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد مبادي تحويل دارايي خالي مي باشد."), kMabadiCod,
                               sources);
    if (!found(QStringLiteral("Select MabadiCod From D_Mabadi Where MabadiCod = ?"), source))
        return TRowRefusal::Of(QStringLiteral("مبادي تحويل دارايي وجود ندارد."), kMabadiCod,
                               sources);
    if (FieldText(Koll).trimmed().isEmpty() || FieldText(Moein).trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("براي مبادي تحويل دارايي سرفصل تعريف نشده است"),
                               kMabadiCod);

    if (TRowRefusal r = CheckFormNumber(QStringLiteral("شماره برگه تعميرات اساسي خالي مي باشد."));
        r.Refused())
        return r;

    return CheckStartOfUse(asset);
}

int TAsaseChangeForm::pickAsset(bool guard)
{
    const int result = ShowPickList(PickAsset(DGlobal(), FieldText(VoucherColumn::DaraCod)));
    dbgAsnad->setFocus();
    if (result != 1)
        return result;
    // A declining-balance asset has no useful life to lengthen.
    if (TempGridForm->quTemp->fieldByName(QStringLiteral("RaveshEst"))->asString().trimmed() ==
        kDeclining)
        quAsnad->fieldByName(kNewMesure)->setValue(QVariant());
    return TakePickedAsset(guard);
}

int TAsaseChangeForm::pickDeliverySource()
{
    const int result = ShowPickList(PickDeliverySource(DGlobal(), FieldText(kMabadiCod)));
    dbgAsnad->setFocus();
    if (result != 1)
        return result;
    for (const QString& name : QStringList{kMabadiCod} + kChain)
        quAsnad->fieldByName(name)->setValue(TempGridForm->quTemp->fieldByName(name)->asString());
    RefreshFooter();
    return 1;
}
