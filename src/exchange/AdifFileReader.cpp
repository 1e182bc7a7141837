#include "AdifFileReader.h"

#include "WholeFile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace mivra::adif {

namespace {

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The bytes a UTF-8 sequence takes by its lead byte; 1 for a byte that leads none.
qsizetype sequenceBytes(char c)
{
    const auto lead = static_cast<unsigned char>(c);
    return lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xC0 && lead < 0xE0 ? 2 : 1;
}

} // namespace

AdifFileReader::AdifFileReader(QString path, qsizetype pieceBytes)
    : m_path(std::move(path))
    , m_pieceBytes(std::clamp<qsizetype>(pieceBytes, 16, kMaxWindowBytes))
{
}

AdifFileReader::~AdifFileReader()
{
    if (m_handle >= 0)
        ::close(m_handle);
}

bool AdifFileReader::fail(const QString& reason)
{
    m_error = reason;
    return false;
}

bool AdifFileReader::open()
{
    QString reason;
    m_handle = openRegularFile(m_path, &reason);
    if (m_handle < 0)
        return fail(reason);
    if (::fstat(m_handle, &m_opened) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    m_size = m_opened.st_size;
    m_buffer.resize(qsizetype(std::clamp<qint64>(m_size, 16, m_pieceBytes)));
    return checkUtf8();
}

bool AdifFileReader::readInto(qsizetype filled, qint64 offset, qsizetype* got)
{
    const qsizetype wanted = qsizetype(std::min<qint64>(m_buffer.size() - filled, m_size - offset));
    *got = 0;
    while (*got < wanted) {
        const ssize_t read
            = ::pread(m_handle, m_buffer.data() + filled + *got, std::size_t(wanted - *got), offset + *got);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return fail(QString::fromLocal8Bit(std::strerror(errno)));
        if (read == 0)
            return fail(QStringLiteral("it became shorter while it was read (another program changed it)"));
        *got += read;
    }
    return true;
}

bool AdifFileReader::unchanged()
{
    struct stat now { };
    if (::fstat(m_handle, &now) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (now.st_size != m_opened.st_size || now.st_mtim.tv_sec != m_opened.st_mtim.tv_sec
        || now.st_mtim.tv_nsec != m_opened.st_mtim.tv_nsec)
        return fail(QStringLiteral("another program changed it while it was read"));
    return true;
}

bool AdifFileReader::checkUtf8()
{
    // Valid UTF-8 or not is a question about the whole file; asked piece by piece, each piece cut
    // before a sequence the next one ends.
    bool utf8 = true;
    qsizetype carried = 0;
    for (qint64 offset = 0; utf8 && offset < m_size;) {
        qsizetype got = 0;
        if (!readInto(carried, offset, &got))
            return false;
        offset += got;
        const qsizetype filled = carried + got;
        qsizetype cut = filled;
        if (offset < m_size && filled > 0) {
            qsizetype lead = filled - 1;
            while (lead > 0 && filled - lead < 4 && isContinuation(m_buffer[lead]))
                --lead;
            if (sequenceBytes(m_buffer[lead]) > filled - lead)
                cut = lead;
        }
        utf8 = isValidUtf8(QByteArrayView(m_buffer.constData(), cut));
        carried = filled - cut;
        std::memmove(m_buffer.data(), m_buffer.constData() + cut, std::size_t(carried));
    }
    if (utf8 && !unchanged())
        return false;
    m_reader.emplace(m_size, utf8);
    m_filled = 0;
    m_bufferOffset = 0;
    m_reader->setWindow({}, 0);
    return true;
}

bool AdifFileReader::refill()
{
    const auto done = qsizetype(m_reader->restartOffset() - m_bufferOffset);
    if (done > 0) {
        std::memmove(m_buffer.data(), m_buffer.constData() + done, std::size_t(m_filled - done));
        m_filled -= done;
        m_bufferOffset += done;
    }
    const qint64 readOffset = m_bufferOffset + m_filled;
    if (readOffset >= m_size)
        return fail(QStringLiteral("it cannot be read to its end"));
    // A record that fills most of the window gets more room.
    if (m_filled > m_buffer.size() / 2) {
        if (m_buffer.size() >= kMaxWindowBytes)
            return fail(QStringLiteral("the record at byte %1 is longer than %2 MB")
                            .arg(m_reader->restartOffset())
                            .arg(kMaxWindowBytes >> 20));
        m_buffer.resize(std::min(m_buffer.size() * 2, kMaxWindowBytes));
    }
    qsizetype got = 0;
    if (!readInto(m_filled, readOffset, &got))
        return false;
    m_filled += got;
    if (m_bufferOffset + m_filled == m_size && !unchanged())
        return false;
    m_reader->setWindow(QByteArrayView(m_buffer.constData(), m_filled), m_bufferOffset);
    return true;
}

bool AdifFileReader::next(AdifRecord* record)
{
    if (!m_reader || !m_error.isEmpty())
        return false;
    for (;;) {
        if (m_reader->next(record))
            return true;
        if (!m_reader->needsBytes() || !refill())
            return false;
    }
}

} // namespace mivra::adif
