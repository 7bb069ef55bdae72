#include "amvalgardaniunit.h"

const QString TAmvalGardaniForm::Caption = QStringLiteral("اموال گرداني");

TAmvalGardaniForm::TAmvalGardaniForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("AmvalGardaniForm"));
}
