// SetColumns.so: the grid's column settings.

#include "colsettingform.h"
#include "siblingapi.h"

#include "dataset.h"
#include "dbgrid.h"

extern "C" __attribute__((visibility("default"))) void
ColSettingForm_Show(const QString* /*nothing*/, DbGrid* grid)
{
    if (!grid)
        return;
    ColSettingForm form(grid);
    form.exec();
}
