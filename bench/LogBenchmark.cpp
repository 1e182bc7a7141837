// Log view, search, DXCC lookup and the operating aids' look-ups on generated logs, each beside
// the same statements run through the SQLite C API. Run by hand: mivra_bench_log [--benchmark_filter=...]

#include "ContactHistory.h"
#include "GeneratedLog.h"
#include "LogDatabase.h"

#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

using mivra::bench::GeneratedLog;
using mivra::bench::logOf;

constexpr int kScreenRows = 30;
constexpr int kModelBatchRows = 256; // what QSqlQueryModel reads when it gets a query

// Runs a statement with text parameters and reads up to maxRows rows, every column.
int rawRows(sqlite3* db, const char* sql, std::initializer_list<const char*> parameters, int maxRows)
{
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    int index = 1;
    for (const char* parameter : parameters)
        sqlite3_bind_text(statement, index++, parameter, -1, SQLITE_STATIC);
    int rows = 0;
    std::size_t bytes = 0;
    while (rows < maxRows && sqlite3_step(statement) == SQLITE_ROW) {
        for (int column = 0; column < sqlite3_column_count(statement); ++column)
            bytes += std::size_t(sqlite3_column_bytes(statement, column))
                     + (sqlite3_column_text(statement, column) ? 1 : 0);
        ++rows;
    }
    sqlite3_finalize(statement);
    benchmark::DoNotOptimize(bytes);
    return rows;
}

int rawCount(sqlite3* db, const char* sql, std::initializer_list<const char*> parameters)
{
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    int index = 1;
    for (const char* parameter : parameters)
        sqlite3_bind_text(statement, index++, parameter, -1, SQLITE_STATIC);
    const int count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
    sqlite3_finalize(statement);
    return count;
}

// Reads the first screen of a model the way a table view does.
void readScreen(QSqlQueryModel& model)
{
    const int rows = std::min(model.rowCount(), kScreenRows);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            benchmark::DoNotOptimize(model.data(model.index(row, column)));
}

// All bands, a busy band, a quiet band and a band without contacts.
const char* const kBands[] = {"", "144%", "10368%", "24048%"};

const char* bandOf(const benchmark::State& state)
{
    return kBands[state.range(1)];
}

// The band change as the units serve it: the view, its count, the first screen of rows.
void BM_BandChange(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QString band = QLatin1String(bandOf(state));
    for (auto _ : state) {
        QSqlQuery view = generated.log->logView(band);
        const int count = generated.log->countLogView(band);
        const int columns = view.record().count();
        for (int row = 0; row < kScreenRows && view.next(); ++row)
            for (int column = 0; column < columns; ++column)
                benchmark::DoNotOptimize(view.value(column));
        benchmark::DoNotOptimize(count);
    }
}

void rawBandChange(benchmark::State& state, int rows)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const char* band = bandOf(state);
    for (auto _ : state) {
        if (*band) {
            const bool fewRows
                = rawCount(generated.raw, "SELECT count(*) FROM (SELECT 1 FROM logtab WHERE Band LIKE ? LIMIT 1000)",
                           {band})
                  < 1000;
            rawRows(generated.raw,
                    fewRows ? "SELECT * FROM logtab WHERE Band LIKE ? ORDER BY Date DESC, GMT DESC, ID DESC"
                            : "SELECT * FROM logtab WHERE +Band LIKE ? ORDER BY Date DESC, GMT DESC, ID DESC",
                    {band}, rows);
            benchmark::DoNotOptimize(rawCount(generated.raw, "SELECT count(*) FROM logtab WHERE Band LIKE ?", {band}));
        } else {
            rawRows(generated.raw, "SELECT * FROM logtab ORDER BY Date DESC, GMT DESC, ID DESC", {}, rows);
            benchmark::DoNotOptimize(rawCount(generated.raw, "SELECT count(*) FROM logtab", {}));
        }
    }
}

void BM_BandChangeRaw(benchmark::State& state)
{
    rawBandChange(state, kScreenRows);
}

// The same through a QSqlQueryModel, which fetches its first batch of rows at once.
void BM_BandChangeModel(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QString band = QLatin1String(bandOf(state));
    for (auto _ : state) {
        QSqlQueryModel model;
        model.setQuery(generated.log->logView(band));
        const int count = generated.log->countLogView(band);
        readScreen(model);
        benchmark::DoNotOptimize(count);
    }
}

void BM_BandChangeModelRaw(benchmark::State& state)
{
    rawBandChange(state, kModelBatchRows);
}

// The search as the grid shows it, through a QSqlQueryModel.
void BM_PrefixSearch(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QString band = QLatin1String(bandOf(state));
    for (auto _ : state) {
        QSqlQueryModel model;
        model.setQuery(generated.log->search(mivra::SearchByCallsign, QStringLiteral("dl1"), band));
        const int count = generated.log->countSearch(mivra::SearchByCallsign, QStringLiteral("dl1"), band);
        readScreen(model);
        benchmark::DoNotOptimize(count);
    }
}

void BM_PrefixSearchRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const char* band = bandOf(state);
    for (auto _ : state) {
        if (*band) {
            rawRows(generated.raw, "SELECT * FROM logtab WHERE Callsign LIKE ? ESCAPE '\\' AND Band LIKE ?",
                    {"dl1%", band}, kModelBatchRows);
            benchmark::DoNotOptimize(
                rawCount(generated.raw, "SELECT count(*) FROM logtab WHERE Callsign LIKE ? ESCAPE '\\' AND Band LIKE ?",
                         {"dl1%", band}));
        } else {
            rawRows(generated.raw, "SELECT * FROM logtab WHERE Callsign LIKE ? ESCAPE '\\'", {"dl1%"}, kModelBatchRows);
            benchmark::DoNotOptimize(
                rawCount(generated.raw, "SELECT count(*) FROM logtab WHERE Callsign LIKE ? ESCAPE '\\'", {"dl1%"}));
        }
    }
}

// Plain calls, an unknown prefix and two with a portable prefix.
const char* const kLookupCalls[] = {"DL1ABC", "K1ABC", "W1AW", "VK2ABC", "JA1ABC", "Q1ABC", "7O/DL7ZM", "KH6/DL1ABC"};

void BM_FindDxcc(benchmark::State& state)
{
    GeneratedLog& generated = logOf(10000);
    const QString call = QLatin1String(kLookupCalls[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(generated.log->findDxcc(call));
    state.SetLabel(kLookupCalls[state.range(0)]);
}

void BM_FindDxccRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(10000);
    const char* call = kLookupCalls[state.range(0)];
    for (auto _ : state)
        rawRows(generated.raw,
                "SELECT * FROM dxccdata WHERE upper(substr(dxcccode, 1, 1)) IN (upper(substr(?1, 1, 1)), '%', '_')"
                " AND ?1 LIKE dxcccode ORDER BY rowid LIMIT 1",
                {call}, 1);
    state.SetLabel(call);
}

// The same lookup without the first-character narrowing: every pattern in stored order.
void BM_FindDxccFullScanRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(10000);
    const char* call = kLookupCalls[state.range(0)];
    for (auto _ : state)
        rawRows(generated.raw, "SELECT * FROM dxccdata WHERE ?1 LIKE dxcccode ORDER BY rowid LIMIT 1", {call}, 1);
    state.SetLabel(call);
}

// The operating aids' look-ups on the busy band: a station, square and entity the log holds,
// and ones it does not.
struct AidCase {
    const char* callsign;
    const char* square;
    const char* entity; // a prefix whose entity is looked up
};
const AidCase kAidCases[] = {{"DL1ABC", "JN58", "DL"}, {"Q1XYZ", "AA00", "VK"}};

QString storedCallsign(GeneratedLog& generated)
{
    QSqlQuery query(generated.log->database());
    query.exec(QStringLiteral("SELECT Callsign FROM logtab WHERE Band = '144' ORDER BY ID LIMIT 1"));
    query.next();
    return query.value(0).toString();
}

QString aidCallsign(GeneratedLog& generated, const benchmark::State& state)
{
    return state.range(1) == 0 ? storedCallsign(generated) : QLatin1String(kAidCases[1].callsign);
}

QString aidEntity(GeneratedLog& generated, const benchmark::State& state)
{
    return generated.log->findDxcc(QLatin1String(kAidCases[state.range(1)].entity) + QStringLiteral("1ABC")).entity;
}

void BM_WorkedBefore(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const mivra::ContactHistory history(*generated.log);
    const QString call = aidCallsign(generated, state);
    for (auto _ : state)
        benchmark::DoNotOptimize(history.workedBefore(call, QStringLiteral("144%")));
    state.SetLabel(call.toStdString());
}

void BM_WorkedBeforeRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QByteArray call = aidCallsign(generated, state).toLatin1();
    for (auto _ : state)
        rawRows(generated.raw, mivra::ContactHistory::kWorkedBeforeSql, {"144%", call.constData()}, 1 << 30);
    state.SetLabel(call.toStdString());
}

void BM_SquareWorked(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const mivra::ContactHistory history(*generated.log);
    const QString square = QLatin1String(kAidCases[state.range(1)].square);
    for (auto _ : state)
        benchmark::DoNotOptimize(history.squareWorked(square, QStringLiteral("144%")));
    state.SetLabel(square.toStdString());
}

void BM_SquareWorkedRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const char* square = kAidCases[state.range(1)].square;
    for (auto _ : state)
        rawRows(generated.raw, mivra::ContactHistory::kSquareWorkedSql, {square, "144%"}, 1);
    state.SetLabel(square);
}

void BM_EntityWorked(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const mivra::ContactHistory history(*generated.log);
    const QString entity = aidEntity(generated, state);
    for (auto _ : state)
        benchmark::DoNotOptimize(history.entityWorked(entity, QStringLiteral("144%")));
    state.SetLabel(entity.toStdString());
}

void BM_EntityWorkedRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QByteArray entity = aidEntity(generated, state).toUtf8();
    for (auto _ : state)
        rawRows(generated.raw, mivra::ContactHistory::kEntityWorkedSql, {entity.constData(), "144%"}, 1);
    state.SetLabel(entity.toStdString());
}

void sizesAndAidCases(benchmark::internal::Benchmark* b)
{
    for (int size : mivra::bench::logSizes())
        for (int aidCase = 0; aidCase < int(std::size(kAidCases)); ++aidCase)
            b->Args({size, aidCase});
    b->ArgNames({"contacts", "case"})->Unit(benchmark::kMicrosecond);
}

void sizesAndBands(benchmark::internal::Benchmark* b)
{
    for (int size : mivra::bench::logSizes())
        for (int band = 0; band < int(std::size(kBands)); ++band)
            b->Args({size, band});
    b->ArgNames({"contacts", "band"})->Unit(benchmark::kMillisecond);
}

void sizesAndSearchBands(benchmark::internal::Benchmark* b)
{
    for (int size : mivra::bench::logSizes())
        for (int band : {0, 1})
            b->Args({size, band});
    b->ArgNames({"contacts", "band"})->Unit(benchmark::kMillisecond);
}

void lookupCalls(benchmark::internal::Benchmark* b)
{
    b->DenseRange(0, int(std::size(kLookupCalls)) - 1)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(BM_BandChange)->Apply(sizesAndBands);
BENCHMARK(BM_BandChangeRaw)->Apply(sizesAndBands);
BENCHMARK(BM_BandChangeModel)->Apply(sizesAndBands);
BENCHMARK(BM_BandChangeModelRaw)->Apply(sizesAndBands);
BENCHMARK(BM_PrefixSearch)->Apply(sizesAndSearchBands);
BENCHMARK(BM_PrefixSearchRaw)->Apply(sizesAndSearchBands);
BENCHMARK(BM_FindDxcc)->Apply(lookupCalls);
BENCHMARK(BM_FindDxccRaw)->Apply(lookupCalls);
BENCHMARK(BM_FindDxccFullScanRaw)->Apply(lookupCalls);
BENCHMARK(BM_WorkedBefore)->Apply(sizesAndAidCases);
BENCHMARK(BM_WorkedBeforeRaw)->Apply(sizesAndAidCases);
BENCHMARK(BM_SquareWorked)->Apply(sizesAndAidCases);
BENCHMARK(BM_SquareWorkedRaw)->Apply(sizesAndAidCases);
BENCHMARK(BM_EntityWorked)->Apply(sizesAndAidCases);
BENCHMARK(BM_EntityWorkedRaw)->Apply(sizesAndAidCases);

int main(int argc, char** argv)
{
    return mivra::bench::runBenchmarks(argc, argv);
}
