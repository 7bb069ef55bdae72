// The host program: its session defaults, its task menu against the real module,
// tab pages that come and go with the module's windows, and the screenshot option.

#include "mainwindow.h"
#include "modulelibrary.h"
#include "sessionsettings.h"
#include "tasks.h"

#include "context/global.h"

#include <QImage>
#include <QMenuBar>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void jalaliToday()
    {
        QCOMPARE(JalaliDateText(QDate(2024, 3, 20)), QStringLiteral("1403/01/01"));
        QCOMPARE(JalaliDateText(QDate(2025, 3, 21)), QStringLiteral("1404/01/01"));
        QCOMPARE(JalaliDateText(QDate(2026, 12, 5)), QStringLiteral("1405/09/14"));
        QCOMPARE(JalaliYearEnd(1403), QStringLiteral("1403/12/30"));
        QCOMPARE(JalaliYearEnd(1404), QStringLiteral("1404/12/29"));
    }

    void sessionDefaultsFillTheRecord()
    {
        const SessionSettings s =
            SessionSettings::Defaults(QStringLiteral("/opt/amval"), QDate(2025, 3, 21));
        QCOMPARE(s.fiscalYear, QStringLiteral("1404"));
        QCOMPARE(s.periodStart, QStringLiteral("1404/01/01"));
        QCOMPARE(s.periodEnd, QStringLiteral("1404/12/29"));
        QCOMPARE(s.today, QStringLiteral("1404/01/01"));
        TGlobal g;
        s.fillGlobal(g);
        QCOMPARE(g.DatabaseName, QStringLiteral("ZELMORA_1_1404"));
        QCOMPARE(g.AppPath, QStringLiteral("/opt/amval"));
        QCOMPARE(g.StartDate, s.periodStart);
        QCOMPARE(g.EndDate, s.periodEnd);
        QCOMPARE(g.UserID, s.userId);
        QVERIFY(!g.TempStem.isEmpty());
        QVERIFY(g.CharSetMode != QStringLiteral("WIN"));
    }

    void everyTaskResolvesInTheModule()
    {
        ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
        QVERIFY2(module.load(), qPrintable(module.errorString()));
        QCOMPARE(HostTasks().size(), 16);
        QSet<QString> names;
        for (const HostTask& task : HostTasks()) {
            names.insert(QLatin1String(task.entryPoint));
            QVERIFY2(module.entryPoint(QLatin1String(task.entryPoint)) != nullptr, task.entryPoint);
        }
        QCOMPARE(names.size(), 16);
        QVERIFY(module.entryPoint(QStringLiteral("NoSuch_Amval")) == nullptr);
    }

    void tabsFollowTheModuleWindows()
    {
        QTemporaryDir dir;
        ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
        SessionSettings s = SessionSettings::Defaults(dir.path(), QDate::currentDate());
        s.dataDir = dir.filePath(QStringLiteral("data"));
        MainWindow window(&module, s);
        window.show();

        // The menu carries every task under its caption.
        int actions = 0;
        for (QAction* action : window.menuBar()->findChildren<QAction*>())
            if (FindHostTask(action->objectName()) != nullptr)
                ++actions;
        QCOMPARE(actions, 16);

        QVERIFY(window.openTask(QStringLiteral("BuyCreate_Amval")));
        QVERIFY(window.openTask(QStringLiteral("ForoshDarae_Amval")));
        QVERIFY(window.openTask(QStringLiteral("BuyCreate_Amval")));
        QCOMPARE(window.tabs()->count(), 2);
        QWidget* page = window.taskPage(QStringLiteral("BuyCreate_Amval"));
        QCOMPARE(window.tabs()->currentWidget(), page);
        QCOMPARE(window.tabs()->tabText(0), QStringLiteral("خريد/ساخت"));

        // The window's own close button: the page leaves the tab bar.
        QWidget* form = page->findChild<QWidget*>(QStringLiteral("BuyCreateForm"));
        QVERIFY(form != nullptr);
        QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("sb_Closed")),
                          Qt::LeftButton);
        QTRY_COMPARE(window.tabs()->count(), 1);
        QVERIFY(window.taskPage(QStringLiteral("BuyCreate_Amval")) == nullptr);

        // The tab's close button asks the window to close.
        emit window.tabs()->tabCloseRequested(0);
        QTRY_COMPARE(window.tabs()->count(), 0);

        // Return kinds are told apart from the retirements in the tab bar.
        QVERIFY(window.openTask(QStringLiteral("BarKenarM_Amval")));
        QCOMPARE(window.tabs()->tabText(0), QStringLiteral("برگشت از کنارگذاري موقت"));
    }

    void screenshotOption()
    {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("buy.png"));
        QProcess host;
        host.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        host.start(QStringLiteral(AMVAL_HOST_PATH),
                   {QStringLiteral("--data"), dir.filePath(QStringLiteral("data")),
                    QStringLiteral("--app-dir"), dir.path(), QStringLiteral("--task"),
                    QStringLiteral("BuyCreate_Amval"), QStringLiteral("--screenshot"), png});
        QVERIFY(host.waitForFinished(60000));
        QCOMPARE(host.exitStatus(), QProcess::NormalExit);
        QCOMPARE(host.exitCode(), 0);
        QImage image(png);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 800 && image.height() >= 600);
        // The application folder holds the module's own folders.
        QVERIFY(QDir(dir.filePath(QStringLiteral("DLLs/GlobalForms"))).exists());

        QProcess bad;
        bad.start(QStringLiteral(AMVAL_HOST_PATH),
                  {QStringLiteral("--data"), dir.filePath(QStringLiteral("data")),
                   QStringLiteral("--task"), QStringLiteral("Nothing_Amval"),
                   QStringLiteral("--screenshot"), png});
        QVERIFY(bad.waitForFinished(60000));
        QCOMPARE(bad.exitCode(), 2);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
