// ADIF export and import and the EDI export of one contest on generated logs, each beside the
// same work done through the SQLite C API (the floor).
// Run by hand: mivra_bench_exchange [--benchmark_filter=...]; MIVRA_BENCH_MILLION=1 adds 1,000,000.

#include "AdifExport.h"
#include "AdifImport.h"
#include "EdiExport.h"
#include "GeneratedLog.h"

#include <QFile>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using mivra::bench::GeneratedLog;
using mivra::bench::logOf;

const QString kCtyCsv = QStringLiteral("/usr/share/hamradio-files/cty.csv");
const mivra::OwnStation kOwn{QStringLiteral("DL7ABC"), QStringLiteral("JO62QM")};
const char* const kColumns = "Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment, QSL, Prop, DXCC, QRB, QTF";
constexpr int kColumnCount = 15;

std::unique_ptr<mivra::LogDatabase> emptyLog(const QTemporaryDir& dir)
{
    QString error;
    auto log = mivra::LogDatabase::open(dir.filePath(QStringLiteral("backup.sqlite")), kCtyCsv, &error);
    if (!log)
        qFatal("cannot create a log: %s", qPrintable(error));
    log->switchPatternsToRunningForm();
    log->findDxcc(QStringLiteral("DL1ABC")); // patterns read before the clock runs, as at start
    return log;
}

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
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<QTemporaryDir>();
        auto log = emptyLog(*dir);
        state.ResumeTiming();
        const mivra::AdifImportResult result = mivra::importAdifFile(*log, file, kOwn);
        if (!result.ok || result.imported != state.range(0))
            state.SkipWithError("import failed");
        state.PauseTiming();
        log.reset();
        dir.reset();
        state.ResumeTiming();
    }
    state.counters["records"] = double(state.range(0));
}

// The same rows from a tab-separated file into an empty log with the same indexes, one prepared
// insert in one transaction, as the sqlite3 shell's .import does.
void BM_ImportAdifRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const std::string path = generated.dir.filePath(QStringLiteral("import.tsv")).toStdString();
    rawExport(generated.raw, path);
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<QTemporaryDir>();
        emptyLog(*dir).reset();
        sqlite3* db = nullptr;
        sqlite3_open(dir->filePath(QStringLiteral("backup.sqlite")).toUtf8().constData(), &db);
        state.ResumeTiming();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db,
                           (std::string("INSERT INTO logtab (") + kColumns
                            + ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                               .c_str(),
                           -1, &insert, nullptr);
        std::FILE* file = std::fopen(path.c_str(), "rb");
        char line[4096];
        while (std::fgets(line, sizeof line, file)) {
            char* field = line;
            for (int i = 1; i <= kColumnCount; ++i) {
                char* end = field + std::strcspn(field, "\t\n");
                const bool last = *end != '\t';
                *end = 0;
                sqlite3_bind_text(insert, i, field, int(end - field), SQLITE_TRANSIENT);
                field = last ? end : end + 1;
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        std::fclose(file);
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_close(db);
        dir.reset();
        state.ResumeTiming();
    }
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
