#include "tahvilantegalunit.h"

const QString TTahvilAntegalForm::Caption = QStringLiteral("تحويل/انتقال");

TTahvilAntegalForm::TTahvilAntegalForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("TahvilAntegalForm"));
}
