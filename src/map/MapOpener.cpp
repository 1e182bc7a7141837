#include "MapOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace mivra::map {

bool DesktopMapOpener::open(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace mivra::map
