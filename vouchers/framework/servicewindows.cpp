#include "servicewindows.h"

#include "accountpicklists.h"
#include "chartofaccounts.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dbgrid.h"
#include "messages.h"

#include <QLineEdit>

namespace {

void SetEdit(QLineEdit* edit, const QString& text)
{
    if (edit != nullptr)
        edit->setText(text);
}

} // namespace

bool ShowRefusal(const QString& refusal)
{
    if (refusal.isEmpty())
        return true;
    ShowMessageDlg(refusal, QString(), QStringLiteral("1ER"));
    return false;
}

QString ShowNumberBounds(TD_Global* dg, const QString& table, const QString& number,
                         QLineEdit* lastId, QLineEdit* firstId, QLineEdit* year, QLineEdit* month,
                         QLineEdit* day)
{
    const TNumberBounds bounds = dg->NumberBounds(table, number);
    SetEdit(lastId, bounds.LastNo);
    SetEdit(firstId, bounds.FirstNo);
    // A Jalali date text's year, month and day parts (characters 1-4, 6-7, 9-10).
    SetEdit(year, bounds.Date.mid(0, 4));
    SetEdit(month, bounds.Date.mid(5, 2));
    SetEdit(day, bounds.Date.mid(8, 2));
    return bounds.Date;
}

void ShowRowPosition(const DataSet* gridQuery, QLineEdit* currentRow, QLineEdit* rowCount)
{
    const TRowPosition position = TD_Global::RowPosition(gridQuery);
    SetEdit(currentRow, position.Current);
    SetEdit(rowCount, position.Count);
}

bool DayBookAllows(TD_Global* dg, DataSet* gridQuery, const QString& number, const QString& date,
                   const QString& code)
{
    return ShowRefusal(dg->DayBookRefusal(gridQuery, number, date, code));
}

QString AssetStateGuard(TD_Global* dg, DataSet* query, const QString& asset, const QString& number,
                        const QString& date)
{
    const TAssetRefusal refusal = dg->AssetRefusal(query, asset, number, date);
    ShowRefusal(refusal.Message);
    return refusal.Column;
}

QString ValidateAccountChain(TD_Global* dg, DbGrid* grid, const QString& level,
                             const QString& grohTafsily, const QString& grohTafsily2,
                             const QString& grohProject, const QString& kollColumn,
                             const QString& moeinColumn, const QString& tafsilyColumn,
                             const QString& tafsily2Column, const QString& projectColumn)
{
    const ChainRefusal refusal = CheckAccountChain(
        *dg, dg->Query(), grid->dataSet(), level, grohTafsily, grohTafsily2, grohProject,
        kollColumn, moeinColumn, tafsilyColumn, tafsily2Column, projectColumn);
    if (refusal.isEmpty())
        return QString();
    ShowRefusal(refusal.message);
    if (refusal.openPickList)
        PickAccountForColumn(dg, grid, refusal.column, refusal.lists.level,
                             refusal.lists.grohTafsily, refusal.lists.grohTafsily2,
                             refusal.lists.grohProject);
    return refusal.column;
}
