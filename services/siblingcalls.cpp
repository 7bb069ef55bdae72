#include "siblingcalls.h"

#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "messages.h"
#include "sqlquote.h"

#include "context/userplaces.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QSqlQuery>

namespace {

const QString kNothing = QStringLiteral("NoThing");

CommandQuery* HostCommand()
{
    return MyDatabase != nullptr ? MyDatabase->Command : nullptr;
}

DbConnection* HostConnection()
{
    return MyDatabase != nullptr ? MyDatabase->Connection : nullptr;
}

// One "Field=value" pair of a search or SMS reply.
struct ReplyPair
{
    QString field;
    QString value;
};

QList<ReplyPair> SplitReply(const QString& reply)
{
    QList<ReplyPair> pairs;
    for (const QString& part : reply.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString field = part.left(eq).trimmed();
        if (!field.isEmpty())
            pairs << ReplyPair{field, part.mid(eq + 1).trimmed()};
    }
    return pairs;
}

bool SameValue(const DataField* field, const QVariant& stored, const QString& wanted)
{
    if (stored.isNull())
        return wanted.isEmpty();
    if (field->kind() == DataField::Kind::Integer || field->kind() == DataField::Kind::Float) {
        QString digits = wanted;
        digits.remove(QLatin1Char(','));
        bool ok = false;
        const double value = digits.toDouble(&ok);
        return ok && value == stored.toDouble();
    }
    return stored.toString().trimmed() == wanted;
}

// The company's name as its settings row gives it; "" when it cannot be read.
QString CompanyName()
{
    DbConnection* db = HostConnection();
    if (db == nullptr || Global == nullptr)
        return QString();
    try {
        QSqlQuery q = db->select(QStringLiteral("SELECT CompanyNam FROM Options WHERE sCode = ?"),
                                 {QString(Global->CompanyCode + Global->FiscalYear)});
        return q.next() ? q.value(0).toString().trimmed() : QString();
    } catch (const DatabaseError&) {
        return QString();
    }
}

} // namespace

QString SiblingPath(const QString& fileName)
{
    const QString app = Global != nullptr ? Global->AppPath : QString();
    return QDir(SiblingFolder(app)).filePath(fileName + QStringLiteral(".so"));
}

SiblingLibrary::SiblingLibrary(const QString& fileName, bool announce)
    : m_path(SiblingPath(fileName))
{
    if (announce) {
        LoadLibraryOnce(m_library, m_path);
        return;
    }
    m_library.setFileName(m_path);
    m_library.load();
}

SiblingLibrary::~SiblingLibrary()
{
    if (!m_library.isLoaded())
        return;
    // Windows of the library that asked to be deleted later still run its code:
    // they go before the library does.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_library.unload();
}

QString ShowFilter(DataSet* dataSet, const QString& statement)
{
    SiblingLibrary library(QStringLiteral("Filter"));
    auto show = library.resolve<ShowFilterProc>("ShowFilter");
    if (show == nullptr)
        return QString();
    const QString extra;
    QString result;
    show(Global, HostCommand(), DlgMsg, dataSet, &statement, &extra, &result);
    return OwnedText(result); // before the unload
}

void ShowColumnSettings(DbGrid* grid)
{
    SiblingLibrary library(QStringLiteral("SetColumns"));
    if (auto show = library.resolve<ColSettingFormShowProc>("ColSettingForm_Show"))
        show(&kNothing, grid);
}

void ShowReportProperties(const QString& title, DbGrid* grid)
{
    SiblingLibrary library(QStringLiteral("ReportProperty"));
    if (auto show = library.resolve<RepPropertyFormShowProc>("RepPropertyForm_Show"))
        show(&kNothing, &title, grid);
}

QString GridSearch(DbGrid* grid, const QString& text1, const QString& text2,
                   const QString& keyValue)
{
    SiblingLibrary library(QStringLiteral("Search"));
    auto search = library.resolve<GridSearchProc>("GridSearch");
    if (search == nullptr)
        return QString();
    QString result;
    search(grid, &text1, &text2, &keyValue, &result);
    return OwnedText(result); // before the unload
}

void AdvancedSort(DbGrid* grid)
{
    SiblingLibrary library(QStringLiteral("Search"));
    if (auto sort = library.resolve<AdvSortProc>("AdvSort")) {
        const QString none;
        sort(&none, &none, &none, grid);
    }
}

QString GridSms(DbGrid* grid, const QString& text1, const QString& text2, const QString& keyValue,
                const QString& sender)
{
    SiblingLibrary library(QStringLiteral("Sms"));
    auto sms = library.resolve<GridSmsProc>("GridSms");
    if (sms == nullptr)
        return QString();
    QString result;
    sms(grid, &text1, &text2, &keyValue, &sender, &result);
    return OwnedText(result); // before the unload
}

bool LocateReply(DataSet* dataSet, const QString& reply)
{
    if (dataSet == nullptr || !dataSet->active())
        return false;
    const QList<ReplyPair> pairs = SplitReply(reply);
    if (pairs.isEmpty())
        return false;
    QList<const DataField*> fields;
    for (const ReplyPair& pair : pairs) {
        const DataField* field = dataSet->findField(pair.field);
        if (field == nullptr)
            return false;
        fields << field;
    }
    for (int row = 0; row < dataSet->recordCount(); ++row) {
        bool match = true;
        for (qsizetype i = 0; i < pairs.size() && match; ++i)
            match = SameValue(fields.at(i), dataSet->value(row, fields.at(i)->index()),
                              pairs.at(i).value);
        if (match)
            return dataSet->setCurrentRow(row);
    }
    return false;
}

bool SearchGrid(DbGrid* grid, const QString& keyColumn, const QString& rowColumn)
{
    if (grid == nullptr || grid->dataSet() == nullptr || !grid->dataSet()->active())
        return false;
    const QString reply = GridSearch(grid, keyColumn, rowColumn, QString());
    const bool found = LocateReply(grid->dataSet(), reply);
    grid->setFocus();
    return found;
}

bool TPrintService::Print(TPrintRequest request, bool advanced)
{
    request.Text1.clear();
    request.Text2.clear();
    request.Kept1 = Kept1;
    request.Kept2 = Kept2;
    request.Connection = HostConnection();
    request.UserId = Global != nullptr ? QString::number(Global->UserID) : QString();
    request.Global = Global;
    request.Today = Global != nullptr ? Global->Today : QString();
    request.Company = CompanyName();
    request.StartDate = Global != nullptr ? Global->StartDate : QString();
    request.EndDate = Global != nullptr ? Global->EndDate : QString();

    SiblingLibrary library(advanced ? QStringLiteral("Print1") : QStringLiteral("Print"), true);
    auto show = library.resolve<PrintFormShowProc>("PrintForm_Show");
    if (show == nullptr)
        return false;
    show(request);
    return true;
}
