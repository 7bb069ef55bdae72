#include "voucherkinds.h"

namespace {

// The return from permanent retirement has no code of its own in the registry the
// windows write; it takes the first free one after the tax-return group change, so
// that its accounting vouchers and day-book rows never mix with those of another kind.
const QString kBarKenarDCode = QStringLiteral("21");

VoucherKind Kind(const char* type, const char* table, const QString& whatDoc, const char* caption,
                 const char* actionLabel, const char* componentsTable = "",
                 bool acceptsDeferredSave = false)
{
    VoucherKind kind;
    kind.procedure = QStringLiteral("sp_D_Asnad_") + QString::fromUtf8(type);
    kind.table = QString::fromUtf8(table);
    kind.whatDoc = whatDoc;
    kind.caption = QString::fromUtf8(caption);
    kind.actionLabel = QString::fromUtf8(actionLabel);
    kind.componentsTable = QString::fromUtf8(componentsTable);
    kind.acceptsDeferredSave = acceptsDeferredSave;
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
    static const QList<VoucherKind> kinds{
        Kind("BuyCreate", "D_Buy_Create", QStringLiteral("12"), "خريد/ساخت", "خريد/ساخت",
             "D_Buy_Create_Relate_Gheimat"),
        Kind("AsaseChange", "D_AsaseChange", QStringLiteral("10"), "تعميرات اساسي",
             "تعميرات اساسي"),
        Kind("FirstTadil", "D_FirstTadil", QStringLiteral("11"), "تعديلات اوليه", "تعديلات اوليه"),
        Kind("ForoshDaymeh", "D_ForoshDaymeh", QStringLiteral("13"), "فروش دارايي", "فروش دارائي",
             "", true),
        Kind("DaraeReduce", "D_DaraeReduce", QStringLiteral("14"), "کاهش دارايي", "کاهش دارائي"),
        Kind("KenarM", "D_KenarM", QStringLiteral("15"), "کنارگذاري موقت", "کنار گذاري موقت"),
        Kind("KenarD", "D_KenarD", QStringLiteral("16"), "کنارگذاري دايمي", "کنار گذاري دائم"),
        Kind("TahvilAntegal", "D_Tahvil_Antegal", QStringLiteral("17"), "تحويل/انتقال",
             "تحويل/انتقال"),
        Kind("SoulationChange", "D_SoulationChange", QStringLiteral("18"), "تغيير روش/برآورد",
             "تغيير روش/برآورد"),
        Kind("Change_VezArat", "D_Change_VezArat", QStringLiteral("20"), "تغيير اظهارنامه مالياتي",
             "تغيير اظهارنامه مالياتي"),
        Kind("BarKenarM", "D_BarKenarM", QStringLiteral("19"), "برگشت از کنارگذاري موقت",
             "برگشت از کنار گذاري موقت"),
        Kind("BarKenarD", "D_BarKenarD", kBarKenarDCode, "برگشت از کنارگذاري دايم",
             "برگشت از کنارگذاري دائم"),
        Kind("Gardani", "D_Gardani", QString(), "اموال گرداني", ""),
    };
    return kinds;
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
