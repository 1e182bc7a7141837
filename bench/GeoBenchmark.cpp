// Distance and bearing throughput: our path integration, the whole locator routine, and
// GeographicLib's WGS84 geodesic on the same pairs.
#include "ContactGeometry.h"
#include "DistanceBearing.h"
#include "Locator.h"

#include <GeographicLib/Geodesic.hpp>
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

using mivra::geo::Position;

constexpr std::size_t PairCount = 4096;

std::string randomLocator(std::mt19937& random)
{
    auto pick = [&random](char first, unsigned count) { return char(first + random() % count); };
    return {pick('A', 18), pick('A', 18), pick('0', 10), pick('0', 10), pick('A', 24), pick('A', 24)};
}

struct Pairs {
    std::vector<std::u16string> own;
    std::vector<std::u16string> worked;
    std::vector<Position> ownPosition;
    std::vector<Position> workedPosition;
};

const Pairs& pairs()
{
    static const Pairs data = [] {
        Pairs p;
        std::mt19937 random(4096);
        for (std::size_t i = 0; i < PairCount; ++i) {
            const std::string own = randomLocator(random);
            const std::string worked = randomLocator(random);
            p.own.emplace_back(own.begin(), own.end());
            p.worked.emplace_back(worked.begin(), worked.end());
            p.ownPosition.push_back(*mivra::geo::locatorCentre(own));
            p.workedPosition.push_back(*mivra::geo::locatorCentre(worked));
        }
        return p;
    }();
    return data;
}

void BM_DistanceAndBearing(benchmark::State& state)
{
    const Pairs& p = pairs();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mivra::geo::distanceAndBearing(p.ownPosition[i], p.workedPosition[i]));
        i = (i + 1) % PairCount;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DistanceAndBearing);

void BM_ContactGeometry(benchmark::State& state)
{
    const Pairs& p = pairs();
    mivra::geo::ContactGeometry geometry;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(geometry.calculate(p.own[i], p.worked[i]));
        benchmark::DoNotOptimize(geometry.qrbKm);
        i = (i + 1) % PairCount;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ContactGeometry);

void BM_GeographicLibInverse(benchmark::State& state)
{
    const Pairs& p = pairs();
    const GeographicLib::Geodesic& geodesic = GeographicLib::Geodesic::WGS84();
    std::size_t i = 0;
    for (auto _ : state) {
        double metres = 0.0, azimuth1 = 0.0, azimuth2 = 0.0;
        geodesic.Inverse(p.ownPosition[i].lat, p.ownPosition[i].lon, p.workedPosition[i].lat, p.workedPosition[i].lon,
                         metres, azimuth1, azimuth2);
        benchmark::DoNotOptimize(metres);
        benchmark::DoNotOptimize(azimuth1);
        i = (i + 1) % PairCount;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GeographicLibInverse);

} // namespace

BENCHMARK_MAIN();
