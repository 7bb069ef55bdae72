#include "voucherform.h"

#include "accountpicklists.h"
#include "chartofaccounts.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbgrid.h"

// The account chain a voucher row carries (Koll, Moein, Tafsily, Tafsily2,
// ProjectCod, or their twins with a prefix): each level's list, where Enter ends the
// chain, and the chain's check against the chart of accounts.

namespace {

const char* const kLevels[] = {"Koll", "Moein", "Tafsily", "Tafsily2", "ProjectCod"};

int LevelOf(const QString& field)
{
    for (int level = 0; level < 5; ++level) {
        if (field.compare(QLatin1String(kLevels[level]), Qt::CaseInsensitive) == 0)
            return level;
    }
    return -1;
}

} // namespace

QString TVoucherForm::LastChainLevel(const QString& prefix) const
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

bool TVoucherForm::AtChainEnd(const QString& prefix, int level) const
{
    return level >= LevelOf(LastChainLevel(prefix).mid(prefix.size()));
}

QString TVoucherForm::NextChainLevel(const QString& prefix, int level) const
{
    // Koll always goes on to Moein; below Moein a level the subsidiary account does
    // not use is stepped over, so that Enter does not open a list nobody may choose
    // from.
    if (level < 1)
        return QString();
    const MoeinProfile profile =
        ReadMoeinProfile(LookupQuery(), FieldText(prefix + QStringLiteral("Koll")),
                         FieldText(prefix + QStringLiteral("Moein")));
    const QString marks[] = {QStringLiteral("اول"), QStringLiteral("دوم"), QStringLiteral("سوم")};
    for (int next = level + 1; next < 5; ++next) {
        if (profile.level.contains(marks[next - 2]))
            return prefix + QLatin1String(kLevels[next]);
    }
    return QString();
}

TVoucherColumn TVoucherForm::ChainColumn(const QString& prefix, int level, const QString& title,
                                         int width)
{
    const QString field = prefix + QLatin1String(kLevels[level]);
    // Enter opens a level's list only while the cell is empty, so a typed code goes
    // straight on.
    return TVoucherColumn(field, title, width)
        .Rule(DGlobal()->TYPESARFASLCOD)
        .Picks(WhileEditable([this, prefix, field] { return pickChainAccount(prefix, field); }),
               TEnterPick::WhenEmpty)
        .GoesTo([this, prefix, level] { return NextChainLevel(prefix, level); });
}

int TVoucherForm::pickChainAccount(const QString& prefix, const QString& field)
{
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

TRowRefusal TVoucherForm::CheckChain(const QString& prefix)
{
    const MoeinProfile profile =
        ReadMoeinProfile(LookupQuery(), FieldText(prefix + QStringLiteral("Koll")),
                         FieldText(prefix + QStringLiteral("Moein")));
    const ChainRefusal refusal = CheckAccountChain(
        *DGlobal(), DGlobal()->Query(), quAsnad, profile.level, profile.grohTafsily,
        profile.grohTafsily2, profile.grohProject, prefix + QStringLiteral("Koll"),
        prefix + QStringLiteral("Moein"), prefix + QStringLiteral("Tafsily"),
        prefix + QStringLiteral("Tafsily2"), prefix + QStringLiteral("ProjectCod"));
    if (refusal.isEmpty())
        return TRowRefusal::Accept();
    // A level given a code the account does not know opens its list.
    std::function<int()> pick;
    if (refusal.openPickList)
        pick = [this, refusal] { return PickAccountForRefusal(DGlobal(), dbgAsnad, refusal); };
    return TRowRefusal::Of(refusal.message, refusal.column, pick);
}
