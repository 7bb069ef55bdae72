#pragma once

// The register's assets counted apart from the program's statements: the rows read as
// they are and the rules applied here. Cost: EndValue, TadilValue, AsaseChangeValue,
// less ReduceValue, plus the purchases' cost prices. State: 'S' sold, 'R' permanently
// retired and not returned from that retirement on or after its date, 'T' set aside for
// a time (its record's KenarDate), 'U' in use. Held: neither sold nor retired for good.

#include "storedcolumn.h"

#include <QHash>
#include <QSet>

struct AssetStanding
{
    double cost = 0;
    QChar state;
    bool bought = false; // on a purchase voucher
};

// Each asset of the register, by its trimmed code.
inline QHash<QString, AssetStanding> AssetStandings(const DbConnection& db)
{
    QSet<QString> sold, retired;
    for (const QString& code : Column(db, "SELECT DaraCod FROM D_ForoshDaymeh"))
        sold << code;
    QHash<QString, QString> returned; // the last return's date
    for (const QStringList& row : StoredRows(db, "SELECT TRIM(DaraCod), sDate FROM D_BarKenarD"))
        returned[row.at(0)] = std::max(returned.value(row.at(0)), row.at(1));
    for (const QStringList& row : StoredRows(db, "SELECT TRIM(DaraCod), sDate FROM D_KenarD"))
        if (row.at(1) > returned.value(row.at(0)))
            retired << row.at(0);
    QHash<QString, double> bought;
    for (const QStringList& row : StoredRows(db, "SELECT TRIM(DaraCod), EndFee FROM D_Buy_Create"))
        bought[row.at(0)] += row.at(1).toDouble();
    QHash<QString, AssetStanding> out;
    for (const QStringList& row :
         StoredRows(db, "SELECT TRIM(DaraCod), EndValue, TadilValue, AsaseChangeValue, "
                        "ReduceValue, KenarDate FROM D_Amval")) {
        const QString& code = row.at(0);
        const QChar state = sold.contains(code)             ? u'S'
                            : retired.contains(code)        ? u'R'
                            : row.at(5).trimmed().isEmpty() ? u'U'
                                                            : u'T';
        out.insert(code, {row.at(1).toDouble() + row.at(2).toDouble() + row.at(3).toDouble() -
                              row.at(4).toDouble() + bought.value(code),
                          state, bought.contains(code)});
    }
    return out;
}

// Each asset held, by its trimmed code, with its cost.
inline QHash<QString, double> HeldAssets(const DbConnection& db)
{
    QHash<QString, double> held;
    const QHash<QString, AssetStanding> all = AssetStandings(db);
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (it->state != u'S' && it->state != u'R')
            held.insert(it.key(), it->cost);
    return held;
}
