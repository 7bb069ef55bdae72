#pragma once

#include "amvalform.h"

// Task window "تعديلات اوليه", opened by FirstTadil_Amval.
class TFirstTadilForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TFirstTadilForm(QWidget* parent = nullptr);
};
