#include "tahvilantegalunit.h"

#include "accountpicklists.h"
#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "messages.h"
#include "persiantext.h"
#include "picklist.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

const QString TTahvilAntegalForm::Caption = QStringLiteral("تحويل/انتقال");

namespace {

const QString kPersonelCod = QStringLiteral("PersonelCod");
const QString kMakanCod = QStringLiteral("MakanCod");
// Codes keep the digits 0-9 whatever keyboard typed them; any character is taken.
const QString kAnyCode = QStringLiteral("CODE");

} // namespace

TVoucherKind TTahvilAntegalForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::TahvilAntegal);
    kind.InstantVoucher = false;
    kind.LayoutKey = GridLayoutKeys::TAHVIL_ANTEGAL;
    kind.DataSetName = QStringLiteral("quTahvilAntegal");
    kind.PrintTitle = QStringLiteral("سند تحويل/انتقال شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_TAHVIL_ANTEGAL");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [تحويل/انتقال]");
    return kind;
}

TTahvilAntegalForm::TTahvilAntegalForm(QWidget* parent) : TVoucherForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("TahvilAntegalForm"));
}

TTahvilAntegalForm::TTahvilAntegalForm(const TVoucherKind& kind, QWidget* parent)
    : TVoucherForm(kind, parent)
{}

QList<TVoucherColumn> TTahvilAntegalForm::Columns()
{
    using namespace VoucherColumn;
    return {TVoucherColumn(DaraCod, QStringLiteral("دارايي"), 80)
                .Rule(DGlobal()->TYPEDARACOD.isEmpty() ? kAnyCode : DGlobal()->TYPEDARACOD)
                .Picks(WhileEditable([this] { return pickAsset(true); })),
            TVoucherColumn(AmvalDes, QStringLiteral("شرح"), 365),
            TVoucherColumn(kPersonelCod, QStringLiteral("تحويل گيرنده"), 75)
                .Rule(kAnyCode)
                .Picks(WhileEditable([this] { return pickRecipient(); })),
            TVoucherColumn(VazCod, QStringLiteral("وضعيت"), 45)
                .Rule(kAnyCode)
                .Picks(WhileEditable([this] { return PickConditionForRow(); })),
            TVoucherColumn(kMakanCod, QStringLiteral("مكان استقرار"), 75)
                .Rule(kAnyCode)
                .Picks(WhileEditable([this] { return pickLocation(); })),
            TVoucherColumn(Tafsily2, QStringLiteral("مركز هزينه"), 70)
                .Rule(kAnyCode)
                .Picks(WhileEditable([this] { return pickCostCentre(); })),
            TVoucherColumn(Bargeh, QStringLiteral("برگه"), 45).Ends()};
}

void TTahvilAntegalForm::CreateFooter()
{
    EDaraNam = FooterEdit(QStringLiteral("EDaraNam"), 200);
    ETafsily2Nam = FooterEdit(QStringLiteral("ETafsily2Nam"), 150);
    EPersonelNam = FooterEdit(QStringLiteral("EPersonelNam"), 200);
    EVazNam = FooterEdit(QStringLiteral("EVazNam"), 150);
    EMakanNam = FooterEdit(QStringLiteral("EMakanNam"), 150);
    LayOutFooter({{FooterLabel(QStringLiteral("دارايي")), EDaraNam},
                  {FooterLabel(QStringLiteral("مرکز هزينه")), ETafsily2Nam},
                  {FooterLabel(QStringLiteral("تحويل گيرنده")), EPersonelNam},
                  {FooterLabel(QStringLiteral("وضعيت دارايي")), EVazNam},
                  {FooterLabel(QStringLiteral("مکان استقرار")), EMakanNam}});
}

void TTahvilAntegalForm::RefreshFooter()
{
    using namespace VoucherColumn;
    const QHash<QString, QString> names = ReadNames(
        QList<TNamePart>{
            AssetPart(QStringLiteral("DaraNam")),
            {"PersonelNam", "Select \"Name\" || ' ' || Family From Person Where Code = ",
             StoredCode(kPersonelCod)},
            {"VazNam", "Select VazNam   From D_VazDarae Where VazCod   = ", StoredCode(VazCod)},
            {"MakanNam",
             "Select MakanNam From D_Makan    Where MakanCod = ", StoredCode(kMakanCod)},
            {"NamHesab",
             "Select NamHesab From Tafsily2   Where Tafsily2 = ", StoredCode(Tafsily2)}} +
        ExtraNameParts());
    EDaraNam->setText(names.value(QStringLiteral("DaraNam")));
    EPersonelNam->setText(names.value(QStringLiteral("PersonelNam")));
    EVazNam->setText(names.value(QStringLiteral("VazNam")));
    EMakanNam->setText(names.value(QStringLiteral("MakanNam")));
    ETafsily2Nam->setText(names.value(QStringLiteral("NamHesab")));
    ShowExtraNames(names);
}

void TTahvilAntegalForm::NormaliseRow()
{
    for (const QString& name : {VoucherColumn::DaraCod, kPersonelCod, VoucherColumn::VazCod,
                                kMakanCod, VoucherColumn::Tafsily2})
        quAsnad->fieldByName(name)->setValue(StoredCode(name));
}

bool TTahvilAntegalForm::found(const QString& sql, const QString& value)
{
    DataSet* q = LookupQuery();
    q->open(sql, {value});
    const bool any = !q->isEmpty();
    q->close();
    return any;
}

TRowRefusal TTahvilAntegalForm::CheckRow()
{
    const QString asset = StoredCode(VoucherColumn::DaraCod);
    if (TRowRefusal r = CheckAssetKnown(asset); r.Refused())
        return r;
    if (TRowRefusal r = AssetStateRefusal(asset); r.Refused())
        return r;
    if (TRowRefusal r = CheckHolderAndPlace(); r.Refused())
        return r;
    if (TRowRefusal r = CheckFormNumber(QStringLiteral("شماره برگه تحويل/انتقال خالي مي باشد."));
        r.Refused())
        return r;
    return CheckStartOfUse(asset);
}

TRowRefusal TTahvilAntegalForm::CheckAssetKnown(const QString& asset)
{
    using namespace VoucherColumn;
    if (asset.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد دارايي خالي مي باشد."), DaraCod);
    if (!found(QStringLiteral("Select DaraCod From D_Amval Where DaraCod = ?"), asset))
        return TRowRefusal::Of(QStringLiteral("كد دارايي وجود ندارد."), DaraCod,
                               [this] { return pickAsset(false); });
    return TRowRefusal::Accept();
}

TRowRefusal TTahvilAntegalForm::CheckHolderAndPlace()
{
    using namespace VoucherColumn;
    // A list opened by a refusal leaves its choice in the row; the row is still
    // refused, and the next post checks the choice.
    const QString person = StoredCode(kPersonelCod);
    auto persons = [this] { return pickRecipient(); };
    if (person.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد تحويل گيرنده دارايي خالي مي باشد."), kPersonelCod,
                               persons);
    if (!found(QStringLiteral("Select Code From Person Where Code = ?"), person))
        return TRowRefusal::Of(QStringLiteral("تحويل گيرنده دارايي وجود ندارد."), kPersonelCod,
                               persons);

    const QString condition = StoredCode(VazCod);
    if (!condition.trimmed().isEmpty() &&
        !found(QStringLiteral("Select VazCod From D_VazDarae Where VazCod = ?"), condition))
        return TRowRefusal::Of(QStringLiteral("كد وضعيت دارايي وجود ندارد."), VazCod,
                               [this] { return PickConditionForRow(); });

    const QString location = StoredCode(kMakanCod);
    auto locations = [this] { return pickLocation(); };
    if (location.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد مکان تحويل دارايي خالي مي باشد."), kMakanCod,
                               locations);
    if (!found(QStringLiteral("Select MakanCod From D_Makan Where MakanCod = ?"), location))
        return TRowRefusal::Of(QStringLiteral("كد مکان تحويل دارايي وجود ندارد."), kMakanCod,
                               locations);

    // The cost centre alone goes on with what its list gives: an unknown code opens
    // the list without a word, an empty one after saying so; nothing chosen refuses.
    const QString costCentre = StoredCode(Tafsily2);
    const bool missing = costCentre.isEmpty();
    if (missing ||
        !found(QStringLiteral("Select Tafsily2 From Tafsily2 Where Tafsily2 = ?"), costCentre)) {
        if (missing)
            ShowMessageDlg(QStringLiteral("كد ") + DGlobal()->NAMTAFSILY2 +
                               QStringLiteral(" مي باشد."),
                           QString(), QStringLiteral("1ER"));
        dbgAsnad->focusField(Tafsily2);
        if (pickCostCentre() != 1)
            return TRowRefusal::Of(QString(), Tafsily2);
        quAsnad->fieldByName(Tafsily2)->setValue(StoredCode(Tafsily2));
    }
    return TRowRefusal::Accept();
}

int TTahvilAntegalForm::pickAsset(bool guard)
{
    const std::optional<TChosenAsset> chosen =
        Pick(PickAsset(*DGlobal(), FieldText(VoucherColumn::DaraCod)));
    dbgAsnad->setFocus();
    return TakePickedAsset(chosen, guard);
}

int TTahvilAntegalForm::pickRecipient()
{
    const std::optional<TChosenCode> chosen =
        Pick(PickRecipient(Connection(), *DGlobal(), FieldText(kPersonelCod)));
    dbgAsnad->setFocus();
    if (!chosen)
        return 2;
    quAsnad->fieldByName(kPersonelCod)->setValue(chosen->code);
    RefreshFooter();
    return 1;
}

int TTahvilAntegalForm::pickLocation()
{
    const std::optional<TChosenCode> chosen = Pick(PickLocation(FieldText(kMakanCod)));
    dbgAsnad->setFocus();
    if (!chosen)
        return 2;
    quAsnad->fieldByName(kMakanCod)->setValue(chosen->code);
    RefreshFooter();
    return 1;
}

int TTahvilAntegalForm::pickCostCentre()
{
    const int result = PickAccountForColumn(DGlobal(), dbgAsnad, VoucherColumn::Tafsily2, QString(),
                                            QString(), QString(), QString());
    dbgAsnad->setFocus();
    RefreshFooter();
    return result == 1 ? 1 : 2;
}
