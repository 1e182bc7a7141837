#pragma once

// Generated logs for the benchmarks, each with a connection through the SQLite C API beside it.

#include "LogDatabase.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>

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

} // namespace mivra::bench
