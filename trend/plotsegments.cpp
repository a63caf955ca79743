// SPDX-License-Identifier: GPL-3.0-or-later
#include "trend/plotsegments.h"

namespace korvane::trend {

namespace {
// A point level with the two before it moves the middle one along: a flat stretch is its two
// ends, drawn the same at a fraction of the cost.
void append(QList<QPointF>& points, QPointF point)
{
    const qsizetype n = points.size();
    if (n >= 2 && points[n - 1].y() == point.y() && points[n - 2].y() == point.y())
        points[n - 1] = point;
    else
        points.append(point);
}
} // namespace

std::vector<PlotSegment> plotSegments(const std::vector<Column>& columns, qint64 from, qint64 to)
{
    std::vector<PlotSegment> segments;
    if (columns.empty() || to <= from)
        return segments;
    const double width = double(to - from) / double(columns.size());
    bool open = false;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Column& column = columns[c];
        if (column.count == 0)
            continue;
        if (!open || column.breakBefore) {
            segments.emplace_back();
            open = true;
        }
        const double x = double(from) + width * (double(c) + 0.5);
        PlotSegment& segment = segments.back();
        append(segment.line, QPointF(x, column.mean));
        append(segment.low, QPointF(x, column.min));
        append(segment.high, QPointF(x, column.max));
    }
    return segments;
}

} // namespace korvane::trend
