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
    geometry.ownMapPoint = "earlier own point";
    geometry.squareOutline = "earlier outline";
    geometry.qrbKm = 123.0f;
    geometry.qtfDeg = 45.0f;
    return geometry;
}

void expectSame(const ContactGeometry& actual, const ContactGeometry& expected)
{
    EXPECT_EQ(actual.lastPointText, expected.lastPointText);
    EXPECT_EQ(actual.ownMapPoint, expected.ownMapPoint);
    EXPECT_EQ(actual.squareOutline, expected.squareOutline);
    EXPECT_EQ(actual.qrbKm, expected.qrbKm);
    EXPECT_EQ(actual.qtfDeg, expected.qtfDeg);
}

TEST(ContactGeometry, StartsEmpty)
{
    const ContactGeometry geometry;
    EXPECT_TRUE(geometry.lastPointText.empty());
    EXPECT_TRUE(geometry.ownMapPoint.empty());
    EXPECT_TRUE(geometry.squareOutline.empty());
    EXPECT_EQ(geometry.qrbKm, 0.0f);
    EXPECT_EQ(geometry.qtfDeg, 0.0f);
}

TEST(ContactGeometry, FillsEveryOutput)
{
    ContactGeometry geometry = earlierRun();
    ASSERT_TRUE(geometry.calculate(u"JO62QM", u"IO91WM"));
    EXPECT_EQ(geometry.ownMapPoint, "13.375,52.5208333333333");
    EXPECT_EQ(geometry.lastPointText, "-0.125,51.5208333333333");
    EXPECT_EQ(geometry.squareOutline, "-2.0,51.0,2000  0.0,51.0,2000  0.0,52.0,2000  -2.0,52.0,2000 -2.0,51.0,2000  ");
    EXPECT_EQ(geometry.qrbKm, 930.0f);
    EXPECT_EQ(geometry.qtfDeg, 268.0f);
}

TEST(ContactGeometry, UpperCasesBothLocatorsAndCentresSquares)
{
    ContactGeometry lower;
    ContactGeometry upper;
    ASSERT_TRUE(lower.calculate(u"jo62", u"fn31pr"));
    ASSERT_TRUE(upper.calculate(u"JO62", u"FN31PR"));
    EXPECT_EQ(lower.ownMapPoint, "13,52.5");
    EXPECT_EQ(lower.ownMapPoint, upper.ownMapPoint);
    EXPECT_EQ(lower.lastPointText, upper.lastPointText);
    EXPECT_EQ(lower.squareOutline, upper.squareOutline);
    EXPECT_EQ(lower.qrbKm, upper.qrbKm);
    EXPECT_EQ(lower.qtfDeg, upper.qtfDeg);

    ContactGeometry square;
    ASSERT_TRUE(square.calculate(u"JO62QM", u"jo62"));
    EXPECT_EQ(square.lastPointText, "13,52.5");
}

TEST(ContactGeometry, LongLocatorsAndLettersBeyondX)
{
    struct Case {
        std::u16string worked;
        const char* point;
        const char* outlineStart;
    };
    const Case cases[] = {
        {u"JO62QM55", "13.3791666666667,52.5229166666667", "12.0,52.0,2000  "},
        {u"JO62QM55AA", "13.3751736111111,52.5209201388889", "12.0,52.0,2000  "},
        {u"jo62qm55xx", "13.3831597222222,52.5249131944444", "12.0,52.0,2000  "},
        {u"JO62QZ", "13.375,53.0625", "12.0,53.0,2000  "},
        {u"JO62ZA", "14.125,52.0208333333333", "14.0,52.0,2000  "},
    };
    for (const auto& c : cases) {
        ContactGeometry geometry;
        ASSERT_TRUE(geometry.calculate(u"JO62QM", c.worked));
        EXPECT_EQ(geometry.lastPointText, c.point);
        EXPECT_EQ(geometry.squareOutline.rfind(c.outlineStart, 0), 0u) << geometry.squareOutline;
    }
}

TEST(ContactGeometry, InvalidWorkedLocatorStopsAfterTheOwnPoint)
{
    for (std::u16string worked :
         {u"", u"JO6", u"JO62Q", u"JO62QM5", u"JO6A", u"SA00", u"JO62Q1", u"JO62QM55A", u"JO62QM55AA1", u"JO 62"}) {
        ContactGeometry geometry = earlierRun();
        ContactGeometry expected = earlierRun();
        EXPECT_FALSE(geometry.calculate(u"JO62QM", worked)) << worked.size();
        expected.lastPointText = "13.375,52.5208333333333";
        expected.ownMapPoint = "13.375,52.5208333333333";
        expectSame(geometry, expected);
        EXPECT_EQ(geometry.lastPointText, geometry.ownMapPoint);
    }
}

TEST(ContactGeometry, OwnLocatorThatCannotBeConvertedChangesNothing)
{
    // Empty, too short, odd lengths after the square extension, too long, unrepresentable codes.
    for (std::u16string own : {u"", u"J", u"JO6", u"JO62Q", u"JO62QM5", u"JO62QM55A", u"JO62QM55AA1", u"\uff2aO62QM"}) {
        ContactGeometry geometry = earlierRun();
        const ContactGeometry expected = earlierRun();
        EXPECT_FALSE(geometry.calculate(own, u"IO91WM")) << own.size();
        expectSame(geometry, expected);
    }
}

TEST(ContactGeometry, OwnLocatorIsNotValidatedButMustConvert)
{
    // Letters beyond R still give a (strange) position, as the own locator is checked elsewhere.
    ContactGeometry geometry;
    EXPECT_TRUE(geometry.calculate(u"SA00AA", u"JO62QM"));
    EXPECT_EQ(geometry.ownMapPoint, "180.041666666667,-89.9791666666667");
}

// Distance and bearing alone are what the full run gives, for every kind of pair.
TEST(ContactGeometry, QrbQtfAloneAgreesWithTheFullRun)
{
    const std::u16string_view pairs[][2] = {
        {u"JO62QM", u"JN89AA"},   {u"jo62qm", u"io91wm"}, {u"JO62", u"KN25"},
        {u"JO62QM12", u"QG62LL"}, {u"SA00AA", u"JO62QM"}, {u"JO62QM", u"JO62QM"},
        {u"JO62QM", u"JS70"},     {u"XX", u"JO62QM"},     {u"JO62QM", u""},
    };
    for (const auto& [own, worked] : pairs) {
        SCOPED_TRACE(std::string(own.begin(), own.end()) + " " + std::string(worked.begin(), worked.end()));
        ContactGeometry full;
        const std::optional<QrbQtf> alone = contactQrbQtf(own, worked);
        ASSERT_EQ(alone.has_value(), full.calculate(own, worked));
        if (alone) {
            EXPECT_EQ(alone->qrbKm, full.qrbKm);
            EXPECT_EQ(alone->qtfDeg, full.qtfDeg);
        }
    }
}

} // namespace
} // namespace mivra::geo
