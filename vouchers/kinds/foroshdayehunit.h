#pragma once

#include "amvalform.h"

// Task window "فروش دارايي", opened by ForoshDarae_Amval.
class TForoshDayehForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TForoshDayehForm(QWidget* parent = nullptr);
};
