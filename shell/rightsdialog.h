#pragma once

#include "useraccounts.h"

#include <QDialog>

class DbConnection;
class QCheckBox;
class QLabel;
class QListWidget;
class QTableWidget;

// The administrator's window of users and rights: the users of the period on the
// right, and the chosen user's rights beside them, per voucher kind (new, edit,
// delete, view) and the copy and print rights. From the keyboard: the arrows choose a
// user, Enter goes to the rights, the arrows walk them and Space gives or takes one;
// Ctrl+S stores every change in one transaction, Escape leaves (asking first when
// something is not stored). "رمز عبور تازه ..." gives the chosen user a new password
// (the administrator's own asks the present one first); "كاربر جديد ..." (Ctrl+N) adds
// a user with a name and a password, and no right until given one here.
class RightsDialog : public QDialog
{
    Q_OBJECT
public:
    RightsDialog(DbConnection* connection, int adminId, QWidget* parent = nullptr);

    bool changed() const { return m_edited != m_read; }

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void showUser();
    void takeCell(int row, int column);
    void save();
    void newPassword();
    void newUser();
    void removeUser();
    bool unsavedRefused(const QString& doing);
    UserAccounts::UserAccess* current();

    DbConnection* m_connection;
    int m_adminId;
    QList<UserAccounts::UserAccess> m_read;
    QList<UserAccounts::UserAccess> m_edited;
    QListWidget* m_users;
    QTableWidget* m_rights;
    QCheckBox* m_copy;
    QCheckBox* m_print;
    QLabel* m_state;
    bool m_showing = false;
};
