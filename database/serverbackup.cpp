// A server's backup: the register's and every company's schema dumped in one
// snapshot by the server's own tool (pg_dump, custom format), the dump read through
// once by pg_restore to check it; a restore by pg_restore into a new or empty server
// database in one transaction. The password goes to the tools in their environment,
// never on their command line. The functions and the sequence the program keeps in
// `public` are not dumped: the program makes them in any server database it opens.

#include "backupengines.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "postgresdialect.h"
#include "schema.h"
#include "sqlquote.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace {

using Backup::Progress;

// The Debian package that brings pg_dump and pg_restore.
const QString kClientPackage = QStringLiteral("postgresql-client");
const QString kDumpFile = QStringLiteral("amval.dump");

QString Tool(const QString& name)
{
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        throw BackupError(BackupError::Kind::ToolMissing, name, kClientPackage);
    return path;
}

// A server address as the tools take it, without its password.
struct ToolAddress
{
    QString uri;
    QString password;
    QString database;
};

ToolAddress ForTools(const QString& place)
{
    QUrl url(place);
    ToolAddress address;
    address.password = url.password();
    url.setPassword(QString());
    // One given among the address's options goes the same way.
    QUrlQuery options(url);
    if (options.hasQueryItem(QStringLiteral("password"))) {
        if (address.password.isEmpty())
            address.password =
                options.queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded);
        options.removeAllQueryItems(QStringLiteral("password"));
        url.setQuery(options);
    }
    url.setScheme(QStringLiteral("postgresql"));
    if (url.host().isEmpty())
        url.setHost(QStringLiteral("localhost"));
    address.database = url.path().mid(1).isEmpty() ? url.userName() : url.path().mid(1);
    address.uri = url.toString(QUrl::RemovePassword | QUrl::FullyEncoded);
    return address;
}

// The same server's address with another database.
QString WithDatabase(const QString& place, const QString& database)
{
    QUrl url(place);
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

// What the tool said that is no progress line: its errors and warnings.
QString ToolWords(const QString& output)
{
    QStringList words;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.contains(QLatin1String("error")) || line.contains(QLatin1String("FATAL")) ||
            line.contains(QLatin1String("warning")) || line.contains(QLatin1String("could not")))
            words << line.trimmed();
    return words.isEmpty() ? output.trimmed().right(2000) : words.join(QLatin1Char('\n'));
}

// Runs a server tool to its end, each line of its error output holding `marker` one
// step of `total`. Stopped by the user it is killed. Throws when it fails: a full
// disk or an output folder it cannot write in as such, otherwise with its words.
QString RunTool(const QString& program, const QStringList& arguments, const QString& password,
                const QString& marker, qint64 total, const QString& what, const QString& folder,
                const Progress& progress)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!password.isEmpty())
        environment.insert(QStringLiteral("PGPASSWORD"), password);
    if (!environment.contains(QStringLiteral("PGCONNECT_TIMEOUT")))
        environment.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("10"));
    // Its progress lines are read in its own words.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("PGAPPNAME"), QStringLiteral("amval-backup"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    struct Stop
    {
        QProcess& process;
        ~Stop()
        {
            if (process.state() != QProcess::NotRunning) {
                process.kill();
                process.waitForFinished(10000);
            }
        }
    } stop{process};
    const QString name = QFileInfo(program).fileName();
    process.start(program, arguments);
    if (!process.waitForStarted())
        throw BackupError(BackupError::Kind::ToolMissing, name, kClientPackage);
    QString errors;
    QString output;
    qint64 done = 0;
    const auto read = [&] {
        output += QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString more = QString::fromLocal8Bit(process.readAllStandardError());
        if (!marker.isEmpty())
            done += more.count(marker);
        errors += more;
    };
    for (;;) {
        const bool finished = process.waitForFinished(100);
        read();
        if (finished || process.state() == QProcess::NotRunning)
            break;
        progress.tell(std::min(done, total), total, what);
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return output;
    const QString words = ToolWords(errors);
    if (words.contains(QLatin1String("No space left")) ||
        words.contains(QLatin1String("File too large")) ||
        words.contains(QLatin1String("Disk quota")))
        throw BackupError(BackupError::Kind::DiskFull, folder, words);
    if (words.contains(QLatin1String("could not open output file")))
        throw BackupError(BackupError::Kind::TargetUnwritable, folder, words);
    throw BackupError(BackupError::Kind::ToolFailed, name, words);
}

// A connection to database `name` of the server (the server database itself when
// empty); throws `failure` with why it did not open.
std::unique_ptr<DbConnection> Connect(const QString& place, const QString& name,
                                      BackupError::Kind failure, const QString& where)
{
    auto connection = std::make_unique<DbConnection>(place, name, DbConnection::OpenMode::Existing);
    if (!connection->isOpen()) {
        DatabaseError e = connection->openFailure();
        e.setDatabase(where);
        throw BackupError(failure, where, DatabaseFailureText(e));
    }
    return connection;
}

// A schema's name as the program names the database ("zelmora_1_1404" is
// ZELMORA_1_1404, the register ZELMORA_Sdc).
QString Spelled(const QString& schema)
{
    if (schema.compare(kRegisterDatabase, Qt::CaseInsensitive) == 0)
        return kRegisterDatabase;
    const QLatin1String prefix("zelmora_");
    if (schema.startsWith(prefix, Qt::CaseInsensitive))
        return QStringLiteral("ZELMORA_") + schema.mid(prefix.size());
    return schema;
}

QStringList Folded(const QList<BackupManifest::Database>& databases)
{
    QStringList names;
    for (const BackupManifest::Database& d : databases)
        names << PostgresDialect::Folded(d.name);
    return names;
}

class ServerEngine : public Backup::Engine
{
public:
    QString name() const override { return QStringLiteral("postgresql"); }

    void copyOut(const QString& place, const QString& into, BackupManifest& manifest,
                 const Progress& progress) override
    {
        const QString shown = DbConnection::DisplayAddress(place);
        const QString dump = Tool(QStringLiteral("pg_dump"));
        const QString restore = Tool(QStringLiteral("pg_restore"));
        const QString parent = QFileInfo(into).absolutePath();
        {
            const std::unique_ptr<DbConnection> server =
                Connect(place, QString(), BackupError::Kind::SourceUnreadable, shown);
            try {
                for (const QString& name : server->databaseNames()) {
                    const std::unique_ptr<DbConnection> db =
                        Connect(place, name, BackupError::Kind::SourceUnreadable, name);
                    manifest.databases.append({Spelled(name), Schema::StoredVersion(*db)});
                }
                if (manifest.databases.isEmpty())
                    throw BackupError(BackupError::Kind::SourceUnreadable, shown,
                                      QStringLiteral("روي سرور ") + shown +
                                          QStringLiteral(" پايگاه داده اي از اين برنامه نيست."));
                const QStringList schemas = Folded(manifest.databases);
                QStringList marks;
                QVariantList values;
                for (const QString& schema : schemas) {
                    marks << QStringLiteral("?");
                    values << schema;
                }
                QSqlQuery q = server->select(
                    QStringLiteral(
                        "SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = "
                        "c.relnamespace WHERE c.relkind IN ('r', 'p') AND n.nspname IN (") +
                        marks.join(QStringLiteral(", ")) + QLatin1Char(')'),
                    values);
                manifest.tables = q.next() ? q.value(0).toInt() : 0;
            } catch (const DatabaseError& e) {
                throw BackupError(BackupError::Kind::SourceUnreadable, shown,
                                  DatabaseFailureText(e));
            }
        }
        const ToolAddress address = ForTools(place);
        static const BackupObserver quiet;
        manifest.tool = RunTool(dump, {QStringLiteral("--version")}, QString(), QString(), 1,
                                QString(), parent, Progress(quiet))
                            .trimmed();
        const QString file = QDir(into).filePath(kDumpFile);
        QStringList arguments{QStringLiteral("--format=custom"), QStringLiteral("--file=") + file,
                              QStringLiteral("--verbose"), QStringLiteral("--no-password"),
                              QStringLiteral("--dbname=") + address.uri};
        for (const QString& schema : Folded(manifest.databases))
            arguments << QStringLiteral("--schema=\"") + schema + QLatin1Char('"');
        RunTool(dump, arguments, address.password, QStringLiteral("dumping contents of table"),
                manifest.tables, shown, parent, progress);
        // Read through once, every table's rows uncompressed: a dump that is cut short
        // or damaged fails here, not on the day it is needed.
        RunTool(restore, {QStringLiteral("--file=") + QProcess::nullDevice(), file}, QString(),
                QString(), 1, QStringLiteral("بررسي نسخه پشتيبان"), parent, progress);
        Backup::SyncPath(file);
        manifest.files.append({kDumpFile, QFileInfo(file).size(), Backup::FileDigest(file)});
    }

    void restore(const QString& backup, const BackupManifest& manifest, const QString& target,
                 const Progress& progress) override
    {
        const QString shown = DbConnection::DisplayAddress(target);
        const QString restore = Tool(QStringLiteral("pg_restore"));
        const ToolAddress address = ForTools(target);
        const QStringList schemas = Folded(manifest.databases);
        // The target: an empty server database, or one made now (and dropped again
        // when the restore fails).
        struct Undo
        {
            QString target;
            QString maintenance; // where the database was made from; "" when not made
            QString database;
            QStringList schemas;
            bool done = false;
            ~Undo()
            {
                if (done)
                    return;
                try {
                    if (!maintenance.isEmpty()) {
                        DbConnection server(maintenance, QString(),
                                            DbConnection::OpenMode::Existing);
                        server.execute(QStringLiteral("DROP DATABASE IF EXISTS ") +
                                       SqlIdent(database) + QStringLiteral(" WITH (FORCE)"));
                        return;
                    }
                    DbConnection db(target, QString(), DbConnection::OpenMode::Existing);
                    for (const QString& schema : schemas)
                        db.execute(QStringLiteral("DROP SCHEMA IF EXISTS ") + SqlIdent(schema) +
                                   QStringLiteral(" CASCADE"));
                } catch (const DatabaseError&) {
                }
            }
        } undo{target, QString(), address.database, QStringList()};
        {
            DbConnection direct(target, QString(), DbConnection::OpenMode::Existing);
            if (direct.isOpen()) {
                try {
                    if (!direct.databaseNames().isEmpty())
                        throw BackupError(BackupError::Kind::TargetNotEmpty, shown);
                } catch (const DatabaseError& e) {
                    throw BackupError(BackupError::Kind::TargetUnavailable, shown,
                                      DatabaseFailureText(e));
                }
            } else {
                undo.maintenance = makeDatabase(target, address.database, direct, shown);
            }
        }
        undo.schemas = schemas;
        progress.tell(0, manifest.tables, shown);
        RunTool(restore,
                {QStringLiteral("--dbname=") + address.uri, QStringLiteral("--single-transaction"),
                 QStringLiteral("--exit-on-error"), QStringLiteral("--no-owner"),
                 QStringLiteral("--no-privileges"), QStringLiteral("--no-password"),
                 QStringLiteral("--verbose"), QDir(backup).filePath(kDumpFile)},
                address.password, QStringLiteral("processing data for table"), manifest.tables,
                shown, QDir(backup).path(), progress);
        // Each database opens as the program opens it, at the version it had.
        for (const BackupManifest::Database& d : manifest.databases) {
            try {
                const std::unique_ptr<DbConnection> db =
                    Connect(target, d.name, BackupError::Kind::Damaged, d.name);
                if (Schema::StoredVersion(*db) != d.version)
                    throw BackupError(BackupError::Kind::Damaged, d.name);
            } catch (const DatabaseError& e) {
                throw BackupError(BackupError::Kind::Damaged, d.name, e.message());
            }
        }
        progress.tell(manifest.tables, manifest.tables, shown);
        undo.done = true;
    }

private:
    // Makes the target database through the server's own database; answers the
    // address it was made from. One that is there but did not open is not touched.
    static QString makeDatabase(const QString& target, const QString& database,
                                const DbConnection& direct, const QString& shown)
    {
        for (const char* maintenance : {"postgres", "template1"}) {
            const QString place = WithDatabase(target, QString::fromLatin1(maintenance));
            DbConnection server(place, QString(), DbConnection::OpenMode::Existing);
            if (!server.isOpen())
                continue;
            try {
                QSqlQuery q = server.select(
                    QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), {database});
                if (q.next())
                    break;
                server.execute(QStringLiteral("CREATE DATABASE ") + SqlIdent(database));
                return place;
            } catch (const DatabaseError& e) {
                throw BackupError(BackupError::Kind::TargetUnavailable, shown,
                                  DatabaseFailureText(e));
            }
        }
        DatabaseError failure = direct.openFailure();
        failure.setDatabase(target);
        throw BackupError(BackupError::Kind::TargetUnavailable, shown,
                          DatabaseFailureText(failure));
    }
};

} // namespace

std::unique_ptr<Backup::Engine> Backup::MakeServerEngine()
{
    return std::make_unique<ServerEngine>();
}
