#include "ExternalTools.h"
#include "KmlDocument.h"
#include "MapDataPreparation.h"
#include "MapExport.h"
#include "TestLog.h"

#include <QDir>
#include <QFile>

namespace mivra::test {
namespace {

using map::KmlHeader;
using map::KmlRow;
using map::MapExportRequest;
using map::MapExportResult;

const QString kOwnPoint = QStringLiteral("13.3333333333333,52.5");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file passes both independent readers, and GDAL finds the expected placemarks.
void expectReadable(const QString& path, int features)
{
    QString output;
    EXPECT_TRUE(xmlWellFormed(path, &output)) << output.toStdString();
    EXPECT_EQ(ogrFeatureCount(path), features);
}

class KmlExportTest : public ::testing::Test {
protected:
    MapExportRequest request(const QString& band = QStringLiteral("144%")) const
    {
        MapExportRequest r;
        r.bandPattern = band;
        r.ownCallsign = QStringLiteral("OWNCALL");
        r.ownPoint = kOwnPoint;
        r.opacity = QStringLiteral("128");
        r.lines = true;
        r.squaresConfirmedCaption = QStringLiteral("0");
        r.filePath = file();
        return r;
    }
    QString file() const { return QDir(log.folder()).filePath(QStringLiteral("earth.kml")); }

    TestLog log;
};

// One JO31 contact with QSL D and Prop Tr, seen from JO62QM, opacity 128, lines on.
TEST_F(KmlExportTest, TheExampleDocumentByteForByte)
{
    log.add({{QStringLiteral("Callsign"), QStringLiteral("PA0ABC")}, {QStringLiteral("Grid"), QStringLiteral("JO31")},
             {QStringLiteral("Band"), QStringLiteral("144")}, {QStringLiteral("QSL"), QStringLiteral("D")},
             {QStringLiteral("Prop"), QStringLiteral("Tr")},
             {QStringLiteral("GEdata"),
              QStringLiteral("Log: PA0ABC 144 MHz  02.01.2026 12:00 rsts:59 rstr:57 QRB:519km  QTF:251 QSL: D Prop:Tr ")},
             {QStringLiteral("GEgridXY"), QStringLiteral("6.58333333333333,51.2916666666667")},
             {QStringLiteral("GEpoly"),
              QStringLiteral("6.0,51.0,2000  8.0,51.0,2000  8.0,52.0,2000  6.0,52.0,2000 6.0,51.0,2000  ")}});
    const MapExportResult result = map::exportMap(log.db(), request());
    ASSERT_EQ(result.outcome, MapExportResult::Written) << result.message.toStdString();
    EXPECT_EQ(result.squaresWorked.count, 1);
    EXPECT_EQ(result.squaresConfirmed.outcome, stats::CounterResult::Unchanged);
    EXPECT_EQ(readAll(file()), readAll(QStringLiteral(MIVRA_GOLDEN_DIR "/earth_example.kml")));
    expectReadable(file(), 3);
}

TEST_F(KmlExportTest, ColoursFollowOpacityQslAndPropagation)
{
    struct Case {
        const char* opacity;
        bool lines;
        std::vector<std::pair<const char*, const char*>> qslProp;
        std::vector<const char*> expected; // colour elements in document order
    };
    const Case cases[] = {
        {"255", true, {{"Q", "Rs"}, {"D", "Au"}}, {"ff00ffff", "ffff0000", "ff0000ff", "ffff0080"}},
        {"5", false, {{"D", "Tr"}, {"N", "Tr"}}, {"050000ff", "0500ffff"}},
        {"0", false, {{"d", ""}}, {"0000ffff"}}, // lower-case d is not D
        {"", false, {{"Y", ""}}, {"8000ffff"}},   // not a number: 128
        {"300", false, {{"Y", ""}}, {"8000ffff"}},
        // No code or one outside the five (TR, EME): the default line colour, never the previous line's.
        {"128", true, {{"Y", ""}, {"Y", "Es"}, {"Y", "TR"}, {"Y", "Ms"}, {"Y", "EME"}},
         {"8000ffff", "ff00a5ff", "8000ffff", "ff00ff00", "8000ffff", "ff00a5ff", "8000ffff", "ff707070", "8000ffff",
          "ff00a5ff"}},
    };
    for (const Case& c : cases) {
        std::vector<KmlRow> rows;
        for (const auto& [qsl, prop] : c.qslProp)
            rows.push_back({QStringLiteral("JO62"), QLatin1String(qsl), QLatin1String(prop), QStringLiteral("d"),
                            kOwnPoint, QString(), false, QString()});
        const QString text = QString::fromUtf8(map::kmlDocument(
            KmlHeader{QStringLiteral("OWNCALL"), kOwnPoint, QStringLiteral("T"), QLatin1String(c.opacity), c.lines},
            rows));
        QStringList colours;
        for (qsizetype at = text.indexOf(QStringLiteral("<color>")); at >= 0;
             at = text.indexOf(QStringLiteral("<color>"), at + 1))
            colours << text.mid(at + 7, text.indexOf(u'<', at + 7) - at - 7);
        QStringList expected;
        for (const char* e : c.expected)
            expected << QLatin1String(e);
        EXPECT_EQ(colours, expected) << c.opacity << " " << text.toStdString();
        EXPECT_EQ(text.contains(QStringLiteral("LineString")), c.lines);
        // One document name, then one placemark per square and one per line.
        EXPECT_EQ(text.count(QStringLiteral("<name>T</name>")), 1);
        EXPECT_EQ(text.count(QStringLiteral("<Placemark>")), qsizetype(1 + rows.size() * (c.lines ? 2 : 1)));
        EXPECT_EQ(text.count(QStringLiteral("<Placemark><Style><LineStyle>")), qsizetype(c.lines ? rows.size() : 0));
    }
}

TEST(KmlTextTest, BandValuesCarryTheirTrueUnit)
{
    const std::pair<const char*, const char*> cases[] = {
        {"144", "144 MHz"}, {"50", "50 MHz"}, {"1296", "1296 MHz"}, {"14200", "14200 kHz"},
        {"3600", "3600 kHz"}, {"", ""}, {"abc", "abc"}};
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(map::bandValueWithUnit(QLatin1String(value)), QLatin1String(expected)) << value;
    EXPECT_EQ(map::kmlTitle(QStringLiteral("DL1A"), QStringLiteral("14200%"), QStringLiteral("1"),
                                 QStringLiteral("0")),
              QStringLiteral("DL1A 14200 kHz wkd/cfd 1/0"));
}

TEST_F(KmlExportTest, MarkupAndForeignLettersInTheLogReachTheMapIntact)
{
    const QString comment = QStringLiteral("Log: SP9ŁÓDŹ & <Müller> \"5/9\" 'ok'");
    log.add({{QStringLiteral("Grid"), QStringLiteral("JO90<")}, {QStringLiteral("Band"), QStringLiteral("144")},
             {QStringLiteral("GEdata"), comment}, {QStringLiteral("GEgridXY"), QStringLiteral("18.0,50.0")}});
    ASSERT_EQ(map::exportMap(log.db(), request()).outcome, MapExportResult::Written);
    expectReadable(file(), 3);
    const ToolRun description = runTool(
        QStringLiteral("xmllint"), {QStringLiteral("--xpath"), QStringLiteral("string(//*[local-name()='description'])"), file()});
    EXPECT_EQ(description.output.chopped(description.output.endsWith(u'\n') ? 1 : 0).toStdString(),
              comment.toStdString());
}

// XML holds no control characters but tab, line feed and carriage return; a log row carrying one (an old or
// imported log, pasted text) still gives a map that both readers open, the other characters intact.
TEST_F(KmlExportTest, ControlCharactersInTheLogAreLeftOutOfTheMap)
{
    const QString comment = QStringLiteral("Log: OK1AA tab\tvt\x0B esc\x1B nul") + QChar(0) + QStringLiteral(" & end");
    log.add({{QStringLiteral("Grid"), QStringLiteral("JO70AA")}, {QStringLiteral("Band"), QStringLiteral("144")},
             {QStringLiteral("GEdata"), comment}, {QStringLiteral("GEgridXY"), QStringLiteral("14,50")}});
    ASSERT_EQ(map::exportMap(log.db(), request()).outcome, MapExportResult::Written);
    expectReadable(file(), 3);
    const ToolRun description = runTool(
        QStringLiteral("xmllint"), {QStringLiteral("--xpath"), QStringLiteral("string(//*[local-name()='description'])"), file()});
    EXPECT_EQ(description.output.chopped(description.output.endsWith(u'\n') ? 1 : 0).toStdString(),
              "Log: OK1AA tab\tvt esc nul & end");
}

// The export reads its rows before the squares counter writes the outlines: they show from the next run on.
TEST_F(KmlExportTest, OutlinesWrittenByOneExportShowInTheNext)
{
    for (const char* grid : {"JO62QM", "JO62AB", "JO70AA"})
        log.add({{QStringLiteral("Grid"), QLatin1String(grid)}, {QStringLiteral("Band"), QStringLiteral("144")}});
    log.add({{QStringLiteral("Grid"), QStringLiteral("JO71")}, {QStringLiteral("Band"), QStringLiteral("432")}});
    ASSERT_TRUE(map::prepareMapData(log.db(), QStringLiteral("144%"), QStringLiteral("JO62QM")).ok);

    MapExportRequest lines = request();
    ASSERT_EQ(map::exportMap(log.db(), lines).outcome, MapExportResult::Written);
    const QString first = QString::fromUtf8(readAll(file()));
    EXPECT_EQ(first.count(QStringLiteral("<LinearRing><coordinates></coordinates>")), 3);
    EXPECT_TRUE(first.contains(QStringLiteral("<name>OWNCALL 144 MHz wkd/cfd 2/0</name>")));
    expectReadable(file(), 1 + 3 * 2);

    lines.lines = false;
    ASSERT_EQ(map::exportMap(log.db(), lines).outcome, MapExportResult::Written);
    const QString second = QString::fromUtf8(readAll(file()));
    EXPECT_EQ(second.count(QStringLiteral("<LinearRing><coordinates></coordinates>")), 1); // JO62QM follows JO62AB
    EXPECT_TRUE(second.contains(QStringLiteral("<name>JO62AB</name>")));
    EXPECT_EQ(second.count(QStringLiteral("\r\n")), 5 + 3 + 2);
    EXPECT_TRUE(second.endsWith(QStringLiteral("</Document>\r\n</kml>\r\n")));
    expectReadable(file(), 1 + 3);

    // All bands: every row, and a title that says so.
    ASSERT_EQ(map::exportMap(log.db(), request(QString())).outcome, MapExportResult::Written);
    EXPECT_TRUE(QString::fromUtf8(readAll(file())).contains(QStringLiteral("<name>OWNCALL All bands wkd/cfd 3/0</name>")));
    expectReadable(file(), 1 + 4 * 2);
}

TEST_F(KmlExportTest, NothingIsWrittenWithoutRowsWithASearchTextOrWhereTheFileCannotBe)
{
    log.add({{QStringLiteral("Grid"), QStringLiteral("JO62")}, {QStringLiteral("Band"), QStringLiteral("432")}});
    log.add({{QStringLiteral("Grid"), QStringLiteral("")}, {QStringLiteral("Band"), QStringLiteral("144")}});
    MapExportResult result = map::exportMap(log.db(), request());
    EXPECT_EQ(result.outcome, MapExportResult::NoCoordinates);
    EXPECT_EQ(result.message, QStringLiteral("No lat/long coords where found."));

    MapExportRequest searching = request(QStringLiteral("432%"));
    searching.searchText = QStringLiteral("JO");
    result = map::exportMap(log.db(), searching);
    EXPECT_EQ(result.outcome, MapExportResult::SearchTextPresent);
    EXPECT_EQ(result.squaresWorked.outcome, stats::CounterResult::Unchanged);
    EXPECT_FALSE(QFile::exists(file()));

    // A folder in the way of the file: the old map stays, the message names the file.
    QFile blocker(QDir(log.folder()).filePath(QStringLiteral("notafolder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    MapExportRequest blocked = request(QStringLiteral("432%"));
    blocked.filePath = QDir(log.folder()).filePath(QStringLiteral("notafolder/earth.kml"));
    result = map::exportMap(log.db(), blocked);
    EXPECT_EQ(result.outcome, MapExportResult::Failed);
    EXPECT_TRUE(result.message.contains(QStringLiteral("notafolder/earth.kml"))) << result.message.toStdString();
}

} // namespace
} // namespace mivra::test
