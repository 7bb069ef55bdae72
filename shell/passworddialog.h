#pragma once

#include "useraccounts.h"

#include <QDialog>
#include <functional>

class QLineEdit;

// Asks for a password, right to left and from the keyboard: Enter goes from one box to
// the next and, in the last, stores. What is typed is never shown. A refusal is said
// and the dialog stays, its boxes emptied, for another try. A new user's dialog asks
// the name first and keeps it after a refusal, the cursor in the box at fault.
class PasswordDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Mode {
        Change, // the user's own: the present password, then the new one twice
        Choose, // a user signed in without any password chooses one: the new one twice
        Reset,  // the administrator gives another user a new one: twice
    };
    // Stores the passwords typed; answers "" when stored, else why not (in Persian).
    // May throw DatabaseError, which is said as the database's failure.
    using Store = std::function<QString(const QString& oldPassword, const QString& newPassword,
                                        const QString& repeated)>;

    PasswordDialog(Mode mode, const QString& userName, Store store, QWidget* parent = nullptr);
    // A new user's name and password: stores them, answering the user made or why not.
    using NewUserStore = std::function<UserAccounts::AddedUser(
        const QString& name, const QString& password, const QString& repeated)>;
    PasswordDialog(NewUserStore store, QWidget* parent = nullptr);
    // The user made by a new user's dialog that was accepted.
    int addedUser() const { return m_added; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build(const QString& title, bool current);
    void clearAll();

    Store m_store;
    NewUserStore m_newUser;
    int m_added = 0;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_old = nullptr;
    QLineEdit* m_new;
    QLineEdit* m_repeat;
};
