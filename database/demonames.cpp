#include "demonames.h"

namespace DemoNames {

namespace {

QStringList List(std::initializer_list<const char*> texts)
{
    QStringList out;
    out.reserve(int(texts.size()));
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

QList<CodeName> Pairs(std::initializer_list<std::pair<const char*, const char*>> pairs)
{
    QList<CodeName> out;
    for (const auto& [code, name] : pairs)
        out.append({QString::fromLatin1(code), QString::fromUtf8(name)});
    return out;
}

AssetClass Class(int prefix, int weight, const char* moein, const char* depreciationMoein,
                 const char* taxGroup, const char* article)
{
    AssetClass c;
    c.prefix = prefix;
    c.weight = weight;
    c.moein = QString::fromLatin1(moein);
    c.depreciationMoein = QString::fromLatin1(depreciationMoein);
    c.taxGroup = QString::fromLatin1(taxGroup);
    c.article = QString::fromLatin1(article);
    return c;
}

} // namespace

QStringList MaleNames()
{
    return List({"علي",  "محمد", "رضا",    "حسين",  "مهدي",  "سعيد",  "حميد", "مجيد",
                 "كاظم", "اكبر", "كامران", "بهروز", "فرهاد", "مسعود", "ناصر", "يوسف",
                 "جواد", "امير", "بهزاد",  "داوود", "محسن",  "مرتضي", "عباس", "كريم"});
}

QStringList FemaleNames()
{
    return List({"مريم", "زهرا", "فاطمه", "ليلا", "سارا", "نيلوفر", "مينا", "شيرين", "پروين",
                 "الهام", "فريبا", "نسرين", "ياسمن", "كبري", "سيمين", "مهناز"});
}

QStringList FamilyNames()
{
    return List({"احمدي",   "محمدي",  "حسيني",  "رضايي", "كريمي",   "موسوي", "جعفري", "صادقي",
                 "رحيمي",   "نوري",   "كاظمي",  "عباسي", "قاسمي",   "ملكي",  "شريفي", "تهراني",
                 "اصفهاني", "يزدي",   "فرهادي", "نجفي",  "كرماني",  "زارعي", "اكبري", "يوسفي",
                 "طاهري",   "سلطاني", "بابايي", "كياني", "پورمحمد", "خسروي"});
}

const QList<AssetClass>& AssetClasses()
{
    static const QList<AssetClass> classes = [] {
        QList<AssetClass> list;

        AssetClass machinery = Class(1, 25, "3", "2", "2", "4");
        machinery.decliningPercent = 60;
        machinery.lifeLow = 8, machinery.lifeHigh = 15;
        machinery.rateLow = 15, machinery.rateHigh = 30;
        machinery.priceLow = 900, machinery.priceHigh = 28000;
        machinery.warranty = true;
        machinery.installed = true;
        machinery.names = List({"دستگاه تراش CNC", "دستگاه فرز عمودي", "پرس هيدروليك 250 تن",
                                "دستگاه خم كن ورق", "دستگاه جوش اتوماتيك", "دستگاه برش پلاسما",
                                "قفسه نورد سرد", "كوره القايي", "جرثقيل سقفي 10 تن",
                                "كمپرسور اسكرو", "دستگاه لوله ساز", "دستگاه رنگ پاش الكترواستاتيك",
                                "دستگاه شات بلاست", "گيوتين برش ورق", "دستگاه پانچ"});
        list << machinery;

        AssetClass vehicles = Class(2, 10, "5", "4", "3", "3");
        vehicles.decliningPercent = 80;
        vehicles.lifeLow = 6, vehicles.lifeHigh = 10;
        vehicles.rateLow = 25, vehicles.rateHigh = 35;
        vehicles.priceLow = 1800, vehicles.priceHigh = 9500;
        vehicles.warranty = true;
        vehicles.names = List({"سواري پژو پارس", "سواري سمند", "وانت نيسان", "كاميون بنز 10 تن",
                               "ليفتراك 3 تن", "ميني بوس ايويكو", "وانت مزدا", "كاميونت ايسوزو",
                               "لودر كوماتسو", "سواري تويوتا كمري"});
        list << vehicles;

        AssetClass furniture = Class(3, 18, "6", "5", "4", "5");
        furniture.lifeLow = 8, furniture.lifeHigh = 10;
        furniture.priceLow = 25, furniture.priceHigh = 420;
        furniture.names =
            List({"ميز مديريت", "صندلي گردان", "كمد بايگاني فلزي", "دستگاه كپي", "كولر گازي اسپليت",
                  "مبلمان اتاق جلسات", "گاوصندوق", "يخچال", "دستگاه آبسردكن", "ميز كنفرانس",
                  "قفسه فلزي انبار", "دستگاه حضور و غياب"});
        list << furniture;

        AssetClass computers = Class(4, 20, "7", "6", "5", "6");
        computers.lifeLow = 3, computers.lifeHigh = 5;
        computers.priceLow = 40, computers.priceHigh = 950;
        computers.warranty = true;
        computers.names =
            List({"رايانه روميزي", "لپ تاپ", "چاپگر ليزري", "سرور", "سوئيچ شبكه", "اسكنر",
                  "ويدئو پروژكتور", "ذخيره ساز تحت شبكه", "مانيتور", "دستگاه يو پي اس"});
        list << computers;

        AssetClass buildings = Class(5, 5, "2", "1", "1", "1");
        buildings.decliningPercent = 30;
        buildings.lifeLow = 20, buildings.lifeHigh = 30;
        buildings.rateLow = 7, buildings.rateHigh = 10;
        buildings.priceLow = 12000, buildings.priceHigh = 95000;
        buildings.installed = true;
        buildings.names = List({"سوله توليد", "ساختمان اداري", "انبار مسقف", "ساختمان نگهباني",
                                "سالن غذاخوري", "ديوار كشي و محوطه سازي", "آزمايشگاه مركزي"});
        list << buildings;

        AssetClass land = Class(6, 2, "1", "", "8", "");
        land.depreciated = false;
        land.priceLow = 20000, land.priceHigh = 160000;
        land.names =
            List({"زمين كارخانه - شهرك صنعتي", "زمين انبار", "زمين پاركينگ", "زمين طرح توسعه"});
        list << land;

        AssetClass tools = Class(7, 12, "8", "7", "6", "7");
        tools.lifeLow = 4, tools.lifeHigh = 6;
        tools.priceLow = 8, tools.priceHigh = 160;
        tools.names = List({"جعبه ابزار كامل", "دريل ستوني", "دستگاه جوش CO2", "فرز سنگ",
                            "جك هيدروليك", "ترازوي ديجيتال صنعتي", "كليد تورك",
                            "دستگاه كاليبراسيون", "كوليس ديجيتال", "پمپ باد صنعتي"});
        list << tools;

        AssetClass installations = Class(8, 8, "4", "3", "7", "2");
        installations.decliningPercent = 50;
        installations.lifeLow = 12, installations.lifeHigh = 15;
        installations.rateLow = 10, installations.rateHigh = 15;
        installations.priceLow = 600, installations.priceHigh = 18000;
        installations.warranty = true;
        installations.installed = true;
        installations.names = List({"ديگ بخار", "چيلر جذبي", "ترانسفورماتور 1000 KVA",
                                    "ديزل ژنراتور 500 KVA", "سيستم اطفاء حريق", "منبع ذخيره آب",
                                    "تابلو برق اصلي", "برج خنك كننده", "سيستم تهويه سالن"});
        list << installations;
        return list;
    }();
    return classes;
}

QStringList AssetNameSuffixes()
{
    return List({"", "", " - ساخت آلمان", " - ساخت ايتاليا", " - ساخت چين", " - ساخت ايران",
                 " - ساخت كره", " مدل 1398", " مدل 1401", " - سري دوم", " - واحد شرقي",
                 " - واحد غربي"});
}

QList<CodeName> Conditions()
{
    return Pairs({{"1", "فعال و در حال بهره برداري"},
                  {"2", "سالم - موجود در انبار"},
                  {"3", "نيازمند تعمير"},
                  {"4", "در حال تعمير"},
                  {"5", "كنارگذاشته موقت"},
                  {"6", "فرسوده و مستهلك"},
                  {"7", "اسقاط شده"},
                  {"8", "فروخته شده"}});
}

QList<CodeName> TaxGroups()
{
    return Pairs({{"1", "ساختمان و مستحدثات"},
                  {"2", "ماشين آلات و تجهيزات توليدي"},
                  {"3", "وسائط نقليه"},
                  {"4", "اثاثه و منصوبات"},
                  {"5", "رايانه و تجهيزات الكترونيكي"},
                  {"6", "ابزار آلات"},
                  {"7", "تاسيسات"},
                  {"8", "زمين (غير قابل استهلاك)"}});
}

QList<CodeName> Articles()
{
    return Pairs({{"1", "گروه 1 - ساختمانها و مستحدثات"},
                  {"2", "گروه 2 - تاسيسات"},
                  {"3", "گروه 3 - وسائط نقليه"},
                  {"4", "گروه 4 - ماشين آلات و تجهيزات صنعتي"},
                  {"5", "گروه 5 - اثاثه و منصوبات"},
                  {"6", "گروه 6 - رايانه و تجهيزات جانبي"},
                  {"7", "گروه 7 - ابزار آلات"}});
}

QList<CodeName> Locations()
{
    return Pairs({{"1", "سالن توليد شماره 1"},
                  {"2", "سالن توليد شماره 2"},
                  {"3", "سالن نورد"},
                  {"4", "انبار مركزي"},
                  {"5", "كارگاه تعميرات"},
                  {"6", "موتورخانه و نيروگاه"},
                  {"7", "ساختمان اداري - طبقه همكف"},
                  {"8", "ساختمان اداري - طبقه اول"},
                  {"9", "دفتر فروش تهران"},
                  {"10", "پاركينگ و حمل و نقل"},
                  {"11", "انبار ضايعات و اقلام راكد"},
                  {"12", "آزمايشگاه كنترل كيفيت"}});
}

QList<CodeName> CostComponents()
{
    return Pairs({{"1", "قيمت خريد"},
                  {"2", "حمل و نقل"},
                  {"3", "نصب و راه اندازي"},
                  {"4", "حقوق گمركي و ترخيص"},
                  {"5", "بيمه حمل"},
                  {"6", "ساير هزينه هاي جانبي"}});
}

QStringList Descriptions(const QString& voucherTable)
{
    const QString t = voucherTable.toLower();
    if (t == QLatin1String("d_buy_create"))
        return List({"خريد طبق فاكتور شماره %1", "خريد طبق قرارداد شماره %1",
                     "ساخت داخلي طبق صورت وضعيت %1", "خريد طبق پيش فاكتور %1"});
    if (t == QLatin1String("d_foroshdaymeh"))
        return List({"فروش طبق مزايده شماره %1", "فروش طبق مصوبه هيئت مديره شماره %1",
                     "فروش به علت مازاد بودن - قرارداد %1"});
    if (t == QLatin1String("d_kenard"))
        return List({"اسقاط به علت فرسودگي - صورتجلسه %1",
                     "كنارگذاري به علت خرابي غيرقابل تعمير - صورتجلسه %1",
                     "اسقاط طبق صورتجلسه كميسيون شماره %1"});
    if (t == QLatin1String("d_kenarm"))
        return List({"انتقال موقت به انبار جهت تعمير اساسي", "توقف موقت بهره برداري",
                     "كنارگذاري موقت تا تامين قطعه", "خارج از سرويس تا پايان فصل"});
    if (t == QLatin1String("d_barkenarm"))
        return List({"بازگشت به خط توليد پس از تعمير", "راه اندازي مجدد",
                     "بازگشت به سرويس طبق دستور مدير توليد"});
    if (t == QLatin1String("d_barkenard"))
        return List(
            {"بازگشت از اسقاط طبق صورتجلسه بازبيني %1", "برگشت به چرخه بهره برداري پس از بازسازي"});
    if (t == QLatin1String("d_tahvil_antegal"))
        return List({"تحويل به %2", "انتقال به %3", "جابجايي طبق درخواست شماره %1",
                     "تحويل به %2 جهت استفاده در %3"});
    if (t == QLatin1String("d_asasechange"))
        return List({"تعمير اساسي موتور", "تعويض قطعات اصلي طبق صورت وضعيت %1", "بازسازي و نوسازي",
                     "ارتقاء تجهيزات طبق قرارداد %1"});
    if (t == QLatin1String("d_soulationchange"))
        return List({"تغيير روش استهلاك طبق مصوبه هيئت مديره شماره %1",
                     "تجديد برآورد عمر مفيد طبق گزارش كارشناس رسمي"});
    if (t == QLatin1String("d_daraereduce"))
        return List({"كاهش ارزش به علت آسيب ديدگي در حادثه", "جدا شدن بخشي از قطعات",
                     "كاهش ارزش طبق گزارش كارشناس شماره %1"});
    if (t == QLatin1String("d_change_vezarat"))
        return List(
            {"اصلاح گروه اظهارنامه طبق نظر مميز مالياتي", "تغيير گروه طبق برگ تشخيص شماره %1"});
    return {};
}

} // namespace DemoNames
