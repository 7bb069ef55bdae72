#include "largecompany.h"

#include "assetregister.h"
#include "companyprocedures.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "demochart.h"
#include "democompany.h"
#include "demonames.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QCalendar>
#include <QDate>
#include <QElapsedTimer>
#include <QMap>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

#include <libpq-fe.h>

namespace {

// The voucher tables, as the voucher kinds name them.
const QString& TableOf(VoucherKindId id)
{
    return VoucherKindOf(id).table;
}
const QString kBuy = TableOf(VoucherKindId::BuyCreate);
const QString kComponents = VoucherKindOf(VoucherKindId::BuyCreate).componentsTable;
const QString kSale = TableOf(VoucherKindId::ForoshDaymeh);
const QString kScrap = TableOf(VoucherKindId::KenarD);
const QString kSetAside = TableOf(VoucherKindId::KenarM);
const QString kSetAsideReturn = TableOf(VoucherKindId::BarKenarM);
const QString kScrapReturn = TableOf(VoucherKindId::BarKenarD);
const QString kTransfer = TableOf(VoucherKindId::TahvilAntegal);
const QString kImprovement = TableOf(VoucherKindId::AsaseChange);
const QString kMethodChange = TableOf(VoucherKindId::SoulationChange);
const QString kReduction = TableOf(VoucherKindId::DaraeReduce);
const QString kAdjustment = TableOf(VoucherKindId::FirstTadil);
const QString kTaxGroupChange = TableOf(VoucherKindId::ChangeVezArat);
const QString kAssets = QStringLiteral("D_Amval");
const QString kActions = QStringLiteral("D_Asnad_Actions");

// SplitMix64, as the demo company uses: the same seed, the same company everywhere.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed * 0x9E3779B97F4A7C15ULL + 0x2545F4914F6CDD1DULL) {}
    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int between(int low, int high)
    {
        return high <= low ? low : low + int(next() % quint64(high - low + 1));
    }
    bool chance(int percent) { return between(1, 100) <= percent; }

private:
    quint64 m_state;
};

const QCalendar& Jalali()
{
    static const QCalendar calendar(QCalendar::System::Jalali);
    return calendar;
}

QString DateText(const QDate& date)
{
    const QCalendar::YearMonthDay p = Jalali().partsFromDate(date);
    return QStringLiteral("%1/%2/%3")
        .arg(p.year, 4, 10, QLatin1Char('0'))
        .arg(p.month, 2, 10, QLatin1Char('0'))
        .arg(p.day, 2, 10, QLatin1Char('0'));
}

// How the non-purchase rows are shared out among the kinds (weights), and which
// part of the period their vouchers fall in (percent of the voucher span).
struct KindShare
{
    QString table;
    int weight;
    int from;
    int to;
};

QList<KindShare> Shares()
{
    // Few sales and permanent retirements: most assets stay for the later vouchers.
    return {
        {kTransfer, 300, 8, 100},  {kImprovement, 150, 8, 100},    {kMethodChange, 100, 8, 100},
        {kReduction, 100, 8, 100}, {kAdjustment, 100, 8, 100},     {kTaxGroupChange, 100, 8, 100},
        {kSetAside, 50, 10, 90},   {kSetAsideReturn, 45, 20, 100}, {kSale, 15, 20, 100},
        {kScrap, 10, 20, 100},     {kScrapReturn, 3, 40, 100}};
}

// The order of kinds on one day, as the demo company keeps it.
int KindRank(const QString& table)
{
    static const QStringList order{
        kBuy,      kAdjustment,     kImprovement, kMethodChange,   kReduction,
        kTransfer, kTaxGroupChange, kSetAside,    kSetAsideReturn, kSale,
        kScrap,    kScrapReturn};
    return int(order.indexOf(table));
}

// Rows inserted in bulk. On a file, batches of one prepared statement: several rows
// a statement, the values bound (the last, shorter batch gets a statement of its
// own). On a server, the engine's own bulk path: the rows stream to one COPY of the
// table (text form), which the open transaction holds as it holds an INSERT.
class BulkInsert
{
public:
    BulkInsert(DbConnection& connection, const QString& table, const QStringList& columns)
        : m_connection(connection), m_table(table), m_columns(columns)
    {
        if (connection.isServer()) {
            const QVariant handle = connection.database().driver()->handle();
            // The driver hands its libpq connection over as "PGconn*" (pg_conn*).
            if (qstrcmp(handle.typeName(), "PGconn*") == 0 ||
                qstrcmp(handle.typeName(), "pg_conn*") == 0)
                m_server = *static_cast<PGconn* const*>(handle.constData());
            if (!m_server)
                throw std::logic_error("no server connection to copy rows on");
        }
        // Within the engine's limit of bound values per statement.
        m_batch = std::max(1, std::min(200, 30000 / int(std::max<qsizetype>(1, columns.size()))));
        m_pending.reserve(size_t(m_batch) * size_t(columns.size()));
    }
    ~BulkInsert() = default;

    qint64 count() const { return m_count; }

    void add(const QVariantList& row)
    {
        if (row.size() != m_columns.size())
            throw std::logic_error(qPrintable(QStringLiteral("%1: %2 values for %3 columns")
                                                  .arg(m_table)
                                                  .arg(row.size())
                                                  .arg(m_columns.size())));
        if (m_server) {
            copy(row);
            return;
        }
        for (const QVariant& v : row)
            m_pending.push_back(v);
        if (++m_rows == m_batch)
            flush();
    }

    void flush()
    {
        if (m_server) {
            endCopy();
            return;
        }
        if (m_rows == 0)
            return;
        std::unique_ptr<QSqlQuery>& query = m_rows == m_batch ? m_full : m_rest;
        if (!query || m_preparedRows.value(query.get()) != m_rows) {
            query = std::make_unique<QSqlQuery>(m_connection.database());
            const QString sql = statement(m_rows);
            if (!m_connection.prepare(*query, sql))
                throw m_connection.error(query->lastError(), sql);
            m_preparedRows.insert(query.get(), m_rows);
        }
        for (int i = 0; i < int(m_pending.size()); ++i)
            query->bindValue(i, m_pending[size_t(i)]);
        if (!query->exec())
            throw m_connection.error(query->lastError(), query->lastQuery());
        m_count += m_rows;
        m_rows = 0;
        m_pending.clear();
    }

private:
    QString names() const
    {
        QStringList names;
        for (const QString& c : m_columns)
            names << SqlIdent(c);
        return names.join(QStringLiteral(", "));
    }

    QString statement(int rows) const
    {
        QString one = QStringLiteral("(") +
                      QStringList(m_columns.size(), QStringLiteral("?")).join(QLatin1Char(',')) +
                      QLatin1Char(')');
        QStringList values(rows, one);
        return QStringLiteral("INSERT INTO ") + SqlIdent(m_table) + QStringLiteral(" (") + names() +
               QStringLiteral(") VALUES ") + values.join(QLatin1Char(','));
    }

    // One row in COPY's text form: tab between values, \\N for NULL, the
    // separators and backslash escaped. A COPY holds the connection until it ends,
    // and rows of several tables come in turn: each table gathers a few megabytes
    // and sends them as one COPY of their own.
    void copy(const QVariantList& row)
    {
        for (int i = 0; i < row.size(); ++i) {
            if (i > 0)
                m_buffer += '\t';
            const QVariant& v = row.at(i);
            if (v.isNull()) {
                m_buffer += "\\N";
                continue;
            }
            if (v.typeId() == QMetaType::Double) {
                m_buffer += QByteArray::number(v.toDouble(), 'g', 17);
                continue;
            }
            const QByteArray text = v.toString().toUtf8();
            for (const char c : text) {
                switch (c) {
                case '\\':
                    m_buffer += "\\\\";
                    break;
                case '\t':
                    m_buffer += "\\t";
                    break;
                case '\n':
                    m_buffer += "\\n";
                    break;
                case '\r':
                    m_buffer += "\\r";
                    break;
                default:
                    m_buffer += c;
                }
            }
        }
        m_buffer += '\n';
        ++m_count;
        if (m_buffer.size() > (4 << 20))
            endCopy();
    }

    void endCopy()
    {
        if (m_buffer.isEmpty())
            return;
        const QString sql = m_connection.dialect().statementText(
            QStringLiteral("COPY ") + SqlIdent(m_table) + QStringLiteral(" (") + names() +
            QStringLiteral(") FROM STDIN"));
        PGresult* start = PQexec(m_server, sql.toUtf8().constData());
        const bool copying = PQresultStatus(start) == PGRES_COPY_IN;
        PQclear(start);
        if (!copying)
            throw DatabaseError(QString::fromUtf8(PQerrorMessage(m_server)), sql);
        if (PQputCopyData(m_server, m_buffer.constData(), int(m_buffer.size())) != 1 ||
            PQputCopyEnd(m_server, nullptr) != 1)
            throw DatabaseError(QString::fromUtf8(PQerrorMessage(m_server)), sql);
        m_buffer.clear();
        QString message;
        while (PGresult* result = PQgetResult(m_server)) {
            if (PQresultStatus(result) != PGRES_COMMAND_OK)
                message = QString::fromUtf8(PQresultErrorMessage(result));
            PQclear(result);
        }
        if (!message.isEmpty())
            throw DatabaseError(message, sql);
    }

    DbConnection& m_connection;
    QString m_table;
    QStringList m_columns;
    PGconn* m_server = nullptr;
    QByteArray m_buffer;
    int m_batch = 1;
    int m_rows = 0;
    qint64 m_count = 0;
    std::vector<QVariant> m_pending;
    std::unique_ptr<QSqlQuery> m_full;
    std::unique_ptr<QSqlQuery> m_rest;
    QHash<const QSqlQuery*, int> m_preparedRows;
};

// The columns of a company table the generator writes (all but an identity).
const QStringList& ColumnNames(const QString& table)
{
    static QHash<QString, QStringList> cache;
    auto it = cache.find(table);
    if (it != cache.end())
        return it.value();
    const TableDef* def = Schema::FindCompanyTable(table);
    if (!def)
        throw std::logic_error(qPrintable(QStringLiteral("no table %1").arg(table)));
    QStringList names;
    for (const ColumnDef& c : def->columns) {
        if (!c.identity)
            names << c.name;
    }
    return cache.insert(table, names).value();
}

// The rows of `table` the demo company stored, every column (by ColumnNames order):
// the large company's rows copy their accounts, descriptions and amounts, so that
// every code they carry exists and every account chain is one the chart allows.
QList<QVariantList> DemoRows(DbConnection& db, const QString& table)
{
    const QStringList columns = ColumnNames(table);
    QStringList quoted;
    for (const QString& c : columns)
        quoted << SqlIdent(c);
    QSqlQuery q = db.select(QStringLiteral("SELECT ") + quoted.join(QStringLiteral(", ")) +
                            QStringLiteral(" FROM ") + SqlIdent(table));
    QList<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < columns.size(); ++i)
            row << q.value(i);
        rows << row;
    }
    return rows;
}

// One asset's history as the vouchers written so far tell it.
struct Asset
{
    QString code;
    int model = 0; // the demo asset it copies
    QDate bought;
    QDate last; // the day of its latest voucher: the next one comes later
    QString condition;
    QString taxGroup;
    bool gone = false;
};

// Assets that may take part in a kind of voucher, picked at random in O(1) and
// removed in O(1) (the last one takes the place of the removed one).
class Pool
{
public:
    explicit Pool(std::vector<int>& slot) : m_slot(slot) {}
    void add(int asset)
    {
        m_slot[size_t(asset)] = int(m_items.size());
        m_items.push_back(asset);
    }
    void remove(int asset)
    {
        const int at = m_slot[size_t(asset)];
        const int moved = m_items.back();
        m_items[size_t(at)] = moved;
        m_slot[size_t(moved)] = at;
        m_items.pop_back();
    }
    bool empty() const { return m_items.empty(); }
    int size() const { return int(m_items.size()); }
    int at(int i) const { return m_items[size_t(i)]; }

private:
    std::vector<int>& m_slot;
    std::vector<int> m_items;
};

struct PlannedVoucher
{
    QString table;
    int day = 0; // days after the first voucher day
    int rows = 0;
};

// 1..40 rows mostly, now and then a large voucher of up to 2,000.
int VoucherSize(Random& random)
{
    if (random.chance(3))
        return random.between(200, 2000);
    return random.between(1, 40);
}

class Generator
{
public:
    Generator(DbConnection& db, const LargeCompanyOptions& options, const QString& year)
        : m_db(db), m_options(options), m_random(quint64(options.seed) * 31 + 17),
          m_poolSlot(size_t(std::max(0, options.assets)), -1), m_active(m_poolSlot),
          m_setAside(m_poolSlot), m_scrapped(m_poolSlot)
    {
        const int y = year.toInt();
        m_first = QDate(y, 1, 15, Jalali());
        m_lastDay = int(m_first.daysTo(QDate(y, 12, 20, Jalali())));
        m_endDay = int(m_first.daysTo(QDate(y + 1, 1, 1, Jalali()).addDays(-1)));
        // A voucher never asks for more assets than a few days' vouchers can share.
        m_largest = std::max(1, std::min(2000, options.assets / 4));
    }

    LargeCompanySummary run()
    {
        readDemo();
        clearPeriod();
        makeAssets();
        planAndWrite();
        writeAssets();
        LargeCompanySummary s;
        s.assets = int(m_assets.size());
        for (auto it = m_writers.cbegin(); it != m_writers.cend(); ++it) {
            it.value()->flush();
            s.rows.insert(it.key(), it.value()->count());
            if (LargeCompanyVoucherTables().contains(it.key()))
                s.voucherRows += it.value()->count();
        }
        s.vouchers = m_vouchers;
        s.lastNumber = m_numbers;
        // The register as the vouchers leave it: one read of the tables that move an
        // asset, one write per asset they moved.
        AssetRegister::RecomputeAll(m_db);
        return s;
    }

private:
    BulkInsert& writer(const QString& table)
    {
        auto it = m_writers.find(table);
        if (it == m_writers.end())
            it = m_writers.insert(table,
                                  std::make_shared<BulkInsert>(m_db, table, ColumnNames(table)));
        return *it.value();
    }

    int column(const QString& table, const QString& name)
    {
        const QString key = table + QLatin1Char('.') + name;
        auto it = m_columnIndex.constFind(key);
        if (it != m_columnIndex.cend())
            return it.value();
        const int i = int(ColumnNames(table).indexOf(name));
        if (i < 0)
            throw std::logic_error(qPrintable(QStringLiteral("no column %1.%2").arg(table, name)));
        m_columnIndex.insert(key, i);
        return i;
    }

    void readDemo()
    {
        m_models = DemoRows(m_db, kAssets);
        if (m_models.isEmpty())
            throw std::logic_error("the demo company has no assets");
        for (const QString& table : LargeCompanyVoucherTables()) {
            QList<QVariantList> rows = DemoRows(m_db, table);
            m_templates.insert(table, rows);
        }
        m_components = DemoRows(m_db, QStringLiteral("D_Gheimat"));
        QSqlQuery users = m_db.select(
            QStringLiteral("SELECT User_Name FROM UserSdc WHERE UserId IN (1, 2) ORDER BY UserId"));
        while (users.next())
            m_users << users.value(0).toString();
        QSqlQuery taxGroups = m_db.select(QStringLiteral("SELECT VezCod FROM D_VezArat"));
        while (taxGroups.next())
            m_taxGroups << taxGroups.value(0).toString();
        if (m_users.size() < 2 || m_taxGroups.size() < 2 || m_components.isEmpty())
            throw std::logic_error("the demo company lacks users, tax groups or components");
    }

    void clearPeriod()
    {
        for (const QString& table : Schema::VoucherTableNames())
            m_db.execute(QStringLiteral("DELETE FROM ") + SqlIdent(table));
        m_db.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kComponents));
        m_db.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kAssets));
        m_db.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kActions));
        // The depreciation vouchers stay; those issued for the demo's vouchers go.
        m_db.execute(QStringLiteral("DELETE FROM Asnad WHERE WhatDoc NOT IN ('98', '99')"));
    }

    void makeAssets()
    {
        const DemoChart::Forms& forms = m_forms;
        const int count = std::max(0, m_options.assets);
        // Codes as the demo numbers them: the class digit, then the number within the
        // class; right-aligned to the column's width.
        QHash<QChar, int> perClass;
        m_assets.reserve(size_t(count));
        const int codeColumn = column(kAssets, QStringLiteral("DaraCod"));
        int digits = forms.asset - 1;
        for (int i = 0; i < count; ++i) {
            Asset a;
            a.model = m_random.between(0, int(m_models.size()) - 1);
            const QString modelCode = m_models.at(a.model).at(codeColumn).toString().trimmed();
            const QChar kind = modelCode.isEmpty() ? QLatin1Char('1') : modelCode.at(0);
            const int n = ++perClass[kind];
            QString number = QString::number(n);
            if (number.size() > digits)
                throw std::logic_error("too many assets of one class for the asset code width");
            a.code = DemoChart::RightAligned(
                kind + number.rightJustified(std::min(digits, 5), QLatin1Char('0')), forms.asset);
            a.condition = DemoChart::RightAligned(DemoNames::Condition::InUse, forms.condition);
            a.taxGroup =
                m_models.at(a.model).at(column(kAssets, QStringLiteral("VezCod"))).toString();
            m_assets.push_back(a);
        }
        // Bought in a random order.
        m_unbought.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            m_unbought.push_back(i);
        for (int i = count - 1; i > 0; --i)
            std::swap(m_unbought[size_t(i)], m_unbought[size_t(m_random.between(0, i))]);
    }

    void planAndWrite()
    {
        const qint64 total = std::max<qint64>(0, m_options.rows);
        const qint64 purchases = std::min<qint64>(total, qint64(m_assets.size()));
        QList<PlannedVoucher> plan;
        // The purchases fill the first fifth of the period.
        for (qint64 left = purchases; left > 0;) {
            const int rows =
                int(std::min<qint64>(left, std::min(m_largest, VoucherSize(m_random))));
            plan.append({kBuy, m_random.between(0, m_lastDay / 5), rows});
            left -= rows;
        }
        const QList<KindShare> shares = Shares();
        int weights = 0;
        for (const KindShare& s : shares)
            weights += s.weight;
        const qint64 others = total - purchases;
        qint64 given = 0;
        for (int k = 0; k < shares.size(); ++k) {
            const KindShare& s = shares.at(k);
            const qint64 quota =
                k + 1 == shares.size() ? others - given : others * s.weight / weights;
            given += quota;
            for (qint64 left = quota; left > 0;) {
                const int rows =
                    int(std::min<qint64>(left, std::min(m_largest, VoucherSize(m_random))));
                plan.append({s.table,
                             m_random.between(m_lastDay * s.from / 100, m_lastDay * s.to / 100),
                             rows});
                left -= rows;
            }
        }
        std::stable_sort(plan.begin(), plan.end(),
                         [](const PlannedVoucher& a, const PlannedVoucher& b) {
                             if (a.day != b.day)
                                 return a.day < b.day;
                             return KindRank(a.table) < KindRank(b.table);
                         });

        // Rows a voucher could not place (too few assets in the state its kind
        // needs) go to transfers on the days after the last voucher.
        qint64 shortfall = 0;
        for (const PlannedVoucher& v : plan)
            shortfall += v.rows - writeVoucher(v);
        for (int day = m_lastDay + 1; shortfall > 0 && !m_active.empty() && day <= m_endDay;
             ++day) {
            while (shortfall > 0) {
                const int placed =
                    writeVoucher({kTransfer, day, int(std::min<qint64>(shortfall, m_largest))});
                if (placed == 0)
                    break;
                shortfall -= placed;
            }
        }
    }

    // Writes one voucher of up to v.rows assets; answers the rows written.
    int writeVoucher(const PlannedVoucher& v)
    {
        const QDate date = m_first.addDays(v.day);
        std::vector<int> chosen;
        chosen.reserve(size_t(v.rows));
        if (v.table == kBuy) {
            while (int(chosen.size()) < v.rows && m_nextPurchase < m_unbought.size())
                chosen.push_back(m_unbought[m_nextPurchase++]);
        } else {
            Pool& pool = v.table == kSetAsideReturn ? m_setAside
                         : v.table == kScrapReturn  ? m_scrapped
                                                    : m_active;
            // A random asset of the pool whose last voucher came before this day;
            // taking it dates it today, so that it is not taken twice.
            int misses = 0;
            while (int(chosen.size()) < v.rows && !pool.empty() && misses < 64 + 8 * v.rows) {
                const int asset = pool.at(m_random.between(0, pool.size() - 1));
                if (m_assets[size_t(asset)].last >= date) {
                    ++misses;
                    continue;
                }
                m_assets[size_t(asset)].last = date;
                chosen.push_back(asset);
            }
        }
        if (chosen.empty())
            return 0;

        const DemoChart::Forms& forms = m_forms;
        const int number = ++m_numbers[v.table];
        const QString stored = forms.Voucher(number);
        const QString dateText = DateText(date);
        const QString user = m_random.chance(30) ? m_users.at(1) : m_users.at(0);
        const QString form = QString::number(m_random.between(1000, 99999));
        // The returns from retirement have the retirement's columns.
        const QList<QVariantList>& templates =
            m_templates[v.table].isEmpty() &&
                    (v.table == kSetAsideReturn || v.table == kScrapReturn)
                ? m_templates[kSetAside]
                : m_templates[v.table];
        const QStringList columns = ColumnNames(v.table);
        BulkInsert& out = writer(v.table);
        int raj = 0;
        for (int asset : chosen) {
            Asset& a = m_assets[size_t(asset)];
            QVariantList row = templates.isEmpty()
                                   ? QVariantList(columns.size(), QString(QLatin1String("")))
                                   : templates.at(m_random.between(0, int(templates.size()) - 1));
            const auto set = [&](const QString& name, const QVariant& value) {
                row[column(v.table, name)] = value;
            };
            set(QStringLiteral("SanadNoAmval"), stored);
            set(QStringLiteral("Raj"), ++raj);
            set(QStringLiteral("User_Name"), user);
            set(QStringLiteral("sDate"), dateText);
            set(QStringLiteral("DaraCod"), a.code);
            set(QStringLiteral("Bargeh"), form);
            moveAsset(v.table, asset, date, row, set);
            out.add(row);
        }
        ++m_vouchers;

        // The action log the window's OK leaves, and now and then an accounting
        // voucher issued for it (which makes it read-only in its window).
        const VoucherKind* kind = FindVoucherKindByTable(v.table);
        writer(kActions).add({QString(QLatin1String("")), QStringLiteral("A"), kind->actionLabel,
                              stored, user, QStringLiteral("I"), dateText,
                              QStringLiteral("%1:%2:%3")
                                  .arg(m_random.between(8, 16))
                                  .arg(m_random.between(0, 59), 2, 10, QLatin1Char('0'))
                                  .arg(m_random.between(0, 59), 2, 10, QLatin1Char('0')),
                              QString(QLatin1String("")), QString(QLatin1String("")),
                              QString(QLatin1String("")), QStringLiteral("AMV1_")});
        if (number % 97 == 3)
            m_issued.append({kind->whatDoc, stored, dateText, user});
        return int(chosen.size());
    }

    // The row's own columns, and what the voucher does to the asset.
    template <typename Set>
    void moveAsset(const QString& table, int asset, const QDate& date, QVariantList& row, Set set)
    {
        const DemoChart::Forms& forms = m_forms;
        Asset& a = m_assets[size_t(asset)];
        const auto condition = [&](const QString& code) {
            a.condition = DemoChart::RightAligned(code, forms.condition);
        };
        if (table == kBuy) {
            a.bought = date;
            a.last = date;
            m_active.add(asset);
            // One to three cost components; the cost is their sum.
            const int parts = m_random.between(1, 3);
            double total = 0;
            for (int p = 0; p < parts && p < m_components.size(); ++p) {
                const double amount = double(m_random.between(5, 900)) * 1e5;
                total += amount;
                writer(kComponents)
                    .add({row.at(column(table, QStringLiteral("SanadNoAmval"))), a.code,
                          m_components.at(p).at(0), amount});
            }
            set(QStringLiteral("EndFee"), total);
            set(QStringLiteral("Esshat"), std::round(total * 0.05 / 1e4) * 1e4);
            return;
        }
        if (table == kSale || table == kScrap) {
            m_active.remove(asset);
            a.gone = true;
            condition(table == kSale ? DemoNames::Condition::Sold : DemoNames::Condition::Scrapped);
            if (table == kScrap && m_random.chance(20))
                m_scrapped.add(asset);
        } else if (table == kScrapReturn) {
            m_scrapped.remove(asset);
            condition(DemoNames::Condition::InUse);
        } else if (table == kSetAside) {
            m_active.remove(asset);
            m_setAside.add(asset);
            condition(DemoNames::Condition::SetAside);
            set(QStringLiteral("VazCod"), a.condition);
        } else if (table == kSetAsideReturn) {
            m_setAside.remove(asset);
            m_active.add(asset);
            condition(DemoNames::Condition::InUse);
            set(QStringLiteral("VazCod"), a.condition);
        } else if (table == kTaxGroupChange) {
            QString next = a.taxGroup;
            while (next == a.taxGroup)
                next = m_taxGroups.at(m_random.between(0, int(m_taxGroups.size()) - 1));
            set(QStringLiteral("OldVezCod"), a.taxGroup);
            set(QStringLiteral("NewVezCod"), next);
            a.taxGroup = next;
        } else if (table == kAdjustment) {
            set(QStringLiteral("DaraNam"),
                m_models.at(a.model).at(column(kAssets, QStringLiteral("DaraNam"))));
        } else if (table == kMethodChange) {
            set(QStringLiteral("StartDate"), DateText(date));
        }
    }

    void writeAssets()
    {
        const QStringList columns = ColumnNames(kAssets);
        BulkInsert& out = writer(kAssets);
        for (const Asset& a : m_assets) {
            QVariantList row = m_models.at(a.model);
            const auto set = [&](const QString& name, const QVariant& value) {
                row[int(columns.indexOf(name))] = value;
            };
            set(QStringLiteral("DaraCod"), a.code);
            // The model's tax-return group, which the asset's group changes start from.
            set(QStringLiteral("VazCod"), a.condition);
            // Bought in this period: neither cost nor depreciation carried into it.
            set(QStringLiteral("EndValue"), 0.0);
            set(QStringLiteral("Anbashteh"), 0.0);
            set(QStringLiteral("Esshat"), 0.0);
            const QString bought = a.bought.isValid() ? DateText(a.bought) : QString();
            set(QStringLiteral("BuyDate"), bought.isEmpty() ? QString(QLatin1String("")) : bought);
            // Put into use on the day of its purchase; an asset still to be bought at
            // the end of the period.
            set(QStringLiteral("BahreDate"),
                bought.isEmpty() ? DateText(m_first.addDays(m_lastDay + 40)) : bought);
            set(QStringLiteral("GarantiEnd"), QString(QLatin1String("")));
            // Registered with the model's holder, place, cost centre and life, in use;
            // the register is recomputed from there once every voucher is written.
            const auto value = [&](const QString& name) {
                return row.at(int(columns.indexOf(name)));
            };
            set(QStringLiteral("FirstPersonelCod"), value(QStringLiteral("PersonelCod")));
            set(QStringLiteral("FirstMakanCod"), value(QStringLiteral("MakanCod")));
            set(QStringLiteral("FirstTafsily2"), value(QStringLiteral("Tafsily2")));
            set(QStringLiteral("FirstSalianeh"), value(QStringLiteral("Salianeh")));
            set(QStringLiteral("FirstRaveshEst"), value(QStringLiteral("RaveshEst")));
            set(QStringLiteral("FirstNozooli"), value(QStringLiteral("Nozooli")));
            set(QStringLiteral("FirstVezCod"), value(QStringLiteral("VezCod")));
            set(QStringLiteral("FirstAnbashteh"), 0.0);
            set(QStringLiteral("FirstEsshat"), 0.0);
            set(QStringLiteral("FirstKenarDate"), QString(QLatin1String("")));
            set(QStringLiteral("KenarDate"), QString(QLatin1String("")));
            set(QStringLiteral("AsaseChangeValue"), 0.0);
            set(QStringLiteral("TadilValue"), 0.0);
            set(QStringLiteral("ReduceValue"), 0.0);
            out.add(row);
        }
    }

public:
    struct Issued
    {
        QString whatDoc;
        QString number;
        QString date;
        QString user;
    };
    QList<Issued> m_issued;

private:
    DbConnection& m_db;
    LargeCompanyOptions m_options;
    Random m_random;
    QDate m_first;
    int m_lastDay = 0;
    int m_endDay = 0;
    int m_largest = 2000;
    QList<QVariantList> m_models;
    QHash<QString, QList<QVariantList>> m_templates;
    QList<QVariantList> m_components;
    QStringList m_users;
    QStringList m_taxGroups;
    std::vector<Asset> m_assets;
    std::vector<int> m_unbought;
    size_t m_nextPurchase = 0;
    std::vector<int> m_poolSlot;
    Pool m_active;
    Pool m_setAside;
    Pool m_scrapped;
    QHash<QString, int> m_numbers;
    QHash<QString, int> m_columnIndex;
    DemoChart::Forms m_forms;
    qint64 m_vouchers = 0;
    QMap<QString, std::shared_ptr<BulkInsert>> m_writers;
};

} // namespace

const QStringList& LargeCompanyVoucherTables()
{
    static const QStringList tables{
        kBuy,      kSale,        kScrap,        kSetAside,  kSetAsideReturn, kScrapReturn,
        kTransfer, kImprovement, kMethodChange, kReduction, kAdjustment,     kTaxGroupChange};
    return tables;
}

LargeCompanySummary CreateLargeCompany(const QString& place, const LargeCompanyOptions& options)
{
    QElapsedTimer timer;
    timer.start();
    QString year = options.currentYear.trimmed();
    if (year.isEmpty())
        year = QString::number(Jalali().partsFromDate(QDate::currentDate()).year);
    CreateDemoCompany(place, {.currentYear = year});

    const QString company = QStringLiteral("1");
    std::unique_ptr<DbConnection> db = DatabaseFolder(place).openCompany(company, year, false);
    if (!db)
        throw DatabaseError(QStringLiteral("the company's current period did not open"), place);
    LargeCompanySummary summary;
    {
        Transaction transaction(*db);
        Generator generator(*db, options, year);
        summary = generator.run();
        // The accounting vouchers issued for a few vouchers, as the procedure issues
        // them when the window's OK asks for one.
        for (const Generator::Issued& issued : std::as_const(generator.m_issued)) {
            CompanyProcedures::IssueAccountingVoucher(
                *db, {issued.whatDoc, QString(), issued.number, issued.date, company, issued.user});
        }
        transaction.commit();
    }
    summary.company = company;
    summary.year = year;
    summary.milliseconds = timer.elapsed();
    // A server would take the new rows' statistics and visibility in the background,
    // in the middle of whatever is measured next: the tables written take them now, as
    // after any bulk load.
    if (db->isServer()) {
        for (const QString& table :
             LargeCompanyVoucherTables() + QStringList{kAssets, kActions, kComponents})
            db->execute(QStringLiteral("VACUUM (ANALYZE) ") + SqlIdent(table));
    }
    return summary;
}
