// The demo company's vouchers of a period: each kind planned over the period, its
// assets chosen among those it may name on its date, and its rows written as the
// voucher windows would store them.

#include "demogeneration_p.h"

namespace DemoGeneration {

void CompanyGenerator::simulate(RowWriter& w, const Period& period)
{
    m_issued.clear();
    m_setAside.clear();
    m_scrapped.clear();
    for (Asset& a : m_assets) {
        a.counted = false;
        a.improvedNow = 0;
        a.lifeAddedNow = 0;
        a.openingPerson = a.person;
        a.openingLocation = a.location;
        a.openingCentre = a.costCentre;
        a.openingSetAside = a.setAsideSince;
        a.openingMethod = a.method;
        a.openingRate = a.method == kDeclining ? a.rate : 0.0;
        a.openingLife = a.method == kStraightLine ? a.life + a.lifeAdded : 0.0;
        a.openingTaxGroup = a.taxGroup;
        // Cost and accumulated depreciation are those carried into the period (the
        // improvements, adjustments and reductions of earlier periods are part of
        // the cost); an asset bought in it has neither yet.
        const bool carried = carriedInto(a, period);
        a.openingCost = carried ? a.cost + a.improved + a.costChanged : 0.0;
        a.openingAccumulated = carried ? Accumulated(a, period.start) : 0.0;
        a.openingSalvage = carried ? a.salvage : 0.0;
    }

    const int span = int(period.firstVoucher.daysTo(period.lastVoucher));
    const auto dateIn = [&](int from, int to) {
        return period.firstVoucher.addDays(m_random.between(span * from / 100, span * to / 100));
    };
    const double scale = double(m_assetCount) / 300.0;

    // Purchases: the assets this period buys, a voucher per supplier's invoice
    // of a handful of them.
    QMap<QString, QList<int>> bySource;
    for (int i = 0; i < m_assets.size(); ++i) {
        const Asset& a = m_assets.at(i);
        if (a.origin == Origin::Bought && a.purchasePeriod == period.index)
            bySource[a.source] << i;
    }
    QList<QList<int>> purchases;
    for (QList<int>& group : bySource) {
        m_random.shuffle(group);
        const int vouchers = int(std::ceil(group.size() / 7.0));
        for (int i = 0; i < vouchers; ++i) {
            const qsizetype from = group.size() * i / vouchers;
            purchases << group.mid(from, group.size() * (i + 1) / vouchers - from);
        }
    }
    m_random.shuffle(purchases);
    QList<QDate> buyDates;
    for (int i = 0; i < purchases.size(); ++i)
        buyDates << dateIn(0, 85);
    std::sort(buyDates.begin(), buyDates.end());
    QList<Voucher> plan;
    for (int i = 0; i < purchases.size(); ++i)
        plan.append({kBuy, buyDates.at(i), int(purchases.at(i).size()), {}, {}, {}});
    for (const KindPlan& k : KindPlans()) {
        const int base = period.current ? k.current : k.previous;
        if (base == 0)
            continue;
        const int count = std::max(1, int(std::lround(base * scale)));
        for (int i = 0; i < count; ++i)
            plan.append({k.table,
                         dateIn(k.from, k.to),
                         m_random.between(k.rowsLow, k.rowsHigh),
                         {},
                         {},
                         {}});
    }
    // In date order, so that numbers grow with dates and every voucher sees the
    // history before it; on one day in a fixed order of kinds.
    const QStringList kindOrder{
        kBuy,      kAdjustment,     kImprovement, kMethodChange,   kReduction,
        kTransfer, kTaxGroupChange, kSetAside,    kSetAsideReturn, kCount,
        kSale,     kScrap,          kScrapReturn};
    QList<int> byDate;
    for (int i = 0; i < plan.size(); ++i)
        byDate << i;
    std::stable_sort(byDate.begin(), byDate.end(), [&](int a, int b) {
        if (plan.at(a).date != plan.at(b).date)
            return plan.at(a).date < plan.at(b).date;
        return kindOrder.indexOf(plan.at(a).table) < kindOrder.indexOf(plan.at(b).table);
    });

    QHash<QString, int> numbers;
    QHash<QString, int> forms;
    int purchase = 0;
    for (int i : std::as_const(byDate)) {
        Voucher v = plan.at(i);
        QList<int> rows;
        if (v.table == kBuy)
            rows = purchases.at(purchase++);
        else
            rows = chooseAssets(v, period);
        if (rows.isEmpty())
            continue;
        v.number = m_forms.Voucher(++numbers[v.table]);
        int& form = forms[v.table];
        form = form == 0 ? m_random.between(100, 900) * 10 : form + m_random.between(1, 4);
        v.form = QString::number(form);
        const QList<DemoUser> users = Users();
        v.user = ClerkEnters(v.table) && m_random.chance(40) ? users.at(1).name : users.at(0).name;
        if (v.table == kCount)
            writeCount(w, v, rows);
        else
            writeVoucher(w, v, rows, period);
        // A few vouchers carry an issued accounting voucher and open read-only.
        if (v.number == m_forms.Voucher(1) &&
            (v.table == kBuy || (period.current && v.table == kImprovement))) {
            const VoucherKind* kind = FindVoucherKindByTable(v.table);
            m_issued.append({kind->whatDoc, v.number.trimmed(), v.date, kind->caption});
        }
    }
}

bool CompanyGenerator::carriedInto(const Asset& a, const Period& p)
{
    return a.origin == Origin::Opening ||
           (a.origin == Origin::Bought && a.purchasePeriod < p.index);
}

bool CompanyGenerator::inService(const Asset& a, const Period& p, const QDate& d) const
{
    if (!present(a, p) || a.disposed.isValid() || !a.inUse.isValid() || a.inUse > d)
        return false;
    if (a.origin == Origin::Opening)
        return true;
    return a.bought.isValid() && a.purchasePeriod <= p.index && a.bought < d;
}

bool CompanyGenerator::eligible(const Asset& a, const Voucher& v, const Period& p) const
{
    const QDate& d = v.date;
    if (v.table == kSetAsideReturn)
        return a.setAsideSince.isValid() && a.setAsideSince >= p.start && a.setAsideSince < d &&
               !a.disposed.isValid();
    if (v.table == kScrapReturn)
        return a.scrapped && !a.scrapReturned && a.disposedPeriod == p.index && a.disposed < d;
    if (!inService(a, p, d))
        return false;
    const bool setAside = a.setAsideSince.isValid();
    if (v.table == kSale || v.table == kScrap)
        return !setAside && (!a.lastUse.isValid() || a.lastUse < d);
    if (v.table == kSetAside)
        return !setAside;
    // (A life lengthened by an improvement of the period keeps its method in it.)
    if (v.table == kMethodChange)
        return !setAside && a.depreciated() && a.lifeAddedNow == 0;
    if (v.table == kAdjustment)
        return a.origin == Origin::Opening;
    // Only a cost the register holds is reduced.
    if (v.table == kReduction)
        return !setAside && carriedInto(a, p);
    if (v.table == kCount)
        return !a.counted;
    return !setAside;
}

// The assets of a voucher: up to v.rows assets eligible for it, in random order.
// Every voucher costs time in proportion to its rows, not to the register: the
// returns from retirement draw on the period's retired assets (a short list),
// every other kind tries assets of the register at random and keeps the
// eligible ones, giving up after a number of tries that grows with the rows.
QList<int> CompanyGenerator::chooseAssets(const Voucher& v, const Period& p)
{
    if (v.table == kSetAsideReturn || v.table == kScrapReturn) {
        std::vector<int>& retired = v.table == kSetAsideReturn ? m_setAside : m_scrapped;
        // Those returned meanwhile leave the list.
        std::erase_if(retired, [&](int i) {
            const Asset& a = m_assets.at(i);
            return v.table == kSetAsideReturn ? !a.setAsideSince.isValid() : a.scrapReturned;
        });
        QList<int> candidates;
        for (int i : retired) {
            if (eligible(m_assets.at(i), v, p))
                candidates << i;
        }
        m_random.shuffle(candidates);
        return candidates.mid(0, v.rows);
    }
    if (m_assets.isEmpty())
        return {};
    QString place;
    if (v.table == kCount) {
        // A count covers one place: among a sample of the assets still to be
        // counted, the place where most of them are.
        QHash<QString, int> perPlace;
        for (int t = 0; t < kCountSample; ++t) {
            const int i = randomAsset();
            if (eligible(m_assets.at(i), v, p))
                ++perPlace[m_assets.at(i).location];
        }
        int most = 0;
        for (const CodeName& l : Locations()) {
            const QString code = m_forms.Location(l.code);
            if (perPlace.value(code) > most) {
                most = perPlace.value(code);
                place = code;
            }
        }
        if (place.isEmpty())
            return {};
    }
    QList<int> chosen;
    QSet<int> taken;
    const int tries = 64 + (v.table == kCount ? 64 : 16) * v.rows;
    for (int t = 0; t < tries && chosen.size() < v.rows; ++t) {
        const int i = randomAsset();
        const Asset& a = m_assets.at(i);
        if (taken.contains(i) || (!place.isEmpty() && a.location != place) || !eligible(a, v, p))
            continue;
        taken.insert(i);
        chosen << i;
    }
    return chosen;
}

QString CompanyGenerator::description(const QString& table, const Asset& a)
{
    const QStringList texts = Descriptions(table);
    if (texts.isEmpty())
        return QString();
    QString t = m_random.pick(texts);
    QString person;
    for (const Employee& e : std::as_const(m_employees)) {
        if (e.code == a.person)
            person = e.fullName();
    }
    QString place;
    for (const CodeName& l : Locations()) {
        if (m_forms.Location(l.code) == a.location)
            place = l.name;
    }
    return t.replace(QStringLiteral("%1"), QString::number(m_random.between(1000, 9899)))
        .replace(QStringLiteral("%2"), person)
        .replace(QStringLiteral("%3"), place);
}

Chain CompanyGenerator::assetChain(const QString& koll, const QString& moein, const Asset& a)
{
    // Expense and loss accounts carry the asset's cost centre when they may.
    const MoeinAccount* m = m_chart.moein(m_forms.Koll(koll), m_forms.Moein(moein));
    Chain wanted;
    if (m && m->tafsily2 && Allows(m->tafsily2Rule, a.costCentre, m_chart.tafsily2GroupLength))
        wanted.tafsily2 = a.costCentre;
    return CompleteChain(m_chart, m_forms.Koll(koll), m_forms.Moein(moein), m_random, wanted);
}

void CompanyGenerator::writeVoucher(RowWriter& w, const Voucher& v, const QList<int>& rows,
                                    const Period& p)
{
    const Forms& f = m_forms;
    const QString date = DateText(v.date);
    const Source* voucherSource = nullptr;
    if (v.table == kBuy)
        voucherSource = &sourceByCode(m_assets.at(rows.first()).source);
    int raj = 0;
    for (int index : rows) {
        Asset& a = m_assets[index];
        Row row{{QStringLiteral("SanadNoAmval"), v.number},
                {QStringLiteral("Raj"), ++raj},
                {QStringLiteral("User_Name"), v.user},
                {QStringLiteral("sDate"), date},
                {QStringLiteral("DaraCod"), a.code}};
        const double bookValue = std::max(0.0, a.cost - Accumulated(a, v.date));
        if (v.table == kBuy) {
            row += buyRow(w, v, a, *voucherSource, p);
        } else if (v.table == kSale) {
            const double value = std::max(RoundTo(bookValue, 1e5), 1e6);
            const double price =
                std::max(RoundTo(value * m_random.between(70, 140) / 100.0, 1e5), 5e5);
            Chain counterparty;
            QString buyer;
            if (m_random.chance(70)) {
                counterparty = CompleteChain(m_chart, f.Koll(QStringLiteral("12")),
                                             f.Moein(QStringLiteral("1")), m_random);
                buyer = Chart::find(m_chart.tafsilys, counterparty.tafsily)->name;
            } else {
                counterparty = CompleteChain(m_chart, f.Koll(QStringLiteral("11")),
                                             f.Moein(QStringLiteral("2")), m_random);
                buyer = QStringLiteral("آقاي ") + m_random.pick(MaleNames()) + QLatin1Char(' ') +
                        m_random.pick(FamilyNames());
            }
            const Chain result = price >= value
                                     ? assetChain(QStringLiteral("61"), QStringLiteral("1"), a)
                                     : assetChain(QStringLiteral("62"), QStringLiteral("1"), a);
            a.condition = f.Condition(Condition::Sold);
            row += Row{{QStringLiteral("AmvalDes"), description(v.table, a)},
                       {QStringLiteral("VazCod"), f.Condition(Condition::WornOut)},
                       {QStringLiteral("ArzeshFee"), value},
                       {QStringLiteral("sValue"), price},
                       {QStringLiteral("Buyer"), buyer},
                       {QStringLiteral("Bargeh"), v.form}};
            row += ChainColumns(counterparty);
            row += ChainColumns(result, QStringLiteral("H"));
            a.disposed = v.date;
            a.disposedPeriod = p.index;
        } else if (v.table == kScrap) {
            const double salvage =
                a.depreciated() ? std::max(a.salvage, RoundTo(a.cost * 0.02, 1e4)) : 0;
            a.condition = f.Condition(Condition::Scrapped);
            row += Row{{QStringLiteral("AmvalDes"), description(v.table, a)},
                       {QStringLiteral("VazCod"), f.Condition(Condition::Scrapped)},
                       {QStringLiteral("ArzeshAsgat"), salvage},
                       {QStringLiteral("Bargeh"), v.form}};
            row += ChainColumns(CompleteChain(m_chart, f.Koll(QStringLiteral("13")),
                                              f.Moein(QStringLiteral("3")), m_random));
            row += ChainColumns(assetChain(QStringLiteral("62"), QStringLiteral("1"), a),
                                QStringLiteral("H"));
            a.disposed = v.date;
            a.disposedPeriod = p.index;
            a.scrapped = true;
            m_scrapped.push_back(index);
        } else if (v.table == kSetAside) {
            a.setAsideSince = v.date;
            m_setAside.push_back(index);
            a.condition = f.Condition(Condition::SetAside);
            a.location = f.Location(m_random.chance(60) ? kStoreLocation : kScrapLocation);
            row += retirementColumns(v, a);
        } else if (v.table == kSetAsideReturn || v.table == kScrapReturn) {
            a.setAsideSince = QDate();
            if (v.table == kScrapReturn)
                a.scrapReturned = true;
            a.condition = f.Condition(Condition::InUse);
            a.location = f.Location(m_random.pick(ClassLocations(a.kind->prefix)));
            row += retirementColumns(v, a);
        } else if (v.table == kTransfer) {
            QString person = a.person;
            while (person == a.person && m_employees.size() > 1)
                person = m_random.pick(m_employees).code;
            a.person = person;
            a.location = f.Location(m_random.pick(ClassLocations(a.kind->prefix)));
            a.costCentre = m_random.pick(m_chart.costCentres(assetKoll(), a.moein));
            a.condition = f.Condition(m_random.chance(85) ? Condition::InUse : Condition::InStore);
            row += transferColumns(v, a);
        } else if (v.table == kImprovement) {
            const Source& s =
                sourceByCode(m_random.pick(QStringList{QStringLiteral("1"), QStringLiteral("3"),
                                                       QStringLiteral("4"), QStringLiteral("9")}));
            const QString text = description(v.table, a);
            const double amount =
                std::max(RoundTo(a.cost * m_random.between(4, 18) / 100.0, 1e5), 1e6);
            // The company keeps useful lives in months (Ast_Mesure).
            const int months = a.method == kStraightLine ? m_random.between(6, 36) : 0;
            a.improved += amount;
            a.improvedNow += amount;
            a.lifeAdded += months / 12.0;
            a.lifeAddedNow += months / 12.0;
            row += Row{{QStringLiteral("AmvalDes"), text},
                       {QStringLiteral("sValue"), amount},
                       {QStringLiteral("NewMesureValue"), months},
                       {QStringLiteral("VazCod"), f.Condition(Condition::InUse)},
                       {QStringLiteral("MabadiCod"), s.code},
                       {QStringLiteral("Bargeh"), v.form}};
            row += ChainColumns(s.chain);
        } else if (v.table == kMethodChange) {
            if (a.method == kStraightLine && m_random.chance(50)) {
                a.method = kDeclining;
                a.rate =
                    m_random.between(std::max(5, a.kind->rateLow), std::max(10, a.kind->rateHigh));
                a.life = 0;
            } else if (a.method == kDeclining && m_random.chance(50)) {
                a.method = kStraightLine;
                a.life =
                    m_random.between(std::max(3, a.kind->lifeLow), std::max(5, a.kind->lifeHigh));
                a.rate = 0;
            } else if (a.method == kStraightLine) {
                a.life += a.lifeAdded + m_random.between(1, 4);
            } else {
                a.rate = std::max(5.0, a.rate - m_random.between(2, 5));
            }
            // The new life is the whole life from now on, the improvements of
            // earlier periods included; typed in months, as the company keeps it.
            a.lifeAdded = 0;
            const bool building = a.kind->prefix == 5;
            row += Row{{QStringLiteral("AmvalDes"), description(v.table, a)},
                       {QStringLiteral("StartDate"), date},
                       {QStringLiteral("RaveshEst"), a.method},
                       {QStringLiteral("FeeEst"), a.method == kDeclining ? a.rate : 0.0},
                       {QStringLiteral("NewOmer"), a.method == kStraightLine ? a.life * 12.0 : 0.0},
                       {QStringLiteral("Bargeh"), v.form}};
            row += ChainColumns(assetChain(
                QStringLiteral("81"), building ? QStringLiteral("1") : QStringLiteral("2"), a));
        } else if (v.table == kReduction) {
            a.condition =
                f.Condition(m_random.chance(50) ? Condition::NeedsRepair : Condition::WornOut);
            // A part of the asset, well under its cost; the salvage value it keeps
            // shrinks in the same share (never to 0 while it is depreciated).
            const double cost = a.cost + a.improved + a.costChanged;
            const double reduced =
                std::min(std::max(RoundTo(a.cost * m_random.between(3, 15) / 100.0, 1e5), 5e5),
                         RoundTo(cost / 4, 1e5));
            a.costChanged -= reduced;
            a.salvage = a.depreciated() && cost > 0
                            ? std::max(RoundTo(a.salvage * (1 - reduced / cost), 1e4), 1e4)
                            : 0.0;
            row += Row{{QStringLiteral("AmvalDes"), description(v.table, a)},
                       {QStringLiteral("VazCod"), a.condition},
                       {QStringLiteral("ArzeshReduce"), reduced},
                       {QStringLiteral("ArzeshAsgat"), a.salvage},
                       {QStringLiteral("Bargeh"), v.form}};
            row += ChainColumns(assetChain(QStringLiteral("62"), QStringLiteral("2"), a));
        } else if (v.table == kAdjustment) {
            const Source& s =
                sourceByCode(m_random.pick(QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                                       QStringLiteral("3"), QStringLiteral("10")}));
            const double amount =
                std::max(RoundTo(a.cost * m_random.between(1, 6) / 100.0, 1e5), 1e5);
            const double adjusted = m_random.chance(25) ? -amount : amount;
            a.costChanged += adjusted;
            row += Row{{QStringLiteral("DaraNam"), a.name},
                       {QStringLiteral("sValue"), adjusted},
                       {QStringLiteral("MabadiCod"), s.code},
                       {QStringLiteral("Bargeh"), v.form}};
            row += ChainColumns(s.chain);
        } else if (v.table == kTaxGroupChange) {
            const QString old = a.taxGroup;
            const QList<CodeName> groups = TaxGroups();
            while (a.taxGroup == old)
                a.taxGroup = f.TaxGroup(m_random.pick(groups).code);
            row += transferColumns(v, a);
            row +=
                Row{{QStringLiteral("OldVezCod"), old}, {QStringLiteral("NewVezCod"), a.taxGroup}};
        }
        a.lastUse = v.date;
        w.insert(v.table, row);
    }
}

// The purchase row of one asset and its cost components; the asset is bought.
Row CompanyGenerator::buyRow(RowWriter& w, const Voucher& v, Asset& a, const Source& source,
                             const Period& p)
{
    const AssetClass& kind = *a.kind;
    const double price = a.cost;
    QList<std::pair<QString, double>> parts{{QStringLiteral("1"), price}};
    if (m_random.chance(70))
        parts.append({QStringLiteral("2"), RoundTo(price * m_random.between(1, 3) / 100.0, 1e4)});
    if (kind.installed)
        parts.append({QStringLiteral("3"), RoundTo(price * m_random.between(2, 8) / 100.0, 1e4)});
    if (Imported(a.name)) {
        parts.append({QStringLiteral("4"), RoundTo(price * m_random.between(4, 10) / 100.0, 1e4)});
        parts.append({QStringLiteral("5"), RoundTo(price * 0.005, 1e4)});
    }
    if (m_random.chance(20))
        parts.append({QStringLiteral("6"), RoundTo(price * 0.01, 1e4)});
    double total = 0;
    for (const auto& [code, amount] : parts) {
        if (amount <= 0)
            continue;
        total += amount;
        w.insert(kComponents, {{QStringLiteral("SanadNoAmval"), v.number},
                               {QStringLiteral("DaraCod"), a.code},
                               {QStringLiteral("GheimatCod"), m_forms.Component(code)},
                               {QStringLiteral("sValue"), amount}});
    }
    a.cost = total;
    a.salvage = a.depreciated() ? RoundTo(total * 0.05, 1e4) : 0;
    a.bought = v.date;
    // Put into use on the day of the purchase or a few days later, never before.
    a.inUse = std::min(v.date.addDays(m_random.between(0, 10)), p.end);
    if (kind.warranty)
        a.warrantyEnd = v.date.addDays(365 * m_random.between(1, 2));
    a.source = source.code;
    Row row{{QStringLiteral("AmvalDes"), description(v.table, a)},
            {QStringLiteral("MabadiCod"), source.code}};
    row += ChainColumns(source.chain);
    row += Row{{QStringLiteral("Bargeh"), v.form},
               {QStringLiteral("EndFee"), total},
               {QStringLiteral("Esshat"), a.salvage}};
    return row;
}

Row CompanyGenerator::retirementColumns(const Voucher& v, const Asset& a)
{
    return {{QStringLiteral("AmvalDes"), description(v.table, a)},
            {QStringLiteral("VazCod"), a.condition},
            {QStringLiteral("MakanCod"), a.location},
            {QStringLiteral("Tafsily2"), a.costCentre},
            {QStringLiteral("Bargeh"), v.form}};
}

Row CompanyGenerator::transferColumns(const Voucher& v, const Asset& a)
{
    return {{QStringLiteral("AmvalDes"), description(v.table, a)},
            {QStringLiteral("PersonelCod"), a.person},
            {QStringLiteral("VazCod"), a.condition},
            {QStringLiteral("MakanCod"), a.location},
            {QStringLiteral("Tafsily2"), a.costCentre},
            {QStringLiteral("Bargeh"), v.form}};
}

// A count voucher: the assets found at one place, in the care of one person.
void CompanyGenerator::writeCount(RowWriter& w, const Voucher& v, const QList<int>& rows)
{
    const QString place = m_assets.at(rows.first()).location;
    const QString person = m_random.pick(m_employees).code;
    for (int index : rows) {
        Asset& a = m_assets[index];
        w.insert(kCount, {{QStringLiteral("SanadNoAmval"), v.number},
                          {QStringLiteral("SDate"), DateText(v.date)},
                          {QStringLiteral("DaraCod"), a.code},
                          {QStringLiteral("PersonelCod"), person},
                          {QStringLiteral("MakanCod"), place},
                          {QStringLiteral("User_Name"), v.user}});
        a.counted = true;
        a.lastUse = v.date;
    }
}

} // namespace DemoGeneration
