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
#include "voucherstore.h"

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

// The save as the store runs it (voucherstore.h), with what the window holds: the
// rows of its transaction table, the header, the stamp of the loaded voucher, and the
// kind's guard over the rows once they are stored. A refusal, a conflict or a
// failure is said once the transaction has ended; the rows stay in the window.
bool TVoucherForm::SaveVoucher(QString& storedNumber, QString& notice)
{
    TVoucherSaveRequest request;
    request.Kind = &m_kind.Facts;
    request.TransTable = m_transTable;
    request.Number = SanadID->text();
    request.Date = VoucherDate();
    request.IsNew = m_mode != VoucherFormText::Edit;
    request.ExpectedStamp = m_stamp;
    try {
        request.Deferred = DeferredSave();
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return false;
    }
    request.InstantVoucher = m_kind.InstantVoucher;
    request.UserName = Global->UserName;
    request.Today = Global->Today;
    request.Clock = MyDate->ClockText();
    request.TempStem = Global->TempStem;
    request.Guard = [this](const QString& stored, TRowRefusal& refusal) {
        return StoredRowRefused(stored, refusal);
    };
    const TVoucherSaveOutcome outcome =
        TVoucherStore(*MyDatabase->Connection, *m_dGlobal).Save(request);
    switch (outcome.Result) {
    case TStoreResult::Done:
        storedNumber = outcome.StoredNumber;
        notice = outcome.Notice;
        return true;
    case TStoreResult::Refused:
        // The refused row, as when it was typed: its message, the cursor on its asset.
        quAsnad->setCurrentRow(outcome.Row);
        ShowRefusal(outcome.Refusal);
        return false;
    default:
        ShowMessageDlg(outcome.Text, QString(), VoucherFormText::Error);
        return false;
    }
}

QString TVoucherForm::SaveFailureText(const DatabaseError& error, const QString& failure)
{
    return TVoucherStore::FailureText(error, failure);
}

void TVoucherForm::cmdDelClick()
{
    if (!cmdDel->isEnabled()) {
        if (TVoucherAccess::Decide(Situation()).DeleteWantsRight)
            ShowMessageDlg(QStringLiteral("کاربر مجاز به حذف سند ") + m_kind.Caption() +
                               QStringLiteral(" نيست"),
                           QString(), VoucherFormText::Error);
        return;
    }
    if (ShowMessageDlg(QStringLiteral("آيا سند حذف شود؟"), QString(), QStringLiteral("3QR")) !=
        TDlgMsg::mrYes)
        return;
    SanadID->setText(PaddedNumber());
    const TVoucherDeleteOutcome outcome =
        TVoucherStore(*MyDatabase->Connection, *m_dGlobal)
            .Delete({&m_kind.Facts, SanadID->text(), m_stamp, Global->UserName, Global->Today,
                     MyDate->ClockText(), Global->TempStem});
    if (outcome.Result != TStoreResult::Done) {
        ShowMessageDlg(outcome.Text, QString(), VoucherFormText::Error);
        return;
    }
    BackToNewVoucher();
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
