#include "voucheraccess.h"

#include "voucherkind.h"

TVoucherAccess TVoucherAccess::Decide(const TVoucherSituation& s)
{
    TVoucherAccess access;
    const bool rows = s.GridOpen && s.HasRows;
    if (s.IsNew) {
        // A first row being typed counts: OK posts it (with its checks) and saves.
        access.MayOk = !s.HeaderOn && (rows || s.TypingFirstRow);
        // The date commit already tested the right to make one, so the grid takes
        // the first row.
        access.GridEditable = !s.HeaderOn && s.GridOpen;
    } else {
        // A stored voucher stays editable only while nothing was built on it: no
        // accounting voucher, depreciation booked only before its date, this period's
        // day-book not past it.
        const bool editable = rows && !s.AccountingVoucherIssued &&
                              s.Date > s.LastDepreciationDate && !s.OtherPeriod && s.DayBookAllows;
        const bool inPeriod = s.Date >= s.PeriodStart;
        access.MayOk = !s.HeaderOn && editable && s.Rights.contains(QLatin1Char('E')) && inPeriod;
        access.MayDelete =
            !s.HeaderOn && editable && s.Rights.contains(QLatin1Char('D')) && inPeriod;
        access.GridEditable = access.MayOk;
    }
    if (rows && !s.IsNew) {
        if (s.AccountingVoucherIssued)
            access.Reason = TReadOnlyReason::AccountingVoucherIssued;
        else if (s.LastDepreciationDate > s.Date)
            access.Reason = TReadOnlyReason::DepreciationIssued;
        else if (s.OtherPeriod)
            access.Reason = TReadOnlyReason::OtherPeriod;
        else if (!s.Rights.contains(QLatin1Char('E')))
            access.Reason = TReadOnlyReason::NoEditRight;
        else if (!s.DayBookAllows)
            access.Reason = TReadOnlyReason::DayBookUpdated;
        else if (s.Date < s.PeriodStart)
            access.Reason = TReadOnlyReason::BeforePeriodStart;
    }
    return access;
}

QString TVoucherAccess::Caption(const TVoucherKind& kind, const TVoucherSituation& s,
                                const QString& number)
{
    const QString& name = kind.Caption();
    if (!s.GridOpen)
        return QStringLiteral("ثبت سند ") + name;
    if (!s.HasRows)
        return QStringLiteral("ثبت سند ") + name + QLatin1Char(' ') + number;
    QString text = QStringLiteral("ويرايش سند ") + name + QLatin1Char(' ') + number;
    TReadOnlyReason reason = Decide(s).Reason;
    if (!kind.BoundByBooks && reason != TReadOnlyReason::NoEditRight)
        reason = TReadOnlyReason::None;
    switch (reason) {
    case TReadOnlyReason::None:
        break;
    case TReadOnlyReason::AccountingVoucherIssued:
        text += QStringLiteral("(سند حسابداري صادر شده است)");
        break;
    case TReadOnlyReason::DepreciationIssued:
        text += QStringLiteral("(سند حسابداري هزينه استهلاک تا تاريخ ") + s.LastDepreciationDate +
                QStringLiteral(" صادر شده است)");
        break;
    case TReadOnlyReason::OtherPeriod:
        text += QStringLiteral("(سند ") + name + QStringLiteral(" دوره مالي ديگر)");
        break;
    case TReadOnlyReason::NoEditRight:
        text += kind.NoEditSuffix.isEmpty() ? QStringLiteral("(مجاز به ويرايش نمي باشيد)")
                                            : kind.NoEditSuffix;
        break;
    case TReadOnlyReason::DayBookUpdated:
        text += QStringLiteral("(به روزآوري شده است)");
        break;
    case TReadOnlyReason::BeforePeriodStart:
        text +=
            QStringLiteral("(تاريخ از تاريخ شروع دوره مالي كوچكتر است. امكان ويرايش وجود ندارد)");
        break;
    }
    return text;
}
