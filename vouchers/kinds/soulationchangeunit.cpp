#include "soulationchangeunit.h"

const QString TSoulationChangeForm::Caption = QStringLiteral("تغيير روش/برآورد");

TSoulationChangeForm::TSoulationChangeForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("SoulationChangeForm"));
}
