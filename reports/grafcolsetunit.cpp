#include "grafcolsetunit.h"

#include "dataset.h"
#include "dbgrid.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QListWidgetItem* ColumnItem(const DbGridColumn& column)
{
    auto* item = new QListWidgetItem(column.title.isEmpty() ? column.fieldName : column.title);
    item->setData(Qt::UserRole, column.fieldName);
    return item;
}

} // namespace

TGrafColSetForm::TGrafColSetForm(DbGrid* grid, const QStringList& labels, const QString& data,
                                 QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("GrafColSetForm"));
    setWindowTitle(QStringLiteral("تنظيم ستونهاي نمودار"));
    setLayoutDirection(Qt::RightToLeft);
    setModal(true);

    lbxAllColumns = new QListWidget(this);
    lbxAllColumns->setObjectName(QStringLiteral("lbxAllColumns"));
    lbxAllColumns->setAccessibleName(QStringLiteral("ستونها"));
    grpLabelColumns = new QGroupBox(QStringLiteral("ستونهاي برچسب"), this);
    grpLabelColumns->setObjectName(QStringLiteral("grpLabelColumns"));
    lbxLabelColumns = new QListWidget(grpLabelColumns);
    lbxLabelColumns->setObjectName(QStringLiteral("lbxLabelColumns"));
    lbxLabelColumns->setAccessibleName(grpLabelColumns->title());
    auto* groupLayout = new QVBoxLayout(grpLabelColumns);
    groupLayout->addWidget(lbxLabelColumns);

    const auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    // The arrows point from the reading side's list to the other.
    cmdAdd = button("cmdAdd", QStringLiteral(">"));
    cmdAddAll = button("cmdAddAll", QStringLiteral(">>"));
    cmdRemove = button("cmdRemove", QStringLiteral("<"));
    cmdRemoveAll = button("cmdRemoveAll", QStringLiteral("<<"));
    auto* moves = new QVBoxLayout;
    moves->addStretch(1);
    for (QPushButton* b : {cmdAdd, cmdAddAll, cmdRemove, cmdRemoveAll})
        moves->addWidget(b);
    moves->addStretch(1);

    auto* dataLabel = new QLabel(QStringLiteral("ستون داده"), this);
    cbDataColumn = new QComboBox(this);
    cbDataColumn->setObjectName(QStringLiteral("cbDataColumn"));
    dataLabel->setBuddy(cbDataColumn);

    cmdOk = new QPushButton(QStringLiteral("تاييد"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("انصراف"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto* grid_ = new QGridLayout(this);
    grid_->addWidget(lbxAllColumns, 0, 0);
    grid_->addLayout(moves, 0, 1);
    grid_->addWidget(grpLabelColumns, 0, 2);
    auto* dataRow = new QHBoxLayout;
    dataRow->addWidget(dataLabel);
    dataRow->addWidget(cbDataColumn, 1);
    grid_->addLayout(dataRow, 1, 0, 1, 3);
    auto* okRow = new QHBoxLayout;
    okRow->addStretch(1);
    okRow->addWidget(cmdOk);
    okRow->addWidget(cmdCancel);
    grid_->addLayout(okRow, 2, 0, 1, 3);

    // Every column of the grid; the label columns already chosen stand on their side.
    // Only columns holding numbers can be charted.
    const DataSet* rows = grid != nullptr ? grid->dataSet() : nullptr;
    if (grid != nullptr) {
        for (const DbGridColumn& column : grid->columns()) {
            if (!labels.contains(column.fieldName, Qt::CaseInsensitive))
                lbxAllColumns->addItem(ColumnItem(column));
            const DataField* field = rows != nullptr ? rows->findField(column.fieldName) : nullptr;
            if (field != nullptr && field->kind() != DataField::Kind::Text)
                cbDataColumn->addItem(column.title.isEmpty() ? column.fieldName : column.title,
                                      column.fieldName);
        }
        for (const QString& name : labels) {
            const int index = grid->columnOf(name);
            if (index >= 0)
                lbxLabelColumns->addItem(ColumnItem(grid->columns().at(index)));
        }
    }
    const int current = cbDataColumn->findData(data, Qt::UserRole, Qt::MatchFixedString);
    if (current >= 0)
        cbDataColumn->setCurrentIndex(current);
    lbxAllColumns->setCurrentRow(0);

    connect(cmdAdd, &QPushButton::clicked, this, &TGrafColSetForm::cmdAddClick);
    connect(cmdAddAll, &QPushButton::clicked, this, &TGrafColSetForm::cmdAddAllClick);
    connect(cmdRemove, &QPushButton::clicked, this, &TGrafColSetForm::cmdRemoveClick);
    connect(cmdRemoveAll, &QPushButton::clicked, this, &TGrafColSetForm::cmdRemoveAllClick);
    connect(lbxAllColumns, &QListWidget::itemDoubleClicked, this, &TGrafColSetForm::cmdAddClick);
    connect(lbxLabelColumns, &QListWidget::itemDoubleClicked, this,
            &TGrafColSetForm::cmdRemoveClick);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QStringList TGrafColSetForm::labelFields() const
{
    QStringList names;
    for (int row = 0; row < lbxLabelColumns->count(); ++row)
        names << lbxLabelColumns->item(row)->data(Qt::UserRole).toString();
    return names;
}

QString TGrafColSetForm::dataField() const
{
    return cbDataColumn->currentData().toString();
}

void TGrafColSetForm::move(QListWidget* from, QListWidget* to, bool all)
{
    if (all) {
        while (from->count() > 0)
            to->addItem(from->takeItem(0));
    } else if (QListWidgetItem* item = from->currentItem()) {
        to->addItem(from->takeItem(from->row(item)));
        to->setCurrentItem(item);
    }
}

void TGrafColSetForm::cmdAddClick()
{
    move(lbxAllColumns, lbxLabelColumns, false);
}

void TGrafColSetForm::cmdAddAllClick()
{
    move(lbxAllColumns, lbxLabelColumns, true);
}

void TGrafColSetForm::cmdRemoveClick()
{
    move(lbxLabelColumns, lbxAllColumns, false);
}

void TGrafColSetForm::cmdRemoveAllClick()
{
    move(lbxLabelColumns, lbxAllColumns, true);
}
