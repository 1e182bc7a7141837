#pragma once

#include "DistanceBearing.h"

#include <optional>
#include <string>
#include <string_view>

namespace mivra::geo {

// The main window's working values for one contact: map texts, distance and bearing.
// They keep their last values between runs.
class ContactGeometry {
public:
    // Converts the own and the worked locator (GivenLocator instead of gr while UseGivenLocator
    // is set) into the point texts, the square outline, QrbKm and QtfDeg.
    // Returns true when distance and bearing were produced. An own locator that cannot be
    // converted leaves every member untouched; an invalid worked locator leaves lastPointText and
    // OwnMapPoint at the own point text and the rest untouched.
    bool CalcContactGeometry(std::u16string_view myGrid, std::u16string_view gr);

    std::string lastPointText;   // point text of the last locator converted
    std::string OwnMapPoint;     // point text of the own locator
    std::string SquareOutline;   // outline of the worked station's 2-by-1-degree square
    std::u16string GivenLocator; // taken instead of gr while UseGivenLocator is set
    bool UseGivenLocator = false;
    float QrbKm = 0.0f;
    float QtfDeg = 0.0f;
};

// Distance and bearing alone, as CalcContactGeometry finds them from the same two locators,
// without the map texts: for the many contacts of an import.
std::optional<QrbQtf> ContactQrbQtf(std::u16string_view myGrid, std::u16string_view gr);

} // namespace mivra::geo
