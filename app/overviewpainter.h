// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/overview.h"

#include <QFont>
#include <QPalette>
#include <QRectF>
#include <QString>

class QPainter;

namespace korvane::app {

// The power-meter screen painted into an area of any size: the grid of L1, L2, L3 and Total by
// U, I, PF, P, Q, S, below it the voltage frame's I and F, the angles and the phase sequence
// beside the latest type-3 values, and a footer line. Numbers right-aligned in a monospaced font
// sized to the area, the lowest and highest small under each; stale cells in a colour halfway to
// the background, which reads on light and dark palettes alike. A title, when given, goes above.
void paintOverview(QPainter& painter, const QRectF& area, const measure::OverviewTable& table,
                   const QPalette& palette, const QFont& font, const QString& footer,
                   const QString& title = {});

} // namespace korvane::app
