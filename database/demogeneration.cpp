// The demo generator's helpers: Jalali dates, account chains, the users and their
// rights, how many vouchers of each kind a period holds, and the places and sources
// of each class of asset.

#include "demogeneration_p.h"
#include "jalalidate.h"

namespace DemoGeneration {

const QCalendar& Jalali()
{
    static const QCalendar calendar(QCalendar::System::Jalali);
    return calendar;
}

QDate JalaliDate(int year, int month, int day)
{
    return Jalali().dateFromParts(year, month, day);
}

QDate JalaliYearEnd(int year)
{
    return JalaliDate(year + 1, 1, 1).addDays(-1);
}

QString DateText(const QDate& date)
{
    return date.isValid() ? JalaliDateText(date) : QString(QLatin1String(""));
}

QDate DayBetween(DemoRandom& random, const QDate& from, const QDate& to)
{
    return from.addDays(random.between(0, int(std::max<qint64>(0, from.daysTo(to)))));
}

double RoundTo(double value, double step)
{
    return std::round(value / step) * step;
}

Chain CompleteChain(const Chart& chart, const QString& koll, const QString& moein,
                    DemoRandom& random, const Chain& wanted)
{
    const KollAccount* k = chart.koll(koll);
    const MoeinAccount* m = chart.moein(koll, moein);
    if (!k || !m || !k->active || !m->active)
        throw std::logic_error(
            qPrintable(QStringLiteral("no active account %1/%2").arg(koll, moein)));
    const auto choose = [&random](const QStringList& choices, const QString& wish,
                                  const QString& level) {
        if (choices.isEmpty())
            throw std::logic_error(qPrintable(QStringLiteral("no %1 allowed").arg(level)));
        if (wish.isEmpty())
            return random.pick(choices);
        if (!choices.contains(wish))
            throw std::logic_error(
                qPrintable(QStringLiteral("%1 %2 not allowed").arg(level, wish)));
        return wish;
    };
    Chain c;
    c.koll = koll;
    c.moein = moein;
    if (m->tafsily)
        c.tafsily = choose(chart.tafsilyChoices(*m), wanted.tafsily, QStringLiteral("Tafsily"));
    if (m->tafsily2)
        c.tafsily2 = choose(chart.tafsily2Choices(*m, c.tafsily), wanted.tafsily2,
                            QStringLiteral("Tafsily2"));
    if (m->project)
        c.project = choose(chart.projectChoices(*m, c.tafsily, c.tafsily2), wanted.project,
                           QStringLiteral("ProjectCod"));
    return c;
}

double Accumulated(const Asset& a, const QDate& at)
{
    if (!a.depreciated() || !a.inUse.isValid() || at <= a.inUse)
        return 0;
    const double years = double(a.inUse.daysTo(at)) / 365.0;
    double value = 0;
    if (a.method == kDeclining)
        value = a.cost * (1.0 - std::pow(1.0 - a.rate / 100.0, years));
    else if (a.life > 0)
        value = (a.cost - a.salvage) * std::min(1.0, years / a.life);
    return RoundTo(value, 10000);
}

QList<DemoUser> Users()
{
    return {{1, QStringLiteral("مدير سيستم"), QStringLiteral("COPY=YES;PRINT=YES;")},
            {2, QStringLiteral("كارشناس اموال"), QStringLiteral("COPY=NO;PRINT=YES;")},
            {3, QStringLiteral("حسابرس داخلي"), QStringLiteral("COPY=NO;PRINT=NO;")}};
}

QString ClerkRights(const QString& prefix)
{
    static const QHash<QString, QString> clerk{
        {QStringLiteral("D_A_BUYCREATE_"), QStringLiteral("SV")},
        {QStringLiteral("D_A_ASASCHANGE_"), QStringLiteral("SV")},
        {QStringLiteral("D_A_FIRSTTADIL_"), QStringLiteral("V")},
        {QStringLiteral("D_A_SELLDARAE_"), QStringLiteral("V")},
        {QStringLiteral("D_A_REDUCEDARAE_"), QStringLiteral("V")},
        {QStringLiteral("D_A_KENARM_"), QStringLiteral("SEV")},
        {QStringLiteral("D_A_KENARD_"), QStringLiteral("V")},
        {QStringLiteral("D_A_TAHVIL_"), QStringLiteral("SEV")},
        {QStringLiteral("D_A_CHANGESOULATION_"), QStringLiteral("V")},
        {QStringLiteral("D_A_CHVEZARAT_"), QStringLiteral("V")},
        {QStringLiteral("D_A_AMVALGARDANI_"), QStringLiteral("SEV")},
        // The receive/pay orders: the clerk issues them.
        {kOrderRightsPrefix, QStringLiteral("SV")}};
    return clerk.value(prefix);
}

bool ClerkEnters(const QString& table)
{
    return table == kBuy || table == kImprovement || table == kSetAside ||
           table == kSetAsideReturn || table == kTransfer || table == kCount;
}

QList<KindPlan> KindPlans()
{
    return {{kSale, 2, 4, 2, 4, 20, 100},           {kScrap, 2, 3, 1, 3, 10, 65},
            {kScrapReturn, 0, 1, 1, 2, 75, 100},    {kSetAside, 3, 4, 2, 4, 0, 60},
            {kSetAsideReturn, 1, 2, 1, 3, 55, 100}, {kTransfer, 4, 6, 3, 6, 0, 100},
            {kImprovement, 2, 4, 1, 4, 10, 100},    {kMethodChange, 1, 3, 2, 4, 10, 100},
            {kReduction, 1, 3, 1, 3, 10, 100},      {kAdjustment, 2, 3, 2, 5, 0, 40},
            {kTaxGroupChange, 1, 2, 2, 4, 10, 100}, {kCount, 2, 3, 6, 15, 60, 100}};
}

QStringList ClassLocations(int prefix)
{
    switch (prefix) {
    case 1:
        return {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    case 2:
        return {QStringLiteral("10")};
    case 3:
        return {QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")};
    case 4:
        return {QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9"),
                QStringLiteral("12")};
    case 5:
        return {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("7")};
    case 6:
        return {QStringLiteral("1"), QStringLiteral("10")};
    case 7:
        return {QStringLiteral("5"), QStringLiteral("1"), QStringLiteral("2")};
    default:
        return {QStringLiteral("6")};
    }
}

QStringList ClassSources(int prefix)
{
    switch (prefix) {
    case 1:
        return {QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("8"), QStringLiteral("2")};
    case 2:
        return {QStringLiteral("5"), QStringLiteral("2")};
    case 3:
        return {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4")};
    case 4:
        return {QStringLiteral("6"), QStringLiteral("1"), QStringLiteral("2")};
    case 5:
        return {QStringLiteral("7"), QStringLiteral("9")};
    case 6:
        return {QStringLiteral("2"), QStringLiteral("10")};
    case 7:
        return {QStringLiteral("1"), QStringLiteral("4")};
    default:
        return {QStringLiteral("4"), QStringLiteral("8"), QStringLiteral("9")};
    }
}

bool Imported(const QString& assetName)
{
    return assetName.contains(QStringLiteral("ساخت آلمان")) ||
           assetName.contains(QStringLiteral("ساخت ايتاليا")) ||
           assetName.contains(QStringLiteral("ساخت چين")) ||
           assetName.contains(QStringLiteral("ساخت كره"));
}

Row ChainColumns(const Chain& c, const QString& prefix)
{
    return {{prefix + QStringLiteral("Koll"), c.koll},
            {prefix + QStringLiteral("Moein"), c.moein},
            {prefix + QStringLiteral("Tafsily"), c.tafsily},
            {prefix + QStringLiteral("Tafsily2"), c.tafsily2},
            {prefix + QStringLiteral("ProjectCod"), c.project}};
}

} // namespace DemoGeneration
