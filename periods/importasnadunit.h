#pragma once

#include "amvalform.h"

// Task window "انتقال اسناد داراييها از دوره مالي", opened by ImportAsnad_Amval.
class TImportAsnadForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TImportAsnadForm(QWidget* parent = nullptr);
};
