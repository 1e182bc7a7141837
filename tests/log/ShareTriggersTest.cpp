#include "LogTestSupport.h"

#include <QRegularExpression>

namespace mivra {
namespace {

using test::column0;
using test::execAll;

QStringList outbox(const LogDatabase& log)
{
    return column0(log, u"SELECT uuid FROM share_outbox ORDER BY n"_qs);
}

QString stampOf(const LogDatabase& log, const QString& uuid)
{
    const QStringList stamps
        = column0(log, QStringLiteral("SELECT stamp || '/' || deleted FROM share_stamp WHERE uuid = '%1'").arg(uuid));
    return stamps.value(0);
}

// A log not shared gives its contacts identities but keeps no versions and queues nothing.
TEST(ShareTriggers, ALogNotSharedQueuesNothing)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    execAll(*log, {u"INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES ('2026-06-05', '1000', 'OK2A', '144')"_qs,
                   u"INSERT INTO logfields (ID, fields) SELECT ID, '<SIG:4>WWFF' FROM logtab"_qs,
                   u"UPDATE logtab SET Comment = 'x'"_qs});
    EXPECT_EQ(column0(*log, u"SELECT count(*) FROM logtab WHERE length(Uuid) = 36"_qs), QStringList{u"1"_qs});
    EXPECT_EQ(column0(*log, u"SELECT count(*) FROM share_stamp"_qs), QStringList{u"0"_qs});
    EXPECT_TRUE(outbox(*log).isEmpty());
}

// Every write to logtab, whoever makes it, is stamped and queued, except the map data and the pull's own.
TEST(ShareTriggers, EveryChangeOfAContactIsStampedAndQueued)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    execAll(*log,
            {u"UPDATE share_state SET position = 'P432'"_qs,
             u"INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES ('2026-06-06', '1200', 'OK1XY', '432')"_qs,
             u"INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES ('2026-06-06', '1201', 'DL1ABC', '144')"_qs});
    const QStringList uuids = column0(*log, u"SELECT Uuid FROM logtab ORDER BY ID"_qs);
    ASSERT_EQ(uuids.size(), 2);
    const QRegularExpression uuidForm(u"^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$"_qs);
    for (const QString& uuid : uuids)
        EXPECT_TRUE(uuidForm.match(uuid).hasMatch()) << uuid.toStdString();
    EXPECT_NE(uuids[0], uuids[1]);
    EXPECT_EQ(column0(*log, u"SELECT Position FROM logtab ORDER BY ID"_qs), (QStringList{u"P432"_qs, u"P432"_qs}));
    EXPECT_EQ(outbox(*log), uuids);
    const QString first = stampOf(*log, uuids[0]);
    EXPECT_TRUE(first.endsWith(u":P432/0"_qs)) << first.toStdString();
    EXPECT_LT(first, stampOf(*log, uuids[1])); // the clock only goes forward

    struct Case {
        const char* name;
        QString statement;
        bool queued;
    };
    const Case cases[] = {
        {"map data only", u"UPDATE logtab SET GEdata = 'x', GEgridXY = '1,2', GEpoly = 'p' WHERE ID = 1"_qs, false},
        {"nothing changed", u"UPDATE logtab SET Callsign = Callsign WHERE ID = 1"_qs, false},
        {"case only", u"UPDATE logtab SET Callsign = 'ok1xy' WHERE ID = 1"_qs, true},
        {"a number", u"UPDATE logtab SET Freq = 432.2 WHERE ID = 1"_qs, true},
        {"to NULL", u"UPDATE logtab SET Freq = NULL WHERE ID = 1"_qs, true},
        {"other fields added",
         u"INSERT INTO logfields (ID, fields) SELECT ID, '<SIG:4>WWFF' FROM logtab WHERE Callsign = 'OK1XY'"_qs, true},
        {"other fields changed", u"UPDATE logfields SET fields = '<SIG:4>POTA'"_qs, true},
        {"other fields the same", u"UPDATE logfields SET fields = fields"_qs, false},
        {"other fields dropped", u"DELETE FROM logfields"_qs, true},
        {"while the pull applies",
         u"UPDATE share_state SET applying = 1; UPDATE logtab SET Comment = 'remote' WHERE ID = 1;"
         " UPDATE share_state SET applying = 0"_qs,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        execAll(*log, {u"DELETE FROM share_outbox"_qs});
        const QString before = stampOf(*log, uuids[0]);
        execAll(*log, c.statement.split(u"; "_qs));
        EXPECT_EQ(outbox(*log), c.queued ? QStringList{uuids[0]} : QStringList{});
        if (c.queued)
            EXPECT_GT(stampOf(*log, uuids[0]), before);
        else
            EXPECT_EQ(stampOf(*log, uuids[0]), before);
    }

    // A delete leaves a tombstone; the contact put back with its identity lives again.
    execAll(*log, {u"DELETE FROM share_outbox"_qs, u"DELETE FROM logtab WHERE ID = 2"_qs});
    EXPECT_EQ(outbox(*log), QStringList{uuids[1]});
    EXPECT_TRUE(stampOf(*log, uuids[1]).endsWith(u"/1"_qs));
    execAll(*log, {QStringLiteral("INSERT INTO logtab (Date, Callsign, Uuid) VALUES ('2026-06-06', 'DL1ABC', '%1')")
                       .arg(uuids[1])});
    EXPECT_EQ(column0(*log, u"SELECT Uuid FROM logtab WHERE Callsign = 'DL1ABC'"_qs), QStringList{uuids[1]});
    EXPECT_TRUE(stampOf(*log, uuids[1]).endsWith(u"/0"_qs));

    // The same identity imported a second time becomes a contact of its own.
    execAll(*log, {QStringLiteral("INSERT INTO logtab (Date, Callsign, Uuid) VALUES ('2026-06-07', 'DL1ABC', '%1')")
                       .arg(uuids[1])});
    const QStringList both = column0(*log, u"SELECT Uuid FROM logtab WHERE Callsign = 'DL1ABC' ORDER BY ID"_qs);
    ASSERT_EQ(both.size(), 2);
    EXPECT_EQ(both[0], uuids[1]);
    EXPECT_NE(both[1], uuids[1]);
    EXPECT_FALSE(both[1].isEmpty());
}

} // namespace
} // namespace mivra
