#include "ExchangeTestSupport.h"

#include "EdiExport.h"
#include "EdiReport.h"
#include "EdiStation.h"

namespace mivra {
namespace {

TEST(EdiReports, RstAndSerialAsTheRecordHoldsThem)
{
    struct Case {
        const char* typed;
        const char* mode;
        const char* rst;
        const char* serial;
        bool refused;
    };
    const Case cases[] = {
        {"59 005", "SSB", "59", "005", false},
        {"59005", "SSB", "59", "005", false},
        {"599005", "CW", "599", "005", false},
        {"599 12", "CW", "599", "012", false},
        {"59064", "CW", "59", "064", false},
        {"590", "CW", "", "", true},
        {"59", "SSB", "59", "", false},
        {"", "SSB", "", "", false},
        {"59 9999", "SSB", "59", "9999", false},
        {"59 00042", "FM", "59", "042", false},
        {"59 10000", "SSB", "", "", true},
        {"5910000", "SSB", "", "", true},
        {"-12", "FT8", "", "", true},
        {"+05", "FT8", "", "", true},
        {"5/9", "SSB", "", "", true},
        {"69", "SSB", "", "", true},
    };
    for (const Case& c : cases) {
        const EdiReport report = ediReport(QLatin1String(c.typed), QLatin1String(c.mode));
        EXPECT_EQ(!report.error.isEmpty(), c.refused) << c.typed;
        if (c.refused)
            continue;
        EXPECT_EQ(report.rst, QLatin1String(c.rst)) << c.typed;
        EXPECT_EQ(report.serial, QLatin1String(c.serial)) << c.typed;
    }
}

std::vector<LogRow> contacts(const QString& sent)
{
    LogRow row;
    row.callsign = u"OK1KIR"_qs;
    row.locator = u"JO70FD"_qs;
    row.rsts = sent;
    row.rstr = u"59"_qs;
    row.band = u"144"_qs;
    row.mode = u"SSB"_qs;
    row.time = QDateTime(QDate(2026, 6, 6), QTime(14, 5), Qt::UTC);
    return {row};
}

EdiOptions contest()
{
    EdiOptions options;
    options.bandValue = u"144"_qs;
    options.from = QDateTime(QDate(2026, 6, 6), QTime(14, 0), Qt::UTC);
    options.to = QDateTime(QDate(2026, 6, 7), QTime(0, 0), Qt::UTC);
    options.own = {u"DL7ABC/P"_qs, u"JO62QM"_qs};
    return options;
}

QStringList lines(const QByteArray& document)
{
    return QString::fromLatin1(document).split(u"\r\n"_qs);
}

TEST(EdiHeader, StationDetailsDatesAndRecordsAsARobotReadsThem)
{
    EdiOptions options = contest();
    for (const QString& key : ediStationKeys())
        options.station.insert(key, key + u" value"_qs);
    options.station.insert(u"RCity"_qs, u"Höhenkirchen; Süd"_qs);
    options.station.insert(u"RName"_qs, u"Søren Łukasz"_qs);
    QString error;
    const QStringList text = lines(ediDocument(contacts(u"59 005"_qs), options, &error));
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(text.contains(u"TDate=20260606;20260606"_qs)) << text.join(u'\n').toStdString();
    EXPECT_TRUE(text.contains(u"RCity=Hoehenkirchen, Sued"_qs));
    EXPECT_TRUE(text.contains(u"RName=Soren Lukasz"_qs));
    EXPECT_TRUE(text.contains(u"RCall=RCALL VALUE"_qs));
    for (const char* key :
         {"PAdr1", "PClub", "RAdr1", "RPoCo", "RCoun", "RPhon", "MOpe1", "STXEq", "SPowe", "SRXEq", "SAnte", "SAntH"})
        EXPECT_TRUE(text.contains(QLatin1String(key) + u'=' + QLatin1String(key) + u" value"_qs)) << key;
    EXPECT_TRUE(text.contains(u"260606;1405;OK1KIR;1;59;005;59;;;JO70FD;275;;N;;"_qs))
        << text.join(u'\n').toStdString();

    // The antenna's two heights keep their ';', and only the first.
    options.station.insert(u"SAntH"_qs, u" 12 ; 580;m "_qs);
    EXPECT_TRUE(lines(ediDocument(contacts(u"59"_qs), options, &error)).contains(u"SAntH=12;580,m"_qs));

    // Without details: RCall is the station without /P; the operators given win over the file's.
    options.station.clear();
    options.operators = u"DL7ABC DL8XYZ"_qs;
    const QStringList plain = lines(ediDocument(contacts(u"59"_qs), options, &error));
    EXPECT_TRUE(plain.contains(u"RCall=DL7ABC"_qs));
    EXPECT_TRUE(plain.contains(u"MOpe1=DL7ABC DL8XYZ"_qs));
    EXPECT_TRUE(plain.contains(u"PCall=DL7ABC/P"_qs));
    EXPECT_TRUE(plain.contains(u"260606;1405;OK1KIR;1;59;;59;;;JO70FD;275;;N;;"_qs)) << plain.join(u'\n').toStdString();

    // A contest ending at 14:00 ends on that day.
    options.to = QDateTime(QDate(2026, 6, 7), QTime(14, 0), Qt::UTC);
    EXPECT_TRUE(lines(ediDocument(contacts(u"59"_qs), options, &error)).contains(u"TDate=20260606;20260607"_qs));
}

TEST(EdiHeader, AReportEdiCannotHoldStopsTheExportNamingTheContact)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    QSqlQuery query(log->database());
    ASSERT_TRUE(query.exec(u"INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode)"
                           " VALUES ('2026-06-06', '14:05', 'OK1KIR', 'JO70FD', '-12', '-08', '144', 'FT8')"_qs));
    const QString file = dir.filePath(u"contest.edi"_qs);
    const EdiExportResult result = exportEdi(*log, contest(), file);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(u"OK1KIR"_qs)) << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(u"\"-12\""_qs)) << result.error.toStdString();
    EXPECT_FALSE(QFile::exists(file));
}

TEST(EdiStationFile, KeyValueLinesInUtf8KeptBetweenContests)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kEdiStationFileName);
    EdiStation station;
    QString error;
    ASSERT_TRUE(readEdiStation(path, &station, &error)); // none yet
    EXPECT_TRUE(station.isEmpty());

    station.insert(u"RName"_qs, u"Jürgen Müller"_qs);
    station.insert(u"SAnte"_qs, u"2x 9 el.\nstacked"_qs);
    ASSERT_TRUE(writeEdiStation(path, station, &error)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList written = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(written.size(), ediStationKeys().size());
    EXPECT_TRUE(written.contains(u"RName=Jürgen Müller"_qs));
    EXPECT_TRUE(written.contains(u"SAnte=2x 9 el. stacked"_qs));
    EXPECT_TRUE(written.contains(u"PClub="_qs));
    file.close();

    // Read back, with a foreign key and a line by hand (CR LF, spaces) among them.
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("Other=x\r\n SPowe = 750 W\r\n");
    file.close();
    ASSERT_TRUE(readEdiStation(path, &station, &error));
    EXPECT_EQ(station.value(u"RName"_qs), u"Jürgen Müller"_qs);
    EXPECT_EQ(station.value(u"SPowe"_qs), u"750 W"_qs);
    EXPECT_FALSE(station.contains(u"Other"_qs));

    // A folder where the file should be: a message naming it.
    const QString blocked = dir.filePath(u"folder"_qs);
    ASSERT_TRUE(QDir().mkpath(blocked + u"/x"_qs));
    EXPECT_FALSE(writeEdiStation(blocked, station, &error));
    EXPECT_TRUE(error.contains(u"folder"_qs)) << error.toStdString();
}

} // namespace
} // namespace mivra
