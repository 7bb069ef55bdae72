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
#include <QSqlQuery>

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
    if (otherDatabase)
        openDatabase();
}

QString HostSession::databasePath() const
{
    return QDir(m_settings.dataDir).filePath(m_settings.databaseName() + QStringLiteral(".sqlite"));
}

QString HostSession::databaseError() const
{
    if (!m_databaseError.isEmpty())
        return m_databaseError;
    return m_connection ? m_connection->lastError() : QString();
}

// The folders the module looks for under the application folder, and the data folder.
void HostSession::prepareFolders()
{
    const QDir app(m_settings.appDir);
    app.mkpath(QStringLiteral("Data"));
    app.mkpath(QStringLiteral("DLLs/GlobalForms"));
    QDir().mkpath(m_settings.dataDir);
}

// Opens the chosen company period in the data folder. An empty folder first gets
// the demo company. A period that is not there leaves the session on an empty
// in-memory database, so that nothing is created by a mistyped year; the main
// window shows why.
void HostSession::openDatabase()
{
    m_command.reset();
    m_connection.reset();
    m_databaseError.clear();
    DatabaseFolder folder(m_settings.dataDir);
    try {
        if (folder.isEmpty())
            CreateDemoCompany(m_settings.dataDir);
        m_connection = folder.openCompany(m_settings.companyCode, m_settings.fiscalYear, false);
        if (!m_connection)
            m_databaseError = QStringLiteral("دوره مالي %1 شركت %2 در پوشه اطلاعات نيست")
                                  .arg(m_settings.fiscalYear, m_settings.companyCode);
    } catch (const DatabaseError& e) {
        m_connection.reset();
        m_databaseError = e.message();
    }
    if (!m_connection)
        m_connection = std::make_unique<DbConnection>(QStringLiteral(":memory:"));
    if (!m_procedures)
        m_procedures = std::make_unique<CompanyProcedures>();
    m_connection->setProcedures(m_procedures.get());
    // The company's own user list names the user of this id.
    if (m_databaseError.isEmpty()) {
        try {
            QSqlQuery q = m_connection->select(
                QStringLiteral("SELECT User_Name FROM UserSdc WHERE UserId = %1")
                    .arg(m_settings.userId));
            if (q.next() && !q.value(0).toString().trimmed().isEmpty()) {
                m_settings.userName = q.value(0).toString().trimmed();
                m_settings.fillGlobal(m_global);
            }
        } catch (const DatabaseError&) {
        }
    }
    m_command = std::make_unique<CommandQuery>(m_connection.get());
    m_database.Command = m_command.get();
    m_database.Connection = m_connection.get();
}
