#include "RowFeed.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <string_view>
#include <thread>
#include <vector>

namespace mivra {
namespace {

// A statement over 10,000 rows, handed over in batches by another thread.
class RowFeedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(sqlite3_open(":memory:", &m_db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(m_db,
                               "CREATE TABLE t (a INTEGER, b TEXT, c REAL);"
                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000)"
                               " INSERT INTO t SELECT i, CASE WHEN i % 2 THEN ' 12.5 ' ELSE 'Jiří' END,"
                               " CASE WHEN i % 3 THEN 176 ELSE NULL END FROM n;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(m_db); }
    sqlite3_stmt* prepare(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr), SQLITE_OK);
        return statement;
    }
    sqlite3* m_db = nullptr;
};

TEST_F(RowFeedTest, EveryRowWithItsValuesThenStopsOrFailsWhereAsked)
{
    sqlite3_stmt* all = prepare("SELECT a, b, c FROM t ORDER BY a");
    qint64 sum = 0;
    int rows = 0;
    QString error;
    ASSERT_TRUE(RowFeed::read(
        all,
        [&](const RowFeed::Batch& batch, int row) {
            const qint64 a = batch.integer(row, 0);
            sum += a;
            ++rows;
            EXPECT_EQ(batch.text(row, 1), a % 2 ? u" 12.5 "_qs : u"Jiří"_qs);
            EXPECT_EQ(batch.number(row, 1), a % 2 ? std::optional<double>(12.5) : std::nullopt);
            EXPECT_EQ(batch.text(row, 2), a % 3 ? u"176.0"_qs : QString());
            EXPECT_EQ(batch.number(row, 2), a % 3 ? std::optional<double>(176) : std::nullopt);
            return true;
        },
        &error))
        << error.toStdString();
    EXPECT_EQ(rows, 10000);
    EXPECT_EQ(sum, qint64(10000) * 10001 / 2);
    sqlite3_finalize(all);

    // Stopped after 3,000 rows, with more batches on their way.
    sqlite3_stmt* some = prepare("SELECT a, b, c FROM t");
    rows = 0;
    EXPECT_TRUE(RowFeed::read(some, [&](const RowFeed::Batch&, int) { return ++rows < 3000; }, &error));
    EXPECT_EQ(rows, 3000);
    sqlite3_finalize(some);

    // SQLite fails at row 5,000: the rows before it came, then the error.
    sqlite3_stmt* failing = prepare("SELECT CASE WHEN a = 5000 THEN abs(-9223372036854775807 - 1) ELSE a END FROM t");
    rows = 0;
    EXPECT_FALSE(RowFeed::read(failing, [&](const RowFeed::Batch&, int) { return ++rows > 0; }, &error));
    EXPECT_EQ(rows, 4999);
    EXPECT_EQ(error, u"integer overflow"_qs);
    sqlite3_finalize(failing);
}

// Batches are handed over in the order they were stepped: rows come as the statement gives them,
// across every batch.
TEST_F(RowFeedTest, RowsComeInTheStatementsOrderAcrossBatches)
{
    for (const char* sql : {"SELECT a FROM t ORDER BY a", "SELECT a FROM t ORDER BY a DESC"}) {
        SCOPED_TRACE(sql);
        sqlite3_stmt* statement = prepare(sql);
        std::vector<qint64> seen;
        QString error;
        ASSERT_TRUE(RowFeed::read(
            statement,
            [&](const RowFeed::Batch& batch, int row) {
                seen.push_back(batch.integer(row, 0));
                return true;
            },
            &error));
        sqlite3_finalize(statement);
        ASSERT_EQ(seen.size(), 10000u);
        const bool ascending = std::string_view(sql).ends_with("a");
        for (std::size_t i = 0; i < seen.size(); ++i)
            ASSERT_EQ(seen[i], ascending ? qint64(i + 1) : qint64(10000 - i)) << "row " << i;
    }
}


// quiet runs with the stepping held still, so it may use the connection: a row function that
// marks when SQLite is inside a step never finds quiet running beside it, and quiet's own
// statement on the connection reads right.
TEST_F(RowFeedTest, QuietNeverRunsBesideAStep)
{
    static std::atomic<int> inStep{0};
    const auto slowRow = [](sqlite3_context* context, int, sqlite3_value** values) {
        ++inStep;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        sqlite3_result_value(context, values[0]);
        --inStep;
    };
    ASSERT_EQ(sqlite3_create_function(m_db, "slow_row", 1, SQLITE_UTF8, nullptr, slowRow, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_stmt* statement = prepare("SELECT slow_row(a) FROM t");
    int rows = 0;
    int quiets = 0;
    int besideAStep = 0;
    QString error;
    ASSERT_TRUE(RowFeed::read(
        statement, [&](const RowFeed::Batch&, int) { return ++rows > 0; }, &error,
        [&] {
            ++quiets;
            besideAStep += inStep.load() > 0;
            sqlite3_stmt* count = prepare("SELECT count(*) FROM t");
            EXPECT_EQ(sqlite3_step(count), SQLITE_ROW);
            EXPECT_EQ(sqlite3_column_int(count, 0), 10000);
            sqlite3_finalize(count);
            besideAStep += inStep.load() > 0;
        }));
    sqlite3_finalize(statement);
    EXPECT_EQ(rows, 10000);
    EXPECT_EQ(quiets, 10);
    EXPECT_EQ(besideAStep, 0);
}

} // namespace
} // namespace mivra
