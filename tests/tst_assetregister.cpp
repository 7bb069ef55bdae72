// The asset register following its vouchers: an asset's record after saves, edits and
// deletes of the vouchers that move or revalue it (in any order, in the middle of its
// history), compared with a company where the same vouchers were always as they end;
// opening values kept; a save waiting for another clerk's; the return from permanent
// retirement under its own kind code; the fold and the engine's statements giving
// the same records.

#include "assetregister.h"
#include "companyprocedures.h"
#include "databasefolder.h"
#include "democompany.h"
#include "dialect.h"
#include "largecompany.h"
#include "schema.h"
#include "sqlcheck.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"
#include "voucherkinds.h"

#include <QSet>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

namespace {

const QString kAssetA = QStringLiteral("  1001");
const QString kAssetB = QStringLiteral("  1002");

const auto& Kind = VoucherKindOf;

// One voucher row: the asset, the date, and the kind's own columns.
struct VoucherRow
{
    QString asset;
    QString date;
    QVariantMap columns;
};

// A clerk at work: a connection of his own and the posting procedures.
class Clerk
{
public:
    Clerk(const QString& place, const QString& name)
        : m_db(std::make_unique<DbConnection>(place, name, DbConnection::OpenMode::Existing))
    {
        if (!m_db->isOpen())
            throw m_db->openFailure();
        m_db->setProcedures(&m_procedures);
    }

    DbConnection& db() { return *m_db; }

    // Voucher `number` of `kind` saved with `rows` the way a window saves it: loaded
    // into its transaction table, rows written there, saved. "NEW" takes the next free
    // number when `number` is taken; without it the rows replace the stored voucher.
    QString save(const VoucherKind& kind, const QString& number, const QList<VoucherRow>& rows,
                 bool asNew = false)
    {
        const QString trans = "##REG_" + kind.table;
        m_db->callProcedure(kind.procedure, {trans, number, "DB->TRANS"});
        m_db->execute("DELETE FROM " + SqlIdent(trans));
        int raj = 0;
        for (const VoucherRow& row : rows) {
            QStringList columns{"SanadNoAmval", "Raj", "sDate", "DaraCod"};
            QVariantList values{number, ++raj, row.date, row.asset};
            for (auto it = row.columns.cbegin(); it != row.columns.cend(); ++it) {
                columns << it.key();
                values << it.value();
            }
            m_db->execute("INSERT INTO " + SqlIdent(trans) + " (" + columns.join(", ") +
                              ") VALUES (" + QStringList(values.size(), "?").join(", ") + ')',
                          values);
        }
        QStringList arguments{trans, number, "TRANS->DB"};
        if (asNew)
            arguments << "@Expect=NEW";
        const ProcedureResult saved = m_db->callProcedure(kind.procedure, arguments);
        if (saved.value("RetState").toString() != "1")
            throw DatabaseError(saved.value("ErrorText").toString(), kind.table);
        return saved.value("SanadNoAmval").toString();
    }

    void remove(const VoucherKind& kind, const QString& number)
    {
        m_db->callProcedure(kind.procedure, {QString(), number, "DELETE"});
    }

    // The followed columns of an asset's record: holder, location, cost centre, out of
    // use since, cost (registered plus improvements), useful life (years, two
    // decimals); or, `opening`, the values they are recomputed from.
    QString record(const QString& asset, bool opening = false)
    {
        return read(asset,
                    QStringLiteral("TRIM(%1PersonelCod), TRIM(%1MakanCod), %1Tafsily2, "
                                   "%1KenarDate, EndValue + %2, %1Salianeh")
                        .arg(opening ? "First" : "", opening ? "0" : "AsaseChangeValue"),
                    {{4, 2}, {5, 2}});
    }

    // What the revaluing vouchers follow, as "method|rate|life|group|cost|accumulated
    // depreciation|salvage value" (amounts to the rial, rate and life to 1/100); the
    // cost with the cost price of the asset's purchase.
    QString valuation(const QString& asset)
    {
        return read(asset,
                    "TRIM(RaveshEst), Nozooli, Salianeh, TRIM(VezCod), EndValue + COALESCE((SELECT "
                    "SUM(B.EndFee) FROM D_Buy_Create B WHERE B.DaraCod = A.DaraCod), 0) + "
                    "TadilValue + AsaseChangeValue - ReduceValue, Anbashteh, Esshat",
                    {{1, 2}, {2, 2}, {4, 0}, {5, 0}, {6, 0}});
    }

private:
    // `columns` of the asset's record joined by "|", the numbers at the positions of
    // `decimals` written with that many decimals.
    QString read(const QString& asset, const QString& columns, const QMap<int, int>& decimals)
    {
        QStringList r =
            StoredRow(*m_db, "SELECT " + columns + " FROM D_Amval A WHERE DaraCod = ?", {asset});
        if (r.isEmpty())
            return QStringLiteral("<no record>");
        for (auto it = decimals.cbegin(); it != decimals.cend(); ++it)
            r[it.key()] = QString::number(r.at(it.key()).toDouble(), 'f', it.value());
        return r.join(QLatin1Char('|'));
    }

    CompanyProcedures m_procedures;
    std::unique_ptr<DbConnection> m_db;
};

// Every column of every record of the register, in code order; a value as its text,
// NULL as such.
QList<QStringList> Register(DbConnection& db)
{
    return StoredRows(db, QStringLiteral("SELECT * FROM D_Amval ORDER BY DaraCod"), {},
                      QStringLiteral("NULL"));
}

QVariantMap Transfer(const QString& person, const QString& place, const QString& centre)
{
    return {{"PersonelCod", person.rightJustified(5)},
            {"MakanCod", place.rightJustified(4)},
            {"Tafsily2", centre},
            {"AmvalDes", QStringLiteral("تحويل به 'انبار' ك/ی")},
            {"Bargeh", "11"}};
}

QVariantMap Place(const QString& place, const QString& centre)
{
    return {{"MakanCod", place.rightJustified(4)}, {"Tafsily2", centre}, {"Bargeh", "12"}};
}

QVariantMap Improvement(double amount, int increase)
{
    return {{"sValue", amount}, {"NewMesureValue", increase}, {"Bargeh", "13"}};
}

const QString kStraight = QStringLiteral("مستقيم");
const QString kDeclining = QStringLiteral("نزولي");

// A method/estimate change in force from `start`; the new life in the company's unit.
QVariantMap MethodChange(const QString& start, const QString& method, double rate, double life)
{
    return {{"StartDate", start},
            {"RaveshEst", method},
            {"FeeEst", rate},
            {"NewOmer", life},
            {"Bargeh", "14"}};
}

QVariantMap Reduction(double reduced, double salvageAfter)
{
    return {{"ArzeshReduce", reduced}, {"ArzeshAsgat", salvageAfter}, {"Bargeh", "15"}};
}

// A tax-return group change naming another holder, place and cost centre too.
QVariantMap GroupChange(const QString& from, const QString& to)
{
    QVariantMap row = Transfer("109", "9", "00009");
    row.insert("OldVezCod", from.rightJustified(3));
    row.insert("NewVezCod", to.rightJustified(3));
    return row;
}

} // namespace

class TestAssetRegister : public QObject
{
    Q_OBJECT

    TestPlace m_place;
    int m_databases = 0;

    // A new company database with assets A and B registered (holder 101, location 1,
    // cost centre 00001, cost 50,000,000, straight line over 10 years, 10,000,000
    // depreciated, salvage 2,500,000 and tax-return group 1 for A; B at 102, 2, 00002,
    // 2,000,000 over 5 years) and the useful-life setting `lifeUnit`.
    QString newCompany(const QString& lifeUnit = QStringLiteral("ماهانه"))
    {
        const QString name = QStringLiteral("ZELMORA_%1_1405").arg(++m_databases);
        auto db = m_place.open(name);
        Schema::CreateCompanySchema(*db);
        db->execute(QStringLiteral("INSERT INTO Options (sCode, Dara) VALUES ('11405', ?)"),
                    {QStringLiteral("TYPEDARACOD=NUM;Ast_Mesure=") + lifeUnit +
                     QStringLiteral(";SANAD_TIME=END;")});
        const QString assets = QStringLiteral(
            "INSERT INTO D_Amval (DaraCod, DaraNam, PersonelCod, MakanCod, Tafsily2, EndValue, "
            "Salianeh, BahreDate, RaveshEst, Anbashteh, Esshat, VezCod) VALUES (?, ?, ?, ?, ?, "
            "?, ?, '1404/01/01', ?, ?, ?, ?)");
        db->execute(assets, {kAssetA, QStringLiteral("ميز 'مدير'"), QStringLiteral("  101"),
                             QStringLiteral("   1"), "00001", 5e7, 10, kStraight, 1e7, 2.5e6,
                             QStringLiteral("  1")});
        db->execute(assets, {kAssetB, QStringLiteral("صندلی"), QStringLiteral("  102"),
                             QStringLiteral("   2"), "00002", 2e6, 5, kStraight, 0, 1e5,
                             QStringLiteral("  1")});
        return name;
    }

    std::unique_ptr<Clerk> clerk(const QString& name)
    {
        return std::make_unique<Clerk>(m_place.location(), name);
    }

    // `other`'s saves made by a second clerk on a connection of his own while the
    // transaction `holding` of `name`'s first clerk holds on: until they wait (the
    // server names its waiting sessions; the embedded engine tells the connection while
    // it waits) or end, then `holding` commits. Returns what failed of them.
    QString whileHolding(const QString& name, Transaction& holding,
                         const std::function<void(Clerk&)>& other)
    {
        std::atomic<bool> waitedHere = false;
        QString failure;
        std::unique_ptr<QThread> thread(QThread::create([&] {
            try {
                Clerk c(m_place.location(), name);
                c.db().setBusyLimit(120000);
                c.db().setWaitObserver([&](const QString&, int ms) {
                    if (ms > 0)
                        waitedHere = true;
                });
                other(c);
            } catch (const std::exception& e) {
                failure = QString::fromUtf8(e.what());
            }
        }));
        thread->start();
        auto watcher = m_place.open(name);
        const auto waiting = [&] {
            if (!TestPlace::OnServer())
                return waitedHere.load();
            QSqlQuery q = watcher->select(QStringLiteral(
                "SELECT COUNT(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"));
            return q.next() && q.value(0).toInt() > 0;
        };
        const QDeadlineTimer deadline(60000);
        while (!waiting() && !deadline.hasExpired() && !thread->isFinished())
            QThread::msleep(20);
        const bool waited = waiting();
        holding.commit();
        if (!thread->wait(QDeadlineTimer(120000)))
            return QStringLiteral("the second clerk's save did not end");
        return waited ? failure : QStringLiteral("the second clerk's save did not wait");
    }

private slots:
    // The two ways of the recompute give the same register, every column of every
    // record: over the demo company and a generated one with every kind of voucher,
    // for every asset or a third of them (named without their padding), from a
    // register as its vouchers make it (neither changes it), from records whose
    // followed columns were moved off their vouchers' values or emptied, and from
    // records whose opening values are missing.
    void foldAndStatementsAgree_data()
    {
        QTest::addColumn<bool>("generated");
        QTest::addColumn<bool>("some");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("carried");
        // Whether the damage comes before the register is made (it is then part of it).
        QTest::addColumn<bool>("first");
        QTest::addColumn<QString>("year");
        const QString current = QStringLiteral("1405");
        const QString moved = QStringLiteral(
            "UPDATE D_Amval SET PersonelCod = 'x', MakanCod = NULL, KenarDate = '1400/01/01', "
            "RaveshEst = NULL, VezCod = '9', AsaseChangeValue = AsaseChangeValue + 1, TadilValue "
            "= NULL, ReduceValue = 7, Salianeh = Salianeh + 0.5, Nozooli = NULL, Anbashteh = "
            "Anbashteh + 3, Esshat = 1, Tafsily2 = ''");
        const QString openings = QStringLiteral(
            "UPDATE D_Amval SET FirstPersonelCod = NULL, FirstMakanCod = NULL, FirstKenarDate = "
            "NULL, FirstSalianeh = NULL, FirstAnbashteh = NULL, FirstEsshat = NULL, "
            "FirstRaveshEst = NULL");
        // Depreciated before the period, by amounts that leave fractions of a rial when
        // a reduction takes its share.
        const QString depreciated = QStringLiteral(
            "UPDATE D_Amval SET FirstAnbashteh = CAST(trim(DaraCod) AS INTEGER) * 1234.567 + 0.5");
        const std::pair<const char*, QString> damages[] = {{"as made", QString()},
                                                           {"moved", moved},
                                                           {"openings missing", openings},
                                                           {"depreciated", depreciated}};
        for (const bool generated : {false, true})
            for (const bool some : {false, true})
                for (const auto& [what, damage] : damages)
                    QTest::addRow("%s, %s, %s", generated ? "generated" : "demo",
                                  some ? "a third" : "all", what)
                        << generated << some << damage << QString() << false << current;
        // The demo's period before, whose register is made the same way.
        QTest::addRow("demo 1404, all, as made")
            << false << false << QString() << QString() << false << QStringLiteral("1404");
        // A table's rows carried into a register that followed the others: what they
        // make a difference to recomputed alone, the rest left as it is. With openings
        // missing, the whole record.
        for (const QString& table : AssetRegister::FollowedTables() + QStringList{"D_Buy_Create"})
            QTest::addRow("generated, carried %s", qPrintable(table))
                << true << false << depreciated << table << true << current;
        QTest::addRow("generated, carried D_Tahvil_Antegal, openings missing")
            << true << false << openings << QStringLiteral("D_Tahvil_Antegal") << false << current;
    }

    void foldAndStatementsAgree()
    {
        QFETCH(bool, generated);
        QFETCH(bool, some);
        QFETCH(QString, damage);
        QFETCH(QString, carried);
        QFETCH(bool, first);
        QFETCH(QString, year);
        // One company of each kind, made once.
        static TestPlace demoPlace;
        static TestPlace largePlace;
        static bool made[2] = {false, false};
        const TestPlace& place = generated ? largePlace : demoPlace;
        if (!made[generated]) {
            if (generated)
                CreateLargeCompany(place.location(),
                                   {.assets = 400, .rows = 5000, .seed = 7, .currentYear = "1405"});
            else
                CreateDemoCompany(place.location(), {.currentYear = "1405"});
            made[generated] = true;
        }
        std::unique_ptr<DbConnection> db =
            DatabaseFolder(place.location()).openCompany("1", year, false);
        QVERIFY(db);
        Transaction damaged(*db); // never committed: the company stays as made
        // Every other record.
        const QString damageSome = damage + " WHERE CAST(trim(DaraCod) AS INTEGER) % 2 = 0";
        if (first)
            QVERIFY_SQL(db->execute(damageSome));
        QStringList codes;
        if (!carried.isEmpty()) {
            // The table's rows taken out and the register made without them, then the
            // rows back, as a carry-over brings them.
            const QString rows = "amval_test_carried";
            db->dialect().dropTempTable(rows);
            QVERIFY_SQL(db->execute(db->dialect().createTempTable(rows) + " AS SELECT * FROM " +
                                    SqlIdent(carried)));
            QVERIFY_SQL(db->execute("DELETE FROM " + SqlIdent(carried)));
            AssetRegister::RecomputeAll(*db);
            QVERIFY_SQL(db->execute("INSERT INTO " + SqlIdent(carried) + " SELECT * FROM " + rows));
            codes = StoredColumn(*db, "SELECT DISTINCT DaraCod FROM " + SqlIdent(carried));
        } else {
            const QStringList all = Column(*db, "SELECT DaraCod FROM D_Amval ORDER BY DaraCod");
            for (int i = 0; i < all.size(); ++i)
                if (!some || i % 3 == 1)
                    codes << all.at(i);
        }
        QVERIFY(codes.size() > (carried.isEmpty() ? 50 : 0));
        if (!damage.isEmpty() && !first)
            QVERIFY_SQL(db->execute(damageSome));
        const QList<QStringList> before = Register(*db);
        QList<QStringList> ways[2];
        for (const AssetRegister::Way way :
             {AssetRegister::Way::Fold, AssetRegister::Way::Statements}) {
            Transaction undone(*db);
            if (carried.isEmpty()) {
                AssetRegister::RecomputeBy(way, *db, codes, {}, carried);
            } else {
                // As a carry-over lists the assets of the rows it carries: each asset
                // counted once, whatever the padding of its rows' codes.
                QSet<QString> assets;
                for (const QString& code : std::as_const(codes))
                    assets.insert(code.trimmed());
                assets.remove(QString());
                QCOMPARE(AssetRegister::ListForRecompute(*db, "T.DaraCod",
                                                         "FROM " + SqlIdent(carried) + " AS T"),
                         qsizetype(assets.size()));
                AssetRegister::RecomputeListed(*db, {}, carried, way);
            }
            ways[int(way)] = Register(*db);
        }
        const QList<QStringList>& folded = ways[0];
        const QList<QStringList>& stated = ways[1];
        QCOMPARE(stated.size(), folded.size());
        for (int i = 0; i < folded.size(); ++i)
            QCOMPARE(stated.at(i).join(" | "), folded.at(i).join(" | "));
        // The damage was there to be repaired: the recompute wrote records.
        if (carried.isEmpty() && damage.isEmpty())
            QCOMPARE(folded, before);
        else
            QVERIFY(folded != before);
    }

    // One asset through purchase, transfer, temporary retirement, a second transfer,
    // return and improvement, saved out of date order; then a voucher in the middle
    // deleted and another edited. After every step the record reads what its vouchers
    // make of it, and at the end it is the record of a company where the remaining
    // vouchers were saved once, as they end, in another order. The opening values,
    // which the new company's records lack (NULL), are taken on each record's first
    // recompute from the record as it stood before it.
    void historyOfOneAsset()
    {
        const VoucherKind& buy = Kind(VoucherKindId::BuyCreate);
        const VoucherKind& transfer = Kind(VoucherKindId::TahvilAntegal);
        const VoucherKind& setAside = Kind(VoucherKindId::KenarM);
        const VoucherKind& back = Kind(VoucherKindId::BarKenarM);
        const VoucherKind& improve = Kind(VoucherKindId::AsaseChange);
        const QString name = newCompany();
        auto c = clerk(name);
        const QString openingA = c->record(kAssetA);
        const QString recordB = c->record(kAssetB);

        // The purchase does nothing to the record.
        c->save(buy, "1", {{kAssetA, "1405/01/10", {{"EndFee", 9e7}, {"Bargeh", "1"}}}});
        QCOMPARE(c->record(kAssetA), openingA);

        // The improvement first, though it is the last by date.
        c->save(improve, "1", {{kAssetA, "1405/05/01", Improvement(2e6, 6)}});
        QCOMPARE(c->record(kAssetA), "101|1|00001||52000000.00|10.50");

        // A transfer of A and B on one voucher.
        c->save(transfer, "1",
                {{kAssetA, "1405/02/01", Transfer("102", "2", "00002")},
                 {kAssetB, "1405/02/01", Transfer("103", "3", "00003")}});
        QCOMPARE(c->record(kAssetA), "102|2|00002||52000000.00|10.50");
        QCOMPARE(c->record(kAssetB), "103|3|00003||2000000.00|5.00");

        // Out of use at the store, then back at another place; a transfer in between.
        c->save(setAside, "1", {{kAssetA, "1405/03/01", Place("9", "00009")}});
        QCOMPARE(c->record(kAssetA), "102|9|00009|1405/03/01|52000000.00|10.50");
        c->save(transfer, "2", {{kAssetA, "1405/03/15", Transfer("104", "4", "00004")}});
        QCOMPARE(c->record(kAssetA), "104|4|00004|1405/03/01|52000000.00|10.50");
        c->save(back, "1", {{kAssetA, "1405/04/01", Place("5", "00005")}});
        QCOMPARE(c->record(kAssetA), "104|5|00005||52000000.00|10.50");

        // The second transfer deleted: as if it had never been.
        c->remove(transfer, "2");
        QCOMPARE(c->record(kAssetA), "102|5|00005||52000000.00|10.50");

        // The retirement edited to a date after the return: the asset ends out of use.
        c->save(setAside, "1", {{kAssetA, "1405/04/10", Place("9", "00008")}});
        QCOMPARE(c->record(kAssetA), "102|9|00008|1405/04/10|52000000.00|10.50");

        // B taken off the first transfer: B is back to what it was registered with.
        c->save(transfer, "1", {{kAssetA, "1405/02/01", Transfer("102", "2", "00002")}});
        QCOMPARE(c->record(kAssetB), recordB);

        // The opening values stayed what the assets were registered with.
        QCOMPARE(c->record(kAssetA, true), openingA);
        QCOMPARE(c->record(kAssetB, true), recordB);

        // The same vouchers as they end, each saved once, latest first.
        const QString fresh = newCompany();
        auto f = clerk(fresh);
        f->save(setAside, "1", {{kAssetA, "1405/04/10", Place("9", "00008")}});
        f->save(improve, "1", {{kAssetA, "1405/05/01", Improvement(2e6, 6)}});
        f->save(back, "1", {{kAssetA, "1405/04/01", Place("5", "00005")}});
        f->save(transfer, "1", {{kAssetA, "1405/02/01", Transfer("102", "2", "00002")}});
        QCOMPARE(f->record(kAssetA), c->record(kAssetA));
        QCOMPARE(f->record(kAssetB), c->record(kAssetB));
    }

    // One asset bought in the period (its card registered without a cost, depreciated
    // already) through its purchase, an initial adjustment, an improvement, a method
    // change saved after the improvement but in force from before it, a reduction and a
    // tax-return group change; then a second clerk, on his own connection, edits the
    // reduction and deletes the improvement in the middle, and the method becomes
    // declining balance. After each step the record reads what its vouchers make of it,
    // the reduction taking its share of the accumulated depreciation against a cost that
    // holds the price paid; at the end it is the record of a company where the
    // remaining vouchers were saved once, as they end, latest first (the purchase after
    // the reduction). The purchase deleted, the reduction takes all there is.
    void historyOfRevaluingVouchers()
    {
        const VoucherKind& buy = Kind(VoucherKindId::BuyCreate);
        const VoucherKind& improve = Kind(VoucherKindId::AsaseChange);
        const VoucherKind& method = Kind(VoucherKindId::SoulationChange);
        const VoucherKind& reduce = Kind(VoucherKindId::DaraeReduce);
        const QList<std::pair<const VoucherKind*, VoucherRow>> kept{
            {&Kind(VoucherKindId::ChangeVezArat), {kAssetA, "1405/06/01", GroupChange("1", "2")}},
            {&reduce, {kAssetA, "1405/05/01", Reduction(2.82e7, 1.2e6)}},
            {&method, {kAssetA, "1405/04/01", MethodChange("1405/02/01", kDeclining, 20, 0)}},
            {&Kind(VoucherKindId::FirstTadil),
             {kAssetA, "1405/01/20", {{"sValue", 4e6}, {"Bargeh", "16"}}}},
            {&buy, {kAssetA, "1405/01/10", {{"EndFee", 9e7}, {"Bargeh", "1"}}}}};
        const auto unbought = [this](Clerk& c) {
            c.db().execute("UPDATE D_Amval SET EndValue = 0 WHERE DaraCod = ?", {kAssetA});
        };
        const QString name = newCompany();
        auto c = clerk(name);
        unbought(*c);
        const QString placed = c->record(kAssetA).section('|', 0, 3);
        const QString straight = kStraight + "|0.00|";
        c->save(buy, "1", {kept.at(4).second});
        c->save(*kept.at(3).first, "1", {kept.at(3).second});
        QCOMPARE(c->valuation(kAssetA), straight + "10.00|1|94000000|10000000|2500000");
        c->save(improve, "1", {{kAssetA, "1405/03/01", Improvement(6e6, 12)}});
        // 144 months from 02/01 on; the improvement of 03/01 adds its 12.
        c->save(method, "1",
                {{kAssetA, "1405/04/01", MethodChange("1405/02/01", kStraight, 0, 144)}});
        QCOMPARE(c->valuation(kAssetA), straight + "13.00|1|100000000|10000000|2500000");
        // A quarter of the cost taken away takes a quarter of the depreciation.
        c->save(reduce, "1", {{kAssetA, "1405/05/01", Reduction(2.5e7, 1.8e6)}});
        QCOMPARE(c->valuation(kAssetA), straight + "13.00|1|75000000|7500000|1800000");
        c->save(*kept.at(0).first, "1", {kept.at(0).second});
        QCOMPARE(c->valuation(kAssetA), straight + "13.00|2|75000000|7500000|1800000");
        QCOMPARE(c->record(kAssetA).section('|', 0, 3), placed);

        auto other = clerk(name);
        other->save(reduce, "1", {kept.at(1).second});
        QCOMPARE(c->valuation(kAssetA), straight + "13.00|2|71800000|7180000|1200000");
        other->remove(improve, "1");
        QCOMPARE(c->valuation(kAssetA), straight + "12.00|2|65800000|7000000|1200000");
        c->save(method, "1", {kept.at(2).second});
        const QString declining = kDeclining + "|20.00|0.00|2|";
        QCOMPARE(c->valuation(kAssetA), declining + "65800000|7000000|1200000");

        auto fresh = clerk(newCompany());
        unbought(*fresh);
        for (const auto& [kind, row] : kept)
            fresh->save(*kind, "1", {row});
        QCOMPARE(fresh->valuation(kAssetA), c->valuation(kAssetA));
        QCOMPARE(fresh->record(kAssetA), c->record(kAssetA));

        other->remove(buy, "1");
        QCOMPARE(c->valuation(kAssetA), declining + "-24200000|0|1200000");
    }

    // On one day a retirement comes before its return whatever their numbers; two
    // transfers of one day follow their voucher numbers as numbers. A useful-life
    // increase typed in days counts 365 to the year.
    void sameDayOrderAndLifeInDays()
    {
        const QString name = newCompany(QStringLiteral("روزانه"));
        auto c = clerk(name);
        const VoucherKind& transfer = Kind(VoucherKindId::TahvilAntegal);
        c->save(Kind(VoucherKindId::BarKenarM), "1",
                {{kAssetA, "1405/02/01", Place("5", "00005")}});
        c->save(Kind(VoucherKindId::KenarM), "7", {{kAssetA, "1405/02/01", Place("9", "00009")}});
        QCOMPARE(c->record(kAssetA).section('|', 3, 3), QString());
        QCOMPARE(c->record(kAssetA).section('|', 1, 1), "5");

        // Number 10 after number 9, not before it as the texts "10" < "9" would.
        c->save(transfer, "10", {{kAssetB, "1405/03/01", Transfer("110", "1", "00010")}});
        c->save(transfer, "9", {{kAssetB, "1405/03/01", Transfer("109", "1", "00009")}});
        QCOMPARE(c->record(kAssetB).section('|', 0, 0), "110");

        c->save(Kind(VoucherKindId::AsaseChange), "1",
                {{kAssetB, "1405/04/01", Improvement(1e6, 730)}});
        QCOMPARE(c->record(kAssetB).section('|', 4), "3000000.00|7.00");
    }

    // A clerk saves a transfer of asset A while another clerk's improvement of A is
    // saved but not yet committed (his transaction holds on): the transfer's save waits
    // and then counts the improvement, rather than writing a record without it.
    void aSaveWaitsForAnotherClerksRecordOfTheAsset()
    {
        const QString name = newCompany();
        auto holder = clerk(name);
        Transaction holding(holder->db());
        holder->save(Kind(VoucherKindId::AsaseChange), "1",
                     {{kAssetA, "1405/03/01", Improvement(4e6, 12)}});
        const QString failure = whileHolding(name, holding, [](Clerk& c) {
            c.save(Kind(VoucherKindId::TahvilAntegal), "1",
                   {{kAssetA, "1405/02/01", Transfer("105", "5", "00005")}});
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(holder->record(kAssetA), "105|5|00005||54000000.00|11.00");
    }

    // A clerk takes an asset off a purchase of many assets (their records read by
    // statements) while another clerk's reduction of that asset is saved but not yet
    // committed: the purchase waits for the asset's record and then recomputes it
    // without its cost price, rather than leave the reduction's share of the
    // depreciation taken from a cost with the purchase.
    void aPurchaseOfManyAssetsWaitsForAnotherClerksReduction()
    {
        const QString name = newCompany();
        auto holder = clerk(name);
        const VoucherKind& buy = Kind(VoucherKindId::BuyCreate);
        QList<VoucherRow> bought;
        for (int i = 0; i < 600; ++i) {
            const QString code = QString::number(2000 + i).rightJustified(6);
            holder->db().execute(
                QStringLiteral("INSERT INTO D_Amval (DaraCod, DaraNam, EndValue, Salianeh, "
                               "RaveshEst, Anbashteh, Esshat, VezCod) VALUES (?, 'x', 0, 5, ?, "
                               "0, 0, '  1')"),
                {code, kStraight});
            bought << VoucherRow{code, "1405/01/10", {{"EndFee", 1e6}, {"Bargeh", "1"}}};
        }
        AssetRegister::RecomputeAll(holder->db());
        holder->save(
            buy, "1",
            QList<VoucherRow>{{kAssetA, "1405/01/10", {{"EndFee", 9e7}, {"Bargeh", "1"}}}} +
                bought);
        Transaction holding(holder->db());
        holder->save(Kind(VoucherKindId::DaraeReduce), "1",
                     {{kAssetA, "1405/05/01", Reduction(2.5e7, 1.8e6)}});
        // Where the server locks by row, the purchase waits only if it asks for the
        // record of the asset it takes off.
        const QString failure =
            whileHolding(name, holding, [&](Clerk& c) { c.save(buy, "1", bought); });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        auto watcher = m_place.open(name);
        // The register as the two saves left it is the one their vouchers make.
        const QList<QStringList> saved = Register(*watcher);
        AssetRegister::RecomputeAll(*watcher);
        QCOMPARE(Register(*watcher), saved);
    }

    // The return from permanent retirement is a kind of its own, code "21": its
    // accounting voucher is issued under it; it puts the asset back in use at its place,
    // while the permanent retirement itself leaves the record as it was.
    void returnFromPermanentRetirement()
    {
        const QString name = newCompany();
        auto c = clerk(name);
        const VoucherKind& kind = Kind(VoucherKindId::BarKenarD);
        const QString before = c->record(kAssetB);
        c->save(Kind(VoucherKindId::KenarD), "1",
                {{kAssetB, "1405/02/01", {{"ArzeshAsgat", 1e5}, {"Bargeh", "2"}}}});
        QCOMPARE(c->record(kAssetB), before);
        const QString number = c->save(kind, "1", {{kAssetB, "1405/03/01", Place("7", "00007")}});
        QCOMPARE(c->record(kAssetB), "102|7|00007||2000000.00|5.00");

        c->db().callProcedure(QStringLiteral("sp_D_Asnad_SodorSanad_FromFactor"),
                              {kind.whatDoc, QStringLiteral("##REG_D_BarKenarD"), number,
                               "1405/03/01", "1", QStringLiteral("clerk")});
        const QList<QStringList> issued = StoredRows(
            c->db(), "SELECT WhatDoc, Document, SanadDes FROM Asnad WHERE TypeSys = 'D'");
        QCOMPARE(issued.size(), 1);
        QCOMPARE(issued.first().mid(0, 2), (QStringList{"21", number}));
        QVERIFY2(issued.first().at(2).contains(kind.caption), qPrintable(issued.first().at(2)));

        c->remove(kind, number);
        QCOMPARE(c->record(kAssetB), before);
    }
};

AMVAL_TEST_GUILESS_MAIN(TestAssetRegister)
#include "tst_assetregister.moc"
