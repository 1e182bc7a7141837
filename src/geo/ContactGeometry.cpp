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

bool ContactGeometry::CalcContactGeometry(std::u16string_view myGrid, std::u16string_view gr)
{
    const auto own = LocatorToDegrees(AsciiUpper(extendSquare(std::u16string(myGrid))));
    if (!own)
        return false;
    lastPointText = PointText(*own);
    OwnMapPoint = lastPointText;

    const std::u16string worked = extendSquare(AsciiUpper(UseGivenLocator ? std::u16string_view(GivenLocator) : gr));
    if (!IsLocatorValid(worked))
        return false;
    const auto workedPosition = LocatorToDegrees(worked);
    if (!workedPosition)
        return false;
    lastPointText = PointText(*workedPosition);
    UseGivenLocator = false;

    SquareOutline = SquareOutlineText(*workedPosition);

    const QrbQtf result = DistanceAndBearing(*own, *workedPosition);
    QrbKm = result.qrbKm;
    QtfDeg = result.qtfDeg;
    return true;
}

std::optional<QrbQtf> ContactQrbQtf(std::u16string_view myGrid, std::u16string_view gr)
{
    const auto own = LocatorToDegrees(AsciiUpper(extendSquare(std::u16string(myGrid))));
    const std::u16string worked = extendSquare(AsciiUpper(gr));
    if (!own || !IsLocatorValid(worked))
        return std::nullopt;
    const auto workedPosition = LocatorToDegrees(worked);
    if (!workedPosition)
        return std::nullopt;
    return DistanceAndBearing(*own, *workedPosition);
}

} // namespace mivra::geo
