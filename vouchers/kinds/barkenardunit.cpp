#include "barkenardunit.h"

const QString TBarKenarDForm::Caption = QStringLiteral("کنارگذاري دايم");

TBarKenarDForm::TBarKenarDForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("BarKenarDForm"));
}
