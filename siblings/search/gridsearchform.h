#pragma once

#include <QDialog>

class DbGrid;
class QCheckBox;
class QComboBox;
class QLineEdit;

// Finds the first row, from the top, whose chosen column holds the typed text (or
// is exactly that text). The data set is not moved: the caller is told the row.
class GridSearchForm : public QDialog
{
public:
    explicit GridSearchForm(DbGrid* grid, QWidget* parent = nullptr);

    // The field searched and the row found (-1 when none).
    QString fieldName() const;
    int foundRow() const { return m_row; }

private:
    void search();
    bool matches(int row, int field, int column, const QString& wanted, bool whole) const;

    DbGrid* m_grid;
    QComboBox* m_field;
    QLineEdit* m_value;
    QCheckBox* m_whole;
    int m_row = -1;
};
