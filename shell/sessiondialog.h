#pragma once

#include "sessionsettings.h"

#include "databasefolder.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QLineEdit;
class QSpinBox;

// Asks for the user, company and fiscal period at start (and when the user changes
// session). Enter accepts what is shown.
class SessionDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SessionDialog(const SessionSettings& settings, QWidget* parent = nullptr);

    SessionSettings settings() const;

public slots:
    void accept() override;

private:
    void fillPeriods();
    QString missingPeriod(const SessionSettings& s) const;

    SessionSettings m_settings;
    QComboBox* m_periods;
    QList<CompanyPeriod> m_known;
    QLineEdit* m_user;
    QSpinBox* m_userId;
    QLineEdit* m_company;
    QLineEdit* m_year;
    QLineEdit* m_start;
    QLineEdit* m_end;
    QLineEdit* m_dataDir;
    QLineEdit* m_server;
    QLineEdit* m_appDir;
};
