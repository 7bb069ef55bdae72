#include "changevezaratunit.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "messages.h"
#include "picklist.h"
#include "voucherformshared.h"

#include <QLabel>
#include <QLineEdit>

const QString TChangeVezAratForm::Caption = QStringLiteral("تغيير اظهارنامه مالياتي");

namespace {

const QString kOldVezCod = QStringLiteral("OldVezCod");
const QString kNewVezCod = QStringLiteral("NewVezCod");
const QString kAnyCode = QStringLiteral("CODE");

} // namespace

TVoucherKind TChangeVezAratForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::ChangeVezArat);
    kind.InstantVoucher = false;
    kind.RecognisesOtherPeriod = false;
    kind.BoundByBooks = false;
    kind.LayoutKey = GridLayoutKeys::CHANGE_VEZARAT;
    kind.DataSetName = QStringLiteral("quChVezArat");
    kind.PrintTitle = QStringLiteral("سند تغيير اظهارنامه مالياتي شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_CHANGE_VEZARAT");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [تغيير اظهارنامه مالياتي]");
    // The number and the new-voucher right name the kind without its last word.
    kind.BadNumberText = QStringLiteral("شماره تغيير اظهارنامه بدرستي وارد نشده است");
    kind.NewRefusalText = QStringLiteral("کاربر مجاز به ثبت تغيير اظهارنامه جديد نيست");
    return kind;
}

TChangeVezAratForm::TChangeVezAratForm(QWidget* parent) : TTahvilAntegalForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("ChangeVezAratForm"));
}

// Before the working copy takes the table's widths: the group columns made as wide
// as the company's group codes, and the kind's registry row made, once per company.
void TChangeVezAratForm::CreateExtraTables()
{
    TTahvilAntegalForm::CreateExtraTables();
    const QString failure = Connection()
                                .callProcedure(QStringLiteral("sp_D_Prepare_Change_VezArat"), {})
                                .value(QStringLiteral("Message"))
                                .toString();
    if (!failure.isEmpty())
        ShowMessageDlg(failure, QString(), VoucherFormText::Error);
}

QList<TVoucherColumn> TChangeVezAratForm::Columns()
{
    QList<TVoucherColumn> columns = TTahvilAntegalForm::Columns();
    // The groups go between the description and the recipient.
    int at = 0;
    while (at < columns.size() && !columns.at(at).Is(VoucherColumn::AmvalDes))
        ++at;
    columns.insert(
        at + 1,
        TVoucherColumn(kOldVezCod, QStringLiteral("كد اظهارنامه قبلي"), 110).Rule(kAnyCode));
    columns.insert(at + 2, TVoucherColumn(kNewVezCod, QStringLiteral("كد اظهارنامه جديد"), 110)
                               .Rule(kAnyCode)
                               .Picks(WhileEditable([this] { return pickNewGroup(); })));
    return columns;
}

void TChangeVezAratForm::CreateFooter()
{
    TTahvilAntegalForm::CreateFooter();
    EOldVezNam = FooterEdit(QStringLiteral("EOldVezNam"), 200);
    ENewVezNam = FooterEdit(QStringLiteral("ENewVezNam"), 200);
    // Below the transfer's two lines.
    LayOutFooter({{FooterLabel(QStringLiteral("اظهارنامه قبلي")), EOldVezNam},
                  {FooterLabel(QStringLiteral("اظهارنامه جديد")), ENewVezNam}},
                 2);
}

QList<TNamePart> TChangeVezAratForm::ExtraNameParts() const
{
    return {{"NewVezNam", "Select VezNam From D_VezArat Where VezCod = ", StoredCode(kNewVezCod)},
            {"OldVezNam", "Select VezNam From D_VezArat Where VezCod = ", StoredCode(kOldVezCod)}};
}

void TChangeVezAratForm::ShowExtraNames(const QHash<QString, QString>& names)
{
    EOldVezNam->setText(names.value(QStringLiteral("OldVezNam")));
    ENewVezNam->setText(names.value(QStringLiteral("NewVezNam")));
}

void TChangeVezAratForm::NormaliseRow()
{
    TTahvilAntegalForm::NormaliseRow();
    for (const QString& name : {kNewVezCod, kOldVezCod})
        quAsnad->fieldByName(name)->setValue(StoredCode(name));
}

TRowRefusal TChangeVezAratForm::CheckRow()
{
    const QString asset = StoredCode(VoucherColumn::DaraCod);
    if (TRowRefusal r = CheckAssetKnown(asset); r.Refused())
        return r;

    const QString group = StoredCode(kNewVezCod);
    auto groups = [this] { return pickNewGroup(); };
    if (group.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد اظهارنامه خالي مي باشد."), kNewVezCod);
    if (!found(QStringLiteral("Select VezNam From D_VezArat Where VezCod = ?"), group))
        return TRowRefusal::Of(QStringLiteral("كد اظهارنامه وجود ندارد."), kNewVezCod, groups);
    // An old group left empty (an asset typed, not chosen) differs from any new one.
    if (StoredCode(kOldVezCod).trimmed() == group.trimmed())
        return TRowRefusal::Of(QStringLiteral("كد اظهارنامه جديد و قديم يكسان است."), kNewVezCod,
                               groups);

    if (TRowRefusal r = AssetStateRefusal(asset); r.Refused())
        return r;
    if (TRowRefusal r = CheckHolderAndPlace(); r.Refused())
        return r;
    // No start-of-use check: a group changes whenever the asset came into use.
    return CheckFormNumber(QStringLiteral("شماره برگه تغيير اظهارنامه خالي مي باشد."));
}

void TChangeVezAratForm::AssetPicked(const QString& code)
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select COALESCE(VezCod, '') As VezCod From D_Amval Where DaraCod = ?"),
            {code});
    if (!q->isEmpty())
        quAsnad->fieldByName(kOldVezCod)
            ->setValue(q->fieldByName(QStringLiteral("VezCod"))->asString());
    q->close();
}

int TChangeVezAratForm::pickNewGroup()
{
    const std::optional<TChosenCode> chosen = Pick(PickTaxGroup(FieldText(kNewVezCod)));
    dbgAsnad->setFocus();
    if (!chosen)
        return 2;
    quAsnad->fieldByName(kNewVezCod)->setValue(chosen->code);
    RefreshFooter();
    return 1;
}
