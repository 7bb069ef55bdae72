// The demo company: the parts every period shares (people, chart, sources, assets),
// each period's database with its settings, users, references, register and
// accounting, and the counts left to reconcile with the register.

#include "democompany.h"

#include "demogeneration_p.h"

namespace DemoGeneration {

void CompanyGenerator::run()
{
    buildEmployees();
    buildChart();
    buildSources();
    buildAssets();
    for (const Period& period : std::as_const(m_periods))
        writePeriod(period);
}

void CompanyGenerator::buildEmployees()
{
    const QStringList men = MaleNames();
    const QStringList women = FemaleNames();
    const QStringList families = FamilyNames();
    const int count = m_assetCount >= 100 ? 24 : 10;
    QStringList used;
    for (int i = 0; i < count; ++i) {
        Employee e;
        do {
            e.name = m_random.chance(30) ? m_random.pick(women) : m_random.pick(men);
            e.family = m_random.pick(families);
        } while (used.contains(e.fullName()));
        used << e.fullName();
        e.code = m_forms.Person(QString::number(101 + i));
        e.tafsily = m_forms.Tafsily(QString::number(5001 + i));
        m_employees << e;
    }
}

void CompanyGenerator::buildChart()
{
    QList<DetailAccount> staff;
    for (const Employee& e : std::as_const(m_employees)) {
        DetailAccount a;
        a.code = e.tafsily;
        a.name = e.fullName();
        staff << a;
    }
    m_chart = BuildChart(m_forms, staff);
}

void CompanyGenerator::buildSources()
{
    const Forms& f = m_forms;
    const auto source = [&](const char* code, const char* name, const char* k, const char* m,
                            const char* t = "", const char* t2 = "", const char* p = "") {
        Chain wanted;
        wanted.tafsily = f.Tafsily(QString::fromLatin1(t));
        wanted.tafsily2 = f.Tafsily2(QString::fromLatin1(t2));
        wanted.project = f.Project(QString::fromLatin1(p));
        Source s;
        s.code = f.Source(QString::fromLatin1(code));
        s.name = QString::fromUtf8(name);
        s.chain = CompleteChain(m_chart, f.Koll(QString::fromLatin1(k)),
                                f.Moein(QString::fromLatin1(m)), m_random, wanted);
        m_sources << s;
    };
    source("1", "خريد نقدي - صندوق مركزي", "11", "1", "1001");
    source("2", "خريد از طريق بانك ملت", "11", "2", "2002");
    source("3", "خريد نسيه - شركت ماشين سازي اراك", "21", "1", "4001");
    source("4", "خريد نسيه - شركت تجهيزات صنعتي پارس", "21", "1", "4003");
    source("5", "خريد اقساطي - شركت ايران خودرو ديزل", "21", "2", "4002");
    source("6", "خريد نسيه - شركت رايان سيستم البرز", "21", "1", "4005");
    source("7", "ساخت داخلي - ساختمان در جريان تكميل", "17", "1", "", "", "201");
    source("8", "انتقال از ماشين آلات در جريان نصب", "17", "2", "", "", "101");
    source("9", "پيش پرداخت سرمايه اي پيمانكاران", "13", "2", "6001", "1002", "101");
    source("10", "آورده غيرنقدي سهامداران", "31", "1");
}

const Source& CompanyGenerator::sourceByCode(const QString& code) const
{
    const QString stored = m_forms.Source(code);
    for (const Source& s : m_sources) {
        if (s.code == stored)
            return s;
    }
    return m_sources.first();
}

void CompanyGenerator::buildAssets()
{
    const QList<AssetClass>& classes = AssetClasses();
    int totalWeight = 0;
    for (const AssetClass& c : classes)
        totalWeight += c.weight;

    // Classes first, so that the codes of each class can be numbered in order.
    QList<int> classOf;
    QList<int> perClass(classes.size(), 0);
    for (int i = 0; i < m_assetCount; ++i) {
        int roll = m_random.between(1, totalWeight);
        int k = 0;
        while (roll > classes.at(k).weight) {
            roll -= classes.at(k).weight;
            ++k;
        }
        classOf << k;
        ++perClass[k];
    }
    const int most = perClass.isEmpty() ? 0 : *std::max_element(perClass.begin(), perClass.end());
    int digits = 3;
    while (most >= std::pow(10, digits))
        ++digits;
    if (1 + digits > m_forms.asset)
        throw std::logic_error("too many assets for the asset code width");

    // Which assets the company held before it started, which it buys in each
    // period, and which are registered but still to be bought.
    QList<int> order;
    for (int i = 0; i < m_assetCount; ++i)
        order << i;
    m_random.shuffle(order);
    const bool twoPeriods = m_periods.size() > 1;
    const int opening = m_assetCount * (twoPeriods ? 40 : 45) / 100;
    const int boughtBefore = twoPeriods ? m_assetCount * 12 / 100 : 0;
    const int boughtNow = m_assetCount * (twoPeriods ? 18 : 25) / 100;
    QList<Origin> origins(m_assetCount, Origin::Buyable);
    QList<int> purchasePeriods(m_assetCount, -1);
    for (int i = 0; i < m_assetCount; ++i) {
        const int a = order.at(i);
        if (i < opening) {
            origins[a] = Origin::Opening;
        } else if (i < opening + boughtBefore) {
            origins[a] = Origin::Bought;
            purchasePeriods[a] = 0;
        } else if (i < opening + boughtBefore + boughtNow) {
            origins[a] = Origin::Bought;
            purchasePeriods[a] = int(m_periods.size()) - 1;
        }
    }

    const QStringList suffixes = AssetNameSuffixes();
    const Period& last = m_periods.last();
    QList<int> sequence(classes.size(), 0);
    for (int i = 0; i < m_assetCount; ++i) {
        const AssetClass& kind = classes.at(classOf.at(i));
        Asset a;
        a.kind = &kind;
        const int number = kind.prefix * int(std::pow(10, digits)) + ++sequence[classOf.at(i)];
        a.code = RightAligned(QString::number(number), m_forms.asset);
        a.name = m_random.pick(kind.names) + m_random.pick(suffixes);
        a.moein = m_forms.Moein(kind.moein);
        a.taxGroup = m_forms.TaxGroup(kind.taxGroup);
        a.article = m_forms.Article(kind.article);
        if (!kind.depreciated) {
            a.method = kHasNot;
        } else if (m_random.chance(kind.decliningPercent)) {
            a.method = kDeclining;
            a.rate = m_random.between(kind.rateLow, kind.rateHigh);
        } else {
            a.method = kStraightLine;
            a.life = m_random.between(kind.lifeLow, kind.lifeHigh);
        }
        a.origin = origins.at(i);
        a.purchasePeriod = purchasePeriods.at(i);
        a.location = m_forms.Location(m_random.pick(ClassLocations(kind.prefix)));
        a.person = m_random.pick(m_employees).code;
        a.costCentre = m_random.pick(m_chart.costCentres(assetKoll(), a.moein));
        a.condition = m_forms.Condition(Condition::InUse);
        a.source = m_forms.Source(m_random.pick(ClassSources(kind.prefix)));
        a.cost = RoundTo(double(m_random.between(kind.priceLow, kind.priceHigh)) * 1e6, 1e5);
        if (a.origin == Origin::Opening) {
            a.inUse = DayBetween(m_random, m_companyStart.addDays(-365 * 18),
                                 m_companyStart.addDays(-20));
            a.bought = a.inUse.addDays(-m_random.between(0, 25));
            a.salvage = a.depreciated() ? RoundTo(a.cost * 0.05, 1e4) : 0;
            if (kind.warranty)
                a.warrantyEnd = a.bought.addDays(365 * m_random.between(1, 2));
            // Old assets are not all in use any more.
            if (m_random.chance(15))
                a.condition = m_forms.Condition(m_random.chance(50) ? Condition::WornOut
                                                                    : Condition::InStore);
        } else if (a.origin == Origin::Buyable) {
            // Registered, put into use later this year, waiting for its purchase.
            a.cost = 0;
            a.inUse = DayBetween(m_random, last.lastVoucher.addDays(15), last.end.addDays(-5));
        }
        m_assets << a;
    }
}

bool CompanyGenerator::present(const Asset& a, const Period& p) const
{
    switch (a.origin) {
    case Origin::Opening:
        return true;
    case Origin::Bought:
        return a.purchasePeriod <= p.index;
    case Origin::Buyable:
        return p.current;
    }
    return false;
}

void CompanyGenerator::writePeriod(const Period& period)
{
    DatabaseFolder folder(m_folder);
    const QString file = folder.companyFile(m_company, QString::number(period.year));
    if (folder.hasDatabase(CompanyDatabaseName(m_company, QString::number(period.year))))
        throw DatabaseError(
            QStringLiteral("فايل «%1» در پوشه «%2» هست؛ شركت نمونه روي پايگاه داده موجود "
                           "نوشته نمي شود و فايل دست نخورد.")
                .arg(QFileInfo(file).fileName(), LeftToRightRun(folder.displayName())),
            QString(), DatabaseError::Kind::Other, file);
    folder.ensureRegister();
    CompanyPeriod row;
    row.company = m_company;
    row.year = QString::number(period.year);
    row.name = m_name;
    row.startDate = DateText(period.start);
    row.endDate = DateText(period.end);
    folder.registerPeriod(row);

    std::unique_ptr<DbConnection> connection =
        folder.openCompany(m_company, QString::number(period.year), true);
    RowWriter writer(*connection);
    Transaction transaction(*connection);
    writeSettings(writer, period);
    writeUsers(writer);
    writeChart(writer);
    writeReferences(writer);
    simulate(writer, period);
    writeAssets(writer, period);
    writeAccounting(writer, period);
    writeWarehouseDocuments(writer, period);
    writer.flush();
    AssetRegister::RecomputeAll(*connection);
    transaction.commit();
}

void CompanyGenerator::writeSettings(RowWriter& w, const Period& period)
{
    w.insert(QStringLiteral("Options"),
             {{QStringLiteral("sCode"), m_company + QString::number(period.year)},
              {QStringLiteral("CompanyNam"), m_name},
              {QStringLiteral("Company_StartDate"), DateText(m_companyStart)},
              // A saved voucher stays editable: accounting vouchers are issued at
              // the end, not at once.
              {QStringLiteral("Dara"), CompanySettings().daraText()},
              {QStringLiteral("Zelmora"), CompanySettings().zelmoraText()}});
}

void CompanyGenerator::writeUsers(RowWriter& w)
{
    const QList<DemoUser> users = Users();
    for (const DemoUser& u : users) {
        // Dara: the administrator and the clerk mark a spreadsheet's columns in
        // the count's import; the auditor imports by the saved forms only.
        w.insert(
            QStringLiteral("UserSdc"),
            {{QStringLiteral("UserId"), u.id},
             {QStringLiteral("User_Name"), u.name},
             // Plain, as older data holds them: the first sign-in keeps
             // the hash instead.
             {QStringLiteral("UserPass"), DemoPassword(u.id)},
             {QStringLiteral("Zelmora"), u.zelmora},
             {QStringLiteral("Dara"), u.id == 3 ? QString() : QStringLiteral("D_A_AMVALGARDANI")}});
    }

    // Rights: one row per kind and right, one column per user, under a row per
    // kind and a root row.
    const auto rights = [&w](const QString& id, const QString& parent, const QString& admin,
                             const QString& clerk, const QString& auditor) {
        w.insert(QStringLiteral("UserSdcDetail"), {{QStringLiteral("StrId"), id},
                                                   {QStringLiteral("Parent"), parent},
                                                   {QStringLiteral("1"), admin},
                                                   {QStringLiteral("2"), clerk},
                                                   {QStringLiteral("3"), auditor}});
    };
    const QString yes = QStringLiteral("Y");
    const QString no = QStringLiteral("N");
    for (const RightsRow& row : ModuleRightsRows()) {
        if (row.letter.isNull()) {
            rights(row.id, row.parent, yes, yes, yes);
            continue;
        }
        rights(row.id, row.parent, yes, ClerkRights(row.prefix).contains(row.letter) ? yes : no,
               row.letter == QLatin1Char('V') ? yes : no);
    }

    // The pick lists show a user only the accounts listed for him. The
    // administrator and the auditor see all of them, the clerk the accounts
    // of the asset work.
    const Forms& f = m_forms;
    const QStringList clerkKolls{f.Koll(QStringLiteral("11")), f.Koll(QStringLiteral("12")),
                                 f.Koll(QStringLiteral("13")), f.Koll(QStringLiteral("15")),
                                 f.Koll(QStringLiteral("16")), f.Koll(QStringLiteral("17")),
                                 f.Koll(QStringLiteral("21")), f.Koll(QStringLiteral("22")),
                                 f.Koll(QStringLiteral("61")), f.Koll(QStringLiteral("62"))};
    const auto privilege = [&w](int user, const QString& table, const QString& code) {
        w.insert(QStringLiteral("UserPrivilege"), {{QStringLiteral("UserId"), user},
                                                   {QStringLiteral("TableName"), table},
                                                   {QStringLiteral("FieldCode"), code}});
    };
    for (const DemoUser& u : users) {
        const bool clerk = u.id == 2;
        for (const KollAccount& k : m_chart.kolls) {
            if (!clerk || clerkKolls.contains(k.code))
                privilege(u.id, QStringLiteral("Koll"), k.code);
        }
        for (const MoeinAccount& m : m_chart.moeins) {
            if (!clerk || (clerkKolls.contains(m.koll) && m.active))
                privilege(u.id, QStringLiteral("Moein"), m.koll + m.moein);
        }
        for (const DetailAccount& t : m_chart.tafsilys) {
            if (!clerk || (t.active && !t.code.startsWith(QStringLiteral("03"))))
                privilege(u.id, QStringLiteral("Tafsily"), t.code);
        }
        for (const DetailAccount& t : m_chart.tafsily2s) {
            if (!clerk || !t.code.startsWith(QStringLiteral("03")))
                privilege(u.id, QStringLiteral("Tafsily2"), t.code);
        }
        for (const DetailAccount& p : m_chart.projects) {
            if (!clerk || p.code.endsWith(QStringLiteral("101")) ||
                p.code.endsWith(QStringLiteral("102")))
                privilege(u.id, QStringLiteral("M_Project"), p.code);
        }
    }
}

void CompanyGenerator::writeChart(RowWriter& w)
{
    const auto flag = [](bool on) { return on ? kHas : kHasNot; };
    const auto activity = [](bool on) { return on ? kActive : kInactive; };
    const QString rial = QStringLiteral("ريالي");
    for (const KollAccount& k : std::as_const(m_chart.kolls)) {
        w.insert(QStringLiteral("Koll"),
                 {{QStringLiteral("Koll"), k.code},
                  {QStringLiteral("NamHesab"), k.name},
                  {QStringLiteral("RecogName"), k.nature},
                  {QStringLiteral("IsHesabTmp"),
                   k.temporary ? QStringLiteral("موقت") : QStringLiteral("دائمي")},
                  {QStringLiteral("IsActive"), activity(k.active)},
                  {QStringLiteral("IsPosHesab"), kHasNot},
                  {QStringLiteral("DesChar"), rial}});
    }
    for (const MoeinAccount& m : std::as_const(m_chart.moeins)) {
        w.insert(QStringLiteral("Moein"),
                 {{QStringLiteral("Koll"), m.koll},
                  {QStringLiteral("Moein"), m.moein},
                  {QStringLiteral("NamHesab"), m.name},
                  {QStringLiteral("RecogName"), m.nature},
                  {QStringLiteral("IsTafsily1"), flag(m.tafsily)},
                  {QStringLiteral("IsTafsily2"), flag(m.tafsily2)},
                  {QStringLiteral("IsProject"), flag(m.project)},
                  {QStringLiteral("GrohTafsily"), m.tafsilyRule.groups},
                  {QStringLiteral("GrohTafsily2"), m.tafsily2Rule.groups},
                  {QStringLiteral("GrohProject"), m.projectRule.groups},
                  {QStringLiteral("TafsilyJoz"), m.tafsilyRule.members},
                  {QStringLiteral("Tafsily2Joz"), m.tafsily2Rule.members},
                  {QStringLiteral("ProjectJoz"), m.projectRule.members},
                  {QStringLiteral("IsActive"), activity(m.active)},
                  {QStringLiteral("IsPosHesab"), flag(m.koll.trimmed() == QLatin1String("11"))},
                  {QStringLiteral("FAtfCh"), kHasNot},
                  {QStringLiteral("FAtfDate"), QString()},
                  {QStringLiteral("FAtfNum"), kHasNot},
                  {QStringLiteral("DesChar"), rial},
                  {QStringLiteral("IsTafsily"), flag(m.tafsily)}});
    }
    for (const DetailAccount& t : std::as_const(m_chart.tafsilys)) {
        w.insert(QStringLiteral("Tafsily"),
                 {{QStringLiteral("Tafsily"), t.code},
                  {QStringLiteral("NamHesab"), t.name},
                  {QStringLiteral("RecogName"), kDebit},
                  {QStringLiteral("IsActive"), activity(t.active)},
                  {QStringLiteral("IsPosHesab"), kHasNot},
                  {QStringLiteral("DesChar"), rial},
                  {QStringLiteral("GrohTafsily2"), t.tafsily2Rule.groups},
                  {QStringLiteral("Tafsily2Joz"), t.tafsily2Rule.members},
                  {QStringLiteral("GrohProject"), t.projectRule.groups},
                  {QStringLiteral("ProjectJoz"), t.projectRule.members}});
    }
    for (const DetailAccount& t : std::as_const(m_chart.tafsily2s)) {
        w.insert(QStringLiteral("Tafsily2"),
                 {{QStringLiteral("Tafsily2"), t.code},
                  {QStringLiteral("NamHesab"), t.name},
                  {QStringLiteral("RecogName"), kDebit},
                  {QStringLiteral("IsActive"), activity(t.active)},
                  {QStringLiteral("IsPosHesab"), kHasNot},
                  {QStringLiteral("DesChar"), rial},
                  {QStringLiteral("GrohProject"), t.projectRule.groups},
                  {QStringLiteral("ProjectJoz"), t.projectRule.members}});
    }
    for (const DetailAccount& p : std::as_const(m_chart.projects)) {
        w.insert(QStringLiteral("M_Project"), {{QStringLiteral("ProjectCod"), p.code},
                                               {QStringLiteral("ProjectNam"), p.name},
                                               {QStringLiteral("RecogName"), kDebit},
                                               {QStringLiteral("IsActive"), activity(p.active)},
                                               {QStringLiteral("IsPosHesab"), kHasNot},
                                               {QStringLiteral("DesChar"), rial}});
    }
    for (const CodeName& g : std::as_const(m_chart.tafsilyGroups))
        w.insert(QStringLiteral("GrohTafsily"), {{QStringLiteral("TafsilyGrohCod"), g.code},
                                                 {QStringLiteral("TafsilyGrohNam"), g.name}});
    for (const CodeName& g : std::as_const(m_chart.tafsily2Groups))
        w.insert(QStringLiteral("GrohTafsily2"), {{QStringLiteral("Tafsily2GrohCod"), g.code},
                                                  {QStringLiteral("Tafsily2GrohNam"), g.name}});
    for (const CodeName& g : std::as_const(m_chart.projectGroups))
        w.insert(QStringLiteral("M_GrohProject"), {{QStringLiteral("ProjectGrohCod"), g.code},
                                                   {QStringLiteral("ProjectGrohNam"), g.name}});
}

void CompanyGenerator::writeReferences(RowWriter& w)
{
    const Forms& f = m_forms;
    for (const CodeName& c : Conditions())
        w.insert(QStringLiteral("D_VazDarae"), {{QStringLiteral("VazCod"), f.Condition(c.code)},
                                                {QStringLiteral("VazNam"), c.name}});
    for (const CodeName& c : TaxGroups())
        w.insert(QStringLiteral("D_VezArat"), {{QStringLiteral("VezCod"), f.TaxGroup(c.code)},
                                               {QStringLiteral("VezNam"), c.name}});
    for (const CodeName& c : Articles())
        w.insert(QStringLiteral("D_Madeh151"), {{QStringLiteral("MadehCod"), f.Article(c.code)},
                                                {QStringLiteral("MadehNam"), c.name}});
    for (const CodeName& c : Locations())
        w.insert(QStringLiteral("D_Makan"), {{QStringLiteral("MakanCod"), f.Location(c.code)},
                                             {QStringLiteral("MakanNam"), c.name}});
    for (const CodeName& c : CostComponents())
        w.insert(QStringLiteral("D_Gheimat"), {{QStringLiteral("GheimatCod"), f.Component(c.code)},
                                               {QStringLiteral("GheimatNam"), c.name}});
    for (const Source& s : std::as_const(m_sources)) {
        Row row{{QStringLiteral("MabadiCod"), s.code}, {QStringLiteral("MabadiNam"), s.name}};
        row += ChainColumns(s.chain);
        w.insert(QStringLiteral("D_Mabadi"), row);
    }
    // Recipients are the employees, each with his own account as a debtor.
    for (const Employee& e : std::as_const(m_employees)) {
        const Chain c =
            CompleteChain(m_chart, f.Koll(QStringLiteral("13")), f.Moein(QStringLiteral("1")),
                          m_random, {QString(), QString(), e.tafsily, {}, {}});
        w.insert(QStringLiteral("Person"), {{QStringLiteral("Code"), e.code},
                                            {QStringLiteral("Name"), e.name},
                                            {QStringLiteral("Family"), e.family},
                                            {QStringLiteral("D_Koll"), c.koll},
                                            {QStringLiteral("D_Moein"), c.moein},
                                            {QStringLiteral("D_Tafsily"), c.tafsily},
                                            {QStringLiteral("D_Tafsily2"), c.tafsily2},
                                            {QStringLiteral("D_ProjectCod"), c.project}});
    }
}

// The records as the period began, in the followed columns and their opening
// ("First") columns alike; the register is then recomputed from the period's
// vouchers (writePeriod), so that it is what they make of them.
void CompanyGenerator::writeAssets(RowWriter& w, const Period& p)
{
    for (const Asset& a : std::as_const(m_assets)) {
        if (!present(a, p))
            continue;
        const bool bought = a.origin == Origin::Opening || a.bought.isValid();
        const QString setAside = DateText(a.openingSetAside);
        w.insert(QStringLiteral("D_Amval"),
                 {{QStringLiteral("DaraCod"), a.code},
                  {QStringLiteral("DaraNam"), a.name},
                  {QStringLiteral("VezCod"), a.openingTaxGroup},
                  {QStringLiteral("MadehCod"), a.article},
                  {QStringLiteral("RaveshEst"), a.openingMethod},
                  {QStringLiteral("Nozooli"), a.openingRate},
                  {QStringLiteral("Salianeh"), a.openingLife},
                  {QStringLiteral("BahreDate"), DateText(a.inUse)},
                  {QStringLiteral("EndValue"), a.openingCost},
                  {QStringLiteral("Anbashteh"), a.openingAccumulated},
                  {QStringLiteral("Esshat"), a.openingSalvage},
                  {QStringLiteral("MakanCod"), a.openingLocation},
                  {QStringLiteral("PersonelCod"), a.openingPerson},
                  {QStringLiteral("Tafsily2"), a.openingCentre},
                  {QStringLiteral("VazCod"), a.condition},
                  {QStringLiteral("MabadiCod"), a.source},
                  {QStringLiteral("BuyDate"), bought ? DateText(a.bought) : QString()},
                  {QStringLiteral("GarantiEnd"), bought ? DateText(a.warrantyEnd) : QString()},
                  {QStringLiteral("Koll"), assetKoll()},
                  {QStringLiteral("Moein"), a.moein},
                  {QStringLiteral("Tafsily"), QString()},
                  {QStringLiteral("ProjectCod"), QString()},
                  {QStringLiteral("KenarDate"), setAside},
                  {QStringLiteral("AsaseChangeValue"), 0.0},
                  {QStringLiteral("TadilValue"), 0.0},
                  {QStringLiteral("ReduceValue"), 0.0},
                  {QStringLiteral("FirstPersonelCod"), a.openingPerson},
                  {QStringLiteral("FirstMakanCod"), a.openingLocation},
                  {QStringLiteral("FirstTafsily2"), a.openingCentre},
                  {QStringLiteral("FirstKenarDate"), setAside},
                  {QStringLiteral("FirstSalianeh"), a.openingLife},
                  {QStringLiteral("FirstRaveshEst"), a.openingMethod},
                  {QStringLiteral("FirstNozooli"), a.openingRate},
                  {QStringLiteral("FirstVezCod"), a.openingTaxGroup},
                  {QStringLiteral("FirstAnbashteh"), a.openingAccumulated},
                  {QStringLiteral("FirstEsshat"), a.openingSalvage}});
    }
}

// Depreciation vouchers at the start of the period, the accounting vouchers
// issued for a few asset vouchers, and the day-book posted up to a date before
// every stored voucher.
void CompanyGenerator::writeAccounting(RowWriter& w, const Period& p)
{
    const QString admin = Users().first().name;
    int number = 0;
    const auto header = [&](const QDate& date, const QString& whatDoc, const QString& document,
                            const QString& docToDate, const QString& text) {
        w.insert(QStringLiteral("Asnad"), {{QStringLiteral("SanadNo"), ++number},
                                           {QStringLiteral("SanadDate"), DateText(date)},
                                           {QStringLiteral("TypeSys"), QStringLiteral("D")},
                                           {QStringLiteral("WhatDoc"), whatDoc},
                                           {QStringLiteral("Document"), document},
                                           {QStringLiteral("DocToDate"), docToDate},
                                           {QStringLiteral("SanadDes"), text},
                                           {QStringLiteral("CompanyCod"), m_company},
                                           {QStringLiteral("User_Name"), admin}});
    };
    header(p.depreciationOpening, QStringLiteral("98"), QString(), QString(),
           QStringLiteral("سند افتتاحيه استهلاك انباشته دارايي هاي ثابت"));
    header(p.depreciation, QStringLiteral("99"), QString(), QString(),
           QStringLiteral("سند استهلاك دارايي هاي ثابت - تعديلات ابتداي دوره"));
    for (const IssuedVoucher& issued : std::as_const(m_issued)) {
        header(issued.date, issued.whatDoc, issued.number, QStringLiteral("1"),
               QStringLiteral("سند ") + issued.caption + QStringLiteral(" شماره ") + issued.number);
    }

    // The clerk's day-book follows every saved voucher (its mark), so that what
    // the clerk saved is frozen for the clerk; the others post theirs by hand and
    // may come back to a voucher they saved.
    for (const DemoUser& u : Users()) {
        for (const VoucherKind& kind : VoucherKinds()) {
            if (kind.whatDoc.isEmpty())
                continue;
            w.insert(QStringLiteral("D_Roz"),
                     {{QStringLiteral("UserId"), u.id},
                      {QStringLiteral("WhatDoc"), kind.whatDoc},
                      {QStringLiteral("SanadNoAmval"), QString()},
                      {QStringLiteral("SanadDate"), DateText(p.dayBook)},
                      {QStringLiteral("Operator"), u.id == 2 ? kDayBookMark : QString()}});
        }
    }
}

// Three warehouses and documents of the six kinds ("20" receipt .. "25"), each
// from an employee as counterpart with the account chain of a source. The
// earliest receipts already have their orders. The documents draw on a random
// series of their own, so that the rest of the company stays as it was.
void CompanyGenerator::writeWarehouseDocuments(RowWriter& w, const Period& p)
{
    if (m_employees.isEmpty() || m_sources.isEmpty())
        return;
    DemoRandom random(quint64(p.year) * 31 + quint64(m_company.toInt()));
    const QStringList names{QStringLiteral("انبار مواد اوليه"), QStringLiteral("انبار قطعات يدكي"),
                            QStringLiteral("انبار ملزومات")};
    QStringList warehouses;
    for (int i = 0; i < names.size(); ++i) {
        warehouses << QString::number(i + 1).rightJustified(3, QLatin1Char(' '));
        w.insert(QStringLiteral("A_Anbar"), {{QStringLiteral("AnbarCod"), warehouses.last()},
                                             {QStringLiteral("AnbarNam"), names.at(i)}});
    }
    const QDate last = p.current ? p.lastVoucher : p.end;
    int counterpart = 0;
    for (int kind = 20; kind <= 25; ++kind) {
        const int documents = kind == 20 ? 8 : 3;
        QList<QDate> dates;
        for (int n = 0; n < documents; ++n)
            dates << DayBetween(random, p.firstVoucher, last);
        std::sort(dates.begin(), dates.end());
        for (int n = 0; n < documents; ++n) {
            const Employee& e = m_employees.at(counterpart % m_employees.size());
            const Chain& c = m_sources.at(counterpart % m_sources.size()).chain;
            ++counterpart;
            const QString whatDoc = QString::number(kind);
            const QString number = m_forms.Voucher(n + 1);
            const QString warehouse = warehouses.at(n % warehouses.size());
            const double value = RoundTo(random.between(500, 90000) * 1000.0, 1000.0);
            w.insert(QStringLiteral("A_AsnadAnbar"),
                     {{QStringLiteral("WhatDoc"), whatDoc},
                      {QStringLiteral("AnbarCod"), warehouse},
                      {QStringLiteral("SanadNoAnbar"), number},
                      {QStringLiteral("sDate"), DateText(dates.at(n))},
                      {QStringLiteral("sValue"), value},
                      {QStringLiteral("TarafCod"), e.code},
                      {QStringLiteral("Koll"), c.koll},
                      {QStringLiteral("Moein"), c.moein},
                      {QStringLiteral("Tafsily"), c.tafsily},
                      {QStringLiteral("Tafsily2"), c.tafsily2}});
            if (kind != 20 || n >= 2)
                continue;
            w.insert(QStringLiteral("N_Command"),
                     {{QStringLiteral("TypeSys"), QStringLiteral("S")},
                      {QStringLiteral("WhatDoc"), whatDoc},
                      {QStringLiteral("sValue"), value},
                      {QStringLiteral("sDate"), DateText(dates.at(n).addDays(1))},
                      {QStringLiteral("sType"), QStringLiteral("PAY")},
                      {QStringLiteral("Command1"), number.trimmed()},
                      {QStringLiteral("Command2"), warehouse.trimmed()},
                      {QStringLiteral("Command3"), e.code.trimmed()},
                      {QStringLiteral("Koll"), c.koll},
                      {QStringLiteral("Moein"), c.moein},
                      {QStringLiteral("Tafsily"), c.tafsily},
                      {QStringLiteral("Tafsily2"), c.tafsily2}});
        }
    }
}

} // namespace DemoGeneration

using namespace DemoGeneration;

namespace {

// Three count vouchers of the current period for reconciling a count with the
// register: one place and person whose assets were all counted there, one where an
// asset is missing and an asset of another place or holder was found, and one where
// an asset is missing only. Written from the register as the period's vouchers left
// it, on the day of the last count, with assets in use then that no count holds and
// that were not sold or retired in an earlier period.
// (A code that is no asset comes only from a sheet: the register has every asset a
// stored voucher names.)
void WriteReconcileCounts(DbConnection& connection, const QString& user,
                          const QSet<QString>& goneBefore)
{
    const Dialect& dialect = connection.dialect();
    const auto stored = [&](const QString& column, const QString& value) {
        return value.trimmed().rightJustified(dialect.columnWidth(kCount, column),
                                              QLatin1Char(' '));
    };
    QString date;
    qint64 number = 0;
    {
        QSqlQuery q = connection.select(QStringLiteral(
            "SELECT COALESCE(MAX(SDate), ''), COALESCE(MAX(CAST(SanadNoAmval AS INTEGER)), 0) "
            "FROM D_Gardani"));
        if (q.next()) {
            date = q.value(0).toString();
            number = q.value(1).toLongLong();
        }
    }
    if (date.isEmpty())
        return;
    // The assets in use on that day, not counted yet, by place and holder (pairs in a
    // fixed order).
    QMap<std::pair<QString, QString>, QStringList> byPair;
    QStringList free;
    {
        QSqlQuery q = connection.select(
            QStringLiteral(
                "SELECT trim(A.DaraCod), trim(COALESCE(A.MakanCod, '')), "
                "trim(COALESCE(A.PersonelCod, '')) FROM D_Amval AS A WHERE "
                "trim(COALESCE(A.KenarDate, '')) = '' AND A.BahreDate <= ? AND (A.EndValue <> 0 OR "
                "EXISTS (SELECT 1 FROM D_Buy_Create AS P WHERE trim(P.DaraCod) = trim(A.DaraCod) "
                "AND P.sDate < ?)) AND NOT EXISTS (SELECT 1 FROM D_Gardani AS G "
                "WHERE trim(G.DaraCod) = trim(A.DaraCod)) AND NOT EXISTS (SELECT 1 FROM "
                "D_ForoshDaymeh AS F WHERE trim(F.DaraCod) = trim(A.DaraCod)) AND NOT EXISTS "
                "(SELECT 1 FROM D_KenarD AS K WHERE trim(K.DaraCod) = trim(A.DaraCod)) ORDER BY "
                "A.DaraCod"),
            {date, date});
        while (q.next()) {
            if (q.value(1).toString().isEmpty() || q.value(2).toString().isEmpty() ||
                goneBefore.contains(q.value(0).toString()))
                continue;
            byPair[{q.value(1).toString(), q.value(2).toString()}] << q.value(0).toString();
            free << q.value(0).toString();
        }
    }
    // A pair the reconciliation finds nothing else at: every asset the register places
    // there and does not count as gone is one of those above.
    QList<std::pair<QString, QString>> whole;
    {
        const QSet<QString> candidates(free.cbegin(), free.cend());
        QSet<std::pair<QString, QString>> touched;
        QSqlQuery q = connection.select(QStringLiteral(
            "SELECT trim(A.DaraCod), trim(COALESCE(A.MakanCod, '')), "
            "trim(COALESCE(A.PersonelCod, '')) FROM D_Amval AS A WHERE "
            "trim(COALESCE(A.KenarDate, '')) = '' AND NOT EXISTS (SELECT 1 FROM D_ForoshDaymeh "
            "AS F WHERE trim(F.DaraCod) = trim(A.DaraCod)) AND NOT EXISTS (SELECT 1 FROM "
            "D_KenarD AS K WHERE trim(K.DaraCod) = trim(A.DaraCod) AND NOT EXISTS (SELECT 1 "
            "FROM D_BarKenarD AS B WHERE trim(B.DaraCod) = trim(K.DaraCod)))"));
        while (q.next()) {
            if (!candidates.contains(q.value(0).toString()))
                touched.insert({q.value(1).toString(), q.value(2).toString()});
        }
        for (auto it = byPair.cbegin(); it != byPair.cend(); ++it) {
            if (!touched.contains(it.key()))
                whole << it.key();
        }
    }
    std::stable_sort(whole.begin(), whole.end(), [&](const auto& a, const auto& b) {
        return byPair.value(a).size() > byPair.value(b).size();
    });
    if (whole.size() < 2)
        return;
    const auto write = [&](const std::pair<QString, QString>& pair, const QStringList& assets) {
        ++number;
        for (const QString& asset : assets)
            connection.execute(
                QStringLiteral("INSERT INTO D_Gardani (SanadNoAmval, SDate, DaraCod, "
                               "PersonelCod, MakanCod, User_Name) VALUES (?, ?, ?, ?, ?, ?)"),
                {stored(QStringLiteral("SanadNoAmval"), QString::number(number)), date,
                 stored(QStringLiteral("DaraCod"), asset),
                 stored(QStringLiteral("PersonelCod"), pair.second),
                 stored(QStringLiteral("MakanCod"), pair.first), user});
    };
    const QStringList exact = byPair.value(whole.at(0));
    write(whole.at(0), exact);

    QStringList second = byPair.value(whole.at(1));
    second.removeLast(); // missing
    QString elsewhere;
    for (const QString& asset : std::as_const(free)) {
        if (!exact.contains(asset) && !byPair.value(whole.at(1)).contains(asset) &&
            (whole.size() < 3 || !byPair.value(whole.at(2)).contains(asset))) {
            elsewhere = asset;
            break;
        }
    }
    if (!elsewhere.isEmpty())
        second << elsewhere;
    write(whole.at(1), second);

    if (whole.size() >= 3 && byPair.value(whole.at(2)).size() >= 2) {
        QStringList third = byPair.value(whole.at(2));
        third.removeLast();
        write(whole.at(2), third);
    }
}

} // namespace

QString DemoPassword(int userId)
{
    return userId >= 1 && userId <= 3 ? QString(4, QChar(u'0' + userId)) : QString();
}

void CreateDemoCompany(const QString& dataFolder, const DemoOptions& options)
{
    int year = options.currentYear.trimmed().toInt();
    if (year <= 0)
        year = Jalali().partsFromDate(QDate::currentDate()).year;
    const QString company =
        options.company.trimmed().isEmpty() ? QStringLiteral("1") : options.company.trimmed();

    // Only ever in a folder without any database: no file of a company, however it
    // came there, is replaced by the demo.
    DatabaseFolder folder(dataFolder);
    if (!folder.isEmpty() && folder.isServer())
        throw DatabaseError(
            QStringLiteral("پايگاه داده سرور «%1» پايگاه هاي داده سيستم را دارد (%2). شركت "
                           "نمونه فقط در پايگاه داده سروري ساخته مي شود كه هيچ پايگاه داده اي از "
                           "سيستم ندارد؛ چيزي روي سرور تغيير نكرد.\nبراي شركت نمونه پايگاه داده "
                           "خالي ديگري روي سرور انتخاب كنيد.")
                .arg(LeftToRightRun(folder.displayName()),
                     folder.databaseNames().join(QStringLiteral("، "))),
            QString(), DatabaseError::Kind::Other, folder.displayName());
    if (!folder.isEmpty())
        throw DatabaseError(
            QStringLiteral("پوشه «%1» فايل پايگاه داده دارد (%2). شركت نمونه فقط در پوشه اي "
                           "ساخته مي شود كه هيچ فايل پايگاه داده اي ندارد؛ فايل هاي پوشه دست "
                           "نخورد.\nبراي شركت نمونه پوشه خالي ديگري انتخاب كنيد.")
                .arg(LeftToRightRun(folder.displayName()),
                     folder.databaseFiles().join(QStringLiteral("، "))),
            QString(), DatabaseError::Kind::Other, folder.displayName());
    folder.ensureRegister();
    CompanyGenerator(dataFolder, company, QStringLiteral("شركت صنايع فلزي آريا فولاد"),
                     {year - 1, year}, options.assets, options.seed)
        .run();
    // A small trading company with one period, so that the register lists more
    // than one company.
    const QString second =
        company == QLatin1String("2") ? QStringLiteral("3") : QStringLiteral("2");
    CompanyGenerator(dataFolder, second, QStringLiteral("شركت بازرگاني پارس تجارت"), {year},
                     std::min(options.assets, 24), quint64(options.seed) + 7919)
        .run();

    // Counts to reconcile with the register, in the first company's current period,
    // of assets the period before neither sold nor retired.
    {
        QSet<QString> gone;
        if (std::unique_ptr<DbConnection> previous =
                folder.openCompany(company, QString::number(year - 1), false)) {
            QSqlQuery q = previous->select(
                QStringLiteral("SELECT trim(DaraCod) FROM D_ForoshDaymeh UNION SELECT "
                               "trim(DaraCod) FROM D_KenarD"));
            while (q.next())
                gone.insert(q.value(0).toString());
        }
        std::unique_ptr<DbConnection> connection =
            folder.openCompany(company, QString::number(year), false);
        Transaction transaction(*connection);
        WriteReconcileCounts(*connection, Users().at(0).name, gone);
        transaction.commit();
    }
}
