#include "barkenarmunit.h"

const QString TBarKenarMForm::Caption = QStringLiteral("کنارگذاري موقت");

TBarKenarMForm::TBarKenarMForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("BarKenarMForm"));
}
