#pragma once

#include "amvalform.h"

// Task window "کاهش دارايي", opened by DaraeReduce_Amval.
class TDaraeReduceForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TDaraeReduceForm(QWidget* parent = nullptr);
};
