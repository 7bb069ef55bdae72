// The initial adjustment and the tax-return group change windows typed with keys: a
// row of each through its lists and stored, each kind's checks in order with message,
// column and list, the chain's widths from the delivery sources, and the group change
// that only the fiscal period and the rights bound.

#include "changevezaratunit.h"
#include "commandquery.h"
#include "dbconnection.h"
#include "firsttadilunit.h"
#include "sqlquote.h"
#include "tahvilantegalunit.h"
#include "voucherdriver.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

class TestAdjustKinds : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QStringList m_assets; // in use before the year, in a tax group, neither sold nor retired
    DemoHost& host() { return *m_host; }
    QString first(const QString& sql) { return host().scalar(sql + " LIMIT 1"); }
    QString day(const char* monthDay) { return host().global.FiscalYear + "/" + monthDay; }
    QString groupOf(int asset)
    {
        return first("SELECT TRIM(VezCod) FROM D_Amval WHERE TRIM(DaraCod) = " +
                     SqlQuote(m_assets.at(asset)));
    }
    QString otherGroup()
    {
        return first("SELECT TRIM(VezCod) FROM D_VezArat WHERE TRIM(VezCod) <> " +
                     SqlQuote(groupOf(0)));
    }
    // The window shown, a new voucher dated on 08/01 started, the cursor on its row.
    template <typename Form> std::unique_ptr<Form> started(QString* number = nullptr)
    {
        auto form = OpenForm<Form>();
        const QString next = VoucherDriver(host(), form.get()).newVoucher(day("08/01"));
        if (number)
            *number = next;
        return form;
    }
    // The row set, its <names> and those of the message replaced, and posted: refused
    // with `message` (none: only `list` opens) and the cursor in `column`, or accepted.
    void expectChecked(TVoucherForm& form, QVariantMap row, QString message, const QString& column,
                       const QString& list)
    {
        const QMap<QString, QString> names{{"<sold>", m_assets.at(1)},
                                           {"<sold on>", day("07/01")},
                                           {"<late>", m_assets.at(2)},
                                           {"<old>", groupOf(0)}};
        for (auto it = row.begin(); it != row.end(); ++it)
            form.quAsnad->fieldByName(it.key())->setValue(
                names.contains(it->toString()) ? names[it->toString()] : *it);
        for (auto it = names.begin(); it != names.end(); ++it)
            message.replace(it.key(), it.value());
        VoucherDriver d(host(), &form);
        const int lists = host().tempGridForm->shown.size();
        host().tempGridForm->cancel();
        form.dbgAsnad->focusField(VoucherColumn::Bargeh);
        QCOMPARE(form.quAsnad->post(), column.isEmpty());
        QCOMPARE(d.lastMessage(), message);
        QCOMPARE(host().dlgMsg->shown.size(), message.isEmpty() ? 0 : 1);
        if (column.isEmpty())
            return;
        QCOMPARE(d.currentColumn(), column);
        QCOMPARE(host().tempGridForm->shown.size(), lists + (list.isEmpty() ? 0 : 1));
        if (!list.isEmpty())
            QCOMPARE(host().tempGridForm->shown.last().keyField, list);
    }
    static void checksTable()
    {
        QTest::addColumn<QVariantMap>("changes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("list");
    }
    static void row(const char* name, const QVariantMap& changes, const char* message,
                    const char* column, const char* list = "")
    {
        QTest::newRow(name) << changes << QString::fromUtf8(message) << column << list;
    }
    // Rows of a stored voucher as another clerk's connection reads them.
    QStringList storedRows(const QString& columns, const QString& table, const QString& number)
    {
        auto other = host().openAgain();
        return Column(*other, "SELECT " + columns + " FROM " + table +
                                  " WHERE TRIM(SanadNoAmval) = " + SqlQuote(number));
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = AssetsInUse(host(), 3, "TRIM(COALESCE(VezCod, '')) <> ''");
        QCOMPARE(m_assets.size(), 3);
        // The second is sold by another clerk, the third put into use after the date.
        host().exec("INSERT INTO D_ForoshDaymeh (SanadNoAmval, Raj, DaraCod, sDate) VALUES "
                    "('      90', 1, " +
                    SqlQuote(m_assets.at(1).rightJustified(6)) + ", " + SqlQuote(day("07/01")) +
                    ")");
        host().exec("UPDATE D_Amval SET BahreDate = " + SqlQuote(day("09/01")) +
                    " WHERE TRIM(DaraCod) = " + SqlQuote(m_assets.at(2)));
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
    }
    void cleanup() { m_host.reset(); }

    // An asset another clerk sold, from the list (no guard): its name comes into the
    // grid; an amount with a minus, a separator and Persian digits; the source brings
    // its chain. Stored, with its accounting voucher issued at once.
    void adjustmentRowIsTypedAndStored()
    {
        QString number;
        auto form = started<TFirstTadilForm>(&number);
        VoucherDriver d(host(), form.get());
        const QString from = first("SELECT TRIM(MabadiCod) FROM D_Mabadi WHERE Koll <> ''");
        host().tempGridForm->choose(m_assets.at(1));
        d.gridKey(Qt::Key_Return);
        QCOMPARE(
            form->quAsnad->fieldByName("DaraNam")->asString(),
            first("SELECT DaraNam FROM D_Amval WHERE TRIM(DaraCod) = " + SqlQuote(m_assets.at(1))));
        d.gridKey(Qt::Key_Return);
        d.cell("-۱۲,۵۰۰");
        host().tempGridForm->choose(from);
        d.gridKey(Qt::Key_Return);
        QCOMPARE(d.currentColumn(), "Bargeh");
        QVERIFY(!form->EKollNam->text().isEmpty());
        d.cell("۹۵۰۱");
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(form->ESValueSum->text(), "-12,500");

        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(storedRows("TRIM(DaraCod) || '|' || CAST(sValue AS INTEGER) || '|' || Koll || "
                            "Moein || '|' || Bargeh",
                            "D_FirstTadil", number),
                 QStringList{m_assets.at(1) + "|-12500|" +
                             first("SELECT Koll || Moein FROM D_Mabadi WHERE TRIM(MabadiCod) = " +
                                   SqlQuote(from)) +
                             "|9501"});
        QCOMPARE(first("SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '11' AND TRIM(Document) = " +
                       SqlQuote(number)),
                 "1");
    }

    // An unknown asset opens its list without a word; a sold asset and a negative
    // amount pass; an amount typed wrong is no amount. (The source's checks are the
    // capital improvement's.)
    void adjustmentRowChecksInOrder_data()
    {
        checksTable();
        row("no amount", {{"sValue", 0.0}, {"MabadiCod", ""}}, "مبلغ تعديل دارايي صفر مي باشد",
            "sValue");
        row("malformed amount", {{"sValue", "7-5"}}, "مبلغ تعديل دارايي صفر مي باشد", "sValue");
        row("amount too large", {{"sValue", 1e15}, {"MabadiCod", ""}},
            "مبلغ تعديل دارايي بيش از اندازه است", "sValue");
        row("source without an account", {{"MabadiCod", "98"}, {"Bargeh", ""}},
            "براي مبادي تحويل دارايي سرفصل تعريف نشده است", "MabadiCod");
        row("no form number", {{"Bargeh", ""}}, "شماره برگه تعديلات اوليه خالي مي باشد.", "Bargeh");
        row("put into use after the date", {{"DaraCod", "<late>"}},
            "تاريخ تعديلات اوليه از تاريخ بهره برداري دارايي كوچكتر است.", "DaraCod");
        row("a sold asset", {{"DaraCod", "<sold>"}}, "", "");
        row("a negative amount", {{"sValue", -0.5}}, "", "");
    }
    void adjustmentRowChecksInOrder()
    {
        QFETCH(QVariantMap, changes);
        QFETCH(QString, message);
        QFETCH(QString, column);
        QFETCH(QString, list);
        host().exec("INSERT INTO D_Mabadi (MabadiCod, MabadiNam) VALUES ('98', 'x')");
        auto form = started<TFirstTadilForm>();
        QVariantMap base{{"DaraCod", m_assets.at(0)},
                         {"sValue", 1000.0},
                         {"MabadiCod", first("SELECT MabadiCod FROM D_Mabadi WHERE Koll <> ''")},
                         {"Bargeh", "9501"}};
        base.insert(changes);
        expectChecked(*form, base, message, column, list);
    }

    // The source and its chain take the delivery sources' widths, the rest the
    // voucher table's.
    void adjustmentChainTakesTheSourcesWidths()
    {
        host().exec("DROP TABLE D_Mabadi");
        host().exec("CREATE TABLE D_Mabadi (MabadiCod VARCHAR(3), MabadiNam VARCHAR(100), Koll "
                    "VARCHAR(3), Moein VARCHAR(4), Tafsily VARCHAR(7), Tafsily2 VARCHAR(5), "
                    "ProjectCod VARCHAR(9))");
        auto form = started<TFirstTadilForm>();
        QCOMPARE(form->FieldWidth("MabadiCod"), 3);
        QCOMPARE(form->FieldWidth("Tafsily"), 7);
        QCOMPARE(form->FieldWidth("ProjectCod"), 9);
        QCOMPARE(form->FieldWidth("Bargeh"),
                 host().db().dialect().columnWidth("D_FirstTadil", "Bargeh"));
    }

    // The chosen asset brings its old group and the group's name, the new group comes
    // from its list, then the transfer's lists; a description with quotes is cut to
    // its width. Stored without an accounting voucher, logged under the kind's name.
    void groupChangeRowIsTypedAndStored()
    {
        QString number;
        auto form = started<TChangeVezAratForm>(&number);
        VoucherDriver d(host(), form.get());
        const QString oldGroup = groupOf(0), newGroup = otherGroup();
        host().tempGridForm->choose(m_assets.at(0));
        d.gridKey(Qt::Key_Return);
        QCOMPARE(form->quAsnad->fieldByName("OldVezCod")->asString().trimmed(), groupOf(0));
        QCOMPARE(
            form->EOldVezNam->text(),
            first("SELECT VezNam FROM D_VezArat WHERE TRIM(VezCod) = " + SqlQuote(groupOf(0))));
        const int width = form->FieldWidth("AmvalDes");
        d.cell("'\"" + QString(width, QChar(0x06CC)));
        d.gridKey(Qt::Key_Return);
        host().tempGridForm->choose(otherGroup());
        d.gridKey(Qt::Key_Return);
        QCOMPARE(host().tempGridForm->shown.last().tableName, "D_VezArat");
        for (int list = 0; list < 4; ++list) // recipient, condition, location, cost centre
            d.gridKey(Qt::Key_Return);
        d.cell("9601");
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));

        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(storedRows("TRIM(DaraCod) || '|' || AmvalDes || '|' || TRIM(OldVezCod) || '|' || "
                            "TRIM(NewVezCod) || '|' || TRIM(Bargeh)",
                            "D_Change_VezArat", number),
                 QStringList{m_assets.at(0) + "|'\"" + QString(width - 2, QChar(0x064A)) + "|" +
                             oldGroup + "|" + newGroup + "|9601"});
        // The register follows: the asset is in its new group.
        QCOMPARE(groupOf(0), newGroup);
        QCOMPARE(first("SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '20' AND TRIM(Document) = " +
                       SqlQuote(number)),
                 "0");
        QCOMPARE(first("SELECT COUNT(*) FROM D_Asnad_Actions WHERE TRIM(ActSanadNo) = " +
                       SqlQuote(number) + " AND SectionNam = 'تغيير اظهارنامه مالياتي'"),
                 "1");
    }

    // The groups before the guard, the transfer's checks after it, no start-of-use
    // check; an empty old group differs from any new one.
    void groupChangeRowChecksInOrder_data()
    {
        checksTable();
        row("unknown asset", {{"DaraCod", "99999"}}, "كد دارايي وجود ندارد.", "DaraCod", "DaraCod");
        row("no new group", {{"NewVezCod", ""}, {"DaraCod", "<sold>"}},
            "كد اظهارنامه خالي مي باشد.", "NewVezCod");
        row("unknown new group", {{"NewVezCod", "9'9"}, {"DaraCod", "<sold>"}},
            "كد اظهارنامه وجود ندارد.", "NewVezCod", "VezCod");
        row("the same group", {{"NewVezCod", "<old>"}, {"DaraCod", "<sold>"}},
            "كد اظهارنامه جديد و قديم يكسان است.", "NewVezCod", "VezCod");
        row("asset sold", {{"DaraCod", "<sold>"}, {"MakanCod", ""}},
            "دارايي در تاريخ <sold on> به فروش رسيده شده است", "DaraCod");
        row("no form number", {{"Bargeh", ""}}, "شماره برگه تغيير اظهارنامه خالي مي باشد.",
            "Bargeh");
        row("no old group", {{"OldVezCod", ""}}, "", "");
        row("put into use after the date", {{"DaraCod", "<late>"}}, "", "");
    }
    void groupChangeRowChecksInOrder()
    {
        QFETCH(QVariantMap, changes);
        QFETCH(QString, message);
        QFETCH(QString, column);
        QFETCH(QString, list);
        auto form = started<TChangeVezAratForm>();
        QVariantMap base{
            {"DaraCod", m_assets.at(0)}, {"OldVezCod", groupOf(0)},
            {"NewVezCod", otherGroup()}, {"PersonelCod", first("SELECT Code FROM Person")},
            {"MakanCod", "1"},           {"Tafsily2", first("SELECT Tafsily2 FROM Tafsily2")},
            {"Bargeh", "9601"}};
        base.insert(changes);
        expectChecked(*form, base, message, column, list);
    }

    // A depreciation voucher after the date and a day-book covering it stop a new
    // transfer, not a group change; a stored one stays editable under them, its
    // caption naming only a missing edit right. Its own words for a missing right to
    // register and a bad number.
    void groupChangeIsBoundByThePeriodAndTheRightsAlone()
    {
        host().exec("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, Document, "
                    "DocToDate) VALUES (99001, " +
                    SqlQuote(day("10/01")) + ", 'D', '98', '1', '1')");
        host().exec("UPDATE D_Roz SET SanadNoAmval = '', SanadDate = " + SqlQuote(day("10/01")));
        QVERIFY(!started<TTahvilAntegalForm>()->GridPanel->isEnabled());
        host().dlgMsg->shown.clear();
        QVERIFY(started<TChangeVezAratForm>()->GridPanel->isEnabled());
        QVERIFY(host().dlgMsg->shown.isEmpty());

        const QString stored = first("SELECT TRIM(MAX(SanadNoAmval)) FROM D_Change_VezArat");
        for (const char* right : {"EDIT", "SABT"}) {
            auto form = std::make_unique<TChangeVezAratForm>();
            form->show();
            VoucherDriver d(host(), form.get());
            d.startVoucher(stored);
            const bool mayEdit = QLatin1String(right) == QLatin1String("EDIT");
            QCOMPARE(form->CaptionText(),
                     "ويرايش سند تغيير اظهارنامه مالياتي " + stored +
                         (mayEdit ? QString() : QStringLiteral("(مجاز به ويرايش نمي باشيد)")));
            QCOMPARE(form->OkBitBtn->isEnabled(), mayEdit);
            host().exec("UPDATE UserSdcDetail SET \"1\" = 'N' WHERE StrId = 'D_A_CHVEZARAT_" +
                        QString(right) + "'");
        }
        host().dlgMsg->shown.clear();
        auto form = started<TChangeVezAratForm>();
        QCOMPARE(host().dlgMsg->shown.last().text, "کاربر مجاز به ثبت تغيير اظهارنامه جديد نيست");
        VoucherDriver(host(), form.get()).startVoucher("0");
        QCOMPARE(host().dlgMsg->shown.at(1).text, "شماره تغيير اظهارنامه بدرستي وارد نشده است");
    }
};

QTEST_MAIN(TestAdjustKinds)
#include "tst_adjustkinds.moc"
