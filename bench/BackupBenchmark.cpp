// Copies of generated logs: the time of one copy (compressed, checked, then rotation within the
// budget) beside SQLite's own backup of the same log to a plain file, and the size backups/ takes
// once rotation is full, as a multiple of the log's size. Run by hand: mivra_bench_backup

#include "GeneratedLog.h"

#include "LogBackups.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTimeZone>

#include <benchmark/benchmark.h>

namespace {

using mivra::bench::logOf;

// Enough copies, a fortnight apart, that rotation keeps its newest ten and a year of monthly ones.
constexpr int kCopies = 30;

qint64 folderSize(const QString& folder)
{
    qint64 bytes = 0;
    QDirIterator files(folder, QDir::Files | QDir::Hidden);
    while (files.hasNext())
        bytes += QFileInfo(files.next()).size();
    return bytes;
}

void BM_Backup(benchmark::State& state)
{
    auto& generated = logOf(int(state.range(0)));
    const mivra::LogBackups backups(generated.log->path());
    QDir(backups.folder()).removeRecursively();
    QDateTime now(QDate(2026, 1, 1), QTime(12, 0), QTimeZone::utc());
    for (auto _ : state) {
        QString error;
        if (backups.makeBackup(now, &error).isEmpty())
            state.SkipWithError(qPrintable(error));
        now = now.addDays(14);
    }
    const double logBytes = double(QFileInfo(generated.log->path()).size());
    state.counters["copies_kept"] = double(backups.copies().size());
    state.counters["backups_x_log"] = double(folderSize(backups.folder())) / logBytes;
    state.counters["log_MB"] = logBytes / 1e6;
    QDir(backups.folder()).removeRecursively();
}

// The floor: SQLite's online backup of the whole log in one step, to a plain file.
void BM_BackupRaw(benchmark::State& state)
{
    auto& generated = logOf(int(state.range(0)));
    const QString copy = generated.dir.filePath(QStringLiteral("raw-copy.sqlite"));
    for (auto _ : state) {
        QFile::remove(copy);
        sqlite3* target = nullptr;
        sqlite3_open(qPrintable(copy), &target);
        sqlite3_backup* backup = sqlite3_backup_init(target, "main", generated.raw, "main");
        if (!backup || sqlite3_backup_step(backup, -1) != SQLITE_DONE)
            state.SkipWithError("the raw backup failed");
        sqlite3_backup_finish(backup);
        sqlite3_close(target);
    }
    QFile::remove(copy);
}

void sizes(benchmark::internal::Benchmark* benchmark)
{
    for (int contacts : mivra::bench::logSizes())
        benchmark->Arg(contacts);
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(BM_Backup)->Apply(sizes)->Iterations(kCopies);
BENCHMARK(BM_BackupRaw)->Apply(sizes)->Iterations(3);

int main(int argc, char** argv)
{
    return mivra::bench::runBenchmarks(argc, argv);
}
