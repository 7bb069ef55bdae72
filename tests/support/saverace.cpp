#include "saverace.h"

#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSqlQuery>
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

// Runs one save and counts it, or keeps why it failed.
template <class Save> void Counted(SaveRaceResult& result, QMutex& lock, Save&& save)
{
    try {
        save();
        const QMutexLocker locker(&lock);
        ++result.saved;
    } catch (const std::exception& e) {
        const QMutexLocker locker(&lock);
        result.failures << QString::fromUtf8(e.what());
    }
}

// One clerk: `count` new vouchers, each with two rows, asked for under number 1 so
// that every save but the first of all finds its number taken.
void SaveThroughProcedures(const QString& place, const QString& name, int saver, int count,
                           SaveRaceResult& result, QMutex& lock)
{
    std::unique_ptr<DbConnection> db = Open(place, name);
    CompanyProcedures procedures;
    db->setProcedures(&procedures);
    const VoucherKind& kind = Kind();
    const QString trans = QStringLiteral("##RACE%1").arg(saver);
    db->callProcedure(kind.procedure, {trans, "0", "DB->TRANS"});
    for (int v = 0; v < count; ++v) {
        Counted(result, lock, [&] {
            db->execute("DELETE FROM " + SqlIdent(trans));
            for (int raj = 1; raj <= kRaceRowsPerVoucher; ++raj)
                db->execute("INSERT INTO " + SqlIdent(trans) +
                                QStringLiteral(" (SanadNoAmval, Raj, sDate, DaraCod, AmvalDes) "
                                               "VALUES (?, ?, ?, ?, ?)"),
                            {"1", raj, "1405/02/01", QString::number(100000 + saver * 1000 + raj),
                             QStringLiteral("کنارگذاري '%1-%2'").arg(saver).arg(v)});
            Transaction transaction(*db);
            const ProcedureResult saved =
                db->callProcedure(kind.procedure, {trans, "1", "TRANS->DB", "@Expect=NEW"});
            if (saved.value("RetState").toString().trimmed() != QLatin1String("1"))
                throw std::runtime_error(saved.value("ErrorText").toString().toStdString());
            const QString number = saved.value("SanadNoAmval").toString();
            db->callProcedure("sp_D_Asnad_SodorSanad_FromFactor",
                              {kind.whatDoc, trans, number, "1405/02/01", "9",
                               QStringLiteral("clerk%1").arg(saver)});
            db->callProcedure("sp_Asnad_Actions",
                              {QString(), "A", kind.actionLabel, number,
                               QStringLiteral("clerk%1").arg(saver), "I", "1405/02/01", "10:00",
                               QString(), QString(), QString(), QString()});
            transaction.commit();
        });
    }
}

// The same work in plain statements: the kind's lock row, MAX + 1, the rows, the
// accounting voucher and the action log, one transaction per voucher.
void SaveRaw(const QString& place, const QString& name, int saver, int count,
             SaveRaceResult& result, QMutex& lock)
{
    std::unique_ptr<DbConnection> db = Open(place, name);
    const QString table = Kind().table;
    const QString lockClause = db->dialect().rowLockClause();
    for (int v = 0; v < count; ++v) {
        Counted(result, lock, [&] {
            Transaction transaction(*db);
            if (!lockClause.isEmpty())
                db->select(QStringLiteral("SELECT LockName FROM Amval_Lock WHERE LockName = ?") +
                               lockClause,
                           {table});
            QSqlQuery next = db->select(QStringLiteral("SELECT COALESCE(MAX(CAST(SanadNoAmval AS "
                                                       "INTEGER)), 0) + 1 FROM ") +
                                        SqlIdent(table));
            next.next();
            const QString number = next.value(0).toString().rightJustified(8, QLatin1Char(' '));
            for (int raj = 1; raj <= kRaceRowsPerVoucher; ++raj)
                db->execute("INSERT INTO " + SqlIdent(table) +
                                QStringLiteral(" (SanadNoAmval, Raj, sDate, DaraCod, AmvalDes) "
                                               "VALUES (?, ?, ?, ?, ?)"),
                            {number, raj, "1405/02/01",
                             QString::number(100000 + saver * 1000 + raj),
                             QStringLiteral("raw %1-%2").arg(saver).arg(v)});
            if (!lockClause.isEmpty())
                db->select(QStringLiteral("SELECT LockName FROM Amval_Lock WHERE LockName = ?") +
                               lockClause,
                           {"Asnad"});
            db->execute(QStringLiteral("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, "
                                       "Document, DocToDate) SELECT COALESCE(MAX(SanadNo), 0) + 1, "
                                       "'1405/02/01', 'D', '16', ?, '1' FROM Asnad"),
                        {number});
            db->execute(
                QStringLiteral("INSERT INTO D_Asnad_Actions (ActSanadNo, User_Name, ActType) "
                               "VALUES (?, ?, 'I')"),
                {number, QStringLiteral("clerk%1").arg(saver)});
            transaction.commit();
        });
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
                if (race.raw)
                    SaveRaw(place, name, s + 1, race.vouchersEach, result, lock);
                else
                    SaveThroughProcedures(place, name, s + 1, race.vouchersEach, result, lock);
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
