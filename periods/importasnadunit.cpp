#include "importasnadunit.h"

const QString TImportAsnadForm::Caption = QStringLiteral("انتقال اسناد داراييها از دوره مالي");

TImportAsnadForm::TImportAsnadForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("ImportAsnadForm"));
}
