// The contest score the window shows after every save: the rows of one band in a 24-hour span of a
// large log, scored as the EDI export scores them. Run by hand: mivra_bench_contest
#include "ContestLog.h"
#include "ContestScore.h"
#include "GeneratedLog.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ContestScore(benchmark::State& state)
{
    mivra::bench::GeneratedLog& generated = mivra::bench::logOf(int(state.range(0)));
    const mivra::ContestSpan span{QStringLiteral("144"), QDateTime(QDate(2019, 6, 1), QTime(14, 0), Qt::UTC),
                                  QDateTime(QDate(2019, 6, 2), QTime(14, 0), Qt::UTC)};
    std::size_t contacts = 0;
    for (auto _ : state) {
        std::vector<mivra::LogRow> rows;
        QString error;
        if (!mivra::readContestRows(*generated.log, span, &rows, &error))
            state.SkipWithError("the contest rows cannot be read");
        const mivra::ContestScore score = mivra::scoreContest(rows, QStringLiteral("JO62QM"));
        benchmark::DoNotOptimize(score.points);
        contacts = rows.size();
    }
    state.counters["contacts"] = double(contacts);
}
BENCHMARK(BM_ContestScore)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return mivra::bench::runBenchmarks(argc, argv);
}
