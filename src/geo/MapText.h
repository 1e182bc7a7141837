#pragma once

#include "Locator.h"

#include <string>

namespace mivra::geo {

// One number of a point text: plain decimal, at most 15 significant digits (nearest),
// no trailing zeros or point, "." as separator whatever the process locale.
std::string decimalText(double value);

// "lon,lat", e.g. "13.3333333333333,52.5".
std::string pointText(Position position);

// The whole-degree corner of the 2-by-1-degree square a position lies in.
struct SquareCorner {
    int west = 0;
    int south = 0;
};

// West from the single-precision longitude, moved down to the even edge; south by floor.
SquareCorner squareCornerOf(Position position);

// Five "lon.0,lat.0,2000" vertices, counter-clockwise from the south-west corner and closed.
std::string squareOutlineText(SquareCorner corner);
std::string squareOutlineText(Position position);

} // namespace mivra::geo
