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
//   voucher_worker --data PLACE --tag T [--ops N] [--seed S] [--kinds K,K] [--new-only]

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
#include "storedcolumn.h"

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
    return {{"BuyCreate", "D_Buy_Create", [] { return new TBuyCreateForm(); }},
            {"ForoshDarae", "D_ForoshDaymeh", [] { return new TForoshDayehForm(); }},
            {"KenarD", "D_KenarD", [] { return new TKenarDForm(); }}};
}

class Worker
{
public:
    Worker(DemoHost& host, const QString& tag, quint32 seed, bool newOnly)
        : m_host(host), m_tag(tag), m_random(seed), m_newOnly(newOnly)
    {}

    void open(const Kind& kind)
    {
        auto* form = kind.make();
        form->resize(1000, 600);
        form->show();
        QCoreApplication::processEvents();
        m_forms.insert(kind.name, form);
        m_tables.insert(kind.name, kind.table);
        Say("KIND " + kind.name + ' ' + kind.table + ' ' + form->Kind().TypeCode() + ' ' +
            form->Kind().Facts.actionLabel);
        // A template row of the kind: a voucher stored by the demo company.
        QSqlQuery q = m_host.db().select("SELECT * FROM " + SqlIdent(kind.table) + " LIMIT 1");
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
        else
            change(kind, own.at(int(m_random.bounded(quint32(own.size())))), dice >= 8);
    }

private:
    QStringList ownNumbers(const QString& kind) const
    {
        return Column(m_host.db(), "SELECT DISTINCT SanadNoAmval FROM " +
                                       SqlIdent(m_tables.value(kind)) + " WHERE AmvalDes LIKE " +
                                       SqlQuote(m_tag + "-%"));
    }

    // The assets a clerk could put into voucher `number` of `kind`: none sold or
    // retired for good in another voucher, which the save's guard would refuse.
    QStringList usableAssets(const QString& kind, const QString& number) const
    {
        const QString own = m_tables.value(kind);
        QString sql = "SELECT DaraCod FROM D_Amval AS A WHERE 1 = 1";
        QVariantList values;
        for (const char* table : {"D_ForoshDaymeh", "D_KenarD"}) {
            sql += QString(" AND NOT EXISTS (SELECT 1 FROM %1 AS S WHERE S.DaraCod = A.DaraCod "
                           "AND NOT (? = '%1' AND TRIM(S.SanadNoAmval) = ?))")
                       .arg(table);
            values << own << number.trimmed();
        }
        return StoredColumn(m_host.db(), sql + " ORDER BY DaraCod", values);
    }

    // A new state of `rows` rows; the window's rows become as many copies of the
    // template, each with its own asset.
    QString fillRows(const QString& kind)
    {
        const int rows = 1 + int(m_random.bounded(3u));
        const QString state =
            m_tag + '-' + QString::number(++m_serial) + '-' + QString::number(rows);
        TVoucherForm* form = m_forms.value(kind);
        DbConnection& db = m_host.db();
        const QString table = form->TransTableName();
        db.execute("DELETE FROM " + SqlIdent(table));
        const QHash<QString, QVariant> row = m_templates.value(kind);
        const QStringList assets = usableAssets(kind, form->PaddedNumber());
        const int first = int(m_random.bounded(quint32(assets.size() - rows)));
        const QHash<QString, QVariant> own{{"SanadNoAmval", form->PaddedNumber()},
                                           {"sDate", form->VoucherDate()},
                                           {"AmvalDes", state},
                                           {"User_Name", m_host.global.UserName}};
        for (int r = 1; r <= rows; ++r) {
            QStringList columns, values;
            for (auto it = row.cbegin(); it != row.cend(); ++it) {
                QVariant v = own.value(it.key(), it.value());
                if (it.key() == "Raj")
                    v = r;
                else if (it.key() == "DaraCod")
                    v = assets.at(first + r - 1);
                columns << SqlIdent(it.key());
                values << (v.isNull() ? "NULL" : SqlQuote(v.toString()));
            }
            db.execute("INSERT INTO " + SqlIdent(table) + " (" + columns.join(", ") + ") VALUES (" +
                       values.join(", ") + ')');
        }
        if (auto* buy = dynamic_cast<TBuyCreateForm*>(form)) {
            const QString components = buy->GheimatTableName();
            db.execute("DELETE FROM " + SqlIdent(components));
            for (int r = 1; r <= rows; ++r)
                for (const char* code : {"1", "2"})
                    db.execute("INSERT INTO " + SqlIdent(components) +
                               " (SanadNoAmval, DaraCod, GheimatCod, GheimatNam, sValue) VALUES (" +
                               SqlQuote(form->PaddedNumber()) + ", " +
                               SqlQuote(assets.at(first + r - 1)) + ", " + SqlQuote(code) +
                               ", '', " + QString::number(100 * r) + ')');
        }
        form->quAsnad->requery();
        form->SetButtons();
        return state;
    }

    void reportMessages()
    {
        for (const ShownMessage& m : std::as_const(m_host.dlgMsg->shown))
            Say("MESSAGE " + QString(m.text).replace('\n', ' '));
        m_host.dlgMsg->shown.clear();
    }

    // Says BEGIN, presses OK or Delete, and tells what came of it: true when the
    // window let the voucher go; otherwise FAILED is said (of `number`, or for a new
    // voucher of the number proposed) and the window starts another voucher.
    bool run(const QString& kind, const QString& number, const QString& proposed,
             const QString& state, const std::function<void(TVoucherForm*)>& press)
    {
        TVoucherForm* form = m_forms.value(kind);
        Say("BEGIN " + kind + ' ' + number + ' ' + state);
        press(form);
        reportMessages();
        if (!form->quAsnad->active())
            return true;
        Say("FAILED " + kind + ' ' + proposed + ' ' + state);
        form->NewVoucher(number == "new");
        return false;
    }

    void saveNew(const QString& kind)
    {
        TVoucherForm* form = m_forms.value(kind);
        form->NewVoucher(true);
        const QString proposed = form->SanadID->text().trimmed();
        form->CommitDate();
        // Another clerk may have stored the proposed number since: the window then
        // shows that voucher, which is not this clerk's to overwrite.
        if (!form->GridPanel->isEnabled() || form->Mode() != "NEW") {
            reportMessages();
            Say("SKIP " + kind + ' ' + proposed);
            return;
        }
        const QString state = fillRows(kind);
        if (run(kind, "new", proposed, state, [](TVoucherForm* f) { f->OkBitBtnClick(); }))
            // The number the window saved under: the number edit moved on to the next one.
            Say("DONE " + kind + ' ' +
                QString::number(form->SanadID->text().trimmed().toLongLong() - 1) + ' ' + state);
    }

    bool load(TVoucherForm* form, const QString& number)
    {
        form->NewVoucher(false);
        form->SanadID->setText(number);
        form->LoadVoucher(0);
        form->CommitDate();
        return form->OkBitBtn->isEnabled();
    }

    // Voucher `number` of `kind` edited (its rows replaced) or deleted, through OK or
    // Delete, when the window lets it.
    void change(const QString& kind, const QString& number, bool remove)
    {
        TVoucherForm* form = m_forms.value(kind);
        if (!load(form, number) || (remove && !form->cmdDel->isEnabled())) {
            reportMessages();
            form->NewVoucher(false);
            return;
        }
        if (remove)
            m_host.dlgMsg->answers << TDlgMsg::mrYes;
        const QString state = remove ? QStringLiteral("-") : fillRows(kind);
        if (run(kind, number, number, state,
                [remove](TVoucherForm* f) { remove ? f->cmdDelClick() : f->OkBitBtnClick(); }))
            Say("DONE " + kind + ' ' + number + ' ' + state);
    }

    DemoHost& m_host;
    QString m_tag;
    QRandomGenerator m_random;
    bool m_newOnly;
    int m_serial = 0;
    QMap<QString, TVoucherForm*> m_forms;
    QHash<QString, QString> m_tables;
    QHash<QString, QHash<QString, QVariant>> m_templates;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption dataOpt("data", "", "DIR"), tagOpt("tag", "", "T"),
        opsOpt("ops", "", "N", "1000000"), seedOpt("seed", "", "S", "1"),
        kindsOpt("kinds", "", "K", "BuyCreate,ForoshDarae,KenarD"), newOnlyOpt("new-only");
    parser.addOptions({dataOpt, tagOpt, opsOpt, seedOpt, kindsOpt, newOnlyOpt});
    parser.process(app);

    try {
        DemoHost host(parser.value(dataOpt), 1, "worker " + parser.value(tagOpt));
        Worker worker(host, parser.value(tagOpt), parser.value(seedOpt).toUInt(),
                      parser.isSet(newOnlyOpt));
        const QStringList kinds = parser.value(kindsOpt).split(',');
        for (const Kind& kind : Kinds()) {
            if (kinds.contains(kind.name))
                worker.open(kind);
        }
        Say("READY");
        const int ops = parser.value(opsOpt).toInt();
        for (int i = 0; i < ops; ++i)
            worker.step();
        Say("END");
    } catch (const std::exception& e) {
        Say("ERROR " + QString::fromUtf8(e.what()));
        return 1;
    }
    return 0;
}
