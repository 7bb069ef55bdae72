#pragma once

#include "amvalform.h"

// Task window "تغيير روش/برآورد", opened by SoulationChange_Amval.
class TSoulationChangeForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TSoulationChangeForm(QWidget* parent = nullptr);
};
