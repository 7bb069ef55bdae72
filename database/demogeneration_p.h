#pragma once

// The demo company's generator, kept apart in three files: its helpers and the
// company's parts (demogeneration.cpp), the reference data and each period's
// database (democompany.cpp), and each period's vouchers (demovouchers.cpp).

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

namespace DemoGeneration {

using namespace DemoChart;
using namespace DemoNames;

// Persian flag words and method names as the module compares them.
inline const QString kHas = QStringLiteral("دارد");
inline const QString kHasNot = QStringLiteral("ندارد");
inline const QString kActive = QStringLiteral("فعال");
inline const QString kInactive = QStringLiteral("غيرفعال");
inline const QString kStraightLine = QStringLiteral("مستقيم");
inline const QString kDeclining = QStringLiteral("نزولي");
inline const QString kDebit = QStringLiteral("بدهكار");
inline const QString kDayBookMark = QStringLiteral("ض");

// Voucher tables, as the simulation refers to them.
inline const QString kBuy = QStringLiteral("D_Buy_Create");
inline const QString kComponents = QStringLiteral("D_Buy_Create_Relate_Gheimat");
inline const QString kSale = QStringLiteral("D_ForoshDaymeh");
inline const QString kScrap = QStringLiteral("D_KenarD");
inline const QString kSetAside = QStringLiteral("D_KenarM");
inline const QString kSetAsideReturn = QStringLiteral("D_BarKenarM");
inline const QString kScrapReturn = QStringLiteral("D_BarKenarD");
inline const QString kTransfer = QStringLiteral("D_Tahvil_Antegal");
inline const QString kImprovement = QStringLiteral("D_AsaseChange");
inline const QString kMethodChange = QStringLiteral("D_SoulationChange");
inline const QString kReduction = QStringLiteral("D_DaraeReduce");
inline const QString kAdjustment = QStringLiteral("D_FirstTadil");
inline const QString kTaxGroupChange = QStringLiteral("D_Change_VezArat");
inline const QString kCount = QStringLiteral("D_Gardani");

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

const QCalendar& Jalali();

QDate JalaliDate(int year, int month, int day);

QDate JalaliYearEnd(int year);

// "yyyy/mm/dd"; an invalid date is the empty text.
QString DateText(const QDate& date);

QDate DayBetween(DemoRandom& random, const QDate& from, const QDate& to);

double RoundTo(double value, double step);

// ---------------------------------------------------------------------------------
// Account chains

// A chain under (koll, moein) with every level the subsidiary account asks for and
// none it refuses. Codes of `wanted` are kept (and must be allowed); the other
// required levels get a random active code their restriction allows.
Chain CompleteChain(const Chart& chart, const QString& koll, const QString& moein,
                    DemoRandom& random, const Chain& wanted = {});

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
double Accumulated(const Asset& a, const QDate& at);

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

QList<DemoUser> Users();

// What the clerk (user 2) may do with each kind of right: S new, E edit, D delete,
// V view. The administrator may do everything, the auditor only view.
QString ClerkRights(const QString& prefix);

// The voucher tables whose new vouchers the clerk may register.
bool ClerkEnters(const QString& table);

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

QList<KindPlan> KindPlans();

// Where each class of asset is usually kept and where it is bought from.
QStringList ClassLocations(int prefix);

QStringList ClassSources(int prefix);

bool Imported(const QString& assetName);

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

Row ChainColumns(const Chain& c, const QString& prefix = QString());

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

    void run();

private:
    // -- the parts of the company every period shares

    void buildEmployees();
    void buildChart();
    void buildSources();
    const Source& sourceByCode(const QString& code) const;
    QString assetKoll() const { return m_forms.Koll(QStringLiteral("15")); }

    void buildAssets();
    bool present(const Asset& a, const Period& p) const;

    // -- one period's database

    void writePeriod(const Period& period);
    void writeSettings(RowWriter& w, const Period& period);
    void writeUsers(RowWriter& w);
    void writeChart(RowWriter& w);
    void writeReferences(RowWriter& w);

    // -- the period's vouchers

    void simulate(RowWriter& w, const Period& period);
    static bool carriedInto(const Asset& a, const Period& p);
    bool inService(const Asset& a, const Period& p, const QDate& d) const;
    bool eligible(const Asset& a, const Voucher& v, const Period& p) const;

    // The assets of a voucher: up to v.rows assets eligible for it, in random order.
    // Every voucher costs time in proportion to its rows, not to the register: the
    // returns from retirement draw on the period's retired assets (a short list),
    // every other kind tries assets of the register at random and keeps the
    // eligible ones, giving up after a number of tries that grows with the rows.
    QList<int> chooseAssets(const Voucher& v, const Period& p);

    // Assets a count voucher looks at to choose its place.
    static constexpr int kCountSample = 256;
    int randomAsset() { return m_random.between(0, int(m_assets.size()) - 1); }

    QString description(const QString& table, const Asset& a);
    Chain assetChain(const QString& koll, const QString& moein, const Asset& a);
    void writeVoucher(RowWriter& w, const Voucher& v, const QList<int>& rows, const Period& p);

    // The purchase row of one asset and its cost components; the asset is bought.
    Row buyRow(RowWriter& w, const Voucher& v, Asset& a, const Source& source, const Period& p);
    Row retirementColumns(const Voucher& v, const Asset& a);
    Row transferColumns(const Voucher& v, const Asset& a);

    // A count voucher: the assets found at one place, in the care of one person.
    void writeCount(RowWriter& w, const Voucher& v, const QList<int>& rows);

    // -- the asset register at the end of the period

    // The records as the period began, in the followed columns and their opening
    // ("First") columns alike; the register is then recomputed from the period's
    // vouchers (writePeriod), so that it is what they make of them.
    void writeAssets(RowWriter& w, const Period& p);

    // Depreciation vouchers at the start of the period, the accounting vouchers
    // issued for a few asset vouchers, and the day-book posted up to a date before
    // every stored voucher.
    void writeAccounting(RowWriter& w, const Period& p);

    // -- warehouse documents and the receive/pay orders issued for some of them

    // Three warehouses and documents of the six kinds ("20" receipt .. "25"), each
    // from an employee as counterpart with the account chain of a source. The
    // earliest receipts already have their orders. The documents draw on a random
    // series of their own, so that the rest of the company stays as it was.
    void writeWarehouseDocuments(RowWriter& w, const Period& p);
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

} // namespace DemoGeneration
