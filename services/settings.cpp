#include "settings.h"

#include "dataset.h"

#include <QLocale>

QString SettingValue(const QString& settings, const QString& key)
{
    // Both texts are upper-cased as the settings were always read, so the value
    // comes back upper-cased too.
    const QLocale locale;
    const QString text = locale.toUpper(settings);
    const QString marker = locale.toUpper(key) + QLatin1Char('=');
    const qsizetype at = text.indexOf(marker);
    if (key.isEmpty() || at < 0)
        return QString();
    const qsizetype from = at + marker.size();
    const qsizetype end = text.indexOf(QLatin1Char(';'), from);
    return end < 0 ? text.mid(from) : text.mid(from, end - from);
}

TCompanySettings ReadCompanySettings(DataSet& query, const QString& optionsCode)
{
    TCompanySettings s;
    query.close();
    query.open(
        QStringLiteral("SELECT Dara, Zelmora, Company_StartDate FROM Options WHERE sCode = ?"),
        {optionsCode});
    const QString zelmora = query.currentText(QStringLiteral("Zelmora"));
    const QString dara = query.currentText(QStringLiteral("Dara"));
    s.NAMTAFSILY2 = SettingValue(zelmora, QStringLiteral("NAMTAFSILY2"));
    s.TYPE_CREATE_NEWAT = SettingValue(zelmora, QStringLiteral("TYPE_CREATE_NEWAT"));
    s.NAMPROJECT = SettingValue(zelmora, QStringLiteral("NAMPROJECT"));
    s.TYPESARFASLCOD = SettingValue(zelmora, QStringLiteral("TYPESARFASLCOD"));
    s.Ast_Mesure = SettingValue(dara, QStringLiteral("Ast_Mesure"));
    s.TYPEDARACOD = SettingValue(dara, QStringLiteral("TYPEDARACOD"));
    s.SANAD_TIME = SettingValue(dara, QStringLiteral("SANAD_TIME"));
    s.SANAD_TYPE = SettingValue(dara, QStringLiteral("SANAD_TYPE"));
    s.CompanyStartDate = query.currentText(QStringLiteral("Company_StartDate"));
    query.close();

    query.open(
        QStringLiteral("SELECT COL_LENGTH('GrohTafsily', 'TafsilyGrohCod') AS LenCodGrohTafsily, "
                       "COL_LENGTH('GrohTafsily2', 'Tafsily2GrohCod') AS LenCodGrohTafsily2, "
                       "COL_LENGTH('M_GrohProject', 'ProjectGrohCod') AS LenCodGrohProject "));
    s.LenCodGrohTafsily = query.currentText(QStringLiteral("LenCodGrohTafsily")).toInt();
    s.LenCodGrohTafsily2 = query.currentText(QStringLiteral("LenCodGrohTafsily2")).toInt();
    s.LenCodGrohProject = query.currentText(QStringLiteral("LenCodGrohProject")).toInt();
    query.close();
    return s;
}
