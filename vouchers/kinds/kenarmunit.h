#pragma once

#include "amvalform.h"

// Task window "کنارگذاري موقت", opened by KenarM_Amval.
class TKenarMForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TKenarMForm(QWidget* parent = nullptr);
};
