#pragma once

#include <QRect>

namespace kvx {

// Window geometry is designed in twips, 15 to a logical pixel.
inline constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips)
{
    return twips / kTwipsPerPixel;
}

constexpr int twipsOf(int pixels)
{
    return pixels * kTwipsPerPixel;
}

// A rectangle given in twips, as logical pixels.
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

} // namespace kvx
