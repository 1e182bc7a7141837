#include "LogTestSupport.h"

#include <QRandomGenerator>
#include <QSqlError>

namespace mivra {
namespace {

// The lookup as the database answers it: the first pattern in stored order that the callsign
// matches with LIKE.
class SqlLookup {
public:
    explicit SqlLookup(const LogDatabase& log)
        : m_query(log.database())
    {
        m_query.setForwardOnly(true);
        EXPECT_TRUE(m_query.prepare(
            u"SELECT entity FROM dxccdata WHERE upper(substr(dxcccode, 1, 1)) IN (upper(substr(:call, 1, 1)), '%', '_')"
            " AND :call LIKE dxcccode ORDER BY rowid LIMIT 1"_qs));
    }
    QString operator()(const QString& call)
    {
        m_query.bindValue(u":call"_qs, call);
        if (!m_query.exec())
            return u"<error>"_qs;
        const QString entity = m_query.next() ? m_query.value(0).toString() : QString();
        m_query.finish();
        return entity;
    }

private:
    QSqlQuery m_query;
};

QString indexLookup(LogDatabase& log, const QString& call)
{
    const DxccResult result = log.findDxcc(call);
    return result.status == DxccStatus::Found ? result.entity : QString();
}

QString randomCall(QRandomGenerator& random)
{
    static const QString alphabet = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/abcdlk%_*Ä"_qs;
    QString call;
    const int length = 1 + random.bounded(9);
    for (int i = 0; i < length; ++i)
        call += alphabet[random.bounded(int(alphabet.size()))];
    return call;
}

TEST(DxccIndex, AgreesWithLikeOnUnusualPatterns)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    test::setDxccRows(*log, {{u"DL0ABC"_qs, u"exact"_qs},
                             {u"d_1%"_qs, u"one wildcard"_qs},
                             {u"%/P"_qs, u"portable"_qs},
                             {u"K%1%X"_qs, u"inner run"_qs},
                             {u"ÄB%"_qs, u"non-ASCII"_qs},
                             {u"äb%"_qs, u"other case non-ASCII"_qs},
                             {u"DL%%"_qs, u"double run"_qs},
                             {u"DL*"_qs, u"stored form"_qs},
                             {QString(), u"null pattern"_qs},
                             {u""_qs, u"empty pattern"_qs},
                             {u"D%"_qs, u"D"_qs},
                             {u"%"_qs, u"anything"_qs}});
    SqlLookup sql(*log);
    const QString calls[] = {u"DL0ABC"_qs, u"dl0abc"_qs, u"DL1ABC"_qs, u"DX1/P"_qs, u"k9a1zzx"_qs, u"K1X"_qs,
                             u"ÄB1"_qs,    u"äB1"_qs,    u"äb1"_qs,    u"DL*"_qs,   u""_qs,        u"D"_qs,
                             u"Q"_qs,      u"DL"_qs,     u"%"_qs,      u"_"_qs};
    for (const QString& call : calls)
        EXPECT_EQ(indexLookup(*log, call), sql(call)) << call.toStdString();
}

TEST(DxccIndex, AgreesWithTheDatabaseOnTheWholeTable)
{
    QTemporaryDir dir;
    QString error;
    auto log = LogDatabase::open(dir.filePath(u"backup.sqlite"_qs), test::kRealCtyCsv, &error);
    ASSERT_TRUE(log) << error.toStdString();
    ASSERT_TRUE(log->switchPatternsToRunningForm());

    // Every exact call and prefix of the table (every other prefix in lower case with a suffix),
    // then random calls.
    QStringList calls;
    for (const QString& pattern : test::column0(*log, u"SELECT dxcccode FROM dxccdata ORDER BY rowid"_qs)) {
        if (!pattern.endsWith(u'%'))
            calls << pattern;
        else if (calls.size() % 2)
            calls << pattern.chopped(1);
        else
            calls << pattern.chopped(1).toLower() + u"1A/P"_qs;
    }
    ASSERT_GT(calls.size(), 20000);
    QRandomGenerator random(1296);
    for (int i = 0; i < 3000; ++i)
        calls << randomCall(random);

    SqlLookup sql(*log);
    int differences = 0;
    int found = 0;
    for (const QString& call : std::as_const(calls)) {
        const QString expected = sql(call);
        const QString actual = indexLookup(*log, call);
        found += expected.isEmpty() ? 0 : 1;
        if (actual != expected && ++differences <= 10)
            ADD_FAILURE() << call.toStdString() << ": index " << actual.toStdString() << ", database "
                          << expected.toStdString();
    }
    EXPECT_EQ(differences, 0);
    EXPECT_GT(found, calls.size() / 2); // the comparison is not between two empty answers
}

TEST(DxccIndex, NumbersAndEntitiesOfTheTable)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    ASSERT_TRUE(log->switchPatternsToRunningForm());
    EXPECT_EQ(log->dxccNumber(u"DL Fed. Rep. of Germany"_qs), 230);
    EXPECT_EQ(log->dxccEntity(503), u"OK Czech Republic"_qs);
    EXPECT_EQ(log->dxccNumber(u"nowhere"_qs), 0);
    EXPECT_EQ(log->dxccEntity(999), QString());
}

} // namespace
} // namespace mivra
