#include "assetpicklists.h"

#include "d_globalunit.h"
#include "dbconnection.h"
#include "dialect.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "sqlquote.h"

#include <QList>
#include <QStringList>

namespace {

// What every list sets in the window before its rows are built.
void PrepareList(const QStringList& titles, const QList<int>& widths, const QString& keyField,
                 const QString& currentCode, const QString& tableName, const QString& caption)
{
    TempGridForm->ClearList();
    TempGridForm->ColCount = int(titles.size());
    TempGridForm->ColTitles = titles;
    TempGridForm->ColWidths = widths;
    TempGridForm->LocateFields[0] = keyField;
    TempGridForm->LocateValues[0] = currentCode;
    TempGridForm->TableName = tableName;
    TempGridForm->KeyField = keyField;
    TempGridForm->SetCaption(caption);
}

// Fills a temporary table with the rows of `select` through the host's command query.
void CreateListTable(const QString& name, const QString& select)
{
    ExecSQL(MyDatabase, MyDatabase->Connection->dialect().createTempTable(name) +
                            QStringLiteral(" AS ") + select);
}

} // namespace

QString CostPriceSql()
{
    return QStringLiteral("A.EndValue + COALESCE((SELECT SUM(B.EndFee) FROM D_Buy_Create AS B "
                          "WHERE B.DaraCod = A.DaraCod), 0) AS EndValue");
}

namespace {

// The asset list's statement: every asset with the names of its codes, read
// straight from the tables in the order of the asset code (the table's key), so
// that a screen of it is a limited read of the key's index. The names are looked up
// by sub-selects on the look-up tables' keys rather than joined: counting the rows
// before an asset (to stand on it) and passing over the rows before a screen then
// read the key's index alone, without looking a name up for every asset passed.
// The cost price shown is the register's plus the asset's purchase: an asset bought
// in the period keeps 0 in EndValue (the purchase's list tells it so).
QString AssetListSql(const QString& condition)
{
    return QStringLiteral(
               "SELECT A.DaraCod, A.DaraNam, "
               "(SELECT VE.VezNam FROM D_Vezarat AS VE WHERE VE.VezCod = A.VezCod) AS VezNam, "
               "(SELECT M151.MadehNam FROM D_Madeh151 AS M151 "
               "WHERE M151.MadehCod = A.MadehCod) AS MadehNam, "
               "A.RaveshEst, A.Nozooli, A.Salianeh, A.BahreDate, ") +
           CostPriceSql() +
           QStringLiteral(
               ", A.Anbashteh, A.Esshat, "
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

void PrepareAssetList(TD_Global* dGlobal, const QString& currentCode)
{
    PrepareList({QStringLiteral("دارايي"), QStringLiteral("نام دارايي"),
                 QStringLiteral("اظهارنامه مالياتي"), QStringLiteral("نام ماده"),
                 QStringLiteral("روش استهلاک"), QStringLiteral("نزولي"), QStringLiteral("ساليانه"),
                 QStringLiteral("تاريخ بهره برداري"), QStringLiteral("بهاي تمام شده"),
                 QStringLiteral("استهلاک انباشته"), QStringLiteral("ارزش اسقاط"),
                 QStringLiteral("مکان"), QStringLiteral("تحويل گيرنده"), QStringLiteral("وضعيت"),
                 dGlobal->NAMTAFSILY2},
                {70, 250, 95, 200, 85, 40, 50, 95, 90, 100, 90, 200, 200, 50, 200},
                QStringLiteral("DaraCod"), currentCode, QStringLiteral("D_Amval"),
                QStringLiteral("انتخاب نام دارايي"));
}

} // namespace

QString PickAsset(TD_Global* dGlobal, const QString& currentCode)
{
    PrepareAssetList(dGlobal, currentCode);
    return AssetListSql(QString());
}

QString PickAssetToBuy(TD_Global* dGlobal, const QString& currentCode, const QString& voucherNumber,
                       const QString& startDate)
{
    PrepareAssetList(dGlobal, currentCode);
    // The statement is handed to the list window as text: its values are quoted.
    return AssetListSql(
        QStringLiteral("A.EndValue = 0 AND NOT EXISTS (SELECT 1 FROM D_Buy_Create AS B "
                       "WHERE B.DaraCod = A.DaraCod AND B.SanadNoAmval <> ") +
        SqlQuote(voucherNumber) + QStringLiteral(") AND A.BahreDate >= ") + SqlQuote(startDate));
}

QString PickAssetCondition(const QString& currentCode)
{
    PrepareList({QStringLiteral("كد"), QStringLiteral("وضعيت دارايي")}, {30, 430},
                QStringLiteral("VazCod"), currentCode, QStringLiteral("D_VazDarae"),
                QStringLiteral("انتخاب وضعيت دارايي"));
    return QStringLiteral("SELECT VazCod, VazNam FROM D_VazDarae ORDER BY VazCod");
}

QString PickTaxGroup(const QString& currentCode)
{
    PrepareList({QStringLiteral("كد"), QStringLiteral("گروه اظهارنامه مالياتي")}, {30, 430},
                QStringLiteral("VezCod"), currentCode, QStringLiteral("D_VezArat"),
                QStringLiteral("انتخاب اظهارنامه مالياتي"));
    return QStringLiteral("SELECT VezCod, VezNam FROM D_VezArat ORDER BY VezCod");
}

QString PickRecipient(TD_Global* dGlobal, const QString& currentCode)
{
    const QString table = NewWorkTableName();
    PrepareList({QStringLiteral("تحويل گيرنده"), QStringLiteral("نام تحويل گيرنده"),
                 QStringLiteral("کل"), QStringLiteral("معين"), QStringLiteral("تفصيلي"),
                 dGlobal->NAMTAFSILY2, dGlobal->NAMPROJECT},
                {75, 200, 30, 35, 55, 65, 65}, QStringLiteral("PersonelCod"), currentCode, table,
                QStringLiteral("انتخاب تحويل گيرنده دارايي"));
    CreateListTable(table, QStringLiteral("SELECT Code AS PersonelCod, \"Name\" || ' ' || Family "
                                          "AS PersonelNam, "
                                          "D_Koll AS Koll, D_Moein AS Moein, D_Tafsily AS "
                                          "Tafsily, D_Tafsily2 AS Tafsily2, D_ProjectCod AS "
                                          "ProjectCod "
                                          "FROM Person "));
    return QStringLiteral("SELECT * FROM ") + SqlIdent(table) +
           QStringLiteral(" ORDER BY PersonelCod ");
}

QString PickDeliverySource(TD_Global* dGlobal, const QString& currentCode)
{
    PrepareList({QStringLiteral("مبادي"), QStringLiteral("نام مبادي"), QStringLiteral("کل"),
                 QStringLiteral("معين"), QStringLiteral("تفصيلي"), dGlobal->NAMTAFSILY2,
                 dGlobal->NAMPROJECT},
                {40, 230, 30, 35, 55, 65, 60}, QStringLiteral("MabadiCod"), currentCode,
                QStringLiteral("D_Mabadi"), QStringLiteral("انتخاب مبادي دارايي"));
    return QStringLiteral("SELECT MabadiCod, MabadiNam, Koll, Moein, Tafsily, Tafsily2, ProjectCod "
                          "FROM D_Mabadi ORDER BY MabadiCod");
}

QString PickLocation(const QString& currentCode)
{
    PrepareList({QStringLiteral("كد"), QStringLiteral("نام مکان")}, {60, 400},
                QStringLiteral("MakanCod"), currentCode, QStringLiteral("D_Makan"),
                QStringLiteral("انتخاب مکان دارايي"));
    return QStringLiteral("SELECT MakanCod, MakanNam FROM D_Makan ORDER BY MakanCod");
}
