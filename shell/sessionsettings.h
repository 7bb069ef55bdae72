#pragma once

#include "jalalidate.h"

#include <QDate>
#include <QString>

struct TGlobal;

// Who works on which company and fiscal period, and where the files are: what the
// session dialog edits and the command line presets.
struct SessionSettings
{
    QString userName;
    int userId = 1;
    QString companyCode;
    QString fiscalYear;  // four digits
    QString periodStart; // Jalali date texts
    QString periodEnd;
    QString today;
    QString appDir;  // read only: sibling libraries, shipped Data/OptionsColor.ini
    QString dataDir; // the database files
    // A PostgreSQL server database ("postgresql://user@host:port/dbname") that holds
    // the register and the company periods instead of the data folder; empty for the
    // folder. A password in it stays in memory: savedServer() is what may be kept.
    QString server;
    QString charSetMode;
    QString osName;
    // The user's copy and print rights ("NO" refuses), from the user's record.
    QString copyPermission;
    QString printPermission;

    // Defaults: the current Jalali year as the fiscal period, the folder of the
    // program as the application folder, the user's data folder for the databases.
    static SessionSettings Defaults(const QString& appDir, const QDate& gregorianToday);

    // Where the databases are: the server address, or the data folder.
    QString dataPlace() const { return server.isEmpty() ? dataDir : server; }
    // The server address without its password, as it may be shown or saved; the
    // password comes again from the address typed, PGPASSWORD or ~/.pgpass.
    QString savedServer() const;

    // The company-period database name "ZELMORA_<company>_<year>" (CompanyDatabaseName).
    QString databaseName() const;

    // Fills the host context record.
    void fillGlobal(TGlobal& global) const;
};
