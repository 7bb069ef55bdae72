#include "disposalform.h"

#include "accountpicklists.h"
#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "messages.h"
#include "picklist.h"
#include "servicewindows.h"
#include "sqlquote.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

const QStringList kChain{QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("Tafsily"),
                         QStringLiteral("Tafsily2"), QStringLiteral("ProjectCod")};
const QStringList kCodeColumns{QStringLiteral("DaraCod"), QStringLiteral("VazCod"),
                               QStringLiteral("Koll"),    QStringLiteral("Moein"),
                               QStringLiteral("HKoll"),   QStringLiteral("HMoein")};
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

QString TDisposalForm::ChainPrefix(const QString& field)
{
    return IsChainColumn(field) && field.size() > Twin(field).size() ? QStringLiteral("H")
                                                                     : QString();
}

int TDisposalForm::InputWidth(const QString& field) const
{
    return FieldWidth(Twin(field));
}

QString TDisposalForm::Padded(const QString& field) const
{
    return PadLeft(FieldText(field).trimmed(), InputWidth(field));
}

QList<DbGridColumn> TDisposalForm::GridColumns() const
{
    const QString tafsily2 =
        DGlobal()->NAMTAFSILY2.isEmpty() ? m_titles.Tafsily2 : DGlobal()->NAMTAFSILY2;
    const QString project = DGlobal()->NAMPROJECT;
    auto column = [](const char* field, const QString& title, int width) {
        return DbGridColumn::Make(QString::fromLatin1(field), title, width);
    };
    QList<DbGridColumn> columns{column("DaraCod", QStringLiteral("دارايي"), 80),
                                column("AmvalDes", QStringLiteral("شرح"), 200),
                                column("VazCod", QStringLiteral("وضعيت"), 45)};
    columns += AmountColumns();
    columns += {column("Bargeh", QStringLiteral("برگه"), 45),
                column("Koll", m_titles.Koll, 95),
                column("Moein", QStringLiteral("معين"), 30),
                column("Tafsily", QStringLiteral("تفصيلي"), 55),
                column("Tafsily2", tafsily2, 55),
                column("ProjectCod", project, 60),
                column("HKoll", QStringLiteral("كل(سود/زيان)"), 80),
                column("HMoein", QStringLiteral("معين"), 30),
                column("HTafsily", QStringLiteral("تفصيلي"), 55),
                column("HTafsily2", tafsily2, 55),
                column("HProjectCod", project, 60)};
    return columns;
}

void TDisposalForm::CreateFooter()
{
    auto edit = [this](const QString& name, int width) { return FooterEdit(name, width); };
    auto label = [this](const QString& text) { return new QLabel(text, FooterPanel); };
    EDaraNam = edit(QStringLiteral("EDaraNam"), 200);
    EVazNam = edit(QStringLiteral("EVazNam"), 150);
    CreateChainNameBoxes();
    LTafsily2 = label(QStringLiteral("تفصيلي2"));
    LProject = label(QStringLiteral("پروژه"));

    const QList<std::pair<QLabel*, QLineEdit*>> pairs{
        {label(QStringLiteral("دارايي")), EDaraNam},
        {label(QStringLiteral("وضعيت دارايي")), EVazNam},
        {label(QStringLiteral("کل(طرف حساب)")), EKollNam},
        {label(QStringLiteral("معين")), EMoeinNam},
        {label(QStringLiteral("تفصيلي")), ETafsilyNam},
        {LTafsily2, ETafsily2Nam},
        {LProject, EProjectNam}};
    LayOutFooter(pairs);
    CreateKindFooter(int((pairs.size() + 3) / 4));
}

void TDisposalForm::clearNames()
{
    for (QLineEdit* e : {EDaraNam, EVazNam})
        e->clear();
    ShowChainNames({});
}

void TDisposalForm::ClearFooter()
{
    clearNames();
    RefreshTotals();
}

QList<TNamePart> TDisposalForm::ExtraNameParts(const QString&) const
{
    return {};
}

void TDisposalForm::RefreshFooter()
{
    // The codes as the row stores them: a code still being typed names itself too.
    const QString asset = StoredCode(QStringLiteral("DaraCod"));
    const QHash<QString, QString> names = ReadNames(
        ExtraNameParts(asset) +
        ChainNameParts(StoredCode(QStringLiteral("Koll")), StoredCode(QStringLiteral("Moein")),
                       StoredCode(QStringLiteral("Tafsily")),
                       StoredCode(QStringLiteral("Tafsily2")),
                       StoredCode(QStringLiteral("ProjectCod"))) +
        QList<TNamePart>{{"DaraNam", "Select DaraNam    From D_Amval    Where DaraCod   = ", asset},
                         {"VazNam", "Select VazNam     From D_VazDarae Where VazCod    = ",
                          StoredCode(QStringLiteral("VazCod"))}});
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
}

QString TDisposalForm::KeyRule(const QString& field) const
{
    if (Is(field, QStringLiteral("DaraCod")))
        return DGlobal()->TYPEDARACOD;
    if (IsChainColumn(field))
        return DGlobal()->TYPESARFASLCOD;
    if (Is(field, QStringLiteral("VazCod")))
        return QStringLiteral("NUM");
    return QString();
}

bool TDisposalForm::HasPick(const QString& field) const
{
    return Is(field, QStringLiteral("DaraCod")) || Is(field, QStringLiteral("VazCod")) ||
           IsChainColumn(field);
}

// Enter opens the asset and condition lists; in an account column it opens the
// level's list only while the cell is empty, so a typed code goes straight on.
bool TDisposalForm::EnterOpensPick(const QString& field) const
{
    if (IsChainColumn(field))
        return FieldText(field).trimmed().isEmpty();
    return HasPick(field);
}

int TDisposalForm::OpenPick(const QString& field)
{
    if (!quAsnad->active() || !GridEditable())
        return 2;
    if (Is(field, QStringLiteral("DaraCod")))
        return PickAssetForRow(true);
    if (Is(field, QStringLiteral("VazCod")))
        return pickCondition();
    if (IsChainColumn(field))
        return pickAccount(field);
    return 1;
}

int TDisposalForm::PickAssetForRow(bool guard)
{
    const QString sql = PickAsset(DGlobal(), FieldText(QStringLiteral("DaraCod")));
    const int result = ShowPickList(sql);
    dbgAsnad->setFocus();
    if (result != 1)
        return result;
    const QString code = TempGridForm->quTemp->fieldByName(QStringLiteral("DaraCod"))->asString();
    quAsnad->fieldByName(QStringLiteral("DaraCod"))->setValue(code);
    RefreshFooter();
    if (!guard)
        return 1;
    const QString column =
        AssetStateGuard(DGlobal(), LookupQuery(), code, PaddedNumber(), VoucherDate());
    return column.isEmpty() ? 1 : 2;
}

int TDisposalForm::pickCondition()
{
    const QString sql = PickAssetCondition(FieldText(QStringLiteral("VazCod")));
    const int result = ShowPickList(sql);
    dbgAsnad->setFocus();
    if (result != 1)
        return result;
    quAsnad->fieldByName(QStringLiteral("VazCod"))
        ->setValue(TempGridForm->quTemp->fieldByName(QStringLiteral("VazCod"))->asString());
    RefreshFooter();
    return 1;
}

int TDisposalForm::pickAccount(const QString& field)
{
    const QString prefix = ChainPrefix(field);
    const MoeinProfile profile =
        ReadMoeinProfile(LookupQuery(), FieldText(prefix + QStringLiteral("Koll")),
                         FieldText(prefix + QStringLiteral("Moein")));
    const int result =
        PickAccountForColumn(DGlobal(), dbgAsnad, field, profile.level, profile.grohTafsily,
                             profile.grohTafsily2, profile.grohProject, prefix);
    dbgAsnad->setFocus();
    RefreshFooter();
    return result == 1 ? 1 : 2;
}

QString TDisposalForm::LastChainLevel(const QString& prefix) const
{
    const MoeinProfile profile =
        ReadMoeinProfile(LookupQuery(), FieldText(prefix + QStringLiteral("Koll")),
                         FieldText(prefix + QStringLiteral("Moein")));
    QString last = QStringLiteral("Moein");
    if (profile.level.contains(QStringLiteral("سوم")))
        last = QStringLiteral("ProjectCod");
    else if (profile.level.contains(QStringLiteral("دوم")))
        last = QStringLiteral("Tafsily2");
    else if (profile.level.contains(QStringLiteral("اول")))
        last = QStringLiteral("Tafsily");
    return prefix + last;
}

// At or past the last level the counterparty's subsidiary account uses, Enter goes
// to the gain/loss chain.
QString TDisposalForm::EnterTarget(const QString& field) const
{
    if (!IsChainColumn(field) || !ChainPrefix(field).isEmpty())
        return QString();
    if (LevelIndex(field) >= LevelIndex(LastChainLevel(QString())))
        return QStringLiteral("HKoll");
    return QString();
}

// At or past the last level the gain/loss chain uses, the row is finished.
bool TDisposalForm::IsLastEditable(const QString& field) const
{
    if (!IsChainColumn(field) || ChainPrefix(field).isEmpty())
        return false;
    return LevelIndex(field) >= LevelIndex(LastChainLevel(QStringLiteral("H")));
}

QString TDisposalForm::StoredCode(const QString& field) const
{
    if (!kZeroFilled.contains(field, Qt::CaseInsensitive))
        return Padded(field);
    const QString text = FieldText(field).trimmed();
    return text.isEmpty() ? text : PadLeftWith(text, QLatin1Char('0'), InputWidth(field));
}

void TDisposalForm::NormaliseRow()
{
    for (const QStringList& names : {kCodeColumns, kZeroFilled}) {
        for (const QString& name : names)
            quAsnad->fieldByName(name)->setValue(StoredCode(name));
    }
}

QString TDisposalForm::CheckConditionExists()
{
    const QString condition = Padded(QStringLiteral("VazCod"));
    if (condition.trimmed().isEmpty())
        return QString();
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select VazCod From D_VazDarae Where VazCod = ") + SqlQuote(condition));
    const bool found = !q->isEmpty();
    q->close();
    if (found)
        return QString();
    Refuse(QStringLiteral("وضعيت دارايي وجود ندارد."), QStringLiteral("VazCod"));
    pickCondition();
    return QStringLiteral("VazCod");
}

QString TDisposalForm::CheckFormNumber(const QString& emptyText)
{
    const QString form = FieldText(QStringLiteral("Bargeh")).trimmed();
    if (form.isEmpty())
        return Refuse(emptyText, QStringLiteral("Bargeh"));
    const QString other = DGlobal()->FindFormNumber(
        LookupQuery(), Kind().Table, PaddedNumber(), form,
        FieldWidth(QStringLiteral("SanadNoAmval")), FieldWidth(QStringLiteral("Bargeh")));
    if (!other.isEmpty())
        return Refuse(QStringLiteral(" شماره برگه در سند ") + other.trimmed() +
                          QStringLiteral(" تكرار شده است. "),
                      QStringLiteral("Bargeh"));
    return QString();
}

QString TDisposalForm::CheckStartOfUse()
{
    const ProcedureResult start = MyDatabase->Connection->callProcedure(
        QStringLiteral("sp_D_Return_StartDate"),
        {Global->CompanyCode + Global->FiscalYear, Padded(QStringLiteral("DaraCod"))});
    const QString used = start.rows.isEmpty() || start.rows.first().isEmpty()
                             ? QString()
                             : start.rows.first().first().toString().trimmed();
    if (!used.isEmpty() && used > VoucherDate())
        return Refuse(QStringLiteral("تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است."),
                      QStringLiteral("DaraCod"));
    return QString();
}

QString TDisposalForm::CheckChains()
{
    for (const QString& prefix : {QString(), QStringLiteral("H")}) {
        const MoeinProfile profile =
            ReadMoeinProfile(LookupQuery(), FieldText(prefix + QStringLiteral("Koll")),
                             FieldText(prefix + QStringLiteral("Moein")));
        const QString column = ValidateAccountChain(
            DGlobal(), dbgAsnad, profile.level, profile.grohTafsily, profile.grohTafsily2,
            profile.grohProject, prefix + QStringLiteral("Koll"), prefix + QStringLiteral("Moein"),
            prefix + QStringLiteral("Tafsily"), prefix + QStringLiteral("Tafsily2"),
            prefix + QStringLiteral("ProjectCod"));
        if (!column.isEmpty()) {
            dbgAsnad->focusField(column);
            return column;
        }
    }
    return QString();
}
