// SPDX-License-Identifier: GPL-3.0-or-later
#include "trend/plotsegments.h"

namespace korvane::trend {

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
        segment.line.append(QPointF(x, column.mean));
        segment.low.append(QPointF(x, column.min));
        segment.high.append(QPointF(x, column.max));
    }
    return segments;
}

} // namespace korvane::trend
