#pragma once

#include "amvalform.h"

// Task window "جستجوي اسناد دارايي", opened by Search_Amval.
class TAmvalSearchForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TAmvalSearchForm(QWidget* parent = nullptr);
};
