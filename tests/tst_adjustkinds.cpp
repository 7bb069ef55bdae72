// The initial adjustment and the tax-return group change windows driven as a user
// drives them: a row of each typed through its lists and stored, each kind's row
// checks in their order with their messages, columns and lists, amounts as users
// type them, the chain's widths that come from the delivery sources, and the group
// change that the books do not bound.

#include "changevezaratunit.h"
#include "commandquery.h"
#include "databasefolder.h"
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

    template <typename Form> std::unique_ptr<Form> open()
    {
        auto form = std::make_unique<Form>();
        form->resize(1200, 700);
        form->show();
        QCoreApplication::processEvents();
        return form;
    }
    QString nextNumber(const QString& table)
    {
        return host().scalar("SELECT COALESCE(MAX(CAST(SanadNoAmval AS INTEGER)), 0) + 1 FROM " +
                             table);
    }
    // A new voucher dated 1405/08/01, the cursor on its first row.
    QString start(TVoucherForm& form)
    {
        const QString number = nextNumber(form.Kind().Table());
        VoucherDriver d(host(), &form);
        d.startVoucher(number, "1405/08/01");
        d.gridKey(Qt::Key_Return);
        return number;
    }
    static void setRow(DataSet* ds, const QVariantMap& values)
    {
        for (auto it = values.begin(); it != values.end(); ++it)
            ds->fieldByName(it.key())->setValue(it.value());
    }
    QString first(const QString& sql) { return host().scalar(sql + " LIMIT 1"); }
    QString source()
    {
        return first("SELECT TRIM(MabadiCod) FROM D_Mabadi WHERE TRIM(Koll) <> '' ORDER BY 1");
    }
    QString groupOf(const QString& asset)
    {
        return host().scalar("SELECT TRIM(VezCod) FROM D_Amval WHERE TRIM(DaraCod) = " +
                             SqlQuote(asset));
    }
    QString otherGroup(const QString& asset)
    {
        return first("SELECT TRIM(VezCod) FROM D_VezArat WHERE TRIM(VezCod) <> " +
                     SqlQuote(groupOf(asset)) + " ORDER BY 1");
    }
    // Rows of a stored voucher as another clerk's connection reads them.
    QStringList storedRows(const QString& columns, const QString& table, const QString& number)
    {
        std::unique_ptr<DbConnection> other =
            DatabaseFolder(host().dataFolder()).openCompany("1", host().global.FiscalYear, false);
        return Column(*other, "SELECT " + columns + " FROM " + table +
                                  " WHERE TRIM(SanadNoAmval) = " + SqlQuote(number) +
                                  " ORDER BY Raj");
    }
    // The <names> of a check's row and message replaced by their values.
    static void fillIn(QVariantMap& changes, QString& message, const QMap<QString, QString>& names)
    {
        for (auto it = names.begin(); it != names.end(); ++it) {
            for (QVariant& change : changes)
                change = change.toString() == it.key() ? it.value() : change;
            message.replace(it.key(), it.value());
        }
    }
    // Posts the row: refused with `message` first (none: only `list` opens) and the
    // cursor in `column`, or accepted when no column is given.
    void expectChecked(TVoucherForm& form, const QString& message, const QString& column,
                       const QString& list)
    {
        VoucherDriver d(host(), &form);
        const int lists = host().tempGridForm->shown.size();
        host().tempGridForm->cancel();
        form.dbgAsnad->focusField(VoucherColumn::Bargeh);
        if (column.isEmpty()) {
            QVERIFY2(form.quAsnad->post(), qPrintable(d.lastMessage()));
            return;
        }
        QVERIFY(!form.quAsnad->post());
        QCOMPARE(d.lastMessage(), message);
        QCOMPARE(host().dlgMsg->shown.size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(d.currentColumn(), column);
        QCOMPARE(host().tempGridForm->shown.size(), lists + (list.isEmpty() ? 0 : 1));
        if (!list.isEmpty())
            QCOMPARE(host().tempGridForm->shown.last().keyField, list);
    }
    // An asset sold by another clerk on 1405/07/01, and one put into use after the
    // voucher's date: the names <sold> and <late>.
    QMap<QString, QString> soldAndLate()
    {
        host().exec("INSERT INTO D_ForoshDaymeh (SanadNoAmval, Raj, DaraCod, sDate) VALUES "
                    "('      90', 1, " +
                    SqlQuote(m_assets.at(1).rightJustified(6)) + ", '1405/07/01')");
        host().exec("UPDATE D_Amval SET BahreDate = '1405/09/01' WHERE TRIM(DaraCod) = " +
                    SqlQuote(m_assets.at(2)));
        return {{"<sold>", m_assets.at(1)}, {"<late>", m_assets.at(2)}};
    }
    // A stored voucher of `table` and its form number: <other> and <its form>.
    QMap<QString, QString> otherVoucher(const QString& table)
    {
        const QString other = host().scalar("SELECT TRIM(MIN(SanadNoAmval)) FROM " + table +
                                            " WHERE TRIM(Bargeh) <> ''");
        return {{"<other>", other},
                {"<its form>", first("SELECT TRIM(Bargeh) FROM " + table +
                                     " WHERE TRIM(SanadNoAmval) = " + SqlQuote(other) +
                                     " AND TRIM(Bargeh) <> ''")}};
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets = Column(host().db(),
                          "SELECT TRIM(DaraCod) FROM D_Amval WHERE BahreDate < '1405/01/01' AND "
                          "TRIM(COALESCE(VezCod, '')) <> '' AND DaraCod NOT IN (SELECT DaraCod "
                          "FROM D_ForoshDaymeh) AND DaraCod NOT IN (SELECT DaraCod FROM D_KenarD) "
                          "ORDER BY DaraCod LIMIT 3");
        QCOMPARE(m_assets.size(), 3);
        host().exec("UPDATE D_Amval SET GarantiEnd = ''");
    }
    void cleanup() { m_host.reset(); }

    // ---- initial adjustment

    // Two rows typed through the lists, the second of an asset another clerk sold (no
    // guard here), amounts of both signs on a Persian keyboard: the asset's name
    // comes into the grid, the source brings its chain, the footer sums the rows; the
    // save stores them and issues the accounting voucher at once.
    void adjustmentRowsAreTypedAndStored()
    {
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
        const QMap<QString, QString> names = soldAndLate();
        auto form = open<TFirstTadilForm>();
        VoucherDriver d(host(), form.get());
        QCOMPARE(form->CaptionText(), QStringLiteral("ثبت سند تعديلات اوليه"));
        QCOMPARE(form->dbgAsnad->objectName(), QStringLiteral("dbgFirstTadil"));
        const QString number = start(*form);
        const QString from = source();
        const QStringList amounts{QStringLiteral("-۱۲۵۰۰"), QStringLiteral("2500")};
        for (int row = 0; row < 2; ++row) {
            host().tempGridForm->choose(m_assets.at(row));
            d.gridKey(Qt::Key_Return);
            QCOMPARE(d.currentColumn(), QStringLiteral("DaraNam"));
            QCOMPARE(form->quAsnad->fieldByName("DaraNam")->asString(),
                     host().scalar("SELECT DaraNam FROM D_Amval WHERE TRIM(DaraCod) = " +
                                   SqlQuote(m_assets.at(row))));
            d.gridKey(Qt::Key_Return);
            d.cell(amounts.at(row));
            QCOMPARE(d.currentColumn(), QStringLiteral("MabadiCod"));
            host().tempGridForm->choose(from);
            d.gridKey(Qt::Key_Return);
            QCOMPARE(d.currentColumn(), QStringLiteral("Bargeh"));
            QCOMPARE(form->EMabadiNam->text(),
                     host().scalar("SELECT MabadiNam FROM D_Mabadi WHERE TRIM(MabadiCod) = " +
                                   SqlQuote(from)));
            d.cell(QStringLiteral("۹۵۰") + QString::number(row));
            QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
            QCOMPARE(d.currentColumn(), QStringLiteral("DaraCod"));
        }
        QCOMPARE(form->ESValueSum->text(), QStringLiteral("-10,000"));

        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        const QString chain = host().scalar("SELECT Koll || Moein FROM D_Mabadi WHERE "
                                            "TRIM(MabadiCod) = " +
                                            SqlQuote(from));
        QCOMPARE(storedRows("TRIM(DaraCod) || '|' || CAST(sValue AS INTEGER) || '|' || Koll || "
                            "Moein || '|' || TRIM(Bargeh)",
                            "D_FirstTadil", number),
                 (QStringList{m_assets.at(0) + "|-12500|" + chain + "|9500",
                              names["<sold>"] + "|2500|" + chain + "|9501"}));
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '11' AND "
                               "TRIM(Document) = " +
                               SqlQuote(number)),
                 QStringLiteral("1"));
    }

    // The checks in their order; an unknown asset opens its list without a word; a
    // sold asset and a negative amount pass. <bare>: a source without an account.
    void adjustmentRowChecksInOrder_data()
    {
        QTest::addColumn<QVariantMap>("changes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("list");
        const auto row = [](const char* name, const QVariantMap& changes, const char* message,
                            const char* column, const char* list = "") {
            QTest::newRow(name) << changes << QString::fromUtf8(message) << column << list;
        };
        row("no asset", {{"DaraCod", ""}, {"sValue", 0.0}}, "كد دارايي خالي مي باشد.", "DaraCod");
        row("unknown asset", {{"DaraCod", "99999"}, {"sValue", 0.0}}, "", "DaraCod", "DaraCod");
        row("no amount", {{"sValue", 0.0}, {"MabadiCod", ""}}, "مبلغ تعديل دارايي صفر مي باشد",
            "sValue");
        row("amount too large", {{"sValue", 1e15}, {"MabadiCod", ""}},
            "مبلغ تعديل دارايي بيش از اندازه است", "sValue");
        row("no source", {{"MabadiCod", ""}, {"Bargeh", ""}}, "كد مبادي تحويل دارايي خالي مي باشد.",
            "MabadiCod", "MabadiCod");
        row("unknown source", {{"MabadiCod", "9'"}}, "مبادي تحويل دارايي وجود ندارد.", "MabadiCod",
            "MabadiCod");
        row("source without an account", {{"MabadiCod", "<bare>"}, {"Bargeh", ""}},
            "براي مبادي تحويل دارايي سرفصل تعريف نشده است", "MabadiCod");
        row("no form number", {{"Bargeh", ""}}, "شماره برگه تعديلات اوليه خالي مي باشد.", "Bargeh");
        row("form number of another voucher", {{"Bargeh", "<its form>"}},
            " شماره برگه در سند <other> تكرار شده است. ", "Bargeh");
        row("put into use after the voucher's date", {{"DaraCod", "<late>"}},
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
        QMap<QString, QString> names = soldAndLate();
        names.insert(otherVoucher("D_FirstTadil"));
        names.insert("<bare>", "98");
        fillIn(changes, message, names);
        auto form = open<TFirstTadilForm>();
        start(*form);
        setRow(form->quAsnad, {{"DaraCod", m_assets.at(0)},
                               {"sValue", 1000.0},
                               {"MabadiCod", source()},
                               {"Bargeh", "9501"}});
        setRow(form->quAsnad, changes);
        expectChecked(*form, message, column, list);
    }

    // Amounts as users type them: Persian digits and decimal separator are read as
    // digits, thousands separators and letters are kept out by the column's keys, a
    // minus anywhere but in front leaves no amount, which the row check refuses.
    void adjustmentAmountsAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored"); // 0: refused as no amount
        QTest::newRow("Persian digits") << QStringLiteral("۱۲۵۰") << 1250.0;
        QTest::newRow("Persian decimal separator") << QStringLiteral("۱٫۵") << 1.5;
        QTest::newRow("thousands separators") << QStringLiteral("1,250,000") << 1250000.0;
        QTest::newRow("letters") << QStringLiteral("12ab3") << 123.0;
        QTest::newRow("negative") << QStringLiteral("-75") << -75.0;
        QTest::newRow("minus inside") << QStringLiteral("7-5") << 0.0;
        QTest::newRow("two points") << QStringLiteral("1.2.3") << 0.0;
    }
    void adjustmentAmountsAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(double, stored);
        auto form = open<TFirstTadilForm>();
        VoucherDriver d(host(), form.get());
        start(*form);
        setRow(form->quAsnad,
               {{"DaraCod", m_assets.at(0)}, {"MabadiCod", source()}, {"Bargeh", "9501"}});
        form->dbgAsnad->focusField("sValue");
        d.gridType(typed);
        form->dbgAsnad->commitEditor();
        if (stored == 0) {
            expectChecked(*form, QStringLiteral("مبلغ تعديل دارايي صفر مي باشد"), "sValue", "");
            return;
        }
        QVERIFY2(form->quAsnad->post(), qPrintable(d.lastMessage()));
        QCOMPARE(host().scalar("SELECT sValue FROM " + SqlIdent(form->TransTableName())).toDouble(),
                 stored);
    }

    // The source and its chain take the widths the delivery sources give them; the
    // other columns keep the voucher table's.
    void adjustmentChainTakesTheSourcesWidths()
    {
        host().exec("DROP TABLE D_Mabadi");
        host().exec("CREATE TABLE D_Mabadi (MabadiCod VARCHAR(3), MabadiNam VARCHAR(100), Koll "
                    "VARCHAR(3), Moein VARCHAR(4), Tafsily VARCHAR(7), Tafsily2 VARCHAR(5), "
                    "ProjectCod VARCHAR(9))");
        auto form = open<TFirstTadilForm>();
        QCOMPARE(form->FieldWidth("MabadiCod"), 3);
        QCOMPARE(form->FieldWidth("Tafsily"), 7);
        QCOMPARE(form->FieldWidth("ProjectCod"), 9);
        QCOMPARE(form->FieldWidth("Bargeh"),
                 host().db().dialect().columnWidth("D_FirstTadil", "Bargeh"));
    }

    // ---- tax-return group change

    // A row typed through its lists: the chosen asset brings its old group and the
    // group's name, the new group comes from its list, then the transfer's lists; a
    // long description with quotes is cut to its width. Stored without an
    // accounting voucher, the action logged under the kind's name.
    void groupChangeRowIsTypedAndStored()
    {
        host().exec("UPDATE Options SET Dara = REPLACE(Dara, 'SANAD_TIME=END', 'SANAD_TIME=ANE')");
        auto form = open<TChangeVezAratForm>();
        VoucherDriver d(host(), form.get());
        QCOMPARE(form->CaptionText(), QStringLiteral("ثبت سند تغيير اظهارنامه مالياتي"));
        const QString number = start(*form);
        const QString asset = m_assets.at(0);
        host().tempGridForm->choose(asset);
        d.gridKey(Qt::Key_Return);
        QCOMPARE(form->quAsnad->fieldByName("OldVezCod")->asString().trimmed(), groupOf(asset));
        QCOMPARE(form->EOldVezNam->text(),
                 host().scalar("SELECT VezNam FROM D_VezArat WHERE TRIM(VezCod) = " +
                               SqlQuote(groupOf(asset))));
        const int width = form->FieldWidth("AmvalDes");
        d.cell(QStringLiteral("'\"") + QString(width, QChar(0x06CC)));
        QCOMPARE(d.currentColumn(), QStringLiteral("OldVezCod"));
        d.gridKey(Qt::Key_Return);
        const QString group = otherGroup(asset);
        host().tempGridForm->choose(group);
        d.gridKey(Qt::Key_Return);
        QCOMPARE(host().tempGridForm->shown.last().tableName, QStringLiteral("D_VezArat"));
        QCOMPARE(d.currentColumn(), QStringLiteral("PersonelCod"));
        for (int list = 0; list < 4; ++list) // recipient, condition, location, cost centre
            d.gridKey(Qt::Key_Return);
        QCOMPARE(d.currentColumn(), QStringLiteral("Bargeh"));
        d.cell("9601");
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));

        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(storedRows("TRIM(DaraCod) || '|' || AmvalDes || '|' || TRIM(OldVezCod) || '|' || "
                            "TRIM(NewVezCod) || '|' || TRIM(Bargeh)",
                            "D_Change_VezArat", number),
                 QStringList{asset + "|'\"" + QString(width - 2, QChar(0x064A)) + "|" +
                             groupOf(asset) + "|" + group + "|9601"});
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM Asnad WHERE WhatDoc = '20' AND "
                               "TRIM(Document) = " +
                               SqlQuote(number)),
                 "0");
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM D_Asnad_Actions WHERE TRIM(ActSanadNo) = " +
                               SqlQuote(number) + " AND SectionNam = 'تغيير اظهارنامه مالياتي'"),
                 QStringLiteral("1"));
    }

    // The checks in their order: the groups before the guard, the transfer's after
    // it, no start-of-use check; an empty old group differs from any new one.
    void groupChangeRowChecksInOrder_data()
    {
        QTest::addColumn<QVariantMap>("changes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("list");
        const auto row = [](const char* name, const QVariantMap& changes, const char* message,
                            const char* column, const char* list = "") {
            QTest::newRow(name) << changes << QString::fromUtf8(message) << column << list;
        };
        row("no asset", {{"DaraCod", ""}, {"NewVezCod", ""}}, "كد دارايي خالي مي باشد.", "DaraCod");
        row("unknown asset", {{"DaraCod", "99999"}}, "كد دارايي وجود ندارد.", "DaraCod", "DaraCod");
        row("no new group", {{"NewVezCod", ""}, {"DaraCod", "<sold>"}},
            "كد اظهارنامه خالي مي باشد.", "NewVezCod");
        row("unknown new group", {{"NewVezCod", "9'9"}, {"DaraCod", "<sold>"}},
            "كد اظهارنامه وجود ندارد.", "NewVezCod", "VezCod");
        row("the same group", {{"NewVezCod", "<old>"}, {"DaraCod", "<sold>"}},
            "كد اظهارنامه جديد و قديم يكسان است.", "NewVezCod", "VezCod");
        row("asset sold", {{"DaraCod", "<sold>"}, {"PersonelCod", ""}},
            "دارايي در تاريخ "
            "1405/07/01"
            " به فروش رسيده شده است",
            "DaraCod");
        row("no recipient", {{"PersonelCod", ""}, {"Bargeh", ""}},
            "كد تحويل گيرنده دارايي خالي مي باشد.", "PersonelCod", "PersonelCod");
        row("no form number", {{"Bargeh", ""}}, "شماره برگه تغيير اظهارنامه خالي مي باشد.",
            "Bargeh");
        row("form number of another voucher", {{"Bargeh", "<its form>"}},
            " شماره برگه در سند <other> تكرار شده است. ", "Bargeh");
        row("no old group", {{"OldVezCod", ""}}, "", "");
        row("put into use after the voucher's date", {{"DaraCod", "<late>"}}, "", "");
    }
    void groupChangeRowChecksInOrder()
    {
        QFETCH(QVariantMap, changes);
        QFETCH(QString, message);
        QFETCH(QString, column);
        QFETCH(QString, list);
        QMap<QString, QString> names = soldAndLate();
        names.insert(otherVoucher("D_Change_VezArat"));
        names.insert("<old>", groupOf(m_assets.at(0)));
        fillIn(changes, message, names);
        auto form = open<TChangeVezAratForm>();
        start(*form);
        setRow(form->quAsnad, {{"DaraCod", m_assets.at(0)},
                               {"OldVezCod", groupOf(m_assets.at(0))},
                               {"NewVezCod", otherGroup(m_assets.at(0))},
                               {"PersonelCod", first("SELECT TRIM(Code) FROM Person")},
                               {"MakanCod", "1"},
                               {"Tafsily2", first("SELECT TRIM(Tafsily2) FROM Tafsily2")},
                               {"Bargeh", "9601"}});
        setRow(form->quAsnad, changes);
        expectChecked(*form, message, column, list);
    }

    // Neither a depreciation voucher after the date nor a day-book covering it stops
    // a new group change (they stop a transfer); a stored one stays editable under
    // them, its caption naming only a missing edit right. Its own words for a bad
    // number and a missing right to register.
    void groupChangeIsBoundByThePeriodAndTheRightsAlone()
    {
        host().exec("INSERT INTO Asnad (SanadNo, SanadDate, TypeSys, WhatDoc, Document, "
                    "DocToDate) VALUES (99001, '1405/10/01', 'D', '98', '1', '1')");
        host().exec("UPDATE D_Roz SET SanadNoAmval = '', SanadDate = '1405/10/01'");
        auto transfer = open<TTahvilAntegalForm>();
        start(*transfer);
        QVERIFY(!transfer->GridPanel->isEnabled());

        host().dlgMsg->shown.clear();
        auto form = open<TChangeVezAratForm>();
        VoucherDriver d(host(), form.get());
        start(*form);
        QVERIFY2(form->GridPanel->isEnabled(), qPrintable(d.lastMessage()));

        const QString stored =
            host().scalar("SELECT TRIM(MAX(SanadNoAmval)) FROM D_Change_VezArat");
        QVERIFY(!stored.isEmpty());
        for (const bool editRight : {true, false}) {
            if (!editRight)
                host().exec("UPDATE UserSdcDetail SET \"1\" = 'N' WHERE StrId = "
                            "'D_A_CHVEZARAT_EDIT'");
            form = open<TChangeVezAratForm>();
            d = VoucherDriver(host(), form.get());
            d.startVoucher(stored);
            QCOMPARE(form->CaptionText(),
                     QStringLiteral("ويرايش سند تغيير اظهارنامه مالياتي ") + stored +
                         (editRight ? QString() : QStringLiteral("(مجاز به ويرايش نمي باشيد)")));
            QCOMPARE(form->OkBitBtn->isEnabled(), editRight);
        }

        host().dlgMsg->shown.clear();
        host().exec("UPDATE UserSdcDetail SET \"1\" = 'N' WHERE StrId = 'D_A_CHVEZARAT_SABT'");
        form = open<TChangeVezAratForm>();
        d = VoucherDriver(host(), form.get());
        d.startVoucher(nextNumber("D_Change_VezArat"));
        QCOMPARE(d.lastMessage(), QStringLiteral("کاربر مجاز به ثبت تغيير اظهارنامه جديد نيست"));
        host().dlgMsg->shown.clear();
        d.startVoucher("0");
        QCOMPARE(host().dlgMsg->shown.first().text,
                 QStringLiteral("شماره تغيير اظهارنامه بدرستي وارد نشده است"));
    }
};

QTEST_MAIN(TestAdjustKinds)
#include "tst_adjustkinds.moc"
