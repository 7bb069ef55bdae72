#pragma once

#include <QString>

class DataSet;

// The value of `key` in a settings text of KEY=VALUE; pairs (keys compared
// upper-cased; the value comes back upper-cased as well); "" when the key is
// missing. A last pair without its ";" runs to the end of the text.
QString SettingValue(const QString& settings, const QString& key);

// The company's asset settings of one fiscal period (Options.Zelmora and
// Options.Dara) and the database widths of the group codes of the three lower
// chart levels: what the chart services and the voucher windows read.
struct TCompanySettings
{
    QString NAMTAFSILY2;
    QString NAMPROJECT;
    QString TYPE_CREATE_NEWAT;
    QString Ast_Mesure;
    QString TYPESARFASLCOD;
    QString TYPEDARACOD;
    QString SANAD_TIME;
    QString SANAD_TYPE;
    QString CompanyStartDate;
    int LenCodGrohTafsily = 0;
    int LenCodGrohTafsily2 = 0;
    int LenCodGrohProject = 0;
};

// Reads the settings of the company and fiscal period `optionsCode` (company code
// followed by the fiscal year, Options.sCode) on `query`, which is left closed.
TCompanySettings ReadCompanySettings(DataSet& query, const QString& optionsCode);
