#pragma once

#include <QRect>
#include <QSize>
#include <QVector>

namespace mivra {

// Twips between two neighbouring option buttons.
constexpr int kOptionGapTwips = 10;

// What the layout of a multi-option control depends on. Rectangles are in twips, in the control's
// coordinates.
struct OptionLayoutInput {
    QSize control;
    // The buttons as they stand, button 1 first; there is always at least one. Buttons 2 to n take
    // button 1's size.
    QVector<QRect> options;
    // How many of them are arranged: the option count, at most options.size(); 0 or less arranges
    // none but button 1's return to the corner.
    int shown = 0;
    // Corner of the group: 1 top left, 2 bottom left, 3 top right, 4 bottom right.
    int positioning = 0;
    // 1 a row, 2 a column; with another value buttons 2 to n stay where they are.
    int aligning = 0;
    // 1 the caption is a band above or below the group, 2 a band beside it; with another value, or a
    // corner that is none of the four, it keeps its place in that direction.
    int captionAligning = 0;
    QRect caption;
};

struct OptionLayout {
    QVector<QRect> options;
    QRect caption;

    friend bool operator==(const OptionLayout&, const OptionLayout&) = default;
};

// Places the buttons from the corner in the direction, then the caption in the band the last (or the
// first) button leaves free; a band with no room has size 0. The corner shift counts n buttons and one
// gap whatever the number of gaps, so a single button stays one gap short of the far edge.
OptionLayout optionLayout(const OptionLayoutInput& input);

} // namespace mivra
