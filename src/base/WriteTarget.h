#pragma once

#include <QString>
#include <QStringList>

namespace mivra {

// The files no write of the program may replace: the log with its journal, WAL, shared memory
// and lock, and the settings file. Paths are compared as they resolve on disk, so a symbolic
// link or "./" does not slip past.
class WriteTarget {
public:
    WriteTarget() = default; // guards nothing
    WriteTarget(const QString& logPath, const QString& settingsFile);

    // The log's own files and the settings file, as given.
    QStringList guardedFiles() const { return m_guarded; }

    // False, with *error naming target, when writing target would replace a guarded file.
    bool allows(const QString& target, QString* error) const;

    // The path a write to path lands on: symbolic links followed (also one that points nowhere),
    // "." and ".." and linked folders resolved. Works for files that do not exist yet.
    static QString resolvedPath(const QString& path);

private:
    QString m_settingsFile;
    QStringList m_guarded;
};

} // namespace mivra
