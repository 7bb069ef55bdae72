#pragma once

// The register's assets still held, counted apart from the program's statements: the
// rows read as they are and the rules applied here. Held: neither sold nor permanently
// retired, unless returned from that retirement on or after its date. Cost: EndValue,
// TadilValue, AsaseChangeValue, less ReduceValue, plus the purchases' cost prices.

#include "storedcolumn.h"

#include <QHash>
#include <QSet>

// Each asset held, by its trimmed code, with its cost.
inline QHash<QString, double> HeldAssets(const DbConnection& db)
{
    QSet<QString> gone;
    for (const QString& code : Column(db, "SELECT DaraCod FROM D_ForoshDaymeh"))
        gone << code;
    QHash<QString, QString> returned; // the last return's date
    for (const QStringList& row : StoredRows(db, "SELECT TRIM(DaraCod), sDate FROM D_BarKenarD"))
        returned[row.at(0)] = std::max(returned.value(row.at(0)), row.at(1));
    for (const QStringList& row : StoredRows(db, "SELECT TRIM(DaraCod), sDate FROM D_KenarD"))
        if (row.at(1) > returned.value(row.at(0)))
            gone << row.at(0);
    QHash<QString, double> bought;
    for (const QStringList& row : StoredRows(db, "SELECT TRIM(DaraCod), EndFee FROM D_Buy_Create"))
        bought[row.at(0)] += row.at(1).toDouble();
    QHash<QString, double> held;
    for (const QStringList& row :
         StoredRows(db, "SELECT TRIM(DaraCod), EndValue, TadilValue, AsaseChangeValue, "
                        "ReduceValue FROM D_Amval"))
        if (!gone.contains(row.at(0)))
            held.insert(row.at(0), row.at(1).toDouble() + row.at(2).toDouble() +
                                       row.at(3).toDouble() - row.at(4).toDouble() +
                                       bought.value(row.at(0)));
    return held;
}
