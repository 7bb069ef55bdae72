// A voucher window with a second clerk at work on the same data folder: an edit or delete of a
// voucher the other clerk changed, a save that fails halfway, a database held by another program, a
// database that cannot be written. The second clerk is another connection with the database side's
// own procedures, doing what its window's OK would do.

#include "buycreateunit.h"
#include "commandquery.h"
#include "companyprocedures.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "dataset.h"
#include "dbconnection.h"
#include "demohost.h"
#include "installhost.h"
#include "purchasedriver.h"
#include "sqlquote.h"
#include "synccount.h"
#include "voucherdriver.h"

#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSqlQuery>
#include <QUrl>
#include <QtTest>
#include <memory>

namespace {

const QString kBuy = QStringLiteral("D_Buy_Create");
const QString kFailure = QStringLiteral("بدليل وجود اشکال در دادهها, اطلاعات نميتواند ذخيره شود.");

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
    PurchaseDriver purchase() const { return PurchaseDriver(*m_host, m_form); }
    QString lastMessage() const { return drv().lastMessage(); }

    QStringList stored(const QString& number, const QString& columns)
    {
        return VoucherRows(host(), kBuy, number, columns);
    }
    QStringList actions(const QString& number)
    {
        return Column(host().db(), "SELECT ActType || ' ' || User_Name FROM D_Asnad_Actions WHERE "
                                   "TRIM(ActSanadNo) = " +
                                       SqlQuote(number) + " AND SectionNam = 'خريد/ساخت'");
    }
    // The proposed number, a date commit and one typed row; not saved yet.
    QString typeNewVoucher(const QString& asset, const QString& description)
    {
        const QString number = drv().newVoucher();
        purchase().typeRow(asset, description, {"900"}, "0", "1", "77");
        return number;
    }
    // A voucher typed and saved through the window, then opened again for editing.
    QString savedAndReopened(const QString& asset)
    {
        const QString number = typeNewVoucher(asset, "اول");
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        if (!stored(number, "AmvalDes").contains("اول"))
            return QString();
        drv().startVoucher(number);
        return number;
    }
    void typeDescription(const QString& text)
    {
        form().dbgAsnad->focusField("AmvalDes");
        drv().gridType(text);
        drv().gridKey(Qt::Key_Return);
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

    // An edit or a delete of a voucher the other clerk changed or deleted since it was
    // opened is refused; the rows typed stay in the window and the stored voucher is
    // the other clerk's. A voucher the other clerk holds locked is waited for.
    void anEditNeverOverwritesAnotherClerksChange()
    {
        SecondClerk other(host());
        QString number = savedAndReopened(m_assets.at(0));
        QVERIFY(!number.isEmpty());
        typeDescription("ويرايش من");
        other.editDescription(number, "ويرايش ديگري");

        host().dlgMsg->shown.clear();
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        QVERIFY2(lastMessage().contains("توسط کاربر ديگري تغيير کرده است"),
                 qPrintable(lastMessage()));
        QCOMPARE(stored(number, "AmvalDes"), QStringList{"ويرايش ديگري"});
        QVERIFY(form().quAsnad->active());
        QCOMPARE(form().quAsnad->fieldByName("AmvalDes")->asString(), "ويرايش من");
        QCOMPARE(actions(number), QStringList({"I " + host().global.UserName, "E clerk 2"}));

        // Delete is refused in the same way.
        host().dlgMsg->answers << TDlgMsg::mrYes;
        QTest::mouseClick(form().cmdDel, Qt::LeftButton);
        QVERIFY2(lastMessage().contains("حذف نشد"), qPrintable(lastMessage()));
        QCOMPARE(stored(number, "AmvalDes"), QStringList{"ويرايش ديگري"});
        QCOMPARE(actions(number).size(), 2);

        // Deleted meanwhile: the edit is refused, nothing comes back to life.
        other.db().callProcedure("sp_D_Asnad_BuyCreate", {"", number, "DELETE"});
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        QVERIFY2(lastMessage().contains("حذف شده است"), qPrintable(lastMessage()));
        QVERIFY(stored(number, "AmvalDes").isEmpty());
        QVERIFY(form().quAsnad->active());

        // Opening a voucher only reads: another program holding the write lock does not
        // stop it. A save then waits for the lock a bounded time and ends with a Persian
        // message naming the database; the rows stay.
        form().NewVoucher(true);
        host().db().setBusyLimit(600);
        number = savedAndReopened(m_assets.at(1));
        QVERIFY(!number.isEmpty());
        form().NewVoucher(true);

        // The other program holds the write lock (on the server: of the voucher table).
        other.db().execute(TestPlace::OnServer() ? "BEGIN" : "BEGIN IMMEDIATE");
        if (TestPlace::OnServer())
            other.db().execute("LOCK TABLE D_Buy_Create IN EXCLUSIVE MODE");
        host().dlgMsg->shown.clear();
        drv().load(number);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(lastMessage()));
        QCOMPARE(form().quAsnad->recordCount(), 1);
        VoucherDriver::enter(form().mYear);
        typeDescription("در انتظار");

        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        QVERIFY2(lastMessage().contains("در اختيار کاربر ديگري است"), qPrintable(lastMessage()));
        QVERIFY(lastMessage().contains(host().global.DatabaseName +
                                       (TestPlace::OnServer() ? "" : ".sqlite")));
        QVERIFY(!lastMessage().contains("locked"));
        QCOMPARE(form().quAsnad->fieldByName("AmvalDes")->asString(), "در انتظار");

        other.db().execute("ROLLBACK");
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        QCOMPARE(stored(number, "AmvalDes"), QStringList{"در انتظار"});
    }

    // The rows, the day-book and the action log are one transaction: when the last step
    // fails nothing of the voucher is stored, the user is told, and the rows stay for
    // another try.
    void aSaveThatFailsHalfwayStoresNothing()
    {
        const QString dayBook = "SELECT COALESCE(SanadNoAmval, '') || '|' || "
                                "COALESCE(SanadDate, '') FROM D_Roz WHERE WhatDoc = '12' ORDER BY "
                                "UserId";
        const QStringList dayBookBefore = Column(host().db(), dayBook);
        VoucherDriver::RefuseInserts(host(), "D_Asnad_Actions", "log refused");
        const QString number = typeNewVoucher(m_assets.at(0), "نيمه تمام");
        host().dlgMsg->shown.clear();
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        QCOMPARE(lastMessage(), kFailure);
        QVERIFY(stored(number, "AmvalDes").isEmpty());
        QCOMPARE(Column(host().db(), "SELECT COUNT(*) FROM D_Buy_Create_Relate_Gheimat WHERE "
                                     "TRIM(SanadNoAmval) = " +
                                         SqlQuote(number)),
                 QStringList{"0"});
        QCOMPARE(Column(host().db(), dayBook), dayBookBefore);
        QVERIFY(form().quAsnad->active());
        QCOMPARE(form().quAsnad->fieldByName("AmvalDes")->asString(), "نيمه تمام");
        QCOMPARE(form().SanadID->text().trimmed(), number);

        VoucherDriver::AllowInserts(host(), "D_Asnad_Actions");
        // A database that cannot be written is said to be so, not to hold bad data.
        const bool server = TestPlace::OnServer();
        host().exec(server ? "SET default_transaction_read_only = on" : "PRAGMA query_only = ON");
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        QVERIFY2(lastMessage().contains("فقط خواندني است"), qPrintable(lastMessage()));
        QVERIFY(form().quAsnad->active());
        host().exec(server ? "SET default_transaction_read_only = off" : "PRAGMA query_only = OFF");

        // A full disk is said to be one, with the folder to make room in (on the
        // server, the server's disk: its code, as the server gives it).
        if (server)
            VoucherDriver::RefuseInserts(host(), kBuy, "could not extend file", "53100");
        else
            SyncCount::DiskFull(true);
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        if (server)
            VoucherDriver::AllowInserts(host(), kBuy);
        else
            SyncCount::DiskFull(false);
        QVERIFY2(lastMessage().contains("نيست: ديسک") && lastMessage().contains("پر است") &&
                     !lastMessage().contains("باز نمي شود"),
                 qPrintable(lastMessage()));
        QVERIFY2(server ? lastMessage().contains("سرور")
                        : lastMessage().contains(QDir(host().dataFolder()).absolutePath()),
                 qPrintable(lastMessage()));
        QVERIFY(form().quAsnad->active());
        QTest::mouseClick(form().OkBitBtn, Qt::LeftButton);
        QCOMPARE(stored(number, "AmvalDes"), QStringList{"نيمه تمام"});
        QCOMPARE(actions(number).size(), 1);
        QVERIFY(Column(host().db(), dayBook) != dayBookBefore);
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
        QCOMPARE(stored(number, "AmvalDes"), QStringList{"با دفتر قفل"});
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
        QCOMPARE(stored(number, "COUNT(*)"), QStringList{"1"});
        QCOMPARE(SyncCount::Counts(), oneCommit);

        SyncCount::Reset();
        drv().load(number);
        QCOMPARE(form().quAsnad->recordCount(), 1);
        QCOMPARE(SyncCount::Counts(), (QMap<QString, int>{}));
    }
};

QTEST_MAIN(TestDataSafety)
#include "tst_datasafety.moc"
