// Module-wide services: padding and codes in their stored form, amounts, number texts,
// key filters and mappings, statements on the host's command query, loading a library
// once.

#include "chartofaccounts.h"
#include "commandquery.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "installhost.h"
#include "messages.h"
#include "sqlcheck.h"
#include "storedcolumn.h"
#include "testmain.h"
#include "testplace.h"

#include <QBrush>
#include <QLibrary>
#include <QTemporaryDir>
#include <QtTest>

class TestGlobalUnit : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_host = std::make_unique<ScriptedHost>();
        InstallHost(*m_host);
        m_plain.clear();
        SetPlainMessageHandler([this](const QString& text) { m_plain << text; });
    }
    void cleanup() { SetPlainMessageHandler({}); }

    // Plain padding, and a code of a column in its stored form (WidenCode: the column
    // chooses the fill; the code is trimmed first). A row without a column checks only
    // the padding, one without a fill only the code's form.
    void padding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("fill");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blanks in front") << "12" << QChar(' ') << "DaraCod" << 5 << "   12";
        QTest::newRow("exact width unchanged") << "12345" << QChar(' ') << "Koll" << 5 << "12345";
        QTest::newRow("longer text cut to its first characters")
            << "1234567" << QChar(' ') << "MakanCod" << 4 << "1234";
        QTest::newRow("empty text") << "" << QChar(' ') << "Moein" << 3 << "   ";
        QTest::newRow("zero fill for low account levels")
            << "7" << QChar('0') << "Tafsily" << 5 << "00007";
        QTest::newRow("Persian text counted by characters")
            << "دارايي" << QChar(' ') << "" << 8 << "  دارايي";
        QTest::newRow("twin levels zero-filled too")
            << "42" << QChar('0') << "hprojectcod" << 6 << "000042";
        QTest::newRow("a twin's upper level takes blanks")
            << "3" << QChar(' ') << "HKoll" << 3 << "  3";
        QTest::newRow("code trimmed before its fill")
            << " 5 " << QChar() << "Tafsily2" << 4 << "0005";
        QTest::newRow("empty low level stays empty") << "  " << QChar() << "ProjectCod" << 4 << "";
        QTest::newRow("unknown width leaves the code trimmed")
            << " 12 " << QChar() << "DaraCod" << 0 << "12";
    }
    void padding()
    {
        QFETCH(QString, text);
        QFETCH(QChar, fill);
        QFETCH(QString, column);
        QFETCH(int, width);
        QFETCH(QString, expected);
        if (!fill.isNull())
            QCOMPARE(PadLeftWith(text, fill, width), expected);
        if (fill == QLatin1Char(' '))
            QCOMPARE(PadLeft(text, width), expected);
        if (!column.isEmpty())
            QCOMPARE(WidenCode(column, text, width), expected);
    }

    // An amount as the engine hands it back (a sum as a floating number never in
    // exponent form), then grouped by three from the right, the sign and any fraction
    // (after a point or a slash) left as they are; the grouped text, blanks around, comes
    // back to its number text, and a blank one is 0.
    void amounts_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text"); // of the value
        QTest::addColumn<QString>("expected");
        const auto row = [](const QString& name, const QVariant& value, const QString& text,
                            const QString& expected) {
            QTest::newRow(qPrintable(name)) << value << text << expected;
        };
        for (const QString pair :
             {"=0", "0=0", "999=999", "1000=1,000", "123456=123,456", "1234567=1,234,567",
              "-1234567=-1,234,567", "-999=-999", "1234.5678=1,234.5678", "-1000/25=-1,000/25"})
            row(pair, pair.section('=', 0, 0), pair.section('=', 0, 0), pair.section('=', 1));
        row("1.7e7", 1.7e7, "17000000", "17,000,000");
        row("3e8", 3e8, "300000000", "300,000,000");
        row("-12.5", -12.5, "-12.5", "-12.5");
        row("whole", qlonglong(90000000), "90000000", "90,000,000");
        row("NULL", QVariant(), "", "0");
    }
    void amounts()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(AmountText(value), text);
        QCOMPARE(FormatAmount(text), expected);
        const QString number = text.isEmpty() ? "0" : text;
        QCOMPARE(NumberText(" " + expected + "  "), number);
        QCOMPARE(NumberText(text), number);
        QCOMPARE(NumberText(text + "   "), number);
    }

    void keyFilter_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QChar>("typed");
        QTest::addColumn<bool>("allowed");
        // Digits, a Persian keyboard's in both forms too, and Backspace pass NUM.
        for (const QChar c :
             QString("09\b") + QChar(0x06F0) + QChar(0x06F9) + QChar(0x0660) + QChar(0x0669))
            QTest::addRow("NUM: U+%04x", c.unicode()) << "NUM" << c << true;
        for (const QChar c : QString("a-. ") + QChar(0x06A9))
            QTest::addRow("NUM: U+%04x", c.unicode()) << "NUM" << c << false;
        QTest::newRow("no rule") << "" << QChar('a') << true;
        QTest::newRow("the rule is case-sensitive") << "num" << QChar('a') << true;
    }
    void keyFilter()
    {
        QFETCH(QString, rule);
        QFETCH(QChar, typed);
        QFETCH(bool, allowed);
        QCOMPARE(KeyAllowed(rule, typed), allowed);
    }

    void keyNormalisation_data()
    {
        QTest::addColumn<QString>("charSet");
        QTest::addColumn<QString>("os");
        QTest::addColumn<QChar>("typed");
        QTest::addColumn<QChar>("expected");
        const QChar alefMaksura(0x0649), arabicYeh(0x064A), farsiYeh(0x06CC), keheh(0x06A9),
            arabicKaf(0x0643), division(0x00F7), peh(0x067E), jeh(0x0698), beh(0x0628);
        const auto row = [](const char* name, const char* charSet, const char* os, QChar typed,
                            QChar expected) {
            QTest::newRow(name) << QString(charSet) << QString(os) << typed << expected;
        };
        row("WIN leaves Farsi Yeh", "WIN", "Linux", farsiYeh, farsiYeh);
        row("WIN leaves Keheh", "WIN", "Windows NT", keheh, keheh);
        row("WIN skips the NT step", "WIN", "Windows NT", peh, peh);
        row("Alef Maksura to Yeh", "DOS", "Linux", alefMaksura, arabicYeh);
        row("Farsi Yeh to Yeh", "DOS", "Linux", farsiYeh, arabicYeh);
        row("Keheh to Kaf", "DOS", "Linux", keheh, arabicKaf);
        row("other letters unchanged", "DOS", "Linux", beh, beh);
        row("Peh unchanged off NT", "DOS", "Linux", peh, peh);
        row("NT division sign to Peh, once", "DOS", "Windows NT", division, peh);
        row("NT Peh to Jeh", "DOS", "Windows NT", peh, jeh);
        row("NT still maps Keheh", "DOS", "Windows NT", keheh, arabicKaf);
    }
    void keyNormalisation()
    {
        QFETCH(QString, charSet);
        QFETCH(QString, os);
        QFETCH(QChar, typed);
        QFETCH(QChar, expected);
        m_host->global.CharSetMode = charSet;
        m_host->global.OSName = os;
        QCOMPARE(NormaliseKey(typed), expected);
    }

    void execSqlOnTheCommandQuery()
    {
        // Without a connection: an empty statement still succeeds, anything else fails.
        TMyDatabase none;
        QVERIFY(ExecSQL(&none, QString()));
        QVERIFY(!ExecSQL(&none, "Select 1"));
        QVERIFY(!ExecSQL(nullptr, "Select 1"));

        QTemporaryDir dir;
        DbConnection connection(dir.filePath("t.sqlite"));
        QVERIFY2(connection.isOpen(), qPrintable(connection.lastError()));
        CommandQuery command(&connection);
        TMyDatabase db{&command, &connection};

        QVERIFY(ExecSQL(&db, "Create Table D_Test (Name varchar(20))"));
        QVERIFY(ExecSQL(&db, "Insert Into D_Test Values ('دارايي''ها')"));
        QCOMPARE(command.sql(), "Insert Into D_Test Values ('دارايي''ها')");
        QCOMPARE(StoredValue(connection, "Select Name From D_Test"), "دارايي'ها");

        // Database errors reach the caller as exceptions, with the statement.
        const auto refusal =
            ThrownDatabaseError([&db] { ExecSQL(&db, "Insert Into D_Missing Values (1)"); });
        QVERIFY2(refusal, "a refused statement must throw");
        QVERIFY(refusal->message().contains("D_Missing"));
        QCOMPARE(refusal->statement(), "Insert Into D_Missing Values (1)");
    }

    void sortByColumnTogglesAndMarksTheTitle()
    {
        QTemporaryDir dir;
        DbConnection connection(dir.filePath("s.sqlite"));
        QVERIFY_SQL(connection.execute(QStringLiteral(
            "Create Table R (sOrder2 varchar(1), DaraCod varchar(6), sValue float)")));
        QVERIFY_SQL(connection.execute(QStringLiteral(
            "Insert Into R Values ('A', '   2', 5), ('A', '   1', 9), ('A', '   3', 1)")));
        DataSet ds(&connection);
        ds.open("Select * From R");
        DbGrid grid;
        grid.setDataSet(&ds);
        grid.setColumns({DbGridColumn::Make("DaraCod", "دارايي", 60),
                         DbGridColumn::Make("sValue", "مبلغ", 60)});
        const auto codes = [&ds] { return FieldTexts(ds, "DaraCod"); };

        QCOMPARE(SortByColumn(&grid, 0, "sOrder2, "), "sOrder2, DaraCod ASC ");
        QCOMPARE(codes(), (QStringList{"1", "2", "3"}));
        QCOMPARE(grid.column(0).titleFontColor, QColor(Qt::red));
        QCOMPARE(grid.column(1).titleFontColor, QColor(Qt::black));
        // The same column again: descending, blue.
        QCOMPARE(SortByColumn(&grid, 0, "sOrder2, "), "sOrder2, DaraCod DESC ");
        QCOMPARE(codes(), (QStringList{"3", "2", "1"}));
        QCOMPARE(grid.column(0).titleFontColor, QColor(Qt::blue));
        // Another column starts ascending again; the first title is back to normal.
        SortByColumn(&grid, 1);
        QCOMPARE(codes(), (QStringList{"3", "2", "1"}));
        QCOMPARE(grid.column(0).titleFontColor, QColor(Qt::black));
        QCOMPARE(
            grid.model()->headerData(1, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(),
            QColor(Qt::red));
        // A closed data set is left unsorted.
        ds.close();
        QCOMPARE(SortByColumn(&grid, 0), QString());
    }

    void loadLibraryOnce()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath("DLLs/GlobalForms/Print.so");
        QLibrary handle;
        QVERIFY(!LoadLibraryOnce(handle, missing));
        QCOMPARE(m_plain, QStringList{"Can not load " + missing});

        // A file that is there but is no library.
        const QString broken = dir.filePath("Filter.so");
        WriteWholeFile(broken, "not a shared object");
        m_plain.clear();
        QVERIFY(!LoadLibraryOnce(handle, broken));
        QCOMPARE(m_plain, QStringList{"File Exits: " + broken});

        // A real library loads; once loaded, the handle is kept whatever path follows.
        m_plain.clear();
        QVERIFY(LoadLibraryOnce(handle, QStringLiteral(AMVAL_PLATFORM_PATH)));
        QVERIFY(handle.isLoaded());
        QVERIFY(LoadLibraryOnce(handle, missing));
        QCOMPARE(handle.fileName(), QStringLiteral(AMVAL_PLATFORM_PATH));
        QVERIFY(m_plain.isEmpty());
        handle.unload();
    }

private:
    std::unique_ptr<ScriptedHost> m_host;
    QStringList m_plain;
};

AMVAL_TEST_MAIN(TestGlobalUnit)
#include "tst_globalunit.moc"
