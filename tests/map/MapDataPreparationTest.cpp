#include "MapDataPreparation.h"
#include "TestLog.h"

namespace mivra::test {
namespace {

using map::prepareMapData;

const QString kOwnLocator = QStringLiteral("JO62QM");
const QString kOwnPoint = QStringLiteral("13.375,52.5208333333333"); // the centre of JO62QM

class MapDataPreparationTest : public ::testing::Test {
protected:
    qint64 add(const QVariant& grid, const QVariant& qrb, const QVariant& qtf, const QString& band = QStringLiteral("144"))
    {
        return log.add({{QStringLiteral("Grid"), grid}, {QStringLiteral("QRB"), qrb}, {QStringLiteral("QTF"), qtf},
                        {QStringLiteral("Band"), band}, {QStringLiteral("GMT"), QStringLiteral("09:05")},
                        {QStringLiteral("rsts"), QStringLiteral("59")}, {QStringLiteral("rstr"), QStringLiteral("57")},
                        {QStringLiteral("QSL"), QStringLiteral("Q")}, {QStringLiteral("Prop"), QStringLiteral("Tr")},
                        {QStringLiteral("Comment"), QStringLiteral("tnx")}});
    }
    QString description(qint64 id) const { return log.value(id, QStringLiteral("GEdata")).toString(); }
    QString point(qint64 id) const { return log.value(id, QStringLiteral("GEgridXY")).toString(); }

    TestLog log;
};

TEST_F(MapDataPreparationTest, EveryRowOfTheBandGetsItsDescriptionAndPoint)
{
    const qint64 own = add(QStringLiteral("JO62QM"), 99.0, 12.0);
    const qint64 square = add(QStringLiteral("JO62"), QVariant(), QVariant());
    const qint64 invalid = add(QStringLiteral("JO6"), 123.0, 45.0);
    const qint64 noQrb = add(QStringLiteral("XX"), QVariant(), QVariant()); // after a row with stored values
    const qint64 nullGrid = add(QVariant(), 5.0, 6.0);
    const qint64 otherBand = add(QStringLiteral("JO70"), 1.0, 2.0, QStringLiteral("432"));
    log.exec(QStringLiteral("UPDATE logtab SET Date = '03.02.2025' WHERE ID = %1").arg(square));
    log.exec(QStringLiteral("UPDATE logtab SET GMT = '7:05' WHERE ID = %1").arg(invalid)); // typed without its zero

    const auto result = prepareMapData(log.db(), QStringLiteral("144%"), kOwnLocator);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.rowCount, 5); // the NULL Grid row counts, the 432 row does not
    EXPECT_EQ(result.prepared, 4);

    EXPECT_EQ(description(own),
              QStringLiteral("Log: OK1AA 144 MHz  02.01.2026 09:05 rsts:59 rstr:57 QRB:0km  QTF:0 QSL: Q Prop:Tr tnx"));
    EXPECT_EQ(point(own), kOwnPoint);
    EXPECT_EQ(point(square), QStringLiteral("13,52.5")); // the centre of JO62
    EXPECT_TRUE(description(square).contains(QStringLiteral(" 144 MHz  03.02.2025 09:05 "))) << description(square).toStdString();
    // Invalid locators: the own point, the stored distance and heading; none stored, none described.
    EXPECT_EQ(point(invalid), kOwnPoint);
    EXPECT_TRUE(description(invalid).contains(QStringLiteral(" QRB:123km  QTF:45 QSL:")));
    EXPECT_TRUE(description(invalid).contains(QStringLiteral(" 07:05 rsts:"))) << description(invalid).toStdString();
    EXPECT_EQ(point(noQrb), kOwnPoint);
    EXPECT_TRUE(description(noQrb).contains(QStringLiteral(" QRB:km  QTF: QSL:"))) << description(noQrb).toStdString();
    EXPECT_TRUE(log.value(nullGrid, QStringLiteral("GEdata")).isNull());
    EXPECT_TRUE(log.value(otherBand, QStringLiteral("GEdata")).isNull());
    EXPECT_TRUE(log.value(own, QStringLiteral("GEpoly")).isNull()); // the squares counter writes outlines

    // The stored distance is kept; with no band pattern every row is prepared.
    EXPECT_EQ(log.value(own, QStringLiteral("QRB")).toDouble(), 99.0);
    const auto all = prepareMapData(log.db(), QString(), kOwnLocator);
    EXPECT_EQ(all.rowCount, 6);
    EXPECT_EQ(point(otherBand), QStringLiteral("15,50.5"));
}

// Progress counts the band's rows; a stop asked for part-way leaves every row as it was.
TEST_F(MapDataPreparationTest, ProgressAndCancel)
{
    log.db().transaction();
    for (int i = 0; i < 600; ++i)
        add(QStringLiteral("JO62QM"), 1.0, 2.0);
    add(QStringLiteral("JO70"), 1.0, 2.0, QStringLiteral("432"));
    log.db().commit();
    std::vector<std::pair<qint64, qint64>> reports;
    const auto done = prepareMapData(log.db(), QStringLiteral("144%"), kOwnLocator, [&](qint64 rows, qint64 total) {
        reports.emplace_back(rows, total);
        return true;
    });
    ASSERT_TRUE(done.ok);
    EXPECT_EQ(reports, (std::vector<std::pair<qint64, qint64>>{{0, 600}, {256, 600}, {512, 600}, {600, 600}}));

    log.exec(QStringLiteral("UPDATE logtab SET GEdata = NULL, GEgridXY = NULL"));
    const auto cancelled = prepareMapData(log.db(), QString(), kOwnLocator, [](qint64 rows, qint64) { return rows < 512; });
    EXPECT_FALSE(cancelled.ok);
    EXPECT_TRUE(cancelled.cancelled);
    QSqlQuery count(log.db());
    ASSERT_TRUE(count.exec(QStringLiteral("SELECT count(*) FROM logtab WHERE GEdata IS NOT NULL")) && count.next());
    EXPECT_EQ(count.value(0).toInt(), 0); // the rows before the stop rolled back too
}

TEST_F(MapDataPreparationTest, AnUnreadableLogChangesNothing)
{
    const qint64 row = add(QStringLiteral("JO62QM"), 1.0, 2.0);
    log.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF GEdata ON logtab BEGIN SELECT RAISE(ABORT, 'no'); END"));
    const auto refused = prepareMapData(log.db(), QString(), kOwnLocator);
    EXPECT_TRUE(refused.ok); // a row that cannot be updated is skipped
    EXPECT_EQ(refused.prepared, 0);
    EXPECT_TRUE(log.value(row, QStringLiteral("GEdata")).isNull());

    log.exec(QStringLiteral("ALTER TABLE logtab RENAME TO other"));
    const auto failed = prepareMapData(log.db(), QString(), kOwnLocator);
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.isEmpty());
}

} // namespace
} // namespace mivra::test
