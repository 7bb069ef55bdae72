// Clerks saving at the same moment: on the server eight connections, on a data
// folder two; every voucher gets its own number, every row and every action is
// stored, and no save is lost.

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "saverace.h"
#include "sqlcheck.h"
#include "testplace.h"

#include <QSqlQuery>
#include <QtTest>

class TestConcurrency : public QObject
{
    Q_OBJECT

    static int Scalar(DbConnection& db, const QString& sql)
    {
        QSqlQuery q = db.select(sql);
        return q.next() ? q.value(0).toInt() : -1;
    }

private slots:
    void racingSaversNeverShareANumber()
    {
        TestPlace place;
        const QString name = QStringLiteral("ZELMORA_9_1405");
        QVERIFY_SQL(PrepareRaceDatabase(place.location(), name));
        SaveRace race;
        race.savers = TestPlace::OnServer() ? 8 : 2;
        race.vouchersEach = 200;
        const SaveRaceResult result = RunSaveRace(place.location(), name, race);
        QVERIFY2(result.failures.isEmpty(), qPrintable(result.failures.join(QLatin1Char('\n'))));
        const int vouchers = race.savers * race.vouchersEach;
        QCOMPARE(result.saved, vouchers);

        std::unique_ptr<DbConnection> db = place.open(name);
        const QString table = RaceTable();
        // Each voucher under a number of its own, with both of its rows, numbered
        // 1..n without a gap.
        QCOMPARE(Scalar(*db, "SELECT COUNT(DISTINCT SanadNoAmval) FROM " + table), vouchers);
        QCOMPARE(Scalar(*db, "SELECT COUNT(*) FROM " + table), vouchers * kRaceRowsPerVoucher);
        QCOMPARE(Scalar(*db, "SELECT MAX(CAST(SanadNoAmval AS INTEGER)) FROM " + table), vouchers);
        QCOMPARE(Scalar(*db, "SELECT COUNT(*) FROM (SELECT SanadNoAmval FROM " + table +
                                 " GROUP BY SanadNoAmval HAVING COUNT(*) <> 2) AS W"),
                 0);
        // One accounting voucher each, numbered without a duplicate, and the whole
        // action log.
        QCOMPARE(Scalar(*db, "SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '16'"), vouchers);
        QCOMPARE(Scalar(*db, "SELECT COUNT(DISTINCT SanadNo) FROM Asnad"),
                 Scalar(*db, "SELECT COUNT(*) FROM Asnad"));
        QCOMPARE(Scalar(*db, "SELECT COUNT(DISTINCT ActSanadNo) FROM D_Asnad_Actions"), vouchers);
        QCOMPARE(Scalar(*db, "SELECT COUNT(*) FROM D_Asnad_Actions"), vouchers);
    }

    // The server ends a clerk's session in the middle of a save (a restart does the
    // same to every session): the save fails as the server being unreachable, what
    // was committed before is all there, nothing of the broken save is, and the next
    // save of the same connection works on a new session.
    void aSessionEndedMidSaveStoresNothing()
    {
        if (!TestPlace::OnServer())
            QSKIP("a data folder has no server session to end");
        TestPlace place;
        const QString name = QStringLiteral("ZELMORA_9_1405");
        QVERIFY_SQL(PrepareRaceDatabase(place.location(), name));
        SaveRace one;
        one.savers = 1;
        one.vouchersEach = 1;
        QCOMPARE(RunSaveRace(place.location(), name, one).saved, 1);

        std::unique_ptr<DbConnection> clerk = place.open(name);
        std::unique_ptr<DbConnection> server = place.open(name);
        const QString table = RaceTable();
        const int pid = Scalar(*clerk, QStringLiteral("SELECT pg_backend_pid()"));
        const auto failure = ThrownDatabaseError([&] {
            Transaction transaction(*clerk);
            clerk->execute("INSERT INTO " + table +
                           " (SanadNoAmval, Raj, DaraCod) VALUES "
                           "('       2', 1, '100001')");
            server->execute(QStringLiteral("SELECT pg_terminate_backend(?)"), {pid});
            clerk->execute("INSERT INTO " + table +
                           " (SanadNoAmval, Raj, DaraCod) VALUES "
                           "('       2', 2, '100002')");
            transaction.commit();
        });
        QVERIFY(failure);
        QCOMPARE(failure->kind(), DatabaseError::Kind::Unavailable);
        QVERIFY(DatabaseFailureText(*failure).contains(QStringLiteral("در دسترس نيست")));
        QCOMPARE(Scalar(*server, "SELECT COUNT(*) FROM " + table), kRaceRowsPerVoucher);

        QVERIFY_SQL({
            Transaction transaction(*clerk);
            clerk->execute("INSERT INTO " + table +
                           " (SanadNoAmval, Raj, DaraCod) VALUES "
                           "('       2', 1, '100001')");
            transaction.commit();
        });
        QCOMPARE(Scalar(*server, "SELECT COUNT(*) FROM " + table), kRaceRowsPerVoucher + 1);
    }

    // Column widths are kept; they follow the connection's own DDL at once, a
    // rollback of it, and another clerk's committed change of a table by the next
    // transaction.
    void keptColumnWidthsFollowEveryChangeOfTheSchema()
    {
        TestPlace place;
        const QString name = QStringLiteral("ZELMORA_9_1405");
        std::unique_ptr<DbConnection> clerk = place.open(name);
        std::unique_ptr<DbConnection> other = place.open(name);
        const QString work = QStringLiteral("##AMV1_kept");
        // The width of DaraCod, and the name of the table's second column.
        auto width = [&](const QString& table) {
            return QString::number(clerk->dialect().columnWidth(table, QStringLiteral("DaraCod"))) +
                   QLatin1Char(' ') + clerk->dialect().tableColumns(table).value(1).toUpper();
        };
        auto makeWork = [&](int w) {
            clerk->dialect().dropTempTable(work);
            clerk->execute(clerk->dialect().createTempTable(work) +
                           QStringLiteral(" (DaraCod VARCHAR(%1), W%1 INTEGER)").arg(w));
        };
        other->execute(QStringLiteral("CREATE TABLE D_Kept (DaraCod VARCHAR(6), W6 INTEGER)"));
        {
            Transaction transaction(*clerk);
            QCOMPARE(width(QStringLiteral("D_Kept")), QStringLiteral("6 W6"));
            makeWork(3);
            QCOMPARE(width(work), QStringLiteral("3 W3"));
            makeWork(7);
            QCOMPARE(width(work), QStringLiteral("7 W7"));
            clerk->beginTransaction();
            makeWork(9);
            QCOMPARE(width(work), QStringLiteral("9 W9"));
            clerk->rollbackTransaction();
            QCOMPARE(width(work), QStringLiteral("7 W7"));
            transaction.commit();
        }
        other->execute(QStringLiteral("DROP TABLE D_Kept"));
        other->execute(QStringLiteral("CREATE TABLE D_Kept (DaraCod VARCHAR(8), W8 INTEGER)"));
        {
            Transaction transaction(*clerk);
            QCOMPARE(width(QStringLiteral("D_Kept")), QStringLiteral("8 W8"));
            transaction.commit();
        }
        // A change the other clerk makes in a transaction is seen once it commits.
        {
            Transaction change(*other);
            other->execute(QStringLiteral("DROP TABLE D_Kept"));
            other->execute(QStringLiteral("CREATE TABLE D_Kept (DaraCod VARCHAR(5), W5 INTEGER)"));
            Transaction reading(*clerk, DbConnection::TransactionKind::Read);
            QCOMPARE(width(QStringLiteral("D_Kept")), QStringLiteral("8 W8"));
            reading.commit();
            change.commit();
        }
        Transaction transaction(*clerk);
        QCOMPARE(width(QStringLiteral("D_Kept")), QStringLiteral("5 W5"));
        transaction.commit();
    }

    // Statements run again and again stay prepared on the connection: they must
    // follow another user rebuilding the table, survive a rollback and a refusal,
    // and a read may run the same statement again while reading its rows.
    void keptStatementsFollowTheSchemaAndNest()
    {
        TestPlace place;
        const QString name = QStringLiteral("ZELMORA_9_1405");
        std::unique_ptr<DbConnection> clerk = place.open(name);
        std::unique_ptr<DbConnection> other = place.open(name);
        const QString insert = QStringLiteral("INSERT INTO D_KeptRows (Cod, Nam) VALUES (?, ?)");
        const QString read =
            QStringLiteral("SELECT Nam FROM D_KeptRows WHERE Cod >= ? ORDER BY Cod");
        other->execute(QStringLiteral("CREATE TABLE D_KeptRows (Cod VARCHAR(6), Nam VARCHAR(20))"));
        clerk->execute(insert, {QStringLiteral("1"), QStringLiteral("a")});
        other->execute(QStringLiteral("DROP TABLE D_KeptRows"));
        other->execute(QStringLiteral(
            "CREATE TABLE D_KeptRows (Nam VARCHAR(20), Extra INTEGER, Cod VARCHAR(6) UNIQUE)"));
        clerk->execute(insert, {QStringLiteral("2"), QStringLiteral("b")});
        clerk->execute(insert, {QStringLiteral("5"), QStringLiteral("e")});

        QStringList seen;
        clerk->selectEach(read, {QStringLiteral("0")}, [&](QSqlQuery& q) {
            while (q.next()) {
                seen << q.value(0).toString();
                clerk->selectEach(read, {QStringLiteral("0")}, [&](QSqlQuery& inner) {
                    while (inner.next())
                        seen << inner.value(0).toString();
                });
            }
        });
        QCOMPARE(seen.join(QString()), QStringLiteral("bbeebe"));

        {
            Transaction transaction(*clerk);
            clerk->execute(insert, {QStringLiteral("3"), QStringLiteral("c")});
        }
        bool refused = false;
        try {
            clerk->execute(insert, {QStringLiteral("2"), QStringLiteral("twice")});
        } catch (const DatabaseError&) {
            refused = true;
        }
        QVERIFY(refused);
        clerk->execute(insert, {QStringLiteral("4"), QStringLiteral("d")});

        // Inner levels ended inside an enclosing one: a statement refused right after
        // one is refused, and the enclosing level undoes or keeps all they wrote.
        {
            Transaction outer(*clerk);
            {
                Transaction inner(*clerk);
                clerk->execute(insert, {QStringLiteral("6"), QStringLiteral("f")});
                inner.commit();
            }
            refused = false;
            try {
                clerk->execute(
                    QStringLiteral("INSERT INTO D_KeptRows (Cod, Nam) VALUES ('5', 'x')"));
            } catch (const DatabaseError&) {
                refused = true;
            }
            QVERIFY(refused);
        }
        {
            Transaction outer(*clerk);
            for (const char* row : {"7g", "8h"}) {
                Transaction inner(*clerk);
                clerk->execute(insert,
                               {QString(QLatin1Char(row[0])), QString(QLatin1Char(row[1]))});
                inner.commit();
            }
            outer.commit();
        }
        // Levels that end before any statement of theirs reached the engine, beside
        // one rolled back after its write: the enclosing level goes on unharmed.
        {
            Transaction outer(*clerk);
            {
                Transaction empty(*clerk);
            }
            {
                Transaction undone(*clerk);
                {
                    Transaction deeper(*clerk);
                    deeper.commit();
                }
                clerk->execute(insert, {QStringLiteral("9"), QStringLiteral("i")});
            }
            {
                Transaction empty(*clerk);
            }
            clerk->execute(insert, {QStringLiteral("1"), QStringLiteral("a")});
            outer.commit();
        }
        QSqlQuery rows =
            other->select(QStringLiteral("SELECT Cod, Nam FROM D_KeptRows ORDER BY Cod"));
        QStringList stored;
        while (rows.next())
            stored << rows.value(0).toString() + rows.value(1).toString();
        QCOMPARE(stored.join(QLatin1Char(' ')), QStringLiteral("1a 2b 4d 5e 7g 8h"));
    }

    // A clerk's statements used again are kept ready on the server's session. Another
    // clerk widening a column they read, a refused write and a value whose type its
    // place does not tell change nothing of what the clerk reads and writes.
    void statementsKeptOnTheServerFollowAnotherClerk()
    {
        TestPlace place;
        const QString name = QStringLiteral("ZELMORA_9_1405");
        std::unique_ptr<DbConnection> clerk = place.open(name);
        std::unique_ptr<DbConnection> other = place.open(name);
        other->execute(
            QStringLiteral("CREATE TABLE D_Widen (Cod VARCHAR(6) UNIQUE, Nam VARCHAR(4))"));
        const QString insert = QStringLiteral("INSERT INTO D_Widen (Cod, Nam) VALUES (?, ?)");
        const QString rename = QStringLiteral("UPDATE D_Widen SET Nam = ? WHERE Cod = ?");
        const QString read = QStringLiteral("SELECT Nam FROM D_Widen WHERE Cod = ?");
        // Neither engine can tell the first value's type before it is given.
        const QString untyped =
            QStringLiteral("SELECT ? IS NULL, COUNT(*) FROM D_Widen WHERE Cod <> ?");
        const auto nameOf = [&](const QString& cod) {
            QSqlQuery q = clerk->select(read, {cod});
            return q.next() ? q.value(0).toString() : QStringLiteral("none");
        };
        const auto untypedCount = [&] {
            QSqlQuery q = clerk->select(untyped, {QStringLiteral("x"), QStringLiteral("1")});
            return q.next() && !q.value(0).toBool() ? q.value(1).toInt() : -1;
        };
        for (int i = 1; i <= 4; ++i) {
            Transaction transaction(*clerk);
            const QString cod = QString::number(i);
            clerk->execute(insert, {cod, QStringLiteral("n'") + cod});
            clerk->execute(rename, {QStringLiteral("ک") + cod, cod});
            QCOMPARE(nameOf(cod), QStringLiteral("ک") + cod);
            QCOMPARE(untypedCount(), i - 1);
            transaction.commit();
        }
        if (place.isServer()) {
            QSqlQuery kept = clerk->select(QStringLiteral(
                "SELECT statement FROM pg_prepared_statements WHERE name LIKE 'amval_k%'"));
            QStringList texts;
            while (kept.next())
                texts << kept.value(0).toString().toLower();
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
            const QString sql = other->dialect().alterColumnWidthSql("D_Widen", "Nam", width);
            if (!sql.isEmpty())
                other->execute(sql);
            other->execute(QStringLiteral("UPDATE D_Widen SET Nam = ? WHERE Cod = '1'"), {longer});
        };
        widen(12, QStringLiteral("abcdefghij"));
        for (int i = 0; i < 3; ++i) {
            Transaction transaction(*clerk);
            QCOMPARE(nameOf(QStringLiteral("1")), QStringLiteral("abcdefghij"));
            transaction.commit();
        }
        widen(16, QStringLiteral("abcdefghijklmno"));
        QCOMPARE(nameOf(QStringLiteral("1")), QStringLiteral("abcdefghijklmno"));
        {
            Transaction transaction(*clerk);
            clerk->execute(rename, {QStringLiteral("abcdefghijk"), QStringLiteral("2")});
            QCOMPARE(nameOf(QStringLiteral("2")), QStringLiteral("abcdefghijk"));
            transaction.commit();
        }

        // A refused write undoes its transaction; the statement goes on serving.
        bool refused = false;
        try {
            Transaction transaction(*clerk);
            clerk->execute(rename, {QStringLiteral("lost"), QStringLiteral("3")});
            clerk->execute(insert, {QStringLiteral("4"), QStringLiteral("twice")});
            transaction.commit();
        } catch (const DatabaseError&) {
            refused = true;
        }
        QVERIFY(refused);
        for (int i = 5; i <= 7; ++i) {
            Transaction transaction(*clerk);
            clerk->execute(insert, {QString::number(i), QStringLiteral("m")});
            transaction.commit();
        }
        QSqlQuery rows = other->select(QStringLiteral("SELECT Cod, Nam FROM D_Widen ORDER BY Cod"));
        QStringList stored;
        while (rows.next())
            stored << rows.value(0).toString() + QLatin1Char('=') + rows.value(1).toString();
        QCOMPARE(stored.join(QLatin1Char(' ')),
                 QStringLiteral("1=abcdefghijklmno 2=abcdefghijk 3=ک3 4=ک4 5=m 6=m 7=m"));

        // A connection pool handing the next transaction another session loses them
        // all: the first transaction to miss one fails, and from then on none is kept.
        if (place.isServer()) {
            clerk->execute(QStringLiteral("DEALLOCATE ALL"));
            int failed = 0;
            for (int i = 8; i <= 10; ++i) {
                try {
                    Transaction transaction(*clerk);
                    clerk->execute(rename, {QStringLiteral("p"), QStringLiteral("1")});
                    clerk->execute(insert, {QString::number(i), QStringLiteral("p")});
                    transaction.commit();
                } catch (const DatabaseError&) {
                    ++failed;
                }
            }
            QCOMPARE(failed, 1);
            QCOMPARE(nameOf(QStringLiteral("10")), QStringLiteral("p"));
        }
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
