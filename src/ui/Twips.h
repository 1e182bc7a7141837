#pragma once

#include <QRect>
#include <cmath>

namespace mivra {

// Window positions are given in twips; the screen has 15 twips per logical pixel.
constexpr int kTwipsPerPixel = 15;

inline int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

inline QRect twipRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

inline QRect twipRect(const QRect& twips)
{
    return twipRect(twips.left(), twips.top(), twips.width(), twips.height());
}

} // namespace mivra
