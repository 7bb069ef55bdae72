#include "voucherkinds.h"

#include <algorithm>

namespace {

// The return from permanent retirement has no code of its own in the registry the
// windows write; it takes the first free one after the tax-return group change, so
// that its accounting vouchers and day-book rows never mix with those of another kind.
constexpr QLatin1String kBarKenarDCode("21");
// The count is registered so that the search can take it in; its code is one of the
// registry only: it makes no accounting voucher and no day-book row, and its voucher
// kind carries no code.
constexpr QLatin1String kGardaniRegistryCode("22");

// Column and index names of the kinds' stored tables.
constexpr QLatin1String kDaraCod("DaraCod");
constexpr QLatin1String kAmvalDes("AmvalDes");
constexpr QLatin1String kVazCod("VazCod");
constexpr QLatin1String kMakanCod("MakanCod");
constexpr QLatin1String kPersonelCod("PersonelCod");
constexpr QLatin1String kMabadiCod("MabadiCod");
constexpr QLatin1String kTafsily2("Tafsily2");
constexpr QLatin1String kBargeh("Bargeh");
constexpr QLatin1String kSValue("sValue");
constexpr QLatin1String kArzeshAsgat("ArzeshAsgat");

QStringList Chain()
{
    return {QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("Tafsily"), kTafsily2,
            QStringLiteral("ProjectCod")};
}

QStringList SecondChain()
{
    return {QStringLiteral("HKoll"), QStringLiteral("HMoein"), QStringLiteral("HTafsily"),
            QStringLiteral("HTafsily2"), QStringLiteral("HProjectCod")};
}

QStringList RetirementColumns()
{
    return {kDaraCod, kAmvalDes, kVazCod, kMakanCod, kTafsily2, kBargeh};
}

QStringList TransferColumns()
{
    return {kDaraCod, kAmvalDes, kPersonelCod, kVazCod, kMakanCod, kTafsily2, kBargeh};
}

// The account names the carry-forward's preview shows for a kind with an account chain.
QStringList AccountNames()
{
    return {QStringLiteral("KNamHesab"), QStringLiteral("MNamHesab"), QStringLiteral("TNamHesab"),
            QStringLiteral("T2NamHesab")};
}

struct KindText
{
    VoucherKindId id;
    const char* type;
    const char* table;
    QString whatDoc;
    const char* caption;
    const char* actionLabel;
    const char* rightsPrefix;
    const char* componentsTable = "";
    bool acceptsDeferredSave = false;
    const char* assetCardsFirst = "";
    int dayOrder = 0;
    int listOrder = 0;
    const char* entryPoint = "";
    const char* taskCaption = ""; // "": the caption
    bool returnTask = false;
    QString registryCode = QString(); // empty: the voucher type code
    bool numberedRows = true;
    QStringList columns = {};
    QList<QStringList> indexes = {};
    VoucherKindSearch search = {};
    VoucherKindCarry carry = {};
};

VoucherKind Kind(const KindText& text)
{
    VoucherKind kind;
    kind.id = text.id;
    kind.procedure = QStringLiteral("sp_D_Asnad_") + QString::fromUtf8(text.type);
    kind.table = QString::fromUtf8(text.table);
    kind.whatDoc = text.whatDoc;
    kind.caption = QString::fromUtf8(text.caption);
    kind.actionLabel = QString::fromUtf8(text.actionLabel);
    kind.rightsPrefix = QString::fromUtf8(text.rightsPrefix);
    kind.componentsTable = QString::fromUtf8(text.componentsTable);
    kind.acceptsDeferredSave = text.acceptsDeferredSave;
    kind.assetCardsFirst = QString::fromUtf8(text.assetCardsFirst);
    kind.dayOrder = text.dayOrder;
    kind.listOrder = text.listOrder;
    kind.entryPoint = text.entryPoint;
    kind.taskCaption = *text.taskCaption ? QString::fromUtf8(text.taskCaption) : kind.caption;
    kind.returnTask = text.returnTask;
    kind.registryCode = text.registryCode.isEmpty() ? text.whatDoc : text.registryCode;
    kind.numberedRows = text.numberedRows;
    kind.columns = text.columns;
    kind.indexes = text.indexes;
    kind.search = text.search;
    kind.carry = text.carry;
    return kind;
}

template <typename Key> const VoucherKind* FindBy(const QString& value, Key key)
{
    const QString wanted = value.trimmed();
    if (wanted.isEmpty())
        return nullptr;
    for (const VoucherKind& kind : VoucherKinds()) {
        if (key(kind).compare(wanted, Qt::CaseInsensitive) == 0)
            return &kind;
    }
    return nullptr;
}

template <typename Less> QList<const VoucherKind*> Sorted(Less less)
{
    QList<const VoucherKind*> kinds;
    for (const VoucherKind& kind : VoucherKinds())
        kinds << &kind;
    std::stable_sort(kinds.begin(), kinds.end(), less);
    return kinds;
}

} // namespace

const QList<VoucherKind>& VoucherKinds()
{
    using Id = VoucherKindId;
    static const QList<VoucherKind> kinds{
        Kind({.id = Id::BuyCreate,
              .type = "BuyCreate",
              .table = "D_Buy_Create",
              .whatDoc = QStringLiteral("12"),
              .caption = "خريد/ساخت",
              .actionLabel = "خريد/ساخت",
              .rightsPrefix = "D_A_BUYCREATE_",
              .componentsTable = "D_Buy_Create_Relate_Gheimat",
              .dayOrder = 0,
              .listOrder = 0,
              .entryPoint = "BuyCreate_Amval",
              .columns = QStringList{kDaraCod, kAmvalDes, kMabadiCod} + Chain() +
                         QStringList{kBargeh, QStringLiteral("EndFee"), QStringLiteral("Esshat")},
              // The purchase's asset list asks of every asset whether another voucher
              // bought it: its asset index holds the voucher number too, so that the
              // answer is in the index.
              .indexes = {{QStringLiteral("sDate")}, {kDaraCod, QStringLiteral("SanadNoAmval")}},
              .search = {true,
                         {kAmvalDes, kMabadiCod, kTafsily2},
                         {kDaraCod, kMabadiCod, kTafsily2, kBargeh},
                         QStringLiteral("EndFee"),
                         QStringLiteral("Esshat")},
              .carry = {.offered = true,
                        .names = QStringList{QStringLiteral("MabadiNam")} + AccountNames()}}),
        Kind(
            {.id = Id::AsaseChange,
             .type = "AsaseChange",
             .table = "D_AsaseChange",
             .whatDoc = QStringLiteral("10"),
             .caption = "تعميرات اساسي",
             .actionLabel = "تعميرات اساسي",
             .rightsPrefix = "D_A_ASASCHANGE_",
             .dayOrder = 2,
             .listOrder = 5,
             .entryPoint = "AsaseChange_Amval",
             .columns = QStringList{kDaraCod, kAmvalDes, kSValue, QStringLiteral("NewMesureValue"),
                                    kVazCod, kMabadiCod, kBargeh} +
                        Chain(),
             .search = {true,
                        {kAmvalDes, kVazCod, kMabadiCod, kTafsily2},
                        {kVazCod, kDaraCod, kMabadiCod, kTafsily2, kBargeh},
                        kSValue,
                        {}},
             .carry = {.offered = true,
                       .names = QStringList{QStringLiteral("VazNam"), QStringLiteral("MabadiNam")} +
                                AccountNames(),
                       .amountTitle = QStringLiteral("مبلغ افزايش")}}),
        // The initial adjustment carries the asset name instead of a description.
        Kind(
            {.id = Id::FirstTadil,
             .type = "FirstTadil",
             .table = "D_FirstTadil",
             .whatDoc = QStringLiteral("11"),
             .caption = "تعديلات اوليه",
             .actionLabel = "تعديلات اوليه",
             .rightsPrefix = "D_A_FIRSTTADIL_",
             .dayOrder = 1,
             .listOrder = 8,
             .entryPoint = "FirstTadil_Amval",
             .columns =
                 QStringList{kDaraCod, QStringLiteral("DaraNam"), kSValue, kMabadiCod, kBargeh} +
                 Chain(),
             .search = {true, {}, {kDaraCod, kBargeh}, kSValue, {}},
             .carry = {.offered = true, .names = {}, .amountTitle = QStringLiteral("مبلغ تعديل")}}),
        Kind(
            {.id = Id::ForoshDaymeh,
             .type = "ForoshDaymeh",
             .table = "D_ForoshDaymeh",
             .whatDoc = QStringLiteral("13"),
             .caption = "فروش دارايي",
             .actionLabel = "فروش دارائي",
             .rightsPrefix = "D_A_SELLDARAE_",
             .acceptsDeferredSave = true,
             .assetCardsFirst = "فروش دارايي ",
             .dayOrder = 11,
             .listOrder = 1,
             .entryPoint = "ForoshDarae_Amval",
             .columns = QStringList{kDaraCod, kAmvalDes, kVazCod, QStringLiteral("ArzeshFee"),
                                    kSValue, QStringLiteral("Buyer"), kBargeh} +
                        Chain() + SecondChain(),
             .search =
                 {true, {kAmvalDes, kVazCod, kTafsily2}, {kVazCod, kDaraCod, kBargeh}, kSValue, {}},
             .carry = {.offered = true,
                       .names = QStringList{QStringLiteral("VazNam")} + AccountNames(),
                       .amountTitle = QStringLiteral("مبلغ فروش")}}),
        Kind({.id = Id::DaraeReduce,
              .type = "DaraeReduce",
              .table = "D_DaraeReduce",
              .whatDoc = QStringLiteral("14"),
              .caption = "کاهش دارايي",
              .actionLabel = "کاهش دارائي",
              .rightsPrefix = "D_A_REDUCEDARAE_",
              .dayOrder = 4,
              .listOrder = 7,
              .entryPoint = "DaraeReduce_Amval",
              .columns = QStringList{kDaraCod, kAmvalDes, kVazCod, QStringLiteral("ArzeshReduce"),
                                     kArzeshAsgat, kBargeh} +
                         Chain(),
              .search = {true,
                         {kAmvalDes, kVazCod, kTafsily2},
                         {kVazCod, kDaraCod, kTafsily2, kBargeh},
                         QStringLiteral("ArzeshReduce"),
                         kArzeshAsgat},
              .carry = {.offered = true,
                        .names = QStringList{QStringLiteral("VazNam")} + AccountNames()}}),
        Kind({.id = Id::KenarM,
              .type = "KenarM",
              .table = "D_KenarM",
              .whatDoc = QStringLiteral("15"),
              .caption = "کنارگذاري موقت",
              .actionLabel = "کنار گذاري موقت",
              .rightsPrefix = "D_A_KENARM_",
              .dayOrder = 7,
              .listOrder = 3,
              .entryPoint = "KenarM_Amval",
              .columns = RetirementColumns(),
              .search = {true,
                         {kAmvalDes, kVazCod, kMakanCod, kTafsily2},
                         {kVazCod, kDaraCod, kMakanCod, kTafsily2, kBargeh},
                         {},
                         {}},
              .carry = {.offered = true,
                        .names = {QStringLiteral("VazNam"), QStringLiteral("MakanNam"),
                                  QStringLiteral("T2NamHesab")}}}),
        Kind({.id = Id::KenarD,
              .type = "KenarD",
              .table = "D_KenarD",
              .whatDoc = QStringLiteral("16"),
              .caption = "کنارگذاري دايمي",
              .actionLabel = "کنار گذاري دائم",
              .rightsPrefix = "D_A_KENARD_",
              .assetCardsFirst = "كنارگذار دايمي ",
              .dayOrder = 12,
              .listOrder = 2,
              .entryPoint = "KenarD_Amval",
              .taskCaption = "كنارگذاري دايمي",
              .columns = QStringList{kDaraCod, kAmvalDes, kVazCod, kArzeshAsgat, kBargeh} +
                         Chain() + SecondChain(),
              .search = {true,
                         {kAmvalDes, kVazCod, kTafsily2},
                         {kVazCod, kDaraCod, kTafsily2, kBargeh},
                         {},
                         kArzeshAsgat},
              .carry = {.offered = true,
                        .names = QStringList{QStringLiteral("VazNam")} + AccountNames()}}),
        Kind({.id = Id::TahvilAntegal,
              .type = "TahvilAntegal",
              .table = "D_Tahvil_Antegal",
              .whatDoc = QStringLiteral("17"),
              .caption = "تحويل/انتقال",
              .actionLabel = "تحويل/انتقال",
              .rightsPrefix = "D_A_TAHVIL_",
              .dayOrder = 5,
              .listOrder = 4,
              .entryPoint = "TahvilEntegal_Amval",
              .columns = TransferColumns(),
              .search = {true,
                         {kAmvalDes, kVazCod, kPersonelCod, kMakanCod, kTafsily2},
                         {kVazCod, kDaraCod, kMakanCod, kPersonelCod, kTafsily2, kBargeh},
                         {},
                         {}},
              .carry = {.offered = true,
                        .names = {QStringLiteral("PersonelNam"), QStringLiteral("VazNam"),
                                  QStringLiteral("MakanNam"), QStringLiteral("T2NamHesab")}}}),
        Kind({.id = Id::SoulationChange,
              .type = "SoulationChange",
              .table = "D_SoulationChange",
              .whatDoc = QStringLiteral("18"),
              .caption = "تغيير روش/برآورد",
              .actionLabel = "تغيير روش/برآورد",
              .rightsPrefix = "D_A_CHANGESOULATION_",
              .dayOrder = 3,
              .listOrder = 6,
              .entryPoint = "SoulationChange_Amval",
              .columns = QStringList{kDaraCod, kAmvalDes, QStringLiteral("StartDate"),
                                     QStringLiteral("RaveshEst"), QStringLiteral("FeeEst"),
                                     QStringLiteral("NewOmer"), kBargeh} +
                         Chain(),
              .search = {true, {kAmvalDes, kTafsily2}, {kDaraCod, kTafsily2, kBargeh}, {}, {}},
              .carry = {.offered = true, .names = AccountNames()}}),
        Kind({.id = Id::ChangeVezArat,
              .type = "Change_VezArat",
              .table = "D_Change_VezArat",
              .whatDoc = QStringLiteral("20"),
              .caption = "تغيير اظهارنامه مالياتي",
              .actionLabel = "تغيير اظهارنامه مالياتي",
              .rightsPrefix = "D_A_CHVEZARAT_",
              .dayOrder = 6,
              .listOrder = 9,
              .entryPoint = "ChangeVezArat_Amval",
              .columns = TransferColumns() +
                         QStringList{QStringLiteral("OldVezCod"), QStringLiteral("NewVezCod")}}),
        Kind({.id = Id::BarKenarM,
              .type = "BarKenarM",
              .table = "D_BarKenarM",
              .whatDoc = QStringLiteral("19"),
              .caption = "برگشت از کنارگذاري موقت",
              .actionLabel = "برگشت از کنار گذاري موقت",
              .rightsPrefix = "D_A_KENARM_",
              .dayOrder = 8,
              .listOrder = 10,
              .entryPoint = "BarKenarM_Amval",
              .taskCaption = "کنارگذاري موقت",
              .returnTask = true,
              .columns = RetirementColumns()}),
        Kind({.id = Id::BarKenarD,
              .type = "BarKenarD",
              .table = "D_BarKenarD",
              .whatDoc = kBarKenarDCode,
              .caption = "برگشت از کنارگذاري دايم",
              .actionLabel = "برگشت از کنارگذاري دائم",
              .rightsPrefix = "D_A_KENARD_",
              .dayOrder = 9,
              .listOrder = 11,
              .entryPoint = "BarKenarD_Amval",
              .taskCaption = "کنارگذاري دايم",
              .returnTask = true,
              .columns = RetirementColumns()}),
        // The asset count has no row number: one row per counted asset. Its window
        // makes its own transaction table (with the asset name beside the codes), and
        // an imported sheet may list an asset twice, so no key is refused twice there.
        Kind(
            {.id = Id::Gardani,
             .type = "Gardani",
             .table = "D_Gardani",
             .whatDoc = QString(),
             .caption = "اموال گرداني",
             .actionLabel = "",
             .rightsPrefix = "D_A_AMVALGARDANI_",
             .dayOrder = 10,
             .listOrder = 12,
             .entryPoint = "AmvalGardani_Amval",
             .registryCode = kGardaniRegistryCode,
             .numberedRows = false,
             .columns = {QStringLiteral("SanadNoAmval"), QStringLiteral("SDate"), kDaraCod,
                         kPersonelCod, kMakanCod, QStringLiteral("User_Name")},
             .indexes = {{QStringLiteral("SanadNoAmval")}, {QStringLiteral("SDate")}, {kDaraCod}}}),
    };
    return kinds;
}

QList<const VoucherKind*> VoucherKindsInListOrder()
{
    return Sorted(
        [](const VoucherKind* a, const VoucherKind* b) { return a->listOrder < b->listOrder; });
}

QList<const VoucherKind*> VoucherKindsByRegistryCode()
{
    return Sorted([](const VoucherKind* a, const VoucherKind* b) {
        return a->registryCode.toInt() < b->registryCode.toInt();
    });
}

const VoucherKind& VoucherKindOf(VoucherKindId id)
{
    for (const VoucherKind& kind : VoucherKinds()) {
        if (kind.id == id)
            return kind;
    }
    return VoucherKinds().front(); // every id has its row
}

const VoucherKind* FindVoucherKindByProcedure(const QString& name)
{
    return FindBy(name, [](const VoucherKind& kind) { return kind.procedure; });
}

const VoucherKind* FindVoucherKindByTable(const QString& name)
{
    return FindBy(name, [](const VoucherKind& kind) { return kind.table; });
}

const VoucherKind* FindVoucherKindByWhatDoc(const QString& code)
{
    return FindBy(code, [](const VoucherKind& kind) { return kind.whatDoc; });
}

const VoucherKind* FindVoucherKindByRegistryCode(const QString& code)
{
    return FindBy(code, [](const VoucherKind& kind) { return kind.registryCode; });
}
