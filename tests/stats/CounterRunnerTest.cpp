#include "BackgroundWork.h"
#include "CounterRunner.h"
#include "TestLog.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

namespace mivra::test {
namespace {

class CounterRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const auto& [grid, band] : {std::pair{"JO60AA", "144"}, {"JO70BB", "144"}, {"JO71", "432"}})
            m_log.add({{QStringLiteral("Grid"), QLatin1String(grid)}, {QStringLiteral("Band"), QLatin1String(band)},
                       {QStringLiteral("QSL"), QStringLiteral("Y")}});
        m_log.exec(QStringLiteral("UPDATE logtab SET QSL = 'Q' WHERE Grid = 'JO70BB'"));
    }
    QString logFile() const { return m_log.path(); }
    // Collects what the runner delivers until it has nothing left to count.
    void collect(CounterRunner& runner)
    {
        QObject::connect(&runner, &CounterRunner::counted, &runner, [this](const PairCounts& counts) {
            m_delivered.push_back(counts);
            m_deliveredOnGuiThread.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
        });
    }
    bool awaitIdle(const CounterRunner& runner)
    {
        const bool idle = QTest::qWaitFor([&runner] { return !runner.isRunning(); }, 10000);
        QCoreApplication::processEvents();
        return idle;
    }
    int outlinesStored()
    {
        QSqlQuery query(QStringLiteral("SELECT count(*) FROM logtab WHERE GEpoly <> ''"), m_log.db());
        return query.next() ? query.value(0).toInt() : -1;
    }

    TestLog m_log;
    std::vector<PairCounts> m_delivered;
    std::vector<bool> m_deliveredOnGuiThread;
};

TEST_F(CounterRunnerTest, CountsOnAWorkerThreadAndDeliversOnTheWindowsThread)
{
    BackgroundWork work;
    CounterRunner runner(&work);
    collect(runner);
    runner.request({CounterPair::Squares, logFile(), QStringLiteral("144%"), QString()});
    // The request returns at once; the figures come later through the event loop. Until they
    // have, the counting is work under way.
    EXPECT_TRUE(runner.isPending(CounterPair::Squares));
    EXPECT_TRUE(m_delivered.empty());
    EXPECT_FALSE(work.isIdle());
    ASSERT_TRUE(awaitIdle(runner));
    EXPECT_TRUE(work.isIdle());

    ASSERT_EQ(m_delivered.size(), 1u);
    const PairCounts& counts = m_delivered.front();
    EXPECT_NE(counts.countedOn, QThread::currentThreadId());
    EXPECT_TRUE(m_deliveredOnGuiThread.front());
    EXPECT_FALSE(runner.isPending(CounterPair::Squares));
    EXPECT_EQ(counts.worked.result.outcome, stats::CounterResult::Counted);
    EXPECT_EQ(counts.worked.result.count, 2);
    EXPECT_EQ(counts.worked.firstRows.size(), 2u);
    EXPECT_EQ(counts.confirmed.result.count, 1);
    // The worker only reads: the outlines are the window's to write.
    EXPECT_EQ(outlinesStored(), 0);
}

TEST_F(CounterRunnerTest, ASupersededOrCancelledRequestIsNeverDelivered)
{
    CounterRunner runner(nullptr);
    collect(runner);
    runner.request({CounterPair::Squares, logFile(), QStringLiteral("144%"), QString()});
    runner.request({CounterPair::Squares, logFile(), QStringLiteral("1296%"), QString()});
    runner.request({CounterPair::Squares, logFile(), QStringLiteral("432%"), QString()});
    runner.request({CounterPair::Entities, logFile(), QStringLiteral("432%"), QString()});
    ASSERT_TRUE(awaitIdle(runner));
    ASSERT_EQ(m_delivered.size(), 2u);
    const auto squares = std::find_if(m_delivered.cbegin(), m_delivered.cend(),
                                      [](const PairCounts& counts) { return counts.pair == CounterPair::Squares; });
    ASSERT_NE(squares, m_delivered.cend());
    EXPECT_EQ(squares->worked.result.count, 1); // 432 MHz: JO71 only

    m_delivered.clear();
    runner.request({CounterPair::Squares, logFile(), QString(), QString()});
    runner.cancelAll();
    EXPECT_FALSE(runner.isPending(CounterPair::Squares));
    ASSERT_TRUE(awaitIdle(runner));
    EXPECT_TRUE(m_delivered.empty());
}

} // namespace
} // namespace mivra::test
