// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/windowplacement.h"

#include <algorithm>

namespace korvane::app {

QRect fitOnScreen(const QRect& client, const QMargins& frame, const QRect& available,
                  const QSize& minimum)
{
    // The minimum gives way too on a screen smaller than it: the window is never cut off.
    const QSize room = available.marginsRemoved(frame).size();
    const QSize size = client.size().expandedTo(minimum).boundedTo(room);
    QRect outer = QRect(client.topLeft(), size).marginsAdded(frame);
    // Right and bottom first, so that a window larger than the screen keeps its title bar in
    // sight at the top left.
    outer.moveRight(std::min(outer.right(), available.right()));
    outer.moveBottom(std::min(outer.bottom(), available.bottom()));
    outer.moveLeft(std::max(outer.left(), available.left()));
    outer.moveTop(std::max(outer.top(), available.top()));
    return outer.marginsRemoved(frame);
}

bool fitsOnAScreen(const QRect& client, const QMargins& frame, const QList<QRect>& available)
{
    const QRect outer = client.marginsAdded(frame);
    return client.isValid() &&
           std::any_of(available.begin(), available.end(),
                       [&](const QRect& screen) { return screen.contains(outer); });
}

} // namespace korvane::app
