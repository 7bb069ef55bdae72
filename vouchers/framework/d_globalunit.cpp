#include "d_globalunit.h"

#include "voucherkinds.h"

#include "commandquery.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dialect.h"
#include "globalunit.h"
#include "sqlquote.h"
#include "voucherstore.h"

#include <QStringList>

#include <algorithm>

namespace {

// The first column of the current row as text.
QString FirstColumn(const DataSet& query)
{
    if (!query.active() || query.isEmpty() || query.fieldCount() == 0)
        return QString();
    return query.field(0)->asString();
}

// A code or number in its stored form: without the blanks the caller gave it,
// right-aligned with blanks to the column's width. A value wider than the column
// is kept whole: no stored value equals it.
QString StoredForm(const QString& value, int width)
{
    const QString bare = value.trimmed();
    return width > 0 ? bare.rightJustified(width, QLatin1Char(' ')) : bare;
}

// The values a look-up takes for a code or number in its stored form: that form,
// and the bare text another program may have written (the windows and procedures
// write the stored form only). Both are found by the column's index.
QVariantList BothForms(const QString& stored)
{
    return {stored, stored.trimmed()};
}

// The lowest and highest voucher numbers of a table, as numbers, and whether it
// holds any. Numbers are stored right-aligned with blanks to one width, and in that
// form the text order is the number order: the first and last key below "0" (a
// number with blanks in front) are one step of the key's index each. A number stored
// without blanks in front (not padded, or as wide as the column) sorts from "0" on;
// those few are read as numbers.
struct NumberRange
{
    qint64 Lowest = 0;
    qint64 Highest = 0;
    bool Any = false;
};

QString NumberRangeSql(const QString& table)
{
    // MIN and MAX of the bare column, each in a SELECT of its own, are answered from
    // the key's index on both engines; the number is made of the text found.
    const QString t = SqlIdent(table);
    const QString padded = QStringLiteral("(SanadNoAmval) AS INTEGER) FROM ") + t +
                           QStringLiteral(" WHERE SanadNoAmval < '0')");
    const QString other = QStringLiteral("(CAST(SanadNoAmval AS INTEGER)) FROM ") + t +
                          QStringLiteral(" WHERE SanadNoAmval >= '0')");
    return QStringLiteral("SELECT (SELECT CAST(MIN") + padded +
           QStringLiteral(" AS PaddedMin, (SELECT CAST(MAX") + padded +
           QStringLiteral(" AS PaddedMax, (SELECT MIN") + other +
           QStringLiteral(" AS OtherMin, (SELECT MAX") + other + QStringLiteral(" AS OtherMax");
}

NumberRange ReadNumberRange(const DataSet& q)
{
    NumberRange range;
    const auto take = [&](const char* low, const char* high) {
        const DataField* lowest = q.findField(QLatin1String(low));
        const DataField* highest = q.findField(QLatin1String(high));
        if (lowest == nullptr || highest == nullptr || lowest->isNull() || highest->isNull())
            return;
        const qint64 a = lowest->asString().toLongLong();
        const qint64 b = highest->asString().toLongLong();
        range.Lowest = range.Any ? std::min(range.Lowest, a) : a;
        range.Highest = range.Any ? std::max(range.Highest, b) : b;
        range.Any = true;
    };
    if (!q.isEmpty()) {
        take("PaddedMin", "PaddedMax");
        take("OtherMin", "OtherMax");
    }
    return range;
}

// A Jalali date text's year, month and day parts (characters 1-4, 6-7, 9-10).
} // namespace

const std::array<QString, 9>& TD_Global::BoundTables()
{
    static const std::array<QString, 9> tables{
        QStringLiteral("D_AsaseChange"),    QStringLiteral("D_FirstTadil"),
        QStringLiteral("D_Buy_Create"),     QStringLiteral("D_ForoshDaymeh"),
        QStringLiteral("D_DaraeReduce"),    QStringLiteral("D_KenarM"),
        QStringLiteral("D_KenarD"),         QStringLiteral("D_Tahvil_Antegal"),
        QStringLiteral("D_SoulationChange")};
    return tables;
}

TD_Global::TD_Global(TGlobal* global, TMyDatabase* database)
    : m_global(global), m_database(database),
      m_query(std::make_unique<CommandQuery>(database != nullptr ? database->Connection : nullptr))
{
    CommandQuery& q = *m_query;

    // Company settings of the current fiscal period.
    static_cast<TCompanySettings&>(*this) =
        ReadCompanySettings(q, m_global->CompanyCode + m_global->FiscalYear);

    // Depreciation vouchers (opening and periodic) issued so far.
    q.close();
    q.open(QStringLiteral("SELECT COALESCE(MAX(SanadDate), '1300/00/00') AS SanadDate FROM Asnad "
                          "WHERE TypeSys='D' AND WhatDoc IN ('98', '99')"));
    LastDepreciationDate = q.currentText(QStringLiteral("SanadDate"));

    // Each bound its own MIN or MAX of one indexed column, which both engines answer
    // from the index (MIN and MAX of one table in one aggregate would read the whole
    // table); all of them in one statement, one round trip on a server.
    QStringList bounds;
    for (size_t i = 0; i < BoundTables().size(); ++i) {
        const QString from =
            QStringLiteral(" FROM ") + SqlIdent(BoundTables()[i]) + QStringLiteral(") AS ");
        const QString n = QString::number(i);
        bounds << QStringLiteral("(SELECT MIN(sDate)") + from + QStringLiteral("MinSanadDate") + n
               << QStringLiteral("(SELECT MAX(sDate)") + from + QStringLiteral("MaxSanadDate") + n
               << QStringLiteral("(SELECT MIN(SanadNoAmval)") + from +
                      QStringLiteral("MinSanadNo") + n
               << QStringLiteral("(SELECT MAX(SanadNoAmval)") + from +
                      QStringLiteral("MaxSanadNo") + n;
    }
    q.close();
    q.open(QStringLiteral("SELECT ") + bounds.join(QStringLiteral(", ")));
    for (size_t i = 0; i < BoundTables().size(); ++i) {
        const QString n = QString::number(i);
        TTableBounds& bound = TableBounds[i];
        const DataField* minNo =
            q.isEmpty() ? nullptr : q.findField(QStringLiteral("MinSanadNo") + n);
        if (minNo == nullptr || minNo->isNull()) {
            bound.MinDate = m_global->FiscalYear + QStringLiteral("/01/01");
            bound.MaxDate = m_global->Today;
            bound.MinNo = QStringLiteral("1");
            bound.MaxNo = QStringLiteral("1");
        } else {
            bound.MinDate = q.currentText(QStringLiteral("MinSanadDate") + n);
            bound.MaxDate = q.currentText(QStringLiteral("MaxSanadDate") + n);
            bound.MinNo = q.currentText(QStringLiteral("MinSanadNo") + n);
            bound.MaxNo = q.currentText(QStringLiteral("MaxSanadNo") + n);
        }
    }
    q.close();
}

TD_Global::~TD_Global() = default;

DataSet& TD_Global::queryFor(DataSet* query) const
{
    DataSet& q = query != nullptr ? *query : *m_query;
    if (q.connection() == nullptr && m_database != nullptr)
        q.setConnection(m_database->Connection);
    return q;
}

void TD_Global::openOn(DataSet& query, const QString& sql, const QVariantList& values) const
{
    query.close();
    query.open(sql, values);
}

int TD_Global::columnWidth(const QString& table, const QString& column) const
{
    const QString key = table.toLower() + QLatin1Char('.') + column.toLower();
    const auto it = m_widths.constFind(key);
    if (it != m_widths.cend())
        return it.value();
    const DbConnection* connection = m_query->connection();
    const int width = connection != nullptr ? connection->dialect().columnWidth(table, column) : -1;
    m_widths.insert(key, width);
    return width;
}

QString TD_Global::storedNumber(const QString& table, const QString& number) const
{
    return StoredForm(number, columnWidth(table, QStringLiteral("SanadNoAmval")));
}

QString TD_Global::NextVoucherNumber(const QString& table)
{
    openOn(*m_query, NumberRangeSql(table));
    const NumberRange range = ReadNumberRange(*m_query);
    m_query->close();
    return QString::number(range.Highest + 1);
}

TNumberBounds TD_Global::NumberBounds(const QString& table, const QString& number)
{
    TNumberBounds bounds;
    CommandQuery& q = *m_query;
    openOn(q, NumberRangeSql(table));
    const NumberRange range = ReadNumberRange(q);
    bounds.LastNo = QString::number(range.Highest);
    bounds.FirstNo = QString::number(range.Lowest);

    // The voucher's own date; the number is brought to its stored form, so that one
    // typed with any blanks finds it by the key.
    QString date;
    openOn(q,
           QStringLiteral("SELECT sDate FROM ") + SqlIdent(table) +
               QStringLiteral(" WHERE SanadNoAmval IN (?, ?) LIMIT 1"),
           BothForms(storedNumber(table, number)));
    if (!q.isEmpty()) {
        date = q.currentText(QStringLiteral("sDate"));
    } else {
        openOn(q, QStringLiteral("SELECT sDate, SanadNoAmval FROM ") + SqlIdent(table) +
                      QStringLiteral(" WHERE SanadNoAmval = (SELECT MAX(SanadNoAmval) FROM ") +
                      SqlIdent(table) + QStringLiteral(") LIMIT 1"));
        if (!q.isEmpty()) {
            date = q.currentText(QStringLiteral("sDate"));
        } else {
            // Nothing stored yet: today, kept inside the fiscal period.
            date = m_global->Today;
            if (date < m_global->StartDate)
                date = m_global->StartDate;
            else if (date > m_global->EndDate)
                date = m_global->EndDate;
        }
    }
    q.close();
    bounds.Date = date;
    return bounds;
}

QString UserRights(DataSet& query, int userId, const QString& prefix, bool* found)
{
    if (found)
        *found = false;
    // One rights column per user, named by the user id. A user the rights table has
    // no column for has no rights; any other failure is the caller's.
    const QString column = QString::number(userId);
    if (query.connection() == nullptr)
        return QString();
    query.close();
    try {
        query.open(QStringLiteral("SELECT StrId, ") + SqlIdent(column) +
                       QStringLiteral(" AS UserId FROM UserSdcDetail WHERE StrId LIKE ? "
                                      "ORDER BY StrId, Parent"),
                   {prefix + QLatin1Char('%')});
    } catch (const DatabaseError& e) {
        if (e.kind() == DatabaseError::Kind::MissingObject)
            return QString();
        throw;
    }
    QString text;
    for (int row = 0; row < query.recordCount(); ++row)
        text += query.value(row, 0).toString() + QLatin1Char('(') + query.value(row, 1).toString() +
                QStringLiteral("),");
    if (found)
        *found = query.recordCount() > 0;
    query.close();

    QString rights;
    if (text.contains(QStringLiteral("_SABT(Y)")))
        rights += QStringLiteral("N_");
    if (text.contains(QStringLiteral("_EDIT(Y)")))
        rights += QStringLiteral("E_");
    if (text.contains(QStringLiteral("_DEL(Y)")))
        rights += QStringLiteral("D_");
    if (text.contains(QStringLiteral("_VIEW(Y)")))
        rights += QStringLiteral("V_");
    return rights;
}

QString OrderRights(DataSet& query, int userId)
{
    bool found = false;
    const QString rights = UserRights(query, userId, kOrderRightsPrefix, &found);
    if (found)
        return rights;
    // A database made before the orders had rights rows of their own: whoever may
    // register vouchers of any kind issues orders as before; a user who may only
    // view the vouchers may not.
    return UserRights(query, userId, QStringLiteral("D_A_"));
}

QString TD_Global::VoucherRights(const QString& prefix)
{
    return UserRights(*m_query, m_global->UserID, prefix);
}

QString TD_Global::AccountingVoucherNo(DataSet* query, const QString& code, const QString& number)
{
    DataSet& q = queryFor(query);
    // The accounting side writes Document in a padding of its own: it is compared
    // without blanks, through the index on trim(Document).
    openOn(q,
           QStringLiteral("SELECT SanadNo FROM Asnad WHERE TypeSys='D' AND WhatDoc=? AND "
                          "trim(Document)=? AND LTRIM(DocToDate)='1' "),
           {code, number.trimmed()});
    return q.currentText(QStringLiteral("SanadNo"));
}

void TD_Global::UpdateDayBook(const QString& number, const QString& date, const QString& code)
{
    m_query->close();
    m_query->setSql(QStringLiteral("UPDATE D_Roz SET SanadNoAmval = ?, SanadDate = ? "
                                   "WHERE WhatDoc = ? AND Operator = 'ض' "),
                    {number, date, code});
    m_query->execute();
}

TDayBookMark TD_Global::PostedDayBook(const QString& code)
{
    CommandQuery& q = *m_query;
    openOn(q, QStringLiteral("SELECT * FROM D_Roz WHERE UserId = ? AND WhatDoc = ? "),
           {QString::number(m_global->UserID), code});
    TDayBookMark mark;
    if (!q.isEmpty())
        mark = {true, q.currentText(QStringLiteral("SanadNoAmval")),
                q.currentText(QStringLiteral("SanadDate"))};
    q.close();
    return mark;
}

QString TD_Global::DayBookRefusal(DataSet* gridQuery, const QString& number, const QString& date,
                                  const QString& code)
{
    QString dated = date;
    if (gridQuery != nullptr && gridQuery->active() && !gridQuery->isEmpty())
        dated = gridQuery->currentText(QStringLiteral("sDate"));
    return DayBookCoverage(PostedDayBook(code), number, dated);
}

TAssetRefusal TD_Global::AssetRefusal(DataSet* query, const QString& asset, const QString& number,
                                      const QString& date)
{
    QString d = FirstSaleDate(query, asset, number, date);
    if (!d.isEmpty())
        return {QStringLiteral("دارايي در تاريخ ") + d + QStringLiteral(" به فروش رسيده شده است"),
                QStringLiteral("DaraCod")};
    d = FirstRetirementDate(query, asset, number, date);
    if (!d.isEmpty())
        return {QStringLiteral("دارايي در تاريخ ") + d + QStringLiteral(" کنارگذاري دايمي شده است"),
                QStringLiteral("DaraCod")};
    return {};
}

// The code and the number are brought to their stored form (right-aligned with
// blanks), so that a code typed or passed with another padding still names the same
// asset and voucher, and the asset's rows are found by its index.
QString TD_Global::firstStateDate(DataSet* query, const QString& table, const QString& asset,
                                  const QString& number, const QString& date)
{
    DataSet& q = queryFor(query);
    openOn(q,
           QStringLiteral("SELECT MIN(sDate) AS sDate FROM ") + SqlIdent(table) +
               QStringLiteral(" WHERE DaraCod IN (?, ?) AND SanadNoAmval NOT IN (?, ?) AND "
                              "sDate<=?"),
           BothForms(StoredForm(asset, columnWidth(table, QStringLiteral("DaraCod")))) +
               BothForms(storedNumber(table, number)) + QVariantList{date});
    return q.currentText(QStringLiteral("sDate"));
}

QString TD_Global::FirstSaleDate(DataSet* query, const QString& asset, const QString& number,
                                 const QString& date)
{
    return firstStateDate(query, QStringLiteral("D_ForoshDaymeh"), asset, number, date);
}

// A permanent retirement stands until a return from it: the retirements that count
// are those after the asset's last return up to the date (a return on the day of a
// retirement follows it).
QString TD_Global::FirstRetirementDate(DataSet* query, const QString& asset, const QString& number,
                                       const QString& date)
{
    const QString retirements = QStringLiteral("D_KenarD");
    const QString returns = QStringLiteral("D_BarKenarD");
    DataSet& q = queryFor(query);
    openOn(q,
           QStringLiteral("SELECT MIN(K.sDate) AS sDate FROM ") + SqlIdent(retirements) +
               QStringLiteral(" AS K WHERE K.DaraCod IN (?, ?) AND K.SanadNoAmval NOT IN (?, ?) "
                              "AND K.sDate <= ? AND K.sDate > COALESCE((SELECT MAX(B.sDate) "
                              "FROM ") +
               SqlIdent(returns) +
               QStringLiteral(" AS B WHERE B.DaraCod IN (?, ?) AND B.sDate <= ?), '')"),
           BothForms(StoredForm(asset, columnWidth(retirements, QStringLiteral("DaraCod")))) +
               BothForms(storedNumber(retirements, number)) + QVariantList{date} +
               BothForms(StoredForm(asset, columnWidth(returns, QStringLiteral("DaraCod")))) +
               QVariantList{date});
    return q.currentText(QStringLiteral("sDate"));
}

// Each row's code is looked up by the index of each table, in the rows' form and
// without blanks. A table whose codes are of another width than the rows' cannot be
// looked up so: then every asset of the rows is named.
QSet<QString> TD_Global::AssetsSoldOrRetired(DataSet* query, const QString& table, int codeWidth,
                                             const QString& date)
{
    const QStringList states{QStringLiteral("D_ForoshDaymeh"), QStringLiteral("D_KenarD")};
    const bool sameWidth = std::all_of(states.cbegin(), states.cend(), [&](const QString& state) {
        return columnWidth(state, QStringLiteral("DaraCod")) == codeWidth;
    });
    QString sql = QStringLiteral("SELECT DISTINCT TRIM(T.DaraCod) AS DaraCod FROM ") +
                  SqlIdent(table) + QStringLiteral(" AS T");
    QVariantList values;
    if (sameWidth) {
        QStringList tests;
        for (const QString& state : states) {
            tests << QStringLiteral("EXISTS (SELECT 1 FROM ") + SqlIdent(state) +
                         QStringLiteral(" AS S WHERE S.DaraCod IN (T.DaraCod, TRIM(T.DaraCod)) "
                                        "AND S.sDate <= ?)");
            values << date;
        }
        sql += QStringLiteral(" WHERE ") + tests.join(QStringLiteral(" OR "));
    }
    DataSet& q = queryFor(query);
    openOn(q, sql, values);
    QSet<QString> codes;
    for (q.first(); !q.eof(); q.next())
        codes.insert(q.currentText(QStringLiteral("DaraCod")));
    q.close();
    return codes;
}

QString TD_Global::FindFormNumber(DataSet* query, const QString& table, const QString& number,
                                  const QString& formNumber, int numberWidth, int formWidth)
{
    Q_UNUSED(formWidth);
    // The form number is stored as typed: it is compared without blanks, through the
    // index on trim(Bargeh), so that it is found whether it was stored right-filled,
    // left-filled or bare. The voucher's own number in its stored form.
    DataSet& q = queryFor(query);
    openOn(q,
           QStringLiteral("SELECT SanadNoAmval FROM ") + SqlIdent(table) +
               QStringLiteral(" WHERE trim(Bargeh) = ? AND SanadNoAmval NOT IN (?, ?)"),
           QVariantList{formNumber.trimmed()} + BothForms(StoredForm(number, numberWidth)));
    return FirstColumn(q);
}

QString TD_Global::IssueInstantVoucher(const VoucherKind& kind, const QString& transTable,
                                       const QString& number, const QString& date)
{
    const QString& code = kind.whatDoc;
    QString notice;
    if (SANAD_TIME.trimmed() == QStringLiteral("ANE")) {
        if (!kind.assetCardsFirst.isEmpty()) {
            // Sales and permanent retirements need the asset cards first: the user
            // is told which assets to look at and where to issue the voucher.
            // Each asset once, in the order of the voucher's rows.
            openOn(*m_query, QStringLiteral("SELECT DaraCod FROM ") + SqlIdent(transTable) +
                                 QStringLiteral(" ORDER BY Raj"));
            QStringList assets;
            for (int row = 0; row < m_query->recordCount(); ++row) {
                const QString asset = m_query->value(row, 0).toString().trimmed();
                if (!assets.contains(asset))
                    assets << asset;
            }
            m_query->close();

            const QChar lineBreak = QLatin1Char('\n');
            notice =
                QStringLiteral("سند حسابداري لحظه ايي براي ") + kind.assetCardsFirst +
                QStringLiteral("نميتواند صادر شود. ") + lineBreak +
                QStringLiteral("براي اين منظور ابتدا گزارش كارت دارايي را براي داراييهاي ") +
                lineBreak + assets.join(QStringLiteral(", ")) + lineBreak +
                QStringLiteral("ببينيد و بعد از طريق گزينه <صدور سند حسابداري> كه در قسمت ساير "
                               "عمليات قرار دارد, سند حسابداري را صادر كنيد.");
        } else {
            DbConnection& connection = *m_database->Connection;
            ProceduresOf(connection, QStringLiteral("sp_D_Asnad_SodorSanad_FromFactor"))
                .issueAccountingVoucher(connection, {code, transTable, number, date,
                                                     m_global->CompanyCode, m_global->UserName});
        }
    }
    UpdateDayBook(number, date, code);
    return notice;
}

TRowPosition TD_Global::RowPosition(const DataSet* gridQuery)
{
    const int count = gridQuery != nullptr && gridQuery->active() ? gridQuery->recordCount() : 0;
    TRowPosition position;
    if (gridQuery != nullptr && gridQuery->state() == DataSet::State::Insert)
        position.Current = QString::number(count);
    else if (count == 0)
        position.Current = QStringLiteral("0");
    else
        position.Current = QString::number(gridQuery->recNo());
    position.Count = QString::number(count);
    return position;
}
