#include "CardPage.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace mivra::qsl {

namespace {

constexpr double kTwipsPerInch = 1440;
constexpr int kBorderTwips = 2 * 15; // two screen pixels

// Whole numbers as the card arithmetic keeps them: nearest, halves to even, in 16 bits.
int roundToShort(double value)
{
    const double rounded = std::nearbyint(value); // the default rounding mode sends halves to even
    return int(
        std::clamp(rounded, double(std::numeric_limits<qint16>::min()), double(std::numeric_limits<qint16>::max())));
}

// r = scaleHeight / inner height; w = inner width times r; the bitmap is drawn w by height.
BitmapPlacement placeBitmap(QSizeF boxInner, QSizeF pageTwips, double scaleHeight, int height, double xDivisor,
                            double yDivisor)
{
    BitmapPlacement placement;
    placement.height = height;
    if (boxInner.height() > 0)
        placement.width = roundToShort(boxInner.width() * (scaleHeight / boxInner.height()));
    placement.x = roundToShort((pageTwips.width() - placement.width) / xDivisor);
    placement.y = roundToShort((pageTwips.height() - height) / yDivisor);
    return placement;
}

} // namespace

QSizeF pictureInnerSize(const CardPicture& picture)
{
    return QSizeF(picture.width - 2 * kBorderTwips, picture.height - 2 * kBorderTwips);
}

BitmapPlacement signPlacement(QSizeF boxInner, QSizeF pageTwips)
{
    return placeBitmap(boxInner, pageTwips, 500, 600, 1.1, 1.2);
}

BitmapPlacement clubSignPlacement(QSizeF boxInner, QSizeF pageTwips)
{
    return placeBitmap(boxInner, pageTwips, 900, 900, 100, 1.15);
}

void scaleToTwips(QPainter& painter, int dotsPerInch)
{
    painter.scale(dotsPerInch / kTwipsPerInch, dotsPerInch / kTwipsPerInch);
}

void printCardControl(QPainter& painter, const CardElement& element, const QString& text)
{
    const bool textBox = element.kind == CardElement::TextBox;
    const double x = element.left;
    const double y = element.top;
    const double inset = textBox ? 4 * element.pointSize : 0; // one fifth of the size, in twips

    // Face and size only: the page keeps the regular weight. One point is 20 twips.
    QFont font(CardTemplate::platformFace(element.fontFace));
    font.setPixelSize(int(std::lround(element.pointSize * 20)));
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(Qt::black);
    constexpr double kUnbounded = 1e6;
    painter.drawText(QRectF(x + inset, y + inset, kUnbounded, kUnbounded),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine, text);

    if (textBox) {
        QPen pen(Qt::black);
        pen.setWidth(0); // the thinnest line the device draws
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(x, y, element.width, element.height));
    }
}

void printCardControls(QPainter& painter, const CardFields& card)
{
    const auto& elements = CardTemplate::elements();
    for (std::size_t i = 0; i < elements.size(); ++i)
        printCardControl(painter, elements[i], card.text(int(i)));
}

namespace {

void drawBitmap(QPainter& painter, const QImage& image, const BitmapPlacement& at)
{
    if (image.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(at.x, at.y, at.width, at.height), image);
}

} // namespace

void printSign(QPainter& painter, const QImage& sign, QSizeF pageTwips)
{
    drawBitmap(painter, sign, signPlacement(pictureInnerSize(CardTemplate::pictures()[0]), pageTwips));
}

void printClubSign(QPainter& painter, const QImage& clubSign, QSizeF pageTwips)
{
    drawBitmap(painter, clubSign, clubSignPlacement(pictureInnerSize(CardTemplate::pictures()[1]), pageTwips));
}

void paintCard(QPainter& painter, const CardFields& card, const CardImages& images, QSizeF pageTwips)
{
    printCardControls(painter, card);
    printSign(painter, images.sign, pageTwips);
    printClubSign(painter, images.clubSign, pageTwips);
}

} // namespace mivra::qsl
