#include "ContactGeometry.h"

#include "DistanceBearing.h"
#include "Locator.h"
#include "MapText.h"

namespace mivra::geo {

namespace {

constexpr std::u16string_view SquareExtension = u"HH";

std::u16string extendSquare(std::u16string text)
{
    if (text.size() == 4)
        text += SquareExtension;
    return text;
}

} // namespace

bool ContactGeometry::calculate(std::u16string_view ownLocator, std::u16string_view locator)
{
    const auto own = locatorToDegrees(asciiUpper(extendSquare(std::u16string(ownLocator))));
    if (!own)
        return false;
    lastPointText = pointText(*own);
    ownMapPoint = lastPointText;

    const std::u16string worked = extendSquare(asciiUpper(locator));
    if (!isLocatorValid(worked))
        return false;
    const auto workedPosition = locatorToDegrees(worked);
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
    const auto own = locatorToDegrees(asciiUpper(extendSquare(std::u16string(ownLocator))));
    const std::u16string worked = extendSquare(asciiUpper(locator));
    if (!own || !isLocatorValid(worked))
        return std::nullopt;
    const auto workedPosition = locatorToDegrees(worked);
    if (!workedPosition)
        return std::nullopt;
    return distanceAndBearing(*own, *workedPosition);
}

} // namespace mivra::geo
