#pragma once

#include "CardTemplate.h"

#include <QImage>
#include <QSizeF>

class QPainter;

namespace mivra::qsl {

// Where a bitmap goes on the page, in twips.
struct BitmapPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const BitmapPlacement&, const BitmapPlacement&) = default;
};

// The two bitmaps of a card; a null image is left off the page.
struct CardImages {
    QImage sign;
    QImage clubSign;
};

// The drawing area of a picture box inside its border of 2 pixels all round, in twips.
QSizeF pictureInnerSize(const CardPicture& picture);

// printSign: 600 high, 500 times the box's width-to-height ratio wide, at ((W - w) / 1.1, (H - 600) / 1.2).
BitmapPlacement signPlacement(QSizeF boxInner, QSizeF pageTwips);
// printClubSign: 900 high, 900 times the ratio wide, at ((W - w) / 100, (H - 900) / 1.15).
BitmapPlacement clubSignPlacement(QSizeF boxInner, QSizeF pageTwips);

// Scales the painter so that one unit is one twip on a device of this resolution (dots per inch).
void scaleToTwips(QPainter& painter, int dotsPerInch);

// Draws one element with its text: a label at its top-left corner, a text box inset by 4 twips per
// point of font size and framed by the thinnest black rectangle. Regular weight, never clipped.
void printCardControl(QPainter& painter, const CardElement& element, const QString& text);
// Draws every label and text box of the card in the template's order.
void printCardControls(QPainter& painter, const CardFields& card);
// The signature and the club emblem, each stretched into its placement; a null image is left off.
void printSign(QPainter& painter, const QImage& sign, QSizeF pageTwips);
void printClubSign(QPainter& painter, const QImage& clubSign, QSizeF pageTwips);
// One whole card: the elements, then the signature and the club emblem when they could be read.
// The painter works in twips; pageTwips is the page's width and height.
void paintCard(QPainter& painter, const CardFields& card, const CardImages& images, QSizeF pageTwips);

} // namespace mivra::qsl
