#include "registerfigures.h"

#include "dbconnection.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QSqlQuery>
#include <QStringList>

namespace {

QString Table(VoucherKindId kind)
{
    return SqlIdent(VoucherKindOf(kind).table);
}

} // namespace

RegisterFigures ReadRegisterFigures(DbConnection& connection, const QString& monthStart,
                                    const QString& monthEnd)
{
    RegisterFigures figures;
    // Codes are compared trimmed: the vouchers keep them as typed, padded or not.
    const QString held =
        QStringLiteral(
            "SELECT COUNT(*), SUM(COALESCE(A.\"EndValue\", 0) + COALESCE(P.\"Fee\", 0) + "
            "COALESCE(A.\"TadilValue\", 0) + COALESCE(A.\"AsaseChangeValue\", 0) - "
            "COALESCE(A.\"ReduceValue\", 0)) "
            "FROM \"D_Amval\" A LEFT JOIN (SELECT TRIM(\"DaraCod\") AS \"Code\", "
            "SUM(\"EndFee\") AS \"Fee\" FROM %1 GROUP BY TRIM(\"DaraCod\")) P "
            "ON P.\"Code\" = TRIM(A.\"DaraCod\") "
            "WHERE TRIM(A.\"DaraCod\") NOT IN (SELECT TRIM(\"DaraCod\") FROM %2 "
            "WHERE \"DaraCod\" IS NOT NULL) "
            "AND TRIM(A.\"DaraCod\") NOT IN (SELECT TRIM(K.\"DaraCod\") FROM %3 K "
            "WHERE K.\"DaraCod\" IS NOT NULL AND NOT EXISTS (SELECT 1 FROM %4 B "
            "WHERE TRIM(B.\"DaraCod\") = TRIM(K.\"DaraCod\") AND B.\"sDate\" >= K.\"sDate\"))")
            .arg(Table(VoucherKindId::BuyCreate), Table(VoucherKindId::ForoshDaymeh),
                 Table(VoucherKindId::KenarD), Table(VoucherKindId::BarKenarD));
    QSqlQuery q = connection.select(held);
    if (q.next()) {
        figures.assetsHeld = q.value(0).toLongLong();
        figures.costOfAssetsHeld = q.value(1).toDouble();
    }

    QStringList counts;
    QVariantList values;
    for (const VoucherKind& kind : VoucherKinds()) {
        counts << QStringLiteral("SELECT COUNT(DISTINCT \"SanadNoAmval\") AS \"N\" FROM %1 "
                                 "WHERE \"sDate\" >= ? AND \"sDate\" <= ?")
                      .arg(SqlIdent(kind.table));
        values << monthStart << monthEnd;
    }
    q = connection.select(QStringLiteral("SELECT SUM(\"N\") FROM (") +
                              counts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(") V"),
                          values);
    if (q.next())
        figures.vouchersInMonth = q.value(0).toLongLong();
    return figures;
}
