#include "schema.h"

#include "assetregister.h"
#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace Schema {

QString ColumnList(const QStringList& columns)
{
    QStringList quoted;
    for (const QString& c : columns)
        quoted << SqlIdent(c);
    return quoted.join(QStringLiteral(", "));
}

namespace {

using Type = ColumnDef::Type;

// Declared widths. A column name has one width in every table that carries it, so
// that a value copied from one table to another (voucher rows into transaction
// tables, codes into the search and carry-forward work tables) always fits.
constexpr int kVoucherNo = 8; // SanadNoAmval, right-aligned with blanks
constexpr int kUserName = 50; // User_Name
constexpr int kDate = 10;     // Jalali date texts yyyy/mm/dd
constexpr int kAssetCode = 6; // DaraCod
constexpr int kName = 100;    // names of codes and accounts
constexpr int kDescription = 100;
constexpr int kCondition = 2; // VazCod
constexpr int kTaxGroup = 3;  // VezCod
constexpr int kArticle = 3;   // MadehCod
constexpr int kLocation = 4;  // MakanCod
constexpr int kPerson = 5;    // PersonelCod, Person.Code
constexpr int kSource = 2;    // MabadiCod
constexpr int kKoll = 3;
constexpr int kMoein = 4;
constexpr int kTafsily = 5;
constexpr int kTafsily2 = 5;
constexpr int kProject = 50;
constexpr int kForm = 5;        // Bargeh
constexpr int kComponent = 3;   // GheimatCod
constexpr int kKind = 2;        // WhatDoc
constexpr int kFlag = 10;       // Persian flag words ("فعال", "دارد", ...)
constexpr int kGroupList = 500; // group lists of the chart of accounts
constexpr int kMemberList = 1000;
constexpr int kCompany = 4; // company code (right-aligned in the register)
constexpr int kYear = 4;
constexpr int kWarehouse = 3; // AnbarCod
constexpr int kPasswordHash = 128; // the longest text libsodium's password hash makes

ColumnDef Text(const QString& name, int width)
{
    return {name, Type::Text, width, false, QStringLiteral("''")};
}
ColumnDef Int(const QString& name)
{
    return {name, Type::Integer, 0, false, QString()};
}
ColumnDef Real(const QString& name)
{
    return {name, Type::Float, 0, false, QStringLiteral("0")};
}

// A column without a default: NULL tells that no value was given yet.
ColumnDef Opening(ColumnDef column)
{
    column.defaultValue.clear();
    return column;
}

// The columns that occur in more than one table, by name (case-insensitive).
const QHash<QString, ColumnDef>& SharedColumns()
{
    static const QHash<QString, ColumnDef> columns = [] {
        QHash<QString, ColumnDef> c;
        auto add = [&c](const ColumnDef& d) { c.insert(d.name.toLower(), d); };
        add(Text(QStringLiteral("SanadNoAmval"), kVoucherNo));
        add(Int(QStringLiteral("Raj")));
        add(Text(QStringLiteral("User_Name"), kUserName));
        add(Text(QStringLiteral("sDate"), kDate));
        add(Text(QStringLiteral("DaraCod"), kAssetCode));
        add(Text(QStringLiteral("DaraNam"), kName));
        add(Text(QStringLiteral("AmvalDes"), kDescription));
        add(Text(QStringLiteral("VazCod"), kCondition));
        add(Text(QStringLiteral("VazNam"), kName));
        add(Text(QStringLiteral("VezCod"), kTaxGroup));
        add(Text(QStringLiteral("VezNam"), kName));
        add(Text(QStringLiteral("OldVezCod"), kTaxGroup));
        add(Text(QStringLiteral("NewVezCod"), kTaxGroup));
        add(Text(QStringLiteral("MadehCod"), kArticle));
        add(Text(QStringLiteral("MadehNam"), kName));
        add(Text(QStringLiteral("MakanCod"), kLocation));
        add(Text(QStringLiteral("MakanNam"), kName));
        add(Text(QStringLiteral("PersonelCod"), kPerson));
        add(Text(QStringLiteral("MabadiCod"), kSource));
        add(Text(QStringLiteral("MabadiNam"), kName));
        add(Text(QStringLiteral("Koll"), kKoll));
        add(Text(QStringLiteral("Moein"), kMoein));
        add(Text(QStringLiteral("Tafsily"), kTafsily));
        add(Text(QStringLiteral("Tafsily2"), kTafsily2));
        add(Text(QStringLiteral("ProjectCod"), kProject));
        // The second account chain takes the widths of its twins.
        add(Text(QStringLiteral("HKoll"), kKoll));
        add(Text(QStringLiteral("HMoein"), kMoein));
        add(Text(QStringLiteral("HTafsily"), kTafsily));
        add(Text(QStringLiteral("HTafsily2"), kTafsily2));
        add(Text(QStringLiteral("HProjectCod"), kProject));
        add(Text(QStringLiteral("Bargeh"), kForm));
        add(Text(QStringLiteral("Buyer"), kName));
        add(Text(QStringLiteral("RaveshEst"), kFlag));
        add(Text(QStringLiteral("StartDate"), kDate));
        add(Text(QStringLiteral("GheimatCod"), kComponent));
        add(Text(QStringLiteral("GheimatNam"), kName));
        add(Text(QStringLiteral("WhatDoc"), kKind));
        add(Text(QStringLiteral("NamHesab"), kName));
        add(Text(QStringLiteral("RecogName"), kName));
        add(Text(QStringLiteral("DesChar"), kName));
        add(Text(QStringLiteral("IsActive"), kFlag));
        add(Text(QStringLiteral("IsPosHesab"), kFlag));
        add(Text(QStringLiteral("GrohTafsily2"), kGroupList));
        add(Text(QStringLiteral("GrohProject"), kGroupList));
        add(Text(QStringLiteral("Tafsily2Joz"), kMemberList));
        add(Text(QStringLiteral("ProjectJoz"), kMemberList));
        add(Text(QStringLiteral("TypeSys"), 1));
        add(Text(QStringLiteral("SanadDate"), kDate));
        add(Text(QStringLiteral("AnbarCod"), kWarehouse));
        add(Text(QStringLiteral("AnbarNam"), kName));
        add(Text(QStringLiteral("FormId"), 50));
        add(Int(QStringLiteral("FormNo")));
        add(Int(QStringLiteral("UserId")));
        add(Text(QStringLiteral("Zelmora"), 0));
        add(Text(QStringLiteral("Dara"), 0));
        add(Int(QStringLiteral("SanadNo")));
        add(Real(QStringLiteral("sValue")));
        add(Real(QStringLiteral("EndFee")));
        add(Real(QStringLiteral("Esshat")));
        add(Real(QStringLiteral("ArzeshAsgat")));
        add(Real(QStringLiteral("ArzeshFee")));
        add(Real(QStringLiteral("ArzeshReduce")));
        add(Real(QStringLiteral("FeeEst")));
        add(Real(QStringLiteral("NewOmer")));
        // A whole number of days or months.
        add(Int(QStringLiteral("NewMesureValue")));
        return c;
    }();
    return columns;
}

// A shared column under the spelling the table uses.
ColumnDef C(const QString& name)
{
    const auto it = SharedColumns().constFind(name.toLower());
    Q_ASSERT_X(it != SharedColumns().constEnd(), "Schema", qPrintable(name));
    if (it == SharedColumns().constEnd())
        return Text(name, 0);
    ColumnDef d = it.value();
    d.name = name;
    return d;
}

QList<ColumnDef> Cs(const QStringList& names)
{
    QList<ColumnDef> out;
    for (const QString& n : names)
        out << C(n);
    return out;
}

TableDef Table(const QString& name, const QList<ColumnDef>& columns,
               const QStringList& primaryKey = {}, const QList<QStringList>& indexes = {},
               const QList<QStringList>& uniqueKeys = {})
{
    TableDef t;
    t.name = name;
    t.columns = columns;
    t.primaryKey = primaryKey;
    t.indexes = indexes;
    t.uniqueKeys = uniqueKeys;
    // Key columns never hold NULL, as on the engine the module was written for.
    for (ColumnDef& c : t.columns) {
        if (primaryKey.contains(c.name, Qt::CaseInsensitive))
            c.notNull = true;
    }
    return t;
}

// A voucher table: the rows of one voucher kind, numbered by Raj within a voucher.
TableDef VoucherTable(const QString& name, const QStringList& ownColumns)
{
    QStringList names{QStringLiteral("SanadNoAmval"), QStringLiteral("Raj"),
                      QStringLiteral("User_Name"), QStringLiteral("sDate")};
    names += ownColumns;
    TableDef t = Table(name, Cs(names), {QStringLiteral("SanadNoAmval"), QStringLiteral("Raj")},
                       {{QStringLiteral("sDate")}, {QStringLiteral("DaraCod")}});
    t.transactionKey = {QStringLiteral("DaraCod")};
    // The paper form number is kept as typed; another voucher's is looked up by the
    // number without blanks (TD_Global::FindFormNumber).
    if (names.contains(QStringLiteral("Bargeh")))
        t.trimmedIndexes = {QStringLiteral("Bargeh")};
    return t;
}

QStringList Chain()
{
    return {QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("Tafsily"),
            QStringLiteral("Tafsily2"), QStringLiteral("ProjectCod")};
}

// The kinds' stored tables, in catalogue order, as their rows in VoucherKinds() say.
QList<TableDef> BuildVoucherTables()
{
    QList<TableDef> t;
    for (const VoucherKind* kind : VoucherKindsInListOrder()) {
        if (kind->numberedRows)
            t << VoucherTable(kind->table, kind->columns);
        else
            t << Table(kind->table, Cs(kind->columns));
        if (!kind->indexes.isEmpty())
            t.last().indexes = kind->indexes;
    }
    return t;
}

QList<TableDef> BuildCompanyTables()
{
    QList<TableDef> t;

    // Assets and their reference tables.
    t << Table(
        QStringLiteral("D_Amval"),
        Cs({QStringLiteral("DaraCod"), QStringLiteral("DaraNam"), QStringLiteral("VezCod"),
            QStringLiteral("MadehCod"), QStringLiteral("RaveshEst")}) +
            QList<ColumnDef>{Real(QStringLiteral("Nozooli")), Real(QStringLiteral("Salianeh")),
                             Text(QStringLiteral("BahreDate"), kDate),
                             Real(QStringLiteral("EndValue")), Real(QStringLiteral("Anbashteh"))} +
            Cs({QStringLiteral("Esshat"), QStringLiteral("MakanCod"), QStringLiteral("PersonelCod"),
                QStringLiteral("Tafsily2"), QStringLiteral("VazCod"),
                QStringLiteral("MabadiCod")}) +
            QList<ColumnDef>{Text(QStringLiteral("BuyDate"), kDate),
                             Text(QStringLiteral("GarantiEnd"), kDate)} +
            // The asset's own ledger account (the accounting voucher debits it).
            Cs({QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("Tafsily"),
                QStringLiteral("ProjectCod")}) +
            // Out of use since (a temporary retirement's date), empty while in use; the
            // capital improvements' sum; and the values the asset was bought or
            // registered with, from which its vouchers recompute the record
            // (AssetRegister), NULL until first filled.
            QList<ColumnDef>{
                Text(QStringLiteral("KenarDate"), kDate), Real(QStringLiteral("AsaseChangeValue")),
                Opening(Text(QStringLiteral("FirstPersonelCod"), kPerson)),
                Opening(Text(QStringLiteral("FirstMakanCod"), kLocation)),
                Opening(Text(QStringLiteral("FirstTafsily2"), kTafsily2)),
                Opening(Text(QStringLiteral("FirstKenarDate"), kDate)),
                Opening(Real(QStringLiteral("FirstSalianeh"))),
                // The initial adjustments' and the reductions' sums, and
                // the opening values of the columns the method change,
                // the reduction and the tax-return group change set.
                Real(QStringLiteral("TadilValue")), Real(QStringLiteral("ReduceValue")),
                Opening(Text(QStringLiteral("FirstRaveshEst"), kFlag)),
                Opening(Text(QStringLiteral("FirstVezCod"), kTaxGroup)),
                Opening(Real(QStringLiteral("FirstNozooli"))),
                Opening(Real(QStringLiteral("FirstAnbashteh"))),
                Opening(Real(QStringLiteral("FirstEsshat")))},
        {QStringLiteral("DaraCod")},
        {{QStringLiteral("MakanCod")}, {QStringLiteral("PersonelCod")}});
    // The purchase's asset list (the assets with no cost yet, in code order, put into
    // use from the company's start) reads this index and not the register's rows: in a
    // period where nearly every asset is bought it walks every candidate.
    t.last().partialIndexes = {{{QStringLiteral("DaraCod"), QStringLiteral("BahreDate")},
                                SqlIdent(QStringLiteral("EndValue")) + QStringLiteral(" = 0")}};
    t << Table(QStringLiteral("D_VazDarae"),
               Cs({QStringLiteral("VazCod"), QStringLiteral("VazNam")}),
               {QStringLiteral("VazCod")});
    t << Table(QStringLiteral("D_VezArat"),
               Cs({QStringLiteral("VezCod"), QStringLiteral("VezNam")}),
               {QStringLiteral("VezCod")});
    t << Table(QStringLiteral("D_Madeh151"),
               Cs({QStringLiteral("MadehCod"), QStringLiteral("MadehNam")}),
               {QStringLiteral("MadehCod")});
    t << Table(QStringLiteral("D_Makan"),
               Cs({QStringLiteral("MakanCod"), QStringLiteral("MakanNam")}),
               {QStringLiteral("MakanCod")});
    t << Table(QStringLiteral("D_Mabadi"),
               Cs(QStringList{QStringLiteral("MabadiCod"), QStringLiteral("MabadiNam")} + Chain()),
               {QStringLiteral("MabadiCod")});
    t << Table(QStringLiteral("Person"),
               {Text(QStringLiteral("Code"), kPerson), Text(QStringLiteral("Name"), kName),
                Text(QStringLiteral("Family"), kName), Text(QStringLiteral("D_Koll"), kKoll),
                Text(QStringLiteral("D_Moein"), kMoein),
                Text(QStringLiteral("D_Tafsily"), kTafsily),
                Text(QStringLiteral("D_Tafsily2"), kTafsily2),
                Text(QStringLiteral("D_ProjectCod"), kProject)},
               {QStringLiteral("Code")});
    t << Table(QStringLiteral("D_Gheimat"),
               Cs({QStringLiteral("GheimatCod"), QStringLiteral("GheimatNam")}),
               {QStringLiteral("GheimatCod")});

    // Vouchers.
    t += BuildVoucherTables();
    t << Table(
        QStringLiteral("D_Buy_Create_Relate_Gheimat"),
        Cs({QStringLiteral("SanadNoAmval"), QStringLiteral("DaraCod"), QStringLiteral("GheimatCod"),
            QStringLiteral("sValue")}),
        {QStringLiteral("SanadNoAmval"), QStringLiteral("DaraCod"), QStringLiteral("GheimatCod")},
        {{QStringLiteral("DaraCod")}});

    // The kinds of asset voucher: code, name, two texts kept empty, voucher table.
    t << Table(QStringLiteral("D_AsnadDara"),
               {C(QStringLiteral("WhatDoc")), Text(QStringLiteral("DaraPartNam"), kName),
                Text(QStringLiteral("LatinNam"), kName), Text(QStringLiteral("Tozih"), kName),
                Text(QStringLiteral("TableNam"), 50)},
               {QStringLiteral("WhatDoc")});
    // Day-book: the voucher number and date up to which each user's vouchers of a
    // kind are posted.
    t << Table(QStringLiteral("D_Roz"),
               Cs({QStringLiteral("UserId"), QStringLiteral("WhatDoc"),
                   QStringLiteral("SanadNoAmval"), QStringLiteral("SanadDate")}) +
                   QList<ColumnDef>{Text(QStringLiteral("Operator"), 1)},
               {QStringLiteral("UserId"), QStringLiteral("WhatDoc")});
    // One row per action on a voucher (sp_Asnad_Actions), in argument order.
    ColumnDef actionId = Int(QStringLiteral("ActionId"));
    actionId.identity = true;
    t << Table(QStringLiteral("D_Asnad_Actions"),
               {actionId, Text(QStringLiteral("ActProg"), 20),
                Text(QStringLiteral("ActSys"), 10), Text(QStringLiteral("SectionNam"), kName),
                Text(QStringLiteral("ActSanadNo"), 20), C(QStringLiteral("User_Name")),
                Text(QStringLiteral("ActType"), 10), Text(QStringLiteral("ActDate"), kDate),
                Text(QStringLiteral("ActTime"), 20), Text(QStringLiteral("Extra1"), kName),
                Text(QStringLiteral("Extra2"), kName), Text(QStringLiteral("Extra3"), kName),
                Text(QStringLiteral("TempStem"), kName)},
               {QStringLiteral("ActionId")}, {{QStringLiteral("ActSanadNo")}});

    t << Table(kLockTable, {Text(QStringLiteral("LockName"), 50)}, {QStringLiteral("LockName")});
    t << Table(
        kOpeningVouchersTable,
        {Text(QStringLiteral("SourceDB"), kName), Text(QStringLiteral("TableNam"), 50),
         C(QStringLiteral("SanadNoAmval"))},
        {QStringLiteral("SourceDB"), QStringLiteral("TableNam"), QStringLiteral("SanadNoAmval")});
    t << Table(
        kCarriedVouchersTable,
        {Text(QStringLiteral("SourceDB"), kName), Text(QStringLiteral("TableNam"), 50),
         C(QStringLiteral("SanadNoAmval"))},
        {QStringLiteral("SourceDB"), QStringLiteral("TableNam"), QStringLiteral("SanadNoAmval")});

    // Accounting vouchers: the header the module looks up, and its lines.
    t << Table(
        QStringLiteral("Asnad"),
        Cs({QStringLiteral("SanadNo"), QStringLiteral("SanadDate"), QStringLiteral("TypeSys"),
            QStringLiteral("WhatDoc")}) +
            QList<ColumnDef>{Text(QStringLiteral("Document"), 20),
                             Text(QStringLiteral("DocToDate"), kDate),
                             Text(QStringLiteral("SanadDes"), 250),
                             Text(QStringLiteral("CompanyCod"), kCompany)} +
            Cs({QStringLiteral("User_Name")}),
        {QStringLiteral("SanadNo")},
        {{QStringLiteral("TypeSys"), QStringLiteral("WhatDoc")}, {QStringLiteral("SanadDate")}});
    // The accounting side writes Document in a padding of its own: the asset voucher's
    // accounting voucher is found by the number without blanks.
    t.last().trimmedIndexes = {QStringLiteral("Document")};
    t << Table(QStringLiteral("AsnadDetail"),
               Cs(QStringList{QStringLiteral("SanadNo"), QStringLiteral("Raj")} + Chain() +
                  QStringList{QStringLiteral("DaraCod")}) +
                   QList<ColumnDef>{Text(QStringLiteral("RowDes"), 250),
                                    Real(QStringLiteral("Bed")), Real(QStringLiteral("Bes"))},
               {QStringLiteral("SanadNo"), QStringLiteral("Raj")});

    // Settings, users and rights.
    t << Table(QStringLiteral("Options"),
               {Text(QStringLiteral("sCode"), kCompany + kYear),
                Text(QStringLiteral("CompanyNam"), kName),
                Text(QStringLiteral("Company_StartDate"), kDate), Text(QStringLiteral("Dara"), 0),
                C(QStringLiteral("Zelmora"))},
               {QStringLiteral("sCode")});
    // A user's password is kept as a salted hash in PassHash (Passwords::Hash); UserPass
    // holds a plain password only in older data and the demo, and is emptied when the
    // user first signs in.
    t << Table(QStringLiteral("UserSdc"),
               {C(QStringLiteral("UserId")), C(QStringLiteral("User_Name")),
                Text(QStringLiteral("UserPass"), kUserName), C(QStringLiteral("Zelmora")),
                C(QStringLiteral("Dara")), Text(QStringLiteral("PassHash"), kPasswordHash)},
               {QStringLiteral("UserId")});
    {
        // One rights column per user, named by the user id; adding a user adds a
        // column (AddUserRightsColumn).
        QList<ColumnDef> columns{Text(QStringLiteral("StrId"), kName),
                                 Text(QStringLiteral("Parent"), kName)};
        for (int user = 1; user <= kDemoUsers; ++user)
            columns << UserRightsColumn(user);
        t << Table(QStringLiteral("UserSdcDetail"), columns, {QStringLiteral("StrId")},
                   {{QStringLiteral("Parent")}});
    }
    t << Table(
        QStringLiteral("UserPrivilege"),
        {C(QStringLiteral("UserId")), Text(QStringLiteral("TableName"), 50),
         Text(QStringLiteral("FieldCode"), kProject)},
        {}, {{QStringLiteral("UserId"), QStringLiteral("TableName")}},
        {{QStringLiteral("UserId"), QStringLiteral("TableName"), QStringLiteral("FieldCode")}});

    // Chart of accounts and the groups of its detail levels.
    t << Table(
        QStringLiteral("Koll"),
        Cs({QStringLiteral("Koll"), QStringLiteral("NamHesab"), QStringLiteral("RecogName")}) +
            QList<ColumnDef>{Text(QStringLiteral("IsHesabTmp"), kFlag)} +
            Cs({QStringLiteral("IsActive"), QStringLiteral("IsPosHesab"),
                QStringLiteral("DesChar")}),
        {QStringLiteral("Koll")});
    t << Table(QStringLiteral("Moein"),
               Cs({QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("NamHesab"),
                   QStringLiteral("RecogName")}) +
                   QList<ColumnDef>{Text(QStringLiteral("IsTafsily1"), kFlag),
                                    Text(QStringLiteral("IsTafsily2"), kFlag),
                                    Text(QStringLiteral("IsProject"), kFlag),
                                    Text(QStringLiteral("GrohTafsily"), kGroupList)} +
                   Cs({QStringLiteral("GrohTafsily2"), QStringLiteral("GrohProject")}) +
                   QList<ColumnDef>{Text(QStringLiteral("TafsilyJoz"), kMemberList)} +
                   Cs({QStringLiteral("Tafsily2Joz"), QStringLiteral("ProjectJoz"),
                       QStringLiteral("IsActive"), QStringLiteral("IsPosHesab")}) +
                   QList<ColumnDef>{Text(QStringLiteral("FAtfCh"), kFlag),
                                    Text(QStringLiteral("FAtfDate"), kDate),
                                    Text(QStringLiteral("FAtfNum"), kFlag)} +
                   Cs({QStringLiteral("DesChar")}) +
                   QList<ColumnDef>{Text(QStringLiteral("IsTafsily"), kFlag)},
               {QStringLiteral("Koll"), QStringLiteral("Moein")});
    t << Table(
        QStringLiteral("Tafsily"),
        Cs({QStringLiteral("Tafsily"), QStringLiteral("NamHesab"), QStringLiteral("RecogName"),
            QStringLiteral("IsActive"), QStringLiteral("IsPosHesab"), QStringLiteral("DesChar"),
            QStringLiteral("GrohTafsily2"), QStringLiteral("Tafsily2Joz"),
            QStringLiteral("GrohProject"), QStringLiteral("ProjectJoz")}),
        {QStringLiteral("Tafsily")});
    t << Table(
        QStringLiteral("Tafsily2"),
        Cs({QStringLiteral("Tafsily2"), QStringLiteral("NamHesab"), QStringLiteral("RecogName"),
            QStringLiteral("IsActive"), QStringLiteral("IsPosHesab"), QStringLiteral("DesChar"),
            QStringLiteral("GrohProject"), QStringLiteral("ProjectJoz")}),
        {QStringLiteral("Tafsily2")});
    t << Table(QStringLiteral("M_Project"),
               Cs({QStringLiteral("ProjectCod")}) +
                   QList<ColumnDef>{Text(QStringLiteral("ProjectNam"), kName)} +
                   Cs({QStringLiteral("RecogName"), QStringLiteral("IsActive"),
                       QStringLiteral("IsPosHesab"), QStringLiteral("DesChar")}),
               {QStringLiteral("ProjectCod")});
    t << Table(
        QStringLiteral("GrohTafsily"),
        {Text(QStringLiteral("TafsilyGrohCod"), 2), Text(QStringLiteral("TafsilyGrohNam"), kName)},
        {QStringLiteral("TafsilyGrohCod")});
    t << Table(QStringLiteral("GrohTafsily2"),
               {Text(QStringLiteral("Tafsily2GrohCod"), 2),
                Text(QStringLiteral("Tafsily2GrohNam"), kName)},
               {QStringLiteral("Tafsily2GrohCod")});
    t << Table(
        QStringLiteral("M_GrohProject"),
        {Text(QStringLiteral("ProjectGrohCod"), 3), Text(QStringLiteral("ProjectGrohNam"), kName)},
        {QStringLiteral("ProjectGrohCod")});

    // Saved grid column layouts; the user id is kept as text.
    t << Table(QStringLiteral("Grid_State"),
               {Text(QStringLiteral("UserId"), 10), Text(QStringLiteral("sVisible"), 1),
                Text(QStringLiteral("sProg"), 10), Text(QStringLiteral("sItem"), 20),
                Text(QStringLiteral("sForm"), 50), Text(QStringLiteral("sPart"), 20),
                Text(QStringLiteral("sColName"), 50), Int(QStringLiteral("iLen")),
                Int(QStringLiteral("iRaj"))},
               {},
               {{QStringLiteral("UserId"), QStringLiteral("sProg"), QStringLiteral("sItem"),
                 QStringLiteral("sForm"), QStringLiteral("sPart")}});

    // Receive/pay orders, and the warehouse documents they are issued for.
    // The orders are numbered by the table (IDX), whatever the engine.
    ColumnDef orderId = Int(QStringLiteral("IDX"));
    orderId.identity = true;
    t << Table(QStringLiteral("N_Command"),
               QList<ColumnDef>{orderId} +
                   Cs({QStringLiteral("TypeSys"), QStringLiteral("WhatDoc"),
                       QStringLiteral("sValue"), QStringLiteral("sDate")}) +
                   QList<ColumnDef>{
                       Text(QStringLiteral("sType"), 3), Text(QStringLiteral("Command1"), 20),
                       Text(QStringLiteral("Command2"), 20), Text(QStringLiteral("Command3"), 20)} +
                   Cs({QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("Tafsily"),
                       QStringLiteral("Tafsily2")}),
               {QStringLiteral("IDX")}, {{QStringLiteral("WhatDoc"), QStringLiteral("Command1")}});
    t << Table(QStringLiteral("A_Anbar"),
               Cs({QStringLiteral("AnbarCod"), QStringLiteral("AnbarNam")}),
               {QStringLiteral("AnbarCod")});
    // A warehouse document: kind (WhatDoc "20".."25"), warehouse, number, date,
    // amount, counterpart (a Person code) and the account chain of the order.
    t << Table(
        QStringLiteral("A_AsnadAnbar"),
        Cs({QStringLiteral("WhatDoc"), QStringLiteral("AnbarCod")}) +
            QList<ColumnDef>{Text(QStringLiteral("SanadNoAnbar"), kVoucherNo)} +
            Cs({QStringLiteral("sDate"), QStringLiteral("sValue")}) +
            QList<ColumnDef>{Text(QStringLiteral("TarafCod"), kPerson)} +
            Cs({QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("Tafsily"),
                QStringLiteral("Tafsily2")}),
        {QStringLiteral("WhatDoc"), QStringLiteral("AnbarCod"), QStringLiteral("SanadNoAnbar")},
        {{QStringLiteral("sDate")}});

    // Saved column-marking forms of the spreadsheet import.
    t << Table(QStringLiteral("DataCollectionDesign"),
               {C(QStringLiteral("FormNo")), Text(QStringLiteral("FormName"), kName),
                C(QStringLiteral("FormId")), Int(QStringLiteral("FormType"))},
               {QStringLiteral("FormId"), QStringLiteral("FormNo")});
    t << Table(QStringLiteral("DataCollectionDesignDetail"),
               {C(QStringLiteral("FormID")), C(QStringLiteral("FormNo")), C(QStringLiteral("Raj")),
                Int(QStringLiteral("Type")), Text(QStringLiteral("DBFieldName"), 50),
                Text(QStringLiteral("FileFieldName"), 250),
                Text(QStringLiteral("FieldCaption"), kName), Int(QStringLiteral("FSize")),
                Int(QStringLiteral("Fstart"))},
               {}, {{QStringLiteral("FormID"), QStringLiteral("FormNo")}});
    return t;
}

const TableDef& VersionTable()
{
    static const TableDef table =
        Table(QStringLiteral("Amval_Schema"), {Int(QStringLiteral("Version"))});
    return table;
}

QString IndexName(const QString& prefix, const QString& table, const QStringList& columns)
{
    return prefix + QLatin1Char('_') + table + QLatin1Char('_') + columns.join(QLatin1Char('_'));
}

QStringList IndexStatements(const TableDef& table, const QString& name)
{
    QStringList out;
    for (const QStringList& key : table.uniqueKeys) {
        out << QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ") +
                   SqlIdent(IndexName(QStringLiteral("UX"), name, key)) + QStringLiteral(" ON ") +
                   SqlIdent(name) + QStringLiteral(" (") + ColumnList(key) + QLatin1Char(')');
    }
    for (const QStringList& key : table.indexes) {
        out << QStringLiteral("CREATE INDEX IF NOT EXISTS ") +
                   SqlIdent(IndexName(QStringLiteral("IX"), name, key)) + QStringLiteral(" ON ") +
                   SqlIdent(name) + QStringLiteral(" (") + ColumnList(key) + QLatin1Char(')');
    }
    // A function call needs no parentheses of its own in an index on either engine,
    // and a look-up uses the index when it writes the same trim(column).
    for (const QString& column : table.trimmedIndexes) {
        out << QStringLiteral("CREATE INDEX IF NOT EXISTS ") +
                   SqlIdent(IndexName(QStringLiteral("TX"), name, {column})) +
                   QStringLiteral(" ON ") + SqlIdent(name) + QStringLiteral(" (trim(") +
                   SqlIdent(column) + QStringLiteral("))");
    }
    for (const TableDef::PartialIndex& index : table.partialIndexes) {
        out << QStringLiteral("CREATE INDEX IF NOT EXISTS ") +
                   SqlIdent(IndexName(QStringLiteral("PX"), name, index.columns)) +
                   QStringLiteral(" ON ") + SqlIdent(name) + QStringLiteral(" (") +
                   ColumnList(index.columns) + QStringLiteral(") WHERE ") + index.condition;
    }
    return out;
}

QString ColumnDefinitions(const Dialect& dialect, const TableDef& table)
{
    QStringList parts;
    for (const ColumnDef& c : table.columns)
        parts << ColumnSql(dialect, c);
    return parts.join(QStringLiteral(", "));
}

// Creates what is missing of `tables`: absent tables whole, absent columns of
// tables an older version made, and absent indexes.
void CreateOrMigrate(DbConnection& connection, const QList<TableDef>& tables)
{
    const Dialect& dialect = connection.dialect();
    for (const TableDef& table : tables) {
        if (!dialect.tableExists(table.name)) {
            for (const QString& sql : CreateTableStatements(dialect, table))
                connection.execute(sql);
            continue;
        }
        const QStringList present = dialect.tableColumns(table.name);
        for (const ColumnDef& c : table.columns) {
            if (present.contains(c.name, Qt::CaseInsensitive))
                continue;
            connection.execute(QStringLiteral("ALTER TABLE ") + SqlIdent(table.name) +
                               QStringLiteral(" ADD COLUMN ") + ColumnSql(dialect, c));
        }
        for (const QString& sql : IndexStatements(table, table.name))
            connection.execute(sql);
    }
}

void WriteVersion(DbConnection& connection)
{
    connection.execute(QStringLiteral("DELETE FROM ") + SqlIdent(VersionTable().name));
    connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(VersionTable().name) +
                           QStringLiteral(" (\"Version\") VALUES (?)"),
                       {kVersion});
}

// Adds the registry row of `kind` unless a row of its code is there (whatever its name).
void EnsureKindRow(DbConnection& connection, const KindRegistryRow& kind)
{
    connection.execute(
        QStringLiteral("INSERT INTO \"D_AsnadDara\" (\"WhatDoc\", \"DaraPartNam\", \"LatinNam\", "
                       "\"Tozih\", \"TableNam\") SELECT ?, ?, '', '', ? WHERE NOT EXISTS "
                       "(SELECT 1 FROM \"D_AsnadDara\" WHERE \"WhatDoc\" = ?)"),
        {kind.whatDoc, kind.name, kind.table, kind.whatDoc});
}

void FillKindRegistry(DbConnection& connection)
{
    for (const KindRegistryRow& kind : KindRegistryRows())
        EnsureKindRow(connection, kind);
}

// The check that refuses a text longer than `width` in `column`, named after the
// column, as "Create Table" and a widening declare it.
QString WidthCheck(const QString& column, int width)
{
    return QStringLiteral(" CONSTRAINT ") + SqlIdent(QStringLiteral("W_") + column) +
           QStringLiteral(" CHECK (length(") + SqlIdent(column) + QStringLiteral(") <= ") +
           QString::number(width) + QLatin1Char(')');
}

void FillLockRows(DbConnection& connection)
{
    for (const QString& name : LockNames()) {
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kLockTable) +
                               QStringLiteral(" (\"LockName\") SELECT ? WHERE NOT EXISTS (SELECT 1 "
                                              "FROM ") +
                               SqlIdent(kLockTable) + QStringLiteral(" WHERE \"LockName\" = ?)"),
                           {name, name});
    }
}

void CreateSchema(DbConnection& connection, const QList<TableDef>& tables, bool company)
{
    // A database at the current version is only read: opening it never waits for, nor
    // holds up, another program that is writing to it.
    if (StoredVersion(connection) >= kVersion)
        return;
    // A new or older one is changed under the write lock, and its version read again
    // inside, so that two programs opening it at once do not both change it.
    Transaction transaction(connection);
    if (StoredVersion(connection) >= kVersion) {
        transaction.commit();
        return;
    }
    // On a server the database itself is made here, inside the transaction: a
    // failure leaves no half-made database behind.
    connection.createDatabase();
    CreateOrMigrate(connection, tables);
    CreateOrMigrate(connection, {VersionTable()});
    if (company) {
        FillKindRegistry(connection);
        FillLockRows(connection);
        // A register kept before its records followed their vouchers: what each record
        // reads now is what the asset was registered with.
        AssetRegister::FillOpeningValues(connection);
    }
    WriteVersion(connection);
    transaction.commit();
}

} // namespace

const QList<TableDef>& CompanyTables()
{
    static const QList<TableDef> tables = BuildCompanyTables();
    return tables;
}

const QList<TableDef>& RegisterTables()
{
    static const QList<TableDef> tables{
        Table(QStringLiteral("Sdc_Company"),
              {Text(QStringLiteral("sCode"), kCompany), Text(QStringLiteral("sYear"), kYear),
               Text(QStringLiteral("sName"), kName), Text(QStringLiteral("DBName"), kName),
               Text(QStringLiteral("StartDate"), kDate), Text(QStringLiteral("EndDate"), kDate)},
              {QStringLiteral("sCode"), QStringLiteral("sYear")}, {{QStringLiteral("DBName")}})};
    return tables;
}

const TableDef* FindCompanyTable(const QString& name)
{
    for (const TableDef& t : CompanyTables()) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

const QStringList& VoucherTableNames()
{
    static const QStringList names = [] {
        QStringList n;
        for (const TableDef& t : BuildVoucherTables())
            n << t.name;
        return n;
    }();
    return names;
}

const QList<KindRegistryRow>& KindRegistryRows()
{
    static const QList<KindRegistryRow> kinds = [] {
        QList<KindRegistryRow> rows;
        for (const VoucherKind* kind : VoucherKindsByRegistryCode())
            rows.append({kind->registryCode, kind->caption, kind->table});
        return rows;
    }();
    return kinds;
}

ColumnDef UserRightsColumn(int userId)
{
    ColumnDef c = Text(QString::number(userId), 1);
    c.defaultValue = QStringLiteral("'N'");
    return c;
}

QString ColumnSql(const Dialect& dialect, const ColumnDef& column)
{
    QString sql = SqlIdent(column.name) + QLatin1Char(' ');
    if (column.identity)
        return sql + dialect.identityColumnType();
    switch (column.type) {
    case Type::Text:
        sql += column.width > 0 ? QStringLiteral("VARCHAR(%1)").arg(column.width)
                                : QStringLiteral("TEXT");
        break;
    case Type::Integer:
        sql += QStringLiteral("INTEGER");
        break;
    case Type::Float:
        sql += QStringLiteral("FLOAT");
        break;
    }
    if (column.notNull)
        sql += QStringLiteral(" NOT NULL");
    if (!column.defaultValue.isEmpty())
        sql += QStringLiteral(" DEFAULT ") + column.defaultValue;
    // The engine keeps any length in a VARCHAR; the named check refuses an
    // over-long text, and the dialect reports it as a truncation.
    if (column.type == Type::Text && column.width > 0)
        sql += WidthCheck(column.name, column.width);
    return sql;
}

QStringList CreateTableStatements(const Dialect& dialect, const TableDef& table,
                                  const QString& asName)
{
    const QString name = asName.isEmpty() ? table.name : asName;
    QString create = QStringLiteral("CREATE TABLE ") + SqlIdent(name) + QStringLiteral(" (") +
                     ColumnDefinitions(dialect, table);
    // An identity column is the key by its own declaration.
    const bool identityKey = table.primaryKey.size() == 1 && table.column(table.primaryKey.first()) &&
                             table.column(table.primaryKey.first())->identity;
    if (!table.primaryKey.isEmpty() && !identityKey)
        create +=
            QStringLiteral(", PRIMARY KEY (") + ColumnList(table.primaryKey) + QLatin1Char(')');
    create += QLatin1Char(')');
    return QStringList{create} + IndexStatements(table, name);
}

QString CreateTransactionTableSql(const Dialect& dialect, const TableDef& table,
                                  const QString& name)
{
    QString sql =
        dialect.createTempTable(name) + QStringLiteral(" (") + ColumnDefinitions(dialect, table);
    // The key is named after the table, so that a violation of it names the table
    // on every engine.
    if (!table.transactionKey.isEmpty())
        sql += QStringLiteral(", CONSTRAINT ") + SqlIdent(name + QStringLiteral("_uk")) +
               QStringLiteral(" UNIQUE (") + ColumnList(table.transactionKey) + QLatin1Char(')');
    return sql + QLatin1Char(')');
}

void CreateCompanySchema(DbConnection& connection)
{
    CreateSchema(connection, CompanyTables(), true);
}

namespace {
// The group code columns, as (table, column, member of GroupCodeWidths).
struct GroupCodeColumn
{
    const char* table;
    const char* column;
    int GroupCodeWidths::*width;
};
constexpr GroupCodeColumn kGroupCodeColumns[] = {
    {"GrohTafsily", "TafsilyGrohCod", &GroupCodeWidths::tafsily},
    {"GrohTafsily2", "Tafsily2GrohCod", &GroupCodeWidths::tafsily2},
    {"M_GrohProject", "ProjectGrohCod", &GroupCodeWidths::project},
};
} // namespace

GroupCodeWidths CatalogueGroupCodeWidths()
{
    GroupCodeWidths widths;
    for (const GroupCodeColumn& g : kGroupCodeColumns) {
        const TableDef* table = FindCompanyTable(QString::fromLatin1(g.table));
        widths.*g.width = table->column(QString::fromLatin1(g.column))->width;
    }
    return widths;
}

GroupCodeWidths StoredGroupCodeWidths(const DbConnection& connection)
{
    GroupCodeWidths widths;
    for (const GroupCodeColumn& g : kGroupCodeColumns)
        widths.*g.width = connection.dialect().columnWidth(QString::fromLatin1(g.table),
                                                           QString::fromLatin1(g.column));
    return widths;
}

void CreateCompanySchema(DbConnection& connection, const GroupCodeWidths& widths)
{
    QList<TableDef> tables = CompanyTables();
    for (TableDef& table : tables) {
        for (const GroupCodeColumn& g : kGroupCodeColumns) {
            if (table.name != QLatin1String(g.table) || widths.*g.width <= 0)
                continue;
            for (ColumnDef& column : table.columns) {
                if (column.name == QLatin1String(g.column))
                    column.width = widths.*g.width;
            }
        }
    }
    CreateSchema(connection, tables, true);
}

void CreateRegisterSchema(DbConnection& connection)
{
    CreateSchema(connection, RegisterTables(), false);
}

int StoredVersion(DbConnection& connection)
{
    if (!connection.dialect().tableExists(VersionTable().name))
        return 0;
    QSqlQuery q = connection.select(QStringLiteral("SELECT MAX(\"Version\") FROM ") +
                                    SqlIdent(VersionTable().name));
    return q.next() ? q.value(0).toInt() : 0;
}

void AddUserRightsColumn(DbConnection& connection, int userId)
{
    const ColumnDef column = UserRightsColumn(userId);
    if (connection.dialect()
            .tableColumns(QStringLiteral("UserSdcDetail"))
            .contains(column.name, Qt::CaseInsensitive))
        return;
    connection.execute(QStringLiteral("ALTER TABLE \"UserSdcDetail\" ADD COLUMN ") +
                       ColumnSql(connection.dialect(), column));
}

QStringList Spellings()
{
    QStringList names{kRegisterDatabase, VersionTable().name};
    for (const QList<TableDef>* list : {&CompanyTables(), &RegisterTables()}) {
        for (const TableDef& t : *list) {
            names << t.name;
            for (const ColumnDef& c : t.columns)
                names << c.name;
        }
    }
    for (const auto& [name, column] : SharedColumns().asKeyValueRange())
        names << column.name;
    return names;
}

const QStringList& LockNames()
{
    static const QStringList names = [] {
        QStringList n = VoucherTableNames();
        n << QStringLiteral("Asnad");
        return n;
    }();
    return names;
}

namespace {

const QString kTaxGroupChange = QStringLiteral("D_Change_VezArat");

// What the tax-return group window's start-up step still has to do: the group
// columns to widen in place to `width` (none where the engine cannot), and whether
// the kind's registry row is missing.
struct TaxGroupWork
{
    QStringList columns;
    int width = 0;
    bool registryRow = false;
    bool any() const { return !columns.isEmpty() || registryRow; }
};

TaxGroupWork PendingTaxGroupWork(DbConnection& connection)
{
    const Dialect& dialect = connection.dialect();
    const auto width = [&](const QString& column) {
        const int w = dialect.columnWidth(kTaxGroupChange, column);
        if (w < 0)
            throw DatabaseError(
                QStringLiteral("Invalid column name '%1' in '%2'.").arg(column, kTaxGroupChange),
                kTaxGroupChange, DatabaseError::Kind::MissingObject);
        return w;
    };
    TaxGroupWork work;
    work.width = width(QStringLiteral("VazCod"));
    for (const QString& column : {QStringLiteral("OldVezCod"), QStringLiteral("NewVezCod")}) {
        const int now = width(column);
        // Only ever widened: a narrower column would cut or refuse the group codes
        // the vouchers hold.
        if (work.width > 0 && now > 0 && now < work.width &&
            !dialect.alterColumnWidthSql(kTaxGroupChange, column, work.width).isEmpty())
            work.columns << column;
    }
    QSqlQuery q =
        connection.select(QStringLiteral("SELECT 1 FROM \"D_AsnadDara\" WHERE \"WhatDoc\" = ?"),
                          {QStringLiteral("20")});
    work.registryRow = !q.next();
    return work;
}

} // namespace

QString PrepareTaxGroupChange(DbConnection& connection)
{
    try {
        // Another clerk's program may have widened the columns since this session
        // read them: they are read afresh.
        connection.dialect().forgetSchema();
        // Opening the window every day changes nothing, and locks nothing.
        if (!PendingTaxGroupWork(connection).any())
            return QString();
        Transaction transaction(connection);
        // Two clerks opening the window at once take turns here: the second reads
        // the widths and the registry as the first left them.
        LockNumbering(connection, kTaxGroupChange);
        const TaxGroupWork work = PendingTaxGroupWork(connection);
        const QString alter = QStringLiteral("ALTER TABLE ") + SqlIdent(kTaxGroupChange);
        for (const QString& column : work.columns) {
            connection.execute(
                connection.dialect().alterColumnWidthSql(kTaxGroupChange, column, work.width));
            // The width check follows the column's new width.
            connection.execute(alter + QStringLiteral(" DROP CONSTRAINT IF EXISTS ") +
                               SqlIdent(QStringLiteral("W_") + column));
            connection.execute(alter + QStringLiteral(" ADD") + WidthCheck(column, work.width));
        }
        if (work.registryRow) {
            for (const KindRegistryRow& kind : KindRegistryRows()) {
                if (kind.table == kTaxGroupChange)
                    EnsureKindRow(connection, kind);
            }
        }
        transaction.commit();
    } catch (const DatabaseError& e) {
        return DatabaseFailureText(e);
    }
    return QString();
}

void LockNumbering(DbConnection& connection, const QString& name)
{
    const QString clause = connection.dialect().rowLockClause();
    if (clause.isEmpty())
        return; // the write transaction holds the whole database already
    // The program never removes a lock row: one seen on a connection is there the
    // next time, and the lock goes with the statement that follows it (the first
    // read that must see what the lock's holder committed; each statement sees
    // what was committed before it began).
    thread_local QSet<QString> seen;
    const QString key = connection.connectionName() + QLatin1Char('\n') + name;
    const QString sql = QStringLiteral("SELECT \"LockName\" FROM ") + SqlIdent(kLockTable) +
                        QStringLiteral(" WHERE \"LockName\" = ") + SqlQuote(name) + clause;
    if (seen.contains(key)) {
        connection.executeWithNext(sql);
        return;
    }
    QSqlQuery q = connection.select(sql);
    if (!q.next())
        throw DatabaseError(QStringLiteral("The lock row '%1' is missing.").arg(name), kLockTable,
                            DatabaseError::Kind::MissingObject);
    seen.insert(key);
}

} // namespace Schema
