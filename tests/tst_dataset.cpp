// The data set over the embedded engine: fields and widths, states and events,
// write-back, refusals, sort and locate, the command query and procedures.

#include "commandquery.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"
#include "storedcolumn.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#define QVERIFY_SQL(expr)                                                                          \
    do {                                                                                           \
        try {                                                                                      \
            expr;                                                                                  \
        } catch (const DatabaseError& e) {                                                         \
            QFAIL(qPrintable(e.message() + QStringLiteral(" in: ") + e.statement()));              \
        }                                                                                          \
    } while (false)

namespace {
const QString kVoucherTable = QStringLiteral(
    "CREATE TABLE D_Test (SanadNoAmval VARCHAR(8), Raj INTEGER, DaraCod VARCHAR(6) "
    "CONSTRAINT \"W_DaraCod\" CHECK (length(DaraCod) <= 6), AmvalDes VARCHAR(100), EndFee FLOAT)");

class Provider : public ProcedureProvider
{
public:
    bool hasProcedure(const QString& name) const override
    {
        return name.compare(QLatin1String("sp_Echo"), Qt::CaseInsensitive) == 0;
    }
    ProcedureResult callProcedure(DbConnection&, const QString&, const QStringList& args) override
    {
        ProcedureResult r;
        r.columns = {QStringLiteral("RetState"), QStringLiteral("Args")};
        r.rows.append({QStringLiteral("1"), args.join(QLatin1Char('|'))});
        return r;
    }
};
} // namespace

class TestDataSet : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<DbConnection> m_db;

    void fill()
    {
        m_db->execute(kVoucherTable);
        m_db->execute(
            QStringLiteral("INSERT INTO D_Test VALUES ('       1', 1, '   101', 'ميز', 1500000),"
                           " ('       1', 2, '   102', 'صندلي', 250000.5),"
                           " ('       1', 3, '   103', 'کامپيوتر', 42000000)"));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        static int n = 0;
        m_db =
            std::make_unique<DbConnection>(m_dir.filePath(QStringLiteral("t%1.sqlite").arg(++n)));
        QVERIFY(m_db->isOpen());
        fill();
    }
    void cleanup() { m_db.reset(); }

    void fieldsCarryDeclaredWidthsKindsAndTheirTable()
    {
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open(QStringLiteral("Select * From D_Test Order By Raj")));
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(ds.fieldByName(QStringLiteral("daracod"))->size(), 6);
        QCOMPARE(ds.fieldByName(QStringLiteral("SanadNoAmval"))->size(), 8);
        QCOMPARE(ds.fieldByName(QStringLiteral("Raj"))->kind(), DataField::Kind::Integer);
        QCOMPARE(ds.fieldByName(QStringLiteral("EndFee"))->kind(), DataField::Kind::Float);
        QCOMPARE(ds.updateTable(), QStringLiteral("D_Test"));
        QCOMPARE(m_db->dialect().columnWidth(QStringLiteral("D_Test"), QStringLiteral("AmvalDes")),
                 100);
        QCOMPARE(m_db->dialect().columnWidth(QStringLiteral("D_Test"), QStringLiteral("Nope")), -1);
        QVERIFY_EXCEPTION_THROWN(ds.fieldByName(QStringLiteral("Nope")), DataSetError);

        // The same widths inside a statement, and SQL Server's LEN.
        QVERIFY_SQL(
            ds.open(QStringLiteral("Select COL_LENGTH('D_Test', 'DaraCod') As DaraCodLen, "
                                   "COL_LENGTH('D_Test', 'Nope') As NoLen, "
                                   "COL_LENGTH('D_Test', 'Raj') As RajLen, LEN('  ab  ') As L")));
        QCOMPARE(ds.fieldByName(QStringLiteral("DaraCodLen"))->asInteger(), 6);
        QVERIFY(ds.fieldByName(QStringLiteral("NoLen"))->isNull());
        QCOMPARE(ds.fieldByName(QStringLiteral("RajLen"))->asInteger(), 0);
        QCOMPARE(ds.fieldByName(QStringLiteral("L"))->asInteger(), 4);
        m_db->execute(m_db->dialect().createTempTable(QStringLiteral("##T1")) +
                      QStringLiteral(" (Code VARCHAR(9))"));
        QCOMPARE(
            m_db->dialect().columnWidth(QStringLiteral("tempdb..##T1"), QStringLiteral("code")), 9);

        // A joined or computed column is not written back; the statement's
        // own table still is.
        QVERIFY_SQL(ds.open(QStringLiteral("Select T.*, Upper(AmvalDes) As Big From D_Test T")));
        QCOMPARE(ds.fieldByName(QStringLiteral("Big"))->size(), 0);
        QVERIFY(ds.fieldByName(QStringLiteral("Big"))->originTable().isEmpty());
    }

    void navigationAndEventsFollowTheCurrentRow()
    {
        DataSet ds(m_db.get());
        QStringList scrolled;
        ds.afterScroll = [&](DataSet& d) {
            scrolled << d.fieldByName(QStringLiteral("DaraCod"))->asString().trimmed();
        };
        QVERIFY_SQL(ds.open(QStringLiteral("Select * From D_Test Order By Raj")));
        QCOMPARE(ds.recNo(), 1);
        QVERIFY(ds.next());
        QVERIFY(ds.next());
        QVERIFY(!ds.next());
        QVERIFY(ds.eof());
        QCOMPARE(ds.recNo(), 3);
        QVERIFY(ds.first());
        QVERIFY(ds.bof());
        QVERIFY(ds.moveBy(2));
        QCOMPARE(scrolled, (QStringList{"102", "103", "101", "103"}));

        QVERIFY(ds.locate({QStringLiteral("DaraCod")}, {QStringLiteral("   102")}));
        QCOMPARE(ds.recNo(), 2);
        // Texts compare without their trailing blanks, case as asked.
        QVERIFY(ds.locate({QStringLiteral("Raj"), QStringLiteral("AmvalDes")},
                          {1, QStringLiteral("ميز  ")}));
        QCOMPARE(ds.recNo(), 1);
        QVERIFY(!ds.locate({QStringLiteral("DaraCod")}, {QStringLiteral("999")}));
        QCOMPARE(ds.recNo(), 1);
    }

    void editPostAndCancelWriteBackExactlyOneRow()
    {
        // Two identical stored rows: editing one must leave the other.
        m_db->execute(
            QStringLiteral("INSERT INTO D_Test VALUES ('       2', 1, '   104', 'x', 1)"));
        m_db->execute(
            QStringLiteral("INSERT INTO D_Test VALUES ('       2', 1, '   104', 'x', 1)"));
        DataSet ds(m_db.get());
        QVERIFY_SQL(
            ds.open(QStringLiteral("Select * From D_Test Where SanadNoAmval = '       2'")));
        QSignalSpy state(&ds, &DataSet::stateChanged);
        const QString text = QStringLiteral("O'Neil \"quoted\" يكی ک\ttab");
        ds.fieldByName(QStringLiteral("AmvalDes"))->setValue(text);
        QCOMPARE(ds.state(), DataSet::State::Edit);
        QVERIFY(ds.modified());
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(ds.state(), DataSet::State::Browse);
        QCOMPARE(state.count(), 2);
        QCOMPARE(StoredColumn(*m_db,
                              QStringLiteral("Select AmvalDes From D_Test Where SanadNoAmval = '  "
                                             "     2' Order By AmvalDes")),
                 (QStringList{text, QStringLiteral("x")}));

        ds.fieldByName(QStringLiteral("EndFee"))->setValue(99.25);
        ds.cancel();
        QCOMPARE(ds.fieldByName(QStringLiteral("EndFee"))->asFloat(), 1.0);
        QCOMPARE(StoredColumn(
                     *m_db, QStringLiteral(
                                "Select Sum(EndFee) From D_Test Where SanadNoAmval = '       2'")),
                 QStringList{QStringLiteral("2")});
    }

    void refusedPostKeepsTheRowInEditAndStoresNothing()
    {
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open(QStringLiteral("Select * From D_Test Order By Raj")));
        int afterPost = 0;
        ds.beforePost = [](DataSet& d) {
            if (d.fieldByName(QStringLiteral("DaraCod"))->asString().trimmed().isEmpty())
                DataSet::Abort();
        };
        ds.afterPost = [&](DataSet&) { ++afterPost; };
        ds.fieldByName(QStringLiteral("DaraCod"))->setValue(QString());
        QVERIFY(!ds.post());
        QCOMPARE(ds.state(), DataSet::State::Edit);
        QCOMPARE(afterPost, 0);
        // Moving away is refused as well: the cursor stays on the row.
        QVERIFY(!ds.next());
        QCOMPARE(ds.recNo(), 1);
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select DaraCod From D_Test Where Raj = 1")),
                 QStringList{QStringLiteral("   101")});

        ds.fieldByName(QStringLiteral("DaraCod"))->setValue(QStringLiteral("   109"));
        QVERIFY(ds.next());
        QCOMPARE(afterPost, 1);
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select DaraCod From D_Test Where Raj = 1")),
                 QStringList{QStringLiteral("   109")});
    }

    // An over-long code is refused by the database, as the original engine refuses
    // it; the row stays in edit and nothing is stored.
    void anOverLongTextIsRefusedByTheDatabase()
    {
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open(QStringLiteral("Select * From D_Test Order By Raj")));
        ds.fieldByName(QStringLiteral("DaraCod"))->setValue(QStringLiteral("1234567"));
        try {
            ds.post();
            QFAIL("over-long code was stored");
        } catch (const DatabaseError& e) {
            QCOMPARE(e.kind(), DatabaseError::Kind::TooLong);
            QCOMPARE(e.object(), QStringLiteral("DaraCod"));
        }
        QCOMPARE(ds.state(), DataSet::State::Edit);
        ds.cancel();
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select DaraCod From D_Test Where Raj = 1")),
                 QStringList{QStringLiteral("   101")});
    }

    // A transaction table refusing a second row of one asset: the handler sees a
    // duplicate key of that table and may turn it into a silent abort.
    void aDuplicateKeyReachesThePostErrorHandler()
    {
        const QString temp = QStringLiteral("##AMV1_120000001");
        m_db->execute(m_db->dialect().createTempTable(temp) +
                      QStringLiteral(" (Raj INTEGER, DaraCod VARCHAR(6), UNIQUE (DaraCod))"));
        m_db->execute(QStringLiteral("INSERT INTO ") + SqlIdent(temp) +
                      QStringLiteral(" VALUES (1, '   101')"));
        DataSet trans(m_db.get());
        QVERIFY_SQL(trans.open(QStringLiteral("Select * From ") + SqlIdent(temp) +
                               QStringLiteral(" Order By Raj")));
        QCOMPARE(trans.updateTable(), temp);
        DatabaseError::Kind kind = DatabaseError::Kind::Other;
        QString object;
        trans.onPostError = [&](DataSet&, const DatabaseError& e) {
            kind = e.kind();
            object = e.object();
            return DataSet::PostErrorAction::Abort;
        };
        trans.append();
        trans.fieldByName(QStringLiteral("Raj"))->setValue(2);
        trans.fieldByName(QStringLiteral("DaraCod"))->setValue(QStringLiteral("   101"));
        QVERIFY(!trans.post());
        QCOMPARE(kind, DatabaseError::Kind::DuplicateKey);
        QCOMPARE(object, temp);
        QCOMPARE(trans.state(), DataSet::State::Insert);
        trans.fieldByName(QStringLiteral("DaraCod"))->setValue(QStringLiteral("   102"));
        QVERIFY(trans.post());
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select count(*) From ") + SqlIdent(temp)),
                 QStringList{"2"});
        QVERIFY(m_db->dialect().tempObjectExists(temp));
        m_db->dialect().dropTempTable(temp);
        QVERIFY(!m_db->dialect().tempObjectExists(temp));
    }

    // Cancelling a new row removes it and returns to a neighbour; an untouched
    // appended row is dropped when the cursor leaves it.
    void newRowsCancelledOrLeftUntouchedGoAway()
    {
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open(QStringLiteral("Select * From D_Test Order By Raj")));
        int beforeInsert = 0, afterCancel = 0;
        ds.beforeInsert = [&](DataSet&) { ++beforeInsert; };
        ds.afterCancel = [&](DataSet&) { ++afterCancel; };
        ds.setCurrentRow(1);
        ds.insert();
        QCOMPARE(ds.recordCount(), 4);
        QCOMPARE(ds.recNo(), 2);
        QCOMPARE(ds.state(), DataSet::State::Insert);
        ds.cancel();
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(ds.fieldByName(QStringLiteral("Raj"))->asInteger(), 2);
        QCOMPARE(afterCancel, 1);
        ds.append();
        QCOMPARE(ds.recNo(), 4);
        QVERIFY(ds.first());
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(beforeInsert, 2);
    }

    void anAppendedRowIsStoredAndADeleteMayBeRefused()
    {
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open(QStringLiteral("Select * From D_Test Order By Raj")));
        ds.append();
        ds.fieldByName(QStringLiteral("SanadNoAmval"))->setValue(QStringLiteral("       1"));
        ds.fieldByName(QStringLiteral("Raj"))->setValue(4);
        ds.fieldByName(QStringLiteral("DaraCod"))->setValue(QStringLiteral("   104"));
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select DaraCod From D_Test Order By Raj")),
                 (QStringList{"   101", "   102", "   103", "   104"}));

        // A delete refused by its event stays; an allowed one is written.
        ds.beforeDelete = [](DataSet& d) {
            if (d.fieldByName(QStringLiteral("Raj"))->asInteger() == 1)
                DataSet::Abort();
        };
        int afterDelete = 0;
        ds.afterDelete = [&](DataSet&) { ++afterDelete; };
        ds.first();
        QVERIFY(!ds.deleteRow());
        QCOMPARE(ds.recordCount(), 4);
        ds.last();
        QVERIFY_SQL(QVERIFY(ds.deleteRow()));
        QCOMPARE(afterDelete, 1);
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select count(*) From D_Test")),
                 QStringList{"3"});
    }

    void aReadOnlyDataSetRefusesEditing()
    {
        DataSet ro(m_db.get());
        ro.setReadOnly(true);
        ro.open(QStringLiteral("Select * From D_Test"));
        QVERIFY_EXCEPTION_THROWN(ro.edit(), DataSetError);
    }

    void insertedRowsTakeTheTablesNumberingAndStaleRowsAreRefused()
    {
        m_db->execute(QStringLiteral("CREATE TABLE R (IDX INTEGER PRIMARY KEY, Mark VARCHAR(1) "
                                     "DEFAULT '', Des VARCHAR(20))"));
        DataSet ds(m_db.get());
        ds.open(QStringLiteral("Select * From R"));
        ds.append();
        ds.fieldByName(QStringLiteral("Des"))->setValue(QStringLiteral("اول"));
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(ds.fieldByName(QStringLiteral("IDX"))->asInteger(), 1);
        // The new row is found again by its next write.
        ds.fieldByName(QStringLiteral("Mark"))->setValue(QStringLiteral("ض"));
        QVERIFY_SQL(QVERIFY(ds.post()));
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select Mark From R Where IDX = 1")),
                 QStringList{"ض"});

        // Someone else changed the row since it was read: the write is refused
        // and nothing of it is stored.
        m_db->execute(QStringLiteral("UPDATE R SET Des = 'ديگري'"));
        ds.fieldByName(QStringLiteral("Mark"))->setValue(QString());
        try {
            ds.post();
            QFAIL("a stale row was overwritten");
        } catch (const DatabaseError& e) {
            QVERIFY(e.message().startsWith(QStringLiteral("Row cannot be located for updating")));
        }
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select Mark || Des From R")),
                 QStringList{"ضديگري"});
        ds.cancel();
        ds.requery();
        QVERIFY_SQL(QVERIFY(ds.deleteRow()));
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select count(*) From R")), QStringList{"0"});
    }

    void sortInMemoryKeepsTheCurrentRecord()
    {
        m_db->execute(
            QStringLiteral("INSERT INTO D_Test VALUES ('       2', 1, '   100', 'الف', 250000.5)"));
        DataSet ds(m_db.get());
        QVERIFY_SQL(ds.open(QStringLiteral("Select * From D_Test Order By SanadNoAmval, Raj")));
        QVERIFY(ds.locate({QStringLiteral("DaraCod")}, {QStringLiteral("   103")}));
        ds.setSort(QStringLiteral("EndFee DESC, DaraCod"));
        QCOMPARE(ds.fieldByName(QStringLiteral("DaraCod"))->asString(), QStringLiteral("   103"));
        QCOMPARE(ds.recNo(), 1);
        const auto order = [&ds] {
            QStringList codes;
            for (int r = 0; r < ds.recordCount(); ++r)
                codes << ds.value(r, ds.fieldByName(QStringLiteral("DaraCod"))->index())
                             .toString()
                             .trimmed();
            return codes;
        };
        QCOMPARE(order(), (QStringList{"103", "101", "100", "102"}));
        ds.setSort(QString());
        QCOMPARE(order(), (QStringList{"101", "102", "103", "100"}));
        QVERIFY_EXCEPTION_THROWN(ds.setSort(QStringLiteral("Nope ASC")), DataSetError);
    }

    void requeryReturnsToTheSameRecordNumber()
    {
        DataSet ds(m_db.get());
        ds.open(QStringLiteral("Select * From D_Test Order By Raj"));
        ds.setCurrentRow(2);
        m_db->execute(QStringLiteral("UPDATE D_Test SET AmvalDes = 'تغيير' WHERE Raj = 3"));
        QSignalSpy reset(&ds, &DataSet::reset);
        ds.requery();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(ds.recNo(), 3);
        QCOMPARE(ds.fieldByName(QStringLiteral("AmvalDes"))->asString(), QStringLiteral("تغيير"));
    }

    void numbersShowInTheirDisplayFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("shown");
        QTest::newRow("grouped") << 1500000.0 << QStringLiteral("###,###,###,###")
                                 << QStringLiteral("1,500,000");
        QTest::newRow("rounded to no decimals")
            << 250000.5 << QStringLiteral("###,###,###,###") << QStringLiteral("250,001");
        QTest::newRow("optional decimals")
            << 1234.5 << QStringLiteral("###,###,###,##0.###") << QStringLiteral("1,234.5");
        QTest::newRow("zero shows empty")
            << 0.0 << QStringLiteral("###,###,###,###") << QStringLiteral("");
        QTest::newRow("zero with a required digit")
            << 0.0 << QStringLiteral("###,###,##0.###") << QStringLiteral("0");
        QTest::newRow("negative") << -42000.0 << QStringLiteral("###,###")
                                  << QStringLiteral("-42,000");
    }
    void numbersShowInTheirDisplayFormat()
    {
        QFETCH(double, value);
        QFETCH(QString, format);
        QFETCH(QString, shown);
        QCOMPARE(DataField::FormatNumber(value, format), shown);
    }

    void aFieldsDisplayFormatSurvivesAReopen()
    {
        DataSet ds(m_db.get());
        ds.open(QStringLiteral("Select * From D_Test Order By Raj"));
        DataField* fee = ds.fieldByName(QStringLiteral("EndFee"));
        fee->setDisplayFormat(QStringLiteral("###,###,###,###"));
        QCOMPARE(fee->displayText(), QStringLiteral("1,500,000"));
        QCOMPARE(fee->asString(), QStringLiteral("1500000"));
        // A field's format survives a re-open of the same statement.
        ds.open(QStringLiteral("Select * From D_Test Order By Raj"));
        QCOMPARE(ds.fieldByName(QStringLiteral("EndFee"))->displayText(),
                 QStringLiteral("1,500,000"));
    }

    void transactionsRollBackUnlessCommitted()
    {
        {
            Transaction outer(*m_db);
            m_db->execute(QStringLiteral("DELETE FROM D_Test WHERE Raj = 1"));
            {
                Transaction inner(*m_db);
                m_db->execute(QStringLiteral("DELETE FROM D_Test WHERE Raj = 2"));
                // inner not committed: its delete is undone, the outer one stays
            }
            QCOMPARE(m_db->transactionDepth(), 1);
            outer.commit();
        }
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select Raj From D_Test Order By Raj")),
                 (QStringList{"2", "3"}));
        {
            Transaction t(*m_db);
            m_db->execute(QStringLiteral("DELETE FROM D_Test"));
        }
        QCOMPARE(m_db->transactionDepth(), 0);
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select count(*) From D_Test")),
                 QStringList{"2"});
    }

    void commandQueryRunsStatementsAndProcedures()
    {
        CommandQuery command(m_db.get());
        command.setSql(QStringLiteral("UPDATE D_Test SET AmvalDes = ?"), {QStringLiteral("a'b")});
        QVERIFY_SQL(command.execute());
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select Distinct AmvalDes From D_Test")),
                 QStringList{"a'b"});
        // Bound values stay with the statement: a requery reads the same rows.
        DataSet bound(m_db.get());
        QVERIFY_SQL(
            bound.open(QStringLiteral("Select Raj From D_Test Where AmvalDes = ? And Raj > ?"),
                       {QStringLiteral("a'b"), 1}));
        QCOMPARE(bound.recordCount(), 2);
        QVERIFY_SQL(bound.requery());
        QCOMPARE(bound.recordCount(), 2);
        command.setSql(QStringLiteral("UPDATE Nowhere SET x = 1"));
        QVERIFY_EXCEPTION_THROWN(command.execute(), DatabaseError);

        QVERIFY_EXCEPTION_THROWN(command.execProcedure(QStringLiteral("sp_Echo"), {}),
                                 DatabaseError);
        Provider provider;
        m_db->setProcedures(&provider);
        QVERIFY_SQL(command.execProcedure(QStringLiteral("SP_ECHO"),
                                          {QStringLiteral("a"), QStringLiteral("b")}));
        QVERIFY(command.active());
        QCOMPARE(command.fieldByName(QStringLiteral("RetState"))->asString(), QStringLiteral("1"));
        QCOMPARE(command.fieldByName(QStringLiteral("Args"))->asString(), QStringLiteral("a|b"));
        m_db->setProcedures(nullptr);
    }

    void otherDatabasesAreReachedUnderTheirNames()
    {
        {
            DbConnection other(
                DbConnection::DatabaseFile(m_dir.path(), QStringLiteral("ZELMORA_Sdc")));
            other.execute(
                QStringLiteral("CREATE TABLE Sdc_Company (sCode VARCHAR(4), sYear VARCHAR(4))"));
            other.execute(QStringLiteral("INSERT INTO Sdc_Company VALUES ('1', '1405')"));
        }
        QVERIFY(m_db->databaseExists(QStringLiteral("ZELMORA_Sdc")));
        QVERIFY(!m_db->attach(QStringLiteral("ZELMORA_None")));
        QVERIFY(m_db->attach(QStringLiteral("ZELMORA_Sdc")));
        QVERIFY(m_db->attach(QStringLiteral("ZELMORA_Sdc")));
        const QString table =
            m_db->dialect().tableIn(QStringLiteral("ZELMORA_Sdc"), QStringLiteral("Sdc_Company"));
        QCOMPARE(StoredColumn(*m_db, QStringLiteral("Select sYear From ") + table),
                 QStringList{"1405"});
        QCOMPARE(m_db->dialect().columnWidth(QStringLiteral("ZELMORA_Sdc..Sdc_Company"),
                                             QStringLiteral("sYear")),
                 4);
    }
};

QTEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
