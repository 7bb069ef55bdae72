#pragma once

#include "barkenarmunit.h"

// Task window "کنارگذاري موقت", opened by BarKenarD_Amval: the return to use of
// assets retired for good. Its asset may be one retired on or before the voucher's
// date and not returned since; a sold asset, one never retired and one returned
// already are refused.
class TBarKenarDForm : public TBarKenarMForm
{
    Q_OBJECT
public:
    static const QString Caption;
    static TVoucherKind Parameters();

    explicit TBarKenarDForm(QWidget* parent = nullptr);

protected:
    TRowRefusal AssetStateRefusal(const QString& asset) override;
};
