// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

namespace korvane::app {

// Positions and sizes are laid out in twips; 15 twips make one pixel at 96 dpi, and Qt's
// high-DPI scaling takes care of denser screens.
constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// The window's client area at its default size, and where the pages lie in it then: every
// page covers the readings panel's place, and grows with the window.
constexpr QSize kDefaultClientSize(px(11745), px(10050));
constexpr QRect kDefaultPageArea = twipsRect(960, 1200, 8295, 7422);

} // namespace korvane::app
