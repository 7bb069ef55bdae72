#include "hostsession.h"

#include "commandquery.h"
#include "context/dlgmsg.h"
#include "context/mydate.h"
#include "context/showstateform.h"
#include "context/tempgridform.h"
#include "dbconnection.h"

#include <QDir>

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

void HostSession::openDatabase()
{
    m_command.reset();
    m_connection = std::make_unique<DbConnection>(databasePath());
    m_command = std::make_unique<CommandQuery>(m_connection.get());
    m_database.Command = m_command.get();
    m_database.Connection = m_connection.get();
}
