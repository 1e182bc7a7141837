#include "ContactGeometry.h"

#include <gtest/gtest.h>

#include <string>

namespace mivra::geo {
namespace {

// A geometry whose every member holds a recognisable earlier value.
ContactGeometry earlierRun()
{
    ContactGeometry geometry;
    geometry.lastPointText = "earlier point";
    geometry.OwnMapPoint = "earlier own point";
    geometry.SquareOutline = "earlier outline";
    geometry.GivenLocator = u"JO62";
    geometry.UseGivenLocator = false;
    geometry.QrbKm = 123.0f;
    geometry.QtfDeg = 45.0f;
    return geometry;
}

void expectSame(const ContactGeometry &actual, const ContactGeometry &expected)
{
    EXPECT_EQ(actual.lastPointText, expected.lastPointText);
    EXPECT_EQ(actual.OwnMapPoint, expected.OwnMapPoint);
    EXPECT_EQ(actual.SquareOutline, expected.SquareOutline);
    EXPECT_EQ(actual.GivenLocator, expected.GivenLocator);
    EXPECT_EQ(actual.UseGivenLocator, expected.UseGivenLocator);
    EXPECT_EQ(actual.QrbKm, expected.QrbKm);
    EXPECT_EQ(actual.QtfDeg, expected.QtfDeg);
}

TEST(ContactGeometry, StartsEmpty)
{
    const ContactGeometry geometry;
    EXPECT_TRUE(geometry.lastPointText.empty());
    EXPECT_TRUE(geometry.OwnMapPoint.empty());
    EXPECT_TRUE(geometry.SquareOutline.empty());
    EXPECT_TRUE(geometry.GivenLocator.empty());
    EXPECT_FALSE(geometry.UseGivenLocator);
    EXPECT_EQ(geometry.QrbKm, 0.0f);
    EXPECT_EQ(geometry.QtfDeg, 0.0f);
}

TEST(ContactGeometry, FillsEveryOutput)
{
    ContactGeometry geometry = earlierRun();
    ASSERT_TRUE(geometry.CalcContactGeometry(u"JO62QM", u"IO91WM"));
    EXPECT_EQ(geometry.OwnMapPoint, "13.3333333333333,52.5");
    EXPECT_EQ(geometry.lastPointText, "-0.166666666666667,51.5");
    EXPECT_EQ(geometry.SquareOutline,
              "-2.0,51.0,2000  0.0,51.0,2000  0.0,52.0,2000  -2.0,52.0,2000 -2.0,51.0,2000  ");
    EXPECT_EQ(geometry.QrbKm, 930.0f);
    EXPECT_EQ(geometry.QtfDeg, 268.0f);
    EXPECT_EQ(geometry.GivenLocator, u"JO62"); // left as the caller set it
}

TEST(ContactGeometry, UpperCasesBothLocatorsAndExtendsSquares)
{
    ContactGeometry lower;
    ContactGeometry upper;
    ASSERT_TRUE(lower.CalcContactGeometry(u"jo62", u"fn31pr"));
    ASSERT_TRUE(upper.CalcContactGeometry(u"JO62HH", u"FN31PR"));
    EXPECT_EQ(lower.OwnMapPoint, "12.5833333333333,52.2916666666667");
    EXPECT_EQ(lower.OwnMapPoint, upper.OwnMapPoint);
    EXPECT_EQ(lower.lastPointText, upper.lastPointText);
    EXPECT_EQ(lower.SquareOutline, upper.SquareOutline);
    EXPECT_EQ(lower.QrbKm, upper.QrbKm);
    EXPECT_EQ(lower.QtfDeg, upper.QtfDeg);

    ContactGeometry square;
    ASSERT_TRUE(square.CalcContactGeometry(u"JO62QM", u"jo62"));
    EXPECT_EQ(square.lastPointText, "12.5833333333333,52.2916666666667");
}

TEST(ContactGeometry, LongLocatorsAndLettersBeyondX)
{
    struct Case {
        std::u16string worked;
        const char *point;
        const char *outlineStart;
    };
    const Case cases[] = {
        {u"JO62QM55", "13.375,52.5208333333333", "12.0,52.0,2000  "},
        {u"JO62QM55AA", "13.375,52.5208333333333", "12.0,52.0,2000  "},
        {u"jo62qm55xx", "13.3829861111111,52.5248263888889", "12.0,52.0,2000  "},
        {u"JO62QZ", "13.3333333333333,53.0416666666667", "12.0,53.0,2000  "},
        {u"JO62ZA", "14.0833333333333,52", "14.0,52.0,2000  "},
    };
    for (const auto &c : cases) {
        ContactGeometry geometry;
        ASSERT_TRUE(geometry.CalcContactGeometry(u"JO62QM", c.worked));
        EXPECT_EQ(geometry.lastPointText, c.point);
        EXPECT_EQ(geometry.SquareOutline.rfind(c.outlineStart, 0), 0u) << geometry.SquareOutline;
    }
}

TEST(ContactGeometry, InvalidWorkedLocatorStopsAfterTheOwnPoint)
{
    for (std::u16string worked : {u"", u"JO6", u"JO62Q", u"JO62QM5", u"JO6A", u"SA00", u"JO62Q1",
                                  u"JO62QM55A", u"JO62QM55AA1", u"JO 62"}) {
        ContactGeometry geometry = earlierRun();
        ContactGeometry expected = earlierRun();
        EXPECT_FALSE(geometry.CalcContactGeometry(u"JO62QM", worked)) << worked.size();
        expected.lastPointText = "13.3333333333333,52.5";
        expected.OwnMapPoint = "13.3333333333333,52.5";
        expectSame(geometry, expected);
        EXPECT_EQ(geometry.lastPointText, geometry.OwnMapPoint);
    }
}

TEST(ContactGeometry, OwnLocatorThatCannotBeConvertedChangesNothing)
{
    // Empty, too short, odd lengths after the square extension, too long, unrepresentable codes.
    for (std::u16string own : {u"", u"J", u"JO6", u"JO62Q", u"JO62QM5", u"JO62QM55A",
                               u"JO62QM55AA1", u"\uff2aO62QM"}) {
        for (bool useGiven : {false, true}) {
            ContactGeometry geometry = earlierRun();
            geometry.UseGivenLocator = useGiven;
            ContactGeometry expected = earlierRun();
            expected.UseGivenLocator = useGiven;
            EXPECT_FALSE(geometry.CalcContactGeometry(own, u"IO91WM")) << own.size();
            expectSame(geometry, expected);
        }
    }
}

TEST(ContactGeometry, GivenLocatorReplacesTheEntryField)
{
    ContactGeometry geometry;
    geometry.GivenLocator = u"JO62";
    geometry.UseGivenLocator = true;
    ASSERT_TRUE(geometry.CalcContactGeometry(u"JO62QM", u"FN31PR"));
    EXPECT_FALSE(geometry.UseGivenLocator);
    EXPECT_EQ(geometry.lastPointText, "12.5833333333333,52.2916666666667");
    EXPECT_EQ(geometry.SquareOutline,
              "12.0,52.0,2000  14.0,52.0,2000  14.0,53.0,2000  12.0,53.0,2000 12.0,52.0,2000  ");

    // The flag is cleared, so the next run reads the entry field again.
    ASSERT_TRUE(geometry.CalcContactGeometry(u"JO62QM", u"FN31PR"));
    EXPECT_EQ(geometry.lastPointText, "-72.75,41.7083333333333");
    EXPECT_EQ(geometry.QrbKm, 6236.0f);
}

TEST(ContactGeometry, InvalidGivenLocatorKeepsTheFlag)
{
    ContactGeometry geometry = earlierRun();
    geometry.GivenLocator = u"SA00";
    geometry.UseGivenLocator = true;
    EXPECT_FALSE(geometry.CalcContactGeometry(u"JO62QM", u"FN31PR")); // valid entry field is ignored
    EXPECT_TRUE(geometry.UseGivenLocator);
    EXPECT_EQ(geometry.lastPointText, geometry.OwnMapPoint);
    EXPECT_EQ(geometry.SquareOutline, "earlier outline");
    EXPECT_EQ(geometry.QrbKm, 123.0f);
    EXPECT_EQ(geometry.QtfDeg, 45.0f);
}

TEST(ContactGeometry, OwnLocatorIsNotValidatedButMustConvert)
{
    // Letters beyond R still give a (strange) position, as the own locator is checked elsewhere.
    ContactGeometry geometry;
    EXPECT_TRUE(geometry.CalcContactGeometry(u"SA00AA", u"JO62QM"));
    EXPECT_EQ(geometry.OwnMapPoint, "180,-90");
}

// Distance and bearing alone are what the full run gives, for every kind of pair.
TEST(ContactGeometry, QrbQtfAloneAgreesWithTheFullRun)
{
    const std::u16string_view pairs[][2] = {
        {u"JO62QM", u"JN89AA"}, {u"jo62qm", u"io91wm"}, {u"JO62", u"KN25"},   {u"JO62QM12", u"QG62LL"},
        {u"SA00AA", u"JO62QM"}, {u"JO62QM", u"JO62QM"}, {u"JO62QM", u"JS70"}, {u"XX", u"JO62QM"},
        {u"JO62QM", u""},
    };
    for (const auto& [own, worked] : pairs) {
        SCOPED_TRACE(std::string(own.begin(), own.end()) + " " + std::string(worked.begin(), worked.end()));
        ContactGeometry full;
        const std::optional<QrbQtf> alone = ContactQrbQtf(own, worked);
        ASSERT_EQ(alone.has_value(), full.CalcContactGeometry(own, worked));
        if (alone) {
            EXPECT_EQ(alone->qrbKm, full.QrbKm);
            EXPECT_EQ(alone->qtfDeg, full.QtfDeg);
        }
    }
}

} // namespace
} // namespace mivra::geo
