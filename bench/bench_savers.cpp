// Saves per second with 1, 2, 4 and 8 clerks saving new vouchers at once, each on a
// connection of its own: through the procedures (rows, accounting voucher, action
// log in one transaction, numbering under the kind's lock) and, beside it, the same
// rows as plain statements. On a data folder of SQLite files, and on the server the
// environment names (AMVAL_BENCH_SERVER, else AMVAL_TEST_SERVER), in a database of
// its own that is dropped at the end.

#include "dbconnection.h"
#include "dialect.h"
#include "saverace.h"
#include "sqlquote.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>

namespace {

// The procedures' work in plain statements: the kind's lock row, MAX + 1, the rows,
// the accounting voucher and the action log, one transaction per voucher.
VoucherSaver Plain(DbConnection& db, int saver)
{
    const QString table = RaceTable();
    const QString lockClause = db.dialect().rowLockClause();
    return [&db, saver, table, lockClause](int v) {
        Transaction transaction(db);
        if (!lockClause.isEmpty())
            db.select(QStringLiteral("SELECT LockName FROM Amval_Lock WHERE LockName = ?") +
                          lockClause,
                      {table});
        QSqlQuery next = db.select(QStringLiteral("SELECT COALESCE(MAX(CAST(SanadNoAmval AS "
                                                  "INTEGER)), 0) + 1 FROM ") +
                                   SqlIdent(table));
        next.next();
        const QString number = next.value(0).toString().rightJustified(8, QLatin1Char(' '));
        for (int raj = 1; raj <= kRaceRowsPerVoucher; ++raj)
            db.execute("INSERT INTO " + SqlIdent(table) +
                           QStringLiteral(" (SanadNoAmval, Raj, sDate, DaraCod, AmvalDes) "
                                          "VALUES (?, ?, ?, ?, ?)"),
                       {number, raj, "1405/02/01", QString::number(100000 + saver * 1000 + raj),
                        QStringLiteral("raw %1-%2").arg(saver).arg(v)});
        if (!lockClause.isEmpty())
            db.select(QStringLiteral("SELECT LockName FROM Amval_Lock WHERE LockName = ?") +
                          lockClause,
                      {"Asnad"});
        db.execute(QStringLiteral("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, "
                                  "Document, DocToDate) SELECT COALESCE(MAX(SanadNo), 0) + 1, "
                                  "'1405/02/01', 'D', '16', ?, '1' FROM Asnad"),
                   {number});
        db.execute(QStringLiteral("INSERT INTO D_Asnad_Actions (ActSanadNo, User_Name, ActType) "
                                  "VALUES (?, ?, 'I')"),
                   {number, QStringLiteral("clerk%1").arg(saver)});
        transaction.commit();
    };
}

void Run(const QString& engine, const QString& place, int vouchersEach)
{
    std::printf("%-10s %7s %14s %14s\n", qPrintable(engine), "savers", "procedures/s", "plain/s");
    int round = 0;
    for (int savers : {1, 2, 4, 8}) {
        double rates[2] = {0, 0};
        for (int raw = 0; raw < 2; ++raw) {
            const QString name = QStringLiteral("ZELMORA_%1_1405").arg(++round);
            PrepareRaceDatabase(place, name);
            SaveRace race;
            race.savers = savers;
            race.vouchersEach = vouchersEach;
            if (raw == 1)
                race.clerk = Plain;
            const SaveRaceResult r = RunSaveRace(place, name, race);
            if (!r.failures.isEmpty())
                std::printf("  %lld saves failed, first: %s\n", qlonglong(r.failures.size()),
                            qPrintable(r.failures.first()));
            rates[raw] = r.milliseconds > 0 ? 1000.0 * r.saved / double(r.milliseconds) : 0;
        }
        std::printf("%-10s %7d %14.1f %14.1f\n", "", savers, rates[0], rates[1]);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int vouchersEach = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50;
    try {
        QTemporaryDir dir;
        Run(QStringLiteral("sqlite"), dir.path(), vouchersEach);

        QString server = qEnvironmentVariable("AMVAL_BENCH_SERVER");
        if (server.isEmpty())
            server = qEnvironmentVariable("AMVAL_TEST_SERVER");
        if (server.isEmpty()) {
            std::printf("postgresql: no server named (AMVAL_BENCH_SERVER)\n");
            return 0;
        }
        const QString database = QStringLiteral("amval_bench_%1").arg(app.applicationPid());
        {
            DbConnection admin(server, QString(), DbConnection::OpenMode::Existing);
            admin.execute(QStringLiteral("CREATE DATABASE ") + SqlIdent(database));
        }
        QUrl url(server);
        url.setPath(QLatin1Char('/') + database);
        Run(QStringLiteral("postgresql"), url.toString(), vouchersEach);
        DbConnection admin(server, QString(), DbConnection::OpenMode::Existing);
        admin.execute(QStringLiteral("DROP DATABASE ") + SqlIdent(database) +
                      QStringLiteral(" WITH (FORCE)"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_savers: %s\n", e.what());
        return 1;
    }
    return 0;
}
