#pragma once

#include "LogDatabase.h"

#include <QTemporaryDir>

#include <memory>

struct sqlite3;

namespace mivra::bench {

// A log of the given size in a temporary folder, with a plausible mix of bands, callsigns,
// locators and dates (the same every time), and a read-only handle on it through the SQLite C API.
struct GeneratedLog {
    explicit GeneratedLog(int contacts);
    ~GeneratedLog();
    GeneratedLog(const GeneratedLog&) = delete;
    GeneratedLog& operator=(const GeneratedLog&) = delete;

    QTemporaryDir dir;
    std::unique_ptr<LogDatabase> log;
    sqlite3* raw = nullptr;
};

// One generated log per size, made on first use and kept for the run.
GeneratedLog& logOf(int contacts);

} // namespace mivra::bench
