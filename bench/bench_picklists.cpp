// Figures for the look-ups a voucher row makes: the services object built for a
// window, the asset pick list over a large company (temporary table, opening it in
// the pick-list window and standing on the current asset), a sort by name in the
// window, the subsidiary-account list, and the account chain validated for many
// rows. Prints times; asserts nothing.

#include "accountpicklists.h"
#include "assetpicklists.h"
#include "chartofaccounts.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbgrid.h"
#include "demohost.h"
#include "picklist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int assets = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5000;
    QElapsedTimer t;
    t.start();
    DemoHost host(assets);
    std::printf("demo company with %d assets: %lld ms\n", assets, t.restart());

    TD_Global dg(&host.global, &host.database);
    std::printf("voucher services object: %lld ms\n", t.restart());

    const QString last = host.scalar(QStringLiteral("Select Max(DaraCod) From D_Amval"));
    const PickList<TChosenAsset> list = PickAsset(dg, last);
    std::printf("asset list built (%s rows): %lld ms\n",
                qPrintable(host.scalar(QStringLiteral("Select Count(*) From D_Amval"))),
                t.restart());
    host.tempGridForm->choose(last.trimmed());
    Pick(list);
    std::printf("asset list opened and chosen: %lld ms\n", t.restart());
    host.tempGridForm->open();
    emit host.tempGridForm->dbgTemp->horizontalHeader()->sectionClicked(1);
    std::printf("asset list sorted by name: %lld ms\n", t.restart());
    host.tempGridForm->done(2);

    PickMoein(host.db(), host.global.UserID, {}, dg);
    std::printf("subsidiary-account list built: %lld ms\n", t.restart());

    // The chains of the stored purchase rows, validated one by one.
    host.exec(QStringLiteral("Create Temp Table \"##bench\" As Select Koll, Moein, Tafsily, "
                             "Tafsily2, ProjectCod From D_Buy_Create"));
    DataSet rows(&host.db());
    rows.open(QStringLiteral("Select * From \"##bench\""));
    DbGrid grid;
    grid.setDataSet(&rows);
    int faults = 0;
    t.restart();
    for (rows.first(); !rows.eof(); rows.next()) {
        rows.edit();
        if (!CheckAccountChain(dg, dg.Query(), &rows, QString(), QString(), QString(), QString())
                 .isEmpty())
            ++faults;
        rows.cancel();
    }
    const qint64 ms = t.restart();
    for (int i = 0; i < 3 && i < host.dlgMsg->shown.size(); ++i)
        std::printf("msg: %s\n", qPrintable(host.dlgMsg->shown[i].text));
    std::printf("account chain of %d rows: %lld ms (%.2f ms a row, %d refused)\n",
                rows.recordCount(), ms, rows.recordCount() ? double(ms) / rows.recordCount() : 0.0,
                faults);
    return 0;
}
