#pragma once

#include "companybooks.h"
#include "databasefolder.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QLineEdit;

// The host's windows that make an office's own books: a company of its own and the
// fiscal year after a period. Right to left and keyboard first: Enter walks the
// fields, each checked as Enter leaves it, and Enter in the last one makes the
// period; Persian digits in codes, years, widths and dates go in as 0-9. A refusal is
// said in a message and the cursor goes to the field at fault; nothing typed is lost.
class BooksDialog : public QDialog
{
    Q_OBJECT
public:
    explicit BooksDialog(const QString& place, QWidget* parent);

public slots:
    // Makes the period; the window closes only once it is made.
    void accept() override;

protected:
    // Adds a row to the form; `digits` takes Persian digits as 0-9.
    void addField(const QString& label, QWidget* field, BooksField which, bool digits = false);
    // What the fields ask for, checked without writing anything.
    virtual BooksOutcome check() const = 0;
    virtual BooksOutcome make() const = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QLineEdit* lineEdit(const QString& objectName, const QString& text = QString());

    QString m_place;

private:
    struct Field
    {
        QWidget* widget;
        BooksField which;
    };
    void enterIn(QWidget* field);
    void refuse(const BooksOutcome& outcome);
    int indexOf(BooksField which) const;

    QList<Field> m_fields;
    class QFormLayout* m_form;
};

// "شرکت جديد": the company's code, name, first fiscal year and its dates, where its
// chart comes from, and its settings.
class NewCompanyDialog : public BooksDialog
{
    Q_OBJECT
public:
    // `maker` makes the company; `usersFrom` (a period of `place`, or none) gives it
    // its users. Without it the maker is the company's first user and administrator,
    // whose name and password (twice) the window asks last.
    NewCompanyDialog(const QString& place, int makerId, const QString& makerName,
                     const QString& usersCompany, const QString& usersYear,
                     QWidget* parent = nullptr);

    NewCompany request() const;

protected:
    BooksOutcome check() const override;
    BooksOutcome make() const override;

private:
    void chartChosen();

    int m_makerId;
    QString m_makerName;
    QString m_usersCompany;
    QString m_usersYear;
    QList<CompanyPeriod> m_periods;
    QLineEdit* m_code;
    QLineEdit* m_name;
    QLineEdit* m_year;
    QLineEdit* m_start;
    QLineEdit* m_end;
    QComboBox* m_chart;
    QLineEdit* m_tafsily2Name;
    QLineEdit* m_projectName;
    QLineEdit* m_tafsilyWidth;
    QLineEdit* m_tafsily2Width;
    QLineEdit* m_projectWidth;
    QComboBox* m_timing;
    QComboBox* m_lifeUnit;
    QComboBox* m_assetCodes;
    QComboBox* m_accountCodes;
    QLineEdit* m_maker = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_repeat = nullptr;
};

// "دوره مالي بعد": the period after one of the company's periods.
class NextYearDialog : public BooksDialog
{
    Q_OBJECT
public:
    // Proposes the period after `fromYear` of `company`.
    NextYearDialog(const QString& place, const QString& company, const QString& fromYear,
                   int userId, const QString& userName, QWidget* parent = nullptr);

    NextYear request() const;

protected:
    BooksOutcome check() const override;
    BooksOutcome make() const override;

private:
    void propose();

    QString m_company;
    int m_userId;
    QString m_userName;
    QList<CompanyPeriod> m_periods;
    QComboBox* m_from;
    QLineEdit* m_year;
    QLineEdit* m_start;
    QLineEdit* m_end;
};
