#include "reppropertyform.h"

#include "dataset.h"
#include "dbgrid.h"
#include "siblingcommon.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QString KindName(DataField::Kind kind)
{
    switch (kind) {
    case DataField::Kind::Text:
        return QStringLiteral("متن");
    case DataField::Kind::Integer:
        return QStringLiteral("عدد صحيح");
    case DataField::Kind::Float:
        return QStringLiteral("عدد اعشاري");
    default:
        return QStringLiteral("نامشخص");
    }
}

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}
} // namespace

RepPropertyForm::RepPropertyForm(const QString& title, DbGrid* grid, QWidget* parent)
    : QDialog(parent)
{
    Sibling::PrepareDialog(this, "RepPropertyForm", title);
    const DataSet* ds = grid->dataSet();
    const int rows = ds && ds->active() ? ds->recordCount() : 0;

    QList<const DbGridColumn*> shown;
    for (const DbGridColumn& c : grid->columns())
        if (c.visible)
            shown << &c;

    auto* counts = new QFormLayout;
    auto* rowCount = new QLabel(QString::number(rows), this);
    rowCount->setObjectName(QStringLiteral("lblRowCount"));
    auto* columnCount = new QLabel(QString::number(shown.size()), this);
    columnCount->setObjectName(QStringLiteral("lblColumnCount"));
    counts->addRow(QStringLiteral("تعداد سطرها:"), rowCount);
    counts->addRow(QStringLiteral("تعداد ستونهاي نمايش داده شده:"), columnCount);

    auto* table = new QTableWidget(int(shown.size()), 4, this);
    table->setObjectName(QStringLiteral("tblColumns"));
    table->setAccessibleName(QStringLiteral("ستونهاي گزارش"));
    table->setHorizontalHeaderLabels({QStringLiteral("عنوان"), QStringLiteral("ستون"),
                                      QStringLiteral("نوع"), QStringLiteral("جمع")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    for (int i = 0; i < shown.size(); ++i) {
        const DbGridColumn& c = *shown.at(i);
        const DataField* f = ds ? ds->findField(c.fieldName) : nullptr;
        table->setItem(i, 0, ReadOnlyItem(c.title));
        table->setItem(i, 1, ReadOnlyItem(c.fieldName));
        table->setItem(i, 2, ReadOnlyItem(f ? KindName(f->kind()) : QString()));
        QString sum;
        if (f && (f->kind() == DataField::Kind::Integer || f->kind() == DataField::Kind::Float)) {
            // Read row by row, so that the grid's current row stays where it is.
            double total = 0;
            for (int r = 0; r < rows; ++r)
                total += ds->value(r, f->index()).toDouble();
            sum = DataField::FormatNumber(total, QStringLiteral("###,###,###,###,##0.###"));
        }
        table->setItem(i, 3, ReadOnlyItem(sum));
    }

    auto* layout = new QVBoxLayout(this);
    // The title heads the window itself too: not every desktop draws window captions.
    auto* heading = new QLabel(title, this);
    heading->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);
    layout->addLayout(counts);
    layout->addWidget(table);
    auto* ok = new QPushButton(QStringLiteral("بستن"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    resize(460, 320);
}
