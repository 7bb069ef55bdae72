#pragma once

#include <QString>

// A file the user asked for, written under a temporary name in its own folder and
// put in its place by one rename at the end (commit). Until then an older file of
// that name stays as it was; a stop or a failure on the way removes the temporary
// file, so nothing half-written is ever left behind. A committed file's folder is
// remembered as the last export folder.
class TPendingFile
{
public:
    // Makes the (empty) temporary file beside `path`; ok() is false when the folder
    // does not take it (missing, not writable).
    explicit TPendingFile(const QString& path);
    ~TPendingFile();
    TPendingFile(const TPendingFile&) = delete;
    TPendingFile& operator=(const TPendingFile&) = delete;

    bool ok() const { return !m_work.isEmpty(); }
    // Where the file is to be, and where it is written meanwhile.
    QString path() const { return m_path; }
    QString workPath() const { return m_work; }

    // Puts the written file in its place, replacing an older one; false when it
    // could not (the temporary file is then removed).
    bool commit();
    // Drops what was written.
    void discard();

    // What the user is told when the file could not be written: the file and its
    // folder as written (left-to-right runs in the Persian sentence), whether the
    // folder refused it or the writing broke off (a full disk), and what to do.
    QString failureText() const;
    static QString FailureText(const QString& path, bool folderRefused);

private:
    QString m_path;
    QString m_work;
    bool m_made = false;
};
