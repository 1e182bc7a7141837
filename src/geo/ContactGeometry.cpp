#include "ContactGeometry.h"

#include "DistanceBearing.h"
#include "Locator.h"
#include "MapText.h"

namespace mivra::geo {

bool ContactGeometry::calculate(std::u16string_view ownLocator, std::u16string_view locator)
{
    const auto own = locatorCentre(asciiUpper(ownLocator));
    if (!own)
        return false;
    lastPointText = pointText(*own);
    ownMapPoint = lastPointText;

    const std::u16string worked = asciiUpper(locator);
    if (!isLocatorValid(worked))
        return false;
    const auto workedPosition = locatorCentre(worked);
    if (!workedPosition)
        return false;
    lastPointText = pointText(*workedPosition);

    squareOutline = squareOutlineText(*workedPosition);

    const QrbQtf result = distanceAndBearing(*own, *workedPosition);
    qrbKm = result.qrbKm;
    qtfDeg = result.qtfDeg;
    return true;
}

std::optional<QrbQtf> contactQrbQtf(std::u16string_view ownLocator, std::u16string_view locator)
{
    const auto own = locatorCentre(asciiUpper(ownLocator));
    const std::u16string worked = asciiUpper(locator);
    if (!own || !isLocatorValid(worked))
        return std::nullopt;
    const auto workedPosition = locatorCentre(worked);
    if (!workedPosition)
        return std::nullopt;
    return distanceAndBearing(*own, *workedPosition);
}

} // namespace mivra::geo
