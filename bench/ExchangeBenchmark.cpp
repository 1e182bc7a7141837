// ADIF export and import of a generated log (the DXCC lookup they lean on is in mivra_bench_log).
// Run by hand: mivra_bench_exchange [--benchmark_filter=...]

#include "AdifExport.h"
#include "AdifImport.h"
#include "GeneratedLog.h"

#include <QFile>

#include <benchmark/benchmark.h>

namespace {

using mivra::bench::GeneratedLog;
using mivra::bench::logOf;

const QString kCtyCsv = QStringLiteral("/usr/share/hamradio-files/cty.csv");
const mivra::OwnStation kOwn{QStringLiteral("DL7ABC"), QStringLiteral("JO62QM")};

// Every row of the log to an .adi file, as export-adif does.
void BM_ExportAdif(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QString file = generated.dir.filePath(QStringLiteral("export.adi"));
    for (auto _ : state) {
        const mivra::AdifExportResult result =
            mivra::exportAdif(*generated.log, {}, kOwn, file, QDateTime::currentDateTimeUtc());
        if (!result.ok || result.written != state.range(0))
            state.SkipWithError("export failed");
    }
    state.counters["records"] = double(state.range(0));
}

// That file into an empty log: parsing, a DXCC lookup and QRB/QTF per record, one transaction.
void BM_ImportAdif(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QString file = generated.dir.filePath(QStringLiteral("import.adi"));
    mivra::exportAdif(*generated.log, {}, kOwn, file, QDateTime::currentDateTimeUtc());
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QString error;
        auto log = mivra::LogDatabase::open(generated.dir.filePath(QStringLiteral("import-%1.sqlite").arg(round++)),
                                            kCtyCsv, &error);
        log->asterix();
        log->findDxcc(QStringLiteral("DL1ABC")); // patterns read before the clock runs, as at start
        state.ResumeTiming();
        const mivra::AdifImportResult result = mivra::importAdifFile(*log, file, kOwn);
        if (!result.ok || result.imported != state.range(0))
            state.SkipWithError("import failed");
    }
    state.counters["records"] = double(state.range(0));
}

} // namespace

BENCHMARK(BM_ExportAdif)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportAdif)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
