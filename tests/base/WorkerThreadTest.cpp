#include "WorkerThread.h"
#include "BackgroundWork.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace mivra {
namespace {

// Jobs run one at a time on the worker's thread, in the order given; their results come back on
// the owner's thread in that order; the work counts as under way until the last result is in.
TEST(WorkerThread, RunsJobsInOrderOffTheOwnersThreadAndHandsResultsBack)
{
    BackgroundWork work;
    WorkerThread worker(QStringLiteral("test"), &work);
    std::vector<int> delivered;
    std::vector<bool> deliveredHere;
    std::atomic<int> running = 0;
    std::atomic<bool> overlapped = false;
    for (int i = 0; i < 20; ++i) {
        worker.run(
            [i, &running, &overlapped] {
                overlapped = overlapped || running.fetch_add(1) > 0;
                QThread::usleep(500);
                const bool elsewhere = QThread::currentThread() != QCoreApplication::instance()->thread();
                running.fetch_sub(1);
                return std::pair{i, elsewhere};
            },
            [&](std::pair<int, bool> result) {
                EXPECT_TRUE(result.second) << "job " << result.first << " ran on the owner's thread";
                delivered.push_back(result.first);
                deliveredHere.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
            });
    }
    EXPECT_TRUE(worker.isBusy());
    EXPECT_FALSE(work.isIdle());
    bool idleCalled = false;
    work.whenIdle(&worker, [&] {
        idleCalled = true;
        EXPECT_EQ(delivered.size(), 20u) << "idle before every result was in";
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return idleCalled; }, 10000));
    EXPECT_FALSE(overlapped);
    std::vector<int> expected(20);
    for (int i = 0; i < 20; ++i)
        expected[std::size_t(i)] = i;
    EXPECT_EQ(delivered, expected);
    EXPECT_EQ(deliveredHere, std::vector<bool>(20, true));
    EXPECT_FALSE(worker.isBusy());
    EXPECT_TRUE(work.isIdle());
}

// A worker that goes while jobs are under way lets the running one end, drops the rest, hands no
// result over, and leaves no work counted.
TEST(WorkerThread, GoingEndsTheJobUnderWayAndDropsTheRest)
{
    BackgroundWork work;
    std::atomic<int> started = 0;
    std::atomic<int> finished = 0;
    int delivered = 0;
    {
        WorkerThread worker(QStringLiteral("test"), &work);
        for (int i = 0; i < 5; ++i) {
            worker.run(
                [&] {
                    started.fetch_add(1);
                    QThread::msleep(200);
                    finished.fetch_add(1);
                    return 0;
                },
                [&](int) { ++delivered; });
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return started.load() > 0; }, 5000));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(started.load(), finished.load()) << "a job was cut off";
    EXPECT_LT(started.load(), 5);
    EXPECT_EQ(delivered, 0);
    EXPECT_TRUE(work.isIdle());
}

TEST(BackgroundWork, WhenIdleWaitsForEveryToken)
{
    BackgroundWork work;
    QObject context;
    int calls = 0;
    work.whenIdle(&context, [&] { ++calls; });
    EXPECT_EQ(calls, 1) << "idle work calls at once";
    {
        BackgroundWork::Token first = work.begin();
        BackgroundWork::Token second = work.begin();
        work.whenIdle(&context, [&] { ++calls; });
        first = BackgroundWork::Token();
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 1) << "called while work was still under way";
        EXPECT_EQ(work.underWay(), 1);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(work.isIdle());
}

} // namespace
} // namespace mivra
