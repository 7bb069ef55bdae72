#pragma once

#include <QString>
#include <QtGlobal>

// The host context record handed to every entry point. A plain record without
// virtual members; the fields keep the order in which the host lays them out.
struct TGlobal
{
    QString TempStem;        // joined after "##" to name the module's temporary tables
    QString OSName;          // "Windows NT" switches on the second step of key normalisation
    QString CharSetMode;     // "WIN" switches key normalisation off
    QString UserName;        // shown in the voucher windows, written to the action log
    QString DatabaseName;    // the company-period database the host is connected to
    QString AppPath;         // application folder, read only: sibling libraries, shipped Data/
    QString Today;           // Jalali date text of today, e.g. 1403/05/09
    QString StartDate;       // fiscal period start (Jalali date text)
    QString EndDate;         // fiscal period end (Jalali date text)
    QString CompanyCode;     // first half of Options.sCode
    QString FiscalYear;      // four digits, second half of Options.sCode
    QString DefaultTitle;    // status window title when a caller gives none
    QString CopyPermission;  // "NO" disables the clipboard items
    QString PrintPermission; // "NO" disables printing
    qint32 UserID = 0;       // key of the user's rights
};
