#include "hostsession.h"

#include "commandquery.h"
#include "companyprocedures.h"
#include "context/dlgmsg.h"
#include "context/mydate.h"
#include "context/showstateform.h"
#include "context/tempgridform.h"
#include "context/userplaces.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "democompany.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

namespace {
// The value of KEY in a user's settings text ("KEY=VALUE;..."), upper-cased; "" when
// the key is not there.
QString UserRight(const QString& settings, const QString& key)
{
    const QString text = settings.toUpper();
    const qsizetype at = text.indexOf(key + QLatin1Char('='));
    if (at < 0)
        return QString();
    const qsizetype from = at + key.size() + 1;
    const qsizetype end = text.indexOf(QLatin1Char(';'), from);
    return text.mid(from, end < 0 ? -1 : end - from).trimmed();
}
} // namespace

HostSession::HostSession(const SessionSettings& settings, QWidget* windowOwner)
    : m_settings(settings), m_ownsWindows(windowOwner == nullptr)
{
    m_dlgMsg = new TDlgMsg(windowOwner);
    m_tempGridForm = new TTempGridForm(windowOwner);
    m_showStateForm = new TShowStateForm(windowOwner);
    m_myDate = new TMyDate(&m_global, m_dlgMsg);
    m_settings.fillGlobal(m_global);
    prepareFolders();
    openDatabase();
}

HostSession::~HostSession()
{
    delete m_myDate;
    // The host windows belong to their owner widget, which destroys them, if they
    // have one.
    if (m_ownsWindows) {
        delete m_showStateForm;
        delete m_tempGridForm;
        delete m_dlgMsg;
    }
}

void HostSession::changeSettings(const SessionSettings& settings)
{
    const bool otherDatabase = settings.databaseName() != m_settings.databaseName() ||
                               settings.dataPlace() != m_settings.dataPlace();
    m_settings = settings;
    m_settings.fillGlobal(m_global);
    prepareFolders();
    // A period that did not open is tried again: the file may have been put right
    // or let go by the program that held it.
    if (otherDatabase || !hasDatabase())
        openDatabase();
}

void HostSession::setWaitObserver(DbConnection::WaitObserver observer)
{
    m_waitObserver = std::move(observer);
    if (m_connection)
        m_connection->setWaitObserver(m_waitObserver);
}

// The data folder. The application folder is only read: installed for every user
// it is not theirs to write.
void HostSession::prepareFolders()
{
    if (m_settings.server.isEmpty())
        QDir().mkpath(m_settings.dataDir);
}

namespace {

// «file» در پوشه «folder», so that the user can find the file; the folder reads as
// written.
QString FileInFolder(const QString& path)
{
    const QFileInfo info(path);
    return QStringLiteral("«") + info.fileName() + QStringLiteral("» در پوشه «") +
           LeftToRightRun(QDir::toNativeSeparators(info.absolutePath())) + QStringLiteral("»");
}

// The server's address without its password, kept left to right in the Persian text.
QString ServerName(const DatabaseFolder& place)
{
    return QStringLiteral("«") + QChar(0x2066) + place.displayName() + QChar(0x2069) +
           QStringLiteral("»");
}

// «database» روي سرور «address» on a server, the file and its folder otherwise.
QString Where(const DatabaseFolder& place, const QString& file)
{
    if (!place.isServer())
        return FileInFolder(file);
    return QStringLiteral("«") + file + QStringLiteral("» روي سرور ") + ServerName(place);
}

// Where the user goes to open the period again or choose another.
const QString kSessionItem = QStringLiteral("«تغيير كاربر/دوره مالي» در منوي «سيستم»");

// Why the chosen period did not open. Another program holding the file is not
// damage: the file is fine and opens once that program lets go.
QString OpenFailureText(const DatabaseFolder& place, const DatabaseError& error)
{
    if (error.kind() == DatabaseError::Kind::Busy)
        return QStringLiteral("پايگاه داده ") + Where(place, error.database()) +
               QStringLiteral(" در اختيار برنامه ديگري است و باز نشد.\nچند لحظه بعد با ") +
               kSessionItem + QStringLiteral(" دوباره سعي كنيد.");
    if (place.isServer() && DatabaseFolder::MadeByNewerVersion(error))
        return QStringLiteral("پايگاه داده ") + Where(place, error.database()) +
               QStringLiteral(" با نسخه جديدتري از برنامه ساخته شده است و اين نسخه آن را باز "
                              "نمي كند؛ چيزي در آن تغيير نكرد.\nبرنامه را به روز كنيد، يا با ") +
               kSessionItem + QStringLiteral(" دوره ديگري انتخاب كنيد.");
    return PlaceFailureText(error);
}

// A fiscal year not made yet is made from the one before.
const QString kNextYearHint = QStringLiteral("\nسال مالي جديد را با «دوره مالي بعد» در منوي "
                                             "«سيستم» از دوره قبل آن بسازيد.");

QString MissingPeriodText(const SessionSettings& s, const DatabaseFolder& place)
{
    const QString file = place.companyFile(s.companyCode, s.fiscalYear);
    if (place.isServer())
        return QStringLiteral("پايگاه داده دوره مالي %1 شركت %2 (")
                   .arg(s.fiscalYear, s.companyCode) +
               Where(place, file) + QStringLiteral(") نيست.\nبا ") + kSessionItem +
               QStringLiteral(" دوره ديگري انتخاب كنيد، يا پايگاه داده را از نسخه پشتيبان روي "
                              "سرور برگردانيد.") +
               kNextYearHint;
    return QStringLiteral("فايل دوره مالي %1 شركت %2 (").arg(s.fiscalYear, s.companyCode) +
           FileInFolder(file) + QStringLiteral(") نيست.\nبا ") + kSessionItem +
           QStringLiteral(" دوره ديگري انتخاب كنيد، يا فايل را از نسخه پشتيبان به اين پوشه "
                          "برگردانيد.") +
           kNextYearHint;
}

// What is told about the register of a server: its databases stand for the files.
QString ServerRegisterNotice(const DatabaseFolder& place, const RegisterStatus& status)
{
    const QString named =
        QStringLiteral("پايگاه داده فهرست شركت ها ") + Where(place, place.registerFile());
    const QString listed =
        QStringLiteral("دوره هاي مالي از روي پايگاه هاي داده شركت ها روي سرور نشان داده مي شوند.");
    switch (status.state) {
    case RegisterStatus::State::Usable:
        if (status.rebuiltFrom.isEmpty())
            return QString();
        return named + QStringLiteral(" نبود و از روي اين پايگاه هاي داده دوباره ساخته شد: ") +
               status.rebuiltFrom.join(QStringLiteral("، ")) +
               QStringLiteral(".\nنام شركت ها و تاريخ دوره هاي مالي را در ") + kSessionItem +
               QStringLiteral(" بررسي كنيد.");
    case RegisterStatus::State::Damaged:
        return named +
               QStringLiteral(" آسيب ديده است يا فهرست شركت ها در آن نيست؛ برنامه آن را تغيير "
                              "نداد.\n") +
               listed +
               QStringLiteral(" آن را از نسخه پشتيبان برگردانيد يا با پشتيباني تماس بگيريد.");
    case RegisterStatus::State::Missing:
    case RegisterStatus::State::Unreadable:
        break;
    }
    if (status.failure && status.failure->kind() == DatabaseError::Kind::Busy)
        return named + QStringLiteral(" در اختيار برنامه ديگري است و خوانده نشد.\n") + listed +
               QStringLiteral(" چند لحظه بعد دوباره سعي كنيد.");
    return named +
           QStringLiteral(" خوانده يا ساخته نشد (سرور در دسترس نيست يا كاربر سرور اجازه ساختن "
                          "آن را ندارد).\n") +
           listed + QStringLiteral(" نشاني سرور و اجازه هاي كاربر را بررسي كنيد.");
}

QString RegisterNotice(const DatabaseFolder& folder, const RegisterStatus& status)
{
    if (folder.isServer())
        return ServerRegisterNotice(folder, status);
    const QString named =
        QStringLiteral("فايل فهرست شركت ها ") + FileInFolder(folder.registerFile());
    const QString listed =
        QStringLiteral("دوره هاي مالي از روي فايل هاي شركت ها در پوشه نشان داده مي شوند.");
    switch (status.state) {
    case RegisterStatus::State::Usable:
        if (status.rebuiltFrom.isEmpty())
            return QString();
        return named + QStringLiteral(" نبود و از روي اين فايل ها دوباره ساخته شد: ") +
               status.rebuiltFrom.join(QStringLiteral("، ")) +
               QStringLiteral(".\nنام شركت ها و تاريخ دوره هاي مالي را در ") + kSessionItem +
               QStringLiteral(" بررسي كنيد.");
    case RegisterStatus::State::Damaged:
        return named +
               QStringLiteral(" آسيب ديده است يا فهرست شركت ها در آن نيست؛ برنامه آن را تغيير "
                              "نداد.\n") +
               listed +
               QStringLiteral(" فايل را از نسخه پشتيبان برگردانيد، يا آن را از پوشه اطلاعات به "
                              "جاي ديگري منتقل كنيد تا در شروع بعدي برنامه از روي فايل هاي "
                              "شركت ها دوباره ساخته شود.");
    case RegisterStatus::State::Missing:
    case RegisterStatus::State::Unreadable:
        break;
    }
    if (status.failure && status.failure->kind() == DatabaseError::Kind::Busy)
        return named + QStringLiteral(" در اختيار برنامه ديگري است و خوانده نشد.\n") + listed +
               QStringLiteral(" چند لحظه بعد دوباره سعي كنيد.");
    return named +
           QStringLiteral(" خوانده يا ساخته نشد (اجازه نوشتن در پوشه نيست، ديسك پر است يا فايل "
                          "در دسترس نيست).\n") +
           listed + QStringLiteral(" پوشه اطلاعات و فضاي ديسك را بررسي كنيد.");
}

// "" when the place holds a database, or once the demo company is made in it (a place
// without any); otherwise why it could not be made.
QString MakeDemoIfEmpty(const DatabaseFolder& folder, const QString& place);

} // namespace

QString PlaceFailureText(const DatabaseError& error)
{
    const QString place = error.database();
    if (error.kind() == DatabaseError::Kind::Unavailable && DbConnection::IsServerAddress(place))
        return QStringLiteral("سرور پايگاه داده «") + QChar(0x2066) +
               DbConnection::DisplayAddress(place) + QChar(0x2069) +
               QStringLiteral("» در دسترس نيست: سرور پاسخ نمي دهد، نشاني يا درگاه آن درست نيست، "
                              "يا پايگاه داده اي به اين نام روي سرور نيست. چيزي روي سرور ساخته "
                              "نشد.\nنشاني سرور و اتصال شبكه را بررسي كنيد و با ") +
               kSessionItem + QStringLiteral(" دوباره سعي كنيد.");
    return DatabaseFailureText(error);
}

// Opens the chosen company period in the data folder. A folder without any
// database first gets the demo company; a missing register is rebuilt from the
// company files. When the period cannot be opened the session has no database and
// databaseError() says why: nothing is created by a mistyped year, and no window
// works on a stand-in.
void HostSession::openDatabase()
{
    m_database.Command = nullptr;
    m_database.Connection = nullptr;
    m_command.reset();
    m_connection.reset();
    m_databaseError.clear();
    m_registerNotice.clear();
    DatabaseFolder folder(m_settings.dataPlace());
    m_databaseError = MakeDemoIfEmpty(folder, m_settings.dataPlace());
    if (!m_databaseError.isEmpty())
        return;
    m_registerNotice = RegisterNotice(folder, folder.prepareRegister());
    try {
        m_connection = folder.openCompany(m_settings.companyCode, m_settings.fiscalYear, false);
        if (!m_connection)
            m_databaseError = MissingPeriodText(m_settings, folder);
    } catch (const DatabaseError& e) {
        m_connection.reset();
        m_databaseError = OpenFailureText(folder, e);
    }
    if (!m_connection)
        return;
    if (!m_procedures)
        m_procedures = std::make_unique<CompanyProcedures>();
    m_connection->setProcedures(m_procedures.get());
    m_connection->setWaitObserver(m_waitObserver);
    // The company's own user list names the user of this id and holds the user's
    // copy and print rights ("COPY=NO;PRINT=YES;").
    try {
        QSqlQuery q = m_connection->select(
            QStringLiteral("SELECT User_Name, Zelmora FROM UserSdc WHERE UserId = %1")
                .arg(m_settings.userId));
        if (q.next()) {
            if (!q.value(0).toString().trimmed().isEmpty())
                m_settings.userName = q.value(0).toString().trimmed();
            const QString rights = q.value(1).toString();
            m_settings.copyPermission = UserRight(rights, QStringLiteral("COPY"));
            m_settings.printPermission = UserRight(rights, QStringLiteral("PRINT"));
            m_settings.fillGlobal(m_global);
        }
    } catch (const DatabaseError&) {
    }
    m_command = std::make_unique<CommandQuery>(m_connection.get());
    m_database.Command = m_command.get();
    m_database.Connection = m_connection.get();
}

namespace {

QString MakeDemoIfEmpty(const DatabaseFolder& folder, const QString& place)
{
    bool empty = false;
    try {
        empty = folder.isEmpty();
    } catch (const DatabaseError& e) {
        return PlaceFailureText(e);
    }
    if (!empty)
        return QString();
    try {
        CreateDemoCompany(place);
    } catch (const DatabaseError& e) {
        return (folder.isServer() ? QStringLiteral("شركت نمونه روي سرور ") + ServerName(folder) +
                                        QStringLiteral(" ساخته نشد.\n")
                                  : QStringLiteral("شركت نمونه در پوشه «") +
                                        LeftToRightRun(QDir::toNativeSeparators(folder.folder())) +
                                        QStringLiteral("» ساخته نشد.\n")) +
               PlaceFailureText(e);
    }
    return QString();
}

} // namespace

std::unique_ptr<DbConnection> OpenSessionPeriod(const SessionSettings& settings, QString* failure)
{
    DatabaseFolder folder(settings.dataPlace());
    *failure = MakeDemoIfEmpty(folder, settings.dataPlace());
    if (!failure->isEmpty())
        return nullptr;
    try {
        std::unique_ptr<DbConnection> connection =
            folder.openCompany(settings.companyCode, settings.fiscalYear, false);
        if (!connection)
            *failure = MissingPeriodText(settings, folder);
        return connection;
    } catch (const DatabaseError& e) {
        *failure = OpenFailureText(folder, e);
    }
    return nullptr;
}
