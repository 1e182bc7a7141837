#include "DistanceBearing.h"
#include "ContactGeometry.h"
#include "Locator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace mivra::geo {
namespace {

struct QrbQtfCase {
    std::u16string own;
    std::u16string worked;
    float qrb;
    float qtf;
};

std::string label(const QrbQtfCase& c)
{
    return std::string(c.own.begin(), c.own.end()) + " -> " + std::string(c.worked.begin(), c.worked.end());
}

TEST(distanceAndBearing, ExpectedResultsFromLocators)
{
    const QrbQtfCase cases[] = {
        {u"JO62QM", u"JO62QM", 0, 0},     {u"JO62", u"JO62", 0, 0},          {u"JO62", u"JO62HH", 32, 230},
        {u"JO62QM", u"JO62QN", 4, 0},     {u"JO62QM", u"JO62QL", 4, 180},    {u"JO62QM", u"JO62RM", 5, 89},
        {u"JO62QM", u"JO62PM", 5, 270},   {u"JO62", u"JO72", 135, 89},       {u"JO62QM", u"JO31", 451, 257},
        {u"JO62QM", u"JO70", 251, 152}, // 152.8 degrees, truncated
        {u"JO62QM", u"IO91WM", 930, 268}, {u"JO62QM", u"FN31PR", 6233, 296}, {u"JO62QM", u"PM95", 8919, 42},
        {u"JJ00AA", u"AI09AX", 20004, 0},
    };
    for (const auto& c : cases) {
        ContactGeometry geometry;
        ASSERT_TRUE(geometry.calculate(c.own, c.worked)) << label(c);
        EXPECT_EQ(geometry.qrbKm, c.qrb) << label(c);
        EXPECT_EQ(geometry.qtfDeg, c.qtf) << label(c);
    }
}

TEST(distanceAndBearing, CrossingTheDatelineTakesTheShortWay)
{
    const QrbQtf across = distanceAndBearing({170.0, 0.0}, {-170.0, 0.0});
    const QrbQtf direct = distanceAndBearing({-10.0, 0.0}, {10.0, 0.0});
    EXPECT_EQ(across.qrbKm, direct.qrbKm);
    EXPECT_EQ(across.qtfDeg, direct.qtfDeg);
    EXPECT_GE(across.qtfDeg, 89.0f);
    EXPECT_LE(across.qtfDeg, 90.0f);
    EXPECT_NEAR(across.qrbKm, 2226.0f, 5.0f); // 20 degrees of the equator

    const QrbQtf back = distanceAndBearing({-170.0, 0.0}, {170.0, 0.0});
    EXPECT_EQ(back.qrbKm, across.qrbKm);
    EXPECT_GE(back.qtfDeg, 269.0f);
    EXPECT_LE(back.qtfDeg, 270.0f);

    // The same through locators: RJ50AA lies by 170 E, AJ50AA by 170 W, both by the equator.
    ContactGeometry geometry;
    ASSERT_TRUE(geometry.calculate(u"RJ50AA", u"AJ50AA"));
    EXPECT_NEAR(geometry.qrbKm, across.qrbKm, 1.0f);
    EXPECT_GE(geometry.qtfDeg, 89.0f);
    EXPECT_LE(geometry.qtfDeg, 90.0f);
}

TEST(distanceAndBearing, WestAndEastNeighbours)
{
    const QrbQtf west = distanceAndBearing({13.0, 52.0}, {12.9, 52.0});
    const QrbQtf east = distanceAndBearing({13.0, 52.0}, {13.1, 52.0});
    EXPECT_EQ(west.qtfDeg, 270.0f);
    EXPECT_EQ(east.qtfDeg, 89.0f);
    EXPECT_EQ(west.qrbKm, east.qrbKm);
}

struct ShortOrLongCase {
    const char* name;
    Position own;
    Position worked;
    float qrb;
    float qtf;
};

TEST(distanceAndBearing, NoBearingBelowHalfAKilometreOrAboveTheAntipodalLimit)
{
    const ShortOrLongCase cases[] = {
        {"0.41 km west", {13.0, 52.0}, {12.994, 52.0}, 0, 0},
        {"0.45 km south", {13.0, 52.0}, {13.0, 51.996}, 0, 0},
        {"0.62 km west", {13.0, 52.0}, {12.991, 52.0}, 0, 270},
        {"coincident", {-72.75, 41.7}, {-72.75, 41.7}, 0, 0},
        {"antipodal on the equator", {0.0, 0.0}, {180.0, 0.0}, 20004, 0},
        {"antipodal through the poles", {12.0, 52.0}, {-168.0, -52.0}, 20004, 0},
        {"pole to pole", {0.0, 90.0}, {0.0, -90.0}, 20004, 0},
    };
    for (const auto& c : cases) {
        const QrbQtf result = distanceAndBearing(c.own, c.worked);
        EXPECT_EQ(result.qrbKm, c.qrb) << c.name;
        EXPECT_EQ(result.qtfDeg, c.qtf) << c.name;
    }
}

TEST(distanceAndBearing, HeadingIsTruncatedAfterTheSinglePrecisionStep)
{
    // A hair west of due north: 359.999999998 degrees becomes 360 in single precision.
    const Position own{13.0 + 4.0 / 12.0, 52.5};
    const double north = 89.0 + 23.0 / 24.0 + 9.0 / 240.0 + 23.0 / 5760.0;
    const QrbQtf west = distanceAndBearing(own, {12.0 + 15.0 / 12.0 + 9.0 / 120.0 + 23.0 / 2880.0, north});
    EXPECT_EQ(west.qrbKm, 4183.0f);
    EXPECT_EQ(west.qtfDeg, 360.0f);
    // A hair east of it stays 0.
    EXPECT_EQ(distanceAndBearing(own, {12.0 + 16.0 / 12.0 + 9.0 / 120.0, north}).qtfDeg, 0.0f);
}

TEST(distanceAndBearing, WholeNumbersInRangeEverywhereOnTheGrid)
{
    // Every square corner against a few own stations, poles and dateline included.
    for (Position own : {Position{-180.0, -90.0}, Position{0.0, 0.0}, Position{13.33, 52.5}, Position{179.9, 89.95},
                         Position{-72.75, 41.7}}) {
        for (int lon = -180; lon <= 180; lon += 2) {
            for (int lat = -90; lat <= 90; lat += 1) {
                const QrbQtf result = distanceAndBearing(own, {double(lon), double(lat)});
                const bool sane = result.qrbKm == std::floor(result.qrbKm) && result.qrbKm >= 0.0f
                                  && result.qrbKm <= 20004.0f && result.qtfDeg == std::floor(result.qtfDeg)
                                  && result.qtfDeg >= 0.0f && result.qtfDeg <= 360.0f;
                ASSERT_TRUE(sane) << own.lon << "," << own.lat << " -> " << lon << "," << lat << ": " << result.qrbKm
                                  << " km " << result.qtfDeg << " deg";
            }
        }
    }
}

} // namespace
} // namespace mivra::geo
