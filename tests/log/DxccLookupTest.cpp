#include "LogTestSupport.h"

#include <QElapsedTimer>

#include <algorithm>

namespace mivra {
namespace {

using test::column0;
using test::setDxccRows;

class DxccLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_log = test::createSmallLog(m_dir);
        ASSERT_TRUE(m_log);
    }
    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

TEST_F(DxccLookup, FirstMatchingRowInStoredOrderWins)
{
    struct Case {
        const char* name;
        std::vector<std::pair<QString, QString>> rows;
        const char* callsign;
        DxccStatus status;
        const char* entity;
    };
    const Case cases[] = {
        {"DL% before D%", {{u"DL%"_qs, u"A"_qs}, {u"D%"_qs, u"B"_qs}}, "DL1XX", DxccStatus::Found, "A"},
        {"D% before DL%", {{u"D%"_qs, u"B"_qs}, {u"DL%"_qs, u"A"_qs}}, "DL1XX", DxccStatus::Found, "B"},
        {"lower case callsign", {{u"DL%"_qs, u"A"_qs}}, "dl1xx", DxccStatus::Found, "A"},
        {"lower case pattern", {{u"dl%"_qs, u"A"_qs}}, "DL1XX", DxccStatus::Found, "A"},
        {"exact pattern, same call", {{u"DL0ABC"_qs, u"E"_qs}}, "DL0ABC", DxccStatus::Found, "E"},
        {"exact pattern, longer call", {{u"DL0ABC"_qs, u"E"_qs}}, "DL0ABC/P", DxccStatus::NoMatch, ""},
        {"exact pattern, shorter call", {{u"DL0ABC"_qs, u"E"_qs}}, "DL0AB", DxccStatus::NoMatch, ""},
        {"pattern opening with %", {{u"%1XX"_qs, u"W"_qs}, {u"DL%"_qs, u"A"_qs}}, "DL1XX", DxccStatus::Found, "W"},
        {"pattern opening with _", {{u"_L%"_qs, u"W"_qs}, {u"DL%"_qs, u"A"_qs}}, "dl1XX", DxccStatus::Found, "W"},
        {"other initial never matches", {{u"EL%"_qs, u"W"_qs}, {u"DL%"_qs, u"A"_qs}}, "DL1XX", DxccStatus::Found, "A"},
        {"no pattern matches", {{u"DL%"_qs, u"A"_qs}}, "OK1XX", DxccStatus::NoMatch, ""},
        {"stored form does not match", {{u"DL*"_qs, u"A"_qs}}, "DL1XX", DxccStatus::NoMatch, ""},
        {"quote in callsign", {{u"DL%"_qs, u"A"_qs}}, "DL1'X", DxccStatus::Found, "A"},
        {"quote that closed the text", {{u"OK%"_qs, u"C"_qs}}, "X' OR 'a'='a", DxccStatus::NoMatch, ""},
        {"entity without value", {{u"DL%"_qs, QString()}}, "DL1XX", DxccStatus::Failed, ""},
        {"empty table", {}, "DL1XX", DxccStatus::NoMatch, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setDxccRows(*m_log, c.rows);
        const DxccResult result = m_log->findDxcc(QString::fromUtf8(c.callsign));
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.entity, QLatin1String(c.entity));
    }
}

TEST_F(DxccLookup, FailsWithoutTheTable)
{
    test::execAll(*m_log, {u"DROP TABLE dxccdata"_qs});
    m_log->reloadDxccPatterns();
    EXPECT_EQ(m_log->findDxcc(u"DL1XX"_qs).status, DxccStatus::Failed);
}

TEST_F(DxccLookup, MatchingPatternsInStoredFormSwitchToTheRunningForm)
{
    // Only a callsign ending in "*" can match a stored pattern; those rows change, others stay.
    setDxccRows(*m_log, {{u"DL*"_qs, u"A"_qs}, {u"D_*"_qs, u"B"_qs}, {u"OK*"_qs, u"C"_qs}});
    const DxccResult result = m_log->findDxcc(u"DL*"_qs);
    EXPECT_EQ(result.status, DxccStatus::Found);
    EXPECT_EQ(result.entity, u"A"_qs);
    EXPECT_EQ(column0(*m_log, u"SELECT dxcccode FROM dxccdata ORDER BY rowid"_qs),
              (QStringList{u"DL%"_qs, u"D_%"_qs, u"OK*"_qs}));
}

TEST_F(DxccLookup, PatternFormsSwitchTrailingWildcardsBothWays)
{
    setDxccRows(*m_log, {{u"DL0ABC"_qs, u"E"_qs}, {u"DL*"_qs, u"A"_qs}, {u"D*"_qs, u"B"_qs},
                         {u"K*1"_qs, u"M"_qs}, {u"OK%"_qs, u"C"_qs}});
    const QString patterns = u"SELECT dxcccode FROM dxccdata ORDER BY rowid"_qs;

    ASSERT_TRUE(m_log->switchPatternsToRunningForm());
    EXPECT_EQ(column0(*m_log, patterns),
              (QStringList{u"DL0ABC"_qs, u"DL%"_qs, u"D%"_qs, u"K*1"_qs, u"OK%"_qs}));
    EXPECT_EQ(m_log->findDxcc(u"DL1XX"_qs).entity, u"A"_qs);
    ASSERT_TRUE(m_log->switchPatternsToRunningForm()); // a second start finds nothing to switch
    EXPECT_EQ(column0(*m_log, patterns),
              (QStringList{u"DL0ABC"_qs, u"DL%"_qs, u"D%"_qs, u"K*1"_qs, u"OK%"_qs}));

    ASSERT_TRUE(m_log->switchPatternsToStoredForm());
    EXPECT_EQ(column0(*m_log, patterns),
              (QStringList{u"DL0ABC"_qs, u"DL*"_qs, u"D*"_qs, u"K*1"_qs, u"OK*"_qs}));
    EXPECT_EQ(m_log->findDxcc(u"DL1XX"_qs).status, DxccStatus::NoMatch);
}

TEST_F(DxccLookup, SwitchingPatternsOnAnEmptyTableIsHarmless)
{
    setDxccRows(*m_log, {});
    EXPECT_TRUE(m_log->switchPatternsToRunningForm());
    EXPECT_TRUE(m_log->switchPatternsToStoredForm());
    EXPECT_EQ(column0(*m_log, u"SELECT count(*) FROM dxccdata"_qs), QStringList{u"0"_qs});
}

// The table made from the real prefix file, shared by the tests below.
class RealDxccTable : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        QString error;
        s_log = LogDatabase::open(s_dir->filePath(u"backup.sqlite"_qs), test::kRealCtyCsv, &error).release();
        ASSERT_NE(s_log, nullptr) << error.toStdString();
        ASSERT_TRUE(s_log->switchPatternsToRunningForm());
    }
    static void TearDownTestSuite()
    {
        delete s_log;
        s_log = nullptr;
        delete s_dir;
        s_dir = nullptr;
    }
    static inline QTemporaryDir* s_dir = nullptr;
    static inline LogDatabase* s_log = nullptr;
};

TEST_F(RealDxccTable, RealCallsignsGetTheirEntities)
{
    struct Case {
        const char* callsign;
        const char* entity;
    };
    const Case cases[] = {
        {"DL1ABC", "DL Fed. Rep. of Germany"},
        {"G4ABC", "G England"},
        {"OK1ABC", "OK Czech Republic"},
        {"K1ABC", "K United States"},
        {"VK2ABC", "VK Australia"},
        {"JA1ABC", "JA Japan"},
        {"ok1abc", "OK Czech Republic"},
        {"7O/DL7ZM", "7O Yemen"},        // an exact call of the file
        {"DL/OK1ABC", "DL Fed. Rep. of Germany"}, // portable in Germany
        {"OK1ABC/P", "OK Czech Republic"},
        {"GM4ABC", "GM Scotland"},     // the longer prefix wins over G
        {"KH6ABC", "KH6 Hawaii"},
        {"KH6/DL1ABC", "KH6 Hawaii"},
        // Calls of WAE-only entities fall to their DXCC entity.
        {"IT9ABC", "I Italy"},
        {"4U1VIC", "OE Austria"},
        {"GM0ABC", "GM Scotland"},
    };
    for (const Case& c : cases) {
        const DxccResult result = s_log->findDxcc(QLatin1String(c.callsign));
        EXPECT_EQ(result.status, DxccStatus::Found) << c.callsign;
        EXPECT_EQ(result.entity, QLatin1String(c.entity)) << c.callsign;
    }
    EXPECT_EQ(s_log->findDxcc(u"Q1ABC"_qs).status, DxccStatus::NoMatch);
}

TEST_F(RealDxccTable, OneLookupTakesLessThanFiveMilliseconds)
{
    const QString calls[] = {u"DL1ABC"_qs, u"G4ABC"_qs, u"K1ABC"_qs, u"VK2ABC"_qs, u"Q1ABC"_qs};
    std::vector<qint64> nanoseconds;
    for (int round = 0; round < 20; ++round) {
        for (const QString& call : calls) {
            QElapsedTimer timer;
            timer.start();
            const DxccResult result = s_log->findDxcc(call);
            nanoseconds.push_back(timer.nsecsElapsed());
            ASSERT_NE(result.status, DxccStatus::Failed);
        }
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const qint64 median = nanoseconds[nanoseconds.size() / 2];
    RecordProperty("median_ns", std::to_string(median));
    EXPECT_LT(median, 5'000'000) << "median " << median << " ns";
}

} // namespace
} // namespace mivra
