#include "RigSettings.h"
#include "RigText.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mivra::rig {
namespace {

TEST(RigText, FrequencyInGroupsOfThree)
{
    struct Case {
        double hz;
        const char* text;
    };
    for (const Case& c : {Case{144300000, "144.300.000"}, Case{432200000, "432.200.000"},
                          Case{10368100000.0, "10368.100.000"}, Case{3573000, "3.573.000"},
                          Case{144300001.4, "144.300.001"}, Case{999.6, "0.001.000"}, Case{0, "0.000.000"}})
        EXPECT_EQ(frequencyText(c.hz), QLatin1String(c.text)) << c.text;
}

TEST(RigText, ModeAsTheLogKeepsIt)
{
    struct Case {
        const char* radio;
        const char* log;
    };
    for (const Case& c : {Case{"USB", "SSB"}, Case{"LSB", "SSB"}, Case{"CW", "CW"}, Case{"CWR", "CW"},
                          Case{"FM", "FM"}, Case{"FMN", "FM"}, Case{"WFM", "FM"}, Case{"AM", "AM"}, Case{"SAM", "AM"},
                          Case{"RTTY", "RTTY"}, Case{"PKTUSB", "PKTUSB"}, Case{"pktfm", "PKTFM"}, Case{"", ""}})
        EXPECT_EQ(logMode(QLatin1String(c.radio)), QLatin1String(c.log)) << c.radio;
}

TEST(RigSettings, CommandLineModelAndPort)
{
    struct Case {
        const char* text;
        int model; // 0: refused
        const char* port;
    };
    for (const Case& c : {Case{"2:localhost:4532", 2, "localhost:4532"}, Case{"3073:/dev/ttyUSB0", 3073, "/dev/ttyUSB0"},
                          Case{" 1 : /dev/null", 1, "/dev/null"}, Case{"2", 0, ""}, Case{"2:", 0, ""},
                          Case{"x:localhost:4532", 0, ""}, Case{"0:localhost:4532", 0, ""}, Case{":4532", 0, ""}}) {
        QString error;
        const std::optional<RigSettings> settings = parseRigArgument(QLatin1String(c.text), &error);
        if (c.model == 0) {
            EXPECT_FALSE(settings) << c.text;
            EXPECT_TRUE(error.contains(QLatin1String("MODEL:PORT"))) << error.toStdString();
            continue;
        }
        ASSERT_TRUE(settings) << c.text;
        EXPECT_EQ(settings->model, c.model);
        EXPECT_EQ(settings->port, QLatin1String(c.port));
        EXPECT_TRUE(settings->enabled);
    }
}

TEST(RigSettings, IniDefaultsAndRoundTrip)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("mivra.ini"));
    EXPECT_EQ(readRigSettings(ini), RigSettings{});
    EXPECT_FALSE(QFile::exists(ini));
    EXPECT_EQ(RigSettings{}.model, 2);
    EXPECT_EQ(RigSettings{}.port, QStringLiteral("localhost:4532"));
    EXPECT_FALSE(RigSettings{}.enabled);

    const RigSettings written{3073, QStringLiteral("/dev/ttyUSB0"), 19200, true};
    QString error;
    ASSERT_TRUE(writeRigSettings(ini, written, &error)) << error.toStdString();
    EXPECT_EQ(readRigSettings(ini), written);

    // A hand-written file with nonsense keeps the defaults for it.
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[rig]\nmodel=abc\nport=\nspeed=-5\nenabled=true\n");
    file.close();
    RigSettings expected;
    expected.enabled = true;
    EXPECT_EQ(readRigSettings(ini), expected);
}

} // namespace
} // namespace mivra::rig
