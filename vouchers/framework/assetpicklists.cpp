#include "assetpicklists.h"

#include "dataset.h"
#include "settings.h"
#include "sqlquote.h"

#include <QStringList>

TChosenAsset ChosenAsset(const DataSet& chosen)
{
    return {ChosenText(chosen, QStringLiteral("DaraCod")),
            ChosenText(chosen, QStringLiteral("DaraNam")),
            ChosenText(chosen, QStringLiteral("RaveshEst"))};
}

void TakeSource(DataSet& row, const TChosenSource& source)
{
    const AccountCodes& c = source.chain;
    const std::pair<const char*, const QString&> fields[] = {
        {"MabadiCod", source.code}, {"Koll", c.koll},         {"Moein", c.moein},
        {"Tafsily", c.tafsily},     {"Tafsily2", c.tafsily2}, {"ProjectCod", c.project}};
    for (const auto& [name, value] : fields)
        row.fieldByName(QLatin1String(name))->setValue(value);
}

namespace {

// A code and its name, read off the list's first two fields.
std::function<TChosenCode(const DataSet&)> CodeAndName(const QString& code, const QString& name)
{
    return [code, name](const DataSet& chosen) {
        return TChosenCode{ChosenText(chosen, code), ChosenText(chosen, name)};
    };
}

// The cost price column ("EndValue") of a list over D_Amval AS A: the cost the asset
// was registered with, plus the cost price of its purchase.
QString CostPriceSql()
{
    return QStringLiteral("A.EndValue + COALESCE((SELECT SUM(B.EndFee) FROM D_Buy_Create AS B "
                          "WHERE B.DaraCod = A.DaraCod), 0) AS EndValue");
}

// The asset list's statement: every asset with the names of its codes, read
// straight from the tables in the order of the asset code (the table's key), so
// that a screen of it is a limited read of the key's index. The names are looked up
// by sub-selects on the look-up tables' keys rather than joined: counting the rows
// before an asset (to stand on it) and passing over the rows before a screen then
// read the key's index alone, without looking a name up for every asset passed.
// The cost price shown is the register's plus the asset's purchase: an asset bought
// in the period keeps 0 in EndValue (the purchase's list tells it so). The
// accumulated depreciation stands before the salvage value where `accumulated`.
QString AssetListSql(const QString& condition, bool accumulated)
{
    return QStringLiteral(
               "SELECT A.DaraCod, A.DaraNam, "
               "(SELECT VE.VezNam FROM D_Vezarat AS VE WHERE VE.VezCod = A.VezCod) AS VezNam, "
               "(SELECT M151.MadehNam FROM D_Madeh151 AS M151 "
               "WHERE M151.MadehCod = A.MadehCod) AS MadehNam, "
               "A.RaveshEst, A.Nozooli, A.Salianeh, A.BahreDate, ") +
           CostPriceSql() + (accumulated ? QStringLiteral(", A.Anbashteh") : QString()) +
           QStringLiteral(
               ", A.Esshat, "
               "(SELECT MN.MakanNam FROM D_Makan AS MN WHERE MN.MakanCod = A.MakanCod) "
               "AS MakanNam, "
               "(SELECT P.\"Name\" || ' ' || P.Family FROM Person AS P "
               "WHERE P.Code = A.PersonelCod) AS PersonelNam, "
               "(SELECT VA.VazNam FROM D_VazDarae AS VA WHERE VA.VazCod = A.VazCod) AS VazNam, "
               "(SELECT T2.NamHesab FROM Tafsily2 AS T2 WHERE T2.Tafsily2 = A.Tafsily2) "
               "AS NamHesab "
               "FROM D_Amval AS A ") +
           (condition.isEmpty() ? QString()
                                : QStringLiteral("WHERE ") + condition + QLatin1Char(' ')) +
           QStringLiteral("ORDER BY A.DaraCod ");
}

// The columns of an account chain's five levels after a code and its name, the
// project's as wide as `projectWidth`.
QList<PickColumn> ChainColumns(const TCompanySettings& settings, int projectWidth)
{
    return {{QStringLiteral("کل"), 30},
            {QStringLiteral("معين"), 35},
            {QStringLiteral("تفصيلي"), 55},
            {settings.NAMTAFSILY2, 65},
            {settings.NAMPROJECT, projectWidth}};
}

// The asset list's columns, one for each of the statement's.
QList<PickColumn> AssetListColumns(const TCompanySettings& settings, bool accumulated)
{
    QList<PickColumn> columns{{QStringLiteral("دارايي"), 70},
                              {QStringLiteral("نام دارايي"), 250},
                              {QStringLiteral("اظهارنامه مالياتي"), 95},
                              {QStringLiteral("نام ماده"), 200},
                              {QStringLiteral("روش استهلاک"), 85},
                              {QStringLiteral("نزولي"), 40},
                              {QStringLiteral("ساليانه"), 50},
                              {QStringLiteral("تاريخ بهره برداري"), 95},
                              {QStringLiteral("بهاي تمام شده"), 90}};
    if (accumulated)
        columns.append({QStringLiteral("استهلاک انباشته"), 100});
    columns.append({{QStringLiteral("ارزش اسقاط"), 90},
                    {QStringLiteral("مکان"), 200},
                    {QStringLiteral("تحويل گيرنده"), 200},
                    {QStringLiteral("وضعيت"), 50},
                    {settings.NAMTAFSILY2, 200}});
    return columns;
}

PickList<TChosenAsset> AssetList(const TCompanySettings& settings, const QString& currentCode,
                                 const QString& condition, const QVariantList& values,
                                 bool accumulated = true)
{
    return {MakePickList(QStringLiteral("انتخاب نام دارايي"),
                         AssetListColumns(settings, accumulated), QStringLiteral("DaraCod"),
                         currentCode, AssetListSql(condition, accumulated), values),
            ChosenAsset};
}

} // namespace

PickList<TChosenAsset> PickAsset(const TCompanySettings& settings, const QString& currentCode)
{
    return AssetList(settings, currentCode, QString(), {});
}

PickList<TChosenAsset> PickAssetToBuy(const TCompanySettings& settings, const QString& currentCode,
                                      const QString& voucherNumber, const QString& startDate)
{
    return AssetList(settings, currentCode,
                     QStringLiteral("A.EndValue = 0 AND NOT EXISTS (SELECT 1 FROM D_Buy_Create AS B "
                                    "WHERE B.DaraCod = A.DaraCod AND B.SanadNoAmval <> ?) "
                                    "AND A.BahreDate >= ?"),
                     {voucherNumber, startDate});
}

PickList<TChosenAsset> PickRetiredAsset(const TCompanySettings& settings,
                                        const QString& currentCode,
                                        const QString& retirementTable, const QString& date)
{
    return AssetList(settings, currentCode,
                     QStringLiteral("A.DaraCod IN (SELECT DaraCod FROM ") +
                         SqlIdent(retirementTable) + QStringLiteral(" WHERE sDate <= ?)"),
                     {date}, false);
}

PickList<TChosenCode> PickAssetCondition(const QString& currentCode)
{
    return {MakePickList(QStringLiteral("انتخاب وضعيت دارايي"),
                         {{QStringLiteral("كد"), 30}, {QStringLiteral("وضعيت دارايي"), 430}},
                         QStringLiteral("VazCod"), currentCode,
                         QStringLiteral("SELECT VazCod, VazNam FROM D_VazDarae ORDER BY VazCod")),
            CodeAndName(QStringLiteral("VazCod"), QStringLiteral("VazNam"))};
}

PickList<TChosenCode> PickTaxGroup(const QString& currentCode)
{
    return {
        MakePickList(QStringLiteral("انتخاب اظهارنامه مالياتي"),
                     {{QStringLiteral("كد"), 30}, {QStringLiteral("گروه اظهارنامه مالياتي"), 430}},
                     QStringLiteral("VezCod"), currentCode,
                     QStringLiteral("SELECT VezCod, VezNam FROM D_VezArat ORDER BY VezCod")),
        CodeAndName(QStringLiteral("VezCod"), QStringLiteral("VezNam"))};
}

PickList<TChosenCode> PickRecipient(DbConnection& connection, const TCompanySettings& settings,
                                    const QString& currentCode)
{
    const QString table = FillListTable(
        connection, QStringLiteral("SELECT Code AS PersonelCod, \"Name\" || ' ' || Family "
                                   "AS PersonelNam, "
                                   "D_Koll AS Koll, D_Moein AS Moein, D_Tafsily AS "
                                   "Tafsily, D_Tafsily2 AS Tafsily2, D_ProjectCod AS "
                                   "ProjectCod "
                                   "FROM Person "));
    return {MakePickList(QStringLiteral("انتخاب تحويل گيرنده دارايي"),
                         QList<PickColumn>{{QStringLiteral("تحويل گيرنده"), 75},
                                           {QStringLiteral("نام تحويل گيرنده"), 200}} +
                             ChainColumns(settings, 65),
                         QStringLiteral("PersonelCod"), currentCode,
                         QStringLiteral("SELECT * FROM ") + SqlIdent(table) +
                             QStringLiteral(" ORDER BY PersonelCod ")),
            CodeAndName(QStringLiteral("PersonelCod"), QStringLiteral("PersonelNam"))};
}

PickList<TChosenSource> PickDeliverySource(const TCompanySettings& settings,
                                           const QString& currentCode)
{
    return {MakePickList(QStringLiteral("انتخاب مبادي دارايي"),
                         QList<PickColumn>{{QStringLiteral("مبادي"), 40},
                                           {QStringLiteral("نام مبادي"), 230}} +
                             ChainColumns(settings, 60),
                         QStringLiteral("MabadiCod"), currentCode,
                         QStringLiteral("SELECT MabadiCod, MabadiNam, Koll, Moein, Tafsily, "
                                        "Tafsily2, ProjectCod FROM D_Mabadi ORDER BY MabadiCod")),
            [](const DataSet& chosen) {
                const auto text = [&chosen](const char* field) {
                    return ChosenText(chosen, QLatin1String(field));
                };
                return TChosenSource{text("MabadiCod"),
                                     {text("Koll"), text("Moein"), text("Tafsily"),
                                      text("Tafsily2"), text("ProjectCod")}};
            }};
}

PickList<TChosenCode> PickLocation(const QString& currentCode)
{
    return {
        MakePickList(QStringLiteral("انتخاب مکان دارايي"),
                     {{QStringLiteral("كد"), 60}, {QStringLiteral("نام مکان"), 400}},
                     QStringLiteral("MakanCod"), currentCode,
                     QStringLiteral("SELECT MakanCod, MakanNam FROM D_Makan ORDER BY MakanCod")),
        CodeAndName(QStringLiteral("MakanCod"), QStringLiteral("MakanNam"))};
}
