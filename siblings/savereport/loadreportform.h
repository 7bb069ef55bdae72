#pragma once

#include <QDialog>

class QListWidget;
class ReportStore;

// The stored reports of one window: choose one to open, or delete one.
class LoadReportForm : public QDialog
{
public:
    LoadReportForm(ReportStore& store, const QString& sProg, const QString& sForm,
                   QWidget* parent = nullptr);

    bool isEmpty() const;
    // The chosen report's table.
    QString tableName() const { return m_table; }

private:
    void fill();
    void choose();
    void deleteCurrent();

    ReportStore& m_store;
    QString m_prog;
    QString m_form;
    QListWidget* m_list;
    QString m_table;
};
