#pragma once

#include "amvalform.h"

// Task window "کنارگذاري موقت", opened by BarKenarM_Amval.
class TBarKenarMForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TBarKenarMForm(QWidget* parent = nullptr);
};
