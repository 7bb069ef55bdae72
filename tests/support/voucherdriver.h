#pragma once

// Drives a voucher window as a user does: keys into the number and date edits, keys
// into the grid (its open cell editor when there is one), Persian text as typed text.

#include "commandquery.h"
#include "dataset.h"
#include "dbgrid.h"
#include "demohost.h"
#include "voucherform.h"

#include "dbconnection.h"
#include "storedcolumn.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

// A voucher window of kind Form, shown as a user sees it.
template <typename Form> std::unique_ptr<Form> OpenForm(int width = 1200)
{
    auto form = std::make_unique<Form>();
    form->resize(width, 700);
    form->show();
    QCoreApplication::processEvents();
    return form;
}
// The number the next new voucher of `table` takes.
inline QString NextNumber(DemoHost& host, const QString& table)
{
    return host.scalar("SELECT COALESCE(MAX(CAST(SanadNoAmval AS INTEGER)), 0) + 1 FROM " + table);
}
// `count` assets put into use before the fiscal year and neither sold nor retired for
// good, that also meet `condition` (on D_Amval): their trimmed codes in code order.
inline QStringList AssetsInUse(DemoHost& host, int count, const QString& condition = "1 = 1")
{
    return Column(host.db(), "SELECT TRIM(DaraCod) FROM D_Amval WHERE BahreDate < '" +
                                 host.global.FiscalYear +
                                 "/01/01' AND DaraCod NOT IN (SELECT "
                                 "DaraCod FROM D_ForoshDaymeh) AND DaraCod NOT IN (SELECT DaraCod "
                                 "FROM D_KenarD) AND " +
                                 condition + " ORDER BY DaraCod LIMIT " + QString::number(count));
}
// Columns a test does not type, set directly on the current row.
inline void SetRow(DataSet* ds, const QVariantMap& values)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        ds->fieldByName(it.key())->setValue(it.value());
}

// The text as a Persian keyboard types it: digits 0-9 as Persian digits.
inline QString PersianDigits(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += c.isDigit() ? QChar(0x06F0 + c.digitValue()) : c;
    return out;
}

class VoucherDriver
{
public:
    VoucherDriver(DemoHost& host, TVoucherForm* form) : m_host(&host), m_form(form) {}

    // Every insert into `table` fails with `why` until AllowInserts(): a save that
    // breaks off halfway. Each engine has its own trigger syntax.
    static void RefuseInserts(DemoHost& host, const QString& table, const QString& why)
    {
        if (host.db().isServer()) {
            host.exec("CREATE FUNCTION refuse_insert() RETURNS trigger LANGUAGE plpgsql AS "
                      "$$BEGIN RAISE EXCEPTION '" +
                      why + "'; END$$");
            host.exec("CREATE TRIGGER refuse_insert BEFORE INSERT ON " + table +
                      " FOR EACH ROW EXECUTE FUNCTION refuse_insert()");
        } else {
            host.exec("CREATE TRIGGER refuse_insert BEFORE INSERT ON " + table +
                      " BEGIN SELECT RAISE(ABORT, '" + why + "'); END");
        }
    }
    static void AllowInserts(DemoHost& host, const QString& table)
    {
        host.exec(host.db().isServer() ? "DROP TRIGGER refuse_insert ON " + table
                                       : QStringLiteral("DROP TRIGGER refuse_insert"));
    }

    QString lastMessage() const
    {
        return m_host->dlgMsg->shown.isEmpty() ? QString() : m_host->dlgMsg->shown.last().text;
    }
    QString currentColumn() const
    {
        const DataField* f = m_form->dbgAsnad->selectedField();
        return f ? f->fieldName() : QString();
    }
    // Keys go where the user's keys would: into the open cell editor, else the grid.
    QWidget* gridTarget() const
    {
        QLineEdit* editor = m_form->dbgAsnad->cellEditor();
        return editor ? static_cast<QWidget*>(editor) : m_form->dbgAsnad;
    }
    void gridKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(gridTarget(), key, modifiers);
    }
    // Persian letters have no key code of their own: they come as text.
    static void typeChar(QWidget* target, QChar c)
    {
        if (c.unicode() < 128)
            QTest::keyClicks(target, QString(c));
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void gridType(const QString& text) const
    {
        for (const QChar c : text)
            typeChar(gridTarget(), c);
    }
    // Types into the cell and presses Enter.
    void cell(const QString& text) const
    {
        gridType(text);
        gridKey(Qt::Key_Return);
    }
    static void enter(QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }

    // Number, Enter, the proposed date (or `date`), Enter in the year: the grid opens.
    void startVoucher(const QString& number, const QString& date = QString()) const
    {
        m_form->SanadID->selectAll();
        QTest::keyClicks(m_form->SanadID, number);
        enter(m_form->SanadID);
        if (!date.isEmpty()) {
            for (auto [edit, part] :
                 {std::pair{m_form->mYear, date.left(4)}, std::pair{m_form->mMonth, date.mid(5, 2)},
                  std::pair{m_form->mDay, date.mid(8, 2)}}) {
                edit->setFocus();
                edit->selectAll();
                QTest::keyClicks(edit, part);
            }
        }
        enter(m_form->mYear);
    }

    // A new voucher of the window's kind on the number the next one takes, dated
    // `date`, the cursor on its first row. Returns the number.
    QString newVoucher(const QString& date) const
    {
        const QString number = NextNumber(*m_host, m_form->Kind().Table());
        startVoucher(number, date);
        gridKey(Qt::Key_Return);
        return number;
    }

    // Sets `changes` on the row being added (a value that is one of `names`' placeholders,
    // such as "<sold>", takes what it stands for) and posts it from the form number, with
    // any list a check opens cancelled: the post is refused, the first message shown is
    // `message` (its placeholders filled) and the cursor is in `column`.
    void expectRefused(QVariantMap changes, const QList<std::pair<QString, QString>>& names,
                       QString message, const QString& column) const
    {
        for (const auto& [name, value] : names) {
            for (QVariant& change : changes)
                change = change.toString() == name ? value : change;
            message.replace(name, value);
        }
        m_host->dlgMsg->shown.clear();
        m_host->tempGridForm->cancel();
        SetRow(m_form->quAsnad, changes);
        m_form->dbgAsnad->focusField("Bargeh");
        const bool posted = m_form->quAsnad->post();
        m_host->tempGridForm->answers.clear(); // the cancel, when no list opened
        QVERIFY2(!posted, qPrintable(message));
        QVERIFY2(!m_host->dlgMsg->shown.isEmpty(), qPrintable(message));
        QCOMPARE(m_host->dlgMsg->shown.first().text, message);
        QCOMPARE(currentColumn(), column);
        QCOMPARE(m_form->quAsnad->state(), DataSet::State::Insert);
    }

private:
    DemoHost* m_host;
    TVoucherForm* m_form;
};
