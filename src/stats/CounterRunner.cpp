#include "CounterRunner.h"

#include "WorkerThread.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QThread>
#include <QUuid>

#include <optional>

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
                request.searchText, request.confirmedBy);
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

CounterRunner::CounterRunner(BackgroundWork* work, QObject* parent)
    : QObject(parent)
{
    m_slots[std::size_t(CounterPair::Squares)].worker = new WorkerThread(QStringLiteral("squares"), work, this);
    m_slots[std::size_t(CounterPair::Entities)].worker = new WorkerThread(QStringLiteral("entities"), work, this);
}

CounterRunner::~CounterRunner() = default;

void CounterRunner::request(const CounterRequest& request)
{
    Slot& slot = m_slots[std::size_t(request.pair)];
    const quint64 generation = ++slot.generation;
    slot.pending = true;
    slot.newest->store(generation);
    slot.worker->run(
        [request, generation, newest = slot.newest]() -> std::optional<PairCounts> {
            if (newest->load() != generation)
                return std::nullopt; // superseded while it waited
            return countPair(request);
        },
        [this, &slot, generation](std::optional<PairCounts> counts) {
            if (generation != slot.generation || !counts)
                return;
            slot.pending = false;
            emit counted(*counts);
        });
}

void CounterRunner::cancelAll()
{
    for (Slot& slot : m_slots) {
        slot.newest->store(++slot.generation);
        slot.pending = false;
    }
}

bool CounterRunner::isPending(CounterPair pair) const
{
    return m_slots[std::size_t(pair)].pending;
}

bool CounterRunner::isRunning() const
{
    return m_slots[0].worker->isBusy() || m_slots[1].worker->isBusy();
}

} // namespace mivra
