#include "Locator.h"

#include <cstdint>
#include <limits>
#include <type_traits>

namespace mivra::geo {

namespace {

template <typename Char> unsigned codeOf(Char c)
{
    return static_cast<unsigned>(static_cast<std::make_unsigned_t<Char>>(c));
}

// The index of the first character that breaks the rule, the text's size when its length is wrong,
// or -1 for a locator.
template <typename Char> long faultIndex(std::basic_string_view<Char> text)
{
    const auto size = text.size();
    if (size != 4 && size != 6 && size != 8 && size != 10)
        return static_cast<long>(size);
    auto inRange = [](Char c, unsigned lo, unsigned hi) {
        const unsigned code = codeOf(c);
        return code >= lo && code <= hi;
    };
    for (std::size_t i = 0; i < size; ++i) {
        const Char c = text[i];
        bool ok = false;
        switch (i) {
        case 0:
        case 1:
            ok = inRange(c, 'A', 'R');
            break;
        case 2:
        case 3:
        case 6:
        case 7:
            ok = inRange(c, '0', '9');
            break;
        default:
            ok = inRange(c, 'A', 'x');
            break;
        }
        if (!ok)
            return static_cast<long>(i);
    }
    return -1;
}

// The degrees part is worked in 16-bit signed arithmetic; a value it cannot hold means the
// text is no locator at all, so the conversion gives up instead of wrapping around.
bool fitsInt16(long value)
{
    return value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max();
}

// The south-west corner of the square named by the first 4, 6, 8 or 10 characters.
template <typename Char> std::optional<Position> southWestCorner(std::basic_string_view<Char> text)
{
    const auto size = text.size();
    if (size != 4 && size != 6 && size != 8 && size != 10)
        return std::nullopt;
    auto code = [&text](std::size_t i) { return static_cast<long>(codeOf(text[i])); };

    const long c1 = code(0), c2 = code(1), c3 = code(2), c4 = code(3);
    if (!fitsInt16(c1) || !fitsInt16(c2) || !fitsInt16(c3) || !fitsInt16(c4))
        return std::nullopt;
    const long fieldLon = (c1 - 74) * 20;
    const long squareLon = (c3 - 48) * 2;
    const long fieldLat = (c2 - 74) * 10;
    const long squareLat = c4 - 48;
    for (long part : {c1 - 74, fieldLon, squareLon, fieldLon + squareLon, fieldLat, squareLat, fieldLat + squareLat}) {
        if (!fitsInt16(part))
            return std::nullopt;
    }

    Position pos;
    pos.lon = static_cast<double>(fieldLon + squareLon);
    pos.lat = static_cast<double>(fieldLat + squareLat);
    if (size == 4)
        return pos;
    pos.lon += static_cast<double>(code(4) - 65) / 12.0;
    pos.lat += static_cast<double>(code(5) - 65) / 24.0;
    if (size == 6)
        return pos;
    pos.lon += static_cast<double>(code(6) - 48) / 120.0;
    pos.lat += static_cast<double>(code(7) - 48) / 240.0;
    if (size == 8)
        return pos;
    pos.lon += static_cast<double>(code(8) - 65) / 2880.0;
    pos.lat += static_cast<double>(code(9) - 65) / 5760.0;
    return pos;
}

// Width and height in degrees of the square a locator of this many characters names.
Position squareSize(std::size_t size)
{
    switch (size) {
    case 4:
        return {2.0, 1.0};
    case 6:
        return {1.0 / 12.0, 1.0 / 24.0};
    case 8:
        return {1.0 / 120.0, 1.0 / 240.0};
    default:
        return {1.0 / 2880.0, 1.0 / 5760.0};
    }
}

template <typename Char> std::optional<Position> toCentre(std::basic_string_view<Char> text)
{
    std::optional<Position> position = southWestCorner(text);
    if (position) {
        const Position size = squareSize(text.size());
        position->lon += size.lon / 2.0;
        position->lat += size.lat / 2.0;
    }
    return position;
}

} // namespace

bool isLocatorValid(std::u16string_view text)
{
    return faultIndex(text) < 0;
}
bool isLocatorValid(std::string_view text)
{
    return faultIndex(text) < 0;
}

long locatorFaultIndex(std::u16string_view text)
{
    return faultIndex(text);
}

bool isLocatorRefused(std::u16string_view upperText)
{
    return !isLocatorValid(upperText);
}

std::optional<Position> locatorCentre(std::u16string_view locator)
{
    return toCentre(locator);
}
std::optional<Position> locatorCentre(std::string_view locator)
{
    return toCentre(locator);
}

std::u16string asciiUpper(std::u16string_view text)
{
    std::u16string upper(text);
    for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - (u'a' - u'A'));
    }
    return upper;
}

} // namespace mivra::geo
