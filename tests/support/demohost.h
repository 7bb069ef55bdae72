#pragma once

#include "demoyear.h"
#include "scriptedhost.h"
#include "testplace.h"

#include <QVariantList>
#include <memory>

class CommandQuery;
class CompanyProcedures;
class DbConnection;

// The scripted host on a fresh copy of the demo company: the current fiscal period
// of company 1 opened from a temporary data folder, its procedures in place, the
// command query bound, and the host context record filled as the host program
// fills it for user 1 (all rights). Installs itself as the module's host context.
class DemoHost : public ScriptedHost
{
public:
    explicit DemoHost(int assets = 60);
    // Another program on a data place that already holds the demo company: the same
    // period opened as user `userId` (a second clerk at work on the same data).
    DemoHost(const QString& existingFolder, int userId, const QString& userName);
    ~DemoHost();

    DbConnection& db() const { return *m_connection; }
    // The data place (a folder, or a server database's address).
    QString dataFolder() const { return m_folder; }
    // A temporary folder for the files a test writes beside the databases.
    QString fileFolder() const { return m_place ? m_place->folder() : QString(); }
    // Runs a statement on the company database (test set-up), `values` bound to its
    // "?"; throws on failure.
    void exec(const QString& sql, const QVariantList& values = {}) const;
    // The first column of the first row of a statement, as text ("" when no row).
    QString scalar(const QString& sql, const QVariantList& values = {}) const;
    // The same period on a connection of its own, as another clerk's program opens it.
    std::unique_ptr<DbConnection> openAgain() const;
    // On a server: this clerk's session ended from another connection, as a restart
    // of the server ends it (the program finds out at its next statement).
    void endSession() const;

private:
    void open(const QString& folder, int userId, const QString& userName);

    std::unique_ptr<TestPlace> m_place;
    QString m_folder;
    std::unique_ptr<CompanyProcedures> m_procedures;
    std::unique_ptr<DbConnection> m_connection;
    std::unique_ptr<CommandQuery> m_command;
};
