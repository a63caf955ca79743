// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "trend/series.h"

#include <QList>
#include <QPointF>

#include <vector>

namespace korvane::trend {

// One unbroken stretch of a plotted quantity: the line through the columns' means, and the band
// between their minima and maxima. x is milliseconds since the epoch at the column's middle; a
// level run of columns is given by its first and last point only.
struct PlotSegment
{
    QList<QPointF> line;
    QList<QPointF> low;
    QList<QPointF> high;
};

// The columns of [from, to) as segments: a column with no samples is skipped (the line joins
// across it), a column after a break starts a new segment, so no line crosses a gap.
std::vector<PlotSegment> plotSegments(const std::vector<Column>& columns, qint64 from, qint64 to);

} // namespace korvane::trend
