// What the user may do with the voucher in front of them, and the reason the caption
// gives: one table of situations, without a window.

#include "voucheraccess.h"
#include "voucherkind.h"

#include <QtTest>

Q_DECLARE_METATYPE(TReadOnlyReason)
Q_DECLARE_METATYPE(TVoucherSituation)

namespace {

// A stored voucher of 1405/05/10 that nothing has been built on, for a user with
// every right, once its date is committed.
TVoucherSituation Stored()
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
    return s;
}

TVoucherSituation New()
{
    TVoucherSituation s = Stored();
    s.IsNew = true;
    s.HasRows = false;
    return s;
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
        QTest::addColumn<TReadOnlyReason>("reason");
        using R = TReadOnlyReason;
        auto with = [](TVoucherSituation s, auto change) {
            change(s);
            return s;
        };

        QTest::newRow("new, number and date still open")
            << with(New(), [](auto& s) { s.HeaderOn = true; }) << false << false << false
            << R::None;
        QTest::newRow("new, date committed, no rows yet")
            << New() << false << false << true << R::None;
        QTest::newRow("new, first row being typed")
            << with(New(), [](auto& s) { s.TypingFirstRow = true; }) << true << false << true
            << R::None;
        QTest::newRow("new, rows posted")
            << with(New(), [](auto& s) { s.HasRows = true; }) << true << false << true << R::None;
        QTest::newRow("new, without the right to change (the date commit asked for N)")
            << with(New(), [](auto& s) { s.Rights = QStringLiteral("N_"); }) << false << false
            << true << R::None;

        QTest::newRow("stored, nothing built on it") << Stored() << true << true << true << R::None;
        QTest::newRow("stored, before its date is committed")
            << with(Stored(), [](auto& s) { s.HeaderOn = true; }) << false << false << false
            << R::None;
        QTest::newRow("stored, accounting voucher issued")
            << with(Stored(), [](auto& s) { s.AccountingVoucherIssued = true; }) << false << false
            << false << R::AccountingVoucherIssued;
        QTest::newRow("stored, depreciated past its date")
            << with(Stored(), [](auto& s) { s.LastDepreciationDate = "1405/06/31"; }) << false
            << false << false << R::DepreciationIssued;
        // Depreciated up to the voucher's own date: closed, though the caption names
        // no reason.
        QTest::newRow("stored, depreciated up to its date")
            << with(Stored(), [](auto& s) { s.LastDepreciationDate = s.Date; }) << false << false
            << false << R::None;
        QTest::newRow("stored, of another fiscal period")
            << with(Stored(), [](auto& s) { s.OtherPeriod = true; }) << false << false << false
            << R::OtherPeriod;
        QTest::newRow("stored, no right to edit, right to delete")
            << with(Stored(), [](auto& s) { s.Rights = QStringLiteral("N_D_V_"); }) << false << true
            << false << R::NoEditRight;
        QTest::newRow("stored, no right to delete")
            << with(Stored(), [](auto& s) { s.Rights = QStringLiteral("N_E_V_"); }) << true << false
            << true << R::None;
        QTest::newRow("stored, day-book past it")
            << with(Stored(), [](auto& s) { s.DayBookAllows = false; }) << false << false << false
            << R::DayBookUpdated;
        QTest::newRow("stored, dated before the period") << with(Stored(), [](auto& s) {
            s.Date = "1404/12/20";
            s.LastDepreciationDate = "1300/00/00";
        }) << false << false << false << R::BeforePeriodStart;
        // The first reason in the caption's order wins.
        QTest::newRow("stored, accounting voucher and depreciation") << with(Stored(), [](auto& s) {
            s.AccountingVoucherIssued = true;
            s.LastDepreciationDate = "1405/06/31";
        }) << false << false << false << R::AccountingVoucherIssued;
        QTest::newRow("stored, other period and no right to edit") << with(Stored(), [](auto& s) {
            s.OtherPeriod = true;
            s.Rights = "N_D_";
        }) << false << false << false << R::OtherPeriod;
    }

    void decide()
    {
        QFETCH(TVoucherSituation, situation);
        const TVoucherAccess access = TVoucherAccess::Decide(situation);
        QTEST(access.MayOk, "ok");
        QTEST(access.MayDelete, "remove");
        QTEST(access.GridEditable, "grid");
        QTEST(access.Reason, "reason");
    }

    void caption_data()
    {
        QTest::addColumn<TVoucherSituation>("situation");
        QTest::addColumn<QString>("caption");
        TVoucherSituation closed = New();
        closed.GridOpen = false;
        QTest::newRow("no voucher loaded") << closed << "ثبت سند كنارگذاري دايمي";
        QTest::newRow("new") << New() << "ثبت سند كنارگذاري دايمي 12";
        QTest::newRow("stored") << Stored() << "ويرايش سند كنارگذاري دايمي 12";
        TVoucherSituation depreciated = Stored();
        depreciated.LastDepreciationDate = "1405/06/31";
        QTest::newRow("depreciated")
            << depreciated
            << QStringLiteral("ويرايش سند كنارگذاري دايمي 12(سند حسابداري هزينه استهلاک تا "
                              "تاريخ 1405/06/31 صادر شده است)");
        TVoucherSituation other = Stored();
        other.OtherPeriod = true;
        QTest::newRow("other period")
            << other << "ويرايش سند كنارگذاري دايمي 12(سند كنارگذاري دايمي دوره مالي ديگر)";
        // The kind's own wording of the missing right.
        TVoucherSituation noEdit = Stored();
        noEdit.Rights = "N_";
        QTest::newRow("no right to edit")
            << noEdit << "ويرايش سند كنارگذاري دايمي 12(مجاز به ويرايش نميباشيد)";
    }

    void caption()
    {
        QFETCH(TVoucherSituation, situation);
        TVoucherKind kind(VoucherKindId::KenarD);
        kind.Facts.caption = "كنارگذاري دايمي";
        kind.NoEditSuffix = "(مجاز به ويرايش نميباشيد)";
        QTEST(TVoucherAccess::Caption(kind, situation, "12"), "caption");
    }
};

QTEST_GUILESS_MAIN(TestVoucherAccess)
#include "tst_voucheraccess.moc"
