#include "zipreader.h"

#include <QIODevice>
#include <QtEndian>

namespace {

constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kCentralSignature = 0x02014b50;
constexpr quint32 kLocalSignature = 0x04034b50;
constexpr qint64 kBlock = 64 * 1024;
constexpr qint64 kMaxDirectory = 64 * 1024 * 1024;

quint16 U16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}
quint32 U32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

bool Fail(QString* reason, const char* text)
{
    if (reason != nullptr)
        *reason = QString::fromLatin1(text);
    return false;
}

} // namespace

bool ZipReader::open(QString* reason)
{
    const qint64 size = m_device->size();
    if (size < 22)
        return Fail(reason, "not a zip package");
    const qint64 tail = std::min<qint64>(size, 22 + 65535);
    if (!m_device->seek(size - tail))
        return Fail(reason, "not a zip package");
    const QByteArray end = m_device->read(tail);
    qint64 at = -1;
    for (qint64 i = end.size() - 22; i >= 0; --i)
        if (U32(end.constData() + i) == kEndSignature) {
            at = i;
            break;
        }
    if (at < 0)
        return Fail(reason, "not a zip package");
    const char* e = end.constData() + at;
    const quint16 count = U16(e + 10);
    const qint64 directorySize = U32(e + 12);
    const qint64 directoryOffset = U32(e + 16);
    if (directorySize > kMaxDirectory || directoryOffset + directorySize > size ||
        !m_device->seek(directoryOffset))
        return Fail(reason, "damaged zip directory");
    const QByteArray dir = m_device->read(directorySize);
    if (dir.size() != directorySize)
        return Fail(reason, "damaged zip directory");
    qint64 p = 0;
    for (int i = 0; i < count; ++i) {
        if (p + 46 > dir.size() || U32(dir.constData() + p) != kCentralSignature)
            return Fail(reason, "damaged zip directory");
        const char* c = dir.constData() + p;
        Entry entry;
        entry.flags = U16(c + 8);
        entry.method = U16(c + 10);
        entry.crc = U32(c + 16);
        entry.compressedSize = U32(c + 20);
        entry.size = U32(c + 24);
        const quint16 nameLength = U16(c + 28);
        const quint16 extraLength = U16(c + 30);
        const quint16 commentLength = U16(c + 32);
        entry.localOffset = U32(c + 42);
        if (p + 46 + nameLength > dir.size())
            return Fail(reason, "damaged zip directory");
        const QString name = QString::fromUtf8(c + 46, nameLength).toLower();
        m_entries.insert(name, entry);
        p += 46 + nameLength + extraLength + commentLength;
    }
    return true;
}

bool ZipReader::contains(const QString& name) const
{
    return m_entries.contains(name.toLower());
}

ZipReader::Stream::Stream(ZipReader& zip, const QString& name) : m_zip(zip)
{
    const auto it = zip.m_entries.constFind(name.toLower());
    if (it == zip.m_entries.constEnd())
        return;
    const Entry& entry = it.value();
    QIODevice* device = zip.m_device;
    // Encrypted parts, and methods other than stored and deflated, are not read.
    if ((entry.flags & 1) != 0 || (entry.method != 0 && entry.method != 8) ||
        entry.localOffset + 30 > device->size() || !device->seek(entry.localOffset)) {
        m_open = true;
        m_failed = true;
        m_ended = true;
        return;
    }
    const QByteArray local = device->read(30);
    m_open = true;
    if (local.size() != 30 || U32(local.constData()) != kLocalSignature) {
        m_failed = true;
        m_ended = true;
        return;
    }
    m_position = entry.localOffset + 30 + U16(local.constData() + 26) + U16(local.constData() + 28);
    m_remaining = entry.compressedSize;
    if (m_position + m_remaining > device->size()) {
        m_failed = true;
        m_ended = true;
        return;
    }
    m_method = entry.method;
    m_expectedCrc = entry.crc;
    m_expectedSize = entry.size;
    m_crc = crc32(0L, Z_NULL, 0);
    if (m_method == 8) {
        if (inflateInit2(&m_z, -MAX_WBITS) != Z_OK) {
            m_failed = true;
            m_ended = true;
            return;
        }
        m_inflating = true;
    }
}

ZipReader::Stream::~Stream()
{
    if (m_inflating)
        inflateEnd(&m_z);
}

QByteArray ZipReader::Stream::read()
{
    if (!m_open || m_ended)
        return {};
    QIODevice* device = m_zip.m_device;
    QByteArray out;
    if (m_method == 0) {
        if (m_remaining > 0 && device->seek(m_position))
            out = device->read(std::min(m_remaining, kBlock));
        if (m_remaining > 0 && out.isEmpty()) {
            m_failed = m_ended = true;
            return {};
        }
        m_position += out.size();
        m_remaining -= out.size();
        if (m_remaining == 0)
            m_ended = true;
    } else {
        out.resize(kBlock);
        m_z.next_out = reinterpret_cast<Bytef*>(out.data());
        m_z.avail_out = uInt(out.size());
        while (m_z.avail_out > 0) {
            if (m_z.avail_in == 0 && m_remaining > 0) {
                if (!device->seek(m_position)) {
                    m_failed = m_ended = true;
                    return {};
                }
                m_input = device->read(std::min(m_remaining, kBlock));
                if (m_input.isEmpty()) {
                    m_failed = m_ended = true;
                    return {};
                }
                m_position += m_input.size();
                m_remaining -= m_input.size();
                m_z.next_in = reinterpret_cast<Bytef*>(m_input.data());
                m_z.avail_in = uInt(m_input.size());
            }
            const int rc = inflate(&m_z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                m_ended = true;
                break;
            }
            if (rc != Z_OK || (m_z.avail_in == 0 && m_remaining == 0 && m_z.avail_out > 0)) {
                m_failed = m_ended = true;
                return {};
            }
        }
        out.resize(out.size() - m_z.avail_out);
    }
    m_crc = crc32(m_crc, reinterpret_cast<const Bytef*>(out.constData()), uInt(out.size()));
    m_produced += out.size();
    if (m_ended && (m_crc != m_expectedCrc || m_produced != m_expectedSize))
        m_failed = true;
    return m_failed ? QByteArray() : out;
}
