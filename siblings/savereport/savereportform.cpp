#include "savereportform.h"

#include "databaseerror.h"
#include "reportstore.h"
#include "siblingcommon.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SaveReportForm::SaveReportForm(ReportStore& store, const QString& sProg, const QString& sForm,
                               const QString& sourceTable, const QString& title, QWidget* parent)
    : QDialog(parent), m_store(store), m_prog(sProg), m_form(sForm), m_source(sourceTable),
      m_title(title)
{
    Sibling::PrepareDialog(this, "SaveReportForm", QStringLiteral("ثبت گزارش"));
    m_name = new QLineEdit(title, this);
    m_name->setObjectName(QStringLiteral("edName"));
    m_name->selectAll();
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("نام گزارش:"), m_name);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    QPushButton* ok = Sibling::AddOkCancel(this, layout);
    connect(ok, &QPushButton::clicked, this, [this] { save(); });
    resize(360, height());
}

void SaveReportForm::save()
{
    const QString name = m_name->text().trimmed();
    if (name.isEmpty()) {
        Sibling::ShowError(this, QStringLiteral("نام گزارش را وارد کنيد"));
        m_name->setFocus();
        return;
    }
    try {
        if (m_store.find(m_prog, m_form, name).reportId != 0 &&
            !Sibling::AskYesNo(this, QStringLiteral("گزارشي با نام \"") + name +
                                         QStringLiteral("\" قبلا ثبت شده است. جايگزين شود؟"))) {
            m_name->setFocus();
            return;
        }
        m_store.save(m_prog, m_form, name, m_title, m_source);
    } catch (const DatabaseError& e) {
        Sibling::ShowError(this, QStringLiteral("گزارش ثبت نشد:\n") + DatabaseFailureText(e));
        return;
    }
    Sibling::ShowNotice(this, QStringLiteral("گزارش \"") + name + QStringLiteral("\" ثبت شد"));
    accept();
}
