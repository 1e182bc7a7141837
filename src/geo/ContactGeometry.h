#pragma once

#include "DistanceBearing.h"

#include <optional>
#include <string>
#include <string_view>

namespace mivra::geo {

// The working values for one contact: map texts, distance (QRB) and heading (QTF). They keep
// their last values between runs.
class ContactGeometry {
public:
    // Converts the own and the worked locator, each at the centre of the square it names, into the
    // point texts, the square outline, qrbKm and qtfDeg.
    // Returns true when distance and bearing were produced. An own locator that cannot be
    // converted leaves every member untouched; an invalid worked locator leaves lastPointText and
    // ownMapPoint at the own point text and the rest untouched.
    bool calculate(std::u16string_view ownLocator, std::u16string_view locator);

    std::string lastPointText; // point text of the last locator converted
    std::string ownMapPoint;   // point text of the own locator
    std::string squareOutline; // outline of the worked station's 2-by-1-degree square
    float qrbKm = 0.0f;
    float qtfDeg = 0.0f;
};

// Distance and bearing alone, as calculate finds them from the same two locators,
// without the map texts: for the many contacts of an import.
std::optional<QrbQtf> contactQrbQtf(std::u16string_view ownLocator, std::u16string_view locator);

} // namespace mivra::geo
