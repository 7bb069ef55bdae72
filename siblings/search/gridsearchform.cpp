#include "gridsearchform.h"

#include "dataset.h"
#include "dbgrid.h"
#include "siblingcommon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

GridSearchForm::GridSearchForm(DbGrid* grid, QWidget* parent) : QDialog(parent), m_grid(grid)
{
    Sibling::PrepareDialog(this, "GridSearchForm", QStringLiteral("جستجو"));
    m_field = new QComboBox(this);
    m_field->setObjectName(QStringLiteral("cbField"));
    for (const DbGridColumn& c : grid->columns())
        if (c.visible && grid->dataSet()->findField(c.fieldName))
            m_field->addItem(c.title.isEmpty() ? c.fieldName : c.title, c.fieldName);
    if (m_field->count() == 0)
        for (const QString& name : grid->dataSet()->fieldNames())
            m_field->addItem(name, name);
    if (const DataField* selected = grid->selectedField()) {
        const int i = m_field->findData(selected->fieldName());
        if (i >= 0)
            m_field->setCurrentIndex(i);
    }
    m_value = new QLineEdit(this);
    m_value->setObjectName(QStringLiteral("edValue"));
    m_whole = new QCheckBox(QStringLiteral("تمام مقدار مطابق باشد"), this);
    m_whole->setObjectName(QStringLiteral("chkWhole"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ستون:"), m_field);
    form->addRow(QStringLiteral("عبارت:"), m_value);
    form->addRow(QString(), m_whole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    QPushButton* ok = Sibling::AddOkCancel(this, layout);
    connect(ok, &QPushButton::clicked, this, [this] { search(); });
    m_value->setFocus();
}

QString GridSearchForm::fieldName() const
{
    return m_field->currentData().toString();
}

bool GridSearchForm::matches(int row, int field, int column, const QString& wanted,
                             bool whole) const
{
    // The stored value, and the text the grid shows for it (numbers formatted).
    QStringList texts{Sibling::ValueText(m_grid->dataSet()->value(row, field)).trimmed()};
    if (column >= 0)
        texts << m_grid->dataModel()
                     ->data(m_grid->dataModel()->index(row, column), Qt::DisplayRole)
                     .toString()
                     .trimmed();
    for (const QString& text : texts) {
        if (whole ? text.compare(wanted, Qt::CaseInsensitive) == 0
                  : text.contains(wanted, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void GridSearchForm::search()
{
    const QString wanted = m_value->text().trimmed();
    if (wanted.isEmpty()) {
        Sibling::ShowError(this, QStringLiteral("عبارت جستجو را وارد کنيد"));
        m_value->setFocus();
        return;
    }
    const DataSet* ds = m_grid->dataSet();
    const DataField* field = ds->findField(fieldName());
    if (!field)
        return;
    const int column = m_grid->columnOf(field->fieldName());
    const bool whole = m_whole->isChecked();
    m_row = -1;
    for (int r = 0; r < ds->recordCount(); ++r) {
        if (matches(r, field->index(), column, wanted, whole)) {
            m_row = r;
            break;
        }
    }
    if (m_row < 0)
        Sibling::ShowNotice(this, QStringLiteral("موردي يافت نشد"));
    done(m_row < 0 ? QDialog::Rejected : QDialog::Accepted);
}
