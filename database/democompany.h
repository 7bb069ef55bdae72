#pragma once

#include <QString>

// What the demo company is made of. The same options always give the same data.
struct DemoOptions
{
    QString company = QStringLiteral("1");
    QString currentYear; // empty: the current Jalali year
    int assets = 300;
    quint32 seed = 1405; // deterministic: same options, same data
};

// The password of a demo user: "1111" for user 1 (the administrator, every right),
// "2222" for user 2 (the clerk), "3333" for user 3 (the auditor); "" for another id.
// The demo stores them plain, as older data does; each is replaced by its hash at the
// user's first sign-in.
QString DemoPassword(int userId);

// Fills `dataFolder` (a data folder, or a server address: see DatabaseFolder) with
// the register and the company's fiscal periods (the current year and the one
// before), each a database of its own, and a second, small company with the current
// year only. Only a place that holds no database at all is filled: otherwise it
// throws DatabaseError and leaves every database as it was; none is ever removed or
// replaced. Throws DatabaseError when a database cannot be written, and
// std::logic_error when the asset codes cannot hold `assets`.
void CreateDemoCompany(const QString& dataFolder, const DemoOptions& options = {});
