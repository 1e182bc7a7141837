// QSL print runs on a generated log of 100,000 contacts: 1,000 cards written as PDF files, the
// time to the first card, and the same run with cards that go nowhere (reading and state changes
// only). Run by hand: mivra_bench_qsl [--benchmark_filter=...]

#include "GeneratedLog.h"

#include "CardPrinter.h"
#include "QslRun.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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

// Puts the first contact of kCards stations in state Y, all others out of the run.
QList<qint64> markCards(QSqlDatabase db)
{
    static QList<qint64> ids;
    if (ids.isEmpty()) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT min(ID) FROM logtab GROUP BY Callsign ORDER BY Callsign LIMIT %1").arg(kCards));
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

void runCards(benchmark::State& state, bool toPdf)
{
    auto& generated = logOf(kContacts);
    double firstCardMs = 0;
    int cards = 0;
    for (auto _ : state) {
        state.PauseTiming();
        markCards(generated.log->database());
        QTemporaryDir folder;
        PdfFolderCardOutput pdf(cardFolder(folder.path()));
        state.ResumeTiming();

        TimedOutput output(toPdf ? &pdf : nullptr);
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
}

void BM_QslRunToPdf(benchmark::State& state)
{
    runCards(state, true);
}

void BM_QslRunWithoutOutput(benchmark::State& state)
{
    runCards(state, false);
}

} // namespace

BENCHMARK(BM_QslRunToPdf)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_QslRunWithoutOutput)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the PDF pages
    return mivra::bench::runBenchmarks(argc, argv);
}
