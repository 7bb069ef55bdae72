#pragma once

#include "datasetmodel.h"

#include <QString>
#include <functional>

// The columns of the voucher rows that several kinds share, by their stored names.
namespace VoucherColumn {
inline const QString SanadNoAmval = QStringLiteral("SanadNoAmval");
inline const QString Raj = QStringLiteral("Raj");
inline const QString SDate = QStringLiteral("sDate");
inline const QString UserName = QStringLiteral("User_Name");
inline const QString DaraCod = QStringLiteral("DaraCod");
inline const QString AmvalDes = QStringLiteral("AmvalDes");
inline const QString VazCod = QStringLiteral("VazCod");
inline const QString Bargeh = QStringLiteral("Bargeh");
inline const QString Koll = QStringLiteral("Koll");
inline const QString Moein = QStringLiteral("Moein");
inline const QString Tafsily = QStringLiteral("Tafsily");
inline const QString Tafsily2 = QStringLiteral("Tafsily2");
inline const QString ProjectCod = QStringLiteral("ProjectCod");
} // namespace VoucherColumn

// The key rule of amount columns: digits, a decimal point and a minus.
inline const QString kAmountRule = QStringLiteral("AMOUNT");
// The same without the minus: rates and amounts that are never below zero.
inline const QString kUnsignedAmountRule = QStringLiteral("UAMOUNT");
// How an amount cell shows its value: thousands separated and the decimals it has, as
// the footer's totals show them (a zero cell stays empty). Only the shown text: the
// cell's editor takes the value as stored.
inline const QString kAmountFormat = QStringLiteral("###,###,###,###,###.######");

// Why a row may not be posted: the message to show ("" when the reason was said
// already or needs no word), the column the cursor goes to, and the list that opens
// after the message. A refusal without a column accepts the row. A refusal that
// goes on runs the row checks again once it was said and its list (if any) gave a
// choice: the row is posted in the same step when the rest passes.
struct TRowRefusal
{
    QString Message;
    QString Column;
    std::function<int()> Pick;
    bool GoesOn = false;

    bool Refused() const { return !Column.isEmpty(); }
    TRowRefusal& ThenGoesOn()
    {
        GoesOn = true;
        return *this;
    }
    static TRowRefusal Accept() { return {}; }
    static TRowRefusal Of(const QString& message, const QString& column,
                          std::function<int()> pick = {})
    {
        return {message, column, std::move(pick)};
    }
};

// Whether Enter in a column opens its pick list (a double click always does).
enum class TEnterPick {
    Opens,     // Enter opens the list
    WhenEmpty, // only while the cell is empty: a typed code goes straight on
};

// One column of a kind's grid and everything the shared window asks about it: its
// title and width, whether it is typed into, the keys it takes, the list or window
// it opens, and where Enter goes from it.
struct TVoucherColumn
{
    QString Field;
    QString Title;
    int Width = 60;
    // Shown, never typed into.
    bool ReadOnly = false;
    // "" lets every key through; kAmountRule; or a rule of KeyAllowed ("NUM", a
    // company's code rule).
    QString KeyRule;
    // Typed into only while this answers true (unset: always).
    std::function<bool()> Editable;
    // The column's pick list or companion window: 1 when the walk may go on to the
    // next column, 2 when it stays. Unset: the column has none.
    std::function<int()> Pick;
    TEnterPick EnterPick = TEnterPick::Opens;
    // Where Enter goes when it does not finish the row ("" or unset: the next
    // visible column).
    std::function<QString()> EnterTarget;
    // Enter here posts the row and goes on to the next row. When no column of a
    // kind says so, the last visible column does.
    std::function<bool()> EndsRow;
    // Asked before Enter leaves the column: a refusal is said and the cursor stays
    // (unset: Enter always goes on).
    std::function<TRowRefusal()> EnterCheck;

    TVoucherColumn(QString field, QString title, int width)
        : Field(std::move(field)), Title(std::move(title)), Width(width)
    {}

    TVoucherColumn& Fixed()
    {
        ReadOnly = true;
        return *this;
    }
    TVoucherColumn& Rule(const QString& rule)
    {
        KeyRule = rule;
        return *this;
    }
    TVoucherColumn& EditableWhile(std::function<bool()> editable)
    {
        Editable = std::move(editable);
        return *this;
    }
    TVoucherColumn& Picks(std::function<int()> pick, TEnterPick enter = TEnterPick::Opens)
    {
        Pick = std::move(pick);
        EnterPick = enter;
        return *this;
    }
    TVoucherColumn& GoesTo(std::function<QString()> target)
    {
        EnterTarget = std::move(target);
        return *this;
    }
    TVoucherColumn& Ends(std::function<bool()> endsRow = [] { return true; })
    {
        EndsRow = std::move(endsRow);
        return *this;
    }
    TVoucherColumn& ChecksOnEnter(std::function<TRowRefusal()> check)
    {
        EnterCheck = std::move(check);
        return *this;
    }
    bool Is(const QString& field) const { return Field.compare(field, Qt::CaseInsensitive) == 0; }
    DbGridColumn GridColumn() const
    {
        DbGridColumn column = DbGridColumn::Make(Field, Title, Width);
        column.readOnly = ReadOnly;
        return column;
    }
};
