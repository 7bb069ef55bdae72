#include "firsttadilunit.h"

const QString TFirstTadilForm::Caption = QStringLiteral("تعديلات اوليه");

TFirstTadilForm::TFirstTadilForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("FirstTadilForm"));
}
