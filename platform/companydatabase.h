#pragma once

#include <QString>

// The database of one company's fiscal period: "ZELMORA_" + company + "_" + year
// (both trimmed, since the register keeps company codes right-aligned). The host, the
// data folder and the carry-forward all name a period's database by it.
inline QString CompanyDatabaseName(const QString& company, const QString& year)
{
    return QStringLiteral("ZELMORA_") + company.trimmed() + QLatin1Char('_') + year.trimmed();
}
