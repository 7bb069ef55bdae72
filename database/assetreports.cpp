#include "assetreports.h"
#include "assetregister_p.h"

#include "assetregister.h"
#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>
#include <map>

namespace AssetReports {

namespace {

const QString kCardProcedure = QStringLiteral("sp_D_Amval_Card");
const QString kLedgerProcedure = QStringLiteral("sp_D_Amval_LedgerCheck");

void Require(const QString& procedure, const QStringList& arguments, int count)
{
    if (arguments.size() < count)
        throw DatabaseError(QStringLiteral("%1 expects %2 arguments, %3 given.")
                                .arg(procedure)
                                .arg(count)
                                .arg(arguments.size()),
                            procedure);
}

// Where a voucher row stands among an asset's rows, in the order the register applies
// them.
struct OrderKey
{
    QString date;
    int order = 0;
    AssetRegister::Internal::NumberOrder number;
    int raj = 0;
    int dayOrder() const { return order; }
};

OrderKey KeyOf(const QString& table, const QString& number, const QString& date, int raj)
{
    const VoucherKind* kind = FindVoucherKindByTable(table);
    return {date, kind != nullptr ? kind->dayOrder : 0,
            AssetRegister::Internal::NumberOrder::Of(number), raj};
}

bool Before(const OrderKey& a, const OrderKey& b)
{
    return AssetRegister::Internal::AppliesBefore(a, b);
}

// The kinds that touch an asset without moving its record: the sale and the
// permanent retirement end its life; a count found it where it was.
const QStringList& UnmovingTables()
{
    static const QStringList tables{QStringLiteral("D_ForoshDaymeh"), QStringLiteral("D_KenarD"),
                                    QStringLiteral("D_Gardani")};
    return tables;
}

QString WhatDocOf(const QString& table)
{
    const VoucherKind* kind = FindVoucherKindByTable(table);
    return kind != nullptr ? kind->whatDoc : QString();
}

// The company's setting `key` of Options.Dara ("" when absent).
QString AssetSetting(DbConnection& connection, const QString& key)
{
    QSqlQuery q = connection.select(QStringLiteral("SELECT \"Dara\" FROM \"Options\""));
    while (q.next()) {
        for (const QString& setting : q.value(0).toString().split(QLatin1Char(';'))) {
            const qsizetype equals = setting.indexOf(QLatin1Char('='));
            if (equals > 0 && setting.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
                return setting.mid(equals + 1).trimmed().toUpper();
        }
    }
    return QString();
}

} // namespace

ProcedureResult AssetCard(DbConnection& connection, const QStringList& arguments)
{
    Require(kCardProcedure, arguments, 1);
    const QString code = CompanyProcedures::Unquoted(arguments.at(0));
    ProcedureResult result;
    result.columns = {
        QStringLiteral("IDX"),          QStringLiteral("TableNam"), QStringLiteral("WhatDoc"),
        QStringLiteral("SanadNoAmval"), QStringLiteral("sDate"),    QStringLiteral("Raj"),
        QStringLiteral("Moved"),        QStringLiteral("Cost"),     QStringLiteral("Anbashteh")};
    if (code.trimmed().isEmpty())
        return result;
    const AssetRegister::AssetHistory history = AssetRegister::History(connection, code);
    if (!history.found)
        return result;

    struct Line
    {
        OrderKey key;
        QString table;
        QString number;
        QString date;
        int raj = 0;
        QString moved;
        bool figures = false; // false: the figures stay as the line before leaves them
        double cost = 0;
        double accumulated = 0;
    };
    std::vector<Line> lines;
    for (const AssetRegister::AppliedRow& r : history.rows) {
        QStringList moved;
        for (const QStringList& m : r.moved)
            moved << m.join(QLatin1Char('\t'));
        lines.push_back({KeyOf(r.table, r.number, r.date, r.row), r.table, r.number, r.date, r.row,
                         moved.join(QLatin1Char('\n')), true, r.cost, r.accumulated});
    }
    const QString bare = code.trimmed();
    const QString stored = CompanyProcedures::StoredForm(connection, QStringLiteral("D_Amval"),
                                                         QStringLiteral("DaraCod"), bare);
    for (const QString& table : UnmovingTables()) {
        // A count has one row an asset, without row numbers.
        const VoucherKind* kind = FindVoucherKindByTable(table);
        const bool numbered = kind == nullptr || kind->numberedRows;
        QSqlQuery q =
            connection.select(QStringLiteral("SELECT \"SanadNoAmval\", ") +
                                  (numbered ? QStringLiteral("\"Raj\"") : QStringLiteral("0")) +
                                  QStringLiteral(", \"sDate\" FROM ") + SqlIdent(table) +
                                  QStringLiteral(" WHERE \"DaraCod\" IN (?, ?)"),
                              {stored, bare});
        while (q.next()) {
            const QString number = q.value(0).toString().trimmed();
            const int raj = q.value(1).toInt();
            const QString date = q.value(2).toString();
            lines.push_back({KeyOf(table, number, date, raj), table, number, date, raj, {}, false});
        }
    }
    // The register's rows are in its order already; the others take their places.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return Before(a.key, b.key); });

    result.rows << QVariantList{0,         QString(),           QString(),
                                QString(), QString(),           0,
                                QString(), history.openingCost, history.openingAccumulated};
    double cost = history.openingCost;
    double accumulated = history.openingAccumulated;
    int index = 0;
    for (const Line& line : lines) {
        if (line.figures) {
            cost = line.cost;
            accumulated = line.accumulated;
        }
        result.rows << QVariantList{++index,     line.table, WhatDocOf(line.table),
                                    line.number, line.date,  line.raj,
                                    line.moved,  cost,       accumulated};
    }
    return result;
}

ProcedureResult LedgerCheck(DbConnection& connection, const QStringList& arguments)
{
    Require(kLedgerProcedure, arguments, 3);
    const QString part = CompanyProcedures::Unquoted(arguments.at(0)).trimmed().toUpper();
    const QString start = CompanyProcedures::Unquoted(arguments.at(1)).trimmed();
    const QString end = CompanyProcedures::Unquoted(arguments.at(2)).trimmed();
    const auto accountOf = [](const QVariant& koll, const QVariant& moein) {
        return std::pair<QString, QString>{koll.toString().trimmed(), moein.toString().trimmed()};
    };
    using Account = std::pair<QString, QString>;

    // Each asset's account and its whole cost: what it was registered with, its
    // purchases, adjustments and improvements, less its reductions. A sale or a
    // permanent retirement takes that cost off the account, a return puts it back.
    struct Asset
    {
        Account account;
        double cost = 0;
    };
    QHash<QString, Asset> assets;
    std::map<Account, double> books;
    {
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT \"DaraCod\", \"Koll\", \"Moein\", COALESCE(\"EndValue\", 0), "
                           "COALESCE(\"TadilValue\", 0) + COALESCE(\"AsaseChangeValue\", 0) - "
                           "COALESCE(\"ReduceValue\", 0) FROM \"D_Amval\""));
        while (q.next()) {
            const Account account = accountOf(q.value(1), q.value(2));
            assets.insert(q.value(0).toString().trimmed(),
                          {account, q.value(3).toDouble() + q.value(4).toDouble()});
            // The registered cost came from earlier periods' books.
            books[account] += q.value(3).toDouble();
        }
    }
    {
        QSqlQuery q = connection.select(QStringLiteral(
            "SELECT trim(\"DaraCod\"), SUM(\"EndFee\") FROM \"D_Buy_Create\" GROUP BY "
            "trim(\"DaraCod\")"));
        while (q.next()) {
            const auto it = assets.find(q.value(0).toString());
            if (it != assets.end())
                it->cost += q.value(1).toDouble();
        }
    }
    // The accounting vouchers this module issued, and the saves a window logged.
    // Each as "kind<TAB>number".
    const auto vouchers = [&connection](const QString& sql) {
        QSet<QString> keys;
        QSqlQuery q = connection.select(sql);
        while (q.next())
            keys.insert(q.value(0).toString().trimmed() + QLatin1Char('\t') +
                        q.value(1).toString());
        return keys;
    };
    const QSet<QString> issued =
        vouchers(QStringLiteral("SELECT \"WhatDoc\", trim(\"Document\") FROM \"Asnad\" WHERE "
                                "\"TypeSys\" = 'D' AND ltrim(\"DocToDate\") = '1'"));
    const QSet<QString> logged = vouchers(
        QStringLiteral("SELECT \"SectionNam\", trim(\"ActSanadNo\") FROM \"D_Asnad_Actions\" "
                       "WHERE \"ActType\" IN ('I', 'E')"));
    const bool instant =
        AssetSetting(connection, QStringLiteral("SANAD_TIME")) == QLatin1String("ANE");

    // The rows that move cost: the amount each moves, or the asset's whole cost.
    struct Source
    {
        QString table;
        QString amount; // "" for the whole cost
        double sign;
    };
    const Source sources[] = {
        {QStringLiteral("D_Buy_Create"), QStringLiteral("\"EndFee\""), 1},
        {QStringLiteral("D_FirstTadil"), QStringLiteral("\"sValue\""), 1},
        {QStringLiteral("D_AsaseChange"), QStringLiteral("\"sValue\""), 1},
        {QStringLiteral("D_DaraeReduce"), QStringLiteral("\"ArzeshReduce\""), -1},
        {QStringLiteral("D_ForoshDaymeh"), QString(), -1},
        {QStringLiteral("D_KenarD"), QString(), -1},
        {QStringLiteral("D_BarKenarD"), QString(), 1},
    };
    struct Open
    {
        QString table;
        QString whatDoc;
        QString number;
        QString date;
        Account account;
        double amount = 0;
        QString reason;
    };
    std::map<std::pair<QString, Account>, Open> open; // by kind, number and account
    for (const Source& s : sources) {
        const VoucherKind* kind = FindVoucherKindByTable(s.table);
        if (kind == nullptr)
            continue;
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT trim(\"DaraCod\"), trim(\"SanadNoAmval\"), \"sDate\", ") +
            (s.amount.isEmpty() ? QStringLiteral("0")
                                : QStringLiteral("COALESCE(") + s.amount + QStringLiteral(", 0)")) +
            QStringLiteral(" FROM ") + SqlIdent(s.table));
        while (q.next()) {
            const auto asset = assets.constFind(q.value(0).toString());
            if (asset == assets.cend())
                continue;
            const QString number = q.value(1).toString();
            const double amount =
                s.sign * (s.amount.isEmpty() ? asset->cost : q.value(3).toDouble());
            if (issued.contains(kind->whatDoc + QLatin1Char('\t') + number)) {
                books[asset->account] += amount;
                continue;
            }
            Open& o = open[{kind->whatDoc + QLatin1Char('\t') + number, asset->account}];
            if (o.table.isEmpty()) {
                const QString date = q.value(2).toString();
                o = {s.table, kind->whatDoc, number, date, asset->account, 0, QString()};
                if (date < start || date > end)
                    o.reason = QStringLiteral("CARRIED");
                else if (instant && kind->assetCardsFirst.isEmpty() &&
                         logged.contains(kind->actionLabel.trimmed() + QLatin1Char('\t') + number))
                    o.reason = QStringLiteral("DELETED");
                else
                    o.reason = QStringLiteral("NEW");
            }
            o.amount += amount;
        }
    }

    ProcedureResult result;
    if (part == QLatin1String("VOUCHERS")) {
        result.columns = {QStringLiteral("WhatDoc"),      QStringLiteral("TableNam"),
                          QStringLiteral("SanadNoAmval"), QStringLiteral("sDate"),
                          QStringLiteral("Koll"),         QStringLiteral("Moein"),
                          QStringLiteral("Amount"),       QStringLiteral("Reason")};
        std::vector<const Open*> listed;
        for (const auto& entry : open)
            listed.push_back(&entry.second);
        std::stable_sort(listed.begin(), listed.end(), [](const Open* a, const Open* b) {
            if (a->account != b->account)
                return a->account < b->account;
            return Before(KeyOf(a->table, a->number, a->date, 0),
                          KeyOf(b->table, b->number, b->date, 0));
        });
        for (const Open* o : listed)
            result.rows << QVariantList{o->whatDoc,       o->table,          o->number, o->date,
                                        o->account.first, o->account.second, o->amount, o->reason};
        return result;
    }
    if (part != QLatin1String("ACCOUNTS"))
        throw DatabaseError(QStringLiteral("%1: unknown part '%2'.").arg(kLedgerProcedure, part),
                            kLedgerProcedure);

    // The register's cost of the assets it holds, by the register's own rule.
    std::map<Account, double> held;
    {
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT A.\"Koll\", A.\"Moein\", SUM(") +
            AssetRegister::HeldAssetCost() + QStringLiteral(") ") +
            AssetRegister::HeldAssetsFrom([](const QString& table) { return SqlIdent(table); }) +
            QStringLiteral(" GROUP BY A.\"Koll\", A.\"Moein\""));
        while (q.next())
            held[accountOf(q.value(0), q.value(1))] += q.value(2).toDouble();
    }
    QHash<QString, QString> names;
    {
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT \"Koll\", \"Moein\", \"NamHesab\" FROM \"Moein\""));
        while (q.next())
            names.insert(q.value(0).toString().trimmed() + QLatin1Char('\t') +
                             q.value(1).toString().trimmed(),
                         q.value(2).toString().trimmed());
    }
    std::map<Account, bool> accounts;
    for (const auto& [account, value] : held)
        accounts[account] = true;
    for (const auto& [account, value] : books)
        accounts[account] = true;
    result.columns = {QStringLiteral("Koll"),      QStringLiteral("Moein"),
                      QStringLiteral("NamHesab"),  QStringLiteral("RegisterCost"),
                      QStringLiteral("BooksCost"), QStringLiteral("Difference")};
    for (const auto& [account, unused] : accounts) {
        const double registered = held.count(account) ? held.at(account) : 0.0;
        const double booked = books.count(account) ? books.at(account) : 0.0;
        result.rows << QVariantList{account.first,
                                    account.second,
                                    names.value(account.first + QLatin1Char('\t') + account.second),
                                    registered,
                                    booked,
                                    registered - booked};
    }
    return result;
}

void Register(CompanyProcedures& procedures)
{
    procedures.add(kCardProcedure, &AssetCard);
    procedures.add(kLedgerProcedure, &LedgerCheck);
}

} // namespace AssetReports
