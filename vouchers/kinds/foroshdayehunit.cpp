#include "foroshdayehunit.h"

const QString TForoshDayehForm::Caption = QStringLiteral("فروش دارايي");

TForoshDayehForm::TForoshDayehForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("ForoshDayehForm"));
}
