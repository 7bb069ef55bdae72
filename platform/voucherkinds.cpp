#include "voucherkinds.h"

namespace {

// The return from permanent retirement has no code of its own in the registry the
// windows write; it takes the first free one after the tax-return group change, so
// that its accounting vouchers and day-book rows never mix with those of another kind.
const QString kBarKenarDCode = QStringLiteral("21");

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
};

// The kinds' places on one day (VoucherKind::dayOrder).
int DayOrder(VoucherKindId id)
{
    using Id = VoucherKindId;
    switch (id) {
    case Id::BuyCreate:
        return 0;
    case Id::FirstTadil:
        return 1;
    case Id::AsaseChange:
        return 2;
    case Id::SoulationChange:
        return 3;
    case Id::DaraeReduce:
        return 4;
    case Id::TahvilAntegal:
        return 5;
    case Id::ChangeVezArat:
        return 6;
    case Id::KenarM:
        return 7;
    case Id::BarKenarM:
        return 8;
    case Id::BarKenarD:
        return 9;
    case Id::Gardani:
        return 10;
    case Id::ForoshDaymeh:
        return 11;
    case Id::KenarD:
        return 12;
    }
    return 0;
}

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
    kind.dayOrder = DayOrder(text.id);
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

} // namespace

const QList<VoucherKind>& VoucherKinds()
{
    using Id = VoucherKindId;
    static const QList<VoucherKind> kinds{
        Kind({Id::BuyCreate, "BuyCreate", "D_Buy_Create", QStringLiteral("12"), "خريد/ساخت",
              "خريد/ساخت", "D_A_BUYCREATE_", "D_Buy_Create_Relate_Gheimat"}),
        Kind({Id::AsaseChange, "AsaseChange", "D_AsaseChange", QStringLiteral("10"),
              "تعميرات اساسي", "تعميرات اساسي", "D_A_ASASCHANGE_"}),
        Kind({Id::FirstTadil, "FirstTadil", "D_FirstTadil", QStringLiteral("11"), "تعديلات اوليه",
              "تعديلات اوليه", "D_A_FIRSTTADIL_"}),
        Kind({Id::ForoshDaymeh, "ForoshDaymeh", "D_ForoshDaymeh", QStringLiteral("13"),
              "فروش دارايي", "فروش دارائي", "D_A_SELLDARAE_", "", true, "فروش دارايي "}),
        Kind({Id::DaraeReduce, "DaraeReduce", "D_DaraeReduce", QStringLiteral("14"), "کاهش دارايي",
              "کاهش دارائي", "D_A_REDUCEDARAE_"}),
        Kind({Id::KenarM, "KenarM", "D_KenarM", QStringLiteral("15"), "کنارگذاري موقت",
              "کنار گذاري موقت", "D_A_KENARM_"}),
        Kind({Id::KenarD, "KenarD", "D_KenarD", QStringLiteral("16"), "کنارگذاري دايمي",
              "کنار گذاري دائم", "D_A_KENARD_", "", false, "كنارگذار دايمي "}),
        Kind({Id::TahvilAntegal, "TahvilAntegal", "D_Tahvil_Antegal", QStringLiteral("17"),
              "تحويل/انتقال", "تحويل/انتقال", "D_A_TAHVIL_"}),
        Kind({Id::SoulationChange, "SoulationChange", "D_SoulationChange", QStringLiteral("18"),
              "تغيير روش/برآورد", "تغيير روش/برآورد", "D_A_CHANGESOULATION_"}),
        Kind({Id::ChangeVezArat, "Change_VezArat", "D_Change_VezArat", QStringLiteral("20"),
              "تغيير اظهارنامه مالياتي", "تغيير اظهارنامه مالياتي", "D_A_CHVEZARAT_"}),
        Kind({Id::BarKenarM, "BarKenarM", "D_BarKenarM", QStringLiteral("19"),
              "برگشت از کنارگذاري موقت", "برگشت از کنار گذاري موقت", "D_A_KENARM_"}),
        Kind({Id::BarKenarD, "BarKenarD", "D_BarKenarD", kBarKenarDCode, "برگشت از کنارگذاري دايم",
              "برگشت از کنارگذاري دائم", "D_A_KENARD_"}),
        Kind({Id::Gardani, "Gardani", "D_Gardani", QString(), "اموال گرداني", "",
              "D_A_AMVALGARDANI_"}),
    };
    return kinds;
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
