#pragma once

#include "procedures.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

struct VoucherKind;

// The procedures of a company-period database, implemented here because the engines
// we run on have none of the kind the module calls. Names are matched ignoring case.
// Every procedure that writes does so in one transaction: when it fails, the stored
// data stays as it was and the failure is thrown as DatabaseError.
class CompanyProcedures : public ProcedureProvider
{
public:
    using Procedure = std::function<ProcedureResult(DbConnection&, const QStringList&)>;

    // Registers the thirteen voucher procedures, the action log, the accounting
    // voucher of an asset voucher and the asset's start date.
    CompanyProcedures();

    // A text argument the caller wrapped in quotes of its own (the sale passes its
    // date as '1405/03/01', quotes included): the quotes are not part of the value.
    static QString Unquoted(const QString& text);
    // A code or number in its stored form: right-aligned with blanks to the declared
    // width of `table`'s `column`. A value wider than the column is kept whole, so that
    // it finds nothing and the engine refuses to store it, rather than standing for a
    // cut value.
    static QString StoredForm(const DbConnection& connection, const QString& table,
                              const QString& column, const QString& value);

    // Registers (or replaces) a procedure under `name`.
    void add(const QString& name, Procedure procedure);
    // The registered names as they were given, sorted.
    QStringList names() const;

    bool hasProcedure(const QString& name) const override;
    ProcedureResult callProcedure(DbConnection& connection, const QString& name,
                                  const QStringList& arguments) override;

    // The typed calls: the same procedures as by name, each run again like them when
    // it lost a race with another user's save.
    QString loadVoucher(DbConnection& connection, const VoucherKind& kind, const QString& table,
                        const QString& number) override;
    VoucherWriteAnswer saveVoucher(DbConnection& connection, const VoucherSaveCall& call) override;
    VoucherWriteAnswer deleteVoucher(DbConnection& connection,
                                     const VoucherDeleteCall& call) override;
    void logAction(DbConnection& connection, const ActionLogEntry& entry) override;
    void issueAccountingVoucher(DbConnection& connection,
                                const AccountingVoucherCall& call) override;
    QString assetStartDate(DbConnection& connection, const QString& asset) override;

    // sp_D_Asnad_<Type> (transaction table, voucher number, mode[, quoted date]), and
    // optionally "@Expect=..." after them: "NEW" for a save of a voucher the caller
    // made (stored under the next free number when its own was taken meanwhile), or
    // the stamp 'DB->TRANS' answered for the loaded voucher (a save or delete of a
    // voucher changed or deleted since is refused with RetState "0" and Conflict
    // "CHANGED" or "DELETED"). 'DB->TRANS' answers the stamp (column Stamp, empty for
    // a number not stored); a save answers RetState and the stored SanadNoAmval.
    static ProcedureResult VoucherProcedure(const VoucherKind& kind, DbConnection& connection,
                                            const QStringList& arguments);
    // The save of every kind but the count's own check: the transaction table's rows
    // replace the stored voucher (in one transaction, under the kind's numbering lock).
    static VoucherWriteAnswer StoreRows(DbConnection& connection, const VoucherSaveCall& call);
    // A save's by-name arguments as a typed call.
    static VoucherSaveCall SaveCallOf(const VoucherKind& kind, const QStringList& arguments);
    // A typed answer as the by-name procedures answer: RetState "1" and the stored
    // SanadNoAmval; "0", ErrorText and Conflict "CHANGED"/"DELETED"; a refused count
    // one row per asset (Counted, CountedIn).
    static ProcedureResult ByName(const VoucherWriteAnswer& answer);
    // sp_Asnad_Actions ('', 'A', kind caption, number, user, action, date, clock, '', '',
    // '', temporary-table stem).
    static ProcedureResult LogAction(DbConnection& connection, const QStringList& arguments);
    // sp_D_Asnad_SodorSanad_FromFactor (type code, transaction table, number, date,
    // company code, user name).
    static ProcedureResult IssueAccountingVoucher(DbConnection& connection,
                                                  const QStringList& arguments);
    static void IssueAccounting(DbConnection& connection, const AccountingVoucherCall& call);
    // sp_D_Return_StartDate (company code + fiscal year, asset code).
    static ProcedureResult AssetStartDate(DbConnection& connection, const QStringList& arguments);
    static QString StartDateOf(DbConnection& connection, const QString& asset);

    // The one-row answer of a voucher save: RetState "1", or "0" with ErrorText.
    static ProcedureResult SaveResult(bool saved, const QString& errorText = QString());

private:
    struct Entry
    {
        QString name;
        Procedure procedure;
    };
    QHash<QString, Entry> m_procedures; // by lower-case name
};
