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

namespace {
// One run of the host program, waited for no longer than `limitMs`: a run that does
// not end is killed, so that a hang fails the test instead of holding it up.
struct HostRun
{
    bool finished = false;
    int exitCode = -1;
    QString errors;
};

HostRun RunHost(const QStringList& arguments, int limitMs = 90000)
{
    QProcess host;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    host.setProcessEnvironment(environment);
    host.start(QStringLiteral(AMVAL_HOST_PATH), arguments);
    HostRun run;
    run.finished = host.waitForFinished(limitMs);
    if (!run.finished) {
        host.kill();
        host.waitForFinished(10000);
    }
    if (host.exitStatus() == QProcess::NormalExit)
        run.exitCode = host.exitCode();
    run.errors = QString::fromUtf8(host.readAllStandardError());
    return run;
}

// Pixels of a strong red, as the error sign of the message window is drawn.
int RedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() >= 180 && c.green() <= 90 && c.blue() <= 90)
                ++count;
        }
    return count;
}
} // namespace

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

    // A message window that opens while a scripted run starts the task or presses its
    // keys takes the keys that are left, so a script can answer it; one still open when
    // the keys run out is in the screenshot and on stderr, and the run ends with code 3
    // instead of waiting for a person.
    void messageDuringScriptedRun()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data"));
        const QString plainApp = dir.filePath(QStringLiteral("plain"));
        const QString colourApp = dir.filePath(QStringLiteral("colour"));
        // A colour that is not one: told when the task's window opens.
        QVERIFY(QDir().mkpath(colourApp + QStringLiteral("/Data")));
        QFile colours(colourApp + QStringLiteral("/Data/OptionsColor.ini"));
        QVERIFY(colours.open(QIODevice::WriteOnly));
        colours.write("[Color]\nDialogColor=clNoSuchColour\n");
        colours.close();
        const auto arguments = [&](const QString& app, const QString& png, const QString& keys) {
            QStringList list{QStringLiteral("--data"),       data,
                             QStringLiteral("--app-dir"),    app,
                             QStringLiteral("--task"),       QStringLiteral("BuyCreate_Amval"),
                             QStringLiteral("--screenshot"), dir.filePath(png)};
            if (!keys.isEmpty())
                list << QStringLiteral("--keys") << keys;
            return list;
        };

        // Told at the start, nobody answers: the picture shows the message.
        HostRun run = RunHost(arguments(colourApp, QStringLiteral("open.png"), QString()));
        QVERIFY2(run.finished, "the host did not end with the message open");
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.errors.contains(QLatin1String("TDlgMsg")) &&
                     run.errors.contains(QLatin1String("clNoSuchColour")),
                 qPrintable(run.errors));
        const QImage open(dir.filePath(QStringLiteral("open.png")));
        QVERIFY(open.width() >= 800 && open.height() >= 600);

        // Return answers it, and the run goes on to its picture.
        run =
            RunHost(arguments(colourApp, QStringLiteral("answered.png"), QStringLiteral("Return")));
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(!run.errors.contains(QLatin1String("TDlgMsg")), qPrintable(run.errors));
        const QImage answered(dir.filePath(QStringLiteral("answered.png")));
        QVERIFY(!answered.isNull());
        QVERIFY2(
            RedPixels(open) > RedPixels(answered) + 200,
            qPrintable(QStringLiteral("%1 / %2").arg(RedPixels(open)).arg(RedPixels(answered))));

        // A date outside the fiscal period, refused when the year is entered: the keys
        // after it go to the message; without them the run ends with it open.
        const QString outside = QStringLiteral("Return Return Return 1 3 9 0 Return");
        run = RunHost(arguments(plainApp, QStringLiteral("refused.png"), outside));
        QVERIFY2(run.finished, "the host did not end with the refusal open");
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.errors.contains(QStringLiteral("مطابقت ندارد")), qPrintable(run.errors));
        QVERIFY(!QImage(dir.filePath(QStringLiteral("refused.png"))).isNull());
        run = RunHost(arguments(plainApp, QStringLiteral("goes-on.png"),
                                outside + QStringLiteral(" Return")));
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!QImage(dir.filePath(QStringLiteral("goes-on.png"))).isNull());
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
