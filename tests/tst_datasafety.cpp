// A voucher window with a second clerk at work on the same data folder: an edit or delete of a
// voucher the other clerk changed, a save that fails halfway, a database held by another program, a
// database that cannot be written. The second clerk is another connection with the database side's
// own procedures, doing what its window's OK would do.

#include "companyprocedures.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "globalunit.h"
#include "installhost.h"
#include "purchasedriver.h"
#include "synccount.h"
#include "testmain.h"
#include "voucherstore.h"

#include <QDir>
#include <QPointer>
#include <QUrl>

Q_DECLARE_METATYPE(TStoreResult)

namespace {

const QString kBuy = QStringLiteral("D_Buy_Create");
const QString kFailure = QStringLiteral("بدليل وجود اشکال در دادهها, اطلاعات نميتواند ذخيره شود.");

// What stands in the way of a save or delete of the store.
enum class Situation {
    New,
    Renumbered,
    SoldMeanwhile,
    Changed,
    Deleted,
    Busy,
    HalfWay,
    ReadOnly,
    DiskFull,
    Remove,
    RemoveChanged,
    RemoveGone
};

// Another program on the same company database.
class SecondClerk
{
public:
    explicit SecondClerk(const DemoHost& host)
    {
        m_db = host.openAgain();
        m_db->setProcedures(&m_procedures);
    }
    DbConnection& db() { return *m_db; }

    // Loads voucher `number` into its own transaction table, changes the description and
    // stores it against the stamp of the load, logged as its window logs it.
    void editDescription(const QString& number, const QString& description)
    {
        const QString stamp =
            m_db->callProcedure("sp_D_Asnad_BuyCreate", {m_table, number, "DB->TRANS"})
                .value("Stamp")
                .toString();
        m_db->execute("UPDATE " + SqlIdent(m_table) + " SET AmvalDes = " + SqlQuote(description));
        Transaction transaction(*m_db);
        m_db->callProcedure("sp_D_Asnad_BuyCreate",
                            {m_table, number, "TRANS->DB", "@Expect=" + stamp});
        m_db->callProcedure("sp_Asnad_Actions", {"", "A", "خريد/ساخت", number, "clerk 2", "E",
                                                 "1405/01/01", "10:00:00", "", "", "", "C2"});
        transaction.commit();
    }
    // Stores a new voucher under `number` (or the next free one) with one row.
    void storeNew(const QString& number, const QString& asset, const QString& description)
    {
        m_db->callProcedure("sp_D_Asnad_BuyCreate", {m_table, number, "DB->TRANS"});
        TypeRow(*m_db, m_table, number, asset, description);
        m_db->callProcedure("sp_D_Asnad_BuyCreate", {m_table, number, "TRANS->DB", "@Expect=NEW"});
    }

    // A purchase row typed into the transaction table `table` (its window's columns).
    static void TypeRow(DbConnection& db, const QString& table, const QString& number,
                        const QString& asset, const QString& description)
    {
        db.execute("INSERT INTO " + SqlIdent(table) +
                       " (SanadNoAmval, Raj, sDate, DaraCod, AmvalDes, User_Name, EndFee) "
                       "VALUES (?, 1, '1405/06/01', ?, ?, 'clerk', 900)",
                   {number, asset, description});
    }

private:
    CompanyProcedures m_procedures;
    std::unique_ptr<DbConnection> m_db;
    const QString m_table = "##C2_1";
};

} // namespace

class TestDataSafety : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QPointer<TBuyCreateForm> m_form;
    QStringList m_assets;

    DemoHost& host() { return *m_host; }
    TBuyCreateForm& form() { return *m_form; }
    VoucherDriver drv() const { return VoucherDriver(*m_host, m_form); }
    QString lastMessage() const { return drv().lastMessage(); }

    // The proposed number, a date commit and one typed row; not saved yet.
    QString typeNewVoucher(const QString& asset, const QString& description)
    {
        const QString number = drv().newVoucher();
        PurchaseDriver(*m_host, m_form).typeRow(asset, description, {"900"}, "0", "1", "77");
        return number;
    }

private slots:
    // Every connection of this program counts its syncs (SyncCount): installed before
    // the first database is opened.
    void initTestCase() { QVERIFY(SyncCount::Install()); }
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = PurchaseDriver::PrepareAssets(host(), 4);
        QCOMPARE(m_assets.size(), 4);
        m_form = PurchaseDriver::OpenWindow();
    }
    void cleanup()
    {
        delete m_form;
        m_host.reset();
    }

    // The store without a window: what the save (or the delete) ends with when a second
    // clerk or the database stands in the way, and that it writes all of the voucher or
    // nothing: the rows, the accounting voucher, the day-book and the action log.
    void theStoreWritesAllOrNothing_data()
    {
        QTest::addColumn<int>("situation");
        QTest::addColumn<TStoreResult>("result");
        QTest::addColumn<QString>("told");   // a part of what the user is told
        QTest::addColumn<QString>("kept");   // the voucher's stored descriptions then
        QTest::addColumn<QString>("logged"); // the action logged by this clerk, if any
        using R = TStoreResult;
        const auto row = [](const char* name, Situation s, R r, const char* told, const char* kept,
                            const char* logged) {
            QTest::newRow(name) << int(s) << r << QString(told) << QString(kept) << QString(logged);
        };
        row("new voucher", Situation::New, R::Done, "", "من", "I");
        row("its number taken meanwhile", Situation::Renumbered, R::Done, "", "ديگري", "I");
        row("an asset sold meanwhile", Situation::SoldMeanwhile, R::Refused, "به فروش رسيده", "",
            "");
        row("changed meanwhile", Situation::Changed, R::Changed, "تغيير کرده است و تغييرات شما",
            "ديگري", "");
        row("deleted meanwhile", Situation::Deleted, R::Deleted, "حذف شده است و تغييرات شما", "",
            "");
        row("held by another program", Situation::Busy, R::Busy, "در اختيار کاربر ديگري است", "اول",
            "");
        row("the log refused half-way", Situation::HalfWay, R::Failed, kFailure.toUtf8(), "", "");
        row("a read-only database", Situation::ReadOnly, R::Failed, "فقط خواندني است", "اول", "");
        row("a full disk", Situation::DiskFull, R::Failed, "نيست: ديسک", "اول", "");
        row("deleted", Situation::Remove, R::Done, "", "", "D");
        row("delete of a voucher changed meanwhile", Situation::RemoveChanged, R::Changed,
            "حذف نشد", "ديگري", "");
        row("delete of a voucher deleted meanwhile", Situation::RemoveGone, R::Deleted,
            "پيش از اين توسط کاربر ديگري حذف شده است", "", "");
    }

    void theStoreWritesAllOrNothing()
    {
        QFETCH(int, situation);
        QFETCH(TStoreResult, result);
        const auto is = [&](Situation s) { return situation == int(s); };
        const bool removing =
            is(Situation::Remove) || is(Situation::RemoveChanged) || is(Situation::RemoveGone);
        SecondClerk other(host());
        host().db().setBusyLimit(300);
        TD_Global services(&host().global, &host().database);
        services.SANAD_TIME = "ANE"; // the accounting voucher is one of the writes
        TVoucherStore store(host().db(), services);
        ProcedureProvider& procedures = *host().db().procedures();
        const VoucherKind& kind = VoucherKindOf(VoucherKindId::BuyCreate);
        const QString table = "##STORE";
        const QString date = "1405/06/01";
        const QString asset = m_assets.at(0);
        const QString number = PadLeft(services.NextVoucherNumber(kBuy), 8);
        const auto load = [&] { return procedures.loadVoucher(host().db(), kind, table, number); };
        TVoucherSaveRequest save;
        save.Kind = &kind;
        save.TransTable = table;
        save.Number = number;
        save.Date = date;
        save.UserName = host().global.UserName;
        save.Today = date;
        save.Clock = "10:00:00";
        save.TempStem = "C1";
        // The window's guard: the asset sold or retired by the voucher's date.
        save.Guard = [&](const QString& stored, TRowRefusal& refusal) {
            const TAssetRefusal r = services.AssetRefusal(nullptr, asset, stored, date);
            refusal = TRowRefusal::Of(r.Message, r.Column);
            return r.isEmpty() ? -1 : 0;
        };

        // A stored voucher for the edits and deletes, loaded as a window loads it.
        if (!is(Situation::New) && !is(Situation::Renumbered) && !is(Situation::SoldMeanwhile) &&
            !is(Situation::HalfWay)) {
            load();
            SecondClerk::TypeRow(host().db(), table, number, asset, "اول");
            QCOMPARE(store.Save(save).Result, TStoreResult::Done);
            save.IsNew = false;
        }
        save.ExpectedStamp = load();
        host().exec("UPDATE \"##STORE\" SET AmvalDes = 'من'");
        if (save.IsNew)
            SecondClerk::TypeRow(host().db(), table, number, asset, "من");

        // What this clerk's save may write besides the rows: accounting vouchers, the
        // day-book of the purchases, its action log.
        const auto writes = [&] {
            return QStringList{host().scalar("SELECT COUNT(*) FROM Asnad"),
                               Column(host().db(),
                                      "SELECT SanadNoAmval FROM D_Roz WHERE WhatDoc = '12' "
                                      "AND Operator = 'ض' ORDER BY UserId")
                                   .join(','),
                               Column(host().db(),
                                      "SELECT ActType FROM D_Asnad_Actions WHERE User_Name = ? "
                                      "ORDER BY ActionId",
                                      {host().global.UserName})
                                   .join(',')};
        };
        if (is(Situation::Renumbered))
            other.storeNew(number, m_assets.at(1), "ديگري");
        if (is(Situation::SoldMeanwhile))
            other.db().execute("INSERT INTO D_ForoshDaymeh (SanadNoAmval, Raj, sDate, DaraCod) "
                               "VALUES ('    9999', 1, '1405/05/01', ?)",
                               {asset});
        if (is(Situation::Changed) || is(Situation::RemoveChanged))
            other.editDescription(number, "ديگري");
        if (is(Situation::Deleted) || is(Situation::RemoveGone))
            other.db().callProcedure("sp_D_Asnad_BuyCreate", {"", number, "DELETE"});
        const QStringList before = writes();
        const bool server = TestPlace::OnServer();
        if (is(Situation::Busy))
            other.db().execute(server ? "BEGIN; LOCK TABLE D_Buy_Create IN EXCLUSIVE MODE"
                                      : "BEGIN IMMEDIATE");
        if (is(Situation::HalfWay))
            VoucherDriver::RefuseInserts(host(), "D_Asnad_Actions", "log refused");
        if (is(Situation::ReadOnly))
            host().exec(server ? "SET default_transaction_read_only = on"
                               : "PRAGMA query_only = ON");
        if (is(Situation::DiskFull) && server)
            VoucherDriver::RefuseInserts(host(), kBuy, "could not extend file", "53100");
        SyncCount::DiskFull(is(Situation::DiskFull) && !server);

        TVoucherSaveOutcome saved;
        TVoucherDeleteOutcome deleted;
        if (removing)
            deleted = store.Delete({&kind, number, save.ExpectedStamp, save.UserName, save.Today,
                                    save.Clock, save.TempStem});
        else
            saved = store.Save(save);

        SyncCount::DiskFull(false);
        if (is(Situation::Busy))
            other.db().execute("ROLLBACK");
        if (is(Situation::HalfWay))
            VoucherDriver::AllowInserts(host(), "D_Asnad_Actions");
        if (is(Situation::ReadOnly))
            host().exec(server ? "SET default_transaction_read_only = off"
                               : "PRAGMA query_only = OFF");
        if (is(Situation::DiskFull) && server)
            VoucherDriver::AllowInserts(host(), kBuy);

        QCOMPARE(removing ? deleted.Result : saved.Result, result);
        QFETCH(QString, told);
        const QString text = removing                                ? deleted.Text
                             : saved.Result == TStoreResult::Refused ? saved.Refusal.Message
                                                                     : saved.Text;
        QVERIFY2(told.isEmpty() ? text.isEmpty() : text.contains(told), qPrintable(text));
        // A lock names the database, in Persian words alone.
        if (is(Situation::Busy))
            QVERIFY2(text.contains(host().global.DatabaseName + (server ? "" : ".sqlite")) &&
                         !text.contains("locked"),
                     qPrintable(text));
        // A full disk names the folder to make room in (on the server, the server's disk).
        if (is(Situation::DiskFull))
            QVERIFY2(text.contains("پر است") && !text.contains("باز نمي شود") &&
                         text.contains(server ? "سرور" : QDir(host().dataFolder()).absolutePath()),
                     qPrintable(text));
        QFETCH(QString, kept);
        QCOMPARE(drv().rows(number.trimmed(), "AmvalDes").join(','), kept);
        QFETCH(QString, logged);
        QStringList after = before;
        if (result == TStoreResult::Done && !removing) {
            // The accounting voucher issued, the day-book moved to the number.
            after[0] = QString::number(before.at(0).toInt() + 1);
            QStringList dayBook = before.at(1).split(',');
            dayBook.fill(saved.StoredNumber.trimmed());
            after[1] = dayBook.join(',');
        }
        if (!logged.isEmpty())
            after[2] += (after.at(2).isEmpty() ? "" : ",") + logged;
        QCOMPARE(writes(), after);
        if (is(Situation::Renumbered)) {
            QVERIFY(saved.Renumbered);
            QCOMPARE(saved.StoredNumber.trimmed(), QString::number(number.trimmed().toInt() + 1));
            QCOMPARE(drv().rows(saved.StoredNumber.trimmed(), "AmvalDes"), QStringList{"من"});
        }
        if (is(Situation::SoldMeanwhile))
            QCOMPARE(QString::number(saved.Row) + ' ' + saved.Refusal.Column, "0 DaraCod");
    }

    // An edit of a voucher the other clerk changed since it was opened is refused; the
    // rows typed stay in the window and the stored voucher is the other clerk's. A
    // voucher the other clerk holds locked can still be opened.
    void anEditNeverOverwritesAnotherClerksChange()
    {
        SecondClerk other(host());
        const QString number = typeNewVoucher(m_assets.at(0), "اول");
        QVERIFY2(drv().save(), qPrintable(lastMessage()));
        QCOMPARE(drv().rows(number, "AmvalDes"), QStringList{"اول"});
        drv().startVoucher(number);
        form().dbgAsnad->focusField("AmvalDes");
        drv().cell("ويرايش من");
        other.editDescription(number, "ويرايش ديگري");

        host().dlgMsg->shown.clear();
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        QVERIFY2(lastMessage().contains("توسط کاربر ديگري تغيير کرده است"),
                 qPrintable(lastMessage()));
        QVERIFY(form().quAsnad->active());
        QCOMPARE(form().quAsnad->fieldByName("AmvalDes")->asString(), "ويرايش من");

        // Opening a voucher only reads: another program holding the write lock (on the
        // server: of the voucher table) does not stop it.
        form().NewVoucher(true);
        other.db().execute(TestPlace::OnServer() ? "BEGIN" : "BEGIN IMMEDIATE");
        if (TestPlace::OnServer())
            other.db().execute("LOCK TABLE D_Buy_Create IN EXCLUSIVE MODE");
        host().dlgMsg->shown.clear();
        drv().load(number);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(lastMessage()));
        QCOMPARE(form().quAsnad->recordCount(), 1);
        other.db().execute("ROLLBACK");
    }

    // A server user that may read but not write (a role given SELECT only) is told
    // that the server refused the write to this user, not that a folder is read-only;
    // nothing is stored and the rows stay for another try.
    void aServerUserThatMayNotWriteIsToldSo()
    {
        if (!TestPlace::OnServer())
            QSKIP("only a server has users of its own");
        const QString role = "amval_reader_" + QString::number(QCoreApplication::applicationPid());
        host().exec("CREATE ROLE " + role + " LOGIN");
        host().exec("DO $$DECLARE s text; BEGIN FOR s IN SELECT nspname FROM pg_namespace WHERE "
                    "nspname NOT LIKE 'pg\\_%' AND nspname <> 'information_schema' LOOP "
                    "EXECUTE format('GRANT USAGE ON SCHEMA %I TO " +
                    role + "', s); EXECUTE format('GRANT SELECT ON ALL TABLES IN SCHEMA %I TO " +
                    role + "', s); EXECUTE format('GRANT SELECT ON ALL SEQUENCES IN SCHEMA %I TO " +
                    role + "', s); END LOOP; END$$");
        const QString before = Column(host().db(), "SELECT COUNT(*) FROM D_Buy_Create").value(0);
        QString message;
        QString kept;
        {
            QUrl address(host().dataFolder());
            address.setUserName(role);
            DemoHost reader(address.toString(), 1, host().global.UserName);
            std::unique_ptr<TBuyCreateForm> window(PurchaseDriver::OpenWindow());
            VoucherDriver d(reader, window.get());
            d.newVoucher();
            PurchaseDriver(reader, window.get())
                .typeRow(m_assets.at(1), "خواننده", {"900"}, "0", "1", "77");
            QTest::mouseClick(window->OkBitBtn, Qt::LeftButton);
            message = d.lastMessage();
            kept = window->quAsnad->active() ? window->quAsnad->fieldByName("AmvalDes")->asString()
                                             : QString();
        }
        InstallHost(host());
        host().exec("DROP OWNED BY " + role);
        host().exec("DROP ROLE " + role);
        QVERIFY2(message.contains("اجازه نوشتن") && message.contains("کاربري") &&
                     !message.contains("فقط خواندني") && !message.contains("پوشه"),
                 qPrintable(message));
        QCOMPARE(kept, "خواننده");
        QCOMPARE(Column(host().db(), "SELECT COUNT(*) FROM D_Buy_Create").value(0), before);
    }

    // A write transaction of the company locks no other database of the folder: the
    // register held by another program (in the middle of writing it) neither stops a
    // save nor is written by it, and the register's writer is not held up by a save
    // under way.
    void aSaveNeitherWaitsForNorLocksTheRegister()
    {
        DbConnection reg(host().dataFolder(), kRegisterDatabase, DbConnection::OpenMode::Existing);
        QVERIFY(reg.isOpen());
        const QString rows = "SELECT sCode || '|' || sYear || '|' || sName FROM Sdc_Company "
                             "ORDER BY sCode, sYear";
        const QStringList registered = Column(reg, rows);
        QVERIFY(!registered.isEmpty());
        host().db().setBusyLimit(300);
        reg.setBusyLimit(300);

        // The other program is writing the register (on the server: holds its table).
        reg.execute(TestPlace::OnServer() ? "BEGIN" : "BEGIN EXCLUSIVE");
        if (TestPlace::OnServer())
            reg.execute("LOCK TABLE Sdc_Company IN ACCESS EXCLUSIVE MODE");
        reg.execute("UPDATE Sdc_Company SET sName = sName || ' *'");
        const QString number = typeNewVoucher(m_assets.at(0), "با دفتر قفل");
        QVERIFY2(drv().save(), qPrintable(drv().lastMessage()));
        QCOMPARE(drv().rows(number, "AmvalDes"), QStringList{"با دفتر قفل"});
        reg.execute("ROLLBACK");
        QCOMPARE(Column(reg, rows), registered);

        // A save under way: the register's writer commits without waiting for it.
        {
            Transaction writing(host().db());
            if (!TestPlace::OnServer()) {
                // The company's own write lock is the save's from its start.
                SecondClerk other(host());
                other.db().setBusyLimit(300);
                try {
                    Transaction competing(other.db());
                    QFAIL("a second write transaction began beside the first");
                } catch (const DatabaseError& e) {
                    QCOMPARE(e.kind(), DatabaseError::Kind::Busy);
                }
            }
            host().exec("UPDATE D_Roz SET Operator = Operator");
            try {
                Transaction registering(reg);
                reg.execute("UPDATE Sdc_Company SET sName = sName || ' *'");
                registering.commit();
            } catch (const DatabaseError& e) {
                QFAIL(qPrintable(e.message()));
            }
            writing.commit();
        }
        QVERIFY(Column(reg, rows).first().endsWith(" *"));
    }

    // The syncs of the database files: a save is one durable commit of the company's
    // own file (its journal twice, the database once) and touches no other file;
    // loading a voucher and typing rows write only temporary tables and sync nothing.
    // Fewer would be a weaker commit, more a needless one.
    void aSaveSyncsOneFileAndALoadNone()
    {
        SKIP_ON_SERVER("counts the syncs of the files of a data folder");
        const QString company = host().global.DatabaseName + ".sqlite";
        const QMap<QString, int> oneCommit{{company, 1}, {company + "-journal", 2}};
        SyncCount::Reset();
        const QString number = typeNewVoucher(m_assets.at(0), "سطر");
        QCOMPARE(SyncCount::Counts(), (QMap<QString, int>{}));

        QVERIFY2(drv().save(), qPrintable(drv().lastMessage()));
        QCOMPARE(drv().rows(number, "COUNT(*)"), QStringList{"1"});
        QCOMPARE(SyncCount::Counts(), oneCommit);

        SyncCount::Reset();
        drv().load(number);
        QCOMPARE(form().quAsnad->recordCount(), 1);
        QCOMPARE(SyncCount::Counts(), (QMap<QString, int>{}));
    }
};

AMVAL_TEST_MAIN(TestDataSafety)
#include "tst_datasafety.moc"
