#pragma once

#include "lookuptables.h"

#include <QDialog>
#include <optional>

class DbConnection;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

// "جداول پايه": the entries of the look-up tables (places, persons, conditions, ...),
// keyboard first. The table is chosen first; its entries are listed beside the form.
// Enter on a code the table has reads that entry (as does Enter on it in the list),
// another code starts a new one; Enter walks the name (and family) and stores from the
// last; Ctrl+S stores, Ctrl+Delete removes after asking. A refusal is said in a message
// and the cursor goes to the box at fault; nothing typed is lost.
class LookupDialog : public QDialog
{
    Q_OBJECT
public:
    LookupDialog(DbConnection* connection, int userId, QWidget* parent = nullptr);

    void store();
    void remove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Field = LookupTables::Field;
    LookupTables::Table table() const;
    void tableChosen();
    void readCode();
    void show(const LookupTables::Entry& entry);
    void clearForm();
    void refuse(const QString& text, Field field);

    DbConnection* m_connection;
    int m_userId;
    QList<LookupTables::Entry> m_entries;
    std::optional<LookupTables::Entry> m_read;
    QComboBox* m_table;
    QListWidget* m_list;
    QLineEdit* m_code;
    QLineEdit* m_name;
    QLineEdit* m_family;
    QLabel* m_familyLabel;
    QLabel* m_state;
};
