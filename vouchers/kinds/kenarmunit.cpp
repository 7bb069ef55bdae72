#include "kenarmunit.h"

#include "accountpicklists.h"
#include "assetpicklists.h"
#include "commandquery.h"
#include "context/global.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "picklist.h"
#include "sqlquote.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

const QString TKenarMForm::Caption = QStringLiteral("کنارگذاري موقت");

namespace {

const QString kMakanCod = QStringLiteral("MakanCod");

} // namespace

TVoucherKind TKenarMForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::KenarM);
    kind.InstantVoucher = false;
    kind.LayoutKey = GridLayoutKeys::KENARM;
    kind.DataSetName = QStringLiteral("quKenarM");
    kind.PrintTitle = QStringLiteral("سند کنارگذاري موقت شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_KENARM");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [کنارگذاري موقت]");
    kind.BadNumberText = QStringLiteral("شماره کنارگذاري موقت بدرستي وارد نشده است");
    kind.NewRefusalText = QStringLiteral("کاربر مجاز به ثبت کنارگذاري موقت جديد نيست");
    kind.DuplicateAssetText = QStringLiteral("كد دارايي تكراري مي باشد.");
    return kind;
}

TKenarMForm::TKenarMForm(QWidget* parent) : TKenarMForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("KenarMForm"));
}

TKenarMForm::TKenarMForm(const TVoucherKind& kind, QWidget* parent) : TVoucherForm(kind, parent) {}

QList<TVoucherColumn> TKenarMForm::Columns()
{
    return {TVoucherColumn(VoucherColumn::DaraCod, QStringLiteral("دارايي"), 80)
                .Rule(DGlobal()->TYPEDARACOD)
                .Picks(WhileEditable([this] { return PickAssetForRow(true); })),
            TVoucherColumn(VoucherColumn::AmvalDes, QStringLiteral("شرح"), 435),
            TVoucherColumn(VoucherColumn::VazCod, QStringLiteral("وضعيت"), 45)
                .Rule(QStringLiteral("NUM"))
                .Picks(WhileEditable([this] { return PickConditionForRow(); })),
            TVoucherColumn(kMakanCod, QStringLiteral("مکان استقرار"), 80)
                .Rule(QStringLiteral("NUM"))
                .Picks(WhileEditable([this] { return pickLocation(); })),
            TVoucherColumn(VoucherColumn::Tafsily2, QStringLiteral("مرکز هزينه"), 70)
                .Rule(DGlobal()->TYPESARFASLCOD)
                .Picks(WhileEditable([this] { return pickCostCentre(); })),
            TVoucherColumn(VoucherColumn::Bargeh, QStringLiteral("برگه"), 45).Ends()};
}

void TKenarMForm::CreateFooter()
{
    EDaraNam = FooterEdit(QStringLiteral("EDaraNam"), 200);
    EMarkazNam = FooterEdit(QStringLiteral("EMarkazNam"), 200);
    EMakanNam = FooterEdit(QStringLiteral("EMakanNam"), 200);
    EVazNam = FooterEdit(QStringLiteral("EVazNam"), 150);
    LayOutFooter({{FooterLabel(QStringLiteral("دارايي")), EDaraNam},
                  {FooterLabel(QStringLiteral("مراکز هزينه")), EMarkazNam},
                  {FooterLabel(QStringLiteral("مكان استقرار")), EMakanNam},
                  {FooterLabel(QStringLiteral("وضعيت دارايي")), EVazNam}});
}

QVariantList TKenarMForm::CodeForms(const QString& code) const
{
    const QString bare = code.trimmed();
    return {PadLeft(bare, FieldWidth(VoucherColumn::DaraCod)), bare};
}

QVariantList TKenarMForm::NumberForms() const
{
    const QString number = PaddedNumber();
    return {number, number.trimmed()};
}

// A return on the day of a retirement follows it: the retirements still in force are
// those after the asset's last return up to the date. This voucher's own rows (an
// edit of a stored voucher) do not count.
QString TKenarMForm::setAsideSince(const QString& code) const
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("SELECT MIN(K.sDate) FROM D_KenarM AS K WHERE K.DaraCod IN (?, ?) AND "
                           "K.SanadNoAmval NOT IN (?, ?) AND K.sDate <= ? AND K.sDate > "
                           "COALESCE((SELECT MAX(B.sDate) FROM D_BarKenarM AS B WHERE "
                           "B.DaraCod IN (?, ?) AND B.sDate <= ?), '')"),
            CodeForms(code) + NumberForms() + QVariantList{VoucherDate()} + CodeForms(code) +
                QVariantList{VoucherDate()});
    const QString since = q->field(0)->asString().trimmed();
    q->close();
    return since;
}

TRowRefusal TKenarMForm::AssetStateRefusal(const QString& asset)
{
    if (TRowRefusal r = TVoucherForm::AssetStateRefusal(asset); r.Refused())
        return r;
    const QString since = setAsideSince(asset);
    if (since.isEmpty())
        return TRowRefusal::Accept();
    return TRowRefusal::Of(QStringLiteral("دارايي در تاريخ ") + since +
                               QStringLiteral(" کنارگذاري موقت شده است"),
                           VoucherColumn::DaraCod);
}

QSet<QString> TKenarMForm::AssetsInOtherVouchers(const QString& table) const
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("SELECT DISTINCT TRIM(T.DaraCod) FROM ") + SqlIdent(TransTableName()) +
                QStringLiteral(" AS T WHERE EXISTS (SELECT 1 FROM ") + SqlIdent(table) +
                QStringLiteral(" AS O WHERE O.DaraCod IN (T.DaraCod, TRIM(T.DaraCod)) AND "
                               "O.SanadNoAmval NOT IN (?, ?))"),
            NumberForms());
    QSet<QString> codes;
    for (q->first(); !q->eof(); q->next())
        codes.insert(q->field(0)->asString());
    q->close();
    return codes;
}

QSet<QString> TKenarMForm::AssetsToGuardAgain()
{
    return TVoucherForm::AssetsToGuardAgain() + AssetsInOtherVouchers(Kind().Table());
}

void TKenarMForm::RefreshFooter()
{
    // The codes as the row stores them: a code still being typed names itself too.
    const QHash<QString, QString> names = ReadNames(
        {AssetPart(QStringLiteral("DaraNam")),
         {"VazNam",
          "Select VazNam   From D_VazDarae Where VazCod   = ", StoredCode(VoucherColumn::VazCod)},
         {"NamHesab",
          "Select NamHesab From Tafsily2   Where Tafsily2 = ", StoredCode(VoucherColumn::Tafsily2)},
         {"MakanNam", "Select MakanNam From D_Makan    Where MakanCod = ", StoredCode(kMakanCod)}});
    EDaraNam->setText(names.value(QStringLiteral("DaraNam")));
    EVazNam->setText(names.value(QStringLiteral("VazNam")));
    EMarkazNam->setText(names.value(QStringLiteral("NamHesab")));
    EMakanNam->setText(names.value(QStringLiteral("MakanNam")));
}

void TKenarMForm::NormaliseRow()
{
    for (const QString& name : {VoucherColumn::DaraCod, VoucherColumn::VazCod, kMakanCod})
        quAsnad->fieldByName(name)->setValue(StoredCode(name));
    quAsnad->fieldByName(VoucherColumn::Tafsily2)->setValue(StoredCode(VoucherColumn::Tafsily2));
}

TRowRefusal TKenarMForm::CheckRow()
{
    if (TRowRefusal r = CheckRowCodes(QStringLiteral("شماره برگه کنارگذاري موقت خالي مي باشد."));
        r.Refused())
        return r;
    return CheckStartOfUse(StoredCode(VoucherColumn::DaraCod));
}

TRowRefusal TKenarMForm::CheckRowCodes(const QString& emptyFormText)
{
    const QString asset = VoucherColumn::DaraCod;
    const QString code = StoredCode(asset);
    if (code.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد دارايي خالي مي باشد."), asset);
    DataSet* q = LookupQuery();
    const auto found = [q](const QString& sql, const QString& value) {
        q->open(sql, {value});
        const bool any = !q->isEmpty();
        q->close();
        return any;
    };
    // A value chosen in a list during the checks goes on with the checks.
    if (!found(QStringLiteral("Select DaraCod From D_Amval Where DaraCod = ?"), code))
        return TRowRefusal::Of(QStringLiteral("كد دارايي وجود ندارد."), asset,
                               [this] { return PickAssetForRow(false); })
            .ThenGoesOn();
    if (TRowRefusal r = AssetStateRefusal(code); r.Refused())
        return r;

    const QString condition = StoredCode(VoucherColumn::VazCod);
    if (!condition.trimmed().isEmpty() &&
        !found(QStringLiteral("Select VazCod From D_VazDarae Where VazCod = ?"), condition))
        return TRowRefusal::Of(QString(), VoucherColumn::VazCod,
                               [this] { return PickConditionForRow(); })
            .ThenGoesOn();

    const QString location = StoredCode(kMakanCod);
    if (location.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد مکان تحويل دارايي خالي مي باشد."), kMakanCod,
                               [this] { return pickLocation(); })
            .ThenGoesOn();
    if (!found(QStringLiteral("Select MakanCod From D_Makan Where MakanCod = ?"), location))
        return TRowRefusal::Of(QString(), kMakanCod, [this] { return pickLocation(); })
            .ThenGoesOn();

    const QString costCentre = StoredCode(VoucherColumn::Tafsily2);
    if (costCentre.isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد ") + DGlobal()->NAMTAFSILY2 +
                                   QStringLiteral(" مي باشد."),
                               VoucherColumn::Tafsily2, [this] { return pickCostCentre(); })
            .ThenGoesOn();
    if (!found(QStringLiteral("Select Tafsily2 From Tafsily2 Where Tafsily2 = ?"), costCentre))
        return TRowRefusal::Of(QString(), VoucherColumn::Tafsily2,
                               [this] { return pickCostCentre(); })
            .ThenGoesOn();

    return CheckFormNumber(emptyFormText);
}

int TKenarMForm::PickAssetForRow(bool guard)
{
    const std::optional<TChosenAsset> chosen =
        Pick(PickAsset(*DGlobal(), FieldText(VoucherColumn::DaraCod)));
    dbgAsnad->setFocus();
    return TakePickedAsset(chosen, guard);
}

int TKenarMForm::pickLocation()
{
    const std::optional<TChosenCode> chosen = Pick(PickLocation(FieldText(kMakanCod)));
    dbgAsnad->setFocus();
    if (!chosen)
        return 2;
    quAsnad->fieldByName(kMakanCod)->setValue(chosen->code);
    RefreshFooter();
    return 1;
}

// The cost centre is a second-detail account, chosen from its own list whatever
// account chain it would belong to.
int TKenarMForm::pickCostCentre()
{
    AccountCodes codes;
    codes.tafsily2 = FieldText(VoucherColumn::Tafsily2);
    const std::optional<TChosenAccount> chosen = Pick(PickTafsily2(
        Connection(), DGlobal()->GlobalRecord()->UserID, codes, QString(), 0, *DGlobal()));
    dbgAsnad->setFocus();
    if (!chosen)
        return 2;
    quAsnad->fieldByName(VoucherColumn::Tafsily2)->setValue(chosen->codes.tafsily2);
    RefreshFooter();
    return 1;
}
