#pragma once

#include "StationSettings.h"

#include <QString>

namespace mivra {

// The map options the KML writer uses: they follow the MapOpacity and MapLines settings, but the
// settings window changes them at once, before anything is saved.
struct LiveMapOptions {
    QString opacity; // decimal 0 to 255
    bool lines = false;

    // As the main window takes them at start: the opacity as text, the lines when non-zero.
    static LiveMapOptions fromSettings(const StationSettings& settings)
    {
        return LiveMapOptions{settings.text(StationSettings::MapOpacity),
                              settings.numericValue(StationSettings::MapLines) != 0};
    }
};

} // namespace mivra
