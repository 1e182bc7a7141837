#pragma once

#include "ControlPlace.h"

#include <QFont>
#include <QRect>
#include <QVariantMap>

#include <span>
#include <string_view>

namespace mivra {

// The main window as data: every control it places at a fixed spot, in twips. The entry row keeps
// its own tables (EntryRow.cpp).
class MainWindowLayout {
public:
    // The client area.
    static constexpr int kWidth = 15240;
    static constexpr int kHeight = 8475;

    // Controls with their parent the window, except the band buttons (bandButtonTwips()).
    static std::span<const ControlPlace> controls();
    static const ControlPlace& control(std::string_view name) { return controlPlace(controls(), name); }

    // Band button index (the order of bandButtons()) inside the frame frmBand: a row of 21, "All" apart.
    static QRect bandButtonTwips(int index);
    // The search selector's state as stored with the window's layout.
    static QVariantMap searchSelectorState();
    // The program's font, which sets the height of the grid's rows and the menus' entries.
    static QFont font();
};

} // namespace mivra
