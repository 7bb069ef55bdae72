#pragma once

#include <QDialog>

class QLineEdit;
class ReportStore;

// Keeps the rows of a report's work table under a name the user types.
class SaveReportForm : public QDialog
{
public:
    SaveReportForm(ReportStore& store, const QString& sProg, const QString& sForm,
                   const QString& sourceTable, const QString& title, QWidget* parent = nullptr);

private:
    void save();

    ReportStore& m_store;
    QString m_prog;
    QString m_form;
    QString m_source;
    QString m_title;
    QLineEdit* m_name;
};
