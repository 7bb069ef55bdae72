#pragma once

#include <QDialog>
#include <QList>

class DbGrid;
class QCheckBox;
class QComboBox;

// Up to three sort levels over the grid's data set, each ascending or descending.
class AdvSortForm : public QDialog
{
public:
    explicit AdvSortForm(DbGrid* grid, QWidget* parent = nullptr);

    // "A, B DESC" for the chosen levels; empty restores the report's own order.
    QString sortText() const;

private:
    void presetFrom(const QString& sort);

    QList<QComboBox*> m_fields;
    QList<QCheckBox*> m_desc;
};
