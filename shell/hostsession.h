#pragma once

#include "sessionsettings.h"

#include "context/global.h"
#include "context/mydatabase.h"
#include "dbconnection.h"

#include <memory>

class CommandQuery;
class CompanyProcedures;
class QWidget;
class TDlgMsg;
class TMyDate;
class TShowStateForm;
class TTempGridForm;

// What the user is told when the data place itself cannot be reached: a server that
// does not answer or has no such database, a refused password; otherwise
// DatabaseFailureText(). Never shows a password.
QString PlaceFailureText(const DatabaseError& error);

// The session's company period on a connection of its own, as the sign-in reads it: a
// data place without any database first gets the demo company. nullptr, and in
// `failure` why (in Persian), when it cannot be opened; nothing is created otherwise.
std::unique_ptr<DbConnection> OpenSessionPeriod(const SessionSettings& settings, QString* failure);

// Everything the host hands the module on each call: the context record, the date
// services, the database handle and the three host windows. The host owns them all.
class HostSession
{
public:
    // `windowOwner` parents the host windows (they centre on it); without one they are
    // the session's own.
    HostSession(const SessionSettings& settings, QWidget* windowOwner);
    ~HostSession();

    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    const SessionSettings& settings() const { return m_settings; }
    // Switches user, company or period; open windows see the new context on their
    // next use, as the module reads it at the moment of use.
    void changeSettings(const SessionSettings& settings);

    // Whether the session has its company database to work on. When it has none,
    // databaseError() says in Persian which file is wrong and what to do, and no
    // window of the module is opened: there is no stand-in database.
    bool hasDatabase() const { return m_connection != nullptr; }
    QString databaseError() const { return m_databaseError; }
    // What the user is told about the company register of the data folder: that it
    // was rebuilt and from which files, that it is damaged, or that it could not be
    // read. Empty when there is nothing to tell.
    QString registerNotice() const { return m_registerNotice; }

    // Told while a statement of the session waits for another program that holds the
    // database; kept for the databases of later changes of session.
    void setWaitObserver(DbConnection::WaitObserver observer);

    TGlobal* global() { return &m_global; }
    TMyDate* myDate() const { return m_myDate; }
    TMyDatabase* myDatabase() { return &m_database; }
    TDlgMsg* dlgMsg() const { return m_dlgMsg; }
    TTempGridForm* tempGridForm() const { return m_tempGridForm; }
    TShowStateForm* showStateForm() const { return m_showStateForm; }

private:
    void prepareFolders();
    void openDatabase();

    SessionSettings m_settings;
    TGlobal m_global;
    std::unique_ptr<CompanyProcedures> m_procedures;
    std::unique_ptr<DbConnection> m_connection;
    QString m_databaseError;
    QString m_registerNotice;
    DbConnection::WaitObserver m_waitObserver;
    std::unique_ptr<CommandQuery> m_command;
    TMyDatabase m_database;
    TDlgMsg* m_dlgMsg;
    TTempGridForm* m_tempGridForm;
    TShowStateForm* m_showStateForm;
    TMyDate* m_myDate;
    bool m_ownsWindows = false;
};
