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
        {u"JO62@A", false}, // '@' is one below 'A'
        {u"JO62Ay", false}, // 'y' is one above 'x'
        {u"JO62Ax", true},
        {u"JO62aa", true}, // lower case a-x lies inside the range
        {u"JO62QM5A", false},
        {u"JO62QM55@A", false},
        {u"JO62QM55A{", false},
        {u"JO62QM55x[", true},
        {u"jo62", false}, // only positions 5, 6, 9 and 10 admit lower case
        {u"Jo62", false},
        {u"JO62 ", false},
        {u" JO62", false},
        {u"JO/2", false},
        {u"JO:2", false},
        {u"\u00c4O62", false},
        {u"J\uff2f62", false}, // full-width O
    };
    for (const auto& c : cases) {
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
        EXPECT_EQ(isLocatorValid(std::string_view(text)), isLocatorValid(std::u16string(text.begin(), text.end())))
            << text;
    }
    EXPECT_FALSE(isLocatorValid(std::string_view("JO62\xc3\x84"
                                                 "A"))); // UTF-8 bytes are no letters
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

// Each case: the locator and the south-west corner of its square plus half the square's size.
TEST(locatorCentre, GivesTheCentreOfTheSquare)
{
    constexpr double Lon4 = 1.0, Lat4 = 0.5;                      // half of 2 by 1 degrees
    constexpr double Lon6 = 1.0 / 24.0, Lat6 = 1.0 / 48.0;        // half of 5 by 2.5 minutes
    constexpr double Lon8 = 1.0 / 240.0, Lat8 = 1.0 / 480.0;      // half of 30 by 15 seconds
    constexpr double Lon10 = 1.0 / 5760.0, Lat10 = 1.0 / 11520.0; // half of 1.25 by 0.625 seconds
    const ConversionCase cases[] = {
        {u"JO62", 12.0 + Lon4, 52.0 + Lat4},
        {u"JO70", 14.0 + Lon4, 50.0 + Lat4},
        {u"AA00", -180.0 + Lon4, -90.0 + Lat4},
        {u"RR99", 178.0 + Lon4, 89.0 + Lat4},
        {u"JO62QM", 12.0 + 16.0 / 12.0 + Lon6, 52.0 + 12.0 / 24.0 + Lat6},
        {u"JO62HH", 12.0 + 7.0 / 12.0 + Lon6, 52.0 + 7.0 / 24.0 + Lat6},
        {u"AA00AA", -180.0 + Lon6, -90.0 + Lat6},
        {u"RR99XX", 178.0 + 23.0 / 12.0 + Lon6, 89.0 + 23.0 / 24.0 + Lat6},
        {u"IO91WM", -2.0 + 22.0 / 12.0 + Lon6, 51.0 + 12.0 / 24.0 + Lat6},
        {u"FN31PR", -74.0 + 15.0 / 12.0 + Lon6, 41.0 + 17.0 / 24.0 + Lat6},
        {u"JJ00AA", 0.0 + Lon6, 0.0 + Lat6},
        {u"JO62QZ", 12.0 + 16.0 / 12.0 + Lon6, 52.0 + 25.0 / 24.0 + Lat6},
        {u"JO62ZA", 12.0 + 25.0 / 12.0 + Lon6, 52.0 + Lat6},
        {u"JO62QM55", 12.0 + 16.0 / 12.0 + 5.0 / 120.0 + Lon8, 52.5 + 5.0 / 240.0 + Lat8},
        {u"JO62QM55AA", 12.0 + 16.0 / 12.0 + 5.0 / 120.0 + Lon10, 52.5 + 5.0 / 240.0 + Lat10},
        {u"JO62QM55XX", 12.0 + 16.0 / 12.0 + 5.0 / 120.0 + 23.0 / 2880.0 + Lon10,
         52.5 + 5.0 / 240.0 + 23.0 / 5760.0 + Lat10},
    };
    for (const auto& c : cases) {
        const auto position = locatorCentre(c.locator);
        ASSERT_TRUE(position) << std::string(c.locator.begin(), c.locator.end());
        EXPECT_NEAR(position->lon, c.lon, 1e-12) << std::string(c.locator.begin(), c.locator.end());
        EXPECT_NEAR(position->lat, c.lat, 1e-12) << std::string(c.locator.begin(), c.locator.end());
    }
}

// A longer locator names a smaller square inside the shorter one: its centre lies inside it.
TEST(locatorCentre, LongerLocatorsStayInsideTheirSquare)
{
    const auto square = locatorCentre(u"JO62");
    const auto six = locatorCentre(u"JO62AA");
    const auto eight = locatorCentre(u"JO62AA00");
    const auto ten = locatorCentre(u"JO62AA00AA");
    ASSERT_TRUE(square && six && eight && ten);
    EXPECT_LT(six->lon, square->lon);
    EXPECT_LT(eight->lon, six->lon);
    EXPECT_LT(ten->lon, eight->lon);
    EXPECT_GT(ten->lon, 12.0);
    EXPECT_GT(ten->lat, 52.0);
}

TEST(locatorCentre, NarrowOverloadMatchesWide)
{
    const auto wide = locatorCentre(u"JO62QM55XX");
    const auto narrow = locatorCentre(std::string_view("JO62QM55XX"));
    ASSERT_TRUE(wide && narrow);
    EXPECT_EQ(wide->lon, narrow->lon);
    EXPECT_EQ(wide->lat, narrow->lat);
}

TEST(locatorCentre, RefusesLengthsItCannotConvert)
{
    for (std::u16string text :
         {u"", u"J", u"JO6", u"JO62Q", u"JO62QM5", u"JO62QM55A", u"JO62QM55AA1", u"JO62QM55AA12"}) {
        EXPECT_FALSE(locatorCentre(text)) << text.size();
    }
}

TEST(locatorCentre, NeverReadsBeyondTheText)
{
    // The views end before the characters that follow in the buffer.
    const std::u16string buffer = u"JO62QM55AAZZ";
    const auto six = locatorCentre(std::u16string_view(buffer).substr(0, 6));
    const auto eight = locatorCentre(std::u16string_view(buffer).substr(0, 8));
    ASSERT_TRUE(six && eight);
    EXPECT_EQ(six->lon, 12.0 + 16.0 / 12.0 + 1.0 / 24.0);
    EXPECT_NEAR(eight->lon - six->lon, 5.0 / 120.0 + 1.0 / 240.0 - 1.0 / 24.0, 1e-12);
    EXPECT_FALSE(locatorCentre(std::u16string_view(buffer).substr(0, 7)));
}

TEST(locatorCentre, RefusesCodesTheDegreeStepCannotHold)
{
    // (c1 - 74) * 20 above 32767, and a code above the 16-bit signed range.
    EXPECT_FALSE(locatorCentre(u"\u0700O62QM"));
    EXPECT_FALSE(locatorCentre(u"J\uff2f62QM"));
    // Unvalidated but representable text still converts (the own locator is not checked).
    const auto odd = locatorCentre(u"ZZ99ZZ");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->lon, (90 - 74) * 20 + 18 + 25.0 / 12.0 + 1.0 / 24.0);
}

} // namespace
} // namespace mivra::geo
