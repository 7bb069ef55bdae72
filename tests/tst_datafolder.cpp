// The data folder as the host program finds it: company files without their
// register, a register that is damaged or that another program is writing, and
// company files that are empty, damaged, not databases or held by another program.
// The host says which file is wrong and what to do, never works on a stand-in
// database, and changes no file it did not make.

#include "assetregister.h"
#include "companybooks.h"
#include "companydialogs.h"
#include "companyprocedures.h"
#include "databasefolder.h"
#include "democompany.h"
#include "demoyear.h"
#include "heldassets.h"
#include "hostsession.h"
#include "mainwindow.h"
#include "modulelibrary.h"
#include "passwordhash.h"
#include "schema.h"
#include "sessiondialog.h"
#include "sessionsettings.h"
#include "signin.h"
#include "sqlcheck.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"
#include "uitest.h"
#include "useraccounts.h"

#include <QLabel>
#include <QStatusBar>
#include <QUrl>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <thread>

namespace {

const QString kCurrentYear = DemoYear();

// A registered company period with its settings row, in `folder`.
void MakeCompany(const QString& folder, const QString& company, const QString& year,
                 const QString& name)
{
    DatabaseFolder(folder).registerPeriod(
        {company, year, name, year + "/01/01", JalaliYearEnd(year.toInt()), QString()});
    std::unique_ptr<DbConnection> db = DatabaseFolder(folder).openCompany(company, year, true);
    db->execute("INSERT INTO Options (sCode, CompanyNam) VALUES (?, ?)", {company + year, name});
}

// The session of company 1 in `year`, its data in the place.
SessionSettings Session(const TestPlace& place, const QString& year = kCurrentYear)
{
    SessionSettings s = SessionSettings::Defaults(place.folder(), QDate::currentDate());
    s.dataDir = place.isServer() ? place.filePath("data") : place.location();
    s.server = place.isServer() ? place.location() : QString();
    s.companyCode = "1";
    s.fiscalYear = year;
    s.periodStart = year + "/01/01";
    s.periodEnd = JalaliYearEnd(year.toInt());
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
// one turns it away: the password refused (SQLSTATE 28P01), or the database does not
// exist (3D000).
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
    void refuse(int client) const
    {
        // The start-up message (the client asks for no encryption), its length first.
        QByteArray message(4, Qt::Uninitialized);
        if (::recv(client, message.data(), 4, MSG_WAITALL) == 4) {
            quint32 length;
            std::memcpy(&length, message.constData(), 4);
            message.resize(int(ntohl(length)));
            ::recv(client, message.data() + 4, message.size() - 4, MSG_WAITALL);
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

// -- typing into the windows that make companies and years

// The widget with the keyboard, once a window that was just shown or closed has
// given it to one.
QWidget* Focused()
{
    if (!QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }))
        qWarning("no widget has the keyboard");
    return QApplication::focusWidget();
}

// Whether the keyboard came to `window` (a window just shown takes it a moment later).
bool KeyboardIn(QWidget* window)
{
    return QTest::qWaitFor([window] {
        QWidget* focus = QApplication::focusWidget();
        return focus != nullptr && (focus == window || window->isAncestorOf(focus));
    });
}

// `keys` as a Persian keyboard types them into the widget with the keyboard: each digit a
// Persian one, '\n' Enter and '↓' the down arrow.
void Play(const QString& keys)
{
    for (const QChar c : keys) {
        if (c == '\n' || c == u'↓')
            QTest::keyClick(Focused(), c == '\n' ? Qt::Key_Return : Qt::Key_Down);
        else
            TypeText(&Focused, PersianDigits(c));
    }
}

// Runs `act` and answers with Enter each message window it opens; their texts. With
// `closeOthers`, any other modal window it opens is closed and named too, so that a
// window opened where none should be is seen instead of waiting for a person.
QStringList Answered(const std::function<void()>& act, bool closeOthers = false)
{
    QStringList told;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&told, closeOthers] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr && closeOthers && modal != nullptr) {
            told << modal->objectName();
            modal->close();
        }
        if (box == nullptr || !box->isVisible() || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        told << box->text();
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
    });
    poll.start();
    act();
    return told;
}

// The values of `columns` of every row of `table` in `db`, keyed by the trimmed first
// column, each value trimmed.
QHash<QString, QStringList> Keyed(const DbConnection& db, const QString& table,
                                  const QStringList& columns)
{
    QHash<QString, QStringList> rows;
    for (QStringList row :
         StoredRows(db, "SELECT " + Schema::ColumnList(columns) + " FROM " + SqlIdent(table))) {
        for (QString& value : row)
            value = value.trimmed();
        rows.insert(row.first(), row.mid(1));
    }
    return rows;
}

// What a database holds, to tell that nothing wrote to it: the sum of its file, or on a
// server, where no file is the database's own, every row of `tables`.
QByteArray Held(const TestPlace& place, const QString& file, const QString& database,
                const QStringList& tables)
{
    return place.isServer() ? Snapshot(*place.open(database), tables).toUtf8() : Checksum(file);
}

// Whether `made` has the users of `source` with their passwords as kept there, the
// clerk's (who signed in once) as a hash.
bool SameUsers(const DbConnection& made, const DbConnection& source)
{
    const QString users =
        "SELECT UserId, User_Name, UserPass, PassHash FROM UserSdc ORDER BY UserId";
    return StoredRows(made, users) == StoredRows(source, users) &&
           Passwords::IsHash(StoredValue(made, "SELECT PassHash FROM UserSdc WHERE UserId = 2"));
}

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

    // Company files restored into a folder without their register, or beside a register
    // that is not one (a text file, an empty file, another database): the session
    // dialog lists the periods from the company files before anything is written, the
    // chosen one opens, the user is told which file and what happened, and the files
    // are not touched. A missing register is made again from the company files (each
    // period's name from its settings, the whole Jalali year), and the company
    // connection reaches it; a damaged one is never written to.
    void registerMissingOrDamaged_data()
    {
        QTest::addColumn<QByteArray>("content"); // of the register file
        QTest::newRow("missing") << QByteArray("none");
        QTest::newRow("text file") << QByteArray("Sdc_Company\n1;1404;not a database\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("other database") << QByteArray("sqlite");
    }
    void registerMissingOrDamaged()
    {
        QFETCH(QByteArray, content);
        const bool missing = content == "none";
        if (!missing)
            SKIP_ON_SERVER("the register file of a data folder, damaged");
        TestPlace place;
        const SessionSettings settings = Session(place);
        const QString restored = "شركت بازيافته", seven = "هفت";
        MakeCompany(place.location(), "1", kCurrentYear, restored);
        MakeCompany(place.location(), "7", "1403", seven);
        // Restored without their register: the register goes.
        if (place.isServer())
            DbConnection(place.location(), QString(), DbConnection::OpenMode::Existing)
                .execute("DROP SCHEMA " + SqlIdent(kRegisterDatabase) + " CASCADE");
        else
            QFile::remove(DatabaseFolder(place.location()).registerFile());
        DatabaseFolder folder(place.location());
        if (content == "sqlite")
            QVERIFY_SQL(DbConnection(folder.registerFile()).execute("CREATE TABLE notes (a)"));
        else if (!missing)
            WriteWholeFile(folder.registerFile(), content);
        const QString current = folder.companyFile("1", kCurrentYear),
                      leapYear = folder.companyFile("7", "1403");
        // A register made again was not there before.
        const QStringList companyTables{"Options", "Amval_Schema", "D_Amval"};
        const auto held = [&] {
            const QByteArray companies =
                Held(place, current, CompanyDatabaseName("1", kCurrentYear), companyTables) +
                Held(place, leapYear, CompanyDatabaseName("7", "1403"), companyTables);
            return missing ? companies
                           : companies + Held(place, folder.registerFile(), kRegisterDatabase,
                                              {"Sdc_Company"});
        };
        const QByteArray sums = held();
        QVERIFY(!Checksum(current).isEmpty() || place.isServer());
        QCOMPARE(folder.periods().size(), 2);
        if (!missing)
            QVERIFY(ThrownDatabaseError([&] { folder.ensureRegister(); }));
        {
            ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
            MainWindow window(&module, settings);
            const DbConnection* db = window.session()->myDatabase()->Connection;
            QVERIFY(db != nullptr);
            QCOMPARE(db->databaseName(), CompanyDatabaseName("1", kCurrentYear));
            QCOMPARE(StoredValue(*db, "SELECT CompanyNam FROM Options"), restored);
            QVERIFY(window.session()->databaseError().isEmpty());
            if (missing)
                QCOMPARE(StoredValue(*db, "SELECT COUNT(*) FROM \"ZELMORA_Sdc\".Sdc_Company"), "2");
            const QString registerName = "«" + QFileInfo(folder.registerFile()).fileName() + "»";
            VerifyTold(window, missing ? QStringList{registerName, "دوباره ساخته شد",
                                                     QFileInfo(current).fileName(),
                                                     QFileInfo(leapYear).fileName()}
                                       : QStringList{registerName, "آسيب ديده", "منتقل كنيد"});
        }
        QCOMPARE(held(), sums);
        QCOMPARE(folder.databaseFiles().join('|').toLower(),
                 QStringList({QFileInfo(current).fileName(), QFileInfo(leapYear).fileName(),
                              QFileInfo(folder.registerFile()).fileName()})
                     .join('|')
                     .toLower());
        QStringList periods;
        for (const CompanyPeriod& p : folder.periods())
            periods << QStringList{p.company, p.name, p.startDate, p.endDate, p.databaseName}.join(
                '|');
        QCOMPARE(periods, QStringList({"1|" + restored + '|' + kCurrentYear + "/01/01|" +
                                           JalaliYearEnd(kCurrentYear.toInt()) + '|' +
                                           CompanyDatabaseName("1", kCurrentYear),
                                       "7|" + seven + "|1403/01/01|1403/12/30|ZELMORA_7_1403"}));
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
        QUrl server("postgresql://amval:" + hidden +
                    "@127.0.0.1:1/amval?sslmode=disable&gssencmode=disable");
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
            VerifyTold(window, spoilt ? QStringList{told, "«" + QFileInfo(file).fileName() + "»"}
                                      : QStringList{told});
            const QString error = window.session()->databaseError();
            QCOMPARE(NoticeText(window), error);
            QVERIFY2(!(error + StatusText(window)).contains(hidden) &&
                         !(kind == "locked" && error.contains("سالم")),
                     qPrintable(error));
            window.findChild<QMessageBox*>("SessionNotice")->close();
            QTRY_VERIFY(window.findChild<QMessageBox*>("SessionNotice") == nullptr);
            const auto refused = [&window] { QVERIFY(!window.openTask("BuyCreate_Amval")); };
            QCOMPARE(Answered(refused, true), QStringList());
            QCOMPARE(window.tabs()->count(), 0);
            QCOMPARE(NoticeText(window), error);
        }
        holder.reset();
        if (spoilt)
            QCOMPARE(Checksum(file), before);
        QCOMPARE(DatabaseFolder(place.location()).databaseNames(), databases);
        if (kind == "newer")
            QCOMPARE(StoredValue(*place.open(CompanyDatabaseName("1", kCurrentYear)),
                                 "SELECT MAX(Version) FROM Amval_Schema"),
                     QString::number(Schema::kVersion + 1));
        if (!missing.isEmpty()) {
            const DbConnection admin(TestPlace::ServerAddress(), QString(),
                                     DbConnection::OpenMode::Existing);
            QCOMPARE(
                StoredValue(admin, "SELECT COUNT(*) FROM pg_database WHERE datname = ?", {missing}),
                "0");
        }
    }

    // While other programs write to the register and the company, opening the company
    // and listing the periods go on: a register at the current version is only read,
    // neither made again nor told about, and a period an older version made is brought
    // up to date (the registry row it lacks added, the version written). A new period whose
    // register row cannot be written meanwhile is not left half-made: its database is gone with the
    // failure, and once the register is free it is made. A statement that waits for another program
    // says so on the status line while it waits, and the line comes back when the wait is over.
    void otherProgramsAtWorkHoldNothingUp()
    {
        TestPlace place;
        const SessionSettings settings = Session(place);
        MakeCompany(place.location(), "1", kCurrentYear, "شركت");
        MakeCompany(place.location(), "2", kCurrentYear, "شركت قديم");
        {
            std::unique_ptr<DbConnection> old = place.open(CompanyDatabaseName("2", kCurrentYear));
            QVERIFY_SQL(old->execute("DELETE FROM D_AsnadDara WHERE WhatDoc = '22'"));
            QVERIFY_SQL(
                old->execute("UPDATE Amval_Schema SET Version = ?", {Schema::kVersion - 1}));
        }
        DatabaseFolder folder(place.location());
        const auto registerHeld = [&] {
            return Held(place, folder.registerFile(), kRegisterDatabase, {"Sdc_Company"});
        };
        const QByteArray registerSum = registerHeld();
        const QStringList databases = folder.databaseNames();
        DbConnection writer(place.location(), kRegisterDatabase, DbConnection::OpenMode::Existing);
        writer.beginTransaction();
        QVERIFY_SQL(writer.execute("UPDATE Sdc_Company SET sName = sName"));
        // The row of the period made below: a server holds up a writer of the same key.
        QVERIFY_SQL(writer.execute("INSERT INTO Sdc_Company (sCode, sYear) VALUES (?, ?)",
                                   {"   5", kCurrentYear}));
        DbConnection companyWriter(place.location(), CompanyDatabaseName("1", kCurrentYear),
                                   DbConnection::OpenMode::Existing);
        companyWriter.beginTransaction();
        // The writers hold their transactions while the company opens: anything of the
        // opening that wrote would wait out the busy limit and fail.
        std::unique_ptr<DbConnection> opened = folder.openCompany("1", kCurrentYear, false);
        QVERIFY(opened);
        QCOMPARE(StoredValue(*opened, "SELECT COUNT(*) FROM \"ZELMORA_Sdc\".Sdc_Company"), "2");
        QCOMPARE(folder.periods().size(), 2);
        std::unique_ptr<DbConnection> older = folder.openCompany("2", kCurrentYear, false);
        QVERIFY(older);
        QCOMPARE(StoredValue(*older, "SELECT MAX(Version) FROM Amval_Schema"),
                 QString::number(Schema::kVersion));
        QCOMPARE(StoredValue(*older, "SELECT TableNam FROM D_AsnadDara WHERE WhatDoc = '22'"),
                 QString("D_Gardani"));
        folder.ensureRegister();
        Schema::CreateCompanySchema(*opened);
        DbConnection reg(place.location(), kRegisterDatabase, DbConnection::OpenMode::Existing);
        Schema::CreateRegisterSchema(reg);
        auto module = std::make_unique<ModuleLibrary>(QStringLiteral(AMVAL_MODULE_PATH));
        auto window = std::make_unique<MainWindow>(module.get(), settings);
        QVERIFY2(window->session()->databaseError().isEmpty(),
                 qPrintable(window->session()->databaseError()));
        NewCompany company;
        company.code = "5";
        company.name = "شركت پنج";
        company.year = kCurrentYear;
        company.startDate = kCurrentYear + "/01/01";
        company.endDate = JalaliYearEnd(kCurrentYear.toInt());
        company.chart = ChartSource::Empty;
        company.userName = "مدير سيستم";
        company.password = company.repeated = "رمز";
        const BooksOutcome refused = MakeCompany(place.location(), company);
        QVERIFY2(refused.refusal.contains("ساخته نشد و چيزي تغيير نكرد") &&
                     refused.refusal.contains("«" + kRegisterDatabase) &&
                     refused.refusal.contains("در اختيار"),
                 qPrintable(refused.refusal));
        QCOMPARE(folder.databaseNames(), databases);
        QCOMPARE(QDir(place.folder()).entryList(QDir::Files | QDir::Hidden).filter(".building"),
                 QStringList());
        writer.rollbackTransaction();
        companyWriter.rollbackTransaction();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QLabel* status = window->statusBar()->findChild<QLabel*>();
        QVERIFY(status != nullptr);
        const QString normal = status->text();
        QVERIFY2(!normal.contains("ZELMORA_Sdc"), qPrintable(normal));
        DbConnection* db = window->session()->myDatabase()->Connection;
        QVERIFY(db != nullptr);
        // The server waits for a lock itself and does not tell the connection.
        if (!place.isServer()) {
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
        }
        window.reset();
        QCOMPARE(registerHeld(), registerSum);
        const BooksOutcome made = MakeCompany(place.location(), company);
        QVERIFY2(made.passed(), qPrintable(made.refusal));
        QVERIFY(folder.hasDatabase(CompanyDatabaseName("5", kCurrentYear)));
    }

    // A place without any database: the session dialog's "شرکت جديد" makes the
    // office's own company there, typed on a Persian keyboard, its maker the
    // administrator with the password chosen there, and the session opens it signed in;
    // no demo is made beside it. A place with databases does not offer it.
    void aNewCompanyWhereThereIsNoDatabase()
    {
        QVERIFY(SessionDialog(Session(m_demo)).findChild<QPushButton*>("NewCompany")->isHidden());
        TestPlace place;
        SessionSettings settings = Session(place);
        SessionDialog dialog(settings);
        const QString year = kCurrentYear;
        const QString password = "رمز دفتر ۱۲";
        const int result = RunModal(&dialog, [&] {
            QVERIFY(KeyboardIn(&dialog));
            auto* button = dialog.findChild<QPushButton*>("NewCompany");
            QVERIFY(button != nullptr && !button->isHidden());
            WhenModal<NewCompanyDialog>([&](NewCompanyDialog* company) {
                QVERIFY(KeyboardIn(company));
                // The start typed as yyyy/1/1; the end proposed, the starter chart and the
                // level names taken; accounting vouchers issued at once (the arrow).
                Play("7\nدفتر خدمات فني نو\n" + year + '\n' + year + "/1/1\n\n\n\n\n↓\n\n\n\n");
                Play("مدير دفتر\n" + password + '\n' + password);
                // The last Enter makes it; nothing on the way is refused.
                QCOMPARE(Answered([] { Play("\n"); }), QStringList());
            });
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Space);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        settings = dialog.settings();
        QCOMPARE(
            QStringList({settings.companyCode, settings.fiscalYear, settings.periodStart,
                         settings.periodEnd, settings.userName}),
            QStringList({"7", year, year + "/01/01", JalaliYearEnd(year.toInt()), "مدير دفتر"}));
        QWidget owner;
        HostSession session(settings, &owner);
        QVERIFY2(session.hasDatabase(), qPrintable(session.databaseError()));
        QStringList names = DatabaseFolder(place.location()).databaseNames();
        for (QString& name : names)
            name = name.toLower();
        names.sort();
        QCOMPARE(names, QStringList({"zelmora_7_" + year, "zelmora_sdc"}));
        DbConnection& db = *session.myDatabase()->Connection;
        QVERIFY(StoredValue(db, "SELECT Dara FROM Options WHERE sCode = ?", {"7" + year})
                    .contains("SANAD_TIME=ANE;"));
        // Its maker is its only user, an administrator, the password kept as a hash.
        QCOMPARE(StoredRows(db, "SELECT UserId, User_Name, UserPass FROM UserSdc"),
                 QList<QStringList>({{"1", "مدير دفتر", ""}}));
        QVERIFY(Passwords::IsHash(StoredValue(db, "SELECT PassHash FROM UserSdc")));
        QVERIFY(UserAccounts::IsAdministrator(db, 1));
        QCOMPARE(SignInToSession(settings, "رمز ديگر").state, SessionSignIn::State::Refused);
    }

    // A company of one's own beside the demo, its chart from the starter chart, empty
    // (with group code widths of its own), or copied from another company; the users of
    // the session's period come with it, its maker with every right and every account
    // of its chart, the others with none. The company copied from is only read.
    void aCompanyOfOnesOwn_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("chart");      // 0 the starter chart, 1 empty, 2 company 1's
        QTest::addColumn<QString>("widths"); // typed for an empty chart
        QTest::newRow("starter chart") << "8" << 0 << QString();
        QTest::newRow("empty chart, widths of its own") << "9" << 1 << "324";
        QTest::newRow("chart of another company") << "10" << 2 << QString();
    }
    void aCompanyOfOnesOwn()
    {
        QFETCH(QString, code);
        QFETCH(int, chart);
        QFETCH(QString, widths);
        const QString place = m_demo.location();
        const QString year = kCurrentYear;
        const QStringList chartTables{"Koll",       "Moein",       "Tafsily",      "Tafsily2",
                                      "M_Project",  "GrohTafsily", "GrohTafsily2", "M_GrohProject",
                                      "D_VazDarae", "D_VezArat",   "D_Madeh151",   "D_Makan",
                                      "D_Mabadi",   "Person",      "D_Gheimat"};
        auto source = DatabaseFolder(place).openCompany("1", year, false);
        // The clerk signed in once: the password is kept as a hash.
        QVERIFY(UserAccounts::SignInUser(*source, "", 2, DemoPassword(2)).signedIn);
        const QString sourceChart = Snapshot(*source, chartTables);
        int downs = chart;
        if (chart == 2) {
            const QList<CompanyPeriod> periods = DatabaseFolder(place).periods();
            for (int i = 0; i < periods.size(); ++i)
                if (periods.at(i).company == "1" && periods.at(i).year == year)
                    downs = i + 2;
        }
        // A clerk's save in the period copied from is under way while the company is made.
        auto clerk = DatabaseFolder(place).openCompany("1", year, false);
        const QString logged =
            "SELECT COUNT(*) FROM D_Asnad_Actions WHERE ActSanadNo = 'C" + code + "'";
        auto save = std::make_unique<Transaction>(*clerk);
        QVERIFY_SQL(clerk->execute("INSERT INTO D_Asnad_Actions (ActSanadNo, User_Name, ActType) "
                                   "VALUES (?, ?, ?)",
                                   {"C" + code, "كارشناس اموال", "I"}));
        NewCompanyDialog dialog(place, 1, "مدير سيستم", "1", year);
        QStringList refused;
        const int result = RunModal(&dialog, [&] {
            QVERIFY(KeyboardIn(&dialog));
            refused = Answered([&] {
                // The year and its dates as proposed, the chart chosen with the arrow.
                Play(code + "\nشركت " + code + "\n\n\n\n" + QString(downs, u'↓') + "\nواحد\n\n");
                for (const QChar width : widths)
                    Play(QString(width) + '\n');
                Play("\n\n\n\n");
            });
        });
        QCOMPARE(refused, QStringList());
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(StoredValue(*source, logged), "0");
        QVERIFY_SQL(save->commit());
        QCOMPARE(StoredValue(*source, logged), "1");

        const QList<CompanyPeriod> periods = DatabaseFolder(place).periods();
        const auto registered = std::find_if(periods.begin(), periods.end(), [&](const auto& p) {
            return p.company == code && p.year == year;
        });
        QVERIFY(registered != periods.end());
        const QString typedCode = PersianDigits(code); // in the name, as typed
        QCOMPARE(QStringList({registered->name, registered->startDate, registered->endDate}),
                 QStringList({"شركت " + typedCode, year + "/01/01", JalaliYearEnd(year.toInt())}));
        auto made = DatabaseFolder(place).openCompany(code, year, false);
        QVERIFY(made != nullptr);
        QVERIFY(StoredValue(*made, "SELECT Zelmora FROM Options WHERE sCode = ?", {code + year})
                    .startsWith("NAMTAFSILY2=واحد;NAMPROJECT=پروژه;"));
        const Schema::GroupCodeWidths stored = Schema::StoredGroupCodeWidths(*made);
        const Schema::GroupCodeWidths expected =
            chart == 1 ? Schema::GroupCodeWidths{3, 2, 4} : Schema::StoredGroupCodeWidths(*source);
        QCOMPARE(QList<int>({stored.tafsily, stored.tafsily2, stored.project}),
                 QList<int>({expected.tafsily, expected.tafsily2, expected.project}));
        const auto count = [&made](const QString& table) {
            return StoredValue(*made, "SELECT COUNT(*) FROM " + SqlIdent(table)).toInt();
        };
        if (chart == 1) {
            for (const QString& table : chartTables)
                QVERIFY2(count(table) == 0, qPrintable(table));
        } else if (chart == 2) {
            QCOMPARE(Snapshot(*made, chartTables), sourceChart);
        } else {
            // The shipped chart holds together: every chain of a delivery source and of
            // a recipient names accounts of the chart, in their stored forms.
            for (const QString& table : chartTables)
                QVERIFY2(count(table) > 0, qPrintable(table));
            for (const char* orphans :
                 {"SELECT COUNT(*) FROM Moein AS M WHERE NOT EXISTS (SELECT 1 FROM Koll AS K "
                  "WHERE K.Koll = M.Koll)",
                  "SELECT COUNT(*) FROM D_Mabadi AS S WHERE NOT EXISTS (SELECT 1 FROM Moein AS M "
                  "WHERE M.Koll = S.Koll AND M.Moein = S.Moein) OR (S.Tafsily <> '' AND NOT "
                  "EXISTS (SELECT 1 FROM Tafsily AS T WHERE T.Tafsily = S.Tafsily)) OR "
                  "(S.ProjectCod <> '' AND NOT EXISTS (SELECT 1 FROM M_Project AS P WHERE "
                  "P.ProjectCod = S.ProjectCod))",
                  "SELECT COUNT(*) FROM Person AS P WHERE NOT EXISTS (SELECT 1 FROM Tafsily AS T "
                  "WHERE T.Tafsily = P.D_Tafsily)"})
                QVERIFY2(StoredValue(*made, orphans) == "0", orphans);
        }
        QCOMPARE(Snapshot(*source, chartTables), sourceChart);
        // The period's users, its maker alone with rights, and every account of the chart.
        QCOMPARE(StoredValue(*made, "SELECT COUNT(*) FROM UserSdcDetail WHERE \"1\" = 'Y'").toInt(),
                 int(ModuleRightsRows().size()));
        // Passwords come as they are kept, hashes included.
        QVERIFY(SameUsers(*made, *source));
        // The others hold the rights and see the accounts they have in the company the
        // chart comes from, or none.
        const QString others = "SELECT StrId, \"2\", \"3\" FROM UserSdcDetail WHERE \"2\" = 'Y' OR "
                               "\"3\" = 'Y' ORDER BY StrId";
        const QString listed =
            "SELECT UserId, TableName, FieldCode FROM UserPrivilege WHERE UserId "
            "<> 1 ORDER BY UserId, TableName, FieldCode";
        for (const QString& sql : {others, listed})
            QCOMPARE(StoredRows(*made, sql),
                     chart == 2 ? StoredRows(*source, sql) : QList<QStringList>());
        QCOMPARE(StoredValue(*made, "SELECT COUNT(*) FROM UserPrivilege WHERE UserId = 1").toInt(),
                 count("Koll") + count("Moein") + count("Tafsily") + count("Tafsily2") +
                     count("M_Project"));

        // Its maker signs in with the password of the period its users came from, and a
        // voucher window opens on its settings without a word.
        SessionSettings settings = Session(m_demo);
        settings.companyCode = code;
        const SessionSignIn signIn = SignInToSession(settings, DemoPassword(1));
        QCOMPARE(signIn.state, SessionSignIn::State::SignedIn);
        ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
        MainWindow window(&module, signIn.settings);
        const auto open = [&window] { QVERIFY(window.openTask("BuyCreate_Amval")); };
        QCOMPARE(Answered(open, true), QStringList());
    }

    // The first day of a year not made yet: the session's period is not there, and the
    // "سيستم" menu makes it from the year before while another clerk's save in that
    // year waits to be committed. The new year holds every asset still held at the old
    // year's end with its closing values, which a recompute of the new year leaves as
    // they are: not the sold or permanently retired ones; the temporarily retired ones
    // with their state. The old year is only read, and the clerk's save goes through.
    void theNextYearStartsWhereTheOldOneEnded()
    {
        TestPlace place;
        CreateDemoCompany(place.location());
        const QString old = kCurrentYear;
        const QString next = QString::number(old.toInt() + 1);
        auto reader = DatabaseFolder(place.location()).openCompany("1", old, false);

        // What the old year ends with.
        const QStringList texts{"PersonelCod", "MakanCod", "Tafsily2", "KenarDate",
                                "RaveshEst",   "VezCod",   "VazCod"};
        const QStringList numbers{"Salianeh", "Nozooli", "Anbashteh", "Esshat"};
        const QHash<QString, QStringList> closing =
            Keyed(*reader, "D_Amval", QStringList{"DaraCod"} + texts + numbers);
        const QHash<QString, double> held = HeldAssets(*reader);
        const qsizetype sold =
            Column(*reader, "SELECT DISTINCT TRIM(DaraCod) FROM D_ForoshDaymeh").size();
        int setAside = 0;
        for (auto it = held.keyBegin(); it != held.keyEnd(); ++it)
            setAside += closing.value(*it).at(texts.indexOf("KenarDate")).isEmpty() ? 0 : 1;
        // Some sold, some retired for good, some set aside for a while.
        QVERIFY(sold > 0 && closing.size() - held.size() > sold && setAside > 0);
        // What the old year holds of the year before it: a voucher it opened with, one
        // carried into it and still there, one carried and deleted since.
        const QString before = "ZELMORA_1_" + QString::number(old.toInt() - 1);
        const QString kept = StoredValue(*reader, "SELECT MIN(SanadNoAmval) FROM D_Tahvil_Antegal");
        Committed(*reader, [&] {
            const QString into = " (SourceDB, TableNam, SanadNoAmval) VALUES (?, ?, ?)";
            reader->execute("INSERT INTO D_OpeningVouchers" + into,
                            {before, "D_Tahvil_Antegal", "77"});
            for (const QString& carried : {kept, QString("99999")})
                reader->execute("INSERT INTO D_CarriedVouchers" + into,
                                {before, "D_Tahvil_Antegal", carried});
        });
        const QStringList oldTables{"D_Amval", "D_Tahvil_Antegal", "Options",
                                    "UserSdc", "UserSdcDetail",    "Koll",
                                    "Person",  "Amval_Lock"};
        // The clerk signed in once: the password is kept as a hash.
        QVERIFY(UserAccounts::SignInUser(*reader, "", 2, DemoPassword(2)).signedIn);
        const QString oldContents = Snapshot(*reader, oldTables);

        // The clerk moves the last transfer of an asset still held to another holder,
        // saved as the transfer window saves it, not committed yet.
        QString moved, number, holder;
        for (const QStringList& row :
             StoredRows(*reader, "SELECT DaraCod, SanadNoAmval FROM D_Tahvil_Antegal ORDER BY "
                                 "sDate, SanadNoAmval, Raj")) {
            if (held.contains(row.at(0).trimmed())) {
                moved = row.at(0);
                number = row.at(1);
            }
        }
        QVERIFY(!moved.isEmpty());
        for (const QString& person : StoredColumn(*reader, "SELECT Code FROM Person ORDER BY Code"))
            if (person.trimmed() != closing.value(moved.trimmed()).at(0))
                holder = person;
        CompanyProcedures procedures;
        auto clerk = DatabaseFolder(place.location()).openCompany("1", old, false);
        clerk->setProcedures(&procedures);
        const QString table = "##C2_1";
        const QString stamp =
            clerk->callProcedure("sp_D_Asnad_TahvilAntegal", {table, number, "DB->TRANS"})
                .value("Stamp")
                .toString();
        clerk->execute("UPDATE " + SqlIdent(table) + " SET PersonelCod = ? WHERE DaraCod = ?",
                       {holder, moved});
        auto save = std::make_unique<Transaction>(*clerk);
        clerk->callProcedure("sp_D_Asnad_TahvilAntegal",
                             {table, number, "TRANS->DB", "@Expect=" + stamp});

        ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
        MainWindow window(&module, Session(place, next));
        QVERIFY(!window.session()->hasDatabase());
        QVERIFY2(window.session()->databaseError().contains("«دوره مالي بعد»"),
                 qPrintable(window.session()->databaseError()));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(!NoticeText(window).isEmpty());
        window.findChild<QMessageBox*>("SessionNotice")->close();
        WhenModal<NextYearDialog>([&](NextYearDialog* dialog) {
            QVERIFY(KeyboardIn(dialog));
            Play(next + "\n\n\n");
        });
        // Made, it is offered; Enter goes to it.
        const QStringList offered =
            Answered([&window] { window.findChild<QAction*>("NextYear")->trigger(); });
        QVERIFY2(offered.size() == 1 &&
                     offered.first().contains("دوره مالي " + next + " شركت 1 ساخته شد"),
                 qPrintable(offered.join('\n')));
        QCOMPARE(window.session()->settings().fiscalYear, next);
        const auto open = [&window] { QVERIFY(window.openTask("TahvilEntegal_Amval")); };
        QCOMPARE(Answered(open, true), QStringList());

        // The old year as it was committed, the clerk's save not yet in it.
        QCOMPARE(Snapshot(*reader, oldTables), oldContents);
        auto made = DatabaseFolder(place.location()).openCompany("1", next, false);
        QVERIFY(made != nullptr);
        QStringList firsts; // an opening value for each closing one but VazCod
        for (const QString& column : texts.mid(0, texts.size() - 1) + numbers)
            firsts << "First" + column;
        const QStringList carried =
            QStringList{"DaraCod"} + texts + numbers +
            QStringList{"EndValue", "TadilValue", "AsaseChangeValue", "ReduceValue"} + firsts;
        const QHash<QString, QStringList> opening = Keyed(*made, "D_Amval", carried);
        QCOMPARE(QSet<QString>(opening.keyBegin(), opening.keyEnd()),
                 QSet<QString>(held.keyBegin(), held.keyEnd()));
        for (auto it = held.cbegin(); it != held.cend(); ++it) {
            const QString& code = it.key();
            const QStringList was = closing.value(code);
            const QStringList is = opening.value(code);
            const int n = int(texts.size() + numbers.size());
            QCOMPARE(is.mid(0, int(texts.size())), was.mid(0, int(texts.size())));
            for (int i = int(texts.size()); i < n; ++i)
                QVERIFY2(qAbs(is.at(i).toDouble() - was.at(i).toDouble()) < 0.005,
                         qPrintable(code + ' ' + numbers.at(i - texts.size())));
            QVERIFY2(qAbs(is.at(n).toDouble() - it.value()) < 0.005, qPrintable(code));
            QCOMPARE(is.mid(n + 1, 3), QStringList({"0", "0", "0"}));
            // Its opening values are those closing values.
            for (const QString& first : firsts)
                QVERIFY2(is.at(carried.indexOf(first) - 1) ==
                             is.at(carried.indexOf(first.mid(5)) - 1),
                         qPrintable(code + ' ' + first));
        }
        Committed(*made, [&] { AssetRegister::RecomputeAll(*made); });
        QCOMPARE(Keyed(*made, "D_Amval", carried), opening);
        // The old year's vouchers are those the opening values hold: a carry-over from
        // the old year leaves them out.
        for (const QString& table : Schema::VoucherTableNames()) {
            const QString numbers =
                "SELECT DISTINCT SanadNoAmval FROM " + SqlIdent(table) + " ORDER BY SanadNoAmval";
            QCOMPARE(StoredColumn(*made,
                                  "SELECT SanadNoAmval FROM D_OpeningVouchers WHERE SourceDB = ? "
                                  "AND TableNam = ? ORDER BY SanadNoAmval",
                                  {"ZELMORA_1_" + old, table}),
                     StoredColumn(*reader, numbers));
        }
        // What it held of the year before is held here too: a carry-over from that year
        // leaves those vouchers out.
        QStringList fromBefore = Column(
            *made, "SELECT SanadNoAmval FROM D_OpeningVouchers WHERE SourceDB = ?", {before});
        fromBefore.sort();
        QStringList expected{kept.trimmed(), "77"};
        expected.sort();
        QCOMPARE(fromBefore, expected);
        // Settings, users and rights as the old year has them.
        const QString options = "SELECT CompanyNam, Company_StartDate, Dara, Zelmora FROM "
                                "Options WHERE sCode = ?";
        QCOMPARE(StoredRows(*made, options, {"1" + next}),
                 StoredRows(*reader, options, {"1" + old}));
        QVERIFY(SameUsers(*made, *reader));
        const QStringList rights{"StrId", "1", "2", "3"};
        QCOMPARE(Keyed(*made, "UserSdcDetail", rights), Keyed(*reader, "UserSdcDetail", rights));

        // The clerk's save goes through, in the old year only.
        QVERIFY_SQL(save->commit());
        QCOMPARE(StoredValue(*reader, "SELECT PersonelCod FROM D_Amval WHERE DaraCod = ?", {moved}),
                 holder);
    }

    // What cannot be made is refused, typed on a Persian keyboard, with the cursor on
    // the field at fault, and the place keeps what it has: a company code or a fiscal
    // year that is there, a code or a name too long, quotes in the name, a period that
    // ends before it starts or overlaps another, a day the calendar has not, passwords
    // that differ, a maker who is no administrator, a folder no file can be made in.
    void refusedBooksChangeNothing_data()
    {
        QTest::addColumn<QString>("dialog"); // "company", or the year "year" follows
        QTest::addColumn<int>("user");       // who makes it
        QTest::addColumn<QString>("keys");   // typed as Play types them
        QTest::addColumn<QString>("told");   // part of the refusal
        QTest::addColumn<QString>("field");  // where the cursor is
        const QString year = kCurrentYear;
        const QString next = QString::number(year.toInt() + 1);
        const QString before = QString::number(year.toInt() - 1);
        // From the name to the administrator's password, the starter chart's widths aside.
        const QString toPassword(12, '\n');
        const auto row = [](const char* name, const QString& dialog, int user, const QString& keys,
                            const QString& told, const char* field) {
            QTest::newRow(name) << dialog << user << keys << told << QString(field);
        };
        const QString company = "company";
        row("code there", company, 1, "1\n", "كد شركت 1 را شركت «شركت صنايع فلزي آريا فولاد»",
            "Code");
        row("code too long", company, 1, "12345\n", "كد شركت يك تا چهار رقم است", "Code");
        row("name too long", company, 1, "5\n" + QString(101, u'ن') + '\n',
            "نام شركت حداكثر 100 حرف است", "CompanyName");
        row("quotes in the name", company, 1, "5\nشركت 'نو'\n", "علامت نقل قول", "CompanyName");
        row("ends before it starts", company, 1,
            "5\nشركت\n\n" + year + "/06/01\n" + year + "/05/31\n",
            "انتهاي دوره (" + year + "/05/31) پيش از ابتداي آن", "End");
        // A leap year every fourth year from 1355 would have this day; the calendar not.
        row("Esfand 30 of a common year", company, 1, "5\nشركت\n\n1407/12/30\n",
            "«1407/12/30» تاريخي از تقويم نيست", "Start");
        row("passwords differ", company, 1, "5\nشركت" + toPassword + "رمز۱\nرمز۲\n", "يكي نيستند",
            "MakerPasswordAgain");
        row("maker no administrator", "company users", 2, "5\nشركت" + QString(11, '\n'),
            "مدير سيستم نيست", "");
        row("unwritable folder", "company blocked", 1, "5\nشركت" + toPassword + "x\nx\n",
            "نمي توان فايل ساخت", "");
        row("year there", before, 1, "\n", "دوره مالي " + year + " شركت 1 در ", "Year");
        row("overlapping", year, 1, '\n' + year + "/12/01\n" + next + "/11/30\n", "روي هم مي افتد",
            "Start");
        row("year by no administrator", year, 2, "\n\n\n", "مدير سيستم نيست", "");
    }
    void refusedBooksChangeNothing()
    {
        QFETCH(QString, dialog);
        QFETCH(int, user);
        QFETCH(QString, keys);
        QFETCH(QString, told);
        QFETCH(QString, field);
        const bool blocked = dialog == "company blocked";
        if (blocked)
            SKIP_ON_SERVER("a folder files cannot be made in");
        QString place = m_demo.location();
        if (blocked) {
            // Even its owner makes no folder inside a file.
            WriteWholeFile(m_demo.filePath("blocker"), {});
            place = m_demo.filePath("blocker") + "/data";
        }
        const QList<CompanyPeriod> periods = DatabaseFolder(place).periods();
        const QStringList names = DatabaseFolder(place).databaseNames();
        const QString name = user == 1 ? "مدير سيستم" : "كارشناس اموال";
        std::unique_ptr<BooksDialog> window;
        if (dialog.startsWith("company"))
            window = std::make_unique<NewCompanyDialog>(
                place, user, name, dialog == "company users" ? "1" : "",
                dialog == "company users" ? kCurrentYear : "");
        else
            window = std::make_unique<NextYearDialog>(place, "1", dialog, user, name);
        QStringList refusal;
        QString cursor;
        const int result = RunModal(window.get(), [&] {
            QVERIFY(KeyboardIn(window.get()));
            refusal = Answered([&] { Play(keys); });
            cursor = Focused() ? Focused()->objectName() : QString();
        });
        QCOMPARE(result, kStillOpen);
        QVERIFY2(refusal.size() == 1 && refusal.first().contains(told),
                 qPrintable(refusal.join('\n')));
        if (!field.isEmpty())
            QCOMPARE(cursor, field);
        if (blocked)
            QVERIFY2(refusal.first().contains(QDir::toNativeSeparators(place)),
                     qPrintable(refusal.first()));
        QCOMPARE(DatabaseFolder(place).databaseNames(), names);
        QCOMPARE(DatabaseFolder(place).periods().size(), periods.size());
    }

    // The "سيستم" menu makes companies and years for the administrator only: another
    // user is told so and no window opens. (The session's copy and print rights from
    // the user's record: tst_shell.)
    void onlyTheAdministratorMakesBooks()
    {
        SessionSettings settings = Session(m_demo);
        settings.userId = 2;
        settings.userName = "كارشناس اموال";
        ModuleLibrary module(QStringLiteral(AMVAL_MODULE_PATH));
        MainWindow window(&module, settings);
        QVERIFY2(window.session()->hasDatabase(), qPrintable(window.session()->databaseError()));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const auto& [item, told] : {std::pair{"NewCompany", "شركت جديد مي سازد"},
                                         {"NextYear", "دوره مالي بعد را مي سازد"}}) {
            const auto choose = [&window, item] { window.findChild<QAction*>(item)->trigger(); };
            QCOMPARE(Answered(choose, true), QStringList());
            QTRY_VERIFY2(NoticeText(window).startsWith("فقط مدير سيستم") &&
                             NoticeText(window).contains(told),
                         qPrintable(NoticeText(window)));
        }
    }
};

AMVAL_TEST_MAIN(tst_datafolder)
#include "tst_datafolder.moc"
