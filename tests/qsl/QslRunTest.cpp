#include "QslRun.h"

#include "QslFormats.h"
#include "QslTestSupport.h"

#include <QSqlQuery>

namespace mivra::qsl::test {

namespace {

// Callsign and number of filled contact lines of each card printed.
std::vector<std::pair<QString, int>> cardShapes(const RecordingOutput& output)
{
    std::vector<std::pair<QString, int>> shapes;
    for (const CardFields& card : output.cards) {
        int lines = 0;
        for (int row = 1; row <= CardTemplate::kLines; ++row)
            lines += card.cell(0, row).isEmpty() ? 0 : 1;
        shapes.emplace_back(card.text(QStringLiteral("Cal")), lines);
    }
    return shapes;
}

class QslRunTest : public LogTest {
protected:
    RunResult run(const QString& letter)
    {
        CardPrinter printer(m_output, {assetsFolder()});
        QslRun run(m_log->database(), printer, QLocale(QLocale::English, QLocale::UnitedStates));
        return run.printCardsInState(letter, m_card);
    }
    RecordingOutput m_output;
    CardFields m_card;
};

struct GroupingCase {
    const char* name;
    std::vector<const char*> callsigns; // in the order stored
    std::vector<std::pair<QString, int>> cards;
};

class QslGroupingTest : public QslRunTest, public ::testing::WithParamInterface<GroupingCase> {};

TEST_P(QslGroupingTest, StationsShareCardsOfUpToFourLines)
{
    for (const char* callsign : GetParam().callsigns)
        addContact(QString::fromLatin1(callsign), QStringLiteral("Y"));
    const RunResult result = run(QStringLiteral("Y"));
    EXPECT_EQ(cardShapes(m_output), GetParam().cards);
    EXPECT_EQ(result.rowsRead, int(GetParam().callsigns.size()));
    EXPECT_EQ(rowsWithState(QStringLiteral("N")), int(GetParam().callsigns.size()));
    EXPECT_TRUE(result.messages.isEmpty()) << result.message().toStdString();
    // The card is left empty, with the greeting and heading of the run.
    EXPECT_TRUE(m_card.text(QStringLiteral("Cal")).isEmpty());
    EXPECT_TRUE(m_card.cell(0, 1).isEmpty());
    EXPECT_EQ(m_card.text(QStringLiteral("Label4")), QStringLiteral("PSE QSL"));
}

INSTANTIATE_TEST_SUITE_P(
    Cards, QslGroupingTest,
    ::testing::Values(GroupingCase{"ThreeAndOne", {"A1AA", "B1BB", "A1AA", "A1AA"}, {{"A1AA", 3}, {"B1BB", 1}}},
                      GroupingCase{"SixOfOne", {"C1CC", "C1CC", "C1CC", "C1CC", "C1CC", "C1CC"}, {{"C1CC", 4}, {"C1CC", 2}}},
                      GroupingCase{"SortedByCallsign", {"A1AA", "B1BB", "A1AA"}, {{"A1AA", 2}, {"B1BB", 1}}},
                      GroupingCase{"CaseCountsForTheCard", {"a1aa", "A1AA"}, {{"a1aa", 1}, {"A1AA", 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct TransitionCase {
    const char* letter;
    const char* after;
    const char* greeting;
    const char* heading;
};

class QslTransitionTest : public QslRunTest, public ::testing::WithParamInterface<TransitionCase> {};

TEST_P(QslTransitionTest, StateAdvancesInEitherCase)
{
    const QString letter = QString::fromLatin1(GetParam().letter);
    const qint64 upper = addContact(QStringLiteral("OK1ABC"), letter);
    const qint64 lower = addContact(QStringLiteral("OK1ABC"), letter.toLower());
    const qint64 other = addContact(QStringLiteral("OK1ABC"), QStringLiteral("X"));

    const RunResult result = run(letter);
    EXPECT_EQ(state(upper), QString::fromLatin1(GetParam().after));
    EXPECT_EQ(state(lower), QString::fromLatin1(GetParam().after)) << "selected, printed, advanced as its capital";
    EXPECT_EQ(state(other), QStringLiteral("X"));
    // The day each card went out stays with its contact, for QSL_SENT Y and QSLSDATE.
    QSqlQuery sent(m_log->database());
    ASSERT_TRUE(sent.exec(QStringLiteral("SELECT coalesce(QslSdate, '') FROM logtab ORDER BY ID")));
    QStringList days;
    while (sent.next())
        days << sent.value(0).toString();
    const QString today = QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate);
    EXPECT_EQ(days, (QStringList{today, today, QString()}));
    EXPECT_EQ(cardShapes(m_output), (std::vector<std::pair<QString, int>>{{QStringLiteral("OK1ABC"), 2}}));
    EXPECT_EQ(m_output.cards[0].text(QStringLiteral("Label4")), QString::fromLatin1(GetParam().greeting));
    EXPECT_EQ(m_output.cards[0].text(QStringLiteral("Label1")), QString::fromLatin1(GetParam().heading));
    EXPECT_EQ(result.rowsAdvanced, 2);
}

INSTANTIATE_TEST_SUITE_P(Letters, QslTransitionTest,
                         ::testing::Values(TransitionCase{"Y", "N", "PSE QSL", "Confirming 2-way QSO with:"},
                                           TransitionCase{"S", "D", "PSE QSL", "Confirming 2-way QSO with:"},
                                           TransitionCase{"T", "Q", "TNX QSL", "Confirming 2-way QSO with:"},
                                           TransitionCase{"B", "N", "PSE QSL", "Confirming heard Beacon:"}),
                         [](const auto& info) { return std::string(info.param.letter); });

TEST(QslFormats, ContactLineTexts)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    const std::vector<std::pair<QString, QString>> cases = {
        {formatBand(QStringLiteral("144"), english), QStringLiteral("    144")},
        {formatBand(QStringLiteral("10368"), english), QStringLiteral("    10,368")},
        {formatBand(QStringLiteral("10368"), german), QStringLiteral("    10.368")},
        {formatBand(QStringLiteral("144.3"), english), QStringLiteral("    144")},
        {formatBand(QStringLiteral("?"), english), QStringLiteral("?")},
        {formatDate(QStringLiteral("2026-05-01")), QStringLiteral(" 01.05.26")},
        {formatDate(QStringLiteral("01.05.1999")), QStringLiteral(" 01.05.99")},
        {formatTime(QStringLiteral("09:05")), QStringLiteral("  09: 05 ")},
        {formatTime(QStringLiteral("23:59:30")), QStringLiteral("  23: 59 ")},
        {prefixMode(QStringLiteral("SSB")), QStringLiteral("     SSB")},
        {valueText(482.0, english), QStringLiteral("482")},
        {valueText(1234.5, german), QStringLiteral("1234,5")},
        {valueText(QVariant(QMetaType(QMetaType::Double)), english), QString()},
    };
    for (const auto& [got, expected] : cases)
        EXPECT_EQ(got, expected);
}

TEST_F(QslRunTest, NoMatchingRowPrintsNothingAndChangesNothing)
{
    const qint64 id = addContact(QStringLiteral("OK1ABC"), QStringLiteral("N"));
    m_card.setCell(0, 1, QStringLiteral("typed"));
    const RunResult result = run(QStringLiteral("Y"));
    EXPECT_TRUE(m_output.cards.empty());
    EXPECT_EQ(state(id), QStringLiteral("N"));
    EXPECT_TRUE(result.messages.isEmpty());
    EXPECT_TRUE(m_card.cell(0, 1).isEmpty()) << "the run ends by emptying the cells";
}

// "Cancel Print" runs with no letter: the rows whose state is the empty text, kept as they are.
TEST_F(QslRunTest, CancelPrintPrintsRowsWithAnEmptyState)
{
    const qint64 empty = addContact(QStringLiteral("OK1ABC"), QStringLiteral(""));
    const qint64 other = addContact(QStringLiteral("SP2XYZ"), QStringLiteral("Y"));
    ASSERT_EQ(rowsWithState(QStringLiteral("")), 1);
    const RunResult result = run(QString());
    ASSERT_EQ(cardShapes(m_output), (std::vector<std::pair<QString, int>>{{QStringLiteral("OK1ABC"), 1}}));
    EXPECT_EQ(result.cardsPrinted, 1);
    EXPECT_EQ(state(empty), QStringLiteral(""));
    EXPECT_EQ(state(other), QStringLiteral("Y"));
}

TEST_F(QslRunTest, TypedTextStaysOnLinesTheRunDoesNotFill)
{
    addContact(QStringLiteral("OK1ABC"), QStringLiteral("Y"));
    m_card.setCell(1, 3, QStringLiteral("typed"));
    run(QStringLiteral("Y"));
    ASSERT_EQ(m_output.cards.size(), 1u);
    EXPECT_EQ(m_output.cards[0].cell(1, 3), QStringLiteral("typed"));
    EXPECT_EQ(m_output.cards[0].cell(0, 1), QStringLiteral(" 01.05.26"));
    EXPECT_EQ(m_output.cards[0].cell(5, 1), QStringLiteral("482"));
}

// More rows than one batch: every row on exactly one card and advanced once; a station at the
// batch boundary stays on the cards one pass would give it.
TEST_F(QslRunTest, LargeRunInBatches)
{
    QSqlDatabase db = m_log->database();
    db.transaction();
    for (int i = 0; i < 1100; ++i)
        addContact(QStringLiteral("C%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("Y"));
    for (int i = 0; i < 6; ++i)
        addContact(QStringLiteral("C0998"), QStringLiteral("Y"));
    db.commit();

    const RunResult result = run(QStringLiteral("Y"));
    EXPECT_EQ(result.rowsRead, 1106);
    EXPECT_EQ(rowsWithState(QStringLiteral("N")), 1106);
    EXPECT_EQ(m_output.cards.size(), 1101u) << "C0998 gives a card of four lines and one of three";
    int lines = 0;
    for (const auto& [callsign, filled] : cardShapes(m_output))
        lines += filled;
    EXPECT_EQ(lines, 1106);
}

TEST_F(QslRunTest, CardNotPrintedKeepsItsRowsAndIsNamed)
{
    const qint64 printed = addContact(QStringLiteral("A1AA"), QStringLiteral("Y"));
    const qint64 jammed = addContact(QStringLiteral("B1BB"), QStringLiteral("Y"));
    m_output.failFor << QStringLiteral("B1BB");
    const RunResult result = run(QStringLiteral("Y"));
    EXPECT_EQ(state(printed), QStringLiteral("N"));
    EXPECT_EQ(state(jammed), QStringLiteral("Y")) << "printed by the next run";
    EXPECT_EQ(result.notPrinted, QStringList{QStringLiteral("B1BB")});
    EXPECT_TRUE(result.message().contains(QStringLiteral("B1BB")));
    EXPECT_TRUE(result.message().contains(QStringLiteral("paper jam")));
}

TEST_F(QslRunTest, MissingBitmapsAreToldOncePerRun)
{
    addContact(QStringLiteral("A1AA"), QStringLiteral("Y"));
    addContact(QStringLiteral("B1BB"), QStringLiteral("Y"));
    CardPrinter printer(m_output, {m_dir.path()});
    QslRun qslRun(m_log->database(), printer);
    const RunResult result = qslRun.printCardsInState(QStringLiteral("Y"), m_card);
    EXPECT_EQ(m_output.cards.size(), 2u);
    EXPECT_EQ(m_output.withSign, (std::vector<bool>{false, false}));
    EXPECT_EQ(result.messages, QStringList{QStringLiteral("Sign.bmp and ClubSign.bmp cannot be read; the cards are printed without them.")});
}

TEST_F(QslRunTest, UnreadableLogPrintsNothing)
{
    const qint64 id = addContact(QStringLiteral("A1AA"), QStringLiteral("Y"));
    CardPrinter printer(m_output, {assetsFolder()});
    QslRun qslRun(QSqlDatabase(), printer);
    const RunResult result = qslRun.printCardsInState(QStringLiteral("Y"), m_card);
    EXPECT_EQ(result.messages, QStringList{QStringLiteral("No new Recorset available")});
    EXPECT_TRUE(m_output.cards.empty());
    EXPECT_EQ(state(id), QStringLiteral("Y"));
}

} // namespace

} // namespace mivra::qsl::test
