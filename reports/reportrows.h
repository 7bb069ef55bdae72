#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

class DataSet;
class DbConnection;
class DbGrid;
class QObject;
class QWidget;
class TVoucherForm;
struct TCompanySettings;

// What the read-only report windows over a procedure's answer share.

// A work table `name` (made anew) with `columns` ("Name TYPE", in order, after an IDX
// numbering them in the order given) holding `rows`.
void FillReportTable(DbConnection& connection, const QString& name, const QStringList& columns,
                     const QList<QVariantList>& rows);

// The stored voucher `number` of the kind whose table is `table`, opened in that
// kind's window of its own, as large as `like` (nullptr for a table of no kind).
TVoucherForm* OpenVoucherWindow(QWidget* like, const QString& table, const QString& number);

// An amount as the report grids show it: thousands grouped, no decimals when whole.
QString AmountText(double value);

// The code a clerk picks in the list of a range box over `column`: place (MakanCod),
// tax-return group (VezCod), asset condition (VazCod), asset (DaraCod), holder
// (PersonelCod), delivery source (MabadiCod), or else cost centre (Tafsily2); the list
// stands on `current`. Nothing when the list is left; a database failure throws.
std::optional<QString> PickRangeCode(DbConnection& connection, const TCompanySettings& settings,
                                     const QString& column, const QString& current);

// The real-number amounts of `ds` shown with their thousands grouped.
void GroupAmounts(DataSet& ds);
// A read-only report grid "dbg" + `name` on `parent` over a data set "qu" + `name` of
// `owner`'s on `connection` (made into `data`): no row deleted, amounts grouped.
DbGrid* ReadOnlyReportGrid(QWidget* parent, QObject* owner, DbConnection* connection,
                           const QString& name, DataSet*& data);
