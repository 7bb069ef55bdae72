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
#include "storedcolumn.h"
#include "testplace.h"

#include <QApplication>
#include <QCalendar>
#include <QCryptographicHash>
#include <QLabel>
#include <QMessageBox>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include <memory>

namespace {

const QString kCurrentYear =
    QString::number(QDate::currentDate().year(QCalendar(QCalendar::System::Jalali)));

QByteArray Checksum(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

QString Value(const DbConnection& db, const QString& sql)
{
    return StoredValue(db, sql);
}

// A registered company period with its settings row, in `folder`.
void MakeCompany(const QString& folder, const QString& company, const QString& year,
                 const QString& name)
{
    DatabaseFolder(folder).registerPeriod(
        {company, year, name, year + "/01/01", JalaliYearEnd(year.toInt()), QString()});
    std::unique_ptr<DbConnection> db = DatabaseFolder(folder).openCompany(company, year, true);
    db->execute("INSERT INTO Options (sCode, CompanyNam) VALUES (?, ?)", {company + year, name});
}

// Company periods restored without their register: the register goes.
void DropRegister(const TestPlace& place)
{
    if (place.isServer())
        DbConnection(place.location(), QString(), DbConnection::OpenMode::Existing)
            .execute("DROP SCHEMA " + SqlIdent(kRegisterDatabase) + " CASCADE");
    else
        QFile::remove(DatabaseFolder(place.location()).registerFile());
}

// The session of company 1 in the current year, its data in the place.
SessionSettings Session(const TestPlace& place)
{
    SessionSettings s = SessionSettings::Defaults(place.folder(), QDate::currentDate());
    s.dataDir = place.isServer() ? place.filePath("data") : place.location();
    s.server = place.isServer() ? place.location() : QString();
    s.companyCode = "1";
    s.fiscalYear = kCurrentYear;
    s.periodStart = kCurrentYear + "/01/01";
    s.periodEnd = JalaliYearEnd(kCurrentYear.toInt());
    return s;
}

QString StatusText(const MainWindow& window)
{
    const QLabel* status = window.statusBar()->findChild<QLabel*>();
    return status ? status->text() : QString();
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
    for (const QString& told : {StatusText(window), NoticeText(window)})
        for (const QString& part : parts)
            QVERIFY2(told.contains(part), qPrintable(part + " not in: " + told));
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
    QTimer m_timer;
};

// Keeps what a label read each time it was painted.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QLabel* label) { label->installEventFilter(this); }
    QStringList painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted << static_cast<QLabel*>(watched)->text();
        return false;
    }
};

// A PostgreSQL server in front of which every connection is turned away as a real
// one turns it away: the password is asked for and refused (SQLSTATE 28P01), or the
// database does not exist (3D000).
class RefusingServer
{
public:
    explicit RefusingServer(const QByteArray& state) : m_state(state)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(m_socket, 4);
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            for (int client; (client = ::accept(m_socket, nullptr, nullptr)) >= 0; ::close(client))
                refuse(client);
        });
    }
    ~RefusingServer()
    {
        ::shutdown(m_socket, SHUT_RDWR);
        ::close(m_socket);
        m_thread.join();
    }
    int port() const { return m_port; }

private:
    static QByteArray Int32(quint32 value)
    {
        const quint32 big = htonl(value);
        return QByteArray(reinterpret_cast<const char*>(&big), 4);
    }
    // One message of the client: a typed one, or a start-up one without a type.
    static QByteArray Read(int client, bool typed)
    {
        QByteArray head(typed ? 5 : 4, Qt::Uninitialized);
        if (::recv(client, head.data(), head.size(), MSG_WAITALL) != head.size())
            return {};
        quint32 length;
        std::memcpy(&length, head.constData() + head.size() - 4, 4);
        QByteArray body(int(ntohl(length)) - 4, Qt::Uninitialized);
        ::recv(client, body.data(), body.size(), MSG_WAITALL);
        return body;
    }
    void refuse(int client) const
    {
        QByteArray startup = Read(client, false);
        // No encryption is offered (SSL 80877103, GSS 80877104).
        while (startup.size() == 4 && (startup == Int32(80877103) || startup == Int32(80877104))) {
            ::send(client, "N", 1, 0);
            startup = Read(client, false);
        }
        if (m_state == "28P01") {
            const QByteArray ask = "R" + Int32(8) + Int32(3); // a password in clear
            ::send(client, ask.constData(), ask.size(), 0);
            Read(client, true);
        }
        const QByteArray text = m_state == "28P01"
                                    ? "password authentication failed for user \"amval\""
                                    : "database \"amval\" does not exist";
        QByteArray fields = "SFATAL" + QByteArray(1, 0) + "VFATAL" + QByteArray(1, 0) + "C" +
                            m_state + QByteArray(1, 0) + "M" + text + QByteArray(2, 0);
        const QByteArray error = "E" + Int32(fields.size() + 4) + fields;
        ::send(client, error.constData(), error.size(), 0);
    }

    QByteArray m_state;
    int m_socket = -1;
    int m_port = 0;
    std::thread m_thread;
};

} // namespace

class tst_datafolder : public QObject
{
    Q_OBJECT

    TestPlace m_demo; // the demo company, for the users' records

private slots:
    // An empty place gets the demo company when the host opens it.
    void initTestCase()
    {
        QWidget owner;
        HostSession session(Session(m_demo), &owner);
        QVERIFY2(session.hasDatabase(), qPrintable(session.databaseError()));
        QCOMPARE(DatabaseFolder(m_demo.location()).periods().size(), 3);
    }

    // A company file restored into a folder without its register: the register is
    // made again from the company files, the user is told from which, and the
    // files themselves are not touched.
    void missingRegisterIsRebuiltFromTheCompanyFiles()
    {
        TestPlace place;
        const SessionSettings settings = Session(place);
        const QString restored = "شركت بازيافته", seven = "هفت";
        MakeCompany(place.location(), "1", kCurrentYear, restored);
        MakeCompany(place.location(), "7", "1403", seven);
        DropRegister(place);
        DatabaseFolder folder(place.location());
        const QString current = folder.companyFile("1", kCurrentYear),
                      leapYear = folder.companyFile("7", "1403");
        const QByteArray currentSum = Checksum(current), leapYearSum = Checksum(leapYear);
        QVERIFY(place.isServer() || (!currentSum.isEmpty() && !leapYearSum.isEmpty()));

        // The session dialog lists the periods before anything is written.
        QCOMPARE(folder.periods().size(), 2);

        {
            ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
            MainWindow window(&module, settings);
            const DbConnection* db = window.session()->myDatabase()->Connection;
            QVERIFY(db != nullptr);
            QCOMPARE(db->databaseName(), CompanyDatabaseName("1", kCurrentYear));
            QCOMPARE(Value(*db, "SELECT CompanyNam FROM Options"), restored);
            // The company connection reaches the new register.
            QCOMPARE(Value(*db, "SELECT COUNT(*) FROM \"ZELMORA_Sdc\".Sdc_Company"), QString("2"));
            VerifyTold(window,
                       {"«" + QFileInfo(folder.registerFile()).fileName() + "»", "دوباره ساخته شد",
                        QFileInfo(current).fileName(), QFileInfo(leapYear).fileName()});
        }

        QCOMPARE(Checksum(current) + Checksum(leapYear), currentSum + leapYearSum);
        QCOMPARE(folder.databaseFiles().join('|').toLower(),
                 QStringList({QFileInfo(current).fileName(), QFileInfo(leapYear).fileName(),
                              QFileInfo(folder.registerFile()).fileName()})
                     .join('|')
                     .toLower());

        // The register's rows: name from each file's settings, the whole Jalali year.
        QStringList periods;
        for (const CompanyPeriod& p : folder.periods())
            periods << QStringList{p.company, p.name, p.startDate, p.endDate, p.databaseName}.join(
                '|');
        QCOMPARE(periods.value(0).section('|', 0, 1), "1|" + restored);
        QCOMPARE(periods.mid(1),
                 QStringList{"7|" + seven + "|1403/01/01|1403/12/30|ZELMORA_7_1403"});
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
        SKIP_ON_SERVER("the register file of a data folder, damaged");
        TestPlace place;
        const SessionSettings settings = Session(place);
        MakeCompany(place.location(), "1", kCurrentYear, "شركت");
        DropRegister(place);
        DatabaseFolder folder(place.location());
        const QString company = folder.companyFile("1", kCurrentYear);
        QFile file(folder.registerFile());
        if (content == "sqlite")
            QVERIFY_SQL(DbConnection(file.fileName()).execute("CREATE TABLE notes (a)"));
        else
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        const QByteArray registerSum = Checksum(folder.registerFile()),
                         companySum = Checksum(company);
        const QList<CompanyPeriod> periods = folder.periods();
        QCOMPARE(periods.size(), 1);
        QCOMPARE(periods.at(0).name + '|' + periods.at(0).databaseName,
                 "شركت|" + CompanyDatabaseName("1", kCurrentYear));
        QVERIFY(ThrownDatabaseError([&] { folder.ensureRegister(); }));
        {
            ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
            MainWindow window(&module, settings);
            const DbConnection* db = window.session()->myDatabase()->Connection;
            QVERIFY(db != nullptr);
            QCOMPARE(db->file(), company);
            QVERIFY(window.session()->databaseError().isEmpty());
            VerifyTold(window, {"«ZELMORA_Sdc.sqlite»", "آسيب ديده", "منتقل كنيد"});
        }
        QCOMPARE(Checksum(folder.registerFile()), registerSum);
        QCOMPARE(Checksum(company), companySum);
    }

    // While another program writes to the register, opening a company and listing
    // the periods go on: a register at the current version is only read.
    void registerBeingWrittenDoesNotHoldUpOpening()
    {
        TestPlace place;
        const SessionSettings settings = Session(place);
        MakeCompany(place.location(), "1", kCurrentYear, "شركت");
        DatabaseFolder folder(place.location());
        DbConnection writer(place.location(), kRegisterDatabase, DbConnection::OpenMode::Existing);
        writer.beginTransaction();
        QVERIFY_SQL(writer.execute("UPDATE Sdc_Company SET sName = sName"));
        DbConnection companyWriter(place.location(), CompanyDatabaseName("1", kCurrentYear),
                                   DbConnection::OpenMode::Existing);
        companyWriter.beginTransaction();
        // The writers hold their transactions to the end: anything of the opening
        // that wrote would wait out the busy limit and fail.
        std::unique_ptr<DbConnection> db = folder.openCompany("1", kCurrentYear, false);
        QVERIFY(db);
        QCOMPARE(Value(*db, "SELECT COUNT(*) FROM \"ZELMORA_Sdc\".Sdc_Company"), QString("1"));
        QCOMPARE(folder.periods().size(), 1);
        folder.ensureRegister();
        Schema::CreateCompanySchema(*db);
        DbConnection reg(place.location(), kRegisterDatabase, DbConnection::OpenMode::Existing);
        Schema::CreateRegisterSchema(reg);
        {
            QWidget owner;
            HostSession session(settings, &owner);
            QVERIFY(session.myDatabase()->Connection != nullptr);
            QVERIFY2(session.databaseError().isEmpty(), qPrintable(session.databaseError()));
        }
        writer.rollbackTransaction();
        companyWriter.rollbackTransaction();
    }

    // A period an older version made is brought up to date when it is opened: the
    // registry row it lacks is added, and the version written.
    void olderPeriodIsMigratedWhenOpened()
    {
        TestPlace place;
        MakeCompany(place.location(), "1", kCurrentYear, "شركت");
        DatabaseFolder folder(place.location());
        {
            std::unique_ptr<DbConnection> old = place.open(CompanyDatabaseName("1", kCurrentYear));
            QVERIFY_SQL(old->execute("DELETE FROM D_AsnadDara WHERE WhatDoc = '22'"));
            QVERIFY_SQL(
                old->execute("UPDATE Amval_Schema SET Version = ?", {Schema::kVersion - 1}));
        }
        std::unique_ptr<DbConnection> db = folder.openCompany("1", kCurrentYear, false);
        QVERIFY(db);
        QCOMPARE(Value(*db, "SELECT MAX(Version) FROM Amval_Schema"),
                 QString::number(Schema::kVersion));
        QCOMPARE(Value(*db, "SELECT TableNam FROM D_AsnadDara WHERE WhatDoc = '22'"),
                 QString("D_Gardani"));
    }

    void unusableDataIsNamed_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"empty", "text", "damaged", "locked", "no answer",
                                 "password refused", "no such database", "newer"})
            QTest::newRow(kind) << QString(kind);
    }

    // A company file that cannot be worked on (a file another program holds is busy,
    // not damaged), a server that does not answer, refuses the password or has no such
    // database, and a period a newer version of the program made: the host says in
    // Persian what is wrong and what to do, on its status line and in a message window,
    // never the password, opens no window of the module and refuses a task with the
    // same reason, works on no stand-in database, and makes or changes nothing.
    void unusableDataIsNamed()
    {
        QFETCH(QString, kind);
        const bool spoilt = QStringList{"empty", "text", "damaged", "locked"}.contains(kind);
        if (spoilt)
            SKIP_ON_SERVER("company files of a data folder, spoilt or locked");
        TestPlace place;
        SessionSettings settings = Session(place);
        const QString file = DatabaseFolder(place.location()).companyFile("1", kCurrentYear);
        if (spoilt || kind == "newer")
            MakeCompany(place.location(), "1", kCurrentYear, "شركت");
        std::unique_ptr<DbConnection> holder;
        std::unique_ptr<RefusingServer> refusing;
        const QString hidden = "Secret-42";
        QUrl server("postgresql://amval:" + hidden + "@127.0.0.1:1/amval");
        QString missing, told = "در دسترس نيست: سرور پاسخ نمي دهد";
        if (kind == "locked") {
            holder = std::make_unique<DbConnection>(file, DbConnection::OpenMode::Existing);
            QVERIFY_SQL(holder->execute("BEGIN EXCLUSIVE"));
            told = "در اختيار برنامه ديگري است";
        } else if (spoilt) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(kind == "damaged" || f.resize(0));
            if (kind == "text")
                f.write(QStringLiteral("گزارش دارايي ها\n").repeated(200).toUtf8());
            // Damaged: the first page past the file header, so the schema cannot be read.
            if (kind == "damaged" && f.seek(100))
                f.write(QByteArray(1000, char(0xA5)));
            told = "پايگاه داده سالم اين سيستم نيست";
        } else if (kind == "password refused" ||
                   (kind == "no such database" && !place.isServer())) {
            refusing =
                std::make_unique<RefusingServer>(kind == "no such database" ? "3D000" : "28P01");
            server.setPort(refusing->port());
            if (kind == "password refused")
                told = "نام کاربر يا رمز عبور را نپذيرفت";
        } else if (kind == "no such database") {
            server = QUrl(place.location());
            server.setPassword(hidden);
            missing = server.path().mid(1) + "_missing";
            server.setPath('/' + missing);
        } else if (kind == "newer") {
            QVERIFY_SQL(
                place.open(CompanyDatabaseName("1", kCurrentYear))
                    ->execute("UPDATE Amval_Schema SET Version = ?", {Schema::kVersion + 1}));
            told = place.isServer() ? "با نسخه جديدتري از برنامه ساخته شده است"
                                    : "پايگاه داده سالم اين سيستم نيست";
        }
        if (!spoilt && kind != "newer")
            settings.server = server.toString();
        const QByteArray before = Checksum(file);
        const QStringList databases = DatabaseFolder(place.location()).databaseNames();
        {
            ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
            MainWindow window(&module, settings);
            QVERIFY(window.session()->myDatabase()->Connection == nullptr);
            const QString error = window.session()->databaseError();
            QVERIFY2(error.contains(told) && !(error + StatusText(window)).contains(hidden) &&
                         !(kind == "locked" && error.contains("سالم")),
                     qPrintable(error));
            if (spoilt)
                QVERIFY(error.contains("«" + QFileInfo(file).fileName() + "»") &&
                        StatusText(window).contains(QFileInfo(file).fileName()));
            window.show();
            QTRY_COMPARE(NoticeText(window), error);
            window.findChild<QMessageBox*>("SessionNotice")->close();
            QTRY_VERIFY(window.findChild<QMessageBox*>("SessionNotice") == nullptr);
            ModalCloser closer;
            QVERIFY(!window.openTask("BuyCreate_Amval"));
            QCOMPARE(window.tabs()->count(), 0);
            QCOMPARE(NoticeText(window), error);
            QVERIFY2(closer.closed.isEmpty(), qPrintable(closer.closed.join('\n')));
        }
        holder.reset();
        if (spoilt)
            QCOMPARE(Checksum(file), before);
        QCOMPARE(DatabaseFolder(place.location()).databaseNames(), databases);
        if (kind == "newer")
            QCOMPARE(Value(*place.open(CompanyDatabaseName("1", kCurrentYear)),
                           "SELECT MAX(Version) FROM Amval_Schema"),
                     QString::number(Schema::kVersion + 1));
        if (!missing.isEmpty()) {
            const DbConnection admin(TestPlace::ServerAddress(), QString(),
                                     DbConnection::OpenMode::Existing);
            QSqlQuery made =
                admin.select("SELECT COUNT(*) FROM pg_database WHERE datname = ?", {missing});
            QVERIFY(made.next() && made.value(0).toInt() == 0);
        }
    }

    // The user's copy and print rights come from the user's record into the host
    // context the module reads.
    void theUsersRightsReachTheHostContext()
    {
        const QStringList rights{"YES|YES", "NO|YES", "NO|NO"}; // copy|print of users 1, 2, 3
        for (int user = 1; user <= 3; ++user) {
            SessionSettings settings = Session(m_demo);
            settings.userId = user;
            QWidget owner;
            HostSession session(settings, &owner);
            QCOMPARE(session.global()->CopyPermission + '|' + session.global()->PrintPermission,
                     rights.at(user - 1));
        }
    }

    // A register that is there is not made again, nor told about. A statement that
    // waits for another program says so on the status line while it waits, and the
    // line comes back when the wait is over.
    void waitIsShownOnTheStatusLine()
    {
        TestPlace place;
        const SessionSettings settings = Session(place);
        MakeCompany(place.location(), "1", kCurrentYear, "شركت");
        const QString registerFile = DatabaseFolder(place.location()).registerFile();
        const QByteArray registerSum = Checksum(registerFile);
        const QStringList databases = DatabaseFolder(place.location()).databaseNames();
        auto module = std::make_unique<ModuleLibrary>(QStringLiteral(AMVAL_MODULE_PATH));
        auto window = std::make_unique<MainWindow>(module.get(), settings);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QLabel* status = window->statusBar()->findChild<QLabel*>();
        QVERIFY(status != nullptr);
        const QString normal = status->text();
        QVERIFY2(!normal.contains("ZELMORA_Sdc"), qPrintable(normal));
        DbConnection* db = window->session()->myDatabase()->Connection;
        QVERIFY(db != nullptr);
        QCOMPARE(DatabaseFolder(place.location()).databaseNames(), databases);
        SKIP_ON_SERVER("the server waits for a lock itself and does not tell the connection");
        DbConnection holder(db->file(), DbConnection::OpenMode::Existing);
        QVERIFY_SQL(holder.execute("BEGIN EXCLUSIVE"));
        db->setBusyLimit(700);
        PaintRecorder recorder(status);
        const auto refusal =
            ThrownDatabaseError([db] { db->select("SELECT COUNT(*) FROM Options"); });
        QVERIFY2(refusal, "the statement did not wait");
        QCOMPARE(refusal->kind(), DatabaseError::Kind::Busy);
        const QString waiting = "در انتظار آزاد شدن پايگاه داده " + db->databaseName();
        QVERIFY2(!recorder.painted.isEmpty() && recorder.painted.first().startsWith(waiting),
                 qPrintable(recorder.painted.join('\n')));
        QCOMPARE(status->text(), normal);
        holder.execute("ROLLBACK");
        window.reset();
        QCOMPARE(Checksum(registerFile), registerSum);
    }
};

QTEST_MAIN(tst_datafolder)
#include "tst_datafolder.moc"
