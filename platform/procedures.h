#pragma once

#include "databaseerror.h"
#include "voucherkinds.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>

class DbConnection;

// What a database procedure hands back when it is opened as a query: column names
// and rows. Procedures that are only executed return an empty result.
struct ProcedureResult
{
    QStringList columns;
    QList<QVariantList> rows;

    // The first row's value of `column` (case-insensitive), or an invalid QVariant.
    QVariant value(const QString& column, int row = 0) const
    {
        int c = -1;
        for (int i = 0; i < columns.size(); ++i) {
            if (columns.at(i).compare(column, Qt::CaseInsensitive) == 0) {
                c = i;
                break;
            }
        }
        if (c < 0 || row < 0 || row >= rows.size() || c >= rows.at(row).size())
            return {};
        return rows.at(row).at(c);
    }
};

// The typed calls of the voucher procedures: what the module hands the database side
// and what it hands back, one small struct per call.

// A voucher save: the transaction table's rows (the purchase's cost components in
// the table of the same name + "R") stored under `number`.
struct VoucherSaveCall
{
    const VoucherKind* kind = nullptr;
    QString table;
    QString number;
    // A voucher the caller made: a number another user took meanwhile is left alone
    // and the rows go under the next free number.
    bool isNew = false;
    // Otherwise the stamp of the voucher the caller loaded: a voucher changed or
    // deleted since is refused. Empty: the rows replace whatever is stored.
    QString expectedStamp;
    // The sale's save whose accounting voucher is issued later, from elsewhere.
    bool deferred = false;
};

// A voucher delete, refused as a save is when `expectedStamp` is given and the
// stored voucher is no longer that one.
struct VoucherDeleteCall
{
    const VoucherKind* kind = nullptr;
    QString number;
    QString expectedStamp;
};

// What a save or delete did.
struct VoucherWriteAnswer
{
    enum class State {
        Done,    // stored (or deleted)
        Changed, // another user changed the voucher since it was loaded: nothing written
        Deleted, // another user deleted it: nothing written
        Refused, // the database side refused the rows: errorText says why
    };
    State state = State::Done;
    // The number the rows were stored under, in its stored form.
    QString number;
    QString errorText;
    // A refused count: each asset at fault and the stored count voucher that holds it
    // (empty when the rows hold the asset twice).
    QList<std::pair<QString, QString>> counted;
};

// One line of the action log.
struct ActionLogEntry
{
    QString section; // the kind's label
    QString number;
    QString user;
    QString action; // "I" new, "E" edit, "D" delete
    QString date;
    QString clock;
    QString stem; // the session's temporary-table stem
};

// The accounting voucher of an asset voucher (type code `code`), issued or re-dated.
struct AccountingVoucherCall
{
    QString code;
    QString table;
    QString number;
    QString date;
    QString company;
    QString user;
};

// The database side's procedures, called by name with their text arguments (the
// engines we run on have no stored procedures of the kind the module relies on, so
// the database side implements them and registers them with the connection), and the
// voucher procedures also through typed calls.
// A procedure that fails throws DatabaseError and leaves the stored data as it was.
class ProcedureProvider
{
public:
    virtual ~ProcedureProvider() = default;
    virtual bool hasProcedure(const QString& name) const = 0;
    virtual ProcedureResult callProcedure(DbConnection& connection, const QString& name,
                                          const QStringList& arguments) = 0;

    // The stored voucher `number` of `kind` copied into the transaction table `table`
    // (made when missing); answers the voucher's stamp ("" when it is not stored).
    virtual QString loadVoucher(DbConnection& connection, const VoucherKind& kind,
                                const QString& table, const QString& number)
    {
        Q_UNUSED(connection);
        Q_UNUSED(table);
        Q_UNUSED(number);
        throw MissingProcedure(kind.procedure);
    }
    virtual VoucherWriteAnswer saveVoucher(DbConnection& connection, const VoucherSaveCall& call)
    {
        Q_UNUSED(connection);
        throw MissingProcedure(call.kind->procedure);
    }
    virtual VoucherWriteAnswer deleteVoucher(DbConnection& connection,
                                             const VoucherDeleteCall& call)
    {
        Q_UNUSED(connection);
        throw MissingProcedure(call.kind->procedure);
    }
    virtual void logAction(DbConnection& connection, const ActionLogEntry& entry)
    {
        Q_UNUSED(connection);
        Q_UNUSED(entry);
        throw MissingProcedure(QStringLiteral("sp_Asnad_Actions"));
    }
    virtual void issueAccountingVoucher(DbConnection& connection, const AccountingVoucherCall& call)
    {
        Q_UNUSED(connection);
        Q_UNUSED(call);
        throw MissingProcedure(QStringLiteral("sp_D_Asnad_SodorSanad_FromFactor"));
    }
    // The day `asset` came into use ("" when unknown).
    virtual QString assetStartDate(DbConnection& connection, const QString& asset)
    {
        Q_UNUSED(connection);
        Q_UNUSED(asset);
        throw MissingProcedure(QStringLiteral("sp_D_Return_StartDate"));
    }

    // A procedure this provider does not have, refused as the engine refuses an
    // unknown name.
    static DatabaseError MissingProcedure(const QString& name)
    {
        return DatabaseError(QStringLiteral("Could not find stored procedure '%1'.").arg(name),
                             name);
    }
};
