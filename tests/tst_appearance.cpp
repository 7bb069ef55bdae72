// Window appearance: the colour notation of OptionsColor.ini, reading the file, the
// colours that land on a window's controls, the rounded outline and caption buttons,
// the task window base, and the file selection dialog.

#include "amvalform.h"
#include "appearance.h"
#include "context/captionpanel.h"
#include "dataset.h"
#include "dbgrid.h"
#include "installhost.h"
#include "selform.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtTest>

namespace {
QColor Rgb(int r, int g, int b)
{
    return QColor(r, g, b);
}

QColor Role(const QWidget* w, QPalette::ColorRole role)
{
    return w->palette().color(role);
}

// A small window as the module's windows are built: caption panel with its shaped
// buttons, edits, a label and a grid.
struct SampleWindow
{
    QWidget window;
    TCaptionPanel* panel;
    QToolButton* close;
    QToolButton* minimise;
    QLineEdit* readOnly;
    QLineEdit* editable;
    QSpinBox* spin;
    QLabel* label;
    DbGrid* grid;
    QTableWidget* table;

    SampleWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        panel = new TCaptionPanel(&window);
        panel->setCaption(QStringLiteral("عنوان"));
        close = panel->addShapedButton("Close_Shape", "sb_Closed", "✕", "بستن فرم");
        minimise = panel->addShapedButton("Min_Shape", "sb_Minimized", "—", "كوچك كردن فرم");
        layout->addWidget(panel);
        readOnly = new QLineEdit(&window);
        readOnly->setReadOnly(true);
        editable = new QLineEdit(&window);
        spin = new QSpinBox(&window);
        label = new QLabel(QStringLiteral("برچسب"), &window);
        grid = new DbGrid(&window);
        DbGridColumn code = DbGridColumn::Make("DaraCod", "کد", 60);
        code.readOnly = true;
        DbGridColumn desc = DbGridColumn::Make("Sharh", "شرح", 120);
        desc.color = Qt::green;
        grid->setColumns({code, desc});
        table = new QTableWidget(2, 2, &window);
        for (QWidget* w :
             std::initializer_list<QWidget*>{readOnly, editable, spin, label, grid, table})
            layout->addWidget(w);
        window.resize(500, 300);
    }
};
} // namespace

class TestAppearance : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedHost> m_host;
    std::unique_ptr<QTemporaryDir> m_app;

    void writeColorFile(const QByteArray& content)
    {
        QDir(m_app->path()).mkpath(QStringLiteral("Data"));
        QFile file(m_app->path() + QStringLiteral("/Data/OptionsColor.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private slots:
    void init()
    {
        m_host = std::make_unique<ScriptedHost>();
        m_app = std::make_unique<QTemporaryDir>();
        m_host->global.AppPath = m_app->path();
        InstallHost(*m_host);
    }

    void colourNotation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QColor>("color");
        QTest::newRow("fixed name") << "clMaroon" << true << Rgb(0x80, 0, 0);
        QTest::newRow("name in any case, blanks around")
            << "  CLbtnface " << true << Rgb(0xF0, 0xF0, 0xF0);
        QTest::newRow("system colour") << "clHighlight" << true << Rgb(0, 0x78, 0xD7);
        QTest::newRow("info background") << "clInfoBk" << true << Rgb(0xFF, 0xFF, 0xE1);
        QTest::newRow("hex: blue in the high byte")
            << "0x00E1FFFF" << true << Rgb(0xFF, 0xFF, 0xE1);
        QTest::newRow("hex, three channels apart") << "0x009C7863" << true << Rgb(0x63, 0x78, 0x9C);
        QTest::newRow("dollar hex") << "$000000FF" << true << Rgb(0xFF, 0, 0);
        QTest::newRow("decimal") << "14811135" << true << Rgb(0xFF, 0xFF, 0xE1);
        QTest::newRow("system colour number") << "$FF00000F" << true << Rgb(0xF0, 0xF0, 0xF0);
        QTest::newRow("negative system colour number") << "-16777203" << true << Rgb(0, 0x78, 0xD7);
        QTest::newRow("no colour") << "clNone" << true << QColor();
        QTest::newRow("unknown name") << "clPink" << false << QColor();
        QTest::newRow("bad hex digit") << "0x00GG0000" << false << QColor();
        QTest::newRow("too big") << "0x100000000" << false << QColor();
        QTest::newRow("unknown system colour") << "$FF0000FE" << false << QColor();
        QTest::newRow("empty") << "" << false << QColor();
    }
    void colourNotation()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QColor, color);
        bool converted = !ok;
        QCOMPARE(StringToColor(text, &converted), color);
        QCOMPARE(converted, ok);
    }

    // No file: the defaults land and nothing is reported.
    void defaultsWithoutFile()
    {
        SampleWindow s;
        const auto [readOnlyTitle, sortedTitle] = ApplyColorOptions(&s.window);
        QCOMPARE(readOnlyTitle, QColor(Qt::black));
        QCOMPARE(sortedTitle, QColor(Qt::red));
        QCOMPARE(Role(&s.window, QPalette::Window), Rgb(0xF0, 0xF0, 0xF0));
        QCOMPARE(Role(s.panel, QPalette::Window), Rgb(0, 0x78, 0xD7));
        QCOMPARE(Role(s.grid, QPalette::Base), Rgb(0xFF, 0xFF, 0xE1));
        QCOMPARE(s.grid->columns().at(0).color, Rgb(0x63, 0x78, 0x9C));
        QCOMPARE(s.grid->columns().at(0).fontColor, QColor(Qt::yellow));
        QVERIFY(m_host->dlgMsg->shown.isEmpty());
    }

    // Each key lands where it belongs, read as the window system reads ini files:
    // names in any case, first entry wins, other sections and comments ignored.
    void coloursLandOnTheControls()
    {
        writeColorFile("\xEF\xBB\xBF; colours of the module\r\n"
                       "[Other]\r\nDialogColor=clRed\r\n"
                       "[color]\r\n"
                       "dialogcolor = clSilver\r\n"
                       "DialogColor=clRed\r\n"
                       "CaptionBColor=clNavy\r\nCaptionFColor=\"clYellow\"\r\n"
                       "TextABColor=clAqua\r\nTextAFColor=clMaroon\r\n"
                       "TextEBColor=clLime\r\nTextEFColor=clPurple\r\n"
                       "LabelColor=clTeal\r\n"
                       "GridTextBAColor=$00C0DCC0\r\nGridTextFAColor=clOlive\r\n"
                       "GridTextBRColor=clGray\r\nGridTextFRColor=clWhite\r\n"
                       "GridCaptionBAColor=clSkyBlue\r\nGridCaptionFAColor=clBlue\r\n"
                       "GridCaptionBRColor=clCream\r\nGridCaptionFRColor=clFuchsia\r\n"
                       "GridCaptionFSColor=clGreen\r\nHintColor=clMoneyGreen\r\n");
        SampleWindow s;
        const QColor spinBase = Role(s.spin, QPalette::Base);
        const QColor tableBase = Role(s.table, QPalette::Base);
        const auto [readOnlyTitle, sortedTitle] = ApplyColorOptions(&s.window);
        QVERIFY(m_host->dlgMsg->shown.isEmpty());
        QCOMPARE(readOnlyTitle, QColor(Qt::magenta));
        QCOMPARE(sortedTitle, Rgb(0, 0x80, 0));

        QCOMPARE(Role(&s.window, QPalette::Window), Rgb(0xC0, 0xC0, 0xC0));
        QCOMPARE(Role(&s.window, QPalette::WindowText), Rgb(0, 0x80, 0x80));
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), Rgb(0xC0, 0xDC, 0xC0));

        QCOMPARE(Role(s.panel, QPalette::Window), Rgb(0, 0, 0x80));
        QVERIFY(s.panel->autoFillBackground());
        QCOMPARE(Role(s.panel->titleLabel(), QPalette::WindowText), QColor(Qt::yellow));
        for (const char* shape : {"Close_Shape", "Min_Shape"})
            QCOMPARE(Role(s.panel->shape(shape), QPalette::Window), Rgb(0, 0, 0x80));

        QCOMPARE(Role(s.readOnly, QPalette::Base), QColor(Qt::cyan));
        QCOMPARE(Role(s.readOnly, QPalette::Text), Rgb(0x80, 0, 0));
        QCOMPARE(Role(s.editable, QPalette::Base), QColor(Qt::green));
        QCOMPARE(Role(s.editable, QPalette::Text), Rgb(0x80, 0, 0x80));
        QCOMPARE(Role(s.label, QPalette::WindowText), Rgb(0, 0x80, 0x80));
        // The editor inside a spin box and a string grid keep their own colours.
        QCOMPARE(Role(s.spin, QPalette::Base), spinBase);
        QCOMPARE(Role(s.table, QPalette::Base), tableBase);

        QCOMPARE(Role(s.grid, QPalette::Base), Rgb(0xC0, 0xDC, 0xC0));
        QCOMPARE(Role(s.grid, QPalette::Text), Rgb(0x80, 0x80, 0));
        QCOMPARE(Role(s.grid->horizontalHeader(), QPalette::Button), Rgb(0xA6, 0xCA, 0xF0));
        QCOMPARE(Role(s.grid->horizontalHeader(), QPalette::ButtonText), QColor(Qt::blue));
        // The read-only column, as the grid's model hands it to the view.
        QAbstractItemModel* model = s.grid->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(),
                 Rgb(0xFF, 0xFB, 0xF0));
        QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(Qt::magenta));
        QCOMPARE(s.grid->columns().at(0).color, Rgb(0x80, 0x80, 0x80));
        QCOMPARE(s.grid->columns().at(0).fontColor, QColor(Qt::white));
        // The editable column keeps its own settings.
        QCOMPARE(s.grid->columns().at(1).color, QColor(Qt::green));
        QVERIFY(!s.grid->columns().at(1).fontColor.isValid());
        QVERIFY(!model->headerData(1, Qt::Horizontal, Qt::BackgroundRole).isValid());
    }

    // A value that is not a colour: one clear message, that key's default, the rest of
    // the file applied; the same fault is not told again for the next window.
    void badValueIsToldOnceAndDefaulted()
    {
        writeColorFile("[Color]\nTextABColor=clPurpleish\nLabelColor=clRed\nHintColor=$00ZZ\n"
                       "DialogColor\n=clBlue\n[Color\nCaptionBColor=clLime\n");
        SampleWindow s;
        ApplyColorOptions(&s.window);
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);
        const ShownMessage& m = m_host->dlgMsg->shown.first();
        QVERIFY(m.text.contains(QStringLiteral("TextABColor")));
        QVERIFY(m.text.contains(QStringLiteral("clPurpleish")));
        QVERIFY(m.text.contains(QStringLiteral("HintColor")));
        QCOMPARE(m.icon, QStringLiteral("I_Error"));
        QCOMPARE(Role(s.readOnly, QPalette::Base), QColor(Qt::white));
        QCOMPARE(Role(s.label, QPalette::WindowText), QColor(Qt::red));
        // Lines that are not entries change nothing, and a broken section header
        // still opens the section it names.
        QCOMPARE(Role(&s.window, QPalette::Window), Rgb(0xF0, 0xF0, 0xF0));
        QCOMPARE(Role(s.panel, QPalette::Window), QColor(Qt::green));

        SampleWindow next;
        ApplyColorOptions(&next.window);
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);
        QCOMPARE(Role(next.readOnly, QPalette::Base), QColor(Qt::white));
    }

    // Maximised, the close shape stands 10 pixels plus its width in from the screen's
    // right edge; each next shape 2 pixels left of the button before it; a missing
    // minimise shape puts the system shape beside the close button.
    void captionButtonsFromTheRightEdge()
    {
        SampleWindow s;
        QToolButton* sys = s.panel->addShapedButton("Sys_Shape", "sb_Sys", "≡", "");
        QToolButton* cond = s.panel->addShapedButton("Cond_Shape", "sb_Cond", "?", "");
        QWidget *closeShape = s.panel->shape("Close_Shape"),
                *minShape = s.panel->shape("Min_Shape"), *sysShape = s.panel->shape("Sys_Shape"),
                *condShape = s.panel->shape("Cond_Shape");
        s.window.show();
        const int screenWidth = s.window.screen()->geometry().width();
        QCOMPARE(FrameWidth(true, &s.window), screenWidth);

        LayoutWindowFrame(true, &s.window, closeShape, minShape, sysShape, condShape, s.close,
                          s.minimise, sys, cond);
        QCOMPARE(closeShape->x(), screenWidth - closeShape->width() - 10);
        QCOMPARE(s.close->x(), closeShape->x() + 1);
        QCOMPARE(s.close->y(), closeShape->y() + 1);
        QCOMPARE(minShape->x(), s.close->x() - minShape->width() - 2);
        QCOMPARE(s.minimise->x(), minShape->x() + 1);
        QCOMPARE(sysShape->x(), s.minimise->x() - sysShape->width() - 2);
        QCOMPARE(condShape->x(), sys->x() - condShape->width() - 2);
        QCOMPARE(cond->x(), condShape->x() + 1);

        // Not maximised, and without a minimise shape.
        s.window.resize(400, 300);
        minShape->hide();
        s.minimise->hide();
        LayoutWindowFrame(false, &s.window, closeShape, nullptr, sysShape, nullptr, s.close,
                          nullptr, sys, nullptr);
        QCOMPARE(closeShape->x(), 400 - closeShape->width() - 10);
        QCOMPARE(sysShape->x(), s.close->x() - sysShape->width() - 2);
        // The title is never drawn under the buttons.
        QTRY_VERIFY(s.panel->titleLabel()->geometry().right() < sysShape->x());

        // The outline: rounded at the top, square at the bottom of a wide window.
        const QRegion mask = s.window.mask();
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(399, 0)));
        QVERIFY(mask.contains(QPoint(200, 0)));
        QVERIFY(mask.contains(QPoint(0, 299)));
        QVERIFY(mask.contains(QPoint(399, 299)));
    }

    // A docked task window lays its frame out on the page it fills, in the colour
    // file's colours, and follows the page when it grows.
    void taskWindowTakesItsFrame()
    {
        writeColorFile("[Color]\nCaptionBColor=clMaroon\nDialogColor=clCream\n");
        QWidget page;
        page.resize(700, 500);
        page.show();
        auto* form = new TAmvalForm(QStringLiteral("جستجوي اسناد دارايي"));
        form->DockInto(&page);
        QTRY_COMPARE(form->width(), 700);
        QCOMPARE(Role(form->Caption_Panel, QPalette::Window), Rgb(0x80, 0, 0));
        QCOMPARE(Role(form, QPalette::Window), Rgb(0xFF, 0xFB, 0xF0));
        QCOMPARE(form->gridCaptionSortedColor(), QColor(Qt::red));
        QCOMPARE(form->Close_Shape->x(), 700 - form->Close_Shape->width() - 10);
        QCOMPARE(form->Min_Shape->x(), form->sb_Closed->x() - form->Min_Shape->width() - 2);

        page.resize(900, 500);
        QTRY_COMPARE(form->Close_Shape->x(), 900 - form->Close_Shape->width() - 10);
        QVERIFY(form->mask().contains(QPoint(850, 400)));

        // The buttons still work from their new places.
        QTest::mouseClick(form->sb_Minimized, Qt::LeftButton);
        QVERIFY(form->isMinimisedInParent());
    }

    void fileSelection()
    {
        QTemporaryDir folder;
        for (const char* name : {"asnad.dbf", "notes.txt", "amval.DBF"}) {
            QFile f(folder.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        TSelForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("انتخاب فايل"));
        QCOMPARE(form.Caption_Panel->caption(), QStringLiteral("         انتخاب مسير کپي فايلها"));
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        form.setFolder(folder.path());
        QCOMPARE(form.folder(), QDir::cleanPath(folder.path()));
        QCOMPARE(form.PathLabel->text(), QDir::toNativeSeparators(QDir::cleanPath(folder.path())));
        // Only the dBASE files are listed; picking one names it.
        QAbstractItemModel* files = form.FileListBox->model();
        const QModelIndex root = form.FileListBox->rootIndex();
        QTRY_COMPARE(files->rowCount(root), 2);
        QStringList listed;
        for (int row = 0; row < files->rowCount(root); ++row)
            listed << files->index(row, 0, root).data().toString();
        listed.sort();
        QCOMPARE(listed, QStringList({"amval.DBF", "asnad.dbf"}));
        // A folder that does not exist leaves the chosen one.
        form.setFolder(folder.filePath("missing"));
        QCOMPARE(form.folder(), QDir::cleanPath(folder.path()));

        // Shown: centred on the screen, its close button inside the window's right edge.
        form.setFileName(QStringLiteral("asnad.dbf"));
        QTimer::singleShot(0, &form, [&form] { QTest::keyClick(&form, Qt::Key_Escape); });
        QCOMPARE(form.exec(), 2);
        const QRect screen = form.screen()->geometry();
        QCOMPARE(form.pos(), QPoint((screen.width() - form.width()) / 2,
                                    (screen.height() - form.height()) / 2));
        QCOMPARE(form.Close_Shape->x(), form.width() - form.Close_Shape->width() - 10);

        QTimer::singleShot(0, &form, [&form] { form.OkBitBtn->click(); });
        QCOMPARE(form.exec(), 1);
        QCOMPARE(form.fileName(), QStringLiteral("asnad.dbf"));
        QTimer::singleShot(0, &form, [&form] { form.sb_Closed->click(); });
        QCOMPARE(form.exec(), 2);
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
