#include "databasefolder.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "jalalidate.h"
#include "schema.h"
#include "sqlquote.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

namespace {

const QString kRegisterTable = QStringLiteral("Sdc_Company");
const QString kSuffix = QStringLiteral(".sqlite");

int RegisterWidth(const QString& column)
{
    for (const TableDef& table : Schema::RegisterTables()) {
        if (table.name != kRegisterTable)
            continue;
        if (const ColumnDef* c = table.column(column))
            return c->width;
    }
    return 0;
}

// The register keeps company codes right-aligned with blanks, as the period lists
// of the voucher windows expect (code in characters 6 to 9 of "year-code").
QString RightAligned(const QString& text, int width)
{
    const QString t = text.trimmed();
    return t.size() >= width ? t : QString(width - t.size(), QLatin1Char(' ')) + t;
}

// Why `connection` did not open, naming `database` where the connection could not
// (a server's databases have no file).
DatabaseError OpenFailure(const DbConnection& connection, const QString& database)
{
    DatabaseError failure = connection.openFailure();
    if (failure.database().isEmpty())
        failure.setDatabase(database);
    return failure;
}

std::unique_ptr<DbConnection> OpenExisting(const QString& place, const QString& name)
{
    auto connection = std::make_unique<DbConnection>(place, name, DbConnection::OpenMode::Existing);
    if (!connection->isOpen())
        throw OpenFailure(*connection, name);
    return connection;
}

// The object a refusal of a database made by a newer version names.
const QString kNewerVersion = QStringLiteral("newer version");

// Adds the register row of the period's company and year to `table`; with `replace`,
// a row of that company and year is replaced, else it makes the insert fail.
void WriteRegisterRow(DbConnection& connection, const CompanyPeriod& period, bool replace = true,
                      const QString& table = SqlIdent(kRegisterTable))
{
    const QString code = RightAligned(period.company, RegisterWidth(QStringLiteral("sCode")));
    const QString year = period.year.trimmed();
    const QString database = period.databaseName.isEmpty()
                                 ? CompanyDatabaseName(period.company, period.year)
                                 : period.databaseName;
    if (replace)
        connection.execute(QStringLiteral("DELETE FROM ") + table +
                               QStringLiteral(" WHERE \"sCode\" = ? AND \"sYear\" = ?"),
                           {SqlText(code), SqlText(year)});
    connection.execute(QStringLiteral("INSERT INTO ") + table +
                           QStringLiteral(" (\"sCode\", \"sYear\", \"sName\", \"DBName\", "
                                          "\"StartDate\", \"EndDate\") VALUES (?, ?, ?, ?, ?, ?)"),
                       {SqlText(code), SqlText(year), SqlText(period.name), SqlText(database),
                        SqlText(period.startDate), SqlText(period.endDate)});
}

// The company name a period's own settings give, or "" when the file cannot be read.
// The row of the period (sCode = company + year) is preferred to any other.
QString CompanyNameIn(const QString& place, const QString& name, const QString& company,
                      const QString& year)
{
    DbConnection connection(place, name, DbConnection::OpenMode::Existing);
    if (!connection.isOpen())
        return QString();
    try {
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT \"CompanyNam\" FROM \"Options\" ORDER BY CASE WHEN "
                           "\"sCode\" = ? THEN 0 ELSE 1 END LIMIT 1"),
            {QString(company + year)});
        return q.next() ? q.value(0).toString().trimmed() : QString();
    } catch (const DatabaseError&) {
        return QString();
    }
}

} // namespace

bool DatabaseFolder::MadeByNewerVersion(const DatabaseError& error)
{
    return error.kind() == DatabaseError::Kind::NotADatabase && error.object() == kNewerVersion;
}

DatabaseFolder::DatabaseFolder(const QString& folder)
    : m_folder(DbConnection::IsServerAddress(folder) ? folder : QDir(folder).absolutePath()),
      m_server(DbConnection::IsServerAddress(folder))
{}

QString DatabaseFolder::displayName() const
{
    return DbConnection::DisplayAddress(m_folder);
}

QString DatabaseFolder::registerFile() const
{
    if (m_server)
        return kRegisterDatabase;
    return DbConnection::DatabaseFile(m_folder, kRegisterDatabase);
}

QString DatabaseFolder::companyFile(const QString& company, const QString& year) const
{
    if (m_server)
        return CompanyDatabaseName(company, year);
    return DbConnection::DatabaseFile(m_folder, CompanyDatabaseName(company, year));
}

QStringList DatabaseFolder::databaseNames() const
{
    if (m_server) {
        // The server database itself, without any of the system's databases.
        DbConnection server(m_folder, QString(), DbConnection::OpenMode::Existing);
        if (!server.isOpen())
            throw OpenFailure(server, displayName());
        return server.databaseNames();
    }
    QStringList names;
    for (const QString& file : databaseFiles())
        names << file.chopped(kSuffix.size());
    return names;
}

bool DatabaseFolder::hasDatabase(const QString& name) const
{
    if (!m_server)
        return QFileInfo::exists(DbConnection::DatabaseFile(m_folder, name));
    return databaseNames().contains(name, Qt::CaseInsensitive);
}

QStringList DatabaseFolder::databaseFiles() const
{
    if (m_server)
        return databaseNames();
    return QDir(m_folder).entryList({QStringLiteral("*") + kSuffix},
                                    QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

bool DatabaseFolder::isEmpty() const
{
    return databaseFiles().isEmpty();
}

RegisterStatus DatabaseFolder::registerStatus() const
{
    RegisterStatus status;
    const QString file = registerFile();
    try {
        if (!hasDatabase(kRegisterDatabase))
            return status;
    } catch (const DatabaseError& e) {
        status.state = RegisterStatus::State::Unreadable;
        status.failure = e;
        return status;
    }
    DbConnection connection(m_folder, kRegisterDatabase, DbConnection::OpenMode::Existing);
    if (!connection.isOpen()) {
        status.failure = OpenFailure(connection, file);
        status.state = status.failure->kind() == DatabaseError::Kind::NotADatabase
                           ? RegisterStatus::State::Damaged
                           : RegisterStatus::State::Unreadable;
        return status;
    }
    try {
        connection.select(QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(kRegisterTable));
        status.state = RegisterStatus::State::Usable;
    } catch (const DatabaseError& e) {
        // An empty file opens as a database without tables: it is no register either.
        const bool damaged = e.kind() == DatabaseError::Kind::MissingObject ||
                             e.kind() == DatabaseError::Kind::NotADatabase;
        status.state = damaged ? RegisterStatus::State::Damaged : RegisterStatus::State::Unreadable;
        status.failure = damaged ? DatabaseError(e.message(), e.statement(),
                                                 DatabaseError::Kind::NotADatabase, file)
                                 : e;
    }
    return status;
}

RegisterStatus DatabaseFolder::prepareRegister()
{
    RegisterStatus status = registerStatus();
    try {
        if (status.state == RegisterStatus::State::Usable) {
            // Only read when it is at the current version.
            std::unique_ptr<DbConnection> connection = OpenExisting(m_folder, kRegisterDatabase);
            Schema::CreateRegisterSchema(*connection);
        } else if (status.state == RegisterStatus::State::Missing) {
            status.rebuiltFrom = buildRegister();
            status.state = RegisterStatus::State::Usable;
        }
    } catch (const DatabaseError& e) {
        status.state = RegisterStatus::State::Unreadable;
        status.failure = e;
        status.rebuiltFrom.clear();
    }
    return status;
}

void DatabaseFolder::ensureRegister()
{
    const RegisterStatus status = prepareRegister();
    if (status.state == RegisterStatus::State::Usable)
        return;
    if (status.failure)
        throw *status.failure;
    throw DatabaseError(QStringLiteral("The company register cannot be used."), QString(),
                        DatabaseError::Kind::Other, registerFile());
}

// Makes the missing register with a row for each company file of the folder, and
// returns the names of those files. It is there whole or not at all, and one that
// another program made meanwhile is never replaced.
QStringList DatabaseFolder::buildRegister()
{
    if (m_server)
        return buildServerRegister();
    const QList<CompanyPeriod> found = periodsOfFiles();
    QStringList files;
    const bool made = buildFile(kRegisterDatabase, [&](DbConnection& connection) {
        Schema::CreateRegisterSchema(connection);
        Transaction transaction(connection);
        for (const CompanyPeriod& period : found) {
            WriteRegisterRow(connection, period);
            files << period.databaseName + kSuffix;
        }
        transaction.commit();
    });
    return made ? files : QStringList();
}

// The file is filled under a name of its own and then put in place in one step.
bool DatabaseFolder::buildFile(const QString& name, const std::function<void(DbConnection&)>& build)
{
    const QString target = DbConnection::DatabaseFile(m_folder, name);
    if (!QDir().mkpath(m_folder))
        throw DatabaseError(QStringLiteral("Cannot create the data folder."), QString(),
                            DatabaseError::Kind::Unavailable, m_folder);
    // Not "*.sqlite": the file is no database of the folder until it is in place.
    const QString building = QDir(m_folder).filePath(QStringLiteral(".%1-%2-%3.building")
                                                         .arg(name)
                                                         .arg(QCoreApplication::applicationPid())
                                                         .arg(QDateTime::currentMSecsSinceEpoch()));
    // Only this call's own file and journal are ever removed.
    const auto discard = [&building] {
        QFile::remove(building + QStringLiteral("-journal"));
        QFile::remove(building);
    };
    try {
        {
            DbConnection connection(building, DbConnection::OpenMode::Create);
            if (!connection.isOpen()) {
                DatabaseError failure = connection.openFailure();
                failure.setDatabase(target);
                throw failure;
            }
            connection.dialect().addSpellings(Schema::Spellings());
            build(connection);
        }
        if (!QFile::rename(building, target)) {
            discard();
            if (QFileInfo::exists(target))
                return false;
            throw DatabaseError(QStringLiteral("Cannot put the new database in place."), QString(),
                                DatabaseError::Kind::Unavailable, target);
        }
    } catch (...) {
        discard();
        throw;
    }
    return true;
}

// On a server the register's schema, tables and rows are made in one transaction:
// it is there whole or not at all, and one that another program made meanwhile
// (its schema name taken) is left as it is.
QStringList DatabaseFolder::buildServerRegister()
{
    const QList<CompanyPeriod> found = periodsOfFiles();
    QStringList names;
    try {
        DbConnection connection(m_folder, kRegisterDatabase, DbConnection::OpenMode::Create);
        if (!connection.isOpen())
            throw OpenFailure(connection, registerFile());
        Transaction transaction(connection);
        Schema::CreateRegisterSchema(connection);
        for (const CompanyPeriod& period : found) {
            WriteRegisterRow(connection, period);
            names << period.databaseName;
        }
        transaction.commit();
    } catch (const DatabaseError& e) {
        if (e.kind() == DatabaseError::Kind::DuplicateKey && hasDatabase(kRegisterDatabase))
            return QStringList();
        throw;
    }
    return names;
}

QList<CompanyPeriod> DatabaseFolder::periods() const
{
    if (registerStatus().state != RegisterStatus::State::Usable)
        return periodsOfFiles();
    QList<CompanyPeriod> list;
    try {
        std::unique_ptr<DbConnection> connection = OpenExisting(m_folder, kRegisterDatabase);
        QSqlQuery q = connection->select(
            QStringLiteral("SELECT \"sCode\", \"sYear\", \"sName\", \"StartDate\", \"EndDate\", "
                           "\"DBName\" FROM ") +
            SqlIdent(kRegisterTable) + QStringLiteral(" ORDER BY \"sCode\", \"sYear\""));
        while (q.next()) {
            list.append({q.value(0).toString().trimmed(), q.value(1).toString().trimmed(),
                         q.value(2).toString(), q.value(3).toString(), q.value(4).toString(),
                         q.value(5).toString()});
        }
    } catch (const DatabaseError&) {
        return periodsOfFiles();
    }
    return list;
}

QList<CompanyPeriod> DatabaseFolder::periodsOfFiles() const
{
    // "ZELMORA_<company>_<year>", with a company code the register can hold.
    static const QRegularExpression pattern(QStringLiteral("^ZELMORA_([^_\\s]+)_(\\d{4})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const int codeWidth = RegisterWidth(QStringLiteral("sCode"));
    QList<CompanyPeriod> list;
    QStringList names;
    try {
        names = databaseNames();
    } catch (const DatabaseError&) {
    }
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch() || m.captured(1).size() > codeWidth)
            continue;
        CompanyPeriod p;
        p.company = m.captured(1);
        p.year = m.captured(2);
        const int year = p.year.toInt();
        p.startDate = JalaliText(year, 1, 1);
        p.endDate = JalaliYearEnd(year);
        p.databaseName = CompanyDatabaseName(p.company, p.year);
        p.name = CompanyNameIn(m_folder, name, p.company, p.year);
        list << p;
    }
    // The register's order: right-aligned codes, then years.
    std::sort(list.begin(), list.end(),
              [codeWidth](const CompanyPeriod& a, const CompanyPeriod& b) {
                  const QString ca = RightAligned(a.company, codeWidth);
                  const QString cb = RightAligned(b.company, codeWidth);
                  return ca != cb ? ca < cb : a.year < b.year;
              });
    return list;
}

void DatabaseFolder::registerPeriod(const CompanyPeriod& period)
{
    ensureRegister();
    std::unique_ptr<DbConnection> connection = OpenExisting(m_folder, kRegisterDatabase);
    Transaction transaction(*connection);
    WriteRegisterRow(*connection, period);
    transaction.commit();
}

void DatabaseFolder::addPeriod(const CompanyPeriod& period, DbConnection* through)
{
    if (through) {
        WriteRegisterRow(*through, period, false,
                         through->dialect().tableIn(kRegisterDatabase, kRegisterTable));
        return;
    }
    ensureRegister();
    std::unique_ptr<DbConnection> connection = OpenExisting(m_folder, kRegisterDatabase);
    Transaction transaction(*connection);
    WriteRegisterRow(*connection, period, false);
    transaction.commit();
}

std::unique_ptr<DbConnection> DatabaseFolder::openCompany(const QString& company,
                                                          const QString& year, bool create)
{
    const QString file = companyFile(company, year);
    const QString name = CompanyDatabaseName(company, year);
    const bool existed = hasDatabase(name);
    if (!existed && !create)
        return nullptr;
    if (create)
        ensureRegister();
    auto connection = std::make_unique<DbConnection>(m_folder, name,
                                                     existed ? DbConnection::OpenMode::Existing
                                                             : DbConnection::OpenMode::Create);
    if (!connection->isOpen())
        throw OpenFailure(*connection, file);
    connection->dialect().addSpellings(Schema::Spellings());
    // An empty file opens as an empty database; like any file without the version
    // row it is not one of the system's, and nothing is built in it. One that a
    // newer version of the program made is not opened either: this one does not
    // know its tables.
    bool older = false;
    if (existed) {
        const int version = Schema::StoredVersion(*connection);
        if (version == 0)
            throw DatabaseError(QStringLiteral("The file holds no database of the system."),
                                QString(), DatabaseError::Kind::NotADatabase, file);
        if (version > Schema::kVersion) {
            DatabaseError newer(QStringLiteral("The database was made by a newer version (%1) "
                                               "of the program.")
                                    .arg(version),
                                QString(), DatabaseError::Kind::NotADatabase, file);
            newer.setObject(kNewerVersion);
            throw newer;
        }
        older = version < Schema::kVersion;
    }
    // A period an older version of the program made is brought up to date on opening
    // (in one transaction: tables and columns added, registry rows it lacks); one at
    // the current version is only read.
    if (create || older)
        Schema::CreateCompanySchema(*connection);
    attachRegister(*connection);
    return connection;
}

// The company's windows reach the register through the company connection. An
// unusable register leaves the connection without it: the period's own data does
// not depend on it, and the host tells the user what is wrong with the register.
void DatabaseFolder::attachRegister(DbConnection& connection) const
{
    if (registerStatus().state != RegisterStatus::State::Usable)
        return;
    try {
        connection.attach(kRegisterDatabase);
    } catch (const DatabaseError&) {
    }
}
