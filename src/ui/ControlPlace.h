#pragma once

#include "Twips.h"

#include <QRect>
#include <QString>

#include <span>
#include <string_view>

namespace mivra {

// One control of a window's layout table: object name, kind, caption, rectangle in twips in its
// parent's coordinates, tool tip. The window's builder creates the control from its row.
struct ControlPlace {
    enum Kind { Label, Button, LineEdit, GroupBox, LogView, OptionSelector };
    const char* name;
    Kind kind;
    const char* caption;
    int left, top, width, height;
    const char* toolTip;

    QRect twips() const { return QRect(left, top, width, height); }
    QRect pixels() const { return twipRect(left, top, width, height); }
    QString captionText() const { return QString::fromUtf8(caption); }
    QString toolTipText() const { return QString::fromUtf8(toolTip); }
};

// The row of a table with this object name; a name the table lacks is a programming error.
const ControlPlace& controlPlace(std::span<const ControlPlace> table, std::string_view name);

// Gives a new widget its row's object name, rectangle and tool tip, and returns it.
template <typename Widget> Widget* placeControl(Widget* widget, const ControlPlace& place)
{
    widget->setObjectName(QString::fromLatin1(place.name));
    widget->setGeometry(place.pixels());
    if (*place.toolTip)
        widget->setToolTip(place.toolTipText());
    return widget;
}

} // namespace mivra
