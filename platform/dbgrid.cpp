#include "dbgrid.h"

#include "databaseerror.h"
#include "dataset.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyledItemDelegate>
#include <algorithm>

// The cell editor: a line edit limited to the field's declared width, whose keys
// go through the grid's hooks first.
class DbGridDelegate : public QStyledItemDelegate
{
public:
    explicit DbGridDelegate(DbGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        // A zero-filled code (project, detail accounts) is cut at its start, so that
        // its significant digits stay in sight in a narrow column.
        const QString& text = option->text;
        if (text.size() > 1 && text.startsWith(QLatin1Char('0')) &&
            std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); }))
            option->textElideMode = Qt::ElideLeft;
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setLayoutDirection(m_grid->layoutDirection());
        // Named after its column's title for assistive tools.
        editor->setAccessibleName(
            index.model()->headerData(index.column(), Qt::Horizontal).toString());
        const int f = m_grid->m_model->fieldIndex(index.column());
        DataSet* ds = m_grid->dataSet();
        if (ds && f >= 0) {
            const DataField* field = ds->field(f);
            if (field->kind() == DataField::Kind::Text && field->size() > 0)
                editor->setMaxLength(field->size());
        }
        editor->installEventFilter(m_grid);
        m_grid->m_editor = editor;
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* line = static_cast<QLineEdit*>(editor);
        line->setText(index.data(Qt::EditRole).toString());
        line->selectAll();
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        auto* line = static_cast<QLineEdit*>(editor);
        const QString before = index.data(Qt::EditRole).toString();
        if (line->text() == before)
            return;
        try {
            model->setData(index, line->text(), Qt::EditRole);
        } catch (const DatabaseError& e) {
            m_grid->reportError(DatabaseFailureText(e));
        }
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (m_grid->m_editor == editor)
            m_grid->m_editor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

private:
    DbGrid* m_grid;
};

DbGrid::DbGrid(QWidget* parent) : QTableView(parent), m_model(new DataSetModel(this))
{
    setModel(m_model);
    // A view lays all its items out again on any change of header data, measuring
    // its headers' contents to size them. The row indicator (vertical header data)
    // moves on every step through the rows, and the indicator's header has a fixed
    // width: it repaints its own sections, nothing is laid out. A title may change
    // the height of the column header, which is laid out as before.
    disconnect(m_model, SIGNAL(headerDataChanged(Qt::Orientation, int, int)), this,
               SLOT(_q_headerDataChanged()));
    connect(m_model, &QAbstractItemModel::headerDataChanged, this,
            [this](Qt::Orientation orientation) {
                if (orientation == Qt::Horizontal)
                    scheduleDelayedItemsLayout();
            });
    setItemDelegate(new DbGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
    setTabKeyNavigation(true);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(16);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (onTitleClick)
            onTitleClick(*this, section);
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                // Hiding a column collapses its section; the column keeps its width.
                if (size > 0 && section >= 0 && section < m_model->columns().size())
                    m_model->column(section).width = size;
            });
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, [this] {
        // Dragging a title reorders the columns themselves, so that the column
        // list stays in the order the user sees.
        QList<DbGridColumn> ordered;
        for (int visual = 0; visual < horizontalHeader()->count(); ++visual)
            ordered << m_model->columns().at(horizontalHeader()->logicalIndex(visual));
        const QString field = selectedField() ? selectedField()->fieldName() : QString();
        QSignalBlocker block(horizontalHeader());
        for (int logical = 0; logical < horizontalHeader()->count(); ++logical)
            horizontalHeader()->moveSection(horizontalHeader()->visualIndex(logical), logical);
        setColumns(ordered);
        if (!field.isEmpty())
            setSelectedIndex(columnOf(field));
    });
    horizontalHeader()->setSectionsMovable(true);
}

DbGrid::~DbGrid() = default;

void DbGrid::setDataSet(DataSet* dataSet)
{
    if (DataSet* old = m_model->dataSet())
        old->unwatch(this);
    m_model->setDataSet(dataSet);
    if (dataSet) {
        DataSet::Watch watch;
        watch.currentRowChanged = [this](int row) { syncFromDataSet(row); };
        watch.reset = [this] {
            if (m_model->columns().isEmpty() && this->dataSet()->active()) {
                m_model->setDefaultColumns();
                applyColumns();
            }
            syncFromDataSet(this->dataSet()->currentRow());
        };
        dataSet->watch(this, std::move(watch));
        if (m_model->columns().isEmpty() && dataSet->active()) {
            m_model->setDefaultColumns();
            applyColumns();
        }
        syncFromDataSet(dataSet->currentRow());
    }
}

void DbGrid::setColumns(const QList<DbGridColumn>& columns)
{
    m_model->setColumns(columns);
    applyColumns();
}

void DbGrid::applyColumns()
{
    const QList<DbGridColumn>& columns = m_model->columns();
    for (int i = 0; i < columns.size(); ++i) {
        setColumnWidth(i, columns.at(i).width);
        setColumnHidden(i, !columns.at(i).visible);
        m_model->refreshColumn(i);
    }
}

void DbGrid::setEditingEnabled(bool enabled)
{
    m_model->setEditingEnabled(enabled);
    if (!enabled && editorOpen())
        commitEditor();
    viewport()->update();
}

int DbGrid::selectedIndex() const
{
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

void DbGrid::setSelectedIndex(int column)
{
    if (column < 0 || column >= m_model->columnCount())
        return;
    DataSet* ds = dataSet();
    const int row = ds && ds->currentRow() >= 0 ? ds->currentRow() : 0;
    m_syncing = true;
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(row, column));
    else
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    m_syncing = false;
    m_pendingColumn = column;
    m_chosenColumn = column;
}

DataField* DbGrid::selectedField() const
{
    DataSet* ds = dataSet();
    int column = selectedIndex();
    if (column < 0)
        column = m_pendingColumn;
    const int f = m_model->fieldIndex(column);
    return ds && f >= 0 ? ds->field(f) : nullptr;
}

void DbGrid::focusField(const QString& fieldName)
{
    const int column = columnOf(fieldName);
    if (column >= 0)
        setSelectedIndex(column);
    setFocus(Qt::OtherFocusReason);
}

void DbGrid::editCurrentCell()
{
    if (currentIndex().isValid())
        QTableView::edit(currentIndex());
}

bool DbGrid::editorOpen() const
{
    return m_editor != nullptr;
}

QLineEdit* DbGrid::cellEditor() const
{
    return m_editor;
}

void DbGrid::commitEditor()
{
    if (!m_editor)
        return;
    QLineEdit* editor = m_editor;
    // The cursor stays in the grid when its cell editor goes, also when the window
    // has just come back from a modal window and is not yet the active one.
    const bool focused = editor->hasFocus() || editor->window()->focusWidget() == editor;
    commitData(editor);
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (focused)
        setFocus(Qt::OtherFocusReason);
}

void DbGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    if (hint == QAbstractItemDelegate::RevertModelCache) {
        // Escape in the cell: the row's changes go too.
        DataSet* ds = dataSet();
        if (ds && (ds->state() == DataSet::State::Edit || ds->state() == DataSet::State::Insert))
            ds->cancel();
    }
}

void DbGrid::syncFromDataSet(int row)
{
    if (m_syncing)
        return;
    m_syncing = true;
    const int column = currentIndex().isValid() ? currentIndex().column()
                                                : (m_pendingColumn >= 0 ? m_pendingColumn : 0);
    if (row >= 0 && row < m_model->rowCount() && column < m_model->columnCount()) {
        const QModelIndex target = m_model->index(row, column);
        if (currentIndex() != target)
            setCurrentIndex(target);
        scrollTo(target);
    }
    m_syncing = false;
}

void DbGrid::reportError(const QString& message)
{
    if (onError) {
        onError(*this, message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString(), message, QMessageBox::Ok, this);
    box.setLayoutDirection(Qt::RightToLeft);
    box.exec();
}

bool DbGrid::tryPost()
{
    DataSet* ds = dataSet();
    if (!ds || !ds->active())
        return true;
    if (ds->state() == DataSet::State::Insert && !ds->modified()) {
        ds->cancel();
        return true;
    }
    try {
        return ds->post();
    } catch (const DatabaseError& e) {
        reportError(DatabaseFailureText(e));
        return false;
    }
}

void DbGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        m_pendingColumn = current.column();
    if (m_syncing || !current.isValid())
        return;
    DataSet* ds = dataSet();
    if (!ds || !ds->active() || current.row() == ds->currentRow())
        return;
    // Leaving a row: post it; a refusal brings the cursor back.
    const int wanted = current.row();
    bool moved = false;
    // A refusing handler may put the cursor into the column at fault; that column
    // stays when the cursor comes back to the row.
    m_chosenColumn = -1;
    try {
        moved = ds->setCurrentRow(wanted);
    } catch (const DatabaseError& e) {
        reportError(DatabaseFailureText(e));
    }
    if (!moved) {
        m_syncing = true;
        const int back = ds->currentRow();
        if (back >= 0 && back < m_model->rowCount())
            setCurrentIndex(m_model->index(
                back, m_chosenColumn >= 0
                          ? m_chosenColumn
                          : (previous.isValid() ? previous.column() : current.column())));
        m_syncing = false;
    }
}

void DbGrid::appendAtEnd()
{
    DataSet* ds = dataSet();
    if (!ds || !ds->active() || ds->readOnly() || !editingEnabled())
        return;
    if (ds->state() == DataSet::State::Insert && !ds->modified())
        return; // an empty new row is not followed by another
    if (!tryPost())
        return;
    ds->append();
}

bool DbGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool opened = QTableView::edit(index, trigger, event);
    if (opened && m_editor) {
        // The view put the delegate's own filter in front of ours; ours goes first
        // again, so that Enter is the grid's and not also queued by the delegate.
        m_editor->installEventFilter(this);
        emit cellEditorOpened(m_editor);
    }
    return opened;
}

bool DbGrid::handleTypedText(QKeyEvent* event, QLineEdit* editor)
{
    // Returns true when the typed text was replaced or dropped by the hook.
    if (!onKeyPress || event->text().isEmpty())
        return false;
    const QChar typed = event->text().at(0);
    if (!typed.isPrint() && typed != QChar(8))
        return false;
    const QChar mapped = onKeyPress(*this, typed);
    if (mapped == typed)
        return false;
    if (!mapped.isNull() && editor)
        editor->insert(QString(mapped));
    return true;
}

bool DbGrid::event(QEvent* event)
{
    // A window's handler that fails on the database while the user types or
    // clicks reports its error here instead of unwinding through the event loop.
    try {
        return QTableView::event(event);
    } catch (const DatabaseError& e) {
        reportError(DatabaseFailureText(e));
        return true;
    }
}

bool DbGrid::viewportEvent(QEvent* event)
{
    try {
        return QTableView::viewportEvent(event);
    } catch (const DatabaseError& e) {
        reportError(DatabaseFailureText(e));
        return true;
    }
}

bool DbGrid::eventFilter(QObject* watched, QEvent* event)
{
    try {
        return editorEventFilter(watched, event);
    } catch (const DatabaseError& e) {
        reportError(DatabaseFailureText(e));
        return true;
    }
}

bool DbGrid::editorEventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (onKeyDown && onKeyDown(*this, key))
            return true;
        if (handleTypedText(key, m_editor))
            return true;
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // Row moves leave the cell editor and act on the grid.
            commitEditor();
            keyPressEvent(key);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            commitEditor();
            return true;
        default:
            break;
        }
    }
    return QTableView::eventFilter(watched, event);
}

// The view knows the rows of a data set read in chunks only as far as they have been
// read: Ctrl+End goes to the last row of the result, so the view learns of every row
// first (one count; the rows themselves are read when they are shown).
QModelIndex DbGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    if (action == MoveEnd && (modifiers & Qt::ControlModifier) &&
        m_model->canFetchMore(QModelIndex()))
        m_model->fetchMore(QModelIndex());
    return QTableView::moveCursor(action, modifiers);
}

void DbGrid::keyPressEvent(QKeyEvent* event)
{
    if (onKeyDown && onKeyDown(*this, event))
        return;
    DataSet* ds = dataSet();
    const bool active = ds && ds->active();
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Tab walks the cells; Ctrl+Tab (Ctrl+Shift+Tab backwards) leaves the grid for
        // the window's other controls, its buttons among them.
        if (event->modifiers() & Qt::ControlModifier) {
            commitEditor();
            QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab &&
                                        !(event->modifiers() & Qt::ShiftModifier));
            return;
        }
        break;
    case Qt::Key_Escape:
        if (active &&
            (ds->state() == DataSet::State::Edit || ds->state() == DataSet::State::Insert)) {
            ds->cancel();
            return;
        }
        break;
    case Qt::Key_Down:
        if (active && event->modifiers() == Qt::NoModifier &&
            (ds->isEmpty() || currentIndex().row() >= m_model->rowCount() - 1)) {
            appendAtEnd();
            return;
        }
        break;
    case Qt::Key_Insert:
        if (active && event->modifiers() == Qt::NoModifier && editingEnabled() && !ds->readOnly()) {
            if (tryPost())
                ds->insert();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (active && ds->isEmpty() && editingEnabled() && !ds->readOnly()) {
            ds->append();
            return;
        }
        break;
    default: {
        const bool printable = !event->text().isEmpty() && event->text().at(0).isPrint();
        const QChar typed = printable ? event->text().at(0) : QChar();
        // The key rule first: a key it drops starts nothing.
        const QChar mapped = printable && onKeyPress ? onKeyPress(*this, typed) : typed;
        if (printable && mapped.isNull())
            return;
        // Typing into an empty grid starts its first row, whatever the rule made of
        // the key (a Persian digit read as its Latin one included).
        if (printable && active && ds->isEmpty() && editingEnabled() && !ds->readOnly())
            ds->append();
        if (mapped != typed) {
            QKeyEvent replaced(event->type(), event->key(), event->modifiers(), QString(mapped));
            QTableView::keyPressEvent(&replaced);
            return;
        }
        break;
    }
    }
    QTableView::keyPressEvent(event);
}

void DbGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && currentIndex() != index)
        setCurrentIndex(index);
    if (onDblClick) {
        onDblClick(*this);
        return;
    }
    if (index.isValid() && (m_model->flags(index) & Qt::ItemIsEditable))
        QTableView::edit(index);
}
