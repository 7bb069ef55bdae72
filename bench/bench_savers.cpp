// Saves per second with 1, 2, 4 and 8 clerks saving new vouchers at once, each on a
// connection of its own: through the procedures (rows, accounting voucher, action
// log in one transaction, numbering under the kind's lock) and, beside it, the same
// rows as plain statements. On a data folder of SQLite files, and on the server the
// environment names (AMVAL_BENCH_SERVER, else AMVAL_TEST_SERVER), in a database of
// its own that is dropped at the end.

#include "dbconnection.h"
#include "saverace.h"
#include "sqlquote.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>

namespace {

void Run(const QString& engine, const QString& place, int vouchersEach)
{
    std::printf("%-10s %7s %14s %14s\n", qPrintable(engine), "savers", "procedures/s",
                "plain/s");
    int round = 0;
    for (int savers : {1, 2, 4, 8}) {
        double rates[2] = {0, 0};
        for (int raw = 0; raw < 2; ++raw) {
            const QString name = QStringLiteral("ZELMORA_%1_1405").arg(++round);
            PrepareRaceDatabase(place, name);
            SaveRace race;
            race.savers = savers;
            race.vouchersEach = vouchersEach;
            race.raw = raw == 1;
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
