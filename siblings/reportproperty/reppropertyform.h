#pragma once

#include <QDialog>

class DbGrid;

// What a report holds: its rows, its shown columns and, per shown column, the field
// behind it, the field's kind and, for numbers, the total over all rows.
class RepPropertyForm : public QDialog
{
public:
    RepPropertyForm(const QString& title, DbGrid* grid, QWidget* parent = nullptr);
};
