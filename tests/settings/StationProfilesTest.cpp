#include "StationProfiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace mivra;

namespace {

const StationProfile kHome{u"Home"_qs, u"OK1ABC"_qs, u"JO70FD"_qs, {}, {}, {}};

TEST(StationProfiles, AProfileIsKeptOnlyWhole)
{
    const struct {
        StationProfile profile;
        const char* refusal; // part of the message; nullptr when kept
    } cases[] = {
        {{u"Hill"_qs, u"OK1ABC/P"_qs, u"JO60LK"_qs, u"OK1XYZ"_qs, u"10"_qs, u"IC-705"_qs}, nullptr},
        {{u"Hill"_qs, u"OK1ABC/P"_qs, u"jo60"_qs, {}, {}, {}}, nullptr},
        {{u" "_qs, u"OK1ABC/P"_qs, u"JO60LK"_qs, {}, {}, {}}, "a name"},
        {{u"home"_qs, u"OK1ABC/P"_qs, u"JO60LK"_qs, {}, {}, {}}, "already"},
        {{u"Hill"_qs, {}, u"JO60LK"_qs, {}, {}, {}}, "callsign"},
        {{u"Hill"_qs, u"OK1ABC/P"_qs, u"JO6"_qs, {}, {}, {}}, "not a locator"},
        {{u"Hill"_qs, u"OK1ABC/P"_qs, u"ZZ60LK"_qs, {}, {}, {}}, "not a locator"},
        {{u"Hill"_qs, u"OK1ABC/P"_qs, u"JO60LK"_qs, {}, u"10 W"_qs, {}}, "watts"},
    };
    for (const auto& c : cases) {
        const QString refusal = profileRefusal(c.profile, {kHome});
        if (c.refusal)
            EXPECT_TRUE(refusal.contains(QLatin1String(c.refusal))) << refusal.toStdString();
        else
            EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
    }
}

TEST(StationProfiles, ProfilesComeBackFromTheIniFileWithTheOtherSections)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"mivra.ini"_qs);
    {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[rig]\nmodel=3073\n");
    }
    StationProfiles stations;
    stations.profiles
        = {kHome, {u"Hill JO60"_qs, u"OK1ABC/P"_qs, u"JO60LK"_qs, u"OK1XYZ"_qs, u"5"_qs, u"FT-817, 4 el."_qs}};
    stations.active = u"Hill JO60"_qs;
    QString error;
    ASSERT_TRUE(writeStationProfiles(ini, stations, &error)) << error.toStdString();
    const StationProfiles read = readStationProfiles(ini, &error);
    EXPECT_EQ(read.profiles, stations.profiles);
    ASSERT_NE(read.activeProfile(), nullptr);
    EXPECT_EQ(read.activeProfile()->locator, u"JO60LK"_qs);
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("model=3073"));
    file.close();

    // An active name that is no profile's is none.
    stations.active = u"Gone"_qs;
    ASSERT_TRUE(writeStationProfiles(ini, stations, &error));
    EXPECT_EQ(readStationProfiles(ini).activeProfile(), nullptr);
    // No profiles: the section goes.
    ASSERT_TRUE(writeStationProfiles(ini, {}, &error));
    EXPECT_TRUE(readStationProfiles(ini).profiles.empty());
}

} // namespace
