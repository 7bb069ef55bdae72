// Sms.so: text messages to the numbers in a grid column.

#include "gridsmsform.h"
#include "siblingapi.h"

#include "dataset.h"
#include "dbgrid.h"
#include "siblingcommon.h"

extern "C" __attribute__((visibility("default"))) void
GridSms(DbGrid* grid, const QString* text1, const QString* /*text2*/, const QString* /*keyValue*/,
        const QString* sender, QString* result)
{
    if (!result)
        return;
    result->clear();
    if (!grid || !grid->dataSet() || !grid->dataSet()->active())
        return;
    GridSmsForm form(grid, sender ? *sender : QString());
    if (form.exec() != QDialog::Accepted || form.firstRow() < 0)
        return;
    *result = Sibling::RowReply(*grid->dataSet(), form.firstRow(), form.numberField(),
                                text1 ? *text1 : QString());
}
