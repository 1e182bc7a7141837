#include "MapOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace mivra::exporter {

bool DesktopMapOpener::open(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace mivra::exporter
