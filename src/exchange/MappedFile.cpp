#include "MappedFile.h"

#include <sys/mman.h>
#include <unistd.h>

namespace mivra {

MappedFile::MappedFile(const QString& path)
    : m_file(path)
{
}

MappedFile::~MappedFile()
{
    if (m_map)
        m_file.unmap(m_map);
}

bool MappedFile::open()
{
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    if (!m_file.isSequential() && m_file.size() > 0) {
        m_map = m_file.map(0, m_file.size());
        if (m_map) {
            m_view = QByteArrayView(reinterpret_cast<const char*>(m_map), m_file.size());
            return true;
        }
    }
    m_read = m_file.readAll();
    if (m_file.error() != QFileDevice::NoError)
        return false;
    m_view = m_read;
    return true;
}

void MappedFile::release(qint64 offset)
{
    if (!m_map)
        return;
    static const qint64 page = sysconf(_SC_PAGESIZE);
    const qint64 end = offset / page * page;
    if (end < m_released) { // read again from an earlier point
        m_released = end;
        return;
    }
    if (end - m_released < (qint64(8) << 20))
        return;
    // The pages are the file's own, unchanged: they are read again from the file if ever needed.
    madvise(m_map + m_released, std::size_t(end - m_released), MADV_DONTNEED);
    m_released = end;
}

} // namespace mivra
