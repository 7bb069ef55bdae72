#include "ncommanddelegate.h"

#include "dataset.h"
#include "dbgrid.h"

#include <QPointer>
#include <QStyledItemDelegate>

namespace {

class OrderRowDelegate : public QStyledItemDelegate
{
public:
    OrderRowDelegate(DbGrid* grid, QAbstractItemDelegate* editing, const QString& oldField,
                     const QString& tickField, const QString& mark)
        : QStyledItemDelegate(grid), m_grid(grid), m_editing(editing), m_oldField(oldField),
          m_tickField(tickField), m_mark(mark)
    {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        return m_editing ? m_editing->createEditor(parent, option, index) : nullptr;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (m_editing)
            m_editing->setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        if (m_editing)
            m_editing->setModelData(editor, model, index);
    }
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override
    {
        if (m_editing)
            m_editing->updateEditorGeometry(editor, option, index);
    }
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (m_editing)
            m_editing->destroyEditor(editor, index);
        else
            QStyledItemDelegate::destroyEditor(editor, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        DataSet* ds = m_grid ? m_grid->dataSet() : nullptr;
        if (!ds || !ds->active())
            return;
        const DataField* old = ds->findField(m_oldField);
        if (old && ds->value(index.row(), old->index()).toString().trimmed() == m_mark)
            option->palette.setColor(QPalette::Text, Qt::red);
        if (m_grid->columnOf(m_tickField) == index.column() && option->text.trimmed() == m_mark)
            option->text = QStringLiteral("\u2713");
    }

private:
    QPointer<DbGrid> m_grid;
    QPointer<QAbstractItemDelegate> m_editing;
    QString m_oldField;
    QString m_tickField;
    QString m_mark;
};

} // namespace

void InstallOrderRowDelegate(DbGrid* grid, const QString& oldField, const QString& tickField,
                             const QString& mark)
{
    auto* delegate = new OrderRowDelegate(grid, grid->itemDelegate(), oldField, tickField, mark);
    for (int column = 0; column < grid->columnCountOfGrid(); ++column)
        grid->setItemDelegateForColumn(column, delegate);
}
