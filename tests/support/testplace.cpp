#include "testplace.h"

#include "sqlquote.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QUrl>
#include <stdexcept>

namespace {
// A connection to the server database the test databases are made from.
std::unique_ptr<DbConnection> Admin()
{
    auto admin = std::make_unique<DbConnection>(TestPlace::ServerAddress(), QString(),
                                                DbConnection::OpenMode::Existing);
    if (!admin->isOpen())
        throw std::runtime_error(qPrintable("test server: " + admin->lastError()));
    return admin;
}
} // namespace

bool TestPlace::OnServer()
{
    return !ServerAddress().isEmpty();
}

QString TestPlace::ServerAddress()
{
    return qEnvironmentVariable("AMVAL_TEST_SERVER");
}

TestPlace::TestPlace(const QString& serverOptions)
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    if (!OnServer()) {
        m_location = m_dir.path();
        return;
    }
    m_serverDatabase = QStringLiteral("amval_t%1_%2")
                           .arg(QCoreApplication::applicationPid())
                           .arg(QRandomGenerator::global()->generate() % 100000000u);
    Admin()->execute("CREATE DATABASE " + SqlIdent(m_serverDatabase) + serverOptions);
    QUrl url(ServerAddress());
    url.setPath(QLatin1Char('/') + m_serverDatabase);
    m_location = url.toString();
}

TestPlace::~TestPlace()
{
    if (m_serverDatabase.isEmpty())
        return;
    try {
        // Connections a test left open are ended with it.
        Admin()->execute("DROP DATABASE IF EXISTS " + SqlIdent(m_serverDatabase) + " WITH (FORCE)");
    } catch (...) {
    }
}

std::unique_ptr<DbConnection> TestPlace::open(const QString& name) const
{
    auto connection =
        std::make_unique<DbConnection>(m_location, name, DbConnection::OpenMode::Create);
    if (connection->isOpen())
        connection->createDatabase();
    return connection;
}

QStringList EntriesUnder(const QString& root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        lines << QStringLiteral("%1 %2 %3 %4")
                     .arg(info.filePath().mid(root.size()))
                     .arg(info.isDir() ? -1 : info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch())
                     .arg(int(info.permissions()), 0, 16);
    }
    lines.sort();
    return lines;
}
