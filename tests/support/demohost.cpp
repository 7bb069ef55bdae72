#include "demohost.h"

#include "commandquery.h"
#include "companyprocedures.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "democompany.h"
#include "demoyear.h"
#include "hostcontext.h"
#include "installhost.h"
#include "jalalidate.h"
#include "storedcolumn.h"

#include <QDate>
#include <stdexcept>

DemoHost::DemoHost(int assets)
{
    m_place = std::make_unique<TestPlace>();
    DemoOptions options;
    options.assets = assets;
    CreateDemoCompany(m_place->location(), options);
    open(m_place->location(), 1, "مدير سيستم");
}

DemoHost::DemoHost(const QString& existingFolder, int userId, const QString& userName)
{
    open(existingFolder, userId, userName);
}

void DemoHost::open(const QString& folder, int userId, const QString& userName)
{
    m_folder = folder;
    const QString today = JalaliDateText(QDate::currentDate());
    const QString year = today.left(4);
    m_connection = DatabaseFolder(folder).openCompany("1", year, false);
    if (!m_connection || !m_connection->isOpen())
        throw std::runtime_error("the demo company did not open");
    m_procedures = std::make_unique<CompanyProcedures>();
    m_connection->setProcedures(m_procedures.get());
    m_command = std::make_unique<CommandQuery>(m_connection.get());
    database.Command = m_command.get();
    database.Connection = m_connection.get();

    global.DatabaseName = "ZELMORA_1_" + year;
    global.CompanyCode = "1";
    global.FiscalYear = year;
    global.Today = today;
    global.StartDate = year + "/01/01";
    global.EndDate = JalaliYearEnd(year.toInt());
    global.UserID = userId;
    global.UserName = userName;
    InstallHost(*this);
}

DemoHost::~DemoHost()
{
    database.Command = nullptr;
    database.Connection = nullptr;
    // The connection ends before its place is taken away.
    m_command.reset();
    m_connection.reset();
}

void DemoHost::exec(const QString& sql, const QVariantList& values) const
{
    m_connection->execute(sql, values);
}

std::unique_ptr<DbConnection> DemoHost::openAgain() const
{
    return DatabaseFolder(m_folder).openCompany("1", global.FiscalYear, false);
}

void DemoHost::endSession() const
{
    const QString pid = scalar(QStringLiteral("SELECT pg_backend_pid()"));
    openAgain()->execute(QStringLiteral("SELECT pg_terminate_backend(?)"), {pid.toInt()});
}

QString DemoHost::scalar(const QString& sql, const QVariantList& values) const
{
    return StoredValue(*m_connection, sql, values);
}
