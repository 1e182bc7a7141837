#include "QslRun.h"

#include "QslTestSupport.h"

#include "QslStateChanges.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <cstdio>
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
        QslRun run(m_log->database(), printer, QLocale(QLocale::English, QLocale::UnitedStates),
                   std::move(stopRequested));
        return run.printCardsInState(QStringLiteral("Y"), m_card);
    }
    QString logPath() const { return m_log->path(); }
    // The rows in state N a start after a kill -9 at this moment would find: the log and the
    // pending file as they are, the file tied to the copy as it was to the log, opened anew.
    int advancedAfterAKill()
    {
        QTemporaryDir after;
        const QString copy = after.filePath(QStringLiteral("backup.sqlite"));
        EXPECT_TRUE(QFile::copy(logPath(), copy));
        QFile pending(PendingQslStates::pathFor(logPath()));
        if (pending.open(QIODevice::ReadOnly)) {
            const QByteArray lines = pending.readAll();
            QFile moved(PendingQslStates::pathFor(copy));
            EXPECT_TRUE(moved.open(QIODevice::WriteOnly));
            moved.write(PendingQslStates::headerFor(copy) + lines.mid(lines.indexOf('\n') + 1));
        }
        QString error;
        const auto reopened = LogDatabase::open(copy, QString(), &error);
        EXPECT_TRUE(reopened) << error.toStdString();
        QSqlQuery query(reopened->database());
        return query.exec(QStringLiteral("SELECT count(*) FROM logtab WHERE QSL = 'N'")) && query.next()
                   ? query.value(0).toInt()
                   : -1;
    }
    WatchingOutput m_output;
    CardFields m_card;
};

} // namespace

// Killed at any card, the next start finds exactly the rows of the cards before it advanced: the
// card being printed is the only one in doubt, although the log stores many cards at a time.
TEST_F(QslRunSafetyTest, AKillAtAnyCardLeavesAtMostThatCardInDoubt)
{
    for (int i = 0; i < 6; ++i)
        addContact(QStringLiteral("OK%1AA").arg(i), QStringLiteral("Y"));
    addContact(QStringLiteral("OK0AA"), QStringLiteral("Y"));
    std::vector<int> afterAKill;
    m_output.onCard = [&](const QString&) { afterAKill.push_back(advancedAfterAKill()); };
    const RunResult result = run();
    // OK0AA's card holds two rows.
    EXPECT_EQ(afterAKill, (std::vector<int>{0, 2, 3, 4, 5, 6}));
    EXPECT_EQ(rowsWithState(QStringLiteral("N")), 7);
    EXPECT_EQ(result.rowsAdvanced, 7);
    EXPECT_FALSE(result.stopped);
    EXPECT_FALSE(QFileInfo::exists(PendingQslStates::pathFor(logPath())));
}

// More cards than one commit takes: the log itself never holds a state ahead of its card, and
// holds fewer than the cards printed while a group is not stored yet.
TEST_F(QslRunSafetyTest, StatesAreStoredManyCardsAtATimeNeverAheadOfTheirCards)
{
    const int cards = QslRun::kCardsPerCommit + 30;
    for (int i = 0; i < cards; ++i)
        addContact(QStringLiteral("DL%1XY").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("Y"));
    int printed = 0;
    int behind = 0;
    bool ahead = false;
    m_output.onCard = [&](const QString&) {
        const int inLog = rowsWithState(QStringLiteral("N"));
        ahead = ahead || inLog > printed;
        behind += inLog < printed ? 1 : 0;
        ++printed;
    };
    const RunResult result = run();
    EXPECT_EQ(result.cardsPrinted, cards);
    EXPECT_FALSE(ahead);
    EXPECT_GT(behind, cards / 2);
    EXPECT_EQ(rowsWithState(QStringLiteral("N")), cards);
}

// What a killed run left is stored by the next opening of the log, only into rows that still hold
// the state the run read; a file tied to another log (a restore put it in place) is dropped unread,
// and a file a run is writing is left to it.
TEST_F(QslRunSafetyTest, TheNextOpeningStoresWhatAKilledRunLeft)
{
    const qint64 printed = addContact(QStringLiteral("OK1AB"), QStringLiteral("Y"));
    const qint64 editedSince = addContact(QStringLiteral("OK1CD"), QStringLiteral("T"));
    const qint64 thanks = addContact(QStringLiteral("OK1EF"), QStringLiteral("t"));
    {
        PendingQslStates pending(logPath());
        QString error;
        ASSERT_TRUE(pending.record(std::vector<QslStateChange>{{printed, u"Y"_qs, u"N"_qs}}, &error));
        ASSERT_TRUE(pending.record(
            std::vector<QslStateChange>{{editedSince, u"Y"_qs, u"N"_qs}, {thanks, u"t"_qs, u"N"_qs}}, &error));
        // While the run holds it, another opening leaves it.
        QString otherError;
        const auto other = LogDatabase::open(logPath(), QString(), &otherError);
        ASSERT_TRUE(other) << otherError.toStdString();
        EXPECT_EQ(state(printed), QStringLiteral("Y"));
    }
    ASSERT_TRUE(QFileInfo::exists(PendingQslStates::pathFor(logPath())));
    QString error;
    const auto reopened = LogDatabase::open(logPath(), QString(), &error);
    ASSERT_TRUE(reopened) << error.toStdString();
    EXPECT_EQ(state(printed), QStringLiteral("N"));
    EXPECT_EQ(state(editedSince), QStringLiteral("T"));
    EXPECT_EQ(state(thanks), QStringLiteral("N"));
    EXPECT_FALSE(QFileInfo::exists(PendingQslStates::pathFor(logPath())));

    // A file left for the log that was here before a restore.
    const qint64 later = addContact(QStringLiteral("OK1GH"), QStringLiteral("Y"));
    {
        PendingQslStates pending(logPath());
        ASSERT_TRUE(pending.record(std::vector<QslStateChange>{{later, u"Y"_qs, u"N"_qs}}, &error));
    }
    const QString replaced = logPath() + QStringLiteral(".copy");
    ASSERT_TRUE(QFile::copy(logPath(), replaced));
    ASSERT_TRUE(std::rename(QFile::encodeName(replaced).constData(), QFile::encodeName(logPath()).constData()) == 0);
    SqliteConnection db(logPath(), SqliteConnection::Mode::ReadWrite);
    ASSERT_TRUE(PendingQslStates::recover(db, logPath(), &error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(PendingQslStates::pathFor(logPath())));
    SqliteStatement query(db, QStringLiteral("SELECT QSL FROM logtab WHERE ID = %1").arg(later));
    ASSERT_TRUE(query.step());
    EXPECT_EQ(query.text(0), QStringLiteral("Y"));
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
