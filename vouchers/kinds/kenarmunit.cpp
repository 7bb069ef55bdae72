#include "kenarmunit.h"

const QString TKenarMForm::Caption = QStringLiteral("کنارگذاري موقت");

TKenarMForm::TKenarMForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("KenarMForm"));
}
