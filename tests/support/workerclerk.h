#pragma once

// A clerk in a program of its own (voucher_worker, support/voucherworker.cpp) on a data
// place, what it said it did, and the vouchers it stored as the database holds them.

#include "dbconnection.h"
#include "sqlquote.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

// A voucher as a clerk's output names it: its kind and number ("new" while a new
// voucher's number is not known yet).
using WorkerVoucher = QPair<QString, QString>;

// What one clerk said it did, up to where its output ends.
struct WorkerTranscript
{
    struct Kind
    {
        QString table, code, label;
    };
    QHash<QString, Kind> kinds;
    QHash<WorkerVoucher, QString> done;  // last state each voucher was saved to ("-": deleted)
    QHash<WorkerVoucher, int> doneCount; // saves and deletes that finished, per voucher
    QStringList problems;                // FAILED and ERROR lines
    QStringList messages;                // every message shown
    // The save or delete under way when the output ended: its voucher and state
    // (empty when none was).
    WorkerVoucher inflight;
    QString inflightState;

    explicit WorkerTranscript(const QString& output)
    {
        for (const QString& line : output.split('\n', Qt::SkipEmptyParts)) {
            const QStringList w = line.split(' ');
            const QString& word = w.at(0);
            if (word == "KIND" && w.size() >= 5) {
                kinds.insert(w.at(1), {w.at(2), w.at(3), w.mid(4).join(' ')});
            } else if (word == "MESSAGE") {
                messages << line;
            } else if (word == "BEGIN" && w.size() == 4) {
                inflight = {w.at(1), w.at(2)};
                inflightState = w.at(3);
            } else if (word == "DONE" && w.size() == 4) {
                done.insert({w.at(1), w.at(2)}, w.at(3));
                doneCount[{w.at(1), w.at(2)}] += 1;
                inflightState.clear(); // nothing under way
            } else if (word == "FAILED" || word == "ERROR") {
                problems << line;
                inflightState.clear();
            }
        }
    }
};

// The clerk's program on `place`, started with `arguments` after the place; its windows
// need no screen. It is killed when the object goes.
class WorkerClerk
{
public:
    WorkerClerk(const QString& place, const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(Program(), QStringList{"--data", place} + arguments);
    }
    ~WorkerClerk()
    {
        process.kill();
        process.waitForFinished(10000);
    }
    WorkerClerk(const WorkerClerk&) = delete;
    WorkerClerk& operator=(const WorkerClerk&) = delete;

    static QString Program()
    {
        return QDir(QCoreApplication::applicationDirPath()).filePath("voucher_worker");
    }
    // Everything it printed so far.
    QString output()
    {
        m_output += QString::fromUtf8(process.readAllStandardOutput());
        return m_output;
    }
    WorkerTranscript transcript() { return WorkerTranscript(output()); }
    // Waits until it has finished `count` saves in all.
    bool waitForSaves(int count)
    {
        return QTest::qWaitFor([&] { return ('\n' + output()).count("\nDONE ") >= count; }, 120000);
    }

    QProcess process;

private:
    QString m_output;
};

// The vouchers a clerk tagged `tag` stored in `table` of `db`: number -> state. Each is
// checked to be whole, into `faults`: every row carries the same state, the rows are
// numbered 1..n for n the state's last part, and a purchase's rows (D_Buy_Create) each
// have their two cost components.
inline QHash<QString, QString> WorkerVouchers(DbConnection& db, const QString& table,
                                              const QString& tag, QStringList& faults)
{
    const bool purchase = table == QLatin1String("D_Buy_Create");
    QHash<QString, QString> states;
    QHash<QString, int> rows;
    QSqlQuery q = db.select(
        "SELECT SanadNoAmval, AmvalDes, Raj, " +
            QString(purchase ? "(SELECT COUNT(*) FROM D_Buy_Create_Relate_Gheimat AS G WHERE "
                               "G.SanadNoAmval = B.SanadNoAmval AND G.DaraCod = B.DaraCod)"
                             : "2") +
            " FROM " + SqlIdent(table) + " AS B WHERE AmvalDes LIKE ? ORDER BY SanadNoAmval, Raj",
        {tag + "-%"});
    while (q.next()) {
        const QString number = q.value(0).toString().trimmed(), state = q.value(1).toString();
        const QString where = table + " " + number;
        if (states.value(number, state) != state)
            faults << where + " mixes " + states.value(number) + " and " + state;
        states.insert(number, state);
        if (q.value(2).toInt() != ++rows[number])
            faults << where + " holds row " + q.value(2).toString() + " out of its place";
        if (q.value(3).toInt() != 2)
            faults << where + " row " + q.value(2).toString() + " has " + q.value(3).toString() +
                          " cost components";
    }
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        if (it.value() != states.value(it.key()).section('-', -1).toInt())
            faults << table + " " + it.key() + " holds " + QString::number(it.value()) +
                          " rows of " + states.value(it.key());
    return states;
}
