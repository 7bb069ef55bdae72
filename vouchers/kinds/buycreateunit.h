#pragma once

#include "amvalform.h"

// Task window "خريد/ساخت", opened by BuyCreate_Amval.
class TBuyCreateForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TBuyCreateForm(QWidget* parent = nullptr);
};
