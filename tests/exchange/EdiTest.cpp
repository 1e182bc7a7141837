#include "ExchangeTestSupport.h"

#include "BandPlan.h"
#include "EdiExport.h"

namespace mivra {
namespace {

void insertContact(const LogDatabase& log, const QStringList& v)
{
    QSqlQuery query(log.database());
    ASSERT_TRUE(query.prepare(u"INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, QSL, DXCC)"
                              " VALUES (?, ?, ?, ?, ?, ?, ?, ?, 'Y', ?)"_qs));
    for (const QString& value : v)
        query.addBindValue(value);
    ASSERT_TRUE(query.exec());
}

TEST(Edi, ContestLogAsTheFormatDefinesIt)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    const QString de = u"DL Fed. Rep. of Germany"_qs;
    const QString ok = u"OK Czech Republic"_qs;
    // Stored out of time order; the log is written in time order.
    const QStringList rows[] = {
        {u"2026-06-06"_qs, u"14:10"_qs, u"DL0GTH"_qs, u"JO50VI"_qs, u"59002"_qs, u"59145"_qs, u"144"_qs, u"SSB"_qs, de},
        {u"2026-06-06"_qs, u"14:05"_qs, u"OK1KIR"_qs, u"JO70FD"_qs, u"59001"_qs, u"59012"_qs, u"144"_qs, u"SSB"_qs, ok},
        {u"2026-06-06"_qs, u"15:00"_qs, u"OK1KIR/P"_qs, u"JO70FD"_qs, u"59003"_qs, u"59020"_qs, u"144"_qs, u"SSB"_qs, ok},
        {u"2026-06-06"_qs, u"16:20"_qs, u"SP6ABC"_qs, u"JO81AB"_qs, u"5994"_qs, u"599077"_qs, u"144"_qs, u"CW"_qs, u""_qs},
        {u"2026-06-06"_qs, u"17:00"_qs, u"DL1XYZ"_qs, u"JO62"_qs, u"59005"_qs, u"59033"_qs, u"144"_qs, u"SSB"_qs, de},
        {u"07.06.2026"_qs, u"13:59"_qs, u"DL2QRP"_qs, u"JO62QM"_qs, u"59006"_qs, u"59001"_qs, u"144"_qs, u"FM"_qs, de},
        // Outside the span or the band.
        {u"2026-06-07"_qs, u"14:00"_qs, u"DL3X"_qs, u"JO62QM"_qs, u"59007"_qs, u"59001"_qs, u"144"_qs, u"SSB"_qs, de},
        {u"2026-06-06"_qs, u"13:59"_qs, u"DL4X"_qs, u"JO62QM"_qs, u"59"_qs, u"59"_qs, u"144"_qs, u"SSB"_qs, de},
        {u"2026-06-06"_qs, u"18:00"_qs, u"DL5X"_qs, u"JO62QM"_qs, u"59001"_qs, u"59001"_qs, u"432"_qs, u"SSB"_qs, de},
        {u"2026-06-06"_qs, u"18:00"_qs, u"DL6X"_qs, u"JO62QM"_qs, u"59001"_qs, u"59001"_qs, u"1440"_qs, u"SSB"_qs, de},
    };
    for (const QStringList& row : rows)
        insertContact(*log, row);

    EdiOptions options;
    options.bandValue = u"144"_qs;
    options.from = QDateTime(QDate(2026, 6, 6), QTime(14, 0), Qt::UTC);
    options.to = QDateTime(QDate(2026, 6, 7), QTime(14, 0), Qt::UTC);
    options.contestName = u"IARU Region 1 VHF Contest"_qs;
    options.section = u"SINGLE"_qs;
    options.operators = u"DL7ABC"_qs;
    options.remarks = {u"Portable on the hill"_qs};
    options.own = {u"dl7abc"_qs, u"JO62QM"_qs};
    const QString file = dir.filePath(u"contest.edi"_qs);
    const EdiExportResult result = exportEdi(*log, options, file);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.written, 6);
    EXPECT_EQ(test::fileHash(file), test::fileHash(QStringLiteral(GOLDEN_DIR "/iaru-144.edi")))
        << "diff " << file.toStdString() << " " << GOLDEN_DIR "/iaru-144.edi";

    // The points of the published example: JO55WW to JO65FR is 43.17 km, 44 points.
    EXPECT_NEAR(ediDistance(u"JO55WW"_qs, u"JO65FR"_qs), 43.17, 0.005);
    EXPECT_EQ(ediPoints(43.17), 44);
    EXPECT_EQ(ediPoints(0.0), 1);

    // Refused: short wave, an own locator of four characters, an empty span. No file is left.
    struct Refusal {
        const char* band;
        const char* ownLocator;
        int hours;
    };
    for (const Refusal& r : {Refusal{"3600", "JO62QM", 24}, Refusal{"144", "JO62", 24}, Refusal{"144", "JO62QM", 0}}) {
        EdiOptions bad = options;
        bad.bandValue = QLatin1String(r.band);
        bad.own.locator = QLatin1String(r.ownLocator);
        bad.to = bad.from.addSecs(r.hours * 3600);
        const QString badFile = dir.filePath(u"bad.edi"_qs);
        const EdiExportResult refused = exportEdi(*log, bad, badFile);
        EXPECT_FALSE(refused.ok) << r.band << " " << r.ownLocator;
        EXPECT_FALSE(refused.error.isEmpty());
        EXPECT_FALSE(QFile::exists(badFile));
    }
}

// Every band from 30 MHz up has a contest log: its own contacts, by band value or by a frequency
// that begins with it, and no other band's (4m's "70" is no 40m "7050").
TEST(Edi, EveryVhfUhfAndMicrowaveBandHasItsContestLog)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    int minute = 0;
    const auto add = [&](const QString& band) {
        const QString gmt = QStringLiteral("14:%1").arg(++minute, 2, 10, QLatin1Char('0'));
        insertContact(*log, {u"2026-06-06"_qs, gmt, u"DL1ABC"_qs, u"JO50VI"_qs, u"59001"_qs, u"59001"_qs, band,
                             u"SSB"_qs, u"DL Fed. Rep. of Germany"_qs});
    };
    int bands = 0;
    for (const Band& band : bandPlan()) {
        add(band.valueText());
        if (!band.isShortWave())
            add(band.valueText() + u".1"_qs);
    }
    for (const Band& band : bandPlan()) {
        if (!band.ediText)
            continue;
        SCOPED_TRACE(band.adifName);
        ++bands;
        EdiOptions options;
        options.bandValue = band.valueText();
        options.from = QDateTime(QDate(2026, 6, 6), QTime(14, 0), Qt::UTC);
        options.to = QDateTime(QDate(2026, 6, 6), QTime(16, 0), Qt::UTC);
        options.contestName = u"Activity"_qs;
        options.own = {u"OK1ABC"_qs, u"JO70FD"_qs};
        const QString file = dir.filePath(u"band.edi"_qs);
        const EdiExportResult result = exportEdi(*log, options, file);
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.written, 2);
        QFile edi(file);
        ASSERT_TRUE(edi.open(QIODevice::ReadOnly));
        EXPECT_TRUE(edi.readAll().contains("PBand=" + QByteArray(band.ediText) + "\r\n"));
    }
    EXPECT_EQ(bands, 20);
}

} // namespace
} // namespace mivra
