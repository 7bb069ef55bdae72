#include "asasechangeunit.h"

const QString TAsaseChangeForm::Caption = QStringLiteral("تعميرات اساسي");

TAsaseChangeForm::TAsaseChangeForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("AsaseChangeForm"));
}
