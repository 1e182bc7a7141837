#include "QslWindowLayout.h"

namespace mivra::qsl {

namespace {

using K = ControlPlace::Kind;

constexpr ControlPlace kControls[] = {
    {"Command1", K::Button, "Print all qsl  Y>N", 330, 3585, 1155, 525, ""},
    {"Command3", K::Button, "Print Single qsl   S>D", 1575, 3585, 1155, 525, ""},
    {"Command4", K::Button, "Print direct qsl  T>Q", 2835, 3570, 1155, 525, ""},
    {"Empty", K::Button, "Empty Card", 4095, 3570, 1080, 525, ""},
    {"StopPrint", K::Button, "Cancel Print", 5250, 3570, 615, 525, ""},
    {"BeaconPrint", K::Button, "Beacon Print", 5985, 3570, 750, 540, ""},
    {"Exit", K::Button, "Exit QSL", 6870, 3585, 825, 525, ""},
};

} // namespace

std::span<const ControlPlace> QslWindowLayout::controls()
{
    return kControls;
}

} // namespace mivra::qsl
