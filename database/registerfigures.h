#pragma once

#include <QString>

class DbConnection;

// A few figures of the company period's register for the host's start page.
struct RegisterFigures
{
    // Assets of the register the company still holds: neither sold nor permanently
    // retired (unless returned from that retirement on or after its date).
    qint64 assetsHeld = 0;
    // Their cost as the register computes it: EndValue + their purchases' cost
    // prices + TadilValue + AsaseChangeValue - ReduceValue.
    double costOfAssetsHeld = 0;
    // Asset vouchers of every kind, the count included, dated from `monthStart` to
    // `monthEnd` (Jalali texts): each voucher once, however many rows it has.
    qint64 vouchersInMonth = 0;
};

// Reads the figures in two statements, every value bound; throws DatabaseError when
// the period cannot be read.
RegisterFigures ReadRegisterFigures(DbConnection& connection, const QString& monthStart,
                                    const QString& monthEnd);
