#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>

namespace mivra {

// A file's bytes for one pass from start to end, without copying them into memory: a regular
// file is mapped and the pages already read are handed back, so memory stays flat however big
// the file is. Other files (a pipe) are read whole.
class MappedFile {
public:
    explicit MappedFile(const QString& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // False with errorString() when the file cannot be read.
    bool open();
    QString errorString() const { return m_file.errorString(); }

    QByteArrayView bytes() const { return m_view; }
    // The bytes before offset will not be read again.
    void release(qint64 offset);

private:
    QFile m_file;
    QByteArray m_read; // the bytes of a file that cannot be mapped
    QByteArrayView m_view;
    uchar* m_map = nullptr;
    qint64 m_released = 0;
};

} // namespace mivra
