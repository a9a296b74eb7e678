#pragma once

#include <QRect>

namespace velkaro::ui {

// Window layouts are measured in twips (1/1440 inch); at 96 dpi 15 twips make one pixel. Qt scales the
// resulting device-independent pixels for other densities.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// A control's rectangle from its left, top, width and height in twips.
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

} // namespace velkaro::ui
