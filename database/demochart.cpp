#include "demochart.h"

#include "schema.h"

#include <stdexcept>

namespace DemoChart {

namespace {
const QString kDebit = QStringLiteral("بدهكار");
const QString kCredit = QStringLiteral("بستانكار");
} // namespace

int DeclaredWidth(const QString& table, const QString& column)
{
    const TableDef* t = Schema::FindCompanyTable(table);
    const ColumnDef* c = t ? t->column(column) : nullptr;
    if (!c)
        throw std::logic_error(qPrintable(QStringLiteral("no column %1.%2").arg(table, column)));
    return c->width;
}

QString RightAligned(const QString& code, int width)
{
    const QString t = code.trimmed();
    return t.size() >= width ? t.left(width) : QString(width - t.size(), QLatin1Char(' ')) + t;
}

QString ZeroFilled(const QString& code, int width)
{
    const QString t = code.trimmed();
    if (t.isEmpty())
        return QString(QLatin1String(""));
    return t.size() >= width ? t.left(width) : QString(width - t.size(), QLatin1Char('0')) + t;
}

Forms::Forms()
    : asset(DeclaredWidth(QStringLiteral("D_Amval"), QStringLiteral("DaraCod"))),
      condition(DeclaredWidth(QStringLiteral("D_VazDarae"), QStringLiteral("VazCod"))),
      taxGroup(DeclaredWidth(QStringLiteral("D_VezArat"), QStringLiteral("VezCod"))),
      article(DeclaredWidth(QStringLiteral("D_Madeh151"), QStringLiteral("MadehCod"))),
      location(DeclaredWidth(QStringLiteral("D_Makan"), QStringLiteral("MakanCod"))),
      person(DeclaredWidth(QStringLiteral("Person"), QStringLiteral("Code"))),
      source(DeclaredWidth(QStringLiteral("D_Mabadi"), QStringLiteral("MabadiCod"))),
      component(DeclaredWidth(QStringLiteral("D_Gheimat"), QStringLiteral("GheimatCod"))),
      koll(DeclaredWidth(QStringLiteral("Koll"), QStringLiteral("Koll"))),
      moein(DeclaredWidth(QStringLiteral("Moein"), QStringLiteral("Moein"))),
      tafsily(DeclaredWidth(QStringLiteral("Tafsily"), QStringLiteral("Tafsily"))),
      tafsily2(DeclaredWidth(QStringLiteral("Tafsily2"), QStringLiteral("Tafsily2"))),
      project(DeclaredWidth(QStringLiteral("M_Project"), QStringLiteral("ProjectCod"))),
      voucher(DeclaredWidth(QStringLiteral("D_Buy_Create"), QStringLiteral("SanadNoAmval"))),
      tafsilyGroup(DeclaredWidth(QStringLiteral("GrohTafsily"), QStringLiteral("TafsilyGrohCod"))),
      tafsily2Group(
          DeclaredWidth(QStringLiteral("GrohTafsily2"), QStringLiteral("Tafsily2GrohCod"))),
      projectGroup(DeclaredWidth(QStringLiteral("M_GrohProject"), QStringLiteral("ProjectGrohCod")))
{}

bool Allows(const Restriction& rule, const QString& code, int groupLength)
{
    if (rule.isEmpty())
        return true;
    const bool inGroup = !rule.groups.isEmpty() && rule.groups.contains(code.left(groupLength));
    const bool listed = !rule.members.isEmpty() && rule.members.contains(code);
    return inGroup || listed;
}

const KollAccount* Chart::koll(const QString& code) const
{
    for (const KollAccount& k : kolls) {
        if (k.code == code)
            return &k;
    }
    return nullptr;
}

const MoeinAccount* Chart::moein(const QString& koll, const QString& moein) const
{
    for (const MoeinAccount& m : moeins) {
        if (m.koll == koll && m.moein == moein)
            return &m;
    }
    return nullptr;
}

const DetailAccount* Chart::find(const QList<DetailAccount>& level, const QString& code)
{
    for (const DetailAccount& a : level) {
        if (a.code == code)
            return &a;
    }
    return nullptr;
}

Restriction Chart::tafsily2Rule(const MoeinAccount& m, const QString& tafsily) const
{
    const DetailAccount* t = find(tafsilys, tafsily);
    return t && !t->tafsily2Rule.isEmpty() ? t->tafsily2Rule : m.tafsily2Rule;
}

Restriction Chart::projectRule(const MoeinAccount& m, const QString& tafsily,
                               const QString& tafsily2) const
{
    if (const DetailAccount* t2 = find(tafsily2s, tafsily2); t2 && !t2->projectRule.isEmpty())
        return t2->projectRule;
    if (const DetailAccount* t = find(tafsilys, tafsily); t && !t->projectRule.isEmpty())
        return t->projectRule;
    return m.projectRule;
}

QStringList Chart::Choices(const QList<DetailAccount>& level, const Restriction& rule,
                           int groupLength)
{
    QStringList out;
    for (const DetailAccount& a : level) {
        if (a.active && Allows(rule, a.code, groupLength))
            out << a.code;
    }
    return out;
}

QStringList Chart::tafsilyChoices(const MoeinAccount& m) const
{
    return Choices(tafsilys, m.tafsilyRule, tafsilyGroupLength);
}

QStringList Chart::tafsily2Choices(const MoeinAccount& m, const QString& tafsily) const
{
    return Choices(tafsily2s, tafsily2Rule(m, tafsily), tafsily2GroupLength);
}

QStringList Chart::projectChoices(const MoeinAccount& m, const QString& tafsily,
                                  const QString& tafsily2) const
{
    return Choices(projects, projectRule(m, tafsily, tafsily2), projectGroupLength);
}

QStringList Chart::costCentres(const QString& kollCode, const QString& moeinCode) const
{
    const MoeinAccount* m = moein(kollCode, moeinCode);
    if (!m || !m->tafsily2)
        return Choices(tafsily2s, {}, tafsily2GroupLength);
    return Choices(tafsily2s, m->tafsily2Rule, tafsily2GroupLength);
}

Chart BuildChart(const Forms& f, const QList<DetailAccount>& employees)
{
    Chart c;
    c.tafsilyGroupLength = f.tafsilyGroup;
    c.tafsily2GroupLength = f.tafsily2Group;
    c.projectGroupLength = f.projectGroup;

    const auto koll = [&](const char* code, const char* name, const QString& nature,
                          bool temporary = false, bool active = true) {
        c.kolls.append({f.Koll(QString::fromLatin1(code)), QString::fromUtf8(name), nature,
                        temporary, active});
    };
    koll("11", "موجودي نقد و بانك", kDebit);
    koll("12", "حسابها و اسناد دريافتني تجاري", kDebit);
    koll("13", "ساير حسابها و اسناد دريافتني", kDebit);
    koll("15", "دارايي هاي ثابت مشهود", kDebit);
    koll("16", "استهلاك انباشته دارايي هاي ثابت مشهود", kCredit);
    koll("17", "دارايي هاي در جريان تكميل", kDebit);
    koll("21", "حسابها و اسناد پرداختني تجاري", kCredit);
    koll("22", "ساير حسابها و اسناد پرداختني", kCredit);
    koll("31", "سرمايه", kCredit);
    koll("61", "درآمدهاي غيرعملياتي", kCredit, true);
    koll("62", "هزينه هاي غيرعملياتي", kDebit, true);
    koll("81", "هزينه هاي سربار توليد", kDebit, true);
    koll("91", "حسابهاي انتظامي", kDebit, false, false);
    koll("95", "حسابهاي راكد سنوات گذشته", kDebit, false, false);

    // Detail accounts. Groups are the first two characters of the zero-filled
    // codes: 01 cash boxes, 02 banks, 03 customers, 04 suppliers, 05 employees,
    // 06 contractors.
    const auto detail = [](QList<DetailAccount>& level, const QString& code, const char* name,
                           bool active = true) {
        DetailAccount a;
        a.code = code;
        a.name = QString::fromUtf8(name);
        a.active = active;
        level << a;
    };
    const auto T = [&f](const char* code) { return f.Tafsily(QString::fromLatin1(code)); };
    const auto T2 = [&f](const char* code) { return f.Tafsily2(QString::fromLatin1(code)); };
    const auto P = [&f](const char* code) { return f.Project(QString::fromLatin1(code)); };
    const auto list = [](std::initializer_list<QString> codes) {
        return QStringList(codes).join(QLatin1Char(','));
    };

    c.tafsilyGroups = {{QStringLiteral("01"), QStringLiteral("صندوقها")},
                       {QStringLiteral("02"), QStringLiteral("بانكها")},
                       {QStringLiteral("03"), QStringLiteral("مشتريان")},
                       {QStringLiteral("04"), QStringLiteral("تامين كنندگان")},
                       {QStringLiteral("05"), QStringLiteral("كاركنان")},
                       {QStringLiteral("06"), QStringLiteral("پيمانكاران")}};
    detail(c.tafsilys, T("1001"), "صندوق مركزي");
    detail(c.tafsilys, T("1002"), "صندوق كارخانه");
    detail(c.tafsilys, T("1003"), "صندوق دفتر فروش تهران");
    detail(c.tafsilys, T("2001"), "بانك ملي شعبه مركزي");
    detail(c.tafsilys, T("2002"), "بانك ملت شعبه ونك");
    detail(c.tafsilys, T("2003"), "بانك صادرات شعبه آزادي");
    detail(c.tafsilys, T("2004"), "بانك تجارت شعبه بهارستان");
    detail(c.tafsilys, T("2005"), "بانك سپه شعبه شهرك صنعتي");
    detail(c.tafsilys, T("2009"), "بانك كشاورزي - حساب بسته شده", false);
    detail(c.tafsilys, T("3001"), "شركت ساختماني البرز سازه");
    detail(c.tafsilys, T("3002"), "فروشگاه آهن آلات ميلاد");
    detail(c.tafsilys, T("3003"), "شركت صنايع لوله و پروفيل تهران");
    detail(c.tafsilys, T("3004"), "شركت راه و ساختمان كوثر");
    detail(c.tafsilys, T("3005"), "شركت بازيافت فلزات سپاهان");
    detail(c.tafsilys, T("3006"), "شركت توليدي قطعات خودرو ياسين");
    detail(c.tafsilys, T("3009"), "شركت بازرگاني نگين - منحل شده", false);
    detail(c.tafsilys, T("4001"), "شركت ماشين سازي اراك");
    detail(c.tafsilys, T("4002"), "شركت ايران خودرو ديزل");
    detail(c.tafsilys, T("4003"), "شركت تجهيزات صنعتي پارس");
    detail(c.tafsilys, T("4004"), "فروشگاه لوازم اداري نوين");
    detail(c.tafsilys, T("4005"), "شركت رايان سيستم البرز");
    detail(c.tafsilys, T("4006"), "شركت تاسيسات حرارتي آرمان");
    detail(c.tafsilys, T("4007"), "شركت عمران گستر");
    c.tafsilys += employees;
    detail(c.tafsilys, T("6001"), "پيمانكاري ساختماني سازه گستر");
    detail(c.tafsilys, T("6002"), "شركت نصب و راه اندازي صنعت يار");

    c.tafsily2Groups = {{QStringLiteral("01"), QStringLiteral("مراكز توليدي")},
                        {QStringLiteral("02"), QStringLiteral("مراكز خدمات توليد")},
                        {QStringLiteral("03"), QStringLiteral("مراكز اداري و فروش")}};
    detail(c.tafsily2s, T2("1001"), "خط توليد لوله");
    detail(c.tafsily2s, T2("1002"), "خط نورد سرد");
    detail(c.tafsily2s, T2("1003"), "سالن برش و پرس");
    detail(c.tafsily2s, T2("1004"), "سالن رنگ و پوشش");
    detail(c.tafsily2s, T2("2001"), "تعميرات و نگهداري");
    detail(c.tafsily2s, T2("2002"), "تاسيسات و نيروگاه");
    detail(c.tafsily2s, T2("2003"), "انبار و حمل و نقل");
    detail(c.tafsily2s, T2("2004"), "كنترل كيفيت");
    detail(c.tafsily2s, T2("2009"), "كارگاه ريخته گري - تعطيل شده", false);
    detail(c.tafsily2s, T2("3001"), "مديريت و اداري");
    detail(c.tafsily2s, T2("3002"), "مالي و حسابداري");
    detail(c.tafsily2s, T2("3003"), "فروش و بازاريابي");
    detail(c.tafsily2s, T2("3004"), "حراست و انتظامات");

    // Project codes are zero-filled to their full width, so their first
    // characters are all zeros: the project level is narrowed by member lists.
    c.projectGroups = {{QStringLiteral("001"), QStringLiteral("طرحهاي توسعه توليد")},
                       {QStringLiteral("002"), QStringLiteral("طرحهاي عمراني و ساختماني")}};
    detail(c.projects, P("101"), "طرح توسعه خط نورد");
    detail(c.projects, P("102"), "نصب خط توليد لوله جديد");
    detail(c.projects, P("103"), "احداث سوله انبار شماره 3");
    detail(c.projects, P("201"), "ساختمان اداري دفتر تهران");
    detail(c.projects, P("202"), "بهسازي نيروگاه و تاسيسات");
    detail(c.projects, P("209"), "طرح ريخته گري - متوقف شده", false);

    // Accounts with restrictions of their own.
    for (DetailAccount& a : c.tafsilys) {
        if (a.code == T("4002"))
            a.tafsily2Rule = {QStringLiteral("03"), QString()};
        if (a.code == T("4007"))
            a.projectRule = {QString(), list({P("201"), P("202")})};
    }
    for (DetailAccount& a : c.tafsily2s) {
        if (a.code == T2("3001"))
            a.projectRule = {QString(), P("201")};
    }

    const auto moein = [&](const char* k, const char* m, const char* name, const QString& nature,
                           const QString& levels, Restriction tafsilyRule = {},
                           Restriction tafsily2Rule = {}, Restriction projectRule = {},
                           bool active = true) {
        MoeinAccount a;
        a.koll = f.Koll(QString::fromLatin1(k));
        a.moein = f.Moein(QString::fromLatin1(m));
        a.name = QString::fromUtf8(name);
        a.nature = nature;
        a.tafsily = levels.contains(QLatin1Char('1'));
        a.tafsily2 = levels.contains(QLatin1Char('2'));
        a.project = levels.contains(QLatin1Char('P'));
        a.tafsilyRule = tafsilyRule;
        a.tafsily2Rule = tafsily2Rule;
        a.projectRule = projectRule;
        a.active = active;
        c.moeins << a;
    };
    const QString none;
    const QString pettyCash =
        employees.size() >= 3
            ? list({employees.at(0).code, employees.at(1).code, employees.at(2).code})
            : QString();
    moein("11", "1", "صندوق", kDebit, QStringLiteral("1"), {QStringLiteral("01"), none});
    moein("11", "2", "بانكها - حسابهاي جاري", kDebit, QStringLiteral("1"),
          {QStringLiteral("02"), none});
    moein("11", "3", "تنخواه گردانها", kDebit, QStringLiteral("1"), {none, pettyCash});
    moein("12", "1", "حسابهاي دريافتني تجاري", kDebit, QStringLiteral("1"),
          {QStringLiteral("03"), none});
    moein("12", "2", "اسناد دريافتني تجاري", kDebit, QStringLiteral("1"),
          {QStringLiteral("03"), T("6001")});
    moein("12", "9", "حسابهاي دريافتني مشكوك الوصول", kDebit, QStringLiteral("1"),
          {QStringLiteral("03"), none}, {}, {}, false);
    moein("13", "1", "حساب كاركنان", kDebit, QStringLiteral("1"), {QStringLiteral("05"), none});
    moein("13", "2", "پيش پرداختهاي سرمايه اي", kDebit, QStringLiteral("12P"),
          {QStringLiteral("04,06"), none}, {}, {none, list({P("101"), P("102"), P("103")})});
    moein("13", "3", "موجودي اقلام اسقاطي و ضايعات", kDebit, QString());
    moein("15", "1", "زمين", kDebit, QStringLiteral("2"));
    moein("15", "2", "ساختمان و مستحدثات", kDebit, QStringLiteral("2"), {},
          {QStringLiteral("01,02,03"), none});
    moein("15", "3", "ماشين آلات و تجهيزات توليدي", kDebit, QStringLiteral("2"), {},
          {QStringLiteral("01,02"), none});
    moein("15", "4", "تاسيسات", kDebit, QStringLiteral("2"), {},
          {QStringLiteral("02"), T2("1001")});
    moein("15", "5", "وسائط نقليه", kDebit, QStringLiteral("2"));
    moein("15", "6", "اثاثه و منصوبات", kDebit, QStringLiteral("2"));
    moein("15", "7", "رايانه و تجهيزات جانبي", kDebit, QStringLiteral("2"));
    moein("15", "8", "ابزار آلات", kDebit, QStringLiteral("2"), {},
          {QStringLiteral("01"), T2("2001")});
    moein("15", "9", "ماشين آلات مستعمل راكد", kDebit, QStringLiteral("2"), {}, {}, {}, false);
    moein("16", "1", "استهلاك انباشته ساختمان", kCredit, QStringLiteral("2"));
    moein("16", "2", "استهلاك انباشته ماشين آلات", kCredit, QStringLiteral("2"));
    moein("16", "3", "استهلاك انباشته تاسيسات", kCredit, QStringLiteral("2"));
    moein("16", "4", "استهلاك انباشته وسائط نقليه", kCredit, QStringLiteral("2"));
    moein("16", "5", "استهلاك انباشته اثاثه و منصوبات", kCredit, QStringLiteral("2"));
    moein("16", "6", "استهلاك انباشته رايانه", kCredit, QStringLiteral("2"));
    moein("16", "7", "استهلاك انباشته ابزار آلات", kCredit, QStringLiteral("2"));
    moein("17", "1", "ساختمان در جريان تكميل", kDebit, QStringLiteral("P"));
    moein("17", "2", "ماشين آلات در جريان نصب", kDebit, QStringLiteral("P"), {}, {},
          {none, list({P("101"), P("102")})});
    moein("21", "1", "حسابهاي پرداختني تجاري", kCredit, QStringLiteral("1"),
          {QStringLiteral("04"), none});
    moein("21", "2", "اسناد پرداختني تجاري", kCredit, QStringLiteral("1"),
          {QStringLiteral("04"), none});
    moein("22", "1", "حسابهاي پرداختني غيرتجاري", kCredit, QStringLiteral("1"),
          {QStringLiteral("04,06"), none});
    moein("22", "2", "پيش دريافت فروش دارايي", kCredit, QStringLiteral("1"),
          {QStringLiteral("03"), none});
    moein("31", "1", "سرمايه ثبت شده", kCredit, QString());
    moein("31", "2", "اندوخته قانوني", kCredit, QString());
    moein("61", "1", "سود حاصل از فروش دارايي هاي ثابت", kCredit, QStringLiteral("2"));
    moein("61", "2", "درآمد فروش ضايعات", kCredit, QString());
    moein("62", "1", "زيان فروش و كنارگذاري دارايي هاي ثابت", kDebit, QStringLiteral("2P"), {},
          {QStringLiteral("01,02"), none});
    moein("62", "2", "هزينه كاهش ارزش دارايي هاي ثابت", kDebit, QStringLiteral("2"));
    moein("81", "1", "هزينه استهلاك ساختمان", kDebit, QStringLiteral("2"));
    moein("81", "2", "هزينه استهلاك ماشين آلات و تجهيزات", kDebit, QStringLiteral("2"));
    moein("81", "3", "هزينه تعمير و نگهداري", kDebit, QStringLiteral("2"));
    moein("91", "1", "اموال اماني نزد ديگران", kDebit, QStringLiteral("1"),
          {QStringLiteral("03"), none});
    moein("95", "1", "دارايي هاي راكد قديمي", kDebit, QString(), {}, {}, {}, false);
    return c;
}

} // namespace DemoChart
