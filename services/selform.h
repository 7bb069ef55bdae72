#pragma once

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QToolButton;
class QTreeView;
class TCaptionPanel;

// The folder and file selection dialog of the dBASE copies: a volume box over a
// folder tree, the folder's .dbf files, a file name edit and the chosen path. Modal,
// frameless and right-to-left; closes with 1 for OK and 2 for cancel, the close
// button and Escape.
class TSelForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSelForm(QWidget* parent = nullptr);

    static const QString Caption;
    static const QString PanelCaption;

    // The folder chosen (absolute path) and the file name typed or picked in it.
    QString folder() const { return m_folder; }
    QString fileName() const;
    // Opens the dialog on a folder (one that does not exist leaves the current one).
    void setFolder(const QString& path);
    void setFileName(const QString& name);

    TCaptionPanel* Caption_Panel;
    QFrame* Close_Shape;
    QToolButton* sb_Closed;
    QComboBox* DriveComboBox;
    QTreeView* DirectoryListBox;
    QListView* FileListBox;
    QLineEdit* FlopyEdit;
    QLabel* PathLabel;
    QPushButton* OkBitBtn;
    QPushButton* CancelBitBtn;

    void OkBitBtnClick();
    void CancelBitBtnClick();

    // Closing the window any other way (Escape, the window system) is a cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void fillDrives();
    void driveChosen(int index);
    void showFolder(const QString& path);

    QFileSystemModel* m_folders;
    QFileSystemModel* m_files;
    QString m_folder;
    bool m_scrollPending = false;
};
