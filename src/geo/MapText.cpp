#include "MapText.h"

#include <array>
#include <charconv>
#include <cmath>

namespace mivra::geo {

namespace {

constexpr int SignificantDigits = 15;

std::string vertexText(int lon, int lat)
{
    return std::to_string(lon) + ".0," + std::to_string(lat) + ".0,2000";
}

} // namespace

std::string decimalText(double value)
{
    if (value == 0.0)
        return "0"; // negative zero included
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";

    // Scientific form first: rounding to 15 digits may carry into a new leading digit,
    // and the exponent read back afterwards already accounts for that.
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific, SignificantDigits - 1);
    const std::string_view scientific(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));

    const bool negative = scientific.front() == '-';
    const auto ePos = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(0, ePos)) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    std::string_view exponentText = scientific.substr(ePos + 1);
    if (exponentText.front() == '+')
        exponentText.remove_prefix(1);
    int exponent = 0;
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string text = negative ? "-" : "";
    const int digitCount = static_cast<int>(digits.size());
    if (exponent < 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    } else if (exponent + 1 >= digitCount) {
        text += digits;
        text.append(static_cast<std::size_t>(exponent + 1 - digitCount), '0');
    } else {
        text += digits.substr(0, static_cast<std::size_t>(exponent + 1));
        text += '.';
        text += digits.substr(static_cast<std::size_t>(exponent + 1));
    }
    return text;
}

std::string pointText(Position position)
{
    return decimalText(position.lon) + ',' + decimalText(position.lat);
}

SquareCorner squareCornerOf(Position position)
{
    float x = static_cast<float>(position.lon);
    if (static_cast<long>(std::floor(x)) % 2 != 0)
        x -= 1.0f;
    return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(position.lat))};
}

std::string squareOutlineText(SquareCorner corner)
{
    const int w = corner.west;
    const int s = corner.south;
    return vertexText(w, s) + "  " + vertexText(w + 2, s) + "  " + vertexText(w + 2, s + 1) + "  "
           + vertexText(w, s + 1) + " " + vertexText(w, s) + "  ";
}

std::string squareOutlineText(Position position)
{
    return squareOutlineText(squareCornerOf(position));
}

} // namespace mivra::geo
