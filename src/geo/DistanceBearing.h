#pragma once

#include "Locator.h"

namespace mivra::geo {

// Distance in km and initial bearing in degrees from true north, both truncated to whole numbers.
struct QrbQtf {
    float qrbKm = 0.0f;
    float qtfDeg = 0.0f;
};

// Follows the great circle but averages a latitude- and direction-dependent earth radius
// over four sample points of the path, with a correction for nearly antipodal paths.
// Below 0.5 km and above 20003.5 km the bearing is 0.
QrbQtf distanceAndBearing(Position own, Position worked);

} // namespace mivra::geo
