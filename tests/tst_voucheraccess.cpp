// What the user may do with the voucher in front of them, and the reason the caption
// gives: one table of situations, without a window.

#include "testmain.h"
#include "voucheraccess.h"
#include "voucherkind.h"

#include <functional>

Q_DECLARE_METATYPE(TReadOnlyReason)
Q_DECLARE_METATYPE(TVoucherSituation)
Q_DECLARE_METATYPE(TDateCommit)

namespace {

using Change = std::function<void(TVoucherSituation&)>;

// A stored voucher of 1405/05/10 that nothing has been built on, for a user with
// every right, once its date is committed; `change` makes it what a row needs.
TVoucherSituation Stored(const Change& change = {})
{
    TVoucherSituation s;
    s.IsNew = false;
    s.HeaderOn = false;
    s.GridOpen = true;
    s.HasRows = true;
    s.Date = "1405/05/10";
    s.LastDepreciationDate = "1405/03/31";
    s.PeriodStart = "1405/01/01";
    s.Rights = "N_E_D_V_";
    if (change)
        change(s);
    return s;
}

TVoucherSituation New(const Change& change = {})
{
    return Stored([&](TVoucherSituation& s) {
        s.IsNew = true;
        s.HasRows = false;
        if (change)
            change(s);
    });
}

// What the user may do: "O" OK, "D" delete, "G" the grid takes edits; "R" a delete
// is refused for the right alone.
void Row(const char* name, const TVoucherSituation& s, const QString& may, TReadOnlyReason reason)
{
    QTest::newRow(name) << s << may.contains('O') << may.contains('D') << may.contains('G')
                        << may.contains('R') << reason;
}

using CommitChange = std::function<void(TDateCommit&)>;

// A new voucher 12 of 1405/05/10 in the period 1405, depreciated up to 1405/03/31, by
// a user with every right, the day-book never posted; `change` makes it what a row needs.
TDateCommit Commit(const CommitChange& change = {})
{
    TDateCommit c;
    c.Date = "1405/05/10";
    c.Number = "      12";
    c.PeriodStart = "1405/01/01";
    c.PeriodEnd = "1405/12/29";
    c.LastDepreciationDate = "1405/03/31";
    c.Rights = "N_E_D_V_";
    if (change)
        change(c);
    return c;
}

// The day-book posted up to `number` (blank for none) and `date`.
CommitChange Posted(const char* number, const char* date)
{
    return [=](TDateCommit& c) { c.DayBook = {true, QString(number).rightJustified(8), date}; };
}

} // namespace

class TestVoucherAccess : public QObject
{
    Q_OBJECT

private slots:
    void decide_data()
    {
        QTest::addColumn<TVoucherSituation>("situation");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<bool>("grid");
        QTest::addColumn<bool>("wantsRight");
        QTest::addColumn<TReadOnlyReason>("reason");
        using R = TReadOnlyReason;
        using S = TVoucherSituation;

        Row("new, number and date still open", New([](S& s) { s.HeaderOn = true; }), "", R::None);
        Row("new, date committed, no rows yet", New(), "G", R::None);
        Row("new, first row being typed", New([](S& s) { s.TypingFirstRow = true; }), "OG",
            R::None);
        Row("new, rows posted", New([](S& s) { s.HasRows = true; }), "OG", R::None);
        Row("new, without the right to change (the date commit asked for N)",
            New([](S& s) { s.Rights = "N_"; }), "G", R::None);

        Row("stored, nothing built on it", Stored(), "ODG", R::None);
        Row("stored, before its date is committed", Stored([](S& s) { s.HeaderOn = true; }), "",
            R::None);
        Row("stored, accounting voucher issued",
            Stored([](S& s) { s.AccountingVoucherIssued = true; }), "", R::AccountingVoucherIssued);
        Row("stored, depreciated past its date",
            Stored([](S& s) { s.LastDepreciationDate = "1405/06/31"; }), "", R::DepreciationIssued);
        // Depreciated up to the voucher's own date: closed, though the caption names
        // no reason.
        Row("stored, depreciated up to its date",
            Stored([](S& s) { s.LastDepreciationDate = s.Date; }), "", R::None);
        Row("stored, of another fiscal period", Stored([](S& s) { s.OtherPeriod = true; }), "",
            R::OtherPeriod);
        Row("stored, no right to edit, right to delete", Stored([](S& s) { s.Rights = "N_D_V_"; }),
            "D", R::NoEditRight);
        Row("stored, no right to delete", Stored([](S& s) { s.Rights = "N_E_V_"; }), "OGR",
            R::None);
        Row("stored, no right to delete, accounting voucher issued", Stored([](S& s) {
                s.Rights = "N_E_V_";
                s.AccountingVoucherIssued = true;
            }),
            "", R::AccountingVoucherIssued);
        Row("stored, day-book past it", Stored([](S& s) { s.DayBookAllows = false; }), "",
            R::DayBookUpdated);
        Row("stored, dated before the period", Stored([](S& s) {
                s.Date = "1404/12/20";
                s.LastDepreciationDate = "1300/00/00";
            }),
            "", R::BeforePeriodStart);
        // The first reason in the caption's order wins.
        Row("stored, accounting voucher and depreciation", Stored([](S& s) {
                s.AccountingVoucherIssued = true;
                s.LastDepreciationDate = "1405/06/31";
            }),
            "", R::AccountingVoucherIssued);
        Row("stored, other period and no right to edit", Stored([](S& s) {
                s.OtherPeriod = true;
                s.Rights = "N_D_";
            }),
            "", R::OtherPeriod);
    }

    void decide()
    {
        QFETCH(TVoucherSituation, situation);
        const TVoucherAccess access = TVoucherAccess::Decide(situation);
        QTEST(access.MayOk, "ok");
        QTEST(access.MayDelete, "remove");
        QTEST(access.GridEditable, "grid");
        QTEST(access.DeleteWantsRight, "wantsRight");
        QTEST(access.Reason, "reason");
    }

    void caption_data()
    {
        QTest::addColumn<TVoucherSituation>("situation");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no voucher loaded")
            << New([](TVoucherSituation& s) { s.GridOpen = false; }) << "ثبت سند كنارگذاري دايمي";
        QTest::newRow("new") << New() << "ثبت سند كنارگذاري دايمي 12";
        QTest::newRow("stored") << Stored() << "ويرايش سند كنارگذاري دايمي 12";
        QTest::newRow("depreciated")
            << Stored([](TVoucherSituation& s) { s.LastDepreciationDate = "1405/06/31"; })
            << QStringLiteral("ويرايش سند كنارگذاري دايمي 12(سند حسابداري هزينه استهلاک تا "
                              "تاريخ 1405/06/31 صادر شده است)");
        QTest::newRow("other period")
            << Stored([](TVoucherSituation& s) { s.OtherPeriod = true; })
            << "ويرايش سند كنارگذاري دايمي 12(سند كنارگذاري دايمي دوره مالي ديگر)";
        // The kind's own wording of the missing right.
        QTest::newRow("no right to edit")
            << Stored([](TVoucherSituation& s) { s.Rights = "N_"; })
            << "ويرايش سند كنارگذاري دايمي 12(مجاز به ويرايش نميباشيد)";
    }

    void caption()
    {
        QFETCH(TVoucherSituation, situation);
        TVoucherKind kind(VoucherKindId::KenarD);
        kind.Facts.caption = "كنارگذاري دايمي";
        kind.NoEditSuffix = "(مجاز به ويرايش نميباشيد)";
        QTEST(TVoucherAccess::Caption(kind, situation, "12"), "caption");
    }

    // The date commit: the first rule that refuses, its message and the header field
    // the cursor goes to ("" stays).
    void dateCommit_data()
    {
        QTest::addColumn<TDateCommit>("commit");
        QTest::addColumn<bool>("books"); // the books bound the kind
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("field");
        using C = TDateCommit;
        const QString period = "تاريخ وارد شده با تاريخ دوره مالي مطابقت ندارد.";
        const QString right = "کاربر مجاز به ثبت كنارگذاري دايمي جديد نيست";
        const QString posted = " به روزآوري شده است";
        const auto row = [](const char* name, const C& c, bool books, const QString& message,
                            const char* field) {
            QTest::newRow(name) << c << books << message << QString(field);
        };
        row("new, nothing in the way", Commit(), true, "", "");
        row("new, before the period", Commit([](C& c) { c.Date = "1404/12/29"; }), true, period,
            "mYear");
        row("new, after the period", Commit([](C& c) { c.Date = "1406/01/01"; }), true, period,
            "mYear");
        row("stored, out of the period: keeps its date", Commit([](C& c) {
                c.Stored = true;
                c.Date = "1404/12/29";
                c.Rights = "V_";
            }),
            true, "", "");
        row("new, on the last depreciation voucher's date",
            Commit([](C& c) { c.LastDepreciationDate = c.Date; }), true,
            "سند هزينه استهلاک تا تاريخ 1405/05/10 صادر شده است.", "mDay");
        row("new, depreciated past it, outside the books",
            Commit([](C& c) { c.LastDepreciationDate = "1405/06/31"; }), false, "", "");
        row("new, no right to make one", Commit([](C& c) { c.Rights = "E_D_V_"; }), true, right,
            "SanadID");
        row("new, out of the period and no right: the period first", Commit([](C& c) {
                c.Date = "1406/01/01";
                c.Rights = "V_";
            }),
            true, period, "mYear");
        // The day-book of the kind: covered by number, by date, both; "/  /" is no date.
        row("day-book past its number", Commit(Posted("12", "1405/02/01")), true,
            "تا مدرک 12 و تاريخ 1405/02/01" + posted, "");
        row("day-book past its date", Commit(Posted("10", "1405/06/01")), true,
            "تا مدرک 10 و تاريخ 1405/06/01" + posted, "");
        row("day-book before both", Commit(Posted("11", "1405/05/10")), true, "", "");
        row("day-book without a number, up to the date", Commit(Posted("", "1405/05/10")), true,
            " مدرک تا تاريخ 1405/05/10" + posted, "");
        row("day-book without a number, the day before", Commit(Posted("", "1405/05/09")), true, "",
            "");
        row("day-book without a date, past the number", Commit(Posted("13", "/  /")), true,
            "تا مدرک 13" + posted, "");
        row("day-book without a date, before the number", Commit(Posted("11", "/  /")), true, "",
            "");
        row("day-book past it, outside the books", Commit(Posted("12", "1405/06/01")), false, "",
            "");
    }

    void dateCommit()
    {
        QFETCH(TDateCommit, commit);
        QFETCH(bool, books);
        TVoucherKind kind(VoucherKindId::KenarD);
        kind.Facts.caption = "كنارگذاري دايمي";
        kind.BoundByBooks = books;
        const TDateRefusal refusal = TVoucherAccess::DateCommitRefusal(kind, commit);
        QTEST(refusal.Message, "message");
        QTEST(refusal.Field, "field");
        // A kind's own wording of the missing right.
        kind.NewRefusalText = "مجاز نيستيد";
        if (refusal.Field == "SanadID")
            QCOMPARE(TVoucherAccess::DateCommitRefusal(kind, commit).Message, kind.NewRefusalText);
    }
};

AMVAL_TEST_GUILESS_MAIN(TestVoucherAccess)
#include "tst_voucheraccess.moc"
