#include "ImportTiming.h"

#include "AdifImport.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>

namespace mivra::bench {

std::unique_ptr<LogDatabase> emptyLog(const QTemporaryDir& dir)
{
    QString error;
    auto log = LogDatabase::open(dir.filePath(QStringLiteral("backup.sqlite")),
                                 QStringLiteral("/usr/share/hamradio-files/cty.csv"), &error);
    if (!log)
        qFatal("cannot create a log: %s", qPrintable(error));
    log->switchPatternsToRunningForm();
    log->findDxcc(QStringLiteral("DL1ABC"));
    return log;
}

void timeAdifImport(benchmark::State& state, const QString& file, const OwnStation& own)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<QTemporaryDir>();
        auto log = emptyLog(*dir);
        state.ResumeTiming();
        const AdifImportResult result = importAdifFile(*log, file, own);
        if (!result.ok || result.imported != state.range(0))
            state.SkipWithError("import failed");
        state.PauseTiming();
        log.reset();
        dir.reset();
        state.ResumeTiming();
    }
    state.counters["records"] = double(state.range(0));
}

void timeRawImport(benchmark::State& state, const std::string& path, const std::string& columns, int columnCount,
                   bool withOtherFields)
{
    std::string values;
    for (int i = 0; i < columnCount; ++i)
        values += i ? ", ?" : "?";
    const std::string insertSql = "INSERT INTO logtab (" + columns + ") VALUES (" + values + ")";
    const int valueCount = columnCount + (withOtherFields ? 1 : 0);
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<QTemporaryDir>();
        emptyLog(*dir).reset();
        sqlite3* db = nullptr;
        sqlite3_open(dir->filePath(QStringLiteral("backup.sqlite")).toUtf8().constData(), &db);
        state.ResumeTiming();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, insertSql.c_str(), -1, &insert, nullptr);
        sqlite3_stmt* other = nullptr;
        if (withOtherFields)
            sqlite3_prepare_v2(db, "INSERT INTO logfields (ID, fields) VALUES (?, ?)", -1, &other, nullptr);
        std::FILE* file = std::fopen(path.c_str(), "rb");
        std::string line(1 << 16, '\0');
        while (std::fgets(line.data(), int(line.size()), file)) {
            char* field = line.data();
            bool hasOther = false;
            for (int i = 1; i <= valueCount; ++i) {
                char* end = field + std::strcspn(field, "\t\n");
                const bool last = *end != '\t';
                *end = 0;
                if (i <= columnCount)
                    sqlite3_bind_text(insert, i, field, int(end - field), SQLITE_TRANSIENT);
                else if ((hasOther = end > field))
                    sqlite3_bind_text(other, 2, field, int(end - field), SQLITE_TRANSIENT);
                field = last ? end : end + 1;
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
            if (hasOther) {
                sqlite3_bind_int64(other, 1, sqlite3_last_insert_rowid(db));
                sqlite3_step(other);
                sqlite3_reset(other);
            }
        }
        std::fclose(file);
        sqlite3_finalize(insert);
        sqlite3_finalize(other);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_close(db);
        dir.reset();
        state.ResumeTiming();
    }
    state.counters["records"] = double(state.range(0));
}

} // namespace mivra::bench
