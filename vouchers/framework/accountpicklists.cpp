#include "accountpicklists.h"

#include "chartofaccounts.h"
#include "commandquery.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "messages.h"
#include "picklist.h"
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

// Fills the pick-list window for one list and materialises the list's rows into a
// temporary table of its own; returns the statement that opens it.
struct ListSpec
{
    QString caption;
    int colCount = 0;
    QStringList titles;
    QList<int> widths;
    QStringList locateFields;
    QStringList locateValues;
    QString keyField;
    QString select;
    SqlCondition source;
    QString order;
};

QString BuildList(const ListSpec& spec)
{
    TTempGridForm* w = TempGridForm;
    w->ClearList();
    w->ColCount = spec.colCount;
    w->ColTitles = spec.titles;
    w->ColWidths = spec.widths;
    for (int i = 0; i < 4; ++i) {
        w->LocateFields[i] = i < spec.locateFields.size() ? spec.locateFields.at(i) : QString();
        w->LocateValues[i] = i < spec.locateValues.size() ? spec.locateValues.at(i) : QString();
    }
    const QString table = NewWorkTableName();
    w->TableName = table;
    w->KeyField = spec.keyField;
    w->SetCaption(spec.caption);
    CommandQuery* command = MyDatabase->Command;
    command->close();
    command->setSql(MyDatabase->Connection->dialect().createTempTable(table) +
                        QStringLiteral(" AS ") + spec.select + spec.source.sql,
                    spec.source.values);
    command->execute();
    return QStringLiteral("Select * From ") + SqlIdent(table) + spec.order;
}

const QString kDetailColumns =
    QStringLiteral("NamHesab, RecogName, IsActive, IsPosHesab, DesChar ");

} // namespace

SqlCondition UserPrivilegeFilter(const QString& tableName)
{
    return {QStringLiteral("(Select FieldCode From UserPrivilege Where UserId=? And "
                           "Upper(TableName)=?) "),
            {QString::number(Global->UserID), tableName.toUpper()}};
}

namespace {

// "From <table> Where <key> In <the user's codes>", narrowed by `rule`.
SqlCondition PermittedSource(const QString& from, const QString& key, const QString& tableName,
                             const SqlCondition& rule = {})
{
    const SqlCondition filter = UserPrivilegeFilter(tableName);
    return {from + QStringLiteral(" Where ") + key + QStringLiteral(" In ") + filter.sql + rule.sql,
            filter.values + rule.values};
}

} // namespace

QString PickKoll(const AccountCodes& codes)
{
    ListSpec s;
    s.caption = QStringLiteral("انتخاب حساب كل");
    s.colCount = 7;
    s.titles = {QStringLiteral("كل"),     QStringLiteral("نام حساب كل"), QStringLiteral("ماهيت"),
                QStringLiteral("نوع"),    QStringLiteral("وضعيت"),       QStringLiteral("مانده"),
                QStringLiteral("روش ثبت")};
    s.widths = {30, 300, 40, 40, 42, 35, 55};
    s.locateFields = {kKoll};
    s.locateValues = {codes.koll};
    s.keyField = kKoll;
    s.select = QStringLiteral(
        "Select Koll, NamHesab, RecogName, IsHesabTmp, IsActive, IsPosHesab, DesChar ");
    s.source = PermittedSource(QStringLiteral("From Koll"), kKoll, QStringLiteral("KOLL"));
    s.order = QStringLiteral(" Order By Koll");
    return BuildList(s);
}

QString PickMoein(const AccountCodes& codes, const QString& namTafsily2, const QString& namProject)
{
    ListSpec s;
    s.caption = QStringLiteral("انتخاب حساب معين");
    s.colCount = 15;
    s.titles = {QStringLiteral("معين"),
                QStringLiteral("كل"),
                QStringLiteral("نام حساب کل"),
                QStringLiteral("نام حساب معين"),
                QStringLiteral("ماهيت"),
                QStringLiteral("تفصيلي"),
                namTafsily2,
                namProject,
                QStringLiteral("گروههاي تفصيلي"),
                QStringLiteral("گروههاي ") + namTafsily2,
                QStringLiteral("گروههاي ") + namProject,
                QStringLiteral("وضعيت"),
                QStringLiteral("مانده"),
                QStringLiteral("عطف حرفي"),
                QStringLiteral("عطف تاريخي"),
                QStringLiteral("عطف عددي"),
                QStringLiteral("روش ثبت")};
    s.widths = {35, 30, 300, 300, 40, 50, 60, 60, 150, 150, 150, 45, 40, 70, 80, 70, 55};
    s.locateFields = {kKoll, kMoein};
    s.locateValues = {codes.koll, codes.moein};
    s.keyField = QStringLiteral("IDX");
    s.select =
        QStringLiteral("Select M.Moein, M.Koll, K.NamHesab As KNamHesab, M.NamHesab As MNamHesab, "
                       "M.RecogName, M.IsTafsily1, M.IsTafsily2, M.IsProject, M.GrohTafsily, "
                       "M.GrohTafsily2, M.GrohProject, M.IsActive, M.IsPosHesab, "
                       "M.FAtfCh, M.FAtfDate, M.FAtfNum, M.DesChar, M.IsTafsily, "
                       "row_number() Over (Order By M.Koll, M.Moein) As IDX ");
    s.source = UserPrivilegeFilter(QStringLiteral("MOEIN"));
    s.source.sql.prepend(QStringLiteral("From Moein As M, Koll As K "
                                        "Where K.Koll = M.Koll And M.Koll||M.Moein In "));
    s.order = QStringLiteral(" Order By Koll, Moein");
    return BuildList(s);
}

namespace {

// The lists of the three detail levels differ only in their table, names and rule.
QString DetailList(const QString& caption, const QString& codeTitle, const QString& nameTitle,
                   const QString& key, const QString& current, const QString& select,
                   const QString& table, const SqlCondition& rule, const QString& order)
{
    ListSpec s;
    s.caption = caption;
    s.colCount = 6;
    s.titles = {codeTitle,
                nameTitle,
                QStringLiteral("ماهيت"),
                QStringLiteral("وضعيت"),
                QStringLiteral("مانده"),
                QStringLiteral("روش ثبت")};
    s.widths = {55, 300, 40, 45, 45, 55};
    s.locateFields = {key};
    s.locateValues = {current};
    s.keyField = key;
    s.select = select;
    s.source = PermittedSource(QStringLiteral("From ") + table, key, table, rule);
    s.order = order;
    return BuildList(s);
}

} // namespace

QString PickTafsily(const AccountCodes& codes, const QString& groups, int groupLength,
                    const QString&, const QString&, const QString& mode)
{
    const MoeinLists lists =
        ReadMoeinLists(MyDatabase->Command, QStringLiteral("TafsilyJoz"), codes);
    return DetailList(QStringLiteral("انتخاب حساب تفصيلي"), QStringLiteral("تفصيلي"),
                      QStringLiteral("نام حساب تفصيلي"), kTafsily, codes.tafsily,
                      QStringLiteral("Select Tafsily, ") + kDetailColumns, kTafsily,
                      RestrictionPredicate(mode, groups, lists.tafsilyJoz, groupLength),
                      QStringLiteral(" Order By Tafsily "));
}

QString PickTafsily2(const AccountCodes& codes, const QString& groups, int groupLength,
                     const QString& namTafsily2, const QString&, const QString& mode)
{
    const MoeinLists lists =
        ReadMoeinLists(MyDatabase->Command, QStringLiteral("TafsilyJoz, Tafsily2Joz"), codes);
    const ProbeRow rule = TafsilyRuleForTafsily2(MyDatabase->Command, codes.tafsily)
                              .orElse(groups, lists.tafsily2Joz);
    return DetailList(QStringLiteral("انتخاب حساب ") + namTafsily2, namTafsily2,
                      QStringLiteral("نام حساب ") + namTafsily2, kTafsily2, codes.tafsily2,
                      QStringLiteral("Select Tafsily2, ") + kDetailColumns, kTafsily2,
                      RestrictionPredicate(mode, rule.groups, rule.members, groupLength),
                      QStringLiteral(" Order By Tafsily2"));
}

QString PickProject(const AccountCodes& codes, const QString&, int groupLength, const QString&,
                    const QString& namProject, const QString& mode)
{
    // The project list takes the Moein's own group list, read afresh.
    const MoeinLists lists =
        ReadMoeinLists(MyDatabase->Command,
                       QStringLiteral("TafsilyJoz, Tafsily2Joz, ProjectJoz, GrohProject"), codes);
    const ProbeRow rule = ProjectRuleOf(MyDatabase->Command, codes.tafsily, codes.tafsily2)
                              .orElse(lists.grohProject, lists.projectJoz);
    return DetailList(QStringLiteral("انتخاب ") + namProject, namProject,
                      QStringLiteral("نام ") + namProject, kProject, codes.project,
                      QStringLiteral("Select ProjectCod, ProjectNam, RecogName, IsActive, "
                                     "IsPosHesab, DesChar "),
                      QStringLiteral("M_Project"),
                      RestrictionPredicate(mode, rule.groups, rule.members, groupLength),
                      QStringLiteral(" Order By ProjectCod"));
}

int PickAccountForColumn(const TCompanySettings* dg, DbGrid* grid, const QString& columnName,
                         const QString& level, const QString& grohTafsily,
                         const QString& grohTafsily2, const QString& grohProject,
                         const QString& prefix)
{
    Q_UNUSED(level);
    TTempGridForm* window = TempGridForm;
    const QString upper = columnName.toUpper().mid(prefix.size());
    DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    if (!columnName.startsWith(prefix, Qt::CaseInsensitive))
        return window->result();
    if (ds == nullptr || !ds->active() ||
        !QStringList{QStringLiteral("KOLL"), QStringLiteral("MOEIN"), QStringLiteral("TAFSILY"),
                     QStringLiteral("TAFSILY2"), QStringLiteral("PROJECTCOD")}
             .contains(upper))
        return window->result();

    const AccountCodes codes = RowCodes(ds, MyDatabase->Connection, prefix);
    QString sql;
    if (upper == QLatin1String("KOLL"))
        sql = PickKoll(codes);
    else if (upper == QLatin1String("MOEIN"))
        sql = PickMoein(codes, dg->NAMTAFSILY2, dg->NAMPROJECT);
    else if (upper == QLatin1String("TAFSILY"))
        sql =
            PickTafsily(codes, grohTafsily, dg->LenCodGrohTafsily, dg->NAMTAFSILY2, dg->NAMPROJECT);
    else if (upper == QLatin1String("TAFSILY2"))
        sql = PickTafsily2(codes, grohTafsily2, dg->LenCodGrohTafsily2, dg->NAMTAFSILY2,
                           dg->NAMPROJECT);
    else
        sql =
            PickProject(codes, grohProject, dg->LenCodGrohProject, dg->NAMTAFSILY2, dg->NAMPROJECT);

    const int result = ShowPickList(sql);
    if (result != TTempGridForm::mrChosen)
        return result;

    const DataSet* chosen = window->quTemp;
    if (ds->state() == DataSet::State::Browse)
        ds->edit();
    const bool active = AccountIsActive(chosen);
    if (upper == QLatin1String("KOLL")) {
        if (!active) {
            ShowError(QStringLiteral("كد حساب كل غيرفعال مي باشد."));
            return 2;
        }
        SetAccountCode(ds, prefix + kKoll, AccountText(chosen, kKoll));
        for (const QString& lower : {kMoein, kTafsily, kTafsily2, kProject})
            SetAccountCode(ds, prefix + lower, QString());
    } else if (upper == QLatin1String("MOEIN")) {
        SetAccountCode(ds, prefix + kMoein, AccountText(chosen, kMoein));
        SetAccountCode(ds, prefix + kKoll, AccountText(chosen, kKoll));
        if (!active) {
            ShowError(QStringLiteral("كد حساب معين غيرفعال مي باشد."));
            return 2;
        }
        if (AccountText(chosen, QStringLiteral("IsTafsily1")).trimmed() == kHasNot)
            SetAccountCode(ds, prefix + kTafsily, QString());
        if (AccountText(chosen, QStringLiteral("IsTafsily2")).trimmed() == kHasNot)
            SetAccountCode(ds, prefix + kTafsily2, QString());
        if (AccountText(chosen, QStringLiteral("IsProject")).trimmed() == kHasNot)
            SetAccountCode(ds, prefix + kProject, QString());
    } else if (upper == QLatin1String("TAFSILY")) {
        SetAccountCode(ds, prefix + kTafsily, AccountText(chosen, kTafsily));
        if (!active) {
            ShowError(QStringLiteral("كد حساب تفصيلي غيرفعال مي باشد."));
            return 2;
        }
    } else if (upper == QLatin1String("TAFSILY2")) {
        SetAccountCode(ds, prefix + kTafsily2, AccountText(chosen, kTafsily2));
        if (!active) {
            ShowError(QStringLiteral("كد حساب ") + dg->NAMTAFSILY2 +
                      QStringLiteral(" غيرفعال مي باشد."));
            return 2;
        }
    } else {
        SetAccountCode(ds, prefix + kProject, AccountText(chosen, kProject));
        if (!active) {
            ShowError(QStringLiteral("كد ") + dg->NAMPROJECT + QStringLiteral(" غيرفعال مي باشد."));
            return 2;
        }
    }
    return result;
}

int PickAccountForRefusal(const TCompanySettings* settings, DbGrid* grid,
                          const ChainRefusal& refusal)
{
    return PickAccountForColumn(settings, grid, refusal.column, refusal.lists.level,
                                refusal.lists.grohTafsily, refusal.lists.grohTafsily2,
                                refusal.lists.grohProject);
}
