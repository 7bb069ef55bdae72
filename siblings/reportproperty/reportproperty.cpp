// ReportProperty.so: what a report holds.

#include "reppropertyform.h"
#include "siblingapi.h"

extern "C" __attribute__((visibility("default"))) void
RepPropertyForm_Show(const QString* /*nothing*/, const QString* title, DbGrid* grid)
{
    if (!grid)
        return;
    RepPropertyForm form(title ? *title : QString(), grid);
    form.exec();
}
