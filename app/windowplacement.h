// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMargins>
#include <QRect>

namespace korvane::app {

// Where a window's client area goes so that the whole window, frame included, lies within the
// screen's available area: as wanted if it fits, else moved in and, if still too large, shrunk
// to the available size; never below the window's minimum unless the screen is smaller still.
QRect fitOnScreen(const QRect& client, const QMargins& frame, const QRect& available,
                  const QSize& minimum);

// A remembered client area is restored only when, with its frame, it still lies whole on one of
// the screens as they are now (a screen unplugged or made smaller since leaves it out).
bool fitsOnAScreen(const QRect& client, const QMargins& frame, const QList<QRect>& available);

} // namespace korvane::app
