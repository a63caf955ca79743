// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/overview.h"

#include <QFont>
#include <QPalette>
#include <QRectF>
#include <QString>

#include <array>
#include <vector>

class QPainter;

namespace korvane::app {

// The power-meter screen painted into an area of any size: the grid of L1, L2, L3 and Total by
// U, I, PF, P, Q, S, below it the voltage frame's I and F, the angles and the phase sequence
// beside the latest type-3 values, and a footer line. Numbers right-aligned in a monospaced font
// sized to the area, the lowest and highest small under each; stale cells faded towards the
// background but never under 4.5:1, and leaning. A title, when given, goes above.
// Where the last paint put each quantity, so that a reading repaints only the cells it changed,
// and the fonts it used: held here, their glyph caches outlive the paint instead of being loaded
// again for the next one.
struct OverviewLayout
{
    std::array<QRectF, measure::kKeyCount> cells{};
    QRectF type3; // the type-3 column with its heading: an index changes its row names
    std::vector<QFont> fonts;
};

// Paints what lies in the painter's clip rectangle, everything when it has none.
void paintOverview(QPainter& painter, const QRectF& area, const measure::OverviewTable& table,
                   const QPalette& palette, const QFont& font, const QString& footer,
                   const QString& title = {}, OverviewLayout* layout = nullptr);

} // namespace korvane::app
