#include "hostsession.h"

#include "commandquery.h"
#include "companyprocedures.h"
#include "context/dlgmsg.h"
#include "context/mydate.h"
#include "context/showstateform.h"
#include "context/tempgridform.h"
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
    : m_settings(settings)
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
    // The host windows belong to their owner widget, which destroys them.
}

void HostSession::changeSettings(const SessionSettings& settings)
{
    const bool otherDatabase = settings.databaseName() != m_settings.databaseName() ||
                               settings.dataDir != m_settings.dataDir;
    m_settings = settings;
    m_settings.fillGlobal(m_global);
    prepareFolders();
    // A period that did not open is tried again: the file may have been put right
    // or let go by the program that held it.
    if (otherDatabase || !hasDatabase())
        openDatabase();
}

QString HostSession::databasePath() const
{
    return QDir(m_settings.dataDir).filePath(m_settings.databaseName() + QStringLiteral(".sqlite"));
}

void HostSession::setWaitObserver(DbConnection::WaitObserver observer)
{
    m_waitObserver = std::move(observer);
    if (m_connection)
        m_connection->setWaitObserver(m_waitObserver);
}

// The folders the module looks for under the application folder, and the data folder.
void HostSession::prepareFolders()
{
    const QDir app(m_settings.appDir);
    app.mkpath(QStringLiteral("Data"));
    app.mkpath(QStringLiteral("DLLs/GlobalForms"));
    QDir().mkpath(m_settings.dataDir);
}

namespace {

// «file» در پوشه «folder», so that the user can find the file.
QString FileInFolder(const QString& path)
{
    const QFileInfo info(path);
    return QStringLiteral("«") + info.fileName() + QStringLiteral("» در پوشه «") +
           QDir::toNativeSeparators(info.absolutePath()) + QStringLiteral("»");
}

// Where the user goes to open the period again or choose another.
const QString kSessionItem = QStringLiteral("«تغيير كاربر/دوره مالي» در منوي «سيستم»");

// Why the chosen period did not open. Another program holding the file is not
// damage: the file is fine and opens once that program lets go.
QString OpenFailureText(const DatabaseError& error)
{
    if (error.kind() == DatabaseError::Kind::Busy)
        return QStringLiteral("پايگاه داده ") + FileInFolder(error.database()) +
               QStringLiteral(" در اختيار برنامه ديگري است و باز نشد.\nچند لحظه بعد با ") +
               kSessionItem + QStringLiteral(" دوباره سعي كنيد.");
    return DatabaseFailureText(error);
}

QString MissingPeriodText(const SessionSettings& s, const QString& file)
{
    return QStringLiteral("فايل دوره مالي %1 شركت %2 (").arg(s.fiscalYear, s.companyCode) +
           FileInFolder(file) + QStringLiteral(") نيست.\nبا ") + kSessionItem +
           QStringLiteral(" دوره ديگري انتخاب كنيد، يا فايل را از نسخه پشتيبان به اين پوشه "
                          "برگردانيد.");
}

QString RegisterNotice(const DatabaseFolder& folder, const RegisterStatus& status)
{
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

} // namespace

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
    DatabaseFolder folder(m_settings.dataDir);
    if (folder.isEmpty()) {
        try {
            CreateDemoCompany(m_settings.dataDir);
        } catch (const DatabaseError& e) {
            m_databaseError = QStringLiteral("شركت نمونه در پوشه «") +
                              QDir::toNativeSeparators(folder.folder()) +
                              QStringLiteral("» ساخته نشد.\n") + DatabaseFailureText(e);
            return;
        }
    }
    m_registerNotice = RegisterNotice(folder, folder.prepareRegister());
    try {
        m_connection = folder.openCompany(m_settings.companyCode, m_settings.fiscalYear, false);
        if (!m_connection)
            m_databaseError = MissingPeriodText(
                m_settings, folder.companyFile(m_settings.companyCode, m_settings.fiscalYear));
    } catch (const DatabaseError& e) {
        m_connection.reset();
        m_databaseError = OpenFailureText(e);
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
