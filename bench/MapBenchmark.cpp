// The four counters, map data preparation and the KML export on generated logs, each beside the
// same work done through the SQLite C API. Run by hand: mivra_bench_map [--benchmark_filter=...]

#include "ContactGeometry.h"
#include "GeneratedLog.h"
#include "KmlDocument.h"
#include "Locator.h"
#include "MapDataPreparation.h"
#include "MapExport.h"
#include "MapText.h"
#include "WorkedCounters.h"

#include <QDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using mivra::bench::GeneratedLog;
using mivra::bench::logOf;

// All bands and the busiest band.
const char* const kBands[] = {"", "144%"};

const char* bandOf(const benchmark::State& state)
{
    return kBands[state.range(1)];
}

std::string textOf(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, std::size_t(sqlite3_column_bytes(statement, column))) : std::string();
}

sqlite3_stmt* prepared(sqlite3* db, const std::string& sql, const char* band)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        std::abort();
    if (*band)
        sqlite3_bind_text(statement, 1, band, -1, SQLITE_STATIC);
    return statement;
}

std::string bandCondition(const char* band)
{
    return *band ? " AND Band LIKE ?1" : "";
}

// One counter through the C API: the same statements; the squares counter stores the outline of
// each square in its first row.
int rawCounter(sqlite3* db, const char* column, bool confirmed, int keyLength, bool outlines, const char* band)
{
    const std::string name = column;
    const std::string key = "substr(" + name + ", 1, " + std::to_string(keyLength) + ") COLLATE BINARY";
    const std::string condition = (confirmed ? "QSL LIKE 'q' AND +" + name : name) + " <> ''" + bandCondition(band);
    sqlite3_stmt* rows = prepared(db,
                                  outlines ? "SELECT " + key + " AS square, ID, min(Grid) FROM logtab WHERE "
                                                 + condition + " GROUP BY square"
                                           : "SELECT count(DISTINCT " + key + ") FROM logtab WHERE " + condition,
                                  band);
    int distinct = 0;
    std::vector<std::pair<std::string, sqlite3_int64>> firstRows;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        if (outlines)
            firstRows.emplace_back(textOf(rows, 0), sqlite3_column_int64(rows, 1));
        else
            distinct = sqlite3_column_int(rows, 0);
    }
    sqlite3_finalize(rows);
    if (outlines) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* update = prepared(db, "UPDATE logtab SET GEpoly = ?1 WHERE ID = ?2 AND GEpoly IS NOT ?1", "");
        for (const auto& [square, id] : firstRows) {
            const auto centre = mivra::geo::locatorCentre(square);
            const std::string outline = centre ? mivra::geo::squareOutlineText(*centre) : std::string();
            sqlite3_bind_text(update, 1, outline.c_str(), int(outline.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(update, 2, id);
            sqlite3_step(update);
            sqlite3_reset(update);
        }
        sqlite3_finalize(update);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        distinct = int(firstRows.size());
    }
    return distinct;
}

void BM_FourCounters(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QString band = QLatin1String(bandOf(state));
    using mivra::stats::Counter;
    for (auto _ : state) {
        for (Counter counter :
             {Counter::SquaresWorked, Counter::SquaresConfirmed, Counter::EntitiesWorked, Counter::EntitiesConfirmed}) {
            const auto result = mivra::stats::runCounter(generated.log->database(), counter, band, QString());
            if (result.outcome != mivra::stats::CounterResult::Counted)
                state.SkipWithError("a counter did not count");
        }
    }
}

void BM_FourCountersRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const char* band = bandOf(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(rawCounter(generated.raw, "Grid", false, 4, true, band));
        benchmark::DoNotOptimize(rawCounter(generated.raw, "Grid", true, 4, false, band));
        benchmark::DoNotOptimize(rawCounter(generated.raw, "DXCC", false, 8, false, band));
        benchmark::DoNotOptimize(rawCounter(generated.raw, "DXCC", true, 8, false, band));
    }
}

// Every run starts from rows without map data, so each writes the same: the first run of a log
// grows every row, a later one would only overwrite texts of the same length.
void clearMapData(GeneratedLog& generated)
{
    sqlite3_exec(generated.raw, "UPDATE logtab SET GEdata = NULL, GEgridXY = NULL", nullptr, nullptr, nullptr);
}

void BM_MapPreparation(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const QString band = QLatin1String(bandOf(state));
    for (auto _ : state) {
        state.PauseTiming();
        clearMapData(generated);
        state.ResumeTiming();
        const auto result = mivra::map::prepareMapData(generated.log->database(), band, QStringLiteral("JO62QM"));
        if (!result.ok)
            state.SkipWithError("preparation failed");
    }
}

// The same rows read, the same geometry computed and a description of the same pieces stored.
void BM_MapPreparationRaw(benchmark::State& state)
{
    GeneratedLog& generated = logOf(int(state.range(0)));
    const char* band = bandOf(state);
    for (auto _ : state) {
        state.PauseTiming();
        clearMapData(generated);
        state.ResumeTiming();
        sqlite3_exec(generated.raw, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* rows
            = prepared(generated.raw,
                       std::string("SELECT ID, Date, GMT, Callsign, Grid, rsts, rstr, Band, QSL, Comment,"
                                   " Prop, QRB, QTF FROM logtab WHERE 1")
                           + bandCondition(band) + " ORDER BY ID",
                       band);
        sqlite3_stmt* update
            = prepared(generated.raw, "UPDATE logtab SET GEdata = ?1, GEgridXY = ?2 WHERE ID = ?3", "");
        while (sqlite3_step(rows) == SQLITE_ROW) {
            if (sqlite3_column_type(rows, 4) == SQLITE_NULL)
                continue;
            mivra::geo::ContactGeometry geometry;
            const std::string grid = textOf(rows, 4);
            const std::u16string grid16(grid.begin(), grid.end());
            geometry.calculate(u"JO62QM", grid16);
            const std::string date = textOf(rows, 1);
            const std::string description
                = "Log: " + textOf(rows, 3) + " " + textOf(rows, 7) + " MHz  " + date.substr(8, 2) + "."
                  + date.substr(5, 2) + "." + date.substr(0, 4) + " " + textOf(rows, 2) + " rsts:" + textOf(rows, 5)
                  + " rstr:" + textOf(rows, 6) + " QRB:" + std::to_string(int(geometry.qrbKm))
                  + "km  QTF:" + std::to_string(int(geometry.qtfDeg)) + " QSL: " + textOf(rows, 8)
                  + " Prop:" + textOf(rows, 10) + " " + textOf(rows, 9);
            sqlite3_bind_text(update, 1, description.c_str(), int(description.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(update, 2, geometry.lastPointText.c_str(), int(geometry.lastPointText.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_int64(update, 3, sqlite3_column_int64(rows, 0));
            sqlite3_step(update);
            sqlite3_reset(update);
        }
        sqlite3_finalize(rows);
        sqlite3_finalize(update);
        sqlite3_exec(generated.raw, "COMMIT", nullptr, nullptr, nullptr);
    }
}

// Prepared once, so the export has descriptions, points and outlines to copy.
GeneratedLog& preparedLogOf(int contacts)
{
    GeneratedLog& generated = logOf(contacts);
    static std::vector<int> done;
    if (std::find(done.begin(), done.end(), contacts) == done.end()) {
        mivra::map::prepareMapData(generated.log->database(), QString(), QStringLiteral("JO62QM"));
        mivra::stats::runCounter(generated.log->database(), mivra::stats::Counter::SquaresWorked, QString(), QString());
        done.push_back(contacts);
    }
    return generated;
}

void BM_KmlExport(benchmark::State& state)
{
    GeneratedLog& generated = preparedLogOf(int(state.range(0)));
    mivra::map::MapExportRequest request;
    request.bandPattern = QLatin1String(bandOf(state));
    request.ownCallsign = QStringLiteral("DL1ABC");
    request.ownPoint = QStringLiteral("13.3333333333333,52.5");
    request.opacity = QStringLiteral("128");
    request.lines = true;
    request.filePath = QDir(generated.dir.path()).filePath(QStringLiteral("earth.kml"));
    for (auto _ : state) {
        const auto result = mivra::map::exportMap(generated.log->database(), request);
        if (result.outcome != mivra::map::MapExportResult::Written)
            state.SkipWithError("export failed");
    }
}

// The two squares counters, the same rows read and the same texts written to a file, renamed into place.
void BM_KmlExportRaw(benchmark::State& state)
{
    GeneratedLog& generated = preparedLogOf(int(state.range(0)));
    const char* band = bandOf(state);
    const std::string path = QDir(generated.dir.path()).filePath(QStringLiteral("earth-raw.kml")).toStdString();
    const std::string own = "13.3333333333333,52.5";
    for (auto _ : state) {
        sqlite3_stmt* rows = prepared(generated.raw,
                                      std::string("SELECT Grid, QSL, Prop, GEdata, GEgridXY, GEpoly FROM logtab"
                                                  " WHERE Grid <> ''")
                                          + bandCondition(band) + " ORDER BY Grid, ID",
                                      band);
        std::vector<std::array<std::string, 6>> read;
        while (sqlite3_step(rows) == SQLITE_ROW)
            read.push_back(
                {textOf(rows, 0), textOf(rows, 1), textOf(rows, 2), textOf(rows, 3), textOf(rows, 4), textOf(rows, 5)});
        sqlite3_finalize(rows);
        rawCounter(generated.raw, "Grid", false, 4, true, band);
        rawCounter(generated.raw, "Grid", true, 4, false, band);
        std::string text = "<kml xmlns=\"http://earth.google.com/kml/2.0\">\r\n<Document>\r\n<Placemark><name> DL1ABC"
                           "</name><Point><coordinates>"
                           + own + "</coordinates></Point></Placemark>\r\n";
        for (const auto& row : read) {
            text += "<name>DL1ABC 144 MHz wkd/cfd 1/1</name><Placemark><name>" + row[0] + "</name><description>"
                    + row[3]
                    + "</description><Style><PolyStyle><color>#8000ffff</color></PolyStyle></"
                      "Style><MultiGeometry><Point>"
                      "<coordinates>"
                    + row[4] + "</coordinates></Point><Polygon><outerBoundaryIs><LinearRing><coordinates>" + row[5]
                    + "</coordinates></LinearRing></outerBoundaryIs></Polygon></MultiGeometry></Placemark>"
                    + "<Placemark> <LineString>  <coordinates>" + own + " " + row[4]
                    + "</coordinates> "
                      "</LineString><Style><LineStyle><color>#ff0000ff</color><width>2</width></LineStyle>"
                      "</Style></Placemark>";
        }
        text += "</Document></kml>\r\n";
        const std::string temporary = path + ".new";
        std::FILE* file = std::fopen(temporary.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        std::rename(temporary.c_str(), path.c_str());
    }
}

void sizesAndBands(benchmark::internal::Benchmark* b)
{
    for (int size : mivra::bench::logSizes())
        for (int band = 0; band < int(std::size(kBands)); ++band)
            b->Args({size, band});
    b->ArgNames({"contacts", "band"})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_FourCounters)->Apply(sizesAndBands);
BENCHMARK(BM_FourCountersRaw)->Apply(sizesAndBands);
BENCHMARK(BM_MapPreparation)->Apply(sizesAndBands);
BENCHMARK(BM_MapPreparationRaw)->Apply(sizesAndBands);
BENCHMARK(BM_KmlExport)->Apply(sizesAndBands);
BENCHMARK(BM_KmlExportRaw)->Apply(sizesAndBands);

int main(int argc, char** argv)
{
    return mivra::bench::runBenchmarks(argc, argv);
}
