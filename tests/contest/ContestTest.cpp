#include "ExchangeTestSupport.h"

#include "AdifFields.h"
#include "ContestLog.h"
#include "ContestPositions.h"
#include "ContestScore.h"
#include "ContestSettings.h"
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

// The contest the window keeps score of is the one the EDI export writes: same rows, same claim.
TEST(Contest, WindowScoreIsTheEdiClaim)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    const QString de = u"DL Fed. Rep. of Germany"_qs;
    const QStringList rows[] = {
        {u"2026-06-06"_qs, u"14:10"_qs, u"DL0GTH"_qs, u"JO50VI"_qs, u"59002"_qs, u"59145"_qs, u"144"_qs, u"SSB"_qs, de},
        {u"2026-06-06"_qs, u"14:05"_qs, u"OK1KIR"_qs, u"JO70FD"_qs, u"59001"_qs, u"59 012"_qs, u"144.300"_qs, u"SSB"_qs,
         u"OK"_qs},
        {u"2026-06-06"_qs, u"15:00"_qs, u"OK1KIR/P"_qs, u"JO70FD"_qs, u"59003"_qs, u"59020"_qs, u"144"_qs, u"SSB"_qs,
         u"OK"_qs},
        {u"2026-06-06"_qs, u"16:20"_qs, u"SP6ABC"_qs, u"JO81AB"_qs, u"599004"_qs, u"599077"_qs, u"144"_qs, u"CW"_qs,
         u""_qs},
        {u"07.06.2026"_qs, u"13:59"_qs, u"DL2QRP"_qs, u"JO62QM"_qs, u"59 006"_qs, u"59001"_qs, u"144"_qs, u"FM"_qs, de},
        // Outside the span or the band; serials there never count.
        {u"2026-06-07"_qs, u"14:00"_qs, u"DL3X"_qs, u"JO62QM"_qs, u"59107"_qs, u"59001"_qs, u"144"_qs, u"SSB"_qs, de},
        {u"2026-06-06"_qs, u"13:59"_qs, u"DL4X"_qs, u"JO62QM"_qs, u"59108"_qs, u"59"_qs, u"144"_qs, u"SSB"_qs, de},
        {u"2026-06-06"_qs, u"18:00"_qs, u"DL6X"_qs, u"JO62QM"_qs, u"59109"_qs, u"59001"_qs, u"1440"_qs, u"SSB"_qs, de},
    };
    for (const QStringList& row : rows)
        insertContact(*log, row);

    const ContestSpan span{u"144"_qs, QDateTime(QDate(2026, 6, 6), QTime(14, 0), Qt::UTC),
                           QDateTime(QDate(2026, 6, 7), QTime(14, 0), Qt::UTC)};
    std::vector<LogRow> contest;
    QString error;
    ASSERT_TRUE(readContestRows(*log, span, &contest, &error)) << error.toStdString();
    QStringList calls;
    for (const LogRow& row : contest)
        calls << row.callsign;
    EXPECT_EQ(calls, QStringList({u"OK1KIR"_qs, u"DL0GTH"_qs, u"OK1KIR/P"_qs, u"SP6ABC"_qs, u"DL2QRP"_qs}));

    // A span of many days finds the older date form too.
    std::vector<LogRow> longer;
    ASSERT_TRUE(readContestRows(*log, {span.bandValue, span.from.addDays(-40), span.to.addDays(60)}, &longer, &error));
    EXPECT_EQ(longer.size(), contest.size() + 2) << "DL3X and DL4X; 1440 is another band";

    EXPECT_EQ(nextSerial(contest), 7);
    EXPECT_TRUE(isDuplicate(contest, u"ok1kir/m"_qs));
    EXPECT_TRUE(isDuplicate(contest, u"SP6ABC/A"_qs));
    EXPECT_FALSE(isDuplicate(contest, u"DL3X"_qs));
    EXPECT_FALSE(isDuplicate(contest, u""_qs));

    const ContestScore score = scoreContest(contest, u"JO62QM"_qs);
    EdiOptions options;
    options.bandValue = span.bandValue;
    options.from = span.from;
    options.to = span.to;
    options.own = {u"DL7ABC"_qs, u"JO62QM"_qs};
    const QString file = dir.filePath(u"contest.edi"_qs);
    const EdiExportResult result = exportEdi(*log, options, file);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    QFile edi(file);
    ASSERT_TRUE(edi.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(edi.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nCToSc=%1\r\n").arg(score.points))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nCQSOs=%1;1\r\n").arg(score.validContacts)));
    EXPECT_EQ(score.validContacts, 4);
    EXPECT_TRUE(score.contacts[2].duplicate);
    EXPECT_EQ(score.contacts[2].points, 0);
    ASSERT_GE(score.best, 0);
    EXPECT_EQ(contest[std::size_t(score.best)].callsign, u"OK1KIR"_qs);
    // The spaced serials are split as typed.
    EXPECT_TRUE(text.contains(u";OK1KIR;1;59;001;59;012;"_qs)) << text.toStdString();
    EXPECT_TRUE(text.contains(u";DL2QRP;6;59;006;59;001;"_qs)) << text.toStdString();
}

TEST(Contest, SerialsInReports)
{
    struct Case {
        const char* report;
        const char* mode;
        int serial;
    };
    for (const Case& c : {Case{"59001", "SSB", 1}, Case{"599012", "CW", 12}, Case{"59 005", "FM", 5},
                          Case{"59  123", "SSB", 123}, Case{"59", "SSB", 0}, Case{"599", "CW", 0},
                          Case{"5a001", "SSB", 0}, Case{"59 00x", "SSB", 0}, Case{"", "SSB", 0}})
        EXPECT_EQ(sentSerial(QLatin1String(c.report), QLatin1String(c.mode)), c.serial) << c.report;

    struct Report {
        int serial;
        const char* mode;
        const char* text;
    };
    for (const Report& r : {Report{1, "SSB", "59001"}, Report{12, "cw", "599012"}, Report{1000, "FM", "591000"}})
        EXPECT_EQ(serialReport(r.serial, QLatin1String(r.mode)), QLatin1String(r.text));
}

// A station is the same fixed, portable, mobile, maritime mobile or aeronautical mobile: in the
// dupe check and in the score. Other suffixes name another station.
TEST(Contest, SuffixesOfOneStationInTheDupeAndTheScore)
{
    for (const char* call : {"OK1AB/P", "OK1AB/M", "OK1AB/MM", "OK1AB/AM", "OK1AB/A", "ok1ab/mm "})
        EXPECT_EQ(contestStation(QLatin1String(call)), u"OK1AB"_qs) << call;
    EXPECT_EQ(contestStation(u"OK1AB/QRP"_qs), u"OK1AB/QRP"_qs);

    std::vector<LogRow> rows(1);
    rows[0].callsign = u"OK1AB/MM"_qs;
    rows[0].locator = u"JO70FD"_qs;
    for (const char* call : {"OK1AB", "OK1AB/AM", "OK1AB/P", "ok1ab/mm"})
        EXPECT_TRUE(isDuplicate(rows, QLatin1String(call))) << call;
    EXPECT_FALSE(isDuplicate(rows, u"OK1ABC"_qs));

    const char* const calls[] = {"OK1AB", "OK1AB/MM", "OK1AB/AM", "DL1X/MM"};
    rows.clear();
    for (const char* call : calls) {
        LogRow row;
        row.callsign = QLatin1String(call);
        row.locator = u"JO70FD"_qs;
        rows.push_back(row);
    }
    const ContestScore score = scoreContest(rows, u"JO62QM"_qs);
    ASSERT_EQ(score.contacts.size(), 4u);
    EXPECT_FALSE(score.contacts[0].duplicate);
    EXPECT_TRUE(score.contacts[1].duplicate);
    EXPECT_TRUE(score.contacts[2].duplicate);
    EXPECT_FALSE(score.contacts[3].duplicate);
    EXPECT_EQ(score.validContacts, 2);
    EXPECT_EQ(score.contacts[1].points, 0);
}

TEST(Contest, EdiExportOffersTheRunningContestElseTheLastExport)
{
    const QDateTime now(QDate(2026, 6, 6), QTime(20, 0), Qt::UTC);
    const ContestSettings running{u"Night"_qs, now.addSecs(-3600), now.addSecs(3600), u"144"_qs, u"Hill"_qs, {}};
    const ContestSettings later{u"Later"_qs, now.addSecs(600), now.addSecs(7200), u"432"_qs, {}, {}};
    const ContestSettings over{u"Over"_qs, now.addDays(-2), now.addDays(-1), u"1296"_qs, {}, {}};
    const ContestSettings last{u"Last"_qs, now.addDays(-9), now.addDays(-8), u"432"_qs, u"Portable"_qs, u"MULTI"_qs};
    struct Case {
        const ContestSettings& contest;
        const ContestSettings& defaults;
        const char* offered; // the name; empty: nothing to offer
    };
    const ContestSettings none;
    const Case cases[] = {
        {running, last, "Night"}, {running, none, "Night"}, {over, last, "Over"}, {later, last, "Last"},
        {none, last, "Last"},     {later, none, ""},        {none, none, ""},
    };
    for (const Case& c : cases) {
        const ContestSettings offered = ediContest(c.contest, c.defaults, now);
        EXPECT_EQ(offered.name, QLatin1String(c.offered)) << c.offered;
        EXPECT_EQ(offered.isComplete(), *c.offered != 0) << c.offered;
        EXPECT_EQ(offered.section, c.defaults.section) << c.offered; // the section is always the last export's
    }
    const ContestSettings offered = ediContest(running, last, now);
    EXPECT_EQ(offered.band, u"144"_qs);
    EXPECT_EQ(offered.start, running.start);
    EXPECT_EQ(offered.end, running.end);
    // The station goes with the contest offered: the running one's, else the last export's.
    EXPECT_EQ(offered.station, u"Hill"_qs);
    EXPECT_EQ(ediContest(none, last, now).station, u"Portable"_qs);

    // [edi] and [contest] are kept apart in one file.
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"mivra.ini"_qs);
    QString error;
    ASSERT_TRUE(writeContestSettings(ini, running, &error)) << error.toStdString();
    ASSERT_TRUE(writeEdiDefaults(ini, last, &error)) << error.toStdString();
    EXPECT_EQ(readContestSettings(ini).name, u"Night"_qs);
    EXPECT_EQ(readEdiDefaults(ini).name, u"Last"_qs);
    EXPECT_EQ(readEdiDefaults(ini).section, u"MULTI"_qs);
    EXPECT_EQ(readEdiDefaults(ini).station, u"Portable"_qs);
    EXPECT_EQ(readEdiDefaults(ini).start, last.start);
}

TEST(Contest, NoContestWithoutBandOrSpan)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    std::vector<LogRow> rows(1);
    QString error;
    EXPECT_TRUE(readContestRows(*log, {}, &rows, &error));
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(nextSerial(rows), 1);
}

// A shared log: the positions also logging the contest's band lately, this one left out, and the
// serials two positions sent alike.
TEST(Contest, OtherPositionsOnTheBandAndSerialsSentTwice)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    const auto logAt = [&](const QString& position, const QString& time, const QString& band, const QString& sent) {
        insertContact(*log, {u"2026-06-06"_qs, time, u"OK1"_qs + position, u"JO70FD"_qs, sent, u"59001"_qs, band,
                             u"SSB"_qs, u"OK"_qs});
        QSqlQuery mark(log->database());
        ASSERT_TRUE(mark.prepare(u"UPDATE logtab SET Position = ? WHERE Callsign = ?"_qs));
        mark.addBindValue(position.isEmpty() ? QVariant() : QVariant(position));
        mark.addBindValue(u"OK1"_qs + position);
        ASSERT_TRUE(mark.exec());
    };
    const ContestSpan span{u"144"_qs, QDateTime(QDate(2026, 6, 6), QTime(14, 0), Qt::UTC),
                           QDateTime(QDate(2026, 6, 7), QTime(14, 0), Qt::UTC)};
    const QDateTime since(QDate(2026, 6, 6), QTime(15, 0), Qt::UTC);
    QStringList others;
    QString error;
    logAt(u"144B"_qs, u"15:10"_qs, u"144.300"_qs, u"59001"_qs);
    ASSERT_TRUE(otherPositionsOnBand(*log, span, since, &others, &error)) << error.toStdString();
    EXPECT_TRUE(others.isEmpty()) << "a log that is not shared: " << others.join(u',').toStdString();

    ASSERT_TRUE(QSqlQuery(log->database()).exec(u"UPDATE share_state SET position = '144a'"_qs));
    logAt(u"144A"_qs, u"15:20"_qs, u"144"_qs, u"59001"_qs);   // this position, another case
    logAt(u"144C"_qs, u"14:50"_qs, u"144"_qs, u"59002"_qs);   // before the moment
    logAt(u"432"_qs, u"15:30"_qs, u"432"_qs, u"59002"_qs);    // another band
    logAt(u"1440X"_qs, u"15:30"_qs, u"1440"_qs, u"59003"_qs); // 1440 is not 144
    logAt(u"2M"_qs, u"15:40"_qs, u"144"_qs, u"59002"_qs);
    ASSERT_TRUE(otherPositionsOnBand(*log, span, since, &others, &error)) << error.toStdString();
    EXPECT_EQ(others, QStringList({u"144B"_qs, u"2M"_qs}));
    ASSERT_TRUE(otherPositionsOnBand(*log, span, since.addSecs(-3600), &others, &error));
    EXPECT_EQ(others, QStringList({u"144B"_qs, u"144C"_qs, u"2M"_qs})) << "from the start of the contest";

    std::vector<LogRow> rows;
    ASSERT_TRUE(readContestRows(*log, span, &rows, &error)) << error.toStdString();
    EXPECT_EQ(repeatedSerials(rows), QList<int>({1, 2}));
    EXPECT_EQ(nextSerial(rows), 3) << "the next serial counts on from every position's";
}

} // namespace
} // namespace mivra
