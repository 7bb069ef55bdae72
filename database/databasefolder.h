#pragma once

#include "companydatabase.h"
#include "databaseerror.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class DbConnection;

// The company register: the database that lists every company and fiscal period.
inline const QString kRegisterDatabase = QStringLiteral("ZELMORA_Sdc");

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

// What the register of a data folder is like, and what preparing it did.
struct RegisterStatus
{
    enum class State {
        Usable,     // it opens and holds the list of periods
        Missing,    // there is no register file
        Damaged,    // the file is not a register: not a database, empty, or without its table
        Unreadable, // it cannot be read or made now (another program holds it, no rights, disk)
    };
    State state = State::Missing;
    // Why it is damaged or unreadable: the kind and the file.
    std::optional<DatabaseError> failure;
    // The company files a missing register was rebuilt from (file names, in order).
    QStringList rebuiltFrom;
};

// A data place: a data folder with the register file and one file per company
// period, each "<database name>.sqlite"; or a PostgreSQL server database
// (DbConnection::IsServerAddress) with one schema per database of the same names.
class DatabaseFolder
{
public:
    explicit DatabaseFolder(const QString& folder);

    QString folder() const { return m_folder; }
    bool isServer() const { return m_server; }
    // The folder, or the server's address without its password.
    QString displayName() const;
    // The file of the register and of a company period; on a server, the names of
    // their databases.
    QString registerFile() const;
    QString companyFile(const QString& company, const QString& year) const;

    // The databases of the place, by name; hasDatabase() tells one of them.
    QStringList databaseNames() const;
    bool hasDatabase(const QString& name) const;
    // The database files of the folder ("*.sqlite"), by file name; on a server the
    // names of its databases.
    QStringList databaseFiles() const;
    // True when the place holds no database at all: the only kind of place the demo
    // company may be made in.
    bool isEmpty() const;

    // Looks at the register without writing to it.
    RegisterStatus registerStatus() const;
    // Makes the register usable where that loses nothing: a missing one is rebuilt
    // from the company files of the folder (made empty when there are none), one of
    // an older version is brought to the current schema. A damaged register is never
    // written to. The register is written only when it changes.
    RegisterStatus prepareRegister();
    // prepareRegister(), throwing its failure unless the register is usable.
    void ensureRegister();

    // The registered periods, ordered by company code and year; codes come back
    // trimmed. When the register is missing or unusable, the periods of the company
    // files of the folder (periodsOfFiles()).
    QList<CompanyPeriod> periods() const;
    // The periods the company files of the folder stand for: company and year from
    // the file name, the whole Jalali year as the period, the company name from the
    // file's settings (empty when the file cannot be read). Only reads the files.
    QList<CompanyPeriod> periodsOfFiles() const;
    // Adds the period to the register, replacing a row of the same company and year.
    // The company code is stored right-aligned to the register's column width.
    void registerPeriod(const CompanyPeriod& period);
    // Adds the period to the register as a new row: a row of the same company and
    // year that is there already fails with DuplicateKey and is never replaced. With
    // `through`, the row is written by that connection (on a server, inside the
    // transaction that makes the period's database, so that both are kept or
    // neither); without it, by a connection of its own.
    void addPeriod(const CompanyPeriod& period, DbConnection* through = nullptr);

    // In a data folder: makes database `name` whole or not at all. `build` fills a
    // new file that is no database of the folder yet, on a connection open on it,
    // and returns; the file is then put in place under the database's name, never
    // over a file of that name: false when one is there (another program made it
    // meanwhile; the file made here is gone). A failure removes the file made here
    // and nothing else, and throws.
    bool buildFile(const QString& name, const std::function<void(DbConnection&)>& build);

    // Opens the database of a company period with the register attached under
    // kRegisterDatabase when the register is usable (without it otherwise: the
    // company's own data does not depend on it). With `create` a missing database is
    // created and an older one brought to the current schema; without it a missing
    // database gives nullptr and nothing is written. An existing file that is not a
    // database of the system (empty, or without its version) is never built in.
    // Throws DatabaseError when the file cannot be opened or set up.
    std::unique_ptr<DbConnection> openCompany(const QString& company, const QString& year,
                                              bool create);
    // Whether openCompany() refused a database because a newer version of the
    // program made it.
    static bool MadeByNewerVersion(const DatabaseError& error);

private:
    QStringList buildRegister();
    QStringList buildServerRegister();
    void attachRegister(DbConnection& connection) const;

    QString m_folder;
    bool m_server = false;
};
