#include "ncommandunit.h"

const QString TNCommandForm::Caption = QStringLiteral("صدور دستور دريافت/پرداخت");

TNCommandForm::TNCommandForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("NCommandForm"));
}
