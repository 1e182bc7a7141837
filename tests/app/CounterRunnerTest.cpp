#include "AppTestSupport.h"

#include "CounterRunner.h"
#include "MultiOptionControl.h"

#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QThread>

namespace mivra::test {
namespace {

class CounterRunnerTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
        addContact(QStringLiteral("2026-01-02"), QStringLiteral("OK1AA"), QStringLiteral("JO60AA"), QStringLiteral("144"));
        addContact(QStringLiteral("2026-01-03"), QStringLiteral("OK1BB"), QStringLiteral("JO70BB"), QStringLiteral("144"));
        addContact(QStringLiteral("2026-01-04"), QStringLiteral("OK1CC"), QStringLiteral("JO71"), QStringLiteral("432"));
        QSqlQuery(m_log->database()).exec(QStringLiteral("UPDATE logtab SET QSL = 'Q' WHERE Grid = 'JO70BB'"));
    }
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
        settle();
        return idle;
    }
    int outlinesStored()
    {
        QSqlQuery query(QStringLiteral("SELECT count(*) FROM logtab WHERE GEpoly <> ''"), m_log->database());
        return query.next() ? query.value(0).toInt() : -1;
    }
    QString label(const char* name) const { return m_window->findChild<QLabel*>(QLatin1String(name))->text(); }

    std::vector<PairCounts> m_delivered;
    std::vector<bool> m_deliveredOnGuiThread;
};

TEST_F(CounterRunnerTest, CountsOnAWorkerThreadAndDeliversOnTheWindowsThread)
{
    CounterRunner runner;
    collect(runner);
    runner.request({CounterPair::Squares, logFile(), QStringLiteral("144%"), QString()});
    // The request returns at once; the figures come later through the event loop.
    EXPECT_TRUE(runner.isPending(CounterPair::Squares));
    EXPECT_TRUE(m_delivered.empty());
    ASSERT_TRUE(awaitIdle(runner));

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
    CounterRunner runner;
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

TEST_F(CounterRunnerTest, TheWindowShowsOnlyTheFiguresOfItsLatestRequestAndWritesTheOutlines)
{
    openWindow();
    m_window->multiOption()->setOptionSelected(SearchByGrid);
    auto* search = m_window->findChild<QPushButton*>(QStringLiteral("Search"));
    // A band change while the 144 MHz squares are counted: they never show.
    search->click();
    m_window->bandButton(11)->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_window->isBusy(); }, 10000));
    settle();
    EXPECT_EQ(label("Sqw"), QString());
    EXPECT_EQ(label("SQc"), QString());

    // A second Search supersedes the first; the outlines go in with the figures shown.
    search->click();
    search->click();
    ASSERT_TRUE(waitForCounters());
    EXPECT_EQ(label("Sqw"), QStringLiteral("1"));
    EXPECT_EQ(label("SQc"), QString());
    EXPECT_EQ(outlinesStored(), 1);
    EXPECT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join(u'|').toStdString();
}

} // namespace
} // namespace mivra::test
