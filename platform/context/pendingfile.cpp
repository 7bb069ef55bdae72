#include "pendingfile.h"

#include "userplaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

TPendingFile::TPendingFile(const QString& path) : m_path(QFileInfo(path).absoluteFilePath())
{
    const QFileInfo target(m_path);
    // Hidden, beside the file: the rename that puts it in place stays on one disk.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString work =
            QDir(target.absolutePath())
                .filePath(QLatin1Char('.') + target.fileName() + QLatin1Char('.') +
                          QString::number(QRandomGenerator::global()->generate(), 36) +
                          QStringLiteral(".part"));
        // Made new (never an existing file), with the permissions a file the user
        // saves gets.
        const int fd = ::open(QFile::encodeName(work).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_work = work;
            m_made = true;
            return;
        }
        if (errno != EEXIST)
            return;
    }
}

TPendingFile::~TPendingFile()
{
    discard();
}

bool TPendingFile::commit()
{
    if (m_work.isEmpty())
        return false;
    // rename() replaces an older file in one step: it is never missing meanwhile.
    if (std::rename(QFile::encodeName(m_work).constData(), QFile::encodeName(m_path).constData()) !=
        0) {
        discard();
        return false;
    }
    m_work.clear();
    RememberExportFolder(QFileInfo(m_path).absolutePath());
    return true;
}

void TPendingFile::discard()
{
    if (m_work.isEmpty())
        return;
    QFile::remove(m_work);
    m_work.clear();
}

QString TPendingFile::failureText() const
{
    return FailureText(m_path, !m_made);
}

QString TPendingFile::FailureText(const QString& path, bool folderRefused)
{
    const QFileInfo file(path);
    const QString where =
        QStringLiteral("فايل «") + LeftToRightRun(file.fileName()) + QStringLiteral("» در پوشه «") +
        LeftToRightRun(QDir::toNativeSeparators(file.absolutePath())) + QStringLiteral("»");
    if (folderRefused)
        return where + QStringLiteral(" ساخته نشد: اين پوشه وجود ندارد يا اجازه نوشتن در آن "
                                      "نيست. پوشه ديگري را انتخاب کنيد.");
    return where + QStringLiteral(" کامل نوشته نشد (شايد ديسک پر است) و چيزي از آن باقي "
                                  "نماند. جايي باز کنيد يا پوشه ديگري را انتخاب کنيد.");
}
