#include "DistanceBearing.h"

#include <algorithm>
#include <cmath>

namespace mivra::geo {

namespace {

struct EllipsoidConstants {
    double pi, rho, R0, K1, K2, K3, K4, K5, K6;
};

constexpr double EquatorialRadius = 6378.14; // a, km
constexpr double PolarRadius = 6356.755;     // b, km
constexpr int IntegrationSteps = 4;
constexpr double AntipodalLimitCoefficient = 0.014;
constexpr double AntipodalCorrectionCoefficient = 1.8;
constexpr double ShortestWithBearing = 0.5;    // km
constexpr double LongestWithBearing = 20003.5; // km

EllipsoidConstants makeConstants()
{
    const double a = EquatorialRadius;
    const double b = PolarRadius;
    EllipsoidConstants k{};
    k.pi = 4.0 * std::atan(1.0);
    k.rho = (k.pi / 2.0) / 90.0;
    const double q = (a * a - b * b) / (b * b) + 1.0;
    const double r = std::sqrt(q);
    const double c = a * a / b;
    k.R0 = (1.0 / r / q + 1.0) * c / 2.0;
    k.K1 = c - k.R0;
    k.K2 = (a + c) / 2.0;
    k.K3 = c - k.K2;
    k.K4 = (2.0 * k.R0 / a - 1.0) * k.pi;
    k.K5 = a - k.R0;
    const double k6Root = (1.0 - k.R0 / a) * 2.0 * k.pi;
    k.K6 = k6Root * k6Root;
    return k;
}

const EllipsoidConstants& constants()
{
    static const EllipsoidConstants k = makeConstants();
    return k;
}

// Arc cosine that clamps its argument in place, so callers testing it later see the clamped value.
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

} // namespace

QrbQtf distanceAndBearing(Position own, Position worked)
{
    const EllipsoidConstants& k = constants();
    const double pi = k.pi;

    const double lam1 = own.lon * k.rho;
    const double phi1 = own.lat * k.rho;
    const double lam2 = worked.lon * k.rho;
    const double phi2 = worked.lat * k.rho;
    const double dlam = lam2 - lam1;

    const double s1 = std::sin(phi1);
    const double s2 = std::sin(phi2);
    const double c1 = std::cos(phi1);
    const double c2 = std::cos(phi2);
    const double cd = std::cos(dlam);

    double x = s1 * s2 + c1 * c2 * cd;
    const double d = safeArcCos(x, pi); // central angle

    // Cosine of the initial azimuth; stays 0 for coincident and exactly antipodal points.
    double z = 0.0;
    if (std::fabs(x) < 1.0)
        z = (s2 * c1 - c2 * s1 * cd) / std::sqrt(1.0 - x * x);
    double y = z;
    double alpha = safeArcCos(y, pi);

    // Mean radius of curvature over sample points along the great circle. At each point the
    // co-latitude theta has cos theta = sinLat, so sin theta and cos 2*theta follow without
    // trigonometry; likewise v = arcsin w gives cos 2*v = 1 - 2*w*w.
    const double h = d / IntegrationSteps;
    double t = -h / 2.0;
    double sum = 0.0;
    for (int step = 0; step < IntegrationSteps; ++step) {
        t += h;
        const double sinLat = std::clamp(std::cos(t) * s1 + std::sin(t) * c1 * z, -1.0, 1.0);
        const double w = c1 * std::sqrt(1.0 - sinLat * sinLat); // c1 * sin theta, a product
        const double e = 2.0 * sinLat * sinLat - 1.0;           // cos 2*theta
        const double cos2v = 1.0 - 2.0 * w * w;
        const double meridional = k.K1 * e + k.R0;
        const double primeVertical = k.K3 * e + k.K2;
        sum += (meridional + primeVertical) / 2.0 + (meridional - primeVertical) / 2.0 * cos2v;
    }
    const double meanRadius = sum / IntegrationSteps;

    double corr = 0.0;
    if (d - k.K4 > 0.0)
        corr = (d - k.K4) * (d - k.K4) * (meanRadius - k.R0) / k.K6;
    const double u = std::sin((EquatorialRadius - meanRadius) * pi / k.K5);
    const double limit = (1.0 - AntipodalLimitCoefficient * u) * k.K4;
    if (d > limit)
        corr += AntipodalCorrectionCoefficient * u * std::sin(pi * std::sqrt((pi - d) / (pi - limit)));

    const double distance = (meanRadius - corr) * d;

    if (distance < ShortestWithBearing || distance > LongestWithBearing)
        alpha = 0.0;
    else if (dlam * (pi - std::fabs(dlam)) < 0.0)
        alpha = 2.0 * pi - alpha; // west along the shorter way, also across the 180-degree meridian

    QrbQtf result;
    result.qtfDeg = std::floor(static_cast<float>(alpha / k.rho));
    result.qrbKm = static_cast<float>(std::floor(distance));
    return result;
}

} // namespace mivra::geo
