#include "backupcommand.h"

#include "backup.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "sessionsettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace {
void Say(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}
} // namespace

bool IsBackupCommand(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--backup") == 0 || std::strncmp(argv[i], "--backup=", 9) == 0)
            return true;
    return false;
}

int RunBackupCommand(int argc, char* argv[])
{
    // No display is needed: a job started by cron has none.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("amval-host"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Backup of the data folder or server"));
    parser.addHelpOption();
    const QCommandLineOption backupOpt(
        QStringLiteral("backup"),
        QStringLiteral("Make a backup in a new time-stamped folder inside DIR, without windows."),
        QStringLiteral("DIR"));
    const QCommandLineOption dataOpt(QStringLiteral("data"), QStringLiteral("Data folder."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption serverOpt(QStringLiteral("server"),
                                       QStringLiteral("PostgreSQL server database."),
                                       QStringLiteral("postgresql://user@host:port/dbname"));
    parser.addOptions({backupOpt, dataOpt, serverOpt});
    if (!parser.parse(QCoreApplication::arguments())) {
        Say(stderr, QStringLiteral("amval-host: ") + parser.errorText());
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        Say(stdout, parser.helpText());
        return 0;
    }
    QString place =
        SessionSettings::Defaults(QCoreApplication::applicationDirPath(), QDate::currentDate())
            .dataDir;
    if (parser.isSet(dataOpt))
        place = QFileInfo(parser.value(dataOpt)).absoluteFilePath();
    if (parser.isSet(serverOpt))
        place = parser.value(serverOpt).trimmed();
    const QString target = QFileInfo(parser.value(backupOpt)).absoluteFilePath();

    Say(stdout, QStringLiteral("پشتيبان گيري از ") + DbConnection::DisplayAddress(place) +
                    QStringLiteral(" در ") + QDir::toNativeSeparators(target));
    QString current;
    try {
        const QString made =
            TakeBackup(place, target, [&current](qint64, qint64, const QString& what) {
                if (!what.isEmpty() && what != current) {
                    current = what;
                    Say(stdout, QStringLiteral("  ") + what);
                }
                return true;
            });
        const BackupManifest manifest = ReadBackupManifest(made);
        qint64 bytes = 0;
        for (const BackupManifest::File& f : manifest.files)
            bytes += f.size;
        Say(stdout, QStringLiteral("نسخه پشتيبان ساخته و بررسي شد: ") +
                        QDir::toNativeSeparators(made) +
                        QStringLiteral(" (%1 پايگاه داده، %2 بايت)")
                            .arg(manifest.databases.size())
                            .arg(bytes));
        return 0;
    } catch (const BackupError& e) {
        Say(stderr, QStringLiteral("amval-host: ") + BackupFailureText(e));
        return 1;
    } catch (const DatabaseError& e) {
        Say(stderr, QStringLiteral("amval-host: ") + DatabaseFailureText(e));
        return 1;
    }
}
