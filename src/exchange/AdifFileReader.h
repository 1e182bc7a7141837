#pragma once

#include "AdifFile.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/stat.h>

namespace mivra::adif {

// The records of an .adi file, read in pieces with read(2) into a window of bounded size, so that
// memory stays flat however big the file is. Never mapped: a file that another program cuts short
// or rewrites meanwhile (or a stick pulled out) gives a message, not a fault, and a file that
// changed while it was read is refused as a whole. Only a regular file is read.
class AdifFileReader {
public:
    // A record needs no more room than this (a file with a longer one is refused).
    static constexpr qsizetype kMaxWindowBytes = qsizetype(64) << 20;

    explicit AdifFileReader(QString path, qsizetype pieceBytes = qsizetype(4) << 20);
    ~AdifFileReader();
    AdifFileReader(const AdifFileReader&) = delete;
    AdifFileReader& operator=(const AdifFileReader&) = delete;

    // Opens the file and reads it once through to learn whether it is all UTF-8. False with
    // error() when it cannot be read.
    bool open();
    // The next record; false at the end of the file, or with error() when reading stopped early.
    bool next(AdifRecord* record);
    // Why the file cannot be read, or why its reading stopped; empty when it did not.
    QString error() const { return m_error; }

    qint64 size() const { return m_size; }
    qint64 position() const { return m_reader ? m_reader->position() : 0; }

private:
    bool fail(const QString& reason);
    // Reads from offset into the buffer after its first filled bytes, up to the room it has or the
    // end of the file; false (with error()) when the file ends early or cannot be read.
    bool readInto(qsizetype filled, qint64 offset, qsizetype* got);
    // The file is still as it was when opened.
    bool unchanged();
    bool checkUtf8();
    // Moves the window on: the bytes the reader is done with dropped, more read after the rest.
    bool refill();

    QString m_path;
    int m_handle = -1;
    struct stat m_opened { };
    qint64 m_size = 0;
    qsizetype m_pieceBytes;
    QByteArray m_buffer;
    qsizetype m_filled = 0;    // bytes of the buffer that hold the file
    qint64 m_bufferOffset = 0; // of the buffer's first byte in the file
    std::optional<AdifReader> m_reader;
    QString m_error;
};

} // namespace mivra::adif
