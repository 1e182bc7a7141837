#include "CounterRunner.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QThread>
#include <QUuid>

namespace mivra {

PairCounts countPair(const CounterRequest& request)
{
    PairCounts counts;
    counts.pair = request.pair;
    counts.countedOn = QThread::currentThreadId();
    const bool squares = request.pair == CounterPair::Squares;
    const QString name = QStringLiteral("mivra-counters-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(request.logPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            counts.worked
                = stats::tallyCounter(db, squares ? stats::Counter::SquaresWorked : stats::Counter::EntitiesWorked,
                                      request.bandPattern, request.searchText);
            counts.confirmed = stats::tallyCounter(
                db, squares ? stats::Counter::SquaresConfirmed : stats::Counter::EntitiesConfirmed, request.bandPattern,
                request.searchText);
        } else {
            const stats::CounterResult failed{stats::CounterResult::Failed, 0, db.lastError().text()};
            counts.worked.result = failed;
            counts.confirmed.result = failed;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return counts;
}

CounterRunner::CounterRunner(QObject* parent)
    : QObject(parent)
{
}

CounterRunner::~CounterRunner()
{
    for (Slot& slot : m_slots) {
        if (slot.thread) {
            slot.thread->wait();
            delete slot.thread;
        }
    }
}

void CounterRunner::request(const CounterRequest& request)
{
    Slot& slot = m_slots[size_t(request.pair)];
    ++slot.generation;
    slot.pending = true;
    if (slot.thread)
        slot.waiting = std::make_unique<CounterRequest>(request);
    else
        start(slot, request);
}

void CounterRunner::cancelAll()
{
    for (Slot& slot : m_slots) {
        ++slot.generation;
        slot.pending = false;
        slot.waiting.reset();
    }
}

bool CounterRunner::isPending(CounterPair pair) const
{
    return m_slots[size_t(pair)].pending;
}

bool CounterRunner::isRunning() const
{
    return m_slots[0].thread || m_slots[1].thread;
}

void CounterRunner::start(Slot& slot, const CounterRequest& request)
{
    const quint64 generation = slot.generation;
    auto counts = std::make_shared<PairCounts>();
    slot.thread = QThread::create([request, counts] { *counts = countPair(request); });
    // Queued to this object's thread: the figures are handled where the labels live.
    connect(slot.thread, &QThread::finished, this, [this, &slot, generation, counts] {
        slot.thread->wait();
        delete slot.thread;
        slot.thread = nullptr;
        const bool current = generation == slot.generation;
        if (current)
            slot.pending = false;
        if (slot.waiting) {
            const std::unique_ptr<CounterRequest> next = std::move(slot.waiting);
            start(slot, *next);
        }
        if (current)
            emit counted(*counts);
    });
    slot.thread->start();
}

} // namespace mivra
