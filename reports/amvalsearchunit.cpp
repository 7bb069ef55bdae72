#include "amvalsearchunit.h"

const QString TAmvalSearchForm::Caption = QStringLiteral("جستجوي اسناد دارايي");

TAmvalSearchForm::TAmvalSearchForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("AmvalSearchForm"));
}
