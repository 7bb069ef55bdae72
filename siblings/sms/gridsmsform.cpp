#include "gridsmsform.h"

#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "siblingcommon.h"
#include "sqlquote.h"

#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kOutbox = QStringLiteral("Sms_Outbox");

// Numbered by the insert itself (largest Id + 1), which every engine runs alike.
const QString kCreateOutbox = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS \"Sms_Outbox\" (Id INTEGER PRIMARY KEY, Sender VARCHAR(50), "
    "Receiver VARCHAR(50), Message VARCHAR(1000), Created VARCHAR(30), State VARCHAR(10))");
} // namespace

GridSmsForm::GridSmsForm(DbGrid* grid, const QString& sender, QWidget* parent)
    : QDialog(parent), m_grid(grid), m_sender(sender)
{
    Sibling::PrepareDialog(this, "GridSmsForm", QStringLiteral("ارسال پيامک"));
    m_number = new QComboBox(this);
    m_number->setObjectName(QStringLiteral("cbNumberField"));
    for (const QString& name : grid->dataSet()->fieldNames())
        m_number->addItem(Sibling::FieldTitle(grid, name), name);
    if (const DataField* selected = grid->selectedField())
        m_number->setCurrentIndex(std::max(0, m_number->findData(selected->fieldName())));
    m_message = new QPlainTextEdit(this);
    m_message->setObjectName(QStringLiteral("edMessage"));
    m_message->setTabChangesFocus(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ستون شماره همراه:"), m_number);
    form->addRow(QStringLiteral("متن پيام:"), m_message);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    QPushButton* ok = Sibling::AddOkCancel(this, layout);
    connect(ok, &QPushButton::clicked, this, [this] { send(); });
}

QString GridSmsForm::numberField() const
{
    return m_number->currentData().toString();
}

void GridSmsForm::send()
{
    const QString message = m_message->toPlainText().trimmed();
    if (message.isEmpty()) {
        Sibling::ShowError(this, QStringLiteral("متن پيام را وارد کنيد"));
        m_message->setFocus();
        return;
    }
    DataSet* ds = m_grid->dataSet();
    const DataField* field = ds->findField(numberField());
    DbConnection* db = ds->connection();
    if (!field || !db) {
        Sibling::ShowError(this, QStringLiteral("اين گزارش به بانک اطلاعات وصل نيست"));
        return;
    }
    QList<int> rows;
    for (int r = 0; r < ds->recordCount(); ++r)
        if (!Sibling::ValueText(ds->value(r, field->index())).trimmed().isEmpty())
            rows << r;
    if (rows.isEmpty()) {
        Sibling::ShowError(
            this,
            QStringLiteral("در ستون انتخاب شده هيچ شماره‌اي نيست"));
        return;
    }
    const QString created = QDateTime::currentDateTime().toString(Qt::ISODate);
    try {
        db->execute(kCreateOutbox);
        Transaction t(*db);
        for (int r : rows) {
            const QString receiver = Sibling::ValueText(ds->value(r, field->index())).trimmed();
            db->execute(QStringLiteral("INSERT INTO ") + SqlIdent(kOutbox) +
                            QStringLiteral(" (Id, Sender, Receiver, Message, Created, State) "
                                           "SELECT COALESCE(MAX(Id), 0) + 1, ?, ?, ?, ?, "
                                           "'OUTBOX' FROM ") +
                            SqlIdent(kOutbox),
                        {SqlText(m_sender), SqlText(receiver), SqlText(message), created});
        }
        t.commit();
    } catch (const DatabaseError& e) {
        Sibling::ShowError(this, QStringLiteral("پيامها ثبت نشدند:\n") + DatabaseFailureText(e));
        return;
    }
    m_firstRow = rows.first();
    m_queued = int(rows.size());
    Sibling::ShowNotice(this, QStringLiteral("%1 پيام در صف ارسال قرار گرفت").arg(m_queued));
    accept();
}
