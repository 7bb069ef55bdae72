#include "passworddialog.h"

#include "databaseerror.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {
QLineEdit* SecretBox(QWidget* parent, const QString& name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(100);
    return box;
}
} // namespace

PasswordDialog::PasswordDialog(Mode mode, const QString& userName, Store store, QWidget* parent)
    : QDialog(parent), m_store(std::move(store))
{
    auto* form = new QFormLayout(this);
    auto* who = new QLabel(userName, this);
    who->setObjectName(QStringLiteral("PasswordUser"));
    form->addRow(QStringLiteral("كاربر:"), who);
    if (mode == Mode::Choose) {
        auto* why = new QLabel(
            QStringLiteral("براي اين كاربر رمز عبوري نيست؛ پيش از ادامه رمزي انتخاب كنيد."), this);
        why->setWordWrap(true);
        form->addRow(why);
    }
    switch (mode) {
    case Mode::Change:
        build(QStringLiteral("تغيير رمز عبور"), true);
        break;
    case Mode::Choose:
        build(QStringLiteral("انتخاب رمز عبور"), false);
        break;
    case Mode::Reset:
        build(QStringLiteral("رمز عبور تازه"), false);
        break;
    }
}

PasswordDialog::PasswordDialog(NewUserStore store, QWidget* parent)
    : QDialog(parent), m_newUser(std::move(store))
{
    auto* form = new QFormLayout(this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("NewUserName"));
    m_name->setAccessibleName(QStringLiteral("نام كاربر"));
    form->addRow(QStringLiteral("نام كاربر:"), m_name);
    auto* what =
        new QLabel(QStringLiteral("كاربر در اين دوره مالي ساخته مي شود و هنوز دسترسي ندارد؛ "
                                  "پس از ساختن، دسترسي هايش را بدهيد و ذخيره كنيد."),
                   this);
    what->setWordWrap(true);
    form->addRow(what);
    build(QStringLiteral("كاربر جديد"), false);
}

// The boxes of the passwords (the present one first, with `current`) and the buttons,
// under the rows the constructor put in the form.
void PasswordDialog::build(const QString& title, bool current)
{
    setObjectName(QStringLiteral("PasswordDialog"));
    setLayoutDirection(Qt::RightToLeft);
    setMinimumWidth(380);
    setWindowTitle(title);
    auto* form = static_cast<QFormLayout*>(layout());
    if (current) {
        m_old = SecretBox(this, QStringLiteral("OldPassword"));
        form->addRow(QStringLiteral("رمز عبور فعلي:"), m_old);
    }
    m_new = SecretBox(this, QStringLiteral("NewPassword"));
    form->addRow(QStringLiteral("رمز عبور جديد:"), m_new);
    m_repeat = SecretBox(this, QStringLiteral("RepeatPassword"));
    form->addRow(QStringLiteral("تكرار رمز عبور جديد:"), m_repeat);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("تاييد"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("انصراف"));
    // Enter walks the boxes (below); a button is pressed with Space.
    for (QAbstractButton* b : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(b))
            push->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &PasswordDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PasswordDialog::reject);
    form->addRow(buttons);

    for (QLineEdit* box : {m_name, m_old, m_new, m_repeat})
        if (box != nullptr)
            box->installEventFilter(this);
    clearAll();
}

// Enter in a box goes to the next one; in the last it stores. The key goes no further,
// so that no button of the dialog takes it as well.
bool PasswordDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QDialog::eventFilter(watched, event);
    if (watched == m_name || watched == m_old)
        m_new->setFocus();
    else if (watched == m_new)
        m_repeat->setFocus();
    else if (watched == m_repeat)
        accept();
    return true;
}

// Empties the boxes of the passwords (a new user's name stays) and goes to the first box.
void PasswordDialog::clearAll()
{
    for (QLineEdit* box : {m_old, m_new, m_repeat})
        if (box != nullptr)
            box->clear();
    (m_name != nullptr ? m_name : m_old != nullptr ? m_old : m_new)->setFocus();
}

void PasswordDialog::accept()
{
    QString refused;
    bool nameAtFault = false;
    try {
        if (m_newUser) {
            const UserAccounts::AddedUser added =
                m_newUser(m_name->text(), m_new->text(), m_repeat->text());
            refused = added.refusal;
            nameAtFault = added.field == UserAccounts::AddedUser::Field::Name;
            m_added = added.id;
        } else {
            refused = m_store(m_old != nullptr ? m_old->text() : QString(), m_new->text(),
                              m_repeat->text());
        }
    } catch (const DatabaseError& e) {
        refused = DatabaseFailureText(e);
    }
    clearAll();
    if (!refused.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), refused);
        // A name at fault is typed again; after any other refusal the passwords are.
        if (m_name != nullptr && !nameAtFault)
            m_new->setFocus();
        return;
    }
    QDialog::accept();
}
