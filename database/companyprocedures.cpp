#include "companyprocedures.h"

#include "assetregister.h"
#include "assetreports.h"
#include "assetschedule.h"
#include "backup.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "gardaniprocedures.h"
#include "importprocedures.h"
#include "orderprocedures.h"
#include "registerondate.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <functional>

namespace {

const QString kNumberColumn = QStringLiteral("SanadNoAmval");
const QString kRowColumn = QStringLiteral("Raj");
const QString kAssetColumn = QStringLiteral("DaraCod");
const QString kAssetTable = QStringLiteral("D_Amval");
const QString kActionTable = QStringLiteral("D_Asnad_Actions");
const QString kAccountingTable = QStringLiteral("Asnad");

const QString kLoadMode = QStringLiteral("DB->TRANS");
const QString kSaveMode = QStringLiteral("TRANS->DB");
const QString kDeferredSaveMode = QStringLiteral("TRANS->DB1");
const QString kDeleteMode = QStringLiteral("DELETE");

void RequireArguments(const QString& procedure, const QStringList& arguments,
                      const QStringList& parameters)
{
    if (arguments.size() >= parameters.size())
        return;
    throw DatabaseError(QStringLiteral("Procedure or function '%1' expects parameter '@%2', "
                                       "which was not supplied.")
                            .arg(procedure, parameters.at(arguments.size())),
                        procedure);
}

// Statement texts made from tables' columns are the same as long as what they are
// made of is: a load and its stamp make theirs once, not on every call. `words` (the
// first naming the statement) and `lists` are everything the text is made of (the column
// lists as the dialect keeps them, which compare at once while they are the same lists).
QString MadeOnce(const QStringList& words, const QList<QStringList>& lists,
                 const std::function<QString()>& make)
{
    struct Made
    {
        QStringList words;
        QList<QStringList> lists;
        QString text;
    };
    thread_local QList<Made> made;
    for (const Made& m : std::as_const(made)) {
        if (m.words == words && m.lists == lists)
            return m.text;
    }
    // Few texts are asked for again and again; a schema change makes new ones.
    if (made.size() >= 64)
        made.clear();
    made.append({words, lists, make()});
    return made.constLast().text;
}

bool Has(const QStringList& columns, const QString& column)
{
    return columns.contains(column, Qt::CaseInsensitive);
}

QString Column(const QString& alias, const QString& column)
{
    return alias + QLatin1Char('.') + SqlIdent(column);
}

// The copy of a work table's rows (`work` AS `alias`, its columns `workColumns`)
// into the stored table `target` (its columns `stored`): each stored column the work
// table has takes its value, the voucher number the one value bound; a WHERE or
// ORDER BY may follow.
QString CopyRowsSql(const QString& target, const QStringList& stored, const QString& work,
                    const QStringList& workColumns, const QString& alias)
{
    QStringList into;
    QStringList values;
    for (const QString& column : stored) {
        if (column.compare(kNumberColumn, Qt::CaseInsensitive) == 0) {
            into << SqlIdent(column);
            values << QStringLiteral("?");
        } else if (Has(workColumns, column)) {
            into << SqlIdent(column);
            values << Column(alias, column);
        }
    }
    return QStringLiteral("INSERT INTO ") + SqlIdent(target) + QStringLiteral(" (") +
           into.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") +
           values.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + SqlIdent(work) +
           QStringLiteral(" AS ") + alias;
}

// The columns of a stored table; a table the database does not have is refused as
// the engine would refuse a statement on it.
QStringList StoredColumns(const DbConnection& connection, const QString& table)
{
    const QStringList columns = connection.dialect().tableColumns(table);
    if (columns.isEmpty())
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(table), table);
    return columns;
}

// Callers hand numbers over in any padding; every voucher number is brought to the
// stored form once, where a procedure takes it, so that the look-ups below compare
// the stored column as it is and use its key.
QString StoredNumber(const DbConnection& connection, const QString& table, const QString& number)
{
    return CompanyProcedures::StoredForm(connection, table, kNumberColumn, number);
}

// The voucher-number test of a WHERE clause, bound to NumberValues(number): the
// stored form, and the bare digits another program may have written, both looked up
// by the table's key.
QString NumberIs(const QString& alias)
{
    return (alias.isEmpty() ? SqlIdent(kNumberColumn) : Column(alias, kNumberColumn)) +
           QStringLiteral(" IN (?, ?)");
}

QVariantList NumberValues(const QString& storedNumber)
{
    return {SqlText(storedNumber), SqlText(storedNumber.trimmed())};
}

// A voucher number's test on `table` and its values. A number stored without its
// blanks (written by another program) sorts from "0" on, the padded ones below it.
// On the embedded engine one step of the key's index tells whether the table holds
// any: without one the stored form alone is tested, so the key finds the rows in its
// own order and nothing is sorted. On a server that step would be a round trip of
// its own, dearer than the two-value test: both forms are tested there.
struct NumberTest
{
    QString condition;
    QVariantList values;
};

NumberTest NumberMatch(DbConnection& connection, const QString& table, const QString& alias,
                       const QString& storedNumber)
{
    bool single = storedNumber.trimmed() == storedNumber;
    if (!single && !connection.isServer()) {
        bool unpadded = false;
        connection.selectEach(QStringLiteral("SELECT 1 FROM ") + SqlIdent(table) +
                                  QStringLiteral(" WHERE ") + SqlIdent(kNumberColumn) +
                                  QStringLiteral(" >= '0' LIMIT 1"),
                              {}, [&](QSqlQuery& q) { unpadded = q.next(); });
        single = !unpadded;
    }
    if (!single)
        return {NumberIs(alias), NumberValues(storedNumber)};
    return {(alias.isEmpty() ? SqlIdent(kNumberColumn) : Column(alias, kNumberColumn)) +
                QStringLiteral(" = ?"),
            {SqlText(storedNumber)}};
}

// The rows of `alias` in voucher order: by row number where the table has one, else
// in the order they were written.
QString RowOrder(const DbConnection& connection, const QStringList& columns, const QString& alias)
{
    return Has(columns, kRowColumn)
               ? Column(alias, kRowColumn)
               : alias + QLatin1Char('.') + connection.dialect().rowAddressColumn();
}

// An order of a voucher's stored rows that is the same whenever the same rows are
// stored: the table's key where it begins with the voucher number (read along its
// index, nothing sorted), else voucher order then the order written.
QString StampOrder(const DbConnection& connection, const QString& table, const QStringList& columns,
                   const QString& alias)
{
    const TableDef* def = Schema::FindCompanyTable(table);
    if (def != nullptr && !def->primaryKey.isEmpty() &&
        def->primaryKey.at(0).compare(kNumberColumn, Qt::CaseInsensitive) == 0) {
        QStringList key;
        for (const QString& column : def->primaryKey)
            key << Column(alias, column);
        return key.join(QStringLiteral(", "));
    }
    return RowOrder(connection, columns, alias) + QStringLiteral(", ") + alias + QLatin1Char('.') +
           connection.dialect().rowAddressColumn();
}

// Arguments given by name after the positional ones, as "@Name=value" (the way a
// named parameter is passed to a procedure): the value, or a null text when absent.
QString NamedArgument(const QStringList& arguments, const QString& name)
{
    const QString prefix = QLatin1Char('@') + name + QLatin1Char('=');
    for (const QString& argument : arguments) {
        if (argument.startsWith(prefix, Qt::CaseInsensitive))
            return argument.mid(prefix.size());
    }
    return QString();
}

// The positional arguments, without the named ones.
QStringList PositionalArguments(const QStringList& arguments)
{
    QStringList positional;
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1Char('@')))
            positional << argument;
    }
    return positional;
}

// What the stored voucher is now, as one text: its rows (and the purchase's cost
// components of it) in voucher order, every column. A window keeps the stamp of the
// voucher it loaded; the save compares it with the stamp inside its transaction, so
// that a voucher another user changed or deleted meanwhile is never overwritten.
// An empty text: no voucher of that number is stored. `ofTable`: the number's test on
// the voucher table, when the caller has already made it in this transaction.
QString VoucherStamp(DbConnection& connection, const VoucherKind& kind, const QString& number,
                     const NumberTest* ofTable = nullptr)
{
    struct Part
    {
        QStringList columns;
        QString fromWhere; // the number's test
        QVariantList values;
    };
    QStringList tables{kind.table};
    if (!kind.componentsTable.isEmpty())
        tables << kind.componentsTable;
    QList<Part> parts;
    QStringList words{QStringLiteral("stamp"),
                      connection.isServer() ? QStringLiteral("server") : QString()};
    QList<QStringList> lists;
    for (const QString& table : std::as_const(tables)) {
        Part p;
        p.columns = StoredColumns(connection, table);
        const NumberTest test = ofTable && table == kind.table
                                    ? *ofTable
                                    : NumberMatch(connection, table, QStringLiteral("S"), number);
        p.fromWhere = test.condition;
        p.values = test.values;
        words << table << test.condition;
        lists << p.columns;
        parts << p;
    }
    // The engine digests each table's rows: one statement answers the stamp.
    const QString sql = MadeOnce(words, lists, [&] {
        QStringList digests;
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QStringList quoted;
            for (const QString& column : std::as_const(parts.at(i).columns))
                quoted << SqlIdent(column);
            digests << connection.dialect().rowsDigestSql(
                quoted,
                SqlIdent(tables.at(i)) + QStringLiteral(" AS S WHERE ") + parts.at(i).fromWhere,
                StampOrder(connection, tables.at(i), parts.at(i).columns, QStringLiteral("S")));
        }
        return QStringLiteral("SELECT ") + digests.join(QStringLiteral(", "));
    });
    QVariantList values;
    for (const Part& p : std::as_const(parts))
        values << p.values;
    QString stamp;
    connection.selectEach(sql, values, [&](QSqlQuery& q) {
        if (!q.next() || q.value(0).isNull())
            return;
        stamp = q.value(0).toString();
        for (int i = 1; i < parts.size(); ++i)
            stamp += QLatin1Char('/') + q.value(i).toString();
    });
    return stamp;
}

// The number a new voucher is stored under, in the stored form, read inside the
// caller's write transaction: `number` when no voucher holds it, else the next free
// number of the voucher table (both answered by one statement). In the stored form
// (digits right-aligned with blanks to one width) the text order is the number order,
// so the highest number is the last key below "0": one step of the key's index. A
// number stored without blanks in front (not padded, or as wide as the column) sorts
// from "0" on; those few are read as numbers, and only when the first key from "0" on
// says there are any: the engine answers that from the index whatever it knows of the
// table's contents, where the highest of the cast numbers would be looked for over the
// whole table when the engine cannot tell that the range is empty. (The MAX of the
// bare column, which both engines answer from the index; an ORDER BY would be taken
// by the server for the cast column of the same name.)
QString NewVoucherNumber(DbConnection& connection, const VoucherKind& kind, const QString& number)
{
    const QString table = SqlIdent(kind.table);
    const QString column = SqlIdent(kNumberColumn);
    qint64 highest = 0;
    bool unpadded = false;
    {
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT EXISTS (SELECT 1 FROM ") + table +
                QStringLiteral(" AS S WHERE ") + NumberIs(QStringLiteral("S")) +
                QStringLiteral("), (SELECT CAST(MAX(") + column +
                QStringLiteral(") AS INTEGER) FROM ") + table + QStringLiteral(" WHERE ") + column +
                QStringLiteral(" < '0'), (SELECT N.") + column + QStringLiteral(" FROM ") + table +
                QStringLiteral(" AS N WHERE N.") + column + QStringLiteral(" >= '0' ORDER BY N.") +
                column + QStringLiteral(" LIMIT 1)"),
            NumberValues(number));
        if (!q.next() || !q.value(0).toBool())
            return number;
        if (!q.value(1).isNull())
            highest = q.value(1).toLongLong();
        unpadded = !q.value(2).isNull();
    }
    if (unpadded) {
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT MAX(CAST(") + column + QStringLiteral(" AS INTEGER)) FROM ") +
            table + QStringLiteral(" WHERE ") + column + QStringLiteral(" >= '0'"));
        if (q.next() && !q.value(0).isNull())
            highest = std::max(highest, q.value(0).toLongLong());
    }
    return StoredNumber(connection, kind.table, QString::number(highest + 1));
}

using WriteState = VoucherWriteAnswer::State;

VoucherWriteAnswer Answer(WriteState state, const QString& number = QString())
{
    VoucherWriteAnswer answer;
    answer.state = state;
    answer.number = number;
    if (state == WriteState::Changed)
        answer.errorText = QStringLiteral("The voucher was changed by another user.");
    else if (state == WriteState::Deleted)
        answer.errorText = QStringLiteral("The voucher was deleted by another user.");
    return answer;
}

// Whether the stored voucher is still the one the caller loaded (its stamp
// `expected`): Done when it is, else Changed or Deleted.
WriteState ConflictWith(DbConnection& connection, const VoucherKind& kind, const QString& number,
                        const QString& expected)
{
    const QString now = VoucherStamp(connection, kind, number);
    if (now.isEmpty())
        return WriteState::Deleted;
    return now == expected ? WriteState::Done : WriteState::Changed;
}

// DB->TRANS: the stored rows of the voucher become the transaction table's rows; the
// answer is the voucher's stamp.
QString LoadVoucher(DbConnection& connection, const VoucherKind& kind, const QString& tableName,
                    const QString& requested)
{
    Dialect& dialect = connection.dialect();
    if (tableName.trimmed().isEmpty())
        throw DatabaseError(QStringLiteral("%1: no transaction table named.").arg(kind.procedure),
                            kind.procedure);
    const TableDef* def = Schema::FindCompanyTable(kind.table);
    if (!def)
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(kind.table),
                            kind.procedure);

    // One view of the stored voucher for the rows and their stamp; only the
    // connection's own temporary table is written, so no other user waits for it.
    // The table's columns are read inside it, where what the connection kept of
    // them is known to hold.
    Transaction transaction(connection, DbConnection::TransactionKind::Read);
    const QStringList stored = StoredColumns(connection, kind.table);
    const QString number = StoredNumber(connection, kind.table, requested);
    // A table the window made itself carries columns of its own (the count voucher's
    // asset name): it stays, emptied, so the window's layout survives the load. A table
    // of exactly the stored columns is what an earlier load of the same window made: it
    // is emptied too, since making a table changes the schema and every statement
    // prepared on the connection is then prepared again. Any other table of that name
    // is a leftover and is made afresh.
    bool reused = false;
    QStringList target;
    if (dialect.tempObjectExists(tableName)) {
        const QStringList existing = dialect.tableColumns(tableName);
        const bool windowMade =
            std::any_of(existing.cbegin(), existing.cend(),
                        [&](const QString& column) { return !Has(stored, column); });
        const bool sameColumns = existing.size() == stored.size() &&
                                 std::equal(existing.cbegin(), existing.cend(), stored.cbegin(),
                                            [](const QString& a, const QString& b) {
                                                return a.compare(b, Qt::CaseInsensitive) == 0;
                                            });
        reused = windowMade || sameColumns;
        if (reused)
            target = existing;
        else
            dialect.dropTempTable(tableName);
    }
    if (reused) {
        connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(tableName));
    } else {
        connection.execute(Schema::CreateTransactionTableSql(dialect, *def, tableName));
        target = dialect.tableColumns(tableName);
    }
    const QStringList assetColumns =
        Has(stored, kAssetColumn) ? dialect.tableColumns(kAssetTable) : QStringList();
    const int assetWidth =
        assetColumns.isEmpty() ? 0 : dialect.columnWidth(kAssetTable, kAssetColumn);
    const NumberTest test = NumberMatch(connection, kind.table, QStringLiteral("S"), number);
    const QString copy = MadeOnce(
        {QStringLiteral("copy"), kind.table, tableName, test.condition, QString::number(assetWidth),
         connection.isServer() ? QStringLiteral("server") : QString()},
        {stored, target, assetColumns}, [&] {
            // The register keeps asset codes in their stored form: the voucher row's
            // code, in whatever padding it was written, is brought to that form, so that
            // the register is read by its key.
            const QString assetCode =
                assetColumns.isEmpty()
                    ? QString()
                    : dialect.padLeftExpression(QStringLiteral("trim(") +
                                                    Column(QStringLiteral("S"), kAssetColumn) +
                                                    QLatin1Char(')'),
                                                assetWidth);
            QStringList into;
            QStringList values;
            for (const QString& column : target) {
                if (Has(stored, column)) {
                    into << SqlIdent(column);
                    values << Column(QStringLiteral("S"), column);
                } else if (Has(assetColumns, column)) {
                    // The window's own columns that describe the asset come from the
                    // asset register.
                    into << SqlIdent(column);
                    values << QStringLiteral("(SELECT ") + Column(QStringLiteral("A"), column) +
                                  QStringLiteral(" FROM ") + SqlIdent(kAssetTable) +
                                  QStringLiteral(" AS A WHERE ") +
                                  Column(QStringLiteral("A"), kAssetColumn) +
                                  QStringLiteral(" = ") + assetCode + QStringLiteral(" LIMIT 1)");
                }
            }
            if (into.isEmpty())
                return QString();
            return QStringLiteral("INSERT INTO ") + SqlIdent(tableName) + QStringLiteral(" (") +
                   into.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") +
                   values.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                   SqlIdent(kind.table) + QStringLiteral(" AS S WHERE ") + test.condition +
                   QStringLiteral(" ORDER BY ") + RowOrder(connection, stored, QStringLiteral("S"));
        });
    if (!copy.isEmpty())
        connection.execute(copy, test.values);
    const QString stamp = VoucherStamp(connection, kind, number, &test);
    transaction.commit();
    return stamp;
}

// The purchase's cost components of the voucher's assets, from the components table
// the window kept beside its transaction table (its name + "R"). Without that table
// the stored components of the assets still in the voucher stay as they are.
void SaveComponents(DbConnection& connection, const VoucherKind& kind, const QString& tableName,
                    const QString& number)
{
    const QStringList stored = StoredColumns(connection, kind.componentsTable);
    // Only the voucher's own components are compared (found by the key), so their
    // asset codes may be compared without blanks, whoever wrote them.
    const QString inVoucher = QStringLiteral("(SELECT trim(") + SqlIdent(kAssetColumn) +
                              QStringLiteral(")") + QStringLiteral(" FROM ") + SqlIdent(tableName) +
                              QStringLiteral(" WHERE ") + SqlIdent(kAssetColumn) +
                              QStringLiteral(" IS NOT NULL)");
    const QString componentsName = tableName + QLatin1Char('R');
    const QString storedNumber = StoredNumber(connection, kind.componentsTable, number);
    const QVariantList ofNumber = NumberValues(storedNumber);
    const QStringList source = connection.dialect().tableColumns(componentsName);
    // The deletes answer nothing the save needs: on a server they go with the next
    // statement.
    if (source.isEmpty()) {
        connection.executeWithNext(QStringLiteral("DELETE FROM ") + SqlIdent(kind.componentsTable) +
                                       QStringLiteral(" WHERE ") + NumberIs(QString()) +
                                       QStringLiteral(" AND trim(") + SqlIdent(kAssetColumn) +
                                       QStringLiteral(") NOT IN ") + inVoucher,
                                   ofNumber);
        return;
    }

    connection.executeWithNext(QStringLiteral("DELETE FROM ") + SqlIdent(kind.componentsTable) +
                                   QStringLiteral(" WHERE ") + NumberIs(QString()),
                               ofNumber);
    connection.execute(
        CopyRowsSql(kind.componentsTable, stored, componentsName, source, QStringLiteral("C")) +
            QStringLiteral(" WHERE trim(") + Column(QStringLiteral("C"), kAssetColumn) +
            QStringLiteral(")") + QStringLiteral(" IN ") + inVoucher +
            QStringLiteral(" ORDER BY C.") + connection.dialect().rowAddressColumn(),
        {SqlText(storedNumber)});
}

// TRANS->DB: the transaction table's rows replace the stored voucher of that number.
// The call says what the caller believes is stored: a voucher it made (a number
// another user took meanwhile is not touched: the rows go under the next free
// number), the stamp of the voucher it loaded for an edit (a voucher changed or
// deleted meanwhile is refused), or nothing (the rows replace whatever is stored).
// The answer names the number the rows were stored under.
VoucherWriteAnswer SaveVoucher(DbConnection& connection, const VoucherKind& kind,
                               const VoucherSaveCall& call)
{
    const QString tableName = call.table.trimmed();
    const QString& requested = call.number;
    const QStringList source = connection.dialect().tableColumns(tableName);
    if (tableName.isEmpty() || source.isEmpty()) {
        VoucherWriteAnswer refused = Answer(WriteState::Refused);
        refused.errorText = QStringLiteral("Invalid object name '%1'.").arg(tableName);
        return refused;
    }

    Transaction transaction(connection);
    const QStringList stored = StoredColumns(connection, kind.table);
    // Every save and delete of the kind waits here for the one before it to end:
    // what it reads of the stored vouchers (the last number, the stamp) stays true.
    Schema::LockNumbering(connection, kind.table);
    QString number = StoredNumber(connection, kind.table, requested);
    const bool isNew = call.isNew;
    if (isNew) {
        number = NewVoucherNumber(connection, kind, number);
    } else if (!call.expectedStamp.isEmpty()) {
        const WriteState conflict = ConflictWith(connection, kind, number, call.expectedStamp);
        if (conflict != WriteState::Done)
            return Answer(conflict);
    }

    // The assets the voucher moved before this save and those it moves now. A new
    // voucher's number holds no rows (looked up under the lock): nothing to replace.
    const bool moves = AssetRegister::Follows(kind.table);
    // A purchase moves nothing of the record, but its cost price is part of the cost
    // a reduction of the asset took its share of.
    const bool costs = AssetRegister::Costs(kind.table);
    // The records of the assets a save that does not move them uses are locked as the
    // recompute locks those of a save that does: the window's guard, asked before the
    // commit, then reads every sale and retirement of them committed by another user.
    if (!moves && Has(source, kAssetColumn))
        AssetRegister::LockAssetsOf(connection, tableName);
    QStringList moved;
    if (!isNew) {
        if (moves || costs)
            moved = AssetRegister::AssetsOfVoucher(connection, kind.table, number);
        connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kind.table) +
                               QStringLiteral(" WHERE ") + NumberIs(QString()),
                           NumberValues(number));
    }
    connection.execute(CopyRowsSql(kind.table, stored, tableName, source, QStringLiteral("T")) +
                           QStringLiteral(" ORDER BY ") +
                           RowOrder(connection, source, QStringLiteral("T")),
                       {StoredNumber(connection, kind.table, number)});
    if (!kind.componentsTable.isEmpty())
        SaveComponents(connection, kind, tableName, number);
    if (moves) {
        moved += AssetRegister::AssetsOfVoucher(connection, kind.table, number);
        AssetRegister::Recompute(connection, moved);
    } else if (costs) {
        AssetRegister::RecomputeReduced(connection, moved, tableName);
    }
    const VoucherWriteAnswer done =
        Answer(WriteState::Done, StoredNumber(connection, kind.table, number));
    transaction.commit();
    return done;
}

// DELETE: the stored voucher, and the purchase's components of it, are removed. With
// the stamp of the voucher the caller loaded (`expect`), a voucher changed or
// deleted meanwhile is left as it is and the answer says so.
VoucherWriteAnswer DeleteVoucher(DbConnection& connection, const VoucherKind& kind,
                                 const QString& requested, const QString& expect)
{
    Transaction transaction(connection);
    StoredColumns(connection, kind.table);
    const QString number = StoredNumber(connection, kind.table, requested);
    Schema::LockNumbering(connection, kind.table);
    if (!expect.isEmpty()) {
        const WriteState conflict = ConflictWith(connection, kind, number, expect);
        if (conflict != WriteState::Done)
            return Answer(conflict);
    }
    const bool costs = AssetRegister::Costs(kind.table);
    const QStringList moved = AssetRegister::Follows(kind.table) || costs
                                  ? AssetRegister::AssetsOfVoucher(connection, kind.table, number)
                                  : QStringList();
    connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kind.table) +
                           QStringLiteral(" WHERE ") + NumberIs(QString()),
                       NumberValues(number));
    if (costs)
        AssetRegister::RecomputeReduced(connection, moved);
    else
        AssetRegister::Recompute(connection, moved);
    if (!kind.componentsTable.isEmpty()) {
        StoredColumns(connection, kind.componentsTable);
        connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kind.componentsTable) +
                               QStringLiteral(" WHERE ") + NumberIs(QString()),
                           NumberValues(StoredNumber(connection, kind.componentsTable, number)));
    }
    transaction.commit();
    return Answer(WriteState::Done);
}

// The accounting voucher of an asset voucher, as AccountingVoucherNo looks it up:
// the test, whose placeholders take IssuedForValues(code, number). The accounting side
// writes Document in a padding of its own; trim(Document) is indexed.
const QString kIssuedFor = QStringLiteral(
    "TypeSys = 'D' AND WhatDoc = ? AND trim(Document) = ? AND ltrim(DocToDate) = '1'");

QVariantList IssuedForValues(const QString& code, const QString& number)
{
    return {SqlText(code.trimmed()), SqlText(number.trimmed())};
}

} // namespace

CompanyProcedures::CompanyProcedures()
{
    for (const VoucherKind& kind : VoucherKinds()) {
        add(kind.procedure, [&kind](DbConnection& connection, const QStringList& arguments) {
            return VoucherProcedure(kind, connection, arguments);
        });
    }
    add(QStringLiteral("sp_Asnad_Actions"), &LogAction);
    add(QStringLiteral("sp_D_Asnad_SodorSanad_FromFactor"), &IssueAccountingVoucher);
    add(QStringLiteral("sp_D_Return_StartDate"), &AssetStartDate);
    // The tax-return group window's start-up step: its group columns as wide as the
    // company's, and its kind in the registry. Answers the failure's text, or "".
    add(QStringLiteral("sp_D_Prepare_Change_VezArat"),
        [](DbConnection& connection, const QStringList&) {
            ProcedureResult result;
            result.columns << QStringLiteral("Message");
            result.rows << QVariantList{Schema::PrepareTaxGroupChange(connection)};
            return result;
        });
    // The receive/pay order window: its work table of warehouse documents, and the
    // lock its confirmation writes the orders under.
    add(QStringLiteral("sp_A_Asnad_Prepare_NCommand"), &OrderProcedures::PrepareOrders);
    add(QStringLiteral("sp_A_Lock_NCommand"), &OrderProcedures::LockOrders);
    // The count voucher's save refuses an asset counted in another count voucher.
    add(VoucherKindOf(VoucherKindId::Gardani).procedure, &GardaniProcedures::Call);
    // The carry-forward of vouchers from another fiscal period.
    ImportProcedures::Register(*this);
    // A backup of the whole data place, which the carry-forward offers before it writes.
    add(QStringLiteral("sp_D_Backup"), &BackupProcedure);
    // The asset card and the ledger check of the report windows (read only).
    AssetReports::Register(*this);
    // The register as it stood on a day, of its report window (read only).
    RegisterOnDate::Register(*this);
    // The yearly schedule of the assets by tax-return group (read only).
    AssetSchedule::Register(*this);
}

QString CompanyProcedures::StoredForm(const DbConnection& connection, const QString& table,
                                      const QString& column, const QString& value)
{
    const int width = connection.dialect().columnWidth(table, column);
    return width > 0 ? value.trimmed().rightJustified(width, QLatin1Char(' ')) : value.trimmed();
}

QString CompanyProcedures::Unquoted(const QString& text)
{
    QString value = text.trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) &&
        value.endsWith(QLatin1Char('\'')))
        value = value.mid(1, value.size() - 2);
    return value;
}

void CompanyProcedures::add(const QString& name, Procedure procedure)
{
    m_procedures.insert(name.trimmed().toLower(), Entry{name.trimmed(), std::move(procedure)});
}

QStringList CompanyProcedures::names() const
{
    QStringList list;
    for (const Entry& entry : m_procedures)
        list << entry.name;
    list.sort(Qt::CaseInsensitive);
    return list;
}

bool CompanyProcedures::hasProcedure(const QString& name) const
{
    return m_procedures.contains(name.trimmed().toLower());
}

namespace {

// A procedure that lost a race with another user's save (two saves waiting for each
// other, or data changed under it) has undone its own work: it runs again, a few
// times, before the caller hears of it.
template <typename Call> auto Retried(Call call)
{
    constexpr int kAttempts = 4;
    for (int attempt = 1;; ++attempt) {
        try {
            return call();
        } catch (const DatabaseError& e) {
            if (e.kind() != DatabaseError::Kind::Conflict || attempt == kAttempts)
                throw;
        }
    }
}

const QString kActionProcedure = QStringLiteral("sp_Asnad_Actions");
const QString kAccountingProcedure = QStringLiteral("sp_D_Asnad_SodorSanad_FromFactor");

// The action log's row: one column per value, in the by-name procedure's argument
// order; the row number is the table's own.
void InsertAction(DbConnection& connection, const QStringList& values)
{
    static const QStringList columns{
        QStringLiteral("ActProg"),    QStringLiteral("ActSys"),    QStringLiteral("SectionNam"),
        QStringLiteral("ActSanadNo"), QStringLiteral("User_Name"), QStringLiteral("ActType"),
        QStringLiteral("ActDate"),    QStringLiteral("ActTime"),   QStringLiteral("Extra1"),
        QStringLiteral("Extra2"),     QStringLiteral("Extra3"),    QStringLiteral("TempStem")};
    RequireArguments(kActionProcedure, values, columns);
    StoredColumns(connection, kActionTable);
    QStringList into;
    QStringList marks;
    QVariantList bound;
    for (int i = 0; i < columns.size(); ++i) {
        into << SqlIdent(columns.at(i));
        marks << QStringLiteral("?");
        bound << SqlText(values.at(i));
    }
    Transaction transaction(connection);
    connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kActionTable) +
                           QStringLiteral(" (") + into.join(QStringLiteral(", ")) +
                           QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) +
                           QLatin1Char(')'),
                       bound);
    transaction.commit();
}

} // namespace

ProcedureResult CompanyProcedures::callProcedure(DbConnection& connection, const QString& name,
                                                 const QStringList& arguments)
{
    const auto it = m_procedures.constFind(name.trimmed().toLower());
    if (it == m_procedures.cend())
        throw MissingProcedure(name);
    return Retried([&] { return it->procedure(connection, arguments); });
}

QString CompanyProcedures::loadVoucher(DbConnection& connection, const VoucherKind& kind,
                                       const QString& table, const QString& number)
{
    return Retried([&] { return LoadVoucher(connection, kind, table.trimmed(), number); });
}

VoucherWriteAnswer CompanyProcedures::saveVoucher(DbConnection& connection,
                                                  const VoucherSaveCall& call)
{
    if (call.kind->id == VoucherKindId::Gardani)
        return Retried([&] { return GardaniProcedures::Save(connection, call); });
    return Retried([&] { return StoreRows(connection, call); });
}

VoucherWriteAnswer CompanyProcedures::deleteVoucher(DbConnection& connection,
                                                    const VoucherDeleteCall& call)
{
    return Retried([&] {
        return DeleteVoucher(connection, *call.kind, call.number, call.expectedStamp.trimmed());
    });
}

void CompanyProcedures::logAction(DbConnection& connection, const ActionLogEntry& entry)
{
    Retried([&] {
        InsertAction(connection, {QString(), QStringLiteral("A"), entry.section, entry.number,
                                  entry.user, entry.action, entry.date, entry.clock, QString(),
                                  QString(), QString(), entry.stem});
    });
}

void CompanyProcedures::issueAccountingVoucher(DbConnection& connection,
                                               const AccountingVoucherCall& call)
{
    Retried([&] { IssueAccounting(connection, call); });
}

QString CompanyProcedures::assetStartDate(DbConnection& connection, const QString& asset)
{
    return StartDateOf(connection, asset);
}

QString CompanyProcedures::StartDateOf(DbConnection& connection, const QString& asset)
{
    const QString code =
        CompanyProcedures::StoredForm(connection, kAssetTable, kAssetColumn, asset);
    QSqlQuery q = connection.select(QStringLiteral("SELECT COALESCE(BahreDate, '') FROM ") +
                                        SqlIdent(kAssetTable) + QStringLiteral(" WHERE ") +
                                        SqlIdent(kAssetColumn) + QStringLiteral(" = ? LIMIT 1"),
                                    {SqlText(code)});
    return q.next() ? q.value(0).toString() : QString();
}

VoucherWriteAnswer CompanyProcedures::StoreRows(DbConnection& connection,
                                                const VoucherSaveCall& call)
{
    // Only the sale has a save whose accounting voucher comes later.
    if (call.deferred && !call.kind->acceptsDeferredSave)
        throw DatabaseError(
            QStringLiteral("%1: unknown mode '%2'.").arg(call.kind->procedure, kDeferredSaveMode),
            call.kind->procedure);
    return SaveVoucher(connection, *call.kind, call);
}

ProcedureResult CompanyProcedures::SaveResult(bool saved, const QString& errorText)
{
    ProcedureResult result;
    result.columns << QStringLiteral("RetState");
    QVariantList row{saved ? QStringLiteral("1") : QStringLiteral("0")};
    if (!saved) {
        result.columns << QStringLiteral("ErrorText");
        row << errorText;
    }
    result.rows << row;
    return result;
}

ProcedureResult CompanyProcedures::ByName(const VoucherWriteAnswer& answer)
{
    ProcedureResult result = SaveResult(answer.state == WriteState::Done, answer.errorText);
    switch (answer.state) {
    case WriteState::Done:
        if (!answer.number.isEmpty()) {
            result.columns << kNumberColumn;
            result.rows[0] << answer.number;
        }
        break;
    case WriteState::Changed:
    case WriteState::Deleted:
        result.columns << QStringLiteral("Conflict");
        result.rows[0] << (answer.state == WriteState::Deleted ? QStringLiteral("DELETED")
                                                               : QStringLiteral("CHANGED"));
        break;
    case WriteState::Refused:
        if (!answer.counted.isEmpty()) {
            // One row per asset at fault, each naming it.
            result.columns << QStringLiteral("Counted") << QStringLiteral("CountedIn");
            const QVariantList first = result.rows.value(0);
            result.rows.clear();
            for (const auto& [asset, countedIn] : answer.counted)
                result.rows << first + QVariantList{asset, countedIn};
        }
        break;
    }
    return result;
}

VoucherSaveCall CompanyProcedures::SaveCallOf(const VoucherKind& kind, const QStringList& arguments)
{
    const QStringList positional = PositionalArguments(arguments);
    VoucherSaveCall call;
    call.kind = &kind;
    call.table = positional.value(0).trimmed();
    call.number = Unquoted(positional.value(1));
    call.deferred =
        positional.value(2).trimmed().compare(kDeferredSaveMode, Qt::CaseInsensitive) == 0;
    const QString expect = NamedArgument(arguments, QStringLiteral("Expect")).trimmed();
    call.isNew = expect.compare(QLatin1String("NEW"), Qt::CaseInsensitive) == 0;
    if (!call.isNew)
        call.expectedStamp = expect;
    return call;
}

ProcedureResult CompanyProcedures::VoucherProcedure(const VoucherKind& kind,
                                                    DbConnection& connection,
                                                    const QStringList& given)
{
    const QStringList arguments = PositionalArguments(given);
    RequireArguments(
        kind.procedure, arguments,
        {QStringLiteral("TableName"), QStringLiteral("SanadNo"), QStringLiteral("Mode")});
    const QString tableName = arguments.at(0).trimmed();
    // Brought to the stored form inside the procedure's transaction.
    const QString number = CompanyProcedures::Unquoted(arguments.at(1));
    const QString mode = arguments.at(2).trimmed();
    const QString expect = NamedArgument(given, QStringLiteral("Expect")).trimmed();

    if (mode.compare(kLoadMode, Qt::CaseInsensitive) == 0) {
        ProcedureResult result;
        result.columns << QStringLiteral("Stamp");
        result.rows << QVariantList{LoadVoucher(connection, kind, tableName, number)};
        return result;
    }
    // The deferred save stores exactly as the plain one; the date it brings (quoted)
    // only tells that the accounting voucher will be issued later, from elsewhere.
    if (mode.compare(kSaveMode, Qt::CaseInsensitive) == 0 ||
        (kind.acceptsDeferredSave && mode.compare(kDeferredSaveMode, Qt::CaseInsensitive) == 0))
        return ByName(SaveVoucher(connection, kind, SaveCallOf(kind, given)));
    if (mode.compare(kDeleteMode, Qt::CaseInsensitive) == 0)
        return ByName(DeleteVoucher(connection, kind, number, expect));
    throw DatabaseError(
        QStringLiteral("%1: unknown mode '%2'.").arg(kind.procedure, arguments.at(2)),
        kind.procedure);
}

ProcedureResult CompanyProcedures::LogAction(DbConnection& connection, const QStringList& arguments)
{
    InsertAction(connection, arguments);
    return {};
}

ProcedureResult CompanyProcedures::IssueAccountingVoucher(DbConnection& connection,
                                                          const QStringList& arguments)
{
    RequireArguments(kAccountingProcedure, arguments,
                     {QStringLiteral("WhatDoc"), QStringLiteral("TableName"),
                      QStringLiteral("SanadNo"), QStringLiteral("SanadDate"),
                      QStringLiteral("CompanyCod"), QStringLiteral("User_Name")});
    IssueAccounting(connection, {Unquoted(arguments.at(0)), Unquoted(arguments.at(1)),
                                 Unquoted(arguments.at(2)), Unquoted(arguments.at(3)),
                                 Unquoted(arguments.at(4)), Unquoted(arguments.at(5))});
    return {};
}

void CompanyProcedures::IssueAccounting(DbConnection& connection, const AccountingVoucherCall& call)
{
    const QString& procedure = kAccountingProcedure;
    const QString code = call.code.trimmed();
    const QString number = call.number.trimmed();
    const QString& date = call.date;
    const QString& company = call.company;
    const QString& user = call.user;
    if (code.isEmpty() || number.isEmpty())
        throw DatabaseError(
            QStringLiteral("%1: no voucher type code or voucher number given.").arg(procedure),
            procedure);
    StoredColumns(connection, kAccountingTable);

    // The document keeps the voucher number in its stored form, so that it reads as
    // the voucher tables' numbers do.
    const VoucherKind* kind = FindVoucherKindByWhatDoc(code);
    const QString document = kind ? StoredNumber(connection, kind->table, number) : number;
    QString description = QStringLiteral("سند حسابداري ");
    if (kind)
        description += kind->caption + QLatin1Char(' ');
    description += QStringLiteral("شماره ") + number;

    Transaction transaction(connection);
    Schema::LockNumbering(connection, kAccountingTable);
    const QVariantList issued = IssuedForValues(code, number);
    bool exists = false;
    {
        QSqlQuery q = connection.select(QStringLiteral("SELECT 1 FROM ") +
                                            SqlIdent(kAccountingTable) + QStringLiteral(" WHERE ") +
                                            kIssuedFor + QStringLiteral(" LIMIT 1"),
                                        issued);
        exists = q.next();
    }
    if (exists) {
        // Issued before: the voucher follows the asset voucher's (possibly new) date.
        connection.execute(QStringLiteral("UPDATE ") + SqlIdent(kAccountingTable) +
                               QStringLiteral(" SET SanadDate = ?, SanadDes = ?, User_Name = ?"
                                              " WHERE ") +
                               kIssuedFor,
                           QVariantList{SqlText(date), description, SqlText(user)} + issued);
    } else {
        connection.execute(
            QStringLiteral("INSERT INTO ") + SqlIdent(kAccountingTable) +
                QStringLiteral(" (SanadNo, SanadDate, TypeSys, WhatDoc, Document, DocToDate, "
                               "SanadDes, CompanyCod, User_Name) SELECT "
                               "COALESCE((SELECT MAX(SanadNo) FROM ") +
                SqlIdent(kAccountingTable) +
                QStringLiteral("), 0) + 1, ?, 'D', ?, ?, '1', ?, ?, ?"),
            {SqlText(date), SqlText(code), SqlText(document), description, SqlText(company),
             SqlText(user)});
    }
    transaction.commit();
}

ProcedureResult CompanyProcedures::AssetStartDate(DbConnection& connection,
                                                  const QStringList& arguments)
{
    // The first argument names the company and period; the procedure runs in that
    // period's own database, so only the asset code matters here.
    RequireArguments(QStringLiteral("sp_D_Return_StartDate"), arguments,
                     {QStringLiteral("SCode"), QStringLiteral("DaraCod")});
    ProcedureResult result;
    result.columns << QStringLiteral("StartDate");
    result.rows << QVariantList{StartDateOf(connection, Unquoted(arguments.at(1)))};
    return result;
}
