// The data folder as the host program finds it: company files without their
// register, a register that is damaged or that another program is writing, and
// company files that are empty, damaged, not databases or held by another program.
// The host says which file is wrong and what to do, never works on a stand-in
// database, and changes no file it did not make.

#include "databasefolder.h"
#include "dbconnection.h"
#include "democompany.h"
#include "hostsession.h"
#include "mainwindow.h"
#include "modulelibrary.h"
#include "schema.h"
#include "sessionsettings.h"
#include "sqlcheck.h"
#include "sqlquote.h"

#include <QApplication>
#include <QCalendar>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString kCurrentYear =
    QString::number(QDate::currentDate().year(QCalendar(QCalendar::System::Jalali)));

QByteArray Checksum(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QString Value(const DbConnection& db, const QString& sql)
{
    QSqlQuery q = db.select(sql);
    return q.next() ? q.value(0).toString() : QString();
}

// A registered company period with its settings row, in `folder`.
void MakeCompany(const QString& folder, const QString& company, const QString& year,
                 const QString& name)
{
    DatabaseFolder(folder).registerPeriod({company, year, name, year + QStringLiteral("/01/01"),
                                           JalaliYearEnd(year.toInt()), QString()});
    std::unique_ptr<DbConnection> db = DatabaseFolder(folder).openCompany(company, year, true);
    db->execute(QStringLiteral("INSERT INTO Options (sCode, CompanyNam) VALUES (") +
                SqlQuote(company + year) + QStringLiteral(", ") + SqlQuote(name) +
                QLatin1Char(')'));
}

// A company period's file as a backup holds it: made in a folder of its own and
// copied alone into `folder`. Returns the copy.
QString RestoreCompanyFile(const QString& folder, const QString& company, const QString& year,
                           const QString& name)
{
    QTemporaryDir source;
    MakeCompany(source.path(), company, year, name);
    QDir().mkpath(folder);
    const QString copy = DatabaseFolder(folder).companyFile(company, year);
    QFile::copy(DatabaseFolder(source.path()).companyFile(company, year), copy);
    return copy;
}

SessionSettings Session(const QTemporaryDir& dir, const QString& company, const QString& year)
{
    SessionSettings s = SessionSettings::Defaults(dir.path(), QDate::currentDate());
    s.dataDir = dir.filePath(QStringLiteral("data"));
    s.companyCode = company;
    s.fiscalYear = year;
    s.periodStart = year + QStringLiteral("/01/01");
    s.periodEnd = JalaliYearEnd(year.toInt());
    return s;
}

QLabel* StatusLine(const MainWindow& window)
{
    return window.statusBar()->findChild<QLabel*>();
}

QString StatusText(const MainWindow& window)
{
    const QLabel* status = StatusLine(window);
    return status ? status->text() : QString();
}

QStringList DatabaseFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.sqlite")}, QDir::Files, QDir::Name);
}

// The text of the message window the main window shows once it is on the screen.
QString NoticeText(const MainWindow& window)
{
    const auto* box = window.findChild<QMessageBox*>(QStringLiteral("SessionNotice"));
    return box && box->isVisible() ? box->text() : QString();
}

// What the host told on its status line and in its message window once shown:
// both name every part.
void VerifyTold(MainWindow& window, const QStringList& parts)
{
    window.show();
    QTRY_VERIFY(!NoticeText(window).isEmpty());
    for (const QString& told : {StatusText(window), NoticeText(window)}) {
        for (const QString& part : parts)
            QVERIFY2(told.contains(part), qPrintable(part + QStringLiteral(" not in: ") + told));
    }
}

// Closes whatever modal window a call opens and keeps its text, so that a window
// opened where none should be is seen instead of waiting for a person.
class ModalCloser : public QObject
{
public:
    ModalCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                const auto* box = qobject_cast<QMessageBox*>(modal);
                closed << (box ? box->text() : modal->objectName());
                modal->close();
            }
        });
        m_timer.start(50);
    }
    QStringList closed;

private:
    QTimer m_timer;
};

// Keeps what a label read each time it was painted.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    QStringList painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint)
            painted << m_label->text();
        return false;
    }

private:
    QLabel* m_label;
};

} // namespace

class tst_datafolder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_demo; // the demo company, for the users' records

private slots:
    void initTestCase() { CreateDemoCompany(Session(m_demo, "1", kCurrentYear).dataDir); }

    // A company file restored into a folder without its register: the register is
    // made again from the company files, the user is told from which, and the
    // files themselves are not touched.
    void missingRegisterIsRebuiltFromTheCompanyFiles()
    {
        QTemporaryDir dir;
        const SessionSettings settings = Session(dir, QStringLiteral("1"), kCurrentYear);
        const QString current = RestoreCompanyFile(settings.dataDir, QStringLiteral("1"),
                                                   kCurrentYear, QStringLiteral("شركت بازيافته"));
        const QString leapYear = RestoreCompanyFile(settings.dataDir, QStringLiteral("7"),
                                                    QStringLiteral("1403"), QStringLiteral("هفت"));
        const QByteArray currentSum = Checksum(current);
        const QByteArray leapYearSum = Checksum(leapYear);
        QVERIFY(!currentSum.isEmpty() && !leapYearSum.isEmpty());
        DatabaseFolder folder(settings.dataDir);

        // The session dialog lists the periods before anything is written.
        QCOMPARE(folder.periods().size(), 2);

        {
            ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
            MainWindow window(&module, settings);
            const DbConnection* db = window.session()->myDatabase()->Connection;
            QVERIFY(db != nullptr);
            QCOMPARE(db->file(), current);
            QCOMPARE(Value(*db, QStringLiteral("SELECT CompanyNam FROM Options")),
                     QStringLiteral("شركت بازيافته"));
            // The company connection reaches the new register.
            QCOMPARE(Value(*db, QStringLiteral("SELECT COUNT(*) FROM \"ZELMORA_Sdc\".Sdc_Company")),
                     QStringLiteral("2"));
            VerifyTold(window,
                       {QStringLiteral("«ZELMORA_Sdc.sqlite»"), QStringLiteral("دوباره ساخته شد"),
                        QFileInfo(current).fileName(), QFileInfo(leapYear).fileName()});
        }

        QCOMPARE(Checksum(current), currentSum);
        QCOMPARE(Checksum(leapYear), leapYearSum);
        QCOMPARE(DatabaseFiles(settings.dataDir),
                 QStringList({QFileInfo(current).fileName(), QFileInfo(leapYear).fileName(),
                              QStringLiteral("ZELMORA_Sdc.sqlite")}));

        // The register's rows: name from each file's settings, the whole Jalali year.
        const QList<CompanyPeriod> periods = folder.periods();
        QCOMPARE(periods.size(), 2);
        QCOMPARE(periods.at(0).company, QStringLiteral("1"));
        QCOMPARE(periods.at(0).name, QStringLiteral("شركت بازيافته"));
        QCOMPARE(periods.at(1).company, QStringLiteral("7"));
        QCOMPARE(periods.at(1).name, QStringLiteral("هفت"));
        QCOMPARE(periods.at(1).startDate, QStringLiteral("1403/01/01"));
        QCOMPARE(periods.at(1).endDate, QStringLiteral("1403/12/30"));
        QCOMPARE(periods.at(1).databaseName, QStringLiteral("ZELMORA_7_1403"));
    }

    // A register that is there is not made again, nor told about.
    void presentRegisterIsLeftAlone()
    {
        QTemporaryDir dir;
        const SessionSettings settings = Session(dir, QStringLiteral("1"), kCurrentYear);
        MakeCompany(settings.dataDir, QStringLiteral("1"), kCurrentYear, QStringLiteral("شركت"));
        const QString registerFile = DatabaseFolder(settings.dataDir).registerFile();
        const QByteArray registerSum = Checksum(registerFile);
        {
            ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
            MainWindow window(&module, settings);
            QVERIFY(window.session()->myDatabase()->Connection != nullptr);
            QVERIFY2(!StatusText(window).contains(QStringLiteral("ZELMORA_Sdc")),
                     qPrintable(StatusText(window)));
        }
        QCOMPARE(Checksum(registerFile), registerSum);
    }

    void damagedRegisterIsLeftAsItIs_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text file") << QByteArray("Sdc_Company\n1;1404;not a database\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("other database") << QByteArray("sqlite");
    }

    // A register that is not one is never written to: the user is told which file
    // and what to do, the periods come from the company files and the chosen one
    // opens without the register.
    void damagedRegisterIsLeftAsItIs()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const SessionSettings settings = Session(dir, QStringLiteral("1"), kCurrentYear);
        const QString company = RestoreCompanyFile(settings.dataDir, QStringLiteral("1"),
                                                   kCurrentYear, QStringLiteral("شركت"));
        DatabaseFolder folder(settings.dataDir);
        if (content == "sqlite") {
            QVERIFY_SQL(DbConnection(folder.registerFile())
                            .execute(QStringLiteral("CREATE TABLE notes (a)")));
        } else {
            QFile file(folder.registerFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const QByteArray registerSum = Checksum(folder.registerFile());
        const QByteArray companySum = Checksum(company);

        const QList<CompanyPeriod> periods = folder.periods();
        QCOMPARE(periods.size(), 1);
        QCOMPARE(periods.at(0).name, QStringLiteral("شركت"));
        QCOMPARE(periods.at(0).databaseName, CompanyDatabaseName("1", kCurrentYear));
        QVERIFY(ThrownDatabaseError([&] { folder.ensureRegister(); }));

        {
            ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
            MainWindow window(&module, settings);
            const DbConnection* db = window.session()->myDatabase()->Connection;
            QVERIFY(db != nullptr);
            QCOMPARE(db->file(), company);
            QCOMPARE(Value(*db, QStringLiteral("SELECT CompanyNam FROM Options")),
                     QStringLiteral("شركت"));
            QVERIFY(window.session()->databaseError().isEmpty());
            VerifyTold(window, {QStringLiteral("«ZELMORA_Sdc.sqlite»"), QStringLiteral("آسيب ديده"),
                                QStringLiteral("منتقل كنيد")});
        }
        QCOMPARE(Checksum(folder.registerFile()), registerSum);
        QCOMPARE(Checksum(company), companySum);
    }

    // While another program writes to the register, opening a company and listing
    // the periods go on at once: a register at the current version is only read.
    void registerBeingWrittenDoesNotHoldUpOpening()
    {
        QTemporaryDir dir;
        const SessionSettings settings = Session(dir, QStringLiteral("1"), kCurrentYear);
        MakeCompany(settings.dataDir, QStringLiteral("1"), kCurrentYear, QStringLiteral("شركت"));
        DatabaseFolder folder(settings.dataDir);
        DbConnection writer(folder.registerFile(), DbConnection::OpenMode::Existing);
        writer.beginTransaction();
        QVERIFY_SQL(writer.execute(QStringLiteral("UPDATE Sdc_Company SET sName = sName")));
        DbConnection companyWriter(folder.companyFile(QStringLiteral("1"), kCurrentYear),
                                   DbConnection::OpenMode::Existing);
        companyWriter.beginTransaction();

        QElapsedTimer elapsed;
        elapsed.start();
        std::unique_ptr<DbConnection> db =
            folder.openCompany(QStringLiteral("1"), kCurrentYear, false);
        QVERIFY(db);
        QCOMPARE(Value(*db, QStringLiteral("SELECT COUNT(*) FROM \"ZELMORA_Sdc\".Sdc_Company")),
                 QStringLiteral("1"));
        QCOMPARE(folder.periods().size(), 1);
        folder.ensureRegister();
        Schema::CreateCompanySchema(*db);
        DbConnection reg(folder.registerFile(), DbConnection::OpenMode::Existing);
        Schema::CreateRegisterSchema(reg);
        {
            QWidget owner;
            HostSession session(settings, &owner);
            QVERIFY(session.myDatabase()->Connection != nullptr);
            QVERIFY2(session.databaseError().isEmpty(), qPrintable(session.databaseError()));
        }
        QVERIFY2(elapsed.elapsed() < db->busyLimit() / 2,
                 qPrintable(QString::number(elapsed.elapsed())));
        writer.rollbackTransaction();
        companyWriter.rollbackTransaction();
    }

    void badCompanyFileIsNamed_data()
    {
        QTest::addColumn<QString>("spoil");
        QTest::newRow("empty") << QStringLiteral("empty");
        QTest::newRow("text renamed") << QStringLiteral("text");
        QTest::newRow("damaged") << QStringLiteral("damaged");
        QTest::newRow("locked") << QStringLiteral("locked");
    }

    // A company file that cannot be worked on: the host says in Persian which file
    // and what to do, on its status line and in a message window, opens no window
    // of the module, and works on no stand-in database. A file another program
    // holds is busy, not damaged.
    void badCompanyFileIsNamed()
    {
        QFETCH(QString, spoil);
        QTemporaryDir dir;
        const SessionSettings settings = Session(dir, QStringLiteral("1"), kCurrentYear);
        MakeCompany(settings.dataDir, QStringLiteral("1"), kCurrentYear, QStringLiteral("شركت"));
        const QString file =
            DatabaseFolder(settings.dataDir).companyFile(QStringLiteral("1"), kCurrentYear);
        std::unique_ptr<DbConnection> holder;
        if (spoil == QLatin1String("locked")) {
            holder = std::make_unique<DbConnection>(file, DbConnection::OpenMode::Existing);
            QVERIFY_SQL(holder->execute(QStringLiteral("BEGIN EXCLUSIVE")));
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(spoil == QLatin1String("damaged") || f.resize(0));
            if (spoil == QLatin1String("text"))
                f.write(QStringLiteral("گزارش دارايي ها\n").repeated(200).toUtf8());
            // Damaged: the first page past the file header, so the schema cannot be read.
            if (spoil == QLatin1String("damaged") && f.seek(100))
                f.write(QByteArray(1000, char(0xA5)));
        }
        const QByteArray before = Checksum(file);

        ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
        MainWindow window(&module, settings);
        QVERIFY(window.session()->myDatabase()->Connection == nullptr);
        const QString error = window.session()->databaseError();
        QVERIFY2(
            error.contains(QStringLiteral("«") + QFileInfo(file).fileName() + QStringLiteral("»")),
            qPrintable(error));
        if (spoil == QLatin1String("locked")) {
            QVERIFY2(error.contains(QStringLiteral("در اختيار برنامه ديگري است")),
                     qPrintable(error));
            QVERIFY2(!error.contains(QStringLiteral("سالم")), qPrintable(error));
        } else {
            QVERIFY2(error.contains(QStringLiteral("پايگاه داده سالم اين سيستم نيست")),
                     qPrintable(error));
        }
        QVERIFY(StatusText(window).contains(QFileInfo(file).fileName()));
        window.show();
        QTRY_COMPARE(NoticeText(window), error);

        // A task is refused with the same reason.
        if (auto* notice = window.findChild<QMessageBox*>(QStringLiteral("SessionNotice")))
            notice->close();
        QTRY_VERIFY(window.findChild<QMessageBox*>(QStringLiteral("SessionNotice")) == nullptr);
        ModalCloser closer;
        QVERIFY(!window.openTask(QStringLiteral("BuyCreate_Amval")));
        QCOMPARE(window.tabs()->count(), 0);
        QCOMPARE(NoticeText(window), error);
        QVERIFY2(closer.closed.isEmpty(), qPrintable(closer.closed.join('\n')));
        holder.reset();
        QCOMPARE(Checksum(file), before);
    }

    void theUsersRightsReachTheHostContext_data()
    {
        QTest::addColumn<int>("user");
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QString>("print");
        QTest::newRow("administrator") << 1 << "YES"
                                       << "YES";
        QTest::newRow("clerk") << 2 << "NO"
                               << "YES";
        QTest::newRow("viewer") << 3 << "NO"
                                << "NO";
    }
    // The user's copy and print rights come from the user's record into the host
    // context the module reads.
    void theUsersRightsReachTheHostContext()
    {
        QFETCH(int, user);
        QFETCH(QString, copy);
        QFETCH(QString, print);
        SessionSettings settings = Session(m_demo, QStringLiteral("1"), kCurrentYear);
        settings.userId = user;
        QWidget owner;
        HostSession session(settings, &owner);
        QCOMPARE(session.global()->CopyPermission, copy);
        QCOMPARE(session.global()->PrintPermission, print);
    }

    // A statement that waits for another program says so on the status line while
    // it waits, and the line comes back when the wait is over.
    void waitIsShownOnTheStatusLine()
    {
        QTemporaryDir dir;
        const SessionSettings settings = Session(dir, QStringLiteral("1"), kCurrentYear);
        MakeCompany(settings.dataDir, QStringLiteral("1"), kCurrentYear, QStringLiteral("شركت"));
        ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
        MainWindow window(&module, settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QLabel* status = StatusLine(window);
        QVERIFY(status != nullptr);
        const QString normal = status->text();
        DbConnection* db = window.session()->myDatabase()->Connection;
        QVERIFY(db != nullptr);

        DbConnection holder(db->file(), DbConnection::OpenMode::Existing);
        QVERIFY_SQL(holder.execute(QStringLiteral("BEGIN EXCLUSIVE")));
        db->setBusyLimit(700);
        PaintRecorder recorder(status);
        const auto refusal = ThrownDatabaseError(
            [db] { db->select(QStringLiteral("SELECT COUNT(*) FROM Options")); });
        QVERIFY2(refusal, "the statement did not wait");
        QCOMPARE(refusal->kind(), DatabaseError::Kind::Busy);
        const QString waiting =
            QStringLiteral("در انتظار آزاد شدن پايگاه داده ") + db->databaseName();
        QVERIFY2(!recorder.painted.isEmpty() && recorder.painted.first().startsWith(waiting),
                 qPrintable(recorder.painted.join('\n')));
        QCOMPARE(status->text(), normal);
        holder.execute(QStringLiteral("ROLLBACK"));
    }
};

QTEST_MAIN(tst_datafolder)
#include "tst_datafolder.moc"
