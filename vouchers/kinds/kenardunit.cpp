#include "kenardunit.h"

const QString TKenarDForm::Caption = QStringLiteral("كنارگذاري دايمي");

TKenarDForm::TKenarDForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("KenarDForm"));
}
