#include "DataFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>

namespace mivra {

namespace {

// A lock file that names no owner is left by a crash or power cut while it was being written, or is
// being written right now by a program that starts; only one untouched for this long is taken over.
constexpr qint64 kOwnerlessLockAgeMs = 5000;

bool takeOverOwnerlessLock(QLockFile& lock, const QString& lockPath)
{
    qint64 pid = 0;
    QString host;
    QString program;
    if (lock.getLockInfo(&pid, &host, &program) && pid > 0)
        return false;
    const QDateTime modified = QFileInfo(lockPath).lastModified();
    if (!modified.isValid() || modified.msecsTo(QDateTime::currentDateTime()) < kOwnerlessLockAgeMs)
        return false;
    return lock.removeStaleLockFile() && lock.tryLock(0);
}

// Whether the folder's file system has no room for one more small file.
bool isFull(const QDir& dir)
{
    QTemporaryFile probe(dir.filePath(QStringLiteral(".mivra-space-XXXXXX")));
    if (!probe.open())
        return false;
    errno = 0;
    const bool written = probe.write(QByteArray(4096, '\0')) == 4096 && probe.flush();
    return !written && errno == ENOSPC;
}

} // namespace

QString chooseDataFolder(const QString& commandLineFolder, const QString& programFolder, const QString& appDataFolder)
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
    const QString lockPath = dir.filePath(kLogFileName + QStringLiteral(".lock"));
    auto lock = std::make_unique<QLockFile>(lockPath);
    // Only a lock whose program has ended is stale, however old it is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    if (lock->error() == QLockFile::LockFailedError && takeOverOwnerlessLock(*lock, lockPath))
        return lock;
    const QString shownFolder = QDir::toNativeSeparators(dir.absolutePath());
    if (lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString program;
        lock->getLockInfo(&pid, &host, &program);
        *error = pid > 0 ? QStringLiteral("The data folder %1 is in use by another copy of Mivra (process %2).")
                               .arg(shownFolder)
                               .arg(pid)
                         : QStringLiteral("The data folder %1 is in use by another copy of Mivra.").arg(shownFolder);
    } else if (isFull(dir)) {
        *error = QStringLiteral("The data folder %1 cannot be written: %2.")
                     .arg(shownFolder, QString::fromLocal8Bit(std::strerror(ENOSPC)));
    } else {
        *error = QStringLiteral("The log %1 is read-only: the folder %2 cannot be written.")
                     .arg(QDir::toNativeSeparators(dir.filePath(kLogFileName)), shownFolder);
    }
    return nullptr;
}

} // namespace mivra
