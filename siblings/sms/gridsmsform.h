#pragma once

#include <QDialog>
#include <QStringList>

class DbGrid;
class QComboBox;
class QPlainTextEdit;

// Queues one text message per grid row that has a number, in the outbox table of
// the grid's database; a sending service takes them from there.
class GridSmsForm : public QDialog
{
public:
    GridSmsForm(DbGrid* grid, const QString& sender, QWidget* parent = nullptr);

    // The first row a message was queued for (-1 when none), and how many were.
    int firstRow() const { return m_firstRow; }
    int queued() const { return m_queued; }
    QString numberField() const;

private:
    void send();

    DbGrid* m_grid;
    QString m_sender;
    QComboBox* m_number;
    QPlainTextEdit* m_message;
    int m_firstRow = -1;
    int m_queued = 0;
};
