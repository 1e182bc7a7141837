#pragma once

#include <QByteArray>
#include <QString>

namespace mivra {

// Files in the Zstandard format (RFC 8878) through libzstd: what zstd, unzstd and archive tools open.

// Compresses the file at from into the file open at toHandle (written from its start, not synced):
// first a skippable frame that holds mark (the zstd tool passes over it), then one frame with the
// data, their length and their checksum. False with the reason in *error.
bool zstdCompressFile(const QString& from, int toHandle, const QByteArray& mark, QString* error);

// Decompresses the Zstandard file at from, every frame of it, checking each frame's checksum where
// it has one; the data go to the file open at toHandle, or nowhere when it is -1 (a check only).
// False with the reason in *error. *bytes, when given, is the length of the data.
bool zstdDecompressFile(const QString& from, int toHandle, QString* error, qint64* bytes = nullptr);

// The mark at the start of the Zstandard file at path (empty when it has none) and the first
// headBytes bytes of its data (fewer when the data are shorter). False when the file does not
// begin as Zstandard data or cannot be read.
bool readZstdStart(const QString& path, QByteArray* mark, QByteArray* head, int headBytes);

// The file at path begins with a Zstandard frame or a skippable frame.
bool hasZstdMagic(const QString& path);

} // namespace mivra
