#include "accountpicklists.h"

#include "chartofaccounts.h"
#include "context/global.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "messages.h"
#include "settings.h"
#include "sqlquote.h"

#include <QStringList>

namespace {

const QString kHasNot = QStringLiteral("ندارد");

const QString kKoll = QStringLiteral("Koll");
const QString kMoein = QStringLiteral("Moein");
const QString kTafsily = QStringLiteral("Tafsily");
const QString kTafsily2 = QStringLiteral("Tafsily2");
const QString kProject = QStringLiteral("ProjectCod");

void ShowError(const QString& text)
{
    ShowMessageDlg(text, QString(), QStringLiteral("1ER"));
}

TChosenAccount ChosenAccount(const DataSet& chosen)
{
    TChosenAccount a;
    a.codes = {ChosenText(chosen, kKoll), ChosenText(chosen, kMoein), ChosenText(chosen, kTafsily),
               ChosenText(chosen, kTafsily2), ChosenText(chosen, kProject)};
    a.active = AccountIsActive(&chosen);
    a.hasTafsily = ChosenText(chosen, QStringLiteral("IsTafsily1")).trimmed() != kHasNot;
    a.hasTafsily2 = ChosenText(chosen, QStringLiteral("IsTafsily2")).trimmed() != kHasNot;
    a.hasProject = ChosenText(chosen, QStringLiteral("IsProject")).trimmed() != kHasNot;
    return a;
}

// An account list: the accounts of `select` + `source` go into a work table of
// their own, which the list reads in `order`.
PickList<TChosenAccount> AccountList(DbConnection& connection, const QString& caption,
                                     const QList<PickColumn>& columns, const QString& keyField,
                                     const QList<std::pair<QString, QString>>& start,
                                     const QString& select, const SqlCondition& source,
                                     const QString& order)
{
    const QString table = FillListTable(connection, select + source.sql, source.values);
    TPickList list = MakePickList(caption, columns, keyField, QString(),
                                  QStringLiteral("Select * From ") + SqlIdent(table) + order);
    list.start = start;
    return {list, ChosenAccount};
}

const QString kDetailColumns =
    QStringLiteral("NamHesab, RecogName, IsActive, IsPosHesab, DesChar ");

// "(Select FieldCode From UserPrivilege Where UserId=<user> And Upper(TableName)=<TABLE>) ":
// the codes of a chart table the user may use.
SqlCondition UserPrivilegeFilter(int userId, const QString& tableName)
{
    return {QStringLiteral("(Select FieldCode From UserPrivilege Where UserId=? And "
                           "Upper(TableName)=?) "),
            {QString::number(userId), tableName.toUpper()}};
}

// "From <table> Where <key> In <the user's codes>", narrowed by `rule`.
SqlCondition PermittedSource(int userId, const QString& from, const QString& key,
                             const QString& tableName, const SqlCondition& rule = {})
{
    const SqlCondition filter = UserPrivilegeFilter(userId, tableName);
    return {from + QStringLiteral(" Where ") + key + QStringLiteral(" In ") + filter.sql + rule.sql,
            filter.values + rule.values};
}

// The lists of the three detail levels differ only in their table, names and rule.
PickList<TChosenAccount> DetailList(DbConnection& connection, int userId, const QString& caption,
                                    const QString& codeTitle, const QString& nameTitle,
                                    const QString& key, const QString& current,
                                    const QString& select, const QString& table,
                                    const SqlCondition& rule, const QString& order)
{
    return AccountList(connection, caption,
                       {{codeTitle, 55},
                        {nameTitle, 300},
                        {QStringLiteral("ماهيت"), 40},
                        {QStringLiteral("وضعيت"), 45},
                        {QStringLiteral("مانده"), 45},
                        {QStringLiteral("روش ثبت"), 55}},
                       key, {{key, current}}, select,
                       PermittedSource(userId, QStringLiteral("From ") + table, key, table, rule),
                       order);
}

} // namespace

PickList<TChosenAccount> PickKoll(DbConnection& connection, int userId, const AccountCodes& codes)
{
    return AccountList(
        connection, QStringLiteral("انتخاب حساب كل"),
        {{QStringLiteral("كل"), 30},
         {QStringLiteral("نام حساب كل"), 300},
         {QStringLiteral("ماهيت"), 40},
         {QStringLiteral("نوع"), 40},
         {QStringLiteral("وضعيت"), 42},
         {QStringLiteral("مانده"), 35},
         {QStringLiteral("روش ثبت"), 55}},
        kKoll, {{kKoll, codes.koll}},
        QStringLiteral(
            "Select Koll, NamHesab, RecogName, IsHesabTmp, IsActive, IsPosHesab, DesChar "),
        PermittedSource(userId, QStringLiteral("From Koll"), kKoll, QStringLiteral("KOLL")),
        QStringLiteral(" Order By Koll"));
}

PickList<TChosenAccount> PickMoein(DbConnection& connection, int userId, const AccountCodes& codes,
                                   const TCompanySettings& settings)
{
    SqlCondition source = UserPrivilegeFilter(userId, QStringLiteral("MOEIN"));
    source.sql.prepend(QStringLiteral("From Moein As M, Koll As K "
                                      "Where K.Koll = M.Koll And M.Koll||M.Moein In "));
    // The rows are numbered in the list's order: a Moein is named by its Koll too.
    return AccountList(
        connection, QStringLiteral("انتخاب حساب معين"),
        {{QStringLiteral("معين"), 35},
         {QStringLiteral("كل"), 30},
         {QStringLiteral("نام حساب کل"), 300},
         {QStringLiteral("نام حساب معين"), 300},
         {QStringLiteral("ماهيت"), 40},
         {QStringLiteral("تفصيلي"), 50},
         {settings.NAMTAFSILY2, 60},
         {settings.NAMPROJECT, 60},
         {QStringLiteral("گروههاي تفصيلي"), 150},
         {QStringLiteral("گروههاي ") + settings.NAMTAFSILY2, 150},
         {QStringLiteral("گروههاي ") + settings.NAMPROJECT, 150},
         {QStringLiteral("وضعيت"), 45},
         {QStringLiteral("مانده"), 40},
         {QStringLiteral("عطف حرفي"), 70},
         {QStringLiteral("عطف تاريخي"), 80}},
        QStringLiteral("IDX"), {{kKoll, codes.koll}, {kMoein, codes.moein}},
        QStringLiteral("Select M.Moein, M.Koll, K.NamHesab As KNamHesab, M.NamHesab As MNamHesab, "
                       "M.RecogName, M.IsTafsily1, M.IsTafsily2, M.IsProject, M.GrohTafsily, "
                       "M.GrohTafsily2, M.GrohProject, M.IsActive, M.IsPosHesab, "
                       "M.FAtfCh, M.FAtfDate, M.FAtfNum, M.DesChar, M.IsTafsily, "
                       "row_number() Over (Order By M.Koll, M.Moein) As IDX "),
        source, QStringLiteral(" Order By Koll, Moein"));
}

PickList<TChosenAccount> PickTafsily(DbConnection& connection, int userId,
                                     const AccountCodes& codes, const QString& groups,
                                     int groupLength)
{
    DataSet query(&connection);
    const MoeinLists lists = ReadMoeinLists(&query, QStringLiteral("TafsilyJoz"), codes);
    return DetailList(
        connection, userId, QStringLiteral("انتخاب حساب تفصيلي"), QStringLiteral("تفصيلي"),
        QStringLiteral("نام حساب تفصيلي"), kTafsily, codes.tafsily,
        QStringLiteral("Select Tafsily, ") + kDetailColumns, kTafsily,
        RestrictionPredicate(QStringLiteral("T"), groups, lists.tafsilyJoz, groupLength),
        QStringLiteral(" Order By Tafsily "));
}

PickList<TChosenAccount> PickTafsily2(DbConnection& connection, int userId,
                                      const AccountCodes& codes, const QString& groups,
                                      int groupLength, const TCompanySettings& settings)
{
    DataSet query(&connection);
    const MoeinLists lists =
        ReadMoeinLists(&query, QStringLiteral("TafsilyJoz, Tafsily2Joz"), codes);
    const ProbeRow rule =
        TafsilyRuleForTafsily2(&query, codes.tafsily).orElse(groups, lists.tafsily2Joz);
    const QString& name = settings.NAMTAFSILY2;
    return DetailList(
        connection, userId, QStringLiteral("انتخاب حساب ") + name, name,
        QStringLiteral("نام حساب ") + name, kTafsily2, codes.tafsily2,
        QStringLiteral("Select Tafsily2, ") + kDetailColumns, kTafsily2,
        RestrictionPredicate(QStringLiteral("T2"), rule.groups, rule.members, groupLength),
        QStringLiteral(" Order By Tafsily2"));
}

PickList<TChosenAccount> PickProject(DbConnection& connection, int userId,
                                     const AccountCodes& codes, int groupLength,
                                     const TCompanySettings& settings)
{
    // The project list takes the Moein's own group list, read afresh.
    DataSet query(&connection);
    const MoeinLists lists = ReadMoeinLists(
        &query, QStringLiteral("TafsilyJoz, Tafsily2Joz, ProjectJoz, GrohProject"), codes);
    const ProbeRow rule = ProjectRuleOf(&query, codes.tafsily, codes.tafsily2)
                              .orElse(lists.grohProject, lists.projectJoz);
    const QString& name = settings.NAMPROJECT;
    return DetailList(
        connection, userId, QStringLiteral("انتخاب ") + name, name, QStringLiteral("نام ") + name,
        kProject, codes.project,
        QStringLiteral("Select ProjectCod, ProjectNam, RecogName, IsActive, "
                       "IsPosHesab, DesChar "),
        QStringLiteral("M_Project"),
        RestrictionPredicate(QStringLiteral("P"), rule.groups, rule.members, groupLength),
        QStringLiteral(" Order By ProjectCod"));
}

int PickAccountForColumn(const TD_Global* dg, DbGrid* grid, const QString& columnName,
                         const QString& level, const QString& grohTafsily,
                         const QString& grohTafsily2, const QString& grohProject,
                         const QString& prefix)
{
    Q_UNUSED(level);
    Q_UNUSED(grohProject);
    const QString upper = columnName.toUpper().mid(prefix.size());
    DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    if (!columnName.startsWith(prefix, Qt::CaseInsensitive) || ds == nullptr || !ds->active() ||
        ds->connection() == nullptr ||
        !QStringList{QStringLiteral("KOLL"), QStringLiteral("MOEIN"), QStringLiteral("TAFSILY"),
                     QStringLiteral("TAFSILY2"), QStringLiteral("PROJECTCOD")}
             .contains(upper))
        return 2;

    DbConnection& connection = *ds->connection();
    const int user = dg->GlobalRecord()->UserID;
    const AccountCodes codes = RowCodes(ds, &connection, prefix);
    PickList<TChosenAccount> list;
    if (upper == QLatin1String("KOLL"))
        list = PickKoll(connection, user, codes);
    else if (upper == QLatin1String("MOEIN"))
        list = PickMoein(connection, user, codes, *dg);
    else if (upper == QLatin1String("TAFSILY"))
        list = PickTafsily(connection, user, codes, grohTafsily, dg->LenCodGrohTafsily);
    else if (upper == QLatin1String("TAFSILY2"))
        list = PickTafsily2(connection, user, codes, grohTafsily2, dg->LenCodGrohTafsily2, *dg);
    else
        list = PickProject(connection, user, codes, dg->LenCodGrohProject, *dg);

    const std::optional<TChosenAccount> chosen = Pick(list);
    if (!chosen)
        return 2;
    const AccountCodes& taken = chosen->codes;
    if (ds->state() == DataSet::State::Browse)
        ds->edit();
    if (upper == QLatin1String("KOLL")) {
        if (!chosen->active) {
            ShowError(QStringLiteral("كد حساب كل غيرفعال مي باشد."));
            return 2;
        }
        SetAccountCode(ds, prefix + kKoll, taken.koll);
        for (const QString& lower : {kMoein, kTafsily, kTafsily2, kProject})
            SetAccountCode(ds, prefix + lower, QString());
    } else if (upper == QLatin1String("MOEIN")) {
        SetAccountCode(ds, prefix + kMoein, taken.moein);
        SetAccountCode(ds, prefix + kKoll, taken.koll);
        if (!chosen->active) {
            ShowError(QStringLiteral("كد حساب معين غيرفعال مي باشد."));
            return 2;
        }
        if (!chosen->hasTafsily)
            SetAccountCode(ds, prefix + kTafsily, QString());
        if (!chosen->hasTafsily2)
            SetAccountCode(ds, prefix + kTafsily2, QString());
        if (!chosen->hasProject)
            SetAccountCode(ds, prefix + kProject, QString());
    } else if (upper == QLatin1String("TAFSILY")) {
        SetAccountCode(ds, prefix + kTafsily, taken.tafsily);
        if (!chosen->active) {
            ShowError(QStringLiteral("كد حساب تفصيلي غيرفعال مي باشد."));
            return 2;
        }
    } else if (upper == QLatin1String("TAFSILY2")) {
        SetAccountCode(ds, prefix + kTafsily2, taken.tafsily2);
        if (!chosen->active) {
            ShowError(QStringLiteral("كد حساب ") + dg->NAMTAFSILY2 +
                      QStringLiteral(" غيرفعال مي باشد."));
            return 2;
        }
    } else {
        SetAccountCode(ds, prefix + kProject, taken.project);
        if (!chosen->active) {
            ShowError(QStringLiteral("كد ") + dg->NAMPROJECT + QStringLiteral(" غيرفعال مي باشد."));
            return 2;
        }
    }
    return 1;
}

int PickAccountForRefusal(const TD_Global* dGlobal, DbGrid* grid, const ChainRefusal& refusal)
{
    return PickAccountForColumn(dGlobal, grid, refusal.column, refusal.lists.level,
                                refusal.lists.grohTafsily, refusal.lists.grohTafsily2,
                                refusal.lists.grohProject);
}
