#include "backupdialog.h"

#include "backup.h"
#include "databaseerror.h"
#include "dbconnection.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A path or an address kept left to right inside the Persian text.
QString Quoted(const QString& text)
{
    return QStringLiteral("«") + QChar(0x2066) + QDir::toNativeSeparators(text) + QChar(0x2069) +
           QStringLiteral("»");
}

QLineEdit* PathEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setLayoutDirection(Qt::LeftToRight);
    edit->setMinimumWidth(360);
    return edit;
}

// The edit with a button that chooses a folder for it.
QWidget* WithChooser(QLineEdit* edit, const QString& title, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* choose = new QToolButton(row);
    choose->setText(QStringLiteral("..."));
    choose->setToolTip(title);
    choose->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(edit, 1);
    edit->setAccessibleName(title);
    layout->addWidget(choose);
    QObject::connect(choose, &QToolButton::clicked, edit, [edit, title] {
        QFileDialog dialog(edit->window(), title, edit->text());
        dialog.setObjectName(QStringLiteral("ChooseFolder"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            edit->setText(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
        edit->setFocus();
    });
    return row;
}

// "شروع" and "انصراف"; Enter is the edits' own, so neither is pressed by it.
QHBoxLayout* Buttons(QDialog* dialog, const std::function<void()>& start)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("شروع"), dialog);
    ok->setObjectName(QStringLiteral("StartButton"));
    auto* cancel = new QPushButton(QStringLiteral("انصراف"), dialog);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton* b : {ok, cancel}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    QObject::connect(ok, &QPushButton::clicked, dialog, start);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return row;
}

void Tell(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, parent->windowTitle(), text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("BackupNotice"));
    box.setLayoutDirection(Qt::RightToLeft);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("تاييد"));
    box.exec();
}

// Runs `work` under a progress window whose "توقف" stops it; answers the failure's
// text, "" when it was done.
QString WithProgress(QWidget* parent, const QString& title,
                     const std::function<void(const BackupObserver&)>& work)
{
    QProgressDialog progress(title, QStringLiteral("توقف"), 0, 1000, parent);
    progress.setObjectName(QStringLiteral("BackupProgress"));
    progress.setWindowTitle(title);
    progress.setLayoutDirection(Qt::RightToLeft);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(0);
    progress.setMinimumWidth(420);
    progress.show();
    QCoreApplication::processEvents();
    try {
        work([&progress, &title](qint64 done, qint64 total, const QString& what) {
            progress.setValue(total > 0 ? int(std::min<qint64>(1000, done * 1000 / total)) : 0);
            if (!what.isEmpty())
                progress.setLabelText(title + QStringLiteral("\n") + what);
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    } catch (const BackupError& e) {
        progress.close();
        return BackupFailureText(e);
    } catch (const DatabaseError& e) {
        progress.close();
        return DatabaseFailureText(e);
    }
    progress.close();
    return QString();
}

} // namespace

BackupDialog::BackupDialog(const QString& place, QWidget* parent) : QDialog(parent), m_place(place)
{
    setObjectName(QStringLiteral("BackupDialog"));
    setWindowTitle(QStringLiteral("پشتيبان گيري"));
    setLayoutDirection(Qt::RightToLeft);
    auto* layout = new QVBoxLayout(this);
    const bool server = DbConnection::IsServerAddress(place);
    auto* source =
        new QLabel((server ? QStringLiteral("از همه پايگاه هاي داده سرور ")
                           : QStringLiteral("از همه فايل هاي پوشه اطلاعات ")) +
                       Quoted(DbConnection::DisplayAddress(place)) +
                       QStringLiteral("، در حالي كه كاربران ديگر به كار خود ادامه مي دهند."),
                   this);
    source->setWordWrap(true);
    layout->addWidget(source);
    auto* form = new QFormLayout;
    m_folder = PathEdit(QStringLiteral("BackupFolder"), this);
    m_folder->setText(
        QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("amval-backups"))));
    form->addRow(QStringLiteral("پوشه نسخه هاي پشتيبان:"),
                 WithChooser(m_folder, QStringLiteral("پوشه نسخه هاي پشتيبان"), this));
    layout->addLayout(form);
    auto* note = new QLabel(QStringLiteral("نسخه پشتيبان در پوشه تازه اي به نام تاريخ و ساعت، در "
                                           "اين پوشه ساخته مي شود."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addLayout(Buttons(this, [this] { start(); }));
    connect(m_folder, &QLineEdit::returnPressed, this, &BackupDialog::start);
    m_folder->setFocus();
    m_folder->selectAll();
}

void BackupDialog::start()
{
    const QString folder = m_folder->text().trimmed();
    if (folder.isEmpty()) {
        Tell(this, QMessageBox::Warning, QStringLiteral("پوشه نسخه هاي پشتيبان را بدهيد."));
        m_folder->setFocus();
        return;
    }
    QString made;
    const QString failure = WithProgress(this, windowTitle(), [&](const BackupObserver& observer) {
        made = TakeBackup(m_place, folder, observer);
    });
    if (!failure.isEmpty()) {
        Tell(this, QMessageBox::Warning, failure);
        m_folder->setFocus();
        return;
    }
    m_made = made;
    Tell(this, QMessageBox::Information,
         QStringLiteral("نسخه پشتيبان در ") + Quoted(made) + QStringLiteral(" ساخته و بررسي شد."));
    accept();
}

RestoreDialog::RestoreDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(QStringLiteral("بازگرداندن نسخه پشتيبان"));
    setLayoutDirection(Qt::RightToLeft);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_backup = PathEdit(QStringLiteral("BackupSource"), this);
    form->addRow(QStringLiteral("نسخه پشتيبان:"),
                 WithChooser(m_backup, QStringLiteral("پوشه نسخه پشتيبان"), this));
    m_about = new QLabel(this);
    m_about->setObjectName(QStringLiteral("BackupAbout"));
    m_about->setWordWrap(true);
    form->addRow(QString(), m_about);
    m_target = PathEdit(QStringLiteral("RestoreTarget"), this);
    m_target->setPlaceholderText(
        QStringLiteral("/home/.../amval-data   يا   postgresql://user@host:port/dbname"));
    form->addRow(QStringLiteral("بازگرداندن در:"),
                 WithChooser(m_target, QStringLiteral("پوشه اطلاعات تازه"), this));
    layout->addLayout(form);
    auto* note = new QLabel(QStringLiteral("مقصد پوشه اطلاعات يا پايگاه داده اي تازه و خالي است؛ "
                                           "نسخه پشتيبان هرگز روي اطلاعات موجود برگردانده نمي "
                                           "شود."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addLayout(Buttons(this, [this] { start(); }));
    connect(m_backup, &QLineEdit::textChanged, this, &RestoreDialog::describe);
    connect(m_backup, &QLineEdit::returnPressed, m_target, [this] { m_target->setFocus(); });
    connect(m_target, &QLineEdit::returnPressed, this, &RestoreDialog::start);
    setMinimumWidth(560);
    m_backup->setFocus();
}

void RestoreDialog::describe()
{
    const QString folder = m_backup->text().trimmed();
    if (folder.isEmpty()) {
        m_about->clear();
        return;
    }
    try {
        m_about->setText(BackupDescription(ReadBackupManifest(folder)));
        m_about->setStyleSheet(QString());
    } catch (const BackupError& e) {
        // Said while the name is being typed: only once it is a folder.
        m_about->setText(QDir(folder).exists() ? BackupFailureText(e) : QString());
        m_about->setStyleSheet(QStringLiteral("color: #b00000"));
    }
    // The window grows to the lines the text takes.
    layout()->activate();
    if (layout()->totalHeightForWidth(width()) > height())
        resize(width(), layout()->totalHeightForWidth(width()));
}

void RestoreDialog::start()
{
    const QString backup = m_backup->text().trimmed();
    const QString target = m_target->text().trimmed();
    if (backup.isEmpty() || target.isEmpty()) {
        Tell(this, QMessageBox::Warning,
             QStringLiteral("پوشه نسخه پشتيبان و جاي بازگرداندن آن را بدهيد."));
        (backup.isEmpty() ? m_backup : m_target)->setFocus();
        return;
    }
    const QString failure = WithProgress(this, windowTitle(), [&](const BackupObserver& observer) {
        RestoreBackup(backup, target, observer);
    });
    if (!failure.isEmpty()) {
        Tell(this, QMessageBox::Warning, failure);
        m_target->setFocus();
        return;
    }
    m_restored = target;
    Tell(this, QMessageBox::Information,
         QStringLiteral("نسخه پشتيبان در ") + Quoted(DbConnection::DisplayAddress(target)) +
             QStringLiteral(" برگردانده شد.\nبراي كار با آن، در «تغيير كاربر/دوره مالي» آن را "
                            "پوشه اطلاعات (يا سرور پايگاه داده) بگذاريد."));
    accept();
}
