#include "daraereduceunit.h"

const QString TDaraeReduceForm::Caption = QStringLiteral("کاهش دارايي");

TDaraeReduceForm::TDaraeReduceForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("DaraeReduceForm"));
}
