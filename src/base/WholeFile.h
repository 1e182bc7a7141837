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

// Commits file; false with the cause in *reason. Qt reports a failed flush at commit (a full
// disk) as "Unknown error"; the system's own text is taken then.
bool commitSaveFile(QSaveFile& file, QString* reason);

} // namespace mivra
