// Asset labels from a report grid: the rows chosen in the grid, the dialog played
// with keys, the PDF rasterised (pdftoppm) and every place of every sheet read back
// with a scanner's decoder (zbarimg); the refusals that print nothing; the settings
// kept between two dialogs.

#include "amvalgardaniunit.h"
#include "context/pendingfile.h"
#include "dataset.h"
#include "dbgrid.h"
#include "demohost.h"
#include "labeldialog.h"
#include "persiantext.h"
#include "reportgrid.h"
#include "testmain.h"
#include "uitest.h"
#include "voucherdriver.h"

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QtTest>
#include <QtWidgets>

namespace {

constexpr int kDpi = 200;

// What a decoder reads in each place of each page of `pdf`, "CODE-128:<code>" or
// "QR-Code:<code>", "" for an empty place: the roll's page whole, an A4 sheet with the
// dialog's first margins (4.5 mm above and below, none at the sides, no gaps) in 8 rows
// of three 70 x 36 mm places, each row read from the right.
QStringList ReadBack(const QString& pdf, bool roll)
{
    QTemporaryDir dir;
    if (QProcess::execute("pdftoppm",
                          {"-r", QString::number(kDpi), "-png", pdf, dir.filePath("page")}) != 0)
        return {"<pdftoppm failed>"};
    QList<QRectF> places; // in millimetres
    if (roll)
        places << QRectF();
    for (int slot = 0; !roll && slot < 24; ++slot)
        places << QRectF(210 - (slot % 3 + 1) * 70, 4.5 + (slot / 3) * 36, 70, 36);
    QStringList read;
    const QStringList pages = QDir(dir.path()).entryList({"page*.png"}, QDir::Files, QDir::Name);
    for (const QString& page : pages) {
        const QImage image(dir.filePath(page));
        for (const QRectF& mm : std::as_const(places)) {
            const double k = kDpi / 25.4;
            const QString crop = dir.filePath("place.png");
            image
                .copy(
                    roll ? image.rect()
                         : QRectF(mm.x() * k, mm.y() * k, mm.width() * k, mm.height() * k).toRect())
                .save(crop);
            read << ProgramOutput("zbarimg",
                                  {"-q", "-Sdisable", "-Scode128.enable", "-Sqrcode.enable", crop})
                        .trimmed();
        }
    }
    return read;
}

} // namespace

class TestLabels : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoHost> m_host;
    std::unique_ptr<QWidget> m_owner;
    std::unique_ptr<DataSet> m_data;
    DbGrid* m_grid = nullptr;
    TReportGrid* m_report = nullptr;
    QTemporaryDir m_config;

    // A key to whatever has the focus.
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    // Tab until `field` has the focus.
    static bool TabTo(QWidget* field)
    {
        for (int i = 0; i < 30 && QApplication::focusWidget() != field; ++i)
            Key(Qt::Key_Tab);
        return QApplication::focusWidget() == field;
    }
    // The field's text replaced by `text`, typed on a Persian keyboard.
    static bool TypeInto(QWidget* field, const QString& text)
    {
        if (!TabTo(field))
            return false;
        Key(Qt::Key_A, Qt::ControlModifier);
        TypeText([] { return QApplication::focusWidget(); }, text);
        return true;
    }

    // The report grid over `sql`, shown, the cursor on its first row.
    void openGrid(const QString& sql)
    {
        m_data->open(sql);
        m_grid->setDataSet(m_data.get());
        m_grid->setFocus();
        m_grid->setCurrentIndex(m_grid->model()->index(0, 0));
    }

    // Steps the dialog through symbology, sheet, a field with its value, the output.
    struct Choice
    {
        int symbology = 0; // Downs in the symbology box
        int sheet = 0;     // Downs in the sheet box
        QList<std::pair<QString, QString>> fields = {};
        int output = 2; // Downs from the preview: 1 printer, 2 PDF
        QString pdf = {};
    };
    void choose(TLabelDialog* d, const Choice& c)
    {
        QTRY_VERIFY(QApplication::focusWidget() != nullptr &&
                    QApplication::focusWidget()->window() == d);
        QVERIFY(TabTo(d->cbSymbology));
        for (int i = 0; i < c.symbology; ++i)
            Key(Qt::Key_Down);
        QVERIFY(TabTo(d->cbSheet));
        for (int i = 0; i < c.sheet; ++i)
            Key(Qt::Key_Down);
        for (const auto& [name, text] : c.fields)
            QVERIFY2(TypeInto(d->findChild<QWidget*>(name), text), qPrintable(name));
        QVERIFY(TabTo(d->rbPreview));
        for (int i = 0; i < c.output; ++i)
            Key(Qt::Key_Down);
        if (!c.pdf.isEmpty())
            QVERIFY(TypeInto(d->edPdfFile, c.pdf));
        Key(Qt::Key_Return);
    }

    QString out(const QString& name) const { return QDir(m_host->fileFolder()).filePath(name); }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        m_host = std::make_unique<DemoHost>(40);
    }

    void init()
    {
        QFile::remove(QDir(m_config.path()).filePath("amval/labels.conf"));
        m_host->dlgMsg->shown.clear();
        m_owner = std::make_unique<QWidget>();
        m_owner->resize(700, 400);
        m_grid = new DbGrid(m_owner.get());
        m_grid->setGeometry(10, 10, 650, 350);
        m_data = std::make_unique<DataSet>(&m_host->db());
        m_data->setReadOnly(true);
        m_report = new TReportGrid(m_grid, m_owner.get());
        m_owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
    }

    void cleanup()
    {
        for (const QString& f : QDir(m_host->fileFolder()).entryList({"*.pdf*"}, QDir::Files))
            QFile::remove(out(f));
        m_owner.reset();
        m_data.reset();
    }

    // Labels of the chosen rows in a PDF, read back place by place: rows of a report
    // grid, and every row of the count window, typed with Persian digits.
    void labelsReadBack_data()
    {
        QTest::addColumn<QString>("sql"); // "": the count window's rows
        QTest::addColumn<int>("extend");  // Shift+Down from the second row; 0: one cell
        QTest::addColumn<int>("symbology");
        QTest::addColumn<int>("sheet");
        QTest::addColumn<QString>("start"); // typed into the first place box
        const QString names = "SELECT DaraCod, DaraNam FROM D_Amval ORDER BY DaraCod LIMIT 12";
        const QString codes = "SELECT DaraCod FROM D_Amval ORDER BY DaraCod DESC LIMIT 5";
        QTest::newRow("Code 128, A4 from place 5, seven rows chosen")
            << names << 6 << 0 << 0 << "۵";
        QTest::newRow("QR, A4 from place 20, every row") << names << 0 << 1 << 0 << "۲۰";
        QTest::newRow("QR, roll, every row") << codes << 0 << 1 << 1 << "";
        // A history lists an asset once per voucher: one label each.
        QTest::newRow("Code 128, roll, assets of many rows once")
            << "SELECT DaraCod FROM D_Amval WHERE DaraCod IN (SELECT DaraCod FROM D_Amval "
               "ORDER BY DaraCod LIMIT 3) UNION ALL SELECT DaraCod FROM D_Amval WHERE DaraCod "
               "IN (SELECT DaraCod FROM D_Amval ORDER BY DaraCod LIMIT 3) ORDER BY 1"
            << 0 << 0 << 1 << "";
        QTest::newRow("Code 128, roll, the count window's rows") << "" << 0 << 0 << 1 << "";
    }
    void labelsReadBack()
    {
        QFETCH(QString, sql);
        QFETCH(int, extend);
        QFETCH(int, symbology);
        QFETCH(int, sheet);
        QFETCH(QString, start);
        const QString prefix = symbology == 1 ? "QR-Code:" : "CODE-128:";
        QStringList chosen;
        std::unique_ptr<TAmvalGardaniForm> count;
        QWidget* viewport = m_grid->viewport();
        QMenu* menu = m_report->Menu();
        QAction* item = m_report->item("LabelItem");
        if (sql.isEmpty()) {
            const QStringList assets =
                Column(m_host->db(), "SELECT TRIM(DaraCod) FROM D_Amval AS A WHERE NOT EXISTS "
                                     "(SELECT 1 FROM D_Gardani AS G WHERE G.DaraCod = A.DaraCod) "
                                     "ORDER BY DaraCod LIMIT 3");
            QCOMPARE(assets.size(), 3);
            count = OpenForm<TAmvalGardaniForm>();
            VoucherDriver d(*m_host, count.get());
            d.startVoucher(NextNumber(*m_host, "D_Gardani"), Day("08/01"));
            for (QLineEdit* edit : {count->MakanCod, count->PersonelCod}) {
                TypeText(edit, "۱");
                VoucherDriver::enter(edit);
            }
            for (const QString& asset : assets) {
                d.cell(PersianDigits(asset));
                chosen << prefix + asset;
            }
            QVERIFY2(m_host->dlgMsg->shown.isEmpty(), qPrintable(d.lastMessage()));
            viewport = count->dbgAsnad->viewport();
            menu = count->PopupMenu;
            item = count->miLabels;
        } else {
            openGrid(sql);
            // The rows the clerk chooses: the second and those below it, or (one cell) all.
            QTest::keyClick(m_grid, Qt::Key_Down);
            for (int i = 0; i < extend; ++i)
                QTest::keyClick(m_grid, Qt::Key_Down, Qt::ShiftModifier);
            const int last = extend > 0 ? 2 + extend : m_data->recordCount();
            for (int r = extend > 0 ? 1 : 0; r < last; ++r)
                chosen << prefix + m_data->value(r, 0).toString().trimmed();
            const qsizetype rows = chosen.size();
            chosen.removeDuplicates();
            if (sql.contains("UNION ALL"))
                QCOMPARE(2 * chosen.size(), rows);
        }

        const QString pdf = out("labels.pdf");
        QList<std::pair<QString, QString>> fields;
        if (!start.isEmpty())
            fields << std::pair<QString, QString>{"spStart", start};
        WhenModal<TLabelDialog>([&](TLabelDialog* d) {
            choose(d, {.symbology = symbology, .sheet = sheet, .fields = fields, .pdf = pdf});
        });
        QVERIFY(ClickMenuItem(viewport, QPoint(20, 20), menu, item));
        QTRY_VERIFY(TopLevel<TLabelDialog>().isEmpty());
        QCOMPARE(ShownTexts(*m_host).join('|'),
                 QString("فايل PDF برچسبها ساخته شد:\n") + LeftToRightRun(pdf));

        const int skipped = start.isEmpty() ? 0 : LatinDigits(start).toInt() - 1;
        QStringList expected = QStringList(skipped, QString()) + chosen;
        while (expected.size() % (sheet == 1 ? 1 : 24) != 0)
            expected << QString();
        QCOMPARE(ReadBack(pdf, sheet == 1), expected);
    }

    // A layout that does not fit, a code that cannot be printed, no printer, a folder
    // that takes no file: the message, the dialog still open, nothing written and the
    // user's older file as it was.
    void refusals_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("sheet");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("output");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        const QString assets = "SELECT DaraCod FROM D_Amval ORDER BY DaraCod LIMIT 3";
        const auto row = [&](const char* name, const QString& message, const QString& field = "",
                             const QString& value = "", int sheet = 0, const QString& sql = "",
                             const QString& file = "old.pdf", int output = 2) {
            QTest::newRow(name) << (sql.isEmpty() ? assets : sql) << sheet << field << value
                                << output << file << message;
        };
        const QString smallest = "(کمترين اندازه برچسب 20 × 12 ميليمتر است).";
        const QString larger = "حاشيه ها و فاصله ها از برگه A4 بزرگترند: براي هر برچسب ";
        row("margins wider than the sheet", larger + "16.7 × 36 ميليمتر مي ماند " + smallest,
            "spMarginSide", "۸۰");
        row("gaps taller than the sheet", larger + "70 × 0 ميليمتر مي ماند " + smallest, "spGapY",
            "۴۵");
        row("roll label of no width",
            "اندازه برچسب رول 0 × 25 ميليمتر است و برچسب در آن جا نمي شود " + smallest,
            "spLabelWidth", "۰", 1);
        row("a code Code 128 cannot carry",
            "كد دارايي «ب12» (رديف 1) را نمي توان به صورت بارکد Code 128 چاپ کرد: ", "", "", 0,
            "SELECT 'ب12' AS DaraCod");
        row("a row without a code", "رديف 2 كد دارايي ندارد؛ برچسبي چاپ نشد.", "", "", 0,
            "SELECT DaraCod FROM D_Amval WHERE DaraCod <= (SELECT MIN(DaraCod) FROM D_Amval) "
            "UNION ALL SELECT '' ORDER BY 1 DESC");
        row("a folder that is not there", "", "", "", 0, "", "missing/labels.pdf");
        if (QPrinterInfo::availablePrinters().isEmpty())
            row("no printer", "هيچ چاپگري در اين سيستم تعريف نشده است", "", "", 0, "", "", 1);
    }
    void refusals()
    {
        QFETCH(QString, sql);
        QFETCH(int, sheet);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(int, output);
        QFETCH(QString, file);
        QFETCH(QString, message);
        openGrid(sql);
        const QString path = file.isEmpty() ? QString() : out(file);
        if (file == "old.pdf")
            WriteWholeFile(path, "older file");
        if (file.startsWith("missing/"))
            message = TPendingFile::FailureText(path, true);
        QList<std::pair<QString, QString>> fields;
        if (!field.isEmpty())
            fields << std::pair{field, value};
        bool stayed = false;
        WhenModal<TLabelDialog>([&](TLabelDialog* d) {
            choose(d, {.sheet = sheet, .fields = fields, .output = output, .pdf = path});
            stayed = d->isVisible();
            Key(Qt::Key_Escape);
            QVERIFY(!d->isVisible());
        });
        m_report->item("LabelItem")->trigger();
        QVERIFY(stayed);
        QCOMPARE(ShownTexts(*m_host).size(), 1);
        QVERIFY2(ShownTexts(*m_host).first().startsWith(message),
                 qPrintable(ShownTexts(*m_host).first()));
        if (file == "old.pdf")
            QCOMPARE(FileBytes(path), "older file");
        const QStringList left = QDir(m_host->fileFolder()).entryList({"*.pdf*"}, QDir::Files);
        QCOMPARE(left, file == "old.pdf" ? QStringList{"old.pdf"} : QStringList{});
    }

    // The item is there for rows that name an asset, and only for them. What the clerk
    // chose comes back in the next dialog; the preview shows the pages.
    void settingsKeptBetweenDialogs()
    {
        QAction* item = m_report->item("LabelItem");
        QVERIFY(item != nullptr);
        for (const auto& [sql, shown] :
             {std::pair{"SELECT MakanCod, MakanNam FROM D_Makan", false},
              {"SELECT DaraCod FROM D_Amval ORDER BY DaraCod LIMIT 4", true}}) {
            openGrid(sql);
            emit m_report->Menu()->aboutToShow();
            QCOMPARE(item->isVisible(), shown);
        }
        int pages = -1;
        WhenModal<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
            if (auto* w = preview->findChild<QPrintPreviewWidget*>())
                pages = w->pageCount();
            preview->reject();
        });
        WhenModal<TLabelDialog>([&](TLabelDialog* d) {
            choose(d, {.symbology = 1,
                       .sheet = 1,
                       .fields = {{"spLabelWidth", "۶۲٫۵"}, {"spLabelHeight", "۳۰"}},
                       .output = 0});
        });
        item->trigger();
        QCOMPARE(pages, 4);

        TLabelDialog again({}, QString());
        const TLabelLayout kept = again.chosenLayout();
        QCOMPARE(int(kept.symbology), int(TLabelLayout::Symbology::QR));
        QCOMPARE(int(kept.sheet), int(TLabelLayout::Sheet::Roll));
        QCOMPARE(kept.labelWidth, 62.5);
        QCOMPARE(kept.labelHeight, 30.0);
        QVERIFY(!again.spMarginTop->isEnabled());
        QVERIFY(again.spLabelWidth->isEnabled());
    }
};

AMVAL_TEST_MAIN(TestLabels)
#include "tst_labels.moc"
