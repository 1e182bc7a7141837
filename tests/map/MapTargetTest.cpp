#include "MapExport.h"
#include "TestLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace mivra::test {

// A map whose path leads onto the log (here through a link named earth.kml) is refused before
// anything is read or written.
TEST(MapTarget, AMapOntoTheLogIsRefused)
{
    TestLog log;
    log.add({{QStringLiteral("Callsign"), QStringLiteral("PA0ABC")}, {QStringLiteral("Grid"), QStringLiteral("JO31")},
             {QStringLiteral("Band"), QStringLiteral("144")},
             {QStringLiteral("GEgridXY"), QStringLiteral("6.58333333333333,51.2916666666667")}});
    const QString victim = QDir(log.folder()).filePath(QStringLiteral("guarded.sqlite"));
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("the log");
    file.close();
    const QString kml = QDir(log.folder()).filePath(QStringLiteral("earth.kml"));
    ASSERT_TRUE(QFile::link(victim, kml));

    map::MapExportRequest request;
    request.bandPattern = QStringLiteral("144%");
    request.ownPoint = QStringLiteral("13.3333333333333,52.5");
    request.filePath = kml;
    request.writeTarget = WriteTarget(victim, QString());
    const map::MapExportResult result = map::exportMap(log.db(), request);
    EXPECT_EQ(result.outcome, map::MapExportResult::Failed);
    EXPECT_TRUE(result.message.contains(QStringLiteral("nothing was written"))) << result.message.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("the log"));
    EXPECT_TRUE(QFileInfo(kml).isSymLink());
}

} // namespace mivra::test
