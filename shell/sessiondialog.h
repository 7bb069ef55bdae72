#pragma once

#include "sessionsettings.h"

#include "databasefolder.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;

// Asks for the user, the password, company and fiscal period at start (and when the
// user changes session). Enter accepts what is shown once the password is checked
// (SignInToSession): a wrong password and an unknown user are told alike, and repeated
// failures under one name make its next try wait (SignInThrottle), the wait shown. A
// user whose record holds no password chooses one before the session starts.
class SessionDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SessionDialog(const SessionSettings& settings, QWidget* parent = nullptr);

    // What the dialog shows; once accepted, the signed-in user's id and name.
    SessionSettings settings() const;

public slots:
    void accept() override;

private:
    void fillPeriods();
    QString missingPeriod(const SessionSettings& s) const;
    // "" when signed in (and a password chosen where there was none), else what to tell.
    QString signIn(const SessionSettings& s);
    void showWait();

    SessionSettings m_settings;
    QComboBox* m_periods;
    QList<CompanyPeriod> m_known;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLabel* m_wait;
    QTimer* m_waitTimer;
    int m_signedInId = 0;
    QLineEdit* m_company;
    QLineEdit* m_year;
    QLineEdit* m_start;
    QLineEdit* m_end;
    QLineEdit* m_dataDir;
    QLineEdit* m_server;
    QLineEdit* m_appDir;
};
