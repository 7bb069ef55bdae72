#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

// The options of amval-host, with --help and --version: one list for the windowed run
// and for the answers on the terminal.
struct HostOptions
{
    HostOptions();

    QCommandLineParser parser;
    const QCommandLineOption dataOpt{QStringLiteral("data"), QStringLiteral("Data folder."),
                                     QStringLiteral("DIR")};
    const QCommandLineOption serverOpt{
        QStringLiteral("server"),
        QStringLiteral("PostgreSQL server database holding the register and the periods."),
        QStringLiteral("postgresql://user@host:port/dbname")};
    const QCommandLineOption appOpt{QStringLiteral("app-dir"),
                                    QStringLiteral("Application folder."), QStringLiteral("DIR")};
    const QCommandLineOption moduleOpt{
        QStringLiteral("module"), QStringLiteral("Path of libamval.so."), QStringLiteral("FILE")};
    const QCommandLineOption userOpt{QStringLiteral("user"), QStringLiteral("User name."),
                                     QStringLiteral("NAME")};
    const QCommandLineOption userIdOpt{QStringLiteral("user-id"), QStringLiteral("User id."),
                                       QStringLiteral("N")};
    const QCommandLineOption companyOpt{QStringLiteral("company"), QStringLiteral("Company code."),
                                        QStringLiteral("CODE")};
    const QCommandLineOption yearOpt{QStringLiteral("year"), QStringLiteral("Fiscal year."),
                                     QStringLiteral("YYYY")};
    const QCommandLineOption startOpt{QStringLiteral("period-start"),
                                      QStringLiteral("Fiscal period start (yyyy/mm/dd)."),
                                      QStringLiteral("DATE")};
    const QCommandLineOption endOpt{QStringLiteral("period-end"),
                                    QStringLiteral("Fiscal period end (yyyy/mm/dd)."),
                                    QStringLiteral("DATE")};
    const QCommandLineOption noDialogOpt{
        QStringLiteral("no-session-dialog"),
        QStringLiteral("Start with the given session, signing in with the password in the "
                       "environment variable AMVAL_PASSWORD.")};
    const QCommandLineOption taskOpt{QStringLiteral("task"),
                                     QStringLiteral("Open this entry point at start."),
                                     QStringLiteral("ENTRYPOINT")};
    const QCommandLineOption shotOpt{QStringLiteral("screenshot"),
                                     QStringLiteral("Save the main window to FILE and exit."),
                                     QStringLiteral("FILE")};
    const QCommandLineOption keysOpt{
        QStringLiteral("keys"),
        QStringLiteral("Press these keys in the opened task before anything else, separated by "
                       "blanks (key names as in \"Down Return Ctrl+N 5\")."),
        QStringLiteral("KEYS")};
    // Taken before the windows start (RunBackupCommand); here for --help.
    const QCommandLineOption backupOpt{
        QStringLiteral("backup"),
        QStringLiteral("Make a backup of the data folder or server in a new folder inside DIR, "
                       "without windows, and exit (0: made and checked)."),
        QStringLiteral("DIR")};
};

// --help and --version (-h, -v) answer on stdout and end with 0 before any window
// system is reached (no display is needed); -1 when neither is asked.
int AnswerInfoOptions(int argc, char* argv[]);
