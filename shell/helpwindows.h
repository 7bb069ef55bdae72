#pragma once

#include "context/keyguide.h"

#include <QDate>
#include <QDialog>
#include <QList>
#include <QString>

class HostSession;
class QLabel;

// The program's version (the project's) and the day it was built.
QString ProgramVersion();
QDate BuildDate();

// The keys of the voucher windows, and of the main window: its menus and each task's
// key.
QList<KeyGuideSection> VoucherWindowsKeyGuide();
void ShowVoucherKeys(QWidget* parent);
void ShowReportGridKeys(QWidget* parent);

// "درباره برنامه": version, build date, the database engine and version as the
// session's connection reports them, the data folder or server (never its password),
// company, period and user.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    AboutDialog(HostSession& session, QWidget* parent = nullptr);

    // Label and value of each line, as shown.
    QList<QPair<QString, QString>> lines() const { return m_lines; }

private:
    QList<QPair<QString, QString>> m_lines;
};
