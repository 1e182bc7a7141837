// ADIF export and import and the EDI export of one contest on generated logs, each beside the
// same work done through the SQLite C API (the floor).
// Run by hand: mivra_bench_exchange [--benchmark_filter=...]; MIVRA_BENCH_MILLION=1 adds 1,000,000.

#include "AdifExport.h"
#include "AdifImport.h"
#include "EdiExport.h"
#include "GeneratedLog.h"
#include "ImportTiming.h"

#include <QFile>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using mivra::bench::GeneratedLog;
using mivra::bench::logOf;

const mivra::OwnStation kOwn{QStringLiteral("DL7ABC"), QStringLiteral("JO62QM")};
const char* const kColumns = "Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment, QSL, Prop, DXCC, QRB, QTF";
constexpr int kColumnCount = 15;

// Every row in time order as tab-separated lines, as a dump of the table gives them.
void rawExport(sqlite3* db, const std::string& path)
{
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db, (std::string("SELECT ") + kColumns + " FROM logtab ORDER BY Date, GMT, ID").c_str(), -1,
                       &rows, nullptr);
    std::FILE* file = std::fopen((path + ".new").c_str(), "wb");
    while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int i = 0; i < kColumnCount; ++i) {
            if (i)
                std::fputc('\t', file);
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows, i));
            if (text)
                std::fputs(text, file);
        }
        std::fputc('\n', file);
    }
    sqlite3_finalize(rows);
    std::fclose(file);
    std::rename((path + ".new").c_str(), path.c_str());
}

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

void BM_ExportAdifRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const std::string path = generated.dir.filePath(QStringLiteral("export.tsv")).toStdString();
    for (auto _ : state)
        rawExport(generated.raw, path);
}

// That file into an empty log: parsing, the checks, a DXCC lookup and QRB/QTF per record, one
// transaction. A new log each time, so repetitions measure the same work.
void BM_ImportAdif(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QString file = generated.dir.filePath(QStringLiteral("import.adi"));
    if (!QFile::exists(file))
        mivra::exportAdif(*generated.log, {}, kOwn, file, QDateTime::currentDateTimeUtc());
    mivra::bench::timeAdifImport(state, file, kOwn);
}

// The same rows from a tab-separated file into an empty log with the same indexes, one prepared
// insert in one transaction, as the sqlite3 shell's .import does.
void BM_ImportAdifRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const std::string path = generated.dir.filePath(QStringLiteral("import.tsv")).toStdString();
    rawExport(generated.raw, path);
    mivra::bench::timeRawImport(state, path, kColumns, kColumnCount, false);
}

// One contest of two days on 144 MHz, some 150 contacts at a million.
mivra::EdiOptions contest()
{
    mivra::EdiOptions options;
    options.bandValue = QStringLiteral("144");
    options.from = QDateTime(QDate(2019, 6, 1), QTime(14, 0), Qt::UTC);
    options.to = QDateTime(QDate(2019, 6, 2), QTime(14, 0), Qt::UTC);
    options.contestName = QStringLiteral("Test contest");
    options.own = kOwn;
    return options;
}

void BM_ExportEdi(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QString file = generated.dir.filePath(QStringLiteral("contest.edi"));
    int written = 0;
    for (auto _ : state) {
        const mivra::EdiExportResult result = mivra::exportEdi(*generated.log, contest(), file);
        if (!result.ok)
            state.SkipWithError("export failed");
        written = result.written;
    }
    state.counters["records"] = written; // one counter name in every benchmark, as the CSV output asks
}

// The SQL query of the contest's rows.
void BM_ExportEdiRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    for (auto _ : state) {
        sqlite3_stmt* rows = nullptr;
        sqlite3_prepare_v2(generated.raw,
                           (std::string("SELECT ") + kColumns
                            + " FROM logtab WHERE Date >= '2019-06-01' AND Date <= '2019-06-02' AND +Band = '144'"
                              " ORDER BY Date, GMT, ID")
                               .c_str(),
                           -1, &rows, nullptr);
        int count = 0;
        while (sqlite3_step(rows) == SQLITE_ROW) {
            for (int i = 0; i < kColumnCount; ++i)
                benchmark::DoNotOptimize(sqlite3_column_text(rows, i));
            ++count;
        }
        sqlite3_finalize(rows);
        benchmark::DoNotOptimize(count);
    }
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (int size : mivra::bench::logSizes())
        b->Arg(size);
    b->ArgNames({"contacts"})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_ExportAdif)->Apply(sizes);
BENCHMARK(BM_ExportAdifRaw)->Apply(sizes);
BENCHMARK(BM_ImportAdif)->Apply(sizes)->Iterations(2);
BENCHMARK(BM_ImportAdifRaw)->Apply(sizes)->Iterations(2);
BENCHMARK(BM_ExportEdi)->Apply(sizes);
BENCHMARK(BM_ExportEdiRaw)->Apply(sizes);

int main(int argc, char** argv)
{
    return mivra::bench::runBenchmarks(argc, argv);
}
