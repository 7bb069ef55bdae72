#include "sessionsettings.h"

#include "companydatabase.h"
#include "context/global.h"
#include "dbconnection.h"

#include <QCalendar>
#include <QDir>
#include <QStandardPaths>

SessionSettings SessionSettings::Defaults(const QString& appDir, const QDate& gregorianToday)
{
    const QCalendar jalali(QCalendar::System::Jalali);
    const int year = jalali.partsFromDate(gregorianToday).year;

    SessionSettings s;
    s.userName = QStringLiteral("مدير سيستم");
    s.userId = 1;
    s.companyCode = QStringLiteral("1");
    s.fiscalYear = QString::number(year);
    s.periodStart = JalaliText(year, 1, 1);
    s.periodEnd = JalaliYearEnd(year);
    s.today = JalaliDateText(gregorianToday);
    s.appDir = appDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    s.dataDir =
        QDir(data.isEmpty() ? QDir::homePath() : data).filePath(QStringLiteral("amval/data"));
    // Typed Yeh and Kaf are brought to the Arabic letters the stored texts use.
    s.charSetMode = QStringLiteral("UNICODE");
    s.osName = QStringLiteral("Linux");
    return s;
}

QString SessionSettings::savedServer() const
{
    return DbConnection::DisplayAddress(server.trimmed());
}

QString SessionSettings::databaseName() const
{
    return CompanyDatabaseName(companyCode, fiscalYear);
}

void SessionSettings::fillGlobal(TGlobal& global) const
{
    global.TempStem = QStringLiteral("AMV") + QString::number(userId) + QLatin1Char('_');
    global.OSName = osName;
    global.CharSetMode = charSetMode;
    global.UserName = userName;
    global.DatabaseName = databaseName();
    global.AppPath = appDir;
    global.Today = today;
    global.StartDate = periodStart;
    global.EndDate = periodEnd;
    global.CompanyCode = companyCode;
    global.FiscalYear = fiscalYear;
    global.DefaultTitle = QStringLiteral("سيستم دارايي هاي ثابت");
    global.CopyPermission = copyPermission;
    global.PrintPermission = printPermission;
    global.UserID = userId;
}
