#include "OptionLayout.h"

#include <algorithm>

namespace mivra {

namespace {

QVector<QRect> arrangeOptions(const OptionLayoutInput& in)
{
    QVector<QRect> placed = in.options;
    const int wc = in.control.width();
    const int hc = in.control.height();
    const int n = std::min<int>(in.shown, static_cast<int>(placed.size()));
    const int w1 = placed.first().width();
    const int h1 = placed.first().height();

    placed[0].moveTo(0, 0);
    for (int i = 2; i <= n; ++i) {
        const QRect& before = placed[i - 2];
        QRect& current = placed[i - 1];
        if (in.aligning == 1)
            current.moveTo(before.width() + before.left() + kOptionGapTwips, before.top());
        else if (in.aligning == 2)
            current.moveTo(before.left(), before.height() + before.top() + kOptionGapTwips);
    }

    for (int i = 1; i <= n; ++i) {
        QRect& current = placed[i - 1];
        if (in.positioning == 3 || in.positioning == 4) {
            if (in.aligning == 1)
                current.moveLeft(wc - (n * w1 + kOptionGapTwips) + current.left());
            else if (in.aligning == 2)
                current.moveLeft(wc - w1);
        }
        if (in.positioning == 2 || in.positioning == 4) {
            if (in.aligning == 1)
                current.moveTop(hc - h1);
            else if (in.aligning == 2)
                current.moveTop(hc - (n * h1 + kOptionGapTwips) + current.top());
        }
    }
    return placed;
}

QRect placeCaption(const OptionLayoutInput& in, const QRect& first, const QRect& last)
{
    const int wc = in.control.width();
    const int hc = in.control.height();
    QRect caption = in.caption;

    if (in.captionAligning == 1) {
        caption.setWidth(wc);
        caption.moveLeft(0);
        if (in.positioning == 1 || in.positioning == 3) {
            const int space = hc - last.top() - last.height();
            caption.setHeight(space > 0 ? space : 0);
            caption.moveTop(last.height() + last.top());
        } else if (in.positioning == 2 || in.positioning == 4) {
            caption.setHeight(first.top() > 0 ? first.top() : 0);
            caption.moveTop(0);
        }
    } else if (in.captionAligning == 2) {
        caption.setHeight(hc);
        caption.moveTop(0);
        if (in.positioning == 1 || in.positioning == 2) {
            const int space = wc - last.left() - last.width();
            caption.setWidth(space > 0 ? space : 0);
            caption.moveLeft(last.width() + last.left());
        } else if (in.positioning == 3 || in.positioning == 4) {
            caption.setWidth(first.left() > 0 ? first.left() : 0);
            caption.moveLeft(0);
        }
    }
    return caption;
}

} // namespace

OptionLayout optionLayout(const OptionLayoutInput& input)
{
    OptionLayout layout;
    layout.options = arrangeOptions(input);
    layout.caption = placeCaption(input, layout.options.first(), layout.options.last());
    return layout;
}

} // namespace mivra
