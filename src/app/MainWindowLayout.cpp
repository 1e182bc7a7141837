#include "MainWindowLayout.h"

namespace mivra {

namespace {

using K = ControlPlace::Kind;

constexpr ControlPlace kControls[] = {
    // the counters and the own station along the top
    {"Label16", K::Label, "Squares wkd/cmfd:", 0, 120, 1575, 255, ""},
    {"Sqw", K::Label, "", 1560, 120, 495, 255, ""},
    {"SQc", K::Label, "", 2040, 120, 495, 375, ""},
    {"Label17", K::Label, "DXCC wkd/cfmd:", 2640, 120, 1335, 255, ""},
    {"Label1", K::Label, "", 2880, 120, 735, 255, ""},
    {"dxw", K::Label, "", 4080, 120, 375, 255, ""},
    {"DXc", K::Label, "", 4560, 120, 375, 375, ""},
    {"Label19", K::Label, "My Callsign:", 11160, 120, 855, 255, ""},
    {"Callsign", K::LineEdit, "", 12120, 120, 855, 285, ""},
    {"Label18", K::Label, "My Grid:", 13080, 120, 615, 255, ""},
    {"MyGrid", K::LineEdit, "", 13800, 120, 1095, 285, ""},
    // the operating aids between the entity and "My Callsign:"
    {"workedBefore", K::Label, "", 6840, 15, 4200, 225, ""},
    {"distanceHeading", K::Label, "", 6840, 240, 1500, 225, ""},
    {"newSquare", K::Label, "", 8400, 240, 1260, 225, ""},
    {"newDxcc", K::Label, "", 9720, 240, 1200, 225, ""},
    // the search
    {"Search", K::Button, "Search", 2040, 480, 855, 615, "Search for call or grid"},
    {"Label2", K::Label, "Callsign", 120, 600, 855, 255, ""},
    {"Label3", K::Label, "Grid", 120, 840, 615, 255, ""},
    {"MultiOption1", K::OptionSelector, "", 720, 600, 255, 495, ""},
    {"txtStr", K::LineEdit, "", 1080, 720, 735, 285, ""},
    // the log view
    {"DataGrid1", K::LogView, "", 120, 1200, 14775, 6270, ""},
    // the map and settings buttons right of the entry row
    {"gridDEC", K::Button, "GD", 13300, 585, 510, 510, "Generate Data for Google Earth"},
    {"GoogleEarth", K::Button, "", 13900, 585, 540, 510, "Show on Google Earth"},
    {"Initials", K::Button, "Initials", 14485, 630, 750, 330, ""},
    // along the bottom
    {"frmBand", K::GroupBox, "Band MHz", 120, 7560, 13335, 855, ""},
    {"cmdExit", K::Button, "E&xit", 13545, 7770, 705, 615, ""},
    {"QSL", K::Button, "QSL", 14385, 7770, 645, 615, "print qsl"},
};

constexpr int kBandRowLength = 21;
constexpr int kBandButtonStep = 600;
constexpr QRect kFirstBandButton(0, 240, 615, 615);
constexpr QRect kAllBandsButton(12705, 210, 615, 615);

} // namespace

std::span<const ControlPlace> MainWindowLayout::controls()
{
    return kControls;
}

QRect MainWindowLayout::bandButtonTwips(int index)
{
    return index < kBandRowLength ? kFirstBandButton.translated(kBandButtonStep * index, 0) : kAllBandsButton;
}

} // namespace mivra
