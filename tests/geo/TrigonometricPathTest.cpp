// distanceAndBearing replaces the trigonometry at the integration points by exact identities.
// This test keeps the trigonometric form, step by step, and checks that both agree.
#include "DistanceBearing.h"
#include "Locator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace mivra::geo {
namespace {

double safeArcCos(double& x, double pi)
{
    if (x >= 1.0) {
        x = 1.0;
        return 0.0;
    }
    if (x <= -1.0) {
        x = -1.0;
        return pi;
    }
    return pi / 2.0 - std::atan(x / std::sqrt(1.0 - x * x));
}

QrbQtf trigonometricPath(Position own, Position worked)
{
    const double a = 6378.14, b = 6356.755;
    const double pi = 4.0 * std::atan(1.0);
    const double rho = (pi / 2.0) / 90.0;
    const double q = (a * a - b * b) / (b * b) + 1.0;
    const double r = std::sqrt(q);
    const double c = a * a / b;
    const double R0 = (1.0 / r / q + 1.0) * c / 2.0;
    const double K1 = c - R0, K2 = (a + c) / 2.0, K3 = c - K2;
    const double K4 = (2.0 * R0 / a - 1.0) * pi, K5 = a - R0;
    const double K6 = std::pow((1.0 - R0 / a) * 2.0 * pi, 2.0);

    const double lam1 = own.lon * rho, phi1 = own.lat * rho;
    const double lam2 = worked.lon * rho, phi2 = worked.lat * rho;
    const double dlam = lam2 - lam1;
    const double s1 = std::sin(phi1), s2 = std::sin(phi2), c1 = std::cos(phi1), c2 = std::cos(phi2);
    const double cd = std::cos(dlam);
    double x = s1 * s2 + c1 * c2 * cd;
    const double d = safeArcCos(x, pi);
    double z = 0.0;
    if (std::fabs(x) < 1.0)
        z = (s2 * c1 - c2 * s1 * cd) / std::sqrt(1.0 - x * x);
    double y = z;
    double alpha = safeArcCos(y, pi);

    const double h = d / 4.0;
    double t = -h / 2.0;
    double S = 0.0;
    for (int k = 1; k <= 4; ++k) {
        t = t + h;
        x = std::cos(t) * s1 + std::sin(t) * c1 * z;
        const double theta = safeArcCos(x, pi);
        double w = 0.0;
        if (theta != 0.0)
            w = c1 * std::sin(theta);
        double v = w * pi / 2.0;
        if (std::fabs(w) < 1.0)
            v = std::atan(w / std::sqrt(1.0 - w * w));
        const double e = std::cos(2.0 * theta);
        const double M = K1 * e + R0;
        const double N = K3 * e + K2;
        S = S + (M + N) / 2.0 + (M - N) / 2.0 * std::cos(2.0 * v);
    }
    const double Rm = S / 4.0;
    double corr = 0.0;
    if (d - K4 > 0.0)
        corr = std::pow(d - K4, 2.0) * (Rm - R0) / K6;
    const double u = std::sin((a - Rm) * pi / K5);
    const double L = (1.0 - 0.014 * u) * K4;
    if (d > L)
        corr = corr + 1.8 * u * std::sin(pi * std::sqrt((pi - d) / (pi - L)));
    const double D = (Rm - corr) * d;
    if (D < 0.5 || D > 20003.5)
        alpha = 0.0;
    else if (dlam * (pi - std::fabs(dlam)) < 0.0)
        alpha = 2.0 * pi - alpha;
    return {static_cast<float>(std::floor(D)), std::floor(static_cast<float>(alpha / rho))};
}

std::string randomLocator(std::mt19937& random)
{
    auto pick = [&random](char first, unsigned count) { return char(first + random() % count); };
    std::string text{pick('A', 18), pick('A', 18), pick('0', 10), pick('0', 10), pick('A', 24), pick('A', 24)};
    if (random() % 2)
        text += {pick('0', 10), pick('0', 10), pick('A', 24), pick('A', 24)};
    return text;
}

TEST(TrigonometricPath, AgreesWithDistanceAndBearing)
{
    std::mt19937 random(1296);
    int differing = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::string own = randomLocator(random);
        std::string worked = randomLocator(random);
        if (i % 3 == 0)
            worked.replace(0, 4, own, 0, 4); // short paths too
        const Position p1 = *locatorCentre(own);
        const Position p2 = *locatorCentre(worked);
        const QrbQtf fast = distanceAndBearing(p1, p2);
        const QrbQtf reference = trigonometricPath(p1, p2);
        if (fast.qrbKm != reference.qrbKm || fast.qtfDeg != reference.qtfDeg) {
            ++differing;
            ADD_FAILURE() << own << " " << worked << ": " << fast.qrbKm << "/" << fast.qtfDeg << " against "
                          << reference.qrbKm << "/" << reference.qtfDeg;
            if (differing > 10)
                break;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST(TrigonometricPath, AgreesAtPolesEquatorAndAntipodes)
{
    const Position points[] = {{0.0, 90.0},
                               {0.0, -90.0},
                               {0.0, 0.0},
                               {180.0, 0.0},
                               {-180.0, -90.0},
                               {179.9166666666667, 89.9583333333333},
                               {12.0, 52.0},
                               {-168.0, -52.0},
                               {-170.0, 0.0},
                               {170.0, 0.0},
                               {0.5833333333333, -0.7083333333333}};
    for (const Position& p1 : points) {
        for (const Position& p2 : points) {
            const QrbQtf fast = distanceAndBearing(p1, p2);
            const QrbQtf reference = trigonometricPath(p1, p2);
            EXPECT_EQ(fast.qrbKm, reference.qrbKm) << p1.lon << "," << p1.lat << " -> " << p2.lon << "," << p2.lat;
            EXPECT_EQ(fast.qtfDeg, reference.qtfDeg) << p1.lon << "," << p1.lat << " -> " << p2.lon << "," << p2.lat;
        }
    }
}

} // namespace
} // namespace mivra::geo
