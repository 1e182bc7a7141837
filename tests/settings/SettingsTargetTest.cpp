#include "StationSettings.h"
#include "StationSettingsFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mivra::test {

// The settings are written to a regular file or a new one, never through a link that points nowhere.
TEST(SettingsTarget, ALinkThatPointsNowhereIsNotFollowed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("Quovan.txt"));
    const QString nowhere = dir.filePath(QStringLiteral("elsewhere/Quovan.txt"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("elsewhere")));
    ASSERT_TRUE(QFile::link(nowhere, link));

    StationSettings settings;
    QString error;
    EXPECT_FALSE(loadStationSettings(settings, link, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("which does not exist"))) << error.toStdString();
    EXPECT_FALSE(saveStationSettings(settings, link, &error));
    EXPECT_FALSE(QFile::exists(nowhere));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

TEST(SettingsTarget, ALinkToARegularFileIsWrittenThrough)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("station.txt"));
    const QString link = dir.filePath(QStringLiteral("Quovan.txt"));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(QFile::link(target, link));

    StationSettings settings;
    settings.setCreationDefaults();
    settings.setText(StationSettings::OwnCallsign, QStringLiteral("DL1AAA"));
    QString error;
    ASSERT_TRUE(saveStationSettings(settings, link, &error)) << error.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("\"DL1AAA\"\r\n"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

} // namespace mivra::test
