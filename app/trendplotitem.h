// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "trend/plotsegments.h"

#include <QColor>
#include <QGraphicsItem>

#include <vector>

class QChart;
class QValueAxis;

namespace korvane::app {

// The trend's lines and bands, painted straight into the chart's plot area over the axes' ranges
// at the time of painting. Qt Charts keeps the axes, the legend and the zoom; its own series
// would outline every line for the mouse after every change, which for a week of six noisy
// quantities costs several times everything else.
class TrendPlotItem : public QGraphicsItem
{
public:
    struct Plot
    {
        QColor colour;
        const QValueAxis* axis = nullptr;
        std::vector<trend::PlotSegment> segments;
        bool band = false; // the min-max band under the line
    };

    // A span of time shaded (a gap) or, when it has no length, a line across the plot (an
    // event), under the lines.
    struct Mark
    {
        qint64 fromMs = 0;
        qint64 toMs = 0;
        QColor colour;
    };

    TrendPlotItem(QChart* chart, const QValueAxis* time);

    // Smoothing off draws a line with a point in every pixel column much faster, no different.
    void setPlots(std::vector<Plot> plots, bool smooth);
    void setMarks(std::vector<Mark> marks);
    // The plot area moved or changed size.
    void areaChanged();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QChart* m_chart;
    const QValueAxis* m_time;
    std::vector<Plot> m_plots;
    std::vector<Mark> m_marks;
    bool m_smooth = true;
    QRectF m_area;
};

} // namespace korvane::app
