#pragma once

// Drives a voucher window as a user does: keys into the number and date edits, keys
// into the grid (its open cell editor when there is one), Persian text as typed text.

#include "commandquery.h"
#include "dataset.h"
#include "dbgrid.h"
#include "demohost.h"
#include "voucherform.h"

#include "dbconnection.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "uitest.h"

#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
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

// Voucher `number`'s rows in `table`: `columns` of each, trimmed, in row order.
inline QStringList VoucherRows(DemoHost& host, const QString& table, const QString& number,
                               const QString& columns)
{
    return Column(host.db(), "SELECT " + columns + " FROM " + table +
                                 " WHERE TRIM(SanadNoAmval) = " + SqlQuote(number) +
                                 " ORDER BY Raj");
}
// The actions the log holds for voucher `number` under `section`, in their order ("I,E").
inline QString Logged(DemoHost& host, const QString& number, const QString& section)
{
    return Column(host.db(),
                  "SELECT ActType FROM D_Asnad_Actions WHERE TRIM(ActSanadNo) = ? AND "
                  "SectionNam = ? ORDER BY ActionId",
                  {number, section})
        .join(',');
}
// Another clerk's row of `asset` in voucher `number` of `table` (a sale, a retirement,
// a return...), dated `date`, its form number the voucher's number.
inline void StoreElsewhere(DemoHost& host, const QString& table, const QString& number,
                           const QString& asset, const QString& date)
{
    const QString padded = SqlQuote(number.rightJustified(8));
    host.exec("INSERT INTO " + table + " (SanadNoAmval, Raj, DaraCod, sDate, Bargeh) SELECT " +
              padded + ", COUNT(*) + 1, " + SqlQuote(asset.rightJustified(6)) + ", " +
              SqlQuote(date) + ", " + SqlQuote(number) + " FROM " + table +
              " WHERE SanadNoAmval = " + padded);
}

// A table of row checks (see VoucherDriver::expectChecked): the changes to a right
// row, the message, the column the cursor goes to ("" when the row is posted) and
// the key columns of the lists the checks open. Further columns may follow.
inline void RowChecksColumns()
{
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("list");
}
inline QTestData& RowCheck(const char* name, const QVariantMap& changes, const char* message,
                           const char* column, const char* list = "")
{
    return QTest::newRow(name) << changes << QString::fromUtf8(message) << QString(column)
                               << QString(list);
}

class VoucherDriver
{
public:
    VoucherDriver(DemoHost& host, TVoucherForm* form) : m_host(&host), m_form(form) {}

    // Every insert into `table` fails with `why` until AllowInserts(): a save that
    // breaks off halfway. Each engine has its own trigger syntax.
    // On the server `sqlState` is the code the refusal comes with (the engine's
    // generic one when empty).
    static void RefuseInserts(DemoHost& host, const QString& table, const QString& why,
                              const QString& sqlState = QString())
    {
        if (host.db().isServer()) {
            host.exec(
                "CREATE OR REPLACE FUNCTION refuse_insert() RETURNS trigger LANGUAGE plpgsql AS "
                "$$BEGIN RAISE EXCEPTION '" +
                why + "'" +
                (sqlState.isEmpty() ? QString() : " USING ERRCODE = '" + sqlState + "'") +
                "; END$$");
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
    // The last message and the column the cursor is in: where a refusal leaves the user.
    QStringList refusal() const { return {lastMessage(), currentColumn()}; }
    // Keys go where the user's keys would: into the open cell editor, else the grid.
    void gridKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(KeyTarget(m_form->dbgAsnad), key, modifiers);
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
            typeChar(KeyTarget(m_form->dbgAsnad), c);
    }
    // Types into the cell and presses Enter.
    void cell(const QString& text) const
    {
        gridType(text);
        gridKey(Qt::Key_Return);
    }
    static void enter(QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }

    // The number typed and Enter: a stored voucher is loaded, a new one proposed.
    void load(const QString& number) const
    {
        m_form->SanadID->selectAll();
        QTest::keyClicks(m_form->SanadID, number);
        enter(m_form->SanadID);
    }
    // Number, Enter (none unless `enterInNumber`), the proposed date (or `date`), Enter
    // in the year: the grid opens.
    void startVoucher(const QString& number, const QString& date = QString(),
                      bool enterInNumber = true) const
    {
        m_form->SanadID->selectAll();
        QTest::keyClicks(m_form->SanadID, number);
        if (enterInNumber)
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
    // `date` (none: the proposed date), the cursor on its first row. Returns the number.
    QString newVoucher(const QString& date = QString()) const
    {
        const QString number = NextNumber(*m_host, m_form->Kind().Table());
        startVoucher(number, date);
        gridKey(Qt::Key_Return);
        return number;
    }

    // A row walked with the keyboard, a step a string: "@code" lets the list that the
    // next Enter opens choose `code`; ">Column" says where the cursor stands now;
    // "?text" that the last messages shown read `text`, a line each ("?" alone: nothing
    // was shown); "*Field=text" sets the current row's field to `text` without keys;
    // "=Field=text" that the current row's field holds `text`, trimmed; "#Box=text"
    // that the window's box named Box (a footer's name or total) shows `text`; "$text"
    // that the current cell shows `text` (its open editor: holds it); "^Column"
    // puts the cursor in Column; "~text" types text into the cell without Enter; "!Key"
    // presses a key by its name ("!Space", "!Esc", "!Ins", "!Down", "!Ctrl+S"); any other
    // text is typed into the cell, then Enter ("" is Enter alone).
    void keys(const QStringList& steps) const
    {
        for (const QString& step : steps) {
            const QString rest = step.mid(1), name = rest.section(QLatin1Char('='), 0, 0),
                          value = rest.section(QLatin1Char('='), 1, -1);
            switch (step.isEmpty() ? u'\0' : step.at(0).unicode()) {
            case '@':
                m_host->tempGridForm->choose(rest);
                gridKey(Qt::Key_Return);
                break;
            case '>':
                QVERIFY2(currentColumn() == rest,
                         qPrintable(currentColumn() + " instead of " + rest));
                break;
            case '^':
                m_form->dbgAsnad->focusField(rest);
                break;
            case '~':
                gridType(rest);
                break;
            case '!': {
                const QKeyCombination key = QKeySequence(rest)[0];
                gridKey(key.key(), key.keyboardModifiers());
                break;
            }
            case '?': {
                const QStringList said = ShownTexts(*m_host);
                if (rest.isEmpty())
                    QVERIFY2(said.isEmpty(), qPrintable(lastMessage()));
                else
                    QCOMPARE(said.mid(said.size() - rest.count(QLatin1Char('\n')) - 1).join('\n'),
                             rest);
                break;
            }
            case '*':
                SetRow(m_form->quAsnad, {{name, value}});
                break;
            case '=': {
                const DataField* field = m_form->quAsnad->fieldByName(name);
                QVERIFY2(field, qPrintable(name));
                QCOMPARE(field->asString().trimmed(), value);
                break;
            }
            case '$': {
                const QLineEdit* editor = m_form->dbgAsnad->cellEditor();
                QCOMPARE(editor ? editor->text()
                                : m_form->dbgAsnad->currentIndex().data().toString(),
                         rest);
                break;
            }
            case '#': {
                QCoreApplication::processEvents(); // the screen as the user sees it
                const auto* box = m_form->findChild<QLineEdit*>(name);
                QVERIFY2(box, qPrintable(name));
                QCOMPARE(box->text(), value);
                break;
            }
            default:
                cell(step);
            }
            if (QTest::currentTestFailed())
                return;
        }
    }

    // The messages cleared, keys(), and no message shown but those the "?" steps read.
    void keysSayingOnly(const QStringList& steps) const
    {
        m_host->dlgMsg->shown.clear();
        keys(steps);
        qsizetype expected = 0;
        for (const QString& step : steps.filter(QRegularExpression("^\\?.")))
            expected += step.count(QLatin1Char('\n')) + 1;
        QCOMPARE(m_host->dlgMsg->shown.size(), expected);
    }

    // Stored voucher `number` opened: the caption reads `caption`, and of OK, Delete
    // and the grid's editing those named in `may` ("O", "D", "G") are on.
    void expectOpened(const QString& number, const QString& caption, const QString& may) const
    {
        startVoucher(number);
        QCOMPARE(m_form->CaptionText(), caption);
        QCOMPARE(QString(m_form->OkBitBtn->isEnabled() ? "O" : "") +
                     (m_form->cmdDel->isEnabled() ? "D" : "") +
                     (m_form->dbgAsnad->editingEnabled() ? "G" : ""),
                 may);
    }

    // The stored rows of voucher `number` of the window's kind: `columns` of each.
    QStringList rows(const QString& number, const QString& columns) const
    {
        return VoucherRows(*m_host, m_form->Kind().Table(), number, columns);
    }
    // OK pressed: true when the window said nothing.
    bool save() const
    {
        m_host->dlgMsg->shown.clear();
        QTest::mouseClick(m_form->OkBitBtn, Qt::LeftButton);
        return m_host->dlgMsg->shown.isEmpty();
    }

    // Sets `changes` on the row being added and posts it. A value that is one of
    // `names`' placeholders, such as "<sold>", takes what it stands for, as in
    // `message` and `list`. The messages shown are `message` ("" none); the post is
    // refused with the cursor in `column`, or with no column the row is posted; the
    // lists the checks opened have the key columns `list` (",": one after the other).
    // The first list is cancelled, or given the key after a colon ("MakanCod:5"), which
    // the row then holds, posted or not. A refused row never reaches the working copy;
    // a row added and posted does.
    void expectChecked(QVariantMap changes, const QList<std::pair<QString, QString>>& names,
                       QString message, const QString& column, QString list = QString()) const
    {
        for (const auto& [name, value] : names) {
            for (QVariant& change : changes)
                change = change.toString() == name ? value : change;
            message.replace(name, value);
            list.replace(name, value);
        }
        TScriptedTempGridForm* lists = m_host->tempGridForm;
        m_host->dlgMsg->shown.clear();
        const qsizetype listsBefore = lists->shown.size();
        const QString rows = "SELECT COUNT(*) FROM " + SqlIdent(m_form->TransTableName());
        const int rowsBefore = m_host->scalar(rows).toInt();
        lists->answers.clear();
        const QString chosen = list.section(QLatin1Char(':'), 1);
        if (list.contains(QLatin1Char(':')))
            lists->choose(chosen);
        else
            lists->cancel();
        list = list.section(QLatin1Char(':'), 0, 0);
        const bool adding = m_form->quAsnad->state() == DataSet::State::Insert;
        SetRow(m_form->quAsnad, changes);
        m_form->dbgAsnad->focusField("Bargeh");
        const bool posted = m_form->quAsnad->post();
        lists->answers.clear(); // the answer, when no list opened
        const QStringList said = ShownTexts(*m_host);
        QStringList opened;
        for (qsizetype i = listsBefore; i < lists->shown.size(); ++i)
            opened << lists->shown.at(i).keyField;
        // One text, so that a failure shows the whole of what was seen and expected.
        QCOMPARE(said.join('\n') + " | " + (posted ? QString() : currentColumn()) + " | " +
                     opened.join(','),
                 message + " | " + column + " | " + list);
        QCOMPARE(m_host->scalar(rows).toInt(), rowsBefore + (posted && adding ? 1 : 0));
        if (!chosen.isEmpty())
            QCOMPARE(m_form->quAsnad->fieldByName(list.section(QLatin1Char(','), 0, 0))
                         ->asString()
                         .trimmed(),
                     chosen);
        if (!posted)
            QCOMPARE(m_form->quAsnad->state(),
                     adding ? DataSet::State::Insert : DataSet::State::Edit);
    }

    // expectChecked on the current row of a RowChecksColumns table.
    void expectRow(const QList<std::pair<QString, QString>>& names = {}) const
    {
        QFETCH(QVariantMap, changes);
        QFETCH(QString, message);
        QFETCH(QString, column);
        QFETCH(QString, list);
        expectChecked(changes, names, message, column, list);
    }

private:
    DemoHost* m_host;
    TVoucherForm* m_form;
};
