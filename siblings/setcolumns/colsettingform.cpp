#include "colsettingform.h"

#include "dataset.h"
#include "dbgrid.h"
#include "siblingcommon.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum Col { ColVisible, ColTitle, ColWidth };
// The grid column a table row stands for, kept on the row's first item.
constexpr int SourceRole = Qt::UserRole + 1;
} // namespace

ColSettingForm::ColSettingForm(DbGrid* grid, QWidget* parent) : QDialog(parent), m_grid(grid)
{
    Sibling::PrepareDialog(this, "ColSettingForm", QStringLiteral("تنظيم ستونها"));
    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("tblColumns"));
    m_table->setAccessibleName(windowTitle());
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("نمايش / ستون"), QStringLiteral("عنوان"), QStringLiteral("عرض")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* up = new QPushButton(QStringLiteral("بالا"), this);
    up->setObjectName(QStringLiteral("btnUp"));
    up->setAutoDefault(false);
    auto* down = new QPushButton(QStringLiteral("پايين"), this);
    down->setObjectName(QStringLiteral("btnDown"));
    down->setAutoDefault(false);
    auto* moves = new QHBoxLayout;
    moves->addWidget(up);
    moves->addWidget(down);
    moves->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(moves);
    QPushButton* ok = Sibling::AddOkCancel(this, layout);
    connect(up, &QPushButton::clicked, this, [this] { move(-1); });
    connect(down, &QPushButton::clicked, this, [this] { move(1); });
    connect(ok, &QPushButton::clicked, this, [this] { apply(); });
    fill();
    resize(420, 360);
}

void ColSettingForm::fill()
{
    const QList<DbGridColumn>& columns = m_grid->columns();
    m_table->setRowCount(int(columns.size()));
    for (int i = 0; i < columns.size(); ++i) {
        const DbGridColumn& c = columns.at(i);
        auto* shown = new QTableWidgetItem(c.fieldName);
        shown->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        shown->setCheckState(c.visible ? Qt::Checked : Qt::Unchecked);
        shown->setData(SourceRole, i);
        m_table->setItem(i, ColVisible, shown);
        m_table->setItem(i, ColTitle, new QTableWidgetItem(c.title));
        auto* width = new QTableWidgetItem;
        width->setData(Qt::EditRole, c.width); // a number: edited in a spin box
        m_table->setItem(i, ColWidth, width);
    }
    if (!columns.isEmpty())
        m_table->setCurrentCell(0, ColTitle);
}

void ColSettingForm::move(int distance)
{
    const int row = m_table->currentRow();
    const int to = row + distance;
    if (row < 0 || to < 0 || to >= m_table->rowCount())
        return;
    const int column = m_table->currentColumn();
    for (int c = 0; c < m_table->columnCount(); ++c) {
        QTableWidgetItem* a = m_table->takeItem(row, c);
        QTableWidgetItem* b = m_table->takeItem(to, c);
        m_table->setItem(row, c, b);
        m_table->setItem(to, c, a);
    }
    m_table->setCurrentCell(to, column < 0 ? ColTitle : column);
}

void ColSettingForm::apply()
{
    const QList<DbGridColumn> before = m_grid->columns();
    QList<DbGridColumn> after;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        DbGridColumn c = before.at(m_table->item(row, ColVisible)->data(SourceRole).toInt());
        c.visible = m_table->item(row, ColVisible)->checkState() == Qt::Checked;
        c.title = m_table->item(row, ColTitle)->text();
        bool ok = false;
        const int width = m_table->item(row, ColWidth)->data(Qt::EditRole).toInt(&ok);
        if (!ok || width < 0) {
            Sibling::ShowError(this, QStringLiteral("عرض ستون \"") + c.title +
                                         QStringLiteral("\" بايد عددي مثبت باشد"));
            m_table->setCurrentCell(row, ColWidth);
            return;
        }
        c.width = width;
        after << c;
    }
    const DataField* selected = m_grid->selectedField();
    const QString selectedName = selected ? selected->fieldName() : QString();
    m_grid->setColumns(after);
    // The cursor stays in the column of the same field.
    if (!selectedName.isEmpty())
        m_grid->setSelectedIndex(m_grid->columnOf(selectedName));
    accept();
}
