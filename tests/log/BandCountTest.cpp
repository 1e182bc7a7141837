#include "LogTestSupport.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

namespace mivra {
namespace {

// The count of a band as the rows themselves give it.
int rowsOfBand(const LogDatabase& log, const QString& pattern)
{
    QSqlQuery query(log.database());
    if (pattern.isEmpty())
        query.prepare(u"SELECT count(*) FROM logtab"_qs);
    else {
        query.prepare(u"SELECT count(*) FROM logtab WHERE Band LIKE ?"_qs);
        query.addBindValue(pattern);
    }
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

const QString kPatterns[] = {QString(), u"144%"_qs, u"1296%"_qs, u"13cm%"_qs, u"432%"_qs, u"50%"_qs};

void expectCountsAsRows(const LogDatabase& log)
{
    for (const QString& pattern : kPatterns)
        EXPECT_EQ(log.countLogView(pattern), rowsOfBand(log, pattern)) << pattern.toStdString();
}

// Inserts, deletes and band changes (also of case only, to and from no band) in committed and in
// rolled-back transactions: the kept count of every band stays the count of its rows.
TEST(BandCount, KeptCountsFollowEveryWrite)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    QSqlDatabase db = log->database();
    const QVariant bands[] = {u"144"_qs, u"1296"_qs, u"13cm"_qs, u"13CM"_qs, u"432"_qs, QVariant()};
    QRandomGenerator random(29);
    auto band = [&] { return bands[random.bounded(int(std::size(bands)))]; };
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(db.transaction());
        QSqlQuery query(db);
        for (int i = 0; i < 20; ++i) {
            switch (random.bounded(5)) {
            case 0:
            case 1:
            case 2:
                ASSERT_TRUE(
                    query.prepare(u"INSERT INTO logtab (Date, Callsign, Band) VALUES ('2024-01-01', 'DL1A', ?)"_qs));
                query.addBindValue(band());
                break;
            case 3:
                ASSERT_TRUE(query.prepare(
                    u"DELETE FROM logtab WHERE ID = (SELECT ID FROM logtab ORDER BY random() LIMIT 1)"_qs));
                break;
            default:
                ASSERT_TRUE(query.prepare(
                    u"UPDATE logtab SET Band = ? WHERE ID IN (SELECT ID FROM logtab ORDER BY random() LIMIT 3)"_qs));
                query.addBindValue(band());
            }
            ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
        }
        if (round % 4 == 3)
            ASSERT_TRUE(db.rollback());
        else
            ASSERT_TRUE(db.commit());
        expectCountsAsRows(*log);
    }
    EXPECT_GT(rowsOfBand(*log, QString()), 100);
}

// A log without the kept counts (an earlier version, or a program that dropped them) gets them at
// open, filled from its rows; until then counts come from the rows.
TEST(BandCount, ALogWithoutThemGetsThemAtOpen)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    test::execAll(*log, {u"INSERT INTO logtab (Date, Callsign, Band) VALUES ('2024-01-01', 'DL1A', '144')"_qs,
                         u"INSERT INTO logtab (Date, Callsign, Band) VALUES ('2024-01-01', 'DL1B', '144')"_qs,
                         u"INSERT INTO logtab (Date, Callsign, Band) VALUES ('2024-01-01', 'DL1C', '432')"_qs,
                         u"DROP TRIGGER logtab_count_insert"_qs, u"DROP TRIGGER logtab_count_delete"_qs,
                         u"DROP TRIGGER logtab_count_band"_qs, u"DROP TABLE bandcounts"_qs,
                         u"INSERT INTO logtab (Date, Callsign, Band) VALUES ('2024-01-02', 'DL1D', '1296')"_qs});
    EXPECT_EQ(log->countLogView(u"1296%"_qs), 1);
    const QString path = log->path();
    QString error;
    log.reset();
    log = LogDatabase::open(path, QString(), &error);
    ASSERT_TRUE(log) << error.toStdString();
    EXPECT_EQ(test::column0(*log, u"SELECT band || ':' || contacts FROM bandcounts ORDER BY band"_qs),
              (QStringList{u"1296:1"_qs, u"144:2"_qs, u"432:1"_qs}));

    // One trigger missing: the counts it did not keep are made anew from the rows.
    test::execAll(*log, {u"DROP TRIGGER logtab_count_delete"_qs, u"DELETE FROM logtab WHERE Callsign = 'DL1D'"_qs});
    log.reset();
    log = LogDatabase::open(path, QString(), &error);
    ASSERT_TRUE(log) << error.toStdString();
    EXPECT_EQ(log->countLogView(u"1296%"_qs), 0);
    test::execAll(*log, {u"DELETE FROM logtab WHERE Callsign = 'DL1A'"_qs});
    EXPECT_EQ(log->countLogView(u"144%"_qs), 1);
    expectCountsAsRows(*log);
}

} // namespace
} // namespace mivra
