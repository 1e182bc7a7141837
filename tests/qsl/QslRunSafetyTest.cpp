#include "QslRun.h"

#include "QslTestSupport.h"

#include <functional>

namespace mivra::qsl::test {

namespace {

// Records cards and, at each one, calls onCard before it "comes out".
class WatchingOutput : public RecordingOutput {
public:
    bool printCard(const CardFields& card, const CardImages& images, const QString& callsign, QString* error) override
    {
        if (onCard)
            onCard(callsign);
        return RecordingOutput::printCard(card, images, callsign, error);
    }
    std::function<void(const QString& callsign)> onCard;
};

class QslRunSafetyTest : public LogTest {
protected:
    RunResult run(std::function<bool()> stopRequested = {})
    {
        CardPrinter printer(m_output, {assetsFolder()});
        QslRun run(m_log->database(), printer, QLocale(QLocale::English, QLocale::UnitedStates), std::move(stopRequested));
        return run.printCardsInState(QStringLiteral("Y"), m_card);
    }
    WatchingOutput m_output;
    CardFields m_card;
};

} // namespace

TEST_F(QslRunSafetyTest, RowsAdvanceOnlyAfterTheirOwnCard)
{
    for (int i = 0; i < 6; ++i)
        addContact(QStringLiteral("OK%1AA").arg(i), QStringLiteral("Y"));
    addContact(QStringLiteral("OK0AA"), QStringLiteral("Y"));
    std::vector<int> advancedAtCard;
    m_output.onCard = [&](const QString&) { advancedAtCard.push_back(rowsWithState(QStringLiteral("N"))); };
    const RunResult result = run();
    // At each card, exactly the rows of the cards before it have advanced: OK0AA's card holds two rows.
    EXPECT_EQ(advancedAtCard, (std::vector<int>{0, 2, 3, 4, 5, 6}));
    EXPECT_EQ(rowsWithState(QStringLiteral("N")), 7);
    EXPECT_EQ(result.rowsAdvanced, 7);
    EXPECT_FALSE(result.stopped);
}

TEST_F(QslRunSafetyTest, AStopRequestEndsTheRunAfterTheCurrentCard)
{
    std::vector<qint64> ids;
    for (int i = 0; i < 5; ++i)
        ids.push_back(addContact(QStringLiteral("DL%1AB").arg(i), QStringLiteral("Y")));
    int asked = 0;
    const RunResult result = run([&] { return ++asked == 2; });
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.cardsPrinted, 2);
    EXPECT_EQ(m_output.cards.size(), 2u);
    for (std::size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(state(ids[i]), i < 2 ? QStringLiteral("N") : QStringLiteral("Y")) << i;
    EXPECT_EQ(result.rowsAdvanced, 2);
}

TEST_F(QslRunSafetyTest, ACardThatFailsLeavesItsRowsAndTheRunGoesOn)
{
    const qint64 first = addContact(QStringLiteral("A1AA"), QStringLiteral("Y"));
    const qint64 jammed = addContact(QStringLiteral("B1BB"), QStringLiteral("Y"));
    const qint64 last = addContact(QStringLiteral("C1CC"), QStringLiteral("Y"));
    m_output.failFor << QStringLiteral("B1BB");
    const RunResult result = run();
    EXPECT_EQ(state(first), QStringLiteral("N"));
    EXPECT_EQ(state(jammed), QStringLiteral("Y"));
    EXPECT_EQ(state(last), QStringLiteral("N"));
    EXPECT_EQ(result.notPrinted, QStringList{QStringLiteral("B1BB")});
}

} // namespace mivra::qsl::test
