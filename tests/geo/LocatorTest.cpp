#include "Locator.h"

#include <gtest/gtest.h>

#include <string>

namespace mivra::geo {
namespace {

struct ValidityCase {
    std::u16string text;
    bool valid;
};

TEST(isLocatorValid, FollowsTheMaidenheadPattern)
{
    const ValidityCase cases[] = {
        {u"", false},
        {u"JO6", false},
        {u"JO62", true},
        {u"JO62Q", false},
        {u"JO62QM", true},
        {u"JO62QM5", false},
        {u"JO62QM55", true},
        {u"JO62QM55A", false},
        {u"JO62QM55AA", true},
        {u"JO62QM55AA1", false},
        {u"JO62QM55AA12", false},
        {u"AA00AA", true},
        {u"RR99XX", true},
        {u"JO6A", false},
        {u"SA00", false},
        {u"AS00", false},
        {u"JO62Q1", false},
        {u"JO62QZ", true},
        {u"JO62ZA", true},
        {u"JO62@A", false},  // '@' is one below 'A'
        {u"JO62Ay", false},  // 'y' is one above 'x'
        {u"JO62Ax", true},
        {u"JO62aa", true},   // lower case a-x lies inside the range
        {u"JO62QM5A", false},
        {u"JO62QM55@A", false},
        {u"JO62QM55A{", false},
        {u"JO62QM55x[", true},
        {u"jo62", false},    // only positions 5, 6, 9 and 10 admit lower case
        {u"Jo62", false},
        {u"JO62 ", false},
        {u" JO62", false},
        {u"JO/2", false},
        {u"JO:2", false},
        {u"\u00c4O62", false},
        {u"J\uff2f62", false}, // full-width O
    };
    for (const auto &c : cases) {
        EXPECT_EQ(isLocatorValid(c.text), c.valid) << std::string(c.text.begin(), c.text.end());
        EXPECT_EQ(isLocatorRefused(c.text), !c.valid);
    }
}

TEST(isLocatorValid, AdmitsTheSixPunctuationCodesBetweenZAndA)
{
    for (char16_t c : std::u16string(u"[\\]^_`")) {
        for (std::size_t position : {4u, 5u, 8u, 9u}) {
            std::u16string text = u"JO62QM55AA";
            text[position] = c;
            EXPECT_TRUE(isLocatorValid(text)) << "code " << int(c) << " at " << position;
        }
        for (std::size_t position : {0u, 1u, 2u, 3u, 6u, 7u}) {
            std::u16string text = u"JO62QM55AA";
            text[position] = c;
            EXPECT_FALSE(isLocatorValid(text)) << "code " << int(c) << " at " << position;
        }
    }
}

TEST(isLocatorValid, NarrowAndWideOverloadsAgree)
{
    for (std::string text : {"JO62", "JO62qm", "JO62QM55AA", "SA00", "JO62Q1", "JO62\xc3\x84", ""}) {
        EXPECT_EQ(isLocatorValid(std::string_view(text)),
                  isLocatorValid(std::u16string(text.begin(), text.end())))
            << text;
    }
    EXPECT_FALSE(isLocatorValid(std::string_view("JO62\xc3\x84""A"))); // UTF-8 bytes are no letters
}

TEST(asciiUpper, ChangesOnlyAsciiLetters)
{
    EXPECT_EQ(asciiUpper(u"jo62qm`_z"), u"JO62QM`_Z");
    EXPECT_EQ(asciiUpper(u"\u00e4\u00df"), u"\u00e4\u00df");
    EXPECT_TRUE(isLocatorValid(asciiUpper(u"jo62")));
}

struct ConversionCase {
    std::u16string locator;
    double lon;
    double lat;
};

TEST(locatorToDegrees, GivesTheSouthWestCorner)
{
    const ConversionCase cases[] = {
        {u"JO62QM", 12.0 + 16.0 / 12.0, 52.0 + 12.0 / 24.0},
        {u"JO62HH", 12.0 + 7.0 / 12.0, 52.0 + 7.0 / 24.0},
        {u"AA00AA", -180.0, -90.0},
        {u"RR99XX", 178.0 + 23.0 / 12.0, 89.0 + 23.0 / 24.0},
        {u"IO91WM", -2.0 + 22.0 / 12.0, 51.0 + 12.0 / 24.0},
        {u"FN31PR", -74.0 + 15.0 / 12.0, 41.0 + 17.0 / 24.0},
        {u"JJ00AA", 0.0, 0.0},
        {u"JO62QZ", 12.0 + 16.0 / 12.0, 52.0 + 25.0 / 24.0},
        {u"JO62ZA", 12.0 + 25.0 / 12.0, 52.0},
        {u"JO62QM55", 12.0 + 16.0 / 12.0 + 5.0 / 120.0, 52.5 + 5.0 / 240.0},
        {u"JO62QM55AA", 12.0 + 16.0 / 12.0 + 5.0 / 120.0, 52.5 + 5.0 / 240.0},
        {u"JO62QM55XX", 12.0 + 16.0 / 12.0 + 5.0 / 120.0 + 23.0 / 2880.0,
         52.5 + 5.0 / 240.0 + 23.0 / 5760.0},
    };
    for (const auto &c : cases) {
        const auto position = locatorToDegrees(c.locator);
        ASSERT_TRUE(position) << std::string(c.locator.begin(), c.locator.end());
        EXPECT_NEAR(position->lon, c.lon, 1e-12) << std::string(c.locator.begin(), c.locator.end());
        EXPECT_NEAR(position->lat, c.lat, 1e-12) << std::string(c.locator.begin(), c.locator.end());
    }
}

TEST(locatorToDegrees, NarrowOverloadMatchesWide)
{
    const auto wide = locatorToDegrees(u"JO62QM55XX");
    const auto narrow = locatorToDegrees(std::string_view("JO62QM55XX"));
    ASSERT_TRUE(wide && narrow);
    EXPECT_EQ(wide->lon, narrow->lon);
    EXPECT_EQ(wide->lat, narrow->lat);
}

TEST(locatorToDegrees, RefusesLengthsItCannotConvert)
{
    for (std::u16string text : {u"", u"J", u"JO62", u"JO62Q", u"JO62QM5", u"JO62QM55A",
                                u"JO62QM55AA1", u"JO62QM55AA12"}) {
        EXPECT_FALSE(locatorToDegrees(text)) << text.size();
    }
}

TEST(locatorToDegrees, NeverReadsBeyondTheText)
{
    // The views end before the characters that follow in the buffer.
    const std::u16string buffer = u"JO62QM55AAZZ";
    const auto six = locatorToDegrees(std::u16string_view(buffer).substr(0, 6));
    const auto eight = locatorToDegrees(std::u16string_view(buffer).substr(0, 8));
    ASSERT_TRUE(six && eight);
    EXPECT_EQ(six->lon, 12.0 + 16.0 / 12.0);
    EXPECT_NEAR(eight->lon - six->lon, 5.0 / 120.0, 1e-12);
    EXPECT_FALSE(locatorToDegrees(std::u16string_view(buffer).substr(0, 7)));
}

TEST(locatorToDegrees, RefusesCodesTheDegreeStepCannotHold)
{
    // (c1 - 74) * 20 above 32767, and a code above the 16-bit signed range.
    EXPECT_FALSE(locatorToDegrees(u"\u0700O62QM"));
    EXPECT_FALSE(locatorToDegrees(u"J\uff2f62QM"));
    // Unvalidated but representable text still converts (the own locator is not checked).
    const auto odd = locatorToDegrees(u"ZZ99ZZ");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->lon, (90 - 74) * 20 + 18 + 25.0 / 12.0);
}

} // namespace
} // namespace mivra::geo
