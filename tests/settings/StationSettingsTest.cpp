#include "LiveMapOptions.h"
#include "StationSettings.h"

#include <gtest/gtest.h>

using mivra::StationSettings;

namespace {

struct NumericCase {
    QVariant stored;
    qint64 expected;
};

class NumericValueTest : public testing::TestWithParam<NumericCase> {};

TEST_P(NumericValueTest, ReadsTextsAndNumbersAlike)
{
    StationSettings settings;
    settings.setValue(StationSettings::MapOpacity, GetParam().stored);
    EXPECT_EQ(settings.numericValue(StationSettings::MapOpacity), GetParam().expected)
        << GetParam().stored.toString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Slots, NumericValueTest,
                         testing::Values(NumericCase{QVariant(), 0},
                                         NumericCase{QVariant(QString()), 0},
                                         NumericCase{QVariant(QStringLiteral("128")), 128},
                                         NumericCase{QVariant::fromValue<qint64>(128), 128},
                                         NumericCase{QVariant(200), 200},
                                         NumericCase{QVariant(QStringLiteral(" 77 ")), 77},
                                         NumericCase{QVariant(QStringLiteral("12.5")), 13},
                                         NumericCase{QVariant(QStringLiteral("12.4 dB")), 12},
                                         NumericCase{QVariant(QStringLiteral("-3")), -3},
                                         NumericCase{QVariant(QStringLiteral("abc")), 0},
                                         NumericCase{QVariant(QStringLiteral("1e3")), 1000},
                                         NumericCase{QVariant(QStringLiteral("99999999999999999999999")),
                                                     static_cast<qint64>(9.2e18)},
                                         NumericCase{QVariant(127.6), 128}));

TEST(StationSettingsTest, KeepsTextsAsTextsAndWholeNumbersAsNumbers)
{
    StationSettings settings;
    settings.setValue(StationSettings::MapOpacity, QStringLiteral("128"));
    EXPECT_FALSE(settings.isNumber(StationSettings::MapOpacity));
    EXPECT_EQ(settings.text(StationSettings::MapOpacity), QStringLiteral("128"));

    settings.setValue(StationSettings::MapOpacity, 128);
    EXPECT_TRUE(settings.isNumber(StationSettings::MapOpacity));
    EXPECT_EQ(settings.value(StationSettings::MapOpacity), QVariant::fromValue<qint64>(128));
    EXPECT_EQ(settings.text(StationSettings::MapOpacity), QStringLiteral("128"));

    settings.setValue(StationSettings::MapLines, true);
    EXPECT_EQ(settings.numericValue(StationSettings::MapLines), 1);

    settings.clear(StationSettings::MapOpacity);
    EXPECT_TRUE(settings.isEmpty(StationSettings::MapOpacity));
    EXPECT_EQ(settings.text(StationSettings::MapOpacity), QString());
}

TEST(StationSettingsTest, EmptyTextIsNotAnEmptySlot)
{
    StationSettings settings;
    settings.setValue(StationSettings::OwnCallsign, QString());
    EXPECT_FALSE(settings.isEmpty(StationSettings::OwnCallsign));
    settings.fillAbsentDefaults();
    EXPECT_EQ(settings.text(StationSettings::OwnCallsign), QString());
    EXPECT_EQ(settings.text(StationSettings::QslInfoLine), QStringLiteral("DOK: "));
}

TEST(StationSettingsTest, SlotsOutsideTheTableAreIgnored)
{
    StationSettings settings;
    settings.setValue(-1, 5);
    settings.setValue(StationSettings::kSlotCount, 5);
    EXPECT_TRUE(settings.isEmpty(-1));
    EXPECT_TRUE(settings.isEmpty(StationSettings::kSlotCount));
    settings.setValue(100, 5);
    EXPECT_EQ(settings.numericValue(100), 5);
    EXPECT_EQ(settings, [] {
        StationSettings expected;
        expected.setValue(100, 5);
        return expected;
    }());
}

TEST(StationSettingsTest, DefaultsAtCreationAndWhenAbsent)
{
    StationSettings created;
    created.setCreationDefaults();
    StationSettings absent;
    absent.fillAbsentDefaults();

    const struct {
        int slot;
        QVariant creation;
        QVariant whenAbsent;
    } cases[] = {
        {StationSettings::OwnCallsign, QString(), QString()},
        {StationSettings::OwnLocator, QString(), QString()},
        {StationSettings::SearchSelector, qint64(1), qint64(1)},
        {StationSettings::Reserved3, qint64(1), qint64(1)},
        {StationSettings::BandIndex, qint64(10), qint64(10)},
        {StationSettings::QslInfoLine, QString(), QStringLiteral("DOK: ")},
        {StationSettings::QslLine2, QString(), QStringLiteral("Rig: ")},
        {StationSettings::QslLine3, QString(), QStringLiteral("Rig: ")},
        {StationSettings::QslLine4, QString(), QStringLiteral("Rig: ")},
        {StationSettings::QslAddressLine, QString(), QStringLiteral("OP: ")},
        {StationSettings::QslFooterLine, QString(), QStringLiteral("email:    Printed: ")},
        {StationSettings::MapOpacity, QString(), QStringLiteral("128")},
        {StationSettings::MapLines, qint64(1), qint64(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        EXPECT_EQ(created.value(c.slot), c.creation);
        EXPECT_EQ(created.value(c.slot).typeId(), c.creation.typeId());
        EXPECT_EQ(absent.value(c.slot), c.whenAbsent);
        EXPECT_EQ(absent.value(c.slot).typeId(), c.whenAbsent.typeId());
    }
    EXPECT_TRUE(created.isEmpty(StationSettings::kFileSlotCount));
}

TEST(StationSettingsTest, StorableTextKeepsTheFileLineBased)
{
    const struct {
        QString typed;
        QString stored;
    } cases[] = {
        {QStringLiteral("DOK: X12"), QStringLiteral("DOK: X12")},
        {QStringLiteral("IC-9700, 100 W"), QStringLiteral("IC-9700, 100 W")},
        {QStringLiteral("say \"hi\""), QStringLiteral("say 'hi'")},
        {QStringLiteral("one\r\ntwo"), QStringLiteral("one two")},
        {QStringLiteral("one\ntwo\rthree"), QStringLiteral("one two three")},
        {QStringLiteral("\"\r\n\""), QStringLiteral("' '")},
        {QString(), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StationSettings::storableText(c.typed), c.stored) << c.typed.toStdString();
        StationSettings settings;
        settings.setText(StationSettings::QslLine2, c.typed);
        EXPECT_EQ(settings.text(StationSettings::QslLine2), c.stored);
    }
}

TEST(LiveMapOptionsTest, FollowSlotsElevenAndTwelve)
{
    const struct {
        QVariant opacity;
        QVariant lines;
        QString liveOpacity;
        bool liveLines;
    } cases[] = {
        {QStringLiteral("128"), qint64(1), QStringLiteral("128"), true},
        {qint64(77), qint64(0), QStringLiteral("77"), false},
        {QString(), qint64(2), QString(), true},
        {QVariant(), QVariant(), QString(), false},
    };
    for (const auto& c : cases) {
        StationSettings settings;
        settings.setValue(StationSettings::MapOpacity, c.opacity);
        settings.setValue(StationSettings::MapLines, c.lines);
        const auto live = mivra::LiveMapOptions::fromSettings(settings);
        EXPECT_EQ(live.opacity, c.liveOpacity);
        EXPECT_EQ(live.lines, c.liveLines);
    }
}

} // namespace
