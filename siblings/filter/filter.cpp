// Filter.so: the report filter's condition builder.

#include "filterform.h"
#include "siblingapi.h"

#include "dataset.h"
#include "siblingcommon.h"

extern "C" __attribute__((visibility("default"))) void
ShowFilter(TGlobal* /*global*/, CommandQuery* /*command*/, TDlgMsg* /*dlgMsg*/, DataSet* dataSet,
           const QString* statement, const QString* /*extra*/, QString* result)
{
    if (!result)
        return;
    result->clear();
    if (!dataSet)
        return;
    QString source = statement ? statement->trimmed() : QString();
    if (source.isEmpty())
        source = dataSet->sql();
    if (dataSet->fieldCount() == 0 || source.trimmed().isEmpty()) {
        Sibling::ShowError(nullptr, QStringLiteral("اين گزارش ستوني براي پالايش ندارد"));
        return;
    }
    FilterForm form(dataSet, source);
    if (form.exec() == QDialog::Accepted)
        *result = form.resultStatement();
}
