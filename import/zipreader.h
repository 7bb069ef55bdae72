#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <zlib.h>

class QIODevice;

// Reads the parts of a zip package (an .xlsx workbook) as streams, a block at a time.
//
// The packaging library's unzip functions share their names with the zip functions
// libxlsxwriter takes from the system's minizip, and the first one loaded answers for
// both: a process that writes workbooks (the grid export) and reads them with that
// library crashes in whichever loads second. Reading needs little: the central
// directory, and each part stored or deflated, which zlib inflates.
class ZipReader
{
public:
    explicit ZipReader(QIODevice* device) : m_device(device) {}

    // Reads the central directory; false with `reason` when the file is no zip
    // package (or a damaged one).
    bool open(QString* reason);
    bool contains(const QString& name) const;

    // One part, read as it is inflated.
    class Stream
    {
    public:
        Stream(ZipReader& zip, const QString& name);
        ~Stream();
        Stream(const Stream&) = delete;
        Stream& operator=(const Stream&) = delete;
        bool isOpen() const { return m_open; }
        // The next block of the part's bytes; empty at its end or on an error.
        QByteArray read();
        bool atEnd() const { return m_ended; }
        // The part is damaged (its data or its checksum).
        bool failed() const { return m_failed; }

    private:
        ZipReader& m_zip;
        z_stream m_z{};
        bool m_open = false;
        bool m_inflating = false;
        bool m_ended = false;
        bool m_failed = false;
        quint16 m_method = 0;
        quint32 m_crc = 0;
        quint32 m_expectedCrc = 0;
        qint64 m_position = 0;
        qint64 m_remaining = 0;
        qint64 m_expectedSize = 0;
        qint64 m_produced = 0;
        QByteArray m_input;
    };

private:
    struct Entry
    {
        quint16 method = 0;
        quint16 flags = 0;
        quint32 crc = 0;
        qint64 compressedSize = 0;
        qint64 size = 0;
        qint64 localOffset = 0;
    };
    QIODevice* m_device;
    QHash<QString, Entry> m_entries; // by name, lower-cased
};
