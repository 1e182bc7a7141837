// The shared log against a PostgreSQL server of the benchmark's own (tests/share/PgTestServer.h):
// a contact saved at one position until it is in another's log (median and 95th percentile), three
// positions logging 1,000 contacts each until all have all, and a new position's first pull of a
// big shared log beside psql's \copy of the same rows plus sqlite3's .import into the same layout.
// Run by hand: mivra_bench_share (MIVRA_BENCH_MILLION=1 for the 1,000,000-contact pull).

#include "GeneratedLog.h"
#include "LogDatabase.h"
#include "PgTestServer.h"
#include "ServerSchema.h"
#include "ShareEngine.h"
#include "ShareListener.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace {

using mivra::SqliteConnection;
using mivra::SqliteStatement;
using mivra::share::ShareEngine;
using mivra::share::ShareListener;
using mivra::test::PgTestServer;

// How often the window looks for changes made here (ShareLink).
constexpr int kCheckMs = 200;

// One position's data folder and log, made as the program makes it.
struct Position {
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("backup.sqlite")); }
    Position()
    {
        QFile cty(dir.filePath(QStringLiteral("cty.csv")));
        cty.open(QIODevice::WriteOnly);
        cty.write("OK,Czech Republic,503,EU,15,28,50.00,-16.00,-1.0,OK OL;\n");
        cty.close();
        QString error;
        // Write-ahead, as a position's log is from its joining on.
        if (const auto log = mivra::LogDatabase::open(path(), cty.fileName(), &error))
            log->useWriteAheadLog(&error);
    }
};

// A contact saved as the window saves one: a transaction of its own.
void saveContact(SqliteConnection& db, int n, const char* position)
{
    SqliteStatement insert(db, QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode,"
                                              " QRB, Freq, Comment) VALUES ('2026-06-06', ?, ?, 'JN79FX', '59',"
                                              " '59001', '432', 'SSB', ?, 432.2, ?)"));
    insert.bindText(1, QStringLiteral("%1").arg(n % 1440, 4, 10, QLatin1Char('0')));
    insert.bindText(2, QStringLiteral("OK%1%2").arg(n).arg(QLatin1String(position)));
    insert.bindReal(3, 100.5 + n % 500);
    insert.bindText(4, QStringLiteral("de %1").arg(QLatin1String(position)));
    insert.run();
}

qint64 countOf(SqliteConnection& db, const QString& sql)
{
    SqliteStatement count(db, sql);
    return count.step() ? count.integer(0) : -1;
}

// A server with an empty shared log in database "club".
bool makeClub(PgTestServer& server, benchmark::State& state)
{
    mivra::share::PgConnection admin;
    QString error;
    if (!server.isRunning() || !server.createDatabase(QStringLiteral("club"))
        || !admin.open(server.url(QStringLiteral("club")), &error) || !mivra::share::initServer(admin, &error)) {
        state.SkipWithError(qPrintable(QStringLiteral("no server: %1 %2").arg(server.error(), error)));
        return false;
    }
    return true;
}

// Saved at A (A syncs at its next look for changes, as the window does) until B, woken by the
// server's notification, holds it. Time: the median; counters: median and 95th percentile in ms.
void BM_ShareSavedToShown(benchmark::State& state)
{
    PgTestServer server;
    if (!makeClub(server, state))
        return;
    Position a;
    Position b;
    const QString url = server.url(QStringLiteral("club"));
    ShareEngine atA(a.path(), url, QStringLiteral("A"));
    ShareEngine atB(b.path(), url, QStringLiteral("B"));
    atA.sync();
    atB.sync();
    const int samples = int(state.range(0));
    std::vector<double> latencies;
    for (auto _ : state) {
        latencies.clear();
        std::atomic<bool> stop{false};
        std::atomic<bool> listening{false};
        // B: waits for the server's word and pulls, as the window's listener and sync workers do.
        std::thread atBThread([&] {
            ShareListener listener(url);
            listener.wait(10);
            listening = true;
            while (!stop) {
                const ShareListener::Heard heard = listener.wait(100);
                if (heard == ShareListener::Heard::Change || heard == ShareListener::Heard::Reconnected)
                    atB.sync();
            }
        });
        // A word sent before B listens would reach nobody: the first sample would wait in vain.
        while (!listening)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        SqliteConnection log(a.path(), SqliteConnection::Mode::ReadWrite);
        log.setBusyTimeout(10000);
        SqliteConnection logB(b.path(), SqliteConnection::Mode::ReadOnly);
        logB.setBusyTimeout(10000);
        const qint64 before = countOf(logB, QStringLiteral("SELECT count(*) FROM logtab"));
        for (int i = 0; i < samples; ++i) {
            QElapsedTimer timer;
            timer.start();
            saveContact(log, i, "A");
            // The window notices the change at its next look, up to kCheckMs later.
            std::this_thread::sleep_for(std::chrono::milliseconds(QRandomGenerator::global()->bounded(kCheckMs)));
            atA.sync();
            while (countOf(logB, QStringLiteral("SELECT count(*) FROM logtab")) < before + i + 1
                   && timer.elapsed() < 10000)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            latencies.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        stop = true;
        atBThread.join();
        std::sort(latencies.begin(), latencies.end());
        const double median = latencies[latencies.size() / 2];
        const double p95 = latencies[std::min(latencies.size() - 1, latencies.size() * 95 / 100)];
        state.SetIterationTime(median / 1e3);
        state.counters["median_ms"] = median;
        state.counters["p95_ms"] = p95;
        state.counters["max_ms"] = latencies.back();
    }
}
BENCHMARK(BM_ShareSavedToShown)->Arg(100)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Three positions each save 1,000 contacts as fast as they go, each syncing as the window does
// (at once after a change, and when another position's change is announced). Time: from the last
// save until every log and the server hold all 3,000 and nothing is queued.
void BM_ShareThreePositionsConverge(benchmark::State& state)
{
    PgTestServer server;
    if (!makeClub(server, state))
        return;
    const QString url = server.url(QStringLiteral("club"));
    const int each = int(state.range(0));
    const char* names[] = {"A", "B", "C"};
    for (auto _ : state) {
        Position positions[3];
        std::atomic<int> loggersDone{0};
        std::atomic<bool> stop{false};
        std::vector<std::thread> threads;
        QElapsedTimer sinceStart;
        sinceStart.start();
        std::atomic<qint64> lastSaveNs{0};
        for (int p = 0; p < 3; ++p) {
            threads.emplace_back([&, p] {
                SqliteConnection log(positions[p].path(), SqliteConnection::Mode::ReadWrite);
                log.setBusyTimeout(10000);
                for (int i = 0; i < each; ++i)
                    saveContact(log, i, names[p]);
                lastSaveNs = std::max<qint64>(lastSaveNs, sinceStart.nsecsElapsed());
                ++loggersDone;
            });
            threads.emplace_back([&, p] {
                ShareEngine engine(positions[p].path(), url, QString::fromLatin1(names[p]));
                ShareListener listener(url);
                SqliteConnection log(positions[p].path(), SqliteConnection::Mode::ReadOnly);
                while (!stop) {
                    engine.sync();
                    // Another sync at once when changes wait here, else when the server announces one.
                    if (countOf(log, QStringLiteral("SELECT count(*) FROM share_outbox")) == 0)
                        listener.wait(kCheckMs);
                }
            });
        }
        std::vector<SqliteConnection> readers;
        for (Position& position : positions)
            readers.emplace_back(position.path(), SqliteConnection::Mode::ReadOnly);
        const auto converged = [&] {
            for (SqliteConnection& reader : readers) {
                if (countOf(reader, QStringLiteral("SELECT count(*) FROM logtab")) != 3 * each
                    || countOf(reader, QStringLiteral("SELECT count(*) FROM share_outbox")) != 0)
                    return false;
            }
            return true;
        };
        while ((loggersDone < 3 || !converged()) && sinceStart.elapsed() < 300000)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const qint64 convergedNs = sinceStart.nsecsElapsed();
        stop = true;
        for (std::thread& thread : threads)
            thread.join();
        if (!converged())
            state.SkipWithError("the positions did not converge");
        state.SetIterationTime(double(convergedNs - lastSaveNs) / 1e9);
        state.counters["logging_s"] = double(lastSaveNs) / 1e9;
    }
}
BENCHMARK(BM_ShareThreePositionsConverge)->Arg(1000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The payload columns of a contact as the server holds them, for the fill and the floor's \copy.
const char* const kFill
    = "INSERT INTO mivra_contact (uuid, stamp, deleted, position, base, fields, seq)"
      " SELECT gen_random_uuid()::text, lpad(i::text, 21, '0') || ':S', false, 'S', NULL,"
      " jsonb_build_object('Date', '2026-06-06', 'GMT', lpad((i % 1440)::text, 4, '0'), 'Callsign', 'OK' || i,"
      " 'Grid', 'JN79FX', 'rsts', '59', 'rstr', '59' || lpad((i % 1000)::text, 3, '0'), 'DXCC', 'OK Czech Republic',"
      " 'QSL', 'N', 'Nam', 'Jan', 'Band', '432', 'mode', 'SSB', 'QRB', 100.5 + i % 500, 'QTF', 270.25,"
      " 'Comment', 'de bench', 'Prop', 'T', 'QSLman', NULL, 'Freq', 432.2, 'FreqRx', NULL, 'MyGrid', 'JN79FX',"
      " 'QslSdate', NULL, 'QslRdate', NULL, 'LotwRcvd', NULL, 'LotwRdate', NULL, 'EqslRcvd', NULL, 'EqslRdate', NULL,"
      " 'Position', 'S', 'logfields', ''), nextval('mivra_share_seq') FROM generate_series(1, %1) i";
const char* const kFloorColumns[]
    = {"Date", "GMT",  "Callsign", "Grid", "rsts",    "rstr", "DXCC", "QSL",    "Nam",
       "Band", "mode", "QRB",      "QTF",  "Comment", "Prop", "Freq", "MyGrid", "Position"};

// One server with a shared log of n contacts per size, made once.
struct BigClub {
    PgTestServer server;
    bool ok = false;
    double fillSeconds = 0; // the fill and its VACUUM ANALYZE
    explicit BigClub(int contacts)
    {
        mivra::share::PgConnection admin;
        QElapsedTimer timer;
        timer.start();
        ok = server.isRunning() && server.createDatabase(QStringLiteral("club"))
             && admin.open(server.url(QStringLiteral("club")), nullptr) && mivra::share::initServer(admin, nullptr)
             && admin.run(QString::fromLatin1(kFill).arg(contacts), {}, nullptr)
             && admin.run(QStringLiteral("VACUUM ANALYZE mivra_contact"), {}, nullptr);
        fillSeconds = double(timer.nsecsElapsed()) / 1e9;
    }
};

BigClub& clubOf(int contacts)
{
    static std::map<int, std::unique_ptr<BigClub>> clubs;
    auto& club = clubs[contacts];
    if (!club)
        club = std::make_unique<BigClub>(contacts);
    return *club;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A new position's first pull of the whole shared log. Counter: the process's peak memory.
void BM_ShareFirstPull(benchmark::State& state)
{
    BigClub& club = clubOf(int(state.range(0)));
    if (!club.ok) {
        state.SkipWithError("no server");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto position = std::make_unique<Position>();
        ShareEngine engine(position->path(), club.server.url(QStringLiteral("club")), QStringLiteral("new"));
        state.ResumeTiming();
        const mivra::share::SyncReport report = engine.sync();
        state.PauseTiming();
        if (!report.reached || report.pulled != state.range(0))
            state.SkipWithError(qPrintable(QStringLiteral("pulled %1: %2").arg(report.pulled).arg(report.error)));
        position.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = double(peakKiB()) / 1024.0;
    state.counters["fill_s"] = club.fillSeconds;
}

// The floor: psql's \copy of the same rows' columns to a file, then sqlite3's .import of it into a
// log of the same layout (a plain table, then one INSERT … SELECT into logtab).
void BM_ShareFirstPullRaw(benchmark::State& state)
{
    BigClub& club = clubOf(int(state.range(0)));
    if (!club.ok) {
        state.SkipWithError("no server");
        return;
    }
    QStringList selected;
    QStringList names;
    for (const char* column : kFloorColumns) {
        selected << QStringLiteral("fields->>'%1'").arg(QLatin1String(column));
        names << QString::fromLatin1(column);
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto position = std::make_unique<Position>();
        const QString rows = position->dir.filePath(QStringLiteral("rows.tsv"));
        state.ResumeTiming();
        QProcess psql;
        psql.start(QStringLiteral("psql"),
                   {club.server.url(QStringLiteral("club")), QStringLiteral("-qc"),
                    QStringLiteral("\\copy (SELECT uuid, %1 FROM mivra_contact ORDER BY seq) TO '%2'")
                        .arg(selected.join(u", "_qs), rows)});
        psql.waitForFinished(-1);
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {position->path()});
        sqlite.waitForStarted();
        sqlite.write(QStringLiteral("CREATE TEMP TABLE incoming (Uuid, %1);\n.mode tabs\n.import %2 incoming\n"
                                    "BEGIN; INSERT INTO logtab (Uuid, %1) SELECT * FROM incoming; COMMIT;\n")
                         .arg(names.join(u", "_qs), rows)
                         .toUtf8());
        sqlite.closeWriteChannel();
        sqlite.waitForFinished(-1);
        state.PauseTiming();
        SqliteConnection check(position->path(), SqliteConnection::Mode::ReadOnly);
        if (psql.exitCode() != 0 || countOf(check, QStringLiteral("SELECT count(*) FROM logtab")) != state.range(0))
            state.SkipWithError(psql.readAllStandardError().constData());
        position.reset();
        state.ResumeTiming();
    }
}

void pullSizes(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Arg(100000);
    if (qEnvironmentVariableIsSet("MIVRA_BENCH_MILLION"))
        benchmark->Arg(1000000);
}
BENCHMARK(BM_ShareFirstPull)->Apply(pullSizes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShareFirstPullRaw)->Apply(pullSizes)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return mivra::bench::runBenchmarks(argc, argv);
}
