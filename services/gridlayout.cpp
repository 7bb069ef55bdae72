#include "gridlayout.h"

#include "commandquery.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "hostcontext.h"
#include "messages.h"

namespace {

const QString kSavedText = QStringLiteral("وضعيت ستونها ثبت شد.");
const QString kResetText = QStringLiteral("ستونها به وضعيت اوليه بازگشت. \nلطفا براي مشاهده "
                                          "ستونهاي اوليه\nاز فرم خارج شده و دوباره وارد شويد.");
const QString kErrorCode = QStringLiteral("1ER");

QString CurrentUserId()
{
    return QString::number(Global->UserID);
}

bool DataSetOpen(DbGrid* grid)
{
    return grid != nullptr && grid->dataSet() != nullptr && grid->dataSet()->active();
}

// Runs a statement with its bound values on the host's command query; false when
// there is no connection.
bool ExecBound(const QString& sql, const QVariantList& values)
{
    if (MyDatabase == nullptr || MyDatabase->Command == nullptr ||
        !MyDatabase->Command->hasConnection())
        return false;
    CommandQuery* command = MyDatabase->Command;
    command->close();
    command->setSql(sql, values);
    command->execute();
    return true;
}

// Removes the user's layout of one window; saving runs it first.
bool DeleteLayout(const QString& sProg, const QString& sItem, const QString& sForm,
                  const QString& sPart)
{
    return ExecBound(QStringLiteral("Delete From Grid_State Where UserId=? And sProg = ? And "
                                    "sItem = ? And sForm =? And sPart=?"),
                     {CurrentUserId(), sProg, sItem, sForm, sPart});
}

int IndexOfField(const QList<DbGridColumn>& columns, const QString& fieldName)
{
    const QString wanted = fieldName.toUpper();
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).fieldName.toUpper() == wanted)
            return i;
    }
    return -1;
}

} // namespace

bool SaveGridLayout(DbGrid* grid, const QString& sProg, const QString& sItem, const QString& sForm,
                    const QString& sPart)
{
    if (!DataSetOpen(grid) || Global == nullptr || MyDatabase == nullptr ||
        MyDatabase->Connection == nullptr)
        return false;
    const QString id = CurrentUserId();
    const QList<DbGridColumn>& columns = grid->columns();
    {
        // The old layout goes only when the whole new one is stored.
        Transaction transaction(*MyDatabase->Connection);
        if (!DeleteLayout(sProg, sItem, sForm, sPart))
            return false;
        for (int i = 0; i < columns.size(); ++i) {
            const DbGridColumn& column = columns.at(i);
            ExecBound(QStringLiteral("Insert Into Grid_State(UserId, sVisible, sProg, sItem, "
                                     "sForm, sPart, sColName, iLen, iRaj) "
                                     "Values(?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                      {id, column.visible ? QStringLiteral("T") : QStringLiteral("F"), sProg, sItem,
                       sForm, sPart, column.fieldName, column.width, i});
        }
        transaction.commit();
    }
    ShowMessageDlg(kSavedText, QString(), kErrorCode);
    return true;
}

bool SaveGridLayout(DbGrid* grid, const GridLayoutKey& key)
{
    return SaveGridLayout(grid, QString::fromUtf8(key.sProg), QString::fromUtf8(key.sItem),
                          QString::fromUtf8(key.sForm), QString::fromUtf8(key.sPart));
}

bool ResetGridLayout(DbGrid* grid, const QString& sProg, const QString& sItem, const QString& sForm,
                     const QString& sPart)
{
    if (!DataSetOpen(grid) || Global == nullptr)
        return false;
    if (!DeleteLayout(sProg, sItem, sForm, sPart))
        return false;
    ShowMessageDlg(kResetText, QString(), kErrorCode);
    return true;
}

bool ResetGridLayout(DbGrid* grid, const GridLayoutKey& key)
{
    return ResetGridLayout(grid, QString::fromUtf8(key.sProg), QString::fromUtf8(key.sItem),
                           QString::fromUtf8(key.sForm), QString::fromUtf8(key.sPart));
}

bool LoadGridLayout(DataSet* query, DbGrid* grid, const QString& sProg, const QString& sItem,
                    const QString& sForm, const QString& sPart)
{
    if (query == nullptr || grid == nullptr || Global == nullptr)
        return false;
    query->close();
    query->open(QStringLiteral("Select * From Grid_State Where UserId=? And sProg = ? And "
                               "sItem = ? And sForm = ? And sPart=? Order By iRaj "),
                {CurrentUserId(), sProg, sItem, sForm, sPart});
    if (query->isEmpty())
        return false;

    const int nameField = query->fieldByName(QStringLiteral("sColName"))->index();
    const int visibleField = query->fieldByName(QStringLiteral("sVisible"))->index();
    const int widthField = query->fieldByName(QStringLiteral("iLen"))->index();

    // The stored rows are applied to a copy of the columns, which the grid takes
    // whole at the end; the hidden columns' widths are the designed ones.
    QList<DbGridColumn> columns = grid->columns();
    int missing = 0;
    for (int k = 0; k < query->recordCount(); ++k) {
        try {
            const int from = IndexOfField(columns, query->value(k, nameField).toString());
            if (from < 0) {
                ++missing;
                continue;
            }
            const int to = k - missing;
            // A layout listing a column twice may point past the last column.
            if (to < 0 || to >= columns.size())
                continue;
            columns.move(from, to);
            DbGridColumn& column = columns[to];
            if (query->value(k, visibleField).toString().trimmed() == QLatin1String("T")) {
                bool ok = false;
                const int width = query->value(k, widthField).toInt(&ok);
                column.visible = true;
                if (ok)
                    column.width = width;
            } else {
                column.visible = false;
            }
        } catch (...) {
            // One bad stored row does not keep the others from being applied.
        }
    }

    DataField* selected = grid->selectedField();
    const QString selectedName = selected ? selected->fieldName() : QString();
    grid->setColumns(columns);
    // Hiding a column collapses its section; the column keeps the width it will
    // show with when it is made visible again.
    for (int i = 0; i < columns.size(); ++i)
        grid->column(i).width = columns.at(i).width;
    if (!selectedName.isEmpty() && grid->columnOf(selectedName) >= 0)
        grid->setSelectedIndex(grid->columnOf(selectedName));
    return true;
}

bool LoadGridLayout(DataSet* query, DbGrid* grid, const GridLayoutKey& key)
{
    return LoadGridLayout(query, grid, QString::fromUtf8(key.sProg), QString::fromUtf8(key.sItem),
                          QString::fromUtf8(key.sForm), QString::fromUtf8(key.sPart));
}

int FindGridColumn(DbGrid* grid, const QString& fieldName)
{
    if (grid == nullptr)
        return -1;
    return IndexOfField(grid->columns(), fieldName);
}
