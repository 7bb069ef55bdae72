// Clerks in programs of their own on one data place (voucher_worker): several saving
// new vouchers at once lose none and share no number; one killed at a random moment
// while it saves, edits and deletes leaves every voucher wholly as it was or wholly as
// it was being saved, with its action log, day-book and accounting voucher agreeing.
//
// AMVAL_CRASH_RUNS sets how many times a clerk is killed (scripts/crash-test.sh).

#include "databasefolder.h"
#include "dbconnection.h"
#include "democompany.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testplace.h"

#include <QCalendar>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

namespace {

QString CurrentYear()
{
    return QString::number(
        QCalendar(QCalendar::System::Jalali).partsFromDate(QDate::currentDate()).year);
}

struct KindInfo
{
    QString table;
    QString code;
    QString label;
};

// A voucher as a clerk's output names it: its kind and number ("new" while a new
// voucher's number is not known yet).
using Key = QPair<QString, QString>;

// What one clerk said it did, up to where its output ends.
struct Transcript
{
    QHash<QString, KindInfo> kinds;
    QHash<Key, QString> done;  // last state each voucher was saved to ("-": deleted)
    QHash<Key, int> doneCount; // saves and deletes that finished, per voucher
    QList<QString> problems;   // FAILED, ERROR and unexpected MESSAGE lines
    QList<QString> messages;   // every message shown
    bool ready = false;
    // The save or delete under way when the output ended, if any.
    Key inflight;
    QString inflightState;

    void read(const QString& output)
    {
        for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList w = line.split(QLatin1Char(' '));
            if (w.at(0) == QLatin1String("KIND") && w.size() >= 5) {
                kinds.insert(w.at(1), {w.at(2), w.at(3), w.mid(4).join(QLatin1Char(' '))});
            } else if (w.at(0) == QLatin1String("READY")) {
                ready = true;
            } else if (w.at(0) == QLatin1String("BEGIN") && w.size() == 4) {
                inflight = {w.at(1), w.at(2)};
                inflightState = w.at(3);
            } else if (w.at(0) == QLatin1String("DONE") && w.size() == 4) {
                const Key key{w.at(1), w.at(2)};
                done.insert(key, w.at(3));
                doneCount[key] += 1;
                inflight = {};
                inflightState.clear();
            } else if (w.at(0) == QLatin1String("FAILED") || w.at(0) == QLatin1String("ERROR")) {
                problems << line;
                inflight = {};
                inflightState.clear();
            } else if (w.at(0) == QLatin1String("MESSAGE")) {
                messages << line;
            }
        }
    }
};

} // namespace

class TestCrash : public QObject
{
    Q_OBJECT

    TestPlace m_place;
    QString m_year;

    QString worker() const
    {
        return QDir(QCoreApplication::applicationDirPath()).filePath("voucher_worker");
    }
    // The clerks' windows need no screen.
    static QProcessEnvironment Offscreen()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }
    std::unique_ptr<DbConnection> open() const
    {
        return DatabaseFolder(m_place.location()).openCompany(QStringLiteral("1"), m_year, false);
    }
    // The vouchers of a clerk's tag in a table: number -> state, with every row of a
    // voucher checked to carry the same state, numbered 1..n for n in the state.
    static QHash<QString, QString> Stored(DbConnection& db, const QString& table,
                                          const QString& tag, QStringList& faults)
    {
        QHash<QString, QString> states;
        QHash<QString, QList<int>> rows;
        QSqlQuery q = db.select("SELECT SanadNoAmval, AmvalDes, Raj FROM " + SqlIdent(table) +
                                " WHERE AmvalDes LIKE " + SqlQuote(tag + "-%") +
                                " ORDER BY SanadNoAmval, Raj");
        while (q.next()) {
            const QString number = q.value(0).toString().trimmed();
            const QString state = q.value(1).toString();
            if (states.contains(number) && states.value(number) != state)
                faults << table + " " + number + " mixes " + states.value(number) + " and " + state;
            states.insert(number, state);
            rows[number] << q.value(2).toInt();
        }
        for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
            const int n = states.value(it.key()).section(QLatin1Char('-'), -1).toInt();
            QList<int> expected;
            for (int r = 1; r <= n; ++r)
                expected << r;
            if (it.value() != expected)
                faults << table + " " + it.key() + " has rows of another state (" +
                              states.value(it.key()) + ")";
        }
        return states;
    }

    // Every rule a clerk's vouchers keep, whatever moment its program was killed at.
    QStringList check(const Transcript& t, const QString& tag)
    {
        QStringList faults;
        std::unique_ptr<DbConnection> db = open();
        if (!db || !db->isOpen())
            return {QStringLiteral("the company does not open")};
        if (!db->isServer() && Column(*db, "PRAGMA integrity_check") != QStringList{"ok"})
            faults << "integrity check fails";

        const QString user = "worker " + tag;
        for (auto kind = t.kinds.cbegin(); kind != t.kinds.cend(); ++kind) {
            const QHash<QString, QString> stored = Stored(*db, kind->table, tag, faults);
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
                const Key key{kind.key(), number};
                const QString now = stored.value(number, QStringLiteral("-"));
                const bool known = t.done.contains(key);
                const bool asDone = known && t.done.value(key) == now;
                const bool asInflight =
                    !t.inflightState.isEmpty() && t.inflight.first == kind.key() &&
                    (t.inflight.second == number ||
                     (t.inflight.second == "new" && t.done.value(key, "-") == "-")) &&
                    t.inflightState == now;
                if (!asDone && !asInflight)
                    faults << kind.key() + " " + number + " holds " + now + ", expected " +
                                  (known ? t.done.value(key) : QStringLiteral("nothing"));
                const int committed = t.doneCount.value(key) + (asInflight ? 1 : 0);
                inflightCommitted += asInflight ? 1 : 0;
                const int logged =
                    Column(*db, "SELECT COUNT(*) FROM D_Asnad_Actions WHERE User_Name = " +
                                    SqlQuote(user) + " AND SectionNam = " + SqlQuote(kind->label) +
                                    " AND TRIM(ActSanadNo) = " + SqlQuote(number))
                        .value(0)
                        .toInt();
                if (logged != committed)
                    faults << kind.key() + " " + number + ": " + QString::number(logged) +
                                  " log entries for " + QString::number(committed) + " saves";
                // An accounting voucher exactly for the stored purchases.
                if (kind->code == QLatin1String("12")) {
                    const int issued =
                        Column(*db, "SELECT COUNT(*) FROM Asnad WHERE TypeSys = 'D' AND "
                                    "WhatDoc = '12' AND TRIM(Document) = " +
                                        SqlQuote(number))
                            .value(0)
                            .toInt();
                    if (issued != (now == QLatin1String("-") ? 0 : 1))
                        faults << "purchase " + number + " holds " + now + " with " +
                                      QString::number(issued) + " accounting vouchers";
                }
            }
            if (inflightCommitted > 1)
                faults << kind.key() + ": the save under way was stored twice";
            // The day-book follows the last save of the kind, whoever made it.
            const QString lastSaved = Column(*db, "SELECT ActSanadNo FROM D_Asnad_Actions WHERE "
                                                  "SectionNam = " +
                                                      SqlQuote(kind->label) +
                                                      " AND ActType IN ('I', 'E') ORDER BY "
                                                      "ActionId DESC LIMIT 1")
                                          .value(0);
            if (!lastSaved.isEmpty()) {
                const QStringList dayBook =
                    Column(*db, "SELECT DISTINCT SanadNoAmval FROM D_Roz WHERE WhatDoc = " +
                                    SqlQuote(kind->code) + " AND Operator = 'ض'");
                if (!dayBook.isEmpty() && dayBook != QStringList{lastSaved})
                    faults << kind.key() + ": day-book at " + dayBook.join(',') + ", last save " +
                                  lastSaved;
            }
        }
        // No accounting voucher for a purchase number that was never stored.
        const QString nextPurchase =
            Column(*db, "SELECT COALESCE(MAX(CAST(SanadNoAmval AS INTEGER)), 0) + 1 FROM "
                        "D_Buy_Create")
                .value(0);
        if (Column(*db, "SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '12' AND TRIM(Document) = " +
                            SqlQuote(nextPurchase))
                .value(0) != QLatin1String("0"))
            faults << "an accounting voucher for purchase " + nextPurchase + ", never stored";
        return faults;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(worker()), qPrintable(worker()));
        m_year = CurrentYear();
        CreateDemoCompany(m_place.location());
    }

    // Four clerks save new purchase vouchers at once, each on the number its window
    // proposes: every voucher is stored whole under a number of its own, every clerk
    // whose number was taken is told the number used, and nobody sees an engine error.
    void clerksSavingAtOnceLoseNothing()
    {
        QList<QProcess*> clerks;
        for (int i = 1; i <= 4; ++i) {
            auto* p = new QProcess(this);
            p->setProcessEnvironment(Offscreen());
            p->start(worker(),
                     {"--data", m_place.location(), "--tag", "P" + QString::number(i), "--seed",
                      QString::number(i), "--ops", "15", "--new-only", "--kinds", "BuyCreate"});
            clerks << p;
        }
        Transcript all;
        QHash<QString, QString> saved; // number -> state
        QStringList duplicates;
        for (QProcess* p : std::as_const(clerks)) {
            if (!p->waitForFinished(180000)) {
                for (QProcess* q : std::as_const(clerks))
                    q->kill();
                QFAIL("a clerk did not finish");
            }
            Transcript t;
            t.read(QString::fromUtf8(p->readAllStandardOutput()));
            QVERIFY2(p->exitCode() == 0, qPrintable(t.problems.join('\n') + '\n' +
                                                    QString::fromUtf8(p->readAllStandardError())));
            all.problems += t.problems;
            all.messages += t.messages;
            for (auto it = t.done.cbegin(); it != t.done.cend(); ++it) {
                if (saved.contains(it.key().second))
                    duplicates << it.key().second;
                saved.insert(it.key().second, it.value());
            }
        }
        QVERIFY2(all.problems.isEmpty(), qPrintable(all.problems.join('\n')));
        QVERIFY2(duplicates.isEmpty(), qPrintable(duplicates.join(',')));
        QVERIFY(saved.size() >= 30);
        for (const QString& m : std::as_const(all.messages))
            QVERIFY2(m.contains(QStringLiteral("در اين فاصله توسط کاربر ديگري ثبت شد")),
                     qPrintable(m));

        std::unique_ptr<DbConnection> db = open();
        QStringList faults;
        QHash<QString, QString> stored;
        for (int i = 1; i <= 4; ++i) {
            const QHash<QString, QString> s =
                Stored(*db, "D_Buy_Create", "P" + QString::number(i), faults);
            for (auto it = s.cbegin(); it != s.cend(); ++it)
                stored.insert(it.key(), it.value());
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        QCOMPARE(stored, saved);
        for (auto it = saved.cbegin(); it != saved.cend(); ++it)
            QCOMPARE(Column(*db, "SELECT ActType FROM D_Asnad_Actions WHERE SectionNam = "
                                 "'خريد/ساخت' AND TRIM(ActSanadNo) = " +
                                     SqlQuote(it.key())),
                     QStringList{"I"});
    }

    // A clerk saving, editing and deleting sale, retirement and purchase vouchers is
    // killed at a random moment, again and again, with accounting vouchers issued at
    // once; after each kill the database is whole and every voucher agrees with its
    // log, its day-book and its accounting voucher.
    void aClerkKilledAtAnyMomentLeavesNothingHalfDone()
    {
        {
            std::unique_ptr<DbConnection> db = open();
            db->execute("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', "
                        "'SANAD_TIME=ANE')");
        }
        const int runs = qEnvironmentVariableIsSet("AMVAL_CRASH_RUNS")
                             ? qEnvironmentVariableIntValue("AMVAL_CRASH_RUNS")
                             : 24;
        QRandomGenerator random(2024);
        int inflightKills = 0;
        for (int run = 1; run <= runs; ++run) {
            const QString tag = "C" + QString::number(run);
            QProcess p;
            p.setProcessEnvironment(Offscreen());
            p.start(worker(),
                    {"--data", m_place.location(), "--tag", tag, "--seed", QString::number(run)});
            QByteArray output;
            // Working once it says so, then killed a random while later.
            QElapsedTimer started;
            started.start();
            while (!output.contains("READY\n") && p.state() != QProcess::NotRunning &&
                   started.elapsed() < 60000) {
                p.waitForReadyRead(200);
                output += p.readAllStandardOutput();
            }
            QVERIFY2(output.contains("READY\n"), output.constData());
            p.waitForFinished(int(random.bounded(20u, 700u)));
            p.kill();
            p.waitForFinished(10000);
            output += p.readAllStandardOutput();

            Transcript t;
            t.read(QString::fromUtf8(output));
            QVERIFY2(t.problems.isEmpty(), qPrintable(t.problems.join('\n')));
            inflightKills += t.inflightState.isEmpty() ? 0 : 1;
            const QStringList faults = check(t, tag);
            QVERIFY2(faults.isEmpty(),
                     qPrintable("run " + QString::number(run) + ":\n" + faults.join('\n')));
        }
        qInfo("%d of %d kills came while a save or delete was under way", inflightKills, runs);
    }
};

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
