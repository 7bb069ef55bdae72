#pragma once

#include "gridlayout.h"
#include "voucherkinds.h"

#include <QString>

// What one kind of asset voucher gives the shared voucher window: the kind's facts
// from the registry, and how its window names, prints and words things.
struct TVoucherKind
{
    explicit TVoucherKind(VoucherKindId id) : Facts(VoucherKindOf(id)) {}

    VoucherKind Facts;
    GridLayoutKey LayoutKey;
    bool InstantVoucher = true;
    // Whether the kind recognises a voucher of another fiscal period: one dated after
    // this period's end, which this period's window shows but does not change.
    bool RecognisesOtherPeriod = true;
    // Whether the books bound the kind's vouchers: a new one is dated after the last
    // depreciation voucher and outside what the day-book covers, a stored one turns
    // read only once either reaches it or an accounting voucher was issued, and the
    // caption says which. A kind outside the books is bound by the fiscal period and
    // the user's rights alone; its caption names only a missing edit right.
    bool BoundByBooks = true;
    QString WindowCaption; // the task's caption when it differs from the kind's caption
    QString DataSetName;   // the grid's data set: exported files are named after it
    QString PrintTitle;    // followed by the trimmed voucher number
    QString ReportName;    // key of the printed report
    QString PropertiesCaption;
    // Texts a kind words its own way ("" = built from the kind's caption).
    QString BadNumberText;
    QString NewRefusalText;
    QString NoEditSuffix;
    QString DuplicateAssetText;

    // The kind in the captions, the messages and the action log.
    const QString& Caption() const { return Facts.caption; }
    const QString& Table() const { return Facts.table; }
    const QString& Procedure() const { return Facts.procedure; }
    const QString& TypeCode() const { return Facts.whatDoc; }
};
