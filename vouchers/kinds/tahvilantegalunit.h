#pragma once

#include "amvalform.h"

// Task window "تحويل/انتقال", opened by TahvilEntegal_Amval.
class TTahvilAntegalForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TTahvilAntegalForm(QWidget* parent = nullptr);
};
