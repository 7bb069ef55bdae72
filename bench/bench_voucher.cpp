// Figures for a large purchase voucher in its window: opening the window, loading a
// voucher of many rows into the working copy, committing its date (with the cost
// components rebuilt), walking every row as the cursor would (the footer's names
// are read for each), and saving it back. Prints times; asserts nothing.

#include "buycreateunit.h"
#include "commandquery.h"
#include "dataset.h"
#include "dbconnection.h"
#include "demohost.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    QElapsedTimer t;
    t.start();
    DemoHost host;
    std::printf("demo company: %lld ms\n", t.restart());

    // A voucher of `rows` assets, each with two cost components.
    const QString number = QStringLiteral("     900");
    host.exec(QStringLiteral("DELETE FROM D_Roz"));
    Transaction stored(host.db());
    for (int i = 0; i < rows; ++i) {
        const QString code = QStringLiteral("B%1").arg(i, 5, 10, QLatin1Char('0'));
        host.exec(QStringLiteral("INSERT INTO D_Amval (DaraCod, DaraNam, RaveshEst, BahreDate, "
                                 "EndValue) VALUES ('%1', 'دارايي %2', 'مستقيم', '%3', 0)")
                      .arg(code)
                      .arg(i)
                      .arg(host.global.EndDate));
        host.exec(QStringLiteral("INSERT INTO D_Buy_Create (SanadNoAmval, Raj, User_Name, sDate, "
                                 "DaraCod, AmvalDes, MabadiCod, Koll, Moein, Tafsily, Bargeh, "
                                 "EndFee, Esshat) VALUES ('%1', %2, 'x', '%3', '%4', 'row', ' 1', "
                                 "' 11', '   1', '01001', '9%2', 300, 0)")
                      .arg(number)
                      .arg(i + 1)
                      .arg(host.global.EndDate.left(8) + QStringLiteral("01"))
                      .arg(code));
        for (const char* component : {"  1", "  2"})
            host.exec(QStringLiteral("INSERT INTO D_Buy_Create_Relate_Gheimat (SanadNoAmval, "
                                     "DaraCod, GheimatCod, sValue) VALUES ('%1', '%2', '%3', 150)")
                          .arg(number, code, QLatin1String(component)));
    }
    stored.commit();
    std::printf("voucher of %d rows stored: %lld ms\n", rows, t.restart());

    auto* form = new TBuyCreateForm();
    form->resize(1100, 700);
    form->show();
    QCoreApplication::processEvents();
    std::printf("window opened: %lld ms\n", t.restart());

    form->SanadID->setText(QStringLiteral("900"));
    QTest::keyClick(form->SanadID, Qt::Key_Return);
    std::printf("voucher loaded (%d rows): %lld ms\n", form->quAsnad->recordCount(), t.restart());

    QTest::keyClick(form->mYear, Qt::Key_Return);
    std::printf("date committed, components rebuilt: %lld ms\n", t.restart());

    while (form->quAsnad->recNo() < form->quAsnad->recordCount())
        form->quAsnad->next();
    std::printf("every row walked, footer read for each: %lld ms\n", t.restart());

    form->OkBitBtnClick();
    std::printf("saved (%s rows stored, %s messages): %lld ms\n",
                qPrintable(host.scalar(QStringLiteral(
                    "SELECT COUNT(*) FROM D_Buy_Create WHERE SanadNoAmval = '     900'"))),
                qPrintable(QString::number(host.dlgMsg->shown.size())), t.restart());
    delete form;
    return 0;
}
