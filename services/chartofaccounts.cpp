#include "chartofaccounts.h"

#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "messages.h"
#include "picklist.h"
#include "sqlquote.h"

#include <QStringList>
#include <functional>

namespace {

const QString kHas = QStringLiteral("دارد");
const QString kHasNot = QStringLiteral("ندارد");
const QString kActive = QStringLiteral("فعال");
const QString kFirst = QStringLiteral("اول");
const QString kSecond = QStringLiteral("دوم");
const QString kThird = QStringLiteral("سوم");

const QString kKoll = QStringLiteral("Koll");
const QString kMoein = QStringLiteral("Moein");
const QString kTafsily = QStringLiteral("Tafsily");
const QString kTafsily2 = QStringLiteral("Tafsily2");
const QString kProject = QStringLiteral("ProjectCod");

void ShowError(const QString& text)
{
    ShowMessageDlg(text, QString(), QStringLiteral("1ER"));
}

// Opens `sql` on `query`; true when it returned a row.
bool OpenHasRows(DataSet* query, const QString& sql)
{
    query->close();
    query->setSql(sql);
    query->open();
    return !query->isEmpty();
}

QString Text(const DataSet* query, const QString& field)
{
    const DataField* f = query->active() ? query->findField(field) : nullptr;
    return f != nullptr && !query->isEmpty() ? f->asString() : QString();
}

bool Active(const DataSet* query)
{
    return Text(query, QStringLiteral("IsActive")).trimmed() == kActive;
}

void SetRowText(DataSet* ds, const QString& column, const QString& value)
{
    if (DataField* f = ds->findField(column))
        f->setValue(value);
}

// The row's code in `column`, widened to the column's declared size.
// The row's code in `column`, brought to the form the chart stores: the column's
// declared size, or, for a column without one (a list built by a statement), the
// width of the level's own column in the chart.
QString RowCode(const DataSet* ds, const QString& column, const QString& level)
{
    const DataField* f = ds->findField(column);
    if (f == nullptr)
        return QString();
    int width = f->size();
    if (width <= 0 && MyDatabase != nullptr && MyDatabase->Connection != nullptr) {
        const QString table = level == kProject ? QStringLiteral("M_Project") : level;
        width = qMax(0, MyDatabase->Connection->dialect().columnWidth(table, level));
    }
    return WidenAccountCode(level, f->asString(), width);
}

// The codes of the row's chain whose columns carry `prefix` before the level names
// ("" for the row's own chain, "H" for a second chain on the same row).
AccountCodes RowCodes(const DataSet* ds, const QString& prefix = QString())
{
    AccountCodes c;
    c.koll = RowCode(ds, prefix + kKoll, kKoll);
    c.moein = RowCode(ds, prefix + kMoein, kMoein);
    c.tafsily = RowCode(ds, prefix + kTafsily, kTafsily);
    c.tafsily2 = RowCode(ds, prefix + kTafsily2, kTafsily2);
    c.project = RowCode(ds, prefix + kProject, kProject);
    return c;
}

QString NewTableName()
{
    return QStringLiteral("##") + Global->TempStem + MyDate->TimeStamp();
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
    QString source;
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
    const QString table = NewTableName();
    w->TableName = table;
    w->KeyField = spec.keyField;
    w->SetCaption(spec.caption);
    ExecSQL(MyDatabase, MyDatabase->Connection->dialect().createTempTable(table) +
                            QStringLiteral(" AS ") + spec.select + spec.source);
    return QStringLiteral("Select * From ") + SqlIdent(table) + spec.order;
}

// A lower level's group list and member list, and whether an account had its own.
struct ProbeRow
{
    bool found = false;
    QString groups;
    QString members;

    // This account's own rule when it has one, else the fallback lists.
    ProbeRow orElse(const QString& fallbackGroups, const QString& fallbackMembers) const
    {
        return found ? *this : ProbeRow{false, fallbackGroups, fallbackMembers};
    }
};

// Runs `sql` on the host's command query and keeps its first row's values.

ProbeRow Probe(const QString& sql, const QString& groupColumn, const QString& memberColumn)
{
    ProbeRow row;
    CommandQuery* command = MyDatabase->Command;
    if (OpenHasRows(command, sql)) {
        row.found = true;
        row.groups = Text(command, groupColumn);
        row.members = Text(command, memberColumn);
    }
    command->close();
    return row;
}

const QString kTafsily2Rule = QStringLiteral(
    " And ((GrohTafsily2 Is Not Null And GrohTafsily2 <> '') Or (Tafsily2Joz Is Not Null And "
    "Tafsily2Joz <> '')) ");
const QString kProjectRule = QStringLiteral(
    " And ((GrohProject Is Not Null And GrohProject <> '') Or (ProjectJoz Is Not Null And "
    "ProjectJoz <> '')) ");

// The Tafsily account's own rule for the Tafsily2 level, when it has one.
ProbeRow TafsilyRuleForTafsily2(const QString& tafsily)
{
    const QString code = tafsily.trimmed().isEmpty() ? QStringLiteral("-1") : tafsily;
    return Probe(QStringLiteral(" Select * from Tafsily where Tafsily = ") + SqlQuote(code) +
                     kTafsily2Rule,
                 QStringLiteral("GrohTafsily2"), QStringLiteral("Tafsily2Joz"));
}

// The rule of the project level by precedence: the Tafsily2 account's own, then
// the Tafsily account's own; not found: the caller falls back to the Moein's.
ProbeRow ProjectRuleOf(const QString& tafsily, const QString& tafsily2)
{
    const QString t2 = tafsily2.trimmed().isEmpty()
                           ? QStringLiteral(" Select * from Tafsily2 where 1 = 2 ")
                           : QStringLiteral(" Select * from Tafsily2 where Tafsily2 = ") +
                                 SqlQuote(tafsily2) + kProjectRule;
    ProbeRow row = Probe(t2, QStringLiteral("GrohProject"), QStringLiteral("ProjectJoz"));
    if (row.found)
        return row;
    const QString t = tafsily.trimmed().isEmpty() ? QStringLiteral("-1") : tafsily;
    return Probe(QStringLiteral(" Select * from Tafsily where Tafsily = ") + SqlQuote(t) +
                     kProjectRule,
                 QStringLiteral("GrohProject"), QStringLiteral("ProjectJoz"));
}

// The Moein's own lists, read afresh ("Select TafsilyJoz, ... From Moein ...").
struct MoeinLists
{
    QString tafsilyJoz;
    QString tafsily2Joz;
    QString projectJoz;
    QString grohProject;
};

MoeinLists ReadMoeinLists(const QString& columns, const AccountCodes& codes)
{
    MoeinLists lists;
    CommandQuery* command = MyDatabase->Command;
    if (OpenHasRows(command, QStringLiteral("Select ") + columns +
                                 QStringLiteral(" From Moein Where LTRIM(Koll)||LTRIM(Moein) = ") +
                                 SqlQuote(codes.koll.trimmed() + codes.moein.trimmed()))) {
        lists.tafsilyJoz = Text(command, QStringLiteral("TafsilyJoz"));
        lists.tafsily2Joz = Text(command, QStringLiteral("Tafsily2Joz"));
        lists.projectJoz = Text(command, QStringLiteral("ProjectJoz"));
        lists.grohProject = Text(command, QStringLiteral("GrohProject"));
    }
    command->close();
    return lists;
}

const QString kDetailColumns =
    QStringLiteral("NamHesab, RecogName, IsActive, IsPosHesab, DesChar ");

} // namespace

QString LevelString(const QString& isTafsily1, const QString& isTafsily2, const QString& isProject)
{
    QString level;
    if (isTafsily1.trimmed() == kHas)
        level += QStringLiteral("اول/");
    if (isTafsily2.trimmed() == kHas)
        level += QStringLiteral("دوم/");
    if (isProject.trimmed() == kHas)
        level += QStringLiteral("سوم");
    return level;
}

QString UserPrivilegeFilter(const QString& tableName)
{
    return QStringLiteral("(Select FieldCode From UserPrivilege Where UserId=") +
           SqlQuote(QString::number(Global->UserID)) +
           QStringLiteral(" And Upper(TableName)=") + SqlQuote(tableName.toUpper()) +
           QStringLiteral(") ");
}

MoeinProfile ReadMoeinProfile(DataSet* query, const QString& koll, const QString& moein)
{
    MoeinProfile p;
    if (!OpenHasRows(query,
                     QStringLiteral("Select * From Moein Where LTRIM(Koll)||LTRIM(Moein) = ") +
                         SqlQuote(koll.trimmed() + moein.trimmed())))
        return p;
    p.level = LevelString(Text(query, QStringLiteral("IsTafsily1")),
                          Text(query, QStringLiteral("IsTafsily2")),
                          Text(query, QStringLiteral("IsProject")));
    p.grohTafsily = Text(query, QStringLiteral("GrohTafsily"));
    p.grohTafsily2 = Text(query, QStringLiteral("GrohTafsily2"));
    p.grohProject = Text(query, QStringLiteral("GrohProject"));
    return p;
}

QString RestrictionPredicate(const QString& mode, const QString& groups, const QString& members,
                             int groupLength)
{
    const QString column = mode == QLatin1String("T")    ? kTafsily
                           : mode == QLatin1String("T2") ? kTafsily2
                                                         : kProject;
    const bool hasGroups = !groups.isEmpty();
    const bool hasMembers = !members.isEmpty();
    // "the list holds the code's group" / "the list holds the code"
    const QString groupTest = SqlQuote(groups) + QStringLiteral(" LIKE '%' || substr(") + column +
                              QStringLiteral(", 1, ") + QString::number(groupLength) +
                              QStringLiteral(") || '%'");
    const QString memberTest =
        SqlQuote(members) + QStringLiteral(" LIKE '%' || ") + column + QStringLiteral(" || '%'");
    if (hasGroups && hasMembers)
        return QStringLiteral(" And ( ") + groupTest + QStringLiteral(" Or ") + memberTest +
               QStringLiteral(" ) ");
    if (hasGroups)
        return QStringLiteral(" And ( ") + groupTest + QStringLiteral(" ) ");
    if (hasMembers)
        return QStringLiteral(" And ( ") + memberTest + QStringLiteral(" ) ");
    return QString();
}

QString WidenAccountCode(const QString& column, const QString& code, int width)
{
    const QString trimmed = code.trimmed();
    if (width <= 0)
        return trimmed;
    const QString upper = column.toUpper();
    if (upper == QLatin1String("KOLL") || upper == QLatin1String("MOEIN"))
        return PadLeft(trimmed, width);
    if (trimmed.isEmpty())
        return trimmed;
    return PadLeftWith(trimmed, QLatin1Char('0'), width);
}

QString PickKoll(const AccountCodes& codes)
{
    ListSpec s;
    s.caption = QStringLiteral("انتخاب حساب كل");
    s.colCount = 7;
    s.titles = {QStringLiteral("كل"),    QStringLiteral("نام حساب كل"), QStringLiteral("ماهيت"),
                QStringLiteral("نوع"),   QStringLiteral("وضعيت"),       QStringLiteral("مانده"),
                QStringLiteral("روش ثبت")};
    s.widths = {30, 300, 40, 40, 42, 35, 55};
    s.locateFields = {kKoll};
    s.locateValues = {codes.koll};
    s.keyField = kKoll;
    s.select = QStringLiteral(
        "Select Koll, NamHesab, RecogName, IsHesabTmp, IsActive, IsPosHesab, DesChar ");
    s.source = QStringLiteral("From Koll Where Koll In ") + UserPrivilegeFilter(QStringLiteral("KOLL"));
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
    s.select = QStringLiteral(
        "Select M.Moein, M.Koll, K.NamHesab As KNamHesab, M.NamHesab As MNamHesab, "
        "M.RecogName, M.IsTafsily1, M.IsTafsily2, M.IsProject, M.GrohTafsily, "
        "M.GrohTafsily2, M.GrohProject, M.IsActive, M.IsPosHesab, "
        "M.FAtfCh, M.FAtfDate, M.FAtfNum, M.DesChar, M.IsTafsily, "
        "row_number() Over (Order By M.Koll, M.Moein) As IDX ");
    s.source = QStringLiteral("From Moein As M, Koll As K "
                              "Where K.Koll = M.Koll And M.Koll||M.Moein In ") +
               UserPrivilegeFilter(QStringLiteral("MOEIN"));
    s.order = QStringLiteral(" Order By Koll, Moein");
    return BuildList(s);
}

namespace {

// The lists of the three detail levels differ only in their table, names and rule.
QString DetailList(const QString& caption, const QString& codeTitle, const QString& nameTitle,
                   const QString& key, const QString& current, const QString& select,
                   const QString& table, const QString& rule, const QString& order)
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
    s.source = QStringLiteral("From ") + table + QStringLiteral(" Where ") + key +
               QStringLiteral(" In ") + UserPrivilegeFilter(table) + rule;
    s.order = order;
    return BuildList(s);
}

} // namespace

QString PickTafsily(const AccountCodes& codes, const QString& groups, int groupLength,
                    const QString&, const QString&, const QString& mode)
{
    const MoeinLists lists = ReadMoeinLists(QStringLiteral("TafsilyJoz"), codes);
    return DetailList(QStringLiteral("انتخاب حساب تفصيلي"), QStringLiteral("تفصيلي"),
                      QStringLiteral("نام حساب تفصيلي"), kTafsily, codes.tafsily,
                      QStringLiteral("Select Tafsily, ") + kDetailColumns, kTafsily,
                      RestrictionPredicate(mode, groups, lists.tafsilyJoz, groupLength),
                      QStringLiteral(" Order By Tafsily "));
}

QString PickTafsily2(const AccountCodes& codes, const QString& groups, int groupLength,
                     const QString& namTafsily2, const QString&, const QString& mode)
{
    const MoeinLists lists = ReadMoeinLists(QStringLiteral("TafsilyJoz, Tafsily2Joz"), codes);
    const ProbeRow rule = TafsilyRuleForTafsily2(codes.tafsily).orElse(groups, lists.tafsily2Joz);
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
    const MoeinLists lists = ReadMoeinLists(
        QStringLiteral("TafsilyJoz, Tafsily2Joz, ProjectJoz, GrohProject"), codes);
    const ProbeRow rule =
        ProjectRuleOf(codes.tafsily, codes.tafsily2).orElse(lists.grohProject, lists.projectJoz);
    return DetailList(QStringLiteral("انتخاب ") + namProject, namProject,
                      QStringLiteral("نام ") + namProject, kProject, codes.project,
                      QStringLiteral("Select ProjectCod, ProjectNam, RecogName, IsActive, "
                                     "IsPosHesab, DesChar "),
                      QStringLiteral("M_Project"),
                      RestrictionPredicate(mode, rule.groups, rule.members, groupLength),
                      QStringLiteral(" Order By ProjectCod"));
}

int PickAccountForColumn(TD_Global* dg, DbGrid* grid, const QString& columnName,
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

    const AccountCodes codes = RowCodes(ds, prefix);
    QString sql;
    if (upper == QLatin1String("KOLL"))
        sql = PickKoll(codes);
    else if (upper == QLatin1String("MOEIN"))
        sql = PickMoein(codes, dg->NAMTAFSILY2, dg->NAMPROJECT);
    else if (upper == QLatin1String("TAFSILY"))
        sql = PickTafsily(codes, grohTafsily, dg->LenCodGrohTafsily, dg->NAMTAFSILY2,
                          dg->NAMPROJECT);
    else if (upper == QLatin1String("TAFSILY2"))
        sql = PickTafsily2(codes, grohTafsily2, dg->LenCodGrohTafsily2, dg->NAMTAFSILY2,
                           dg->NAMPROJECT);
    else
        sql = PickProject(codes, grohProject, dg->LenCodGrohProject, dg->NAMTAFSILY2,
                          dg->NAMPROJECT);

    const int result = ShowPickList(sql);
    if (result != TTempGridForm::mrChosen)
        return result;

    const DataSet* chosen = window->quTemp;
    if (ds->state() == DataSet::State::Browse)
        ds->edit();
    const bool active = Active(chosen);
    if (upper == QLatin1String("KOLL")) {
        if (!active) {
            ShowError(QStringLiteral("كد حساب كل غيرفعال مي باشد."));
            return 2;
        }
        SetRowText(ds, prefix + kKoll, Text(chosen, kKoll));
        for (const QString& lower : {kMoein, kTafsily, kTafsily2, kProject})
            SetRowText(ds, prefix + lower, QString());
    } else if (upper == QLatin1String("MOEIN")) {
        SetRowText(ds, prefix + kMoein, Text(chosen, kMoein));
        SetRowText(ds, prefix + kKoll, Text(chosen, kKoll));
        if (!active) {
            ShowError(QStringLiteral("كد حساب معين غيرفعال مي باشد."));
            return 2;
        }
        if (Text(chosen, QStringLiteral("IsTafsily1")).trimmed() == kHasNot)
            SetRowText(ds, prefix + kTafsily, QString());
        if (Text(chosen, QStringLiteral("IsTafsily2")).trimmed() == kHasNot)
            SetRowText(ds, prefix + kTafsily2, QString());
        if (Text(chosen, QStringLiteral("IsProject")).trimmed() == kHasNot)
            SetRowText(ds, prefix + kProject, QString());
    } else if (upper == QLatin1String("TAFSILY")) {
        SetRowText(ds, prefix + kTafsily, Text(chosen, kTafsily));
        if (!active) {
            ShowError(QStringLiteral("كد حساب تفصيلي غيرفعال مي باشد."));
            return 2;
        }
    } else if (upper == QLatin1String("TAFSILY2")) {
        SetRowText(ds, prefix + kTafsily2, Text(chosen, kTafsily2));
        if (!active) {
            ShowError(QStringLiteral("كد حساب ") + dg->NAMTAFSILY2 +
                      QStringLiteral(" غيرفعال مي باشد."));
            return 2;
        }
    } else {
        SetRowText(ds, prefix + kProject, Text(chosen, kProject));
        if (!active) {
            ShowError(QStringLiteral("كد ") + dg->NAMPROJECT + QStringLiteral(" غيرفعال مي باشد."));
            return 2;
        }
    }
    return result;
}

QString ValidateAccountChain(TD_Global* dg, DbGrid* grid, QString level, QString grohTafsily,
                             QString grohTafsily2, QString grohProject, const QString& kollColumn,
                             const QString& moeinColumn, const QString& tafsilyColumn,
                             const QString& tafsily2Column, const QString& projectColumn)
{
    DataSet* ds = grid->dataSet();
    DataSet* query = dg->Query();
    // Opens the column's pick list, but only for the standard column names: a
    // second chain on the same row is reported without one.
    const auto openPickList = [&](const QString& column, int standardLength) {
        if (column.size() == standardLength)
            PickAccountForColumn(dg, grid, column, level, grohTafsily, grohTafsily2, grohProject);
    };

    // Koll.
    const QString koll = RowCode(ds, kollColumn, kKoll);
    if (koll.trimmed().isEmpty()) {
        ShowError(QStringLiteral("سرفصل حساب کل خالي مي باشد"));
        for (const QString& lower : {moeinColumn, tafsilyColumn, tafsily2Column, projectColumn})
            SetRowText(ds, lower, QString());
        openPickList(kollColumn, 4);
        return kollColumn;
    }
    if (!OpenHasRows(query, QStringLiteral("Select * From Koll Where Koll = ") + SqlQuote(koll))) {
        ShowError(QStringLiteral("كد حساب كل موجود نمي باشد."));
        openPickList(kollColumn, 4);
        return kollColumn;
    }
    if (!Active(query)) {
        ShowError(QStringLiteral("كد حساب کل غيرفعال مي باشد."));
        return kollColumn;
    }

    // Moein.
    const QString moein = RowCode(ds, moeinColumn, kMoein);
    if (moein.trimmed().isEmpty() ||
        !OpenHasRows(query, QStringLiteral("Select * From Moein Where Koll||Moein = ") +
                                SqlQuote(koll + moein) + QStringLiteral(" "))) {
        ShowError(QStringLiteral("كد حساب معين موجود نمي باشد."));
        openPickList(moeinColumn, 5);
        return moeinColumn;
    }
    if (!Active(query)) {
        ShowError(QStringLiteral("كد حساب معين غيرفعال مي باشد."));
        return moeinColumn;
    }

    // What the Moein asks of the lower levels.
    const QString tafsilyJoz = Text(query, QStringLiteral("TafsilyJoz"));
    const QString tafsily2Joz = Text(query, QStringLiteral("Tafsily2Joz"));
    const QString projectJoz = Text(query, QStringLiteral("ProjectJoz"));
    level = LevelString(Text(query, QStringLiteral("IsTafsily1")),
                        Text(query, QStringLiteral("IsTafsily2")),
                        Text(query, QStringLiteral("IsProject")));
    grohTafsily = Text(query, QStringLiteral("GrohTafsily"));
    grohTafsily2 = Text(query, QStringLiteral("GrohTafsily2"));
    grohProject = Text(query, QStringLiteral("GrohProject"));

    // A required lower level: empty, missing (or outside its rule), inactive. A
    // level the Moein does not carry is emptied.
    const auto checkLevel = [&](const QString& column, const QString& levelName, int standardLength,
                                const QString& levelMark, const std::function<QString()>& lookup,
                                const QString& emptyText, const QString& missingText,
                                const QString& inactiveText) {
        if (!level.contains(levelMark)) {
            SetRowText(ds, column, QString());
            return true;
        }
        if (RowCode(ds, column, levelName).isEmpty()) {
            ShowError(emptyText);
            openPickList(column, standardLength);
            return false;
        }
        if (!OpenHasRows(query, lookup())) {
            ShowError(missingText);
            openPickList(column, standardLength);
            return false;
        }
        if (!Active(query)) {
            ShowError(inactiveText);
            return false;
        }
        return true;
    };
    const QString name2 = dg->NAMTAFSILY2;
    const QString nameP = dg->NAMPROJECT;

    if (!checkLevel(
            tafsilyColumn, kTafsily, 7, kFirst,
            [&] {
                return QStringLiteral("Select Tafsily, IsActive From Tafsily Where Tafsily = ") +
                       SqlQuote(RowCode(ds, tafsilyColumn, kTafsily)) + QStringLiteral(" ") +
                       RestrictionPredicate(QStringLiteral("T"), grohTafsily, tafsilyJoz,
                                            dg->LenCodGrohTafsily);
            },
            QStringLiteral("کد حساب تفصيلي خالي مي باشد."),
            QStringLiteral("كد حساب تفصيلي موجود نمي باشد."),
            QStringLiteral("كد حساب تفصيلي غيرفعال مي باشد.")))
        return tafsilyColumn;
    const QString rowTafsily = RowCode(ds, tafsilyColumn, kTafsily);

    if (!checkLevel(
            tafsily2Column, kTafsily2, 8, kSecond,
            [&] {
                const ProbeRow rule =
                    TafsilyRuleForTafsily2(rowTafsily).orElse(grohTafsily2, tafsily2Joz);
                return QStringLiteral("Select Tafsily2, NamHesab, RecogName, IsActive, "
                                      "IsPosHesab, DesChar From Tafsily2 Where Tafsily2 = ") +
                       SqlQuote(RowCode(ds, tafsily2Column, kTafsily2)) +
                       RestrictionPredicate(QStringLiteral("T2"), rule.groups, rule.members,
                                            dg->LenCodGrohTafsily2);
            },
            QStringLiteral("کد حساب ") + name2 + QStringLiteral(" خالي مي باشد."),
            QStringLiteral("كد حساب ") + name2 + QStringLiteral(" موجود نمي باشد."),
            QStringLiteral("كد حساب ") + name2 + QStringLiteral(" غيرفعال مي باشد.")))
        return tafsily2Column;
    const QString rowTafsily2 = RowCode(ds, tafsily2Column, kTafsily2);

    if (!checkLevel(
            projectColumn, kProject, 10, kThird,
            [&] {
                const ProbeRow rule =
                    ProjectRuleOf(rowTafsily, rowTafsily2).orElse(grohProject, projectJoz);
                return QStringLiteral("Select ProjectCod, ProjectNam, RecogName, IsActive, "
                                      "IsPosHesab, DesChar From M_Project Where ProjectCod = ") +
                       SqlQuote(RowCode(ds, projectColumn, kProject)) +
                       RestrictionPredicate(QStringLiteral("P"), rule.groups, rule.members,
                                            dg->LenCodGrohProject);
            },
            QStringLiteral("کد ") + nameP + QStringLiteral(" خالي مي باشد."),
            QStringLiteral("كد ") + nameP + QStringLiteral(" موجود نمي باشد."),
            QStringLiteral("كد ") + nameP + QStringLiteral(" غيرفعال مي باشد.")))
        return projectColumn;
    return QString();
}
