#pragma once

// Import runs timed the same way by the exchange benchmarks: a new empty log each repetition, so
// repetitions measure the same work.

#include "LogDatabase.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace mivra {
struct OwnStation;
}

namespace mivra::bench {

// An empty log in dir, its DXCC patterns read as at start.
std::unique_ptr<LogDatabase> emptyLog(const QTemporaryDir& dir);

// The program's ADIF import of file into an empty log; the run fails unless every one of
// state.range(0) records came in.
void timeAdifImport(benchmark::State& state, const QString& file, const OwnStation& own);

// Tab-separated lines into an empty log of the same layout and indexes, one prepared insert in one
// transaction, as the sqlite3 shell's .import does: the columns named (columnCount of them), then,
// when withOtherFields, one more value that goes to logfields for the row.
void timeRawImport(benchmark::State& state, const std::string& path, const std::string& columns, int columnCount,
                   bool withOtherFields);

} // namespace mivra::bench
