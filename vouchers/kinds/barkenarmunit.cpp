#include "barkenarmunit.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbgrid.h"
#include "messages.h"
#include "picklist.h"
#include "sqlquote.h"
#include "voucherformshared.h"

const QString TBarKenarMForm::Caption = QStringLiteral("کنارگذاري موقت");

TVoucherKind TBarKenarMForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::BarKenarM);
    kind.InstantVoucher = false;
    kind.LayoutKey = GridLayoutKeys::BARKENARM;
    kind.DataSetName = QStringLiteral("quBarKenarM");
    kind.PrintTitle = QStringLiteral("سند برگشت از کنارگذاري موقت شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_BARKENARM");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [برگشت از کنارگذاري موقت]");
    kind.BadNumberText = QStringLiteral("شماره برگشت از کنارگذاري موقت بدرستي وارد نشده است");
    kind.NewRefusalText = QStringLiteral("کاربر مجاز به ثبت برگشت از کنارگذاري موقت جديد نيست");
    kind.DuplicateAssetText = QStringLiteral("كد دارايي تكراري مي باشد.");
    return kind;
}

TBarKenarMForm::TBarKenarMForm(QWidget* parent)
    : TBarKenarMForm(Parameters(), QStringLiteral("D_KenarM"),
                     QStringLiteral("شماره برگه برگشت از کنارگذاري موقت خالي مي باشد."), parent)
{
    setObjectName(QStringLiteral("BarKenarMForm"));
}

TBarKenarMForm::TBarKenarMForm(const TVoucherKind& kind, const QString& retirementTable,
                               const QString& emptyFormText, QWidget* parent)
    : TKenarMForm(kind, parent), m_retirementTable(retirementTable), m_emptyFormText(emptyFormText)
{}

int TBarKenarMForm::RetirementCount(const QString& code) const
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(m_retirementTable) +
                QStringLiteral(" WHERE DaraCod IN (?, ?) AND sDate <= ?"),
            CodeForms(code) + QVariantList{VoucherDate()});
    const int count = q->field(0)->asInteger();
    q->close();
    return count;
}

// The rows this voucher had when it was stored are its own, not another return.
int TBarKenarMForm::ReturnCount(const QString& code, bool after) const
{
    DataSet* q = LookupQuery();
    q->open(
        QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(Kind().Table()) +
            QStringLiteral(" WHERE DaraCod IN (?, ?) AND SanadNoAmval NOT IN (?, ?) AND sDate ") +
            (after ? QStringLiteral(">") : QStringLiteral("<=")) + QStringLiteral(" ?"),
        CodeForms(code) + NumberForms() + QVariantList{VoucherDate()});
    const int count = q->field(0)->asInteger();
    q->close();
    return count;
}

TRowRefusal TBarKenarMForm::NeverRetired(const QString& code, const QString& retired) const
{
    if (RetirementCount(code) > 0)
        return TRowRefusal::Accept();
    return TRowRefusal::Of(QStringLiteral("دارايي تا تاريخ ") + VoucherDate() + QLatin1Char(' ') +
                               retired + QStringLiteral(" نشده است"),
                           VoucherColumn::DaraCod);
}

// A return from temporary retirement does not guard against temporary retirements:
// they are what it returns from.
TRowRefusal TBarKenarMForm::AssetStateRefusal(const QString& asset)
{
    if (TRowRefusal r = TVoucherForm::AssetStateRefusal(asset); r.Refused())
        return r;
    return NeverRetired(asset, QStringLiteral("کنارگذاري موقت"));
}

// While typing, the already-returned check has emptied such a row before; at the
// save, a return another clerk stored meanwhile is caught here.
TRowRefusal TBarKenarMForm::StoredAssetRefusal(const QString& asset)
{
    if (TRowRefusal r = AssetStateRefusal(asset); r.Refused())
        return r;
    if (ReturnCount(asset.trimmed(), false) >= RetirementCount(asset.trimmed()))
        return TRowRefusal::Of(QStringLiteral("اين دارايي قبلا برگشت داده شده است."),
                               VoucherColumn::DaraCod);
    return TRowRefusal::Accept();
}

QSet<QString> TBarKenarMForm::AssetsToGuardAgain()
{
    return TVoucherForm::AssetsToGuardAgain() + AssetsInOtherVouchers(Kind().Table());
}

TRowRefusal TBarKenarMForm::alreadyReturned()
{
    const QString code = FieldText(VoucherColumn::DaraCod).trimmed();
    const bool changed =
        Inserting() || (quAsnad->state() == DataSet::State::Edit && code != m_arrivedCode);
    if (!changed || code.isEmpty())
        return TRowRefusal::Accept();
    const int retired = RetirementCount(code);
    if (retired == 0)
        return TRowRefusal::Accept();
    QString message;
    if (ReturnCount(code, false) >= retired)
        message = QStringLiteral("اين دارايي قبلا برگشت داده شده است.");
    else if (ReturnCount(code, true) >= retired)
        message = QStringLiteral("اين دارايي بعد از اين تاريخ برگشت داده شده است.");
    else
        return TRowRefusal::Accept();
    quAsnad->fieldByName(VoucherColumn::DaraCod)->setValue(QString());
    RefreshFooter();
    return TRowRefusal::Of(message, VoucherColumn::DaraCod);
}

TRowRefusal TBarKenarMForm::CheckRow()
{
    // The emptied code then fails as an empty one.
    if (TRowRefusal r = alreadyReturned(); r.Refused())
        return r.ThenGoesOn();
    return CheckRowCodes(m_emptyFormText);
}

void TBarKenarMForm::AfterScroll()
{
    m_arrivedCode = FieldText(VoucherColumn::DaraCod).trimmed();
}

void TBarKenarMForm::ColumnLeft(const QString&)
{
    try {
        const TRowRefusal refusal = alreadyReturned();
        if (refusal.Refused())
            ShowMessageDlg(refusal.Message, QString(), VoucherFormText::Error);
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), VoucherFormText::Error);
    }
}

// Every asset retired on or before the voucher's date, returned since or not.
int TBarKenarMForm::PickAssetForRow(bool guard)
{
    const std::optional<TChosenAsset> chosen =
        Pick(PickRetiredAsset(*DGlobal(), FieldText(VoucherColumn::DaraCod), m_retirementTable,
                              VoucherDate()));
    dbgAsnad->setFocus();
    return TakePickedAsset(chosen, guard);
}
