#include "lookupdialog.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "formkeys.h"
#include "persiantext.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

using namespace LookupTables;

LookupDialog::LookupDialog(DbConnection* connection, int userId, QWidget* parent)
    : QDialog(parent)
    , m_connection(connection)
    , m_userId(userId)
{
    setObjectName(QStringLiteral("LookupDialog"));
    setWindowTitle(QStringLiteral("جداول پايه"));
    setLayoutDirection(Qt::RightToLeft);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    m_table = new QComboBox(this);
    m_table->setObjectName(QStringLiteral("LookupTable"));
    for (const Table t : Tables())
        m_table->addItem(Title(t), int(t));
    top->addRow(QStringLiteral("جدول"), m_table);
    layout->addLayout(top);

    auto* middle = new QHBoxLayout;
    auto* form = new QFormLayout;
    m_code = new QLineEdit(this);
    m_code->setObjectName(QStringLiteral("LookupCode"));
    m_code->setProperty("digits", true); // a Persian keyboard's digits typed as 0-9
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("LookupName"));
    m_family = new QLineEdit(this);
    m_family->setObjectName(QStringLiteral("LookupFamily"));
    m_familyLabel = new QLabel(QStringLiteral("نام خانوادگي"), this);
    form->addRow(QStringLiteral("كد"), m_code);
    form->addRow(QStringLiteral("نام"), m_name);
    form->addRow(m_familyLabel, m_family);
    for (QWidget* w : {static_cast<QWidget*>(m_table), static_cast<QWidget*>(m_code),
                       static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_family)})
        w->installEventFilter(this);
    middle->addLayout(form, 1);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("LookupList"));
    m_list->setAccessibleName(QStringLiteral("رديف هاي جدول"));
    m_list->installEventFilter(this);
    middle->addWidget(m_list, 1);
    layout->addLayout(middle);

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("LookupState"));
    layout->addWidget(m_state);
    layout->addWidget(StoreRemoveCloseButtons(this, [this] { store(); }, [this] { remove(); }));
    connect(m_table, &QComboBox::currentIndexChanged, this, &LookupDialog::tableChosen);
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int at = m_list->row(item);
        if (at >= 0 && at < m_entries.size()) {
            show(m_entries.at(at));
            m_name->setFocus();
            m_name->selectAll();
        }
    });
    tableChosen();
    resize(680, 440);
    m_table->setFocus();
}

Table LookupDialog::table() const
{
    return Table(m_table->currentData().toInt());
}

void LookupDialog::tableChosen()
{
    m_family->setVisible(HasFamily(table()));
    m_familyLabel->setVisible(HasFamily(table()));
    m_list->clear();
    try {
        m_entries = Entries(*m_connection, table());
    } catch (const DatabaseError& error) {
        m_entries.clear();
        m_state->setText(DatabaseFailureText(error));
    }
    for (const Entry& e : std::as_const(m_entries))
        m_list->addItem(e.code.trimmed() + QStringLiteral(" - ") +
                        (e.name + QLatin1Char(' ') + e.family).trimmed());
    clearForm();
}

void LookupDialog::clearForm()
{
    m_read.reset();
    for (QLineEdit* edit : {m_code, m_name, m_family})
        edit->clear();
}

bool LookupDialog::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::KeyPress || field == nullptr || field == m_list)
        return QDialog::eventFilter(watched, event);
    const auto enter = [this](QWidget* at) {
        if (at == m_code)
            readCode();
        else if (!FocusNextField({m_table, m_code, m_name, m_family},
                                 at == m_table  ? 0
                                 : at == m_name ? 2
                                                : 3))
            store();
    };
    return TakeFieldKey(field, *static_cast<QKeyEvent*>(event), enter) ||
           QDialog::eventFilter(watched, event);
}

void LookupDialog::readCode()
{
    const QString stored = StoredCode(*m_connection, table(), m_code->text());
    if (stored.isEmpty()) {
        refuse(QStringLiteral("كد فقط حرف و رقم مي گيرد."), Field::Code);
        return;
    }
    m_read.reset();
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).code == stored) {
            show(m_entries.at(i));
            m_list->setCurrentRow(i);
        }
    }
    if (!m_read) {
        m_name->clear();
        m_family->clear();
    }
    m_state->setText(m_read ? QStringLiteral("ويرايش رديف.") : QStringLiteral("رديف جديد."));
    m_name->setFocus(Qt::TabFocusReason);
    m_name->selectAll();
}

void LookupDialog::show(const Entry& entry)
{
    m_read = entry;
    m_code->setText(entry.code.trimmed());
    m_name->setText(entry.name);
    m_family->setText(entry.family);
}

void LookupDialog::store()
{
    if (m_read && StoredCode(*m_connection, table(), m_code->text()) != m_read->code)
        m_read.reset();
    const Entry typed{m_code->text(), m_name->text(), m_family->text()};
    Outcome outcome;
    try {
        outcome = Store(*m_connection, m_userId, table(), typed, m_read);
    } catch (const DatabaseError& error) {
        outcome = {DatabaseFailureText(error), Field::None, QString()};
    }
    if (!outcome.refusal.isEmpty()) {
        refuse(outcome.refusal, outcome.field);
        return;
    }
    const bool edited = m_read.has_value();
    tableChosen();
    m_state->setText((edited ? QStringLiteral("«%1» ويرايش شد.") : QStringLiteral("«%1» ثبت شد."))
                         .arg(outcome.code.trimmed()));
    m_code->setFocus(Qt::OtherFocusReason);
}

void LookupDialog::remove()
{
    if (!m_read) {
        refuse(QStringLiteral("اول كد را وارد كنيد و Enter بزنيد."), Field::Code);
        return;
    }
    if (!AskYesNo(this,
                  QStringLiteral("«%1 - %2» حذف شود؟").arg(m_read->code.trimmed(), m_read->name),
                  QStringLiteral("LookupRemoveQuestion")))
        return;
    Outcome outcome;
    try {
        outcome = Remove(*m_connection, m_userId, table(), *m_read);
    } catch (const DatabaseError& error) {
        outcome = {DatabaseFailureText(error), Field::None, QString()};
    }
    if (!outcome.refusal.isEmpty()) {
        refuse(outcome.refusal, outcome.field);
        return;
    }
    tableChosen();
    m_state->setText(QStringLiteral("«%1» حذف شد.").arg(outcome.code.trimmed()));
    m_code->setFocus(Qt::OtherFocusReason);
}

void LookupDialog::refuse(const QString& text, Field field)
{
    TellRefusal(this, text, QStringLiteral("LookupRefusal"));
    QLineEdit* at = field == Field::Code     ? m_code
                    : field == Field::Name   ? m_name
                    : field == Field::Family ? m_family
                                             : nullptr;
    if (at != nullptr) {
        at->setFocus(Qt::OtherFocusReason);
        at->selectAll();
    }
}
