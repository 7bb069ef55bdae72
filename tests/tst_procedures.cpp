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

#include <QSet>
#include <QSqlError>
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
const QString kComponents = QStringLiteral("D_Buy_Create_Relate_Gheimat");

// A text in the letters the system stores (Arabic and Persian Yeh and Kaf mixed), with
// quotes that would end an unescaped literal, cut to `width` and ended by the row's
// number so that codes differ between rows.
QString SampleText(int width, int row)
{
    const QString pattern = QStringLiteral("كی'ي\" ک");
    const QString digits = QString::number(row);
    if (width <= 0)
        return pattern + QStringLiteral(" O'Neil ") + digits;
    return pattern.left(qMax(0, width - int(digits.size()))) + digits;
}

QString Padded(const QString& number, int width = 8)
{
    return number.trimmed().rightJustified(width, QLatin1Char(' '));
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

// What a stored copy of `row` holds: the voucher number right-aligned to its width.
QStringList Stored(const TableDef& table, QVariantList row, const QString& number)
{
    for (int i = 0; i < table.columns.size(); ++i) {
        if (table.columns.at(i).name.compare(QLatin1String("SanadNoAmval"), Qt::CaseInsensitive) ==
            0)
            row[i] = Padded(number);
    }
    return AsText(row);
}

bool HasRowNumber(const TableDef& table)
{
    return table.column(QStringLiteral("Raj")) != nullptr;
}

} // namespace

class TestProcedures : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DbConnection> m_db;
    std::unique_ptr<CompanyProcedures> m_procedures;

    ProcedureResult call(const QString& name, const QStringList& arguments)
    {
        return m_db->callProcedure(name, arguments);
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

    bool insertRows(const QString& table, const QStringList& columns,
                    const QList<QVariantList>& rows)
    {
        QStringList names;
        QStringList marks;
        for (const QString& c : columns) {
            names << SqlIdent(c);
            marks << QStringLiteral("?");
        }
        QSqlQuery q(m_db->database());
        if (!q.prepare(QStringLiteral("INSERT INTO ") + SqlIdent(table) + QStringLiteral(" (") +
                       names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                       marks.join(QStringLiteral(", ")) + QLatin1Char(')'))) {
            qWarning() << q.lastError().text();
            return false;
        }
        for (const QVariantList& row : rows) {
            for (const QVariant& v : row)
                q.addBindValue(v);
            if (!q.exec()) {
                qWarning() << q.lastError().text();
                return false;
            }
        }
        return true;
    }

    Rows rowsOf(const QString& sql)
    {
        Rows rows;
        QSqlQuery q = m_db->select(sql);
        const int count = q.record().count();
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < count; ++i)
                row << q.value(i);
            rows << AsText(row);
        }
        return rows;
    }

    // The stored rows of voucher `number` of `table`, in their voucher order.
    Rows storedVoucher(const TableDef& table, const QString& number)
    {
        return rowsOf(QStringLiteral("SELECT * FROM ") + SqlIdent(table.name) +
                      QStringLiteral(" WHERE SanadNoAmval = ") + SqlQuote(Padded(number)) +
                      QStringLiteral(" ORDER BY ") +
                      (HasRowNumber(table) ? QStringLiteral("Raj") : QStringLiteral("rowid")));
    }

    // A transaction table's rows in the order they were written into it.
    Rows tableRows(const QString& name)
    {
        return rowsOf(QStringLiteral("SELECT * FROM ") + SqlIdent(name) +
                      QStringLiteral(" ORDER BY rowid"));
    }

    int count(const QString& sql)
    {
        QSqlQuery q = m_db->select(sql);
        return q.next() ? q.value(0).toInt() : -1;
    }

    // Voucher `number` of `kind` stored through its procedure, with rows numbered
    // `rajs` (written in that order); returns the rows in voucher order.
    QList<QVariantList> storeVoucher(const VoucherKind& kind, const QString& number,
                                     const QList<int>& rajs, const QString& tableName)
    {
        const TableDef* table = Schema::FindCompanyTable(kind.table);
        call(kind.procedure, {tableName, number, kLoad});
        QList<QVariantList> rows;
        for (int raj : rajs)
            rows << SampleRow(*table, Padded(number), raj);
        if (!insertRows(tableName, ColumnNames(*table), rows))
            return {};
        const ProcedureResult saved = call(kind.procedure, {tableName, number, kSave});
        if (saved.value(QStringLiteral("RetState")).toString() != QLatin1String("1"))
            return {};
        if (HasRowNumber(*table)) {
            std::sort(rows.begin(), rows.end(), [](const QVariantList& a, const QVariantList& b) {
                return a.at(1).toInt() < b.at(1).toInt();
            });
        }
        return rows;
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
        m_procedures = std::make_unique<CompanyProcedures>();
        m_db->setProcedures(m_procedures.get());
    }

    void cleanup()
    {
        m_db.reset();
        m_procedures.reset();
        m_dir.reset();
    }

    void kindsMatchTheCatalogueAndTheRegistry()
    {
        QCOMPARE(VoucherKinds().size(), 13);
        QSet<QString> codes;
        for (const VoucherKind& kind : VoucherKinds()) {
            QVERIFY2(m_procedures->hasProcedure(kind.procedure), qPrintable(kind.procedure));
            QVERIFY2(Schema::FindCompanyTable(kind.table), qPrintable(kind.table));
            QCOMPARE(FindVoucherKindByProcedure(kind.procedure.toUpper()), &kind);
            QCOMPARE(FindVoucherKindByTable(QLatin1Char(' ') + kind.table.toLower()), &kind);
            if (kind.whatDoc.isEmpty())
                continue;
            QVERIFY2(!codes.contains(kind.whatDoc), qPrintable(kind.whatDoc));
            codes << kind.whatDoc;
            QCOMPARE(FindVoucherKindByWhatDoc(kind.whatDoc), &kind);
        }
        // Only the asset count has no voucher type code.
        QCOMPARE(codes.size(), 12);
        // The kinds the database registers carry the same codes as here.
        for (const Schema::KindRegistryRow& row : Schema::KindRegistryRows()) {
            const VoucherKind* kind = FindVoucherKindByTable(row.table);
            QVERIFY2(kind, qPrintable(row.table));
            QCOMPARE(kind->whatDoc, row.whatDoc);
        }
        QVERIFY(!FindVoucherKindByProcedure(QStringLiteral("sp_D_Asnad_Import")));
        QVERIFY(!FindVoucherKindByWhatDoc(QString()));
    }

    void registryMatchesNamesIgnoringCase()
    {
        QVERIFY(m_procedures->hasProcedure(QStringLiteral("SP_ASNAD_ACTIONS")));
        QVERIFY(!m_procedures->hasProcedure(QStringLiteral("sp_D_Asnad_Import")));
        QVERIFY(!failure([&] { call(QStringLiteral("sp_D_Asnad_Import"), {}); }).isEmpty());

        int calls = 0;
        m_procedures->add(QStringLiteral("sp_D_Asnad_Import"),
                          [&calls](DbConnection&, const QStringList& arguments) {
                              ++calls;
                              ProcedureResult result;
                              result.columns << QStringLiteral("Count");
                              result.rows << QVariantList{arguments.size()};
                              return result;
                          });
        QCOMPARE(
            call(QStringLiteral("SP_D_ASNAD_IMPORT"), {QStringLiteral("a"), QStringLiteral("b")})
                .value(QStringLiteral("Count"))
                .toInt(),
            2);
        QCOMPARE(calls, 1);
        QVERIFY(m_procedures->names().contains(QStringLiteral("sp_D_Asnad_Import")));
    }

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
        call(procedure, {trans, QStringLiteral("7"), kLoad});
        QCOMPARE(m_db->dialect().tableColumns(trans), ColumnNames(*table));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(trans)), 0);

        // Written out of order; the voucher keeps its row numbers.
        const QList<QVariantList> other =
            storeVoucher(*kind, QStringLiteral("8"), {1}, QStringLiteral("##AMV1_other"));
        QCOMPARE(other.size(), 1);
        const QList<QVariantList> rows = storeVoucher(*kind, QStringLiteral("7"), {3, 1, 2}, trans);
        QCOMPARE(rows.size(), 3);
        Rows expected;
        for (const QVariantList& row : rows)
            expected << Stored(*table, row, QStringLiteral("7"));
        QCOMPARE(storedVoucher(*table, QStringLiteral("7")), expected);
        QCOMPARE(expected.first().at(0), Padded(QStringLiteral("7")));

        // Loading again into the same, filled table replaces its rows, in voucher order.
        QVERIFY(insertRows(trans, ColumnNames(*table),
                           {SampleRow(*table, Padded(QStringLiteral("7")), 9)}));
        call(procedure, {trans, QStringLiteral("7"), kLoad});
        QCOMPARE(tableRows(trans), expected);

        // Saving the loaded voucher again replaces it rather than adding to it.
        QCOMPARE(call(procedure, {trans, Padded(QStringLiteral("7")), kSave})
                     .value(QStringLiteral("RetState"))
                     .toString(),
                 QStringLiteral("1"));
        QCOMPARE(storedVoucher(*table, QStringLiteral("7")), expected);

        call(procedure, {QString(), Padded(QStringLiteral("7")), kDelete});
        QVERIFY(storedVoucher(*table, QStringLiteral("7")).isEmpty());
        call(procedure, {trans, QStringLiteral("7"), kLoad});
        QVERIFY(tableRows(trans).isEmpty());
        // Another voucher of the kind is not touched.
        QCOMPARE(storedVoucher(*table, QStringLiteral("8")),
                 Rows{Stored(*table, other.first(), QStringLiteral("8"))});
    }

    void transactionTableRefusesAnAssetTwice_data()
    {
        QTest::addColumn<QString>("procedure");
        for (const VoucherKind& kind : VoucherKinds()) {
            if (!Schema::FindCompanyTable(kind.table)->transactionKey.isEmpty())
                QTest::newRow(qPrintable(kind.procedure)) << kind.procedure;
        }
    }
    void transactionTableRefusesAnAssetTwice()
    {
        QFETCH(QString, procedure);
        const QString trans = QStringLiteral("##AMV1_1405030110153001");
        call(procedure, {trans, QStringLiteral("1"), kLoad});
        const QString asset = SampleText(6, 1);
        QVERIFY(insertRows(
            trans,
            {QStringLiteral("SanadNoAmval"), QStringLiteral("Raj"), QStringLiteral("DaraCod")},
            {{Padded(QStringLiteral("1")), 1, asset}}));
        const QString message = failure([&] {
            m_db->execute(QStringLiteral("INSERT INTO ") + SqlIdent(trans) +
                          QStringLiteral(" (SanadNoAmval, Raj, DaraCod) VALUES (") +
                          SqlQuote(Padded(QStringLiteral("1"))) + QStringLiteral(", 2, ") +
                          SqlQuote(asset) + QLatin1Char(')'));
        });
        QVERIFY2(message.contains(QStringLiteral("Violation of PRIMARY KEY constraint 'PK_") +
                                      trans + "'",
                                  Qt::CaseInsensitive),
                 qPrintable(message));
        // Another asset is welcome.
        QVERIFY(insertRows(trans, {QStringLiteral("Raj"), QStringLiteral("DaraCod")},
                           {{2, SampleText(6, 2)}}));
        QCOMPARE(tableRows(trans).size(), 2);
    }

    void failedSaveLeavesTheStoredVoucher_data()
    {
        QTest::addColumn<QString>("breaker");
        QTest::addColumn<QString>("message");
        QTest::newRow("two rows with one row number") << "UPDATE \"%1\" SET Raj = 1"
                                                      << "Violation of PRIMARY KEY constraint";
        QTest::newRow("over-long description")
            << "UPDATE \"%1\" SET AmvalDes = replace(hex(zeroblob(100)), '00', 'xx') WHERE Raj = 2"
            << "String or binary data would be truncated";
        QTest::newRow("a component twice") << "INSERT INTO \"%1R\" SELECT * FROM \"%1R\" LIMIT 1"
                                           << "Violation of PRIMARY KEY constraint";
    }
    void failedSaveLeavesTheStoredVoucher()
    {
        QFETCH(QString, breaker);
        QFETCH(QString, message);
        const VoucherKind* kind = FindVoucherKindByProcedure(kPurchase);
        const TableDef* table = Schema::FindCompanyTable(kind->table);
        const QString trans = QStringLiteral("##AMV1_fail");
        createComponentsTable(trans);
        QCOMPARE(storeVoucher(*kind, QStringLiteral("5"), {1, 2}, trans).size(), 2);
        const Rows before = storedVoucher(*table, QStringLiteral("5"));
        const Rows componentsBefore = rowsOf(QStringLiteral(
            "SELECT * FROM D_Buy_Create_Relate_Gheimat ORDER BY DaraCod, GheimatCod"));
        QCOMPARE(componentsBefore.size(), 4);

        // The window's table takes what the stored table refuses: a copy without
        // widths or keys, with a third row and changed amounts.
        m_db->execute(QStringLiteral("CREATE TEMP TABLE \"##AMV1_loose\" AS SELECT * FROM ") +
                      SqlIdent(trans));
        m_db->execute(QStringLiteral("CREATE TEMP TABLE \"##AMV1_looseR\" AS SELECT * FROM ") +
                      SqlIdent(trans + QLatin1Char('R')));
        const QString loose = QStringLiteral("##AMV1_loose");
        QVERIFY(insertRows(loose, ColumnNames(*table),
                           {SampleRow(*table, Padded(QStringLiteral("5")), 3)}));
        m_db->execute(QStringLiteral("UPDATE \"##AMV1_looseR\" SET sValue = sValue + 1"));
        m_db->execute(breaker.arg(loose));

        const QString error = failure([&] {
            call(kPurchase, {loose, QStringLiteral("5"), kSave});
        });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(m_db->transactionDepth(), 0);
        QCOMPARE(storedVoucher(*table, QStringLiteral("5")), before);
        QCOMPARE(rowsOf(QStringLiteral(
                     "SELECT * FROM D_Buy_Create_Relate_Gheimat ORDER BY DaraCod, GheimatCod")),
                 componentsBefore);
    }

    void purchaseComponentsStoredAndReplaced()
    {
        const VoucherKind* kind = FindVoucherKindByProcedure(kPurchase);
        const QString trans = QStringLiteral("##AMV1_buy");
        createComponentsTable(trans);
        // The components table also holds an asset the voucher no longer has.
        QVERIFY(insertRows(trans + QLatin1Char('R'),
                           {QStringLiteral("SanadNoAmval"), QStringLiteral("DaraCod"),
                            QStringLiteral("GheimatCod"), QStringLiteral("GheimatNam"),
                            QStringLiteral("sValue")},
                           {{Padded(QStringLiteral("3")), SampleText(6, 9), QStringLiteral("1"),
                             QStringLiteral("خريد"), 5.0}}));
        QCOMPARE(storeVoucher(*kind, QStringLiteral("3"), {1, 2}, trans).size(), 2);
        const QString components = QStringLiteral(
            "SELECT SanadNoAmval, DaraCod, GheimatCod, sValue FROM D_Buy_Create_Relate_Gheimat "
            "ORDER BY SanadNoAmval, DaraCod, GheimatCod");
        const Rows stored = rowsOf(components);
        const Rows expected{
            {Padded("3"), SampleText(6, 1), "1", "100"},
            {Padded("3"), SampleText(6, 1), "2", "200"},
            {Padded("3"), SampleText(6, 2), "1", "200"},
            {Padded("3"), SampleText(6, 2), "2", "400"},
        };
        QCOMPARE(stored, expected);

        // Another voucher's components stay when this one is saved again.
        QVERIFY(insertRows(kComponents,
                           {QStringLiteral("SanadNoAmval"), QStringLiteral("DaraCod"),
                            QStringLiteral("GheimatCod"), QStringLiteral("sValue")},
                           {{Padded("4"), SampleText(6, 1), QStringLiteral("1"), 7.0}}));

        // The second asset leaves the voucher and the first one's amounts change.
        call(kPurchase, {trans, QStringLiteral("3"), kLoad});
        m_db->execute(QStringLiteral("DELETE FROM ") + SqlIdent(trans) +
                      QStringLiteral(" WHERE Raj = 2"));
        m_db->execute(QStringLiteral("UPDATE ") + SqlIdent(trans + QLatin1Char('R')) +
                      QStringLiteral(" SET sValue = sValue * 3"));
        QCOMPARE(call(kPurchase, {trans, QStringLiteral("3"), kSave})
                     .value(QStringLiteral("RetState"))
                     .toString(),
                 QStringLiteral("1"));
        QCOMPARE(rowsOf(components), (Rows{
                                         {Padded("3"), SampleText(6, 1), "1", "300"},
                                         {Padded("3"), SampleText(6, 1), "2", "600"},
                                         {Padded("4"), SampleText(6, 1), "1", "7"},
                                     }));

        // Without a components table the stored ones of the assets still there stay.
        m_db->dialect().dropTempTable(trans + QLatin1Char('R'));
        QCOMPARE(call(kPurchase, {trans, QStringLiteral("3"), kSave})
                     .value(QStringLiteral("RetState"))
                     .toString(),
                 QStringLiteral("1"));
        QCOMPARE(rowsOf(components).size(), 3);

        call(kPurchase, {QString(), QStringLiteral("3"), kDelete});
        QCOMPARE(rowsOf(components), (Rows{{Padded("4"), SampleText(6, 1), "1", "7"}}));
    }

    void numberFormsFindOneVoucher()
    {
        const VoucherKind* kind = FindVoucherKindByTable(QStringLiteral("D_KenarM"));
        const TableDef* table = Schema::FindCompanyTable(kind->table);
        const QString trans = QStringLiteral("##AMV1_forms");
        QCOMPARE(storeVoucher(*kind, QStringLiteral("5"), {1, 2}, trans).size(), 2);
        const Rows stored = storedVoucher(*table, QStringLiteral("5"));
        for (const QString& form : {QStringLiteral(" 5"), QStringLiteral("5"),
                                    QStringLiteral("   5"), Padded(QStringLiteral("5"))}) {
            call(kind->procedure, {trans, form, kLoad});
            QCOMPARE(tableRows(trans), stored);
        }
        // "50" and "15" are other vouchers.
        call(kind->procedure, {trans, QStringLiteral("50"), kLoad});
        QVERIFY(tableRows(trans).isEmpty());

        // A row written unpadded by another program, after the others but numbered
        // before them, belongs to the same voucher, loads first and is replaced with it.
        const QVariantList foreign = SampleRow(*table, QStringLiteral("5"), 0);
        QVERIFY(insertRows(table->name, ColumnNames(*table), {foreign}));
        call(kind->procedure, {trans, QStringLiteral("  5"), kLoad});
        QCOMPARE(tableRows(trans), Rows{AsText(foreign)} + stored);
        QCOMPARE(call(kind->procedure, {trans, QStringLiteral("5"), kSave})
                     .value(QStringLiteral("RetState"))
                     .toString(),
                 QStringLiteral("1"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM D_KenarM")), 3);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM D_KenarM WHERE SanadNoAmval = ") +
                       SqlQuote(Padded(QStringLiteral("5")))),
                 3);
    }

    void countWindowKeepsItsOwnTable()
    {
        const VoucherKind* kind = FindVoucherKindByTable(QStringLiteral("D_Gardani"));
        const QString trans = QStringLiteral("##AMV1_count");
        QVERIFY(insertRows(QStringLiteral("D_Amval"),
                           {QStringLiteral("DaraCod"), QStringLiteral("DaraNam")},
                           {{QStringLiteral("     1"), QStringLiteral("ميز 'مدير' کار")},
                            {QStringLiteral("     2"), QStringLiteral("صندلی\"گردان\"")}}));
        m_db->execute(QStringLiteral("CREATE TEMP TABLE ") + SqlIdent(trans) +
                      QStringLiteral("(SanadNoAmval Varchar(8), User_Name Varchar(50),SDate "
                                     "Varchar(10), DaraCod Varchar(6), MakanCod Varchar(4), "
                                     "PersonelCod Varchar(5), DaraNam Varchar(60))"));
        const QStringList windowColumns = m_db->dialect().tableColumns(trans);
        const QStringList columns{QStringLiteral("SanadNoAmval"), QStringLiteral("User_Name"),
                                  QStringLiteral("SDate"),        QStringLiteral("DaraCod"),
                                  QStringLiteral("MakanCod"),     QStringLiteral("PersonelCod")};
        // Rows as the window stamps them; the asset name is the window's own.
        QVERIFY(insertRows(trans, columns + QStringList{QStringLiteral("DaraNam")},
                           {{Padded("2"), "مدير", "1405/03/01", "     2", "  12", "    7", "x"},
                            {Padded("2"), "مدير", "1405/03/01", "     1", "  12", "    7", "y"},
                            {Padded("2"), "مدير", "1405/03/01", "     9", "  12", "    7", "z"}}));
        QCOMPARE(call(kind->procedure, {trans, QStringLiteral("2"), kSave})
                     .value(QStringLiteral("RetState"))
                     .toString(),
                 QStringLiteral("1"));
        QCOMPARE(
            rowsOf(QStringLiteral("SELECT SanadNoAmval, DaraCod FROM D_Gardani ORDER BY rowid")),
            (Rows{{Padded("2"), "     2"}, {Padded("2"), "     1"}, {Padded("2"), "     9"}}));

        call(kind->procedure, {trans, QStringLiteral("2"), kLoad});
        QCOMPARE(m_db->dialect().tableColumns(trans), windowColumns);
        QCOMPARE(rowsOf(QStringLiteral("SELECT DaraCod, DaraNam, MakanCod FROM ") +
                        SqlIdent(trans) + QStringLiteral(" ORDER BY rowid")),
                 (Rows{{"     2", "صندلی\"گردان\"", "  12"},
                       {"     1", "ميز 'مدير' کار", "  12"},
                       {"     9", "<NULL>", "  12"}}));
    }

    void modesAndArguments()
    {
        const VoucherKind* sale = FindVoucherKindByTable(QStringLiteral("D_ForoshDaymeh"));
        const TableDef* table = Schema::FindCompanyTable(sale->table);
        const QString trans = QStringLiteral("##AMV1_sale");
        call(sale->procedure, {trans, QStringLiteral("4"), kLoad});
        QVERIFY(insertRows(trans, ColumnNames(*table), {SampleRow(*table, Padded("4"), 1)}));

        // The sale's deferred save, with its date in quotes of its own.
        const ProcedureResult deferred =
            call(sale->procedure, {trans, QStringLiteral("4"), QStringLiteral("TRANS->DB1"),
                                   QStringLiteral("'1405/03/01'")});
        QCOMPARE(deferred.value(QStringLiteral("RetState")).toString(), QStringLiteral("1"));
        QCOMPARE(storedVoucher(*table, QStringLiteral("4")).size(), 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Asnad")), 0);
        QVERIFY(!failure([&] {
                     call(kPurchase, {trans, QStringLiteral("4"), QStringLiteral("TRANS->DB1"),
                                      QStringLiteral("'1405/03/01'")});
                 }).isEmpty());

        QVERIFY(!failure([&] {
                     call(sale->procedure, {trans, QStringLiteral("4"), "SAVE"});
                 }).isEmpty());
        QVERIFY(!failure([&] { call(sale->procedure, {trans, QStringLiteral("4")}); }).isEmpty());

        // No transaction table: nothing stored, and the save says so.
        const ProcedureResult missing =
            call(sale->procedure, {QStringLiteral("##AMV1_gone"), QStringLiteral("4"), kSave});
        QCOMPARE(missing.value(QStringLiteral("RetState")).toString(), QStringLiteral("0"));
        QVERIFY(missing.value(QStringLiteral("ErrorText")).toString().contains("##AMV1_gone"));
        QCOMPARE(storedVoucher(*table, QStringLiteral("4")).size(), 1);
    }

    void actionLogRow()
    {
        const QStringList arguments{QString(),
                                    QStringLiteral("A"),
                                    QStringLiteral("خريد/ساخت"),
                                    Padded(QStringLiteral("5")),
                                    QStringLiteral("O'Neil مدير"),
                                    QStringLiteral("I"),
                                    QStringLiteral("1405/03/01"),
                                    QStringLiteral("10:15:30"),
                                    QString(),
                                    QString(),
                                    QString(),
                                    QStringLiteral("AMV1")};
        call(QStringLiteral("sp_Asnad_Actions"), arguments);
        QStringList deleted = arguments;
        deleted[5] = QStringLiteral("D");
        call(QStringLiteral("sp_Asnad_Actions"), deleted);
        const QString columns = QStringLiteral(
            "ActProg, ActSys, SectionNam, ActSanadNo, User_Name, ActType, ActDate, ActTime, "
            "Extra1, Extra2, Extra3, TempStem");
        QCOMPARE(rowsOf(QStringLiteral("SELECT ") + columns +
                        QStringLiteral(" FROM D_Asnad_Actions ORDER BY ActionId")),
                 (Rows{arguments, deleted}));
        QVERIFY(!failure([&] {
                     call(QStringLiteral("sp_Asnad_Actions"), arguments.mid(0, 11));
                 }).isEmpty());
    }

    void accountingVoucherFoundOnceByItsLookup()
    {
        // Another system's voucher already holds number 41.
        m_db->execute(QStringLiteral("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, "
                                     "Document, DocToDate) VALUES (41, '1405/01/10', 'A', '1', "
                                     "'77', '0')"));
        // The lookup of the voucher windows, as they run it.
        auto lookup = [this](const QString& code, const QString& number) {
            return rowsOf(QStringLiteral("Select SanadNo From Asnad Where TypeSys='D' And "
                                         "WhatDoc='") +
                          code + QStringLiteral("' And ltrim(rtrim(Document))=ltrim(rtrim('") +
                          number + QStringLiteral("')) And ltrim(DocToDate)='1' "));
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
        QVERIFY(rowsOf("SELECT SanadDes FROM Asnad WHERE SanadNo = 42")
                    .first()
                    .first()
                    .contains(QStringLiteral("خريد/ساخت")));

        // Another kind with the same number is another accounting voucher.
        call(procedure, {"10", "##AMV1_x", Padded("5"), "1405/03/02", "1", "مدير"});
        QCOMPARE(lookup("10", Padded("5")), (Rows{{"43"}}));
        QCOMPARE(count("SELECT COUNT(*) FROM Asnad"), 3);
        QVERIFY(lookup("12", Padded("6")).isEmpty());
    }

    void startDateOfAnAsset()
    {
        QVERIFY(insertRows(
            QStringLiteral("D_Amval"),
            {QStringLiteral("DaraCod"), QStringLiteral("DaraNam"), QStringLiteral("BahreDate")},
            {{QStringLiteral("    12"), QStringLiteral("خودرو"), QStringLiteral("1404/11/20")},
             {QStringLiteral("   120"), QStringLiteral("ميز"), QStringLiteral("1405/01/05")}}));
        const QString procedure = QStringLiteral("sp_D_Return_StartDate");
        for (const QString& code :
             {QStringLiteral("12"), QStringLiteral("    12"), QStringLiteral(" 12 ")}) {
            const ProcedureResult result = call(procedure, {QStringLiteral("11405"), code});
            QCOMPARE(result.rows.size(), 1);
            QCOMPARE(result.rows.first().first().toString(), QStringLiteral("1404/11/20"));
        }
        const ProcedureResult unknown =
            call(procedure, {QStringLiteral("11405"), QStringLiteral("99")});
        QCOMPARE(unknown.rows.size(), 1);
        QCOMPARE(unknown.rows.first().first().toString(), QString());
    }

private:
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
        QVERIFY(insertRows(name,
                           {QStringLiteral("SanadNoAmval"), QStringLiteral("DaraCod"),
                            QStringLiteral("GheimatCod"), QStringLiteral("GheimatNam"),
                            QStringLiteral("sValue")},
                           rows));
    }
};

QTEST_GUILESS_MAIN(TestProcedures)
#include "tst_procedures.moc"
