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
#include <QKeyEvent>
#include <QKeySequence>
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

// Presses each key of a blank-separated list in the widget that has the focus, as
// a user at the keyboard would; false when a name is not a key.
bool PressKeys(const QString& keys)
{
    for (const QString& name : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QKeySequence sequence = QKeySequence::fromString(name, QKeySequence::PortableText);
        if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown)
            return false;
        const QKeyCombination combination = sequence[0];
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr)
            target = QApplication::activeWindow();
        if (target == nullptr)
            return false;
        const Qt::Key key = combination.key();
        QString text;
        if (combination.keyboardModifiers() == Qt::NoModifier && name.size() == 1)
            text = name;
        else if (key == Qt::Key_Return || key == Qt::Key_Enter)
            text = QStringLiteral("\r");
        QKeyEvent press(QEvent::KeyPress, key, combination.keyboardModifiers(), text);
        QKeyEvent release(QEvent::KeyRelease, key, combination.keyboardModifiers(), text);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : target,
                                &release);
        QCoreApplication::processEvents();
    }
    return true;
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
    const QCommandLineOption keysOpt(
        QStringLiteral("keys"),
        QStringLiteral("Press these keys in the opened task before anything else, separated by "
                       "blanks (key names as in \"Down Return Ctrl+N 5\")."),
        QStringLiteral("KEYS"));
    parser.addOptions({dataOpt, appOpt, moduleOpt, userOpt, userIdOpt, companyOpt, yearOpt,
                       startOpt, endOpt, noDialogOpt, taskOpt, shotOpt, keysOpt});
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
        // A picture of a voucher window shows a voucher: unless told which keys to
        // press, Down in the number edit steps back to the newest one.
        QString keys = parser.value(keysOpt);
        window.activateWindow();
        QCoreApplication::processEvents();
        if (!parser.isSet(keysOpt) && !screenshot.isEmpty() && QApplication::focusWidget() &&
            QApplication::focusWidget()->objectName() == QLatin1String("SanadID"))
            keys = QStringLiteral("Down");
        if (!keys.isEmpty() && !PressKeys(keys))
            return Fail(QStringLiteral("unknown key in ") + keys);

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
