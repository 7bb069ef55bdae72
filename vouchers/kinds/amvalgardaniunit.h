#pragma once

#include "amvalform.h"

// Task window "اموال گرداني", opened by AmvalGardani_Amval.
class TAmvalGardaniForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TAmvalGardaniForm(QWidget* parent = nullptr);
};
