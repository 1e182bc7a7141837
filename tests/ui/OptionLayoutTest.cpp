#include "OptionLayout.h"

#include <gtest/gtest.h>

#include <vector>

using mivra::OptionLayout;
using mivra::OptionLayoutInput;

namespace {

constexpr QSize kButton(220, 255);

// n buttons as a fresh control has them: all at the top left corner.
QVector<QRect> freshButtons(int n)
{
    return QVector<QRect>(n, QRect(QPoint(0, 0), kButton));
}

QVector<QRect> buttonsAt(const std::vector<QPoint>& corners)
{
    QVector<QRect> rects;
    for (const QPoint& corner : corners)
        rects.append(QRect(corner, kButton));
    return rects;
}

struct LayoutCase {
    const char* what;
    QSize control;
    int positioning;
    int aligning;
    int captionAligning;
    std::vector<QPoint> before; // buttons as they stand
    int shown;
    QRect captionBefore;
    std::vector<QPoint> buttons; // expected left, top of every button
    QRect caption;               // expected left, top, width, height
};

// Control of 1500 x 1200 twips unless told; buttons 220 x 255 with 10 twips between them.
// Expected places worked out by hand from the layout rules:
//   row    lefts 0, 230, 460; shifted right by 1500 - (n*220 + 10)
//   column tops  0, 265, 530; shifted down  by 1200 - (n*255 + 10)
//   a row at the bottom has top 1200 - 255 = 945; a column at the right has left 1500 - 220 = 1280.
const QSize kControl(1500, 1200);
const std::vector<QPoint> kThree = {{0, 0}, {0, 0}, {0, 0}};
const std::vector<QPoint> kOne = {{0, 0}};
const QRect kDesignCaption(0, 255, 1200, 645);

// clang-format off
const std::vector<LayoutCase> kCases = {
    {"row", kControl, 1, 1, 1, kThree, 3, kDesignCaption, {{0, 0}, {230, 0}, {460, 0}}, {0, 255, 1500, 945}},
    {"row", kControl, 1, 1, 2, kThree, 3, kDesignCaption, {{0, 0}, {230, 0}, {460, 0}}, {680, 0, 820, 1200}},
    {"row", kControl, 2, 1, 1, kThree, 3, kDesignCaption, {{0, 945}, {230, 945}, {460, 945}}, {0, 0, 1500, 945}},
    {"row", kControl, 2, 1, 2, kThree, 3, kDesignCaption, {{0, 945}, {230, 945}, {460, 945}}, {680, 0, 820, 1200}},
    {"row", kControl, 3, 1, 1, kThree, 3, kDesignCaption, {{830, 0}, {1060, 0}, {1290, 0}}, {0, 255, 1500, 945}},
    {"row", kControl, 3, 1, 2, kThree, 3, kDesignCaption, {{830, 0}, {1060, 0}, {1290, 0}}, {0, 0, 830, 1200}},
    {"row", kControl, 4, 1, 1, kThree, 3, kDesignCaption, {{830, 945}, {1060, 945}, {1290, 945}}, {0, 0, 1500, 945}},
    {"row", kControl, 4, 1, 2, kThree, 3, kDesignCaption, {{830, 945}, {1060, 945}, {1290, 945}}, {0, 0, 830, 1200}},
    {"column", kControl, 1, 2, 1, kThree, 3, kDesignCaption, {{0, 0}, {0, 265}, {0, 530}}, {0, 785, 1500, 415}},
    {"column", kControl, 1, 2, 2, kThree, 3, kDesignCaption, {{0, 0}, {0, 265}, {0, 530}}, {220, 0, 1280, 1200}},
    {"column", kControl, 2, 2, 1, kThree, 3, kDesignCaption, {{0, 425}, {0, 690}, {0, 955}}, {0, 0, 1500, 425}},
    {"column", kControl, 2, 2, 2, kThree, 3, kDesignCaption, {{0, 425}, {0, 690}, {0, 955}}, {220, 0, 1280, 1200}},
    {"column", kControl, 3, 2, 1, kThree, 3, kDesignCaption, {{1280, 0}, {1280, 265}, {1280, 530}}, {0, 785, 1500, 415}},
    {"column", kControl, 3, 2, 2, kThree, 3, kDesignCaption, {{1280, 0}, {1280, 265}, {1280, 530}}, {0, 0, 1280, 1200}},
    {"column", kControl, 4, 2, 1, kThree, 3, kDesignCaption, {{1280, 425}, {1280, 690}, {1280, 955}}, {0, 0, 1500, 425}},
    {"column", kControl, 4, 2, 2, kThree, 3, kDesignCaption, {{1280, 425}, {1280, 690}, {1280, 955}}, {0, 0, 1280, 1200}},
    // one button: the shift leaves it 10 twips short of the far edge in its direction
    {"one in a row", kControl, 1, 1, 1, kOne, 1, kDesignCaption, {{0, 0}}, {0, 255, 1500, 945}},
    {"one in a row", kControl, 1, 1, 2, kOne, 1, kDesignCaption, {{0, 0}}, {220, 0, 1280, 1200}},
    {"one in a row", kControl, 2, 1, 1, kOne, 1, kDesignCaption, {{0, 945}}, {0, 0, 1500, 945}},
    {"one in a row", kControl, 2, 1, 2, kOne, 1, kDesignCaption, {{0, 945}}, {220, 0, 1280, 1200}},
    {"one in a row", kControl, 3, 1, 1, kOne, 1, kDesignCaption, {{1270, 0}}, {0, 255, 1500, 945}},
    {"one in a row", kControl, 3, 1, 2, kOne, 1, kDesignCaption, {{1270, 0}}, {0, 0, 1270, 1200}},
    {"one in a row", kControl, 4, 1, 1, kOne, 1, kDesignCaption, {{1270, 945}}, {0, 0, 1500, 945}},
    {"one in a row", kControl, 4, 1, 2, kOne, 1, kDesignCaption, {{1270, 945}}, {0, 0, 1270, 1200}},
    {"one in a column", kControl, 1, 2, 1, kOne, 1, kDesignCaption, {{0, 0}}, {0, 255, 1500, 945}},
    {"one in a column", kControl, 1, 2, 2, kOne, 1, kDesignCaption, {{0, 0}}, {220, 0, 1280, 1200}},
    {"one in a column", kControl, 2, 2, 1, kOne, 1, kDesignCaption, {{0, 935}}, {0, 0, 1500, 935}},
    {"one in a column", kControl, 2, 2, 2, kOne, 1, kDesignCaption, {{0, 935}}, {220, 0, 1280, 1200}},
    {"one in a column", kControl, 3, 2, 1, kOne, 1, kDesignCaption, {{1280, 0}}, {0, 255, 1500, 945}},
    {"one in a column", kControl, 3, 2, 2, kOne, 1, kDesignCaption, {{1280, 0}}, {0, 0, 1280, 1200}},
    {"one in a column", kControl, 4, 2, 1, kOne, 1, kDesignCaption, {{1280, 935}}, {0, 0, 1500, 935}},
    {"one in a column", kControl, 4, 2, 2, kOne, 1, kDesignCaption, {{1280, 935}}, {0, 0, 1280, 1200}},
    // 3000 - 670 = 2330; 600 - 255 = 345
    {"wide and low", {3000, 600}, 4, 1, 1, kThree, 3, kDesignCaption, {{2330, 345}, {2560, 345}, {2790, 345}},
     {0, 0, 3000, 345}},
    // the last button ends at 530 + 255 = 785, beyond 600: no room below
    {"column taller than the control", {900, 600}, 1, 2, 1, kThree, 3, kDesignCaption,
     {{0, 0}, {0, 265}, {0, 530}}, {0, 785, 900, 0}},
    {"unknown direction leaves buttons 2 to n", kControl, 4, 5, 1, {{830, 945}, {830, 945}, {830, 945}}, 3,
     kDesignCaption, {{0, 0}, {830, 945}, {830, 945}}, {0, 0, 1500, 0}},
    {"unknown caption band keeps the caption", kControl, 1, 2, 3, kThree, 3, {0, 785, 1500, 415},
     {{0, 0}, {0, 265}, {0, 530}}, {0, 785, 1500, 415}},
    {"unknown corner sets only the caption's width and left", {2000, 1200}, 9, 2, 1, kThree, 3,
     {40, 785, 1500, 415}, {{0, 0}, {0, 265}, {0, 530}}, {0, 785, 2000, 415}},
    {"unknown corner, caption beside: only its height and top", kControl, 9, 1, 2, kThree, 3,
     {700, 40, 300, 500}, {{0, 0}, {230, 0}, {460, 0}}, {700, 0, 300, 1200}},
    {"fewer shown than buttons: the rest stay", kControl, 3, 1, 1, {{0, 0}, {0, 0}, {500, 500}}, 2,
     kDesignCaption, {{1050, 0}, {1280, 0}, {500, 500}}, {0, 755, 1500, 445}},
    {"none shown: button 1 back in the corner", kControl, 4, 1, 1, {{600, 600}}, 0, kDesignCaption, {{0, 0}},
     {0, 0, 1500, 0}},
};
// clang-format on

TEST(OptionLayout, EveryCornerDirectionAndCaptionBand)
{
    for (const LayoutCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.what << ": Positioning " << c.positioning << " Aligning " << c.aligning
                                        << " CaptionAligning " << c.captionAligning << " count " << c.before.size());
        OptionLayoutInput input;
        input.control = c.control;
        input.options = buttonsAt(c.before);
        input.shown = c.shown;
        input.positioning = c.positioning;
        input.aligning = c.aligning;
        input.captionAligning = c.captionAligning;
        input.caption = c.captionBefore;

        const OptionLayout layout = mivra::optionLayout(input);
        EXPECT_EQ(layout.options, buttonsAt(c.buttons));
        EXPECT_EQ(layout.caption, c.caption);
    }
}

TEST(OptionLayout, LayingOutAgainMovesNothing)
{
    OptionLayoutInput input;
    input.control = kControl;
    input.options = freshButtons(3);
    input.shown = 3;
    input.positioning = 4;
    input.aligning = 2;
    input.captionAligning = 1;
    input.caption = kDesignCaption;
    const OptionLayout first = mivra::optionLayout(input);
    input.options = first.options;
    input.caption = first.caption;
    EXPECT_EQ(mivra::optionLayout(input), first);
}

} // namespace
