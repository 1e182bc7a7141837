#pragma once

#include "BackgroundWork.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

class QThread;

namespace mivra {

// A thread of its own for one kind of background work; the program's one pattern for it. Jobs run
// there one at a time, in the order given, and what each finds is handed to the owner's thread as
// a queued call; an object the worker adopts (a poller and its timer) lives there and reports
// through queued signals. Every job counts as work under way in the BackgroundWork given, which is
// what a close waits on.
class WorkerThread : public QObject {
    Q_OBJECT
public:
    // work may be null: jobs then count nowhere.
    WorkerThread(const QString& name, BackgroundWork* work, QObject* parent = nullptr);
    // A job under way ends first (jobs not started are dropped, their results never handed over).
    // Without one, a thread stuck longer than a few seconds in an adopted object's call (a radio
    // that does not answer) is left to end by itself.
    ~WorkerThread() override;

    // Runs job() on the worker's thread, then done(result) on this object's thread.
    template <typename Job, typename Done> void run(Job job, Done done)
    {
        using Result = decltype(job());
        jobStarted();
        post([this, job = std::move(job), done = std::move(done), stopping = m_stopping]() mutable {
            if (stopping->load())
                return; // the worker is going: jobs not started are dropped
            auto result = std::make_shared<Result>(job());
            deliver([this, result, done = std::move(done)]() mutable {
                done(std::move(*result));
                jobEnded();
            });
        });
    }

    // How long the end waits for an idle thread before it leaves it to end by itself.
    void setStopWait(int ms) { m_stopWaitMs = ms; }

    // Moves object to the worker's thread, where it is deleted when the thread ends.
    void adopt(QObject* object);

    // A job has been given whose result has not been handed over yet.
    bool isBusy() const { return m_jobs > 0; }

signals:
    // The last job's result has been handed over.
    void idle();

private:
    // work on the worker's thread; delivery back on this object's.
    void post(std::function<void()> work);
    void deliver(std::function<void()> delivery);
    void jobStarted();
    void jobEnded();

    BackgroundWork* m_work;
    BackgroundWork::Token m_underWay; // held while jobs are given
    QThread* m_thread;
    QObject* m_context; // lives on m_thread: jobs are queued calls to it
    std::shared_ptr<std::atomic<bool>> m_stopping = std::make_shared<std::atomic<bool>>(false);
    int m_jobs = 0;
    int m_stopWaitMs = 2000;
};

} // namespace mivra
