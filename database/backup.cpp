#include "backup.h"

#include "backupengines.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "schema.h"

#include <QCalendar>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#ifndef AMVAL_VERSION
#define AMVAL_VERSION "0"
#endif

const QString BackupManifest::kFileName = QStringLiteral("amval-backup.json");

namespace {

// A path or an address kept left to right inside the Persian text, in «».
QString Quoted(const QString& text)
{
    return QStringLiteral("«") + QChar(0x2066) + QDir::toNativeSeparators(text) + QChar(0x2069) +
           QStringLiteral("»");
}

// "amval-backup-1404-05-12-103015": the Jalali date and the time of `moment`.
QString FolderName(const QDateTime& moment)
{
    const QCalendar jalali(QCalendar::System::Jalali);
    const QCalendar::YearMonthDay day = jalali.partsFromDate(moment.date());
    return QStringLiteral("amval-backup-%1-%2-%3-%4")
        .arg(day.year, 4, 10, QLatin1Char('0'))
        .arg(day.month, 2, 10, QLatin1Char('0'))
        .arg(day.day, 2, 10, QLatin1Char('0'))
        .arg(moment.time().toString(QStringLiteral("HHmmss")));
}

QJsonObject ManifestJson(const BackupManifest& m)
{
    QJsonArray files;
    for (const BackupManifest::File& f : m.files)
        files.append(QJsonObject{{QStringLiteral("name"), f.name},
                                 {QStringLiteral("size"), double(f.size)},
                                 {QStringLiteral("sha256"), f.sha256}});
    QJsonArray databases;
    for (const BackupManifest::Database& d : m.databases)
        databases.append(
            QJsonObject{{QStringLiteral("name"), d.name}, {QStringLiteral("version"), d.version}});
    return QJsonObject{{QStringLiteral("format"), m.format},
                       {QStringLiteral("program"), m.program},
                       {QStringLiteral("schemaVersion"), m.schemaVersion},
                       {QStringLiteral("engine"), m.engine},
                       {QStringLiteral("time"), m.time.toString(Qt::ISODate)},
                       {QStringLiteral("source"), m.source},
                       {QStringLiteral("tool"), m.tool},
                       {QStringLiteral("tables"), m.tables},
                       {QStringLiteral("files"), files},
                       {QStringLiteral("databases"), databases}};
}

// Writes the manifest into the backup folder and flushes it to the disk.
void WriteManifest(const QString& folder, const BackupManifest& manifest)
{
    const QString path = QDir(folder).filePath(BackupManifest::kFileName);
    const QByteArray text = QJsonDocument(ManifestJson(manifest)).toJson();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Backup::WriteFailure(folder, errno, file.errorString());
    errno = 0;
    if (file.write(text) != text.size() || !file.flush()) {
        const int error = errno;
        throw Backup::WriteFailure(folder, error, file.errorString());
    }
    if (::fsync(file.handle()) != 0)
        throw Backup::WriteFailure(folder, errno);
}

// Removes, on the way out, a folder this call made for its own work unless told to
// keep it: only what the call made itself is ever removed.
struct OwnFolder
{
    QString path;
    ~OwnFolder()
    {
        if (!path.isEmpty())
            QDir(path).removeRecursively();
    }
};

std::unique_ptr<Backup::Engine> EngineFor(const QString& place)
{
    if (DbConnection::IsServerAddress(place))
        return Backup::MakeServerEngine();
    return Backup::MakeFolderEngine();
}

// Every file of the backup as the manifest lists it: there, of its size and content.
void CheckFiles(const QString& folder, const BackupManifest& manifest,
                const Backup::Progress& progress)
{
    qint64 total = 0;
    for (const BackupManifest::File& f : manifest.files)
        total += f.size;
    qint64 done = 0;
    const QString checking = QStringLiteral("بررسي نسخه پشتيبان");
    for (const BackupManifest::File& f : manifest.files) {
        progress.tell(done, total, checking);
        const QString path = QDir(folder).filePath(f.name);
        const QFileInfo info(path);
        if (!info.isFile() || info.size() != f.size ||
            Backup::FileDigest(path).compare(f.sha256, Qt::CaseInsensitive) != 0)
            throw BackupError(BackupError::Kind::Damaged, path);
        done += f.size;
    }
    progress.tell(total, total, checking);
}

} // namespace

namespace Backup {

void Progress::tell(qint64 done, qint64 total, const QString& what) const
{
    if (m_observer && !m_observer(done, total, what))
        throw BackupError(BackupError::Kind::Cancelled, what);
}

BackupError WriteFailure(const QString& folder, int error, const QString& detail)
{
    const bool full = error == ENOSPC || error == EFBIG || error == EDQUOT;
    return BackupError(full ? BackupError::Kind::DiskFull : BackupError::Kind::TargetUnwritable,
                       folder, detail);
}

void SyncPath(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

QString FileDigest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

MadeFolders::MadeFolders(const QString& path)
{
    QString first;
    for (QDir dir(QDir::cleanPath(QFileInfo(path).absoluteFilePath())); !dir.exists();) {
        first = dir.path();
        if (!dir.cdUp())
            break;
    }
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir())
        throw BackupError(BackupError::Kind::TargetUnwritable, path);
    m_first = first;
}

MadeFolders::~MadeFolders()
{
    if (!m_first.isEmpty())
        QDir(m_first).removeRecursively();
}

} // namespace Backup

BackupError::BackupError(Kind kind, const QString& where, const QString& detail)
    : std::runtime_error(where.toStdString()), m_kind(kind), m_where(where), m_detail(detail)
{}

QString TakeBackup(const QString& place, const QString& parentFolder,
                   const BackupObserver& observer)
{
    const Backup::Progress progress(observer);
    const std::unique_ptr<Backup::Engine> engine = EngineFor(place);
    // No folder given is no folder: never the program's working folder.
    if (parentFolder.trimmed().isEmpty())
        throw BackupError(BackupError::Kind::TargetUnwritable, parentFolder);
    const QString parent = QDir::cleanPath(QFileInfo(parentFolder).absoluteFilePath());
    Backup::MadeFolders made(parent);
    const QDateTime now = QDateTime::currentDateTime();
    QString name = FolderName(now);
    for (int n = 2; QFileInfo::exists(QDir(parent).filePath(name)); ++n)
        name = FolderName(now) + QLatin1Char('-') + QString::number(n);
    const QString final = QDir(parent).filePath(name);
    // Hidden and marked unfinished until every copy is checked and the manifest
    // written: a folder cut short never looks like a backup.
    OwnFolder work{QDir(parent).filePath(QLatin1Char('.') + name + QStringLiteral(".partial-") +
                                         QString::number(QCoreApplication::applicationPid()))};
    if (!QDir().mkdir(work.path)) {
        const int error = errno;
        work.path.clear();
        throw Backup::WriteFailure(parent, error);
    }

    BackupManifest manifest;
    manifest.program = QStringLiteral(AMVAL_VERSION);
    manifest.schemaVersion = Schema::kVersion;
    manifest.engine = engine->name();
    manifest.time = now.toUTC();
    manifest.source = DbConnection::DisplayAddress(place);
    engine->copyOut(place, work.path, manifest, progress);
    for (const BackupManifest::Database& d : std::as_const(manifest.databases))
        manifest.schemaVersion = std::max(manifest.schemaVersion, d.version);
    WriteManifest(work.path, manifest);
    Backup::SyncPath(work.path);
    // The last chance to stop: once renamed the backup is done.
    progress.tell(1, 1, QString());
    if (!QDir().rename(work.path, final))
        throw Backup::WriteFailure(parent, errno);
    work.path.clear();
    made.keep();
    Backup::SyncPath(parent);
    return final;
}

BackupManifest ReadBackupManifest(const QString& backupFolder)
{
    const QString folder = QDir::cleanPath(QFileInfo(backupFolder).absoluteFilePath());
    const QString path = QDir(folder).filePath(BackupManifest::kFileName);
    if (!QFileInfo(path).isFile())
        throw BackupError(BackupError::Kind::NotABackup, folder);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw BackupError(BackupError::Kind::Damaged, path, file.errorString());
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(1 << 20), &parsed);
    const QJsonObject o = document.object();
    if (parsed.error != QJsonParseError::NoError || !o.value(QStringLiteral("format")).isDouble())
        throw BackupError(BackupError::Kind::Damaged, path, parsed.errorString());

    BackupManifest m;
    m.format = o.value(QStringLiteral("format")).toInt();
    m.program = o.value(QStringLiteral("program")).toString();
    m.schemaVersion = o.value(QStringLiteral("schemaVersion")).toInt();
    m.engine = o.value(QStringLiteral("engine")).toString();
    m.time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODate);
    m.source = o.value(QStringLiteral("source")).toString();
    m.tool = o.value(QStringLiteral("tool")).toString();
    m.tables = o.value(QStringLiteral("tables")).toInt();
    for (const QJsonValue& v : o.value(QStringLiteral("files")).toArray()) {
        const QJsonObject f = v.toObject();
        m.files.append({f.value(QStringLiteral("name")).toString(),
                        qint64(f.value(QStringLiteral("size")).toDouble()),
                        f.value(QStringLiteral("sha256")).toString()});
    }
    for (const QJsonValue& v : o.value(QStringLiteral("databases")).toArray()) {
        const QJsonObject d = v.toObject();
        m.databases.append({d.value(QStringLiteral("name")).toString(),
                            d.value(QStringLiteral("version")).toInt()});
    }
    // A newer program may have laid its backups out otherwise, or made databases
    // this one does not know the tables of.
    bool newer = m.format > BackupManifest::kFormat || m.schemaVersion > Schema::kVersion;
    for (const BackupManifest::Database& d : std::as_const(m.databases))
        newer = newer || d.version > Schema::kVersion;
    if (newer)
        throw BackupError(BackupError::Kind::NewerVersion, folder,
                          QStringLiteral("%1 / %2").arg(m.program).arg(m.schemaVersion));
    // A file name that leaves the folder is no file of it.
    for (const BackupManifest::File& f : std::as_const(m.files))
        if (f.name.isEmpty() || f.name.contains(QLatin1Char('/')) ||
            f.name.startsWith(QLatin1Char('.')))
            throw BackupError(BackupError::Kind::Damaged, path, f.name);
    if (m.engine != QLatin1String("sqlite") && m.engine != QLatin1String("postgresql"))
        throw BackupError(BackupError::Kind::NotABackup, folder, m.engine);
    if (m.files.isEmpty() || m.databases.isEmpty())
        throw BackupError(BackupError::Kind::Damaged, path);
    return m;
}

void RestoreBackup(const QString& backupFolder, const QString& target,
                   const BackupObserver& observer)
{
    const Backup::Progress progress(observer);
    const QString folder = QDir::cleanPath(QFileInfo(backupFolder).absoluteFilePath());
    const BackupManifest manifest = ReadBackupManifest(folder);
    const std::unique_ptr<Backup::Engine> engine = EngineFor(target);
    if (engine->name() != manifest.engine)
        throw BackupError(BackupError::Kind::OtherEngine, folder, manifest.engine);
    CheckFiles(folder, manifest, progress);
    engine->restore(folder, manifest, target, progress);
}

QString BackupDescription(const BackupManifest& m)
{
    const QCalendar jalali(QCalendar::System::Jalali);
    const QDateTime local = m.time.toLocalTime();
    const QCalendar::YearMonthDay day = jalali.partsFromDate(local.date());
    const QString when = QStringLiteral("%1/%2/%3 ساعت %4")
                             .arg(day.year, 4, 10, QLatin1Char('0'))
                             .arg(day.month, 2, 10, QLatin1Char('0'))
                             .arg(day.day, 2, 10, QLatin1Char('0'))
                             .arg(local.time().toString(QStringLiteral("HH:mm")));
    QStringList names;
    for (const BackupManifest::Database& d : m.databases)
        names << d.name;
    const QString from = m.engine == QLatin1String("postgresql")
                             ? QStringLiteral("سرور پايگاه داده ")
                             : QStringLiteral("پوشه اطلاعات ");
    return QStringLiteral("نسخه پشتيبان ") + when + QStringLiteral(" از ") + from +
           Quoted(m.source) + QStringLiteral(": ") + names.join(QStringLiteral("، "));
}

QString BackupFailureText(const BackupError& error)
{
    const QString where = Quoted(error.where());
    const QString detail = error.detail().isEmpty()
                               ? QString()
                               : QStringLiteral("\n(") + error.detail() + QLatin1Char(')');
    using Kind = BackupError::Kind;
    switch (error.kind()) {
    case Kind::TargetUnwritable:
        return QStringLiteral("در پوشه ") + where +
               QStringLiteral(" نمي توان نوشت: پوشه ساخته نمي شود يا اجازه نوشتن در آن نيست. "
                              "چيزي نوشته نشد و چيزي تغيير نكرد.\nپوشه ديگري انتخاب كنيد يا "
                              "اجازه نوشتن در آن را بدهيد.") +
               detail;
    case Kind::DiskFull:
        return QStringLiteral("ديسك پوشه ") + where +
               QStringLiteral(" پر است. كار نيمه تمام ماند و آنچه از آن نوشته شده بود پاك شد؛ "
                              "چيز ديگري تغيير نكرد.\nدر ديسك جا باز كنيد يا پوشه ديگري انتخاب "
                              "كنيد.") +
               detail;
    case Kind::SourceUnreadable:
        return QStringLiteral("از ") + where +
               QStringLiteral(" نسخه پشتيبان گرفته نشد و چيزي از آن باقي نماند:\n") +
               error.detail();
    case Kind::NotABackup:
        return QStringLiteral("در پوشه ") + where +
               QStringLiteral(" نسخه پشتيبان اين برنامه نيست (فايل «") + BackupManifest::kFileName +
               QStringLiteral("» در آن نيست)؛ چيزي تغيير نكرد.\nپوشه اي را انتخاب كنيد كه "
                              "پشتيبان گيري ساخته است.");
    case Kind::Damaged:
        return QStringLiteral("فايل ") + where +
               QStringLiteral(" آسيب ديده، ناقص يا تغيير كرده است و در بررسي درست نبود؛ چيزي "
                              "تغيير نكرد.\nاز نسخه پشتيبان ديگري استفاده كنيد، يا اگر اين در "
                              "پشتيبان گيري پيش آمد، فايل اصلي را بررسي كنيد.") +
               detail;
    case Kind::NewerVersion:
        return QStringLiteral("نسخه پشتيبان ") + where +
               QStringLiteral(" با نسخه جديدتري از برنامه ساخته شده است و اين نسخه آن را "
                              "برنمي گرداند؛ چيزي تغيير نكرد.\nبرنامه را به روز كنيد و دوباره "
                              "سعي كنيد.");
    case Kind::OtherEngine:
        return QStringLiteral("نسخه پشتيبان ") + where +
               (error.detail() == QLatin1String("postgresql")
                    ? QStringLiteral(" از سرور پايگاه داده است و فقط در پايگاه داده اي روي سرور "
                                     "(نشاني postgresql://...) برگردانده مي شود")
                    : QStringLiteral(" از پوشه اطلاعات است و فقط در پوشه اطلاعات برگردانده "
                                     "مي شود")) +
               QStringLiteral("؛ چيزي تغيير نكرد.");
    case Kind::TargetNotEmpty:
        return QStringLiteral("مقصد ") + where +
               QStringLiteral(" خالي نيست. نسخه پشتيبان فقط در پوشه يا پايگاه داده اي تازه و خالي "
                              "برگردانده مي شود تا چيزي از اطلاعات موجود از بين نرود؛ چيزي "
                              "تغيير نكرد.\nنام پوشه يا پايگاه داده تازه اي بدهيد.");
    case Kind::TargetUnavailable:
        return QStringLiteral("پايگاه داده ") + where +
               QStringLiteral(" در دسترس نيست و ساخته هم نشد؛ چيزي تغيير نكرد.\nنشاني سرور و "
                              "اجازه هاي كاربر آن (ساختن پايگاه داده) را بررسي كنيد.") +
               detail;
    case Kind::ToolMissing:
        return QStringLiteral("برنامه ") + where +
               QStringLiteral(" (پشتيبان گيري سرور PostgreSQL) نصب نيست و كار انجام نشد؛ چيزي "
                              "تغيير نكرد.\nبسته «") +
               error.detail() + QStringLiteral("» را نصب كنيد (sudo apt-get install ") +
               error.detail() + QStringLiteral(") و دوباره سعي كنيد.");
    case Kind::ToolFailed:
        return QStringLiteral("برنامه ") + where +
               QStringLiteral(" كار را تمام نكرد؛ آنچه از آن نوشته شده بود پاك شد و چيز ديگري "
                              "تغيير نكرد.\nپيام آن:\n") +
               error.detail();
    case Kind::Cancelled:
        return QStringLiteral("كار متوقف شد؛ آنچه از آن نوشته شده بود پاك شد و چيز ديگري تغيير "
                              "نكرد.");
    }
    return error.detail();
}

ProcedureResult BackupProcedure(DbConnection& connection, const QStringList& arguments)
{
    ProcedureResult result;
    result.columns << QStringLiteral("Folder") << QStringLiteral("Message");
    const QString parent = arguments.value(0).trimmed();
    try {
        const QString made = TakeBackup(connection.dataFolder(), parent,
                                        [&connection](qint64 done, qint64 total, const QString&) {
                                            connection.reportProgress(done, total);
                                            return true;
                                        });
        result.rows << QVariantList{made, QString()};
    } catch (const BackupError& e) {
        result.rows << QVariantList{QString(), BackupFailureText(e)};
    }
    return result;
}
