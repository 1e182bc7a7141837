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

template <typename Char> bool matchesLocatorPattern(std::basic_string_view<Char> text)
{
    const auto size = text.size();
    if (size != 4 && size != 6 && size != 8 && size != 10)
        return false;
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
            return false;
    }
    return true;
}

// The degrees part is worked in 16-bit signed arithmetic; a value it cannot hold means the
// text is no locator at all, so the conversion gives up instead of wrapping around.
bool fitsInt16(long value)
{
    return value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max();
}

template <typename Char> std::optional<Position> toDegrees(std::basic_string_view<Char> text)
{
    const auto size = text.size();
    if (size != 6 && size != 8 && size != 10)
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

} // namespace

bool isLocatorValid(std::u16string_view text)
{
    return matchesLocatorPattern(text);
}
bool isLocatorValid(std::string_view text)
{
    return matchesLocatorPattern(text);
}

bool isLocatorRefused(std::u16string_view upperText)
{
    return !isLocatorValid(upperText);
}

std::optional<Position> locatorToDegrees(std::u16string_view locator)
{
    return toDegrees(locator);
}
std::optional<Position> locatorToDegrees(std::string_view locator)
{
    return toDegrees(locator);
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
