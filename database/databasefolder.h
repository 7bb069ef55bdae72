#pragma once

#include <QList>
#include <QString>
#include <memory>

class DbConnection;

// The company register: the database that lists every company and fiscal period.
inline const QString kRegisterDatabase = QStringLiteral("ZELMORA_Sdc");

// The database of one company's fiscal period: "ZELMORA_" + company + "_" + year
// (both trimmed, since the register keeps company codes right-aligned).
QString CompanyDatabaseName(const QString& company, const QString& year);

// One row of the company register.
struct CompanyPeriod
{
    QString company;
    QString year;
    QString name;
    QString startDate;
    QString endDate;
    QString databaseName; // CompanyDatabaseName(company, year) when left empty
};

// A data folder: the register file and one file per company period, each
// "<database name>.sqlite".
class DatabaseFolder
{
public:
    explicit DatabaseFolder(const QString& folder);

    QString folder() const { return m_folder; }
    QString registerFile() const;
    QString companyFile(const QString& company, const QString& year) const;

    // True when the folder holds no register yet.
    bool isEmpty() const;
    // Creates the folder and the register (or brings it to the current schema).
    void ensureRegister();

    // The registered periods, ordered by company code and year; codes come back
    // trimmed. Empty when there is no register.
    QList<CompanyPeriod> periods() const;
    // Adds the period to the register, replacing a row of the same company and year.
    // The company code is stored right-aligned to the register's column width.
    void registerPeriod(const CompanyPeriod& period);

    // Opens the database of a company period with the register attached under
    // kRegisterDatabase. With `create` a missing database is created and an older one
    // brought to the current schema; without it a missing database gives nullptr.
    // Throws DatabaseError when the file cannot be opened or set up.
    std::unique_ptr<DbConnection> openCompany(const QString& company, const QString& year,
                                              bool create);

private:
    std::unique_ptr<DbConnection> openRegister() const;

    QString m_folder;
};
