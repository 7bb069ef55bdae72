#include "voucherstore.h"

#include "d_globalunit.h"
#include "databaseerror.h"
#include "dbconnection.h"

ProcedureProvider& ProceduresOf(DbConnection& connection, const QString& procedure)
{
    ProcedureProvider* provider = connection.procedures();
    if (provider == nullptr)
        throw ProcedureProvider::MissingProcedure(procedure);
    return *provider;
}

namespace {

TStoreResult ResultOf(const DatabaseError& error)
{
    switch (error.kind()) {
    case DatabaseError::Kind::Busy:
        return TStoreResult::Busy;
    case DatabaseError::Kind::Unavailable:
        return TStoreResult::Unavailable;
    default:
        return TStoreResult::Failed;
    }
}

QString VoucherNamed(const VoucherKind& kind, const QString& number)
{
    return QStringLiteral("سند ") + kind.caption + QStringLiteral(" شماره ") + number.trimmed();
}

} // namespace

TVoucherStore::TVoucherStore(DbConnection& connection, TD_Global& services)
    : m_connection(connection), m_services(services)
{}

QString TVoucherStore::SaveFailure()
{
    return QStringLiteral("بدليل وجود اشکال در دادهها, اطلاعات نميتواند ذخيره شود.");
}

QString TVoucherStore::FailureText(const DatabaseError& error, const QString& failure)
{
    switch (error.kind()) {
    case DatabaseError::Kind::Busy:
    case DatabaseError::Kind::Conflict:
    case DatabaseError::Kind::Unavailable:
    case DatabaseError::Kind::AccessDenied:
    case DatabaseError::Kind::ReadOnly:
    case DatabaseError::Kind::DiskFull:
    case DatabaseError::Kind::NoPrivilege:
    case DatabaseError::Kind::NotADatabase:
        return DatabaseFailureText(error);
    default:
        return failure;
    }
}

// Rows, cost components, accounting voucher, day-book and action log in one
// transaction: all of them or none.
TVoucherSaveOutcome TVoucherStore::Save(const TVoucherSaveRequest& request)
{
    const VoucherKind& kind = *request.Kind;
    TVoucherSaveOutcome outcome;
    try {
        ProcedureProvider& procedures = ProceduresOf(m_connection, kind.procedure);
        Transaction transaction(m_connection);
        VoucherSaveCall call;
        call.kind = &kind;
        call.table = request.TransTable;
        call.number = request.Number;
        call.isNew = request.IsNew;
        call.expectedStamp = request.IsNew ? QString() : request.ExpectedStamp;
        call.deferred = request.Deferred;
        const VoucherWriteAnswer answer = procedures.saveVoucher(m_connection, call);
        switch (answer.state) {
        case VoucherWriteAnswer::State::Deleted:
            outcome.Result = TStoreResult::Deleted;
            outcome.Text = VoucherNamed(kind, request.Number) +
                           QStringLiteral(" در اين فاصله توسط کاربر ديگري حذف شده است و تغييرات "
                                          "شما ذخيره نشد.\nرديفهاي وارد شده در پنجره باقي است.");
            return outcome;
        case VoucherWriteAnswer::State::Changed:
            outcome.Result = TStoreResult::Changed;
            outcome.Text = VoucherNamed(kind, request.Number) +
                           QStringLiteral(" در اين فاصله توسط کاربر ديگري تغيير کرده است و "
                                          "تغييرات شما ذخيره نشد.\nرديفهاي وارد شده در پنجره "
                                          "باقي است؛ براي ديدن سند ثبت شده، انصراف را بزنيد و "
                                          "سند را دوباره باز کنيد.");
            return outcome;
        case VoucherWriteAnswer::State::Refused:
            outcome.Result = TStoreResult::Failed;
            outcome.Text = SaveFailure();
            return outcome;
        case VoucherWriteAnswer::State::Done:
            break;
        }
        // In its stored form, as the procedure answers it.
        const QString stored = answer.number.trimmed().isEmpty() ? request.Number : answer.number;
        // The guard reads what the procedure's locks keep true until the commit.
        if (request.Guard) {
            TRowRefusal refusal;
            const int row = request.Guard(stored, refusal);
            if (row >= 0) {
                outcome.Result = TStoreResult::Refused;
                outcome.Row = row;
                outcome.Refusal = refusal;
                return outcome; // rolled back as the transaction ends
            }
        }
        if (request.InstantVoucher)
            outcome.Notice =
                m_services.IssueInstantVoucher(kind, request.TransTable, stored, request.Date);
        procedures.logAction(m_connection,
                             {kind.actionLabel, stored, request.UserName,
                              request.IsNew ? QStringLiteral("I") : QStringLiteral("E"),
                              request.Today, request.Clock, request.TempStem});
        transaction.commit();
        outcome.Result = TStoreResult::Done;
        outcome.StoredNumber = stored;
        outcome.Renumbered = request.IsNew && stored.trimmed() != request.Number.trimmed();
    } catch (const DatabaseError& e) {
        // Nothing was stored.
        outcome = {};
        outcome.Result = ResultOf(e);
        outcome.Text = FailureText(e, SaveFailure());
    }
    return outcome;
}

// The log and the delete are one transaction: a voucher is never gone without its
// entry, nor logged as deleted while it stays.
TVoucherDeleteOutcome TVoucherStore::Delete(const TVoucherDeleteRequest& request)
{
    const VoucherKind& kind = *request.Kind;
    TVoucherDeleteOutcome outcome;
    try {
        ProcedureProvider& procedures = ProceduresOf(m_connection, kind.procedure);
        Transaction transaction(m_connection);
        procedures.logAction(m_connection,
                             {kind.actionLabel, request.Number, request.UserName,
                              QStringLiteral("D"), request.Today, request.Clock, request.TempStem});
        const VoucherWriteAnswer answer =
            procedures.deleteVoucher(m_connection, {&kind, request.Number, request.ExpectedStamp});
        switch (answer.state) {
        case VoucherWriteAnswer::State::Deleted:
            outcome.Result = TStoreResult::Deleted;
            outcome.Text = VoucherNamed(kind, request.Number) +
                           QStringLiteral(" پيش از اين توسط کاربر ديگري حذف شده است.");
            return outcome;
        case VoucherWriteAnswer::State::Changed:
            outcome.Result = TStoreResult::Changed;
            outcome.Text = VoucherNamed(kind, request.Number) +
                           QStringLiteral(" در اين فاصله توسط کاربر ديگري تغيير کرده است و حذف "
                                          "نشد.\nسند را دوباره باز کنيد و ببينيد.");
            return outcome;
        case VoucherWriteAnswer::State::Refused:
            outcome.Result = TStoreResult::Failed;
            outcome.Text = SaveFailure();
            return outcome;
        case VoucherWriteAnswer::State::Done:
            break;
        }
        transaction.commit();
        outcome.Result = TStoreResult::Done;
    } catch (const DatabaseError& e) {
        outcome.Result = ResultOf(e);
        outcome.Text = DatabaseFailureText(e);
    }
    return outcome;
}
