#pragma once

#include "ControlPlace.h"

#include <span>
#include <string_view>

namespace mivra::qsl {

// The QSL window's own controls as data: the print buttons under the card, in twips. The card itself
// is CardTemplate; the window's client area is the card's.
class QslWindowLayout {
public:
    static std::span<const ControlPlace> controls();
    static const ControlPlace& control(std::string_view name) { return controlPlace(controls(), name); }
};

} // namespace mivra::qsl
