#pragma once

#include <QHash>
#include <QString>

// A company of the size a mid-sized business reaches after a few years, for the
// benchmarks: the demo company's settings, chart of accounts, users and look-up
// tables, and in its current period `assets` assets and `rows` voucher rows spread
// over the voucher tables. Every asset is bought once before anything else happens
// to it, is sold or permanently retired at most once with nothing after that but
// the return from that retirement; a temporary retirement is followed by its return
// before anything else; the vouchers of a kind are numbered 1..n in date order,
// each of one date inside the period and with an asset at most once. Numbers and
// codes are stored in the form the demo company and the procedures store them.
// The same options always give the same data.
struct LargeCompanyOptions
{
    int assets = 100000;
    qint64 rows = 1000000; // rows of the voucher tables (cost components not counted)
    quint32 seed = 1405;
    QString currentYear; // empty: the current Jalali year
};

struct LargeCompanySummary
{
    QString company;                // "1"
    QString year;                   // the period holding the large data
    int assets = 0;                 // rows of D_Amval
    qint64 voucherRows = 0;         // rows of the voucher tables
    qint64 vouchers = 0;            // vouchers of every kind
    QHash<QString, qint64> rows;    // rows by table (components and log included)
    QHash<QString, int> lastNumber; // the last voucher number of each voucher table
    qint64 milliseconds = 0;        // time to make it
};

// Makes the company on a data place that holds no database (a folder, or a server
// address; see DatabaseFolder): the demo company first, then the current period's
// assets, vouchers, cost components, issued accounting vouchers and action log
// replaced by the large ones, in one transaction. Throws DatabaseError when the
// place holds a database or cannot be written.
LargeCompanySummary CreateLargeCompany(const QString& place,
                                       const LargeCompanyOptions& options = {});

// The voucher tables the generator fills (the asset count is not among them).
const QStringList& LargeCompanyVoucherTables();
