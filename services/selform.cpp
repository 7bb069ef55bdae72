#include "selform.h"

#include "appearance.h"
#include "context/captionpanel.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QStorageInfo>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

const QString TSelForm::Caption = QStringLiteral("انتخاب فايل");
const QString TSelForm::PanelCaption = QStringLiteral("         انتخاب مسير کپي فايلها");

namespace {
constexpr int kFormWidth = 460;
constexpr int kFormHeight = 360;
} // namespace

TSelForm::TSelForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("SelForm"));
    setWindowTitle(Caption);
    setLayoutDirection(Qt::RightToLeft);
    setModal(true);
    resize(kFormWidth, kFormHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Caption_Panel = new TCaptionPanel(this);
    Caption_Panel->setCaption(PanelCaption);
    sb_Closed = Caption_Panel->addCloseButton();
    Close_Shape = Caption_Panel->shape(QStringLiteral("Close_Shape"));
    Caption_Panel->dragHandler = DragByCaption;
    layout->addWidget(Caption_Panel);

    auto* body = new QWidget(this);
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(8, 6, 8, 8);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);

    // The reading side: the volume and its folders.
    auto* folderLabel = new QLabel(QStringLiteral("دايرکتوري"), body);
    folderLabel->setObjectName(QStringLiteral("DirLabel"));
    DriveComboBox = new QComboBox(body);
    DriveComboBox->setObjectName(QStringLiteral("DriveComboBox"));
    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    DirectoryListBox = new QTreeView(body);
    DirectoryListBox->setObjectName(QStringLiteral("DirectoryListBox"));
    DirectoryListBox->setAccessibleName(folderLabel->text());
    DirectoryListBox->setModel(m_folders);
    DirectoryListBox->setHeaderHidden(true);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        DirectoryListBox->hideColumn(column);
    grid->addWidget(folderLabel, 0, 0);
    grid->addWidget(DriveComboBox, 1, 0);
    grid->addWidget(DirectoryListBox, 2, 0, 3, 1);

    // The other side: the file name and the folder's dBASE files.
    auto* nameLabel = new QLabel(QStringLiteral("نام فايل"), body);
    nameLabel->setObjectName(QStringLiteral("FileNameLabel"));
    FlopyEdit = new QLineEdit(body);
    FlopyEdit->setObjectName(QStringLiteral("FlopyEdit"));
    nameLabel->setBuddy(FlopyEdit);
    auto* filesLabel = new QLabel(QStringLiteral("پرونده"), body);
    filesLabel->setObjectName(QStringLiteral("FileLabel"));
    m_files = new QFileSystemModel(this);
    m_files->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    m_files->setNameFilters({QStringLiteral("*.dbf"), QStringLiteral("*.DBF")});
    m_files->setNameFilterDisables(false);
    FileListBox = new QListView(body);
    FileListBox->setObjectName(QStringLiteral("FileListBox"));
    FileListBox->setAccessibleName(filesLabel->text());
    FileListBox->setModel(m_files);
    grid->addWidget(nameLabel, 0, 1);
    grid->addWidget(FlopyEdit, 1, 1);
    grid->addWidget(filesLabel, 2, 1);
    grid->addWidget(FileListBox, 3, 1, 2, 1);
    grid->setRowStretch(4, 1);

    // The chosen path, under both.
    auto* pathRow = new QHBoxLayout;
    auto* pathCaption = new QLabel(QStringLiteral("مسير"), body);
    pathCaption->setObjectName(QStringLiteral("PathCaptionLabel"));
    PathLabel = new QLabel(body);
    PathLabel->setObjectName(QStringLiteral("PathLabel"));
    PathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A path reads left to right inside the right-to-left window.
    PathLabel->setLayoutDirection(Qt::LeftToRight);
    PathLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pathRow->addWidget(pathCaption);
    pathRow->addWidget(PathLabel, 1);
    grid->addLayout(pathRow, 5, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    OkBitBtn = new QPushButton(QStringLiteral("تاييـد"), body);
    OkBitBtn->setObjectName(QStringLiteral("OkBitBtn"));
    OkBitBtn->setDefault(true);
    CancelBitBtn = new QPushButton(QStringLiteral("انصراف"), body);
    CancelBitBtn->setObjectName(QStringLiteral("CancelBitBtn"));
    buttons->addStretch(1);
    buttons->addWidget(OkBitBtn);
    buttons->addWidget(CancelBitBtn);
    buttons->addStretch(1);
    grid->addLayout(buttons, 6, 0, 1, 2);
    layout->addWidget(body, 1);

    connect(OkBitBtn, &QPushButton::clicked, this, &TSelForm::OkBitBtnClick);
    connect(CancelBitBtn, &QPushButton::clicked, this, &TSelForm::CancelBitBtnClick);
    connect(sb_Closed, &QToolButton::clicked, this, &TSelForm::CancelBitBtnClick);
    connect(DriveComboBox, &QComboBox::activated, this, &TSelForm::driveChosen);
    connect(DirectoryListBox, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { showFolder(m_folders->filePath(index)); });
    // The folders are read in the background: keep the chosen one in view while the
    // folders on its way are read in, until its own contents are in.
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        if (!m_scrollPending || !m_folder.startsWith(path))
            return;
        DirectoryListBox->scrollTo(m_folders->index(m_folder), QAbstractItemView::PositionAtCenter);
        m_scrollPending = QDir::cleanPath(path) != m_folder;
    });
    connect(FileListBox, &QListView::clicked, this,
            [this](const QModelIndex& index) { FlopyEdit->setText(m_files->fileName(index)); });
    connect(FileListBox, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        FlopyEdit->setText(m_files->fileName(index));
        OkBitBtnClick();
    });

    fillDrives();
    setFolder(QDir::homePath());
}

QString TSelForm::fileName() const
{
    return FlopyEdit->text().trimmed();
}

void TSelForm::setFolder(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return;
    const QString folder = QDir::cleanPath(info.absoluteFilePath());
    const QString volume = QStorageInfo(folder).rootPath();
    int drive = DriveComboBox->findData(volume);
    if (drive < 0) {
        DriveComboBox->addItem(volume, volume);
        drive = DriveComboBox->count() - 1;
    }
    DriveComboBox->setCurrentIndex(drive);
    DirectoryListBox->setRootIndex(m_folders->setRootPath(volume));
    showFolder(folder);
}

void TSelForm::setFileName(const QString& name)
{
    FlopyEdit->setText(name);
}

void TSelForm::OkBitBtnClick()
{
    done(1);
}

void TSelForm::CancelBitBtnClick()
{
    done(2);
}

void TSelForm::reject()
{
    CancelBitBtnClick();
}

void TSelForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

// Outline and colours on the window's own width, and the middle of the screen.
void TSelForm::FormShow()
{
    LayoutWindowFrame(false, this, Close_Shape, nullptr, nullptr, nullptr, sb_Closed, nullptr,
                      nullptr, nullptr);
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    // The folder tree has its size only now: bring the chosen folder into view.
    QMetaObject::invokeMethod(
        this,
        [this] {
            DirectoryListBox->scrollTo(DirectoryListBox->currentIndex(),
                                       QAbstractItemView::PositionAtCenter);
        },
        Qt::QueuedConnection);
}

// The mounted volumes stand for the drives: the system's root, other disks, and
// removable media as they are mounted.
void TSelForm::fillDrives()
{
    DriveComboBox->clear();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = volume.rootPath();
        if (DriveComboBox->findData(root) >= 0)
            continue;
        const QString name = volume.displayName();
        DriveComboBox->addItem(
            name == root ? root : name + QStringLiteral(" (") + root + QStringLiteral(")"), root);
    }
}

void TSelForm::driveChosen(int index)
{
    const QString root = DriveComboBox->itemData(index).toString();
    if (!root.isEmpty())
        setFolder(root);
}

void TSelForm::showFolder(const QString& path)
{
    m_folder = path;
    m_scrollPending = true;
    PathLabel->setText(QDir::toNativeSeparators(path));
    const QModelIndex index = m_folders->index(path);
    DirectoryListBox->setCurrentIndex(index);
    DirectoryListBox->scrollTo(index);
    DirectoryListBox->expand(index);
    FileListBox->setRootIndex(m_files->setRootPath(path));
}
