// The company database's procedures on a fresh company database: each voucher kind
// loaded into, saved from and deleted through its transaction table, saves that fail
// half-way, the purchase's cost components, voucher number forms, the action log, the
// accounting voucher of an asset voucher and an asset's start date.

#include "companyprocedures.h"
#include "dialect.h"
#include "schema.h"
#include "sqlcheck.h"
#include "sqlquote.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"
#include "voucherkinds.h"

#include <functional>

namespace {

using Rows = QList<QStringList>;

const QString kLoad = "DB->TRANS";
const QString kSave = "TRANS->DB";
const QString kPurchase = "sp_D_Asnad_BuyCreate";
const QString kComponents = QStringLiteral(
    "SELECT SanadNoAmval, DaraCod, GheimatCod, sValue FROM D_Buy_Create_Relate_Gheimat "
    "ORDER BY SanadNoAmval, DaraCod, GheimatCod");
const QString kTruncated = "String or binary data would be truncated";

// A text in the letters the system stores (Arabic and Persian Yeh and Kaf mixed), with
// quotes that would end an unescaped literal and a tab, cut to `width` and ended by the
// row's number so that codes differ between rows.
QString SampleText(int width, int row)
{
    const QString pattern = "كی'ي\"\tک";
    const QString digits = QString::number(row);
    if (width <= 0)
        return pattern + " O'Neil " + digits;
    return pattern.left(qMax(0, width - int(digits.size()))) + digits;
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
        out << (v.isNull() ? "<NULL>" : v.toString());
    return out;
}

} // namespace

class TestProcedures : public QObject
{
    Q_OBJECT

    TestPlace m_place;
    CompanyProcedures m_procedures;
    std::unique_ptr<DbConnection> m_db;

    static QString Padded(const QString& number) { return number.trimmed().rightJustified(8, ' '); }
    auto call(const QString& p, const QStringList& a) { return m_db->callProcedure(p, a); }
    QString retState(const QString& name, const QStringList& arguments)
    {
        return call(name, arguments).value("RetState").toString();
    }

    // The message of the DatabaseError that `action` throws; empty when it throws none.
    static QString failure(const std::function<void()>& action)
    {
        const auto error = ThrownDatabaseError(action);
        return !error ? QString() : error->message().isEmpty() ? "?" : error->message();
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
        return StoredRows(*m_db, sql, values, "<NULL>");
    }

    // The stored rows of voucher `number` of `table`, in their voucher order.
    Rows storedVoucher(const TableDef& table, const QString& number)
    {
        return rowsOf("SELECT * FROM " + SqlIdent(table.name) +
                          " WHERE SanadNoAmval = ? ORDER BY " +
                          (table.column("Raj") ? "Raj" : m_db->dialect().rowAddressColumn()),
                      {Padded(number)});
    }

    // A transaction table's rows in the order they were written into it.
    Rows tableRows(const QString& name)
    {
        return rowsOf("SELECT * FROM " + SqlIdent(name) + " ORDER BY " +
                      m_db->dialect().rowAddressColumn());
    }

    // Voucher `number` of `kind` stored through its procedure, with rows numbered
    // `rajs` (written in that order); returns the rows it should leave stored, in
    // voucher order, for the caller to compare with what is stored.
    Rows storeVoucher(const VoucherKind& kind, const QString& number, const QList<int>& rajs,
                      const QString& tableName)
    {
        const TableDef* table = Schema::FindCompanyTable(kind.table);
        call(kind.procedure, {tableName, number, kLoad});
        QList<QVariantList> rows;
        QMap<int, QStringList> stored; // by row number, or as written where there is none
        for (int i = 0; i < rajs.size(); ++i) {
            rows << SampleRow(*table, Padded(number), rajs.at(i));
            stored.insert(table->column("Raj") ? rajs.at(i) : i, AsText(rows.last()));
        }
        insertRows(tableName, ColumnNames(*table), rows);
        call(kind.procedure, {tableName, number, kSave});
        return stored.values();
    }

    // The purchase window's cost components table beside `trans`, with two
    // components for each of the assets SampleRow gives rows 1 and 2.
    void createComponentsTable(const QString& trans)
    {
        const QString name = trans + QLatin1Char('R');
        m_db->execute("CREATE TEMP TABLE " + SqlIdent(name) +
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
        static int n = 0;
        m_db = m_place.open(QStringLiteral("ZELMORA_%1_1405").arg(++n));
        QVERIFY2(m_db->isOpen(), qPrintable(m_db->lastError()));
        Schema::CreateCompanySchema(*m_db);
        m_db->setProcedures(&m_procedures);
    }
    void cleanup() { m_db.reset(); }

    // Every column of every kind, with quotes, tabs and both Yeh and Kaf, comes back
    // byte for byte; vouchers are numbered in their stored form and found by any form
    // of their number, rows another program wrote unpadded included. The window's table
    // of each kind refuses a second row of one asset with the words the window
    // recognises, and an over-long code; the count's own table takes an asset twice,
    // since an imported sheet may list it twice.
    void roundTripOfEveryKind_data()
    {
        QTest::addColumn<QString>("procedure");
        for (const VoucherKind& kind : VoucherKinds())
            QTest::newRow(qPrintable(kind.procedure)) << kind.procedure;
    }
    void roundTripOfEveryKind()
    {
        QFETCH(QString, procedure);
        const VoucherKind& kind = *FindVoucherKindByProcedure(procedure);
        const TableDef* table = Schema::FindCompanyTable(kind.table);
        const QString trans = "##AMV1_14050301101530";

        // A new number: the table exists with the voucher table's columns, empty.
        call(procedure, {trans, "7", kLoad});
        QCOMPARE(m_db->dialect().tableColumns(trans).join(' ').toLower(),
                 ColumnNames(*table).join(' ').toLower());
        QVERIFY(tableRows(trans).isEmpty());

        // Written out of order; the voucher keeps its row numbers. "70" is another voucher.
        const Rows other = storeVoucher(kind, "8", {4}, "##AMV1_other");
        const Rows expected = storeVoucher(kind, "7", {3, 1, 2}, trans);
        QCOMPARE(storedVoucher(*table, "7"), expected);
        call(procedure, {trans, "70", kLoad});
        QVERIFY(tableRows(trans).isEmpty());

        // Loading again into the same, filled table replaces its rows, in voucher order,
        // whatever blanks the number has.
        for (const char* form : {"7", " 7", "   7", "       7"}) {
            insertRows(trans, ColumnNames(*table), {SampleRow(*table, Padded("7"), 9)});
            call(procedure, {trans, form, kLoad});
            QCOMPARE(tableRows(trans), expected);
        }

        // Saving the loaded voucher again replaces it rather than adding to it.
        QCOMPARE(retState(procedure, {trans, Padded("7"), kSave}), "1");
        QCOMPARE(storedVoucher(*table, "7"), expected);

        // A row written unpadded by another program, after the others but numbered
        // before them, belongs to the same voucher, loads first and is replaced with it.
        const bool numbered = table->column("Raj") != nullptr;
        if (numbered) {
            const QVariantList foreign = SampleRow(*table, "7", 0);
            insertRows(table->name, ColumnNames(*table), {foreign});
            call(procedure, {trans, "  7", kLoad});
            QCOMPARE(tableRows(trans), Rows{AsText(foreign)} + expected);
            QCOMPARE(retState(procedure, {trans, "7", kSave}), "1");
            QCOMPARE(
                rowsOf("SELECT COUNT(*), SUM(CASE WHEN SanadNoAmval = ? THEN 1 ELSE 0 END) FROM " +
                           SqlIdent(table->name) + " WHERE TRIM(SanadNoAmval) = '7'",
                       {Padded("7")}),
                (Rows{{"4", "4"}}));
        }

        call(procedure, {QString(), Padded("7"), "DELETE"});
        QVERIFY(storedVoucher(*table, "7").isEmpty());
        // Another voucher of the kind is not touched.
        QCOMPARE(storedVoucher(*table, "8"), other);

        call(procedure, {trans, "1", kLoad});
        int raj = 0;
        const auto insert = [&](const QString& asset) {
            QVariantList row{Padded("1"), asset};
            if (numbered)
                row << ++raj;
            const QStringList columns =
                QStringList{"SanadNoAmval", "DaraCod", "Raj"}.mid(0, row.size());
            return failure([&] { insertRows(trans, columns, {row}); });
        };
        QCOMPARE(insert(SampleText(6, 1)), QString());
        const bool count = kind.table == QLatin1String("D_Gardani");
        QCOMPARE(insert(SampleText(6, 1)),
                 count ? QString()
                       : QStringLiteral("Violation of PRIMARY KEY constraint 'PK_%1'. "
                                        "Cannot insert duplicate key in object '%1'.")
                             .arg(trans));
        QVERIFY(insert("1234567").startsWith(kTruncated));
        QCOMPARE(insert(SampleText(6, 2)), QString());
        QCOMPARE(tableRows(trans).size(), count ? 3 : 2);
    }

    // A voucher number reaches the procedures in any padding (leading blanks, trailing
    // blanks, none): a load, an edit saved with the loaded stamp, a new voucher on a
    // taken number and a delete all find the stored voucher, which stays stored under
    // its one stored form. The new one goes under the next free number, `next`: the
    // highest + 1 as a number, whatever the form another program stored the `others`
    // in (without blanks, as wide as the column, with trailing blanks), not by where
    // its text sorts.
    void numbersInAnyPadding_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QStringList>("others");
        QTest::addColumn<QString>("next");
        QTest::newRow("bare") << "N" << QStringList{Padded("9"), Padded("40")} << Padded("41");
        QTest::newRow("leading blanks")
            << "   N" << QStringList{Padded("40"), "95"} << Padded("96");
        QTest::newRow("trailing blanks") << "N  " << QStringList{"9", Padded("40")} << Padded("41");
        QTest::newRow("both") << " N " << QStringList{Padded("40"), "10000000"} << "10000001";
        QTest::newRow("stored form")
            << "stored" << QStringList{Padded("40"), "120  "} << Padded("121");
    }
    void numbersInAnyPadding()
    {
        QFETCH(QString, form);
        QFETCH(QStringList, others);
        QFETCH(QString, next);
        const auto as = [&](const QString& n) {
            return form == QLatin1String("stored") ? Padded(n) : QString(form).replace('N', n);
        };
        const VoucherKind& kind = *FindVoucherKindByProcedure(kPurchase);
        const TableDef& table = *Schema::FindCompanyTable(kind.table);
        const QString trans = "##AMV1_padding";
        for (const QString& number : others)
            insertRows(kind.table, {"SanadNoAmval", "Raj", "DaraCod"},
                       {{number, 1, SampleText(6, int(number.trimmed().toInt() % 97))}});
        const Rows stored = storeVoucher(kind, as("7"), {1, 2}, trans);
        QCOMPARE(storedVoucher(table, "7"), stored);

        const ProcedureResult loaded = call(kind.procedure, {trans, as("7"), kLoad});
        const QString stamp = loaded.value("Stamp").toString();
        QVERIFY(!stamp.isEmpty());
        QCOMPARE(tableRows(trans), stored);

        // The edit: saved with the stamp under the stored form; the rows replaced.
        m_db->execute("UPDATE " + SqlIdent(trans) + " SET AmvalDes = 'ویرایش' WHERE Raj = 2");
        const ProcedureResult saved =
            call(kind.procedure, {trans, as("7"), kSave, "@Expect=" + stamp});
        QCOMPARE(saved.value("RetState").toString(), "1");
        QCOMPARE(saved.value("SanadNoAmval").toString(), Padded("7"));
        QCOMPARE(rowsOf("SELECT COUNT(*), MAX(AmvalDes) FROM D_Buy_Create WHERE SanadNoAmval = ?",
                        {Padded("7")}),
                 (Rows{{"2", "ویرایش"}}));
        // The old stamp no longer matches, in whatever padding the number comes.
        QCOMPARE(call(kind.procedure, {trans, as("7"), kSave, "@Expect=" + stamp})
                     .value("Conflict")
                     .toString(),
                 "CHANGED");

        // A new voucher on the taken number goes under the next free one.
        const ProcedureResult renumbered =
            call(kind.procedure, {trans, as("7"), kSave, "@Expect=NEW"});
        QCOMPARE(renumbered.value("SanadNoAmval").toString(), next);
        QCOMPARE(rowsOf("SELECT COUNT(*) FROM D_Buy_Create WHERE SanadNoAmval = ?", {next}),
                 Rows{{"2"}});

        // The delete with the stamp of a fresh load finds it too.
        const QString now = call(kind.procedure, {trans, as("7"), kLoad}).value("Stamp").toString();
        QCOMPARE(retState(kind.procedure, {QString(), as("7"), "DELETE", "@Expect=" + now}), "1");
        for (const QString& number : others)
            QCOMPARE(rowsOf("SELECT COUNT(*) FROM D_Buy_Create WHERE SanadNoAmval = ?", {number}),
                     Rows{{"1"}});
        QCOMPARE(rowsOf("SELECT COUNT(*) FROM D_Buy_Create WHERE TRIM(SanadNoAmval) = '7'"),
                 Rows{{"0"}});
    }

    // A load's stamp stands for every stored value of the voucher and of its cost
    // components, in voucher order: another program's change that only moves the same
    // characters elsewhere, or empties a text to NULL, is still seen by the save.
    void aStampSeesEveryChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("unchanged") << QString();
        QTest::newRow("empty text to null")
            << "UPDATE D_Buy_Create SET AmvalDes = NULL WHERE Raj = 1";
        QTest::newRow("characters into the next column")
            << "UPDATE D_Buy_Create SET AmvalDes = 'a', MabadiCod = 'bc' WHERE Raj = 2";
        QTest::newRow("rows exchange values")
            << "UPDATE D_Buy_Create SET AmvalDes = CASE Raj WHEN 1 THEN 'ab' ELSE '' END";
        QTest::newRow("a component's amount")
            << "UPDATE D_Buy_Create_Relate_Gheimat SET sValue = sValue + 1 WHERE GheimatCod = "
               "'2'";
        QTest::newRow("a component less")
            << "DELETE FROM D_Buy_Create_Relate_Gheimat WHERE GheimatCod = '2'";
        QTest::newRow("a column more")
            << "ALTER TABLE D_Buy_Create ADD COLUMN Extra9 VARCHAR(5) DEFAULT 'x'";
    }
    void aStampSeesEveryChange()
    {
        QFETCH(QString, change);
        const VoucherKind& kind = *FindVoucherKindByProcedure(kPurchase);
        const QString trans = "##AMV1_stamp";
        createComponentsTable(trans);
        storeVoucher(kind, "5", {1, 2}, trans);
        m_db->execute("UPDATE D_Buy_Create SET AmvalDes = CASE Raj WHEN 1 THEN '' ELSE 'ab' END, "
                      "MabadiCod = 'c'");
        const QString stamp = call(kPurchase, {trans, "5", kLoad}).value("Stamp").toString();
        QVERIFY(!stamp.isEmpty());
        // Made again from the same rows, by this connection and by another one.
        QCOMPARE(call(kPurchase, {trans, "5", kLoad}).value("Stamp").toString(), stamp);
        auto other = m_place.open(m_db->databaseName());
        other->setProcedures(&m_procedures);
        QCOMPARE(other->callProcedure(kPurchase, {"##AMV1_other", "5", kLoad}).value("Stamp"),
                 stamp);
        other.reset();

        if (!change.isEmpty())
            m_db->execute(change);
        const ProcedureResult saved = call(kPurchase, {trans, "5", kSave, "@Expect=" + stamp});
        QCOMPARE(saved.value("Conflict").toString(), change.isEmpty() ? QString() : "CHANGED");
        QCOMPARE(saved.value("RetState").toString(), change.isEmpty() ? "1" : "0");
    }

    // The digest tells rows apart as well for a table of more columns than an engine's
    // function takes, and answers NULL over no rows.
    void aDigestOfManyColumns()
    {
        QStringList columns, declared;
        for (int i = 0; i < 130; ++i) {
            columns << SqlIdent(QStringLiteral("C%1").arg(i));
            declared << columns.last() + " Varchar(10)";
        }
        m_db->execute("CREATE TEMP TABLE " + SqlIdent("##wide") + " (" + declared.join(", ") + ")");
        const QString digestSql =
            "SELECT " + m_db->dialect().rowsDigestSql(
                            columns, SqlIdent("##wide") + " AS S WHERE 1 = 1", "S.\"C0\"");
        const auto digest = [&] { return rowsOf(digestSql).value(0).value(0); };
        QCOMPARE(digest(), "<NULL>");
        m_db->execute("INSERT INTO " + SqlIdent("##wide") +
                      " (\"C0\", \"C1\", \"C2\", \"C129\") "
                      "VALUES ('1', 'ab', 'c', ''), ('2', 'x', NULL, 'y')");
        const QString before = digest();
        QVERIFY(!before.isEmpty() && before != "<NULL>");
        QCOMPARE(digest(), before);
        const QStringList changes{
            "UPDATE " + SqlIdent("##wide") + " SET \"C1\" = 'a', \"C2\" = 'bc' WHERE \"C0\" = '1'",
            "UPDATE " + SqlIdent("##wide") + " SET \"C129\" = NULL WHERE \"C0\" = '1'",
            "UPDATE " + SqlIdent("##wide") + " SET \"C0\" = '3' WHERE \"C0\" = '1'"};
        QStringList seen{before};
        for (const QString& change : changes) {
            m_db->execute(change);
            const QString now = digest();
            QVERIFY2(!seen.contains(now), qPrintable(change));
            seen << now;
        }
    }

    // The purchase's cost components are stored with it and replaced with it; a save the
    // stored table refuses half-way leaves the stored voucher and its components exactly
    // as they were.
    void purchaseComponentsStoredReplacedAndKeptByAFailedSave()
    {
        const VoucherKind* kind = FindVoucherKindByProcedure(kPurchase);
        const TableDef* table = Schema::FindCompanyTable(kind->table);
        const QString trans = "##AMV1_buy";
        const QStringList columns{"SanadNoAmval", "DaraCod", "GheimatCod", "sValue"};
        createComponentsTable(trans);
        // The components table also holds an asset the voucher does not have.
        insertRows(trans + QLatin1Char('R'), columns, {{Padded("3"), SampleText(6, 9), "1", 5.0}});
        const Rows before = storeVoucher(*kind, "3", {1, 2}, trans);
        const QString a1 = SampleText(6, 1), a2 = SampleText(6, 2), v3 = Padded("3");
        const Rows componentsBefore{
            {v3, a1, "1", "100"}, {v3, a1, "2", "200"}, {v3, a2, "1", "200"}, {v3, a2, "2", "400"}};
        QCOMPARE(rowsOf(kComponents), componentsBefore);
        QCOMPARE(storedVoucher(*table, "3"), before);

        // The window's table takes what the stored table refuses: a copy without
        // widths or keys, with a third row and changed amounts, then broken by two rows
        // with one row number, an over-long description or a component twice.
        QStringList wide; // the texts without their widths
        for (const ColumnDef& c : table->columns)
            wide << (c.type == ColumnDef::Type::Text ? "CAST(" + c.name + " AS TEXT) AS " + c.name
                                                     : c.name);
        const QString key = "Violation of PRIMARY KEY constraint", loose = "##AMV1_loose";
        const QList<std::pair<QString, QString>> breakers{
            {"UPDATE \"%1\" SET Raj = 1", key},
            {"UPDATE \"%1\" SET AmvalDes = '" + QString(200, 'x') + "' WHERE Raj = 2", kTruncated},
            {"INSERT INTO \"%1R\" SELECT * FROM \"%1R\" LIMIT 1", key}};
        for (const auto& [breaker, message] : breakers) {
            m_db->dialect().dropTempTable(loose);
            m_db->dialect().dropTempTable(loose + QLatin1Char('R'));
            m_db->execute("CREATE TEMP TABLE \"##AMV1_loose\" AS SELECT " + wide.join(',') +
                          " FROM " + SqlIdent(trans));
            m_db->execute("CREATE TEMP TABLE \"##AMV1_looseR\" AS SELECT * FROM " +
                          SqlIdent(trans + QLatin1Char('R')));
            insertRows(loose, ColumnNames(*table), {SampleRow(*table, Padded("3"), 3)});
            m_db->execute("UPDATE \"##AMV1_looseR\" SET sValue = sValue + 1");
            m_db->execute(QString(breaker).arg(loose));

            const QString error = failure([&] { call(kPurchase, {loose, "3", kSave}); });
            QVERIFY2(error.contains(message), qPrintable(error));
            QCOMPARE(m_db->transactionDepth(), 0);
            QCOMPARE(storedVoucher(*table, "3"), before);
            QCOMPARE(rowsOf(kComponents), componentsBefore);
        }

        // Another voucher's components stay when this one is saved again; the second
        // asset leaves the voucher and the first one's amounts change.
        insertRows("D_Buy_Create_Relate_Gheimat", columns, {{Padded("4"), a1, "1", 7.0}});
        call(kPurchase, {trans, "3", kLoad});
        m_db->execute("DELETE FROM " + SqlIdent(trans) + " WHERE Raj = 2");
        m_db->execute("UPDATE " + SqlIdent(trans + QLatin1Char('R')) + " SET sValue = sValue * 3");
        QCOMPARE(retState(kPurchase, {trans, "3", kSave}), "1");
        const Rows replaced{
            {v3, a1, "1", "300"}, {v3, a1, "2", "600"}, {Padded("4"), a1, "1", "7"}};
        QCOMPARE(rowsOf(kComponents), replaced);

        // Without a components table the stored ones of the assets still there stay and
        // those of an asset no longer in the voucher go (the save's last statement);
        // made again after that save, the table is the next save's.
        m_db->dialect().dropTempTable(trans + QLatin1Char('R'));
        insertRows("D_Buy_Create_Relate_Gheimat", columns, {{v3, a2, "1", 9.0}});
        QCOMPARE(retState(kPurchase, {trans, "3", kSave}), "1");
        QCOMPARE(rowsOf(kComponents), replaced);
        createComponentsTable(trans);
        QCOMPARE(retState(kPurchase, {trans, "3", kSave}), "1");
        QCOMPARE(rowsOf(kComponents),
                 (Rows{{v3, a1, "1", "100"}, {v3, a1, "2", "200"}, {Padded("4"), a1, "1", "7"}}));

        call(kPurchase, {QString(), "3", "DELETE"});
        QCOMPARE(rowsOf(kComponents), (Rows{{Padded("4"), a1, "1", "7"}}));
    }

    void countWindowKeepsItsOwnTable()
    {
        const VoucherKind* kind = FindVoucherKindByTable("D_Gardani");
        const QString trans = "##AMV1_count";
        insertRows("D_Amval", {"DaraCod", "DaraNam"},
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
        QCOMPARE(retState(kind->procedure, {trans, "2", kSave}), "1");

        call(kind->procedure, {trans, "2", kLoad});
        QCOMPARE(m_db->dialect().tableColumns(trans), windowColumns);
        QCOMPARE(rowsOf("SELECT DaraCod, DaraNam, MakanCod FROM " + SqlIdent(trans) + " ORDER BY " +
                        m_db->dialect().rowAddressColumn()),
                 (Rows{{"     2", "صندلی\"گردان\"", "  12"},
                       {"     1", "ميز 'مدير' کار", "  12"},
                       {"     9", "<NULL>", "  12"}}));
    }

    void deferredSaveAndAMissingTable()
    {
        const VoucherKind* sale = FindVoucherKindByTable("D_ForoshDaymeh");
        const TableDef* table = Schema::FindCompanyTable(sale->table);
        const QString trans = "##AMV1_sale";
        call(sale->procedure, {trans, "4", kLoad});
        insertRows(trans, ColumnNames(*table), {SampleRow(*table, Padded("4"), 1)});

        // The sale's deferred save, with its date in quotes of its own: stored, and no
        // accounting voucher yet.
        QCOMPARE(retState(sale->procedure, {trans, "4", "TRANS->DB1", "'1405/03/01'"}), "1");
        QCOMPARE(storedVoucher(*table, "4").size(), 1);
        QCOMPARE(rowsOf("SELECT COUNT(*) FROM Asnad"), Rows{{"0"}});

        // No transaction table: nothing stored, and the save says so.
        const ProcedureResult missing = call(sale->procedure, {"##AMV1_gone", "4", kSave});
        QCOMPARE(missing.value("RetState").toString(), "0");
        QVERIFY(missing.value("ErrorText").toString().contains("##AMV1_gone"));
        QCOMPARE(storedVoucher(*table, "4").size(), 1);
    }

    void actionLogRow()
    {
        const QStringList inserted{QString(),     "A",       "خريد/ساخت",  Padded("5"),
                                   "O'Neil مدير", "I",       "1405/03/01", "10:15:30",
                                   QString(),     QString(), QString(),    "AMV1"};
        call("sp_Asnad_Actions", inserted);
        QCOMPARE(rowsOf("SELECT ActProg, ActSys, SectionNam, ActSanadNo, User_Name, ActType, "
                        "ActDate, ActTime, Extra1, Extra2, Extra3, TempStem FROM D_Asnad_Actions "
                        "ORDER BY ActionId"),
                 (Rows{inserted}));
    }

    void accountingVoucherIssuedOncePerVoucher()
    {
        // Another system's voucher already holds number 41.
        m_db->execute("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, Document, "
                      "DocToDate) VALUES (41, '1405/01/10', 'A', '1', '77', '0')");
        const QString procedure = "sp_D_Asnad_SodorSanad_FromFactor";
        call(procedure, {"12", "##AMV1_x", Padded("5"), "1405/03/01", "1", "مدير"});
        // Issued again for the same voucher: the same accounting voucher, new date.
        call(procedure, {"12", "##AMV1_x", "5", "1405/03/09", "1", "مدير"});
        QCOMPARE(rowsOf("SELECT COUNT(*) FROM Asnad WHERE SanadDes LIKE '%خريد/ساخت%'"),
                 Rows{{"1"}});
        // Another kind with the same number is another accounting voucher.
        call(procedure, {"10", "##AMV1_x", Padded("5"), "1405/03/02", "1", "مدير"});
        // Numbered after the other system's voucher, once each, stored as the windows'
        // lookup finds them (trimmed number, DocToDate '1'); the re-issue moved the date.
        QCOMPARE(rowsOf("SELECT SanadNo, SanadDate, TypeSys, WhatDoc, Document, DocToDate FROM "
                        "Asnad ORDER BY SanadNo"),
                 (Rows{{"41", "1405/01/10", "A", "1", "77", "0"},
                       {"42", "1405/03/09", "D", "12", Padded("5"), "1"},
                       {"43", "1405/03/02", "D", "10", Padded("5"), "1"}}));
    }

    // An asset's start date, found by its code in any padding; none for an unknown
    // code or one with a quote in it.
    void startDateOfAnAsset()
    {
        insertRows("D_Amval", {"DaraCod", "DaraNam", "BahreDate"},
                   {{"    12", "خودرو", "1404/11/20"}, {"   120", "ميز", "1405/01/05"}});
        for (const char* code : {"12", "    12", " 12 ", "99", "1'2"}) {
            const ProcedureResult result = call("sp_D_Return_StartDate", {"11405", code});
            QCOMPARE(result.rows.size(), 1);
            QCOMPARE(result.rows.first().value(0).toString(),
                     QString(code).contains("12") ? "1404/11/20" : "");
        }
    }
};

AMVAL_TEST_GUILESS_MAIN(TestProcedures)
#include "tst_procedures.moc"
