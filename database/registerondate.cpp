#include "registerondate.h"

#include "assetregister.h"
#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"

#include <QSqlQuery>

namespace RegisterOnDate {

namespace {

const QString kProcedure = QStringLiteral("sp_D_Amval_OnDate");
const QString kAssets = QStringLiteral("D_Amval");
// The names of the codes the rows show, by kind and trimmed code.
const QString kNamesTable = QStringLiteral("amval_ondate_names");

// The rows' columns with their types in a work table.
struct Column
{
    const char* name;
    const char* type;
};
constexpr Column kColumns[] = {{"DaraCod", "VARCHAR(50)"},
                               {"DaraNam", "VARCHAR(250)"},
                               {"MadehCod", "VARCHAR(50)"},
                               {"MadehNam", "VARCHAR(250)"},
                               {"EndValue", "FLOAT"},
                               {"Bought", "FLOAT"},
                               {"TadilValue", "FLOAT"},
                               {"AsaseChangeValue", "FLOAT"},
                               {"ReduceValue", "FLOAT"},
                               {"Cost", "FLOAT"},
                               {"Anbashteh", "FLOAT"},
                               {"BookValue", "FLOAT"},
                               {"Esshat", "FLOAT"},
                               {"RaveshEst", "VARCHAR(50)"},
                               {"Nozooli", "FLOAT"},
                               {"Salianeh", "FLOAT"},
                               {"PersonelCod", "VARCHAR(50)"},
                               {"PersonelNam", "VARCHAR(250)"},
                               {"MakanCod", "VARCHAR(50)"},
                               {"MakanNam", "VARCHAR(250)"},
                               {"Tafsily2", "VARCHAR(50)"},
                               {"NamHesab", "VARCHAR(250)"},
                               {"StateCode", "VARCHAR(1)"},
                               {"StateNam", "VARCHAR(100)"},
                               {"StateDate", "VARCHAR(10)"},
                               {"VezCod", "VARCHAR(50)"},
                               {"VezNam", "VARCHAR(250)"},
                               {"MabadiCod", "VARCHAR(50)"},
                               {"MabadiNam", "VARCHAR(250)"}};

// A code as D_Amval's column of `width` stores it: cost centres zero-filled, every
// other code right-aligned with blanks; empty stays empty.
QString Stored(const QString& code, int width, QChar fill)
{
    const QString bare = code.trimmed();
    if (bare.isEmpty() || width <= 0)
        return bare;
    return bare.size() >= width ? bare.left(width) : bare.rightJustified(width, fill);
}

// The reference tables whose names the rows show: the kind's number in kNamesTable,
// the table, its code column and its name.
struct NameSource
{
    int kind;
    const char* table;
    const char* code;
    const char* name;
};
constexpr NameSource kNameSources[] = {
    {1, "D_Madeh151", "\"MadehCod\"", "\"MadehNam\""},
    {2, "Person", "\"Code\"", "COALESCE(\"Name\", '') || ' ' || COALESCE(\"Family\", '')"},
    {3, "D_Makan", "\"MakanCod\"", "\"MakanNam\""},
    {4, "Tafsily2", "\"Tafsily2\"", "\"NamHesab\""},
    {5, "D_VezArat", "\"VezCod\"", "\"VezNam\""},
    {6, "D_Mabadi", "\"MabadiCod\"", "\"MabadiNam\""},
};

void FillNames(DbConnection& connection)
{
    const Dialect& dialect = connection.dialect();
    dialect.dropTempTable(kNamesTable);
    connection.execute(dialect.createTempTable(kNamesTable) +
                       QStringLiteral(" (\"K\" INTEGER, \"Code\" TEXT, \"Name\" TEXT, PRIMARY "
                                      "KEY (\"K\", \"Code\"))"));
    for (const NameSource& n : kNameSources) {
        const QString code = QStringLiteral("trim(") + QLatin1String(n.code) + QLatin1Char(')');
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kNamesTable) +
                           QStringLiteral(" (\"K\", \"Code\", \"Name\") SELECT ") +
                           QString::number(n.kind) + QStringLiteral(", ") + code +
                           QStringLiteral(", MAX(trim(") + QLatin1String(n.name) +
                           QStringLiteral(")) FROM ") + SqlIdent(QLatin1String(n.table)) +
                           QStringLiteral(" WHERE ") + QLatin1String(n.code) +
                           QStringLiteral(" IS NOT NULL GROUP BY ") + code);
    }
}

} // namespace

ProcedureResult AssetsOnDate(DbConnection& connection, const QStringList& arguments)
{
    if (arguments.size() < 14)
        throw DatabaseError(QStringLiteral("%1 expects 14 or 15 arguments, %2 given.")
                                .arg(kProcedure)
                                .arg(arguments.size()),
                            kProcedure);
    const auto argument = [&](int i) { return CompanyProcedures::Unquoted(arguments.value(i)); };
    const QString date = argument(0);
    const QString target = argument(14).trimmed();
    const Dialect& dialect = connection.dialect();
    const int codeWidth = dialect.columnWidth(kAssets, QStringLiteral("DaraCod"));

    ProcedureResult result;
    for (const Column& c : kColumns)
        result.columns << QString::fromLatin1(c.name);
    if (date.isEmpty()) {
        if (!target.isEmpty())
            result = ProcedureResult{{QStringLiteral("Count")}, {{0}}};
        return result;
    }
    // The rows go to the caller's work table, made when missing, numbered on from its
    // last; without one, to a table of this call's own, handed back and dropped.
    const QString table = target.isEmpty() ? QStringLiteral("amval_ondate_rows") : target;
    if (target.isEmpty())
        dialect.dropTempTable(table);
    if (!dialect.tempObjectExists(table)) {
        QStringList definitions{QStringLiteral("IDX INTEGER")};
        for (const Column& c : kColumns)
            definitions << QString::fromLatin1(c.name) + QLatin1Char(' ') +
                               QString::fromLatin1(c.type);
        connection.execute(dialect.createTempTable(table) + QStringLiteral(" (") +
                           definitions.join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    qlonglong before = 0;
    {
        QSqlQuery q =
            connection.select(QStringLiteral("SELECT COUNT(*), MAX(IDX) FROM ") + SqlIdent(table));
        if (q.next() && q.value(0).toLongLong() > 0)
            before = q.value(1).toLongLong();
    }

    // One view of the register and its vouchers; only the connection's own tables are
    // written.
    Transaction transaction(connection, DbConnection::TransactionKind::Read);
    for (const QString& setting : AssetRegister::BulkWorkStatements(connection))
        connection.execute(setting);
    const QString from = Stored(argument(1), codeWidth, QLatin1Char(' '));
    const QString to = Stored(argument(2), codeWidth, QLatin1Char(' '));
    // Told after each statement of the replay, and once the rows are in.
    qint64 steps = 1;
    AssetRegister::ReplayUpTo(connection, date, from, to, [&](qsizetype done, qsizetype total) {
        steps = total + 1;
        connection.reportProgress(done, steps);
    });
    FillNames(connection);

    QVariantList values{before};
    // A column of D_Amval's codes as the register stores them (for the ranges), its
    // bare value when the column has no width; empty stays empty.
    const auto stored = [&](const QString& expression, const char* column, QChar fill) {
        const int width = dialect.columnWidth(kAssets, QString::fromLatin1(column));
        const QString bare =
            QStringLiteral("trim(COALESCE(") + expression + QStringLiteral(", ''))");
        if (width <= 0)
            return bare;
        return QStringLiteral("CASE WHEN ") + bare + QStringLiteral(" = '' THEN '' ELSE ") +
               dialect.padLeftExpression(bare, width, fill) + QStringLiteral(" END");
    };
    // Each name joined by its kind and trimmed code (a join, not a sub-select per row:
    // the server runs a sub-select as a plan of its own for each row).
    QString named;
    const auto name = [&named](int kind, const QString& code) {
        const QString alias = QStringLiteral("N%1").arg(kind);
        named += QStringLiteral(" LEFT JOIN ") + SqlIdent(kNamesTable) + QStringLiteral(" AS ") +
                 alias + QStringLiteral(" ON ") + alias + QStringLiteral(".\"K\" = ") +
                 QString::number(kind) + QStringLiteral(" AND ") + alias +
                 QStringLiteral(".\"Code\" = trim(") + code + QLatin1Char(')');
        return alias + QStringLiteral(".\"Name\"");
    };
    const QString cost = QStringLiteral("V.\"Registered\" + V.\"Bought\" + V.\"NewTadilValue\" + "
                                        "V.\"NewAsaseChangeValue\" - V.\"NewReduceValue\"");
    // The state on the day: sold, else retired, else temporarily retired, else in use.
    QString state = QStringLiteral("CASE WHEN V.\"SoldOn\" IS NOT NULL THEN '%1' WHEN "
                                   "V.\"RetiredOn\" IS NOT NULL THEN '%2' WHEN "
                                   "trim(COALESCE(V.\"NewKenarDate\", '')) <> '' THEN '%3' ELSE "
                                   "'%4' END")
                        .arg(QChar::fromLatin1(kSold), QChar::fromLatin1(kRetired),
                             QChar::fromLatin1(kSetAside), QChar::fromLatin1(kInUse));
    const QString stateDate = QStringLiteral("COALESCE(V.\"SoldOn\", V.\"RetiredOn\", "
                                             "NULLIF(trim(COALESCE(V.\"NewKenarDate\", '')), ''))");
    const QString stateName = QStringLiteral("CASE WHEN V.\"SoldOn\" IS NOT NULL THEN ? || "
                                             "V.\"SoldOn\" WHEN V.\"RetiredOn\" IS NOT NULL THEN "
                                             "? || V.\"RetiredOn\" WHEN trim(COALESCE("
                                             "V.\"NewKenarDate\", '')) <> '' THEN ? || "
                                             "V.\"NewKenarDate\" ELSE ? END");
    values << QStringLiteral("فروخته شده در ") << QStringLiteral("کنارگذاري دايم از ")
           << QStringLiteral("کنارگذاري موقت از ") << QStringLiteral("در حال بهره برداري");
    const QStringList selects{QStringLiteral("? + ROW_NUMBER() OVER (ORDER BY V.\"Code\")"),
                              QStringLiteral("V.\"Code\""),
                              QStringLiteral("trim(A.\"DaraNam\")"),
                              QStringLiteral("A.\"MadehCod\""),
                              name(1, QStringLiteral("A.\"MadehCod\"")),
                              QStringLiteral("V.\"Registered\""),
                              QStringLiteral("V.\"Bought\""),
                              QStringLiteral("V.\"NewTadilValue\""),
                              QStringLiteral("V.\"NewAsaseChangeValue\""),
                              QStringLiteral("V.\"NewReduceValue\""),
                              cost,
                              QStringLiteral("V.\"NewAnbashteh\""),
                              QLatin1Char('(') + cost + QStringLiteral(") - V.\"NewAnbashteh\""),
                              QStringLiteral("V.\"NewEsshat\""),
                              QStringLiteral("V.\"NewRaveshEst\""),
                              QStringLiteral("V.\"NewNozooli\""),
                              QStringLiteral("V.\"NewSalianeh\""),
                              QStringLiteral("V.\"NewPersonelCod\""),
                              name(2, QStringLiteral("V.\"NewPersonelCod\"")),
                              QStringLiteral("V.\"NewMakanCod\""),
                              name(3, QStringLiteral("V.\"NewMakanCod\"")),
                              QStringLiteral("V.\"NewTafsily2\""),
                              name(4, QStringLiteral("V.\"NewTafsily2\"")),
                              state,
                              stateName,
                              stateDate,
                              QStringLiteral("V.\"NewVezCod\""),
                              name(5, QStringLiteral("V.\"NewVezCod\"")),
                              QStringLiteral("A.\"MabadiCod\""),
                              name(6, QStringLiteral("A.\"MabadiCod\""))};

    // Held by the end of the day (registered with a cost, or bought by then), inside
    // each range given (as the register stores the codes; an empty end is open), of
    // the states asked for.
    QStringList where{QStringLiteral("(V.\"Registered\" <> 0 OR V.\"Purchased\" = 1)")};
    QVariantList whereValues;
    const auto range = [&](int i, const QString& expression, const char* column,
                           QChar fill = QLatin1Char(' ')) {
        const int width = dialect.columnWidth(kAssets, QString::fromLatin1(column));
        const QString low = Stored(argument(i), width, fill);
        const QString high = Stored(argument(i + 1), width, fill);
        const QString value = stored(expression, column, fill);
        if (!low.isEmpty()) {
            where << value + QStringLiteral(" >= ?");
            whereValues << low;
        }
        if (!high.isEmpty()) {
            where << value + QStringLiteral(" <= ?");
            whereValues << high;
        }
    };
    range(3, QStringLiteral("V.\"NewMakanCod\""), "MakanCod");
    range(5, QStringLiteral("V.\"NewPersonelCod\""), "PersonelCod");
    range(7, QStringLiteral("V.\"NewTafsily2\""), "Tafsily2", QLatin1Char('0'));
    range(9, QStringLiteral("V.\"NewVezCod\""), "VezCod");
    range(11, QStringLiteral("A.\"MabadiCod\""), "MabadiCod");
    const QString states = argument(13).toUpper();
    if (!states.isEmpty()) {
        QStringList marks;
        for (const char letter : {kInUse, kSetAside, kRetired, kSold}) {
            if (states.contains(QLatin1Char(letter))) {
                marks << QStringLiteral("?");
                whereValues << QString(QLatin1Char(letter));
            }
        }
        where << (marks.isEmpty() ? QStringLiteral("1 = 0")
                                  : state + QStringLiteral(" IN (") +
                                        marks.join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    // The statement's "?" in the order they stand: the first row's number and the
    // state's words (the select list), then the ranges' ends and the states.
    values << whereValues;
    QStringList names{QStringLiteral("IDX")};
    for (const Column& c : kColumns)
        names << QString::fromLatin1(c.name);
    connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(table) + QStringLiteral(" (") +
                           names.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") +
                           selects.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                           SqlIdent(AssetRegister::StandingTable()) +
                           QStringLiteral(" AS V JOIN ") + SqlIdent(kAssets) +
                           QStringLiteral(" AS A ON A.\"DaraCod\" = V.\"Code\"") + named +
                           QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND ")),
                       values);
    qlonglong added = 0;
    {
        QSqlQuery q = connection.select(QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(table) +
                                            QStringLiteral(" WHERE IDX > ?"),
                                        {before});
        if (q.next())
            added = q.value(0).toLongLong();
    }
    for (const QString& work : AssetRegister::RecomputeWorkTables())
        dialect.dropTempTable(work);
    dialect.dropTempTable(kNamesTable);
    transaction.commit();
    connection.reportProgress(steps, steps);
    if (!target.isEmpty())
        return ProcedureResult{{QStringLiteral("Count")}, {{added}}};
    QSqlQuery q = connection.select(
        QStringLiteral("SELECT ") + names.mid(1).join(QStringLiteral(", ")) +
        QStringLiteral(" FROM ") + SqlIdent(table) + QStringLiteral(" ORDER BY IDX"));
    const qsizetype width = result.columns.size();
    while (q.next()) {
        QVariantList row;
        row.reserve(width);
        for (int c = 0; c < width; ++c)
            row << q.value(c);
        result.rows << std::move(row);
    }
    q.finish();
    dialect.dropTempTable(table);
    return result;
}

void Register(CompanyProcedures& procedures)
{
    procedures.add(kProcedure, &AssetsOnDate);
}

} // namespace RegisterOnDate
