#pragma once

#include "settings.h"
#include "voucheraccess.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QVariantList>
#include <array>
#include <memory>

class CommandQuery;
class DataSet;
struct TGlobal;
struct TMyDatabase;

// The smallest and largest voucher date and number of one voucher table, read when
// the services object is built.
struct TTableBounds
{
    QString Kind = QStringLiteral("SANADDATE");
    QString MinDate;
    QString MaxDate;
    QString MinNo;
    QString MaxNo;
    int Size = 12;
};

// The lowest and highest voucher number of a table, and the date a voucher window
// opens a voucher number on.
struct TNumberBounds
{
    QString FirstNo;
    QString LastNo;
    QString Date;
};

// Why an asset may not be used in a voucher row: the reason (sold, retired) and the
// column the cursor goes to. Both empty when the asset may be used.
struct TAssetRefusal
{
    QString Message;
    QString Column;
    bool isEmpty() const { return Column.isEmpty(); }
};

// The current row and the row count of a grid's query, as the window shows them.
struct TRowPosition
{
    QString Current;
    QString Count;
};

// The voucher services object: one per voucher window, built with it and freed with
// it. It holds the company's asset settings, the date of the last depreciation
// voucher, the group-code lengths of the chart, the number and date bounds of the
// voucher tables, and the services around voucher numbers, rights, the day-book,
// asset states and the instant accounting voucher. Settings and bounds are read
// once, at construction. Database errors are thrown (DatabaseError) to the window.
// It shows nothing: a refusal comes back as its text, and the window shows it.
// The settings are the company's (TCompanySettings), so that the chart services
// below the windows take this object as its settings.
struct VoucherKind;

// The rights letters ("N_E_D_V_" for all four, fewer for less) of user `userId` on
// the rights rows whose StrId starts with `prefix` (UserSdcDetail: one row per right,
// one column per user), read on `query`. `found`, when given, tells whether the
// table has any row of the prefix.
QString UserRights(DataSet& query, int userId, const QString& prefix, bool* found = nullptr);
// The user's rights on the receive/pay orders (kOrderRightsPrefix; "N" issues them).
// In a database made before the orders had rights rows, the user's rights on the
// module's vouchers as a whole: whoever may register vouchers of any kind.
QString OrderRights(DataSet& query, int userId);

class TD_Global : public TCompanySettings
{
public:
    // Builds the object on the host context: service query on the host connection,
    // settings from Options, last depreciation date, group-code lengths, bounds.
    TD_Global(TGlobal* global, TMyDatabase* database);
    ~TD_Global();
    TD_Global(const TD_Global&) = delete;
    TD_Global& operator=(const TD_Global&) = delete;

    // The service query: every statement of the services below runs on it (and the
    // chart-of-accounts look-ups of the row validation).
    CommandQuery* Query() const { return m_query.get(); }
    TGlobal* GlobalRecord() const { return m_global; }
    TMyDatabase* Database() const { return m_database; }

    // The nine voucher tables whose bounds are kept, in the order of TableBounds.
    static const std::array<QString, 9>& BoundTables();
    std::array<TTableBounds, 9> TableBounds;

    // Date of the newest depreciation accounting voucher ("1300/00/00" when none).
    QString LastDepreciationDate;

    // Highest number of the table + 1, as text without padding.
    QString NextVoucherNumber(const QString& table);
    // The table's lowest and highest numbers and the date of `number` (else of the
    // highest-numbered voucher, else today inside the fiscal period).
    TNumberBounds NumberBounds(const QString& table, const QString& number);
    // The current user's rights letters on a voucher kind ("N_E_D_V_" for all four).
    QString VoucherRights(const QString& prefix);
    // Number of the accounting voucher issued for this asset voucher, or "".
    QString AccountingVoucherNo(DataSet* query, const QString& code, const QString& number);
    // Moves the day-book of the kind to this voucher.
    void UpdateDayBook(const QString& number, const QString& date, const QString& code);
    // The kind's day-book as posted for the current user.
    TDayBookMark PostedDayBook(const QString& code);
    // "" when the day-book does not yet cover the voucher, else the message that
    // says how far it was posted. The date comes from the grid query's current row
    // when it holds rows.
    QString DayBookRefusal(DataSet* gridQuery, const QString& number, const QString& date,
                           const QString& code);

    // Asset state guard: empty when the asset may be used in voucher `number` dated
    // `date`; otherwise the reason (sold, then retired) and the column "DaraCod".
    TAssetRefusal AssetRefusal(DataSet* query, const QString& asset, const QString& number,
                               const QString& date);
    // Earliest sale / permanent retirement of the asset in another voucher on or
    // before `date`; "" when none.
    QString FirstSaleDate(DataSet* query, const QString& asset, const QString& number,
                          const QString& date);
    QString FirstRetirementDate(DataSet* query, const QString& asset, const QString& number,
                                const QString& date);
    // The assets of the rows of `table` (codes without blanks) that have a sale or a
    // permanent retirement in any voucher on or before `date`: of its rows, those the
    // guard may refuse. The rows hold their codes right-aligned to `codeWidth`.
    QSet<QString> AssetsSoldOrRetired(DataSet* query, const QString& table, int codeWidth,
                                      const QString& date);
    // Number of another voucher of `table` that carries the paper form number, or "".
    QString FindFormNumber(DataSet* query, const QString& table, const QString& number,
                           const QString& formNumber, int numberWidth, int formWidth);
    // After a save: the accounting voucher, then the day-book. For sales and
    // permanent retirements under SANAD_TIME=ANE no voucher is issued: the message
    // that lists the voucher's assets comes back instead ("" otherwise), for the
    // caller to show once its transaction has ended.
    QString IssueInstantVoucher(const VoucherKind& kind, const QString& transTable,
                                const QString& number, const QString& date);
    // Current row and row count of the grid query.
    static TRowPosition RowPosition(const DataSet* gridQuery);

private:
    // The caller's query, bound to the host connection when it has none; the
    // service query when the caller gives none.
    DataSet& queryFor(DataSet* query) const;
    void openOn(DataSet& query, const QString& sql, const QVariantList& values = {}) const;
    // The declared width of a column (read once per object), and a voucher number of
    // `table` in its stored form.
    int columnWidth(const QString& table, const QString& column) const;
    QString storedNumber(const QString& table, const QString& number) const;
    // Earliest date the asset left the books through `table` in another voucher.
    QString firstStateDate(DataSet* query, const QString& table, const QString& asset,
                           const QString& number, const QString& date);

    TGlobal* m_global;
    TMyDatabase* m_database;
    std::unique_ptr<CommandQuery> m_query;
    mutable QHash<QString, int> m_widths;
};
