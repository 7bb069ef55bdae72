#include "chartofaccounts.h"

#include "dataset.h"
#include "dbconnection.h"
#include "dialect.h"
#include "globalunit.h"
#include "settings.h"

#include <QStringList>
#include <functional>

namespace {

const QString kHas = QStringLiteral("دارد");
const QString kActive = QStringLiteral("فعال");
const QString kFirst = QStringLiteral("اول");
const QString kSecond = QStringLiteral("دوم");
const QString kThird = QStringLiteral("سوم");

const QString kKoll = QStringLiteral("Koll");
const QString kMoein = QStringLiteral("Moein");
const QString kTafsily = QStringLiteral("Tafsily");
const QString kTafsily2 = QStringLiteral("Tafsily2");
const QString kProject = QStringLiteral("ProjectCod");

// Opens `sql` on `query`; true when it returned a row.
bool OpenHasRows(DataSet* query, const QString& sql, const QVariantList& values)
{
    query->close();
    query->setSql(sql, values);
    query->open();
    return !query->isEmpty();
}

// The row's code in `column`, brought to the form the chart stores: the column's
// declared size, or, for a column without one (a list built by a statement), the
// width of the level's own column in the chart.
QString RowCode(const DataSet* ds, const DbConnection* connection, const QString& column,
                const QString& level)
{
    const DataField* f = ds->findField(column);
    if (f == nullptr)
        return QString();
    int width = f->size();
    if (width <= 0 && connection != nullptr) {
        const QString table = level == kProject ? QStringLiteral("M_Project") : level;
        width = qMax(0, connection->dialect().columnWidth(table, level));
    }
    return WidenCode(level, f->asString(), width);
}

// Runs `sql` on `query` and keeps its first row's values.
ProbeRow Probe(DataSet* query, const QString& sql, const QVariantList& values,
               const QString& groupColumn, const QString& memberColumn)
{
    ProbeRow row;
    if (OpenHasRows(query, sql, values)) {
        row.found = true;
        row.groups = AccountText(query, groupColumn);
        row.members = AccountText(query, memberColumn);
    }
    query->close();
    return row;
}

// `select` with the code bound to its "?", narrowed by the level's restriction.
SqlCondition CodeLookup(const QString& select, const QString& code, const SqlCondition& restriction)
{
    return {select + restriction.sql, QVariantList{code} + restriction.values};
}

const QString kTafsily2Rule = QStringLiteral(
    " And ((GrohTafsily2 Is Not Null And GrohTafsily2 <> '') Or (Tafsily2Joz Is Not Null And "
    "Tafsily2Joz <> '')) ");
const QString kProjectRule = QStringLiteral(
    " And ((GrohProject Is Not Null And GrohProject <> '') Or (ProjectJoz Is Not Null And "
    "ProjectJoz <> '')) ");

} // namespace

QString AccountText(const DataSet* query, const QString& field)
{
    const DataField* f = query->active() ? query->findField(field) : nullptr;
    return f != nullptr && !query->isEmpty() ? f->asString() : QString();
}

bool AccountIsActive(const DataSet* query)
{
    return AccountText(query, QStringLiteral("IsActive")).trimmed() == kActive;
}

void SetAccountCode(DataSet* row, const QString& column, const QString& value)
{
    if (DataField* f = row->findField(column))
        f->setValue(value);
}

AccountCodes RowCodes(const DataSet* row, const DbConnection* connection, const QString& prefix)
{
    AccountCodes c;
    c.koll = RowCode(row, connection, prefix + kKoll, kKoll);
    c.moein = RowCode(row, connection, prefix + kMoein, kMoein);
    c.tafsily = RowCode(row, connection, prefix + kTafsily, kTafsily);
    c.tafsily2 = RowCode(row, connection, prefix + kTafsily2, kTafsily2);
    c.project = RowCode(row, connection, prefix + kProject, kProject);
    return c;
}

ProbeRow TafsilyRuleForTafsily2(DataSet* query, const QString& tafsily)
{
    const QString code = tafsily.trimmed().isEmpty() ? QStringLiteral("-1") : tafsily;
    return Probe(query, QStringLiteral(" Select * from Tafsily where Tafsily = ?") + kTafsily2Rule,
                 {code}, QStringLiteral("GrohTafsily2"), QStringLiteral("Tafsily2Joz"));
}

ProbeRow ProjectRuleOf(DataSet* query, const QString& tafsily, const QString& tafsily2)
{
    const bool noTafsily2 = tafsily2.trimmed().isEmpty();
    const QString t2 =
        noTafsily2 ? QStringLiteral(" Select * from Tafsily2 where 1 = 2 ")
                   : QStringLiteral(" Select * from Tafsily2 where Tafsily2 = ?") + kProjectRule;
    ProbeRow row = Probe(query, t2, noTafsily2 ? QVariantList() : QVariantList{tafsily2},
                         QStringLiteral("GrohProject"), QStringLiteral("ProjectJoz"));
    if (row.found)
        return row;
    const QString t = tafsily.trimmed().isEmpty() ? QStringLiteral("-1") : tafsily;
    return Probe(query, QStringLiteral(" Select * from Tafsily where Tafsily = ?") + kProjectRule,
                 {t}, QStringLiteral("GrohProject"), QStringLiteral("ProjectJoz"));
}

MoeinLists ReadMoeinLists(DataSet* query, const QString& columns, const AccountCodes& codes)
{
    MoeinLists lists;
    DataSet* command = query;
    if (OpenHasRows(command,
                    QStringLiteral("Select ") + columns +
                        QStringLiteral(" From Moein Where LTRIM(Koll)||LTRIM(Moein) = ?"),
                    {codes.koll.trimmed() + codes.moein.trimmed()})) {
        lists.tafsilyJoz = AccountText(command, QStringLiteral("TafsilyJoz"));
        lists.tafsily2Joz = AccountText(command, QStringLiteral("Tafsily2Joz"));
        lists.projectJoz = AccountText(command, QStringLiteral("ProjectJoz"));
        lists.grohProject = AccountText(command, QStringLiteral("GrohProject"));
    }
    command->close();
    return lists;
}

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

MoeinProfile ReadMoeinProfile(DataSet* query, const QString& koll, const QString& moein)
{
    MoeinProfile p;
    if (!OpenHasRows(query,
                     QStringLiteral("Select * From Moein Where LTRIM(Koll)||LTRIM(Moein) = ?"),
                     {koll.trimmed() + moein.trimmed()}))
        return p;
    p.level = LevelString(AccountText(query, QStringLiteral("IsTafsily1")),
                          AccountText(query, QStringLiteral("IsTafsily2")),
                          AccountText(query, QStringLiteral("IsProject")));
    p.grohTafsily = AccountText(query, QStringLiteral("GrohTafsily"));
    p.grohTafsily2 = AccountText(query, QStringLiteral("GrohTafsily2"));
    p.grohProject = AccountText(query, QStringLiteral("GrohProject"));
    return p;
}

SqlCondition RestrictionPredicate(const QString& mode, const QString& groups,
                                  const QString& members, int groupLength)
{
    const QString column = mode == QLatin1String("T")    ? kTafsily
                           : mode == QLatin1String("T2") ? kTafsily2
                                                         : kProject;
    const bool hasGroups = !groups.isEmpty();
    const bool hasMembers = !members.isEmpty();
    // "the list holds the code's group" / "the list holds the code"
    const QString groupTest =
        QStringLiteral("? LIKE '%' || substr(") + column + QStringLiteral(", 1, ?) || '%'");
    const QString memberTest =
        QStringLiteral("? LIKE '%' || ") + column + QStringLiteral(" || '%'");
    if (hasGroups && hasMembers)
        return {QStringLiteral(" And ( ") + groupTest + QStringLiteral(" Or ") + memberTest +
                    QStringLiteral(" ) "),
                {groups, groupLength, members}};
    if (hasGroups)
        return {QStringLiteral(" And ( ") + groupTest + QStringLiteral(" ) "),
                {groups, groupLength}};
    if (hasMembers)
        return {QStringLiteral(" And ( ") + memberTest + QStringLiteral(" ) "), {members}};
    return {};
}

QString WidenCode(const QString& column, const QString& code, int width)
{
    static const QStringList zeroFilled{
        QStringLiteral("Tafsily"),  QStringLiteral("Tafsily2"),  QStringLiteral("ProjectCod"),
        QStringLiteral("HTafsily"), QStringLiteral("HTafsily2"), QStringLiteral("HProjectCod")};
    const QString trimmed = code.trimmed();
    if (width <= 0)
        return trimmed;
    if (!zeroFilled.contains(column, Qt::CaseInsensitive))
        return PadLeft(trimmed, width);
    if (trimmed.isEmpty())
        return trimmed;
    return PadLeftWith(trimmed, QLatin1Char('0'), width);
}

ChainRefusal CheckAccountChain(const TCompanySettings& settings, DataSet* query, DataSet* ds,
                               QString level, QString grohTafsily, QString grohTafsily2,
                               QString grohProject, const QString& kollColumn,
                               const QString& moeinColumn, const QString& tafsilyColumn,
                               const QString& tafsily2Column, const QString& projectColumn)
{
    const DbConnection* connection = query->connection();
    const auto rowCode = [connection](const DataSet* row, const QString& column,
                                      const QString& level) {
        return RowCode(row, connection, column, level);
    };
    // The refusal; the column's pick list opens only for the standard column names.
    const auto refuse = [&](const QString& message, const QString& column, int standardLength = 0) {
        return ChainRefusal{message, column, column.size() == standardLength,
                            MoeinProfile{level, grohTafsily, grohTafsily2, grohProject}};
    };

    // Koll.
    const QString koll = rowCode(ds, kollColumn, kKoll);
    if (koll.trimmed().isEmpty()) {
        for (const QString& lower : {moeinColumn, tafsilyColumn, tafsily2Column, projectColumn})
            SetAccountCode(ds, lower, QString());
        return refuse(QStringLiteral("سرفصل حساب کل خالي مي باشد"), kollColumn, 4);
    }
    if (!OpenHasRows(query, QStringLiteral("Select * From Koll Where Koll = ?"), {koll})) {
        return refuse(QStringLiteral("كد حساب كل موجود نمي باشد."), kollColumn, 4);
    }
    if (!AccountIsActive(query))
        return refuse(QStringLiteral("كد حساب کل غيرفعال مي باشد."), kollColumn);

    // Moein.
    const QString moein = rowCode(ds, moeinColumn, kMoein);
    if (moein.trimmed().isEmpty() ||
        !OpenHasRows(query, QStringLiteral("Select * From Moein Where Koll||Moein = ? "),
                     {koll + moein})) {
        return refuse(QStringLiteral("كد حساب معين موجود نمي باشد."), moeinColumn, 5);
    }
    if (!AccountIsActive(query))
        return refuse(QStringLiteral("كد حساب معين غيرفعال مي باشد."), moeinColumn);

    // What the Moein asks of the lower levels.
    const QString tafsilyJoz = AccountText(query, QStringLiteral("TafsilyJoz"));
    const QString tafsily2Joz = AccountText(query, QStringLiteral("Tafsily2Joz"));
    const QString projectJoz = AccountText(query, QStringLiteral("ProjectJoz"));
    level = LevelString(AccountText(query, QStringLiteral("IsTafsily1")),
                        AccountText(query, QStringLiteral("IsTafsily2")),
                        AccountText(query, QStringLiteral("IsProject")));
    grohTafsily = AccountText(query, QStringLiteral("GrohTafsily"));
    grohTafsily2 = AccountText(query, QStringLiteral("GrohTafsily2"));
    grohProject = AccountText(query, QStringLiteral("GrohProject"));

    // A required lower level: empty, missing (or outside its rule), inactive. A
    // level the Moein does not carry is emptied.
    const auto checkLevel =
        [&](const QString& column, const QString& levelName, int standardLength,
            const QString& levelMark, const std::function<SqlCondition()>& lookup,
            const QString& emptyText, const QString& missingText, const QString& inactiveText) {
            if (!level.contains(levelMark)) {
                SetAccountCode(ds, column, QString());
                return ChainRefusal();
            }
            if (rowCode(ds, column, levelName).isEmpty())
                return refuse(emptyText, column, standardLength);
            const SqlCondition statement = lookup();
            if (!OpenHasRows(query, statement.sql, statement.values))
                return refuse(missingText, column, standardLength);
            if (!AccountIsActive(query))
                return refuse(inactiveText, column);
            return ChainRefusal();
        };
    const QString name2 = settings.NAMTAFSILY2;
    const QString nameP = settings.NAMPROJECT;

    if (ChainRefusal r = checkLevel(
            tafsilyColumn, kTafsily, 7, kFirst,
            [&] {
                return CodeLookup(
                    QStringLiteral("Select Tafsily, IsActive From Tafsily Where Tafsily = ? "),
                    rowCode(ds, tafsilyColumn, kTafsily),
                    RestrictionPredicate(QStringLiteral("T"), grohTafsily, tafsilyJoz,
                                         settings.LenCodGrohTafsily));
            },
            QStringLiteral("کد حساب تفصيلي خالي مي باشد."),
            QStringLiteral("كد حساب تفصيلي موجود نمي باشد."),
            QStringLiteral("كد حساب تفصيلي غيرفعال مي باشد."));
        !r.isEmpty())
        return r;
    const QString rowTafsily = rowCode(ds, tafsilyColumn, kTafsily);

    if (ChainRefusal r = checkLevel(
            tafsily2Column, kTafsily2, 8, kSecond,
            [&] {
                const ProbeRow rule =
                    TafsilyRuleForTafsily2(query, rowTafsily).orElse(grohTafsily2, tafsily2Joz);
                return CodeLookup(QStringLiteral("Select Tafsily2, NamHesab, RecogName, IsActive, "
                                                 "IsPosHesab, DesChar From Tafsily2 Where "
                                                 "Tafsily2 = ?"),
                                  rowCode(ds, tafsily2Column, kTafsily2),
                                  RestrictionPredicate(QStringLiteral("T2"), rule.groups,
                                                       rule.members, settings.LenCodGrohTafsily2));
            },
            QStringLiteral("کد حساب ") + name2 + QStringLiteral(" خالي مي باشد."),
            QStringLiteral("كد حساب ") + name2 + QStringLiteral(" موجود نمي باشد."),
            QStringLiteral("كد حساب ") + name2 + QStringLiteral(" غيرفعال مي باشد."));
        !r.isEmpty())
        return r;
    const QString rowTafsily2 = rowCode(ds, tafsily2Column, kTafsily2);

    if (ChainRefusal r = checkLevel(
            projectColumn, kProject, 10, kThird,
            [&] {
                const ProbeRow rule =
                    ProjectRuleOf(query, rowTafsily, rowTafsily2).orElse(grohProject, projectJoz);
                return CodeLookup(QStringLiteral("Select ProjectCod, ProjectNam, RecogName, "
                                                 "IsActive, IsPosHesab, DesChar From M_Project "
                                                 "Where ProjectCod = ?"),
                                  rowCode(ds, projectColumn, kProject),
                                  RestrictionPredicate(QStringLiteral("P"), rule.groups,
                                                       rule.members, settings.LenCodGrohProject));
            },
            QStringLiteral("کد ") + nameP + QStringLiteral(" خالي مي باشد."),
            QStringLiteral("كد ") + nameP + QStringLiteral(" موجود نمي باشد."),
            QStringLiteral("كد ") + nameP + QStringLiteral(" غيرفعال مي باشد."));
        !r.isEmpty())
        return r;
    return ChainRefusal();
}
