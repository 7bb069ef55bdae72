#include "excelimportstore.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace ExcelImportStore {

namespace {

const QString kCountTable = QStringLiteral("D_Gardani");
const QString kCodeField = QStringLiteral("DaraCod");

QString ColumnList()
{
    return ImportColumns().join(QStringLiteral(", "));
}

} // namespace

QStringList ImportColumns()
{
    return {
        QStringLiteral("SanadNoAmval"), QStringLiteral("SDate"),    kCodeField,
        QStringLiteral("PersonelCod"),  QStringLiteral("MakanCod"), QStringLiteral("User_Name")};
}

void CreateImportTable(DbConnection& db, const QString& name)
{
    const Dialect& dialect = db.dialect();
    QStringList columns;
    for (const QString& column : ImportColumns()) {
        const int width = dialect.columnWidth(kCountTable, column);
        const QString w = QString::number(width > 0 ? width : 50);
        columns << column + QStringLiteral(" Varchar(") + w + QStringLiteral(") CHECK (length(") +
                       column + QStringLiteral(") <= ") + w + QStringLiteral(")");
    }
    dialect.dropTempTable(name);
    db.execute(dialect.createTempTable(name) + QStringLiteral(" (") +
               columns.join(QStringLiteral(", ")) + QStringLiteral(")"));
}

ImportOutcome ImportCodes(DbConnection& db, const QString& importTable, const QString& target,
                          const QStringList& codes, const VoucherValues& values, bool replace,
                          const ImportProgress& progress)
{
    const QString import = SqlIdent(importTable);
    Transaction transaction(db);
    db.execute(QStringLiteral("Delete From ") + import);
    // Many rows a statement (one round trip to a server for each, not for each row);
    // every full statement is the same text, prepared once by the connection. Six
    // values a row keep a statement's values well within both engines' limits.
    constexpr qsizetype kRowsAStatement = 500;
    const QVariant number = SqlText(values.number);
    const QVariant date = SqlText(values.date);
    const QVariant person = SqlText(values.person);
    const QVariant place = SqlText(values.place);
    const QVariant user = SqlText(values.user);
    const QString into = QStringLiteral("Insert Into ") + import + QStringLiteral(" (") +
                         ColumnList() + QStringLiteral(") Values ");
    int written = 0;
    for (qsizetype at = 0; at < codes.size(); at += kRowsAStatement) {
        const qsizetype rows = std::min(kRowsAStatement, codes.size() - at);
        QVariantList bound;
        bound.reserve(rows * 6);
        for (qsizetype i = at; i < at + rows; ++i)
            bound << number << date << SqlText(codes.at(i)) << person << place << user;
        db.execute(
            into +
                QStringList(rows, QStringLiteral("(?, ?, ?, ?, ?, ?)")).join(QStringLiteral(", ")),
            bound);
        const int before = written;
        written += int(rows);
        if (progress && written / kImportProgressStep != before / kImportProgressStep &&
            !progress(written))
            return ImportOutcome::Cancelled;
    }
    if (progress && !progress(written))
        return ImportOutcome::Cancelled;
    if (replace)
        db.execute(QStringLiteral("Delete From ") + SqlIdent(target));
    db.execute(QStringLiteral("Insert Into ") + SqlIdent(target) + QStringLiteral(" (") +
               ColumnList() + QStringLiteral(") Select ") + ColumnList() +
               QStringLiteral(" From ") + import);
    db.execute(QStringLiteral("Delete From ") + import);
    transaction.commit();
    return ImportOutcome::Done;
}

QStringList CodesIn(DbConnection& db, const QString& table)
{
    QStringList codes;
    QSqlQuery q = db.select(QStringLiteral("Select DaraCod From ") + SqlIdent(table));
    while (q.next())
        codes << q.value(0).toString();
    return codes;
}

QList<SavedForm> Forms(DbConnection& db)
{
    QList<SavedForm> forms;
    QSqlQuery q = db.select(QStringLiteral("Select FormNo, FormName, FormType From "
                                           "DataCollectionDesign Where trim(FormId) = ? "
                                           "Order By FormNo"),
                            {kProgramKey});
    while (q.next())
        forms << SavedForm{q.value(0).toInt(), q.value(1).toString().trimmed(),
                           q.value(2).toInt() == 0};
    return forms;
}

QList<FormSlot> FormSlots(DbConnection& db, int formNumber)
{
    QList<FormSlot> formSlots;
    QSqlQuery q = db.select(QStringLiteral("Select Raj, DBFieldName, FieldCaption, FileFieldName "
                                           "From DataCollectionDesignDetail Where FormNo = ? And "
                                           "FormID = ? Order By Raj"),
                            {formNumber, kProgramKey});
    while (q.next())
        formSlots << FormSlot{q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(),
                              q.value(3).toString()};
    return formSlots;
}

int FindForm(DbConnection& db, const QString& name)
{
    QSqlQuery q = db.select(QStringLiteral("Select FormNo From DataCollectionDesign Where "
                                           "trim(FormName) = ? And FormId = ?"),
                            {name.trimmed(), kProgramKey});
    return q.next() ? q.value(0).toInt() : 0;
}

int SaveForm(DbConnection& db, const QString& name, const QList<FormSlot>& formSlots)
{
    Transaction transaction(db);
    int number = 0;
    int type = 1;
    QSqlQuery found = db.select(QStringLiteral("Select FormNo, FormType From DataCollectionDesign "
                                               "Where trim(FormName) = ? And FormId = ?"),
                                {name.trimmed(), kProgramKey});
    if (found.next()) {
        number = found.value(0).toInt();
        type = found.value(1).toInt();
        found.finish();
        db.execute(
            QStringLiteral("Delete From DataCollectionDesign Where FormNo = ? And FormId = ?"),
            {number, kProgramKey});
        db.execute(QStringLiteral(
                       "Delete From DataCollectionDesignDetail Where FormNo = ? And FormID = ?"),
                   {number, kProgramKey});
    } else {
        found.finish();
        QSqlQuery next = db.select(QStringLiteral("Select COALESCE(Max(FormNo), 0) + 1 From "
                                                  "DataCollectionDesign Where FormId = ?"),
                                   {kProgramKey});
        number = next.next() ? next.value(0).toInt() : 1;
    }
    db.execute(QStringLiteral("Insert Into DataCollectionDesign (FormNo, FormName, FormId, "
                              "FormType) Values (?, ?, ?, ?)"),
               {number, name.trimmed(), kProgramKey, type});
    for (const FormSlot& s : formSlots)
        db.execute(QStringLiteral("Insert Into DataCollectionDesignDetail (FormID, FormNo, Raj, "
                                  "Type, DBFieldName, FileFieldName, FieldCaption, FSize, Fstart) "
                                  "Values (?, ?, ?, ?, ?, ?, ?, 0, 0)"),
                   {kProgramKey, number, s.slot, 0, s.field, s.column, s.caption});
    transaction.commit();
    return number;
}

void SetDefaultForm(DbConnection& db, int number)
{
    Transaction transaction(db);
    db.execute(QStringLiteral("Update DataCollectionDesign Set FormType = Case When FormNo = ? "
                              "Then 0 Else 1 End Where trim(FormId) = ?"),
               {number, kProgramKey});
    transaction.commit();
}

} // namespace ExcelImportStore
