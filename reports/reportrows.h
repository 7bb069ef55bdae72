#pragma once

#include "voucherkinds.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <memory>
#include <optional>

class DataSet;
class DbConnection;
class DbGrid;
class QLabel;
class QLineEdit;
class QWidget;
class SessionWatch;
class TAmvalForm;
class TVoucherForm;
struct TCompanySettings;

// What the read-only report windows over a procedure's answer share.

// A work table `name` (made anew) with `columns` ("Name TYPE", in order, after an IDX
// numbering them in the order given) holding `rows`.
void FillReportTable(DbConnection& connection, const QString& name, const QStringList& columns,
                     const QList<QVariantList>& rows);

// A report window's work table, which its grid and its menu (save, export) read. On the
// server it goes with the session that made it: when the connection opens another (the
// server restarted), it is made again holding what it held, before the next statement.
class ReportTable
{
public:
    ReportTable();
    ~ReportTable();
    ReportTable(const ReportTable&) = delete;
    ReportTable& operator=(const ReportTable&) = delete;

    // Named `name` on `connection`; nothing made yet.
    void start(DbConnection& connection, const QString& name);
    const QString& name() const { return m_name; }
    bool isEmpty() const { return m_name.isEmpty(); }
    // Made anew holding `rows` (FillReportTable).
    void fill(const QStringList& columns, const QList<QVariantList>& rows);
    // Made by another from the kept report `saved` (a copy of its rows).
    void madeFrom(const QString& saved);
    // Made by the owner's `make`, which is run again to make it again (the table
    // dropped first).
    void madeBy(std::function<void()> make);
    // Holding nothing to make again.
    void clear();

private:
    void remake();

    DbConnection* m_connection = nullptr;
    QString m_name;
    // Makes the table again as it was last made; empty while it holds nothing.
    std::function<void()> m_make;
    std::unique_ptr<SessionWatch> m_watch;
};

// The stored voucher `number` of the kind whose table is `table`, opened in that
// kind's window (nullptr for a table of no kind), standing in for `like` until it
// closes (TAmvalForm::CoverWith).
// A new, hidden voucher window of `kind`.
TVoucherForm* NewVoucherWindow(VoucherKindId kind);
TVoucherForm* OpenVoucherWindow(TAmvalForm* like, const QString& table, const QString& number);

// An amount as the report grids show it: thousands grouped, no decimals when whole.
QString AmountText(double value);

// The code a clerk picks in the list of a range box over `column`: place (MakanCod),
// tax-return group (VezCod), asset condition (VazCod), asset (DaraCod), holder
// (PersonelCod), delivery source (MabadiCod), or else cost centre (Tafsily2); the list
// stands on `current`. Nothing when the list is left; a database failure throws.
std::optional<QString> PickRangeCode(DbConnection& connection, const TCompanySettings& settings,
                                     const QString& column, const QString& current);

// The "from" and "to" boxes of a report window's code ranges. A key typed follows the
// company's rule for asset codes (DaraCod) or for the other codes; Enter on a typed
// code brings it to its stored form and confirms it in its list (PickRangeCode: left,
// the cursor stays), a double-click opens the list; Enter on an empty or confirmed box
// hands the box to `moveOn`. Without the company's settings no key is refused and
// Enter only moves on.
class RangeCodeBoxes : public QObject
{
public:
    struct Box
    {
        QLineEdit* edit = nullptr;
        QString column;
        bool asset = false;
        int width = 0;
    };
    RangeCodeBoxes(QObject* parent, DbConnection* connection,
                   std::function<void(QLineEdit*)> moveOn);

    // The range over `column`, its boxes in the order given.
    void add(QLineEdit* from, QLineEdit* to, const QString& column);
    void setSettings(const TCompanySettings* settings) { m_settings = settings; }
    // Each box as long as its column (the delivery sources' own, the register's for the
    // rest).
    void readWidths();
    // The box's code put in its stored form, an empty one emptied; the code as typed
    // (Latin digits, trimmed).
    static QString Widen(const Box& box);
    const QList<Box>& boxes() const { return m_boxes; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool confirm(const Box& box);

    DbConnection* m_connection;
    const TCompanySettings* m_settings = nullptr;
    std::function<void(QLineEdit*)> m_moveOn;
    QList<Box> m_boxes;
};

// Names a range's boxes for assistive tools after its label as it reads now ("از
// دارايي"): the label is the "from" box's buddy, the "to" box is named as the label
// read with "تا" ("تا دارايي"). Called again when the label's text changes.
void NameRange(QLabel* label, QWidget* from, QWidget* to);

// The real-number amounts of `ds` shown with their thousands grouped.
void GroupAmounts(DataSet& ds);
// A read-only report grid "dbg" + `name` on `parent` over a data set "qu" + `name` of
// `owner`'s on `connection` (made into `data`): no row deleted, amounts grouped.
DbGrid* ReadOnlyReportGrid(QWidget* parent, QObject* owner, DbConnection* connection,
                           const QString& name, DataSet*& data);
