#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

// Menu "سيستم", "پشتيبان گيري ...": a backup of the session's data place into a new
// folder, named by the date and time, inside the folder the user gives. The work runs
// under a progress window that can stop it (what it had written is then removed);
// the outcome is told in a message window. The window stays open after a failure,
// so that another folder can be given.
class BackupDialog : public QDialog
{
    Q_OBJECT
public:
    // `place`: the data folder or the server database's address.
    explicit BackupDialog(const QString& place, QWidget* parent = nullptr);

    // The backup folder made; "" until one is.
    QString made() const { return m_made; }

private:
    void start();

    QString m_place;
    QLineEdit* m_folder;
    QString m_made;
};

// Menu "سيستم", "بازگرداندن نسخه پشتيبان ...": a backup folder put back into a new,
// empty data folder or server database, never over anything that exists. What the
// chosen backup holds is shown as soon as it is typed or chosen.
class RestoreDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RestoreDialog(QWidget* parent = nullptr);

    // The data place restored into; "" until the restore is done.
    QString restored() const { return m_restored; }

private:
    void describe();
    void start();

    QLineEdit* m_backup;
    QLineEdit* m_target;
    QLabel* m_about;
    QString m_restored;
};
