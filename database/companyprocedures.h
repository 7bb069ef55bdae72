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

    // Registers (or replaces) a procedure under `name`.
    void add(const QString& name, Procedure procedure);
    // The registered names as they were given, sorted.
    QStringList names() const;

    bool hasProcedure(const QString& name) const override;
    ProcedureResult callProcedure(DbConnection& connection, const QString& name,
                                  const QStringList& arguments) override;

    // sp_D_Asnad_<Type> (transaction table, voucher number, mode[, quoted date]), and
    // optionally "@Expect=..." after them: "NEW" for a save of a voucher the caller
    // made (stored under the next free number when its own was taken meanwhile), or
    // the stamp 'DB->TRANS' answered for the loaded voucher (a save or delete of a
    // voucher changed or deleted since is refused with RetState "0" and Conflict
    // "CHANGED" or "DELETED"). 'DB->TRANS' answers the stamp (column Stamp, empty for
    // a number not stored); a save answers RetState and the stored SanadNoAmval.
    static ProcedureResult VoucherProcedure(const VoucherKind& kind, DbConnection& connection,
                                            const QStringList& arguments);
    // sp_Asnad_Actions ('', 'A', kind caption, number, user, action, date, clock, '', '',
    // '', temporary-table stem).
    static ProcedureResult LogAction(DbConnection& connection, const QStringList& arguments);
    // sp_D_Asnad_SodorSanad_FromFactor (type code, transaction table, number, date,
    // company code, user name).
    static ProcedureResult IssueAccountingVoucher(DbConnection& connection,
                                                  const QStringList& arguments);
    // sp_D_Return_StartDate (company code + fiscal year, asset code).
    static ProcedureResult AssetStartDate(DbConnection& connection, const QStringList& arguments);

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
