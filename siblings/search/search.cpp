// Search.so: finding a row of the grid, and sorting its rows on several columns.

#include "advsortform.h"
#include "gridsearchform.h"
#include "siblingapi.h"

#include "dataset.h"
#include "dbgrid.h"
#include "siblingcommon.h"

namespace {
bool HasRows(DbGrid* grid)
{
    return grid && grid->dataSet() && grid->dataSet()->active();
}
} // namespace

extern "C" __attribute__((visibility("default"))) void
GridSearch(DbGrid* grid, const QString* text1, const QString* /*text2*/,
           const QString* /*keyValue*/, QString* result)
{
    if (!result)
        return;
    result->clear();
    if (!HasRows(grid))
        return;
    GridSearchForm form(grid);
    if (form.exec() != QDialog::Accepted || form.foundRow() < 0)
        return;
    *result = Sibling::RowReply(*grid->dataSet(), form.foundRow(), form.fieldName(),
                                text1 ? *text1 : QString());
}

extern "C" __attribute__((visibility("default"))) void
AdvSort(const QString* /*text1*/, const QString* /*text2*/, const QString* /*text3*/, DbGrid* grid)
{
    if (!HasRows(grid))
        return;
    AdvSortForm form(grid);
    if (form.exec() == QDialog::Accepted)
        grid->dataSet()->setSort(form.sortText());
}
