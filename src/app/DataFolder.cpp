#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace mivra
