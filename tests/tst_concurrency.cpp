// Clerks saving at the same moment: on the server eight connections, on a data
// folder two; every voucher gets its own number, every row and every action is
// stored, and no save is lost.

#include "dbconnection.h"
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
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
