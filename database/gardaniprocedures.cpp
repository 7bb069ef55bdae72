#include "gardaniprocedures.h"

#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QSqlQuery>

namespace {

const QString kTable = QStringLiteral("D_Gardani");

// The refusal of a count: one pair per asset at fault, the asset and the stored count
// voucher that holds it (empty when the transaction table holds the asset twice).
VoucherWriteAnswer Refused(const QList<std::pair<QString, QString>>& conflicts)
{
    QStringList words;
    for (const auto& [asset, countedIn] : conflicts)
        words << (countedIn.isEmpty()
                      ? QStringLiteral("Asset '%1' is counted twice.").arg(asset.trimmed())
                      : QStringLiteral("Asset '%1' is counted in voucher '%2'.")
                            .arg(asset.trimmed(), countedIn.trimmed()));
    VoucherWriteAnswer answer;
    answer.state = VoucherWriteAnswer::State::Refused;
    answer.errorText = words.join(QLatin1Char(' '));
    answer.counted = conflicts;
    return answer;
}

} // namespace

namespace GardaniProcedures {

VoucherWriteAnswer Save(DbConnection& connection, const VoucherSaveCall& call)
{
    const QString trans = call.table.trimmed();
    if (connection.dialect().tableColumns(trans).isEmpty())
        return CompanyProcedures::StoreRows(connection, call);
    const int width = connection.dialect().columnWidth(kTable, QStringLiteral("SanadNoAmval"));
    const QString number = call.number.trimmed().rightJustified(width, QLatin1Char(' '));

    Transaction transaction(connection);
    // The same lock the save takes: what is read below stays true until it commits.
    Schema::LockNumbering(connection, kTable);
    // A new voucher whose number another clerk took meanwhile is stored under the next
    // free number: then every stored count is another one.
    const bool ownStored = !call.isNew;
    // Every asset at fault, so that the clerk sees them all at once.
    QList<std::pair<QString, QString>> conflicts;
    {
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT trim(DaraCod) FROM ") + SqlIdent(trans) +
            QStringLiteral(" WHERE trim(COALESCE(DaraCod, '')) <> '' GROUP BY trim(DaraCod) "
                           "HAVING COUNT(*) > 1 ORDER BY 1"));
        while (q.next())
            conflicts << std::pair{q.value(0).toString(), QString()};
    }
    {
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT T.DaraCod, MIN(G.SanadNoAmval) FROM ") + SqlIdent(trans) +
                QStringLiteral(" AS T JOIN ") + SqlIdent(kTable) +
                QStringLiteral(" AS G ON trim(G.DaraCod) = trim(T.DaraCod) ") +
                (ownStored ? QStringLiteral("WHERE trim(G.SanadNoAmval) <> ? ") : QString()) +
                QStringLiteral("GROUP BY T.DaraCod ORDER BY 2, 1"),
            ownStored ? QVariantList{number.trimmed()} : QVariantList{});
        while (q.next())
            conflicts << std::pair{q.value(0).toString(), q.value(1).toString()};
    }
    if (!conflicts.isEmpty())
        return Refused(conflicts);
    const VoucherWriteAnswer answer = CompanyProcedures::StoreRows(connection, call);
    transaction.commit();
    return answer;
}

ProcedureResult Call(DbConnection& connection, const QStringList& arguments)
{
    const VoucherKind& kind = VoucherKindOf(VoucherKindId::Gardani);
    QStringList positional;
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1Char('@')))
            positional << argument;
    }
    // "@Counted=REFUSE" asked for the check when it was not always made; it is taken
    // and changes nothing.
    if (positional.size() < 3 ||
        positional.at(2).trimmed().compare(QLatin1String("TRANS->DB"), Qt::CaseInsensitive) != 0)
        return CompanyProcedures::VoucherProcedure(kind, connection, arguments);
    return CompanyProcedures::ByName(
        Save(connection, CompanyProcedures::SaveCallOf(kind, arguments)));
}

} // namespace GardaniProcedures
