#pragma once

#include "amvalform.h"

// Task window "کنارگذاري دايم", opened by BarKenarD_Amval.
class TBarKenarDForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TBarKenarDForm(QWidget* parent = nullptr);
};
