#pragma once

#include "WorkedCounters.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <memory>

namespace mivra {

class BackgroundWork;
class WorkerThread;

// A pair of counters shown together: worked and confirmed.
enum class CounterPair { Squares = 0, Entities = 1 };

// What one pair request asks: the counters read the log file at logPath on a connection of their own.
struct CounterRequest {
    CounterPair pair = CounterPair::Squares;
    QString logPath;
    QString bandPattern;
    QString searchText;
    ConfirmationCount confirmedBy = kDefaultConfirmationCount;
};

// The pair's figures. The squares-worked tally still holds the rows its outlines go to: the
// caller stores them on the log's own connection.
struct PairCounts {
    CounterPair pair = CounterPair::Squares;
    stats::CounterTally worked;
    stats::CounterTally confirmed;
    Qt::HANDLE countedOn = nullptr; // the thread that read the log
};

// Counts a pair of counters on a worker thread of the pair's own (WorkerThread) and hands the
// figures back on the owner's thread. A new request for a pair supersedes the one running: its
// figures are never delivered, and requests superseded before they start are not counted at all.
class CounterRunner : public QObject {
    Q_OBJECT
public:
    // The counting is work under way in work (may be null).
    explicit CounterRunner(BackgroundWork* work, QObject* parent = nullptr);
    ~CounterRunner() override; // waits for the counts still being read

    void request(const CounterRequest& request);
    // Drops every request: nothing asked so far is delivered.
    void cancelAll();
    // A request of this pair has not been delivered yet.
    bool isPending(CounterPair pair) const;
    bool isRunning() const;

signals:
    void counted(const mivra::PairCounts& counts);

private:
    struct Slot {
        quint64 generation = 0;
        bool pending = false;
        // The newest generation, read by the worker when a request's turn comes.
        std::shared_ptr<std::atomic<quint64>> newest = std::make_shared<std::atomic<quint64>>(0);
        WorkerThread* worker = nullptr;
    };

    std::array<Slot, 2> m_slots;
};

// Reads both counters of the pair on a read-only connection of its own, opened and removed here.
PairCounts countPair(const CounterRequest& request);

} // namespace mivra
