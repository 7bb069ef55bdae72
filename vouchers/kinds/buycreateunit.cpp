#include "buycreateunit.h"

const QString TBuyCreateForm::Caption = QStringLiteral("خريد/ساخت");

TBuyCreateForm::TBuyCreateForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("BuyCreateForm"));
}
