// SaveReport.so: named copies of a report's rows in the company database.

#include "loadreportform.h"
#include "reportstore.h"
#include "savereportform.h"
#include "siblingapi.h"

#include "databaseerror.h"
#include "siblingcommon.h"

extern "C" __attribute__((visibility("default"))) void
Load_Report_Dlg(TGlobal* /*global*/, DbConnection* connection, const QString* sProg,
                const QString* sForm, QString* result)
{
    if (!result)
        return;
    result->clear();
    if (!connection)
        return;
    ReportStore store(*connection);
    try {
        LoadReportForm form(store, sProg ? *sProg : QString(), sForm ? *sForm : QString());
        if (form.isEmpty()) {
            Sibling::ShowNotice(nullptr, QStringLiteral("براي اين فرم گزارشي ثبت نشده است"));
            return;
        }
        if (form.exec() == QDialog::Accepted)
            *result = form.tableName();
    } catch (const DatabaseError& e) {
        Sibling::ShowError(nullptr,
                           QStringLiteral("فهرست گزارشها خوانده نشد:\n") + DatabaseFailureText(e));
    }
}

extern "C" __attribute__((visibility("default"))) void
Save_Report_Dlg(TGlobal* /*global*/, DbConnection* connection, const QString* sProg,
                const QString* sForm, const QString* sourceTable, const QString* title)
{
    if (!connection || !sourceTable || sourceTable->trimmed().isEmpty())
        return;
    ReportStore store(*connection);
    SaveReportForm form(store, sProg ? *sProg : QString(), sForm ? *sForm : QString(),
                        sourceTable->trimmed(), title ? *title : QString());
    form.exec();
}
