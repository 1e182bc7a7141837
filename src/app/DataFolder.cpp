#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace mivra {

QString chooseDataFolder(const QString& commandLineFolder, const QString& programFolder,
                         const QString& appDataFolder)
{
    if (!commandLineFolder.isEmpty())
        return QDir(commandLineFolder).absolutePath();
    if (QFileInfo::exists(QDir(programFolder).filePath(kLogFileName)))
        return QDir(programFolder).absolutePath();
    return QDir(appDataFolder).absolutePath();
}

std::unique_ptr<QLockFile> lockDataFolder(const QString& folder, QString* error)
{
    const QDir dir(folder);
    auto lock = std::make_unique<QLockFile>(dir.filePath(kLogFileName + QStringLiteral(".lock")));
    // Only a lock whose program has ended is stale, however old it is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    const QString shownFolder = QDir::toNativeSeparators(dir.absolutePath());
    if (lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString program;
        lock->getLockInfo(&pid, &host, &program);
        *error = QStringLiteral("The data folder %1 is in use by another copy of Mivra (process %2).")
                     .arg(shownFolder)
                     .arg(pid);
    } else {
        *error = QStringLiteral("The log %1 is read-only: the folder %2 cannot be written.")
                     .arg(QDir::toNativeSeparators(dir.filePath(kLogFileName)), shownFolder);
    }
    return nullptr;
}

} // namespace mivra
