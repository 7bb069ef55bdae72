// A clerk at work in a separate program: opens the voucher windows of the landed
// kinds on a data place (a folder or a server database) that holds the demo company
// and saves, edits and deletes vouchers through the windows' own OK and Delete, as
// fast as it can. The crash and concurrency tests run several of these at once, or
// kill one at a random moment, and then read the database.
//
// Every voucher it writes is recognisable: each row's description is
// "<tag>-<serial>-<rows>", the voucher's rows are 1..<rows>, and each purchase asset
// carries two cost components. Before each save or delete it prints
// "BEGIN <kind> <number> <state>" and after it "DONE <kind> <number> <state>", where
// <state> is the description the voucher then has ("-" once it is deleted), so that
// a test can tell what the database may hold when the program was killed in between.
// At start it prints "KIND <kind> <table> <type code> <action-log label>" for each
// window it opened and "READY" when it starts working.
//
//   voucher_worker --data PLACE --tag T [--ops N] [--seed S] [--kinds K,K]
//                  [--user-id N] [--new-only]

#include "buycreateunit.h"
#include "commandquery.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "demohost.h"
#include "dialect.h"
#include "foroshdayehunit.h"
#include "kenardunit.h"
#include "sqlquote.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cstdio>
#include <memory>

namespace {

void Say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

struct Kind
{
    QString name; // as the tests name it
    QString table;
    std::function<TVoucherForm*()> make;
};

QList<Kind> Kinds()
{
    return {
        {QStringLiteral("BuyCreate"), QStringLiteral("D_Buy_Create"),
         [] { return new TBuyCreateForm(); }},
        {QStringLiteral("ForoshDarae"), QStringLiteral("D_ForoshDaymeh"),
         [] { return new TForoshDayehForm(); }},
        {QStringLiteral("KenarD"), QStringLiteral("D_KenarD"), [] { return new TKenarDForm(); }}};
}

class Worker
{
public:
    Worker(DemoHost& host, const QString& tag, quint32 seed, bool newOnly)
        : m_host(host), m_tag(tag), m_random(seed), m_newOnly(newOnly)
    {
        QSqlQuery q = host.db().select(QStringLiteral("SELECT DaraCod FROM D_Amval ORDER BY "
                                                      "DaraCod"));
        while (q.next())
            m_assets << q.value(0).toString();
    }

    void open(const Kind& kind)
    {
        auto* form = kind.make();
        form->resize(1000, 600);
        form->show();
        QCoreApplication::processEvents();
        m_forms.insert(kind.name, form);
        m_tables.insert(kind.name, kind.table);
        Say(QStringLiteral("KIND ") + kind.name + QLatin1Char(' ') + kind.table + QLatin1Char(' ') +
            form->Kind().TypeCode() + QLatin1Char(' ') + form->Kind().Facts.actionLabel);
        // A template row of the kind: a voucher stored by the demo company.
        QSqlQuery q = m_host.db().select(QStringLiteral("SELECT * FROM ") + SqlIdent(kind.table) +
                                         QStringLiteral(" LIMIT 1"));
        if (!q.next())
            throw std::runtime_error("no stored voucher to copy rows from");
        QHash<QString, QVariant> row;
        for (int i = 0; i < q.record().count(); ++i)
            row.insert(m_host.db().dialect().fieldName(q.record().fieldName(i)), q.value(i));
        m_templates.insert(kind.name, row);
    }

    void step()
    {
        const QStringList names = m_forms.keys();
        const QString kind = names.at(int(m_random.bounded(quint32(names.size()))));
        const QStringList own = ownNumbers(kind);
        const quint32 dice = m_random.bounded(10u);
        if (m_newOnly || own.isEmpty() || dice < 6)
            saveNew(kind);
        else if (dice < 8)
            edit(kind, own.at(int(m_random.bounded(quint32(own.size())))));
        else
            remove(kind, own.at(int(m_random.bounded(quint32(own.size())))));
    }

private:
    QStringList ownNumbers(const QString& kind) const
    {
        QStringList numbers;
        QSqlQuery q = m_host.db().select(
            QStringLiteral("SELECT DISTINCT SanadNoAmval FROM ") + SqlIdent(m_tables.value(kind)) +
            QStringLiteral(" WHERE AmvalDes LIKE ") + SqlQuote(m_tag + QStringLiteral("-%")));
        while (q.next())
            numbers << q.value(0).toString().trimmed();
        return numbers;
    }

    QString nextState(int rows)
    {
        return m_tag + QLatin1Char('-') + QString::number(++m_serial) + QLatin1Char('-') +
               QString::number(rows);
    }

    // The window's rows become `rows` copies of the template, each with its own asset.
    void fillRows(const QString& kind, const QString& state, int rows)
    {
        TVoucherForm* form = m_forms.value(kind);
        DbConnection& db = m_host.db();
        const QString table = form->TransTableName();
        db.execute(QStringLiteral("DELETE FROM ") + SqlIdent(table));
        const QHash<QString, QVariant> row = m_templates.value(kind);
        const int first = int(m_random.bounded(quint32(m_assets.size() - rows)));
        for (int r = 1; r <= rows; ++r) {
            QStringList columns;
            QStringList values;
            for (auto it = row.cbegin(); it != row.cend(); ++it) {
                QVariant v = it.value();
                if (it.key() == QLatin1String("SanadNoAmval"))
                    v = form->PaddedNumber();
                else if (it.key() == QLatin1String("Raj"))
                    v = r;
                else if (it.key() == QLatin1String("sDate"))
                    v = form->VoucherDate();
                else if (it.key() == QLatin1String("AmvalDes"))
                    v = state;
                else if (it.key() == QLatin1String("DaraCod"))
                    v = m_assets.at(first + r - 1);
                else if (it.key() == QLatin1String("User_Name"))
                    v = m_host.global.UserName;
                columns << SqlIdent(it.key());
                values << (v.isNull() ? QStringLiteral("NULL") : SqlQuote(v.toString()));
            }
            db.execute(QStringLiteral("INSERT INTO ") + SqlIdent(table) + QStringLiteral(" (") +
                       columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                       values.join(QStringLiteral(", ")) + QLatin1Char(')'));
        }
        if (auto* buy = dynamic_cast<TBuyCreateForm*>(form)) {
            const QString components = buy->GheimatTableName();
            db.execute(QStringLiteral("DELETE FROM ") + SqlIdent(components));
            for (int r = 1; r <= rows; ++r) {
                for (const char* code : {"1", "2"}) {
                    db.execute(QStringLiteral("INSERT INTO ") + SqlIdent(components) +
                               QStringLiteral(" (SanadNoAmval, DaraCod, GheimatCod, GheimatNam, "
                                              "sValue) VALUES (") +
                               SqlQuote(form->PaddedNumber()) + QStringLiteral(", ") +
                               SqlQuote(m_assets.at(first + r - 1)) + QStringLiteral(", ") +
                               SqlQuote(QString::fromLatin1(code)) + QStringLiteral(", '', ") +
                               QString::number(100 * r) + QLatin1Char(')'));
                }
            }
        }
        form->quAsnad->requery();
        form->SetButtons();
    }

    void reportMessages()
    {
        for (const ShownMessage& m : std::as_const(m_host.dlgMsg->shown))
            Say(QStringLiteral("MESSAGE ") +
                QString(m.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        m_host.dlgMsg->shown.clear();
    }

    // The number the window saved under: the number edit moved on to the next one.
    static QString SavedNumber(TVoucherForm* form)
    {
        return QString::number(form->SanadID->text().trimmed().toLongLong() - 1);
    }

    void saveNew(const QString& kind)
    {
        TVoucherForm* form = m_forms.value(kind);
        form->NewVoucher(true);
        const QString proposed = form->SanadID->text().trimmed();
        form->CommitDate();
        // Another clerk may have stored the proposed number since: the window then
        // shows that voucher, which is not this clerk's to overwrite.
        if (!form->GridPanel->isEnabled() || form->Mode() != QLatin1String("NEW")) {
            reportMessages();
            Say(QStringLiteral("SKIP ") + kind + QLatin1Char(' ') + proposed);
            return;
        }
        const int rows = 1 + int(m_random.bounded(3u));
        const QString state = nextState(rows);
        fillRows(kind, state, rows);
        Say(QStringLiteral("BEGIN ") + kind + QStringLiteral(" new ") + state);
        form->OkBitBtnClick();
        reportMessages();
        if (form->quAsnad->active()) {
            Say(QStringLiteral("FAILED ") + kind + QLatin1Char(' ') + proposed + QLatin1Char(' ') +
                state);
            form->NewVoucher(true);
            return;
        }
        Say(QStringLiteral("DONE ") + kind + QLatin1Char(' ') + SavedNumber(form) +
            QLatin1Char(' ') + state);
    }

    bool load(TVoucherForm* form, const QString& number)
    {
        form->NewVoucher(false);
        form->SanadID->setText(number);
        form->LoadVoucher(0);
        form->CommitDate();
        return form->OkBitBtn->isEnabled();
    }

    void edit(const QString& kind, const QString& number)
    {
        TVoucherForm* form = m_forms.value(kind);
        if (!load(form, number)) {
            reportMessages();
            form->NewVoucher(false);
            return;
        }
        const int rows = 1 + int(m_random.bounded(3u));
        const QString state = nextState(rows);
        fillRows(kind, state, rows);
        Say(QStringLiteral("BEGIN ") + kind + QLatin1Char(' ') + number + QLatin1Char(' ') + state);
        form->OkBitBtnClick();
        reportMessages();
        if (form->quAsnad->active()) {
            Say(QStringLiteral("FAILED ") + kind + QLatin1Char(' ') + number + QLatin1Char(' ') +
                state);
            form->NewVoucher(false);
            return;
        }
        Say(QStringLiteral("DONE ") + kind + QLatin1Char(' ') + number + QLatin1Char(' ') + state);
    }

    void remove(const QString& kind, const QString& number)
    {
        TVoucherForm* form = m_forms.value(kind);
        if (!load(form, number) || !form->cmdDel->isEnabled()) {
            reportMessages();
            form->NewVoucher(false);
            return;
        }
        Say(QStringLiteral("BEGIN ") + kind + QLatin1Char(' ') + number + QStringLiteral(" -"));
        m_host.dlgMsg->answers << TDlgMsg::mrYes;
        form->cmdDelClick();
        reportMessages();
        if (form->quAsnad->active()) {
            Say(QStringLiteral("FAILED ") + kind + QLatin1Char(' ') + number +
                QStringLiteral(" -"));
            form->NewVoucher(false);
            return;
        }
        Say(QStringLiteral("DONE ") + kind + QLatin1Char(' ') + number + QStringLiteral(" -"));
    }

    DemoHost& m_host;
    QString m_tag;
    QRandomGenerator m_random;
    bool m_newOnly;
    int m_serial = 0;
    QStringList m_assets;
    QMap<QString, TVoucherForm*> m_forms;
    QHash<QString, QString> m_tables;
    QHash<QString, QHash<QString, QVariant>> m_templates;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption dataOpt(QStringLiteral("data"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption tagOpt(QStringLiteral("tag"), QString(), QStringLiteral("T"));
    const QCommandLineOption opsOpt(QStringLiteral("ops"), QString(), QStringLiteral("N"),
                                    QStringLiteral("1000000"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QString(), QStringLiteral("S"),
                                     QStringLiteral("1"));
    const QCommandLineOption kindsOpt(QStringLiteral("kinds"), QString(), QStringLiteral("K"),
                                      QStringLiteral("BuyCreate,ForoshDarae,KenarD"));
    const QCommandLineOption userOpt(QStringLiteral("user-id"), QString(), QStringLiteral("N"),
                                     QStringLiteral("1"));
    const QCommandLineOption newOnlyOpt(QStringLiteral("new-only"));
    parser.addOptions({dataOpt, tagOpt, opsOpt, seedOpt, kindsOpt, userOpt, newOnlyOpt});
    parser.process(app);

    try {
        DemoHost host(parser.value(dataOpt), parser.value(userOpt).toInt(),
                      QStringLiteral("worker ") + parser.value(tagOpt));
        Worker worker(host, parser.value(tagOpt), parser.value(seedOpt).toUInt(),
                      parser.isSet(newOnlyOpt));
        const QStringList kinds = parser.value(kindsOpt).split(QLatin1Char(','));
        for (const Kind& kind : Kinds()) {
            if (kinds.contains(kind.name))
                worker.open(kind);
        }
        Say(QStringLiteral("READY"));
        const int ops = parser.value(opsOpt).toInt();
        for (int i = 0; i < ops; ++i)
            worker.step();
        Say(QStringLiteral("END"));
    } catch (const std::exception& e) {
        Say(QStringLiteral("ERROR ") + QString::fromUtf8(e.what()));
        return 1;
    }
    return 0;
}
