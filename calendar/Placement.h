#pragma once

#include "ui/Controls.h"
#include "ui/Twips.h"

namespace kvx {

// Where a control of the calendar window sits, in twips of its pane.
struct Place {
    const char* name;
    int x, y, width, height;
};

template <class Widget> Widget* placed(Widget* widget, const Place& place, const QString& accessible)
{
    named(widget, place.name, accessible);
    widget->setGeometry(twipsRect(place.x, place.y, place.width, place.height));
    return widget;
}

// A tab inside its frame leaves room for the frame's caption.
constexpr QRect tabRect(const Place& frame)
{
    constexpr int kInset = 60;
    constexpr int kTop = 240;
    return twipsRect(kInset, kTop, frame.width - 2 * kInset, frame.height - kTop - kInset);
}

} // namespace kvx
