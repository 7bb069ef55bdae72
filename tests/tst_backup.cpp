// Backups of a data place taken while another clerk saves, restored into a new place
// and opened as the host opens it; every refusal leaves what exists as it was; the
// backup and restore windows of the "سيستم" menu.

#include "backup.h"
#include "backupdialog.h"
#include "databasefolder.h"
#include "demohost.h"
#include "hostsession.h"
#include "schema.h"
#include "sessionsettings.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "uitest.h"
#include "workerclerk.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QUrl>
#include <QtTest>
#include <memory>

namespace {

// What a data place holds: a folder's entries, or the databases of a server database
// ("<none>" when it is not there).
QStringList Contents(const QString& place)
{
    if (!DbConnection::IsServerAddress(place))
        return QFileInfo::exists(place) ? EntriesUnder(place) : QStringList{"<none>"};
    DbConnection server(place, QString(), DbConnection::OpenMode::Existing);
    return server.isOpen() ? server.databaseNames() : QStringList{"<none>"};
}

// The numbers of the vouchers a clerk said it stored.
QStringList Saved(WorkerClerk& clerk)
{
    QStringList numbers;
    for (const WorkerVoucher& voucher : clerk.transcript().done.keys())
        numbers << voucher.second;
    return numbers;
}

// Sets `key` of the manifest of the backup in `folder`, as a newer program writes it.
bool SetInManifest(const QString& folder, const QString& key, int value)
{
    QFile manifest(QDir(folder).filePath(BackupManifest::kFileName));
    if (!manifest.open(QIODevice::ReadWrite))
        return false;
    QJsonObject o = QJsonDocument::fromJson(manifest.readAll()).object();
    o[key] = value;
    const QByteArray text = QJsonDocument(o).toJson();
    return manifest.resize(0) && manifest.write(text) == text.size();
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QString m_backup; // one backup of the demo company, taken at the start
    QTemporaryDir m_files;

    QString place() const { return m_host->dataFolder(); }
    // A copy of the start's backup that a test may spoil.
    QString copyOfBackup(const QString& name) const
    {
        const QString copy = m_files.filePath(name);
        QDir().mkpath(copy);
        for (const QString& file : QDir(m_backup).entryList(QDir::Files))
            QFile::copy(QDir(m_backup).filePath(file), QDir(copy).filePath(file));
        return copy;
    }
    // A new data place to restore into, not there yet: a folder, or a database of the
    // test server (the restore makes it; the test drops it at the end).
    QStringList m_serverTargets;
    QString newTarget()
    {
        const QString name = QString("restored_%1_%2")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(m_serverTargets.size());
        m_serverTargets << name;
        if (!TestPlace::OnServer())
            return m_files.filePath(name);
        QUrl address(TestPlace::ServerAddress());
        address.setPath('/' + name);
        return address.toString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_files.isValid());
        m_host = std::make_unique<DemoHost>();
        m_backup = TakeBackup(place(), m_files.filePath("start"));
    }
    void cleanupTestCase()
    {
        if (!TestPlace::OnServer())
            return;
        DbConnection server(TestPlace::ServerAddress(), QString(),
                            DbConnection::OpenMode::Existing);
        for (const QString& name : std::as_const(m_serverTargets))
            server.execute("DROP DATABASE IF EXISTS " + SqlIdent(name.toLower()) + " WITH (FORCE)");
    }

    // A backup taken while a second clerk saves: the clerk is never refused, the
    // backup holds each of its vouchers whole or not at all and every one stored
    // before it began, and restored into a new place it opens in the host as it was.
    // On a data folder the copy of the clerk's company is held up half-way while the
    // clerk saves: those saves go on, and the copy, begun again, holds them.
    void backupWhileAClerkSavesIsWholeAndRestores()
    {
        WorkerClerk clerk(place(), {"--tag", "B", "--kinds", "BuyCreate", "--new-only"});
        QVERIFY2(clerk.waitForSaves(3), qPrintable(clerk.output()));
        const QStringList before = Saved(clerk);
        const QString company = "ZELMORA_1_" + DemoYear() + ".sqlite";
        int companySteps = 0;
        QStringList savedHalfWay;
        const QString made =
            TakeBackup(place(), m_files.filePath("busy"), [&](qint64, qint64, const QString& what) {
                if (what == company && ++companySteps == 2) {
                    clerk.waitForSaves(int(Saved(clerk).size()) + 2);
                    savedHalfWay = Saved(clerk);
                }
                return true;
            });
        QVERIFY(clerk.waitForSaves(int(Saved(clerk).size()) + 2));
        // Nothing refused or failed (a database held too long by the backup among them).
        const WorkerTranscript said = clerk.transcript();
        QVERIFY2(said.problems.isEmpty() && said.messages.isEmpty(), qPrintable(clerk.output()));
        if (!TestPlace::OnServer())
            QVERIFY2(savedHalfWay.size() >= before.size() + 2, qPrintable(clerk.output()));
        // The folder made is all there is: nothing half-written beside it.
        QCOMPARE(QDir(m_files.filePath("busy"))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QFileInfo(made).fileName()});

        const QString target = newTarget();
        RestoreBackup(made, target);
        const auto restored = DatabaseFolder(target).openCompany("1", DemoYear(), false);
        QVERIFY(restored);
        QStringList faults;
        const QHash<QString, QString> whole =
            WorkerVouchers(*restored, "D_Buy_Create", "B", faults);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        for (const QString& number : before + savedHalfWay)
            QVERIFY2(whole.contains(number), qPrintable(number));
        // The rest is as the clerk left it: the kinds the clerk does not save.
        for (const char* table :
             {"D_ForoshDaymeh", "D_KenarD", "D_Tahvil_Antegal", "D_SoulationChange"}) {
            const QString rows = QString("SELECT * FROM %1 ORDER BY SanadNoAmval, Raj").arg(table);
            QCOMPARE(StoredRows(*restored, rows), StoredRows(m_host->db(), rows));
        }

        // The host opens it with its register, as it opens the place it came from.
        SessionSettings settings = SessionSettings::Defaults(m_files.path(), QDate::currentDate());
        settings.dataDir = TestPlace::OnServer() ? QString() : target;
        settings.server = TestPlace::OnServer() ? target : QString();
        HostSession session(settings, nullptr);
        QVERIFY2(session.hasDatabase(), qPrintable(session.databaseError()));
        QCOMPARE(session.registerNotice(), QString());
        QCOMPARE(DatabaseFolder(target).periods().size(), DatabaseFolder(place()).periods().size());
    }

    void refusalsChangeNothing_data()
    {
        QTest::addColumn<BackupError::Kind>("kind");
        QTest::addColumn<bool>("taking"); // refused taking a backup, else restoring one
        using K = BackupError::Kind;
        QTest::newRow("restore into a place that holds something") << K::TargetNotEmpty << false;
        QTest::newRow("a backup of a newer version") << K::NewerVersion << false;
        QTest::newRow("a damaged file") << K::Damaged << false;
        QTest::newRow("a folder that holds no backup") << K::NotABackup << false;
        QTest::newRow("a backup of the other engine") << K::OtherEngine << false;
        QTest::newRow("a folder that cannot be made") << K::TargetUnwritable << true;
        QTest::newRow("a disk that fills up") << K::DiskFull << true;
        QTest::newRow("a backup stopped") << K::Cancelled << true;
        QTest::newRow("a restore stopped") << K::Cancelled << false;
        QTest::newRow("the server's tool not installed") << K::ToolMissing << true;
    }
    void refusalsChangeNothing()
    {
        using K = BackupError::Kind;
        QFETCH(BackupError::Kind, kind);
        QFETCH(bool, taking);
        QString backup = m_backup;
        QString target = newTarget();
        QString named;                                              // what the message must name
        QString folder = m_files.filePath(QTest::currentDataTag()); // a backup's parent
        BackupObserver stop; // none, or one that stops the work under way
        std::function<void()> act = [&] {
            if (taking)
                TakeBackup(place(), folder, stop);
            else
                RestoreBackup(backup, target, stop);
        };
        std::function<void()> undo = [] {};
        switch (kind) {
        case K::TargetNotEmpty:
            if (TestPlace::OnServer()) {
                target = place();
            } else {
                QDir().mkpath(target);
                WriteWholeFile(QDir(target).filePath("notes.txt"), "mine");
            }
            named = DbConnection::DisplayAddress(target);
            break;
        case K::NewerVersion:
            backup = copyOfBackup("newer");
            QVERIFY(SetInManifest(backup, "schemaVersion", Schema::kVersion + 1));
            named = backup;
            break;
        case K::Damaged: {
            backup = copyOfBackup("damaged");
            const QString file = QDir(backup).filePath(
                QDir(backup).entryList({"*.sqlite", "*.dump"}, QDir::Files).constFirst());
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2);
            const char byte = f.peek(1).at(0);
            f.write(QByteArray(1, char(byte ^ 0x5a)));
            named = file;
            break;
        }
        case K::NotABackup:
            backup = m_files.filePath("plain");
            QDir().mkpath(backup);
            named = backup;
            break;
        case K::OtherEngine:
            // A server's backup goes to a server database, a folder's to a folder.
            target = TestPlace::OnServer() ? m_files.filePath("folder")
                                           : QStringLiteral("postgresql://nobody@127.0.0.1:1/none");
            named = backup;
            break;
        case K::TargetUnwritable: {
            // Below a file, where no folder can be made (the tests may run as root,
            // to whom no folder's rights are refused).
            WriteWholeFile(m_files.filePath("a-file"), {});
            folder = m_files.filePath("a-file") + "/backups";
            named = folder;
            break;
        }
        case K::DiskFull:
            named = folder;
            act = [&] {
                const DiskFullAfter full(64 * 1024);
                TakeBackup(place(), folder, {});
            };
            break;
        case K::Cancelled:
            // Stopped once under way: something copied, past checking the backup.
            stop = [](qint64 done, qint64, const QString& what) {
                return done == 0 || what == QStringLiteral("بررسي نسخه پشتيبان");
            };
            break;
        case K::ToolMissing:
            if (!TestPlace::OnServer())
                QSKIP("a data folder needs no tool of the server");
            undo = [path = qgetenv("PATH")] { qputenv("PATH", path); };
            qputenv("PATH", m_files.filePath("no-tools").toUtf8());
            named = "pg_dump";
            break;
        default:
            QFAIL("no refusal of this kind is set up");
        }
        const QStringList watched{place(), target, folder, backup};
        QList<QStringList> was;
        for (const QString& w : watched)
            was << Contents(w);

        std::optional<BackupError> failure;
        try {
            act();
        } catch (const BackupError& e) {
            failure = e;
        }
        undo();
        QVERIFY2(failure.has_value(), "not refused");
        QVERIFY2(failure->kind() == kind, qPrintable(BackupFailureText(*failure)));
        const QString text = BackupFailureText(*failure);
        // A stop names nothing: it says the work stopped.
        QVERIFY2(text.contains(named.isEmpty() ? QStringLiteral("كار متوقف شد")
                                               : QDir::toNativeSeparators(named)),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("تغيير نكرد")), qPrintable(text));
        if (kind == K::ToolMissing)
            QVERIFY2(text.contains("postgresql-client"), qPrintable(text));
        for (int i = 0; i < watched.size(); ++i)
            QCOMPARE(Contents(watched.at(i)), was.at(i));
    }

    // A clerk's program that died in the middle of a save leaves the journal of its
    // transaction beside the database. A backup then holds the database as it was
    // before that save, as the next program to open it finds it.
    void aSaveCutShortIsNotInTheBackup()
    {
        SKIP_ON_SERVER("a data folder's files");
        const QString crashed = m_files.filePath("crashed");
        QVERIFY(QDir().mkpath(crashed));
        const QString company = "ZELMORA_1_" + DemoYear() + ".sqlite";
        const QString before = StoredValue(m_host->db(), "SELECT COUNT(*) FROM D_Amval");
        {
            // The files as the dying program left them: the save's pages half written
            // over the database, their old state in the journal.
            m_host->db().execute("PRAGMA cache_size = 1");
            Transaction save(m_host->db());
            m_host->db().execute("DELETE FROM D_Amval");
            for (const QString& file : QDir(place()).entryList({"*.sqlite", "*-journal"}))
                QVERIFY(QFile::copy(QDir(place()).filePath(file), QDir(crashed).filePath(file)));
        }
        m_host->db().execute("PRAGMA cache_size = -32768");
        QVERIFY(QFileInfo::exists(QDir(crashed).filePath(company + "-journal")));
        const QString made = TakeBackup(crashed, m_files.filePath("after-crash"));
        DbConnection copy(QDir(made).filePath(company), DbConnection::OpenMode::Existing);
        QCOMPARE(StoredValue(copy, "SELECT COUNT(*) FROM D_Amval"), before);
    }

    // The windows of the "سيستم" menu, typed into: a backup into the folder typed,
    // then that backup restored into a new folder, which then holds the company.
    void theWindowsTakeAndRestoreABackup()
    {
        const QString folder = m_files.filePath("typed");
        BackupDialog backup(place());
        QString told;
        AnswerMessageBox(&told, "BackupNotice");
        const int result = RunModal(&backup, [&] {
            auto* edit = backup.findChild<QLineEdit*>("BackupFolder");
            QCOMPARE(QApplication::focusWidget(), edit);
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            TypeText(edit, folder);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QVERIFY2(result == QDialog::Accepted, qPrintable(told));
        QCOMPARE(QFileInfo(backup.made()).absolutePath(), folder);
        QVERIFY2(told.contains(QDir::toNativeSeparators(backup.made())), qPrintable(told));

        // A backup of a newer program is told as soon as it is named.
        RestoreDialog refused;
        const QString newer = copyOfBackup("newer-window");
        QVERIFY(SetInManifest(newer, "format", BackupManifest::kFormat + 1));
        refused.findChild<QLineEdit*>("BackupSource")->setFocus();
        TypeText(refused.findChild<QLineEdit*>("BackupSource"), newer);
        QVERIFY(refused.findChild<QLabel*>("BackupAbout")->text().contains("جديدتري"));

        const QString target = newTarget();
        RestoreDialog restore;
        AnswerMessageBox(&told, "BackupNotice");
        QCOMPARE(RunModal(&restore,
                          [&] {
                              TypeText([] { return QApplication::focusWidget(); }, backup.made());
                              QVERIFY(restore.findChild<QLabel*>("BackupAbout")
                                          ->text()
                                          .contains("ZELMORA_1_" + DemoYear()));
                              QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                              QCOMPARE(QApplication::focusWidget()->objectName(), "RestoreTarget");
                              TypeText([] { return QApplication::focusWidget(); }, target);
                              QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                          }),
                 int(QDialog::Accepted));
        QCOMPARE(restore.restored(), target);
        QVERIFY2(told.contains(QStringLiteral("برگردانده شد")) &&
                     told.contains(DbConnection::DisplayAddress(target)),
                 qPrintable(told));
        QVERIFY(DatabaseFolder(target).openCompany("1", DemoYear(), false));
    }
};

AMVAL_TEST_MAIN(TestBackup)
#include "tst_backup.moc"
