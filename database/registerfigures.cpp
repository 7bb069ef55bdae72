#include "registerfigures.h"

#include "assetregister.h"
#include "dbconnection.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QSqlQuery>
#include <QStringList>

RegisterFigures ReadRegisterFigures(DbConnection& connection, const QString& monthStart,
                                    const QString& monthEnd)
{
    RegisterFigures figures;
    // Codes are compared trimmed: the vouchers keep them as typed, padded or not. An
    // asset the register names with neither a registered cost nor a purchase is not
    // held yet (the register on a date leaves it out too).
    const QString held =
        QStringLiteral("SELECT COUNT(*), SUM(") + AssetRegister::HeldAssetCost() +
        QStringLiteral(") ") +
        AssetRegister::HeldAssetsFrom([](const QString& table) { return SqlIdent(table); }) +
        QStringLiteral(" AND (COALESCE(A.\"EndValue\", 0) <> 0 OR P.\"Bought\" IS NOT NULL)");
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
