#include "MapText.h"
#include "Locator.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <locale>
#include <string>

namespace mivra::geo {
namespace {

Position positionOf(std::u16string_view locator)
{
    const auto position = locatorCentre(locator);
    EXPECT_TRUE(position);
    return position.value_or(Position{});
}

struct DecimalCase {
    double value;
    const char* text;
};

TEST(decimalText, PlainDecimalWithFifteenSignificantDigits)
{
    const DecimalCase cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1.0, "1"},
        {-180.0, "-180"},
        {52.5, "52.5"},
        {13.333333333333334, "13.3333333333333"},
        {12.583333333333334, "12.5833333333333"},
        {52.291666666666664, "52.2916666666667"},
        {179.91666666666666, "179.916666666667"},
        {-0.16666666666666666, "-0.166666666666667"},
        {0.5, "0.5"},
        {0.00034722222222222224, "0.000347222222222222"},
        {std::nextafter(10.0, 0.0), "10"}, // rounding carries into a new digit
        {std::nextafter(-100.0, 0.0), "-100"},
        {-9.99999999999999, "-9.99999999999999"},
        {123456789012345.6, "123456789012346"},
        {1e20, "100000000000000000000"},
        {7.1123662515049091e-17, "0.0000000000000000711236625150491"},
        {1.25, "1.25"},
        {100.0, "100"},
        {0.1, "0.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decimalText(c.value), c.text) << c.text;
}

struct PointCase {
    std::u16string locator;
    const char* text;
};

TEST(pointText, OfLocators)
{
    const PointCase cases[] = {
        {u"JO62QM", "13.375,52.5208333333333"},
        {u"JO62", "13,52.5"},
        {u"JO62HH", "12.625,52.3125"},
        {u"AA00AA", "-179.958333333333,-89.9791666666667"},
        {u"RR99XX", "179.958333333333,89.9791666666667"},
        {u"IO91WM", "-0.125,51.5208333333333"},
        {u"FN31PR", "-72.7083333333333,41.7291666666667"},
        {u"JO62ZA", "14.125,52.0208333333333"},
        {u"JJ00AA", "0.0416666666666667,0.0208333333333333"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pointText(positionOf(c.locator)), c.text) << c.text;
}

struct OutlineCase {
    std::u16string locator;
    int west;
    int south;
    const char* text;
};

TEST(squareOutlineText, OfLocators)
{
    const OutlineCase cases[] = {
        {u"JO62QM", 12, 52, "12.0,52.0,2000  14.0,52.0,2000  14.0,53.0,2000  12.0,53.0,2000 12.0,52.0,2000  "},
        {u"JO62", 12, 52, "12.0,52.0,2000  14.0,52.0,2000  14.0,53.0,2000  12.0,53.0,2000 12.0,52.0,2000  "},
        {u"IO91WM", -2, 51, "-2.0,51.0,2000  0.0,51.0,2000  0.0,52.0,2000  -2.0,52.0,2000 -2.0,51.0,2000  "},
        {u"FN31PR", -74, 41, "-74.0,41.0,2000  -72.0,41.0,2000  -72.0,42.0,2000  -74.0,42.0,2000 -74.0,41.0,2000  "},
        {u"JO62ZA", 14, 52, "14.0,52.0,2000  16.0,52.0,2000  16.0,53.0,2000  14.0,53.0,2000 14.0,52.0,2000  "},
        {u"JJ00AA", 0, 0, "0.0,0.0,2000  2.0,0.0,2000  2.0,1.0,2000  0.0,1.0,2000 0.0,0.0,2000  "},
        // Latitude -0.29: floor gives the square south of the equator.
        {u"JI09AR", 0, -1, "0.0,-1.0,2000  2.0,-1.0,2000  2.0,0.0,2000  0.0,0.0,2000 0.0,-1.0,2000  "},
        {u"AA00AA", -180, -90,
         "-180.0,-90.0,2000  -178.0,-90.0,2000  -178.0,-89.0,2000  -180.0,-89.0,2000 -180.0,-90.0,2000  "},
        {u"RR99XX", 178, 89, "178.0,89.0,2000  180.0,89.0,2000  180.0,90.0,2000  178.0,90.0,2000 178.0,89.0,2000  "},
        {u"JO62QM55AA", 12, 52, "12.0,52.0,2000  14.0,52.0,2000  14.0,53.0,2000  12.0,53.0,2000 12.0,52.0,2000  "},
    };
    for (const auto& c : cases) {
        const Position position = positionOf(c.locator);
        const SquareCorner corner = squareCornerOf(position);
        EXPECT_EQ(corner.west, c.west) << c.text;
        EXPECT_EQ(corner.south, c.south) << c.text;
        EXPECT_EQ(squareOutlineText(position), c.text);
    }
}

TEST(squareCornerOf, NegativeLatitudesAndOddLongitudesGoDown)
{
    EXPECT_EQ(squareCornerOf({-0.3, -0.3}).south, -1);
    EXPECT_EQ(squareCornerOf({-0.3, -0.3}).west, -2);
    EXPECT_EQ(squareCornerOf({-1.0, -45.0}).south, -45);
    EXPECT_EQ(squareCornerOf({-1.0, -45.0}).west, -2);
    EXPECT_EQ(squareCornerOf({3.99, 0.0}).west, 2);
    // The longitude is taken in single precision: just below 14 rounds up to 14.
    EXPECT_EQ(squareCornerOf({13.9999999999, 0.0}).west, 14);
    EXPECT_EQ(squareCornerOf({13.99, 0.0}).west, 12);
}

// A C++ locale whose decimal separator is a comma, for when no such system locale exists.
class CommaNumpunct : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
};

class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedCLocale = std::setlocale(LC_ALL, nullptr);
        m_savedGlobal = std::locale();
        for (const char* name :
             {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8", "ru_RU.UTF-8"}) {
            if (std::setlocale(LC_ALL, name)) {
                m_systemLocale = name;
                break;
            }
        }
        std::locale::global(std::locale(std::locale::classic(), new CommaNumpunct));
    }

    void TearDown() override
    {
        std::locale::global(m_savedGlobal);
        std::setlocale(LC_ALL, m_savedCLocale.c_str());
    }

    std::string m_savedCLocale;
    std::locale m_savedGlobal;
    std::string m_systemLocale;
};

TEST_F(CommaLocale, PointTextKeepsThePoint)
{
    if (!m_systemLocale.empty()) {
        // The C library formats with a comma now; our texts must not.
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.1f", 52.5);
        EXPECT_STREQ(buffer, "52,5") << m_systemLocale;
    }
    EXPECT_EQ(std::use_facet<std::numpunct<char>>(std::locale()).decimal_point(), ',');

    EXPECT_EQ(pointText(positionOf(u"JO62QM")), "13.375,52.5208333333333");
    EXPECT_EQ(pointText(positionOf(u"IO91WM")), "-0.125,51.5208333333333");
    EXPECT_EQ(squareOutlineText(positionOf(u"IO91WM")),
              "-2.0,51.0,2000  0.0,51.0,2000  0.0,52.0,2000  -2.0,52.0,2000 -2.0,51.0,2000  ");
}

} // namespace
} // namespace mivra::geo
