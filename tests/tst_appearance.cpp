// Window appearance: the colour notation and file, the colours that land on a window's
// controls, the caption buttons and outline, the task window base, the file dialog.

#include "amvalform.h"
#include "appearance.h"
#include "context/captionpanel.h"
#include "dataset.h"
#include "dbgrid.h"
#include "installhost.h"
#include "selform.h"
#include "testmain.h"
#include "testplace.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {
QColor Role(const QWidget* w, QPalette::ColorRole role)
{
    return w->palette().color(role);
}

// A small window as the module's windows are built: caption panel with its shaped
// buttons, edits, a label and a grid.
struct SampleWindow
{
    QWidget window;
    TCaptionPanel* panel = new TCaptionPanel(&window);
    QToolButton* close = panel->addShapedButton("Close_Shape", "sb_Closed", "✕", "بستن فرم");
    QToolButton* minimise =
        panel->addShapedButton("Min_Shape", "sb_Minimized", "—", "كوچك كردن فرم");
    QLineEdit* readOnly = new QLineEdit(&window);
    QLineEdit* editable = new QLineEdit(&window);
    QSpinBox* spin = new QSpinBox(&window);
    QLabel* label = new QLabel("برچسب", &window);
    DbGrid* grid = new DbGrid(&window);
    QTableWidget* table = new QTableWidget(2, 2, &window);

    explicit SampleWindow(bool coloured = false)
    {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        panel->setCaption("عنوان");
        readOnly->setReadOnly(true);
        DbGridColumn code = DbGridColumn::Make("DaraCod", "کد", 60);
        code.readOnly = true;
        DbGridColumn desc = DbGridColumn::Make("Sharh", "شرح", 120);
        desc.color = Qt::green;
        grid->setColumns({code, desc});
        for (QWidget* w :
             std::initializer_list<QWidget*>{panel, readOnly, editable, spin, label, grid, table})
            layout->addWidget(w);
        window.resize(500, 300);
        if (coloured)
            ApplyColorOptions(&window);
    }
};
} // namespace

class TestAppearance : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedHost> m_host;
    std::unique_ptr<QTemporaryDir> m_app;
    QTemporaryDir m_config; // the user's configuration folder

    // The shipped colour file, or the one at `path`.
    void writeColorFile(const QByteArray& content, QString path = QString())
    {
        if (path.isEmpty())
            path = m_app->path() + "/Data/OptionsColor.ini";
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        WriteWholeFile(path, content);
    }

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }

    void init()
    {
        m_host = std::make_unique<ScriptedHost>();
        m_app = std::make_unique<QTemporaryDir>();
        m_host->global.AppPath = m_app->path();
        InstallHost(*m_host);
    }

    // Names fixed or of the system in any case, blanks around; hex with red in the low
    // byte; decimal; a negative system colour number; no colour. Not colours: an
    // unknown name or system colour, a bad hex digit, too big, empty.
    void colourNotation()
    {
        const QList<QPair<QString, QColor>> colours{{"clMaroon", QColor(0x80, 0, 0)},
                                                    {"  CLbtnface ", QColor(0xF0, 0xF0, 0xF0)},
                                                    {"0x009C7863", QColor(0x63, 0x78, 0x9C)},
                                                    {"$000000FF", QColor(0xFF, 0, 0)},
                                                    {"14811135", QColor(0xFF, 0xFF, 0xE1)},
                                                    {"-16777203", QColor(0, 0x78, 0xD7)},
                                                    {"clNone", QColor()}};
        for (const auto& [text, color] : colours) {
            bool converted = false;
            QCOMPARE(StringToColor(text, &converted), color);
            QVERIFY2(converted, qPrintable(text));
        }
        for (const char* text : {"clPink", "$FF0000FE", "0x00GG0000", "0x100000000", ""}) {
            bool converted = true;
            QCOMPARE(StringToColor(text, &converted), QColor());
            QVERIFY2(!converted, text);
        }
    }

    // Each key lands where it belongs, read as the window system reads ini files:
    // names in any case, first entry wins, other sections and comments ignored.
    void coloursLandOnTheControls()
    {
        writeColorFile(
            "\xEF\xBB\xBF; colours of the module\r\n[Other]\r\nDialogColor=clRed\r\n"
            "[color]\r\ndialogcolor = clSilver\r\nDialogColor=clRed\r\n"
            "CaptionBColor=clNavy\r\nCaptionFColor=\"clYellow\"\r\nTextABColor=clAqua\r\n"
            "TextAFColor=clMaroon\r\nTextEBColor=clLime\r\nTextEFColor=clPurple\r\n"
            "LabelColor=clTeal\r\nHintColor=clMoneyGreen\r\nGridTextBAColor=$00C0DCC0\r\n"
            "GridTextFAColor=clOlive\r\nGridTextBRColor=clGray\r\nGridTextFRColor=clWhite\r\n"
            "GridCaptionBAColor=clSkyBlue\r\nGridCaptionFAColor=clBlue\r\n"
            "GridCaptionBRColor=clCream\r\nGridCaptionFRColor=clFuchsia\r\n"
            "GridCaptionFSColor=clGreen\r\n");
        SampleWindow s;
        const QColor spinBase = Role(s.spin, QPalette::Base);
        const QColor tableBase = Role(s.table, QPalette::Base);
        const auto [readOnlyTitle, sortedTitle] = ApplyColorOptions(&s.window);
        QVERIFY(m_host->dlgMsg->shown.isEmpty());
        QCOMPARE(readOnlyTitle, QColor(Qt::magenta));
        QCOMPARE(sortedTitle, QColor(0, 0x80, 0));

        QVERIFY(s.panel->autoFillBackground());
        // The editor inside a spin box and a string grid keep their own colours.
        QCOMPARE(
            (QList<QColor>{
                Role(&s.window, QPalette::Window), QToolTip::palette().color(QPalette::ToolTipBase),
                Role(s.panel, QPalette::Window), Role(s.panel->titleLabel(), QPalette::WindowText),
                Role(s.panel->shape("Close_Shape"), QPalette::Window),
                Role(s.panel->shape("Min_Shape"), QPalette::Window),
                Role(s.readOnly, QPalette::Base), Role(s.readOnly, QPalette::Text),
                Role(s.editable, QPalette::Base), Role(s.editable, QPalette::Text),
                Role(s.label, QPalette::WindowText), Role(s.spin, QPalette::Base),
                Role(s.table, QPalette::Base), Role(s.grid, QPalette::Base),
                Role(s.grid, QPalette::Text), Role(s.grid->horizontalHeader(), QPalette::Button),
                Role(s.grid->horizontalHeader(), QPalette::ButtonText)}),
            (QList<QColor>{QColor(0xC0, 0xC0, 0xC0), QColor(0xC0, 0xDC, 0xC0), QColor(0, 0, 0x80),
                           QColor(Qt::yellow), QColor(0, 0, 0x80), QColor(0, 0, 0x80),
                           QColor(Qt::cyan), QColor(0x80, 0, 0), QColor(Qt::green),
                           QColor(0x80, 0, 0x80), QColor(0, 0x80, 0x80), spinBase, tableBase,
                           QColor(0xC0, 0xDC, 0xC0), QColor(0x80, 0x80, 0),
                           QColor(0xA6, 0xCA, 0xF0), QColor(Qt::blue)}));
        // The read-only column, as the grid's model hands it to the view; the editable
        // column keeps its own settings.
        const auto header = [&](int column, Qt::ItemDataRole role) {
            return s.grid->model()->headerData(column, Qt::Horizontal, role);
        };
        QCOMPARE((QList<QColor>{header(0, Qt::BackgroundRole).value<QBrush>().color(),
                                header(0, Qt::ForegroundRole).value<QBrush>().color(),
                                s.grid->columns().at(0).color, s.grid->columns().at(0).fontColor,
                                s.grid->columns().at(1).color}),
                 (QList<QColor>{QColor(0xFF, 0xFB, 0xF0), QColor(Qt::magenta),
                                QColor(0x80, 0x80, 0x80), QColor(Qt::white), QColor(Qt::green)}));
        QVERIFY(!header(1, Qt::BackgroundRole).isValid());
    }

    // A file with faults: one short message naming them (a value far too long to be a
    // colour quoted by its beginning only, one of 40 characters whole), that key's
    // default and the rest of the file applied; the next window tells nothing new.
    // Lines that are not entries change nothing, and a broken section header still
    // opens the section it names. A file that is no colour file at all (a 5 MB value,
    // binary) is named, and every colour keeps its default, those it gives well too.
    void faultsAreToldOnceAndDefaulted_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("told"); // "<file>": the file's path
        QTest::addColumn<QColor>("label");     // invalid: the default
        QTest::addColumn<QColor>("panel");
        const QByteArray forty(40, 'z');
        QTest::newRow("values that are no colours")
            << QByteArray("[Color]\nTextABColor=clPurpleish\nLabelColor=clRed\nHintColor=$00ZZ\n"
                          "DialogColor\n=clBlue\n[Color\nCaptionBColor=clLime\n")
            << QStringList{"TextABColor", "clPurpleish", "HintColor"} << QColor(Qt::red)
            << QColor(Qt::green);
        QTest::newRow("values far too long")
            << "[Color]\nLabelColor=clRed\nDialogColor=clRed" + QByteArray(512 * 1024, 'x') +
                   "\nHintColor=" + forty + "\n"
            << QStringList{"DialogColor", '"' + QString("clRed") + QString(32, 'x') + "...\"",
                           "HintColor", '"' + forty + '"'}
            << QColor(Qt::red) << QColor();
        QTest::newRow("a 5 MB value")
            << "[Color]\nLabelColor=clRed\nDialogColor=" + QByteArray(5 * 1024 * 1024, '7') + "\n"
            << QStringList{"<file>"} << QColor() << QColor();
        QTest::newRow("binary") << QByteArray("[Color]\nLabelColor=clRed\n\x00\x01\x02\xFF\n", 30)
                                << QStringList{"<file>"} << QColor() << QColor();
    }
    void faultsAreToldOnceAndDefaulted()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, told);
        QFETCH(QColor, label);
        QFETCH(QColor, panel);
        const ColorOptions defaults;
        writeColorFile(content);
        SampleWindow s(true);
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);
        const ShownMessage& message = m_host->dlgMsg->shown.first();
        QCOMPARE(message.icon, "I_Error");
        QVERIFY2(message.text.size() < 300, qPrintable(QString::number(message.text.size())));
        for (QString part : told) {
            part.replace("<file>",
                         QDir::toNativeSeparators(m_app->path() + "/Data/OptionsColor.ini"));
            QVERIFY2(message.text.contains(part), qPrintable(part + " not in " + message.text));
        }
        QCOMPARE(Role(s.label, QPalette::WindowText),
                 label.isValid() ? label : defaults.LabelColor);
        QCOMPARE(Role(s.panel, QPalette::Window), panel.isValid() ? panel : defaults.CaptionBColor);
        QCOMPARE(Role(&s.window, QPalette::Window), defaults.DialogColor);
        QCOMPARE(Role(s.readOnly, QPalette::Base), defaults.TextABColor);
        SampleWindow next(true);
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);
    }

    // Without a file every colour keeps its default. The file is read for the first
    // window and kept: a later window reads it again only when its size or time of
    // change differ. A fault told before the change is not told again; a new one is.
    void colourFileIsReadAgainOnlyWhenChanged()
    {
        const QString path = m_app->path() + "/Data/OptionsColor.ini";
        const auto setModified = [&path](const QDateTime& time) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
        };
        const auto dialogColour = [] {
            SampleWindow s(true);
            return Role(&s.window, QPalette::Window);
        };

        // No file yet: every default, nothing told.
        SampleWindow plain;
        const auto [readOnlyTitle, sortedTitle] = ApplyColorOptions(&plain.window);
        QCOMPARE(readOnlyTitle, QColor(Qt::black));
        QCOMPARE(sortedTitle, QColor(Qt::red));
        QCOMPARE(Role(&plain.window, QPalette::Window), QColor(0xF0, 0xF0, 0xF0));
        QCOMPARE(plain.grid->columns().at(0).color, QColor(0x63, 0x78, 0x9C));
        QVERIFY(m_host->dlgMsg->shown.isEmpty());

        writeColorFile("[Color]\nDialogColor=clNavy\nLabelColor=clBad1\n");
        const QDateTime written = QFileInfo(path).lastModified();
        QCOMPARE(dialogColour(), QColor(0, 0, 0x80));
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);

        // Other colours of the same length, the time of change put back: not read.
        writeColorFile("[Color]\nDialogColor=clTeal\nLabelColor=clBad1\n");
        setModified(written);
        QCOMPARE(dialogColour(), QColor(0, 0, 0x80));

        // A new time of change: read, the known fault kept quiet.
        setModified(written.addSecs(5));
        QCOMPARE(dialogColour(), QColor(0, 0x80, 0x80));
        QCOMPARE(m_host->dlgMsg->shown.size(), 1);

        // A new size: read, and its new fault told.
        writeColorFile("[Color]\nDialogColor=clTeal\nLabelColor=clBad22\n");
        dialogColour();
        QCOMPARE(m_host->dlgMsg->shown.size(), 2);
        QVERIFY(m_host->dlgMsg->shown.last().text.contains(QLatin1String("clBad22")));
        QVERIFY(!m_host->dlgMsg->shown.last().text.contains(QLatin1String("clBad1\"")));

        // The user's own copy, in the configuration folder, is read in place of the
        // shipped one, which stays as it was; without it the shipped one is read again.
        const QString own = m_config.path() + "/amval/OptionsColor.ini";
        writeColorFile("[Color]\nDialogColor=clNavy\n", own);
        QCOMPARE(dialogColour(), QColor(0, 0, 0x80));
        QCOMPARE(m_host->dlgMsg->shown.size(), 2);
        QCOMPARE(FileBytes(path), "[Color]\nDialogColor=clTeal\nLabelColor=clBad22\n");
        QVERIFY(QFile::remove(own));
        QCOMPARE(dialogColour(), QColor(0, 0x80, 0x80));
    }

    // The colour file the program ships (in the build's Data/, as installed) names
    // every key, each with its default and in the notation the reader takes: a user
    // starts a copy of his own from it.
    void theShippedColoursAreEveryDefault()
    {
        const QString app = QCoreApplication::applicationDirPath();
        QFile shipped(app + "/Data/OptionsColor.ini");
        QVERIFY2(shipped.open(QIODevice::ReadOnly), qPrintable(shipped.fileName()));
        const QString text = QString::fromUtf8(shipped.readAll());
        QStringList problems;
        const ColorOptions read = ReadColorOptions(app, &problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        const ColorOptions defaults;
        for (const ColorOptions::Key& key : ColorOptions::Keys()) {
            const QString line = QString::fromLatin1(key.name) + '=';
            QVERIFY2(text.contains('\n' + line), qPrintable(line));
            QCOMPARE(read.*key.member, defaults.*key.member);
        }
    }

    // Maximised, the close shape stands 10 pixels plus its width in from the screen's
    // right edge, its button 1 pixel inside it; each next shape 2 pixels left of the
    // button before it; a missing minimise shape puts the system shape beside close.
    void captionButtonsFromTheRightEdge()
    {
        SampleWindow s;
        QToolButton* sys = s.panel->addShapedButton("Sys_Shape", "sb_Sys", "≡", "");
        QToolButton* cond = s.panel->addShapedButton("Cond_Shape", "sb_Cond", "?", "");
        QWidget* closeShape = s.panel->shape("Close_Shape");
        QWidget* minShape = s.panel->shape("Min_Shape");
        QWidget* sysShape = s.panel->shape("Sys_Shape");
        QWidget* condShape = s.panel->shape("Cond_Shape");
        s.window.show();
        const int screenWidth = s.window.screen()->geometry().width();

        LayoutWindowFrame(true, &s.window, closeShape, minShape, sysShape, condShape, s.close,
                          s.minimise, sys, cond);
        QCOMPARE(closeShape->x(), screenWidth - closeShape->width() - 10);
        QCOMPARE(s.close->pos(), closeShape->pos() + QPoint(1, 1));
        QCOMPARE(minShape->x(), s.close->x() - minShape->width() - 2);
        QCOMPARE(sysShape->x(), s.minimise->x() - sysShape->width() - 2);
        QCOMPARE(condShape->x(), sys->x() - condShape->width() - 2);

        // Not maximised, and without a minimise shape; the title never under a button.
        s.window.resize(400, 300);
        minShape->hide();
        s.minimise->hide();
        LayoutWindowFrame(false, &s.window, closeShape, nullptr, sysShape, nullptr, s.close,
                          nullptr, sys, nullptr);
        QCOMPARE(closeShape->x(), 400 - closeShape->width() - 10);
        QCOMPARE(sysShape->x(), s.close->x() - sysShape->width() - 2);
        QTRY_VERIFY(s.panel->titleLabel()->geometry().right() < sysShape->x());

        // The outline: rounded at the top, square at the bottom of a wide window.
        const QRegion mask = s.window.mask();
        QVERIFY(!mask.contains(QPoint(0, 0)) && !mask.contains(QPoint(399, 0)));
        QVERIFY(mask.contains(QPoint(200, 0)));
        QVERIFY(mask.contains(QPoint(0, 299)) && mask.contains(QPoint(399, 299)));
    }

    // A docked task window lays its frame out on the page it fills, in the colour
    // file's colours, and follows the page when it grows.
    void taskWindowTakesItsFrame()
    {
        writeColorFile("[Color]\nCaptionBColor=clMaroon\nDialogColor=clCream\n");
        QWidget page;
        page.resize(700, 500);
        page.show();
        auto* form = new TAmvalForm("جستجوي اسناد دارايي");
        form->DockInto(&page);
        QTRY_COMPARE(form->width(), 700);
        QCOMPARE(Role(form->Caption_Panel, QPalette::Window), QColor(0x80, 0, 0));
        QCOMPARE(Role(form, QPalette::Window), QColor(0xFF, 0xFB, 0xF0));
        QCOMPARE(form->Close_Shape->x(), 700 - form->Close_Shape->width() - 10);

        page.resize(900, 500);
        QTRY_COMPARE(form->Close_Shape->x(), 900 - form->Close_Shape->width() - 10);
        QVERIFY(form->mask().contains(QPoint(850, 400)));
    }

    void fileSelection()
    {
        QTemporaryDir folder;
        for (const char* name : {"asnad.dbf", "notes.txt", "amval.DBF"})
            QVERIFY(QFile(folder.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly));
        TSelForm form;
        form.setFolder(folder.path());
        // A folder that does not exist leaves the chosen one.
        form.setFolder(folder.filePath("missing"));
        QCOMPARE(form.folder(), QDir::cleanPath(folder.path()));
        // Only the dBASE files are listed.
        QAbstractItemModel* files = form.FileListBox->model();
        const QModelIndex root = form.FileListBox->rootIndex();
        QTRY_COMPARE(files->rowCount(root), 2);
        QCOMPARE((QSet<QString>{files->index(0, 0, root).data().toString(),
                                files->index(1, 0, root).data().toString()}),
                 (QSet<QString>{"amval.DBF", "asnad.dbf"}));

        // Shown centred on the screen, its close button inside the window's right edge;
        // Escape and the close button leave, OK names the file picked.
        form.setFileName("asnad.dbf");
        QTimer::singleShot(0, &form, [&form] { QTest::keyClick(&form, Qt::Key_Escape); });
        QCOMPARE(form.exec(), 2);
        const QRect screen = form.screen()->geometry();
        QCOMPARE(form.pos(), QPoint((screen.width() - form.width()) / 2,
                                    (screen.height() - form.height()) / 2));
        QTimer::singleShot(0, &form, [&form] { form.OkBitBtn->click(); });
        QCOMPARE(form.exec(), 1);
        QCOMPARE(form.fileName(), "asnad.dbf");
        QTimer::singleShot(0, &form, [&form] { form.sb_Closed->click(); });
        QCOMPARE(form.exec(), 2);
    }
};

AMVAL_TEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
