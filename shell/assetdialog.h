#pragma once

#include "assetdefinitions.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <optional>

class DbConnection;
class QComboBox;
class QLabel;
class QLineEdit;

// "تعريف دارايي ها": the company's assets defined one at a time, keyboard first. The
// code comes first: Enter on a code the register has reads that asset, on another one
// starts a new asset of that code (on an empty box, the code after the highest). Enter
// walks the fields; Enter in the last one, or Ctrl+S anywhere, stores; Ctrl+Delete
// removes the asset read (after asking). A refusal is said in a message and the cursor
// goes to the field at fault; nothing typed is lost. After a store the form waits for
// the next code, keeping the lists' choices for the next asset of the same kind.
// `firstInUse` is the date of use a new asset starts with (the session's today: an asset
// to be bought is put into use on its purchase's day or later).
class AssetDialog : public QDialog
{
    Q_OBJECT
public:
    AssetDialog(DbConnection* connection, int userId, const QString& firstInUse,
                QWidget* parent = nullptr);

    // Stores the asset on the screen (the window stays open).
    void store();
    // Removes the asset read, after asking.
    void remove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Field = AssetDefinitions::Field;
    QLineEdit* lineEdit(const QString& objectName, bool digits);
    QComboBox* comboBox(const QString& objectName, const QList<AssetDefinitions::Choice>& choices,
                        bool optional);
    void addField(const QString& label, QWidget* widget, Field which);
    void readCode();
    void show(const AssetDefinitions::Asset& asset);
    void startNew(const QString& code);
    void methodChosen();
    void kollChosen();
    // The asset on the screen, or the field whose text is no number.
    std::optional<AssetDefinitions::Asset> typed(Field* wrong) const;
    void refuse(const QString& text, Field field);
    void enterIn(QWidget* field);
    void chooseTyped(QComboBox* box, const QString& text);
    void setState(const QString& text);

    DbConnection* m_connection;
    int m_userId;
    QString m_firstInUse;
    std::optional<AssetDefinitions::Asset> m_read; // the asset as read, while one is edited
    struct Row
    {
        QWidget* widget;
        Field which;
    };
    QList<Row> m_rows;
    class QFormLayout* m_form;
    QLineEdit* m_code;
    QLineEdit* m_name;
    QComboBox* m_taxGroup;
    QComboBox* m_article;
    QComboBox* m_method;
    QLineEdit* m_rate;
    QLineEdit* m_life;
    QLineEdit* m_inUse;
    QLineEdit* m_cost;
    QLineEdit* m_accumulated;
    QLineEdit* m_salvage;
    QComboBox* m_place;
    QComboBox* m_holder;
    QComboBox* m_costCentre;
    QComboBox* m_condition;
    QComboBox* m_source;
    QComboBox* m_koll;
    QComboBox* m_moein;
    QLabel* m_state;
    QComboBox* m_typedIn = nullptr;
    QElapsedTimer m_typedSince;
    QString m_typed;
};
