#include "DistanceRecompute.h"
#include "ContactGeometry.h"
#include "LogTestSupport.h"
#include "Utf16View.h"

#include <QSqlQuery>

namespace mivra {
namespace {

using test::createSmallLog;
using test::execAll;

// "Grid QRB QTF" of every row by ID; NULL as "-".
QStringList distances(const LogDatabase& log)
{
    QSqlQuery query(log.database());
    QStringList rows;
    EXPECT_TRUE(query.exec(QStringLiteral("SELECT Grid, QRB, QTF FROM logtab ORDER BY ID")));
    while (query.next()) {
        QStringList row{query.value(0).toString()};
        for (int column : {1, 2})
            row << (query.value(column).isNull() ? QStringLiteral("-") : query.value(column).toString());
        rows << row.join(u' ');
    }
    return rows;
}

class DistanceRecompute : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_log = createSmallLog(m_dir);
        ASSERT_TRUE(m_log);
        // Stored from the south-west corners, a row already right, rows without a usable locator.
        const auto right = geo::contactQrbQtf(u"JO62QM", u"JO70FD");
        ASSERT_TRUE(right);
        execAll(
            *m_log,
            {QStringLiteral("INSERT INTO logtab (Date, Callsign, Grid, QRB, QTF) VALUES ('2026-06-06', 'A', 'JO70', "
                            "260, 160), ('2026-06-06', 'B', 'jo70fd', %1, %2), ('2026-06-06', 'C', '', 5, 5), "
                            "('2026-06-06', 'D', 'JO6', NULL, NULL), ('2026-06-06', 'E', 'IO91WM', 900, 271)")
                 .arg(right->qrbKm)
                 .arg(right->qtfDeg),
             // Made from a locator of their own; one whose own locator names no square.
             QStringLiteral("INSERT INTO logtab (Date, Callsign, Grid, QRB, QTF, MyGrid) VALUES "
                            "('2026-06-07', 'F', 'JO70', 1, 1, 'jn79fx'), ('2026-06-07', 'G', 'JO70', 7, 7, 'XX')")});
    }

    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

TEST_F(DistanceRecompute, EveryContactFromTheCentresInOneGo)
{
    const auto jo70 = geo::contactQrbQtf(u"JO62QM", u"JO70");
    const auto io91 = geo::contactQrbQtf(u"JO62QM", u"IO91WM");
    const auto right = geo::contactQrbQtf(u"JO62QM", u"JO70FD");
    const auto fromOwn = geo::contactQrbQtf(u"JN79FX", u"JO70");
    ASSERT_TRUE(jo70 && io91 && right && fromOwn);
    EXPECT_NEAR(jo70->qrbKm, 251, 1);
    EXPECT_NEAR(jo70->qtfDeg, 153, 1);

    std::vector<std::pair<qint64, qint64>> told;
    const RecomputeResult result
        = recomputeDistances(m_log->database(), QStringLiteral("JO62QM"), [&told](qint64 done, qint64 total) {
              told.emplace_back(done, total);
              return true;
          });
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.rows, 7);
    EXPECT_EQ(result.changed, 4); // JO70, the empty locator's figures, IO91WM, JO70 from JN79FX
    EXPECT_EQ(result.unplaced, 1);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.front(), std::make_pair(qint64(0), qint64(7)));
    EXPECT_EQ(told.back(), std::make_pair(qint64(7), qint64(7)));
    const QString number = QStringLiteral("%1 %2");
    EXPECT_EQ(distances(*m_log), QStringList({QStringLiteral("JO70 ") + number.arg(jo70->qrbKm).arg(jo70->qtfDeg),
                                              QStringLiteral("jo70fd ") + number.arg(right->qrbKm).arg(right->qtfDeg),
                                              QStringLiteral(" - -"), QStringLiteral("JO6 - -"),
                                              QStringLiteral("IO91WM ") + number.arg(io91->qrbKm).arg(io91->qtfDeg),
                                              QStringLiteral("JO70 ") + number.arg(fromOwn->qrbKm).arg(fromOwn->qtfDeg),
                                              QStringLiteral("JO70 7 7")}));

    // Again: nothing left to change.
    const RecomputeResult again = recomputeDistances(m_log->database(), QStringLiteral("JO62QM"));
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.changed, 0);
}

TEST_F(DistanceRecompute, WithoutASettingsLocatorOnlyContactsWithTheirOwnChange)
{
    const QStringList before = distances(*m_log);
    const RecomputeResult result = recomputeDistances(m_log->database(), QString());
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.changed, 1);
    EXPECT_EQ(result.unplaced, 6);
    const QStringList after = distances(*m_log);
    ASSERT_EQ(after.size(), before.size());
    for (int row = 0; row < after.size(); ++row) {
        if (row != 5) {
            EXPECT_EQ(after[row], before[row]) << row;
        }
    }
    EXPECT_NE(after[5], before[5]);
}

TEST_F(DistanceRecompute, ACancelOrAFailureChangesNothing)
{
    const QStringList before = distances(*m_log);
    const RecomputeResult cancelled = recomputeDistances(m_log->database(), QStringLiteral("JO62QM"),
                                                         [](qint64 done, qint64) { return done == 0 ? false : true; });
    EXPECT_FALSE(cancelled.ok);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(distances(*m_log), before);

    // A log whose rows cannot be written: the first failing update rolls every one back.
    execAll(*m_log, {QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF QRB ON logtab WHEN NEW.Grid = 'IO91WM' "
                                    "BEGIN SELECT RAISE(ABORT, 'refused here'); END")});
    const RecomputeResult failed = recomputeDistances(m_log->database(), QStringLiteral("JO62QM"));
    EXPECT_FALSE(failed.ok);
    EXPECT_TRUE(failed.error.contains(QLatin1String("refused here"))) << failed.error.toStdString();
    EXPECT_EQ(distances(*m_log), before);
    EXPECT_FALSE(m_log->isWriting());
}

} // namespace
} // namespace mivra
