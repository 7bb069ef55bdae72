#pragma once

// The purchase/construction window driven as a user drives it: assets made ready to
// buy, and a row typed with the keyboard through the pick lists and the cost
// components window.

#include "buycreateunit.h"
#include "dbgrid.h"
#include "endgheimatunit.h"
#include "sqlquote.h"
#include "voucherdriver.h"

#include <QPushButton>
#include <QTimer>
#include <QtTest>

class PurchaseDriver
{
public:
    PurchaseDriver(DemoHost& host, TBuyCreateForm* form) : m_host(&host), m_form(form) {}

    // `count` assets no voucher has used yet, made fit for a purchase: no cost price
    // so far, a depreciation method, put into use at the period's end.
    static QStringList PrepareAssets(DemoHost& host, int count)
    {
        const QStringList assets =
            Column(host.db(), "SELECT DaraCod FROM D_Amval WHERE DaraCod NOT IN (SELECT DaraCod "
                              "FROM D_Buy_Create) AND DaraCod NOT IN (SELECT DaraCod FROM "
                              "D_ForoshDaymeh) AND DaraCod NOT IN (SELECT DaraCod FROM D_KenarD) "
                              "ORDER BY DaraCod LIMIT " +
                                  QString::number(count));
        for (const QString& a : assets)
            host.exec("UPDATE D_Amval SET EndValue = 0, RaveshEst = 'مستقيم', BahreDate = " +
                      SqlQuote(host.global.EndDate) + " WHERE TRIM(DaraCod) = " + SqlQuote(a));
        return assets;
    }

    // The purchase window, shown as a user sees it, on the host's company; the caller
    // owns it.
    static TBuyCreateForm* OpenWindow() { return OpenForm<TBuyCreateForm>(1100).release(); }

    // The components window answers with these amounts, one row after the other.
    void answerComponents(const QStringList& amounts, bool ok = true) const
    {
        TBuyCreateForm* form = m_form;
        QTimer::singleShot(0, form, [form, amounts, ok] {
            TEndGheimatForm* d = form->EndGheimatForm();
            for (const QString& amount : amounts) {
                QTest::keyClicks(KeyTarget(d->dbgGheimat), amount.left(1));
                QTest::keyClicks(d->dbgGheimat->cellEditor(), amount.mid(1));
                QTest::keyClick(d->dbgGheimat->cellEditor(), Qt::Key_Return);
            }
            QTest::mouseClick(ok ? d->OkBitBtn : d->CancelBitBtn, Qt::LeftButton);
        });
    }

    // One row typed with the keyboard: asset from the pick list, description,
    // components, salvage, delivery source from its list, form number.
    void typeRow(const QString& asset, const QString& description, const QStringList& amounts,
                 const QString& salvage, const QString& source, const QString& formNumber) const
    {
        const VoucherDriver drv(*m_host, m_form);
        drv.keys({"@" + asset, description});
        answerComponents(amounts);
        drv.keys({"", salvage, "@" + source, formNumber}); // the last Enter posts
    }

private:
    DemoHost* m_host;
    TBuyCreateForm* m_form;
};
