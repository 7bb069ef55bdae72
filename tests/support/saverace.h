#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class DbConnection;

// Saves one voucher, the clerk's `voucher`-th, on the connection it was made for.
using VoucherSaver = std::function<void(int voucher)>;

// Several clerks saving new vouchers of one kind at the same moment, each on a
// connection of its own (a thread each), every save as the voucher window makes
// it: the rows, the accounting voucher and the action log in one transaction, the
// number asked for being one another clerk may have taken meanwhile.
struct SaveRace
{
    int savers = 2;
    int vouchersEach = 50;
    // Given a clerk's connection and number (from 1), the saver of that clerk's
    // vouchers; empty saves through the procedures as the voucher window does.
    std::function<VoucherSaver(DbConnection& db, int saver)> clerk;
};

struct SaveRaceResult
{
    int saved = 0;
    QStringList failures; // the error of each save that did not happen
    qint64 milliseconds = 0;
};

// The company database the race runs on: database `name` of data place `place`,
// made with the company schema (nothing else in it).
void PrepareRaceDatabase(const QString& place, const QString& name);
SaveRaceResult RunSaveRace(const QString& place, const QString& name, const SaveRace& race);
// The permanent retirement kind the race saves, and the rows each voucher has.
QString RaceTable();
constexpr int kRaceRowsPerVoucher = 2;
