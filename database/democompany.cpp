#include "democompany.h"

#include "assetregister.h"
#include "companybooks.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "demochart.h"
#include "demonames.h"
#include "dialect.h"
#include "persiantext.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QCalendar>
#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {


using namespace DemoChart;
using namespace DemoNames;

// Persian flag words and method names as the module compares them.
const QString kHas = QStringLiteral("دارد");
const QString kHasNot = QStringLiteral("ندارد");
const QString kActive = QStringLiteral("فعال");
const QString kInactive = QStringLiteral("غيرفعال");
const QString kStraightLine = QStringLiteral("مستقيم");
const QString kDeclining = QStringLiteral("نزولي");
const QString kDebit = QStringLiteral("بدهكار");
const QString kDayBookMark = QStringLiteral("ض");

// Voucher tables, as the simulation refers to them.
const QString kBuy = QStringLiteral("D_Buy_Create");
const QString kComponents = QStringLiteral("D_Buy_Create_Relate_Gheimat");
const QString kSale = QStringLiteral("D_ForoshDaymeh");
const QString kScrap = QStringLiteral("D_KenarD");
const QString kSetAside = QStringLiteral("D_KenarM");
const QString kSetAsideReturn = QStringLiteral("D_BarKenarM");
const QString kScrapReturn = QStringLiteral("D_BarKenarD");
const QString kTransfer = QStringLiteral("D_Tahvil_Antegal");
const QString kImprovement = QStringLiteral("D_AsaseChange");
const QString kMethodChange = QStringLiteral("D_SoulationChange");
const QString kReduction = QStringLiteral("D_DaraeReduce");
const QString kAdjustment = QStringLiteral("D_FirstTadil");
const QString kTaxGroupChange = QStringLiteral("D_Change_VezArat");
const QString kCount = QStringLiteral("D_Gardani");

// ---------------------------------------------------------------------------------
// Randomness and dates

// SplitMix64: the same seed gives the same demo with every compiler and library,
// which the standard distributions do not promise.
class DemoRandom
{
public:
    explicit DemoRandom(quint64 seed)
        : m_state(seed * 0x9E3779B97F4A7C15ULL + 0x5851F42D4C957F2DULL)
    {}

    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A whole number from `low` to `high`, both included.
    int between(int low, int high)
    {
        if (high <= low)
            return low;
        return low + int(next() % quint64(high - low + 1));
    }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T> const T& pick(const QList<T>& list)
    {
        return list.at(between(0, int(list.size()) - 1));
    }
    template <typename T> void shuffle(QList<T>& list)
    {
        for (qsizetype i = list.size() - 1; i > 0; --i)
            list.swapItemsAt(i, between(0, int(i)));
    }

private:
    quint64 m_state;
};

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

// "yyyy/mm/dd"; an invalid date is the empty text.
QString DateText(const QDate& date)
{
    if (!date.isValid())
        return QString(QLatin1String(""));
    const QCalendar::YearMonthDay p = Jalali().partsFromDate(date);
    return QStringLiteral("%1/%2/%3")
        .arg(p.year, 4, 10, QLatin1Char('0'))
        .arg(p.month, 2, 10, QLatin1Char('0'))
        .arg(p.day, 2, 10, QLatin1Char('0'));
}

QDate DayBetween(DemoRandom& random, const QDate& from, const QDate& to)
{
    return from.addDays(random.between(0, int(std::max<qint64>(0, from.daysTo(to)))));
}

double RoundTo(double value, double step)
{
    return std::round(value / step) * step;
}

// ---------------------------------------------------------------------------------
// Account chains

// A chain under (koll, moein) with every level the subsidiary account asks for and
// none it refuses. Codes of `wanted` are kept (and must be allowed); the other
// required levels get a random active code their restriction allows.
Chain CompleteChain(const Chart& chart, const QString& koll, const QString& moein,
                    DemoRandom& random, const Chain& wanted = {})
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

// ---------------------------------------------------------------------------------
// What the company is made of

struct Employee
{
    QString code; // Person.Code, stored form
    QString name;
    QString family;
    QString tafsily; // the employee's own detail account
    QString fullName() const { return name + QLatin1Char(' ') + family; }
};

struct Source
{
    QString code;
    QString name;
    Chain chain;
};

enum class Origin { Opening, Bought, Buyable };

struct Asset
{
    QString code;
    QString name;
    const AssetClass* kind = nullptr;
    QString moein; // under the fixed-asset Koll
    QString taxGroup;
    QString article;
    QString method;
    double rate = 0; // declining-balance rate, percent
    double life = 0; // straight-line useful life, years
    QDate inUse;     // BahreDate
    QDate bought;    // the purchase, or the opening asset's buying date
    QDate warrantyEnd;
    double cost = 0;
    double salvage = 0;
    Origin origin = Origin::Opening;
    int purchasePeriod = -1; // the period whose purchase vouchers buy it
    QString location;
    QString person;
    QString costCentre;
    QString condition;
    QString source;

    // The asset's history so far, as the vouchers written up to now tell it.
    QDate lastUse;
    QDate disposed; // sold or permanently retired
    int disposedPeriod = -1;
    bool scrapped = false;
    bool scrapReturned = false;
    QDate setAsideSince;  // valid while temporarily retired
    bool counted = false; // in a count voucher of the period being written
    // Capital improvements: cost and useful life (years) added, in all periods and in
    // the period being written.
    double improved = 0;
    double improvedNow = 0;
    double lifeAdded = 0;
    double lifeAddedNow = 0;
    // Initial adjustments less reductions, in all periods.
    double costChanged = 0;
    // The record as the period being written began: holder, place, cost centre,
    // retirement, method, rate, useful life, tax-return group, and (for an asset
    // carried into the period) cost, accumulated depreciation and salvage value.
    QString openingPerson;
    QString openingLocation;
    QString openingCentre;
    QDate openingSetAside;
    QString openingMethod;
    double openingRate = 0;
    double openingLife = 0;
    QString openingTaxGroup;
    double openingCost = 0;
    double openingAccumulated = 0;
    double openingSalvage = 0;

    bool depreciated() const { return method != kHasNot; }
};

// The depreciation accumulated from the date of use up to `at`, in whole
// ten-thousands of rials.
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

// One fiscal period of the company and the dates its demo vouchers keep to.
struct Period
{
    int index = 0;
    int year = 0;
    QDate start;
    QDate end;
    QDate firstVoucher; // stored vouchers fall between these two
    QDate lastVoucher;
    QDate depreciationOpening; // Asnad WhatDoc '98'
    QDate depreciation;        // Asnad WhatDoc '99'
    QDate dayBook;             // D_Roz: posted up to here, before every stored voucher
    bool current = false;
};

struct DemoUser
{
    int id;
    QString name;
    QString zelmora;
};

QList<DemoUser> Users()
{
    return {{1, QStringLiteral("مدير سيستم"), QStringLiteral("COPY=YES;PRINT=YES;")},
            {2, QStringLiteral("كارشناس اموال"), QStringLiteral("COPY=NO;PRINT=YES;")},
            {3, QStringLiteral("حسابرس داخلي"), QStringLiteral("COPY=NO;PRINT=NO;")}};
}

// What the clerk (user 2) may do with each kind of right: S new, E edit, D delete,
// V view. The administrator may do everything, the auditor only view.
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

// The voucher tables whose new vouchers the clerk may register.
bool ClerkEnters(const QString& table)
{
    return table == kBuy || table == kImprovement || table == kSetAside ||
           table == kSetAsideReturn || table == kTransfer || table == kCount;
}

// How many vouchers of a kind a period holds (for 300 assets; scaled with the
// register), how many rows each, and where in the period's voucher span they fall
// (percent from its start to its end).
struct KindPlan
{
    QString table;
    int previous;
    int current;
    int rowsLow;
    int rowsHigh;
    int from;
    int to;
};

QList<KindPlan> KindPlans()
{
    return {{kSale, 2, 4, 2, 4, 20, 100},           {kScrap, 2, 3, 1, 3, 10, 65},
            {kScrapReturn, 0, 1, 1, 2, 75, 100},    {kSetAside, 3, 4, 2, 4, 0, 60},
            {kSetAsideReturn, 1, 2, 1, 3, 55, 100}, {kTransfer, 4, 6, 3, 6, 0, 100},
            {kImprovement, 2, 4, 1, 4, 10, 100},    {kMethodChange, 1, 3, 2, 4, 10, 100},
            {kReduction, 1, 3, 1, 3, 10, 100},      {kAdjustment, 2, 3, 2, 5, 0, 40},
            {kTaxGroupChange, 1, 2, 2, 4, 10, 100}, {kCount, 2, 3, 6, 15, 60, 100}};
}

// Where each class of asset is usually kept and where it is bought from.
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

// ---------------------------------------------------------------------------------
// Writing rows

using Row = QList<std::pair<QString, QVariant>>;

// Inserts rows through prepared statements of several rows, one per table, column
// list and batch size. Columns are checked against the table catalogue when a
// statement is first prepared.
class RowWriter
{
public:
    explicit RowWriter(DbConnection& connection) : m_connection(connection) {}

    // Rows are written in batches, several rows a statement (a server answers each
    // statement over the network): a table's rows keep the order they were given
    // in; flush() writes what is still waiting.
    void insert(const QString& table, const Row& row)
    {
        Pending& p = m_pending[table];
        if (p.rows > 0 && !SameColumns(p.columns, row))
            write(table, p);
        if (p.rows == 0) {
            p.columns.clear();
            for (const auto& cell : row)
                p.columns << cell.first;
        }
        for (const auto& cell : row) {
            const QVariant& v = cell.second;
            // A null text would be stored as NULL; the tables keep empty texts.
            if (v.typeId() == QMetaType::QString && v.toString().isNull())
                p.values.push_back(QString(QLatin1String("")));
            else
                p.values.push_back(v);
        }
        if (++p.rows >= BatchRows(p.columns))
            write(table, p);
    }

    void flush()
    {
        for (auto it = m_pending.begin(); it != m_pending.end(); ++it)
            write(it.key(), it.value());
    }

private:
    struct Pending
    {
        QStringList columns;
        std::vector<QVariant> values;
        int rows = 0;
    };

    static bool SameColumns(const QStringList& columns, const Row& row)
    {
        if (columns.size() != row.size())
            return false;
        for (int i = 0; i < row.size(); ++i) {
            if (columns.at(i) != row.at(i).first)
                return false;
        }
        return true;
    }

    // Well within the engines' limits of bound values in one statement.
    static int BatchRows(const QStringList& columns)
    {
        return std::max(1, std::min(100, 2000 / int(std::max<qsizetype>(1, columns.size()))));
    }

    void write(const QString& table, Pending& p)
    {
        if (p.rows == 0)
            return;
        const QString key = table + QLatin1Char('|') + QString::number(p.rows) + QLatin1Char('|') +
                            p.columns.join(QLatin1Char('|'));
        auto it = m_statements.find(key);
        if (it == m_statements.end())
            it = m_statements.insert(key, prepare(table, p.columns, p.rows));
        QSqlQuery& query = *it.value();
        for (int i = 0; i < int(p.values.size()); ++i)
            query.bindValue(i, p.values[size_t(i)]);
        if (!query.exec())
            throw DatabaseError(m_connection.dialect().errorText(query.lastError()),
                                query.lastQuery());
        p.values.clear();
        p.rows = 0;
    }

    std::shared_ptr<QSqlQuery> prepare(const QString& table, const QStringList& columns, int rows)
    {
        const TableDef* def = Schema::FindCompanyTable(table);
        if (!def)
            throw std::logic_error(qPrintable(QStringLiteral("no table %1").arg(table)));
        QStringList names;
        for (const QString& c : columns) {
            if (!def->column(c))
                throw std::logic_error(qPrintable(QStringLiteral("no column %1.%2").arg(table, c)));
            names << SqlIdent(c);
        }
        const QString one =
            QLatin1Char('(') +
            QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
            QLatin1Char(')');
        const QString sql = QStringLiteral("INSERT INTO ") + SqlIdent(table) +
                            QStringLiteral(" (") + names.join(QStringLiteral(", ")) +
                            QStringLiteral(") VALUES ") +
                            QStringList(rows, one).join(QStringLiteral(", "));
        auto query = std::make_shared<QSqlQuery>(m_connection.database());
        if (!m_connection.prepare(*query, sql))
            throw DatabaseError(m_connection.dialect().errorText(query->lastError()), sql);
        return query;
    }

    DbConnection& m_connection;
    QHash<QString, Pending> m_pending;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements;
};

Row ChainColumns(const Chain& c, const QString& prefix = QString())
{
    return {{prefix + QStringLiteral("Koll"), c.koll},
            {prefix + QStringLiteral("Moein"), c.moein},
            {prefix + QStringLiteral("Tafsily"), c.tafsily},
            {prefix + QStringLiteral("Tafsily2"), c.tafsily2},
            {prefix + QStringLiteral("ProjectCod"), c.project}};
}

// ---------------------------------------------------------------------------------
// The company

// One stored voucher being written: its kind, number, date, user and paper form.
struct Voucher
{
    QString table;
    QDate date;
    int rows = 0;
    QString number;
    QString user;
    QString form;
};

// An accounting voucher issued for an asset voucher, so that it opens read-only.
struct IssuedVoucher
{
    QString whatDoc;
    QString number;
    QDate date;
    QString caption;
};

class CompanyGenerator
{
public:
    CompanyGenerator(const QString& folder, const QString& company, const QString& name,
                     const QList<int>& years, int assets, quint64 seed)
        : m_folder(folder), m_company(company.trimmed()), m_name(name), m_random(seed),
          m_assetCount(std::max(0, assets))
    {
        for (int i = 0; i < years.size(); ++i) {
            Period p;
            p.index = i;
            p.year = years.at(i);
            p.start = JalaliDate(p.year, 1, 1);
            p.end = JalaliYearEnd(p.year);
            p.current = i == years.size() - 1;
            p.depreciationOpening = p.start;
            p.depreciation = JalaliDate(p.year, 1, 5);
            p.dayBook = JalaliDate(p.year, 1, 10);
            p.firstVoucher = JalaliDate(p.year, 1, 15);
            // The current period's vouchers fill its first half; the rest of the
            // year is left to the assets still to be bought.
            p.lastVoucher = p.current ? JalaliDate(p.year, 6, 31) : JalaliDate(p.year, 12, 20);
            m_periods << p;
        }
        m_companyStart = m_periods.first().start;
    }

    void run()
    {
        buildEmployees();
        buildChart();
        buildSources();
        buildAssets();
        for (const Period& period : std::as_const(m_periods))
            writePeriod(period);
    }

private:
    // -- the parts of the company every period shares

    void buildEmployees()
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

    void buildChart()
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

    void buildSources()
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

    const Source& sourceByCode(const QString& code) const
    {
        const QString stored = m_forms.Source(code);
        for (const Source& s : m_sources) {
            if (s.code == stored)
                return s;
        }
        return m_sources.first();
    }

    QString assetKoll() const { return m_forms.Koll(QStringLiteral("15")); }

    void buildAssets()
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
        const int most =
            perClass.isEmpty() ? 0 : *std::max_element(perClass.begin(), perClass.end());
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

    bool present(const Asset& a, const Period& p) const
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

    // -- one period's database

    void writePeriod(const Period& period)
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

    void writeSettings(RowWriter& w, const Period& period)
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

    void writeUsers(RowWriter& w)
    {
        const QList<DemoUser> users = Users();
        for (const DemoUser& u : users) {
            // Dara: the administrator and the clerk mark a spreadsheet's columns in
            // the count's import; the auditor imports by the saved forms only.
            w.insert(QStringLiteral("UserSdc"),
                     {{QStringLiteral("UserId"), u.id},
                      {QStringLiteral("User_Name"), u.name},
                      // Plain, as older data holds them: the first sign-in keeps
                      // the hash instead.
                      {QStringLiteral("UserPass"), DemoPassword(u.id)},
                      {QStringLiteral("Zelmora"), u.zelmora},
                      {QStringLiteral("Dara"),
                       u.id == 3 ? QString() : QStringLiteral("D_A_AMVALGARDANI")}});
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

    void writeChart(RowWriter& w)
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

    void writeReferences(RowWriter& w)
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
            w.insert(QStringLiteral("D_Gheimat"),
                     {{QStringLiteral("GheimatCod"), f.Component(c.code)},
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

    // -- the period's vouchers

    void simulate(RowWriter& w, const Period& period)
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
            return period.firstVoucher.addDays(
                m_random.between(span * from / 100, span * to / 100));
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
            v.user =
                ClerkEnters(v.table) && m_random.chance(40) ? users.at(1).name : users.at(0).name;
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

    static bool carriedInto(const Asset& a, const Period& p)
    {
        return a.origin == Origin::Opening ||
               (a.origin == Origin::Bought && a.purchasePeriod < p.index);
    }

    bool inService(const Asset& a, const Period& p, const QDate& d) const
    {
        if (!present(a, p) || a.disposed.isValid() || !a.inUse.isValid() || a.inUse > d)
            return false;
        if (a.origin == Origin::Opening)
            return true;
        return a.bought.isValid() && a.purchasePeriod <= p.index && a.bought < d;
    }

    bool eligible(const Asset& a, const Voucher& v, const Period& p) const
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
    QList<int> chooseAssets(const Voucher& v, const Period& p)
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
            if (taken.contains(i) || (!place.isEmpty() && a.location != place) ||
                !eligible(a, v, p))
                continue;
            taken.insert(i);
            chosen << i;
        }
        return chosen;
    }

    // Assets a count voucher looks at to choose its place.
    static constexpr int kCountSample = 256;

    int randomAsset() { return m_random.between(0, int(m_assets.size()) - 1); }

    QString description(const QString& table, const Asset& a)
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

    Chain assetChain(const QString& koll, const QString& moein, const Asset& a)
    {
        // Expense and loss accounts carry the asset's cost centre when they may.
        const MoeinAccount* m = m_chart.moein(m_forms.Koll(koll), m_forms.Moein(moein));
        Chain wanted;
        if (m && m->tafsily2 && Allows(m->tafsily2Rule, a.costCentre, m_chart.tafsily2GroupLength))
            wanted.tafsily2 = a.costCentre;
        return CompleteChain(m_chart, m_forms.Koll(koll), m_forms.Moein(moein), m_random, wanted);
    }

    void writeVoucher(RowWriter& w, const Voucher& v, const QList<int>& rows, const Period& p)
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
                    buyer = QStringLiteral("آقاي ") + m_random.pick(MaleNames()) +
                            QLatin1Char(' ') + m_random.pick(FamilyNames());
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
                a.condition =
                    f.Condition(m_random.chance(85) ? Condition::InUse : Condition::InStore);
                row += transferColumns(v, a);
            } else if (v.table == kImprovement) {
                const Source& s = sourceByCode(
                    m_random.pick(QStringList{QStringLiteral("1"), QStringLiteral("3"),
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
                    a.rate = m_random.between(std::max(5, a.kind->rateLow),
                                              std::max(10, a.kind->rateHigh));
                    a.life = 0;
                } else if (a.method == kDeclining && m_random.chance(50)) {
                    a.method = kStraightLine;
                    a.life = m_random.between(std::max(3, a.kind->lifeLow),
                                              std::max(5, a.kind->lifeHigh));
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
                row += Row{
                    {QStringLiteral("AmvalDes"), description(v.table, a)},
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
                const Source& s = sourceByCode(
                    m_random.pick(QStringList{QStringLiteral("1"), QStringLiteral("2"),
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
                row += Row{{QStringLiteral("OldVezCod"), old},
                           {QStringLiteral("NewVezCod"), a.taxGroup}};
            }
            a.lastUse = v.date;
            w.insert(v.table, row);
        }
    }

    // The purchase row of one asset and its cost components; the asset is bought.
    Row buyRow(RowWriter& w, const Voucher& v, Asset& a, const Source& source, const Period& p)
    {
        const AssetClass& kind = *a.kind;
        const double price = a.cost;
        QList<std::pair<QString, double>> parts{{QStringLiteral("1"), price}};
        if (m_random.chance(70))
            parts.append(
                {QStringLiteral("2"), RoundTo(price * m_random.between(1, 3) / 100.0, 1e4)});
        if (kind.installed)
            parts.append(
                {QStringLiteral("3"), RoundTo(price * m_random.between(2, 8) / 100.0, 1e4)});
        if (Imported(a.name)) {
            parts.append(
                {QStringLiteral("4"), RoundTo(price * m_random.between(4, 10) / 100.0, 1e4)});
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

    Row retirementColumns(const Voucher& v, const Asset& a)
    {
        return {{QStringLiteral("AmvalDes"), description(v.table, a)},
                {QStringLiteral("VazCod"), a.condition},
                {QStringLiteral("MakanCod"), a.location},
                {QStringLiteral("Tafsily2"), a.costCentre},
                {QStringLiteral("Bargeh"), v.form}};
    }

    Row transferColumns(const Voucher& v, const Asset& a)
    {
        return {{QStringLiteral("AmvalDes"), description(v.table, a)},
                {QStringLiteral("PersonelCod"), a.person},
                {QStringLiteral("VazCod"), a.condition},
                {QStringLiteral("MakanCod"), a.location},
                {QStringLiteral("Tafsily2"), a.costCentre},
                {QStringLiteral("Bargeh"), v.form}};
    }

    // A count voucher: the assets found at one place, in the care of one person.
    void writeCount(RowWriter& w, const Voucher& v, const QList<int>& rows)
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

    // -- the asset register at the end of the period

    // The records as the period began, in the followed columns and their opening
    // ("First") columns alike; the register is then recomputed from the period's
    // vouchers (writePeriod), so that it is what they make of them.
    void writeAssets(RowWriter& w, const Period& p)
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
    void writeAccounting(RowWriter& w, const Period& p)
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
                   QStringLiteral("سند ") + issued.caption + QStringLiteral(" شماره ") +
                       issued.number);
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

    // -- warehouse documents and the receive/pay orders issued for some of them

    // Three warehouses and documents of the six kinds ("20" receipt .. "25"), each
    // from an employee as counterpart with the account chain of a source. The
    // earliest receipts already have their orders. The documents draw on a random
    // series of their own, so that the rest of the company stays as it was.
    void writeWarehouseDocuments(RowWriter& w, const Period& p)
    {
        if (m_employees.isEmpty() || m_sources.isEmpty())
            return;
        DemoRandom random(quint64(p.year) * 31 + quint64(m_company.toInt()));
        const QStringList names{QStringLiteral("انبار مواد اوليه"),
                                QStringLiteral("انبار قطعات يدكي"),
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

    QString m_folder;
    QString m_company;
    QString m_name;
    DemoRandom m_random;
    int m_assetCount;
    Forms m_forms;
    QList<Period> m_periods;
    QDate m_companyStart;
    QList<Employee> m_employees;
    Chart m_chart;
    QList<Source> m_sources;
    QList<Asset> m_assets;
    // The period's temporarily and permanently retired assets, for their returns.
    std::vector<int> m_setAside;
    std::vector<int> m_scrapped;
    QList<IssuedVoucher> m_issued;
};

} // namespace

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
