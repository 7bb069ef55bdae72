#include "assetschedule.h"

#include "assetregister.h"
#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "importprocedures.h"
#include "sqlquote.h"

#include <QSqlQuery>

namespace AssetSchedule {

namespace {

const QString kProcedure = QStringLiteral("sp_D_Amval_Schedule");

// The assets of a first screen: more than a screen holds, few enough to read at once.
constexpr int kFirstAssets = 100;

// Below this a difference is a rounding of the engine's sums, not a disagreement.
const QString kTolerance = QStringLiteral("0.005");

// The amount columns, in the order of the work table (after the texts before them).
const QStringList& Amounts()
{
    static const QStringList amounts{
        QStringLiteral("Opening"),          QStringLiteral("Additions"),
        QStringLiteral("Reductions"),       QStringLiteral("Disposals"),
        QStringLiteral("MovedIn"),          QStringLiteral("MovedOut"),
        QStringLiteral("TransferOut"),      QStringLiteral("TransferIn"),
        QStringLiteral("Closing"),          QStringLiteral("OpeningAnbashteh"),
        QStringLiteral("ClosingAnbashteh"), QStringLiteral("BookValue"),
        QStringLiteral("Difference")};
    return amounts;
}

// A statement's text with its bound values, built in the order they stand in.
struct Built
{
    QString text;
    QVariantList values;
    Built& operator<<(const QString& more)
    {
        text += more;
        return *this;
    }
    Built& bind(const QVariant& value)
    {
        text += QLatin1Char('?');
        values << value;
        return *this;
    }
};

QString Q(const QString& column)
{
    return SqlIdent(column);
}

bool Own(const DbConnection& connection, const QString& source)
{
    return source.isEmpty() || source.compare(connection.databaseName(), Qt::CaseInsensitive) == 0;
}

} // namespace

QString MovedOutNote()
{
    return QStringLiteral("انتقال به گروه ");
}

const QStringList& Columns()
{
    static const QStringList columns = [] {
        QStringList c{
            QStringLiteral("RowKind INTEGER"),      QStringLiteral("VezCod VARCHAR(20)"),
            QStringLiteral("VezNam VARCHAR(250)"),  QStringLiteral("DaraCod VARCHAR(20)"),
            QStringLiteral("DaraNam VARCHAR(250)"), QStringLiteral("Remark VARCHAR(100)")};
        for (const QString& amount : Amounts())
            c << amount + QStringLiteral(" FLOAT");
        c << QStringLiteral("Reason VARCHAR(500)") << QStringLiteral("GroupKey VARCHAR(20)");
        return c;
    }();
    return columns;
}

Statement FillStatement(DbConnection& connection, const QString& source, const QString& workTable,
                        const QString& fromGroup, const QString& toGroup, int firstAssets)
{
    const Dialect& dialect = connection.dialect();
    const bool own = Own(connection, source);
    const auto in = [&](const QString& table) {
        return own ? SqlIdent(table) : dialect.tableIn(source, table);
    };
    // The first screen's assets only: their rows read by the asset code's indexes,
    // in either form of the code.
    const QString ofFirst =
        firstAssets > 0 ? QStringLiteral(" AND \"DaraCod\" IN (SELECT \"Code\" FROM F UNION ALL "
                                         "SELECT trim(\"Code\") FROM F)")
                        : QString();
    // One statement per kind that moves cost, grouped by asset.
    const auto grouped = [&](const QString& alias, const QString& table, const QString& sums) {
        return alias + QStringLiteral(" AS (SELECT trim(\"DaraCod\") AS \"Code\"") + sums +
               QStringLiteral(" FROM ") + in(table) +
               QStringLiteral(" WHERE \"DaraCod\" IS NOT NULL") + ofFirst +
               QStringLiteral(" GROUP BY trim(\"DaraCod\"))");
    };
    const auto joined = [](const QString& alias) {
        return QStringLiteral(" LEFT JOIN ") + alias + QStringLiteral(" ON ") + alias +
               QStringLiteral(".\"Code\" = trim(A.\"DaraCod\")");
    };
    const auto range = [&](Built& b, const QString& column) {
        if (!fromGroup.isEmpty())
            (b << QStringLiteral(" AND ") << column << QStringLiteral(" >= ")).bind(fromGroup);
        if (!toGroup.isEmpty())
            (b << QStringLiteral(" AND ") << column << QStringLiteral(" <= ")).bind(toGroup);
    };
    const auto disagrees = [](const QString& vouchers, const QString& record) {
        return QStringLiteral("abs(COALESCE(%1, 0) - COALESCE(%2, 0)) > %3")
            .arg(vouchers, record, kTolerance);
    };

    QStringList names;
    for (const QString& column : Columns())
        names << column.section(QLatin1Char(' '), 0, 0);

    Built b;
    b << QStringLiteral("INSERT INTO ") << SqlIdent(workTable) << QStringLiteral(" (IDX, ")
      << names.join(QStringLiteral(", ")) << QStringLiteral(") WITH ");
    if (firstAssets > 0) {
        b << QStringLiteral("F AS (SELECT \"DaraCod\" AS \"Code\" FROM ")
          << in(QStringLiteral("D_Amval")) << QStringLiteral(" WHERE 1 = 1");
        range(b, QStringLiteral("\"VezCod\""));
        b << QStringLiteral(" ORDER BY \"VezCod\", \"DaraCod\" LIMIT ")
          << QString::number(firstAssets) << QStringLiteral("), ");
    }
    b << grouped(QStringLiteral("P"), QStringLiteral("D_Buy_Create"),
                 QStringLiteral(", SUM(\"EndFee\") AS \"V\""))
      << QStringLiteral(", ")
      << grouped(QStringLiteral("T"), QStringLiteral("D_FirstTadil"),
                 QStringLiteral(", SUM(\"sValue\") AS \"V\", SUM(CASE WHEN \"sValue\" > 0 THEN "
                                "\"sValue\" ELSE 0 END) AS \"Up\""))
      << QStringLiteral(", ")
      << grouped(QStringLiteral("I"), QStringLiteral("D_AsaseChange"),
                 QStringLiteral(", SUM(\"sValue\") AS \"V\""))
      << QStringLiteral(", ")
      << grouped(QStringLiteral("R"), QStringLiteral("D_DaraeReduce"),
                 QStringLiteral(", SUM(\"ArzeshReduce\") AS \"V\""))
      << QStringLiteral(", ") << grouped(QStringLiteral("S"), QStringLiteral("D_ForoshDaymeh"), {})
      << QStringLiteral(", ")
      << grouped(QStringLiteral("K"), QStringLiteral("D_KenarD"),
                 QStringLiteral(", MAX(\"sDate\") AS \"Out\""))
      << QStringLiteral(", ")
      << grouped(QStringLiteral("B"), QStringLiteral("D_BarKenarD"),
                 QStringLiteral(", MAX(\"sDate\") AS \"Back\""));
    // Each asset once: its register figures and the vouchers' sums beside them.
    b << QStringLiteral(
             ", X AS (SELECT A.\"DaraCod\" AS \"Code\", A.\"DaraNam\" AS \"Nam\", A.\"VezCod\" AS "
             "\"G1\", CASE WHEN trim(COALESCE(A.\"FirstVezCod\", '')) = '' THEN A.\"VezCod\" "
             "ELSE A.\"FirstVezCod\" END AS \"G0\", COALESCE(A.\"EndValue\", 0) AS \"O\", "
             "COALESCE(P.\"V\", 0) + COALESCE(I.\"V\", 0) + COALESCE(T.\"Up\", 0) AS \"Ad\", "
             "COALESCE(R.\"V\", 0) + COALESCE(T.\"Up\", 0) - COALESCE(T.\"V\", 0) AS \"Rd\", "
             "COALESCE(A.\"EndValue\", 0) + COALESCE(P.\"V\", 0) + COALESCE(A.\"TadilValue\", 0) "
             "+ COALESCE(A.\"AsaseChangeValue\", 0) - COALESCE(A.\"ReduceValue\", 0) AS \"RC\", "
             "CASE WHEN S.\"Code\" IS NOT NULL THEN 1 WHEN K.\"Out\" > COALESCE(B.\"Back\", '') "
             "THEN 2 ELSE 0 END AS \"Gone\", COALESCE(A.\"FirstAnbashteh\", A.\"Anbashteh\", 0) "
             "AS \"FA\", COALESCE(A.\"Anbashteh\", 0) AS \"CA\", CASE WHEN "
             "trim(COALESCE(A.\"FirstTafsily2\", A.\"Tafsily2\", '')) <> "
             "trim(COALESCE(A.\"Tafsily2\", '')) THEN 1 ELSE 0 END AS \"Moved\", CASE WHEN ")
      << disagrees(QStringLiteral("T.\"V\""), QStringLiteral("A.\"TadilValue\""))
      << QStringLiteral(" THEN ");
    b.bind(QStringLiteral("جمع تعديلات اوليه در دفتر دارايي با اسناد آن نمي خواند. "));
    b << QStringLiteral(" ELSE '' END || CASE WHEN ")
      << disagrees(QStringLiteral("I.\"V\""), QStringLiteral("A.\"AsaseChangeValue\""))
      << QStringLiteral(" THEN ");
    b.bind(QStringLiteral("جمع تعميرات اساسي در دفتر دارايي با اسناد آن نمي خواند. "));
    b << QStringLiteral(" ELSE '' END || CASE WHEN ")
      << disagrees(QStringLiteral("R.\"V\""), QStringLiteral("A.\"ReduceValue\""))
      << QStringLiteral(" THEN ");
    b.bind(QStringLiteral("جمع كاهش در دفتر دارايي با اسناد كاهش دارايي نمي خواند. "));
    b << QStringLiteral(" ELSE '' END AS \"Why\" FROM ") << in(QStringLiteral("D_Amval"))
      << QStringLiteral(" AS A") << joined(QStringLiteral("P")) << joined(QStringLiteral("T"))
      << joined(QStringLiteral("I")) << joined(QStringLiteral("R")) << joined(QStringLiteral("S"))
      << joined(QStringLiteral("K")) << joined(QStringLiteral("B"))
      << (firstAssets > 0 ? QStringLiteral(" WHERE A.\"DaraCod\" IN (SELECT \"Code\" FROM F)")
                          : QString())
      << QStringLiteral(")");
    // The rows: each asset in its group at the end; an asset whose group changed also
    // in its group at the start, its opening cost moved out there and in here.
    b << QStringLiteral(
        ", Y AS (SELECT \"G1\" AS \"G\", \"Code\", \"Nam\", \"Gone\", CASE WHEN \"G0\" = \"G1\" "
        "THEN \"O\" ELSE 0 END AS \"Opening\", \"Ad\" AS \"Additions\", \"Rd\" AS "
        "\"Reductions\", CASE WHEN \"Gone\" > 0 THEN \"RC\" ELSE 0 END AS \"Disposals\", CASE "
        "WHEN \"G0\" = \"G1\" THEN 0 ELSE \"O\" END AS \"MovedIn\", 0 AS \"MovedOut\", CASE WHEN "
        "\"Moved\" = 1 THEN \"RC\" ELSE 0 END AS \"TransferOut\", CASE WHEN \"Moved\" = 1 THEN "
        "\"RC\" ELSE 0 END AS \"TransferIn\", CASE WHEN \"Gone\" > 0 THEN 0 ELSE \"RC\" END AS "
        "\"Closing\", CASE WHEN \"G0\" = \"G1\" THEN \"FA\" ELSE 0 END AS \"OpeningAnbashteh\", "
        "CASE WHEN \"Gone\" > 0 THEN 0 ELSE \"CA\" END AS \"ClosingAnbashteh\", \"Why\", CASE "
        "\"Gone\" WHEN 1 THEN ");
    b.bind(QStringLiteral("فروش"));
    b << QStringLiteral(" WHEN 2 THEN ");
    b.bind(QStringLiteral("كنارگذاري دايمي"));
    b << QStringLiteral(
        " ELSE '' END || CASE WHEN \"G0\" = \"G1\" THEN '' WHEN \"Gone\" > 0 THEN ");
    b.bind(QStringLiteral("، از گروه "));
    b << QStringLiteral(" || trim(\"G0\") ELSE ");
    b.bind(QStringLiteral("از گروه "));
    b << QStringLiteral(" || trim(\"G0\") END AS \"Note\" FROM X WHERE 1 = 1");
    range(b, QStringLiteral("\"G1\""));
    b << QStringLiteral(
        " UNION ALL SELECT \"G0\", \"Code\", \"Nam\", 0, \"O\", 0, 0, 0, 0, \"O\", 0, 0, 0, "
        "\"FA\", 0, '', ");
    b.bind(MovedOutNote());
    b << QStringLiteral(" || trim(\"G1\") FROM X WHERE \"G0\" <> \"G1\"");
    range(b, QStringLiteral("\"G0\""));
    b << QStringLiteral("), Z AS (SELECT Y.*, \"Closing\" - \"ClosingAnbashteh\" AS \"BookValue\", "
                        "\"Opening\" + \"Additions\" - \"Reductions\" - \"Disposals\" + "
                        "\"MovedIn\" - \"MovedOut\" - \"Closing\" AS \"Difference\" FROM Y)");

    QStringList sums;
    QStringList plain;
    for (const QString& amount : Amounts()) {
        sums << QStringLiteral("SUM(") + Q(amount) + QLatin1Char(')');
        plain << Q(amount);
    }
    const QString bad =
        QStringLiteral("SUM(CASE WHEN abs(\"Difference\") > %1 THEN 1 ELSE 0 END)").arg(kTolerance);
    const QString groupReason = QStringLiteral("CASE WHEN ") + bad +
                                QStringLiteral(" > 0 THEN CAST(") + bad +
                                QStringLiteral(" AS VARCHAR(20)) || ");
    // Numbered in the order shown: by group, its assets by code, its total after them;
    // the grand total last.
    b << QStringLiteral(
             " SELECT row_number() OVER (ORDER BY W.\"Last\", W.\"G\", W.\"RowKind\", "
             "W.\"Code\"), W.\"RowKind\", trim(W.\"G\"), V.\"VezNam\", trim(W.\"Code\"), "
             "W.\"Nam\", W.\"Note\", ")
      << plain.join(QStringLiteral(", ")) << QStringLiteral(", W.\"Why\", W.\"G\" FROM (")
      << QStringLiteral("SELECT 0 AS \"Last\", 0 AS \"RowKind\", \"G\", \"Code\", \"Nam\", "
                        "\"Note\", ")
      << plain.join(QStringLiteral(", ")) << QStringLiteral(", \"Why\" FROM Z");
    // The totals only once every row is there.
    if (firstAssets > 0) {
        b << QStringLiteral(") AS W LEFT JOIN ") << in(QStringLiteral("D_VezArat"))
          << QStringLiteral(" AS V ON V.\"VezCod\" = W.\"G\"");
        return {b.text, b.values};
    }
    b << QStringLiteral(" UNION ALL SELECT 0, 1, \"G\", NULL, ");
    b.bind(QStringLiteral("جمع گروه"));
    b << QStringLiteral(", '', ") << sums.join(QStringLiteral(", ")) << QStringLiteral(", ")
      << groupReason;
    b.bind(QStringLiteral(" رديف نمي خواند"));
    b << QStringLiteral(" ELSE '' END FROM Z GROUP BY \"G\" UNION ALL SELECT 1, 2, NULL, NULL, ");
    b.bind(QStringLiteral("جمع كل"));
    b << QStringLiteral(", '', ") << sums.join(QStringLiteral(", ")) << QStringLiteral(", ")
      << groupReason;
    b.bind(QStringLiteral(" رديف نمي خواند"));
    b << QStringLiteral(" ELSE '' END FROM Z) AS W LEFT JOIN ") << in(QStringLiteral("D_VezArat"))
      << QStringLiteral(" AS V ON V.\"VezCod\" = W.\"G\"");
    return {b.text, b.values};
}

ProcedureResult Schedule(DbConnection& connection, const QStringList& arguments)
{
    if (arguments.size() < 4)
        throw DatabaseError(QStringLiteral("%1 expects 4 or 5 arguments, %2 given.")
                                .arg(kProcedure)
                                .arg(arguments.size()),
                            kProcedure);
    const QString source = CompanyProcedures::Unquoted(arguments.at(0)).trimmed();
    const QString work = CompanyProcedures::Unquoted(arguments.at(3)).trimmed();
    // Group codes in their stored form: right-aligned to the column's width.
    const auto stored = [&connection](const QString& code) {
        const QString bare = CompanyProcedures::Unquoted(code).trimmed();
        return bare.isEmpty()
                   ? bare
                   : CompanyProcedures::StoredForm(connection, QStringLiteral("D_VezArat"),
                                                   QStringLiteral("VezCod"), bare);
    };
    ProcedureResult result;
    result.columns = {QStringLiteral("Message"), QStringLiteral("Assets"),
                      QStringLiteral("Mismatches")};
    const bool own = Own(connection, source);
    if (!own) {
        const QString reason = ImportProcedures::PeriodUnreadable(connection, source);
        if (!reason.isEmpty()) {
            result.rows << QVariantList{
                QStringLiteral("دوره مالي «%1» خوانده نشد: %2.").arg(source, reason), 0, 0};
            return result;
        }
    }
    const Dialect& dialect = connection.dialect();
    dialect.dropTempTable(work);
    connection.execute(dialect.createTempTable(work) +
                       QStringLiteral(" (IDX INTEGER PRIMARY KEY, ") +
                       Columns().join(QStringLiteral(", ")) + QLatin1Char(')'));
    const Statement fill =
        FillStatement(connection, source, work, stored(arguments.at(1)), stored(arguments.at(2)),
                      CompanyProcedures::Unquoted(arguments.value(4)).trimmed().toUpper() ==
                              QLatin1String("FIRST")
                          ? kFirstAssets
                          : 0);
    // One view of the period's register and vouchers; only the work table, the
    // connection's own, is written.
    Transaction transaction(connection, DbConnection::TransactionKind::Read);
    for (const QString& setting : AssetRegister::BulkWorkStatements(connection))
        connection.execute(setting);
    connection.execute(fill.sql, fill.values);
    QSqlQuery q = connection.select(
        QStringLiteral("SELECT COUNT(DISTINCT CASE WHEN RowKind = 0 THEN trim(DaraCod) END), "
                       "SUM(CASE WHEN RowKind = 0 AND abs(Difference) > %1 THEN 1 ELSE 0 END) "
                       "FROM ")
            .arg(kTolerance) +
        SqlIdent(work));
    const bool read = q.next();
    result.rows << QVariantList{QString(), read ? q.value(0).toInt() : 0,
                                read ? q.value(1).toInt() : 0};
    q.finish();
    transaction.commit();
    if (!own) {
        try {
            connection.detach(source);
        } catch (const DatabaseError&) {
            // Left attached: the next read of it finds it there.
        }
    }
    return result;
}

void Register(CompanyProcedures& procedures)
{
    procedures.add(kProcedure, &Schedule);
}

} // namespace AssetSchedule
