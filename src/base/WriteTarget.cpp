#include "WriteTarget.h"

#include <QDir>
#include <QFileInfo>

namespace mivra {

namespace {

constexpr int kMaxLinks = 40; // as the kernel follows

} // namespace

WriteTarget::WriteTarget(const QString& logPath, const QString& settingsFile)
    : m_settingsFile(settingsFile)
{
    if (!logPath.isEmpty()) {
        for (const char* suffix : {"", "-journal", "-wal", "-shm", ".lock"})
            m_guarded << logPath + QLatin1String(suffix);
    }
    if (!settingsFile.isEmpty())
        m_guarded << settingsFile;
}

QString WriteTarget::resolvedPath(const QString& path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int i = 0; i < kMaxLinks; ++i) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            break;
        // symLinkTarget() is absolute, also for a link that points nowhere.
        current = info.symLinkTarget();
    }
    const QFileInfo info(current);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return QDir::cleanPath(current);
    return QDir(folder).filePath(info.fileName());
}

bool WriteTarget::allows(const QString& target, QString* error) const
{
    const QString resolvedTarget = resolvedPath(target);
    for (const QString& guarded : m_guarded) {
        if (resolvedPath(guarded) == resolvedTarget) {
            const QString what = guarded == m_settingsFile ? QStringLiteral("the settings file")
                                                           : QStringLiteral("the log or one of its files");
            if (error)
                *error = QStringLiteral("%1 is %2 (%3): nothing was written.")
                             .arg(QDir::toNativeSeparators(target), what, QDir::toNativeSeparators(guarded));
            return false;
        }
    }
    return true;
}

} // namespace mivra
