#include "saverace.h"

#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <memory>
#include <stdexcept>

namespace {

const VoucherKind& Kind()
{
    return VoucherKindOf(VoucherKindId::KenarD);
}

std::unique_ptr<DbConnection> Open(const QString& place, const QString& name)
{
    auto db = std::make_unique<DbConnection>(place, name, DbConnection::OpenMode::Existing);
    if (!db->isOpen())
        throw db->openFailure();
    return db;
}

// One clerk's vouchers, each with two rows, asked for under number 1 so that every
// save but the first of all finds its number taken.
VoucherSaver ThroughProcedures(DbConnection& db, int saver)
{
    auto procedures = std::make_shared<CompanyProcedures>();
    db.setProcedures(procedures.get());
    const VoucherKind& kind = Kind();
    const QString trans = QStringLiteral("##RACE%1").arg(saver);
    db.callProcedure(kind.procedure, {trans, "0", "DB->TRANS"});
    return [&db, &kind, procedures, trans, saver](int v) {
        db.execute("DELETE FROM " + SqlIdent(trans));
        for (int raj = 1; raj <= kRaceRowsPerVoucher; ++raj)
            db.execute("INSERT INTO " + SqlIdent(trans) +
                           QStringLiteral(" (SanadNoAmval, Raj, sDate, DaraCod, AmvalDes) "
                                          "VALUES (?, ?, ?, ?, ?)"),
                       {"1", raj, "1405/02/01", QString::number(100000 + saver * 1000 + raj),
                        QStringLiteral("کنارگذاري '%1-%2'").arg(saver).arg(v)});
        Transaction transaction(db);
        const ProcedureResult saved =
            db.callProcedure(kind.procedure, {trans, "1", "TRANS->DB", "@Expect=NEW"});
        if (saved.value("RetState").toString().trimmed() != QLatin1String("1"))
            throw std::runtime_error(saved.value("ErrorText").toString().toStdString());
        const QString number = saved.value("SanadNoAmval").toString();
        db.callProcedure(
            "sp_D_Asnad_SodorSanad_FromFactor",
            {kind.whatDoc, trans, number, "1405/02/01", "9", QStringLiteral("clerk%1").arg(saver)});
        db.callProcedure("sp_Asnad_Actions",
                         {QString(), "A", kind.actionLabel, number,
                          QStringLiteral("clerk%1").arg(saver), "I", "1405/02/01", "10:00",
                          QString(), QString(), QString(), QString()});
        transaction.commit();
    };
}

// One clerk: `count` vouchers on a connection of its own, each save counted.
void Clerk(const QString& place, const QString& name, const SaveRace& race, int saver,
           SaveRaceResult& result, QMutex& lock)
{
    std::unique_ptr<DbConnection> db = Open(place, name);
    const VoucherSaver save = race.clerk ? race.clerk(*db, saver) : ThroughProcedures(*db, saver);
    // Each save counted, or why it failed kept.
    for (int v = 0; v < race.vouchersEach; ++v) {
        try {
            save(v);
            const QMutexLocker locker(&lock);
            ++result.saved;
        } catch (const std::exception& e) {
            const QMutexLocker locker(&lock);
            result.failures << QString::fromUtf8(e.what());
        }
    }
}

} // namespace

QString RaceTable()
{
    return Kind().table;
}

void PrepareRaceDatabase(const QString& place, const QString& name)
{
    DbConnection db(place, name, DbConnection::OpenMode::Create);
    if (!db.isOpen())
        throw db.openFailure();
    Schema::CreateCompanySchema(db);
}

SaveRaceResult RunSaveRace(const QString& place, const QString& name, const SaveRace& race)
{
    SaveRaceResult result;
    QMutex lock;
    QList<QThread*> threads;
    for (int s = 0; s < race.savers; ++s) {
        threads << QThread::create([&, s] {
            try {
                Clerk(place, name, race, s + 1, result, lock);
            } catch (const std::exception& e) {
                const QMutexLocker locker(&lock);
                result.failures << QString::fromUtf8(e.what());
            }
        });
    }
    QElapsedTimer timer;
    timer.start();
    for (QThread* t : threads)
        t->start();
    for (QThread* t : threads) {
        t->wait();
        delete t;
    }
    result.milliseconds = timer.elapsed();
    return result;
}
