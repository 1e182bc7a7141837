#pragma once

#include <QString>
#include <QStringList>

namespace mivra {

// The folders that hold the files shipped with the program (pictures), searched in this order:
// the program's own folder (a build or a portable copy), then ../share/mivra beside it (installed).
QStringList shippedFolders(const QString& programFolder);

// The shipped file of that name in the first folder that has it; the first folder's path when none has.
QString shippedFile(const QString& programFolder, const QString& name);

} // namespace mivra
