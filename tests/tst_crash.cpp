// Clerks in programs of their own on one data place (voucher_worker): several saving
// new vouchers at once lose none and share no number; one killed at a random moment
// while it saves, edits and deletes leaves every voucher wholly as it was or wholly as
// it was being saved, with its action log, day-book and accounting voucher agreeing.
//
// AMVAL_CRASH_RUNS sets how many times a clerk is killed (scripts/crash-test.sh).

#include "databasefolder.h"
#include "dbconnection.h"
#include "democompany.h"
#include "demoyear.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"
#include "workerclerk.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

class TestCrash : public QObject
{
    Q_OBJECT

    TestPlace m_place;
    QString m_year;

    std::unique_ptr<DbConnection> open() const
    {
        return DatabaseFolder(m_place.location()).openCompany("1", m_year, false);
    }

    // Every rule a clerk's vouchers keep, whatever moment its program was killed at;
    // `issuing` when the settings issue the accounting voucher with each save.
    QStringList check(const WorkerTranscript& t, const QString& tag, bool issuing = true)
    {
        QStringList faults;
        std::unique_ptr<DbConnection> db = open();
        if (!db || !db->isOpen())
            return {"the company does not open"};
        if (!db->isServer() && Column(*db, "PRAGMA integrity_check") != QStringList{"ok"})
            faults << "integrity check fails";

        for (auto kind = t.kinds.cbegin(); kind != t.kinds.cend(); ++kind) {
            const QHash<QString, QString> stored = WorkerVouchers(*db, kind->table, tag, faults);
            // Each voucher is as its last finished save left it, or as the save under
            // way when the program died would leave it (a new voucher may take the
            // number of one deleted before).
            QSet<QString> numbers(stored.keyBegin(), stored.keyEnd());
            for (auto it = t.done.cbegin(); it != t.done.cend(); ++it) {
                if (it.key().first == kind.key())
                    numbers << it.key().second;
            }
            int inflightCommitted = 0;
            for (const QString& number : std::as_const(numbers)) {
                const WorkerVoucher key{kind.key(), number};
                const QString now = stored.value(number, "-"), where = kind.key() + " " + number;
                const bool asDone = t.done.contains(key) && t.done.value(key) == now;
                const bool asInflight =
                    !t.inflightState.isEmpty() && t.inflight.first == kind.key() &&
                    (t.inflight.second == number ||
                     (t.inflight.second == "new" && t.done.value(key, "-") == "-")) &&
                    t.inflightState == now;
                if (!asDone && !asInflight)
                    faults << where + " holds " + now + ", expected " +
                                  t.done.value(key, "nothing");
                inflightCommitted += asInflight ? 1 : 0;
                const int committed = t.doneCount.value(key) + (asInflight ? 1 : 0);
                const int logged =
                    StoredNumber(*db,
                                 "SELECT COUNT(*) FROM D_Asnad_Actions WHERE User_Name = ? "
                                 "AND SectionNam = ? AND TRIM(ActSanadNo) = ?",
                                 {"worker " + tag, kind->label, number});
                if (logged != committed)
                    faults << where + ": " + QString::number(logged) + " log entries for " +
                                  QString::number(committed) + " saves";
                // An accounting voucher exactly for the stored purchases.
                const int issued =
                    kind->code != "12"
                        ? 0
                        : StoredNumber(*db,
                                       "SELECT COUNT(*) FROM Asnad WHERE TypeSys = 'D' "
                                       "AND WhatDoc = '12' AND TRIM(Document) = ?",
                                       {number});
                if (issued != (!issuing || kind->code != "12" || now == "-" ? 0 : 1))
                    faults << where + " holds " + now + " with " + QString::number(issued) +
                                  " accounting vouchers";
            }
            if (inflightCommitted > 1)
                faults << kind.key() + ": the save under way was stored twice";
            // The day-book follows the last save of the kind, whoever made it.
            QSqlQuery last = db->select("SELECT ActSanadNo FROM D_Asnad_Actions WHERE SectionNam "
                                        "= ? AND ActType IN ('I', 'E') ORDER BY ActionId DESC",
                                        {kind->label});
            const QStringList dayBook =
                Column(*db, "SELECT DISTINCT SanadNoAmval FROM D_Roz WHERE WhatDoc = " +
                                SqlQuote(kind->code) + " AND Operator = 'ض'");
            if (last.next() && !dayBook.isEmpty() &&
                dayBook != QStringList{last.value(0).toString().trimmed()})
                faults << kind.key() + ": day-book at " + dayBook.join(',') + ", last save " +
                              last.value(0).toString();
        }
        // No accounting voucher for a purchase number that was never stored.
        const int next = StoredNumber(
            *db, "SELECT COALESCE(MAX(CAST(SanadNoAmval AS INTEGER)), 0) + 1 FROM D_Buy_Create");
        if (StoredNumber(*db,
                         "SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '12' AND TRIM(Document) = ?",
                         {QString::number(next)}) != 0)
            faults << "an accounting voucher for purchase " + QString::number(next);
        return faults;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(WorkerClerk::Program()), qPrintable(WorkerClerk::Program()));
        m_year = DemoYear();
        CreateDemoCompany(m_place.location());
    }

    // Four clerks save new purchase vouchers at once, each on the number its window
    // proposes: every voucher is stored whole under a number of its own, every clerk
    // whose number was taken is told the number used, and nobody sees an engine error.
    void clerksSavingAtOnceLoseNothing()
    {
        std::vector<std::unique_ptr<WorkerClerk>> clerks;
        for (int i = 1; i <= 4; ++i)
            clerks.push_back(std::make_unique<WorkerClerk>(
                m_place.location(),
                QStringList{"--tag", "P" + QString::number(i), "--seed", QString::number(i),
                            "--ops", "15", "--new-only", "--kinds", "BuyCreate"}));
        QStringList problems, faults;
        QSet<QString> numbers;
        // Every clerk ends before anything is compared: the day-book and the log are read
        // by two statements, which another clerk's save must not fall between.
        for (const auto& clerk : clerks)
            QVERIFY2(clerk->process.waitForFinished(180000), "a clerk did not finish");
        for (int i = 0; i < int(clerks.size()); ++i) {
            QProcess& p = clerks.at(i)->process;
            const WorkerTranscript t = clerks.at(i)->transcript();
            QVERIFY2(p.exitCode() == 0, qPrintable(t.problems.join('\n') + '\n' +
                                                   QString::fromUtf8(p.readAllStandardError())));
            problems += t.problems;
            for (const QString& m : std::as_const(t.messages))
                QVERIFY2(m.contains("در اين فاصله توسط کاربر ديگري ثبت شد"), qPrintable(m));
            for (auto it = t.done.keyBegin(); it != t.done.keyEnd(); ++it) {
                QVERIFY2(!numbers.contains(it->second), qPrintable("twice: " + it->second));
                numbers << it->second;
            }
            // Stored as saved, logged once each, no accounting voucher before the end.
            faults += check(t, "P" + QString::number(i + 1), false);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        QVERIFY(numbers.size() >= 30);
    }

    // A clerk saving, editing and deleting sale, retirement and purchase vouchers is
    // killed at a random moment, again and again, with accounting vouchers issued at
    // once; after each kill the database is whole and every voucher agrees with its
    // log, its day-book and its accounting voucher.
    void aClerkKilledAtAnyMomentLeavesNothingHalfDone()
    {
        open()->execute(
            "UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
        const int runs = qEnvironmentVariableIsSet("AMVAL_CRASH_RUNS")
                             ? qEnvironmentVariableIntValue("AMVAL_CRASH_RUNS")
                             : 24;
        QRandomGenerator random(2024);
        int inflightKills = 0;
        for (int run = 1; run <= runs; ++run) {
            const QString tag = "C" + QString::number(run);
            WorkerClerk clerk(m_place.location(), {"--tag", tag, "--seed", QString::number(run)});
            QProcess& p = clerk.process;
            // Working once it says so, then killed a random while later.
            QElapsedTimer started;
            started.start();
            while (!clerk.output().contains("READY\n") && p.state() != QProcess::NotRunning &&
                   started.elapsed() < 60000)
                p.waitForReadyRead(200);
            QVERIFY2(clerk.output().contains("READY\n"), qPrintable(clerk.output()));
            p.waitForFinished(int(random.bounded(20u, 700u)));
            p.kill();
            p.waitForFinished(10000);
            const WorkerTranscript t = clerk.transcript();
            QVERIFY2(t.problems.isEmpty(), qPrintable(t.problems.join('\n')));
            inflightKills += t.inflightState.isEmpty() ? 0 : 1;
            const QStringList faults = check(t, tag);
            QVERIFY2(faults.isEmpty(),
                     qPrintable("run " + QString::number(run) + ":\n" + faults.join('\n')));
        }
        qInfo("%d of %d kills came while a save or delete was under way", inflightKills, runs);
    }
};

AMVAL_TEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
