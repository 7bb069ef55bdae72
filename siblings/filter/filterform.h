#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class DataSet;
class QComboBox;
class QLineEdit;
class QListWidget;

// The condition builder: one condition per row (field, operator, value), each joined
// to the ones before it by And/Or. The rows read left to right: "A و B يا C" keeps
// the rows of (A and B) or C.
class FilterForm : public QDialog
{
public:
    FilterForm(DataSet* dataSet, const QString& statement, QWidget* parent = nullptr);

    // The statement keeping the rows that meet the conditions; empty without any.
    QString resultStatement() const;

private:
    struct Condition
    {
        QString join; // "AND" / "OR"; ignored for the first row
        QString sql;
    };

    // Adds the condition being typed; false (after saying why) when it is not valid.
    bool addCondition();
    void removeCondition();
    void acceptConditions();
    void operatorChanged();
    // The SQL of the condition on the form's inputs; empty (after a message) when the
    // value does not suit the field.
    QString conditionSql();

    DataSet* m_dataSet;
    QString m_statement;
    QList<Condition> m_conditions;
    QComboBox* m_field;
    QComboBox* m_operator;
    QLineEdit* m_value;
    QComboBox* m_join;
    QListWidget* m_list;
};
