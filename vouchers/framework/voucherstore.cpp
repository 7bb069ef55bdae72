#include "voucherform.h"

#include "commandquery.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "messages.h"
#include "sqlquote.h"
#include "voucherformshared.h"

#include "context/dlgmsg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSet>

// OK and Delete: a voucher is stored or deleted whole in one transaction, or not at
// all, and a second user's change in the meantime is caught and said.

void TVoucherForm::OkBitBtnClick()
{
    if (!OkBitBtn->isEnabled())
        return;
    // A row still being typed is posted first; a refused row stops the save.
    dbgAsnad->commitEditor();
    try {
        if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
            quAsnad->cancel();
        else if (!quAsnad->post())
            return;
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }

    try {
        if (m_proposed && !CheckProposedRows())
            return;
        if (!GuardMovedDate())
            return;
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }
    QString stored;
    QString notice;
    if (!SaveVoucher(stored, notice))
        return;
    const bool renumbered = m_mode != VoucherFormText::Edit && !stored.isEmpty() &&
                            stored.trimmed() != SanadID->text().trimmed();
    if (renumbered) {
        ShowMessageDlg(QStringLiteral("شماره ") + SanadID->text().trimmed() +
                           QStringLiteral(" در اين فاصله توسط کاربر ديگري ثبت شد؛ سند ") +
                           m_kind.Caption() + QStringLiteral(" با شماره ") + stored.trimmed() +
                           QStringLiteral(" ذخيره شد."),
                       QString(), QStringLiteral("1IR"));
    }
    if (!notice.isEmpty())
        ShowMessageDlg(notice, QString(), VoucherFormText::Error);
    if (m_mode != VoucherFormText::Edit)
        SanadID->setText(QString::number(NumberText(stored).toLongLong() + 1));
    BackToNewVoucher();
}

bool TVoucherForm::GuardMovedDate()
{
    if (!GuardsAssetState() || m_mode != VoucherFormText::Edit || m_loadedDate.isEmpty() ||
        VoucherDate() == m_loadedDate || quAsnad->findField(VoucherColumn::DaraCod) == nullptr)
        return true;
    for (int row = 0; row < quAsnad->recordCount(); ++row) {
        const QString asset =
            quAsnad->value(row, quAsnad->fieldByName(VoucherColumn::DaraCod)->index()).toString();
        if (asset.trimmed().isEmpty())
            continue;
        if (const TRowRefusal refusal = AssetStateRefusal(asset); refusal.Refused()) {
            quAsnad->setCurrentRow(row);
            ShowRefusal(refusal);
            return false;
        }
    }
    return true;
}

// The rows were checked against the guard as they were typed; another user may have
// sold or retired one of their assets since. The procedure has locked the records
// of the voucher's assets (a save that sells or retires one of them waits for this
// one, or this one for it), so what is read here stays true until the commit. The
// assets that have any sale or permanent retirement up to the date are found in one
// statement; only their rows go through the guard again.
int TVoucherForm::StoredRowRefused(const QString& storedNumber, TRowRefusal& refusal)
{
    if (!GuardsAssetState() || quAsnad->findField(VoucherColumn::DaraCod) == nullptr)
        return -1;
    // The rows are stored under this number now: they are the voucher's own.
    const QScopedValueRollback<QString> number(m_storedAs, storedNumber);
    const QSet<QString> touched = AssetsToGuardAgain();
    if (touched.isEmpty())
        return -1;
    const int column = quAsnad->fieldByName(VoucherColumn::DaraCod)->index();
    for (int row = 0; row < quAsnad->recordCount(); ++row) {
        const QString asset = quAsnad->value(row, column).toString();
        if (!touched.contains(asset.trimmed()))
            continue;
        refusal = StoredAssetRefusal(asset);
        if (refusal.Refused())
            return row;
    }
    return -1;
}

QSet<QString> TVoucherForm::AssetsToGuardAgain()
{
    return m_dGlobal->AssetsSoldOrRetired(m_lookup.get(), m_transTable,
                                          FieldWidth(VoucherColumn::DaraCod), VoucherDate());
}

// Rows, cost components, accounting voucher, day-book and action log are stored in
// one transaction: all of them or none. A new voucher's number is taken inside it
// (the procedure stores the rows under the next free number when another user took
// this one meanwhile); an edit is refused when the stored voucher is no longer the
// one this window loaded, and the voucher when the guard now refuses one of its
// assets. Messages wait until the transaction has ended, so that no other user waits
// on a message box.
bool TVoucherForm::SaveVoucher(QString& storedNumber, QString& notice)
{
    const QString failure =
        QStringLiteral("بدليل وجود اشکال در دادهها, اطلاعات نميتواند ذخيره شود.");
    const bool isNew = m_mode != VoucherFormText::Edit;
    QString refusal;
    TRowRefusal guarded;
    int guardedRow = -1;
    try {
        Transaction transaction(*MyDatabase->Connection);
        QStringList arguments = SaveArguments();
        arguments << QStringLiteral("@Expect=") + (isNew ? QStringLiteral("NEW") : m_stamp);
        const ProcedureResult result =
            MyDatabase->Connection->callProcedure(m_kind.Procedure(), arguments);
        if (result.value(QStringLiteral("RetState")).toString().trimmed() != QStringLiteral("1")) {
            const QString conflict = result.value(QStringLiteral("Conflict")).toString();
            if (conflict == QLatin1String("DELETED"))
                refusal = QStringLiteral("سند ") + m_kind.Caption() + QStringLiteral(" شماره ") +
                          SanadID->text().trimmed() +
                          QStringLiteral(" در اين فاصله توسط کاربر ديگري حذف شده است و تغييرات "
                                         "شما ذخيره نشد.\nرديفهاي وارد شده در پنجره باقي است.");
            else if (conflict == QLatin1String("CHANGED"))
                refusal = QStringLiteral("سند ") + m_kind.Caption() + QStringLiteral(" شماره ") +
                          SanadID->text().trimmed() +
                          QStringLiteral(" در اين فاصله توسط کاربر ديگري تغيير کرده است و "
                                         "تغييرات شما ذخيره نشد.\nرديفهاي وارد شده در پنجره "
                                         "باقي است؛ براي ديدن سند ثبت شده، انصراف را بزنيد و "
                                         "سند را دوباره باز کنيد.");
            else
                refusal = failure;
        } else {
            storedNumber = result.value(VoucherColumn::SanadNoAmval).toString();
            if (storedNumber.trimmed().isEmpty())
                storedNumber = SanadID->text();
            storedNumber = PadLeft(storedNumber.trimmed(), FieldWidth(VoucherColumn::SanadNoAmval));
            guardedRow = StoredRowRefused(storedNumber, guarded);
            if (guardedRow < 0) {
                if (m_kind.InstantVoucher)
                    notice = m_dGlobal->IssueInstantVoucher(m_kind.Facts, m_transTable,
                                                            storedNumber, VoucherDate());
                MyDatabase->Connection->callProcedure(
                    QStringLiteral("sp_Asnad_Actions"),
                    {QString(), QStringLiteral("A"), m_kind.Facts.actionLabel, storedNumber,
                     Global->UserName, isNew ? QStringLiteral("I") : QStringLiteral("E"),
                     Global->Today, MyDate->ClockText(), QString(), QString(), QString(),
                     Global->TempStem});
                transaction.commit();
                return true;
            }
            storedNumber.clear(); // rolled back as the transaction ends
        }
    } catch (const DatabaseError& e) {
        // Nothing was stored.
        refusal = SaveFailureText(e, failure);
        guardedRow = -1;
    }
    if (guardedRow >= 0) {
        // The refused row, as when it was typed: its message, the cursor on its asset.
        quAsnad->setCurrentRow(guardedRow);
        ShowRefusal(guarded);
        return false;
    }
    ShowMessageDlg(refusal, QString(), VoucherFormText::Error);
    return false;
}

QString TVoucherForm::SaveFailureText(const DatabaseError& error, const QString& failure)
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

void TVoucherForm::cmdDelClick()
{
    if (!cmdDel->isEnabled())
        return;
    if (ShowMessageDlg(QStringLiteral("آيا سند حذف شود؟"), QString(), QStringLiteral("3QR")) !=
        TDlgMsg::mrYes)
        return;
    QString refusal;
    try {
        SanadID->setText(PaddedNumber());
        // The log and the delete are one transaction: a voucher is never gone without
        // its entry, nor logged as deleted while it stays.
        Transaction transaction(*MyDatabase->Connection);
        MyDatabase->Connection->callProcedure(
            QStringLiteral("sp_Asnad_Actions"),
            {QString(), QStringLiteral("A"), m_kind.Facts.actionLabel, SanadID->text(),
             Global->UserName, QStringLiteral("D"), Global->Today, MyDate->ClockText(), QString(),
             QString(), QString(), Global->TempStem});
        const ProcedureResult result = MyDatabase->Connection->callProcedure(
            m_kind.Procedure(), {QString(), SanadID->text(), QStringLiteral("DELETE"),
                                 QStringLiteral("@Expect=") + m_stamp});
        const QString conflict = result.value(QStringLiteral("Conflict")).toString();
        if (conflict == QLatin1String("DELETED"))
            refusal = QStringLiteral("سند ") + m_kind.Caption() + QStringLiteral(" شماره ") +
                      SanadID->text().trimmed() +
                      QStringLiteral(" پيش از اين توسط کاربر ديگري حذف شده است.");
        else if (conflict == QLatin1String("CHANGED"))
            refusal = QStringLiteral("سند ") + m_kind.Caption() + QStringLiteral(" شماره ") +
                      SanadID->text().trimmed() +
                      QStringLiteral(" در اين فاصله توسط کاربر ديگري تغيير کرده است و حذف "
                                     "نشد.\nسند را دوباره باز کنيد و ببينيد.");
        else
            transaction.commit();
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }
    if (!refusal.isEmpty()) {
        ShowMessageDlg(refusal, QString(), VoucherFormText::Error);
        return;
    }
    BackToNewVoucher();
}

QStringList TVoucherForm::SaveArguments() const
{
    return {m_transTable, SanadID->text(), QStringLiteral("TRANS->DB")};
}

bool TVoucherForm::CheckProposedRows()
{
    for (int row = 0; row < quAsnad->recordCount(); ++row) {
        quAsnad->setCurrentRow(row);
        quAsnad->edit();
        if (!quAsnad->post())
            return false;
    }
    m_proposed = false;
    return true;
}

bool TVoucherForm::ProposeRows(const QList<QVariantMap>& rows, const QString& date)
{
    NewVoucher(true);
    if (!date.isEmpty())
        setDateEdits(date);
    CommitDate();
    if (m_headerOn)
        return false;
    DbConnection* connection = MyDatabase->Connection;
    const QStringList columns = connection->dialect().tableColumns(m_transTable);
    const bool numbered = quAsnad->findField(VoucherColumn::Raj) != nullptr;
    int raj = 0;
    Transaction transaction(*connection);
    for (const QVariantMap& row : rows) {
        QVariantMap values = row;
        values.insert(VoucherColumn::SanadNoAmval, PaddedNumber());
        values.insert(VoucherColumn::UserName, EUserName->text());
        values.insert(VoucherColumn::SDate, VoucherDate());
        if (numbered)
            values.insert(VoucherColumn::Raj, ++raj);
        QStringList into;
        QStringList marks;
        QVariantList bound;
        for (const QString& column : columns) {
            for (auto it = values.cbegin(); it != values.cend(); ++it) {
                if (it.key().compare(column, Qt::CaseInsensitive) == 0) {
                    into << SqlIdent(column);
                    marks << QStringLiteral("?");
                    bound << it.value();
                    break;
                }
            }
        }
        connection->execute(QStringLiteral("INSERT INTO ") + SqlIdent(m_transTable) +
                                QStringLiteral(" (") + into.join(QStringLiteral(", ")) +
                                QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) +
                                QStringLiteral(")"),
                            bound);
    }
    transaction.commit();
    quAsnad->requery();
    quAsnad->first();
    m_proposed = !rows.isEmpty();
    SetButtons();
    UpdateCaption(m_mode);
    RefreshFooter();
    showRowPosition();
    return true;
}
