#pragma once

#include <QString>

namespace mivra::map {

// Hands a written map to the program the desktop has registered for it; tests record instead.
class MapOpener {
public:
    virtual ~MapOpener() = default;
    // False when no program could be started for the file.
    virtual bool open(const QString& path) = 0;
};

// QDesktopServices: xdg-open on Linux, which starts the program registered for KML files.
class DesktopMapOpener : public MapOpener {
public:
    bool open(const QString& path) override;
};

} // namespace mivra::map
