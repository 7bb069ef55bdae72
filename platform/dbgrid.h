#pragma once

#include "datasetmodel.h"

#include <QTableView>
#include <functional>

class DataSet;
class DataField;
class QKeyEvent;
class QLineEdit;

// A data-entry grid bound to a data set, behaving as users of such grids expect:
// typing starts editing the cell, leaving a changed row posts it (a refused post
// keeps the cursor on the row), Down past the last row appends one, Insert adds a
// row above, Escape cancels the row's changes. Windows hook their rules on the key,
// title-click and double-click handlers and on the data set's events.
class DbGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DbGrid(QWidget* parent = nullptr);
    ~DbGrid() override;

    DataSet* dataSet() const { return m_model->dataSet(); }
    void setDataSet(DataSet* dataSet);
    DataSetModel* dataModel() const { return m_model; }

    // Columns: set all at once, or take one per field of the data set.
    void setColumns(const QList<DbGridColumn>& columns);
    const QList<DbGridColumn>& columns() const { return m_model->columns(); }
    int columnCountOfGrid() const { return int(m_model->columns().size()); }
    DbGridColumn& column(int index) { return m_model->column(index); }
    // Re-applies widths, visibility and colours after a column was changed.
    void applyColumns();
    int columnOf(const QString& fieldName) const { return m_model->columnOf(fieldName); }

    // Editing on/off (the "editing" option of the grid).
    bool editingEnabled() const { return m_model->editingEnabled(); }
    void setEditingEnabled(bool enabled);

    // The column the cursor is in, and its field.
    int selectedIndex() const;
    void setSelectedIndex(int column);
    DataField* selectedField() const;
    // Moves the cursor to the column of `fieldName` and focuses the grid.
    void focusField(const QString& fieldName);
    // Opens the cell editor in the current cell.
    void editCurrentCell();
    // Writes the open cell editor's text into the data set.
    void commitEditor();
    bool editorOpen() const;
    QLineEdit* cellEditor() const;

    // Hooks. A key-down handler returns true when it consumed the key. A key-press
    // handler sees each typed character in the grid and in its cell editor and
    // returns the character to type (the same, another, or a null QChar to drop it).
    std::function<bool(DbGrid&, QKeyEvent*)> onKeyDown;
    std::function<QChar(DbGrid&, QChar)> onKeyPress;
    std::function<void(DbGrid&, int column)> onTitleClick;
    std::function<void(DbGrid&)> onDblClick;
    // A database error on a post the grid started (leaving a row); by default a
    // message box.
    std::function<void(DbGrid&, const QString& message)> onError;

signals:
    void cellEditorOpened(QLineEdit* editor);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class DbGridDelegate;
    bool editorEventFilter(QObject* watched, QEvent* event);
    void syncFromDataSet(int row);
    bool tryPost();
    void reportError(const QString& message);
    bool handleTypedText(QKeyEvent* event, QLineEdit* editor);
    void appendAtEnd();

    DataSetModel* m_model;
    bool m_syncing = false;
    int m_pendingColumn = 0;
    int m_chosenColumn = -1;
    QLineEdit* m_editor = nullptr;
};
