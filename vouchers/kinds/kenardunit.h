#pragma once

#include "amvalform.h"

// Task window "كنارگذاري دايمي", opened by KenarD_Amval.
class TKenarDForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TKenarDForm(QWidget* parent = nullptr);
};
