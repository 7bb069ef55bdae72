#pragma once

#include "amvalform.h"

// Task window "تغيير اظهارنامه مالياتي", opened by ChangeVezArat_Amval.
class TChangeVezAratForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TChangeVezAratForm(QWidget* parent = nullptr);
};
