#include "disposalform.h"

#include "accountpicklists.h"
#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "messages.h"
#include "picklist.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kNoMethod = QStringLiteral("ندارد");
const QStringList kChain{QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("Tafsily"),
                         QStringLiteral("Tafsily2"), QStringLiteral("ProjectCod")};
const QStringList kCodeColumns{VoucherColumn::DaraCod,  VoucherColumn::VazCod,
                               QStringLiteral("Koll"),  QStringLiteral("Moein"),
                               QStringLiteral("HKoll"), QStringLiteral("HMoein")};
const QStringList kZeroFilled{QStringLiteral("Tafsily"),    QStringLiteral("Tafsily2"),
                              QStringLiteral("ProjectCod"), QStringLiteral("HTafsily"),
                              QStringLiteral("HTafsily2"),  QStringLiteral("HProjectCod")};

bool Is(const QString& field, const QString& name)
{
    return field.compare(name, Qt::CaseInsensitive) == 0;
}

// Index of the column's level in its chain, -1 for a column outside the chains.
int LevelIndex(const QString& field)
{
    return kChain.indexOf(TDisposalForm::Twin(field), 0);
}

} // namespace

TDisposalForm::TDisposalForm(const TVoucherKind& kind, const TChainTitles& titles, QWidget* parent)
    : TVoucherForm(kind, parent), m_titles(titles)
{}

QString TDisposalForm::Twin(const QString& field)
{
    for (const QString& level : kChain) {
        if (Is(field, QLatin1Char('H') + level))
            return level;
        if (Is(field, level))
            return level;
    }
    return field;
}

bool TDisposalForm::IsChainColumn(const QString& field)
{
    return LevelIndex(field) >= 0;
}

int TDisposalForm::CodeWidth(const QString& field) const
{
    return FieldWidth(Twin(field));
}

QList<TVoucherColumn> TDisposalForm::Columns()
{
    const QString tafsily2 =
        DGlobal()->NAMTAFSILY2.isEmpty() ? m_titles.Tafsily2 : DGlobal()->NAMTAFSILY2;
    const QString project = DGlobal()->NAMPROJECT;
    QList<TVoucherColumn> columns{
        TVoucherColumn(VoucherColumn::DaraCod, QStringLiteral("دارايي"), 80)
            .Rule(DGlobal()->TYPEDARACOD)
            .Picks(WhileEditable([this] { return PickAssetForRow(true); })),
        TVoucherColumn(VoucherColumn::AmvalDes, QStringLiteral("شرح"), 200),
        TVoucherColumn(VoucherColumn::VazCod, QStringLiteral("وضعيت"), 45)
            .Rule(QStringLiteral("NUM"))
            .Picks(WhileEditable([this] { return PickConditionForRow(); }))};
    const QList<TVoucherColumn> amounts = AmountColumns();
    m_amountFields.clear();
    for (const TVoucherColumn& column : amounts) {
        if (column.KeyRule == kAmountRule || column.KeyRule == kUnsignedAmountRule)
            m_amountFields << column.Field;
    }
    columns += amounts;
    columns << TVoucherColumn(VoucherColumn::Bargeh, QStringLiteral("برگه"), 45);

    // The two chains, or the counterparty's alone.
    const int counterparty[] = {95, 30, 55, 55, 60};
    const int gainOrLoss[] = {80, 30, 55, 55, 60};
    const QString titles[] = {m_titles.Koll, QStringLiteral("معين"), QStringLiteral("تفصيلي"),
                              tafsily2, project};
    const QString gainTitles[] = {QStringLiteral("كل(سود/زيان)"), QStringLiteral("معين"),
                                  QStringLiteral("تفصيلي"), tafsily2, project};
    for (int level = 0; level < 5; ++level) {
        TVoucherColumn column = ChainColumn(QString(), level, titles[level], counterparty[level]);
        // At or past the last level the counterparty's subsidiary account uses, Enter
        // goes to the gain/loss chain, or finishes the row when there is none.
        if (m_titles.GainOrLoss)
            column.GoesTo([this, level] {
                return AtChainEnd(QString(), level) ? QStringLiteral("HKoll")
                                                    : NextChainLevel(QString(), level);
            });
        else
            column.Ends([this, level] { return AtChainEnd(QString(), level); });
        columns << column;
    }
    if (!m_titles.GainOrLoss)
        return columns;
    for (int level = 0; level < 5; ++level) {
        // At or past the last level the gain/loss chain uses, the row is finished.
        columns << ChainColumn(QStringLiteral("H"), level, gainTitles[level], gainOrLoss[level])
                       .Ends([this, level] { return AtChainEnd(QStringLiteral("H"), level); });
    }
    return columns;
}

void TDisposalForm::CreateFooter()
{
    EDaraNam = FooterEdit(QStringLiteral("EDaraNam"), 200);
    EVazNam = FooterEdit(QStringLiteral("EVazNam"), 150);
    CreateChainNameBoxes();
    const bool company = m_titles.CompanyLevelLabels;
    LTafsily2 =
        FooterLabel(company && !DGlobal()->NAMTAFSILY2.isEmpty() ? DGlobal()->NAMTAFSILY2
                                                                 : QStringLiteral("تفصيلي2"));
    LProject = FooterLabel(company && !DGlobal()->NAMPROJECT.isEmpty() ? DGlobal()->NAMPROJECT
                                                                       : QStringLiteral("پروژه"));

    const QList<std::pair<QLabel*, QLineEdit*>> pairs{
        {FooterLabel(QStringLiteral("دارايي")), EDaraNam},
        {FooterLabel(QStringLiteral("وضعيت دارايي")), EVazNam},
        {FooterLabel(QStringLiteral("کل(طرف حساب)")), EKollNam},
        {FooterLabel(QStringLiteral("معين")), EMoeinNam},
        {FooterLabel(QStringLiteral("تفصيلي")), ETafsilyNam},
        {LTafsily2, ETafsily2Nam},
        {LProject, EProjectNam}};
    LayOutFooter(pairs);
    CreateKindFooter(int((pairs.size() + 3) / 4));
}

QList<TNamePart> TDisposalForm::ExtraNameParts() const
{
    if (m_salvageColumn.isEmpty())
        return {};
    return {AssetPart(QStringLiteral("RaveshEst"))};
}

void TDisposalForm::ReadExtraNames(const QHash<QString, QString>& names)
{
    if (!m_salvageColumn.isEmpty())
        m_raveshEst = names.value(QStringLiteral("RaveshEst"));
}

void TDisposalForm::RefreshFooter()
{
    // The codes as the row stores them: a code still being typed names itself too.
    const QHash<QString, QString> names = ReadNames(
        ExtraNameParts() +
        ChainNameParts(StoredCode(QStringLiteral("Koll")), StoredCode(QStringLiteral("Moein")),
                       StoredCode(QStringLiteral("Tafsily")),
                       StoredCode(QStringLiteral("Tafsily2")),
                       StoredCode(QStringLiteral("ProjectCod"))) +
        QList<TNamePart>{AssetPart(QStringLiteral("DaraNam")),
                         {"VazNam", "Select VazNam     From D_VazDarae Where VazCod    = ",
                          StoredCode(VoucherColumn::VazCod)}});
    EDaraNam->setText(names.value(QStringLiteral("DaraNam")));
    ShowChainNames(names);
    EVazNam->setText(names.value(QStringLiteral("VazNam")));
    ReadExtraNames(names);
}

void TDisposalForm::ConfigureFields()
{
    // The gain/loss chain accepts what its counterparty twin accepts.
    for (const QString& level : kChain) {
        DataField* field = quAsnad->findField(QLatin1Char('H') + level);
        const int width = FieldWidth(level);
        if (field != nullptr && width > 0)
            field->setSize(width);
    }
    for (const QString& name : m_amountFields) {
        if (DataField* field = quAsnad->findField(name))
            field->setDisplayFormat(kAmountFormat);
    }
}

int TDisposalForm::PickAssetForRow(bool guard)
{
    const std::optional<TChosenAsset> chosen =
        Pick(PickAsset(*DGlobal(), FieldText(VoucherColumn::DaraCod)));
    dbgAsnad->setFocus();
    return TakePickedAsset(chosen, guard);
}

void TDisposalForm::NormaliseRow()
{
    for (const QStringList& names : {kCodeColumns, kZeroFilled}) {
        for (const QString& name : names) {
            if (DataField* field = quAsnad->findField(name))
                field->setValue(StoredCode(name));
        }
    }
    for (const QString& name : m_amountFields) {
        DataField* field = quAsnad->fieldByName(name);
        field->setValue(field->asFloat());
    }
}

TRowRefusal TDisposalForm::CheckAsset(const QString& emptyText, const QString& unknownText)
{
    const QString asset = VoucherColumn::DaraCod;
    const QString code = StoredCode(asset);
    if (code.trimmed().isEmpty())
        return TRowRefusal::Of(emptyText, asset);
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select DaraCod From D_Amval Where DaraCod = ?"), {code});
    const bool known = !q->isEmpty();
    q->close();
    if (!known)
        return TRowRefusal::Of(unknownText, asset, [this] { return PickAssetForRow(false); });
    // The list refuses a sold or retired asset, but a code typed without it must be
    // refused here too.
    return AssetStateRefusal(code);
}

TRowRefusal TDisposalForm::CheckConditionExists()
{
    const QString condition = StoredCode(VoucherColumn::VazCod);
    if (condition.trimmed().isEmpty())
        return TRowRefusal::Accept();
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select VazCod From D_VazDarae Where VazCod = ?"), {condition});
    const bool found = !q->isEmpty();
    q->close();
    if (found)
        return TRowRefusal::Accept();
    return TRowRefusal::Of(QStringLiteral("وضعيت دارايي وجود ندارد."), VoucherColumn::VazCod,
                           [this] { return PickConditionForRow(); });
}

TRowRefusal TDisposalForm::CheckChains()
{
    for (const QString& prefix : {QString(), QStringLiteral("H")}) {
        if (!prefix.isEmpty() && !m_titles.GainOrLoss)
            break;
        if (TRowRefusal r = CheckChain(prefix); r.Refused())
            return r;
    }
    return TRowRefusal::Accept();
}

TRowRefusal TDisposalForm::CheckSalvage(const QString& zeroText)
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select RaveshEst From D_Amval Where DaraCod = ?"),
            {StoredCode(VoucherColumn::DaraCod)});
    m_raveshEst =
        q->isEmpty() ? QString() : q->fieldByName(QStringLiteral("RaveshEst"))->asString();
    q->close();
    if (quAsnad->fieldByName(m_salvageColumn)->asFloat() == 0 && m_raveshEst.trimmed() != kNoMethod)
        return TRowRefusal::Of(zeroText, m_salvageColumn);
    return TRowRefusal::Accept();
}

// An asset that is not depreciated keeps no salvage value.
void TDisposalForm::AfterRowChecks()
{
    if (!m_salvageColumn.isEmpty() && m_raveshEst.trimmed() == kNoMethod)
        quAsnad->fieldByName(m_salvageColumn)->setValue(0.0);
}
