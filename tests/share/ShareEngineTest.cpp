#include "PgTestServer.h"
#include "ServerSchema.h"
#include "ShareTestSupport.h"

#include <QElapsedTimer>

#include <thread>

namespace mivra {
namespace {

using share::ShareEngine;
using share::SyncReport;
using test::PgTestServer;
using test::TestPosition;

#define REQUIRE_SERVER(server) ASSERT_TRUE((server).isRunning()) << (server).error().toStdString()

// Syncs until a round moves nothing; the last round's report with the counts and losses of all.
SyncReport settle(ShareEngine& engine)
{
    SyncReport total;
    for (int round = 0; round < 10; ++round) {
        const SyncReport report = engine.sync();
        const QStringList lostBefore = total.lost;
        const int pushed = total.pushed + report.pushed;
        const int pulled = total.pulled + report.pulled;
        total = report;
        total.pushed = pushed;
        total.pulled = pulled;
        total.lost = lostBefore + report.lost;
        if (!report.reached || (report.pushed == 0 && report.pulled == 0))
            break;
    }
    return total;
}

qint64 serverCount(PgTestServer& server, const QString& database, const QString& where = u"NOT deleted"_qs)
{
    share::PgConnection connection;
    QString error;
    if (!connection.open(server.url(database), &error))
        return -1;
    const share::PgResult count = connection.exec(u"SELECT count(*) FROM mivra_contact WHERE "_qs + where);
    return count.ok() ? count.text(0, 0).toLongLong() : -1;
}

TEST(ShareServer, RefusesWhatIsNoSharedLogOfThisLayoutAndTheLogGoesOn)
{
    PgTestServer server;
    REQUIRE_SERVER(server);
    for (const char* name : {"empty", "other", "newer", "shared"})
        ASSERT_TRUE(server.createDatabase(QString::fromLatin1(name)));
    {
        share::PgConnection other;
        ASSERT_TRUE(other.open(server.url(u"other"_qs), nullptr));
        ASSERT_TRUE(other.run(u"CREATE TABLE members (call text)"_qs, {}, nullptr));
        share::PgConnection newer;
        ASSERT_TRUE(newer.open(server.url(u"newer"_qs), nullptr));
        QString error;
        ASSERT_TRUE(share::initServer(newer, &error)) << error.toStdString();
        ASSERT_TRUE(newer.run(u"UPDATE mivra_share_meta SET value = '99'"_qs, {}, nullptr));
        share::PgConnection shared;
        ASSERT_TRUE(shared.open(server.url(u"shared"_qs), nullptr));
        ASSERT_TRUE(share::initServer(shared, &error)) << error.toStdString();
        EXPECT_TRUE(share::initServer(shared, &error)) << "a second init changes nothing";
        EXPECT_FALSE(share::initServer(other, &error));
        EXPECT_TRUE(error.contains(u"other tables"_qs)) << error.toStdString();
        EXPECT_FALSE(share::initServer(newer, &error));
        EXPECT_TRUE(error.contains(u"Update Mivra"_qs)) << error.toStdString();
    }

    struct Case {
        const char* name;
        QString url;
        const char* expected;
    };
    const Case cases[] = {
        {"no server there", u"postgresql:///x?host=/nonexistent&user=mivra"_qs, "cannot be reached"},
        {"not a URL", u"postgresql://[broken"_qs, "cannot be reached"},
        {"wrong password", server.url(u"shared"_qs, u"wrong"_qs), "password authentication failed"},
        {"empty database", server.url(u"empty"_qs), "share-init"},
        {"other tables", server.url(u"other"_qs), "other tables"},
        {"newer layout", server.url(u"newer"_qs), "layout 99"},
    };
    TestPosition position(u"P144"_qs);
    int logged = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShareEngine engine(position.logPath(), c.url, u"P144"_qs);
        QString error;
        EXPECT_FALSE(engine.connect(&error));
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.expected))) << error.toStdString();
        const SyncReport report = engine.sync();
        EXPECT_FALSE(report.reached);
        EXPECT_FALSE(report.error.isEmpty());
        position.log(logged, 2);
        logged += 2;
        EXPECT_EQ(engine.queuedCount(), logged); // logged locally, waiting to be sent
    }
    ShareEngine engine(position.logPath(), server.url(u"shared"_qs), u"P144"_qs);
    const SyncReport report = settle(engine);
    EXPECT_TRUE(report.reached) << report.error.toStdString();
    EXPECT_EQ(report.queued, 0);
    EXPECT_EQ(serverCount(server, u"shared"_qs), logged);
}

// Three positions log at the same time, each syncing after every few contacts: all end with the
// same contacts, field for field, and so does the server.
TEST(ShareEngine, ThreePositionsLoggingAtOnceConverge)
{
    PgTestServer server;
    REQUIRE_SERVER(server);
    ASSERT_NO_FATAL_FAILURE(test::makeSharedLog(server));
    const QStringList names{u"P144"_qs, u"P432"_qs, u"P1296"_qs};
    std::vector<std::unique_ptr<TestPosition>> positions;
    for (const QString& name : names)
        positions.push_back(std::make_unique<TestPosition>(name));
    constexpr int kEach = 1000;
    std::vector<std::thread> threads;
    std::vector<QString> failures(positions.size());
    for (size_t p = 0; p < positions.size(); ++p) {
        threads.emplace_back([&, p] {
            ShareEngine engine(positions[p]->logPath(), server.url(u"club"_qs), names[p]);
            QString error;
            if (!engine.connect(&error))
                failures[p] = error;
            for (int batch = 0; batch < kEach / 25; ++batch) {
                positions[p]->log(batch * 25, 25, names[p].mid(1));
                const SyncReport report = engine.sync();
                if (!report.reached)
                    failures[p] = report.error;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const QString& failure : failures)
        EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();

    QElapsedTimer converging;
    converging.start();
    for (int round = 0; round < 2; ++round) {
        for (size_t p = 0; p < positions.size(); ++p) {
            ShareEngine engine(positions[p]->logPath(), server.url(u"club"_qs), names[p]);
            const SyncReport report = settle(engine);
            EXPECT_TRUE(report.reached) << report.error.toStdString();
            EXPECT_EQ(report.queued, 0);
            EXPECT_EQ(report.positions, 3);
            EXPECT_TRUE(report.lost.isEmpty()) << report.lost.join(u'\n').toStdString();
        }
    }
    std::cout << "converged in " << converging.elapsed() << " ms after the last save" << std::endl;
    EXPECT_LT(converging.elapsed(), 10000);

    const QStringList first = positions[0]->contacts();
    EXPECT_EQ(first.size(), 3 * kEach);
    EXPECT_EQ(positions[1]->contacts(), first);
    EXPECT_EQ(positions[2]->contacts(), first);
    EXPECT_EQ(serverCount(server, u"club"_qs), 3 * kEach);
    // Each contact keeps the position that logged it.
    for (size_t p = 0; p < positions.size(); ++p)
        EXPECT_EQ(
            positions[0]->value(QStringLiteral("SELECT count(*) FROM logtab WHERE Position = '%1' AND Band = '%2'")
                                    .arg(names[p], names[p].mid(1))),
            QString::number(kEach));
}

// The same contact edited at two positions while apart, and deleted at one while the other edits:
// the later change wins everywhere, and the position whose change lost is told.
TEST(ShareEngine, ChangesMadeApartConvergeAndTheLoserIsTold)
{
    PgTestServer server;
    REQUIRE_SERVER(server);
    ASSERT_NO_FATAL_FAILURE(test::makeSharedLog(server));
    TestPosition a(u"A"_qs);
    TestPosition b(u"B"_qs);
    ShareEngine atA(a.logPath(), server.url(u"club"_qs), u"A"_qs);
    ShareEngine atB(b.logPath(), server.url(u"club"_qs), u"B"_qs);
    a.log(0, 3);
    settle(atA);
    settle(atB);
    ASSERT_EQ(b.contacts(), a.contacts());
    const QString first = a.value(u"SELECT Uuid FROM logtab WHERE Callsign = 'OK0A'"_qs);
    const QString second = a.value(u"SELECT Uuid FROM logtab WHERE Callsign = 'OK1A'"_qs);

    // Apart: A imports a burst (thousands of changes in a moment) and edits both, then B edits the
    // first and deletes the second: later, however many changes A made before.
    a.log(100, 3000);
    a.exec(u"UPDATE logtab SET Comment = 'edited at A' WHERE Callsign IN ('OK0A', 'OK1A')"_qs);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    b.exec(u"UPDATE logtab SET Comment = 'edited at B', Grid = 'JO60' WHERE Callsign = 'OK0A'"_qs);
    b.exec(u"DELETE FROM logtab WHERE Callsign = 'OK1A'"_qs);
    // A sequential edit is no conflict: B edits the third after seeing it, A had not changed it.
    b.exec(u"UPDATE logtab SET Comment = 'only B' WHERE Callsign = 'OK2A'"_qs);

    const SyncReport pushedA = atA.sync();
    ASSERT_TRUE(pushedA.reached) << pushedA.error.toStdString();
    EXPECT_EQ(pushedA.pushed, 3002);
    const SyncReport atBReport = settle(atB);
    EXPECT_TRUE(atBReport.lost.isEmpty()) << atBReport.lost.join(u'\n').toStdString();
    const SyncReport atAReport = settle(atA);
    ASSERT_EQ(atAReport.lost.size(), 2) << atAReport.lost.join(u'\n').toStdString();
    EXPECT_TRUE(atAReport.lost.join(u'\n').contains(u"OK0A"_qs));
    EXPECT_TRUE(atAReport.lost.join(u'\n').contains(u"OK1A"_qs));
    EXPECT_TRUE(atAReport.lost[0].contains(u"at B"_qs)) << atAReport.lost[0].toStdString();

    EXPECT_EQ(a.contacts(), b.contacts());
    EXPECT_EQ(a.value(QStringLiteral("SELECT Comment || ' ' || Grid FROM logtab WHERE Uuid = '%1'").arg(first)),
              u"edited at B JO60"_qs);
    EXPECT_EQ(a.value(QStringLiteral("SELECT count(*) FROM logtab WHERE Uuid = '%1'").arg(second)), u"0"_qs);
    EXPECT_EQ(a.value(u"SELECT Comment FROM logtab WHERE Callsign = 'OK2A'"_qs), u"only B"_qs);
    EXPECT_EQ(serverCount(server, u"club"_qs), 3002);
    EXPECT_EQ(serverCount(server, u"club"_qs, u"deleted"_qs), 1);

    // A replay of what was sent changes nothing.
    a.exec(u"INSERT INTO share_outbox (uuid) SELECT uuid FROM share_stamp"_qs);
    const SyncReport replay = settle(atA);
    EXPECT_EQ(replay.pushed, 0);
    EXPECT_TRUE(replay.lost.isEmpty());
    EXPECT_EQ(a.contacts(), b.contacts());
}

// The whole contact travels: its own locator, confirmations, received frequency and the fields
// without a column; an edit of those fields alone travels too, and so does dropping them.
TEST(ShareEngine, TheWholeContactArrivesFieldForField)
{
    PgTestServer server;
    REQUIRE_SERVER(server);
    ASSERT_NO_FATAL_FAILURE(test::makeSharedLog(server));
    TestPosition a(u"A"_qs);
    TestPosition b(u"B"_qs);
    ShareEngine atA(a.logPath(), server.url(u"club"_qs), u"A"_qs);
    ShareEngine atB(b.logPath(), server.url(u"club"_qs), u"B"_qs);
    settle(atA);
    settle(atB);
    a.log(0, 2);
    a.exec(u"UPDATE logtab SET MyGrid = 'JN79FX', FreqRx = 432.1755, QslSdate = '2026-06-07', QslRdate = NULL,"
           " LotwRcvd = 'Y', LotwRdate = '2026-06-10', EqslRcvd = 'V', EqslRdate = '2026-06-11',"
           " rsts = '59', rstr = '57001', QSLman = 'OK1MGR' WHERE Callsign = 'OK0A'"_qs);
    a.exec(u"INSERT INTO logfields (ID, fields) SELECT ID, '<SIG:4>WWFF<SIG_INFO:9>OKFF-0001<APP_X_NOTE:5:S>a' || "
           u"char(9) || 'b' || char(10) || 'c'"
           " FROM logtab WHERE Callsign = 'OK0A'"_qs);
    settle(atA);
    settle(atB);
    const QStringList atB1 = b.contacts();
    ASSERT_EQ(atB1.size(), 2);
    EXPECT_EQ(atB1, a.contacts());
    EXPECT_EQ(b.value(u"SELECT MyGrid || LotwRcvd || LotwRdate || EqslRcvd || EqslRdate || FreqRx"
                      " FROM logtab WHERE Callsign = 'OK0A'"_qs),
              u"JN79FXY2026-06-10V2026-06-11432.1755"_qs);
    EXPECT_EQ(b.value(u"SELECT fields FROM logfields JOIN logtab USING (ID) WHERE Callsign = 'OK0A'"_qs),
              u"<SIG:4>WWFF<SIG_INFO:9>OKFF-0001<APP_X_NOTE:5:S>a\tb\nc"_qs);

    struct Case {
        const char* name;
        QString edit;
        QString expected;
    };
    const Case cases[] = {
        {"other fields edited alone", u"UPDATE logfields SET fields = '<SIG:4>POTA'"_qs, u"<SIG:4>POTA"_qs},
        {"other fields dropped", u"DELETE FROM logfields"_qs, QString()},
        {"other fields given to the second contact",
         u"INSERT INTO logfields (ID, fields) SELECT ID, '<CONTEST_ID:6>IARU-U' FROM logtab WHERE Callsign = 'OK1A'"_qs,
         QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        a.exec(c.edit);
        const SyncReport sent = settle(atA);
        EXPECT_EQ(sent.pushed, 1);
        EXPECT_EQ(settle(atB).pulled, 1);
        EXPECT_EQ(b.contacts(), a.contacts());
        EXPECT_EQ(b.value(u"SELECT fields FROM logfields JOIN logtab USING (ID) WHERE Callsign = 'OK0A'"_qs),
                  c.expected);
    }
    EXPECT_EQ(b.value(u"SELECT fields FROM logfields JOIN logtab USING (ID) WHERE Callsign = 'OK1A'"_qs),
              u"<CONTEST_ID:6>IARU-U"_qs);
    // Deleted with its contact at B, the fields go at A too.
    b.exec(u"DELETE FROM logtab WHERE Callsign = 'OK1A'"_qs);
    settle(atB);
    settle(atA);
    EXPECT_EQ(a.value(u"SELECT count(*) FROM logfields"_qs), u"0"_qs);
    EXPECT_EQ(b.contacts(), a.contacts());
}

// Two edits of one version, at positions whose names a language orders otherwise than bytes do: the
// server of an English-speaking club picks the winner the positions pick.
TEST(ShareEngine, TiesFallTheSameWayOnAServerOfAnyLanguage)
{
    PgTestServer server;
    REQUIRE_SERVER(server);
    ASSERT_NO_FATAL_FAILURE(
        test::makeSharedLog(server, u"TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE 'en' LOCALE 'C'"_qs));
    TestPosition a(u"a"_qs);
    TestPosition b(u"B"_qs);
    ShareEngine atA(a.logPath(), server.url(u"club"_qs), u"a"_qs);
    ShareEngine atB(b.logPath(), server.url(u"club"_qs), u"B"_qs);
    a.log(0, 1);
    settle(atA);
    settle(atB);
    // Both clocks at one value (ahead of the time), so the next change at each has the same one.
    for (const TestPosition* position : {&a, &b})
        position->exec(u"UPDATE share_state SET clock = 4000000000000000000"_qs);
    a.exec(u"UPDATE logtab SET Comment = 'edited at a'"_qs);
    b.exec(u"UPDATE logtab SET Comment = 'edited at B'"_qs);
    ASSERT_EQ(atA.sync().pushed, 1);
    settle(atB);
    settle(atA);
    EXPECT_EQ(a.contacts(), b.contacts());
    EXPECT_EQ(b.value(u"SELECT Comment FROM logtab"_qs), u"edited at a"_qs); // 'a' after 'B' in bytes
}

// The server stopped in the middle of a contest while two positions go on logging, then started.
TEST(ShareEngine, PositionsLoggingWhileTheServerIsAwayConvergeWhenItReturns)
{
    PgTestServer server;
    REQUIRE_SERVER(server);
    ASSERT_NO_FATAL_FAILURE(test::makeSharedLog(server));
    TestPosition a(u"A"_qs);
    TestPosition b(u"B"_qs);
    ShareEngine atA(a.logPath(), server.url(u"club"_qs), u"A"_qs);
    ShareEngine atB(b.logPath(), server.url(u"club"_qs), u"B"_qs);
    a.log(0, 10);
    b.log(0, 10);
    settle(atA);
    settle(atB);
    settle(atA);

    server.kill9();
    a.log(100, 17);
    b.log(100, 5);
    const SyncReport away = atA.sync();
    EXPECT_FALSE(away.reached);
    EXPECT_EQ(away.queued, 17);
    EXPECT_FALSE(atB.sync().reached);

    ASSERT_TRUE(server.start()) << server.error().toStdString();
    settle(atA);
    settle(atB);
    const SyncReport back = settle(atA);
    EXPECT_TRUE(back.reached) << back.error.toStdString();
    EXPECT_EQ(back.queued, 0);
    EXPECT_EQ(a.contacts().size(), 42);
    EXPECT_EQ(a.contacts(), b.contacts());
    EXPECT_EQ(serverCount(server, u"club"_qs), 42);
}

} // namespace
} // namespace mivra
