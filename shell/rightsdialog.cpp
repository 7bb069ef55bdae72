#include "rightsdialog.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "formkeys.h"
#include "passworddialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

using UserAccounts::RightsKinds;
using UserAccounts::RightWords;
using UserAccounts::UserAccess;

RightsDialog::RightsDialog(DbConnection* connection, int adminId, QWidget* parent)
    : QDialog(parent), m_connection(connection), m_adminId(adminId)
{
    setObjectName(QStringLiteral("RightsDialog"));
    setWindowTitle(QStringLiteral("كاربران و دسترسي ها"));
    setLayoutDirection(Qt::RightToLeft);
    resize(880, 540);

    m_users = new QListWidget(this);
    m_users->setObjectName(QStringLiteral("UserList"));
    m_users->setAccessibleName(QStringLiteral("كاربران"));
    m_users->setMaximumWidth(220);
    m_users->installEventFilter(this);

    m_rights = new QTableWidget(int(RightsKinds().size()), 5, this);
    m_rights->setObjectName(QStringLiteral("RightsTable"));
    m_rights->setAccessibleName(QStringLiteral("دسترسي ها"));
    m_rights->setHorizontalHeaderLabels({QStringLiteral("نوع سند"), QStringLiteral("ثبت جديد"),
                                         QStringLiteral("ويرايش"), QStringLiteral("حذف"),
                                         QStringLiteral("مشاهده")});
    m_rights->verticalHeader()->hide();
    m_rights->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_rights->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_rights->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rights->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rights->setTabKeyNavigation(false);
    for (int row = 0; row < RightsKinds().size(); ++row) {
        auto* caption = new QTableWidgetItem(RightsKinds().at(row).caption);
        caption->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_rights->setItem(row, 0, caption);
        for (int column = 1; column <= RightWords().size(); ++column) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            m_rights->setItem(row, column, cell);
        }
    }
    m_copy = new QCheckBox(QStringLiteral("اجازه كپي"), this);
    m_copy->setObjectName(QStringLiteral("CopyRight"));
    m_print = new QCheckBox(QStringLiteral("اجازه چاپ"), this);
    m_print->setObjectName(QStringLiteral("PrintRight"));
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("RightsState"));
    m_state->setWordWrap(true);

    auto* user = new QPushButton(QStringLiteral("كاربر جديد (Ctrl+N) ..."), this);
    user->setObjectName(QStringLiteral("NewUser"));
    auto* drop = new QPushButton(QStringLiteral("حذف كاربر (Ctrl+Del)"), this);
    drop->setObjectName(QStringLiteral("RemoveUser"));
    auto* password = new QPushButton(QStringLiteral("رمز عبور تازه ..."), this);
    password->setObjectName(QStringLiteral("NewPassword"));
    auto* store = new QPushButton(QStringLiteral("ذخيره (Ctrl+S)"), this);
    store->setObjectName(QStringLiteral("SaveRights"));
    auto* close = new QPushButton(QStringLiteral("بستن"), this);
    close->setObjectName(QStringLiteral("CloseRights"));
    for (QPushButton* b : {user, drop, password, store, close})
        b->setAutoDefault(false);

    auto* rights = new QVBoxLayout;
    rights->addWidget(m_rights, 1);
    rights->addWidget(m_copy);
    rights->addWidget(m_print);
    auto* top = new QHBoxLayout;
    top->addWidget(m_users);
    top->addLayout(rights, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_state, 1);
    bottom->addWidget(user);
    bottom->addWidget(drop);
    bottom->addWidget(password);
    bottom->addWidget(store);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(m_users, &QListWidget::currentRowChanged, this, &RightsDialog::showUser);
    connect(m_rights, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { takeCell(item->row(), item->column()); });
    for (QCheckBox* box : {m_copy, m_print})
        connect(box, &QCheckBox::toggled, this, [this] {
            if (UserAccess* user = current(); user != nullptr && !m_showing) {
                user->copy = m_copy->isChecked();
                user->print = m_print->isChecked();
                showUser();
            }
        });
    connect(user, &QPushButton::clicked, this, &RightsDialog::newUser);
    auto* userKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), this);
    connect(userKey, &QShortcut::activated, this, &RightsDialog::newUser);
    connect(drop, &QPushButton::clicked, this, &RightsDialog::removeUser);
    auto* dropKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete), this);
    connect(dropKey, &QShortcut::activated, this, &RightsDialog::removeUser);
    connect(password, &QPushButton::clicked, this, &RightsDialog::newPassword);
    connect(store, &QPushButton::clicked, this, &RightsDialog::save);
    connect(close, &QPushButton::clicked, this, &RightsDialog::reject);
    auto* saveKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(saveKey, &QShortcut::activated, this, &RightsDialog::save);

    load();
    m_users->setFocus();
}

UserAccess* RightsDialog::current()
{
    const int row = m_users->currentRow();
    return row >= 0 && row < m_edited.size() ? &m_edited[row] : nullptr;
}

void RightsDialog::load()
{
    const int id = current() != nullptr ? current()->id : m_adminId;
    try {
        m_read = UserAccounts::ReadAccess(*m_connection);
    } catch (const DatabaseError& e) {
        m_read.clear();
        m_state->setText(DatabaseFailureText(e));
    }
    m_edited = m_read;
    m_showing = true;
    m_users->clear();
    int row = 0;
    for (int i = 0; i < m_read.size(); ++i) {
        m_users->addItem(QString::number(m_read.at(i).id) + QStringLiteral(" - ") +
                         m_read.at(i).name);
        if (m_read.at(i).id == id)
            row = i;
    }
    m_showing = false;
    m_users->setCurrentRow(m_read.isEmpty() ? -1 : row);
}

void RightsDialog::showUser()
{
    const UserAccess* user = current();
    m_showing = true;
    for (int row = 0; row < RightsKinds().size(); ++row)
        for (int column = 1; column <= RightWords().size(); ++column) {
            const QString id = RightsKinds().at(row).prefix + RightWords().at(column - 1);
            m_rights->item(row, column)
                ->setCheckState(user != nullptr && user->rights.contains(id) ? Qt::Checked
                                                                             : Qt::Unchecked);
        }
    m_copy->setChecked(user != nullptr && user->copy);
    m_print->setChecked(user != nullptr && user->print);
    m_showing = false;
    QString state;
    if (user != nullptr && user->administrator())
        state = QStringLiteral("اين كاربر همه دسترسي ها را دارد (مدير سيستم).");
    if (changed())
        state += (state.isEmpty() ? QString() : QStringLiteral(" ")) +
                 QStringLiteral("تغييرات هنوز ذخيره نشده است.");
    m_state->setText(state);
}

void RightsDialog::takeCell(int row, int column)
{
    UserAccess* user = current();
    if (m_showing || user == nullptr || column < 1 || row < 0)
        return;
    const QString id = RightsKinds().at(row).prefix + RightWords().at(column - 1);
    if (m_rights->item(row, column)->checkState() == Qt::Checked)
        user->rights.insert(id);
    else
        user->rights.remove(id);
    showUser();
}

void RightsDialog::save()
{
    QString refused;
    try {
        refused = UserAccounts::SaveAccess(*m_connection, m_adminId, m_read, m_edited);
    } catch (const DatabaseError& e) {
        refused = DatabaseFailureText(e);
    }
    if (!refused.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), refused);
        return;
    }
    load();
    m_state->setText(QStringLiteral("دسترسي ها ذخيره شد."));
}

void RightsDialog::newPassword()
{
    const UserAccess* user = current();
    if (user == nullptr)
        return;
    const int id = user->id;
    const QString name = user->name;
    const bool own = id == m_adminId;
    PasswordDialog dialog(
        own ? PasswordDialog::Mode::Change : PasswordDialog::Mode::Reset, name,
        [this, id, own](const QString& old, const QString& password, const QString& repeated) {
            return own ? UserAccounts::ChangePassword(*m_connection, id, old, password, repeated)
                       : UserAccounts::ResetPassword(*m_connection, m_adminId, id, password,
                                                     repeated);
        },
        this);
    if (dialog.exec() == QDialog::Accepted)
        m_state->setText(QStringLiteral("رمز عبور تازه «%1» ذخيره شد.").arg(name));
}

// The rights being given are stored first: the list is read again after a user is
// added or removed.
bool RightsDialog::unsavedRefused(const QString& doing)
{
    if (!changed())
        return false;
    QMessageBox::warning(this, windowTitle(),
                         QStringLiteral("تغييرات ذخيره نشده است؛ پيش از %1 آنها را ذخيره كنيد "
                                        "(Ctrl+S).")
                             .arg(doing));
    return true;
}

void RightsDialog::removeUser()
{
    const UserAccess* user = current();
    if (user == nullptr || unsavedRefused(QStringLiteral("حذف كاربر")))
        return;
    const QString name = user->name;
    if (!AskYesNo(this,
                  QStringLiteral("كاربر «%1» حذف شود؟ اسنادي كه ثبت كرده با نام او مي ماند.")
                      .arg(name),
                  QStringLiteral("RemoveUserQuestion")))
        return;
    QString refused;
    try {
        refused = UserAccounts::RemoveUser(*m_connection, m_adminId, user->id);
    } catch (const DatabaseError& e) {
        refused = DatabaseFailureText(e);
    }
    if (!refused.isEmpty()) {
        TellRefusal(this, refused, QStringLiteral("RemoveUserRefusal"));
        return;
    }
    load();
    m_state->setText(QStringLiteral("كاربر «%1» حذف شد.").arg(name));
    m_users->setFocus();
}

void RightsDialog::newUser()
{
    if (unsavedRefused(QStringLiteral("افزودن كاربر")))
        return;
    PasswordDialog dialog(
        [this](const QString& name, const QString& password, const QString& repeated) {
            return UserAccounts::AddUser(*m_connection, m_adminId, name, password, repeated);
        },
        this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    load();
    for (int row = 0; row < m_read.size(); ++row) {
        if (m_read.at(row).id == dialog.addedUser()) {
            m_users->setCurrentRow(row);
            m_state->setText(
                QStringLiteral("كاربر «%1» ساخته شد؛ دسترسي هايش را بدهيد و ذخيره كنيد.")
                    .arg(m_read.at(row).name));
        }
    }
    m_users->setFocus();
}

void RightsDialog::reject()
{
    if (changed()) {
        if (!AskYesNo(this, QStringLiteral("تغييرات ذخيره نشده است. بدون ذخيره بسته شود؟"),
                      QStringLiteral("LeaveUnsaved")))
            return;
    }
    QDialog::reject();
}

// Enter in the list of users goes to the chosen user's rights.
bool RightsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_users && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_rights->setFocus();
            if (!m_rights->currentIndex().isValid() || m_rights->currentColumn() == 0)
                m_rights->setCurrentCell(0, 1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
