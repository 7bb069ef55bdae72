// Figures for large results: reading 100,000 voucher rows into a data set, sorting
// them in memory, showing them in a grid and scrolling to the end. Prints times;
// asserts nothing.

#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    DbConnection db(dir.filePath(QStringLiteral("bench.sqlite")));
    db.execute(QStringLiteral(
        "CREATE TABLE D_Bench (SanadNoAmval VARCHAR(8), Raj INTEGER, DaraCod VARCHAR(6), "
        "AmvalDes VARCHAR(100), EndFee FLOAT, Koll VARCHAR(3), Moein VARCHAR(4))"));
    QElapsedTimer t;
    t.start();
    db.execute(
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO D_Bench SELECT printf('%8d', i / 20), i % 20, printf('%6d', i % 9999), "
            "'شرح دارايي شماره ' || i, i * 1000.5, ' 11', '   1' FROM n")
            .arg(rows));
    std::printf("fill %d rows: %lld ms\n", rows, t.restart());

    DataSet ds(&db);
    ds.open(QStringLiteral("Select * From D_Bench"));
    std::printf("open: %lld ms (%d rows)\n", t.restart(), ds.recordCount());
    ds.setSort(QStringLiteral("DaraCod, EndFee DESC"));
    std::printf("sort on two fields: %lld ms\n", t.restart());
    ds.locate({QStringLiteral("AmvalDes")}, {QStringLiteral("شرح دارايي شماره %1").arg(rows)});
    std::printf("locate the last row by text: %lld ms\n", t.restart());

    DbGrid grid;
    grid.resize(900, 600);
    grid.setDataSet(&ds);
    grid.show();
    app.processEvents();
    std::printf("grid shown: %lld ms\n", t.restart());
    ds.last();
    app.processEvents();
    ds.first();
    app.processEvents();
    std::printf("scroll to end and back: %lld ms\n", t.restart());
    ds.setCurrentRow(rows / 2);
    ds.fieldByName(QStringLiteral("AmvalDes"))->setValue(QStringLiteral("ويرايش شده"));
    ds.post();
    std::printf("post one edited row: %lld ms\n", t.restart());
    return 0;
}
