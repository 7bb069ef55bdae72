#pragma once

#include "amvalform.h"

// Task window "صدور دستور دريافت/پرداخت", opened by NCommand_Amval.
class TNCommandForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TNCommandForm(QWidget* parent = nullptr);
};
