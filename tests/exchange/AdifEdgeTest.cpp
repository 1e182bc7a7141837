#include "ExchangeTestSupport.h"

#include "AdifExport.h"
#include "AdifImport.h"

namespace mivra {
namespace {

// Lengths written with spaces around the figure (some loggers do), and a last record that ends
// without <EOR>: read as any other, and imported.
TEST(AdifEdges, SpacedLengthsAndALastRecordWithoutEor)
{
    const QByteArray file = "<ADIF_VER: 5 >3.1.4 <EOH>\n"
                            "<CALL: 4 >DL1A<QSO_DATE:8 >20260606<TIME_ON: 4>1405<BAND:3:S>70cm <MODE:2>FM<EOR>\n"
                            "<CALL:5>OK1KZ<QSO_DATE:8>20260606<TIME_ON:4>1406<BAND:2>2m<MODE:3>SSB\n";
    const std::vector<adif::AdifRecord> records = adif::readAdif(file);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].value("CALL"), u"DL1A"_qs);
    EXPECT_EQ(records[0].value("QSO_DATE"), u"20260606"_qs);
    EXPECT_EQ(records[0].value("TIME_ON"), u"1405"_qs);
    EXPECT_EQ(records[0].value("BAND"), u"70c"_qs);
    EXPECT_FALSE(records[0].cut);
    EXPECT_EQ(records[1].value("CALL"), u"OK1KZ"_qs);
    EXPECT_EQ(records[1].value("MODE"), u"SSB"_qs);
    EXPECT_FALSE(records[1].cut) << "a last record without <EOR> is whole";

    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    const QByteArray importable = QByteArray(file).replace("<BAND:3:S>70cm ", "<BAND: 4 >70cm");
    const AdifImportResult result = importAdif(*log, importable, {u"DL7ABC"_qs, u"JO62QM"_qs});
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.imported, 2) << result.summary().toStdString();
    EXPECT_EQ(test::column0(*log, u"SELECT Callsign || ' ' || Band || ' ' || mode FROM logtab ORDER BY ID"_qs),
              QStringList({u"DL1A 432 FM"_qs, u"OK1KZ 144 SSB"_qs}));

    // The file ends inside a value of its last record: that record is refused, the one before kept.
    QTemporaryDir cutDir;
    auto cutLog = test::createSmallLog(cutDir);
    ASSERT_TRUE(cutLog);
    const AdifImportResult cut = importAdif(*cutLog, importable + "<COMMENT:20>cut", {});
    ASSERT_TRUE(cut.ok) << cut.error.toStdString();
    EXPECT_EQ(cut.imported, 1);
    ASSERT_EQ(cut.refusals.size(), 1);
    EXPECT_TRUE(cut.refusals[0].contains(u"ends inside this record"_qs)) << cut.refusals[0].toStdString();
}

// An export of more rows than one hand-over of the row feed (1,024) writes them in time order,
// whatever order they were stored in.
TEST(AdifEdges, AnExportOfManyBatchesIsInTimeOrder)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    // 3,000 contacts stored newest first, a minute apart.
    test::execAll(*log, {u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 2999)"
                         " INSERT INTO logtab (Date, GMT, Callsign, Band, mode)"
                         " SELECT strftime('%Y-%m-%d', '2026-06-06', '+' || (2999 - i) || ' minutes'),"
                         " strftime('%H:%M', '2026-06-06', '+' || (2999 - i) || ' minutes'),"
                         " 'OK' || (2999 - i), '144', 'SSB' FROM n"_qs});
    const QString file = dir.filePath(u"all.adi"_qs);
    const AdifExportResult result
        = exportAdif(*log, {}, {u"DL7ABC"_qs, u"JO62QM"_qs}, file, QDateTime::currentDateTimeUtc(), {});
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.written, 3000);
    QFile adi(file);
    ASSERT_TRUE(adi.open(QIODevice::ReadOnly));
    const std::vector<adif::AdifRecord> records = adif::readAdif(adi.readAll());
    ASSERT_EQ(records.size(), 3000u);
    for (std::size_t i = 0; i < records.size(); ++i)
        ASSERT_EQ(records[i].value("CALL"), QStringLiteral("OK%1").arg(i)) << "record " << i;
}

} // namespace
} // namespace mivra
