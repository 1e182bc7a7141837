#pragma once

// Generated logs for the benchmarks, each with a connection through the SQLite C API beside it.

#include "LogDatabase.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>
#include <vector>

namespace mivra::bench {

// A log of the given size with a plausible mix of bands, callsigns, locators, entities, QSL
// states, propagation modes and dates.
struct GeneratedLog {
    QTemporaryDir dir;
    std::unique_ptr<LogDatabase> log;
    sqlite3* raw = nullptr;

    explicit GeneratedLog(int contacts);
    ~GeneratedLog();
};

// One log per size for the whole run, made when first asked for.
GeneratedLog& logOf(int contacts);
// Closes every log of logOf while Qt's connection registry still exists.
void releaseLogs();

// The log sizes to measure: 10,000 and 100,000 contacts, and 1,000,000 when the environment
// variable MIVRA_BENCH_MILLION is set (making that log takes minutes).
std::vector<int> logSizes();

// The main of a benchmark binary that uses logOf.
int runBenchmarks(int argc, char** argv);

} // namespace mivra::bench
