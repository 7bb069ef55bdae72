// Clerks saving at the same moment: on the server eight connections, on a data
// folder two; every voucher gets its own number, every row and every action is
// stored, and no save is lost.

#include "dialect.h"
#include "saverace.h"
#include "sqlcheck.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"

namespace {
// The race's own company database, made by the test for a year of its own.
const QString kName = "ZELMORA_9_1405";
} // namespace

class TestConcurrency : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestPlace> m_place;
    // Two clerks on the same company database.
    std::unique_ptr<DbConnection> m_clerk, m_other;
    void openClerks()
    {
        m_clerk = m_place->open(kName);
        m_other = m_place->open(kName);
    }

private slots:
    void init() { m_place = std::make_unique<TestPlace>(); }
    void cleanup()
    {
        m_clerk.reset();
        m_other.reset();
        m_place.reset();
    }

    void racingSaversNeverShareANumber()
    {
        QVERIFY_SQL(PrepareRaceDatabase(m_place->location(), kName));
        SaveRace race;
        race.savers = TestPlace::OnServer() ? 8 : 2;
        race.vouchersEach = 200;
        const SaveRaceResult result = RunSaveRace(m_place->location(), kName, race);
        QVERIFY2(result.failures.isEmpty(), qPrintable(result.failures.join(QLatin1Char('\n'))));
        const int vouchers = race.savers * race.vouchersEach;
        QCOMPARE(result.saved, vouchers);

        openClerks();
        const DbConnection& db = *m_other;
        const QString table = RaceTable();
        // Each voucher under a number of its own, with both of its rows, numbered 1..n
        // without a gap; one accounting voucher each, numbered without a duplicate, and
        // the whole action log.
        const QString n = QString::number(vouchers);
        QCOMPARE(StoredRows(db, QStringLiteral(
                                    "SELECT COUNT(DISTINCT SanadNoAmval), COUNT(*), "
                                    "MAX(CAST(SanadNoAmval AS INTEGER)), (SELECT COUNT(*) FROM "
                                    "(SELECT SanadNoAmval FROM %1 GROUP BY SanadNoAmval HAVING "
                                    "COUNT(*) <> 2) AS W), (SELECT COUNT(*) FROM Asnad WHERE "
                                    "WhatDoc = '16'), (SELECT COUNT(*) - COUNT(DISTINCT SanadNo) "
                                    "FROM Asnad), (SELECT COUNT(DISTINCT ActSanadNo) FROM "
                                    "D_Asnad_Actions), (SELECT COUNT(*) FROM D_Asnad_Actions) "
                                    "FROM %1")
                                    .arg(table))
                     .value(0),
                 (QStringList{n, QString::number(vouchers * kRaceRowsPerVoucher), n, "0", n, "0", n,
                              n}));
    }

    // The server ends a clerk's session in the middle of a save (a restart does the
    // same to every session): the save fails as the server being unreachable, what
    // was committed before is all there, nothing of the broken save is, and the next
    // save of the same connection works on a new session.
    void aSessionEndedMidSaveStoresNothing()
    {
        if (!TestPlace::OnServer())
            QSKIP("a data folder has no server session to end");
        QVERIFY_SQL(PrepareRaceDatabase(m_place->location(), kName));
        SaveRace one;
        one.savers = 1;
        one.vouchersEach = 1;
        QCOMPARE(RunSaveRace(m_place->location(), kName, one).saved, 1);
        openClerks();

        const QString table = RaceTable();
        const QString insert =
            "INSERT INTO " + table + " (SanadNoAmval, Raj, DaraCod) VALUES ('       2', ?, ?)";
        const int pid = StoredNumber(*m_clerk, "SELECT pg_backend_pid()");
        const auto failure = ThrownDatabaseError([&] {
            Transaction transaction(*m_clerk);
            m_clerk->execute(insert, {1, "100001"});
            m_other->execute("SELECT pg_terminate_backend(?)", {pid});
            m_clerk->execute(insert, {2, "100002"});
            transaction.commit();
        });
        QVERIFY(failure);
        QCOMPARE(failure->kind(), DatabaseError::Kind::Unavailable);
        QVERIFY(DatabaseFailureText(*failure).contains("در دسترس نيست"));
        QCOMPARE(StoredNumber(*m_other, "SELECT COUNT(*) FROM " + table), kRaceRowsPerVoucher);

        QVERIFY_SQL(Committed(*m_clerk, [&] { m_clerk->execute(insert, {1, "100001"}); }));
        QCOMPARE(StoredNumber(*m_other, "SELECT COUNT(*) FROM " + table), kRaceRowsPerVoucher + 1);
    }

    // Column widths are kept; they follow the connection's own DDL at once, a
    // rollback of it, and another clerk's committed change of a table by the next
    // transaction.
    void keptColumnWidthsFollowEveryChangeOfTheSchema()
    {
        openClerks();
        DbConnection& clerk = *m_clerk;
        const QString work = "##AMV1_kept";
        // The width of DaraCod, and the name of the table's second column.
        const auto width = [&](const QString& table) {
            return QString::number(clerk.dialect().columnWidth(table, "DaraCod")) + ' ' +
                   clerk.dialect().tableColumns(table).value(1).toUpper();
        };
        const auto makeWork = [&](int w) {
            clerk.dialect().dropTempTable(work);
            clerk.execute(clerk.dialect().createTempTable(work) +
                          QStringLiteral(" (DaraCod VARCHAR(%1), W%1 INTEGER)").arg(w));
        };
        const auto remake = [&](int w) {
            m_other->execute("DROP TABLE IF EXISTS D_Kept");
            m_other->execute(
                QStringLiteral("CREATE TABLE D_Kept (DaraCod VARCHAR(%1), W%1 INTEGER)").arg(w));
        };
        remake(6);
        {
            Transaction transaction(clerk);
            QCOMPARE(width("D_Kept"), "6 W6");
            makeWork(3);
            QCOMPARE(width(work), "3 W3");
            makeWork(7);
            QCOMPARE(width(work), "7 W7");
            clerk.beginTransaction();
            makeWork(9);
            QCOMPARE(width(work), "9 W9");
            clerk.rollbackTransaction();
            QCOMPARE(width(work), "7 W7");
            transaction.commit();
        }
        remake(8);
        Committed(clerk, [&] { QCOMPARE(width("D_Kept"), "8 W8"); });
        // A change the other clerk makes in a transaction is seen once it commits.
        {
            Transaction change(*m_other);
            remake(5);
            Transaction reading(clerk, DbConnection::TransactionKind::Read);
            QCOMPARE(width("D_Kept"), "8 W8");
            reading.commit();
            change.commit();
        }
        Committed(clerk, [&] { QCOMPARE(width("D_Kept"), "5 W5"); });
    }

    // Statements run again and again stay prepared on the connection: they must
    // follow another user rebuilding the table, survive a rollback and a refusal,
    // and a read may run the same statement again while reading its rows.
    void keptStatementsFollowTheSchemaAndNest()
    {
        openClerks();
        DbConnection& clerk = *m_clerk;
        const QString insert = "INSERT INTO D_KeptRows (Cod, Nam) VALUES (?, ?)";
        const QString read = "SELECT Nam FROM D_KeptRows WHERE Cod >= ? ORDER BY Cod";
        const auto add = [&](const char* row) {
            clerk.execute(insert, {QString(QLatin1Char(row[0])), QString::fromUtf8(row + 1)});
        };
        m_other->execute("CREATE TABLE D_KeptRows (Cod VARCHAR(6), Nam VARCHAR(20))");
        add("1a");
        m_other->execute("DROP TABLE D_KeptRows");
        m_other->execute(
            "CREATE TABLE D_KeptRows (Nam VARCHAR(20), Extra INTEGER, Cod VARCHAR(6) UNIQUE)");
        add("2b");
        add("5e");

        QString seen;
        clerk.selectEach(read, {"0"}, [&](QSqlQuery& q) {
            while (q.next()) {
                seen += q.value(0).toString();
                clerk.selectEach(read, {"0"}, [&](QSqlQuery& inner) {
                    while (inner.next())
                        seen += inner.value(0).toString();
                });
            }
        });
        QCOMPARE(seen, "bbeebe");

        {
            Transaction transaction(clerk);
            add("3c");
        }
        QVERIFY(ThrownDatabaseError([&] { add("2twice"); }));
        add("4d");

        // Inner levels ended inside an enclosing one: the kept statement refused right
        // after one is refused, the enclosing level undoes or keeps all they wrote, and
        // the statement goes on serving the next transactions.
        {
            Transaction outer(clerk);
            Committed(clerk, [&] { add("6f"); });
            QVERIFY(ThrownDatabaseError([&] { add("5x"); }));
        }
        {
            Transaction outer(clerk);
            for (const char* row : {"7g", "8h"})
                Committed(clerk, [&] { add(row); });
            outer.commit();
        }
        // Levels that end before any statement of theirs reached the engine, beside
        // one rolled back after its write: the enclosing level goes on unharmed.
        {
            Transaction outer(clerk);
            {
                Transaction empty(clerk);
            }
            {
                Transaction undone(clerk);
                {
                    Transaction deeper(clerk);
                    deeper.commit();
                }
                add("9i");
            }
            {
                Transaction empty(clerk);
            }
            add("1a");
            outer.commit();
        }
        QCOMPARE(StoredColumn(*m_other, "SELECT Cod || Nam FROM D_KeptRows ORDER BY Cod"),
                 QString("1a 2b 4d 5e 7g 8h").split(' '));
    }

    // A clerk's statements used again are kept ready on the server's session. Another
    // clerk widening a column they read and a value whose type its place does not tell
    // change nothing of what the clerk reads and writes. (A refused kept write in a
    // transaction: keptStatementsFollowTheSchemaAndNest.)
    void statementsKeptOnTheServerFollowAnotherClerk()
    {
        openClerks();
        DbConnection& clerk = *m_clerk;
        m_other->execute("CREATE TABLE D_Widen (Cod VARCHAR(6) UNIQUE, Nam VARCHAR(4))");
        const QString insert = "INSERT INTO D_Widen (Cod, Nam) VALUES (?, ?)";
        const QString rename = "UPDATE D_Widen SET Nam = ? WHERE Cod = ?";
        const auto nameOf = [&](const QString& cod) {
            const QStringList row =
                StoredRows(clerk, "SELECT Nam FROM D_Widen WHERE Cod = ?", {cod}).value(0);
            return row.isEmpty() ? QStringLiteral("none") : row.first();
        };
        // Neither engine can tell the first value's type before it is given.
        const auto untypedCount = [&] {
            const QStringList row =
                StoredRows(clerk, "SELECT ? IS NULL, COUNT(*) FROM D_Widen WHERE Cod <> ?",
                           {"x", "1"})
                    .value(0);
            return row.size() == 2 && !QVariant(row.at(0)).toBool() ? row.at(1).toInt() : -1;
        };
        for (int i = 1; i <= 4; ++i) {
            Committed(clerk, [&] {
                const QString cod = QString::number(i);
                clerk.execute(insert, {cod, "n'" + cod});
                clerk.execute(rename, {"ک" + cod, cod});
                QCOMPARE(nameOf(cod), "ک" + cod);
                QCOMPARE(untypedCount(), i - 1);
            });
        }
        if (m_place->isServer()) {
            const QStringList texts =
                StoredColumn(clerk, "SELECT LOWER(statement) FROM pg_prepared_statements WHERE "
                                    "name LIKE 'amval_k%'");
            const auto keeps = [&](const char* start) {
                return std::any_of(texts.begin(), texts.end(),
                                   [&](const QString& t) { return t.startsWith(start); });
            };
            QVERIFY2(keeps("insert into d_widen") && keeps("update d_widen") &&
                         keeps("select nam from d_widen"),
                     qPrintable(texts.join('\n')));
            QVERIFY(!keeps("select $1 is null"));
        }

        // The other clerk widens the name and writes a longer one, twice: read in the
        // next transaction, then at once outside one.
        const auto widen = [&](int width, const QString& longer) {
            const QString sql = m_other->dialect().alterColumnWidthSql("D_Widen", "Nam", width);
            if (!sql.isEmpty())
                m_other->execute(sql);
            m_other->execute("UPDATE D_Widen SET Nam = ? WHERE Cod = '1'", {longer});
        };
        widen(12, "abcdefghij");
        for (int i = 0; i < 3; ++i)
            Committed(clerk, [&] { QCOMPARE(nameOf("1"), "abcdefghij"); });
        widen(16, "abcdefghijklmno");
        QCOMPARE(nameOf("1"), "abcdefghijklmno");
        Committed(clerk, [&] {
            clerk.execute(rename, {"abcdefghijk", "2"});
            QCOMPARE(nameOf("2"), "abcdefghijk");
        });
        QCOMPARE(StoredColumn(*m_other, "SELECT Cod || '=' || Nam FROM D_Widen ORDER BY Cod"),
                 QString("1=abcdefghijklmno 2=abcdefghijk 3=ک3 4=ک4").split(' '));

        // A work table made and dropped inside each transaction: what names it waits,
        // unprepared, while it is gone, and is kept once it stays.
        const Dialect& dialect = clerk.dialect();
        const QString work = "amval_kept_work";
        const QString fill = "INSERT INTO " + work + " (Cod) VALUES (?)";
        for (int round = 0; round < 3; ++round) {
            Committed(clerk, [&] {
                clerk.execute(dialect.createTempTable(work) + " (Cod VARCHAR(6))");
                clerk.execute(fill, {"1"});
                clerk.execute(fill, {"2"});
                dialect.dropTempTable(work);
            });
        }
        clerk.execute(dialect.createTempTable(work) + " (Cod VARCHAR(6))");
        for (int i = 0; i < 2; ++i)
            Committed(clerk, [&] { clerk.execute(fill, {QString::number(i)}); });
        if (m_place->isServer())
            QCOMPARE(StoredColumn(clerk, "SELECT COUNT(*) FROM pg_prepared_statements WHERE "
                                         "statement LIKE 'INSERT INTO amval_kept_work %'"),
                     QStringList{"1"});

        // A connection pool handing the next transaction another session loses them
        // all: the first transaction to miss one fails, and from then on none is kept.
        if (m_place->isServer()) {
            clerk.execute("DEALLOCATE ALL");
            int failed = 0;
            for (int i = 8; i <= 10; ++i) {
                failed += ThrownDatabaseError([&] {
                    Committed(clerk, [&] {
                        clerk.execute(rename, {"p", "1"});
                        clerk.execute(insert, {QString::number(i), "p"});
                    });
                })
                              ? 1
                              : 0;
            }
            QCOMPARE(failed, 1);
            QCOMPARE(nameOf("10"), "p");
        }
    }
};

AMVAL_TEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
