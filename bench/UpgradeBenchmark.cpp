// The upgrade step that declares logtab's ID AUTOINCREMENT, on a copy of a generated log in the
// layout before it: by an edit of the declaration, and by making the table again.

#include "GeneratedLog.h"
#include "LogSchema.h"
#include "SqliteConnection.h"

#include <QFile>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

// The log as it was before the step: the same rows, the ID without AUTOINCREMENT.
void copyWithoutAutoincrement(const QString& from, const QString& to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        qFatal("cannot copy the log");
    sqlite3* db = nullptr;
    sqlite3_open(to.toUtf8().constData(), &db);
    sqlite3_exec(db,
                 "BEGIN; PRAGMA writable_schema = ON;"
                 " UPDATE sqlite_master SET sql = replace(sql, ' AUTOINCREMENT', '') WHERE name = 'logtab';"
                 " DELETE FROM sqlite_sequence; PRAGMA writable_schema = OFF; COMMIT;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void BM_UpgradeIdsNeverGivenTwice(benchmark::State& state)
{
    mivra::bench::GeneratedLog& generated = mivra::bench::logOf(int(state.range(0)));
    const auto change = state.range(1) == 0 ? mivra::IdDeclarationChange::Edit : mivra::IdDeclarationChange::Rebuild;
    const QString copy = generated.dir.filePath(QStringLiteral("upgrade.sqlite"));
    for (auto _ : state) {
        state.PauseTiming();
        copyWithoutAutoincrement(generated.dir.filePath(QStringLiteral("backup.sqlite")), copy);
        state.ResumeTiming();
        mivra::SqliteConnection db(copy, mivra::SqliteConnection::Mode::ReadWrite);
        QString error;
        if (!db.transaction([&](QString* failure) { return mivra::makeIdsNeverReused(db, change, failure); }, &error))
            state.SkipWithError(error.toStdString().c_str());
    }
    state.SetLabel(state.range(1) == 0 ? "edit" : "rebuild");
}

void sizesAndWays(benchmark::internal::Benchmark* b)
{
    for (int size : mivra::bench::logSizes())
        for (int way : {0, 1})
            b->Args({size, way});
    b->ArgNames({"contacts", "way"})->Unit(benchmark::kMillisecond)->Iterations(1);
}

} // namespace

BENCHMARK(BM_UpgradeIdsNeverGivenTwice)->Apply(sizesAndWays);
