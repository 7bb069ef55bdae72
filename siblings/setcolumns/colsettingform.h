#pragma once

#include <QDialog>

class DbGrid;
class QTableWidget;

// The grid's columns as a table: shown or not, title and width, and their order.
// OK writes the table back to the grid; Cancel leaves the grid as it was.
class ColSettingForm : public QDialog
{
public:
    explicit ColSettingForm(DbGrid* grid, QWidget* parent = nullptr);

private:
    void fill();
    void move(int distance);
    void apply();

    DbGrid* m_grid;
    QTableWidget* m_table;
};
