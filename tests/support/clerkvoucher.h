#pragma once

// Another clerk's voucher written through the procedures, as that clerk's voucher window
// writes it: loaded into a work table of the clerk's connection, changed there by
// statements, and saved back or as a new voucher; or deleted.

#include "dbconnection.h"
#include "demohost.h"
#include "procedures.h"
#include "storedcolumn.h"
#include "voucherkinds.h"

#include <QtTest>
#include <functional>
#include <optional>

// The work table a clerk's voucher is loaded into.
inline const QString kClerkRows = QStringLiteral("amval_clerk_rows");
// An edit keeping the loaded voucher's first row only.
inline const QString kFirstRowOnly = QStringLiteral(
    "DELETE FROM amval_clerk_rows WHERE Raj > (SELECT MIN(Raj) FROM amval_clerk_rows)");

// Voucher `number` of `kind` loaded on a clerk's connection `db` into kClerkRows, each edit
// run there with its values bound, and saved over the voucher it was loaded from (its
// stamp required), or as a new voucher when `asNew`; `beforeCommit` (when given) runs
// while the clerk's transaction, the save done, still holds what it wrote. The stored
// number, or "" (with a warning of what the save answered) when it was not saved.
[[nodiscard]] inline QString ClerkSaves(DbConnection& db, const VoucherKind& kind,
                                        const QString& number,
                                        const QList<std::pair<QString, QVariantList>>& edits,
                                        bool asNew = false,
                                        const std::function<void()>& beforeCommit = {})
{
    const QString stored =
        StoredValue(db, "SELECT SanadNoAmval FROM " + kind.table + " WHERE trim(SanadNoAmval) = ?",
                    {number.trimmed()});
    const QString stamp = db.procedures()->loadVoucher(db, kind, kClerkRows, stored);
    for (const auto& [sql, values] : edits)
        db.execute(sql, values);
    std::optional<Transaction> writing;
    if (beforeCommit)
        writing.emplace(db);
    const VoucherWriteAnswer answer =
        db.procedures()->saveVoucher(db, {&kind, kClerkRows, asNew ? QStringLiteral("900") : stored,
                                          asNew, asNew ? QString() : stamp});
    if (beforeCommit) {
        beforeCommit();
        writing->commit();
    }
    if (answer.state == VoucherWriteAnswer::State::Done)
        return answer.number.trimmed();
    qWarning("%s %s not saved (%d): %s", qPrintable(kind.table), qPrintable(number),
             int(answer.state), qPrintable(answer.errorText));
    return QString();
}

// Voucher `number` of `kind` deleted by `clerk`; false (with a warning) when it was not.
[[nodiscard]] inline bool ClerkDeletes(DemoHost& clerk, const VoucherKind& kind,
                                       const QString& number)
{
    const VoucherWriteAnswer answer =
        clerk.db().procedures()->deleteVoucher(clerk.db(), {&kind, number, QString()});
    if (answer.state != VoucherWriteAnswer::State::Done)
        qWarning("%s %s not deleted (%d): %s", qPrintable(kind.table), qPrintable(number),
                 int(answer.state), qPrintable(answer.errorText));
    return answer.state == VoucherWriteAnswer::State::Done;
}
