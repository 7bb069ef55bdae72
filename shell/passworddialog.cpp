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
    setObjectName(QStringLiteral("PasswordDialog"));
    setLayoutDirection(Qt::RightToLeft);
    setMinimumWidth(380);
    switch (mode) {
    case Mode::Change:
        setWindowTitle(QStringLiteral("تغيير رمز عبور"));
        break;
    case Mode::Choose:
        setWindowTitle(QStringLiteral("انتخاب رمز عبور"));
        break;
    case Mode::Reset:
        setWindowTitle(QStringLiteral("رمز عبور تازه"));
        break;
    }
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
    if (mode == Mode::Change) {
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

    for (QLineEdit* box : {m_old, m_new, m_repeat})
        if (box != nullptr)
            box->installEventFilter(this);
    (m_old != nullptr ? m_old : m_new)->setFocus();
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
    if (watched == m_old)
        m_new->setFocus();
    else if (watched == m_new)
        m_repeat->setFocus();
    else if (watched == m_repeat)
        accept();
    return true;
}

void PasswordDialog::clearAll()
{
    for (QLineEdit* box : {m_old, m_new, m_repeat})
        if (box != nullptr)
            box->clear();
    (m_old != nullptr ? m_old : m_new)->setFocus();
}

void PasswordDialog::accept()
{
    QString refused;
    try {
        refused =
            m_store(m_old != nullptr ? m_old->text() : QString(), m_new->text(), m_repeat->text());
    } catch (const DatabaseError& e) {
        refused = DatabaseFailureText(e);
    }
    clearAll();
    if (!refused.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), refused);
        return;
    }
    QDialog::accept();
}
