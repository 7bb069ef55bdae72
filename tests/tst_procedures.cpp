// The company database's procedures on a fresh company database: each voucher kind
// loaded into, saved from and deleted through its transaction table, saves that fail
// half-way, the purchase's cost components, voucher number forms, the action log, the
// accounting voucher of an asset voucher and an asset's start date.

#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

using Rows = QList<QStringList>;

const QString kLoad = QStringLiteral("DB->TRANS");
const QString kSave = QStringLiteral("TRANS->DB");
const QString kDelete = QStringLiteral("DELETE");
const QString kPurchase = QStringLiteral("sp_D_Asnad_BuyCreate");
const QString kComponents = QStringLiteral(
    "SELECT SanadNoAmval, DaraCod, GheimatCod, sValue FROM D_Buy_Create_Relate_Gheimat "
    "ORDER BY SanadNoAmval, DaraCod, GheimatCod");
const QString kTruncated = QStringLiteral("String or binary data would be truncated");

// A text in the letters the system stores (Arabic and Persian Yeh and Kaf mixed), with
// quotes that would end an unescaped literal and a tab, cut to `width` and ended by the
// row's number so that codes differ between rows.
QString SampleText(int width, int row)
{
    const QString pattern = QStringLiteral("كی'ي\"\tک");
    const QString digits = QString::number(row);
    if (width <= 0)
        return pattern + QStringLiteral(" O'Neil ") + digits;
    return pattern.left(qMax(0, width - int(digits.size()))) + digits;
}

QString Padded(const QString& number)
{
    return number.trimmed().rightJustified(8, QLatin1Char(' '));
}

// A row of `table` for voucher `number` with row number `raj`: every column filled.
QVariantList SampleRow(const TableDef& table, const QString& number, int raj)
{
    QVariantList row;
    for (const ColumnDef& column : table.columns) {
        const QString name = column.name.toLower();
        if (name == QLatin1String("sanadnoamval"))
            row << number;
        else if (name == QLatin1String("raj"))
            row << raj;
        else if (name == QLatin1String("sdate") || name == QLatin1String("startdate"))
            row << QStringLiteral("1405/03/%1").arg(raj, 2, 10, QLatin1Char('0'));
        else if (column.type == ColumnDef::Type::Integer)
            row << raj * 7;
        else if (column.type == ColumnDef::Type::Float)
            row << raj * 1250.5;
        else
            row << SampleText(column.width, raj);
    }
    return row;
}

QStringList ColumnNames(const TableDef& table)
{
    QStringList names;
    for (const ColumnDef& column : table.columns)
        names << column.name;
    return names;
}

// The text form of a row as the engine hands it back, NULL told apart from ''.
QStringList AsText(const QVariantList& row)
{
    QStringList out;
    for (const QVariant& v : row)
        out << (v.isNull() ? QStringLiteral("<NULL>") : v.toString());
    return out;
}

} // namespace

class TestProcedures : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    CompanyProcedures m_procedures;
    std::unique_ptr<DbConnection> m_db;

    ProcedureResult call(const QString& name, const QStringList& arguments)
    {
        return m_db->callProcedure(name, arguments);
    }
    QString retState(const QString& name, const QStringList& arguments)
    {
        return call(name, arguments).value(QStringLiteral("RetState")).toString();
    }

    // The message of the DatabaseError that `action` throws; empty when it throws none.
    static QString failure(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const DatabaseError& error) {
            return error.message().isEmpty() ? QStringLiteral("?") : error.message();
        }
        return QString();
    }

    // Rows written as the windows write them: values bound, texts as texts.
    void insertRows(const QString& table, const QStringList& columns,
                    const QList<QVariantList>& rows)
    {
        for (const QVariantList& row : rows)
            m_db->execute("INSERT INTO " + SqlIdent(table) + " (" + columns.join(',') +
                              ") VALUES (" + QStringList(row.size(), "?").join(',') + ')',
                          row);
    }

    Rows rowsOf(const QString& sql, const QVariantList& values = {})
    {
        Rows rows;
        QSqlQuery q = m_db->select(sql, values);
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            rows << AsText(row);
        }
        return rows;
    }
    int count(const QString& sql) { return rowsOf(sql).value(0).value(0).toInt(); }

    // The stored rows of voucher `number` of `table`, in their voucher order.
    Rows storedVoucher(const TableDef& table, const QString& number)
    {
        return rowsOf(QStringLiteral("SELECT * FROM ") + SqlIdent(table.name) +
                          QStringLiteral(" WHERE SanadNoAmval = ? ORDER BY ") +
                          (table.column("Raj") ? QStringLiteral("Raj") : QStringLiteral("rowid")),
                      {Padded(number)});
    }

    // A transaction table's rows in the order they were written into it.
    Rows tableRows(const QString& name)
    {
        return rowsOf(QStringLiteral("SELECT * FROM ") + SqlIdent(name) +
                      QStringLiteral(" ORDER BY rowid"));
    }

    // Voucher `number` of `kind` stored through its procedure, with rows numbered
    // `rajs` (written in that order); returns the rows as stored, in voucher order.
    Rows storeVoucher(const VoucherKind& kind, const QString& number, const QList<int>& rajs,
                      const QString& tableName)
    {
        const TableDef* table = Schema::FindCompanyTable(kind.table);
        call(kind.procedure, {tableName, number, kLoad});
        QList<QVariantList> rows;
        for (int raj : rajs)
            rows << SampleRow(*table, Padded(number), raj);
        insertRows(tableName, ColumnNames(*table), rows);
        if (retState(kind.procedure, {tableName, number, kSave}) != QLatin1String("1"))
            return {};
        QList<int> order = rajs;
        if (table->column("Raj"))
            std::sort(order.begin(), order.end());
        Rows stored;
        for (int raj : order)
            stored << AsText(SampleRow(*table, Padded(number), raj));
        return stored;
    }

    // The purchase window's cost components table beside `trans`, with two
    // components for each of the assets SampleRow gives rows 1 and 2.
    void createComponentsTable(const QString& trans)
    {
        const QString name = trans + QLatin1Char('R');
        m_db->execute(QStringLiteral("CREATE TEMP TABLE ") + SqlIdent(name) +
                      QStringLiteral("(SanadNoAmval Varchar(8), DaraCod Varchar(6), GheimatCod "
                                     "Varchar(3), GheimatNam Varchar(100), sValue Float) "));
        QList<QVariantList> rows;
        for (int asset = 1; asset <= 2; ++asset) {
            for (int component = 1; component <= 2; ++component)
                rows << QVariantList{QString(), SampleText(6, asset), QString::number(component),
                                     QStringLiteral("اجزاء '%1'").arg(component),
                                     100.0 * asset * component};
        }
        insertRows(name, {"SanadNoAmval", "DaraCod", "GheimatCod", "GheimatNam", "sValue"}, rows);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_db = std::make_unique<DbConnection>(
            m_dir->filePath(QStringLiteral("ZELMORA_1_1405.sqlite")));
        QVERIFY2(m_db->isOpen(), qPrintable(m_db->lastError()));
        Schema::CreateCompanySchema(*m_db);
        m_db->setProcedures(&m_procedures);
    }
    void cleanup() { m_db.reset(); }

    // Every column of every kind, with quotes, tabs and both Yeh and Kaf, comes back
    // byte for byte; vouchers are numbered in their stored form.
    void roundTripOfEveryKind_data()
    {
        QTest::addColumn<QString>("procedure");
        for (const VoucherKind& kind : VoucherKinds())
            QTest::newRow(qPrintable(kind.procedure)) << kind.procedure;
    }
    void roundTripOfEveryKind()
    {
        QFETCH(QString, procedure);
        const VoucherKind* kind = FindVoucherKindByProcedure(procedure);
        QVERIFY(kind);
        const TableDef* table = Schema::FindCompanyTable(kind->table);
        const QString trans = QStringLiteral("##AMV1_14050301101530");

        // A new number: the table exists with the voucher table's columns, empty.
        call(procedure, {trans, "7", kLoad});
        QCOMPARE(m_db->dialect().tableColumns(trans), ColumnNames(*table));
        QVERIFY(tableRows(trans).isEmpty());

        // Written out of order; the voucher keeps its row numbers.
        const Rows other = storeVoucher(*kind, "8", {1}, QStringLiteral("##AMV1_other"));
        QCOMPARE(other.size(), 1);
        const Rows expected = storeVoucher(*kind, "7", {3, 1, 2}, trans);
        QCOMPARE(expected.size(), 3);
        QCOMPARE(storedVoucher(*table, "7"), expected);

        // Loading again into the same, filled table replaces its rows, in voucher order.
        insertRows(trans, ColumnNames(*table), {SampleRow(*table, Padded("7"), 9)});
        call(procedure, {trans, "7", kLoad});
        QCOMPARE(tableRows(trans), expected);

        // Saving the loaded voucher again replaces it rather than adding to it.
        QCOMPARE(retState(procedure, {trans, Padded("7"), kSave}), QStringLiteral("1"));
        QCOMPARE(storedVoucher(*table, "7"), expected);

        call(procedure, {QString(), Padded("7"), kDelete});
        QVERIFY(storedVoucher(*table, "7").isEmpty());
        call(procedure, {trans, "7", kLoad});
        QVERIFY(tableRows(trans).isEmpty());
        // Another voucher of the kind is not touched.
        QCOMPARE(storedVoucher(*table, "8"), other);
    }

    // The window's table of each kind refuses a second row of one asset with the words
    // the window recognises, and an over-long code; the count's own table takes an
    // asset twice, since an imported sheet may list it twice.
    void transactionTableRefusesAnAssetTwice_data() { roundTripOfEveryKind_data(); }
    void transactionTableRefusesAnAssetTwice()
    {
        QFETCH(QString, procedure);
        const VoucherKind& kind = *FindVoucherKindByProcedure(procedure);
        const QString trans = QStringLiteral("##AMV1_twice_") + kind.table;
        call(kind.procedure, {trans, "1", kLoad});
        const bool numbered = Schema::FindCompanyTable(kind.table)->column("Raj") != nullptr;
        int raj = 0;
        const auto insert = [&](const QString& asset) {
            return failure([&] {
                m_db->execute("INSERT INTO " + SqlIdent(trans) + " (SanadNoAmval, DaraCod" +
                                  (numbered ? ", Raj" : "") + ") VALUES ('       1', ?" +
                                  (numbered ? ", ?)" : ")"),
                              numbered ? QVariantList{asset, ++raj} : QVariantList{asset});
            });
        };
        QCOMPARE(insert(SampleText(6, 1)), QString());
        const bool count = kind.table == QLatin1String("D_Gardani");
        QCOMPARE(insert(SampleText(6, 1)),
                 count ? QString()
                       : QStringLiteral("Violation of PRIMARY KEY constraint 'PK_%1'. "
                                        "Cannot insert duplicate key in object '%1'.")
                             .arg(trans));
        QVERIFY(insert(QStringLiteral("1234567")).startsWith(kTruncated));
        QCOMPARE(insert(SampleText(6, 2)), QString());
        QCOMPARE(tableRows(trans).size(), count ? 3 : 2);
    }

    // A save the stored table refuses half-way leaves the stored voucher and its
    // components exactly as they were.
    void failedSaveLeavesTheStoredVoucher_data()
    {
        QTest::addColumn<QString>("breaker");
        QTest::addColumn<QString>("message");
        QTest::newRow("two rows with one row number")
            << QStringLiteral("UPDATE \"%1\" SET Raj = 1")
            << QStringLiteral("Violation of PRIMARY KEY constraint");
        QTest::newRow("over-long description")
            << QStringLiteral("UPDATE \"%1\" SET AmvalDes = replace(hex(zeroblob(100)), '00', "
                              "'xx') WHERE Raj = 2")
            << kTruncated;
        QTest::newRow("a component twice")
            << QStringLiteral("INSERT INTO \"%1R\" SELECT * FROM \"%1R\" LIMIT 1")
            << QStringLiteral("Violation of PRIMARY KEY constraint");
    }
    void failedSaveLeavesTheStoredVoucher()
    {
        QFETCH(QString, breaker);
        QFETCH(QString, message);
        const VoucherKind* kind = FindVoucherKindByProcedure(kPurchase);
        const TableDef* table = Schema::FindCompanyTable(kind->table);
        const QString trans = QStringLiteral("##AMV1_fail");
        createComponentsTable(trans);
        const Rows before = storeVoucher(*kind, "5", {1, 2}, trans);
        QCOMPARE(before.size(), 2);
        const Rows componentsBefore = rowsOf(kComponents);
        QCOMPARE(componentsBefore.size(), 4);

        // The window's table takes what the stored table refuses: a copy without
        // widths or keys, with a third row and changed amounts.
        const QString loose = QStringLiteral("##AMV1_loose");
        m_db->execute("CREATE TEMP TABLE \"##AMV1_loose\" AS SELECT * FROM " + SqlIdent(trans));
        m_db->execute("CREATE TEMP TABLE \"##AMV1_looseR\" AS SELECT * FROM " +
                      SqlIdent(trans + QLatin1Char('R')));
        insertRows(loose, ColumnNames(*table), {SampleRow(*table, Padded("5"), 3)});
        m_db->execute(QStringLiteral("UPDATE \"##AMV1_looseR\" SET sValue = sValue + 1"));
        m_db->execute(breaker.arg(loose));

        const QString error = failure([&] { call(kPurchase, {loose, "5", kSave}); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(m_db->transactionDepth(), 0);
        QCOMPARE(storedVoucher(*table, "5"), before);
        QCOMPARE(rowsOf(kComponents), componentsBefore);
    }

    void purchaseComponentsStoredAndReplaced()
    {
        const VoucherKind* kind = FindVoucherKindByProcedure(kPurchase);
        const QString trans = QStringLiteral("##AMV1_buy");
        const QStringList columns{"SanadNoAmval", "DaraCod", "GheimatCod", "sValue"};
        createComponentsTable(trans);
        // The components table also holds an asset the voucher does not have.
        insertRows(trans + QLatin1Char('R'), columns, {{Padded("3"), SampleText(6, 9), "1", 5.0}});
        QCOMPARE(storeVoucher(*kind, "3", {1, 2}, trans).size(), 2);
        const QString a1 = SampleText(6, 1), a2 = SampleText(6, 2), v3 = Padded("3");
        QCOMPARE(rowsOf(kComponents), (Rows{{v3, a1, "1", "100"},
                                            {v3, a1, "2", "200"},
                                            {v3, a2, "1", "200"},
                                            {v3, a2, "2", "400"}}));

        // Another voucher's components stay when this one is saved again; the second
        // asset leaves the voucher and the first one's amounts change.
        insertRows(QStringLiteral("D_Buy_Create_Relate_Gheimat"), columns,
                   {{Padded("4"), a1, "1", 7.0}});
        call(kPurchase, {trans, "3", kLoad});
        m_db->execute("DELETE FROM " + SqlIdent(trans) + " WHERE Raj = 2");
        m_db->execute("UPDATE " + SqlIdent(trans + QLatin1Char('R')) + " SET sValue = sValue * 3");
        QCOMPARE(retState(kPurchase, {trans, "3", kSave}), QStringLiteral("1"));
        const Rows replaced{
            {v3, a1, "1", "300"}, {v3, a1, "2", "600"}, {Padded("4"), a1, "1", "7"}};
        QCOMPARE(rowsOf(kComponents), replaced);

        // Without a components table the stored ones of the assets still there stay.
        m_db->dialect().dropTempTable(trans + QLatin1Char('R'));
        QCOMPARE(retState(kPurchase, {trans, "3", kSave}), QStringLiteral("1"));
        QCOMPARE(rowsOf(kComponents), replaced);

        call(kPurchase, {QString(), "3", kDelete});
        QCOMPARE(rowsOf(kComponents), (Rows{{Padded("4"), a1, "1", "7"}}));
    }

    void numberFormsFindOneVoucher()
    {
        const VoucherKind* kind = FindVoucherKindByTable(QStringLiteral("D_KenarM"));
        const TableDef* table = Schema::FindCompanyTable(kind->table);
        const QString trans = QStringLiteral("##AMV1_forms");
        const Rows stored = storeVoucher(*kind, "5", {1, 2}, trans);
        QCOMPARE(stored.size(), 2);
        for (const char* form : {" 5", "5", "   5", "       5"}) {
            call(kind->procedure, {trans, form, kLoad});
            QCOMPARE(tableRows(trans), stored);
        }
        // "50" is another voucher.
        call(kind->procedure, {trans, "50", kLoad});
        QVERIFY(tableRows(trans).isEmpty());

        // A row written unpadded by another program, after the others but numbered
        // before them, belongs to the same voucher, loads first and is replaced with it.
        const QVariantList foreign = SampleRow(*table, "5", 0);
        insertRows(table->name, ColumnNames(*table), {foreign});
        call(kind->procedure, {trans, "  5", kLoad});
        QCOMPARE(tableRows(trans), Rows{AsText(foreign)} + stored);
        QCOMPARE(retState(kind->procedure, {trans, "5", kSave}), QStringLiteral("1"));
        QCOMPARE(count("SELECT COUNT(*) FROM D_KenarM"), 3);
        QCOMPARE(count("SELECT COUNT(*) FROM D_KenarM WHERE SanadNoAmval = '       5'"), 3);
    }

    void countWindowKeepsItsOwnTable()
    {
        const VoucherKind* kind = FindVoucherKindByTable(QStringLiteral("D_Gardani"));
        const QString trans = QStringLiteral("##AMV1_count");
        insertRows(QStringLiteral("D_Amval"), {"DaraCod", "DaraNam"},
                   {{"     1", "ميز 'مدير' کار"}, {"     2", "صندلی\"گردان\""}});
        m_db->execute("CREATE TEMP TABLE " + SqlIdent(trans) +
                      "(SanadNoAmval Varchar(8), User_Name Varchar(50),SDate Varchar(10), DaraCod "
                      "Varchar(6), MakanCod Varchar(4), PersonelCod Varchar(5), DaraNam "
                      "Varchar(60))");
        const QStringList windowColumns = m_db->dialect().tableColumns(trans);
        // Rows as the window stamps them; the asset name is the window's own.
        QList<QVariantList> rows;
        for (const char* asset : {"     2", "     1", "     9"})
            rows << QVariantList{Padded("2"), "مدير", "1405/03/01", asset, "  12", "    7", "x"};
        insertRows(trans, windowColumns, rows);
        QCOMPARE(retState(kind->procedure, {trans, "2", kSave}), QStringLiteral("1"));
        QCOMPARE(rowsOf("SELECT SanadNoAmval, DaraCod FROM D_Gardani ORDER BY rowid"),
                 (Rows{{Padded("2"), "     2"}, {Padded("2"), "     1"}, {Padded("2"), "     9"}}));

        call(kind->procedure, {trans, "2", kLoad});
        QCOMPARE(m_db->dialect().tableColumns(trans), windowColumns);
        QCOMPARE(
            rowsOf("SELECT DaraCod, DaraNam, MakanCod FROM " + SqlIdent(trans) + " ORDER BY rowid"),
            (Rows{{"     2", "صندلی\"گردان\"", "  12"},
                  {"     1", "ميز 'مدير' کار", "  12"},
                  {"     9", "<NULL>", "  12"}}));
    }

    void deferredSaveAndRefusedArguments()
    {
        const VoucherKind* sale = FindVoucherKindByTable(QStringLiteral("D_ForoshDaymeh"));
        const TableDef* table = Schema::FindCompanyTable(sale->table);
        const QString trans = QStringLiteral("##AMV1_sale");
        call(sale->procedure, {trans, "4", kLoad});
        insertRows(trans, ColumnNames(*table), {SampleRow(*table, Padded("4"), 1)});

        // The sale's deferred save, with its date in quotes of its own: stored, and no
        // accounting voucher yet. The purchase has no deferred save.
        QCOMPARE(retState(sale->procedure, {trans, "4", "TRANS->DB1", "'1405/03/01'"}),
                 QStringLiteral("1"));
        QCOMPARE(storedVoucher(*table, "4").size(), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM Asnad"), 0);

        // No transaction table: nothing stored, and the save says so.
        const ProcedureResult missing = call(sale->procedure, {"##AMV1_gone", "4", kSave});
        QCOMPARE(missing.value(QStringLiteral("RetState")).toString(), QStringLiteral("0"));
        QVERIFY(missing.value(QStringLiteral("ErrorText")).toString().contains("##AMV1_gone"));
        QCOMPARE(storedVoucher(*table, "4").size(), 1);
    }

    void refusedArguments_data()
    {
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QStringList>("arguments");
        const QString sale = FindVoucherKindByTable(QStringLiteral("D_ForoshDaymeh"))->procedure;
        QTest::newRow("unknown mode") << sale << QStringList{"##AMV1_sale", "4", "SAVE"};
        QTest::newRow("no mode") << sale << QStringList{"##AMV1_sale", "4"};
        QTest::newRow("deferred purchase")
            << kPurchase << QStringList{"##AMV1_sale", "4", "TRANS->DB1", "'1405/03/01'"};
        QTest::newRow("unknown procedure") << QStringLiteral("sp_D_Asnad_Import") << QStringList{};
    }
    void refusedArguments()
    {
        QFETCH(QString, procedure);
        QFETCH(QStringList, arguments);
        QVERIFY(!failure([&] { call(procedure, arguments); }).isEmpty());
    }

    void actionLogRow()
    {
        const QStringList inserted{QString(),     "A",       "خريد/ساخت",  Padded("5"),
                                   "O'Neil مدير", "I",       "1405/03/01", "10:15:30",
                                   QString(),     QString(), QString(),    "AMV1"};
        QStringList deleted = inserted;
        deleted[5] = QStringLiteral("D");
        call(QStringLiteral("sp_Asnad_Actions"), inserted);
        call(QStringLiteral("sp_Asnad_Actions"), deleted);
        QCOMPARE(rowsOf("SELECT ActProg, ActSys, SectionNam, ActSanadNo, User_Name, ActType, "
                        "ActDate, ActTime, Extra1, Extra2, Extra3, TempStem FROM D_Asnad_Actions "
                        "ORDER BY ActionId"),
                 (Rows{inserted, deleted}));
        QVERIFY(!failure([&] {
                     call(QStringLiteral("sp_Asnad_Actions"), inserted.mid(0, 11));
                 }).isEmpty());
    }

    void accountingVoucherFoundOnceByItsLookup()
    {
        // Another system's voucher already holds number 41.
        m_db->execute("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, Document, "
                      "DocToDate) VALUES (41, '1405/01/10', 'A', '1', '77', '0')");
        // The lookup of the voucher windows, as they run it.
        const auto lookup = [this](const QString& code, const QString& number) {
            return rowsOf("Select SanadNo From Asnad Where TypeSys='D' And WhatDoc='" + code +
                          "' And ltrim(rtrim(Document))=ltrim(rtrim('" + number +
                          "')) And ltrim(DocToDate)='1' ");
        };
        const QString procedure = QStringLiteral("sp_D_Asnad_SodorSanad_FromFactor");
        call(procedure, {"12", "##AMV1_x", Padded("5"), "1405/03/01", "1", "مدير"});
        QCOMPARE(lookup("12", Padded("5")), (Rows{{"42"}}));
        QCOMPARE(lookup("12", "5"), (Rows{{"42"}}));

        // Issued again for the same voucher: the same accounting voucher, new date.
        call(procedure, {"12", "##AMV1_x", "5", "1405/03/09", "1", "مدير"});
        QCOMPARE(lookup("12", Padded("5")), (Rows{{"42"}}));
        QCOMPARE(rowsOf("SELECT SanadDate, TypeSys, WhatDoc, Document, DocToDate FROM Asnad WHERE "
                        "SanadNo = 42"),
                 (Rows{{"1405/03/09", "D", "12", Padded("5"), "1"}}));
        QCOMPARE(count("SELECT COUNT(*) FROM Asnad WHERE SanadDes LIKE '%خريد/ساخت%'"), 1);

        // Another kind with the same number is another accounting voucher.
        call(procedure, {"10", "##AMV1_x", Padded("5"), "1405/03/02", "1", "مدير"});
        QCOMPARE(lookup("10", Padded("5")), (Rows{{"43"}}));
        QCOMPARE(count("SELECT COUNT(*) FROM Asnad"), 3);
        QVERIFY(lookup("12", Padded("6")).isEmpty());
    }

    void startDateOfAnAsset_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("date");
        QTest::newRow("bare") << QStringLiteral("12") << QStringLiteral("1404/11/20");
        QTest::newRow("padded as stored")
            << QStringLiteral("    12") << QStringLiteral("1404/11/20");
        QTest::newRow("blanks both sides")
            << QStringLiteral(" 12 ") << QStringLiteral("1404/11/20");
        QTest::newRow("unknown asset") << QStringLiteral("99") << QStringLiteral("");
        QTest::newRow("a quote in the code") << QStringLiteral("1'2") << QStringLiteral("");
    }
    void startDateOfAnAsset()
    {
        QFETCH(QString, code);
        QFETCH(QString, date);
        insertRows(QStringLiteral("D_Amval"), {"DaraCod", "DaraNam", "BahreDate"},
                   {{"    12", "خودرو", "1404/11/20"}, {"   120", "ميز", "1405/01/05"}});
        const ProcedureResult result = call("sp_D_Return_StartDate", {"11405", code});
        QCOMPARE(result.rows.size(), 1);
        QCOMPARE(result.rows.first().value(0).toString(), date);
    }
};

QTEST_GUILESS_MAIN(TestProcedures)
#include "tst_procedures.moc"
