#include "databasefolder.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString kRegisterTable = QStringLiteral("Sdc_Company");

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

std::unique_ptr<DbConnection> Open(const QString& file)
{
    auto connection = std::make_unique<DbConnection>(file);
    if (!connection->isOpen())
        throw DatabaseError(connection->lastError(), file);
    return connection;
}

} // namespace

QString CompanyDatabaseName(const QString& company, const QString& year)
{
    return QStringLiteral("ZELMORA_") + company.trimmed() + QLatin1Char('_') + year.trimmed();
}

DatabaseFolder::DatabaseFolder(const QString& folder) : m_folder(QDir(folder).absolutePath()) {}

QString DatabaseFolder::registerFile() const
{
    return DbConnection::DatabaseFile(m_folder, kRegisterDatabase);
}

QString DatabaseFolder::companyFile(const QString& company, const QString& year) const
{
    return DbConnection::DatabaseFile(m_folder, CompanyDatabaseName(company, year));
}

bool DatabaseFolder::isEmpty() const
{
    return !QFileInfo::exists(registerFile());
}

std::unique_ptr<DbConnection> DatabaseFolder::openRegister() const
{
    return Open(registerFile());
}

void DatabaseFolder::ensureRegister()
{
    if (!QDir().mkpath(m_folder))
        throw DatabaseError(QStringLiteral("Cannot create the data folder."), m_folder);
    std::unique_ptr<DbConnection> connection = openRegister();
    Schema::CreateRegisterSchema(*connection);
}

QList<CompanyPeriod> DatabaseFolder::periods() const
{
    QList<CompanyPeriod> list;
    if (isEmpty())
        return list;
    std::unique_ptr<DbConnection> connection = openRegister();
    if (!connection->dialect().tableExists(kRegisterTable))
        return list;
    QSqlQuery q = connection->select(
        QStringLiteral("SELECT \"sCode\", \"sYear\", \"sName\", \"StartDate\", \"EndDate\", "
                       "\"DBName\" FROM ") +
        SqlIdent(kRegisterTable) + QStringLiteral(" ORDER BY \"sCode\", \"sYear\""));
    while (q.next()) {
        list.append({q.value(0).toString().trimmed(), q.value(1).toString().trimmed(),
                     q.value(2).toString(), q.value(3).toString(), q.value(4).toString(),
                     q.value(5).toString()});
    }
    return list;
}

void DatabaseFolder::registerPeriod(const CompanyPeriod& period)
{
    ensureRegister();
    std::unique_ptr<DbConnection> connection = openRegister();
    const QString code = RightAligned(period.company, RegisterWidth(QStringLiteral("sCode")));
    const QString year = period.year.trimmed();
    const QString database = period.databaseName.isEmpty()
                                 ? CompanyDatabaseName(period.company, period.year)
                                 : period.databaseName;
    Transaction transaction(*connection);
    connection->execute(QStringLiteral("DELETE FROM ") + SqlIdent(kRegisterTable) +
                        QStringLiteral(" WHERE \"sCode\" = ") + SqlQuote(code) +
                        QStringLiteral(" AND \"sYear\" = ") + SqlQuote(year));
    connection->execute(QStringLiteral("INSERT INTO ") + SqlIdent(kRegisterTable) +
                        QStringLiteral(" (\"sCode\", \"sYear\", \"sName\", \"DBName\", "
                                       "\"StartDate\", \"EndDate\") VALUES (") +
                        QStringList{SqlQuote(code), SqlQuote(year), SqlQuote(period.name),
                                    SqlQuote(database), SqlQuote(period.startDate),
                                    SqlQuote(period.endDate)}
                            .join(QStringLiteral(", ")) +
                        QLatin1Char(')'));
    transaction.commit();
}

std::unique_ptr<DbConnection> DatabaseFolder::openCompany(const QString& company,
                                                          const QString& year, bool create)
{
    const QString file = companyFile(company, year);
    if (!QFileInfo::exists(file) && !create)
        return nullptr;
    ensureRegister();
    std::unique_ptr<DbConnection> connection = Open(file);
    if (create)
        Schema::CreateCompanySchema(*connection);
    if (!connection->attach(kRegisterDatabase))
        throw DatabaseError(QStringLiteral("The company register cannot be reached."),
                            registerFile());
    return connection;
}
