// The road a voucher window takes on the demo company: the stored voucher copied
// into its transaction table, edited through a data set bound to that table, and
// saved back, with the refusals the window must recognise.

#include "companyprocedures.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "dataset.h"
#include "dbconnection.h"
#include "democompany.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testplace.h"

#include <QCalendar>
#include <QDate>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <memory>

class TestVoucherRoad : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestPlace> m_place;
    std::unique_ptr<DbConnection> m_db;
    CompanyProcedures m_procedures;
    QString m_number;
    const QString m_temp = "##AMV1_140509141230001";

    QString stored(const QString& sql)
    {
        QStringList rows;
        for (const QStringList& row : StoredRows(*m_db, sql))
            rows << row.join('|');
        return rows.join('\n');
    }
    QString storedVoucher()
    {
        return stored(
            QStringLiteral(
                "Select Raj, DaraCod, AmvalDes, EndFee From D_Buy_Create Where SanadNoAmval = ") +
            SqlQuote(m_number) + " Order By Raj");
    }
    void load(DataSet& ds)
    {
        m_db->callProcedure("sp_D_Asnad_BuyCreate", {m_temp, m_number, "DB->TRANS"});
        ds.open("Select * From " + SqlIdent(m_temp) + " Order By Raj ");
    }
    QString save()
    {
        const ProcedureResult r =
            m_db->callProcedure("sp_D_Asnad_BuyCreate", {m_temp, m_number, "TRANS->DB"});
        return r.value("RetState").toString();
    }

private slots:
    void init()
    {
        m_place = std::make_unique<TestPlace>();
        CreateDemoCompany(m_place->location());
        const QString year =
            QString::number(QDate::currentDate().year(QCalendar(QCalendar::System::Jalali)));
        m_db = DatabaseFolder(m_place->location()).openCompany("1", year, false);
        QVERIFY(m_db && m_db->isOpen());
        m_db->setProcedures(&m_procedures);
        QSqlQuery q = m_db->select(QStringLiteral(
            "Select SanadNoAmval From D_Buy_Create Group By SanadNoAmval Having count(*) >= 2 "
            "Order By SanadNoAmval Desc Limit 1"));
        QVERIFY(q.next());
        m_number = q.value(0).toString();
    }
    void cleanup()
    {
        m_db.reset();
        m_place.reset();
    }

    void editedRowsAreSavedAsTheStoredVoucher()
    {
        DataSet ds(m_db.get());
        load(ds);
        QVERIFY(ds.recordCount() >= 2);
        QCOMPARE(ds.updateTable(), m_temp);
        // The window's input lengths come from the declared widths.
        QCOMPARE(ds.fieldByName("DaraCod")->size(),
                 m_db->dialect().columnWidth("D_Buy_Create", "DaraCod"));
        QCOMPARE(ds.fieldByName("SanadNoAmval")->size(), 8);

        const QString description = "ميز \"مدير\" O'Brien - یک کیف";
        ds.setCurrentRow(1);
        ds.fieldByName("AmvalDes")->setValue(description);
        QVERIFY(ds.post());
        ds.first();
        QVERIFY(ds.deleteRow());
        QCOMPARE(save(), "1");

        const QString after = storedVoucher();
        QVERIFY2(after.contains(description), qPrintable(after));
        QCOMPARE(after.count(QLatin1Char('\n')) + 1, ds.recordCount());

        // Loading again gives the saved rows in their order.
        DataSet again(m_db.get());
        load(again);
        QCOMPARE(again.recordCount(), ds.recordCount());
        QCOMPARE(again.fieldByName("AmvalDes")->asString(), description);
    }

    void refusalsLeaveTheStoredVoucherAsItWas()
    {
        const QString before = storedVoucher();
        DataSet ds(m_db.get());
        load(ds);
        const QString firstAsset = ds.fieldByName("DaraCod")->asString();

        // A second row of an asset already in the voucher: the key violation
        // the window turns into its duplicate-asset message.
        QString seen;
        DatabaseError::Kind kind = DatabaseError::Kind::Other;
        QString object;
        ds.onPostError = [&](DataSet&, const DatabaseError& e) {
            seen = e.message();
            kind = e.kind();
            object = e.object();
            return DataSet::PostErrorAction::Abort;
        };
        ds.append();
        ds.fieldByName("SanadNoAmval")->setValue(m_number);
        ds.fieldByName("Raj")->setValue(99);
        ds.fieldByName("DaraCod")->setValue(firstAsset);
        QVERIFY(!ds.post());
        QCOMPARE(kind, DatabaseError::Kind::DuplicateKey);
        QVERIFY2(object.compare(m_temp, Qt::CaseInsensitive) == 0, qPrintable(seen));
        // An over-long asset code is refused by the transaction table itself.
        ds.fieldByName("DaraCod")->setValue("1234567");
        QVERIFY(!ds.post());
        QCOMPARE(kind, DatabaseError::Kind::TooLong);
        // (the server does not say which column it was)
        QVERIFY2(m_db->isServer() || object.compare("DaraCod", Qt::CaseInsensitive) == 0,
                 qPrintable(seen));
        ds.cancel();
        QCOMPARE(storedVoucher(), before);
    }
};

QTEST_GUILESS_MAIN(TestVoucherRoad)
#include "tst_voucherroad.moc"
