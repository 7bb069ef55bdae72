#pragma once

#include "excelimportstore.h"

#include <QDialog>

class DbConnection;
class QFrame;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;
class TCaptionPanel;

// The saved forms window of the spreadsheet import: the list of this module's saved
// column-marking forms (the default one ticked), a name box to store the import
// window's present markings under, a double click to make a form the default one.
// exec() ends with 1 when a form was chosen to apply (chosenForm()), 2 otherwise.
class TFrm_Excel_Forms : public QDialog
{
    Q_OBJECT
public:
    TFrm_Excel_Forms(DbConnection* db, const QList<ExcelImportStore::FormSlot>& formSlots,
                     QWidget* parent = nullptr);

    int chosenForm() const { return m_chosen; }

    TCaptionPanel* Caption_Panel;
    QFrame* Close_Shape;
    QToolButton* sb_Closed;
    QTableWidget* dbgForms;
    QLineEdit* edtFormName;
    QPushButton* btnSave;
    QPushButton* btnOk;
    QPushButton* btnCancel;

public slots:
    void btnSaveClick();
    void btnOkClick();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh(int select);
    void makeDefault(int row);
    int selectedForm() const;

    DbConnection* m_db;
    QList<ExcelImportStore::FormSlot> m_slots;
    int m_chosen = 0;
};
