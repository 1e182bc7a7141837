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
    {"workedBefore", K::Label, "", 6840, 15, 3300, 225, ""},
    {"dupe", K::Label, "", 10200, 15, 840, 225, ""},
    {"distanceHeading", K::Label, "", 6840, 240, 1500, 225, ""},
    {"newSquare", K::Label, "", 8400, 240, 1260, 225, ""},
    {"newDxcc", K::Label, "", 9720, 240, 1200, 225, ""},
    // the entity of the callsign being typed
    {"cou", K::Label, "", 5040, 120, 1695, 255, ""},
    // the entry row: captions, fields, New and Save
    {"Label4", K::Label, "Date", 3120, 480, 495, 255, ""},
    {"Label5", K::Label, "GMT", 3960, 480, 495, 255, ""},
    {"Label6", K::Label, "Callsign", 4920, 480, 615, 255, ""},
    {"Label7", K::Label, "Grid", 6240, 480, 375, 255, ""},
    {"Label8", K::Label, "RSTs", 7080, 480, 495, 255, ""},
    {"Label9", K::Label, "RSTr", 7710, 480, 495, 255, ""},
    {"Label10", K::Label, "Band", 8400, 480, 495, 255, ""},
    {"Label11", K::Label, "Mode", 9000, 480, 495, 255, ""},
    {"Label14", K::Label, "Name", 9720, 480, 615, 255, ""},
    {"Label12", K::Label, "Comment", 10320, 480, 735, 255, ""},
    {"Label13", K::Label, "QSL", 11160, 480, 375, 375, ""},
    {"Label15", K::Label, "Prop", 11520, 480, 495, 255, ""},
    {"Da", K::LineEdit, "", 3000, 840, 975, 285, ""},
    {"GM", K::LineEdit, "", 4080, 840, 495, 285, ""},
    {"Ca", K::LineEdit, "", 4680, 840, 1215, 285, ""},
    {"Gr", K::LineEdit, "", 6000, 840, 975, 285, ""},
    {"Rss", K::LineEdit, "", 7080, 840, 615, 285, ""},
    {"Rr", K::LineEdit, "", 7710, 840, 615, 285, ""},
    {"Ba", K::LineEdit, "", 8340, 840, 555, 285, ""},
    {"mo", K::LineEdit, "", 9000, 840, 495, 285, ""},
    {"Na", K::LineEdit, "", 9600, 840, 615, 285, ""},
    {"Co", K::LineEdit, "", 10320, 840, 735, 285, ""},
    {"Qs", K::LineEdit, "", 11130, 840, 255, 285, "Must contain N orY orT or B or D or Q default Y"},
    {"Pr", K::LineEdit, "", 11520, 840, 375, 285, "default TR, can contain Au, ES, Rs, Ms"},
    {"addnew", K::Button, "New", 12000, 585, 540, 510, "input new QSO"},
    {"Save", K::Button, "Save", 12650, 585, 590, 510, ""},
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
    // on the band frame's caption line: the radio, the contest score, the contest button
    {"rigStatus", K::Label, "", 1440, 7545, 2520, 240, ""},
    {"contestScore", K::Label, "", 4080, 7545, 3360, 240, ""},
    {"shareStatus", K::Label, "", 7500, 7545, 4440, 240, ""},
    {"contest", K::Button, "Contest…", 12000, 7530, 1440, 240,
     "Contest name, span and band: serial numbers, dupes and score"},
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

QFont MainWindowLayout::font()
{
    return QFont(QStringLiteral("Liberation Sans"), 8);
}

QVariantMap MainWindowLayout::searchSelectorState()
{
    return {
        {QStringLiteral("Appearance3D"), 1},
        {QStringLiteral("Border"), 0},
        {QStringLiteral("CaptionAligning"), 1},
        {QStringLiteral("Aligning"), 2},
        {QStringLiteral("Positioning"), 1},
        {QStringLiteral("Caption"), QString()},
        {QStringLiteral("OptionCount"), 3},
        {QStringLiteral("OptionSelected"), 2},
        {QStringLiteral("Horizontal"), true},
        {QStringLiteral("BCOL"), 0xC8D0D4},
        {QStringLiteral("FCOL"), 0},
    };
}

} // namespace mivra
