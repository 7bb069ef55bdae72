#pragma once

#include "amvalform.h"

// Task window "تعميرات اساسي", opened by AsaseChange_Amval.
class TAsaseChangeForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TAsaseChangeForm(QWidget* parent = nullptr);
};
