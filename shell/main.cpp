// amval-host: the host program of the fixed-asset voucher module. It opens a session
// (user, company, fiscal period, data folder), loads libamval.so and calls the
// module's entry points from its menu, each docked into a tab page.

#include "mainwindow.h"
#include "modulelibrary.h"
#include "sessiondialog.h"
#include "sessionsettings.h"
#include "tasks.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {
// Tahoma where the machine has it, else the first installed Persian-capable face.
void ChooseFont(QApplication& app)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : {QStringLiteral("Tahoma"), QStringLiteral("Noto Sans Arabic UI"),
                                  QStringLiteral("Noto Sans Arabic"), QStringLiteral("Nazli"),
                                  QStringLiteral("Noto Naskh Arabic")}) {
        if (installed.contains(family)) {
            QFont font(family, 9);
            app.setFont(font);
            return;
        }
    }
}

int Fail(const QString& text)
{
    std::fprintf(stderr, "amval-host: %s\n", qPrintable(text));
    return 2;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("amval-host"));
    QApplication::setOrganizationName(QStringLiteral("amval"));
    QApplication::setLayoutDirection(Qt::RightToLeft);
    ChooseFont(app);

    const QString programDir = QCoreApplication::applicationDirPath();
    SessionSettings settings = SessionSettings::Defaults(programDir, QDate::currentDate());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Fixed-asset voucher module host"));
    parser.addHelpOption();
    const QCommandLineOption dataOpt(QStringLiteral("data"), QStringLiteral("Data folder."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption appOpt(QStringLiteral("app-dir"),
                                    QStringLiteral("Application folder."), QStringLiteral("DIR"));
    const QCommandLineOption moduleOpt(
        QStringLiteral("module"), QStringLiteral("Path of libamval.so."), QStringLiteral("FILE"));
    const QCommandLineOption userOpt(QStringLiteral("user"), QStringLiteral("User name."),
                                     QStringLiteral("NAME"));
    const QCommandLineOption userIdOpt(QStringLiteral("user-id"), QStringLiteral("User id."),
                                       QStringLiteral("N"));
    const QCommandLineOption companyOpt(QStringLiteral("company"), QStringLiteral("Company code."),
                                        QStringLiteral("CODE"));
    const QCommandLineOption yearOpt(QStringLiteral("year"), QStringLiteral("Fiscal year."),
                                     QStringLiteral("YYYY"));
    const QCommandLineOption startOpt(QStringLiteral("period-start"),
                                      QStringLiteral("Fiscal period start (yyyy/mm/dd)."),
                                      QStringLiteral("DATE"));
    const QCommandLineOption endOpt(QStringLiteral("period-end"),
                                    QStringLiteral("Fiscal period end (yyyy/mm/dd)."),
                                    QStringLiteral("DATE"));
    const QCommandLineOption noDialogOpt(QStringLiteral("no-session-dialog"),
                                         QStringLiteral("Start with the given session."));
    const QCommandLineOption taskOpt(QStringLiteral("task"),
                                     QStringLiteral("Open this entry point at start."),
                                     QStringLiteral("ENTRYPOINT"));
    const QCommandLineOption shotOpt(QStringLiteral("screenshot"),
                                     QStringLiteral("Save the main window to FILE and exit."),
                                     QStringLiteral("FILE"));
    parser.addOptions({dataOpt, appOpt, moduleOpt, userOpt, userIdOpt, companyOpt, yearOpt,
                       startOpt, endOpt, noDialogOpt, taskOpt, shotOpt});
    parser.process(app);

    if (parser.isSet(dataOpt))
        settings.dataDir = QFileInfo(parser.value(dataOpt)).absoluteFilePath();
    if (parser.isSet(appOpt))
        settings.appDir = QFileInfo(parser.value(appOpt)).absoluteFilePath();
    if (parser.isSet(userOpt))
        settings.userName = parser.value(userOpt);
    if (parser.isSet(userIdOpt))
        settings.userId = parser.value(userIdOpt).toInt();
    if (parser.isSet(companyOpt))
        settings.companyCode = parser.value(companyOpt);
    if (parser.isSet(yearOpt)) {
        settings.fiscalYear = parser.value(yearOpt);
        settings.periodStart = settings.fiscalYear + QStringLiteral("/01/01");
        settings.periodEnd = JalaliYearEnd(settings.fiscalYear.toInt());
    }
    if (parser.isSet(startOpt))
        settings.periodStart = parser.value(startOpt);
    if (parser.isSet(endOpt))
        settings.periodEnd = parser.value(endOpt);

    const QString task = parser.value(taskOpt);
    const QString screenshot = parser.value(shotOpt);
    if (!task.isEmpty() && FindHostTask(task) == nullptr)
        return Fail(QStringLiteral("unknown task ") + task);

    if (screenshot.isEmpty() && !parser.isSet(noDialogOpt)) {
        SessionDialog dialog(settings);
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        settings = dialog.settings();
    }

    const QString modulePath = parser.isSet(moduleOpt)
                                   ? parser.value(moduleOpt)
                                   : QDir(programDir).filePath(QStringLiteral("libamval.so"));
    ModuleLibrary module(modulePath);
    if (!module.load())
        return Fail(QStringLiteral("cannot load ") + modulePath + QStringLiteral(": ") +
                    module.errorString());

    int result = 0;
    {
        MainWindow window(&module, settings);
        window.show();
        if (!task.isEmpty() && !window.openTask(task))
            return Fail(QStringLiteral("cannot open ") + task);

        if (!screenshot.isEmpty()) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents();
            if (!window.grab().save(screenshot))
                return Fail(QStringLiteral("cannot write ") + screenshot);
            return 0;
        }
        result = app.exec();
    }
    module.unload();
    return result;
}
