#include "TestLog.h"
#include "WorkedCounters.h"

namespace mivra::test {
namespace {

using stats::Counter;
using stats::CounterResult;
using stats::runCounter;

const QString kJO62Outline = QStringLiteral("12.0,52.0,2000  14.0,52.0,2000  14.0,53.0,2000  12.0,53.0,2000 12.0,52.0,2000  ");
const QString kJO63Outline = QStringLiteral("12.0,53.0,2000  14.0,53.0,2000  14.0,54.0,2000  12.0,54.0,2000 12.0,53.0,2000  ");

class WorkedCountersTest : public ::testing::Test {
protected:
    qint64 add(const QVariant& grid, const QVariant& dxcc, const QString& qsl, const QString& band)
    {
        return log.add({{QStringLiteral("Grid"), grid}, {QStringLiteral("DXCC"), dxcc},
                        {QStringLiteral("QSL"), qsl}, {QStringLiteral("Band"), band}});
    }
    void SetUp() override
    {
        jo62ab = add(QStringLiteral("JO62AB"), QStringLiteral("DL Germany"), QStringLiteral("Q"), QStringLiteral("144"));
        jo62xy = add(QStringLiteral("JO62XY"), QStringLiteral("DL Germany X"), QStringLiteral("q"), QStringLiteral("144"));
        jo62 = add(QStringLiteral("JO62"), QStringLiteral("OK Czech Republic"), QStringLiteral("Y"), QStringLiteral("144"));
        jo63 = add(QStringLiteral("JO63QM"), QStringLiteral("OK Czech"), QStringLiteral("N"), QStringLiteral("144.3"));
        add(QStringLiteral(""), QStringLiteral("SP Poland"), QStringLiteral("Q"), QStringLiteral("144"));
        add(QVariant(), QStringLiteral(""), QStringLiteral("Q"), QStringLiteral("144"));
        add(QVariant(), QVariant(), QStringLiteral("Q"), QStringLiteral("144"));
        jo70 = add(QStringLiteral("JO70"), QStringLiteral("OE Austria"), QStringLiteral("Q"), QStringLiteral("432"));
        add(QStringLiteral("JO71AA"), QStringLiteral("SP"), QStringLiteral("Q"), QStringLiteral("432"));
    }

    TestLog log;
    qint64 jo62ab = 0, jo62xy = 0, jo62 = 0, jo63 = 0, jo70 = 0;
};

TEST_F(WorkedCountersTest, CountsDistinctKeysPerBand)
{
    struct Case {
        Counter counter;
        const char* band;
        int expected;
    };
    // Squares: JO62AB, JO62XY and JO62 are one square. Entities: "DL Germany" and "DL Germany X",
    // "OK Czech Republic" and "OK Czech" agree in 8 characters; "SP" is shorter and compared whole.
    // Confirmed: Q and q, never Y or N.
    const Case cases[] = {
        {Counter::SquaresWorked, "144%", 2},     {Counter::SquaresConfirmed, "144%", 1},
        {Counter::EntitiesWorked, "144%", 3},    {Counter::EntitiesConfirmed, "144%", 2},
        {Counter::SquaresWorked, "", 4},         {Counter::SquaresConfirmed, "", 3},
        {Counter::EntitiesWorked, "", 5},        {Counter::EntitiesConfirmed, "", 4},
        {Counter::SquaresWorked, "432%", 2},     {Counter::EntitiesConfirmed, "432%", 2},
    };
    for (const Case& c : cases) {
        const CounterResult result = runCounter(log.db(), c.counter, QLatin1String(c.band), QString());
        EXPECT_EQ(result.outcome, CounterResult::Counted) << int(c.counter) << " " << c.band;
        EXPECT_EQ(result.count, c.expected) << int(c.counter) << " " << c.band;
    }
}

TEST_F(WorkedCountersTest, KeysAreComparedWithCase)
{
    add(QStringLiteral("KO02AA"), QStringLiteral("UA European Russia"), QStringLiteral("Q"), QStringLiteral("50"));
    add(QStringLiteral("ko02BB"), QStringLiteral("ua European Russia"), QStringLiteral("Q"), QStringLiteral("50"));
    EXPECT_EQ(runCounter(log.db(), Counter::SquaresWorked, QStringLiteral("50%"), QString()).count, 2);
    EXPECT_EQ(runCounter(log.db(), Counter::EntitiesConfirmed, QStringLiteral("50%"), QString()).count, 2);
}

TEST_F(WorkedCountersTest, NoRowsOrASearchTextLeaveTheLabel)
{
    for (Counter counter : {Counter::SquaresWorked, Counter::SquaresConfirmed, Counter::EntitiesWorked,
                            Counter::EntitiesConfirmed}) {
        EXPECT_EQ(runCounter(log.db(), counter, QStringLiteral("1296%"), QString()).outcome, CounterResult::Unchanged);
        EXPECT_EQ(runCounter(log.db(), counter, QStringLiteral("144%"), QStringLiteral("DL")).outcome,
                  CounterResult::Unchanged);
    }
    EXPECT_TRUE(log.value(jo62, QStringLiteral("GEpoly")).isNull());
}

TEST_F(WorkedCountersTest, SquaresWorkedWritesTheOutlineIntoTheFirstRowOfEachSquareWithinTheBand)
{
    log.exec(QStringLiteral("UPDATE logtab SET GEpoly = 'old' WHERE ID = %1").arg(jo62xy));
    ASSERT_EQ(runCounter(log.db(), Counter::SquaresWorked, QStringLiteral("144%"), QString()).count, 2);
    EXPECT_EQ(log.value(jo62, QStringLiteral("GEpoly")).toString(), kJO62Outline); // "JO62" sorts first
    EXPECT_TRUE(log.value(jo62ab, QStringLiteral("GEpoly")).isNull());
    EXPECT_EQ(log.value(jo62xy, QStringLiteral("GEpoly")).toString(), QStringLiteral("old"));
    EXPECT_EQ(log.value(jo63, QStringLiteral("GEpoly")).toString(), kJO63Outline);
    EXPECT_TRUE(log.value(jo70, QStringLiteral("GEpoly")).isNull()); // another band

    // Confirmed and entity counters write nothing.
    log.exec(QStringLiteral("UPDATE logtab SET GEpoly = NULL"));
    runCounter(log.db(), Counter::SquaresConfirmed, QString(), QString());
    runCounter(log.db(), Counter::EntitiesWorked, QString(), QString());
    EXPECT_TRUE(log.value(jo62, QStringLiteral("GEpoly")).isNull());
}

TEST_F(WorkedCountersTest, AFailedUpdateLeavesEveryOutlineAsItWas)
{
    log.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF GEpoly ON logtab WHEN NEW.Grid = 'JO63QM'"
                            " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const CounterResult result = runCounter(log.db(), Counter::SquaresWorked, QStringLiteral("144%"), QString());
    EXPECT_EQ(result.outcome, CounterResult::Failed);
    EXPECT_TRUE(result.error.contains(QStringLiteral("refused"))) << result.error.toStdString();
    EXPECT_TRUE(log.value(jo62, QStringLiteral("GEpoly")).isNull()); // written before the failure, rolled back
}

} // namespace
} // namespace mivra::test
