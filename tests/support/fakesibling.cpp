// A stand-in for the sibling dialog libraries: one library exporting the functions of
// theirs that the report grid's tests reach (filter, search, print, load report), copied
// under each library's name into a test's application folder. It shows no dialog.
// Answers are taken from, and each call is recorded in, properties of the application
// object:
//   fake.calls            every call as "<library file>:<function>"
//   fake.<function>.args  the texts the last call received
//   fake.<function>.answer the text the function hands back

#include "siblingapi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <QVariant>

#include <dlfcn.h>

namespace {

QString LibraryName()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryName), &info) == 0 || info.dli_fname == nullptr)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).fileName();
}

void Record(const char* function, const QStringList& args)
{
    QStringList calls = qApp->property("fake.calls").toStringList();
    calls << LibraryName() + QLatin1Char(':') + QLatin1String(function);
    qApp->setProperty("fake.calls", calls);
    qApp->setProperty(QByteArray("fake.") + function + ".args", args);
}

QString Answer(const char* function)
{
    return qApp->property(QByteArray("fake.") + function + ".answer").toString();
}

// Texts recorded outlive the library: none may point into its constant data
// (QStringLiteral would), so they are built on the heap.
QString Set(const void* pointer)
{
    return QString::fromLatin1(pointer != nullptr ? "set" : "null");
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) void ShowFilter(TGlobal* global, CommandQuery* command,
                                                       TDlgMsg* dlgMsg, DataSet* dataSet,
                                                       const QString* statement,
                                                       const QString* extra, QString* result)
{
    Record("ShowFilter",
           {Set(global), Set(command), Set(dlgMsg), Set(dataSet), *statement, *extra});
    *result = Answer("ShowFilter");
}

__attribute__((visibility("default"))) void GridSearch(DbGrid* grid, const QString* text1,
                                                       const QString* text2,
                                                       const QString* keyValue, QString* result)
{
    Record("GridSearch", {Set(grid), *text1, *text2, *keyValue});
    *result = Answer("GridSearch");
}

__attribute__((visibility("default"))) void PrintForm_Show(TPrintRequest request)
{
    Record("PrintForm_Show",
           {Set(request.Grid), Set(request.Data), request.Title, request.ReportName, request.Text1,
            request.Text2, request.Kept1, request.Kept2, Set(request.Connection), request.UserId,
            Set(request.Global), request.Company, request.StartDate + '-' + request.EndDate});
}

__attribute__((visibility("default"))) void Load_Report_Dlg(TGlobal* global,
                                                            DbConnection* connection,
                                                            const QString* sProg,
                                                            const QString* sForm, QString* result)
{
    Record("Load_Report_Dlg", {Set(global), Set(connection), *sProg, *sForm});
    *result = Answer("Load_Report_Dlg");
}
}
