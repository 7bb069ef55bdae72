#include "changevezaratunit.h"

const QString TChangeVezAratForm::Caption = QStringLiteral("تغيير اظهارنامه مالياتي");

TChangeVezAratForm::TChangeVezAratForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("ChangeVezAratForm"));
}
