#pragma once

#include <QByteArray>
#include <QString>

class QSaveFile;

namespace mivra {

// Writes bytes as the whole new content of path through QSaveFile: the file is replaced only
// when every byte is on disk. False with the cause in *reason ("No space left on device").
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* reason);

// Writes a piece of a file being made; false with the cause in *reason.
bool writeToSaveFile(QSaveFile& file, const QByteArray& bytes, QString* reason);

// Commits a file written from its start without seeking back: flushed, synced to the disk and its
// size there compared with the bytes written, and only then put in place of the old file. False
// with the cause in *reason, the old file left as it was. Qt reports a failed flush at commit
// (a full disk) as "Unknown error", or not at all: the system's own text is taken then.
bool commitSaveFile(QSaveFile& file, QString* reason);

// Opens path for reading when it is a regular file (never waiting on a FIFO or a device): the
// open descriptor, or -1 with the cause in *reason ("it is not a regular file").
int openRegularFile(const QString& path, QString* reason);

// Reads a regular file of at most maxBytes bytes whole. False with the cause in *reason.
bool readRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes, QString* reason);

} // namespace mivra
