// Compares distance and bearing with the WGS84 geodesic of GeographicLib on random locator pairs.
#include "ContactGeometry.h"
#include "DistanceBearing.h"
#include "Locator.h"

#include <GeographicLib/Geodesic.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iostream>
#include <random>
#include <string>

namespace mivra::geo {
namespace {

// Fixed seed, and plain modulo instead of a distribution, so every platform draws the same pairs.
std::string randomLocator(std::mt19937& random)
{
    auto pick = [&random](char first, unsigned count) { return char(first + random() % count); };
    std::string text{pick('A', 18), pick('A', 18), pick('0', 10), pick('0', 10), pick('A', 24), pick('A', 24)};
    const unsigned extra = random() % 3;
    if (extra >= 1)
        text += {pick('0', 10), pick('0', 10)};
    if (extra == 2)
        text += {pick('A', 24), pick('A', 24)};
    return text;
}

// A locator in the same 2-by-1-degree square, so that short paths are drawn too.
std::string nearbyLocator(const std::string& own, std::mt19937& random)
{
    std::string text = randomLocator(random);
    text.replace(0, 4, own, 0, 4);
    return text;
}

struct Deviation {
    double worst = 0.0;
    std::string where;

    void add(double value, const std::string& pair)
    {
        if (std::fabs(value) > std::fabs(worst)) {
            worst = value;
            where = pair;
        }
    }
};

TEST(GeodesicCrossCheck, DistanceAndBearingStayCloseToTheWgs84Geodesic)
{
    constexpr int Pairs = 6000; // every third pair lies within one square
    constexpr double RegionalKm = 1000.0;
    // The bearing of a long path grows sensitive to the earth model, and near the antipode
    // it is ill-conditioned.
    constexpr double LongKm = 15000.0;
    constexpr double NearAntipodalKm = 19000.0;

    const GeographicLib::Geodesic& geodesic = GeographicLib::Geodesic::WGS84();
    std::mt19937 random(20261207);
    Deviation regionalDistance;  // QRB - geodesic in km, from 1 km to 1000 km
    Deviation relativeDistance;  // (QRB - geodesic) / geodesic, from 1000 km to the antipodal zone
    Deviation antipodalDistance; // QRB - geodesic in km, in the antipodal zone
    Deviation bearing;           // QTF - azimuth in degrees, from 1 km to 15000 km
    Deviation longBearing;       // QTF - azimuth in degrees, from 15000 km to the antipodal zone
    int compared = 0;

    for (int i = 0; i < Pairs; ++i) {
        const std::string own = randomLocator(random);
        const std::string worked = i % 3 == 0 ? nearbyLocator(own, random) : randomLocator(random);
        const Position p1 = *locatorCentre(own);
        const Position p2 = *locatorCentre(worked);
        const QrbQtf ours = distanceAndBearing(p1, p2);

        double metres = 0.0, azimuth1 = 0.0, azimuth2 = 0.0;
        geodesic.Inverse(p1.lat, p1.lon, p2.lat, p2.lon, metres, azimuth1, azimuth2);
        const double km = metres / 1000.0;
        if (km < 1.0)
            continue;
        ++compared;
        const std::string pair = own + " " + worked + " (" + std::to_string(km) + " km)";
        if (km >= NearAntipodalKm) {
            antipodalDistance.add(ours.qrbKm - km, pair);
            continue;
        }
        if (km < RegionalKm)
            regionalDistance.add(ours.qrbKm - km, pair);
        else
            relativeDistance.add((ours.qrbKm - km) / km, pair);
        (km < LongKm ? bearing : longBearing).add(std::remainder(ours.qtfDeg - azimuth1, 360.0), pair);
    }

    std::cout << "pairs compared: " << compared << "\n"
              << "max distance error 1 .. 1000 km: " << regionalDistance.worst << " km at " << regionalDistance.where
              << "\n"
              << "max relative distance error 1000 .. 19000 km: " << relativeDistance.worst << " at "
              << relativeDistance.where << "\n"
              << "max distance error beyond 19000 km: " << antipodalDistance.worst << " km at "
              << antipodalDistance.where << "\n"
              << "max bearing difference 1 .. 15000 km: " << bearing.worst << " deg at " << bearing.where << "\n"
              << "max bearing difference 15000 .. 19000 km: " << longBearing.worst << " deg at " << longBearing.where
              << "\n";

    EXPECT_GT(compared, Pairs * 9 / 10);
    EXPECT_NE(regionalDistance.where, "");
    EXPECT_NE(antipodalDistance.where, "");
    // Measured: 3.5 km, 0.6 %, 46 km, 1.19 and 2.2 degrees. Both results are truncated to whole
    // units, which alone accounts for up to 1 km and 1 degree.
    EXPECT_LT(std::fabs(regionalDistance.worst), 5.0);
    EXPECT_LT(std::fabs(relativeDistance.worst), 0.007);
    EXPECT_LT(std::fabs(antipodalDistance.worst), 50.0);
    EXPECT_LT(std::fabs(bearing.worst), 1.3);
    EXPECT_LT(std::fabs(longBearing.worst), 3.0);
}

// Locators of 4, 6, 8 and 10 characters placed at the centre of their square, written out by hand
// here; distance and heading of each contact against the geodesic between those centres.
TEST(GeodesicCrossCheck, ContactsAreReckonedFromTheCentresOfTheirSquares)
{
    struct Case {
        const char* own;
        const char* worked;
        double workedLon, workedLat; // the centre of the worked square
        int km, deg;                 // centre to centre on a sphere, as contest checkers reckon
    };
    const Case cases[] = {
        {"JO62QM", "JO70", 15.0, 50.5, 251, 153},
        {"JO62QM", "JO70FD", 14.0 + 5.0 / 12.0 + 1.0 / 24.0, 50.0 + 3.0 / 24.0 + 1.0 / 48.0, 275, 164},
        {"JO62QM", "JO62", 13.0, 52.5, 25, 265},
        {"JO62QM", "JN79FX", 14.0 + 5.0 / 12.0 + 1.0 / 24.0, 49.0 + 23.0 / 24.0 + 1.0 / 48.0, 292, 165},
        {"JO62QM", "JO62QM55", 13.0 + 4.0 / 12.0 + 5.0 / 120.0 + 1.0 / 240.0, 52.5 + 5.0 / 240.0 + 1.0 / 480.0, 0, 0},
        {"JO62QM", "IO91WM77AB", -2.0 + 22.0 / 12.0 + 7.0 / 120.0 + 0.5 / 2880.0, 51.5 + 7.0 / 240.0 + 1.5 / 5760.0,
         928, 268},
    };
    const GeographicLib::Geodesic& geodesic = GeographicLib::Geodesic::WGS84();
    const double ownLon = 13.0 + 4.0 / 12.0 + 1.0 / 24.0, ownLat = 52.5 + 1.0 / 48.0;
    for (const Case& c : cases) {
        const std::u16string own(c.own, c.own + std::strlen(c.own));
        const std::u16string worked(c.worked, c.worked + std::strlen(c.worked));
        const auto centre = locatorCentre(worked);
        ASSERT_TRUE(centre) << c.worked;
        EXPECT_NEAR(centre->lon, c.workedLon, 1e-9) << c.worked;
        EXPECT_NEAR(centre->lat, c.workedLat, 1e-9) << c.worked;

        double metres = 0.0, azimuth1 = 0.0, azimuth2 = 0.0;
        geodesic.Inverse(ownLat, ownLon, c.workedLat, c.workedLon, metres, azimuth1, azimuth2);
        const auto reckoned = contactQrbQtf(own, worked);
        ASSERT_TRUE(reckoned) << c.worked;
        // The program's earth model stays within 0.3 % of the ellipsoid's geodesic.
        EXPECT_NEAR(reckoned->qrbKm, metres / 1000.0, 1.0 + metres / 1000.0 * 0.003) << c.worked;
        EXPECT_NEAR(reckoned->qrbKm, c.km, 1.0 + c.km / 200.0) << c.worked;
        if (c.km > 0) {
            EXPECT_NEAR(std::remainder(reckoned->qtfDeg - azimuth1, 360.0), 0.0, 1.0) << c.worked;
            EXPECT_NEAR(std::remainder(reckoned->qtfDeg - c.deg, 360.0), 0.0, 1.0) << c.worked;
        }
    }
}

} // namespace
} // namespace mivra::geo
