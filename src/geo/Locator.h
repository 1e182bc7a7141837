#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mivra::geo {

// A position in degrees: longitude positive east, latitude positive north.
struct Position {
    double lon = 0.0;
    double lat = 0.0;
};

// The Maidenhead rule: 4, 6, 8 or 10 characters, "[A-R][A-R]##[A-x][A-x]##[A-x][A-x]",
// compared by UTF-16 code and case-sensitive.
bool isLocatorValid(std::u16string_view text);
bool isLocatorValid(std::string_view text);
// Where a text breaks that rule: the index of the first character at fault, the text's size when
// its length is none of 4, 6, 8 or 10, or -1 for a locator.
long locatorFaultIndex(std::u16string_view text);

// The verdict of the settings window's check: true when the (upper-cased) text is rejected.
bool isLocatorRefused(std::u16string_view upperText);

// The centre of the square an upper-case locator of 4, 6, 8 or 10 characters names: the position
// of a station for distance, heading, map point and contest points alike (JO62 is 13 E 52.5 N,
// JO62QM 13.375 E 52.5208 N). Any other length, or a character whose code cannot take part in the
// 16-bit integer step, gives no position; characters after the tenth are never read.
std::optional<Position> locatorCentre(std::u16string_view locator);
std::optional<Position> locatorCentre(std::string_view locator);

// ASCII-only upper-casing; every other character is kept as it is.
std::u16string asciiUpper(std::u16string_view text);

} // namespace mivra::geo
