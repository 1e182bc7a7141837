#include "ShippedFiles.h"

#include <QDir>
#include <QFileInfo>

namespace mivra {

QStringList shippedFolders(const QString& programFolder)
{
    return {QDir::cleanPath(programFolder), QDir::cleanPath(programFolder + QStringLiteral("/../share/mivra"))};
}

QString shippedFile(const QString& programFolder, const QString& name)
{
    const QStringList folders = shippedFolders(programFolder);
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    return QDir(folders.first()).filePath(name);
}

} // namespace mivra
