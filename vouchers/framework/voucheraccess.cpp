#include "voucheraccess.h"

#include "globalunit.h"
#include "jalalidate.h"
#include "voucherkind.h"

#include <algorithm>

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
        const bool deletable = !s.HeaderOn && editable && inPeriod;
        access.MayDelete = deletable && s.Rights.contains(QLatin1Char('D'));
        access.DeleteWantsRight = deletable && !access.MayDelete;
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

QString DayBookCoverage(const TDayBookMark& mark, const QString& number, const QString& date)
{
    if (!mark.Posted)
        return QString();
    QString postedDate = mark.Date.trimmed();
    if (postedDate == QStringLiteral("/  /"))
        postedDate.clear();
    const QString postedNo = mark.Number;
    const bool noNumber = postedNo.trimmed().isEmpty();
    // Voucher numbers compare as texts of one width: a number with fewer blanks in
    // front still orders as a number.
    const QString a = number.trimmed();
    const QString b = postedNo.trimmed();
    const int width = int(std::max(a.size(), b.size()));
    const bool numberCovered = !noNumber && PadLeft(a, width) <= PadLeft(b, width);
    const JalaliParts parts = JalaliSplit(date);
    const QString ymd = JalaliJoin(parts.year, parts.month, parts.day);
    const bool covered = numberCovered || (!postedDate.isEmpty() && ymd < postedDate) ||
                         (noNumber && !postedDate.isEmpty() && ymd <= postedDate);
    if (!covered)
        return QString();
    QString message;
    if (!noNumber) {
        // The posted number as it reads, without the blanks in front.
        qsizetype first = 0;
        while (first < postedNo.size() && postedNo.at(first).isSpace())
            ++first;
        message = QStringLiteral("تا مدرک ") + postedNo.mid(first);
    }
    if (!postedDate.isEmpty()) {
        message += noNumber ? QStringLiteral(" مدرک تا ") : QStringLiteral(" و ");
        message += QStringLiteral("تاريخ ") + postedDate;
    }
    message += QStringLiteral(" به روزآوري شده است");
    return message;
}

TDateRefusal TVoucherAccess::DateCommitRefusal(const TVoucherKind& kind, const TDateCommit& c)
{
    if (c.Stored)
        return {};
    if (c.Date < c.PeriodStart || c.Date > c.PeriodEnd)
        return {QStringLiteral("تاريخ وارد شده با تاريخ دوره مالي مطابقت ندارد."),
                QStringLiteral("mYear")};
    if (kind.BoundByBooks && c.LastDepreciationDate >= c.Date)
        return {QStringLiteral("سند هزينه استهلاک تا تاريخ ") + c.LastDepreciationDate +
                    QStringLiteral(" صادر شده است."),
                QStringLiteral("mDay")};
    if (!c.Rights.contains(QLatin1Char('N')))
        return {kind.NewRefusalText.isEmpty() ? QStringLiteral("کاربر مجاز به ثبت ") +
                                                    kind.Caption() + QStringLiteral(" جديد نيست")
                                              : kind.NewRefusalText,
                QStringLiteral("SanadID")};
    if (kind.BoundByBooks)
        return {DayBookCoverage(c.DayBook, c.Number, c.Date), QString()};
    return {};
}
