#include "soulationchangeunit.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "context/mydate.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "persiantext.h"
#include "picklist.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

const QString TSoulationChangeForm::Caption = QStringLiteral("تغيير روش/برآورد");

namespace {

const QString kStartDate = QStringLiteral("StartDate");
const QString kRaveshEst = QStringLiteral("RaveshEst");
const QString kFeeEst = QStringLiteral("FeeEst");
const QString kNewOmer = QStringLiteral("NewOmer");
const QString kStraightLine = QStringLiteral("مستقيم");
const QString kDeclining = QStringLiteral("نزولي");
const QString kNoStartDate = QStringLiteral("تاريخ شروع تغيير روش/برآورد نمي تواند خالي باشد.");
// A rate is a percentage of the remaining value.
constexpr double kHighestRate = 100;

} // namespace

TVoucherKind TSoulationChangeForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::SoulationChange);
    kind.InstantVoucher = false;
    kind.LayoutKey = GridLayoutKeys::SOULATION_CHANGE;
    kind.DataSetName = QStringLiteral("quSoulationChange");
    kind.PrintTitle = QStringLiteral("سند تغيير روش/برآورد شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_SOULATION_CHANGE");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [تغيير روش/برآورد]");
    return kind;
}

TSoulationChangeForm::TSoulationChangeForm(QWidget* parent) : TVoucherForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("SoulationChangeForm"));
}

QString TSoulationChangeForm::method() const
{
    return FieldText(kRaveshEst).trimmed();
}

QList<TVoucherColumn> TSoulationChangeForm::Columns()
{
    using namespace VoucherColumn;
    // The new useful life is titled with the company's unit of useful life.
    const QString lifeTitle = DGlobal()->Ast_Mesure.trimmed() == QStringLiteral("روزانه")
                                  ? QStringLiteral("افزايش عمر مفيد(روز)")
                                  : QStringLiteral("افزايش عمر مفيد(ماه)");
    QList<TVoucherColumn> columns{
        TVoucherColumn(DaraCod, QStringLiteral("دارايي"), 80)
            .Rule(DGlobal()->TYPEDARACOD)
            .Picks(WhileEditable([this] { return pickAsset(true); })),
        TVoucherColumn(AmvalDes, QStringLiteral("شرح"), 200),
        // Any key passes (the date's check says what is wrong); Persian digits are
        // stored as 0-9.
        TVoucherColumn(kStartDate, QStringLiteral("تاريخ شروع روش"), 80)
            .Rule(QStringLiteral("DATE"))
            .ChecksOnEnter([this] { return startDateOnEnter(); }),
        TVoucherColumn(kRaveshEst, QStringLiteral("روش استهلاک"), 80).Fixed().GoesTo([this] {
            return method() == kStraightLine ? kNewOmer : QString();
        }),
        TVoucherColumn(kFeeEst, QStringLiteral("نرخ استهلاک"), 75)
            .Rule(kUnsignedAmountRule)
            .EditableWhile([this] { return method() == kDeclining; })
            .GoesTo([this] { return method() == kDeclining ? Bargeh : QString(); }),
        TVoucherColumn(kNewOmer, lifeTitle, 120).Rule(QStringLiteral("NUM")).EditableWhile([this] {
            return method() == kStraightLine;
        }),
        TVoucherColumn(Bargeh, QStringLiteral("برگه"), 45)};
    // After the last level the chosen account uses, the row is finished.
    const QString titles[] = {
        QStringLiteral("كل"), QStringLiteral("معين"), QStringLiteral("تفصيلي"),
        DGlobal()->NAMTAFSILY2.isEmpty() ? QStringLiteral("تفصيلي 2") : DGlobal()->NAMTAFSILY2,
        DGlobal()->NAMPROJECT};
    const int widths[] = {30, 30, 55, 55, 60};
    for (int level = 0; level < 5; ++level)
        columns << ChainColumn(QString(), level, titles[level], widths[level]).Ends([this, level] {
            return AtChainEnd(QString(), level);
        });
    return columns;
}

void TSoulationChangeForm::CreateFooter()
{
    EDaraNam = FooterEdit(QStringLiteral("EDaraNam"), 200);
    LayOutFooter(
        QList<std::pair<QLabel*, QLineEdit*>>{{FooterLabel(QStringLiteral("دارايي")), EDaraNam}} +
        ChainFooter());
}

void TSoulationChangeForm::RefreshFooter()
{
    using namespace VoucherColumn;
    const QHash<QString, QString> names =
        ReadNames(ChainNameParts(StoredCode(Koll), StoredCode(Moein), StoredCode(Tafsily),
                                 StoredCode(Tafsily2), StoredCode(ProjectCod)) +
                  QList<TNamePart>{AssetPart(QStringLiteral("DaraNam"))});
    ShowChainNames(names);
    EDaraNam->setText(names.value(QStringLiteral("DaraNam")));
}

bool TSoulationChangeForm::readDateOfUse()
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select DaraCod, BahreDate From D_Amval Where DaraCod = ?"),
            {StoredCode(VoucherColumn::DaraCod)});
    const bool found = !q->isEmpty();
    if (found)
        m_bahreDate = q->fieldByName(QStringLiteral("BahreDate"))->asString().trimmed();
    q->close();
    return found;
}

TRowRefusal TSoulationChangeForm::startDateOnEnter()
{
    const QString start = LatinDigits(FieldText(kStartDate).trimmed());
    if (start.isEmpty())
        return TRowRefusal::Of(kNoStartDate, kStartDate);
    if (readDateOfUse() && start < m_bahreDate)
        return TRowRefusal::Of(
            QStringLiteral(
                "تاريخ شروع تغيير روش/برآورد نمي تواند از تاريخ بهره برداري کوچکتر باشد"),
            kStartDate);
    return TRowRefusal::Accept();
}

bool TSoulationChangeForm::GridKey(const QString& field, QKeyEvent* key)
{
    if (key->key() != Qt::Key_Space || key->modifiers() != Qt::NoModifier ||
        field.compare(kRaveshEst, Qt::CaseInsensitive) != 0)
        return false;
    if (GridEditable())
        switchMethod();
    return true;
}

void TSoulationChangeForm::switchMethod()
{
    if (method() == kStraightLine) {
        quAsnad->fieldByName(kRaveshEst)->setValue(kDeclining);
        quAsnad->fieldByName(kNewOmer)->setValue(0);
    } else {
        quAsnad->fieldByName(kRaveshEst)->setValue(kStraightLine);
        quAsnad->fieldByName(kFeeEst)->setValue(0);
    }
}

void TSoulationChangeForm::NormaliseRow()
{
    using namespace VoucherColumn;
    for (const QString& name : {DaraCod, Koll, Moein, Tafsily, Tafsily2, ProjectCod})
        quAsnad->fieldByName(name)->setValue(StoredCode(name));
    quAsnad->fieldByName(kStartDate)->setValue(LatinDigits(FieldText(kStartDate).trimmed()));
    for (const QString& name : {kFeeEst, kNewOmer}) {
        DataField* field = quAsnad->fieldByName(name);
        field->setValue(field->asFloat());
    }
}

TRowRefusal TSoulationChangeForm::CheckRow()
{
    using namespace VoucherColumn;
    const QString asset = StoredCode(DaraCod);
    if (asset.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد دارايي خالي مي باشد."), DaraCod);
    // An unknown code opens the list without a word.
    if (!readDateOfUse())
        return TRowRefusal::Of(QString(), DaraCod, [this] { return pickAsset(false); });
    if (TRowRefusal r = AssetStateRefusal(asset); r.Refused())
        return r;

    const QString start = FieldText(kStartDate);
    if (start.isEmpty())
        return TRowRefusal::Of(kNoStartDate, kStartDate);
    if (start < m_bahreDate)
        return TRowRefusal::Of(
            QStringLiteral("تاريخ شروع تغيير روش/برآورد نمي تواند از تاريخ بهره برداري <") +
                m_bahreDate + QStringLiteral("> کوچکتر باشد"),
            kStartDate);
    // The date of use is the only bound: a method may be in force from the day the
    // asset came into use, in an earlier fiscal period, as Enter on the date allows.
    if (!TMyDate::IsValidDate(start))
        return TRowRefusal::Of(QStringLiteral("تاريخ شروع روش صحيحي وارد نشده است"), kStartDate);

    const QString ravesh = method();
    if (ravesh.isEmpty())
        return TRowRefusal::Of(QStringLiteral("روش استهلاك خالي مي باشد."), kRaveshEst);
    // The keys of the rate and the useful life take no minus; one pasted in is
    // refused here, as is a rate above a hundred percent.
    if (ravesh == kDeclining) {
        const double rate = quAsnad->fieldByName(kFeeEst)->asFloat();
        if (rate == 0)
            return TRowRefusal::Of(QStringLiteral("نرخ استهلاک صفر مي باشد"), kFeeEst);
        if (rate < 0)
            return TRowRefusal::Of(QStringLiteral("نرخ استهلاک منفي مي باشد"), kFeeEst);
        if (rate > kHighestRate)
            return TRowRefusal::Of(QStringLiteral("نرخ استهلاک بيش از 100 درصد مي باشد"), kFeeEst);
    } else {
        const double life = quAsnad->fieldByName(kNewOmer)->asFloat();
        if (life == 0)
            return TRowRefusal::Of(QStringLiteral("عمر مفيد جديد صفر مي باشد"), kNewOmer);
        if (life < 0)
            return TRowRefusal::Of(QStringLiteral("عمر مفيد جديد منفي مي باشد"), kNewOmer);
    }

    if (TRowRefusal r =
            CheckFormNumber(QStringLiteral("شماره برگه تغيير روش/برآورد خالي مي باشد."));
        r.Refused())
        return r;
    if (TRowRefusal r = CheckStartOfUse(asset); r.Refused())
        return r;
    return CheckChain();
}

int TSoulationChangeForm::pickAsset(bool guard)
{
    const std::optional<TChosenAsset> chosen =
        Pick(PickAsset(*DGlobal(), FieldText(VoucherColumn::DaraCod)));
    dbgAsnad->setFocus();
    return TakePickedAsset(chosen, guard);
}
