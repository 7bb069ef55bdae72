#include "orderprocedures.h"

#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"

namespace {

const QString kPrepare = QStringLiteral("sp_A_Asnad_Prepare_NCommand");

// The orders issued for document D: same kind, and the document number and
// warehouse code as the orders keep them (without blanks).
const QString kOrdersOfDocument = QStringLiteral(
    "FROM \"N_Command\" AS N WHERE N.\"TypeSys\" = 'S' AND N.\"WhatDoc\" = D.\"WhatDoc\" "
    "AND trim(N.\"Command1\") = trim(D.\"SanadNoAnbar\") "
    "AND trim(N.\"Command2\") = trim(D.\"AnbarCod\")");

} // namespace

namespace OrderProcedures {

ProcedureResult PrepareOrders(DbConnection& connection, const QStringList& arguments)
{
    if (arguments.size() < 3)
        throw DatabaseError(QStringLiteral("Procedure or function '%1' expects parameter "
                                           "'@%2', which was not supplied.")
                                .arg(kPrepare, arguments.size() < 2 ? QStringLiteral("Kholaseh")
                                                                    : QStringLiteral("Today")),
                            kPrepare);
    const QString table = CompanyProcedures::Unquoted(arguments.at(0));
    Dialect& dialect = connection.dialect();
    if (table.isEmpty() || !dialect.tempObjectExists(table))
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(table), table,
                            DatabaseError::Kind::MissingObject);
    const bool summary = CompanyProcedures::Unquoted(arguments.at(1))
                             .compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
    const QString today = CompanyProcedures::Unquoted(arguments.at(2));

    // One view of the documents and their orders; only the window's own table is
    // written, so no other user waits.
    Transaction transaction(connection, DbConnection::TransactionKind::Read);
    connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(table));
    const QString ordered =
        QStringLiteral("EXISTS (SELECT 1 ") + kOrdersOfDocument + QLatin1Char(')');
    const QString mark =
        QStringLiteral("CASE WHEN ") + ordered + QStringLiteral(" THEN ? ELSE '' END");
    QString sql =
        QStringLiteral("INSERT INTO ") + SqlIdent(table) +
        QStringLiteral(" (\"OldPayState\", \"PayState\", \"PayDate\", \"WhatDoc\", "
                       "\"AnbarPartNam\", \"AnbarCod\", \"AnbarNam\", \"SanadNoAnbar\", "
                       "\"sDate\", \"sValue\", \"TarafCod\", \"TarafNam\", \"Koll\", \"Moein\", "
                       "\"Tafsily\", \"Tafsily2\") SELECT ") +
        mark + QStringLiteral(", ") + mark +
        QStringLiteral(", COALESCE((SELECT MIN(N.\"sDate\") ") + kOrdersOfDocument +
        QStringLiteral("), ?), D.\"WhatDoc\", CASE D.\"WhatDoc\" "
                       "WHEN '20' THEN ? WHEN '21' THEN ? WHEN '22' THEN ? "
                       "WHEN '23' THEN ? WHEN '24' THEN ? ELSE ? END, "
                       "D.\"AnbarCod\", COALESCE(A.\"AnbarNam\", ''), D.\"SanadNoAnbar\", "
                       "D.\"sDate\", COALESCE(D.\"sValue\", 0), D.\"TarafCod\", "
                       "trim(COALESCE(trim(P.\"Name\"), '') || ' ' || COALESCE(trim(P.\"Family\"), "
                       "'')), COALESCE(D.\"Koll\", ''), "
                       "COALESCE(D.\"Moein\", ''), COALESCE(D.\"Tafsily\", ''), "
                       "COALESCE(D.\"Tafsily2\", '') "
                       "FROM \"A_AsnadAnbar\" AS D "
                       "LEFT JOIN \"A_Anbar\" AS A ON A.\"AnbarCod\" = D.\"AnbarCod\" "
                       "LEFT JOIN \"Person\" AS P ON P.\"Code\" = D.\"TarafCod\" "
                       "WHERE D.\"WhatDoc\" IN ('20', '21', '22', '23', '24', '25')");
    if (summary)
        sql += QStringLiteral(" AND NOT ") + ordered;
    const QString tick = QStringLiteral("ض");
    connection.execute(sql, {tick, tick, SqlText(today), QStringLiteral("رسيد"),
                             QStringLiteral("تعديل افزايشي رسيد"),
                             QStringLiteral("تعديل کاهشي رسيد"), QStringLiteral("برگشت از رسيد"),
                             QStringLiteral("تعديل افزايشي برگشت از رسيد"),
                             QStringLiteral("تعديل کاهشي برگشت از رسيد")});
    transaction.commit();
    return ProcedureResult();
}

ProcedureResult LockOrders(DbConnection& connection, const QStringList&)
{
    // An engine whose write transaction locks the whole database at its start has
    // done so already; a server locks the order table alone, until the caller's
    // transaction ends (readers are not held up).
    if (connection.isServer())
        connection.execute(QStringLiteral("LOCK TABLE \"N_Command\" IN SHARE ROW EXCLUSIVE MODE"));
    return ProcedureResult();
}

} // namespace OrderProcedures
