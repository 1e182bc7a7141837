// QSL print runs on generated logs: 1,000 cards written as PDF files at 100,000 contacts beside the
// same run with nothing synced (the log's commits and the card files), the same run with cards that
// go nowhere (reading and state changes only), and the time to the first card at 100,000 and
// 1,000,000 contacts beside reading the first batch through the C API.
// Run by hand: mivra_bench_qsl [--benchmark_filter=...]

#include "GeneratedLog.h"

#include "CardPrinter.h"
#include "QslRun.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

namespace {

using mivra::bench::logOf;
using namespace mivra::qsl;

constexpr int kContacts = 100000;
constexpr int kCards = 1000;

// Output that notes when the first card came out.
class TimedOutput : public CardOutput {
public:
    explicit TimedOutput(CardOutput* inner)
        : m_inner(inner)
    {
        m_clock.start();
    }
    bool printCard(const CardFields& card, const CardImages& images, const QString& callsign, QString* error) override
    {
        const bool printed = !m_inner || m_inner->printCard(card, images, callsign, error);
        if (m_firstCardMs < 0)
            m_firstCardMs = double(m_clock.nsecsElapsed()) / 1e6;
        return printed;
    }
    double firstCardMs() const { return m_firstCardMs; }

private:
    CardOutput* m_inner;
    QElapsedTimer m_clock;
    double m_firstCardMs = -1;
};

// PDF files that are not synced: the floor of a run to files.
class UnsyncedPdfOutput : public PdfFolderCardOutput {
public:
    using PdfFolderCardOutput::PdfFolderCardOutput;
    bool syncPrinted(QString*) override { return true; }
};

// Puts the first contact of kCards stations in state Y, all others out of the run.
QList<qint64> markCards(QSqlDatabase db)
{
    static std::map<QString, QList<qint64>> marked;
    QList<qint64>& ids = marked[db.databaseName()];
    if (ids.isEmpty()) {
        QSqlQuery query(db);
        query.exec(
            QStringLiteral("SELECT min(ID) FROM logtab GROUP BY Callsign ORDER BY Callsign LIMIT %1").arg(kCards));
        while (query.next())
            ids << query.value(0).toLongLong();
    }
    db.transaction();
    QSqlQuery update(db);
    update.exec(QStringLiteral("UPDATE logtab SET QSL = 'N' WHERE QSL LIKE 'Y'"));
    update.prepare(QStringLiteral("UPDATE logtab SET QSL = 'Y' WHERE ID = ?"));
    for (qint64 id : ids) {
        update.addBindValue(id);
        update.exec();
    }
    db.commit();
    return ids;
}

enum class Cards { Pdf, PdfUnsynced, Nowhere };

void runCards(benchmark::State& state, Cards to)
{
    auto& generated = logOf(kContacts);
    QSqlQuery pragma(generated.log->database());
    pragma.exec(to == Cards::PdfUnsynced ? QStringLiteral("PRAGMA synchronous = OFF")
                                         : QStringLiteral("PRAGMA synchronous = FULL"));
    double firstCardMs = 0;
    int cards = 0;
    for (auto _ : state) {
        state.PauseTiming();
        markCards(generated.log->database());
        QTemporaryDir folder;
        PdfFolderCardOutput synced(cardFolder(folder.path()));
        UnsyncedPdfOutput unsynced(cardFolder(folder.path()));
        CardOutput* pdf = to == Cards::Pdf ? &synced : to == Cards::PdfUnsynced ? &unsynced : nullptr;
        state.ResumeTiming();

        TimedOutput output(pdf);
        CardPrinter printer(output, {QStringLiteral(MIVRA_ASSETS_DIR)});
        QslRun run(generated.log->database(), printer);
        CardFields card;
        const RunResult result = run.printCardsInState(QStringLiteral("Y"), card);
        if (result.cardsPrinted != kCards)
            state.SkipWithError("not every card was printed");
        cards = result.cardsPrinted;
        firstCardMs += output.firstCardMs();
    }
    state.counters["cards"] = cards;
    state.counters["first_card_ms"] = benchmark::Counter(firstCardMs, benchmark::Counter::kAvgIterations);
    pragma.exec(QStringLiteral("PRAGMA synchronous = FULL"));
}

void BM_QslRunToPdf(benchmark::State& state)
{
    runCards(state, Cards::Pdf);
}

// The floor: the same run with nothing synced.
void BM_QslRunToPdfRaw(benchmark::State& state)
{
    runCards(state, Cards::PdfUnsynced);
}

void BM_QslRunWithoutOutput(benchmark::State& state)
{
    runCards(state, Cards::Nowhere);
}

// From the start of a run to its first card as a PDF file (the run stops after it).
void BM_QslFirstCard(benchmark::State& state)
{
    auto& generated = logOf(int(state.range(0)));
    markCards(generated.log->database());
    QTemporaryDir folder;
    PdfFolderCardOutput pdf(cardFolder(folder.path()));
    for (auto _ : state) {
        CardPrinter printer(pdf, {QStringLiteral(MIVRA_ASSETS_DIR)});
        QslRun run(generated.log->database(), printer, QLocale(), [] { return true; });
        CardFields card;
        if (run.printCardsInState(QStringLiteral("Y"), card).cardsPrinted != 1)
            state.SkipWithError("no first card");
    }
}

// The floor: the first batch of a state's rows in callsign order through the C API.
void BM_QslFirstCardRaw(benchmark::State& state)
{
    auto& generated = logOf(int(state.range(0)));
    markCards(generated.log->database());
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(generated.raw,
                       "SELECT ID, Date, GMT, Callsign, Band, mode, rsts, QRB, QTF, QSLman, QSL FROM logtab"
                       " WHERE QSL = 'Y' ORDER BY Callsign, ID LIMIT 1001",
                       -1, &statement, nullptr);
    int rows = 0;
    for (auto _ : state) {
        rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(statement, 3));
            ++rows;
        }
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    state.counters["rows"] = rows;
}

void firstCardSizes(benchmark::internal::Benchmark* benchmark)
{
    for (int contacts : mivra::bench::logSizes()) {
        if (contacts >= kContacts)
            benchmark->Arg(contacts);
    }
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(BM_QslRunToPdf)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_QslRunToPdfRaw)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_QslFirstCard)->Apply(firstCardSizes)->Iterations(5);
BENCHMARK(BM_QslFirstCardRaw)->Apply(firstCardSizes)->Iterations(5);
BENCHMARK(BM_QslRunWithoutOutput)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the PDF pages
    return mivra::bench::runBenchmarks(argc, argv);
}
