#include "loadreportform.h"

#include "databaseerror.h"
#include "reportstore.h"
#include "siblingcommon.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int TableRole = Qt::UserRole;
constexpr int IdRole = Qt::UserRole + 1;
} // namespace

LoadReportForm::LoadReportForm(ReportStore& store, const QString& sProg, const QString& sForm,
                               QWidget* parent)
    : QDialog(parent), m_store(store), m_prog(sProg), m_form(sForm)
{
    Sibling::PrepareDialog(this, "LoadReportForm", QStringLiteral("گزارشهاي ثبت شده"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstReports"));
    m_list->setAccessibleName(windowTitle());
    auto* remove = new QPushButton(QStringLiteral("حذف گزارش"), this);
    remove->setObjectName(QStringLiteral("btnDelete"));
    remove->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    auto* tools = new QHBoxLayout;
    tools->addWidget(remove);
    tools->addStretch();
    layout->addLayout(tools);
    QPushButton* ok = Sibling::AddOkCancel(this, layout);
    connect(ok, &QPushButton::clicked, this, [this] { choose(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { choose(); });
    connect(remove, &QPushButton::clicked, this, [this] { deleteCurrent(); });
    fill();
    resize(380, 320);
}

bool LoadReportForm::isEmpty() const
{
    return m_list->count() == 0;
}

void LoadReportForm::fill()
{
    m_list->clear();
    for (const ReportStore::Entry& e : m_store.reports(m_prog, m_form)) {
        auto* item = new QListWidgetItem(e.reportName, m_list);
        item->setToolTip(e.title + QLatin1Char('\n') + e.created);
        item->setData(TableRole, e.tableName);
        item->setData(IdRole, e.reportId);
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void LoadReportForm::choose()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item) {
        Sibling::ShowError(this, QStringLiteral("گزارشي انتخاب نشده است"));
        return;
    }
    m_table = item->data(TableRole).toString();
    accept();
}

void LoadReportForm::deleteCurrent()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    if (!Sibling::AskYesNo(this, QStringLiteral("گزارش \"") + item->text() +
                                     QStringLiteral("\" حذف شود؟")))
        return;
    const int row = m_list->currentRow();
    try {
        m_store.remove(item->data(IdRole).toInt());
    } catch (const DatabaseError& e) {
        Sibling::ShowError(this, QStringLiteral("گزارش حذف نشد:\n") + DatabaseFailureText(e));
        return;
    }
    fill();
    if (m_list->count() > 0)
        m_list->setCurrentRow(std::min(row, m_list->count() - 1));
}
