// The temporary retirement and the two returns from retirement driven as a user
// drives them: a row typed through the walk and stored, each kind's own row checks
// with their messages and columns, the returns' asset list and already-returned
// check, and the guard of the return from permanent retirement.

#include "barkenardunit.h"
#include "barkenarmunit.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "kenarmunit.h"
#include "sqlquote.h"
#include "voucherdriver.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

class TestRetirementKinds : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    QStringList m_assets; // in use: neither sold nor retired in any way
    QString m_location;
    QString m_costCentre;
    DemoHost& host() { return *m_host; }

    QString day(const QString& monthDay) const
    {
        return m_host->global.FiscalYear + "/" + monthDay;
    }
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
    // Another clerk's voucher row of `asset` in `table`.
    void storedRow(const QString& table, const QString& number, const QString& asset,
                   const QString& date)
    {
        host().exec(
            "INSERT INTO " + table + " (SanadNoAmval, Raj, DaraCod, sDate, Bargeh) VALUES (" +
            SqlQuote(number.rightJustified(8)) + ", 1, " + SqlQuote(asset.rightJustified(6)) +
            ", " + SqlQuote(date) + ", " + SqlQuote(number) + ")");
    }
    // A new voucher of `form` dated `date`, its first row right in every column but
    // those the test sets after.
    void startRow(TKenarMForm& form, const QString& date, const QString& asset)
    {
        VoucherDriver d(host(), &form);
        d.startVoucher(nextNumber(form.Kind().Table()), date);
        d.gridKey(Qt::Key_Return);
        const QVariantMap row{{"DaraCod", asset},
                              {"VazCod", "6"},
                              {"MakanCod", m_location},
                              {"Tafsily2", m_costCentre},
                              {"Bargeh", "91"}};
        for (auto it = row.begin(); it != row.end(); ++it)
            form.quAsnad->fieldByName(it.key())->setValue(it.value());
    }
    // Enter in the last column: the row is checked and posted.
    void postRow(TKenarMForm& form)
    {
        form.dbgAsnad->focusField("Bargeh");
        VoucherDriver(host(), &form).gridKey(Qt::Key_Return);
    }
    QStringList messages() const
    {
        QStringList texts;
        for (const ShownMessage& m : m_host->dlgMsg->shown)
            texts << m.text;
        return texts;
    }

private slots:
    void init()
    {
        m_host = std::make_unique<DemoHost>();
        m_assets =
            Column(host().db(),
                   "SELECT TRIM(DaraCod) FROM D_Amval WHERE BahreDate < " + SqlQuote(day("01/01")) +
                       " AND DaraCod NOT IN (SELECT DaraCod FROM D_ForoshDaymeh) AND "
                       "DaraCod NOT IN (SELECT DaraCod FROM D_KenarD) AND DaraCod NOT IN "
                       "(SELECT DaraCod FROM D_KenarM) ORDER BY DaraCod LIMIT 3");
        QCOMPARE(m_assets.size(), 3);
        m_location = host().scalar("SELECT TRIM(MIN(MakanCod)) FROM D_Makan");
        m_costCentre = host().scalar("SELECT TRIM(MIN(Tafsily2)) FROM Tafsily2");
        QVERIFY(!m_location.isEmpty() && !m_costCentre.isEmpty());
    }
    void cleanup() { m_host.reset(); }

    // A retirement typed with the keyboard: the asset and condition lists, a long
    // description with quotes and both forms of Yeh and Kaf (cut to its width by the
    // editor), a location typed in Persian digits, the cost-centre list and a form
    // number in Persian digits. Stored as typed, read back by another connection.
    void aRetirementIsTypedThroughItsWalkAndStored()
    {
        auto form = open<TKenarMForm>();
        VoucherDriver d(host(), form.get());
        QCOMPARE(form->CaptionText(), QStringLiteral("ثبت سند کنارگذاري موقت"));
        const QString number = nextNumber("D_KenarM");
        d.startVoucher(number, day("08/01"));
        d.gridKey(Qt::Key_Return);
        host().tempGridForm->choose(m_assets.at(0));
        d.gridKey(Qt::Key_Return);
        QCOMPARE(d.currentColumn(), QStringLiteral("AmvalDes"));
        const int width = form->FieldWidth("AmvalDes");
        QString description = QStringLiteral("انبار 'مركزي' يی كک");
        while (description.size() <= width)
            description += QStringLiteral(" \"تعمير\"");
        d.cell(description);
        host().tempGridForm->choose("6");
        d.gridKey(Qt::Key_Return);
        QCOMPARE(d.currentColumn(), QStringLiteral("MakanCod"));
        QString persian;
        for (const QChar c : m_location)
            persian += QChar(c.unicode() - '0' + 0x06F0);
        d.cell(persian);
        QCOMPARE(d.currentColumn(), QStringLiteral("Tafsily2"));
        host().tempGridForm->choose(m_costCentre);
        d.gridKey(Qt::Key_Return);
        QCOMPARE(d.currentColumn(), QStringLiteral("Bargeh"));
        QCOMPARE(form->EMakanNam->text(),
                 host().scalar("SELECT TRIM(MakanNam) FROM D_Makan WHERE TRIM(MakanCod) = " +
                               SqlQuote(m_location)));
        QVERIFY(!form->EMarkazNam->text().isEmpty());
        QVERIFY(!form->EDaraNam->text().isEmpty());
        d.cell(QStringLiteral("۹۱"));
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(form->quAsnad->recordCount(), 2);
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));

        auto other = DatabaseFolder(host().dataFolder())
                         .openCompany(QStringLiteral("1"), host().global.FiscalYear, false);
        const QStringList stored =
            Column(*other, "SELECT TRIM(DaraCod) || '|' || AmvalDes || '|' || TRIM(VazCod) || '|' "
                           "|| TRIM(MakanCod) || '|' || TRIM(Tafsily2) || '|' || Bargeh || '|' || "
                           "sDate FROM D_KenarM WHERE TRIM(SanadNoAmval) = " +
                               SqlQuote(number));
        // The keyboard's Persian Yeh and Kaf are typed as the system's Arabic letters.
        description = description.left(width).replace(QChar(0x06CC), QChar(0x064A));
        description.replace(QChar(0x06A9), QChar(0x0643));
        QCOMPARE(stored, QStringList(m_assets.at(0) + "|" + description + "|6|" + m_location + "|" +
                                     m_costCentre + "|91|" + day("08/01")));
    }

    // The temporary retirement's checks in their order; a list a check opens either
    // gives a value, and the row is posted in the same step, or is cancelled.
    void retirementChecks_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("answer"); // the list's answer: a key, "-" cancels
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("column"); // "" when the row was posted
        QTest::newRow("empty asset") << "DaraCod"
                                     << ""
                                     << "" << QStringList{"كد دارايي خالي مي باشد."} << "DaraCod";
        QTest::newRow("unknown asset, list cancelled")
            << "DaraCod"
            << "999999"
            << "-" << QStringList{"كد دارايي وجود ندارد."} << "DaraCod";
        QTest::newRow("unknown condition, list cancelled") << "VazCod"
                                                           << "99"
                                                           << "-" << QStringList() << "VazCod";
        QTest::newRow("empty condition") << "VazCod"
                                         << ""
                                         << "" << QStringList() << "";
        QTest::newRow("empty location, list cancelled")
            << "MakanCod"
            << ""
            << "-" << QStringList{"كد مکان تحويل دارايي خالي مي باشد."} << "MakanCod";
        QTest::newRow("empty location, one chosen")
            << "MakanCod"
            << ""
            << "<location>" << QStringList{"كد مکان تحويل دارايي خالي مي باشد."} << "";
        QTest::newRow("unknown location, one chosen") << "MakanCod"
                                                      << "9999"
                                                      << "<location>" << QStringList() << "";
        QTest::newRow("empty cost centre, list cancelled")
            << "Tafsily2"
            << ""
            << "-" << QStringList{"كد <tafsily2> مي باشد."} << "Tafsily2";
        QTest::newRow("empty form number")
            << "Bargeh"
            << ""
            << "" << QStringList{"شماره برگه کنارگذاري موقت خالي مي باشد."} << "Bargeh";
        QTest::newRow("form number of another voucher") << "Bargeh"
                                                        << "77"
                                                        << ""
                                                        << QStringList{" شماره برگه در سند "
                                                                       "77"
                                                                       " تكرار شده است. "}
                                                        << "Bargeh";
        QTest::newRow("asset put into use after the date")
            << "BahreDate"
            << "12/01"
            << "" << QStringList{"تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است."}
            << "DaraCod";
    }
    void retirementChecks()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, answer);
        QFETCH(QStringList, said);
        QFETCH(QString, column);
        storedRow("D_KenarM", "77", m_assets.at(2), day("02/01"));
        auto form = open<TKenarMForm>();
        startRow(*form, day("08/01"), m_assets.at(0));
        if (field == "BahreDate")
            host().exec("UPDATE D_Amval SET BahreDate = " + SqlQuote(day(value)) +
                        " WHERE TRIM(DaraCod) = " + SqlQuote(m_assets.at(0)));
        else
            form->quAsnad->fieldByName(field)->setValue(value);
        if (answer == "-")
            host().tempGridForm->cancel();
        else if (!answer.isEmpty())
            host().tempGridForm->choose(m_location);
        postRow(*form);
        said.replaceInStrings("<tafsily2>", form->DGlobal()->NAMTAFSILY2);
        QCOMPARE(messages(), said);
        if (column.isEmpty()) {
            QCOMPARE(form->quAsnad->recordCount(), 2); // posted, the next row appended
        } else {
            QCOMPARE(VoucherDriver(host(), form.get()).currentColumn(), column);
            QCOMPARE(host().scalar("SELECT COUNT(*) FROM " + SqlIdent(form->TransTableName())),
                     "0");
        }
    }

    // The return's list offers the assets retired on or before its date, returned
    // since or not, and no other.
    void theReturnListOffersTheAssetsRetiredUpToItsDate()
    {
        storedRow("D_KenarM", "80", m_assets.at(0), day("05/01"));
        storedRow("D_KenarM", "81", m_assets.at(1), day("09/01"));
        storedRow("D_BarKenarM", "80", m_assets.at(0), day("05/20"));
        auto form = open<TBarKenarMForm>();
        VoucherDriver d(host(), form.get());
        d.startVoucher(nextNumber("D_BarKenarM"), day("06/01"));
        d.gridKey(Qt::Key_Return);
        host().tempGridForm->cancel();
        d.gridKey(Qt::Key_Return);
        const ShownPickList& list = host().tempGridForm->shown.last();
        QVERIFY(list.keys.contains(m_assets.at(0)));
        QVERIFY(!list.keys.contains(m_assets.at(1)));
        QVERIFY(!list.keys.contains(m_assets.at(2)));
        QCOMPARE(list.colCount, 14);
        QCOMPARE(list.caption, QStringLiteral("انتخاب نام دارايي"));
    }

    // A return of an asset whose every retirement up to the date has its return is
    // refused when the cursor leaves the asset (the code is emptied), and again
    // when the row is posted; so is one dated before a later return.
    void anAssetReturnedAlreadyIsRefusedAndCleared_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("message");
        QTest::newRow("returned before")
            << "07/01" << QStringLiteral("اين دارايي قبلا برگشت داده شده است.");
        QTest::newRow("returned after")
            << "05/15" << QStringLiteral("اين دارايي بعد از اين تاريخ برگشت داده شده است.");
    }
    void anAssetReturnedAlreadyIsRefusedAndCleared()
    {
        QFETCH(QString, date);
        QFETCH(QString, message);
        storedRow("D_KenarM", "80", m_assets.at(0), day("05/01"));
        storedRow("D_BarKenarM", "80", m_assets.at(0), day("06/01"));
        auto form = open<TBarKenarMForm>();
        VoucherDriver d(host(), form.get());
        d.startVoucher(nextNumber("D_BarKenarM"), day(date));
        d.gridKey(Qt::Key_Return);
        host().tempGridForm->choose(m_assets.at(0));
        d.gridKey(Qt::Key_Return);
        QCOMPARE(messages(), QStringList{message});
        QCOMPARE(form->quAsnad->fieldByName("DaraCod")->asString().trimmed(), QString());

        host().dlgMsg->shown.clear();
        form->dbgAsnad->focusField("Bargeh");
        for (auto [f, v] : {std::pair<const char*, QString>{"DaraCod", m_assets.at(0)},
                            {"MakanCod", m_location},
                            {"Tafsily2", m_costCentre},
                            {"Bargeh", "5"}})
            form->quAsnad->fieldByName(f)->setValue(v);
        postRow(*form);
        QCOMPARE(messages(), (QStringList{message, QStringLiteral("كد دارايي خالي مي باشد.")}));
        QCOMPARE(d.currentColumn(), QStringLiteral("DaraCod"));
    }

    // A stored return opened again: walking its row says nothing while its asset
    // stays, though a later return of the same asset exists; another asset is checked.
    void editingAReturnChecksOnlyAChangedAsset()
    {
        storedRow("D_KenarM", "80", m_assets.at(0), day("05/01"));
        storedRow("D_BarKenarM", "82", m_assets.at(0), day("06/01"));
        storedRow("D_KenarM", "81", m_assets.at(0), day("06/15"));
        storedRow("D_BarKenarM", "85", m_assets.at(0), day("07/01"));
        storedRow("D_KenarM", "83", m_assets.at(1), day("05/01"));
        storedRow("D_BarKenarM", "84", m_assets.at(1), day("05/20"));
        auto form = open<TBarKenarMForm>();
        VoucherDriver d(host(), form.get());
        d.startVoucher("82");
        QCOMPARE(form->quAsnad->recordCount(), 1);
        form->dbgAsnad->focusField("AmvalDes");
        d.cell(QStringLiteral("ويرايش"));
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        form->dbgAsnad->focusField("DaraCod");
        d.gridType(m_assets.at(1));
        form->dbgAsnad->commitEditor();
        form->dbgAsnad->focusField("AmvalDes");
        QCOMPARE(messages(), QStringList{QStringLiteral("اين دارايي قبلا برگشت داده شده است.")});
        QCOMPARE(form->quAsnad->fieldByName("DaraCod")->asString().trimmed(), QString());
    }

    // The return from permanent retirement takes a permanently retired asset, and
    // refuses a sold one and one returned already as a cancelled pick, and one never
    // retired (which its list does not offer) when its row is posted.
    void theReturnFromPermanentRetirementGuardsItsOwnWay_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("message"); // "" when the asset is taken
        QTest::newRow("retired") << "retired"
                                 << "";
        QTest::newRow("returned") << "returned"
                                  << QStringLiteral("اين دارايي قبلا برگشت داده شده است.");
        QTest::newRow("sold") << "sold"
                              << QStringLiteral("دارايي در تاريخ ") + QStringLiteral("<07/01>") +
                                     QStringLiteral(" به فروش رسيده شده است");
        QTest::newRow("never retired")
            << "in use"
            << QStringLiteral("دارايي تا تاريخ ") + QStringLiteral("<08/01>") +
                   QStringLiteral(" کنارگذاري دايمي نشده است");
    }
    void theReturnFromPermanentRetirementGuardsItsOwnWay()
    {
        QFETCH(QString, state);
        QFETCH(QString, message);
        for (const QString& date : {QStringLiteral("07/01"), QStringLiteral("08/01")})
            message.replace("<" + date + ">", day(date));
        const QString asset = m_assets.at(0);
        if (state != "in use")
            storedRow("D_KenarD", "80", asset, day("05/01"));
        if (state == "returned")
            storedRow("D_BarKenarD", "80", asset, day("06/01"));
        if (state == "sold")
            storedRow("D_ForoshDaymeh", "90", asset, day("07/01"));
        auto form = open<TBarKenarDForm>();
        VoucherDriver d(host(), form.get());
        if (state == "in use") {
            startRow(*form, day("08/01"), asset);
            postRow(*form);
            QCOMPARE(messages(), QStringList{message});
            QCOMPARE(d.currentColumn(), QStringLiteral("DaraCod"));
            return;
        }
        d.startVoucher(nextNumber("D_BarKenarD"), day("08/01"));
        d.gridKey(Qt::Key_Return);
        host().tempGridForm->choose(asset);
        d.gridKey(Qt::Key_Return);
        if (!message.isEmpty()) {
            QCOMPARE(messages(), QStringList{message});
            QCOMPARE(d.currentColumn(), QStringLiteral("DaraCod"));
            return;
        }
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(d.currentColumn(), QStringLiteral("AmvalDes"));
        form->dbgAsnad->focusField("Bargeh");
        for (auto [f, v] : {std::pair<const char*, QString>{"MakanCod", m_location},
                            {"Tafsily2", m_costCentre},
                            {"Bargeh", "93"}})
            form->quAsnad->fieldByName(f)->setValue(v);
        postRow(*form);
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM D_BarKenarD WHERE TRIM(DaraCod) = " +
                               SqlQuote(asset)),
                 "1");
    }

    // The number typed and the date committed without Enter in the number: the rows
    // go to the window's transaction table and from there into the stored voucher.
    void rowsTypedBeforeAVoucherIsLoadedAreStored()
    {
        storedRow("D_KenarD", "80", m_assets.at(0), day("05/01"));
        auto form = open<TBarKenarDForm>();
        const QString number = nextNumber("D_BarKenarD");
        form->SanadID->selectAll();
        QTest::keyClicks(form->SanadID, number);
        for (auto [edit, part] : {std::pair{form->mMonth, QString("08")}, {form->mDay, "01"}}) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, part);
        }
        VoucherDriver::enter(form->mYear);
        QVERIFY(form->GridPanel->isEnabled());
        VoucherDriver d(host(), form.get());
        d.gridKey(Qt::Key_Return);
        form->dbgAsnad->focusField("Bargeh");
        for (auto [f, v] : {std::pair<const char*, QString>{"DaraCod", m_assets.at(0)},
                            {"MakanCod", m_location},
                            {"Tafsily2", m_costCentre},
                            {"Bargeh", "92"}})
            form->quAsnad->fieldByName(f)->setValue(v);
        postRow(*form);
        QVERIFY2(host().dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM " + SqlIdent(form->TransTableName())), "1");
        QCOMPARE(host().scalar("SELECT COUNT(*) FROM D_BarKenarD WHERE TRIM(SanadNoAmval) = " +
                               SqlQuote(number)),
                 "0");
        QTest::mouseClick(form->OkBitBtn, Qt::LeftButton);
        QCOMPARE(host().scalar("SELECT TRIM(DaraCod) FROM D_BarKenarD WHERE TRIM(SanadNoAmval) = " +
                               SqlQuote(number)),
                 m_assets.at(0));
    }

    // Each return keeps its own kind code: a day-book posted for one of them up to a
    // date refuses a new voucher of that kind only.
    void eachReturnHasItsOwnDayBook()
    {
        host().exec("UPDATE D_Roz SET SanadNoAmval = '', SanadDate = " + SqlQuote(day("10/15")) +
                    " WHERE WhatDoc = '21'");
        auto permanent = open<TBarKenarDForm>();
        VoucherDriver(host(), permanent.get())
            .startVoucher(nextNumber("D_BarKenarD"), day("10/01"));
        QVERIFY(!permanent->GridPanel->isEnabled());
        QVERIFY(VoucherDriver(host(), permanent.get()).lastMessage().contains(day("10/15")));
        host().dlgMsg->shown.clear();
        auto temporary = open<TBarKenarMForm>();
        VoucherDriver(host(), temporary.get())
            .startVoucher(nextNumber("D_BarKenarM"), day("10/01"));
        QVERIFY(temporary->GridPanel->isEnabled());
        QVERIFY(host().dlgMsg->shown.isEmpty());
    }
};

QTEST_MAIN(TestRetirementKinds)
#include "tst_retirementkinds.moc"
